// What the subject and teacher grids draw alike: the selected row's colours, the row
// backgrounds and the "设置..." button painted in the marks cell.
#pragma once

#include <QColor>
#include <QStyleOptionViewItem>

class QPainter;

namespace tavrin::entry::ui {

inline const QColor kRowAlt(0xF5, 0xF5, 0xF5), kRowSelected(0xBB, 0xCE, 0xEE);
inline constexpr const char* kMarkCell = "设置...";

// The row's background: white and #F5F5F5 by turns.
QColor rowBackground(int row);
// The item look with the grids' selection colours.
QStyleOptionViewItem selectedLook(const QStyleOptionViewItem& o);
// The marks cell: the row's (or the selection's) background and the button in `button`.
void paintMarkButton(QPainter* p, const QStyleOptionViewItem& o, int row, const QRect& button);

}  // namespace tavrin::entry::ui
