// tavrin-cli cover as a program on the small cover school: a day's suggestions, their covers
// written to a file and applied, a second application refused with the file unchanged, and
// the term report counting what was applied.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "support/cli_run.h"
#include "support/cover_school.h"

namespace {

using json = nlohmann::json;
using tavrin::testing::fileBytes;
using tavrin::testing::runCli;

TEST(CliCover, SuggestApplyReport)
{
    tavrin::testing::CoverSchool fx;
    const std::string db = fx.b.path().string();

    // 张 away at Monday's first and fourth periods.
    auto r = runCli("cover " + db + " --date 2026-09-14 --absent 张老师:1,4 --suggest --json");
    ASSERT_EQ(r.status, 0) << r.out;
    json day = json::parse(r.out);
    EXPECT_EQ(day["week"], 2);
    ASSERT_EQ(day["absences"].size(), 1u);
    EXPECT_EQ(day["absences"][0]["periods"], json::array({1, 4}));
    ASSERT_EQ(day["lessons"].size(), 2u);
    json covers = json::array();
    for (const auto& l : day["lessons"]) {
        EXPECT_TRUE(l["cover"].is_null());
        ASSERT_FALSE(l["suggestions"].empty());
        EXPECT_EQ(l["suggestions"][0]["kind"], "substitute");
        EXPECT_EQ(l["suggestions"][0]["by_name"], "孙老师");
        EXPECT_EQ(l["suggestions"][0]["reason"], "同科目，本周代课0节");
        covers.push_back(l["suggestions"][0]["cover"]);
    }
    const auto file = fx.b.path().parent_path() / "covers.json";
    std::ofstream(file) << json{{"covers", covers}}.dump();

    r = runCli("cover " + db + " --date 2026-09-14 --apply " + file.string() + " --json");
    ASSERT_EQ(r.status, 0) << r.out;
    day = json::parse(r.out);
    EXPECT_EQ(day["applied"], 2);
    for (const auto& l : day["lessons"]) {
        ASSERT_TRUE(l["cover"].is_object());
        EXPECT_EQ(l["cover"]["by_name"], "孙老师");
        EXPECT_EQ(l["broken"], "");
    }

    // The same covers again: one line on stderr, exit status 1, the file as it was.
    const std::string before = fileBytes(fx.b.path());
    r = runCli("cover " + db + " --date 2026-09-14 --apply " + file.string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "2026-09-14 第1节 张老师 的课已安排了代课，一节课只能安排一次。\n");
    EXPECT_EQ(fileBytes(fx.b.path()), before);
    r = runCli("cover " + db + " --date 2026-09-15 --absent 无此人");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "没有这个教师：无此人\n");
    EXPECT_EQ(fileBytes(fx.b.path()), before);

    r = runCli("cover " + db + " --report --from 2026-09-07 --to 2027-01-24 --json");
    ASSERT_EQ(r.status, 0) << r.out;
    const json report = json::parse(r.out);
    ASSERT_EQ(report["teachers"].size(), 2u);
    EXPECT_EQ(report["teachers"][0]["teacher_name"], "张老师");
    EXPECT_EQ(report["teachers"][0]["missed"], 2);
    EXPECT_EQ(report["teachers"][0]["given"], 0);
    EXPECT_EQ(report["teachers"][1]["teacher_name"], "孙老师");
    EXPECT_EQ(report["teachers"][1]["given"], 2);
    EXPECT_EQ(report["teachers"][1]["months"][0]["month"], "2026-09");
    EXPECT_EQ(report["teachers"][1]["months"][0]["given"], 2);
}

TEST(CliCover, TermAndBadDates)
{
    tavrin::testing::CoverSchool fx;
    const std::string db = fx.b.path().string();
    auto r = runCli("cover " + db + " --term 2026-09-02 --weeks 18 --date 2026-09-14");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("学期开始日期 2026-09-02 不是星期一，已改为该周的星期一 2026-08-31。"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("（第3周）"), std::string::npos) << r.out;
    const std::string before = fileBytes(fx.b.path());
    for (const char* args : {" --date 2026-02-30", " --date 2027-06-01", " --report --from 2026-10-01 --to 2026-09-01"}) {
        r = runCli("cover " + db + args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
    EXPECT_EQ(fileBytes(fx.b.path()), before);
}

}  // namespace
