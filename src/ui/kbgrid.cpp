#include "ui/kbgrid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

#include "model/slots.h"
#include "ui/kbart.h"

namespace tavrin::ui {

namespace {
const KbGridCell kNoCell{};
}

// ---------------------------------------------------------------- geometry

int GridGeometry::periodStart(int j) const
{
    int pos = (daysAsRows ? origin.x() + headerW : origin.y() + headerH) + (j - 1) * (daysAsRows ? cellW : cellH);
    for (int k = 1; k <= j && k < static_cast<int>(gapBefore.size()); ++k)
        pos += gapBefore[static_cast<std::size_t>(k)];
    for (const Band& b : bands)
        if (b.beforePeriod <= j)
            pos += b.size;
    return pos;
}

int GridGeometry::dayStart(int d) const
{
    return daysAsRows ? origin.y() + headerH + (d - 1) * cellH : origin.x() + headerW + (d - 1) * cellW;
}

QRect GridGeometry::corner() const
{
    return QRect(origin, QSize(headerW, headerH));
}

QRect GridGeometry::dayHeader(int d) const
{
    if (daysAsRows)
        return QRect(origin.x(), dayStart(d), headerW, cellH);
    return QRect(dayStart(d), origin.y(), cellW, headerH);
}

QRect GridGeometry::periodHeader(int j) const
{
    if (daysAsRows)
        return QRect(periodStart(j), origin.y(), cellW, headerH);
    return QRect(origin.x(), periodStart(j), headerW, cellH);
}

QRect GridGeometry::cell(int d, int j) const
{
    if (daysAsRows)
        return QRect(periodStart(j), dayStart(d), cellW, cellH);
    return QRect(dayStart(d), periodStart(j), cellW, cellH);
}

QRect GridGeometry::slot(int s) const
{
    if (periods <= 0 || s < 1 || s > periods * days)
        return {};
    const int d = (s - 1) / periods + 1;
    return cell(d, s - (d - 1) * periods);
}

QRect GridGeometry::band(int i) const
{
    if (i < 0 || i >= static_cast<int>(bands.size()))
        return {};
    const Band& b = bands[static_cast<std::size_t>(i)];
    // The band ends where its period begins, after any gap opened before that period.
    int end = periodStart(b.beforePeriod);
    if (b.beforePeriod < static_cast<int>(gapBefore.size()))
        end -= gapBefore[static_cast<std::size_t>(b.beforePeriod)];
    for (std::size_t k = static_cast<std::size_t>(i) + 1; k < bands.size(); ++k)
        if (bands[k].beforePeriod == b.beforePeriod)
            end -= bands[k].size;
    const int start = end - b.size;
    const int across = (daysAsRows ? headerH : headerW) + days * (daysAsRows ? cellH : cellW);
    if (daysAsRows)
        return QRect(start, origin.y(), b.size, across);
    return QRect(origin.x(), start, across, b.size);
}

int GridGeometry::slotAt(const QPoint& pos) const
{
    if (periods <= 0 || cellW <= 0 || cellH <= 0)
        return 0;
    for (int d = 1; d <= days; ++d) {
        const QRect h = dayHeader(d);
        const bool inDay = daysAsRows ? (pos.y() >= h.top() && pos.y() <= h.bottom())
                                      : (pos.x() >= h.left() && pos.x() <= h.right());
        if (!inDay)
            continue;
        for (int j = 1; j <= periods; ++j)
            if (cell(d, j).contains(pos))
                return model::slotOf(d, j, periods);
        return 0;
    }
    return 0;
}

int GridGeometry::bandAt(const QPoint& pos) const
{
    for (int i = 0; i < static_cast<int>(bands.size()); ++i)
        if (band(i).contains(pos))
            return i;
    return -1;
}

QSize GridGeometry::used() const
{
    const int alongPeriods = periodStart(periods + 1);
    const int alongDays = dayStart(days + 1);
    return daysAsRows ? QSize(alongPeriods, alongDays) : QSize(alongDays, alongPeriods);
}

GridGeometry toGridGeometry(const timetable::KbGridLayout& g)
{
    GridGeometry geo;
    geo.days = g.week.theDay;
    geo.periods = g.week.P();
    geo.daysAsRows = g.layout == 2;
    geo.cellW = geo.headerW = g.w;
    geo.cellH = geo.headerH = g.h;
    geo.fontSize = g.fontSize;
    geo.gapBefore.assign(static_cast<std::size_t>(geo.periods) + 1, 0);
    // The layout's offsets before each period, less the corner's own, are the gaps.
    for (int j = 1; j <= geo.periods; ++j)
        geo.gapBefore[static_cast<std::size_t>(j)] = g.gapBefore(j) - g.gapBefore(j - 1);
    return geo;
}

GridGeometry kbPageGeometry(int layout, QSize size, const timetable::KbWeekShape& week)
{
    return toGridGeometry(timetable::layoutKbGrid(layout, size.width(), size.height(), week));
}

// ---------------------------------------------------------------- the widget

KbGrid::KbGrid(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 90);
    setFocusPolicy(Qt::StrongFocus);
    cells_.resize(1);
    fills_.resize(1);
}

void KbGrid::setWeek(int days, int periods)
{
    days_ = std::max(days, 0);
    periods_ = std::max(periods, 0);
    cells_.assign(static_cast<std::size_t>(slotCount()) + 1, KbGridCell{});
    fills_.assign(cells_.size(), QColor());
    hover_ = 0;
    pressSlot_ = 0;
    marks_.clear();
    target_ = 0;
    cursor_ = 0;
    relayout();
}

void KbGrid::setGeometryFunction(GeometryFunction f)
{
    geoFn_ = std::move(f);
    relayout();
}

void KbGrid::setCornerText(const QString& text)
{
    corner_ = text;
    update(headerRect(0, 0));
}

void KbGrid::setPeriodHeaders(const QStringList& texts)
{
    periodTexts_ = texts;
    update();
}

void KbGrid::setDayHeaders(const QStringList& texts)
{
    dayTexts_ = texts;
    update();
}

void KbGrid::refresh()
{
    for (int s = 1; s <= slotCount(); ++s) {
        cells_[static_cast<std::size_t>(s)] = cellFn_ ? cellFn_(s) : KbGridCell{};
        fills_[static_cast<std::size_t>(s)] = fillFn_ ? fillFn_(s) : QColor();
    }
    update();
}

void KbGrid::refreshSlot(int slot)
{
    if (slot < 1 || slot > slotCount())
        return;
    cells_[static_cast<std::size_t>(slot)] = cellFn_ ? cellFn_(slot) : KbGridCell{};
    fills_[static_cast<std::size_t>(slot)] = fillFn_ ? fillFn_(slot) : QColor();
    update(slotRect(slot));
}

void KbGrid::setLook(int slot, KbLook look)
{
    if (slot < 1 || slot > slotCount())
        return;
    cells_[static_cast<std::size_t>(slot)].look = look;
    update(slotRect(slot));
}

void KbGrid::updateSlot(int slot)
{
    if (slot >= 1 && slot <= slotCount())
        update(slotRect(slot));
}

void KbGrid::setMarkLayer(std::vector<std::optional<KbLook>> looks)
{
    if (!looks.empty())
        looks.resize(cells_.size());
    marks_ = std::move(looks);
    update();
}

void KbGrid::setTargetSlot(int slot)
{
    if (slot < 1 || slot > slotCount())
        slot = 0;
    if (slot == target_)
        return;
    updateSlot(target_);
    target_ = slot;
    updateSlot(target_);
}

void KbGrid::setHotOnHover(bool on)
{
    hotOnHover_ = on;
    updateSlot(hover_);
}

KbLook KbGrid::shownLook(int slot) const
{
    const KbGridCell& c = cell(slot);
    if (slot < 1 || slot > slotCount())
        return c.look;
    if (slot == target_)
        return KbLook::FromKe;
    if (!marks_.empty()) {
        const auto& m = marks_[static_cast<std::size_t>(slot)];
        return m ? *m : c.look;
    }
    if (hotOnHover_ && slot == hover_ && c.draggable && c.enabled)
        return KbLook::Hot;
    return c.look;
}

bool KbGrid::textShown(int slot) const
{
    return shownLook(slot) != KbLook::Blank;
}

void KbGrid::setCursorSlot(int slot)
{
    if (slot < 1 || slot > slotCount())
        slot = 0;
    if (slot == cursor_)
        return;
    updateSlot(cursor_);
    cursor_ = slot;
    updateSlot(cursor_);
    Q_EMIT cursorMoved(cursor_);
}

void KbGrid::moveCursor(int dDay, int dPeriod)
{
    if (slotCount() <= 0)
        return;
    if (cursor_ < 1) {
        setCursorSlot(1);
        return;
    }
    const int d = std::clamp((cursor_ - 1) / periods_ + 1 + dDay, 1, days_);
    const int j = std::clamp(cursor_ - ((cursor_ - 1) / periods_) * periods_ + dPeriod, 1, periods_);
    setCursorSlot((d - 1) * periods_ + j);
}

KbKey kbKeyOf(const QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        return KbKey::Activate;
    case Qt::Key_Delete:
        return KbKey::Delete;
    case Qt::Key_Escape:
        return KbKey::Escape;
    case Qt::Key_Menu:
        return KbKey::Menu;
    case Qt::Key_F10:
        return e->modifiers() & Qt::ShiftModifier ? KbKey::Menu : KbKey::Other;
    default:
        return KbKey::Other;
    }
}

void KbGrid::keyPressEvent(QKeyEvent* e)
{
    // Along the screen: with a column per day, left and right go from day to day; with a
    // row per day, up and down do.
    const bool rows = geo_.daysAsRows;
    switch (e->key()) {
    case Qt::Key_Left:
        rows ? moveCursor(0, -1) : moveCursor(-1, 0);
        return;
    case Qt::Key_Right:
        rows ? moveCursor(0, 1) : moveCursor(1, 0);
        return;
    case Qt::Key_Up:
        rows ? moveCursor(-1, 0) : moveCursor(0, -1);
        return;
    case Qt::Key_Down:
        rows ? moveCursor(1, 0) : moveCursor(0, 1);
        return;
    default:
        break;
    }
    switch (kbKeyOf(e)) {
    case KbKey::Activate:
        if (cursor_ > 0)
            Q_EMIT cellActivated(cursor_);
        return;
    case KbKey::Delete:
        if (cursor_ > 0)
            Q_EMIT cellDeleteRequested(cursor_);
        return;
    case KbKey::Escape:
        Q_EMIT escapePressed();
        return;
    case KbKey::Menu:
        break;
    case KbKey::Other:
        QWidget::keyPressEvent(e);
        return;
    }
    // The menu of the cursor's cell, opened at the cell.
    if (cursor_ > 0)
        Q_EMIT cellMenuRequested(cursor_, mapToGlobal(slotRect(cursor_).center()));
}

void KbGrid::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    if (cursor_ < 1 && slotCount() > 0)
        setCursorSlot(1);
    updateSlot(cursor_);
}

void KbGrid::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    updateSlot(cursor_);
}

QColor KbGrid::cellFill(int slot) const
{
    if (slot < 1 || slot > slotCount())
        return {};
    return fills_[static_cast<std::size_t>(slot)];
}

void KbGrid::clear()
{
    cellFn_ = nullptr;
    fillFn_ = nullptr;
    fillTextFn_ = nullptr;
    corner_.clear();
    periodTexts_.clear();
    dayTexts_.clear();
    setWeek(0, 0);
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
    return j >= 1 && j <= periodTexts_.size() ? periodTexts_[j - 1] : QString();
}

QString KbGrid::dayHeader(int d) const
{
    return d >= 1 && d <= dayTexts_.size() ? dayTexts_[d - 1] : QString();
}

QRect KbGrid::slotRect(int slot) const
{
    return geo_.slot(slot);
}

QRect KbGrid::headerRect(int d, int j) const
{
    if (d == 0 && j == 0)
        return geo_.corner();
    if (j == 0)
        return geo_.dayHeader(d);
    if (d == 0)
        return geo_.periodHeader(j);
    return geo_.cell(d, j);
}

int KbGrid::slotAt(const QPoint& pos) const
{
    return geo_.slotAt(pos);
}

GridHit KbGrid::hitAt(const QPoint& pos) const
{
    GridHit h;
    if (const int s = slotAt(pos); s > 0) {
        h.part = GridHit::Cell;
        h.slot = s;
        h.day = (s - 1) / periods_ + 1;
        h.period = s - (h.day - 1) * periods_;
        return h;
    }
    if (const int b = geo_.bandAt(pos); b >= 0) {
        h.part = GridHit::Band;
        h.band = b;
        return h;
    }
    if (geo_.corner().contains(pos)) {
        h.part = GridHit::Corner;
        return h;
    }
    for (int d = 1; d <= days_; ++d)
        if (geo_.dayHeader(d).contains(pos)) {
            h.part = GridHit::DayHeader;
            h.day = d;
            return h;
        }
    for (int j = 1; j <= periods_; ++j)
        if (geo_.periodHeader(j).contains(pos)) {
            h.part = GridHit::PeriodHeader;
            h.period = j;
            return h;
        }
    return h;
}

void KbGrid::setHeaderColor(const QColor& c)
{
    headerColor_ = c;
    update();
}

void KbGrid::relayout()
{
    if (geoFn_)
        geo_ = geoFn_(size());
    else
        geo_ = GridGeometry{};
    // The grid draws its own week whatever the function says, so a stale function can
    // never reach past the cells.
    geo_.days = days_;
    geo_.periods = periods_;
    update();
    Q_EMIT laidOut();
}

void KbGrid::resizeEvent(QResizeEvent*)
{
    relayout();
}

void KbGrid::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.fillRect(e->rect(), kbPanelColor());
    const int P = periods_;
    if (P <= 0 || days_ <= 0 || geo_.cellW < 4 || geo_.cellH < 4)
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

    auto header = [&](const QRect& rect, bool corner) {
        if (headerColor_.isValid())
            p.fillRect(rect.adjusted(1, 1, -1, -1), headerColor_);
        else
            drawKbHeader(p, rect, corner);
    };

    // Bands across the week.
    for (int i = 0; i < static_cast<int>(geo_.bands.size()); ++i) {
        const QRect rect = geo_.band(i);
        if (!rect.intersects(e->rect()))
            continue;
        header(rect, false);
        drawText(rect, geo_.bands[static_cast<std::size_t>(i)].text, Qt::white, f);
    }

    // Headers.
    for (int c = 0; c <= days_; ++c)
        for (int r = 0; r <= P; ++r) {
            if (c > 0 && r > 0)
                continue;
            const QRect rect = headerRect(c, r);
            if (!rect.intersects(e->rect()))
                continue;
            header(rect, c == 0 && r == 0);
            const QString text = c == 0 && r == 0 ? corner_ : (c == 0 ? periodHeader(r) : dayHeader(c));
            drawText(rect, text, Qt::white, c == 0 && r == 0 ? bold : f);
        }

    // Cells.
    for (int s = 1; s <= slotCount(); ++s) {
        const QRect rect = slotRect(s);
        if (!rect.intersects(e->rect()))
            continue;
        const KbGridCell& cl = cells_[static_cast<std::size_t>(s)];
        if (const QColor& fill = fills_[static_cast<std::size_t>(s)]; fill.isValid()) {
            p.fillRect(rect.adjusted(1, 1, -1, -1), fill);
            drawText(rect, cl.text, fillTextFn_ ? fillTextFn_(s) : QColor(Qt::white), f);
            continue;
        }
        const KbLook look = shownLook(s);
        const QString text = look == KbLook::Blank ? QString() : cl.text;
        if (look == KbLook::Normal && cl.tint.isValid()) {
            paintKbTintedCell(p, rect, cl.tint);
            drawKbLesson(p, rect, text, kbTextColor(look, cl.enabled), f);
        } else {
            drawKbCell(p, rect, look);
            drawText(rect, text, kbTextColor(look, cl.enabled), f);
        }
    }
    if (cursor_ > 0 && hasFocus()) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x1f, 0x5f, 0xbf), 3));
        p.drawRect(slotRect(cursor_).adjusted(2, 2, -3, -3));
    }
}

KbLessonLayout layoutKbLesson(const QRect& inner, const QFont& headFont, const QFont& restFont, const QString& head,
                              const QString& rest)
{
    const QFontMetrics hm(headFont), rm(restFont);
    const int flags = Qt::AlignHCenter | Qt::TextWordWrap;
    const int headH = hm.boundingRect(inner, flags, head).height();
    const int restH = rm.boundingRect(inner, flags, rest).height();
    KbLessonLayout l;
    if (headH + restH <= inner.height()) {
        const int top = inner.top() + (inner.height() - headH - restH) / 2;
        l.head = QRect(inner.left(), top, inner.width(), headH);
        l.rest = QRect(inner.left(), top + headH, inner.width(), inner.bottom() - top - headH + 1);
        l.restText = rest;
        return l;
    }
    l.oneLine = true;
    const int headW = std::min(hm.horizontalAdvance(head), inner.width());
    const int gap = rm.horizontalAdvance(QLatin1Char(' '));
    const int room = inner.width() - headW - gap;
    l.restText = room > 0 ? rm.elidedText(rest, Qt::ElideRight, room) : QString();
    const int restW = l.restText.isEmpty() ? 0 : rm.horizontalAdvance(l.restText);
    const int total = headW + (restW > 0 ? gap + restW : 0);
    const int left = inner.left() + std::max(0, (inner.width() - total) / 2);
    l.head = QRect(left, inner.top(), headW, inner.height());
    l.rest = QRect(left + headW + gap, inner.top(), restW, inner.height());
    return l;
}

// A lesson: the subject bold, below it the rest (teacher or class) a size smaller, never
// under 12 pixels; the two centred together, or side by side where the cell is too low.
void drawKbLesson(QPainter& p, const QRect& r, const QString& text, const QColor& c, const QFont& base)
{
    QFont bold = base;
    bold.setBold(true);
    QFont small = base;
    small.setPixelSize(std::max(12, QFontInfo(base).pixelSize() - 2));
    p.setPen(c);
    const QRect inner = r.adjusted(4, 2, -4, -2);
    const int nl = text.indexOf(QLatin1Char('\n'));
    if (nl < 0) {
        p.setFont(bold);
        p.drawText(inner, Qt::AlignCenter | Qt::TextWordWrap, text);
        return;
    }
    const KbLessonLayout l = layoutKbLesson(inner, bold, small, text.left(nl), text.mid(nl + 1));
    const int flags = l.oneLine ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignHCenter | Qt::TextWordWrap;
    p.setFont(bold);
    p.drawText(l.head, flags, text.left(nl));
    p.setFont(small);
    p.drawText(l.rest, l.oneLine ? flags : flags | Qt::AlignTop, l.restText);
}

void KbGrid::mousePressEvent(QMouseEvent* e)
{
    pressHit_ = hitAt(e->position().toPoint());
    pressButton_ = e->button();
    const int s = slotAt(e->position().toPoint());
    pressSlot_ = e->button() == Qt::LeftButton ? s : 0;
    pressPos_ = e->position().toPoint();
    dragReported_ = false;
    if (s > 0)
        Q_EMIT cellPressed(s, e->button());
}

void KbGrid::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const int s = slotAt(pos);
    if (s != hover_) {
        if (hotOnHover_)
            updateSlot(hover_);
        hover_ = s;
        if (hotOnHover_)
            updateSlot(hover_);
        Q_EMIT cellEntered(s);
    }
    if (pressSlot_ > 0 && !dragReported_ && (e->buttons() & Qt::LeftButton) &&
        (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance() && cell(pressSlot_).draggable &&
        cell(pressSlot_).enabled) {
        dragReported_ = true;
        Q_EMIT cellDragStarted(pressSlot_, pressPos_);
    }
}

void KbGrid::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = !dragReported_ && e->button() == pressButton_ && pressHit_.part != GridHit::None &&
                       hitAt(e->position().toPoint()) == pressHit_;
    const GridHit hit = pressHit_;
    pressSlot_ = 0;
    dragReported_ = false;
    pressHit_ = {};
    pressButton_ = Qt::NoButton;
    if (click)
        Q_EMIT partClicked(hit, e->button());
}

void KbGrid::mouseDoubleClickEvent(QMouseEvent* e)
{
    const int s = slotAt(e->position().toPoint());
    if (s > 0)
        Q_EMIT cellDoubleClicked(s);
}

void KbGrid::leaveEvent(QEvent*)
{
    if (hover_ != 0) {
        updateSlot(hover_);
        hover_ = 0;
        Q_EMIT cellEntered(0);
    }
}

void KbGrid::contextMenuEvent(QContextMenuEvent* e)
{
    const int s = slotAt(e->pos());
    if (s > 0)
        Q_EMIT cellMenuRequested(s, e->globalPos());
    const GridHit hit = hitAt(e->pos());
    if (hit.part != GridHit::None)
        Q_EMIT partMenuRequested(hit, e->globalPos());
}

}  // namespace tavrin::ui
