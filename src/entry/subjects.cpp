#include "entry/subjects.h"

#include <algorithm>

namespace tavrin::entry {

std::optional<int> parseCount(std::string_view text, int max)
{
    if (text.empty()) return std::nullopt;
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > max) return std::nullopt;  // also keeps twenty digits from overflowing
    }
    return static_cast<int>(v);
}

JieInput inputJie(std::string_view text, int classCount, int max)
{
    JieInput r;
    r.values.assign(static_cast<std::size_t>(std::max(classCount, 0)), 0);
    if (text.find(',') == std::string_view::npos) {
        if (const auto v = parseCount(text, max)) {
            std::fill(r.values.begin(), r.values.end(), *v);
            r.text = std::to_string(*v);
        }
        return r;
    }
    std::size_t pos = 0;
    for (int k = 0; k < classCount; ++k) {
        std::string_view part;
        if (pos <= text.size()) {
            const std::size_t comma = text.find(',', pos);
            const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
            part = text.substr(pos, end - pos);
            pos = comma == std::string_view::npos ? text.size() + 1 : comma + 1;
        }
        const int v = parseCount(part, max).value_or(0);
        r.values[static_cast<std::size_t>(k)] = v;
        if (k > 0) r.text += ',';
        r.text += std::to_string(v);
    }
    return r;
}

std::string groupSummaryText(const std::vector<int>& values)
{
    if (values.empty()) return {};
    if (std::all_of(values.begin(), values.end(), [&](int v) { return v == values.front(); }))
        return std::to_string(values.front());
    std::string s;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) s += ',';
        s += std::to_string(values[i]);
    }
    return s;
}

std::string groupCellText(const std::vector<int>& values)
{
    std::string s = groupSummaryText(values);
    return s == "0" ? std::string() : s;
}

bool overCapacity(const std::vector<int>& totals, const std::vector<int>& capacities)
{
    const std::size_t n = std::min(totals.size(), capacities.size());
    for (std::size_t i = 0; i < n; ++i)
        if (totals[i] > capacities[i]) return true;
    return false;
}

bool acceptsCountEdit(std::string_view current, int selStart, int selLen, std::string_view inserted,
                      int max)
{
    const auto size = static_cast<int>(current.size());
    if (selStart < 0 || selLen < 0 || selStart + selLen > size) return false;
    std::string rest(current.substr(0, static_cast<std::size_t>(selStart)));
    rest += current.substr(static_cast<std::size_t>(selStart + selLen));
    if (inserted.empty()) return true;  // a deletion
    if (!std::all_of(inserted.begin(), inserted.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    if (selStart == 0 && inserted.front() == '0' && !rest.empty()) return false;
    std::string result(rest.substr(0, static_cast<std::size_t>(selStart)));
    result += inserted;
    result += rest.substr(static_cast<std::size_t>(selStart));
    if (result.size() > 1 && result.front() == '0') return false;
    return parseCount(result, max).has_value();
}

namespace {
bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

std::string firstChar(std::string_view name)
{
    if (name.empty()) return {};
    std::size_t n = 1;
    while (n < name.size() && isContinuation(name[n])) ++n;
    return std::string(name.substr(0, n));
}

std::string lastChar(std::string_view name)
{
    if (name.empty()) return {};
    std::size_t start = name.size() - 1;
    while (start > 0 && isContinuation(name[start])) --start;
    return std::string(name.substr(start));
}

}  // namespace tavrin::entry
