#include "spreadsheet/slips.h"

#include <charconv>
#include <limits>

namespace tavrin::spreadsheet {

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";  // U+3000
constexpr std::string_view kFullComma = "\xEF\xBC\x8C";         // U+FF0C

bool asciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::string trimSpaces(std::string_view s)
{
    for (;;) {
        if (!s.empty() && asciiSpace(s.front()))
            s.remove_prefix(1);
        else if (s.substr(0, kIdeographicSpace.size()) == kIdeographicSpace)
            s.remove_prefix(kIdeographicSpace.size());
        else
            break;
    }
    for (;;) {
        if (!s.empty() && asciiSpace(s.back()))
            s.remove_suffix(1);
        else if (s.size() >= kIdeographicSpace.size() &&
                 s.substr(s.size() - kIdeographicSpace.size()) == kIdeographicSpace)
            s.remove_suffix(kIdeographicSpace.size());
        else
            break;
    }
    return std::string(s);
}

std::string asciiDigits(std::string_view s)
{
    // U+FF10..U+FF19 are EF BC 90..99 in UTF-8.
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i + 2 < s.size() && s[i] == '\xEF' && s[i + 1] == '\xBC' && static_cast<unsigned char>(s[i + 2]) >= 0x90 &&
            static_cast<unsigned char>(s[i + 2]) <= 0x99) {
            out += char('0' + (static_cast<unsigned char>(s[i + 2]) - 0x90));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<std::string> splitList(std::string_view s)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size();) {
        std::size_t width = 0;
        if (i == s.size())
            width = 0;
        else if (s[i] == ',')
            width = 1;
        else if (s.substr(i, kFullComma.size()) == kFullComma)
            width = kFullComma.size();
        else {
            ++i;
            continue;
        }
        out.push_back(trimSpaces(s.substr(start, i - start)));
        if (i == s.size())
            break;
        i += width;
        start = i;
    }
    return out;
}

std::optional<long long> parseCount(std::string_view s)
{
    std::string t = asciiDigits(trimSpaces(s));
    std::string_view v = t;
    if (!v.empty() && v.front() == '+')
        v.remove_prefix(1);
    if (v.empty() || v.front() == '+' || (v.size() < t.size() && v.front() == '-'))
        return std::nullopt;
    long long n = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || p != v.data() + v.size())
        return std::nullopt;
    return n;
}

bool sameName(std::string_view typed, std::string_view stored) { return trimSpaces(typed) == stored; }

}  // namespace tavrin::spreadsheet
