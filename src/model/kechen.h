// The stored timetable (`kechenbd`): its one reader and its one writer. Every caller (the
// timetable step, the engine's kept classes, the engine's save, the demo generator, the
// checker) goes through here, so a row means the same everywhere.
#pragma once

#include <cstdint>
#include <vector>

#include "model/school.h"
#include "store/store.h"

namespace tavrin::model {

// A stored lesson that names a slot of the week and a real assignment.
struct StoredLesson {
    int ban = 0;
    int tea = 0;
    int slot = 0;
    int r = -1;     // the assignment
    int teshu = 0;  // the placement score it was saved with
};

// Reads kechenbd, rows in the order they were written. A row whose weekday is not a school
// day or whose period lies past the day has no slot, and a row whose class, teacher and
// subject name no assignment has no lesson: both are left out and listed in `skipped`
// when it is given.
std::vector<StoredLesson> readKechen(store::Store& store, const School& school,
                                     std::vector<SkippedRow>* skipped = nullptr);

// Fresh grids from kechenbd: the class cell and the teacher cell take the assignment, the
// class's Teshu_B the row's score, and the assignment counts one placed lesson; a combined
// lesson is held by each of its classes, its teacher's cell by the member written last.
Grids LoadKeChenData(store::Store& store, const School& school, std::vector<SkippedRow>* skipped = nullptr);

// A row to write: weekday 1..7 as the file counts days.
struct KechenRow {
    int weekday = 0, jie = 0, ban = 0, tea = 0, ke = 0, teshu = 0;
};

// The rows of a class grid: classes in order, slots in order, a combined lesson once per
// class. `scores` gives each row's placement score (the engine's save); nullptr writes 0
// (a timetable edited by hand). Cells that hold no real assignment are not written.
std::vector<KechenRow> kechenRows(const School& school, const Array2<int>& classGrid,
                                  const Array2<int>* scores = nullptr);

// Replaces kechenbd by `rows` (kechenid 1..n). Runs inside the caller's transaction, so the
// timetable and whatever the caller writes with it go in together or not at all.
// Returns the number of rows written.
int writeKechen(store::Store& store, const std::vector<KechenRow>& rows);

// The lock of every class and teacher row, from the school's `BanLocked` and `TeaLocked`;
// rows the model does not know (left out on loading) are unlocked. In the caller's
// transaction.
void writeLocks(store::Store& store, const School& school);

}  // namespace tavrin::model
