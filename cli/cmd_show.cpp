// `show PATH (--class ID | --teacher ID) [--layout 1|2] [--content both|subject|name]`:
// one stored timetable as a text table with the texts of the timetable page's cells.
#include <iostream>

#include "cli/open.h"
#include "timetable/cells.h"
#include "timetable/kbdata.h"
#include "timetable/kbtext.h"

namespace tavrin::cli {
namespace {

struct ShowArgs {
    std::string path;
    int ban = 0;
    int tea = 0;
    int layout = 0;  // 0: the school's own setting
    std::string content = "both";
    bool teacher = false;  // --teacher given (whatever its number)
};

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
    ban->excludes(tea);
    tea->excludes(ban);
    cmd->add_option("--layout", a->layout, "1 每天一列，2 每天一行（默认：学校的设置）")->check(CLI::IsMember({1, 2}));
    cmd->add_option("--content", a->content, "both 科目和姓名，subject 只显示科目，name 只显示姓名")
        ->check(CLI::IsMember({"both", "subject", "name"}));
    cmd->callback([a, ban, tea] {
        if (ban->count() == 0 && tea->count() == 0)
            throw Failure("请用 --class 或 --teacher 指定一张课程表。");
        a->teacher = tea->count() > 0;
        runShow(*a);
    });
});

}  // namespace
}  // namespace tavrin::cli
