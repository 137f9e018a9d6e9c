// The four options of a scheduling run, as stored in `PaiOpt` and as the search reads them.
#pragma once

#include "store/store.h"

namespace tavrin::scheduler {

// What each strength sets, by strength 1 (fast), 2 (normal), 3 (high precision): the lowest
// score a slot must reach in the first pass, and the failures after which an assignment no
// longer continues the chain. The second pass lowers the threshold to the next strength's.
inline constexpr int kStrengthMinScore[4] = {0, 1, 15, 35};
inline constexpr int kStrengthMaxFails[4] = {0, 100, 1000, 3000};

struct PaiOptions {
    int strength = 3;  // 1 fast, 2 normal, 3 high precision
    int align = 1;     // 1 as far as possible, 2 strictly
    int teaDay = 2;    // 1 concentrate, 2 spread, 3 no preference
    int noLian = 1;    // 1 avoid doubles of other subjects, 2 never

    int minScore() const { return kStrengthMinScore[clamped()]; }
    int maxFails() const { return kStrengthMaxFails[clamped()]; }
    bool operator==(const PaiOptions&) const = default;

private:
    int clamped() const { return strength < 1 ? 1 : strength > 3 ? 3 : strength; }
};

// The second pass's threshold after a pass at `minScore`: the next lower strength's.
inline int lowerMinScore(int minScore)
{
    for (int s = 3; s >= 2; --s)
        if (minScore >= kStrengthMinScore[s])
            return kStrengthMinScore[s - 1];
    return kStrengthMinScore[1];
}

// Reads `PaiOpt`; a value no button stands for falls back to the last button of its group,
// and an option without a row keeps its default.
PaiOptions loadPaiOpt(store::Store& s);

// `actSavePaiOpt`: rewrites the four rows.
void actSavePaiOpt(store::Store& s, const PaiOptions& o);

}  // namespace tavrin::scheduler
