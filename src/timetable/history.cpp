#include "timetable/history.h"

namespace tavrin::timetable {

void KbHistory::clear()
{
    KbPage.fill(0);
    KbPageNow = 0;
    KbPageFirst = 0;
    prev_ = false;
    next_ = false;
}

bool KbHistory::add(int page)
{
    if (page == current())
        return false;
    KbPageNow = ringNext(KbPageNow);
    const int before = at(ringPrev(KbPageNow));
    prev_ = before != 0;
    if (before == 0)
        KbPageFirst = KbPageNow;
    else if (KbPageNow == KbPageFirst)
        KbPageFirst = ringNext(KbPageNow);  // the oldest entry is given up
    KbPage[static_cast<std::size_t>(KbPageNow)] = page;
    next_ = ringNext(KbPageNow) != KbPageFirst && at(ringNext(KbPageNow)) > 0;
    return true;
}

int KbHistory::back()
{
    KbPageNow = ringPrev(KbPageNow);
    prev_ = at(ringPrev(KbPageNow)) > 0 && KbPageNow != KbPageFirst;
    next_ = true;
    return current();
}

int KbHistory::forward()
{
    KbPageNow = ringNext(KbPageNow);
    next_ = at(ringNext(KbPageNow)) > 0 && ringNext(KbPageNow) != KbPageFirst;
    prev_ = true;
    return current();
}

}  // namespace tavrin::timetable
