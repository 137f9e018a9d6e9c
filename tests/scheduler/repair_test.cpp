#include <gtest/gtest.h>

#include "engine_probe.h"
#include "scheduler/engine.h"
#include "scheduler/save.h"
#include "scheduler/proof.h"
#include "support/school_builder.h"
#include "timetable/checker.h"

using namespace tavrin;
using tavrin::testing::SchoolBuilder;

namespace {

// Two days of four morning periods: slot = (day - 1) * 4 + period, N = 8.
constexpr int slot(int day, int jie) { return (day - 1) * 4 + jie; }

struct Fixture {
    SchoolBuilder b{{1, 2}, 4, 0, 0};
    model::School school;
    std::unique_ptr<scheduler::Engine> e;
    std::vector<std::uint8_t> keep;

    void start(std::vector<std::uint8_t> kept = {}, std::vector<scheduler::KeptLesson> keptLessons = {})
    {
        school = b.load();
        e = std::make_unique<scheduler::Engine>(school, scheduler::PaiOptions{});
        keep = kept.empty() ? std::vector<std::uint8_t>(school.MaxBanID + 1, 0) : kept;
        e->setKept(keep, keptLessons);
    }
    int at(int ban, int s) const { return e->grids().Renke_B(ban, s); }
    int left(int r) const { return school.RenkeJieshu[r] - e->grids().RenkePlaced[r]; }
    int pairs(int r) const
    {
        int n = 0;
        for (int s = 1; s < school.N(); ++s)
            if (at(school.RenkeBan[r], s) == r && at(school.RenkeBan[r], s + 1) == r &&
                school.slots.sameSection(s, s + 1))
                ++n;
        return n;
    }
};

}  // namespace

// 物理 and 化学 both want a double; 物理's double stands on periods 2-3 and 化学's first
// lesson landed alone on period 4, the last of the morning, next to half of 物理's double.
TEST(Repair, DeadEndOfTwoDoublesIsResolved)
{
    Fixture f;
    int g = f.b.ji("高一");
    int c = f.b.ban("高一(1)班", g);
    int yw = f.b.ke("语文"), wl = f.b.ke("物理", 0, 1), hx = f.b.ke("化学", 0, 1);
    f.b.renke(f.b.tea("语文师"), c, yw, 4);
    f.b.renke(f.b.tea("物理师"), c, wl, 2);
    f.b.renke(f.b.tea("化学师"), c, hx, 2);
    f.start();
    const int rYw = 0, rWl = 1, rHx = 2;
    scheduler::EngineProbe::place(*f.e, rYw, slot(1, 1), 80);
    scheduler::EngineProbe::place(*f.e, rWl, slot(1, 2), 80);
    scheduler::EngineProbe::place(*f.e, rWl, slot(1, 3), 80);
    scheduler::EngineProbe::place(*f.e, rHx, slot(1, 4), 80);
    for (int j = 1; j <= 3; ++j)
        scheduler::EngineProbe::place(*f.e, rYw, slot(2, j), 80);
    scheduler::EngineProbe::setMinScore(*f.e, 1);
    // The search itself finds no slot: the only free one cannot pair with the waiting lesson.
    EXPECT_EQ(f.e->chainFrom(rHx), -1);
    EXPECT_EQ(f.left(rHx), 1);
    EXPECT_EQ(f.e->refusals(rHx).at("连堂要求"), 1);

    scheduler::EngineProbe::repair(*f.e);
    EXPECT_EQ(f.left(rHx), 0);
    EXPECT_EQ(f.left(rWl), 0);
    EXPECT_EQ(f.left(rYw), 0);
    EXPECT_EQ(f.pairs(rHx), 1);
    EXPECT_EQ(f.pairs(rWl), 1);
    EXPECT_TRUE(scheduler::EngineProbe::countsConsistent(*f.e));
}

// One class full but for slot (2,4), where the teacher of 数学 never teaches.
TEST(Repair, OneEvictionMakesRoom)
{
    Fixture f;
    int g = f.b.ji("初一");
    int c = f.b.ban("初一(1)班", g);
    int yw = f.b.ke("语文"), sx = f.b.ke("数学");
    f.b.renke(f.b.tea("语文师"), c, yw, 4);
    int tsx = f.b.tea("数学师");
    f.b.renke(tsx, c, sx, 4);
    f.b.markTea(tsx, 2, 4, 3);
    f.start();
    for (int s : {1, 3, 6, 8 - 1})
        scheduler::EngineProbe::place(*f.e, 0, s, 60);
    for (int s : {2, 4, 5})
        scheduler::EngineProbe::place(*f.e, 1, s, 60);
    ASSERT_EQ(f.at(1, slot(2, 4)), -1);
    scheduler::EngineProbe::repair(*f.e);
    EXPECT_EQ(f.left(1), 0);
    EXPECT_EQ(f.left(0), 0);
    EXPECT_EQ(f.school.RenkeKe[f.at(1, slot(2, 4))], yw) << "语文 moved to the free slot";
    EXPECT_EQ(f.e->repairedLessons(), 1);
    EXPECT_TRUE(scheduler::EngineProbe::countsConsistent(*f.e));
}

// Neither 数学 nor 语文 may use the free slot; only 英语 can, so the repair needs a chain of two.
TEST(Repair, ChainOfTwoEvictions)
{
    Fixture f;
    int g = f.b.ji("初一");
    int c = f.b.ban("初一(1)班", g);
    int yw = f.b.ke("语文"), sx = f.b.ke("数学"), yy = f.b.ke("英语");
    int tyw = f.b.tea("语文师"), tsx = f.b.tea("数学师");
    f.b.renke(tyw, c, yw, 3);
    f.b.renke(tsx, c, sx, 3);
    f.b.renke(f.b.tea("英语师"), c, yy, 2);
    f.b.markTea(tyw, 2, 4, 3);
    f.b.markTea(tsx, 2, 4, 3);
    f.start();
    scheduler::EngineProbe::place(*f.e, 0, slot(1, 1), 60);
    scheduler::EngineProbe::place(*f.e, 0, slot(1, 3), 60);
    scheduler::EngineProbe::place(*f.e, 0, slot(2, 2), 60);
    scheduler::EngineProbe::place(*f.e, 1, slot(1, 2), 60);
    scheduler::EngineProbe::place(*f.e, 1, slot(2, 1), 60);
    scheduler::EngineProbe::place(*f.e, 2, slot(1, 4), 60);
    scheduler::EngineProbe::place(*f.e, 2, slot(2, 3), 60);
    scheduler::EngineProbe::repair(*f.e);
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(f.left(r), 0) << r;
    EXPECT_EQ(f.school.RenkeKe[f.at(1, slot(2, 4))], yy);
    EXPECT_TRUE(scheduler::EngineProbe::countsConsistent(*f.e));
}

// Whatever the repair tries, a lesson whose teacher never teaches stays out, the grids end
// exactly as they were, and the reason names the rule.
TEST(Repair, UnplaceableLessonLeavesTheGridsExactlyAsTheyWere)
{
    Fixture f;
    int g = f.b.ji("初一");
    int c1 = f.b.ban("初一(1)班", g), c2 = f.b.ban("初一(2)班", g);
    int yw = f.b.ke("语文"), sx = f.b.ke("数学"), ms = f.b.ke("美术");
    f.b.renke(f.b.tea("语文师"), c1, yw, 4);
    f.b.renke(f.b.tea("语文师2"), c2, yw, 4);
    int tsx = f.b.tea("数学师");
    f.b.renke(tsx, c1, sx, 2);
    f.b.renke(tsx, c2, sx, 2);
    int tms = f.b.tea("美术师");
    f.b.renke(tms, c1, ms, 2);
    for (int d = 1; d <= 2; ++d)
        for (int j = 1; j <= 4; ++j)
            if (!(d == 1 && j <= 2))
                f.b.markTea(tms, d, j, 3);
    f.start();
    // 美术 could only go to (1,1) and (1,2); 一定排-scored lessons hold them.
    const int rYw1 = 0, rYw2 = 1, rSx1 = 2, rSx2 = 3, rMs = 4;
    ASSERT_EQ(f.school.RenkeKe[rMs], ms);
    // Everything else stands; 数学 holds (1,1) and (1,2) of class 1 on "一定排" scores.
    scheduler::EngineProbe::place(*f.e, rSx1, slot(1, 1), 1050);
    scheduler::EngineProbe::place(*f.e, rSx1, slot(1, 2), 1050);
    for (int s : {3, 5, 7, 8})
        scheduler::EngineProbe::place(*f.e, rYw1, s, 70);
    for (int s : {1, 2, 4, 6})
        scheduler::EngineProbe::place(*f.e, rYw2, s, 70);
    for (int s : {3, 5})
        scheduler::EngineProbe::place(*f.e, rSx2, s, 70);
    const model::Grids before = f.e->grids();
    scheduler::EngineProbe::repair(*f.e);
    EXPECT_EQ(f.left(rMs), 2);
    EXPECT_TRUE(f.e->grids() == before);
    EXPECT_TRUE(scheduler::EngineProbe::countsConsistent(*f.e));
    auto why = f.e->refusals(rMs);
    EXPECT_EQ(why.at("教师不排"), 2);
}

TEST(Repair, KeptClassIsNeverTouched)
{
    Fixture f;
    int g = f.b.ji("初一");
    int c1 = f.b.ban("初一(1)班", g), c2 = f.b.ban("初一(2)班", g);
    int yw = f.b.ke("语文"), sx = f.b.ke("数学");
    int t = f.b.tea("两班语文师");
    f.b.renke(t, c1, yw, 8);
    f.b.renke(t, c2, yw, 1);
    f.b.renke(f.b.tea("数学师"), c2, sx, 1);
    f.start({0, 0, 1}, {{c2, slot(2, 4), 1, 60}});  // class 2 kept, its 语文 at (2,4)
    for (int s = 1; s <= 7; ++s)
        scheduler::EngineProbe::place(*f.e, 0, s, 60);
    scheduler::EngineProbe::repair(*f.e);
    EXPECT_EQ(f.left(0), 1) << "the teacher is busy in the kept class at the only free slot";
    EXPECT_EQ(f.at(c2, slot(2, 4)), 1);
    EXPECT_TRUE(scheduler::EngineProbe::countsConsistent(*f.e));
}

TEST(Repair, CombinedGroupMovesWhole)
{
    Fixture f;
    int g = f.b.ji("初一");
    int c1 = f.b.ban("初一(1)班", g), c2 = f.b.ban("初一(2)班", g);
    int ty = f.b.ke("体育"), yw = f.b.ke("语文");
    int pe = f.b.tea("体育师");
    f.b.renke(pe, c1, ty, 1, 1);
    f.b.renke(pe, c2, ty, 1, 1);
    int tyw = f.b.tea("语文师");
    f.b.renke(tyw, c1, yw, 7);
    f.b.renke(f.b.tea("语文师2"), c2, yw, 7);
    f.b.markTea(tyw, 2, 4, 3);
    f.start();
    // 体育 for both classes at (1,1); class 1's last 语文 lesson can only go where 体育 stands.
    scheduler::EngineProbe::place(*f.e, 0, slot(1, 1), 60);
    ASSERT_EQ(f.at(c2, slot(1, 1)), 1);
    for (int s = 2; s <= 7; ++s) {
        scheduler::EngineProbe::place(*f.e, 2, s, 60);
        scheduler::EngineProbe::place(*f.e, 3, s, 60);
    }
    scheduler::EngineProbe::repair(*f.e);
    EXPECT_EQ(f.left(2), 0);
    EXPECT_EQ(f.left(0), 0);
    EXPECT_EQ(f.left(1), 0);
    // 体育 moved to (2,4) in both classes at once, and the teacher's row follows it.
    EXPECT_EQ(f.at(c1, slot(2, 4)), 0);
    EXPECT_EQ(f.at(c2, slot(2, 4)), 1);
    EXPECT_GE(f.e->grids().Renke_T(pe, slot(2, 4)), 0);
    EXPECT_EQ(f.e->grids().Renke_T(pe, slot(1, 1)), -1);
    EXPECT_TRUE(scheduler::EngineProbe::countsConsistent(*f.e));
}

// A teacher whose only free slots in the class are all "不排": the report names the rule.
TEST(Repair, ReasonForATeacherWhoseFreeSlotsAreAllNever)
{
    SchoolBuilder b({1, 2}, 4, 0, 0);
    int g = b.ji("初一");
    int c = b.ban("初一(1)班", g);
    int yw = b.ke("语文"), ms = b.ke("美术");
    b.renke(b.tea("语文师"), c, yw, 5);
    int tms = b.tea("美术师");
    b.renke(tms, c, ms, 3);
    for (int d = 1; d <= 2; ++d)
        for (int j = 1; j <= 4; ++j)
            b.markTea(tms, d, j, 3);
    auto school = b.load();
    scheduler::RunRequest req;
    req.seed = 1;
    auto saved = scheduler::scheduleAndSave(b.store(), school, req);
    ASSERT_EQ(saved.result.unplaced.size(), 1u);
    const auto& u = saved.result.unplaced[0];
    EXPECT_EQ(u.count, 3);
    ASSERT_EQ(u.refusedBy.size(), 1u);
    EXPECT_EQ(u.refusedBy.at("教师不排"), 3);
    ASSERT_EQ(saved.lines.size(), 3u);
    EXPECT_EQ(saved.lines[0], "进行排课总节数：8节；已排总节数：5节。");
    EXPECT_EQ(saved.lines[1], "初一(1)班美术(美术师)有3节未排。");
    EXPECT_EQ(saved.lines[2], "初一(1)班美术(美术师)未排原因：教师不排 3 节。");
}

// 化学 waits beside a lesson that may not move, at the end of the morning; the only free
// slot is elsewhere. The repair takes the waiting lesson back and lays the double anew.
TEST(Repair, WaitingSingleBesideAnImmovableLessonIsLaidAnew)
{
    Fixture f;
    int g = f.b.ji("高一");
    int c = f.b.ban("高一(1)班", g);
    int yw = f.b.ke("语文"), sx = f.b.ke("数学"), hx = f.b.ke("化学", 0, 1);
    f.b.renke(f.b.tea("语文师"), c, yw, 4);
    f.b.renke(f.b.tea("数学师"), c, sx, 2);
    f.b.renke(f.b.tea("化学师"), c, hx, 2);
    f.start();
    const int rYw = 0, rSx = 1, rHx = 2;
    for (int s : {slot(1, 1), slot(1, 2), slot(2, 2), slot(2, 3)})
        scheduler::EngineProbe::place(*f.e, rYw, s, 70);
    scheduler::EngineProbe::place(*f.e, rSx, slot(1, 3), 1020);
    scheduler::EngineProbe::place(*f.e, rSx, slot(2, 4), 70);
    scheduler::EngineProbe::place(*f.e, rHx, slot(1, 4), 70);
    EXPECT_EQ(f.e->refusals(rHx).at("连堂要求"), 1);
    scheduler::EngineProbe::repair(*f.e);
    EXPECT_EQ(f.left(rHx), 0);
    EXPECT_EQ(f.pairs(rHx), 1);
    EXPECT_EQ(f.at(c, slot(1, 3)), rSx) << "the lesson on its certain period stays";
    for (int r : {rYw, rSx})
        EXPECT_EQ(f.left(r), 0);
    EXPECT_TRUE(scheduler::EngineProbe::countsConsistent(*f.e));
}

// 物理 wants its double, but the two free slots of the class (Monday 2, Tuesday 3) are not
// neighbours, and no lesson beside them may simply move to the other: 语文 never teaches on
// either, 数学 never on Monday 2. The double needs two lessons moved: 语文 into 数学's slot
// and 数学 into Tuesday 3.
TEST(Repair, DoubleNeedsTwoOtherLessonsMoved)
{
    Fixture f;
    int g = f.b.ji("高一");
    int c = f.b.ban("高一(1)班", g);
    int yw = f.b.ke("语文"), sx = f.b.ke("数学"), wl = f.b.ke("物理", 0, 1);
    int ty = f.b.tea("语文师"), ts = f.b.tea("数学师");
    f.b.renke(ty, c, yw, 3);
    f.b.renke(ts, c, sx, 3);
    f.b.renke(f.b.tea("物理师"), c, wl, 2);
    f.b.markTea(ty, 1, 2, 3);
    f.b.markTea(ty, 2, 3, 3);
    f.b.markTea(ts, 1, 2, 3);
    f.start();
    const int rYw = 0, rSx = 1, rWl = 2;
    for (int s : {slot(1, 1), slot(1, 3), slot(2, 4)})
        scheduler::EngineProbe::place(*f.e, rYw, s, 70);
    for (int s : {slot(1, 4), slot(2, 1), slot(2, 2)})
        scheduler::EngineProbe::place(*f.e, rSx, s, 70);
    scheduler::EngineProbe::setMinScore(*f.e, 1);
    EXPECT_EQ(f.e->chainFrom(rWl), -1) << "the chain search alone cannot form it";
    scheduler::EngineProbe::repair(*f.e);
    for (int r : {rYw, rSx, rWl})
        EXPECT_EQ(f.left(r), 0) << r;
    EXPECT_EQ(f.pairs(rWl), 1);
    EXPECT_EQ(f.e->repairedLessons(), 2);
    EXPECT_TRUE(timetable::checkTimetable(f.school, f.e->grids()).empty());
    EXPECT_TRUE(scheduler::EngineProbe::countsConsistent(*f.e));
}

// 张 teaches all eight periods of the week, four in each class. His last lesson in class 1
// has nowhere to go: class 1 is free only on Monday 4, where he teaches class 2, and 数学
// of class 1 may not take Monday 4. The repair swaps his class 2 lesson with 数学 of class 2.
TEST(Repair, TeacherWithAFullWeek)
{
    Fixture f;
    int g = f.b.ji("初一");
    int c1 = f.b.ban("初一(1)班", g), c2 = f.b.ban("初一(2)班", g);
    int yw = f.b.ke("语文"), sx = f.b.ke("数学");
    int zhang = f.b.tea("张");
    f.b.renke(zhang, c1, yw, 4);
    f.b.renke(zhang, c2, yw, 4);
    int s1 = f.b.tea("数学1"), s2 = f.b.tea("数学2");
    f.b.renke(s1, c1, sx, 4);
    f.b.renke(s2, c2, sx, 4);
    f.b.markTea(s1, 1, 4, 3);
    f.start();
    const int rZ1 = 0, rZ2 = 1, rS1 = 2, rS2 = 3;
    for (int s : {1, 2, 3})
        scheduler::EngineProbe::place(*f.e, rZ1, s, 70);
    for (int s : {4, 5, 6, 7})
        scheduler::EngineProbe::place(*f.e, rZ2, s, 70);
    for (int s : {5, 6, 7, 8})
        scheduler::EngineProbe::place(*f.e, rS1, s, 70);
    for (int s : {1, 2, 3, 8})
        scheduler::EngineProbe::place(*f.e, rS2, s, 70);
    ASSERT_EQ(f.left(rZ1), 1);
    scheduler::EngineProbe::repair(*f.e);
    for (int r : {rZ1, rZ2, rS1, rS2})
        EXPECT_EQ(f.left(r), 0) << r;
    for (int s = 1; s <= 8; ++s)
        EXPECT_GE(f.e->grids().Renke_T(zhang, s), 0) << "张 teaches every slot, slot " << s;
    EXPECT_TRUE(timetable::checkTimetable(f.school, f.e->grids()).empty());
    EXPECT_TRUE(scheduler::EngineProbe::countsConsistent(*f.e));
}

// One teacher gives two combined lessons: 体育 to classes 1 and 2 on Tuesday 3 and 4, 音乐
// to classes 3 and 4 on Monday 1. The second 音乐 lesson needs a slot where both its classes
// are free and the teacher too; class 3 is free only on Tuesday 4, class 4 only on Tuesday 3,
// both taken by 体育. The repair moves lessons of the four classes until both combined
// lessons stand whole.
TEST(Repair, TwoCombinedGroupsShareATeacher)
{
    Fixture f;
    int g = f.b.ji("初一");
    std::vector<int> cs;
    for (int i = 1; i <= 4; ++i)
        cs.push_back(f.b.ban("初一(" + std::to_string(i) + ")班", g));
    int ty = f.b.ke("体育"), yy = f.b.ke("音乐"), yw = f.b.ke("语文");
    int t = f.b.tea("文体师");
    f.b.renke(t, cs[0], ty, 2, 1);
    f.b.renke(t, cs[1], ty, 2, 1);
    f.b.renke(t, cs[2], yy, 2, 2);
    f.b.renke(t, cs[3], yy, 2, 2);
    for (int c : cs)
        f.b.renke(f.b.tea("语文" + std::to_string(c)), c, yw, 6);
    f.start();
    const int rTy = 0, rYy1 = 2, rYy2 = 3;
    scheduler::EngineProbe::place(*f.e, rTy, slot(2, 3), 70);
    scheduler::EngineProbe::place(*f.e, rTy, slot(2, 4), 70);
    scheduler::EngineProbe::place(*f.e, rYy1, slot(1, 1), 70);
    // 语文 fills classes 1 and 2 and all but one slot of classes 3 and 4.
    for (int k = 0; k < 4; ++k) {
        const int r = 4 + k, c = cs[k];
        for (int s = 1; s <= 8; ++s)
            if (f.at(c, s) < 0 && f.left(r) > 0 && !(k == 2 && s == slot(2, 4)) && !(k == 3 && s == slot(2, 3)))
                scheduler::EngineProbe::place(*f.e, r, s, 70);
    }
    ASSERT_EQ(f.left(rYy1), 1);
    ASSERT_EQ(f.left(rYy2), 1);
    scheduler::EngineProbe::repair(*f.e);
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(f.left(r), 0) << r;
    EXPECT_TRUE(timetable::checkTimetable(f.school, f.e->grids()).empty());
    EXPECT_TRUE(scheduler::EngineProbe::countsConsistent(*f.e));
}

// A school that cannot be filled though no cheap proof sees it: three combined lessons, each
// pair of them sharing a class, in a week of two periods. A step budget ends the run with the
// best timetable found (two of the three lessons), and the run says so.
TEST(Repair, StepBudgetEndsARunThatCannotFinish)
{
    SchoolBuilder b({1}, 2, 0, 0);
    int g = b.ji("初一");
    int c1 = b.ban("初一(1)班", g), c2 = b.ban("初一(2)班", g), c3 = b.ban("初一(3)班", g);
    int ms = b.ke("美术"), yy = b.ke("音乐"), ty = b.ke("体育");
    int ta = b.tea("美术师"), tb = b.tea("音乐师"), tc = b.tea("体育师");
    b.renke(ta, c1, ms, 1, 1);
    b.renke(ta, c2, ms, 1, 1);
    b.renke(tb, c2, yy, 1, 2);
    b.renke(tb, c3, yy, 1, 2);
    b.renke(tc, c1, ty, 1, 3);
    b.renke(tc, c3, ty, 1, 3);
    auto school = b.load();
    ASSERT_TRUE(scheduler::findObstacles(school, std::vector<std::uint8_t>(4, 0), {}).empty());
    for (long long budget : {50LL, 400LL, 3000LL}) {
        scheduler::RunRequest req;
        req.seed = 1;
        req.stepBudget = budget;
        auto res = scheduler::runSchedule(b.store(), school, req);
        EXPECT_TRUE(res.budgetSpent) << budget;
        EXPECT_FALSE(res.timedOut);
        EXPECT_EQ(res.steps, budget);
        EXPECT_EQ(res.placed, 4) << "two of the three combined lessons, " << budget;
        EXPECT_TRUE(timetable::checkTimetable(school, res.grids).empty());
    }
}
