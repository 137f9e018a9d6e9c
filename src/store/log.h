// The program's log: one line per fault it handles without stopping, so that nothing is
// swallowed unseen. Lines go to standard error unless a test (or the window) routes them.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tavrin::store {

// "where: what" as one line.
void logFault(std::string_view where, std::string_view what);

// Where log lines go; returns the previous sink. An empty sink restores standard error.
using LogSink = std::function<void(const std::string& line)>;
LogSink setLogSink(LogSink sink);

}  // namespace tavrin::store
