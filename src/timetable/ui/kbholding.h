// The holding area (`scrlbxTmpKe`): the unplaced lessons of the timetable shown, drawn as
// cells of the grid's size at their places, under the caption "课程暂放区". One painted
// widget inside a scroll area; entries are numbered 1..n like the holding list.
#pragma once

#include <QScrollArea>
#include <QString>

#include <vector>

#include "ui/kbgrid.h"

namespace tavrin::timetable::ui {

using tavrin::ui::KbGridCell;

struct KbHeldTile {
    QRect rect;       // in the area's coordinates
    KbGridCell cell;  // text and picture, as a grid cell of that lesson
};

class KbHoldingArea : public QWidget {
    Q_OBJECT
public:
    explicit KbHoldingArea(QWidget* parent = nullptr);

    // Tiles 1..n (entry 0 unused) in the font size of the grid.
    void setTiles(std::vector<KbHeldTile> tiles, int fontSize);
    void clear();
    const std::vector<KbHeldTile>& tiles() const { return tiles_; }
    int count() const { return static_cast<int>(tiles_.size()) - 1; }
    int fontSize() const { return fontSize_; }
    // The entry under a point, 0 when none (the latest drawn wins where tiles overlap).
    int tileAt(const QPoint& pos) const;
    QString caption() const;
    // During a drag every tile is disabled and the dragged one (0 none) shows no picture
    // and no text, until the page is drawn again.
    void setDragging(bool on, int source = 0);
    bool dragging() const { return dragging_; }
    // The keyboard's current tile (0 none), chosen with the arrows in listing order.
    void setCurrent(int n);
    int current() const { return current_; }

Q_SIGNALS:
    void tileEntered(int n);
    void tileDragStarted(int n, const QPoint& pressPos);
    void tileMenuRequested(int n, const QPoint& globalPos);
    // Enter or Space on the current tile; Esc.
    void tileActivated(int n);
    void escapePressed();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    std::vector<KbHeldTile> tiles_;
    bool dragging_ = false;
    int dragSource_ = 0;
    int current_ = 0;
    int fontSize_ = 9;
    int hover_ = 0;
    int pressTile_ = 0;
    QPoint pressPos_;
    void fitSize();
};

// The scroll box around the holding area; it tells when its visible width changes, since
// the flow of the lessons depends on it.
class KbHoldingBox : public QScrollArea {
    Q_OBJECT
public:
    explicit KbHoldingBox(QWidget* parent = nullptr);
    KbHoldingArea* area() const { return area_; }
    int areaWidth() const;

Q_SIGNALS:
    void widthChanged();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    KbHoldingArea* area_;
};

}  // namespace tavrin::timetable::ui
