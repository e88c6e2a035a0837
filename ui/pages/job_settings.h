// The print-time job settings dialog (template 1099): the frame with its category buttons,
// copies and switch; the eight category panels and their commands; the preview with its summary
// lines; and running the dialog on a UI context.
#pragma once

#include <string>
#include <vector>

#include "core/driver_devmode.h"
#include "ui/pages/page_context.h"
#include "ui/pages/preview_pictures.h"
#include "win/user_gdi.h"

namespace orla {

// ---- The frame ----
inline constexpr UINT kJobCategoryMax = 8;
inline constexpr DWORD kCategoryTableEnd = 0xFFFFFFFF;
inline constexpr WORD kNoHotItem = 0xFFFF;
// The category table for the record's installed options: {panel id, name string id} entries
// ended by kCategoryTableEnd (room for kJobCategoryMax + 1). Returns the number of categories:
// six, plus two-sided printing with the Duplex option and offset stacking with the LCS option.
UINT BuildCategoryTable(const DriverDevmode& record, HotItemEntry (&table)[kJobCategoryMax + 1]);
UINT CategoryCount(const HotItemEntry* table);
// The panel id at an index of the table; 0 outside it.
int PanelAt(const HotItemEntry* table, UINT index);

INT_PTR CALLBACK JobSettingsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// Asks first (message 823); TRUE when the user agreed and the record went back to the defaults.
BOOL ResetJobSettings(PageContext* page, HWND hDlg);
void FillCombo1162(PageContext* page, HWND hDlg);
void FillCombo1160(PageContext* page, HWND hDlg);
UINT GetValueStringId590(DWORD value);
UINT GetValueStringId580(DWORD value);

// The list box procedure that tracks the category under the mouse.
LRESULT CALLBACK HoverListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- The panels ----
void ShowPanelControls(PageContext* page, HWND dialog, UINT index);
void FillPanelControls(PageContext* page, HWND dialog, UINT index);
// The panel commands and WM_MOUSEMOVE the frame passes on: 1 when handled.
LRESULT JobSettingsDialogHandler(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void FillCombo1114(PageContext* page, HWND dialog);
void FillCombo1117(PageContext* page, HWND dialog);
void FillLayoutRadioGroup(PageContext* page, HWND dialog);

// ---- The category buttons and the preview ----
WORD GetPreviewPageBitmapId(int shape, BOOL collate, int duplex);
WORD GetPreviewOverlayBitmapId(DWORD value);
WORD GetPreviewNupBitmapId(int shape, int pagesPerSheet);
WORD GetPreviewFinishBitmapId(int shape, DWORD flag, int pagesPerSheet, int order);
// 1 for the portrait pictures; version: the device description's "*Version".
int PreviewShape(const DriverDevmode& record, LONG version);
// The bitmaps of the preview in drawing order, at offsets in the item.
std::vector<BitmapPlacement> JobPreviewPlacements(const DriverDevmode& record, int shape);
// The summary lines under each other in the preview's top left corner, by the installed options.
std::vector<std::u16string> JobSummaryLines(const DriverDevmode& record);
// The name of a category as its button shows it: one line, or two split at "|".
std::vector<std::u16string> CategoryNameLines(const std::u16string& name);
void DrawCategoryButton(PageContext* page, const DRAWITEMSTRUCT* item);
void DrawJobPreview(PageContext* page, const DRAWITEMSTRUCT* item);

// ---- Running it ----
// The dialog on a thread of its own, modal, owned by the caller's active window, on a page
// context of its own made for the context (bit 31 of its flags from "MOPYING_UIOpen"); OK and the
// close box both leave the edited record in appliedDevmode. The calling thread pumps its messages
// until the dialog's thread has ended (JobDialogPumpAction), then posts the held ones again in
// their order. TRUE whatever the dialog ended with; FALSE only when it could not be run.
BOOL RunJobSettingsDialog(UiContext* context);
// DialogBoxParamW of template 1099 owned by the page's hOwner: the dialog's thread
// (pageContext: a PageContext*). The dialog's result.
DWORD WINAPI JobSettingsDialogThread(LPVOID pageContext);

// What the printing thread does with a message it takes while the dialog runs: ordinary and
// sent messages are dispatched, registered messages (and a quit request) held until the dialog
// has ended, timer messages dropped.
enum class JobPumpAction { Dispatch, Hold, Drop };
JobPumpAction JobDialogPumpAction(UINT message);

}  // namespace orla
