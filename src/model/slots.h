// Slot arithmetic, the one place that knows how a week is numbered:
// slot s = (d - 1) * P + j for day number d (1..theDay) and period j (1..P).
// Slot arrays have N + 2 entries; 0 and N + 1 are empty sentinels that belong to no day.
#pragma once

#include <vector>

namespace tavrin::model {

inline constexpr int kMaxDays = 7;
inline constexpr int kMaxJie = 27;
inline constexpr int kMaxKemu = 500;
inline constexpr int kMaxTea = 1000;
inline constexpr int kUndoRing = 101;

// Sections of the day.
enum Section { Morning = 1, Afternoon = 2, Evening = 3 };

inline int slotOf(int day, int jie, int P) { return (day - 1) * P + jie; }

// The shape of the school week: school days and the periods of each section. The school,
// its slot tables and every week-shaped grid share it.
struct WeekShape {
    int theDay = 0;
    int mor = 0, aft = 0, nig = 0;
    int P() const { return mor + aft + nig; }
    int N() const { return P() * theDay; }
    bool operator==(const WeekShape&) const = default;
};

// The slot tables of a week (`JieAtWhere`).
struct SlotTable {
    int P = 0;  // periods a day
    int N = 0;  // slots a week
    int mor = 0, aft = 0, nig = 0;
    std::vector<int> SlotDay, SlotJie, SlotSection;  // N + 2 entries each

    void build(const WeekShape& w) { build(w.theDay, w.mor, w.aft, w.nig); }
    void build(int theDay, int morning, int afternoon, int evening)
    {
        mor = morning;
        aft = afternoon;
        nig = evening;
        P = mor + aft + nig;
        N = P * theDay;
        SlotDay.assign(static_cast<std::size_t>(N) + 2, 0);
        SlotJie.assign(static_cast<std::size_t>(N) + 2, 0);
        SlotSection.assign(static_cast<std::size_t>(N) + 2, 0);
        for (int s = 1; s <= N; ++s) {
            int d = (s - 1) / P + 1;
            int j = s - (d - 1) * P;
            SlotDay[s] = d;
            SlotJie[s] = j;
            SlotSection[s] = j <= mor ? Morning : (j > mor + aft ? Evening : Afternoon);
        }
    }
    // Slots a and b lie on the same day and in the same section (sentinels never do).
    bool sameSection(int a, int b) const
    {
        return a >= 1 && a <= N && b >= 1 && b <= N && SlotDay[a] == SlotDay[b] &&
               SlotSection[a] == SlotSection[b];
    }
};

}  // namespace tavrin::model
