// The write gate: in ECP mode the lower port writes only while the printer's input buffer has
// room, as its status blocks report it.
#pragma once

#include "monitor/port_record.h"

// May LowerWritePort write now? Outside ECP mode always.
BOOL WriteGate(PortRecord* port);
// The polling cycle's step: one input-buffer block less is assumed free.
void ConsumeFreeBlock(PortRecord* port);
