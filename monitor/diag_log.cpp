// Diagnostic event log and trace file.
#include "monitor/diag_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/ansi_text.h"
#include "monitor/port_record.h"
#include "win/nls.h"
#include "win/registry.h"

namespace {

constexpr const char* kServiceKey = "SOFTWARE\\Tamsa Korvel\\QzPJMService\\";

struct Diagnostics {
    BOOL debug;
    char folder[260];
    char tracePath[300];
    CRITICAL_SECTION traceLock;
    BOOL lockReady;
};
Diagnostics g_diag;

BOOL ReadValueUnder(const char* keyPath, const char* name, BYTE* buffer, DWORD* size, DWORD* type) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
    LONG rc = RegQueryValueExA(key, name, nullptr, type, buffer, size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

// "SOFTWARE\...\QzPJMService\<CurrentVersion>" into path.
BOOL VersionKey(char* path, size_t capacity) {
    char version[65] = {};
    DWORD size = 64, type = 0;
    if (!ReadValueUnder(kServiceKey, "CurrentVersion", reinterpret_cast<BYTE*>(version), &size, &type)) return FALSE;
    version[64] = 0;
    return std::snprintf(path, capacity, "%s%s", kServiceKey, version) < static_cast<int>(capacity);
}

// UTF-8 to the system code page, for what goes into the files.
void ToAnsi(const char* utf8, char* out, int capacity) {
    WCHAR wide[2048] = {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 2047);
    if (n <= 0 || orla::CopyAnsiText(orla::WideView(wide), out, static_cast<size_t>(capacity)) == 0)
        std::snprintf(out, static_cast<size_t>(capacity), "%s", utf8);
    out[capacity - 1] = 0;
}

}  // namespace

BOOL ReadJobServiceValue(const char* name, BYTE* buffer, DWORD* size, DWORD* type) {
    char path[400];
    return VersionKey(path, sizeof path) && ReadValueUnder(path, name, buffer, size, type);
}

void InitDiagnostics() {
    if (!g_diag.lockReady) {
        InitializeCriticalSection(&g_diag.traceLock);
        g_diag.lockReady = TRUE;
    }
    g_diag.debug = FALSE;
    char path[400];
    if (VersionKey(path, sizeof path)) {
        char sub[500], inner[65] = {};
        DWORD size = 64, type = 0;
        std::snprintf(sub, sizeof sub, "%s\\QzPJMService", path);
        if (ReadValueUnder(sub, "CurrentVersion", reinterpret_cast<BYTE*>(inner), &size, &type)) {
            char modeKey[600], mode[32] = {};
            DWORD msize = sizeof mode - 1;
            std::snprintf(modeKey, sizeof modeKey, "%s\\%s", sub, inner);
            if (ReadValueUnder(modeKey, "RunMode", reinterpret_cast<BYTE*>(mode), &msize, &type))
                g_diag.debug = std::strcmp(mode, "Debug") == 0;
        }
    }
    DWORD size = sizeof g_diag.folder - 1, type = 0;
    std::memset(g_diag.folder, 0, sizeof g_diag.folder);
    if (!ReadJobServiceValue("EventLogFolder", reinterpret_cast<BYTE*>(g_diag.folder), &size, &type))
        g_diag.folder[0] = 0;
    size_t n = std::strlen(g_diag.folder);
    std::snprintf(g_diag.tracePath, sizeof g_diag.tracePath, "%s%sQzPJMS6100TLM.log", g_diag.folder,
                  n && g_diag.folder[n - 1] != '\\' ? "\\" : "");
    WriteEventLog("Halvoric 6100T LanguageMonitorをデバッグモードで開始しました。", kLogSource, kEventMessage);
}

void EndDiagnostics() {
    if (g_diag.lockReady) DeleteCriticalSection(&g_diag.traceLock);
    g_diag = Diagnostics{};
}

BOOL DiagnosticsOn() {
    return g_diag.debug;
}

BOOL AppendTextToFile(const char* text, const char* path) {
    DWORD saved = GetLastError();
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    BOOL ok = FALSE;
    if (file != INVALID_HANDLE_VALUE) {
        SetFilePointer(file, 0, nullptr, FILE_END);
        DWORD length = static_cast<DWORD>(std::strlen(text)), written = 0;
        ok = WriteFile(file, text, length, &written, nullptr) && written == length;
        CloseHandle(file);
    }
    SetLastError(saved);
    return ok;
}

void WriteEventLog(const char* text, const char* source, DWORD type) {
    if (!g_diag.debug) return;
    static const char* const kTypes[] = {"Message", "Warning", "Error"};
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char path[300];
    size_t n = std::strlen(g_diag.folder);
    std::snprintf(path, sizeof path, "%s%s%04d%02d%02d.log", g_diag.folder,
                  n && g_diag.folder[n - 1] != '\\' ? "\\" : "", now.wYear, now.wMonth, now.wDay);
    char ansi[1024];
    ToAnsi(text, ansi, sizeof ansi);
    char line[1400];
    std::snprintf(line, sizeof line, "%s,%04u/%02u/%02u,%02u:%02u:%02u,%s,%s\n",
                  type >= 1 && type <= 3 ? kTypes[type - 1] : "Message", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond, source, ansi);
    AppendTextToFile(line, path);
}

void DebugTrace(const char* format, ...) {
    if (!g_diag.debug || !g_diag.lockReady) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    char ansi[1024];
    ToAnsi(text, ansi, sizeof ansi);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char entry[1200];
    std::snprintf(entry, sizeof entry, "\n%4d/%02d/%02d %02d:%02d:%02d%s", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond, ansi);
    EnterCriticalSection(&g_diag.traceLock);
    AppendTextToFile(entry, g_diag.tracePath);
    LeaveCriticalSection(&g_diag.traceLock);
}
