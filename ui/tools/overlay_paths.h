// Form overlays in the dialogs: the path rule that turns a typed path into the settings record's
// overlay folder and name, the overlay check with its error box, the recent-files history of
// "DAT_FormHistory" and the header fields as texts. The stamp and overlay page and the
// form-overlay information dialog share them.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/driver_devmode.h"
#include "core/form_overlay.h"
#include "resources/lang/stamp_page_ids.h"
#include "ui/entry/ui_context.h"
#include "win/user.h"

namespace orla {

// Status 256: the path does not name a ".fn2" file (the same code as a wrong signature line).
inline constexpr DWORD kOverlayNotFormFile = 0x100;
// Posted to a dialog whose overlay check failed: the dialog shows the error.
inline constexpr UINT kMsgOverlayError = 1127;
inline constexpr size_t kOverlayPathChars = 260;
inline constexpr size_t kOverlayFolderBytes = 127;
inline constexpr int kOverlayNameBytes = 8;
inline constexpr size_t kFormHistoryShown = 10;
inline constexpr char16_t kFormHistoryValue[] = u"DAT_FormHistory";

// ---- Path rule ----
struct OverlayPathParse {
    bool taken = false;
    DWORD status = kOverlayOk;  // set when not taken
    std::string folder;         // system code page, without the final "\"
    std::string name;           // at most 8 bytes of whole characters
};
// The rule on a path in the system code page (the file name part as found on disk already put
// in): an empty text is status 0 (overlay off) or 0x40000; a folder over 127 bytes 0x40000; an
// extension other than ".fn2" in any letter case 256. A "\" that is the second byte of a
// double-byte character does not end the folder.
OverlayPathParse ParseOverlayPathText(std::string_view ansiPath, bool overlayOn);
// The path of the dialog's combo (at most 260 characters) taken into the record: the file name as
// found on disk when the file exists, then the rule above. 1 when taken (folder and name set),
// else 0 with the status set; a path refused for its extension clears the information fields.
BOOL ParseFormOverlayPath(HWND dialog, int comboId, DriverDevmode* record);

// ---- Header fields ----
// The eleven texts of the information dialog's fields (2309, 2311, ..., 2329), in that order.
using OverlayFieldTexts = std::array<std::u16string, orla_res::stamp_page::kInfoFieldCount>;
OverlayFieldTexts OverlayHeaderTexts(const FormOverlayHeader& header);
// Fills the fields from the header of the file the record names; clears them when the file
// cannot be read.
void ShowFormOverlayInfo(HWND dialog, const DriverDevmode& record);
// Empties the eleven fields.
void ClearFormOverlayInfo(HWND dialog);

// ---- The check and its error ----
// With folder and name both empty: 0, nothing shown. Otherwise the header is applied to record:
// status 0 shows the fields and answers 1; status 512 shows them, any other status clears them;
// with postError the dialog is posted message 1127; 0.
BOOL ValidateFormOverlay(HWND dialog, UiContext* context, DriverDevmode* record, BOOL postError);
// The string shown after the path for an overlay status: 807 (256), 806 (512), 808 (the path's
// codes); 0 for a status with no message.
UINT OverlayErrorText(DWORD status);
// A beep-less warning box: the combo's text and the status's string, captioned with the device
// description's printer name; the combo gets the focus.
void ReportFormOverlayError(HWND dialog, int comboId, UiContext* context, DWORD status);

// ---- History ----
// The first ten strings of "DAT_FormHistory" (empty ones included), each ended by its NUL or by
// the value's end; never a byte past the value. An odd last byte is not read.
std::vector<std::u16string> FormHistoryStrings(std::span<const BYTE> value);
// The value as stored (empty when missing or unreadable).
std::vector<BYTE> ReadFormHistory(HANDLE hPrinter);
// The overlay path of a record as UTF-16: folder, "\" unless it ends in one, name, ".fn2".
std::u16string OverlayPathText(const DriverDevmode& record);
// The combo emptied and filled from the history (empty strings and the record's own path
// skipped), entry 0 selected; its edit text the record's path (with the file's name as found on
// disk), moved to the top of the list. Empty when the record names no overlay.
void FillFormHistoryCombo(HWND dialog, int comboId, UiContext* context, const DriverDevmode& record);
// The combo's edit text moved to the top of its list: an exact match removed (else entry 9), the
// text put at 0 and selected.
void MoveComboTextToTop(HWND dialog, int comboId);

// ---- Browse ----
// The open-file dialog for a ".fn2" file (filter string 472, flags 0x1804, buffers as given):
// the chosen path, or empty when cancelled.
std::u16string BrowseForOverlay(HWND owner, UiContext* context, DWORD fileChars, DWORD titleChars);

}  // namespace orla
