#include "cli/quality_json.h"

namespace tavrin::cli {

nlohmann::ordered_json qualityJson(const model::School& s, const timetable::Quality& q)
{
    nlohmann::ordered_json j = {{"doubles_formed", q.doublesFormed},   {"doubles_wanted", q.doublesWanted},
                                {"preferred_kept", q.preferredKept},   {"preferred_marked", q.preferredMarked},
                                {"same_day_repeats", q.sameDayRepeats}, {"teacher_gaps", q.teacherGaps},
                                {"out_of_step", q.outOfStep}};
    auto byClass = nlohmann::ordered_json::array();
    for (int b = 1; b < static_cast<int>(q.repeatsOfBan.size()); ++b)
        if (q.repeatsOfBan[b] > 0)
            byClass.push_back({{"class", b}, {"class_name", s.BanName[b]}, {"same_day_repeats", q.repeatsOfBan[b]}});
    auto byTeacher = nlohmann::ordered_json::array();
    for (int t = 1; t < static_cast<int>(q.gapsOfTea.size()); ++t)
        if (q.gapsOfTea[t] > 0)
            byTeacher.push_back({{"teacher", t}, {"teacher_name", s.TeaName[t]}, {"teacher_gaps", q.gapsOfTea[t]}});
    j["classes"] = byClass;
    j["teachers"] = byTeacher;
    return j;
}

nlohmann::ordered_json polishFiguresJson(const scheduler::PolishFigures& f)
{
    return {{"same_day_repeats", f.repeats}, {"teacher_gaps", f.gaps}, {"preferred_kept", f.preferred},
            {"breaches", f.breaches}};
}

nlohmann::ordered_json polishJson(const scheduler::PolishResult& r)
{
    return {{"before", polishFiguresJson(r.before)},
            {"after", polishFiguresJson(r.after)},
            {"moves", r.moves},
            {"steps", r.steps},
            {"seconds", r.seconds},
            {"budget_spent", r.budgetSpent},
            {"nothing_to_move", r.nothingToMove}};
}

}  // namespace tavrin::cli
