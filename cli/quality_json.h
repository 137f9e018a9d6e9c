// The timetable's quality figures as JSON, the same keys wherever a command reports them.
#pragma once

#include <nlohmann/json.hpp>

#include "model/school.h"
#include "scheduler/polish.h"
#include "timetable/quality.h"

namespace tavrin::cli {

// The school's figures, then the classes with same-day repeats and the teachers with gaps.
nlohmann::ordered_json qualityJson(const model::School& s, const timetable::Quality& q);
// {same_day_repeats, teacher_gaps, preferred_kept, breaches}
nlohmann::ordered_json polishFiguresJson(const scheduler::PolishFigures& f);
// {before, after, moves, steps, seconds, budget_spent, nothing_to_move}
nlohmann::ordered_json polishJson(const scheduler::PolishResult& r);

}  // namespace tavrin::cli
