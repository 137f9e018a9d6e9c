// The engine on the generated schools, each of which has a complete timetable: every run
// must keep every rule the independent checker knows, and with the repair place everything.
#include <gtest/gtest.h>

#include "demo/demo.h"
#include "model/loaders.h"
#include "scheduler/engine.h"
#include "scheduler/save.h"
#include "support/demo_school.h"
#include "support/testutil.h"
#include "timetable/checker.h"
#include "model/kechen.h"

using namespace tavrin;

namespace {

using Demo = tavrin::testing::DemoSchool;

std::string describe(const std::vector<timetable::Violation>& v)
{
    std::string out;
    for (std::size_t i = 0; i < v.size() && i < 5; ++i)
        out += v[i].kind + ": " + v[i].text + "\n";
    return out;
}

}  // namespace

TEST(DemoSchedule, MediumSchoolIsPlacedWholeAtEveryStrength)
{
    Demo d(demo::DemoSize::Medium, false);
    const int wanted = timetable::doublesWanted(d.school);
    ASSERT_GT(wanted, 0);
    for (int strength : {1, 2, 3})
        for (std::uint32_t seed = 1; seed <= 5; ++seed) {
            scheduler::RunRequest req;
            req.seed = seed;
            req.opts.strength = strength;
            auto res = scheduler::runSchedule(*d.st, d.school, req);
            EXPECT_EQ(res.placed, res.total) << "strength " << strength << " seed " << seed;
            auto v = timetable::checkTimetable(d.school, res.grids);
            EXPECT_TRUE(v.empty()) << describe(v);
            EXPECT_EQ(timetable::doublesFormed(d.school, res.grids), wanted)
                << "strength " << strength << " seed " << seed;
        }
}

TEST(DemoSchedule, SavedTimetableOfASchoolWithCombinedLessonsPassesTheChecker)
{
    for (auto size : {demo::DemoSize::Small, demo::DemoSize::Medium}) {
        Demo d(size, true);
        bool anyCombined = false;
        for (int r = 0; r < d.school.RenKeNum; ++r)
            anyCombined |= d.school.RenkeHeban[r] > 0;
        ASSERT_TRUE(anyCombined);
        for (std::uint32_t seed : {1u, 2u}) {
            scheduler::RunRequest req;
            req.seed = seed;
            auto saved = scheduler::scheduleAndSave(*d.st, d.school, req);
            ASSERT_FALSE(saved.result.cancelled);
            // What was written reads back as what the run held, and keeps every rule.
            auto grids = model::LoadKeChenData(*d.st, d.school);
            EXPECT_TRUE(grids.Renke_B == saved.result.grids.Renke_B);
            auto v = timetable::checkTimetable(d.school, grids);
            EXPECT_TRUE(v.empty()) << describe(v);
            EXPECT_EQ(timetable::placedLessons(d.school, grids), saved.result.placed);
        }
    }
}

TEST(DemoSchedule, TheSearchAloneKeepsTheRulesEvenWhereItLeavesLessonsOut)
{
    Demo d(demo::DemoSize::Medium, true, 2);
    for (int strength : {1, 3})
        for (std::uint32_t seed : {3u, 4u}) {
            scheduler::RunRequest req;
            req.seed = seed;
            req.opts.strength = strength;
            req.repair = false;
            auto res = scheduler::runSchedule(*d.st, d.school, req);
            auto v = timetable::checkTimetable(d.school, res.grids);
            EXPECT_TRUE(v.empty()) << describe(v);
            EXPECT_GT(res.placed, res.total * 8 / 10);
        }
}

TEST(DemoSchedule, CancelDuringTheRepairWritesNothing)
{
    Demo d(demo::DemoSize::Medium, false);
    scheduler::RunRequest plain;
    plain.seed = 3;
    plain.repair = false;
    plain.failBudget = scheduler::kRepairFailBudget;  // the very search the repaired run makes
    auto searchOnly = scheduler::runSchedule(*d.st, d.school, plain);
    ASSERT_LT(searchOnly.placed, searchOnly.total) << "the repair must have work to do";

    // The same run, cancelled at its first step past the search: inside the sweep or repair.
    std::atomic<bool> cancel{false};
    std::vector<int> progress;
    scheduler::RunRequest req;
    req.seed = 3;
    req.cancel = &cancel;
    req.progress = [&](const scheduler::Progress& p) { progress.push_back(p.percent); };
    req.stepHook = [&](long long step) {
        if (step > searchOnly.steps)
            cancel = true;
    };
    auto saved = scheduler::scheduleAndSave(*d.st, d.school, req);
    EXPECT_TRUE(saved.result.cancelled);
    EXPECT_EQ(d.st->scalar("SELECT count(*) FROM kechenbd"), 0);
    EXPECT_FALSE(progress.empty());
    EXPECT_GE(progress.back(), searchOnly.placed * 100 / searchOnly.total);
}
