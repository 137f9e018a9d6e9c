// The whole-school timetable and the assignment table, offscreen in a 1920 x 1080 window, on
// two schools: the xl demo school with its planted timetable (the everyday shape, 45 slots),
// and the demo school stretched to the worst shape, 100 classes and 300 teachers against 189
// slots. For each table it prints the mean and worst of:
//  - a full paint of the visible table at several scroll offsets (cells asked again, and cells
//    already known);
//  - a scroll by one page, right or down, and what it paints;
//  - a hover move to the next cell, and what it paints;
//  - on the whole-school table, a drag start (classification, row colours, drop image and what
//    is painted) and a highlight toggle with what it paints.
// "What it paints" is the window's next frame: the events are processed as the event loop
// would, so a widget that repaints less is measured as such.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <ctime>
#include <utility>
#include <cstdio>
#include <functional>
#include <string>

#include "demo_window.h"
#include "school_shape.h"
#include "timetable/ui/schoolpage.h"
#include "ui/schoolgrid.h"

namespace {

using namespace tavrin;

// Wall time, and the thread's own processor time beside it: on a shared machine the wall
// time's worst case is mostly other programs running, the processor time is this one's cost.
struct Figure {
    double total = 0, worst = 0, cpuTotal = 0, cpuWorst = 0;
    int n = 0;
    void add(std::pair<double, double> ms)
    {
        total += ms.first;
        worst = std::max(worst, ms.first);
        cpuTotal += ms.second;
        cpuWorst = std::max(cpuWorst, ms.second);
        ++n;
    }
    void print(const char* what) const
    {
        std::printf("  %-48s mean %7.3f ms, worst %7.3f ms; processor mean %7.3f ms, worst %7.3f ms (%d runs)\n",
                    what, n ? total / n : 0.0, worst, n ? cpuTotal / n : 0.0, cpuWorst, n);
    }
};

double threadMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

std::pair<double, double> timed(const std::function<void()>& f)
{
    QElapsedTimer t;
    const double cpu = threadMs();
    t.start();
    f();
    return {double(t.nsecsElapsed()) / 1e6, threadMs() - cpu};
}

// The next frame: pending updates painted.
void frame()
{
    QApplication::processEvents();
}

void mouse(QWidget* w, QEvent::Type t, const QPoint& pos, Qt::MouseButton b, Qt::MouseButtons held)
{
    QMouseEvent e(t, QPointF(pos), QPointF(w->mapToGlobal(pos)), b, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void paints(ui::SchoolGrid* g)
{
    std::printf("  %d rows x %d slots, cells %d x %d, viewport %d x %d\n", g->rows(), g->slots(), g->geometry().w,
                g->geometry().h, g->viewport()->width(), g->viewport()->height());
    Figure cold, warm;
    for (int i = 0; i <= 10; ++i) {
        g->horizontalScrollBar()->setValue(g->horizontalScrollBar()->maximum() * i / 10);
        g->verticalScrollBar()->setValue(g->verticalScrollBar()->maximum() * (10 - i) / 10);
        frame();
        cold.add(timed([&] {
            g->refresh();
            g->viewport()->repaint();
        }));
        warm.add(timed([&] { g->viewport()->repaint(); }));
    }
    cold.print("full paint, every visible cell asked again");
    warm.print("full paint, cells known");
}

// One page at a time to the end of a scroll bar.
Figure pagesTo(QScrollBar* bar)
{
    Figure f;
    while (bar->value() < bar->maximum()) {
        const int last = bar->value();
        f.add(timed([&] {
            bar->setValue(bar->value() + bar->pageStep());
            frame();
        }));
        if (bar->value() == last)
            break;
    }
    return f;
}

// Page by page to the right along the top rows, then down along the right-hand slots.
void pageScrolls(ui::SchoolGrid* g)
{
    g->horizontalScrollBar()->setValue(0);
    g->verticalScrollBar()->setValue(0);
    g->refresh();
    frame();
    pagesTo(g->horizontalScrollBar()).print("scroll one page right");
    pagesTo(g->verticalScrollBar()).print("scroll one page down");
}

// The pointer across a row of cells in view, one cell at a time, in every tenth row.
void hoverMoves(ui::SchoolGrid* g)
{
    g->horizontalScrollBar()->setValue(0);
    g->verticalScrollBar()->setValue(0);
    frame();
    Figure hover;
    for (int row = 1; row <= g->rows(); row += 10) {
        g->scrollToRow(row);
        frame();
        for (int s = 1; s <= g->slots() && g->cellRect(row, s).right() < g->viewport()->width(); s += 3)
            hover.add(timed([&] {
                mouse(g->viewport(), QEvent::MouseMove, g->cellRect(row, s).center(), Qt::NoButton, Qt::NoButton);
                frame();
            }));
    }
    hover.print("hover move to another cell");
}

// Drag starts on the first draggable cell of every tenth row, and a highlight of that cell's
// teacher switched on and off again.
void dragsAndHighlights(timetable::ui::SchoolPage* all)
{
    ui::SchoolGrid* g = all->grid();
    Figure start, toggle;
    g->horizontalScrollBar()->setValue(0);
    g->verticalScrollBar()->setValue(0);
    frame();
    for (int row = 1; row <= g->rows(); row += 10) {
        g->scrollToRow(row);
        frame();
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
            frame();
        }));
        g->cancelDrag();
        mouse(g->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        frame();
        for (int twice = 0; twice < 2; ++twice) {
            all->prepareCellMenu(row, slot);
            toggle.add(timed([&] {
                all->action("NHotTea")->trigger();
                frame();
            }));
        }
    }
    start.print("drag start (classification and what it paints)");
    toggle.print("highlight toggle (and what it paints)");
}

void measure(ui::SchoolGrid* g, timetable::ui::SchoolPage* all)
{
    paints(g);
    pageScrolls(g);
    hoverMoves(g);
    if (all)
        dragsAndHighlights(all);
}

int run(bench::DemoWindow& w, const char* school)
{
    if (!w.ok())
        return 1;
    QElapsedTimer enter;
    enter.start();
    w->openTimetable(ui::KbAll);
    frame();
    std::printf("%s: entering the step on the whole-school table: %.1f ms\n", school,
                double(enter.nsecsElapsed()) / 1e6);
    auto* all = qobject_cast<timetable::ui::SchoolPage*>(w->page(7));
    if (!all || !w->kbStep().document().loaded()) {
        std::fprintf(stderr, "总课程表打不开。\n");
        return 1;
    }
    std::printf(" 总课程表\n");
    measure(all->grid(), all);
    w->biaoButton(4)->click();
    frame();
    auto* renke = qobject_cast<timetable::ui::AssignPage*>(w->page(8));
    if (!renke)
        return 1;
    std::printf(" 总任课表\n");
    measure(renke->grid(), nullptr);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    {
        bench::DemoWindow w("school", demo::DemoSize::Xl, {1920, 1080});
        status |= run(w, "xl demo school");
    }
    {
        bench::DemoWindow w("school_worst", bench::stretchedSchool(100, 300), {1920, 1080});
        status |= run(w, "100 classes, 300 teachers, 189 slots");
    }
    return status;
}
