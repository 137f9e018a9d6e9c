#include "timetable/ui/kbgrid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "timetable/ui/kbart.h"

namespace tavrin::timetable::ui {

namespace {
const KbGridCell kNoCell{};
}

KbGrid::KbGrid(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 90);
    cells_.resize(1);
}

void KbGrid::setWeek(const KbWeekShape& week)
{
    week_ = week;
    cells_.assign(static_cast<std::size_t>(slotCount()) + 1, KbGridCell{});
    hover_ = 0;
    pressSlot_ = 0;
    relayout();
}

void KbGrid::setLayoutMode(int layout)
{
    layoutMode_ = layout == 2 ? 2 : 1;
    relayout();
}

void KbGrid::setCornerText(const QString& text)
{
    corner_ = text;
    update(headerRect(0, 0));
}

void KbGrid::setPeriodHeaders(const QStringList& texts)
{
    periods_ = texts;
    update();
}

void KbGrid::setDayHeaders(const QStringList& texts)
{
    days_ = texts;
    update();
}

void KbGrid::refresh()
{
    for (int s = 1; s <= slotCount(); ++s)
        cells_[static_cast<std::size_t>(s)] = cellFn_ ? cellFn_(s) : KbGridCell{};
    update();
}

void KbGrid::refreshSlot(int slot)
{
    if (slot < 1 || slot > slotCount())
        return;
    cells_[static_cast<std::size_t>(slot)] = cellFn_ ? cellFn_(slot) : KbGridCell{};
    update(slotRect(slot));
}

void KbGrid::setLook(int slot, KbLook look)
{
    if (slot < 1 || slot > slotCount())
        return;
    cells_[static_cast<std::size_t>(slot)].look = look;
    update(slotRect(slot));
}

void KbGrid::clear()
{
    cellFn_ = nullptr;
    corner_.clear();
    periods_.clear();
    days_.clear();
    setWeek({});
    update();
}

const KbGridCell& KbGrid::cell(int slot) const
{
    if (slot < 1 || slot > slotCount())
        return kNoCell;
    return cells_[static_cast<std::size_t>(slot)];
}

QString KbGrid::periodHeader(int j) const
{
    return j >= 1 && j <= periods_.size() ? periods_[j - 1] : QString();
}

QString KbGrid::dayHeader(int d) const
{
    return d >= 1 && d <= days_.size() ? days_[d - 1] : QString();
}

QRect KbGrid::slotRect(int slot) const
{
    return toQRect(geo_.slot(slot));
}

QRect KbGrid::headerRect(int c, int r) const
{
    return toQRect(geo_.at(c, r));
}

int KbGrid::slotAt(const QPoint& pos) const
{
    const int P = week_.P();
    if (P <= 0 || geo_.w <= 0 || geo_.h <= 0)
        return 0;
    // Find the day and period by their own geometry, so the gaps belong to no cell.
    for (int d = 1; d <= week_.theDay; ++d) {
        const QRect col = headerRect(d, 0);
        const bool inDay = layoutMode_ == 1 ? (pos.x() >= col.left() && pos.x() <= col.right())
                                            : (pos.y() >= col.top() && pos.y() <= col.bottom());
        if (!inDay)
            continue;
        for (int j = 1; j <= P; ++j)
            if (headerRect(d, j).contains(pos))
                return model::slotOf(d, j, P);
        return 0;
    }
    return 0;
}

void KbGrid::relayout()
{
    geo_ = layoutKbGrid(layoutMode_, width(), height(), week_);
    update();
    emit laidOut();
}

void KbGrid::resizeEvent(QResizeEvent*)
{
    relayout();
}

void KbGrid::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.fillRect(e->rect(), kbPanelColor());
    const int P = week_.P();
    if (P <= 0 || week_.theDay <= 0 || geo_.w < 4 || geo_.h < 4)
        return;

    QFont f = font();
    f.setPointSize(geo_.fontSize);
    QFont bold = f;
    bold.setBold(true);
    // Long names wrap inside their cell rather than run out of it.
    auto drawText = [&](const QRect& r, const QString& text, const QColor& c, const QFont& fn) {
        if (text.isEmpty())
            return;
        p.setFont(fn);
        p.setPen(c);
        p.drawText(r.adjusted(4, 2, -4, -2), Qt::AlignCenter | Qt::TextWordWrap, text);
    };

    // Headers.
    for (int c = 0; c <= week_.theDay; ++c)
        for (int r = 0; r <= P; ++r) {
            if (c > 0 && r > 0)
                continue;
            const QRect rect = headerRect(c, r);
            if (!rect.intersects(e->rect()))
                continue;
            drawKbHeader(p, rect, c == 0 && r == 0);
            const QString text = c == 0 && r == 0 ? corner_ : (c == 0 ? periodHeader(r) : dayHeader(c));
            drawText(rect, text, Qt::white, c == 0 && r == 0 ? bold : f);
        }

    // Cells.
    for (int s = 1; s <= slotCount(); ++s) {
        const QRect rect = slotRect(s);
        if (!rect.intersects(e->rect()))
            continue;
        const KbGridCell& cl = cells_[static_cast<std::size_t>(s)];
        drawKbCell(p, rect, cl.look);
        drawText(rect, cl.text, kbTextColor(cl.look, cl.enabled), f);
    }
}

void KbGrid::mousePressEvent(QMouseEvent* e)
{
    const int s = slotAt(e->position().toPoint());
    pressSlot_ = e->button() == Qt::LeftButton ? s : 0;
    pressPos_ = e->position().toPoint();
    dragReported_ = false;
    if (s > 0)
        emit cellPressed(s, e->button());
}

void KbGrid::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const int s = slotAt(pos);
    if (s != hover_) {
        hover_ = s;
        emit cellEntered(s);
    }
    if (pressSlot_ > 0 && !dragReported_ && (e->buttons() & Qt::LeftButton) &&
        (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance() && cell(pressSlot_).draggable &&
        cell(pressSlot_).enabled) {
        dragReported_ = true;
        emit cellDragStarted(pressSlot_, pressPos_);
    }
}

void KbGrid::mouseReleaseEvent(QMouseEvent*)
{
    pressSlot_ = 0;
    dragReported_ = false;
}

void KbGrid::mouseDoubleClickEvent(QMouseEvent* e)
{
    const int s = slotAt(e->position().toPoint());
    if (s > 0)
        emit cellDoubleClicked(s);
}

void KbGrid::leaveEvent(QEvent*)
{
    if (hover_ != 0) {
        hover_ = 0;
        emit cellEntered(0);
    }
}

void KbGrid::contextMenuEvent(QContextMenuEvent* e)
{
    const int s = slotAt(e->pos());
    if (s > 0)
        emit cellMenuRequested(s, e->globalPos());
}

}  // namespace tavrin::timetable::ui
