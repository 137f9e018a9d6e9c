// Renumbering the master tables (grade groups, classes, subjects, teachers) without losing or
// misattaching a row. Only the master row's key is ever written: the cascading links of the
// schema carry each new key into every row that refers to it, and deleting a master row takes
// its referring rows with it.
//
// Keys move one row at a time, each as soon as its new key is free, so that a chain of moves
// (every class after a deleted one moving down by one) writes each row once. Rows caught in a
// cycle (two classes trading keys) leave it through a parking key above every key the table
// holds (so above a hand-edited 10^12 too). No intermediate state repeats a key.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "store/store.h"

namespace tavrin::entry {

// A master table: its name, its integer key and its name column (constants of the code,
// never values).
struct MasterTable {
    const char* table;
    const char* key;
    const char* name;
};
inline constexpr MasterTable kJiTable{"jibd", "jiid", "jiname"};
inline constexpr MasterTable kBanTable{"banbd", "banid", "banname"};
inline constexpr MasterTable kKemuTable{"kemubd", "kemuid", "kemuname"};
inline constexpr MasterTable kTeaTable{"teabd", "teaid", "teaname"};

struct KeyMove {
    std::int64_t from = 0;
    std::int64_t to = 0;
};

// One renumbering of a table. The moves' targets must be pairwise different, and no row that
// stays where it is may hold one of them. No new row may take a key before `run`; `ceiling`
// is the largest key any row will hold after the save.
class KeyShift {
public:
    KeyShift(store::Store& s, MasterTable t, std::vector<KeyMove> moves, std::int64_t ceiling = 0);
    void run();
    // Rows that really change key (moves to the same key are dropped).
    int moved() const { return static_cast<int>(moves_.size()); }
    // Rows that had to park on the way (one per cycle of moves).
    int parked() const { return parked_; }
    // The first parking key.
    std::int64_t base() const { return base_; }

private:
    store::Store& s_;
    MasterTable t_;
    std::vector<KeyMove> moves_;
    std::int64_t base_ = 0;
    int parked_ = 0;
};

// The (table, column) pairs whose cascading links point at `master`'s key, from the file's
// own schema.
std::vector<std::pair<std::string, std::string>> referrers(store::Store& s, const char* master);

// Deletes the referring rows whose key names no row of `master` (left by hand or by a file
// written without the links): a renumbering would otherwise hand them to whichever row takes
// that key. NULL and 0 ("every class" of a condition) are kept. Returns the rows deleted.
std::int64_t dropDangling(store::Store& s, MasterTable master);

// Deletes the rows of `t` with a key in 1..maxKey that `listed` does not hold, each with its
// referring rows (the cascade). Rows outside that range are ones a page could not show, and
// not its to delete.
void deleteUnlisted(store::Store& s, MasterTable t, const std::vector<std::int64_t>& listed, std::int64_t maxKey);

// The keys 1..n that rows take in ascending order of their current keys, by position.
std::vector<std::int64_t> finalKeys(const std::vector<std::int64_t>& keys);

// Gives rows new names so that no two rows share a name at any moment, should the file keep
// names unique: changed rows first take names no row holds or will hold, then their own.
void renameRows(store::Store& s, MasterTable t, const std::vector<std::pair<std::int64_t, std::string>>& names);

}  // namespace tavrin::entry
