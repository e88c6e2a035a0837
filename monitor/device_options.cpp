// Device options: the printer's data behind the "LM_" port queries.
#include "monitor/device_options.h"

#include <algorithm>
#include <cstring>

#include "core/ansi_text.h"
#include "monitor/port_record.h"
#include "win/nls.h"

namespace {

struct OptionTemplate {
    const char* name;
    size_t offset;  // into DeviceData; none for "GetTime"
    LONG size;
};
constexpr size_t kNoOffset = static_cast<size_t>(-1);

// Name, value, size (as the printer's data is kept in the port).
constexpr OptionTemplate kOptionTemplate[kDeviceOptionRows] = {
    {"GetTime", kNoOffset, -1},
    {"LM_SysName", offsetof(DeviceData, model), 32},
    {"LM_MemorySizeInKByte", offsetof(DeviceData, memoryKByte), 4},
    {"LM_MemorySizeInMByte", offsetof(DeviceData, memoryMByte), 4},
    {"LM_RamDisk", offsetof(DeviceData, ramDisk), 2},
    {"LM_DuplexModule", offsetof(DeviceData, duplexUnit), 2},
    {"LM_InputTray", offsetof(DeviceData, trayCount), kInputTrayInitialSize},
};

const DeviceOption* FindOption(PortRecord* port, const char* name) {
    for (const DeviceOption* row = port->device.options; row->size != 0; ++row)
        if (std::strcmp(row->name, name) == 0) return row;
    return nullptr;
}

}  // namespace

void InitDeviceOptions(PortRecord* port) {
    DeviceState& d = port->device;
    if (d.optionsReady) return;
    const BYTE* base = reinterpret_cast<const BYTE*>(&d.data);
    for (DWORD i = 0; i < kDeviceOptionRows; ++i) {
        const OptionTemplate& t = kOptionTemplate[i];
        d.options[i] = DeviceOption{t.name, t.offset == kNoOffset ? nullptr : base + t.offset, t.size};
    }
    d.options[kDeviceOptionRows] = DeviceOption{nullptr, nullptr, 0};
    d.optionsReady = TRUE;
}

void RefreshDeviceOptions(PortRecord* port) {
    InitDeviceOptions(port);
    DeviceState& d = port->device;
    d.getTime = GetTickCount();
    d.options[0].size = 4;
    d.options[0].value = &d.getTime;
    DWORD trays = std::min(d.data.trayCount, kDeviceTrayMax);
    d.options[kDeviceOptionRows - 1].size = static_cast<LONG>(4 + kTrayRecordSize * trays);
}

BOOL IsOptionRefreshDue(PortRecord* port) {
    InitDeviceOptions(port);
    const DeviceState& d = port->device;
    if (d.options[0].size == -1) return TRUE;
    DWORD now = GetTickCount();
    if (now < d.getTime) return TRUE;  // wrapped
    return now - d.getTime >= 1000;
}

BOOL GetDeviceOptionValue(PortRecord* port, LPCWSTR name, BYTE* out, DWORD outSize, DWORD* returned) {
    if (returned) *returned = 0;
    if (!name) return FALSE;
    InitDeviceOptions(port);
    char ansi[64] = {};
    const std::string wanted = orla::AnsiText(orla::WideView(name));
    if (wanted.empty() || wanted.size() >= sizeof ansi) return FALSE;  // no option has such a name
    orla::CopyAnsiText(orla::WideView(name), ansi, sizeof ansi);
    const DeviceOption* row = FindOption(port, ansi);
    if (!row || row->size < 0 || !row->value) return FALSE;
    if (outSize == 0) {
        if (returned) *returned = static_cast<DWORD>(row->size);
        return TRUE;
    }
    if (!out) return FALSE;
    DWORD n = std::min(outSize, static_cast<DWORD>(row->size));
    std::memcpy(out, row->value, n);
    if (returned) *returned = n;
    return TRUE;
}
