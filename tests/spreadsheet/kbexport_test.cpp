// Class and teacher timetables as workbooks, written and read back: run positions, blocks,
// the show boxes, fixed lessons, font runs, the two-a-sheet paper, each paper's set-up, the
// school-year heading, a very small week, the settings row and a cancelled export.
#include <gtest/gtest.h>

#include "spreadsheet/kbexport.h"
#include "support/fixture.h"
#include "support/school_builder.h"
#include "support/xlsx_reader.h"

namespace tavrin::spreadsheet {
namespace {

// The small school (two days, 2 + 2 periods; class 1 has 语文 with 张老师 on Monday 1,
// the combined 体育 on Monday 3 and 4), a class meeting on Monday 2 and "无课" on Tuesday 2.
struct Small {
    model::School s = testing::smallSchool();
    model::Grids g;
    Small()
    {
        s.XiaoName = "实验中学";
        s.GudinKe(1, 2) = "班会";
        s.GudinKe(1, 6) = "无课";
        g = testing::smallTimetable(s);
    }
    KbGrids grids() const { return {&g.Renke_B, &g.Renke_T}; }
};

KbExportOptions options(int layout, const std::string& paper = "A4")
{
    KbExportOptions o;
    o.layout = layout;
    o.paper = paper;
    o.font1 = o.font2 = "宋体";
    o.size1 = o.size2 = 12;
    o.timeHead = "2026至2027学年度第一学期";
    o.bottomText = "注：请按时到校";
    return o;
}

testing::XlsxBook write(const Workbook& book, const testing::TempDir& dir)
{
    const auto path = (dir.path() / "kb.xlsx").string();
    const WriteResult w = book.save(path);
    EXPECT_TRUE(w.ok) << w.error;
    return testing::readXlsx(path);
}

testing::XlsxBook exportOf(const Small& x, const KbExportOptions& o, KbExportJob job, const testing::TempDir& dir)
{
    Workbook book;
    EXPECT_TRUE(exportTimetables(x.s, x.grids(), o, job, book));
    return write(book, dir);
}

TEST(KbExport, ClassTimetableInLayoutOne)
{
    testing::TempDir dir;
    Small x;
    const auto b = exportOf(x, options(1), {{1}, {}}, dir);
    ASSERT_EQ(b.sheets.size(), 1u);
    const auto& s = b.sheets[0];
    EXPECT_EQ(s.name, "一(1)班");
    EXPECT_TRUE(s.merged("A1:E1"));
    EXPECT_EQ(s.text(1, 1), "课　　程　　表");
    EXPECT_EQ(s.at(1, 1)->size, 30);
    EXPECT_EQ(s.text(2, 1), "实验中学");
    EXPECT_EQ(s.text(2, 3), "2026至2027学年度第一学期");  // X = ceil(4 / 2) + 1
    EXPECT_EQ(s.text(2, 5), "一(1)班");
    EXPECT_EQ(s.at(2, 5)->halign, "right");
    EXPECT_TRUE(s.merged("A3:A5"));
    EXPECT_EQ(s.text(3, 2), "上　　午");
    EXPECT_TRUE(s.merged("B3:C3"));
    EXPECT_EQ(s.text(3, 4), "下　　午");
    EXPECT_EQ(s.text(4, 2), "第1节");
    EXPECT_EQ(s.text(6, 1), "星期一");
    EXPECT_EQ(s.text(7, 1), "星期二");
    EXPECT_EQ(s.text(6, 2), "语文\n(张老师)");
    EXPECT_EQ(s.text(6, 4), "体育\n(李老师)");
    EXPECT_EQ(s.text(6, 3), "班会");  // a fixed lesson
    EXPECT_EQ(s.text(7, 3), "");      // "无课" stays blank
    EXPECT_EQ(s.text(8, 1), "注：请按时到校");
    EXPECT_EQ(s.at(8, 1)->size, 10);
    // The morning block's outline is heavier than its inner lines.
    EXPECT_EQ(s.at(6, 2)->border.left, "medium");
    EXPECT_EQ(s.at(6, 2)->border.right, "thin");
    EXPECT_EQ(s.at(7, 3)->border.right, "medium");
    EXPECT_EQ(s.at(7, 3)->border.bottom, "medium");
    EXPECT_NEAR(s.widths.at(1), 10, 1);
    EXPECT_NEAR(s.widths.at(2), 26, 1);  // trunc(105 / 4)
    EXPECT_EQ(s.heights.at(1), 38);
    EXPECT_EQ(s.heights.at(6), 130);     // trunc(260 / 2)
}

TEST(KbExport, TeacherTimetableInLayoutTwo)
{
    testing::TempDir dir;
    Small x;
    const auto b = exportOf(x, options(2), {{}, {2}}, dir);
    const auto& s = b.sheets[0];
    EXPECT_EQ(s.name, "李老师");
    EXPECT_TRUE(s.merged("A1:E1"));
    EXPECT_EQ(s.text(2, 5), "李老师");
    EXPECT_EQ(s.text(2, 3), "2026至2027学年度第一学期");  // X = ceil(2 / 2) + 2
    EXPECT_TRUE(s.merged("C2:D2"));
    EXPECT_TRUE(s.merged("A3:C3"));
    EXPECT_EQ(s.text(3, 4), "星期一");
    EXPECT_EQ(s.text(4, 1), "上\n\n午");
    EXPECT_TRUE(s.merged("A4:A5"));
    EXPECT_TRUE(s.merged("A6:A7"));
    EXPECT_EQ(s.text(4, 2), "1");
    EXPECT_TRUE(s.at(4, 2)->number);
    // The combined lesson's teacher cell names the member written last.
    EXPECT_EQ(s.text(6, 4), "体育\n(一(2)班)");
    EXPECT_EQ(s.text(8, 1), "注：请按时到校");  // R = J + P + 4
    EXPECT_NEAR(s.widths.at(4), 51, 1);          // trunc(103 / 2)
    EXPECT_EQ(s.heights.at(4), 95);              // trunc(380 / 4)
}

TEST(KbExport, RunPositionsWithPublicSlots)
{
    testing::TempDir dir;
    Small x;
    x.s.PublicTime[0] = "早读";
    x.s.PublicTime[2] = "课间操";
    x.s.PublicTime[5] = "旧的";  // stored past the last period: not in the run
    {
        const auto s = exportOf(x, options(1), {{1}, {}}, dir).sheets[0];
        EXPECT_EQ(s.text(6, 2), "早读");
        EXPECT_TRUE(s.merged("B6:B7"));
        EXPECT_EQ(s.at(6, 2)->rotation, 255);
        EXPECT_EQ(s.text(4, 3), "第1节");
        EXPECT_EQ(s.text(6, 3), "语文\n(张老师)");
        EXPECT_EQ(s.text(6, 5), "课间操");
        EXPECT_EQ(s.text(4, 6), "第3节");
        EXPECT_TRUE(s.merged("B3:E3"));  // the morning block takes both public slots
        EXPECT_EQ(s.text(3, 6), "下　　午");
        EXPECT_EQ(s.text(4, 8), "");      // L = 1 + 4 + 2
        EXPECT_EQ(s.text(2, 7), "一(1)班");
        EXPECT_NEAR(s.widths.at(3), 21, 1);   // trunc(105 / 5)
        EXPECT_NEAR(s.widths.at(2), 10.5, 1); // half, not truncated
    }
    {
        testing::TempDir dir2;
        const auto s = exportOf(x, options(2), {{1}, {}}, dir2).sheets[0];
        EXPECT_EQ(s.text(4, 4), "早读");
        EXPECT_TRUE(s.merged("B4:C4"));
        EXPECT_TRUE(s.merged("D4:E4"));
        EXPECT_EQ(s.text(5, 2), "1");
        EXPECT_EQ(s.text(5, 4), "语文\n(张老师)");
        EXPECT_EQ(s.text(10, 1), "注：请按时到校");  // R = 4 + 2 + 4
    }
}

TEST(KbExport, NoMorningPeriodsNoMorningLabel)
{
    testing::TempDir dir;
    Small x;
    x.s.mor = 0;
    x.s.aft = 3;
    x.s.nig = 1;
    const auto s = exportOf(x, options(1), {{1}, {}}, dir).sheets[0];
    EXPECT_EQ(s.text(3, 2), "下　　午");
    EXPECT_TRUE(s.merged("B3:D3"));
    EXPECT_EQ(s.text(3, 5), "晚　　习");
    for (const auto& [rc, cell] : s.cells)
        EXPECT_NE(cell.text, "上　　午");
}

TEST(KbExport, ShowBoxes)
{
    struct Case {
        bool ke, name;
        std::string lesson;   // Monday 1 of class 1
        std::string teacher;  // Monday 1 of 张老师
    };
    const std::vector<Case> cases = {
        {true, true, "语文\n(张老师)", "语文\n(一(1)班)"},
        {true, false, "语文", "语文"},
        {false, true, "张老师", "一(1)班"},
        {false, false, "", ""},
    };
    for (const auto& c : cases) {
        testing::TempDir dir;
        Small x;
        auto o = options(1);
        o.showKe = c.ke;
        o.showName = c.name;
        const auto b = exportOf(x, o, {{1}, {1}}, dir);
        EXPECT_EQ(b.sheets[0].text(6, 2), c.lesson);
        EXPECT_EQ(b.sheets[1].text(6, 2), c.teacher);
        EXPECT_EQ(b.sheets[0].text(6, 3), "班会") << "fixed lessons whatever the boxes";
        EXPECT_EQ(b.sheets[1].text(6, 4), "") << "a free period of the teacher";
    }
}

TEST(KbExport, FontRunsOnlyWhenTheFontsDiffer)
{
    testing::TempDir dir;
    Small x;
    auto o = options(1);
    o.font1 = "楷体";
    o.size1 = 16;
    o.font2 = "宋体";
    o.size2 = 10;
    const auto differ = exportOf(x, o, {{1}, {}}, dir).sheets[0];
    const auto* cell = differ.at(6, 2);
    ASSERT_EQ(cell->runs.size(), 2u);
    EXPECT_EQ(cell->runs[0].text, "语文");
    EXPECT_EQ(cell->runs[0].font, "楷体");
    EXPECT_EQ(cell->runs[0].size, 16);
    EXPECT_EQ(cell->runs[1].text, "\n(张老师)");
    EXPECT_EQ(cell->runs[1].font, "宋体");
    EXPECT_EQ(cell->runs[1].size, 10);

    testing::TempDir dir2;
    const auto same = exportOf(x, options(1), {{1}, {}}, dir2).sheets[0];
    EXPECT_TRUE(same.at(6, 2)->runs.empty());
    EXPECT_EQ(same.at(6, 2)->font, "宋体");
}

TEST(KbExport, TwoTimetablesASheetOnA4L)
{
    testing::TempDir dir;
    Small x;
    const auto b = exportOf(x, options(1, "A4L"), {{1, 2, 3}, {1, 2}}, dir);
    ASSERT_EQ(b.sheets.size(), 3u);
    EXPECT_EQ(b.sheets[0].name, "一(1)班;一(2)班");
    EXPECT_EQ(b.sheets[1].name, "二(1)班");
    EXPECT_EQ(b.sheets[2].name, "张老师;李老师");
    const int off = 2 + 7;  // D + 7
    const auto& first = b.sheets[0];
    EXPECT_EQ(first.text(2, 5), "一(1)班");
    EXPECT_EQ(first.text(2 + off, 5), "一(2)班");
    EXPECT_EQ(first.text(1 + off, 1), "课　　程　　表");
    EXPECT_TRUE(first.merged("A10:E10"));
    EXPECT_EQ(first.heights.at(9), 183);
    EXPECT_EQ(first.text(6 + off, 3), "语文\n(张老师)");  // class 2's Monday 2
    // The odd class's lower copy is the empty table.
    const auto& odd = b.sheets[1];
    EXPECT_EQ(odd.text(1 + off, 1), "课　　程　　表");
    EXPECT_EQ(odd.text(2 + off, 5), "");
    EXPECT_EQ(odd.text(6 + off, 2), "");
    EXPECT_EQ(b.sheets[2].text(2 + off, 5), "李老师");
}

TEST(KbExport, PageSetUpOfEachPaper)
{
    struct Case {
        std::string paper;
        int size;
        std::string orientation;
        bool fit;
    };
    for (const auto& c : std::vector<Case>{{"A4", 9, "landscape", false},
                                           {"A4L", 9, "portrait", true},
                                           {"A5", 11, "landscape", true}}) {
        testing::TempDir dir;
        Small x;
        const auto s = exportOf(x, options(2, c.paper), {{1}, {}}, dir).sheets[0];
        EXPECT_EQ(s.paper, c.size) << c.paper;
        EXPECT_EQ(s.orientation, c.orientation) << c.paper;
        EXPECT_EQ(s.fitToPage, c.fit) << c.paper;
        if (c.fit) {
            EXPECT_EQ(s.fitWidth, -1) << "1 is the file's default";
            EXPECT_EQ(s.fitHeight, -1);
        }
        EXPECT_DOUBLE_EQ(s.marginLeft, 0.5);
        EXPECT_DOUBLE_EQ(s.marginRight, 0.5);
        EXPECT_NEAR(s.marginTop, 31.0 / 72, 1e-9);
        EXPECT_NEAR(s.marginBottom, 31.0 / 72, 1e-9);
        EXPECT_DOUBLE_EQ(s.marginHeader, 0.5);
        EXPECT_DOUBLE_EQ(s.marginFooter, 0.5);
        EXPECT_TRUE(s.centerH);
        EXPECT_TRUE(s.centerV);
    }
}

TEST(KbExport, SchoolYearHeading)
{
    EXPECT_EQ(schoolYearText(2026, 6), "2025至2026学年度第二学期");   // 30 June
    EXPECT_EQ(schoolYearText(2026, 7), "2026至2027学年度第一学期");   // 1 July
    EXPECT_EQ(schoolYearText(2026, 12), "2026至2027学年度第一学期");  // 31 December
    EXPECT_EQ(schoolYearText(2027, 1), "2026至2027学年度第二学期");   // 1 January
}

// A week of one day keeps the timetable's name in a cell of its own (layout 2), and a day
// of one period puts the heading and the name in the one cell left, on two lines.
TEST(KbExport, VerySmallWeekKeepsTheName)
{
    Small x;
    x.s.theDay = 1;
    x.s.mor = 1;
    x.s.aft = 0;
    x.s.GudinKe.resize(4, 3, "");
    x.g.reset(x.s);
    {
        testing::TempDir dir;
        const auto s = exportOf(x, options(2), {{1}, {}}, dir).sheets[0];
        EXPECT_EQ(s.text(2, 4), "一(1)班");
        EXPECT_EQ(s.text(2, 3), "2026至2027学年度第一学期");
        for (const auto& m : s.merges)
            EXPECT_NE(m.rfind("C2:", 0), 0u) << m;
    }
    {
        testing::TempDir dir;
        const auto s = exportOf(x, options(1), {{1}, {}}, dir).sheets[0];
        EXPECT_EQ(s.text(2, 2), "2026至2027学年度第一学期\n一(1)班");
    }
}

TEST(KbExport, HostileNamesGiveValidUniqueSheets)
{
    testing::TempDir dir;
    Small x;
    x.s.BanName[1] = "王芳";
    x.s.TeaName[1] = "王芳";
    x.s.TeaName[2] = "a/b:c?";
    x.s.TeaName[3] = "";
    const auto b = exportOf(x, options(1), {{1}, {1, 2, 3}}, dir);
    ASSERT_EQ(b.sheets.size(), 4u);
    EXPECT_EQ(b.sheets[0].name, "王芳");
    EXPECT_EQ(b.sheets[1].name, "王芳(2)");
    EXPECT_EQ(b.sheets[2].name, "a_b_c_");
    EXPECT_EQ(b.sheets[3].name, "Sheet");
    EXPECT_EQ(b.sheets[2].text(2, 5), "a/b:c?");  // the cell keeps the full name
}

TEST(KbExport, CancelAfterKItemsStops)
{
    Small x;
    for (int k = 0; k <= 3; ++k) {
        Workbook book;
        int calls = 0;
        const bool done = exportTimetables(x.s, x.grids(), options(1), {{1, 2, 3}, {}}, book, [&](int d, int total) {
            EXPECT_EQ(total, 3);
            EXPECT_EQ(d, calls);
            ++calls;
            return d < k;
        });
        EXPECT_FALSE(done) << k;
        EXPECT_EQ(calls, k + 1);
        EXPECT_EQ(book.count(), k);
    }
}

TEST(PrintSetting, RoundTripThroughTheOneRow)
{
    testing::SchoolBuilder b;
    KbExportOptions o;
    EXPECT_FALSE(readPrintSetting(b.store(), o));
    EXPECT_EQ(o.size1, 16);
    EXPECT_EQ(o.size2, 10);
    o.font1 = "楷体";
    o.size1 = 18;
    o.font2 = "黑体";
    o.size2 = 9;
    o.paper = "A5";
    o.timeHead = "第一学期\n第二行";
    o.bottomText = "底注";
    writePrintSetting(b.store(), o);
    o.paper = "A4L";
    writePrintSetting(b.store(), o);
    EXPECT_EQ(b.store().scalar("SELECT count(*) FROM PrintSetting"), 1);
    KbExportOptions back;
    ASSERT_TRUE(readPrintSetting(b.store(), back));
    EXPECT_EQ(back.font1, "楷体");
    EXPECT_EQ(back.size1, 18);
    EXPECT_EQ(back.font2, "黑体");
    EXPECT_EQ(back.size2, 9);
    EXPECT_EQ(back.paper, "A4L");
    EXPECT_EQ(back.timeHead, "第一学期\n第二行");
    EXPECT_EQ(back.bottomText, "底注");

    // NULL columns and sizes <= 0 keep the defaults; an unknown paper is "A4".
    b.store().run("UPDATE PrintSetting SET FontName1=NULL, FontSize1=0, FontSize2=NULL, Paper='B5'");
    KbExportOptions d;
    ASSERT_TRUE(readPrintSetting(b.store(), d));
    EXPECT_EQ(d.font1, "");
    EXPECT_EQ(d.size1, 16);
    EXPECT_EQ(d.size2, 10);
    EXPECT_EQ(d.paper, "A4");
}

}  // namespace
}  // namespace tavrin::spreadsheet
