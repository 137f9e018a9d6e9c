#include "cli/info_extra.h"

namespace tavrin::cli {

// The model loaders extend this with the school as loaded.
void addSchoolInfo(store::Store&, nlohmann::ordered_json&) {}
void printSchoolInfo(const nlohmann::ordered_json&, std::ostream&) {}

}  // namespace tavrin::cli
