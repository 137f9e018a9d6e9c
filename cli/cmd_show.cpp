// `show PATH (--class ID | --teacher ID) [--layout 1|2] [--content both|subject|name]`:
// one stored timetable as a text table with the texts of the timetable page's cells.
// `show PATH (--school | --assignments) [--json]`: every class (teacher) against every slot,
// as the whole-school timetable and the assignment table show them with both boxes ticked.
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/open.h"
#include "timetable/cells.h"
#include "timetable/kbdata.h"
#include "timetable/kbtext.h"
#include "timetable/schoolcells.h"
#include "cli/output.h"

namespace tavrin::cli {
namespace {

struct ShowArgs {
    std::string path;
    int ban = 0;
    int tea = 0;
    int layout = 0;  // 0: the school's own setting
    std::string content = "both";
    bool teacher = false;  // --teacher given (whatever its number)
    bool school = false;
    bool assignments = false;
    bool json = false;
};

void runSchool(const ShowArgs& a)
{
    auto st = openSchool(a.path);
    timetable::KbData kb;
    timetable::LoadKbData(*st, kb);
    const model::School& s = kb.school;
    if (s.N() <= 0)
        throw Failure("还没有设置上课的日期和节数。");
    if (!a.json) {
        std::cout << timetable::renderSchoolText(kb, a.assignments);
        return;
    }
    nlohmann::ordered_json j;
    j["table"] = a.assignments ? "assignments" : "school";
    j["slots"] = nlohmann::ordered_json::array();
    for (int slot = 1; slot <= s.N(); ++slot)
        j["slots"].push_back({{"slot", slot},
                              {"day", timetable::dayHeader(s, s.slots.SlotDay[static_cast<std::size_t>(slot)])},
                              {"period", s.slots.SlotJie[static_cast<std::size_t>(slot)]}});
    j["rows"] = nlohmann::ordered_json::array();
    const int rows = a.assignments ? s.TeaOldNum : s.MaxBanID;
    for (int id = 1; id <= rows; ++id) {
        nlohmann::ordered_json row;
        row["id"] = id;
        row["name"] = timetable::kbName(s, a.assignments ? timetable::KbSide::Tea : timetable::KbSide::Ban, id);
        auto cells = nlohmann::ordered_json::array();
        for (int slot = 1; slot <= s.N(); ++slot)
            cells.push_back(a.assignments ? timetable::schoolTeaCell(s, kb.gridT(), id, slot, {}).text
                                          : timetable::schoolBanCell(s, kb.gridB(), id, slot, {}, {}).text);
        row["cells"] = std::move(cells);
        if (a.assignments)
            row["lessons"] = timetable::teacherWeekCount(s, kb.gridT(), id);
        j["rows"].push_back(std::move(row));
    }
    if (a.assignments) {
        const std::vector<int> per = timetable::teachersPerSlot(s, kb.gridT());
        j["teachersPerSlot"] = std::vector<int>(per.begin() + 1, per.end());
    }
    std::cout << jsonText(j) << '\n';
}

void runShow(const ShowArgs& a)
{
    auto st = openSchool(a.path);
    timetable::KbData kb;
    timetable::LoadKbData(*st, kb);
    const auto side = a.teacher ? timetable::KbSide::Tea : timetable::KbSide::Ban;
    const int id = a.teacher ? a.tea : a.ban;
    const int count = side == timetable::KbSide::Ban ? kb.school.MaxBanID : kb.school.TeaOldNum;
    if (id < 1 || id > count)
        throw Failure(side == timetable::KbSide::Ban ? "没有编号为 " + std::to_string(id) + " 的班级。"
                                                      : "没有编号为 " + std::to_string(id) + " 的教师。");
    if (kb.school.N() <= 0)
        throw Failure("还没有设置上课的日期和节数。");
    timetable::KbShow show;
    show.ke = a.content != "name";
    show.name = a.content != "subject";
    const int layout = a.layout != 0 ? a.layout : timetable::readKbLayout(*st);
    std::cout << timetable::renderKbText(kb, side, id, layout, show);
}

const bool registered = registerVerb(55, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("show", "以文字表格显示一张班级或教师课程表");
    auto a = std::make_shared<ShowArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    auto* ban = cmd->add_option("--class", a->ban, "班级编号 (banid)");
    auto* tea = cmd->add_option("--teacher", a->tea, "教师编号 (teaid)");
    auto* school = cmd->add_flag("--school", a->school, "总课程表：每个班级对每个课时");
    auto* assign = cmd->add_flag("--assignments", a->assignments, "总任课表：每个教师对每个课时，附课时数");
    cmd->add_flag("--json", a->json, "以 JSON 输出（--school、--assignments）");
    ban->excludes(tea);
    tea->excludes(ban);
    for (auto* o : {ban, tea}) {
        school->excludes(o);
        assign->excludes(o);
    }
    school->excludes(assign);
    cmd->add_option("--layout", a->layout, "1 每天一列，2 每天一行（默认：学校的设置）")->check(CLI::IsMember({1, 2}));
    cmd->add_option("--content", a->content, "both 科目和姓名，subject 只显示科目，name 只显示姓名")
        ->check(CLI::IsMember({"both", "subject", "name"}));
    cmd->callback([a, ban, tea] {
        if (a->school || a->assignments) {
            runSchool(*a);
            return;
        }
        if (ban->count() == 0 && tea->count() == 0)
            throw Failure("请用 --class、--teacher、--school 或 --assignments 指定一张课程表。");
        a->teacher = tea->count() > 0;
        runShow(*a);
    });
});

}  // namespace
}  // namespace tavrin::cli
