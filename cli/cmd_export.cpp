// `export PATH timetables --classes all|ID,… --teachers all|ID,… [--layout 1|2]
// [--paper A4|A4L|A5] [--content both|subject|name] --out FILE.xlsx`: the stored timetables
// of chosen classes and teachers as a workbook, with the print settings the window keeps.
#include <algorithm>
#include <ctime>
#include <iostream>
#include <sstream>

#include "cli/open.h"
#include "model/kechen.h"
#include "model/loaders.h"
#include "spreadsheet/kbexport.h"
#include "timetable/kbdata.h"

namespace tavrin::cli {
namespace {

struct ExportArgs {
    std::string path;
    std::string kind;
    std::string classes, teachers;
    int layout = 0;  // 0: from the school's display setting
    std::string paper;
    std::string content = "both";
    std::string out;
};

// "all" or a comma list of IDs, each naming an existing row; `all` gives `every` in order.
std::vector<int> pickIds(const std::string& text, const std::vector<int>& every, const char* option,
                         const char* what)
{
    if (text.empty())
        return {};
    if (text == "all")
        return every;
    std::vector<int> out;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        int id = 0;
        try {
            std::size_t used = 0;
            id = std::stoi(part, &used);
            if (used != part.size())
                throw std::invalid_argument(part);
        } catch (const std::exception&) {
            throw Failure(std::string(option) + " 的值无效：" + part);
        }
        if (std::find(every.begin(), every.end(), id) == every.end())
            throw Failure("没有编号为 " + std::to_string(id) + " 的" + what + "。");
        out.push_back(id);
    }
    return out;
}

void runExport(const ExportArgs& a)
{
    auto st = openSchool(a.path);
    model::School school = model::loadSchool(*st);
    if (school.N() <= 0)
        throw Failure("还没有设置上课的日期和节数。");
    model::Grids grids = model::LoadKeChenData(*st, school);

    spreadsheet::KbExportOptions o;
    if (!spreadsheet::readPrintSetting(*st, o)) {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        o.timeHead = spreadsheet::schoolYearText(tm.tm_year + 1900, tm.tm_mon + 1);
    }
    if (!a.paper.empty())
        o.paper = a.paper;
    // The window's "每天一列" (days as columns) is the export's second layout.
    o.layout = a.layout != 0 ? a.layout : (timetable::readKbLayout(*st) == 1 ? 2 : 1);
    o.showKe = a.content != "name";
    o.showName = a.content != "subject";
    if (o.font1.empty())
        o.font1 = "宋体";
    if (o.font2.empty())
        o.font2 = o.font1;

    std::vector<int> allBan, allTea;
    allBan = spreadsheet::classOrder(school);
    for (int t = 1; t <= school.TeaOldNum; ++t)
        allTea.push_back(t);
    spreadsheet::KbExportJob job;
    job.classes = pickIds(a.classes, allBan, "--classes", "班级");
    job.teachers = pickIds(a.teachers, allTea, "--teachers", "教师");
    if (job.classes.empty() && job.teachers.empty())
        throw Failure("请至少选择一个班或一个教师。");

    spreadsheet::Workbook book;
    spreadsheet::exportTimetables(school, {&grids.Renke_B, &grids.Renke_T}, o, job, book);
    const spreadsheet::WriteResult w = book.save(a.out);
    if (!w.ok)
        throw Failure("无法保存EXCEL文件。" + w.error);
    std::cout << "已导出 " << book.count() << " 张工作表：" << a.out << '\n';
}

const bool registered = registerVerb(60, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("export", "把课程表导出为 Excel 工作簿（.xlsx）");
    auto a = std::make_shared<ExportArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("KIND", a->kind, "timetables 班级和教师课程表")->required()->check(CLI::IsMember({"timetables"}));
    cmd->add_option("--classes", a->classes, "all 或以逗号分隔的班级编号");
    cmd->add_option("--teachers", a->teachers, "all 或以逗号分隔的教师编号");
    cmd->add_option("--layout", a->layout, "1 每天一行，2 每天一列（默认：学校的课表显示设置）")
        ->check(CLI::IsMember({1, 2}));
    cmd->add_option("--paper", a->paper, "A4、A4L（一页两张）或 A5（默认：保存的打印设置）")
        ->check(CLI::IsMember({"A4", "A4L", "A5"}));
    cmd->add_option("--content", a->content, "both 科目和姓名，subject 只显示科目，name 只显示姓名")
        ->check(CLI::IsMember({"both", "subject", "name"}));
    cmd->add_option("--out", a->out, "要写入的 .xlsx 文件")->required();
    cmd->callback([a] { runExport(*a); });
});

}  // namespace
}  // namespace tavrin::cli
