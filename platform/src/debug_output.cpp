// OutputDebugString: no debugger here, so the text goes to the host file that ORLA_DEBUG_LOG
// names (appended, one call per line), or nowhere.
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "win/kernel.h"
#include "win/nls.h"

namespace {
std::mutex g_lock;

void Emit(const std::string& text) {
    const char* path = std::getenv("ORLA_DEBUG_LOG");
    if (!path || !*path) return;
    std::lock_guard<std::mutex> g(g_lock);
    if (FILE* f = std::fopen(path, "a")) {
        std::fputs(text.c_str(), f);
        if (text.empty() || text.back() != '\n') std::fputc('\n', f);
        std::fclose(f);
    }
}
}  // namespace

extern "C" void OutputDebugStringA(LPCSTR lpOutputString) {
    if (lpOutputString) Emit(lpOutputString);
}

extern "C" void OutputDebugStringW(LPCWSTR lpOutputString) {
    if (!lpOutputString) return;
    DWORD saved = GetLastError();  // OutputDebugString leaves the caller's last error alone
    int n = WideCharToMultiByte(CP_UTF8, 0, lpOutputString, -1, nullptr, 0, nullptr, nullptr);
    if (n > 0) {
        std::string text(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, lpOutputString, -1, text.data(), n, nullptr, nullptr);
        text.resize(static_cast<size_t>(n - 1));
        Emit(text);
    }
    SetLastError(saved);
}
