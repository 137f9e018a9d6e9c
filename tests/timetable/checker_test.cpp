// The checker: silent on a timetable that keeps every rule, and for each rule a small fault
// that it must name, next to a near miss it must let pass.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "support/fixture.h"
#include "timetable/checker.h"

namespace tavrin::timetable {
namespace {

using model::Grids;
using model::School;
using tavrin::testing::place;
using tavrin::testing::smallSchool;
using tavrin::testing::smallTimetable;

std::string show(const std::vector<Violation>& v)
{
    std::string out;
    for (const auto& x : v)
        out += "[" + x.kind + "] " + x.text + "\n";
    return out;
}

TEST(Checker, SilentOnTheFixture)
{
    School s = smallSchool();
    Grids g = smallTimetable(s);
    auto v = checkTimetable(s, g);
    EXPECT_TRUE(v.empty()) << show(v);
    EXPECT_EQ(placedLessons(s, g), weeklyLessons(s));
}

struct FaultCase {
    const char* name;
    std::function<void(School&, Grids&)> change;
    // The kinds that must be reported; nothing else may be.
    std::set<std::string> kinds;
    // Where the first violation of the first kind lies (0 / -1: not checked).
    int ban = 0, tea = 0, slot = 0;
};

void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.name;
}

class Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Faults, NamesTheBrokenRuleAndNothingElse)
{
    const auto& c = GetParam();
    School s = smallSchool();
    Grids g = smallTimetable(s);
    c.change(s, g);
    auto v = checkTimetable(s, g);
    std::set<std::string> kinds;
    for (const auto& x : v) {
        kinds.insert(x.kind);
        EXPECT_FALSE(x.text.empty());
    }
    EXPECT_EQ(kinds, c.kinds) << show(v);
    if (!c.kinds.empty() && (c.ban || c.tea || c.slot)) {
        auto it = std::find_if(v.begin(), v.end(), [&](const Violation& x) { return x.kind == *c.kinds.begin(); });
        ASSERT_NE(it, v.end());
        if (c.ban) {
            EXPECT_EQ(it->ban, c.ban) << it->text;
        }
        if (c.tea) {
            EXPECT_EQ(it->tea, c.tea) << it->text;
        }
        if (c.slot) {
            EXPECT_EQ(it->slot, c.slot) << it->text;
        }
    }
}

const FaultCase kCases[] = {
    // Teachers in two places.
    {"teacher_in_two_classes",
     [](School& s, Grids& g) {
         // 张老师's lesson in 一(2)班 moves from slot 2 to slot 1, where he teaches 一(1)班.
         g.Renke_B(2, 2) = -1;
         g.Renke_T(1, 2) = -1;
         --g.RenkePlaced[1];
         place(s, g, 1, 1);
     },
     {"教师冲突", "课表不一致"}, 0, 1, 1},
    {"combined_member_beside_a_lesson_of_another_group",
     [](School& s, Grids& g) {
         s.RenkeHeban[5] = 2;  // a combined lesson of its own, not of r2/r3's group
         g.Renke_B(3, 2) = -1;
         g.Renke_T(2, 2) = -1;
         g.Renke_B(3, 3) = 5;
     },
     {"教师冲突", "课表不一致"}, 0, 2, 3},
    {"combined_group_together_is_no_conflict", [](School&, Grids&) {}, {}},
    {"combined_member_with_teacher_row_free", [](School&, Grids& g) { g.Renke_T(2, 3) = -1; }, {"合班"}, 1, 2, 3},
    {"teacher_row_missing_a_lesson", [](School&, Grids& g) { g.Renke_T(1, 5) = -1; }, {"课表不一致"}, 1, 1, 5},
    {"teacher_row_lesson_not_in_its_class", [](School&, Grids& g) { g.Renke_T(3, 7) = 4; }, {"课表不一致"}, 3, 3, 7},
    {"class_row_holds_another_classs_lesson", [](School&, Grids& g) { g.Renke_B(1, 2) = 1; }, {"无效课"}, 1, 0, 2},
    {"lesson_on_a_sentinel", [](School&, Grids& g) { g.Renke_B(2, 0) = 1; }, {"无效课"}, 2},
    // Fixed lessons and "不排".
    {"lesson_on_a_fixed_lesson", [](School& s, Grids&) { s.GudinKe(1, 7) = "班会"; }, {"固定课"}, 1, 1, 7},
    {"fixed_lesson_in_a_free_slot", [](School& s, Grids&) { s.GudinKe(3, 3) = "自习"; }, {}},
    {"subject_never_here", [](School& s, Grids&) { s.TeshuKe(1, 2, 2, 2) = model::MarkNever; }, {"不排"}, 2, 1, 6},
    {"subject_never_here_other_class", [](School& s, Grids&) { s.TeshuKe(1, 3, 2, 2) = model::MarkNever; }, {}},
    {"subject_preferred_and_certain_are_no_fault",
     [](School& s, Grids&) {
         s.TeshuKe(1, 1, 1, 1) = model::MarkPrefer;
         s.TeshuKe(1, 1, 2, 1) = model::MarkCertain;
     },
     {}},
    {"teacher_never_here", [](School& s, Grids&) { s.TeshuTea(3, 2, 1) = model::MarkNever; }, {"不排"}, 0, 3, 5},
    {"teacher_never_here_while_free", [](School& s, Grids&) { s.TeshuTea(3, 2, 2) = model::MarkNever; }, {}},
    // Room limits: slots 3 and 4 hold 体育 in two classes.
    {"room_limit_exceeded", [](School& s, Grids&) { s.KemuMaxJie[2] = 1; }, {"场地限制"}, 0, 0, 3},
    {"room_limit_just_met", [](School& s, Grids&) { s.KemuMaxJie[2] = 2; }, {}},
    // Period conditions: 语文 of 一(1)班 and 二(1)班 stands in period 1 on both days.
    {"period_cap_whole_school", [](School& s, Grids&) { s.opt.JieOptBK(0, 1, 1) = -1; }, {"时段条件"}, 1},
    {"period_exact_counts_as_cap", [](School& s, Grids&) { s.opt.JieOptBK(0, 1, 1) = 1; }, {"时段条件"}, 1},
    {"period_cap_met", [](School& s, Grids&) { s.opt.JieOptBK(0, 1, 1) = -2; }, {}},
    {"period_class_value_wins_over_whole_school_loose",
     [](School& s, Grids&) {
         s.opt.JieOptBK(0, 1, 1) = -1;
         s.opt.JieOptBK(1, 1, 1) = -2;
         s.opt.JieOptBK(3, 1, 1) = 2;
     },
     {}},
    {"period_class_value_wins_over_whole_school_tight",
     [](School& s, Grids&) {
         s.opt.JieOptBK(0, 1, 1) = -3;
         s.opt.JieOptBK(3, 1, 1) = -1;
     },
     {"时段条件"}, 3},
    {"period_cap_of_teacher", [](School& s, Grids&) { s.opt.JieOptT(3, 1) = -1; }, {"时段条件"}, 0, 3},
    {"period_cap_of_teacher_met", [](School& s, Grids&) { s.opt.JieOptT(3, 1) = 2; }, {}},
    // Day conditions: 语文 of 一(1)班 and 一(2)班 twice on Tuesday, of 二(1)班 once.
    {"day_cap_whole_school", [](School& s, Grids&) { s.opt.DayOptBK(0, 1, 2) = -1; }, {"日期条件"}, 1},
    {"day_cap_class_value_wins",
     [](School& s, Grids&) {
         s.opt.DayOptBK(0, 1, 2) = -1;
         s.opt.DayOptBK(1, 1, 2) = -2;
         s.opt.DayOptBK(2, 1, 2) = 2;
     },
     {}},
    {"day_cap_on_another_weekday", [](School& s, Grids&) { s.opt.DayOptBK(0, 1, 3) = -1; }, {}},
    {"day_cap_of_teacher", [](School& s, Grids&) { s.opt.DayOptT(1, 1) = -1; }, {"日期条件"}, 0, 1},
    {"day_cap_of_teacher_met", [](School& s, Grids&) { s.opt.DayOptT(1, 1) = -2; }, {}},
    // Exclusion pairs: 张老师 and 王老师 both teach at slots 1 and 5; 李老师 and 王老师 never meet.
    {"exclusion_partners_together",
     [](School& s, Grids&) {
         s.opt.TeaExclusive[1] = 3;
         s.opt.TeaExclusive[3] = 1;
     },
     {"教师互斥"}, 0, 1, 1},
    {"exclusion_partners_apart",
     [](School& s, Grids&) {
         s.opt.TeaExclusive[2] = 3;
         s.opt.TeaExclusive[3] = 2;
     },
     {}},
    // Counts.
    {"more_lessons_than_the_week_holds", [](School& s, Grids&) { s.RenkeJieshu[4] = 1; }, {"节数超出"}, 3, 3},
    {"fewer_lessons_placed_is_no_fault",
     [](School&, Grids& g) {
         g.Renke_B(1, 7) = -1;
         g.Renke_T(1, 7) = -1;
         --g.RenkePlaced[0];
     },
     {}},
    {"placed_count_out_of_step", [](School&, Grids& g) { g.RenkePlaced[0] = 2; }, {"节数不符"}, 1, 1},
};

INSTANTIATE_TEST_SUITE_P(Table, Faults, ::testing::ValuesIn(kCases), [](const auto& info) { return info.param.name; });

// A pair of teachers excluded from each other is reported wherever both teach, once per slot.
// One partner per teacher: a pair counts once per slot while both teachers name each other;
// a later pair of a teacher replaces the earlier, whose other side then names nobody who
// names it back. 张(1) and 王(3) meet at slots 1 and 5, 张 and 李(2) at slot 2.
TEST(Checker, ExclusionPairsCountWhileBothSidesNameEachOther)
{
    struct Case {
        const char* what;
        std::vector<int> partner;  // TeaExclusive by teacher 0..3
        std::vector<int> slots;    // slots reported
    };
    const std::vector<Case> cases = {
        {"pair 1-3", {0, 3, 0, 1}, {1, 5}},
        {"only one side left", {0, 3, 0, 0}, {}},
        {"3-1, then 2-1 replaces it for teacher 1", {0, 2, 1, 1}, {2}},
        {"1-3, then 2-3 replaces it for teacher 3", {0, 3, 3, 2}, {}},
    };
    for (const auto& c : cases) {
        School s = smallSchool();
        Grids g = smallTimetable(s);
        s.opt.TeaExclusive = c.partner;
        std::vector<int> slots;
        for (const auto& v : checkTimetable(s, g)) {
            EXPECT_EQ(v.kind, "教师互斥") << c.what;
            slots.push_back(v.slot);
        }
        EXPECT_EQ(slots, c.slots) << c.what;
        for (int t = 1; t <= 3; ++t) {
            const int x = exclusionPartner(s, t);
            EXPECT_TRUE(x == 0 || exclusionPartner(s, x) == t) << c.what << ": partners are mutual";
        }
    }
}

// Grids made for another school are refused whole instead of read out of bounds.
TEST(Checker, GridsOfAnotherShape)
{
    School s = smallSchool();
    Grids g = smallTimetable(s);
    s.MaxBanID = 2;
    auto v = checkTimetable(s, g);
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v.front().kind, "无效课");
}

struct PairCase {
    std::vector<int> slots;  // where 二(1)班's 语文 (r4) stands
    int pairs;
};

void PrintTo(const PairCase& c, std::ostream* os)
{
    for (int slot : c.slots)
        *os << slot << ' ';
}

class Pairs : public ::testing::TestWithParam<PairCase> {};

TEST_P(Pairs, CountsNeighboursInOneSectionOfOneDay)
{
    School s = smallSchool();
    Grids g;
    g.reset(s);
    for (int slot : GetParam().slots)
        g.Renke_B(3, slot) = 4;
    EXPECT_EQ(lessonPairs(s, g, 4), GetParam().pairs);
}

INSTANTIATE_TEST_SUITE_P(Table, Pairs,
                         ::testing::Values(PairCase{{1, 2}, 1},     // Monday morning
                                           PairCase{{3, 4}, 1},     // Monday afternoon
                                           PairCase{{2, 3}, 0},     // across the noon break
                                           PairCase{{4, 5}, 0},     // across the night
                                           PairCase{{1, 3}, 0},     // not neighbours
                                           PairCase{{5, 6, 7, 8}, 2},
                                           PairCase{{}, 0}));

TEST(Checker, DoublesFormedCountsUpToWhatTheSubjectWants)
{
    School s = smallSchool();
    Grids g = smallTimetable(s);
    // 体育 wants one double a week: r2 and r3 have theirs (slots 3 and 4), r5 has one lesson.
    s.KemuLianpai[2] = 1;
    EXPECT_EQ(doublesWanted(s), 3);
    EXPECT_EQ(doublesFormed(s, g), 2);
    // Two wanted: the pairs formed still count once each.
    s.KemuLianpai[2] = 2;
    EXPECT_EQ(doublesWanted(s), 6);
    EXPECT_EQ(doublesFormed(s, g), 2);
    // Three in a row are two pairs, but no more than the one double wanted.
    s.KemuLianpai[2] = 0;
    s.KemuLianpai[1] = 1;
    Grids t;
    t.reset(s);
    for (int slot : {5, 6})
        t.Renke_B(3, slot) = 4;
    for (int slot : {5, 6, 7})
        t.Renke_B(1, slot) = 0;
    EXPECT_EQ(doublesFormed(s, t), 2);
    EXPECT_EQ(doublesWanted(s), 3);
}

}  // namespace
}  // namespace tavrin::timetable
