// Sending finished sheets to a printer: one job, one page per printed page of each sheet.
#pragma once

#include <QString>

#include <string>

#include "spreadsheet/workbook.h"

class QPrinter;

namespace tavrin::spreadsheet {

// Prints on `printer` as it is set (its name, or a PDF file for tests). Returns the pages
// printed, 0 when the job could not start.
int printWorkbook(const Workbook& book, QPrinter& printer);

// Prints on the default printer. Returns false, with the reason in `why`, when there is
// none or it refused the job.
bool printOnDefaultPrinter(const Workbook& book, QString* why);

// The note a whole-school export ends with when the default printer cannot take `paper`
// ("A3" or "A4"): empty when it can, or when there is no printer to print on at all.
QString defaultPrinterPaperNote(const std::string& paper);

}  // namespace tavrin::spreadsheet
