// The class save: every case on one school with rows in each table that refers to a class,
// checked against the name dump, dense IDs and the file's own link check.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <functional>
#include <set>

#include "entry/classes.h"
#include "entry/renumber.h"
#include "entry/week.h"
#include "model/loaders.h"
#include "entry_fixture.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::BanPos;
using entry::ClassDraft;

namespace {

// Every line of the dump that names the class (or its own banbd line) goes.
void dropClass(TableDump& d, const std::string& name)
{
    for (auto& [t, lines] : d.tables)
        std::erase_if(lines, [&](const std::string& l) {
            return l.find("«" + name + "»") != std::string::npos || l.rfind("banname=" + name + " |", 0) == 0;
        });
}

void dropGroup(TableDump& d, const std::string& name)
{
    std::erase_if(d.tables["jibd"], [&](const std::string& l) { return l == "jiname=" + name; });
}

void renameIn(TableDump& d, const std::string& from, const std::string& to)
{
    for (auto& [t, lines] : d.tables) {
        for (auto& l : lines) {
            for (std::string a = "«" + from + "»", b = "«" + to + "»"; l.find(a) != std::string::npos;)
                l.replace(l.find(a), a.size(), b);
            const std::string head = "banname=" + from + " |";
            if (l.rfind(head, 0) == 0)
                l = "banname=" + to + " |" + l.substr(head.size());
            if (t == "jibd" && l == "jiname=" + from)
                l = "jiname=" + to;
        }
        std::sort(lines.begin(), lines.end());
    }
}

// banbd in key order as "name/group/lock".
std::vector<std::string> classRows(store::Store& s)
{
    std::vector<std::string> out;
    auto st = s.prepare("SELECT banname, jiname, islock FROM banbd LEFT JOIN jibd ON banbd.jiid = jibd.jiid "
                        "ORDER BY banid");
    while (st.step())
        out.push_back(st.text(0) + "/" + st.text(1) + "/" + st.text(2));
    return out;
}

std::vector<std::string> groupRows(store::Store& s)
{
    std::vector<std::string> out;
    auto st = s.prepare("SELECT jiname FROM jibd ORDER BY jiid");
    while (st.step())
        out.push_back(st.text(0));
    return out;
}

// The file keeps class names unique, as a stricter store might: a save that passes
// through two classes of one name fails here.
void uniqueNames(store::Store& s)
{
    s.exec("CREATE UNIQUE INDEX test_unique_banname ON banbd(banname)");
}

struct ClassCase {
    const char* name;
    std::function<void(ClassDraft&)> edit;
    std::function<void(TableDump&)> expect;  // the name dump after the save, from the one before
    std::vector<std::string> groups;         // jibd by jiid
    std::vector<std::string> classes;        // banbd by banid
};

// Test names, not bytes, in failure messages.
void PrintTo(const ClassCase& c, std::ostream* os)
{
    *os << c.name;
}

class ClassSave : public ::testing::TestWithParam<ClassCase> {};

TEST_P(ClassSave, KeepsEveryRowOnItsClass)
{
    const ClassCase& c = GetParam();
    SchoolBuilder b;
    fillEntrySchool(b);
    uniqueNames(b.store());
    TableDump expected = nameDump(b.store());
    c.expect(expected);

    ClassDraft d = entry::loadClasses(b.store());
    c.edit(d);
    const auto r = entry::saveClasses(b.store(), d);
    ASSERT_TRUE(r.ok) << r.message;

    const TableDump after = nameDump(b.store());
    EXPECT_EQ(after, expected) << expected.diff(after);
    EXPECT_EQ(groupRows(b.store()), c.groups);
    EXPECT_EQ(classRows(b.store()), c.classes);
    EXPECT_TRUE(denseKeys(b.store(), "jibd", "jiid"));
    EXPECT_TRUE(denseKeys(b.store(), "banbd", "banid"));
    EXPECT_TRUE(foreignKeyProblems(b.store()).empty());
    // What the page shows after its reload is what was saved.
    ClassDraft again = entry::loadClasses(b.store());
    ASSERT_EQ(again.groups.size(), d.groups.size());
    for (std::size_t g = 0; g < d.groups.size(); ++g) {
        EXPECT_EQ(again.groups[g].name, d.groups[g].name);
        ASSERT_EQ(again.groups[g].classes.size(), d.groups[g].classes.size());
        for (std::size_t k = 0; k < d.groups[g].classes.size(); ++k)
            EXPECT_EQ(again.groups[g].classes[k].name, d.groups[g].classes[k].name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClassSave,
    ::testing::Values(
        ClassCase{"RenameOnly",
                  [](ClassDraft& d) {
                      d.groups[0].classes[0].name = "一年级(1)班";
                      d.groups[1].name = "八年级";
                  },
                  [](TableDump& t) {
                      renameIn(t, "初一1班", "一年级(1)班");
                      renameIn(t, "初二", "八年级");
                  },
                  {"初一", "八年级", "初三"},
                  {"一年级(1)班/初一/0", "初一2班/初一/0", "初二1班/八年级/1", "初二2班/八年级/0", "初三1班/初三/0"}},
        ClassCase{"DeleteFirstGroup", [](ClassDraft& d) { entry::deleteGroup(d, 0); },
                  [](TableDump& t) {
                      dropClass(t, "初一1班");
                      dropClass(t, "初一2班");
                      dropGroup(t, "初一");
                  },
                  {"初二", "初三"},
                  {"初二1班/初二/1", "初二2班/初二/0", "初三1班/初三/0"}},
        ClassCase{"AddClassToFirstGroup",
                  [](ClassDraft& d) {
                      BanPos p;
                      ASSERT_TRUE(entry::addClass(d, 0, &p).ok);
                      d.at(p).name = "初一3班";
                  },
                  [](TableDump& t) { addLine(t, "banbd", "banname=初一3班 | jiid=«初一» | islock=0"); },
                  {"初一", "初二", "初三"},
                  {"初一1班/初一/0", "初一2班/初一/0", "初一3班/初一/0", "初二1班/初二/1", "初二2班/初二/0",
                   "初三1班/初三/0"}},
        ClassCase{"DeleteLastClassOfGroup",
                  [](ClassDraft& d) { EXPECT_FALSE(entry::deleteClass(d, {2, 0}).valid()); },
                  [](TableDump& t) {
                      dropClass(t, "初三1班");
                      dropGroup(t, "初三");
                  },
                  {"初一", "初二"},
                  {"初一1班/初一/0", "初一2班/初一/0", "初二1班/初二/1", "初二2班/初二/0"}},
        ClassCase{"SwapNames",
                  [](ClassDraft& d) { std::swap(d.groups[0].classes[0].name, d.groups[1].classes[1].name); },
                  [](TableDump& t) {
                      renameIn(t, "初一1班", "#");
                      renameIn(t, "初二2班", "初一1班");
                      renameIn(t, "#", "初二2班");
                  },
                  {"初一", "初二", "初三"},
                  {"初二2班/初一/0", "初一2班/初一/0", "初二1班/初二/1", "初一1班/初二/0", "初三1班/初三/0"}},
        ClassCase{"LockedClassRenumbered",
                  [](ClassDraft& d) { EXPECT_EQ(entry::deleteClass(d, {0, 0}), (BanPos{0, 0})); },
                  [](TableDump& t) { dropClass(t, "初一1班"); },
                  {"初一", "初二", "初三"},
                  {"初一2班/初一/0", "初二1班/初二/1", "初二2班/初二/0", "初三1班/初三/0"}},
        ClassCase{"NewGroupAndDeletions",
                  [](ClassDraft& d) {
                      ASSERT_TRUE(entry::addGroup(d).ok);
                      d.groups.back().name = "高一";
                      d.groups.back().classes[0].name = "高一1班";
                      entry::deleteClass(d, {1, 0});
                      entry::deleteClass(d, {0, 1});
                  },
                  [](TableDump& t) {
                      dropClass(t, "初二1班");
                      dropClass(t, "初一2班");
                      addLine(t, "jibd", "jiname=高一");
                      addLine(t, "banbd", "banname=高一1班 | jiid=«高一» | islock=0");
                  },
                  {"初一", "初二", "初三", "高一"},
                  {"初一1班/初一/0", "初二2班/初二/0", "初三1班/初三/0", "高一1班/高一/0"}}),
    [](const ::testing::TestParamInfo<ClassCase>& i) { return std::string(i.param.name); });

// How often each key is written: a chain of moves writes every row once, a cycle parks one
// row and so writes it twice, and no key is ever held twice (the primary key would refuse).
TEST(KeyShift, ChainsMoveOnceAndCyclesParkOnce)
{
    struct Case {
        const char* name;
        std::vector<entry::KeyMove> moves;
        int writes, parked;
    };
    const Case cases[] = {
        {"down by one", {{2, 1}, {3, 2}, {4, 3}, {5, 4}}, 4, 0},
        {"up by one", {{4, 5}, {3, 4}, {2, 3}}, 3, 0},
        {"swap", {{1, 2}, {2, 1}}, 3, 1},
        {"two cycles", {{1, 2}, {2, 1}, {3, 5}, {5, 4}, {4, 3}}, 7, 2},
        {"far above", {{1000000, 1}, {4611686018427387904LL, 2}}, 2, 0},
    };
    for (const auto& c : cases) {
        SchoolBuilder b;
        auto& s = b.store();
        std::set<std::int64_t> keys;
        for (const auto& m : c.moves)
            keys.insert(m.from);
        for (std::int64_t k : keys)
            s.run("INSERT INTO jibd VALUES(?1, ?2)", k, "g" + std::to_string(k));
        s.exec("CREATE TEMP TABLE writes(n INTEGER); CREATE TEMP TRIGGER count_writes AFTER UPDATE OF jiid ON jibd "
               "BEGIN INSERT INTO writes VALUES(1); END");
        entry::KeyShift shift(s, entry::kJiTable, c.moves, 5);
        s.transaction([&] { shift.run(); });
        EXPECT_EQ(s.scalar("SELECT count(*) FROM writes"), c.writes) << c.name;
        EXPECT_EQ(shift.parked(), c.parked) << c.name;
        for (const auto& m : c.moves)
            EXPECT_EQ(s.scalar("SELECT count(*) FROM jibd WHERE jiid = ?1 AND jiname = ?2", m.to,
                               "g" + std::to_string(m.from)),
                      1)
                << c.name;
    }
}

TEST(ClassSave, RenameOnlyWritesNoKey)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    TableDump before = rawDump(b.store());
    ClassDraft d = entry::loadClasses(b.store());
    d.groups[2].classes[0].name = "初三(1)班";
    ASSERT_TRUE(entry::saveClasses(b.store(), d).ok);
    TableDump after = rawDump(b.store());
    for (auto& l : before.tables["banbd"])
        if (l.find("banname=初三1班") != std::string::npos)
            l.replace(l.find("初三1班"), std::string("初三1班").size(), "初三(1)班");
    std::sort(before.tables["banbd"].begin(), before.tables["banbd"].end());
    EXPECT_EQ(after, before) << before.diff(after);
}

TEST(ClassSave, SameNameInTwoGroupsIsRefusedAndWritesNothing)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    const TableDump before = rawDump(b.store());
    ClassDraft d = entry::loadClasses(b.store());
    entry::deleteGroup(d, 2);                // an edit that would renumber, had the save run
    d.groups[1].classes[1].name = "初一2班";  // the twin of the second class of group 1
    BanPos twin;
    const auto r = entry::saveClasses(b.store(), d, &twin);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "班级名称不能重复，请修正。");
    EXPECT_EQ(twin, (BanPos{1, 1}));
    EXPECT_EQ(rawDump(b.store()), before);
}

TEST(ClassSave, DuplicateCheckNamesTheTwinOfTheEarliestClass)
{
    // Names in list order A B B A: the pair of the first class wins, so the last is chosen.
    ClassDraft d;
    d.groups.push_back({1, "g", {{1, "A"}, {2, "B"}}});
    d.groups.push_back({2, "h", {{3, "B"}, {4, "A"}}});
    EXPECT_EQ(entry::duplicateName(d), (BanPos{1, 1}));
    d.groups[1].classes[1].name = "C";
    EXPECT_EQ(entry::duplicateName(d), (BanPos{1, 0}));
    d.groups[1].classes[0].name = "b";  // exact comparison: case counts
    EXPECT_FALSE(entry::duplicateName(d).valid());
}

TEST(ClassSave, FillOverClassesNumberedOutOfOrder)
{
    // Hand-numbered classes: 初一's classes are 3 and 1, 初二's is 2, and the names are such
    // that the fill passes through a name another class still holds.
    SchoolBuilder b;
    auto& s = b.store();
    const int g1 = b.ji("初一"), g2 = b.ji("初二");
    s.run("INSERT INTO banbd VALUES(1, '初二1班', ?1, 0)", g1);
    s.run("INSERT INTO banbd VALUES(2, '初一1班', ?1, 0)", g2);
    s.run("INSERT INTO banbd VALUES(3, '初一2班', ?1, 0)", g1);
    const int k = b.ke("语文"), t = b.tea("张老师");
    for (int ban : {1, 2, 3})
        b.renke(t, ban, k, ban);  // weekly periods 1, 2, 3 tell the classes apart
    uniqueNames(s);

    ClassDraft d = entry::loadClasses(s);
    entry::fillNames(d);
    EXPECT_EQ(d.groups[0].classes[0].name, "初一1班");
    EXPECT_EQ(d.groups[0].classes[1].name, "初一2班");
    EXPECT_EQ(d.groups[1].classes[0].name, "初二1班");
    const auto r = entry::saveClasses(s, d);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(classRows(s), (std::vector<std::string>{"初一1班/初一/0", "初一2班/初一/0", "初二1班/初二/0"}));
    // Each class kept its weekly periods: old 1 (now 初一1班) had 1, old 3 had 3, old 2 had 2.
    auto st = s.prepare("SELECT banname, jieshu FROM kemujieshu JOIN banbd USING(banid) ORDER BY banid");
    std::vector<std::string> got;
    while (st.step())
        got.push_back(st.text(0) + ":" + st.text(1));
    EXPECT_EQ(got, (std::vector<std::string>{"初一1班:1", "初一2班:3", "初二1班:2"}));
    EXPECT_TRUE(foreignKeyProblems(s).empty());
}

TEST(ClassSave, KeysFarAboveTheRangeAreCleared)
{
    // A hand-edited file: a group at 5000 and classes at 10^6 and 2^62, beyond any fixed shift.
    SchoolBuilder b;
    auto& s = b.store();
    s.run("INSERT INTO jibd VALUES(5000, '初一')");
    s.run("INSERT INTO jibd VALUES(7, '初二')");
    s.run("INSERT INTO banbd VALUES(1000000, '初一1班', 5000, 1)");
    s.run("INSERT INTO banbd VALUES(4611686018427387904, '初一2班', 5000, 0)");
    s.run("INSERT INTO banbd VALUES(10001, '初二1班', 7, 0)");
    const int k = b.ke("语文"), t = b.tea("张老师");
    s.run("INSERT INTO renkebd VALUES(0, ?1, 4611686018427387904, ?2, 3, 0)", t, k);
    s.run("INSERT INTO gudinbd VALUES(1, '班会', 1, 1, 1000000)");
    const TableDump before = nameDump(s);

    ClassDraft d = entry::loadClasses(s);
    ASSERT_EQ(d.classCount(), 3);
    ASSERT_TRUE(entry::saveClasses(s, d).ok);
    EXPECT_EQ(nameDump(s), before) << before.diff(nameDump(s));
    EXPECT_EQ(groupRows(s), (std::vector<std::string>{"初二", "初一"}));
    EXPECT_EQ(classRows(s), (std::vector<std::string>{"初二1班/初二/0", "初一1班/初一/1", "初一2班/初一/0"}));
    EXPECT_TRUE(denseKeys(s, "banbd", "banid"));
}

TEST(ClassSave, ParksBelowWhenKeysReachTheTop)
{
    SchoolBuilder b;
    auto& s = b.store();
    s.run("INSERT INTO jibd VALUES(1, '初一')");
    s.run("INSERT INTO banbd VALUES(9223372036854775807, '初一1班', 1, 0)");
    s.run("INSERT INTO banbd VALUES(5, '初一2班', 1, 0)");
    const TableDump before = nameDump(s);
    ASSERT_TRUE(entry::saveClasses(s, entry::loadClasses(s)).ok);
    EXPECT_EQ(nameDump(s), before);
    EXPECT_EQ(classRows(s), (std::vector<std::string>{"初一2班/初一/0", "初一1班/初一/0"}));
}

TEST(ClassSave, RowsNamingNoClassAreNotHandedToAnother)
{
    // Rows left behind for class 4, which the file no longer holds: the renumbering makes
    // 初三1班 (5) class 4, and none of those rows may become its own.
    SchoolBuilder b;
    fillEntrySchool(b);
    auto& s = b.store();
    s.exec("PRAGMA foreign_keys=OFF");
    s.run("DELETE FROM banbd WHERE banid = 4");  // without its cascade: the rows stay behind
    s.exec("PRAGMA foreign_keys=ON");
    ASSERT_FALSE(foreignKeyProblems(s).empty());
    TableDump expected = nameDump(s);
    for (auto& [t, lines] : expected.tables)
        std::erase_if(lines, [](const std::string& l) { return l.find("=?4") != std::string::npos; });

    ASSERT_TRUE(entry::saveClasses(s, entry::loadClasses(s)).ok);
    EXPECT_EQ(nameDump(s), expected) << expected.diff(nameDump(s));
    EXPECT_EQ(classRows(s).back(), "初三1班/初三/0");
    EXPECT_TRUE(foreignKeyProblems(s).empty());
}

TEST(ClassSave, ClassWithoutGroupIsListedAndDropped)
{
    SchoolBuilder b;
    auto& s = b.store();
    b.ji("初一");
    b.ban("初一1班", 1);
    s.exec("PRAGMA foreign_keys=OFF");
    s.run("INSERT INTO banbd VALUES(2, '孤班', 9, 0)");
    s.exec("PRAGMA foreign_keys=ON");
    ClassDraft d = entry::loadClasses(s);
    EXPECT_EQ(d.classCount(), 1);
    ASSERT_EQ(d.skipped.size(), 1u);
    EXPECT_EQ(d.skipped[0].reason, "年级不存在");
    ASSERT_TRUE(entry::saveClasses(s, d).ok);
    EXPECT_EQ(classRows(s), (std::vector<std::string>{"初一1班/初一/0"}));
}

TEST(ClassSave, NamesAreStoredAsTyped)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    const std::string names[] = {"O'Brien \"班\"", "back\\slash", "表情😀班", std::string(2000, 'x'), ""};
    ClassDraft d = entry::loadClasses(b.store());
    for (int i = 0; i < 5; ++i)
        d.at(d.listOrder()[i]).name = names[i];
    d.groups[0].name = "年'级\\";
    ASSERT_TRUE(entry::saveClasses(b.store(), d).ok);
    const ClassDraft again = entry::loadClasses(b.store());
    EXPECT_EQ(again, d);
}

TEST(ClassEditing, CommandsAndLimits)
{
    ClassDraft d;
    BanPos p;
    EXPECT_FALSE(entry::addClass(d, 0, &p).ok);  // no group to add to
    ASSERT_TRUE(entry::addGroup(d).ok);
    ASSERT_EQ(d.groups.size(), 1u);
    EXPECT_EQ(d.groups[0].name, "未命名 年级");
    ASSERT_EQ(d.groups[0].classes.size(), 1u);
    EXPECT_EQ(d.groups[0].classes[0].name, "未命名 班级");
    EXPECT_FALSE(d.groups[0].id.has_value());
    ASSERT_TRUE(entry::addClass(d, 0, &p).ok);
    EXPECT_EQ(p, (BanPos{0, 1}));
    // Deleting a class selects the first one left in its group.
    EXPECT_EQ(entry::deleteClass(d, {0, 1}), (BanPos{0, 0}));
    EXPECT_FALSE(entry::deleteClass(d, {0, 0}).valid());
    EXPECT_TRUE(d.groups.empty());

    for (int i = 0; i < model::kMaxJi; ++i)
        ASSERT_TRUE(entry::addGroup(d).ok);
    const auto r = entry::addGroup(d);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, fmt::format("年级组不能超过{}个。", model::kMaxJi));
    EXPECT_EQ(static_cast<int>(d.groups.size()), model::kMaxJi);
}

TEST(ClassEditing, FillNumbersEachGroupFromOne)
{
    ClassDraft d;
    d.groups.push_back({1, "初一", {{1, "a"}, {2, "b"}, {3, "c"}}});
    d.groups.push_back({2, "初二", {{4, "d"}, {5, "e"}}});
    entry::fillNames(d);
    std::vector<std::string> got;
    for (const auto& p : d.listOrder())
        got.push_back(d.at(p).name);
    EXPECT_EQ(got, (std::vector<std::string>{"初一1班", "初一2班", "初一3班", "初二1班", "初二2班"}));
}

TEST(ClassSave, RefusesRowsTheFileDoesNotHold)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    const TableDump before = rawDump(b.store());
    ClassDraft d = entry::loadClasses(b.store());
    d.groups[0].classes[0].id = 99;
    auto r = entry::saveClasses(b.store(), d);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "找不到编号为99的班级，请重新载入。");
    d = entry::loadClasses(b.store());
    d.groups[0].classes[1].id = d.groups[0].classes[0].id;
    r = entry::saveClasses(b.store(), d);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(rawDump(b.store()), before);
}

}  // namespace
