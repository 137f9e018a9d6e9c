#!/usr/bin/env python3
"""Runs the whole `tavrin-cli schedule --json` process on every school of a folder (every
`*.dat` but the `*.solved.dat` beside them) and on the generated demo schools, at strengths
1-3 and seeds 1-5, checks every saved timetable with `tavrin-cli check`, and prints one
Markdown row per school and strength with a total line per strength.

    python3 bench/schools.py [FOLDER] [--cli build-rel/cli/tavrin-cli] [--seeds 1,2,3,4,5]
                             [--strengths 1,2,3] [--demo small,medium,large,xl] [--no-demo]
                             [--steps N] [--no-polish]

FOLDER defaults to ../shared/schools beside the repository when it is there. The schools
are copied to a temporary folder first: a run writes its timetable into the file.

Columns: lessons placed over lessons (the worst seed), runs that placed every lesson,
wanted doubles formed (worst seed), the whole process's wall time (median and slowest
seed), steps and restarts (median), the quality figures (median: same-day repeats,
teacher gaps, out-of-step assignments, "尽量排" periods kept) and the checker's findings
summed over the seeds (must be 0), peak memory of the slowest seed. With the polish on (the
default), same-day repeats and teacher gaps read "before → after" the polish, and two more
columns give the search's and the polish's own time (median). The last column is the other
timetabler's same-day repeats and teacher gaps from the folder's README, where it has them.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


TIME = "/usr/bin/time" if os.path.exists("/usr/bin/time") else None


def run_one(cli, path, strength, seed, steps, polish=True):
    cmd = [cli, "schedule", path, "--strength", str(strength), "--seed", str(seed), "--json"]
    if not polish:
        cmd += ["--no-polish"]
    if steps:
        cmd += ["--steps", str(steps)]
    if TIME:
        # The peak resident memory of the run alone, in kilobytes, as the last line of stderr.
        cmd = [TIME, "-f", "%M"] + cmd
    t0 = time.perf_counter()
    proc = subprocess.run(cmd, capture_output=True, text=True)
    wall = time.perf_counter() - t0
    if proc.returncode != 0:
        raise RuntimeError(f"{' '.join(cmd)}: {proc.stderr.strip()}")
    peak = int(proc.stderr.strip().splitlines()[-1]) if TIME else 0
    j = json.loads(proc.stdout)
    chk = subprocess.run([cli, "check", path, "--json"], capture_output=True, text=True)
    violations = len(json.loads(chk.stdout)["violations"]) if chk.stdout.strip() else -1
    return j, wall, violations, peak


def reference_figures(folder):
    """The other timetabler's same-day repeats and teacher gaps per school, from the table of
    the folder's README.md (its last two columns), where there is one."""
    out = {}
    path = os.path.join(folder or "", "README.md")
    if not os.path.isfile(path):
        return out
    with open(path, encoding="utf-8") as f:
        for line in f:
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            if len(cells) < 3 or not line.startswith("|"):
                continue
            try:
                out[cells[0]] = (int(cells[-2].replace(",", "")), int(cells[-1].replace(",", "")))
            except ValueError:
                continue
    return out


def schools_of(folder):
    if not folder or not os.path.isdir(folder):
        return []
    names = sorted(f for f in os.listdir(folder) if f.endswith(".dat") and not f.endswith(".solved.dat"))
    return [(n[:-4], os.path.join(folder, n)) for n in names]


def main():
    default_folder = os.path.join(os.path.dirname(REPO), "shared", "schools")
    ap = argparse.ArgumentParser()
    ap.add_argument("folder", nargs="?", default=default_folder if os.path.isdir(default_folder) else "")
    ap.add_argument("--cli", default=os.path.join(REPO, "build-rel", "cli", "tavrin-cli"))
    ap.add_argument("--seeds", default="1,2,3,4,5")
    ap.add_argument("--strengths", default="1,2,3")
    ap.add_argument("--demo", default="small,medium,large,xl")
    ap.add_argument("--no-demo", action="store_true")
    ap.add_argument("--steps", type=int, default=0, help="step budget passed to every run (0: the default)")
    ap.add_argument("--no-polish", action="store_true", help="the search's timetable, without the polish")
    ap.add_argument("--tmp", default=None,
                    help="folder for the working copies (e.g. /dev/shm, to leave out the disk's flushes)")
    a = ap.parse_args()
    seeds = [int(s) for s in a.seeds.split(",")]
    strengths = [int(s) for s in a.strengths.split(",")]
    tmp = tempfile.mkdtemp(prefix="tavrin_schools_", dir=a.tmp)
    try:
        sources = schools_of(a.folder)
        reference = reference_figures(a.folder)
        if not a.no_demo:
            for size in a.demo.split(","):
                for combined in (False, True):
                    name = f"demo-{size}" + ("-combined" if combined else "")
                    path = os.path.join(tmp, name + ".src")
                    cmd = [a.cli, "demo", path, "--size", size, "--seed", "1"] + (["--combined"] if combined else [])
                    subprocess.run(cmd, check=True, capture_output=True)
                    sources.append((name, path))
        print("| school | strength | placed/lessons (worst) | complete runs | doubles (worst) | time median / max (s) "
              "| steps | restarts | same-day repeats | teacher gaps | out of step | preferred kept | check findings "
              "| peak memory (MB) | search (s) | polish (s) | other timetabler: repeats / gaps |")
        print("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|")
        totals = {s: {"placed": 0, "lessons": 0, "median": 0.0, "max": 0.0, "complete": 0, "runs": 0, "findings": 0}
                  for s in strengths}
        for name, src in sources:
            for strength in strengths:
                rows = []
                for seed in seeds:
                    work = os.path.join(tmp, "work.dat")
                    shutil.copyfile(src, work)
                    os.chmod(work, 0o644)
                    rows.append(run_one(a.cli, work, strength, seed, a.steps, not a.no_polish))
                worst = min(rows, key=lambda r: r[0]["placed"] - r[0]["lessons"])[0]
                walls = [r[1] for r in rows]
                complete = sum(1 for r in rows if r[0]["placed"] == r[0]["lessons"])
                findings = sum(r[2] for r in rows)
                q = [r[0]["quality"] for r in rows]
                med = lambda key: statistics.median(x[key] for x in q)
                worst_d = min(q, key=lambda x: x["doubles_formed"])
                steps = statistics.median(r[0]["steps"] for r in rows)
                restarts = statistics.median(r[0]["restarts"] for r in rows)
                peak = max(r[3] for r in rows) / 1024
                pol = [r[0].get("polish") for r in rows]
                polished = all(p is not None for p in pol)
                polish_s = statistics.median(p["seconds"] for p in pol) if polished else 0.0
                search_s = statistics.median(r[0]["seconds"] - (r[0]["polish"] or {}).get("seconds", 0) for r in rows)

                def measure(key):
                    after = f"{med(key):.0f}"
                    if not polished:
                        return after
                    return f"{statistics.median(p['before'][key] for p in pol):.0f} → {after}"
                t = totals[strength]
                t["placed"] += worst["placed"]
                t["lessons"] += worst["lessons"]
                t["median"] += statistics.median(walls)
                t["max"] += max(walls)
                t["complete"] += complete
                t["runs"] += len(rows)
                t["findings"] += findings
                print(f"| {name} | {strength} | {worst['placed']}/{worst['lessons']} | {complete}/{len(rows)} "
                      f"| {worst_d['doubles_formed']}/{worst_d['doubles_wanted']} "
                      f"| {statistics.median(walls):.3f} / {max(walls):.3f} | {steps:.0f} | {restarts:.0f} "
                      f"| {measure('same_day_repeats')} | {measure('teacher_gaps')} | {med('out_of_step'):.0f} "
                      f"| {med('preferred_kept'):.0f}/{med('preferred_marked'):.0f} | {findings} | {peak:.0f} "
                      f"| {search_s:.3f} | {polish_s:.3f} "
                      f"| {'%d / %d' % reference[name] if name in reference else ''} |")
                sys.stdout.flush()
        for strength in strengths:
            t = totals[strength]
            print(f"| **total** | {strength} | {t['placed']}/{t['lessons']} | {t['complete']}/{t['runs']} | "
                  f"| {t['median']:.2f} / {t['max']:.2f} | | | | | | | {t['findings']} | | | | |")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
