// The write gate that keeps an ECP transfer from overrunning the printer's input buffer.
#include "monitor/write_gate.h"

#include "monitor/device_options.h"
#include "monitor/printer_query.h"

BOOL WriteGate(PortRecord* port) {
    if (!(port->myPortMode & kPortModeEcp)) return TRUE;
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
