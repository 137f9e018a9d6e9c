// tavrin-cli move run as a program on a demo school: the marks of a source, an allowed move
// that `show` then shows, a move with warnings refused without --yes and a dry run, both
// leaving the file byte for byte as it was.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "store/store.h"
#include "support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

using tavrin::testing::CliRun;

CliRun run(const std::string& args) { return tavrin::testing::runCli(args); }
std::string bytes(const fs::path& p) { return tavrin::testing::fileBytes(p); }

class MoveCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("tavrin_move_cli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        file_ = (dir_ / "s.dat").string();
        ASSERT_EQ(run("demo " + file_ + " --size small --seed 3 --combined --planted").status, 0);
    }
    void TearDown() override { fs::remove_all(dir_); }
    // The marks of class 1's lesson at slot 1, as JSON.
    json marks()
    {
        const CliRun r = run("move " + file_ + " --class 1 --from 1 --json");
        EXPECT_EQ(r.status, 0) << r.out;
        return json::parse(r.out);
    }
    int firstWith(const json& m, int mark)
    {
        for (const auto& e : m["marks"])
            if (e["mark"] == mark && e["state"] != "locked" && e["state"] != "source")
                return e["slot"];
        return 0;
    }
    fs::path dir_;
    std::string file_;
};

TEST_F(MoveCli, MarksOfASourceAsAGrid)
{
    const CliRun r = run("move " + file_ + " --class 1 --from 1");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("星期一"), std::string::npos);
    EXPECT_NE(r.out.find("\t*"), std::string::npos);  // the source
    const json m = marks();
    EXPECT_EQ(m["marks"].size(), 35u);
    EXPECT_EQ(m["marks"][0]["state"], "source");
}

TEST_F(MoveCli, AllowedMoveIsSavedAndShown)
{
    const json m = marks();
    const int to = firstWith(m, 1);
    ASSERT_GT(to, 0);
    const std::string lesson = m["lesson"];
    const std::string subject = lesson.substr(0, lesson.find('\n'));
    const CliRun r = run("move " + file_ + " --class 1 --from 1 --to " + std::to_string(to) + " --json");
    ASSERT_EQ(r.status, 0) << r.out;
    const json o = json::parse(r.out);
    EXPECT_TRUE(o["applied"].get<bool>());
    EXPECT_TRUE(o["saved"].get<bool>());
    // Class 1's lesson now stands at the target: the marks of that slot name it.
    const json after = json::parse(run("move " + file_ + " --class 1 --from " + std::to_string(to) + " --json").out);
    EXPECT_EQ(after["lesson"], lesson);
    EXPECT_EQ(run("check " + file_).status, 0);
    EXPECT_NE(run("show " + file_ + " --class 1").out.find(subject), std::string::npos);
}

TEST_F(MoveCli, WarningsNeedYesAndDryRunWritesNothing)
{
    const json m = marks();
    const int warn = firstWith(m, 2), ok = firstWith(m, 1);
    ASSERT_GT(warn, 0);
    const std::string before = bytes(file_);
    const CliRun refused = run("move " + file_ + " --class 1 --from 1 --to " + std::to_string(warn));
    EXPECT_EQ(refused.status, 2) << refused.out;
    EXPECT_NE(refused.out.find("真的要调课？"), std::string::npos);
    EXPECT_EQ(bytes(file_), before);
    const CliRun dry = run("move " + file_ + " --class 1 --from 1 --to " + std::to_string(ok) + " --dry-run --json");
    EXPECT_EQ(dry.status, 0) << dry.out;
    EXPECT_FALSE(json::parse(dry.out)["changes"].empty());
    EXPECT_EQ(bytes(file_), before);
    const CliRun yes = run("move " + file_ + " --class 1 --from 1 --to " + std::to_string(warn) + " --yes");
    EXPECT_EQ(yes.status, 0) << yes.out;
    EXPECT_NE(bytes(file_), before);
}

TEST_F(MoveCli, BadInputIsOneLineAndStatusOne)
{
    for (const char* args : {"--class 0", "--class 1 --from 0", "--class 1 --from 36", "--class 1 --held 1 --to 3",
                             "--teacher 9999", "--class 1 --from 9:1"}) {
        const CliRun r = run("move " + file_ + " " + args);
        EXPECT_EQ(r.status, 1) << args << ": " << r.out;
    }
}

}  // namespace

// `lock` writes the flags the pages' "锁定"/"解锁" and "全部锁定"/"全部解锁" set, and a move
// then treats the locked timetable as the pages do.
TEST_F(MoveCli, LockWritesTheFlagsAsThePageCommandsDo)
{
    auto locks = [&](const char* table) {
        tavrin::store::Store st(file_, tavrin::store::Store::Mode::ReadOnly);
        return std::string(table) == "banbd" ? st.scalar("SELECT count(*) FROM banbd WHERE islock <> 0")
                                             : st.scalar("SELECT count(*) FROM teabd WHERE islock <> 0");
    };
    auto classes = [&] {
        tavrin::store::Store st(file_, tavrin::store::Store::Mode::ReadOnly);
        return st.scalar("SELECT count(*) FROM banbd");
    };
    ASSERT_EQ(run("lock " + file_ + " --all --off").status, 0);
    ASSERT_EQ(locks("banbd"), 0);

    ASSERT_EQ(run("lock " + file_ + " --teacher 1").status, 0);
    EXPECT_EQ(locks("teabd"), 1);
    ASSERT_EQ(run("lock " + file_ + " --class 1").status, 0);
    EXPECT_EQ(locks("banbd"), 1);
    const CliRun refused = run("move " + file_ + " --class 1 --from 1 --to-holding");
    EXPECT_EQ(refused.status, 2) << refused.out;

    ASSERT_EQ(run("lock " + file_ + " --class 1 --off").status, 0);
    EXPECT_EQ(locks("banbd"), 0);
    // "全部锁定": every class, the teacher's lock stays; "全部解锁": both cleared.
    ASSERT_EQ(run("lock " + file_ + " --all").status, 0);
    EXPECT_EQ(locks("banbd"), classes());
    EXPECT_EQ(locks("teabd"), 1);
    ASSERT_EQ(run("lock " + file_ + " --all --off").status, 0);
    EXPECT_EQ(locks("banbd"), 0);
    EXPECT_EQ(locks("teabd"), 0);
}

TEST_F(MoveCli, LockRefusesWhatDoesNotExistAndWritesNothing)
{
    const std::string before = bytes(file_);
    for (const char* args : {" --class 999", " --teacher 0", "", " --class 1 --all"}) {
        const CliRun r = run("lock " + file_ + args);
        EXPECT_EQ(r.status, 1) << args << r.out;
        EXPECT_EQ(bytes(file_), before) << args;
    }
}
