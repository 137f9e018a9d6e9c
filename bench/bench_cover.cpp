// Cover for absent teachers on the xl demo school (120 classes, about 500 teachers): the
// suggestions for a whole day with ten teachers absent (the ten with the most lessons that
// day), and the term report over 20 weeks in which ten teachers are away every school day,
// each emptied lesson covered by its best suggestion.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <string>

#include "demo/demo.h"
#include "model/dates.h"
#include "store/store.h"
#include "timetable/cover.h"
#include "timetable/kbdocument.h"

namespace {

namespace fs = std::filesystem;
using namespace tavrin;
using namespace tavrin::timetable;

struct XlSchool {
    KbDocument doc;
    CoverBook book;
    int monday = 0;

    XlSchool()
    {
        const fs::path file = fs::temp_directory_path() / "tavrin_bench_cover.dat";
        fs::remove(file);
        std::string error;
        if (!demo::writeDemoSchool(file, {demo::DemoSize::Xl, 1, true, true}, &error))
            throw std::runtime_error(error);
        {
            store::Store st(file);
            doc.load(st);
        }
        fs::remove(file);
        book.term = {*model::parseDate("2026-09-07"), 20};
        monday = book.term.monday + 7;
    }
    const KbData& kb() const { return doc.data(); }

    // The ten teachers with the most lessons on `date`, skipping the first `offset` of them.
    std::vector<int> busiest(int date, int offset) const
    {
        const auto& s = kb().school;
        const int day = s.WeektoDay[static_cast<std::size_t>(model::weekdayOf(date))];
        std::vector<int> count(static_cast<std::size_t>(s.TeaOldNum + 1), 0);
        for (int t = 1; t <= s.TeaOldNum; ++t)
            for (int j = 1; j <= s.P(); ++j)
                if (kb().cellT(t, model::slotOf(day, j, s.P())) >= 0)
                    ++count[static_cast<std::size_t>(t)];
        std::vector<int> order(static_cast<std::size_t>(s.TeaOldNum));
        std::iota(order.begin(), order.end(), 1);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return count[static_cast<std::size_t>(a)] > count[static_cast<std::size_t>(b)];
        });
        return {order.begin() + offset, order.begin() + offset + 10};
    }
    void absent(const std::vector<int>& teachers, int date)
    {
        for (int t : teachers) {
            model::Absence a;
            a.id = static_cast<std::int64_t>(book.absences.size()) + 1;
            a.tea = t;
            a.from = a.to = date;
            book.absences.push_back(a);
        }
    }
};

XlSchool& school()
{
    static XlSchool x;
    return x;
}

void BM_DaySuggestions(benchmark::State& state)
{
    XlSchool& x = school();
    const CoverBook saved = x.book;
    x.absent(x.busiest(x.monday, 0), x.monday);
    CoverDay day;
    for (auto _ : state) {
        const auto r = coverDay(x.kb(), x.book, x.monday, true, {}, day);
        if (!r)
            state.SkipWithError(r.message.c_str());
        benchmark::DoNotOptimize(day);
    }
    std::size_t suggestions = 0;
    for (const auto& e : day.lessons)
        suggestions += e.suggestions.size();
    state.counters["teachers"] = x.kb().school.TeaOldNum;
    state.counters["classes"] = x.kb().school.MaxBanID;
    state.counters["lessons"] = static_cast<double>(day.lessons.size());
    state.counters["suggestions"] = static_cast<double>(suggestions);
    x.book = saved;
}
BENCHMARK(BM_DaySuggestions)->Unit(benchmark::kMillisecond);

void BM_TermReport(benchmark::State& state)
{
    XlSchool& x = school();
    const CoverBook saved = x.book;
    // Ten teachers away every school day of the term (a different ten each weekday), each
    // emptied lesson covered by its best suggestion.
    const auto& s = x.kb().school;
    for (int d = x.book.term.monday; d <= x.book.term.lastDay(); ++d) {
        if (s.WeektoDay[static_cast<std::size_t>(model::weekdayOf(d))] < 1)
            continue;
        x.absent(x.busiest(d, 10 * (model::weekdayOf(d) - 1)), d);
        CoverDay day;
        if (!coverDay(x.kb(), x.book, d, true, {}, day))
            continue;
        for (const auto& e : day.lessons)
            if (!e.suggestions.empty()) {
                model::Cover c = e.suggestions.front().cover;
                c.id = static_cast<std::int64_t>(x.book.covers.size()) + 1;
                x.book.covers.push_back(c);
            }
    }
    std::vector<TeaCoverCount> rows;
    for (auto _ : state) {
        coverReport(x.kb(), x.book, x.book.term.monday, x.book.term.lastDay(), rows);
        benchmark::DoNotOptimize(rows);
    }
    state.counters["absences"] = static_cast<double>(x.book.absences.size());
    state.counters["covers"] = static_cast<double>(x.book.covers.size());
    state.counters["rows"] = static_cast<double>(rows.size());
    x.book = saved;
}
BENCHMARK(BM_TermReport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
