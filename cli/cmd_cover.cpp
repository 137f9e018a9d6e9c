// `cover PATH --date D [--absent TEACHER[:PERIODS]]... [--suggest] [--apply FILE] [--json]`:
// a day's absences and the lessons they empty, with the chosen covers (broken ones marked)
// and, with `--suggest`, the ranked suggestions; `--absent` stores absences for that day and
// `--apply` the covers of a file, all in one transaction. `cover PATH --report --from D
// --to D` prints the covers given and lessons missed per teacher, by month. `--term D
// --weeks N` sets the term first. The weekly timetable is only read.
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/open.h"
#include "cli/output.h"
#include "model/dates.h"
#include "timetable/cover.h"
#include "timetable/kbdocument.h"

namespace tavrin::cli {
namespace {

using json = nlohmann::ordered_json;
using model::CoverKind;

struct CoverArgs {
    std::string path;
    std::string date;
    std::vector<std::string> absent;
    bool suggest = false;
    std::string apply;
    bool asJson = false;
    bool report = false;
    std::string from, to;
    std::string term;
    int weeks = 0;
};

std::size_t at(int i) { return static_cast<std::size_t>(i); }

int dateArg(const std::string& text, const char* option)
{
    const auto d = model::parseDate(text);
    if (!d)
        throw Failure(std::string(option) + " 的日期应写成 YYYY-MM-DD：" + text);
    return *d;
}

// A teacher by ID or by full or short name.
int teacherArg(const model::School& s, const std::string& text)
{
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos && text.size() < 9) {
        const int id = std::stoi(text);
        if (id >= 1 && id <= s.TeaOldNum && !s.TeaName[at(id)].empty())
            return id;
    }
    for (int t = 1; t <= s.TeaOldNum; ++t)
        if (!text.empty() && (s.TeaName[at(t)] == text || s.TeaName2[at(t)] == text))
            return t;
    throw Failure("没有这个教师：" + text);
}

const char* kindKey(CoverKind k)
{
    switch (k) {
    case CoverKind::Substitute:
        return "substitute";
    case CoverKind::Swap:
        return "swap";
    case CoverKind::Study:
        return "study";
    }
    return "";
}

json coverJson(const model::School& s, const model::Cover& c)
{
    json j{{"date", model::dateText(c.date)}, {"period", c.jie},     {"class", c.ban},
           {"teacher", c.tea},                {"subject", c.ke},     {"kind", kindKey(c.kind)},
           {"by", c.by},                      {"by_name", c.by > 0 ? s.TeaName[at(c.by)] : ""}};
    if (c.kind == CoverKind::Swap) {
        j["swap_date"] = model::dateText(c.swapDate);
        j["swap_period"] = c.swapJie;
        j["swap_subject"] = c.swapKe;
    }
    j["note"] = c.note;
    return j;
}

int intOrTeacher(const model::School& s, const json& v, const char* key)
{
    if (v.is_number_integer())
        return v.get<int>();
    if (v.is_string())
        return teacherArg(s, v.get<std::string>());
    throw Failure(std::string("代课文件中缺少 ") + key + "。");
}

std::vector<model::Cover> readApplyFile(const model::School& s, const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Failure("无法读取文件：" + file);
    json j = json::parse(in, nullptr, false);
    if (j.is_discarded())
        throw Failure("文件不是有效的 JSON：" + file);
    if (j.is_object() && j.contains("covers"))
        j = j["covers"];
    if (!j.is_array())
        throw Failure("代课文件应是代课的数组（或含 covers 数组的对象）：" + file);
    std::vector<model::Cover> out;
    for (const auto& e : j) {
        if (!e.is_object())
            throw Failure("代课文件中的每一项应是对象：" + file);
        auto need = [&](const char* key) -> const json& {
            if (!e.contains(key))
                throw Failure(std::string("代课文件中缺少 ") + key + "：" + file);
            return e[key];
        };
        auto integer = [&](const char* key) {
            const json& v = need(key);
            if (!v.is_number_integer())
                throw Failure(std::string("代课文件中的 ") + key + " 应是整数：" + file);
            return v.get<int>();
        };
        auto text = [&](const char* key) {
            const json& v = need(key);
            if (!v.is_string())
                throw Failure(std::string("代课文件中的 ") + key + " 应是文本：" + file);
            return v.get<std::string>();
        };
        model::Cover c;
        c.date = dateArg(text("date"), "date");
        c.jie = integer("period");
        c.ban = integer("class");
        c.tea = intOrTeacher(s, need("teacher"), "teacher");
        c.ke = integer("subject");
        const std::string kind = text("kind");
        if (kind == "substitute")
            c.kind = CoverKind::Substitute;
        else if (kind == "swap")
            c.kind = CoverKind::Swap;
        else if (kind == "study")
            c.kind = CoverKind::Study;
        else
            throw Failure("代课方式应是 substitute、swap 或 study：" + kind);
        c.by = intOrTeacher(s, need("by"), "by");
        if (c.kind == CoverKind::Swap) {
            c.swapDate = dateArg(text("swap_date"), "swap_date");
            c.swapJie = integer("swap_period");
            c.swapKe = integer("swap_subject");
        }
        if (e.contains("note") && e["note"].is_string())
            c.note = e["note"].get<std::string>();
        out.push_back(std::move(c));
    }
    return out;
}

std::string periodsText(const std::vector<int>& jies)
{
    return jies.empty() ? "全天" : "第" + model::jiesText(jies) + "节";
}

std::string classesText(const model::School& s, const std::vector<int>& bans)
{
    std::string out;
    for (int b : bans)
        out += (out.empty() ? "" : "、") + s.BanName[at(b)];
    return out;
}

std::string coverText(const model::School& s, const model::Cover& c)
{
    std::string t = timetable::kindName(c.kind) + " " + s.TeaName[at(c.by)];
    if (c.kind == CoverKind::Swap)
        t += "（与 " + model::dateText(c.swapDate) + " 第" + std::to_string(c.swapJie) + "节 " +
             s.KemuName[at(c.swapKe)] + " 对调）";
    if (!c.note.empty())
        t += "（" + c.note + "）";
    return t;
}

void printDay(const model::School& s, const timetable::CoverDay& day, int applied, bool asJson)
{
    if (asJson) {
        json j{{"date", model::dateText(day.date)},
               {"week", day.week},
               {"weekday", s.WeekName[at(model::weekdayOf(day.date))]}};
        json abs = json::array();
        for (const auto& a : day.absences)
            abs.push_back({{"id", a.id},
                           {"teacher", a.tea},
                           {"teacher_name", s.TeaName[at(a.tea)]},
                           {"from", model::dateText(a.from)},
                           {"to", model::dateText(a.to)},
                           {"periods", a.jies},
                           {"reason", a.reason}});
        j["absences"] = abs;
        json lessons = json::array();
        for (const auto& e : day.lessons) {
            std::vector<std::string> names;
            for (int b : e.bans)
                names.push_back(s.BanName[at(b)]);
            json l{{"period", e.jie},
                   {"slot", e.slot},
                   {"classes", e.bans},
                   {"class_names", names},
                   {"subject", e.ke},
                   {"subject_name", s.KemuName[at(e.ke)]},
                   {"teacher", e.tea},
                   {"teacher_name", s.TeaName[at(e.tea)]}};
            l["cover"] = e.hasCover ? coverJson(s, e.cover) : json(nullptr);
            l["broken"] = e.broken;
            json sg = json::array();
            for (const auto& x : e.suggestions)
                sg.push_back({{"kind", kindKey(x.cover.kind)},
                              {"by", x.cover.by},
                              {"by_name", s.TeaName[at(x.cover.by)]},
                              {"reason", x.reason},
                              {"warned", x.warned},
                              {"cover", coverJson(s, x.cover)}});
            l["suggestions"] = sg;
            lessons.push_back(std::move(l));
        }
        j["lessons"] = lessons;
        j["applied"] = applied;
        std::cout << jsonText(j) << '\n';
        return;
    }
    std::cout << model::dateText(day.date) << ' ' << s.WeekName[at(model::weekdayOf(day.date))] << "（第" << day.week
              << "周）\n";
    if (applied > 0)
        std::cout << "已保存 " << applied << " 项代课安排。\n";
    if (day.absences.empty())
        std::cout << "这一天没有教师请假。\n";
    for (const auto& a : day.absences)
        std::cout << "请假：" << s.TeaName[at(a.tea)] << ' ' << model::dateText(a.from) << " 至 "
                  << model::dateText(a.to) << ' ' << periodsText(a.jies) << (a.reason.empty() ? "" : " " + a.reason)
                  << '\n';
    for (const auto& e : day.lessons) {
        std::cout << "第" << e.jie << "节 " << classesText(s, e.bans) << ' ' << s.KemuName[at(e.ke)] << ' '
                  << s.TeaName[at(e.tea)] << "：";
        if (!e.hasCover)
            std::cout << "未安排";
        else
            std::cout << coverText(s, e.cover) << (e.broken.empty() ? "" : "  " + e.broken);
        std::cout << '\n';
        int n = 0;
        for (const auto& x : e.suggestions)
            std::cout << "  " << ++n << ". " << timetable::kindName(x.cover.kind) << ' ' << s.TeaName[at(x.cover.by)]
                      << "：" << x.reason << '\n';
    }
}

void printReport(const model::School& s, int from, int to, const std::vector<timetable::TeaCoverCount>& rows,
                 bool asJson)
{
    if (asJson) {
        json j{{"from", model::dateText(from)}, {"to", model::dateText(to)}};
        json list = json::array();
        for (const auto& r : rows) {
            json months = json::array();
            for (const auto& m : r.months)
                months.push_back({{"month", m.month}, {"given", m.given}, {"missed", m.missed}});
            list.push_back({{"teacher", r.tea},
                            {"teacher_name", s.TeaName[at(r.tea)]},
                            {"given", r.given},
                            {"missed", r.missed},
                            {"months", months}});
        }
        j["teachers"] = list;
        std::cout << jsonText(j) << '\n';
        return;
    }
    std::cout << model::dateText(from) << " 至 " << model::dateText(to) << " 代课统计\n";
    if (rows.empty())
        std::cout << "没有代课，也没有教师缺课。\n";
    for (const auto& r : rows) {
        std::cout << s.TeaName[at(r.tea)] << "：代课 " << r.given << " 节，缺课 " << r.missed << " 节";
        for (const auto& m : r.months)
            std::cout << "；" << m.month << " 代课 " << m.given << " 缺课 " << m.missed;
        std::cout << '\n';
    }
}

void runCover(const CoverArgs& a)
{
    const bool writes = !a.absent.empty() || !a.apply.empty() || !a.term.empty();
    auto st = openSchool(a.path, writes ? Access::Write : Access::Read);
    timetable::KbDocument doc;
    doc.load(*st);
    const timetable::KbData& kb = doc.data();
    const model::School& s = kb.school;
    if (s.N() <= 0)
        throw Failure("还没有设置上课的日期和节数。");
    timetable::CoverBook book = timetable::loadCoverBook(*st);

    int applied = 0;
    std::string termNote;
    if (writes) {
        // Everything asked for goes in together or not at all.
        st->transaction([&] {
            if (!a.term.empty()) {
                const auto r = timetable::saveTerm(*st, book, dateArg(a.term, "--term"), a.weeks, termNote);
                if (!r)
                    throw Failure(r.message);
            }
            if (!a.absent.empty()) {
                const int date = dateArg(a.date, "--date");
                for (const auto& text : a.absent) {
                    const auto colon = text.rfind(':');
                    model::Absence ab;
                    ab.tea = teacherArg(s, text.substr(0, colon));
                    ab.from = ab.to = date;
                    if (colon != std::string::npos) {
                        const auto jies = model::parseJies(text.substr(colon + 1));
                        if (!jies || jies->empty())
                            throw Failure("节次应写成逗号分隔的数字，如 张老师:1,3：" + text);
                        ab.jies = *jies;
                    }
                    const auto r = timetable::addAbsence(*st, kb, book, ab);
                    if (!r)
                        throw Failure(r.message);
                }
            }
            if (!a.apply.empty()) {
                auto covers = readApplyFile(s, a.apply);
                applied = static_cast<int>(covers.size());
                const auto r = timetable::addCovers(*st, kb, book, std::move(covers));
                if (!r)
                    throw Failure(r.message);
            }
        });
        if (!termNote.empty() && !a.asJson)
            std::cout << termNote << '\n';
    }

    if (a.report) {
        std::vector<timetable::TeaCoverCount> rows;
        const int from = dateArg(a.from, "--from"), to = dateArg(a.to, "--to");
        const auto r = timetable::coverReport(kb, book, from, to, rows);
        if (!r)
            throw Failure(r.message);
        printReport(s, from, to, rows, a.asJson);
        return;
    }
    if (a.date.empty()) {
        if (!writes)
            throw Failure("请用 --date 指定日期，或用 --report 统计代课。");
        std::cout << (a.asJson ? "{}" : "已保存。") << '\n';
        return;
    }
    timetable::CoverDay day;
    const auto r = timetable::coverDay(kb, book, dateArg(a.date, "--date"), a.suggest, {}, day);
    if (!r)
        throw Failure(r.message);
    printDay(s, day, applied, a.asJson);
}

const bool registered = registerVerb(64, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("cover", "教师请假与代课：某天空出的课、代课建议、保存代课、代课统计");
    auto a = std::make_shared<CoverArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("--date", a->date, "日期 YYYY-MM-DD");
    cmd->add_option("--absent", a->absent, "请假的教师（编号或姓名），可加节次：张老师:1,3；可重复");
    cmd->add_flag("--suggest", a->suggest, "列出代课建议");
    cmd->add_option("--apply", a->apply, "保存文件中的代课安排（JSON）");
    cmd->add_flag("--json", a->asJson, "以 JSON 输出");
    auto* report = cmd->add_flag("--report", a->report, "代课统计");
    auto* from = cmd->add_option("--from", a->from, "统计开始日期");
    auto* to = cmd->add_option("--to", a->to, "统计结束日期");
    auto* term = cmd->add_option("--term", a->term, "学期开始日期（不是星期一时改为该周星期一）");
    auto* weeks = cmd->add_option("--weeks", a->weeks, "学期周数");
    term->needs(weeks);
    weeks->needs(term);
    from->needs(report);
    to->needs(report);
    cmd->callback([a, report, from, to] {
        if (report->count() > 0 && (from->count() == 0 || to->count() == 0))
            throw Failure("--report 需要 --from 和 --to。");
        if (!a->absent.empty() && a->date.empty())
            throw Failure("--absent 需要 --date。");
        runCover(*a);
    });
});

}  // namespace
}  // namespace tavrin::cli
