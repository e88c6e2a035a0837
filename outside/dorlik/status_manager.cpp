// Dorlik.DLL stand-in: one set of named status variables per printer name, kept in the shared
// store so that the monitor in the spooler's process and the interface DLL in applications'
// processes see the same values; a changed value signals the events registered for it.
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "outside/dorlik/dorlik_api.h"
#include "outside/dorlik/local_state.h"
#include "win/kernel.h"
#include "win/nls.h"

using namespace dorlik;

namespace {

constexpr size_t kMaxNotifications = 64;

LocalState* g_local = nullptr;
std::mutex g_localLock;

// Wide text (up to its NUL or the limit) in the system code page, as the manager keeps its names.
std::string Narrow(LPCWSTR text, size_t limit = SIZE_MAX) {
    size_t n = 0;
    while (text && n < limit && text[n]) ++n;
    if (n == 0) return {};
    const int need = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    if (need <= 0) return {};
    std::string s(static_cast<size_t>(need), '\0');
    const int got = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(n), s.data(), need, nullptr, nullptr);
    s.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return s;
}

// The requested names as the monitor reads them: ANSI text with its terminator.
std::string RequestText(LPCWSTR names, DWORD size) {
    return Narrow(names, size / sizeof(WCHAR)) + '\0';
}

void SetDefault(Mapping& m, uint32_t printer, const char* name, const std::string& value) {
    if (FindVariable(m, printer, name) >= 0) return;
    bool changed = false;
    WriteVariable(m, printer, name, value.data(), static_cast<uint32_t>(value.size()), &changed, false);
}

void Defaults(Mapping& m, uint32_t printer, const std::u16string& name) {
    std::string printerName(520, '\0');  // UTF-16 text in 520 bytes
    std::memcpy(printerName.data(), name.data(), std::min<size_t>(name.size(), 259) * 2);
    SetDefault(m, printer, "PrinterName", printerName);
    SetDefault(m, printer, "Port", std::string(516, '\0'));  // no port claim: any port may bind the printer
    SetDefault(m, printer, "TerminateManager", std::string(4, '\0'));
    SetDefault(m, printer, "RefreshStatus", std::string(4, '\0'));
}

LONG CopyOut(const unsigned char* value, DWORD needed, void* buffer, DWORD size, DWORD* returned) {
    if (returned) *returned = needed;
    if (size < needed || (buffer == nullptr && needed > 0))
        return size == 0 ? DORLIK_E_SMALL_QUERY : DORLIK_E_SMALL_BUFFER;
    if (needed > 0) std::memcpy(buffer, value, needed);
    return DORLIK_OK;
}

LONG ReadFromStore(const std::u16string& printer, const std::string& name, void* buffer, DWORD size, DWORD* returned) {
    std::shared_ptr<Mapping> m = CurrentMapping();
    if (!m) return DORLIK_E_NO_STORE;
    StoreLock lock(*m);
    int p = FindPrinter(*m, printer, false);
    int v = p < 0 ? -1 : FindVariable(*m, static_cast<uint32_t>(p), name);
    if (v < 0) return DORLIK_E_NO_VARIABLE;
    const StoreVariable& var = m->layout->variables[v];
    return CopyOut(VariableValue(*m, var), var.size, buffer, size, returned);
}

// Publishes into the store, then signals this process's registrations at once; the service
// threads of other processes see the change through the store's wake word.
LONG Publish(const std::u16string& printer, const std::string& name, const void* value, DWORD size, bool defaults) {
    if (name.empty() || (value == nullptr && size > 0)) return DORLIK_E_PARAMETER;
    if (name.size() >= kVariableChars || size > kMaxValueBytes) return DORLIK_E_PARAMETER;
    std::shared_ptr<Mapping> m = CurrentMapping();
    if (!m) return DORLIK_E_NO_STORE;
    bool changed = false;
    {
        StoreLock lock(*m);
        int p = FindPrinter(*m, printer, true);
        if (p < 0) return DORLIK_E_NO_STORE;
        if (defaults) Defaults(*m, static_cast<uint32_t>(p), printer);
        if (WriteVariable(*m, static_cast<uint32_t>(p), name, value, size, &changed, true) < 0)
            return DORLIK_E_NO_STORE;
    }
    if (!changed) return DORLIK_OK;
    WakeWaiters(*m);
    std::vector<PendingCallback> callbacks;
    {
        LocalState& s = local();
        std::lock_guard<std::mutex> g(s.lock);
        DeliverChanges(*m, s, &callbacks);
    }
    RunCallbacks(callbacks);
    return DORLIK_OK;
}

// The printer of a manager handle of this process.
bool ManagerPrinter(HANDLE manager, std::u16string* printer) {
    LocalState& s = local();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.managers.find(reinterpret_cast<ULONG_PTR>(manager));
    if (it == s.managers.end()) return false;
    *printer = it->second.printer;
    return true;
}

LONG Update(HANDLE manager, const std::string& name, const void* value, DWORD size) {
    std::u16string printer;
    if (!ManagerPrinter(manager, &printer)) return DORLIK_E_HANDLE;
    return Publish(printer, name, value, size, false);
}

LONG Get(HANDLE manager, const std::string& name, void* buffer, DWORD size, DWORD* returned) {
    if (returned) *returned = 0;
    if (name.empty()) return DORLIK_E_PARAMETER;
    std::u16string printer;
    if (!ManagerPrinter(manager, &printer)) return DORLIK_E_HANDLE;
    return ReadFromStore(printer, name, buffer, size, returned);
}

bool SplitNames(LPCSTR names, DWORD count, std::vector<std::string>* out) {
    std::string list(names);
    size_t start = 0;
    while (start <= list.size()) {
        size_t semi = list.find(';', start);
        std::string one = list.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
        if (!one.empty()) out->push_back(one);
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    return out->size() == count;
}

LONG Register(HANDLE manager, Registration r, DWORD* cookie) {
    std::shared_ptr<Mapping> m = CurrentMapping();
    if (!m) return DORLIK_E_NO_STORE;
    LocalState& s = local();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.managers.find(reinterpret_cast<ULONG_PTR>(manager));
    if (it == s.managers.end()) return DORLIK_E_HANDLE;
    r.manager = manager;
    r.printer = it->second.printer;
    r.cookie = s.nextCookie++;
    StartFrom(*m, r);
    *cookie = r.cookie;
    s.registrations.push_back(std::move(r));
    return DORLIK_OK;
}

LONG Unregister(HANDLE manager, DWORD cookie) {
    LocalState& s = local();
    std::lock_guard<std::mutex> g(s.lock);
    if (s.managers.count(reinterpret_cast<ULONG_PTR>(manager)) == 0) return DORLIK_E_HANDLE;
    for (auto it = s.registrations.begin(); it != s.registrations.end(); ++it) {
        if (it->cookie != cookie || it->manager != manager) continue;
        s.registrations.erase(it);
        s.handlesClosed.notify_all();
        return DORLIK_OK;
    }
    return DORLIK_E_PARAMETER;
}

// Files a refresh request for the manager's printer; DORLIK_E_NOT_SERVED when no live process
// serves it.
LONG FileRequest(HANDLE manager, const std::string& names, RequestKind kind, uint64_t target, UINT message,
                 DWORD* cookie) {
    std::u16string printer;
    if (!ManagerPrinter(manager, &printer)) return DORLIK_E_HANDLE;
    LONG rc = Publish(printer, "RefreshStatus", names.data(), static_cast<DWORD>(names.size()), false);
    if (rc != DORLIK_OK) return rc;
    std::shared_ptr<Mapping> m = CurrentMapping();
    if (!m) return DORLIK_E_NO_STORE;
    {
        StoreLock lock(*m);
        int p = FindPrinter(*m, printer, false);
        if (p < 0 || !ProcessAlive(m->layout->printers[p].serverPid)) return DORLIK_E_NOT_SERVED;
        StoreRequest* slot = nullptr;
        for (StoreRequest& r : m->layout->requests) {
            if (r.state == kRequestFree || !ProcessAlive(r.requesterPid)) {
                slot = &r;
                break;
            }
        }
        if (!slot) return DORLIK_E_NO_STORE;
        std::memset(slot, 0, sizeof *slot);
        slot->cookie = m->layout->header.nextCookie++;
        if (m->layout->header.nextCookie == 0) m->layout->header.nextCookie = 1;
        slot->printer = static_cast<uint32_t>(p);
        slot->requesterPid = ThisProcess();
        slot->kind = kind;
        slot->window = target;
        slot->message = message;
        std::memcpy(slot->names, names.data(), std::min(names.size(), kRequestChars - 1));
        slot->state = kRequestPending;
        *cookie = slot->cookie;
    }
    WakeWaiters(*m);
    return DORLIK_OK;
}

// Hands back a finished request's result and frees it.
LONG CollectRequest(Mapping& m, DWORD cookie, LONG* result) {
    StoreLock lock(m);
    for (StoreRequest& r : m.layout->requests) {
        if (r.state == kRequestFree || r.cookie != cookie || r.requesterPid != ThisProcess()) continue;
        if (r.state != kRequestDone) return DORLIK_E_PENDING;
        *result = r.result;
        r.state = kRequestFree;
        return DORLIK_OK;
    }
    return DORLIK_E_PARAMETER;
}

void DropRequest(Mapping& m, DWORD cookie) {
    StoreLock lock(m);
    for (StoreRequest& r : m.layout->requests)
        if (r.cookie == cookie && r.requesterPid == ThisProcess()) r.state = kRequestFree;
}

}  // namespace

namespace dorlik {

LocalState& local() {
    std::lock_guard<std::mutex> g(g_localLock);
    if (g_local == nullptr) g_local = new LocalState;
    return *g_local;
}

void FreeLocalStateIfIdle() {
    std::lock_guard<std::mutex> g(g_localLock);
    if (g_local && !g_local->serviceStarted) {
        delete g_local;
        g_local = nullptr;
    }
}

}  // namespace dorlik

DLLEXPORT LONG WINAPI OpenManagerExW(LPCWSTR printer, LPCWSTR client, DWORD mode, HANDLE* manager) {
    if (manager) *manager = nullptr;
    if (printer == nullptr || printer[0] == 0 || manager == nullptr) return DORLIK_E_PARAMETER;
    std::u16string name(printer);
    if (name.size() >= kPrinterChars) return DORLIK_E_PARAMETER;
    std::shared_ptr<Mapping> m = CurrentMapping();
    if (!m) return DORLIK_E_NO_STORE;
    bool monitor = mode == DORLIK_MODE_MONITOR && client && std::u16string_view(client) == DORLIK_MONITOR_CLIENT;
    LocalState& s = local();
    std::lock_guard<std::mutex> g(s.lock);
    {
        StoreLock lock(*m);
        int p = FindPrinter(*m, name, true);
        if (p < 0) return DORLIK_E_NO_STORE;
        Defaults(*m, static_cast<uint32_t>(p), name);
        if (monitor) m->layout->printers[p].serverPid = ThisProcess();
    }
    if (monitor) ++s.served[name];
    s.nextHandle += 4;
    s.managers[s.nextHandle] = Manager{name, mode, monitor};
    *manager = reinterpret_cast<HANDLE>(s.nextHandle);
    EnsureServiceThread(s);
    return DORLIK_OK;
}

DLLEXPORT LONG WINAPI CloseManager(HANDLE manager) {
    LocalState& s = local();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.managers.find(reinterpret_cast<ULONG_PTR>(manager));
    if (it == s.managers.end()) return DORLIK_E_HANDLE;
    std::erase_if(s.registrations, [&](const Registration& r) { return r.manager == manager; });
    if (it->second.monitor && --s.served[it->second.printer] == 0) {
        s.served.erase(it->second.printer);
        if (std::shared_ptr<Mapping> m = CurrentMapping()) {
            StoreLock lock(*m);
            int p = FindPrinter(*m, it->second.printer, false);
            if (p >= 0 && m->layout->printers[p].serverPid == ThisProcess()) m->layout->printers[p].serverPid = 0;
        }
    }
    s.managers.erase(it);
    s.handlesClosed.notify_all();
    return DORLIK_OK;
}

DLLEXPORT LONG WINAPI GetPrinterStatusA(HANDLE manager, LPCSTR name, void* buffer, DWORD size, DWORD* returned) {
    return Get(manager, name ? name : "", buffer, size, returned);
}

DLLEXPORT LONG WINAPI GetPrinterStatusW(HANDLE manager, LPCWSTR name, void* buffer, DWORD size, DWORD* returned) {
    return Get(manager, Narrow(name), buffer, size, returned);
}

DLLEXPORT LONG WINAPI UpdatePrinterStatusA(HANDLE manager, LPCSTR name, const void* value, DWORD size) {
    return Update(manager, name ? name : "", value, size);
}

DLLEXPORT LONG WINAPI UpdatePrinterStatusW(HANDLE manager, LPCWSTR name, const void* value, DWORD size) {
    return Update(manager, Narrow(name), value, size);
}

DLLEXPORT LONG WINAPI SetNotificationEventExA(HANDLE manager, DWORD count, LPCSTR names, HANDLE* events,
                                              DWORD* cookie) {
    if (names == nullptr || events == nullptr || cookie == nullptr || count == 0 || count > kMaxNotifications)
        return DORLIK_E_PARAMETER;
    Registration r;
    if (!SplitNames(names, count, &r.names)) return DORLIK_E_PARAMETER;
    r.events.assign(events, events + count);
    return Register(manager, std::move(r), cookie);
}

DLLEXPORT LONG WINAPI KillNotificationEvent(HANDLE manager, DWORD cookie) {
    return Unregister(manager, cookie);
}

DLLEXPORT LONG WINAPI SetNotificationEventA(HANDLE manager, LPCSTR name, HANDLE event, DWORD* cookie) {
    HANDLE events[1] = {event};
    return SetNotificationEventExA(manager, 1, name, events, cookie);
}

DLLEXPORT LONG WINAPI SetNotificationCallbackExA(HANDLE manager, DWORD count, LPCSTR names,
                                                 PFN_DorlikNotificationCallback callback, void* context,
                                                 DWORD* cookie) {
    if (names == nullptr || callback == nullptr || cookie == nullptr || count == 0 || count > kMaxNotifications)
        return DORLIK_E_PARAMETER;
    Registration r;
    if (!SplitNames(names, count, &r.names)) return DORLIK_E_PARAMETER;
    r.callback = callback;
    r.context = context;
    return Register(manager, std::move(r), cookie);
}

DLLEXPORT LONG WINAPI KillNotificationCallback(HANDLE manager, DWORD cookie) {
    return Unregister(manager, cookie);
}

DLLEXPORT LONG WINAPI SetReqPrinterStatusMsgW(HANDLE manager, LPCWSTR variable, LPCWSTR names, DWORD size, HWND window,
                                              UINT message, DWORD* cookie) {
    if (cookie) *cookie = 0;
    if (!variable || !names || !cookie || !window || size < sizeof(WCHAR)) return DORLIK_E_PARAMETER;
    return FileRequest(manager, RequestText(names, size), kRequestMessage, reinterpret_cast<uint64_t>(window), message,
                       cookie);
}

DLLEXPORT LONG WINAPI SetReqPrinterStatusEventA(HANDLE manager, LPCSTR variable, LPCSTR names, DWORD size, HANDLE event,
                                                DWORD* cookie) {
    if (cookie) *cookie = 0;
    if (!variable || !names || !cookie || !event || size == 0) return DORLIK_E_PARAMETER;
    std::string text(names, strnlen(names, size));
    return FileRequest(manager, text + '\0', kRequestEvent, reinterpret_cast<uint64_t>(event), 0, cookie);
}

DLLEXPORT LONG WINAPI ResSetPrinterStatus(HANDLE manager, DWORD cookie, LONG* result) {
    if (result) *result = 0;
    std::u16string printer;
    if (!ManagerPrinter(manager, &printer)) return DORLIK_E_HANDLE;
    if (!result) return DORLIK_E_PARAMETER;
    std::shared_ptr<Mapping> m = CurrentMapping();
    return m ? CollectRequest(*m, cookie, result) : DORLIK_E_NO_STORE;
}

DLLEXPORT LONG WINAPI SetPrinterStatusDirectW(HANDLE manager, LPCWSTR variable, LPCWSTR names, DWORD size) {
    if (!variable || !names || size < sizeof(WCHAR)) return DORLIK_E_PARAMETER;
    DWORD cookie = 0;
    LONG rc = FileRequest(manager, RequestText(names, size), kRequestDirect, 0, 0, &cookie);
    if (rc != DORLIK_OK) return rc;
    std::shared_ptr<Mapping> m = CurrentMapping();
    if (!m) return DORLIK_E_NO_STORE;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(DORLIK_DIRECT_WAIT_MS);
    while (std::chrono::steady_clock::now() < until) {
        uint32_t seen = WakeWord(*m);
        LONG result = 0;
        if (CollectRequest(*m, cookie, &result) == DORLIK_OK) return result;
        WaitForChange(*m, seen, 100);
    }
    DropRequest(*m, cookie);
    return DORLIK_E_TIMEOUT;
}

// ---- test-side reader ----

DLLEXPORT LONG WINAPI DorlikReadVariable(LPCWSTR printer, LPCSTR name, void* buffer, DWORD size, DWORD* returned) {
    if (returned) *returned = 0;
    if (printer == nullptr || name == nullptr) return DORLIK_E_PARAMETER;
    return ReadFromStore(printer, name, buffer, size, returned);
}

DLLEXPORT LONG WINAPI DorlikReadHistory(LPCWSTR printer, LPCSTR name, DWORD back, void* buffer, DWORD size,
                                        DWORD* returned) {
    if (returned) *returned = 0;
    if (printer == nullptr || name == nullptr) return DORLIK_E_PARAMETER;
    std::shared_ptr<Mapping> m = CurrentMapping();
    if (!m) return DORLIK_E_NO_STORE;
    std::string value;
    {
        StoreLock lock(*m);
        int p = FindPrinter(*m, printer, false);
        int v = p < 0 ? -1 : FindVariable(*m, static_cast<uint32_t>(p), name);
        if (v < 0 || !HistoryValue(*m, static_cast<uint32_t>(v), back, &value)) return DORLIK_E_NO_VARIABLE;
    }
    return CopyOut(reinterpret_cast<const unsigned char*>(value.data()), static_cast<DWORD>(value.size()), buffer, size,
                   returned);
}

DLLEXPORT DWORD WINAPI DorlikUpdateCount(LPCWSTR printer, LPCSTR name) {
    if (printer == nullptr || name == nullptr) return 0;
    std::shared_ptr<Mapping> m = CurrentMapping();
    if (!m) return 0;
    StoreLock lock(*m);
    int p = FindPrinter(*m, printer, false);
    int v = p < 0 ? -1 : FindVariable(*m, static_cast<uint32_t>(p), name);
    return v < 0 ? 0 : m->layout->variables[v].updates;
}

DLLEXPORT LONG WINAPI DorlikWriteVariable(LPCWSTR printer, LPCSTR name, const void* value, DWORD size) {
    if (printer == nullptr || printer[0] == 0 || name == nullptr) return DORLIK_E_PARAMETER;
    return Publish(printer, name, value, size, true);
}

DLLEXPORT DWORD WINAPI DorlikOpenHandles(void) {
    LocalState& s = local();
    std::lock_guard<std::mutex> g(s.lock);
    return static_cast<DWORD>(s.managers.size() + s.registrations.size());
}

DLLEXPORT BOOL WINAPI DorlikWaitOpenHandlesAtMost(DWORD count, DWORD wallMs) {
    LocalState& s = local();
    std::unique_lock<std::mutex> g(s.lock);
    return s.handlesClosed.wait_for(g, std::chrono::milliseconds(wallMs),
                                    [&] { return s.managers.size() + s.registrations.size() <= count; });
}

DLLEXPORT void WINAPI DorlikReset(void) {
    LocalState& s = local();
    std::lock_guard<std::mutex> g(s.lock);
    s.managers.clear();
    s.registrations.clear();
    s.handlesClosed.notify_all();
    s.served.clear();
    if (std::shared_ptr<Mapping> m = CurrentMapping()) {
        {
            StoreLock lock(*m);
            ClearStore(*m);
        }
        WakeWaiters(*m);
    }
}

DLLEXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) local().module = instance;
    if (reason == DLL_PROCESS_DETACH) FreeLocalStateIfIdle();
    return TRUE;
}
