// The class and teacher timetable pages, driven as the operator drives them: entering the
// step, the grid in both layouts, the content boxes, the pickers and their buttons, the
// search, back and forward, the cell menu's go-to, locks, the save, the page menu, leaving.
#include "model/school.h"
#include "store/store.h"
#include "timetable/cells.h"
#include "timetable/history.h"
#include "timetable/kbdata.h"
#include "timetable/layout.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "ui/kbart.h"
#include "ui/kbgrid.h"
#include "timetable/ui/kbholding.h"
#include "timetable/ui/timetablepage.h"
#include "spreadsheet/ui/tfrmprkb.h"
#include "ui/widgets.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "support/uitest.h"
#include "timetable_fixture.h"

using namespace tavrin;
using namespace tavrin::testing;
using timetable::KbLook;
using timetable::ui::KbGrid;
using timetable::ui::TimetablePage;


class TimetableUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void enteringShowsClassOne();
    void enteringForTheTeacherTableShowsTeacherOne();
    void fixedLessonsAndLocksLookApart();
    void layoutRadioStoresTheSettingAndLaysTheGridOut_data();
    void layoutRadioStoresTheSettingAndLaysTheGridOut();
    void resizingLaysTheGridOutAgain();
    void contentBoxesChangeTheCells();
    void pickerButtonsStopAtTheEnds();
    void backAndForwardFollowTheVisits();
    void searchPicksTheFirstMatch_data();
    void searchPicksTheFirstMatch();
    void searchBoxStartsEmptyOnTheOtherTable();
    void cellMenuGoesToTheOtherSide();
    void saveWritesTheTimetableAndLocks();
    void viewerCannotSave();
    void pageMenuFollowsTheButtons();
    void switchButtonsLeadToTheOtherTables();
    void leavingReleasesAndReenteringReloads();
    void rowsWithoutASlotOrAssignmentAreNotShown();
    void tooManyWaitingLessonsAreReported();
    void subjectColoursAreStableAcrossPages();
    void heldLessonsAreDrawnAsHeld();
    void pickersMarkWhoHoldsLessons();
    void redoAnswersTheCommonKeys();
    void exportButtonOpensTheDialogOnTheTimetableShown();
};

void TimetableUiTest::enteringShowsClassOne()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    QCOMPARE(win->currentIndex(), 6);
    TimetablePage* p = win.page;
    QVERIFY(p->stepLoaded());
    QCOMPARE(p->selKB(), 1);
    QCOMPARE(p->nowBan(), 1);
    QVERIFY(win->biaoButton(1)->isChecked());
    QCOMPARE(win->status(), kHint);
    QVERIFY(!win->dataChanged());

    // Pickers: item i is id i + 1.
    auto* cbbBan = win.find<QComboBox>("cbbBan");
    auto* cbbTea = win.find<QComboBox>("cbbTea");
    QCOMPARE(cbbBan->count(), 3);
    QCOMPARE(cbbBan->itemText(0), QStringLiteral("初一(1)班"));
    QCOMPARE(cbbTea->count(), 3);
    QCOMPARE(cbbTea->itemText(0), QStringLiteral("张老师"));
    QVERIFY(!cbbBan->isHidden());
    QVERIFY(cbbTea->isHidden());
    QCOMPARE(win.find<QCheckBox>("chkShow2")->text(), QStringLiteral("显示教师"));

    // The grid: title, headers, lessons.
    KbGrid* g = win.grid();
    QCOMPARE(g->slotCount(), 15);
    // 李老师's second 数学 is held: the title counts it.
    QCOMPARE(g->cornerText(), QStringLiteral("初一(1)班 4/5节 · 1节未排"));
    QCOMPARE(g->periodHeader(1), QStringLiteral("第1节\n08:00-08:45"));
    QCOMPARE(g->periodHeader(2), QStringLiteral("第2节"));
    QCOMPARE(g->dayHeader(3), QStringLiteral("星期三"));
    QCOMPARE(win.cell(1), QStringLiteral("语文\n（张老师）"));
    QCOMPARE(win.cell(2), QStringLiteral("数学\n（李老师）"));
    QCOMPARE(win.cell(11), QStringLiteral("语文\n（张老师）"));
    QCOMPARE(win.cell(3), QString());
    QVERIFY(g->cell(1).draggable);

    // 李老师's second 数学 waits in the holding area.
    auto* held = p->holdingBox()->area();
    QCOMPARE(held->count(), 1);
    QCOMPARE(held->tiles()[1].cell.text, QStringLiteral("数学\n（李老师）"));
    QCOMPARE(held->fontSize(), g->fontSize());
    QCOMPARE(held->tiles()[1].rect.size(), g->slotRect(1).size());

    // Nothing to go back to, nothing to undo.
    for (const char* a : {"actPrevKb", "actNextKb", "actUndoKb", "actRedoKb"})
        QVERIFY2(!win.act(a)->isEnabled(), a);
    QVERIFY(!win.find<QPushButton>("btnLock")->isHidden());
    QVERIFY(win.find<QPushButton>("btnUnLock")->isHidden());
    QVERIFY(win.asker.shown.empty());
}

void TimetableUiTest::enteringForTheTeacherTableShowsTeacherOne()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbTea);
    QCOMPARE(win->currentIndex(), 6);
    QCOMPARE(win.page->selKB(), 2);
    QVERIFY(win->biaoButton(2)->isChecked());
    QCOMPARE(win.find<QCheckBox>("chkShow2")->text(), QStringLiteral("显示班级"));
    QVERIFY(win.find<QComboBox>("cbbBan")->isHidden());
    QVERIFY(!win.find<QComboBox>("cbbTea")->isHidden());
    QCOMPARE(win.grid()->cornerText(), QStringLiteral("张老师 6节"));
    QCOMPARE(win.cell(2), QStringLiteral("语文\n（初一(2)班）"));
    QCOMPARE(win.cell(5), QString());  // no fixed lessons on a teacher's timetable
    QVERIFY(win.grid()->cell(5).enabled);
    // The class page was shown first, so back leads there.
    QVERIFY(win.act("actPrevKb")->isEnabled());
}

void TimetableUiTest::fixedLessonsAndLocksLookApart()
{
    School school;
    fillSchool(*school.store);
    school.store->run("UPDATE teabd SET islock = 1 WHERE teaid = 2");
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    KbGrid* g = win.grid();
    // 班会 shows its name, "无课" is blank; both are fixed and take nothing.
    QCOMPARE(win.cell(5), QStringLiteral("班会"));
    QCOMPARE(g->cell(5).look, KbLook::Gudin);
    QVERIFY(!g->cell(5).enabled);
    QCOMPARE(win.cell(10), QString());
    QCOMPARE(g->cell(10).look, KbLook::Gudin);
    QVERIFY(!g->cell(10).enabled);
    // 李老师 is locked: his lesson in class 1 is locked, the others are not.
    QCOMPARE(g->cell(2).look, KbLook::Locked);
    QVERIFY(!g->cell(2).draggable);
    QCOMPARE(g->cell(1).look, KbLook::Normal);
    QCOMPARE(win.page->holdingBox()->area()->tiles()[1].cell.look, KbLook::Locked);

    // Locking the class turns every cell locked; the fixed lessons stay closed.
    win.find<QPushButton>("btnLock")->click();
    for (int s = 1; s <= 15; ++s) {
        QCOMPARE(g->cell(s).look, KbLook::Locked);
        QVERIFY(!g->cell(s).draggable);
    }
    QVERIFY(!g->cell(5).enabled);
    QVERIFY(win.find<QPushButton>("btnLock")->isHidden());
    QVERIFY(!win.find<QPushButton>("btnUnLock")->isHidden());
    QVERIFY(win->dataChanged());  // only the save keeps a lock

    // On 张老师's page only the lessons of the locked class are locked.
    win.page->showTea(1);
    QCOMPARE(g->cell(1).look, KbLook::Locked);
    QCOMPARE(g->cell(2).look, KbLook::Normal);
    QVERIFY(g->cell(2).draggable);
    QCOMPARE(g->cell(3).look, KbLook::Normal);

    win.page->showBan(1);
    win.find<QPushButton>("btnUnLock")->click();
    QCOMPARE(g->cell(1).look, KbLook::Normal);
    QCOMPARE(g->cell(5).look, KbLook::Gudin);
}

void TimetableUiTest::layoutRadioStoresTheSettingAndLaysTheGridOut_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("stored");
    QTest::newRow("days as rows") << 2 << QStringLiteral("日行");
    QTest::newRow("days as columns") << 1 << QStringLiteral("日列");
}

void TimetableUiTest::layoutRadioStoresTheSettingAndLaysTheGridOut()
{
    QFETCH(int, layout);
    QFETCH(QString, stored);
    School school;
    fillSchool(*school.store);
    // Start from the other layout, so that the click changes it.
    timetable::storeKbLayout(*school.store, 3 - layout);
    KbWindow win(*school.store);
    win->show();
    win->openTimetable(ui::KbBan);
    QVERIFY(QTest::qWaitForWindowExposed(win.w.get()));
    QCOMPARE(win.page->kbLayout(), 3 - layout);
    QCOMPARE(layoutOf(win.grid()), 3 - layout);
    QVERIFY(win.find<QRadioButton>(layout == 1 ? "rbShow2" : "rbShow1")->isChecked());

    win.find<QRadioButton>(layout == 1 ? "rbShow1" : "rbShow2")->click();
    QCOMPARE(win.page->kbLayout(), layout);
    QCOMPARE(setting(*school.store), stored);
    QCOMPARE(number(*school.store, "SELECT count(*) FROM setting WHERE setName = '课表显示'"), 1);
    KbGrid* g = win.grid();
    QCOMPARE(layoutOf(g), layout);
    const timetable::KbGridLayout geo = timetable::layoutKbGrid(layout, g->width(), g->height(), {3, 2, 2, 1});
    QVERIFY(geo.w > 0);
    for (int s = 1; s <= 15; ++s) {
        const timetable::KbRect r = geo.slot(s);
        QCOMPARE(g->slotRect(s), QRect(r.left, r.top, r.width, r.height));
        QCOMPARE(g->slotAt(g->slotRect(s).center()), s);
    }
    // Slot 3 is Monday period 3, the first of the afternoon: a column per day puts it below
    // period 2 past the gap, a row per day to its right.
    if (layout == 1)
        QCOMPARE(g->slotRect(3).top(), g->slotRect(2).bottom() + 1 + timetable::kSectionGap);
    else
        QCOMPARE(g->slotRect(3).left(), g->slotRect(2).right() + 1 + timetable::kSectionGap);
    QCOMPARE(win.find<QWidget>("scrlbxMinFrm")->width(), (layout == 1 ? 3 : 5) * 21 + 46);

    // The home page reads the setting again; the next entry opens in it.
    win->goBack();
    win->openTimetable(ui::KbBan);
    QCOMPARE(win.page->kbLayout(), layout);
    QCOMPARE(layoutOf(win.grid()), layout);
}

void TimetableUiTest::resizingLaysTheGridOutAgain()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->show();
    win->openTimetable(ui::KbBan);
    QVERIFY(QTest::qWaitForWindowExposed(win.w.get()));
    KbGrid* g = win.grid();
    const QSize before = g->slotRect(1).size();
    win->resize(win->width() + 200, win->height() + 120);
    QTRY_VERIFY(g->slotRect(1).size() != before);
    const timetable::KbGridLayout geo = timetable::layoutKbGrid(1, g->width(), g->height(), {3, 2, 2, 1});
    QCOMPARE(g->slotRect(15), QRect(geo.slot(15).left, geo.slot(15).top, geo.w, geo.h));
    QCOMPARE(g->fontSize(), geo.fontSize);
    // The held lesson follows the new cell size.
    QCOMPARE(win.page->holdingBox()->area()->tiles()[1].rect.size(), QSize(geo.w, geo.h));
}

void TimetableUiTest::contentBoxesChangeTheCells()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    auto* ke = win.find<QCheckBox>("chkShow1");
    auto* name = win.find<QCheckBox>("chkShow2");
    ke->click();
    QCOMPARE(win.cell(1), QStringLiteral("张老师"));
    QCOMPARE(win.page->holdingBox()->area()->tiles()[1].cell.text, QStringLiteral("李老师"));
    name->click();
    QCOMPARE(win.cell(1), QString());
    ke->click();
    QCOMPARE(win.cell(1), QStringLiteral("语文"));
    win.page->showTea(1);
    name->click();
    QCOMPARE(win.cell(1), QStringLiteral("语文\n（初一(1)班）"));
}

void TimetableUiTest::pickerButtonsStopAtTheEnds()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    auto* prev = win.find<QToolButton>("btnPrevKbCom");
    auto* next = win.find<QToolButton>("btnNextKbCom");
    auto* cbbBan = win.find<QComboBox>("cbbBan");
    prev->click();  // already the first: nothing
    QCOMPARE(win.page->nowBan(), 1);
    next->click();
    QCOMPARE(win.page->nowBan(), 2);
    QCOMPARE(cbbBan->currentIndex(), 1);
    QCOMPARE(win.grid()->cornerText(), QStringLiteral("初一(2)班 3节"));
    next->click();
    next->click();  // past the last: nothing
    QCOMPARE(win.page->nowBan(), 3);
    QCOMPARE(win.grid()->cornerText(), QStringLiteral("初二(1)班 2节"));
    QCOMPARE(win.page->holdingBox()->area()->count(), 0);

    // A pick in the box itself shows that class.
    cbbBan->setCurrentIndex(0);
    QCOMPARE(win.page->nowBan(), 1);
    QCOMPARE(win.grid()->cornerText(), QStringLiteral("初一(1)班 4/5节 · 1节未排"));
}

void TimetableUiTest::backAndForwardFollowTheVisits()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    TimetablePage* p = win.page;
    QAction* back = win.act("actPrevKb");
    QAction* fwd = win.act("actNextKb");
    win.find<QComboBox>("cbbBan")->setCurrentIndex(2);  // class 3
    win->biaoButton(2)->click();                         // teacher 1
    QCOMPARE(p->selKB(), 2);
    win.find<QComboBox>("cbbTea")->setCurrentIndex(2);  // teacher 3
    QVERIFY(back->isEnabled());
    QVERIFY(!fwd->isEnabled());

    back->trigger();
    QCOMPARE(p->selKB(), 2);
    QCOMPARE(p->nowTea(), 1);
    back->trigger();
    QCOMPARE(p->selKB(), 1);
    QCOMPARE(p->nowBan(), 3);
    QVERIFY(win->biaoButton(1)->isChecked());
    QCOMPARE(win.find<QComboBox>("cbbBan")->currentIndex(), 2);
    QCOMPARE(win.find<QCheckBox>("chkShow2")->text(), QStringLiteral("显示教师"));
    back->trigger();
    QCOMPARE(p->nowBan(), 1);
    QVERIFY(!back->isEnabled());
    QVERIFY(fwd->isEnabled());
    back->trigger();  // unavailable: nothing
    QCOMPARE(p->nowBan(), 1);

    fwd->trigger();
    fwd->trigger();
    QCOMPARE(p->selKB(), 2);
    QCOMPARE(p->nowTea(), 1);
    QVERIFY(win->biaoButton(2)->isChecked());
    QCOMPARE(win.grid()->cornerText(), QStringLiteral("张老师 6节"));
    // Going back and forward adds nothing: the history still ends at teacher 3.
    QCOMPARE(p->history().current(), timetable::teaPage(1));
    fwd->trigger();
    QCOMPARE(p->nowTea(), 3);
    QVERIFY(!fwd->isEnabled());
}

void TimetableUiTest::searchPicksTheFirstMatch_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("shown");
    QTest::newRow("several classes match") << 1 << QStringLiteral("初") << 1;
    QTest::newRow("later class") << 1 << QStringLiteral("初二") << 3;
    QTest::newRow("digit") << 1 << QStringLiteral("(2)") << 2;
    QTest::newRow("no match stays") << 1 << QStringLiteral("高三") << 2;
    QTest::newRow("prompt text") << 1 << QStringLiteral("查找班级") << 2;
    QTest::newRow("teacher") << 2 << QStringLiteral("王") << 3;
    QTest::newRow("every teacher matches") << 2 << QStringLiteral("老师") << 1;
}

void TimetableUiTest::searchPicksTheFirstMatch()
{
    QFETCH(int, table);
    QFETCH(QString, text);
    QFETCH(int, shown);
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(table);
    // Start from the second entry, so that staying and moving differ.
    win.find<QToolButton>("btnNextKbCom")->click();
    win.find<QLineEdit>("edtFnKebiao")->setText(text);
    QCOMPARE(table == 1 ? win.page->nowBan() : win.page->nowTea(), shown);
    QCOMPARE(win.find<QComboBox>(table == 1 ? "cbbBan" : "cbbTea")->currentIndex(), shown - 1);
    QCOMPARE(win.page->history().current(), table == 1 ? timetable::banPage(shown) : timetable::teaPage(shown));
}

void TimetableUiTest::searchBoxStartsEmptyOnTheOtherTable()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    auto* box = win.find<QLineEdit>("edtFnKebiao");
    box->setText(QStringLiteral("初二"));
    QCOMPARE(win.page->nowBan(), 3);
    // Another class of the same table keeps what was typed.
    win.find<QComboBox>("cbbBan")->setCurrentIndex(1);
    QCOMPARE(win.page->nowBan(), 2);
    QCOMPARE(box->text(), QStringLiteral("初二"));
    win->biaoButton(2)->click();
    QVERIFY(box->text().isEmpty());
    QCOMPARE(box->placeholderText(), QStringLiteral("查找教师"));
    box->setText(QStringLiteral("王"));
    QCOMPARE(win.page->nowTea(), 3);
    win->biaoButton(1)->click();
    QVERIFY(box->text().isEmpty());
    QCOMPARE(win.page->nowBan(), 2);
}

void TimetableUiTest::cellMenuGoesToTheOtherSide()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    TimetablePage* p = win.page;
    QAction* go = p->cellMenu()->findChild<QAction*>("NGoKb");
    QVERIFY(go);
    QCOMPARE(go->text(), QStringLiteral("转至.."));

    // An empty cell offers nothing.
    QCOMPARE(p->prepareCellMenu(3), 0);
    QVERIFY(!go->isVisible());
    // 数学 at slot 2 is 李老师's.
    QCOMPARE(p->prepareCellMenu(2), 2);
    QVERIFY(go->isVisible());
    QCOMPARE(go->text(), QStringLiteral("打开“李老师”(&A)"));
    go->trigger();
    QCOMPARE(p->selKB(), 2);
    QCOMPARE(p->nowTea(), 2);
    QCOMPARE(win.find<QComboBox>("cbbTea")->currentIndex(), 1);
    QVERIFY(win->biaoButton(2)->isChecked());
    // A held lesson offers its teacher's class on the teacher page.
    QCOMPARE(p->prepareCellMenu(1, true), 1);
    QCOMPARE(go->text(), QStringLiteral("打开“初一(1)班”(&A)"));
    // From the teacher page a lesson leads to its class.
    win.page->showTea(3);
    QCOMPARE(p->prepareCellMenu(8), 3);
    QCOMPARE(go->text(), QStringLiteral("打开“初二(1)班”(&A)"));
    go->trigger();
    QCOMPARE(p->selKB(), 1);
    QCOMPARE(p->nowBan(), 3);
    QCOMPARE(win.find<QComboBox>("cbbBan")->currentIndex(), 2);
}

void TimetableUiTest::saveWritesTheTimetableAndLocks()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    win.find<QPushButton>("btnLock")->click();  // class 1
    win.page->showTea(3);
    win.find<QPushButton>("btnLock")->click();  // 王老师
    win->setDataChanged(true);

    win->save();
    QCOMPARE(win.asker.texts(), QStringList{QStringLiteral("保存完成。")});
    QVERIFY(!win->dataChanged());
    QVERIFY(win->isEnabled());
    QCOMPARE(number(*school.store, "SELECT islock FROM banbd WHERE banid = 1"), 1);
    QCOMPARE(number(*school.store, "SELECT islock FROM banbd WHERE banid = 2"), 0);
    QCOMPARE(number(*school.store, "SELECT islock FROM teabd WHERE teaid = 3"), 1);
    // Rows in class, then slot order, numbered from 1, without scores.
    QStringList rows;
    auto q = school.store->prepare("SELECT kechenid, theday, thejie, theban, thetea, theke, teshu FROM kechenbd ORDER BY kechenid");
    while (q.step())
        rows << QStringLiteral("%1:%2/%3 %4 %5 %6 %7")
                    .arg(q.integer(0))
                    .arg(q.integer(1))
                    .arg(q.integer(2))
                    .arg(q.integer(3))
                    .arg(q.integer(4))
                    .arg(q.integer(5))
                    .arg(q.integer(6));
    QCOMPARE(rows, (QStringList{"1:1/1 1 1 1 0", "2:1/2 1 2 2 0", "3:2/1 1 1 1 0", "4:3/1 1 1 1 0", "5:1/2 2 1 1 0",
                                "6:2/2 2 1 1 0", "7:3/2 2 1 1 0", "8:1/3 3 3 3 0", "9:2/3 3 3 3 0"}));
    // The page goes on showing what it showed.
    QCOMPARE(win.page->nowTea(), 3);
    QCOMPARE(win.grid()->cornerText(), QStringLiteral("王老师 2节"));
}

void TimetableUiTest::viewerCannotSave()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store, users::Viewer);
    win->openTimetable(ui::KbBan);
    win.find<QPushButton>("btnLock")->click();
    win->save();
    QCOMPARE(win.asker.texts(), QStringList{kViewer});
    QCOMPARE(number(*school.store, "SELECT islock FROM banbd WHERE banid = 1"), 0);
    QCOMPARE(number(*school.store, "SELECT teshu FROM kechenbd WHERE kechenid = 3"), 1000);
}

void TimetableUiTest::pageMenuFollowsTheButtons()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    QMenu* m = win.page->pageMenu();
    QVERIFY(m);
    QStringList captions;
    for (QAction* a : m->actions())
        if (!a->isSeparator())
            captions << a->text();
    QCOMPARE(captions, (QStringList{"保存", "返回", "锁定", "解锁", "前一页", "后一页", "撤消", "重做", "班级表", "教师表",
                                    "总课程表", "总任课表", "导出Excel打印", "帮助"}));
    auto entry = [&](const char* caption) {
        for (QAction* a : m->actions())
            if (a->text() == QString::fromUtf8(caption))
                return a;
        qFatal("no entry %s", caption);
        return static_cast<QAction*>(nullptr);
    };
    Q_EMIT m->aboutToShow();
    QVERIFY(entry("锁定")->isVisible());
    QVERIFY(!entry("解锁")->isVisible());
    QVERIFY(!entry("前一页")->isEnabled());
    QVERIFY(!entry("撤消")->isEnabled());

    entry("教师表")->trigger();
    QCOMPARE(win.page->selKB(), 2);
    entry("锁定")->trigger();
    Q_EMIT m->aboutToShow();
    QVERIFY(!entry("锁定")->isVisible());
    QVERIFY(entry("解锁")->isVisible());
    QVERIFY(entry("前一页")->isEnabled());
    QVERIFY(!entry("后一页")->isEnabled());
    entry("前一页")->trigger();
    QCOMPARE(win.page->selKB(), 1);
    Q_EMIT m->aboutToShow();
    QVERIFY(entry("后一页")->isEnabled());
}

void TimetableUiTest::switchButtonsLeadToTheOtherTables()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    win.page->showTea(2);
    win->biaoButton(3)->click();
    QCOMPARE(win->currentIndex(), 7);
    QCOMPARE(win.page->selKB(), 3);
    // Back on the class page from the whole-school table: class 1 as before, and the
    // teacher page still shows 李老师.
    win->biaoButton(1)->click();
    QCOMPARE(win->currentIndex(), 6);
    QCOMPARE(win.page->selKB(), 1);
    QCOMPARE(win.grid()->cornerText(), QStringLiteral("初一(1)班 4/5节 · 1节未排"));
    win->biaoButton(2)->click();
    QCOMPARE(win.grid()->cornerText(), QStringLiteral("李老师 1/2节 · 1节未排"));
    QCOMPARE(win->status(), QString());  // switching clears the hint
}

void TimetableUiTest::leavingReleasesAndReenteringReloads()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    win.find<QPushButton>("btnLock")->click();  // not saved
    win.page->showTea(2);
    win.asker.answerSave(ui::SaveAnswer::NoSave);
    win->goBack();
    QVERIFY(win.asker.done());
    QCOMPARE(win->currentIndex(), 0);
    QVERIFY(!win.page->stepLoaded());
    QCOMPARE(win.page->selKB(), 0);
    QCOMPARE(win.find<QComboBox>("cbbBan")->count(), 0);
    QCOMPARE(win.grid()->slotCount(), 0);
    QCOMPARE(win.page->holdingBox()->area()->count(), 0);

    // The file changed meanwhile; the next entry shows it, and the lock is gone.
    school.store->run("DELETE FROM kechenbd WHERE kechenid = 1");
    win->openTimetable(ui::KbBan);
    QCOMPARE(win.page->nowBan(), 1);
    QCOMPARE(win.page->nowTea(), 1);
    QCOMPARE(win.cell(1), QString());
    QCOMPARE(win.grid()->cornerText(), QStringLiteral("初一(1)班 3/5节 · 2节未排"));
    QCOMPARE(win.grid()->cell(2).look, KbLook::Normal);
    QCOMPARE(win.page->holdingBox()->area()->count(), 2);
    QVERIFY(!win.act("actPrevKb")->isEnabled());
}

void TimetableUiTest::rowsWithoutASlotOrAssignmentAreNotShown()
{
    School school;
    fillSchool(*school.store);
    school.store->exec("PRAGMA foreign_keys=OFF");
    // Thursday is not taught, period 6 is past the day, 王老师 does not teach class 1.
    school.store->run("INSERT INTO kechenbd(kechenid, theday, thejie, theban, thetea, theke, teshu) VALUES"
                      " (10, 4, 1, 1, 1, 1, 0), (11, 1, 6, 1, 1, 1, 0), (12, 2, 3, 1, 3, 3, 0)");
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    QCOMPARE(win.grid()->cornerText(), QStringLiteral("初一(1)班 4/5节 · 1节未排"));
    for (int s = 1; s <= 15; ++s) {
        const bool lesson = s == 1 || s == 2 || s == 6 || s == 11;
        QCOMPARE(!win.cell(s).isEmpty(), lesson || s == 5);
    }
    QCOMPARE(win.page->data().skipped.size(), std::size_t(3));
}

void TimetableUiTest::tooManyWaitingLessonsAreReported()
{
    School school;
    fillSchool(*school.store);
    // 20 lessons of 数学 a week in a week of 15 slots.
    school.store->run("UPDATE renkebd SET jieshu = 20 WHERE teaid = 2");
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    QCOMPARE(win.asker.texts(),
             QStringList{QStringLiteral("该班未排课节太多，可能是课节空间未够容纳任课，未能全部列出！")});
    QCOMPARE(win.page->holdingList().count, 15);
    QVERIFY(win.page->holdingList().overflow);
    win.asker.clear();
    win.page->showTea(2);
    QCOMPARE(win.asker.texts(),
             QStringList{QStringLiteral("该教师未排课节太多，可能是课节空间未够容纳任课，未能全部列出！")});
    win.asker.clear();
    win.page->showTea(1);
    QVERIFY(win.asker.shown.empty());
}

// A subject keeps its colour from the class page to the teacher page; subjects differ.
void TimetableUiTest::subjectColoursAreStableAcrossPages()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    const QColor yuwen = win.grid()->cell(1).tint, shuxue = win.grid()->cell(2).tint;
    QVERIFY(yuwen.isValid());
    QVERIFY(shuxue.isValid());
    QVERIFY(yuwen != shuxue);
    QVERIFY(!win.grid()->cell(3).tint.isValid());  // an empty cell has none
    win->openTimetable(ui::KbTea);
    QCOMPARE(win.cell(2), QStringLiteral("语文\n（初一(2)班）"));
    QCOMPARE(win.grid()->cell(2).tint, yuwen);
    QCOMPARE(tavrin::ui::subjectTint(1), yuwen);  // the same in every run: by the subject, not by order met
}

// The held 数学 is drawn unlike the placed one, though both carry its colour.
void TimetableUiTest::heldLessonsAreDrawnAsHeld()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    auto* held = win.page->holdingBox()->area();
    QCOMPARE(held->count(), 1);
    QCOMPARE(held->tiles()[1].cell.tint, win.grid()->cell(2).tint);
    const QRect placedRect = win.grid()->slotRect(2), heldRect = held->tiles()[1].rect;
    const QImage placed = win.grid()->grab(placedRect).toImage();
    const QImage waiting = held->grab(heldRect).toImage();
    const QPoint inside(7, 7);
    QVERIFY2(placed.pixelColor(inside) != waiting.pixelColor(inside),
             qPrintable(placed.pixelColor(inside).name() + " " + waiting.pixelColor(inside).name()));
}

// Only 初一(1)班 and 李老师 hold a lesson; their entries carry the mark, the names stay for the search.
void TimetableUiTest::pickersMarkWhoHoldsLessons()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    auto* cbbBan = win.find<QComboBox>("cbbBan");
    auto* cbbTea = win.find<QComboBox>("cbbTea");
    for (QComboBox* c : {cbbBan, cbbTea}) {
        for (int i = 0; i < c->count(); ++i) {
            const bool holds = c->itemText(i) == QStringLiteral("初一(1)班") || c->itemText(i) == QStringLiteral("李老师");
            QVERIFY2(c->itemIcon(i).isNull() != holds, qPrintable(c->itemText(i)));
            QCOMPARE(c->itemData(i, Qt::ToolTipRole).toString(), holds ? QStringLiteral("1节未排") : QString());
        }
    }
    QCOMPARE(cbbBan->itemText(0), QStringLiteral("初一(1)班"));
}

void TimetableUiTest::redoAnswersTheCommonKeys()
{
    School school;
    fillSchool(*school.store);
    KbWindow win(*school.store);
    win->openTimetable(ui::KbBan);
    const auto keys = win.act("actRedoKb")->shortcuts();
    for (const QKeySequence& k : {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::CTRL | Qt::Key_Y),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)})
        QVERIFY2(keys.contains(k), qPrintable(k.toString()));
}

// `btnExKb` opens the export dialog with the timetable on show ticked, in the page's layout.
void TimetableUiTest::exportButtonOpensTheDialogOnTheTimetableShown()
{
    struct Case {
        int kind;  // ui::KbBan or ui::KbTea
        const char* picker;
        int item;  // the picker's item: id item + 1
    };
    for (const Case c : {Case{ui::KbBan, "cbbBan", 1}, Case{ui::KbTea, "cbbTea", 2}}) {
        School school;
        fillSchool(*school.store);
        KbWindow win(*school.store);
        win->openTimetable(c.kind);
        win.find<QComboBox>(c.picker)->setCurrentIndex(c.item);
        const int shown = c.kind == ui::KbBan ? win.page->nowBan() : win.page->nowTea();
        QCOMPARE(shown, c.item + 1);
        auto* btn = win.find<QPushButton>("btnExKb");
        QVERIFY(btn->isEnabled());
        ExportTicks ticks;
        ticks.readOnOpen();
        QTest::mouseClick(btn, Qt::LeftButton);
        QVERIFY(ticks.opened);
        // The page's days-as-columns layout is the export's second.
        QCOMPARE(ticks.layoutChecked, win.page->kbLayout() == 1 ? 2 : 1);
        QCOMPARE(ticks.bans, c.kind == ui::KbBan ? QList<int>{shown} : QList<int>{});
        QCOMPARE(ticks.teas, c.kind == ui::KbTea ? QList<int>{shown} : QList<int>{});
        QVERIFY(win.asker.shown.empty());
    }
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tavrin::ui::useChineseFont(app);
    tavrin::ui::useKitStyle(app);
    TimetableUiTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "timetable_ui_test.moc"


