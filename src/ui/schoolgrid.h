// `SchoolGrid`: a table of rows (classes or teachers) against every slot of the week, drawn
// by one painted scroll area with no widget per cell. The corner, the top strip (days over
// their periods, then one header per slot) and the left strip (row names) are frozen parts of
// the same viewport: they are painted from the same scroll offsets as the body in the same
// paint, so no scroll event can leave them out of line. Only the visible cells are painted,
// and a cell's content is asked of the owner's cell function the first time it is painted
// after a `refresh`.
//
// Mouse work is reported, not performed: clicks on cells and names, the context menu, and a
// drag built from press, move and release inside the widget (auto-scrolling near the edges,
// Esc or a release outside cancels), so tests can drive it with plain mouse events.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QStaticText>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "model/slots.h"
#include "timetable/schoolcells.h"

namespace tavrin::ui {

class SchoolGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct Cell {
        QString text;
        QColor fill;
        QColor textColor;
        bool live = false;       // lit by the pointer
        bool draggable = false;
    };
    using CellFunction = std::function<Cell(int row, int slot)>;

    explicit SchoolGrid(QWidget* parent = nullptr);

    // Rows 1..rows against the slots of the week; everything is asked again.
    void setShape(int rows, const model::WeekShape& week);
    void setCellFunction(CellFunction f) { cellFn_ = std::move(f); }
    void setCornerText(const QString& t);
    void setRowNames(const QStringList& names);   // rows 1.., first entry for row 1
    void setDayHeaders(const QStringList& texts);  // days 1..
    void setSlotHeaders(const QStringList& texts); // slots 1..
    void setBodyColor(const QColor& c);
    void setDragEnabled(bool on) { dragEnabled_ = on; }

    // The cells' contents are asked again (all, or one row) when next painted.
    void refresh();
    void refreshRow(int row);
    const Cell& cell(int row, int slot) const;

    // A colour over the cells of one row (a drag's marks); invalid entries keep the cell's own.
    void setRowOverlay(int row, std::vector<QColor> fills);
    void clearOverlay();
    // The drop image, in body coordinates; an empty rect hides it.
    void setDropImage(const QRect& bodyRect);
    QRect dropImageRect() const;  // viewport coordinates, empty when hidden

    const timetable::SchoolGeometry& geometry() const { return geo_; }
    int rows() const { return geo_.rows; }
    int slots() const { return geo_.slots; }
    // Where things stand now, in viewport coordinates (after scrolling); the strips are
    // clipped to their own areas when painted.
    int leftWidth() const;
    int topHeight() const;
    QRect cellRect(int row, int slot) const;
    QRect slotHeaderRect(int slot) const;
    QRect dayHeaderRect(int day) const;
    QRect rowNameRect(int row) const;
    QRect cornerRect() const;
    // The cell under a viewport point: row and slot, 0 when none; names give slot 0.
    int rowAt(const QPoint& p) const;
    int slotAt(const QPoint& p) const;
    bool onRowName(const QPoint& p) const;
    void scrollToRow(int row);

    int hoveredRow() const { return hoverRow_; }
    int hoveredSlot() const { return hoverSlot_; }
    // The colour a cell, slot header or row name is painted with now (hover and overlay included).
    QColor shownFill(int row, int slot) const;
    QColor shownSlotHeaderFill(int slot) const;
    QColor shownRowNameFill(int row) const;
    bool dragging() const { return dragging_; }
    int dragRow() const { return dragRow_; }
    int dragSlot() const { return dragSlot_; }
    // Where the dragged cell is drawn, following the pointer (viewport coordinates).
    QRect floatingRect() const;
    void setFloatingFill(const QColor& c);
    // Ends a drag without a drop.
    void cancelDrag();

Q_SIGNALS:
    void cellClicked(int row, int slot);
    void rowNameClicked(int row);
    void cellMenuRequested(int row, int slot, const QPoint& globalPos);
    void dragStarted(int row, int slot);
    // Over a cell (row, slot), over the drop image (onImage), or over nothing (0, 0).
    void dragMoved(int row, int slot, bool onImage);
    // The drop: on a cell, or on the drop image at `imagePos` (the image's own coordinates).
    void dragDropped(int row, int slot, bool onImage, const QPoint& imagePos);
    void dragCancelled();
    void laidOut();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool viewportEvent(QEvent* e) override;

private:
    CellFunction cellFn_;
    timetable::SchoolGeometry geo_;
    model::WeekShape week_;
    mutable std::vector<Cell> cache_;
    mutable std::vector<char> valid_;
    QString corner_;
    QStringList names_, days_, slotTexts_;
    QColor body_ = QColor(0x48, 0x48, 0x48);
    int overlayRow_ = 0;
    std::vector<QColor> overlay_;
    QRect dropImage_;  // body coordinates
    bool dragEnabled_ = false;
    int hoverRow_ = 0, hoverSlot_ = 0;  // slot 0: the row name
    // press and drag
    int pressRow_ = 0, pressSlot_ = 0;
    bool pressName_ = false;
    QPoint pressPos_;
    bool pressed_ = false;
    bool dragging_ = false;
    int dragRow_ = 0, dragSlot_ = 0;
    QPoint pointer_;
    QColor floatingFill_;
    // Painting is blitting: every text is shaped and shortened once per box size, and every
    // look a cell or header takes (its text's box, fill and text colour) is drawn once into a
    // tile, so a paint copies tiles instead of blending glyphs. Both caches are per layout.
    struct TextBox {
        QStaticText lines[3];
        int n = 0;
        int lineHeight = 0;
    };
    struct BoxKey {
        QString text;
        int w = 0, h = 0;
        bool operator==(const BoxKey&) const = default;
        friend size_t qHash(const BoxKey& k, size_t seed = 0) { return qHashMulti(seed, k.text, k.w, k.h); }
    };
    struct TileKey {
        int box = 0;
        QRgb fill = 0, fg = 0;
        bool operator==(const TileKey&) const = default;
        friend size_t qHash(const TileKey& k, size_t seed = 0) { return qHashMulti(seed, k.box, k.fill, k.fg); }
    };
    mutable std::vector<TextBox> boxes_;
    mutable QHash<BoxKey, int> boxIndex_;
    mutable std::vector<int> cellBox_;  // per cell: its text's box, kNoBox when blank, kUnknown not yet
    mutable QHash<TileKey, QImage> tiles_;
    mutable qsizetype tileBytes_ = 0;
    mutable QImage scratch_;

    void forgetShapes() const;
    int boxFor(const QString& text, int w, int h, const QFont& f) const;
    void paintBox(QPainter& p, const QRect& r, int box, const QColor& fill, const QColor& fg) const;
    void relayout();
    QFont paintFont() const;
    void setHover(int row, int slot);
    void autoScroll(const QPoint& p);
    QPoint bodyOrigin() const;  // viewport position of the body's (0, 0)
    void paintCell(QPainter& p, const QRect& r, const QString& text, const QColor& fill, const QColor& fg) const;
    void updateHover(int row, int slot);
    void updateRow(int row);
};

QColor schoolColor(timetable::SchoolColour c);

}  // namespace tavrin::ui
