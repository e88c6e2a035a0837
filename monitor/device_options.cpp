// Device options ("LM_" port queries) and the ECP write gate.
#include "monitor/device_options.h"

#include <algorithm>
#include <cstring>

#include "monitor/port_record.h"
#include "monitor/printer_query.h"
#include "win/nls.h"

namespace {

struct OptionTemplate {
    const char* name;
    size_t offset;  // into DeviceData; none for "GetTime"
    LONG size;
};
constexpr size_t NO_OFFSET = static_cast<size_t>(-1);

// Name, value, size (as the printer's data is kept in the port).
constexpr OptionTemplate kOptionTemplate[DEVICE_OPTION_ROWS] = {
    {"GetTime", NO_OFFSET, -1},
    {"LM_SysName", offsetof(DeviceData, model), 32},
    {"LM_MemorySizeInKByte", offsetof(DeviceData, memoryKByte), 4},
    {"LM_MemorySizeInMByte", offsetof(DeviceData, memoryMByte), 4},
    {"LM_RamDisk", offsetof(DeviceData, ramDisk), 2},
    {"LM_DuplexModule", offsetof(DeviceData, duplexUnit), 2},
    {"LM_InputTray", offsetof(DeviceData, trayCount), INPUT_TRAY_INITIAL_SIZE},
};

// The names GetPrinterDataFromPort answers through the table (getting the time is internal).
constexpr std::u16string_view kQueryNames[] = {
    u"LM_InputTray", u"LM_SysName", u"LM_MemorySizeInKByte", u"LM_MemorySizeInMByte", u"LM_RamDisk", u"LM_DuplexModule",
};

const DeviceOption* FindOption(PortRecord* port, const char* name) {
    for (const DeviceOption* row = port->device.options; row->size != 0; ++row)
        if (std::strcmp(row->name, name) == 0) return row;
    return nullptr;
}

BOOL Answer(DWORD error, BOOL result) {
    SetLastError(error);
    return result;
}

}  // namespace

void InitDeviceOptions(PortRecord* port) {
    DeviceState& d = port->device;
    if (d.optionsReady) return;
    const BYTE* base = reinterpret_cast<const BYTE*>(&d.data);
    for (DWORD i = 0; i < DEVICE_OPTION_ROWS; ++i) {
        const OptionTemplate& t = kOptionTemplate[i];
        d.options[i] = DeviceOption{t.name, t.offset == NO_OFFSET ? nullptr : base + t.offset, t.size};
    }
    d.options[DEVICE_OPTION_ROWS] = DeviceOption{nullptr, nullptr, 0};
    d.optionsReady = TRUE;
}

void RefreshDeviceOptions(PortRecord* port) {
    InitDeviceOptions(port);
    DeviceState& d = port->device;
    d.getTime = GetTickCount();
    d.options[0].size = 4;
    d.options[0].value = &d.getTime;
    DWORD trays = std::min(d.data.trayCount, DEVICE_TRAY_MAX);
    d.options[DEVICE_OPTION_ROWS - 1].size = static_cast<LONG>(4 + TRAY_RECORD_SIZE * trays);
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
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof ansi - 1, nullptr, nullptr) <= 0) return FALSE;
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

BOOL IsDeviceOptionQuery(LPCWSTR name) {
    if (!name) return FALSE;
    std::u16string_view text(name);
    for (std::u16string_view q : kQueryNames)
        if (text.substr(0, q.size()) == q) return TRUE;
    return FALSE;
}

BOOL AnswerDeviceOptionQuery(PortRecord* port, LPCWSTR name, BYTE* out, DWORD outSize, DWORD* returned) {
    if (returned) *returned = 0;
    std::u16string_view text(name);
    LPCWSTR rowName = nullptr;
    for (std::u16string_view q : kQueryNames)
        if (text.substr(0, q.size()) == q) rowName = q.data();
    if (!rowName) return Answer(ERROR_INVALID_PARAMETER, FALSE);
    BOOL due;
    {
        PortLock lock(port);
        due = IsOptionRefreshDue(port);
    }
    if (due) {
        port->state &= ~ST_TERMINATE;
        if (TakePortMutex(port, 30000)) {
            QueryPrinterStatus(port);
            ReleasePortMutex(port);
        }
    }
    if (port->state & ST_NOT_RESPONDING) {
        // The printer does not answer: its data would be stale.
        if (!out || outSize < 4) return Answer(ERROR_INSUFFICIENT_BUFFER, FALSE);
        const DWORD unknown = 0xFFFFFFFFu;
        std::memcpy(out, &unknown, 4);
        if (returned) *returned = 4;
        return Answer(ERROR_INVALID_PARAMETER, FALSE);
    }
    // The status block decoder rewrites the device data under the port lock.
    PortLock lock(port);
    DWORD got = 0;
    if (outSize == 0) {
        GetDeviceOptionValue(port, rowName, nullptr, 0, &got);
        if (returned) *returned = got;
        return Answer(ERROR_INSUFFICIENT_BUFFER, FALSE);
    }
    if (!GetDeviceOptionValue(port, rowName, out, outSize, &got)) return Answer(ERROR_INVALID_PARAMETER, FALSE);
    if (returned) *returned = got;
    return Answer(ERROR_INVALID_PARAMETER, FALSE);
}

BOOL WriteGate(PortRecord* port) {
    if (!(port->myPortMode & 2)) return TRUE;
    // The status query below may itself write (a queued trailer); that write is not gated again.
    static thread_local BOOL inGate = FALSE;
    if (inGate) return TRUE;
    struct Guard {
        Guard() { inGate = TRUE; }
        ~Guard() { inGate = FALSE; }
    } guard;
    DeviceState& d = port->device;
    // Before the first status block nothing is known about the input buffer to wait for.
    if (d.options[0].size == -1 || !d.optionsReady) return TRUE;
    DWORD block = static_cast<DWORD>(d.bufferBlockKB) * 1024;
    if (block && port->bytesSent / block > 1 && d.bufferBlocksFree > 1) return TRUE;
    port->ecpActive = FALSE;
    Sleep(200);
    QueryPrinterStatus(port);
    if (d.bufferBlocksFree >= 2) {
        port->ecpActive = TRUE;
        return TRUE;
    }
    return FALSE;
}

void ConsumeFreeBlock(PortRecord* port) {
    if (port->device.bufferBlocksFree > 0) --port->device.bufferBlocksFree;
}
