// The language resource DLL rule: the resource DLL lies beside the graphics DLL and is named by the
// first six characters of its file name and "j.dll" or "e.dll" by the user's locale.
#include "core/support.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla {

LCID GetUserLocaleId(void) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Control Panel\\International", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return kLocaleJapanese;
    // 32 units, the last kept as a terminator whatever the stored value holds.
    WCHAR text[33] = {};
    DWORD type = 0;
    DWORD bytes = 64;
    LONG rc = RegQueryValueExW(key, u"Locale", nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return kLocaleJapanese;
    return wcstol(text, nullptr, 16) == 0x411 ? kLocaleJapanese : kLocaleEnglish;
}

BOOL ComposeResourceDllPath(LPCWSTR driverPath, LCID locale, LPWSTR out, DWORD cchOut) {
    if (!out || cchOut == 0) return FALSE;
    out[0] = 0;
    if (!driverPath) return FALSE;
    // The spooler always reports a full path; one without a backslash names no directory and
    // gets no resource DLL rather than one looked up elsewhere.
    const WCHAR* slash = wcsrchr(driverPath, u'\\');
    if (!slash) return FALSE;
    size_t folder = static_cast<size_t>(slash - driverPath) + 1;
    size_t stem = 0;
    while (stem < 6 && slash[1 + stem] != 0) ++stem;
    const WCHAR* tail = locale == kLocaleJapanese ? u"j.dll" : u"e.dll";
    if (folder + stem + 5 + 1 > cchOut || folder + stem + 5 + 1 > MAX_PATH) return FALSE;
    size_t n = 0;
    for (size_t i = 0; i < folder + stem; ++i) out[n++] = driverPath[i];
    for (size_t i = 0; i < 5; ++i) out[n++] = tail[i];
    out[n] = 0;
    return TRUE;
}

HMODULE LoadResourceDll(HANDLE hPrinter) {
    WCHAR path[MAX_PATH] = {};
    auto* info = reinterpret_cast<DRIVER_INFO_2W*>(GetDriverInfoAlloc(hPrinter, 2));
    if (info) {
        ComposeResourceDllPath(info->pDriverPath, GetUserLocaleId(), path, MAX_PATH);
        GlobalFree(info);
    }
    if (path[0] == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return LoadLibraryW(path);
}

BOOL FreeResourceDll(HMODULE hModule) {
    return FreeLibrary(hModule);
}

void ApplyHelpFileLocale(LPWSTR helpFile, LCID locale) {
    if (!helpFile) return;
    WCHAR* dot = wcsrchr(helpFile, u'.');
    if (!dot || dot == helpFile) return;
    dot[-1] = locale == kLocaleJapanese ? u'J' : u'E';
}

}  // namespace orla
