// Rows a load left out, told before anything else: a report on a school read in part
// must never read as a report on the whole school.
#pragma once

#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "model/info.h"
#include "model/school.h"

namespace tavrin::cli {

// One line naming how many rows were left out and why; empty when the school loaded whole.
inline std::string notLoadedLine(const std::vector<model::SkippedRow>& rows)
{
    return model::notLoadedLine(rows, "以下结果");
}

// Told before a run, since its totals cover only the rows that loaded; on the error stream
// under --json, so the report stays one JSON document.
inline void tellNotLoaded(const std::vector<model::SkippedRow>& rows, bool json)
{
    if (!rows.empty())
        (json ? std::cerr : std::cout) << notLoadedLine(rows) << std::endl;
}

inline nlohmann::ordered_json notLoadedJson(const std::vector<model::SkippedRow>& rows)
{
    nlohmann::ordered_json a = nlohmann::ordered_json::array();
    for (const auto& n : model::groupNotLoaded(rows))
        a.push_back({{"table", n.table}, {"reason", n.reason}, {"rows", n.rows}});
    return a;
}

}  // namespace tavrin::cli
