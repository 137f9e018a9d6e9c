// The file flow of the data-entry exports, shared by the subject and the teacher page: the
// save dialog, the ".xlsx" rule, the save through a temporary file (a failed save keeps the
// old file), the re-import warning, and the offer to open the finished workbook.
#pragma once

#include <QString>

#include <functional>

#include "entry/subjectdraft.h"
#include "entry/teachers.h"
#include "spreadsheet/entryexport.h"

class QWidget;

namespace tavrin::ui {
class Asker;
}

namespace tavrin::spreadsheet {

// The save dialog's filter.
inline constexpr const char* kExcelFilter = "excel (*.xlsx)";

// Shows a saved workbook to the operator; false when nothing could open it. The default
// hands it to the desktop's program for .xlsx files.
using WorkbookOpener = std::function<bool(const QString& path)>;
bool openWithDesktop(const QString& path);

// Asks for a file name (none: nothing happens, false), saves `book` under it with the suffix
// rule, replacing a file of that name without asking again, shows `warning` when there is
// one, then asks whether to open it. A failed save shows "无法保存EXCEL文件。" and the reason,
// and leaves any file of that name as it was. Answers whether the file was written.
bool saveEntryBook(QWidget* parent, ui::Asker& asker, const EntryBook& book, const WorkbookOpener& open = {});

// The three exports from the pages' working copies.
bool exportSubjectPeriods(QWidget* parent, ui::Asker& asker, const entry::KemuDraft& d, const WorkbookOpener& open = {});
bool exportAssignmentsForImport(QWidget* parent, ui::Asker& asker, const entry::TeaDraft& d,
                                const WorkbookOpener& open = {});
bool exportAssignmentStats(QWidget* parent, ui::Asker& asker, const entry::TeaDraft& d, const WorkbookOpener& open = {});

}  // namespace tavrin::spreadsheet
