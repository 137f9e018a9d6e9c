// `KbGrid`: one week drawn as a grid by a single painted widget, with no widget per cell.
//
// The grid has a corner, a header per period and per day, and one cell per slot of the week
// (1..days * periods). Where each of them stands is the owner's choice: a geometry function
// turns the widget's size into a `GridGeometry` (days as columns or as rows, cell and header
// sizes, the gaps that set the sections of a day apart, bands across the week such as a
// break), asked again on every resize. The timetable pages use `kbPageGeometry`; the week
// of the school, the time-mark dialog, the whole-school table and the mini timetables give
// their own. What a cell shows comes from a cell function (slot -> text, picture, enabled,
// draggable) that the owner sets; `refresh` asks it again for every slot, `refreshSlot` for
// one, and `setLook` changes only a cell's picture (the hot cell, the move marks of a drag).
//
// Mouse work is reported, not performed: a press, a hover, a context menu and the start of a
// drag on a draggable cell are signals with the slot, so editing can build on the grid.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

class QKeyEvent;

#include <functional>
#include <optional>
#include <vector>

#include "timetable/cells.h"
#include "timetable/layout.h"

namespace tavrin::ui {

using timetable::KbLook;

// Where everything of a week grid stands, in widget pixels. Along the day axis: the header,
// then one cell per day. Along the period axis: the header, then one cell per period, with
// `gapBefore[j]` more pixels opened before period j and each band's size before its period.
struct GridGeometry {
    // A strip across every day before period `beforePeriod` (1..periods + 1), with its
    // caption: a break, a public activity of the whole school.
    struct Band {
        int beforePeriod = 1;
        int size = 0;
        QString text;
    };

    int days = 0, periods = 0;
    bool daysAsRows = false;    // false: a column per day (layout 1); true: a row per day
    int cellW = 0, cellH = 0;   // every lesson cell
    int headerW = 0;            // the header column's width
    int headerH = 0;            // the header row's height
    QPoint origin{2, 2};        // the corner's top-left
    std::vector<int> gapBefore;  // [0..periods]; missing entries are 0
    std::vector<Band> bands;
    int fontSize = 8;

    QRect corner() const;
    QRect dayHeader(int d) const;     // 1..days
    QRect periodHeader(int j) const;  // 1..periods
    QRect cell(int d, int j) const;
    QRect slot(int s) const;          // s = (d - 1) * periods + j; empty outside the week
    QRect band(int i) const;
    // The slot under a point, 0 when none (the gaps, bands and headers belong to no cell).
    int slotAt(const QPoint& pos) const;
    // The band under a point, -1 when none.
    int bandAt(const QPoint& pos) const;
    // The bottom-right extent of everything drawn.
    QSize used() const;

private:
    int periodStart(int j) const;  // along the period axis, j = 1..periods + 1
    int dayStart(int d) const;     // along the day axis
};

// The class and teacher pages' geometry for a widget of that size: every header and cell
// w x h from `layoutKbGrid`, a gap of 20 before the afternoon and before the evening.
GridGeometry kbPageGeometry(int layout, QSize size, const timetable::KbWeekShape& week);
GridGeometry toGridGeometry(const timetable::KbGridLayout& g);

struct KbGridCell {
    QString text;
    KbLook look = KbLook::Normal;
    bool enabled = true;
    bool draggable = false;
    // A lesson's subject colour, drawn instead of the normal picture; invalid for none.
    // A lesson's text is drawn with its first line (the subject) bold, the rest smaller.
    QColor tint = {};
};

// Where a lesson's two lines go inside a cell: the subject over the rest while both fit
// the height, else side by side on one line with the rest shortened to the width, so a
// small window never cuts the teacher's name in half.
struct KbLessonLayout {
    bool oneLine = false;
    QRect head, rest;
    QString restText;
};
KbLessonLayout layoutKbLesson(const QRect& inner, const QFont& headFont, const QFont& restFont, const QString& head,
                              const QString& rest);

void drawKbLesson(QPainter& p, const QRect& r, const QString& text, const QColor& c, const QFont& base);

// What lies under a point of the grid: a cell (day, period and slot), a day or period
// header, the corner, or a band.
struct GridHit {
    enum Part { None, Corner, DayHeader, PeriodHeader, Cell, Band };
    Part part = None;
    int day = 0;     // 1..days for a cell or a day header
    int period = 0;  // 1..periods for a cell or a period header
    int slot = 0;    // a cell's slot
    int band = -1;   // a band's index
    bool operator==(const GridHit&) const = default;
};

// The keys a timetable cell or held lesson answers besides the arrows: Enter or Space picks
// up or drops, Delete parks, Esc cancels, Shift+F10 or the menu key opens the cell menu.
enum class KbKey { Other, Activate, Delete, Escape, Menu };
KbKey kbKeyOf(const QKeyEvent* e);

class KbGrid : public QWidget {
    Q_OBJECT
public:
    using CellFunction = std::function<KbGridCell(int slot)>;
    using GeometryFunction = std::function<GridGeometry(QSize)>;

    explicit KbGrid(QWidget* parent = nullptr);

    // The week's size; the cells become slots 1..days * periods, all blank until `refresh`.
    void setWeek(int days, int periods);
    int days() const { return days_; }
    int periods() const { return periods_; }
    int slotCount() const { return days_ * periods_; }

    // Where things stand for a given widget size; lays the grid out again now and on every
    // resize. The geometry's week must be the grid's.
    void setGeometryFunction(GeometryFunction f);

    void setCellFunction(CellFunction f) { cellFn_ = std::move(f); }
    // Cells drawn flat in a colour of their own with white text instead of their look's
    // picture (the week of the school colours its cells by section and by what they hold);
    // an invalid colour keeps the picture. Asked with the cell function.
    using FillFunction = std::function<QColor(int slot)>;
    void setFillFunction(FillFunction f) { fillFn_ = std::move(f); }
    // The text colour over a filled cell (white when unset).
    void setFillTextFunction(FillFunction f) { fillTextFn_ = std::move(f); }
    QColor cellFill(int slot) const;
    void setCornerText(const QString& text);
    // Period headers 1..P and day headers 1..theDay, first entry for 1.
    void setPeriodHeaders(const QStringList& texts);
    void setDayHeaders(const QStringList& texts);

    // Asks the cell function for every slot (or one) and repaints.
    void refresh();
    void refreshSlot(int slot);
    // Changes one cell's picture only.
    void setLook(int slot, KbLook look);

    // ---- layers over the cells' own looks (a drag's marks, the target under the pointer,
    // the pointer's hot cell): the cells keep their own look, so taking a layer away
    // restores every picture without asking the cell function again.
    // A picture per slot [0..N] (nullopt: the cell's own); an empty vector takes it away.
    void setMarkLayer(std::vector<std::optional<KbLook>> looks);
    bool hasMarkLayer() const { return !marks_.empty(); }
    // The one cell drawn as the target under the pointer (`FromKe`), 0 for none. Only the
    // cells that change repaint.
    void setTargetSlot(int slot);
    int targetSlot() const { return target_; }
    // Whether the cell under the pointer shows the hot picture while no mark layer is set
    // and it holds a draggable lesson.
    void setHotOnHover(bool on);
    // The picture a cell is drawn with now, layers included.
    KbLook shownLook(int slot) const;
    // Whether a cell's text is drawn (the dragged lesson's own cell shows none).
    bool textShown(int slot) const;

    // ---- the keyboard cursor: a cell that keys act on, drawn with a frame while the grid
    // has the focus. The arrows move it as the cells stand on screen in either layout.
    void setCursorSlot(int slot);
    int cursorSlot() const { return cursor_; }
    // Forgets every cell and header (leaving the step).
    void clear();

    // ---- what is shown, and where
    const GridGeometry& geometry() const { return geo_; }
    int fontSize() const { return geo_.fontSize; }
    const KbGridCell& cell(int slot) const;
    QString cornerText() const { return corner_; }
    QString periodHeader(int j) const;
    QString dayHeader(int d) const;
    QRect slotRect(int slot) const;
    // Day d (0: the header column or row) and period j (0: the header row or column): the
    // corner (0, 0), a day header (d, 0), a period header (0, j).
    QRect headerRect(int d, int j) const;
    // The slot under a point, 0 when none.
    int slotAt(const QPoint& pos) const;
    // Whatever lies under a point.
    GridHit hitAt(const QPoint& pos) const;
    int hoveredSlot() const { return hover_; }
    // Headers and bands drawn flat in this colour instead of the header picture; invalid:
    // the picture.
    void setHeaderColor(const QColor& c);

Q_SIGNALS:
    void cellPressed(int slot, Qt::MouseButton button);
    void cellDoubleClicked(int slot);
    // The pointer moved onto another cell; 0 when it left the cells.
    void cellEntered(int slot);
    // The left button was pressed on a draggable cell and the pointer moved far enough.
    void cellDragStarted(int slot, const QPoint& pressPos);
    void cellMenuRequested(int slot, const QPoint& globalPos);
    // The geometry changed (a resize or another layout); cells have a new size.
    void laidOut();
    // Keys on the cursor's cell: Enter or Space, Delete, Esc, Shift+F10 or the menu key.
    void cursorMoved(int slot);
    void cellActivated(int slot);
    void cellDeleteRequested(int slot);
    void escapePressed();
    // A press and a release of the same button on the same cell, header or band.
    void partClicked(const tavrin::ui::GridHit& hit, Qt::MouseButton button);
    // The context menu asked for over a cell, a header or a band.
    void partMenuRequested(const tavrin::ui::GridHit& hit, const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    int days_ = 0, periods_ = 0;
    GeometryFunction geoFn_;
    GridGeometry geo_;
    CellFunction cellFn_;
    FillFunction fillFn_;
    FillFunction fillTextFn_;
    std::vector<KbGridCell> cells_;  // [slot 0..N]
    std::vector<QColor> fills_;      // [slot 0..N]
    QString corner_;
    QStringList periodTexts_, dayTexts_;
    int hover_ = 0;
    QColor headerColor_;
    GridHit pressHit_;
    Qt::MouseButton pressButton_ = Qt::NoButton;
    int pressSlot_ = 0;
    QPoint pressPos_;
    bool dragReported_ = false;
    std::vector<std::optional<KbLook>> marks_;  // [slot 0..N] or empty
    int target_ = 0;
    bool hotOnHover_ = false;
    int cursor_ = 0;

    void relayout();
    void updateSlot(int slot);
    void moveCursor(int dDay, int dPeriod);
};

}  // namespace tavrin::ui
