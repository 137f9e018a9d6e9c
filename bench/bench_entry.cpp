// The saves of steps 1 to 3 on the xl demo school (6 grade groups x 20 classes, 490 teachers)
// with its planted timetable (4,700 lessons), its 14 subjects filled up to 40 with weekly
// periods in every class, and subject marks added up to about 40,000 rows:
//   ClassSaveDeleteFirst - deletes the first class, so every other class is renumbered twice
//                          and every row of the seven tables that refer to a class follows;
//   SubjectSaveDeleteFirst - deletes subject 1, so every other subject is renumbered and the
//                          rows of the five tables that refer to a subject follow; the
//                          assignments are realigned and the timetable trimmed;
//   WeekSave             - a whole-school fixed lesson on Monday period 1 (taking the 120
//                          lessons under it out of the timetable) and a public slot.
// Each iteration starts from a fresh copy of the school file; the copy is not timed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "demo/demo.h"
#include "entry/classes.h"
#include "entry/subjectdraft.h"
#include "entry/week.h"
#include "scratch.h"
#include "store/store.h"
#include "users/users.h"

namespace {

namespace fs = std::filesystem;
using tavrin::store::Store;


const fs::path& masterFile()
{
    static const tavrin::bench::Scratch scratch("entry");
    static const fs::path file = [] {
        const fs::path& dir = scratch.dir;
        const fs::path f = dir / "xl.dat";
        tavrin::demo::DemoOptions o;
        o.size = tavrin::demo::DemoSize::Xl;
        o.seed = 1;
        o.writePlanted = true;
        std::string error;
        if (!tavrin::demo::writeDemoSchool(f, o, &error))
            throw std::runtime_error(error);
        Store s(f);
        std::mt19937 rng(7);
        s.transaction([&] {
            // Electives up to 40 subjects, one weekly period each in every class: a deleted
            // subject 1 renumbers all of them and their rows.
            const auto bans = s.scalar("SELECT count(*) FROM banbd");
            for (std::int64_t k = s.scalar("SELECT max(kemuid) FROM kemubd") + 1; k <= 40; ++k) {
                const std::string name = "选修" + std::to_string(k);
                s.run("INSERT INTO kemubd VALUES(?1, ?2, ?2, 0, 0)", k, name);
                for (std::int64_t b = 1; b <= bans; ++b)
                    s.run("INSERT INTO kemujieshu VALUES(?1, ?2, 1)", k, b);
            }
        });
        s.transaction([&] {
            auto ins = s.prepare("INSERT INTO teshuke(kemuid, banid, theday, thejie, teshu) VALUES(?1, ?2, ?3, ?4, ?5)");
            const auto bans = s.scalar("SELECT count(*) FROM banbd");
            const auto kemus = std::min<std::int64_t>(10, s.scalar("SELECT count(*) FROM kemubd"));
            const auto P = s.scalar("SELECT mor + aft + nig FROM jieshu");
            for (std::int64_t b = 1; b <= bans; ++b)
                for (std::int64_t k = 1; k <= kemus; ++k)
                    for (int n = 0; n < 33; ++n) {
                        ins.reset();
                        ins.bindAll(k, b, static_cast<int>(rng() % 5) + 1, static_cast<int>(rng() % P) + 1,
                                    static_cast<int>(rng() % 3) + 1);
                        ins.run();
                    }
        });
        return f;
    }();
    return file;
}

fs::path freshCopy()
{
    const fs::path copy = masterFile().parent_path() / "work.dat";
    fs::copy_file(masterFile(), copy, fs::copy_options::overwrite_existing);
    return copy;
}

long long referringRows(Store& s)
{
    long long n = 0;
    for (const char* t : {"kemujieshu", "teshuke", "renkebd", "gudinbd", "kechenbd", "PaiOptJie", "PaiOptDay"})
        n += s.scalar(std::string("SELECT count(*) FROM ") + t);
    return n;
}

void ClassSaveDeleteFirst(benchmark::State& state)
{
    long long rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path f = freshCopy();
        auto s = std::make_unique<Store>(f);
        rows = referringRows(*s);
        auto d = tavrin::entry::loadClasses(*s);
        tavrin::entry::deleteClass(d, {0, 0});
        state.ResumeTiming();
        auto r = tavrin::entry::saveClasses(*s, d);
        benchmark::DoNotOptimize(r);
    }
    state.counters["referring_rows"] = static_cast<double>(rows);
}

void SubjectSaveDeleteFirst(benchmark::State& state)
{
    long long rows = 0, subjects = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path f = freshCopy();
        auto s = std::make_unique<Store>(f);
        rows = referringRows(*s);
        auto d = tavrin::entry::loadSubjects(*s);
        subjects = static_cast<long long>(d.rows.size());
        tavrin::entry::deleteSubject(d, 0);
        state.ResumeTiming();
        auto r = tavrin::entry::saveSubjects(*s, d, [](const std::string&) { return true; });
        if (!r.ok)
            state.SkipWithError(r.message.c_str());
        benchmark::DoNotOptimize(r);
    }
    state.counters["referring_rows"] = static_cast<double>(rows);
    state.counters["subjects"] = static_cast<double>(subjects);
}

// Loading the subject page's working copy (weekly periods and every mark).
void SubjectLoad(benchmark::State& state)
{
    Store s(masterFile());
    for (auto _ : state) {
        auto d = tavrin::entry::loadSubjects(s);
        benchmark::DoNotOptimize(d);
    }
}

void WeekSave(benchmark::State& state)
{
    std::int64_t unplaced = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path f = freshCopy();
        auto s = std::make_unique<Store>(f);
        auto d = tavrin::entry::loadWeek(*s);
        tavrin::entry::setGudin(d, tavrin::entry::Scope::school(), 1, 1, "班会");
        tavrin::entry::setPublicTime(d, 2, "课间操");
        state.ResumeTiming();
        auto r = tavrin::entry::saveWeek(*s, d, &unplaced);
        benchmark::DoNotOptimize(r);
    }
    state.counters["unplaced"] = static_cast<double>(unplaced);
}

// Loading the week page's working copy (the scope tree and every fixed lesson).
void WeekLoad(benchmark::State& state)
{
    Store s(masterFile());
    for (auto _ : state) {
        auto d = tavrin::entry::loadWeek(s);
        benchmark::DoNotOptimize(d);
    }
}

BENCHMARK(ClassSaveDeleteFirst)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(SubjectSaveDeleteFirst)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(SubjectLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(WeekSave)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(WeekLoad)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
