// Binding the status manager for the interface DLL. Every entry point is looked up by name and
// checked before it is called: a manager without one of them simply cannot do that step.
#include "ui/entry/status_manager.h"

#include <string>

#include "win/kernel.h"

namespace orla {

namespace {

typedef LONG(WINAPI* OpenManagerExWFn)(LPCWSTR printer, LPCWSTR client, DWORD mode, HANDLE* manager);
typedef LONG(WINAPI* GetPrinterStatusWFn)(HANDLE manager, LPCWSTR name, void* buffer, DWORD size, DWORD* returned);
typedef LONG(WINAPI* SetReqPrinterStatusMsgWFn)(HANDLE manager, LPCWSTR variable, LPCWSTR names, DWORD size,
                                                HWND window, UINT message, DWORD* cookie);
typedef LONG(WINAPI* SetPrinterStatusDirectWFn)(HANDLE manager, LPCWSTR variable, LPCWSTR names, DWORD size);
typedef LONG(WINAPI* ResSetPrinterStatusFn)(HANDLE manager, DWORD cookie, LONG* result);
typedef LONG(WINAPI* CloseManagerFn)(HANDLE manager);
typedef LONG(WINAPI* UpdatePrinterStatusWFn)(HANDLE manager, LPCWSTR name, const void* value, DWORD size);

constexpr const char* kEntryNames[kStatusEntryCount] = {
    "OpenManagerExW",          "GetPrinterStatusW",   "SetReqPrinterStatusMsgW",
    "SetPrinterStatusDirectW", "ResSetPrinterStatus", "CloseManager",
};
constexpr char16_t kRefreshVariable[] = u"RefreshStatus";

// "Dorlik.DLL" in the system directory, as the spooler installs it.
HMODULE LoadManagerLibrary() {
    WCHAR dir[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::u16string path(dir, n);
    if (path.back() != u'\\') path += u'\\';
    path += u"Dorlik.DLL";
    return LoadLibraryW(path.c_str());
}

template <class Fn>
Fn Entry(const PrinterConfigRecord* config, StatusEntry entry) {
    return config ? reinterpret_cast<Fn>(config->statusEntryPoints[entry]) : nullptr;
}

}  // namespace

BOOL BindStatusManager(PrinterConfigRecord* config) {
    if (!config) return FALSE;
    HMODULE library = LoadManagerLibrary();
    if (!library) return FALSE;
    for (unsigned i = 0; i < kStatusEntryCount; ++i)
        config->statusEntryPoints[i] = GetProcAddress(library, kEntryNames[i]);
    if (!config->statusEntryPoints[kOpenManagerExW]) {
        for (FARPROC& entry : config->statusEntryPoints) entry = nullptr;
        FreeLibrary(library);
        return FALSE;
    }
    config->hStatusLib = library;
    return TRUE;
}

BOOL OpenStatusManager(PrinterConfigRecord* config, LPCWSTR printerName, DWORD mode) {
    auto open = Entry<OpenManagerExWFn>(config, kOpenManagerExW);
    HANDLE manager = nullptr;
    if (!open || open(printerName, u"", mode, &manager) != 0 || !manager) {
        ReleaseStatusManager(config);
        return FALSE;
    }
    config->hManager = manager;
    return TRUE;
}

void ReleaseStatusManager(PrinterConfigRecord* config) {
    if (!config) return;
    auto close = Entry<CloseManagerFn>(config, kCloseManager);
    if (config->hManager && close) close(config->hManager);
    if (config->hStatusLib) FreeLibrary(config->hStatusLib);
    config->hManager = nullptr;
    config->hStatusLib = nullptr;
    for (FARPROC& entry : config->statusEntryPoints) entry = nullptr;
}

LONG GetStatusVariable(const PrinterConfigRecord* config, LPCWSTR name, void* buffer, DWORD size, DWORD* returned) {
    auto get = Entry<GetPrinterStatusWFn>(config, kGetPrinterStatusW);
    if (!get || !config->hManager) return kStatusNoEntry;
    DWORD written = 0;
    const LONG rc = get(config->hManager, name, buffer, size, &written);
    if (returned) *returned = rc == 0 ? (written < size ? written : size) : 0;
    return rc;
}

LONG RequestRefreshByMessage(PrinterConfigRecord* config, LPCWSTR names, DWORD size, HWND window, UINT message) {
    auto request = Entry<SetReqPrinterStatusMsgWFn>(config, kSetReqPrinterStatusMsgW);
    if (!request || !config->hManager) return kStatusNoEntry;
    return request(config->hManager, kRefreshVariable, names, size, window, message, &config->pendingRequest);
}

LONG RequestRefreshDirect(const PrinterConfigRecord* config, LPCWSTR names, DWORD size) {
    auto request = Entry<SetPrinterStatusDirectWFn>(config, kSetPrinterStatusDirectW);
    if (!request || !config->hManager) return kStatusNoEntry;
    return request(config->hManager, kRefreshVariable, names, size);
}

LONG CollectRefresh(const PrinterConfigRecord* config, DWORD cookie, LONG* result) {
    auto collect = Entry<ResSetPrinterStatusFn>(config, kResSetPrinterStatus);
    if (!collect || !config->hManager) return kStatusNoEntry;
    return collect(config->hManager, cookie, result);
}

BOOL OpenStatusWriter(StatusWriter* writer, LPCWSTR printerName) {
    *writer = StatusWriter{};
    HMODULE library = LoadManagerLibrary();
    if (!library) return FALSE;
    auto open = reinterpret_cast<OpenManagerExWFn>(GetProcAddress(library, "OpenManagerExW"));
    HANDLE manager = nullptr;
    if (!open || open(printerName, u"", kManagerModeRead, &manager) != 0 || !manager) {
        FreeLibrary(library);
        return FALSE;
    }
    *writer = {library, manager, GetProcAddress(library, "UpdatePrinterStatusW"),
               GetProcAddress(library, "CloseManager")};
    return TRUE;
}

LONG WriteStatusVariable(const StatusWriter* writer, LPCWSTR name, const void* value, DWORD size) {
    auto update = reinterpret_cast<UpdatePrinterStatusWFn>(writer->update);
    if (!update || !writer->manager) return kStatusNoEntry;
    return update(writer->manager, name, value, size);
}

void CloseStatusWriter(StatusWriter* writer) {
    auto close = reinterpret_cast<CloseManagerFn>(writer->close);
    if (writer->manager && close) close(writer->manager);
    if (writer->library) FreeLibrary(writer->library);
    *writer = StatusWriter{};
}

}  // namespace orla
