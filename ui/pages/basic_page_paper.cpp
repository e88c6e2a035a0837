// Bringing the paper controls of the basic page (and of the pages that share its controls) up to
// date from the current settings record.
#include <string>

#include "core/device_data.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/basic_page.h"
#include "ui/pages/basic_page_fillers.h"
#include "ui/pages/page_creation.h"
#include "ui/pages/paper_names.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/paper_sources.h"
#include "ui/pages/preview_pictures.h"
#include "win/user_controls.h"

namespace orla {

namespace {

constexpr UINT kTextSameAsPaper = 468;
constexpr int kIdSameAsPaper = 1210, kIdCollate = 1141, kIdJobSeparate = 1144,
              kIdHoldSettings = basic_ids::kHoldSettings, kIdGetConfiguration = basic_ids::kGetConfiguration;
// Controls shown beside the binding combo, and those of the multi-page and one-page layouts.
constexpr int kIdBindingLabel = 1135;
constexpr int kIdOrientationIcon = basic_ids::kOrientationPicture;
constexpr WORD kIconPortrait = 734, kIconLandscape = 735, kIconPortraitTurned = 783, kIconLandscapeTurned = 784;
constexpr int kMultiPageControls[] = {1121, kIdOrder, 1116, kIdFrame};
constexpr int kOnePageControls[] = {kIdFreeZoom, 1177, kIdZoom, 2702, basic_ids::kZoomPicture};

UiContext* Ui(PageContext* page) {
    return page ? page->uiContext : nullptr;
}
DriverDevmode& Record(PageContext* page) {
    return page->uiContext->currentDevmode;
}

}  // namespace

std::u16string LoadPageText(HMODULE res, UINT id, int cch) {
    WCHAR text[256] = {};
    const int n = res ? LoadStringW(res, id, text, cch < 256 ? cch + 1 : 256) : 0;
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

void FillCombo(HWND dialog, int id, HMODULE res, std::initializer_list<ComboEntry> entries, LPARAM wanted) {
    SendDlgItemMessageW(dialog, id, CB_RESETCONTENT, 0, 0);
    int selected = 0, index = 0;
    for (const ComboEntry& e : entries) {
        const std::u16string text = LoadPageText(res, e.text);
        SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendDlgItemMessageW(dialog, id, CB_SETITEMDATA, index, e.data);
        if (e.data == wanted) selected = index;
        ++index;
    }
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, selected, 0);
}

namespace {

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
    const std::u16string none = LoadPageText(ui->hResDll, kTextSameAsPaper);
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

}  // namespace

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

namespace {

void ShowControl(HWND dialog, int id, bool shown) {
    ShowWindow(GetDlgItem(dialog, id), shown ? SW_SHOW : SW_HIDE);
}

void CheckFlag(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

// Stored and proof printing need a device that holds the job; proof printing more than one copy.
bool HoldSettingsOffered(const DriverDevmode& r) {
    const bool holdDevice = HasJobHoldDevice(r);
    switch (Get(r, dm::HoldMode)) {
        case 1:
            return holdDevice;
        case 2:
            return holdDevice && Get(r, dm::Copies) != 1;
    }
    return false;
}

void FillPaperAndSourceControls(PageContext* page, HWND dialog) {
    DriverDevmode& r = Record(page);
    FillPaperSizeCombo(page, dialog);
    FillZoomMappingCombo(page, dialog);
    const DWORD flags = Get(r, dm::Flags1);
    CheckFlag(dialog, kIdSameAsPaper, !(flags & kFlags1ManualOutPaper));
    CheckFlag(dialog, kIdFreeZoom, (flags & kFlags1ManualZoom) != 0);
    // Sources the printer cannot feed from are replaced before the source combo shows the record.
    SubstituteUnavailableSources(r);
    FillPaperSourceCombo(page, dialog);
    FillCombo1226(page, dialog);
    FillCombo1234(page, dialog);
    const bool portrait = Get(r, dm::Orientation) == DMORIENT_PORTRAIT;
    CheckRadioButton(dialog, kIdPortrait, kIdLandscape, portrait ? kIdPortrait : kIdLandscape);
    // The orientation picture, turned half round while the sheet setting turns the pages.
    const bool turned = Get(r, dm::SheetSetting) != 0;
    const WORD orientationIcon =
        turned ? (portrait ? kIconPortraitTurned : kIconLandscapeTurned) : (portrait ? kIconPortrait : kIconLandscape);
    SetDlgItemIcon(dialog, kIdOrientationIcon, PageIconById(*page, orientationIcon));
    CheckFlag(dialog, kIdSaveSheet, turned);
}

void ShowLayoutControls(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    const bool oneUp = Get(r, dm::LayoutMode) == 1;
    const bool simplex = Get(r, dm::Duplex) == DMDUP_SIMPLEX;
    for (int id : {kIdBindingLabel, kIdBinding}) ShowControl(dialog, id, !simplex);
    for (int id : kMultiPageControls) ShowControl(dialog, id, !oneUp);
    for (int id : kOnePageControls) ShowControl(dialog, id, oneUp);
    EnableWindow(GetDlgItem(dialog, kIdHoldSettings), HoldSettingsOffered(r) ? TRUE : FALSE);
}

// The configuration can be read again only from a printer that reports it, and only by a user
// who may change the settings.
void EnableConfigurationButton(PageContext* page, HWND dialog) {
    const UiContext* ui = Ui(page);
    const bool reports = (ui->printerConfig.extStatus & kConfigFromPrinter) != 0;
    const bool canChange = (ui->flags & kUiCanChange) != 0;
    EnableWindow(GetDlgItem(dialog, kIdGetConfiguration), reports && canChange ? TRUE : FALSE);
}

}  // namespace

void FillPaperPageControls(PageContext* page, HWND dialog) {
    if (!Ui(page)) return;
    FillPaperAndSourceControls(page, dialog);
    FillDuplexCombo(page, dialog);
    FillLayoutCombos(page, dialog);
    ShowLayoutControls(page, dialog);
    EnableConfigurationButton(page, dialog);
    SetZoomCaption(page, dialog, FALSE);
    const DriverDevmode& r = Record(page);
    CheckFlag(dialog, kIdCollate, (Get(r, dm::Flags1) & kFlags1Collate) != 0);
    CheckFlag(dialog, kIdJobSeparate, (Get(r, dm::Flags1) & kFlags1JobSeparate) != 0);
    // One line whose data is the paper size: setting it repaints the preview.
    SendDlgItemMessageW(dialog, kIdPreview, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageW(dialog, kIdPreview, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u""));
    SendDlgItemMessageW(dialog, kIdPreview, LB_SETITEMDATA, 0, Get(r, dm::PaperSize));
    InvalidateRect(GetDlgItem(dialog, kIdPrinter), nullptr, TRUE);
}

}  // namespace orla
