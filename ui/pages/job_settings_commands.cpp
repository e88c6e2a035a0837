// The print-time dialog's panel commands: each writes its field of the current settings record
// (and the field's remembered copy), refreshes the panel and tells the page window.
#include <string>

#include "core/ansi_text.h"
#include "resources/lang/job_settings_ids.h"
#include "ui/entry/option_constraints.h"
#include "ui/pages/favourite_dialogs.h"
#include "ui/pages/job_settings.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/stamp_editor.h"
#include "ui/tools/stamp_store.h"
#include "win/nls.h"
#include "win/user_controls.h"

namespace orla {

namespace {

namespace ids = orla_res::job_settings;

constexpr int kHintKindClear = 2, kHintKindInfo = 3;
constexpr DWORD kPrintPositionForOnePage = 50, kPrintPositionForMany = 100;
constexpr size_t kTextBytes = 64, kTextReadBytes = 129;

DriverDevmode& Record(PageContext* page) {
    return page->uiContext->currentDevmode;
}
bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}
// A flag bit of the private flags, with its remembered copy.
void SetFlag(DriverDevmode& r, DWORD bit, bool on) {
    for (auto f : {dm::Flags1, dm::SavedFlags1}) Set(r, f, on ? (Get(r, f) | bit) : (Get(r, f) & ~bit));
}
void Notify(PageContext* page, HWND dialog) {
    if (page->hPageDlg) SendMessageW(page->hPageDlg, kMessageSettingsRefreshed, reinterpret_cast<WPARAM>(dialog), 0);
}
// The pass switches the dialog's own controls: a panel shows them as the pass leaves them.
void Constraints(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    ItemSwitches switches = PageItemSwitches(page, dialog);
    ApplyOptionConstraints(&ui->currentDevmode, &switches, &ui->printerConfig, ui->hPrinter, ui->deviceData,
                           ui->hResDll, ui->flags, &ui->monitorProbe);
}
// Refilling the shown panel and marking the favourite, without the constraint pass.
void Repaint(PageContext* page, HWND dialog, UINT index) {
    FillPanelControls(page, dialog, index);
    MarkFavouriteMatch(page->uiContext, dialog);
}
void Refresh(PageContext* page, HWND dialog, UINT index) {
    Constraints(page, dialog);
    Repaint(page, dialog, index);
    Notify(page, dialog);
}
LPARAM SelectedData(HWND dialog, int id) {
    const LRESULT at = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
    return at < 0 ? -1 : SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(at), 0);
}

void OnCategory(PageContext* page, HWND dialog, UINT index) {
    HWND list = GetDlgItem(dialog, ids::kCategories);
    const LRESULT chosen = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (chosen < 0 || static_cast<UINT>(chosen) == index ||
        static_cast<UINT>(chosen) >= CategoryCount(page->hotItemTable))
        return;
    RECT old{};
    if (SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&old)) != LB_ERR)
        InvalidateRect(list, &old, FALSE);
    Set(Record(page), dm::DialogCategory, static_cast<WORD>(chosen));
    UpdateWindow(list);
    Constraints(page, dialog);
    FillPanelControls(page, dialog, static_cast<UINT>(chosen));
}

void OnPagesPerSheet(PageContext* page, HWND dialog, UINT index) {
    DriverDevmode& r = Record(page);
    const LPARAM data = SelectedData(dialog, ids::kPagesPerSheet);
    if (data < 600) return;
    const WORD value = static_cast<WORD>(data - 600), old = Get(r, dm::LayoutMode);
    if (value == old) return;
    // One page a sheet prints from the middle of the print positions, several from the corner.
    if (value == 1 || old == 1)
        for (auto f : {dm::PrintPosTop, dm::PrintPosLeft, dm::PrintPosTop2, dm::PrintPosLeft2})
            Set(r, f, value == 1 ? kPrintPositionForOnePage : kPrintPositionForMany);
    Set(r, dm::LayoutMode, value);
    Set(r, dm::SavedLayoutMode, value);
    Refresh(page, dialog, index);
}

void OnWordChoice(PageContext* page, HWND dialog, UINT index, DmField<WORD> field, DmField<WORD> copy, WORD value) {
    DriverDevmode& r = Record(page);
    if (Get(r, field) == value) return;
    Set(r, field, value);
    Set(r, copy, value);
    Refresh(page, dialog, index);
}

void OnFlag(PageContext* page, HWND dialog, UINT index, DWORD bit, bool on) {
    DriverDevmode& r = Record(page);
    if (((Get(r, dm::Flags1) & bit) != 0) == on) return;
    SetFlag(r, bit, on);
    Refresh(page, dialog, index);
}

void OnDuplex(PageContext* page, HWND dialog, UINT index, SHORT value) {
    DriverDevmode& r = Record(page);
    if (Get(r, dm::Duplex) != value) {
        Set(r, dm::Duplex, value);
        Set(r, dm::PrevDuplex, static_cast<WORD>(value));
        Refresh(page, dialog, index);
    }
    ShowHintLine(page, dialog, ids::kHintDuplex, kHintKindInfo);
}

// Collate and job separation go together while the coupling bit is set.
void OnCollate(PageContext* page, HWND dialog, UINT index, bool on) {
    DriverDevmode& r = Record(page);
    const bool coupled = Get(r, dm::Flags1) & kFlags1CollateSeparate;
    SetFlag(r, kFlags1Collate, on);
    if (coupled) SetFlag(r, kFlags1JobSeparate, on);
    if (!on) return Refresh(page, dialog, index);
    Constraints(page, dialog);
    Repaint(page, dialog, index);
    ShowHintLine(page, dialog, ids::kHintCollate, kHintKindClear);
    Notify(page, dialog);
}

void OnJobSeparate(PageContext* page, HWND dialog, UINT index, bool on) {
    DriverDevmode& r = Record(page);
    ShowHintLine(page, dialog, 0, kHintKindClear);
    const bool coupled = Get(r, dm::Flags1) & kFlags1CollateSeparate;
    SetFlag(r, kFlags1JobSeparate, on);
    if (coupled) SetFlag(r, kFlags1Collate, on);
    if (!on) return Refresh(page, dialog, index);
    Constraints(page, dialog);
    Repaint(page, dialog, index);
    if (Get(r, dm::Flags1) & kFlags1Collate) ShowHintLine(page, dialog, ids::kHintCollate, kHintKindClear);
    Notify(page, dialog);
}

void OnCoupling(PageContext* page, HWND dialog, UINT index, bool on) {
    DriverDevmode& r = Record(page);
    ShowHintLine(page, dialog, 0, kHintKindClear);
    SetFlag(r, kFlags1CollateSeparate, on);
    if (on) {
        SetFlag(r, kFlags1JobSeparate, (Get(r, dm::Flags1) & kFlags1Collate) != 0);
        CheckDlgButton(dialog, ids::kJobSeparate,
                       (Get(r, dm::Flags1) & kFlags1JobSeparate) ? BST_CHECKED : BST_UNCHECKED);
    }
    Refresh(page, dialog, index);
}

// Stamp on or annotation on: no constraint pass.
void OnSwitch(PageContext* page, HWND dialog, UINT index, DmField<DWORD> field, bool on) {
    Set(Record(page), field, on ? 1u : 0u);
    Repaint(page, dialog, index);
    Notify(page, dialog);
}

// Item i of the stamp combo is stamp i + 1: 0 would mean no stamp.
void OnStampChoice(PageContext* page, HWND dialog, UINT index) {
    const LPARAM data = SelectedData(dialog, ids::kStampChoice);
    if (data < 0) return;
    DriverDevmode& r = Record(page);
    Set(r, dm::StampNumber, static_cast<DWORD>(data + 1));
    LoadStampsIntoContext(page->uiContext);
    Set(r, dm::StampDrawFlag, DWORD{1});
    Repaint(page, dialog, index);
    Notify(page, dialog);
}

void OnStampEditor(PageContext* page, HWND dialog, UINT index) {
    UiContext* ui = page->uiContext;
    LoadStampsIntoContext(ui);
    Set(ui->currentDevmode, dm::StampEditState, DWORD{0});
    ui->scratchDevmode = ui->currentDevmode;
    if (OpenStampEditor(page, dialog, stamp_editor_ids::kTemplateJobStamp) != IDOK) return;  // nothing was edited
    DriverDevmode& r = ui->currentDevmode;
    Set(r, dm::StampDrawFlag, DWORD{1});
    Set(r, dm::StampNumber,
        static_cast<DWORD>(static_cast<LONG>(static_cast<SHORT>(Get(r, DmField<WORD>{dm::StampRecord.offset})))));
    Set(r, dm::StampEditState, DWORD{0});
    Repaint(page, dialog, index);
    Notify(page, dialog);
}

void OnDwordChoice(PageContext* page, HWND dialog, UINT index, int id, DmField<DWORD> field) {
    const LPARAM data = SelectedData(dialog, id);
    if (data < 0) return;
    Set(Record(page), field, static_cast<DWORD>(data));
    Repaint(page, dialog, index);
    Notify(page, dialog);
}

// The annotation text: at most 64 bytes in the system code page; a longer text is refused and
// the stored one comes back.
void OnAnnotationText(PageContext* page, HWND dialog) {
    DriverDevmode& r = Record(page);
    WCHAR text[kTextReadBytes + 1] = {};
    GetDlgItemTextW(dialog, ids::kAnnotationText, text, static_cast<int>(kTextReadBytes));
    const std::string ansi = AnsiText(WideView(text));
    if (ansi.size() > kTextBytes) {
        MessageBeep(MB_ICONEXCLAMATION);
        SetDlgItemTextW(dialog, ids::kAnnotationText, GetText(r, dm::AnnotationText).c_str());
        return;
    }
    WCHAR wide[kTextBytes + 1] = {};
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide, static_cast<int>(kTextBytes));
    if (GetText(r, dm::AnnotationText) == std::u16string(wide)) return;
    SetText(r, dm::AnnotationText, wide);
    Notify(page, dialog);
}

void OnOffsetStacking(PageContext* page, HWND dialog, UINT index, bool on) {
    DriverDevmode& r = Record(page);
    const DWORD value = on ? 1 : 0;
    if (Get(r, dm::OffsetStacking) == value) return;
    Set(r, dm::OffsetStacking, value);
    Set(r, dm::SavedOffsetStacking, value);
    Refresh(page, dialog, index);
}

// The page order radios: the one checked gives the order.
void OnOrder(PageContext* page, HWND dialog, UINT index, int id) {
    ShowHintLine(page, dialog, 0, kHintKindClear);
    if (!Checked(dialog, id)) return;
    OnWordChoice(page, dialog, index, dm::LayoutOrder, dm::SavedLayoutOrder, static_cast<WORD>(id - ids::kOrder0));
}

LRESULT OnCommand(PageContext* page, HWND dialog, int id, int code) {
    const UINT index = Get(Record(page), dm::DialogCategory);
    switch (id) {
        case ids::kCategories:
            if (code == LBN_SELCHANGE) OnCategory(page, dialog, index);
            return 1;
        case ids::kPagesPerSheet:
            ShowHintLine(page, dialog, 0, kHintKindClear);
            if (code == CBN_SELCHANGE) OnPagesPerSheet(page, dialog, index);
            return 1;
        case ids::kFrameKind: {
            ShowHintLine(page, dialog, 0, kHintKindClear);
            const LRESULT at = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
            if (code == CBN_SELCHANGE && at >= 0)
                OnWordChoice(page, dialog, index, dm::FrameKind, dm::SavedFrameKind, static_cast<WORD>(at));
            return 1;
        }
        case ids::kPageFrame:
            ShowHintLine(page, dialog, 0, kHintKindClear);
            OnFlag(page, dialog, index, kFlags1PageFrame, Checked(dialog, id));
            return 1;
        case ids::kOrder0:
        case ids::kOrder1:
        case ids::kOrder2:
        case ids::kOrder3:
            OnOrder(page, dialog, index, id);
            return 1;
        case ids::kSimplex:
        case ids::kLongEdge:
        case ids::kShortEdge:
            if (Checked(dialog, id))
                OnDuplex(page, dialog, index, static_cast<SHORT>(id - ids::kSimplex + DMDUP_SIMPLEX));
            return 1;
        case ids::kBindFront:
        case ids::kBindBack:
            ShowHintLine(page, dialog, 0, kHintKindClear);
            if (Checked(dialog, id)) OnFlag(page, dialog, index, kFlags1BindingBack, id == ids::kBindBack);
            return 1;
        case ids::kCollate:
            OnCollate(page, dialog, index, Checked(dialog, id));
            return 1;
        case ids::kJobSeparate:
            OnJobSeparate(page, dialog, index, Checked(dialog, id));
            return 1;
        case ids::kCollateSeparate:
            OnCoupling(page, dialog, index, Checked(dialog, id));
            return 1;
        case ids::kReprint:
            ShowHintLine(page, dialog, 0, kHintKindClear);
            OnFlag(page, dialog, index, kFlags1Reprint, Checked(dialog, id));
            return 1;
        case ids::kStampOn:
            OnSwitch(page, dialog, index, dm::StampDrawFlag, Checked(dialog, id));
            return 1;
        case ids::kAnnotationOn:
            OnSwitch(page, dialog, index, dm::AnnotationOn, Checked(dialog, id));
            return 1;
        case ids::kStampChoice:
            if (code == CBN_SELCHANGE) OnStampChoice(page, dialog, index);
            return 1;
        case ids::kStampEdit:
            if (code == BN_CLICKED) OnStampEditor(page, dialog, index);
            return 1;
        case ids::kAnnotationPosition:
            if (code == CBN_SELCHANGE) OnDwordChoice(page, dialog, index, id, dm::AnnotationPosition);
            return 1;
        case ids::kAnnotationKind:
            if (code == CBN_SELCHANGE) OnDwordChoice(page, dialog, index, id, dm::AnnotationKind);
            return 1;
        case ids::kAnnotationText:
            if (code == EN_CHANGE) OnAnnotationText(page, dialog);
            return 1;
        case ids::kOffsetStacking:
            OnOffsetStacking(page, dialog, index, Checked(dialog, id));
            return 1;
    }
    return 0;
}

// The mouse left the buttons for the dialog: no button is hot any more.
void OnMouseMove(PageContext* page, HWND dialog) {
    if (page->hotItem == kNoHotItem) return;
    HWND list = GetDlgItem(dialog, ids::kCategories);
    RECT rc{};
    if (SendMessageW(list, LB_GETITEMRECT, page->hotItem, reinterpret_cast<LPARAM>(&rc)) != LB_ERR)
        InvalidateRect(list, &rc, FALSE);
    page->hotItem = kNoHotItem;
    UpdateWindow(list);
}

}  // namespace

LRESULT JobSettingsDialogHandler(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    PageContext* page = PageContextOf(dialog);
    if (!page || !page->uiContext) return 0;
    if (message == WM_MOUSEMOVE) {
        OnMouseMove(page, dialog);
        return 1;
    }
    if (message != WM_COMMAND) return 0;
    return OnCommand(page, dialog, LOWORD(wParam), HIWORD(wParam));
}

}  // namespace orla
