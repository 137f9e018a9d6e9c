// tavrin-cli changes run as a program on small pairs of school files: the timetable stored
// in one file against the one stored in a backup, the files that cannot be compared, and
// the backup left byte for byte as it was in every case.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "support/cli_run.h"
#include "support/school_builder.h"
#include "support/xlsx_reader.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using tavrin::testing::SchoolBuilder;

using tavrin::testing::CliRun;

CliRun run(const std::string& args) { return tavrin::testing::runCli(args); }
std::string bytes(const fs::path& p) { return tavrin::testing::fileBytes(p); }

std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

// Monday and Tuesday, two periods each (slots 1 2 Monday, 3 4 Tuesday); classes 一(1)班 and
// 一(2)班; 张老师 teaches 语文 in class 1, 李老师 体育 to both classes together.
//   class 1: Monday 1 语文, Monday 2 体育, Tuesday 1 语文
//   class 2: Monday 2 体育
// `combinedLast` is the class whose 体育 row is written last (the member 李's row holds).
void buildSchool(SchoolBuilder& b, int combinedLast = 2, const std::string& secondClass = "一(2)班")
{
    const int ji = b.ji("一年级");
    const int c1 = b.ban("一(1)班", ji);
    const int c2 = b.ban(secondClass, ji);
    const int yu = b.ke("语文");
    const int ti = b.ke("体育");
    const int zhang = b.tea("张老师");
    const int li = b.tea("李老师");
    b.renke(zhang, c1, yu, 2);
    b.renke(li, c1, ti, 1, 1);
    b.renke(li, c2, ti, 1, 1);
    b.lesson(c1, 1, 1, zhang, yu);
    const int first = combinedLast == 2 ? c1 : c2;
    b.lesson(first, 1, 2, li, ti);
    b.lesson(first == c1 ? c2 : c1, 1, 2, li, ti);
    b.lesson(c1, 2, 1, zhang, yu);
}

class ChangesCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        buildSchool(school_);
        backup_ = dir_ / "backup.wkt";
        fs::copy_file(school_.path(), backup_);
        backupBytes_ = bytes(backup_);
    }
    void TearDown() override { EXPECT_EQ(bytes(backup_), backupBytes_) << "the backup was written"; }
    CliRun changes(const std::string& extra = " --json")
    {
        return run("changes " + q(school_.path()) + " --against " + q(backup_) + extra);
    }

    tavrin::testing::TempDir dir_;
    SchoolBuilder school_{{1, 2}, 2, 0, 0};
    fs::path backup_;
    std::string backupBytes_;
};

TEST_F(ChangesCli, IdenticalFilesGiveAnEmptyList)
{
    CliRun r = changes();
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(json::parse(r.out), json::parse(R"({"timetables": [], "skipped": 0, "skipped_backup": 0})"));
    r = changes("");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "没有被调动的课表。\n");
    // The file against itself.
    r = run("changes " + q(school_.path()) + " --against " + q(school_.path()) + " --json");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(json::parse(r.out)["timetables"].empty());
}

TEST_F(ChangesCli, AnEditedTimetable)
{
    // 张's Monday 1 语文 moves to Tuesday 2.
    school_.store().run("UPDATE kechenbd SET theday = 2, thejie = 2 WHERE theday = 1 AND thejie = 1");
    const CliRun r = changes();
    ASSERT_EQ(r.status, 0) << r.out;
    const json expected = json::parse(R"({
      "timetables": [
        {"kind": "class", "id": 1, "name": "一(1)班", "moves": [
          {"renke": 0, "class": "一(1)班", "subject": "语文", "teacher": "张老师",
           "from": 1, "from_time": "星期一第1节", "to": 4, "to_time": "星期二第2节"}]},
        {"kind": "teacher", "id": 1, "name": "张老师", "moves": [
          {"renke": 0, "class": "一(1)班", "subject": "语文", "teacher": "张老师",
           "from": 1, "from_time": "星期一第1节", "to": 4, "to_time": "星期二第2节"}]}
      ],
      "skipped": 0, "skipped_backup": 0})");
    EXPECT_EQ(json::parse(r.out), expected);

    const CliRun text = changes("");
    EXPECT_EQ(text.out,
              "被调动的表：2 张\n\n班级 一(1)班 (B1)\n  语文  张老师  星期一第1节 -> 星期二第2节\n"
              "\n教师 张老师 (T1)\n  语文  一(1)班  星期一第1节 -> 星期二第2节\n");
}

TEST_F(ChangesCli, ACombinedLessonMovedNamesEveryClassOnTheTeacherRow)
{
    school_.store().run("DELETE FROM kechenbd WHERE thejie = 2 AND theday = 1");
    const CliRun r = changes();
    ASSERT_EQ(r.status, 0) << r.out;
    const json j = json::parse(r.out);
    ASSERT_EQ(j["timetables"].size(), 3u);
    EXPECT_EQ(j["timetables"][2]["kind"], "teacher");
    EXPECT_EQ(j["timetables"][2]["name"], "李老师");
    ASSERT_EQ(j["timetables"][2]["moves"].size(), 1u);
    EXPECT_EQ(j["timetables"][2]["moves"][0]["class"], "一(1)班、一(2)班");
    EXPECT_EQ(j["timetables"][2]["moves"][0]["to"], 0);
    EXPECT_EQ(j["timetables"][2]["moves"][0]["to_time"], "");
}

// The same timetable with the combined lesson's rows written in the other order: the
// teacher's row then holds the other member, which is no change.
TEST(ChangesCliPairs, CombinedRowsInAnotherOrderAreNoChange)
{
    SchoolBuilder now({1, 2}, 2, 0, 0), before({1, 2}, 2, 0, 0);
    buildSchool(now, 2);
    buildSchool(before, 1);
    const CliRun r = run("changes " + q(now.path()) + " --against " + q(before.path()) + " --json");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(json::parse(r.out)["timetables"].empty()) << r.out;
}

TEST(ChangesCliPairs, FilesThatCannotBeCompared)
{
    struct Case {
        const char* name;
        std::function<void(SchoolBuilder&, const fs::path& dir)> makeBackup;  // writes dir/"b.wkt"
        std::string message;
    };
    auto schoolAs = [](std::vector<int> days, int mor, const std::string& second) {
        return [days, mor, second](SchoolBuilder&, const fs::path& dir) {
            SchoolBuilder other(days, mor, 0, 0);
            buildSchool(other, 2, second);
            fs::copy_file(other.path(), dir / "b.wkt");
        };
    };
    const std::vector<Case> cases = {
        {"a class named otherwise", schoolAs({1, 2}, 2, "一(3)班"), "班级 2 的名称不同（“一(2)班”与“一(3)班”）"},
        {"other weekdays", schoolAs({1, 3}, 2, "一(2)班"), "上课的日期不同"},
        {"other periods", schoolAs({1, 2}, 3, "一(2)班"), "每天的节数不同"},
        {"no database", [](SchoolBuilder&, const fs::path& dir) { tavrin::testing::writeFile(dir / "b.wkt", "课表备份\n"); },
         "b.wkt"},
        {"no such file", [](SchoolBuilder&, const fs::path&) {}, "b.wkt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SchoolBuilder now({1, 2}, 2, 0, 0);
        buildSchool(now);
        tavrin::testing::TempDir dir;
        c.makeBackup(now, dir.path());
        const std::string before = fs::exists(dir / "b.wkt") ? bytes(dir / "b.wkt") : "";
        const std::string nowBefore = bytes(now.path());
        const CliRun r = run("changes " + q(now.path()) + " --against " + q(dir / "b.wkt") + " --json");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find('{'), std::string::npos) << "no report after a refusal";
        if (fs::exists(dir / "b.wkt")) {
            EXPECT_EQ(bytes(dir / "b.wkt"), before);
        }
        EXPECT_EQ(bytes(now.path()), nowBefore);
    }
}

TEST_F(ChangesCli, BackupRowsWithoutASlotOrAnAssignmentAreSkippedAndCounted)
{
    {
        tavrin::store::Store b(backup_);
        b.run("INSERT INTO kechenbd VALUES(90, 5, 1, 1, 1, 1, 0)");  // Friday: no school day
        b.run("INSERT INTO kechenbd VALUES(91, 1, 1, 2, 1, 1, 0)");  // 张 teaches class 2 nothing
    }
    backupBytes_ = bytes(backup_);
    const CliRun r = changes();
    ASSERT_EQ(r.status, 0) << r.out;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["skipped_backup"], 2);
    EXPECT_EQ(j["skipped"], 0);
    EXPECT_TRUE(j["timetables"].empty());
}

}  // namespace

// `notices`: the same comparison written as the notices workbook, with the texts kept in
// info.ini beside the school file, the class notices only when asked for.
TEST_F(ChangesCli, NoticesWorkbookOfTheComparison)
{
    // 张's Monday 1 语文 moves to Tuesday 2; the combined 体育 is taken off.
    school_.store().run("UPDATE kechenbd SET theday = 2, thejie = 2 WHERE theday = 1 AND thejie = 1");
    school_.store().run("DELETE FROM kechenbd WHERE thejie = 2 AND theday = 1");
    {
        std::ofstream ini(school_.path().parent_path() / "info.ini");
        ini << "[ChnInfo]\n1=第二行\n0=第一行\n[ChnName]\nschoolName=初中部\n";
    }
    const fs::path out = dir_ / "notices.xlsx";
    CliRun r = run("notices " + q(school_.path()) + " --against " + q(backup_) + " --out " + q(out) +
                   " --date 2026.9.1");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "调课通知：2 份，2 节课，已写入 " + out.string() + "\n");
    auto book = tavrin::testing::readXlsx(out.string());
    const auto& sh = book.sheets.at(0);
    EXPECT_EQ(sh.text(1, 1), "张老师老师调课通知");
    EXPECT_EQ(sh.text(3, 1), "第一行\n第二行");
    EXPECT_EQ((std::vector<std::string>{sh.text(5, 1), sh.text(5, 2), sh.text(5, 3), sh.text(5, 4)}),
              (std::vector<std::string>{"一(1)班", "语文", "星期一第1节", "星期二第2节"}));
    EXPECT_EQ(sh.text(7, 4), "初中部");
    EXPECT_EQ(sh.text(8, 4), "2026.9.1");
    EXPECT_EQ(sh.text(10, 1), "李老师老师调课通知");
    EXPECT_EQ((std::vector<std::string>{sh.text(14, 1), sh.text(14, 2), sh.text(14, 3), sh.text(14, 4)}),
              (std::vector<std::string>{"一(1)班、一(2)班", "体育", "星期一第2节", ""}));
    EXPECT_EQ(sh.text(19, 1), "");

    // Class notices only: class 1 lost two lessons, class 2 one.
    r = run("notices " + q(school_.path()) + " --against " + q(backup_) + " --out " + q(out) +
            " --classes --no-teachers --date 2026.9.1");
    ASSERT_EQ(r.status, 0) << r.out;
    book = tavrin::testing::readXlsx(out.string());
    EXPECT_EQ(book.sheets.at(0).text(1, 1), "一(1)班调课通知");
    EXPECT_EQ(book.sheets.at(0).text(4, 2), "调课教师");
    EXPECT_EQ(book.sheets.at(0).text(11, 1), "一(2)班调课通知");

    // A file that cannot be written: the program's message, status 1.
    r = run("notices " + q(school_.path()) + " --against " + q(backup_) + " --out " + q(dir_ / "none" / "x.xlsx"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("无法保存EXCEL文件。"), std::string::npos) << r.out;
}
