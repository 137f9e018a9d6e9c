#include "scheduler/proof.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <queue>

#include "timetable/checker.h"

namespace tavrin::scheduler {

namespace {

// Lessons of one kind that may go to a set of slots, `count` of them; a kind is an
// assignment, or the lessons of a combined group that bring the same classes.
struct Kind {
    int count = 0;
    std::vector<std::uint8_t> at;  // [slot 0..N+1] may stand there
    std::vector<int> members;      // the assignments it holds
};

// The largest number of lessons of the kinds that fit, one per slot, and the kinds that
// cannot all fit (those a search from the unfilled kinds reaches), as Hall's condition names
// them: their lessons outnumber the slots any of them may take.
struct Matching {
    int placed = 0;
    std::vector<int> short_;  // kinds of the set that cannot fit, empty when all fit
};

// Most kinds fit at a glance: taking the kinds with the fewest slots first, each lesson on the
// first slot still free. Only when that leaves a lesson over does the exact matching run.
bool fitsGreedily(const std::vector<Kind>& kinds, int N)
{
    std::vector<std::pair<int, int>> order;  // (slots, kind)
    for (std::size_t k = 0; k < kinds.size(); ++k)
        order.push_back({static_cast<int>(std::count(kinds[k].at.begin(), kinds[k].at.end(), 1)), static_cast<int>(k)});
    std::sort(order.begin(), order.end());
    std::vector<std::uint8_t> taken(N + 2, 0);
    for (const auto& [n, k] : order) {
        int left = kinds[static_cast<std::size_t>(k)].count;
        for (int x = 1; x <= N && left > 0; ++x)
            if (kinds[static_cast<std::size_t>(k)].at[x] && !taken[x]) {
                taken[x] = 1;
                --left;
            }
        if (left > 0)
            return false;
    }
    return true;
}

Matching match(const std::vector<Kind>& kinds, int N)
{
    if (fitsGreedily(kinds, N)) {
        Matching m;
        for (const auto& k : kinds)
            m.placed += k.count;
        return m;
    }
    const int K = static_cast<int>(kinds.size());
    const int src = 0, sink = K + N + 1;
    struct Edge {
        int to, cap;
    };
    std::vector<Edge> edges;
    std::vector<std::vector<int>> out(K + N + 2);
    auto add = [&](int u, int v, int c) {
        out[u].push_back(static_cast<int>(edges.size()));
        edges.push_back({v, c});
        out[v].push_back(static_cast<int>(edges.size()));
        edges.push_back({u, 0});
    };
    int total = 0;
    for (int k = 0; k < K; ++k) {
        add(src, 1 + k, kinds[k].count);
        total += kinds[k].count;
        for (int s = 1; s <= N; ++s)
            if (kinds[k].at[s])
                add(1 + k, K + s, 1);
    }
    for (int s = 1; s <= N; ++s)
        add(K + s, sink, 1);
    Matching m;
    std::vector<int> from(K + N + 2);
    while (true) {
        std::fill(from.begin(), from.end(), -1);
        from[src] = -2;
        std::queue<int> q;
        q.push(src);
        while (!q.empty() && from[sink] == -1) {
            const int u = q.front();
            q.pop();
            for (int e : out[u])
                if (edges[e].cap > 0 && from[edges[e].to] == -1) {
                    from[edges[e].to] = e;
                    q.push(edges[e].to);
                }
        }
        if (from[sink] == -1)
            break;
        for (int v = sink; v != src; v = edges[from[v] ^ 1].to) {
            edges[from[v]].cap -= 1;
            edges[from[v] ^ 1].cap += 1;
        }
        ++m.placed;
    }
    if (m.placed < total)
        for (int k = 0; k < K; ++k)
            if (from[1 + k] != -1)
                m.short_.push_back(k);
    return m;
}

struct Ctx {
    const model::School& s;
    const std::vector<std::uint8_t>& keep;
    int N;
    model::Array2<int> keptTea;  // [tea][slot] the kept lesson holding the teacher, -1
    std::vector<Obstacle> out;

    int ban(int r) const { return s.RenkeBan[r]; }
    int tea(int r) const { return s.RenkeTea[r]; }
    int ke(int r) const { return s.RenkeKe[r]; }
    bool scheduled(int r) const { return s.RenkeJieshu[r] > 0 && !keep[ban(r)]; }
    bool mates(int a, int b) const
    {
        return a != b && s.RenkeJieshu[a] > 0 && s.RenkeJieshu[b] > 0 && tea(a) == tea(b) && s.RenkeHeban[a] > 0 &&
               s.RenkeHeban[a] == s.RenkeHeban[b];
    }
    bool gudin(int b, int x) const { return s.GudinKe.inside(b, x) && !s.GudinKe(b, x).empty(); }
    // The teacher may take a new lesson of r at x: no "不排", no kept lesson there but one of
    // r's own group, no kept lesson of an exclusion partner.
    bool teacherFree(int r, int x) const
    {
        const int t = tea(r), d = s.slots.SlotDay[x], j = s.slots.SlotJie[x];
        if (s.TeshuTea(t, d, j) == model::MarkNever)
            return false;
        if (const int k = keptTea(t, x); k >= 0 && !mates(k, r))
            return false;
        if (const int X = partner[t]; X > 0 && keptTea(X, x) >= 0)
            return false;
        return true;
    }
    bool may(int r, int x) const
    {
        const int b = ban(r), d = s.slots.SlotDay[x], j = s.slots.SlotJie[x];
        return !gudin(b, x) && s.TeshuKe(ke(r), b, d, j) != model::MarkNever && teacherFree(r, x);
    }
    std::string who(int r) const { return s.BanName[ban(r)] + s.KemuName[ke(r)]; }
    std::string classesOf(const std::vector<int>& members) const
    {
        std::vector<int> bans;
        for (int M : members)
            bans.push_back(ban(M));
        std::sort(bans.begin(), bans.end());
        bans.erase(std::unique(bans.begin(), bans.end()), bans.end());
        std::string t;
        for (int b : bans)
            t += (t.empty() ? "" : "、") + s.BanName[b];
        return t;
    }
    std::vector<int> partner;             // [tea] the exclusion partner that counts
    std::map<std::pair<int, int>, std::vector<int>> groups;  // (teacher, heban) -> members
    std::vector<int> groupOf(int r) const
    {
        if (s.RenkeHeban[r] <= 0)
            return {r};
        return groups.at({tea(r), s.RenkeHeban[r]});
    }

    // The kinds of each scheduled class's lessons, by class.
    std::vector<std::vector<Kind>> classKinds;
    std::vector<int> classLessons;

    void classWeeks();
    void classMatchings();
    void teachers();
    void doubles();
};

void Ctx::classWeeks()
{
    classKinds.assign(s.MaxBanID + 1, {});
    classLessons.assign(s.MaxBanID + 1, 0);
    for (int b = 1; b <= s.MaxBanID; ++b) {
        if (keep[b])
            continue;
        auto& kinds = classKinds[b];
        int& lessons = classLessons[b];
        for (int r = 0; r < s.renkeSize(); ++r) {
            if (!scheduled(r) || ban(r) != b)
                continue;
            Kind k;
            k.count = s.RenkeJieshu[r];
            k.members = {r};
            k.at.assign(N + 2, 0);
            for (int x = 1; x <= N; ++x)
                k.at[x] = may(r, x);
            lessons += k.count;
            kinds.push_back(std::move(k));
        }
        if (kinds.empty())
            continue;
        int free = 0;
        for (int x = 1; x <= N; ++x)
            free += !gudin(b, x);
        if (lessons > free)
            out.push_back({Obstacle::Kind::ClassWeek, fmt::format("{}每周{}节，可用{}节", s.BanName[b], lessons, free),
                           lessons - free, b, 0, lessons - free});
    }
}

void Ctx::classMatchings()
{
    for (int b = 1; b <= s.MaxBanID; ++b) {
        const auto& kinds = classKinds[b];
        const int lessons = classLessons[b];
        const bool counted = std::any_of(out.begin(), out.end(), [&](const Obstacle& o) {
            return o.kind == Obstacle::Kind::ClassWeek && o.ban == b;
        });
        if (kinds.empty() || counted)
            continue;
        const Matching m = match(kinds, N);
        if (m.short_.empty())
            continue;
        // Lessons whose teacher's proof says it already are not named again for the class.
        bool teachersSay = true;
        for (int k : m.short_)
            teachersSay = teachersSay && std::any_of(out.begin(), out.end(), [&](const Obstacle& o) {
                              return o.ban == 0 && o.tea == tea(kinds[static_cast<std::size_t>(k)].members.front());
                          });
        if (teachersSay)
            continue;
        int n = 0, slots = 0;
        std::string names;
        std::vector<std::uint8_t> any(N + 2, 0);
        for (int k : m.short_) {
            n += kinds[k].count;
            const int r = kinds[k].members.front();
            names += (names.empty() ? "" : "、") + s.KemuName[ke(r)] + "（" + s.TeaName[tea(r)] + "）";
            for (int x = 1; x <= N; ++x)
                any[x] = any[x] || kinds[k].at[x];
        }
        for (int x = 1; x <= N; ++x)
            slots += any[x];
        out.push_back({Obstacle::Kind::ClassLessons,
                       fmt::format("{}的{}每周共{}节，只能排在{}个节次", s.BanName[b], names, n, slots), lessons - m.placed,
                       b, 0, lessons - m.placed});
    }
}

void Ctx::teachers()
{
    std::vector<std::vector<int>> byTeacher(s.TeaOldNum + 1);
    for (int r = 0; r < s.renkeSize(); ++r)
        if (scheduled(r) && tea(r) >= 1 && tea(r) <= s.TeaOldNum)
            byTeacher[tea(r)].push_back(r);
    std::vector<std::uint8_t> seen(s.renkeSize(), 0);
    for (int t = 1; t <= s.TeaOldNum; ++t) {
        // The teacher's lessons still to place: each assignment alone, each combined group
        // as the lessons that bring the same classes (the first ones bring every class).
        std::vector<Kind> kinds;
        for (int r : byTeacher[t]) {
            if (seen[r])
                continue;
            const auto group = groupOf(r);
            std::vector<int> sched;
            int keptAt = 0;  // slots where a kept class of the group has the lesson already
            for (int M : group) {
                seen[M] = 1;
                if (scheduled(M))
                    sched.push_back(M);
            }
            for (int x = 1; x <= N; ++x)
                if (const int k = keptTea(t, x); k >= 0 && std::find(group.begin(), group.end(), k) != group.end())
                    ++keptAt;
            int most = 0;
            for (int M : sched)
                most = std::max(most, s.RenkeJieshu[M]);
            std::vector<Kind> local;
            for (int i = keptAt; i < most; ++i) {
                std::vector<int> members;
                for (int M : sched)
                    if (s.RenkeJieshu[M] > i)
                        members.push_back(M);
                if (!local.empty() && local.back().members == members) {
                    local.back().count++;
                    continue;
                }
                Kind k;
                k.count = 1;
                k.members = std::move(members);
                k.at.assign(N + 2, 0);
                for (int x = 1; x <= N; ++x) {
                    bool ok = true;
                    for (int M : k.members)
                        ok = ok && may(M, x);
                    k.at[x] = ok;
                }
                local.push_back(std::move(k));
            }
            // A combined lesson whose classes share too few free slots.
            if (sched.size() > 1 && !local.empty() && local.front().members.size() == sched.size()) {
                const auto& k = local.front();
                int common = 0;
                for (int x = 1; x <= N; ++x)
                    common += k.at[x];
                if (k.count > common)
                    out.push_back({Obstacle::Kind::CombinedGroup,
                                   fmt::format("{}的合班{}（{}）每周{}节，共同可用{}节", classesOf(sched),
                                               s.KemuName[ke(r)], s.TeaName[t], k.count, common),
                                   k.count - common, 0, t, (k.count - common) * static_cast<int>(k.members.size())});
            }
            for (auto& k : local)
                kinds.push_back(std::move(k));
        }
        if (kinds.empty())
            continue;
        int lessons = 0, free = 0;
        for (const auto& k : kinds)
            lessons += k.count;
        for (int x = 1; x <= N; ++x)
            free += s.TeshuTea(t, s.slots.SlotDay[x], s.slots.SlotJie[x]) != model::MarkNever && keptTea(t, x) < 0;
        // Each lesson the teacher cannot give takes at least the classes of the smallest kind.
        std::size_t fewest = kinds.front().members.size();
        for (const auto& k : kinds)
            fewest = std::min(fewest, k.members.size());
        // What one class's proof already says is not said again for its teacher.
        auto onlyClassWithProof = [&](const std::vector<int>& ks) {
            int b = -1;
            for (int k : ks)
                for (int M : kinds[static_cast<std::size_t>(k)].members) {
                    if (b >= 0 && ban(M) != b)
                        return false;
                    b = ban(M);
                }
            return b >= 0 && std::any_of(out.begin(), out.end(), [&](const Obstacle& o) {
                       return o.ban == b && o.kind == Obstacle::Kind::ClassWeek;
                   });
        };
        std::vector<int> all(kinds.size());
        for (std::size_t k = 0; k < kinds.size(); ++k)
            all[k] = static_cast<int>(k);
        if (lessons > free) {
            if (onlyClassWithProof(all))
                continue;
            out.push_back({Obstacle::Kind::TeacherWeek, fmt::format("{}每周{}节，可用{}节", s.TeaName[t], lessons, free),
                           lessons - free, 0, t, (lessons - free) * static_cast<int>(fewest)});
            continue;
        }
        const Matching m = match(kinds, N);
        if (m.short_.empty())
            continue;
        // A set already named as one combined group, or as one class's, is not named again.
        if (m.short_.size() == 1 && !out.empty() && out.back().kind == Obstacle::Kind::CombinedGroup && out.back().tea == t)
            continue;
        if (onlyClassWithProof(m.short_))
            continue;
        int n = 0, slots = 0;
        std::size_t fewestShort = kinds[m.short_.front()].members.size();
        std::vector<int> members;
        std::vector<std::uint8_t> any(N + 2, 0);
        for (int k : m.short_) {
            n += kinds[k].count;
            fewestShort = std::min(fewestShort, kinds[k].members.size());
            members.insert(members.end(), kinds[k].members.begin(), kinds[k].members.end());
            for (int x = 1; x <= N; ++x)
                any[x] = any[x] || kinds[k].at[x];
        }
        for (int x = 1; x <= N; ++x)
            slots += any[x];
        out.push_back({Obstacle::Kind::TeacherLessons,
                       fmt::format("{}在{}的课每周共{}节，只能排在{}个节次", s.TeaName[t], classesOf(members), n, slots),
                       lessons - m.placed, 0, t, (lessons - m.placed) * static_cast<int>(fewestShort)});
    }
}

void Ctx::doubles()
{
    std::vector<std::uint8_t> seen(s.renkeSize(), 0);
    for (int r = 0; r < s.renkeSize(); ++r) {
        if (!scheduled(r) || seen[r])
            continue;
        const int want = std::min<int>(s.KemuLianpai[ke(r)], s.RenkeJieshu[r] / 2);
        std::vector<int> sched;
        for (int M : groupOf(r)) {
            seen[M] = 1;
            if (scheduled(M))
                sched.push_back(M);
        }
        if (want <= 0)
            continue;
        // Most doubles that fit: in each run of neighbouring slots that all may hold the
        // lesson, half the run.
        int pairs = 0, run = 0;
        for (int x = 1; x <= N; ++x) {
            bool ok = true;
            for (int M : sched)
                ok = ok && may(M, x);
            if (ok)
                ++run;
            if (!ok || !s.slots.sameSection(x, x + 1)) {
                pairs += run / 2;
                run = 0;
            }
        }
        if (pairs >= want)
            continue;
        const std::string whose = sched.size() > 1 ? classesOf(sched) + "的合班" + s.KemuName[ke(r)] : who(r);
        out.push_back({Obstacle::Kind::Doubles,
                       pairs == 0 ? fmt::format("{}（{}）每周要{}个连堂，没有可以连排的相邻两节", whose, s.TeaName[tea(r)], want)
                                  : fmt::format("{}（{}）每周要{}个连堂，只有{}处相邻两节可以连排", whose, s.TeaName[tea(r)],
                                                want, pairs),
                       want - pairs, ban(r), tea(r), 0});
    }
}

}  // namespace

std::vector<Obstacle> findObstacles(const model::School& s, const std::vector<std::uint8_t>& banKeep,
                                    const std::vector<KeptLesson>& kept)
{
    Ctx c{s, banKeep, s.N(), {}, {}, {}, {}, {}, {}};
    c.keptTea.resize(s.TeaOldNum + 1, s.N() + 2, -1);
    c.partner.assign(s.TeaOldNum + 1, 0);
    for (int t = 1; t <= s.TeaOldNum; ++t)
        c.partner[t] = timetable::exclusionPartner(s, t);
    for (int r = 0; r < s.renkeSize(); ++r)
        if (s.RenkeJieshu[r] > 0 && s.RenkeHeban[r] > 0)
            c.groups[{s.RenkeTea[r], s.RenkeHeban[r]}].push_back(r);
    for (const auto& k : kept)
        if (k.renke >= 0 && k.renke < s.renkeSize() && k.slot >= 1 && k.slot <= s.N())
            c.keptTea(s.RenkeTea[k.renke], k.slot) = k.renke;
    c.classWeeks();
    c.teachers();
    c.classMatchings();
    c.doubles();
    return std::move(c.out);
}

int lessonsThatCannotStand(const std::vector<Obstacle>& obstacles)
{
    // Classes hold disjoint lessons, so their shortfalls add up; a teacher's may be the same
    // lessons as a class's, so it only counts where it is larger.
    std::map<int, int> perClass;
    int byTeacher = 0;
    for (const auto& o : obstacles) {
        if (o.kind == Obstacle::Kind::ClassWeek || o.kind == Obstacle::Kind::ClassLessons)
            perClass[o.ban] = std::max(perClass[o.ban], o.lessonsShort);
        else
            byTeacher = std::max(byTeacher, o.lessonsShort);
    }
    int n = 0;
    for (const auto& [b, k] : perClass)
        n += k;
    return std::max(n, byTeacher);
}

}  // namespace tavrin::scheduler
