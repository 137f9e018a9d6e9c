// A class or teacher timetable as a plain text table, with the texts of the page's cells,
// for `tavrin-cli show` and for anyone who wants to read a timetable without the window.
#pragma once

#include <string>

#include "timetable/cells.h"
#include "timetable/kbdata.h"

namespace tavrin::timetable {

// The title line, then the grid in the page's layout (1: a column per day, 2: a row per
// day) with the period times in the headers and a double rule where a new section of the
// day begins, then, when lessons are waiting, one line "未排：" listing them. A cell of
// two lines (subject over name) takes two text lines. Characters of East Asian width count
// as two columns, so the rules line up in a terminal.
std::string renderKbText(const KbData& kb, KbSide side, int id, int layout, KbShow show = {});

// Columns a string takes in a terminal.
int displayWidth(const std::string& utf8);

}  // namespace tavrin::timetable
