// Step 4, teachers and teaching assignments: the working copy the teacher page edits, its
// load, the page's commands (teachers, assignment entries and their chips, the list of
// periods nobody teaches yet), the texts the page shows, and the save that writes it back
// with dense teacher IDs and a timetable pruned to what the assignments still hold.
//
// A teacher read from the file keeps its stored ID; one added since the load takes a
// provisional ID above every ID the file holds, never handed out twice in one editing
// session, so nothing stored or deleted can ever be attached to it.
//
// Assignment entries keep their index for as long as the copy lives (the chips remember
// it): deleting one only empties it, and an added one fills the first empty entry. A
// combined lesson is the entries of one teacher sharing a positive combined number: the
// number belongs to its teacher, so two teachers may use the same one independently.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "entry/result.h"
#include "model/school.h"
#include "store/store.h"

namespace tavrin::entry {

inline constexpr int kMaxTeaRows = 1000;
inline constexpr const char* kTooManyTea = "教师数量已达上限（1000个）。";
inline constexpr const char* kBadJieshu = "节数必须大于0。";
inline constexpr const char* kTeaStatus =
    "提示：拖动任课以分配教师任课，也可通过导入、导出EXCEL的方式设置教师任课。";
inline constexpr const char* kTeaInfoHint = "将任课拖至左边相应教师";

// Time marks of one teacher: [day number 0..7][period 0..27].
inline constexpr int kTeaMarkJie = 28;
inline constexpr int kTeaMarks = 8 * kTeaMarkJie;
using TeaMarks = std::array<std::uint8_t, kTeaMarks>;
inline constexpr std::size_t teaMarkAt(int day, int jie)
{
    return static_cast<std::size_t>(day) * kTeaMarkJie + static_cast<std::size_t>(jie);
}

struct TeaRow {
    std::int64_t id = 0;  // stored teaid, or provisional (above every stored ID)
    bool stored = false;
    std::string name, name2;
    TeaMarks marks{};
    bool operator==(const TeaRow&) const = default;
};

// One assignment entry; `tea` 0 is an empty entry.
struct RenkeEntry {
    std::int64_t tea = 0, ban = 0, ke = 0, jieshu = 0, heban = 0;
    bool empty() const { return tea == 0; }
    bool operator==(const RenkeEntry&) const = default;
};

struct TeaClass {
    std::int64_t id = 0;  // banid
    std::string name;
};
struct TeaKemu {
    std::int64_t id = 0;  // kemuid
    std::string name;
};

struct TeaDraft {
    // The classes in list order (grade groups by ID, their classes in order) and the subjects
    // by ascending ID; `need` the weekly periods by (class position, subject position).
    std::vector<TeaClass> classes;
    std::vector<TeaKemu> subjects;
    std::vector<std::int64_t> need;
    int theDay = 0, P = 0;
    std::array<std::uint8_t, 8> dayToWeek{};  // [day number] -> weekday
    std::int64_t maxStoredId = 0;
    std::int64_t nextId = 1;  // the next provisional ID
    std::vector<TeaRow> rows;
    std::vector<RenkeEntry> renke;
    int RenKeNum = 0;       // live entries
    int LastRenkeIdx = -1;  // the entry last added or moved
    // Stored rows the load could not use (or took as something else), with the reason.
    std::vector<model::SkippedRow> skipped;
    // The rows and entries as loaded: the save leaves alone what did not change.
    std::vector<TeaRow> loadedRows;
    std::vector<RenkeEntry> loadedRenke;

    int rowOf(std::int64_t id) const;  // -1 when no row has the ID
    int classAt(std::int64_t ban) const;
    int subjectAt(std::int64_t ke) const;
    std::string className(std::int64_t ban) const;
    std::string subjectName(std::int64_t ke) const;
    std::int64_t weekly(std::int64_t ban, std::int64_t ke) const;
    bool operator==(const TeaDraft& o) const { return rows == o.rows && renke == o.renke; }
};

// `actLoadTeaData` for the page: every stored teacher the program can hold (the file's own
// IDs, gaps and all), in ascending ID, with marks and assignments as the loader merges them.
// An assignment with a negative combined number is taken as not combined and listed.
TeaDraft loadTeachers(store::Store& s);

// ---- teachers

// `btnAddTeaClick`: an empty row at the end, refused at the limit.
Result addTeacher(TeaDraft& d, std::string name = {}, int* added = nullptr);
struct TeaMarkWork;
// `btnDelTeaClick`: the row, its marks (in the open mark dialog's copy too) and its entries.
// Answers the row to select next, or -1 when none is left.
int deleteTeacher(TeaDraft& d, int row, TeaMarkWork* openDialog = nullptr);
// `actFillTeaName2Execute`: the last two whole characters of a longer full name, else all of it.
void fillTeaShortNames(TeaDraft& d);
// `btnFnTeaClick`: the first row after `selected` (wrapping) whose full name contains `text`
// as a plain substring; -1 for an empty text or no match.
int findTeacher(const TeaDraft& d, std::string_view text, int selected);

// ---- assignment entries

// `addRenke`: the first empty entry, or a new one at the end. Answers its index.
int addRenke(TeaDraft& d, std::int64_t tea, std::int64_t ban, std::int64_t heban, std::int64_t jieshu,
             std::int64_t ke);
// `inputRenke`: the teacher with that full name, added when there is none, takes the periods.
// Refused (nothing added) for fewer than 1 period, an unknown class or subject, or a teacher
// over the limit.
Result inputRenke(TeaDraft& d, const std::string& name, std::int64_t ke, std::int64_t jieshu, std::int64_t ban);

// The entries a chip stands for: the entry itself, or every entry of its teacher's combined
// lesson, in array order.
std::vector<int> chipEntries(const TeaDraft& d, int entry);

struct Chip {
    int entry = 0;  // its first entry
    std::string text;
};
// `ShowLvRkTmp`: one chip per assignment or combined lesson of the teacher, in array order.
std::vector<Chip> chips(const TeaDraft& d, std::int64_t tea);
// `RenKeStr`.
std::string renkeText(const TeaDraft& d, std::int64_t tea);
// Periods of a teacher, a combined lesson counted once.
std::int64_t teacherPeriods(const TeaDraft& d, std::int64_t tea);

// `btnDelRkClick` (and a chip dropped on the list): the chip's entries are emptied.
void deleteChip(TeaDraft& d, int entry);
// A chip dropped on another teacher: all its entries go to `tea`; a combined lesson takes the
// smallest combined number the new teacher does not use yet. Answers the chip's first entry.
int moveChip(TeaDraft& d, int entry, std::int64_t tea);

// ---- the list of periods nobody teaches

struct UnassignedRow {
    bool isClass = false;
    std::string caption;
    std::int64_t remain = 0;  // subject rows
    std::int64_t ke = 0, ban = 0;
};
// `actLoadRenkeGd`: per class, a class row before its first subject with periods left, then
// a row per such subject. A class over-assigned in a subject shows nothing for it.
std::vector<UnassignedRow> unassigned(const TeaDraft& d);
// Periods of (class, subject) not yet assigned (0 when over-assigned).
std::int64_t remaining(const TeaDraft& d, std::int64_t ban, std::int64_t ke);
// `lblRenJieCount` over the rows above, and `lblRenkeTil`.
std::string remainingLabel(const std::vector<UnassignedRow>& rows);
std::string assignedLabel(const TeaDraft& d);
// The periods dialog's caption for a drop.
std::string dropCaption(const TeaDraft& d, std::int64_t tea, std::int64_t ban, std::int64_t ke);
// A row of the list dropped on a teacher with n periods chosen: n is held to what remains now
// (the list may have changed since the press). Answers the new entry, or -1 for nothing added.
int dropOnTeacher(TeaDraft& d, std::int64_t tea, std::int64_t ban, std::int64_t ke, std::int64_t n);

// ---- the save

// `btnSaveTeaClick`, in one transaction: refused with nothing written when the rows no longer
// fit the file. Deleted teachers go with every row that refers to them; names, assignments
// and marks (under the weekday of their day) are written where they changed; each (class,
// teacher, subject) keeps no more placed lessons than its live entries hold, the first in
// table order; teachers take the IDs 1..T in ascending old ID, every referring row and the
// lock following; exclusion pairs that lost a side go.
Result saveTeachers(store::Store& s, const TeaDraft& d);

}  // namespace tavrin::entry
