// What every page of the sheet does alike: applying the current settings when the sheet's OK or
// Apply is pressed, and the sheet's own help topic.
#pragma once

#include "ui/pages/page_context.h"

namespace orla {

// PSN_APPLY: the current settings become the applied ones, the sheet is told the page is
// unchanged and compstui gets the page's result.
void ApplyPageSettings(PageContext* context, HWND hDlg);

inline constexpr DWORD kSheetHelpTopic = 32785;

}  // namespace orla
