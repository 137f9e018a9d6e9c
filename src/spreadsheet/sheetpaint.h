// The workbook drawn with QPainter, the way a spreadsheet prints it: each sheet on pages of
// its paper and orientation inside its margins, fitted to one page when it asks so, else cut
// into pages that repeat its title rows and columns; cells with their fonts, runs,
// alignment, wrap, shrink and vertical text, merges, borders and pictures. The same
// drawing goes to a PDF file and to a printer. QtGui only: a QGuiApplication must exist.
#pragma once

#include <string>
#include <vector>

#include "spreadsheet/workbook.h"

class QPagedPaintDevice;
class QPainter;

namespace tavrin::spreadsheet {

// The pages a sheet takes: each the rows and columns drawn on it, in order.
struct SheetPage {
    std::vector<int> rows, cols;  // title rows (columns) first, then the page's own
};
// Rows without a height of their own grow to their tallest text, as a spreadsheet fits them.
std::vector<SheetPage> paginate(const Sheet& sh, const Workbook& book);

// Draws every sheet onto `device` through `painter` (already begun on it), a new page for
// each page after the first; `firstPage` false means a page was drawn before. Returns the
// number of pages drawn.
int paintWorkbook(const Workbook& book, QPagedPaintDevice& device, QPainter& painter, bool firstPage = true);

struct PdfResult {
    bool ok = false;
    std::string error;
    int pages = 0;
};
// Writes the workbook as a PDF through a temporary file renamed over `path` when complete.
PdfResult writePdf(const Workbook& book, const std::string& path);

}  // namespace tavrin::spreadsheet
