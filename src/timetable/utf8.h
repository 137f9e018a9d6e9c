// Reading UTF-8 text one code point at a time, for the terminal widths of the text tables and
// the whole characters of the small cells.
#pragma once

#include <string>

namespace tavrin::timetable {

// The code point starting at byte i and its length in bytes; a broken or cut-off sequence
// reads as its first byte alone, so no caller ever steps past the text.
inline char32_t decodeUtf8At(const std::string& s, std::size_t i, std::size_t& len)
{
    const auto b = static_cast<unsigned char>(s[i]);
    char32_t c = b;
    len = 1;
    if (b >= 0xF0) {
        c = b & 0x07;
        len = 4;
    } else if (b >= 0xE0) {
        c = b & 0x0F;
        len = 3;
    } else if (b >= 0xC0) {
        c = b & 0x1F;
        len = 2;
    }
    if (i + len > s.size()) {
        len = 1;
        return b;
    }
    for (std::size_t k = 1; k < len; ++k)
        c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return c;
}

}  // namespace tavrin::timetable
