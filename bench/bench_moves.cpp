// Hand editing: the classification at every drag start for every lesson of the large demo
// school on the class and the teacher page (mean and worst), and one step of the ring (the
// copy, an exchange, the notification with its changed rows) with the ring's memory on 120
// classes, 400 teachers, 6 days of 12 periods.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "big_school.h"
#include "demo/demo.h"
#include "store/store.h"
#include "timetable/kbdocument.h"
#include "timetable/moves.h"

namespace {

namespace fs = std::filesystem;
using namespace tavrin;
using namespace tavrin::timetable;
using Clock = std::chrono::steady_clock;

void loadLarge(KbDocument& doc)
{
    const fs::path file = fs::temp_directory_path() / "tavrin_bench_moves.dat";
    fs::remove(file);
    std::string error;
    if (!demo::writeDemoSchool(file, {demo::DemoSize::Large, 1, true, true}, &error))
        throw std::runtime_error(error);
    {
        store::Store st(file);
        doc.load(st);
    }
    fs::remove(file);
}

void BM_ClassifyEveryLesson(benchmark::State& state)
{
    KbDocument doc;
    loadLarge(doc);
    const KbData& kb = doc.data();
    const bool tea = state.range(0) == 1;
    const int rows = tea ? kb.school.TeaOldNum : kb.school.MaxBanID;
    double total = 0, worst = 0;
    long count = 0;
    for (auto _ : state) {
        for (int id = 1; id <= rows; ++id)
            for (int s = 1; s <= kb.N(); ++s) {
                if ((tea ? kb.cellT(id, s) : kb.cellB(id, s)) < 0)
                    continue;
                const auto t0 = Clock::now();
                MoveMarks m = tea ? ShowMvKe_T(kb, id, s) : ShowMvKe_B(kb, id, s);
                benchmark::DoNotOptimize(m);
                const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                total += ms;
                worst = std::max(worst, ms);
                ++count;
            }
    }
    state.counters["drags"] = static_cast<double>(count);
    state.counters["mean_ms"] = count ? total / static_cast<double>(count) : 0;
    state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_ClassifyEveryLesson)->Arg(0)->Arg(1)->ArgNames({"teacher"})->Iterations(1)->Unit(benchmark::kMillisecond);

// 120 classes, 400 teachers, 6 days x 12 periods, every class with 12 assignments of 6
// lessons (the generator's defaults).
using tavrin::bench::startBig;

void BM_OneStep(benchmark::State& state)
{
    KbDocument doc;
    startBig(doc);
    const KbData& kb = doc.data();
    // Exchanges allowed at the start, done and undone in turn so that the state stays put.
    std::vector<std::array<int, 3>> moves;
    for (int b = 1; b <= kb.school.MaxBanID && moves.size() < 200; ++b)
        for (int s = 1; s <= kb.N() && moves.size() < 200; ++s)
            if (kb.cellB(b, s) >= 0) {
                const MoveMarks m = ShowMvKe_B(kb, b, s);
                for (int n = 1; n <= kb.N(); ++n)
                    if (m.mark[static_cast<std::size_t>(n)] == MarkOk) {
                        moves.push_back({b, s, n});
                        break;
                    }
            }
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& mv = moves[i++ % moves.size()];
        MoveOutcome o = ChnBanJ(doc, mv[0], mv[1], mv[2], true);
        benchmark::DoNotOptimize(o);
        state.PauseTiming();
        doc.undo();
        state.ResumeTiming();
    }
    const auto& s = kb.school;
    const double ring = static_cast<double>(kRingSize) *
                        (static_cast<double>((s.MaxBanID + 1) + (s.TeaOldNum + 1)) * (s.N() + 2) + s.renkeSize()) *
                        sizeof(int);
    state.counters["ring_MB"] = ring / (1024.0 * 1024.0);
    state.counters["exchanges"] = static_cast<double>(moves.size());
}
BENCHMARK(BM_OneStep)->Unit(benchmark::kMicrosecond);

// The copy and the notification alone: a step that changes one cell.
void BM_StepCopyAndDiff(benchmark::State& state)
{
    KbDocument doc;
    startBig(doc);
    int k = 0;
    for (auto _ : state) {
        KbChange c = doc.apply(banPage(1), [&](KbDocument::Snapshot& now, const KbDocument::Before&) {
            now.B(1, 1) = now.B(1, 1) == -1 ? 0 : -1;
            ++k;
        });
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_StepCopyAndDiff)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
