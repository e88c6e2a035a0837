// Paper rules by name and size, and restoring a group of settings to the printer's defaults.
#include "ui/pages/paper_rules.h"

#include <cstring>
#include <optional>

#include "core/ansi_text.h"
#include "core/device_data.h"
#include "core/settings.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/paper_names.h"
#include "ui/pages/summary_tree.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/user_controls.h"
#include "win/user_msg.h"

namespace orla {

namespace {

constexpr std::u16string_view kMappingNotByName = u"A3->A4";  // mapped only by its own sizes
constexpr std::u16string_view kMappingNotForDuplex = u"B4->A4";

// The sizes an unnamed paper must keep to for the paper features (0.1 mm).
constexpr LONG kFeatureMinWidth = 1000, kFeatureMaxWidth = 2970;
constexpr LONG kFeatureMinLength = 1480, kFeatureMaxLength = 4318;
constexpr LONG kDuplexMinLength = 1270;

constexpr UINT kWarnUnfitPaper = 737;
constexpr UINT kWarnSettingConflict = 856;
constexpr UINT kWarnDuplexPaper = 858;
constexpr UINT kWarnUserNameCharacters = 824;
constexpr int kIdHintText = 1000, kIdHintIcon = 1006;
constexpr size_t kUserNameScanBytes = 17;
constexpr DWORD kRowJobUserName = 447;  // the settings tree's row of the panel text

bool IsRotatedPaper(std::u16string_view name, LONG version) {
    return version >= 4 && IsVersion4PaperName(name);
}

// The papers the duplex unit takes by name.
bool IsNamedDuplexPaper(std::u16string_view name, LONG version) {
    if (IsOneOf(kStandardPapers, name) || IsOneOf(kCardPapers, name) || name == kLongPaperFormName) return true;
    if (IsSizeMappingName(name) && name != kMappingNotForDuplex) return true;
    return IsRotatedPaper(name, version);
}

template <class T>
void Restore(const DriverDevmode& from, DriverDevmode& to, DmField<T> field) {
    Set(to, field, Get(from, field));
}
// A field restored together with its copy in the copy block.
template <class T, class C>
void RestoreWithCopy(const DriverDevmode& from, DriverDevmode& to, DmField<T> field, DmField<C> copy) {
    const T v = Get(from, field);
    Set(to, field, v);
    Set(to, copy, static_cast<C>(v));
}
void RestoreText(const DriverDevmode& from, DriverDevmode& to, DmText field) {
    SetText(to, field, GetText(from, field));
}
void RestoreBytes(const DriverDevmode& from, DriverDevmode& to, DmBytes block) {
    std::memcpy(to.bytes + block.offset, from.bytes + block.offset, block.cb);
}
void ChangeFlags1(DriverDevmode& rec, DWORD set, DWORD clear) {
    Set(rec, dm::Flags1, (Get(rec, dm::Flags1) | set) & ~clear);
    Set(rec, dm::SavedFlags1, (Get(rec, dm::SavedFlags1) | set) & ~clear);
}

void RestoreBasicGroup(const DriverDevmode& d, DriverDevmode& c) {
    RestoreWithCopy(d, c, dm::Orientation, dm::PrevOrientation);
    Restore(d, c, dm::Scale);
    Restore(d, c, dm::Copies);
    RestoreWithCopy(d, c, dm::Duplex, dm::PrevDuplex);
    RestoreWithCopy(d, c, dm::PaperLength, dm::PrevPaperLength);
    RestoreWithCopy(d, c, dm::PaperWidth, dm::PrevPaperWidth);
    RestoreText(d, c, dm::FormName);
    SetText(c, dm::PrevFormName, GetText(d, dm::FormName));
    RestoreWithCopy(d, c, dm::PaperSize, dm::PrevPaperSize);
    Restore(d, c, dm::FavouriteNumber);
    RestoreWithCopy(d, c, dm::OutPaperIndex, dm::SavedOutPaperIndex);
    RestoreWithCopy(d, c, dm::OutPaperLength, dm::SavedOutPaperLength);
    RestoreWithCopy(d, c, dm::OutPaperWidth, dm::SavedOutPaperWidth);
    RestoreText(d, c, dm::OutPaperName);
    SetText(c, dm::SavedOutPaperName, GetText(d, dm::OutPaperName));
    RestoreWithCopy(d, c, dm::Zoom, dm::SavedZoom);
    RestoreWithCopy(d, c, dm::LayoutMode, dm::SavedLayoutMode);
    RestoreWithCopy(d, c, dm::FrameKind, dm::SavedFrameKind);
    RestoreWithCopy(d, c, dm::LayoutOrder, dm::SavedLayoutOrder);
    for (auto f : {dm::PrintPosTop, dm::PrintPosLeft, dm::PrintPosTop2, dm::PrintPosLeft2}) Restore(d, c, f);
    Restore(d, c, dm::SheetSetting);
    Restore(d, c, dm::HoldMode);
    ChangeFlags1(c, kFlags1ManualOutPaper | kFlags1JobSeparate | kFlags1CollateSeparate,
                 kFlags1ManualZoom | kFlags1BindingBack);
}

void RestorePaperSourceGroup(const DriverDevmode& d, DriverDevmode& c) {
    const bool sourceChanges = Get(d, dm::DefaultSource) != Get(c, dm::DefaultSource);
    RestoreWithCopy(d, c, dm::DefaultSource, dm::PrevDefaultSource);
    RestoreWithCopy(d, c, dm::OutputTray, dm::SavedOutputTray);
    Restore(d, c, dm::OutputTrayFits);
    ChangeFlags1(c, kFlags1Collate | kFlags1JobSeparate | kFlags1CollateSeparate, 0);
    // Per-section trays and slip sheets were chosen for the old source.
    if (!sourceChanges) return;
    for (auto f : {dm::SeparateTraysOn, dm::SavedSeparateTraysOn, dm::SectionSetting, dm::SlipSheetsOn,
                   dm::SavedSlipSheetsOn, dm::SlipSheetsChecked})
        Set(c, f, 0);
}

void RestoreImageAdjustGroup(DriverDevmode& c) {
    ChangeFlags1(c, kFlags1At600Only, 0);
    Set(c, dm::ImageAdjustMode, 0);
    for (unsigned i = 0; i < dm::ImageAdjustValueCount; ++i) Set(c, dm::ImageAdjustValue(i), 0);
}

void RestoreStampOverlayGroup(const DriverDevmode& d, DriverDevmode& c) {
    RestoreWithCopy(d, c, dm::FlagsWord, dm::SavedFlagsWord);
    SetAnsi(c, dm::OverlayFolder, GetAnsi(d, dm::OverlayFolder));
    SetAnsi(c, dm::OverlayName, GetAnsi(d, dm::OverlayName));
    Restore(d, c, dm::OverlayStatus);
    Restore(d, c, dm::StampDrawFlag);
    RestoreBytes(d, c, dm::StampRecord);
    Restore(d, c, dm::StampNumber);
    Restore(d, c, dm::StampEditState);
    Restore(d, c, dm::FavouriteStampOn);
    Restore(d, c, dm::StampOption);
}

void RestoreOptionListGroup(const DriverDevmode& d, DriverDevmode& c, DWORD ntMajor) {
    Restore(d, c, dm::PrintQuality);
    constexpr DWORD kSet = kFlags1ManualOutPaper | kFlags1ManualInTraySet | kFlags1PatternBySize |
                           kFlags1ResolutionEnhance | kFlags1DisplayJobUser | kFlags1NotWithTrust;
    constexpr DWORD kClear = kFlags1RasterMode | kFlags1BlackText | kFlags1VectorOnly | kFlags1TonerSave |
                             kFlags1DisplayUserText | 0x10000000u;
    // Device-font substitution is the default before Windows Vista only.
    const DWORD fonts = kFlags1DeviceFontSubstitution;
    ChangeFlags1(c, kSet | (ntMajor < 6 ? fonts : 0), kClear | (ntMajor < 6 ? 0 : fonts));
    const DWORD traySet = Get(c, dm::Flags1) | 0xFu;
    Set(c, dm::TraySet, traySet);
    Set(c, dm::SavedTraySet, traySet);
    Set(c, dm::PrintDensity, WORD{3});
    Set(c, dm::SavedPrintDensity, WORD{3});
    RestoreText(d, c, dm::UserText);
    for (auto f : {dm::Flags2, dm::SavedFlags2}) Set(c, f, Get(c, f) & ~(kFlags2GreyTables | kFlags2PatternDownload));
}

std::u16string PrinterCaption(const UiContext* ui) {
    return std::u16string(DevicePrinterName(ui->deviceData));
}

BOOL Warn(PageContext* page, HWND dialog, UINT textId) {
    return WarnWithPrinterCaption(page, dialog, textId);
}

// The panel shows the name byte by byte: quotes and tildes break its command, and double-byte
// characters it cannot draw.
bool IsPanelUnsafeByte(BYTE b) {
    return b == '"' || b == '~' || (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace

BOOL WarnWithPrinterCaption(PageContext* page, HWND dialog, UINT textId) {
    if (!page || !page->uiContext) return FALSE;
    const UiContext* ui = page->uiContext;
    MessageBeep(MB_ICONEXCLAMATION);
    const std::u16string caption = PrinterCaption(ui);
    ShowResourceMessageBox(dialog, textId, caption.c_str(), 0, MB_ICONWARNING, ui->hResDll);
    return TRUE;
}

HICON NoteIcon(const PageContext& page, int kind) {
    // The five note icons are the first shared icons of the page context: 778, 775, 776, 777, 774
    // (information, warning, error, question, tip).
    constexpr int kFirstNoteSlot = 0;
    int slot = 4;
    switch (kind) {
        case 1:
            slot = 0;
            break;
        case 3:
            slot = 1;
            break;
        case 4:
            slot = 2;
            break;
        case 5:
            slot = 3;
            break;
    }
    return page.icons[kFirstNoteSlot + slot];
}

BOOL GetFormNameById(const PageContext* page, WORD formId, std::u16string* name) {
    if (name == nullptr || page == nullptr || page->uiContext == nullptr) return FALSE;
    const UiContext* ui = page->uiContext;
    for (DWORD i = 0; i < ui->formCount; ++i) {
        if (static_cast<WORD>(ui->formIds[i]) != formId) continue;
        const std::u16string_view stored(ui->formNames[i], kUiFormNameChars);
        name->assign(stored.substr(0, stored.find(u'\0')));
        return TRUE;
    }
    // An id the list does not hold (a form removed meanwhile) falls back to the model's own paper.
    const std::optional<FormEntry> fallback = ui->deviceData ? DefaultForm(ui->deviceData) : std::nullopt;
    name->assign(fallback ? fallback->name : std::u16string_view{});
    return FALSE;
}

BOOL SetDlgItemIcon(HWND dialog, int controlId, HICON icon) {
    HWND control = GetDlgItem(dialog, controlId);
    if (!control) return FALSE;
    SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    return TRUE;
}

void ShowHintLine(PageContext* page, HWND dialog, UINT stringId, int kind) {
    if (!page || !page->uiContext) return;
    WCHAR text[256] = {};
    if (stringId != 0 && page->uiContext->hResDll) LoadStringW(page->uiContext->hResDll, stringId, text, 256);
    SetDlgItemTextW(dialog, kIdHintText, text);
    HWND icon = GetDlgItem(dialog, kIdHintIcon);
    if (!icon) return;
    const bool shown = stringId != 0;
    if (shown) SetDlgItemIcon(dialog, kIdHintIcon, NoteIcon(*page, kind));
    ShowWindow(icon, shown ? SW_SHOW : SW_HIDE);
    EnableWindow(icon, shown ? TRUE : FALSE);
}

BOOL CheckUserNameCharacters(HWND dialog, PageContext* page, int mode) {
    if (!page || !page->uiContext) return TRUE;
    DriverDevmode& r = page->uiContext->currentDevmode;
    if (!(Get(r, dm::Flags1) & kFlags1DisplayJobUser)) return TRUE;
    const std::u16string name = GetText(r, dm::JobUserName);
    // Every character of the name converts to at most two bytes; only the first 17 are sent.
    char bytes[2 * 17 + 2] = {};
    CopyAnsiText(name, bytes, sizeof bytes);
    bool safe = true;
    for (size_t i = 0; i < kUserNameScanBytes && bytes[i] != 0; ++i)
        if (IsPanelUnsafeByte(static_cast<BYTE>(bytes[i]))) safe = false;
    if (safe) return TRUE;
    switch (static_cast<UserNameCheck>(mode)) {
        case UserNameCheck::kWarn:
            ChangeFlags1(r, 0, kFlags1DisplayJobUser);
            WarnWithPrinterCaption(page, dialog, kWarnUserNameCharacters);
            break;
        case UserNameCheck::kPostToDialog:
            ChangeFlags1(r, 0, kFlags1DisplayJobUser);
            PostMessageW(dialog, kMsgUserNameRefused, 0, 0);
            break;
        case UserNameCheck::kSelectTreeRow:
            if (HTREEITEM row = FindTreeItemByKey(page, kRowJobUserName))
                SendMessageW(page->hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(row));
            break;
    }
    return FALSE;
}

EffectivePaper EffectivePaperOf(const DriverDevmode& r) {
    if (Get(r, dm::OutPaperIndex) != 0)
        return {GetText(r, dm::OutPaperName), Get(r, dm::OutPaperLength), Get(r, dm::OutPaperWidth)};
    return {GetText(r, dm::FormName), Get(r, dm::PaperLength), Get(r, dm::PaperWidth)};
}

bool IsPaperMappingAllowed(const DriverDevmode& record, LONG version) {
    const EffectivePaper p = EffectivePaperOf(record);
    if (IsOneOf(kStandardPapers, p.name) || IsOneOf(kCardPapers, p.name)) return true;
    const bool outputPaperSet = Get(record, dm::OutPaperIndex) != 0;
    if (outputPaperSet && IsSizeMappingName(p.name) && p.name != kMappingNotByName) return true;
    if (IsRotatedPaper(p.name, version)) return true;
    return p.length >= p.width;
}

bool IsPaperFitForDuplex(const DriverDevmode& record, LONG version) {
    const EffectivePaper p = EffectivePaperOf(record);
    return IsNamedDuplexPaper(p.name, version) || p.length >= kDuplexMinLength;
}

bool IsPaperUnfitForFeature(const DriverDevmode& record, LONG version) {
    const EffectivePaper p = EffectivePaperOf(record);
    if (p.name == kLongPaperFormName || p.name == kFormEnvelopeYou4) return true;
    if (version >= 4 && p.name == kFormEnvelopeYou4Rotated) return true;
    if (IsNamedDuplexPaper(p.name, version)) return false;
    return p.width < kFeatureMinWidth || p.width > kFeatureMaxWidth || p.length < kFeatureMinLength ||
           p.length > kFeatureMaxLength;
}

bool HasSettingConflict(const DriverDevmode& record) {
    return Get(record, dm::PaperType) == 2 && Get(record, dm::OutputTray) == 2;
}

bool HasDuplexPaperConflict(const DriverDevmode& record, LONG version) {
    return Get(record, dm::OutputTray) == 2 && !IsPaperFitForDuplex(record, version);
}

void RestoreGroupFields(const DriverDevmode& defaults, DriverDevmode& current, int group, DWORD ntMajor) {
    switch (static_cast<SettingGroup>(group)) {
        case SettingGroup::kBasic:
            return RestoreBasicGroup(defaults, current);
        case SettingGroup::kPaperSource:
            return RestorePaperSourceGroup(defaults, current);
        case SettingGroup::kImageAdjust:
            return RestoreImageAdjustGroup(current);
        case SettingGroup::kStampOverlay:
            return RestoreStampOverlayGroup(defaults, current);
        case SettingGroup::kOptionList:
            return RestoreOptionListGroup(defaults, current, ntMajor);
    }
}

int ShowResourceMessageBox(HWND owner, UINT textId, LPCWSTR caption, UINT captionId, UINT style, HMODULE res) {
    WCHAR text[256] = {};
    WCHAR captionText[64] = {};
    if (res) LoadStringW(res, textId, text, 256);
    if (!caption) {
        if (res) LoadStringW(res, captionId, captionText, 64);
        caption = captionText;
    }
    return MessageBoxW(owner, text, caption, style);
}

BOOL CheckPaperSelection(PageContext* page, HWND dialog) {
    if (!page || !page->uiContext) return FALSE;
    const UiContext* ui = page->uiContext;
    if (!IsPaperUnfitForFeature(ui->currentDevmode, DeviceDataVersion(ui->deviceData))) return FALSE;
    return Warn(page, dialog, kWarnUnfitPaper);
}

BOOL WarnPaperForDuplex(PageContext* page, HWND dialog) {
    if (!page || !page->uiContext) return FALSE;
    const UiContext* ui = page->uiContext;
    if (!HasDuplexPaperConflict(ui->currentDevmode, DeviceDataVersion(ui->deviceData))) return FALSE;
    return Warn(page, dialog, kWarnDuplexPaper);
}

BOOL WarnSettingConflict(PageContext* page, HWND dialog) {
    if (!page || !page->uiContext || !HasSettingConflict(page->uiContext->currentDevmode)) return FALSE;
    return Warn(page, dialog, kWarnSettingConflict);
}

int RestoreGroupDefaults(PageContext* page, HWND dialog, int group) {
    if (!page || !page->uiContext) return 0;
    UiContext* ui = page->uiContext;
    RestoreGroupFields(ui->defaultDevmode, ui->currentDevmode, group, GetNtMajorVersion());
    // The printer's own values and configuration go back over the defaults.
    ReadPrinterDataSettings(ui, &ui->currentDevmode, ui->hPrinter);
    UpdatePalmFlag(&ui->currentDevmode, &ui->printerConfig, ui->hPrinter);
    ApplyConfigAndPublish(&ui->currentDevmode, &ui->printerConfig, ui->hPrinter, ui->deviceData);
    ApplyOptionConstraints(&ui->currentDevmode, nullptr, &ui->printerConfig, ui->hPrinter, ui->deviceData, ui->hResDll,
                           ui->flags, &ui->monitorProbe);
    return 1;
}

}  // namespace orla
