// `move PATH (--class ID | --teacher ID) [--from SLOT | --held N] [--to SLOT | --to-holding]
// [--yes] [--dry-run] [--json]`: the hand editing of the timetable pages, without the window.
// No source lists the holding area; a source alone prints where it may go; a target moves
// it (a move with warnings only with --yes) and saves as the window's save does.
#include <iostream>
#include <nlohmann/json.hpp>

#include <fmt/format.h>

#include "cli/open.h"
#include "timetable/cells.h"
#include "timetable/kbdocument.h"
#include "timetable/moves.h"

namespace tavrin::cli {
namespace {

using json = nlohmann::json;
using namespace tavrin::timetable;

struct MoveArgs {
    std::string path;
    int ban = 0, tea = 0;
    bool teacher = false;
    std::string from, to;
    int held = 0;
    bool toHolding = false, yes = false, dryRun = false, asJson = false;
};

// A slot number, or weekday:period ("3:2" is Wednesday's second period).
int parseSlot(const model::School& s, const std::string& text)
{
    const int N = s.N();
    int slot = 0;
    try {
        std::size_t used = 0;
        if (const auto colon = text.find(':'); colon != std::string::npos) {
            const int w = std::stoi(text.substr(0, colon), &used);
            const int j = std::stoi(text.substr(colon + 1));
            if (w < 1 || w > 7 || s.WeektoDay[static_cast<std::size_t>(w)] == 0 || j < 1 || j > s.P())
                throw Failure("没有这个课时：" + text);
            slot = model::slotOf(s.WeektoDay[static_cast<std::size_t>(w)], j, s.P());
        } else {
            slot = std::stoi(text, &used);
            if (used != text.size())
                throw Failure("没有这个课时：" + text);
        }
    } catch (const std::logic_error&) {
        throw Failure("课时应为编号或“星期:节”：" + text);
    }
    if (slot < 1 || slot > N)
        throw Failure("没有这个课时：" + text + "（1 到 " + std::to_string(N) + "）");
    return slot;
}

std::string slotName(const model::School& s, int slot)
{
    return s.WeekName[s.DayToWeek[static_cast<std::size_t>(s.slots.SlotDay[static_cast<std::size_t>(slot)])]] + "第" +
           std::to_string(s.slots.SlotJie[static_cast<std::size_t>(slot)]) + "节";
}

std::string lessonName(const model::School& s, int r, KbSide side)
{
    return lessonText(s, r, side, {true, true});
}

// The cells whose text differs between the timetable before and after, for --dry-run.
json changedCells(const model::School& s, const model::Array2<int>& B0, const model::Array2<int>& B1,
                  const model::Array2<int>& T0, const model::Array2<int>& T1)
{
    json out = json::array();
    auto rows = [&](const model::Array2<int>& a, const model::Array2<int>& b, int last, KbSide side) {
        for (int id = 1; id <= last; ++id)
            for (int slot = 1; slot <= s.N(); ++slot)
                if (a(id, slot) != b(id, slot))
                    out.push_back({{"side", side == KbSide::Ban ? "class" : "teacher"},
                                   {"id", id},
                                   {"name", kbName(s, side, id)},
                                   {"slot", slot},
                                   {"before", a(id, slot) >= 0 ? lessonName(s, a(id, slot), side) : ""},
                                   {"after", b(id, slot) >= 0 ? lessonName(s, b(id, slot), side) : ""}});
    };
    rows(B0, B1, s.MaxBanID, KbSide::Ban);
    rows(T0, T1, s.TeaOldNum, KbSide::Tea);
    return out;
}

std::string oneLine(std::string t)
{
    for (std::size_t p; (p = t.find('\n')) != std::string::npos;)
        t.replace(p, 1, " ");
    return t;
}

int runMove(const MoveArgs& a)
{
    const bool writes = (!a.to.empty() || a.toHolding) && !a.dryRun;
    auto st = openSchool(a.path, writes ? Access::Write : Access::Read);
    KbDocument doc;
    doc.load(*st);
    const KbData& kb = doc.data();
    const model::School& s = kb.school;
    const KbSide side = a.teacher ? KbSide::Tea : KbSide::Ban;
    const int id = a.teacher ? a.tea : a.ban;
    if (id < 1 || id > (a.teacher ? s.TeaOldNum : s.MaxBanID))
        throw Failure(a.teacher ? "没有编号为 " + std::to_string(id) + " 的教师。"
                                : "没有编号为 " + std::to_string(id) + " 的班级。");
    if (s.N() <= 0)
        throw Failure("还没有设置上课的日期和节数。");
    const KbHolding holding = listHolding(kb, side, id);
    json out{{a.teacher ? "teacher" : "class", id}, {"name", kbName(s, side, id)}};

    // No source: the holding area.
    if (a.from.empty() && a.held == 0) {
        json list = json::array();
        for (int n = 1; n <= holding.count; ++n) {
            const int r = holding.TmpKe[static_cast<std::size_t>(n)];
            list.push_back({{"n", n}, {"renke", r}, {"lesson", lessonName(s, r, side)}});
            if (!a.asJson)
                std::cout << n << ". " << oneLine(lessonName(s, r, side)) << '\n';
        }
        if (!a.asJson && holding.count == 0)
            std::cout << "没有待排的课。\n";
        out["holding"] = list;
        if (a.asJson)
            std::cout << out.dump(2) << '\n';
        return 0;
    }

    int from = 0, r = -1;
    if (a.held > 0) {
        if (a.held > holding.count)
            throw Failure("待排区只有 " + std::to_string(holding.count) + " 节课，没有第 " + std::to_string(a.held) + " 节。");
        r = holding.TmpKe[static_cast<std::size_t>(a.held)];
        out["held"] = a.held;
        out["renke"] = r;
    } else {
        from = parseSlot(s, a.from);
        r = a.teacher ? kb.cellT(id, from) : kb.cellB(id, from);
        if (r < 0)
            throw Failure(slotName(s, from) + "没有课。");
        out["from"] = from;
        out["renke"] = r;
    }
    out["lesson"] = lessonName(s, r, side);
    const MoveMarks m = a.held > 0 ? (a.teacher ? ShowAddKe_T(kb, id, r) : ShowAddKe_B(kb, id, r))
                                   : (a.teacher ? ShowMvKe_T(kb, id, from) : ShowMvKe_B(kb, id, from));

    // A source alone: where it may go.
    if (a.to.empty() && !a.toHolding) {
        json marks = json::array(), hints = json::object();
        for (int n = 1; n <= s.N(); ++n) {
            const std::string mk = n == from ? "source" : m.locked[static_cast<std::size_t>(n)] ? "locked"
                                                                                               : std::to_string(m.mark[static_cast<std::size_t>(n)]);
            marks.push_back({{"slot", n}, {"mark", m.mark[static_cast<std::size_t>(n)]}, {"state", mk}});
            if (!m.hint[static_cast<std::size_t>(n)].empty())
                hints[std::to_string(n)] = m.hint[static_cast<std::size_t>(n)];
        }
        out["marks"] = marks;
        out["hints"] = hints;
        if (a.asJson) {
            std::cout << out.dump(2) << '\n';
            return 0;
        }
        std::cout << oneLine(lessonName(s, r, side)) << "（* 原位置，L 锁定，1 可调，2 有提示，3 不可调，4 同一任课）\n";
        std::cout << "节";
        for (int d = 1; d <= s.theDay; ++d)
            std::cout << '\t' << s.WeekName[s.DayToWeek[static_cast<std::size_t>(d)]];
        std::cout << '\n';
        for (int j = 1; j <= s.P(); ++j) {
            std::cout << j;
            for (int d = 1; d <= s.theDay; ++d) {
                const int n = model::slotOf(d, j, s.P());
                std::cout << '\t'
                          << (n == from ? "*" : m.locked[static_cast<std::size_t>(n)] ? "L"
                                                                                       : std::to_string(m.mark[static_cast<std::size_t>(n)]));
            }
            std::cout << '\n';
        }
        for (int n = 1; n <= s.N(); ++n)
            if (!m.hint[static_cast<std::size_t>(n)].empty())
                std::cout << n << " " << slotName(s, n) << "：" << oneLine(m.hint[static_cast<std::size_t>(n)]) << '\n';
        return 0;
    }

    // A target: the move itself.
    const model::Array2<int> B0 = kb.gridB(), T0 = kb.gridT();
    MoveOutcome o;
    if (a.toHolding) {
        if (a.held > 0)
            throw Failure("待排区的课已在待排区。");
        o = MvKbToTmp(doc, side, id, from);
        out["to"] = "holding";
    } else {
        const int to = parseSlot(s, a.to);
        out["to"] = to;
        out["mark"] = m.mark[static_cast<std::size_t>(to)];
        out["hint"] = m.hint[static_cast<std::size_t>(to)];
        if (!a.asJson)
            std::cout << "标记 " << m.mark[static_cast<std::size_t>(to)] << "："
                      << oneLine(m.hint[static_cast<std::size_t>(to)]) << '\n';
        o = a.held > 0 ? (a.teacher ? ChnTeaJ_Tmp(doc, id, r, to, a.yes) : ChnBanJ_Tmp(doc, id, r, to, a.yes))
                       : (a.teacher ? ChnTeaJ(doc, id, from, to, a.yes) : ChnBanJ(doc, id, from, to, a.yes));
    }
    out["applied"] = o.result.ok;
    if (!o.result.ok) {
        std::string msg = oneLine(o.result.message);
        if (msg == kMoveQuestion)
            msg += "（加 --yes 确认）";
        out["message"] = msg;
        out["changes"] = json::array();
        if (a.asJson)
            std::cout << out.dump(2) << '\n';
        else
            std::cout << "没有调课：" << msg << '\n';
        return 2;
    }
    out["changes"] = changedCells(s, B0, kb.gridB(), T0, kb.gridT());
    out["displaced"] = o.displaced;
    out["saved"] = false;
    if (!a.dryRun) {
        store::Result saved = doc.save(*st);
        if (!saved)
            throw Failure(saved.message);
        out["saved"] = true;
    }
    if (a.asJson) {
        std::cout << out.dump(2) << '\n';
        return 0;
    }
    for (const auto& c : out["changes"])
        std::cout << c["name"].get<std::string>() << " " << slotName(s, c["slot"].get<int>()) << "："
                  << (c["before"].get<std::string>().empty() ? "空" : oneLine(c["before"].get<std::string>())) << " → "
                  << (c["after"].get<std::string>().empty() ? "空" : oneLine(c["after"].get<std::string>())) << '\n';
    std::cout << (a.dryRun ? "未写入（--dry-run）。" : "已调课并保存。") << '\n';
    return 0;
}

const bool registered = registerVerb(57, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("move", "手动调课：列出待排的课、显示可调位置或调动一节课");
    auto a = std::make_shared<MoveArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    auto* ban = cmd->add_option("--class", a->ban, "班级编号 (banid)");
    auto* tea = cmd->add_option("--teacher", a->tea, "教师编号 (teaid)");
    ban->excludes(tea);
    tea->excludes(ban);
    auto* from = cmd->add_option("--from", a->from, "要调动的课所在的课时（编号或 星期:节）");
    auto* held = cmd->add_option("--held", a->held, "待排区中第 N 节课");
    from->excludes(held);
    held->excludes(from);
    auto* to = cmd->add_option("--to", a->to, "目标课时（编号或 星期:节）");
    auto* toHolding = cmd->add_flag("--to-holding", a->toHolding, "移到待排区");
    to->excludes(toHolding);
    toHolding->excludes(to);
    cmd->add_flag("--yes", a->yes, "有提示的调动也执行（回答“真的要调课？”）");
    cmd->add_flag("--dry-run", a->dryRun, "只显示会改变的格子，不写入");
    cmd->add_flag("--json", a->asJson, "以 JSON 输出");
    cmd->callback([a, ban, tea, held] {
        if (ban->count() == 0 && tea->count() == 0)
            throw Failure("请用 --class 或 --teacher 指定一张课程表。");
        a->teacher = tea->count() > 0;
        if (held->count() > 0 && a->held < 1)
            throw Failure("--held 应为待排区中的序号（从 1 起）。");
        if ((!a->to.empty() || a->toHolding) && a->from.empty() && a->held == 0)
            throw Failure("请用 --from 或 --held 指定要调动的课。");
        const int status = runMove(*a);
        if (status != 0)
            throw ExitStatus(status);
    });
});

}  // namespace
}  // namespace tavrin::cli
