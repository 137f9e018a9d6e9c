// `export PATH timetables --classes all|ID,… --teachers all|ID,… [--layout 1|2]
// [--paper A4|A4L|A5] [--content both|subject|name] --out FILE.xlsx`: the stored timetables
// of chosen classes and teachers as a workbook, with the print settings the window keeps.
// `export PATH school --table timetable|assignments [--layout 1|2] [--paper A3|A4]
// --out FILE.xlsx`: the whole school's timetable or assignment table on one sheet.
// `--pdf FILE.pdf` also draws the workbook as it prints.
#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <sstream>

#include "cli/entry_export.h"
#include "cli/open.h"
#include "model/kechen.h"
#include "model/loaders.h"
#include "spreadsheet/kbexport.h"
#include "spreadsheet/schoolexport.h"
#include "spreadsheet/sheetpaint.h"
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
    std::string table = "timetable";
    std::string out;
    std::string pdf;
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

std::string yearTextNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return spreadsheet::schoolYearText(tm.tm_year + 1900, tm.tm_mon + 1);
}

// Drawing text needs Qt's font machinery, for the drawing only; without a display it runs on
// the offscreen platform.
spreadsheet::PdfResult drawPdf(const spreadsheet::Workbook& book, const std::string& path)
{
    if (QGuiApplication::instance())
        return spreadsheet::writePdf(book, path);
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "tavrin-cli";
    char* argv[] = {name, nullptr};
    const QGuiApplication app(argc, argv);
    return spreadsheet::writePdf(book, path);
}

void save(const spreadsheet::Workbook& book, const ExportArgs& a)
{
    const spreadsheet::WriteResult w = book.save(a.out);
    if (!w.ok)
        throw Failure("无法保存EXCEL文件。" + w.error);
    std::cout << "已导出 " << book.count() << " 张工作表：" << a.out << '\n';
    if (a.pdf.empty())
        return;
    const spreadsheet::PdfResult p = drawPdf(book, a.pdf);
    if (!p.ok)
        throw Failure("无法保存PDF文件。" + p.error);
    std::cout << "已生成 " << p.pages << " 页 PDF：" << a.pdf << '\n';
}

// The command line's choices over the stored settings, the same for both kinds of export.
template <class Options>
void applyArgs(const ExportArgs& a, Options& o, int defaultLayout)
{
    if (!a.paper.empty())
        o.paper = a.paper;
    o.layout = a.layout != 0 ? a.layout : defaultLayout;
    o.showKe = a.content != "name";
    o.showName = a.content != "subject";
    if (o.font1.empty())
        o.font1 = "宋体";
    if (o.font2.empty())
        o.font2 = o.font1;
}

void runSchoolExport(const ExportArgs& a, store::Store& st, const model::School& school, const model::Grids& grids)
{
    spreadsheet::SchoolExportOptions o;
    o.kind = a.table == "assignments" ? spreadsheet::SchoolTable::Assignments : spreadsheet::SchoolTable::Timetable;
    if (!spreadsheet::readSchoolPrintSetting(st, o))
        o.timeHead = yearTextNow();
    applyArgs(a, o, 1);
    spreadsheet::Workbook book;
    spreadsheet::exportSchoolTable(school, {&grids.Renke_B, &grids.Renke_T}, o, book);
    save(book, a);
}

void runExport(const ExportArgs& a)
{
    if (isEntryExport(a.kind)) {
        if (!a.pdf.empty())
            throw Failure("--pdf 只用于课程表和全校总表。");
        runEntryExport(a.path, a.kind, a.out);
        return;
    }
    auto st = openSchool(a.path);
    model::School school = model::loadSchool(*st);
    if (school.N() <= 0)
        throw Failure("还没有设置上课的日期和节数。");
    model::Grids grids = model::LoadKeChenData(*st, school);
    if (a.kind == "school") {
        if (a.paper == "A4L" || a.paper == "A5")
            throw Failure("全校总表只能用 A3 或 A4 纸。");
        runSchoolExport(a, *st, school, grids);
        return;
    }
    if (a.paper == "A3")
        throw Failure("班级和教师课程表只能用 A4、A4L 或 A5 纸。");

    spreadsheet::KbExportOptions o;
    if (!spreadsheet::readPrintSetting(*st, o))
        o.timeHead = yearTextNow();
    // The window's "每天一列" (days as columns) is the export's second layout.
    applyArgs(a, o, timetable::readKbLayout(*st) == 1 ? 2 : 1);

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
    save(book, a);
}

const bool registered = registerVerb(60, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("export", "把课程表导出为 Excel 工作簿（.xlsx）");
    auto a = std::make_shared<ExportArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("KIND", a->kind,
                    "timetables 班级和教师课程表，school 全校总表，subjects 科目节数，assignments "
                    "可再导入的任课数据，statistics 任课统计表")
        ->required()
        ->check(CLI::IsMember({"timetables", "school", "subjects", "assignments", "statistics"}));
    cmd->add_option("--classes", a->classes, "all 或以逗号分隔的班级编号");
    cmd->add_option("--teachers", a->teachers, "all 或以逗号分隔的教师编号");
    cmd->add_option("--layout", a->layout, "课程表：1 每天一行，2 每天一列（默认：学校的课表显示设置）；全校总表：1 节次横排，2 节次竖排（默认 1）")
        ->check(CLI::IsMember({1, 2}));
    cmd->add_option("--table", a->table, "全校总表：timetable 总课程表，assignments 总任课表")
        ->check(CLI::IsMember({"timetable", "assignments"}));
    cmd->add_option("--paper", a->paper,
                    "课程表：A4、A4L（一页两张）或 A5；全校总表：A3 或 A4（默认：保存的打印设置）")
        ->check(CLI::IsMember({"A3", "A4", "A4L", "A5"}));
    cmd->add_option("--content", a->content, "both 科目和姓名，subject 只显示科目，name 只显示姓名")
        ->check(CLI::IsMember({"both", "subject", "name"}));
    cmd->add_option("--out", a->out, "要写入的 .xlsx 文件")->required();
    cmd->add_option("--pdf", a->pdf, "同时按打印的样子写入的 .pdf 文件");
    cmd->callback([a] { runExport(*a); });
});

}  // namespace
}  // namespace tavrin::cli
