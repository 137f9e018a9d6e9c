// `tavrin-cli export PATH subjects|assignments|statistics` run as a program on a stored school,
// read back by the import's reader; the re-import warning on stderr; refusals leave no file.
#include <gtest/gtest.h>

#include "entry/teacher_fixture.h"
#include "spreadsheet/reader.h"
#include "support/cli_run.h"

using namespace tavrin;
using namespace tavrin::testing;

namespace {

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

TEST(CliEntryExport, EachKindFromTheStoredSchool)
{
    struct Case {
        const char* kind;
        std::vector<std::tuple<int, int, std::string>> cells;
    };
    const Case cases[] = {
        {"subjects", {{1, 1, "科目"}, {1, 2, "初一"}, {1, 3, "初二"}, {2, 1, "语文"}, {2, 2, "4,0"}, {2, 3, "6,5"}, {3, 2, "2"}, {3, 3, "3,0"}}},
        {"assignments", {{1, 1, "科目"}, {1, 5, "4班"}, {2, 4, "李老师,2,张老师,4"}, {3, 4, ""}, {4, 5, "李老师"}}},
        {"statistics", {{1, 2, "节数"}, {2, 1, "李老师"}, {2, 2, "3"}, {2, 4, "3班+4班【音乐】1节"}, {3, 2, "10"}, {5, 3, "1班【音乐】1节"}}},
    };
    TeacherSchool school;
    TempDir dir;
    for (const auto& c : cases) {
        const auto out = dir.path() / (std::string(c.kind) + ".xlsx");
        const CliRun r = runCli("export " + quoted(school.builder.path().string()) + " " + c.kind + " --out " +
                                quoted(out.string()));
        EXPECT_EQ(r.status, 0) << c.kind << r.out;
        EXPECT_NE(r.out.find("已导出"), std::string::npos) << r.out;
        const auto read = spreadsheet::readFirstSheet(out.string());
        ASSERT_TRUE(read.ok()) << c.kind << read.message;
        for (const auto& [row, col, text] : c.cells)
            EXPECT_EQ(read.sheet.text(row, col), text) << c.kind << " " << row << "," << col;
    }
}

TEST(CliEntryExport, WarnsOfNamesTheImportCannotReadAndRefusesPdf)
{
    TeacherSchool school;
    school.store().run("UPDATE teabd SET teaname = '王,老师' WHERE teaid = 3");
    TempDir dir;
    const auto out = dir.path() / "a.xlsx";
    const std::string path = quoted(school.builder.path().string());
    const CliRun r = runCli("export " + path + " assignments --out " + quoted(out.string()));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("姓名中含有逗号：“王,老师”"), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(out));

    const auto pdfOut = dir.path() / "b.xlsx";
    const CliRun pdf = runCli("export " + path + " statistics --out " + quoted(pdfOut.string()) + " --pdf " +
                              quoted((dir.path() / "b.pdf").string()));
    EXPECT_NE(pdf.status, 0);
    EXPECT_FALSE(std::filesystem::exists(pdfOut));
    const CliRun dirOut = runCli("export " + path + " statistics --out " + quoted(dir.path().string()));
    EXPECT_NE(dirOut.status, 0);
    EXPECT_NE(dirOut.out.find("无法保存EXCEL文件。"), std::string::npos) << dirOut.out;
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}
