// Editing on the class and teacher pages, driven as the operator drives it: drags with the
// pointer onto cells and into the holding area, the question before a move with warnings,
// the locks and what they stop, undo and redo, and the same moves made with the keys.
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QtTest>

#include <functional>

#include "support/kbgrids.h"
#include "support/mousedrag.h"
#include "support/uitest.h"
#include "timetable/checker.h"
#include "timetable/kbdrag.h"
#include "timetable/moves.h"
#include "timetable/ui/kbdragcontroller.h"
#include "timetable/ui/kbholding.h"
#include "timetable_fixture.h"
#include "ui/kbstep.h"

using namespace tavrin;
using namespace tavrin::testing;
using timetable::KbLook;
using timetable::ui::KbHoldingArea;

namespace {

// The fixture's school (slot = (day - 1) * 5 + period; class 1: 1 6 11 语文 张, 2 数学 李 with
// one more held, 5 班会, 10 无课) with 王老师 teaching 初一(2)班 one 数学 at slot 4 and 数学
// limited to one class at a time: 初一(1)班's 数学 at slot 4 then needs the question.
// Assignments in class order: r0 语文 初一(1)班, r1 语文 初一(2)班, r2 数学 初一(1)班,
// r3 数学 初一(2)班 (王), r4 体育 初二(1)班 (王).
void editingSchool(store::Store& s)
{
    fillSchool(s);
    s.transaction([&] {
        s.run("INSERT INTO renkebd(difid, teaid, banid, keid, jieshu, heban) VALUES(4, 3, 2, 2, 1, 0)");
        s.run("INSERT INTO kemujieshu(kemuid, banid, jieshu) VALUES(2, 2, 1)");
        s.run("UPDATE kemubd SET maxjie = 1 WHERE kemuid = 2");
        s.run("INSERT INTO kechenbd(kechenid, theday, thejie, theban, thetea, theke, teshu) VALUES"
              " (10, 1, 4, 2, 3, 2, 30)");
    });
}

struct EditWindow : KbWindow {
    explicit EditWindow(store::Store& st, int userType = users::Operator) : KbWindow(st, userType)
    {
        w->openTimetable(ui::KbBan);
    }
    timetable::ui::KbDragController* ctl() const { return page->dragController(); }
    KbHoldingArea* area() const { return page->holdingBox()->area(); }
    timetable::KbDocument& doc() const { return w->kbStep().document(); }
    const timetable::KbData& kb() const { return doc().data(); }
};

QPoint centre(const EditWindow& w, int slot)
{
    return w.grid()->slotRect(slot).center();
}

// Grid pointer positions of other targets.
QPoint inArea(const EditWindow& w, const QPoint& areaPos)
{
    return w.grid()->mapFromGlobal(w.area()->mapToGlobal(areaPos));
}

void dragCell(EditWindow& w, int from, int to)
{
    dragWith(w.grid(), centre(w, from), centre(w, to));
}

void dragCellToArea(EditWindow& w, int from, const QPoint& areaPos)
{
    dragWith(w.grid(), centre(w, from), inArea(w, areaPos));
}

void dragHeld(EditWindow& w, int entry, const QPoint& toInArea)
{
    dragWith(w.area(), w.area()->tiles()[static_cast<std::size_t>(entry)].rect.center(), toInArea);
}

void dragHeldToCell(EditWindow& w, int entry, int slot)
{
    dragHeld(w, entry, w.area()->mapFromGlobal(w.grid()->mapToGlobal(centre(w, slot))));
}

void key(QWidget* w, int k, Qt::KeyboardModifiers m = Qt::NoModifier)
{
    QTest::keyClick(w, static_cast<Qt::Key>(k), m);
}

// The cursor from where it is to `slot`, with the arrows, in layout 1 (a column per day).
void arrowsTo(EditWindow& w, int slot)
{
    KbGrid* g = w.grid();
    const int P = g->periods();
    auto day = [P](int s) { return (s - 1) / P; };
    auto period = [P](int s) { return (s - 1) % P; };
    while (day(g->cursorSlot()) != day(slot))
        key(g, day(g->cursorSlot()) < day(slot) ? Qt::Key_Right : Qt::Key_Left);
    while (period(g->cursorSlot()) != period(slot))
        key(g, period(g->cursorSlot()) < period(slot) ? Qt::Key_Down : Qt::Key_Up);
}

// The grid rules hold (a confirmed warning may break a condition knowingly).
bool clean(const timetable::KbData& kb)
{
    const auto v = gridBreaches(kb.school, editedGrids(kb));
    for (const auto& x : v)
        qWarning("%s", x.c_str());
    return v.empty();
}

QPoint tileAt(const EditWindow& w, int r)
{
    for (int n = 1; n <= w.area()->count(); ++n)
        if (w.page->holdingList().TmpKe[static_cast<std::size_t>(n)] == r)
            return w.area()->tiles()[static_cast<std::size_t>(n)].rect.topLeft();
    return {-1, -1};
}

}  // namespace

class EditingUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dropsOnEachKindOfTarget_data();
    void dropsOnEachKindOfTarget();
    void aDragShowsTheMarksAndRestoresOnCancel();
    void noDragStartsWhereNothingMayMove();
    void aCellDroppedOnTheHoldingAreaShowsThereAndUndoBringsItBack();
    void movingAHeldLessonOnlyMovesIt();
    void aCornerDropFlows();
    void aHeldLessonOnAnOccupiedCellSwapsPlaces_data();
    void aHeldLessonOnAnOccupiedCellSwapsPlaces();
    void aClassLockStopsItsLessonsOnTheTeachersPages();
    void unlockAllClearsEarlierTeacherLocks();
    void aLockMarksTheStepChangedAndSurvivesSaveAndReentry();
    void undoOfATeacherStepShowsThatTeacher();
    void anOverflowingHoldingAreaStillSetsTheLockButtons();
    void keysMakeTheSameMovesAsThePointer_data();
    void keysMakeTheSameMovesAsThePointer();
    void keysReachTheHoldingAreaAndTheMenu();
    void aViewerMayDragAndLockButNotSave();
    void theWheelTurnsThePickerButNotDuringAMove();
};

// A drop acts on mark 1, and on mark 2 once the question is answered Yes; marks 0 (the
// source, a locked target), 3 and 4, a No, a header and the outside change nothing.
void EditingUiTest::dropsOnEachKindOfTarget_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");  // 0: the period header of Monday period 1; -1: far outside
    QTest::addColumn<bool>("lockLi");
    QTest::addColumn<int>("answer");  // 0 none asked, 1 Yes, 2 No
    QTest::addColumn<bool>("changes");
    QTest::newRow("mark 1 moves") << 1 << 3 << false << 0 << true;
    QTest::newRow("on itself") << 1 << 1 << false << 0 << false;
    QTest::newRow("mark 3, teacher busy") << 1 << 2 << false << 0 << false;
    QTest::newRow("mark 3, fixed lesson") << 1 << 5 << false << 0 << false;
    QTest::newRow("mark 4, same lesson") << 1 << 6 << false << 0 << false;
    QTest::newRow("mark 0, locked target") << 1 << 2 << true << 0 << false;
    QTest::newRow("mark 2 answered Yes") << 2 << 4 << false << 1 << true;
    QTest::newRow("mark 2 answered No") << 2 << 4 << false << 2 << false;
    QTest::newRow("a header") << 1 << 0 << false << 0 << false;
    QTest::newRow("outside the window") << 1 << -1 << false << 0 << false;
}

void EditingUiTest::dropsOnEachKindOfTarget()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, lockLi);
    QFETCH(int, answer);
    QFETCH(bool, changes);
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    if (lockLi)
        win.doc().setTeaLocked(2, true);
    win->setDataChanged(false);
    if (answer)
        win.asker.answer(answer == 1 ? ui::Answer::Yes : ui::Answer::No);
    const model::Grids before = editedGrids(win.kb());
    const QPoint target = to > 0 ? centre(win, to)
                                 : (to == 0 ? win.grid()->headerRect(0, 1).center() : QPoint(-4000, -4000));
    dragWith(win.grid(), centre(win, from), target);

    QVERIFY(!win.ctl()->active());
    QCOMPARE(win.asker.shown.size(), std::size_t(answer ? 1 : 0));
    if (answer) {
        QCOMPARE(win.asker.shown[0].title, QStringLiteral("手动调课"));
        QVERIFY(win.asker.shown[0].text.endsWith(QStringLiteral("\n真的要调课？")));
        QVERIFY(win.asker.shown[0].text.contains(QStringLiteral("数学")));
    }
    QVERIFY(win.asker.done());
    QCOMPARE(editedGrids(win.kb()) != before, changes);
    QCOMPARE(win.doc().canUndo(), changes);
    QCOMPARE(win->dataChanged(), changes);
    QVERIFY(clean(win.kb()));
    if (changes) {
        QCOMPARE(win.kb().cellB(1, to), before.Renke_B(1, from));
        QVERIFY(win.cell(to).startsWith(from == 1 ? QStringLiteral("语文") : QStringLiteral("数学")));
    }
    // Every picture is the page's own again.
    QVERIFY(!win.grid()->hasMarkLayer());
    QCOMPARE(win.grid()->targetSlot(), 0);
    QVERIFY(!win.ctl()->floatingCopy()->isVisible());
}

void EditingUiTest::aDragShowsTheMarksAndRestoresOnCancel()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    win.doc().setTeaLocked(2, true);
    KbGrid* g = win.grid();
    const KbLook fixedBefore = g->shownLook(5);
    // The pointer over a lesson that may move shows the hot picture, over a locked one not.
    mouse(g, QEvent::MouseMove, centre(win, 2), Qt::NoButton, Qt::NoButton);
    QCOMPARE(g->shownLook(2), KbLook::Locked);
    mouse(g, QEvent::MouseMove, centre(win, 1), Qt::NoButton, Qt::NoButton);
    QCOMPARE(g->shownLook(1), KbLook::Hot);
    QCOMPARE(g->shownLook(2), KbLook::Locked);
    mouse(g, QEvent::MouseButtonPress, centre(win, 1), Qt::LeftButton, Qt::LeftButton);
    mouse(g, QEvent::MouseMove, centre(win, 1) + QPoint(20, 2), Qt::NoButton, Qt::LeftButton);
    QVERIFY(win.ctl()->active());
    QCOMPARE(g->shownLook(1), KbLook::Blank);
    QVERIFY(!g->textShown(1));
    QCOMPARE(g->shownLook(2), KbLook::Locked);
    QCOMPARE(g->shownLook(3), KbLook::OkPai);
    QCOMPARE(g->shownLook(5), KbLook::Gudin);
    QCOMPARE(g->shownLook(6), KbLook::SamKe);
    QVERIFY(win.ctl()->floatingCopy()->isVisible());
    QCOMPARE(win.ctl()->floatingCopy()->text(), win.cell(1));
    QVERIFY(win.area()->dragging());

    // Over an accepting target: its picture, and the hint above the copy inside the page.
    mouse(g, QEvent::MouseMove, centre(win, 3), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(g->shownLook(3), KbLook::FromKe);
    mouse(g, QEvent::MouseMove, centre(win, 7), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(g->shownLook(3), KbLook::OkPai);
    QVERIFY2(g->shownLook(7) == KbLook::No, "a refused target never takes the target picture");
    QLabel* info = win.ctl()->hintPanel();
    QVERIFY(info->isVisible());
    QVERIFY(info->text().contains(QStringLiteral("张老师")));
    QVERIFY(win.page->rect().contains(info->geometry()));
    // A fixed lesson keeps its picture once the pointer has passed.
    mouse(g, QEvent::MouseMove, centre(win, 5), Qt::NoButton, Qt::LeftButton);
    mouse(g, QEvent::MouseMove, centre(win, 4), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(g->shownLook(5), KbLook::Gudin);

    key(g, Qt::Key_Escape);
    QVERIFY(!win.ctl()->active());
    QCOMPARE(g->shownLook(5), fixedBefore);
    QCOMPARE(g->shownLook(1), g->cell(1).look);
    QVERIFY(g->textShown(1));
    QVERIFY(!win.ctl()->floatingCopy()->isVisible());
    QVERIFY(!info->isVisible());
    QVERIFY(!win.area()->dragging());
    mouse(g, QEvent::MouseButtonRelease, centre(win, 4), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!win.doc().canUndo());
}

void EditingUiTest::noDragStartsWhereNothingMayMove()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    win.doc().setBanLocked(3, true);
    const model::Grids before = editedGrids(win.kb());
    struct Try {
        int slot;
        Qt::MouseButton button;
    };
    // Empty, fixed, a right-button drag; then the locked class's page.
    for (const Try& t : {Try{3, Qt::LeftButton}, Try{5, Qt::LeftButton}, Try{1, Qt::RightButton}}) {
        mouse(win.grid(), QEvent::MouseButtonPress, centre(win, t.slot), t.button, t.button);
        mouse(win.grid(), QEvent::MouseMove, centre(win, 4), Qt::NoButton, t.button);
        QVERIFY2(!win.ctl()->active(), qPrintable(QString::number(t.slot)));
        mouse(win.grid(), QEvent::MouseButtonRelease, centre(win, 4), t.button, Qt::NoButton);
    }
    win.page->showBan(3);
    dragCell(win, 3, 4);
    QVERIFY(!win.doc().canUndo());
    QVERIFY(editedGrids(win.kb()) == before);
}

void EditingUiTest::aCellDroppedOnTheHoldingAreaShowsThereAndUndoBringsItBack()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    const int w = win.grid()->geometry().cellW, h = win.grid()->geometry().cellH;
    const QPoint drop(w * 2 + 40, h / 2 + 4);
    dragCellToArea(win, 1, drop);
    QCOMPARE(win.kb().cellB(1, 1), -1);
    QVERIFY(clean(win.kb()));
    QCOMPARE(tileAt(win, 0), drop - QPoint(w / 2, h / 2));
    QVERIFY(win->dataChanged());

    // Ctrl+Z as the operator presses it.
    key(win.grid(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(win.kb().cellB(1, 1), 0);
    QCOMPARE(tileAt(win, 0), QPoint(-1, -1));
    QCOMPARE(win.cell(1), QStringLiteral("语文\n（张老师）"));
    QVERIFY(win.act("actRedoKb")->isEnabled());
    QVERIFY(!win.act("actUndoKb")->isEnabled());
    key(win.grid(), Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(win.kb().cellB(1, 1), -1);
}

void EditingUiTest::movingAHeldLessonOnlyMovesIt()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    win->setDataChanged(false);
    const int w = win.grid()->geometry().cellW, h = win.grid()->geometry().cellH;
    const model::Grids before = editedGrids(win.kb());
    const QPoint drop(w * 3, h / 2 + 3);
    dragHeld(win, 1, drop);
    QCOMPARE(tileAt(win, 2), drop - QPoint(w / 2, h / 2));
    QVERIFY(editedGrids(win.kb()) == before);
    QVERIFY(!win.doc().canUndo());
    QVERIFY(!win->dataChanged());
    // The place is the class page's: the teacher page keeps its own.
    win.page->showTea(2);
    QVERIFY(tileAt(win, 2) != drop - QPoint(w / 2, h / 2));
}

// A drop so close to the corner that the clamped place says "none" takes the flow's first place.
void EditingUiTest::aCornerDropFlows()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    const int h = win.grid()->geometry().cellH;
    dragCellToArea(win, 1, QPoint(2, 2));
    QCOMPARE(win.page->holdingList().TmpKe[1], 0);
    QCOMPARE(win.area()->tiles()[1].rect.topLeft(), QPoint(1, 1));
    // Near the left edge the place is clamped into the area, never negative: the second
    // 语文 held (entry 2) keeps its height and lies at the left edge.
    dragCellToArea(win, 6, QPoint(3, h / 2 + 14));
    QCOMPARE(win.page->holdingList().TmpKe[2], 0);
    QCOMPARE(win.area()->tiles()[2].rect.topLeft(), QPoint(0, 14));
}

void EditingUiTest::aHeldLessonOnAnOccupiedCellSwapsPlaces_data()
{
    QTest::addColumn<bool>("teacherPage");
    QTest::addColumn<int>("id");
    QTest::addColumn<QList<int>>("park");  // cells parked first, at chosen places
    QTest::addColumn<int>("lesson");       // the held assignment, then with two lessons held
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("occupant");
    // 初一(1)班: the placed 数学 joins the held one; 数学 goes onto 语文 at slot 1.
    QTest::newRow("class page") << false << 1 << QList<int>{2} << 2 << 1 << 0;
    // 王老师: both 体育 held; one goes onto his 数学 of 初一(2)班 at slot 4.
    QTest::newRow("teacher page") << true << 3 << QList<int>{3, 8} << 4 << 4 << 3;
}

// Two held lessons of one assignment stand apart; the first goes onto an occupied cell: the
// displaced lesson shows where the placed one was, the other held one keeps its place.
void EditingUiTest::aHeldLessonOnAnOccupiedCellSwapsPlaces()
{
    QFETCH(bool, teacherPage);
    QFETCH(int, id);
    QFETCH(QList<int>, park);
    QFETCH(int, lesson);
    QFETCH(int, target);
    QFETCH(int, occupant);
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    if (teacherPage)
        win.page->showTea(id);
    else
        win.page->showBan(id);
    const int w = win.grid()->geometry().cellW, h = win.grid()->geometry().cellH;
    const QPoint places[] = {{w * 3, h / 2 + 5}, {w * 2, h / 2 + 5}};
    for (int i = 0; i < park.size(); ++i)
        dragCellToArea(win, park[i], places[i]);
    if (park.size() < 2)
        dragHeld(win, 1, places[1]);
    QCOMPARE(win.area()->count(), 2);
    QCOMPARE(win.page->holdingList().TmpKe[1], lesson);
    const QPoint first = win.area()->tiles()[1].rect.topLeft(), second = win.area()->tiles()[2].rect.topLeft();
    QVERIFY(first != second);

    auto cellOf = [&](int slot) { return teacherPage ? win.kb().cellT(id, slot) : win.kb().cellB(id, slot); };
    QCOMPARE(cellOf(target), occupant);
    dragHeldToCell(win, 1, target);
    QVERIFY(win.asker.done());
    QVERIFY(clean(win.kb()));
    QCOMPARE(cellOf(target), lesson);
    QCOMPARE(win.area()->count(), 2);
    QCOMPARE(tileAt(win, lesson), second);
    QCOMPARE(tileAt(win, occupant), first);
}

void EditingUiTest::aClassLockStopsItsLessonsOnTheTeachersPages()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    win.find<QPushButton>("btnLock")->click();
    QVERIFY(win.find<QPushButton>("btnLock")->isHidden());
    QCOMPARE(win.grid()->cell(1).look, KbLook::Locked);
    QVERIFY(!win.area()->tiles()[1].cell.draggable);
    win.page->showTea(1);  // 张老师: slot 1 初一(1)班 (locked), slot 2 初一(2)班
    QVERIFY(!win.grid()->cell(1).draggable);
    QCOMPARE(win.grid()->cell(1).look, KbLook::Locked);
    QVERIFY(win.grid()->cell(2).draggable);
    dragCell(win, 1, 3);
    QVERIFY(!win.doc().canUndo());
    // 李老师's lesson of the locked class, too.
    win.page->showTea(2);
    QVERIFY(!win.grid()->cell(2).draggable);
}

void EditingUiTest::unlockAllClearsEarlierTeacherLocks()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    win.page->showTea(3);
    win.find<QPushButton>("btnLock")->click();
    QVERIFY(!win.find<QPushButton>("btnUnLock")->isHidden());
    win.doc().lockAllBans();
    QVERIFY(!win.find<QPushButton>("btnUnLock")->isHidden());
    win.page->showBan(2);
    QVERIFY(!win.find<QPushButton>("btnUnLock")->isHidden());
    win.doc().unlockAll();
    QVERIFY(win.find<QPushButton>("btnUnLock")->isHidden());
    win.page->showTea(3);
    QVERIFY(win.find<QPushButton>("btnUnLock")->isHidden());
    QVERIFY(win.grid()->cell(3).draggable);
    QVERIFY(!win.doc().canUndo());
}

// A lock is an edit only the save keeps: Return asks, and a saved lock is there on re-entry.
void EditingUiTest::aLockMarksTheStepChangedAndSurvivesSaveAndReentry()
{
    School school;
    editingSchool(*school.store);
    {
        EditWindow win(*school.store);
        win->setDataChanged(false);
        win.find<QPushButton>("btnLock")->click();
        QVERIFY(win->dataChanged());
        QVERIFY(!win.doc().canUndo());
        win.asker.answerSave(ui::SaveAnswer::Cancel);
        win->goBack();
        QCOMPARE(win.asker.shown.size(), std::size_t(1));
        QCOMPARE(win.asker.shown[0].kind, ScriptedAsker::Kind::Save);
        win.asker.clear();
        win.asker.answerSave(ui::SaveAnswer::Save);
        win->goBack();
        QVERIFY(!win->dataChanged());
        QCOMPARE(number(*school.store, "SELECT islock FROM banbd WHERE banid = 1"), 1);
    }
    EditWindow again(*school.store);
    QVERIFY(again.kb().banLocked(1));
    QVERIFY(!again.find<QPushButton>("btnUnLock")->isHidden());
}

void EditingUiTest::undoOfATeacherStepShowsThatTeacher()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    win.page->showTea(3);  // 王老师: 体育 初二(1)班 (r4) at 3 and 8, 数学 初一(2)班 (r3) at 4
    dragCell(win, 3, 1);
    QCOMPARE(win.kb().cellT(3, 1), 4);
    win.page->showBan(1);
    win.act("actUndoKb")->trigger();
    QCOMPARE(win.page->selKB(), int(ui::KbTea));
    QCOMPARE(win.page->nowTea(), 3);
    QCOMPARE(win.kb().cellT(3, 3), 4);
    QVERIFY(win->biaoButton(ui::KbTea)->isChecked());
    win.page->showBan(2);
    win.act("actRedoKb")->trigger();
    QCOMPARE(win.page->nowTea(), 3);
    QCOMPARE(win.kb().cellT(3, 1), 4);
}

// More held lessons than slots: the first N are shown, the lock buttons follow the teacher
// shown, and the message comes once per showing, not after every edit.
void EditingUiTest::anOverflowingHoldingAreaStillSetsTheLockButtons()
{
    School school;
    editingSchool(*school.store);
    school.store->run("UPDATE renkebd SET jieshu = 20 WHERE teaid = 2");
    school.store->run("UPDATE teabd SET islock = 1 WHERE teaid = 2");
    EditWindow win(*school.store);
    win.asker.clear();
    win.page->showTea(1);
    QVERIFY(win.asker.shown.empty());
    win.page->showTea(2);
    QCOMPARE(win.asker.texts(),
             QStringList{QStringLiteral("该教师未排课节太多，可能是课节空间未够容纳任课，未能全部列出！")});
    QVERIFY(!win.find<QPushButton>("btnUnLock")->isHidden());
    QVERIFY(win.find<QPushButton>("btnLock")->isHidden());
    QCOMPARE(win.area()->count(), 15);
    win.find<QPushButton>("btnUnLock")->click();
    win.page->redraw();
    QCOMPARE(win.asker.shown.size(), std::size_t(1));
    QVERIFY(!win.find<QPushButton>("btnLock")->isHidden());
    win.page->showTea(1);
    win.page->showTea(2);
    QCOMPARE(win.asker.shown.size(), std::size_t(2));
}

// Each pair: a pointer drag and the keys for the same move give the same timetable.
void EditingUiTest::keysMakeTheSameMovesAsThePointer_data()
{
    QTest::addColumn<QString>("move");
    QTest::newRow("cell to cell") << "cell";
    QTest::newRow("mark 2 with Yes") << "warn";
    QTest::newRow("held to cell") << "held";
    QTest::newRow("cell parked") << "park";
    QTest::newRow("cancelled") << "cancel";
}

void EditingUiTest::keysMakeTheSameMovesAsThePointer()
{
    QFETCH(QString, move);
    auto run = [&](bool keys, model::Grids& result) {
        School school;
        editingSchool(*school.store);
        EditWindow win(*school.store);
        KbGrid* g = win.grid();
        if (move == "warn")
            win.asker.answer(ui::Answer::Yes);
        if (keys) {
            g->setFocus();
            g->setCursorSlot(1);
            if (move == "cell" || move == "cancel") {
                key(g, Qt::Key_Return);
                arrowsTo(win, 3);
                QCOMPARE(g->shownLook(3), KbLook::FromKe);
                key(g, move == "cancel" ? Qt::Key_Escape : Qt::Key_Return);
            } else if (move == "warn") {
                arrowsTo(win, 2);
                key(g, Qt::Key_Space);
                arrowsTo(win, 4);
                key(g, Qt::Key_Return);
            } else if (move == "held") {
                win.area()->setFocus();
                win.area()->setCurrent(1);
                key(win.area(), Qt::Key_Return);
                QVERIFY(win.ctl()->byKeyboard());
                arrowsTo(win, 3);
                key(g, Qt::Key_Return);
            } else {
                key(g, Qt::Key_Delete);
            }
        } else {
            if (move == "cell")
                dragCell(win, 1, 3);
            else if (move == "cancel")
                dragWith(g, centre(win, 1), g->headerRect(0, 1).center());
            else if (move == "warn")
                dragCell(win, 2, 4);
            else if (move == "held")
                dragHeldToCell(win, 1, 3);
            else
                dragCellToArea(win, 1, QPoint(300, 40));
        }
        QVERIFY(win.asker.done());
        QVERIFY(clean(win.kb()));
        QVERIFY(!win.ctl()->active());
        result = editedGrids(win.kb());
    };
    model::Grids byPointer, byKeys;
    run(false, byPointer);
    run(true, byKeys);
    QVERIFY(byPointer == byKeys);
    // Every move but the cancelled one changes the timetable.
    QCOMPARE(byPointer.Renke_B(1, 1) == 0 && byPointer.Renke_B(1, 2) == 2 && byPointer.RenkePlaced[2] == 1,
             move == "cancel");
}

void EditingUiTest::keysReachTheHoldingAreaAndTheMenu()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    KbGrid* g = win.grid();
    g->setFocus();
    QVERIFY(g->hasFocus());
    QCOMPARE(g->cursorSlot(), 1);
    key(g, Qt::Key_Right);
    QCOMPARE(g->cursorSlot(), 6);
    key(g, Qt::Key_Down);
    QCOMPARE(g->cursorSlot(), 7);
    // Days as rows: right goes to the next period.
    win.page->setKbLayout(2);
    key(g, Qt::Key_Right);
    QCOMPARE(g->cursorSlot(), 8);
    key(g, Qt::Key_Down);
    QCOMPARE(g->cursorSlot(), 13);
    win.page->setKbLayout(1);
    key(g, Qt::Key_Tab);
    QVERIFY(win.area()->hasFocus());
    QCOMPARE(win.area()->current(), 1);
    // Shift+F10 opens the cell menu at the cursor with the go-to entry of that lesson.
    g->setFocus();
    g->setCursorSlot(1);
    key(g, Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(win.page->cellMenu()->isVisible());
    QCOMPARE(win.page->action("NGoKb")->text(), QStringLiteral("打开“张老师”(&A)"));
    win.page->cellMenu()->close();
    // Delete parks the cursor's lesson.
    g->setFocus();
    g->setCursorSlot(6);
    key(g, Qt::Key_Delete);
    QCOMPARE(win.kb().cellB(1, 6), -1);
    QCOMPARE(win.kb().unplaced(0), 1);
}

// The viewer edits in memory like anybody; only the save refuses him.
void EditingUiTest::aViewerMayDragAndLockButNotSave()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store, users::Viewer);
    dragCell(win, 1, 3);
    QCOMPARE(win.kb().cellB(1, 3), 0);
    win.find<QPushButton>("btnLock")->click();
    QVERIFY(win.kb().banLocked(1));
    QVERIFY(win.asker.shown.empty());
    win->save();
    QCOMPARE(win.asker.texts(), QStringList{kViewer});
    QCOMPARE(number(*school.store, "SELECT count(*) FROM kechenbd WHERE theday = 1 AND thejie = 3 AND theban = 1"), 0);
}

// The wheel over the grid shows the next or previous class as the picker would; during a
// keyboard move it changes nothing, and the move goes on.
void EditingUiTest::theWheelTurnsThePickerButNotDuringAMove()
{
    School school;
    editingSchool(*school.store);
    EditWindow win(*school.store);
    KbGrid* g = win.grid();
    auto wheel = [g](int delta) {
        const QPointF at = g->rect().center();
        QWheelEvent e(at, g->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(g, &e);
    };
    QCOMPARE(win.page->nowBan(), 1);
    wheel(-120);
    QCOMPARE(win.page->nowBan(), 2);
    wheel(120);
    QCOMPARE(win.page->nowBan(), 1);

    g->setFocus();
    g->setCursorSlot(1);
    key(g, Qt::Key_Return);
    QVERIFY(win.ctl()->byKeyboard());
    wheel(-120);
    QCOMPARE(win.page->nowBan(), 1);
    QVERIFY(win.ctl()->byKeyboard());
    key(g, Qt::Key_Escape);
    QVERIFY(!win.ctl()->active());
}

QTEST_MAIN(EditingUiTest)
#include "editing_ui_test.moc"
