#include "scheduler/save.h"

#include <fmt/format.h>

#include <algorithm>

#include "model/kechen.h"
#include "timetable/quality.h"

namespace tavrin::scheduler {

std::vector<std::string> reportLines(const model::School& s, const model::Grids& g,
                                     const std::vector<std::uint8_t>& banKeep)
{
    const int N = s.N();
    std::vector<int> written(s.renkeSize(), 0);
    int placed = 0;
    for (int b = 1; b <= s.MaxBanID; ++b)
        for (int sl = 1; sl <= N; ++sl)
            if (const int r = g.Renke_B(b, sl); r >= 0) {
                written[r]++;
                if (!banKeep[b])
                    ++placed;
            }
    int total = 0;
    for (int r = 0; r < s.renkeSize(); ++r)
        if (s.RenkeJieshu[r] > 0 && !banKeep[s.RenkeBan[r]])
            total += s.RenkeJieshu[r];
    std::vector<std::string> lines;
    lines.push_back("进行排课总节数：" + std::to_string(total) + "节；已排总节数：" + std::to_string(placed) + "节。");
    for (int r = 0; r < s.renkeSize(); ++r) {
        if (s.RenkeJieshu[r] <= 0 || banKeep[s.RenkeBan[r]])
            continue;
        const int d = s.RenkeJieshu[r] - written[r];
        if (d == 0)
            continue;
        const std::string start =
            s.BanName[s.RenkeBan[r]] + s.KemuName[s.RenkeKe[r]] + "(" + s.TeaName[s.RenkeTea[r]] + ")有";
        lines.push_back(start + std::to_string(d) + (d > 0 ? "节未排。" : "节排出。"));
    }
    return lines;
}

std::vector<std::string> SavePai(store::Store& st, const model::School& s, const model::Grids& g,
                                 const std::vector<std::uint8_t>& banKeep)
{
    st.transaction([&] { model::writeKechen(st, model::kechenRows(s, g.Renke_B, &g.Teshu_B)); });
    return reportLines(s, g, banKeep);
}

std::vector<std::string> reasonLines(const model::School& s, const std::vector<Unplaced>& unplaced)
{
    std::vector<std::string> lines;
    for (const auto& u : unplaced) {
        if (u.count <= 0)
            continue;
        std::string line = s.BanName[u.ban] + s.KemuName[u.ke] + "(" + s.TeaName[u.tea] + ")未排原因：";
        if (u.refusedBy.empty())
            line += "本班可用节次已排满";
        bool first = true;
        for (const auto& [rule, n] : u.refusedBy) {
            if (!first)
                line += "；";
            first = false;
            line += rule + " " + std::to_string(n) + " 节";
        }
        lines.push_back(line + "。");
    }
    return lines;
}

std::string qualityLine(const timetable::Quality& q)
{
    return fmt::format("连堂 {}/{}　同日重复 {}　教师空节 {}　进度不一致 {}　“尽量排” {}/{}", q.doublesFormed,
                       q.doublesWanted, q.sameDayRepeats, q.teacherGaps, q.outOfStep, q.preferredKept,
                       q.preferredMarked);
}

namespace {
RunSummary cancelledSummary(const char* headline)
{
    RunSummary out;
    out.cancelled = true;
    out.headline = headline;
    out.details = "未保存任何数据。";
    return out;
}
}  // namespace

RunSummary summarizeRun(const model::School& s, const RunResult& r)
{
    if (r.cancelled)
        return cancelledSummary("排课已取消");
    RunSummary out;
    const int left = r.total - r.placed;
    out.complete = left == 0;
    out.headline = out.complete ? "全部排完" : fmt::format("还有 {} 节未排", left);
    out.details = fmt::format("共 {} 节，已排 {} 节，用时 {:.1f} 秒", r.total, r.placed, r.seconds);
    if (r.timedOut)
        out.details += "；已到运行时间上限，这是已找到的最好课表";
    else if (r.budgetSpent)
        out.details += "；已用完搜索步数，这是已找到的最好课表";
    out.quality = qualityLine(r.polished ? r.polish.quality : timetable::measureQuality(s, r.grids));
    if (r.polished)
        out.polish = polishLine(r.polish);
    for (const auto& o : r.obstacles)
        out.obstacles.push_back(o.text);
    for (const auto& u : r.unplaced) {
        if (u.count <= 0)
            continue;
        RunSummary::Row row{s.BanName[u.ban], s.KemuName[u.ke], s.TeaName[u.tea], u.count, {}};
        // A proved cause says most, the teacher's (it holds wherever the lesson goes) before the
        // class's; then what holds the class's free slots; a class without free slots is full.
        for (int pass = 0; pass < 2 && row.reason.empty(); ++pass)
            for (const auto& o : r.obstacles) {
                const bool classKind = o.kind == Obstacle::Kind::ClassWeek || o.kind == Obstacle::Kind::ClassLessons;
                const bool teacherKind = !classKind && o.kind != Obstacle::Kind::Doubles;
                if ((pass == 0 && teacherKind && o.tea == u.tea) || (pass == 1 && classKind && o.ban == u.ban)) {
                    row.reason = o.text;
                    break;
                }
            }
        if (row.reason.empty() && !u.refusedBy.empty()) {
            std::vector<std::pair<std::string, int>> rules(u.refusedBy.begin(), u.refusedBy.end());
            std::stable_sort(rules.begin(), rules.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
            int free = 0;
            for (const auto& [rule, n] : rules)
                free += n;
            row.reason = fmt::format("本班空余的{}个节次：", free);
            for (std::size_t i = 0; i < rules.size(); ++i)
                row.reason += fmt::format("{}{} {} 节", i ? "、" : "", rules[i].first, rules[i].second);
        }
        if (row.reason.empty())
            row.reason = "本班可用节次已排满：可减少课时，或放宽本班其他课程、教师的限制";
        out.rows.push_back(std::move(row));
    }
    return out;
}

RunSummary summarizePolish(const StoredPolish& p)
{
    const auto& r = p.result;
    if (r.cancelled)
        return cancelledSummary("优化已取消");
    RunSummary out;
    // The polish never changes what is placed: the timetable is as complete as it was.
    out.complete = true;
    if (r.nothingToMove) {
        out.headline = kNothingToPolish;
        return out;
    }
    out.headline = p.saved ? "优化完成" : "没有找到更好的排法";
    out.details = fmt::format("可调整 {} 组课，调整 {} 次，用时 {:.1f} 秒；{}", r.units, r.moves, r.seconds,
                              p.saved ? "已保存优化后的课程表" : "课程表未改动");
    if (r.budgetSpent)
        out.details += "；已用完优化步数，这是已找到的最好课表";
    out.quality = qualityLine(r.quality);
    out.polish = polishLine(r);
    return out;
}

SavedRun scheduleAndSave(store::Store& st, const model::School& s, const RunRequest& req)
{
    // Refused before the run rather than after it.
    if (st.readOnly())
        throw store::ReadOnlyError();
    SavedRun out;
    out.result = runSchedule(st, s, req);
    if (out.result.cancelled)
        return out;
    st.transaction([&] {
        actSavePaiOpt(st, req.opts);
        out.lines = SavePai(st, s, out.result.grids, out.result.banKeep);
    });
    for (auto& l : reasonLines(s, out.result.unplaced))
        out.lines.push_back(std::move(l));
    return out;
}

}  // namespace tavrin::scheduler
