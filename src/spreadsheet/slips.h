// What an operator types with a Chinese input method, read as meant: the full-width comma
// separates like ",", full-width digits are digits, and spaces (the ideographic space too)
// around names and counts are dropped. Names are otherwise compared exactly.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::spreadsheet {

// The text without spaces, tabs, line breaks or ideographic spaces (U+3000) at either end.
std::string trimSpaces(std::string_view s);
// Full-width digits (U+FF10..U+FF19) turned into their ASCII digits; nothing else changes.
std::string asciiDigits(std::string_view s);
// The pieces between "," or "，", each trimmed; "" gives one empty piece, "a," two.
std::vector<std::string> splitList(std::string_view s);
// The whole text as a whole number (after trimming and digit folding, with an optional sign),
// or nothing: "５" -> 5, " 6 " -> 6, "-3" -> -3, "6.5", "三", "" -> nothing.
std::optional<long long> parseCount(std::string_view s);
// Whether a typed name means the stored one: equal once the typed one is trimmed.
bool sameName(std::string_view typed, std::string_view stored);

}  // namespace tavrin::spreadsheet
