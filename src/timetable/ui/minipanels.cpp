#include "timetable/ui/minipanels.h"

#include <QMouseEvent>
#include <QPainter>

namespace tavrin::timetable::ui {
namespace {

constexpr unsigned kPanel = 0x9E9E9E;
constexpr unsigned kPanelHot = 0xE4E4E4;
constexpr unsigned kCaption = 0x585858;
constexpr unsigned kHeader = 0xC9C9C9;
constexpr unsigned kOwn = 0x757575;
constexpr unsigned kOther = 0xB4B4B4;

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QRect MiniPanelGeometry::at(int i, int r) const
{
    if (layout == 2)
        return {r * (w + 1) + gap(r) + 2, (i + 1) * (h + 1) + 2, w, h};
    return {(w + 1) * i + 2, (r + 1) * (h + 1) + gap(r) + 2, w, h};
}

QRect MiniPanelGeometry::slot(int s) const
{
    const int P = week.P();
    if (P <= 0 || s < 1)
        return {};
    return at((s - 1) / P + 1, (s - 1) % P + 1);
}

int MiniPanelGeometry::width() const
{
    if (layout == 2)
        return gap(week.P()) + (week.P() + 1) * (w + 1) + 5;
    return (week.theDay + 1) * (w + 1) + 5;
}

int MiniPanelGeometry::height() const
{
    if (layout == 2)
        return (week.theDay + 2) * (h + 1) + 5;
    return (week.P() + 2) * (h + 1) + gap(week.P()) + 5;
}

MiniPanels::MiniPanels(QWidget* parent) : QWidget(parent)
{
    setObjectName("minPanels");
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    setAutoFillBackground(false);
}

void MiniPanels::fill(const KbData& kb, const ChangeFinder& finder, KbSide page, int id)
{
    const model::School& s = kb.school;
    geo_.week = {s.theDay, s.mor, s.aft, s.nig};
    page_ = page;
    ids_ = page == KbSide::Ban ? banPanelTeachers(s, kb.gridB(), id) : teaPanelClasses(finder, s, kb.gridT(), id);
    captions_.clear();
    cells_.clear();
    const KbSide other = page == KbSide::Ban ? KbSide::Tea : KbSide::Ban;
    for (int k : ids_) {
        captions_.push_back(qs(kbName(s, other, k)));
        cells_.push_back(page == KbSide::Ban ? miniPanelCells(finder, s, {kb.gridB(), kb.gridT()}, page, id, k)
                                             : miniPanelCells(finder, s, {kb.gridB(), kb.gridT()}, page, k, id));
    }
    // The headers come from the calendar of now, whatever panels were shown before.
    days_.clear();
    periods_.clear();
    for (int d = 1; d <= s.theDay; ++d)
        days_ << qs(miniDayHeader(s, d));
    for (int j = 1; j <= s.P(); ++j)
        periods_ << QString::number(j);
    if (hot_ >= static_cast<int>(ids_.size()))
        hot_ = -1;
    resizeToPanels();
    update();
}

void MiniPanels::clear()
{
    ids_.clear();
    captions_.clear();
    cells_.clear();
    hot_ = -1;
    resizeToPanels();
    update();
}

void MiniPanels::setKbLayout(int layout)
{
    geo_.layout = layout == 2 ? 2 : 1;
    resizeToPanels();
    update();
}

void MiniPanels::resizeToPanels()
{
    const int n = static_cast<int>(ids_.size());
    const int w = geo_.width() + 2;
    const int h = n > 0 ? geo_.panel(n - 1).bottom() + 2 : 0;
    setFixedSize(w, h);
}

QString MiniPanels::caption(int n) const
{
    return n >= 0 && n < static_cast<int>(captions_.size()) ? captions_[static_cast<std::size_t>(n)] : QString();
}

QString MiniPanels::cellText(int n, int slot) const
{
    if (n < 0 || n >= static_cast<int>(cells_.size()))
        return {};
    const auto& c = cells_[static_cast<std::size_t>(n)];
    return slot >= 1 && slot < static_cast<int>(c.size()) ? qs(c[static_cast<std::size_t>(slot)].text) : QString();
}

QColor MiniPanels::cellColor(int n, int slot) const
{
    if (n < 0 || n >= static_cast<int>(cells_.size()))
        return {};
    const auto& c = cells_[static_cast<std::size_t>(n)];
    if (slot < 1 || slot >= static_cast<int>(c.size()))
        return {};
    const MiniCell& m = c[static_cast<std::size_t>(slot)];
    if (m.r < 0)
        return Qt::white;
    return bgrColor(m.own ? kOwn : kOther);
}

QColor MiniPanels::panelColor(int n) const
{
    return bgrColor(n == hot_ ? kPanelHot : kPanel);
}

int MiniPanels::panelAt(const QPoint& p) const
{
    for (int n = 0; n < static_cast<int>(ids_.size()); ++n)
        if (geo_.panel(n).contains(p))
            return n;
    return -1;
}

void MiniPanels::setHot(int n)
{
    if (n == hot_)
        return;
    hot_ = n;
    update();
}

void MiniPanels::clearHot()
{
    setHot(-1);
}

void MiniPanels::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    QFont f = font();
    f.setPixelSize(11);
    p.setFont(f);
    const int P = geo_.week.P(), D = geo_.week.theDay;
    const QColor white(Qt::white);
    for (int n = 0; n < static_cast<int>(ids_.size()); ++n) {
        const QRect panel = geo_.panel(n);
        if (!panel.intersects(e->rect()))
            continue;
        p.save();
        p.translate(panel.topLeft());
        p.fillRect(QRect(0, 0, panel.width(), panel.height()), panelColor(n));
        p.setPen(QColor(0x60, 0x60, 0x60));
        p.drawRect(0, 0, panel.width() - 1, panel.height() - 1);
        p.fillRect(geo_.caption(), bgrColor(kCaption));
        p.setPen(white);
        p.drawText(geo_.caption(), Qt::AlignCenter, p.fontMetrics().elidedText(caption(n), Qt::ElideRight, geo_.caption().width()));
        const QColor header = bgrColor(kHeader);
        p.fillRect(geo_.at(0, 0), header);
        for (int d = 1; d <= D; ++d) {
            p.fillRect(geo_.at(d, 0), header);
            p.drawText(geo_.at(d, 0), Qt::AlignCenter, days_.value(d - 1));
        }
        for (int j = 1; j <= P; ++j) {
            p.fillRect(geo_.at(0, j), header);
            p.drawText(geo_.at(0, j), Qt::AlignCenter, periods_.value(j - 1));
        }
        for (int s = 1; s <= D * P; ++s) {
            const QRect r = geo_.slot(s);
            p.fillRect(r, cellColor(n, s));
            const QString t = cellText(n, s);
            if (!t.isEmpty())
                p.drawText(r, Qt::AlignCenter, p.fontMetrics().elidedText(t, Qt::ElideRight, r.width() + 4));
        }
        p.restore();
    }
}

void MiniPanels::mouseMoveEvent(QMouseEvent* e)
{
    const int n = panelAt(e->position().toPoint());
    setHot(n);
    setCursor(n >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(e);
}

void MiniPanels::mousePressEvent(QMouseEvent* e)
{
    const int n = panelAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && n >= 0) {
        setHot(n);
        Q_EMIT openRequested(page_ == KbSide::Ban ? KbSide::Tea : KbSide::Ban, ids_[static_cast<std::size_t>(n)]);
        return;
    }
    QWidget::mousePressEvent(e);
}

void MiniPanels::leaveEvent(QEvent* e)
{
    // Leaving into the box's own background clears the highlight; so does the main grid.
    clearHot();
    QWidget::leaveEvent(e);
}

}  // namespace tavrin::timetable::ui
