// The HTML Help control stand-in: HtmlHelpW opens (records) a topic of a help file and answers
// with the help window; a script can make calls hang until the test lets them go, as a help
// viewer that never comes up would.
#include <mutex>
#include <string>

#include "outside/htmlhelp/html_help_script.h"
#include "plat/message_window.h"
#include "win/kernel.h"
#include "win/registry.h"

namespace {

constexpr const WCHAR* kControlKey = u"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

struct State {
    std::mutex lock;
    std::u16string log;
    bool hang = false;
    HANDLE release = nullptr;  // manual-reset: set to end the hangs
    HWND viewer = nullptr;
    State() : release(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~State() {
        if (viewer) PlatDestroyMessageWindow(viewer);
        CloseHandle(release);
    }
};

// A plain static: the module is loaded and unloaded by each caller, and its state goes with it.
State& state() {
    static State s;
    return s;
}

std::u16string Number(ULONG_PTR n) {
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

// The viewer's window: one for the process, as the real viewer reuses its window.
HWND Viewer(State& s) {
    if (s.viewer == nullptr) s.viewer = PlatCreateMessageWindow(u"HH Parent", u"HTML Help");
    return s.viewer;
}

}  // namespace

DLLEXPORT HWND HtmlHelpW(HWND hwndCaller, LPCWSTR pszFile, UINT uCommand, DWORD_PTR dwData) {
    State& s = state();
    bool hang;
    {
        std::lock_guard<std::mutex> g(s.lock);
        hang = s.hang;
    }
    if (hang) WaitForSingleObject(s.release, INFINITE);
    std::lock_guard<std::mutex> g(s.lock);
    std::u16string line = Number(uCommand) + u" " + (pszFile ? pszFile : u"(none)") + u" " + Number(dwData);
    HWND answer = nullptr;
    if ((uCommand == HH_HELP_CONTEXT || uCommand == HH_DISPLAY_TOPIC) && pszFile && pszFile[0]) answer = Viewer(s);
    line += answer ? u" -> window" : u" -> 0";
    if (hang) line += u" (after a hang)";
    s.log += line + u"\n";
    return answer;
}

extern "C" {
__attribute__((visibility("default"))) extern const ORLA_ORDINAL_EXPORT OrlaOrdinalTable[];
const ORLA_ORDINAL_EXPORT OrlaOrdinalTable[] = {{15, "HtmlHelpW"}, {0, nullptr}};
}

namespace {
HINSTANCE g_self = nullptr;
}

DLLEXPORT BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

// Records this module as the HTML Help control in the registry.
DLLEXPORT LONG DllRegisterServer(void) {
    WCHAR path[MAX_PATH];
    if (g_self == nullptr || GetModuleFileNameW(g_self, path, MAX_PATH) == 0) {
        return static_cast<LONG>(0x80004005);  // E_FAIL
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, kControlKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != 0) {
        return static_cast<LONG>(0x80004005);
    }
    std::u16string value(path);
    LONG r = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    return r == 0 ? 0 : static_cast<LONG>(0x80004005);
}

DLLEXPORT DWORD HtmlHelpCallLog(LPWSTR buffer, DWORD size) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    if (buffer == nullptr || size <= s.log.size()) return static_cast<DWORD>(s.log.size() + 1);
    s.log.copy(buffer, s.log.size());
    buffer[s.log.size()] = 0;
    return static_cast<DWORD>(s.log.size());
}

DLLEXPORT void HtmlHelpHang(BOOL hang) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.hang = hang != FALSE;
    if (s.hang) ResetEvent(s.release);
}

DLLEXPORT void HtmlHelpReset(void) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.hang = false;
    SetEvent(s.release);
    s.log.clear();
}
