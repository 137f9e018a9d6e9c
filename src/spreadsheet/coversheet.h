// What the cover of a day sends out: the cover sheet for the staff room (one A4 page: period,
// class, subject, absent teacher, the cover and room for a signature), one notice per
// covering teacher in the layout of the change notices, and the term's counts per teacher
// for pay. Built into the workbook layer, so the same sheets are saved, printed and written
// as PDF.
#pragma once

#include <string>
#include <vector>

#include "spreadsheet/workbook.h"
#include "timetable/cover.h"
#include "timetable/kbdata.h"

namespace tavrin::spreadsheet {

// "2026-09-14 星期一 第2周".
std::string coverDayTitle(const timetable::KbData& kb, const timetable::CoverDay& day);
// The period's caption, "第2节".
std::string coverJieText(int jie);
// The classes of a lesson, "初一(1)班、初一(2)班".
std::string coverBansText(const timetable::KbData& kb, const timetable::EmptiedLesson& e);
// A chosen cover in words: "代课：李老师", "调课：与王老师 周二第2节对调", "自习：孙老师看班",
// with the note after it.
std::string coverText(const timetable::KbData& kb, const model::Cover& c);
// A suggestion as its drop-down lists it: "代课：李老师 — 同科目，本周代课1节"; the reason
// of a swap says where the other lesson stands.
std::string suggestionText(const timetable::KbData& kb, const timetable::CoverSuggestion& s);
// The name of a teacher, "" for none.
std::string coverTeaName(const timetable::KbData& kb, int tea);

// One sheet "代课表": every emptied lesson of the day, fitted to one A4 page.
void exportCoverSheet(const timetable::KbData& kb, const timetable::CoverDay& day, Workbook& out);

// The covering teachers of the day (substitutes, study supervisors and the teachers of
// swapped lessons), by ID.
std::vector<int> coveringTeachers(const timetable::CoverDay& day);
// One sheet per covering teacher, each one A4 page: title, greeting, the lessons to take and
// the signature with the date. Returns the notices written.
int exportCoverNotices(const timetable::KbData& kb, const timetable::CoverDay& day, const std::string& signature,
                       const std::string& date, Workbook& out);

// One sheet "代课统计": per teacher the covers given and lessons missed in the range, and
// the same by month.
void exportCoverCounts(const timetable::KbData& kb, const std::vector<timetable::TeaCoverCount>& counts, int from,
                       int to, Workbook& out);
// The months the counts name, ascending.
std::vector<std::string> coverMonths(const std::vector<timetable::TeaCoverCount>& counts);

}  // namespace tavrin::spreadsheet
