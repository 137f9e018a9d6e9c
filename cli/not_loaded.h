// Rows a load left out, told before anything else: a report on a school read in part
// must never read as a report on the whole school.
#pragma once

#include <fmt/format.h>

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "model/school.h"

namespace tavrin::cli {

struct NotLoaded {
    std::string table, reason;
    int rows = 0;
};

// Grouped by table and reason, in the order the loaders met them.
inline std::vector<NotLoaded> groupNotLoaded(const std::vector<model::SkippedRow>& rows)
{
    std::vector<NotLoaded> out;
    for (const auto& r : rows) {
        auto it = std::find_if(out.begin(), out.end(),
                               [&](const NotLoaded& n) { return n.table == r.table && n.reason == r.reason; });
        if (it == out.end())
            out.push_back({r.table, r.reason, 1});
        else
            ++it->rows;
    }
    return out;
}

// One line naming how many rows were left out and why; empty when the school loaded whole.
inline std::string notLoadedLine(const std::vector<model::SkippedRow>& rows)
{
    if (rows.empty())
        return {};
    std::string why;
    for (const auto& n : groupNotLoaded(rows))
        why += fmt::format("{}{} {} 行（{}）", why.empty() ? "" : "、", n.table, n.rows, n.reason);
    return fmt::format("注意：有 {} 行数据未载入，以下结果不含这些数据：{}。", rows.size(), why);
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
    for (const auto& n : groupNotLoaded(rows))
        a.push_back({{"table", n.table}, {"reason", n.reason}, {"rows", n.rows}});
    return a;
}

}  // namespace tavrin::cli
