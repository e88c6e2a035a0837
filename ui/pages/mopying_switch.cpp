// The per-user switch of the print-time dialog.
#include "ui/pages/mopying_switch.h"

#include <optional>
#include <string>

#include "core/support.h"
#include "ui/entry/printer_data_store.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla {

namespace {

constexpr char16_t kValueName[] = u"MOPYING_UIOpen";

class RegKey {
public:
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() {
        if (h_) RegCloseKey(h_);
    }
    HKEY* out() { return &h_; }
    HKEY get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

// "Software\QEV\MOPYING\" and the printer's name without its leading pair of backslashes; empty
// when the printer's information cannot be had.
std::u16string MopyingKeyPath(HANDLE hPrinter) {
    BYTE* info = GetPrinterInfoAlloc(hPrinter, 2);
    if (!info) return {};
    const auto* p2 = reinterpret_cast<const PRINTER_INFO_2W*>(info);
    std::u16string name = p2->pPrinterName ? p2->pPrinterName : u"";
    GlobalFree(info);
    if (name.starts_with(u"\\\\")) name.erase(0, 2);
    return u"Software\\QEV\\MOPYING\\" + name;
}

}  // namespace

DWORD ReadMopyingUiOpen(HANDLE hPrinter) {
    const std::u16string path = MopyingKeyPath(hPrinter);
    if (path.empty()) return 0;
    RegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS) {
        DWORD value = 0, type = 0, size = sizeof value;
        if (RegQueryValueExW(key.get(), kValueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof value)
            return value;
    }
    return ReadPrinterDword(hPrinter, kValueName).value_or(0);
}

BOOL WriteMopyingUiOpen(HANDLE hPrinter, DWORD value) {
    const std::u16string path = MopyingKeyPath(hPrinter);
    if (path.empty()) return FALSE;
    RegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.out(), nullptr) !=
        ERROR_SUCCESS)
        return FALSE;
    return RegSetValueExW(key.get(), kValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

}  // namespace orla
