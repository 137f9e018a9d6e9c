// The whole-school tables on one sheet: every class against every period of the week (the
// timetable) or every teacher against every period with the counts (the assignment table),
// periods across (layout 1) or down (layout 2).
#pragma once

#include <string>

#include "model/school.h"
#include "spreadsheet/kbexport.h"
#include "spreadsheet/workbook.h"
#include "store/store.h"

namespace tavrin::spreadsheet {

enum class SchoolTable { Timetable = 1, Assignments = 2 };

struct SchoolExportOptions {
    SchoolTable kind = SchoolTable::Timetable;
    int layout = 1;             // 1 periods across, 2 periods down
    std::string paper = "A3";   // "A3" or "A4"
    bool showKe = true, keShort = false;      // the subject line, full or short name
    bool showName = true, nameShort = false;  // the teacher (timetable) or class line
    std::string font1, font2;   // empty: the workbook's default face
    int size1 = 8, size2 = 6;
    std::string title;          // empty: the school's name and the table's kind
    std::string timeHead;
    std::string kaiTi;          // the title's face, empty: none found
};

// PrintSetting's first row into `o`: the whole-school fonts, the paper and the heading
// (absent: `o` unchanged and false returned; empty names and sizes <= 0 keep the defaults).
bool readSchoolPrintSetting(store::Store& st, SchoolExportOptions& o);
// Writes the same columns into the one row (appended when there is none), in one transaction.
void writeSchoolPrintSetting(store::Store& st, const SchoolExportOptions& o);

// Where the table's parts lie.
struct SchoolTableShape {
    int n = 0;      // rows of the table: classes 1..MaxBanID or teachers 1..TeaOldNum
    int W = 0;      // one day's block: periods and public slots
    int L = 0, Z = 0;  // the last column and row
    int Y = 0, X = 0;  // the corner's last row and column
    double c = 0;   // the width of a period column (layout 1) or of an entity column (layout 2)
};
SchoolTableShape schoolTableShape(const model::School& s, const SchoolExportOptions& o);

// The school's name followed by the table's kind.
std::string schoolTableTitle(const model::School& s, SchoolTable kind);

// Fills one new sheet of `out`. Progress is told after every row of the table; returning
// false cancels (false returned, `out` then must not be written).
bool exportSchoolTable(const model::School& s, const KbGrids& g, const SchoolExportOptions& o, Workbook& out,
                       const Progress& progress = {});

}  // namespace tavrin::spreadsheet
