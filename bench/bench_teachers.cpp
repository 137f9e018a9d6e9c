// The teacher step on a school of 100 classes (5 grade groups x 20), 40 subjects and 300
// teachers: 1,500 assignments of 3 periods, each placed in the timetable (4,500 lessons),
// 10,000 teacher marks, a period and a weekday condition per teacher and 50 exclusion pairs.
//   TeacherDrop            - a row of the unassigned list dropped on a teacher: the entry, the
//                            teacher's text and the list rebuilt;
//   TeacherSaveDeleteFirst - deletes teacher 1, so the 299 others are renumbered, each change
//                            cascading into every table that refers to a teacher, and the
//                            timetable is pruned.
// Each save starts from a fresh copy of the school file; the copy is not timed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "entry/teachers.h"
#include "scratch.h"
#include "store/store.h"
#include "users/users.h"

namespace {

namespace fs = std::filesystem;
using tavrin::store::Store;

constexpr int kGroups = 5, kPerGroup = 20, kSubjects = 40, kTeachers = 300, kPerClass = 15, kPeriods = 3;


const fs::path& masterFile()
{
    static const tavrin::bench::Scratch scratch("teachers");
    static const fs::path file = [] {
        const fs::path f = scratch.dir / "school.dat";
        tavrin::users::initDatabase(f);
        Store s(f);
        std::mt19937 rng(11);
        s.transaction([&] {
            for (int w = 1; w <= 5; ++w)
                s.run("INSERT INTO daybd VALUES(?1, '')", w);
            s.run("INSERT INTO jieshu VALUES(4, 5, 0)");
            for (int g = 1; g <= kGroups; ++g)
                s.run("INSERT INTO jibd VALUES(?1, ?2)", g, "年级" + std::to_string(g));
            for (int b = 1; b <= kGroups * kPerGroup; ++b)
                s.run("INSERT INTO banbd VALUES(?1, ?2, ?3, 0)", b, "班" + std::to_string(b), (b - 1) / kPerGroup + 1);
            for (int k = 1; k <= kSubjects; ++k)
                s.run("INSERT INTO kemubd VALUES(?1, ?2, ?3, 0, 0)", k, "科目" + std::to_string(k), "科");
            for (int t = 1; t <= kTeachers; ++t)
                s.run("INSERT INTO teabd VALUES(?1, ?2, ?3, ?4)", t, "教师" + std::to_string(t), "师", t % 10 == 0);
            auto renke = s.prepare("INSERT INTO renkebd VALUES(?1, ?2, ?3, ?4, ?5, 0)");
            auto need = s.prepare("INSERT INTO kemujieshu VALUES(?1, ?2, ?3)");
            auto lesson = s.prepare("INSERT INTO kechenbd VALUES(?1, ?2, ?3, ?4, ?5, ?6, 0)");
            int difid = 0, kechen = 0;
            for (int b = 1; b <= kGroups * kPerGroup; ++b)
                for (int n = 0; n < kPerClass; ++n) {
                    const int k = (b + n * 3) % kSubjects + 1;
                    const int t = static_cast<int>(rng() % kTeachers) + 1;
                    renke.reset();
                    renke.bindAll(difid++, t, b, k, kPeriods);
                    renke.run();
                    need.reset();
                    need.bindAll(k, b, kPeriods + (n == 0 ? 2 : 0));  // some periods left to drop
                    need.run();
                    for (int p = 0; p < kPeriods; ++p) {
                        const int slot = n * kPeriods + p;
                        lesson.reset();
                        lesson.bindAll(++kechen, slot / 9 + 1, slot % 9 + 1, b, t, k);
                        lesson.run();
                    }
                }
            auto mark = s.prepare("INSERT INTO teshutea VALUES(?1, ?2, ?3, ?4)");
            for (int m = 0; m < 10000; ++m) {
                mark.reset();
                mark.bindAll(static_cast<int>(rng() % kTeachers) + 1, static_cast<int>(rng() % 5) + 1,
                             static_cast<int>(rng() % 9) + 1, static_cast<int>(rng() % 3) + 1);
                mark.run();
            }
            for (int t = 1; t <= kTeachers; ++t) {
                s.run("INSERT INTO PaiOptJie VALUES(?1, 1, -1, NULL, NULL, ?1)", t);
                s.run("INSERT INTO PaiOptDay VALUES(?1, 2, -2, NULL, NULL, ?1)", t);
            }
            for (int p = 1; p <= 50; ++p) {
                s.run("INSERT INTO teaman VALUES(?1, ?2)", p, 2 * p);
                s.run("INSERT INTO teawife VALUES(?1, ?2)", p, 2 * p + 1);
            }
        });
        return f;
    }();
    return file;
}

void TeacherDrop(benchmark::State& state)
{
    Store s(masterFile());
    const auto base = tavrin::entry::loadTeachers(s);
    const auto rows = tavrin::entry::unassigned(base);
    const auto& row = rows.at(1);
    std::size_t entries = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto d = base;
        state.ResumeTiming();
        const int i = tavrin::entry::dropOnTeacher(d, 150, row.ban, row.ke, 1);
        auto text = tavrin::entry::renkeText(d, 150);
        auto list = tavrin::entry::unassigned(d);
        auto label = tavrin::entry::remainingLabel(list);
        benchmark::DoNotOptimize(i);
        benchmark::DoNotOptimize(text);
        benchmark::DoNotOptimize(label);
        entries = d.renke.size();
    }
    state.counters["entries"] = static_cast<double>(entries);
}

void TeacherSaveDeleteFirst(benchmark::State& state)
{
    long long lessons = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path copy = masterFile().parent_path() / "work.dat";
        fs::copy_file(masterFile(), copy, fs::copy_options::overwrite_existing);
        auto s = std::make_unique<Store>(copy);
        auto d = tavrin::entry::loadTeachers(*s);
        tavrin::entry::deleteTeacher(d, 0);
        state.ResumeTiming();
        auto r = tavrin::entry::saveTeachers(*s, d);
        if (!r.ok)
            state.SkipWithError(r.message.c_str());
        state.PauseTiming();
        lessons = s->scalar("SELECT count(*) FROM kechenbd");
        state.ResumeTiming();
    }
    state.counters["lessons_after"] = static_cast<double>(lessons);
}

BENCHMARK(TeacherDrop)->Unit(benchmark::kMillisecond);
BENCHMARK(TeacherSaveDeleteFirst)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
