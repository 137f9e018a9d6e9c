// The custom conditions as the scheduling page shows and edits them: the list captions,
// the rows a confirmed condition dialog writes, deleting by list value, and the check rules
// of the class lists. Pure logic over the store and the loaded school; the dialogs call it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/school.h"
#include "store/store.h"

namespace tavrin::scheduler {

// One line of the condition list `lvPaiItm`: what it shows and its hidden value, "Jie" +
// OptId (period condition), "Day" + OptId (day condition) or "Tea" + wmid (exclusion pair).
struct ConditionItem {
    std::string caption;
    std::string value;
    bool operator==(const ConditionItem&) const = default;
};

enum class CondKind { Jie, Day };

// The list as the page fills it when it opens: every exclusion pair, then the period
// conditions, then the day conditions, each kind in the order of its numbers.
std::vector<ConditionItem> loadConditionItems(store::Store& st, const model::School& s);

// The caption of an exclusion pair, on loading and on adding alike.
std::string exclusionCaption(const std::string& tea1, const std::string& tea2);

// The caption a newly added condition gets. `object` is what the object label shows after
// its "  对象：" prefix; `n` the count chosen (1..), `fixed` for "固定为"/"固定排".
// `at` is the period of the day (Jie) or the weekday 1..7 (Day).
std::string newConditionCaption(CondKind kind, const std::string& object, int at, int n, bool fixed,
                                const model::School& s);

// The smallest positive number not among `used`, which comes in ascending order.
int smallestUnused(const std::vector<int>& used);
// The number a new condition of `kind`, or a new exclusion pair, gets.
int nextOptId(store::Store& st, CondKind kind);
int nextWmid(store::Store& st);

// What the object picker has chosen while the condition dialog is open (`BanSel_Opt`,
// `KeSel_Opt`, `TeaSel_Opt`): entries 0..MaxBanID (0 = the whole school), 0..KemuOldNum,
// 0..TeaOldNum.
struct Selection {
    std::vector<bool> ban, ke, tea;
    void reset(const model::School& s);
};

// Writes the rows of one condition: a row per chosen class (or the whole school) and
// subject, then a row per chosen teacher, all with a new OptId. Returns that OptId, or
// nothing when the selection names no row (then nothing is written).
std::optional<int> writeCondition(store::Store& st, CondKind kind, int at, int num, const Selection& sel);

// What adding the pair tea1-tea2 would undo: a teacher has one partner, and a later pair of
// a teacher replaces the earlier, so a pair either of the two already has stops counting.
// One sentence per such pair in the program's words; empty when there is none.
std::string replacedPairNotice(store::Store& st, const model::School& s, int tea1, int tea2);

// Writes an exclusion pair with a new wmid and returns the wmid.
int writeExclusion(store::Store& st, int tea1, int tea2);

// Deletes the conditions named by list values ("Jie3", "Day1", "Tea2"), in the given order.
// Values of any other form are passed over.
void deleteConditions(store::Store& st, const std::vector<std::string>& values);

// The check rules of a class list whose row 0 is "全校" and rows 1.. the classes. The
// operator has set row `row` to `on`: "全校" carries every class with it; a class row
// unchecks "全校", or checks it when every class is now checked. Returns the new marks.
std::vector<bool> applyClassCheck(std::vector<bool> checks, int row, bool on);

// The classes a run schedules from the marks of the class list (row 0 "全校", rows 1..
// naming `banids`): the checked classes, or every class when none is checked (then
// `checks` is set to all checked, as the page shows it).
std::vector<int> classesToSchedule(std::vector<bool>& checks, const std::vector<int>& banids);

// The next name that contains `text`, starting after row `selected` (-1: from the first
// row) and wrapping around; -1 when none does.
int findNextName(const std::vector<std::string>& names, int selected, const std::string& text);

}  // namespace tavrin::scheduler
