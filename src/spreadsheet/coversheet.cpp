#include "spreadsheet/coversheet.h"

#include <fmt/format.h>

#include <algorithm>
#include <set>

#include "model/dates.h"

namespace tavrin::spreadsheet {

using model::Cover;
using model::CoverKind;
using timetable::CoverDay;
using timetable::EmptiedLesson;
using timetable::KbData;

namespace {

std::size_t at(int i) { return static_cast<std::size_t>(i); }

std::string keName(const KbData& kb, int ke)
{
    const auto& s = kb.school;
    return ke >= 1 && ke < static_cast<int>(s.KemuName.size()) ? s.KemuName[at(ke)] : std::string();
}

std::string dayText(const KbData& kb, int date)
{
    return fmt::format("{} {}", model::dateText(date), kb.school.WeekName[at(model::weekdayOf(date))]);
}

// Where a swapped lesson stands: "周二第2节", or the date when it lies in another week's day.
std::string swapPlace(const KbData& kb, int date, int jie)
{
    return fmt::format("{} 第{}节", dayText(kb, date), jie);
}

// The four columns every row of the cover sheet and of a notice begins with.
void lessonCells(Sheet& sh, int r, const KbData& kb, const EmptiedLesson& e)
{
    sh.setText(r, 1, coverJieText(e.jie));
    sh.setText(r, 2, coverBansText(kb, e));
    sh.setText(r, 3, keName(kb, e.ke));
    sh.setText(r, 4, coverTeaName(kb, e.tea));
}

// The table's look: centred, the arrangement's column wrapping, ruled inside and framed.
void tableLook(Sheet& sh, const Range& table, double size, int coverCol)
{
    sh.fontSize(table, size);
    sh.align(table, HAlign::Center);
    sh.valign(table, VAlign::Center);
    sh.wrap({table.r1 + 1, coverCol, table.r2, coverCol});
    sh.bordersInsideHorizontal(table, 2);
    sh.bordersInsideVertical(table, 2);
    sh.borderAround(table, 3);
}

}  // namespace

std::string suggestionText(const KbData& kb, const timetable::CoverSuggestion& s)
{
    return fmt::format("{}：{} — {}", timetable::kindName(s.cover.kind), coverTeaName(kb, s.cover.by), s.reason);
}

std::string coverTeaName(const KbData& kb, int tea)
{
    const auto& s = kb.school;
    return tea >= 1 && tea <= s.TeaOldNum ? s.TeaName[at(tea)] : std::string();
}

std::string coverDayTitle(const KbData& kb, const CoverDay& day)
{
    return fmt::format("{} 第{}周", dayText(kb, day.date), day.week);
}

std::string coverJieText(int jie) { return fmt::format("第{}节", jie); }

std::string coverBansText(const KbData& kb, const EmptiedLesson& e)
{
    std::string out;
    for (int b : e.bans) {
        if (!out.empty())
            out += "、";
        if (b >= 1 && b < static_cast<int>(kb.school.BanName.size()))
            out += kb.school.BanName[at(b)];
    }
    return out;
}

std::string coverText(const KbData& kb, const Cover& c)
{
    std::string out;
    switch (c.kind) {
    case CoverKind::Substitute:
        out = fmt::format("代课：{}", coverTeaName(kb, c.by));
        break;
    case CoverKind::Swap:
        out = fmt::format("调课：与{} {}（{}）对调", coverTeaName(kb, c.by), swapPlace(kb, c.swapDate, c.swapJie),
                          keName(kb, c.swapKe));
        break;
    case CoverKind::Study:
        out = fmt::format("自习：{}看班", coverTeaName(kb, c.by));
        break;
    }
    if (!c.note.empty())
        out += fmt::format("（{}）", c.note);
    return out;
}

void exportCoverSheet(const KbData& kb, const CoverDay& day, Workbook& out)
{
    Sheet& sh = out.add("代课表");
    sh.page.paper = Paper::A4;
    sh.page.landscape = false;
    sh.page.fitToPage = true;
    sh.page.centerH = true;
    sh.page.left = sh.page.right = 28;
    sh.page.top = sh.page.bottom = 36;
    sh.page.header = sh.page.footer = 12;
    const double widths[] = {8, 20, 10, 12, 36, 14};
    for (int c = 1; c <= 6; ++c)
        sh.columnWidth(c, widths[c - 1]);

    int r = 1;
    const std::string title = kb.school.XiaoName.empty() ? std::string("代课安排表")
                                                          : kb.school.XiaoName + " 代课安排表";
    sh.setText(r, 1, title);
    sh.merge({r, 1, r, 6});
    sh.align({r, 1, r, 6}, HAlign::Center);
    sh.fontSize({r, 1, r, 6}, 18);
    sh.rowHeight(r, 32);
    ++r;
    sh.setText(r, 1, coverDayTitle(kb, day));
    sh.merge({r, 1, r, 6});
    sh.align({r, 1, r, 6}, HAlign::Center);
    sh.fontSize({r, 1, r, 6}, 12);
    sh.rowHeight(r, 22);
    ++r;
    const int header = r;
    const char* const heads[] = {"节次", "班级", "科目", "请假教师", "代课安排", "签名"};
    for (int c = 1; c <= 6; ++c)
        sh.setText(r, c, heads[c - 1]);
    sh.rowHeight(r, 24);
    for (const EmptiedLesson& e : day.lessons) {
        ++r;
        lessonCells(sh, r, kb, e);
        std::string cover = e.hasCover ? coverText(kb, e.cover) : std::string("未安排");
        if (!e.broken.empty())
            cover += "【失效：" + e.broken + "】";
        sh.setText(r, 5, cover);
        sh.rowHeight(r, 30);
    }
    tableLook(sh, {header, 1, r, 6}, 11, 5);
    r += 2;
    sh.setText(r, 5, "教务处");
    sh.align({r, 5, r, 6}, HAlign::Right);
    sh.merge({r, 5, r, 6});
}

std::vector<int> coveringTeachers(const CoverDay& day)
{
    std::set<int> teas;
    for (const EmptiedLesson& e : day.lessons)
        if (e.hasCover && e.cover.by > 0)
            teas.insert(e.cover.by);
    return {teas.begin(), teas.end()};
}

int exportCoverNotices(const KbData& kb, const CoverDay& day, const std::string& signature, const std::string& date,
                       Workbook& out)
{
    int written = 0;
    for (int tea : coveringTeachers(day)) {
        Sheet& sh = out.add(coverTeaName(kb, tea));
        sh.page.paper = Paper::A4;
        sh.page.landscape = false;
        sh.page.fitToPage = true;
        sh.page.centerH = true;
        sh.page.top = sh.page.bottom = 15;
        sh.page.left = sh.page.right = 18;
        sh.page.header = sh.page.footer = 8;
        const double widths[] = {14, 18, 12, 12, 24};
        for (int c = 1; c <= 5; ++c)
            sh.columnWidth(c, widths[c - 1]);
        int r = 1;
        sh.setText(r, 1, "代课通知");
        sh.merge({r, 1, r, 5});
        sh.align({r, 1, r, 5}, HAlign::Center);
        sh.fontSize({r, 1, r, 5}, 18);
        sh.rowHeight(r, 30);
        sh.rowHeight(r + 1, 12);
        r += 2;
        sh.setText(r, 1, fmt::format("{}：\n    {}请假，请您按下表安排上课，谢谢！", coverTeaName(kb, tea),
                                     dayText(kb, day.date)));
        sh.merge({r, 1, r, 5});
        sh.wrap({r, 1, r, 5});
        sh.valign({r, 1, r, 5}, VAlign::Top);
        sh.fontSize({r, 1, r, 5}, 12);
        sh.rowHeight(r, 45);
        ++r;
        const int header = r;
        const char* const heads[] = {"节次", "班级", "科目", "请假教师", "安排"};
        for (int c = 1; c <= 5; ++c)
            sh.setText(r, c, heads[c - 1]);
        sh.rowHeight(r, 22);
        for (const EmptiedLesson& e : day.lessons) {
            if (!e.hasCover || e.cover.by != tea)
                continue;
            ++r;
            const Cover& c = e.cover;
            // A swap brings the covering teacher's own lesson into the emptied period.
            std::string what = c.kind == CoverKind::Swap
                                   ? fmt::format("{}的课调至此节", swapPlace(kb, c.swapDate, c.swapJie))
                                   : (c.kind == CoverKind::Study ? std::string("自习看班") : std::string("代课"));
            if (!c.note.empty())
                what += fmt::format("（{}）", c.note);
            lessonCells(sh, r, kb, e);
            sh.setText(r, 5, what);
            sh.rowHeight(r, 22);
        }
        tableLook(sh, {header, 1, r, 5}, 12, 5);
        sh.rowHeight(r + 1, 12);
        r += 2;
        sh.setText(r, 5, signature);
        sh.align({r, 5, r, 5}, HAlign::Right);
        sh.rowHeight(r, 18);
        ++r;
        sh.setText(r, 5, date);
        sh.align({r, 5, r, 5}, HAlign::Right);
        sh.rowHeight(r, 18);
        sh.fontSize({r - 1, 1, r, 5}, 12);
        ++written;
    }
    return written;
}

std::vector<std::string> coverMonths(const std::vector<timetable::TeaCoverCount>& counts)
{
    std::set<std::string> months;
    for (const auto& t : counts)
        for (const auto& m : t.months)
            months.insert(m.month);
    return {months.begin(), months.end()};
}

void exportCoverCounts(const KbData& kb, const std::vector<timetable::TeaCoverCount>& counts, int from, int to,
                       Workbook& out)
{
    Sheet& sh = out.add("代课统计");
    const std::vector<std::string> months = coverMonths(counts);
    const int cols = 3 + 2 * static_cast<int>(months.size());
    sh.page.paper = Paper::A4;
    sh.page.landscape = cols > 9;
    sh.page.titleRow1 = 3;
    sh.page.titleRow2 = 4;
    sh.page.left = sh.page.right = 28;
    sh.page.top = sh.page.bottom = 36;
    sh.setText(1, 1, "代课统计");
    sh.merge({1, 1, 1, cols});
    sh.align({1, 1, 1, cols}, HAlign::Center);
    sh.fontSize({1, 1, 1, cols}, 16);
    sh.rowHeight(1, 28);
    sh.setText(2, 1, fmt::format("{} 至 {}", model::dateText(from), model::dateText(to)));
    sh.merge({2, 1, 2, cols});
    sh.align({2, 1, 2, cols}, HAlign::Center);
    sh.setText(3, 1, "教师");
    sh.merge({3, 1, 4, 1});
    sh.setText(3, 2, "合计");
    sh.merge({3, 2, 3, 3});
    sh.setText(4, 2, "代课");
    sh.setText(4, 3, "缺课");
    for (std::size_t i = 0; i < months.size(); ++i) {
        const int c = 4 + 2 * static_cast<int>(i);
        sh.setText(3, c, months[i]);
        sh.merge({3, c, 3, c + 1});
        sh.setText(4, c, "代课");
        sh.setText(4, c + 1, "缺课");
    }
    int r = 4;
    for (const auto& t : counts) {
        ++r;
        sh.setText(r, 1, coverTeaName(kb, t.tea));
        sh.setNumber(r, 2, t.given);
        sh.setNumber(r, 3, t.missed);
        for (const auto& m : t.months) {
            const auto it = std::find(months.begin(), months.end(), m.month);
            const int c = 4 + 2 * static_cast<int>(it - months.begin());
            sh.setNumber(r, c, m.given);
            sh.setNumber(r, c + 1, m.missed);
        }
    }
    const Range table{3, 1, r, cols};
    sh.align(table, HAlign::Center);
    sh.valign(table, VAlign::Center);
    sh.bordersAll(table, 2);
    sh.columnWidth(1, 14);
    for (int c = 2; c <= cols; ++c)
        sh.columnWidth(c, c >= 4 ? 6 : 7);
}

}  // namespace tavrin::spreadsheet
