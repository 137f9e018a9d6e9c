// Figures of a timetable's quality beyond the count placed, so that two runs, strengths or
// versions can be compared.
#pragma once

#include <vector>

#include "model/school.h"

namespace tavrin::timetable {

struct Quality {
    int doublesFormed = 0;    // wanted doubles that stand (at most the wanted count per assignment)
    int doublesWanted = 0;    // sum of the subject's doubles wanted over the assignments
    int preferredKept = 0;    // "尽量排" periods of a subject in a class, or of a teacher, holding it
    int preferredMarked = 0;  // such periods that could hold a lesson
    int sameDayRepeats = 0;   // dayRepeats over every class and day
    int teacherGaps = 0;      // dayGaps over every teacher and day
    int outOfStep = 0;        // fully placed assignments out of step with a parallel class
    std::vector<int> repeatsOfBan;  // [banid] same-day repeats of the class
    std::vector<int> gapsOfTea;     // [teaid] gaps of the teacher
};

Quality measureQuality(const model::School& s, const model::Grids& g);

// Same-day repeats of class b on day d: for each subject, its lessons of the day beyond the
// first, where a wanted double (a subject with KemuLianpai > 0, one assignment on two
// neighbouring periods of one section) counts as one lesson. The one definition every
// figure, the polish and the JSON use.
int dayRepeats(const model::School& s, const model::Grids& g, int b, int d);
// The same over a class's day given as its lessons at periods 1..P (renke[j]; anything that is
// not a lesson, -1 among them, is free), so that a day can be weighed before it is written.
int dayRepeats(const model::School& s, int d, const int* renke);
// Teacher gaps of teacher t on day d: the periods without a lesson between the teacher's
// first and last lesson of the day (a combined lesson fills the teacher's row once).
int dayGaps(const model::School& s, const model::Grids& g, int t, int d);
// The same over a teacher's day given as their lessons at periods 1..P (renke[j], -1 free).
int dayGaps(int P, const int* renke);

}  // namespace tavrin::timetable
