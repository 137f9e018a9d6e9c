// The aids beside the class and teacher timetables, driven on the window: the side panels
// (layout, highlight, a click to the other side), the floating mini timetable of a drag and
// the change list with its open command.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QScrollArea>
#include <QtTest>

#include "spreadsheet/noticetexts.h"
#include "spreadsheet/ui/tfrmchninfo.h"
#include "support/uitest.h"
#include "support/xlsx_reader.h"
#include "timetable/moves.h"
#include "timetable/ui/changelist.h"
#include "timetable/ui/kbdragcontroller.h"
#include "timetable/ui/minfrm.h"
#include "timetable/ui/minipanels.h"
#include "timetable_fixture.h"

using namespace tavrin;
using namespace tavrin::testing;
using timetable::KbSide;
using timetable::ui::MiniPanels;

namespace {

// The fixture's school: 3 days of 2 + 2 + 1 periods (slot = (day - 1) * 5 + period).
//   class 1: 1 6 11 语文 张 (r0), 2 数学 李 (r2)
//   class 2: 2 7 12 语文 张 (r1)
//   class 3: 3 8 体育 王 (r3)
struct Win : KbWindow {
    explicit Win(store::Store& st) : KbWindow(st) { w->openTimetable(ui::KbBan); }
    MiniPanels* panels() const { return page->miniPanels(); }
    timetable::KbDocument& doc() const { return w->kbStep().document(); }
    QPoint slotCentre(int slot) const { return grid()->mapTo(page, grid()->slotRect(slot).center()); }
};

void mouse(QWidget* w, QEvent::Type t, const QPoint& pos, Qt::MouseButton b)
{
    QMouseEvent e(t, QPointF(pos), QPointF(w->mapToGlobal(pos)), b,
                  t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick ? Qt::MouseButtons(b) : Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A double-click as the list receives it: press, release, then the second press.
void doubleClick(QWidget* w, const QPoint& at)
{
    mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton);
}

constexpr QRgb bgr(unsigned v) { return qRgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

}  // namespace

class ChangesUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void panelsShowTheTeachersWithTheirColours();
    void layoutSwitchReLaysThePanelsAndSetsTheBoxWidth();
    void clickOnAPanelOpensThatTeacher();
    void dragShowsTheFloatingWindowOnlyWhenTicked_data();
    void dragShowsTheFloatingWindowOnlyWhenTicked();
    void changeListFollowsTheDocument();
    void openCommandNeedsASelection();
    void exportButtonTicksExactlyTheListedTimetables();
    void noticeButtonWritesTheNoticesAndKeepsTheTexts();
};

void ChangesUiTest::panelsShowTheTeachersWithTheirColours()
{
    School school;
    fillSchool(*school.store);
    Win win(*school.store);
    MiniPanels* p = win.panels();
    QCOMPARE(p->ids(), (std::vector<int>{1, 2}));  // 语文 张, then 数学 李
    QCOMPARE(p->caption(0), QStringLiteral("张老师"));
    QCOMPARE(p->cellText(0, 1), QStringLiteral("语"));
    QCOMPARE(p->cellColor(0, 1).rgb(), bgr(0x757575));  // class 1's own lesson
    QCOMPARE(p->cellColor(0, 2).rgb(), bgr(0xB4B4B4));  // 张's lesson in class 2
    QCOMPARE(p->cellColor(0, 3).rgb(), QColor(Qt::white).rgb());
    QCOMPARE(p->cellText(0, 3), QString());
    QCOMPARE(p->panelColor(0).rgb(), bgr(0x9E9E9E));
    // The teacher page: 张's classes in id order.
    win.page->showTea(1);
    QCOMPARE(p->page(), KbSide::Tea);
    QCOMPARE(p->ids(), (std::vector<int>{1, 2}));
    QCOMPARE(p->caption(1), QStringLiteral("初一(2)班"));
    QCOMPARE(p->cellColor(1, 2).rgb(), bgr(0x757575));
    // A timetable drawn again after an edit redraws the panels.
    win.page->showBan(3);
    QCOMPARE(p->ids(), (std::vector<int>{3}));
    QVERIFY(timetable::ChnBanJ(win.doc(), 3, 3, 4, true).result.ok);
    QCOMPARE(p->cellText(0, 4), QStringLiteral("体"));
    QCOMPARE(p->cellText(0, 3), QString());
}

void ChangesUiTest::layoutSwitchReLaysThePanelsAndSetsTheBoxWidth()
{
    School school;
    fillSchool(*school.store);
    Win win(*school.store);
    MiniPanels* p = win.panels();
    auto* box = win.find<QScrollArea>("scrlbxMinFrm");
    struct Step {
        int layout;
        int panelW, panelH, boxW;
    };
    // 3 days, P = 5 (the evening row opens a gap of 2).
    const Step steps[] = {
        {1, (3 + 1) * 21 + 5, (5 + 2) * 16 + 2 + 5, 3 * 21 + 46},
        {2, 2 + (5 + 1) * 21 + 5, (3 + 2) * 16 + 5, 5 * 21 + 46},
        {1, (3 + 1) * 21 + 5, (5 + 2) * 16 + 2 + 5, 3 * 21 + 46},
    };
    for (const auto& s : steps) {
        win.page->setKbLayout(s.layout);
        QCOMPARE(p->panelGeometry().layout, s.layout);
        QCOMPARE(p->panelGeometry().width(), s.panelW);
        QCOMPARE(p->panelGeometry().height(), s.panelH);
        QCOMPARE(p->panelGeometry().panel(1), QRect(1, s.panelH + 2 + 1, s.panelW, s.panelH));
        QCOMPARE(p->height(), p->panelGeometry().panel(1).bottom() + 2);
        QCOMPARE(box->width(), s.boxW);
        QVERIFY(p->width() <= box->width());
    }
    // Layout 2 puts Tuesday in the second row and period 3 after the 1-pixel gap.
    win.page->setKbLayout(2);
    QCOMPARE(p->panelGeometry().slot(5 + 3), QRect(3 * 21 + 1 + 2, 3 * 16 + 2, 20, 15));
}

void ChangesUiTest::clickOnAPanelOpensThatTeacher()
{
    School school;
    fillSchool(*school.store);
    Win win(*school.store);
    MiniPanels* p = win.panels();
    const QPoint onLi = p->panelGeometry().panel(1).center();
    mouse(p, QEvent::MouseMove, onLi, Qt::NoButton);
    QCOMPARE(p->hot(), 1);
    QCOMPARE(p->panelColor(1).rgb(), bgr(0xE4E4E4));
    QCOMPARE(p->panelColor(0).rgb(), bgr(0x9E9E9E));
    // Over the box's own background, below the panels: nothing highlighted.
    p->setFixedHeight(p->height() + 40);
    mouse(p, QEvent::MouseMove, QPoint(5, p->height() - 5), Qt::NoButton);
    QCOMPARE(p->hot(), -1);
    mouse(p, QEvent::MouseMove, onLi, Qt::NoButton);
    QCOMPARE(p->hot(), 1);
    // Over a cell of the main grid: cleared too.
    Q_EMIT win.grid()->cellEntered(3);
    QCOMPARE(p->hot(), -1);

    mouse(p, QEvent::MouseButtonPress, onLi, Qt::LeftButton);
    QCOMPARE(win.page->shownSide(), KbSide::Tea);
    QCOMPARE(win.page->nowTea(), 2);
    QCOMPARE(win.find<QComboBox>("cbbTea")->currentIndex(), 1);
    QCOMPARE(win.page->history().current(), timetable::teaPage(2));
    // 李's page: his one class beside him; a click on it goes back to the class page.
    QCOMPARE(p->ids(), (std::vector<int>{1}));
    mouse(p, QEvent::MouseButtonPress, p->panelGeometry().panel(0).center(), Qt::LeftButton);
    QCOMPARE(win.page->shownSide(), KbSide::Ban);
    QCOMPARE(win.page->nowBan(), 1);
    QVERIFY(win.page->history().canBack());
}

void ChangesUiTest::dragShowsTheFloatingWindowOnlyWhenTicked_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<int>("end");  // 0 Esc, 1 dropped outside the grid, 2 dropped on a cell
    QTest::newRow("ticked, cancelled") << true << 0;
    QTest::newRow("ticked, dropped outside") << true << 1;
    QTest::newRow("ticked, dropped on a cell") << true << 2;
    QTest::newRow("unticked") << false << 2;
}

void ChangesUiTest::dragShowsTheFloatingWindowOnlyWhenTicked()
{
    QFETCH(bool, ticked);
    QFETCH(int, end);
    School school;
    fillSchool(*school.store);
    Win win(*school.store);
    win.find<QCheckBox>("chkShowMovFrm")->setChecked(ticked);
    auto* frm = win.page->minFrm();
    QVERIFY(frm);
    QVERIFY(frm->windowFlags().testFlag(Qt::WindowTransparentForInput));
    QVERIFY(frm->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(frm->windowType(), Qt::Tool);
    QVERIFY(!frm->isVisible());
    auto* ctl = win.page->dragController();

    // 张's 语文 of class 1 at slot 1.
    QVERIFY(ctl->startFromCell(1, win.slotCentre(1)));
    ctl->moveTo(win.slotCentre(3));
    QCOMPARE(frm->isVisible(), ticked);
    if (ticked) {
        QCOMPARE(frm->shownId(), 1);
        QCOMPARE(frm->cellColor(1).rgb(), QColor(Qt::white).rgb());  // the source
        QCOMPARE(frm->markerText(), QStringLiteral("语"));
        QCOMPARE(frm->cellText(2), QStringLiteral("语"));           // 张 in class 2
        QCOMPARE(frm->cellColor(2).rgb(), bgr(0x3333CC));           // he stands there: refused
        QCOMPARE(frm->cellColor(3).rgb(), bgr(0x00BF65));
        QCOMPARE(frm->cellColor(6).rgb(), bgr(0xF2630D));           // the same assignment
        // Centred below the floating copy, or above it when the screen has no room, and on the screen.
        const QLabel* copy = ctl->floatingCopy();
        const QRect c(copy->mapToGlobal(QPoint(0, 0)), copy->size());
        const QRect f = frm->geometry();
        QVERIFY(f.top() == c.bottom() + 31 || f.bottom() == c.top() - 31 || f.top() >= 0);
        QVERIFY(frm->screen()->availableGeometry().contains(f));
        QCOMPARE(frm->cellGeometry().cellH, 15);
        QVERIFY(frm->cellGeometry().cellW >= 20);
    }
    if (end == 0)
        ctl->cancel();
    else if (end == 1)
        ctl->dropAt(QPoint(-50, -50));
    else
        ctl->dropAt(win.slotCentre(3));
    QVERIFY(!ctl->active());
    QVERIFY(!frm->isVisible());
    QCOMPARE(win.doc().data().cellB(1, 3), end == 2 ? 0 : -1);
}

void ChangesUiTest::changeListFollowsTheDocument()
{
    School school;
    fillSchool(*school.store);
    Win win(*school.store);
    auto* list = win.find<QListWidget>("lvChnKe");
    auto* panel = win.find<QWidget>("pnlChnKe");
    QVERIFY(!panel->isVisible());
    win.find<QCheckBox>("chkShowChn")->setChecked(true);
    QVERIFY(panel->isVisible());
    QCOMPARE(list->count(), 0);
    // The notices may be written with nothing changed: an empty sheet, as asked.
    QVERIFY(win.find<QPushButton>("btnOutTz")->isEnabled());

    auto items = [list] {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << QStringLiteral("%1:%2:%3")
                       .arg(list->item(i)->text())
                       .arg(list->item(i)->data(timetable::ui::ChangeList::kSideRole).toInt())
                       .arg(list->item(i)->data(timetable::ui::ChangeList::kIdRole).toInt());
        return out;
    };
    // Made on the document while class 1 is shown: the list follows all the same.
    QVERIFY(timetable::ChnBanJ(win.doc(), 3, 3, 4, true).result.ok);
    QCOMPARE(items(), (QStringList{"初二(1)班:1:3", "王老师:2:3"}));
    QVERIFY(timetable::ChnTeaJ(win.doc(), 1, 1, 3, true).result.ok);
    QCOMPARE(items(), (QStringList{"初一(1)班:1:1", "初二(1)班:1:3", "张老师:2:1", "王老师:2:3"}));
    win.page->undoKb();
    QCOMPARE(items(), (QStringList{"初二(1)班:1:3", "王老师:2:3"}));
    // Exchanged back: as loaded, nothing listed.
    QVERIFY(timetable::ChnBanJ(win.doc(), 3, 4, 3, true).result.ok);
    QCOMPARE(items(), QStringList());
}

void ChangesUiTest::openCommandNeedsASelection()
{
    School school;
    fillSchool(*school.store);
    Win win(*school.store);
    auto* list = win.find<QListWidget>("lvChnKe");
    win.find<QCheckBox>("chkShowChn")->setChecked(true);
    QCoreApplication::processEvents();  // the shown panel laid out
    QAction* open = win.page->changeList()->openAction();
    QCOMPARE(open->text(), QStringLiteral("打开这张课表"));
    QVERIFY(!open->isEnabled());
    QVERIFY(timetable::ChnBanJ(win.doc(), 3, 3, 4, true).result.ok);
    QCOMPARE(list->count(), 2);
    QVERIFY(!open->isEnabled());
    // Triggered anyway, or a double-click on the empty part: nothing happens.
    open->trigger();
    doubleClick(list->viewport(), QPoint(5, list->viewport()->height() - 3));
    QCOMPARE(win.page->shownSide(), KbSide::Ban);
    QCOMPARE(win.page->nowBan(), 1);

    list->setCurrentRow(1);
    QVERIFY(open->isEnabled());
    open->trigger();
    QCOMPARE(win.page->shownSide(), KbSide::Tea);
    QCOMPARE(win.page->nowTea(), 3);
    QCOMPARE(win.find<QComboBox>("cbbTea")->currentIndex(), 2);
    QCOMPARE(win.page->history().current(), timetable::teaPage(3));
    // A double-click on an item opens it.
    const QRect first = list->visualItemRect(list->item(0));
    QVERIFY(list->viewport()->rect().contains(first.center()));
    doubleClick(list->viewport(), first.center());
    QCOMPARE(win.page->shownSide(), KbSide::Ban);
    QCOMPARE(win.page->nowBan(), 3);
    // Rebuilt with the selection gone: disabled again.
    list->clearSelection();
    QVERIFY(!open->isEnabled());
}

void ChangesUiTest::exportButtonTicksExactlyTheListedTimetables()
{
    School school;
    fillSchool(*school.store);
    Win win(*school.store);
    win.find<QCheckBox>("chkShowChn")->setChecked(true);
    auto* btn = win.find<QPushButton>("btnOutChn");
    QVERIFY(btn->isEnabled());
    // 初二(1)班 and 王老师 changed; class 1 shown, its teacher 张 not listed.
    QVERIFY(timetable::ChnBanJ(win.doc(), 3, 3, 4, true).result.ok);
    ExportTicks ticks;
    ticks.readOnOpen();
    QTest::mouseClick(btn, Qt::LeftButton);
    QVERIFY(ticks.opened);
    QCOMPARE(ticks.bans, QList<int>{3});
    QCOMPARE(ticks.teas, QList<int>{3});
    QCOMPARE(ticks.layoutChecked, 2);  // the page shows days as columns
}

// "调课通知" opens the notice dialog with the texts kept beside the school file; its export
// writes the notices of what changed and saves the texts as edited.
void ChangesUiTest::noticeButtonWritesTheNoticesAndKeepsTheTexts()
{
    School school;
    fillSchool(*school.store);
    const auto ini = school.path.parent_path() / "info.ini";
    QVERIFY(spreadsheet::writeNoticeTexts(ini, {{"第一行", "  第二行"}, "初中部教务处"}));
    Win win(*school.store);
    win.find<QCheckBox>("chkShowChn")->setChecked(true);
    auto* btn = win.find<QPushButton>("btnOutTz");
    QVERIFY(btn->isEnabled());
    // 初二(1)班's 体育 on Monday 3 to Monday 4: 王老师's notice and the class's.
    QVERIFY(timetable::ChnBanJ(win.doc(), 3, 3, 4, true).result.ok);
    QTemporaryDir out;
    struct Seen {
        bool opened = false;
        QString title, memo, name;
        bool teaTicked = false, banTicked = true;
        QString file;
    } seen;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<spreadsheet::TfrmChnInfo*>(QApplication::activeModalWidget());
        if (!d)
            return;
        seen.opened = true;
        seen.title = d->windowTitle();
        seen.memo = d->mmo1()->toPlainText();
        seen.name = d->edtName()->text();
        seen.teaTicked = d->chkTea()->isChecked();
        seen.banTicked = d->chkBan()->isChecked();
        d->exportDir = out.path();
        d->openWhenDone = false;
        d->chkBan()->setChecked(true);
        d->edtName()->setText(QStringLiteral("教务处，办公室"));
        QTest::mouseClick(d->findChild<QPushButton*>("btnOut"), Qt::LeftButton);
        for (int i = 0; i < 2000 && d->exporting(); ++i)
            QTest::qWait(10);
        seen.file = d->lastFile();
        d->done(0);  // ends the modal loop even when the export hangs, so the test fails instead
    });
    QTest::mouseClick(btn, Qt::LeftButton);
    QVERIFY(seen.opened);
    QCOMPARE(seen.title, QStringLiteral("调课通知"));
    QCOMPARE(seen.memo, QStringLiteral("第一行\n  第二行"));
    QCOMPARE(seen.name, QStringLiteral("初中部教务处"));
    QVERIFY(seen.teaTicked);
    QVERIFY(!seen.banTicked);
    QVERIFY(!seen.file.isEmpty());
    QVERIFY(win.asker.texts().join("\n").contains(QStringLiteral("导出完成")));
    const auto book = readXlsx(seen.file.toStdString());
    const auto& sh = book.sheets.at(0);
    QCOMPARE(QString::fromStdString(sh.text(1, 1)), QStringLiteral("王老师老师调课通知"));
    QCOMPARE(QString::fromStdString(sh.text(3, 1)), QStringLiteral("第一行\n  第二行"));
    QCOMPARE(QString::fromStdString(sh.text(5, 3)), QStringLiteral("星期一第3节"));
    QCOMPARE(QString::fromStdString(sh.text(5, 4)), QStringLiteral("星期一第4节"));
    QCOMPARE(QString::fromStdString(sh.text(7, 4)), QStringLiteral("教务处，办公室"));
    QCOMPARE(QString::fromStdString(sh.text(10, 1)), QStringLiteral("初二(1)班调课通知"));
    // The texts were saved before the export, as edited.
    QCOMPARE(spreadsheet::readNoticeTexts(ini), (spreadsheet::NoticeTexts{{"第一行", "  第二行"}, "教务处，办公室"}));
}

QTEST_MAIN(ChangesUiTest)
#include "changes_ui_test.moc"
