// The timetable step's working state: the school, the timetable as loaded (the baseline),
// the ring of 101 snapshots the editor works in, and the remembered places of held lessons.
// It lives from entering the step (`load`) to leaving it (`FreeKbData`); the class,
// teacher and whole-school pages, the editing commands and the exports all read it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/school.h"
#include "store/result.h"
#include "store/store.h"

namespace tavrin::timetable {

inline constexpr int kRingSize = model::kUndoRing;  // snapshots 0..100

// A timetable is named by a page code: 10000 + class id, or 20000 + teacher id.
inline constexpr int kBanPageBase = 10000;
inline constexpr int kTeaPageBase = 20000;
inline int banPage(int ban) { return kBanPageBase + ban; }
inline int teaPage(int tea) { return kTeaPageBase + tea; }

// Ring index arithmetic: 100 + 1 = 0, 0 - 1 = 100.
inline int ringNext(int i) { return i + 1 >= kRingSize ? 0 : i + 1; }
inline int ringPrev(int i) { return i <= 0 ? kRingSize - 1 : i - 1; }

struct KbData {
    bool loaded = false;

    // The school with its conditions; locks (`BanLocked`, `TeaLocked`) are edited here.
    model::School school;
    // The timetable as loaded: never edited, the reference for what has changed.
    model::Grids base;

    // The snapshots. Each is allocated once on loading, sized like the grids, so that a
    // step of the editor copies and allocates nothing.
    std::vector<model::Array2<int>> Renke_B_undo;    // [step][banid][slot]
    std::vector<model::Array2<int>> Renke_T_undo;    // [step][teaid][slot]
    std::vector<std::vector<int>> RenkePlaced_undo;  // [step][r]
    std::array<int, kRingSize> UndoKb{};             // [step] page code the step changed
    int AtdoNum = 0;
    int UndoFirst = 0;
    int UndoLast = 0;

    // Remembered places (left, top) of held lessons in the holding area, by assignment and
    // instance 0..RenkeMaxJieshu; 0 = none. The class page and the teacher page keep their own.
    model::Array2<int> TmpPosX_B, TmpPosY_B, TmpPosX_T, TmpPosY_T;

    // Rows of kechenbd the load left out.
    std::vector<model::SkippedRow> skipped;

    int N() const { return school.N(); }
    // The timetable being edited.
    const model::Array2<int>& gridB() const { return Renke_B_undo[static_cast<std::size_t>(AtdoNum)]; }
    const model::Array2<int>& gridT() const { return Renke_T_undo[static_cast<std::size_t>(AtdoNum)]; }
    model::Array2<int>& gridB() { return Renke_B_undo[static_cast<std::size_t>(AtdoNum)]; }
    model::Array2<int>& gridT() { return Renke_T_undo[static_cast<std::size_t>(AtdoNum)]; }
    const std::vector<int>& placed() const { return RenkePlaced_undo[static_cast<std::size_t>(AtdoNum)]; }
    std::vector<int>& placed() { return RenkePlaced_undo[static_cast<std::size_t>(AtdoNum)]; }
    int cellB(int ban, int slot) const { return gridB()(ban, slot); }
    int cellT(int tea, int slot) const { return gridT()(tea, slot); }
    // Lessons of assignment r not standing in the timetable being edited.
    int unplaced(int r) const;

    bool banLocked(int ban) const;
    bool teaLocked(int tea) const;
};

// Starts the editing state from a loaded school and the grids read from kechenbd: the
// baseline, snapshot 0 equal to it, the other 100 snapshots empty, the undo records
// (step 0 recorded as class 1), the holding places empty.
void startKbData(KbData& kb, model::School school, model::Grids loaded);

// The whole load of the step: teachers, assignments, classes, fixed lessons, locks and the
// conditions, then the stored timetable (rows without a slot or an assignment left out).
void LoadKbData(store::Store& store, KbData& kb);

// Leaving the step: everything released, the state back to "not loaded".
void FreeKbData(KbData& kb);

// The save of the timetable being edited, in one transaction: kechenbd rewritten from the
// class grid (classes in order, slots in order, kechenid 1..n, teshu 0; a combined lesson
// once per class), then the lock of every class and teacher row. Nothing in memory changes.
// Refused on a read-only store; a fault leaves the file as it was.
store::Result SaveKbData(store::Store& store, const KbData& kb);

// The grid layout setting (`setting` row "课表显示"): 1 days as columns ("日列"), 2 days as
// rows ("日行"). Reading gives 1 unless the row says "日行". A read-only school keeps the
// stored one: the layout is only how this window shows it.
int readKbLayout(store::Store& store);
void storeKbLayout(store::Store& store, int layout);

}  // namespace tavrin::timetable
