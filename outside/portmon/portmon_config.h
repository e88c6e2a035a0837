// The loopback port monitor's configuration, as it reads it from its registry key
// "Ports\<port name>" below the print monitors' key. Hosts and tests configure a port through
// these writers; nothing else knows the values.
#pragma once

#include <string>

#include "win/base.h"
#include "win/kernel.h"
#include "win/registry.h"

namespace portmon {

inline constexpr char16_t kMonitorsKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
inline constexpr char16_t kAddressValue[] = u"Address";              // REG_SZ "127.0.0.1:<port>"
inline constexpr char16_t kFileValue[] = u"File";                    // REG_SZ Windows path
inline constexpr char16_t kCloseAtEndDocValue[] = u"CloseAtEndDoc";  // REG_DWORD
inline constexpr char16_t kEcpValue[] = u"Ecp";                      // REG_DWORD

namespace detail {
struct KeyClose {
    HKEY key = nullptr;
    ~KeyClose() {
        if (key) RegCloseKey(key);
    }
};
inline HKEY CreatePortKey(LPCWSTR portMonitorName, LPCWSTR portName) {
    const std::u16string path = std::u16string(kMonitorsKey) + portMonitorName + u"\\Ports\\" + portName;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return nullptr;
    return key;
}
inline BOOL SetString(HKEY key, LPCWSTR name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))) == ERROR_SUCCESS;
}
}  // namespace detail

// A TCP port to a loopback address ("127.0.0.1:<port>"); the connection ends with each document
// when closeAtEndDoc is set (raw TCP).
inline BOOL ConfigureLoopbackPort(LPCWSTR portMonitorName, LPCWSTR portName, const char* address, BOOL closeAtEndDoc) {
    if (portMonitorName == nullptr || portName == nullptr || address == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    detail::KeyClose port{detail::CreatePortKey(portMonitorName, portName)};
    if (port.key == nullptr) return FALSE;
    std::u16string text;
    for (const char* c = address; *c; ++c) text += static_cast<char16_t>(static_cast<unsigned char>(*c));
    const DWORD close = closeAtEndDoc ? 1 : 0;
    const BOOL ok = detail::SetString(port.key, kAddressValue, text) &&
                    RegSetValueExW(port.key, kCloseAtEndDocValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&close),
                                   sizeof close) == ERROR_SUCCESS;
    RegDeleteValueW(port.key, kFileValue);
    return ok;
}

// A file port: each document is appended to the file at that Windows path.
inline BOOL ConfigureFilePort(LPCWSTR portMonitorName, LPCWSTR portName, LPCWSTR windowsPath) {
    if (portMonitorName == nullptr || portName == nullptr || windowsPath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    detail::KeyClose port{detail::CreatePortKey(portMonitorName, portName)};
    if (port.key == nullptr) return FALSE;
    return detail::SetString(port.key, kFileValue, windowsPath);
}

}  // namespace portmon
