// Port device control, device-ID status query and the model check.
#include "monitor/printer_query.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "monitor/device_id.h"
#include "monitor/job_records.h"
#include "monitor/lower_port.h"
#include "monitor/manager_client.h"
#include "monitor/pjl_job.h"
#include "monitor/pjl_reply.h"
#include "monitor/port_kinds.h"
#include "monitor/snmp_status.h"
#include "monitor/status_variables.h"

namespace {

std::atomic<SnmpDeviceIdReader> g_snmpReader{nullptr};

BOOL IsQevUsb(const PortRecord* port) {
    return port->portName && EqualsNoCaseW(port->portName, u"QEVUSB", 6);
}

std::string_view LastModelField(std::string_view id) {
    std::string_view model;
    BOOL found = FALSE;
    ForEachDeviceIdField(id, [&](std::string_view key, std::string_view value) {
        if (key == "MODEL:" || key == "MDL:") {
            model = value;
            found = TRUE;
        }
    });
    return found ? model : std::string_view{};
}

BOOL HasModelField(std::string_view id) {
    BOOL found = FALSE;
    ForEachDeviceIdField(id,
                         [&](std::string_view key, std::string_view) { found |= key == "MODEL:" || key == "MDL:"; });
    return found;
}

void ResetToStatus(PortRecord* port, DWORD dword1, BOOL keepJobBit) {
    DWORD status[3];
    ReadPrinterStatus(port, status);
    const DWORD fresh[3] = {0, dword1, keepJobBit ? (status[2] & 0x8) : 0};
    SetPrinterStatusValue(port, fresh);
    PublishDirtyVariables(port);
    UpdateErrorVariables(port);
    ResetPanelValues(port);
    PublishDirtyVariables(port);
    PublishPortStatus(port);
}

// The device ID could not be read: the printer does not respond.
void PrinterGone(PortRecord* port, BOOL openFailed) {
    if (port->pollMode != 2) DropPendingOutput(port);
    if (!(port->state & kStateNotResponding)) {
        ResetToStatus(port, 0x100, TRUE);
        BOOL ecpWaiting = (port->myPortMode & kPortModeEcp) && (port->state & kStateJobOpen) && !port->ecpActive;
        if (openFailed || !(ecpWaiting || (port->state & kStateHeaderPending))) {
            if (port->jobHead) {
                SetJobStatusBits(port, kJobstatusCancelling, TRUE);
                Sleep(100);
                BOOL headerOut = (port->state & kStateJobOpen) && (port->state & kStateHeaderSent);
                if (!headerOut) SetJobStatusBits(port, kJobstatusCancelling, FALSE);
            }
            FinishOrCancelJob(port, TRUE);
        }
    }
    if (openFailed || !(port->state & kStateJobOpen)) port->myPortMode = 0;
    port->state &= ~(kStateOwnModel | kStatePrinterAnswered | kStateStatusSeen);
    port->state |= kStateNotResponding;
}

void OtherModel(PortRecord* port, BOOL keepJobBit) {
    DWORD status[3];
    ReadPrinterStatus(port, status);
    if (!(status[0] == 0 && status[1] == 0x200 && status[2] == 0)) ResetToStatus(port, 0x200, keepJobBit);
}

// Parallel ports before XP answer the device ID only after a fresh IEEE 1284 negotiation.
void RenegotiateParallel(PortRecord* port, BOOL* saved, BYTE mode[4]) {
    DWORD got = 0;
    if (!*saved) {
        PortDeviceControl(port, IOCTL_IEEE1284_GET_MODE, nullptr, 0, mode, 4, &got);
        *saved = TRUE;
    }
    BYTE compat[4] = {};
    BYTE answer[4] = {};
    PortDeviceControl(port, IOCTL_IEEE1284_NEGOTIATE, compat, 4, answer, 4, &got);
    PortDeviceControl(port, IOCTL_IEEE1284_NEGOTIATE, mode, 4, answer, 4, &got);
}

}  // namespace

BOOL PortDeviceControl(PortRecord* port, DWORD control, BYTE* in, DWORD inSize, BYTE* out, DWORD outSize,
                       DWORD* returned) {
    DWORD localReturned = 0;
    if (!returned) returned = &localReturned;
    *returned = 0;
    // During an ECP transfer the port must not be turned round for a device ID.
    if (control == IOCTL_PAR_QUERY_DEVICE_ID && (port->myPortMode & kPortModeEcp) && port->ecpActive) {
        *returned = 1;
        return TRUE;
    }
    PortLock lock(port);
    if (!port->lower.pfnGetPrinterDataFromPort) return FALSE;
    BOOL ok;
    if (control == IOCTL_PAR_QUERY_DEVICE_ID && IsQevUsb(port)) {
        // The maker's own USB ports answer the device-ID query only through the USB printing
        // class control, whose answer starts with a 2-byte length that the caller must not see.
        if (!out) return FALSE;
        std::vector<BYTE> prefixed(static_cast<size_t>(outSize) + 2);
        DWORD got = 0;
        ok = port->lower.pfnGetPrinterDataFromPort(
            port->lowerPort, IOCTL_USBPRINT_GET_1284_ID, nullptr, reinterpret_cast<LPWSTR>(in), inSize,
            reinterpret_cast<LPWSTR>(prefixed.data()), static_cast<DWORD>(prefixed.size()), &got);
        got = std::min<DWORD>(got, static_cast<DWORD>(prefixed.size()));
        if (!ok || got < 3) return FALSE;
        std::memcpy(out, prefixed.data() + 2, got - 2);
        *returned = got - 2;
    } else {
        ok = port->lower.pfnGetPrinterDataFromPort(port->lowerPort, control, nullptr, reinterpret_cast<LPWSTR>(in),
                                                   inSize, reinterpret_cast<LPWSTR>(out), outSize, returned);
        if (*returned > outSize) *returned = outSize;  // never believe more than the buffer holds
    }
    if (control == IOCTL_PAR_CANCEL && (port->kind & kKindLocal) && in && inSize >= 1 && in[0] == 1)
        port->state |= kStateCancelFromPort;
    return ok;
}

BOOL IsValidDeviceId(std::string_view text) {
    size_t semi = text.rfind(';');
    if (semi == std::string_view::npos) return FALSE;
    std::string_view after = text.substr(semi + 1);
    if (after.size() > kDeviceIdMaxTrailingBlanks) return FALSE;
    return std::all_of(after.begin(), after.end(), [](char c) { return c == ' ' || c == '\0'; });
}

BOOL IsOwnPrinterModel(PortRecord* port, std::string_view deviceId) {
    const DWORD before[2] = {port->versionPair[0], port->versionPair[1]};
    BOOL own = FALSE;
    if (!HasModelField(deviceId)) {
        // Nothing names the model: the pair stays, and so does what it says.
        own = ModelClass(port) == 1;
    } else {
        std::string_view model = LastModelField(deviceId);
        port->versionPair[0] = port->versionPair[1] = 0;
        for (const DriverNameRow& row : kDriverNames) {
            if (model == row.model) {
                port->versionPair[0] = row.versionPair[0];
                port->versionPair[1] = row.versionPair[1];
                own = TRUE;
                break;
            }
        }
    }
    BOOL changed = before[0] != port->versionPair[0] || before[1] != port->versionPair[1];
    if (changed && !(port->state & kStateJobOpen) && !port->jobHead) {
        for (ManagerClient* c = port->clients; c; c = c->next) PublishToNewClient(port, c);
    }
    return own;
}

BOOL QueryPrinterStatus(PortRecord* port) {
    if (!(port->kind & (kKindBidi | 0x8))) return TRUE;
    if (port->kind & kKindStdTcpip) return QueryStatusBySnmp(port);
    BOOL opened = FALSE;
    if (!OpenStatusDocIfNeeded(port, &opened)) {
        PrinterGone(port, TRUE);
        return FALSE;
    }
    int tries = (port->state & (kStateCancelFromPort | kStateJobOpen)) ? 3 : 1;
    port->state &= ~kStateCancelFromPort;
    const BOOL renegotiate = IsLptPort(port->portName) && !IsXpOrLater() && !port->ecpActive;
    BOOL modeSaved = FALSE;
    BYTE mode[4] = {};
    std::vector<BYTE> buffer(kDeviceIdBuffer + 1);
    DWORD got = 0;
    for (int t = 0; t < tries; ++t) {
        std::fill(buffer.begin(), buffer.end(), BYTE{0});
        got = 0;
        if (renegotiate) RenegotiateParallel(port, &modeSaved, mode);
        ++port->deviceIdReads;
        if (PortDeviceControl(port, IOCTL_PAR_QUERY_DEVICE_ID, nullptr, 0, buffer.data(), kDeviceIdBuffer, &got) &&
            got > 0)
            break;
        got = 0;
        if (t + 1 < tries) Sleep(1000);
    }
    got = std::min(got, kDeviceIdBuffer);
    std::string_view id(reinterpret_cast<const char*>(buffer.data()), got);
    BOOL result = FALSE;
    if (got == 0) {
        PrinterGone(port, FALSE);
    } else if (IsValidDeviceId(id)) {
        if (port->state & kStateNotResponding) port->state |= kStateAnswersAgain;
        port->state &= ~kStateNotResponding;
        std::string copy(id);
        if (IsOwnPrinterModel(port, copy)) {
            if (!(port->state & kStateOwnModel)) {
                port->state |= kStateOwnModel | kStateAnswersAgain;
                MarkPublishable(port->variables);
            }
            ParseDeviceId(id, port);
            result = TRUE;
        } else {
            OtherModel(port, TRUE);
            if (StoreMakerAndModel(id, port)) PublishDirtyVariables(port);
            if (port->sleepAfterFailedHeader == -1) port->sleepAfterFailedHeader = 0;
            port->state &= ~kStateOwnModel;
        }
    }
    if (opened) EndLowerDoc(port);
    return result;
}

void SetSnmpDeviceIdReader(SnmpDeviceIdReader reader) {
    g_snmpReader.store(reader);
}

BOOL QueryStatusBySnmp(PortRecord* port) {
    char answer[kSnmpDeviceIdBuffer] = {};
    DWORD got = 0;
    // The request can take two channel time-outs: it runs off the port lock.
    SnmpDeviceIdReader reader = g_snmpReader.load();
    got = std::min((reader ? reader : ReadSnmpDeviceId)(port, answer, sizeof answer), DWORD{sizeof answer});
    std::string_view text(answer, got);
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    return EvaluateSnmpDeviceId(port, text);
}

BOOL EvaluateSnmpDeviceId(PortRecord* port, std::string_view answer) {
    if (answer.empty()) {
        if (port->pollMode != 2) DropPendingOutput(port);
        ResetToStatus(port, 0x100, FALSE);
        if (!(port->state & kStateJobOpen)) port->myPortMode = 0;
        port->state |= kStateNotResponding;
        port->state &= ~(kStateOwnModel | kStatePrinterAnswered | kStateStatusSeen);
        return FALSE;
    }
    port->state &= ~kStateNotResponding;
    std::string copy(answer);
    if (IsOwnPrinterModel(port, copy)) {
        if (!(port->state & kStateOwnModel)) {
            port->state |= kStateOwnModel | kStateAnswersAgain;
            MarkPublishable(port->variables);
        }
        ParseDeviceId(answer, port);
        return TRUE;
    }
    OtherModel(port, TRUE);
    port->state &= ~kStateOwnModel;
    return FALSE;
}
