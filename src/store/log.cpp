#include "store/log.h"

#include <cstdio>
#include <mutex>

namespace tavrin::store {

namespace {
std::mutex logMutex;
LogSink& sink()
{
    static LogSink s;
    return s;
}
}  // namespace

void logFault(std::string_view where, std::string_view what)
{
    std::string line;
    line.reserve(where.size() + what.size() + 2);
    line.append(where).append(": ").append(what);
    std::lock_guard<std::mutex> g(logMutex);
    if (sink()) {
        sink()(line);
        return;
    }
    std::fprintf(stderr, "tavrin: %s\n", line.c_str());
}

LogSink setLogSink(LogSink s)
{
    std::lock_guard<std::mutex> g(logMutex);
    LogSink old = std::move(sink());
    sink() = std::move(s);
    return old;
}

}  // namespace tavrin::store
