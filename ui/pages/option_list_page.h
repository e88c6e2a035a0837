// The option-list page: the document items as lines of a list with the selected item's choices,
// its note, the panel's user text and the tray set; two checks for flag bits; restore defaults;
// and the about box it opens, with the driver file's version and the maker's web page.
#pragma once

#include <span>

#include "resources/lang/option_list_ids.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

namespace option_ids = orla_res::option_list;

// Dialog procedure of template 504; the PROPSHEETPAGEW lParam is the PageContext.
INT_PTR CALLBACK OptionListPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// The items the list shows, -1-ended as the item layer keeps them: the long list carries the
// trust-marking optimisation (781) and is used only while the trust-marking library takes the
// printer (never in the English build).
std::span<const WORD> OptionItemList(bool longList);
std::span<const WORD> OptionItemListFor(const UiContext& ui);

// Characters the printer's panel shows: U+0020, U+0021, U+0023 to U+007D and the half-width
// katakana U+FF61 to U+FF9F.
bool IsPanelTextCharacter(char16_t c);
inline constexpr int kUserTextChars = 16;  // the edit's limit
inline constexpr int kUserTextReadChars = 17;

// The tray-set bit of a tray (1307 the manual slot, 301 to 304 the feeders) in the record: the
// word it lives in and the bit. False for any other id.
bool TraySetBit(WORD trayId, DmField<DWORD>* word, DWORD* bit);

// The list position the page handled last (one for the process); -1 after activation.
int LastOptionListIndex();

// ---- About box (template 510) ----
// Opens the about box over owner; the dialog's result (-1 when it could not be made).
INT_PTR ShowAboutBox(PageContext* page, HWND owner);
INT_PTR CALLBACK AboutBoxProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// "Version <FileVersion>" of the file's version resource (its first translation's string table);
// empty when the file has none.
std::u16string DriverVersionText(const UiContext& ui);
// The about box's line: printer name + " Printer Driver " + version text.
std::u16string AboutVersionLine(const UiContext& ui);
inline constexpr char16_t kMakerWebPage[] = u"https://www.qev.example/printers/";

// A font of that height and weight, upright, default character set, proof quality, pitch and
// family 49 (fixed pitch, Swiss).
HFONT CreateSimpleFont(int height, int weight, LPCWSTR face);

inline constexpr DWORD kHelpTopicOptionList = 32785;

}  // namespace orla
