// Reading the condition tables, shared by the engine, the repair and the polish.
#pragma once

#include <cstdlib>

#include "model/school.h"

namespace tavrin::scheduler::caps {

// A cell of a table, 0 outside it.
template <class A>
int at3(const A& a, int i, int j, int k)
{
    return a.inside(i, j, k) ? a(i, j, k) : 0;
}
template <class A>
int at2(const A& a, int i, int j)
{
    return a.inside(i, j) ? a(i, j) : 0;
}

// The cap of a subject condition: the class's own value wins over the whole school's; -1 none.
inline int subjectCap(const model::Array3<int>& a, int b, int k, int x)
{
    const int own = at3(a, b, k, x), all = at3(a, 0, k, x);
    return own != 0 ? std::abs(own) : all != 0 ? std::abs(all) : -1;
}

}  // namespace tavrin::scheduler::caps
