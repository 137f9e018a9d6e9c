// Loading the stored timetable: rows land in both grids, rows without a slot or without an
// assignment are left out and named, a combined lesson stands in each of its classes.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "users/users.h"
#include "model/loaders.h"
#include "support/testutil.h"
#include "timetable/checker.h"
#include "model/kechen.h"
#include "scheduler/engine.h"
#include "timetable/kbdata.h"

namespace tavrin::timetable {
namespace {

using tavrin::testing::TempDir;
using model::LoadKeChenData;

// Tuesday to Saturday, 2 + 2 periods; classes 1 and 2; 张老师 teaches 语文 to both, 李老师
// 体育 to both as one combined lesson.
class StoredTimetable : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<store::Store> st;
    model::School school;

    void SetUp() override
    {
        auto file = dir / "t.dat";
        ASSERT_TRUE(users::initDatabase(file));
        st = std::make_unique<store::Store>(file);
        st->transaction([&] {
            st->run("INSERT INTO jibd(jiid, jiname) VALUES(1, '初一')");
            st->run("INSERT INTO banbd(banid, banname, jiid, islock) VALUES(1, '初一(1)班', 1, 0), (2, '初一(2)班', 1, 0)");
            for (int w = 2; w <= 6; ++w)
                st->run("INSERT INTO daybd(dayid, dayname) VALUES(?1, '')", w);
            st->run("DELETE FROM jieshu");
            st->run("INSERT INTO jieshu(mor, aft, nig) VALUES(2, 2, 0)");
            st->run("INSERT INTO kemubd(kemuid, kemuname, kemuname2, maxjie, lianpai) VALUES(1, '语文', '语', 0, 0),"
                    " (2, '体育', '体', 0, 0)");
            st->run("INSERT INTO kemujieshu(kemuid, banid, jieshu) VALUES(1, 1, 5), (1, 2, 5), (2, 1, 2), (2, 2, 2)");
            st->run("INSERT INTO teabd(teaid, teaname, teaname2, islock) VALUES(1, '张老师', '张', 0), (2, '李老师', '李', 0)");
            st->run("INSERT INTO renkebd(difid, teaid, banid, keid, jieshu, heban) VALUES"
                    " (0, 1, 1, 1, 5, 0), (1, 1, 2, 1, 5, 0), (2, 2, 1, 2, 2, 1), (3, 2, 2, 2, 2, 1)");
        });
        school = model::loadSchool(*st);
        ASSERT_EQ(school.theDay, 5);
        ASSERT_EQ(school.RenKeNum, 4);
    }

    void lesson(int weekday, int jie, int ban, int tea, int ke, int teshu = 0)
    {
        st->run("INSERT INTO kechenbd(kechenid, theday, thejie, theban, thetea, theke, teshu) "
                "VALUES((SELECT count(*) + 1 FROM kechenbd), ?1, ?2, ?3, ?4, ?5, ?6)",
                weekday, jie, ban, tea, ke, teshu);
    }
    int renke(int ban, int tea, int ke) const { return school.btk(ban, tea, ke); }
};

TEST_F(StoredTimetable, EmptyTableGivesEmptyGrids)
{
    std::vector<model::SkippedRow> skipped;
    model::Grids g = LoadKeChenData(*st, school, &skipped);
    EXPECT_TRUE(skipped.empty());
    for (int b = 0; b <= school.MaxBanID; ++b)
        for (int s = 0; s <= school.N() + 1; ++s)
            EXPECT_EQ(g.Renke_B(b, s), -1);
    EXPECT_EQ(g.RenkePlaced, std::vector<int>(4, 0));
}

TEST_F(StoredTimetable, RowLandsInBothGridsOnItsDayNumber)
{
    // Wednesday is the second school day of a week that starts on Tuesday.
    lesson(3, 2, 1, 1, 1, 1020);
    std::vector<model::SkippedRow> skipped;
    model::Grids g = LoadKeChenData(*st, school, &skipped);
    EXPECT_TRUE(skipped.empty());
    const int slot = model::slotOf(2, 2, 4);
    const int r = renke(1, 1, 1);
    EXPECT_EQ(g.Renke_B(1, slot), r);
    EXPECT_EQ(g.Renke_T(1, slot), r);
    EXPECT_EQ(g.Teshu_B(1, slot), 1020);
    EXPECT_EQ(g.RenkePlaced[r], 1);
    EXPECT_EQ(g.Renke_B(2, slot), -1);
    EXPECT_TRUE(checkTimetable(school, g).empty());
}

struct SkipCase {
    const char* name;
    int weekday, jie, ban, tea, ke;
    const char* reason;
};

void PrintTo(const SkipCase& c, std::ostream* os)
{
    *os << c.name;
}

class SkippedRows : public StoredTimetable, public ::testing::WithParamInterface<SkipCase> {};

TEST_P(SkippedRows, AreLeftOutAndNamed)
{
    const auto& c = GetParam();
    // Files edited by hand can name classes and teachers that are gone.
    st->exec("PRAGMA foreign_keys=OFF");
    lesson(2, 1, 1, 1, 1);  // one good row beside the bad one
    lesson(c.weekday, c.jie, c.ban, c.tea, c.ke);
    std::vector<model::SkippedRow> skipped;
    model::Grids g = LoadKeChenData(*st, school, &skipped);
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].table, "kechenbd");
    EXPECT_EQ(skipped[0].reason, c.reason);
    EXPECT_NE(skipped[0].row.find("theban=" + std::to_string(c.ban)), std::string::npos) << skipped[0].row;
    int lessons = 0;
    for (int b = 1; b <= school.MaxBanID; ++b)
        for (int s = 0; s <= school.N() + 1; ++s)
            lessons += g.Renke_B(b, s) >= 0;
    EXPECT_EQ(lessons, 1);
    int placed = 0;
    for (int n : g.RenkePlaced)
        placed += n;
    EXPECT_EQ(placed, 1);
    EXPECT_TRUE(checkTimetable(school, g).empty());
    // Without a list the rows are still left out.
    EXPECT_EQ(LoadKeChenData(*st, school), g);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SkippedRows,
    ::testing::Values(SkipCase{"monday_is_no_school_day", 1, 1, 2, 1, 1, "该日不上课"},
                      SkipCase{"sunday", 7, 1, 2, 1, 1, "该日不上课"},
                      SkipCase{"weekday_out_of_range", 9, 1, 2, 1, 1, "星期无效"},
                      SkipCase{"period_past_the_day", 3, 5, 2, 1, 1, "节次超出每天节数"},
                      SkipCase{"period_zero", 3, 0, 2, 1, 1, "节次超出每天节数"},
                      SkipCase{"teacher_does_not_teach_the_subject", 3, 1, 2, 2, 1, "没有对应的任课"},
                      SkipCase{"teacher_does_not_teach_the_class", 3, 1, 2, 1, 2, "没有对应的任课"},
                      SkipCase{"class_unknown", 3, 1, 9, 1, 1, "没有对应的任课"},
                      SkipCase{"teacher_unknown", 3, 1, 2, 7, 1, "没有对应的任课"}),
    [](const auto& info) { return info.param.name; });

TEST_F(StoredTimetable, CombinedLessonStandsInBothClasses)
{
    // Thursday period 3: 李老师's 体育 with both classes, written as two rows.
    lesson(4, 3, 1, 2, 2);
    lesson(4, 3, 2, 2, 2);
    model::Grids g = LoadKeChenData(*st, school);
    const int slot = model::slotOf(3, 3, 4);
    const int r1 = renke(1, 2, 2), r2 = renke(2, 2, 2);
    EXPECT_EQ(g.Renke_B(1, slot), r1);
    EXPECT_EQ(g.Renke_B(2, slot), r2);
    EXPECT_EQ(g.Renke_T(2, slot), r2);  // the member written last
    EXPECT_EQ(g.RenkePlaced[r1], 1);
    EXPECT_EQ(g.RenkePlaced[r2], 1);
    auto v = checkTimetable(school, g);
    EXPECT_TRUE(v.empty()) << v.front().text;
}

TEST_F(StoredTimetable, TwoLessonsOfOneTeacherAtOneSlotAreLoadedAndCaught)
{
    // Not combined: 张老师 in both classes at once. The load keeps both; the check names it.
    lesson(2, 1, 1, 1, 1);
    lesson(2, 1, 2, 1, 1);
    model::Grids g = LoadKeChenData(*st, school);
    EXPECT_EQ(g.Renke_B(1, 1), renke(1, 1, 1));
    EXPECT_EQ(g.Renke_B(2, 1), renke(2, 1, 1));
    auto v = checkTimetable(school, g);
    ASSERT_FALSE(v.empty());
    bool conflict = false;
    for (const auto& x : v)
        conflict = conflict || (x.kind == "教师冲突" && x.tea == 1 && x.slot == 1);
    EXPECT_TRUE(conflict);
}


TEST_F(StoredTimetable, TheStepAndTheEnginesKeptClassesReadTheSameLessons)
{
    lesson(2, 1, 1, 1, 1, 1020);  // Tuesday period 1: 语文 in class 1
    lesson(7, 1, 2, 1, 1);        // Sunday is not taught: no slot
    lesson(3, 2, 2, 2, 1);        // 李老师 never taught 语文 to class 2: no assignment
    lesson(4, 3, 1, 2, 2, 7);     // Thursday period 3: the combined 体育 in both classes
    lesson(4, 3, 2, 2, 2, 7);
    lesson(3, 1, 2, 1, 1);        // Wednesday period 1: 语文 in class 2
    // An assignment deleted after the timetable was saved: its row names nothing now.
    st->run("DELETE FROM renkebd WHERE banid = 2 AND keid = 1");
    school = model::loadSchool(*st);

    KbData kb;
    LoadKbData(*st, kb);
    const auto kept = scheduler::loadKeptLessons(*st, school, std::vector<std::uint8_t>(school.MaxBanID + 1, 1));

    // Both see exactly the class cells the step shows, with the scores stored.
    std::vector<std::tuple<int, int, int>> fromStep, fromEngine;
    for (int b = 1; b <= school.MaxBanID; ++b)
        for (int s = 1; s <= school.N(); ++s)
            if (kb.cellB(b, s) >= 0)
                fromStep.emplace_back(b, s, kb.cellB(b, s));
    for (const auto& k : kept) {
        fromEngine.emplace_back(k.ban, k.slot, k.renke);
        EXPECT_EQ(k.teshu, kb.base.Teshu_B(k.ban, k.slot));
    }
    std::sort(fromEngine.begin(), fromEngine.end());
    EXPECT_EQ(fromStep, fromEngine);
    ASSERT_EQ(fromStep.size(), 3u);  // 语文 in class 1 and the combined lesson in both classes
    // The step lists what it left out: the untaught day and the two rows without an assignment.
    EXPECT_EQ(kb.skipped.size(), 3u);
}

}  // namespace
}  // namespace tavrin::timetable
