#include "timetable/kbtext.h"

#include <algorithm>

#include "timetable/layout.h"
#include "timetable/utf8.h"

namespace tavrin::timetable {

namespace {

bool wide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t from = 0;
    while (true) {
        const std::size_t nl = text.find('\n', from);
        out.push_back(text.substr(from, nl == std::string::npos ? std::string::npos : nl - from));
        if (nl == std::string::npos)
            break;
        from = nl + 1;
    }
    return out;
}

std::string oneLine(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    return text;
}

}  // namespace

int displayWidth(const std::string& utf8)
{
    int width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len = 1;
        const char32_t c = decodeUtf8At(utf8, i, len);
        i += len;
        width += wide(c) ? 2 : 1;
    }
    return width;
}

std::string renderKbText(const KbData& kb, KbSide side, int id, int layout, KbShow show)
{
    const model::School& s = kb.school;
    const int P = s.P(), D = s.theDay;
    const KbGridLayout geo = layoutKbGrid(layout, 0, 0, {D, s.mor, s.aft, s.nig});
    const bool dayColumns = geo.layout == 1;
    const model::Array2<int>& grid = side == KbSide::Ban ? kb.gridB() : kb.gridT();

    // table[row][col] in the layout's orientation.
    const int rows = dayColumns ? P + 1 : D + 1;
    const int cols = dayColumns ? D + 1 : P + 1;
    std::vector<std::vector<std::string>> table(static_cast<std::size_t>(rows), std::vector<std::string>(static_cast<std::size_t>(cols)));
    auto put = [&](int day, int jie, std::string text) {
        const int r = dayColumns ? jie : day, c = dayColumns ? day : jie;
        table[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = std::move(text);
    };
    for (int d = 1; d <= D; ++d)
        put(d, 0, dayHeader(s, d));
    for (int j = 1; j <= P; ++j)
        put(0, j, periodHeader(s, j));
    for (int d = 1; d <= D; ++d)
        for (int j = 1; j <= P; ++j) {
            const int slot = model::slotOf(d, j, P);
            put(d, j, side == KbSide::Ban ? banCell(s, grid, id, slot, show).text : teaCell(s, grid, id, slot, show).text);
        }

    // A new section of the day begins before period j where the window opens a gap.
    auto sectionStarts = [&](int j) { return j >= 1 && geo.gapBefore(j) != geo.gapBefore(j - 1); };
    std::vector<int> width(static_cast<std::size_t>(cols), 0), height(static_cast<std::size_t>(rows), 1);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const auto ls = lines(table[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
            height[static_cast<std::size_t>(r)] = std::max(height[static_cast<std::size_t>(r)], static_cast<int>(ls.size()));
            for (const auto& l : ls)
                width[static_cast<std::size_t>(c)] = std::max(width[static_cast<std::size_t>(c)], displayWidth(l) + 2);
        }

    // Column separators: a double bar where a section begins (layout 2).
    auto sep = [&](int c, char bar) {
        const bool twice = !dayColumns && sectionStarts(c);
        return twice ? std::string(2, bar) : std::string(1, bar);
    };
    auto rule = [&](char dash) {
        std::string out;
        for (int c = 0; c < cols; ++c) {
            out += sep(c, '+');
            out.append(static_cast<std::size_t>(width[static_cast<std::size_t>(c)]), dash);
        }
        return out + "+\n";
    };

    std::string out = kbTitle(s, grid, side, id) + "\n";
    out += rule('-');
    for (int r = 0; r < rows; ++r) {
        if (r > 0)
            out += rule(dayColumns && sectionStarts(r) ? '=' : '-');
        std::vector<std::vector<std::string>> cellLines;
        for (int c = 0; c < cols; ++c)
            cellLines.push_back(lines(table[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]));
        for (int k = 0; k < height[static_cast<std::size_t>(r)]; ++k) {
            for (int c = 0; c < cols; ++c) {
                const auto& ls = cellLines[static_cast<std::size_t>(c)];
                const std::string text = static_cast<std::size_t>(k) < ls.size() ? ls[static_cast<std::size_t>(k)] : "";
                const int pad = width[static_cast<std::size_t>(c)] - 1 - displayWidth(text);
                out += sep(c, '|') + " " + text + std::string(static_cast<std::size_t>(std::max(pad, 0)), ' ');
            }
            out += "|\n";
        }
    }
    out += rule('-');

    const KbHolding held = listHolding(kb, side, id);
    if (held.count > 0) {
        out += "未排：";
        for (int n = 1; n <= held.count; ++n) {
            if (n > 1)
                out += "、";
            out += oneLine(lessonText(s, held.TmpKe[static_cast<std::size_t>(n)], side, show));
        }
        out += "\n";
    }
    if (held.overflow)
        out += std::string(holdingOverflowText(side)) + "\n";
    return out;
}

}  // namespace tavrin::timetable
