// Cover for absent teachers: the ranking of substitutes, swaps only where the move rules
// allow them, a combined lesson covered once, the refusals of bad input with the file left
// as it was, covers the timetable breaks later, the rows following renumbering saves and
// deletions, the term report.
#include <gtest/gtest.h>

#include <functional>

#include "entry/classes.h"
#include "entry/teachers.h"
#include "model/dates.h"
#include "support/cover_school.h"
#include "support/testutil.h"
#include "timetable/cover.h"

using namespace tavrin;
using namespace tavrin::timetable;
using model::CoverKind;
using tavrin::testing::CoverSchool;

namespace {

std::vector<std::string> substituteNames(const CoverSchool& fx, const EmptiedLesson& e)
{
    std::vector<std::string> out;
    for (const auto& s : e.suggestions)
        if (s.cover.kind == CoverKind::Substitute)
            out.push_back(fx.kb.school.TeaName[static_cast<std::size_t>(s.cover.by)]);
    return out;
}

const EmptiedLesson* lessonAt(const CoverDay& day, int jie)
{
    for (const auto& e : day.lessons)
        if (e.jie == jie)
            return &e;
    return nullptr;
}

// 张's Monday first period as the suggestions see it, after `setup` (on the file) and
// `book` (covers already chosen, in memory), with 张 away all Monday.
EmptiedLesson mondayFirst(CoverSchool& fx, const std::function<void(CoverSchool&)>& setup,
                          const std::function<void(CoverSchool&)>& book, const CoverRules& rules = {})
{
    if (setup)
        setup(fx);
    fx.load();
    fx.book.absences.push_back(fx.absence(fx.zhang, fx.monday, fx.monday));
    if (book)
        book(fx);
    CoverDay day;
    EXPECT_TRUE(coverDay(fx.kb, fx.book, fx.monday, true, rules, day).ok);
    const EmptiedLesson* e = lessonAt(day, 1);
    return e ? *e : EmptiedLesson{};
}

// ---- the ranking

struct RankCase {
    const char* name;
    std::function<void(CoverSchool&)> setup;  // before loading
    std::function<void(CoverSchool&)> book;   // after loading: covers already chosen
    int dailyCap;
    std::vector<std::string> expected;
    std::string firstReason;
};

class CoverRanking : public ::testing::TestWithParam<RankCase> {};

TEST_P(CoverRanking, SubstitutesForMondayFirstPeriod)
{
    const RankCase& c = GetParam();
    CoverSchool fx;
    CoverRules rules;
    rules.dailyCap = c.dailyCap;
    const EmptiedLesson e = mondayFirst(fx, c.setup, c.book, rules);
    ASSERT_EQ(e.tea, fx.zhang);
    EXPECT_EQ(substituteNames(fx, e), c.expected);
    ASSERT_FALSE(e.suggestions.empty());
    EXPECT_EQ(e.suggestions.front().reason, c.firstReason);
    // Study comes last, after every substitute and swap.
    EXPECT_EQ(e.suggestions.back().cover.kind, CoverKind::Study);
}

// A cover 孙 gave on `date` at period 3 of 赵's lesson (as the book holds it).
void sunCovered(CoverSchool& fx, int date)
{
    fx.book.covers.push_back(fx.substitute(date, 3, fx.c2, fx.zhao, fx.shu, fx.sun));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CoverRanking,
    ::testing::Values(
        // 孙 and 李 teach 语文 in the same grade group; 孙 has no lesson that Monday, 李 one.
        // Then the class's own teacher, the grade group's, anybody; 周 teaches then and is
        // never proposed.
        RankCase{"SameSubjectFirst", {}, {}, 2,
                 {"孙老师", "李老师", "王老师", "赵老师", "钱老师"}, "同科目，本周代课0节"},
        RankCase{"NeverMarkIsNotProposed", [](CoverSchool& fx) { fx.b.markTea(fx.sun, 1, 1, 3); }, {}, 2,
                 {"李老师", "王老师", "赵老师", "钱老师"}, "同科目，本周代课0节，当天有课1节"},
        RankCase{"AtTheDailyCapNotProposed", {}, [](CoverSchool& fx) { sunCovered(fx, fx.monday); }, 1,
                 {"李老师", "王老师", "赵老师", "钱老师"}, "同科目，本周代课0节，当天有课1节"},
        // One cover the week before puts 孙 behind 李 though 李 teaches that day.
        RankCase{"CoversSoFarChangeTheOrder", {}, [](CoverSchool& fx) { sunCovered(fx, fx.monday - 6); }, 2,
                 {"李老师", "孙老师", "王老师", "赵老师", "钱老师"}, "同科目，本周代课0节，当天有课1节"},
        RankCase{"CoversThisWeekInTheReason", {}, [](CoverSchool& fx) { sunCovered(fx, fx.monday + 1); }, 2,
                 {"孙老师", "李老师", "王老师", "赵老师", "钱老师"}, "同科目，本周代课1节"},
        RankCase{"AbsentTeacherNotProposed", {},
                 [](CoverSchool& fx) { fx.book.absences.push_back(fx.absence(fx.sun, fx.monday, fx.monday, {1})); },
                 2, {"李老师", "王老师", "赵老师", "钱老师"}, "同科目，本周代课0节，当天有课1节"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- swaps

struct SwapCase {
    const char* name;
    std::function<void(CoverSchool&)> setup;
    int swaps;  // swaps proposed for 张's Monday first period
};

class CoverSwaps : public ::testing::TestWithParam<SwapCase> {};

TEST_P(CoverSwaps, OnlyWhereTheMoveRulesAllow)
{
    const SwapCase& c = GetParam();
    CoverSchool fx;
    const EmptiedLesson e = mondayFirst(fx, c.setup, {});
    ASSERT_EQ(e.tea, fx.zhang);
    std::vector<CoverSuggestion> swaps;
    for (const auto& s : e.suggestions)
        if (s.cover.kind == CoverKind::Swap)
            swaps.push_back(s);
    ASSERT_EQ(static_cast<int>(swaps.size()), c.swaps);
    if (c.swaps == 0)
        return;
    // 王's Tuesday second period: 王 is free on Monday's first, 张 back on Tuesday. 王's
    // Monday second period is no swap: 张 is away all Monday.
    const auto& s = swaps.front();
    EXPECT_EQ(s.cover.by, fx.wang);
    EXPECT_EQ(s.cover.swapDate, fx.monday + 1);
    EXPECT_EQ(s.cover.swapJie, 2);
    EXPECT_EQ(s.reason, "与星期二第2节王老师的数学对调");
    // What is proposed is what the checks accept.
    EXPECT_TRUE(checkCover(fx.kb, fx.book, s.cover).ok) << checkCover(fx.kb, fx.book, s.cover).message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CoverSwaps,
    ::testing::Values(SwapCase{"Allowed", {}, 1},
                      SwapCase{"ClassLocked", [](CoverSchool& fx) { fx.b.lock(fx.c1); }, 0},
                      SwapCase{"OtherTeacherLocked",
                               [](CoverSchool& fx) {
                                   fx.store().run("UPDATE teabd SET islock = 1 WHERE teaid = ?1", fx.wang);
                               },
                               0},
                      // 王 teaches 一(2)班 on Monday's first period: the move rules refuse.
                      SwapCase{"OtherTeacherBusy",
                               [](CoverSchool& fx) {
                                   fx.b.renke(fx.wang, fx.c2, fx.shu, 1);
                                   fx.b.lesson(fx.c2, 1, 1, fx.wang, fx.shu);
                               },
                               0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CoverSwaps, LockedSwapIsRefusedWhenTyped)
{
    CoverSchool fx;
    fx.b.lock(fx.c1);
    fx.load();
    fx.book.absences.push_back(fx.absence(fx.zhang, fx.monday, fx.monday));
    auto c = fx.substitute(fx.monday, 1, fx.c1, fx.zhang, fx.yu, fx.wang, CoverKind::Swap);
    c.swapDate = fx.monday + 1;
    c.swapJie = 2;
    c.swapKe = fx.shu;
    const auto r = checkCover(fx.kb, fx.book, c);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "课程表已锁定，不能对调。");
}

// ---- a combined lesson

TEST(CoverCombined, CoveredOnceForAllItsClasses)
{
    CoverSchool fx;
    const int ti = fx.b.ke("体育");
    const int t = fx.b.tea("吴老师");
    fx.b.renke(t, fx.c1, ti, 1, 1);
    fx.b.renke(t, fx.c2, ti, 1, 1);
    fx.b.lesson(fx.c1, 1, 3, t, ti);
    fx.b.lesson(fx.c2, 1, 3, t, ti);
    fx.store().run("DELETE FROM kechenbd WHERE thetea = ?1", fx.zhao);  // 一(2)班 free on Monday 3
    fx.load();
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(t, fx.monday, fx.monday)).ok);
    CoverDay day;
    ASSERT_TRUE(coverDay(fx.kb, fx.book, fx.monday, true, {}, day).ok);
    ASSERT_EQ(day.lessons.size(), 1u);
    EXPECT_EQ(day.lessons[0].bans, (std::vector<int>{fx.c1, fx.c2}));
    for (const auto& s : day.lessons[0].suggestions)
        EXPECT_NE(s.cover.kind, CoverKind::Swap) << s.reason;

    // Chosen under the second class, kept under the first; a second cover is refused.
    ASSERT_TRUE(addCovers(fx.store(), fx.kb, fx.book, {fx.substitute(fx.monday, 3, fx.c2, t, ti, fx.sun)}).ok);
    const auto again = addCovers(fx.store(), fx.kb, fx.book, {fx.substitute(fx.monday, 3, fx.c1, t, ti, fx.qian)});
    EXPECT_FALSE(again.ok);
    EXPECT_NE(again.message.find("一节课只能安排一次"), std::string::npos) << again.message;
    EXPECT_EQ(fx.store().scalar("SELECT count(*) FROM daikebd"), 1);
    EXPECT_EQ(fx.store().scalar("SELECT theban FROM daikebd"), fx.c1);
    ASSERT_TRUE(coverDay(fx.kb, fx.book, fx.monday, false, {}, day).ok);
    ASSERT_EQ(day.lessons.size(), 1u);
    EXPECT_TRUE(day.lessons[0].hasCover);
    EXPECT_EQ(day.states(fx.sun, 3), TeaDayState::Covering);
    EXPECT_EQ(day.states(t, 3), TeaDayState::Absent);
    EXPECT_EQ(day.states(fx.li, 2), TeaDayState::Busy);
    EXPECT_EQ(day.states(fx.li, 1), TeaDayState::Free);
}

// ---- bad input

struct BadCase {
    const char* name;
    std::function<store::Result(CoverSchool&)> attempt;
    std::string message;
};

class CoverBadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(CoverBadInput, RefusedAndNothingStored)
{
    const BadCase& c = GetParam();
    CoverSchool fx;
    fx.load();
    // 张 away on Monday, 赵 on Monday's first period; 孙 covers 张's first period.
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhang, fx.monday, fx.monday)).ok);
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhao, fx.monday, fx.monday, {1})).ok);
    ASSERT_TRUE(
        addCovers(fx.store(), fx.kb, fx.book, {fx.substitute(fx.monday, 1, fx.c1, fx.zhang, fx.yu, fx.sun)}).ok);
    const std::string before = tavrin::testing::readFile(fx.b.path());
    const auto r = c.attempt(fx);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(tavrin::testing::readFile(fx.b.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CoverBadInput,
    ::testing::Values(
        BadCase{"AbsenceOutsideTheTerm",
                [](CoverSchool& fx) {
                    const int d = *model::parseDate("2027-03-01");
                    return addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.li, d, d));
                },
                "日期 2027-03-01 不在本学期内（2026-09-07 至 2027-01-24）。"},
        BadCase{"AbsenceEndsBeforeItStarts",
                [](CoverSchool& fx) {
                    return addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.li, fx.monday, fx.monday - 1));
                },
                "请假的结束日期 2026-09-13 早于开始日期 2026-09-14。"},
        BadCase{"AbsentWhileCovering",
                [](CoverSchool& fx) {
                    return addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.sun, fx.monday, fx.monday + 2));
                },
                "孙老师 在 2026-09-14 第1节 要代课，不能同时请假。"},
        BadCase{"TwoCoversInOneBatch",
                [](CoverSchool& fx) {
                    // The batch's second cover takes the lesson its first one covers: nothing
                    // of the batch stays.
                    return addCovers(fx.store(), fx.kb, fx.book,
                                     {fx.substitute(fx.monday, 4, fx.c1, fx.zhang, fx.yu, fx.qian),
                                      fx.substitute(fx.monday, 4, fx.c1, fx.zhang, fx.yu, fx.li)});
                },
                "2026-09-14 第4节 张老师 的课已安排了代课，一节课只能安排一次。"},
        BadCase{"CoverByTheAbsentTeacher",
                [](CoverSchool& fx) {
                    return addCovers(fx.store(), fx.kb, fx.book,
                                     {fx.substitute(fx.monday, 4, fx.c1, fx.zhang, fx.yu, fx.zhang)});
                },
                "张老师 请假，不能代自己的课。"},
        BadCase{"CoverByABusyTeacher",
                [](CoverSchool& fx) {
                    fx.book.covers.clear();  // as if 孙's cover had not been chosen
                    return addCovers(fx.store(), fx.kb, fx.book,
                                     {fx.substitute(fx.monday, 1, fx.c1, fx.zhang, fx.yu, fx.zhou)});
                },
                "周老师 在 2026-09-14 第1节 有课，不能代课。"},
        BadCase{"CoverByATeacherAway",
                [](CoverSchool& fx) {
                    fx.book.covers.clear();
                    return addCovers(fx.store(), fx.kb, fx.book,
                                     {fx.substitute(fx.monday, 1, fx.c1, fx.zhang, fx.yu, fx.zhao)});
                },
                "赵老师 在 2026-09-14 第1节 请假，不能同时代课。"},
        BadCase{"CoverOfATeacherNotAway",
                [](CoverSchool& fx) {
                    return addCovers(fx.store(), fx.kb, fx.book,
                                     {fx.substitute(fx.monday, 2, fx.c1, fx.wang, fx.shu, fx.qian)});
                },
                "王老师 在 2026-09-14 第2节 没有请假，这节课不需要代课。"},
        BadCase{"CoverOutsideTheTerm",
                [](CoverSchool& fx) {
                    return addCovers(fx.store(), fx.kb, fx.book,
                                     {fx.substitute(fx.monday - 14, 1, fx.c1, fx.zhang, fx.yu, fx.qian)});
                },
                "日期 2026-08-31 不在本学期内（2026-09-07 至 2027-01-24）。"},
        BadCase{"CoverOnAWeekend",
                [](CoverSchool& fx) {
                    return addCovers(fx.store(), fx.kb, fx.book,
                                     {fx.substitute(fx.monday + 5, 1, fx.c1, fx.zhang, fx.yu, fx.qian)});
                },
                "2026-09-19 不是上课日。"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CoverTerm, AStartThatIsNoMondayMovesToItsMonday)
{
    CoverSchool fx;
    fx.load();
    std::string note;
    const auto r = saveTerm(fx.store(), fx.book, *model::parseDate("2026-09-09"), 18, note);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(note, "学期开始日期 2026-09-09 不是星期一，已改为该周的星期一 2026-09-07。");
    const auto t = model::readTerm(fx.store());
    ASSERT_TRUE(t);
    EXPECT_EQ(model::dateText(t->monday), "2026-09-07");
    EXPECT_EQ(t->weeks, 18);
    EXPECT_EQ(t->week(fx.monday), 2);
}

TEST(CoverTerm, NoTermNoCover)
{
    CoverSchool fx;
    fx.store().run("DELETE FROM setting");
    fx.load();
    const auto r = addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhang, fx.monday, fx.monday));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "尚未设置学期的开始日期和周数。");
}

// ---- broken covers

TEST(CoverBroken, ACoverTheTimetableBreaksLaterShowsBroken)
{
    CoverSchool fx;
    fx.load();
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhang, fx.monday, fx.monday)).ok);
    ASSERT_TRUE(
        addCovers(fx.store(), fx.kb, fx.book, {fx.substitute(fx.monday, 4, fx.c1, fx.zhang, fx.yu, fx.qian)}).ok);
    // The timetable is edited afterwards: 钱's lesson moves to Monday's fourth period.
    fx.store().run("UPDATE kechenbd SET theday = 1, thejie = 4 WHERE thetea = ?1", fx.qian);
    fx.load();
    CoverDay day;
    ASSERT_TRUE(coverDay(fx.kb, fx.book, fx.monday, false, {}, day).ok);
    const EmptiedLesson* e = lessonAt(day, 4);
    ASSERT_NE(e, nullptr);
    ASSERT_TRUE(e->hasCover);
    EXPECT_EQ(e->cover.by, fx.qian);
    EXPECT_EQ(e->broken, "已失效：钱老师 该节有课");
    // The first period is not covered and nothing there is broken.
    const EmptiedLesson* first = lessonAt(day, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->hasCover);
    EXPECT_TRUE(first->broken.empty());
}

TEST(CoverBroken, ACoverWhoseAbsenceWentStillShows)
{
    CoverSchool fx;
    fx.load();
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhang, fx.monday, fx.monday)).ok);
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhang, fx.monday, fx.monday, {4})).ok);
    ASSERT_TRUE(
        addCovers(fx.store(), fx.kb, fx.book, {fx.substitute(fx.monday, 1, fx.c1, fx.zhang, fx.yu, fx.qian),
                                               fx.substitute(fx.monday, 4, fx.c1, fx.zhang, fx.yu, fx.sun)})
            .ok);
    // Taking back the whole-day absence drops the first period's cover; the fourth period
    // is still asked for by the other absence, so its cover stays.
    ASSERT_TRUE(removeAbsence(fx.store(), fx.book, fx.book.absences.front().id).ok);
    EXPECT_EQ(fx.store().scalar("SELECT count(*) FROM daikebd"), 1);
    EXPECT_EQ(fx.store().scalar("SELECT daitea FROM daikebd"), fx.sun);
    // A row written past the checks (by hand) without an absence is listed broken.
    fx.store().run("INSERT INTO daikebd(thedate, thejie, theban, thetea, theke, kind, daitea) "
                   "VALUES('2026-09-14', 2, ?1, ?2, ?3, 1, ?4)",
                   fx.c1, fx.wang, fx.shu, fx.qian);
    fx.load();
    CoverDay day;
    ASSERT_TRUE(coverDay(fx.kb, fx.book, fx.monday, false, {}, day).ok);
    const EmptiedLesson* e = lessonAt(day, 2);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->hasCover);
    EXPECT_EQ(e->broken, "已失效：王老师 该节已不请假");
}

// ---- an absence changed in place

// 张 away all Monday, covered at the first period by 钱 and at the fourth by 孙; the absence
// is then changed. Only covers the new version no longer asks for may go, and a refused change
// or a failure at any statement leaves the file as it was.
TEST(CoverEdit, ChangingAnAbsenceKeepsTheCoversItStillAsksFor)
{
    struct Case {
        const char* name;
        int shiftFrom, shiftTo;
        std::vector<int> jies;
        const char* reason;
        bool ok;
        std::vector<int> coveredAfter;  // periods still covered
    };
    const std::vector<Case> cases = {
        {"reason corrected", 0, 0, {}, "病假（已补假条）", true, {1, 4}},
        {"narrowed to the fourth period", 0, 0, {4}, "", true, {4}},
        {"moved to Tuesday", 1, 1, {}, "", true, {}},
        {"ending before it starts", 1, 0, {}, "", false, {1, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CoverSchool fx;
        fx.load();
        ASSERT_TRUE(fx.zhangAwayMondayCoveredBy(fx.qian, fx.sun));
        const std::int64_t id = fx.book.absences.front().id;
        model::Absence changed = fx.absence(fx.zhang, fx.monday + c.shiftFrom, fx.monday + c.shiftTo, c.jies);
        changed.reason = c.reason;
        const auto predicted = coversDroppedByReplacing(fx.book, id, changed);
        const std::string before = tavrin::testing::readFile(fx.b.path());

        const auto r = replaceAbsence(fx.store(), fx.kb, fx.book, id, changed);
        EXPECT_EQ(r.ok, c.ok) << r.message;
        if (!c.ok) {
            EXPECT_EQ(tavrin::testing::readFile(fx.b.path()), before);
        }

        fx.load();
        ASSERT_EQ(fx.book.absences.size(), 1u);
        EXPECT_EQ(fx.book.absences.front().reason, c.ok ? std::string(c.reason) : std::string());
        std::vector<int> covered;
        for (const auto& cv : fx.book.covers)
            covered.push_back(cv.jie);
        std::sort(covered.begin(), covered.end());
        EXPECT_EQ(covered, c.coveredAfter);
        if (c.ok) {
            EXPECT_EQ(predicted.size(), 2 - c.coveredAfter.size());
        }
    }
}

TEST(CoverEdit, AFailureAtAnyStatementLeavesTheFileAsItWas)
{
    CoverSchool fx;
    fx.load();
    ASSERT_TRUE(fx.zhangAwayMondayCoveredBy(fx.qian, fx.sun));
    const std::int64_t id = fx.book.absences.front().id;
    int n = 1;
    for (;; ++n) {
        const std::string before = tavrin::testing::readFile(fx.b.path());
        fx.store().failAfter(n);
        CoverBook book = fx.book;
        try {
            replaceAbsence(fx.store(), fx.kb, book, id, fx.absence(fx.zhang, fx.monday, fx.monday, {4}));
        } catch (const store::DbError&) {
        }
        if (!fx.store().failureFired())
            break;
        EXPECT_EQ(tavrin::testing::readFile(fx.b.path()), before) << "statement " << n;
    }
    fx.store().failAfter(0);
    EXPECT_GT(n, 3);
    fx.load();
    EXPECT_EQ(fx.book.covers.size(), 1u);
}

// ---- the rows through the saves of the entry steps

struct Stored {
    std::string tea, by, ban;
};

std::vector<Stored> storedCovers(CoverSchool& fx)
{
    fx.load();
    std::vector<Stored> out;
    for (const auto& c : fx.book.covers)
        out.push_back({fx.kb.school.TeaName[static_cast<std::size_t>(c.tea)],
                       fx.kb.school.TeaName[static_cast<std::size_t>(c.by)],
                       fx.kb.school.BanName[static_cast<std::size_t>(c.ban)]});
    return out;
}

// 张 away on Monday, covered by 孙 (first period) and 钱 (fourth); 李 away on Monday, his
// second period covered by 周; 赵 away on Tuesday.
void storeCovers(CoverSchool& fx)
{
    fx.load();
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhang, fx.monday, fx.monday)).ok);
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.li, fx.monday, fx.monday)).ok);
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhao, fx.monday + 1, fx.monday + 1)).ok);
    ASSERT_TRUE(addCovers(fx.store(), fx.kb, fx.book,
                          {fx.substitute(fx.monday, 1, fx.c1, fx.zhang, fx.yu, fx.sun),
                           fx.substitute(fx.monday, 4, fx.c1, fx.zhang, fx.yu, fx.qian),
                           fx.substitute(fx.monday, 2, fx.c2, fx.li, fx.yu, fx.zhou)})
                    .ok);
}

bool operator==(const Stored& a, const Stored& b) { return a.tea == b.tea && a.by == b.by && a.ban == b.ban; }
void PrintTo(const Stored& s, std::ostream* os) { *os << s.tea << "/" << s.by << "/" << s.ban; }

TEST(CoverRows, FollowTheTeacherSaveAndGoWithTheirTeacher)
{
    CoverSchool fx;
    storeCovers(fx);
    // Deleting 王 renumbers 赵 .. 周 one down and rewrites the assignments.
    auto d = entry::loadTeachers(fx.store());
    entry::deleteTeacher(d, d.rowOf(fx.wang));
    ASSERT_TRUE(entry::saveTeachers(fx.store(), d).ok);
    EXPECT_EQ(storedCovers(fx), (std::vector<Stored>{{"张老师", "孙老师", "初一(1)班"},
                                                     {"张老师", "钱老师", "初一(1)班"},
                                                     {"李老师", "周老师", "初一(2)班"}}));
    ASSERT_EQ(fx.book.absences.size(), 3u);
    EXPECT_EQ(fx.kb.school.TeaName[static_cast<std::size_t>(fx.book.absences[2].tea)], "赵老师");
    EXPECT_EQ(fx.store().scalar("SELECT count(*) FROM pragma_foreign_key_check"), 0);

    // Deleting 孙 takes the cover he gave; deleting 李 his absence and the cover of his lesson.
    d = entry::loadTeachers(fx.store());
    for (const char* name : {"孙老师", "李老师"})
        for (std::size_t i = 0; i < d.rows.size(); ++i)
            if (d.rows[i].name == name)
                entry::deleteTeacher(d, static_cast<int>(i));
    ASSERT_TRUE(entry::saveTeachers(fx.store(), d).ok);
    EXPECT_EQ(storedCovers(fx), (std::vector<Stored>{{"张老师", "钱老师", "初一(1)班"}}));
    EXPECT_EQ(fx.book.absences.size(), 2u);
}

TEST(CoverRows, GoWithTheirAssignment)
{
    CoverSchool fx;
    storeCovers(fx);
    // 李 keeps his row but loses the assignment whose lesson 周 covers.
    auto d = entry::loadTeachers(fx.store());
    for (std::size_t i = 0; i < d.renke.size(); ++i)
        if (d.renke[i].tea == fx.li)
            entry::deleteChip(d, static_cast<int>(i));
    ASSERT_TRUE(entry::saveTeachers(fx.store(), d).ok);
    EXPECT_EQ(storedCovers(fx), (std::vector<Stored>{{"张老师", "孙老师", "初一(1)班"},
                                                     {"张老师", "钱老师", "初一(1)班"}}));
    EXPECT_EQ(fx.book.absences.size(), 3u);
}

TEST(CoverRows, FollowTheClassSaveAndGoWithTheirClass)
{
    CoverSchool fx;
    storeCovers(fx);
    // Deleting 初一(1)班 renumbers 初一(2)班 to 1.
    auto d = entry::loadClasses(fx.store());
    entry::deleteClass(d, {0, 0});
    ASSERT_TRUE(entry::saveClasses(fx.store(), d).ok);
    const auto rows = storedCovers(fx);
    EXPECT_EQ(rows, (std::vector<Stored>{{"李老师", "周老师", "初一(2)班"}}));
    EXPECT_EQ(fx.book.covers.at(0).ban, 1);
    EXPECT_EQ(fx.book.absences.size(), 3u);
}

TEST(CoverRows, AFailedSaveLeavesTheFileAsItWas)
{
    CoverSchool fx;
    fx.load();
    const auto file = fx.b.path();
    int n = 1;
    // The first absence also creates the tables.
    for (;; ++n) {
        const std::string before = tavrin::testing::readFile(file);
        fx.store().failAfter(n);
        CoverBook book = fx.book;
        bool threw = false;
        try {
            addAbsence(fx.store(), fx.kb, book, fx.absence(fx.zhang, fx.monday, fx.monday));
        } catch (const store::DbError&) {
            threw = true;
        }
        if (!fx.store().failureFired())
            break;
        EXPECT_TRUE(threw);
        EXPECT_EQ(tavrin::testing::readFile(file), before) << "statement " << n;
    }
    fx.store().failAfter(0);
    EXPECT_GT(n, 2);
    fx.load();
    ASSERT_EQ(fx.book.absences.size(), 1u);
    for (n = 1;; ++n) {
        const std::string before = tavrin::testing::readFile(file);
        fx.store().failAfter(n);
        CoverBook book = fx.book;
        try {
            addCovers(fx.store(), fx.kb, book,
                      {fx.substitute(fx.monday, 1, fx.c1, fx.zhang, fx.yu, fx.sun),
                       fx.substitute(fx.monday, 4, fx.c1, fx.zhang, fx.yu, fx.qian)});
        } catch (const store::DbError&) {
        }
        if (!fx.store().failureFired())
            break;
        EXPECT_EQ(tavrin::testing::readFile(file), before) << "statement " << n;
    }
    fx.store().failAfter(0);
    EXPECT_GT(n, 2);
    EXPECT_EQ(fx.store().scalar("SELECT count(*) FROM daikebd"), 2);
}

TEST(CoverRows, AFileWrittenBeforeReadsAsNoAbsences)
{
    CoverSchool fx;
    fx.load();
    EXPECT_FALSE(model::coverTablesPresent(fx.store()));
    EXPECT_TRUE(fx.book.absences.empty());
    EXPECT_EQ(model::trimCovers(fx.store()), 0);
    CoverDay day;
    ASSERT_TRUE(coverDay(fx.kb, fx.book, fx.monday, true, {}, day).ok);
    EXPECT_TRUE(day.lessons.empty());
}

// ---- the term report

TEST(CoverReport, GivenAndMissedByMonth)
{
    CoverSchool fx;
    fx.load();
    const int sep30 = *model::parseDate("2026-09-30");  // a Wednesday
    const int oct1 = sep30 + 1;
    // 张 away from Wednesday 30 September to Thursday: his Wednesday first period is the one
    // lesson missed (none on Thursday); twice over, as two absences overlap.
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhang, sep30, oct1)).ok);
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhang, sep30, sep30, {1})).ok);
    // 张 away on Monday 5 October: two lessons.
    ASSERT_TRUE(addAbsence(fx.store(), fx.kb, fx.book, fx.absence(fx.zhang, oct1 + 4, oct1 + 4)).ok);
    ASSERT_TRUE(addCovers(fx.store(), fx.kb, fx.book,
                          {fx.substitute(sep30, 1, fx.c1, fx.zhang, fx.yu, fx.sun, CoverKind::Study),
                           fx.substitute(oct1 + 4, 1, fx.c1, fx.zhang, fx.yu, fx.sun),
                           fx.substitute(oct1 + 4, 4, fx.c1, fx.zhang, fx.yu, fx.li)})
                    .ok);
    std::vector<TeaCoverCount> rows;
    ASSERT_TRUE(coverReport(fx.kb, fx.book, fx.book.term.monday, fx.book.term.lastDay(), rows).ok);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].tea, fx.zhang);
    EXPECT_EQ(rows[0].missed, 3);
    EXPECT_EQ(rows[0].given, 0);
    ASSERT_EQ(rows[0].months.size(), 2u);
    EXPECT_EQ(rows[0].months[0].month, "2026-09");
    EXPECT_EQ(rows[0].months[0].missed, 1);
    EXPECT_EQ(rows[0].months[1].missed, 2);
    EXPECT_EQ(rows[1].tea, fx.li);
    EXPECT_EQ(rows[1].given, 1);
    EXPECT_EQ(rows[2].tea, fx.sun);
    EXPECT_EQ(rows[2].given, 2);
    // A range of September alone.
    ASSERT_TRUE(coverReport(fx.kb, fx.book, fx.book.term.monday, sep30, rows).ok);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].missed, 1);
    EXPECT_EQ(rows[1].given, 1);
    EXPECT_FALSE(coverReport(fx.kb, fx.book, sep30, sep30 - 1, rows).ok);
}

TEST(CoverDates, TextAndWeekdays)
{
    EXPECT_EQ(model::weekdayOf(*model::parseDate("2026-09-07")), 1);
    EXPECT_EQ(model::weekdayOf(*model::parseDate("2026-09-13")), 7);
    EXPECT_EQ(model::dateText(*model::parseDate("2024-2-29")), "2024-02-29");
    for (const char* bad : {"2026-02-29", "2026-13-01", "2026-09", "2026-09-07x", "", "9-07-2026"})
        EXPECT_FALSE(model::parseDate(bad)) << bad;
    EXPECT_EQ(model::parseJies("3,1,3"), (std::vector<int>{1, 3}));
    EXPECT_FALSE(model::parseJies("1,"));
    EXPECT_FALSE(model::parseJies("0"));
}

}  // namespace
