// Device-ID status query and the model check.
#include "monitor/printer_query.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "monitor/manager_client.h"
#include "monitor/pjl_reply.h"
#include "monitor/port_kinds.h"
#include "monitor/status_variables.h"

BOOL PortDeviceControl(PortRecord* port, DWORD control, BYTE* in, DWORD inSize, BYTE* out, DWORD outSize,
                       DWORD* returned) {
    *returned = 0;
    PortLock lock(port);
    if (!port->lower.pfnGetPrinterDataFromPort) return FALSE;
    // The maker's own USB ports answer the device-ID query only through the USB printing class
    // control, whose answer starts with a 2-byte length that the caller must not see.
    if (control == IOCTL_PAR_QUERY_DEVICE_ID && out && EqualsNoCaseW(port->portName, u"QEVUSB", 6)) {
        std::vector<BYTE> prefixed(static_cast<size_t>(outSize) + 2);
        DWORD got = 0;
        BOOL ok = port->lower.pfnGetPrinterDataFromPort(port->lowerPort, IOCTL_USBPRINT_GET_1284_ID, nullptr,
                                                        reinterpret_cast<LPWSTR>(in), inSize,
                                                        reinterpret_cast<LPWSTR>(prefixed.data()),
                                                        static_cast<DWORD>(prefixed.size()), &got);
        got = std::min<DWORD>(got, static_cast<DWORD>(prefixed.size()));
        if (!ok || got < 3) return FALSE;
        std::memcpy(out, prefixed.data() + 2, got - 2);
        *returned = got - 2;
        return TRUE;
    }
    BOOL ok = port->lower.pfnGetPrinterDataFromPort(port->lowerPort, control, nullptr, reinterpret_cast<LPWSTR>(in),
                                                    inSize, reinterpret_cast<LPWSTR>(out), outSize, returned);
    if (*returned > outSize) *returned = outSize;
    return ok;
}

BOOL IsValidDeviceId(std::string_view text) {
    size_t semi = text.rfind(';');
    if (semi == std::string_view::npos) return FALSE;
    std::string_view after = text.substr(semi + 1);
    if (after.size() > 256) return FALSE;
    return std::all_of(after.begin(), after.end(), [](char c) { return c == ' ' || c == '\0'; });
}

std::string_view DeviceIdField(std::string_view text, std::string_view key) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(';', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view field = text.substr(at, end - at);
        while (!field.empty() && (field.front() == ' ' || field.front() == '\r' || field.front() == '\n'))
            field.remove_prefix(1);
        if (field.size() >= key.size() && field.substr(0, key.size()) == key) return field.substr(key.size());
        at = end + 1;
    }
    return {};
}

namespace {

std::string_view ModelOf(std::string_view id) {
    std::string_view model = DeviceIdField(id, "MDL:");
    return model.empty() ? DeviceIdField(id, "MODEL:") : model;
}

void StoreField(PortRecord* port, const char* variable, std::string_view value) {
    char record[32] = {};
    if (!value.empty()) std::memcpy(record, value.data(), std::min<size_t>(value.size(), 31));
    SetVariable(port, variable, record, sizeof record);
}

void PrinterGone(PortRecord* port) {
    if (port->pollMode != 2) DropPendingOutput(port);
    if (!(port->state & ST_NOT_RESPONDING)) {
        DWORD status[3];
        ReadPrinterStatus(port, status);
        const DWORD gone[3] = {0, 0x100, status[2] & 0x8};
        SetPrinterStatusValue(port, gone);
        UpdateErrorVariables(port);
        ResetPanelValues(port);
        PublishDirtyVariables(port);
        PublishPortStatus(port);
        if (!(port->state & ST_HEADER_PENDING)) FinishOrCancelJob(port, TRUE);
    }
    if (!(port->state & ST_JOB_OPEN)) port->myPortMode = 0;
    port->state &= ~(ST_OWN_MODEL | ST_PRINTER_ANSWERED | ST_STATUS_SEEN);
    port->state |= ST_NOT_RESPONDING;
}

}  // namespace

BOOL IsOwnPrinterModel(PortRecord* port, std::string_view deviceId) {
    std::string_view model = ModelOf(deviceId);
    if (model.empty()) return ModelClass(port) == 1;
    for (const DriverNameRow& row : kDriverNames) {
        if (model == row.model) {
            port->versionPair[0] = row.versionPair[0];
            port->versionPair[1] = row.versionPair[1];
            return TRUE;
        }
    }
    port->versionPair[0] = port->versionPair[1] = 0;
    return FALSE;
}

BOOL QueryPrinterStatus(PortRecord* port) {
    if (!(port->kind & (KIND_BIDI | 0x8))) return TRUE;
    BOOL opened = FALSE;
    if (!OpenStatusDocIfNeeded(port, &opened)) {
        PrinterGone(port);
        port->myPortMode = 0;
        return FALSE;
    }
    int tries = (port->state & (ST_CANCEL_FROM_PORT | ST_JOB_OPEN)) ? 3 : 1;
    port->state &= ~ST_CANCEL_FROM_PORT;
    BYTE buffer[DEVICE_ID_BUFFER + 1];
    DWORD got = 0;
    for (int t = 0; t < tries; ++t) {
        std::memset(buffer, 0, sizeof buffer);
        got = 0;
        ++port->deviceIdReads;
        if (PortDeviceControl(port, IOCTL_PAR_QUERY_DEVICE_ID, nullptr, 0, buffer, DEVICE_ID_BUFFER, &got) && got > 0)
            break;
        got = 0;
        if (t + 1 < tries) Sleep(1000);
    }
    std::string_view id(reinterpret_cast<const char*>(buffer), got);
    BOOL result = FALSE;
    if (got == 0) {
        PrinterGone(port);
    } else if (IsValidDeviceId(id)) {
        if (port->state & ST_NOT_RESPONDING) port->state |= ST_ANSWERS_AGAIN;
        port->state &= ~ST_NOT_RESPONDING;
        if (IsOwnPrinterModel(port, id)) {
            if (!(port->state & ST_OWN_MODEL)) {
                port->state |= ST_OWN_MODEL | ST_ANSWERS_AGAIN;
                MarkPublishable(port->variables);
            }
            StoreField(port, "PrinterModel", ModelOf(id));
            std::string_view maker = DeviceIdField(id, "MFG:");
            StoreField(port, "PrinterManufacturer", maker.empty() ? DeviceIdField(id, "MANUFACTURER:") : maker);
            result = TRUE;
        } else {
            DWORD status[3];
            ReadPrinterStatus(port, status);
            const DWORD other[3] = {0, 0x200, status[2] & 0x8};
            if (!(status[0] == 0 && status[1] == 0x200 && status[2] == 0)) {
                SetPrinterStatusValue(port, other);
                UpdateErrorVariables(port);
                ResetPanelValues(port);
                PublishPortStatus(port);
                PublishDirtyVariables(port);
            }
            if (port->sleepAfterFailedHeader == -1) port->sleepAfterFailedHeader = 0;
            port->state &= ~ST_OWN_MODEL;
        }
    }
    if (opened) EndLowerDoc(port);
    return result;
}
