// The layout-detail dialog's procedure. Every field edits the scratch record at once; the shown
// values and the preview's rectangles are recomputed from the record after each change, so the
// record is the one truth. OK checks the zoom and the image's place and copies the scratch record
// over the current one: the whole record of this build, whose size differs between the builds.
#include "ui/pages/layout_detail_dialog.h"

#include <algorithm>
#include <array>
#include <string>

#include "ui/entry/option_constraints.h"
#include "ui/pages/context_help.h"
#include "ui/pages/layout_geometry.h"
#include "ui/pages/layout_preview_window.h"
#include "ui/pages/paper_rules.h"
#include "win/user_controls.h"

namespace orla {

namespace {

using namespace orla_res::layout_detail;

constexpr int kTextChars = 64;
constexpr int kPositionChars = 7;
constexpr int kZoomChars = 3;
constexpr LONG kZoomSpinMin = 1, kZoomSpinMax = 999;
constexpr std::u16string_view kNoZoom = u"---";

// One side's controls.
struct SideControls {
    int top, topSpin, left, leftSpin, bottom, right, centre;
    int units[4];
};
constexpr SideControls kSides[2] = {
    {kFrontTop,
     kFrontTopSpin,
     kFrontLeft,
     kFrontLeftSpin,
     kFrontBottom,
     kFrontRight,
     kFrontCentre,
     {kFrontTopUnit, kFrontLeftUnit, kFrontBottomUnit, kFrontRightUnit}},
    {kBackTop,
     kBackTopSpin,
     kBackLeft,
     kBackLeftSpin,
     kBackBottom,
     kBackRight,
     kBackCentre,
     {kBackTopUnit, kBackLeftUnit, kBackBottomUnit, kBackRightUnit}},
};

// A position edit: its side, whether it is the top, and its up-down control.
struct PositionEdit {
    int edit;
    int upDown;
    int side;
    bool top;
};
constexpr PositionEdit kPositionEdits[] = {
    {kFrontTop, kFrontTopSpin, kLayoutFront, true},
    {kFrontLeft, kFrontLeftSpin, kLayoutFront, false},
    {kBackTop, kBackTopSpin, kLayoutBack, true},
    {kBackLeft, kBackLeftSpin, kLayoutBack, false},
};

const PositionEdit* PositionEditOf(int id) {
    for (const PositionEdit& p : kPositionEdits)
        if (p.edit == id || p.upDown == id) return &p;
    return nullptr;
}

struct HelpRange {
    int first, last;
    DWORD helpId;
};
// clang-format off
constexpr HelpRange kHelpRanges[] = {
    {kPreview, kPreview, 25093},
    {kPaperLabel, kPaperCaption, 25097},
    {kFrontGroup, kFrontRightUnit, 25088},
    {kFrontCentre, kFrontCentre, 25094},
    {kBackGroup, kBackRightUnit, 25088},
    {kBackCentre, kBackCentre, 25094},
    {kMirrorFront, kMirrorFront, 25095},
    {kSameAsFront, kSameAsFront, 25096},
    {kZoomGroup, kZoomPercent, 25089},
    {kUnitGroup, kUnitGroup, 25090},
    {kMillimetres, kMillimetres, 25091},
    {kInches, kInches, 25092},
};
// clang-format on
constexpr size_t HelpEntryCount() {
    size_t n = 0;
    for (const HelpRange& r : kHelpRanges) n += static_cast<size_t>(r.last - r.first + 1);
    return n;
}
// The dialog's help table, each control of a range with the range's topic; {0, 0} ends it.
constexpr auto kLayoutHelp = [] {
    std::array<HelpIdPair, HelpEntryCount() + 1> table{};
    size_t i = 0;
    for (const HelpRange& r : kHelpRanges)
        for (int id = r.first; id <= r.last; ++id) table[i++] = {static_cast<DWORD>(id), r.helpId};
    return table;
}();

// ---- Small helpers ---------------------------------------------------------------------------

DriverDevmode& Scratch(PageContext* page) {
    return page->uiContext->scratchDevmode;
}
LayoutState& State(PageContext* page) {
    return page->layout;
}
bool HasBack(const PageContext* page) {
    return (page->layout.layoutFlags & kLayoutBackSide) != 0;
}
bool InNup(const PageContext* page) {
    return (page->layout.layoutFlags & kLayoutNup) != 0;
}

void Enable(HWND dialog, int id, bool on) {
    if (HWND control = GetDlgItem(dialog, id)) EnableWindow(control, on ? TRUE : FALSE);
}

std::u16string EditText(HWND dialog, int id) {
    WCHAR buffer[kTextChars + 1] = {};
    const UINT n = GetDlgItemTextW(dialog, id, buffer, kTextChars + 1);
    return std::u16string(buffer, n);
}

void ShowText(HWND dialog, int id, const std::u16string& text) {
    SetDlgItemTextW(dialog, id, text.c_str());
}

void RunConstraints(PageContext* page) {
    UiContext* ui = page->uiContext;
    ApplyOptionConstraints(&ui->scratchDevmode, nullptr, &ui->printerConfig, ui->hPrinter, ui->deviceData, ui->hResDll,
                           ui->flags, &ui->monitorProbe);
}

void ClampZoom(DriverDevmode& r) {
    const LONG zoom = Get(r, dm::Zoom);
    Set(r, dm::Zoom, static_cast<WORD>(std::clamp(zoom, kZoomMin, kZoomMax)));
}

void SetFreeZoom(DriverDevmode& r, bool on) {
    for (auto f : {dm::Flags1, dm::SavedFlags1})
        Set(r, f, on ? (Get(r, f) | kFlags1ManualZoom) : (Get(r, f) & ~kFlags1ManualZoom));
}

void StoreZoom(DriverDevmode& r, LONG zoom) {
    const auto value = static_cast<WORD>(std::clamp<LONG>(zoom, 0, 0xFFFF));
    Set(r, dm::Zoom, value);
    Set(r, dm::SavedZoom, value);
}

// ---- Geometry and shown values ---------------------------------------------------------------

void ComputePapers(PageContext* page) {
    LayoutState& s = State(page);
    ComputeLayoutPapers(&s, Scratch(page), page->uiContext->deviceData);
    if (s.layoutFlags & kLayoutNup) MakeNupPage(&s);
}

void ComputePreview(PageContext* page, HWND dialog) {
    RECT client{};
    if (HWND preview = GetDlgItem(dialog, kPreview)) GetClientRect(preview, &client);
    ComputePreviewGeometry(&State(page), Scratch(page), client.right - client.left, client.bottom - client.top);
}

void Repaint(HWND dialog) {
    if (HWND preview = GetDlgItem(dialog, kPreview)) InvalidateRect(preview, nullptr, FALSE);
}

void ShowSide(PageContext* page, HWND dialog, int side) {
    const LayoutShownSide shown = ShownSide(State(page), Scratch(page), side);
    const int scale = UnitRuleOf(LayoutUnitOf(Scratch(page))).scale;
    const SideControls& c = kSides[side];
    ShowText(dialog, c.top, FormatFixedPoint(shown.top, scale));
    ShowText(dialog, c.left, FormatFixedPoint(shown.left, scale));
    ShowText(dialog, c.bottom, FormatFixedPoint(shown.bottom, scale));
    ShowText(dialog, c.right, FormatFixedPoint(shown.right, scale));
    SendDlgItemMessageW(dialog, c.topSpin, UDM_SETPOS32, 0, shown.top);
    SendDlgItemMessageW(dialog, c.leftSpin, UDM_SETPOS32, 0, shown.left);
}

void ShowValues(PageContext* page, HWND dialog) {
    ShowSide(page, dialog, kLayoutFront);
    if (HasBack(page)) ShowSide(page, dialog, kLayoutBack);
    const WORD zoom = Get(Scratch(page), dm::Zoom);
    ShowText(dialog, kZoom, InNup(page) ? std::u16string(kNoZoom) : FormatFixedPoint(zoom, 1));
    SendDlgItemMessageW(dialog, kZoomSpin, UDM_SETPOS32, 0, zoom);
}

void ShowUnits(PageContext* page, HWND dialog) {
    const LayoutUnit unit = LayoutUnitOf(Scratch(page));
    CheckRadioButton(dialog, kMillimetres, kInches, unit == LayoutUnit::kInches ? kInches : kMillimetres);
    const char16_t* label = unit == LayoutUnit::kInches ? u"inch" : u"mm";
    for (const SideControls& c : kSides)
        for (int id : c.units) SetDlgItemTextW(dialog, id, label);
    ShowText(dialog, kPaperCaption, LayoutCaption(State(page), unit));
}

void SetRanges(PageContext* page, HWND dialog) {
    const LONG range = UnitRuleOf(LayoutUnitOf(Scratch(page))).range;
    for (const PositionEdit& p : kPositionEdits) SendDlgItemMessageW(dialog, p.upDown, UDM_SETRANGE32, -range, range);
    SendDlgItemMessageW(dialog, kZoomSpin, UDM_SETRANGE32, kZoomSpinMin, kZoomSpinMax);
}

void SetEditLimits(HWND dialog) {
    for (const PositionEdit& p : kPositionEdits) SendDlgItemMessageW(dialog, p.edit, EM_LIMITTEXT, kPositionChars, 0);
    SendDlgItemMessageW(dialog, kZoom, EM_LIMITTEXT, kZoomChars, 0);
}

// After any change of the record: rectangles, shown values, preview.
void Refresh(PageContext* page, HWND dialog) {
    ComputePreview(page, dialog);
    ShowValues(page, dialog);
    Repaint(dialog);
}

// ---- Arrangement ------------------------------------------------------------------------------

RECT ControlRect(HWND dialog, int id) {
    RECT r{};
    HWND control = GetDlgItem(dialog, id);
    if (!control) return r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void MoveBy(HWND dialog, int id, LONG dx) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return;
    const RECT r = ControlRect(dialog, id);
    MoveWindow(control, r.left + dx, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

// Without a back side the back group goes and the front and zoom groups take the middle.
void HideBackGroup(PageContext* page, HWND dialog) {
    const LONG shift = (ControlRect(dialog, kBackGroup).right - ControlRect(dialog, kFrontGroup).right) / 2;
    for (int id = kBackGroup; id <= kSameAsFront; ++id) {
        if (HWND control = GetDlgItem(dialog, id)) {
            ShowWindow(control, SW_HIDE);
            EnableWindow(control, FALSE);
        }
    }
    for (int id = kFrontGroup; id <= kFrontCentre; ++id) MoveBy(dialog, id, shift);
    for (int id = kZoomGroup; id <= kZoomPercent; ++id) MoveBy(dialog, id, shift);
    WCHAR caption[kTextChars] = {};
    if (LoadStringW(page->uiContext->hResDll, kTextPrintPosition, caption, kTextChars) > 0)
        SetDlgItemTextW(dialog, kFrontGroup, caption);
}

void EnableZoomGroup(PageContext* page, HWND dialog) {
    const bool nup = InNup(page);
    const bool freeZoom = (Get(Scratch(page), dm::Flags1) & kFlags1ManualZoom) != 0;
    for (int id : {kZoomGroup, kFreeZoom, kZoomPercent}) Enable(dialog, id, !nup);
    for (int id : {kZoom, kZoomSpin}) Enable(dialog, id, !nup && freeZoom);
}

// ---- Commands ---------------------------------------------------------------------------------

void StorePosition(PageContext* page, const PositionEdit& p, LONG shown) {
    DriverDevmode& r = Scratch(page);
    const LONG stored = ShownToStored(shown, LayoutUnitOf(r));
    const LONG top = p.top ? stored : PositionTop(r, p.side);
    const LONG left = p.top ? PositionLeft(r, p.side) : stored;
    SetPosition(r, p.side, top, left);
}

LONG StoredShown(PageContext* page, const PositionEdit& p) {
    const DriverDevmode& r = Scratch(page);
    return StoredToShown(p.top ? PositionTop(r, p.side) : PositionLeft(r, p.side), LayoutUnitOf(r));
}

void OnPositionKillFocus(PageContext* page, HWND dialog, const PositionEdit& p) {
    StorePosition(page, p, SyncEditWithSpin(page, dialog, TRUE, p.edit, p.upDown));
    Refresh(page, dialog);
}

// Typing stores the value only where the shown value changes: a stored position the unit cannot
// show exactly is not rounded by merely being shown.
void OnPositionChange(PageContext* page, HWND dialog, const PositionEdit& p) {
    const LONG shown = SyncEditWithSpin(page, dialog, FALSE, p.edit, 0);
    if (shown != StoredShown(page, p)) StorePosition(page, p, shown);
}

void OnUpDown(PageContext* page, HWND dialog, HWND upDown) {
    const int id = GetDlgCtrlID(upDown);
    DriverDevmode& r = Scratch(page);
    const LONG pos = static_cast<LONG>(SendMessageW(upDown, UDM_GETPOS32, 0, 0));
    int buddy = kZoom;
    if (id == kZoomSpin) {
        StoreZoom(r, pos);
    } else if (const PositionEdit* p = PositionEditOf(id)) {
        const LayoutUnitRule rule = UnitRuleOf(LayoutUnitOf(r));
        const LONG value = LimitToRange(pos, rule.range);
        ShowText(dialog, p->edit, FormatFixedPoint(value, rule.scale));
        StorePosition(page, *p, value);
        buddy = p->edit;
    } else {
        return;
    }
    Refresh(page, dialog);
    SendDlgItemMessageW(dialog, buddy, EM_SETSEL, 0, -1);
}

void OnZoomEdit(PageContext* page, HWND dialog, int code) {
    DriverDevmode& r = Scratch(page);
    if (code == EN_KILLFOCUS) {
        BOOL read = FALSE;
        StoreZoom(r, static_cast<LONG>(GetDlgItemInt(dialog, kZoom, &read, FALSE)));
        Refresh(page, dialog);
    } else if (code == EN_CHANGE && !InNup(page)) {
        const LONG zoom = SyncEditWithSpin(page, dialog, FALSE, kZoom, 0);
        if (zoom != Get(r, dm::Zoom)) StoreZoom(r, zoom);
    }
}

void OnCentre(PageContext* page, HWND dialog, int side) {
    const LayoutPosition centred = CentredPosition(State(page), Scratch(page), side);
    SetPosition(Scratch(page), side, centred.top, centred.left);
    Refresh(page, dialog);
}

void OnBackFromFront(PageContext* page, HWND dialog, bool mirror) {
    DriverDevmode& r = Scratch(page);
    const LayoutPosition back =
        mirror ? MirroredBackPosition(State(page), r, DeviceDataVersion(page->uiContext->deviceData))
               : LayoutPosition{PositionTop(r, kLayoutFront), PositionLeft(r, kLayoutFront)};
    SetPosition(r, kLayoutBack, back.top, back.left);
    Refresh(page, dialog);
}

// The modes again after the free zoom or the defaults changed them, with the papers they imply.
void ReevaluateModes(PageContext* page) {
    LayoutState& s = State(page);
    s.layoutFlags = EvaluateLayoutFlags(s.layoutFlags, Scratch(page), page->uiContext->flags);
    RunConstraints(page);
}

void OnFreeZoom(PageContext* page, HWND dialog) {
    DriverDevmode& r = Scratch(page);
    const bool on = IsDlgButtonChecked(dialog, kFreeZoom) == BST_CHECKED;
    SetFreeZoom(r, on);
    Enable(dialog, kZoom, on);
    Enable(dialog, kZoomSpin, on);
    if (on) {
        Set(r, dm::SavedZoom, Get(r, dm::Zoom));
        ReevaluateModes(page);
    } else {
        State(page).layoutFlags &= ~kLayoutResizable;
        ReevaluateModes(page);
        ClampZoom(r);
    }
    ComputePapers(page);
    Refresh(page, dialog);
}

void OnUnit(PageContext* page, HWND dialog, int id) {
    DriverDevmode& r = Scratch(page);
    if (IsDlgButtonChecked(dialog, id) != BST_CHECKED) return;
    const bool inches = id == kInches;
    if (inches == (LayoutUnitOf(r) == LayoutUnit::kInches)) return;
    Set(r, dm::Flags1,
        inches ? (Get(r, dm::Flags1) | kFlags1LayoutInches) : (Get(r, dm::Flags1) & ~kFlags1LayoutInches));
    SetRanges(page, dialog);
    ShowValues(page, dialog);
    ShowUnits(page, dialog);
}

void OnDefaults(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    DriverDevmode& r = Scratch(page);
    const LayoutState& s = State(page);
    const LONG top = InNup(page) ? kNupPosition : s.sheetMargins.top;
    const LONG left = InNup(page) ? kNupPosition : s.sheetMargins.left;
    SetPosition(r, kLayoutFront, top, left);
    if (HasBack(page)) SetPosition(r, kLayoutBack, top, left);
    const bool freeZoom = (Get(ui->defaultDevmode, dm::Flags1) & kFlags1ManualZoom) != 0;
    SetFreeZoom(r, freeZoom);
    CheckDlgButton(dialog, kFreeZoom, freeZoom ? BST_CHECKED : BST_UNCHECKED);
    Enable(dialog, kZoom, freeZoom);
    Enable(dialog, kZoomSpin, freeZoom);
    State(page).layoutFlags &= ~kLayoutResizable;
    ReevaluateModes(page);
    Set(r, dm::SavedZoom, Get(r, dm::Zoom));
    ClampZoom(r);
    Set(r, dm::Flags1, Get(r, dm::Flags1) & ~kFlags1LayoutInches);
    SetRanges(page, dialog);
    ComputePapers(page);
    Refresh(page, dialog);
    ShowUnits(page, dialog);
    SetFocus(GetDlgItem(dialog, kFrontTop));
}

// OK: a zoom out of range keeps the dialog open; an image off the printable area only warns.
void OnOk(PageContext* page, HWND dialog) {
    DriverDevmode& r = Scratch(page);
    const LONG zoom = Get(r, dm::Zoom);
    if (zoom < kZoomMin || zoom > kZoomMax) {
        WarnWithPrinterCaption(page, dialog, kWarnZoomRange);
        SetFocus(GetDlgItem(dialog, kZoom));
        SendDlgItemMessageW(dialog, kZoom, EM_SETSEL, 0, -1);
        return;
    }
    for (const PositionEdit& p : kPositionEdits) {
        if (p.side == kLayoutBack && !HasBack(page)) continue;
        StorePosition(page, p, SyncEditWithSpin(page, dialog, TRUE, p.edit, p.upDown));
        ComputePreview(page, dialog);
        Repaint(dialog);
    }
    if (!CheckImageOnSheet(State(page), r)) WarnWithPrinterCaption(page, dialog, kWarnImageOffSheet);
    RunConstraints(page);
    page->uiContext->currentDevmode = r;
    EndDialog(dialog, TRUE);
}

void OnHelpButton(PageContext* page) {
    ShowHtmlHelpAsync(page->whatsThisCtl, page->uiContext->helpFile, kHelpContextCommand, page->helpId);
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    if (const PositionEdit* p = PositionEditOf(id); p && p->edit == id) {
        if (code == EN_KILLFOCUS) OnPositionKillFocus(page, dialog, *p);
        if (code == EN_CHANGE) OnPositionChange(page, dialog, *p);
        return;
    }
    if (id == kZoom) return OnZoomEdit(page, dialog, code);
    if (code != BN_CLICKED) return;
    switch (id) {
        case kFrontCentre:
            return OnCentre(page, dialog, kLayoutFront);
        case kBackCentre:
            return OnCentre(page, dialog, kLayoutBack);
        case kSameAsFront:
            return OnBackFromFront(page, dialog, false);
        case kMirrorFront:
            return OnBackFromFront(page, dialog, true);
        case kFreeZoom:
            return OnFreeZoom(page, dialog);
        case kMillimetres:
        case kInches:
            return OnUnit(page, dialog, id);
        case kDefaults:
            return OnDefaults(page, dialog);
        case IDOK:
            return OnOk(page, dialog);
        case IDCANCEL:
            EndDialog(dialog, FALSE);
            return;
        case kHelp:
            return OnHelpButton(page);
    }
}

void OnInitDialog(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    ui->scratchDevmode = ui->currentDevmode;
    page->layout = LayoutState{};
    LayoutState& s = State(page);
    DriverDevmode& r = Scratch(page);
    s.layoutFlags = EvaluateLayoutFlags(0, r, ui->flags);
    RunConstraints(page);
    ArrangeLayoutControls(page, dialog);
    CheckDlgButton(dialog, kFreeZoom, (Get(r, dm::Flags1) & kFlags1ManualZoom) ? BST_CHECKED : BST_UNCHECKED);
    SetEditLimits(dialog);
    SetRanges(page, dialog);
    ComputePapers(page);
    ClampZoom(r);
    ComputePreview(page, dialog);
    ShowValues(page, dialog);
    ShowUnits(page, dialog);
    SubclassLayoutPreview(page, dialog);
}

}  // namespace

LONG SyncEditWithSpin(PageContext* page, HWND dialog, BOOL reformat, int editId, int upDownId) {
    const std::u16string text = EditText(dialog, editId);
    const bool zoom = editId == kZoom;
    if (zoom && text == kNoZoom) return 0;
    const LayoutUnitRule rule = UnitRuleOf(LayoutUnitOf(Scratch(page)));
    const ParsedFixedPoint parsed = ParseFixedPoint(text, zoom ? 0 : rule.decimals);
    LONG value = parsed.value;
    if (reformat) {
        value = LimitToRange(value, zoom ? kZoomSpinMax : rule.range);
        ShowText(dialog, editId, FormatFixedPoint(value, zoom ? 1 : rule.scale));
    } else if (parsed.keptLength < text.size()) {
        ShowText(dialog, editId, text.substr(0, parsed.keptLength));
        SendDlgItemMessageW(dialog, editId, EM_SETSEL, parsed.keptLength, static_cast<LPARAM>(parsed.keptLength));
    }
    if (upDownId != 0) SendDlgItemMessageW(dialog, upDownId, UDM_SETPOS32, 0, value);
    return value;
}

void ArrangeLayoutControls(PageContext* page, HWND dialog) {
    if (!HasBack(page)) HideBackGroup(page, dialog);
    EnableZoomGroup(page, dialog);
}

INT_PTR CALLBACK LayoutDetailDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (PageContext* page = KeepDialogPageContext(hDlg, lParam)) OnInitDialog(page, hDlg);
        return TRUE;
    }
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        RECT client{};
        if (!measure || !GetClientRect(GetDlgItem(hDlg, static_cast<int>(measure->CtlID)), &client)) return FALSE;
        measure->itemWidth = static_cast<UINT>(client.right - client.left);
        measure->itemHeight = static_cast<UINT>(client.bottom - client.top);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kLayoutHelp.data())) return TRUE;
    switch (message) {
        case WM_COMMAND:
            OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_VSCROLL:
            if (LOWORD(wParam) == SB_THUMBPOSITION && lParam) OnUpDown(page, hDlg, reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_DRAWITEM:
            return TRUE;  // the preview draws itself
        case kMsgLayoutChanged:
            ShowValues(page, hDlg);
            return TRUE;
    }
    return FALSE;
}

INT_PTR OpenLayoutDetailDialog(PageContext* page, HWND owner) {
    if (!page || !page->uiContext) return FALSE;
    return DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(kTemplate), owner, LayoutDetailDialogProc,
                           reinterpret_cast<LPARAM>(page));
}

}  // namespace orla
