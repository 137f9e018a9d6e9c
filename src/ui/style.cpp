#include "ui/style.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleOption>

#include <optional>

#include "ui/art.h"

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

    // Message boxes (the program's and Qt's own dialogs alike) take the kit's flat signs:
    // without an icon theme the platform style falls back to pictures of another era.
    QIcon standardIcon(StandardPixmap sp, const QStyleOption* opt, const QWidget* w) const override
    {
        if (const std::optional<MessageSign> sign = signOf(sp))
            return signIcon(*sign);
        return QProxyStyle::standardIcon(sp, opt, w);
    }

    int pixelMetric(PixelMetric pm, const QStyleOption* opt, const QWidget* w) const override
    {
        if (pm == PM_MessageBoxIconSize)
            return 40;
        return QProxyStyle::pixelMetric(pm, opt, w);
    }

private:
    static std::optional<MessageSign> signOf(StandardPixmap sp)
    {
        switch (sp) {
        case SP_MessageBoxInformation:
            return MessageSign::Information;
        case SP_MessageBoxQuestion:
            return MessageSign::Question;
        case SP_MessageBoxWarning:
            return MessageSign::Warning;
        case SP_MessageBoxCritical:
            return MessageSign::Critical;
        default:
            return std::nullopt;
        }
    }

    static QIcon signIcon(MessageSign sign)
    {
        QIcon icon;
        for (int size : {16, 24, 32, 40, 48, 64})
            for (qreal dpr : {1.0, 2.0}) {
                QPixmap pm(QSize(size, size) * dpr);
                pm.setDevicePixelRatio(dpr);
                pm.fill(Qt::transparent);
                QPainter p(&pm);
                paintMessageSign(p, QRectF(0, 0, size, size).adjusted(1, 1, -1, -1), sign);
                p.end();
                icon.addPixmap(pm);
            }
        return icon;
    }
};

}  // namespace

void useKitStyle(QApplication& app)
{
    app.setStyle(new KitStyle(QApplication::style()->name()));
}

}  // namespace tavrin::ui
