// Small schools with a planted same-day repeat, for the polish's tests and its screen tests.
#pragma once

#include "support/school_builder.h"

namespace tavrin::testing {

// Two days of two periods, a class full: 语文 twice on Monday, 数学 twice on Tuesday.
// `busy` adds a second class whose lessons by the same two teachers block every single swap.
inline void twoRepeats(SchoolBuilder& b, bool busy)
{
    const int ji = b.ji("初一");
    const int A = b.ban("1班", ji);
    const int X = b.ke("语文"), Y = b.ke("数学");
    const int t1 = b.tea("甲"), t2 = b.tea("乙");
    b.renke(t1, A, X, 2);
    b.renke(t2, A, Y, 2);
    b.lesson(A, 1, 1, t1, X);
    b.lesson(A, 1, 2, t1, X);
    b.lesson(A, 2, 1, t2, Y);
    b.lesson(A, 2, 2, t2, Y);
    if (!busy)
        return;
    // Class 2: 甲 teaches it all Tuesday, 乙 on Monday's second period; one lesson each.
    const int B = b.ban("2班", ji);
    const int U = b.ke("英语"), Z = b.ke("物理"), W = b.ke("化学"), V = b.ke("生物");
    const int t3 = b.tea("丙");
    b.renke(t3, B, U, 1);
    b.renke(t2, B, Z, 1);
    b.renke(t1, B, W, 1);
    b.renke(t1, B, V, 1);
    b.lesson(B, 1, 1, t3, U);
    b.lesson(B, 1, 2, t2, Z);
    b.lesson(B, 2, 1, t1, W);
    b.lesson(B, 2, 2, t1, V);
}

}  // namespace tavrin::testing
