// `polish PATH [--classes ...] [--budget N] [--seed N] [--json]`: the polishing pass on the
// stored timetable (after hand edits, or from elsewhere); the classes not chosen stay as they
// stand. Saves unless nothing moved.
#include <atomic>
#include <csignal>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/not_loaded.h"
#include "cli/open.h"
#include "cli/output.h"
#include "cli/quality_json.h"
#include "model/loaders.h"
#include "scheduler/options.h"
#include "scheduler/polish.h"

namespace tavrin::cli {
namespace {

std::atomic<bool> interrupted{false};
extern "C" void onPolishSigint(int) { interrupted.store(true); }

struct Args {
    std::string path;
    std::string classes = "all";
    long long budget = 0;
    std::uint32_t seed = 1;
    bool json = false;
};

void runPolish(const Args& a)
{
    auto st = openSchool(a.path, Access::Write);
    model::School school = model::loadSchool(*st);
    tellNotLoaded(school.skipped, a.json);
    scheduler::PolishRequest req;
    req.opts = scheduler::loadPaiOpt(*st);
    req.seed = a.seed;
    req.stepBudget = a.budget;
    req.cancel = &interrupted;
    std::signal(SIGINT, onPolishSigint);
    const auto out = scheduler::polishStored(*st, school, parseClasses(a.classes, school.MaxBanID), req);
    const auto& r = out.result;
    if (r.cancelled)
        throw Failure("优化已取消，未保存任何数据。");
    if (a.json) {
        nlohmann::ordered_json j = polishJson(r);
        j["saved"] = out.saved;
        j["headline"] = scheduler::polishLine(r);
        std::cout << jsonText(j) << '\n';
        return;
    }
    std::cout << scheduler::polishLine(r) << '\n';
    if (!r.nothingToMove)
        std::cout << (out.saved ? "已保存优化后的课程表。" : "没有找到更好的排法，课程表未改动。") << '\n';
}

const bool registered = registerVerb(45, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("polish", "优化已存课程表：减少同日重复和教师空节，不改变已排的课");
    auto a = std::make_shared<Args>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("--classes", a->classes, "优化的班级：all 或以逗号分隔的班级编号，其余班级保持不动");
    cmd->add_option("--budget", a->budget, "优化的步数上限（0 不限）")->check(CLI::NonNegativeNumber);
    cmd->add_option("--seed", a->seed, "随机种子（同一种子和步数得到同一课表）");
    cmd->add_flag("--json", a->json, "以 JSON 输出");
    cmd->callback([a] { runPolish(*a); });
});

}  // namespace
}  // namespace tavrin::cli
