// The paper rules the basic page, the paper-source page and the print-time dialog share: which
// papers a feature takes, the warnings that go with them, and restoring one group of settings to
// the printer's defaults.
#pragma once

#include <string>

#include "core/driver_devmode.h"
#include "ui/pages/page_context.h"
#include "win/base.h"

namespace orla {

// The paper a rule looks at: the output paper when one is chosen, else the document's paper.
// Lengths and widths in 0.1 mm.
struct EffectivePaper {
    std::u16string name;
    LONG length;
    LONG width;
};
EffectivePaper EffectivePaperOf(const DriverDevmode& record);

// version: the device description's "*Version" (rotated papers count from 4 on).
bool IsPaperMappingAllowed(const DriverDevmode& record, LONG version);
bool IsPaperFitForDuplex(const DriverDevmode& record, LONG version);
// The paper cannot take the feature (warning 737): long paper, the envelope, or an unnamed paper
// outside 100.0 to 297.0 mm wide or 148.0 to 431.8 mm long.
bool IsPaperUnfitForFeature(const DriverDevmode& record, LONG version);
// Paper type 2 with output tray 2 (warning 856); output tray 2 with a paper unfit for duplex (858).
bool HasSettingConflict(const DriverDevmode& record);
bool HasDuplexPaperConflict(const DriverDevmode& record, LONG version);

// The name of the usable form (the UI context's forms list) whose id is formId; the description's
// default form name when no usable form has it. TRUE when a usable form had the id.
BOOL GetFormNameById(const PageContext* page, WORD formId, std::u16string* name);

// The groups of settings the pages restore to the printer's defaults.
enum class SettingGroup : int { kBasic = 0, kPaperSource = 1, kImageAdjust = 2, kStampOverlay = 3, kOptionList = 4 };
// Copies one group's fields (with their copies) from defaults into current. ntMajor: the Windows
// major version (one option-list bit depends on it). An unknown group changes nothing.
void RestoreGroupFields(const DriverDevmode& defaults, DriverDevmode& current, int group, DWORD ntMajor);

// The page routines: each reads the page context of the dialog's window. Warnings beep and show a
// message box captioned with the printer's name; each answers whether it warned.
BOOL CheckPaperSelection(PageContext* page, HWND dialog);
BOOL WarnPaperForDuplex(PageContext* page, HWND dialog);
BOOL WarnSettingConflict(PageContext* page, HWND dialog);
// Restores the group, reads the printer data and the configuration back into the record and runs
// the constraint pass. 1 when done, 0 without a page context.
int RestoreGroupDefaults(PageContext* page, HWND dialog, int group);
// The text of textId, captioned with caption when given, else with the text of captionId.
int ShowResourceMessageBox(HWND owner, UINT textId, LPCWSTR caption, UINT captionId, UINT style, HMODULE res);
// A warning of the paper rules: a beep, then the text of textId captioned with the printer's
// name. TRUE (it warned).
BOOL WarnWithPrinterCaption(PageContext* page, HWND dialog, UINT textId);

// The hint line under the controls (static 1000) shows the text of stringId, with the note icon of
// the kind on icon 1006; stringId 0 empties the line and hides the icon.
void ShowHintLine(PageContext* page, HWND dialog, UINT stringId, int kind);
// The note icon of a kind (1, 3, 4, 5; any other kind has the fifth), null when not loaded.
HICON NoteIcon(const PageContext& page, int kind);
BOOL SetDlgItemIcon(HWND dialog, int controlId, HICON icon);

// How CheckUserNameCharacters reports a name the printer's panel cannot show.
enum class UserNameCheck : int { kWarn = 1, kPostToDialog = 2, kSelectTreeRow = 3 };
inline constexpr UINT kMsgUserNameRefused = 1132;  // posted to the dialog in mode 2
// While the job user name is shown on the panel: the name (in the system code page) must not hold
// '"', '~' or a double-byte character. FALSE when it does; the display flag is then cleared
// (modes 1 and 2) and the user told as the mode says.
BOOL CheckUserNameCharacters(HWND dialog, PageContext* page, int mode);

}  // namespace orla
