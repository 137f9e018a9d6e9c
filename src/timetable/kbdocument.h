// `KbDocument`: the one owner of the timetable step's state, free of widgets. It holds what
// `KbData` describes (the school, the baseline, the ring of 101 snapshots, locks, holding
// places) and is the only way to change it: loading and leaving the step, saving, the lock
// changes, the holding places, and edits as steps of the ring with undo and redo. After
// every change it tells its listeners what changed (slots and class and teacher rows), so
// that every page and panel showing the timetable follows without reaching into another.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/school.h"
#include "store/result.h"
#include "store/store.h"
#include "timetable/cells.h"
#include "timetable/kbdata.h"
#include "timetable/layout.h"

namespace tavrin::timetable {

struct KbChange {
    enum class Kind {
        Loaded,   // a timetable was loaded: everything is new
        Freed,    // the step was left: nothing is loaded
        Step,     // an edit, one step of the ring
        Undo,     // a step taken back
        Redo,     // a step done again
        Lock,     // a class or teacher was locked or unlocked
        Holding,  // the remembered places of held lessons moved
        Saved,    // the file now holds the timetable being edited
    };
    Kind kind = Kind::Loaded;
    // The record of the step concerned (10000 + class, 20000 + teacher); 0 when not a step.
    int record = 0;
    // Slots whose cells changed in some row, class rows and teacher rows that changed; each
    // sorted and without repeats. For a lock, the row locked or unlocked.
    std::vector<int> slots, bans, teas;
    bool everything() const { return kind == Kind::Loaded || kind == Kind::Freed; }
    static KbChange of(Kind k, int rec = 0)
    {
        KbChange c;
        c.kind = k;
        c.record = rec;
        return c;
    }
};

class KbListener {
public:
    virtual ~KbListener() = default;
    virtual void kbChanged(const KbChange& change) = 0;
};

class KbDocument {
public:
    KbDocument() = default;
    KbDocument(const KbDocument&) = delete;
    KbDocument& operator=(const KbDocument&) = delete;

    // ---- the step's life
    // Reads the school and the stored timetable (`LoadKbData`).
    void load(store::Store& store);
    // Starts from a school and grids already read (`startKbData`).
    void start(model::School school, model::Grids grids);
    // Leaving the step (`FreeKbData`).
    void free();
    // `SaveKbData`: the timetable being edited and the locks, in one transaction. Nothing in
    // memory changes; listeners hear `Saved` when it went in.
    store::Result save(store::Store& store);

    // ---- reading
    bool loaded() const { return kb_.loaded; }
    const KbData& data() const { return kb_; }
    const model::School& school() const { return kb_.school; }
    const model::Grids& baseline() const { return kb_.base; }
    int N() const { return kb_.N(); }

    // ---- locks
    // A lock change is no step of the ring (undo never takes one back), but it is an edit
    // that only the save stores: listeners hear `Lock` and mark the step changed.
    void setBanLocked(int ban, bool on);
    void setTeaLocked(int tea, bool on);
    // "全部锁定" locks every class and leaves the teachers as they are; "全部解锁" unlocks
    // every class and every teacher. One notification naming the rows that changed, none
    // when nothing did.
    void lockAllBans();
    void unlockAll();

    // ---- remembered places of held lessons
    // Scales every remembered place from cells of oldW x oldH to newW x newH.
    void scaleHoldingPlaces(int oldW, int oldH, int newW, int newH);
    // The place of instance `k` (1..the assignment's weekly count) of assignment r on the
    // class (tea false) or teacher page; any other instance is ignored.
    void setHoldingPlace(bool tea, int r, int k, int x, int y);
    // After held instance `k` of r was placed, the instances after it move up one on both
    // pages, so that the lessons still held stay where they were seen,
    // and the placed place is kept at the first instance left without one. `displaced`, the
    // lesson the placement sent to the holding area (-1 none), held `heldBefore` lessons
    // before: its new instance takes the place the placed one had, on both pages.
    void holdingAfterPlacement(int r, int k, int displaced, int heldBefore);
    // Lays out the held lessons of a page (`placeHolding`): lessons without a place take the
    // next of the flow, which is remembered for them.
    std::vector<KbRect> placeHolding(const KbHolding& held, bool tea, int w, int h, int areaWidth);

    // ---- steps, undo and redo
    // The snapshot a step edits, and the one before it, to read the old state from.
    struct Snapshot {
        model::Array2<int>& B;
        model::Array2<int>& T;
        std::vector<int>& placed;
    };
    struct Before {
        const model::Array2<int>& B;
        const model::Array2<int>& T;
        const std::vector<int>& placed;
    };
    using Edit = std::function<void(Snapshot& now, const Before& before)>;

    // One step with record `record`: opens it (the next snapshot of the ring becomes a copy
    // of the current one; a full ring gives up its oldest state), lets `edit` change the new
    // snapshot, closes it (cutting off any redo) and tells the listeners what differs.
    // Nothing happens while nothing is loaded.
    KbChange apply(int record, const Edit& edit);

    // `actUndoKb` and `actRedoKb`'s availability.
    bool canUndo() const;
    bool canRedo() const;
    // Take back or do again one step; nothing when unavailable (the keyboard, the CLI and
    // tests reach these past any disabled button). The change names the step's record and
    // the rows and slots that differ between the two snapshots.
    std::optional<KbChange> undo();
    std::optional<KbChange> redo();
    // Why an available undo (redo) may not go through, or empty: a locked timetable is kept
    // out of every hand change, undo and redo included, so a step that differs in a locked
    // class's or teacher's row waits for the unlock ("会影响已锁定的" + the first such
    // class, else teacher, + "。"). undo() and redo() change nothing while this is said.
    std::string undoRefusal() const;
    std::string redoRefusal() const;

    // ---- listeners (not owned; a listener removes itself before it goes)
    void addListener(KbListener* l);
    void removeListener(KbListener* l);

private:
    KbData kb_;
    std::vector<KbListener*> listeners_;

    void notify(const KbChange& c);
    // What differs between snapshots a and b.
    KbChange diff(int a, int b, KbChange::Kind kind, int record) const;
    std::string lockedDiff(int a, int b) const;
};

}  // namespace tavrin::timetable
