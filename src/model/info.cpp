#include "model/info.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <set>

#include "model/kechen.h"

namespace tavrin::model {

using json = nlohmann::ordered_json;

namespace {

bool has(const std::vector<bool>& present, int id)
{
    return id >= 1 && id < static_cast<int>(present.size()) && present[id];
}

json conditionGroups(const std::vector<ConditionRow>& rows, const char* atKey)
{
    std::map<int, json> byOpt;
    for (const auto& c : rows) {
        auto& g = byOpt[c.OptId];
        if (g.is_null())
            g = json::array();
        g.push_back({{atKey, c.at}, {"num", c.num}, {"class", c.ban}, {"subject", c.ke}, {"teacher", c.tea}});
    }
    json out = json::array();
    for (auto& [opt, list] : byOpt)
        out.push_back({{"opt", opt}, {"rows", std::move(list)}});
    return out;
}

}  // namespace

int teacherLessons(const School& school, int tea)
{
    int total = 0;
    std::set<int> combinedSeen;
    for (int r = 0; r < school.renkeSize(); ++r) {
        if (school.RenkeTea[r] != tea || school.RenkeJieshu[r] <= 0)
            continue;
        int h = school.RenkeHeban[r];
        if (h != 0 && !combinedSeen.insert(h).second)
            continue;
        total += school.RenkeJieshu[r];
    }
    return total;
}

int unassignedPeriods(const School& school, int ban, int ke)
{
    if (!school.KemuJieshu.inside(ke, ban))
        return 0;
    int left = school.KemuJieshu(ke, ban);
    for (int r = 0; r < school.renkeSize(); ++r)
        if (school.RenkeBan[r] == ban && school.RenkeKe[r] == ke)
            left -= school.RenkeJieshu[r];
    return left;
}

json schoolInfo(const School& school, const ConditionRows& rows, const PresentIds& present)
{
    json j = json::object();
    j["school_name"] = school.XiaoName;

    // The week.
    json week = json::object();
    json days = json::array();
    for (int d = 1; d <= school.theDay; ++d) {
        int w = school.DayToWeek[d];
        days.push_back({{"day", d}, {"weekday", w}, {"name", school.WeekName[w]}});
    }
    week["days"] = std::move(days);
    week["mor"] = school.mor;
    week["aft"] = school.aft;
    week["nig"] = school.nig;
    week["periods"] = school.P();
    week["slots"] = school.N();
    json times = json::array();
    for (int p = 1; p <= kMaxJie; ++p)
        if (!school.TimeStr[p].empty())
            times.push_back({{"jie", p}, {"time", school.TimeStr[p]}});
    week["times"] = std::move(times);
    json pub = json::array();
    for (int k = 0; k <= kMaxJie; ++k)
        if (!school.PublicTime[k].empty())
            pub.push_back({{"after", k}, {"text", school.PublicTime[k]}});
    week["public"] = std::move(pub);
    j["week"] = std::move(week);

    // Grade groups and classes.
    json grades = json::array();
    for (int g = 1; g <= school.MaxJiID; ++g) {
        if (!has(present.ji, g))
            continue;
        json ids = json::array();
        for (int c = 1; c <= school.BanCountInJi[g]; ++c)
            ids.push_back(school.BanID(g, c));
        grades.push_back({{"id", g}, {"name", school.JiName[g]}, {"classes", std::move(ids)}});
    }
    j["grades"] = std::move(grades);

    const int N = school.N();
    json classes = json::array();
    for (int b = 1; b <= school.MaxBanID; ++b) {
        if (!has(present.ban, b))
            continue;
        int weekly = 0;
        for (int k = 1; k <= school.KemuOldNum; ++k)
            weekly += school.KemuJieshu(k, b);
        int g = school.BanInJi[b];
        classes.push_back({{"id", b},
                           {"name", school.BanName[b]},
                           {"grade", g},
                           {"grade_name", school.JiName[g]},
                           {"capacity", school.BanCapacity[b]},
                           {"kemujieshu", weekly},
                           {"over_capacity", weekly > school.BanCapacity[b]},
                           {"fixed", N - school.BanCapacity[b]},
                           {"locked", school.BanLocked[b] == 1}});
    }
    j["classes"] = std::move(classes);

    json subjects = json::array();
    for (int k = 1; k <= school.KemuOldNum; ++k) {
        if (!has(present.kemu, k))
            continue;
        subjects.push_back({{"id", k},
                            {"name", school.KemuName[k]},
                            {"short", school.KemuName2[k]},
                            {"maxjie", school.KemuMaxJie[k]},
                            {"lianpai", school.KemuLianpai[k]}});
    }
    j["subjects"] = std::move(subjects);

    json teachers = json::array();
    for (int t = 1; t <= school.TeaOldNum; ++t) {
        if (!has(present.tea, t))
            continue;
        teachers.push_back({{"id", t},
                            {"name", school.TeaName[t]},
                            {"short", school.TeaName2[t]},
                            {"lessons", teacherLessons(school, t)},
                            {"locked", school.TeaLocked[t] == 1}});
    }
    j["teachers"] = std::move(teachers);

    json renke = json::array();
    for (int r = 0; r < school.RenKeNum; ++r)
        renke.push_back({{"index", r},
                         {"class", school.RenkeBan[r]},
                         {"teacher", school.RenkeTea[r]},
                         {"subject", school.RenkeKe[r]},
                         {"lessons", school.RenkeJieshu[r]},
                         {"heban", school.RenkeHeban[r]}});
    j["assignments"] = std::move(renke);

    // Periods still without a teacher, in the order of the assignment screen: grade group,
    // class within the group, subject.
    Array2<int> assigned(school.KemuOldNum + 1, school.MaxBanID + 1, 0);
    for (int r = 0; r < school.renkeSize(); ++r)
        if (assigned.inside(school.RenkeKe[r], school.RenkeBan[r]))
            assigned(school.RenkeKe[r], school.RenkeBan[r]) += school.RenkeJieshu[r];
    json open = json::array();
    for (int g = 1; g <= school.MaxJiID; ++g) {
        for (int c = 1; c <= school.BanCountInJi[g]; ++c) {
            int b = school.BanID(g, c);
            json list = json::array();
            for (int k = 1; k <= school.KemuOldNum; ++k) {
                int left = school.KemuJieshu(k, b) - assigned(k, b);
                if (left > 0)
                    list.push_back({{"subject", k}, {"name", school.KemuName[k]}, {"periods", left}});
            }
            if (!list.empty())
                open.push_back({{"class", b}, {"class_name", school.BanName[b]}, {"subjects", std::move(list)}});
        }
    }
    // The school as a whole, so a reader sees at once whether the week can hold it.
    int weeklyAll = 0, capacityAll = 0, unassignedAll = 0;
    for (const auto& c : j["classes"]) {
        weeklyAll += c["kemujieshu"].get<int>();
        capacityAll += c["capacity"].get<int>();
    }
    for (const auto& c : open)
        for (const auto& k : c["subjects"])
            unassignedAll += k["periods"].get<int>();
    int lessonsAll = 0;
    for (int r = 0; r < school.RenKeNum; ++r)
        lessonsAll += school.RenkeJieshu[r];
    j["totals"] = {{"kemujieshu", weeklyAll},
                   {"assigned", lessonsAll},
                   {"unassigned", unassignedAll},
                   {"capacity", capacityAll}};
    j["unassigned"] = std::move(open);

    json pairs = json::array();
    for (const auto& p : rows.pairs)
        pairs.push_back({{"wmid", p.wmid}, {"teachers", {p.man, p.wife}}});
    j["conditions"] = {{"jie", conditionGroups(rows.jie, "jie")},
                       {"day", conditionGroups(rows.day, "weekday")},
                       {"exclusive", std::move(pairs)}};

    json skipped = json::array();
    for (const auto& r : school.skipped)
        skipped.push_back({{"table", r.table}, {"row", r.row}, {"reason", r.reason}});
    j["skipped"] = std::move(skipped);
    return j;
}

json schoolInfo(store::Store& s)
{
    School school;
    actLoadTeaData(s, school);
    LoadMyPaiOpt(s, school);
    return schoolInfo(school, readConditionRows(s, school), presentIds(s));
}

std::vector<NotLoaded> groupNotLoaded(const std::vector<SkippedRow>& rows)
{
    std::vector<NotLoaded> out;
    for (const auto& r : rows) {
        auto it = std::find_if(out.begin(), out.end(),
                               [&](const NotLoaded& n) { return n.table == r.table && n.reason == r.reason; });
        if (it == out.end())
            out.push_back({r.table, r.reason, 1});
        else
            ++it->rows;
    }
    return out;
}

std::string notLoadedLine(const std::vector<SkippedRow>& rows, const char* scope)
{
    if (rows.empty())
        return {};
    std::string why;
    for (const auto& n : groupNotLoaded(rows))
        why += fmt::format("{}{} {} 行（{}）", why.empty() ? "" : "、", n.table, n.rows, n.reason);
    return fmt::format("注意：有 {} 行数据未载入，{}不含这些数据：{}。", rows.size(), scope, why);
}

std::vector<SkippedRow> rowsNotLoaded(store::Store& s)
{
    School school = loadSchool(s);
    std::vector<SkippedRow> rows = school.skipped;
    LoadKeChenData(s, school, &rows);
    return rows;
}

}  // namespace tavrin::model
