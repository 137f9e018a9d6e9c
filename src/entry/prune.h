// What the entry saves share once the assignments are written: hash keys over stored IDs,
// and the pruning of the stored timetable to what the assignments still hold.
#pragma once

#include <cstdint>
#include <functional>

#include "store/store.h"

namespace tavrin::entry {

// (subject, class) and (class, teacher, subject) as hash keys.
struct PairKey {
    std::int64_t a, b;
    bool operator==(const PairKey&) const = default;
};
struct TripleKey {
    std::int64_t a, b, c;
    bool operator==(const TripleKey&) const = default;
};
struct KeyHash {
    static std::size_t mix(std::size_t h, std::int64_t v)
    {
        return h ^ (std::hash<std::int64_t>{}(v) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
    }
    std::size_t operator()(const PairKey& k) const { return mix(mix(0, k.a), k.b); }
    std::size_t operator()(const TripleKey& k) const { return mix(mix(mix(0, k.a), k.b), k.c); }
};

// Each (class, teacher, subject) keeps at most as many placed lessons as all its stored
// assignments together hold (what the next load merges into one), the first in table
// order; lessons of no assignment go. Returns the lessons deleted.
std::int64_t trimTimetable(store::Store& s);

}  // namespace tavrin::entry
