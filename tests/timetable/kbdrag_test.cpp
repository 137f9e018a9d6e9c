// A drag as the pages run it, without widgets: what each target accepts and what a drop on
// it does, the pictures of the cells meanwhile, the lock commands, and the remembered places
// of held lessons when one is placed, parked or moved.
#include <gtest/gtest.h>

#include <optional>

#include "support/fixture.h"
#include "support/kbgrids.h"
#include "timetable/cells.h"
#include "timetable/checker.h"
#include "timetable/kbdocument.h"
#include "timetable/kbdrag.h"
#include "timetable/moves.h"

using namespace tavrin;
using namespace tavrin::timetable;
using tavrin::testing::smallSchool;
using tavrin::testing::smallTimetable;

namespace {

// The small school: slots 1..4 Monday, 5..8 Tuesday (periods 1..4); teachers 张 1, 李 2, 王 3.
//   class 1: 1 r0 张语, 3 4 r2 李体 (combined with class 2), 5 7 r0
//   class 2: 2 6 8 r1 张语, 3 4 r3
//   class 3: 1 5 r4 王语, 2 r5 李体
template <class F>
void startDoc(KbDocument& doc, F setup)
{
    model::School s = smallSchool();
    model::Grids g = smallTimetable(s);
    setup(s, g);
    doc.start(std::move(s), std::move(g));
}
void startDoc(KbDocument& doc)
{
    startDoc(doc, [](model::School&, model::Grids&) {});
}

struct Recorder : KbListener {
    std::vector<KbChange> seen;
    void kbChanged(const KbChange& c) override { seen.push_back(c); }
};

}  // namespace

TEST(KbLocks, LockAllTouchesClassesOnlyAndUnlockAllClearsTeachersToo)
{
    KbDocument doc;
    startDoc(doc);
    doc.setTeaLocked(2, true);
    Recorder rec;
    doc.addListener(&rec);

    doc.lockAllBans();
    const KbData& kb = doc.data();
    for (int ban = 1; ban <= 3; ++ban)
        EXPECT_TRUE(kb.banLocked(ban)) << ban;
    EXPECT_TRUE(kb.teaLocked(2));
    EXPECT_FALSE(kb.teaLocked(1));
    ASSERT_EQ(rec.seen.size(), 1u);
    EXPECT_EQ(rec.seen[0].kind, KbChange::Kind::Lock);
    EXPECT_EQ(rec.seen[0].bans, (std::vector<int>{1, 2, 3}));

    doc.unlockAll();
    for (int ban = 1; ban <= 3; ++ban)
        EXPECT_FALSE(kb.banLocked(ban)) << ban;
    EXPECT_FALSE(kb.teaLocked(2));
    ASSERT_EQ(rec.seen.size(), 2u);
    EXPECT_EQ(rec.seen[1].teas, (std::vector<int>{2}));
    // Nothing left to unlock: no notification, and locks never made an undo step.
    doc.unlockAll();
    EXPECT_EQ(rec.seen.size(), 2u);
    EXPECT_FALSE(doc.canUndo());
    doc.removeListener(&rec);
}

TEST(KbLocks, AHeldCombinedLessonIsLockedByItsPartnersClass)
{
    KbDocument doc;
    startDoc(doc, [](model::School&, model::Grids& g) {
        for (int c : {1, 2})
            g.Renke_B(c, 3) = -1;
        g.Renke_T(2, 3) = -1;
        g.RenkePlaced[2] = 1;
        g.RenkePlaced[3] = 1;
    });
    const KbData& kb = doc.data();
    EXPECT_FALSE(heldLocked(kb, 2));
    doc.setBanLocked(2, true);
    // Placing class 1's share would bring class 2's along.
    EXPECT_TRUE(heldLocked(kb, 2));
    const KbCell c = heldCell(kb, 2, KbSide::Ban, {});
    EXPECT_FALSE(c.draggable);
    EXPECT_EQ(c.look, KbLook::Locked);
    EXPECT_FALSE(heldLocked(kb, 0)) << "another class's lesson stays free";
    KbHolding held = listHolding(kb, KbSide::Ban, 1);
    KbDrag drag;
    EXPECT_FALSE(drag.startHeld(kb, KbSide::Ban, 1, held, 1));
}

// What a drop does on each kind of target. Mark 0 marks both the source and a target in a
// locked timetable, and only the source may take it, as a drop that changes nothing.
TEST(KbDragDrops, OnlyMarkOneOrAConfirmedTwoActs)
{
    struct Case {
        const char* name;
        bool lockWang;
        bool roomLimit;
        int ban, from, to;
        int mark;
        KbDrag::Drop drop;
        std::optional<KbLook> look;
    };
    const Case cases[] = {
        {"the source", false, false, 3, 1, 1, MarkSource, KbDrag::Drop::Nothing, KbLook::Blank},
        {"allowed", false, false, 3, 1, 2, MarkOk, KbDrag::Drop::Apply, KbLook::OkPai},
        {"refused", false, false, 1, 1, 2, MarkRefused, KbDrag::Drop::Nothing, KbLook::No},
        {"the same assignment", false, false, 1, 1, 5, MarkSame, KbDrag::Drop::Nothing, KbLook::SamKe},
        {"a locked target", true, false, 3, 2, 1, MarkSource, KbDrag::Drop::Nothing, KbLook::Locked},
        {"a warning", false, true, 3, 2, 3, MarkWarn, KbDrag::Drop::Ask, KbLook::LimPai},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KbDocument doc;
        startDoc(doc, [&](model::School& s, model::Grids& g) {
            if (c.lockWang)
                s.TeaLocked[3] = 1;
            if (c.roomLimit) {
                s.RenkeTea[5] = 3;
                g.Renke_T(2, 2) = -1;
                g.Renke_T(3, 2) = 5;
                s.KemuMaxJie[2] = 2;
            }
        });
        KbDrag drag;
        ASSERT_TRUE(drag.startCell(doc.data(), KbSide::Ban, c.ban, c.from));
        EXPECT_EQ(drag.mark(c.to), c.mark);
        EXPECT_EQ(drag.dropOn(c.to), c.drop);
        EXPECT_EQ(drag.look(c.to), c.look);
        EXPECT_EQ(drag.accepts(c.to), c.to == c.from || c.mark == MarkOk || c.mark == MarkWarn);
        // Over an accepting target its picture is the target's, elsewhere it keeps its mark's.
        drag.setOver(c.to);
        if (c.to != c.from) {
            EXPECT_EQ(drag.look(c.to), drag.accepts(c.to) ? std::optional(KbLook::FromKe) : c.look);
        }

        const model::Array2<int> before = doc.data().gridB();
        const MoveOutcome out = drag.apply(doc, c.to, true);
        EXPECT_EQ(out.result.ok, c.drop != KbDrag::Drop::Nothing) << out.result.message;
        EXPECT_EQ(doc.canUndo(), c.drop != KbDrag::Drop::Nothing);
        if (c.drop == KbDrag::Drop::Nothing)
            EXPECT_TRUE(doc.data().gridB() == before);
        else
            EXPECT_TRUE(tavrin::testing::gridBreaches(doc.data().school, tavrin::testing::editedGrids(doc.data())).empty());
    }
}

TEST(KbDragDrops, NoDragStartsOnAnEmptyFixedOrLockedCell)
{
    KbDocument doc;
    startDoc(doc, [](model::School& s, model::Grids&) {
        s.GudinKe(2, 1) = "班会";
        s.BanLocked[3] = 1;
    });
    KbDrag drag;
    EXPECT_FALSE(drag.startCell(doc.data(), KbSide::Ban, 1, 2)) << "empty";
    EXPECT_FALSE(drag.startCell(doc.data(), KbSide::Ban, 2, 1)) << "fixed";
    EXPECT_FALSE(drag.startCell(doc.data(), KbSide::Ban, 3, 1)) << "locked class";
    // The locked class's lessons are locked on its teacher's page too.
    EXPECT_FALSE(drag.startCell(doc.data(), KbSide::Tea, 3, 1)) << "locked class on the teacher page";
    EXPECT_FALSE(drag.startCell(doc.data(), KbSide::Ban, 9, 1)) << "no such class";
    EXPECT_FALSE(drag.active());
    EXPECT_TRUE(drag.startCell(doc.data(), KbSide::Ban, 1, 1));
}

TEST(KbHoldingPlaces, PositionsOutsideTheWeeklyCountAreIgnored)
{
    KbDocument doc;
    startDoc(doc);
    const KbData& kb = doc.data();
    const int jieshu = kb.school.RenkeJieshu[0];
    doc.setHoldingPlace(false, 0, jieshu, 40, 50);
    EXPECT_EQ(kb.TmpPosX_B(0, jieshu), 40);
    const model::Array2<int> x = kb.TmpPosX_B, y = kb.TmpPosY_B;
    for (int k : {0, jieshu + 1, kb.TmpPosX_B.size2(), -1})
        doc.setHoldingPlace(false, 0, k, 70, 80);
    for (int r : {-1, kb.school.renkeSize()})
        doc.setHoldingPlace(false, r, 1, 70, 80);
    EXPECT_TRUE(kb.TmpPosX_B == x);
    EXPECT_TRUE(kb.TmpPosY_B == y);
}

// Held instances after the placed one move up, so that every lesson still held keeps its
// place on screen, on both pages; the displaced lesson shows where the placed one was.
TEST(KbHoldingPlaces, PlacementShiftsTheRestAndTheDisplacedTakesThePlace)
{
    KbDocument doc;
    startDoc(doc);
    const KbData& kb = doc.data();
    for (int k = 1; k <= 3; ++k) {
        doc.setHoldingPlace(false, 0, k, 100 * k, 20);
        doc.setHoldingPlace(true, 0, k, 100 * k, 90);
    }
    doc.holdingAfterPlacement(0, 2, 4, 0);
    const int wantX[] = {0, 100, 300, 200};
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(kb.TmpPosX_B(0, k), wantX[k]) << k;
        EXPECT_EQ(kb.TmpPosX_T(0, k), wantX[k]) << k;
    }
    EXPECT_EQ(kb.TmpPosX_B(4, 1), 200);
    EXPECT_EQ(kb.TmpPosY_B(4, 1), 20);
    EXPECT_EQ(kb.TmpPosY_T(4, 1), 90);
}
