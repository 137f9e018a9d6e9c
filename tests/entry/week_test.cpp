// The week: its load (defaults, hand-edited rows), the scope rules of the fixed lessons, and
// the save as a table of cases on the school of entry_fixture.h.
#include <gtest/gtest.h>

#include <functional>

#include "entry/week.h"
#include "model/loaders.h"
#include "entry_fixture.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::Scope;
using entry::WeekDraft;

namespace {

// Rows of a query as "a|b|c".
std::vector<std::string> rows(store::Store& s, const std::string& sql)
{
    std::vector<std::string> out;
    auto st = s.prepare(sql);
    while (st.step()) {
        std::string line;
        for (int i = 0; i < st.columnCount(); ++i)
            line += (i ? "|" : "") + (st.isNull(i) ? std::string("空") : st.text(i));
        out.push_back(line);
    }
    return out;
}

using Lines = std::vector<std::string>;

struct WeekCase {
    const char* name;
    std::vector<int> weekdays;                         // the fixture's week
    std::function<void(SchoolBuilder&)> setup;         // rows beyond the fixture
    std::function<void(WeekDraft&)> edit;
    std::function<void(store::Store&, std::int64_t unplaced)> check;
};

// Test names, not bytes, in failure messages.
void PrintTo(const WeekCase& c, std::ostream* os)
{
    *os << c.name;
}

class WeekSave : public ::testing::TestWithParam<WeekCase> {};

TEST_P(WeekSave, Case)
{
    const WeekCase& c = GetParam();
    SchoolBuilder b(c.weekdays, 4, 4, 0);
    fillEntrySchool(b);
    if (c.setup)
        c.setup(b);
    WeekDraft d = entry::loadWeek(b.store());
    c.edit(d);
    std::int64_t unplaced = -1;
    const auto r = entry::saveWeek(b.store(), d, &unplaced);
    ASSERT_TRUE(r.ok) << r.message;
    c.check(b.store(), unplaced);
    // The load gives back what was saved, less what the save drops.
    WeekDraft again = entry::loadWeek(b.store());
    EXPECT_EQ(again.days, d.days);
    EXPECT_EQ(again.P(), d.P());
    EXPECT_EQ(again.times, d.times);
    EXPECT_EQ(again.publicTimes, d.publicTimes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WeekSave,
    ::testing::Values(
        WeekCase{"UntickSaturday", {1, 2, 3, 4, 5, 6},
                 [](SchoolBuilder& b) {
                     b.gudin(1, 6, 1, "劳动");
                     b.gudin(2, 6, 2, "自习");
                 },
                 [](WeekDraft& d) { d.days[6] = false; },
                 [](store::Store& s, std::int64_t) {
                     EXPECT_EQ(rows(s, "SELECT dayid FROM daybd ORDER BY dayid"), (Lines{"1", "2", "3", "4", "5"}));
                     EXPECT_EQ(s.scalar("SELECT count(*) FROM gudinbd WHERE theday = 6"), 0);
                     EXPECT_EQ(s.scalar("SELECT count(*) FROM gudinbd WHERE theday = 5 AND thejie = 8"), 5);
                 }},
        WeekCase{"MorningFromFourToThree", {1, 2, 3, 4, 5},
                 [](SchoolBuilder& b) {
                     b.gudin(1, 1, 4, "自习");
                     b.store().run("INSERT INTO timebd VALUES(4, '10:40')");
                     b.store().run("INSERT INTO publictimebd VALUES(4, '眼保健操')");
                 },
                 [](WeekDraft& d) { d.mor = 3; },
                 [](store::Store& s, std::int64_t) {
                     EXPECT_EQ(rows(s, "SELECT * FROM jieshu"), (Lines{"3|4|0"}));
                     EXPECT_EQ(rows(s, "SELECT gudinname, theday, theban FROM gudinbd WHERE thejie = 4"),
                               (Lines{"自习|1|1"}));
                     EXPECT_EQ(rows(s, "SELECT * FROM timebd"), (Lines{"4|10:40"}));
                     EXPECT_EQ(rows(s, "SELECT * FROM publictimebd"), (Lines{"4|眼保健操"}));
                 }},
        WeekCase{"FixedLessonPastTheLastPeriodIsKept", {1, 2, 3, 4, 5},
                 [](SchoolBuilder& b) { b.gudin(3, 2, 9, "晚自习"); },
                 [](WeekDraft& d) { entry::setGudin(d, Scope::cls(0), 1, 3, "班会"); },
                 [](store::Store& s, std::int64_t) {
                     EXPECT_EQ(rows(s, "SELECT gudinname, theday, theban FROM gudinbd WHERE thejie = 9"),
                               (Lines{"晚自习|2|3"}));
                     EXPECT_EQ(s.scalar("SELECT count(*) FROM gudinbd"), 7);
                 }},
        WeekCase{"PublicSlotZeroAndThreeTimes", {1, 2, 3, 4, 5}, nullptr,
                 [](WeekDraft& d) {
                     entry::setPublicTime(d, 0, "早读");
                     entry::setTimes(d, "7:30～8:15\n8:25～9:10\n9:30～10:15");
                 },
                 [](store::Store& s, std::int64_t) {
                     EXPECT_EQ(rows(s, "SELECT * FROM publictimebd"), (Lines{"0|早读"}));
                     EXPECT_EQ(rows(s, "SELECT * FROM timebd ORDER BY jieid"),
                               (Lines{"1|7:30～8:15", "2|8:25～9:10", "3|9:30～10:15"}));
                 }},
        WeekCase{"FixedLessonOverPlacedLessons", {1, 2, 3, 4, 5},
                 [](SchoolBuilder& b) { b.lesson(1, 2, 9, 1, 1); },  // a lesson past the periods taught
                 [](WeekDraft& d) {
                     entry::setGudin(d, Scope::group(0), 1, 1, "班会");  // over 初一's lessons of Monday 1
                     entry::setGudin(d, Scope::cls(4), 1, 3, "自习");    // a free slot
                     entry::setGudin(d, Scope::cls(0), 2, 9, "晚自习");  // over the lesson past P
                 },
                 [](store::Store& s, std::int64_t unplaced) {
                     EXPECT_EQ(unplaced, 2);
                     EXPECT_EQ(rows(s, "SELECT theday, thejie, theban FROM kechenbd ORDER BY theban, theday, thejie"),
                               (Lines{"1|2|1", "2|9|1", "1|2|2", "1|1|3", "1|2|3", "1|1|4", "1|2|4", "1|1|5",
                                      "1|2|5"}));
                 }},
        WeekCase{"NothingCoveredNothingUnplaced", {1, 2, 3, 4, 5}, nullptr, [](WeekDraft&) {},
                 [](store::Store& s, std::int64_t unplaced) {
                     EXPECT_EQ(unplaced, 0);
                     EXPECT_EQ(s.scalar("SELECT count(*) FROM kechenbd"), 10);
                 }}),
    [](const ::testing::TestParamInfo<WeekCase>& i) { return std::string(i.param.name); });

TEST(WeekSave, AllCountsZeroIsRefused)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    const TableDump before = rawDump(b.store());
    WeekDraft d = entry::loadWeek(b.store());
    d.mor = d.aft = d.nig = 0;
    entry::setPublicTime(d, 1, "课间操");
    const auto r = entry::saveWeek(b.store(), d);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "每天节数不能全为0。");
    EXPECT_EQ(rawDump(b.store()), before);
    // With no day taught there is no slot to lose: that week saves.
    d.days.fill(false);
    EXPECT_TRUE(entry::saveWeek(b.store(), d).ok);
}

TEST(WeekSave, CapacityIsTheWeekLessItsFixedLessons)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    WeekDraft d = entry::loadWeek(b.store());
    entry::setGudin(d, Scope::school(), 1, 4, "无课");
    entry::setGudin(d, Scope::cls(1), 3, 2, "自习");
    entry::setGudin(d, Scope::cls(1), 3, 9, "晚自习");  // past the last period: no slot taken
    d.days[6] = true;                                     // Saturday: 8 more slots
    entry::setGudin(d, Scope::cls(1), 7, 1, "劳动");      // Sunday is not taught: dropped
    ASSERT_TRUE(entry::saveWeek(b.store(), d).ok);
    const model::School school = model::loadSchool(b.store());
    ASSERT_EQ(school.N(), 48);
    EXPECT_EQ(school.BanCapacity[1], 48 - 2);  // 无课 and 班会
    EXPECT_EQ(school.BanCapacity[2], 48 - 3);  // and 自习
    EXPECT_EQ(school.BanCapacity[5], 48 - 2);
}

TEST(WeekLoad, BeforeTheFirstSaveTheWeekIsMondayToFridayWithThreeThreeNine)
{
    SchoolBuilder b({}, 4, 4, 0);  // jieshu holds a row, daybd none
    WeekDraft d = entry::loadWeek(b.store());
    EXPECT_EQ(d.weekdays(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(d.mor, 3);
    EXPECT_EQ(d.aft, 3);
    EXPECT_EQ(d.nig, 9);
}

TEST(WeekLoad, HandEditedRowsAreSkippedAndDroppedAtTheSave)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    auto& s = b.store();
    s.run("INSERT INTO jibd VALUES(4, '空年级')");  // a group with no class: not in the tree
    s.exec("PRAGMA foreign_keys=OFF");
    s.run("INSERT INTO gudinbd VALUES(90, 'a', 0, 1, 1)");
    s.run("INSERT INTO gudinbd VALUES(91, 'b', 8, 1, 1)");
    s.run("INSERT INTO gudinbd VALUES(92, 'c', 1, 0, 1)");
    s.run("INSERT INTO gudinbd VALUES(93, 'd', 1, 28, 1)");
    s.run("INSERT INTO gudinbd VALUES(94, 'e', 1, 1, 77)");
    s.exec("PRAGMA foreign_keys=ON");
    WeekDraft d = entry::loadWeek(s);
    EXPECT_EQ(d.groups.size(), 3u);
    EXPECT_EQ(d.classes.size(), 5u);
    EXPECT_EQ(d.skipped.size(), 5u);
    ASSERT_TRUE(entry::saveWeek(s, d).ok);
    EXPECT_EQ(s.scalar("SELECT count(*) FROM gudinbd"), 5);
    EXPECT_TRUE(entry::loadWeek(s).skipped.empty());
}

TEST(WeekScope, GroupAndSchoolCellsAndTheQuestion)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    WeekDraft d = entry::loadWeek(b.store());
    const Scope school = Scope::school(), g1 = Scope::group(0), c2 = Scope::cls(1);
    // Tuesday 3: every class of 初一 has 自习.
    entry::setGudin(d, g1, 2, 3, "自习");
    EXPECT_EQ(entry::cellShown(d, g1, 2, 3).text, "自习");
    EXPECT_FALSE(entry::needsScopeQuestion(d, g1, 2, 3));
    EXPECT_EQ(entry::cellShown(d, school, 2, 3).text, "各班不一样");
    EXPECT_TRUE(entry::needsScopeQuestion(d, school, 2, 3));
    // One class changed: the group differs now.
    entry::setGudin(d, c2, 2, 3, "班会");
    EXPECT_EQ(entry::cellShown(d, g1, 2, 3).text, "各班不一样");
    EXPECT_TRUE(entry::cellShown(d, g1, 2, 3).differs);
    EXPECT_TRUE(entry::needsScopeQuestion(d, g1, 2, 3));
    EXPECT_EQ(entry::clickName(d, g1, 2, 3), "");
    EXPECT_EQ(entry::scopeQuestion("无课"), "各个班在这节课上的设置不完全一样，真的要全设置为无课");
    EXPECT_EQ(entry::scopeQuestion(""), "各个班在这节课上的设置不完全一样，真的要全设置为有课");
    // A class never asks.
    EXPECT_FALSE(entry::needsScopeQuestion(d, c2, 2, 3));
    // A free cell at the root: the click sets 无课 for all, the next clears it for all.
    EXPECT_EQ(entry::clickName(d, school, 4, 4), "无课");
    entry::setGudin(d, school, 4, 4, entry::clickName(d, school, 4, 4));
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(entry::cellShown(d, Scope::cls(k), 4, 4).text, "无课");
    entry::setGudin(d, school, 4, 4, entry::clickName(d, school, 4, 4));
    EXPECT_EQ(entry::cellShown(d, school, 4, 4).text, "");
}

TEST(WeekTimes, TheDialogTextRoundTrips)
{
    WeekDraft d;
    entry::setTimes(d, "8:00\r\n\n9:00");
    EXPECT_EQ(d.times[1], "8:00");
    EXPECT_EQ(d.times[2], "");
    EXPECT_EQ(d.times[3], "9:00");
    EXPECT_EQ(d.times[4], "");
    const std::string text = entry::timesText(d);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 26);
    WeekDraft e;
    entry::setTimes(e, text);
    EXPECT_EQ(e.times, d.times);
}

}  // namespace
