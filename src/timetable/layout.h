// Geometry of the week grid of the class and teacher pages, as plain numbers so that the
// screens and the tests share it.
//
// The grid has a header column and one column per school day (c = 0..theDay), a header row
// and one row per period (r = 0..P). Layout 1 shows days as columns, layout 2 days as rows
// (the transpose). A gap of 20 pixels opens before the afternoon and before the evening, so
// the three sections of the day stand apart. All divisions truncate.
#pragma once

#include "model/slots.h"

namespace tavrin::timetable {

inline constexpr int kSectionGap = 20;
inline constexpr int kMinKbFont = 8;

struct KbRect {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool operator==(const KbRect&) const = default;
};

// The school's week shape, as the grid lays it out.
using KbWeekShape = model::WeekShape;

struct KbGridLayout {
    int layout = 1;      // 1 days as columns, 2 days as rows
    KbWeekShape week;
    int w = 0, h = 0;    // every cell and header is w x h
    int fontSize = kMinKbFont;  // `KbFontSize`
    int gaps = 0;        // section gaps that open (0..2)

    // Offset of period r (0 = the header row) along the period axis: 2, then 20 more once
    // the afternoon has begun, 20 more once the evening has begun.
    int gapBefore(int r) const;
    // Day column c (0 = the header column, 1..theDay the days in weekday order) and period
    // row r (0 = the header row, 1..P).
    KbRect at(int c, int r) const;
    // The cell of slot s = (d - 1) * P + j.
    KbRect slot(int s) const;
    // Width and height the whole grid takes, from the panel's top-left corner.
    int usedWidth() const;
    int usedHeight() const;
};

// `ResizeToKB1` / `ResizeToKB2` for a grid panel of panelW x panelH pixels. Cell sizes
// below zero (a panel too small for the week) become 0; the font is never below 8.
KbGridLayout layoutKbGrid(int layout, int panelW, int panelH, const KbWeekShape& week);

// Width of the column of mini timetables beside the grid.
inline int minFrmWidth(int layout, const KbWeekShape& week)
{
    return (layout == 2 ? week.P() : week.theDay) * 21 + 46;
}

// The flow of the holding area (`ResizeTmpKb`) for cells of w x h in an area areaWidth
// wide: the place of the next lesson without a remembered position, the cursor advanced.
struct KbFlow {
    int x = 0, row = 0;
    int w = 0, h = 0, areaWidth = 0;
    KbFlow(int cellW, int cellH, int width) : x(1 - cellW), w(cellW), h(cellH), areaWidth(width) {}
    KbRect next();
};

}  // namespace tavrin::timetable
