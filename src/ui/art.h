// The pictures of the window, drawn rather than shipped: the six step tiles in their three
// states, the trash can of the clear images, the arrows between the steps, the menu picture
// of the top bar, the user arrow, the login banner and the message boxes' signs.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

namespace tavrin::ui {

// Size of a step tile (`imgMain1`..`imgMain6`); the home-page layout is built on it.
inline constexpr int kStepW = 120;
inline constexpr int kStepH = 136;
// The clear image sits at a step's top, this far right of its left edge.
inline constexpr int kDelOffsetX = 88;
inline constexpr int kDelSize = 24;

enum class StepLook { Normal, Hover, Unavailable };

QColor stepColor(int step);
QString stepCaption(int step);  // "班级设置", "课时设置", ...

// One tile filling `r` (kStepW x kStepH).
void paintStep(QPainter& p, const QRectF& r, int step, StepLook look);
// The clear image: a small trash can, red on hover.
void paintTrash(QPainter& p, const QRectF& r, bool hover);
// An arrow from `a` to `b`; blue when it leads to a step that is open, else grey.
void paintArrow(QPainter& p, QPointF a, QPointF b, bool active);
// The top bar's menu picture; state 0 normal, 1 hover, 2 pressed.
void paintMenuPicture(QPainter& p, const QRectF& r, int state);
// The small arrow beside the user label (`imgUserSel`).
void paintUserArrow(QPainter& p, const QRectF& r, bool hover);
// The login dialog's banner.
void paintBanner(QPainter& p, const QRectF& r);

// The message boxes' signs, flat in the window's colours: a blue "i", a blue "?", an amber
// triangle with "!" and a red "×".
enum class MessageSign { Information, Question, Warning, Critical };
void paintMessageSign(QPainter& p, const QRectF& r, MessageSign sign);

}  // namespace tavrin::ui
