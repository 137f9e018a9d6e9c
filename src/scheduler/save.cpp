#include "scheduler/save.h"

#include "model/kechen.h"

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
