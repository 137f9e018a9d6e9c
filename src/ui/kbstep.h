// The timetable step as the window holds it: the one `KbDocument`, owned by the main
// window rather than by a page, and its notifications as Qt signals. The class and teacher
// page, the whole-school pages and every panel hold a reference to this and listen; none
// of them reaches into another.
#pragma once

#include <QObject>

#include "timetable/kbdocument.h"

namespace tavrin::ui {

class KbStep : public QObject, private timetable::KbListener {
    Q_OBJECT
public:
    explicit KbStep(QObject* parent = nullptr);
    ~KbStep() override;

    timetable::KbDocument& document() { return doc_; }
    const timetable::KbDocument& document() const { return doc_; }

Q_SIGNALS:
    // Every change of the document, as it told it (same thread, delivered at once).
    void changed(const tavrin::timetable::KbChange& change);

private:
    timetable::KbDocument doc_;
    void kbChanged(const timetable::KbChange& change) override;
};

}  // namespace tavrin::ui
