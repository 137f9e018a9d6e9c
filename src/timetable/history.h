// The visited timetables of the class and teacher pages, browser-style: a ring of 101 page
// codes with back and forward. Entries ahead of the position are not cleared by a new visit,
// so after going back and opening another timetable, forward may still lead to a timetable
// seen before.
#pragma once

#include <array>

#include "timetable/kbdata.h"

namespace tavrin::timetable {

class KbHistory {
public:
    // Empty: every entry 0, nothing to go back or forward to.
    void clear();

    // A timetable shown by a switch or a pick. The same code as the current entry adds
    // nothing (false).
    bool add(int page);

    // Back and forward move the position by one and give the page code to show there
    // (the page is shown without being added again). Callers go only where `canBack` /
    // `canForward` allow.
    int back();
    int forward();

    // The states of the two commands (`actPrevKb`, `actNextKb`) as the last operation left them.
    bool canBack() const { return prev_; }
    bool canForward() const { return next_; }

    int current() const { return KbPage[static_cast<std::size_t>(KbPageNow)]; }
    int now() const { return KbPageNow; }
    int first() const { return KbPageFirst; }
    int at(int i) const { return KbPage[static_cast<std::size_t>(i)]; }

private:
    std::array<int, kRingSize> KbPage{};
    int KbPageNow = 0;
    int KbPageFirst = 0;
    bool prev_ = false;
    bool next_ = false;
};

}  // namespace tavrin::timetable
