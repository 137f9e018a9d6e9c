// The assignment import on 100 classes x 40 subjects with 300 teachers: a sheet of 4,000
// filled cells (half a single name, half two teachers sharing the periods) planned against an
// empty assignment list and applied, and the same sheet again on the result (all held already).
//   ImportAssignments      - plan + apply, 4,000 cells, 6,000 entries made;
//   ImportAssignmentsAgain - plan of the same sheet once it is in, nothing to add.
#include <benchmark/benchmark.h>

#include <string>

#include "spreadsheet/entryimport.h"

namespace {

namespace ss = tavrin::spreadsheet;
constexpr int kClasses = 100, kSubjects = 40, kTeachers = 300, kPeriods = 3;

tavrin::entry::TeaDraft draft()
{
    tavrin::entry::TeaDraft d;
    for (int b = 1; b <= kClasses; ++b)
        d.classes.push_back({b, "班" + std::to_string(b)});
    for (int k = 1; k <= kSubjects; ++k)
        d.subjects.push_back({k, "科目" + std::to_string(k)});
    d.need.assign(static_cast<std::size_t>(kClasses * kSubjects), kPeriods);
    for (int t = 1; t <= kTeachers; ++t) {
        tavrin::entry::TeaRow r;
        r.id = t;
        r.stored = true;
        r.name = "教师" + std::to_string(t);
        d.rows.push_back(r);
    }
    d.maxStoredId = kTeachers;
    d.nextId = kTeachers + 1;
    return d;
}

ss::SheetGrid sheet()
{
    ss::SheetGrid g;
    ss::GridRow head{1, {{1, "科目"}}};
    for (int b = 1; b <= kClasses; ++b)
        head.cells.emplace_back(b + 1, "班" + std::to_string(b));
    g.rows.push_back(head);
    for (int k = 1; k <= kSubjects; ++k) {
        ss::GridRow row{k + 1, {{1, "科目" + std::to_string(k)}}};
        for (int b = 1; b <= kClasses; ++b) {
            const int t = (k * 7 + b) % kTeachers + 1;
            const std::string a = "教师" + std::to_string(t), other = "教师" + std::to_string(t % kTeachers + 1);
            row.cells.emplace_back(b + 1, (b + k) % 2 ? a : a + ",1," + other + ",2");
        }
        g.rows.push_back(std::move(row));
    }
    return g;
}

void ImportAssignments(benchmark::State& state)
{
    const auto base = draft();
    const auto grid = sheet();
    std::size_t made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto d = base;
        state.ResumeTiming();
        const auto plan = ss::planAssignments(grid, d);
        ss::applyAssignments(d, plan);
        made = static_cast<std::size_t>(d.RenKeNum);
        benchmark::DoNotOptimize(d.renke.data());
    }
    state.counters["cells"] = kClasses * kSubjects;
    state.counters["entries"] = static_cast<double>(made);
}
BENCHMARK(ImportAssignments)->Unit(benchmark::kMillisecond);

void ImportAssignmentsAgain(benchmark::State& state)
{
    auto d = draft();
    const auto grid = sheet();
    ss::applyAssignments(d, ss::planAssignments(grid, d));
    std::size_t adds = 0;
    for (auto _ : state) {
        const auto plan = ss::planAssignments(grid, d);
        adds = plan.adds.size() + plan.skipped.size();
        benchmark::DoNotOptimize(plan.adds.data());
    }
    state.counters["adds+skips"] = static_cast<double>(adds);
}
BENCHMARK(ImportAssignmentsAgain)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
