// The floating mini timetable (`MinFrm`) of a drag on the class or teacher page: the
// timetable of the dragged lesson's teacher (class page) or class (teacher page), each cell
// on the colour of its move mark, following the floating copy 30 pixels below it. It is a
// frameless tool window that lets the pointer through, so it never takes the drop, the
// hover or the focus.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

#include "timetable/kbdata.h"
#include "timetable/kbdrag.h"
#include "timetable/layout.h"

namespace tavrin::timetable::ui {

// The cells of the floating window: `MinCellW` x `MinCellH` one apart, the section gaps of
// the side panels.
struct MinFrmGeometry {
    int layout = 1;
    KbWeekShape week;
    int cellW = 20, cellH = 15;
    int gap(int r) const;
    QRect at(int i, int r) const;  // column i (0 header, 1..theDay), period row r (0 header, 1..P)
    QRect slot(int s) const;
    QSize client() const;
};

// `MinCellW` for a floating copy `movWidth` wide: the copy's width shared by the columns (or
// the period rows in layout 2), at least 20.
int minCellWidth(int layout, int movWidth, const KbWeekShape& week);

class MinFrm : public QWidget {
    Q_OBJECT
public:
    explicit MinFrm(QWidget* parent = nullptr);

    // After every grid layout: the cell size from the floating copy's width.
    void layoutFor(int layout, int movWidth, const KbWeekShape& week, const QStringList& days);
    // At the drag start: the other side's timetable coloured by the drag's marks.
    void fill(const KbData& kb, const KbDrag& drag);
    // Placed, in screen coordinates, centred 30 pixels below the floating copy `copy`, and
    // shown; above the copy when the screen has no room below. The marker follows `pointer`
    // inside the mini cell of `slot` (0: the marker stays where it is).
    void follow(const QRect& copy, int slot, const QPoint& pointer, const QRect& screen);

    const MinFrmGeometry& cellGeometry() const { return geo_; }
    int shownId() const { return id_; }
    QString cellText(int slot) const;
    QColor cellColor(int slot) const;
    QString markerText() const { return marker_; }
    QRect markerRect() const { return markerRect_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    MinFrmGeometry geo_;
    QStringList days_;
    std::vector<QString> text_;
    std::vector<QColor> color_;
    QString marker_;
    QRect markerRect_;
    int id_ = 0;
};

}  // namespace tavrin::timetable::ui
