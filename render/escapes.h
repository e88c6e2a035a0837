// The graphics DLL's escapes: the standard ones applications send, and the private ones through
// which the interface DLL hands over print-time settings, the account entry, the job owner and the
// device context handle, and fetches the stamp records it imprints at each page end.
#pragma once

#include "render/escape_state.h"
#include "win/base.h"

struct PrinterPdev;

// TRUE when this build answers the code (the support test, also QUERYESCSUPPORT's answer).
BOOL EscapeSupported(ULONG code);

// ---- Standard escapes (render/escapes.cpp) ----
ULONG QueryEscapeSupport(ULONG cjIn, const void* pvIn);
ULONG TechnologyQuery(ULONG cjOut, void* pvOut);
ULONG SetCopyCount(PrinterPdev* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut);
ULONG PassThrough(PrinterPdev* pdev, ULONG cjIn, const void* pvIn);
ULONG AppQuery(PrinterPdev* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut);

// ---- Settings escapes (render/settings_escapes.cpp) ----
ULONG SetDcHandle(PrinterPdev* pdev, ULONG cjIn, const void* pvIn);
ULONG SetAccount(PrinterPdev* pdev, ULONG cjIn, const void* pvIn);
ULONG SetJobOwner(PrinterPdev* pdev, ULONG cjIn, const void* pvIn);
ULONG SetJobSettings(PrinterPdev* pdev, ULONG cjIn, const void* pvIn);

// ---- Stamp escapes (render/stamp_escapes.cpp) ----
// 9000 / 9001: the stamp of the settings; `band` answers only in band mode (else draw flag 0).
ULONG GetStampEscape(PrinterPdev* pdev, bool band, ULONG cjOut, void* pvOut);
// 9100 / 9101: the information stamp (page number, document name or the settings' text).
ULONG GetInfoStampEscape(PrinterPdev* pdev, bool band, ULONG cjOut, void* pvOut);
// 9103: the trust-marking footer as a stamp (Japanese build).
ULONG GetFooterStampEscape(PrinterPdev* pdev, ULONG cjOut, void* pvOut);
