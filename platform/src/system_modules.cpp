// The system's own modules by name, and the ANSI forms of the loader calls. "KERNEL32" (with or
// without ".dll", any case) is this platform library itself: the loader functions a driver looks
// up there by name (LoadLibraryExA, FreeLibrary, GetProcAddress) are its exports.
#include <dlfcn.h>

#include <string>

#include "plat_internal.h"
#include "win/kernel.h"

namespace plat {

bool IsKernelModuleName(std::u16string_view name) {
    return EqualNoCase(name, u"KERNEL32") || EqualNoCase(name, u"KERNEL32.dll") || EqualNoCase(name, u"KERNEL32.DLL.");
}

// The platform library's own file name, as the host loader knows it ("name." = no extension).
HMODULE KernelModuleHandle() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&GetProcAddress), &info) == 0 || info.dli_fname == nullptr) return nullptr;
    std::string path = info.dli_fname;
    std::string base = path.substr(path.find_last_of('/') + 1);
    std::u16string name(base.begin(), base.end());
    return GetModuleHandleW((name + u".").c_str());
}

}  // namespace plat

extern "C" {

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    if (lpModuleName == nullptr) return GetModuleHandleW(nullptr);
    std::u16string name = plat::AnsiToWide(lpModuleName);
    if (plat::IsKernelModuleName(name)) return plat::KernelModuleHandle();
    return GetModuleHandleW(name.c_str());
}

HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    if (lpLibFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryExW(plat::AnsiToWide(lpLibFileName).c_str(), hFile, dwFlags);
}

}  // extern "C"
