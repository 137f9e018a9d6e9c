// What the cells of the class and teacher timetables show: texts by the content boxes,
// fixed lessons, locks, titles and headers, the holding list, the picker search, go-to.
#include <gtest/gtest.h>

#include "support/fixture.h"
#include "timetable/cells.h"

namespace tavrin::timetable {
namespace {

using tavrin::testing::smallSchool;
using tavrin::testing::smallTimetable;

KbData stepOf(model::School s)
{
    model::Grids g = smallTimetable(s);
    KbData kb;
    startKbData(kb, std::move(s), std::move(g));
    return kb;
}

struct TextCase {
    const char* name;
    KbSide side;
    int id, slot;
    bool ke, nameBox;
    const char* text;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

class CellText : public ::testing::TestWithParam<TextCase> {};

TEST_P(CellText, FollowsTheContentBoxes)
{
    const TextCase& c = GetParam();
    KbData kb = stepOf(smallSchool());
    const KbShow show{c.ke, c.nameBox};
    const KbCell cell = c.side == KbSide::Ban ? banCell(kb.school, kb.gridB(), c.id, c.slot, show)
                                              : teaCell(kb.school, kb.gridT(), c.id, c.slot, show);
    EXPECT_EQ(cell.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CellText,
    ::testing::Values(TextCase{"class_both", KbSide::Ban, 1, 1, true, true, "语文\n（张老师）"},
                      TextCase{"class_subject", KbSide::Ban, 1, 1, true, false, "语文"},
                      TextCase{"class_teacher_alone_has_no_brackets", KbSide::Ban, 1, 1, false, true, "张老师"},
                      TextCase{"class_neither", KbSide::Ban, 1, 1, false, false, ""},
                      TextCase{"class_empty_cell", KbSide::Ban, 1, 2, true, true, ""},
                      TextCase{"class_combined_lesson", KbSide::Ban, 2, 3, true, true, "体育\n（李老师）"},
                      TextCase{"teacher_both", KbSide::Tea, 2, 2, true, true, "体育\n（二(1)班）"},
                      TextCase{"teacher_subject", KbSide::Tea, 2, 2, true, false, "体育"},
                      TextCase{"teacher_class_alone", KbSide::Tea, 2, 2, false, true, "二(1)班"},
                      // The teacher's row holds the member of the combined lesson loaded last.
                      TextCase{"teacher_combined_lesson", KbSide::Tea, 2, 3, true, true, "体育\n（一(2)班）"},
                      TextCase{"teacher_free", KbSide::Tea, 2, 1, true, true, ""}),
    [](const auto& info) { return info.param.name; });

TEST(Cells, FixedLessonsShowTheirNameDisabledAndNoLessonBlank)
{
    model::School s = smallSchool();
    s.GudinKe(1, 2) = "班会";
    s.GudinKe(1, 6) = "无课";
    KbData kb = stepOf(std::move(s));
    const KbCell meeting = banCell(kb.school, kb.gridB(), 1, 2, {});
    EXPECT_EQ(meeting.text, "班会");
    EXPECT_EQ(meeting.look, KbLook::Gudin);
    EXPECT_FALSE(meeting.enabled);
    EXPECT_FALSE(meeting.draggable);
    const KbCell closed = banCell(kb.school, kb.gridB(), 1, 6, {});
    EXPECT_EQ(closed.text, "");
    EXPECT_EQ(closed.look, KbLook::Gudin);
    EXPECT_FALSE(closed.enabled);
    // Its neighbour without a fixed lesson takes drops.
    EXPECT_TRUE(banCell(kb.school, kb.gridB(), 1, 8, {}).enabled);

    kb.school.BanLocked[1] = 1;
    const KbCell lockedMeeting = banCell(kb.school, kb.gridB(), 1, 2, {});
    EXPECT_EQ(lockedMeeting.look, KbLook::Locked);
    EXPECT_FALSE(lockedMeeting.enabled);
    EXPECT_EQ(lockedMeeting.text, "班会");
}

// Locks, and the looks of one whole row: 'n' normal and draggable, 'e' normal empty,
// 'L' locked lesson, 'l' locked empty.
struct LockCase {
    const char* name;
    int lockedBan, lockedTea;
    KbSide side;
    int id;
    const char* row;  // slots 1..8
};

void PrintTo(const LockCase& c, std::ostream* os)
{
    *os << c.name;
}

class Locks : public ::testing::TestWithParam<LockCase> {};

TEST_P(Locks, RowLooks)
{
    const LockCase& c = GetParam();
    model::School s = smallSchool();
    if (c.lockedBan)
        s.BanLocked[static_cast<std::size_t>(c.lockedBan)] = 1;
    if (c.lockedTea)
        s.TeaLocked[static_cast<std::size_t>(c.lockedTea)] = 1;
    KbData kb = stepOf(std::move(s));
    std::string row;
    for (int slot = 1; slot <= 8; ++slot) {
        const KbCell cell = c.side == KbSide::Ban ? banCell(kb.school, kb.gridB(), c.id, slot, {})
                                                  : teaCell(kb.school, kb.gridT(), c.id, slot, {});
        EXPECT_TRUE(cell.enabled);
        const bool lesson = cell.renke >= 0;
        EXPECT_EQ(cell.draggable, lesson && cell.look == KbLook::Normal) << slot;
        if (cell.look == KbLook::Locked)
            row += lesson ? 'L' : 'l';
        else
            row += lesson ? 'n' : 'e';
    }
    EXPECT_EQ(row, c.row);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Locks,
    ::testing::Values(
        // Class 1: 语文 (张老师) at 1 5 7, 体育 (李老师) at 3 4.
        LockCase{"class_page_nothing_locked", 0, 0, KbSide::Ban, 1, "nennnene"},
        LockCase{"class_page_class_locked", 1, 0, KbSide::Ban, 1, "LlLLLlLl"},
        LockCase{"class_page_teacher_of_two_lessons_locked", 0, 2, KbSide::Ban, 1, "neLLnene"},
        LockCase{"class_page_other_class_locked", 2, 0, KbSide::Ban, 1, "nennnene"},
        // 张老师: class 1 at 1 5 7, class 2 at 2 6 8.
        LockCase{"teacher_page_teacher_locked", 0, 1, KbSide::Tea, 1, "LLllLLLL"},
        LockCase{"teacher_page_one_class_locked", 1, 0, KbSide::Tea, 1, "LneeLnLn"},
        LockCase{"teacher_page_other_teacher_locked", 0, 3, KbSide::Tea, 1, "nneennnn"}),
    [](const auto& info) { return info.param.name; });

TEST(Cells, TitlesAndHeaders)
{
    model::School s = smallSchool();
    s.TimeStr[1] = "08:00-08:45";
    KbData kb = stepOf(std::move(s));
    EXPECT_EQ(kbTitle(kb.school, kb.gridB(), KbSide::Ban, 1), "一(1)班 5节");
    EXPECT_EQ(kbTitle(kb.school, kb.gridB(), KbSide::Ban, 3), "二(1)班 3节");
    EXPECT_EQ(kbTitle(kb.school, kb.gridT(), KbSide::Tea, 2), "李老师 3节");
    EXPECT_EQ(periodHeader(kb.school, 1), "第1节\n08:00-08:45");
    EXPECT_EQ(periodHeader(kb.school, 2), "第2节");
    EXPECT_EQ(dayHeader(kb.school, 2), "星期二");
}

TEST(Cells, TitleCountsTheTimetableBeingEdited)
{
    KbData kb = stepOf(smallSchool());
    kb.Renke_B_undo[1] = kb.Renke_B_undo[0];
    kb.AtdoNum = 1;
    kb.gridB()(1, 7) = -1;
    EXPECT_EQ(kbTitle(kb.school, kb.gridB(), KbSide::Ban, 1), "一(1)班 4节");
    EXPECT_EQ(banCell(kb.school, kb.gridB(), 1, 7, {}).text, "");
}

TEST(Holding, ListsUnplacedLessonsInAssignmentOrder)
{
    KbData kb = stepOf(smallSchool());
    // Take class 1's 体育 (r2) out of slots 3 and 4 and its 语文 (r0) out of slot 7.
    for (int slot : {3, 4})
        kb.gridB()(1, slot) = -1;
    kb.gridB()(1, 7) = -1;
    kb.gridT()(1, 7) = -1;
    kb.placed()[2] = 0;
    kb.placed()[0] = 2;

    const KbHolding ban = listHolding(kb, KbSide::Ban, 1);
    EXPECT_FALSE(ban.overflow);
    ASSERT_EQ(ban.count, 3);
    EXPECT_EQ(std::vector<int>(ban.TmpKe.begin() + 1, ban.TmpKe.begin() + 4), (std::vector<int>{0, 2, 2}));
    EXPECT_EQ(std::vector<int>(ban.TmpKeNo.begin() + 1, ban.TmpKeNo.begin() + 4), (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(ban.TmpKe[4], -1);
    // 李老师's list holds the same 体育 lessons; 张老师's the 语文.
    const KbHolding li = listHolding(kb, KbSide::Tea, 2);
    EXPECT_EQ(li.count, 2);
    EXPECT_EQ(li.TmpKe[1], 2);
    const KbHolding zhang = listHolding(kb, KbSide::Tea, 1);
    EXPECT_EQ(zhang.count, 1);
    EXPECT_EQ(zhang.TmpKe[1], 0);
    EXPECT_EQ(listHolding(kb, KbSide::Ban, 2).count, 0);
    // The pickers' marks: class 1 holds three, class 2 none; 张老师 one, 李老师 two.
    EXPECT_EQ(heldCounts(kb, KbSide::Ban)[1], 3);
    EXPECT_EQ(heldCounts(kb, KbSide::Ban)[2], 0);
    EXPECT_EQ(heldCounts(kb, KbSide::Tea)[1], 1);
    EXPECT_EQ(heldCounts(kb, KbSide::Tea)[2], 2);

    EXPECT_EQ(heldCell(kb, 2, KbSide::Ban, {}).text, "体育\n（李老师）");
    EXPECT_TRUE(heldCell(kb, 2, KbSide::Ban, {}).draggable);
    kb.school.TeaLocked[2] = 1;
    EXPECT_EQ(heldCell(kb, 2, KbSide::Ban, {}).look, KbLook::Locked);
    EXPECT_FALSE(heldCell(kb, 2, KbSide::Ban, {}).draggable);
}

TEST(Holding, MoreUnplacedLessonsThanSlotsStopsAtN)
{
    model::School s = smallSchool();
    s.RenkeJieshu[0] = 20;  // 17 of them unplaced, 8 slots a week
    KbData kb = stepOf(std::move(s));
    const KbHolding h = listHolding(kb, KbSide::Ban, 1);
    EXPECT_TRUE(h.overflow);
    EXPECT_EQ(h.count, 8);
    EXPECT_EQ(h.TmpKe[8], 0);
    EXPECT_EQ(h.TmpKeNo[8], 8);
    EXPECT_STREQ(holdingOverflowText(KbSide::Ban), "该班未排课节太多，可能是课节空间未够容纳任课，未能全部列出！");
    EXPECT_STREQ(holdingOverflowText(KbSide::Tea), "该教师未排课节太多，可能是课节空间未够容纳任课，未能全部列出！");
    EXPECT_TRUE(listHolding(kb, KbSide::Tea, 1).overflow);
    EXPECT_FALSE(listHolding(kb, KbSide::Ban, 2).overflow);
    // The picker's count goes on past the list's end.
    EXPECT_EQ(heldCounts(kb, KbSide::Ban)[1], 17);
}

TEST(Holding, FlowPlacesAreRememberedAndKept)
{
    model::School s = smallSchool();
    s.RenkeJieshu[0] = 6;  // class 1: three 语文 waiting
    s.RenkeJieshu[2] = 3;  // and one 体育
    s.RenkeMaxJieshu = 6;
    KbData kb = stepOf(std::move(s));
    const KbHolding h = listHolding(kb, KbSide::Ban, 1);
    ASSERT_EQ(h.count, 4);
    // Instance 2 of 语文 was dropped at (500, 60); instance 1 of 体育 at (3, 4), which sums
    // to less than 10 and so counts as no place.
    kb.TmpPosX_B(0, 2) = 500;
    kb.TmpPosY_B(0, 2) = 60;
    kb.TmpPosX_B(2, 1) = 3;
    kb.TmpPosY_B(2, 1) = 4;
    const auto r = placeHolding(h, kb.TmpPosX_B, kb.TmpPosY_B, 100, 50, 1000);
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[1], (KbRect{1, 1, 100, 50}));     // 语文 1: first flow place
    EXPECT_EQ(r[2], (KbRect{500, 60, 100, 50}));  // 语文 2: where it was dropped
    EXPECT_EQ(r[3], (KbRect{101, 1, 100, 50}));   // 语文 3: the flow did not advance for 2
    EXPECT_EQ(r[4], (KbRect{201, 1, 100, 50}));   // 体育 1
    EXPECT_EQ(kb.TmpPosX_B(0, 3), 101);
    EXPECT_EQ(kb.TmpPosY_B(0, 3), 1);
    EXPECT_EQ(kb.TmpPosX_B(2, 1), 201);
    // The teacher page keeps its own places.
    EXPECT_EQ(kb.TmpPosX_T(0, 3), 0);

    // Half as wide, twice as high: remembered places follow the cells.
    scaleHoldingPlaces(kb.TmpPosX_B, kb.TmpPosY_B, 100, 50, 50, 100);
    const auto again = placeHolding(h, kb.TmpPosX_B, kb.TmpPosY_B, 50, 100, 1000);
    EXPECT_EQ(again[2], (KbRect{250, 120, 50, 100}));
    EXPECT_EQ(again[3], (KbRect{50, 2, 50, 100}));
    EXPECT_EQ(again[4], (KbRect{100, 2, 50, 100}));
}

struct SearchCase {
    const char* name;
    const char* text;
    int found;
};

void PrintTo(const SearchCase& c, std::ostream* os)
{
    *os << c.name;
}

class Search : public ::testing::TestWithParam<SearchCase> {};

TEST_P(Search, FirstMatchInPickerOrder)
{
    const std::vector<std::string> items = {"初一(1)班", "初一(2)班", "初二(1)班", "高一(12)班", "李明"};
    EXPECT_EQ(findPickerItem(items, GetParam().text), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Table, Search,
                         ::testing::Values(SearchCase{"several_matches_take_the_first", "(1)", 0},
                                           SearchCase{"later_item", "初二", 2},
                                           SearchCase{"digit_inside_a_name", "2", 1},
                                           SearchCase{"whole_name", "高一(12)班", 3},
                                           SearchCase{"one_character", "明", 4},
                                           SearchCase{"no_match", "初三", -1},
                                           SearchCase{"empty", "", -1},
                                           SearchCase{"class_prompt", "查找班级", -1},
                                           SearchCase{"teacher_prompt", "查找教师", -1}),
                         [](const auto& info) { return info.param.name; });

TEST(GoTo, OtherSideOfTheLesson)
{
    KbData kb = stepOf(smallSchool());
    const model::School& s = kb.school;
    EXPECT_EQ(goToTarget(s, kb.cellB(1, 3), KbSide::Ban), 2);  // 体育 of 李老师
    EXPECT_EQ(goToCaption(s, KbSide::Ban, 2), "打开“李老师”(&A)");
    EXPECT_EQ(goToTarget(s, kb.cellT(2, 2), KbSide::Tea), 3);  // 二(1)班
    EXPECT_EQ(goToCaption(s, KbSide::Tea, 3), "打开“二(1)班”(&A)");
    EXPECT_EQ(goToTarget(s, kb.cellB(1, 2), KbSide::Ban), 0);
}

}  // namespace
}  // namespace tavrin::timetable
