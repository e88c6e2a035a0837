// Port device controls that come from the spooler.
#pragma once

#include "monitor/port_record.h"

// The same for controls that come from the spooler: ending or cancelling a job of this
// driver's printer (controls 7 and IOCTL_PAR_CANCEL) is done here, not by the port monitor.
BOOL SpoolerDeviceControl(PortRecord* port, DWORD control, BYTE* in, DWORD inSize, BYTE* out, DWORD outSize,
                          DWORD* returned);
