// tavrin-cli show --school and --assignments run as a program on a demo school: the two
// tables agree with each other lesson for lesson, and the counts with the cells they count.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

using tavrin::testing::CliRun;
using tavrin::testing::runCli;

class ShowCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("tavrin_show_cli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        file_ = (dir_ / "s.dat").string();
        ASSERT_EQ(runCli("demo " + file_ + " --size small --seed 5 --planted").status, 0);
    }
    void TearDown() override { fs::remove_all(dir_); }
    json table(const char* which)
    {
        const CliRun r = runCli("show " + file_ + " " + which + " --json");
        EXPECT_EQ(r.status, 0) << r.out;
        return json::parse(r.out);
    }
    fs::path dir_;
    std::string file_;
};

}  // namespace

TEST_F(ShowCli, BothTablesHoldTheSameLessonsAndTheCountsCountThem)
{
    const json school = table("--school");
    const json renke = table("--assignments");
    ASSERT_EQ(school["slots"].size(), renke["slots"].size());
    const std::size_t N = school["slots"].size();
    // Every lesson of a class at a slot, "subject（teacher）", once in the teacher's row as
    // "subject（class）".
    std::map<std::pair<std::string, std::size_t>, std::string> byTeacher;  // (teacher, slot) -> text
    for (const auto& row : renke["rows"]) {
        int lessons = 0;
        for (std::size_t s = 0; s < N; ++s) {
            const std::string t = row["cells"][s];
            if (!t.empty()) {
                ++lessons;
                byTeacher[{row["name"], s}] = t;
            }
        }
        EXPECT_EQ(row["lessons"].get<int>(), lessons) << row["name"];
    }
    std::vector<int> perSlot(N, 0);
    for (const auto& [key, text] : byTeacher)
        ++perSlot[key.second];
    EXPECT_EQ(renke["teachersPerSlot"].get<std::vector<int>>(), perSlot);
    int matched = 0;
    for (const auto& row : school["rows"]) {
        for (std::size_t s = 0; s < N; ++s) {
            const std::string t = row["cells"][s];
            const auto open = t.find("\n（");
            if (open == std::string::npos)
                continue;
            const std::string subject = t.substr(0, open);
            const std::string teacher = t.substr(open + 4, t.size() - open - 4 - 3);
            const auto it = byTeacher.find({teacher, s});
            ASSERT_NE(it, byTeacher.end()) << teacher << " slot " << s + 1;
            EXPECT_EQ(it->second.substr(0, it->second.find('\n')), subject);
            ++matched;
        }
    }
    EXPECT_GT(matched, 0);
    // The text form: the header line names every slot, one line per class.
    const CliRun text = runCli("show " + file_ + " --school");
    EXPECT_EQ(text.out.rfind("总课程表\t星期一第1节\t", 0), 0u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.out.begin(), text.out.end(), '\n')), school["rows"].size() + 1);
    EXPECT_EQ(runCli("show " + file_ + " --school --assignments").status, 1);
}
