// `schedule PATH ...`: prepares and runs exactly what the start command of the scheduling
// page runs, saves the timetable and the options, prints the report.
#include <atomic>
#include <csignal>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/not_loaded.h"
#include "cli/open.h"
#include "cli/output.h"
#include "cli/quality_json.h"
#include "model/loaders.h"
#include "scheduler/engine.h"
#include "scheduler/options.h"
#include "scheduler/save.h"
#include "timetable/quality.h"

namespace tavrin::cli {
namespace {

std::atomic<bool> interrupted{false};

const char* obstacleKindName(scheduler::Obstacle::Kind k)
{
    using K = scheduler::Obstacle::Kind;
    switch (k) {
    case K::ClassWeek: return "class_week";
    case K::TeacherWeek: return "teacher_week";
    case K::CombinedGroup: return "combined_group";
    case K::Doubles: return "doubles";
    case K::ClassLessons: return "class_lessons";
    case K::TeacherLessons: return "teacher_lessons";
    }
    return "";
}

extern "C" void onSigint(int) { interrupted.store(true); }

struct Args {
    std::string path;
    std::string classes = "all";
    int strength = 0, align = 0, teaDay = 0, noLian = 0;
    std::optional<std::uint32_t> seed;
    std::optional<int> start;
    bool json = false;
    bool noRepair = false;
    bool noPolish = false;
    long long polishSteps = -1;
    int restartBudget = 0;
    int failBudget = -1;
    long long steps = 0;
    long long passSteps = -1;
    double timeLimit = scheduler::kDefaultTimeLimit;
};

}  // namespace

std::vector<int> parseClasses(const std::string& text, int maxBan)
{
    std::vector<int> out;
    if (text == "all" || text.empty())
        return out;
    std::stringstream ss(text);
    std::string item;
    while (std::getline(ss, item, ',')) {
        int id = 0;
        try {
            std::size_t used = 0;
            id = std::stoi(item, &used);
            if (used != item.size())
                throw std::invalid_argument(item);
        } catch (const std::exception&) {
            throw Failure("班级编号无效：" + item);
        }
        if (id < 1 || id > maxBan)
            throw Failure("没有编号为 " + item + " 的班级");
        out.push_back(id);
    }
    return out;
}

namespace {

void runSchedule(const Args& a)
{
    auto st = openSchool(a.path, Access::Write);
    model::School school = model::loadSchool(*st);
    tellNotLoaded(school.skipped, a.json);
    scheduler::RunRequest req;
    req.classes = parseClasses(a.classes, school.MaxBanID);
    req.opts = scheduler::loadPaiOpt(*st);
    if (a.strength)
        req.opts.strength = a.strength;
    if (a.align)
        req.opts.align = a.align;
    if (a.teaDay)
        req.opts.teaDay = a.teaDay;
    if (a.noLian)
        req.opts.noLian = a.noLian;
    req.seed = a.seed;
    req.start = a.start;
    if (a.start && (*a.start < 0 || *a.start >= std::max(1, school.RenKeNum)))
        throw Failure("起始任课编号超出范围：" + std::to_string(*a.start));
    req.repair = !a.noRepair;
    req.restartBudget = a.restartBudget;
    req.failBudget = a.failBudget;
    req.stepBudget = a.steps;
    req.passStepBudget = a.passSteps;
    req.timeLimit = a.timeLimit;
    req.polish = !a.noPolish;
    req.polishBudget = a.polishSteps;
    req.cancel = &interrupted;
    std::signal(SIGINT, onSigint);

    auto saved = scheduler::scheduleAndSave(*st, school, req);
    const auto& res = saved.result;
    if (res.cancelled)
        throw Failure("排课已取消，未保存任何数据。");
    if (!a.json) {
        for (const auto& o : res.obstacles)
            std::cout << "无法排满：" << o.text << '\n';
        for (const auto& l : saved.lines)
            std::cout << l << '\n';
        if (res.polished)
            std::cout << scheduler::polishLine(res.polish) << '\n';
        if (res.timedOut)
            std::cout << "已到运行时间上限，保存的是已找到的最好课表。\n";
        else if (res.budgetSpent)
            std::cout << "已用完搜索步数，保存的是已找到的最好课表。\n";
        return;
    }
    nlohmann::ordered_json j;
    j["not_loaded"] = notLoadedJson(school.skipped);
    j["lessons"] = res.total;
    j["placed"] = res.placed;
    // The reasons as the result dialog gives them, one per assignment left short.
    const auto summary = scheduler::summarizeRun(school, res);
    std::size_t row = 0;
    nlohmann::ordered_json un = nlohmann::ordered_json::array();
    for (const auto& u : res.unplaced) {
        nlohmann::ordered_json refused = nlohmann::ordered_json::object();
        for (const auto& [rule, n] : u.refusedBy)
            refused[rule] = n;
        un.push_back({{"renke", u.renke},
                      {"class", u.ban},
                      {"class_name", school.BanName[u.ban]},
                      {"subject", u.ke},
                      {"subject_name", school.KemuName[u.ke]},
                      {"teacher", u.tea},
                      {"teacher_name", school.TeaName[u.tea]},
                      {"count", u.count},
                      {"refused_by", refused},
                      {"reason", u.count > 0 && row < summary.rows.size() ? summary.rows[row++].reason : ""}});
    }
    j["unplaced"] = un;
    nlohmann::ordered_json obs = nlohmann::ordered_json::array();
    for (const auto& o : res.obstacles)
        obs.push_back({{"kind", obstacleKindName(o.kind)}, {"text", o.text}, {"short_by", o.shortBy},
                       {"class", o.ban}, {"teacher", o.tea}});
    j["obstacles"] = obs;
    j["complete"] = summary.complete;
    j["headline"] = summary.headline;
    j["seed"] = res.seed;
    j["start"] = res.startR;
    j["seconds"] = res.seconds;
    j["rank_calls"] = res.rankCalls;
    j["steps"] = res.steps;
    j["restarts"] = res.restarts;
    j["swept"] = res.swept;
    j["repaired"] = res.repaired;
    j["placed_by_passes"] = res.placedByPasses;
    j["repair_moves"] = res.repairMoves;
    j["budget_spent"] = res.budgetSpent;
    j["time_limited"] = res.timedOut;
    j["options"] = {{"strength", req.opts.strength},
                    {"align", req.opts.align},
                    {"teacher_day", req.opts.teaDay},
                    {"no_lian", req.opts.noLian},
                    {"repair", req.repair}};
    j["quality"] = qualityJson(school, res.polished ? res.polish.quality : timetable::measureQuality(school, res.grids));
    j["report"] = saved.lines;
    j["polish"] = res.polished ? polishJson(res.polish) : nlohmann::ordered_json(nullptr);
    std::cout << jsonText(j) << '\n';
}

const bool registered = registerVerb(40, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("schedule", "自动排课并保存课程表");
    auto a = std::make_shared<Args>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("--classes", a->classes, "排课班级：all 或以逗号分隔的班级编号");
    cmd->add_option("--strength", a->strength, "排课强度：1 快速，2 正常，3 高精度")->check(CLI::Range(1, 3));
    cmd->add_option("--align", a->align, "进度一致：1 尽量，2 一定")->check(CLI::Range(1, 2));
    cmd->add_option("--teacher-day", a->teaDay, "教师一天内的课：1 集中，2 上下午都有，3 无所谓")
        ->check(CLI::Range(1, 3));
    cmd->add_option("--no-lian", a->noLian, "不需要连堂的课：1 尽量不连堂，2 一节都不连堂")->check(CLI::Range(1, 2));
    auto* seed = cmd->add_option("--seed", a->seed, "随机种子（重现一次排课）");
    auto* start = cmd->add_option("--start", a->start, "直接给定起始任课编号 r");
    seed->excludes(start);
    start->excludes(seed);
    cmd->add_flag("--no-repair", a->noRepair, "不做排课后的补排");
    cmd->add_flag("--no-polish", a->noPolish, "排课后不做优化（得到的是搜索本身的课表）");
    cmd->add_option("--polish-steps", a->polishSteps, "优化的步数上限（-1：与搜索的工作量相当，0 不限）");
    cmd->add_option("--restart-budget", a->restartBudget, "失败链重启次数上限（0 不限）");
    cmd->add_option("--fail-budget", a->failBudget,
                    "单个任课失败次数上限（-1 补排时为 300、否则按排课强度；0 按排课强度）");
    cmd->add_option("--steps", a->steps, "搜索步数上限，用完即以已找到的最好课表结束（0 不限）")
        ->check(CLI::NonNegativeNumber);
    cmd->add_option("--pass-steps", a->passSteps, "两轮排课的步数上限，之后转入补排（-1 按课时数，0 不限）");
    cmd->add_option("--time-limit", a->timeLimit, "运行时间上限（秒，0 不限；默认 30）")->check(CLI::NonNegativeNumber);
    cmd->add_flag("--json", a->json, "以 JSON 输出");
    cmd->callback([a] { runSchedule(*a); });
});

}  // namespace
}  // namespace tavrin::cli
