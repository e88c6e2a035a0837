// Dorlik.DLL stand-in: one set of named status variables per printer name, shared by every
// client in the process; publishing a changed value signals the events registered for it.
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "outside/dorlik/dorlik_api.h"
#include "win/kernel.h"

namespace {

struct Variable {
    std::string value;
    DWORD updates = 0;
    std::deque<std::string> history;  // the last values published, newest first (tests)
};

constexpr size_t kHistory = 1024;

struct Notification {
    DWORD cookie;
    std::vector<std::string> names;
    std::vector<HANDLE> events;
};

struct Printer {
    std::map<std::string, Variable> variables;
    std::vector<Notification> notifications;
};

struct Manager {
    std::u16string printer;
    DWORD mode = 0;
};

struct State {
    std::mutex lock;
    std::map<std::u16string, Printer> printers;  // by printer name
    std::map<ULONG_PTR, Manager> managers;
    ULONG_PTR nextHandle = 0x4000;
    DWORD nextCookie = 1;
};

// The process state lives from the first call to the library's unload: freed at detach, since
// nothing can reach it once the library is gone.
State* g_state = nullptr;

std::mutex g_stateLock;

State& state() {
    std::lock_guard<std::mutex> g(g_stateLock);
    if (g_state == nullptr) g_state = new State;
    return *g_state;
}

std::string Narrow(LPCWSTR text) {
    std::string s;
    for (; text && *text; ++text) s += *text < 0x80 ? static_cast<char>(*text) : '?';
    return s;
}

std::string Bytes(const void* p, size_t n) {
    return std::string(static_cast<const char*>(p), n);
}

void Defaults(const std::u16string& name, Printer& printer) {
    auto set = [&](const char* key, std::string value) {
        if (printer.variables.count(key) == 0) printer.variables[key].value = std::move(value);
    };
    std::string printerName(520, '\0');  // UTF-16 text in 520 bytes
    memcpy(printerName.data(), name.data(), std::min<size_t>(name.size(), 259) * 2);
    set("PrinterName", printerName);
    set("Port", std::string(516, '\0'));  // no port claim: any port may bind the printer
    set("TerminateManager", std::string(4, '\0'));
    set("RefreshStatus", std::string(4, '\0'));
}

Manager* FindManager(State& s, HANDLE h) {
    auto it = s.managers.find(reinterpret_cast<ULONG_PTR>(h));
    return it == s.managers.end() ? nullptr : &it->second;
}

LONG Read(Printer& p, const std::string& name, void* buffer, DWORD size, DWORD* returned) {
    auto it = p.variables.find(name);
    if (it == p.variables.end()) return DORLIK_E_NO_VARIABLE;
    DWORD needed = static_cast<DWORD>(it->second.value.size());
    if (returned) *returned = needed;
    if (size < needed || (buffer == nullptr && needed > 0))
        return size == 0 ? DORLIK_E_SMALL_QUERY : DORLIK_E_SMALL_BUFFER;
    if (needed > 0) memcpy(buffer, it->second.value.data(), needed);
    return DORLIK_OK;
}

// Caller holds the lock; the events are set after it is released.
std::vector<HANDLE> Write(Printer& p, const std::string& name, const void* value, DWORD size) {
    Variable& v = p.variables[name];
    std::string bytes = size ? Bytes(value, size) : std::string();
    bool changed = v.value != bytes;
    v.value = std::move(bytes);
    ++v.updates;
    v.history.push_front(v.value);
    if (v.history.size() > kHistory) v.history.pop_back();
    std::vector<HANDLE> wake;
    if (!changed) return wake;
    for (const auto& n : p.notifications) {
        for (size_t i = 0; i < n.names.size() && i < n.events.size(); ++i) {
            if (n.names[i] == name) wake.push_back(n.events[i]);
        }
    }
    return wake;
}

LONG Update(HANDLE manager, const std::string& name, const void* value, DWORD size) {
    if (name.empty() || (value == nullptr && size > 0)) return DORLIK_E_PARAMETER;
    std::vector<HANDLE> wake;
    {
        State& s = state();
        std::lock_guard<std::mutex> g(s.lock);
        Manager* m = FindManager(s, manager);
        if (m == nullptr) return DORLIK_E_HANDLE;
        wake = Write(s.printers[m->printer], name, value, size);
    }
    for (HANDLE e : wake) SetEvent(e);  // a closed event is simply not signalled
    return DORLIK_OK;
}

LONG Get(HANDLE manager, const std::string& name, void* buffer, DWORD size, DWORD* returned) {
    if (returned) *returned = 0;
    if (name.empty()) return DORLIK_E_PARAMETER;
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    Manager* m = FindManager(s, manager);
    if (m == nullptr) return DORLIK_E_HANDLE;
    return Read(s.printers[m->printer], name, buffer, size, returned);
}

}  // namespace

DLLEXPORT LONG WINAPI OpenManagerExW(LPCWSTR printer, LPCWSTR client, DWORD mode, HANDLE* manager) {
    if (manager) *manager = nullptr;
    if (printer == nullptr || printer[0] == 0 || manager == nullptr) return DORLIK_E_PARAMETER;
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    std::u16string name(printer);
    Defaults(name, s.printers[name]);
    s.nextHandle += 4;
    s.managers[s.nextHandle] = Manager{name, mode};
    *manager = reinterpret_cast<HANDLE>(s.nextHandle);
    return DORLIK_OK;
}

DLLEXPORT LONG WINAPI CloseManager(HANDLE manager) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    return s.managers.erase(reinterpret_cast<ULONG_PTR>(manager)) ? DORLIK_OK : DORLIK_E_HANDLE;
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

// names: "a;b;c" with `count` names, events[i] signalled when the i-th variable changes.
DLLEXPORT LONG WINAPI SetNotificationEventExA(HANDLE manager, DWORD count, LPCSTR names, HANDLE* events,
                                              DWORD* cookie) {
    if (names == nullptr || events == nullptr || cookie == nullptr || count == 0 || count > 64)
        return DORLIK_E_PARAMETER;
    Notification n;
    std::string list(names);
    size_t start = 0;
    while (start <= list.size()) {
        size_t semi = list.find(';', start);
        std::string one = list.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
        if (!one.empty()) n.names.push_back(one);
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    if (n.names.size() != count) return DORLIK_E_PARAMETER;
    n.events.assign(events, events + count);
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    Manager* m = FindManager(s, manager);
    if (m == nullptr) return DORLIK_E_HANDLE;
    n.cookie = s.nextCookie++;
    *cookie = n.cookie;
    s.printers[m->printer].notifications.push_back(std::move(n));
    return DORLIK_OK;
}

DLLEXPORT LONG WINAPI KillNotificationEvent(HANDLE manager, DWORD cookie) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    Manager* m = FindManager(s, manager);
    if (m == nullptr) return DORLIK_E_HANDLE;
    auto& list = s.printers[m->printer].notifications;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->cookie == cookie) {
            list.erase(it);
            return DORLIK_OK;
        }
    }
    return DORLIK_E_PARAMETER;
}

// Bound by the monitor but never called by it; the interface DLL's refresh requests come here.
DLLEXPORT LONG WINAPI SetNotificationEventA(HANDLE manager, LPCSTR name, HANDLE event, DWORD* cookie) {
    HANDLE events[1] = {event};
    return SetNotificationEventExA(manager, 1, name, events, cookie);
}

DLLEXPORT LONG WINAPI SetReqPrinterStatusEventA(HANDLE manager, LPCSTR, LPCSTR, DWORD, HANDLE, DWORD* cookie) {
    if (cookie) *cookie = 0;
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    return FindManager(s, manager) ? DORLIK_E_PARAMETER : DORLIK_E_HANDLE;  // no refresh requests are served
}

DLLEXPORT LONG WINAPI SetReqPrinterStatusMsgW(HANDLE manager, LPCWSTR, LPCWSTR, DWORD, HWND, UINT, DWORD* cookie) {
    if (cookie) *cookie = 0;
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    return FindManager(s, manager) ? DORLIK_E_PARAMETER : DORLIK_E_HANDLE;
}

DLLEXPORT LONG WINAPI SetPrinterStatusDirectW(HANDLE manager, LPCWSTR name, LPCWSTR, DWORD) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    if (FindManager(s, manager) == nullptr) return DORLIK_E_HANDLE;
    return name ? DORLIK_OK : DORLIK_E_PARAMETER;
}

DLLEXPORT LONG WINAPI ResSetPrinterStatus(HANDLE manager, DWORD, LONG* result) {
    if (result) *result = 0;
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    return FindManager(s, manager) ? DORLIK_OK : DORLIK_E_HANDLE;
}

DLLEXPORT LONG WINAPI SetNotificationCallbackExA(HANDLE manager, DWORD, LPCSTR, void*, void*, DWORD* cookie) {
    if (cookie) *cookie = 0;
    return manager ? DORLIK_E_PARAMETER : DORLIK_E_HANDLE;  // callbacks are not offered
}

DLLEXPORT LONG WINAPI KillNotificationCallback(HANDLE manager, DWORD) {
    return manager ? DORLIK_E_PARAMETER : DORLIK_E_HANDLE;
}

// ---- test-side reader ----

DLLEXPORT LONG WINAPI DorlikReadVariable(LPCWSTR printer, LPCSTR name, void* buffer, DWORD size, DWORD* returned) {
    if (returned) *returned = 0;
    if (printer == nullptr || name == nullptr) return DORLIK_E_PARAMETER;
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.printers.find(printer);
    if (it == s.printers.end()) return DORLIK_E_NO_VARIABLE;
    return Read(it->second, name, buffer, size, returned);
}

DLLEXPORT LONG WINAPI DorlikReadHistory(LPCWSTR printer, LPCSTR name, DWORD back, void* buffer, DWORD size,
                                        DWORD* returned) {
    if (returned) *returned = 0;
    if (printer == nullptr || name == nullptr) return DORLIK_E_PARAMETER;
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.printers.find(printer);
    if (it == s.printers.end()) return DORLIK_E_NO_VARIABLE;
    auto v = it->second.variables.find(name);
    if (v == it->second.variables.end() || back >= v->second.history.size()) return DORLIK_E_NO_VARIABLE;
    const std::string& value = v->second.history[back];
    DWORD needed = static_cast<DWORD>(value.size());
    if (returned) *returned = needed;
    if (size < needed || (buffer == nullptr && needed > 0))
        return size == 0 ? DORLIK_E_SMALL_QUERY : DORLIK_E_SMALL_BUFFER;
    if (needed > 0) memcpy(buffer, value.data(), needed);
    return DORLIK_OK;
}

DLLEXPORT DWORD WINAPI DorlikUpdateCount(LPCWSTR printer, LPCSTR name) {
    if (printer == nullptr || name == nullptr) return 0;
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.printers.find(printer);
    if (it == s.printers.end()) return 0;
    auto v = it->second.variables.find(name);
    return v == it->second.variables.end() ? 0 : v->second.updates;
}

DLLEXPORT LONG WINAPI DorlikWriteVariable(LPCWSTR printer, LPCSTR name, const void* value, DWORD size) {
    if (printer == nullptr || name == nullptr || (value == nullptr && size > 0)) return DORLIK_E_PARAMETER;
    std::vector<HANDLE> wake;
    {
        State& s = state();
        std::lock_guard<std::mutex> g(s.lock);
        Printer& p = s.printers[printer];
        Defaults(printer, p);
        wake = Write(p, name, value, size);
    }
    for (HANDLE e : wake) SetEvent(e);
    return DORLIK_OK;
}

DLLEXPORT DWORD WINAPI DorlikOpenHandles(void) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    DWORD n = static_cast<DWORD>(s.managers.size());
    for (const auto& p : s.printers) n += static_cast<DWORD>(p.second.notifications.size());
    return n;
}

DLLEXPORT void WINAPI DorlikReset(void) {
    State& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.printers.clear();
    s.managers.clear();
}

DLLEXPORT BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH) {
        std::lock_guard<std::mutex> g(g_stateLock);
        delete g_state;
        g_state = nullptr;
    }
    return TRUE;
}
