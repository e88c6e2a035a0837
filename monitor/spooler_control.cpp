// Port device controls that come from the spooler: the end or cancel of a job of this driver's
// printer is the monitor's own; every other control goes to the port below.
#include "monitor/spooler_control.h"

#include <algorithm>
#include <cstring>

#include "monitor/job_records.h"
#include "monitor/pjl_job.h"
#include "monitor/printer_exchange.h"
#include "monitor/printer_query.h"
#include "monitor/status_variables.h"

namespace {

// The spooler ends or cancels a job of this driver's printer: the monitor ends it itself
// instead of passing the control on.
void EndJobHere(PortRecord* port) {
    if (port->postScriptJob) {
        PjlJobRequest request{};
        request.wantJobLine = TRUE;
        request.qty = request.copies = -1;
        if (port->kind & kKindBidi) {
            SetJobRecordName(port->jobIdentifier, 2, port);
            request.wantJobName = TRUE;
            std::memcpy(request.name, port->jobIdentifier,
                        std::min(sizeof request.name - 1, sizeof port->jobIdentifier));
        }
        char trailer[kPjlHeaderSize];
        port->forceTrailerUel = TRUE;
        DWORD length = BuildPjlJobTrailer(trailer, sizeof trailer, request, port);
        if (length) ExchangeWithPrinter(port, reinterpret_cast<BYTE*>(trailer), length, nullptr, TRUE, FALSE);
        port->forceTrailerUel = FALSE;
    }
    FinishOrCancelJob(port, TRUE);
}

}  // namespace

BOOL SpoolerDeviceControl(PortRecord* port, DWORD control, BYTE* in, DWORD inSize, BYTE* out, DWORD outSize,
                          DWORD* returned) {
    if (returned) *returned = 0;
    {
        PortLock lock(port);
        if (!port->lower.pfnGetPrinterDataFromPort) return FALSE;
        if ((control == 7 || control == IOCTL_PAR_CANCEL) && ModelClass(port) == 1) {
            EndJobHere(port);
            return FALSE;
        }
    }
    return PortDeviceControl(port, control, in, inSize, out, outSize, returned);
}
