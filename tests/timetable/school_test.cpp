// The whole-school timetable and the assignment table: cell texts and colours, highlights
// over locks, hover, the pick list of a clicked cell (refusals, locked teachers, overflow,
// a list gone stale), the drop per mark, the drop image, the school-wide locks and the
// assignment table's counts.
#include <gtest/gtest.h>

#include <functional>

#include "support/fixture.h"
#include "support/kbgrids.h"
#include "timetable/kbdocument.h"
#include "timetable/kbdrag.h"
#include "timetable/schoolcells.h"

using namespace tavrin;
using namespace tavrin::timetable;
using tavrin::testing::gridBreaches;
using tavrin::testing::editedGrids;
using tavrin::testing::smallSchool;
using tavrin::testing::smallTimetable;

namespace {

using Prepare = std::function<void(model::School&, model::Grids&)>;

// The small school: slots 1..4 Monday, 5..8 Tuesday; periods 1-2 morning, 3-4 afternoon.
//   class 1: 1 5 7 r0 张语, 3 4 r2 李体 (combined with class 2)
//   class 2: 2 6 8 r1 张语, 3 4 r3
//   class 3: 1 5 r4 王语, 2 r5 李体
void startDoc(KbDocument& doc, const Prepare& setup = {})
{
    model::School s = smallSchool();
    model::Grids g = smallTimetable(s);
    if (setup)
        setup(s, g);
    doc.start(std::move(s), std::move(g));
}

void unplace(model::Grids& g, const model::School& s, int r, int slot)
{
    g.Renke_B(s.RenkeBan[r], slot) = -1;
    g.Renke_T(s.RenkeTea[r], slot) = -1;
    g.RenkePlaced[r] -= 1;
}

void expectSound(const KbData& kb)
{
    EXPECT_TRUE(gridBreaches(kb.school, editedGrids(kb)).empty());
}

int countInRow(const KbData& kb, int ban, int r)
{
    int n = 0;
    for (int s = 1; s <= kb.N(); ++s)
        n += kb.cellB(ban, s) == r;
    return n;
}

}  // namespace

TEST(SchoolCells, FixedLessonsLocksHighlightsAndBoxes)
{
    struct Case {
        const char* name;
        Prepare setup;
        int ban, slot;
        KbShow show;
        std::vector<int> hotTea, hotKe;
        SchoolCell::Kind kind;
        std::string text;
        SchoolColour fill;
        bool draggable;
    };
    const KbShow both{}, keOnly{true, false}, nameOnly{false, true}, none{false, false};
    const std::vector<Case> cases = {
        {"a lesson in the morning", {}, 1, 1, both, {}, {}, SchoolCell::Kind::Lesson, "语文\n（张老师）",
         SchoolColour::Morning, true},
        {"a lesson in the afternoon", {}, 1, 3, both, {}, {}, SchoolCell::Kind::Lesson, "体育\n（李老师）",
         SchoolColour::Afternoon, true},
        {"subject box only", {}, 1, 1, keOnly, {}, {}, SchoolCell::Kind::Lesson, "语文", SchoolColour::Morning, true},
        {"teacher box only", {}, 1, 1, nameOnly, {}, {}, SchoolCell::Kind::Lesson, "张老师", SchoolColour::Morning,
         true},
        {"no box", {}, 1, 1, none, {}, {}, SchoolCell::Kind::Lesson, "", SchoolColour::Morning, true},
        {"empty", {}, 1, 2, both, {}, {}, SchoolCell::Kind::Empty, "", SchoolColour::Morning, false},
        {"无课 is blank", [](model::School& s, model::Grids&) { s.GudinKe(3, 3) = "无课"; }, 3, 3, both, {}, {},
         SchoolCell::Kind::Fixed, "", SchoolColour::Fixed, false},
        {"a named fixed lesson", [](model::School& s, model::Grids&) { s.GudinKe(3, 3) = "班会"; }, 3, 3, both, {}, {},
         SchoolCell::Kind::Fixed, "班会", SchoolColour::Fixed, false},
        {"a fixed lesson of a locked class",
         [](model::School& s, model::Grids&) {
             s.GudinKe(3, 3) = "班会";
             s.BanLocked[3] = 1;
         },
         3, 3, both, {}, {}, SchoolCell::Kind::Fixed, "班会", SchoolColour::Locked, false},
        {"a locked class", [](model::School& s, model::Grids&) { s.BanLocked[1] = 1; }, 1, 1, both, {}, {},
         SchoolCell::Kind::Lesson, "语文\n（张老师）", SchoolColour::Locked, false},
        {"an empty cell of a locked class", [](model::School& s, model::Grids&) { s.BanLocked[1] = 1; }, 1, 2, both,
         {}, {}, SchoolCell::Kind::Empty, "", SchoolColour::Locked, false},
        {"a locked teacher in another class", [](model::School& s, model::Grids&) { s.TeaLocked[1] = 1; }, 2, 2, both,
         {}, {}, SchoolCell::Kind::Lesson, "语文\n（张老师）", SchoolColour::Locked, false},
        {"a locked teacher leaves others alone", [](model::School& s, model::Grids&) { s.TeaLocked[1] = 1; }, 3, 1,
         both, {}, {}, SchoolCell::Kind::Lesson, "语文\n（王老师）", SchoolColour::Morning, true},
        {"a highlighted teacher over a lock", [](model::School& s, model::Grids&) { s.BanLocked[1] = 1; }, 1, 1, both,
         {1}, {}, SchoolCell::Kind::Lesson, "语文\n（张老师）", SchoolColour::Hot, false},
        {"a highlighted subject", {}, 3, 2, both, {}, {2}, SchoolCell::Kind::Lesson, "体育\n（李老师）",
         SchoolColour::Hot, true},
        {"a highlight of another teacher", {}, 3, 2, both, {1}, {}, SchoolCell::Kind::Lesson, "体育\n（李老师）",
         SchoolColour::Morning, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model::School s = smallSchool();
        model::Grids g = smallTimetable(s);
        if (c.setup)
            c.setup(s, g);
        SchoolHot hot;
        for (int t : c.hotTea)
            hot.setTea(t, true);
        for (int k : c.hotKe)
            hot.setKe(k, true);
        const SchoolCell cell = schoolBanCell(s, g.Renke_B, c.ban, c.slot, c.show, hot);
        EXPECT_EQ(cell.kind, c.kind);
        EXPECT_EQ(cell.text, c.text);
        EXPECT_EQ(cell.fill, c.fill);
        EXPECT_EQ(cell.draggable, c.draggable);
        EXPECT_EQ(cell.textColour,
                  c.kind == SchoolCell::Kind::Fixed ? SchoolColour::FixedText : SchoolColour::White);
    }
}

TEST(SchoolCells, AssignmentTableIsBlackOnGreysAndLockedRowsAmber)
{
    model::School s = smallSchool();
    model::Grids g = smallTimetable(s);
    s.TeaLocked[3] = 1;
    struct Case {
        int tea, slot;
        std::string text;
        SchoolColour fill;
    } cases[] = {
        {1, 1, "语文\n（一(1)班）", SchoolColour::RkMorning},
        {2, 3, "体育\n（一(2)班）", SchoolColour::RkAfternoon},  // a combined lesson as the teacher page names it
        {1, 3, "", SchoolColour::RkAfternoon},
        {3, 1, "语文\n（二(1)班）", SchoolColour::Locked},
    };
    for (const Case& c : cases) {
        const SchoolCell cell = schoolTeaCell(s, g.Renke_T, c.tea, c.slot, {});
        EXPECT_EQ(cell.text, c.text) << c.tea << "/" << c.slot;
        EXPECT_EQ(cell.fill, c.fill) << c.tea << "/" << c.slot;
        EXPECT_EQ(cell.textColour, SchoolColour::Black);
        EXPECT_FALSE(cell.draggable);
        EXPECT_FALSE(cell.live);
    }
}

TEST(SchoolCells, ColoursAreTurnedRoundOnceAndHoverSaturates)
{
    EXPECT_EQ(schoolRgb(SchoolColour::Hot), 0xDB0000u);
    EXPECT_EQ(schoolRgb(SchoolColour::Locked), 0xF0C000u);
    EXPECT_EQ(schoolRgb(SchoolColour::PickOk), 0x429F15u);
    EXPECT_EQ(schoolRgb(SchoolColour::Morning), 0x6D6D6Du);
    // Adding 0x404040 to red would carry out of the red byte into teal; each channel stops.
    const std::pair<std::uint32_t, std::uint32_t> hover[] = {
        {0xDB0000, 0xFF4040}, {0x6D6D6D, 0xADADAD}, {0xF0C000, 0xFFFF40}, {0xFFFFFF, 0xFFFFFF}, {0, 0x404040}};
    for (auto [in, out] : hover)
        EXPECT_EQ(hoverRgb(in), out) << std::hex << in;
}

TEST(SchoolCounts, WeeklyLessonsPerTeacherAndTeachersPerSlot)
{
    model::School s = smallSchool();
    // A fourth teacher without lessons.
    s.TeaOldNum = 4;
    s.TeaName.push_back("赵老师");
    s.TeaName2 = s.TeaName;
    s.TeaLocked.assign(5, 0);
    model::Grids g = smallTimetable(s);
    const std::pair<int, int> week[] = {{1, 6}, {2, 3}, {3, 2}, {4, 0}};
    for (auto [t, n] : week)
        EXPECT_EQ(teacherWeekCount(s, g.Renke_T, t), n) << t;
    EXPECT_EQ(teachersPerSlot(s, g.Renke_T), (std::vector<int>{0, 2, 2, 1, 1, 2, 1, 1, 1}));
}

TEST(SchoolGeometry, MinimumSizesAndDropImagePlace)
{
    const model::WeekShape week{5, 4, 3, 2};  // 45 slots
    SchoolGeometry g = schoolGeometry(600, 30, week);
    EXPECT_EQ(g.w, 49);
    EXPECT_EQ(g.h, 33);
    g = schoolGeometry(30 + 45 * 101, 30, week);
    EXPECT_EQ(g.w, 100);
    EXPECT_EQ(g.h, 67);
    EXPECT_EQ(g.cell(2, 3), (KbRect{1 + 2 * 101, 1 + 68, 100, 67}));
    EXPECT_EQ(g.dayHeader(2), (KbRect{1 + 101 * 9, 1, 101 * 9 - 1, 67}));
    EXPECT_EQ(g.slotAt(g.cell(1, 45).left), 45);
    EXPECT_EQ(g.rowAt(g.cell(30, 1).top + 66), 30);
    EXPECT_EQ(g.rowAt(g.cell(1, 1).bottom()), 0);  // the grid line between rows
    // Below and to the right in the middle; above and to the left at the far corner.
    const KbRect mid = dropImageRect(g, 2, 3);
    EXPECT_EQ(mid.left, g.cell(2, 3).left);
    EXPECT_EQ(mid.top, g.cell(2, 3).bottom() + 4);
    const KbRect far = dropImageRect(g, 30, 45);
    EXPECT_EQ(far.left, g.cell(30, 45).left - 200);
    EXPECT_EQ(far.top, g.cell(30, 45).top - 90);
}

TEST(SchoolPick, EntriesRefusalsLocksAndOverflow)
{
    struct Case {
        const char* name;
        Prepare setup;
        int ban, slot;
        SchoolPicker::Click click;
        std::vector<std::pair<bool, std::string>> entries;  // enabled, hint
    };
    const std::vector<Case> cases = {
        {"a refusal is grey with its reason",
         [](model::School& s, model::Grids& g) { unplace(g, s, 0, 5); }, 1, 2, SchoolPicker::Click::Opened,
         {{false, "张老师在星期一第2节有课。"}}},
        {"a free teacher is offered", [](model::School& s, model::Grids& g) { unplace(g, s, 0, 5); }, 1, 5,
         SchoolPicker::Click::Opened, {{true, ""}}},
        {"a locked teacher's lesson is not offered",
         [](model::School& s, model::Grids& g) {
             unplace(g, s, 4, 5);
             s.TeaLocked[3] = 1;
         },
         3, 5, SchoolPicker::Click::Opened, {{false, "会影响已锁定的王老师。"}}},
        {"more lessons than slots",
         [](model::School& s, model::Grids&) {
             s.RenkeJieshu[4] = 11;
         },
         3, 3, SchoolPicker::Click::Overflow, {}},
        {"a locked class takes no click",
         [](model::School& s, model::Grids& g) {
             unplace(g, s, 4, 5);
             s.BanLocked[3] = 1;
         },
         3, 5, SchoolPicker::Click::Ignored, {}},
        {"a fixed lesson opens nothing", [](model::School& s, model::Grids&) { s.GudinKe(3, 3) = "班会"; }, 3, 3,
         SchoolPicker::Click::Fixed, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KbDocument doc;
        startDoc(doc, c.setup);
        SchoolPicker pick;
        EXPECT_EQ(pick.click(doc.data(), c.ban, c.slot, {}), c.click);
        ASSERT_EQ(pick.entries().size(), c.entries.size());
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            EXPECT_EQ(pick.entries()[i].enabled, c.entries[i].first);
            EXPECT_EQ(pick.entries()[i].hint, c.entries[i].second);
        }
    }
}

TEST(SchoolPick, SameCellClosesAnotherClassAtTheSlotMovesTheList)
{
    KbDocument doc;
    startDoc(doc, [](model::School& s, model::Grids& g) {
        unplace(g, s, 0, 5);
        unplace(g, s, 4, 1);
    });
    SchoolPicker pick;
    using C = SchoolPicker::Click;
    const struct {
        int ban, slot;
        C click;
        bool open;
    } steps[] = {
        {1, 5, C::Opened, true},  {1, 5, C::Closed, false}, {1, 5, C::Opened, true},
        {3, 5, C::Opened, true},  // the same slot in another class moves the list there
        {3, 1, C::Opened, true},  {3, 1, C::Closed, false},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(pick.click(doc.data(), s.ban, s.slot, {}), s.click) << s.ban << "/" << s.slot;
        EXPECT_EQ(pick.isOpen(), s.open);
        if (s.open) {
            EXPECT_EQ(pick.ban(), s.ban);
        }
    }
}

TEST(SchoolPick, ChoosingPlacesInOneStepAndLockedTeacherStaysUntouched)
{
    KbDocument doc;
    startDoc(doc, [](model::School& s, model::Grids& g) { unplace(g, s, 4, 5); });
    SchoolPicker pick;
    ASSERT_EQ(pick.click(doc.data(), 3, 6, {}), SchoolPicker::Click::Opened);
    ASSERT_EQ(pick.entries().size(), 1u);
    const MoveOutcome out = pick.choose(doc, 0);
    EXPECT_TRUE(out.result.ok) << out.result.message;
    EXPECT_EQ(doc.data().cellB(3, 6), 4);
    EXPECT_FALSE(pick.isOpen());
    EXPECT_TRUE(doc.canUndo());
    expectSound(doc.data());

    // The teacher is locked after the list was opened: the choice changes nothing.
    KbDocument locked;
    startDoc(locked, [](model::School& s, model::Grids& g) { unplace(g, s, 4, 5); });
    ASSERT_EQ(pick.click(locked.data(), 3, 6, {}), SchoolPicker::Click::Opened);
    locked.setTeaLocked(3, true);
    EXPECT_FALSE(pick.choose(locked, 0).result.ok);
    EXPECT_EQ(locked.data().cellB(3, 6), -1);
    EXPECT_FALSE(locked.canUndo());
}

TEST(SchoolPick, StaleListAfterUndoPlacesNothing)
{
    KbDocument doc;
    startDoc(doc);
    // 王's 语文 of class 3 to the holding area from Tuesday 1, a click on Tuesday 2, undo.
    ASSERT_TRUE(dropToHolding(doc, 3, 5, 10, 20).result.ok);
    SchoolPicker pick;
    ASSERT_EQ(pick.click(doc.data(), 3, 6, {}), SchoolPicker::Click::Opened);
    ASSERT_EQ(pick.entries().size(), 1u);
    ASSERT_TRUE(pick.entries()[0].enabled);
    ASSERT_TRUE(doc.undo().has_value());
    ASSERT_EQ(doc.data().cellB(3, 5), 4);
    const MoveOutcome out = pick.choose(doc, 0);
    EXPECT_FALSE(out.result.ok);
    EXPECT_EQ(countInRow(doc.data(), 3, 4), 2);
    EXPECT_EQ(doc.data().cellB(3, 6), -1);
    expectSound(doc.data());
}

TEST(SchoolDrop, DropImageKeepsThePlaceOfTheInstanceItBecomes)
{
    KbDocument doc;
    // Both of 王's lessons of class 3 are held; the pick list lists them twice.
    startDoc(doc, [](model::School& s, model::Grids& g) {
        unplace(g, s, 4, 1);
        unplace(g, s, 4, 5);
    });
    SchoolPicker pick;
    ASSERT_EQ(pick.click(doc.data(), 3, 6, {}), SchoolPicker::Click::Opened);
    ASSERT_EQ(pick.entries().size(), 2u);
    ASSERT_TRUE(pick.choose(doc, 0).result.ok);
    // One is held now: the parked lesson becomes instance 2, not 3 as the old list would say.
    const MoveOutcome out = dropToHolding(doc, 3, 6, 10, 20);
    ASSERT_TRUE(out.result.ok) << out.result.message;
    const KbData& kb = doc.data();
    EXPECT_EQ(kb.unplaced(4), 2);
    EXPECT_EQ(kb.TmpPosX_B(4, 2), 30);
    EXPECT_EQ(kb.TmpPosY_B(4, 2), 20);
    EXPECT_EQ(kb.TmpPosX_T(4, 2), 30);
    EXPECT_EQ(kb.TmpPosY_T(4, 2), 20);
    EXPECT_EQ(kb.TmpPosX_B(4, 3), 0);
    EXPECT_EQ(kb.UndoKb[static_cast<std::size_t>(kb.AtdoNum)], banPage(3));
    expectSound(kb);
}

TEST(SchoolDrop, EachMarkAndAnotherRow)
{
    struct Case {
        const char* name;
        Prepare setup;
        int ban, from, toBan, to;
        KbDrag::Drop drop;
        bool answer;   // the answer to the question
        bool changes;  // the drop exchanged the two cells
    };
    auto lockWang = [](model::School& s, model::Grids&) { s.TeaLocked[3] = 1; };
    auto roomLimit = [](model::School& s, model::Grids& g) {
        s.RenkeTea[5] = 3;
        g.Renke_T(2, 2) = -1;
        g.Renke_T(3, 2) = 5;
        s.KemuMaxJie[2] = 2;
    };
    const std::vector<Case> cases = {
        {"0 at the source", {}, 3, 1, 3, 1, KbDrag::Drop::Nothing, true, false},
        {"0 on a locked teacher's lesson", lockWang, 3, 2, 3, 1, KbDrag::Drop::Nothing, true, false},
        {"1 exchanges", {}, 3, 1, 3, 2, KbDrag::Drop::Apply, true, true},
        {"2 answered Yes", roomLimit, 3, 2, 3, 3, KbDrag::Drop::Ask, true, true},
        {"2 answered No", roomLimit, 3, 2, 3, 3, KbDrag::Drop::Ask, false, false},
        {"3 refused", {}, 1, 1, 1, 2, KbDrag::Drop::Nothing, true, false},
        {"4 the same assignment", {}, 1, 1, 1, 5, KbDrag::Drop::Nothing, true, false},
        {"another row", {}, 3, 1, 2, 1, KbDrag::Drop::Nothing, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KbDocument doc;
        startDoc(doc, c.setup);
        KbDrag drag;
        ASSERT_TRUE(drag.startCell(doc.data(), KbSide::Ban, c.ban, c.from));
        EXPECT_EQ(schoolDropOn(drag, c.toBan, c.to), c.drop);
        const int a = doc.data().cellB(c.ban, c.from), b = doc.data().cellB(c.ban, c.to);
        bool asked = false;
        const MoveOutcome out = schoolDrop(doc, drag, c.toBan, c.to, [&] {
            asked = true;
            return c.answer;
        });
        EXPECT_EQ(asked, c.drop == KbDrag::Drop::Ask);
        EXPECT_EQ(out.result.ok, c.changes);
        EXPECT_EQ(doc.canUndo(), c.changes);
        if (c.changes) {
            EXPECT_EQ(doc.data().cellB(c.ban, c.from), b);
            EXPECT_EQ(doc.data().cellB(c.ban, c.to), a);
        }
        expectSound(doc.data());
    }
}

TEST(SchoolLocks, LockAllThenUnlockAll)
{
    KbDocument doc;
    startDoc(doc, [](model::School& s, model::Grids&) { s.TeaLocked[2] = 1; });
    doc.lockAllBans();
    const KbData& kb = doc.data();
    for (int b = 1; b <= 3; ++b) {
        EXPECT_TRUE(kb.banLocked(b)) << b;
        for (int s = 1; s <= kb.N(); ++s)
            EXPECT_FALSE(schoolBanCell(kb.school, kb.gridB(), b, s, {}, {}).live) << b << "/" << s;
    }
    EXPECT_TRUE(kb.teaLocked(2));
    EXPECT_FALSE(kb.teaLocked(1));
    doc.unlockAll();
    for (int b = 1; b <= 3; ++b)
        EXPECT_FALSE(kb.banLocked(b)) << b;
    for (int t = 1; t <= 3; ++t)
        EXPECT_FALSE(kb.teaLocked(t)) << t;
    EXPECT_TRUE(schoolBanCell(kb.school, kb.gridB(), 3, 2, {}, {}).draggable);
}

TEST(SchoolText, BothTablesAsAReaderChecksThem)
{
    KbDocument doc;
    startDoc(doc, [](model::School& s, model::Grids&) { s.GudinKe(3, 3) = "无课"; });
    const std::string head = "\t星期一第1节\t星期一第2节\t星期一第3节\t星期一第4节"
                             "\t星期二第1节\t星期二第2节\t星期二第3节\t星期二第4节";
    EXPECT_EQ(renderSchoolText(doc.data(), false),
              "总课程表" + head +
                  "\n"
                  "一(1)班\t语文（张老师）\t\t体育（李老师）\t体育（李老师）\t语文（张老师）\t\t语文（张老师）\t\n"
                  "一(2)班\t\t语文（张老师）\t体育（李老师）\t体育（李老师）\t\t语文（张老师）\t\t语文（张老师）\n"
                  "二(1)班\t语文（王老师）\t体育（李老师）\t\t\t语文（王老师）\t\t\t\n");
    EXPECT_EQ(renderSchoolText(doc.data(), true),
              "总任课表" + head +
                  "\t周课时\n"
                  "张老师\t语文（一(1)班）\t语文（一(2)班）\t\t\t语文（一(1)班）\t语文（一(2)班）\t语文（一(1)班）\t语文（一(2)班）\t6\n"
                  "李老师\t\t体育（二(1)班）\t体育（一(2)班）\t体育（一(2)班）\t\t\t\t\t3\n"
                  "王老师\t语文（二(1)班）\t\t\t\t语文（二(1)班）\t\t\t\t2\n"
                  "上课教师\t2\t2\t1\t1\t2\t1\t1\t1\n");
}
