// The two measures and the polishing pass: small schools where one move, one swap or a chain
// of two swaps is the only way to a better week, and generated schools with combined
// lessons, doubles, conditions, locks and "一定排" marks where nothing fixed may move.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "demo/demo.h"
#include "model/kechen.h"
#include "model/loaders.h"
#include "scheduler/engine.h"
#include "scheduler/polish.h"
#include "support/demo_school.h"
#include "support/polish_schools.h"
#include "support/school_builder.h"
#include "support/testutil.h"
#include "timetable/checker.h"
#include "timetable/quality.h"

using namespace tavrin;
using tavrin::testing::SchoolBuilder;
using tavrin::testing::twoRepeats;

namespace {

struct Built {
    SchoolBuilder b;
    model::School school;
    model::Grids grids;
    explicit Built(std::vector<int> days, int mor, int aft = 0) : b(std::move(days), mor, aft, 0) {}
    void load()
    {
        school = b.load();
        grids = model::LoadKeChenData(b.store(), school);
    }
    scheduler::PolishResult polish(std::uint32_t seed = 1)
    {
        scheduler::PolishRequest req;
        req.seed = seed;
        return scheduler::polishTimetable(school, grids, std::vector<std::uint8_t>(school.MaxBanID + 1, 0), req);
    }
};

// Measures of hand-written days: (lessons of class 1 as period -> subject, wanted doubles of
// subject 1, expected repeats, expected gaps of teacher 1 who teaches subject 1).
struct MeasureCase {
    const char* name;
    std::vector<std::pair<int, int>> periods;  // (period, subject 1 or 2) on Monday
    int lianpai;
    int repeats, gaps;
};

}  // namespace

TEST(PolishMeasures, RepeatsAndGapsFollowTheirDefinitions)
{
    const MeasureCase cases[] = {
        {"two of a subject on a day", {{1, 1}, {3, 1}}, 0, 1, 1},
        {"a wanted double counts once", {{1, 1}, {2, 1}}, 1, 0, 0},
        {"a double and one more", {{1, 1}, {2, 1}, {4, 1}}, 1, 1, 1},
        {"neighbours without a wanted double", {{1, 1}, {2, 1}}, 0, 1, 0},
        {"a wanted double apart is two lessons", {{1, 1}, {3, 1}}, 1, 1, 1},
        {"the section break is no gap's end", {{2, 1}, {6, 1}}, 0, 1, 3},
        {"periods across the break are no double", {{4, 1}, {5, 1}}, 1, 1, 0},
        {"other subjects between", {{1, 1}, {2, 2}, {3, 2}, {4, 1}}, 0, 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Built w({1}, 4, 4);
        const int ji = w.b.ji("初一");
        const int ban = w.b.ban("1班", ji);
        const int ke1 = w.b.ke("语文", 0, c.lianpai), ke2 = w.b.ke("数学");
        const int t1 = w.b.tea("甲"), t2 = w.b.tea("乙");
        int n1 = 0, n2 = 0;
        for (auto [p, k] : c.periods)
            (k == 1 ? n1 : n2)++;
        w.b.renke(t1, ban, ke1, n1);
        if (n2)
            w.b.renke(t2, ban, ke2, n2);
        for (auto [p, k] : c.periods)
            w.b.lesson(ban, 1, p, k == 1 ? t1 : t2, k == 1 ? ke1 : ke2);
        w.load();
        ASSERT_TRUE(timetable::checkTimetable(w.school, w.grids).empty());
        const auto q = timetable::measureQuality(w.school, w.grids);
        EXPECT_EQ(q.sameDayRepeats, c.repeats);
        EXPECT_EQ(q.teacherGaps, c.gaps + 0);
        EXPECT_EQ(q.repeatsOfBan[ban], c.repeats);
        EXPECT_EQ(q.gapsOfTea[t1], c.gaps);
    }
}

namespace {

// One teacher in two classes of one day: class 1 at period 1, class 2 at period 3.
void oneGap(SchoolBuilder& b)
{
    const int ji = b.ji("初一");
    const int A = b.ban("1班", ji), B = b.ban("2班", ji);
    const int X = b.ke("语文");
    const int t1 = b.tea("甲");
    b.renke(t1, A, X, 1);
    b.renke(t1, B, X, 1);
    b.lesson(A, 1, 1, t1, X);
    b.lesson(B, 1, 3, t1, X);
}

// Two classes over two days of two periods: 甲's 语文, one lesson for both classes at once,
// twice on Monday; each class's 数学 (乙 and 丙) twice on Tuesday. Only the combined lesson
// moving to Tuesday with both its classes, both 数学 lessons trading places with it, helps.
void combinedRepeats(SchoolBuilder& b)
{
    const int ji = b.ji("初一");
    const int A = b.ban("1班", ji), B = b.ban("2班", ji);
    const int X = b.ke("语文"), Y = b.ke("数学");
    const int t1 = b.tea("甲"), t2 = b.tea("乙"), t3 = b.tea("丙");
    b.renke(t1, A, X, 2, 1);
    b.renke(t1, B, X, 2, 1);
    b.renke(t2, A, Y, 2);
    b.renke(t3, B, Y, 2);
    for (int jie : {1, 2}) {
        b.lesson(A, 1, jie, t1, X);
        b.lesson(B, 1, jie, t1, X);
        b.lesson(A, 2, jie, t2, Y);
        b.lesson(B, 2, jie, t3, Y);
    }
}

// One day of five periods: 甲's wanted double in class 1 at periods 1-2, and a lesson in a
// locked class 2 at period 5. Only the double moving whole to periods 3-4 closes the gap.
void doubleAndGap(SchoolBuilder& b)
{
    const int ji = b.ji("初一");
    const int A = b.ban("1班", ji), B = b.ban("2班", ji);
    const int X = b.ke("语文", 0, 1);
    const int t1 = b.tea("甲");
    b.renke(t1, A, X, 2);
    b.renke(t1, B, X, 1);
    b.lesson(A, 1, 1, t1, X);
    b.lesson(A, 1, 2, t1, X);
    b.lesson(B, 1, 5, t1, X);
    b.lock(B);
}

// One day of four periods, one class: 语文 (甲, a wanted double a week) at periods 1 and 3,
// 数学 (乙) at 2 and 4. Only 语文 standing as a double at 1-2 removes a repeat, and it closes
// both teachers' gaps too; 数学's second lesson repeats whatever moves.
void repeatADoubleCures(SchoolBuilder& b)
{
    const int ji = b.ji("初一");
    const int A = b.ban("1班", ji);
    const int X = b.ke("语文", 0, 1), Y = b.ke("数学");
    const int t1 = b.tea("甲"), t2 = b.tea("乙");
    b.renke(t1, A, X, 2);
    b.renke(t2, A, Y, 2);
    b.lesson(A, 1, 1, t1, X);
    b.lesson(A, 1, 2, t2, Y);
    b.lesson(A, 1, 3, t1, X);
    b.lesson(A, 1, 4, t2, Y);
}

struct PolishCase {
    const char* name;
    std::vector<int> days;
    int mor;
    std::function<void(SchoolBuilder&)> build;
    int repeatsBefore, gapsBefore;
    int repeatsAfter, gapsAfter;
};

}  // namespace

TEST(Polish, SmallSchoolsReachTheBetterWeek)
{
    const PolishCase cases[] = {
        {"a repeat one swap removes", {1, 2}, 2, [](SchoolBuilder& b) { twoRepeats(b, false); }, 2, 0, 0, 0},
        {"a teacher gap one move closes", {1}, 4, oneGap, 0, 1, 0, 0},
        {"a repeat only a chain of two swaps removes", {1, 2}, 2, [](SchoolBuilder& b) { twoRepeats(b, true); }, 2, 0,
         0, 0},
        {"a combined lesson moves with all its classes", {1, 2}, 2, combinedRepeats, 4, 0, 0, 0},
        {"a double moves whole", {1}, 5, doubleAndGap, 0, 2, 0, 0},
        {"a repeat a double cures", {1}, 4, repeatADoubleCures, 2, 2, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Built w(c.days, c.mor);
        c.build(w.b);
        w.load();
        const auto r = w.polish();
        EXPECT_FALSE(r.nothingToMove);
        EXPECT_EQ(r.before.repeats, c.repeatsBefore);
        EXPECT_EQ(r.before.gaps, c.gapsBefore);
        EXPECT_EQ(r.after.repeats, c.repeatsAfter);
        EXPECT_EQ(r.after.gaps, c.gapsAfter);
        // The figures describe the grids returned, which keep every rule and every lesson.
        EXPECT_EQ(r.after, scheduler::polishFigures(w.school, r.grids));
        EXPECT_TRUE(timetable::checkTimetable(w.school, r.grids).empty());
        EXPECT_EQ(r.grids.RenkePlaced, w.grids.RenkePlaced);
        EXPECT_GE(timetable::doublesFormed(w.school, r.grids), timetable::doublesFormed(w.school, w.grids));
        // A combined lesson stands in every class of its group at once.
        for (int s = 1; s <= w.school.N(); ++s)
            for (int b = 1; b <= w.school.MaxBanID; ++b)
                if (const int x = r.grids.Renke_B(b, s); x >= 0 && w.school.RenkeHeban[x] > 0)
                    for (int o = 0; o < w.school.renkeSize(); ++o)
                        if (w.school.RenkeHeban[o] == w.school.RenkeHeban[x] && w.school.RenkeJieshu[o] > 0) {
                            EXPECT_EQ(r.grids.Renke_B(w.school.RenkeBan[o], s), o) << "slot " << s;
                        }
    }
}

TEST(Polish, DoubleStandsWholeWhereItMoved)
{
    Built w({1}, 5);
    doubleAndGap(w.b);
    w.load();
    const auto r = w.polish();
    ASSERT_EQ(r.after.gaps, 0);
    // Class 1's two 语文 lessons moved together to periods 3 and 4; class 2 is locked.
    for (int s = 1; s <= 5; ++s) {
        EXPECT_EQ(r.grids.Renke_B(1, s) >= 0, s == 3 || s == 4) << "slot " << s;
        EXPECT_EQ(r.grids.Renke_B(2, s), w.grids.Renke_B(2, s)) << "slot " << s;
    }
}

TEST(Polish, ChainNeededWhenEverySingleSwapMeetsABusyTeacher)
{
    // The fixture's premise: no move or swap inside class 1 alone keeps the teachers apart.
    Built w({1, 2}, 2);
    twoRepeats(w.b, true);
    w.load();
    const auto r = w.polish();
    ASSERT_EQ(r.after.repeats, 0);
    // Class 2's lessons had to move as well (at least the two the teachers share with class 1).
    int moved = 0;
    for (int s = 1; s <= w.school.N(); ++s)
        moved += r.grids.Renke_B(2, s) != w.grids.Renke_B(2, s);
    EXPECT_GE(moved, 2);
}

TEST(Polish, NothingToDoWhenEveryClassIsLocked)
{
    Built w({1, 2}, 2);
    twoRepeats(w.b, false);
    w.b.lock(1);
    w.load();
    const auto r = w.polish();
    EXPECT_TRUE(r.nothingToMove);
    EXPECT_EQ(scheduler::polishLine(r), "没有可以优化的课");
    EXPECT_EQ(r.steps, 0);
    EXPECT_TRUE(r.grids == w.grids);
}

TEST(Polish, LockedTeacherKeepsEveryLessonOfTheirs)
{
    Built w({1, 2}, 2);
    twoRepeats(w.b, false);
    w.load();
    w.school.TeaLocked[1] = 1;  // 甲: both 语文 lessons stay on Monday
    const auto r = w.polish();
    for (int s = 1; s <= w.school.N(); ++s)
        if (w.grids.Renke_T(1, s) >= 0) {
            EXPECT_EQ(r.grids.Renke_B(1, s), w.grids.Renke_B(1, s)) << "slot " << s;
        }
    EXPECT_EQ(r.after.repeats, 2);
}

TEST(Polish, CancelAfterSomeStepsWritesNothing)
{
    Built w({1, 2}, 2);
    twoRepeats(w.b, true);
    w.load();
    // Cancelled at the first step and at the last one an uncancelled polish takes.
    const long long last = w.polish().steps;
    ASSERT_GE(last, 1);
    for (long long k : {1LL, last}) {
        std::atomic<bool> cancel{false};
        scheduler::PolishRequest req;
        req.cancel = &cancel;
        req.stepHook = [&](long long step) {
            if (step >= k)
                cancel = true;
        };
        const auto out = scheduler::polishStored(w.b.store(), w.school, {}, req);
        EXPECT_TRUE(out.result.cancelled) << "k " << k;
        EXPECT_FALSE(out.saved);
        EXPECT_TRUE(out.result.grids == w.grids);
        const auto after = model::LoadKeChenData(w.b.store(), w.school);
        EXPECT_TRUE(after.Renke_B == w.grids.Renke_B && after.Teshu_B == w.grids.Teshu_B) << "k " << k;
    }
    // Uncancelled, the same call saves the better week.
    const auto out = scheduler::polishStored(w.b.store(), w.school, {}, scheduler::PolishRequest{});
    EXPECT_TRUE(out.saved);
    const auto after = model::LoadKeChenData(w.b.store(), w.school);
    EXPECT_EQ(timetable::measureQuality(w.school, after).sameDayRepeats, 0);
}

TEST(Polish, ClassesNotChosenStandAsTheyAre)
{
    Built w({1, 2}, 2);
    twoRepeats(w.b, true);
    w.load();
    // Class 2 kept: the chain that needs it is closed, and class 2 is untouched.
    const auto out = scheduler::polishStored(w.b.store(), w.school, {1}, scheduler::PolishRequest{});
    const auto after = model::LoadKeChenData(w.b.store(), w.school);
    for (int s = 1; s <= w.school.N(); ++s)
        EXPECT_EQ(after.Renke_B(2, s), w.grids.Renke_B(2, s));
    EXPECT_EQ(out.result.after.repeats, 2);
}

namespace {

// Three days of two periods, one class: 语文 (甲) four times a week, on Monday and Tuesday
// twice each, and 数学 (乙) twice on Wednesday. Four lessons on three days leave one repeat
// whatever moves.
void fourOnThreeDays(SchoolBuilder& b)
{
    const int ji = b.ji("初一");
    const int A = b.ban("1班", ji);
    const int X = b.ke("语文"), Y = b.ke("数学");
    const int t1 = b.tea("甲"), t2 = b.tea("乙");
    b.renke(t1, A, X, 4);
    b.renke(t2, A, Y, 2);
    for (int jie : {1, 2}) {
        b.lesson(A, 1, jie, t1, X);
        b.lesson(A, 2, jie, t1, X);
        b.lesson(A, 3, jie, t2, Y);
    }
}

// Two days of three periods, one class: 语文 (甲, a wanted double a week) at Monday's three
// periods and Tuesday's first, 数学 (乙) at Tuesday's other two. Standing as two doubles, the
// four 语文 lessons need not repeat: one swap makes a week without a repeat.
void doublesOnTwoDays(SchoolBuilder& b)
{
    const int ji = b.ji("初一");
    const int A = b.ban("1班", ji);
    const int X = b.ke("语文", 0, 1), Y = b.ke("数学");
    const int t1 = b.tea("甲"), t2 = b.tea("乙");
    b.renke(t1, A, X, 4);
    b.renke(t2, A, Y, 2);
    for (int jie : {1, 2, 3})
        b.lesson(A, 1, jie, t1, X);
    b.lesson(A, 2, 1, t1, X);
    b.lesson(A, 2, 2, t2, Y);
    b.lesson(A, 2, 3, t2, Y);
}

// One day of three periods, two classes: 甲 teaches class 1 at period 1 and class 2 at
// period 3 and may never teach at period 2, so the gap between stays whatever moves; the
// other lessons can move, but nothing they do helps.
void gapNothingCloses(SchoolBuilder& b)
{
    const int ji = b.ji("初一");
    const int A = b.ban("1班", ji), B = b.ban("2班", ji);
    const int t1 = b.tea("甲"), t2 = b.tea("乙"), t3 = b.tea("丙"), t4 = b.tea("丁"), t5 = b.tea("戊");
    const int X = b.ke("语文"), Y = b.ke("数学"), Z = b.ke("英语"), U = b.ke("物理"), V = b.ke("化学");
    b.renke(t1, A, X, 1);
    b.renke(t2, A, Y, 1);
    b.renke(t3, A, Z, 1);
    b.renke(t4, B, U, 1);
    b.renke(t5, B, V, 1);
    b.renke(t1, B, X, 1);
    b.lesson(A, 1, 1, t1, X);
    b.lesson(A, 1, 2, t2, Y);
    b.lesson(A, 1, 3, t3, Z);
    b.lesson(B, 1, 1, t4, U);
    b.lesson(B, 1, 2, t5, V);
    b.lesson(B, 1, 3, t1, X);
    b.markTea(t1, 1, 2, 3);
}

struct BoundCase {
    const char* name;
    std::vector<int> days;
    int mor;
    std::function<void(SchoolBuilder&)> build;
    int repeatsBefore, repeatsAfter;
};

}  // namespace

TEST(Polish, EndsAtTheFewestRepeatsAndGapsTheLessonsAllow)
{
    const BoundCase cases[] = {
        {"four lessons on three days keep one repeat", {1, 2, 3}, 2, fourOnThreeDays, 3, 1},
        {"two wanted doubles on two days need none", {1, 2}, 3, doublesOnTwoDays, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Built w(c.days, c.mor);
        c.build(w.b);
        w.load();
        ASSERT_TRUE(timetable::checkTimetable(w.school, w.grids).empty());
        const auto r = w.polish();
        EXPECT_EQ(r.before.repeats, c.repeatsBefore);
        EXPECT_EQ(r.after.repeats, c.repeatsAfter);
        EXPECT_EQ(r.after.gaps, 0);
        EXPECT_TRUE(r.atBound);
        EXPECT_FALSE(r.budgetSpent);
        // Ended there, not after the moves without a gain that end a polish which cannot tell.
        EXPECT_LT(r.steps, scheduler::kPolishMinStall);
        EXPECT_TRUE(timetable::checkTimetable(w.school, r.grids).empty());
        EXPECT_EQ(r.after, scheduler::polishFigures(w.school, r.grids));
    }
}

TEST(Polish, EndsWhenMovesStopPayingTheSameWayEveryTime)
{
    Built w({1}, 3);
    gapNothingCloses(w.b);
    w.load();
    ASSERT_TRUE(timetable::checkTimetable(w.school, w.grids).empty());
    std::vector<scheduler::PolishResult> runs;
    // Budgets far beyond where it ends, twice each: the end depends on neither.
    for (long long budget : {1'000'000LL, 1'000'000LL, 3'000'000LL}) {
        scheduler::PolishRequest req;
        req.seed = 5;
        req.stepBudget = budget;
        runs.push_back(scheduler::polishTimetable(w.school, w.grids, std::vector<std::uint8_t>(w.school.MaxBanID + 1, 0),
                                                  req));
    }
    for (const auto& r : runs) {
        EXPECT_EQ(r.before.gaps, 1);
        EXPECT_EQ(r.after, r.before);
        EXPECT_FALSE(r.atBound);
        EXPECT_FALSE(r.budgetSpent);
        EXPECT_FALSE(r.improved);
        EXPECT_TRUE(r.grids == w.grids);
        EXPECT_GT(r.steps, 0);
        EXPECT_EQ(r.steps, runs.front().steps);
        EXPECT_EQ(r.moves, runs.front().moves);
    }
}

namespace {

// Generated schools with combined lessons.
struct Demo : tavrin::testing::DemoSchool {
    Demo(demo::DemoSize size, std::uint32_t seed) : DemoSchool(size, true, seed) {}
};

}  // namespace

TEST(Polish, DemoSchoolsKeepEveryRuleLockAndMark)
{
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Demo d(demo::DemoSize::Medium, seed);
        // "一定排" periods, a "尽量排" period, a period condition and a day condition.
        d.st->run("INSERT INTO teshuke VALUES(1, 1, 1, 1, 2)");
        d.st->run("INSERT INTO teshuke VALUES(2, 2, 3, 2, 2)");
        d.st->run("INSERT INTO teshutea VALUES(3, 2, 1, 1)");
        d.st->run("INSERT INTO PaiOptJie VALUES(1, 1, 2, NULL, 1, NULL)");
        d.st->run("INSERT INTO PaiOptDay VALUES(1, 1, 1, NULL, 2, NULL)");
        d.school = model::loadSchool(*d.st);
        scheduler::RunRequest req;
        req.seed = seed;
        const auto run = scheduler::runSchedule(*d.st, d.school, req);
        ASSERT_FALSE(run.polished);
        const auto& g0 = run.grids;
        ASSERT_TRUE(timetable::checkTimetable(d.school, g0).empty());
        bool anyCombined = false, anyDouble = false, anyCertain = false;
        for (int r = 0; r < d.school.renkeSize(); ++r) {
            anyCombined |= d.school.RenkeHeban[r] > 0 && d.school.RenkeJieshu[r] > 0;
            anyDouble |= timetable::lessonPairs(d.school, g0, r) > 0;
        }
        for (int b = 1; b <= d.school.MaxBanID; ++b)
            for (int s = 1; s <= d.school.N(); ++s)
                anyCertain |= g0.Teshu_B(b, s) >= scheduler::kImmovableScore;
        ASSERT_TRUE(anyCombined && anyDouble && anyCertain);
        // A locked class and a locked teacher.
        d.school.BanLocked[2] = 1;
        d.school.TeaLocked[1] = 1;

        scheduler::PolishRequest pr;
        pr.seed = seed;
        pr.opts = req.opts;
        pr.stepBudget = 20000;
        const auto p = scheduler::polishTimetable(d.school, g0, std::vector<std::uint8_t>(d.school.MaxBanID + 1, 0), pr);
        ASSERT_FALSE(p.cancelled);
        EXPECT_GT(p.moves, 0);
        const auto v = timetable::checkTimetable(d.school, p.grids);
        EXPECT_TRUE(v.empty()) << (v.empty() ? "" : v.front().kind + ": " + v.front().text);
        EXPECT_EQ(p.grids.RenkePlaced, g0.RenkePlaced);
        EXPECT_EQ(timetable::doublesFormed(d.school, p.grids), timetable::doublesFormed(d.school, g0));
        EXPECT_LE(p.after.repeats, p.before.repeats);
        EXPECT_LE(p.after.gaps, p.before.gaps);
        EXPECT_EQ(p.before, scheduler::polishFigures(d.school, g0));
        for (int b = 1; b <= d.school.MaxBanID; ++b)
            for (int s = 1; s <= d.school.N(); ++s) {
                const int r = g0.Renke_B(b, s);
                if (r < 0)
                    continue;
                const bool fixed = b == 2 || d.school.RenkeTea[r] == 1 || g0.Teshu_B(b, s) >= scheduler::kImmovableScore;
                if (fixed) {
                    EXPECT_EQ(p.grids.Renke_B(b, s), r) << "class " << b << " slot " << s;
                }
            }
        // Every combined lesson still has its classes together.
        for (int r = 0; r < d.school.renkeSize(); ++r)
            for (int s = 1; s <= d.school.N(); ++s)
                if (p.grids.Renke_B(d.school.RenkeBan[r], s) == r && d.school.RenkeHeban[r] > 0) {
                    EXPECT_GE(p.grids.Renke_T(d.school.RenkeTea[r], s), 0);
                }
    }
}

TEST(Polish, SameSeedAndBudgetGiveTheSameTimetable)
{
    // A budget, and none (the annealing's default share, then the descent to its end).
    for (auto [size, budget] : {std::pair{demo::DemoSize::Medium, 3000LL}, std::pair{demo::DemoSize::Small, 0LL}}) {
        Demo d(size, 4);
        scheduler::RunRequest req;
        req.seed = 4;
        const auto run = scheduler::runSchedule(*d.st, d.school, req);
        const std::vector<std::uint8_t> none(d.school.MaxBanID + 1, 0);
        scheduler::PolishRequest pr;
        pr.seed = 9;
        pr.stepBudget = budget;
        const auto a = scheduler::polishTimetable(d.school, run.grids, none, pr);
        const auto b = scheduler::polishTimetable(d.school, run.grids, none, pr);
        EXPECT_GT(a.moves, 0);
        EXPECT_TRUE(a.grids == b.grids) << "budget " << budget;
        EXPECT_EQ(a.steps, b.steps);
        if (budget > 0) {
            EXPECT_LE(a.steps, budget);
        }
    }
}

TEST(Polish, RunPolishesOnlyWhenAsked)
{
    Demo d(demo::DemoSize::Small, 1);
    scheduler::RunRequest req;
    req.seed = 2;
    const auto plain = scheduler::runSchedule(*d.st, d.school, req);
    req.polish = true;
    req.polishBudget = 5000;
    const auto polished = scheduler::runSchedule(*d.st, d.school, req);
    ASSERT_TRUE(polished.polished);
    // The search's own timetable is what the polish started from.
    EXPECT_EQ(polished.polish.before, scheduler::polishFigures(d.school, plain.grids));
    EXPECT_EQ(polished.polish.after, scheduler::polishFigures(d.school, polished.grids));
    EXPECT_EQ(polished.placed, plain.placed);
    // Polished on the search's own engine, the run ends where a polish of the stored search
    // result does: the engine's tables and counts stood for that timetable.
    scheduler::PolishRequest pr;
    pr.opts = req.opts;
    pr.seed = plain.seed;
    pr.stepBudget = 5000;
    const auto alone = scheduler::polishTimetable(d.school, plain.grids, plain.banKeep, pr);
    EXPECT_GT(alone.moves, 0);
    EXPECT_TRUE(alone.grids == polished.grids);
    EXPECT_EQ(alone.steps, polished.polish.steps);
}

TEST(Polish, AfterARunItGetsTheSearchsWorkAndEndsTheSameWayEveryTime)
{
    for (std::uint32_t seed : {1u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Demo d(demo::DemoSize::Medium, seed);
        scheduler::RunRequest req;
        req.seed = seed;
        req.polish = true;
        const auto a = scheduler::runSchedule(*d.st, d.school, req);
        const auto b = scheduler::runSchedule(*d.st, d.school, req);
        ASSERT_TRUE(a.polished);
        EXPECT_TRUE(a.grids == b.grids);
        EXPECT_EQ(a.polish.steps, b.polish.steps);
        // Ended by the search's work, well before the steps a polish of its own would take,
        // unless nothing was left to gain.
        EXPECT_TRUE(a.polish.budgetSpent || a.polish.atBound);
        EXPECT_LT(a.polish.steps, scheduler::polishStepsFor(a.total));
        EXPECT_LE(a.polish.after.repeats, a.polish.before.repeats);
        EXPECT_LE(a.polish.after.gaps, a.polish.before.gaps);
        EXPECT_TRUE(timetable::checkTimetable(d.school, a.grids).empty());
    }
}

TEST(Polish, WorkBudgetBoundsThePolishLikeTheStepBudget)
{
    Demo d(demo::DemoSize::Medium, 2);
    scheduler::RunRequest req;
    req.seed = 2;
    const auto run = scheduler::runSchedule(*d.st, d.school, req);
    const std::vector<std::uint8_t> none(d.school.MaxBanID + 1, 0);
    std::vector<scheduler::PolishResult> out;
    for (long long work : {20'000LL, 20'000LL, 200'000LL}) {
        scheduler::PolishRequest pr;
        pr.seed = 7;
        pr.workBudget = work;
        out.push_back(scheduler::polishTimetable(d.school, run.grids, none, pr));
    }
    for (const auto& r : out) {
        EXPECT_TRUE(r.budgetSpent);
        EXPECT_TRUE(r.improved);
        EXPECT_TRUE(timetable::checkTimetable(d.school, r.grids).empty());
    }
    EXPECT_TRUE(out[0].grids == out[1].grids);
    EXPECT_EQ(out[0].steps, out[1].steps);
    // Ten times the work: many more steps, and a week no worse.
    EXPECT_GT(out[2].steps, 3 * out[0].steps);
    EXPECT_LE(out[2].after.repeats * 64 + out[2].after.gaps * 8, out[0].after.repeats * 64 + out[0].after.gaps * 8);
}
