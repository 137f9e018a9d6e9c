// Calendar dates as day serials (days since 1970-01-01), so that a term's days, weeks and
// months are plain integer arithmetic; the file and the reports write them as "YYYY-MM-DD".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrin::model {

// The serial of a civil date (proleptic Gregorian).
int daySerial(int y, int m, int d);
// The civil date of a serial.
void civilDate(int serial, int& y, int& m, int& d);
// "YYYY-MM-DD" (also "YYYY-M-D"); nothing for any other text or a date that does not exist.
std::optional<int> parseDate(std::string_view text);
std::string dateText(int serial);
// "YYYY-MM", the month a report groups a date under.
std::string monthText(int serial);
// 1 Monday .. 7 Sunday, as the file counts weekdays.
int weekdayOf(int serial);
// The Monday of the week a date lies in.
inline int mondayOf(int serial) { return serial - (weekdayOf(serial) - 1); }

}  // namespace tavrin::model
