// The workbook layer written to .xlsx and read back: cell kinds, merges, runs, borders,
// sizes, page set-up, print titles, shared formats, sheet names and failed saves.
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include "spreadsheet/workbook.h"
#include "support/testutil.h"
#include "support/xlsx_reader.h"

namespace tavrin::spreadsheet {
namespace {

struct NameCase {
    std::string wanted;
    std::vector<std::string> taken;
    std::string expected;
};

TEST(SheetName, MadeValidAndUnique)
{
    const std::string long31 = "abcdefghijklmnopqrstuvwxyz01234";  // 31
    const std::vector<NameCase> cases = {
        {"一(1)班", {}, "一(1)班"},
        {"0701", {}, "0701"},
        {"a/b:c*d?e[f]g\\h", {}, "a_b_c_d_e_f_g_h"},
        {"", {}, "Sheet"},
        {"''", {}, "Sheet"},
        {"'王芳'", {}, "王芳"},
        {long31 + "xyz", {}, long31},
        {"王芳", {"王芳"}, "王芳(2)"},
        {"王芳", {"王芳", "王芳(2)"}, "王芳(3)"},
        {"Abc", {"aBC"}, "Abc(2)"},
        {long31, {long31}, long31.substr(0, 28) + "(2)"},
        // An emoji takes two of the 31 units and is never split.
        {std::string(30, 'a') + "\xF0\x9F\x98\x80", {}, std::string(30, 'a')},
        {std::string(29, 'a') + "\xF0\x9F\x98\x80", {}, std::string(29, 'a') + "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(validSheetName(c.wanted, c.taken), c.expected) << c.wanted;
    // Chinese names are cut at 31 characters, not 31 bytes.
    std::string han;
    for (int i = 0; i < 40; ++i)
        han += "课";
    std::string han31;
    for (int i = 0; i < 31; ++i)
        han31 += "课";
    EXPECT_EQ(validSheetName(han, {}), han31);
}

TEST(Workbook, CellsMergesRunsAndSizesReadBack)
{
    testing::TempDir dir;
    Workbook book;
    Sheet& sh = book.add("甲");
    sh.setText(1, 1, "0701");
    sh.setNumber(1, 2, 7);
    sh.setText(2, 1, "左上");
    sh.setText(2, 2, "被合并");
    sh.merge({2, 1, 3, 2});
    sh.setRuns(4, 1, {{"语文", "楷体", 16}, {"\n(张老师)", "宋体", 10}});
    sh.setRuns(5, 1, {{"", "楷体", 16}, {"\n(张老师)", "宋体", 10}});
    sh.columnWidth(1, 10);
    sh.rowHeight(1, 25);
    sh.rowHeight(2, 1000);
    sh.bordersAll({6, 1, 7, 2}, 2);
    sh.borderAround({6, 1, 7, 2}, 3);
    sh.bordersAll({8, 1, 8, 1}, 1);
    sh.page.paper = Paper::A4;
    sh.page.landscape = true;
    sh.page.fitToPage = true;
    sh.page.left = 36;
    sh.page.top = 31;
    sh.page.centerH = sh.page.centerV = true;
    sh.page.titleRow1 = 1;
    sh.page.titleRow2 = 3;
    sh.page.titleCol1 = 1;
    sh.page.titleCol2 = 1;
    const auto path = (dir.path() / "a.xlsx").string();
    const WriteResult w = book.save(path);
    ASSERT_TRUE(w.ok) << w.error;

    const auto x = testing::readXlsx(path);
    ASSERT_EQ(x.sheets.size(), 1u);
    const auto& s = x.sheets[0];
    EXPECT_EQ(s.name, "甲");
    ASSERT_NE(s.at(1, 1), nullptr);
    EXPECT_EQ(s.text(1, 1), "0701");
    EXPECT_FALSE(s.at(1, 1)->number);
    EXPECT_TRUE(s.at(1, 2)->number);
    EXPECT_EQ(s.text(1, 2), "7");
    EXPECT_TRUE(s.merged("A2:B3"));
    EXPECT_EQ(s.text(2, 1), "左上");
    EXPECT_EQ(s.text(2, 2), "");
    ASSERT_EQ(s.at(4, 1)->runs.size(), 2u);
    EXPECT_EQ(s.at(4, 1)->runs[0].font, "楷体");
    EXPECT_EQ(s.at(4, 1)->runs[0].size, 16);
    EXPECT_EQ(s.at(4, 1)->runs[1].text, "\n(张老师)");
    EXPECT_EQ(s.at(4, 1)->runs[1].font, "宋体");
    EXPECT_EQ(s.at(4, 1)->runs[1].size, 10);
    // An empty run makes a plain string in the other run's look.
    EXPECT_TRUE(s.at(5, 1)->runs.empty());
    EXPECT_EQ(s.text(5, 1), "\n(张老师)");
    EXPECT_EQ(s.at(5, 1)->font, "宋体");
    EXPECT_NEAR(s.widths.at(1), 10, 1);
    EXPECT_EQ(s.heights.at(1), 25);
    EXPECT_EQ(s.heights.at(2), kMaxRowHeight);
    EXPECT_EQ(s.at(6, 1)->border.top, "medium");
    EXPECT_EQ(s.at(6, 1)->border.right, "thin");
    EXPECT_EQ(s.at(7, 2)->border.right, "medium");
    EXPECT_EQ(s.at(7, 2)->border.top, "thin");
    EXPECT_EQ(s.at(8, 1)->border.left, "hair");
    EXPECT_EQ(s.paper, 9);
    EXPECT_EQ(s.orientation, "landscape");
    EXPECT_TRUE(s.fitToPage);
    EXPECT_DOUBLE_EQ(s.marginLeft, 0.5);
    EXPECT_NEAR(s.marginTop, 31.0 / 72, 1e-9);
    EXPECT_TRUE(s.centerH);
    EXPECT_TRUE(s.centerV);
    EXPECT_NE(s.printTitles.find("$1:$3"), std::string::npos) << s.printTitles;
    EXPECT_NE(s.printTitles.find("$A:$A"), std::string::npos) << s.printTitles;
}

TEST(Workbook, OneFormatPerDistinctLookAcrossSheets)
{
    testing::TempDir dir;
    Workbook book;
    for (int k = 0; k < 3; ++k) {
        Sheet& sh = book.add("表");
        for (int r = 1; r <= 60; ++r)
            for (int c = 1; c <= 20; ++c)
                sh.setText(r, c, "x");
        sh.bordersAll({1, 1, 60, 20}, 2);
        sh.borderAround({1, 1, 60, 20}, 3);
        sh.fontSize({1, 1, 60, 20}, 12);
    }
    const auto path = (dir.path() / "f.xlsx").string();
    const WriteResult w = book.save(path);
    ASSERT_TRUE(w.ok);
    // Nine border looks (inside, four edges, four corners) however many cells and sheets.
    EXPECT_EQ(w.formats, 9);
    const auto x = testing::readXlsx(path);
    EXPECT_LE(x.cellFormats, 12);
    EXPECT_EQ(book.sheetNames(), (std::vector<std::string>{"表", "表(2)", "表(3)"}));
    EXPECT_EQ(x.sheets[2].name, "表(3)");
}

TEST(Workbook, FailedSaveLeavesNoFileAndKeepsTheOldOne)
{
    testing::TempDir dir;
    Workbook book;
    book.add("甲").setText(1, 1, "新");
    const WriteResult missing = book.save((dir.path() / "no" / "such" / "a.xlsx").string());
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());

    const auto path = dir.path() / "old.xlsx";
    std::ofstream(path) << "old";
    std::filesystem::create_directory(dir.path() / "ro");
    std::filesystem::permissions(dir.path() / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const WriteResult ro = book.save((dir.path() / "ro" / "a.xlsx").string());
    if (::geteuid() != 0) {  // root writes anywhere
        EXPECT_FALSE(ro.ok);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "ro"));
    }
    std::filesystem::permissions(dir.path() / "ro", std::filesystem::perms::owner_all);
    ASSERT_TRUE(book.save(path.string()).ok);
    EXPECT_EQ(testing::readXlsx(path.string()).sheets[0].text(1, 1), "新");
    // Only the workbook is left: the temporary file was renamed over it.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace tavrin::spreadsheet
