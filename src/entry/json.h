// The working copies of steps 1 to 4 as JSON, for `tavrin-cli classes`, `week`, `subjects` and
// `teachers`
// (the README documents the keys). Reading refuses malformed input with `BadJson`, naming
// the place in the program's words.
#pragma once

#include <nlohmann/json.hpp>

#include <stdexcept>

#include "entry/classes.h"
#include "entry/subjectdraft.h"
#include "entry/teachers.h"
#include "entry/week.h"

namespace tavrin::entry {

class BadJson : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Printed with their keys in the documented order.
nlohmann::ordered_json toJson(const ClassDraft& d);
ClassDraft classesFromJson(const nlohmann::json& j);

nlohmann::ordered_json toJson(const WeekDraft& d);
// The week of `j` over the scope tree of `base` (the file's classes, as `loadWeek` read them).
WeekDraft weekFromJson(const nlohmann::json& j, WeekDraft base);

nlohmann::ordered_json toJson(const KemuDraft& d);
// The subjects of `j` over the classes and week of `base` (the file's, as `loadSubjects` read
// them). A subject with the "id" of a stored one keeps it; one without is new. A number
// past the page's bound is taken only where it is the stored one, unchanged.
KemuDraft subjectsFromJson(const nlohmann::json& j, KemuDraft base);

nlohmann::ordered_json toJson(const TeaDraft& d);
// The teachers of `j` over the file's draft `base`: a teacher with the "id" of a stored one
// keeps it, one without is new, a stored one left out is deleted. An assignment the file
// already holds keeps its entry, so an unchanged printout saves as no change.
TeaDraft teachersFromJson(const nlohmann::json& j, TeaDraft base);

}  // namespace tavrin::entry
