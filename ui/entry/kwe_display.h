// The trust-marking library's own settings dialog (Japanese build), for the stamp and overlay page
// and the document events: the library's answer, or -1 after the user was told the change is lost.
#pragma once

#include "win/base.h"

namespace orla {

// Answers of the library's settings dialog.
inline constexpr LONG kKweDisplayCancelled = 2;
inline constexpr LONG kKweDisplayFailed = -1;

// Calls the library's "QZKWE_DisplayUI" on the handle with the same arguments. When the entry is
// missing or answers -1 and a window was given, a warning box owned by it says the trust-marking
// change is discarded; the answer is then -1.
LONG KweDisplayUI(DWORD handle, HWND owner, BYTE* settings, DWORD settingsSize, LONG* result);

}  // namespace orla
