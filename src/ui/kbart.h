// The pictures of the timetable cells, drawn rather than shipped: the header picture, the
// normal, locked and fixed-lesson cells, the pointer's hot cell and the move marks of a drag.
// Every timetable of the step (class and teacher grids, the holding area, later the mini
// timetables) draws its cells with these, so they look alike everywhere.
#pragma once

#include <QColor>
#include <QRectF>

#include "timetable/cells.h"

class QPainter;

namespace tavrin::ui {

using timetable::KbLook;

// Background of the grid panel and of the holding area.
QColor kbPanelColor();
// Text colour on a cell of that look (dark on light pictures).
QColor kbTextColor(KbLook look, bool enabled = true);

// The colour of a subject's lessons in the class and teacher grids: calm tints that stay
// apart for neighbouring IDs, the same for a subject on every page and in every run, all
// light enough for the dark cell text. Invalid for 0 (no subject).
QColor subjectTint(int kemuId);
// A normal cell in a subject's tint.
void paintKbTintedCell(QPainter& p, const QRectF& r, const QColor& tint);

// A held (unplaced) lesson: a dashed outline in its subject's colour on a pale ground, so
// it never passes for a placed one.
void paintKbHeldCell(QPainter& p, const QRectF& r, const QColor& tint);

// One cell picture filling `r`.
void paintKbCell(QPainter& p, const QRectF& r, KbLook look);
// The header picture (corner, period and day headers).
void paintKbHeader(QPainter& p, const QRectF& r, bool corner = false);
// The same pictures from a cache of ready pixmaps, one per look and size: a grid of a few
// hundred cells then repaints by copying.
void drawKbCell(QPainter& p, const QRect& r, KbLook look);
void drawKbHeader(QPainter& p, const QRect& r, bool corner = false);
// The small padlock drawn in a locked cell's corner.
void paintKbPadlock(QPainter& p, const QRectF& r, const QColor& c);

}  // namespace tavrin::ui
