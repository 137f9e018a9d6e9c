#include "timetable/ui/minfrm.h"

#include <QPainter>

#include <algorithm>

#include "timetable/changes.h"
#include "timetable/moves.h"
#include "timetable/ui/minipanels.h"

namespace tavrin::timetable::ui {
namespace {

constexpr unsigned kHeader = 0x464646;
constexpr unsigned kMayGo = 0x00BF65;   // marks 0, 1, 2
constexpr unsigned kSame = 0xF2630D;    // mark 4
constexpr unsigned kRefused = 0x3333CC; // mark 3
constexpr double kOpacity = 120.0 / 255.0;
constexpr int kBelowCopy = 30;

}  // namespace

int MinFrmGeometry::gap(int r) const
{
    return miniSectionGap(week, r);
}

QRect MinFrmGeometry::at(int i, int r) const
{
    if (layout == 2)
        return {r * (cellW + 1) + gap(r) + 2, (cellH + 1) * i + 2, cellW, cellH};
    return {(cellW + 1) * i + 2, r * (cellH + 1) + gap(r) + 2, cellW, cellH};
}

QRect MinFrmGeometry::slot(int s) const
{
    const int P = week.P();
    if (P <= 0 || s < 1)
        return {};
    return at((s - 1) / P + 1, (s - 1) % P + 1);
}

QSize MinFrmGeometry::client() const
{
    // The last section's gap opens inside the grid, so it is part of the size.
    const int along = (week.P() + 1) * ((layout == 2 ? cellW : cellH) + 1) + 3 + gap(week.P());
    const int across = (week.theDay + 1) * ((layout == 2 ? cellH : cellW) + 1) + 3;
    return layout == 2 ? QSize(along, across) : QSize(across, along);
}

int minCellWidth(int layout, int movWidth, const KbWeekShape& week)
{
    const int parts = (layout == 2 ? week.P() : week.theDay) + 1;
    const int w = parts > 0 ? (movWidth - 2) / parts - 1 : 0;
    return std::max(w, 20);
}

MinFrm::MinFrm(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                          Qt::WindowStaysOnTopHint)
{
    setObjectName("MinFrm");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    // Where a compositor blends windows the timetable under it shows through; elsewhere the
    // call changes nothing.
    setWindowOpacity(kOpacity);
}

void MinFrm::layoutFor(int layout, int movWidth, const KbWeekShape& week, const QStringList& days)
{
    geo_.layout = layout == 2 ? 2 : 1;
    geo_.week = week;
    geo_.cellW = minCellWidth(geo_.layout, movWidth, week);
    geo_.cellH = 15;
    days_ = days;
    setFixedSize(geo_.client());
    update();
}

void MinFrm::fill(const KbData& kb, const KbDrag& drag)
{
    const model::School& s = kb.school;
    const int N = s.N();
    text_.assign(static_cast<std::size_t>(N) + 1, QString());
    color_.assign(static_cast<std::size_t>(N) + 1, Qt::white);
    marker_.clear();
    markerRect_ = {};
    const int r = drag.renke();
    id_ = 0;
    if (!s.isRealRenke(r))
        return;
    const bool banPage = drag.side() == KbSide::Ban;
    id_ = banPage ? s.RenkeTea[static_cast<std::size_t>(r)] : s.RenkeBan[static_cast<std::size_t>(r)];
    for (int slot = 1; slot <= N; ++slot) {
        const int x = banPage ? kb.cellT(id_, slot) : kb.cellB(id_, slot);
        text_[static_cast<std::size_t>(slot)] = QString::fromStdString(lessonAbbrev(s, x));
        const int m = drag.mark(slot);
        color_[static_cast<std::size_t>(slot)] = bgrColor(m == MarkSame ? kSame : m == MarkRefused ? kRefused : kMayGo);
    }
    const int src = drag.sourceSlot();
    if (src >= 1 && src <= N) {
        color_[static_cast<std::size_t>(src)] = Qt::white;
        marker_ = text_[static_cast<std::size_t>(src)];
        markerRect_ = geo_.slot(src);
    } else {
        marker_ = QString::fromStdString(lessonAbbrev(s, r));
    }
    update();
}

void MinFrm::follow(const QRect& copy, int slot, const QPoint& pointer, const QRect& screen)
{
    const QSize size = geo_.client();
    int left = copy.center().x() - size.width() / 2;
    int top = copy.bottom() + 1 + kBelowCopy;
    if (!screen.isEmpty()) {
        if (top + size.height() > screen.bottom() + 1)
            top = copy.top() - kBelowCopy - size.height();
        left = std::clamp(left, screen.left(), std::max(screen.left(), screen.right() + 1 - size.width()));
        top = std::clamp(top, screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height()));
    }
    move(left, top);
    // The marker sits where the pointer sits inside the cell under it.
    if (slot >= 1) {
        const QRect cell = geo_.slot(slot);
        const QPoint inCell(std::clamp(pointer.x(), 0, cell.width()), std::clamp(pointer.y(), 0, cell.height()));
        markerRect_ = QRect(cell.topLeft() + inCell - QPoint(cell.width() / 2, cell.height() / 2), cell.size());
        update();
    }
    if (!isVisible())
        show();
}

QString MinFrm::cellText(int slot) const
{
    return slot >= 1 && slot < static_cast<int>(text_.size()) ? text_[static_cast<std::size_t>(slot)] : QString();
}

QColor MinFrm::cellColor(int slot) const
{
    return slot >= 1 && slot < static_cast<int>(color_.size()) ? color_[static_cast<std::size_t>(slot)] : QColor();
}

void MinFrm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    QFont f = font();
    f.setPixelSize(11);
    p.setFont(f);
    const int P = geo_.week.P(), D = geo_.week.theDay;
    const QColor header = bgrColor(kHeader);
    p.setPen(Qt::white);
    p.fillRect(geo_.at(0, 0), header);
    for (int d = 1; d <= D; ++d) {
        p.fillRect(geo_.at(d, 0), header);
        p.drawText(geo_.at(d, 0), Qt::AlignCenter, days_.value(d - 1));
    }
    for (int j = 1; j <= P; ++j) {
        p.fillRect(geo_.at(0, j), header);
        p.drawText(geo_.at(0, j), Qt::AlignCenter, QString::number(j));
    }
    for (int s = 1; s <= D * P; ++s) {
        const QRect r = geo_.slot(s);
        const QColor c = cellColor(s);
        p.fillRect(r, c.isValid() ? c : QColor(Qt::white));
        p.setPen(c == QColor(Qt::white) ? QColor(0x40, 0x40, 0x40) : QColor(Qt::white));
        p.drawText(r, Qt::AlignCenter, cellText(s));
    }
    if (!markerRect_.isNull()) {
        p.fillRect(markerRect_, Qt::black);
        p.setPen(Qt::white);
        p.drawText(markerRect_, Qt::AlignCenter, marker_);
    }
}

}  // namespace tavrin::timetable::ui
