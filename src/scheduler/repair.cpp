#include "scheduler/repair.h"

#include "scheduler/caps.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tavrin::scheduler {

using caps::at2;
using caps::subjectCap;

namespace {

// Each move places the hardest waiting unit (the one displaced most often, then the one with
// the fewest possible slots); one move in kRandomPercent instead weighs kCandidates waiting
// units drawn at random, so that no unit waits for ever behind a harder one.
constexpr int kCandidates = 3;
constexpr int kRandomPercent = 10;
// A displaced unit keeps away from the slot it left for kTenureBase random moves plus
// kTenurePerWaiting tenths of the units waiting.
constexpr int kTenureBase = 10;
constexpr int kTenurePerWaiting = 6;
// After this many moves without a better timetable (growing with the school) the repair goes
// back to the best one met and halves the displacement counts; after kRestartsBeforeGivingUp
// such restarts in a row it lets the waiting doubles go as singles, then stops.
constexpr long long kRestartBase = 5000;
constexpr long long kRestartPerUnit = 2;
constexpr int kRestartsBeforeGivingUp = 16;

}  // namespace

Repairer::Repairer(Engine& e, std::uint32_t seed) : e_(e), sc_(e.sc_), rng_(seed), N_(e.N_) {}

// --- Building the units from the timetable the passes left.

void Repairer::addUnit(Unit u)
{
    u.lead = u.members.front();
    u.tea = e_.tea(u.lead);
    u.weight = static_cast<int>(u.members.size()) * u.len;
    units_.push_back(std::move(u));
}

bool Repairer::staticOk(const Unit& u, int s) const
{
    if (s < 1 || s + u.len - 1 > N_)
        return false;
    if (u.len == 2 && !e_.nextSame_[s])
        return false;
    if (!u.allowed.empty() && !std::binary_search(u.allowed.begin(), u.allowed.end(), s))
        return false;
    for (int x = s; x < s + u.len; ++x) {
        const int d = e_.sl_.SlotDay[x], j = e_.sl_.SlotJie[x];
        if (sc_.TeshuTea(u.tea, d, j) == model::MarkNever)
            return false;
        if (teaCell_(u.tea, x) == kFixed && !e_.sameGroup(e_.g_.Renke_T(u.tea, x), u.lead))
            return false;
        for (int M : u.members) {
            const int b = e_.ban(M);
            if (e_.gudin_(b, x) || cell_(b, x) == kFixed || sc_.TeshuKe(e_.ke(M), b, d, j) == model::MarkNever)
                return false;
        }
        if (const int X = e_.partner_[u.tea]; X > 0 && teaCell_(X, x) == kFixed)
            return false;
    }
    return true;
}

const std::vector<int>& Repairer::starts(int u)
{
    auto& U = units_[u];
    if (U.startsKnown)
        return U.starts;
    U.startsKnown = true;
    U.starts.clear();
    for (int s = 1; s <= N_; ++s)
        if (staticOk(U, s))
            U.starts.push_back(s);
    return U.starts;
}

void Repairer::build()
{
    const int B = sc_.MaxBanID + 1, T = sc_.TeaOldNum + 1, R = sc_.renkeSize();
    auto& g = e_.g_;
    cell_.resize(B, N_ + 2, -1);
    teaCell_.resize(T, N_ + 2, -1);
    for (int b = 1; b < B; ++b)
        for (int s = 1; s <= N_; ++s)
            if (const int r = g.Renke_B(b, s); r >= 0 && !e_.movable(b, s)) {
                cell_(b, s) = kFixed;
                teaCell_(e_.tea(r), s) = kFixed;
            }
    for (int t = 1; t < T; ++t)
        anyCaps_ = anyCaps_ || e_.condT_[t];
    for (int r = 0; r < R; ++r)
        anyCaps_ = anyCaps_ || (e_.condBK_[r] && sc_.RenkeJieshu[r] > 0);

    std::vector<std::uint8_t> seen(R, 0);
    for (int r = 0; r < R; ++r) {
        if (seen[r] || sc_.RenkeJieshu[r] <= 0 || e_.keep_[e_.ban(r)])
            continue;
        std::vector<int> group{r};
        for (int M : e_.mates_[r])
            group.push_back(M);
        std::sort(group.begin(), group.end());
        std::vector<int> sched, kept;
        for (int M : group) {
            seen[M] = 1;
            (e_.keep_[e_.ban(M)] ? kept : sched).push_back(M);
        }
        // Lessons each scheduled member still needs beyond its fixed ones.
        std::vector<int> need(sched.size());
        for (std::size_t i = 0; i < sched.size(); ++i) {
            const int M = sched[i], b = e_.ban(M);
            int fixed = 0;
            for (int s = 1; s <= N_; ++s)
                fixed += g.Renke_B(b, s) == M && cell_(b, s) == kFixed;
            need[i] = std::max(0, sc_.RenkeJieshu[M] - fixed);
        }
        std::vector<Unit> wanted;
        if (kept.empty()) {
            // Lesson i of the group brings every member with more than i lessons; wanted
            // doubles pair two such lessons with the same classes.
            const int maxNeed = need.empty() ? 0 : *std::max_element(need.begin(), need.end());
            auto classesAt = [&](int i) {
                std::vector<int> v;
                for (std::size_t k = 0; k < sched.size(); ++k)
                    if (need[k] > i)
                        v.push_back(sched[k]);
                return v;
            };
            const int lead = sched.front();
            int doubles = sc_.KemuLianpai[e_.ke(lead)];
            // Doubles that stand among the fixed lessons already count.
            for (int s = 1; s < N_; ++s)
                if (e_.nextSame_[s] && g.Renke_B(e_.ban(lead), s) == lead && g.Renke_B(e_.ban(lead), s + 1) == lead &&
                    cell_(e_.ban(lead), s) == kFixed && cell_(e_.ban(lead), s + 1) == kFixed)
                    --doubles;
            for (int i = 0; i < maxNeed;) {
                Unit u;
                u.members = classesAt(i);
                if (doubles > 0 && i + 1 < maxNeed && classesAt(i + 1) == u.members) {
                    u.len = 2;
                    --doubles;
                    i += 2;
                } else {
                    i += 1;
                }
                wanted.push_back(std::move(u));
            }
        } else {
            // Where a kept class of the group has the lesson, each scheduled class has it too.
            std::vector<int> keptSlots;
            for (int s = 1; s <= N_; ++s)
                for (int K : kept)
                    if (g.Renke_B(e_.ban(K), s) == K) {
                        keptSlots.push_back(s);
                        break;
                    }
            for (std::size_t k = 0; k < sched.size(); ++k) {
                const int M = sched[k], b = e_.ban(M);
                std::vector<int> open;
                for (int s : keptSlots)
                    if (cell_(b, s) != kFixed)
                        open.push_back(s);
                const int m = std::min(need[k], static_cast<int>(open.size()));
                for (int i = 0; i < need[k]; ++i) {
                    Unit u;
                    u.members = {M};
                    if (i < m)
                        u.allowed = open;
                    wanted.push_back(std::move(u));
                }
            }
        }
        // Match the movable lessons the passes placed to these units; what fits none (a
        // group split over several slots, a single that a double still needs) waits again.
        std::vector<std::vector<int>> at(N_ + 2);
        for (int M : sched)
            for (int s = 1; s <= N_; ++s)
                if (g.Renke_B(e_.ban(M), s) == M && cell_(e_.ban(M), s) != kFixed)
                    at[s].push_back(M);
        std::vector<std::uint8_t> claimed(N_ + 2, 0);
        const int firstUnit = static_cast<int>(units_.size());
        for (auto& u : wanted)
            addUnit(std::move(u));
        for (int pass = 2; pass >= 1; --pass)
            for (int u = firstUnit; u < static_cast<int>(units_.size()); ++u) {
                auto& U = units_[u];
                if (U.len != pass || U.slot >= 0)
                    continue;
                for (int s = 1; s + U.len - 1 <= N_; ++s) {
                    bool fits = !claimed[s] && at[s] == U.members;
                    if (fits && U.len == 2)
                        fits = e_.nextSame_[s] && !claimed[s + 1] && at[s + 1] == U.members;
                    if (fits && !U.allowed.empty())
                        fits = std::binary_search(U.allowed.begin(), U.allowed.end(), s);
                    if (!fits)
                        continue;
                    U.slot = s;
                    U.score = g.Teshu_B(e_.ban(U.lead), s);
                    for (int x = s; x < s + U.len; ++x) {
                        claimed[x] = 1;
                        for (int M : U.members)
                            cell_(e_.ban(M), x) = u;
                        if (teaCell_(U.tea, x) != kFixed)
                            teaCell_(U.tea, x) = u;
                    }
                    break;
                }
            }
        for (int s = 1; s <= N_; ++s) {
            if (claimed[s] || at[s].empty())
                continue;
            const int t = e_.tea(at[s].front());
            for (int M : at[s])
                e_.clearB(e_.ban(M), s);
            if (teaCell_(t, s) != kFixed && g.Renke_T(t, s) >= 0)
                e_.clearT(t, s);
        }
    }
    waitPos_.assign(units_.size(), -1);
    mark_.assign(units_.size(), 0);
    tabu_.assign(units_.size() * static_cast<std::size_t>(N_ + 2), 0);
    // The slots a unit may start at are found when it first waits.
    for (int u = 0; u < static_cast<int>(units_.size()); ++u)
        if (units_[u].slot < 0)
            wait(u);
}

// --- Moves.

// What displacing a unit costs: its lessons, and once more for every time it was displaced
// already, so that the search turns to other lessons instead of pushing the same ones about.
long long Repairer::dyn(int u) const
{
    return static_cast<long long>(units_[u].weight) + units_[u].bumps;
}

void Repairer::wait(int u)
{
    if (waitPos_[u] >= 0)
        return;
    waitPos_[u] = static_cast<int>(waiting_.size());
    waiting_.push_back(u);
    waitingWeight_ += units_[u].weight;
}

void Repairer::unwait(int u)
{
    const int i = waitPos_[u];
    if (i < 0)
        return;
    const int last = waiting_.back();
    waiting_[i] = last;
    waitPos_[last] = i;
    waiting_.pop_back();
    waitPos_[u] = -1;
    waitingWeight_ -= units_[u].weight;
}

void Repairer::place(int u, int s)
{
    auto& U = units_[u];
    U.slot = s;
    for (int x = s; x < s + U.len; ++x) {
        for (int M : U.members) {
            e_.setB(e_.ban(M), x, M, U.score);
            cell_(e_.ban(M), x) = u;
        }
        if (teaCell_(U.tea, x) != kFixed) {
            e_.setT(U.tea, x, U.lead);
            teaCell_(U.tea, x) = u;
        }
    }
    unwait(u);
}

void Repairer::lift(int u)
{
    auto& U = units_[u];
    for (int x = U.slot; x < U.slot + U.len; ++x) {
        for (int M : U.members) {
            e_.clearB(e_.ban(M), x);
            cell_(e_.ban(M), x) = -1;
        }
        if (teaCell_(U.tea, x) == u) {
            e_.clearT(U.tea, x);
            teaCell_(U.tea, x) = -1;
        }
    }
    U.slot = -1;
}

// A double that cannot stand anywhere becomes two single lessons; the double is lost and
// shows in the quality figures.
void Repairer::split(int u)
{
    if (units_[u].slot >= 0)
        lift(u);
    unwait(u);
    units_[u].dead = true;
    for (int k = 0; k < 2; ++k) {
        Unit v;
        v.members = units_[u].members;
        v.allowed = units_[u].allowed;
        addUnit(std::move(v));
        const int id = static_cast<int>(units_.size()) - 1;
        waitPos_.push_back(-1);
        mark_.push_back(0);
        tabu_.resize(units_.size() * static_cast<std::size_t>(N_ + 2), 0);
        wait(id);
    }
}

bool Repairer::evaluate(int u, int s, long long& cost, int& soft)
{
    const Unit& U = units_[u];
    const auto& g = e_.g_;
    const auto& sl = e_.sl_;
    const auto& o = sc_.opt;
    ejects_.clear();
    cost = 0;
    soft = 0;
    if (++stamp_ == 0) {
        std::fill(mark_.begin(), mark_.end(), 0);
        stamp_ = 1;
    }
    auto eject = [&](int v) {
        if (v == u || mark_[v] == stamp_)
            return;
        mark_[v] = stamp_;
        ejects_.push_back(v);
        cost += dyn(v);
    };
    const bool joinsKept = teaCell_(U.tea, s) == kFixed;
    for (int x = s; x < s + U.len; ++x) {
        if (const int c = teaCell_(U.tea, x); c >= 0)
            eject(c);
        for (int M : U.members)
            if (const int c = cell_(e_.ban(M), x); c >= 0)
                eject(c);
        if (const int X = e_.partner_[U.tea]; X > 0)
            if (const int c = teaCell_(X, x); c >= 0)
                eject(c);
    }
    // Room limits count every class with the subject at the slot, this unit's included.
    for (int M : U.members) {
        const int E = e_.ke(M);
        const int maxJie = sc_.KemuMaxJie[E];
        if (maxJie <= 0 || M != U.lead)
            continue;
        int mine = 0;
        for (int N2 : U.members)
            mine += e_.ke(N2) == E;
        for (int x = s; x < s + U.len; ++x) {
            int count = e_.cntKeSlot_(E, x) + mine;
            for (int v : ejects_)
                if (spans(v, x))
                    for (int N2 : units_[v].members)
                        count -= e_.ke(N2) == E;
            for (int b = 1; b <= sc_.MaxBanID && count > maxJie; ++b) {
                const int r = g.Renke_B(b, x);
                if (r < 0 || e_.ke(r) != E)
                    continue;
                const int c = cell_(b, x);
                if (c < 0 || mark_[c] == stamp_)
                    continue;
                eject(c);
                for (int N2 : units_[c].members)
                    count -= e_.ke(N2) == E;
            }
            if (count > maxJie)
                return false;
        }
    }
    if (e_.noLian_ == 2) {
        for (int M : U.members) {
            if (sc_.KemuLianpai[e_.ke(M)] > 0)
                continue;
            const int b = e_.ban(M);
            for (int y : {s - 1, s + U.len}) {
                const bool near = y < s ? e_.nextSame_[y] : e_.nextSame_[y - 1];
                if (!near)
                    continue;
                const int r = g.Renke_B(b, y);
                if (r < 0 || e_.ke(r) != e_.ke(M))
                    continue;
                const int c = cell_(b, y);
                if (c == kFixed)
                    return false;
                eject(c);
            }
        }
    }
    // Condition caps hold against the lessons standing now (the ones about to move out still
    // count, so the test never lets a cap through).
    if (anyCaps_) {
        for (int M : U.members) {
            const int b = e_.ban(M), E = e_.ke(M);
            if (!e_.condBK_[M])
                continue;
            for (int x = s; x < s + U.len; ++x) {
                const int j = sl.SlotJie[x], d = sl.SlotDay[x];
                if (const int cap = subjectCap(o.JieOptBK, b, E, j); cap >= 0 && e_.cntBKJie_(b, E, j) + 1 > cap)
                    return false;
                if (const int cap = subjectCap(o.DayOptBK, b, E, sc_.DayToWeek[d]);
                    cap >= 0 && e_.cntBKDay_(b, E, d) + (x - s + 1) > cap)
                    return false;
            }
        }
        if (e_.condT_[U.tea] && !joinsKept)
            for (int x = s; x < s + U.len; ++x) {
                const int j = sl.SlotJie[x], d = sl.SlotDay[x];
                if (const int v = at2(o.JieOptT, U.tea, j); v != 0 && e_.cntTJie_(U.tea, j) + 1 > std::abs(v))
                    return false;
                if (const int v = at2(o.DayOptT, U.tea, sc_.DayToWeek[d]);
                    v != 0 && e_.cntTDay_(U.tea, d) + (x - s + 1) > std::abs(v))
                    return false;
            }
    }
    // Preferences only order the slots that the hard rules leave.
    for (int x = s; x < s + U.len; ++x) {
        const int d = sl.SlotDay[x], j = sl.SlotJie[x];
        if (sc_.TeshuTea(U.tea, d, j) == model::MarkPrefer)
            --soft;
        for (int M : U.members) {
            const int b = e_.ban(M), E = e_.ke(M);
            if (sc_.TeshuKe(E, b, d, j) == model::MarkPrefer)
                --soft;
            if (x == s && sc_.KemuLianpai[E] == 0 && e_.cntBKDay_(b, E, d) > 0)
                soft += 2;
            if (e_.align_ == 2 && !e_.inStep(M, x))
                return false;
            if (M == U.lead && !e_.inStep(M, x))
                soft += 1;
        }
    }
    // Two lessons of a subject with doubles side by side beyond the doubles it wants.
    if (sc_.KemuLianpai[e_.ke(U.lead)] > 0) {
        const int b = e_.ban(U.lead);
        if ((e_.nextSame_[s - 1] && g.Renke_B(b, s - 1) == U.lead) ||
            (e_.nextSame_[s + U.len - 1] && g.Renke_B(b, s + U.len) == U.lead))
            soft += 3;
    }
    return true;
}

// --- The best timetable met.

void Repairer::snapshot()
{
    best_.resize(units_.size());
    for (std::size_t u = 0; u < units_.size(); ++u)
        best_[u] = {units_[u].slot, units_[u].score};
    bestWeight_ = waitingWeight_;
}

void Repairer::restoreBest()
{
    for (int u = 0; u < static_cast<int>(units_.size()); ++u)
        if (units_[u].slot >= 0) {
            lift(u);
            if (!units_[u].dead)
                wait(u);
        }
    for (int u = 0; u < static_cast<int>(best_.size()); ++u)
        if (best_[u].first >= 0) {
            units_[u].score = best_[u].second;
            place(u, best_[u].first);
        }
}

// --- The search.

void Repairer::run()
{
    const int before = e_.placedCount_;
    build();
    e_.progress();
    // Units no slot can ever hold leave the waiting list for good; a double among them
    // becomes two singles first.
    for (int u = 0; u < static_cast<int>(units_.size()); ++u)
        if (!units_[u].dead && units_[u].slot < 0 && starts(u).empty()) {
            if (units_[u].len == 2)
                split(u);
            else {
                unwait(u);
                hopeless_.push_back(u);
            }
        }
    auto weightLeft = [&] { return waitingWeight_; };
    snapshot();
    const long long restartEvery = kRestartBase + kRestartPerUnit * static_cast<long long>(units_.size());
    long long lastBetter = 0, lastRestart = 0;
    int restartsSinceBetter = 0;
    bool doublesGivenUp = false;
    Move best;
    std::vector<int> cands;
    // What the proofs show cannot stand ends the search as soon as only that is out.
    long long hopelessWeight = 0;
    for (int h : hopeless_)
        hopelessWeight += units_[h].weight;
    while (weightLeft() > 0 && weightLeft() + hopelessWeight > e_.cannotStand_) {
        if (e_.stepAndCheckCancel())
            break;
        ++iter_;
        ++e_.repairMoves_;
        cands.clear();
        const auto& pool = waiting_;
        if (static_cast<int>(pool.size()) <= kCandidates) {
            cands = pool;
        } else if (static_cast<int>(rng_() % 100) >= kRandomPercent) {
            int pick = pool.front();
            for (int u : pool) {
                if (dyn(u) > dyn(pick) || (dyn(u) == dyn(pick) && starts(u).size() < starts(pick).size()))
                    pick = u;
            }
            cands.push_back(pick);
        } else {
            for (int k = 0; k < kCandidates; ++k)
                cands.push_back(pool[rng_() % pool.size()]);
        }
        best = Move{};
        best.delta = LLONG_MAX;
        const long long left = weightLeft();
        for (int u : cands) {
            const auto& U = units_[u];
            for (int s : starts(u)) {
                long long cost = 0;
                int soft = 0;
                if (!evaluate(u, s, cost, soft))
                    continue;
                const long long delta = cost - dyn(u);
                if (tabu(u, s) > iter_) {
                    long long real = -U.weight;
                    for (int v : ejects_)
                        real += units_[v].weight;
                    if (left + real >= bestWeight_)
                        continue;
                }
                const std::uint32_t tie = rng_();
                if (delta < best.delta || (delta == best.delta && (soft < best.soft || (soft == best.soft && tie < best.tie)))) {
                    best.unit = u;
                    best.slot = s;
                    best.delta = delta;
                    best.soft = soft;
                    best.tie = tie;
                    best.ejects = ejects_;
                }
            }
        }
        if (best.unit >= 0) {
            const int tenure =
                static_cast<int>(rng_() % kTenureBase) + static_cast<int>(waiting_.size() * kTenurePerWaiting / 10);
            for (int v : best.ejects) {
                const int from = units_[v].slot;
                lift(v);
                wait(v);
                units_[v].bumps++;
                tabu(v, from) = static_cast<int>(iter_) + tenure;
            }
            if (best.ejects.empty())
                e_.swept_ += units_[best.unit].weight;
            const auto& U = units_[best.unit];
            int score = 1;
            for (int x = best.slot; x < best.slot + U.len; ++x)
                if (sc_.TeshuTea(U.tea, e_.sl_.SlotDay[x], e_.sl_.SlotJie[x]) == model::MarkCertain ||
                    sc_.TeshuKe(e_.ke(U.lead), e_.ban(U.lead), e_.sl_.SlotDay[x], e_.sl_.SlotJie[x]) == model::MarkCertain)
                    score = 1 + kCertainBonus;
            units_[best.unit].score = score;
            place(best.unit, best.slot);
        }
        if (weightLeft() < bestWeight_) {
            snapshot();
            lastBetter = iter_;
            restartsSinceBetter = 0;
            e_.progress();
        } else if (iter_ - lastRestart > restartEvery && iter_ - lastBetter > restartEvery) {
            // Stuck: go back to the best timetable met and let the old quarrels fade, so that
            // the next round displaces other lessons than the last.
            lastRestart = iter_;
            ++restartsSinceBetter;
            ++e_.restarts_;
            restoreBest();
            for (auto& U : units_)
                U.bumps /= 2;
            if (restartsSinceBetter > kRestartsBeforeGivingUp) {
                // Before giving up, let the doubles still waiting go as single lessons.
                bool any = false;
                if (!doublesGivenUp) {
                    for (int u : std::vector<int>(waiting_))
                        if (units_[u].len == 2 && !units_[u].dead) {
                            split(u);
                            any = true;
                        }
                    doublesGivenUp = true;
                }
                if (!any)
                    break;
                restartsSinceBetter = 0;
                snapshot();
            }
        }
    }
    if (weightLeft() > bestWeight_)
        restoreBest();
    e_.repaired_ = e_.placedCount_ - before;
    e_.progress();
}

}  // namespace tavrin::scheduler
