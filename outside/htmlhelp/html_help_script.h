// What tests tell the HTML Help stand-in and read back from it, through its exports.
#pragma once

#include "win/base.h"

// The ordinal table a module exports to list entry points by ordinal: {ordinal, name} pairs
// ended by ordinal 0, under this symbol name.
#define ORLA_ORDINAL_TABLE_SYMBOL "OrlaOrdinalTable"
typedef struct _ORLA_ORDINAL_EXPORT {
    WORD ordinal;
    const char* name;
} ORLA_ORDINAL_EXPORT;

#define HH_DISPLAY_TOPIC 0x0000
#define HH_HELP_CONTEXT 0x000F
#define HH_CLOSE_ALL 0x0012

// Calls of HtmlHelpW, one line each ("15 C:\...\help.chm 3001 -> ok"); two-call protocol.
typedef DWORD (*PFN_HtmlHelpCallLog)(LPWSTR buffer, DWORD size);
// From now on every call hangs until HtmlHelpEndHang (TRUE), or answers at once (FALSE).
typedef void (*PFN_HtmlHelpHang)(BOOL hang);
// Ends every hang in progress and forgets the log and the hang.
typedef void (*PFN_HtmlHelpReset)(void);
