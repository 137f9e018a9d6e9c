// The polishing pass: a local search over a full timetable that lowers, in this order, the
// same-day repeats, the teacher gaps and the preferences left unmet. Its one move trades two
// blocks of periods (one period, or two for a double) between the lessons a Kempe chain binds:
// a lesson moving into the other block takes along every lesson there of its classes, its
// teacher and the teacher's exclusion partner, and so on, which covers moves to free periods,
// swaps in one class and chains of swaps across classes. Simulated annealing over these moves,
// then a descent, keep the best timetable met. Moves start mostly from a class day with a
// repeat or a teacher day with a gap, aim mostly where that could be cured, and each is
// weighed on copies of the days it touches before it is made. The polish ends early when the repeats and gaps reach the fewest the
// lessons allow, or when a long run of moves gains nothing; the same seed and budget still
// give the same timetable. A double or a combined lesson moves as one unit. It never moves a lesson of a kept or locked class, of a locked teacher, or one
// scored kImmovableScore or more ("一定排"); every move keeps every rule the checker enforces
// (and the run's options the search enforces), and it never changes what is placed.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/school.h"
#include "scheduler/options.h"
#include "store/store.h"
#include "timetable/quality.h"

namespace tavrin::scheduler {

// The figures the polish lowers, in the order it lowers them, and the breaches that remain.
struct PolishFigures {
    int repeats = 0;    // timetable::dayRepeats over the classes and days
    int gaps = 0;       // timetable::dayGaps over the teachers and days
    int preferred = 0;  // "尽量排" periods holding their subject or teacher
    int breaches = 0;   // rules the checker finds broken
    bool operator==(const PolishFigures&) const = default;
};
PolishFigures polishFigures(const model::School& s, const model::Grids& g);
// The same from the measures already taken of g.
PolishFigures polishFigures(const model::School& s, const model::Grids& g, const timetable::Quality& q);

struct PolishRequest {
    PaiOptions opts;
    std::uint32_t seed = 1;
    // Moves weighed before the polish ends with the best timetable so far (0: until no move helps).
    long long stepBudget = 0;
    // Work after which the polish ends likewise (0: no bound), counted in day rows weighed:
    // a step costs a few, a move weighed a few more and one for every class day and teacher
    // day it touches.
    long long workBudget = 0;
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(int percent)> progress;
    // Called at every step with the step number; a test may set the cancel flag there.
    std::function<void(long long)> stepHook;
};

struct PolishResult {
    bool cancelled = false;     // the grids are the ones given
    bool nothingToMove = false; // every lesson locked, kept or fixed in place
    bool budgetSpent = false;
    bool improved = false;      // the grids are better than the ones given (else they are those)
    // The repeats are at the fewest the lessons allow and no teacher has a gap: the polish
    // ended there, whatever steps were left.
    bool atBound = false;
    model::Grids grids;
    PolishFigures before, after;
    timetable::Quality quality;  // every measure of the grids returned
    int units = 0;       // lessons and lesson groups the polish could move
    int moves = 0;       // moves made
    long long steps = 0; // moves weighed
    double seconds = 0;
};

// The polish's default steps after a run on a school of `lessons` lessons: enough for the
// repeats and gaps of real schools' weeks to fall to what a careful timetabler reaches. Small
// schools whose lessons are bound in large combined groups need many steps for few lessons,
// hence the floor. Most runs end well before it, where moves stop paying.
inline constexpr long long kPolishStepsPerLesson = 60;
inline constexpr long long kPolishMinSteps = 300'000;
inline long long polishStepsFor(int lessons)
{
    return std::max(kPolishStepsPerLesson * std::max(lessons, 1), kPolishMinSteps);
}

// After a run the polish gets, by default, about the work the search did, so that the run's
// time stays mostly the search's; "优化课表" on the stored timetable is the thorough polish.
// A step of the search (a placement, a chain step or a repair move) takes about as long as
// this many units of the polish's work, on weeks of every shape alike.
inline constexpr long long kPolishWorkPerSearchStep = 58;
inline long long polishWorkAfterSearch(long long searchSteps)
{
    return std::max(searchSteps * kPolishWorkPerSearchStep, 10'000LL);
}

// Weighed moves without a gain (of one repeat, or eight gaps) after which the polish gives
// up on a school of few lessons; larger schools get a few such moves per lesson.
inline constexpr long long kPolishMinStall = 2000;

// "没有可以优化的课"
extern const char* const kNothingToPolish;

// Polishes `start`; the classes with banKeep[b] set stand as they are. Writes nothing.
PolishResult polishTimetable(const model::School& s, const model::Grids& start, const std::vector<std::uint8_t>& banKeep,
                             const PolishRequest& req);

class Engine;
// The same for the timetable a run's engine holds, polished on that engine: it spares the
// polish building the school's tables again. The engine is spent.
PolishResult polishAfterRun(Engine& e, const model::School& s, const std::vector<std::uint8_t>& banKeep,
                            const PolishRequest& req);

// The figures before and after in one line, for the result dialog and the CLI.
std::string polishLine(const PolishResult& r);

struct StoredPolish {
    PolishResult result;
    bool saved = false;
};
// Polishes the stored timetable of the classes chosen (empty: every class) and saves it when
// the polish found a better one.
StoredPolish polishStored(store::Store& st, const model::School& s, const std::vector<int>& classes,
                          const PolishRequest& req);

}  // namespace tavrin::scheduler
