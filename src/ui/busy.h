// While the window is busy with short blocking work (a save, a load): the hourglass, and the
// given widget disabled so that nothing is clicked twice; both restored however it ends.
#pragma once

#include <QPointer>
#include <QWidget>

namespace tavrin::ui {

class Busy {
public:
    explicit Busy(QWidget* w);
    ~Busy();
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    QPointer<QWidget> w_;
};

}  // namespace tavrin::ui
