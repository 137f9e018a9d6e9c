// `teachers PATH [--apply FILE]`: the teachers with their assignments (class, subject,
// periods, combined number) and time marks, and the periods nobody teaches yet, as the
// teacher page loads them, as JSON; with --apply, that page's save on FILE's teachers.
#include <iostream>

#include "cli/entry_io.h"
#include "cli/open.h"
#include "entry/json.h"

namespace tavrin::cli {
namespace {

struct TeachersArgs {
    std::string path;
    std::string apply;
};

void runTeachers(const TeachersArgs& a)
{
    auto st = openSchool(a.path, a.apply.empty() ? Access::Read : Access::Write);
    entry::TeaDraft d = entry::loadTeachers(*st);
    if (a.apply.empty()) {
        std::cout << entry::toJson(d).dump(2) << '\n';
        return;
    }
    try {
        d = entry::teachersFromJson(readJsonFile(a.apply), std::move(d));
    } catch (const entry::BadJson& e) {
        throw Failure(e.what());
    }
    const auto r = entry::saveTeachers(*st, d);
    if (!r.ok)
        throw Failure(r.message);
    std::cout << entry::kSaved << '\n';
}

const bool registered = registerVerb(33, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("teachers", "以 JSON 输出教师、任课和课节预设；--apply 按文件保存（重新编号）");
    auto a = std::make_shared<TeachersArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("--apply", a->apply, "要保存的 JSON 文件（- 为标准输入）");
    cmd->callback([a] { runTeachers(*a); });
});

}  // namespace
}  // namespace tavrin::cli
