#include "timetable/ui/kbdragcontroller.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include <algorithm>

#include "timetable/moves.h"
#include "timetable/ui/kbholding.h"
#include "timetable/ui/timetablepage.h"
#include "ui/asker.h"
#include "ui/kbgrid.h"
#include "ui/kbstep.h"

namespace tavrin::timetable::ui {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

}  // namespace

KbDragController::KbDragController(TimetablePage& page) : QObject(&page), page_(page)
{
    pnlMov_ = new QLabel(&page);
    pnlMov_->setObjectName("pnlMov");
    pnlMov_->setAlignment(Qt::AlignCenter);
    pnlMov_->setWordWrap(true);
    pnlMov_->setStyleSheet(
        "#pnlMov{background:rgba(255,255,255,215);border:2px solid #3f7fd8;border-radius:4px;color:#1d2b40;"
        "font-weight:bold;}");
    pnlMov_->setAttribute(Qt::WA_TransparentForMouseEvents);
    pnlMov_->hide();
    pnlMovInfo_ = new QLabel(&page);
    pnlMovInfo_->setObjectName("pnlMovInfo");
    pnlMovInfo_->setWordWrap(true);
    pnlMovInfo_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pnlMovInfo_->setStyleSheet(
        "#pnlMovInfo{background:#fff8d8;border:1px solid #d8b545;border-radius:4px;color:#4a3b00;padding:3px;}");
    pnlMovInfo_->setAttribute(Qt::WA_TransparentForMouseEvents);
    pnlMovInfo_->hide();

    KbGrid* grid = page.grid();
    KbHoldingArea* area = page.holdingBox()->area();
    grid->installEventFilter(this);
    area->installEventFilter(this);
    connect(grid, &KbGrid::cellDragStarted, this,
            [this, grid](int slot, const QPoint& press) { startFromCell(slot, grid->mapTo(&page_, press)); });
    connect(area, &KbHoldingArea::tileDragStarted, this,
            [this, area](int n, const QPoint& press) { startFromHeld(n, area->mapTo(&page_, press)); });
    connect(grid, &KbGrid::cellActivated, this, [this](int slot) {
        if (!active())
            pickUpCell(slot);
        else if (keyboard_)
            dropOnSlot(slot);
    });
    connect(grid, &KbGrid::cursorMoved, this, [this](int slot) {
        if (byKeyboard())
            moveToSlot(slot);
    });
    connect(grid, &KbGrid::escapePressed, this, [this] {
        if (active())
            cancel();
    });
    connect(grid, &KbGrid::cellDeleteRequested, this, [this](int slot) {
        if (!active())
            park(slot);
    });
    connect(area, &KbHoldingArea::tileActivated, this, [this](int n) {
        if (!active())
            pickUpHeld(n);
    });
    connect(area, &KbHoldingArea::escapePressed, this, [this] {
        if (active())
            cancel();
    });
}

// ---------------------------------------------------------------- starting

bool KbDragController::begin(bool keyboard, const QPoint& at, const QString& text)
{
    keyboard_ = keyboard;
    KbGrid* grid = page_.grid();
    grid->setMarkLayer(drag_.looks());
    grid->setTargetSlot(0);
    page_.holdingBox()->area()->setDragging(true, drag_.sourceEntry());
    const QSize cell(std::max(grid->geometry().cellW, 24), std::max(grid->geometry().cellH, 16));
    pnlMov_->resize(cell);
    pnlMov_->setText(text);
    QFont f = pnlMov_->font();
    f.setPointSize(grid->fontSize());
    pnlMov_->setFont(f);
    pnlMovInfo_->setFont(f);
    // Esc reaches the grid wherever the drag started.
    grid->setFocus(Qt::OtherFocusReason);
    placeCopy(at);
    pnlMov_->show();
    pnlMov_->raise();
    if (onStart)
        onStart(drag_);
    return true;
}

bool KbDragController::startFromCell(int slot, const QPoint& at)
{
    if (active() || !drag_.startCell(page_.data(), page_.shownSide(), page_.shownId(), slot))
        return false;
    return begin(false, at, page_.grid()->cell(slot).text);
}

bool KbDragController::startFromHeld(int entry, const QPoint& at)
{
    const KbHolding& held = page_.holdingList();
    if (active() || !drag_.startHeld(page_.data(), page_.shownSide(), page_.shownId(), held, entry))
        return false;
    const auto& tiles = page_.holdingBox()->area()->tiles();
    const QString text = entry < static_cast<int>(tiles.size()) ? tiles[static_cast<std::size_t>(entry)].cell.text : QString();
    return begin(false, at, text);
}

bool KbDragController::pickUpCell(int slot)
{
    if (active() || !drag_.startCell(page_.data(), page_.shownSide(), page_.shownId(), slot))
        return false;
    begin(true, slotCentre(slot), page_.grid()->cell(slot).text);
    page_.grid()->setCursorSlot(slot);
    moveToSlot(slot);
    return true;
}

bool KbDragController::pickUpHeld(int entry)
{
    const KbHolding& held = page_.holdingList();
    if (active() || !drag_.startHeld(page_.data(), page_.shownSide(), page_.shownId(), held, entry))
        return false;
    const auto& tiles = page_.holdingBox()->area()->tiles();
    KbGrid* grid = page_.grid();
    const int slot = grid->cursorSlot() > 0 ? grid->cursorSlot() : 1;
    begin(true, slotCentre(slot), tiles[static_cast<std::size_t>(entry)].cell.text);
    grid->setCursorSlot(slot);
    moveToSlot(slot);
    return true;
}

// ---------------------------------------------------------------- moving

QPoint KbDragController::slotCentre(int slot) const
{
    const KbGrid* grid = page_.grid();
    return grid->mapTo(&page_, grid->slotRect(slot).center());
}

void KbDragController::placeCopy(const QPoint& centre)
{
    // The copy's centre follows the pointer, kept inside the page.
    const QSize s = pnlMov_->size();
    const int x = std::clamp(centre.x() - s.width() / 2, 0, std::max(0, page_.width() - s.width()));
    const int y = std::clamp(centre.y() - s.height() / 2, 0, std::max(0, page_.height() - s.height()));
    pnlMov_->move(x, y);
}

void KbDragController::showHint(const std::string& hint)
{
    if (hint.empty()) {
        pnlMovInfo_->hide();
        return;
    }
    // Above the floating copy, one cell wide and as high as the text needs; at the page's
    // right edge it moves left, at the top it goes below the copy instead.
    const int w = std::max(pnlMov_->width() + 10, 160);
    pnlMovInfo_->setText(qs(hint));
    pnlMovInfo_->setFixedWidth(w);
    const int h = std::max(pnlMovInfo_->heightForWidth(w), pnlMov_->height() / 2);
    pnlMovInfo_->setFixedHeight(h);
    int left = pnlMov_->x();
    if (left + w > page_.width())
        left = std::max(0, page_.width() - w - 2);
    int top = pnlMov_->y() - h - 4;
    if (top < 0)
        top = std::min(pnlMov_->y() + pnlMov_->height() + 4, std::max(0, page_.height() - h));
    pnlMovInfo_->move(left, top);
    pnlMovInfo_->show();
    pnlMovInfo_->raise();
}

void KbDragController::overSlot(int slot, const QPoint& copyCentre)
{
    drag_.setOver(slot);
    page_.grid()->setTargetSlot(slot != drag_.sourceSlot() && drag_.accepts(slot) ? slot : 0);
    placeCopy(copyCentre);
    showHint(slot > 0 ? drag_.hint(slot) : std::string());
    if (onOver)
        onOver(drag_, copyCentre);
}

void KbDragController::moveTo(const QPoint& at)
{
    if (!active())
        return;
    KbGrid* grid = page_.grid();
    const QPoint g = grid->mapFrom(&page_, at);
    overSlot(grid->rect().contains(g) ? grid->slotAt(g) : 0, at);
}

void KbDragController::moveToSlot(int slot)
{
    if (active())
        overSlot(slot, slotCentre(slot));
}

// ---------------------------------------------------------------- ending

KbDrag KbDragController::finish()
{
    KbDrag d = drag_;
    drag_.end();
    keyboard_ = false;
    pnlMov_->hide();
    pnlMovInfo_->hide();
    page_.grid()->setMarkLayer({});
    page_.grid()->setTargetSlot(0);
    page_.holdingBox()->area()->setDragging(false);
    if (onEnd)
        onEnd();
    return d;
}

void KbDragController::cancel()
{
    if (!active())
        return;
    finish();
    page_.redraw();
}

void KbDragController::dropAt(const QPoint& at)
{
    if (!active())
        return;
    KbGrid* grid = page_.grid();
    const QPoint g = grid->mapFrom(&page_, at);
    if (grid->rect().contains(g) && grid->slotAt(g) > 0) {
        dropOnSlot(grid->slotAt(g));
        return;
    }
    KbHoldingBox* box = page_.holdingBox();
    const QPoint v = box->viewport()->mapFrom(&page_, at);
    if (box->viewport()->rect().contains(v)) {
        const KbDrag d = finish();
        dropHolding(d, box->area()->mapFrom(&page_, at));
        page_.redraw();
        return;
    }
    // A header, the background, anything outside: nothing happens.
    cancel();
}

void KbDragController::dropOnSlot(int slot)
{
    if (!active())
        return;
    const KbDrag d = finish();
    dropCell(d, slot);
    page_.redraw();
}

void KbDragController::dropCell(const KbDrag& d, int slot)
{
    const KbDrag::Drop what = d.dropOn(slot);
    if (what == KbDrag::Drop::Nothing)
        return;
    bool confirmed = false;
    if (what == KbDrag::Drop::Ask) {
        const QString text = qs(d.hint(slot)) + QStringLiteral("\n") + QString::fromUtf8(kMoveQuestion);
        if (page_.shell().asker().ask(text, QString::fromUtf8(kMoveCaption), tavrin::ui::Buttons::YesNo,
                                      tavrin::ui::Icon::Question) != tavrin::ui::Answer::Yes)
            return;
        confirmed = true;
    }
    KbDocument& doc = page_.shell().kbStep().document();
    const MoveOutcome out = d.apply(doc, slot, confirmed);
    if (!out.result.ok) {
        page_.shell().asker().inform(qs(out.result.message), QString::fromUtf8(kMoveCaption),
                                     tavrin::ui::Icon::Warning);
        return;
    }
    if (d.fromHolding()) {
        const int d0 = out.displaced;
        const int heldBefore = d0 >= 0 ? std::max(0, doc.data().unplaced(d0) - 1) : 0;
        doc.holdingAfterPlacement(d.renke(), d.instance(), d0, heldBefore);
    }
}

void KbDragController::dropHolding(const KbDrag& d, const QPoint& areaPos)
{
    KbDocument& doc = page_.shell().kbStep().document();
    const KbHoldingArea* area = page_.holdingBox()->area();
    const auto& geo = page_.grid()->geometry();
    const int w = geo.cellW, h = geo.cellH;
    // The copy's top-left corner, kept so that the whole tile lies inside the area.
    const int x = std::clamp(areaPos.x() - w / 2, 0, std::max(0, std::max(area->width(), page_.holdingBox()->areaWidth()) - w));
    const int y = std::clamp(areaPos.y() - h / 2, 0, std::max(0, std::max(area->height(), page_.holdingBox()->viewport()->height()) - h));
    const bool tea = d.side() == KbSide::Tea;
    if (d.fromHolding()) {
        doc.setHoldingPlace(tea, d.renke(), d.instance(), x, y);
        return;
    }
    const int r = d.renke();
    const int before = doc.data().unplaced(r);
    const MoveOutcome out = MvKbToTmp(doc, d.side(), d.id(), d.sourceSlot());
    if (!out.result.ok) {
        page_.shell().asker().inform(qs(out.result.message), QString::fromUtf8(kMoveCaption),
                                     tavrin::ui::Icon::Warning);
        return;
    }
    doc.setHoldingPlace(tea, r, before + 1, x, y);
}

void KbDragController::park(int slot)
{
    if (active())
        return;
    KbDrag probe;
    if (!probe.startCell(page_.data(), page_.shownSide(), page_.shownId(), slot))
        return;
    KbDocument& doc = page_.shell().kbStep().document();
    const int r = probe.renke();
    const bool tea = page_.shownSide() == KbSide::Tea;
    const int before = doc.data().unplaced(r);
    const MoveOutcome out = MvKbToTmp(doc, page_.shownSide(), page_.shownId(), slot);
    if (!out.result.ok) {
        page_.shell().asker().inform(qs(out.result.message), QString::fromUtf8(kMoveCaption),
                                     tavrin::ui::Icon::Warning);
        return;
    }
    // A place left from an earlier stay would take it back there; the next free one is asked.
    doc.setHoldingPlace(tea, r, before + 1, 0, 0);
    page_.redraw();
}

// ---------------------------------------------------------------- the pointer

bool KbDragController::eventFilter(QObject* o, QEvent* e)
{
    if (!active() || keyboard_)
        return QObject::eventFilter(o, e);
    auto* w = qobject_cast<QWidget*>(o);
    if (!w)
        return QObject::eventFilter(o, e);
    switch (e->type()) {
    case QEvent::MouseMove:
        // The widget still follows the pointer for its own hover state.
        moveTo(w->mapTo(&page_, static_cast<QMouseEvent*>(e)->position().toPoint()));
        return false;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
            dropAt(w->mapTo(&page_, static_cast<QMouseEvent*>(e)->position().toPoint()));
            return false;  // the source widget forgets its press
        }
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // Another button during a drag cancels it.
        cancel();
        return true;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
            cancel();
            return true;
        }
        return false;
    default:
        return QObject::eventFilter(o, e);
    }
}

}  // namespace tavrin::timetable::ui
