// The basic page's dialog procedure: its combos and edits write the current settings record,
// each change runs the constraint pass, refreshes the paper controls and tells the sheet.
#include "ui/pages/basic_page.h"

#include <string>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "ui/entry/option_constraints.h"
#include "ui/pages/paper_names.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/preview_pictures.h"
#include "win/compstui.h"
#include "win/kernel.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {

namespace {

constexpr UINT kWarnZoom = 809, kWarnCopies = 813;
constexpr UINT kTextSameAsPaper = 468;
constexpr LONG kCopiesMax = 999, kZoomMin = 10, kZoomMax = 400;
constexpr COLORREF kPreviewBackground = 0xFFCCCC;
constexpr std::u16string_view kNoZoom = u"---";

// Buttons whose dialogs belong to pages not built yet: each says so rather than doing nothing.
constexpr int kUnbuiltButtons[] = {446, 1003, 1149, 1355, 1356, 3831, 3833, 1004};

struct ComboEntry {
    WORD text;
    LPARAM data;
};

UiContext* Ui(PageContext* page) {
    return page ? page->uiContext : nullptr;
}
DriverDevmode& Record(PageContext* page) {
    return page->uiContext->currentDevmode;
}

std::u16string LoadText(HMODULE res, UINT id, int cch = 32) {
    WCHAR text[256] = {};
    const int n = res ? LoadStringW(res, id, text, cch < 256 ? cch + 1 : 256) : 0;
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// Empties a combo, adds the entries and selects the one whose data is wanted (the first when none).
void FillCombo(HWND dialog, int id, HMODULE res, std::initializer_list<ComboEntry> entries, LPARAM wanted) {
    SendDlgItemMessageW(dialog, id, CB_RESETCONTENT, 0, 0);
    int selected = 0, index = 0;
    for (const ComboEntry& e : entries) {
        const std::u16string text = LoadText(res, e.text);
        SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendDlgItemMessageW(dialog, id, CB_SETITEMDATA, index, e.data);
        if (e.data == wanted) selected = index;
        ++index;
    }
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, selected, 0);
}

// The selected entry's data as the 32 bits it was stored with; -1 without a selection.
LPARAM SelectedData(HWND dialog, int id) {
    const auto sel = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
    if (sel < 0) return -1;
    return static_cast<DWORD>(SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
}

void RunConstraints(PageContext* page) {
    UiContext* ui = Ui(page);
    ApplyOptionConstraints(&ui->currentDevmode, nullptr, &ui->printerConfig, ui->hPrinter, ui->deviceData, ui->hResDll,
                           ui->flags, &ui->monitorProbe);
}

void Refresh(PageContext* page, HWND dialog) {
    RunConstraints(page);
    FillPaperPageControls(page, dialog);
}

void MarkChanged(PageContext* page, HWND dialog) {
    if (page->hSheetFrame) SendMessageW(page->hSheetFrame, PSM_CHANGED, reinterpret_cast<WPARAM>(dialog), 0);
}

void ShowNumber(HWND dialog, int id, LONG value) {
    const std::string digits = std::to_string(value);
    const std::u16string text(digits.begin(), digits.end());
    SetDlgItemTextW(dialog, id, text.c_str());
}

// The edit's text as a decimal number; nothing for an empty or non-numeric text.
bool ReadNumber(HWND dialog, int id, LONG& value, std::u16string* text = nullptr) {
    WCHAR buffer[16] = {};
    const int n = GetDlgItemTextW(dialog, id, buffer, 16);
    if (text) text->assign(buffer, n > 0 ? n : 0);
    if (n <= 0 || n > 6) return false;
    value = 0;
    for (int i = 0; i < n; ++i) {
        if (buffer[i] < u'0' || buffer[i] > u'9') return false;
        value = value * 10 + (buffer[i] - u'0');
    }
    return true;
}

void Warn(PageContext* page, HWND dialog, UINT textId) {
    const UiContext* ui = Ui(page);
    MessageBeep(MB_ICONEXCLAMATION);
    const std::u16string caption(DevicePrinterName(ui->deviceData));
    ShowResourceMessageBox(dialog, textId, caption.c_str(), 0, MB_ICONWARNING, ui->hResDll);
}

void ReportNotBuilt(HWND dialog) {
    MessageBoxW(dialog,
                kJapaneseBuild ? u"この機能のダイアログはまだ用意されていません。" : u"This dialog is not built yet.",
                kJapaneseBuild ? u"お知らせ" : u"Information", MB_OK | MB_ICONINFORMATION);
}

// ---- Fillers ---------------------------------------------------------------------------------

std::u16string DefaultFormName(const CompiledDeviceData* data) {
    return std::u16string(DecodeForm(data, DeviceDataField(data, dd::kDefaultForm)).name);
}

void FillPaperSizeCombo(PageContext* page, HWND dialog) {
    const UiContext* ui = Ui(page);
    HWND combo = GetDlgItem(dialog, kIdPaperSize);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const std::u16string current = GetText(ui->currentDevmode, dm::FormName);
    const std::u16string fallback = DefaultFormName(ui->deviceData);
    int selected = -1, fallbackIndex = 0;
    for (DWORD i = 0; i < ui->formCount; ++i) {
        const auto index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ui->formNames[i]));
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index),
                     static_cast<LPARAM>(MAKELONG(static_cast<WORD>(ui->formIds[i]), 0xFFFF)));
        if (current == ui->formNames[i]) selected = static_cast<int>(index);
        if (fallback == ui->formNames[i]) fallbackIndex = static_cast<int>(index);
    }
    SendMessageW(combo, CB_SETCURSEL, selected >= 0 ? selected : fallbackIndex, 0);
}

// Output papers: the forms that fit the printer and are papers of their own (no size mapping).
bool FitsPrinter(const UiContext* ui, DWORD i) {
    const std::u16string_view name = ui->formNames[i];
    if (IsSizeMappingName(name)) return false;
    const LONG version = DeviceDataVersion(ui->deviceData);
    const FormSize size = ui->formSizes[i];
    const CompiledDeviceData* d = ui->deviceData;
    const bool inside = size.width >= DeviceDataSignedField(d, dd::kMinFormWidth) / 100 &&
                        size.width <= DeviceDataSignedField(d, dd::kMaxFormWidth) / 100 &&
                        size.length >= DeviceDataSignedField(d, dd::kMinFormLength) / 100 &&
                        size.length <= DeviceDataSignedField(d, dd::kMaxFormLength) / 100;
    if (inside) return true;
    if (version < 4) return size.width == 2970 && size.length == 9000;
    return name == kFormA3Rotated || name == kFormB4Rotated || name == kFormPostcardRotated ||
           name == kFormEnvelopeYou4Rotated;
}

void FillZoomMappingCombo(PageContext* page, HWND dialog) {
    const UiContext* ui = Ui(page);
    HWND combo = GetDlgItem(dialog, kIdOutputPaper);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const std::u16string none = LoadText(ui->hResDll, kTextSameAsPaper);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(none.c_str()));
    SendMessageW(combo, CB_SETITEMDATA, 0, 0);
    const std::u16string current = GetText(ui->currentDevmode, dm::OutPaperName);
    int selected = 0;
    for (DWORD i = 0; i < ui->formCount; ++i) {
        if (!FitsPrinter(ui, i)) continue;
        const auto index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ui->formNames[i]));
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index),
                     static_cast<LPARAM>(MAKELONG(static_cast<WORD>(ui->formIds[i]), 0xFFFF)));
        if (!current.empty() && current == ui->formNames[i]) selected = static_cast<int>(index);
    }
    SendMessageW(combo, CB_SETCURSEL, selected, 0);
}

void FillDuplexCombo(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    const LPARAM wanted = Get(r, dm::Duplex) + 521;
    if (Get(r, dm::DuplexAvailable) == 1)
        FillCombo(dialog, kIdDuplex, Ui(page)->hResDll, {{522, 522}, {524, 524}, {523, 523}}, wanted);
    else
        FillCombo(dialog, kIdDuplex, Ui(page)->hResDll, {{522, 522}}, wanted);
}

void FillLayoutCombos(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    HMODULE res = Ui(page)->hResDll;
    const WORD kind = Get(r, dm::LayoutMode);
    if (Get(r, dm::LayoutAvailable) == 1)
        FillCombo(dialog, kIdLayout, res,
                  {{601, 601}, {602, 602}, {604, 604}, {606, 606}, {608, 608}, {609, 609}, {616, 616}}, kind + 600);
    else
        FillCombo(dialog, kIdLayout, res, {{601, 601}}, kind + 600);
    FillCombo(dialog, kIdBinding, res, {{525, 525}, {526, 526}}, (Get(r, dm::Flags1) & kFlags1BindingBack) ? 526 : 525);
    FillCombo(dialog, kIdFrame, res, {{505, 505}, {506, 506}, {507, 507}, {508, 508}, {509, 509}},
              Get(r, dm::FrameKind) + 505);
    const WORD order = Get(r, dm::LayoutOrder);
    if (kind == 2)
        FillCombo(dialog, kIdOrder, res, {{514, 514}, {515, 515}}, order + 514);
    else
        FillCombo(dialog, kIdOrder, res, {{518, 518}, {519, 519}, {520, 520}, {521, 521}}, order + 518);
    FillCombo(dialog, kIdEntryMode, res, {{762, 0}, {763, 1}, {764, 2}}, static_cast<LPARAM>(Get(r, dm::HoldMode)));
}

void ShowControl(HWND dialog, int id, bool shown) {
    ShowWindow(GetDlgItem(dialog, id), shown ? SW_SHOW : SW_HIDE);
}

// ---- Notifications ---------------------------------------------------------------------------

void OnSetActive(PageContext* page, HWND dialog) {
    page->hSheetFrame = GetParent(dialog);
    const DriverDevmode& r = Record(page);
    RunConstraints(page);
    SendDlgItemMessageW(dialog, kIdZoom, EM_LIMITTEXT, 3, 0);
    ShowNumber(dialog, kIdZoom, Get(r, dm::Zoom));
    SendDlgItemMessageW(dialog, kIdCopies, EM_LIMITTEXT, 3, 0);
    SendDlgItemMessageW(dialog, kIdCopiesSpin, UDM_SETRANGE32, 1, kCopiesMax);
    SendDlgItemMessageW(dialog, kIdCopiesSpin, UDM_SETPOS32, 0, Get(r, dm::Copies));
    ShowNumber(dialog, kIdCopies, Get(r, dm::Copies));
    FillPaperPageControls(page, dialog);
}

// Copies and zoom must hold numbers in range before the page may be left.
bool OnKillActive(PageContext* page, HWND dialog) {
    LONG copies = 0;
    if (!ReadNumber(dialog, kIdCopies, copies) || copies < 1 || copies > kCopiesMax) {
        Warn(page, dialog, kWarnCopies);
        SetFocus(GetDlgItem(dialog, kIdCopies));
        SendDlgItemMessageW(dialog, kIdCopies, EM_SETSEL, 0, -1);
        return false;
    }
    LONG zoom = 0;
    std::u16string text;
    const bool number = ReadNumber(dialog, kIdZoom, zoom, &text);
    const bool noZoomOk = text == kNoZoom && Get(Record(page), dm::LayoutMode) != 1;
    if (!noZoomOk && (!number || zoom < kZoomMin || zoom > kZoomMax)) {
        Warn(page, dialog, kWarnZoom);
        SetFocus(GetDlgItem(dialog, kIdZoom));
        SendDlgItemMessageW(dialog, kIdZoom, EM_SETSEL, 0, -1);
        return false;
    }
    return true;
}

void OnApply(PageContext* page, HWND dialog) {
    UiContext* ui = Ui(page);
    ui->appliedDevmode = ui->currentDevmode;
    if (page->hSheetFrame) SendMessageW(page->hSheetFrame, PSM_UNCHANGED, reinterpret_cast<WPARAM>(dialog), 0);
    if (ui->pfnComPropSheet)
        ui->pfnComPropSheet(ui->hComPropSheet, CPSFUNC_SET_RESULT, reinterpret_cast<LPARAM>(page->hCpsuiPage),
                            CPSUI_OK);
}

LRESULT OnNotify(PageContext* page, HWND dialog, const NMHDR* note) {
    switch (note->code) {
        case PSN_SETACTIVE:
            OnSetActive(page, dialog);
            return 0;
        case PSN_KILLACTIVE:
            return OnKillActive(page, dialog) ? FALSE : TRUE;
        case PSN_APPLY:
            OnApply(page, dialog);
            return PSNRET_NOERROR;
        case PSN_HELP:
            ReportNotBuilt(dialog);
            return 0;
    }
    return 0;
}

// ---- Commands --------------------------------------------------------------------------------

// A chosen form sets the paper fields that go with its name, so the resolver keeps it.
void SetForm(DriverDevmode& r, const UiContext* ui, DWORD i) {
    SetText(r, dm::FormName, ui->formNames[i]);
    SetText(r, dm::PrevFormName, ui->formNames[i]);
    Set(r, dm::PaperSize, ui->formIds[i]);
    Set(r, dm::PaperLength, static_cast<SHORT>(ui->formSizes[i].length));
    Set(r, dm::PaperWidth, static_cast<SHORT>(ui->formSizes[i].width));
    Set(r, dm::PrevPaperSize, static_cast<WORD>(ui->formIds[i]));
    Set(r, dm::PrevPaperLength, static_cast<WORD>(ui->formSizes[i].length));
    Set(r, dm::PrevPaperWidth, static_cast<WORD>(ui->formSizes[i].width));
}

void OnPaperSize(PageContext* page, HWND dialog) {
    const LPARAM data = SelectedData(dialog, kIdPaperSize);
    if (data < 0) return;
    const UiContext* ui = Ui(page);
    const WORD id = LOWORD(data);
    for (DWORD i = 0; i < ui->formCount; ++i)
        if (static_cast<WORD>(ui->formIds[i]) == id) SetForm(Record(page), ui, i);
    RunConstraints(page);
    DriverDevmode& r = Record(page);
    if (!IsSizeMappingName(GetText(r, dm::FormName))) Set(r, dm::SavedZoom, Get(r, dm::Zoom));
    ShowNumber(dialog, kIdZoom, Get(r, dm::Zoom));
    FillPaperPageControls(page, dialog);
    WarnPaperForDuplex(page, dialog);
    MarkChanged(page, dialog);
}

void OnOutputPaper(PageContext* page, HWND dialog) {
    const LPARAM data = SelectedData(dialog, kIdOutputPaper);
    if (data < 0) return;
    const UiContext* ui = Ui(page);
    std::u16string name;
    for (DWORD i = 0; data != 0 && i < ui->formCount; ++i)
        if (static_cast<WORD>(ui->formIds[i]) == LOWORD(data)) name = ui->formNames[i];
    DriverDevmode& r = Record(page);
    if (name != GetText(r, dm::OutPaperName)) {
        SetText(r, dm::OutPaperName, name);
        SetText(r, dm::SavedOutPaperName, name);
    }
    RunConstraints(page);
    Set(r, dm::SavedZoom, Get(r, dm::Zoom));
    ShowNumber(dialog, kIdZoom, Get(r, dm::Zoom));
    FillPaperPageControls(page, dialog);
    WarnPaperForDuplex(page, dialog);
    MarkChanged(page, dialog);
}

void OnCopies(PageContext* page, HWND dialog) {
    LONG copies = 0;
    if (!ReadNumber(dialog, kIdCopies, copies) || copies < 1) return;
    if (copies > kCopiesMax) {  // the spin's range ends at 999: anything more starts over at 1
        SetDlgItemTextW(dialog, kIdCopies, u"1");
        return;
    }
    DriverDevmode& r = Record(page);
    if (copies == Get(r, dm::Copies)) return;
    Set(r, dm::Copies, static_cast<SHORT>(copies));
    MarkChanged(page, dialog);
    Refresh(page, dialog);
}

void OnZoom(PageContext* page, HWND dialog) {
    DriverDevmode& r = Record(page);
    LONG zoom = 0;
    if (!(Get(r, dm::Flags1) & kFlags1ManualZoom) || !ReadNumber(dialog, kIdZoom, zoom)) return;
    if (zoom == Get(r, dm::Zoom) || zoom > 0xFFFF) return;
    Set(r, dm::Zoom, static_cast<WORD>(zoom));
    Set(r, dm::SavedZoom, static_cast<WORD>(zoom));
    MarkChanged(page, dialog);
    Refresh(page, dialog);
}

// The layout combos: an unchanged value does nothing.
bool OnLayoutCombo(PageContext* page, HWND dialog, int id) {
    DriverDevmode& r = Record(page);
    const LPARAM data = SelectedData(dialog, id);
    if (data < 0) return false;
    switch (id) {
        case kIdDuplex: {
            const SHORT duplex = static_cast<SHORT>(data - 521);
            if (duplex == Get(r, dm::Duplex)) return false;
            Set(r, dm::Duplex, duplex);
            Set(r, dm::PrevDuplex, static_cast<WORD>(duplex));
            return true;
        }
        case kIdBinding: {
            const bool back = data == 526;
            if (back == ((Get(r, dm::Flags1) & kFlags1BindingBack) != 0)) return false;
            for (auto f : {dm::Flags1, dm::SavedFlags1})
                Set(r, f, back ? (Get(r, f) | kFlags1BindingBack) : (Get(r, f) & ~kFlags1BindingBack));
            return true;
        }
        case kIdLayout: {
            const WORD kind = static_cast<WORD>(data - 600);
            const WORD old = Get(r, dm::LayoutMode);
            if (kind == old) return false;
            // Positions shift by half when a sheet holds one page of the document, back when it is left.
            if (kind == 1 || old == 1)
                for (auto f : {dm::PrintPosTop, dm::PrintPosLeft, dm::PrintPosTop2, dm::PrintPosLeft2})
                    Set(r, f, DWORD(kind == 1 ? 50 : 100));
            Set(r, dm::LayoutMode, kind);
            Set(r, dm::SavedLayoutMode, kind);
            return true;
        }
        case kIdFrame: {
            const WORD frame = static_cast<WORD>(data - 505);
            if (frame == Get(r, dm::FrameKind)) return false;
            Set(r, dm::FrameKind, frame);
            Set(r, dm::SavedFrameKind, frame);
            return true;
        }
        case kIdOrder: {
            const WORD order = static_cast<WORD>(data - (Get(r, dm::LayoutMode) == 2 ? 514 : 518));
            if (order == Get(r, dm::LayoutOrder)) return false;
            Set(r, dm::LayoutOrder, order);
            Set(r, dm::SavedLayoutOrder, order);
            return true;
        }
    }
    return false;
}

void OnOrientation(PageContext* page, HWND dialog, int id) {
    DriverDevmode& r = Record(page);
    const SHORT orientation = id == kIdPortrait ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
    if (orientation == Get(r, dm::Orientation)) return;
    Set(r, dm::Orientation, orientation);
    Set(r, dm::PrevOrientation, static_cast<WORD>(orientation));
    RunConstraints(page);
    Set(r, dm::SavedZoom, Get(r, dm::Zoom));
    FillPaperPageControls(page, dialog);
    MarkChanged(page, dialog);
}

void OnCheck(PageContext* page, HWND dialog, int id) {
    DriverDevmode& r = Record(page);
    const bool on = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    if (id == kIdSaveSheet) {
        Set(r, dm::SheetSetting, DWORD(on ? 1 : 0));
    } else {
        for (auto f : {dm::Flags1, dm::SavedFlags1})
            Set(r, f, on ? (Get(r, f) | kFlags1ManualZoom) : (Get(r, f) & ~kFlags1ManualZoom));
        Set(r, dm::SavedZoom, Get(r, dm::Zoom));
    }
    Refresh(page, dialog);
    ShowNumber(dialog, kIdZoom, Get(r, dm::Zoom));
    MarkChanged(page, dialog);
}

void OnRestoreDefaults(PageContext* page, HWND dialog) {
    if (!RestoreGroupDefaults(page, dialog, static_cast<int>(SettingGroup::kBasic))) return;
    const DriverDevmode& r = Record(page);
    ShowNumber(dialog, kIdCopies, Get(r, dm::Copies));
    ShowNumber(dialog, kIdZoom, Get(r, dm::Zoom));
    Refresh(page, dialog);
    SetFocus(GetDlgItem(dialog, kIdEntryMode));
    MarkChanged(page, dialog);
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    for (int unbuilt : kUnbuiltButtons)
        if (id == unbuilt && code == BN_CLICKED) return ReportNotBuilt(dialog);
    switch (id) {
        case kIdPaperSize:
            if (code == CBN_SELCHANGE) OnPaperSize(page, dialog);
            return;
        case kIdOutputPaper:
            if (code == CBN_SELCHANGE) OnOutputPaper(page, dialog);
            return;
        case kIdDuplex:
        case kIdBinding:
        case kIdLayout:
        case kIdFrame:
        case kIdOrder:
            if (code != CBN_SELCHANGE || !OnLayoutCombo(page, dialog, id)) return;
            Refresh(page, dialog);
            if (id == kIdLayout) ShowNumber(dialog, kIdZoom, Get(Record(page), dm::Zoom));
            MarkChanged(page, dialog);
            return;
        case kIdEntryMode:
            // Stored and proof printing ask for their texts in a dialog that is not built yet.
            if (code == CBN_SELCHANGE && SelectedData(dialog, kIdEntryMode) != 0) {
                ReportNotBuilt(dialog);
                FillLayoutCombos(page, dialog);
            } else if (code == CBN_SELCHANGE && Get(Record(page), dm::HoldMode) != 0) {
                Set(Record(page), dm::HoldMode, 0);
                Refresh(page, dialog);
                MarkChanged(page, dialog);
            }
            return;
        case kIdCopies:
            if (code == EN_CHANGE) OnCopies(page, dialog);
            return;
        case kIdZoom:
            if (code == EN_CHANGE) OnZoom(page, dialog);
            return;
        case kIdPortrait:
        case kIdLandscape:
            if (code == BN_CLICKED) OnOrientation(page, dialog, id);
            return;
        case kIdFreeZoom:
        case kIdSaveSheet:
            if (code == BN_CLICKED) OnCheck(page, dialog, id);
            return;
        case 1002:
            if (code == BN_CLICKED) OnRestoreDefaults(page, dialog);
            return;
    }
}

void OnDrawItem(PageContext* page, const DRAWITEMSTRUCT* item) {
    if (item->CtlID == kIdPreview) {
        HBRUSH brush = CreateSolidBrush(kPreviewBackground);
        FillRect(item->hDC, &item->rcItem, brush);
        DeleteObject(brush);
        DrawPreviewBitmap(page, item->hDC, FALSE);
        DrawPaperPicture(page, item->hDC, GetParent(item->hwndItem));
    } else if (item->CtlID == kIdPrinter) {
        DrawPrinterPicture(page, item->hDC, item->hwndItem);
    }
}

}  // namespace

void FillPaperPageControls(PageContext* page, HWND dialog) {
    if (!Ui(page)) return;
    const DriverDevmode& r = Record(page);
    FillPaperSizeCombo(page, dialog);
    FillZoomMappingCombo(page, dialog);
    CheckDlgButton(dialog, kIdFreeZoom, (Get(r, dm::Flags1) & kFlags1ManualZoom) ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dialog, kIdPortrait, kIdLandscape,
                     Get(r, dm::Orientation) == DMORIENT_PORTRAIT ? kIdPortrait : kIdLandscape);
    CheckDlgButton(dialog, kIdSaveSheet, Get(r, dm::SheetSetting) != 0 ? BST_CHECKED : BST_UNCHECKED);
    FillDuplexCombo(page, dialog);
    FillLayoutCombos(page, dialog);
    const bool oneUp = Get(r, dm::LayoutMode) == 1;
    ShowControl(dialog, kIdBinding, Get(r, dm::Duplex) != DMDUP_SIMPLEX);
    for (int id : {kIdOrder, kIdFrame}) ShowControl(dialog, id, !oneUp);
    for (int id : {kIdFreeZoom, kIdZoom}) ShowControl(dialog, id, oneUp);
    EnableWindow(GetDlgItem(dialog, 3833), Get(r, dm::HoldMode) != 0);
    SetZoomCaption(page, dialog, FALSE);
    // One line whose data is the paper size: setting it repaints the preview.
    SendDlgItemMessageW(dialog, kIdPreview, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageW(dialog, kIdPreview, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u""));
    SendDlgItemMessageW(dialog, kIdPreview, LB_SETITEMDATA, 0, Get(r, dm::PaperSize));
    InvalidateRect(GetDlgItem(dialog, kIdPrinter), nullptr, TRUE);
}

INT_PTR CALLBACK BasicPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* page = sheetPage ? reinterpret_cast<PageContext*>(sheetPage->lParam) : nullptr;
        SetWindowLongPtrW(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        if (!Ui(page)) return TRUE;
        page->hPageDlg = hDlg;
        FillDuplexCombo(page, hDlg);
        FillLayoutCombos(page, hDlg);
        return TRUE;
    }
    if (message == WM_MEASUREITEM) {
        // Sent while the controls are made, before the page has its context: the preview's one
        // line fills the list.
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        RECT client{};
        if (measure->CtlID != kIdPreview || !GetClientRect(GetDlgItem(hDlg, kIdPreview), &client)) return FALSE;
        measure->itemHeight = static_cast<UINT>(client.bottom - client.top);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!Ui(page)) return FALSE;  // messages before WM_INITDIALOG or of a page without its context
    switch (message) {
        case WM_NOTIFY:
            SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, OnNotify(page, hDlg, reinterpret_cast<const NMHDR*>(lParam)));
            return TRUE;
        case WM_COMMAND:
            OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DRAWITEM:
            OnDrawItem(page, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
    }
    return FALSE;
}

}  // namespace orla
