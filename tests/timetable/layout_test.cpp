// Geometry of the week grid: cell sizes, font size, section gaps in both layouts, and the
// flow of the holding area.
#include <gtest/gtest.h>

#include "timetable/layout.h"

namespace tavrin::timetable {
namespace {

struct GridCase {
    const char* name;
    int layout, panelW, panelH;
    KbWeekShape week;
    int w, h, font, gaps;
    // One probe: day column c, period row r and where it lands.
    int c, r, left, top;
};

void PrintTo(const GridCase& c, std::ostream* os)
{
    *os << c.name;
}

class GridLayout : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridLayout, CellSizeFontAndPlace)
{
    const GridCase& c = GetParam();
    const KbGridLayout g = layoutKbGrid(c.layout, c.panelW, c.panelH, c.week);
    EXPECT_EQ(g.w, c.w);
    EXPECT_EQ(g.h, c.h);
    EXPECT_EQ(g.fontSize, c.font);
    EXPECT_EQ(g.gaps, c.gaps);
    EXPECT_EQ(g.at(c.c, c.r), (KbRect{c.left, c.top, c.w, c.h}));
    // Whatever the week, the grid stays inside its panel.
    EXPECT_LE(g.usedWidth(), std::max(c.panelW, 2 + 2 * kSectionGap));
    EXPECT_LE(g.usedHeight(), std::max(c.panelH, 2 + 2 * kSectionGap));
}

INSTANTIATE_TEST_SUITE_P(
    Table, GridLayout,
    ::testing::Values(
        // Days as columns, a morning and an afternoon: one gap, before period 5.
        GridCase{"columns_first_afternoon_period", 1, 802, 602, {5, 4, 4, 0}, 133, 64, 11, 1, 1, 5, 135, 342},
        GridCase{"columns_last_morning_period", 1, 802, 602, {5, 4, 4, 0}, 133, 64, 11, 1, 3, 4, 401, 258},
        // Only a morning: no gap at all, h = (height - 2) / (P + 1).
        GridCase{"columns_morning_only", 1, 702, 702, {5, 6, 0, 0}, 116, 100, 9, 0, 5, 6, 582, 602},
        // All three sections: gaps before period mor + 1 and mor + aft + 1.
        GridCase{"columns_afternoon_gap", 1, 1000, 700, {7, 4, 3, 2}, 124, 65, 10, 2, 7, 7, 870, 477},
        GridCase{"columns_evening_gap", 1, 1000, 700, {7, 4, 3, 2}, 124, 65, 10, 2, 1, 8, 126, 562},
        GridCase{"columns_header_row", 1, 1000, 700, {7, 4, 3, 2}, 124, 65, 10, 2, 2, 0, 250, 2},
        // Days as rows: the transpose, gaps along the width.
        GridCase{"rows_first_afternoon_period", 2, 1000, 400, {5, 4, 4, 1}, 95, 66, 8, 2, 2, 5, 497, 134},
        GridCase{"rows_evening_period", 2, 1000, 400, {5, 4, 4, 1}, 95, 66, 8, 2, 5, 9, 897, 332},
        GridCase{"rows_day_header", 2, 1000, 400, {5, 4, 4, 1}, 95, 66, 8, 2, 3, 0, 2, 200},
        GridCase{"rows_big_panel_font", 2, 1642, 902, {5, 4, 4, 0}, 180, 150, 15, 1, 1, 1, 182, 152},
        // A narrow panel: the font stays at 8.
        GridCase{"narrow_panel", 1, 150, 600, {5, 4, 4, 0}, 24, 64, 8, 1, 5, 8, 122, 534},
        // No afternoon but an evening: one gap of 20 before the evening, as reserved.
        GridCase{"evening_without_afternoon", 1, 602, 302, {5, 4, 0, 2}, 100, 40, 8, 1, 1, 5, 102, 222},
        // A panel smaller than the week: nothing negative.
        GridCase{"panel_too_small", 1, 1, 1, {5, 4, 4, 0}, 0, 0, 8, 1, 2, 5, 2, 22}),
    [](const auto& info) { return info.param.name; });

TEST(GridLayout, SlotsFollowTheirDayAndPeriod)
{
    const KbWeekShape week{5, 4, 3, 0};
    for (int layout : {1, 2}) {
        const KbGridLayout g = layoutKbGrid(layout, 900, 700, week);
        // Slot 12 is day 2, period 5 (P = 7); slot 35 the last of the week.
        EXPECT_EQ(g.slot(12), g.at(2, 5)) << layout;
        EXPECT_EQ(g.slot(35), g.at(5, 7)) << layout;
        EXPECT_EQ(g.slot(0), KbRect{});
        EXPECT_EQ(g.slot(36), KbRect{});
    }
}

TEST(GridLayout, MiniTimetableColumnWidth)
{
    EXPECT_EQ(minFrmWidth(1, {5, 4, 4, 1}), 5 * 21 + 46);
    EXPECT_EQ(minFrmWidth(2, {5, 4, 4, 1}), 9 * 21 + 46);
}

TEST(HoldingFlow, FillsRowsLeftToRight)
{
    KbFlow f(100, 50, 350);
    EXPECT_EQ(f.next(), (KbRect{1, 1, 100, 50}));
    EXPECT_EQ(f.next(), (KbRect{101, 1, 100, 50}));
    EXPECT_EQ(f.next(), (KbRect{201, 1, 100, 50}));
    // 2 * 100 + 201 > 350: a new row.
    EXPECT_EQ(f.next(), (KbRect{1, 51, 100, 50}));
    EXPECT_EQ(f.next(), (KbRect{101, 51, 100, 50}));
}

TEST(HoldingFlow, AreaNarrowerThanACellTakesOnePerRow)
{
    KbFlow f(100, 50, 80);
    EXPECT_EQ(f.next(), (KbRect{1, 51, 100, 50}));
    EXPECT_EQ(f.next(), (KbRect{1, 101, 100, 50}));
}

}  // namespace
}  // namespace tavrin::timetable
