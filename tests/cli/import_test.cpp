// tavrin-cli import on the demo school: the subject periods and the assignments written to a
// workbook in the format the imports read (the one the re-import export writes), cleared in a
// copy of the school and read back with --save, give the same data; a second import of the
// same file changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "entry/subjectdraft.h"
#include "entry/teachers.h"
#include "spreadsheet/workbook.h"
#include "support/cli_run.h"
#include "support/demo_school.h"

namespace tavrin::spreadsheet {
namespace {

using testing::fileBytes;
using testing::runCli;

// Subject name -> weekly periods by class.
std::map<std::string, std::vector<std::int64_t>> periods(store::Store& st)
{
    std::map<std::string, std::vector<std::int64_t>> out;
    for (const auto& r : entry::loadSubjects(st).rows)
        out[r.name] = r.jieshu;
    return out;
}

// (teacher, class, subject) -> periods.
std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> assignments(store::Store& st)
{
    const entry::TeaDraft d = entry::loadTeachers(st);
    std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> out;
    for (const auto& e : d.renke)
        if (!e.empty())
            out[{d.rows[static_cast<std::size_t>(d.rowOf(e.tea))].name, d.className(e.ban), d.subjectName(e.ke)}] +=
                e.jieshu;
    return out;
}

std::string q(const std::filesystem::path& p)
{
    return "'" + p.string() + "'";
}

// Every subject's weekly periods set to 0, saved.
void clearSubjects(store::Store& st)
{
    entry::KemuDraft d = entry::loadSubjects(st);
    for (auto& r : d.rows)
        std::fill(r.jieshu.begin(), r.jieshu.end(), 0);
    ASSERT_TRUE(entry::saveSubjects(st, d, [](const std::string&) { return true; }));
}

// Every assignment emptied, saved.
void clearAssignments(store::Store& st)
{
    entry::TeaDraft d = entry::loadTeachers(st);
    for (auto& e : d.renke)
        e = {};
    d.RenKeNum = 0;
    ASSERT_TRUE(entry::saveTeachers(st, d));
}

struct ImportRoundTrip : ::testing::Test {
    testing::DemoSchool demo{demo::DemoSize::Small, true};
    std::filesystem::path copy = demo.dir / "copy.dat";
    std::filesystem::path book = demo.dir / "book.xlsx";
    void SetUp() override { std::filesystem::copy_file(demo.dir / "db.dat", copy); }
};

TEST_F(ImportRoundTrip, SubjectPeriods)
{
    const auto want = periods(*demo.st);
    ASSERT_FALSE(want.empty());
    {
        const entry::KemuDraft d = entry::loadSubjects(*demo.st);
        Workbook wb;
        Sheet& sh = wb.add("科目");
        sh.setText(1, 1, "科目");
        for (std::size_t g = 0; g < d.groups.size(); ++g)
            sh.setText(1, static_cast<int>(g) + 2, d.groups[g].name);
        for (std::size_t r = 0; r < d.rows.size(); ++r) {
            sh.setText(static_cast<int>(r) + 2, 1, d.rows[r].name);
            for (std::size_t g = 0; g < d.groups.size(); ++g)
                sh.setText(static_cast<int>(r) + 2, static_cast<int>(g) + 2,
                           d.groupCell(static_cast<int>(r), static_cast<int>(g)));
        }
        ASSERT_TRUE(wb.save(book.string()).ok);
    }
    {
        store::Store st(copy);
        clearSubjects(st);
        ASSERT_NE(periods(st), want);
    }
    const auto run = runCli("import " + q(copy) + " subjects " + q(book) + " --save --yes");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out.find("跳过"), std::string::npos) << run.out;
    {
        store::Store st(copy);
        EXPECT_EQ(periods(st), want);
    }
    const std::string bytes = fileBytes(copy);
    const auto again = runCli("import " + q(copy) + " subjects " + q(book) + " --save --yes");
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.out.find("没有要导入的内容"), std::string::npos) << again.out;
    EXPECT_EQ(fileBytes(copy), bytes);
}

TEST_F(ImportRoundTrip, Assignments)
{
    const auto want = assignments(*demo.st);
    ASSERT_FALSE(want.empty());
    {
        // The re-import layout: classes across, subjects down; a teacher holding the class's
        // whole weekly count by name alone, shares as name, periods, … in entry order.
        const entry::TeaDraft d = entry::loadTeachers(*demo.st);
        Workbook wb;
        Sheet& sh = wb.add("任课");
        sh.setText(1, 1, "科目");
        for (std::size_t c = 0; c < d.classes.size(); ++c)
            sh.setText(1, static_cast<int>(c) + 2, d.classes[c].name);
        for (std::size_t k = 0; k < d.subjects.size(); ++k)
            sh.setText(static_cast<int>(k) + 2, 1, d.subjects[k].name);
        for (const auto& e : d.renke) {
            if (e.empty())
                continue;
            const int r = d.subjectAt(e.ke) + 2, c = d.classAt(e.ban) + 2;
            const std::string name = d.rows[static_cast<std::size_t>(d.rowOf(e.tea))].name;
            const Cell* cell = sh.cell(r, c);
            if (e.jieshu == d.weekly(e.ban, e.ke))
                sh.setText(r, c, name);
            else if (cell && !cell->text.empty())
                sh.setText(r, c, cell->text + "," + name + "," + std::to_string(e.jieshu));
            else
                sh.setText(r, c, name + "," + std::to_string(e.jieshu));
        }
        ASSERT_TRUE(wb.save(book.string()).ok);
    }
    {
        store::Store st(copy);
        clearAssignments(st);
        ASSERT_TRUE(assignments(st).empty());
    }
    const auto run = runCli("import " + q(copy) + " assignments " + q(book) + " --save");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out.find("跳过"), std::string::npos) << run.out;
    {
        store::Store st(copy);
        EXPECT_EQ(assignments(st), want);
    }
    const std::string bytes = fileBytes(copy);
    const auto again = runCli("import " + q(copy) + " assignments " + q(book) + " --save --json");
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.out.find("\"saved\": false"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("\"skipped\": []"), std::string::npos) << again.out;
    EXPECT_EQ(fileBytes(copy), bytes);
}

// What the program's own exports write, its imports read back: subject periods and
// assignments exported from the school, both cleared in a copy, imported with --save.
TEST_F(ImportRoundTrip, ThroughTheProgramsOwnExports)
{
    const auto wantPeriods = periods(*demo.st);
    const auto wantAssignments = assignments(*demo.st);
    ASSERT_FALSE(wantAssignments.empty());
    const auto source = demo.dir / "source.dat";
    std::filesystem::copy_file(demo.dir / "db.dat", source);
    const auto subjects = demo.dir / "subjects.xlsx", teachers = demo.dir / "assignments.xlsx";
    for (const auto& [kind, file] : {std::pair{"subjects", subjects}, std::pair{"assignments", teachers}}) {
        const auto out = runCli("export " + q(source) + " " + kind + " --out " + q(file));
        ASSERT_EQ(out.status, 0) << kind << ": " << out.out;
    }
    {
        store::Store st(copy);
        clearSubjects(st);
        clearAssignments(st);
        ASSERT_TRUE(assignments(st).empty());
    }
    const auto s1 = runCli("import " + q(copy) + " subjects " + q(subjects) + " --save --yes");
    ASSERT_EQ(s1.status, 0) << s1.out;
    EXPECT_EQ(s1.out.find("跳过"), std::string::npos) << s1.out;
    const auto a1 = runCli("import " + q(copy) + " assignments " + q(teachers) + " --save");
    ASSERT_EQ(a1.status, 0) << a1.out;
    EXPECT_EQ(a1.out.find("跳过"), std::string::npos) << a1.out;
    {
        store::Store st(copy);
        EXPECT_EQ(periods(st), wantPeriods);
        EXPECT_EQ(assignments(st), wantAssignments);
    }
    // A second import of either file changes no byte.
    const std::string bytes = fileBytes(copy);
    for (const auto& [kind, file] : {std::pair{"subjects", subjects}, std::pair{"assignments", teachers}}) {
        const auto again = runCli("import " + q(copy) + " " + kind + " " + q(file) + " --save --yes");
        ASSERT_EQ(again.status, 0) << kind << ": " << again.out;
    }
    EXPECT_EQ(fileBytes(copy), bytes);
}

TEST_F(ImportRoundTrip, AHostileFileChangesNothing)
{
    {
        std::ofstream(book) << "科目,初一\n语文,5\n";
    }
    const std::string bytes = fileBytes(copy);
    for (const char* kind : {"subjects", "assignments"}) {
        const auto run = runCli("import " + q(copy) + " " + kind + " " + q(book) + " --save");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.out.find("所选文件不是Excel工作簿（.xlsx或.xls），无法导入。"), std::string::npos) << run.out;
        EXPECT_EQ(fileBytes(copy), bytes);
    }
}

}  // namespace
}  // namespace tavrin::spreadsheet
