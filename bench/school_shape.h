// The demo school stretched to the whole-school tables' worst shape: seven days of 9 + 9 + 9
// periods (189 slots), `classes` classes and `teachers` teachers (the xl school's first ones,
// its other teachers' assignments handed round to these), every assignment taught four times
// as often, and a timetable laid out greedily so that no class or teacher stands twice in a
// slot. Deterministic for a given seed.
#pragma once

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "demo/demo.h"

namespace tavrin::bench {

inline demo::DemoSchool stretchedSchool(int classes, int teachers, unsigned seed = 11)
{
    demo::DemoSchool s = demo::makeDemoSchool({demo::DemoSize::Xl, 1, false, false});
    const int days = 7, P = 27;
    s.weekdays.clear();
    for (int d = 1; d <= days; ++d)
        s.weekdays.push_back(d);
    s.mor = 9;
    s.aft = 9;
    s.nig = 9;
    s.times.clear();
    for (int j = 1; j <= P; ++j) {
        char t[32];
        const int start = 6 * 60 + 50 * (j - 1);
        std::snprintf(t, sizeof t, "%02d:%02d-%02d:%02d", start / 60 % 24, start % 60, (start + 45) / 60 % 24,
                      (start + 45) % 60);
        s.times.emplace_back(j, t);
    }
    s.classes.resize(static_cast<std::size_t>(std::min<int>(classes, static_cast<int>(s.classes.size()))));
    classes = static_cast<int>(s.classes.size());
    s.teachers.resize(static_cast<std::size_t>(std::min<int>(teachers, static_cast<int>(s.teachers.size()))));
    teachers = static_cast<int>(s.teachers.size());
    std::erase_if(s.renke, [&](const demo::DemoRenke& r) { return r.ban > classes; });
    std::erase_if(s.gudin, [&](const demo::DemoGudin& g) { return g.ban > classes; });
    for (auto& row : s.jieshu)
        row.resize(static_cast<std::size_t>(classes));
    for (auto& r : s.renke) {
        r.tea = (r.tea - 1) % teachers + 1;
        r.jieshu *= 4;
        r.heban = 0;
        s.jieshu[static_cast<std::size_t>(r.ke - 1)][static_cast<std::size_t>(r.ban - 1)] = r.jieshu;
    }
    std::sort(s.renke.begin(), s.renke.end(), [](const demo::DemoRenke& a, const demo::DemoRenke& b) {
        return std::tie(a.ke, a.tea, a.ban) < std::tie(b.ke, b.tea, b.ban);
    });
    s.keMarks.clear();
    s.teaMarks.clear();
    s.jieConditions.clear();
    s.dayConditions.clear();
    s.exclusions.clear();

    // Class by class, each lesson on a random slot where its class and teacher are free.
    const int N = days * P;
    std::vector<char> banBusy(static_cast<std::size_t>((classes + 1) * (N + 1)), 0);
    std::vector<char> teaBusy(static_cast<std::size_t>((teachers + 1) * (N + 1)), 0);
    auto at = [N](int id, int slot) { return static_cast<std::size_t>(id * (N + 1) + slot); };
    for (const auto& g : s.gudin)
        banBusy[at(g.ban, (g.weekday - 1) * P + g.jie)] = 1;
    std::mt19937 rng(seed);
    s.planted.clear();
    for (const auto& r : s.renke)
        for (int n = 0; n < r.jieshu; ++n)
            for (int tries = 0; tries < 60; ++tries) {
                const int slot = 1 + static_cast<int>(rng() % static_cast<unsigned>(N));
                if (banBusy[at(r.ban, slot)] || teaBusy[at(r.tea, slot)])
                    continue;
                banBusy[at(r.ban, slot)] = teaBusy[at(r.tea, slot)] = 1;
                s.planted.push_back({r.ban, (slot - 1) / P + 1, (slot - 1) % P + 1, r.tea, r.ke});
                break;
            }
    std::sort(s.planted.begin(), s.planted.end(), [](const demo::PlantedLesson& a, const demo::PlantedLesson& b) {
        return std::tie(a.ban, a.weekday, a.jie) < std::tie(b.ban, b.weekday, b.jie);
    });
    return s;
}

}  // namespace tavrin::bench
