// The working copies of steps 1 and 2 as JSON, for `tavrin-cli classes` and `tavrin-cli week`
// (the README documents the keys). Reading refuses malformed input with `BadJson`, naming
// the place in the program's words.
#pragma once

#include <nlohmann/json.hpp>

#include <stdexcept>

#include "entry/classes.h"
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

}  // namespace tavrin::entry
