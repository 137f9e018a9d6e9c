// What the class and teacher timetables show: the text and state of every cell, the title,
// the headers, the lessons waiting in the holding area, the picker search and the target of
// the cell menu's go-to entry. The window and `tavrin-cli show` use the same texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/school.h"
#include "timetable/kbdata.h"
#include "timetable/layout.h"

namespace tavrin::timetable {

// The picture a cell shows. Normal, Locked and Gudin are the page's own states; the others
// belong to editing (the pointer over a lesson, the move marks of a drag).
enum class KbLook : std::uint8_t {
    Normal,   // `imgNor`
    Locked,   // `imgLock`
    Gudin,    // `imgGudinke`: a fixed lesson or activity
    Hot,      // `imgHot`: the pointer is over a lesson that may be moved
    OkPai,    // `imgOkPai`: mark 1, allowed
    LimPai,   // `imgLimPai`: mark 2, allowed with warnings
    No,       // `imgNo`: mark 3, refused
    SamKe,    // `imgSamKe`: mark 4, the same assignment
    FromKe,   // `imgfromKe`: the target under the pointer during a drag
    Blank,    // no picture (the source cell of a drag)
};

// Which side of a timetable: a class timetable (the class page) or a teacher's.
enum class KbSide : std::uint8_t { Ban = 1, Tea = 2 };

// The two content boxes: `chkShow1` "显示科目", `chkShow2` "显示教师" / "显示班级".
struct KbShow {
    bool ke = true;
    bool name = true;
};

struct KbCell {
    std::string text;
    KbLook look = KbLook::Normal;
    bool enabled = true;     // a fixed lesson's cell takes no drop
    bool draggable = false;  // a lesson neither of whose timetables is locked
    int renke = -1;          // the lesson shown, -1 none
};

// Text of a lesson of assignment r: on the class page the subject and, below it, the
// teacher in brackets; on the teacher page the subject and the class. With one box ticked
// only that part (the name without brackets); with none, blank.
std::string lessonText(const model::School& school, int r, KbSide side, KbShow show);

// One cell of class `ban`'s timetable held in class grid B (`ShowKeBiao_B`).
KbCell banCell(const model::School& school, const model::Array2<int>& B, int ban, int slot, KbShow show);
// One cell of teacher `tea`'s timetable held in teacher grid T (`ShowKeBiao_T`).
KbCell teaCell(const model::School& school, const model::Array2<int>& T, int tea, int slot, KbShow show);

// Lessons standing in a class's (teacher's) row of the grid.
int lessonCount(const model::School& school, const model::Array2<int>& grid, int id);
// The title in the top-left corner: the name, a blank, the number of lessons, "节".
std::string kbTitle(const model::School& school, const model::Array2<int>& grid, KbSide side, int id);
// The same for the timetable being edited; while lessons of it are held, the title says so:
// "一(1)班 36/40节 · 4节未排".
std::string kbTitle(const KbData& kb, KbSide side, int id);
// Period header: "第" + j + "节", a line break and the period's time when it has one.
std::string periodHeader(const model::School& school, int j);
// Day header of day number d: the weekday's name.
std::string dayHeader(const model::School& school, int d);
// Name of a class or a teacher; empty for an id the school does not have.
std::string kbName(const model::School& school, KbSide side, int id);

// The holding list of the timetable shown: every unplaced lesson of its assignments in
// assignment order, one entry per lesson. Entries are 1-based like the labels they fill;
// TmpKe[n] is the assignment, TmpKeNo[n] which of that assignment's listed lessons it is.
struct KbHolding {
    std::vector<int> TmpKe;    // [0..N], -1 = free
    std::vector<int> TmpKeNo;  // [0..N]
    int count = 0;             // entries 1..count are used
    bool overflow = false;     // more lessons than slots: the list stops at N
};
KbHolding listHolding(const KbData& kb, KbSide side, int id);
// Lessons held per class (or teacher), indexed by id, for the pickers to mark who has any.
// Unlike a holding list it never stops at N.
std::vector<int> heldCounts(const KbData& kb, KbSide side);
// The message shown when the holding list overflows.
const char* holdingOverflowText(KbSide side);
// Places of the held lessons in a holding area `areaWidth` wide, for cells of w x h, by
// entry 1..count (entry 0 unused). A lesson with a remembered place (coordinates summing to
// 10 or more) goes there; the others take the next place of the flow, which is then
// remembered for them. `posX`, `posY` are the page's arrays [assignment][instance].
std::vector<KbRect> placeHolding(const KbHolding& held, model::Array2<int>& posX, model::Array2<int>& posY, int w, int h,
                                 int areaWidth);
// After the cells changed size, remembered places move with them, so that lessons stay
// apart and in the same arrangement.
void scaleHoldingPlaces(model::Array2<int>& posX, model::Array2<int>& posY, int oldW, int oldH, int newW, int newH);

// Whether held lesson r may not be placed by hand: its class or teacher is locked, or, for a
// combined lesson, the class or teacher of another member of its group, since a placement
// brings every member at once.
bool heldLocked(const KbData& kb, int r);
// A held lesson as its label shows it (the text of a cell with that lesson; locked as
// `heldLocked` says, and then not draggable).
KbCell heldCell(const KbData& kb, int r, KbSide side, KbShow show);

// The picker search: the first item, in picker order, containing `text`; -1 when none
// matches or when the text is empty or the box's own prompt ("查找班级", "查找教师").
int findPickerItem(const std::vector<std::string>& items, const std::string& text);

// The go-to entry of the cell menu for lesson r: the teacher of the lesson on the class
// page, its class on the teacher page; 0 for no lesson.
int goToTarget(const model::School& school, int r, KbSide side);
// Its caption on the page of `side`: "打开“" + the target's name + "”(&A)".
std::string goToCaption(const model::School& school, KbSide side, int target);

}  // namespace tavrin::timetable
