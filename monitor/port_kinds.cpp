// Port kinds: name rules, the spooler's port list and the registry decide how a port is treated.
#include "monitor/port_kinds.h"

#include <cstring>
#include <string_view>

#include "core/ansi_text.h"
#include "win/nls.h"
#include "win/registry.h"

namespace {

constexpr LPCWSTR kStdTcpIpPorts = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
constexpr LPCWSTR kDpuTcpIpPorts = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\QEV TCP/IP DPU Port\\Ports";
constexpr LPCWSTR kMultifunctionAdapter = u"HARDWARE\\DESCRIPTION\\System\\MultifunctionAdapter";
constexpr DWORD kLegacyKeyboardBits = 0xD00;

size_t Length(LPCWSTR s) {
    size_t n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}

BOOL BeginsNoCase(LPCWSTR name, std::u16string_view prefix) {
    return Length(name) >= prefix.size() && EqualsNoCaseW(name, prefix.data(), prefix.size());
}

BOOL IsNumberedPort(LPCWSTR name, std::u16string_view prefix) {
    return Length(name) >= 4 && BeginsNoCase(name, prefix) && name[3] >= u'1' && name[3] <= u'9';
}

// A subkey of the key has exactly the port's name (compared in the system code page).
BOOL PortKeyListed(LPCWSTR keyPath, LPCWSTR name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
    char wanted[513] = {};
    orla::CopyAnsiText(orla::WideView(name), wanted, sizeof wanted);
    BOOL found = FALSE;
    for (DWORD i = 0; !found; ++i) {
        WCHAR sub[513] = {};
        DWORD count = 512;
        if (RegEnumKeyExW(key, i, sub, &count, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        char subA[513] = {};
        orla::CopyAnsiText(orla::WideView(sub), subA, sizeof subA);
        found = std::strcmp(subA, wanted) == 0;
    }
    RegCloseKey(key);
    return found;
}

// EnumPortsW level 2 into a heap buffer; the enumeration is tried twice, 300 ms apart.
BYTE* EnumPorts2(DWORD* count) {
    *count = 0;
    DWORD needed = 0, returned = 0;
    if (EnumPortsW(nullptr, 2, nullptr, 0, &needed, &returned) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        Sleep(300);
        needed = 0;
        if (EnumPortsW(nullptr, 2, nullptr, 0, &needed, &returned) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            needed = 3072;
        }
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt) Sleep(300);
        BYTE* buffer = static_cast<BYTE*>(MonAlloc(needed));
        if (!buffer) return nullptr;
        DWORD got = 0;
        if (EnumPortsW(nullptr, 2, buffer, needed, &needed, &got)) {
            *count = got;
            return buffer;
        }
        MonFree(buffer);
    }
    return nullptr;
}

}  // namespace

BOOL IsLptPort(LPCWSTR name) {
    return IsNumberedPort(name, u"LPT");
}
BOOL IsComPort(LPCWSTR name) {
    return IsNumberedPort(name, u"COM");
}

BOOL IsUsbPort(LPCWSTR name) {
    if (BeginsNoCase(name, u"QEVUSB")) return TRUE;
    if (Length(name) < 6 || !BeginsNoCase(name, u"USB")) return FALSE;
    DWORD number = 0;
    size_t i = 3;
    for (; name[i] >= u'0' && name[i] <= u'9' && i < 12; ++i) number = number * 10 + (name[i] - u'0');
    return i > 3 && number >= 1 && number <= 128;
}

BOOL IsUncServerShare(LPCWSTR name) {
    if (Length(name) < 2 || name[0] != u'\\' || name[1] != u'\\') return FALSE;
    int further = 0;
    for (size_t i = 2; name[i]; ++i)
        if (name[i] == u'\\') ++further;
    return further == 1;
}

BOOL IsStandardTcpIpPort(LPCWSTR name) {
    if (!IsVistaOrLater()) return PortKeyListed(kStdTcpIpPorts, name);
    DWORD count = 0;
    BYTE* buffer = EnumPorts2(&count);
    if (!buffer) return FALSE;
    BOOL found = FALSE;
    auto* info = reinterpret_cast<PORT_INFO_2W*>(buffer);
    for (DWORD i = 0; i < count && !found; ++i) {
        if (!info[i].pPortName || !info[i].pMonitorName) continue;
        found = lstrcmpW(info[i].pPortName, name) == 0 && BeginsNoCase(info[i].pMonitorName, u"TCPMON.DLL");
    }
    MonFree(buffer);
    return found;
}

BOOL IsDpuTcpIpPort(LPCWSTR name) {
    return PortKeyListed(kDpuTcpIpPorts, name);
}

BOOL FindPortInEnumPorts(LPCWSTR name, BOOL usb) {
    DWORD count = 0;
    BYTE* buffer = EnumPorts2(&count);
    if (!buffer) return FALSE;
    BOOL result = TRUE;
    auto* info = reinterpret_cast<PORT_INFO_2W*>(buffer);
    for (DWORD i = 0; i < count; ++i) {
        if (info[i].pPortName && lstrcmpiW(info[i].pPortName, name) == 0) {
            result = usb ? info[i].fPortType == 0 : info[i].fPortType == PORT_TYPE_WRITE;
            break;
        }
    }
    MonFree(buffer);
    return result;
}

namespace {

// On the maker's legacy PC hardware a parallel port reads back only when its controller
// entry carries a port resource of more than 255 bytes.
BOOL LegacyControllerReadsBack(LPCWSTR name) {
    WCHAR wanted[16] = u"PARALLEL";
    wanted[8] = name[3];
    HKEY adapters = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMultifunctionAdapter, 0, KEY_READ, &adapters) != ERROR_SUCCESS) return FALSE;
    BOOL found = FALSE;
    for (DWORD a = 0; !found; ++a) {
        WCHAR adapter[257] = {};
        DWORD len = 256;
        if (RegEnumKeyExW(adapters, a, adapter, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        WCHAR path[600] = {};
        lstrcpynW(path, adapter, 257);
        lstrcatW(path, u"\\ParallelController");
        HKEY controllers = nullptr;
        if (RegOpenKeyExW(adapters, path, 0, KEY_READ, &controllers) != ERROR_SUCCESS) continue;
        for (DWORD c = 0; !found; ++c) {
            WCHAR entry[257] = {};
            DWORD elen = 256;
            if (RegEnumKeyExW(controllers, c, entry, &elen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            HKEY key = nullptr;
            if (RegOpenKeyExW(controllers, entry, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
            WCHAR identifier[64] = {};
            DWORD size = sizeof identifier - sizeof(WCHAR);
            DWORD type = 0;
            if (RegQueryValueExW(key, u"Identifier", nullptr, &type, reinterpret_cast<BYTE*>(identifier), &size) ==
                    ERROR_SUCCESS &&
                lstrcmpW(identifier, wanted) == 0) {
                BYTE data[512] = {};
                DWORD dsize = sizeof data;
                // The resource descriptor: first DWORD 0x00010101, then its length.
                if (RegQueryValueExW(key, u"Configuration Data", nullptr, &type, data, &dsize) == ERROR_SUCCESS &&
                    dsize >= 8) {
                    DWORD first = 0, length = 0;
                    std::memcpy(&first, data, 4);
                    std::memcpy(&length, data + 4, 4);
                    found = first == 0x00010101 && length > 255;
                }
            }
            RegCloseKey(key);
        }
        RegCloseKey(controllers);
    }
    RegCloseKey(adapters);
    return found;
}

}  // namespace

BOOL IsParallelBidiCapable(LPCWSTR name) {
    DWORD off = 0;
    if (ReadMonitorDword(name, &off) && (off & 1)) return FALSE;
    DWORD subtype = static_cast<DWORD>(GetKeyboardType(1));
    if ((subtype & kLegacyKeyboardBits) != kLegacyKeyboardBits) return TRUE;
    return LegacyControllerReadsBack(name);
}

DWORD DetectPortKind(PortRecord* port) {
    LPCWSTR name = port->portName;
    DWORD kind = kKindPort;
    if (IsStandardTcpIpPort(name)) return kind | kKindStdTcpip | kKindBidi;
    if (IsDpuTcpIpPort(name)) kind |= kKindDpuTcpip | kKindBidi;
    if (IsUsbPort(name) && (IsVistaOrLater() || FindPortInEnumPorts(name, TRUE))) kind |= kKindLocal | kKindBidi;
    if (IsLptPort(name) && (IsVistaOrLater() || FindPortInEnumPorts(name, FALSE))) {
        WCHAR remote[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        if (WNetGetConnectionW(name, remote, &length) != NO_ERROR) {
            kind = kKindPort | kKindLocal;
            if (IsParallelBidiCapable(name)) {
                kind |= kKindBidi;
                port->sleepAfterFailedHeader = -1;
            }
            return kind;
        }
        kind |= kKindRedirected;
    }
    if (kind & (kKindLocal | kKindDpuTcpip | kKindRedirected)) return kind;
    if (!IsComPort(name)) return kind | (IsUncServerShare(name) ? kKindRedirected : kKindOtherLocal);
    return kind | kKindSerial;
}

BOOL SetParallelTimeouts(PortRecord* port) {
    if (!port->lower.pfnSetPortTimeOuts) return FALSE;
    COMMTIMEOUTS cto{10, 0, 100, 0, 0};
    if (IsLptPort(port->portName) &&
        (static_cast<DWORD>(GetKeyboardType(1)) & kLegacyKeyboardBits) == kLegacyKeyboardBits) {
        cto.ReadTotalTimeoutConstant = 1001;
    }
    return port->lower.pfnSetPortTimeOuts(port->lowerPort, &cto, 0);
}
