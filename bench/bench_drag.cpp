// The drag controller on the large demo school's busiest class and teacher pages, offscreen:
// the drag start (classification, the mark layer, the floating copy) and every drag-over
// along a pointer path of 2,000 events across the page (grid cells, headers, the holding
// area, outside), each with the repaint it asks for. Prints the start time and the mean and
// worst drag-over.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "demo_window.h"
#include "timetable/ui/kbdragcontroller.h"
#include "timetable/ui/timetablepage.h"
#include "ui/kbgrid.h"

namespace {

using namespace tavrin;

int busiest(const timetable::KbData& kb, bool tea)
{
    const int rows = tea ? kb.school.TeaOldNum : kb.school.MaxBanID;
    int best = 1, bestCount = -1;
    for (int id = 1; id <= rows; ++id) {
        int n = 0;
        for (int s = 1; s <= kb.N(); ++s)
            n += (tea ? kb.cellT(id, s) : kb.cellB(id, s)) >= 0;
        if (n > bestCount) {
            best = id;
            bestCount = n;
        }
    }
    return best;
}

void run(timetable::ui::TimetablePage& page, bool tea)
{
    const timetable::KbData& kb = page.data();
    const int id = busiest(kb, tea);
    if (tea)
        page.showTea(id);
    else
        page.showBan(id);
    QApplication::processEvents();
    ui::KbGrid* grid = page.grid();
    auto* ctl = page.dragController();
    int source = 0;
    for (int s = 1; s <= kb.N() && !source; ++s)
        if (grid->cell(s).draggable)
            source = s;
    if (!source) {
        std::printf("%s page %d: nothing to drag\n", tea ? "teacher" : "class", id);
        return;
    }
    QPixmap canvas(page.size());
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> px(-40, page.width() + 40), py(-40, page.height() + 40);
    const int rounds = 20;
    double startTotal = 0, overTotal = 0, overWorst = 0;
    long overs = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer t;
        t.start();
        ctl->startFromCell(source, grid->mapTo(&page, grid->slotRect(source).center()));
        page.render(&canvas);
        startTotal += double(t.nsecsElapsed()) / 1e6;
        for (int i = 0; i < 2000; ++i) {
            const QPoint at = i % 4 == 0 ? QPoint(px(rng), py(rng))
                                         : grid->mapTo(&page, grid->slotRect(1 + i * 7 % kb.N()).center());
            t.restart();
            ctl->moveTo(at);
            QApplication::processEvents();
            const double ms = double(t.nsecsElapsed()) / 1e6;
            overTotal += ms;
            overWorst = std::max(overWorst, ms);
            ++overs;
        }
        ctl->cancel();
    }
    std::printf("%s page %s (%d slots): drag start %.3f ms, drag-over mean %.4f ms, worst %.3f ms (%ld events)\n",
                tea ? "teacher" : "class", timetable::kbName(kb.school, tea ? timetable::KbSide::Tea : timetable::KbSide::Ban, id).c_str(),
                kb.N(), startTotal / rounds, overTotal / double(overs), overWorst, overs);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    bench::DemoWindow w("drag", demo::DemoSize::Large, {1600, 1000});
    if (!w.ok())
        return 1;
    w->openTimetable(ui::KbBan);
    auto* page = timetable::ui::TimetablePage::of(*w);
    if (!page || !page->stepLoaded()) {
        std::fprintf(stderr, "课程表打不开。\n");
        return 1;
    }
    run(*page, false);
    run(*page, true);
    return 0;
}
