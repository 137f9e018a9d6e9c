// Slot scoring on the large demo school: the engine's incremental scorer against the
// rule-by-rule scorer that recomputes every count from the grids.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "demo/demo.h"
#include "model/loaders.h"
#include "engine_probe.h"
#include "scheduler/engine.h"
#include "rank_reference.h"

using namespace tavrin;

namespace {

struct Setup {
    std::filesystem::path file;
    model::School school;
    std::unique_ptr<scheduler::Engine> engine;
    std::vector<std::uint8_t> keep;
    scheduler::PaiOptions opts;
    std::vector<std::pair<int, int>> probes;  // (assignment, free class slot)

    Setup()
    {
        file = std::filesystem::temp_directory_path() / ("tavrin_bench_rank_" + std::to_string(::getpid()) + ".dat");
        std::filesystem::remove(file);
        demo::DemoOptions o;
        o.size = demo::DemoSize::Large;
        o.seed = 1;
        o.writePlanted = true;
        std::string err;
        if (!demo::writeDemoSchool(file, o, &err))
            throw std::runtime_error(err);
        store::Store st(file);
        school = model::loadSchool(st);
        keep.assign(school.MaxBanID + 1, 0);
        engine = std::make_unique<scheduler::Engine>(school, opts);
        // Half of the planted timetable, taken at random: a timetable in the middle of a run.
        std::vector<scheduler::KeptLesson> none;
        engine->setKept(keep, none);
        auto planted = scheduler::loadKeptLessons(st, school, std::vector<std::uint8_t>(school.MaxBanID + 1, 1));
        std::mt19937 rng(7);
        for (const auto& l : planted)
            if (rng() % 2 && engine->grids().Renke_B(l.ban, l.slot) < 0)
                scheduler::EngineProbe::place(*engine, l.renke, l.slot, 60);
        for (int r = 0; r < school.RenKeNum; ++r)
            for (int s = 1; s <= school.N(); ++s)
                if (engine->grids().Renke_B(school.RenkeBan[r], s) < 0)
                    probes.emplace_back(r, s);
    }
    ~Setup() { std::filesystem::remove(file); }
};

Setup& setup()
{
    static Setup s;
    return s;
}

void BM_PaiRankIncremental(benchmark::State& state)
{
    auto& s = setup();
    for (auto _ : state)
        for (auto [r, j] : s.probes)
            benchmark::DoNotOptimize(s.engine->PaiRank(r, j));
    state.counters["scores"] = static_cast<double>(s.probes.size());
    state.counters["ns_per_score"] = benchmark::Counter(static_cast<double>(s.probes.size()),
                                                        benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
}

void BM_PaiRankRuleByRule(benchmark::State& state)
{
    auto& s = setup();
    for (auto _ : state)
        for (auto [r, j] : s.probes)
            benchmark::DoNotOptimize(
                testing::referenceRank(s.school, s.engine->grids(), s.keep, s.opts, s.opts.minScore(), r, j));
    state.counters["scores"] = static_cast<double>(s.probes.size());
    state.counters["ns_per_score"] = benchmark::Counter(static_cast<double>(s.probes.size()),
                                                        benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_PaiRankIncremental)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaiRankRuleByRule)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
