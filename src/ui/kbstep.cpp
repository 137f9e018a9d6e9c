#include "ui/kbstep.h"

namespace tavrin::ui {

KbStep::KbStep(QObject* parent) : QObject(parent)
{
    doc_.addListener(this);
}

KbStep::~KbStep()
{
    doc_.removeListener(this);
}

void KbStep::kbChanged(const timetable::KbChange& change)
{
    Q_EMIT changed(change);
}

}  // namespace tavrin::ui
