// The trust-marking library binding: its path in the registry, the loader functions resolved once
// from "KERNEL32", the process-wide module (counted: it stays loaded while any handle is open) and
// the entry-point wrappers.
#include "render/kwe_binding.h"

#include <cstring>

#include "render/driver_log.h"
#include "win/kernel.h"
#include "win/registry.h"

namespace {

constexpr char kLibraryKey[] = "SOFTWARE\\Tamsa Korvel\\Tessaline Basic";
constexpr char kLibraryPathValue[] = "DRVIFInstallPath";
constexpr DWORD kLibraryPathBytes = 256;

typedef HMODULE(WINAPI* LoadLibraryExAProc)(LPCSTR, HANDLE, DWORD);
typedef BOOL(WINAPI* FreeLibraryProc)(HMODULE);
typedef FARPROC(WINAPI* GetProcAddressProc)(HMODULE, LPCSTR);

struct Binding {
    bool loaderResolved = false;
    LoadLibraryExAProc loadLibraryEx = nullptr;
    FreeLibraryProc freeLibrary = nullptr;
    GetProcAddressProc getProcAddress = nullptr;
    HMODULE module = nullptr;
    LONG handlesOpen = 0;  // handles made and not yet released on `module`
};

Binding& TheBinding() {
    static Binding b;
    return b;
}

// The library's path, NUL-terminated within its 256 bytes whatever the registry holds.
bool ReadLibraryPath(char (&path)[kLibraryPathBytes]) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLibraryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = sizeof path - 1;
    std::memset(path, 0, sizeof path);
    const LONG rc = RegQueryValueExA(key, kLibraryPathValue, nullptr, &type, reinterpret_cast<LPBYTE>(path), &size);
    RegCloseKey(key);
    path[sizeof path - 1] = 0;
    return rc == ERROR_SUCCESS && path[0] != 0;
}

// LoadLibraryExA, FreeLibrary and GetProcAddress from "KERNEL32", once per process; all or none.
bool ResolveLoaderEntryPoints() {
    Binding& b = TheBinding();
    if (b.loaderResolved) return b.loadLibraryEx != nullptr;
    HMODULE kernel = GetModuleHandleA("KERNEL32");
    if (kernel != nullptr) {
        b.loadLibraryEx = reinterpret_cast<LoadLibraryExAProc>(GetProcAddress(kernel, "LoadLibraryExA"));
        b.freeLibrary = reinterpret_cast<FreeLibraryProc>(GetProcAddress(kernel, "FreeLibrary"));
        b.getProcAddress = reinterpret_cast<GetProcAddressProc>(GetProcAddress(kernel, "GetProcAddress"));
    }
    if (b.loadLibraryEx == nullptr || b.freeLibrary == nullptr || b.getProcAddress == nullptr) {
        b.loadLibraryEx = nullptr, b.freeLibrary = nullptr, b.getProcAddress = nullptr;
        return false;
    }
    b.loaderResolved = true;
    return true;
}

// The library's entry point of that name, or null (no library, or no such entry).
template <class Proc>
Proc Entry(const char* name) {
    Binding& b = TheBinding();
    if (b.module == nullptr || b.getProcAddress == nullptr) return nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(b.getProcAddress(b.module, name)));
}

// Calls the entry with the binding locked, or answers `missing`.
template <class Proc, class... Args>
LONG Call(const char* name, LONG missing, Args... args) {
    std::lock_guard<std::recursive_mutex> g(KweLock());
    Proc proc = Entry<Proc>(name);
    return proc != nullptr ? proc(args...) : missing;
}

// One reference of the module gone: the last one unloads it.
void DropModule() {
    Binding& b = TheBinding();
    if (b.module == nullptr) return;
    b.freeLibrary(b.module);
    if (--b.handlesOpen <= 0) {
        b.handlesOpen = 0;
        b.module = nullptr;
    }
}

typedef DWORD (*CreateProc)(LPCSTR, LPCSTR, LPCSTR, DWORD);
typedef LONG (*HandleProc)(DWORD);
typedef LONG (*BlobProc)(DWORD, const BYTE*, DWORD, const BYTE*, DWORD);
typedef LONG (*BytesProc)(DWORD, const BYTE*);
typedef LONG (*OutBytesProc)(DWORD, BYTE*);
typedef LONG (*ImageProc)(DWORD, HGLOBAL*, LONG*, LONG*, LONG);
typedef LONG (*PrepareProc)(DWORD, LONG*, LONG*, LPSTR);
typedef LONG (*FooterProc)(DWORD, HGLOBAL*, LONG);
typedef LONG (*ValueProc)(DWORD, LONG*);
typedef LONG (*DisplayProc)(DWORD, HWND, BYTE*, DWORD, LONG*);

}  // namespace

std::recursive_mutex& KweLock() {
    static std::recursive_mutex lock;
    return lock;
}

BOOL IsKweLibraryInstalled() {
    char path[kLibraryPathBytes];
    if (!ReadLibraryPath(path)) return 0;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(file);
    return 1;
}

DWORD KweCreateHandle(LPCSTR printer, LPCSTR model, LPCSTR language, DWORD locale) {
    std::lock_guard<std::recursive_mutex> g(KweLock());
    char path[kLibraryPathBytes];
    if (!ReadLibraryPath(path) || !ResolveLoaderEntryPoints()) return 0;
    Binding& b = TheBinding();
    HMODULE module = b.loadLibraryEx(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        DriverLog("trust marking: the library %s cannot be loaded", path);
        return 0;
    }
    b.module = module;
    b.handlesOpen += 1;
    auto create = Entry<CreateProc>("QZKWE_CreateHandle");
    const DWORD handle = create != nullptr ? create(printer, model, language, locale) : 0;
    if (handle == 0) DropModule();
    return handle;
}

LONG KweReleaseHandle(DWORD handle) {
    std::lock_guard<std::recursive_mutex> g(KweLock());
    auto release = Entry<HandleProc>("QZKWE_ReleaseHandle");
    const LONG result = release != nullptr ? release(handle) : 0;
    DropModule();
    return result;
}

LONG KweGetSizeOfSettings(DWORD h) {
    return Call<HandleProc>("QZKWE_GetSizeOfSettings", -1, h);
}
LONG KweSetKWESettings(DWORD h, const BYTE* blob, DWORD size, const BYTE* sample, DWORD sampleSize) {
    return Call<BlobProc>("QZKWE_SetKWESettings", 0, h, blob, size, sample, sampleSize);
}
LONG KweGetNumOfIDs(DWORD h) {
    return Call<HandleProc>("QZKWE_GetNumOfIDs", -1, h);
}
LONG KweGetIDList(DWORD h, BYTE* list) {
    return Call<OutBytesProc>("QZKWE_GetIDList", 0, h, list);
}
LONG KweSetDriverSettings(DWORD h, const BYTE* list) {
    return Call<BytesProc>("QZKWE_SetDriverSettings", 0, h, list);
}
LONG KweGetNumOfOutputs(DWORD h) {
    return Call<HandleProc>("QZKWE_GetNumOfOutputs", -1, h);
}
LONG KweSetJobInfo(DWORD h, const BYTE* jobInfo) {
    return Call<BytesProc>("QZKWE_SetJobInfo", 0, h, jobInfo);
}
LONG KweGetKM(DWORD h, HGLOBAL* image, LONG* width, LONG* height, LONG index) {
    return Call<ImageProc>("QZKWE_GetKM", -1, h, image, width, height, index);
}
LONG KweGetSampleKM(DWORD h, HGLOBAL* image, LONG* width, LONG* height, LONG index) {
    return Call<ImageProc>("QZKWE_GetSampleKM", 0, h, image, width, height, index);
}
LONG KwePrepareGetSampleKM(DWORD h, LONG* density, LONG* value, LPSTR caption) {
    return Call<PrepareProc>("QZKWE_PrepareGetSampleKM", 0, h, density, value, caption);
}
LONG KweGetFooterString(DWORD h, HGLOBAL* text, LONG index) {
    return Call<FooterProc>("QZKWE_GetFooterString", -1, h, text, index);
}
LONG KweWriteLog(DWORD h, const BYTE* record) {
    return Call<BytesProc>("QZKWE_WriteLog", 0, h, record);
}
LONG KweIsAvailableXKM(DWORD h) {
    return Call<HandleProc>("QZKWE_IsAvailableXKM", 0, h);
}
LONG KweIsWholePage(DWORD h, LONG* value) {
    return Call<ValueProc>("QZKWE_IsWholePage", 0, h, value);
}
LONG KweSetJobOwner(DWORD h, const BYTE* owner) {
    return Call<BytesProc>("QZKWE_SetJobOwner", 0, h, owner);
}
LONG KweCallDisplayUI(DWORD h, HWND owner, BYTE* settings, DWORD settingsSize, LONG* result) {
    return Call<DisplayProc>("QZKWE_DisplayUI", -1, h, owner, settings, settingsSize, result);
}
