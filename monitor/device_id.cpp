// Device-ID fields into status variables and device data.
#include "monitor/device_id.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "monitor/status_block.h"
#include "monitor/status_variables.h"

namespace {

// Manufacturer and model are text: compared as text, stored in their 32-byte variables with
// room for the terminating NUL.
BOOL StoreTextField(PortRecord* port, const char* variable, std::string_view value) {
    PortLock lock(port);
    char record[kDeviceIdTextField + 1] = {};
    value = value.substr(0, std::min(value.size(), kDeviceIdTextField));
    size_t n = std::min(value.find('\0'), value.size());
    std::memcpy(record, value.data(), n);
    StatusVariable* row = FindVariable(variable, port->variables, port);
    if (!row) return FALSE;
    if (row->value && std::strncmp(reinterpret_cast<const char*>(row->value), record, sizeof record) == 0) return FALSE;
    if (StoreVariableValue(row, record, sizeof record, TRUE) != 1) return FALSE;
    row->dirty = TRUE;
    return TRUE;
}

}  // namespace

DWORD ParseEmulations(std::string_view commands, LONG* ids, DWORD capacity) {
    DWORD count = 0;
    size_t at = 0;
    while (at < commands.size()) {
        const EmulationRow* hit = nullptr;
        for (const EmulationRow& row : kEmulations) {
            if (commands.substr(at, row.name.size()) == row.name) {
                hit = &row;
                break;
            }
        }
        if (!hit) {
            ++at;
            continue;
        }
        if (count < capacity) ids[count++] = hit->id;
        at += hit->name.size();
    }
    std::stable_sort(ids, ids + count);
    return count;
}

BOOL StoreMakerAndModel(std::string_view text, PortRecord* port) {
    BOOL changed = FALSE;
    ForEachDeviceIdField(text, [&](std::string_view key, std::string_view value) {
        if (key == "MFG:" || key == "MANUFACTURER:") changed |= StoreTextField(port, "PrinterManufacturer", value);
        if (key == "MDL:" || key == "MODEL:") changed |= StoreTextField(port, "PrinterModel", value);
    });
    return changed;
}

void ParseDeviceId(std::string_view text, PortRecord* port) {
    InitDeviceOptions(port);
    ForEachDeviceIdField(text, [&](std::string_view key, std::string_view value) {
        if (key == "MANUFACTURER:" || key == "MFG:") {
            StoreTextField(port, "PrinterManufacturer", value);
        } else if (key == "MDL:") {
            StoreTextField(port, "PrinterModel", value);
            char* model = port->device.data.model;
            std::memset(model, 0, kDeviceModelSize);
            size_t n = std::min({value.size(), value.find('\0'), size_t{kDeviceModelSize - 1}});
            std::memcpy(model, value.data(), n);
        } else if (key == "CMD:") {
            // The value can name at most one emulation per character.
            std::vector<LONG> ids(value.size() + 1);
            DWORD count = ParseEmulations(value, ids.data(), static_cast<DWORD>(ids.size()));
            std::vector<BYTE> record(4 + 4 * static_cast<size_t>(count));
            std::memcpy(record.data(), &count, 4);
            if (count) std::memcpy(record.data() + 4, ids.data(), 4 * static_cast<size_t>(count));
            SetVariable(port, "EmulationInfo", record.data(), static_cast<DWORD>(record.size()));
        } else if (key == "STS:") {
            BYTE block[kStatusBlockSize];
            // A block that is not what it should be is ignored; the other fields still count.
            if (!DecodeStatusBlock(value, block)) return;
            if (DispatchStatusBlock(block, port)) {
                PublishDirtyVariables(port);
                PublishPortStatus(port);
            }
        }
    });
}
