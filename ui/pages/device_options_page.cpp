// The device options page: the installed trays, the installable options with the selected one's
// value, a picture of the printer as configured, and the configuration read from the printer.
// While the printer reports its configuration the values are the printer's, not the user's.
#include "resources/lang/sheet_ids.h"
#include "ui/entry/printer_config.h"
#include "ui/pages/config_retrieval.h"
#include "ui/pages/context_help.h"
#include "ui/pages/device_page_steps.h"
#include "ui/pages/device_pages.h"
#include "ui/pages/item_lists.h"
#include "ui/pages/page_common.h"
#include "ui/pages/preview_pictures.h"
#include "ui/pages/setting_items.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"
#include "win/user_paint.h"

namespace orla {

namespace {

using namespace orla_res::device_page;

constexpr WORD kTrayItems[] = {301, 302, 303, 304};
constexpr WORD kOptionItems[] = {770, 1302, 1303, 1304, 309, 459};
constexpr int kTrayTabs = 3, kOptionTabs = 1;  // FillItemList's tab kinds: no value shown, value at 100
constexpr WORD kFaceUpTrayItem = 317;
constexpr char16_t kValueLabelEnd[] = u" (&E):";

// Options that need another option installed before their value means anything.
struct OptionNeeds {
    WORD item;
    unsigned pair;
};
constexpr OptionNeeds kOptionNeeds[] = {
    {1303, dm::kFeeder2},  // 632
    {1304, dm::kFeeder3},  // 636
};

// Controls a UI context that may not change settings leaves only to look at.
constexpr int kLockedControls[] = {kOptionsLabel, kOptions,    kValueGroup, kValueLabel,
                                   kValue,        kTraysLabel, kTrays,      kGetConfiguration};

constexpr HelpIdPair kOptionsPageHelp[] = {{kOptionsLabel, 21760},
                                           {kOptions, 21760},
                                           {kValueGroup, 21761},
                                           {kValueLabel, 21761},
                                           {kValue, 21761},
                                           {kTraysLabel, 21762},
                                           {kTrays, 21762},
                                           {kGetConfiguration, 21763},
                                           {0, 0}};

bool Editable(const PageContext* page) {
    return (page->uiContext->flags & kUiCanChange) != 0;
}

bool FromPrinter(const PageContext* page) {
    return (page->uiContext->printerConfig.extStatus & kConfigFromPrinter) != 0;
}

// The option item of list 1046's selected line; 0 without a selection.
WORD SelectedOption(HWND dialog) {
    const auto sel = SendDlgItemMessageW(dialog, kOptions, LB_GETCURSEL, 0, 0);
    if (sel < 0) return 0;
    return static_cast<WORD>(SendDlgItemMessageW(dialog, kOptions, LB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
}

bool SelectedOptionEditable(PageContext* page, HWND dialog) {
    const WORD item = SelectedOption(dialog);
    const UiContext* ui = page->uiContext;
    return item != 0 && Editable(page) && OptionValueEditable(ui->currentDevmode, ui->printerConfig, item);
}

// Label 3741 names the selected option, combo 3742 offers its values.
void FillValueControls(PageContext* page, HWND dialog) {
    const WORD item = SelectedOption(dialog);
    WCHAR name[256] = {};
    if (item != 0) LoadStringW(page->uiContext->hResDll, item, name, 256);
    SetDlgItemTextW(dialog, kValueLabel, item != 0 ? (std::u16string(name) + kValueLabelEnd).c_str() : u"");
    if (item != 0)
        FillItemChoiceCombo(dialog, item, kValue);
    else
        SendDlgItemMessageW(dialog, kValue, CB_RESETCONTENT, 0, 0);
    const bool editable = SelectedOptionEditable(page, dialog);
    EnableDialogControl(dialog, kValueLabel, editable);
    EnableDialogControl(dialog, kValue, editable);
}

void FillLists(HWND dialog) {
    FillItemList(dialog, 0, kTrays, kTrayItems, kTrayTabs);
    const auto kept = SendDlgItemMessageW(dialog, kOptions, LB_GETCURSEL, 0, 0);
    FillItemList(dialog, kept >= 0 ? static_cast<int>(kept) : 0, kOptions, kOptionItems, kOptionTabs);
}

void FillOptionsPage(PageContext* page, HWND dialog) {
    FillLists(dialog);
    FillValueControls(page, dialog);
    EnableDialogControl(dialog, kGetConfiguration, FromPrinter(page) && Editable(page));
}

void OnValueChosen(PageContext* page, HWND dialog) {
    const WORD item = SelectedOption(dialog);
    HWND combo = GetDlgItem(dialog, kValue);
    const auto sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (item == 0 || sel < 0 || !SelectedOptionEditable(page, dialog)) return;
    ApplyItemChoice(dialog, combo, item, static_cast<int>(sel));
    FillLists(dialog);
    FillValueControls(page, dialog);
    MarkDevicePageChanged(page, dialog);
}

// Reads the configuration through the waiting dialog; the page shows what it left.
void OnGetConfiguration(PageContext* page, HWND dialog) {
    const INT_PTR read = DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(orla_res::kTemplateConfigRetrieval),
                                         dialog, DeviceConfigRetrievalDialogProc, reinterpret_cast<LPARAM>(page));
    FillOptionsPage(page, dialog);
    if (read > 0) MarkDevicePageChanged(page, dialog);
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    if (id == kOptions && code == LBN_SELCHANGE) {
        FillValueControls(page, dialog);
    } else if (id == kOptions && code == LBN_DBLCLK) {
        // The next value, as if the user had chosen it in the combo.
        if (!SelectedOptionEditable(page, dialog)) return;
        NotifyListSelection(dialog, kValue);
    } else if (id == kValue && code == CBN_SELCHANGE) {
        OnValueChosen(page, dialog);
    } else if (id == kGetConfiguration && code == BN_CLICKED) {
        OnGetConfiguration(page, dialog);
    } else {
        if (id == kHelp && code == BN_CLICKED) ShowDevicePageHelp(page);
        return;
    }
    InvalidateControlRect(dialog, kPrinter);
}

// The printer as the record has it configured, before the page is shown.
void OnInitDialog(PageContext* page, HWND dialog) {
    page->hPageDlg = dialog;
    RefreshPrinterConfig(page);
    if (!Editable(page))
        for (int id : kLockedControls) EnableDialogControl(dialog, id, false);
}

void OnDrawItem(PageContext* page, const DRAWITEMSTRUCT* item) {
    if (item->CtlID == static_cast<UINT>(kPrinter) && (item->itemAction & ODA_DRAWENTIRE))
        DrawPrinterPicture(page, item->hDC, item->hwndItem);
}

}  // namespace

bool OptionValueEditable(const DriverDevmode& record, const PrinterConfigRecord& config, WORD item) {
    if (item == kFaceUpTrayItem) return true;
    if (config.extStatus & kConfigFromPrinter) return false;
    for (const OptionNeeds& needs : kOptionNeeds)
        if (needs.item == item && !(Get(record, dm::DeviceState(needs.pair)) & dm::kDeviceInstalled)) return false;
    return true;
}

BOOL InvalidateControlRect(HWND dialog, int controlId) {
    HWND options = GetDlgItem(dialog, kOptionsLabel), trays = GetDlgItem(dialog, kTraysGroup);
    if (!GetDlgItem(dialog, controlId) || !options || !trays) return FALSE;
    RECT left{}, below{};
    GetWindowRect(options, &left);
    GetWindowRect(trays, &below);
    POINT corner{left.left - 1, below.top - 1};
    ScreenToClient(dialog, &corner);
    const RECT area{0, 0, corner.x, corner.y};
    return InvalidateRect(dialog, &area, TRUE);
}

INT_PTR CALLBACK DeviceOptionsPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        PageContext* page = KeepDevicePageContext(hDlg, lParam);
        if (page && page->uiContext) OnInitDialog(page, hDlg);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;  // before WM_INITDIALOG, or a page without its context
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kOptionsPageHelp)) return TRUE;
    switch (message) {
        case WM_NOTIFY:
            return lParam && OnDevicePageNotify(page, hDlg, reinterpret_cast<const NMHDR*>(lParam), FillOptionsPage);
        case WM_COMMAND:
            OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DRAWITEM:
            if (lParam) OnDrawItem(page, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
    }
    return FALSE;
}

}  // namespace orla
