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
