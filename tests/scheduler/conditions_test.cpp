// The condition list of the scheduling page: captions at load and on adding, the numbers
// new conditions get, the rows they write, deleting by list value, the class check rules.
#include <gtest/gtest.h>

#include "scheduler/conditions.h"
#include "support/school_builder.h"
#include "timetable/checker.h"

using namespace tavrin;
using scheduler::CondKind;
using scheduler::ConditionItem;
using tavrin::testing::SchoolBuilder;

namespace {

// Two grade groups, three classes, three subjects, four teachers; a Monday-to-Friday week.
struct Small {
    SchoolBuilder b;
    int c1, c2, c3, yw, sx, ty, zhang, li, wang, zhao;
    Small()
    {
        int g1 = b.ji("初一"), g2 = b.ji("初二");
        c1 = b.ban("初一1班", g1);
        c2 = b.ban("初一2班", g1);
        c3 = b.ban("初二1班", g2);
        yw = b.ke("语文");
        sx = b.ke("数学");
        ty = b.ke("体育");
        zhang = b.tea("张明");
        li = b.tea("李华");
        wang = b.tea("王芳");
        zhao = b.tea("赵强");
    }
};

struct JieRow {
    int optId, jie, num;
    std::optional<int> ban, ke, tea;
    bool operator==(const JieRow&) const = default;
};

std::vector<JieRow> rows(store::Store& st, const char* table)
{
    std::vector<JieRow> out;
    auto q = st.prepare(std::string("SELECT OptId, ") + (std::string(table) == "PaiOptDay" ? "theDay" : "theJie") +
                        ", theNum, BanId, KeId, TeaId FROM " + table + " ORDER BY rowid");
    while (q.step())
        out.push_back({q.integer(0), q.integer(1), q.integer(2), q.optInt("BanId"), q.optInt("KeId"),
                       q.optInt("TeaId")});
    return out;
}

std::vector<std::string> values(const std::vector<ConditionItem>& items)
{
    std::vector<std::string> v;
    for (const auto& i : items)
        v.push_back(i.value);
    return v;
}

}  // namespace

TEST(ConditionCaptions, WholeSchoolSubjectsReadAsTheExample)
{
    Small s;
    s.b.jieOpt(1, 1, 1, 0, s.yw);
    s.b.jieOpt(1, 1, 1, 0, s.sx);
    auto items = scheduler::loadConditionItems(s.b.store(), s.b.load());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].caption, "时段限制: 全校的语文、数学每班一个星期内第1节固定上1次");
    EXPECT_EQ(items[0].value, "Jie1");
}

// Each case is the rows of one condition, in writing order, and the caption they load as.
struct CaptionCase {
    const char* name;
    CondKind kind;
    int at, num;
    // (class, subject, teacher) per row by the fixture's names; 0 = empty.
    std::vector<std::array<int, 3>> rows;
    const char* caption;
};

class LoadedCaption : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(LoadedCaption, BuiltFromTheRowsInOrder)
{
    const auto& c = GetParam();
    Small s;
    for (const auto& r : c.rows) {
        if (c.kind == CondKind::Jie)
            s.b.jieOpt(7, c.at, c.num, r[0], r[1], r[2]);
        else
            s.b.dayOpt(7, c.at, c.num, r[0], r[1], r[2]);
    }
    auto items = scheduler::loadConditionItems(s.b.store(), s.b.load());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].caption, c.caption);
    EXPECT_EQ(items[0].value, std::string(c.kind == CondKind::Jie ? "Jie7" : "Day7"));
}

// Fixture IDs: classes 1..3 (初一1班, 初一2班, 初二1班), subjects 1..3 (语文, 数学, 体育),
// teachers 1..4 (张明, 李华, 王芳, 赵强).
INSTANTIATE_TEST_SUITE_P(
    Kinds, LoadedCaption,
    ::testing::Values(
        CaptionCase{"two_classes_at_most", CondKind::Jie, 2, -2, {{1, 1, 0}, {2, 1, 0}},
                    "时段限制: 初一1班、初一2班的语文、语文每班一个星期内第2节最多上2次"},
        CaptionCase{"teachers_only", CondKind::Jie, 3, 2, {{0, 0, 1}, {0, 0, 2}},
                    "时段限制: 张明、李华的每班一个星期内第3节固定上2次"},
        CaptionCase{"whole_school_wipes_earlier_teachers", CondKind::Jie, 1, 1, {{0, 0, 3}, {0, 2, 0}, {3, 2, 0}},
                    "时段限制: 全校、初二1班的数学、数学每班一个星期内第1节固定上1次"},
        CaptionCase{"day_at_most", CondKind::Day, 4, -1, {{0, 3, 0}},
                    "日期限制:每班 全校的体育星期四最多上1节"},
        CaptionCase{"day_teacher_fixed", CondKind::Day, 1, 2, {{0, 0, 4}},
                    "日期限制:每班 赵强的星期一固定上2节"},
        CaptionCase{"day_zero_counts_as_at_most", CondKind::Day, 5, 0, {{2, 3, 0}},
                    "日期限制:每班 初一2班的体育星期五最多上0节"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConditionCaptions, PairsFirstThenPeriodsThenDaysEachByNumber)
{
    Small s;
    s.b.dayOpt(2, 3, 1, 0, s.ty);
    s.b.jieOpt(5, 1, -1, 0, 0, s.li);
    s.b.dayOpt(1, 2, 1, 0, 0, s.wang);
    s.b.jieOpt(3, 4, 1, s.c1, s.sx);
    s.b.exclusion(6, s.zhang, s.zhao);
    auto items = scheduler::loadConditionItems(s.b.store(), s.b.load());
    EXPECT_EQ(values(items), (std::vector<std::string>{"Tea6", "Jie3", "Jie5", "Day1", "Day2"}));
    EXPECT_EQ(items[0].caption, "教师互斥: \"张明\"与\"赵强\"不在同一时间上课");
    EXPECT_EQ(items[2].caption, "时段限制: 李华的每班一个星期内第1节最多上1次");
    EXPECT_EQ(items[3].caption, "日期限制:每班 王芳的星期二固定上1节");
}

TEST(ConditionCaptions, RowsOfOneNumberStayOneItemWhateverTheirOrderInTheFile)
{
    Small s;
    s.b.jieOpt(2, 1, 1, 0, s.yw);
    s.b.jieOpt(1, 6, -3, 0, 0, s.li);
    s.b.jieOpt(2, 1, 1, 0, s.sx);
    auto items = scheduler::loadConditionItems(s.b.store(), s.b.load());
    ASSERT_EQ(values(items), (std::vector<std::string>{"Jie1", "Jie2"}));
    EXPECT_EQ(items[1].caption, "时段限制: 全校的语文、数学每班一个星期内第1节固定上1次");
}

TEST(ConditionCaptions, NewConditionCaptions)
{
    Small s;
    auto school = s.b.load();
    EXPECT_EQ(scheduler::newConditionCaption(CondKind::Jie, "全校的语文、数学", 1, 1, true, school),
              "时段限制: 全校的语文、数学每班一个星期内第1节固定上1次");
    EXPECT_EQ(scheduler::newConditionCaption(CondKind::Jie, "张明、李华", 6, 2, false, school),
              "时段限制: 张明、李华每班一个星期内第6节最多上2次");
    EXPECT_EQ(scheduler::newConditionCaption(CondKind::Day, "初一1班的体育", 3, 2, false, school),
              "日期限制: 每班初一1班的体育星期三最多上2次");
    EXPECT_EQ(scheduler::newConditionCaption(CondKind::Day, "王芳", 5, 4, true, school),
              "日期限制: 每班王芳星期五固定上4次");
    EXPECT_EQ(scheduler::exclusionCaption("张明", "李华"), "教师互斥: \"张明\"与\"李华\"不在同一时间上课");
}

struct UnusedCase {
    std::vector<int> used;
    int expected;
};
class SmallestUnused : public ::testing::TestWithParam<UnusedCase> {};
TEST_P(SmallestUnused, FillsTheFirstGap)
{
    EXPECT_EQ(scheduler::smallestUnused(GetParam().used), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Numbers, SmallestUnused,
                         ::testing::Values(UnusedCase{{}, 1}, UnusedCase{{1, 2, 4}, 3}, UnusedCase{{2, 3}, 1},
                                           UnusedCase{{1, 2, 3}, 4}, UnusedCase{{0, 1, 2}, 3},
                                           UnusedCase{{-4, 1, 3}, 2}));

TEST(ConditionNumbers, NewPeriodConditionTakesTheGapAndEachTableCountsAlone)
{
    Small s;
    for (int id : {1, 2, 4})
        s.b.jieOpt(id, 1, 1, 0, s.yw);
    s.b.dayOpt(1, 1, 1, 0, s.yw);
    s.b.exclusion(1, s.zhang, s.li);
    s.b.exclusion(3, s.wang, s.zhao);
    EXPECT_EQ(scheduler::nextOptId(s.b.store(), CondKind::Jie), 3);
    EXPECT_EQ(scheduler::nextOptId(s.b.store(), CondKind::Day), 2);
    EXPECT_EQ(scheduler::nextWmid(s.b.store()), 2);

    auto school = s.b.load();
    scheduler::Selection sel;
    sel.reset(school);
    sel.tea[s.li] = true;
    EXPECT_EQ(scheduler::writeCondition(s.b.store(), CondKind::Jie, 2, 1, sel), 3);
    EXPECT_EQ(scheduler::writeExclusion(s.b.store(), s.li, s.zhao), 2);
    EXPECT_EQ(scheduler::nextOptId(s.b.store(), CondKind::Jie), 5);
}

TEST(ConditionRows, WholeSchoolAtMostTwoOnPeriodOne)
{
    Small s;
    auto school = s.b.load();
    scheduler::Selection sel;
    sel.reset(school);
    sel.ban[0] = true;
    sel.ke[s.sx] = true;
    ASSERT_EQ(scheduler::writeCondition(s.b.store(), CondKind::Jie, 1, -2, sel), 1);
    EXPECT_EQ(rows(s.b.store(), "PaiOptJie"), (std::vector<JieRow>{{1, 1, -2, std::nullopt, s.sx, std::nullopt}}));
    auto loaded = s.b.load();
    EXPECT_EQ(loaded.opt.JieOptBK(0, s.sx, 1), -2);
}

TEST(ConditionRows, ClassesTimesSubjectsThenTeachers)
{
    Small s;
    auto school = s.b.load();
    scheduler::Selection sel;
    sel.reset(school);
    sel.ban[s.c1] = sel.ban[s.c3] = true;
    sel.ke[s.yw] = sel.ke[s.ty] = true;
    sel.tea[s.wang] = true;
    // The third school day of a Monday-to-Friday week is Wednesday (3).
    ASSERT_EQ(scheduler::writeCondition(s.b.store(), CondKind::Day, 3, 2, sel), 1);
    const auto none = std::nullopt;
    EXPECT_EQ(rows(s.b.store(), "PaiOptDay"), (std::vector<JieRow>{{1, 3, 2, s.c1, s.yw, none},
                                                                     {1, 3, 2, s.c1, s.ty, none},
                                                                     {1, 3, 2, s.c3, s.yw, none},
                                                                     {1, 3, 2, s.c3, s.ty, none},
                                                                     {1, 3, 2, none, none, s.wang}}));
    EXPECT_TRUE(rows(s.b.store(), "PaiOptJie").empty());
    auto items = scheduler::loadConditionItems(s.b.store(), s.b.load());
    ASSERT_EQ(items.size(), 1u);
    // The rows' order shows in the loaded caption: the teacher row comes after the classes.
    EXPECT_EQ(items[0].caption, "日期限制:每班 初一1班、初一1班、初二1班、初二1班、王芳的语文、体育、语文、体育星期三固定上2节");
}

TEST(ConditionRows, NothingChosenWritesNothing)
{
    Small s;
    auto school = s.b.load();
    scheduler::Selection sel;
    sel.reset(school);
    EXPECT_EQ(scheduler::writeCondition(s.b.store(), CondKind::Jie, 1, 1, sel), std::nullopt);
    // Classes without a subject name no row either.
    sel.ban[0] = sel.ban[s.c2] = true;
    EXPECT_EQ(scheduler::writeCondition(s.b.store(), CondKind::Day, 1, 1, sel), std::nullopt);
    EXPECT_TRUE(rows(s.b.store(), "PaiOptJie").empty());
    EXPECT_TRUE(rows(s.b.store(), "PaiOptDay").empty());
}

TEST(ConditionRows, ExclusionPairLoadsBothWays)
{
    Small s;
    auto school = s.b.load();
    const int wmid = scheduler::writeExclusion(s.b.store(), s.li, s.zhao);
    EXPECT_EQ(wmid, 1);
    auto loaded = s.b.load();
    EXPECT_EQ(loaded.opt.TeaExclusive[s.li], s.zhao);
    EXPECT_EQ(loaded.opt.TeaExclusive[s.zhao], s.li);
    EXPECT_EQ(values(scheduler::loadConditionItems(s.b.store(), loaded)), std::vector<std::string>{"Tea1"});
}

// One partner per teacher: adding a pair names the earlier pairs it replaces, and only those
// that still count.
TEST(ConditionRows, NewExclusionPairNamesThePairItReplaces)
{
    Small s;
    auto school = s.b.load();
    auto& st = s.b.store();
    EXPECT_EQ(scheduler::replacedPairNotice(st, school, s.li, s.zhao), "");
    scheduler::writeExclusion(st, s.li, s.zhao);
    EXPECT_EQ(scheduler::replacedPairNotice(st, school, s.li, s.zhao), "") << "the same pair again replaces nothing";
    EXPECT_EQ(scheduler::replacedPairNotice(st, school, s.zhang, s.wang), "");
    EXPECT_EQ(scheduler::replacedPairNotice(st, school, s.wang, s.zhao),
              "“赵强”已与“李华”互斥；每位教师只能有一位互斥教师，添加后原来这一对将不再起作用。");
    scheduler::writeExclusion(st, s.wang, s.zhao);
    // 李华's pair was replaced: pairing him anew replaces nothing of his, only 张明's side.
    EXPECT_EQ(scheduler::replacedPairNotice(st, school, s.li, s.zhang), "");
    const std::string both = scheduler::replacedPairNotice(st, school, s.wang, s.li);
    EXPECT_EQ(both, "“王芳”已与“赵强”互斥；每位教师只能有一位互斥教师，添加后原来这一对将不再起作用。");
    auto loaded = s.b.load();
    EXPECT_EQ(timetable::exclusionPartner(loaded, s.li), 0);
    EXPECT_EQ(timetable::exclusionPartner(loaded, s.zhao), s.wang);
}

TEST(ConditionDelete, RemovesExactlyTheNamedConditions)
{
    Small s;
    s.b.jieOpt(1, 1, 1, 0, s.yw);
    s.b.jieOpt(1, 1, 1, 0, s.sx);
    s.b.jieOpt(2, 2, 1, 0, s.yw);
    s.b.dayOpt(1, 1, 1, 0, s.yw);
    s.b.dayOpt(3, 1, 1, 0, 0, s.wang);
    s.b.exclusion(1, s.zhang, s.li);
    s.b.exclusion(2, s.wang, s.zhao);
    // "Jie2" names a period condition; the day condition 1 and pair 1 stay.
    scheduler::deleteConditions(s.b.store(), {"Day3", "Tea2", "Jie1", "JieX", "Jie", "Foo1", "Jie2 "});
    auto items = scheduler::loadConditionItems(s.b.store(), s.b.load());
    EXPECT_EQ(values(items), (std::vector<std::string>{"Tea1", "Jie2", "Day1"}));
    EXPECT_EQ(s.b.store().scalar("SELECT count(*) FROM teawife WHERE wmid = 2"), 0);
    EXPECT_EQ(s.b.store().scalar("SELECT count(*) FROM teawife WHERE wmid = 1"), 1);
}

struct CheckCase {
    const char* name;
    std::vector<bool> before;
    int row;
    bool on;
    std::vector<bool> after;
};
class ClassChecks : public ::testing::TestWithParam<CheckCase> {};
TEST_P(ClassChecks, FollowTheRules)
{
    const auto& c = GetParam();
    EXPECT_EQ(scheduler::applyClassCheck(c.before, c.row, c.on), c.after);
}
INSTANTIATE_TEST_SUITE_P(
    Rules, ClassChecks,
    ::testing::Values(
        CheckCase{"uncheck_class_unchecks_whole_school", {1, 1, 1, 1}, 2, false, {0, 1, 0, 1}},
        CheckCase{"recheck_last_class_rechecks_whole_school", {0, 1, 0, 1}, 2, true, {1, 1, 1, 1}},
        CheckCase{"check_class_with_others_open", {0, 0, 0, 1}, 1, true, {0, 1, 0, 1}},
        CheckCase{"whole_school_off_clears_all", {1, 1, 1, 1}, 0, false, {0, 0, 0, 0}},
        CheckCase{"whole_school_on_sets_all", {0, 1, 0, 0}, 0, true, {1, 1, 1, 1}},
        CheckCase{"uncheck_class_already_partial", {0, 1, 1, 0}, 1, false, {0, 0, 1, 0}},
        CheckCase{"single_class_school", {0, 0}, 1, true, {1, 1}},
        CheckCase{"row_out_of_range_changes_nothing", {0, 1, 0}, 3, true, {0, 1, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClassChoice, NothingCheckedSchedulesEveryClassAndChecksThem)
{
    std::vector<bool> none{false, false, false, false};
    EXPECT_EQ(scheduler::classesToSchedule(none, {4, 7, 9}), (std::vector<int>{4, 7, 9}));
    EXPECT_EQ(none, (std::vector<bool>{true, true, true, true}));

    std::vector<bool> some{false, false, true, true};
    EXPECT_EQ(scheduler::classesToSchedule(some, {4, 7, 9}), (std::vector<int>{7, 9}));
    EXPECT_EQ(some, (std::vector<bool>{false, false, true, true}));

    // "全校" alone, with no class under it, counts as nothing chosen.
    std::vector<bool> onlyAll{true, false, false};
    EXPECT_EQ(scheduler::classesToSchedule(onlyAll, {1, 2}), (std::vector<int>{1, 2}));
}

struct FindCase {
    const char* name;
    int selected;
    const char* text;
    int expected;
};
class FindName : public ::testing::TestWithParam<FindCase> {};
TEST_P(FindName, StartsAfterTheSelectionAndWraps)
{
    const std::vector<std::string> names{"张明", "李华", "张伟", "王芳", "张明远"};
    const auto& c = GetParam();
    EXPECT_EQ(scheduler::findNextName(names, c.selected, c.text), c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Search, FindName,
    ::testing::Values(FindCase{"none_selected_from_first", -1, "张", 0}, FindCase{"after_selection", 0, "张", 2},
                      FindCase{"next_after_second", 2, "张", 4}, FindCase{"wraps_to_first", 4, "张", 0},
                      FindCase{"only_match_is_the_selected_row", 3, "王", 3},
                      FindCase{"middle_of_name", 1, "明", 4}, FindCase{"no_match", 1, "钱", -1}),
    [](const auto& info) { return std::string(info.param.name); });
