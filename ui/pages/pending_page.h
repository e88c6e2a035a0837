// What every page of the sheet does alike: keeping its PageContext, applying the current settings
// when the sheet's OK or Apply is pressed, and the dialog procedure of pages whose own controls
// are not built yet.
#pragma once

#include "ui/pages/page_context.h"

namespace orla {

// PSN_APPLY: the current settings become the applied ones, the sheet is told the page is
// unchanged and compstui gets the page's result.
void ApplyPageSettings(PageContext* context, HWND hDlg);

// A page that shows its frame and a note: it keeps the context, applies, and offers help on the
// sheet's Help button.
INT_PTR CALLBACK PendingPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr DWORD kSheetHelpTopic = 32785;

}  // namespace orla
