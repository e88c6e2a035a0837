// The shell's ShellExecuteW: a document, program or address opened with a verb ("open").
#pragma once

#include "win/base.h"

extern "C" {

// Answers above 32 are success; 32 and below are the shell's error codes.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

// Nothing is started here: each call is logged for the test (plat/shell_execute.h) and answers
// success. A null or empty file is SE_ERR_FNF.
HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters, LPCWSTR lpDirectory,
                        INT nShowCmd);

}  // extern "C"
