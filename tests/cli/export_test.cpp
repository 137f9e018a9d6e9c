// `tavrin-cli export` run as a program: the stored timetables with the stored print
// settings, read back from the file; refusals are one line and leave no file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "store/store.h"
#include "support/testutil.h"
#include "support/xlsx_reader.h"

namespace {

using tavrin::testing::TempDir;

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct CliRun {
    int status = -1;
    std::string err;
};

CliRun cli(const TempDir& d, const std::vector<std::string>& args)
{
    std::string cmd = "exec " + quoted(TAVRIN_CLI);
    for (const auto& a : args)
        cmd += " " + quoted(a);
    const auto err = d.path() / "stderr.txt";
    cmd += " >/dev/null 2>" + quoted(err.string());
    const int raw = std::system(cmd.c_str());
    CliRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = tavrin::testing::readFile(err);
    std::filesystem::remove(err);
    return r;
}

TEST(CliExport, StoredTimetablesWithTheStoredSettings)
{
    TempDir d;
    const std::string db = (d.path() / "db.dat").string();
    ASSERT_EQ(cli(d, {"demo", db, "--size", "small", "--planted"}).status, 0);
    {
        tavrin::store::Store st(db);
        st.run("INSERT INTO PrintSetting(FontName1, FontSize1, Paper, TimeHead) VALUES('楷体', 20, 'A5', '本学期')");
    }
    const std::string out = (d.path() / "kb.xlsx").string();
    const CliRun r = cli(d, {"export", db, "timetables", "--classes", "all", "--teachers", "2,1", "--layout", "1", "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto book = tavrin::testing::readXlsx(out);
    tavrin::store::Store st(db, tavrin::store::Store::Mode::ReadOnly);
    const int classes = static_cast<int>(st.scalar("SELECT count(*) FROM banbd"));
    ASSERT_EQ(static_cast<int>(book.sheets.size()), classes + 2);
    // Teachers in the order asked, after every class.
    EXPECT_EQ(book.sheets[static_cast<std::size_t>(classes)].text(2, book.sheets[0].widths.rbegin()->first),
              [&] {
                  auto q = st.prepare("SELECT teaname FROM teabd WHERE teaid=2");
                  q.step();
                  return q.text(0);
              }());
    for (const auto& s : book.sheets) {
        EXPECT_EQ(s.paper, 11) << s.name;
        EXPECT_EQ(s.text(2, 1).empty(), false) << "the school's name";
    }
    bool heading = false;
    for (const auto& [rc, cell] : book.sheets[0].cells)
        heading = heading || cell.text == "本学期";
    EXPECT_TRUE(heading);
    // A lesson cell takes font 1 at its stored size.
    EXPECT_EQ(book.sheets[0].at(6, 2)->font, "楷体");
    EXPECT_EQ(book.sheets[0].at(6, 2)->size, 20);
    // The export only reads: the settings row is as it was.
    EXPECT_EQ(st.scalar("SELECT count(*) FROM PrintSetting"), 1);
}

TEST(CliExport, RefusalsLeaveNoFile)
{
    TempDir d;
    const std::string db = (d.path() / "db.dat").string();
    ASSERT_EQ(cli(d, {"demo", db, "--size", "small", "--planted"}).status, 0);
    const std::string out = (d.path() / "kb.xlsx").string();
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"export", db, "timetables", "--classes", "99", "--out", out}, "没有编号为 99 的班级。"},
        {{"export", db, "timetables", "--teachers", "1,x", "--out", out}, "--teachers 的值无效：x"},
        {{"export", db, "timetables", "--out", out}, "请至少选择一个班或一个教师。"},
        {{"export", db, "timetables", "--classes", "all", "--out", (d.path() / "no" / "kb.xlsx").string()},
         "无法保存EXCEL文件。"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(d, c.args);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.message;
    }
    // No temporary file is left behind either.
    for (const auto& e : std::filesystem::directory_iterator(d.path()))
        EXPECT_EQ(e.path().filename(), "db.dat");
}

// Where LibreOffice is installed (scripts/install-deps.sh installs it), the papers that fit
// a page print one page per sheet, and each sheet's names and headings are on its page.
TEST(CliExport, PrintsOnePagePerSheetWhereLibreOfficeRuns)
{
    if (std::system("command -v soffice >/dev/null 2>&1 && command -v pdftotext >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "soffice or pdftotext not installed";
    TempDir d;
    const std::string db = (d.path() / "db.dat").string();
    ASSERT_EQ(cli(d, {"demo", db, "--size", "small", "--planted"}).status, 0);
    for (const char* paper : {"A4L", "A5"}) {
        const std::string out = (d.path() / (std::string(paper) + ".xlsx")).string();
        ASSERT_EQ(cli(d, {"export", db, "timetables", "--classes", "all", "--teachers", "1,2,3", "--paper", paper,
                          "--out", out})
                      .status,
                  0);
        const auto book = tavrin::testing::readXlsx(out);
        const std::string dir = (d.path() / paper).string();
        const std::string cmd = "soffice -env:UserInstallation=file://" + dir + "/profile --headless --convert-to pdf --outdir " +
                                quoted(dir) + " " + quoted(out) + " >/dev/null 2>&1 && pdftotext -layout " +
                                quoted(dir + "/" + paper + ".pdf") + " " + quoted(dir + "/text.txt");
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        const std::string text = tavrin::testing::readFile(dir + "/text.txt");
        // Pages are separated by form feeds.
        std::vector<std::string> pages(1);
        for (char ch : text) {
            if (ch == '\f')
                pages.emplace_back();
            else
                pages.back() += ch;
        }
        if (pages.back().find_first_not_of(" \n") == std::string::npos)
            pages.pop_back();
        ASSERT_EQ(pages.size(), book.sheets.size()) << paper;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            EXPECT_NE(pages[i].find("课"), std::string::npos) << paper << " page " << i;
            // The first timetable of the sheet names itself on its page.
            const std::string first = book.sheets[i].name.substr(0, book.sheets[i].name.find(';'));
            EXPECT_NE(pages[i].find(first), std::string::npos) << paper << " page " << i << ": " << first;
        }
    }
}

}  // namespace
