// The class and teacher timetables as a workbook: one timetable a sheet, or two a sheet on
// "A4L", days as rows (layout 1) or as columns (layout 2), built from a copy of the
// timetable on show so the export never races the editor.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/school.h"
#include "spreadsheet/workbook.h"
#include "store/store.h"

namespace tavrin::spreadsheet {

// The settings kept in the one row of PrintSetting, plus the dialog's own choices.
struct KbExportOptions {
    int layout = 1;               // 1 days as rows, 2 days as columns
    std::string paper = "A4L";    // "A4", "A4L" or "A5"
    bool showKe = true;           // the subject line
    bool showName = true;         // the teacher line (the class on teacher timetables)
    std::string font1, font2;     // empty: the workbook's default face
    int size1 = 16, size2 = 10;
    std::string timeHead, bottomText;
    std::string kaiTi;            // the title's face, empty: none found
};

// The school-year heading for a date: July to December start the first term of
// year/year+1, January to June the second term of year-1/year.
std::string schoolYearText(int year, int month);

// Stored fonts over the defaults, as both export dialogs read them: empty faces and sizes
// <= 0 keep what `o` holds.
template <class Options>
void applyStoredFonts(Options& o, const std::string& face1, long long size1, const std::string& face2, long long size2)
{
    if (!face1.empty())
        o.font1 = face1;
    if (size1 > 0)
        o.size1 = static_cast<int>(size1);
    if (!face2.empty())
        o.font2 = face2;
    if (size2 > 0)
        o.size2 = static_cast<int>(size2);
}

// PrintSetting's first row into `o` (absent: `o` unchanged and false returned; NULL
// columns count as empty or 0; empty names and sizes <= 0 keep the defaults).
bool readPrintSetting(store::Store& st, KbExportOptions& o);
// Writes the settings into the one row (appended when there is none), in one transaction.
void writePrintSetting(store::Store& st, const KbExportOptions& o);

// A position of a day's run: a period (1..J) or the public slot after period k (0..J).
struct RunEntry {
    bool pub = false;
    int k = 0;
    int section = 0;  // 1 morning, 2 afternoon, 3 evening
};
// The run of a day, in time order.
std::vector<RunEntry> dayRun(const model::School& s);

// The timetable grids on show: class and teacher cells as assignments, -1 none.
struct KbGrids {
    const model::Array2<int>* ban = nullptr;
    const model::Array2<int>* tea = nullptr;
};

struct KbExportJob {
    std::vector<int> classes;   // class IDs in list order
    std::vector<int> teachers;  // teacher numbers in list order
};

// Every class, grade group by grade group in the model's order.
std::vector<int> classOrder(const model::School& s);

// Told after every list item (done of total); returning false cancels the export.
using Progress = std::function<bool(int done, int total)>;

// Fills `out` with the job's sheets. Returns false when cancelled (`out` then holds a
// partial workbook that must not be written).
bool exportTimetables(const model::School& s, const KbGrids& g, const KbExportOptions& o, const KbExportJob& job,
                      Workbook& out, const Progress& progress = {});

// The template sheet alone, before any timetable is filled (for tests and the preview).
Sheet timetableTemplate(const model::School& s, const KbExportOptions& o);

}  // namespace tavrin::spreadsheet
