#include "timetable/layout.h"

#include <algorithm>

namespace tavrin::timetable {

int KbGridLayout::gapBefore(int r) const
{
    // A section adds its gap only when it has periods: with no afternoon but an evening,
    // one gap of 20 opens before the evening, as much as the height formula leaves for it.
    int g = 2;
    if (week.aft > 0 && r > week.mor)
        g += kSectionGap;
    if (week.nig > 0 && r > week.mor + week.aft)
        g += kSectionGap;
    return g;
}

KbRect KbGridLayout::at(int c, int r) const
{
    if (layout == 2)
        return {r * w + gapBefore(r), c * h + 2, w, h};
    return {c * w + 2, r * h + gapBefore(r), w, h};
}

KbRect KbGridLayout::slot(int s) const
{
    const int P = week.P();
    if (P <= 0 || s < 1 || s > P * week.theDay)
        return {};
    const int d = (s - 1) / P + 1;
    return at(d, s - (d - 1) * P);
}

int KbGridLayout::usedWidth() const
{
    return layout == 2 ? at(0, week.P()).right() : at(week.theDay, 0).right();
}

int KbGridLayout::usedHeight() const
{
    return layout == 2 ? at(week.theDay, 0).bottom() : at(0, week.P()).bottom();
}

KbGridLayout layoutKbGrid(int layout, int panelW, int panelH, const KbWeekShape& week)
{
    KbGridLayout g;
    g.layout = layout == 2 ? 2 : 1;
    g.week = week;
    const int A = week.aft > 0 ? 1 : 0;
    const int E = week.nig > 0 ? 1 : 0;
    g.gaps = A + E;
    const int gapSpace = kSectionGap * A + kSectionGap * E;
    const int periods = week.P() + 1, days = week.theDay + 1;
    if (g.layout == 1) {
        g.w = (panelW - 2) / days;
        g.h = (panelH - gapSpace - 2) / periods;
    } else {
        g.w = (panelW - gapSpace - 2) / periods;
        g.h = (panelH - 2) / days;
    }
    g.w = std::max(g.w, 0);
    g.h = std::max(g.h, 0);
    g.fontSize = std::max(kMinKbFont, std::min(g.w / 12, g.h / 4));
    return g;
}

KbRect KbFlow::next()
{
    if (2 * w + x > areaWidth) {
        ++row;
        x = 1;
    } else {
        x += w;
    }
    return {x, row * h + 1, w, h};
}

}  // namespace tavrin::timetable
