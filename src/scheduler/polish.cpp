#include "scheduler/polish.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <initializer_list>
#include <tuple>

#include "model/kechen.h"
#include "scheduler/caps.h"
#include "scheduler/engine.h"
#include "scheduler/save.h"
#include "timetable/checker.h"
#include "timetable/quality.h"

namespace tavrin::scheduler {

using caps::at2;
using caps::subjectCap;

const char* const kNothingToPolish = "没有可以优化的课";

namespace {

bool flag(const std::vector<std::uint8_t>& v, int i)
{
    return i >= 0 && static_cast<std::size_t>(i) < v.size() && v[static_cast<std::size_t>(i)] != 0;
}

// One repeat weighs more than any number of gaps a move can make, one gap more than any
// number of preferences: the figures fall in their order.
constexpr long long kRepeatWeight = 1'000'000;
constexpr long long kGapWeight = 1'000;
// Without a step budget the polish stops when a sweep over the lessons finds nothing better,
// or after this many sweeps.
constexpr int kMaxSweeps = 30;

}  // namespace

PolishFigures polishFigures(const model::School& s, const model::Grids& g)
{
    const auto q = timetable::measureQuality(s, g);
    return {q.sameDayRepeats, q.teacherGaps, q.preferredKept, static_cast<int>(timetable::checkTimetable(s, g).size())};
}

class Polisher {
public:
    Polisher(Engine& e, const std::vector<std::uint8_t>& keep, const PolishRequest& req)
        : e_(e), sc_(e.sc_), keep_(keep), req_(req), rng_(req.seed), N_(e.N_)
    {
    }
    int build();
    void run();
    bool cancelled() const { return cancelled_; }
    bool budgetSpent() const { return budgetSpent_; }
    long long steps() const { return steps_; }
    int moves() const { return moves_; }

private:
    static constexpr int kFixed = -2;
    struct Unit {
        int lead = -1, tea = 0, len = 1, slot = -1, score = 1;
        std::vector<int> members;  // assignments, one per class
        bool fixed = false;
    };
    struct Step {
        int u, to;
    };

    Engine& e_;
    const model::School& sc_;
    const std::vector<std::uint8_t>& keep_;
    const PolishRequest& req_;
    std::mt19937 rng_;
    int N_;
    std::vector<Unit> units_;
    std::vector<int> bestPref_;
    // Scratch of tryMoves: the class days and teacher days a move touches, (slot, score) per step.
    std::vector<std::pair<int, int>> banDays_, teaDays_, from_;  // [unit] the most "尽量排" periods any start would give it
    model::Array2<int> cell_;     // [ban][slot] unit, -1 free, kFixed
    model::Array2<int> teaCell_;  // [tea][slot] unit, -1 free, kFixed
    long long steps_ = 0;
    int moves_ = 0;
    bool cancelled_ = false, budgetSpent_ = false;
    int percent_ = -1;

    bool stop();
    bool fits(int u, int s) const;
    int prefAt(int u, int s) const;
    void place(int u, int s, int score);
    void setCell(int b, int x, int r, int score);
    void clearCell(int b, int x);
    void setTea(int t, int x, int r);
    void clearTea(int t, int x);
    bool open(int u, int s, std::initializer_list<int> moving) const;
    void lift(int u);
    int scoreAt(int u, int s) const;
    long long cost(const std::vector<std::pair<int, int>>& banDays, const std::vector<std::pair<int, int>>& teaDays) const;
    // Tries the steps together; keeps them when `keep` and the timetable got better. The change of
    // the weighted figures, or kRefused when a rule refuses.
    long long tryMoves(const std::vector<Step>& steps, bool keep);
    bool improve(int u);
    bool worthMoving(int u) const;
    static constexpr long long kRefused = 1LL << 60;
};

int Polisher::build()
{
    const auto& g = e_.g_;
    const int B = sc_.MaxBanID + 1, T = sc_.TeaOldNum + 1;
    constexpr int kUnset = -3;
    cell_.resize(B, N_ + 2, kUnset);
    teaCell_.resize(T, N_ + 2, -1);
    auto lockedAt = [&](int r, int x) {
        const int b = e_.ban(r);
        return keep_[b] || flag(sc_.BanLocked, b) || flag(sc_.TeaLocked, e_.tea(r)) || !e_.movable(b, x);
    };
    for (int b = 1; b < B; ++b)
        for (int x = 1; x <= N_; ++x) {
            if (cell_(b, x) != kUnset)
                continue;
            const int r = g.Renke_B(b, x);
            if (r < 0) {
                cell_(b, x) = -1;
                continue;
            }
            Unit U;
            U.members.push_back(r);
            for (int M : e_.mates_[r])
                if (g.Renke_B(e_.ban(M), x) == M)
                    U.members.push_back(M);
            std::sort(U.members.begin(), U.members.end());
            U.lead = U.members.front();
            U.tea = e_.tea(r);
            U.slot = x;
            U.score = g.Teshu_B(b, x);
            for (int M : U.members)
                U.fixed = U.fixed || !sc_.isRealRenke(M) || lockedAt(M, x) || cell_(e_.ban(M), x) != kUnset;
            // A wanted double stands whole: both periods move together.
            if (sc_.isRealRenke(r) && sc_.KemuLianpai[e_.ke(r)] > 0 && x < N_ && e_.nextSame_[x]) {
                bool same = true;
                for (int M : U.members)
                    same = same && g.Renke_B(e_.ban(M), x + 1) == M && cell_(e_.ban(M), x + 1) == kUnset;
                for (int M : e_.mates_[r])
                    same = same && (std::find(U.members.begin(), U.members.end(), M) != U.members.end() ||
                                    g.Renke_B(e_.ban(M), x + 1) != M);
                if (same) {
                    U.len = 2;
                    for (int M : U.members)
                        U.fixed = U.fixed || lockedAt(M, x + 1);
                }
            }
            const int id = static_cast<int>(units_.size());
            for (int y = x; y < x + U.len; ++y)
                for (int M : U.members)
                    cell_(e_.ban(M), y) = id;
            units_.push_back(std::move(U));
        }
    // A teacher row that two lessons claim, or that does not name the lesson, is a breach the
    // polish leaves as it stands.
    for (int u = 0; u < static_cast<int>(units_.size()); ++u) {
        auto& U = units_[u];
        for (int x = U.slot; x < U.slot + U.len; ++x) {
            const int held = g.Renke_T(U.tea, x);
            if (held < 0 ||
                (std::find(U.members.begin(), U.members.end(), held) == U.members.end() && !e_.sameGroup(held, U.lead)))
                U.fixed = true;
            if (const int o = teaCell_(U.tea, x); o >= 0 && o != u) {
                U.fixed = true;
                units_[o].fixed = true;
            } else if (o == -1) {
                teaCell_(U.tea, x) = u;
            }
        }
    }
    bestPref_.assign(units_.size(), 0);
    for (int u = 0; u < static_cast<int>(units_.size()); ++u)
        for (int x = 1; x + units_[u].len - 1 <= N_; ++x)
            bestPref_[u] = std::max(bestPref_[u], prefAt(u, x));
    int movable = 0;
    for (int u = 0; u < static_cast<int>(units_.size()); ++u) {
        auto& U = units_[u];
        // Under the strict alignment option a lesson with a parallel class stays where it is.
        if (e_.align_ == 2)
            for (int M : U.members)
                U.fixed = U.fixed || !e_.peers_[M].empty();
        if (!U.fixed) {
            ++movable;
            continue;
        }
        for (int x = U.slot; x < U.slot + U.len; ++x) {
            for (int M : U.members)
                cell_(e_.ban(M), x) = kFixed;
            teaCell_(U.tea, x) = kFixed;
        }
    }
    return movable;
}

bool Polisher::stop()
{
    if (req_.cancel && req_.cancel->load()) {
        cancelled_ = true;
        return true;
    }
    if (req_.stepBudget > 0 && steps_ >= req_.stepBudget) {
        budgetSpent_ = true;
        return true;
    }
    ++steps_;
    if (req_.stepHook)
        req_.stepHook(steps_);
    if (req_.cancel && req_.cancel->load()) {
        cancelled_ = true;
        return true;
    }
    return false;
}

// The hard rules for unit u (lifted) starting at s, against what stands now.
bool Polisher::fits(int u, int s) const
{
    const Unit& U = units_[u];
    const auto& g = e_.g_;
    const auto& sl = e_.sl_;
    const auto& o = sc_.opt;
    if (s < 1 || s + U.len - 1 > N_ || (U.len == 2 && !e_.nextSame_[s]))
        return false;
    const int X = e_.partner_[U.tea];
    for (int x = s; x < s + U.len; ++x) {
        const int d = sl.SlotDay[x], j = sl.SlotJie[x];
        if (g.Renke_T(U.tea, x) >= 0 || sc_.TeshuTea(U.tea, d, j) == model::MarkNever)
            return false;
        if (X > 0 && g.Renke_T(X, x) >= 0)
            return false;
        for (int M : U.members) {
            const int b = e_.ban(M), E = e_.ke(M);
            if (g.Renke_B(b, x) >= 0 || e_.gudin_(b, x) || sc_.TeshuKe(E, b, d, j) == model::MarkNever)
                return false;
            if (e_.condBK_[M]) {
                if (const int cap = subjectCap(o.JieOptBK, b, E, j); cap >= 0 && e_.cntBKJie_(b, E, j) + 1 > cap)
                    return false;
                if (const int cap = subjectCap(o.DayOptBK, b, E, sc_.DayToWeek[d]);
                    cap >= 0 && e_.cntBKDay_(b, E, d) + (x - s + 1) > cap)
                    return false;
            }
            if (e_.noLian_ == 2 && sc_.KemuLianpai[E] == 0) {
                if (e_.nextSame_[x - 1] && x - 1 >= 1) {
                    const int r = g.Renke_B(b, x - 1);
                    if (r >= 0 && e_.ke(r) == E)
                        return false;
                }
                if (e_.nextSame_[x] && x + 1 <= N_) {
                    const int r = g.Renke_B(b, x + 1);
                    if (r >= 0 && e_.ke(r) == E)
                        return false;
                }
            }
        }
        if (e_.condT_[U.tea]) {
            if (const int v = at2(o.JieOptT, U.tea, j); v != 0 && e_.cntTJie_(U.tea, j) + 1 > std::abs(v))
                return false;
            if (const int v = at2(o.DayOptT, U.tea, sc_.DayToWeek[d]);
                v != 0 && e_.cntTDay_(U.tea, d) + (x - s + 1) > std::abs(v))
                return false;
        }
        // Room limits count every class with the subject at the slot, this unit's included.
        for (int M : U.members) {
            const int E = e_.ke(M), maxJie = sc_.KemuMaxJie[E];
            if (maxJie <= 0)
                continue;
            int mine = 0;
            for (int M2 : U.members)
                mine += e_.ke(M2) == E;
            if (e_.cntKeSlot_(E, x) + mine > maxJie)
                return false;
        }
    }
    return true;
}

int Polisher::prefAt(int u, int s) const
{
    const Unit& U = units_[u];
    const auto& sl = e_.sl_;
    int n = 0;
    for (int x = s; x < s + U.len; ++x) {
        const int d = sl.SlotDay[x], j = sl.SlotJie[x];
        n += sc_.TeshuTea(U.tea, d, j) == model::MarkPrefer;
        for (int M : U.members)
            n += sc_.TeshuKe(e_.ke(M), e_.ban(M), d, j) == model::MarkPrefer;
    }
    return n;
}

// A unit that lands on a "一定排" period is written with that period's score, as the search does.
int Polisher::scoreAt(int u, int s) const
{
    const Unit& U = units_[u];
    for (int x = s; x < s + U.len; ++x) {
        const int d = e_.sl_.SlotDay[x], j = e_.sl_.SlotJie[x];
        if (sc_.TeshuTea(U.tea, d, j) == model::MarkCertain ||
            sc_.TeshuKe(e_.ke(U.lead), e_.ban(U.lead), d, j) == model::MarkCertain)
            return 1 + kCertainBonus;
    }
    return U.score;
}

// The polish writes the grids and the counts its rules read, and nothing else of the
// engine's: the chain's bookkeeping is of no use once the search is over.
void Polisher::setCell(int b, int x, int r, int score)
{
    auto& g = e_.g_;
    g.Renke_B(b, x) = r;
    g.Teshu_B(b, x) = score;
    const int k = e_.ke(r), j = e_.sl_.SlotJie[x], d = e_.sl_.SlotDay[x];
    e_.cntKeSlot_(k, x)++;
    e_.cntBKJie_(b, k, j)++;
    e_.cntBKDay_(b, k, d)++;
}

void Polisher::clearCell(int b, int x)
{
    auto& g = e_.g_;
    const int r = g.Renke_B(b, x);
    g.Renke_B(b, x) = -1;
    g.Teshu_B(b, x) = 0;
    const int k = e_.ke(r), j = e_.sl_.SlotJie[x], d = e_.sl_.SlotDay[x];
    e_.cntKeSlot_(k, x)--;
    e_.cntBKJie_(b, k, j)--;
    e_.cntBKDay_(b, k, d)--;
}

void Polisher::setTea(int t, int x, int r)
{
    e_.g_.Renke_T(t, x) = r;
    e_.cntTJie_(t, e_.sl_.SlotJie[x])++;
    e_.cntTDay_(t, e_.sl_.SlotDay[x])++;
}

void Polisher::clearTea(int t, int x)
{
    e_.g_.Renke_T(t, x) = -1;
    e_.cntTJie_(t, e_.sl_.SlotJie[x])--;
    e_.cntTDay_(t, e_.sl_.SlotDay[x])--;
}

void Polisher::place(int u, int s, int score)
{
    auto& U = units_[u];
    U.slot = s;
    U.score = score;
    for (int x = s; x < s + U.len; ++x) {
        for (int M : U.members) {
            setCell(e_.ban(M), x, M, score);
            cell_(e_.ban(M), x) = u;
        }
        setTea(U.tea, x, U.lead);
        teaCell_(U.tea, x) = u;
    }
}

void Polisher::lift(int u)
{
    auto& U = units_[u];
    for (int x = U.slot; x < U.slot + U.len; ++x) {
        for (int M : U.members) {
            clearCell(e_.ban(M), x);
            cell_(e_.ban(M), x) = -1;
        }
        clearTea(U.tea, x);
        teaCell_(U.tea, x) = -1;
    }
    U.slot = -1;
}

// What never changes while the lessons in `moving` move: the marks, the fixed lessons, and
// the cells held by other lessons. Checked before a move is tried.
bool Polisher::open(int u, int s, std::initializer_list<int> moving) const
{
    const Unit& U = units_[u];
    if (s < 1 || s + U.len - 1 > N_ || (U.len == 2 && !e_.nextSame_[s]))
        return false;
    auto heldByOther = [&](int c) {
        return c != -1 && std::find(moving.begin(), moving.end(), c) == moving.end();
    };
    const int X = e_.partner_[U.tea];
    for (int x = s; x < s + U.len; ++x) {
        const int d = e_.sl_.SlotDay[x], j = e_.sl_.SlotJie[x];
        if (sc_.TeshuTea(U.tea, d, j) == model::MarkNever || heldByOther(teaCell_(U.tea, x)))
            return false;
        if (X > 0 && heldByOther(teaCell_(X, x)))
            return false;
        for (int M : U.members) {
            const int b = e_.ban(M);
            if (e_.gudin_(b, x) || sc_.TeshuKe(e_.ke(M), b, d, j) == model::MarkNever || heldByOther(cell_(b, x)))
                return false;
        }
    }
    return true;
}

long long Polisher::cost(const std::vector<std::pair<int, int>>& banDays,
                         const std::vector<std::pair<int, int>>& teaDays) const
{
    long long c = 0;
    for (auto [b, d] : banDays)
        c += kRepeatWeight * timetable::dayRepeats(sc_, e_.g_, b, d);
    for (auto [t, d] : teaDays)
        c += kGapWeight * timetable::dayGaps(sc_, e_.g_, t, d);
    return c;
}

long long Polisher::tryMoves(const std::vector<Step>& steps, bool keep)
{
    auto& banDays = banDays_;
    auto& teaDays = teaDays_;
    auto& from = from_;
    banDays.clear();
    teaDays.clear();
    from.clear();
    auto add = [](std::vector<std::pair<int, int>>& v, int a, int d) {
        if (std::find(v.begin(), v.end(), std::pair{a, d}) == v.end())
            v.emplace_back(a, d);
    };
    long long pref = 0;
    for (const auto& st : steps) {
        const Unit& U = units_[st.u];
        for (int slot : {U.slot, st.to}) {
            const int d = e_.sl_.SlotDay[slot];
            for (int M : U.members)
                add(banDays, e_.ban(M), d);
            add(teaDays, U.tea, d);
        }
        pref += prefAt(st.u, U.slot) - prefAt(st.u, st.to);
        from.emplace_back(U.slot, U.score);
    }
    const long long before = cost(banDays, teaDays);
    for (const auto& st : steps)
        lift(st.u);
    std::size_t placed = 0;
    bool ok = true;
    for (; placed < steps.size(); ++placed) {
        const auto& st = steps[placed];
        if (!fits(st.u, st.to)) {
            ok = false;
            break;
        }
        place(st.u, st.to, scoreAt(st.u, st.to));
    }
    long long delta = kRefused;
    if (ok)
        delta = cost(banDays, teaDays) - before + pref;
    if (!ok || !keep || delta >= 0) {
        for (std::size_t i = 0; i < placed; ++i)
            lift(steps[i].u);
        for (std::size_t i = 0; i < steps.size(); ++i)
            place(steps[i].u, from[i].first, from[i].second);
    }
    return delta;
}

// A unit is worth starting from when its class has a repeat that day, its teacher a gap,
// or some "尽量排" period could hold it.
bool Polisher::worthMoving(int u) const
{
    const Unit& U = units_[u];
    const int d = e_.sl_.SlotDay[U.slot];
    for (int M : U.members)
        if (timetable::dayRepeats(sc_, e_.g_, e_.ban(M), d) > 0)
            return true;
    if (timetable::dayGaps(sc_, e_.g_, U.tea, d) > 0)
        return true;
    return prefAt(u, U.slot) < bestPref_[u];
}

bool Polisher::improve(int u)
{
    const Unit& U0 = units_[u];
    if (U0.fixed || !worthMoving(u))
        return false;
    std::vector<Step> best;
    long long bestDelta = 0;
    std::vector<Step> cand;
    // The first move that lowers the figures is taken: the scan of a lesson's week costs
    // more than the little a better move among the rest would gain.
    auto weigh = [&]() {
        if (stop())
            return false;
        const long long d = tryMoves(cand, false);
        if (d < bestDelta) {
            bestDelta = d;
            best = cand;
            return false;
        }
        return true;
    };
    // A unit of one class whose start is s and whose length is len, else -1.
    auto single = [&](int v, int len) {
        return v >= 0 && !units_[v].fixed && units_[v].members.size() == 1 && units_[v].len == len ? v : -1;
    };
    const int from = U0.slot, len = U0.len, tea = U0.tea;
    const bool oneClass = U0.members.size() == 1;
    const int b = e_.ban(U0.lead);
    for (int s = 1; s + len - 1 <= N_; ++s) {
        if (s == from)
            continue;
        bool freeCells = true;
        for (int x = s; x < s + len && freeCells; ++x)
            for (int M : U0.members)
                freeCells = freeCells && cell_(e_.ban(M), x) == -1;
        if (freeCells) {
            if (!open(u, s, {u}))
                continue;
            cand = {{u, s}};
            if (!weigh())
                break;
            continue;
        }
        if (!oneClass)
            continue;
        const int v = single(cell_(b, s), len);
        if (v < 0 || units_[v].slot != s || (s < from + len && from < s + len))
            continue;
        if (open(u, s, {u, v}) && open(v, from, {u, v})) {
            cand = {{u, s}, {v, from}};
            if (!weigh())
                break;
            continue;
        }
        // Chains: the teacher of v is busy at `from` in another class c, or u's teacher at s;
        // swapping that class's two lessons as well frees both.
        const int tv = units_[v].tea;
        for (auto [t, at, to] : {std::tuple{tv, from, s}, std::tuple{tea, s, from}}) {
            const int w = single(teaCell_(t, at), len);
            if (w < 0 || w == u || w == v || units_[w].slot != at)
                continue;
            const int c = e_.ban(units_[w].lead);
            const int w2 = single(cell_(c, to), len);
            if (w2 < 0 || w2 == u || w2 == v || units_[w2].slot != to)
                continue;
            if (!open(u, s, {u, v, w, w2}) || !open(v, from, {u, v, w, w2}) || !open(w, to, {u, v, w, w2}) ||
                !open(w2, at, {u, v, w, w2}))
                continue;
            cand = {{u, s}, {v, from}, {w, to}, {w2, at}};
            if (!weigh())
                break;
        }
        if (!best.empty() || cancelled_ || budgetSpent_)
            break;
    }
    if (best.empty() || cancelled_ || budgetSpent_)
        return false;
    tryMoves(best, true);
    ++moves_;
    return true;
}

void Polisher::run()
{
    std::vector<int> order;
    for (int u = 0; u < static_cast<int>(units_.size()); ++u)
        if (!units_[u].fixed)
            order.push_back(u);
    std::shuffle(order.begin(), order.end(), rng_);
    for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
        bool better = false;
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (improve(order[i]))
                better = true;
            if (cancelled_)
                return;
            if (budgetSpent_)
                break;
            if (req_.progress) {
                const int p = req_.stepBudget > 0 ? static_cast<int>(100 * steps_ / req_.stepBudget)
                                                  : static_cast<int>(100 * i / order.size());
                if (p != percent_)
                    req_.progress(percent_ = p);
            }
        }
        if (!better || budgetSpent_)
            break;
    }
    if (req_.progress && percent_ != 100)
        req_.progress(percent_ = 100);
}

PolishResult polishTimetable(const model::School& s, const model::Grids& start, const std::vector<std::uint8_t>& banKeep,
                             const PolishRequest& req)
{
    const auto t0 = std::chrono::steady_clock::now();
    PolishResult res;
    res.grids = start;
    res.before = polishFigures(s, start);
    std::vector<std::uint8_t> keep(static_cast<std::size_t>(s.MaxBanID + 1), 0);
    for (std::size_t b = 0; b < keep.size() && b < banKeep.size(); ++b)
        keep[b] = banKeep[b];
    std::vector<KeptLesson> lessons;
    for (int b = 1; b <= s.MaxBanID; ++b)
        for (int x = 1; x <= s.N(); ++x)
            if (const int r = start.Renke_B(b, x); r >= 0 && r < s.renkeSize())
                lessons.push_back({b, x, r, start.Teshu_B(b, x)});
    Engine e(s, req.opts);
    // Every lesson enters as it stands; the polisher knows which it may move.
    e.setKept(std::vector<std::uint8_t>(keep.size(), 0), lessons);
    Polisher p(e, keep, req);
    res.units = p.build();
    if (res.units == 0) {
        res.nothingToMove = true;
    } else {
        p.run();
        res.cancelled = p.cancelled();
        res.budgetSpent = p.budgetSpent();
        res.moves = p.moves();
        res.steps = p.steps();
        if (!res.cancelled && res.moves > 0)
            res.grids = e.grids();
    }
    res.after = res.cancelled ? res.before : polishFigures(s, res.grids);
    res.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return res;
}

std::string polishLine(const PolishResult& r)
{
    if (r.nothingToMove)
        return kNothingToPolish;
    std::string line = fmt::format("优化：同日重复 {} → {}　教师空节 {} → {}　“尽量排” {} → {}", r.before.repeats,
                                   r.after.repeats, r.before.gaps, r.after.gaps, r.before.preferred, r.after.preferred);
    if (r.after.breaches > 0)
        line += fmt::format("　仍有 {} 处违反规则", r.after.breaches);
    return line;
}

StoredPolish polishStored(store::Store& st, const model::School& s, const std::vector<int>& classes,
                          const PolishRequest& req)
{
    if (st.readOnly())
        throw store::ReadOnlyError();
    StoredPolish out;
    const model::Grids grids = model::LoadKeChenData(st, s);
    const auto keep = keepFromChoice(s, classes);
    out.result = polishTimetable(s, grids, keep, req);
    if (!out.result.cancelled && out.result.moves > 0) {
        SavePai(st, s, out.result.grids, keep);
        out.saved = true;
    }
    return out;
}

}  // namespace tavrin::scheduler
