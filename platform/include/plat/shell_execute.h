// What ShellExecuteW was asked to open. Every call is logged with its verb, file, parameters,
// folder, show command and owner, and with what it answered; nothing is started. Failing it:
// PlatInjectFailure("ShellExecuteW", n, code) makes the n-th call answer `code` (a shell error,
// 32 or below; a larger code answers SE_ERR_ACCESSDENIED).
#pragma once

#include "win/base.h"

extern "C" {

typedef struct _PLAT_SHELL_EXECUTE_RECORD {
    WCHAR verb[32];  // each text cut to fit; a null argument logs as empty
    WCHAR file[520];
    WCHAR parameters[520];
    WCHAR directory[260];
    INT show;
    HWND owner;
    ULONG_PTR answer;  // what ShellExecuteW returned
} PLAT_SHELL_EXECUTE_RECORD;

DWORD PlatShellExecuteCount(void);
BOOL PlatGetShellExecute(DWORD index, PLAT_SHELL_EXECUTE_RECORD* record);
void PlatResetShellExecutes(void);

}  // extern "C"
