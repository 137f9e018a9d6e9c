#include "timetable/quality.h"

#include "timetable/checker.h"

#include <algorithm>

namespace tavrin::timetable {

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

    for (int b = 1; b <= s.MaxBanID; ++b)
        for (int d = 1; d <= s.theDay; ++d) {
            std::vector<int> perKe(s.KemuOldNum + 1, 0);
            for (int j = 1; j <= s.P(); ++j)
                if (int r = g.Renke_B(b, model::slotOf(d, j, s.P())); r >= 0)
                    perKe[s.RenkeKe[r]]++;
            for (int k = 1; k <= s.KemuOldNum; ++k)
                if (s.KemuLianpai[k] == 0 && perKe[k] > 1)
                    q.sameDayRepeats += perKe[k] - 1;
        }

    for (int t = 1; t <= s.TeaOldNum; ++t)
        for (int d = 1; d <= s.theDay; ++d) {
            int first = -1, last = -1, busy = 0, section = 0;
            auto flush = [&] {
                if (first >= 0)
                    q.teacherGaps += (last - first + 1) - busy;
                first = last = -1;
                busy = 0;
            };
            for (int j = 1; j <= s.P(); ++j) {
                const int x = model::slotOf(d, j, s.P());
                if (sl.SlotSection[x] != section) {
                    flush();
                    section = sl.SlotSection[x];
                }
                if (g.Renke_T(t, x) >= 0) {
                    if (first < 0)
                        first = j;
                    last = j;
                    ++busy;
                }
            }
            flush();
        }

    for (int r = 0; r < R; ++r) {
        if (s.RenkeJieshu[r] <= 0 || static_cast<int>(slotsOf[r].size()) != s.RenkeJieshu[r])
            continue;
        bool out = false;
        for (int m = 0; m < R && !out; ++m) {
            if (m == r || s.RenkeJieshu[m] <= 0 || s.RenkeKe[m] != s.RenkeKe[r] || s.RenkeBan[m] == s.RenkeBan[r] ||
                s.BanInJi[s.RenkeBan[m]] != s.BanInJi[s.RenkeBan[r]] ||
                static_cast<int>(slotsOf[m].size()) != s.RenkeJieshu[m])
                continue;
            for (std::size_t i = 0; i < slotsOf[r].size() && !out; ++i) {
                const int a = static_cast<int>(i);  // lessons of r before this one
                const auto& th = slotsOf[m];
                const int b = static_cast<int>(std::upper_bound(th.begin(), th.end(), slotsOf[r][i]) - th.begin());
                if (b != a && b != a + 1)
                    out = true;
            }
        }
        if (out)
            ++q.outOfStep;
    }
    return q;
}

}  // namespace tavrin::timetable
