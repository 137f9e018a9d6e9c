#include "ui/style.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

namespace tavrin::ui {

namespace {

class KitStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const override
    {
        QProxyStyle::drawPrimitive(pe, opt, p, w);
        // The usual styles frame an empty box in a grey that nearly vanishes on the window.
        if (pe != PE_IndicatorCheckBox || !(opt->state & State_Off) || !(opt->state & State_Enabled))
            return;
        p->save();
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(QColor(0x5a, 0x66, 0x78));
        p->setBrush(Qt::NoBrush);
        p->drawRect(opt->rect.adjusted(0, 0, -1, -1));
        p->restore();
    }
};

}  // namespace

void useKitStyle(QApplication& app)
{
    app.setStyle(new KitStyle(QApplication::style()->name()));
}

}  // namespace tavrin::ui
