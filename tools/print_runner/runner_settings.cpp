// The runner's settings helper, built once per language build: the driver's default settings
// record for a printer, as the core of that build makes it.
#include <cstring>
#include <memory>

#include "core/device_data.h"
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
