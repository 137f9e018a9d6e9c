#include "timetable/checker.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>

namespace tavrin::timetable {

namespace {

using model::School;
using model::Grids;

std::string nameAt(const std::vector<std::string>& names, int id, const char* what)
{
    if (id >= 0 && static_cast<std::size_t>(id) < names.size() && !names[static_cast<std::size_t>(id)].empty())
        return names[static_cast<std::size_t>(id)];
    return fmt::format("{}{}", what, id);
}

struct Ctx {
    const School& s;
    const Grids& g;
    int N = 0, P = 0;
    std::vector<Violation> out;

    int renkeCount() const { return s.renkeSize(); }
    // An assignment index that names a real assignment.
    bool real(int r) const { return s.isRealRenke(r); }
    int tea(int r) const { return s.RenkeTea[static_cast<std::size_t>(r)]; }
    int ban(int r) const { return s.RenkeBan[static_cast<std::size_t>(r)]; }
    int ke(int r) const { return s.RenkeKe[static_cast<std::size_t>(r)]; }
    int heban(int r) const { return s.RenkeHeban[static_cast<std::size_t>(r)]; }
    bool teaInRange(int t) const { return t >= 1 && t <= s.TeaOldNum && t < g.Renke_T.size1(); }

    std::string banName(int b) const { return nameAt(s.BanName, b, "班级"); }
    std::string teaName(int t) const { return nameAt(s.TeaName, t, "教师"); }
    std::string keName(int k) const { return nameAt(s.KemuName, k, "科目"); }
    std::string weekName(int d) const
    {
        int w = d >= 1 && d <= model::kMaxDays ? s.DayToWeek[static_cast<std::size_t>(d)] : 0;
        return w >= 1 && w <= model::kMaxDays ? s.WeekName[static_cast<std::size_t>(w)] : fmt::format("第{}天", d);
    }
    std::string slotName(int slot) const
    {
        return weekName(s.slots.SlotDay[static_cast<std::size_t>(slot)]) +
               fmt::format("第{}节", s.slots.SlotJie[static_cast<std::size_t>(slot)]);
    }
    int day(int slot) const { return s.slots.SlotDay[static_cast<std::size_t>(slot)]; }
    int jie(int slot) const { return s.slots.SlotJie[static_cast<std::size_t>(slot)]; }

    void add(const char* kind, int b, int t, int slot, int r, std::string text)
    {
        out.push_back({kind, b, t, slot, r, std::move(text)});
    }

    // The class cell as a usable lesson, or -1.
    int lesson(int b, int slot) const
    {
        int r = g.Renke_B(b, slot);
        return real(r) && ban(r) == b && teaInRange(tea(r)) ? r : -1;
    }

    bool sameGroup(int a, int b) const
    {
        return tea(a) == tea(b) && heban(a) > 0 && heban(a) == heban(b);
    }

    void cells();
    void teachers();
    void marksAndRooms();
    void conditions();
    void exclusions();
    void groupsApart();
    void counts();

    // Teacher t gives a lesson at slot s (found from the class grid).
    std::vector<std::vector<char>> busy;
};

void Ctx::cells()
{
    for (int b = 1; b <= s.MaxBanID; ++b) {
        for (int slot : {0, N + 1})
            if (g.Renke_B(b, slot) != -1)
                add("无效课", b, 0, 0, g.Renke_B(b, slot),
                    fmt::format("{}的课表在周外的位置{}上有课", banName(b), slot));
        for (int slot = 1; slot <= N; ++slot) {
            const int raw = g.Renke_B(b, slot);
            if (raw == -1)
                continue;
            const int r = lesson(b, slot);
            if (r < 0) {
                add("无效课", b, 0, slot, raw, fmt::format("{}{}的课不属于本班的任课（{}）", banName(b), slotName(slot), raw));
                continue;
            }
            const int t = tea(r);
            const int held = g.Renke_T(t, slot);
            const bool ok = held == r || (heban(r) > 0 && real(held) && sameGroup(held, r));
            if (ok)
                continue;
            if (heban(r) > 0 && held == -1)
                add("合班", b, t, slot, r,
                    fmt::format("{}{}的合班课{}，{}的课表此时却空着", banName(b), slotName(slot), keName(ke(r)), teaName(t)));
            else
                add("课表不一致", b, t, slot, r,
                    fmt::format("{}{}的{}，{}的课表此时不是这节课", banName(b), slotName(slot), keName(ke(r)), teaName(t)));
        }
    }
    for (int t = 1; t <= s.TeaOldNum && t < g.Renke_T.size1(); ++t) {
        for (int slot : {0, N + 1})
            if (g.Renke_T(t, slot) != -1)
                add("无效课", 0, t, 0, g.Renke_T(t, slot),
                    fmt::format("{}的课表在周外的位置{}上有课", teaName(t), slot));
        for (int slot = 1; slot <= N; ++slot) {
            const int r = g.Renke_T(t, slot);
            if (r == -1)
                continue;
            if (!real(r) || tea(r) != t || ban(r) < 1 || ban(r) > s.MaxBanID) {
                add("无效课", 0, t, slot, r, fmt::format("{}{}的课不属于本人的任课（{}）", teaName(t), slotName(slot), r));
                continue;
            }
            if (g.Renke_B(ban(r), slot) != r)
                add("课表不一致", ban(r), t, slot, r,
                    fmt::format("{}{}给{}上{}，班级课表此时却不是这节课", teaName(t), slotName(slot), banName(ban(r)),
                                keName(ke(r))));
        }
    }
}

void Ctx::teachers()
{
    busy.assign(static_cast<std::size_t>(s.TeaOldNum) + 1, std::vector<char>(static_cast<std::size_t>(N) + 2, 0));
    std::vector<std::pair<int, int>> at;  // (teacher, assignment) of the class lessons of one slot
    for (int slot = 1; slot <= N; ++slot) {
        at.clear();
        for (int b = 1; b <= s.MaxBanID; ++b) {
            int r = lesson(b, slot);
            if (r >= 0)
                at.emplace_back(tea(r), r);
        }
        std::sort(at.begin(), at.end());
        for (std::size_t i = 0; i < at.size();) {
            std::size_t j = i;
            while (j < at.size() && at[j].first == at[i].first)
                ++j;
            const int t = at[i].first;
            busy[static_cast<std::size_t>(t)][static_cast<std::size_t>(slot)] = 1;
            bool oneGroup = true;
            for (std::size_t k = i + 1; k < j; ++k)
                oneGroup = oneGroup && sameGroup(at[i].second, at[k].second);
            if (j - i > 1 && !oneGroup) {
                std::string classes;
                for (std::size_t k = i; k < j; ++k)
                    classes += (k > i ? "、" : "") + banName(ban(at[k].second));
                add("教师冲突", ban(at[i].second), t, slot, at[i].second,
                    fmt::format("{}在{}同时给{}上课", teaName(t), slotName(slot), classes));
            }
            i = j;
        }
    }
}

void Ctx::marksAndRooms()
{
    for (int b = 1; b <= s.MaxBanID; ++b)
        for (int slot = 1; slot <= N; ++slot) {
            const int r = lesson(b, slot);
            if (r < 0)
                continue;
            const int k = ke(r), d = day(slot), j = jie(slot);
            if (s.GudinKe.inside(b, slot) && !s.GudinKe(b, slot).empty())
                add("固定课", b, tea(r), slot, r,
                    fmt::format("{}{}是固定课“{}”，却排了{}", banName(b), slotName(slot), s.GudinKe(b, slot), keName(k)));
            if (s.TeshuKe.inside(k, b, d, j) && s.TeshuKe(k, b, d, j) == model::MarkNever)
                add("不排", b, tea(r), slot, r, fmt::format("{}的{}在{}设为不排，却排了课", banName(b), keName(k), slotName(slot)));
        }
    for (int t = 1; t < static_cast<int>(busy.size()); ++t)
        for (int slot = 1; slot <= N; ++slot)
            if (busy[static_cast<std::size_t>(t)][static_cast<std::size_t>(slot)] &&
                s.TeshuTea.inside(t, day(slot), jie(slot)) && s.TeshuTea(t, day(slot), jie(slot)) == model::MarkNever)
                add("不排", 0, t, slot, -1, fmt::format("{}在{}设为不排，却排了课", teaName(t), slotName(slot)));

    std::vector<int> perKe(static_cast<std::size_t>(s.KemuOldNum) + 1);
    for (int slot = 1; slot <= N; ++slot) {
        std::fill(perKe.begin(), perKe.end(), 0);
        for (int b = 1; b <= s.MaxBanID; ++b) {
            int r = lesson(b, slot);
            if (r >= 0 && ke(r) >= 1 && ke(r) <= s.KemuOldNum)
                ++perKe[static_cast<std::size_t>(ke(r))];
        }
        for (int k = 1; k <= s.KemuOldNum; ++k) {
            const int limit = static_cast<std::size_t>(k) < s.KemuMaxJie.size() ? s.KemuMaxJie[static_cast<std::size_t>(k)] : 0;
            const int n = perKe[static_cast<std::size_t>(k)];
            if (limit > 0 && n > limit)
                add("场地限制", 0, 0, slot, -1,
                    fmt::format("{}有{}个班上{}，超过同时上课上限{}", slotName(slot), n, keName(k), limit));
        }
    }
}

void Ctx::conditions()
{
    const auto& o = s.opt;
    // The cap of a subject condition: the class's own value wins over the whole school's.
    auto cap3 = [](const model::Array3<int>& a, int b, int k, int x) {
        int own = a.inside(b, k, x) ? a(b, k, x) : 0;
        int all = a.inside(0, k, x) ? a(0, k, x) : 0;
        return own != 0 ? std::abs(own) : (all != 0 ? std::abs(all) : -1);
    };
    const int K = s.KemuOldNum;
    std::vector<int> perJie(static_cast<std::size_t>(K + 1) * static_cast<std::size_t>(P + 1));
    std::vector<int> perDay(static_cast<std::size_t>(K + 1) * (model::kMaxDays + 1));
    for (int b = 1; b <= s.MaxBanID; ++b) {
        std::fill(perJie.begin(), perJie.end(), 0);
        std::fill(perDay.begin(), perDay.end(), 0);
        bool any = false;
        for (int slot = 1; slot <= N; ++slot) {
            int r = lesson(b, slot);
            if (r < 0 || ke(r) < 1 || ke(r) > K)
                continue;
            any = true;
            ++perJie[static_cast<std::size_t>(ke(r)) * static_cast<std::size_t>(P + 1) + static_cast<std::size_t>(jie(slot))];
            ++perDay[static_cast<std::size_t>(ke(r)) * (model::kMaxDays + 1) + static_cast<std::size_t>(day(slot))];
        }
        if (!any)
            continue;
        for (int k = 1; k <= K; ++k) {
            for (int j = 1; j <= P; ++j) {
                int n = perJie[static_cast<std::size_t>(k) * static_cast<std::size_t>(P + 1) + static_cast<std::size_t>(j)];
                int limit = cap3(o.JieOptBK, b, k, j);
                if (n > 0 && limit >= 0 && n > limit)
                    add("时段条件", b, 0, 0, -1,
                        fmt::format("{}的{}排在第{}节{}次，超过{}次", banName(b), keName(k), j, n, limit));
            }
            for (int d = 1; d <= s.theDay; ++d) {
                int n = perDay[static_cast<std::size_t>(k) * (model::kMaxDays + 1) + static_cast<std::size_t>(d)];
                int limit = cap3(o.DayOptBK, b, k, s.DayToWeek[static_cast<std::size_t>(d)]);
                if (n > 0 && limit >= 0 && n > limit)
                    add("日期条件", b, 0, 0, -1,
                        fmt::format("{}的{}在{}排了{}节，超过{}节", banName(b), keName(k), weekName(d), n, limit));
            }
        }
    }
    for (int t = 1; t < static_cast<int>(busy.size()); ++t) {
        const auto& bt = busy[static_cast<std::size_t>(t)];
        for (int j = 1; j <= P; ++j) {
            int v = o.JieOptT.inside(t, j) ? o.JieOptT(t, j) : 0;
            if (v == 0)
                continue;
            int n = 0;
            for (int d = 1; d <= s.theDay; ++d)
                n += bt[static_cast<std::size_t>(model::slotOf(d, j, P))];
            if (n > std::abs(v))
                add("时段条件", 0, t, 0, -1, fmt::format("{}第{}节上课{}次，超过{}次", teaName(t), j, n, std::abs(v)));
        }
        for (int d = 1; d <= s.theDay; ++d) {
            int w = s.DayToWeek[static_cast<std::size_t>(d)];
            int v = o.DayOptT.inside(t, w) ? o.DayOptT(t, w) : 0;
            if (v == 0)
                continue;
            int n = 0;
            for (int j = 1; j <= P; ++j)
                n += bt[static_cast<std::size_t>(model::slotOf(d, j, P))];
            if (n > std::abs(v))
                add("日期条件", 0, t, 0, -1, fmt::format("{}在{}上课{}节，超过{}节", teaName(t), weekName(d), n, std::abs(v)));
        }
    }
}

void Ctx::exclusions()
{
    const int T = static_cast<int>(busy.size()) - 1;
    for (int t = 1; t <= T; ++t) {
        const int x = exclusionPartner(s, t);
        // A pair is reported once, from its lower teacher.
        if (x <= t || x > T)
            continue;
        for (int slot = 1; slot <= N; ++slot)
            if (busy[static_cast<std::size_t>(t)][static_cast<std::size_t>(slot)] &&
                busy[static_cast<std::size_t>(x)][static_cast<std::size_t>(slot)])
                add("教师互斥", 0, t, slot, -1, fmt::format("{}与{}在{}同时上课", teaName(t), teaName(x), slotName(slot)));
    }
}

void Ctx::groupsApart()
{
    // Members of each group: same teacher, same combined-group number.
    std::vector<std::pair<std::pair<int, int>, int>> members;
    for (int r = 0; r < renkeCount(); ++r)
        if (real(r) && heban(r) > 0 && teaInRange(tea(r)))
            members.push_back({{tea(r), heban(r)}, r});
    std::sort(members.begin(), members.end());
    auto has = [&](int r, int slot) { return lesson(ban(r), slot) == r; };
    for (std::size_t i = 0; i < members.size();) {
        std::size_t j = i;
        while (j < members.size() && members[j].first == members[i].first)
            ++j;
        bool reported = false;
        for (std::size_t a = i; a < j && !reported; ++a)
            for (std::size_t b = a + 1; b < j && !reported; ++b) {
                const int ra = members[a].second, rb = members[b].second;
                int aAlone = 0, bAlone = 0;
                for (int slot = 1; slot <= N; ++slot) {
                    const bool ha = has(ra, slot), hb = has(rb, slot);
                    if (ha && !hb && !aAlone)
                        aAlone = slot;
                    if (hb && !ha && !bAlone)
                        bAlone = slot;
                }
                if (aAlone && bAlone) {
                    reported = true;
                    add("合班分开", ban(ra), tea(ra), aAlone, ra,
                        fmt::format("{}的合班课{}分开上：{}在{}上，{}却在{}上", teaName(tea(ra)), keName(ke(ra)),
                                    banName(ban(ra)), slotName(aAlone), banName(ban(rb)), slotName(bAlone)));
                }
            }
        i = j;
    }
}

void Ctx::counts()
{
    std::vector<int> n(static_cast<std::size_t>(renkeCount()), 0);
    for (int b = 1; b <= s.MaxBanID; ++b)
        for (int slot = 1; slot <= N; ++slot) {
            int r = lesson(b, slot);
            if (r >= 0)
                ++n[static_cast<std::size_t>(r)];
        }
    for (int r = 0; r < renkeCount(); ++r) {
        if (!real(r))
            continue;
        const int have = n[static_cast<std::size_t>(r)];
        const int want = s.RenkeJieshu[static_cast<std::size_t>(r)];
        const std::string who = fmt::format("{}的{}（{}）", banName(ban(r)), keName(ke(r)), teaName(tea(r)));
        if (have > want)
            add("节数超出", ban(r), tea(r), 0, r, fmt::format("{}排了{}节，超过每周{}节", who, have, want));
        const int placed = static_cast<std::size_t>(r) < g.RenkePlaced.size() ? g.RenkePlaced[static_cast<std::size_t>(r)] : 0;
        if (placed != have)
            add("节数不符", ban(r), tea(r), 0, r, fmt::format("{}记为已排{}节，课表中实有{}节", who, placed, have));
    }
}

bool shapeFits(const School& s, const Grids& g)
{
    const int N = s.N();
    return g.Renke_B.size1() == s.MaxBanID + 1 && g.Renke_B.size2() == N + 2 && g.Renke_T.size1() == s.TeaOldNum + 1 &&
           g.Renke_T.size2() == N + 2 && static_cast<int>(s.slots.SlotDay.size()) == N + 2;
}

}  // namespace

std::vector<Violation> checkTimetable(const School& school, const Grids& grids)
{
    if (!shapeFits(school, grids))
        return {{"无效课", 0, 0, 0, -1, "课程表的大小与学校的班级、教师或课节不符"}};
    Ctx c{school, grids, school.N(), school.P(), {}, {}};
    c.cells();
    c.teachers();
    c.marksAndRooms();
    c.conditions();
    c.exclusions();
    c.groupsApart();
    c.counts();
    return std::move(c.out);
}

int exclusionPartner(const School& school, int t)
{
    const auto& ex = school.opt.TeaExclusive;
    const auto at = [&](int i) { return i >= 1 && static_cast<std::size_t>(i) < ex.size() ? ex[static_cast<std::size_t>(i)] : 0; };
    const int x = at(t);
    return x > 0 && x != t && at(x) == t ? x : 0;
}

int lessonPairs(const School& school, const Grids& grids, int r)
{
    if (!school.isRealRenke(r) || !shapeFits(school, grids))
        return 0;
    const int b = school.RenkeBan[static_cast<std::size_t>(r)];
    if (b < 1 || b > school.MaxBanID)
        return 0;
    int pairs = 0;
    for (int slot = 1; slot < school.N(); ++slot)
        if (grids.Renke_B(b, slot) == r && grids.Renke_B(b, slot + 1) == r && school.slots.sameSection(slot, slot + 1))
            ++pairs;
    return pairs;
}

int doublesFormed(const School& school, const Grids& grids)
{
    int n = 0;
    for (int r = 0; r < school.renkeSize(); ++r) {
        if (school.RenkeJieshu[static_cast<std::size_t>(r)] <= 0)
            continue;
        const int k = school.RenkeKe[static_cast<std::size_t>(r)];
        const int want = k >= 0 && static_cast<std::size_t>(k) < school.KemuLianpai.size() ? school.KemuLianpai[static_cast<std::size_t>(k)] : 0;
        if (want > 0)
            n += std::min(want, lessonPairs(school, grids, r));
    }
    return n;
}

int doublesWanted(const School& school)
{
    int n = 0;
    for (int r = 0; r < school.renkeSize(); ++r) {
        const int k = school.RenkeKe[static_cast<std::size_t>(r)];
        if (school.RenkeJieshu[static_cast<std::size_t>(r)] > 0 && k >= 0 && static_cast<std::size_t>(k) < school.KemuLianpai.size())
            n += school.KemuLianpai[static_cast<std::size_t>(k)];
    }
    return n;
}

int placedLessons(const School& school, const Grids& grids)
{
    if (!shapeFits(school, grids))
        return 0;
    int n = 0;
    for (int b = 1; b <= school.MaxBanID; ++b)
        for (int slot = 1; slot <= school.N(); ++slot) {
            const int r = grids.Renke_B(b, slot);
            n += school.isRealRenke(r) &&
                 school.RenkeBan[static_cast<std::size_t>(r)] == b;
        }
    return n;
}

int weeklyLessons(const School& school)
{
    int n = 0;
    for (int v : school.RenkeJieshu)
        n += std::max(v, 0);
    return n;
}

}  // namespace tavrin::timetable
