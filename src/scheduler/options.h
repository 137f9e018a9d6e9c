// The four options of a scheduling run, as stored in `PaiOpt` and as the search reads them.
#pragma once

#include "store/store.h"

namespace tavrin::scheduler {

struct PaiOptions {
    int strength = 3;  // 1 fast, 2 normal, 3 high precision
    int align = 1;     // 1 as far as possible, 2 strictly
    int teaDay = 2;    // 1 concentrate, 2 spread, 3 no preference
    int noLian = 1;    // 1 avoid doubles of other subjects, 2 never

    int minScore() const { return strength == 1 ? 1 : strength == 2 ? 15 : 35; }
    int maxFails() const { return strength == 1 ? 100 : strength == 2 ? 1000 : 3000; }
    bool operator==(const PaiOptions&) const = default;
};

// Reads `PaiOpt`; a value no button stands for falls back to the last button of its group,
// and an option without a row keeps its default.
PaiOptions loadPaiOpt(store::Store& s);

// `actSavePaiOpt`: rewrites the four rows.
void actSavePaiOpt(store::Store& s, const PaiOptions& o);

}  // namespace tavrin::scheduler
