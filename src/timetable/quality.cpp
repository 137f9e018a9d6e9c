#include "timetable/quality.h"

#include "timetable/checker.h"

#include <algorithm>

namespace tavrin::timetable {

int dayRepeats(const model::School& s, const model::Grids& g, int b, int d)
{
    const int P = s.P();
    int row[65];
    for (int j = 1; j <= P && j <= 64; ++j)
        row[j] = g.Renke_B(b, model::slotOf(d, j, P));
    return dayRepeats(s, d, row);
}

int dayRepeats(const model::School& s, int d, const int* renke)
{
    // Rows hold at most 64 periods: a day has far fewer. The polish weighs every move with
    // this, so it reads the school through plain pointers.
    const int P = s.P(), J = std::min(P, 64), R = s.renkeSize();
    const int* keOf = s.RenkeKe.data();
    const std::uint8_t* lianpai = s.KemuLianpai.data();
    const int* section = s.slots.SlotSection.data() + model::slotOf(d, 0, P);
    // Subjects of the day and the doubles among them; a day has few periods. Every subject's
    // lessons beyond its first and its doubles repeat: lessons - doubles - subjects in all.
    int kes[64], pairs[64];
    int n = 0, lessons = 0, doubles = 0;
    int prevR = -1, prevSection = -1;
    bool prevPaired = false;
    for (int j = 1; j <= J; ++j) {
        const int r = renke[j];
        if (r < 0 || r >= R) {
            prevR = -1;
            continue;
        }
        const int k = keOf[r];
        int i = 0;
        while (i < n && kes[i] != k)
            ++i;
        if (i == n) {
            if (n == 64)
                break;
            kes[n] = k;
            pairs[n] = 0;
            ++n;
        }
        ++lessons;
        const int sec = section[j];
        const bool joins = prevR == r && !prevPaired && sec == prevSection && pairs[i] < lianpai[k];
        if (joins) {
            ++pairs[i];
            ++doubles;
        }
        prevPaired = joins;
        prevR = r;
        prevSection = sec;
    }
    return lessons - doubles - n;
}

int dayGaps(const model::School& s, const model::Grids& g, int t, int d)
{
    const int P = s.P(), J = std::min(P, 64);
    int row[65];
    for (int j = 1; j <= J; ++j)
        row[j] = g.Renke_T(t, model::slotOf(d, j, P));
    return dayGaps(J, row);
}

int dayGaps(int P, const int* renke)
{
    int first = -1, last = -1, busy = 0;
    for (int j = 1; j <= P; ++j)
        if (renke[j] >= 0) {
            if (first < 0)
                first = j;
            last = j;
            ++busy;
        }
    return first < 0 ? 0 : (last - first + 1) - busy;
}

Quality measureQuality(const model::School& s, const model::Grids& g)
{
    Quality q;
    const int N = s.N();
    const auto& sl = s.slots;
    const int R = s.renkeSize();
    std::vector<std::vector<int>> slotsOf(R);
    for (int b = 1; b <= s.MaxBanID; ++b)
        for (int x = 1; x <= N; ++x)
            if (int r = g.Renke_B(b, x); r >= 0 && r < R)
                slotsOf[r].push_back(x);

    q.doublesFormed = doublesFormed(s, g);
    q.doublesWanted = doublesWanted(s);

    // Subjects a class is taught and teachers who teach, to know which marks could be kept.
    model::Array2<std::uint8_t> taught(s.KemuOldNum + 1, s.MaxBanID + 1, 0);
    std::vector<std::uint8_t> teaches(s.TeaOldNum + 1, 0);
    for (int r = 0; r < R; ++r)
        if (s.RenkeJieshu[r] > 0) {
            taught(s.RenkeKe[r], s.RenkeBan[r]) = 1;
            teaches[s.RenkeTea[r]] = 1;
        }
    for (int x = 1; x <= N; ++x) {
        const int d = sl.SlotDay[x], j = sl.SlotJie[x];
        for (int b = 1; b <= s.MaxBanID; ++b) {
            if (s.GudinKe.inside(b, x) && !s.GudinKe(b, x).empty())
                continue;
            for (int k = 1; k <= s.KemuOldNum; ++k) {
                if (!taught(k, b) || s.TeshuKe(k, b, d, j) != model::MarkPrefer)
                    continue;
                ++q.preferredMarked;
                const int r = g.Renke_B(b, x);
                if (r >= 0 && s.RenkeKe[r] == k)
                    ++q.preferredKept;
            }
        }
        for (int t = 1; t <= s.TeaOldNum; ++t) {
            if (!teaches[t] || s.TeshuTea(t, d, j) != model::MarkPrefer)
                continue;
            ++q.preferredMarked;
            if (g.Renke_T(t, x) >= 0)
                ++q.preferredKept;
        }
    }

    q.repeatsOfBan.assign(static_cast<std::size_t>(s.MaxBanID + 1), 0);
    for (int b = 1; b <= s.MaxBanID; ++b)
        for (int d = 1; d <= s.theDay; ++d)
            q.repeatsOfBan[b] += dayRepeats(s, g, b, d);
    q.gapsOfTea.assign(static_cast<std::size_t>(s.TeaOldNum + 1), 0);
    for (int t = 1; t <= s.TeaOldNum; ++t)
        for (int d = 1; d <= s.theDay; ++d)
            q.gapsOfTea[t] += dayGaps(s, g, t, d);
    for (int v : q.repeatsOfBan)
        q.sameDayRepeats += v;
    for (int v : q.gapsOfTea)
        q.teacherGaps += v;

    // Parallel assignments (one subject, classes of one grade) in groups, so that each is
    // compared with its own group only.
    std::vector<int> full;
    for (int r = 0; r < R; ++r)
        if (s.RenkeJieshu[r] > 0 && static_cast<int>(slotsOf[r].size()) == s.RenkeJieshu[r])
            full.push_back(r);
    auto groupKey = [&](int r) { return std::pair(s.RenkeKe[r], s.BanInJi[s.RenkeBan[r]]); };
    std::sort(full.begin(), full.end(), [&](int a, int b) { return std::pair(groupKey(a), a) < std::pair(groupKey(b), b); });
    for (std::size_t lo = 0, hi = 0; lo < full.size(); lo = hi) {
        hi = lo;
        while (hi < full.size() && groupKey(full[hi]) == groupKey(full[lo]))
            ++hi;
        for (std::size_t i = lo; i < hi; ++i) {
            const int r = full[i];
            bool out = false;
            for (std::size_t k = lo; k < hi && !out; ++k) {
                const int m = full[k];
                if (s.RenkeBan[m] == s.RenkeBan[r])
                    continue;
                for (std::size_t n = 0; n < slotsOf[r].size() && !out; ++n) {
                    const int a = static_cast<int>(n);  // lessons of r before this one
                    const auto& th = slotsOf[m];
                    const int b = static_cast<int>(std::upper_bound(th.begin(), th.end(), slotsOf[r][n]) - th.begin());
                    if (b != a && b != a + 1)
                        out = true;
                }
            }
            if (out)
                ++q.outOfStep;
        }
    }
    return q;
}

}  // namespace tavrin::timetable
