// The school as loaded, summarised with stable keys for `tavrin-cli info --json` (the keys
// are listed in README.md).
#pragma once

#include <nlohmann/json.hpp>

#include "model/loaders.h"
#include "model/school.h"
#include "store/store.h"

namespace tavrin::model {

// Loads the school (model and conditions) and describes it.
nlohmann::ordered_json schoolInfo(store::Store& s);
// Describes an already loaded school; `rows` and `present` come from the same file.
nlohmann::ordered_json schoolInfo(const School& school, const ConditionRows& rows, const PresentIds& present);

// Weekly lessons a teacher gives: a combined lesson counts once, with the periods of its
// first assignment.
int teacherLessons(const School& school, int tea);
// Periods of subject `ke` in class `ban` that no assignment covers yet (may be negative).
int unassignedPeriods(const School& school, int ban, int ke);

}  // namespace tavrin::model
