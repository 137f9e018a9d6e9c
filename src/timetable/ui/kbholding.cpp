#include "timetable/ui/kbholding.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "ui/kbart.h"

namespace tavrin::timetable::ui {

using tavrin::ui::drawKbCell;
using tavrin::ui::kbPanelColor;
using tavrin::ui::kbTextColor;
using tavrin::ui::paintKbHeldCell;
using tavrin::timetable::KbLook;

KbHoldingArea::KbHoldingArea(QWidget* parent) : QWidget(parent)
{
    setObjectName("TmpKeArea");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    tiles_.resize(1);
}

QString KbHoldingArea::caption() const
{
    return QStringLiteral("课程暂放区");
}

void KbHoldingArea::setTiles(std::vector<KbHeldTile> tiles, int fontSize)
{
    if (tiles.empty())
        tiles.resize(1);
    tiles_ = std::move(tiles);
    fontSize_ = fontSize;
    hover_ = 0;
    fitSize();
    update();
}

void KbHoldingArea::clear()
{
    setTiles({}, fontSize_);
}

void KbHoldingArea::fitSize()
{
    int right = 0, bottom = 0;
    for (std::size_t i = 1; i < tiles_.size(); ++i) {
        right = std::max(right, tiles_[i].rect.right() + 2);
        bottom = std::max(bottom, tiles_[i].rect.bottom() + 2);
    }
    auto* box = parentWidget() ? qobject_cast<QScrollArea*>(parentWidget()->parentWidget()) : nullptr;
    const QSize view = box ? box->viewport()->size() : QSize(0, 0);
    resize(std::max(right, view.width()), std::max(bottom, view.height()));
}

int KbHoldingArea::tileAt(const QPoint& pos) const
{
    for (int n = count(); n >= 1; --n)
        if (tiles_[static_cast<std::size_t>(n)].rect.contains(pos))
            return n;
    return 0;
}

void KbHoldingArea::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    p.fillRect(e->rect(), kbPanelColor().lighter(103));

    // The caption sits at the top, centred, under the lessons.
    QFont cf = font();
    cf.setPointSize(9);
    p.setFont(cf);
    const QString cap = caption();
    const QFontMetrics fm(cf);
    const int cw = fm.horizontalAdvance(cap) + 24, chh = fm.height() + 6;
    auto* box = parentWidget() ? qobject_cast<QScrollArea*>(parentWidget()->parentWidget()) : nullptr;
    const int visibleW = box ? box->viewport()->width() : width();
    const int left = (box ? box->horizontalScrollBar()->value() : 0) + (visibleW - cw) / 2;
    const QRect capRect(left, 0, cw, chh);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x45, 0x70, 28));
    p.drawRoundedRect(capRect.adjusted(0, -6, 0, 0), 6, 6);
    p.setPen(QColor(0x4a, 0x5a, 0x70));
    p.drawText(capRect, Qt::AlignCenter, cap);

    QFont f = font();
    f.setPointSize(fontSize_);
    p.setFont(f);
    for (int n = 1; n <= count(); ++n) {
        const KbHeldTile& t = tiles_[static_cast<std::size_t>(n)];
        if (!t.rect.intersects(e->rect()))
            continue;
        if (t.cell.look == KbLook::Normal)
            paintKbHeldCell(p, t.rect, t.cell.tint);
        else
            drawKbCell(p, t.rect, t.cell.look);
        p.setPen(kbTextColor(t.cell.look, t.cell.enabled));
        p.drawText(t.rect.adjusted(4, 2, -4, -2), Qt::AlignCenter | Qt::TextWordWrap, t.cell.text);
    }
}

void KbHoldingArea::mousePressEvent(QMouseEvent* e)
{
    pressTile_ = e->button() == Qt::LeftButton ? tileAt(e->position().toPoint()) : 0;
    pressPos_ = e->position().toPoint();
}

void KbHoldingArea::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const int n = tileAt(pos);
    if (n != hover_) {
        hover_ = n;
        Q_EMIT tileEntered(n);
    }
    if (pressTile_ > 0 && (e->buttons() & Qt::LeftButton) &&
        (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance() &&
        tiles_[static_cast<std::size_t>(pressTile_)].cell.draggable) {
        const int t = pressTile_;
        pressTile_ = 0;
        Q_EMIT tileDragStarted(t, pressPos_);
    }
}

void KbHoldingArea::leaveEvent(QEvent*)
{
    if (hover_ != 0) {
        hover_ = 0;
        Q_EMIT tileEntered(0);
    }
}

void KbHoldingArea::contextMenuEvent(QContextMenuEvent* e)
{
    const int n = tileAt(e->pos());
    if (n > 0)
        Q_EMIT tileMenuRequested(n, e->globalPos());
}

KbHoldingBox::KbHoldingBox(QWidget* parent) : QScrollArea(parent)
{
    setObjectName("scrlbxTmpKe");
    setWidgetResizable(false);
    setFrameShape(QFrame::NoFrame);
    area_ = new KbHoldingArea;
    setWidget(area_);
}

int KbHoldingBox::areaWidth() const
{
    return viewport()->width();
}

void KbHoldingBox::resizeEvent(QResizeEvent* e)
{
    QScrollArea::resizeEvent(e);
    Q_EMIT widthChanged();
}

}  // namespace tavrin::timetable::ui
