// The spooler's server side that print monitors call: the port list (EnumPortsW), port status
// (SetPortW level 3), the client identity switch, the service control manager's view of
// installed services, and the socket library's start-up count.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "handle_table.h"
#include "plat/monitor_host.h"
#include "plat_internal.h"
#include "spool_internal.h"
#include "win/kernel.h"
#include "win/monitor.h"
#include "win/registry.h"

namespace plat {
namespace {

constexpr DWORD kWsaVersionNotSupported = 10092;
constexpr DWORD kWsaNotInitialised = 10093;

struct PortEntry {
    std::u16string name;
    std::u16string monitor;
    std::u16string description;
    DWORD type = 0;
    DWORD status = 0;
    DWORD severity = 0;
    std::u16string statusText;
    DWORD updates = 0;
};

struct Spooler {
    std::mutex lock;
    std::vector<PortEntry> ports;
    std::set<std::u16string> services;  // folded names
    LONG socketUsers = 0;
    std::vector<std::pair<std::u16string, std::u16string>> connections;  // local name, remote name
    int keyboardType = 4;                                                // enhanced 101/102-key keyboard
    int keyboardSubType = 0;
};

Spooler& spooler() {
    static Spooler* s = new Spooler;
    return *s;
}

PortEntry* FindPort(Spooler& s, std::u16string_view name) {
    for (auto& p : s.ports) {
        if (EqualNoCase(p.name, name)) return &p;
    }
    return nullptr;
}

struct TokenObject : KernelObject {};
struct ServiceObject : KernelObject {
    bool manager = false;
};
std::atomic<DWORD> g_openTokens{0};

// Strings of a level-1/2 record are packed at the end of the caller's buffer, as the spooler does.
size_t StringBytes(const std::u16string& s) {
    return (s.size() + 1) * sizeof(WCHAR);
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

BOOL PlatAddPort(LPCWSTR portName, LPCWSTR monitorName, LPCWSTR description, DWORD portType) {
    if (portName == nullptr || portName[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    PortEntry* p = FindPort(s, portName);
    if (p == nullptr) {
        s.ports.push_back({});
        p = &s.ports.back();
    }
    p->name = portName;
    p->monitor = monitorName ? monitorName : u"";
    p->description = description ? description : u"";
    p->type = portType;
    return TRUE;
}

BOOL PlatRemovePort(LPCWSTR portName) {
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = std::find_if(s.ports.begin(), s.ports.end(),
                           [&](const PortEntry& p) { return portName && EqualNoCase(p.name, portName); });
    if (it == s.ports.end()) {
        SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    s.ports.erase(it);
    return TRUE;
}

BOOL PlatGetPortStatus(LPCWSTR portName, DWORD* status, DWORD* severity, DWORD* updates) {
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    PortEntry* p = portName ? FindPort(s, portName) : nullptr;
    if (p == nullptr) {
        SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    if (status) *status = p->status;
    if (severity) *severity = p->severity;
    if (updates) *updates = p->updates;
    return TRUE;
}

void PlatSetServiceInstalled(LPCWSTR serviceName, BOOL installed) {
    if (serviceName == nullptr) return;
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    if (installed) {
        s.services.insert(Fold(serviceName));
    } else {
        s.services.erase(Fold(serviceName));
    }
}

DWORD PlatOpenImpersonationTokens(void) {
    return g_openTokens.load();
}

LONG PlatSocketLibraryUsers(void) {
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    return s.socketUsers;
}

BOOL SetPortW(LPWSTR pName, LPWSTR pPortName, DWORD dwLevel, LPBYTE pPortInfo) {
    if (pName != nullptr && pName[0] != 0) {
        SetLastError(ERROR_INVALID_NAME);  // only the local spooler is here
        return FALSE;
    }
    if (dwLevel != 3) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (pPortName == nullptr || pPortInfo == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* info = reinterpret_cast<const PORT_INFO_3W*>(pPortInfo);
    if (info->dwSeverity > PORT_STATUS_TYPE_INFO) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    PortEntry* p = FindPort(s, pPortName);
    if (p == nullptr) {
        SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    p->status = info->dwStatus;
    p->severity = info->dwSeverity;
    p->statusText = info->dwStatus == 0 && info->pszStatus ? info->pszStatus : u"";
    ++p->updates;
    return TRUE;
}

BOOL EnumPortsW(LPWSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (pcbNeeded == nullptr || pcReturned == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *pcbNeeded = 0;
    *pcReturned = 0;
    if (pName != nullptr && pName[0] != 0) {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    if (Level != 1 && Level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    const size_t record = Level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
    size_t needed = 0;
    for (const auto& p : s.ports) {
        needed += record + StringBytes(p.name);
        if (Level == 2) needed += StringBytes(p.monitor) + StringBytes(p.description);
    }
    *pcbNeeded = static_cast<DWORD>(needed);
    if (pPort == nullptr || cbBuf < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    BYTE* end = pPort + cbBuf;
    auto pack = [&](const std::u16string& text) {
        size_t bytes = StringBytes(text);
        end -= bytes;
        memcpy(end, text.c_str(), bytes);
        return reinterpret_cast<LPWSTR>(end);
    };
    for (size_t i = 0; i < s.ports.size(); ++i) {
        const PortEntry& p = s.ports[i];
        if (Level == 1) {
            PORT_INFO_1W info{pack(p.name)};
            memcpy(pPort + i * record, &info, sizeof info);
        } else {
            PORT_INFO_2W info{};
            info.pPortName = pack(p.name);
            info.pMonitorName = pack(p.monitor);
            info.pDescription = pack(p.description);
            info.fPortType = p.type;
            memcpy(pPort + i * record, &info, sizeof info);
        }
    }
    *pcReturned = static_cast<DWORD>(s.ports.size());
    return TRUE;
}

// The transceive channel of a port, from OpenPrinterW on ",XcvPort <name>". Standard TCP/IP
// ports answer "IPAddress" from their configuration key (the address, or the host name when
// the port was set up with a name); other ports have no channel here.
BOOL XcvDataW(HANDLE hXcv, LPCWSTR pszDataName, PBYTE, DWORD, PBYTE pOutputData, DWORD cbOutputData,
              PDWORD pcbOutputNeeded, PDWORD pdwStatus) {
    auto xcv = plat::HandleGet<plat::XcvPortHandle>(hXcv);
    if (!xcv || !pcbOutputNeeded || !pdwStatus) {
        if (pcbOutputNeeded) *pcbOutputNeeded = 0;
        if (pdwStatus) *pdwStatus = ERROR_INVALID_HANDLE;
        SetLastError(xcv ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *pcbOutputNeeded = 0;
    if (!pszDataName || std::u16string_view(pszDataName) != u"IPAddress") {
        *pdwStatus = ERROR_INVALID_PARAMETER;
        return TRUE;
    }
    std::u16string host = plat::StandardTcpPortHost(xcv->port);
    DWORD bytes = static_cast<DWORD>((host.size() + 1) * sizeof(WCHAR));
    *pcbOutputNeeded = bytes;
    if (!pOutputData || cbOutputData < bytes) {
        *pdwStatus = ERROR_INSUFFICIENT_BUFFER;
        return TRUE;
    }
    std::memcpy(pOutputData, host.c_str(), bytes);
    *pdwStatus = NO_ERROR;
    return TRUE;
}

HANDLE RevertToPrinterSelf(void) {
    HANDLE h = HandleInsert(std::make_shared<TokenObject>());
    ++g_openTokens;
    return h;
}

// Takes the token back (and closes it), as the spooler does.
BOOL ImpersonatePrinterClient(HANDLE hToken) {
    if (!HandleGet<TokenObject>(hToken)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    HandleClose(hToken);
    --g_openTokens;
    return TRUE;
}

SC_HANDLE OpenSCManagerW(LPCWSTR lpMachineName, LPCWSTR lpDatabaseName, DWORD) {
    if (lpMachineName != nullptr && lpMachineName[0] != 0) {
        SetLastError(ERROR_INVALID_NAME);  // no remote machines here
        return nullptr;
    }
    if (lpDatabaseName != nullptr && !EqualNoCase(lpDatabaseName, u"ServicesActive")) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    auto manager = std::make_shared<ServiceObject>();
    manager->manager = true;
    return reinterpret_cast<SC_HANDLE>(HandleInsert(manager));
}

SC_HANDLE OpenServiceW(SC_HANDLE hSCManager, LPCWSTR lpServiceName, DWORD) {
    auto manager = HandleGet<ServiceObject>(reinterpret_cast<HANDLE>(hSCManager));
    if (!manager || !manager->manager) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (lpServiceName == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return nullptr;
    }
    {
        Spooler& s = spooler();
        std::lock_guard<std::mutex> g(s.lock);
        if (s.services.count(Fold(lpServiceName)) == 0) {
            SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
            return nullptr;
        }
    }
    return reinterpret_cast<SC_HANDLE>(HandleInsert(std::make_shared<ServiceObject>()));
}

BOOL CloseServiceHandle(SC_HANDLE hSCObject) {
    HANDLE h = reinterpret_cast<HANDLE>(hSCObject);
    if (!HandleGet<ServiceObject>(h)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return HandleClose(h);
}

void PlatSetNetworkConnection(LPCWSTR localName, LPCWSTR remoteName) {
    if (localName == nullptr) return;
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    std::erase_if(s.connections, [&](const auto& c) { return EqualNoCase(c.first, localName); });
    if (remoteName) s.connections.emplace_back(localName, remoteName);
}

void PlatSetKeyboardType(int type, int subType) {
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    s.keyboardType = type;
    s.keyboardSubType = subType;
}

DWORD WNetGetConnectionW(LPCWSTR lpLocalName, LPWSTR lpRemoteName, LPDWORD lpnLength) {
    constexpr DWORD kBadDevice = 1200;
    if (lpLocalName == nullptr || lpLocalName[0] == 0 || lpnLength == nullptr) return kBadDevice;
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    for (const auto& [local, remote] : s.connections) {
        if (!EqualNoCase(local, lpLocalName)) continue;
        DWORD needed = static_cast<DWORD>(remote.size() + 1);
        if (lpRemoteName == nullptr || *lpnLength < needed) {
            *lpnLength = needed;
            return ERROR_MORE_DATA;
        }
        memcpy(lpRemoteName, remote.c_str(), needed * sizeof(WCHAR));
        return NO_ERROR;
    }
    return ERROR_NOT_CONNECTED;
}

int GetKeyboardType(int nTypeFlag) {
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    switch (nTypeFlag) {
        case 0:
            return s.keyboardType;
        case 1:
            return s.keyboardSubType;
        case 2:
            return 12;  // function keys of an enhanced keyboard
        default:
            return 0;
    }
}

int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
    if (lpWSAData == nullptr) return static_cast<int>(ERROR_INVALID_PARAMETER);
    if (LOBYTE(wVersionRequested) < 1) return static_cast<int>(kWsaVersionNotSupported);
    memset(lpWSAData, 0, sizeof *lpWSAData);
    WORD version = LOBYTE(wVersionRequested) > 2 ? MAKEWORD(2, 2) : wVersionRequested;
    lpWSAData->wVersion = version;
    lpWSAData->wHighVersion = MAKEWORD(2, 2);
    strcpy(lpWSAData->szDescription, "Loopback sockets");
    strcpy(lpWSAData->szSystemStatus, "Running");
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    ++s.socketUsers;
    return 0;
}

int WSACleanup(void) {
    Spooler& s = spooler();
    std::lock_guard<std::mutex> g(s.lock);
    if (s.socketUsers <= 0) {
        SetLastError(kWsaNotInitialised);
        return -1;  // SOCKET_ERROR
    }
    --s.socketUsers;
    return 0;
}

}  // extern "C"

// ---- Transceive channels of ports ----
namespace plat {
namespace {
constexpr char16_t kTcpPortsKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";

std::u16string PortValue(HKEY key, LPCWSTR name) {
    WCHAR text[256] = {};
    DWORD size = sizeof text - sizeof(WCHAR);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &size) != ERROR_SUCCESS)
        return {};
    return text;
}
}  // namespace

std::u16string StandardTcpPortHost(const std::u16string& port) {
    HKEY key = nullptr;
    std::u16string path = kTcpPortsKey + port;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    std::u16string host = PortValue(key, u"IPAddress");
    if (host.empty()) host = PortValue(key, u"HostName");
    RegCloseKey(key);
    return host;
}

HANDLE OpenXcvPort(std::u16string_view port) {
    {
        Spooler& s = spooler();
        std::lock_guard<std::mutex> g(s.lock);
        PortEntry* entry = FindPort(s, port);
        if (!entry || !EqualNoCase(entry->monitor, u"TCPMON.DLL")) {
            SetLastError(ERROR_INVALID_PRINTER_NAME);
            return nullptr;
        }
    }
    auto h = std::make_shared<XcvPortHandle>();
    h->port = std::u16string(port);
    return HandleInsert(h);
}

bool CloseXcvPort(HANDLE h) {
    return HandleGet<XcvPortHandle>(h) && HandleClose(h);
}
}  // namespace plat
