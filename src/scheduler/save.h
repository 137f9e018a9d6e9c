// Writing a finished run: the timetable into `kechenbd` and the report lines.
#pragma once

#include <string>
#include <vector>

#include "model/school.h"
#include "scheduler/engine.h"
#include "store/store.h"

namespace tavrin::scheduler {

// `SavePai`: rewrites `kechenbd` from the grids in one transaction (classes 1..MaxBanID,
// slots 1..N) and returns the report lines.
std::vector<std::string> SavePai(store::Store& st, const model::School& s, const model::Grids& g,
                                 const std::vector<std::uint8_t>& banKeep);

// The report lines of a run without writing anything.
std::vector<std::string> reportLines(const model::School& s, const model::Grids& g,
                                     const std::vector<std::uint8_t>& banKeep);

struct SavedRun {
    RunResult result;
    std::vector<std::string> lines;  // the report, then the reasons
};
// What the start command does after preparing: run, then (unless cancelled) save the options
// and the timetable. A cancelled run writes nothing.
SavedRun scheduleAndSave(store::Store& st, const model::School& s, const RunRequest& req);

// One line per assignment still short, naming how many free slots each rule refused.
std::vector<std::string> reasonLines(const model::School& s, const std::vector<Unplaced>& unplaced);

// A finished run as the result dialog shows it: a headline, the time, the quality figures,
// the causes proved before the run, and one row per assignment left short with a reason the
// user can act on.
struct RunSummary {
    bool cancelled = false;
    bool complete = false;
    std::string headline;  // "全部排完" / "还有 N 节未排" / "排课已取消"
    std::string details;   // lessons, time, how the run ended
    std::string quality;   // the quality figures in one line
    std::string polish;    // the polish's figures before and after, empty when it did not run
    std::vector<std::string> obstacles;
    struct Row {
        std::string cls, subject, teacher;
        int count = 0;
        std::string reason;
    };
    std::vector<Row> rows;
};
RunSummary summarizeRun(const model::School& s, const RunResult& r);
// A polish of the stored timetable as the same dialog shows it, with the figures before and after.
RunSummary summarizePolish(const StoredPolish& p);
// The quality figures in one line.
std::string qualityLine(const timetable::Quality& q);

}  // namespace tavrin::scheduler
