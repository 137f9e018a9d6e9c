// The data-entry exports: step 3's subject periods, and step 4's assignments twice over, once
// as the subjects-by-classes matrix the assignment import reads back and once as one row per
// teacher for counting. They are built from the pages' working copies, so what is on screen
// and not yet saved is what gets exported; no screens here, tavrin-cli writes the same books.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "entry/subjectdraft.h"
#include "entry/teachers.h"
#include "spreadsheet/workbook.h"

namespace tavrin::spreadsheet {

inline constexpr const char* kSaveFailed = "无法保存EXCEL文件。";
inline constexpr const char* kOpenQuestion = "导出EXCEL完成，是否打开？";

// The file name a chosen name is saved under: ".xlsx" is appended unless the name already
// ends in exactly that (case counts: "plan.XLSX" becomes "plan.XLSX.xlsx").
std::string withXlsxSuffix(std::string name);

// Subject periods as the subject page shows them: A1 "科目", the grade groups' captions along
// row 1, then a row per subject with its full name and each group's cell (a number for all
// its classes, or the classes' numbers joined by ","). A grid without grade groups writes
// nothing.
void fillSubjectSheet(const entry::KemuDraft& d, Sheet& sh);

// Assignments for re-import: A1 "科目", the classes along row 1 (list order), the subjects
// down column A. A class's subject taught by one teacher for all its periods reads as his
// name; anything else (shared, or short of the weekly count) as name, periods, name, periods…
// joined by ",", in the order the entries were made. Entries without periods are left out.
void fillReimportSheet(const entry::TeaDraft& d, Sheet& sh);
// The text of one cell of that sheet.
std::string reimportCell(const entry::TeaDraft& d, std::int64_t ban, std::int64_t ke);

// Teachers whose assignments the import cannot give back to them: a name holding a comma
// (either width) is cut apart, one held by several teachers (spaces around it aside) goes to
// the first of them, spaces around a name are dropped when read, and a nameless teacher's
// cells cannot be read at all. Only teachers with something in the sheet count.
struct NameTrouble {
    std::vector<std::string> comma, shared, spaced;
    int nameless = 0;
    bool empty() const { return comma.empty() && shared.empty() && spaced.empty() && nameless == 0; }
};
NameTrouble reimportNameTrouble(const entry::TeaDraft& d);
// The warning naming them, or "" when there is nothing to say.
std::string reimportWarning(const NameTrouble& t);

// Assignments for statistics: A1 "姓名", B1 "节数", C1 "任课"; then the page's teachers in
// its order, each with his weekly periods (a combined lesson once; empty when he teaches
// nothing) and one cell per lesson from column C: class【subject】n节, the classes of a
// combined lesson joined by "+". Columns are as wide as their longest text.
void fillStatsSheet(const entry::TeaDraft& d, Sheet& sh);

// A finished book of one export and, for the re-import export, the warning to show with it.
struct EntryBook {
    Workbook book;
    std::string warning;
};
EntryBook subjectBook(const entry::KemuDraft& d);
EntryBook reimportBook(const entry::TeaDraft& d);
EntryBook statsBook(const entry::TeaDraft& d);

}  // namespace tavrin::spreadsheet
