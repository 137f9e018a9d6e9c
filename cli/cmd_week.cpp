// `week PATH [--apply FILE]`: the school week (days, section counts, period times, public
// slots, fixed lessons) as the week page loads it, as JSON; with --apply, that page's save
// on FILE's week.
#include <iostream>

#include "cli/entry_io.h"
#include "cli/open.h"
#include "entry/json.h"

namespace tavrin::cli {
namespace {

struct WeekArgs {
    std::string path;
    std::string apply;
};

void runWeek(const WeekArgs& a)
{
    auto st = openSchool(a.path, a.apply.empty() ? Access::Read : Access::Write);
    entry::WeekDraft d = entry::loadWeek(*st);
    if (a.apply.empty()) {
        std::cout << entry::toJson(d).dump(2) << '\n';
        return;
    }
    try {
        d = entry::weekFromJson(readJsonFile(a.apply), std::move(d));
    } catch (const entry::BadJson& e) {
        throw Failure(e.what());
    }
    std::int64_t unplaced = 0;
    const auto r = entry::saveWeek(*st, d, &unplaced);
    if (!r.ok)
        throw Failure(r.message);
    std::cout << entry::kSaved << '\n';
    if (unplaced > 0)
        std::cout << entry::unplacedMessage(unplaced) << '\n';
}

const bool registered = registerVerb(31, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("week", "以 JSON 输出上课日、节数、节次时间、公共时段和固定课；--apply 按文件保存");
    auto a = std::make_shared<WeekArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("--apply", a->apply, "要保存的 JSON 文件（- 为标准输入）");
    cmd->callback([a] { runWeek(*a); });
});

}  // namespace
}  // namespace tavrin::cli
