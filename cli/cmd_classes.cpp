// `classes PATH [--apply FILE]`: the grade groups and classes as the class page loads them,
// as JSON; with --apply, the class save of that page on FILE's rows.
#include <iostream>

#include "cli/entry_io.h"
#include "cli/open.h"
#include "entry/json.h"

namespace tavrin::cli {
namespace {

struct ClassesArgs {
    std::string path;
    std::string apply;
};

void runClasses(const ClassesArgs& a)
{
    auto st = openSchool(a.path, a.apply.empty() ? Access::Read : Access::Write);
    if (a.apply.empty()) {
        std::cout << entry::toJson(entry::loadClasses(*st)).dump(2) << '\n';
        return;
    }
    entry::ClassDraft d;
    try {
        d = entry::classesFromJson(readJsonFile(a.apply));
    } catch (const entry::BadJson& e) {
        throw Failure(e.what());
    }
    entry::BanPos twin;
    const auto r = entry::saveClasses(*st, d, &twin);
    if (!r.ok) {
        if (twin.valid())
            throw Failure(r.message + "（" + d.at(twin).name + "）");
        throw Failure(r.message);
    }
    std::cout << entry::kSaved << '\n';
}

const bool registered = registerVerb(30, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("classes", "以 JSON 输出年级组和班级；--apply 按文件保存（重新编号）");
    auto a = std::make_shared<ClassesArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("--apply", a->apply, "要保存的 JSON 文件（- 为标准输入）");
    cmd->callback([a] { runClasses(*a); });
});

}  // namespace
}  // namespace tavrin::cli
