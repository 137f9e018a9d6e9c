// The side panels of a class page on a generated school of 100 classes and 300 teachers over
// 189 slots (7 days of 27 periods), offscreen: the choice of panels with their cells, and
// that plus painting every panel into an image, for each class in turn. Prints the mean and
// worst time of a class page.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>

#include "big_school.h"
#include "timetable/changes.h"
#include "timetable/ui/minipanels.h"

using namespace tavrin;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    timetable::KbDocument doc;
    bench::startBig(doc, {100, 300, 12, 10, 7, 12, 10, 5, 11});
    const timetable::KbData& kb = doc.data();
    timetable::ChangeFinder finder(kb.school);
    timetable::ui::MiniPanels panels;
    for (const bool paint : {false, true}) {
        double total = 0, worst = 0;
        int pages = 0;
        std::size_t shown = 0;
        for (int round = 0; round < 5; ++round)
            for (int ban = 1; ban <= kb.school.MaxBanID; ++ban) {
                QElapsedTimer t;
                t.start();
                panels.fill(kb, finder, timetable::KbSide::Ban, ban);
                if (paint) {
                    QImage img(panels.size(), QImage::Format_RGB32);
                    panels.render(&img);
                }
                const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
                total += ms;
                worst = std::max(worst, ms);
                shown += panels.ids().size();
                ++pages;
            }
        std::printf("class page panels%s: %d pages, %.1f panels a page, mean %.3f ms, worst %.3f ms\n",
                    paint ? " filled and painted" : " chosen and filled", pages,
                    static_cast<double>(shown) / pages, total / pages, worst);
    }
    return 0;
}
