// Hand editing of the timetable: where a dragged lesson may go (the marks and their hints),
// why it may not, what to beware of, and the exchanges, placements and parking that follow
// a drop, each as one step of the document's ring. Free of widgets: the class, teacher and
// whole-school pages, `tavrin-cli move` and the tests all come through here.
//
// A combined lesson (the members of one group with the same teacher standing at one slot,
// each in its own class) moves as one: an exchange swaps the two slots in every class it
// touches, parking and displacement take every member to the holding area, and a placement
// brings one held lesson of every member that has one. Anything else would free the
// teacher while a partner class still sits there, or lose a lesson from both grid and
// holding area.
#pragma once

#include <string>
#include <vector>

#include "store/result.h"
#include "timetable/cells.h"
#include "timetable/kbdata.h"
#include "timetable/kbdocument.h"

namespace tavrin::timetable {

// Mark of a target slot during a drag.
enum MoveMark : int {
    MarkSource = 0,   // the source slot, or a target touching a locked timetable
    MarkOk = 1,       // allowed
    MarkWarn = 2,     // allowed after confirmation
    MarkRefused = 3,  // refused (or a fixed lesson)
    MarkSame = 4,     // the same assignment stands there
};

// `MovMark`/`MovHint`: entries 0..N, entry 0 unused.
struct MoveMarks {
    std::vector<int> mark;
    std::vector<std::string> hint;
    std::vector<char> locked;  // mark 0 of a target: the locked picture, the cell disabled
    std::vector<char> fixed;   // mark 3 of a fixed lesson: the fixed-lesson picture
};

// The texts; empty when nothing applies. Every message ends with a line feed.
std::string BanToJ(const KbData& kb, int ban, int r, int slot);
std::string TeaToJ(const KbData& kb, int tea, int from, int slot);
std::string TeaAddR(const KbData& kb, int tea, int r, int slot);
std::string TestMovR(const KbData& kb, int r, int from, int slot);
// A collected text as the hint shows it: its final mark and line feed give way to "。".
std::string closeHint(const std::string& collected);

// The classifications, from the timetable being edited. Out-of-range arguments give all
// marks 0.
MoveMarks ShowMvKe_B(const KbData& kb, int ban, int from);
inline MoveMarks ShowMvKe_ALL(const KbData& kb, int ban, int from) { return ShowMvKe_B(kb, ban, from); }
MoveMarks ShowAddKe_B(const KbData& kb, int ban, int r);
MoveMarks ShowMvKe_T(const KbData& kb, int tea, int from);
MoveMarks ShowAddKe_T(const KbData& kb, int tea, int r);

// The lessons of r's combined lesson at slot: r itself and every member of its group
// standing at slot in its own class (just r when it has no group). Empty when r does not
// stand there.
std::vector<int> combinedAt(const KbData& kb, int r, int slot);

// What a changing operation did. `result` refuses with the reason and then nothing changed
// and no step was opened. `displaced` is the lesson sent to the holding area (or -1).
struct MoveOutcome {
    store::Result result;
    int displaced = -1;
    KbChange change;
};

// The class exchange of `from` and `to` in class ban's timetable (`ChnBanJ`). A target of
// mark 2 needs `confirmed` ("真的要调课？").
MoveOutcome ChnBanJ(KbDocument& doc, int ban, int from, int to, bool confirmed);
// The placement of a held lesson of assignment r of class ban at `to` (`ChnBanJ_Tmp`).
MoveOutcome ChnBanJ_Tmp(KbDocument& doc, int ban, int r, int to, bool confirmed);
// The teacher exchange (`ChnTeaJ`) and placement (`ChnTeaJ_Tmp`).
MoveOutcome ChnTeaJ(KbDocument& doc, int tea, int from, int to, bool confirmed);
MoveOutcome ChnTeaJ_Tmp(KbDocument& doc, int tea, int r, int to, bool confirmed);
// The lesson at `slot` of a class (side Ban) or teacher timetable to the holding area
// (`MvKbToTmp`).
MoveOutcome MvKbToTmp(KbDocument& doc, KbSide side, int id, int slot);

// The question asked before a drop on a mark 2.
inline constexpr const char* kMoveQuestion = "真的要调课？";
inline constexpr const char* kMoveCaption = "手动调课";

}  // namespace tavrin::timetable
