#include <iostream>

#include "cli/entry_export.h"
#include "cli/open.h"
#include "entry/subjectdraft.h"
#include "entry/teachers.h"
#include "spreadsheet/entryexport.h"

namespace tavrin::cli {

bool isEntryExport(const std::string& kind)
{
    return kind == "subjects" || kind == "assignments" || kind == "statistics";
}

void runEntryExport(const std::string& path, const std::string& kind, const std::string& out)
{
    auto st = openSchool(path);
    spreadsheet::EntryBook book;
    if (kind == "subjects")
        book = spreadsheet::subjectBook(entry::loadSubjects(*st));
    else if (kind == "assignments")
        book = spreadsheet::reimportBook(entry::loadTeachers(*st));
    else
        book = spreadsheet::statsBook(entry::loadTeachers(*st));
    const spreadsheet::WriteResult w = book.book.save(out);
    if (!w.ok)
        throw Failure(std::string(spreadsheet::kSaveFailed) + w.error);
    if (!book.warning.empty())
        std::cerr << book.warning << '\n';
    std::cout << "已导出：" << out << '\n';
}

}  // namespace tavrin::cli
