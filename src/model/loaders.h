// The loaders that turn the school file into the School model. Each later loader runs the
// earlier ones first, so `actLoadTeaData` is the full load; `LoadMyPaiOpt` then adds the
// custom conditions on top of a loaded school.
//
// Files edited by hand can hold anything: IDs that name nothing or lie past the program's
// limits, negative or absurd counts, periods past the day. Such rows are left out and
// listed in `School::skipped`; nothing a row holds can index outside an array.
#pragma once

#include <string>
#include <vector>

#include "model/school.h"
#include "store/store.h"

namespace tavrin::model {

// Capacity limits of the model. Classes pass through banid + 10000 when they are
// renumbered and name their timetable pages as 10000 + banid, so 10000 is their ceiling;
// grade groups live in 1..1000 on the class screen.
inline constexpr int kMaxBan = 10000;
inline constexpr int kMaxJi = 1000;
// Largest weekly count a row may carry: every slot of the longest possible week.
inline constexpr int kMaxWeekSlots = kMaxDays * kMaxJie;
// Above this many bytes for the ID-indexed arrays, IDs beyond their table's row count
// (gaps left by hand) are dropped first; a dense school still past it is refused.
inline constexpr long long kModelByteBudget = 1LL << 30;

// Thrown when even the dense IDs of a file would need more memory than the budget.
class ModelTooLarge : public store::DbError {
public:
    using store::DbError::DbError;
};

// Calendar, slot tables, grade groups, classes, class locks, fixed lessons, capacities and
// the school's name. Starts the model afresh (clears `skipped`).
void LoadDayBanJi(store::Store& s, School& school);
// The above, then subjects, weekly periods and subject time marks.
void actLoadKemuData(store::Store& s, School& school);
// The above, then teachers, teacher locks, assignments and teacher time marks.
void actLoadTeaData(store::Store& s, School& school);
// The custom conditions into `school.opt`, sized for the loaded school; later rows
// overwrite earlier ones for the same entry.
void LoadMyPaiOpt(store::Store& s, School& school);
// actLoadTeaData + LoadMyPaiOpt.
School loadSchool(store::Store& s);

// The condition rows as `LoadMyPaiOpt` takes them, for lists and reports.
struct ConditionRow {
    int OptId = 0;
    int at = 0;    // period of the day (PaiOptJie) or weekday (PaiOptDay)
    int num = 0;   // > 0 exactly num, <= 0 at most -num
    int ban = 0;   // 0 = every class
    int ke = 0;    // subject, 0 for a teacher row
    int tea = 0;   // teacher, 0 for a subject row
};
struct ExclusionPair {
    int wmid = 0;
    int man = 0;
    int wife = 0;
};
struct ConditionRows {
    std::vector<ConditionRow> jie, day;
    std::vector<ExclusionPair> pairs;
    std::vector<SkippedRow> skipped;
};
// Reads and checks the rows against a loaded school, in the order they are applied.
ConditionRows readConditionRows(store::Store& s, const School& school);

// Which IDs name an accepted row of their master table (entry 0 is always false). The
// arrays are sized by the largest accepted ID, so gaps left by hand show up here.
struct PresentIds {
    std::vector<bool> ji, ban, kemu, tea;
};
PresentIds presentIds(store::Store& s);

}  // namespace tavrin::model
