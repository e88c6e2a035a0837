// The dialog that waits for the printer's configuration after asking the status manager for a
// refresh: it ends on the reply, on a refusal, on Cancel or after a time-out, and whatever ends
// it gives back the status manager and the pending request.
#pragma once

#include "ui/pages/page_context.h"

namespace orla {

inline constexpr DWORD kConfigRetrievalTimeoutMs = 60000;
inline constexpr UINT kMessageConfigNotRead = 819;

// Template 2700; lParam is the PageContext of the device pages. Ends with TRUE when the
// configuration was read and applied to the current settings, FALSE otherwise.
INT_PTR CALLBACK DeviceConfigRetrievalDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orla
