// The whole-school tables written and read back: the frame in both layouts, lessons and
// their font runs, the show boxes with short names, the counts and totals of the
// assignment table, public slots, the shape figures, the page set-up, the settings row and
// a cancelled export.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "spreadsheet/schoolexport.h"
#include "support/fixture.h"
#include "support/school_builder.h"
#include "support/xlsx_reader.h"

namespace tavrin::spreadsheet {
namespace {

// The small school of the fixture (two days of 2 + 2 periods, three classes) with a fourth
// teacher who teaches nothing, a class meeting on Monday 2 of class 1 and 张老师's last
// lesson (Tuesday 4) taken out, so that slot has no teacher at all.
struct Small {
    model::School s = testing::smallSchool();
    model::Grids g;
    Small()
    {
        s.XiaoName = "实验中学";
        s.TeaOldNum = 4;
        s.TeaName.push_back("赵老师");
        s.TeaName2 = {"", "张", "李", "王", "赵"};
        s.GudinKe(1, 2) = "班会";
        build();
    }
    // After a change of the week.
    void build()
    {
        g = testing::smallTimetable(s);
        g.Renke_B(2, 8) = -1;
        g.Renke_T(1, 8) = -1;
    }
    KbGrids grids() const { return {&g.Renke_B, &g.Renke_T}; }
};

SchoolExportOptions options(SchoolTable kind, int layout, const std::string& paper = "A3")
{
    SchoolExportOptions o;
    o.kind = kind;
    o.layout = layout;
    o.paper = paper;
    o.font1 = o.font2 = "宋体";
    o.size1 = o.size2 = 8;
    o.timeHead = "2026至2027学年度第一学期";
    return o;
}

testing::XlsxSheet exportOf(const Small& x, const SchoolExportOptions& o)
{
    testing::TempDir dir;
    Workbook book;
    EXPECT_TRUE(exportSchoolTable(x.s, x.grids(), o, book));
    const auto path = (dir.path() / "all.xlsx").string();
    const WriteResult w = book.save(path);
    EXPECT_TRUE(w.ok) << w.error;
    const auto b = testing::readXlsx(path);
    EXPECT_EQ(b.sheets.size(), 1u);
    return b.sheets.at(0);
}

TEST(SchoolExport, TimetablePeriodsAcross)
{
    Small x;
    const auto s = exportOf(x, options(SchoolTable::Timetable, 1));
    EXPECT_EQ(s.name, "实验中学总课程表");
    EXPECT_EQ(s.text(1, 1), "实验中学总课程表");
    EXPECT_TRUE(s.merged("A1:I1"));  // L = 2 days x 4 + 1
    EXPECT_EQ(s.at(1, 1)->size, 20);
    EXPECT_EQ(s.text(2, 1), "2026至2027学年度第一学期");
    EXPECT_TRUE(s.merged("A2:I2"));
    EXPECT_EQ(s.at(2, 1)->valign, "top");
    EXPECT_EQ(s.heights.at(2), 25);
    EXPECT_TRUE(s.merged("A3:A5"));
    EXPECT_EQ(s.text(3, 1), "课　 时\n　 程  间\n班级");
    EXPECT_EQ(s.at(3, 1)->halign, "left");
    EXPECT_EQ(s.text(3, 2), "星期一");
    EXPECT_TRUE(s.merged("B3:E3"));
    EXPECT_EQ(s.text(3, 6), "星期二");
    EXPECT_TRUE(s.merged("F3:I3"));
    EXPECT_EQ(s.text(4, 2), "上午");
    EXPECT_TRUE(s.merged("B4:C4"));
    EXPECT_EQ(s.text(4, 4), "下午");
    EXPECT_TRUE(s.merged("H4:I4"));
    EXPECT_EQ(s.text(5, 2), "1");
    EXPECT_TRUE(s.at(5, 2)->number);
    EXPECT_EQ(s.text(5, 9), "4");
    EXPECT_EQ(s.text(6, 1), "一(1)班");
    EXPECT_EQ(s.text(8, 1), "二(1)班");
    EXPECT_EQ(s.text(6, 2), "语文\n张老师");
    EXPECT_EQ(s.text(6, 4), "体育\n李老师");
    EXPECT_EQ(s.text(7, 4), "体育\n李老师");  // both classes of the combined lesson
    EXPECT_EQ(s.text(8, 3), "体育\n李老师");
    EXPECT_EQ(s.text(6, 6), "语文\n张老师");  // Tuesday 1
    EXPECT_EQ(s.text(6, 3), "") << "fixed lessons stay out of the school table";
    EXPECT_EQ(s.at(6, 2)->size, 8);  // font 1 on the lessons
    EXPECT_EQ(s.at(6, 1)->size, 10);
    EXPECT_EQ(s.at(6, 2)->halign, "center");
    EXPECT_EQ(s.at(6, 2)->valign, "center");
    // Hairlines inside, a thin outline.
    EXPECT_EQ(s.at(6, 2)->border.left, "hair");
    EXPECT_EQ(s.at(6, 2)->border.top, "hair");
    EXPECT_EQ(s.at(6, 1)->border.left, "thin");
    EXPECT_EQ(s.at(8, 9)->border.bottom, "thin");
    EXPECT_EQ(s.at(8, 9)->border.right, "thin");
    EXPECT_NEAR(s.widths.at(1), 8, 1);
    EXPECT_NEAR(s.widths.at(2), 18.025, 1);  // 145 / (4 x 2) - 0.1
}

TEST(SchoolExport, TimetablePeriodsDown)
{
    Small x;
    const auto s = exportOf(x, options(SchoolTable::Timetable, 2));
    EXPECT_TRUE(s.merged("A1:F1"));  // L = 3 classes + 3
    EXPECT_TRUE(s.merged("A3:C3"));
    EXPECT_EQ(s.text(3, 1), " 课   班\n      级\n   程\n\n时间");
    EXPECT_EQ(s.text(4, 1), "星期一");
    EXPECT_TRUE(s.merged("A4:A7"));
    EXPECT_TRUE(s.merged("A8:A11"));  // Z = 2 days x 4 + 3
    EXPECT_EQ(s.text(4, 2), "上午");
    EXPECT_TRUE(s.merged("B4:B5"));
    EXPECT_TRUE(s.merged("B6:B7"));
    EXPECT_EQ(s.text(4, 3), "1");
    EXPECT_EQ(s.text(11, 3), "4");
    EXPECT_EQ(s.text(3, 4), "一(1)班");
    EXPECT_EQ(s.text(3, 6), "二(1)班");
    EXPECT_EQ(s.at(3, 4)->rotation, 255);
    EXPECT_EQ(s.at(3, 4)->valign, "distributed");
    EXPECT_EQ(s.text(4, 4), "语文\n张老师");
    EXPECT_EQ(s.text(8, 4), "语文\n张老师");  // Tuesday 1
    EXPECT_EQ(s.text(5, 6), "体育\n李老师");
    EXPECT_EQ(s.heights.at(3), 67.5);
    EXPECT_NEAR(s.widths.at(1), 2, 1);
    EXPECT_NEAR(s.widths.at(4), 48.23, 1);  // 145 / 3 - 0.1
    EXPECT_EQ(s.at(11, 6)->border.bottom, "thin");
    EXPECT_EQ(s.at(11, 6)->border.left, "hair");
}

TEST(SchoolExport, AssignmentCountsAndTotals)
{
    Small x;
    {
        const auto s = exportOf(x, options(SchoolTable::Assignments, 1));
        EXPECT_EQ(s.text(1, 1), "实验中学总任课表");
        EXPECT_EQ(s.text(3, 1), "任　 时\n　 课  间\n教师");
        EXPECT_EQ(s.text(9, 1), "赵老师");
        EXPECT_EQ(s.text(7, 4), "体育\n一(2)班");  // the combined lesson's held member
        EXPECT_EQ(s.text(3, 10), "节数\n合计");
        EXPECT_TRUE(s.merged("J3:J5"));
        // Week totals: 张 5, 李 3, 王 2, 赵 0 (a teacher without lessons shows 0).
        EXPECT_EQ(s.text(6, 10), "5");
        EXPECT_EQ(s.text(7, 10), "3");
        EXPECT_EQ(s.text(8, 10), "2");
        EXPECT_EQ(s.text(9, 10), "0");
        EXPECT_TRUE(s.at(9, 10)->number);
        // Teachers per slot on row n + 6; Tuesday 4 has none and stays empty.
        EXPECT_EQ(s.text(10, 2), "2");
        EXPECT_EQ(s.text(10, 3), "2");
        EXPECT_EQ(s.text(10, 4), "1");
        EXPECT_EQ(s.text(10, 6), "2");
        EXPECT_EQ(s.text(10, 9), "");
        EXPECT_EQ(s.text(10, 10), "10");
        EXPECT_EQ(s.at(10, 10)->border.bottom, "thin");
    }
    {
        const auto s = exportOf(x, options(SchoolTable::Assignments, 2));
        EXPECT_EQ(s.text(3, 1), " 任   教\n      师\n   程\n\n时间");
        EXPECT_EQ(s.text(3, 8), "节数\n合计");  // L = 4 teachers + 4
        EXPECT_EQ(s.text(12, 1), "节数合计");   // Z = 2 days x 4 + 4
        EXPECT_TRUE(s.merged("A12:C12"));
        EXPECT_EQ(s.text(12, 4), "5");
        EXPECT_EQ(s.text(12, 7), "0");
        EXPECT_EQ(s.text(12, 8), "10");
        EXPECT_EQ(s.text(4, 8), "2");
        EXPECT_EQ(s.text(6, 8), "1");
        EXPECT_EQ(s.text(11, 8), "");
    }
}

TEST(SchoolExport, PublicSlotBeforeTheFirstPeriod)
{
    Small x;
    x.s.PublicTime[0] = "早读";
    x.s.PublicTime[5] = "旧的";  // stored past the last period: not in the day's block
    {
        const auto s = exportOf(x, options(SchoolTable::Timetable, 1));
        EXPECT_TRUE(s.merged("A1:K1"));  // W = 5
        EXPECT_EQ(s.text(5, 2), "早读");
        EXPECT_TRUE(s.merged("B5:B8"));
        EXPECT_EQ(s.at(5, 2)->rotation, 255);
        EXPECT_EQ(s.at(5, 2)->size, 8);
        EXPECT_EQ(s.text(5, 3), "1");
        EXPECT_EQ(s.text(6, 3), "语文\n张老师");
        EXPECT_TRUE(s.merged("B4:D4"));  // the morning takes the slot
        EXPECT_EQ(s.text(5, 7), "早读");
        EXPECT_EQ(s.text(6, 8), "语文\n张老师");  // Tuesday 1
        EXPECT_NEAR(s.widths.at(2), 8.0, 1);      // half of 145 / (4.5 x 2) - 0.1
        EXPECT_NEAR(s.widths.at(3), 16.0, 1);
    }
    {
        // The slot's merge stops above the count row and before the count column.
        const auto s1 = exportOf(x, options(SchoolTable::Assignments, 1));
        EXPECT_TRUE(s1.merged("B5:B9"));
        const auto s2 = exportOf(x, options(SchoolTable::Assignments, 2));
        EXPECT_EQ(s2.text(4, 4), "早读");
        EXPECT_TRUE(s2.merged("D4:G4"));
        EXPECT_EQ(s2.at(4, 4)->halign, "distributed");
        EXPECT_EQ(s2.text(5, 3), "1");
        EXPECT_EQ(s2.text(5, 4), "语文\n一(1)班");
        EXPECT_EQ(s2.text(5, 8), "2");
    }
}

TEST(SchoolExport, ShowBoxesAndShortNames)
{
    struct Case {
        bool ke, keShort, name, nameShort;
        std::string timetable;    // Monday 1 of class 1
        std::string assignments;  // Monday 1 of 张老师
    };
    const std::vector<Case> cases = {
        {true, false, true, false, "语文\n张老师", "语文\n一(1)班"},
        {true, true, true, true, "语\n张", "语\n一(1)班"},
        {true, true, false, false, "语", "语"},
        {false, false, true, true, "张", "一(1)班"},
        {false, false, false, false, "", ""},
    };
    Small x;
    for (const auto& c : cases) {
        for (SchoolTable kind : {SchoolTable::Timetable, SchoolTable::Assignments}) {
            auto o = options(kind, 1);
            o.showKe = c.ke;
            o.keShort = c.keShort;
            o.showName = c.name;
            o.nameShort = c.nameShort;
            const auto s = exportOf(x, o);
            EXPECT_EQ(s.text(6, 2), kind == SchoolTable::Timetable ? c.timetable : c.assignments)
                << c.ke << c.keShort << c.name << c.nameShort;
            if (kind == SchoolTable::Assignments) {
                EXPECT_EQ(s.text(6, 10), "5") << "counts whatever the boxes";
            }
        }
    }
}

TEST(SchoolExport, FontRunsOnlyWhenTheFontsDiffer)
{
    struct Case {
        std::string font2;
        int size2;
        std::size_t runs;
        std::string secondFont;
        double secondSize;
    };
    const std::vector<Case> cases = {
        {"宋体", 8, 0, "", 0},
        {"黑体", 8, 2, "黑体", 8},
        {"宋体", 6, 2, "宋体", 6},
        {"黑体", 6, 2, "黑体", 6},
    };
    Small x;
    for (const auto& c : cases) {
        auto o = options(SchoolTable::Timetable, 1);
        o.font2 = c.font2;
        o.size2 = c.size2;
        const auto s = exportOf(x, o);
        const auto* cell = s.at(6, 2);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->text, "语文\n张老师");
        ASSERT_EQ(cell->runs.size(), c.runs) << c.font2 << c.size2;
        if (c.runs == 2) {
            EXPECT_EQ(cell->runs[0].text, "语文");
            EXPECT_EQ(cell->runs[0].font, "宋体");
            EXPECT_EQ(cell->runs[0].size, 8);
            EXPECT_EQ(cell->runs[1].text, "\n张老师");
            EXPECT_EQ(cell->runs[1].font, c.secondFont);
            EXPECT_EQ(cell->runs[1].size, c.secondSize);
        }
    }
    // Only the second line shown: the lesson area takes font 2.
    auto o = options(SchoolTable::Timetable, 1);
    o.font2 = "黑体";
    o.size2 = 6;
    o.showKe = false;
    const auto s = exportOf(x, o);
    EXPECT_EQ(s.at(6, 2)->font, "黑体");
    EXPECT_EQ(s.at(6, 2)->size, 6);
}

// The corner's two lines: a transparent picture exactly the merged corner's size, both lines
// ending in its bottom-right pixel, one starting on the top edge, the other on the left.
TEST(SchoolExport, CornerLinesMeetTheCorner)
{
    struct Case {
        int layout;
        int width, height;  // the corner in pixels: column A of 8, or A..C of 2 characters; rows 3..5 or 3
        int topX;           // where the first line leaves the top edge
        int leftY;          // where the second leaves the left edge
    };
    const std::vector<Case> cases = {
        {1, 61, 60, 15, 27},  // 12.75 / 51.75 and 19.5 / 42.75 of the corner
        {2, 57, 90, 19, 41},  // 15.75 / 47.25 and 30.75 / 67.5
    };
    Small x;
    for (const auto& c : cases) {
        Workbook book;
        ASSERT_TRUE(exportSchoolTable(x.s, x.grids(), options(SchoolTable::Timetable, c.layout), book));
        const Sheet& sh = book.sheet(0);
        ASSERT_EQ(sh.pictures().size(), 1u);
        const Picture& pic = sh.pictures()[0];
        EXPECT_EQ(pic.row, 3);
        EXPECT_EQ(pic.col, 1);
        const QImage img = QImage::fromData(reinterpret_cast<const uchar*>(pic.png.data()), static_cast<int>(pic.png.size()));
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.width(), c.width) << c.layout;
        EXPECT_EQ(img.height(), c.height) << c.layout;
        auto ink = [&](int px, int py) { return img.pixelColor(px, py).alpha() > 0; };
        EXPECT_TRUE(ink(c.width - 1, c.height - 1)) << "the lines end in the corner";
        EXPECT_FALSE(ink(c.width - 1, 0)) << "transparent elsewhere";
        EXPECT_FALSE(ink(0, c.height - 1));
        EXPECT_TRUE(ink(c.topX, 0) || ink(c.topX - 1, 0) || ink(c.topX + 1, 0)) << c.layout;
        EXPECT_FALSE(ink(c.topX - 6, 0));
        EXPECT_TRUE(ink(0, c.leftY) || ink(0, c.leftY - 1) || ink(0, c.leftY + 1)) << c.layout;
        EXPECT_FALSE(ink(0, c.leftY - 6));
        // The corner's rows are fixed, so the picture's height is theirs.
        double rows = 0;
        for (int r = 3; r <= (c.layout == 1 ? 5 : 3); ++r)
            rows += sh.heights().at(r);
        EXPECT_DOUBLE_EQ(rows * 4 / 3, c.height);
    }
}

TEST(SchoolExport, ShapeForEachLayoutKindAndPaper)
{
    // 100 classes, 300 teachers, five days of 4 + 3 periods and a public slot before the first.
    model::School s;
    s.theDay = 5;
    s.mor = 4;
    s.aft = 3;
    s.MaxBanID = 100;
    s.TeaOldNum = 300;
    s.PublicTime[0] = "早读";
    struct Case {
        SchoolTable kind;
        int layout;
        const char* paper;
        int L, Z, Y, X;
        double c;
    };
    const std::vector<Case> cases = {
        {SchoolTable::Timetable, 1, "A3", 41, 105, 5, 1, 145 / 37.5 - 0.1},
        {SchoolTable::Timetable, 1, "A4", 41, 105, 5, 1, 87 / 37.5 - 0.1},
        {SchoolTable::Assignments, 1, "A3", 42, 306, 5, 1, 145 / 37.5 - 0.1},
        {SchoolTable::Timetable, 2, "A3", 103, 43, 3, 3, 3},    // 1.35 raised to the floor
        {SchoolTable::Timetable, 2, "A4", 103, 43, 3, 3, 2},    // 0.77 raised to the floor
        {SchoolTable::Assignments, 2, "A4", 304, 44, 3, 3, 2},
    };
    for (const auto& c : cases) {
        SchoolExportOptions o;
        o.kind = c.kind;
        o.layout = c.layout;
        o.paper = c.paper;
        const SchoolTableShape t = schoolTableShape(s, o);
        EXPECT_EQ(t.W, 8);
        EXPECT_EQ(t.L, c.L) << c.layout << c.paper;
        EXPECT_EQ(t.Z, c.Z) << c.layout << c.paper;
        EXPECT_EQ(t.Y, c.Y);
        EXPECT_EQ(t.X, c.X);
        EXPECT_DOUBLE_EQ(t.c, c.c) << c.layout << c.paper;
    }
    // Few enough classes: the width is the paper's share, not the floor.
    s.MaxBanID = 20;
    SchoolExportOptions o;
    o.layout = 2;
    o.paper = "A4";
    EXPECT_DOUBLE_EQ(schoolTableShape(s, o).c, 87 / 20.0 - 0.1);
}

TEST(SchoolExport, PageSetUpAndPrintTitles)
{
    struct Case {
        int layout;
        const char* paper;
        int size;
        const char* rows;
        const char* cols;
    };
    const std::vector<Case> cases = {
        {1, "A3", 8, "$3:$5", "$A:$A"},
        {1, "A4", 9, "$3:$5", "$A:$A"},
        {2, "A3", 8, "$3:$3", "$A:$C"},
    };
    Small x;
    for (const auto& c : cases) {
        const auto s = exportOf(x, options(SchoolTable::Timetable, c.layout, c.paper));
        EXPECT_EQ(s.paper, c.size);
        EXPECT_EQ(s.orientation, "landscape");
        EXPECT_TRUE(s.centerH);
        EXPECT_FALSE(s.fitToPage) << "a long table runs over several pages";
        EXPECT_NEAR(s.marginLeft, 28.35 / 72, 1e-6);
        EXPECT_NEAR(s.marginRight, 28.35 / 72, 1e-6);
        EXPECT_NEAR(s.marginTop, 42.52 / 72, 1e-6);
        EXPECT_NEAR(s.marginBottom, 42.52 / 72, 1e-6);
        EXPECT_NEAR(s.marginHeader, 36.85 / 72, 1e-6);
        EXPECT_NE(s.printTitles.find(c.rows), std::string::npos) << s.printTitles;
        EXPECT_NE(s.printTitles.find(c.cols), std::string::npos) << s.printTitles;
    }
}

TEST(SchoolExport, CancelAfterSomeRows)
{
    Small x;
    for (int k = 0; k <= 2; ++k) {
        Workbook book;
        int calls = 0;
        const bool done = exportSchoolTable(x.s, x.grids(), options(SchoolTable::Timetable, 1), book,
                                            [&](int, int) { return calls++ < k; });
        EXPECT_FALSE(done) << k;
        EXPECT_EQ(calls, k + 1);
    }
    Workbook book;
    int last = -1, total = -1;
    EXPECT_TRUE(exportSchoolTable(x.s, x.grids(), options(SchoolTable::Assignments, 1), book, [&](int d, int t) {
        last = d;
        total = t;
        return true;
    }));
    EXPECT_EQ(last, 4);
    EXPECT_EQ(total, 4);
}

TEST(SchoolPrintSetting, RoundTripKeepsTheTimetableSettings)
{
    testing::SchoolBuilder b;
    SchoolExportOptions o;
    EXPECT_FALSE(readSchoolPrintSetting(b.store(), o));
    EXPECT_EQ(o.size1, 8);
    EXPECT_EQ(o.size2, 6);
    KbExportOptions kb;
    kb.font1 = "楷体";
    kb.paper = "A5";
    writePrintSetting(b.store(), kb);
    o.font1 = "黑体";
    o.size1 = 9;
    o.font2 = "仿宋";
    o.size2 = 7;
    o.paper = "A4";
    o.timeHead = "第二学期";
    writeSchoolPrintSetting(b.store(), o);
    EXPECT_EQ(b.store().scalar("SELECT count(*) FROM PrintSetting"), 1);
    SchoolExportOptions back;
    ASSERT_TRUE(readSchoolPrintSetting(b.store(), back));
    EXPECT_EQ(back.font1, "黑体");
    EXPECT_EQ(back.size1, 9);
    EXPECT_EQ(back.font2, "仿宋");
    EXPECT_EQ(back.size2, 7);
    EXPECT_EQ(back.paper, "A4");
    EXPECT_EQ(back.timeHead, "第二学期");
    KbExportOptions kbBack;
    ASSERT_TRUE(readPrintSetting(b.store(), kbBack));
    EXPECT_EQ(kbBack.font1, "楷体");
    EXPECT_EQ(kbBack.paper, "A5");
    EXPECT_EQ(kbBack.timeHead, "第二学期") << "the heading is shared";

    // NULL columns and sizes <= 0 keep the defaults; anything but "A3" is A4.
    b.store().run("UPDATE PrintSetting SET FontNameAll1=NULL, FontSizeAll1=0, FontSizeAll2=NULL, PaperAll=NULL");
    SchoolExportOptions d;
    d.paper = "A3";
    ASSERT_TRUE(readSchoolPrintSetting(b.store(), d));
    EXPECT_EQ(d.font1, "");
    EXPECT_EQ(d.size1, 8);
    EXPECT_EQ(d.size2, 6);
    EXPECT_EQ(d.paper, "A4");
}

}  // namespace
}  // namespace tavrin::spreadsheet
