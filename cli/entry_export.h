// `export PATH subjects|assignments|statistics --out FILE.xlsx`: the data-entry exports of the
// stored school, the same workbooks the subject and teacher pages write.
#pragma once

#include <string>

namespace tavrin::cli {

bool isEntryExport(const std::string& kind);
void runEntryExport(const std::string& path, const std::string& kind, const std::string& out);

}  // namespace tavrin::cli
