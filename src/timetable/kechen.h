// The stored timetable (kechenbd) turned into the two grids of a loaded school.
#pragma once

#include <vector>

#include "model/school.h"
#include "store/store.h"

namespace tavrin::timetable {

// Fills fresh grids from kechenbd, rows in the order they were written. A row whose weekday
// is not a school day or whose period lies past the day has no slot, and a row whose class,
// teacher and subject name no assignment has no lesson: both are left out and listed in
// `skipped` when it is given. The class cell and the teacher cell take the assignment, the
// class's Teshu_B the row's score, and the assignment counts one placed lesson; a combined
// lesson is held by each of its classes, its teacher's cell by the member written last.
model::Grids LoadKeChenData(store::Store& store, const model::School& school,
                            std::vector<model::SkippedRow>* skipped = nullptr);

}  // namespace tavrin::timetable
