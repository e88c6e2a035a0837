// What every page of the sheet does alike: reading the printer's configuration into the working
// record, applying the current settings when the sheet's OK or Apply is pressed, and the sheet's own
// help topic.
#pragma once

#include "ui/pages/page_context.h"

namespace orla {

// What the printer reports now, read into the working record before the page shows it.
void RefreshPrinterConfig(PageContext* page);

// PSN_APPLY: the current settings become the applied ones, the sheet frame is told the page is
// unchanged and compstui gets the page's result.
void ApplyPageSettings(PageContext* page, HWND dialog);

inline constexpr DWORD kSheetHelpTopic = 32785;

}  // namespace orla
