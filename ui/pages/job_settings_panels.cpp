// The print-time dialog's panels: the category table, which controls each panel shows, and how
// each panel is filled from the current settings record, with the hint it sets.
#include <array>
#include <memory>
#include <span>
#include <string>

#include "core/device_data.h"
#include "resources/lang/job_settings_ids.h"
#include "ui/entry/item_switches.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/printer_config.h"
#include "ui/pages/basic_page_fillers.h"
#include "ui/pages/job_settings.h"
#include "ui/pages/page_creation.h"
#include "ui/pages/paper_names.h"
#include "ui/pages/paper_rules.h"
#include "ui/tools/favourites_store.h"
#include "ui/tools/stamp_lists.h"
#include "win/user_controls.h"

namespace orla {

namespace {

namespace ids = orla_res::job_settings;

struct Category {
    int panel;
    UINT name;
};
// Every category in the order of the buttons; two-sided printing needs the Duplex option and
// offset stacking the LCS option.
constexpr Category kCategories[] = {
    {ids::kPanelLayout, ids::kNameLayout},   {ids::kPanelDuplex, ids::kNameDuplex},
    {ids::kPanelStamp, ids::kNameStamp},     {ids::kPanelAnnotation, ids::kNameAnnotation},
    {ids::kPanelCollate, ids::kNameCollate}, {ids::kPanelSeparate, ids::kNameSeparate},
    {ids::kPanelOffset, ids::kNameOffset},   {ids::kPanelReprint, ids::kNameReprint}};

struct Panel {
    int panel;
    bool enable;  // shown and enabled; otherwise shown only
    std::span<const int> controls;
};
constexpr int kLayoutControls[] = {1111, 1112, 1113, 1115, 1116, 1118, 1119, 1120,
                                   1121, 1122, 1123, 1124, 1125, 1114, 1117};
constexpr int kDuplexControls[] = {1127, 1128, 1129, 1130, 1131, 1132, 1133, 1134, 1135, 1137, 1136, 1138};
constexpr int kStampControls[] = {1153, 1154, 1155, 1156, 1157};
constexpr int kAnnotationControls[] = {1158, 1159, 1160, 1161, 1162, 1163, 1164, 1165};
constexpr int kCollateControls[] = {1139, 1140, 1141};
constexpr int kSeparateControls[] = {1142, 1143, 1144, 1145};
constexpr int kOffsetControls[] = {1166, 1167, 1168};
constexpr int kReprintControls[] = {1146, 1147, 1148};
constexpr Panel kPanels[] = {
    {ids::kPanelLayout, false, kLayoutControls},   {ids::kPanelDuplex, false, kDuplexControls},
    {ids::kPanelStamp, true, kStampControls},      {ids::kPanelAnnotation, true, kAnnotationControls},
    {ids::kPanelCollate, false, kCollateControls}, {ids::kPanelSeparate, false, kSeparateControls},
    {ids::kPanelOffset, true, kOffsetControls},    {ids::kPanelReprint, false, kReprintControls}};

// Controls that stay disabled while the settings cannot be changed.
constexpr int kEditableOnly[] = {1155, 1156, 1157, 1154, 1160, 1161, 1162, 1163, 1165, 1164, 1159, 1167, 1166, 1168};

constexpr WORD kHintKindClear = 2, kHintKindInfo = 3, kHintKindWarn = 5;
constexpr DWORD kAnnotationOwnText = 8;
constexpr DWORD kHddOption = 7001;
constexpr DWORD kMemoryFor1200 = 0x42000, kMemoryFor600 = 0x12000;  // kilobytes
constexpr SHORT kHighQuality = 1200, kNormalQuality = 600;
constexpr WORD kDuplexFavouriteReload = 0xFFFF;
constexpr UINT kSlotNameAuto = 200, kSlotNameManual = 207, kSlotNameMultiPurpose = 219;
constexpr int kSlotNameChars = 24;
constexpr std::array<std::u16string_view, 13> kNamedConversions = {
    u"A3->B4", u"A4->A3", u"A4x2->A4", u"A4->B4",   u"A4->B5", u"B4->A3", u"B4->A4",
    u"B4->B5", u"B5->A4", u"B5->B4",   u"B5x2->B5", u"LP->A4", u"LP->B4"};

DriverDevmode& Record(PageContext* page) {
    return page->uiContext->currentDevmode;
}
DWORD Flags(PageContext* page) {
    return Get(Record(page), dm::Flags1);
}
void Hint(PageContext* page, HWND dialog, UINT id, int kind) {
    ShowHintLine(page, dialog, id, kind);
}
void Check(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}
void Enable(HWND dialog, int id, bool on) {
    EnableWindow(GetDlgItem(dialog, id), on ? TRUE : FALSE);
}
void Picture(PageContext* page, HWND dialog, int id, WORD icon) {
    SetDlgItemIcon(dialog, id, PageIconById(*page, icon));
}
const Panel* PanelById(int panel) {
    for (const Panel& p : kPanels)
        if (p.panel == panel) return &p;
    return nullptr;
}

// The first input slot named like the resource string; its value, none without one.
std::optional<DWORD> SlotValueNamed(PageContext* page, UINT stringId) {
    const UiContext* ui = page->uiContext;
    const std::u16string name = LoadPageText(ui->hResDll, stringId, kSlotNameChars);
    if (name.empty()) return std::nullopt;
    for (const NamedValueEntry& slot : InputSlots(ui->deviceData))
        if (slot.name == name) return slot.value;
    return std::nullopt;
}
bool SlotIsSource(PageContext* page, UINT stringId) {
    const std::optional<DWORD> value = SlotValueNamed(page, stringId);
    return value && static_cast<SHORT>(*value) == Get(Record(page), dm::DefaultSource);
}

// The paper a job prints on: the output paper's name when one is chosen, else the form's.
std::u16string PrintedPaper(const DriverDevmode& r) {
    return Get(r, dm::OutPaperIndex) != 0 ? GetText(r, dm::OutPaperName) : GetText(r, dm::FormName);
}
bool NamedForDuplex(const DriverDevmode& r) {
    if (Get(r, dm::OutPaperIndex) == 0) return IsOneOf(kStandardPapers, GetText(r, dm::FormName));
    const std::u16string out = GetText(r, dm::OutPaperName);
    return IsOneOf(kStandardPapers, out) || IsOneOf(kNamedConversions, out);
}

void FillLayoutPanel(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    FillCombo1114(page, dialog);
    FillCombo1117(page, dialog);
    Check(dialog, ids::kPageFrame, Flags(page) & kFlags1PageFrame);
    FillLayoutRadioGroup(page, dialog);
    const bool plain = !(Flags(page) & kFlags1ManualZoom) && !IsSizeMappingName(GetText(r, dm::FormName)) &&
                       !(Get(r, dm::FlagsWord) & 1);
    if (plain)
        Hint(page, dialog, 0, kHintKindClear);
    else
        Hint(page, dialog, ids::kHintLayout, kHintKindWarn);
    Picture(page, dialog, ids::kLayoutPicture, 703);
    Picture(page, dialog, ids::kPagesPicture, 704);
    Picture(page, dialog, ids::kFramePicture, 771);
}

void FillDuplexPanel(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    const SHORT duplex = Get(r, dm::Duplex);
    CheckRadioButton(dialog, ids::kSimplex, ids::kShortEdge,
                     duplex == DMDUP_VERTICAL     ? ids::kLongEdge
                     : duplex == DMDUP_HORIZONTAL ? ids::kShortEdge
                                                  : ids::kSimplex);
    const bool portrait = Get(r, dm::Orientation) == DMORIENT_PORTRAIT;
    Picture(page, dialog, ids::kSimplexPicture, portrait ? 715 : 718);
    Picture(page, dialog, ids::kLongEdgePicture, portrait ? 716 : 719);
    Picture(page, dialog, ids::kShortEdgePicture, portrait ? 717 : 720);
    CheckRadioButton(dialog, ids::kBindFront, ids::kBindBack,
                     (Flags(page) & kFlags1BindingBack) ? ids::kBindBack : ids::kBindFront);
    Picture(page, dialog, ids::kBindFrontPicture, 721);
    Picture(page, dialog, ids::kBindBackPicture, 722);
    const bool special = !(Flags(page) & kFlags1ManualInTraySet) &&
                         (SlotIsSource(page, kSlotNameMultiPurpose) || SlotIsSource(page, kSlotNameManual));
    if (DeviceInstalled(r, dm::kDuplex) && Get(r, dm::PaperType) == 0 && NamedForDuplex(r)) {
        if (!special) Hint(page, dialog, 0, kHintKindClear);
    } else {
        Hint(page, dialog, ids::kHintDuplexPaper, kHintKindWarn);
    }
}

void FillStampPanel(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    FillStampCombo(ui, dialog);
    // The combo holds stamp i + 1 at index i: show the selected stamp, not the one after it.
    const DWORD number = Get(Record(page), dm::StampNumber);
    SendDlgItemMessageW(dialog, ids::kStampChoice, CB_SETCURSEL, number > 0 ? number - 1 : static_cast<WPARAM>(-1), 0);
    const DWORD on = Get(Record(page), dm::StampDrawFlag);
    Check(dialog, ids::kStampOn, on != 0);
    for (int id : {ids::kStampChoice, ids::kStampLabel, ids::kStampEdit}) Enable(dialog, id, on == 1);
    if (on == 1)
        Hint(page, dialog, ids::kHintStamp, kHintKindInfo);
    else
        Hint(page, dialog, 0, kHintKindClear);
}

void FillAnnotationPanel(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    const DWORD on = Get(r, dm::AnnotationOn);
    Check(dialog, ids::kAnnotationOn, on != 0);
    FillCombo1162(page, dialog);
    FillCombo1160(page, dialog);
    SetDlgItemTextW(dialog, ids::kAnnotationText, GetText(r, dm::AnnotationText).c_str());
    if (on == 1) {
        for (int id = ids::kAnnotationPosition; id <= ids::kKindLabel; ++id) Enable(dialog, id, true);
        const bool ownText = Get(r, dm::AnnotationKind) == kAnnotationOwnText;
        Enable(dialog, ids::kAnnotationText, ownText);
        Enable(dialog, ids::kTextLabel, ownText);
        Hint(page, dialog, ids::kHintAnnotation, kHintKindInfo);
    } else {
        for (int id = ids::kAnnotationPosition; id <= ids::kTextLabel; ++id) Enable(dialog, id, false);
        Hint(page, dialog, 0, kHintKindClear);
    }
}

// The printer may lack the memory to collate at the job's resolution.
bool MemoryShort(PageContext* page) {
    const UiContext* ui = page->uiContext;
    const DriverDevmode& r = ui->currentDevmode;
    if ((ui->printerConfig.extStatus & kConfigFromPrinter) || (Get(r, dm::Flags2) & kFlags2NoMemoryRule)) return false;
    const DWORD memory = Get(r, dm::MemoryKb);
    const SHORT quality = Get(r, dm::PrintQuality);
    return (quality >= kHighQuality && memory < kMemoryFor1200) ||
           (quality <= kNormalQuality && memory < kMemoryFor600);
}

void FillCollatePanel(PageContext* page, HWND dialog) {
    const bool on = Flags(page) & kFlags1Collate;
    Check(dialog, ids::kCollate, on);
    Picture(page, dialog, ids::kCollatePicture, on ? 724 : 725);
    if (MemoryShort(page))
        Hint(page, dialog, ids::kHintMemory, kHintKindWarn);
    else
        Hint(page, dialog, ids::kHintCollateOn, kHintKindClear);
}

void FillSeparatePanel(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    const bool on = Flags(page) & kFlags1JobSeparate;
    Check(dialog, ids::kJobSeparate, on);
    Check(dialog, ids::kCollateSeparate, Flags(page) & kFlags1CollateSeparate);
    Picture(page, dialog, ids::kSeparatePicture, on ? 727 : 728);
    const std::optional<DWORD> autoSlot = SlotValueNamed(page, kSlotNameAuto);
    if (PrintedPaper(r) != u"A4" || (autoSlot && static_cast<SHORT>(*autoSlot) != Get(r, dm::DefaultSource)))
        Hint(page, dialog, ids::kHintSeparate, kHintKindWarn);
    else if (Flags(page) & kFlags1ManualInTraySet)
        Hint(page, dialog, 0, kHintKindClear);
}

void FillOffsetPanel(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    Hint(page, dialog, 0, kHintKindClear);
    const DWORD on = Get(r, dm::OffsetStacking);
    Check(dialog, ids::kOffsetStacking, on != 0);
    const bool stacker = Get(r, dm::OutputTray) == 2;
    for (int id : {ids::kOffsetGroup, ids::kOffsetPicture, ids::kOffsetStacking}) Enable(dialog, id, stacker);
    Picture(page, dialog, ids::kOffsetPicture, on ? 901 : 902);
}

// The printer reported its hard disk.
bool PrinterReportsDisk(const PrinterConfigRecord& config) {
    if (!(config.extStatus & kConfigFromPrinter)) return false;
    for (DWORD i = 0; i < config.optionCount && i < kConfigMaxOptions; ++i)
        if (config.options[i].option == kHddOption && config.options[i].value == 1) return true;
    return false;
}

void FillReprintPanel(PageContext* page, HWND dialog) {
    const bool on = Flags(page) & kFlags1Reprint;
    Check(dialog, ids::kReprint, on);
    Picture(page, dialog, ids::kReprintPicture, on ? 768 : 769);
    if (PrinterReportsDisk(page->uiContext->printerConfig))
        Hint(page, dialog, 0, kHintKindClear);
    else
        Hint(page, dialog, ids::kHintReprint, kHintKindWarn);
}

void FillPanel(PageContext* page, HWND dialog, int panel) {
    switch (panel) {
        case ids::kPanelLayout:
            return FillLayoutPanel(page, dialog);
        case ids::kPanelDuplex:
            return FillDuplexPanel(page, dialog);
        case ids::kPanelStamp:
            return FillStampPanel(page, dialog);
        case ids::kPanelAnnotation:
            return FillAnnotationPanel(page, dialog);
        case ids::kPanelCollate:
            return FillCollatePanel(page, dialog);
        case ids::kPanelSeparate:
            return FillSeparatePanel(page, dialog);
        case ids::kPanelOffset:
            return FillOffsetPanel(page, dialog);
        case ids::kPanelReprint:
            return FillReprintPanel(page, dialog);
    }
}

// Every panel: the preview repainted, the category remembered, the favourites reloaded once the
// Duplex option was removed, and the editable controls locked while nothing may change.
void FillCommonTail(PageContext* page, HWND dialog, UINT index) {
    UiContext* ui = page->uiContext;
    DriverDevmode& r = ui->currentDevmode;
    SendDlgItemMessageW(dialog, ids::kPreview, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageW(dialog, ids::kPreview, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u""));
    SendDlgItemMessageW(dialog, ids::kPreview, LB_SETITEMDATA, 0, Get(r, dm::PaperSize));
    Set(r, dm::DialogCategory, static_cast<WORD>(index));
    if (Get(r, dm::DeviceChoice(dm::kDuplex)) == kDuplexFavouriteReload) {
        LoadFavouriteTable(ui);
        Set(r, dm::DuplexFavourite, DWORD{0});
        Set(r, dm::DeviceChoice(dm::kDuplex), WORD{0});
    }
    if (!(ui->flags & kUiCanChange))
        for (int id : kEditableOnly) Enable(dialog, id, false);
}

// The enabled state the constraint pass gives each control it switches, from a pass over a copy
// of the current record (the record itself stays as the last pass left it).
SwitchedItems PassSwitches(PageContext* page) {
    UiContext* ui = page->uiContext;
    auto copy = std::make_unique<DriverDevmode>(ui->currentDevmode);
    SwitchedItems switched;
    const ItemSwitches switches = switched.Switches(TRUE);
    ApplyOptionConstraints(copy.get(), &switches, &ui->printerConfig, ui->hPrinter, ui->deviceData, ui->hResDll,
                           ui->flags, &ui->monitorProbe);
    return switched;
}

// Icon 1121: the layout's own picture of the page order.
WORD LayoutOrderIcon(const DriverDevmode& r, bool turned) {
    const WORD kind = Get(r, dm::LayoutMode), order = Get(r, dm::LayoutOrder);
    if (kind == 1) return 705;
    if (kind == 2) {
        const bool landscape = (Get(r, dm::Orientation) != DMORIENT_PORTRAIT) != turned;
        return static_cast<WORD>((landscape ? 708 : 706) + (order == 1 ? 1 : 0));
    }
    return order == 1 ? 711 : order == 2 ? 712 : order == 3 ? 713 : 710;
}

}  // namespace

UINT BuildCategoryTable(const DriverDevmode& record, HotItemEntry (&table)[kJobCategoryMax + 1]) {
    UINT n = 0;
    for (const Category& c : kCategories) {
        if (c.panel == ids::kPanelDuplex && !DeviceInstalled(record, dm::kDuplex)) continue;
        if (c.panel == ids::kPanelOffset && !DeviceInstalled(record, dm::kLcs)) continue;
        table[n++] = {static_cast<DWORD>(c.panel), c.name};
    }
    table[n] = {kCategoryTableEnd, 0};
    return n;
}

UINT CategoryCount(const HotItemEntry* table) {
    UINT n = 0;
    while (table && n < kJobCategoryMax && table[n].item != kCategoryTableEnd) ++n;
    return n;
}

int PanelAt(const HotItemEntry* table, UINT index) {
    return index < CategoryCount(table) ? static_cast<int>(table[index].item) : 0;
}

UINT GetValueStringId590(DWORD value) {
    return value >= 1 && value <= 8 ? ids::kValueTextsKind + value : ids::kValueTextsKind;
}

UINT GetValueStringId580(DWORD value) {
    if (value == 0 || value == 1) return ids::kValueTextsPosition + value;
    if (value >= 3 && value <= 8) return ids::kValueTextsPosition + value;
    return ids::kValueTextsPosition + 2;
}

void FillCombo1162(PageContext* page, HWND hDlg) {
    HMODULE res = page->uiContext->hResDll;
    std::array<ComboEntry, 9> entries{};
    for (DWORD v = 0; v <= 8; ++v) entries[v] = {static_cast<WORD>(GetValueStringId590(v)), static_cast<LPARAM>(v)};
    FillCombo(
        hDlg, ids::kAnnotationKind, res,
        {entries[0], entries[1], entries[2], entries[3], entries[4], entries[5], entries[6], entries[7], entries[8]},
        static_cast<LPARAM>(Get(Record(page), dm::AnnotationKind)));
}

void FillCombo1160(PageContext* page, HWND hDlg) {
    HMODULE res = page->uiContext->hResDll;
    auto entry = [](DWORD v) { return ComboEntry{static_cast<WORD>(GetValueStringId580(v)), static_cast<LPARAM>(v)}; };
    FillCombo(hDlg, ids::kAnnotationPosition, res, {entry(0), entry(1), entry(2), entry(6), entry(7), entry(8)},
              static_cast<LPARAM>(Get(Record(page), dm::AnnotationPosition)));
}

void FillCombo1114(PageContext* page, HWND dialog) {
    FillCombo(dialog, ids::kPagesPerSheet, page->uiContext->hResDll,
              {{601, 601}, {602, 602}, {604, 604}, {606, 606}, {608, 608}, {609, 609}, {616, 616}},
              Get(Record(page), dm::LayoutMode) + 600);
}

void FillCombo1117(PageContext* page, HWND dialog) {
    FillCombo(dialog, ids::kFrameKind, page->uiContext->hResDll, {{505, 0}, {506, 1}, {507, 2}, {508, 3}, {509, 4}},
              Get(Record(page), dm::FrameKind));
}

void FillLayoutRadioGroup(PageContext* page, HWND dialog) {
    const UiContext* ui = page->uiContext;
    const DriverDevmode& r = ui->currentDevmode;
    const WORD order = Get(r, dm::LayoutOrder);
    CheckRadioButton(dialog, ids::kOrder0, ids::kOrder3,
                     order == 1   ? ids::kOrder1
                     : order == 2 ? ids::kOrder2
                     : order == 3 ? ids::kOrder3
                                  : ids::kOrder0);
    const LONG version = DeviceDataVersion(ui->deviceData);
    const std::u16string paper = EffectivePaperOf(r).name;
    const bool rotated = version >= 4 && paper.ends_with(u" 横");
    const bool turned = rotated || paper == kFormDoublePostcard || !IsPaperMappingAllowed(r, version);
    UINT first = 518, second = 519;
    if (Get(r, dm::LayoutMode) == 2) {
        const bool portrait = Get(r, dm::Orientation) == DMORIENT_PORTRAIT;
        first = portrait ? 514 : 516, second = portrait ? 515 : 517;
        if (turned) std::swap(first, second);
    }
    SetDlgItemTextW(dialog, ids::kOrder0, (LoadPageText(ui->hResDll, first) + u"(&H)").c_str());
    SetDlgItemTextW(dialog, ids::kOrder1, (LoadPageText(ui->hResDll, second) + u"(&I)").c_str());
    Picture(page, dialog, ids::kOrderIcon, LayoutOrderIcon(r, turned));
}

void ShowPanelControls(PageContext* page, HWND dialog, UINT index) {
    const Panel* shown = PanelById(PanelAt(page->hotItemTable, index));
    if (!shown) return;
    for (const Panel& p : kPanels) {
        if (&p == shown) continue;
        for (int id : p.controls) {
            ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
            Enable(dialog, id, false);
        }
    }
    // Hiding a panel disabled all its controls, also those no constraint rule switches: these come
    // back enabled, the others as the constraint pass leaves them.
    SwitchedItems rules;
    if (!shown->enable) rules = PassSwitches(page);
    for (int id : shown->controls) {
        ShowWindow(GetDlgItem(dialog, id), SW_SHOW);
        const auto ruled = rules.controls.find(id);
        Enable(dialog, id, ruled == rules.controls.end() || ruled->second);
    }
}

void FillPanelControls(PageContext* page, HWND dialog, UINT index) {
    if (!page || !page->uiContext) return;
    ShowPanelControls(page, dialog, index);
    FillPanel(page, dialog, PanelAt(page->hotItemTable, index));
    FillCommonTail(page, dialog, index);
}

}  // namespace orla
