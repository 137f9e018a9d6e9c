#include "model/dates.h"

#include <fmt/format.h>

#include <charconv>

namespace tavrin::model {

// Howard Hinnant's days_from_civil / civil_from_days.
int daySerial(int y, int m, int d)
{
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilDate(int serial, int& y, int& m, int& d)
{
    const int z = serial + 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2);
}

std::optional<int> parseDate(std::string_view text)
{
    int part[3] = {0, 0, 0};
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t end = i < 2 ? text.find('-', pos) : text.size();
        if (end == std::string_view::npos || end == pos || end - pos > (i == 0 ? 4u : 2u))
            return std::nullopt;
        const char* b = text.data() + pos;
        const char* e = text.data() + end;
        auto [p, ec] = std::from_chars(b, e, part[i]);
        if (ec != std::errc() || p != e)
            return std::nullopt;
        pos = end + 1;
    }
    const int y = part[0], m = part[1], d = part[2];
    if (y < 1900 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31)
        return std::nullopt;
    const int serial = daySerial(y, m, d);
    int yy, mm, dd;
    civilDate(serial, yy, mm, dd);
    if (mm != m || dd != d)
        return std::nullopt;  // 2 月 30 日 and the like
    return serial;
}

std::string dateText(int serial)
{
    int y, m, d;
    civilDate(serial, y, m, d);
    return fmt::format("{:04}-{:02}-{:02}", y, m, d);
}

std::string monthText(int serial)
{
    int y, m, d;
    civilDate(serial, y, m, d);
    return fmt::format("{:04}-{:02}", y, m);
}

int weekdayOf(int serial)
{
    // 1970-01-01 was a Thursday (4).
    const int w = ((serial % 7) + 7 + 3) % 7;  // 0 Monday
    return w + 1;
}

}  // namespace tavrin::model
