// `KbGrid`: one week drawn as a grid by a single painted widget, with no widget per cell.
//
// The grid has a corner, a header per period and per day, and one cell per slot of the week
// (1..N). Its geometry is the timetable pages' (`layoutKbGrid`): a column per day (layout 1)
// or a row per day (layout 2), a 20-pixel gap before the afternoon and the evening, the
// cells sized from the widget's own size and laid out again on every resize. What a cell
// shows comes from a cell function (slot -> text, picture, enabled, draggable) that the
// owner sets; `refresh` asks it again for every slot, `refreshSlot` for one, and `setLook`
// changes only a cell's picture (the hot cell, the move marks of a drag).
//
// Mouse work is reported, not performed: a press, a hover, a context menu and the start of a
// drag on a draggable cell are signals with the slot, so editing can build on the grid.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

#include "timetable/ui/kblogic.h"

namespace tavrin::timetable::ui {

struct KbGridCell {
    QString text;
    KbLook look = KbLook::Normal;
    bool enabled = true;
    bool draggable = false;
};

class KbGrid : public QWidget {
    Q_OBJECT
public:
    using CellFunction = std::function<KbGridCell(int slot)>;

    explicit KbGrid(QWidget* parent = nullptr);

    // The school week; the cells become slots 1..theDay * P, all blank until `refresh`.
    void setWeek(const KbWeekShape& week);
    const KbWeekShape& week() const { return week_; }
    int slotCount() const { return week_.theDay * week_.P(); }

    // 1 days as columns, 2 days as rows; lays the grid out again.
    void setLayoutMode(int layout);
    int layoutMode() const { return layoutMode_; }

    void setCellFunction(CellFunction f) { cellFn_ = std::move(f); }
    void setCornerText(const QString& text);
    // Period headers 1..P and day headers 1..theDay, first entry for 1.
    void setPeriodHeaders(const QStringList& texts);
    void setDayHeaders(const QStringList& texts);

    // Asks the cell function for every slot (or one) and repaints.
    void refresh();
    void refreshSlot(int slot);
    // Changes one cell's picture only.
    void setLook(int slot, KbLook look);
    // Forgets every cell and header (leaving the step).
    void clear();

    // ---- what is shown, and where
    const KbGridLayout& gridLayout() const { return geo_; }
    int fontSize() const { return geo_.fontSize; }
    const KbGridCell& cell(int slot) const;
    QString cornerText() const { return corner_; }
    QString periodHeader(int j) const;
    QString dayHeader(int d) const;
    QRect slotRect(int slot) const;
    // Day column c (0 the header column) and period row r (0 the header row), as in the layout.
    QRect headerRect(int c, int r) const;
    // The slot under a point, 0 when none.
    int slotAt(const QPoint& pos) const;
    int hoveredSlot() const { return hover_; }

signals:
    void cellPressed(int slot, Qt::MouseButton button);
    void cellDoubleClicked(int slot);
    // The pointer moved onto another cell; 0 when it left the cells.
    void cellEntered(int slot);
    // The left button was pressed on a draggable cell and the pointer moved far enough.
    void cellDragStarted(int slot, const QPoint& pressPos);
    void cellMenuRequested(int slot, const QPoint& globalPos);
    // The geometry changed (a resize or another layout); cells have a new size.
    void laidOut();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    KbWeekShape week_;
    int layoutMode_ = 1;
    KbGridLayout geo_;
    CellFunction cellFn_;
    std::vector<KbGridCell> cells_;  // [slot 0..N]
    QString corner_;
    QStringList periods_, days_;
    int hover_ = 0;
    int pressSlot_ = 0;
    QPoint pressPos_;
    bool dragReported_ = false;

    void relayout();
    static QRect toQRect(const KbRect& r) { return QRect(r.left, r.top, r.width, r.height); }
};

}  // namespace tavrin::timetable::ui
