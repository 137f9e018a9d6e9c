// Pointer work sent straight to a widget, as the pointer does it: a press, moves with the
// button held and a release, without a real cursor, so offscreen tests drive drags.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace tavrin::testing {

inline void mouse(QWidget* w, QEvent::Type t, const QPoint& pos, Qt::MouseButton b, Qt::MouseButtons held)
{
    QMouseEvent e(t, QPointF(pos), QPointF(w->mapToGlobal(pos)), b, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A press on `from` (in `source`), a move past the drag distance, a few moves on the way and
// the release at `to` (in `source`'s coordinates, wherever that lies), as the pointer does it.
inline void dragWith(QWidget* source, const QPoint& from, const QPoint& to, Qt::MouseButton button = Qt::LeftButton)
{
    mouse(source, QEvent::MouseButtonPress, from, button, button);
    const QPoint step = from + QPoint(QApplication::startDragDistance() + 2, 1);
    mouse(source, QEvent::MouseMove, step, Qt::NoButton, button);
    mouse(source, QEvent::MouseMove, (step + to) / 2, Qt::NoButton, button);
    mouse(source, QEvent::MouseMove, to, Qt::NoButton, button);
    mouse(source, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

}  // namespace tavrin::testing
