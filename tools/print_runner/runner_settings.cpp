// The runner's settings helper, built once per language build: the driver's default settings
// record for a printer, as the core of that build makes it, the settings fields by name, and the
// user's stamp list written in that build's stored form.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/ansi_text.h"
#include "core/device_data.h"
#include "core/devmode_field_names.h"
#include "core/settings.h"
#include "core/stamp_record.h"
#include "win/registry.h"

// Returns the record's size; copies it when out holds that many bytes. 0 when the printer's
// device data cannot be had.
extern "C" __attribute__((visibility("default"))) DWORD OrlaRunnerDefaultDevmode(HANDLE hPrinter, BYTE* out,
                                                                                 DWORD size) {
    orla::DeviceDataCacheInit();
    const orla::CompiledDeviceData* data = orla::GetDeviceData(hPrinter);
    if (!data) {
        orla::DeviceDataCacheTerm();
        return 0;
    }
    auto record = std::make_unique<orla::DriverDevmode>();
    orla::SetDefaultDevmode(record.get(), hPrinter, nullptr, data);
    orla::ReleaseDeviceData(data);
    orla::DeviceDataCacheTerm();
    if (out && size >= sizeof(record->bytes)) std::memcpy(out, record->bytes, sizeof(record->bytes));
    return static_cast<DWORD>(sizeof(record->bytes));
}

// The field of the settings record by its dm:: name in this build's layout: 1 with its offset,
// size and kind (0 integer, 1 UTF-16 text, 2 system-code-page text, 3 bytes), 0 for no such field.
extern "C" __attribute__((visibility("default"))) int OrlaRunnerFindField(const char* name, unsigned* offset,
                                                                          unsigned* size, unsigned* kind) {
    const orla::NamedDevmodeField* f = name ? orla::FindDevmodeField(name) : nullptr;
    if (!f) return 0;
    *offset = f->offset;
    *size = f->size;
    *kind = static_cast<unsigned>(f->kind);
    return 1;
}

// ---- The user's stamp list, as the stamp editor stores it ----
// Writes `count` in-memory stamp records (numbered 1 to count) as the printer's stamp list of the
// user, their texts in the system code page. The number of records written: 0 when the printer's
// name or the user's key cannot be had.
extern "C" __attribute__((visibility("default"))) DWORD OrlaRunnerStoreStamps(HANDLE hPrinter, const BYTE* records,
                                                                              DWORD count) {
    std::u16string keyPath;
    if (!records || count == 0 || count > orla::kStampMaxCount || !orla::PrinterStampKey(hPrinter, &keyPath)) return 0;
    std::vector<BYTE> list(records, records + static_cast<size_t>(count) * orla::kStampRecordSize);
    for (DWORD i = 0; i < count; ++i) {
        BYTE* record = list.data() + static_cast<size_t>(i) * orla::kStampRecordSize;
        orla::StampSet(record, orla::stamp::kNumber, i + 1);
        for (const orla::StampTextField& field : orla::stamp::kTextFields) {
            std::u16string text(field.bytes / 2, u'\0');
            std::memcpy(text.data(), record + field.offset, field.bytes);
            text.resize(std::min(text.find(u'\0'), text.size()));
            orla::CopyAnsiText(text, reinterpret_cast<char*>(record + field.offset), field.bytes);
        }
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return 0;
    const LONG rc = RegSetValueExW(key, u"STAMP_Info", 0, REG_BINARY, list.data(), static_cast<DWORD>(list.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? count : 0;
}
