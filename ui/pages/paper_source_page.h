// The paper-source page: the source of the current settings record and what goes with it (output
// tray, offset stacking, collate, job separation), and the four dialogs it opens on the UI
// context's scratch record: paper type, the manual slot's paper type, sources by section and the
// source details with slip sheets. A dialog's OK copies the scratch record over the current one;
// Cancel leaves the current record as it was.
#pragma once

#include "resources/lang/paper_source_ids.h"
#include "ui/pages/page_context.h"
#include "ui/pages/paper_source_steps.h"
#include "win/user.h"

namespace orla {

// The page's dialog procedure (template 521); its PROPSHEETPAGEW lParam is the PageContext.
INT_PTR CALLBACK PaperSourcePageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// The dialogs; each takes the PageContext as its creation parameter.
INT_PTR CALLBACK PaperSourceDialogProcA(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);  // paper type
INT_PTR CALLBACK PaperSourceDialogProcB(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);  // manual slot
INT_PTR CALLBACK SectionSourceDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SourceDetailDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// Help topics of the dialogs.
inline constexpr DWORD kHelpTopicPaperType = 32775, kHelpTopicManualPaperType = 32776, kHelpTopicSourceDetail = 32769;

// Warnings of the page.
inline constexpr UINT kWarnTransparencyDuplex = 811;
inline constexpr UINT kWarnPaperTypeConflict = 856;

}  // namespace orla
