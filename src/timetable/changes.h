// What changed against the timetable loaded on entry to the step, and the small timetables
// beside a class or teacher timetable: the changed class and teacher timetables with their
// moved lessons paired old slot to new slot (the change list, the change notices and
// `tavrin-cli changes` all read the same rows), which timetables the side panels show, what
// their cells hold, and the one-character texts of the small cells.
//
// A combined lesson stands in each of its classes' rows, but a teacher's row holds just one
// of its members, whichever was written last. So in a teacher row the members of one group
// (the same teacher, the same positive group number) count as one lesson: comparing by
// member would report a teacher whose timetable is as loaded, only because an edit wrote
// the other member into the cell, and paint a class's own combined lesson as another's.
#pragma once

#include <string>
#include <vector>

#include "model/school.h"
#include "timetable/cells.h"
#include "timetable/kbdata.h"

namespace tavrin::timetable {

// One lesson that left a slot: the lesson as the baseline held it, the slot it left, and the
// slot its lesson arrived at (0: it stands nowhere new, it was taken off).
struct MovedLesson {
    int r = -1;
    int from = 0;
    int to = 0;
    bool operator==(const MovedLesson&) const = default;
};

// A class (side Ban) or teacher timetable that differs from the baseline.
struct ChangedTable {
    KbSide side = KbSide::Ban;
    int id = 0;
    std::vector<MovedLesson> moves;  // in the order of the slots left
    bool operator==(const ChangedTable&) const = default;
};

// The grids of one state of the timetable.
struct KbGridsRef {
    const model::Array2<int>& B;
    const model::Array2<int>& T;
};

// Compares lessons the way a teacher row must: every member of a combined group gets the
// group's one key. Built once per school; finding the changes then reuses its scratch, so a
// rebuild at every step allocates nothing. It keeps only what it derived from the school:
// build a new one when another school is loaded.
class ChangeFinder {
public:
    explicit ChangeFinder(const model::School& school);

    // The lesson key: the smallest member of r's group, r itself without a group, -1 for
    // anything that is no lesson.
    int key(int r) const { return r >= 0 && r < static_cast<int>(key_.size()) ? key_[static_cast<std::size_t>(r)] : -1; }
    // The classes of r's combined lesson in ascending id (just r's class without a group).
    const std::vector<int>& classesOf(int r) const;

    // The changed class timetables in id order, then the changed teacher timetables in id
    // order. With `withMoves` false only the tables, each with an empty move list (the
    // change list needs no more).
    std::vector<ChangedTable> find(KbGridsRef baseline, KbGridsRef now, bool withMoves = true);

    // Whether class `ban`'s (teacher `tea`'s) row differs: the first difference ends the scan.
    bool banChanged(KbGridsRef baseline, KbGridsRef now, int ban) const;
    bool teaChanged(KbGridsRef baseline, KbGridsRef now, int tea) const;

private:
    int maxBan_ = 0, teaNum_ = 0, N_ = 0;
    std::vector<int> key_;                    // [r]
    std::vector<std::vector<int>> classes_;   // [key] the group's classes
    std::vector<int> head_, tail_, next_;     // per-key queues of arrival slots
    std::vector<int> touched_;
    std::vector<int> differ_;

    void pairRow(const model::Array2<int>& B, const model::Array2<int>& C, int row, std::vector<MovedLesson>& out);
};

// `FindChanges` over the baseline and the current snapshot of the timetable being edited.
std::vector<ChangedTable> FindChanges(const model::School& school, KbGridsRef baseline, KbGridsRef now,
                                      bool withMoves = true);
std::vector<ChangedTable> FindChanges(const KbData& kb, bool withMoves = true);

// A slot as the notices write it: "星期一第3节"; empty for 0 (no new time).
std::string slotTimeText(const model::School& school, int slot);
// The class of a moved lesson as a row shows it: its class, or every class of its combined
// lesson joined by "、" on a teacher row.
std::string movedClassText(const ChangeFinder& finder, const model::School& school, int r, KbSide side);
// The list's caption for a changed table: the class's or teacher's name.
std::string changedCaption(const model::School& school, const ChangedTable& t);

// Why two files do not hold the same school, or empty when they do: the calendar, and the
// classes, teachers and subjects by id and name. Lesson ids compared across a school whose
// ids were renumbered would name other classes and teachers without any sign of it.
std::string schoolDifference(const model::School& a, const model::School& b);

// ---- the side panels

// At most this many panels beside a timetable.
inline constexpr int kMaxMiniPanels = 101;

// Which timetables the panels show beside class `ban`'s timetable: walking the subjects in
// ascending id, the teacher of each subject's earliest lesson, once each.
std::vector<int> banPanelTeachers(const model::School& school, const model::Array2<int>& B, int ban);
// Beside teacher `tea`'s timetable: every class it teaches in the grid, in ascending id,
// all the classes of a combined lesson counted.
std::vector<int> teaPanelClasses(const ChangeFinder& finder, const model::School& school, const model::Array2<int>& T,
                                 int tea);

// A cell of a panel: the abbreviation of the lesson there, and whether that lesson is one
// of the timetable the page shows (painted darker) or another's.
struct MiniCell {
    std::string text;
    int r = -1;  // -1: empty
    bool own = false;
    bool operator==(const MiniCell&) const = default;
};
// The cells 1..N (entry 0 unused) of the panel showing teacher `tea` beside class `ban`
// (page side Ban), or class `ban` beside teacher `tea` (page side Tea).
std::vector<MiniCell> miniPanelCells(const ChangeFinder& finder, const model::School& school, KbGridsRef now,
                                     KbSide page, int ban, int tea);

// The subject's text in a small cell: its short name, else the first whole character of
// its name, else blank.
std::string subjectAbbrev(const model::School& school, int ke);
// The text of lesson r in a small cell (blank for no lesson).
std::string lessonAbbrev(const model::School& school, int r);
// The day header of the small timetables: the last whole character of the weekday's name.
std::string miniDayHeader(const model::School& school, int day);

// The first and last whole character of a UTF-8 text: a code point with the marks, joiners,
// selectors and modifiers that belong to it, never part of one. Empty for an empty text.
std::string firstCharacter(const std::string& utf8);
std::string lastCharacter(const std::string& utf8);

}  // namespace tavrin::timetable
