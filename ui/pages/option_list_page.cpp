// The option-list page: the document items in list 3300 as "name<tab>value", the selected item's
// choices in combo 3303 with its label and note, the panel's user text (item 447) in edit 1031,
// whether a tray joins the tray set (item 449) in combo 1032, the blank-page and toner-save checks,
// restore defaults, and the about box.
#include "ui/pages/option_list_page.h"

#include <algorithm>

#include "core/build_variant.h"
#include "ui/entry/printer_config.h"
#include "ui/pages/context_help.h"
#include "ui/pages/device_page_steps.h"
#include "ui/pages/item_lists.h"
#include "ui/pages/page_common.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/setting_items.h"
#include "ui/pages/trust_marking.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"

namespace orla {

namespace {

using namespace orla_res::option_list;

constexpr WORD kItemResolution = 432, kItemPanelText = 447, kItemTraySet = 449, kItemPrinterFonts = 442;
constexpr WORD kChoiceUserName = 499, kChoiceOwnText = 500;
constexpr WORD kTextLinked = 542, kTextNotLinked = 543;
// The edit's text is written through the field: never past it into the memory size and the
// option pairs that follow (same offsets in both builds).
static_assert(FieldEnd(dm::UserText) <= dm::MemoryKb.offset && dm::MemoryKb.offset < dm::DevicePairs);
static_assert(kUserTextReadChars == dm::UserText.cch - 1);

constexpr WORD kLongItems[] = {432, 433, 434, 438, 440, 442, 443, 444, 447, 454, 599, 449, 840, 781};
constexpr WORD kShortItems[] = {432, 433, 434, 438, 440, 442, 443, 444, 447, 454, 599, 449, 840};
static_assert(std::size(kLongItems) == 14 && std::size(kShortItems) == 13);

// The explanatory note of an item and the kind of icon beside it.
struct ItemNote {
    WORD item;
    UINT note;
    int kind;
};
constexpr ItemNote kItemNotes[] = {
    {433, kNotePatternSize, 1}, {434, kNoteGraphicsMode, 1}, {455, kNoteGlyphs, 1},
    {599, kNoteGreyTables, 1},  {840, kNotePatterns, 1},     {456, kNoteMargins, 2},
};

// Where each tray of the tray set keeps its bit.
struct TrayBit {
    WORD tray;
    DmField<DWORD> word;
    DWORD bit;
};
constexpr TrayBit kTrayBits[] = {
    {1307, dm::Flags1, kFlags1ManualInTraySet},
    {301, dm::TraySet, 0x1},
    {302, dm::TraySet, 0x2},
    {303, dm::TraySet, 0x4},
    {304, dm::TraySet, 0x8},
};

constexpr HelpIdPair kPageHelp[] = {{kSkipBlankPages, 0x5300},
                                    {kTonerSave, 0x5301},
                                    {kPrintingGroup, 0x5302},
                                    {kItemsLabel, 0x5303},
                                    {kNote, 0x5303},
                                    {kItems, 0x5303},
                                    {kValueGroup, 0x5304},
                                    {kValueLabel, 0x5304},
                                    {kValue, 0x5304},
                                    {kUserText, 0x5304},
                                    {kDetailLabel, 0x5304},
                                    {kAboutLabel, 0x5305},
                                    {kAbout, 0x5306},
                                    {kRestoreDefaults, 0x5019},
                                    {0, 0}};

// The list position handled last, for the whole process as the page has always kept it.
int g_lastItemIndex = -1;

DriverDevmode& Record(PageContext* page) {
    return page->uiContext->currentDevmode;
}

void ShowControl(HWND dialog, int id, bool shown, bool enabled) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return;
    ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
    EnableWindow(control, enabled ? TRUE : FALSE);
}

void HideEmpty(HWND dialog, int id) {
    SetDlgItemTextW(dialog, id, u"");
    ShowControl(dialog, id, false, false);
}

// The item of a list line (its item data); 0 for no line.
WORD ItemAt(HWND dialog, int index) {
    if (index < 0) return 0;
    const auto data = SendDlgItemMessageW(dialog, kItems, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data == LB_ERR ? 0 : static_cast<WORD>(data);
}

int ListSelection(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageW(dialog, kItems, LB_GETCURSEL, 0, 0));
}

// The tray an entry of combo 3303 stands for (its item data) while the tray set is shown.
WORD TrayAt(HWND dialog, int comboIndex) {
    if (comboIndex < 0) return 0;
    const auto data = SendDlgItemMessageW(dialog, kValue, CB_GETITEMDATA, static_cast<WPARAM>(comboIndex), 0);
    return data == CB_ERR ? 0 : static_cast<WORD>(data);
}

void RunConstraints(PageContext* page, HWND dialog) {
    RefreshConstraintsAndTree(page, dialog, 0, FALSE);
}

void RefillItems(PageContext* page, HWND dialog, int selection) {
    const std::span<const WORD> items = OptionItemListFor(*page->uiContext);
    FillItemList(dialog, selection < 0 ? 0 : selection, kItems, items, 0);
}

// ---- The selected item's controls ----

void UpdateItemValueControls(HWND dialog, int index) {
    const bool free = GetForcedItemChoice(dialog, ItemAt(dialog, index)) == 0;
    for (int id : {kValue, kNote, kValueLabel, kNoteIcon}) EnableWindow(GetDlgItem(dialog, id), free ? TRUE : FALSE);
}

void SetItemValueLabel(PageContext* page, HWND dialog, int index) {
    const WORD item = ItemAt(dialog, index);
    WCHAR name[256] = {};
    LoadStringW(page->uiContext->hResDll, item, name, 256);
    const std::u16string label = std::u16string(name) + u" (&X):";
    SetDlgItemTextW(dialog, kValueLabel, label.c_str());
    FillItemChoiceCombo(dialog, item, kValue);
    // The English driver prints with the printer's fonts only as the item layer forces it.
    if (!kJapaneseBuild && item == kItemPrinterFonts) {
        EnableWindow(GetDlgItem(dialog, kValue), FALSE);
        EnableWindow(GetDlgItem(dialog, kValueLabel), FALSE);
    }
}

void ShowItemNote(PageContext* page, HWND dialog, UINT noteId, int kind) {
    WCHAR text[256] = {};
    if (noteId != 0) LoadStringW(page->uiContext->hResDll, noteId, text, 256);
    SetDlgItemTextW(dialog, kNote, text);
    if (noteId != 0) SetDlgItemIcon(dialog, kNoteIcon, NoteIcon(*page, kind));
    ShowControl(dialog, kNoteIcon, noteId != 0, noteId != 0);
}

void ShowItemNoteForSelection(PageContext* page, HWND dialog, int index) {
    const WORD item = ItemAt(dialog, index);
    for (const ItemNote& n : kItemNotes) {
        if (n.item == item) return ShowItemNote(page, dialog, n.note, n.kind);
    }
    ShowItemNote(page, dialog, 0, 0);
}

// The edit under the value holds the panel's user name (read-only) or the text of one's own.
void ShowUserNameEdit(PageContext* page, HWND dialog, int index, WORD choice) {
    if (ItemAt(dialog, index) != kItemPanelText) return ShowControl(dialog, kUserText, false, false);
    CheckUserNameCharacters(dialog, page, static_cast<int>(UserNameCheck::kWarn));
    SendDlgItemMessageW(dialog, kUserText, EM_LIMITTEXT, kUserTextChars, 0);
    const DriverDevmode& r = Record(page);
    const DWORD flags = Get(r, dm::Flags1);
    if (choice == kChoiceUserName) {
        if (flags & kFlags1DisplayJobUser) {
            SetDlgItemTextW(dialog, kUserText, GetText(r, dm::JobUserName).c_str());
            ShowControl(dialog, kUserText, true, false);
        } else {
            // The name cannot be shown: the item reads "none" again.
            SendDlgItemMessageW(dialog, kValue, CB_SETCURSEL, 0, 0);
            HideEmpty(dialog, kUserText);
        }
    } else if (choice == kChoiceOwnText) {
        if (flags & kFlags1DisplayUserText) {
            SetDlgItemTextW(dialog, kUserText, GetText(r, dm::UserText).c_str());
            ShowControl(dialog, kUserText, true, true);
        }
    } else {
        HideEmpty(dialog, kUserText);
    }
}

// Combo 1032: whether the tray chosen in 3303 joins the tray set.
void FillTrayStateCombo(PageContext* page, HWND dialog, int index, WORD trayId) {
    DmField<DWORD> word{};
    DWORD bit = 0;
    if (ItemAt(dialog, index) != kItemTraySet || !TraySetBit(trayId, &word, &bit))
        return ShowControl(dialog, kTrayState, false, false);
    HWND combo = GetDlgItem(dialog, kTrayState);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (WORD id : {kTextLinked, kTextNotLinked}) {
        WCHAR text[256] = {};
        LoadStringW(page->uiContext->hResDll, id, text, 256);
        const auto at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), id);
    }
    const bool joined = (Get(Record(page), word) & bit) != 0;
    SendMessageW(combo, CB_SETCURSEL, joined ? 0 : 1, 0);
    ShowControl(dialog, kTrayState, true, true);
}

// Whether the user text in the edit is one the panel can show. While the panel shows the text of
// one's own and the edit holds it, a good text is stored; a bad one keeps the user on the page.
// (An edit that shows something else, or nothing, says nothing of the stored text.)
BOOL ValidateUserNameEdit(PageContext* page, HWND dialog) {
    DriverDevmode& r = Record(page);
    if (!(Get(r, dm::Flags1) & kFlags1DisplayUserText)) return 1;
    HWND edit = GetDlgItem(dialog, kUserText);
    if (!edit || !(GetWindowLongW(edit, GWL_STYLE) & WS_VISIBLE) || !IsWindowEnabled(edit)) return 1;
    WCHAR text[kUserTextReadChars + 1] = {};
    const int n = GetWindowTextW(edit, text, kUserTextReadChars + 1);
    const std::u16string_view typed(text, n > 0 ? static_cast<size_t>(n) : 0);
    if (std::all_of(typed.begin(), typed.end(), IsPanelTextCharacter)) {
        SetText(r, dm::UserText, typed);
        return 1;
    }
    WarnWithPrinterCaption(page, dialog, kWarnUserText);
    PostMessageW(dialog, kMsgFocusUserText, 0, 0);
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
    return 0;
}

// ---- Filling the page ----

void InitOptionListPage(PageContext* page, HWND dialog) {
    CheckUserNameCharacters(dialog, page, static_cast<int>(UserNameCheck::kWarn));
    const DWORD flags = Get(Record(page), dm::Flags1);
    CheckDlgButton(dialog, kSkipBlankPages, (flags & kFlags1PrintBlankPages) ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(dialog, kTonerSave, (flags & kFlags1TonerSave) ? BST_CHECKED : BST_UNCHECKED);
    const int index = std::max(ListSelection(dialog), 0);
    RefillItems(page, dialog, index);
    UpdateItemValueControls(dialog, index);
    SetItemValueLabel(page, dialog, index);
    ShowControl(dialog, kUserText, false, false);
    ShowControl(dialog, kTrayState, false, false);
    const WORD item = ItemAt(dialog, index);
    if (item == kItemPanelText) ShowUserNameEdit(page, dialog, index, GetItemChoice(dialog, kItemPanelText));
    if (item == kItemTraySet) {
        const auto tray = SendDlgItemMessageW(dialog, kValue, CB_GETCURSEL, 0, 0);
        FillTrayStateCombo(page, dialog, index, TrayAt(dialog, static_cast<int>(tray)));
    }
    ShowItemNoteForSelection(page, dialog, index);
}

// ---- Commands (a non-zero answer tells the sheet the page changed) ----

int OnItemSelected(PageContext* page, HWND dialog, int code) {
    const int index = ListSelection(dialog);
    if (code == LBN_DBLCLK) {
        // A double click moves a free item on to its next choice, as if the user chose it.
        if (index >= 0 && GetForcedItemChoice(dialog, ItemAt(dialog, index)) == 0) NotifyListSelection(dialog, kValue);
        return 0;
    }
    if (code != LBN_SELCHANGE || index == -1 || index == g_lastItemIndex) return 0;
    g_lastItemIndex = index;
    UpdateItemValueControls(dialog, index);
    SetItemValueLabel(page, dialog, index);
    ShowItemNoteForSelection(page, dialog, index);
    const WORD item = ItemAt(dialog, index);
    ShowUserNameEdit(page, dialog, index, GetItemChoice(dialog, item));
    const auto tray = SendDlgItemMessageW(dialog, kValue, CB_GETCURSEL, 0, 0);
    FillTrayStateCombo(page, dialog, index, TrayAt(dialog, static_cast<int>(tray)));
    RunConstraints(page, dialog);
    return 1;
}

int OnItemValueChanged(PageContext* page, HWND dialog) {
    const int index = ListSelection(dialog);
    const WORD item = ItemAt(dialog, index);
    HWND combo = GetDlgItem(dialog, kValue);
    const int choice = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (item == 0 || choice < 0) return 0;
    ApplyItemChoice(dialog, combo, item, choice);
    const std::span<const WORD> panelChoices = ItemChoiceList(kItemPanelText);
    const WORD panelChoice = static_cast<size_t>(choice) < panelChoices.size() ? panelChoices[choice] : 0;
    ShowUserNameEdit(page, dialog, index, panelChoice);
    RunConstraints(page, dialog);
    // The tray of the chosen entry, read before the refill replaces the entries.
    const WORD tray = item == kItemTraySet ? TrayAt(dialog, choice) : 0;
    RefillItems(page, dialog, index);
    FillTrayStateCombo(page, dialog, index, tray);
    return 1;
}

// Edit 1031 changed: while it holds the text of one's own, the text goes to the record, cut to
// the field's 17 characters.
void OnUserTextChanged(PageContext* page, HWND dialog) {
    if (ItemAt(dialog, ListSelection(dialog)) != kItemPanelText) return;
    const std::span<const WORD> choices = ItemChoiceList(kItemPanelText);
    const auto at = SendDlgItemMessageW(dialog, kValue, CB_GETCURSEL, 0, 0);
    if (at < 0 || static_cast<size_t>(at) >= choices.size() || choices[static_cast<size_t>(at)] != kChoiceOwnText)
        return;
    WCHAR text[kUserTextReadChars + 1] = {};
    const int n = GetDlgItemTextW(dialog, kUserText, text, kUserTextReadChars + 1);
    SetText(Record(page), dm::UserText, std::u16string_view(text, n > 0 ? static_cast<size_t>(n) : 0));
}

int OnTrayStateChanged(PageContext* page, HWND dialog) {
    const auto state = SendDlgItemMessageW(dialog, kTrayState, CB_GETCURSEL, 0, 0);
    const auto tray = SendDlgItemMessageW(dialog, kValue, CB_GETCURSEL, 0, 0);
    DmField<DWORD> word{};
    DWORD bit = 0;
    if (state < 0 || !TraySetBit(TrayAt(dialog, static_cast<int>(tray)), &word, &bit)) return 0;
    DriverDevmode& r = Record(page);
    Set(r, word, state == 0 ? Get(r, word) | bit : Get(r, word) & ~bit);
    RefillItems(page, dialog, ListSelection(dialog));
    return 1;
}

int OnCheck(PageContext* page, HWND dialog, int id) {
    DriverDevmode& r = Record(page);
    const bool checked = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    if (id == kTonerSave) {
        for (DmField<DWORD> word : {dm::Flags1, dm::SavedFlags1})
            Set(r, word, checked ? Get(r, word) | kFlags1TonerSave : Get(r, word) & ~kFlags1TonerSave);
    } else {
        Set(r, dm::Flags1,
            checked ? Get(r, dm::Flags1) & ~kFlags1PrintBlankPages : Get(r, dm::Flags1) | kFlags1PrintBlankPages);
    }
    return 1;
}

int OptionListPageRestoreDefaults(PageContext* page, HWND dialog) {
    RestoreGroupDefaults(page, dialog, static_cast<int>(SettingGroup::kOptionList));
    RunConstraints(page, dialog);
    InitOptionListPage(page, dialog);
    SetFocus(GetDlgItem(dialog, kSkipBlankPages));
    return 1;
}

void ShowPageHelp(PageContext* page) {
    ShowHtmlHelpAsync(GetDesktopWindow(), page->uiContext->helpFile, kHelpContextCommand, kHelpTopicOptionList);
}

void OptionListPageCommand(PageContext* page, HWND dialog, int id, int code) {
    int changed = 0;
    switch (id) {
        case kItems:
            changed = OnItemSelected(page, dialog, code);
            break;
        case kValue:
            if (code == CBN_SELCHANGE) changed = OnItemValueChanged(page, dialog);
            break;
        case kUserText:
            if (code == EN_UPDATE) OnUserTextChanged(page, dialog);
            break;
        case kTrayState:
            if (code == CBN_SELCHANGE) changed = OnTrayStateChanged(page, dialog);
            break;
        case kTonerSave:
        case kSkipBlankPages:
            if (code == BN_CLICKED) changed = OnCheck(page, dialog, id);
            break;
        case kRestoreDefaults:
            if (code == BN_CLICKED) changed = OptionListPageRestoreDefaults(page, dialog);
            break;
        case kAbout:
            if (code == BN_CLICKED) ShowAboutBox(page, dialog);
            break;
        case kHelp:
            if (code == BN_CLICKED) ShowPageHelp(page);
            break;
    }
    if (changed) SendMessageW(GetParent(dialog), PSM_CHANGED, reinterpret_cast<WPARAM>(dialog), 0);
}

BOOL OptionListPageNotify(PageContext* page, HWND dialog, const NMHDR* note) {
    LONG_PTR result = PSNRET_NOERROR;
    switch (note->code) {
        case PSN_SETACTIVE:
            g_lastItemIndex = -1;
            page->hSheetFrame = GetParent(dialog);
            page->hPageDlg = dialog;
            InitOptionListPage(page, dialog);
            RunConstraints(page, dialog);
            break;
        case PSN_KILLACTIVE:
            // A refused text has set the answer itself.
            if (!ValidateUserNameEdit(page, dialog)) return TRUE;
            result = 0;
            break;
        case PSN_APPLY:
            ApplyPageSettings(page, dialog);
            break;
        case PSN_HELP:
            ShowPageHelp(page);
            break;
        default:
            return FALSE;
    }
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

void OptionListPageInitDialog(PageContext* page, HWND dialog) {
    EnableWindow(GetDlgItem(dialog, kDetailLabel), FALSE);
    page->hPageDlg = dialog;
    InitOptionListPage(page, dialog);
    RefreshPrinterConfig(page);
}

}  // namespace

std::span<const WORD> OptionItemList(bool longList) {
    if (longList) return kLongItems;
    return kShortItems;
}

std::span<const WORD> OptionItemListFor(const UiContext& ui) {
    return OptionItemList(kJapaneseBuild && TrustMarkingAvailable(ui));
}

bool IsPanelTextCharacter(char16_t c) {
    return c == u' ' || c == u'!' || (c >= u'#' && c <= u'}') || (c >= u'\uFF61' && c <= u'\uFF9F');
}

bool TraySetBit(WORD trayId, DmField<DWORD>* word, DWORD* bit) {
    for (const TrayBit& t : kTrayBits) {
        if (t.tray != trayId) continue;
        *word = t.word;
        *bit = t.bit;
        return true;
    }
    return false;
}

int LastOptionListIndex() {
    return g_lastItemIndex;
}

INT_PTR CALLBACK OptionListPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        PageContext* page = KeepDevicePageContext(hDlg, lParam);
        if (page && page->uiContext) OptionListPageInitDialog(page, hDlg);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;  // before WM_INITDIALOG, or a page without its context
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kPageHelp)) return TRUE;
    switch (message) {
        case WM_NOTIFY:
            return lParam && OptionListPageNotify(page, hDlg, reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND:
            OptionListPageCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case kMsgFocusUserText:
            SetFocus(GetDlgItem(hDlg, kUserText));
            SendDlgItemMessageW(hDlg, kUserText, EM_SETSEL, 0, -1);
            return TRUE;
    }
    return FALSE;
}

}  // namespace orla
