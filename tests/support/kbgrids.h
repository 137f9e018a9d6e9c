// The timetable being edited as grids, for the checker and for comparing states.
#pragma once

#include <set>
#include <string>

#include "model/school.h"
#include "timetable/checker.h"
#include "timetable/kbdata.h"

namespace tavrin::testing {

inline model::Grids editedGrids(const timetable::KbData& kb)
{
    model::Grids g;
    g.Renke_B = kb.gridB();
    g.Renke_T = kb.gridT();
    g.Teshu_B.resize(kb.school.MaxBanID + 1, kb.N() + 2, 0);
    g.RenkePlaced = kb.placed();
    return g;
}

// The grid rules a hand edit answers for, as "kind:text"; the conditions are warnings a
// confirmed move may knowingly break, not rules.
inline std::set<std::string> gridBreaches(const model::School& s, const model::Grids& g)
{
    static const std::set<std::string> kinds = {"教师冲突", "固定课", "节数超出", "节数不符", "课表不一致", "合班", "无效课"};
    std::set<std::string> out;
    for (const auto& v : timetable::checkTimetable(s, g))
        if (kinds.count(v.kind))
            out.insert(v.kind + ":" + v.text);
    return out;
}

}  // namespace tavrin::testing
