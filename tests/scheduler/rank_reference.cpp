#include "rank_reference.h"

#include <cmath>
#include <cstdlib>

namespace tavrin::testing {

namespace {

struct Ctx {
    const model::School& s;
    const model::Grids& g;
    const std::vector<std::uint8_t>& keep;
    const scheduler::PaiOptions& o;
    int minScore;
    int N, P;

    int subjectAt(int b, int x) const
    {
        int r = g.Renke_B(b, x);
        return r >= 0 ? s.RenkeKe[r] : 0;
    }
    bool teaches(int t, int x) const { return g.Renke_T(t, x) >= 0; }
    bool nb(int a, int b) const
    {
        return a >= 1 && a <= N && b >= 1 && b <= N && s.slots.SlotDay[a] == s.slots.SlotDay[b] &&
               s.slots.SlotSection[a] == s.slots.SlotSection[b];
    }
    int cond3(const model::Array3<int>& a, int i, int j, int k) const { return a.inside(i, j, k) ? a(i, j, k) : 0; }
    int cond2(const model::Array2<int>& a, int i, int j) const { return a.inside(i, j) ? a(i, j) : 0; }
    bool fixedAt(int b, int x) const { return s.GudinKe.inside(b, x) && !s.GudinKe(b, x).empty(); }
    bool single(int r, int x) const
    {
        int b = s.RenkeBan[r];
        if (g.Renke_B(b, x) != r)
            return false;
        return !(nb(x - 1, x) && g.Renke_B(b, x - 1) == r) && !(nb(x, x + 1) && g.Renke_B(b, x + 1) == r);
    }
    // A single lesson counts as waiting for its pair only where a neighbour could ever take one.
    bool waiting(int r, int x) const
    {
        int b = s.RenkeBan[r];
        return single(r, x) && ((nb(x - 1, x) && !fixedAt(b, x - 1)) || (nb(x, x + 1) && !fixedAt(b, x + 1)));
    }

    int rank(int R, int J, bool hebanPass) const
    {
        const int C = s.RenkeBan[R], D = s.RenkeTea[R], E = s.RenkeKe[R];
        const int d = s.slots.SlotDay[J], j = s.slots.SlotJie[J], sec = s.slots.SlotSection[J];
        const int w = s.DayToWeek[d];
        const auto& c = s.opt;
        int score = 1;
        if (fixedAt(C, J))
            return 0;
        if (s.TeshuKe(E, C, d, j) == 3 || s.TeshuTea(D, d, j) == 3)
            return 0;
        auto mate = [&](int M) {
            return M != R && s.RenkeJieshu[M] > 0 && s.RenkeHeban[R] > 0 && s.RenkeHeban[M] == s.RenkeHeban[R] &&
                   s.RenkeTea[M] == D;
        };
        auto lessonsOf = [&](int M) {
            int n = 0;
            for (int x = 1; x <= N; ++x)
                if (g.Renke_B(s.RenkeBan[M], x) == M)
                    ++n;
            return n;
        };
        if (s.KemuMaxJie[E] > 0) {
            int n = 0;
            for (int b = 1; b <= s.MaxBanID; ++b)
                if (b != C && subjectAt(b, J) == E)
                    ++n;
            // The classes of the combined group that come along.
            for (int M = 0; M < s.renkeSize() && !hebanPass; ++M)
                if (mate(M) && !keep[s.RenkeBan[M]] && lessonsOf(M) < s.RenkeJieshu[M] && s.RenkeKe[M] == E &&
                    g.Renke_B(s.RenkeBan[M], J) == -1)
                    ++n;
            if (n >= s.KemuMaxJie[E])
                return 0;
        }
        if (int G = g.Renke_T(D, J); G >= 0)
            if (!(s.RenkeHeban[R] >= 1 && G != R && s.RenkeHeban[G] == s.RenkeHeban[R]))
                return 0;
        {
            // A kept class of the group fixes where the combined lesson stands.
            std::vector<int> keptSlots;
            for (int x = 1; x <= N; ++x)
                for (int M = 0; M < s.renkeSize(); ++M)
                    if (mate(M) && keep[s.RenkeBan[M]] && g.Renke_B(s.RenkeBan[M], x) == M) {
                        keptSlots.push_back(x);
                        break;
                    }
            int mine = 0;
            bool atKept = false;
            for (int x : keptSlots) {
                mine += g.Renke_B(C, x) == R;
                atKept = atKept || x == J;
            }
            if (!keptSlots.empty() && mine < static_cast<int>(keptSlots.size()) && !atKept)
                return 0;
        }
        auto daysWithKeAt = [&](int jj) {
            int n = 0;
            for (int dd = 1; dd <= s.theDay; ++dd)
                if (subjectAt(C, model::slotOf(dd, jj, P)) == E)
                    ++n;
            return n;
        };
        auto daysTeaAt = [&](int jj) {
            int n = 0;
            for (int dd = 1; dd <= s.theDay; ++dd)
                if (teaches(D, model::slotOf(dd, jj, P)))
                    ++n;
            return n;
        };
        auto keOnDay = [&](int dd) {
            int n = 0;
            for (int jj = 1; jj <= P; ++jj)
                if (subjectAt(C, model::slotOf(dd, jj, P)) == E)
                    ++n;
            return n;
        };
        auto teaOnDay = [&](int dd) {
            int n = 0;
            for (int jj = 1; jj <= P; ++jj)
                if (teaches(D, model::slotOf(dd, jj, P)))
                    ++n;
            return n;
        };
        {
            int a = cond3(c.JieOptBK, C, E, j), b = cond3(c.JieOptBK, 0, E, j);
            if ((a || b) && daysWithKeAt(j) >= (a ? std::abs(a) : std::abs(b)))
                return 0;
        }
        if (int t = cond2(c.JieOptT, D, j); t && daysTeaAt(j) >= std::abs(t))
            return 0;
        {
            int a = cond3(c.DayOptBK, C, E, w), b = cond3(c.DayOptBK, 0, E, w);
            if ((a || b) && keOnDay(d) >= (a ? std::abs(a) : std::abs(b)))
                return 0;
        }
        if (int t = cond2(c.DayOptT, D, w); t && teaOnDay(d) >= std::abs(t))
            return 0;
        if (cond3(c.JieOptBK, C, E, j) < 1 && cond3(c.JieOptBK, 0, E, j) < 1)
            for (int i = 1; i <= P; ++i) {
                int x = cond3(c.JieOptBK, C, E, i), y = cond3(c.JieOptBK, 0, E, i);
                if ((x > 0 || y > 0) && (daysWithKeAt(i) < x || daysWithKeAt(i) < y))
                    return 0;
            }
        if (cond2(c.JieOptT, D, j) < 1)
            for (int i = 1; i <= P; ++i)
                if (int v = cond2(c.JieOptT, D, i); v > 0 && daysTeaAt(i) < v)
                    return 0;
        if (cond3(c.DayOptBK, C, E, w) < 1 && cond3(c.DayOptBK, 0, E, w) < 1)
            for (int dd = 1; dd <= s.theDay; ++dd) {
                int ww = s.DayToWeek[dd];
                int x = cond3(c.DayOptBK, C, E, ww), y = cond3(c.DayOptBK, 0, E, ww);
                if ((x > 0 || y > 0) && (keOnDay(dd) < x || keOnDay(dd) < y))
                    return 0;
            }
        if (cond2(c.DayOptT, D, w) < 1)
            for (int dd = 1; dd <= s.theDay; ++dd)
                if (int v = cond2(c.DayOptT, D, s.DayToWeek[dd]); v > 0 && teaOnDay(dd) < v)
                    return 0;
        // One partner per teacher: a pair counts while both still name each other.
        auto partnerOf = [&](int t) {
            return t >= 1 && t < static_cast<int>(c.TeaExclusive.size()) ? c.TeaExclusive[t] : 0;
        };
        if (int X = partnerOf(D); X > 0 && X != D && partnerOf(X) == D && teaches(X, J))
            return 0;
        if (s.TeshuKe(E, C, d, j) == 2 || s.TeshuTea(D, d, j) == 2)
            score += 1000;
        if (s.RenkeHeban[R] > 0 && !hebanPass) {
            for (int M = 0; M < s.renkeSize(); ++M) {
                if (M == R || s.RenkeJieshu[M] <= 0 || s.RenkeHeban[M] != s.RenkeHeban[R] || s.RenkeTea[M] != D)
                    continue;
                int placedM = 0;
                for (int x = 1; x <= N; ++x)
                    if (g.Renke_B(s.RenkeBan[M], x) == M)
                        ++placedM;
                if (keep[s.RenkeBan[M]] || placedM >= s.RenkeJieshu[M])
                    continue;
                if (g.Renke_B(s.RenkeBan[M], J) != -1 || rank(M, J, true) < minScore)
                    return 0;
            }
        }
        bool completes = false;
        if (int lian = s.KemuLianpai[E]; lian > 0) {
            int nbHolding = 0;
            bool anyWaiting = false;
            for (int x = 1; x <= N; ++x)
                if (g.Renke_B(C, x) == R) {
                    if (nb(x - 1, x) && g.Renke_B(C, x - 1) == R)
                        ++nbHolding;
                    if (nb(x, x + 1) && g.Renke_B(C, x + 1) == R)
                        ++nbHolding;
                    if (waiting(R, x))
                        anyWaiting = true;
                }
            if (nbHolding / 2 < lian && anyWaiting) {
                bool a = nb(J - 1, J) && single(R, J - 1) && g.Renke_B(C, J + 1) != R;
                bool b = nb(J, J + 1) && single(R, J + 1) && g.Renke_B(C, J - 1) != R;
                if (!a && !b)
                    return 0;
                completes = true;
            } else if ((nb(J - 1, J) && g.Renke_B(C, J - 1) == R) || (nb(J, J + 1) && g.Renke_B(C, J + 1) == R)) {
                return 0;
            } else {
                bool canPair = (nb(J - 1, J) && !fixedAt(C, J - 1)) || (nb(J, J + 1) && !fixedAt(C, J + 1));
                int left = s.RenkeJieshu[R];
                for (int x = 1; x <= N; ++x)
                    if (g.Renke_B(C, x) == R)
                        --left;
                if (nbHolding / 2 < lian && !canPair && left <= 2 * (lian - nbHolding / 2))
                    return 0;
            }
        } else {
            if ((nb(J - 1, J) && subjectAt(C, J - 1) == E) || (nb(J, J + 1) && subjectAt(C, J + 1) == E)) {
                if (o.noLian == 2)
                    return 0;
            } else {
                score += 10;
            }
        }
        if (completes)
            score += 10;
        if (s.TeshuKe(E, C, d, j) == 1)
            score += 20;
        if (s.TeshuTea(D, d, j) == 1)
            score += 20;
        auto countUpTo = [&](int r, int b, int upto) {
            int n = 0;
            for (int x = 1; x <= upto; ++x)
                if (g.Renke_B(b, x) == r)
                    ++n;
            return n;
        };
        auto placedOf = [&](int r) { return countUpTo(r, s.RenkeBan[r], N); };
        if (placedOf(R) == 0) {
            score += 50;
        } else {
            int a = countUpTo(R, C, J);
            int after = -1;
            for (int x = J + 1; x <= N; ++x)
                if (g.Renke_B(C, x) == R) {
                    after = x;
                    break;
                }
            bool ok = true;
            for (int M = 0; M < s.renkeSize() && ok; ++M) {
                if (M == R || s.RenkeJieshu[M] <= 0 || s.RenkeKe[M] != E)
                    continue;
                int C2 = s.RenkeBan[M];
                if (C2 == C || s.BanInJi[C2] != s.BanInJi[C] || placedOf(M) != s.RenkeJieshu[M])
                    continue;
                int b = countUpTo(M, C2, J);
                if (b != a && b != a + 1)
                    ok = false;
                else if (after > 0) {
                    int b2 = countUpTo(M, C2, after);
                    if (b2 != a + 1 && b2 != a + 2)
                        ok = false;
                }
            }
            if (ok)
                score += 50;
            else if (o.align == 2)
                return 0;
        }
        int T = 0;
        for (int x = 1; x <= N; ++x)
            if (subjectAt(C, x) == E)
                ++T;
        if (T == 0) {
            score += 20;
        } else if (completes) {
            score += 30;
        } else {
            double gap = static_cast<double>(N) / s.RenkeJieshu[R];
            bool near = false;
            for (int x = 1; x <= N; ++x)
                if (subjectAt(C, x) == E && std::abs(x - J) < gap)
                    near = true;
            if (!near)
                score += 30;
        }
        int L = 0;
        for (int r = 0; r < s.renkeSize(); ++r)
            if (s.RenkeTea[r] == D)
                L += s.RenkeJieshu[r];
        int avg = static_cast<int>(std::lround(static_cast<double>(L) / s.theDay));
        if (teaOnDay(d) + 1 <= avg)
            score += 5;
        if (o.teaDay < 3) {
            bool same = false, other = false;
            for (int jj = 1; jj <= P; ++jj) {
                int x = model::slotOf(d, jj, P);
                if (teaches(D, x)) {
                    if (s.slots.SlotSection[x] == sec)
                        same = true;
                    else
                        other = true;
                }
            }
            if (same && !other && o.teaDay == 1)
                score += 10;
            if (other && !same && o.teaDay == 2)
                score += 10;
        }
        return score;
    }
};

}  // namespace

int referenceRank(const model::School& s, const model::Grids& g, const std::vector<std::uint8_t>& keep,
                  const scheduler::PaiOptions& o, int minScore, int R, int J, bool hebanPass)
{
    Ctx c{s, g, keep, o, minScore, s.N(), s.P()};
    return c.rank(R, J, hebanPass);
}

}  // namespace tavrin::testing
