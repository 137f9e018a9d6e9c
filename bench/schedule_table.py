#!/usr/bin/env python3
"""Runs `tavrin-cli schedule --json` on the demo schools at every strength, with and without
the repair, and prints a Markdown table: lessons placed over lessons to place (worst of the
seeds), wanted doubles formed, and the median wall time of the whole process.

    python3 bench/schedule_table.py [--cli build-rel/cli/tavrin-cli] [--sizes small,medium,large,xl]
                                    [--seeds 1,2,3] [--restart-budget N]
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

STRENGTHS = {1: "快速", 2: "正常", 3: "高精度"}


def run(cli, path, strength, seed, repair, budget):
    cmd = [cli, "schedule", path, "--strength", str(strength), "--seed", str(seed), "--json"]
    if not repair:
        cmd.append("--no-repair")
    if budget:
        cmd += ["--restart-budget", str(budget)]
    t0 = time.perf_counter()
    out = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout
    wall = time.perf_counter() - t0
    j = json.loads(out)
    q = j["quality"]
    return j["placed"], j["lessons"], q["doubles_formed"], q["doubles_wanted"], wall


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", default="build-rel/cli/tavrin-cli")
    ap.add_argument("--sizes", default="small,medium,large,xl")
    ap.add_argument("--seeds", default="1,2,3")
    ap.add_argument("--restart-budget", type=int, default=0)
    a = ap.parse_args()
    seeds = [int(s) for s in a.seeds.split(",")]
    tmp = tempfile.mkdtemp(prefix="tavrin_bench_")
    try:
        print("| 规模 | 强度 | 已排/总节数（补排） | 连堂（补排） | 中位时间（补排） | 已排/总节数（不补排） | 中位时间（不补排） |")
        print("|---|---|---|---|---|---|---|")
        for size in a.sizes.split(","):
            base = os.path.join(tmp, size + ".dat")
            subprocess.run([a.cli, "demo", base, "--size", size, "--seed", "1"], check=True, capture_output=True)
            for strength in (1, 2, 3):
                cells = []
                for repair in (True, False):
                    placed, walls, doubles = [], [], []
                    for seed in seeds:
                        work = os.path.join(tmp, "work.dat")
                        shutil.copyfile(base, work)
                        p, total, df, dw, wall = run(a.cli, work, strength, seed, repair, a.restart_budget)
                        placed.append((p, total))
                        doubles.append((df, dw))
                        walls.append(wall)
                    worst = min(placed, key=lambda x: x[0])
                    worst_d = min(doubles, key=lambda x: x[0])
                    cells.append((f"{worst[0]}/{worst[1]}", f"{worst_d[0]}/{worst_d[1]}",
                                  f"{statistics.median(walls):.3f} s"))
                r, n = cells
                print(f"| {size} | {strength} {STRENGTHS[strength]} | {r[0]} | {r[1]} | {r[2]} | {n[0]} | {n[2]} |")
                sys.stdout.flush()
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
