// The whole-school timetable and the assignment table, driven as the operator drives them:
// the frozen headers while scrolling step by step, a drag that exchanges two lessons, the
// drop image and undo, the pick list and what closes it, class locks, hover and highlights,
// and the assignment table that takes no edit.
#include <QAction>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QCheckBox>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>

#include "support/mousedrag.h"
#include "support/uitest.h"
#include "spreadsheet/ui/tfrmprkball.h"
#include "timetable/schoolcells.h"
#include "timetable/ui/schoolpage.h"
#include "timetable_fixture.h"
#include "ui/kbstep.h"
#include "ui/schoolgrid.h"

using namespace tavrin;
using namespace tavrin::testing;
using timetable::SchoolColour;
using timetable::ui::AssignPage;
using timetable::ui::SchoolPage;
using tavrin::ui::SchoolGrid;
using tavrin::ui::schoolColor;

namespace {

struct SchoolWindow {
    ScriptedAsker asker;
    std::unique_ptr<mainwin::TForm1> w;
    SchoolPage* all = nullptr;
    AssignPage* renke = nullptr;

    explicit SchoolWindow(store::Store& st)
    {
        w = pageWindow(st, asker, [this](mainwin::TForm1::Options& o) {
            o.pages[6] = [](ui::Shell& sh) { return new TimetablePage(sh); };
            o.pages[7] = [this](ui::Shell& sh) { return all = new SchoolPage(sh); };
            o.pages[8] = [this](ui::Shell& sh) { return renke = new AssignPage(sh); };
        });
        w->resize(1100, 760);
        w->show();
    }
    mainwin::TForm1* operator->() const { return w.get(); }
    timetable::KbDocument& doc() const { return w->kbStep().document(); }
    const timetable::KbData& kb() const { return doc().data(); }
};

QPoint centre(SchoolGrid* g, int row, int slot)
{
    return g->cellRect(row, slot).center();
}

void click(SchoolGrid* g, const QPoint& p)
{
    mouse(g->viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    mouse(g->viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

QRgb pixel(const QImage& img, int x, int y)
{
    return img.pixel(x, y) & 0xFFFFFF;
}

}  // namespace

class SchoolUiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void headersStayAlignedWhileScrollingStepByStep();
    void partialRepaintsLeaveWhatAFullPaintShows();
    void openingTheTablesEntersTheStep();
    void mouseDragExchangesTwoLessons();
    void dropImageParksAndUndoRestoresTheRow();
    void pickListPlacesAndAnyStepClosesIt();
    void classNameTogglesTheLock();
    void hoverAndHighlights();
    void assignmentTableIgnoresDragsAndClicks();
    void tooManyHeldLessonsAreToldNotListed();
    void exportButtonsOpenTheDialogOfTheirTable();
};

void SchoolUiTest::headersStayAlignedWhileScrollingStepByStep()
{
    // 189 slots and 40 rows in a window narrower than one day.
    const model::WeekShape week{7, 12, 10, 5};
    const QColor body(0x48, 0x48, 0x48);
    SchoolGrid g;
    g.setCellFunction([](int, int s) {
        return SchoolGrid::Cell{QStringLiteral("课%1").arg(s), QColor(90 + s % 120, 120, 40), Qt::white, true, true};
    });
    g.setShape(40, week);
    QStringList names;
    for (int r = 1; r <= 40; ++r)
        names << QStringLiteral("班级名称很长很长的第%1班😀").arg(r);
    g.setRowNames(names);
    g.resize(420, 300);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    QVERIFY(g.geometry().w >= 49);
    QVERIFY(g.geometry().h >= 33);
    QVERIFY(g.horizontalScrollBar()->maximum() > 0);
    QVERIFY(g.verticalScrollBar()->maximum() > 0);

    auto check = [&]() -> QString {
        const QImage img = g.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int L = g.leftWidth(), T = g.topHeight();
        int columns = 0, rows = 0;
        int top = 1;  // the first row wholly below the top strip
        while (top < g.rows() && g.cellRect(top, 1).top() - 1 < T)
            ++top;
        for (int s = 1; s <= g.slots(); ++s) {
            const QRect c = g.cellRect(top, s);
            if (c.left() - 1 < L || c.right() >= img.width() - 1)
                continue;
            ++columns;
            const QRect h = g.slotHeaderRect(s);
            // The header's column starts where the cell's does: a grid line before both.
            if (pixel(img, c.left(), h.top() + 1) != 0 || pixel(img, c.left() - 1, h.top() + 1) != (body.rgb() & 0xFFFFFF) ||
                pixel(img, c.left(), c.top() + 1) != (g.cell(top, s).fill.rgb() & 0xFFFFFF))
                return QStringLiteral("slot %1 out of line at %2: %3 %4 %5")
                    .arg(s)
                    .arg(g.horizontalScrollBar()->value())
                    .arg(pixel(img, c.left(), h.top() + 1), 0, 16)
                    .arg(pixel(img, c.left() - 1, h.top() + 1), 0, 16)
                    .arg(pixel(img, c.left(), c.top() + 1), 0, 16);
        }
        for (int r = 1; r <= g.rows(); ++r) {
            const QRect n = g.rowNameRect(r);
            if (n.top() - 1 < T || n.bottom() >= img.height() - 1)
                continue;
            ++rows;
            if (pixel(img, 2, n.top()) != 0 || pixel(img, 2, n.top() - 1) != (body.rgb() & 0xFFFFFF))
                return QStringLiteral("row %1 out of line at %2").arg(r).arg(g.verticalScrollBar()->value());
            const int s = 1 + (g.horizontalScrollBar()->value() + g.geometry().w) / (g.geometry().w + 1);
            const QRect c = g.cellRect(r, s);
            if (c.left() >= L && c.right() < img.width() &&
                (pixel(img, c.left() + 1, n.top()) != (g.cell(r, s).fill.rgb() & 0xFFFFFF) ||
                 pixel(img, c.left() + 1, n.top() - 1) != (body.rgb() & 0xFFFFFF)))
                return QStringLiteral("row %1 beside cells out of line at %2").arg(r).arg(g.verticalScrollBar()->value());
        }
        if (columns == 0 || rows == 0)
            return QStringLiteral("nothing in view");
        return {};
    };
    auto* hs = g.horizontalScrollBar();
    auto* vs = g.verticalScrollBar();
    for (int x = 0;; x = std::min(hs->maximum(), x + 37)) {
        hs->setValue(x);
        QCOMPARE(check(), QString());
        if (x == hs->maximum())
            break;
    }
    for (int y = 0;; y = std::min(vs->maximum(), y + 29)) {
        vs->setValue(y);
        QCOMPARE(check(), QString());
        if (y == vs->maximum())
            break;
    }
    // At the far corner the last cell is whole and its header and name beside it.
    const QRect last = g.cellRect(40, 189);
    QVERIFY(last.right() < g.viewport()->width());
    QVERIFY(last.bottom() < g.viewport()->height());
    QCOMPARE(g.slotHeaderRect(189).left(), last.left());
    QCOMPARE(g.rowNameRect(40).top(), last.top());
}

// Hover, scrolling, a row's colours and a drag each repaint only part of the table (or move
// pixels already painted); what the window then shows must be what painting the whole table
// in the same state gives.
void SchoolUiTest::partialRepaintsLeaveWhatAFullPaintShows()
{
    const model::WeekShape week{7, 9, 9, 9};
    SchoolGrid g;
    g.setCellFunction([](int r, int s) {
        const QString text = (r + s) % 3 ? QStringLiteral("课%1\n（师%2）").arg(s).arg(r) : QString();
        return SchoolGrid::Cell{text, QColor(90 + (7 * s + r) % 120, 120, 40), Qt::white, (r + s) % 5 != 0, true};
    });
    g.setShape(30, week);
    QStringList names, days, slots;
    for (int r = 1; r <= 30; ++r)
        names << QStringLiteral("第%1班").arg(r);
    for (int d = 1; d <= 7; ++d)
        days << QStringLiteral("星期%1").arg(d);
    for (int s = 1; s <= 189; ++s)
        slots << QStringLiteral("第%1节\n8:%2").arg((s - 1) % 27 + 1).arg(s % 60, 2, 10, QLatin1Char('0'));
    g.setRowNames(names);
    g.setDayHeaders(days);
    g.setSlotHeaders(slots);
    g.setCornerText(QStringLiteral("总　课\n\n程　表"));
    g.setDragEnabled(true);
    g.resize(560, 380);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    QWidget* vp = g.viewport();

    // The window's own pixels (the offscreen screen hands back what was painted into it),
    // against a paint of the whole viewport now.
    auto differs = [&](const QString& step) -> QString {
        QApplication::processEvents();
        const QPoint at = vp->mapTo(&g, QPoint(0, 0));
        const QImage shown =
            g.screen()->grabWindow(g.winId(), at.x(), at.y(), vp->width(), vp->height()).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage full = vp->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (shown.size() != full.size())
            return step + QStringLiteral(": sizes differ");
        for (int y = 0; y < full.height(); ++y)
            for (int x = 0; x < full.width(); ++x)
                if (shown.pixel(x, y) != full.pixel(x, y))
                    return step + QStringLiteral(": (%1, %2) shows %3, a full paint %4")
                                      .arg(x)
                                      .arg(y)
                                      .arg(shown.pixel(x, y) & 0xFFFFFF, 6, 16)
                                      .arg(full.pixel(x, y) & 0xFFFFFF, 6, 16);
        return {};
    };
    auto move = [&](const QPoint& p, Qt::MouseButtons held = Qt::NoButton) {
        mouse(vp, QEvent::MouseMove, p, Qt::NoButton, held);
    };
    QCOMPARE(differs(QStringLiteral("shown")), QString());
    // Hover from cell to cell, across rows and slots, onto a name, a cell that does not light,
    // and off the cells.
    const struct {
        int row, slot;
    } hovers[] = {{2, 3}, {2, 4}, {5, 4}, {5, 0}, {3, 2}, {4, 1}, {0, 0}};
    for (const auto& h : hovers) {
        move(h.row == 0 ? QPoint(g.leftWidth() + 5, 5)
                        : (h.slot == 0 ? g.rowNameRect(h.row).center() : centre(&g, h.row, h.slot)));
        QCOMPARE(differs(QStringLiteral("hover %1,%2").arg(h.row).arg(h.slot)), QString());
    }
    // Small scrolls move what is painted; a hover after them lights the right cell.
    for (int i = 0; i < 4; ++i) {
        g.horizontalScrollBar()->setValue(g.horizontalScrollBar()->value() + 37);
        QCOMPARE(differs(QStringLiteral("right %1").arg(i)), QString());
        g.verticalScrollBar()->setValue(g.verticalScrollBar()->value() + 29);
        QCOMPARE(differs(QStringLiteral("down %1").arg(i)), QString());
        move(centre(&g, 3 + i, 4 + i));
        QCOMPARE(differs(QStringLiteral("hover after scroll %1").arg(i)), QString());
    }
    g.horizontalScrollBar()->setValue(g.horizontalScrollBar()->value() - 50);
    g.verticalScrollBar()->setValue(g.verticalScrollBar()->value() - 20);
    QCOMPARE(differs(QStringLiteral("back")), QString());
    // A row's colours on and off.
    const int row = g.rowAt(centre(&g, 5, 6));
    g.setRowOverlay(row, std::vector<QColor>(190, QColor(0x3B, 0x8E, 0x3B)));
    QCOMPARE(differs(QStringLiteral("row coloured")), QString());
    g.clearOverlay();
    QCOMPARE(differs(QStringLiteral("row plain")), QString());
    // A drag that scrolls the table near its right edge, then Esc.
    const int slot = g.slotAt(centre(&g, row, 6));
    const QPoint from = centre(&g, row, slot);
    mouse(vp, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    move(from + QPoint(QApplication::startDragDistance() + 2, 1), Qt::LeftButton);
    QVERIFY(g.dragging());
    QCOMPARE(differs(QStringLiteral("drag")), QString());
    const int before = g.horizontalScrollBar()->value();
    for (int i = 0; i < 3; ++i)
        move(QPoint(vp->width() - 5, from.y()), Qt::LeftButton);
    QVERIFY(g.horizontalScrollBar()->value() > before);
    QCOMPARE(differs(QStringLiteral("drag scrolled")), QString());
    QTest::keyClick(&g, Qt::Key_Escape);
    mouse(vp, QEvent::MouseButtonRelease, QPoint(vp->width() - 5, from.y()), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!g.dragging());
    QCOMPARE(differs(QStringLiteral("drag cancelled")), QString());
}

void SchoolUiTest::openingTheTablesEntersTheStep()
{
    School school;
    fillSchool(*school.store);
    SchoolWindow win(*school.store);
    win->openTimetable(ui::KbAll);
    QCOMPARE(win->currentIndex(), 7);
    QVERIFY(win.kb().loaded);
    QVERIFY(win->biaoButton(3)->isChecked());
    QCOMPARE(win.all->grid()->rows(), 3);
    QCOMPARE(win.all->grid()->slots(), 15);
    QCOMPARE(win.all->grid()->cell(1, 1).text, QStringLiteral("语文\n（张老师）"));
    QCOMPARE(win.all->grid()->cell(1, 10).text, QString());  // 无课
    QVERIFY(!win.all->grid()->cell(1, 10).draggable);
    win->biaoButton(4)->click();
    QCOMPARE(win->currentIndex(), 8);
    QCOMPARE(win->status(), QString::fromUtf8(timetable::kAssignStatus));
    QCOMPARE(win.renke->grid()->rows(), 3);
    QCOMPARE(win.renke->grid()->cell(1, 2).text, QStringLiteral("语文\n（初一(2)班）"));
    win->biaoButton(1)->click();
    QCOMPARE(win->currentIndex(), 6);
}

void SchoolUiTest::mouseDragExchangesTwoLessons()
{
    School school;
    fillSchool(*school.store);
    SchoolWindow win(*school.store);
    win->openTimetable(ui::KbAll);
    SchoolGrid* g = win.all->grid();
    const int r3 = win.kb().cellB(3, 3);
    QVERIFY(r3 >= 0);
    QCOMPARE(win.kb().cellB(3, 4), -1);
    dragWith(g->viewport(), centre(g, 3, 3), centre(g, 3, 4));
    QCOMPARE(win.kb().cellB(3, 4), r3);
    QCOMPARE(win.kb().cellB(3, 3), -1);
    QVERIFY(!g->dragging());
    QCOMPARE(g->cell(3, 4).text, QStringLiteral("体育\n（王老师）"));
    QVERIFY(win.w->dataChanged());
    // Onto another class's row: refused, nothing changes.
    dragWith(g->viewport(), centre(g, 3, 4), centre(g, 2, 5));
    QCOMPARE(win.kb().cellB(3, 4), r3);
    QCOMPARE(win.kb().cellB(2, 5), -1);
    // Cancelled with Esc in the middle of a drag.
    mouse(g->viewport(), QEvent::MouseButtonPress, centre(g, 3, 4), Qt::LeftButton, Qt::LeftButton);
    mouse(g->viewport(), QEvent::MouseMove, centre(g, 3, 4) + QPoint(20, 2), Qt::NoButton, Qt::LeftButton);
    mouse(g->viewport(), QEvent::MouseMove, centre(g, 3, 6), Qt::NoButton, Qt::LeftButton);
    QVERIFY(g->dragging());
    QTest::keyClick(g, Qt::Key_Escape);
    QVERIFY(!g->dragging());
    mouse(g->viewport(), QEvent::MouseButtonRelease, centre(g, 3, 6), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(win.kb().cellB(3, 4), r3);
    QCOMPARE(win.kb().cellB(3, 6), -1);
    // Released outside the table: nothing changes either.
    mouse(g->viewport(), QEvent::MouseButtonPress, centre(g, 3, 4), Qt::LeftButton, Qt::LeftButton);
    mouse(g->viewport(), QEvent::MouseMove, centre(g, 3, 4) + QPoint(20, 2), Qt::NoButton, Qt::LeftButton);
    QVERIFY(g->dragging());
    mouse(g->viewport(), QEvent::MouseButtonRelease, QPoint(-40, -40), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!g->dragging());
    QCOMPARE(win.kb().cellB(3, 4), r3);
    QCOMPARE(win.doc().canUndo(), true);  // the first drag's step only
    win.doc().undo();
    QVERIFY(!win.doc().canUndo());
}

void SchoolUiTest::dropImageParksAndUndoRestoresTheRow()
{
    School school;
    fillSchool(*school.store);
    SchoolWindow win(*school.store);
    win->openTimetable(ui::KbAll);
    SchoolGrid* g = win.all->grid();
    const int r = win.kb().cellB(3, 8);
    QVERIFY(r >= 0);
    mouse(g->viewport(), QEvent::MouseButtonPress, centre(g, 3, 8), Qt::LeftButton, Qt::LeftButton);
    mouse(g->viewport(), QEvent::MouseMove, centre(g, 3, 8) + QPoint(20, 2), Qt::NoButton, Qt::LeftButton);
    const QRect img = g->dropImageRect();
    QVERIFY(!img.isEmpty());
    QCOMPARE(img.size(), QSize(200, 75));
    QVERIFY(img.top() >= g->topHeight());
    mouse(g->viewport(), QEvent::MouseMove, img.center(), Qt::NoButton, Qt::LeftButton);
    QVERIFY((g->floatingRect().center() - img.center()).manhattanLength() <= 2);
    mouse(g->viewport(), QEvent::MouseButtonRelease, img.center(), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(win.kb().cellB(3, 8), -1);
    QCOMPARE(win.kb().unplaced(r), 1);
    QVERIFY(g->dropImageRect().isEmpty());
    QCOMPARE(g->cell(3, 8).text, QString());
    QAction* undo = win.all->action("actUndoKbAll");
    QVERIFY(undo->isEnabled());
    undo->trigger();
    QCOMPARE(win.kb().cellB(3, 8), r);
    QCOMPARE(win.kb().unplaced(r), 0);
    QCOMPARE(g->cell(3, 8).text, QStringLiteral("体育\n（王老师）"));
}

void SchoolUiTest::pickListPlacesAndAnyStepClosesIt()
{
    School school;
    fillSchool(*school.store);
    SchoolWindow win(*school.store);
    win->openTimetable(ui::KbAll);
    SchoolGrid* g = win.all->grid();
    QListWidget* list = win.all->pickList();
    // 李老师's 数学 of 初一(1)班 waits; 李老师 teaches 初一(1)班 on Monday 2.
    click(g, centre(g, 1, 4));
    QVERIFY(list->isVisible());
    QCOMPARE(list->count(), 1);
    QVERIFY(list->item(0)->flags() & Qt::ItemIsEnabled);
    // The same cell again closes it.
    click(g, centre(g, 1, 4));
    QVERIFY(!list->isVisible());
    // A step elsewhere closes an open list.
    click(g, centre(g, 1, 4));
    QVERIFY(list->isVisible());
    dragWith(g->viewport(), centre(g, 3, 3), centre(g, 3, 4));
    QVERIFY(!list->isVisible());
    QVERIFY(!win.all->picker().isOpen());
    // Chosen: placed in one step.
    click(g, centre(g, 1, 4));
    QVERIFY(list->isVisible());
    const int r = win.kb().cellB(1, 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QVERIFY(!list->isVisible());
    QCOMPARE(win.kb().cellB(1, 4), r);
    QCOMPARE(win.kb().unplaced(r), 0);
    QCOMPARE(g->cell(1, 4).text, QStringLiteral("数学\n（李老师）"));
}

void SchoolUiTest::classNameTogglesTheLock()
{
    School school;
    fillSchool(*school.store);
    SchoolWindow win(*school.store);
    win->openTimetable(ui::KbAll);
    SchoolGrid* g = win.all->grid();
    click(g, g->rowNameRect(1).center());
    QVERIFY(win.kb().banLocked(1));
    QCOMPARE(g->cell(1, 1).fill, schoolColor(SchoolColour::Locked));
    QVERIFY(!g->cell(1, 1).draggable);
    click(g, centre(g, 1, 4));
    QVERIFY(!win.all->pickList()->isVisible());
    // 全部解锁 clears it again; 全部锁定 locks every class.
    win.all->action("mniTs7LockAll")->trigger();
    for (int b = 1; b <= 3; ++b)
        QVERIFY(win.kb().banLocked(b));
    win.all->action("mniTs7UnlockAll")->trigger();
    for (int b = 1; b <= 3; ++b)
        QVERIFY(!win.kb().banLocked(b));
    QCOMPARE(g->cell(1, 1).fill, schoolColor(SchoolColour::Morning));
}

void SchoolUiTest::hoverAndHighlights()
{
    School school;
    fillSchool(*school.store);
    SchoolWindow win(*school.store);
    win->openTimetable(ui::KbAll);
    SchoolGrid* g = win.all->grid();
    const QColor black(0, 0, 0), lit(0x40, 0x40, 0x40);
    mouse(g->viewport(), QEvent::MouseMove, centre(g, 2, 2), Qt::NoButton, Qt::NoButton);
    QCOMPARE(g->shownFill(2, 2), QColor(0xAD, 0xAD, 0xAD));  // the morning grey, lit
    QCOMPARE(g->shownSlotHeaderFill(2), lit);
    QCOMPARE(g->shownRowNameFill(2), lit);
    QCOMPARE(g->shownRowNameFill(1), black);
    // Highlight 张老师 from the cell menu: red everywhere, lit without wrapping round.
    win.all->prepareCellMenu(2, 2);
    QAction* hotTea = win.all->action("NHotTea");
    QVERIFY(hotTea->isVisible());
    QCOMPARE(hotTea->text(), QStringLiteral("突出显示“张老师”"));
    hotTea->trigger();
    QCOMPARE(g->cell(1, 1).fill, schoolColor(SchoolColour::Hot));
    QCOMPARE(g->shownFill(2, 2), QColor(0xFF, 0x40, 0x40));
    mouse(g->viewport(), QEvent::MouseMove, centre(g, 3, 5), Qt::NoButton, Qt::NoButton);
    QCOMPARE(g->shownFill(2, 2), schoolColor(SchoolColour::Hot));
    QCOMPARE(g->shownSlotHeaderFill(2), black);
    win.all->prepareCellMenu(2, 2);
    QVERIFY(hotTea->isChecked());
    hotTea->trigger();
    QCOMPARE(g->cell(1, 1).fill, schoolColor(SchoolColour::Morning));
    // An empty cell's menu offers only its class.
    win.all->prepareCellMenu(2, 1);
    QVERIFY(!hotTea->isVisible());
    QCOMPARE(win.all->action("mniNAllToBan")->text(), QStringLiteral("打开“初一(2)班”"));
}

void SchoolUiTest::assignmentTableIgnoresDragsAndClicks()
{
    School school;
    fillSchool(*school.store);
    SchoolWindow win(*school.store);
    win->openTimetable(ui::KbRenke);
    QCOMPARE(win->currentIndex(), 8);
    SchoolGrid* g = win.renke->grid();
    const model::Array2<int> before = win.kb().gridT();
    dragWith(g->viewport(), centre(g, 1, 1), centre(g, 1, 4));
    click(g, centre(g, 1, 4));
    click(g, g->rowNameRect(1).center());
    QTest::keyClick(g, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!g->dragging());
    QVERIFY(!win.doc().canUndo());
    QVERIFY(!win.kb().teaLocked(1));
    for (int t = 1; t <= 3; ++t)
        for (int s = 1; s <= 15; ++s)
            QCOMPARE(win.kb().gridT()(t, s), before(t, s));
    QVERIFY(g->hasFocus());
    QCOMPARE(g->cell(1, 1).textColor, QColor(Qt::black));
    QVERIFY(!win.w->dataChanged());
}

void SchoolUiTest::tooManyHeldLessonsAreToldNotListed()
{
    School school;
    fillSchool(*school.store);
    // 李老师's 数学 of 初一(1)班: 20 a week, one placed, more held than the week has slots.
    school.store->run("UPDATE renkebd SET jieshu = 20 WHERE teaid = 2");
    SchoolWindow win(*school.store);
    win->openTimetable(ui::KbAll);
    SchoolGrid* g = win.all->grid();
    click(g, centre(g, 1, 4));
    QVERIFY(!win.all->pickList()->isVisible());
    QCOMPARE(win->status(), QString::fromUtf8(timetable::holdingOverflowText(timetable::KbSide::Ban)));
}

// "导出打印" and the menu's export entry on each table open the whole-school dialog for that
// table (its second show box names the other side).
void SchoolUiTest::exportButtonsOpenTheDialogOfTheirTable()
{
    const struct {
        int table;
        const char* button;
        const char* entry;
        const char* second;
    } cases[] = {{ui::KbAll, "btnExKball", "mniTs7Export", "显示教师"},
                 {ui::KbRenke, "btnExKbRen", "mniTs8Export", "显示班级"}};
    for (const auto& c : cases) {
        School school;
        fillSchool(*school.store);
        SchoolWindow win(*school.store);
        win->openTimetable(c.table);
        auto* page = static_cast<timetable::ui::SchoolTablePage*>(win->page(win->currentIndex()));
        auto* btn = page->findChild<QPushButton*>(c.button);
        QVERIFY(btn && btn->isEnabled());
        QVERIFY(page->action(c.entry)->isEnabled());
        for (int via = 0; via < 2; ++via) {
            QString title, second;
            QTimer::singleShot(0, [&] {
                if (auto* d = qobject_cast<spreadsheet::TFrmPrKball*>(QApplication::activeModalWidget())) {
                    title = d->windowTitle();
                    second = d->chkFont(2)->text();
                    d->close();
                }
            });
            if (via == 0)
                QTest::mouseClick(btn, Qt::LeftButton);
            else
                page->action(c.entry)->trigger();
            QCOMPARE(title, QStringLiteral("导出，打印"));
            QCOMPARE(second, QString::fromUtf8(c.second));
        }
        QVERIFY(win.asker.shown.empty());
    }
}

QTEST_MAIN(SchoolUiTest)
#include "school_ui_test.moc"
