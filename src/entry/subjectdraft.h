// Step 3, subjects and weekly periods: the working copy the subject page edits, its load,
// the page's editing commands and the save that writes it back with dense subject IDs and
// brings the teaching assignments and the stored timetable in line with the new counts.
//
// A subject read from the file carries its stored ID; one added since the load carries a
// provisional ID above every ID the file holds, so no stored subject's rows can ever be
// handed to it. Counts are kept as the file stores them: a value past what the page lets
// one type stays as it is until it is edited.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "entry/result.h"
#include "entry/subjects.h"
#include "entry/week.h"
#include "model/school.h"
#include "store/store.h"

namespace tavrin::entry {

inline constexpr int kMaxKemuRows = model::kMaxKemu;
inline constexpr const char* kTooManyKemu = "科目数量已达上限（500个）。";
inline constexpr const char* kDuplicateKemuName = "科目名称重复，请修正。";
inline constexpr const char* kOverCapacityTitle = "退出";
inline constexpr const char* kOverCapacityQuestion =
    "有的年级的节数合计超出了课时容量，这样会导致一些课无法排进去，确定要保存吗？";
inline constexpr const char* kKemuStatus =
    "提示：“课时容量”指在第二环节设置的各班的课时总数，科目节数“合计”是不能大于“课时容量”的，当合计数为红色时，"
    "表示总节数超过“课时容量”而出错。";
// What a grade group without a name is called on the page, so that its column still edits it.
inline constexpr const char* kNamelessGroup = "（未命名年级）";

// Time marks of one subject: [class position][day number 0..7][period 0..27].
inline constexpr int kMarkDays = model::kMaxDays + 1;
inline constexpr int kMarkJie = model::kMaxJie + 1;
inline constexpr int kMarksPerClass = kMarkDays * kMarkJie;
using MarkPlane = std::vector<std::uint8_t>;

struct KemuClass {
    std::int64_t id = 0;  // banid
    std::string name;
    int group = 0;        // position of its grade group
    int capacity = 0;     // slots of the week not taken by a fixed lesson
};
struct KemuGroup {
    std::int64_t id = 0;  // jiid
    std::string name;     // as stored; may be empty
    int first = 0;        // its classes are classes[first .. first + count - 1]
    int count = 0;
    std::string caption() const { return name.empty() ? std::string(kNamelessGroup) : name; }
};

struct KemuRow {
    std::int64_t id = 0;  // stored kemuid, or provisional (above every stored ID)
    bool stored = false;
    std::string name, name2;
    std::int64_t maxjie = 0, lianpai = 0;
    std::vector<std::int64_t> jieshu;  // weekly periods by class position
    MarkPlane marks;                   // see MarkPlane
    bool operator==(const KemuRow&) const = default;
};

struct KemuDraft {
    // The school the grid is laid over: grade groups by jiid, their classes by banid.
    std::vector<KemuGroup> groups;
    std::vector<KemuClass> classes;
    int theDay = 0, P = 0;
    std::array<std::uint8_t, 8> dayToWeek{};  // [day number] -> weekday
    // The largest kemuid the file held at the load: provisional IDs start above it.
    std::int64_t maxStoredId = 0;
    std::vector<KemuRow> rows;
    // Stored subject rows the load could not use; the save drops them.
    std::vector<model::SkippedRow> skipped;

    int rowOf(std::int64_t id) const;  // -1 when no row has the ID
    static std::size_t markAt(int cls, int day, int jie)
    {
        return static_cast<std::size_t>(cls) * kMarksPerClass + static_cast<std::size_t>(day) * kMarkJie +
               static_cast<std::size_t>(jie);
    }
    // Weekly periods of a row for the classes of a group, in order.
    std::vector<int> groupValues(int row, int group) const;
    // The grade-group cell of a row.
    std::string groupCell(int row, int group) const;
    // Total weekly periods of each class over every row.
    std::vector<std::int64_t> totals() const;
    // The footer of a group: its classes' totals, and their capacities.
    std::string groupTotalText(int group, const std::vector<std::int64_t>& totals) const;
    std::string groupCapacityText(int group) const;
    bool groupOverCapacity(int group, const std::vector<std::int64_t>& totals) const;
    // Whether any class has more weekly periods than its capacity (the save asks first).
    bool overCapacity() const;
    // The classes a scope of the mark dialog covers, [first, last).
    std::pair<int, int> span(Scope s) const;
    bool operator==(const KemuDraft& o) const { return rows == o.rows; }
};

// `actLoadKemuData` for the page: every stored subject with an ID the program can hold, in
// ascending ID, with its weekly periods and marks as stored.
KemuDraft loadSubjects(store::Store& s);

// ---- editing commands

// Typing into a grade-group cell (also the import's entry point): a plain number sets every
// class of the group, a list goes class by class. Answers what the cell shows again.
std::string setGroupText(KemuDraft& d, int row, int group, std::string_view text);
// One class of the per-class strip; answers the group cell recomputed from all its classes.
std::string setClassCount(KemuDraft& d, int row, int cls, int value);

// `btnAddKeClick`: an empty row at the end; its position, or refused at the limit.
Result addSubject(KemuDraft& d, int* added = nullptr);
struct MarkWork;
// `btnDelKeClick`: the row, its weekly periods and its marks go, in the open mark dialog's
// working copy too (so a later subject given the same provisional ID starts unmarked).
// Answers the row to select next, or -1 when none is left.
int deleteSubject(KemuDraft& d, int row, MarkWork* openDialog = nullptr);
// The short-name fills: each named row takes the first or last whole character of its name.
void fillShortNames(KemuDraft& d, bool first);

// The second row of the first pair with equal full names, or -1.
int duplicateSubject(const KemuDraft& d);

// Asked when the totals exceed a capacity; answers true to save anyway.
using CapacityQuestion = std::function<bool(const std::string& question)>;

// `SaveKe`, in one transaction: refused with nothing written on duplicate names
// (`duplicate` names the second row), on a "no" to the capacity question, or when the
// rows no longer fit the file. Deleted subjects go with every row that refers to them;
// weekly periods and marks are written afresh (marks under the weekday of their day);
// the assignments of each class and subject are brought to the new count (a raise on the
// first row, a cut from the first row on), `difid` runs 0..n-1, and each class, teacher
// and subject keeps no more placed lessons than its remaining assignments hold; finally
// the subjects take the IDs 1..S in ascending old ID, every referring row following.
Result saveSubjects(store::Store& s, const KemuDraft& d, const CapacityQuestion& ask,
                    int* duplicate = nullptr);

}  // namespace tavrin::entry
