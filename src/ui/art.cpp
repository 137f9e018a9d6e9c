#include "ui/art.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tavrin::ui {

namespace {

const QColor kInk(0x23, 0x2f, 0x3e);
const QColor kGreyFill(0xee, 0xf1, 0xf4);
const QColor kGreyLine(0xd9, 0xde, 0xe5);
const QColor kGreyMark(0xbc, 0xc4, 0xce);
const QColor kGreyText(0x9a, 0xa3, 0xae);

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QFont uiFont(double pixelSize, bool bold)
{
    QFont f = QGuiApplication::font();
    f.setPixelSize(static_cast<int>(std::lround(pixelSize)));
    f.setBold(bold);
    return f;
}

// A soft shadow: a few widening, fading rounded rectangles under the card.
void paintShadow(QPainter& p, const QRectF& card, double radius, int depth, double strength)
{
    p.setPen(Qt::NoPen);
    for (int i = depth; i >= 1; --i) {
        QColor c(20, 40, 70, static_cast<int>(strength * (depth - i + 1) / depth));
        p.setBrush(c);
        QRectF s = card.adjusted(-i * 0.6, i * 0.5, i * 0.6, i * 1.1);
        p.drawRoundedRect(s, radius + i * 0.5, radius + i * 0.5);
    }
}

// The white glyph of each step, drawn in a 60x60 box centred on `c`.
void paintGlyph(QPainter& p, int step, QPointF c, const QColor& ink)
{
    p.save();
    p.translate(c);
    QPen pen(ink, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (step) {
    case 1: {  // a class: three pupils
        p.setBrush(ink);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(0, -8), 6.5, 6.5);
        p.drawEllipse(QPointF(-14, -4), 5, 5);
        p.drawEllipse(QPointF(14, -4), 5, 5);
        QPainterPath body;
        body.moveTo(-11, 14);
        body.cubicTo(-11, 0, 11, 0, 11, 14);
        body.closeSubpath();
        p.drawPath(body);
        QPainterPath l;
        l.moveTo(-23, 12);
        l.cubicTo(-23, 3, -9, 2, -8, 6);
        l.lineTo(-11, 12);
        l.closeSubpath();
        p.drawPath(l);
        QPainterPath r;
        r.moveTo(23, 12);
        r.cubicTo(23, 3, 9, 2, 8, 6);
        r.lineTo(11, 12);
        r.closeSubpath();
        p.drawPath(r);
        break;
    }
    case 2: {  // periods: a clock
        p.drawEllipse(QPointF(0, 0), 16, 16);
        p.drawLine(QPointF(0, 0), QPointF(0, -9));
        p.drawLine(QPointF(0, 0), QPointF(7, 4));
        p.setBrush(ink);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(0, 0), 2.2, 2.2);
        break;
    }
    case 3: {  // subjects: an open book
        QPainterPath left;
        left.moveTo(0, -9);
        left.cubicTo(-6, -13, -14, -13, -19, -11);
        left.lineTo(-19, 12);
        left.cubicTo(-14, 10, -6, 10, 0, 14);
        QPainterPath right;
        right.moveTo(0, -9);
        right.cubicTo(6, -13, 14, -13, 19, -11);
        right.lineTo(19, 12);
        right.cubicTo(14, 10, 6, 10, 0, 14);
        p.drawPath(left);
        p.drawPath(right);
        p.drawLine(QPointF(0, -9), QPointF(0, 14));
        QPen thin(ink, 2, Qt::SolidLine, Qt::RoundCap);
        p.setPen(thin);
        p.drawLine(QPointF(-14, -4), QPointF(-5, -3));
        p.drawLine(QPointF(-14, 2), QPointF(-5, 3));
        p.drawLine(QPointF(5, -3), QPointF(14, -4));
        p.drawLine(QPointF(5, 3), QPointF(14, 2));
        break;
    }
    case 4: {  // teachers and assignments: a board and a teacher
        p.drawRoundedRect(QRectF(-19, -16, 28, 20), 2.5, 2.5);
        QPen thin(ink, 2, Qt::SolidLine, Qt::RoundCap);
        p.setPen(thin);
        p.drawLine(QPointF(-14, -9), QPointF(0, -9));
        p.drawLine(QPointF(-14, -3), QPointF(-5, -3));
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawEllipse(QPointF(12, 2), 5.5, 5.5);
        QPainterPath body;
        body.moveTo(2, 18);
        body.cubicTo(2, 8, 22, 8, 22, 18);
        body.closeSubpath();
        p.drawPath(body);
        break;
    }
    case 5: {  // automatic scheduling: a lightning bolt with a spark
        p.setBrush(ink);
        p.setPen(Qt::NoPen);
        QPainterPath bolt;
        bolt.moveTo(4, -19);
        bolt.lineTo(-12, 3);
        bolt.lineTo(-1, 3);
        bolt.lineTo(-5, 19);
        bolt.lineTo(12, -4);
        bolt.lineTo(1, -4);
        bolt.closeSubpath();
        p.drawPath(bolt);
        QPen thin(ink, 2.2, Qt::SolidLine, Qt::RoundCap);
        p.setPen(thin);
        p.drawLine(QPointF(15, -15), QPointF(15, -9));
        p.drawLine(QPointF(12, -12), QPointF(18, -12));
        break;
    }
    default: {  // timetables: a calendar grid
        p.drawRoundedRect(QRectF(-18, -15, 36, 32), 4, 4);
        p.drawLine(QPointF(-18, -6), QPointF(18, -6));
        p.drawLine(QPointF(-10, -20), QPointF(-10, -12));
        p.drawLine(QPointF(10, -20), QPointF(10, -12));
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 3; ++col)
                p.drawRoundedRect(QRectF(-13 + col * 10, -1 + row * 8, 6, 5), 1, 1);
        break;
    }
    }
    p.restore();
}

}  // namespace

QColor stepColor(int step)
{
    switch (step) {
    case 1:
        return QColor(0x3b, 0x7d, 0xdd);
    case 2:
        return QColor(0x12, 0xa0, 0x8f);
    case 3:
        return QColor(0xe0, 0x9a, 0x12);
    case 4:
        return QColor(0x8e, 0x5b, 0xd9);
    case 5:
        return QColor(0xe5, 0x58, 0x4a);
    default:
        return QColor(0x36, 0x9e, 0x58);
    }
}

QString stepCaption(int step)
{
    static const char* const c[] = {"", "班级设置", "课时设置", "科目设置", "教师任课", "自动排课", "课程表"};
    return step >= 1 && step <= 6 ? QString::fromUtf8(c[step]) : QString();
}

void paintStep(QPainter& p, const QRectF& r, int step, StepLook look)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent = stepColor(step);
    const bool off = look == StepLook::Unavailable;
    const bool hover = look == StepLook::Hover;
    const double radius = 14;
    // The hovered tile lifts: it moves up and its shadow grows.
    QRectF card(r.left() + 5, r.top() + (hover ? 3 : 6), r.width() - 10, r.height() - 14);

    if (!off)
        paintShadow(p, card, radius, hover ? 9 : 5, hover ? 46 : 30);

    QColor fill = off ? kGreyFill : hover ? mix(Qt::white, accent, 0.08) : QColor(Qt::white);
    QPen border(off ? kGreyLine : hover ? accent : mix(Qt::white, accent, 0.28), hover ? 2 : 1.2);
    p.setPen(border);
    p.setBrush(fill);
    p.drawRoundedRect(card, radius, radius);

    // The round picture with the step's glyph.
    const QPointF centre(card.center().x(), card.top() + 48);
    const double rr = 30;
    if (off) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreyMark);
    } else {
        QLinearGradient g(centre.x(), centre.y() - rr, centre.x(), centre.y() + rr);
        g.setColorAt(0, mix(accent, Qt::white, hover ? 0.22 : 0.12));
        g.setColorAt(1, mix(accent, Qt::black, hover ? 0.02 : 0.08));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
    }
    p.drawEllipse(centre, rr, rr);
    paintGlyph(p, step, centre, off ? QColor(0xf6, 0xf7, 0xf9) : QColor(Qt::white));

    // The number badge.
    const QPointF badge(card.left() + 15, card.top() + 15);
    p.setPen(QPen(off ? kGreyFill : Qt::white, 2));
    p.setBrush(off ? kGreyText : mix(accent, Qt::black, 0.12));
    p.drawEllipse(badge, 11, 11);
    p.setPen(Qt::white);
    p.setFont(uiFont(13, true));
    p.drawText(QRectF(badge.x() - 11, badge.y() - 11, 22, 22), Qt::AlignCenter, QString::number(step));

    // The caption.
    p.setPen(off ? kGreyText : hover ? mix(accent, Qt::black, 0.25) : kInk);
    p.setFont(uiFont(15, true));
    p.drawText(QRectF(card.left(), card.top() + 86, card.width(), 28), Qt::AlignCenter, stepCaption(step));
    p.restore();
}

void paintTrash(QPainter& p, const QRectF& r, bool hover)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = r.center();
    const double rad = std::min(r.width(), r.height()) / 2 - 1;
    p.setPen(QPen(hover ? QColor(0xd9, 0x3a, 0x3f) : QColor(0xd5, 0xdb, 0xe3), 1));
    p.setBrush(hover ? QColor(0xe5, 0x48, 0x4d) : QColor(Qt::white));
    p.drawEllipse(c, rad, rad);
    const QColor ink = hover ? QColor(Qt::white) : QColor(0x7a, 0x86, 0x96);
    const double s = rad / 11.0;
    p.translate(c);
    p.scale(s, s);
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(-5.5, -3.5), QPointF(5.5, -3.5));   // lid
    p.drawLine(QPointF(-1.8, -5.5), QPointF(1.8, -5.5));   // handle
    QPainterPath can;
    can.moveTo(-4.2, -2);
    can.lineTo(-3.4, 5.5);
    can.lineTo(3.4, 5.5);
    can.lineTo(4.2, -2);
    p.drawPath(can);
    p.drawLine(QPointF(-1.2, 0), QPointF(-1.2, 3.6));
    p.drawLine(QPointF(1.2, 0), QPointF(1.2, 3.6));
    p.restore();
}

void paintArrow(QPainter& p, QPointF a, QPointF b, bool active)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = active ? QColor(0x5b, 0x8d, 0xd6) : QColor(0xc3, 0xcb, 0xd5);
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double len = std::hypot(dx, dy);
    if (len < 1) {
        p.restore();
        return;
    }
    p.translate(a);
    p.rotate(std::atan2(dy, dx) * 180.0 / M_PI);
    p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0, 0), QPointF(len - 7, 0));
    QPainterPath head;
    head.moveTo(len, 0);
    head.lineTo(len - 11, -7);
    head.lineTo(len - 11, 7);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(head);
    p.restore();
}

void paintMenuPicture(QPainter& p, const QRectF& r, int state)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (state > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(state == 2 ? QColor(255, 255, 255, 70) : QColor(255, 255, 255, 38));
        p.drawRoundedRect(r.adjusted(2, 2, -2, -2), 7, 7);
    }
    const QPointF c = r.center();
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
    const double w = 9;
    const double dy = state == 2 ? 1 : 0;
    for (int i = -1; i <= 1; ++i)
        p.drawLine(QPointF(c.x() - w, c.y() + i * 6 + dy), QPointF(c.x() + w, c.y() + i * 6 + dy));
    p.restore();
}

void paintUserArrow(QPainter& p, const QRectF& r, bool hover)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = hover ? QColor(0xc8, 0xc8, 0xc8) : QColor(0x83, 0x83, 0x83);
    const QPointF c = r.center();
    QPainterPath tri;
    tri.moveTo(c.x() - 4.5, c.y() - 2);
    tri.lineTo(c.x() + 4.5, c.y() - 2);
    tri.lineTo(c.x(), c.y() + 3);
    tri.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(tri);
    p.restore();
}

void paintBanner(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0x1d, 0x3a, 0x63));
    g.setColorAt(1, QColor(0x2f, 0x6f, 0xc4));
    p.fillRect(r, g);

    // A faint timetable on the right: the program's subject, not decoration for its own sake.
    const double cell = 22, gap = 5;
    const double gx = r.right() - 5 * (cell + gap) - 14, gy = r.top() + 22;
    const QColor tints[] = {QColor(0x3b, 0x7d, 0xdd), QColor(0x12, 0xa0, 0x8f), QColor(0xe0, 0x9a, 0x12),
                            QColor(0x8e, 0x5b, 0xd9), QColor(0xe5, 0x58, 0x4a)};
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 5; ++col) {
            int k = (row * 3 + col * 2) % 7;
            QColor c = k < 5 ? tints[k] : QColor(Qt::white);
            c.setAlpha(k < 5 ? 120 : 30);
            p.setBrush(c);
            p.drawRoundedRect(QRectF(gx + col * (cell + gap), gy + row * (cell + gap), cell, cell), 5, 5);
        }

    p.setPen(Qt::white);
    p.setFont(uiFont(30, true));
    p.drawText(QRectF(r.left() + 28, r.top() + 44, r.width() - 56, 44), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Tavrin 排课系统"));
    p.setPen(QColor(255, 255, 255, 190));
    p.setFont(uiFont(14, false));
    p.drawText(QRectF(r.left() + 30, r.top() + 92, r.width() - 56, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("学校课程表编排 · 版本 10.1"));
    p.restore();
}

void paintMessageSign(QPainter& p, const QRectF& r, MessageSign sign)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(r.width(), r.height());
    p.translate(r.center());
    p.scale(side / 32.0, side / 32.0);  // drawn on a 32 x 32 square around the centre
    const QColor white(Qt::white);
    QPen ink(white, 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (sign) {
    case MessageSign::Information:
    case MessageSign::Question:
        p.setPen(Qt::NoPen);
        p.setBrush(sign == MessageSign::Information ? QColor(0x2f, 0x6f, 0xc4) : QColor(0x3b, 0x5b, 0xa9));
        p.drawEllipse(QPointF(0, 0), 15, 15);
        p.setBrush(white);
        if (sign == MessageSign::Information) {
            p.drawEllipse(QPointF(0, -7.5), 2.2, 2.2);
            p.setPen(ink);
            p.drawLine(QPointF(0, -1.5), QPointF(0, 8.5));
        } else {
            p.drawEllipse(QPointF(0, 8.8), 2.1, 2.1);
            p.setPen(ink);
            p.setBrush(Qt::NoBrush);
            QPainterPath hook;
            hook.moveTo(-5.2, -4.2);
            hook.cubicTo(-5.2, -12.0, 5.6, -12.0, 5.6, -4.6);
            hook.cubicTo(5.6, -0.6, 0, -0.4, 0, 4.0);
            p.drawPath(hook);
        }
        break;
    case MessageSign::Warning: {
        QPainterPath tri;
        tri.moveTo(0, -14.5);
        tri.lineTo(15.5, 13.5);
        tri.lineTo(-15.5, 13.5);
        tri.closeSubpath();
        p.setPen(QPen(QColor(0xe0, 0x9a, 0x00), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0xf2, 0xaa, 0x0c));
        p.drawPath(tri);
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawEllipse(QPointF(0, 8.6), 2.1, 2.1);
        p.setPen(ink);
        p.drawLine(QPointF(0, -5.5), QPointF(0, 3.2));
        break;
    }
    case MessageSign::Critical:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xd6, 0x40, 0x45));
        p.drawEllipse(QPointF(0, 0), 15, 15);
        p.setPen(ink);
        p.drawLine(QPointF(-6, -6), QPointF(6, 6));
        p.drawLine(QPointF(6, -6), QPointF(-6, 6));
        break;
    }
    p.restore();
}

}  // namespace tavrin::ui
