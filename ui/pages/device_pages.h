// The device sheet's two pages: device settings (four device items, the account dialog and the
// TrueType substitution and output paper tables) and device options (the installable options with
// their values and a picture of the printer), and the account dialog the first one opens.
#pragma once

#include "core/driver_devmode.h"
#include "resources/lang/device_page_ids.h"
#include "ui/entry/printer_config.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

namespace device_ids = orla_res::device_page;

// Dialog procedures of templates 501 and 503; the PROPSHEETPAGEW lParam is the PageContext.
INT_PTR CALLBACK DeviceSettingsPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DeviceOptionsPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// ---- The account dialog (template 3520) ----
// Works on the scratch record; OK copies it to the current record and keeps the account block of
// the current mode in the UI context. lParam is the PageContext.
INT_PTR CALLBACK AccountSettingsDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// Opens the dialog over owner with its read-only bit set from the UI context; 1 when OK took the
// settings, 0 otherwise (-1 when the dialog could not be made).
INT_PTR ShowAccountSettingsDialog(PageContext* page, HWND owner);
// Combo 1061 of the dialog: the logon name (item data 0) and an entered user ID (1), the first
// selected while the record takes the user ID from the logon name. The number of entries.
int FillAccountModeCombo(HWND dialog, const DriverDevmode& record);

inline constexpr UINT kWarnNoUserId = 890, kWarnShortPassword = 891;
inline constexpr int kUserIdBytes = 32, kPasswordBytes = 12;  // in the system code page
inline constexpr int kShortPasswordBytes = 3;                 // 1 to this many are refused
inline constexpr DWORD kHelpTopicAccount = 32777;

// ---- The tables' dialogs and the read-only bit ----
// The page context's read-only bit for the dialogs the device pages open: set while the UI
// context may not change settings.
void SetReadOnlyDialogBit(PageContext* page);
// Open the TrueType substitution dialog (2000) and the output paper dialog (2100) with the read-
// only bit set; 2000 first clears bit 0 of the private flags DWORD 400 of the current record.
// The dialogs' answers (0 when a dialog is not there).
INT_PTR ShowDeviceDialog2000(PageContext* page, HWND owner);
INT_PTR ShowDeviceDialog2100(PageContext* page, HWND owner);
inline constexpr UINT kTemplateTrueTypeSubst = 2000, kTemplateOutPaper = 2100;
inline constexpr DWORD kFlags2TrueTypeDefaults = 0x00000001;  // cleared before dialog 2000 opens

// ---- The device options page ----
// Whether the value of an option item may be changed by hand: not while the configuration comes
// from the printer (item 317 always may), item 1303 only with the option at 632 installed and 1304
// only with the one at 636.
bool OptionValueEditable(const DriverDevmode& record, const PrinterConfigRecord& config, WORD item);
// When controlId is a control of the dialog: the printer picture's area (from the client origin
// to just left of control 1050 and just above control 1738) is invalidated and erased. FALSE when
// a control is missing.
BOOL InvalidateControlRect(HWND dialog, int controlId);

// Bits of the private flags DWORD 400 that "Restore Defaults" of the device settings page takes
// from the default record: the printer-font glyphs, compatible margins (also in its copy at 792),
// header limit, the stacked option trays and where the account settings are kept.
// (The bits as the setting items name them: 455, 456, 765, 772, 773, 774.)
inline constexpr DWORD kDeviceDefaultBits = kFlags2FeedMode00 | kFlags2OverlayMode | kFlags2DeviceChoice |
                                            kFlags2StackedFirst | kFlags2StackedSecond | kFlags2AccountPerUser;
inline constexpr DWORD kDeviceDefaultCopiedBits = kFlags2OverlayMode;
// The record after "Restore Defaults" of the device settings page.
void RestoreDeviceDefaults(const DriverDevmode& defaults, DriverDevmode& current);

// Help topics of the device pages.
inline constexpr DWORD kHelpTopicDevicePages = 32785;

}  // namespace orla
