// The graphics DLL's diagnostic log: a small ring of the newest lines; and its message boxes.
#include "render/driver_log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <mutex>

#include "win/kernel.h"
#include "win/nls.h"
#include "win/user.h"

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

void ShowDriverMessage(std::u16string_view text) {
    const std::u16string box(text);
    // The box must not change the error the failing call reports.
    const DWORD error = GetLastError();
    MessageBoxW(nullptr, box.c_str(), nullptr, MB_OK);
    SetLastError(error);
    const int length = static_cast<int>(box.size());
    std::string line(static_cast<size_t>(length) * 3, '\0');
    const int n = length == 0 ? 0
                              : WideCharToMultiByte(CP_UTF8, 0, box.data(), length, line.data(),
                                                    static_cast<int>(line.size()), nullptr, nullptr);
    line.resize(static_cast<size_t>(std::max(n, 0)));
    DriverLog("%s", line.c_str());
}
