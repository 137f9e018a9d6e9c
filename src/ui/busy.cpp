#include "ui/busy.h"

#include <QApplication>

namespace tavrin::ui {

Busy::Busy(QWidget* w) : w_(w)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (w_)
        w_->setEnabled(false);
}

Busy::~Busy()
{
    if (w_)
        w_->setEnabled(true);
    QApplication::restoreOverrideCursor();
}

}  // namespace tavrin::ui
