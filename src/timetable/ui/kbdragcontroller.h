// The drag controller of the class and teacher page: one per page, driven by the pointer
// (a press past the drag distance on a draggable cell or held tile) and by the keys (Enter
// or Space picks up the cursor's lesson, the arrows move the target, Enter drops, Esc
// cancels, Delete parks). Source and targets share the page, so the drag stays inside the
// window: the widget pressed on keeps the pointer while the button is held (the press's own
// grab), no platform drag runs, and tests reach every path offscreen. The rules of a drag are `timetable::KbDrag`'s; this class only turns
// pointer positions and keys into its calls and shows its state (the marks as a layer over
// the grid, the floating copy `pnlMov`, the hint panel `pnlMovInfo`).
#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

#include "timetable/kbdrag.h"

class QLabel;
class QWidget;

namespace tavrin::timetable::ui {

class TimetablePage;

class KbDragController : public QObject {
    Q_OBJECT
public:
    explicit KbDragController(TimetablePage& page);

    const KbDrag& drag() const { return drag_; }
    bool active() const { return drag_.active(); }
    bool byKeyboard() const { return drag_.active() && keyboard_; }
    QLabel* floatingCopy() const { return pnlMov_; }
    QLabel* hintPanel() const { return pnlMovInfo_; }

    // Hooks for whatever follows a drag (the floating mini timetable): the start, every
    // move over the page (its position in the page's coordinates) and the end.
    std::function<void(const KbDrag&)> onStart;
    std::function<void(const KbDrag&, const QPoint&)> onOver;
    std::function<void()> onEnd;

    // ---- the pointer, in the page's coordinates
    bool startFromCell(int slot, const QPoint& at);
    bool startFromHeld(int entry, const QPoint& at);
    void moveTo(const QPoint& at);
    void dropAt(const QPoint& at);

    // ---- the keys
    bool pickUpCell(int slot);
    bool pickUpHeld(int entry);
    void moveToSlot(int slot);
    void dropOnSlot(int slot);
    // Delete: the lesson of a cell to the next free place of the holding area.
    void park(int slot);

    // Esc, or the end of the page's data: nothing changes.
    void cancel();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    TimetablePage& page_;
    KbDrag drag_;
    bool keyboard_ = false;
    QLabel* pnlMov_ = nullptr;
    QLabel* pnlMovInfo_ = nullptr;

    bool begin(bool keyboard, const QPoint& at, const QString& text);
    // Takes every trace of the drag off the screen and ends it; the page is drawn again
    // by whoever finishes the drop.
    KbDrag finish();
    void overSlot(int slot, const QPoint& copyCentre);
    void placeCopy(const QPoint& centre);
    void showHint(const std::string& hint);
    // Drops held by a finished drag.
    void dropCell(const KbDrag& d, int slot);
    void dropHolding(const KbDrag& d, const QPoint& areaPos);
    QPoint slotCentre(int slot) const;
};

}  // namespace tavrin::timetable::ui
