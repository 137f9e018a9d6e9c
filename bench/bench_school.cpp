// The whole-school timetable and the assignment table on the xl demo school with its planted
// timetable, offscreen in a 1920 x 1080 window: a full paint of the visible table at several
// scroll offsets (cells asked again, and cells already known), a drag start on the whole-school
// table (classification, row colours, drop image and the repaint), and a highlight toggle with
// its repaint. Prints the mean and worst of each.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <string>

#include "demo_window.h"
#include "timetable/ui/schoolpage.h"
#include "ui/schoolgrid.h"

namespace {

using namespace tavrin;

struct Figure {
    double total = 0, worst = 0;
    int n = 0;
    void add(double ms)
    {
        total += ms;
        worst = std::max(worst, ms);
        ++n;
    }
    void print(const char* what) const
    {
        std::printf("  %-44s mean %7.3f ms, worst %7.3f ms (%d runs)\n", what, n ? total / n : 0.0, worst, n);
    }
};

double timed(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

void mouse(QWidget* w, QEvent::Type t, const QPoint& pos, Qt::MouseButton b, Qt::MouseButtons held)
{
    QMouseEvent e(t, QPointF(pos), QPointF(w->mapToGlobal(pos)), b, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void paints(ui::SchoolGrid* g, const char* table)
{
    std::printf("%s: %d rows x %d slots, cells %d x %d, viewport %d x %d\n", table, g->rows(), g->slots(),
                g->geometry().w, g->geometry().h, g->viewport()->width(), g->viewport()->height());
    Figure cold, warm;
    for (int i = 0; i <= 10; ++i) {
        g->horizontalScrollBar()->setValue(g->horizontalScrollBar()->maximum() * i / 10);
        g->verticalScrollBar()->setValue(g->verticalScrollBar()->maximum() * (10 - i) / 10);
        cold.add(timed([&] {
            g->refresh();
            g->viewport()->repaint();
        }));
        warm.add(timed([&] { g->viewport()->repaint(); }));
    }
    cold.print("full paint, every visible cell asked again");
    warm.print("full paint, cells known");
}

// The share of the text: the same paints with every cell blank.
void blankPaints(ui::SchoolGrid* g)
{
    g->setCellFunction([](int, int) { return ui::SchoolGrid::Cell{{}, QColor(0x6D, 0x6D, 0x6D), Qt::white, true, true}; });
    g->refresh();
    Figure blank;
    for (int i = 0; i <= 10; ++i) {
        g->horizontalScrollBar()->setValue(g->horizontalScrollBar()->maximum() * i / 10);
        blank.add(timed([&] { g->viewport()->repaint(); }));
    }
    blank.print("full paint, blank cells (fills and headers)");
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    bench::DemoWindow w("school", demo::DemoSize::Xl, {1920, 1080});
    if (!w.ok())
        return 1;
    int status = 0;
    QElapsedTimer enter;
    enter.start();
    w->openTimetable(ui::KbAll);
    QApplication::processEvents();
    std::printf("entering the step on the whole-school table: %.1f ms\n", double(enter.nsecsElapsed()) / 1e6);
    auto* all = qobject_cast<timetable::ui::SchoolPage*>(w->page(7));
    if (!all || !w->kbStep().document().loaded()) {
        std::fprintf(stderr, "总课程表打不开。\n");
        status = 1;
    } else {
        ui::SchoolGrid* g = all->grid();
        paints(g, "总课程表");
        // Drag starts on the first draggable cell of every tenth row in view.
        Figure start, toggle;
        g->horizontalScrollBar()->setValue(0);
        g->verticalScrollBar()->setValue(0);
        for (int row = 1; row <= g->rows(); row += 10) {
            g->scrollToRow(row);
            int slot = 0;
            for (int s = 1; s <= g->slots() && !slot; ++s)
                if (g->cell(row, s).draggable && g->cellRect(row, s).right() < g->viewport()->width())
                    slot = s;
            if (!slot)
                continue;
            const QPoint at = g->cellRect(row, slot).center();
            mouse(g->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
            start.add(timed([&] {
                mouse(g->viewport(), QEvent::MouseMove, at + QPoint(12, 3), Qt::NoButton, Qt::LeftButton);
                g->viewport()->repaint();
            }));
            g->cancelDrag();
            mouse(g->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
            all->prepareCellMenu(row, slot);
            toggle.add(timed([&] {
                all->action("NHotTea")->trigger();
                g->viewport()->repaint();
            }));
            all->prepareCellMenu(row, slot);
            all->action("NHotTea")->trigger();
        }
        start.print("drag start (classification and repaint)");
        toggle.print("highlight toggle (and repaint)");
        w->biaoButton(4)->click();
        QApplication::processEvents();
        if (auto* renke = qobject_cast<timetable::ui::AssignPage*>(w->page(8))) {
            paints(renke->grid(), "总任课表");
            blankPaints(renke->grid());
        }
    }
    return status;
}
