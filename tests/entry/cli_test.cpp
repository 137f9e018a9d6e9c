// `tavrin-cli classes`, `week`, `subjects` and `teachers`, run as a script would: printing and applying the printed
// rows unchanged changes no row of the file; a refusal is one line on stderr, exit status 1
// and an untouched file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "support/name_dump.h"
#include "support/testutil.h"

extern char** environ;

using namespace tavrin;
using namespace tavrin::testing;
using nlohmann::json;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome runCli(const TempDir& dir, const std::vector<std::string>& args)
{
    const auto outFile = dir / "stdout.txt", errFile = dir / "stderr.txt";
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> all{TAVRIN_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    Outcome o;
    const int rc = posix_spawn(&pid, TAVRIN_CLI, &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (rc != 0)
        return o;
    int ws = 0;
    waitpid(pid, &ws, 0);
    o.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
    o.out = readFile(outFile);
    o.err = readFile(errFile);
    return o;
}

class CliEntry : public ::testing::Test {
protected:
    TempDir dir;
    std::string db = (dir / "db.dat").string();
    void SetUp() override
    {
        ASSERT_EQ(runCli(dir, {"demo", db, "--size", "small", "--seed", "4", "--planted"}).status, 0);
    }
    TableDump dump()
    {
        store::Store s(db);
        return rawDump(s);
    }
    std::string printed(const char* verb)
    {
        Outcome o = runCli(dir, {verb, db});
        EXPECT_EQ(o.status, 0) << o.err;
        return o.out;
    }
};

TEST_F(CliEntry, PrintingAndApplyingChangesNoRow)
{
    for (const char* verb : {"classes", "week"}) {
        const TableDump before = dump();
        const std::string text = printed(verb);
        ASSERT_FALSE(json::parse(text).is_discarded());
        writeFile(dir / "rows.json", text);
        const Outcome o = runCli(dir, {verb, db, "--apply", (dir / "rows.json").string()});
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.out, "保存完成\n");
        EXPECT_EQ(dump(), before) << verb << "\n" << before.diff(dump());
        EXPECT_EQ(printed(verb), text);
    }
}

TEST_F(CliEntry, AnEditedListIsSavedAsThePageSavesIt)
{
    json j = json::parse(printed("classes"));
    auto& classes = j["groups"][0]["classes"];
    const std::string second = classes[1]["name"];
    classes.erase(0);
    classes.push_back({{"id", nullptr}, {"name", "新班"}});
    writeFile(dir / "rows.json", j.dump());
    ASSERT_EQ(runCli(dir, {"classes", db, "--apply", (dir / "rows.json").string()}).status, 0);
    const json after = json::parse(printed("classes"));
    const auto& now = after["groups"][0]["classes"];
    EXPECT_EQ(now[0]["id"], 1);
    EXPECT_EQ(now[0]["name"], second);
    EXPECT_EQ(now.back()["name"], "新班");
    EXPECT_EQ(now.back()["id"], static_cast<int>(now.size()));
}

TEST_F(CliEntry, RefusalsAreOneLineAndWriteNothing)
{
    json classes = json::parse(printed("classes"));
    classes["groups"][0]["classes"][1]["name"] = classes["groups"][0]["classes"][0]["name"];
    json week = json::parse(printed("week"));
    week["mor"] = week["aft"] = week["nig"] = 0;
    struct Bad {
        const char* verb;
        std::string text;
        std::string message;
    };
    const std::string twin = classes["groups"][0]["classes"][1]["name"];
    const Bad cases[] = {
        {"classes", classes.dump(), "班级名称不能重复，请修正。（" + twin + "）\n"},
        {"week", week.dump(), "每天节数不能全为0。\n"},
        {"week", "{\"days\": [1]", "文件不是有效的 JSON：" + (dir / "rows.json").string() + "\n"},
    };
    const TableDump before = dump();
    for (const auto& c : cases) {
        writeFile(dir / "rows.json", c.text);
        const Outcome o = runCli(dir, {c.verb, db, "--apply", (dir / "rows.json").string()});
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, c.message);
        EXPECT_TRUE(o.out.empty());
        EXPECT_EQ(dump(), before);
    }
}

TEST_F(CliEntry, SubjectsPrintedAndAppliedChangeNoRow)
{
    const TableDump before = dump();
    const std::string text = printed("subjects");
    const json j = json::parse(text);
    ASSERT_FALSE(j["subjects"].empty());
    ASSERT_FALSE(j["subjects"][0]["periods"].empty());
    writeFile(dir / "rows.json", text);
    const Outcome o = runCli(dir, {"subjects", db, "--apply", (dir / "rows.json").string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "保存完成\n");
    EXPECT_EQ(dump(), before) << before.diff(dump());
    EXPECT_EQ(printed("subjects"), text);
}

TEST_F(CliEntry, SubjectsOverCapacityNeedYes)
{
    json j = json::parse(printed("subjects"));
    const auto cls = j["classes"][0]["id"].get<int>();
    const auto capacity = j["classes"][0]["capacity"].get<int>();
    j["subjects"][0]["periods"] = json::array({{{"class", cls}, {"periods", capacity + 1}}});
    j["subjects"].push_back({{"name", "书法"}, {"short", "书"}, {"maxjie", 2}, {"lianpai", 0}});
    writeFile(dir / "rows.json", j.dump());
    const TableDump before = dump();
    Outcome o = runCli(dir, {"subjects", db, "--apply", (dir / "rows.json").string()});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.out.find("有的年级的节数合计超出了课时容量"), std::string::npos) << o.out;
    EXPECT_EQ(dump(), before);

    o = runCli(dir, {"subjects", db, "--apply", (dir / "rows.json").string(), "--yes"});
    EXPECT_EQ(o.status, 0) << o.err;
    const json after = json::parse(printed("subjects"));
    EXPECT_EQ(after["subjects"][0]["periods"], j["subjects"][0]["periods"]);
    EXPECT_EQ(after["subjects"].back()["name"], "书法");
    EXPECT_EQ(after["subjects"].back()["id"], static_cast<int>(after["subjects"].size()));
    EXPECT_EQ(after["subjects"].back()["maxjie"], 2);
}

TEST_F(CliEntry, SubjectsRefusals)
{
    const json j = json::parse(printed("subjects"));
    json twin = j;
    twin["subjects"][1]["name"] = twin["subjects"][0]["name"];
    json wide = j;
    wide["subjects"][0]["maxjie"] = 256;
    json unknown = j;
    unknown["subjects"][0]["id"] = 400;
    struct Bad {
        std::string text;
        std::string message;
    };
    const Bad cases[] = {
        {twin.dump(), "科目名称重复，请修正。（" + twin["subjects"][1]["name"].get<std::string>() + "）\n"},
        {wide.dump(), "第1个科目的“maxjie”应在0到255之间。\n"},
        {unknown.dump(), "第1个科目：找不到编号为400的科目。\n"},
    };
    const TableDump before = dump();
    for (const auto& c : cases) {
        writeFile(dir / "rows.json", c.text);
        const Outcome o = runCli(dir, {"subjects", db, "--apply", (dir / "rows.json").string()});
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, c.message);
        EXPECT_EQ(dump(), before);
    }
}

TEST_F(CliEntry, TeachersPrintedAndAppliedChangeNoRow)
{
    const TableDump before = dump();
    const std::string text = printed("teachers");
    const json j = json::parse(text);
    ASSERT_FALSE(j["teachers"].empty());
    ASSERT_FALSE(j["teachers"][0]["assignments"].empty());
    writeFile(dir / "rows.json", text);
    const Outcome o = runCli(dir, {"teachers", db, "--apply", (dir / "rows.json").string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "保存完成\n");
    EXPECT_EQ(dump(), before) << before.diff(dump());
    EXPECT_EQ(printed("teachers"), text);
}

// The periods nobody teaches handed to a new teacher through the printout: afterwards the
// school's summary lists none, and the teachers count as the page counts them.
TEST_F(CliEntry, EveryPeriodAssignedLeavesNothingUnassigned)
{
    json j = json::parse(printed("teachers"));
    // Free some periods first, so that the list is never empty to begin with.
    auto& first = j["teachers"][0]["assignments"];
    ASSERT_FALSE(first.empty());
    first.erase(0);
    writeFile(dir / "rows.json", j.dump());
    ASSERT_EQ(runCli(dir, {"teachers", db, "--apply", (dir / "rows.json").string()}).status, 0);
    j = json::parse(printed("teachers"));
    ASSERT_FALSE(j["unassigned"].empty());
    json::array_t given;
    for (const auto& u : j["unassigned"])
        given.push_back({{"class", u["class"]}, {"subject", u["subject"]}, {"periods", u["periods"]}});
    j["teachers"].push_back({{"name", "新老师"}, {"short", "新"}, {"assignments", given}});
    writeFile(dir / "rows.json", j.dump());
    const Outcome o = runCli(dir, {"teachers", db, "--apply", (dir / "rows.json").string()});
    ASSERT_EQ(o.status, 0) << o.err;

    const json after = json::parse(printed("teachers"));
    EXPECT_TRUE(after["unassigned"].empty());
    EXPECT_EQ(after["teachers"].back()["id"], static_cast<int>(after["teachers"].size()));
    const Outcome info = runCli(dir, {"info", db, "--json"});
    ASSERT_EQ(info.status, 0) << info.err;
    const json summary = json::parse(info.out);
    EXPECT_TRUE(summary["unassigned"].empty()) << summary["unassigned"].dump();
}

TEST_F(CliEntry, TeachersRefusals)
{
    const json j = json::parse(printed("teachers"));
    json zero = j;
    zero["teachers"][0]["assignments"][0]["periods"] = 0;
    json unknown = j;
    unknown["teachers"][0]["id"] = 4000;
    json noClass = j;
    noClass["teachers"][0]["assignments"][0]["class"] = 9999;
    struct Bad {
        std::string text;
        std::string message;
    };
    const Bad cases[] = {
        {zero.dump(), "第1位教师的任课的“periods”应在1到189之间。\n"},
        {unknown.dump(), "第1位教师：找不到编号为4000的教师。\n"},
        {noClass.dump(), "第1位教师的任课：班级9999不存在。\n"},
    };
    const TableDump before = dump();
    for (const auto& c : cases) {
        writeFile(dir / "rows.json", c.text);
        const Outcome o = runCli(dir, {"teachers", db, "--apply", (dir / "rows.json").string()});
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, c.message);
        EXPECT_EQ(dump(), before);
    }
}

}  // namespace
