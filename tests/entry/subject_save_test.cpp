// The subject save: every case on one school with rows in each table that refers to a
// subject, checked against the name dump (a row that lost or changed its subject shows as a
// changed line), dense IDs, `difid` running 0..n-1 and the file's own link check.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <functional>

#include "entry/kemumarks.h"
#include "entry/subjectdraft.h"
#include "subject_fixture.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::KemuDraft;
using entry::Scope;

namespace {

std::string renke(const char* tea, const char* ban, const char* ke, int n)
{
    return fmt::format("difid=* | teaid=«{}» | banid=«{}» | keid=«{}» | jieshu={} | heban=0", tea, ban, ke, n);
}
std::string jieshu(const char* ke, const char* ban, int n)
{
    return fmt::format("kemuid=«{}» | banid=«{}» | jieshu={}", ke, ban, n);
}
std::string lesson(int id, int weekday, int jie, const char* ban, const char* tea, const char* ke)
{
    return fmt::format("kechenid={} | theday={} | thejie={} | theban=«{}» | thetea=«{}» | theke=«{}» | teshu=0", id,
                       weekday, jie, ban, tea, ke);
}

std::vector<std::string> subjectNames(store::Store& s)
{
    std::vector<std::string> out;
    auto st = s.prepare("SELECT kemuname FROM kemubd ORDER BY kemuid");
    while (st.step())
        out.push_back(st.text(0));
    return out;
}

std::vector<long long> difids(store::Store& s)
{
    std::vector<long long> out;
    auto st = s.prepare("SELECT difid FROM renkebd ORDER BY rowid");
    while (st.step())
        out.push_back(st.int64(0));
    return out;
}

// What the save must leave beside the dump: subjects 1..S, difid 0..n-1, no broken link.
void expectSound(store::Store& s)
{
    EXPECT_TRUE(denseKeys(s, "kemubd", "kemuid"));
    const auto d = difids(s);
    for (std::size_t i = 0; i < d.size(); ++i)
        EXPECT_EQ(d[i], static_cast<long long>(i)) << "renkebd row " << i;
    EXPECT_TRUE(foreignKeyProblems(s).empty());
}

struct SaveCase {
    const char* name;
    std::function<void(KemuDraft&)> edit;
    std::function<void(TableDump&)> expect;  // the dump after the save, from the one before
    std::vector<std::string> subjects;       // kemubd by kemuid
};

void PrintTo(const SaveCase& c, std::ostream* os)
{
    *os << c.name;
}

int row(const KemuDraft& d, const char* name)
{
    for (std::size_t i = 0; i < d.rows.size(); ++i)
        if (d.rows[i].name == name)
            return static_cast<int>(i);
    ADD_FAILURE() << "no row " << name;
    return 0;
}

class SubjectSave : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SubjectSave, KeepsEveryRowOnItsSubject)
{
    const SaveCase& c = GetParam();
    SubjectSchool b;
    auto& s = b.store();
    TableDump expected = withoutDifid(nameDump(s));
    c.expect(expected);

    KemuDraft d = entry::loadSubjects(s);
    c.edit(d);
    int asked = 0;
    const auto r = entry::saveSubjects(s, d, [&](const std::string&) { return ++asked, true; });
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(asked, 0);

    const TableDump after = withoutDifid(nameDump(s));
    EXPECT_EQ(after, expected) << expected.diff(after);
    EXPECT_EQ(subjectNames(s), c.subjects);
    expectSound(s);
    // Reloading gives back what was saved.
    KemuDraft again = entry::loadSubjects(s);
    ASSERT_EQ(again.rows.size(), d.rows.size());
    for (std::size_t i = 0; i < d.rows.size(); ++i) {
        EXPECT_EQ(again.rows[i].jieshu, d.rows[i].jieshu) << d.rows[i].name;
        EXPECT_EQ(again.rows[i].marks, d.rows[i].marks) << d.rows[i].name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubjectSave,
    ::testing::Values(
        SaveCase{"NothingChanged", [](KemuDraft&) {}, [](TableDump&) {}, {"语文", "数学", "英语"}},
        SaveCase{"DeleteTheMiddleSubject",
                 [](KemuDraft& d) { entry::deleteSubject(d, row(d, "数学")); },
                 [](TableDump& t) { dropNamed(t, "kemuname", "数学"); },
                 {"语文", "英语"}},
        SaveCase{"DeleteTheFirstSubject",
                 [](KemuDraft& d) { entry::deleteSubject(d, row(d, "语文")); },
                 [](TableDump& t) { dropNamed(t, "kemuname", "语文"); },
                 {"数学", "英语"}},
        SaveCase{"NewSubjectWithPeriodsAndMarks",
                 [](KemuDraft& d) {
                     int r = -1;
                     ASSERT_TRUE(entry::addSubject(d, &r).ok);
                     d.rows[static_cast<std::size_t>(r)].name = "书法";
                     d.rows[static_cast<std::size_t>(r)].name2 = "书";
                     EXPECT_EQ(entry::setGroupText(d, r, 0, "2"), "2");
                     auto w = entry::takeMarks(d);
                     // Day number 1 of a Tuesday-to-Saturday week is Tuesday.
                     entry::setMark(d, w, d.rows[static_cast<std::size_t>(r)].id, Scope::cls(0), 1, 1, 2);
                     entry::setMark(d, w, d.rows[static_cast<std::size_t>(r)].id, Scope::group(1), 5, 8, 3);
                     EXPECT_TRUE(entry::commitMarks(d, w));
                 },
                 [](TableDump& t) {
                     addLine(t, "kemubd", "kemuname=书法 | kemuname2=书 | maxjie=0 | lianpai=0");
                     for (const char* ban : {"初一1班", "初一2班", "初一3班"})
                         addLine(t, "kemujieshu", jieshu("书法", ban, 2));
                     addLine(t, "teshuke", "kemuid=«书法» | banid=«初一1班» | theday=2 | thejie=1 | teshu=2");
                     addLine(t, "teshuke", "kemuid=«书法» | banid=«初二1班» | theday=6 | thejie=8 | teshu=3");
                 },
                 {"语文", "数学", "英语", "书法"}},
        SaveCase{"RaiseGoesOnTheFirstRow",
                 [](KemuDraft& d) { EXPECT_EQ(entry::setClassCount(d, row(d, "语文"), 1, 5), "5"); },
                 [](TableDump& t) {
                     replaceLine(t, "renkebd", renke("张老师", "初一2班", "语文", 2), renke("张老师", "初一2班", "语文", 3));
                     replaceLine(t, "kemujieshu", jieshu("语文", "初一2班", 4), jieshu("语文", "初一2班", 5));
                 },
                 {"语文", "数学", "英语"}},
        SaveCase{"CutTakesRowsFromTheFirstAndTheirLessons",
                 [](KemuDraft& d) { entry::setClassCount(d, row(d, "语文"), 0, 2); },
                 [](TableDump& t) {
                     // 张's row goes whole; 李 keeps 2 and both lessons, 张's three lessons go.
                     replaceLine(t, "renkebd", renke("张老师", "初一1班", "语文", 3), "");
                     replaceLine(t, "kemujieshu", jieshu("语文", "初一1班", 5), jieshu("语文", "初一1班", 2));
                     for (int j = 1; j <= 3; ++j)
                         replaceLine(t, "kechenbd", lesson(j, 2, j, "初一1班", "张老师", "语文"), "");
                 },
                 {"语文", "数学", "英语"}},
        SaveCase{"CutWithinTheFirstRow",
                 [](KemuDraft& d) { entry::setClassCount(d, row(d, "语文"), 0, 4); },
                 [](TableDump& t) {
                     replaceLine(t, "renkebd", renke("张老师", "初一1班", "语文", 3), renke("张老师", "初一1班", "语文", 2));
                     replaceLine(t, "kemujieshu", jieshu("语文", "初一1班", 5), jieshu("语文", "初一1班", 4));
                     replaceLine(t, "kechenbd", lesson(3, 2, 3, "初一1班", "张老师", "语文"), "");
                 },
                 {"语文", "数学", "英语"}},
        SaveCase{"LoweredToZero",
                 [](KemuDraft& d) { entry::setClassCount(d, row(d, "英语"), 2, 0); },
                 [](TableDump& t) {
                     replaceLine(t, "renkebd", renke("王老师", "初一3班", "英语", 3), "");
                     replaceLine(t, "kemujieshu", jieshu("英语", "初一3班", 3), "");
                     replaceLine(t, "kechenbd", lesson(10, 5, 1, "初一3班", "王老师", "英语"), "");
                     replaceLine(t, "kechenbd", lesson(11, 5, 2, "初一3班", "王老师", "英语"), "");
                 },
                 {"语文", "数学", "英语"}},
        SaveCase{"DeleteAndCutTogether",
                 [](KemuDraft& d) {
                     entry::deleteSubject(d, row(d, "语文"));
                     entry::setGroupText(d, row(d, "英语"), 0, "3,3,0");
                     d.rows[static_cast<std::size_t>(row(d, "数学"))].maxjie = 2;
                 },
                 [](TableDump& t) {
                     dropNamed(t, "kemuname", "语文");
                     replaceLine(t, "renkebd", renke("王老师", "初一3班", "英语", 3), "");
                     replaceLine(t, "kemujieshu", jieshu("英语", "初一3班", 3), "");
                     replaceLine(t, "kechenbd", lesson(10, 5, 1, "初一3班", "王老师", "英语"), "");
                     replaceLine(t, "kechenbd", lesson(11, 5, 2, "初一3班", "王老师", "英语"), "");
                     replaceLine(t, "kemubd", "kemuname=数学 | kemuname2=数 | maxjie=0 | lianpai=0",
                                 "kemuname=数学 | kemuname2=数 | maxjie=2 | lianpai=0");
                 },
                 {"数学", "英语"}},
        SaveCase{"ShortNamesFromTheLastCharacter",
                 [](KemuDraft& d) { entry::fillShortNames(d, false); },
                 [](TableDump& t) {
                     replaceLine(t, "kemubd", "kemuname=语文 | kemuname2=语 | maxjie=0 | lianpai=0",
                                 "kemuname=语文 | kemuname2=文 | maxjie=0 | lianpai=0");
                     replaceLine(t, "kemubd", "kemuname=数学 | kemuname2=数 | maxjie=0 | lianpai=0",
                                 "kemuname=数学 | kemuname2=学 | maxjie=0 | lianpai=0");
                     replaceLine(t, "kemubd", "kemuname=英语 | kemuname2=英 | maxjie=0 | lianpai=0",
                                 "kemuname=英语 | kemuname2=语 | maxjie=0 | lianpai=0");
                 },
                 {"语文", "数学", "英语"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SubjectSave, DuplicateNamesWriteNothing)
{
    SubjectSchool b;
    auto& s = b.store();
    const TableDump before = rawDump(s);
    KemuDraft d = entry::loadSubjects(s);
    entry::deleteSubject(d, 0);
    int added = -1;
    ASSERT_TRUE(entry::addSubject(d, &added).ok);
    d.rows[static_cast<std::size_t>(added)].name = "数学";
    int twin = -1;
    bool asked = false;
    const auto r = entry::saveSubjects(s, d, [&](const std::string&) { return asked = true; }, &twin);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, entry::kDuplicateKemuName);
    EXPECT_EQ(twin, added);
    EXPECT_FALSE(asked);
    EXPECT_EQ(rawDump(s), before);
}

TEST(SubjectSave, OverCapacityAsksAndCancelWritesNothing)
{
    SubjectSchool b;
    auto& s = b.store();
    const TableDump before = rawDump(s);
    KemuDraft d = entry::loadSubjects(s);
    ASSERT_EQ(d.classes[0].capacity, 40);
    EXPECT_FALSE(d.overCapacity());
    entry::setClassCount(d, 0, 0, 34);  // 34 + 4 + 3 = 41 periods in a week of 40
    EXPECT_TRUE(d.overCapacity());
    const auto totals = d.totals();
    EXPECT_EQ(d.groupTotalText(0, totals), "41,11,12");
    EXPECT_TRUE(d.groupOverCapacity(0, totals));
    EXPECT_FALSE(d.groupOverCapacity(1, totals));
    EXPECT_EQ(d.groupCapacityText(0), "40");

    std::vector<std::string> questions;
    auto r = entry::saveSubjects(s, d, [&](const std::string& q) {
        questions.push_back(q);
        return false;
    });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(questions, std::vector<std::string>{entry::kOverCapacityQuestion});
    EXPECT_EQ(rawDump(s), before);

    r = entry::saveSubjects(s, d, [](const std::string&) { return true; });
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(s.scalar("SELECT jieshu FROM kemujieshu WHERE kemuid = 1 AND banid = 1"), 34);
    // A raise on a class the assignments do not cover fully goes on its first row.
    EXPECT_EQ(s.scalar("SELECT sum(jieshu) FROM renkebd WHERE keid = 1 AND banid = 1"), 34);
    expectSound(s);
}

// A hand-edited file: subject IDs with gaps, and one past what the program can hold.
TEST(SubjectSave, GapsAreShownAndNewIdsStartAboveTheLargest)
{
    SubjectSchool b;
    auto& s = b.store();
    s.run("UPDATE kemubd SET kemuid = 5 WHERE kemuid = 2");
    s.run("UPDATE kemubd SET kemuid = 9 WHERE kemuid = 3");
    s.run("INSERT INTO kemubd VALUES(600, '旧科', '旧', 0, 0)");
    TableDump expected = withoutDifid(nameDump(s));

    KemuDraft d = entry::loadSubjects(s);
    ASSERT_EQ(d.rows.size(), 3u);
    EXPECT_EQ(d.rows[1].id, 5);
    EXPECT_EQ(d.rows[2].id, 9);
    EXPECT_EQ(d.rows[1].jieshu, (std::vector<std::int64_t>{4, 4, 4, 4}));
    ASSERT_EQ(d.skipped.size(), 1u);
    EXPECT_EQ(d.skipped[0].table, "kemubd");
    int added = -1;
    ASSERT_TRUE(entry::addSubject(d, &added).ok);
    EXPECT_EQ(d.rows[static_cast<std::size_t>(added)].id, 601);
    d.rows[static_cast<std::size_t>(added)].name = "书法";
    ASSERT_TRUE(entry::saveSubjects(s, d, {}).ok);

    addLine(expected, "kemubd", "kemuname=书法 | kemuname2= | maxjie=0 | lianpai=0");
    const TableDump after = withoutDifid(nameDump(s));
    EXPECT_EQ(after, expected) << expected.diff(after);
    EXPECT_EQ(keysOf(s, "kemubd", "kemuid"), (std::vector<long long>{1, 2, 3, 4, 600}));
    EXPECT_EQ(subjectNames(s), (std::vector<std::string>{"语文", "数学", "英语", "书法", "旧科"}));
}

// What is stored is kept unless edited: a room limit past a byte is not narrowed by a save.
TEST(SubjectSave, StoredValuesPastTheBoundsStay)
{
    SubjectSchool b;
    auto& s = b.store();
    s.run("UPDATE kemubd SET maxjie = 300, lianpai = 256 WHERE kemuid = 1");
    KemuDraft d = entry::loadSubjects(s);
    EXPECT_EQ(d.rows[0].maxjie, 300);
    EXPECT_EQ(d.rows[0].lianpai, 256);
    d.rows[1].name = "数学（新）";
    ASSERT_TRUE(entry::saveSubjects(s, d, {}).ok);
    EXPECT_EQ(s.scalar("SELECT maxjie FROM kemubd WHERE kemuid = 1"), 300);
    EXPECT_EQ(s.scalar("SELECT lianpai FROM kemubd WHERE kemuid = 1"), 256);
}

TEST(SubjectSave, NamesAreStoredAsTyped)
{
    SubjectSchool b;
    auto& s = b.store();
    KemuDraft d = entry::loadSubjects(s);
    const std::string names[] = {"语文\"'; DROP TABLE kemubd; --", "\xf0\x9f\x98\x80体育", std::string(1000, 'x')};
    for (std::size_t i = 0; i < 3; ++i)
        d.rows[i].name = names[i];
    entry::fillShortNames(d, true);
    ASSERT_TRUE(entry::saveSubjects(s, d, {}).ok);
    EXPECT_EQ(subjectNames(s), (std::vector<std::string>{names[0], names[1], names[2]}));
    const KemuDraft again = entry::loadSubjects(s);
    EXPECT_EQ(again.rows[1].name2, "\xf0\x9f\x98\x80");
}

TEST(SubjectDraft, The501stSubjectGetsNoId)
{
    SubjectSchool b;
    KemuDraft d = entry::loadSubjects(b.store());
    while (static_cast<int>(d.rows.size()) < entry::kMaxKemuRows)
        ASSERT_TRUE(entry::addSubject(d).ok);
    int added = 7;
    const auto r = entry::addSubject(d, &added);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "科目数量已达上限（500个）。");
    EXPECT_EQ(added, -1);
    EXPECT_EQ(static_cast<int>(d.rows.size()), entry::kMaxKemuRows);
}

TEST(SubjectDraft, GroupCellsFollowTheirClasses)
{
    SubjectSchool b;
    KemuDraft d = entry::loadSubjects(b.store());
    ASSERT_EQ(d.groups.size(), 2u);
    const int yu = 0;
    EXPECT_EQ(d.groupCell(yu, 0), "5,4,5");
    // The strip: the middle class to 5 makes the cell one number again.
    EXPECT_EQ(entry::setClassCount(d, yu, 1, 5), "5");
    EXPECT_EQ(entry::setGroupText(d, yu, 0, "6"), "6");
    EXPECT_EQ(d.rows[0].jieshu, (std::vector<std::int64_t>{6, 6, 6, 5}));
    EXPECT_EQ(entry::setGroupText(d, yu, 0, ""), "");
    EXPECT_EQ(d.groupCell(yu, 0), "");
    EXPECT_EQ(d.groupTotalText(0, d.totals()), "7");
    // A deleted row takes its periods out of the totals; the next row is selected.
    EXPECT_EQ(entry::deleteSubject(d, 2), 1);
    EXPECT_EQ(d.groupTotalText(1, d.totals()), "9");
    EXPECT_EQ(entry::deleteSubject(d, 0), 0);
    EXPECT_EQ(entry::deleteSubject(d, 0), -1);
}

TEST(SubjectDraft, ANamelessGroupStillGetsItsOwnCaption)
{
    SubjectSchool b;
    b.store().run("UPDATE jibd SET jiname = '' WHERE jiid = 1");
    const KemuDraft d = entry::loadSubjects(b.store());
    ASSERT_EQ(d.groups.size(), 2u);
    EXPECT_EQ(d.groups[0].caption(), entry::kNamelessGroup);
    EXPECT_EQ(d.groups[0].count, 3);
    EXPECT_EQ(d.groups[1].caption(), "初二");
}

}  // namespace
