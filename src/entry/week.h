// Step 2, the school week: taught weekdays, the periods of the three sections, the period
// times, the public slots between periods, and the fixed lessons of every class. The
// working copy the week page edits, its load, the page's editing commands and the save.
//
// Everything is kept by weekday (1 Monday .. 7 Sunday) and period number (1..27), never by
// slot: a count that changes leaves every time, slot and fixed lesson on its number, and an
// unticked weekday keeps its fixed lessons until the save drops them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "entry/result.h"
#include "model/school.h"
#include "model/slots.h"
#include "store/store.h"

namespace tavrin::entry {

inline constexpr int kMaxSectionJie = 9;  // periods of one section
inline constexpr const char* kVaries = "各班不一样";
inline constexpr const char* kNoLesson = "无课";
inline constexpr const char* kWholeSchool = "全校";
inline constexpr const char* kAllCountsZero = "每天节数不能全为0。";
// Weekday names, [1..7]; what the day boxes show and what `daybd.dayname` receives.
inline constexpr std::array<const char*, 8> kWeekNames = {"",       "星期一", "星期二", "星期三",
                                                          "星期四", "星期五", "星期六", "星期日"};

struct WeekClass {
    std::int64_t id = 0;  // banid
    std::string name;
    int group = 0;        // position of its grade group
};
struct WeekGroup {
    std::int64_t id = 0;  // jiid
    std::string name;
    int first = 0;        // its classes are classes[first .. first + count - 1]
    int count = 0;
};

// A node of the scope tree: the whole school, a grade group (by position) or a class (by
// position in `WeekDraft::classes`).
struct Scope {
    enum Kind { School, Group, Class };
    Kind kind = School;
    int index = 0;
    static Scope school() { return {}; }
    static Scope group(int g) { return {Group, g}; }
    static Scope cls(int k) { return {Class, k}; }
    bool operator==(const Scope&) const = default;
};

// The classes a scope covers, [first, last), over grade groups that hold `first` and `count`.
template <class Group>
std::pair<int, int> scopeSpan(Scope s, const std::vector<Group>& groups, int classCount)
{
    switch (s.kind) {
    case Scope::School:
        return {0, classCount};
    case Scope::Group:
        if (s.index < 0 || s.index >= static_cast<int>(groups.size()))
            return {0, 0};
        return {groups[static_cast<std::size_t>(s.index)].first,
                groups[static_cast<std::size_t>(s.index)].first + groups[static_cast<std::size_t>(s.index)].count};
    case Scope::Class:
        if (s.index < 0 || s.index >= classCount)
            return {0, 0};
        return {s.index, s.index + 1};
    }
    return {0, 0};
}

struct WeekDraft {
    std::array<bool, 8> days{};  // [weekday 1..7] taught
    int mor = 3, aft = 3, nig = 9;
    std::array<std::string, model::kMaxJie + 1> times;        // [period 1..27]
    std::array<std::string, model::kMaxJie + 1> publicTimes;  // [k 0..27] shown after period k
    // The scope tree: grade groups that have classes, by jiid; their classes by banid.
    std::vector<WeekGroup> groups;
    std::vector<WeekClass> classes;
    // Fixed lessons: [class][weekday 1..7][period 1..27], empty = free.
    std::vector<std::array<std::array<std::string, model::kMaxJie + 1>, model::kMaxDays + 1>> fixed;
    // Stored rows the load could not place; the save drops them.
    std::vector<model::SkippedRow> skipped;

    int P() const { return mor + aft + nig; }
    int dayCount() const;
    // The ticked weekdays in order: the grid's columns.
    std::vector<int> weekdays() const;
    int publicCount() const;
    // The classes a scope covers, [first, last).
    std::pair<int, int> span(Scope s) const;
    std::string scopeName(Scope s) const;
    bool operator==(const WeekDraft& o) const
    {
        return days == o.days && mor == o.mor && aft == o.aft && nig == o.nig && times == o.times &&
               publicTimes == o.publicTimes && fixed == o.fixed;
    }
};

// `actKeJieDataLoad` with the scope tree. Before the first save (no weekday stored) the week
// is Monday to Friday with 3, 3 and 9 periods.
WeekDraft loadWeek(store::Store& s);

// What a day cell shows for a scope: the fixed lesson of its class, or of the first class of
// the group or school, or "各班不一样" when the classes differ. `differs` is set then.
struct CellShown {
    std::string text;
    bool differs = false;
};
CellShown cellShown(const WeekDraft& d, Scope s, int weekday, int period);

// The left click on a day cell: the name it sets ("无课" on a free cell, empty on any other).
std::string clickName(const WeekDraft& d, Scope s, int weekday, int period);
// Whether setting a cell over the scope must ask first (its classes are not all alike), and
// the question asked.
bool needsScopeQuestion(const WeekDraft& d, Scope s, int weekday, int period);
std::string scopeQuestion(const std::string& name);
// `SetGudin` after the question: every class of the scope takes `name` (empty: none).
void setGudin(WeekDraft& d, Scope s, int weekday, int period, const std::string& name);

// `setPublicTime`: the slot after period k (0 = before the first); empty removes it.
void setPublicTime(WeekDraft& d, int k, const std::string& text);
// The period-time dialog's text (27 lines) and its "确定": line i becomes period i's time.
std::string timesText(const WeekDraft& d);
void setTimes(WeekDraft& d, const std::string& text);

// `actKeJieSave`, in one transaction: weekdays, fixed lessons of the ticked weekdays (also
// those past the periods now taught), public slots, period times, section counts. Lessons
// of the stored timetable that stand on a slot now holding a fixed lesson of their class are
// taken out (they wait to be placed again); `unplaced` receives how many. Refused with
// nothing written when days are taught but every count is 0, or a count lies outside 0..9.
Result saveWeek(store::Store& s, const WeekDraft& d, std::int64_t* unplaced = nullptr);
// What the page and the command line say about those lessons after "保存完成".
std::string unplacedMessage(std::int64_t n);

}  // namespace tavrin::entry
