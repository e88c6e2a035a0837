// The "LM_" port queries: the device options, refreshed from the printer when they are due.
#include "monitor/device_queries.h"

#include <cstring>
#include <string_view>

#include "monitor/device_options.h"
#include "monitor/printer_query.h"

namespace {

// The names GetPrinterDataFromPort answers through the table (getting the time is internal).
constexpr std::u16string_view kQueryNames[] = {
    u"LM_InputTray", u"LM_SysName", u"LM_MemorySizeInKByte", u"LM_MemorySizeInMByte", u"LM_RamDisk", u"LM_DuplexModule",
};

BOOL Answer(DWORD error, BOOL result) {
    SetLastError(error);
    return result;
}

}  // namespace

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
        port->state &= ~kStateTerminate;
        if (TakePortMutex(port, 30000)) {
            QueryPrinterStatus(port);
            ReleasePortMutex(port);
        }
    }
    if (port->state & kStateNotResponding) {
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
