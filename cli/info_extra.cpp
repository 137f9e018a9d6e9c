#include "cli/info_extra.h"

#include <fmt/format.h>

#include <map>
#include <string>

#include "model/info.h"

namespace tavrin::cli {

using json = nlohmann::ordered_json;

void addSchoolInfo(store::Store& s, json& j)
{
    json info = model::schoolInfo(s);
    for (auto& [key, value] : info.items())
        j[key] = std::move(value);
}

namespace {

std::string str(const json& v) { return v.is_string() ? v.get<std::string>() : v.dump(); }

// Names by ID from one of the lists of the report, for the readable lines.
std::map<int, std::string> names(const json& list)
{
    std::map<int, std::string> m;
    for (const auto& x : list)
        m[x["id"].get<int>()] = x["name"].get<std::string>();
    return m;
}

std::string nameOr(const std::map<int, std::string>& m, int id)
{
    auto it = m.find(id);
    return it == m.end() ? fmt::format("#{}", id) : it->second;
}

std::string count(int num, const char* unit)
{
    return num > 0 ? fmt::format("固定{}{}", num, unit) : fmt::format("最多{}{}", -num, unit);
}

void printConditions(const json& groups, const char* title, const char* atKey, const std::map<int, std::string>& ban,
                     const std::map<int, std::string>& ke, const std::map<int, std::string>& tea,
                     const std::array<std::string, 8>& weekName, std::ostream& out)
{
    for (const auto& g : groups) {
        out << fmt::format("  {} {}：\n", title, g["opt"].get<int>());
        for (const auto& r : g["rows"]) {
            int at = r[atKey].get<int>(), num = r["num"].get<int>();
            std::string who;
            if (r["teacher"].get<int>() != 0)
                who = "教师 " + nameOr(tea, r["teacher"].get<int>());
            else
                who = (r["class"].get<int>() == 0 ? std::string("全校") : nameOr(ban, r["class"].get<int>())) + " " +
                      nameOr(ke, r["subject"].get<int>());
            std::string when = std::string(atKey) == "jie" ? fmt::format("第{}节{}", at, count(num, "次"))
                                                           : weekName[at] + count(num, "节");
            out << "    " << who << "：" << when << '\n';
        }
    }
}

}  // namespace

void printSchoolInfo(const json& j, std::ostream& out)
{
    if (!j.contains("week"))
        return;
    const std::array<std::string, 8> weekName = {"", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};
    auto ban = names(j["classes"]), ke = names(j["subjects"]), tea = names(j["teachers"]);

    out << "学校名称：" << (j["school_name"].get<std::string>().empty() ? "（未设置）" : str(j["school_name"])) << '\n';
    const auto& w = j["week"];
    std::string days;
    for (const auto& d : w["days"])
        days += (days.empty() ? "" : "、") + str(d["name"]);
    out << fmt::format("上课日：{}（共{}天）\n", days.empty() ? "无" : days, w["days"].size());
    out << fmt::format("每天节数：上午{}节，下午{}节，晚上{}节，共{}节；每周{}节\n", w["mor"].get<int>(),
                       w["aft"].get<int>(), w["nig"].get<int>(), w["periods"].get<int>(), w["slots"].get<int>());
    for (const auto& t : w["times"])
        out << fmt::format("  第{}节 {}\n", t["jie"].get<int>(), str(t["time"]));
    for (const auto& p : w["public"]) {
        int after = p["after"].get<int>();
        out << "  公共时段 " << (after == 0 ? std::string("第1节前") : fmt::format("第{}节后", after)) << "："
            << str(p["text"]) << '\n';
    }

    out << fmt::format("年级 {} 个，班级 {} 个：\n", j["grades"].size(), j["classes"].size());
    for (const auto& c : j["classes"]) {
        out << fmt::format("  {} {}（{}）容量{}节，已设课时{}节，固定课{}节{}{}\n", c["id"].get<int>(), str(c["name"]),
                           str(c["grade_name"]), c["capacity"].get<int>(), c["kemujieshu"].get<int>(),
                           c["fixed"].get<int>(), c["over_capacity"].get<bool>() ? "，超出容量" : "",
                           c["locked"].get<bool>() ? "，已锁定" : "");
    }

    out << fmt::format("科目 {} 个：\n", j["subjects"].size());
    for (const auto& k : j["subjects"])
        out << fmt::format("  {} {}（{}）同时上课班数上限{}，连排{}次\n", k["id"].get<int>(), str(k["name"]),
                           str(k["short"]), k["maxjie"].get<int>(), k["lianpai"].get<int>());

    out << fmt::format("教师 {} 位：\n", j["teachers"].size());
    for (const auto& t : j["teachers"])
        out << fmt::format("  {} {}（{}）周课时{}节{}\n", t["id"].get<int>(), str(t["name"]), str(t["short"]),
                           t["lessons"].get<int>(), t["locked"].get<bool>() ? "，已锁定" : "");

    out << fmt::format("任课 {} 项：\n", j["assignments"].size());
    for (const auto& r : j["assignments"]) {
        int h = r["heban"].get<int>();
        out << fmt::format("  [{}] {} {} {} {}节{}\n", r["index"].get<int>(), nameOr(ban, r["class"].get<int>()),
                           nameOr(tea, r["teacher"].get<int>()), nameOr(ke, r["subject"].get<int>()),
                           r["lessons"].get<int>(), h ? fmt::format("，合班{}", h) : std::string());
    }

    if (j.contains("totals")) {
        const auto& t = j["totals"];
        out << fmt::format("全校合计：周课时{}节，已分配任课{}节，未分配教师{}节，容量{}节\n",
                           t["kemujieshu"].get<int>(), t["assigned"].get<int>(), t["unassigned"].get<int>(),
                           t["capacity"].get<int>());
    }

    if (!j["unassigned"].empty()) {
        out << "未分配教师的课时：\n";
        for (const auto& c : j["unassigned"]) {
            std::string list;
            for (const auto& k : c["subjects"])
                list += (list.empty() ? "" : "、") + fmt::format("{}{}节", str(k["name"]), k["periods"].get<int>());
            out << "  " << str(c["class_name"]) << "：" << list << '\n';
        }
    }

    const auto& cond = j["conditions"];
    if (!cond["jie"].empty() || !cond["day"].empty() || !cond["exclusive"].empty()) {
        out << "排课条件：\n";
        printConditions(cond["jie"], "时段限制", "jie", ban, ke, tea, weekName, out);
        printConditions(cond["day"], "日期限制", "weekday", ban, ke, tea, weekName, out);
        for (const auto& p : cond["exclusive"])
            out << fmt::format("  教师互斥 {}：{}与{}不同时上课\n", p["wmid"].get<int>(),
                               nameOr(tea, p["teachers"][0].get<int>()), nameOr(tea, p["teachers"][1].get<int>()));
    }

    if (!j["skipped"].empty()) {
        out << fmt::format("未载入的数据行 {} 条：\n", j["skipped"].size());
        for (const auto& r : j["skipped"])
            out << "  " << str(r["table"]) << "（" << str(r["row"]) << "）：" << str(r["reason"]) << '\n';
    }
}

}  // namespace tavrin::cli
