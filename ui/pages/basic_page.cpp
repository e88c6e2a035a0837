// The basic page's dialog procedure: its combos and edits write the current settings record,
// each change runs the constraint pass, refreshes the paper controls and tells the sheet.
#include "ui/pages/basic_page.h"

#include <string>
#include <vector>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "resources/lang/favourites_ids.h"
#include "resources/lang/sheet_ids.h"
#include "resources/lang/summary_ids.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/basic_page_combos.h"
#include "ui/pages/basic_page_favourites.h"
#include "ui/pages/basic_page_fillers.h"
#include "ui/pages/config_retrieval.h"
#include "ui/pages/context_help.h"
#include "ui/pages/favourite_dialogs.h"
#include "ui/pages/layout_detail_dialog.h"
#include "ui/pages/page_common.h"
#include "ui/pages/page_creation.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/paper_names.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/paper_sources.h"
#include "ui/pages/preview_pictures.h"
#include "ui/pages/summary_tree.h"
#include "ui/pages/text_entry_dialog.h"
#include "ui/tools/favourites_store.h"
#include "win/compstui.h"
#include "win/kernel.h"
#include "win/property_sheet.h"
#include "win/tree_view.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"
#include "win/user_msg.h"

namespace orla {

namespace {

constexpr UINT kWarnZoom = 809, kWarnCopies = 813;
constexpr UINT kWarnTransparencyDuplex = 811;
constexpr SHORT kLongPaperRefusedQuality = 1200;
constexpr DWORD kHoldNone = 0, kHoldStore = 1, kHoldProof = 2;
constexpr UINT kChecksOnActivation[] = {kMsgCheckFeeder,      kMsgCheckSource,     kMsgCheckConflict,
                                        kMsgCheckDuplexPaper, kMsgCheckHoldDevice, kMsgCheckProofCopies};
constexpr WORD kTransparency = 3;
constexpr std::u16string_view kLongPaperToA4 = u"LP->A4", kLongPaperToB4 = u"LP->B4";
constexpr LONG kCopiesMax = 999, kZoomMin = 10, kZoomMax = 400;
constexpr COLORREF kPreviewBackground = 0xFFCCCC;
constexpr std::u16string_view kNoZoom = u"---";

constexpr int kIdGetConfiguration = basic_ids::kGetConfiguration, kIdHoldSettings = basic_ids::kHoldSettings,
              kIdHelp = basic_ids::kHelp, kIdConfigPicture = basic_ids::kConfigPicture,
              kIdRestoreDefaults = basic_ids::kRestoreDefaults;

// Help on a control opens the page's topic; the restore-defaults button has the topic every page's
// defaults button shares.
constexpr DWORD kHelpTopicDefaults = 0x5019;
constexpr HelpIdPair kBasicPageHelp[] = {{basic_ids::kFavourites, kHelpTopicBasic},
                                         {basic_ids::kAddFavourite, kHelpTopicBasic},
                                         {basic_ids::kEditFavourite, kHelpTopicBasic},
                                         {basic_ids::kFavouritesPicture, kHelpTopicBasic},
                                         {kIdPreview, kHelpTopicBasic},
                                         {kIdCaption, kHelpTopicBasic},
                                         {kIdPrinter, kHelpTopicBasic},
                                         {kIdGetConfiguration, kHelpTopicBasic},
                                         {basic_ids::kPaperPathPicture, kHelpTopicBasic},
                                         {kIdPaperSize, kHelpTopicBasic},
                                         {basic_ids::kPaperSizePicture, kHelpTopicBasic},
                                         {kIdOutputPaper, kHelpTopicBasic},
                                         {basic_ids::kOutputPaperPicture, kHelpTopicBasic},
                                         {kIdPortrait, kHelpTopicBasic},
                                         {kIdLandscape, kHelpTopicBasic},
                                         {basic_ids::kOrientationPicture, kHelpTopicBasic},
                                         {kIdCopies, kHelpTopicBasic},
                                         {kIdCopiesSpin, kHelpTopicBasic},
                                         {basic_ids::kCopiesPicture, kHelpTopicBasic},
                                         {kIdFreeZoom, kHelpTopicBasic},
                                         {kIdZoom, kHelpTopicBasic},
                                         {basic_ids::kZoomPicture, kHelpTopicBasic},
                                         {kIdDuplex, kHelpTopicBasic},
                                         {basic_ids::kDuplexPicture, kHelpTopicBasic},
                                         {kIdBinding, kHelpTopicBasic},
                                         {basic_ids::kBindingPicture, kHelpTopicBasic},
                                         {kIdLayout, kHelpTopicBasic},
                                         {basic_ids::kLayoutPicture, kHelpTopicBasic},
                                         {kIdOrder, kHelpTopicBasic},
                                         {basic_ids::kOrderPicture, kHelpTopicBasic},
                                         {kIdFrame, kHelpTopicBasic},
                                         {kIdSaveSheet, kHelpTopicBasic},
                                         {kIdEntryMode, kHelpTopicBasic},
                                         {basic_ids::kEntryModePicture, kHelpTopicBasic},
                                         {kIdHoldSettings, kHelpTopicBasic},
                                         {basic_ids::kHintIcon, kHelpTopicBasic},
                                         {basic_ids::kHint, kHelpTopicBasic},
                                         {basic_ids::kBanner, kHelpTopicBasic},
                                         {basic_ids::kLayoutDetails, kHelpTopicBasic},
                                         {basic_ids::kSummary, kHelpTopicBasic},
                                         {basic_ids::kSummaryItem, kHelpTopicBasic},
                                         {basic_ids::kSummaryPicture, kHelpTopicBasic},
                                         {kIdRestoreDefaults, kHelpTopicDefaults},
                                         {basic_ids::kDefaultsPicture, kHelpTopicBasic},
                                         {kIdHelp, kHelpTopicBasic},
                                         {0, 0}};

// Pictures the page loads itself from this DLL: the printer with its paper path, and the
// favourites, summary and defaults pictures. Each control owns the icon it shows.
struct OwnIcon {
    int control;
    WORD icon;
    int cx, cy;
};
constexpr OwnIcon kPrinterPathIcon = {basic_ids::kPaperPathPicture, 953, 64, 32};
constexpr OwnIcon kButtonIcons[] = {{basic_ids::kFavouritesPicture, 950, 16, 16},
                                    {basic_ids::kSummaryPicture, 951, 16, 16},
                                    {basic_ids::kDefaultsPicture, 952, 16, 16}};
// Pictures from the sheet's icons beside the controls they stand for.
struct PageIcon {
    int control;
    WORD icon;
};
constexpr PageIcon kPageIcons[] = {{basic_ids::kPaperSizePicture, 731},   {basic_ids::kEntryModePicture, 779},
                                   {basic_ids::kOutputPaperPicture, 732}, {basic_ids::kOrderPicture, 705},
                                   {basic_ids::kZoomPicture, 733},        {basic_ids::kDuplexPicture, 716},
                                   {basic_ids::kBindingPicture, 721},     {basic_ids::kLayoutPicture, 703},
                                   {basic_ids::kCopiesPicture, 738},      {basic_ids::kBanner, 782}};

UiContext* Ui(PageContext* page) {
    return page ? page->uiContext : nullptr;
}
DriverDevmode& Record(PageContext* page) {
    return page->uiContext->currentDevmode;
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

// The page's warnings about its own fields carry the printer's name.
void Warn(PageContext* page, HWND dialog, UINT textId) {
    WarnWithPrinterCaption(page, dialog, textId);
}

// The page's help topic, opened on the desktop.
void ShowPageHelp(PageContext* page) {
    ShowHtmlHelpAsync(GetDesktopWindow(), Ui(page)->helpFile, kHelpContextCommand, kHelpTopicBasic);
}

// The icon replaces the one the control showed before, which goes.
void SetOwnIcon(HWND dialog, const OwnIcon& own) {
    HWND control = GetDlgItem(dialog, own.control);
    if (!control) return;
    HICON icon = static_cast<HICON>(
        LoadImageW(GetInterfaceModule(), MAKEINTRESOURCEW(own.icon), IMAGE_ICON, own.cx, own.cy, LR_DEFAULTCOLOR));
    auto old = reinterpret_cast<HICON>(SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
    if (old) DestroyIcon(old);
}

void SetButtonIcons(HWND dialog) {
    for (const OwnIcon& own : kButtonIcons) SetOwnIcon(dialog, own);
}

void FreeOwnIcons(HWND dialog) {
    for (const OwnIcon& own : {kPrinterPathIcon, kButtonIcons[0], kButtonIcons[1], kButtonIcons[2]}) {
        HWND control = GetDlgItem(dialog, own.control);
        auto old = control ? reinterpret_cast<HICON>(SendMessageW(control, STM_SETICON, 0, 0)) : nullptr;
        if (old) DestroyIcon(old);
    }
}

void SetPageIcons(PageContext* page, HWND dialog) {
    for (const PageIcon& p : kPageIcons) SetDlgItemIcon(dialog, p.control, PageIconById(*page, p.icon));
    SetButtonIcons(dialog);
}

void OnInitDialog(PageContext* page, HWND dialog) {
    page->hPageDlg = dialog;
    RefreshPrinterConfig(page);
    FillDuplexCombo(page, dialog);
    FillLayoutCombos(page, dialog);
    FillFavouritesCombo(Ui(page), dialog);
    SetOwnIcon(dialog, kPrinterPathIcon);
    SetButtonIcons(dialog);
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
    SetPageIcons(page, dialog);
    for (UINT check : kChecksOnActivation) PostMessageW(dialog, check, 0, 0);
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

LRESULT OnNotify(PageContext* page, HWND dialog, const NMHDR* note) {
    switch (note->code) {
        case PSN_SETACTIVE:
            OnSetActive(page, dialog);
            return 0;
        case PSN_KILLACTIVE:
            return OnKillActive(page, dialog) ? FALSE : TRUE;
        case PSN_APPLY:
            ApplyPageSettings(page, dialog);
            return PSNRET_NOERROR;
        case PSN_HELP:
            ShowPageHelp(page);
            return 0;
    }
    return 0;
}

// ---- Commands --------------------------------------------------------------------------------

bool ComboHasText(HWND dialog, int id, const std::u16string& text) {
    return SendDlgItemMessageW(dialog, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(text.c_str())) >= 0;
}

// Long paper cannot print at 1200 dpi: the quality is remembered for when it is left.
void WarnLongPaperQuality(PageContext* page, HWND dialog) {
    DriverDevmode& r = Record(page);
    if (!IsLongPaperAtRefusedQuality(r)) return;
    Warn(page, dialog, kWarnLongPaperQuality);
    Set(r, dm::RememberedQuality, static_cast<WORD>(Get(r, dm::PrintQuality)));
}

// Warnings about a paper just chosen, before the constraint pass adjusts the record.
void WarnChosenPaper(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    const bool offeredAsOutput = ComboHasText(dialog, kIdOutputPaper, GetText(r, dm::FormName));
    for (UINT warning : ChosenPaperWarnings(r, offeredAsOutput)) {
        if (warning == kWarnLongPaperQuality)
            WarnLongPaperQuality(page, dialog);
        else
            Warn(page, dialog, warning);
    }
}

// What follows a change of paper or output paper: the pass, the controls and the paper rules.
void AfterPaperChange(PageContext* page, HWND dialog, bool keepZoomOfMapping, bool wasDuplex) {
    RunConstraints(page);
    DriverDevmode& r = Record(page);
    if (!keepZoomOfMapping || !IsSizeMappingName(GetText(r, dm::FormName))) Set(r, dm::SavedZoom, Get(r, dm::Zoom));
    ShowNumber(dialog, kIdZoom, Get(r, dm::Zoom));
    FillPaperPageControls(page, dialog);
    CheckPaperForSource(page, dialog);
    WarnPaperForDuplex(page, dialog);
    if (wasDuplex) {
        if (Get(r, dm::PaperType) == kTransparency)
            Warn(page, dialog, kWarnTransparencyDuplex);
        else
            CheckPaperSelection(page, dialog);
    }
    MarkChanged(page, dialog);
}

bool IsFormNamed(const WCHAR (&stored)[kUiFormNameChars], std::u16string_view name) {
    const std::u16string_view all(stored, kUiFormNameChars);
    return all.substr(0, all.find(u'\0')) == name;
}

// A chosen form sets the paper fields that go with its name, so the resolver keeps it; a name the
// usable forms lack (the model's default standing in for a form gone meanwhile) sets the name only.
void SetForm(DriverDevmode& r, const UiContext* ui, const std::u16string& name) {
    SetText(r, dm::FormName, name);
    SetText(r, dm::PrevFormName, name);
    DWORD i = 0;
    while (i < ui->formCount && !IsFormNamed(ui->formNames[i], name)) ++i;
    if (i == ui->formCount) return;
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
    const bool wasDuplex = Get(Record(page), dm::Duplex) != DMDUP_SIMPLEX;
    std::u16string name;
    GetFormNameById(page, LOWORD(data), &name);
    if (!name.empty()) SetForm(Record(page), Ui(page), name);
    WarnChosenPaper(page, dialog);
    AfterPaperChange(page, dialog, true, wasDuplex);
}

void OnOutputPaper(PageContext* page, HWND dialog) {
    const LPARAM data = SelectedData(dialog, kIdOutputPaper);
    if (data < 0) return;
    const UiContext* ui = Ui(page);
    std::u16string name;
    for (DWORD i = 0; data != 0 && i < ui->formCount; ++i)
        if (static_cast<WORD>(ui->formIds[i]) == LOWORD(data)) name = ui->formNames[i];
    DriverDevmode& r = Record(page);
    const bool wasDuplex = Get(r, dm::Duplex) != DMDUP_SIMPLEX;
    if (name != GetText(r, dm::OutPaperName)) {
        SetText(r, dm::OutPaperName, name);
        SetText(r, dm::SavedOutPaperName, name);
    }
    if (name.empty() && !ComboHasText(dialog, kIdOutputPaper, GetText(r, dm::FormName)))
        Warn(page, dialog, kWarnNoOutputPaper);
    WarnLongPaperQuality(page, dialog);
    AfterPaperChange(page, dialog, false, wasDuplex);
}

void OnCopies(PageContext* page, HWND dialog) {
    LONG copies = 0;
    if (!ReadNumber(dialog, kIdCopies, copies) || copies < 1) return;
    if (copies > kCopiesMax) {  // the spin's range ends at 999: anything more starts over at 1
        SetDlgItemTextW(dialog, kIdCopies, u"1");
        return;
    }
    DriverDevmode& r = Record(page);
    // Proof printing prints one copy to check and holds the rest: one copy leaves nothing to hold.
    if (copies == 1 && Get(r, dm::Copies) != 1 && Get(r, dm::HoldMode) == kHoldProof) {
        WarnWithBuiltInCaption(page, dialog, kWarnProofOneCopy);
        SetDlgItemTextW(dialog, kIdCopies, u"2");
        return;
    }
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
    RunConstraints(page);
    const DriverDevmode& r = Record(page);
    ShowNumber(dialog, kIdCopies, Get(r, dm::Copies));
    ShowNumber(dialog, kIdZoom, Get(r, dm::Zoom));
    Refresh(page, dialog);
    SetFocus(GetDlgItem(dialog, kIdEntryMode));
    MarkChanged(page, dialog);
    RefreshSettingsTree(page, dialog);
}

// Stored printing needs a device that holds the job; proof printing also more than one copy.
// The warning when the mode cannot be had, 0 when it can.
UINT EntryModeRefusal(const DriverDevmode& r, DWORD mode) {
    const bool holdDevice = HasJobHoldDevice(r);
    const bool oneCopy = Get(r, dm::Copies) == 1;
    if (mode == kHoldStore) return holdDevice ? 0 : kWarnStoredNeedsDevice;
    if (holdDevice) return oneCopy ? kWarnProofNeedsCopies : 0;
    return oneCopy ? kWarnProofNeedsDeviceAndCopies : kWarnProofNeedsDevice;
}

void OnEntryMode(PageContext* page, HWND dialog) {
    const LPARAM data = SelectedData(dialog, kIdEntryMode);
    DriverDevmode& r = Record(page);
    if (data < 0 || static_cast<DWORD>(data) == Get(r, dm::HoldMode)) return;
    const auto mode = static_cast<DWORD>(data);
    if (mode == kHoldNone) {
        Set(r, dm::HoldMode, kHoldNone);
    } else if (const UINT refusal = EntryModeRefusal(r, mode)) {
        WarnWithBuiltInCaption(page, dialog, refusal);
    } else {
        Set(r, dm::HoldMode, mode);
        OpenTextEntryDialog(page, dialog, mode);
    }
    Refresh(page, dialog);
    MarkChanged(page, dialog);
}

void OnHoldSettings(PageContext* page, HWND dialog) {
    const DWORD mode = Get(Record(page), dm::HoldMode);
    if (mode == kHoldStore || mode == kHoldProof) OpenTextEntryDialog(page, dialog, mode);
    Refresh(page, dialog);
    MarkChanged(page, dialog);
}

// Reads the printer's configuration through the waiting dialog; what it changed shows at once.
void OnGetConfiguration(PageContext* page, HWND dialog) {
    const INT_PTR read = DialogBoxParamW(Ui(page)->hResDll, MAKEINTRESOURCEW(orla_res::kTemplateConfigRetrieval),
                                         dialog, DeviceConfigRetrievalDialogProc, reinterpret_cast<LPARAM>(page));
    if (read > 0) MarkChanged(page, dialog);
    RunConstraints(page);
    if (HWND picture = GetDlgItem(dialog, kIdConfigPicture)) InvalidateRect(picture, nullptr, TRUE);
    Refresh(page, dialog);
}

// The layout details edit the positions and the zoom; the page shows the zoom they leave.
void OnLayoutDetails(PageContext* page, HWND dialog) {
    if (OpenLayoutDetailDialog(page, dialog) == TRUE) MarkChanged(page, dialog);
    const DriverDevmode& r = Record(page);
    if (Get(r, dm::LayoutMode) == 1) SendDlgItemMessageW(dialog, kIdZoom, EM_LIMITTEXT, 3, 0);
    ShowNumber(dialog, kIdZoom, Get(r, dm::Zoom));
}

// Saving or managing favourites may change the table and the current settings: the combo and the
// page show what the dialog left.
void OnFavouriteDialog(PageContext* page, HWND dialog, UINT templateId) {
    if (OpenFavouriteDialog(page, dialog, templateId) > 0) MarkChanged(page, dialog);
    FillFavouritesCombo(Ui(page), dialog);
    Refresh(page, dialog);
}

// The summary shows what the page holds, so copies and zoom must read as they would when
// leaving the page; while it is open the page's tree rows are the full ones.
void OnSummary(PageContext* page, HWND dialog) {
    if (!OnKillActive(page, dialog)) return;
    page->flags |= kPageBusyManager;
    DialogBoxParamW(Ui(page)->hResDll, MAKEINTRESOURCEW(orla_res::summary::kTemplateSummary), dialog,
                    SettingsSummaryDialogProc, reinterpret_cast<LPARAM>(page));
    page->flags &= ~kPageBusyManager;
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
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
            if (code == CBN_SELCHANGE) OnEntryMode(page, dialog);
            return;
        case kIdFavourites:
            if (code == CBN_SELCHANGE) OnFavouriteChosen(page, dialog);
            return;
        case kIdHoldSettings:
            if (code == BN_CLICKED) OnHoldSettings(page, dialog);
            return;
        case kIdGetConfiguration:
            if (code == BN_CLICKED) OnGetConfiguration(page, dialog);
            return;
        case basic_ids::kLayoutDetails:
            if (code == BN_CLICKED) OnLayoutDetails(page, dialog);
            return;
        case basic_ids::kAddFavourite:
            if (code == BN_CLICKED) OnFavouriteDialog(page, dialog, orla_res::favourites::kTemplateSave);
            return;
        case basic_ids::kEditFavourite:
            if (code == BN_CLICKED) OnFavouriteDialog(page, dialog, orla_res::favourites::kTemplateManage);
            return;
        case basic_ids::kSummary:
        case basic_ids::kSummaryItem:
            if (code == BN_CLICKED) OnSummary(page, dialog);
            return;
        case kIdHelp:
            if (code == BN_CLICKED) ShowPageHelp(page);
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
        case kIdRestoreDefaults:
            if (code == BN_CLICKED) OnRestoreDefaults(page, dialog);
            return;
    }
}

// ---- Private messages ------------------------------------------------------------------------

// Stored and proof printing fall back to normal printing when nothing can hold the job (or, for
// proof printing, when one copy leaves nothing to proof).
void DropUnheldEntryMode(PageContext* page, HWND dialog, UINT message) {
    DriverDevmode& r = Record(page);
    const DWORD mode = Get(r, dm::HoldMode);
    const bool drop = message == kMsgCheckHoldDevice ? mode != 0 && !HasJobHoldDevice(r)
                                                     : mode == kHoldProof && Get(r, dm::Copies) == 1;
    if (drop) {
        WarnWithBuiltInCaption(page, dialog, kWarnNoHoldDevice);
        Set(r, dm::HoldMode, DWORD{0});
    }
    FillPaperPageControls(page, dialog);
}

// The checks the page posts to itself when it becomes active (other pages send them too).
bool OnPrivateMessage(PageContext* page, HWND dialog, UINT message) {
    if (RunPaperCheck(page, dialog, message)) return true;
    switch (message) {
        case kMsgCheckHoldDevice:
        case kMsgCheckProofCopies:
            DropUnheldEntryMode(page, dialog, message);
            return true;
    }
    return false;
}

void OnDrawItem(PageContext* page, const DRAWITEMSTRUCT* item) {
    if (DrawIconComboEntry(page, item)) return;
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

bool RunPaperCheck(PageContext* page, HWND dialog, UINT message) {
    switch (message) {
        case kMsgCheckFeeder:
            CheckFeederPaperSize(page, dialog);
            return true;
        case kMsgCheckSource:
            CheckPaperForSource(page, dialog);
            return true;
        case kMsgCheckConflict:
            WarnSettingConflict(page, dialog);
            return true;
        case kMsgCheckDuplexPaper:
            WarnPaperForDuplex(page, dialog);
            return true;
    }
    return false;
}

bool IsLongPaperAtRefusedQuality(const DriverDevmode& r) {
    return GetText(r, dm::FormName) == kLongPaperFormName && Get(r, dm::PrintQuality) == kLongPaperRefusedQuality;
}

std::vector<UINT> ChosenPaperWarnings(const DriverDevmode& r, bool offeredAsOutputPaper) {
    std::vector<UINT> warnings;
    const std::u16string form = GetText(r, dm::FormName);
    const bool mapping = IsSizeMappingName(form);
    if (Get(r, dm::Orientation) == DMORIENT_PORTRAIT && (form == kLongPaperToA4 || form == kLongPaperToB4))
        warnings.push_back(kWarnLongPaperPortrait);
    if (Get(r, dm::LayoutMode) != 1 && mapping) warnings.push_back(kWarnMappingNeedsOnePage);
    // A paper the printer cannot take itself needs an output paper.
    if ((Get(r, dm::Flags1) & kFlags1ManualOutPaper) && !mapping && Get(r, dm::OutPaperIndex) == 0 &&
        !offeredAsOutputPaper)
        warnings.push_back(kWarnNoOutputPaper);
    if (IsLongPaperAtRefusedQuality(r)) warnings.push_back(kWarnLongPaperQuality);
    return warnings;
}

INT_PTR CALLBACK BasicPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* page = sheetPage ? reinterpret_cast<PageContext*>(sheetPage->lParam) : nullptr;
        SetWindowLongPtrW(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        if (Ui(page)) OnInitDialog(page, hDlg);
        return TRUE;
    }
    if (message == WM_MEASUREITEM) {
        // Sent while the controls are made, before the page has its context: the preview's one
        // line fills the list.
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (!measure) return FALSE;
        if (MeasureIconCombo(measure)) return TRUE;
        RECT client{};
        if (measure->CtlID != kIdPreview || !GetClientRect(GetDlgItem(hDlg, kIdPreview), &client)) return FALSE;
        measure->itemHeight = static_cast<UINT>(client.bottom - client.top);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!Ui(page)) return FALSE;  // messages before WM_INITDIALOG or of a page without its context
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kBasicPageHelp)) return TRUE;
    switch (message) {
        case WM_DESTROY:
            FreeOwnIcons(hDlg);
            return FALSE;
        case WM_NOTIFY:
            SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, OnNotify(page, hDlg, reinterpret_cast<const NMHDR*>(lParam)));
            return TRUE;
        case WM_COMMAND:
            OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DRAWITEM:
            if (lParam) OnDrawItem(page, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
    }
    if (OnPrivateMessage(page, hDlg, message)) return TRUE;
    return FALSE;
}

}  // namespace orla
