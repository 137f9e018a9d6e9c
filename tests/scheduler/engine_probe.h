// The one way tests reach inside the engine: building situations lesson by lesson, running
// the repair alone, checking the incremental counts.
#pragma once

#include "scheduler/engine.h"

namespace tavrin::scheduler {

struct EngineProbe {
    // Places R (with its combined group) at s / takes the lesson at (ban, s) off with its group.
    static void place(Engine& e, int R, int s, int score) { e.placeLesson(R, s, score); }
    static void remove(Engine& e, int ban, int s) { e.removeLesson(ban, s); }
    static void setMinScore(Engine& e, int m) { e.minScore_ = m; }
    // The repair alone, on the grids as they stand.
    static void repair(Engine& e) { e.repair(); }
    // The incremental counts equal those recomputed from the grids.
    static bool countsConsistent(const Engine& e) { return e.countsConsistent(); }
};

}  // namespace tavrin::scheduler
