// A save that fails partway (the file refusing a statement, as a full disk or a lock would)
// leaves the file row for row as it was. The store's failure hook fails each statement of a
// save in turn; triggers that abort one kind of statement plant the fault inside SQLite
// itself, in the middle of a cascade.
#include <gtest/gtest.h>

#include "entry/classes.h"
#include "entry/kemumarks.h"
#include "entry/subjectdraft.h"
#include "entry/teachers.h"
#include "entry/week.h"
#include "entry_fixture.h"
#include "subject_fixture.h"
#include "teacher_fixture.h"
#include "support/testutil.h"

using namespace tavrin;
using namespace tavrin::testing;

namespace {

// Runs `save` with its n-th statement failing through the store's hook, for n = 1, 2, ...
// until a run no longer reaches the failure: every failed run throws, leaves no
// transaction open and leaves the file as it was, row for row and byte for byte; the last
// run goes through. Returns how many statements the save ran.
template <class Save>
int sweepFailures(store::Store& s, Save save)
{
    const TableDump rows = rawDump(s);
    const std::string bytes = readFile(s.path());
    int n = 1;
    for (;; ++n) {
        s.failAfter(n);
        bool threw = false;
        try {
            save();
        } catch (const store::DbError&) {
            threw = true;
        }
        if (!s.failureFired())
            break;
        EXPECT_TRUE(threw) << "statement " << n;
        EXPECT_FALSE(s.inTransaction()) << "statement " << n;
        EXPECT_EQ(rawDump(s), rows) << "statement " << n << "\n" << rows.diff(rawDump(s));
        EXPECT_EQ(readFile(s.path()), bytes) << "statement " << n;
        if (::testing::Test::HasFailure())
            break;
    }
    s.failAfter(0);
    EXPECT_NE(rawDump(s), rows) << "the save that went through changed nothing";
    return n - 1;
}

TEST(SaveFaults, ClassSaveAtEveryStatement)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    auto& s = b.store();
    entry::ClassDraft d = entry::loadClasses(s);
    entry::deleteGroup(d, 0);
    ASSERT_TRUE(entry::addGroup(d).ok);
    entry::BanPos added;
    ASSERT_TRUE(entry::addClass(d, 0, &added).ok);
    d.at(added).name = "初二3班";
    std::swap(d.groups[0].classes[0].name, d.groups[1].classes[0].name);
    const entry::ClassDraft edited = d;
    const int statements = sweepFailures(s, [&] { EXPECT_TRUE(entry::saveClasses(s, d).ok); });
    EXPECT_GT(statements, 20);
    EXPECT_EQ(d, edited);
}

TEST(SaveFaults, WeekSaveAtEveryStatement)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    auto& s = b.store();
    entry::WeekDraft d = entry::loadWeek(s);
    d.days[6] = true;
    d.days[1] = false;
    entry::setGudin(d, entry::Scope::school(), 2, 2, "自习");
    entry::setPublicTime(d, 0, "早读");
    entry::setTimes(d, "8:00\n9:00");
    s.run("INSERT INTO kechenbd VALUES(99, 2, 2, 1, 1, 1, 0)");
    const int statements = sweepFailures(s, [&] { EXPECT_TRUE(entry::saveWeek(s, d).ok); });
    EXPECT_GT(statements, 15);
}

TEST(SaveFaults, SubjectSaveAtEveryStatement)
{
    SubjectSchool b;
    auto& s = b.store();
    entry::KemuDraft d = entry::loadSubjects(s);
    entry::deleteSubject(d, 0);  // every other subject renumbered, its rows following
    entry::setClassCount(d, 1, 2, 0);  // 英语 in 初一3班: assignment and lessons go
    entry::setClassCount(d, 0, 1, 6);  // 数学 in 初一2班: the assignment grows
    int added = -1;
    ASSERT_TRUE(entry::addSubject(d, &added).ok);
    d.rows[static_cast<std::size_t>(added)].name = "书法";
    entry::setGroupText(d, added, 1, "2");
    auto w = entry::takeMarks(d);
    entry::setMark(d, w, d.rows[static_cast<std::size_t>(added)].id, entry::Scope::school(), 1, 1, 2);
    entry::commitMarks(d, w);
    const entry::KemuDraft edited = d;
    const int statements = sweepFailures(s, [&] { EXPECT_TRUE(entry::saveSubjects(s, d, {}).ok); });
    EXPECT_GT(statements, 20);
    EXPECT_EQ(d, edited);
}

TEST(SaveFaults, TeacherSaveAtEveryStatement)
{
    TeacherSchool b;
    auto& s = b.store();
    entry::TeaDraft d = entry::loadTeachers(s);
    entry::deleteTeacher(d, 2);  // 王: the teachers after him renumbered, a pair broken
    entry::deleteChip(d, 0);
    int added = -1;
    ASSERT_TRUE(entry::addTeacher(d, "孙老师", &added).ok);
    d.rows[static_cast<std::size_t>(added)].marks[entry::teaMarkAt(1, 1)] = model::MarkPrefer;
    ASSERT_GE(entry::dropOnTeacher(d, d.rows[static_cast<std::size_t>(added)].id, 3, 2, 3), 0);
    const entry::TeaDraft edited = d;
    const int statements = sweepFailures(s, [&] { EXPECT_TRUE(entry::saveTeachers(s, d).ok); });
    EXPECT_GT(statements, 20);
    EXPECT_EQ(d, edited);
}

struct FailAt {
    const char* name;
    const char* trigger;  // the statement that aborts
};

// Test names, not bytes, in failure messages.
void PrintTo(const FailAt& c, std::ostream* os)
{
    *os << c.name;
}

void plant(store::Store& s, const FailAt& f)
{
    s.exec(std::string("CREATE TEMP TRIGGER planted_fault ") + f.trigger +
           " BEGIN SELECT RAISE(ABORT, 'disk I/O error (planted)'); END");
}

class ClassSaveFault : public ::testing::TestWithParam<FailAt> {};

TEST_P(ClassSaveFault, LeavesTheFileAsItWas)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    auto& s = b.store();
    // Every stage runs: classes and a group deleted, groups and classes renumbered (their
    // rows following), a group and a class inserted, a class renamed.
    entry::ClassDraft d = entry::loadClasses(s);
    entry::deleteGroup(d, 0);
    ASSERT_TRUE(entry::addGroup(d).ok);
    d.groups[0].classes[0].name = "八年级1班";
    const entry::ClassDraft edited = d;
    plant(s, GetParam());
    const TableDump before = rawDump(s);
    try {
        entry::saveClasses(s, d);
        FAIL() << "the save went through";
    } catch (const store::DbError& e) {
        EXPECT_NE(std::string(e.what()).find("planted"), std::string::npos) << e.what();
    }
    EXPECT_EQ(rawDump(s), before) << before.diff(rawDump(s));
    EXPECT_EQ(d, edited);
    // Without the fault the same edits save.
    s.exec("DROP TRIGGER planted_fault");
    EXPECT_TRUE(entry::saveClasses(s, d).ok);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, ClassSaveFault,
    ::testing::Values(FailAt{"DeleteClass", "BEFORE DELETE ON banbd"},
                      FailAt{"DeleteGroup", "BEFORE DELETE ON jibd"},
                      FailAt{"RenumberGroup", "BEFORE UPDATE OF jiid ON jibd"},
                      FailAt{"InsertGroup", "BEFORE INSERT ON jibd"},
                      FailAt{"MoveFirstClass", "BEFORE UPDATE OF banid ON banbd WHEN OLD.banid = 3"},
                      FailAt{"MoveLastClass", "BEFORE UPDATE OF banid ON banbd WHEN OLD.banid = 5"},
                      FailAt{"CascadeIntoTimetable", "BEFORE UPDATE ON kechenbd"},
                      FailAt{"RenameClass", "BEFORE UPDATE OF banname ON banbd"},
                      FailAt{"InsertClass", "BEFORE INSERT ON banbd"}),
    [](const ::testing::TestParamInfo<FailAt>& i) { return std::string(i.param.name); });

TEST(ClassSaveFault, InsideACycleOfKeys)
{
    // Hand-numbered classes that trade keys: one of them parks above the largest key (3)
    // on the way. A fault while it is parked, or as it leaves, changes nothing.
    for (const char* trigger : {"BEFORE UPDATE OF banid ON banbd WHEN NEW.banid > 3",
                                "BEFORE UPDATE OF banid ON banbd WHEN OLD.banid > 3"}) {
        SchoolBuilder b;
        auto& s = b.store();
        const int g1 = b.ji("初一"), g2 = b.ji("初二");
        s.run("INSERT INTO banbd VALUES(1, '甲', ?1, 0)", g1);
        s.run("INSERT INTO banbd VALUES(2, '乙', ?1, 0)", g2);
        s.run("INSERT INTO banbd VALUES(3, '丙', ?1, 0)", g1);
        b.gudin(2, 1, 1);
        b.gudin(3, 1, 2);
        entry::ClassDraft d = entry::loadClasses(s);
        plant(s, {"cycle", trigger});
        const TableDump before = rawDump(s);
        EXPECT_THROW(entry::saveClasses(s, d), store::DbError) << trigger;
        EXPECT_EQ(rawDump(s), before) << trigger;
    }
}

class WeekSaveFault : public ::testing::TestWithParam<FailAt> {};

TEST_P(WeekSaveFault, LeavesTheFileAsItWas)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    auto& s = b.store();
    entry::WeekDraft d = entry::loadWeek(s);
    d.days[6] = true;
    d.days[1] = false;
    entry::setGudin(d, entry::Scope::school(), 2, 1, "班会");
    entry::setGudin(d, entry::Scope::cls(0), 3, 1, "自习");
    s.run("INSERT INTO kechenbd VALUES(99, 3, 1, 1, 1, 1, 0)");  // under the new 自习
    entry::setPublicTime(d, 2, "课间操");
    entry::setTimes(d, "8:00\n9:00");
    d.mor = 5;
    const entry::WeekDraft edited = d;
    plant(s, GetParam());
    const TableDump before = rawDump(s);
    EXPECT_THROW(entry::saveWeek(s, d), store::DbError);
    EXPECT_EQ(rawDump(s), before) << before.diff(rawDump(s));
    EXPECT_EQ(d, edited);
    s.exec("DROP TRIGGER planted_fault");
    std::int64_t unplaced = 0;
    EXPECT_TRUE(entry::saveWeek(s, d, &unplaced).ok);
    EXPECT_EQ(unplaced, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, WeekSaveFault,
    ::testing::Values(FailAt{"AddDay", "BEFORE INSERT ON daybd"}, FailAt{"DropDay", "BEFORE DELETE ON daybd"},
                      FailAt{"ClearFixed", "BEFORE DELETE ON gudinbd"},
                      FailAt{"WriteFixed", "BEFORE INSERT ON gudinbd WHEN NEW.gudinid > 3"},
                      FailAt{"PublicSlots", "BEFORE INSERT ON publictimebd"},
                      FailAt{"Times", "BEFORE INSERT ON timebd"}, FailAt{"Counts", "BEFORE INSERT ON jieshu"},
                      FailAt{"Mend", "BEFORE DELETE ON kechenbd"}),
    [](const ::testing::TestParamInfo<FailAt>& i) { return std::string(i.param.name); });

}  // namespace
