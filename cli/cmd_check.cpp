// `check PATH [--json]`: the stored timetable against every rule of the school.
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/not_loaded.h"
#include "cli/open.h"
#include "cli/output.h"
#include "cli/quality_json.h"
#include "timetable/quality.h"
#include "model/loaders.h"
#include "timetable/checker.h"
#include "model/kechen.h"

namespace tavrin::cli {
namespace {

void runCheck(const std::string& path, bool json)
{
    auto st = openSchool(path);
    model::School school = model::loadSchool(*st);
    std::vector<model::SkippedRow> skipped;
    model::Grids grids = model::LoadKeChenData(*st, school, &skipped);
    auto found = timetable::checkTimetable(school, grids);
    std::vector<model::SkippedRow> notLoaded = school.skipped;
    notLoaded.insert(notLoaded.end(), skipped.begin(), skipped.end());
    if (json) {
        nlohmann::ordered_json j;
        j["violations"] = nlohmann::ordered_json::array();
        for (const auto& v : found)
            j["violations"].push_back(
                {{"kind", v.kind}, {"ban", v.ban}, {"tea", v.tea}, {"slot", v.slot}, {"renke", v.renke}, {"text", v.text}});
        j["placed"] = timetable::placedLessons(school, grids);
        j["lessons"] = timetable::weeklyLessons(school);
        j["doubles_formed"] = timetable::doublesFormed(school, grids);
        j["doubles_wanted"] = timetable::doublesWanted(school);
        j["skipped"] = skipped.size();
        j["quality"] = qualityJson(school, timetable::measureQuality(school, grids));
        j["not_loaded"] = notLoadedJson(notLoaded);
        std::cout << jsonText(j) << '\n';
    } else {
        if (!notLoaded.empty())
            std::cout << notLoadedLine(notLoaded) << '\n';
        for (const auto& v : found)
            std::cout << "[" << v.kind << "] " << v.text << '\n';
        for (const auto& r : skipped)
            std::cout << "（未载入 " << r.table << "：" << r.row << "，" << r.reason << "）\n";
        std::cout << "已排 " << timetable::placedLessons(school, grids) << " / " << timetable::weeklyLessons(school)
                  << " 节，连堂 " << timetable::doublesFormed(school, grids) << " / " << timetable::doublesWanted(school)
                  << '\n';
        if (found.empty() && notLoaded.empty())
            std::cout << "课程表检查通过。\n";
    }
    if (!found.empty())
        throw Failure("课程表检查未通过：共 " + std::to_string(found.size()) + " 处问题。");
    // A file read in part cannot pass: the rows left out may break any rule.
    if (!notLoaded.empty())
        throw Failure("课程表检查未通过：有 " + std::to_string(notLoaded.size()) + " 行数据未载入，未能检查整个文件。");
}

const bool registered = registerVerb(60, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("check", "检查已存课程表是否违反排课规则");
    auto path = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    cmd->add_option("PATH", *path, "数据库文件路径")->required();
    cmd->add_flag("--json", *json, "以 JSON 输出");
    cmd->callback([path, json] { runCheck(*path, *json); });
});

}  // namespace
}  // namespace tavrin::cli
