// tavrin-cli run as a user runs it: every error is one line in the program's words with
// exit status 1, and a writing verb keeps off a school another window holds.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "app/home.h"
#include "store/lock.h"
#include "store/store.h"
#include "support/testutil.h"
#include "users/users.h"

using namespace tavrin;
using tavrin::testing::TempDir;
namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// `shellPrefix` runs before the program in the same shell (limits, ignored signals).
CliRun cli(const TempDir& d, const std::vector<std::string>& args, const std::string& shellPrefix = {})
{
    std::string cmd = shellPrefix + "exec " + quoted(TAVRIN_CLI);
    for (const auto& a : args)
        cmd += " " + quoted(a);
    const auto out = d / "stdout.txt";
    const auto err = d / "stderr.txt";
    cmd += " >" + quoted(out.string()) + " 2>" + quoted(err.string());
    const int raw = std::system(cmd.c_str());
    CliRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = tavrin::testing::readFile(out);
    r.err = tavrin::testing::readFile(err);
    fs::remove(out);
    fs::remove(err);
    return r;
}

// One line, in Chinese, with none of the parser's or SQLite's English.
void expectOneChineseLine(const CliRun& r, const std::string& what)
{
    EXPECT_EQ(r.status, 1) << what;
    ASSERT_FALSE(r.err.empty()) << what;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << what << ": " << r.err;
    EXPECT_NE(std::find_if(r.err.begin(), r.err.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }),
              r.err.end())
        << what << ": " << r.err;
    for (const char* english : {"is required", "not expected", "not in", "unable", "database", "Run with", "SQL"})
        EXPECT_EQ(r.err.find(english), std::string::npos) << what << ": " << r.err;
}

}  // namespace

TEST(CliErrors, UsageErrorsAreOneLineNamingTheOption)
{
    TempDir d;
    const std::string f = (d / "db.dat").string();
    ASSERT_TRUE(users::initDatabase(f));
    struct C {
        std::vector<std::string> args;
        const char* names;  // a part of the line
    };
    const std::vector<C> cases = {
        {{}, "请指定一个命令"},
        {{"schedule"}, "PATH"},
        {{"demo", (d / "x.dat").string(), "--size", "huge"}, "--size"},
        {{"schedule", f, "--strength", "9"}, "--strength"},
        {{"schedule", f, "--seed", "abc"}, "--seed"},
        {{"info", f, "--bogus"}, "--bogus"},
        {{"schedule", f, "--seed", "1", "--start", "0"}, "--seed"},
        {{"show", f, "--layout"}, "--layout"},
        {{"nonsense"}, "nonsense"},
    };
    for (const auto& c : cases) {
        std::string what;
        for (const auto& a : c.args)
            what += a + " ";
        const CliRun r = cli(d, c.args);
        expectOneChineseLine(r, what);
        EXPECT_NE(r.err.find(c.names), std::string::npos) << what << ": " << r.err;
    }
    const CliRun help = cli(d, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("schedule"), std::string::npos);
}

TEST(CliErrors, FileErrorsNameTheFileAndLeaveNothingBehind)
{
    TempDir d;
    fs::create_directory(d / "目录");
    tavrin::testing::writeFile(d / "notes.dat", "不是数据库");
    const std::string noDir = (d / "没有 文件夹" / "db.dat").string();
    struct C {
        std::vector<std::string> args;
        std::string line;
    };
    const std::vector<C> cases = {
        {{"info", (d / "目录").string()}, "不是文件：" + (d / "目录").string()},
        {{"check", (d / "none.dat").string()}, "文件不存在：" + (d / "none.dat").string()},
        {{"info", (d / "notes.dat").string()}, "文件不是排课数据库：" + (d / "notes.dat").string()},
        {{"init", (d / "目录").string()}, "不是文件：" + (d / "目录").string()},
        {{"init", noDir}, "无法建立数据库文件：" + noDir + "（文件夹不存在）"},
        {{"demo", noDir, "--size", "small"}, "无法建立数据库文件：" + noDir + "（文件夹不存在）"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(d, c.args);
        expectOneChineseLine(r, c.args[0]);
        EXPECT_EQ(r.err, c.line + "\n");
    }
    EXPECT_FALSE(fs::exists(d / "没有 文件夹"));
}

// A full disk, as a limit of 8 KiB on the files the program may write: the verbs that make
// a file end with one line and leave no file behind (not a 0-byte one every later start
// would refuse).
TEST(CliErrors, AFullDiskLeavesNoFileBehind)
{
    TempDir d;
    const std::string f = (d / "学校 文件.dat").string();
    for (const auto& args : std::vector<std::vector<std::string>>{{"init", f}, {"demo", f, "--size", "small"}}) {
        const CliRun r = cli(d, args, "trap '' XFSZ; ulimit -f 8; ");
        expectOneChineseLine(r, args[0]);
        EXPECT_NE(r.err.find(f), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(f)) << args[0];
        EXPECT_TRUE(fs::is_empty(d.path())) << args[0];
    }
}

TEST(CliErrors, ShowNamesTheKindOfTimetableAsked)
{
    TempDir d;
    const std::string f = (d / "db.dat").string();
    ASSERT_EQ(cli(d, {"demo", f, "--size", "small", "--planted"}).status, 0);
    const CliRun tea = cli(d, {"show", f, "--teacher", "0"});
    expectOneChineseLine(tea, "teacher 0");
    EXPECT_EQ(tea.err, "没有编号为 0 的教师。\n");
    const CliRun ban = cli(d, {"show", f, "--class", "0"});
    EXPECT_EQ(ban.err, "没有编号为 0 的班级。\n");
}

// While a window holds the school, `schedule` refuses before writing a byte; the reading
// verbs still work.
TEST(CliErrors, AWritingVerbKeepsOffASchoolOpenInAWindow)
{
    TempDir d;
    const std::string f = (d / "db.dat").string();
    ASSERT_EQ(cli(d, {"demo", f, "--size", "small"}).status, 0);
    const std::string before = tavrin::testing::readFile(f);
    {
        store::SchoolLock window(f);
        ASSERT_TRUE(window.held());
        const CliRun r = cli(d, {"schedule", f, "--seed", "1"});
        expectOneChineseLine(r, "schedule while locked");
        EXPECT_EQ(r.err, "学校文件正在另一个窗口中打开，现在不能写入：" + f + "\n");
        EXPECT_EQ(tavrin::testing::readFile(f), before);
        EXPECT_EQ(cli(d, {"info", f}).status, 0);
        EXPECT_EQ(cli(d, {"check", f}).status, 0);
    }
    EXPECT_EQ(cli(d, {"schedule", f, "--seed", "1"}).status, 0);
    EXPECT_NE(tavrin::testing::readFile(f), before);
    EXPECT_FALSE(fs::exists(store::SchoolLock::lockPathOf(f)));
}

// A teacher numbered past the program's limit, with an assignment: the rows cannot load, and
// no report may read as if the school had loaded whole.
TEST(CliReports, RowsPastTheLimitsAreToldFirstAndFailTheCheck)
{
    TempDir d;
    const std::string f = (d / "db.dat").string();
    ASSERT_EQ(cli(d, {"demo", f, "--size", "small", "--planted"}).status, 0);
    ASSERT_EQ(cli(d, {"check", f}).status, 0);
    {
        store::Store st(f);
        st.transaction([&] {
            st.run("INSERT INTO teabd(teaid, teaname, teaname2) VALUES(5000, '远号', '远')");
            st.run("INSERT INTO renkebd(difid, teaid, banid, keid, jieshu, heban) "
                   "SELECT 0, 5000, banid, keid, 2, 0 FROM renkebd LIMIT 1");
        });
    }
    const CliRun check = cli(d, {"check", f});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out.rfind("注意：有 ", 0), 0u) << check.out;
    EXPECT_NE(check.out.find("teabd 1 行"), std::string::npos) << check.out;
    EXPECT_EQ(check.out.find("课程表检查通过"), std::string::npos) << check.out;
    EXPECT_NE(check.err.find("未载入"), std::string::npos) << check.err;

    const CliRun sched = cli(d, {"schedule", f, "--seed", "1"});
    EXPECT_EQ(sched.status, 0) << sched.err;
    EXPECT_EQ(sched.out.rfind("注意：有 ", 0), 0u) << sched.out;
    const CliRun json = cli(d, {"schedule", f, "--seed", "1", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.err.find("未载入"), std::string::npos) << json.err;
    EXPECT_NE(json.out.find("\"not_loaded\""), std::string::npos);
}

// Names hold whatever a file holds: bytes that are not UTF-8 never fail a report (the save
// before it has already written), and control characters never reach the terminal raw.
TEST(CliReports, HostileNamesAreReplacedOrEscaped)
{
    TempDir d;
    const std::string f = (d / "db.dat").string();
    ASSERT_EQ(cli(d, {"demo", f, "--size", "small"}).status, 0);
    {
        store::Store st(f);
        st.transaction([&] {
            st.run("UPDATE banbd SET banname = CAST(X'E78FAD' || X'FF' || X'C3' AS TEXT)");
            st.run("UPDATE teabd SET teaname = '红' || char(27) || '[31m字' || char(7)");
        });
    }
    const std::vector<std::vector<std::string>> runs = {
        {"info", f, "--json"}, {"schedule", f, "--seed", "1", "--json"}, {"check", f, "--json"}};
    for (const auto& args : runs) {
        const CliRun r = cli(d, args);
        EXPECT_LE(r.status, 1) << args[0] << ": " << r.err;
        EXPECT_FALSE(r.out.empty()) << args[0] << ": " << r.err;
        EXPECT_EQ(r.out.find('\xff'), std::string::npos) << args[0];
    }
    const CliRun info = cli(d, {"info", f, "--json"});
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("\xE7\x8F\xAD\xEF\xBF\xBD"), std::string::npos) << "U+FFFD after 班";

    const CliRun text = cli(d, {"info", f});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(text.out.find('\x07'), std::string::npos);
    EXPECT_NE(text.out.find("红\\x1b[31m字\\x07"), std::string::npos);
}

// The school's totals: what the classes need, what the assignments give, what is still open.
TEST(CliReports, InfoCarriesTheSchoolTotals)
{
    TempDir d;
    const std::string f = (d / "db.dat").string();
    ASSERT_EQ(cli(d, {"demo", f, "--size", "small"}).status, 0);
    int weekly = 0, assigned = 0;
    {
        store::Store st(f);
        auto q = st.prepare("SELECT (SELECT SUM(jieshu) FROM kemujieshu), (SELECT SUM(jieshu) FROM renkebd)");
        ASSERT_TRUE(q.step());
        weekly = q.integer(0);
        assigned = q.integer(1);
        // One lesson taken from an assignment: one period left without a teacher.
        st.run("UPDATE renkebd SET jieshu = jieshu - 1 WHERE rowid = (SELECT MIN(rowid) FROM renkebd WHERE heban = 0)");
    }
    const CliRun r = cli(d, {"info", f});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("全校合计：周课时" + std::to_string(weekly) + "节，已分配任课" + std::to_string(assigned - 1) +
                         "节，未分配教师1节"),
              std::string::npos)
        << r.out;
}
