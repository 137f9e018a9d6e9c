#include "entry/json.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

namespace tavrin::entry {

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

ordered_json skippedJson(const std::vector<model::SkippedRow>& rows)
{
    ordered_json out = ordered_json::array();
    for (const auto& r : rows)
        out.push_back({{"table", r.table}, {"row", r.row}, {"reason", r.reason}});
    return out;
}

const json& member(const json& j, const char* key, const std::string& where)
{
    if (!j.is_object() || !j.contains(key))
        throw BadJson(fmt::format("{}缺少“{}”。", where, key));
    return j.at(key);
}

std::string text(const json& j, const char* key, const std::string& where)
{
    const json& v = member(j, key, where);
    if (!v.is_string())
        throw BadJson(fmt::format("{}的“{}”应为文字。", where, key));
    return v.get<std::string>();
}

std::int64_t integer(const json& j, const char* key, const std::string& where)
{
    const json& v = member(j, key, where);
    if (!v.is_number_integer())
        throw BadJson(fmt::format("{}的“{}”应为整数。", where, key));
    return v.get<std::int64_t>();
}

std::optional<std::int64_t> optionalId(const json& j, const std::string& where)
{
    if (!j.is_object() || !j.contains("id") || j.at("id").is_null())
        return std::nullopt;
    return integer(j, "id", where);
}

const json& array(const json& j, const char* key, const std::string& where)
{
    const json& v = member(j, key, where);
    if (!v.is_array())
        throw BadJson(fmt::format("{}的“{}”应为数组。", where, key));
    return v;
}

int inRange(std::int64_t v, int lo, int hi, const char* key, const std::string& where)
{
    if (v < lo || v > hi)
        throw BadJson(fmt::format("{}的“{}”应在{}到{}之间。", where, key, lo, hi));
    return static_cast<int>(v);
}

}  // namespace

ordered_json toJson(const ClassDraft& d)
{
    auto id = [](const std::optional<std::int64_t>& v) { return v ? ordered_json(*v) : ordered_json(nullptr); };
    ordered_json groups = ordered_json::array();
    for (const auto& g : d.groups) {
        ordered_json classes = ordered_json::array();
        for (const auto& c : g.classes)
            classes.push_back({{"id", id(c.id)}, {"name", c.name}});
        groups.push_back({{"id", id(g.id)}, {"name", g.name}, {"classes", classes}});
    }
    return {{"groups", groups}, {"skipped", skippedJson(d.skipped)}};
}

ClassDraft classesFromJson(const json& j)
{
    ClassDraft d;
    const json& groups = array(j, "groups", "班级数据");
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const std::string where = fmt::format("第{}个年级组", g + 1);
        JiEntry e{optionalId(groups[g], where), text(groups[g], "name", where), {}};
        const json& classes = array(groups[g], "classes", where);
        for (std::size_t c = 0; c < classes.size(); ++c) {
            const std::string at = fmt::format("{}的第{}个班级", where, c + 1);
            e.classes.push_back({optionalId(classes[c], at), text(classes[c], "name", at)});
        }
        d.groups.push_back(std::move(e));
    }
    return d;
}

ordered_json toJson(const WeekDraft& d)
{
    ordered_json days = ordered_json::array();
    for (int w : d.weekdays())
        days.push_back(w);
    ordered_json times = ordered_json::array();
    for (int j = 1; j <= model::kMaxJie; ++j)
        if (!d.times[j].empty())
            times.push_back({{"period", j}, {"time", d.times[j]}});
    ordered_json pub = ordered_json::array();
    for (int k = 0; k <= model::kMaxJie; ++k)
        if (!d.publicTimes[k].empty())
            pub.push_back({{"after", k}, {"text", d.publicTimes[k]}});
    ordered_json groups = ordered_json::array();
    for (const auto& g : d.groups) {
        ordered_json classes = ordered_json::array();
        for (int k = g.first; k < g.first + g.count; ++k)
            classes.push_back({{"id", d.classes[k].id}, {"name", d.classes[k].name}});
        groups.push_back({{"id", g.id}, {"name", g.name}, {"classes", classes}});
    }
    ordered_json fixed = ordered_json::array();
    for (std::size_t k = 0; k < d.classes.size(); ++k)
        for (int w = 1; w <= model::kMaxDays; ++w)
            for (int j = 1; j <= model::kMaxJie; ++j)
                if (!d.fixed[k][w][j].empty())
                    fixed.push_back({{"class", d.classes[k].id}, {"weekday", w}, {"period", j}, {"name", d.fixed[k][w][j]}});
    return {{"days", days},     {"mor", d.mor},       {"aft", d.aft},     {"nig", d.nig},
            {"times", times},   {"public", pub},      {"groups", groups}, {"fixed", fixed},
            {"skipped", skippedJson(d.skipped)}};
}

WeekDraft weekFromJson(const json& j, WeekDraft base)
{
    const std::string where = "课节数据";
    WeekDraft d = std::move(base);
    d.skipped.clear();
    d.days.fill(false);
    for (const json& w : array(j, "days", where)) {
        if (!w.is_number_integer())
            throw BadJson("“days”应为1到7的整数。");
        d.days[static_cast<std::size_t>(inRange(w.get<std::int64_t>(), 1, model::kMaxDays, "days", where))] = true;
    }
    d.mor = inRange(integer(j, "mor", where), 0, kMaxSectionJie, "mor", where);
    d.aft = inRange(integer(j, "aft", where), 0, kMaxSectionJie, "aft", where);
    d.nig = inRange(integer(j, "nig", where), 0, kMaxSectionJie, "nig", where);
    for (auto& t : d.times)
        t.clear();
    for (auto& t : d.publicTimes)
        t.clear();
    if (j.contains("times"))
        for (const json& t : array(j, "times", where)) {
            const int p = inRange(integer(t, "period", "节次时间"), 1, model::kMaxJie, "period", "节次时间");
            d.times[static_cast<std::size_t>(p)] = text(t, "time", "节次时间");
        }
    if (j.contains("public"))
        for (const json& t : array(j, "public", where)) {
            const int k = inRange(integer(t, "after", "公共时段"), 0, model::kMaxJie, "after", "公共时段");
            d.publicTimes[static_cast<std::size_t>(k)] = text(t, "text", "公共时段");
        }
    std::map<std::int64_t, std::size_t> classAt;
    for (std::size_t k = 0; k < d.classes.size(); ++k)
        classAt[d.classes[k].id] = k;
    for (auto& f : d.fixed)
        for (auto& day : f)
            for (auto& cell : day)
                cell.clear();
    if (j.contains("fixed"))
        for (const json& f : array(j, "fixed", where)) {
            const std::int64_t ban = integer(f, "class", "固定课");
            auto it = classAt.find(ban);
            if (it == classAt.end())
                throw BadJson(fmt::format("固定课的班级{}不存在。", ban));
            const int w = inRange(integer(f, "weekday", "固定课"), 1, model::kMaxDays, "weekday", "固定课");
            const int p = inRange(integer(f, "period", "固定课"), 1, model::kMaxJie, "period", "固定课");
            d.fixed[it->second][static_cast<std::size_t>(w)][static_cast<std::size_t>(p)] = text(f, "name", "固定课");
        }
    return d;
}

ordered_json toJson(const KemuDraft& d)
{
    ordered_json classes = ordered_json::array();
    for (const auto& c : d.classes)
        classes.push_back({{"id", c.id},
                           {"name", c.name},
                           {"group", d.groups[static_cast<std::size_t>(c.group)].name},
                           {"capacity", c.capacity}});
    ordered_json subjects = ordered_json::array();
    for (const auto& r : d.rows) {
        ordered_json periods = ordered_json::array();
        ordered_json marks = ordered_json::array();
        for (std::size_t k = 0; k < d.classes.size(); ++k) {
            if (r.jieshu[k] > 0)
                periods.push_back({{"class", d.classes[k].id}, {"periods", r.jieshu[k]}});
            for (int day = 1; day <= d.theDay && day <= model::kMaxDays; ++day)
                for (int j = 1; j <= model::kMaxJie; ++j)
                    if (const int m = r.marks[KemuDraft::markAt(static_cast<int>(k), day, j)]; m != 0)
                        marks.push_back({{"class", d.classes[k].id},
                                         {"weekday", d.dayToWeek[static_cast<std::size_t>(day)]},
                                         {"period", j},
                                         {"mark", m}});
        }
        subjects.push_back({{"id", r.id},
                            {"name", r.name},
                            {"short", r.name2},
                            {"maxjie", r.maxjie},
                            {"lianpai", r.lianpai},
                            {"periods", periods},
                            {"marks", marks}});
    }
    return {{"classes", classes}, {"subjects", subjects}, {"skipped", skippedJson(d.skipped)}};
}

KemuDraft subjectsFromJson(const json& j, KemuDraft base)
{
    KemuDraft d = std::move(base);
    d.skipped.clear();
    std::unordered_map<std::int64_t, KemuRow> stored;
    for (auto& r : d.rows)
        stored.emplace(r.id, std::move(r));
    d.rows.clear();
    std::unordered_map<std::int64_t, std::size_t> classAt;
    for (std::size_t k = 0; k < d.classes.size(); ++k)
        classAt[d.classes[k].id] = k;
    std::array<int, 8> dayOf{};  // [weekday] -> day number
    for (int day = 1; day <= d.theDay && day <= model::kMaxDays; ++day)
        dayOf[d.dayToWeek[static_cast<std::size_t>(day)]] = day;

    const json& subjects = array(j, "subjects", "科目数据");
    std::set<std::int64_t> taken;
    for (const json& sj : subjects)
        if (auto id = optionalId(sj, "科目"))
            taken.insert(*id);
    std::int64_t next = std::max<std::int64_t>(d.maxStoredId, 0);
    for (std::size_t n = 0; n < subjects.size(); ++n) {
        const json& sj = subjects[n];
        const std::string where = fmt::format("第{}个科目", n + 1);
        KemuRow r;
        const KemuRow* was = nullptr;
        if (auto id = optionalId(sj, where)) {
            auto it = stored.find(*id);
            if (it == stored.end())
                throw BadJson(fmt::format("{}：找不到编号为{}的科目。", where, *id));
            was = &it->second;
            r.id = *id;
            r.stored = true;
        } else {
            do
                ++next;
            while (taken.count(next));
            r.id = next;
        }
        // A number outside what the page lets one type passes only where the file holds it.
        auto bounded = [&](std::int64_t v, std::optional<std::int64_t> old, int max, const char* key) {
            if ((v < 0 || v > max) && old != v)
                throw BadJson(fmt::format("{}的“{}”应在0到{}之间。", where, key, max));
            return v;
        };
        r.name = text(sj, "name", where);
        r.name2 = sj.contains("short") ? text(sj, "short", where) : std::string();
        auto opt = [&](std::int64_t v) { return was ? std::optional<std::int64_t>(v) : std::nullopt; };
        r.maxjie = sj.contains("maxjie") ? bounded(integer(sj, "maxjie", where), opt(was ? was->maxjie : 0),
                                                   kMaxKemuByte, "maxjie")
                                         : 0;
        r.lianpai = sj.contains("lianpai") ? bounded(integer(sj, "lianpai", where), opt(was ? was->lianpai : 0),
                                                     kMaxKemuByte, "lianpai")
                                           : 0;
        r.jieshu.assign(d.classes.size(), 0);
        r.marks.assign(d.classes.size() * kMarksPerClass, 0);
        auto classOf = [&](const json& e, const std::string& at) {
            const std::int64_t ban = integer(e, "class", at);
            auto c = classAt.find(ban);
            if (c == classAt.end())
                throw BadJson(fmt::format("{}：班级{}不存在。", at, ban));
            return c;
        };
        if (sj.contains("periods"))
            for (const json& p : array(sj, "periods", where)) {
                const std::string at = where + "的周课时";
                auto c = classOf(p, at);
                r.jieshu[c->second] = bounded(integer(p, "periods", at), opt(was ? was->jieshu[c->second] : 0),
                                              kMaxKemuJie, "periods");
            }
        if (sj.contains("marks"))
            for (const json& m : array(sj, "marks", where)) {
                const std::string at = where + "的课节预设";
                auto c = classOf(m, at);
                const int w = inRange(integer(m, "weekday", at), 1, model::kMaxDays, "weekday", at);
                if (dayOf[static_cast<std::size_t>(w)] == 0)
                    throw BadJson(fmt::format("{}：星期{}不上课。", at, w));
                const int p = inRange(integer(m, "period", at), 1, std::max(d.P, 1), "period", at);
                const int v = inRange(integer(m, "mark", at), 0, model::MarkNever, "mark", at);
                r.marks[KemuDraft::markAt(static_cast<int>(c->second), dayOf[static_cast<std::size_t>(w)], p)] =
                    static_cast<std::uint8_t>(v);
            }
        d.rows.push_back(std::move(r));
    }
    return d;
}

ordered_json toJson(const TeaDraft& d)
{
    ordered_json teachers = ordered_json::array();
    for (const auto& r : d.rows) {
        ordered_json marks = ordered_json::array();
        for (int day = 1; day <= d.theDay && day <= model::kMaxDays; ++day)
            for (int j = 1; j <= model::kMaxJie; ++j)
                if (const int m = r.marks[teaMarkAt(day, j)]; m != 0)
                    marks.push_back(
                        {{"weekday", d.dayToWeek[static_cast<std::size_t>(day)]}, {"period", j}, {"mark", m}});
        ordered_json assignments = ordered_json::array();
        for (const auto& e : d.renke)
            if (!e.empty() && e.tea == r.id)
                assignments.push_back({{"class", e.ban},
                                       {"class_name", d.className(e.ban)},
                                       {"subject", e.ke},
                                       {"subject_name", d.subjectName(e.ke)},
                                       {"periods", e.jieshu},
                                       {"combined", e.heban}});
        teachers.push_back({{"id", r.id},
                            {"name", r.name},
                            {"short", r.name2},
                            {"text", renkeText(d, r.id)},
                            {"assignments", assignments},
                            {"marks", marks}});
    }
    ordered_json left = ordered_json::array();
    for (const auto& u : unassigned(d))
        if (!u.isClass)
            left.push_back({{"class", u.ban}, {"subject", u.ke}, {"periods", u.remain}});
    return {{"assigned", assignedLabel(d)},
            {"teachers", teachers},
            {"unassigned", left},
            {"skipped", skippedJson(d.skipped)}};
}

TeaDraft teachersFromJson(const json& j, TeaDraft base)
{
    TeaDraft d = std::move(base);
    std::array<int, 8> dayOf{};  // [weekday] -> day number
    for (int day = 1; day <= d.theDay && day <= model::kMaxDays; ++day)
        dayOf[d.dayToWeek[static_cast<std::size_t>(day)]] = day;

    const json& teachers = array(j, "teachers", "教师数据");
    if (teachers.size() > static_cast<std::size_t>(kMaxTeaRows))
        throw BadJson(kTooManyTea);
    std::unordered_map<std::int64_t, TeaRow> stored;
    for (auto& r : d.rows)
        stored.emplace(r.id, std::move(r));
    d.rows.clear();
    std::vector<RenkeEntry> wanted;
    for (std::size_t n = 0; n < teachers.size(); ++n) {
        const json& tj = teachers[n];
        const std::string where = fmt::format("第{}位教师", n + 1);
        TeaRow r;
        if (auto id = optionalId(tj, where)) {
            auto it = stored.find(*id);
            if (it == stored.end())
                throw BadJson(fmt::format("{}：找不到编号为{}的教师。", where, *id));
            r = std::move(it->second);
            stored.erase(it);
        } else {
            r.id = std::max(d.nextId, d.maxStoredId + 1);
            d.nextId = r.id + 1;
        }
        r.name = text(tj, "name", where);
        r.name2 = tj.contains("short") ? text(tj, "short", where) : std::string();
        r.marks = {};
        if (tj.contains("marks"))
            for (const json& m : array(tj, "marks", where)) {
                const std::string at = where + "的课节预设";
                const int w = inRange(integer(m, "weekday", at), 1, model::kMaxDays, "weekday", at);
                if (dayOf[static_cast<std::size_t>(w)] == 0)
                    throw BadJson(fmt::format("{}：星期{}不上课。", at, w));
                const int p = inRange(integer(m, "period", at), 1, std::max(d.P, 1), "period", at);
                const int v = inRange(integer(m, "mark", at), 0, model::MarkNever, "mark", at);
                r.marks[teaMarkAt(dayOf[static_cast<std::size_t>(w)], p)] = static_cast<std::uint8_t>(v);
            }
        if (tj.contains("assignments"))
            for (const json& a : array(tj, "assignments", where)) {
                const std::string at = where + "的任课";
                RenkeEntry e{r.id, integer(a, "class", at), integer(a, "subject", at), integer(a, "periods", at),
                             a.contains("combined") ? integer(a, "combined", at) : 0};
                if (d.classAt(e.ban) < 0)
                    throw BadJson(fmt::format("{}：班级{}不存在。", at, e.ban));
                if (d.subjectAt(e.ke) < 0)
                    throw BadJson(fmt::format("{}：科目{}不存在。", at, e.ke));
                inRange(e.jieshu, 1, model::kMaxWeekSlots, "periods", at);
                if (e.heban < 0)
                    throw BadJson(fmt::format("{}的“combined”不能为负数。", at));
                wanted.push_back(e);
            }
        d.rows.push_back(std::move(r));
    }
    // Entries the printout still holds stay where they are; the rest are emptied, and the new
    // ones fill the gaps as the page's drops would.
    std::vector<bool> used(wanted.size(), false);
    for (auto& e : d.renke) {
        if (e.empty())
            continue;
        auto it = std::find(wanted.begin(), wanted.end(), e);
        while (it != wanted.end() && used[static_cast<std::size_t>(it - wanted.begin())])
            it = std::find(it + 1, wanted.end(), e);
        if (it != wanted.end()) {
            used[static_cast<std::size_t>(it - wanted.begin())] = true;
        } else {
            e = {};
            --d.RenKeNum;
        }
    }
    for (std::size_t i = 0; i < wanted.size(); ++i)
        if (!used[i])
            addRenke(d, wanted[i].tea, wanted[i].ban, wanted[i].heban, wanted[i].jieshu, wanted[i].ke);
    return d;
}

}  // namespace tavrin::entry
