// The spreadsheet imports of the subject and teacher steps: the template workbooks the
// operator fills in, and the filled sheet read into a plan that is checked whole before the
// working copy changes at all, then applied in one go through the steps' own entry points
// (`setGroupText` for a grade-group cell, `inputRenke`/`addRenke` for an assignment).
//
// What an operator types is read as meant (see slips.h). Everything the plan leaves out is
// listed with its cell and the reason, so the screen can say what was not taken.
//
// An assignment cell says who teaches the subject in that class, not what to add: a teacher
// who already holds the periods the cell gives him gets nothing more, and nobody is given more
// than is still unassigned there. Importing the same file twice therefore changes nothing,
// and a file exported from the screen can be read back onto it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "entry/subjectdraft.h"
#include "entry/teachers.h"
#include "spreadsheet/reader.h"
#include "spreadsheet/workbook.h"

namespace tavrin::spreadsheet {

inline constexpr const char* kSubjectTemplateFile = "科目节数表模.xlsx";
inline constexpr const char* kTeacherTemplateFile = "教师任课表模.xlsx";
inline constexpr const char* kTooManySubjectsText = "科目将超过500个，未导入。";
inline constexpr const char* kTooManyTeachersText = "教师将超过1000名，未导入。";
inline constexpr const char* kCornerText = "科目";

// Something of the sheet the import did not take as written. `row`/`col` 0 stands for a
// whole column/row.
struct ImportSkip {
    int row = 0, col = 0;
    std::string text;    // the cell's text as read
    std::string reason;  // in the operator's words
};
// "第3行C列“王芳,-2”：…", "第C列“高三1班”：…", "第7行“书法”：…".
std::string skipLine(const ImportSkip& s);
// The message after an import that skipped something: the first `shown` lines, then a count
// of the rest. Empty when nothing was skipped.
std::string skippedMessage(const std::vector<ImportSkip>& skipped, std::size_t shown = 20);

// ---- subject periods

struct SubjectPlan {
    struct Row {
        int sheetRow = 0;
        std::string name;
        int draftRow = -1;  // the grid row it writes, -1 for a new subject
        // Per grade group of the draft: the text to apply, or nothing when the sheet has no
        // column for the group.
        std::vector<std::optional<std::string>> cells;
    };
    std::vector<Row> rows;
    int newSubjects = 0;
    std::vector<ImportSkip> skipped;
    std::string refusal;  // not empty: nothing may be applied
};

// The template: "科目", the named grade groups across, the named subjects of the grid down.
Workbook subjectTemplate(const entry::KemuDraft& d);
SubjectPlan planSubjects(const SheetGrid& sheet, const entry::KemuDraft& d);
// Applies a plan that was not refused; answers whether the working copy changed.
bool applySubjects(entry::KemuDraft& d, const SubjectPlan& plan);

// ---- teaching assignments

struct AssignmentPlan {
    struct Add {
        int sheetRow = 0, sheetCol = 0;
        std::string name;
        std::int64_t tea = 0;  // the teacher's ID, 0 for one the import makes
        std::int64_t ban = 0, ke = 0, jieshu = 0;
    };
    std::vector<Add> adds;
    std::vector<std::string> newTeachers;  // in order of first use
    std::vector<ImportSkip> skipped;
    std::string refusal;
};

// The template: "科目", the named classes across in list order, the named subjects down.
Workbook assignmentTemplate(const entry::TeaDraft& d);
AssignmentPlan planAssignments(const SheetGrid& sheet, const entry::TeaDraft& d);
bool applyAssignments(entry::TeaDraft& d, const AssignmentPlan& plan);

}  // namespace tavrin::spreadsheet
