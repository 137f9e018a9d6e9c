#include "scheduler/polish.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

// The descent stops when a sweep over the lessons finds nothing better, or after this many sweeps.
constexpr int kMaxSweeps = 30;
// The weights of the annealing: a repeat outweighs the gaps one move makes in practice, a gap
// the "尽量排" periods. The temperature falls from where most gaps are let in and a repeat
// now and then, to where a gap almost never is.
constexpr long long kRepeatCost = 64;
constexpr long long kGapCost = 8;
constexpr double kStartTemperature = 25.0;
constexpr double kEndTemperature = 1.0;
// Percent of a step budget the annealing takes; the descent the rest.
constexpr long long kAnnealShare = 95;
// The annealing cools over this many weighed moves per lesson (or the budget's share, if
// less). Weighed moves rather than steps: where chains mostly break off early (lessons bound
// in combined groups, full teachers) a step costs little and the week needs many of them.
constexpr long long kCoolingPerLesson = 25;
// Weighed moves without a gain of a repeat's worth (one repeat, or eight gaps) after which
// the annealing cools at once, then ends and leaves the rest to the descent, which ends the
// same way: scaled with the school, so that a large week gets the time its defects need.
constexpr long long kStallPerLesson = 3;
constexpr long long kMinStall = kPolishMinStall;
constexpr long long kStallStepsPerWeighed = 10;
// The polish's work, in day rows weighed: a step costs about two, a unit a chain takes along
// one, a move weighed six besides its rows. The rows a move touches and the chains, rather
// than the steps, are where the time goes on weeks of long chains.
constexpr long long kWorkPerStep = 2;
constexpr long long kWorkPerWeighed = 6;
// Units one chain may carry: combined lessons of whole grades need long chains.
constexpr std::size_t kMaxChain = 32;

}  // namespace

PolishFigures polishFigures(const model::School& s, const model::Grids& g)
{
    return polishFigures(s, g, timetable::measureQuality(s, g));
}

PolishFigures polishFigures(const model::School& s, const model::Grids& g, const timetable::Quality& q)
{
    return {q.sameDayRepeats, q.teacherGaps, q.preferredKept, static_cast<int>(timetable::checkTimetable(s, g).size())};
}

class Polisher {
public:
    Polisher(Engine& e, const std::vector<std::uint8_t>& keep, const PolishRequest& req)
        : e_(e), sc_(e.sc_), keep_(keep), req_(req), rng_(req.seed), N_(e.N_)
    {
    }
    int build();
    void run(long long lessons);
    bool cancelled() const { return cancelled_; }
    bool budgetSpent() const { return budgetSpent_; }
    long long steps() const { return steps_; }
    int moves() const { return moves_; }
    // The best timetable met is better than the one given (else the polish gives that one back).
    bool improved() const { return bestFig_.better(startFig_); }
    // The best met has the fewest repeats and gaps any timetable can have.
    bool atBound() const { return bestFig_.repeats <= repeatsBound_ && bestFig_.gaps == 0; }

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

    // Changes of the figures a move makes; the lexicographic order decides the descent, the
    // weights the annealing's chance of a worse move.
    struct Delta {
        int repeats = 0, gaps = 0, pref = 0;
        long long weighted() const { return kRepeatCost * repeats + kGapCost * gaps - pref; }
        bool better() const { return repeats < 0 || (repeats == 0 && (gaps < 0 || (gaps == 0 && pref > 0))); }
    };
    struct Figures {
        int repeats = 0, gaps = 0, pref = 0;
        bool better(const Figures& o) const
        {
            return std::tuple(repeats, gaps, -pref) < std::tuple(o.repeats, o.gaps, -o.pref);
        }
        bool operator==(const Figures&) const = default;
        long long weighted() const { return kRepeatCost * repeats + kGapCost * gaps - pref; }
    };

    Engine& e_;
    const model::School& sc_;
    const std::vector<std::uint8_t>& keep_;
    const PolishRequest& req_;
    std::mt19937 rng_;
    int N_;
    std::vector<Unit> units_;
    std::vector<int> movable_;
    std::vector<int> bestPref_;  // [unit] the most "尽量排" periods any start would give it
    // Scratch of weigh: the class days and teacher days a move touches, (slot, score) per step.
    std::vector<std::pair<int, int>> banDays_, teaDays_, from_;
    model::Array2<int> cell_;     // [ban][slot] unit, -1 free, kFixed
    model::Array2<int> teaCell_;  // [tea][slot] unit, -1 free, kFixed
    long long steps_ = 0;
    int moves_ = 0;
    bool cancelled_ = false, budgetSpent_ = false;
    int percent_ = -1;
    // The figures now and the best met; atBest_: the grids now are a best; haveBest_: best_
    // holds a best.
    Figures cur_, bestFig_, startFig_;
    // The step that last lowered the best's weighted figures by a repeat's worth or more, and
    // that figure then: gains smaller than that over stall_ steps are not worth their time.
    long long lastGain_ = 0;
    // Moves weighed in full (their chain formed and every step allowed): the time goes there,
    // so the cooling and the stall count them rather than the steps.
    long long weighed_ = 0;
    // The work done, and where the work budget ends (0: none): PolishRequest::workBudget, less
    // once the repeats are settled.
    long long work_ = 0, workEnd_ = 0;
    bool repeatsSettled_ = false;
    long long lastGainStep_ = 0;
    // Stalled: no gain over stall_ weighed moves, or over many times as many steps where
    // hardly a chain forms.
    long long gainMark_ = 0;
    bool atBest_ = true, haveBest_ = false;
    model::Grids best_;
    // Repeats of each class day and gaps of each teacher day as they stand; the figures of the
    // days a move touches once it is made.
    model::Array2<int> repeatsOf_, gapsOf_;
    std::vector<int> newRepeats_, newGaps_;
    // Where each listed day sits in banDays_ / teaDays_, and the copies of those days' rows
    // (P + 1 entries each) that weigh() makes its steps in.
    model::Array2<int> banRow_, teaRow_;
    std::vector<int> rows_, teaRows_;
    // Marks of the class days and teacher days a move has listed already.
    model::Array2<int> banSeen_, teaSeen_;
    int stamp_ = 0;
    // The class days with a repeat and the teacher days with a gap, as sets that draw at
    // random in O(1): the moves start mostly from them. Keys are day + (theDay + 1) * row.
    struct DaySet {
        std::vector<int> keys, pos;  // pos[key]: index in keys, -1 when absent
        void reset(int size)
        {
            keys.clear();
            pos.assign(static_cast<std::size_t>(size), -1);
        }
        void mark(int key, bool in)
        {
            int& p = pos[static_cast<std::size_t>(key)];
            if (in && p < 0) {
                p = static_cast<int>(keys.size());
                keys.push_back(key);
            } else if (!in && p >= 0) {
                const int last = keys.back();
                keys[static_cast<std::size_t>(p)] = last;
                pos[static_cast<std::size_t>(last)] = p;
                keys.pop_back();
                p = -1;
            }
        }
    };
    DaySet badBanDays_, badTeaDays_;
    std::vector<int> pick_, pickKe_;  // scratch of pickUnit: units, and the subject each repeats
    // The last chain of single periods broke on this double (-1: on none), met in the block
    // starting at strayFrom_.
    int stray_ = -1, strayFrom_ = 0;
    // Per unit, the periods allowed() lets it start at, as bits, once looked up.
    std::vector<std::uint8_t> allowedKnown_;
    std::vector<std::uint64_t> allowedBits_;
    // Units already in the chain being formed: inChain_[u] == chainStamp_.
    std::vector<unsigned> inChain_;
    unsigned chainStamp_ = 0;
    // Where pickUnit drew its unit from: the class day with a repeat (and the subject
    // repeated) or the teacher day with a gap, so that the move can aim where it cures it.
    enum class Drawn { Any, Repeat, Gap };
    Drawn drawn_ = Drawn::Any;
    int drawnRow_ = 0, drawnDay_ = 0, drawnKe_ = 0;
    std::vector<int> aim_;  // scratch of aimAt
    // The fewest repeats any timetable of the movable lessons can have, summed over the
    // classes and subjects: the annealing ends when it is met and no gap is left.
    int repeatsBound_ = 0;
    // Steps the annealing goes without a better timetable before the descent takes over.
    long long stall_ = 0;

    bool stop();
    bool fits(int u, int s) const;
    int prefAt(int u, int s) const;
    void place(int u, int s, int score);
    void setCell(int b, int x, int r, int score);
    void clearCell(int b, int x);
    void setTea(int t, int x, int r);
    void clearTea(int t, int x);
    void lift(int u);
    int scoreAt(int u, int s) const;
    Figures figures();
    void commit();
    bool allowed(int u, int s);
    bool allowedAt(int u, int s) const;
    // Makes the steps together when every rule lets them, with the change of the figures; else
    // leaves the timetable as it was.
    // With `accept`, a move it refuses whatever the teachers' gaps may end false early.
    bool weigh(const std::vector<Step>& steps, Delta& delta, const std::function<bool(const Delta&)>* accept = nullptr);
    bool apply(const std::vector<Step>& steps);
    bool takeMove(const std::vector<Step>& steps, const std::function<bool(const Delta&)>& accept);
    bool chain(int u, int from, int to, int len, std::vector<Step>& out);
    bool chainAroundDouble(int u, int from, int to, std::vector<Step>& out);
    bool worthMoving(int u) const;
    bool stalled() const
    {
        return weighed_ - lastGain_ > stall_ || steps_ - lastGainStep_ > kStallStepsPerWeighed * stall_;
    }
    int pickUnit();
    // The share of the budget spent, by steps or by work, whichever is further (0: no budget).
    double spent() const;
    int aimAt(int u);
    int dayKey(int row, int d) const { return row * (sc_.theDay + 1) + d; }
    int lowerRepeats() const;
    void keepBest();
    void anneal(long long steps, long long horizon);
    void descend(long long steps);
    void report(long long done, long long total, int phase);
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
    inChain_.assign(units_.size(), 0);
    allowedKnown_.assign(units_.size(), 0);
    allowedBits_.assign(units_.size() * (static_cast<std::size_t>(N_) / 64 + 1), 0);
    // Most weeks have few "尽量排" periods or none: a unit whose teacher and subjects have none
    // needs no look over the week.
    auto anyPrefer = [&](auto mark) {
        for (int d = 1; d <= sc_.theDay; ++d)
            for (int j = 1; j <= sc_.P(); ++j)
                if (mark(d, j) == model::MarkPrefer)
                    return true;
        return false;
    };
    std::vector<std::int8_t> teaPrefers(static_cast<std::size_t>(T), -1);
    for (int u = 0; u < static_cast<int>(units_.size()); ++u) {
        const Unit& U = units_[u];
        auto& tp = teaPrefers[static_cast<std::size_t>(U.tea)];
        if (tp < 0)
            tp = anyPrefer([&](int d, int j) { return sc_.TeshuTea(U.tea, d, j); });
        bool prefers = tp > 0;
        for (int M : U.members)
            prefers = prefers || anyPrefer([&](int d, int j) { return sc_.TeshuKe(e_.ke(M), e_.ban(M), d, j); });
        if (!prefers)
            continue;
        for (int x = 1; x + U.len - 1 <= N_; ++x)
            bestPref_[u] = std::max(bestPref_[u], prefAt(u, x));
    }
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
    if ((req_.stepBudget > 0 && steps_ >= req_.stepBudget) || (workEnd_ > 0 && work_ >= workEnd_)) {
        budgetSpent_ = true;
        return true;
    }
    ++steps_;
    work_ += kWorkPerStep;
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

void Polisher::commit()
{
    for (std::size_t i = 0; i < banDays_.size(); ++i) {
        const auto [b, d] = banDays_[i];
        repeatsOf_(b, d) = newRepeats_[i];
        badBanDays_.mark(dayKey(b, d), newRepeats_[i] > 0);
    }
    for (std::size_t i = 0; i < teaDays_.size(); ++i) {
        const auto [t, d] = teaDays_[i];
        gapsOf_(t, d) = newGaps_[i];
        badTeaDays_.mark(dayKey(t, d), newGaps_[i] > 0);
    }
}

// What no other lesson's place changes: the marks, the fixed lessons' cells and a double's
// two periods. Checked before any lesson is lifted. None of it changes while the polish runs:
// a unit's periods are looked up once, when first asked for, and kept as bits.
bool Polisher::allowed(int u, int s)
{
    if (s < 1 || s > N_)
        return false;
    const std::size_t words = static_cast<std::size_t>(N_) / 64 + 1;
    std::uint64_t* bits = allowedBits_.data() + static_cast<std::size_t>(u) * words;
    if (!allowedKnown_[static_cast<std::size_t>(u)]) {
        allowedKnown_[static_cast<std::size_t>(u)] = 1;
        for (int x = 1; x <= N_; ++x)
            if (allowedAt(u, x))
                bits[x / 64] |= std::uint64_t(1) << (x % 64);
    }
    return (bits[s / 64] >> (s % 64)) & 1;
}

bool Polisher::allowedAt(int u, int s) const
{
    const Unit& U = units_[u];
    if (s < 1 || s + U.len - 1 > N_ || (U.len == 2 && !e_.nextSame_[s]))
        return false;
    for (int x = s; x < s + U.len; ++x) {
        const int d = e_.sl_.SlotDay[x], j = e_.sl_.SlotJie[x];
        if (sc_.TeshuTea(U.tea, d, j) == model::MarkNever)
            return false;
        for (int M : U.members) {
            const int b = e_.ban(M);
            if (e_.gudin_(b, x) || sc_.TeshuKe(e_.ke(M), b, d, j) == model::MarkNever)
                return false;
        }
    }
    return true;
}

// Weighs the steps without making them: the days they touch are copied into rows, the
// steps made there, and the rows measured. False when a mark, a fixed lesson or a double's
// periods forbid a step.
bool Polisher::weigh(const std::vector<Step>& steps, Delta& delta, const std::function<bool(const Delta&)>* accept)
{
    banDays_.clear();
    teaDays_.clear();
    from_.clear();
    ++stamp_;
    int pref = 0;
    for (const auto& st : steps) {
        const Unit& U = units_[st.u];
        for (int slot : {U.slot, st.to}) {
            const int d = e_.sl_.SlotDay[slot];
            for (int M : U.members)
                if (int& seen = banSeen_(e_.ban(M), d); seen != stamp_) {
                    seen = stamp_;
                    banRow_(e_.ban(M), d) = static_cast<int>(banDays_.size());
                    banDays_.emplace_back(e_.ban(M), d);
                }
            if (int& seen = teaSeen_(U.tea, d); seen != stamp_) {
                seen = stamp_;
                teaRow_(U.tea, d) = static_cast<int>(teaDays_.size());
                teaDays_.emplace_back(U.tea, d);
            }
        }
        if (bestPref_[st.u] > 0)
            pref += prefAt(st.u, st.to) - prefAt(st.u, U.slot);
        from_.emplace_back(U.slot, U.score);
    }
    for (const auto& st : steps)
        if (!allowed(st.u, st.to))
            return false;
    ++weighed_;
    work_ += kWorkPerWeighed + static_cast<long long>(banDays_.size());
    const auto& g = e_.g_;
    const auto& sl = e_.sl_;
    const int P = sc_.P(), W = P + 1;
    // Every unit leaves its periods before any takes its new ones: chains trade places.
    auto put = [&](auto&& cell) {
        for (const auto& st : steps) {
            const Unit& U = units_[st.u];
            for (int x = U.slot; x < U.slot + U.len; ++x)
                cell(U, sl.SlotDay[x], sl.SlotJie[x], false);
        }
        for (const auto& st : steps) {
            const Unit& U = units_[st.u];
            for (int x = st.to; x < st.to + U.len; ++x)
                cell(U, sl.SlotDay[x], sl.SlotJie[x], true);
        }
    };
    rows_.resize(banDays_.size() * static_cast<std::size_t>(W));
    for (std::size_t i = 0; i < banDays_.size(); ++i)
        std::copy_n(&g.Renke_B(banDays_[i].first, model::slotOf(banDays_[i].second, 1, P)), P, &rows_[i * W + 1]);
    put([&](const Unit& U, int d, int j, bool on) {
        for (int M : U.members)
            rows_[static_cast<std::size_t>(banRow_(e_.ban(M), d)) * W + j] = on ? M : -1;
    });
    Figures before, after;
    newRepeats_.clear();
    for (std::size_t i = 0; i < banDays_.size(); ++i) {
        before.repeats += repeatsOf_(banDays_[i].first, banDays_[i].second);
        newRepeats_.push_back(timetable::dayRepeats(sc_, banDays_[i].second, &rows_[i * W]));
        after.repeats += newRepeats_.back();
    }
    for (auto [t, d] : teaDays_)
        before.gaps += gapsOf_(t, d);
    // The teachers' days only where the move could pass with every gap they have closed.
    if (accept && !(*accept)(Delta{after.repeats - before.repeats, -before.gaps, pref}))
        return false;
    work_ += static_cast<long long>(teaDays_.size());
    teaRows_.resize(teaDays_.size() * static_cast<std::size_t>(W));
    for (std::size_t i = 0; i < teaDays_.size(); ++i)
        std::copy_n(&g.Renke_T(teaDays_[i].first, model::slotOf(teaDays_[i].second, 1, P)), P, &teaRows_[i * W + 1]);
    put([&](const Unit& U, int d, int j, bool on) {
        teaRows_[static_cast<std::size_t>(teaRow_(U.tea, d)) * W + j] = on ? U.lead : -1;
    });
    newGaps_.clear();
    for (std::size_t i = 0; i < teaDays_.size(); ++i) {
        newGaps_.push_back(timetable::dayGaps(P, &teaRows_[i * W]));
        after.gaps += newGaps_.back();
    }
    delta = {after.repeats - before.repeats, after.gaps - before.gaps, pref};
    return true;
}

// Makes the steps weighed last when every rule lets them; else leaves the timetable as it was.
bool Polisher::apply(const std::vector<Step>& steps)
{
    for (const auto& st : steps)
        lift(st.u);
    std::size_t placed = 0;
    for (; placed < steps.size(); ++placed) {
        const auto& st = steps[placed];
        if (!fits(st.u, st.to))
            break;
        place(st.u, st.to, scoreAt(st.u, st.to));
    }
    if (placed == steps.size())
        return true;
    for (std::size_t i = 0; i < placed; ++i)
        lift(steps[i].u);
    for (std::size_t i = 0; i < steps.size(); ++i)
        place(steps[i].u, from_[i].first, from_[i].second);
    return false;
}

// The units that move when the block of `len` periods starting at `from` (u among them)
// trades places with the block starting at `to`: every lesson of the two blocks that shares a
// class, a teacher or a teacher's exclusion partner with one that moves must move too (a Kempe
// chain over the two blocks), each keeping its offset in its block. False when the chain meets
// a fixed lesson, one that reaches out of its block, or grows long.
bool Polisher::chain(int u, int from, int to, int len, std::vector<Step>& out)
{
    const Unit& U0 = units_[u];
    out.clear();
    if (from < 1 || to < 1 || from + len - 1 > N_ || to + len - 1 > N_ || (to < from + len && from < to + len) ||
        U0.slot < from || U0.slot + U0.len > from + len)
        return false;
    stray_ = -1;
    if (++chainStamp_ == 0) {
        std::fill(inChain_.begin(), inChain_.end(), 0);
        chainStamp_ = 1;
    }
    out.push_back({u, U0.slot - from + to});
    inChain_[static_cast<std::size_t>(u)] = chainStamp_;
    auto pull = [&](int c, int blockFrom, int blockTo) {
        if (c == -1)
            return true;
        if (c < 0)
            return false;
        if (inChain_[static_cast<std::size_t>(c)] == chainStamp_)
            return true;
        const Unit& W = units_[c];
        if (!W.fixed && W.len > len && out.size() < kMaxChain) {
            strayFrom_ = blockFrom;
            stray_ = c;
        }
        if (W.fixed || W.slot < blockFrom || W.slot + W.len > blockFrom + len || out.size() >= kMaxChain)
            return false;
        out.push_back({c, W.slot - blockFrom + blockTo});
        inChain_[static_cast<std::size_t>(c)] = chainStamp_;
        return true;
    };
    // The chain's cost, counted as it ends, whichever way.
    struct Cost {
        long long& work;
        const std::vector<Step>& out;
        ~Cost() { work += static_cast<long long>(out.size()); }
    } cost{work_, out};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const Unit& W = units_[out[i].u];
        const bool inFrom = W.slot >= from && W.slot < from + len;
        const int srcStart = inFrom ? from : to, dstStart = inFrom ? to : from;
        const int X = e_.partner_[W.tea];
        for (int k = 0; k < W.len; ++k) {
            const int y = W.slot - srcStart + dstStart + k;
            for (int M : W.members)
                if (!pull(cell_(e_.ban(M), y), dstStart, srcStart))
                    return false;
            if (!pull(teaCell_(W.tea, y), dstStart, srcStart))
                return false;
            if (X > 0 && !pull(teaCell_(X, y), dstStart, srcStart))
                return false;
        }
    }
    return true;
}

// A chain of single periods that broke on a double: the same move over blocks of two
// periods, the double's two among them, so that it moves whole. Most of a week of doubles
// is out of reach of single-period chains otherwise.
bool Polisher::chainAroundDouble(int u, int from, int to, std::vector<Step>& out)
{
    if (stray_ < 0)
        return false;
    const int at = units_[stray_].slot;
    const int shift = strayFrom_ == to ? at - to : at - from;
    if (shift < -1 || shift > 0)
        return false;
    return chain(u, from + shift, to + shift, 2, out);
}

// A unit is worth starting from when its class has a repeat that day, its teacher a gap,
// or some "尽量排" period could hold it.
bool Polisher::worthMoving(int u) const
{
    const Unit& U = units_[u];
    const int d = e_.sl_.SlotDay[U.slot];
    for (int M : U.members)
        if (repeatsOf_(e_.ban(M), d) > 0)
            return true;
    if (gapsOf_(U.tea, d) > 0)
        return true;
    return bestPref_[u] > 0 && prefAt(u, U.slot) < bestPref_[u];
}

// A unit to start a move from: mostly a lesson of a class day with a repeat (one whose subject
// the class has again that day) or of a teacher day with a gap, now and then any movable
// one, so that the search also reaches the lessons a defect's cure has to displace.
int Polisher::pickUnit()
{
    const bool repeats = !badBanDays_.keys.empty(), gaps = !badTeaDays_.keys.empty();
    if ((repeats || gaps) && rng_() % 8 != 0) {
        const bool fromBan = repeats && (!gaps || rng_() % 4 != 0);
        const auto& set = fromBan ? badBanDays_ : badTeaDays_;
        const int key = set.keys[rng_() % set.keys.size()];
        const int row = key / (sc_.theDay + 1), d = key % (sc_.theDay + 1);
        const int P = sc_.P();
        pick_.clear();
        pickKe_.clear();
        for (int j = 1; j <= P; ++j) {
            const int x = model::slotOf(d, j, P);
            const int c = fromBan ? cell_(row, x) : teaCell_(row, x);
            if (c < 0 || (!pick_.empty() && pick_.back() == c))
                continue;
            if (fromBan) {
                const Unit& U = units_[c];
                int k = -1;
                for (int M : U.members)
                    if (e_.ban(M) == row)
                        k = e_.ke(M);
                if (k < 0 || e_.cntBKDay_(row, k, d) <= U.len)
                    continue;
                pickKe_.push_back(k);
            }
            pick_.push_back(c);
        }
        if (!pick_.empty()) {
            const std::size_t i = rng_() % pick_.size();
            drawn_ = fromBan ? Drawn::Repeat : Drawn::Gap;
            drawnRow_ = row;
            drawnDay_ = d;
            drawnKe_ = fromBan ? pickKe_[i] : 0;
            return pick_[i];
        }
    }
    drawn_ = Drawn::Any;
    int u = movable_[rng_() % movable_.size()];
    for (int tries = 0; tries < 4 && !worthMoving(u); ++tries)
        u = movable_[rng_() % movable_.size()];
    return u;
}

// A period to trade the drawn unit u's block with: for a lesson drawn from a repeat, mostly
// one on a day where its class has none of the subject, or beside a lesson it could make a
// double with; for one drawn from a teacher's gap, mostly a
// period of that gap; else any. Aiming costs a few draws but spares the many moves that
// could not cure what drew the unit.
int Polisher::aimAt(int u)
{
    const int any = 1 + static_cast<int>(rng_() % static_cast<unsigned>(N_));
    if (drawn_ == Drawn::Any || rng_() % 4 == 0)
        return any;
    const int P = sc_.P();
    aim_.clear();
    if (drawn_ == Drawn::Repeat) {
        // A subject that wants doubles: now and then beside another of its lessons that day,
        // where the two would stand as a double.
        if (sc_.KemuLianpai[drawnKe_] > 0 && rng_() % 2 == 0) {
            for (int j = 1; j <= P; ++j) {
                const int x = model::slotOf(drawnDay_, j, P);
                const int c = cell_(drawnRow_, x);
                if (c < 0 || c == u || units_[c].len != 1 || e_.ke(units_[c].lead) != drawnKe_)
                    continue;
                if (j > 1 && e_.nextSame_[x - 1])
                    aim_.push_back(x - 1);
                if (j < P && e_.nextSame_[x])
                    aim_.push_back(x + 1);
            }
            if (!aim_.empty())
                return aim_[rng_() % aim_.size()];
        }
        for (int d = 1; d <= sc_.theDay; ++d)
            if (d != drawnDay_ && e_.cntBKDay_(drawnRow_, drawnKe_, d) == 0)
                aim_.push_back(d);
        if (aim_.empty())
            return any;
        const int d = aim_[rng_() % aim_.size()];
        return model::slotOf(d, 1 + static_cast<int>(rng_() % static_cast<unsigned>(P)), P);
    }
    int first = 0, last = 0;
    for (int j = 1; j <= P; ++j)
        if (e_.g_.Renke_T(drawnRow_, model::slotOf(drawnDay_, j, P)) >= 0) {
            if (first == 0)
                first = j;
            last = j;
        }
    for (int j = first + 1; j < last; ++j)
        if (e_.g_.Renke_T(drawnRow_, model::slotOf(drawnDay_, j, P)) < 0)
            aim_.push_back(model::slotOf(drawnDay_, j, P));
    return aim_.empty() ? any : aim_[rng_() % aim_.size()];
}

// Per class and subject, the lessons of the week less the doubles they could form less one
// lesson per day: no timetable has fewer repeats. Summed over the classes.
int Polisher::lowerRepeats() const
{
    const auto& g = e_.g_;
    std::vector<int> lessons(static_cast<std::size_t>(sc_.KemuOldNum + 1), 0);
    int bound = 0;
    for (int b = 1; b <= sc_.MaxBanID; ++b) {
        std::fill(lessons.begin(), lessons.end(), 0);
        for (int x = 1; x <= N_; ++x)
            if (const int r = g.Renke_B(b, x); r >= 0 && r < sc_.renkeSize())
                ++lessons[static_cast<std::size_t>(e_.ke(r))];
        for (int k = 1; k <= sc_.KemuOldNum; ++k) {
            const int n = lessons[static_cast<std::size_t>(k)];
            const int doubles = std::min(n / 2, sc_.theDay * static_cast<int>(sc_.KemuLianpai[k]));
            bound += std::max(0, n - doubles - sc_.theDay);
        }
    }
    return bound;
}

// Notes the timetable as it stands as the best so far; taken lazily, just before a move
// leaves it, since most moves that reach a best are followed by ones that keep it.
void Polisher::keepBest()
{
    best_ = e_.g_;
    haveBest_ = true;
}

bool Polisher::takeMove(const std::vector<Step>& steps, const std::function<bool(const Delta&)>& accept)
{
    Delta d;
    if (!weigh(steps, d, &accept) || !accept(d))
        return false;
    const Figures next{cur_.repeats + d.repeats, cur_.gaps + d.gaps, cur_.pref + d.pref};
    const bool leaving = !next.better(bestFig_) && !(next == bestFig_);
    // Leaving the best timetable not yet copied: copy it first.
    if (leaving && atBest_ && !haveBest_)
        keepBest();
    if (!apply(steps))
        return false;
    if (next.better(bestFig_)) {
        bestFig_ = next;
        if (const long long w = next.weighted(); w <= gainMark_ - kRepeatCost) {
            gainMark_ = w;
            lastGain_ = weighed_;
            lastGainStep_ = steps_;
        }
        atBest_ = true;
        haveBest_ = false;
    } else if (next == bestFig_) {
        atBest_ = true;
    } else {
        atBest_ = false;
    }
    commit();
    cur_ = next;
    ++moves_;
    return true;
}

// Simulated annealing over the chains: a random unit (mostly one with a repeat, a gap or an
// unmet "尽量排" in reach) and a random block to trade with; a move that makes the weighted
// figures no worse is taken, a worse one with a chance that falls with the temperature.
void Polisher::anneal(long long steps, long long horizon)
{
    if (steps <= 0 || movable_.empty())
        return;
    const long long end = steps_ + steps;
    const double t0 = kStartTemperature, t1 = kEndTemperature;
    std::vector<Step> cand;
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    const long long total = steps;
    bool quenched = false;
    const long long start = weighed_;
    long long maxPref = 0;
    for (int v : bestPref_)
        maxPref += v;
    const double share = static_cast<double>(kAnnealShare) / 100.0;
    while (steps_ < end && (workEnd_ <= 0 || spent() < share)) {
        // Nothing left to gain, or a quarter of the annealing without a better timetable: the
        // descent settles what is left.
        if (bestFig_.repeats <= repeatsBound_ && bestFig_.gaps == 0 && bestFig_.pref >= maxPref)
            return;
        // The repeats at the fewest the lessons allow: the gaps alone get half the work left.
        if (workEnd_ > 0 && !repeatsSettled_ && bestFig_.repeats <= repeatsBound_) {
            repeatsSettled_ = true;
            workEnd_ = work_ + (workEnd_ - work_) / 2;
        }
        // Stalled while warm: cool at once and go on from there; stalled again: the descent
        // settles what is left.
        if (stalled()) {
            if (quenched)
                return;
            quenched = true;
            lastGain_ = weighed_;
            lastGainStep_ = steps_;
        }
        const int u = pickUnit();
        const int to = aimAt(u);
        // Mostly the unit's own periods; now and then two, so that a lesson can trade with a
        // double, taking its neighbour along.
        const Unit& U = units_[u];
        const int len = U.len == 1 && rng_() % 4 == 0 ? 2 : U.len;
        const int from = U.slot - (len > U.len && rng_() % 2 ? 1 : 0);
        if (stop())
            return;
        report(total - (end - steps_), total, 0);
        if (!chain(u, from, to, len, cand) && !chainAroundDouble(u, from, to, cand))
            continue;
        // Cooled by the weighed moves, or by the budget where it ends before the horizon.
        const double done = std::min(
            1.0, std::max({static_cast<double>(weighed_ - start) / static_cast<double>(std::max(horizon, 1LL)),
                           static_cast<double>(total - (end - steps_)) / static_cast<double>(std::max(total, 1LL)),
                           workEnd_ > 0 ? spent() / share : 0.0}));
        const double temp = quenched ? t1 : t0 * std::pow(t1 / t0, done);
        const double draw = coin(rng_);
        takeMove(cand, [&](const Delta& d) {
            const long long w = d.weighted();
            return w <= 0 || draw < std::exp(-static_cast<double>(w) / temp);
        });
    }
}

// Sweeps every movable unit over every block until no chain lowers the figures in their
// order (or the steps run out).
void Polisher::descend(long long steps)
{
    std::vector<Step> cand;
    std::vector<int> order = movable_;
    std::shuffle(order.begin(), order.end(), rng_);
    const long long end = steps > 0 ? steps_ + steps : -1;
    long long lastGain = weighed_, lastGainStep = steps_, mark = cur_.weighted();
    for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
        bool better = false;
        for (std::size_t i = 0; i < order.size(); ++i) {
            const int u = order[i];
            if (!worthMoving(u))
                continue;
            for (int to = 1; to <= N_; ++to) {
                if ((end >= 0 && steps_ >= end) || weighed_ - lastGain > stall_ ||
                    steps_ - lastGainStep > kStallStepsPerWeighed * stall_)
                    return;
                if (stop())
                    return;
                report(static_cast<long long>(i), static_cast<long long>(order.size()), 1);
                if (!chain(u, units_[u].slot, to, units_[u].len, cand))
                    continue;
                if (takeMove(cand, [](const Delta& d) { return d.better(); })) {
                    better = true;
                    if (const long long w = cur_.weighted(); w <= mark - kRepeatCost) {
                        mark = w;
                        lastGain = weighed_;
                        lastGainStep = steps_;
                    }
                    break;
                }
            }
        }
        if (!better)
            return;
    }
}

double Polisher::spent() const
{
    double f = 0;
    if (req_.stepBudget > 0)
        f = static_cast<double>(steps_) / static_cast<double>(req_.stepBudget);
    if (workEnd_ > 0)
        f = std::max(f, static_cast<double>(work_) / static_cast<double>(workEnd_));
    return f;
}

void Polisher::report(long long done, long long total, int phase)
{
    if (!req_.progress)
        return;
    long long p;
    if (req_.stepBudget > 0 || workEnd_ > 0)
        p = static_cast<long long>(100 * spent());
    else
        p = phase == 0 ? 50 * done / std::max(total, 1LL) : 50 + 50 * done / std::max(total, 1LL);
    const int pc = static_cast<int>(std::clamp(p, 0LL, 99LL));
    if (pc != percent_)
        req_.progress(percent_ = pc);
}

void Polisher::run(long long lessons)
{
    for (int u = 0; u < static_cast<int>(units_.size()); ++u)
        if (!units_[u].fixed)
            movable_.push_back(u);
    cur_ = figures();
    bestFig_ = startFig_ = cur_;
    repeatsBound_ = lowerRepeats();
    gainMark_ = cur_.weighted();
    workEnd_ = req_.workBudget;
    stall_ = std::max(kMinStall, kStallPerLesson * std::max(lessons, 1LL));
    atBest_ = true;
    // A budget goes mostly to the annealing and the rest to the descent that settles it;
    // without one the annealing takes the default share and the descent runs to its end.
    const long long budget = req_.stepBudget;
    const long long annealSteps = budget > 0 ? budget * kAnnealShare / 100 : polishStepsFor(static_cast<int>(lessons));
    anneal(annealSteps, kCoolingPerLesson * std::max(lessons, 1LL));
    if (!cancelled_ && !budgetSpent_)
        descend(budget > 0 ? budget - steps_ : 0);
    if (cancelled_)
        return;
    if (!atBest_)
        e_.g_ = best_;  // the annealing ended above its best; the counts are of no use any more
    if (req_.progress && percent_ != 100)
        req_.progress(percent_ = 100);
}

Polisher::Figures Polisher::figures()
{
    Figures f;
    repeatsOf_.resize(sc_.MaxBanID + 1, sc_.theDay + 1, 0);
    banSeen_.resize(sc_.MaxBanID + 1, sc_.theDay + 1, 0);
    banRow_.resize(sc_.MaxBanID + 1, sc_.theDay + 1, 0);
    teaRow_.resize(sc_.TeaOldNum + 1, sc_.theDay + 1, 0);
    teaSeen_.resize(sc_.TeaOldNum + 1, sc_.theDay + 1, 0);
    gapsOf_.resize(sc_.TeaOldNum + 1, sc_.theDay + 1, 0);
    for (int b = 1; b <= sc_.MaxBanID; ++b)
        for (int d = 1; d <= sc_.theDay; ++d)
            f.repeats += repeatsOf_(b, d) = timetable::dayRepeats(sc_, e_.g_, b, d);
    for (int t = 1; t <= sc_.TeaOldNum; ++t)
        for (int d = 1; d <= sc_.theDay; ++d)
            f.gaps += gapsOf_(t, d) = timetable::dayGaps(sc_, e_.g_, t, d);
    badBanDays_.reset(dayKey(sc_.MaxBanID + 1, 0));
    badTeaDays_.reset(dayKey(sc_.TeaOldNum + 1, 0));
    for (int b = 1; b <= sc_.MaxBanID; ++b)
        for (int d = 1; d <= sc_.theDay; ++d)
            badBanDays_.mark(dayKey(b, d), repeatsOf_(b, d) > 0);
    for (int t = 1; t <= sc_.TeaOldNum; ++t)
        for (int d = 1; d <= sc_.theDay; ++d)
            badTeaDays_.mark(dayKey(t, d), gapsOf_(t, d) > 0);
    for (int u = 0; u < static_cast<int>(units_.size()); ++u)
        if (bestPref_[u] > 0)
            f.pref += prefAt(u, units_[u].slot);
    return f;
}

namespace {

// The polish of `start` on an engine whose grids and counts stand for it; the engine is spent.
PolishResult polishOn(Engine& e, const model::School& s, const model::Grids& start,
                      const std::vector<std::uint8_t>& banKeep, const PolishRequest& req)
{
    const auto t0 = std::chrono::steady_clock::now();
    PolishResult res;
    res.grids = start;
    res.quality = timetable::measureQuality(s, start);
    res.before = polishFigures(s, start, res.quality);
    std::vector<std::uint8_t> keep(static_cast<std::size_t>(s.MaxBanID + 1), 0);
    for (std::size_t b = 0; b < keep.size() && b < banKeep.size(); ++b)
        keep[b] = banKeep[b];
    Polisher p(e, keep, req);
    res.units = p.build();
    if (res.units == 0) {
        res.nothingToMove = true;
    } else {
        long long lessons = 0;
        for (int b = 1; b <= s.MaxBanID; ++b)
            for (int x = 1; x <= s.N(); ++x)
                if (const int r = start.Renke_B(b, x); r >= 0 && r < s.renkeSize())
                    ++lessons;
        p.run(lessons);
        res.cancelled = p.cancelled();
        res.budgetSpent = p.budgetSpent();
        res.moves = p.moves();
        res.steps = p.steps();
        res.improved = !res.cancelled && p.improved();
        res.atBound = !res.cancelled && p.atBound();
        if (res.improved)
            res.grids = e.grids();
    }
    if (res.improved) {
        res.quality = timetable::measureQuality(s, res.grids);
        // Every move keeps every rule: a week without a breach stays without one, and only a
        // week that had some needs counting again.
        const auto& q = res.quality;
        res.after = res.before.breaches == 0
                        ? PolishFigures{q.sameDayRepeats, q.teacherGaps, q.preferredKept, 0}
                        : polishFigures(s, res.grids, q);
    } else {
        res.after = res.before;
    }
    res.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return res;
}

}  // namespace

PolishResult polishTimetable(const model::School& s, const model::Grids& start, const std::vector<std::uint8_t>& banKeep,
                             const PolishRequest& req)
{
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<KeptLesson> lessons;
    for (int b = 1; b <= s.MaxBanID; ++b)
        for (int x = 1; x <= s.N(); ++x)
            if (const int r = start.Renke_B(b, x); r >= 0 && r < s.renkeSize())
                lessons.push_back({b, x, r, start.Teshu_B(b, x)});
    Engine e(s, req.opts);
    // Every lesson enters as it stands; the polisher knows which it may move.
    e.setKept(std::vector<std::uint8_t>(static_cast<std::size_t>(s.MaxBanID + 1), 0), lessons);
    auto res = polishOn(e, s, start, banKeep, req);
    res.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return res;
}

PolishResult polishAfterRun(Engine& e, const model::School& s, const std::vector<std::uint8_t>& banKeep,
                            const PolishRequest& req)
{
    const model::Grids start = e.grids();
    return polishOn(e, s, start, banKeep, req);
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
    if (out.result.improved) {
        SavePai(st, s, out.result.grids, keep);
        out.saved = true;
    }
    return out;
}

}  // namespace tavrin::scheduler
