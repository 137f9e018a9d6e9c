// `subjects PATH [--apply FILE] [--yes]`: the subjects with their weekly periods by class,
// room limits, doubles and time marks, as the subject page loads them, as JSON; with
// --apply, that page's save on FILE's subjects. A save over capacity asks first: without
// --yes it is not applied and the question is printed (exit status 2).
#include <iostream>

#include "cli/entry_io.h"
#include "cli/open.h"
#include "entry/json.h"

namespace tavrin::cli {
namespace {

struct SubjectsArgs {
    std::string path;
    std::string apply;
    bool yes = false;
};

int runSubjects(const SubjectsArgs& a)
{
    auto st = openSchool(a.path, a.apply.empty() ? Access::Read : Access::Write);
    entry::KemuDraft d = entry::loadSubjects(*st);
    if (a.apply.empty()) {
        std::cout << entry::toJson(d).dump(2) << '\n';
        return 0;
    }
    try {
        d = entry::subjectsFromJson(readJsonFile(a.apply), std::move(d));
    } catch (const entry::BadJson& e) {
        throw Failure(e.what());
    }
    bool asked = false;
    int twin = -1;
    const auto r = entry::saveSubjects(
        *st, d,
        [&](const std::string&) {
            asked = true;
            return a.yes;
        },
        &twin);
    if (!r.ok) {
        if (asked && r.message.empty()) {
            std::cout << "未保存：" << entry::kOverCapacityQuestion << "（加 --yes 确认）" << '\n';
            return 2;
        }
        if (twin >= 0)
            throw Failure(r.message + "（" + d.rows[static_cast<std::size_t>(twin)].name + "）");
        throw Failure(r.message);
    }
    std::cout << entry::kSaved << '\n';
    return 0;
}

const bool registered = registerVerb(32, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("subjects", "以 JSON 输出科目、各班周课时和课节预设；--apply 按文件保存（重新编号）");
    auto a = std::make_shared<SubjectsArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("--apply", a->apply, "要保存的 JSON 文件（- 为标准输入）");
    cmd->add_flag("--yes", a->yes, "总节数超出课时容量时也保存");
    cmd->callback([a] {
        const int status = runSubjects(*a);
        if (status != 0)
            throw ExitStatus(status);
    });
});

}  // namespace
}  // namespace tavrin::cli
