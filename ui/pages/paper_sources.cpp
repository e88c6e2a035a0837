// The paper-source combos and the source rules of the paper pages.
#include "ui/pages/paper_sources.h"

#include <array>

#include "core/device_data.h"
#include "core/form_overlay.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/printer_config.h"
#include "ui/pages/paper_rules.h"
#include "win/kernel.h"
#include "win/user_controls.h"

namespace orla {

namespace {

constexpr int kIdSourceCombo = 1223, kIdPaperTypeCombo = 1226, kIdOutputTrayCombo = 1234;
constexpr UINT kWarnFeederForOverlay = 822;
constexpr UINT kSlotTextOffset = 100;    // the text shown for a slot name id
constexpr UINT kPaperTypeTexts = 880;    // + paper type
constexpr UINT kOutputTrayTexts = 850;   // + output tray
constexpr UINT kManualPaperTexts = 670;  // + paper type of the manual slot
constexpr int kSlotTextChars = 68;

// Input slots by the string id of their name, in the order the names are tried, and what makes
// each available: its installed feeder, or the form overlay asking for exactly its tray.
enum class Availability { kAlways, kFeeder, kMultiPurpose, kManual };
struct SlotRule {
    UINT nameId;
    Availability availability;
    unsigned feeder;  // device pair, for kFeeder
    DWORD overlayBits;
};
constexpr SlotRule kSlotRules[] = {
    {200, Availability::kAlways, 0, 0},
    {201, Availability::kFeeder, dm::kFeeder1, 0x1},
    {202, Availability::kFeeder, dm::kFeeder2, 0x100},
    {203, Availability::kFeeder, dm::kFeeder3, 0x10000},
    {219, Availability::kMultiPurpose, 0, 0x1000000},
    {207, Availability::kManual, 0, 0x10000000},
    {204, Availability::kFeeder, dm::kFeeder4, 0x10},
    {205, Availability::kFeeder, dm::kFeeder5, 0x1000},
    {206, Availability::kFeeder, dm::kMsf, 0x1000000},
};
constexpr UINT kAutoSlotName = 200, kManualSlotName = 207;

// Feeders a form overlay may ask for by name, with the tray bit the overlay gives each.
struct FeederRule {
    std::u16string_view name;
    unsigned pair;
    DWORD overlayBits;
};
constexpr FeederRule kFeederRules[] = {{u"FEEDER1", dm::kFeeder1, 0x1},
                                       {u"FEEDER2", dm::kFeeder2, 0x100},
                                       {u"FEEDER3", dm::kFeeder3, 0x10000},
                                       {u"FEEDER4", dm::kFeeder4, 0x10},
                                       {u"FEEDER5", dm::kFeeder5, 0x1000}};

// Paper types in the order the combo offers them.
constexpr WORD kPaperTypeOrder[] = {0, 4, 5, 1, 2, 6, 7, 8, 9, 3};
constexpr WORD kThickPaper2 = 2;
constexpr WORD kTrayStacker = 2, kTrayFaceUp = 3;

std::u16string LoadText(HMODULE res, UINT id, int cch = 32) {
    WCHAR text[256] = {};
    const int n = res ? LoadStringW(res, id, text, cch + 1) : 0;
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

bool IsSlotAvailable(const SlotRule& rule, const DriverDevmode& r, DWORD trayBits) {
    const bool manualInstalled = DeviceInstalled(r, dm::kManual);
    switch (rule.availability) {
        case Availability::kAlways:
            return true;
        case Availability::kFeeder:
            return DeviceInstalled(r, rule.feeder) || trayBits == rule.overlayBits;
        case Availability::kMultiPurpose:
            return !manualInstalled || trayBits == rule.overlayBits;
        case Availability::kManual:
            return manualInstalled || trayBits == rule.overlayBits;
    }
    return false;
}

// The first rule whose name text equals the slot's name; null for a slot no rule names.
const SlotRule* RuleForSlot(HMODULE res, std::u16string_view slotName) {
    for (const SlotRule& rule : kSlotRules)
        if (LoadText(res, rule.nameId) == slotName) return &rule;
    return nullptr;
}

std::u16string SlotEntryText(const UiContext* ui, UINT nameId) {
    WCHAR text[kSlotTextChars + 64] = {};
    if (ui->hResDll) LoadStringW(ui->hResDll, nameId + kSlotTextOffset, text, kSlotTextChars + 1);
    AppendTrayPaperText(&ui->printerConfig, ui->hResDll, text, std::size(text));
    std::u16string entry(text);
    const DriverDevmode& r = ui->currentDevmode;
    if (nameId == kAutoSlotName) entry += u" " + LoadText(ui->hResDll, kPaperTypeTexts + Get(r, dm::PaperType));
    if (nameId == kManualSlotName)
        entry += u" " + LoadText(ui->hResDll, kManualPaperTexts + Get(r, dm::ManualPaperType));
    return entry;
}

void AddEntry(HWND combo, const std::u16string& text, LPARAM data) {
    const auto index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
}

// Selects the entry whose data is wanted, the first when none has it.
void SelectData(HWND combo, LPARAM wanted) {
    const auto n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    LRESULT selected = 0;
    for (LRESULT i = 0; i < n; ++i)
        if (SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == wanted) selected = i;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

// Every source field that holds x takes y; the fields that follow the document's source take
// their own "as the document" values.
void ReplaceSource(DriverDevmode& r, DWORD x, DWORD y) {
    for (auto f : {dm::FirstSheetTray, dm::SectionTray, dm::FrontCoverTray, dm::BackCoverTray})
        if (Get(r, f) == x) Set(r, f, y);
    if (Get(r, dm::SecondSheetTray) == x) Set(r, dm::SecondSheetTray, kSecondSheetAsDocument);
    for (auto f : {dm::SeparateDefaultTray, dm::SlipSheetTray})
        if (Get(r, f) == x) Set(r, f, kSourceUpper);
    if (static_cast<DWORD>(Get(r, dm::DefaultSource)) != x) return;
    DWORD source = kSourceAuto;
    if (Get(r, dm::SeparateTraysOn) == 1)
        source = kSourceUpper;
    else if (Get(r, dm::SlipSheetsOn) == 1)
        source = y;
    Set(r, dm::DefaultSource, static_cast<SHORT>(source));
}

}  // namespace

DWORD OverlayTrayBitsOf(const DriverDevmode& record) {
    if (!(Get(record, dm::FlagsWord) & kFlagsWordOverlayOn)) return 0;
    FormOverlayHeader header{};
    if (!ReadFormOverlayHeader(&header, GetOverlayFilePath(record).c_str())) return 0;
    return OverlayHeaderDword(header, ovl::kTray);
}

void SubstituteUnavailableSources(DriverDevmode& r) {
    const bool manual = DeviceInstalled(r, dm::kManual);
    const DWORD chosen = manual ? kSourceManual : kSourceCassette;
    ReplaceSource(r, manual ? kSourceCassette : kSourceManual, chosen);
    if (Get(r, dm::SeparateTraysOn) != 1 && Get(r, dm::SlipSheetsOn) != 1) return;
    // Sections and slip sheets may name trays whose feeders are not there.
    const bool f2 = DeviceInstalled(r, dm::kFeeder2), f3 = DeviceInstalled(r, dm::kFeeder3),
               f4 = DeviceInstalled(r, dm::kFeeder4);
    if (!f2) ReplaceSource(r, kSourceMiddle, chosen);
    if (!f2 || !f3) ReplaceSource(r, kSourceLower, chosen);
    if (!f2 || !f3 || !f4) ReplaceSource(r, kSourceLargeCapacity, chosen);
}

void FillPaperSourceCombo(PageContext* page, HWND dialog) {
    if (!page || !page->uiContext) return;
    const UiContext* ui = page->uiContext;
    HWND combo = GetDlgItem(dialog, kIdSourceCombo);
    if (!combo) return;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const DriverDevmode& r = ui->currentDevmode;
    const DWORD trayBits = OverlayTrayBitsOf(r);
    for (const NamedValueEntry& slot : InputSlots(ui->deviceData)) {
        const SlotRule* rule = RuleForSlot(ui->hResDll, slot.name);
        if (!rule || !IsSlotAvailable(*rule, r, trayBits)) continue;
        AddEntry(combo, SlotEntryText(ui, rule->nameId), static_cast<LPARAM>(slot.value));
    }
    SelectData(combo, static_cast<LPARAM>(static_cast<DWORD>(Get(r, dm::DefaultSource))));
}

void FillCombo1226(PageContext* page, HWND dialog) {
    if (!page || !page->uiContext) return;
    const UiContext* ui = page->uiContext;
    HWND combo = GetDlgItem(dialog, kIdPaperTypeCombo);
    if (!combo) return;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const DriverDevmode& r = ui->currentDevmode;
    // The manual slot takes thick paper 2 only while it is already chosen.
    const bool noThick2 = Get(r, dm::DefaultSource) == kSourceManual && Get(r, dm::PaperType) != kThickPaper2;
    for (WORD v : kPaperTypeOrder) {
        if (v == kThickPaper2 && noThick2) continue;
        AddEntry(combo, LoadText(ui->hResDll, kPaperTypeTexts + v), v);
    }
    SelectData(combo, Get(r, dm::PaperType));
}

void FillCombo1234(PageContext* page, HWND dialog) {
    if (!page || !page->uiContext) return;
    const UiContext* ui = page->uiContext;
    HWND combo = GetDlgItem(dialog, kIdOutputTrayCombo);
    if (!combo) return;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const DriverDevmode& r = ui->currentDevmode;
    const WORD tray = Get(r, dm::OutputTray);
    const bool stacker = DeviceInstalled(r, dm::kLcs) &&
                         (Get(r, dm::PaperType) != kThickPaper2 || tray == kTrayStacker) &&
                         (tray == kTrayStacker || IsPaperFitForDuplex(r, DeviceDataVersion(ui->deviceData)));
    for (WORD v = 0; v <= kTrayFaceUp; ++v) {
        if (v == kTrayStacker && !stacker) continue;
        if (v == kTrayFaceUp && !DeviceInstalled(r, dm::kFut)) continue;
        AddEntry(combo, LoadText(ui->hResDll, kOutputTrayTexts + v), v);
    }
    SelectData(combo, tray);
}

DWORD GetSourceNameById(PageContext* page, LONG sourceId, std::u16string& name) {
    if (!page || !page->uiContext) return 0;
    const UiContext* ui = page->uiContext;
    for (const NamedValueEntry& slot : InputSlots(ui->deviceData)) {
        if (static_cast<LONG>(slot.value) != sourceId) continue;
        name.assign(slot.name);
        break;
    }
    return OverlayTrayBitsOf(ui->currentDevmode);
}

BOOL CheckFeederPaperSize(PageContext* page, HWND dialog) {
    if (!page || !page->uiContext) return FALSE;
    const DriverDevmode& r = page->uiContext->currentDevmode;
    std::u16string name;
    const DWORD trayBits = GetSourceNameById(page, Get(r, dm::DefaultSource), name);
    for (const FeederRule& feeder : kFeederRules) {
        if (name != feeder.name) continue;
        if (DeviceInstalled(r, feeder.pair) || trayBits != feeder.overlayBits) return FALSE;
        return WarnWithPrinterCaption(page, dialog, kWarnFeederForOverlay);
    }
    return FALSE;  // other sources take any overlay
}

void CheckPaperForSource(PageContext* page, HWND) {
    if (!page || !page->uiContext) return;
    UiContext* ui = page->uiContext;
    DriverDevmode& r = ui->currentDevmode;
    if (Get(r, dm::SeparateTraysOn) != 1) return;
    ApplyOptionConstraints(&r, nullptr, &ui->printerConfig, ui->hPrinter, ui->deviceData, ui->hResDll, ui->flags,
                           &ui->monitorProbe);
    const DWORD tray = Get(r, dm::SeparateDefaultTray);
    Set(r, dm::DefaultSource, static_cast<SHORT>(tray));
    Set(r, dm::PrevDefaultSource, static_cast<WORD>(tray));
}

}  // namespace orla
