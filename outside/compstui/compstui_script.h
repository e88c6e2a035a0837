// What tests tell the compstui stand-in and read back from it, through its exports.
#pragma once

#include "win/base.h"

// Refuse the n-th page added with CPSFUNC_ADD_HPROPSHEETPAGE (1-based) in every later sheet;
// 0 refuses none.
typedef void (*PFN_CompstuiRefusePage)(UINT n);
// The calls of the last sheets, one line each ("INIT -> 1"); two-call buffer protocol.
typedef DWORD (*PFN_CompstuiCallLog)(LPWSTR buffer, DWORD size);
// Forgets the log and the refusal.
typedef void (*PFN_CompstuiReset)(void);
