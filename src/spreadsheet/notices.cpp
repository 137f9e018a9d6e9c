#include "spreadsheet/notices.h"

#include <algorithm>

#include "spreadsheet/noticetexts.h"
#include "timetable/cells.h"
#include "timetable/utf8.h"

namespace tavrin::spreadsheet {
namespace {

using timetable::KbSide;

std::size_t at(int i) { return static_cast<std::size_t>(i); }

// Row heights in points. Every row gets one, so the printed pages fall where the breaks are
// computed instead of where an application's own guess of a default height puts them. None is
// the file's default of 15, which the writer would leave unmarked and an application may
// then fit to the row's text.
constexpr double kTitleHeight = 27;    // the title's 18-point face
constexpr double kBlankHeight = 15.75;
constexpr double kTableHeight = 20;    // header and lesson rows, 12-point face
constexpr double kSignHeight = 15.75;  // signature and date
constexpr double kGapHeight = 30;      // between two notices

// Characters as the introduction's length counts them: code points.
std::size_t characterCount(const std::string& s)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t len = 1;
        timetable::decodeUtf8At(s, i, len);
        i += len;
        ++n;
    }
    return n;
}

}  // namespace

std::string noticeDate(int year, int month, int day)
{
    return std::to_string(year) + "." + std::to_string(month) + "." + std::to_string(day);
}

double noticeIntroHeight(const std::vector<std::string>& intro)
{
    const std::size_t T = characterCount(joinNoticeLines(intro));
    const double h = (static_cast<double>(intro.size()) + static_cast<double>(T / 38) + 1) * 15;
    return std::min(h, kMaxRowHeight);
}

std::vector<Notice> buildNotices(const model::School& school, timetable::KbGridsRef baseline,
                                 timetable::KbGridsRef now, const NoticeOptions& o)
{
    std::vector<Notice> out;
    if (!o.teachers && !o.classes)
        return out;
    timetable::ChangeFinder finder(school);
    const auto tables = finder.find(baseline, now);
    auto add = [&](KbSide side) {
        for (const auto& t : tables) {
            if (t.side != side || t.moves.empty())
                continue;
            Notice n;
            n.side = side;
            n.id = t.id;
            const std::string name = timetable::kbName(school, side, t.id);
            n.title = name + (side == KbSide::Tea ? "老师调课通知" : "调课通知");
            for (const auto& m : t.moves) {
                const std::string subject = school.KemuName[at(school.RenkeKe[at(m.r)])];
                NoticeRow row;
                if (side == KbSide::Tea) {
                    row.first = timetable::movedClassText(finder, school, m.r, side);
                    row.second = subject;
                } else {
                    row.first = subject;
                    row.second = school.TeaName[at(school.RenkeTea[at(m.r)])];
                }
                row.from = timetable::slotTimeText(school, m.from);
                row.to = timetable::slotTimeText(school, m.to);
                n.rows.push_back(std::move(row));
            }
            out.push_back(std::move(n));
        }
    };
    if (o.teachers)
        add(KbSide::Tea);
    if (o.classes)
        add(KbSide::Ban);
    return out;
}

bool exportNotices(const std::vector<Notice>& notices, const NoticeOptions& o, Workbook& out, const Progress& progress,
                   std::vector<NoticeSpan>* spans)
{
    Sheet& sh = out.add("调课通知");
    sh.columnWidth(1, 15);
    sh.columnWidth(2, 15);
    sh.columnWidth(3, 23);
    sh.columnWidth(4, 23);
    sh.page.paper = Paper::A4;
    sh.page.landscape = false;
    sh.page.centerH = true;
    sh.page.top = kNoticeTopMargin;
    sh.page.bottom = kNoticeBottomMargin;
    // The four columns take 76 character widths, which an application measuring them with a
    // wider face than the workbook's own makes nearly as wide as the paper: narrow side
    // margins keep the fourth column on the page. The header and footer are empty; their
    // margins stay inside the page's.
    sh.page.left = sh.page.right = 18;
    sh.page.header = sh.page.footer = 8;

    const std::string introText = joinNoticeLines(o.intro);
    const double introH = noticeIntroHeight(o.intro);
    // Every page is ended by a break of our own, before a notice that would not fit with the
    // gap after it, never by the application: so its pages fall where they were planned even
    // where its page is a little taller than the one planned with (each page's rows add up
    // to no more than kNoticePageBody, so no application breaks a page on its own).
    double used = 0;
    bool full = false;  // the page holds a notice longer than a page: the next one starts anew
    int r = 0;
    const int total = static_cast<int>(notices.size());
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(i, total))
            return false;
        const Notice& n = notices[at(i)];
        const int rows = static_cast<int>(n.rows.size());
        const double height = kTitleHeight + kBlankHeight + introH + kTableHeight * (rows + 1) + kBlankHeight +
                              2 * kSignHeight;
        const int title = r + 1;
        // A notice that would not fit on the rest of the page begins the next one. One longer
        // than a page cannot help being split; it at least starts at the top.
        const double need = height + kGapHeight;
        if (used > 0 && (full || used + need > kNoticePageBody)) {
            sh.page.breaksBefore.push_back(title);
            used = 0;
        }
        used += need;
        full = need > kNoticePageBody;
        auto row = [&](int rr, double h) { sh.rowHeight(rr, h); };

        r = title;
        sh.setText(r, 1, n.title);
        sh.merge({r, 1, r, 4});
        sh.align({r, 1, r, 4}, HAlign::Center);
        sh.fontSize({r, 1, r, 4}, 18);
        row(r, kTitleHeight);
        row(r + 1, kBlankHeight);
        r += 2;
        const int intro = r;
        sh.merge({r, 1, r, 4});
        row(r, introH);
        r += 1;
        const int header = r;
        const bool tea = n.side == KbSide::Tea;
        sh.setText(r, 1, tea ? "调课班级" : "调课科目");
        sh.setText(r, 2, tea ? "调课科目" : "调课教师");
        sh.setText(r, 3, "原上课时间");
        sh.setText(r, 4, "现上课时间");
        row(r, kTableHeight);
        for (const NoticeRow& x : n.rows) {
            r += 1;
            sh.setText(r, 1, x.first);
            sh.setText(r, 2, x.second);
            sh.setText(r, 3, x.from);
            if (!x.to.empty())
                sh.setText(r, 4, x.to);
            row(r, kTableHeight);
        }
        sh.fontSize({intro, 1, r, 4}, 12);
        sh.setText(intro, 1, introText);
        sh.wrap({intro, 1, intro, 4});
        sh.valign({intro, 1, intro, 4}, VAlign::Top);
        const Range table{header, 1, r, 4};
        sh.align(table, HAlign::Center);
        sh.valign(table, VAlign::Center);
        sh.bordersInsideHorizontal(table, 2);
        sh.bordersInsideVertical(table, 2);
        sh.borderAround(table, 3);
        row(r + 1, kBlankHeight);
        r += 2;
        sh.setText(r, 4, o.signature);
        sh.align({r, 4, r, 4}, HAlign::Right);
        row(r, kSignHeight);
        r += 1;
        sh.setText(r, 4, o.date);
        sh.align({r, 4, r, 4}, HAlign::Right);
        row(r, kSignHeight);
        if (spans)
            spans->push_back({title, r});
        r += 1;
        row(r, kGapHeight);
    }
    if (progress && !progress(total, total))
        return false;
    return true;
}

}  // namespace tavrin::spreadsheet
