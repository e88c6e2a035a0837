// The graphics DLL's diagnostic log: a small ring of the newest lines, never any UI.
#include "render/driver_log.h"

#include <cstdarg>
#include <cstdio>
#include <deque>
#include <mutex>

namespace {

std::mutex& LogLock() {
    static std::mutex lock;
    return lock;
}

std::deque<std::string>& LogRing() {
    static std::deque<std::string> ring;
    return ring;
}

}  // namespace

void DriverLog(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0) return;
    std::lock_guard<std::mutex> guard(LogLock());
    auto& ring = LogRing();
    if (ring.size() >= kDriverLogLines) ring.pop_front();
    ring.emplace_back(line);
}

std::vector<std::string> DriverLogLines() {
    std::lock_guard<std::mutex> guard(LogLock());
    return {LogRing().begin(), LogRing().end()};
}

void DriverLogClear() {
    std::lock_guard<std::mutex> guard(LogLock());
    LogRing().clear();
}
