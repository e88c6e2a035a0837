// "PrinterOptConfig": the printer's installed options as a counted list of
// {16-bit key, 16-bit second key, 32-bit value} entries.
#pragma once

#include "monitor/port_record.h"

constexpr DWORD kOptionEntrySize = 8;

// Adds the entry unless both keys are already there; TRUE when the stored value changed.
BOOL SetPrinterOptConfig(WORD key, WORD key2, DWORD value, PortRecord* port);
// Drops every entry with both keys; TRUE when the stored value changed.
BOOL RemovePrinterOptConfig(WORD key, WORD key2, PortRecord* port);
