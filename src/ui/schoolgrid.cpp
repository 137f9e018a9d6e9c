#include "ui/schoolgrid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <QToolTip>

#include <algorithm>

namespace tavrin::ui {

namespace {

constexpr int kEdge = 24;     // auto-scroll within this many pixels of the body's edges
constexpr int kAutoStep = 12;  // pixels scrolled per pointer move there

QColor rgb(std::uint32_t v)
{
    return QColor(static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF));
}

QColor lighter(const QColor& c)
{
    return rgb(timetable::hoverRgb((static_cast<std::uint32_t>(c.red()) << 16) |
                                   (static_cast<std::uint32_t>(c.green()) << 8) | static_cast<std::uint32_t>(c.blue())));
}

const QColor kHeader(0, 0, 0);

constexpr int kUnknown = -2;  // a cell whose text has not been shaped yet
constexpr int kNoBox = -1;    // a blank cell
constexpr std::size_t kMaxBoxes = 20000;
constexpr qsizetype kTileBudget = 32 * 1024 * 1024;  // bytes of tiles kept before starting afresh

}  // namespace

QColor schoolColor(timetable::SchoolColour c)
{
    return rgb(timetable::schoolRgb(c));
}

SchoolGrid::SchoolGrid(QWidget* parent) : QAbstractScrollArea(parent)
{
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(10);
}

void SchoolGrid::setShape(int rows, const model::WeekShape& week)
{
    cancelDrag();
    week_ = week;
    geo_.rows = rows;
    geo_.slots = week.N();
    hoverRow_ = hoverSlot_ = 0;
    overlayRow_ = 0;
    overlay_.clear();
    dropImage_ = {};
    relayout();
    refresh();
}

void SchoolGrid::setCornerText(const QString& t)
{
    corner_ = t;
    viewport()->update();
}

void SchoolGrid::setRowNames(const QStringList& names)
{
    names_ = names;
    relayout();
}

QFont SchoolGrid::paintFont() const
{
    QFont f = font();
    f.setPixelSize(std::clamp(geo_.h / 3, 10, 16));
    return f;
}

void SchoolGrid::setDayHeaders(const QStringList& texts)
{
    days_ = texts;
    viewport()->update();
}

void SchoolGrid::setSlotHeaders(const QStringList& texts)
{
    slotTexts_ = texts;
    viewport()->update();
}

void SchoolGrid::setBodyColor(const QColor& c)
{
    body_ = c;
    viewport()->update();
}

void SchoolGrid::refresh()
{
    const std::size_t n = static_cast<std::size_t>(std::max(0, geo_.rows)) * static_cast<std::size_t>(std::max(0, geo_.slots));
    if (cache_.size() != n) {
        cache_.assign(n, Cell{});
        cellBox_.assign(n, kUnknown);
    }
    valid_.assign(n, 0);
    viewport()->update();
}

void SchoolGrid::refreshRow(int row)
{
    if (row < 1 || row > geo_.rows || valid_.empty())
        return;
    const auto first = static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(geo_.slots);
    std::fill(valid_.begin() + static_cast<std::ptrdiff_t>(first),
              valid_.begin() + static_cast<std::ptrdiff_t>(first + static_cast<std::size_t>(geo_.slots)), 0);
    updateRow(row);
}

const SchoolGrid::Cell& SchoolGrid::cell(int row, int slot) const
{
    static const Cell none;
    if (row < 1 || row > geo_.rows || slot < 1 || slot > geo_.slots)
        return none;
    const auto i = static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(geo_.slots) + static_cast<std::size_t>(slot - 1);
    if (i >= cache_.size())
        return none;
    if (!valid_[i]) {
        Cell fresh = cellFn_ ? cellFn_(row, slot) : Cell{};
        // Most cells keep their text through a refresh (a highlight, a lock): their shaped
        // text stays.
        if (fresh.text != cache_[i].text)
            cellBox_[i] = kUnknown;
        cache_[i] = std::move(fresh);
        valid_[i] = 1;
    }
    return cache_[i];
}

void SchoolGrid::setRowOverlay(int row, std::vector<QColor> fills)
{
    const int old = overlayRow_;
    overlayRow_ = row;
    overlay_ = std::move(fills);
    updateRow(old);
    updateRow(row);
}

void SchoolGrid::clearOverlay()
{
    setRowOverlay(0, {});
}

void SchoolGrid::setDropImage(const QRect& bodyRect)
{
    viewport()->update(dropImageRect());
    dropImage_ = bodyRect;
    viewport()->update(dropImageRect());
}

QRect SchoolGrid::dropImageRect() const
{
    return dropImage_.isEmpty() ? QRect() : dropImage_.translated(bodyOrigin());
}

// ---------------------------------------------------------------- geometry

void SchoolGrid::relayout()
{
    // The body is what the left strip leaves; the strip's width follows the cells'.
    const int vw = std::max(1, viewport()->width());
    const int n = std::max(1, geo_.slots);
    const int body = vw - std::max(0, (vw - 30) / (n + 1));
    const int rows = geo_.rows;
    geo_ = timetable::schoolGeometry(body, rows, week_);
    forgetShapes();
    // Names as long as "初一(10)班" would lose what tells classes apart in a cell's width.
    const QFontMetrics fm(paintFont());
    int longest = 0;
    for (const QString& n : names_)
        longest = std::max(longest, fm.horizontalAdvance(n));
    geo_.nameW = std::clamp(longest + 10, geo_.w, 3 * geo_.w);
    horizontalScrollBar()->setPageStep(std::max(1, vw - leftWidth()));
    verticalScrollBar()->setPageStep(std::max(1, viewport()->height() - topHeight()));
    horizontalScrollBar()->setRange(0, std::max(0, geo_.bodyWidth() - (vw - leftWidth())));
    verticalScrollBar()->setRange(0, std::max(0, geo_.bodyHeight() - (viewport()->height() - topHeight())));
    viewport()->update();
    Q_EMIT laidOut();
}

int SchoolGrid::leftWidth() const
{
    return geo_.leftWidth() + 1;
}

int SchoolGrid::topHeight() const
{
    return geo_.topHeight() + 1;
}

QPoint SchoolGrid::bodyOrigin() const
{
    return {leftWidth() - horizontalScrollBar()->value(), topHeight() - verticalScrollBar()->value()};
}

static QRect toQ(const timetable::KbRect& r)
{
    return {r.left, r.top, r.width, r.height};
}

QRect SchoolGrid::cellRect(int row, int slot) const
{
    return toQ(geo_.cell(row, slot)).translated(bodyOrigin());
}

QRect SchoolGrid::slotHeaderRect(int slot) const
{
    return toQ(geo_.periodHeader(slot)).translated(bodyOrigin().x(), 0);
}

QRect SchoolGrid::dayHeaderRect(int day) const
{
    return toQ(geo_.dayHeader(day)).translated(bodyOrigin().x(), 0);
}

QRect SchoolGrid::rowNameRect(int row) const
{
    return toQ(geo_.rowName(row)).translated(0, bodyOrigin().y());
}

QRect SchoolGrid::cornerRect() const
{
    return {1, 1, geo_.nameWidth(), geo_.topHeight() - 1};
}

int SchoolGrid::rowAt(const QPoint& p) const
{
    if (p.y() < topHeight())
        return 0;
    return geo_.rowAt(p.y() - bodyOrigin().y());
}

int SchoolGrid::slotAt(const QPoint& p) const
{
    if (p.x() < leftWidth() || p.y() < topHeight())
        return 0;
    return geo_.slotAt(p.x() - bodyOrigin().x());
}

bool SchoolGrid::onRowName(const QPoint& p) const
{
    return p.x() >= 1 && p.x() < 1 + geo_.nameWidth() && rowAt(p) > 0;
}

void SchoolGrid::scrollToRow(int row)
{
    if (row < 1 || row > geo_.rows)
        return;
    const timetable::KbRect r = geo_.cell(row, 1);
    const int visible = viewport()->height() - topHeight();
    auto* v = verticalScrollBar();
    if (r.top < v->value())
        v->setValue(r.top - 1);
    else if (r.bottom() > v->value() + visible)
        v->setValue(r.bottom() - visible + 1);
}

void SchoolGrid::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    relayout();
}

void SchoolGrid::scrollContentsBy(int dx, int dy)
{
    // Body and strips move together in this one call: the body both ways, the top strip
    // sideways, the names up and down; only what comes into view is painted. The dragged
    // cell stays under the pointer, so during a drag everything is painted again.
    if (dragging_) {
        viewport()->update();
        return;
    }
    const int L = leftWidth(), T = topHeight(), vw = viewport()->width(), vh = viewport()->height();
    viewport()->scroll(dx, dy, QRect(L, T, vw - L, vh - T));
    if (dx)
        viewport()->scroll(dx, 0, QRect(L, 0, vw - L, T));
    if (dy)
        viewport()->scroll(0, dy, QRect(0, T, L, vh - T));
}

// ---------------------------------------------------------------- painting

QColor SchoolGrid::shownFill(int row, int slot) const
{
    const Cell& c = cell(row, slot);
    QColor f = c.fill;
    if (row == overlayRow_ && slot >= 0 && static_cast<std::size_t>(slot) < overlay_.size() &&
        overlay_[static_cast<std::size_t>(slot)].isValid())
        f = overlay_[static_cast<std::size_t>(slot)];
    if (!dragging_ && row == hoverRow_ && slot == hoverSlot_ && c.live)
        f = lighter(f);
    return f;
}

QColor SchoolGrid::shownSlotHeaderFill(int slot) const
{
    const bool lit = !dragging_ && hoverSlot_ == slot && hoverRow_ >= 1 && cell(hoverRow_, slot).live;
    return lit ? lighter(kHeader) : kHeader;
}

QColor SchoolGrid::shownRowNameFill(int row) const
{
    const bool lit = !dragging_ && hoverRow_ == row && (hoverSlot_ == 0 || cell(row, hoverSlot_).live);
    return lit ? lighter(kHeader) : kHeader;
}

void SchoolGrid::forgetShapes() const
{
    boxes_.clear();
    boxIndex_.clear();
    tiles_.clear();
    tileBytes_ = 0;
    std::fill(cellBox_.begin(), cellBox_.end(), kUnknown);
}

int SchoolGrid::boxFor(const QString& text, int w, int h, const QFont& f) const
{
    if (text.isEmpty())
        return kNoBox;
    BoxKey key{text, w, h};
    if (const auto it = boxIndex_.constFind(key); it != boxIndex_.cend())
        return *it;
    if (boxes_.size() >= kMaxBoxes)
        forgetShapes();
    TextBox box;
    const QFontMetrics fm(f);
    const QStringList lines = text.split(QLatin1Char('\n'));
    box.lineHeight = fm.height();
    box.n = std::max(1, std::min<int>({static_cast<int>(lines.size()), h / std::max(1, box.lineHeight), 3}));
    for (int i = 0; i < box.n; ++i) {
        box.lines[i].setTextFormat(Qt::PlainText);
        box.lines[i].setPerformanceHint(QStaticText::AggressiveCaching);
        box.lines[i].setText(fm.elidedText(lines[i], Qt::ElideRight, w - 4));
        box.lines[i].prepare(QTransform(), f);
    }
    boxes_.push_back(std::move(box));
    const int index = static_cast<int>(boxes_.size()) - 1;
    boxIndex_.insert(std::move(key), index);
    return index;
}

void SchoolGrid::paintBox(QPainter& p, const QRect& r, int box, const QColor& fill, const QColor& fg) const
{
    if (box < 0 || static_cast<std::size_t>(box) >= boxes_.size()) {
        p.fillRect(r, fill);
        return;
    }
    const TileKey key{box, fill.rgb(), fg.rgb()};
    auto it = tiles_.constFind(key);
    if (it == tiles_.cend()) {
        if (tileBytes_ > kTileBudget) {
            tiles_.clear();
            tileBytes_ = 0;
        }
        // Drawn in one scratch image and copied out, so the tiles carry no paint engine each.
        if (scratch_.width() < r.width() || scratch_.height() < r.height())
            scratch_ = QImage(std::max(scratch_.width(), r.width()), std::max(scratch_.height(), r.height()),
                              QImage::Format_RGB32);
        {
            QPainter tp(&scratch_);
            tp.setFont(p.font());
            tp.fillRect(QRect(QPoint(0, 0), r.size()), fill);
            const TextBox& b = boxes_[static_cast<std::size_t>(box)];
            tp.setPen(fg);
            const int top = (r.height() - b.n * b.lineHeight) / 2;
            for (int i = 0; i < b.n; ++i) {
                const int tw = static_cast<int>(b.lines[i].size().width());
                tp.drawStaticText((r.width() - tw) / 2, top + i * b.lineHeight, b.lines[i]);
            }
        }
        QImage tile = scratch_.copy(QRect(QPoint(0, 0), r.size()));
        tileBytes_ += tile.sizeInBytes();
        it = tiles_.insert(key, std::move(tile));
    }
    p.drawImage(r.topLeft(), *it);
}

void SchoolGrid::paintCell(QPainter& p, const QRect& r, const QString& text, const QColor& fill,
                           const QColor& fg) const
{
    paintBox(p, r, boxFor(text, r.width(), r.height(), p.font()), fill, fg);
}

void SchoolGrid::paintEvent(QPaintEvent* e)
{
    QPainter p(viewport());
    const QRect clip = e->rect();
    p.fillRect(clip, body_);
    if (geo_.rows <= 0 || geo_.slots <= 0)
        return;
    p.setFont(paintFont());
    const QPoint o = bodyOrigin();
    const int L = leftWidth(), T = topHeight();
    const int vw = viewport()->width(), vh = viewport()->height();
    // Visible rows and slots only.
    const int r0 = std::max(1, (T - o.y()) / (geo_.h + 1) + 1 - 1);
    const int r1 = std::min(geo_.rows, (vh - o.y()) / (geo_.h + 1) + 1);
    const int s0 = std::max(1, (L - o.x()) / (geo_.w + 1) + 1 - 1);
    const int s1 = std::min(geo_.slots, (vw - o.x()) / (geo_.w + 1) + 1);

    p.save();
    p.setClipRect(QRect(L, T, vw - L, vh - T) & clip);
    for (int r = r0; r <= r1; ++r)
        for (int s = s0; s <= s1; ++s) {
            const QRect rc = cellRect(r, s);
            if (!rc.intersects(clip))
                continue;
            const Cell& c = cell(r, s);
            int& box = cellBox_[static_cast<std::size_t>(r - 1) * static_cast<std::size_t>(geo_.slots) +
                                static_cast<std::size_t>(s - 1)];
            if (box == kUnknown)
                box = boxFor(c.text, rc.width(), rc.height(), p.font());
            const bool source = dragging_ && r == dragRow_ && s == dragSlot_;
            paintBox(p, rc, source ? kNoBox : box, shownFill(r, s), c.textColor);
        }
    const QRect img = dropImageRect();
    if (!img.isEmpty()) {
        p.fillRect(img, QColor(0xF4, 0xF4, 0xEC));
        p.setPen(QPen(QColor(0x2E, 0x7D, 0x32), 2, Qt::DashLine));
        p.drawRoundedRect(img.adjusted(2, 2, -2, -2), 6, 6);
        p.setPen(QColor(0x2E, 0x7D, 0x32));
        p.drawText(img, Qt::AlignCenter, QStringLiteral("拖到这里\n放入未排课区"));
    }
    if (dragging_) {
        const Cell& c = cell(dragRow_, dragSlot_);
        const QRect fr = floatingRect();
        paintCell(p, fr, c.text, floatingFill_.isValid() ? floatingFill_ : c.fill, c.textColor);
        p.setPen(QColor(255, 255, 255));
        p.drawRect(fr.adjusted(0, 0, -1, -1));
    }
    p.restore();

    // The top strip: days, then one header per slot.
    p.save();
    p.setClipRect(QRect(L, 0, vw - L, T) & clip);
    for (int d = 1; d <= week_.theDay; ++d) {
        const QRect r = dayHeaderRect(d);
        if (r.right() < L || r.left() > vw)
            continue;
        paintCell(p, r, d - 1 < days_.size() ? days_[d - 1] : QString(), kHeader, Qt::white);
    }
    for (int s = s0; s <= s1; ++s)
        paintCell(p, slotHeaderRect(s), s - 1 < slotTexts_.size() ? slotTexts_[s - 1] : QString(),
                  shownSlotHeaderFill(s), Qt::white);
    p.restore();

    // The left strip: the row names.
    p.save();
    p.setClipRect(QRect(0, T, L, vh - T) & clip);
    for (int r = r0; r <= r1; ++r)
        paintCell(p, rowNameRect(r), r - 1 < names_.size() ? names_[r - 1] : QString(), shownRowNameFill(r),
                  Qt::white);
    p.restore();

    p.fillRect(QRect(0, 0, L, T), body_);
    paintCell(p, cornerRect(), corner_, kHeader, Qt::white);
}

bool SchoolGrid::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        // The full text of whatever was shortened.
        auto* h = static_cast<QHelpEvent*>(e);
        QString text;
        const int r = rowAt(h->pos());
        if (onRowName(h->pos()))
            text = r - 1 < names_.size() ? names_[r - 1] : QString();
        else if (const int s = slotAt(h->pos()); r > 0 && s > 0)
            text = cell(r, s).text;
        else if (const int hs = geo_.slotAt(h->pos().x() - bodyOrigin().x()); hs > 0 && h->pos().y() < topHeight())
            text = hs - 1 < slotTexts_.size() ? slotTexts_[hs - 1] : QString();
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(h->globalPos(), text, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

// ---------------------------------------------------------------- mouse and keys

void SchoolGrid::updateRow(int row)
{
    if (row >= 1 && row <= geo_.rows)
        viewport()->update(QRect(0, cellRect(row, 1).top(), viewport()->width(), geo_.h));
}

// What the pointer lights: the cell, its slot's header and its row's name.
void SchoolGrid::updateHover(int row, int slot)
{
    if (row >= 1 && slot >= 1)
        viewport()->update(cellRect(row, slot));
    if (slot >= 1)
        viewport()->update(slotHeaderRect(slot));
    if (row >= 1)
        viewport()->update(rowNameRect(row));
}

void SchoolGrid::setHover(int row, int slot)
{
    if (row == hoverRow_ && slot == hoverSlot_)
        return;
    updateHover(hoverRow_, hoverSlot_);
    hoverRow_ = row;
    hoverSlot_ = slot;
    updateHover(row, slot);
}

QRect SchoolGrid::floatingRect() const
{
    if (!dragging_)
        return {};
    return {pointer_.x() - geo_.w / 2, pointer_.y() - geo_.h / 2, geo_.w, geo_.h};
}

void SchoolGrid::setFloatingFill(const QColor& c)
{
    floatingFill_ = c;
    viewport()->update(floatingRect().adjusted(-1, -1, 1, 1));
}

void SchoolGrid::cancelDrag()
{
    pressed_ = false;
    if (!dragging_)
        return;
    dragging_ = false;
    dragRow_ = dragSlot_ = 0;
    floatingFill_ = {};
    viewport()->update();
    Q_EMIT dragCancelled();
}

void SchoolGrid::autoScroll(const QPoint& p)
{
    auto* h = horizontalScrollBar();
    auto* v = verticalScrollBar();
    if (p.x() < leftWidth() + kEdge)
        h->setValue(h->value() - kAutoStep);
    else if (p.x() > viewport()->width() - kEdge)
        h->setValue(h->value() + kAutoStep);
    if (p.y() < topHeight() + kEdge)
        v->setValue(v->value() - kAutoStep);
    else if (p.y() > viewport()->height() - kEdge)
        v->setValue(v->value() + kAutoStep);
}

void SchoolGrid::mousePressEvent(QMouseEvent* e)
{
    setFocus(Qt::MouseFocusReason);
    if (dragging_ || e->button() != Qt::LeftButton)
        return;
    const QPoint pos = e->position().toPoint();
    pressed_ = true;
    pressPos_ = pos;
    pressName_ = onRowName(pos);
    pressRow_ = rowAt(pos);
    pressSlot_ = pressName_ ? 0 : slotAt(pos);
}

void SchoolGrid::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (dragging_) {
        const QRect before = floatingRect();
        autoScroll(pos);
        pointer_ = pos;
        viewport()->update(before.adjusted(-1, -1, 1, 1));
        viewport()->update(floatingRect().adjusted(-1, -1, 1, 1));
        const bool onImage = dropImageRect().contains(pos);
        const int r = onImage ? 0 : rowAt(pos);
        const int s = onImage ? 0 : slotAt(pos);
        Q_EMIT dragMoved(r > 0 && s > 0 ? r : 0, r > 0 ? s : 0, onImage);
        return;
    }
    if (pressed_ && (e->buttons() & Qt::LeftButton) && dragEnabled_ && pressRow_ > 0 && pressSlot_ > 0 &&
        (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance() &&
        cell(pressRow_, pressSlot_).draggable) {
        pressed_ = false;
        dragging_ = true;
        dragRow_ = pressRow_;
        dragSlot_ = pressSlot_;
        pointer_ = pos;
        floatingFill_ = {};
        setHover(0, 0);
        // The source cell loses its text; the dragged copy appears under the pointer.
        viewport()->update(cellRect(dragRow_, dragSlot_));
        viewport()->update(floatingRect().adjusted(-1, -1, 1, 1));
        Q_EMIT dragStarted(dragRow_, dragSlot_);
        if (dragging_)
            Q_EMIT dragMoved(rowAt(pos), slotAt(pos), false);
        return;
    }
    const int r = rowAt(pos);
    if (onRowName(pos))
        setHover(r, 0);
    else if (const int s = slotAt(pos); r > 0 && s > 0)
        setHover(r, s);
    else
        setHover(0, 0);
}

void SchoolGrid::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (dragging_) {
        if (e->button() != Qt::LeftButton)
            return;
        if (!viewport()->rect().contains(pos)) {
            cancelDrag();
            return;
        }
        const QRect img = dropImageRect();
        const bool onImage = img.contains(pos);
        const int r = onImage ? 0 : rowAt(pos);
        const int s = onImage ? 0 : slotAt(pos);
        dragging_ = false;
        viewport()->update();
        Q_EMIT dragDropped(r, s, onImage, onImage ? pos - img.topLeft() : QPoint());
        dragRow_ = dragSlot_ = 0;
        floatingFill_ = {};
        return;
    }
    if (!pressed_ || e->button() != Qt::LeftButton)
        return;
    pressed_ = false;
    const int r = rowAt(pos);
    if (pressName_ && onRowName(pos) && r == pressRow_)
        Q_EMIT rowNameClicked(r);
    else if (!pressName_ && r == pressRow_ && r > 0 && slotAt(pos) == pressSlot_ && pressSlot_ > 0)
        Q_EMIT cellClicked(r, pressSlot_);
}

void SchoolGrid::leaveEvent(QEvent* e)
{
    QAbstractScrollArea::leaveEvent(e);
    if (!dragging_)
        setHover(0, 0);
}

void SchoolGrid::contextMenuEvent(QContextMenuEvent* e)
{
    if (dragging_)
        return;
    const QPoint pos = viewport()->mapFrom(this, e->pos());
    const int r = rowAt(pos), s = slotAt(pos);
    if (r > 0 && s > 0)
        Q_EMIT cellMenuRequested(r, s, e->globalPos());
}

void SchoolGrid::keyPressEvent(QKeyEvent* e)
{
    if (dragging_) {
        if (e->key() == Qt::Key_Escape)
            cancelDrag();
        e->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(e);
}

}  // namespace tavrin::ui
