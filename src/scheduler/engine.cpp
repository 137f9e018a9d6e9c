#include "scheduler/engine.h"

#include "scheduler/caps.h"

#include "model/kechen.h"

#include <pthread.h>

#include "scheduler/proof.h"
#include "scheduler/repair.h"
#include "timetable/checker.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace tavrin::scheduler {

using model::Array2;
using model::Array3;

const char* refusalName(Refusal r)
{
    switch (r) {
    case Refusal::Gudin: return "固定课";
    case Refusal::SubjectNever: return "科目不排";
    case Refusal::TeacherNever: return "教师不排";
    case Refusal::RoomLimit: return "场地限制";
    case Refusal::TeacherBusy: return "教师已有课";
    case Refusal::SubjectPeriodCap: return "科目时段条件";
    case Refusal::TeacherPeriodCap: return "教师时段条件";
    case Refusal::SubjectDayCap: return "科目日期条件";
    case Refusal::TeacherDayCap: return "教师日期条件";
    case Refusal::SubjectPeriodFirst: return "科目固定时段未满";
    case Refusal::TeacherPeriodFirst: return "教师固定时段未满";
    case Refusal::SubjectDayFirst: return "科目固定日期未满";
    case Refusal::TeacherDayFirst: return "教师固定日期未满";
    case Refusal::Exclusion: return "教师互斥";
    case Refusal::CombinedGroup: return "合班冲突";
    case Refusal::Double: return "连堂要求";
    case Refusal::NoDouble: return "不连堂";
    case Refusal::Align: return "进度一致";
    }
    return "";
}

const char* stageName(Stage s)
{
    switch (s) {
    case Stage::Special: return "安排特殊课程";
    case Stage::FirstPass: return "第一轮排课";
    case Stage::SecondPass: return "第二轮排课";
    case Stage::Repair: return "补排";
    case Stage::Polish: return "优化课表";
    case Stage::Done: return "完成";
    }
    return "";
}

using caps::at2;
using caps::at3;

Engine::Engine(const model::School& school, const PaiOptions& opts)
    : sc_(school),
      sl_(school.slots),
      N_(school.N()),
      P_(school.P()),
      days_(school.theDay),
      minScore_(opts.minScore()),
      maxFails_(opts.maxFails()),
      align_(opts.align),
      teaDay_(opts.teaDay),
      noLian_(opts.noLian)
{
    const int B = sc_.MaxBanID + 1;
    const int K = sc_.KemuOldNum + 1;
    const int T = sc_.TeaOldNum + 1;
    const int R = sc_.renkeSize();
    g_.reset(sc_);
    fails_.assign(R, 0);
    keep_.assign(B, 0);

    nextSame_.assign(static_cast<std::size_t>(N_) + 2, 0);
    for (int s = 0; s <= N_; ++s)
        nextSame_[s] = sl_.sameSection(s, s + 1);
    gudin_.resize(B, N_ + 2, 0);
    pairable_.resize(B, N_ + 2, 0);
    for (int b = 1; b < B; ++b)
        for (int s = 1; s <= N_; ++s)
            gudin_(b, s) = sc_.GudinKe.inside(b, s) && !sc_.GudinKe(b, s).empty();
    for (int b = 1; b < B; ++b)
        for (int s = 1; s <= N_; ++s)
            pairable_(b, s) = (neighbour(s - 1, s) && !gudin_(b, s - 1)) || (neighbour(s, s + 1) && !gudin_(b, s + 1));

    mates_.assign(R, {});
    sameKeJi_.assign(R, {});
    peers_.assign(R, {});
    sameBK_.assign(R, {});
    teaLoad_.assign(T, 0);
    ownCond_.assign(R, 0);
    hasPosJieBK_.assign(R, 0);
    hasPosDayBK_.assign(R, 0);
    hasPosJieT_.assign(T, 0);
    hasPosDayT_.assign(T, 0);
    condBK_.assign(R, 0);
    condT_.assign(T, 0);
    teaAvg_.assign(T, 0);
    const auto& o = sc_.opt;
    for (int t = 1; t < T; ++t) {
        for (int p = 0; p <= P_; ++p)
            if (at2(o.JieOptT, t, p) != 0)
                condT_[t] = 1;
        for (int w = 0; w <= 7; ++w)
            if (at2(o.DayOptT, t, w) != 0)
                condT_[t] = 1;
        for (int p = 1; p <= P_; ++p)
            if (at2(o.JieOptT, t, p) > 0)
                hasPosJieT_[t] = 1;
        for (int d = 1; d <= days_; ++d)
            if (at2(o.DayOptT, t, sc_.DayToWeek[d]) > 0)
                hasPosDayT_[t] = 1;
    }
    for (int r = 0; r < R; ++r) {
        if (tea(r) >= 0 && tea(r) < T)
            teaLoad_[tea(r)] += sc_.RenkeJieshu[r];
        if (sc_.RenkeJieshu[r] <= 0)
            continue;
        for (int i = 0; i < R; ++i) {
            if (i == r || sc_.RenkeJieshu[i] <= 0)
                continue;
            if (sc_.RenkeHeban[r] > 0 && sc_.RenkeHeban[i] == sc_.RenkeHeban[r] && tea(i) == tea(r))
                mates_[r].push_back(i);
            if (ke(i) == ke(r) && ban(i) != ban(r) && sc_.BanInJi[ban(i)] == sc_.BanInJi[ban(r)])
                peers_[r].push_back(i);
            if (ke(i) == ke(r) && sc_.BanInJi[ban(i)] == sc_.BanInJi[ban(r)])
                sameKeJi_[r].push_back(i);
        }
        for (int i = 0; i < R; ++i)
            if (sc_.RenkeJieshu[i] > 0 && ban(i) == ban(r) && ke(i) == ke(r))
                sameBK_[r].push_back(i);
        bool own = false;
        for (int p = 1; p <= P_; ++p) {
            if (at3(o.JieOptBK, ban(r), ke(r), p) != 0 || at2(o.JieOptT, tea(r), p) != 0)
                own = true;
            if (at3(o.JieOptBK, ban(r), ke(r), p) > 0 || at3(o.JieOptBK, 0, ke(r), p) > 0)
                hasPosJieBK_[r] = 1;
        }
        for (int d = 1; d <= days_; ++d) {
            int w = sc_.DayToWeek[d];
            if (at3(o.DayOptBK, ban(r), ke(r), w) != 0 || at2(o.DayOptT, tea(r), w) != 0)
                own = true;
            if (at3(o.DayOptBK, ban(r), ke(r), w) > 0 || at3(o.DayOptBK, 0, ke(r), w) > 0)
                hasPosDayBK_[r] = 1;
        }
        for (int p = 0; p <= P_ && !condBK_[r]; ++p)
            condBK_[r] = at3(o.JieOptBK, ban(r), ke(r), p) != 0 || at3(o.JieOptBK, 0, ke(r), p) != 0;
        for (int w = 0; w <= 7 && !condBK_[r]; ++w)
            condBK_[r] = at3(o.DayOptBK, ban(r), ke(r), w) != 0 || at3(o.DayOptBK, 0, ke(r), w) != 0;
        ownCond_[r] = own;
        if (own)
            withOwnCond_.push_back(r);
    }
    eligible_.assign(static_cast<std::size_t>(R) / 64 + 1, 0);
    partner_.assign(T, 0);
    for (int t = 1; t < T; ++t)
        partner_[t] = timetable::exclusionPartner(sc_, t);
    keptMateSlots_.assign(R, {});
    for (int t = 1; t < T; ++t)
        teaAvg_[t] = days_ > 0 ? static_cast<int>(std::lround(static_cast<double>(teaLoad_[t]) / days_)) : 0;

    cntKeSlot_.resize(K, N_ + 2, 0);
    cntBKJie_.resize(B, K, P_ + 1, 0);
    cntBKDay_.resize(B, K, 8, 0);
    cntBK_.resize(B, K, 0);
    cntTJie_.resize(T, P_ + 1, 0);
    cntTDay_.resize(T, 8, 0);
    cntTDaySec_.resize(T, 8, 4, 0);
    slotsOf_.assign(R, {});
    upTo_.resize(R, N_ + 2, 0);
    adj_.assign(R, 0);
    singles_.assign(R, 0);
}

bool Engine::sameGroup(int a, int b) const
{
    return a >= 0 && b >= 0 && tea(a) == tea(b) && sc_.RenkeHeban[a] > 0 && sc_.RenkeHeban[a] == sc_.RenkeHeban[b];
}

void Engine::setKept(const std::vector<std::uint8_t>& banKeep, const std::vector<KeptLesson>& kept)
{
    for (std::size_t b = 0; b < keep_.size() && b < banKeep.size(); ++b)
        keep_[b] = banKeep[b];
    for (const auto& k : kept) {
        if (k.renke < 0 || k.ban < 1 || k.ban > sc_.MaxBanID || k.slot < 1 || k.slot > N_)
            continue;
        if (g_.Renke_B(k.ban, k.slot) >= 0)
            continue;  // two stored rows for one class slot: the first wins
        setB(k.ban, k.slot, k.renke, k.teshu);
        setT(tea(k.renke), k.slot, k.renke);
    }
    total_ = 0;
    for (int r = 0; r < sc_.renkeSize(); ++r) {
        if (sc_.RenkeJieshu[r] > 0 && !keep_[ban(r)])
            total_ += sc_.RenkeJieshu[r];
        updateEligible(r);
        // A combined lesson is one lesson for every class of the group: where a kept class
        // of the group has it, the scheduled classes have it too.
        keptMateSlots_[r].clear();
        if (sc_.RenkeJieshu[r] <= 0 || keep_[ban(r)])
            continue;
        for (int M : mates_[r])
            if (keep_[ban(M)])
                for (int s = 1; s <= N_; ++s)
                    if (g_.Renke_B(ban(M), s) == M)
                        keptMateSlots_[r].push_back(s);
        std::sort(keptMateSlots_[r].begin(), keptMateSlots_[r].end());
        keptMateSlots_[r].erase(std::unique(keptMateSlots_[r].begin(), keptMateSlots_[r].end()),
                                keptMateSlots_[r].end());
    }
}

void Engine::updateEligible(int r)
{
    const std::uint64_t bit = std::uint64_t(1) << (r % 64);
    if (eligible(r))
        eligible_[r / 64] |= bit;
    else
        eligible_[r / 64] &= ~bit;
}

int Engine::firstEligible(int except) const
{
    for (std::size_t w = 0; w < eligible_.size(); ++w) {
        std::uint64_t bits = eligible_[w];
        if (w == static_cast<std::size_t>(except / 64) && except >= 0)
            bits &= ~(std::uint64_t(1) << (except % 64));
        if (bits)
            return static_cast<int>(w * 64 + __builtin_ctzll(bits));
    }
    return -1;
}

// --- Grid writes: every change of the grids passes here, so the counts stay in step.

bool Engine::isSingle(int r, int s) const
{
    const int b = ban(r);
    if (g_.Renke_B(b, s) != r)
        return false;
    if (neighbour(s - 1, s) && g_.Renke_B(b, s - 1) == r)
        return false;
    if (neighbour(s, s + 1) && g_.Renke_B(b, s + 1) == r)
        return false;
    return true;
}

void Engine::touchPairs(int r, int s, int sign)
{
    const int b = ban(r);
    int sg = 0, ad = 0;
    for (int x = s - 1; x <= s + 1; ++x)
        if (x >= 1 && x <= N_ && isSingle(r, x) && pairable_(b, x))
            ++sg;
    if (neighbour(s - 1, s) && g_.Renke_B(b, s - 1) == r && g_.Renke_B(b, s) == r)
        ++ad;
    if (neighbour(s, s + 1) && g_.Renke_B(b, s) == r && g_.Renke_B(b, s + 1) == r)
        ++ad;
    singles_[r] += sign * sg;
    adj_[r] += sign * ad;
}

void Engine::setB(int b, int s, int r, int score)
{
    touchPairs(r, s, -1);
    g_.Renke_B(b, s) = r;
    g_.Teshu_B(b, s) = score;
    touchPairs(r, s, +1);
    g_.RenkePlaced[r]++;
    const int k = ke(r), j = sl_.SlotJie[s], d = sl_.SlotDay[s];
    cntKeSlot_(k, s)++;
    cntBKJie_(b, k, j)++;
    cntBKDay_(b, k, d)++;
    cntBK_(b, k)++;
    auto& v = slotsOf_[r];
    v.insert(std::upper_bound(v.begin(), v.end(), s), s);
    for (std::int16_t *p = upTo_.row(r) + s, *end = upTo_.row(r) + N_ + 2; p != end; ++p)
        ++*p;
    if (!keep_[b])
        ++placedCount_;
    updateEligible(r);
}

void Engine::clearB(int b, int s)
{
    const int r = g_.Renke_B(b, s);
    if (r < 0)
        return;
    touchPairs(r, s, -1);
    g_.Renke_B(b, s) = -1;
    g_.Teshu_B(b, s) = 0;
    touchPairs(r, s, +1);
    g_.RenkePlaced[r]--;
    const int k = ke(r), j = sl_.SlotJie[s], d = sl_.SlotDay[s];
    cntKeSlot_(k, s)--;
    cntBKJie_(b, k, j)--;
    cntBKDay_(b, k, d)--;
    cntBK_(b, k)--;
    auto& v = slotsOf_[r];
    auto it = std::lower_bound(v.begin(), v.end(), s);
    if (it != v.end() && *it == s)
        v.erase(it);
    for (std::int16_t *p = upTo_.row(r) + s, *end = upTo_.row(r) + N_ + 2; p != end; ++p)
        --*p;
    if (!keep_[b])
        --placedCount_;
    updateEligible(r);
}

void Engine::setT(int t, int s, int r)
{
    if (g_.Renke_T(t, s) < 0) {
        const int j = sl_.SlotJie[s], d = sl_.SlotDay[s];
        cntTJie_(t, j)++;
        cntTDay_(t, d)++;
        cntTDaySec_(t, d, sl_.SlotSection[s])++;
    }
    g_.Renke_T(t, s) = r;
}

void Engine::clearT(int t, int s)
{
    if (g_.Renke_T(t, s) >= 0) {
        const int j = sl_.SlotJie[s], d = sl_.SlotDay[s];
        cntTJie_(t, j)--;
        cntTDay_(t, d)--;
        cntTDaySec_(t, d, sl_.SlotSection[s])--;
    }
    g_.Renke_T(t, s) = -1;
}

// A combined lesson is one lesson for every class of its group: the members that still
// have lessons to place go to the same slot, and the teacher's row holds the group there.
Engine::Record Engine::placeLesson(int R, int s, int score)
{
    Record rec;
    rec.slot = s;
    rec.tea = tea(R);
    rec.teaBefore = g_.Renke_T(rec.tea, s);
    setB(ban(R), s, R, score);
    rec.items.push_back({ban(R), s, R, score});
    for (int M : mates_[R]) {
        const int b = ban(M);
        if (keep_[b] || left(M) <= 0 || g_.Renke_B(b, s) != -1)
            continue;
        setB(b, s, M, score);
        rec.items.push_back({b, s, M, score});
    }
    setT(rec.tea, s, R);
    return rec;
}

void Engine::undoPlace(const Record& rec)
{
    for (auto it = rec.items.rbegin(); it != rec.items.rend(); ++it)
        clearB(it->ban, it->slot);
    if (rec.teaBefore < 0)
        clearT(rec.tea, rec.slot);
    else
        setT(rec.tea, rec.slot, rec.teaBefore);
}

Engine::Record Engine::removeLesson(int b, int s)
{
    Record rec;
    rec.slot = s;
    const int r = g_.Renke_B(b, s);
    if (r < 0)
        return rec;
    rec.tea = tea(r);
    rec.teaBefore = g_.Renke_T(rec.tea, s);
    rec.items.push_back({b, s, r, g_.Teshu_B(b, s)});
    clearB(b, s);
    for (int M : mates_[r]) {
        const int mb = ban(M);
        if (g_.Renke_B(mb, s) == M) {
            rec.items.push_back({mb, s, M, g_.Teshu_B(mb, s)});
            clearB(mb, s);
        }
    }
    // The teacher is free only when no member of the group stands there any more.
    const int held = g_.Renke_T(rec.tea, s);
    if (held == r || std::find(mates_[r].begin(), mates_[r].end(), held) != mates_[r].end())
        clearT(rec.tea, s);
    return rec;
}

void Engine::restore(const Record& rec)
{
    for (const auto& p : rec.items)
        setB(p.ban, p.slot, p.renke, p.score);
    if (!rec.items.empty()) {
        if (rec.teaBefore < 0)
            clearT(rec.tea, rec.slot);
        else
            setT(rec.tea, rec.slot, rec.teaBefore);
    }
}

// --- Slot scoring.

int Engine::PaiRank(int R, int J, bool hebanPass, Refusal* why)
{
    ++rankCalls_;
    auto refuse = [&](Refusal r) {
        if (why)
            *why = r;
        return 0;
    };
    const int C = ban(R), D = tea(R), E = ke(R);
    const int d = sl_.SlotDay[J], j = sl_.SlotJie[J], sec = sl_.SlotSection[J];
    const int w = sc_.DayToWeek[d];
    const auto& o = sc_.opt;
    int score = 1;

    if (gudin_(C, J))
        return refuse(Refusal::Gudin);
    const int markKe = sc_.TeshuKe(E, C, d, j);
    const int markTea = sc_.TeshuTea(D, d, j);
    if (markKe == model::MarkNever)
        return refuse(Refusal::SubjectNever);
    if (markTea == model::MarkNever)
        return refuse(Refusal::TeacherNever);
    if (const int maxJie = sc_.KemuMaxJie[E]; maxJie > 0) {
        const int here = g_.Renke_B(C, J);
        int others = cntKeSlot_(E, J) - (here >= 0 && ke(here) == E ? 1 : 0);
        // A combined lesson brings every class of its group that still waits for it.
        if (!hebanPass)
            for (int M : mates_[R])
                if (!keep_[ban(M)] && left(M) > 0 && ke(M) == E && g_.Renke_B(ban(M), J) == -1)
                    ++others;
        if (others >= maxJie)
            return refuse(Refusal::RoomLimit);
    }
    if (const int G = g_.Renke_T(D, J); G >= 0) {
        if (!(sc_.RenkeHeban[R] >= 1 && G != R && sc_.RenkeHeban[G] == sc_.RenkeHeban[R]))
            return refuse(Refusal::TeacherBusy);
    }
    // Where a kept class of the group has the combined lesson, this class has it too; it has
    // it elsewhere only once every such slot holds it.
    if (const auto& ks = keptMateSlots_[R]; !ks.empty()) {
        int atKept = 0;
        for (int x : ks)
            atKept += g_.Renke_B(C, x) == R;
        if (atKept < static_cast<int>(ks.size()) && !std::binary_search(ks.begin(), ks.end(), J))
            return refuse(Refusal::CombinedGroup);
    }
    const bool condKe = condBK_[R], condTea = condT_[D];
    if (condKe) {
        const int a = at3(o.JieOptBK, C, E, j), b = at3(o.JieOptBK, 0, E, j);
        if (a != 0 || b != 0) {
            const int limit = a != 0 ? std::abs(a) : std::abs(b);
            if (cntBKJie_(C, E, j) >= limit)
                return refuse(Refusal::SubjectPeriodCap);
        }
    }
    if (const int t = condTea ? at2(o.JieOptT, D, j) : 0; t != 0 && cntTJie_(D, j) >= std::abs(t))
        return refuse(Refusal::TeacherPeriodCap);
    if (condKe) {
        const int a = at3(o.DayOptBK, C, E, w), b = at3(o.DayOptBK, 0, E, w);
        if (a != 0 || b != 0) {
            const int limit = a != 0 ? std::abs(a) : std::abs(b);
            if (cntBKDay_(C, E, d) >= limit)
                return refuse(Refusal::SubjectDayCap);
        }
    }
    if (const int t = condTea ? at2(o.DayOptT, D, w) : 0; t != 0 && cntTDay_(D, d) >= std::abs(t))
        return refuse(Refusal::TeacherDayCap);
    if (hasPosJieBK_[R] && at3(o.JieOptBK, C, E, j) < 1 && at3(o.JieOptBK, 0, E, j) < 1) {
        for (int i = 1; i <= P_; ++i) {
            const int x = at3(o.JieOptBK, C, E, i), y = at3(o.JieOptBK, 0, E, i);
            if (x > 0 || y > 0) {
                const int c = cntBKJie_(C, E, i);
                if (c < x || c < y)
                    return refuse(Refusal::SubjectPeriodFirst);
            }
        }
    }
    if (hasPosJieT_[D] && at2(o.JieOptT, D, j) < 1) {
        for (int i = 1; i <= P_; ++i) {
            const int v = at2(o.JieOptT, D, i);
            if (v > 0 && cntTJie_(D, i) < v)
                return refuse(Refusal::TeacherPeriodFirst);
        }
    }
    if (hasPosDayBK_[R] && at3(o.DayOptBK, C, E, w) < 1 && at3(o.DayOptBK, 0, E, w) < 1) {
        for (int d2 = 1; d2 <= days_; ++d2) {
            const int w2 = sc_.DayToWeek[d2];
            const int x = at3(o.DayOptBK, C, E, w2), y = at3(o.DayOptBK, 0, E, w2);
            if (x > 0 || y > 0) {
                const int c = cntBKDay_(C, E, d2);
                if (c < x || c < y)
                    return refuse(Refusal::SubjectDayFirst);
            }
        }
    }
    if (hasPosDayT_[D] && at2(o.DayOptT, D, w) < 1) {
        for (int d2 = 1; d2 <= days_; ++d2) {
            const int v = at2(o.DayOptT, D, sc_.DayToWeek[d2]);
            if (v > 0 && cntTDay_(D, d2) < v)
                return refuse(Refusal::TeacherDayFirst);
        }
    }
    if (const int X = partner_[D]; X > 0 && g_.Renke_T(X, J) >= 0)
        return refuse(Refusal::Exclusion);
    if (markKe == model::MarkCertain || markTea == model::MarkCertain)
        score += kCertainBonus;
    // A combined lesson goes to every class of its group at once, so each member that still
    // has a lesson to place must find this slot free and acceptable.
    if (sc_.RenkeHeban[R] > 0 && !hebanPass) {
        for (int M : mates_[R]) {
            if (keep_[ban(M)] || left(M) <= 0)
                continue;
            if (g_.Renke_B(ban(M), J) != -1 || PaiRank(M, J, true) < minScore_)
                return refuse(Refusal::CombinedGroup);
        }
    }
    bool completesDouble = false;
    if (const int lian = sc_.KemuLianpai[E]; lian > 0) {
        const int doubles = adj_[R];
        const bool prevN = neighbour(J - 1, J), nextN = neighbour(J, J + 1);
        if (doubles < lian && singles_[R] > 0) {
            const bool a = prevN && isSingle(R, J - 1) && g_.Renke_B(C, J + 1) != R;
            const bool b = nextN && isSingle(R, J + 1) && g_.Renke_B(C, J - 1) != R;
            if (!a && !b)
                return refuse(Refusal::Double);
            completesDouble = true;
        } else if ((prevN && g_.Renke_B(C, J - 1) == R) || (nextN && g_.Renke_B(C, J + 1) == R)) {
            return refuse(Refusal::Double);
        } else if (doubles < lian && !pairable_(C, J) && left(R) <= 2 * (lian - doubles)) {
            // Every lesson left is needed for the doubles still wanted: none may go where it
            // could never be paired.
            return refuse(Refusal::Double);
        }
    } else {
        auto hasE = [&](int s) {
            const int x = g_.Renke_B(C, s);
            return x >= 0 && ke(x) == E;
        };
        if ((neighbour(J - 1, J) && hasE(J - 1)) || (neighbour(J, J + 1) && hasE(J + 1))) {
            if (noLian_ == 2)
                return refuse(Refusal::NoDouble);
        } else {
            score += 10;
        }
    }
    // The slot that completes a wanted double earns what a lesson away from its subject would.
    if (completesDouble)
        score += 10;
    if (markKe == model::MarkPrefer)
        score += 20;
    if (markTea == model::MarkPrefer)
        score += 20;
    if (g_.RenkePlaced[R] == 0 || inStep(R, J))
        score += 50;
    else if (align_ == 2)
        return refuse(Refusal::Align);
    if (cntBK_(C, E) == 0) {
        score += 20;
    } else if (completesDouble) {
        score += 30;
    } else {
        // |s - J| < N / lessons, in whole numbers: |s - J| * lessons < N.
        const int per = sc_.RenkeJieshu[R];
        bool near = false;
        for (int M : sameBK_[R]) {
            const auto& v = slotsOf_[M];
            auto it = std::lower_bound(v.begin(), v.end(), J);
            if ((it != v.end() && (*it - J) * per < N_) || (it != v.begin() && (J - *(it - 1)) * per < N_)) {
                near = true;
                break;
            }
        }
        if (!near)
            score += 30;
    }
    if (cntTDay_(D, d) + 1 <= teaAvg_[D])
        score += 5;
    if (teaDay_ < 3) {
        const bool same = cntTDaySec_(D, d, sec) > 0;
        const bool other = cntTDay_(D, d) - cntTDaySec_(D, d, sec) > 0;
        if (same && !other && teaDay_ == 1)
            score += 10;
        if (other && !same && teaDay_ == 2)
            score += 10;
    }
    return score;
}

bool Engine::inStep(int R, int J) const
{
    if (g_.RenkePlaced[R] == 0)
        return true;
    const auto& mine = slotsOf_[R];
    const int a = upTo_(R, J);
    const int after = a < static_cast<int>(mine.size()) ? mine[a] : -1;
    for (int M : peers_[R]) {
        if (g_.RenkePlaced[M] != sc_.RenkeJieshu[M])
            continue;
        const std::int16_t* theirs = upTo_.row(M);
        const int b = theirs[J];
        if (b != a && b != a + 1)
            return false;
        if (after > 0) {
            const int b2 = theirs[after];
            if (b2 != a + 1 && b2 != a + 2)
                return false;
        }
    }
    return true;
}

// --- The search.

namespace {
// Descending sort with the exact tie order of the original quicksort.
void aQuickSort(std::vector<int>& score, std::vector<int>& slot, int lo, int hi)
{
    while (true) {
        const int pivot = score[(lo + hi) / 2];
        int i = lo, j = hi;
        do {
            while (score[i] > pivot)
                ++i;
            while (score[j] < pivot)
                --j;
            if (i <= j) {
                std::swap(score[i], score[j]);
                std::swap(slot[i], slot[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (lo < j)
            aQuickSort(score, slot, lo, j);
        if (i < hi) {
            lo = i;  // the tail call of the second half, as a loop
            continue;
        }
        return;
    }
}
}  // namespace

void Engine::progress()
{
    if (!progress_ || total_ <= 0)
        return;
    const int p = static_cast<int>(static_cast<long long>(placedCount_) * 100 / total_);
    const int leftNow = total_ - placedCount_;
    // In the repair the count left is what the user watches; the passes move too fast for it.
    const bool leftChanged = stage_ == Stage::Repair && leftNow != shownLeft_;
    if (p != percent_ || leftChanged) {
        percent_ = p;
        shownLeft_ = leftNow;
        progress_({stage_, p, leftNow});
    }
}

void Engine::setStage(Stage s)
{
    stage_ = s;
    percent_ = -1;
    progress();
}

bool Engine::stepAndCheckCancel()
{
    ++steps_;
    if (stepHook_)
        stepHook_(steps_);
    if (stepBudget_ > 0 && steps_ >= stepBudget_)
        budgetSpent_ = true;
    if (inPasses_ && passStepBudget_ > 0 && steps_ >= passStepBudget_)
        passesStopped_ = true;

    // The clock is read now and then: often enough to stop within a few milliseconds.
    if (deadline_ && (steps_ & 63) == 0 && std::chrono::steady_clock::now() >= *deadline_)
        timedOut_ = true;
    return stopped();
}

bool Engine::eligible(int i) const
{
    return sc_.RenkeJieshu[i] > 0 && left(i) > 0 && !keep_[ban(i)] && fails_[i] < maxFails_;
}

int Engine::chooseNext(int R) const
{
    // An assignment that has failed as often as the strength allows no longer continues the
    // chain with itself: with more lessons than its class can hold, every order of its
    // lessons would be tried before the run could end.
    if (left(R) >= 2 && fails_[R] < maxFails_)
        return R;
    for (auto it = withOwnCond_.rbegin(); it != withOwnCond_.rend(); ++it)
        if (*it != R && eligible(*it))
            return *it;
    for (int i : sameKeJi_[R])
        if (i != R && eligible(i))
            return i;
    return firstEligible(R);
}

int Engine::Pai(int R, int X)
{
    // A stop returns success, so that every call up the chain returns at once.
    if (stepAndCheckCancel())
        return 0;
    const int C = ban(R);
    std::vector<int> score(N_), slot(N_);
    for (int s = 1; s <= N_; ++s) {
        score[s - 1] = PaiRank(R, s);
        slot[s - 1] = s;
    }
    if (N_ > 0)
        aQuickSort(score, slot, 0, N_ - 1);
    int q = X == -1 ? chooseNext(R) : -1;
    // A combined placement can use up the lessons of the member chosen to continue with.
    auto continueWith = [&]() {
        if (q >= 0 && left(q) <= 0)
            q = chooseNext(R);
        return q;
    };

    for (int k = 0; k < N_; ++k) {
        if (score[k] < minScore_)
            break;
        const int s = slot[k];
        if (g_.Renke_B(C, s) != -1 || s == X)
            continue;
        // Deeper calls may have changed the grids since the scores were taken.
        if (X == -1 && PaiRank(R, s) < minScore_)
            continue;
        Record rec = placeLesson(R, s, score[k]);
        progress();
        if (X != -1) {
            lastPlace_ = rec;
            return s;
        }
        const int next = continueWith();
        if (next == -1 || chainFrom(next) >= 0)
            return s;
        undoPlace(rec);
        progress();
    }

    if (X == -1) {
        for (int k = 0; k < N_; ++k) {
            if (score[k] < minScore_)
                break;
            const int s = slot[k];
            const int O = g_.Renke_B(C, s);
            if (O < 0 || O == R || !movable(C, s))
                continue;
            Record off = removeLesson(C, s);
            const int v = placeOnBestSlot(O, s);
            if (v < 0) {
                restore(off);
                continue;
            }
            if (stopped())
                return s;
            Record moved = lastPlace_;
            if (PaiRank(R, s) < minScore_)
                continue;  // O stays on its new slot and s stays free
            Record rec = placeLesson(R, s, score[k]);
            progress();
            const int next = continueWith();
            if (next == -1 || chainFrom(next) >= 0)
                return s;
            undoPlace(moved);
            undoPlace(rec);
            restore(off);
            progress();
        }
        fails_[R]++;
        updateEligible(R);
    }
    return -1;
}

bool Engine::movable(int b, int s) const
{
    const int r = g_.Renke_B(b, s);
    if (r < 0 || keep_[b] || g_.Teshu_B(b, s) >= kImmovableScore)
        return false;
    for (int M : mates_[r])
        if (g_.Renke_B(ban(M), s) == M && (keep_[ban(M)] || g_.Teshu_B(ban(M), s) >= kImmovableScore))
            return false;
    return true;
}

void Engine::PaiTeshu()
{
    const int n = sc_.renkeSize();
    for (int R = 0; R < n && !stopped(); ++R) {
        if (sc_.RenkeJieshu[R] <= 0 || keep_[ban(R)])
            continue;
        const int C = ban(R), D = tea(R), E = ke(R);
        for (int s = 1; s <= N_; ++s) {
            const int d = sl_.SlotDay[s], j = sl_.SlotJie[s];
            if (sc_.TeshuKe(E, C, d, j) != model::MarkCertain && sc_.TeshuTea(D, d, j) != model::MarkCertain)
                continue;
            if (g_.Renke_B(C, s) != -1 || left(R) <= 0)
                continue;
            const int sc = PaiRank(R, s);
            if (sc >= minScore_) {
                placeLesson(R, s, sc);
                progress();
            }
        }
        if (sc_.RenkeHeban[R] > 0 || sc_.KemuLianpai[E] > 0) {
            const int k = left(R);
            for (int i = 0; i < k && !stopped(); ++i) {
                if (left(R) <= 0)
                    break;
                placeOnBestSlot(R);
                progress();
            }
        }
    }
}

void Engine::runPass(int a)
{
    if (a < 0)
        return;
    const int n = sc_.renkeSize();
    int restarts = 0;
    while (!stopped()) {
        if (chainFrom(a) >= 0)
            return;
        if (restartBudget_ > 0 && restarts >= restartBudget_)
            return;
        // One stuck assignment must not end the pass: the next chain starts from the next
        // assignment that can still be tried.
        int found = -1;
        for (int k = 1; k <= n; ++k) {
            const int i = (a + k) % n;
            if (eligible(i)) {
                found = i;
                break;
            }
        }
        if (found < 0)
            return;
        a = found;
        ++restarts;
        ++restarts_;
    }
}

void Engine::run(int startR, bool doRepair)
{
    inPasses_ = true;
    setStage(Stage::Special);
    PaiTeshu();
    const int n = sc_.renkeSize();
    const int filled = std::min(sc_.RenKeNum, n);
    int a = -1;
    if (filled > 0 && !stopped()) {
        int r = ((startR % filled) + filled) % filled;
        for (int k = 0; k < filled; ++k) {
            const int i = (r + k) % filled;
            if (sc_.RenkeJieshu[i] > 0 && g_.RenkePlaced[i] == 0 && !keep_[ban(i)]) {
                a = i;
                break;
            }
        }
    }
    auto firstLeft = [&]() {
        for (int i = 0; i < n; ++i)
            if (sc_.RenkeJieshu[i] > 0 && left(i) > 0 && !keep_[ban(i)])
                return i;
        return -1;
    };
    // Everything may already stand after the special lessons: go on as the second pass would.
    if (a < 0)
        a = firstLeft();
    setStage(Stage::FirstPass);
    // The first pass leaves a share of the passes' steps to the second.
    const long long passBudget = passStepBudget_;
    if (passBudget > 0 && minScore_ > 1)
        passStepBudget_ = steps_ + (passBudget - steps_) * 2 / 3;
    runPass(a);

    passStepBudget_ = passBudget;
    passesStopped_ = passBudget > 0 && steps_ >= passBudget;
    if (!stopped() && minScore_ > 1) {
        minScore_ = lowerMinScore(minScore_);
        std::fill(fails_.begin(), fails_.end(), 0);
        for (int r = 0; r < n; ++r)
            updateEligible(r);
        setStage(Stage::SecondPass);
        runPass(firstLeft());
    }
    inPasses_ = false;
    placedByPasses_ = placedCount_;

    if (doRepair && !cancelled() && !budgetSpent_ && !timedOut_ && placedCount_ < total_) {
        setStage(Stage::Repair);
        repair();
    }
    setStage(Stage::Done);
}

std::map<std::string, int> Engine::refusals(int R)
{
    std::map<std::string, int> out;
    const int C = ban(R);
    for (int s = 1; s <= N_; ++s) {
        if (g_.Renke_B(C, s) != -1 || gudin_(C, s))
            continue;
        Refusal why{};
        if (PaiRank(R, s, false, &why) == 0)
            out[refusalName(why)]++;
    }
    return out;
}

bool Engine::countsConsistent() const
{
    const int B = sc_.MaxBanID + 1, K = sc_.KemuOldNum + 1, T = sc_.TeaOldNum + 1;
    Array2<int> keSlot(K, N_ + 2, 0), bk(B, K, 0);
    Array3<int> bkJie(B, K, P_ + 1, 0), bkDay(B, K, 8, 0);
    Array2<int> tJie(T, P_ + 1, 0), tDay(T, 8, 0);
    std::vector<int> placed(sc_.renkeSize(), 0);
    for (int b = 1; b < B; ++b)
        for (int s = 1; s <= N_; ++s)
            if (int r = g_.Renke_B(b, s); r >= 0) {
                keSlot(ke(r), s)++;
                bk(b, ke(r))++;
                bkJie(b, ke(r), sl_.SlotJie[s])++;
                bkDay(b, ke(r), sl_.SlotDay[s])++;
                placed[r]++;
            }
    for (int t = 1; t < T; ++t)
        for (int s = 1; s <= N_; ++s)
            if (g_.Renke_T(t, s) >= 0) {
                tJie(t, sl_.SlotJie[s])++;
                tDay(t, sl_.SlotDay[s])++;
            }
    for (int t = 1; t < T; ++t)
        for (int d = 1; d <= days_; ++d) {
            int sum = 0;
            for (int sec = 1; sec <= 3; ++sec)
                sum += cntTDaySec_(t, d, sec);
            if (sum != tDay(t, d))
                return false;
        }
    return keSlot == cntKeSlot_ && bk == cntBK_ && bkJie == cntBKJie_ && bkDay == cntBKDay_ && tJie == cntTJie_ &&
           tDay == cntTDay_ && placed == g_.RenkePlaced;
}

// --- After the passes: the repair on the hard rules alone (repair.cpp).

void Engine::repair()
{
    Repairer(*this, seed_).run();
}

// --- Preparing and running.

std::vector<std::uint8_t> keepFromChoice(const model::School& s, const std::vector<int>& classes)
{
    std::vector<std::uint8_t> keep(s.MaxBanID + 1, 0);
    if (classes.empty())
        return keep;
    for (int b = 1; b <= s.MaxBanID; ++b)
        keep[b] = 1;
    for (int b : classes)
        if (b >= 1 && b <= s.MaxBanID)
            keep[b] = 0;
    return keep;
}

std::vector<KeptLesson> loadKeptLessons(store::Store& st, const model::School& s,
                                        const std::vector<std::uint8_t>& keep)
{
    std::vector<KeptLesson> out;
    for (const model::StoredLesson& l : model::readKechen(st, s))
        if (l.ban >= 1 && l.ban <= s.MaxBanID && keep[l.ban])
            out.push_back({l.ban, l.slot, l.r, l.teshu});
    return out;
}

namespace {
// The caller's stack would overflow on a long week; better no run than a crash.
[[noreturn]] void refuseWithoutWorker(pthread_attr_t& attr)
{
    pthread_attr_destroy(&attr);
    throw std::runtime_error("无法为排课创建工作线程（内存不足），未排课。");
}
}  // namespace

void runWithLargeStack(const std::function<void()>& f, std::size_t stackBytes)
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    // Each level of a chain is one lesson; the sanitizers need far more stack per level.
    if (pthread_attr_setstacksize(&attr, stackBytes) != 0)
        refuseWithoutWorker(attr);
    struct Ctx {
        const std::function<void()>* f;
        std::exception_ptr error;
    } ctx{&f, nullptr};
    pthread_t th;
    auto body = [](void* p) -> void* {
        auto* c = static_cast<Ctx*>(p);
        try {
            (*c->f)();
        } catch (...) {
            c->error = std::current_exception();
        }
        return nullptr;
    };
    if (pthread_create(&th, &attr, body, &ctx) != 0)
        refuseWithoutWorker(attr);
    pthread_join(th, nullptr);
    pthread_attr_destroy(&attr);
    if (ctx.error)
        std::rethrow_exception(ctx.error);
}

long long passStepsFor(int lessons)
{
    return 20LL * lessons + 2000;
}

RunResult runSchedule(store::Store& st, const model::School& school, const RunRequest& req)
{
    const auto t0 = std::chrono::steady_clock::now();
    RunResult res;
    res.banKeep = keepFromChoice(school, req.classes);
    auto kept = loadKeptLessons(st, school, res.banKeep);

    res.seed = req.seed ? *req.seed
                        : static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const int filled = std::min(school.RenKeNum, school.renkeSize());
    if (req.start)
        res.startR = *req.start;
    else if (filled > 0) {
        std::mt19937 rng(res.seed);
        res.startR = std::uniform_int_distribution<int>(0, filled - 1)(rng);
    }

    res.obstacles = findObstacles(school, res.banKeep, kept);
    Engine e(school, req.opts);
    e.setKept(res.banKeep, kept);
    e.setLessonsThatCannotStand(lessonsThatCannotStand(res.obstacles));
    e.setCancelFlag(req.cancel);
    e.setProgress(req.progress);
    e.setStepHook(req.stepHook);
    e.setRestartBudget(req.restartBudget);
    e.setFailBudget(req.failBudget < 0 ? (req.repair ? kRepairFailBudget : 0) : req.failBudget);
    e.setStepBudget(req.stepBudget);
    if (req.repair)
        e.setPassStepBudget(req.passStepBudget < 0 ? passStepsFor(e.total()) : req.passStepBudget);
    if (req.timeLimit > 0)
        e.setDeadline(t0 + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                               std::chrono::duration<double>(req.timeLimit)));
    // The repair's draws follow from the run's start, so a replay by --start is exact too.
    e.setSeed(static_cast<std::uint32_t>(res.startR) * 2654435761u + 1u);
    runWithLargeStack([&] { e.run(res.startR, req.repair); });

    res.cancelled = e.cancelled();
    res.budgetSpent = e.budgetSpent();
    res.timedOut = e.timedOut();
    res.total = e.total();
    res.placed = e.placedCount();
    res.placedByPasses = e.placedByPasses();
    res.rankCalls = e.rankCalls();
    res.steps = e.steps();
    res.repairMoves = e.repairMoves();
    res.restarts = e.restarts();
    res.swept = e.sweptLessons();
    res.repaired = e.repairedLessons();
    if (!res.cancelled) {
        for (int r = 0; r < school.renkeSize(); ++r) {
            if (school.RenkeJieshu[r] <= 0 || res.banKeep[school.RenkeBan[r]])
                continue;
            const int d = school.RenkeJieshu[r] - e.grids().RenkePlaced[r];
            if (d == 0)
                continue;
            Unplaced u;
            u.renke = r;
            u.ban = school.RenkeBan[r];
            u.tea = school.RenkeTea[r];
            u.ke = school.RenkeKe[r];
            u.count = d;
            if (d > 0)
                u.refusedBy = e.refusals(r);
            res.unplaced.push_back(std::move(u));
        }
    }
    res.grids = e.grids();
    if (!res.cancelled && req.polish) {
        PolishRequest pr;
        pr.opts = req.opts;
        pr.seed = res.seed;
        pr.stepBudget = req.polishBudget < 0 ? polishStepsFor(res.total) : req.polishBudget;
        if (req.polishBudget < 0)
            pr.workBudget = polishWorkAfterSearch(res.steps);
        pr.cancel = req.cancel;
        if (req.progress)
            pr.progress = [&](int percent) { req.progress(Progress{Stage::Polish, percent, res.total - res.placed}); };
        auto p = polishAfterRun(e, school, res.banKeep, pr);
        // A cancelled polish cancels the run: nothing is written.
        res.cancelled = p.cancelled;
        res.polished = !p.cancelled;
        if (res.polished)
            res.grids = std::move(p.grids);
        p.grids = {};
        res.polish = std::move(p);
    }
    res.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return res;
}

}  // namespace tavrin::scheduler
