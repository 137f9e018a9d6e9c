// The change notices: for every teacher (and, when asked, every class) whose lessons moved
// against the timetable loaded on entry to the step, a notice with a title, the
// introduction, a table of the moved lessons (where each was, where it is now) and the
// signature with the date, all one below the other on one A4 sheet. The rows are those of
// FindChanges, so a combined lesson is one lesson in its teacher's notice.
#pragma once

#include <string>
#include <vector>

#include "model/school.h"
#include "spreadsheet/kbexport.h"
#include "spreadsheet/workbook.h"
#include "timetable/changes.h"

namespace tavrin::spreadsheet {

struct NoticeOptions {
    std::vector<std::string> intro;  // the introduction's lines
    std::string signature;
    std::string date;
    bool teachers = true;
    bool classes = false;
};

// One row of a notice's table: class (or subject), subject (or teacher), old and new time
// ("" when the lesson stands nowhere now).
struct NoticeRow {
    std::string first, second, from, to;
    bool operator==(const NoticeRow&) const = default;
};

struct Notice {
    timetable::KbSide side = timetable::KbSide::Tea;
    int id = 0;
    std::string title;
    std::vector<NoticeRow> rows;
};

// The notices in the order they are written: the teachers' in teacher order, then the
// classes'. A timetable whose only difference is a lesson placed where the baseline had
// none gets no notice: nothing left a slot.
std::vector<Notice> buildNotices(const model::School& school, timetable::KbGridsRef baseline,
                                 timetable::KbGridsRef now, const NoticeOptions& o);

// The date under the signature: "2012.1.5".
std::string noticeDate(int year, int month, int day);

// The introduction row's height: a line of 15 points for every line, for every 38
// characters of the whole text (line breaks counted) and one more, at most what a row can
// hold.
double noticeIntroHeight(const std::vector<std::string>& intro);

// The printable height of the sheet's page, in points, which no notice may straddle: A4
// (842 points) less the two 15-point margins, less a little for applications that round
// row heights to whole pixels.
inline constexpr double kNoticeTopMargin = 15, kNoticeBottomMargin = 15;
inline constexpr double kNoticePageBody = 842 - kNoticeTopMargin - kNoticeBottomMargin - 12;

// Where a notice stands on the sheet: its title row and its date row.
struct NoticeSpan {
    int title = 0, last = 0;
};

// Writes the notices onto one new sheet "调课通知" of `out`, a page break before every
// notice that would not fit on the rest of its page. Every row gets an explicit height, so
// the pages fall where the breaks were computed. `spans` (optional) gets every notice's
// rows. Returns false when `progress` cancelled.
bool exportNotices(const std::vector<Notice>& notices, const NoticeOptions& o, Workbook& out,
                   const Progress& progress = {}, std::vector<NoticeSpan>* spans = nullptr);

}  // namespace tavrin::spreadsheet
