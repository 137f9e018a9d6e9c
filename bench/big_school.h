// A generated school for the editing benchmarks: every class with K assignments of the same
// weekly count, teachers drawn at random, filled greedily so that no teacher stands twice
// in a slot. Deterministic for a given seed.
#pragma once

#include <random>
#include <string>

#include "model/school.h"
#include "timetable/kbdocument.h"

namespace tavrin::bench {

struct BigShape {
    int classes = 120, teachers = 400, subjects = 12, lessons = 6;
    int days = 6, mor = 5, aft = 4, nig = 3;
    unsigned seed = 7;
};

inline void startBig(timetable::KbDocument& doc, const BigShape& shape = {})
{
    model::School s;
    s.theDay = shape.days;
    for (int d = 1; d <= shape.days; ++d) {
        s.DaySel[static_cast<std::size_t>(d)] = 1;
        s.DayToWeek[static_cast<std::size_t>(d)] = static_cast<std::uint8_t>(d);
        s.WeektoDay[static_cast<std::size_t>(d)] = static_cast<std::uint8_t>(d);
    }
    s.mor = shape.mor;
    s.aft = shape.aft;
    s.nig = shape.nig;
    s.slots.build(s.theDay, s.mor, s.aft, s.nig);
    const int N = s.N(), P = s.P(), B = shape.classes, T = shape.teachers, K = shape.subjects;
    s.MaxBanID = B;
    s.BanName.assign(B + 1, "");
    for (int b = 1; b <= B; ++b)
        s.BanName[static_cast<std::size_t>(b)] = "班" + std::to_string(b);
    s.BanLocked.assign(B + 1, 0);
    s.GudinKe.resize(B + 1, N + 2, "");
    s.KemuOldNum = K;
    s.KemuName.assign(K + 1, "科");
    s.KemuName2.assign(K + 1, "");
    s.KemuMaxJie.assign(K + 1, 0);
    s.KemuMaxJie[1] = 20;
    s.KemuLianpai.assign(K + 1, 0);
    s.TeshuKe.resize(K + 1, B + 1, model::kMaxDays + 1, model::kMaxJie + 1, 0);
    s.TeaOldNum = T;
    s.TeaName.assign(T + 1, "师");
    s.TeaLocked.assign(T + 1, 0);
    s.TeshuTea.resize(T + 1, model::kMaxDays + 1, model::kMaxJie + 1, 0);
    std::mt19937 rng(shape.seed);
    for (int b = 1; b <= B; ++b)
        for (int k = 1; k <= K; ++k) {
            s.RenkeBan.push_back(b);
            s.RenkeTea.push_back(1 + static_cast<int>(rng() % static_cast<unsigned>(T)));
            s.RenkeKe.push_back(k);
            s.RenkeJieshu.push_back(shape.lessons);
            s.RenkeHeban.push_back(0);
        }
    s.RenKeNum = static_cast<int>(s.RenkeBan.size());
    s.RenkeMaxJieshu = shape.lessons;
    s.opt.JieOptBK.resize(B + 1, K + 1, P + 1, 0);
    s.opt.JieOptT.resize(T + 1, P + 1, 0);
    s.opt.DayOptBK.resize(B + 1, K + 1, model::kMaxDays + 1, 0);
    s.opt.DayOptT.resize(T + 1, model::kMaxDays + 1, 0);
    s.opt.TeaExclusive.assign(T + 1, 0);
    model::Grids g;
    g.reset(s);
    for (int r = 0; r < s.RenKeNum; ++r)
        for (int tries = 0; tries < 40 && g.RenkePlaced[static_cast<std::size_t>(r)] < shape.lessons; ++tries) {
            const int slot = 1 + static_cast<int>(rng() % static_cast<unsigned>(N));
            const int b = s.RenkeBan[static_cast<std::size_t>(r)], t = s.RenkeTea[static_cast<std::size_t>(r)];
            if (g.Renke_B(b, slot) < 0 && g.Renke_T(t, slot) < 0) {
                g.Renke_B(b, slot) = r;
                g.Renke_T(t, slot) = r;
                ++g.RenkePlaced[static_cast<std::size_t>(r)];
            }
        }
    doc.start(std::move(s), std::move(g));
}

}  // namespace tavrin::bench
