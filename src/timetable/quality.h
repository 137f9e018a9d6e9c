// Figures of a timetable's quality beyond the count placed, so that two runs, strengths or
// versions can be compared.
#pragma once

#include "model/school.h"

namespace tavrin::timetable {

struct Quality {
    int doublesFormed = 0;    // wanted doubles that stand (at most the wanted count per assignment)
    int doublesWanted = 0;    // sum of the subject's doubles wanted over the assignments
    int preferredKept = 0;    // "尽量排" periods of a subject in a class, or of a teacher, holding it
    int preferredMarked = 0;  // such periods that could hold a lesson
    int sameDayRepeats = 0;   // lessons beyond the first of a subject on one day of a class (no doubles wanted)
    int teacherGaps = 0;      // free periods between a teacher's first and last lesson of a section
    int outOfStep = 0;        // fully placed assignments out of step with a parallel class
};

Quality measureQuality(const model::School& s, const model::Grids& g);

}  // namespace tavrin::timetable
