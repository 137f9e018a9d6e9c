// One drag on a class or teacher page, free of widgets: what is dragged (a lesson of the grid
// or a held one), the marks it was classified with once at the start, the target the
// pointer (or the keyboard cursor) is over, the picture every cell shows meanwhile, and what
// a drop on a cell does. The page's controller turns pointer and keys into these calls; the
// benchmark and the tests drive it the same way.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "timetable/cells.h"
#include "timetable/kbdata.h"
#include "timetable/kbdocument.h"
#include "timetable/moves.h"

namespace tavrin::timetable {

class KbDrag {
public:
    // What a drop on a cell does: nothing, the operation, or the operation once the
    // question is answered Yes.
    enum class Drop { Nothing, Apply, Ask };

    // A lesson of the grid shown (class `id` or teacher `id`) at `slot`. False, and nothing
    // starts, when no lesson stands there that may be dragged.
    bool startCell(const KbData& kb, KbSide side, int id, int slot);
    // Held entry `entry` (1..count) of that page's holding list.
    bool startHeld(const KbData& kb, KbSide side, int id, const KbHolding& held, int entry);
    void end();

    bool active() const { return active_; }
    bool fromHolding() const { return active_ && entry_ > 0; }
    KbSide side() const { return side_; }
    int id() const { return id_; }
    int sourceSlot() const { return active_ ? slot_ : 0; }
    int sourceEntry() const { return active_ ? entry_ : 0; }
    int renke() const { return renke_; }
    // Which of its assignment's held lessons a held source is (`TmpKeNo`).
    int instance() const { return instance_; }
    const MoveMarks& marks() const { return marks_; }
    int mark(int slot) const;
    const std::string& hint(int slot) const;

    // The picture a cell shows during the drag, over its own look: its mark's picture, the
    // locked one on a locked target, the fixed-lesson one on a fixed lesson, no picture on
    // the source; nullopt where the mark names none. The target under the pointer shows
    // `FromKe` while it accepts.
    std::optional<KbLook> look(int slot) const;
    std::vector<std::optional<KbLook>> looks() const;
    // Whether a drop on `slot` is taken: marks 1 and 2, and the source cell itself.
    bool accepts(int slot) const;

    // The target under the pointer: a cell (slot), or 0 for anything else. Returns the cell
    // that was over before, so that only the two cells whose picture changed repaint.
    int over() const { return over_; }
    int setOver(int slot);

    Drop dropOn(int slot) const;
    // The exchange or placement onto `slot` (`confirmed` answers the question of a mark 2).
    MoveOutcome apply(KbDocument& doc, int slot, bool confirmed) const;

private:
    bool active_ = false;
    KbSide side_ = KbSide::Ban;
    int id_ = 0;
    int slot_ = 0;      // the source cell, 0 for a held source
    int entry_ = 0;     // the held entry, 0 for a cell
    int renke_ = -1;
    int instance_ = 0;
    int over_ = 0;
    MoveMarks marks_;
};

}  // namespace tavrin::timetable
