// The teacher save: every case on one school with rows in each table that refers to a
// teacher, checked against the name dump (a row that lost or changed its teacher shows as a
// changed line), dense teacher IDs and the file's own link check.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <functional>

#include "entry/teachers.h"
#include "teacher_fixture.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::TeaDraft;

namespace {

std::string renke(const char* tea, const char* ban, const char* ke, int n, int heban = 0)
{
    return fmt::format("difid=* | teaid=«{}» | banid=«{}» | keid=«{}» | jieshu={} | heban={}", tea, ban, ke, n, heban);
}
std::string lesson(int id, int weekday, int jie, const char* ban, const char* tea, const char* ke)
{
    return fmt::format("kechenid={} | theday={} | thejie={} | theban=«{}» | thetea=«{}» | theke=«{}» | teshu=0", id,
                       weekday, jie, ban, tea, ke);
}

int row(const TeaDraft& d, const char* name)
{
    for (std::size_t i = 0; i < d.rows.size(); ++i)
        if (d.rows[i].name == name)
            return static_cast<int>(i);
    ADD_FAILURE() << "no teacher " << name;
    return 0;
}
std::int64_t id(const TeaDraft& d, const char* name)
{
    return d.rows[static_cast<std::size_t>(row(d, name))].id;
}
// The entry of a teacher, class and subject (IDs of the fixture).
int entryOf(const TeaDraft& d, const char* tea, std::int64_t ban, std::int64_t ke)
{
    const std::int64_t t = id(d, tea);
    for (std::size_t i = 0; i < d.renke.size(); ++i)
        if (d.renke[i].tea == t && d.renke[i].ban == ban && d.renke[i].ke == ke)
            return static_cast<int>(i);
    ADD_FAILURE() << "no entry " << tea << " " << ban << " " << ke;
    return 0;
}

constexpr std::int64_t k1Ban = 1, k2Ban = 2, k3Ban = 3, kYu = 1, kTi = 2, kYin = 3;

// What every save must leave: teachers 1..T and no broken link.
void expectSound(store::Store& s)
{
    EXPECT_TRUE(denseKeys(s, "teabd", "teaid"));
    EXPECT_TRUE(foreignKeyProblems(s).empty());
}

struct SaveCase {
    const char* name;
    std::function<void(TeaDraft&)> edit;
    std::function<void(TableDump&)> expect;  // the dump after the save, from the one before
};

void PrintTo(const SaveCase& c, std::ostream* os)
{
    *os << c.name;
}

class TeacherSave : public ::testing::TestWithParam<SaveCase> {};

TEST_P(TeacherSave, KeepsEveryRowOnItsTeacher)
{
    const SaveCase& c = GetParam();
    TeacherSchool b;
    auto& s = b.store();
    TableDump expected = withoutDifid(nameDump(s));
    c.expect(expected);

    TeaDraft d = entry::loadTeachers(s);
    c.edit(d);
    const auto r = entry::saveTeachers(s, d);
    ASSERT_TRUE(r.ok) << r.message;
    const TableDump after = withoutDifid(nameDump(s));
    EXPECT_EQ(after, expected) << expected.diff(after);
    expectSound(s);
    // 赵 keeps his lock wherever the renumbering puts him.
    EXPECT_EQ(s.scalar("SELECT islock FROM teabd WHERE teaname = '赵老师'"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TeacherSave,
    ::testing::Values(
        SaveCase{"noEdits", [](TeaDraft&) {}, [](TableDump&) {}},
        SaveCase{"middleTeacherDeleted", [](TeaDraft& d) { entry::deleteTeacher(d, row(d, "王老师")); },
                 [](TableDump& t) {
                     dropNamed(t, "teaname", "王老师");
                     replaceLine(t, "teawife", "wmid=1 | wife=«张老师»", "");  // his partner's half of the pair
                 }},
        SaveCase{"lowered4To2KeepsTheFirstTwoLessons",
                 [](TeaDraft& d) { d.renke[static_cast<std::size_t>(entryOf(d, "张老师", k1Ban, kYu))].jieshu = 2; },
                 [](TableDump& t) {
                     replaceLine(t, "renkebd", renke("张老师", "1班", "语文", 4), renke("张老师", "1班", "语文", 2));
                     replaceLine(t, "kechenbd", lesson(3, 2, 3, "1班", "张老师", "语文"), "");
                     replaceLine(t, "kechenbd", lesson(4, 2, 4, "1班", "张老师", "语文"), "");
                 }},
        // 李 leaves 3班's 语文: his two periods go to 张 as an entry of their own, in 李's old
        // place ahead of 张's four. 张 now teaches six and keeps all four placed lessons.
        SaveCase{"periodsHandedOverKeepTheNewTeachersLessons",
                 [](TeaDraft& d) {
                     const int was = entryOf(d, "李老师", k3Ban, kYu);
                     entry::deleteChip(d, was);
                     EXPECT_EQ(entry::dropOnTeacher(d, id(d, "张老师"), k3Ban, kYu, 2), was);
                 },
                 [](TableDump& t) {
                     replaceLine(t, "renkebd", renke("李老师", "3班", "语文", 2), renke("张老师", "3班", "语文", 2));
                     replaceLine(t, "kechenbd", lesson(5, 3, 1, "3班", "李老师", "语文"), "");
                     replaceLine(t, "kechenbd", lesson(6, 3, 2, "3班", "李老师", "语文"), "");
                 }},
        SaveCase{"movedChipPrunesTheOldTeachersLessons",
                 [](TeaDraft& d) { entry::moveChip(d, entryOf(d, "钱老师", k2Ban, kYin), id(d, "赵老师")); },
                 [](TableDump& t) {
                     replaceLine(t, "renkebd", renke("钱老师", "2班", "音乐", 2), renke("赵老师", "2班", "音乐", 2));
                     replaceLine(t, "kechenbd", lesson(18, 6, 2, "2班", "钱老师", "音乐"), "");
                     replaceLine(t, "kechenbd", lesson(19, 6, 3, "2班", "钱老师", "音乐"), "");
                 }},
        SaveCase{"combinedChipDeletedLeavesTheOtherTeachersSameNumber",
                 [](TeaDraft& d) { entry::deleteChip(d, entryOf(d, "张老师", k2Ban, kTi)); },
                 [](TableDump& t) {
                     replaceLine(t, "renkebd", renke("张老师", "1班", "体育", 2, 1), "");
                     replaceLine(t, "renkebd", renke("张老师", "2班", "体育", 2, 1), "");
                     replaceLine(t, "kechenbd", lesson(13, 5, 1, "1班", "张老师", "体育"), "");
                     replaceLine(t, "kechenbd", lesson(14, 5, 1, "2班", "张老师", "体育"), "");
                 }},
        // Day 1 of the week is a Tuesday, day 5 a Saturday.
        SaveCase{"newTeacherWithAssignmentAndMarks",
                 [](TeaDraft& d) {
                     int r = -1;
                     ASSERT_TRUE(entry::addTeacher(d, "孙老师", &r).ok);
                     auto& t = d.rows[static_cast<std::size_t>(r)];
                     t.name2 = "孙";
                     t.marks[entry::teaMarkAt(1, 2)] = model::MarkCertain;
                     t.marks[entry::teaMarkAt(5, 8)] = model::MarkNever;
                     EXPECT_GE(entry::dropOnTeacher(d, t.id, k3Ban, kTi, 3), 0);
                 },
                 [](TableDump& t) {
                     addLine(t, "teabd", "teaname=孙老师 | teaname2=孙 | islock=0");
                     addLine(t, "renkebd", renke("孙老师", "3班", "体育", 3));
                     addLine(t, "teshutea", "teaid=«孙老师» | theday=2 | thejie=2 | teshu=2");
                     addLine(t, "teshutea", "teaid=«孙老师» | theday=6 | thejie=8 | teshu=3");
                 }},
        SaveCase{"renamedAndRemarked",
                 [](TeaDraft& d) {
                     auto& t = d.rows[static_cast<std::size_t>(row(d, "钱老师"))];
                     t.name2 = "小钱";
                     t.marks = {};
                     t.marks[entry::teaMarkAt(3, 1)] = model::MarkPrefer;
                 },
                 [](TableDump& t) {
                     replaceLine(t, "teabd", "teaname=钱老师 | teaname2=钱 | islock=0",
                                 "teaname=钱老师 | teaname2=小钱 | islock=0");
                     replaceLine(t, "teshutea", "teaid=«钱老师» | theday=3 | thejie=5 | teshu=3",
                                 "teaid=«钱老师» | theday=4 | thejie=1 | teshu=1");
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TeacherSaveFile, WithoutEditsNoRowChanges)
{
    TeacherSchool b;
    auto& s = b.store();
    const TableDump before = rawDump(s);
    ASSERT_TRUE(entry::saveTeachers(s, entry::loadTeachers(s)).ok);
    EXPECT_EQ(rawDump(s), before) << before.diff(rawDump(s));
}

TEST(TeacherSaveFile, DeletingTheFirstTeacherShiftsTheRestDown)
{
    TeacherSchool b;
    auto& s = b.store();
    TeaDraft d = entry::loadTeachers(s);
    entry::deleteTeacher(d, 0);
    ASSERT_TRUE(entry::saveTeachers(s, d).ok);
    std::vector<std::string> names;
    auto st = s.prepare("SELECT teaname FROM teabd ORDER BY teaid");
    while (st.step())
        names.push_back(st.text(0));
    EXPECT_EQ(names, (std::vector<std::string>{"张老师", "王老师", "赵老师", "钱老师"}));
    EXPECT_EQ(s.scalar("SELECT islock FROM teabd WHERE teaid = 3"), 1);
    expectSound(s);
}

// A pair row without a number is a half pair too; with NOT IN it would also shield every
// other half pair from removal.
TEST(TeacherSaveFile, HalfPairsGoEvenBesideANullPairNumber)
{
    TeacherSchool b;
    auto& s = b.store();
    s.run("INSERT INTO teaman VALUES(NULL, 1)");
    TeaDraft d = entry::loadTeachers(s);
    entry::deleteTeacher(d, row(d, "王老师"));
    ASSERT_TRUE(entry::saveTeachers(s, d).ok);
    EXPECT_EQ(s.scalar("SELECT count(*) FROM teaman"), 1);
    EXPECT_EQ(s.scalar("SELECT count(*) FROM teawife"), 1);
    EXPECT_EQ(s.scalar("SELECT count(*) FROM teaman m JOIN teawife w ON w.wmid = m.wmid WHERE m.wmid = 2"), 1);
}

TEST(TeacherSaveFile, RefusesRowsThatNoLongerFitTheFile)
{
    TeacherSchool b;
    auto& s = b.store();
    TeaDraft d = entry::loadTeachers(s);
    s.run("DELETE FROM teabd WHERE teaid = 5");  // another window deleted 钱
    const TableDump before = rawDump(s);
    const auto r = entry::saveTeachers(s, d);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "找不到编号为5的教师，请重新载入。");
    EXPECT_EQ(rawDump(s), before);
}

}  // namespace
