// Device IDs from a printer: any bytes must be parsed, and any status block decoded and
// dispatched, without a crash, an overrun or a variable stored at a size other than its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "monitor/device_id.h"
#include "monitor/printer_query.h"
#include "monitor/status_block.h"
#include "monitor/status_variables.h"
#include "plat/control.h"
#include "tests/monitor/fuzz_port.h"

namespace {

void CheckSizes(PortRecord* port) {
    for (StatusVariable* row = port->variables; row && row->name; ++row) {
        if (!row->value) continue;
        LONG size = VariableSize(row);
        if (size <= 0 || (row->size != kVarCounted && size != row->size)) abort();
    }
    if (port->device.data.trayCount > kDeviceTrayMax) abort();
    if (port->device.data.model[kDeviceModelSize - 1] != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PortRecord* port = FuzzPort();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // The first byte picks the route: the whole device ID, or the status block alone.
    if (size && data[0] & 1) {
        BYTE block[kStatusBlockSize];
        if (DecodeStatusBlock(text.substr(1), block)) DispatchStatusBlock(block, port);
        if (size >= 1 + kStatusBlockSize) DispatchStatusBlock(data + 1, port);
    } else {
        IsValidDeviceId(text);
        IsOwnPrinterModel(port, text);
        port->versionPair[0] = 0;
        port->versionPair[1] = 1;
        ParseDeviceId(text, port);
    }
    CheckSizes(port);
    return 0;
}
