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

// Rows a load left out, grouped by table and reason in the order the loaders met them.
struct NotLoaded {
    std::string table, reason;
    int rows = 0;
};
std::vector<NotLoaded> groupNotLoaded(const std::vector<SkippedRow>& rows);
// One line naming how many rows were left out and why, saying that `scope` (what the
// reader is about to see) does not cover them; empty when the school loaded whole.
std::string notLoadedLine(const std::vector<SkippedRow>& rows, const char* scope);
// Every row the school's model and its stored timetable leave out.
std::vector<SkippedRow> rowsNotLoaded(store::Store& s);

// Weekly lessons a teacher gives: a combined lesson counts once, with the periods of its
// first assignment.
int teacherLessons(const School& school, int tea);
// Periods of subject `ke` in class `ban` that no assignment covers yet (may be negative).
int unassignedPeriods(const School& school, int ban, int ke);

}  // namespace tavrin::model
