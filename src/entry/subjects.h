// Step 3, subjects and weekly periods: the text rules of the subject grid. A grade-group cell
// holds one number for all its classes or a list by class; numeric cells take only plain
// decimal digits within the bound the file can hold, so what is typed is what is stored and
// shown again.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/loaders.h"

namespace tavrin::entry {

// Weekly periods of one subject in one class: never more than the week has slots.
inline constexpr int kMaxKemuJie = model::kMaxWeekSlots;
// Room limit and double periods are stored in one byte.
inline constexpr int kMaxKemuByte = 255;

// A non-negative decimal integer of ASCII digits, at most `max`; anything else (a sign, other
// digits, a space, an empty text, a value over the bound) gives nothing.
std::optional<int> parseCount(std::string_view text, int max);

// Weekly periods of the `classCount` classes of a grade group from a cell text: one number
// sets every class; a list separated by "," goes class by class, a bad or missing part
// counting as 0 and parts beyond the classes ignored. `text` is what the cell shows again.
struct JieInput {
    std::vector<int> values;  // one per class, in ascending class ID
    std::string text;
};
JieInput inputJie(std::string_view text, int classCount, int max = kMaxKemuJie);

// The grade-group cell for its classes' weekly periods: one number when all are equal (empty
// when that number is 0), else the list joined by ",".
std::string groupCellText(const std::vector<int>& values);

// A grade group's line in the totals and capacity rows: one number when its classes agree
// (0 included), else the list joined by ",".
std::string groupSummaryText(const std::vector<int>& values);

// Whether any class's total of weekly periods exceeds its capacity (the week's slots not
// taken by a fixed lesson); both lists by class, in the same order.
bool overCapacity(const std::vector<int>& totals, const std::vector<int>& capacities);

// Whether a numeric cell accepts `inserted` in place of [selStart, selStart + selLen) of
// `current` (bytes): digits only, no leading zero before remaining text, within `max`.
// Covers a typed key and a paste alike; a refused paste leaves the cell whole.
bool acceptsCountEdit(std::string_view current, int selStart, int selLen, std::string_view inserted,
                      int max);

// The first or last whole character (UTF-8 code point) of a name, for the short-name fills.
std::string firstChar(std::string_view name);
std::string lastChar(std::string_view name);

}  // namespace tavrin::entry
