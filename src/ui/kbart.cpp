#include "ui/kbart.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>

#include <algorithm>
#include <functional>

namespace tavrin::ui {

namespace {

struct Style {
    QColor top, bottom, border;
};

Style styleOf(KbLook look)
{
    switch (look) {
    case KbLook::Normal:
        return {QColor(0xff, 0xff, 0xff), QColor(0xf1, 0xf5, 0xfa), QColor(0xcc, 0xd6, 0xe3)};
    case KbLook::Locked:
        return {QColor(0xff, 0xf5, 0xd9), QColor(0xfb, 0xe6, 0xaf), QColor(0xde, 0xb0, 0x45)};
    case KbLook::Gudin:
        return {QColor(0xe9, 0xec, 0xf1), QColor(0xe3, 0xe7, 0xed), QColor(0xc3, 0xcb, 0xd6)};
    case KbLook::Hot:
        return {QColor(0xe6, 0xf0, 0xff), QColor(0xd0, 0xe2, 0xff), QColor(0x4a, 0x8a, 0xe3)};
    case KbLook::OkPai:
        return {QColor(0xdf, 0xf5, 0xe7), QColor(0xc4, 0xeb, 0xd2), QColor(0x3a, 0x9e, 0x62)};
    case KbLook::LimPai:
        return {QColor(0xff, 0xf3, 0xd1), QColor(0xff, 0xe2, 0x9e), QColor(0xdc, 0x9b, 0x1c)};
    case KbLook::No:
        return {QColor(0xf7, 0xe3, 0xe3), QColor(0xee, 0xcd, 0xcd), QColor(0xc8, 0x64, 0x64)};
    case KbLook::SamKe:
        return {QColor(0xe6, 0xea, 0xf5), QColor(0xd4, 0xdb, 0xee), QColor(0x7a, 0x8a, 0xb4)};
    case KbLook::FromKe:
        return {QColor(0xc9, 0xef, 0xd6), QColor(0xa9, 0xe3, 0xbd), QColor(0x1c, 0x85, 0x48)};
    case KbLook::Blank:
        break;
    }
    return {QColor(0, 0, 0, 0), QColor(0, 0, 0, 0), QColor(0xb5, 0xc0, 0xce)};
}

QPainterPath rounded(const QRectF& r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

}  // namespace

QColor kbPanelColor()
{
    return QColor(0xe8, 0xed, 0xf3);
}

QColor subjectTint(int kemuId)
{
    if (kemuId <= 0)
        return {};
    // Twelve hues a step of five apart (5 and 12 share no factor), so consecutive
    // subjects land far apart on the wheel; pale enough for dark text (contrast above 10:1).
    static const QColor tints[12] = {
        QColor(0xdc, 0xe9, 0xfb), QColor(0xfb, 0xe3, 0xd4), QColor(0xd9, 0xf2, 0xe3), QColor(0xef, 0xe0, 0xf7),
        QColor(0xfa, 0xf1, 0xc8), QColor(0xd6, 0xef, 0xf2), QColor(0xf9, 0xdc, 0xe4), QColor(0xe6, 0xf0, 0xd2),
        QColor(0xe2, 0xe3, 0xfa), QColor(0xf6, 0xe7, 0xd0), QColor(0xd3, 0xee, 0xea), QColor(0xf3, 0xdd, 0xf1),
    };
    return tints[static_cast<unsigned>(kemuId - 1) % 12];
}

void paintKbTintedCell(QPainter& p, const QRectF& r, const QColor& tint)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = r.adjusted(1.5, 1.5, -1.5, -1.5);
    p.setPen(QPen(tint.darker(125), 1));
    p.setBrush(tint);
    p.drawRoundedRect(box, 5, 5);
    p.restore();
}

void paintKbHeldCell(QPainter& p, const QRectF& r, const QColor& tint)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = r.adjusted(2, 2, -2, -2);
    const QColor ground = tint.isValid() ? tint.lighter(104) : QColor(0xfa, 0xfb, 0xfd);
    QPen dash(tint.isValid() ? tint.darker(160) : QColor(0x7a, 0x8a, 0xa0), 1.5, Qt::DashLine);
    p.setPen(dash);
    p.setBrush(QColor(ground.red(), ground.green(), ground.blue(), 150));
    p.drawRoundedRect(box, 5, 5);
    p.restore();
}

QColor kbTextColor(KbLook look, bool enabled)
{
    if (look == KbLook::Gudin)
        return QColor(0x5a, 0x65, 0x75);
    if (look == KbLook::Locked)
        return QColor(0x5c, 0x43, 0x0c);
    if (!enabled)
        return QColor(0x7d, 0x87, 0x94);
    return QColor(0x1c, 0x2a, 0x3c);
}

void paintKbPadlock(QPainter& p, const QRectF& r, const QColor& c)
{
    // Body in the lower 60%, shackle above it.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = r.width(), h = r.height();
    QRectF body(r.left(), r.top() + h * 0.42, w, h * 0.58);
    QPen pen(c, std::max<qreal>(1.2, w * 0.16));
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QRectF shackle(r.left() + w * 0.2, r.top(), w * 0.6, h * 0.75);
    p.drawArc(shackle, 0, 180 * 16);
    p.drawLine(QPointF(shackle.left(), shackle.center().y()), QPointF(shackle.left(), body.top()));
    p.drawLine(QPointF(shackle.right(), shackle.center().y()), QPointF(shackle.right(), body.top()));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(body, w * 0.12, w * 0.12);
    p.restore();
}

void paintKbCell(QPainter& p, const QRectF& outer, KbLook look)
{
    if (outer.width() < 3 || outer.height() < 3)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = outer.adjusted(1.5, 1.5, -1.5, -1.5);
    const qreal radius = std::min<qreal>(6, std::min(r.width(), r.height()) / 4);
    const Style st = styleOf(look);
    const QPainterPath path = rounded(r, radius);

    if (look == KbLook::Blank) {
        QPen pen(st.border, 1, Qt::DashLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.restore();
        return;
    }

    // A soft shadow under the card.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1c, 0x2a, 0x3c, 22));
    p.drawPath(rounded(r.translated(0, 1.2), radius));

    QLinearGradient grad(r.topLeft(), r.bottomLeft());
    grad.setColorAt(0, st.top);
    grad.setColorAt(1, st.bottom);
    p.setBrush(grad);
    p.drawPath(path);

    if (look == KbLook::Gudin) {
        // Fixed lessons are hatched: nothing can be placed there.
        p.save();
        p.setClipPath(path);
        p.setPen(QPen(QColor(0xd4, 0xda, 0xe3), 2));
        const qreal step = 9;
        for (qreal x = r.left() - r.height(); x < r.right(); x += step)
            p.drawLine(QPointF(x, r.bottom()), QPointF(x + r.height(), r.top()));
        p.restore();
    } else if (look == KbLook::No) {
        p.save();
        p.setClipPath(path);
        p.setPen(QPen(QColor(0xc8, 0x64, 0x64, 60), 2));
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomLeft());
        p.restore();
    }

    // A coloured edge on the left tells the state even where the colours are close.
    if (look != KbLook::Normal) {
        p.save();
        p.setClipPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(st.border);
        p.drawRect(QRectF(r.left(), r.top(), 3.5, r.height()));
        p.restore();
    }

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(st.border, look == KbLook::FromKe ? 2.2 : 1));
    p.drawPath(path);

    if (look == KbLook::Locked) {
        const qreal s = std::clamp<qreal>(std::min(r.width(), r.height()) * 0.2, 7, 13);
        paintKbPadlock(p, QRectF(r.right() - s - 4, r.top() + 4, s * 0.8, s), QColor(0xc0, 0x86, 0x10));
    }
    p.restore();
}

void paintKbHeader(QPainter& p, const QRectF& outer, bool corner)
{
    if (outer.width() < 3 || outer.height() < 3)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = outer.adjusted(1.5, 1.5, -1.5, -1.5);
    const qreal radius = std::min<qreal>(6, std::min(r.width(), r.height()) / 4);
    QLinearGradient grad(r.topLeft(), r.bottomLeft());
    if (corner) {
        grad.setColorAt(0, QColor(0x1b, 0x2f, 0x52));
        grad.setColorAt(1, QColor(0x16, 0x27, 0x45));
    } else {
        grad.setColorAt(0, QColor(0x32, 0x50, 0x80));
        grad.setColorAt(1, QColor(0x27, 0x41, 0x6b));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(grad);
    p.drawRoundedRect(r, radius, radius);
    p.restore();
}

namespace {

// kind: 0..9 the cell looks, 100 a header, 101 the corner.
void drawCached(QPainter& p, const QRect& r, int kind, const std::function<void(QPainter&, const QRectF&)>& paint)
{
    if (r.width() < 3 || r.height() < 3)
        return;
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QString key = QStringLiteral("tavrin-kb:%1:%2:%3:%4").arg(kind).arg(r.width()).arg(r.height()).arg(dpr);
    QPixmap pm;
    if (!QPixmapCache::find(key, &pm)) {
        pm = QPixmap(QSize(qRound(r.width() * dpr), qRound(r.height() * dpr)));
        pm.setDevicePixelRatio(dpr);
        pm.fill(Qt::transparent);
        QPainter pp(&pm);
        paint(pp, QRectF(0, 0, r.width(), r.height()));
        pp.end();
        QPixmapCache::insert(key, pm);
    }
    p.drawPixmap(r.topLeft(), pm);
}

}  // namespace

void drawKbCell(QPainter& p, const QRect& r, KbLook look)
{
    drawCached(p, r, static_cast<int>(look), [look](QPainter& pp, const QRectF& rr) { paintKbCell(pp, rr, look); });
}

void drawKbHeader(QPainter& p, const QRect& r, bool corner)
{
    drawCached(p, r, corner ? 101 : 100, [corner](QPainter& pp, const QRectF& rr) { paintKbHeader(pp, rr, corner); });
}

}  // namespace tavrin::ui
