// The basic page: paper size, output paper, orientation, copies, zoom, duplex and layout of the
// current settings record, with the page preview and the printer picture.
#pragma once

#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

// The page's dialog procedure (template 520); its PROPSHEETPAGEW lParam is the PageContext.
INT_PTR CALLBACK BasicPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// The controls of the paper settings brought up to date from the current record.
void FillPaperPageControls(PageContext* page, HWND dialog);

// Controls of the page by their ids.
inline constexpr int kIdPaperSize = 1204, kIdOutputPaper = 1208, kIdPortrait = 1217, kIdLandscape = 1219,
                     kIdCopies = 1229, kIdCopiesSpin = 1230, kIdFreeZoom = 1213, kIdZoom = 1214, kIdDuplex = 1127,
                     kIdBinding = 1134, kIdLayout = 1114, kIdFrame = 1117, kIdOrder = 1120, kIdSaveSheet = 2900,
                     kIdEntryMode = 1699, kIdPreview = 1008, kIdPrinter = 1016, kIdCaption = 3838;

}  // namespace orla
