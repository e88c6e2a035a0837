// The device settings page: the printer-font glyphs, compatible margins, header limit and where
// the account settings are kept, each a setting item of the current record; the account dialog;
// the TrueType substitution and output paper tables; and the page's defaults.
#include "ui/entry/printer_data_store.h"
#include "ui/pages/context_help.h"
#include "ui/pages/device_page_steps.h"
#include "ui/pages/device_pages.h"
#include "ui/pages/device_table_dialogs.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/setting_items.h"
#include "win/user_controls.h"

namespace orla {

namespace {

using namespace orla_res::device_page;

// The combos and the items they edit.
struct ItemCombo {
    int combo;
    WORD item;
};
constexpr ItemCombo kItemCombos[] = {
    {kGlyphs, 455},
    {kMargins, 456},
    {kAccountStore, 774},
    {kHeaderLimit, 765},
};
constexpr WORD kMarginsItem = 456;

constexpr HelpIdPair kSettingsPageHelp[] = {{kAccountStoreLabel, 21509},
                                            {kAccountStore, 21509},
                                            {kAccountSettings, 21510},
                                            {kHeaderLimitLabel, 21511},
                                            {kHeaderLimit, 21511},
                                            {kGlyphsLabel, 21504},
                                            {kGlyphs, 21504},
                                            {kMarginsLabel, 21505},
                                            {kMargins, 21505},
                                            {kOutPaperTable, 21506},
                                            {kTrueTypeTable, 21507},
                                            {kRestoreDefaults, 20505},
                                            {0, 0}};

// The dialogs of the two tables by template.
struct TableDialog {
    UINT templateId;
    DLGPROC proc;
};
constexpr TableDialog kTableDialogs[] = {
    {kTemplateTrueTypeSubst, TrueTypeSubstDialogProc},
    {kTemplateOutPaper, OutPaperDialogProc},
};

void FillSettingsPage(PageContext*, HWND dialog) {
    for (const ItemCombo& c : kItemCombos) FillItemChoiceCombo(dialog, c.item, c.combo);
    // A choice other settings force cannot be made here; the label follows its combo.
    if (GetForcedItemChoice(dialog, kMarginsItem) != 0) EnableDialogControl(dialog, kMargins, false);
    HWND margins = GetDlgItem(dialog, kMargins);
    EnableDialogControl(dialog, kMarginsLabel, margins && IsWindowEnabled(margins));
}

INT_PTR OpenTableDialog(PageContext* page, HWND owner, UINT templateId) {
    SetReadOnlyDialogBit(page);
    for (const TableDialog& d : kTableDialogs) {
        if (d.templateId != templateId) continue;
        return DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(templateId), owner, d.proc,
                               reinterpret_cast<LPARAM>(page));
    }
    return 0;
}

void OnItemCombo(PageContext* page, HWND dialog, const ItemCombo& c) {
    HWND combo = GetDlgItem(dialog, c.combo);
    const auto sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (sel < 0) return;
    ApplyItemChoice(dialog, combo, c.item, static_cast<int>(sel));
    MarkDevicePageChanged(page, dialog);
}

void OnRestoreDefaults(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    const DWORD accountMode = Get(ui->currentDevmode, dm::Flags2) & kFlags2AccountPerUser;
    RestoreDeviceDefaults(ui->defaultDevmode, ui->currentDevmode);
    // Another account store brings its own saved account, as choosing it in the combo does: the
    // record must not carry one store's account under the other's mode.
    if ((Get(ui->currentDevmode, dm::Flags2) & kFlags2AccountPerUser) != accountMode) RestoreAccountBlock(ui);
    RefreshConstraintsAndTree(page, dialog, 0, FALSE);
    FillSettingsPage(page, dialog);
    SetFocus(GetDlgItem(dialog, kAccountStore));
    MarkDevicePageChanged(page, dialog);
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    for (const ItemCombo& c : kItemCombos) {
        if (c.combo == id) {
            if (code == CBN_SELCHANGE) OnItemCombo(page, dialog, c);
            return;
        }
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case kTrueTypeTable:
            ShowDeviceDialog2000(page, dialog);
            MarkDevicePageChanged(page, dialog);
            return;
        case kOutPaperTable:
            // Only a table the dialog changed changes the page.
            if (ShowDeviceDialog2100(page, dialog) != 0) MarkDevicePageChanged(page, dialog);
            return;
        case kAccountSettings:
            ShowAccountSettingsDialog(page, dialog);
            MarkDevicePageChanged(page, dialog);
            return;
        case kRestoreDefaults:
            OnRestoreDefaults(page, dialog);
            return;
        case kHelp:
            ShowDevicePageHelp(page);
            return;
    }
}

void OnInitDialog(PageContext* page, HWND dialog) {
    page->hPageDlg = dialog;
    if (!(page->uiContext->flags & kUiCanChange)) EnableDialogControl(dialog, kTablesGroup, false);
}

}  // namespace

INT_PTR ShowDeviceDialog2000(PageContext* page, HWND owner) {
    if (!page || !page->uiContext) return 0;
    DriverDevmode& r = page->uiContext->currentDevmode;
    Set(r, dm::Flags2, Get(r, dm::Flags2) & ~kFlags2TrueTypeDefaults);
    return OpenTableDialog(page, owner, kTemplateTrueTypeSubst);
}

INT_PTR ShowDeviceDialog2100(PageContext* page, HWND owner) {
    if (!page || !page->uiContext) return 0;
    return OpenTableDialog(page, owner, kTemplateOutPaper);
}

void RestoreDeviceDefaults(const DriverDevmode& defaults, DriverDevmode& current) {
    const DWORD was = Get(current, dm::Flags2);
    const DWORD flags = (was & ~kDeviceDefaultBits) | (Get(defaults, dm::Flags2) & kDeviceDefaultBits);
    Set(current, dm::Flags2, flags);
    const DWORD copy = Get(current, dm::SavedFlags2);
    Set(current, dm::SavedFlags2, (copy & ~kDeviceDefaultCopiedBits) | (flags & kDeviceDefaultCopiedBits));
}

INT_PTR CALLBACK DeviceSettingsPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        PageContext* page = KeepDevicePageContext(hDlg, lParam);
        if (page && page->uiContext) OnInitDialog(page, hDlg);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;  // before WM_INITDIALOG, or a page without its context
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kSettingsPageHelp)) return TRUE;
    switch (message) {
        case WM_NOTIFY:
            return lParam && OnDevicePageNotify(page, hDlg, reinterpret_cast<const NMHDR*>(lParam), FillSettingsPage);
        case WM_COMMAND:
            OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
    }
    return FALSE;
}

}  // namespace orla
