// Faults of the engine found by checking saved timetables, each on the smallest school that
// shows it: a combined lesson against a room limit, a combined group with a kept class,
// exclusion pairs that replace each other, and the passes' failure bound.
#include <gtest/gtest.h>

#include "engine_probe.h"
#include "scheduler/engine.h"
#include "scheduler/save.h"
#include "support/school_builder.h"
#include "timetable/checker.h"
#include "model/kechen.h"

using namespace tavrin;
using scheduler::EngineProbe;
using tavrin::testing::SchoolBuilder;

namespace {

// Two days of four morning periods: slot = (day - 1) * 4 + period, N = 8.
constexpr int slot(int day, int jie) { return (day - 1) * 4 + jie; }

std::string describe(const std::vector<timetable::Violation>& v)
{
    std::string out;
    for (const auto& x : v)
        out += "[" + x.kind + "] " + x.text + "\n";
    return out;
}

scheduler::RunRequest request(std::uint32_t seed, int strength = 3)
{
    scheduler::RunRequest r;
    r.seed = seed;
    r.opts.strength = strength;
    return r;
}

std::vector<timetable::Violation> savedFaults(store::Store& st, const model::School& s)
{
    return timetable::checkTimetable(s, model::LoadKeChenData(st, s));
}

}  // namespace

// 体育 may have two classes at once. Class 3 has 体育 on Monday period 1; the combined 体育
// of classes 1 and 2 would make three there, so the slot refuses it as a whole, though each
// member alone would fit.
TEST(Faults, CombinedLessonCountsWholeAgainstTheRoomLimit)
{
    SchoolBuilder b({1, 2}, 4, 0, 0);
    int g = b.ji("初一");
    int c1 = b.ban("初一(1)班", g), c2 = b.ban("初一(2)班", g), c3 = b.ban("初一(3)班", g);
    int ty = b.ke("体育", 2), yw = b.ke("语文");
    int pe = b.tea("体育师");
    b.renke(pe, c1, ty, 2, 1);
    b.renke(pe, c2, ty, 2, 1);
    b.renke(b.tea("体育师2"), c3, ty, 2);
    for (int c : {c1, c2, c3})
        b.renke(b.tea("语文" + std::to_string(c)), c, yw, 6);
    auto school = b.load();
    const int r1 = 0, r3 = 2;
    scheduler::Engine e(school, scheduler::PaiOptions{});
    e.setKept(std::vector<std::uint8_t>(school.MaxBanID + 1, 0), {});
    EngineProbe::place(e, r3, slot(1, 1), 60);
    scheduler::Refusal why{};
    EXPECT_EQ(e.PaiRank(r1, slot(1, 1), false, &why), 0);
    EXPECT_EQ(why, scheduler::Refusal::RoomLimit);
    EXPECT_GT(e.PaiRank(r1, slot(1, 2)), 0);

    // Whole runs at every strength: the checker finds nothing.
    for (int strength : {1, 2, 3})
        for (std::uint32_t seed = 1; seed <= 4; ++seed) {
            auto saved = scheduler::scheduleAndSave(b.store(), school, request(seed, strength));
            EXPECT_EQ(saved.result.placed, saved.result.total);
            auto v = savedFaults(b.store(), school);
            EXPECT_TRUE(v.empty()) << "strength " << strength << " seed " << seed << "\n" << describe(v);
        }
}

// Classes 1 and 2 share a combined 体育. With class 2 kept, class 1's 体育 goes exactly where
// class 2 has it, whatever else the run moves.
TEST(Faults, ScheduledMemberOfACombinedGroupFollowsItsKeptClass)
{
    SchoolBuilder b({1, 2}, 4, 0, 0);
    int g = b.ji("初一");
    int c1 = b.ban("初一(1)班", g), c2 = b.ban("初一(2)班", g);
    int ty = b.ke("体育"), yw = b.ke("语文"), sx = b.ke("数学");
    int pe = b.tea("体育师");
    b.renke(pe, c1, ty, 3, 1);
    b.renke(pe, c2, ty, 3, 1);
    for (int c : {c1, c2}) {
        b.renke(b.tea("语文" + std::to_string(c)), c, yw, 3);
        b.renke(b.tea("数学" + std::to_string(c)), c, sx, 2);
    }
    auto school = b.load();
    ASSERT_FALSE(scheduler::scheduleAndSave(b.store(), school, request(1)).result.cancelled);
    for (std::uint32_t seed = 2; seed <= 6; ++seed) {
        auto req = request(seed);
        req.classes = {c1};
        auto saved = scheduler::scheduleAndSave(b.store(), school, req);
        EXPECT_EQ(saved.result.placed, saved.result.total) << seed;
        for (int x = 1; x <= school.N(); ++x) {
            const bool here1 = saved.result.grids.Renke_B(c1, x) == 0;
            const bool here2 = saved.result.grids.Renke_B(c2, x) == 1;
            EXPECT_EQ(here1, here2) << "seed " << seed << " slot " << x;
        }
        auto v = savedFaults(b.store(), school);
        EXPECT_TRUE(v.empty()) << "seed " << seed << "\n" << describe(v);
    }
}

// Pairs 1-3 and then 2-3: teacher 3's partner is 2 now, and the pair 1-3 no longer counts, for
// the engine as for the checker.
TEST(Faults, ALaterExclusionPairOfATeacherReplacesTheEarlier)
{
    SchoolBuilder b({1, 2}, 4, 0, 0);
    int g = b.ji("初一");
    int c1 = b.ban("初一(1)班", g), c2 = b.ban("初一(2)班", g), c3 = b.ban("初一(3)班", g);
    int yw = b.ke("语文");
    int t1 = b.tea("甲"), t2 = b.tea("乙"), t3 = b.tea("丙");
    b.renke(t1, c1, yw, 8);
    b.renke(t2, c2, yw, 4);
    b.renke(t3, c3, yw, 4);
    b.exclusion(1, t1, t3);
    b.exclusion(2, t2, t3);
    auto school = b.load();
    EXPECT_EQ(timetable::exclusionPartner(school, t1), 0);
    EXPECT_EQ(timetable::exclusionPartner(school, t2), t3);
    EXPECT_EQ(timetable::exclusionPartner(school, t3), t2);
    scheduler::Engine e(school, scheduler::PaiOptions{});
    e.setKept(std::vector<std::uint8_t>(school.MaxBanID + 1, 0), {});
    EngineProbe::place(e, 2, slot(1, 1), 60);  // 丙 on Monday period 1
    EXPECT_GT(e.PaiRank(0, slot(1, 1)), 0) << "甲 may teach beside 丙";
    scheduler::Refusal why{};
    EXPECT_EQ(e.PaiRank(1, slot(1, 1), false, &why), 0);
    EXPECT_EQ(why, scheduler::Refusal::Exclusion);
    // 甲 teaches every slot; 乙 and 丙 share the week between them.
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        auto saved = scheduler::scheduleAndSave(b.store(), school, request(seed));
        EXPECT_EQ(saved.result.placed, saved.result.total) << seed;
        auto v = savedFaults(b.store(), school);
        EXPECT_TRUE(v.empty()) << "seed " << seed << "\n" << describe(v);
    }
}

// The passes give an assignment up after one failure: on a school where that leaves lessons
// out at every strength, the repair still places every lesson and forms every double, as
// with the strength's own bound.
TEST(Faults, GivingAnAssignmentUpEarlyLosesNothingBehindTheRepair)
{
    SchoolBuilder b({1, 2, 3}, 4, 0, 0);
    int g = b.ji("高一");
    int c1 = b.ban("高一(1)班", g), c2 = b.ban("高一(2)班", g);
    int yw = b.ke("语文"), wl = b.ke("物理", 0, 1), hx = b.ke("化学", 0, 1), sx = b.ke("数学", 0, 1);
    int tw = b.tea("物理师"), th = b.tea("化学师"), ts = b.tea("数学师");
    for (int c : {c1, c2}) {
        b.renke(b.tea("语文" + std::to_string(c)), c, yw, 6);
        b.renke(tw, c, wl, 2);
        b.renke(th, c, hx, 2);
        b.renke(ts, c, sx, 2);
    }
    b.markTea(th, 3, 2, 3);
    b.markTea(tw, 2, 1, 3);
    b.markTea(tw, 3, 2, 3);
    auto school = b.load();
    for (int strength : {1, 2, 3})
        for (std::uint32_t seed = 1; seed <= 3; ++seed) {
            auto alone = request(seed, strength);
            alone.repair = false;
            alone.failBudget = scheduler::kRepairFailBudget;
            EXPECT_LT(scheduler::runSchedule(b.store(), school, alone).placed, 24) << strength << " " << seed;
            for (int bound : {-1, 0}) {
                auto req = request(seed, strength);
                req.failBudget = bound;
                auto res = scheduler::runSchedule(b.store(), school, req);
                EXPECT_EQ(res.placed, res.total) << "strength " << strength << " seed " << seed << " bound " << bound;
                EXPECT_EQ(timetable::doublesFormed(school, res.grids), 6);
                EXPECT_TRUE(timetable::checkTimetable(school, res.grids).empty());
            }
        }
}

// The repair's choices follow from the run's start: the same seed gives the same timetable
// and the same moves, and replaying the drawn start does too.
TEST(Faults, TheRepairIsDeterministic)
{
    SchoolBuilder b({1, 2, 3}, 4, 0, 0);
    int g = b.ji("高一");
    int c1 = b.ban("高一(1)班", g), c2 = b.ban("高一(2)班", g);
    int yw = b.ke("语文"), wl = b.ke("物理", 0, 1), hx = b.ke("化学", 0, 1), sx = b.ke("数学", 0, 1);
    int tw = b.tea("物理师"), th = b.tea("化学师"), ts = b.tea("数学师");
    for (int c : {c1, c2}) {
        b.renke(b.tea("语文" + std::to_string(c)), c, yw, 6);
        b.renke(tw, c, wl, 2);
        b.renke(th, c, hx, 2);
        b.renke(ts, c, sx, 2);
    }
    b.markTea(th, 3, 2, 3);
    b.markTea(tw, 2, 1, 3);
    b.markTea(tw, 3, 2, 3);
    auto school = b.load();
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        auto a = scheduler::runSchedule(b.store(), school, request(seed));
        ASSERT_GT(a.repairMoves, 0) << "the repair must have work to do";
        auto again = scheduler::runSchedule(b.store(), school, request(seed));
        EXPECT_TRUE(a.grids == again.grids) << seed;
        EXPECT_EQ(a.repairMoves, again.repairMoves);
        EXPECT_EQ(a.steps, again.steps);
        auto replay = request(seed);
        replay.seed.reset();
        replay.start = a.startR;
        EXPECT_TRUE(scheduler::runSchedule(b.store(), school, replay).grids == a.grids) << seed;
    }
}
