// The change list's rebuild at every step on a generated school of 100 classes and 300
// teachers over 189 slots (7 days of 27 periods): a full scan with nothing changed, and
// after 200 random exchanges made through the editing functions, each with and without the
// pairing of the moved lessons; then the choice and the cells of the side panels of every
// class page.
#include <benchmark/benchmark.h>

#include <random>

#include "big_school.h"
#include "timetable/changes.h"
#include "timetable/moves.h"

namespace {

using namespace tavrin;
using namespace tavrin::timetable;

constexpr bench::BigShape kShape{100, 300, 12, 10, 7, 12, 10, 5, 11};

// 200 exchanges allowed where they are made, drawn with a fixed seed.
void exchange200(KbDocument& doc)
{
    const KbData& kb = doc.data();
    std::mt19937 rng(23);
    int done = 0;
    for (int tries = 0; done < 200 && tries < 100000; ++tries) {
        const int b = 1 + static_cast<int>(rng() % static_cast<unsigned>(kb.school.MaxBanID));
        const int s = 1 + static_cast<int>(rng() % static_cast<unsigned>(kb.N()));
        if (kb.cellB(b, s) < 0)
            continue;
        const MoveMarks m = ShowMvKe_B(kb, b, s);
        const int n = 1 + static_cast<int>(rng() % static_cast<unsigned>(kb.N()));
        if (m.mark[static_cast<std::size_t>(n)] != MarkOk)
            continue;
        if (ChnBanJ(doc, b, s, n, true).result.ok)
            ++done;
    }
    if (done < 200)
        throw std::runtime_error("fewer than 200 exchanges found");
}

void BM_FindChanges(benchmark::State& state)
{
    KbDocument doc;
    bench::startBig(doc, kShape);
    const bool edited = state.range(0) == 1;
    const bool withMoves = state.range(1) == 1;
    if (edited)
        exchange200(doc);
    const KbData& kb = doc.data();
    ChangeFinder finder(kb.school);
    std::size_t tables = 0, moves = 0;
    for (auto _ : state) {
        auto found = finder.find({kb.base.Renke_B, kb.base.Renke_T}, {kb.gridB(), kb.gridT()}, withMoves);
        tables = found.size();
        moves = 0;
        for (const auto& t : found)
            moves += t.moves.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["tables"] = static_cast<double>(tables);
    state.counters["moves"] = static_cast<double>(moves);
    state.counters["cells"] = static_cast<double>((kb.school.MaxBanID + kb.school.TeaOldNum) * kb.N());
}
BENCHMARK(BM_FindChanges)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->ArgNames({"exchanged", "moves"})
    ->Unit(benchmark::kMicrosecond);

// The panels of one class page: which teachers, and every cell of each.
void BM_ClassPagePanels(benchmark::State& state)
{
    KbDocument doc;
    bench::startBig(doc, kShape);
    const KbData& kb = doc.data();
    ChangeFinder finder(kb.school);
    int ban = 0;
    std::size_t panels = 0;
    for (auto _ : state) {
        ban = ban % kb.school.MaxBanID + 1;
        const auto teachers = banPanelTeachers(kb.school, kb.gridB(), ban);
        for (int t : teachers) {
            auto cells = miniPanelCells(finder, kb.school, {kb.gridB(), kb.gridT()}, KbSide::Ban, ban, t);
            benchmark::DoNotOptimize(cells);
        }
        panels = teachers.size();
    }
    state.counters["panels"] = static_cast<double>(panels);
}
BENCHMARK(BM_ClassPagePanels)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
