#include "model/kechen.h"

#include <fmt/format.h>

namespace tavrin::model {

std::vector<StoredLesson> readKechen(store::Store& store, const School& school, std::vector<SkippedRow>* skipped)
{
    std::vector<StoredLesson> out;
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
        if (weekday < 1 || weekday > kMaxDays) {
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
        if (!school.renke(r).real) {
            skip("没有对应的任课");
            continue;
        }
        out.push_back({ban, tea, slotOf(day, jie, P), r, teshu});
    }
    return out;
}

Grids LoadKeChenData(store::Store& store, const School& school, std::vector<SkippedRow>* skipped)
{
    Grids g;
    g.reset(school);
    for (const StoredLesson& l : readKechen(store, school, skipped)) {
        g.Renke_B(l.ban, l.slot) = l.r;
        g.Renke_T(l.tea, l.slot) = l.r;
        g.Teshu_B(l.ban, l.slot) = l.teshu;
        ++g.RenkePlaced[static_cast<std::size_t>(l.r)];
    }
    return g;
}

std::vector<KechenRow> kechenRows(const School& s, const Array2<int>& B, const Array2<int>* scores)
{
    std::vector<KechenRow> rows;
    for (int c = 1; c <= s.MaxBanID && c < B.size1(); ++c)
        for (int slot = 1; slot <= s.N(); ++slot) {
            const Renke a = s.renke(B(c, slot));
            if (!a.real)
                continue;
            const int weekday = s.DayToWeek[static_cast<std::size_t>(s.slots.SlotDay[static_cast<std::size_t>(slot)])];
            rows.push_back({weekday, s.slots.SlotJie[static_cast<std::size_t>(slot)], c, a.tea, a.ke,
                            scores ? (*scores)(c, slot) : 0});
        }
    return rows;
}

int writeKechen(store::Store& store, const std::vector<KechenRow>& rows)
{
    store.run("DELETE FROM kechenbd");
    auto ins = store.prepare(
        "INSERT INTO kechenbd(kechenid, theday, thejie, theban, thetea, theke, teshu) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    int id = 0;
    for (const KechenRow& row : rows) {
        ins.reset();
        ins.bindAll(++id, row.weekday, row.jie, row.ban, row.tea, row.ke, row.teshu);
        ins.run();
    }
    return id;
}

void writeLocks(store::Store& store, const School& s)
{
    store.run("UPDATE banbd SET islock = 0");
    for (int c = 1; c <= s.MaxBanID && static_cast<std::size_t>(c) < s.BanLocked.size(); ++c)
        if (s.BanLocked[static_cast<std::size_t>(c)])
            store.run("UPDATE banbd SET islock = 1 WHERE banid = ?1", c);
    store.run("UPDATE teabd SET islock = 0");
    for (int t = 1; t <= s.TeaOldNum && static_cast<std::size_t>(t) < s.TeaLocked.size(); ++t)
        if (s.TeaLocked[static_cast<std::size_t>(t)])
            store.run("UPDATE teabd SET islock = 1 WHERE teaid = ?1", t);
}

}  // namespace tavrin::model
