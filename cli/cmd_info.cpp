// `info PATH [--json]`: what a school file holds.
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/home.h"
#include "cli/info_extra.h"
#include "cli/open.h"
#include "cli/output.h"

namespace tavrin::cli {
namespace {

const bool registered = registerVerb(20, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("info", "显示数据库的内容概况");
    auto path = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    cmd->add_option("PATH", *path, "数据库文件路径")->required();
    cmd->add_flag("--json", *json, "以 JSON 输出");
    cmd->callback([path, json] {
        auto s = openSchool(*path);
        auto counts = app::tableCounts(*s);
        auto home = app::loadMain(*s);
        nlohmann::ordered_json j;
        j["file"] = *path;
        nlohmann::ordered_json t = nlohmann::ordered_json::object();
        for (auto& [name, n] : counts)
            t[name] = n;
        j["tables"] = t;
        j["steps"] = {{"ban", home.hasBan},
                      {"day", home.hasDay},
                      {"kemujieshu", home.hasKemuJieshu},
                      {"renke", home.hasRenke},
                      {"kechen", home.hasKechen}};
        j["status"] = home.status;
        addSchoolInfo(*s, j);
        if (*json) {
            std::cout << jsonText(j) << '\n';
            return;
        }
        std::cout << "数据库：" << *path << '\n' << "状态：" << home.status << '\n' << "数据表行数：\n";
        for (auto& [name, n] : counts)
            std::cout << "  " << name << ' ' << n << '\n';
        printSchoolInfo(j, std::cout);
    });
});

}  // namespace
}  // namespace tavrin::cli
