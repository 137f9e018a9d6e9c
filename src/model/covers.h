// Cover for absent teachers as the file keeps it, beside the weekly timetable and never in
// it: the term's calendar (two `setting` rows), the absences (`qingjiabd`) and the chosen
// covers (`daikebd`). The two tables are made on the first write, so a file written before
// reads as one without absences. Teachers, classes and subjects are linked with cascading
// delete and update like every other referring table, so a renumbering save carries them
// along and deleting a teacher or a class takes their rows with it.
//
// A lesson is named by its assignment's (class, teacher, subject), not by the assignment's
// index: the teacher save rewrites the index of every entry, while the triple stays as long
// as the assignment does. `trimCovers` drops the covers whose assignment went.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/store.h"

namespace tavrin::model {

// The `setting` rows of the term: its first Monday ("YYYY-MM-DD") and its number of weeks.
inline constexpr const char* kTermStartSetting = "学期开始";
inline constexpr const char* kTermWeeksSetting = "学期周数";

struct Term {
    int monday = 0;  // day serial (dates.h)
    int weeks = 0;
    bool set() const { return weeks > 0; }
    int lastDay() const { return monday + weeks * 7 - 1; }
    bool contains(int date) const { return set() && date >= monday && date <= lastDay(); }
    // Week 1..weeks of a date in the term, 0 outside it.
    int week(int date) const { return contains(date) ? (date - monday) / 7 + 1 : 0; }
};

// An absence: a teacher away from `from` to `to` (day serials, both included), at the
// periods listed or, when none are, all day.
struct Absence {
    std::int64_t id = 0;  // qingjiaid; 0 before it is stored
    int tea = 0;
    int from = 0, to = 0;
    std::vector<int> jies;  // periods of the day, ascending; empty = all day
    std::string reason;
    bool at(int date, int jie) const;
};

enum class CoverKind { Substitute = 1, Swap = 2, Study = 3 };

// A chosen cover of one lesson an absence empties. A combined lesson is one lesson: its row
// names the first class of its group. A swap brings the lesson of `by` (subject `swapKe`,
// same class) from `swapDate`/`swapJie` into the emptied period, and the absent teacher's
// lesson goes there.
struct Cover {
    std::int64_t id = 0;  // daikeid; 0 before it is stored
    int date = 0, jie = 0;
    int ban = 0, tea = 0, ke = 0;  // the emptied lesson's assignment
    CoverKind kind = CoverKind::Substitute;
    int by = 0;  // the covering teacher; for a swap, the teacher of the lesson swapped with
    int swapDate = 0, swapJie = 0, swapKe = 0;
    std::string note;
};

// The term, when both rows hold a valid value.
std::optional<Term> readTerm(store::Store& s);
// Replaces both rows; in the caller's transaction.
void writeTerm(store::Store& s, const Term& t);

bool coverTablesPresent(store::Store& s);
// Creates the two tables when missing; in the caller's transaction.
void createCoverTables(store::Store& s);

// Rows whose dates touch [from, to]; unreadable rows (a date that is no date) are skipped.
std::vector<Absence> readAbsences(store::Store& s, int from, int to);
std::vector<Cover> readCovers(store::Store& s, int from, int to);

// Writes a new row and returns its ID; in the caller's transaction, tables present.
std::int64_t insertAbsence(store::Store& s, const Absence& a);
std::int64_t insertCover(store::Store& s, const Cover& c);
void deleteAbsence(store::Store& s, std::int64_t id);
void deleteCover(store::Store& s, std::int64_t id);

// Deletes the covers whose emptied lesson or swapped lesson no longer has an assignment
// (the assignment saves call it); nothing when the tables are missing. Returns the rows
// deleted.
std::int64_t trimCovers(store::Store& s);

// "1,3,5" <-> periods; nothing for text that is not such a list.
std::string jiesText(const std::vector<int>& jies);
std::optional<std::vector<int>> parseJies(const std::string& text);

}  // namespace tavrin::model
