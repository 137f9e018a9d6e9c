// The text tables of `tavrin-cli show`: the page's cell texts in both layouts, section
// rules, the waiting lessons, and widths that keep the rules in line.
#include <gtest/gtest.h>

#include "support/fixture.h"
#include "timetable/kbtext.h"

namespace tavrin::timetable {
namespace {

// The small school with a time for period 1, a class meeting in class 1 on Monday period 2
// and class 1's 语文 taken out of Tuesday period 3.
KbData editedSmallSchool()
{
    model::School s = testing::smallSchool();
    s.TimeStr[1] = "08:00";
    s.GudinKe(1, 2) = "班会";
    model::Grids g = testing::smallTimetable(s);
    g.Renke_B(1, 7) = -1;
    g.Renke_T(1, 7) = -1;
    --g.RenkePlaced[0];
    KbData kb;
    startKbData(kb, std::move(s), std::move(g));
    return kb;
}

TEST(KbText, ClassTimetableWithDaysAsColumns)
{
    const KbData kb = editedSmallSchool();
    EXPECT_EQ(renderKbText(kb, KbSide::Ban, 1, 1),
              "一(1)班 4节\n"
              "+-------+------------+------------+\n"
              "|       | 星期一     | 星期二     |\n"
              "+-------+------------+------------+\n"
              "| 第1节 | 语文       | 语文       |\n"
              "| 08:00 | （张老师） | （张老师） |\n"
              "+-------+------------+------------+\n"
              "| 第2节 | 班会       |            |\n"
              "+=======+============+============+\n"
              "| 第3节 | 体育       |            |\n"
              "|       | （李老师） |            |\n"
              "+-------+------------+------------+\n"
              "| 第4节 | 体育       |            |\n"
              "|       | （李老师） |            |\n"
              "+-------+------------+------------+\n"
              "未排：语文（张老师）\n");
}

TEST(KbText, TeacherTimetableWithDaysAsRowsAndOneBox)
{
    const KbData kb = editedSmallSchool();
    EXPECT_EQ(renderKbText(kb, KbSide::Tea, 1, 2, {false, true}),
              "张老师 5节\n"
              "+--------+---------+---------++-------+---------+\n"
              "|        | 第1节   | 第2节   || 第3节 | 第4节   |\n"
              "|        | 08:00   |         ||       |         |\n"
              "+--------+---------+---------++-------+---------+\n"
              "| 星期一 | 一(1)班 | 一(2)班 ||       |         |\n"
              "+--------+---------+---------++-------+---------+\n"
              "| 星期二 | 一(1)班 | 一(2)班 ||       | 一(2)班 |\n"
              "+--------+---------+---------++-------+---------+\n"
              "未排：一(1)班\n");
}

TEST(KbText, OverflowingHoldingListSaysSo)
{
    model::School s = testing::smallSchool();
    s.RenkeJieshu[5] = 12;  // 二(1)班's 体育: 11 waiting, 8 slots a week
    model::Grids g = testing::smallTimetable(s);
    KbData kb;
    startKbData(kb, std::move(s), std::move(g));
    const std::string text = renderKbText(kb, KbSide::Ban, 3, 1);
    EXPECT_NE(text.find("未排：体育（李老师）、体育（李老师）"), std::string::npos) << text;
    EXPECT_NE(text.find("该班未排课节太多，可能是课节空间未够容纳任课，未能全部列出！\n"), std::string::npos) << text;
}

TEST(KbText, DisplayWidth)
{
    EXPECT_EQ(displayWidth(""), 0);
    EXPECT_EQ(displayWidth("08:00"), 5);
    EXPECT_EQ(displayWidth("语文"), 4);
    EXPECT_EQ(displayWidth("（一(2)班）"), 2 + 2 + 1 + 1 + 1 + 2 + 2);
    EXPECT_EQ(displayWidth("é"), 1);
}

}  // namespace
}  // namespace tavrin::timetable
