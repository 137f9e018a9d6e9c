// The teacher step's commands and texts on a working copy made in code: assignment texts and
// chips, entries that keep their index, combined lessons that belong to their teacher, the
// list of periods nobody teaches, the short-name fill, find, and the mark copy over teachers.
#include <gtest/gtest.h>

#include <functional>

#include "entry/teachers.h"
#include "entry/teamarks.h"
#include "teacher_fixture.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::TeaDraft;

namespace {

// Four classes, three subjects, teachers 张 (1), 李 (2), 王 (3); 语文 5 periods a week in
// 1班, 3 in 2班, 体育 2 in 1班 and 2班, 音乐 1 in 3班 and 4班.
TeaDraft draft()
{
    TeaDraft d;
    d.classes = {{1, "1班"}, {2, "2班"}, {3, "3班"}, {4, "4班"}};
    d.subjects = {{1, "语文"}, {2, "体育"}, {3, "音乐"}};
    d.need = {5, 2, 0,  //
              3, 2, 0,  //
              0, 0, 1,  //
              0, 0, 1};
    d.theDay = 5;
    d.P = 8;
    d.maxStoredId = 3;
    d.nextId = 4;
    for (auto [id, name] : {std::pair<int, const char*>{1, "张"}, {2, "李"}, {3, "王"}})
        d.rows.push_back({id, true, name, "", {}});
    return d;
}

constexpr std::int64_t kZhang = 1, kLi = 2, kWang = 3;

struct TextCase {
    const char* name;
    std::function<void(TeaDraft&)> setup;
    std::int64_t tea;
    std::string text;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

class RenkeText : public ::testing::TestWithParam<TextCase> {};

TEST_P(RenkeText, ReadsAsTheTeacherSeesIt)
{
    TeaDraft d = draft();
    GetParam().setup(d);
    EXPECT_EQ(entry::renkeText(d, GetParam().tea), GetParam().text);
}

void twoCombined(TeaDraft& d)
{
    entry::addRenke(d, kZhang, 1, 1, 2, 2);
    entry::addRenke(d, kLi, 3, 1, 1, 3);
    entry::addRenke(d, kZhang, 2, 1, 2, 2);
    entry::addRenke(d, kLi, 4, 1, 1, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenkeText,
    ::testing::Values(
        TextCase{"none", [](TeaDraft&) {}, kZhang, ""},
        TextCase{"one", [](TeaDraft& d) { entry::addRenke(d, kZhang, 1, 0, 5, 1); }, kZhang,
                 "共5节:   [1班\"语文\"5节]"},
        TextCase{"fiveAndThree",
                 [](TeaDraft& d) {
                     entry::addRenke(d, kZhang, 1, 0, 5, 1);
                     entry::addRenke(d, kLi, 3, 0, 1, 3);
                     entry::addRenke(d, kZhang, 2, 0, 3, 1);
                 },
                 kZhang, "共8节:   [1班\"语文\"5节]    [2班\"语文\"3节]"},
        TextCase{"combinedCountedOnce",
                 [](TeaDraft& d) {
                     entry::addRenke(d, kZhang, 1, 1, 2, 2);
                     entry::addRenke(d, kZhang, 1, 0, 5, 1);
                     entry::addRenke(d, kZhang, 2, 1, 2, 2);
                 },
                 kZhang, "共7节:   [1班\"体育\"2节+2班\"体育\"2节]    [1班\"语文\"5节]"},
        TextCase{"sameNumberZhang", twoCombined, kZhang, "共2节:   [1班\"体育\"2节+2班\"体育\"2节]"},
        TextCase{"sameNumberLi", twoCombined, kLi, "共1节:   [3班\"音乐\"1节+4班\"音乐\"1节]"},
        TextCase{"emptiedEntrySkipped",
                 [](TeaDraft& d) {
                     entry::addRenke(d, kZhang, 1, 0, 5, 1);
                     const int i = entry::addRenke(d, kZhang, 2, 0, 3, 1);
                     entry::deleteChip(d, i);
                 },
                 kZhang, "共5节:   [1班\"语文\"5节]"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Chips, OnePerAssignmentOrCombinedLessonWithItsFirstEntry)
{
    TeaDraft d = draft();
    twoCombined(d);
    entry::addRenke(d, kZhang, 1, 0, 3, 1);
    const auto c = entry::chips(d, kZhang);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].entry, 0);
    EXPECT_EQ(c[0].text, "[1班\"体育\"2节+2班\"体育\"2节]");
    EXPECT_EQ(c[1].entry, 4);
    EXPECT_EQ(c[1].text, "[1班\"语文\"3节]");
    EXPECT_EQ(entry::chipEntries(d, 0), (std::vector<int>{0, 2}));
    EXPECT_EQ(entry::chipEntries(d, 1), (std::vector<int>{1, 3}));
}

TEST(AddRenke, ReusesTheFirstEmptyEntryAndCountsLiveOnes)
{
    TeaDraft d = draft();
    entry::addRenke(d, kZhang, 1, 0, 1, 1);
    entry::addRenke(d, kZhang, 2, 0, 1, 1);
    entry::addRenke(d, kLi, 1, 0, 1, 2);
    entry::deleteChip(d, 1);
    entry::deleteChip(d, 0);
    EXPECT_EQ(d.RenKeNum, 1);
    EXPECT_EQ(entry::addRenke(d, kWang, 2, 0, 2, 1), 0);
    EXPECT_EQ(d.LastRenkeIdx, 0);
    EXPECT_EQ(entry::addRenke(d, kWang, 2, 0, 1, 2), 1);
    EXPECT_EQ(entry::addRenke(d, kWang, 3, 0, 1, 3), 3);
    EXPECT_EQ(d.RenKeNum, 4);
    EXPECT_EQ(d.renke.size(), 4u);
}

TEST(DeleteChip, PlainEmptiesOnlyItsEntry)
{
    TeaDraft d = draft();
    entry::addRenke(d, kZhang, 1, 0, 5, 1);
    entry::addRenke(d, kZhang, 2, 0, 3, 1);
    entry::deleteChip(d, 0);
    EXPECT_TRUE(d.renke[0].empty());
    EXPECT_EQ(d.renke[1].jieshu, 3);
    EXPECT_EQ(d.RenKeNum, 1);
}

TEST(DeleteChip, CombinedEmptiesOnlyItsOwnTeachersLesson)
{
    TeaDraft d = draft();
    twoCombined(d);
    entry::deleteChip(d, 2);  // 张's, through its second entry
    EXPECT_TRUE(d.renke[0].empty());
    EXPECT_TRUE(d.renke[2].empty());
    EXPECT_EQ(d.renke[1].tea, kLi);
    EXPECT_EQ(d.renke[3].tea, kLi);
    EXPECT_EQ(d.RenKeNum, 2);
    EXPECT_EQ(entry::renkeText(d, kLi), "共1节:   [3班\"音乐\"1节+4班\"音乐\"1节]");
}

TEST(MoveChip, PlainGoesToTheOtherTeacher)
{
    TeaDraft d = draft();
    entry::addRenke(d, kZhang, 1, 0, 5, 1);
    const int i = entry::addRenke(d, kZhang, 2, 0, 3, 1);
    EXPECT_EQ(entry::moveChip(d, i, kWang), i);
    EXPECT_EQ(d.LastRenkeIdx, i);
    EXPECT_EQ(entry::renkeText(d, kZhang), "共5节:   [1班\"语文\"5节]");
    EXPECT_EQ(entry::renkeText(d, kWang), "共3节:   [2班\"语文\"3节]");
    EXPECT_EQ(d.RenKeNum, 2);
}

TEST(MoveChip, CombinedMovesWholeAndKeepsItsNumberWhereFree)
{
    TeaDraft d = draft();
    twoCombined(d);
    entry::moveChip(d, 0, kWang);
    for (int i : {0, 2}) {
        EXPECT_EQ(d.renke[static_cast<std::size_t>(i)].tea, kWang);
        EXPECT_EQ(d.renke[static_cast<std::size_t>(i)].heban, 1);
    }
    EXPECT_EQ(entry::renkeText(d, kZhang), "");
    EXPECT_EQ(entry::renkeText(d, kWang), "共2节:   [1班\"体育\"2节+2班\"体育\"2节]");
}

TEST(MoveChip, CombinedTakesANewNumberWhenTheTargetUsesIt)
{
    TeaDraft d = draft();
    twoCombined(d);
    entry::addRenke(d, kLi, 1, 2, 1, 3);  // 李 uses 1 and 2 already
    entry::addRenke(d, kLi, 2, 2, 1, 3);
    entry::moveChip(d, 2, kLi);
    EXPECT_EQ(d.renke[0].heban, 3);
    EXPECT_EQ(d.renke[2].heban, 3);
    EXPECT_EQ(d.renke[1].heban, 1);
    EXPECT_EQ(entry::chips(d, kLi).size(), 3u);
    EXPECT_EQ(entry::teacherPeriods(d, kLi), 1 + 1 + 2);
    EXPECT_EQ(entry::assignedLabel(d), "任课情况（已分配4节）");
}

TEST(Unassigned, ClassRowsOnlyBeforeTheirSubjectsAndRemainders)
{
    TeaDraft d = draft();
    entry::addRenke(d, kZhang, 1, 0, 5, 1);  // 1班 语文 done
    entry::addRenke(d, kLi, 2, 0, 1, 1);     // 2班 语文 2 left
    entry::addRenke(d, kLi, 3, 0, 4, 3);     // 3班 音乐 over-assigned: nothing, never negative
    const auto rows = entry::unassigned(d);
    std::vector<std::string> seen;
    for (const auto& r : rows)
        seen.push_back(r.isClass ? "#" + r.caption : r.caption + "=" + std::to_string(r.remain));
    EXPECT_EQ(seen, (std::vector<std::string>{"#1班", "体育=2", "#2班", "语文=2", "体育=2", "#4班", "音乐=1"}));
    EXPECT_EQ(rows[3].ban, 2);
    EXPECT_EQ(rows[3].ke, 1);
    EXPECT_EQ(entry::remainingLabel(rows), "剩余任课 7 节");
    EXPECT_EQ(entry::assignedLabel(d), "任课情况（已分配10节）");
    EXPECT_EQ(entry::remaining(d, 3, 3), 0);

    TeaDraft none = draft();
    none.need.assign(none.need.size(), 0);
    EXPECT_TRUE(entry::unassigned(none).empty());
    EXPECT_EQ(entry::remainingLabel(entry::unassigned(none)), "剩余任课");
    EXPECT_EQ(entry::assignedLabel(none), "任课情况");
}

TEST(Drop, HoldsToWhatRemainsNowAndCaptionsTheDialog)
{
    TeaDraft d = draft();
    EXPECT_EQ(entry::dropCaption(d, kLi, 2, 1), "李 2班 语文节数:");
    entry::addRenke(d, kZhang, 2, 0, 1, 1);  // the list changed after the press: 2 left of 3
    const int i = entry::dropOnTeacher(d, kLi, 2, 1, 3);
    ASSERT_GE(i, 0);
    EXPECT_EQ(d.renke[static_cast<std::size_t>(i)].jieshu, 2);
    EXPECT_EQ(entry::dropOnTeacher(d, kLi, 2, 1, 1), -1);  // nothing left
    EXPECT_EQ(entry::dropOnTeacher(d, 99, 1, 1, 1), -1);   // no such teacher
    EXPECT_EQ(d.RenKeNum, 2);
}

TEST(FillShortNames, LastTwoWholeCharactersOfLongerNames)
{
    TeaDraft d = draft();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"王芳", "王芳"}, {"欧阳锋", "阳锋"}, {"李小𠀀", "小𠀀"}, {"", ""}, {"A", "A"}, {"Anna", "na"}};
    d.rows.clear();
    for (const auto& [name, _] : cases)
        d.rows.push_back({static_cast<std::int64_t>(d.rows.size()) + 1, true, name, "x", {}});
    entry::fillTeaShortNames(d);
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(d.rows[i].name2, cases[i].second) << cases[i].first;
}

TEST(FindTeacher, WrapsAndTakesTheTextLiterally)
{
    TeaDraft d = draft();
    d.rows[0].name = "张三";
    d.rows[1].name = "王(二)";
    d.rows[2].name = "张五";
    struct Case {
        const char* text;
        int selected;
        int found;
    };
    for (const Case c : {Case{"张", -1, 0}, Case{"张", 0, 2}, Case{"张", 2, 0}, Case{"张三", 0, 0},
                         Case{"(", 2, 1}, Case{"*", 0, -1}, Case{"", 0, -1}, Case{"赵", 1, -1}})
        EXPECT_EQ(entry::findTeacher(d, c.text, c.selected), c.found) << c.text << " after " << c.selected;
}

TEST(Teachers, AddDeleteAndTheLimit)
{
    TeaDraft d = draft();
    entry::addRenke(d, kLi, 1, 0, 2, 1);
    entry::addRenke(d, kZhang, 1, 0, 3, 1);
    int row = -1;
    ASSERT_TRUE(entry::addTeacher(d, "", &row).ok);
    EXPECT_EQ(d.rows[static_cast<std::size_t>(row)].id, 4);
    EXPECT_EQ(entry::deleteTeacher(d, 1), 1);  // 李 goes with his entry; the row after takes his place
    EXPECT_EQ(d.rowOf(kLi), -1);
    EXPECT_TRUE(d.renke[0].empty());
    EXPECT_EQ(d.RenKeNum, 1);
    EXPECT_EQ(entry::deleteTeacher(d, 2), 1);  // the last row: the one before
    ASSERT_TRUE(entry::addTeacher(d, "新", &row).ok);
    EXPECT_EQ(d.rows[static_cast<std::size_t>(row)].id, 5) << "a deleted teacher's ID is never handed out again";

    while (d.rows.size() < static_cast<std::size_t>(entry::kMaxTeaRows))
        ASSERT_TRUE(entry::addTeacher(d).ok);
    const auto r = entry::addTeacher(d, "", &row);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, entry::kTooManyTea);
    EXPECT_EQ(row, -1);
}

TEST(InputRenke, FindsOrAddsTheTeacherAndRefusesWhatItCannotAssign)
{
    TeaDraft d = draft();
    EXPECT_TRUE(entry::inputRenke(d, "李", 1, 2, 2).ok);
    EXPECT_EQ(entry::renkeText(d, kLi), "共2节:   [2班\"语文\"2节]");
    EXPECT_TRUE(entry::inputRenke(d, "新\"老师\"😀", 2, 1, 1).ok);
    ASSERT_EQ(d.rows.size(), 4u);
    EXPECT_EQ(d.rows[3].name, "新\"老师\"😀");
    EXPECT_EQ(entry::renkeText(d, d.rows[3].id), "共1节:   [1班\"体育\"1节]");

    for (std::int64_t n : {0, -3})
        EXPECT_EQ(entry::inputRenke(d, "李", 1, n, 2).message, entry::kBadJieshu);
    EXPECT_FALSE(entry::inputRenke(d, "李", 9, 1, 2).ok);
    EXPECT_EQ(d.RenKeNum, 2);

    while (d.rows.size() < static_cast<std::size_t>(entry::kMaxTeaRows))
        ASSERT_TRUE(entry::addTeacher(d).ok);
    const auto r = entry::inputRenke(d, "第1001位", 1, 1, 1);
    EXPECT_EQ(r.message, entry::kTooManyTea);
    EXPECT_EQ(d.RenKeNum, 2);
    EXPECT_EQ(d.rows.size(), static_cast<std::size_t>(entry::kMaxTeaRows));
}

TEST(TeacherMarks, CommitSeesEveryTeacherSteppedThrough)
{
    TeaDraft d = draft();
    auto w = entry::takeTeaMarks(d);
    entry::setTeaMark(w, kZhang, 1, 1, model::MarkCertain);
    // The dialog moved on (a find, the arrows) before "确定": 张's change still counts.
    EXPECT_EQ(entry::stepTeacher(d, kZhang, 1), 1);
    entry::setTeaMark(w, kLi, 2, 3, model::MarkNever);
    EXPECT_EQ(entry::shownTeaMark(w, kLi, 2, 3), model::MarkNever);
    EXPECT_EQ(d.rows[0].marks[entry::teaMarkAt(1, 1)], 0) << "nothing reaches the draft before 确定";
    EXPECT_TRUE(entry::commitTeaMarks(d, w));
    EXPECT_EQ(d.rows[0].marks[entry::teaMarkAt(1, 1)], model::MarkCertain);
    EXPECT_EQ(d.rows[1].marks[entry::teaMarkAt(2, 3)], model::MarkNever);
    EXPECT_FALSE(entry::commitTeaMarks(d, w)) << "a second commit changes nothing";

    entry::clearTeaMarks(d, w, kZhang);
    EXPECT_EQ(entry::shownTeaMark(w, kZhang, 1, 1), 0);
    EXPECT_EQ(entry::stepTeacher(d, kZhang, -1), -1);
    EXPECT_EQ(entry::stepTeacher(d, kWang, 1), -1);
}

TEST(TeacherMarks, ADeletedTeachersMarksNeverComeBack)
{
    TeaDraft d = draft();
    int row = -1;
    ASSERT_TRUE(entry::addTeacher(d, "新", &row).ok);
    const std::int64_t added = d.rows[static_cast<std::size_t>(row)].id;
    auto w = entry::takeTeaMarks(d);
    entry::setTeaMark(w, added, 1, 1, model::MarkPrefer);
    entry::deleteTeacher(d, row, &w);
    ASSERT_TRUE(entry::addTeacher(d, "又一个", &row).ok);
    const std::int64_t next = d.rows[static_cast<std::size_t>(row)].id;
    EXPECT_NE(next, added);
    EXPECT_EQ(entry::shownTeaMark(w, next, 1, 1), 0);
    entry::commitTeaMarks(d, w);
    EXPECT_EQ(d.rows[static_cast<std::size_t>(row)].marks, entry::TeaMarks{});
}

TEST(LoadTeachers, ListsTheFileAsLoadedWithCombinedLessons)
{
    TeacherSchool b;
    const TeaDraft d = entry::loadTeachers(b.store());
    ASSERT_EQ(d.rows.size(), 5u);
    EXPECT_EQ(d.rows[1].name, "张老师");
    EXPECT_EQ(entry::renkeText(d, 2),
              "共10节:   [1班\"语文\"4节]    [3班\"语文\"4节]    [1班\"体育\"2节+2班\"体育\"2节]");
    EXPECT_EQ(entry::renkeText(d, 1), "共3节:   [3班\"语文\"2节]    [3班\"音乐\"1节+4班\"音乐\"1节]");
    // 李's mark on Wednesday, the second day of a week that starts on Tuesday.
    EXPECT_EQ(d.rows[0].marks[entry::teaMarkAt(2, 1)], 2);
    const auto rows = entry::unassigned(d);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].caption, "3班");
    EXPECT_EQ(rows[1].caption, "体育");
    EXPECT_EQ(rows[1].remain, 3);
}

TEST(LoadTeachers, HandEditedRowsAreListedNotLost)
{
    TeacherSchool b;
    auto& s = b.store();
    s.run("UPDATE teabd SET teaid = 9 WHERE teaid = 3");  // a gap: 1, 2, 4, 5, 9
    s.run("UPDATE renkebd SET heban = -2 WHERE teaid = 5");
    s.run("INSERT INTO renkebd VALUES(50, 4, 2, 1, 0, 0)");  // no periods: no assignment
    TeaDraft d = entry::loadTeachers(s);
    ASSERT_EQ(d.rows.size(), 5u);
    EXPECT_EQ(d.rows[4].id, 9);
    EXPECT_EQ(entry::renkeText(d, 9), "共5节:   [4班\"语文\"5节]");
    EXPECT_EQ(entry::renkeText(d, 5), "共2节:   [2班\"音乐\"2节]");
    EXPECT_EQ(entry::renkeText(d, 4), "共1节:   [1班\"音乐\"1节]");
    bool listed = false;
    for (const auto& r : d.skipped)
        listed |= r.table == "renkebd" && r.reason.find("按不合班载入") != std::string::npos;
    EXPECT_TRUE(listed);
    int row = -1;
    ASSERT_TRUE(entry::addTeacher(d, "新", &row).ok);
    EXPECT_EQ(d.rows[static_cast<std::size_t>(row)].id, 10);

    // The save lists the same teachers and keeps 钱's assignment and lessons.
    ASSERT_TRUE(entry::saveTeachers(s, d).ok);
    EXPECT_TRUE(denseKeys(s, "teabd", "teaid"));
    EXPECT_EQ(s.scalar("SELECT count(*) FROM teabd"), 6);
    EXPECT_EQ(s.scalar("SELECT count(*) FROM kechenbd k JOIN teabd t ON t.teaid = k.thetea "
                       "WHERE t.teaname = '钱老师'"),
              2);
    EXPECT_EQ(s.scalar("SELECT count(*) FROM renkebd WHERE jieshu <= 0 OR heban < 0"), 0);
}

}  // namespace
