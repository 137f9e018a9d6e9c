// The school as loaded, added to `info` by the model layer.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

#include "store/store.h"

namespace tavrin::cli {

void addSchoolInfo(store::Store& s, nlohmann::ordered_json& j);
void printSchoolInfo(const nlohmann::ordered_json& j, std::ostream& out);

}  // namespace tavrin::cli
