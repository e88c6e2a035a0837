// The stamp and overlay page (template 524): the stamp list with its options, editor and preview,
// the page annotation dialog (536), the form overlay with its history and information dialog, and
// in the Japanese build the trust-marking settings with the warnings about settings that cannot
// go with trust marking.
#pragma once

#include <vector>

#include "core/driver_devmode.h"
#include "resources/lang/stamp_page_ids.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

namespace stamp_page_ids = orla_res::stamp_page;

INT_PTR CALLBACK StampPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Shared steps of the page (stamp_page.cpp) ----
// The stamp list refilled, the option controls enabled with a selected stamp, delete only above
// the factory stamps, the preview redrawn.
void RefreshStampList(PageContext* page, HWND dialog);
// The sheet told the page changed.
void MarkStampPageChanged(PageContext* page, HWND dialog);

// ---- Page annotation dialog (stamp_annotation_dialog.cpp) ----
INT_PTR CALLBACK StampDetailDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// Opens dialog 536 over owner on the scratch record; OK copies it back. IDOK or IDCANCEL.
INT_PTR OpenStampDetailDialog(PageContext* page, HWND owner);

// ---- Form overlay on the page (stamp_page_overlay.cpp) ----
// The overlay of the current record checked (the header applied): FALSE, with message 1127
// posted when asked, for a bad overlay; FALSE without a message when none is named.
BOOL CheckFormOverlay(PageContext* page, HWND dialog, BOOL postError);
// The overlay controls from the record: checks 1544 and 2332, the history, what is enabled.
void ShowOverlayControls(PageContext* page, HWND dialog);
// The overlay's commands (1540, 1542, 1544, 2300, 2332); FALSE for any other control.
BOOL OnOverlayCommand(PageContext* page, HWND dialog, int id, int code);
// PSN_KILLACTIVE: FALSE when the page must not be left.
BOOL LeaveOverlay(PageContext* page, HWND dialog);
// Message 1127: the error of the current record's status.
void ShowOverlayError(PageContext* page, HWND dialog);

// ---- Trust marking (Japanese build, stamp_page_trust.cpp) ----
// Conflicts of the settings with trust marking.
inline constexpr DWORD kKweTonerSave = 1;      // toner save on
inline constexpr DWORD kKweNoSmoothing = 2;    // resolution enhancement off
inline constexpr DWORD kKweDensity = 4;        // print density other than 3
inline constexpr DWORD kKweOverlay = 8;        // a form overlay on
inline constexpr DWORD kKweExcludedMode = 16;  // a mode that trust marking excludes
inline constexpr DWORD kKwePaper = 32;         // a paper the marks do not fit
inline constexpr DWORD kKweResolution = 64;    // 200, 240, 400 or 1200 dpi
inline constexpr WORD kKweRequiredDensity = 3;
// The settings conflicts (1 to 16) of a record.
DWORD KweSettingConflicts(const DriverDevmode& record);
// The texts of the settings warning: one conflict alone its own text, several the heading and
// each one's line; empty for none.
std::vector<UINT> KweConflictTexts(DWORD conflicts);
// The paper and resolution conflicts (32, 64) of a record; version: the description's "*Version".
DWORD PaperZoomConflicts(const DriverDevmode& record, LONG version);
// The text of the paper and resolution warning (0 for none).
UINT PaperZoomText(DWORD conflicts, bool offers1200);
// The warnings, shown only while trust marking is on: a beep and the box. TRUE when one showed.
BOOL WarnKweConflicts(PageContext* page, HWND dialog);
BOOL CheckPaperZoomForStamp(PageContext* page, HWND dialog);
// The library is installed and takes this printer (a handle made and released at once).
BOOL KweAvailableForPage(PageContext* page);
// The owner name handed to the library: 66 bytes of the system code page, zero-filled.
inline constexpr size_t kKweOwnerBytes = 66;
inline constexpr char kUnknownUser[] = "UnknownUser";
void BuildKweOwnerName(const DriverDevmode& record, char (&owner)[kKweOwnerBytes]);
// Command 1500: the library's settings dialog around the whole handle sequence.
void OnTrustMarkingSettings(PageContext* page, HWND dialog);

}  // namespace orla
