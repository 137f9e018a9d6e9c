#include "entry/ui/gridcells.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

namespace tavrin::entry::ui {

QColor rowBackground(int row)
{
    return row % 2 == 0 ? QColor(Qt::white) : kRowAlt;
}

QStyleOptionViewItem selectedLook(const QStyleOptionViewItem& o)
{
    QStyleOptionViewItem opt = o;
    if (opt.state & QStyle::State_Selected) {
        opt.palette.setColor(QPalette::Highlight, kRowSelected);
        opt.palette.setColor(QPalette::HighlightedText, Qt::black);
    }
    return opt;
}

void paintMarkButton(QPainter* p, const QStyleOptionViewItem& o, int row, const QRect& button)
{
    p->fillRect(o.rect, (o.state & QStyle::State_Selected) ? kRowSelected : rowBackground(row));
    QStyleOptionButton b;
    b.rect = button;
    b.text = QString::fromUtf8(kMarkCell);
    b.state = QStyle::State_Enabled | QStyle::State_Raised;
    const QWidget* w = o.widget;
    (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_PushButton, &b, p, w);
}

}  // namespace tavrin::entry::ui
