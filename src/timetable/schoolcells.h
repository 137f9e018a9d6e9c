// The whole-school timetable (a row per class) and the assignment table (a row per teacher),
// free of widgets: the text and colours of every cell, the hover lightening, the geometry,
// the pick list of a clicked cell, the drop of a dragged lesson within its row or onto the
// drop image, and the counts of the assignment table. The pages, `tavrin-cli show` and the
// tests share these; every change goes through `KbDocument` and the moves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/school.h"
#include "timetable/cells.h"
#include "timetable/kbdata.h"
#include "timetable/kbdocument.h"
#include "timetable/kbdrag.h"
#include "timetable/layout.h"
#include "timetable/moves.h"

namespace tavrin::timetable {

// The colours of both tables, each one entry of `schoolRgb`'s table.
enum class SchoolColour : std::uint8_t {
    Morning,        // a lesson or empty cell in the morning
    Afternoon,
    Evening,
    Fixed,          // a fixed lesson of an unlocked class
    FixedText,      // its text
    Locked,         // a locked class's or teacher's cells (amber)
    Hot,            // a highlighted teacher's or subject's lesson (red)
    White,
    Black,
    RkMorning,      // the assignment table's section greys
    RkAfternoon,
    RkEvening,
    Header,         // headers and names: black, white text
    Body,           // the assignment table's background
    PickOk,         // a pick-list entry that may be chosen
    PickRefused,    // one that may not
    DragAccept,     // the dragged cell over a target that takes it
    DragRefuse,
    TargetAccept,   // the target under the pointer
    TargetRefuse,
    Count
};

// 0xRRGGBB of a colour.
std::uint32_t schoolRgb(SchoolColour c);
// The hover state of a colour: each channel 0x40 lighter, stopping at 0xFF.
std::uint32_t hoverRgb(std::uint32_t rgb);

// The highlights of the cell menu, by teacher and by subject; they live until the step is left.
struct SchoolHot {
    std::vector<char> tea, ke;
    bool teaHot(int t) const { return t >= 0 && static_cast<std::size_t>(t) < tea.size() && tea[static_cast<std::size_t>(t)]; }
    bool keHot(int k) const { return k >= 0 && static_cast<std::size_t>(k) < ke.size() && ke[static_cast<std::size_t>(k)]; }
    void setTea(int t, bool on);
    void setKe(int k, bool on);
    void clear() { tea.clear(), ke.clear(); }
};

struct SchoolCell {
    enum class Kind : std::uint8_t { Empty, Fixed, Lesson };
    Kind kind = Kind::Empty;
    std::string text;
    SchoolColour fill = SchoolColour::Morning;
    SchoolColour textColour = SchoolColour::White;
    bool draggable = false;
    // Whether the pointer lights it and a click opens the pick list: neither its class nor its
    // lesson's teacher is locked.
    bool live = false;
    int renke = -1;
};

// Cell of class `ban` at `slot` of the whole-school table, from class grid B; `show` are
// the boxes "显示科目" and "显示教师".
SchoolCell schoolBanCell(const model::School& school, const model::Array2<int>& B, int ban, int slot, KbShow show,
                         const SchoolHot& hot);
// Cell of teacher `tea` at `slot` of the assignment table, from teacher grid T; `show` are
// "显示科目" and "显示班级". Read-only: never draggable, never live.
SchoolCell schoolTeaCell(const model::School& school, const model::Array2<int>& T, int tea, int slot, KbShow show);

// The assignment table's figures: lessons a week of a teacher (0 without lessons), and
// teachers teaching at each slot ([0..N], entry 0 unused).
int teacherWeekCount(const model::School& school, const model::Array2<int>& T, int tea);
std::vector<int> teachersPerSlot(const model::School& school, const model::Array2<int>& T);

// The whole-school table (`assignments` false) or the assignment table as tab-separated
// text, both boxes ticked: a header line of slots ("星期一第1节"), then one line per class
// (teacher) with its name and each slot's text on one line ("语文（张老师）"); the assignment
// table adds each teacher's weekly lessons ("周课时") and a last line "上课教师" with the
// teachers teaching at each slot.
std::string renderSchoolText(const KbData& kb, bool assignments);
// A cell's text on one line.
std::string oneLine(const std::string& text);

// The corner texts.
std::string schoolCornerText();  // "总　课\n\n程　表"
std::string assignCornerText();  // "总　任\n\n课　表"
inline constexpr const char* kAssignStatus = "该表只供浏览，调课请于班级表、教师表、总课程表中调课。";
// The period header of a slot: "第j节", a line break and the period's time when it has one.
std::string slotHeader(const model::School& school, int slot);

// Where everything of a school table stands, in content pixels, for a body `bodyWidth` wide.
struct SchoolGeometry {
    int w = 49, h = 33;
    // The name column: as wide as a cell, or wider (up to three cells) where the screen
    // measures longer names; 0 means a cell's width.
    int nameW = 0;
    int rows = 0, slots = 0, P = 1, days = 0;
    int nameWidth() const { return nameW > w ? nameW : w; }
    int leftWidth() const { return nameWidth() + 1; }
    int topHeight() const { return 2 * h + 2; }
    // Body cell of row r (1..rows) and slot s (1..slots), the body's own origin.
    KbRect cell(int r, int s) const { return {1 + (s - 1) * (w + 1), 1 + (r - 1) * (h + 1), w, h}; }
    // Period header of slot s in the top strip (x as the body's), day header d.
    KbRect periodHeader(int s) const { return {1 + (s - 1) * (w + 1), h + 2, w, h}; }
    KbRect dayHeader(int d) const { return {(d - 1) * (w + 1) * P + 1, 1, (w + 1) * P - 1, h}; }
    // Row name of row r in the left strip (y as the body's).
    KbRect rowName(int r) const { return {1, 1 + (r - 1) * (h + 1), nameWidth(), h}; }
    int bodyWidth() const { return 1 + slots * (w + 1); }
    int bodyHeight() const { return 1 + rows * (h + 1); }
    // Row (slot) under a body coordinate, 0 when none.
    int rowAt(int y) const;
    int slotAt(int x) const;
};
SchoolGeometry schoolGeometry(int bodyWidth, int rows, const model::WeekShape& week);

// The drop image `imgKbAllTmp`, 200 x 75, beside the dragged cell: below it, or above when
// the last row ends too close; to its left when the row ends too close on the right.
inline constexpr int kDropImageW = 200, kDropImageH = 75;
KbRect dropImageRect(const SchoolGeometry& g, int row, int slot);

// ---- the pick list of a clicked cell

struct SchoolPickEntry {
    int renke = -1;
    int instance = 0;     // which of its assignment's held lessons (1..)
    std::string text;     // subject and teacher, as the boxes say
    bool enabled = false;
    std::string hint;     // why it may not be chosen
};

class SchoolPicker {
public:
    enum class Click {
        Ignored,   // a locked class or a lesson of a locked teacher: nothing
        Closed,    // the second click on the same cell closed the list
        Fixed,     // a fixed lesson: no list
        Overflow,  // more unplaced lessons than slots: no list (`holdingOverflowText`)
        Opened,    // the list is open (possibly empty)
    };
    // A click on class `ban`'s cell at `slot`. "The same cell" is the same class and slot.
    Click click(const KbData& kb, int ban, int slot, KbShow show);
    bool isOpen() const { return open_; }
    int ban() const { return ban_; }
    int slot() const { return slot_; }
    const std::vector<SchoolPickEntry>& entries() const { return entries_; }
    // Any step, undo, redo or lock change closes the list: its entries describe a snapshot
    // that is gone.
    void close() { open_ = false, entries_.clear(); }
    // Chooses entry n (0-based): the lesson is checked again against the timetable being
    // edited (still held, its class and teacher unlocked, allowed there), then placed in one
    // step without a question. The list closes either way.
    MoveOutcome choose(KbDocument& doc, std::size_t n);

private:
    bool open_ = false;
    int ban_ = 0, slot_ = 0;
    std::vector<SchoolPickEntry> entries_;
};

// The entries of class `ban`'s unplaced lessons for its cell at `slot`, in holding order.
// `overflow` as the holding list says.
std::vector<SchoolPickEntry> schoolPickEntries(const KbData& kb, int ban, int slot, KbShow show, bool* overflow);

// ---- dragging on the whole-school table (a `KbDrag` of the class side)

// What a drop on class `ban`'s cell at `slot` does: nothing in another row, on the source,
// or on a target that refuses (marks 0, 3, 4); the exchange for mark 1; the question for 2.
KbDrag::Drop schoolDropOn(const KbDrag& drag, int ban, int slot);
// The drop itself: `ask` answers "真的要调课？" for a mark 2 (false: nothing changes).
MoveOutcome schoolDrop(KbDocument& doc, const KbDrag& drag, int ban, int slot, const std::function<bool()>& ask);
// A drop on the drop image at (x, y) of the image: the dragged lesson goes to the holding
// area in one step recorded against its class, and its new held instance keeps a place
// there (3x, y) on both pages unless it has one.
MoveOutcome dropToHolding(KbDocument& doc, int ban, int slot, int x, int y);

}  // namespace tavrin::timetable
