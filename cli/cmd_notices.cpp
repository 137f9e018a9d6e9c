// `notices PATH --against BACKUP --out FILE.xlsx [--classes] [--no-teachers] [--date TEXT]`:
// the change notices of the timetable stored in PATH against the one stored in BACKUP (the
// comparison of `changes`), with the introduction and signature the window keeps in info.ini
// beside PATH, written as a workbook. Both school files are only read.
#include <ctime>
#include <iostream>

#include "cli/compare.h"
#include "spreadsheet/notices.h"
#include "spreadsheet/noticetexts.h"

namespace tavrin::cli {
namespace {

struct NoticesArgs {
    std::string path;
    std::string against;
    std::string out;
    std::string date;
    bool classes = false;
    bool noTeachers = false;
};

std::string today()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return spreadsheet::noticeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

void runNotices(const NoticesArgs& a)
{
    const Comparison c = compareWithBackup(a.path, a.against);
    const spreadsheet::NoticeTexts texts =
        spreadsheet::noticeTextsWithDefaults(spreadsheet::readNoticeTexts(spreadsheet::noticeIniPath(a.path)));
    spreadsheet::NoticeOptions o;
    o.intro = texts.lines;
    o.signature = texts.signature;
    o.date = a.date.empty() ? today() : a.date;
    o.teachers = !a.noTeachers;
    o.classes = a.classes;
    const auto notices = spreadsheet::buildNotices(c.school, c.baseline(), c.current(), o);
    spreadsheet::Workbook book;
    spreadsheet::exportNotices(notices, o, book);
    const spreadsheet::WriteResult w = book.save(a.out);
    if (!w.ok)
        throw Failure("无法保存EXCEL文件。" + w.error);
    std::size_t rows = 0;
    for (const auto& n : notices)
        rows += n.rows.size();
    std::cout << "调课通知：" << notices.size() << " 份，" << rows << " 节课，已写入 " << a.out << '\n';
}

const bool registered = registerVerb(63, [](CLI::App& app) {
    auto* cmd = app.add_subcommand("notices", "把与备份文件相比被调动的课写成调课通知（.xlsx）");
    auto a = std::make_shared<NoticesArgs>();
    cmd->add_option("PATH", a->path, "数据库文件路径")->required();
    cmd->add_option("--against", a->against, "作为比较基准的备份文件")->required();
    cmd->add_option("--out", a->out, "写入的 .xlsx 文件")->required();
    cmd->add_flag("--classes", a->classes, "也写班级通知");
    cmd->add_flag("--no-teachers", a->noTeachers, "不写教师通知");
    cmd->add_option("--date", a->date, "落款下的日期（默认今天，如 2012.1.5）");
    cmd->callback([a] { runNotices(*a); });
});

}  // namespace
}  // namespace tavrin::cli
