// The stored stamp list: any bytes as the user's "STAMP_Info" value (or as the printer-data
// copy), read whole and by number and converted to the in-memory form, never reading past the
// value or writing past the 780-byte record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/stamp_record.h"
#include "fuzz_job_pdev.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

HANDLE Printer() {
    static HANDLE printer = [] {
        static FuzzJobPdev context;
        context.Install("stamp-list");
        return context.printer;
    }();
    return printer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HANDLE printer = Printer();
    if (size < 2) return 0;
    const WORD number = static_cast<WORD>(data[0] % 24);
    const bool fromPrinterData = (data[1] & 1) != 0;
    std::u16string key;
    if (!orla::PrinterStampKey(printer, &key)) std::abort();
    HKEY hkey = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey, nullptr);
    if (hkey != nullptr) {
        if (fromPrinterData) {
            RegDeleteValueW(hkey, u"STAMP_Info");
            SetPrinterDataW(printer, const_cast<LPWSTR>(u"STAMP_Info"), REG_BINARY, const_cast<uint8_t*>(data + 2),
                            static_cast<DWORD>(size - 2));
        } else {
            RegSetValueExW(hkey, u"STAMP_Info", 0, REG_BINARY, data + 2, static_cast<DWORD>(size - 2));
        }
        RegCloseKey(hkey);
    }
    std::vector<BYTE> stored = orla::ReadStoredStamps(printer);
    (void)stored;
    std::vector<BYTE> record(orla::kStampRecordSize, 0xA5);
    orla::ReadStampInfo(printer, number, record.data());
    return 0;
}
