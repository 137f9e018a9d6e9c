// Cover for absent teachers, day by day: which lessons an absence empties on a date, what
// may cover each (a substitute, a swap within the class's week, supervised study), ranked
// with the reason in the program's words, the checks a chosen cover must pass, and the
// term's counts per teacher for pay. The weekly timetable is only read: a cover never
// changes it. A swap is judged by the same move rules as a drag on the class page.
//
// Free of widgets: the cover page, `tavrin-cli cover` and the tests come through here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/covers.h"
#include "store/result.h"
#include "store/store.h"
#include "timetable/kbdata.h"

namespace tavrin::timetable {

struct CoverRules {
    int dailyCap = 2;     // covers a teacher gives in one day at most
    int substitutes = 8;  // suggestions of each kind kept
    int swaps = 5;
    int studies = 3;
};

// The term and its stored absences and covers: what the cover logic reads beside the week.
struct CoverBook {
    model::Term term;
    std::vector<model::Absence> absences;
    std::vector<model::Cover> covers;
};
// The whole book (every stored row; a term not set leaves `term` unset).
CoverBook loadCoverBook(store::Store& s);

struct CoverSuggestion {
    model::Cover cover;  // ready to store
    std::string reason;  // "同科目，本周代课1节"
    bool warned = false; // a swap the move rules allow only after the question
};

// One lesson an absence empties (a combined lesson once, with all its classes), or a lesson
// of a stored cover that no absence empties any longer.
struct EmptiedLesson {
    int date = 0, jie = 0, slot = 0;
    int r = -1;             // the absent teacher's assignment of the first class
    std::vector<int> bans;  // every class of the lesson, ascending
    int tea = 0, ke = 0;
    bool hasCover = false;
    model::Cover cover;     // the chosen one, when hasCover
    std::string broken;     // why the chosen cover no longer holds; empty while it holds
    std::vector<CoverSuggestion> suggestions;  // best first
};

enum class TeaDayState : std::uint8_t { Free = 0, Busy = 1, Absent = 2, Covering = 3 };

// A day as the cover page shows it.
struct CoverDay {
    int date = 0;
    int week = 0;  // of the term
    std::vector<model::Absence> absences;
    std::vector<EmptiedLesson> lessons;  // by period, then first class
    model::Array2<TeaDayState> states;   // [teaid][period]
};

// The day `date`: its absences, emptied lessons with the chosen covers (broken ones marked)
// and, with `suggest`, the ranked suggestions, and every teacher's state per period.
// Refused for a date outside the term or not a school day.
store::Result coverDay(const KbData& kb, const CoverBook& book, int date, bool suggest, const CoverRules& rules,
                       CoverDay& out);

// The checks a new absence or cover must pass against the week and the book; the message
// says what is wrong.
store::Result checkAbsence(const KbData& kb, const CoverBook& book, const model::Absence& a);
store::Result checkCover(const KbData& kb, const CoverBook& book, const model::Cover& c);
// Why a stored cover no longer holds on the week as it stands; empty while it holds.
std::string brokenReason(const KbData& kb, const CoverBook& book, const model::Cover& c);

// A first day that is no Monday moves back to its week's Monday; `note` says so.
model::Term termFrom(int firstDay, int weeks, std::string& note);

// The writes, each one transaction; on a refusal nothing is written. The book follows.
store::Result saveTerm(store::Store& s, CoverBook& book, int firstDay, int weeks, std::string& note);
store::Result addAbsence(store::Store& s, const KbData& kb, CoverBook& book, model::Absence a);
// With the absence go the covers of the lessons no other absence empties.
store::Result removeAbsence(store::Store& s, CoverBook& book, std::int64_t id);
// An absence changed in place, in one transaction: the covers it still asks for stay, the
// others go with the old version. Refused, with nothing written, when the new version fails
// the checks against the book without the old one.
store::Result replaceAbsence(store::Store& s, const KbData& kb, CoverBook& book, std::int64_t id, model::Absence a);
// The covers that replacing absence `id` by `a` would drop, so the page can ask first.
std::vector<std::int64_t> coversDroppedByReplacing(const CoverBook& book, std::int64_t id, const model::Absence& a);
// All or nothing: each cover is checked against the book and the ones before it.
store::Result addCovers(store::Store& s, const KbData& kb, CoverBook& book, std::vector<model::Cover> covers);
store::Result removeCover(store::Store& s, CoverBook& book, std::int64_t id);

// Covers given (substitute and study) and lessons missed per teacher, and by month.
struct CoverMonth {
    std::string month;  // "YYYY-MM"
    int given = 0, missed = 0;
};
struct TeaCoverCount {
    int tea = 0;
    int given = 0, missed = 0;
    std::vector<CoverMonth> months;  // ascending
};
// Teachers with any cover given or lesson missed in [from, to], by ID. Refused when the
// range ends before it starts.
store::Result coverReport(const KbData& kb, const CoverBook& book, int from, int to,
                          std::vector<TeaCoverCount>& out);

// Texts the reports share: "周三第2节" and the kind's name ("代课", "调课", "自习").
std::string kindName(model::CoverKind k);

}  // namespace tavrin::timetable
