// The changes against the timetable loaded on entry: which timetables differ, how their
// moved lessons pair, combined lessons compared as one in a teacher's row; the side panels'
// choice and cells; the one-character texts of small cells.
#include <gtest/gtest.h>

#include <functional>

#include "support/fixture.h"
#include "support/school_builder.h"
#include "timetable/changes.h"
#include "timetable/kbdocument.h"
#include "timetable/moves.h"

using namespace tavrin;
using namespace tavrin::timetable;
using tavrin::testing::smallSchool;
using tavrin::testing::smallTimetable;

namespace {

// The small school (slots 1..4 Monday, 5..8 Tuesday):
//   class 1: 1 5 7 r0 张语, 3 4 r2 李体 (combined with class 2's r3)
//   class 2: 2 6 8 r1 张语, 3 4 r3
//   class 3: 1 5 r4 王语, 2 r5 李体
// 李's row holds r3 at 3 and 4, the member written last.

// A changed table as text: "B1" / "T2" followed by its moves "r:from>to".
std::string describe(const std::vector<ChangedTable>& tables)
{
    std::string out;
    for (const auto& t : tables) {
        if (!out.empty())
            out += " ";
        out += (t.side == KbSide::Ban ? "B" : "T") + std::to_string(t.id);
        if (!t.moves.empty()) {
            out += "[";
            for (std::size_t i = 0; i < t.moves.size(); ++i)
                out += (i ? "," : "") + std::to_string(t.moves[i].r) + ":" + std::to_string(t.moves[i].from) + ">" +
                       std::to_string(t.moves[i].to);
            out += "]";
        }
    }
    return out;
}

using Script = std::function<void(KbDocument&)>;

void ok(const MoveOutcome& o) { ASSERT_TRUE(o.result.ok) << o.result.message; }

struct ScriptCase {
    const char* name;
    std::function<void(model::School&, model::Grids&)> setup;
    Script script;
    std::string expected;
};

void holdR4AtFive(model::School&, model::Grids& g)
{
    g.Renke_B(3, 5) = -1;
    g.Renke_T(3, 5) = -1;
    g.RenkePlaced[4] = 1;
}

TEST(FindChanges, EditScriptsThroughTheMoves)
{
    const std::vector<ScriptCase> cases = {
        {"nothing changed on entry", {}, [](KbDocument&) {}, ""},
        {"a class exchange lists the class and both teachers", {},
         [](KbDocument& d) { ok(ChnBanJ(d, 3, 1, 2, true)); }, "B3[4:1>2,5:2>1] T2[5:2>1] T3[4:1>2]"},
        {"an exchange and its reverse", {},
         [](KbDocument& d) {
             ok(ChnBanJ(d, 3, 1, 2, true));
             ok(ChnBanJ(d, 3, 1, 2, true));
         },
         ""},
        {"a combined lesson exchanged on the teacher page: both classes move, the teacher once", {},
         [](KbDocument& d) { ok(ChnTeaJ(d, 2, 3, 1, true)); },
         "B1[0:1>3,2:3>1] B2[3:3>1] T1[0:1>3] T2[3:3>1]"},
        {"a combined lesson exchanged and back", {},
         [](KbDocument& d) {
             ok(ChnTeaJ(d, 2, 3, 1, true));
             ok(ChnTeaJ(d, 2, 1, 3, true));
         },
         ""},
        {"a combined lesson parked from one class and placed back from the other", {},
         [](KbDocument& d) {
             ok(MvKbToTmp(d, KbSide::Ban, 2, 3));
             ok(ChnBanJ_Tmp(d, 1, 2, 3, true));
         },
         ""},
        {"a teacher exchange across two classes", {},
         [](KbDocument& d) { ok(ChnTeaJ(d, 1, 1, 2, true)); }, "B1[0:1>2] B2[1:2>1] T1[0:1>2,1:2>1]"},
        {"a lesson to the holding area has no new time", {},
         [](KbDocument& d) { ok(MvKbToTmp(d, KbSide::Ban, 3, 1)); }, "B3[4:1>0] T3[4:1>0]"},
        {"taken off and placed elsewhere pairs the two", {},
         [](KbDocument& d) {
             ok(MvKbToTmp(d, KbSide::Ban, 3, 1));
             ok(ChnBanJ_Tmp(d, 3, 4, 3, true));
         },
         "B3[4:1>3] T3[4:1>3]"},
        {"a placement from the holding area alone gives no row", holdR4AtFive,
         [](KbDocument& d) { ok(ChnBanJ_Tmp(d, 3, 4, 3, true)); }, "B3 T3"},
        {"undo back to the loaded timetable", {},
         [](KbDocument& d) {
             ok(ChnBanJ(d, 3, 1, 2, true));
             ok(ChnTeaJ(d, 1, 1, 2, true));
             ASSERT_TRUE(d.undo());
             ASSERT_TRUE(d.undo());
         },
         ""},
        {"redo after undo lists the step again", {},
         [](KbDocument& d) {
             ok(ChnBanJ(d, 3, 1, 2, true));
             ASSERT_TRUE(d.undo());
             ASSERT_TRUE(d.redo());
         },
         "B3[4:1>2,5:2>1] T2[5:2>1] T3[4:1>2]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model::School s = smallSchool();
        model::Grids g = smallTimetable(s);
        if (c.setup)
            c.setup(s, g);
        KbDocument doc;
        doc.start(std::move(s), std::move(g));
        c.script(doc);
        EXPECT_EQ(describe(FindChanges(doc.data())), c.expected);
        // Without the moves: the same tables, no rows.
        std::string tables;
        for (const auto& t : FindChanges(doc.data(), false)) {
            EXPECT_TRUE(t.moves.empty());
            tables += std::string(tables.empty() ? "" : " ") + (t.side == KbSide::Ban ? "B" : "T") + std::to_string(t.id);
        }
        std::string expectedTables;
        for (const auto& t : FindChanges(doc.data()))
            expectedTables += std::string(expectedTables.empty() ? "" : " ") + (t.side == KbSide::Ban ? "B" : "T") +
                              std::to_string(t.id);
        EXPECT_EQ(tables, expectedTables);
    }
}

// A teacher row holds one member of a combined lesson; which one depends on the last write.
// The other member at the same slot is the same lesson: no change, painted as the class's own.
TEST(FindChanges, CombinedMembersInATeacherRowAreOneLesson)
{
    const model::School s = smallSchool();
    const model::Grids base = smallTimetable(s);
    model::Grids now = base;
    ASSERT_EQ(now.Renke_T(2, 3), 3);
    now.Renke_T(2, 3) = 2;  // class 1's member written last
    ChangeFinder f(s);
    EXPECT_EQ(describe(f.find({base.Renke_B, base.Renke_T}, {now.Renke_B, now.Renke_T})), "");
    EXPECT_FALSE(f.teaChanged({base.Renke_B, base.Renke_T}, {now.Renke_B, now.Renke_T}, 2));

    // Moving it off the slot reports the group once, named by the member the baseline held.
    now.Renke_T(2, 3) = -1;
    now.Renke_T(2, 2) = 5;
    EXPECT_EQ(describe(f.find({base.Renke_B, base.Renke_T}, {base.Renke_B, now.Renke_T})), "T2[3:3>0]");
    EXPECT_EQ(movedClassText(f, s, 3, KbSide::Tea), "一(1)班、一(2)班");
    EXPECT_EQ(movedClassText(f, s, 3, KbSide::Ban), "一(2)班");
}

// The edit scripts above that bring a combined lesson back leave the other member in the
// teacher's cell: the list stays empty because the group is compared, not the member.
TEST(FindChanges, BackAsLoadedWithTheOtherMemberInTheTeacherCell)
{
    for (int viaTeacherPage : {1, 0}) {
        SCOPED_TRACE(viaTeacherPage ? "teacher page exchange and back" : "parked and placed back");
        KbDocument doc;
        model::School s = smallSchool();
        model::Grids g = smallTimetable(s);
        doc.start(std::move(s), std::move(g));
        if (viaTeacherPage) {
            ok(ChnTeaJ(doc, 2, 3, 1, true));
            ok(ChnTeaJ(doc, 2, 1, 3, true));
        } else {
            ok(MvKbToTmp(doc, KbSide::Ban, 2, 3));
            ok(ChnBanJ_Tmp(doc, 1, 2, 3, true));
        }
        const KbData& kb = doc.data();
        EXPECT_EQ(kb.gridB(), kb.base.Renke_B);
        ASSERT_EQ(kb.base.Renke_T(2, 3), 3);
        EXPECT_EQ(kb.cellT(2, 3), 2);
        EXPECT_TRUE(FindChanges(kb).empty());
        // The panel of 李 beside class 1 paints the slot as class 1's own.
        ChangeFinder f(kb.school);
        EXPECT_TRUE(miniPanelCells(f, kb.school, {kb.gridB(), kb.gridT()}, KbSide::Ban, 1, 2)[3].own);
        EXPECT_TRUE(miniPanelCells(f, kb.school, {kb.gridB(), kb.gridT()}, KbSide::Ban, 2, 2)[3].own);
    }
}

// The pairing of one row: the k-th slot a lesson left with the k-th slot it arrived at.
TEST(FindChanges, PairingOfMovedLessons)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> classOne;  // class 1's row now: (slot, r); the rest empty
        std::string expected;
    };
    // Class 1 as loaded: r0 at 1 5 7, r2 at 3 4.
    const std::vector<Case> cases = {
        {"a lesson taken off", {{1, 0}, {3, 2}, {4, 2}, {5, 0}}, "B1[0:7>0]"},
        {"an arrival only", {{1, 0}, {2, 0}, {3, 2}, {4, 2}, {5, 0}, {7, 0}}, "B1"},
        {"two lessons of one assignment pair in slot order", {{2, 0}, {3, 2}, {4, 2}, {6, 0}, {7, 0}},
         "B1[0:1>2,0:5>6]"},
        {"the later departure takes the later arrival when three moved", {{3, 2}, {4, 2}, {6, 0}, {2, 0}, {8, 0}},
         "B1[0:1>2,0:5>6,0:7>8]"},
        {"a swap gives two rows", {{1, 0}, {3, 0}, {4, 2}, {5, 2}, {7, 0}}, "B1[2:3>5,0:5>3]"},
        {"a departure with no arrival of its own lesson keeps no new time", {{1, 0}, {3, 2}, {4, 2}, {5, 1}, {7, 0}},
         "B1[0:5>0]"},
    };
    const model::School s = smallSchool();
    const model::Grids base = smallTimetable(s);
    ChangeFinder f(s);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model::Array2<int> B = base.Renke_B;
        for (int slot = 1; slot <= s.N(); ++slot)
            B(1, slot) = -1;
        for (auto [slot, r] : c.classOne)
            B(1, slot) = r;
        // Only the class rows are compared here: the teacher grid stays as loaded.
        EXPECT_EQ(describe(f.find({base.Renke_B, base.Renke_T}, {B, base.Renke_T})), c.expected);
    }
}

TEST(FindChanges, SlotTimeTextsAsTheNoticesWriteThem)
{
    const model::School s = smallSchool();
    EXPECT_EQ(slotTimeText(s, 3), "星期一第3节");
    EXPECT_EQ(slotTimeText(s, 5), "星期二第1节");
    EXPECT_EQ(slotTimeText(s, 0), "");
    EXPECT_EQ(slotTimeText(s, 9), "");
}

// The baseline is the timetable loaded on entry: a save writes the file but leaves it.
TEST(FindChanges, ASaveLeavesTheList)
{
    tavrin::testing::SchoolBuilder b({1, 2}, 2, 0, 0);
    const int ji = b.ji("一年级");
    const int c1 = b.ban("一(1)班", ji);
    const int k = b.ke("语文");
    const int t = b.tea("张老师");
    b.renke(t, c1, k, 2);
    b.lesson(c1, 1, 1, t, k);
    b.lesson(c1, 2, 2, t, k);
    KbDocument doc;
    doc.load(b.store());
    ASSERT_TRUE(doc.loaded());
    EXPECT_EQ(describe(FindChanges(doc.data())), "");
    ok(ChnBanJ(doc, c1, 1, 2, true));
    const std::string before = describe(FindChanges(doc.data()));
    EXPECT_EQ(before, "B1[0:1>2] T1[0:1>2]");
    ASSERT_TRUE(doc.save(b.store()));
    EXPECT_EQ(describe(FindChanges(doc.data())), before);
}

// ---------------------------------------------------------------- the side panels

TEST(MiniPanels, WhichTimetablesStandBeside)
{
    struct Case {
        const char* name;
        std::function<void(model::School&, model::Grids&)> setup;
        KbSide page;
        int id;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {"class page: subjects in id order, not slot order",
         [](model::School& s, model::Grids& g) {  // class 3: 体 at 1, 语 at 2 and 5
             g = model::Grids{};
             g.reset(s);
             tavrin::testing::place(s, g, 5, 1);
             tavrin::testing::place(s, g, 4, 2);
             tavrin::testing::place(s, g, 4, 5);
         },
         KbSide::Ban, 3, {3, 2}},
        {"class page: two teachers of one subject, only the earlier lesson's",
         [](model::School& s, model::Grids&) { s.RenkeKe[5] = 1; },  // class 3: 王语 at 1 5, 李语 at 2
         KbSide::Ban, 3, {3}},
        {"class page: the earlier lesson's teacher even when it is the second assignment",
         [](model::School& s, model::Grids& g) {
             s.RenkeKe[5] = 1;
             g = model::Grids{};
             g.reset(s);
             tavrin::testing::place(s, g, 5, 1);
             tavrin::testing::place(s, g, 4, 2);
         },
         KbSide::Ban, 3, {2}},
        {"class page: a teacher of two subjects once", [](model::School& s, model::Grids&) { s.RenkeTea[2] = 1; },
         KbSide::Ban, 1, {1}},
        {"teacher page: classes in id order", {}, KbSide::Tea, 1, {1, 2}},
        {"teacher page: a combined lesson counts every class of its group, not the member held", {}, KbSide::Tea, 2,
         {1, 2, 3}},
        {"a timetable with no lessons has no panels",
         [](model::School& s, model::Grids& g) {
             g = model::Grids{};
             g.reset(s);
         },
         KbSide::Ban, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model::School s = smallSchool();
        model::Grids g = smallTimetable(s);
        if (c.setup)
            c.setup(s, g);
        ChangeFinder f(s);
        const auto got = c.page == KbSide::Ban ? banPanelTeachers(s, g.Renke_B, c.id) : teaPanelClasses(f, s, g.Renke_T, c.id);
        EXPECT_EQ(got, c.expected);
    }
}

TEST(MiniPanels, CellsShowTheAbbreviationAndWhoseLessonItIs)
{
    const model::School s = smallSchool();
    model::Grids g = smallTimetable(s);
    ChangeFinder f(s);
    // 李 beside class 1: his combined lesson at 3 and 4 is class 1's own, though his row
    // holds class 2's member; 体 at 2 is class 3's.
    auto cells = miniPanelCells(f, s, {g.Renke_B, g.Renke_T}, KbSide::Ban, 1, 2);
    ASSERT_EQ(cells.size(), 9u);
    EXPECT_EQ(cells[1], (MiniCell{"", -1, false}));
    EXPECT_EQ(cells[2], (MiniCell{"体", 5, false}));
    EXPECT_EQ(cells[3], (MiniCell{"体", 3, true}));
    EXPECT_EQ(cells[4], (MiniCell{"体", 3, true}));
    // Class 1 beside 李: 体 at 3 and 4 his, 语 at 1 5 7 张's.
    cells = miniPanelCells(f, s, {g.Renke_B, g.Renke_T}, KbSide::Tea, 1, 2);
    EXPECT_EQ(cells[1], (MiniCell{"语", 0, false}));
    EXPECT_EQ(cells[3], (MiniCell{"体", 2, true}));
    EXPECT_EQ(cells[6], (MiniCell{"", -1, false}));
    // Class 2 beside 张 (a lesson of someone else's class would be lighter).
    cells = miniPanelCells(f, s, {g.Renke_B, g.Renke_T}, KbSide::Ban, 2, 1);
    EXPECT_EQ(cells[1], (MiniCell{"语", 0, false}));
    EXPECT_EQ(cells[2], (MiniCell{"语", 1, true}));
}

TEST(MiniPanels, AbbreviationsTakeWholeCharacters)
{
    struct Case {
        const char* name;
        std::string shortName, fullName, expected;
    };
    const std::vector<Case> cases = {
        {"the short name", "语", "语文", "语"},
        {"a short name of two characters whole", "体育", "体育课", "体育"},
        {"no short name: the first character", "", "数学", "数"},
        {"an emoji outside the basic plane", "", "\xF0\x9F\x8E\xA8美术", "\xF0\x9F\x8E\xA8"},
        {"an emoji with a skin tone", "", "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD体育", "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"},
        {"a joined emoji sequence", "", "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x8E\xA8课",
         "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x8E\xA8"},
        {"a flag", "", "\xF0\x9F\x87\xA8\xF0\x9F\x87\xB3地理", "\xF0\x9F\x87\xA8\xF0\x9F\x87\xB3"},
        {"a letter with a combining accent", "", "e\xCC\x81tude", "e\xCC\x81"},
        {"an emoji with a variation selector", "", "\xE2\x9D\xA4\xEF\xB8\x8F爱", "\xE2\x9D\xA4\xEF\xB8\x8F"},
        {"an empty name: blank", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model::School s = smallSchool();
        s.KemuName2[1] = c.shortName;
        s.KemuName[1] = c.fullName;
        EXPECT_EQ(subjectAbbrev(s, 1), c.expected);
        EXPECT_EQ(lessonAbbrev(s, 0), c.expected);  // r0 is 语文
    }
    EXPECT_EQ(lessonAbbrev(smallSchool(), -1), "");
}

TEST(MiniPanels, DayHeadersTakeTheLastWholeCharacter)
{
    struct Case {
        const char* name;
        std::string weekName, expected;
    };
    const std::vector<Case> cases = {
        {"a weekday", "星期一", "一"},
        {"ending in a combining accent", "Dimanche\xCC\x81", "e\xCC\x81"},
        {"ending in an emoji with a skin tone", "周\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"},
        {"ending in a flag", "Mo\xF0\x9F\x87\xA8\xF0\x9F\x87\xB3", "\xF0\x9F\x87\xA8\xF0\x9F\x87\xB3"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model::School s = smallSchool();
        s.WeekName[1] = c.weekName;
        EXPECT_EQ(miniDayHeader(s, 1), c.expected);
    }
    EXPECT_EQ(miniDayHeader(smallSchool(), 2), "二");
    EXPECT_EQ(miniDayHeader(smallSchool(), 3), "");  // no such day
}

}  // namespace
