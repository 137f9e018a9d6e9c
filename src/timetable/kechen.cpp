#include "timetable/kechen.h"

#include <fmt/format.h>

namespace tavrin::timetable {

model::Grids LoadKeChenData(store::Store& store, const model::School& school, std::vector<model::SkippedRow>* skipped)
{
    model::Grids g;
    g.reset(school);
    const int P = school.P();
    auto st = store.prepare("SELECT theday, thejie, theban, thetea, theke, teshu FROM kechenbd ORDER BY rowid");
    while (st.step()) {
        auto value = [&](int col) { return st.isNull(col) ? 0 : st.integer(col); };
        const int weekday = value(0), jie = value(1), ban = value(2), tea = value(3), ke = value(4), teshu = value(5);
        auto skip = [&](const char* reason) {
            if (skipped)
                skipped->push_back({"kechenbd",
                                    fmt::format("theday={} thejie={} theban={} thetea={} theke={}", weekday, jie, ban, tea, ke),
                                    reason});
        };
        if (weekday < 1 || weekday > model::kMaxDays) {
            skip("星期无效");
            continue;
        }
        const int day = school.WeektoDay[static_cast<std::size_t>(weekday)];
        if (day < 1 || day > school.theDay) {
            skip("该日不上课");
            continue;
        }
        if (jie < 1 || jie > P) {
            skip("节次超出每天节数");
            continue;
        }
        const int r = school.btk(ban, tea, ke);
        if (r < 0 || r >= school.renkeSize() || school.RenkeJieshu[static_cast<std::size_t>(r)] <= 0) {
            skip("没有对应的任课");
            continue;
        }
        const int slot = model::slotOf(day, jie, P);
        g.Renke_B(ban, slot) = r;
        g.Renke_T(tea, slot) = r;
        g.Teshu_B(ban, slot) = teshu;
        ++g.RenkePlaced[static_cast<std::size_t>(r)];
    }
    return g;
}

}  // namespace tavrin::timetable
