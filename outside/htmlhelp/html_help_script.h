// What tests tell the HTML Help stand-in and read back from it, through its exports.
#pragma once

#include "plat/ordinal_table.h"
#include "win/base.h"


#define HH_DISPLAY_TOPIC 0x0000
#define HH_HELP_CONTEXT 0x000F
#define HH_CLOSE_ALL 0x0012

// Calls of HtmlHelpW, one line each ("15 C:\...\help.chm 3001 -> ok"); two-call protocol.
typedef DWORD (*PFN_HtmlHelpCallLog)(LPWSTR buffer, DWORD size);
// From now on every call hangs until HtmlHelpEndHang (TRUE), or answers at once (FALSE).
typedef void (*PFN_HtmlHelpHang)(BOOL hang);
// Ends every hang in progress and forgets the log and the hang.
typedef void (*PFN_HtmlHelpReset)(void);
