// The runner's settings helper, built once per language build: the driver's default settings
// record for a printer, as the core of that build makes it.
#include <cstring>
#include <memory>

#include "core/device_data.h"
#include "core/devmode_field_names.h"
#include "core/settings.h"

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

// ---- The interface DLL's stamp imprint at a page end ----
#include "core/stamp_library.h"

// Draws one stamp record (wide form) on the application's device context in one pass, as the
// interface DLL does after it asked the graphics DLL for it.
extern "C" __attribute__((visibility("default"))) LONG OrlaRunnerDrawStamp(DWORD dc, HANDLE hPrinter,
                                                                           const BYTE* record, LONG pass) {
    return orla::DrawStampsInBand(dc, hPrinter, record, pass, 0);
}
