#include "timetable/ui/kbholding.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "ui/kbart.h"

namespace tavrin::timetable::ui {

using tavrin::ui::drawKbCell;
using tavrin::ui::drawKbLesson;
using tavrin::ui::kbPanelColor;
using tavrin::ui::kbTextColor;
using tavrin::ui::paintKbHeldCell;
using tavrin::timetable::KbLook;

KbHoldingArea::KbHoldingArea(QWidget* parent) : QWidget(parent)
{
    setObjectName("TmpKeArea");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    tiles_.resize(1);
}

void KbHoldingArea::setDragging(bool on, int source)
{
    dragging_ = on;
    dragSource_ = on ? source : 0;
    update();
}

void KbHoldingArea::setCurrent(int n)
{
    current_ = n >= 1 && n <= count() ? n : 0;
    if (current_ > 0)
        if (auto* box = parentWidget() ? qobject_cast<QScrollArea*>(parentWidget()->parentWidget()) : nullptr) {
            const QRect r = tiles_[static_cast<std::size_t>(current_)].rect;
            box->ensureVisible(r.center().x(), r.center().y(), r.width() / 2 + 2, r.height() / 2 + 2);
        }
    update();
}

void KbHoldingArea::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        if (count() > 0)
            setCurrent(std::max(1, current_ - 1));
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (count() > 0)
            setCurrent(std::min(count(), current_ + 1));
        return;
    default:
        break;
    }
    switch (tavrin::ui::kbKeyOf(e)) {
    case tavrin::ui::KbKey::Activate:
        if (current_ > 0)
            Q_EMIT tileActivated(current_);
        return;
    case tavrin::ui::KbKey::Escape:
        Q_EMIT escapePressed();
        return;
    case tavrin::ui::KbKey::Menu:
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    if (current_ > 0)
        Q_EMIT tileMenuRequested(current_, mapToGlobal(tiles_[static_cast<std::size_t>(current_)].rect.center()));
}

void KbHoldingArea::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    if (current_ < 1 && count() > 0)
        setCurrent(1);
    update();
}

void KbHoldingArea::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    update();
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
    dragging_ = false;
    dragSource_ = 0;
    if (current_ > count())
        current_ = count();
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

    QFont f = font();
    f.setPointSize(fontSize_);
    p.setFont(f);
    for (int n = 1; n <= count(); ++n) {
        const KbHeldTile& t = tiles_[static_cast<std::size_t>(n)];
        if (!t.rect.intersects(e->rect()))
            continue;
        if (n == dragSource_) {
            drawKbCell(p, t.rect, KbLook::Blank);
            continue;
        }
        if (t.cell.look == KbLook::Normal)
            paintKbHeldCell(p, t.rect, t.cell.tint);
        else
            drawKbCell(p, t.rect, t.cell.look);
        drawKbLesson(p, t.rect, t.cell.text, kbTextColor(t.cell.look, t.cell.enabled && !dragging_), f);
    }
    if (current_ > 0 && hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x1f, 0x5f, 0xbf), 3));
        p.drawRect(tiles_[static_cast<std::size_t>(current_)].rect.adjusted(2, 2, -3, -3));
    }
}

void KbHoldingArea::mousePressEvent(QMouseEvent* e)
{
    pressTile_ = e->button() == Qt::LeftButton && !dragging_ ? tileAt(e->position().toPoint()) : 0;
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
