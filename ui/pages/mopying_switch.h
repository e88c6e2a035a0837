// The per-user switch "MOPYING_UIOpen" that turns the print-time job settings dialog on, kept
// under "Software\QEV\MOPYING\<printer>" with the printer's data value of the same name as the
// fallback.
#pragma once

#include "win/base.h"

namespace orla {

// The user's value, else the printer's; 0 when neither is there or the printer cannot be read.
DWORD ReadMopyingUiOpen(HANDLE hPrinter);
// Writes the user's value (creating the key); FALSE when it cannot.
BOOL WriteMopyingUiOpen(HANDLE hPrinter, DWORD value);

}  // namespace orla
