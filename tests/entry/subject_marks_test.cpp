// The time-mark dialog's logic over subjects: what a cell shows for a scope, the click
// cycle, setting over a scope, clearing, committing or dropping the copy, and a deleted
// subject leaving nothing behind for the next one.
#include <gtest/gtest.h>

#include "entry/kemumarks.h"
#include "entry/subjectdraft.h"
#include "subject_fixture.h"

using namespace tavrin;
using namespace tavrin::testing;
using entry::KemuDraft;
using entry::MarkWork;
using entry::Scope;

namespace {

constexpr int kVaries = entry::kMarkVaries;

KemuDraft fixtureDraft()
{
    SubjectSchool b;
    return entry::loadSubjects(b.store());
}

// What the dialog shows at every node of the scope tree for one cell: school, the two
// groups, the four classes.
std::vector<int> tree(const KemuDraft& d, const MarkWork& w, std::int64_t ke, int day, int jie)
{
    std::vector<int> out{entry::shownMark(d, w, ke, Scope::school(), day, jie)};
    for (int g = 0; g < static_cast<int>(d.groups.size()); ++g)
        out.push_back(entry::shownMark(d, w, ke, Scope::group(g), day, jie));
    for (int k = 0; k < static_cast<int>(d.classes.size()); ++k)
        out.push_back(entry::shownMark(d, w, ke, Scope::cls(k), day, jie));
    return out;
}

struct MarkCase {
    const char* name;
    std::function<void(const KemuDraft&, MarkWork&)> act;  // on subject 1, Wednesday (day 2) period 4
    std::vector<int> shown;                                 // school, 初一, 初二, the four classes
};

TEST(SubjectMarks, ScopesTable)
{
    const KemuDraft d = fixtureDraft();
    const std::int64_t ke = d.rows[0].id;
    const int day = 2, jie = 4;
    auto click = [&](MarkWork& w, Scope s) {
        entry::setMark(d, w, ke, s, day, jie, entry::nextMark(entry::shownMark(d, w, ke, s, day, jie)));
    };
    const MarkCase cases[] = {
        {"untouched", [](const KemuDraft&, MarkWork&) {}, {0, 0, 0, 0, 0, 0, 0}},
        {"一定排 for the school, then 不排 for one class",
         [&](const KemuDraft&, MarkWork& w) {
             entry::setMark(d, w, ke, Scope::school(), day, jie, 2);
             entry::setMark(d, w, ke, Scope::cls(1), day, jie, 3);
         },
         {kVaries, kVaries, 2, 2, 3, 2, 2}},
        {"a click on a differing cell sets none over its scope",
         [&](const KemuDraft&, MarkWork& w) {
             entry::setMark(d, w, ke, Scope::cls(0), day, jie, 1);
             entry::setMark(d, w, ke, Scope::cls(3), day, jie, 2);
             click(w, Scope::group(0));
         },
         {kVaries, 0, 2, 0, 0, 0, 2}},
        {"a click on a differing school sets none everywhere",
         [&](const KemuDraft&, MarkWork& w) {
             entry::setMark(d, w, ke, Scope::cls(3), day, jie, 2);
             click(w, Scope::school());
         },
         {0, 0, 0, 0, 0, 0, 0}},
        {"one click on a group", [&](const KemuDraft&, MarkWork& w) { click(w, Scope::group(1)); },
         {kVaries, 0, 1, 0, 0, 0, 1}},
        {"a group mark overwrites its classes without a question",
         [&](const KemuDraft&, MarkWork& w) {
             entry::setMark(d, w, ke, Scope::cls(2), day, jie, 1);
             entry::setMark(d, w, ke, Scope::group(0), day, jie, 3);
         },
         {kVaries, 3, 0, 3, 3, 3, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MarkWork w = entry::takeMarks(d);
        c.act(d, w);
        EXPECT_EQ(tree(d, w, ke, day, jie), c.shown);
    }
}

TEST(SubjectMarks, FourClicksComeBackToNone)
{
    const KemuDraft d = fixtureDraft();
    MarkWork w = entry::takeMarks(d);
    const std::int64_t ke = d.rows[1].id;
    std::vector<int> seen;
    for (int n = 0; n < 4; ++n) {
        const int next = entry::nextMark(entry::shownMark(d, w, ke, Scope::cls(2), 3, 3));
        entry::setMark(d, w, ke, Scope::cls(2), 3, 3, next);
        seen.push_back(entry::shownMark(d, w, ke, Scope::cls(2), 3, 3));
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ(entry::nextMark(kVaries), 0);
}

TEST(SubjectMarks, StoredMarksShowOnTheirDayNumber)
{
    const KemuDraft d = fixtureDraft();
    const MarkWork w = entry::takeMarks(d);
    // 数学 (ID 2) is marked "尽量排" for 初一1班 on Tuesday period 2, day number 1 here.
    EXPECT_EQ(entry::shownMark(d, w, 2, Scope::cls(0), 1, 2), 1);
    EXPECT_EQ(entry::shownMark(d, w, 2, Scope::cls(0), 2, 2), 0);
    // and "不排" for 初二1班 on Saturday period 8, day number 5.
    EXPECT_EQ(entry::shownMark(d, w, 2, Scope::group(1), 5, 8), 3);
    EXPECT_EQ(entry::shownMark(d, w, 2, Scope::school(), 5, 8), kVaries);
}

TEST(SubjectMarks, ClearingWithOneClassSelectedClearsEveryClass)
{
    KemuDraft d = fixtureDraft();
    MarkWork w = entry::takeMarks(d);
    const std::int64_t ke = d.rows[2].id;
    entry::setMark(d, w, ke, Scope::school(), 4, 6, 2);
    entry::clearMarks(d, w, ke);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(entry::shownMark(d, w, ke, Scope::cls(k), 4, 6), 0);
        EXPECT_EQ(entry::shownMark(d, w, ke, Scope::cls(k), 5, 8), 0);  // the stored 不排 too
        EXPECT_EQ(entry::shownMark(d, w, ke, Scope::cls(k), 1, 3), 0);
    }
    // Other subjects keep theirs.
    EXPECT_EQ(entry::shownMark(d, w, d.rows[0].id, Scope::cls(3), 5, 8), 3);
    EXPECT_TRUE(entry::commitMarks(d, w));
    EXPECT_TRUE(std::all_of(d.rows[2].marks.begin(), d.rows[2].marks.end(), [](auto m) { return m == 0; }));
}

TEST(SubjectMarks, OkCommitsEverySubjectSteppedThroughAndCancelNone)
{
    const KemuDraft original = fixtureDraft();
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "确定" : "取消");
        KemuDraft d = original;
        MarkWork w = entry::takeMarks(d);  // once per showing; stepping does not copy again
        for (const auto& r : original.rows)
            entry::setMark(d, w, r.id, Scope::cls(2), 3, 5, 2);
        if (ok) {
            EXPECT_TRUE(entry::commitMarks(d, w));
        }
        for (std::size_t i = 0; i < d.rows.size(); ++i)
            EXPECT_EQ(d.rows[i].marks[KemuDraft::markAt(2, 3, 5)], ok ? 2 : 0) << d.rows[i].name;
        EXPECT_EQ(d.rows[0].marks[KemuDraft::markAt(0, 1, 1)], 1);  // stored marks stay
    }
}

// A subject deleted while the dialog is open does not hand its marks to the next subject,
// which takes the same provisional ID.
TEST(SubjectMarks, ADeletedSubjectsMarksDoNotComeBack)
{
    KemuDraft d = fixtureDraft();
    int added = -1;
    ASSERT_TRUE(entry::addSubject(d, &added).ok);
    const std::int64_t id = d.rows[static_cast<std::size_t>(added)].id;
    d.rows[static_cast<std::size_t>(added)].name = "书法";
    MarkWork w = entry::takeMarks(d);
    entry::setMark(d, w, id, Scope::school(), 1, 1, 2);
    ASSERT_EQ(entry::shownMark(d, w, id, Scope::school(), 1, 1), 2);

    entry::deleteSubject(d, added, &w);
    ASSERT_TRUE(entry::addSubject(d, &added).ok);
    ASSERT_EQ(d.rows[static_cast<std::size_t>(added)].id, id);  // the freed ID again
    EXPECT_EQ(entry::shownMark(d, w, id, Scope::school(), 1, 1), 0);
    entry::commitMarks(d, w);
    const auto& marks = d.rows[static_cast<std::size_t>(added)].marks;
    EXPECT_TRUE(std::all_of(marks.begin(), marks.end(), [](auto m) { return m == 0; }));
    // The new subject can be marked in the same copy.
    entry::setMark(d, w, id, Scope::cls(0), 2, 2, 1);
    EXPECT_EQ(entry::shownMark(d, w, id, Scope::cls(0), 2, 2), 1);
}

}  // namespace
