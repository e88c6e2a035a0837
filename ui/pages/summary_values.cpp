// What each row of the settings summary shows: its value text, its icon and whether the value
// differs from the record the sheet last applied. Most rows are a flag with two texts or a field
// indexing a run of texts; the rest have a routine of their own.
#include <array>
#include <optional>
#include <string>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "ui/pages/item_lists.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/summary_tree.h"
#include "ui/tools/stamp_store.h"
#include "win/user.h"

namespace orla {

namespace {

constexpr UINT kIconNone = 700;  // the picture of a row the tables give none
constexpr int kValueChars = 128;

// ---- Flag rows: one bit, a text and icon for set and for clear ----
enum class FlagWord : BYTE { kFlags1, kFlags2, kFlagsWord };
struct FlagRow {
    DWORD rowId;
    FlagWord word;
    DWORD bit;
    UINT setText, setIcon, clearText, clearIcon;
};
// clang-format off
constexpr FlagRow kFlagRows[] = {
    // row  word                 bit          set        clear
    {408, FlagWord::kFlags1,    0x00000100, 526, 722, 525, 721},
    {410, FlagWord::kFlags1,    0x00000004, 476, 724, 477, 725},
    {412, FlagWord::kFlags1,    0x00000008, 476, 727, 477, 728},
    {422, FlagWord::kFlags1,    0x00000001, 861, 772, 860, 772},
    {423, FlagWord::kFlags1,    0x00000002, 476, 733, 477, 733},
    {433, FlagWord::kFlags1,    0x00000400, 538, 768, 488, 769},
    {434, FlagWord::kFlags1,    0x00000800, 489, 743, 488, 742},
    {438, FlagWord::kFlags1,    0x00010000, 474, 768, 475, 769},
    {439, FlagWord::kFlags1,    0x00020000, 572, 768, 571, 769},
    {442, FlagWord::kFlags1,    0x00002000, 476, 768, 477, 769},
    {443, FlagWord::kFlags1,    0x00008000, 539, 768, 540, 769},
    {444, FlagWord::kFlags1,    0x00004000, 541, 768, 544, 769},
    {448, FlagWord::kFlagsWord, 0x00000001, 476, 753, 477, 753},
    {450, FlagWord::kFlags1,    0x00000080, 474, 768, 475, 769},
    {453, FlagWord::kFlags2,    0x00000001, 478, 756, 479, 757},
    {454, FlagWord::kFlags2,    0x00000002, 478, 758, 479, 759},
    {455, FlagWord::kFlags2,    0x00000100, 482, 761, 481, 760},
    {456, FlagWord::kFlags2,    0x00000200, 474, 768, 475, 769},
    {570, FlagWord::kFlags1,    0x10000000, 571, 768, 572, 769},
    {599, FlagWord::kFlags2,    0x02000000, 476, 768, 477, 769},
    {781, FlagWord::kFlags1,    0x01000000, 782, 733, 783, 960},
    {840, FlagWord::kFlags2,    0x04000000, 905, 768, 488, 769},
};
// clang-format on

// ---- Indexed rows: text = base + field value, for the values that have a text ----
enum class IndexField : BYTE { kLayoutMode, kFrameKind, kPrintDensity, kHoldMode, kImageAdjustMode };
struct IndexedRow {
    DWORD rowId;
    IndexField field;
    UINT baseText;
    UINT icon;
    std::array<BYTE, 7> values;  // the values with a text; 0xFF fills
    BYTE valueCount;
};
constexpr BYTE kNo = 0xFF;
constexpr IndexedRow kIndexedRows[] = {
    {402, IndexField::kLayoutMode, 600, 703, {1, 2, 4, 6, 8, 9, 16}, 7},
    {403, IndexField::kFrameKind, 505, 704, {0, 1, 2, 3, 4, kNo, kNo}, 5},
    {440, IndexField::kPrintDensity, 491, 746, {1, 2, 3, 4, 5, kNo, kNo}, 5},
    {779, IndexField::kHoldMode, 762, 739, {0, 1, 2, kNo, kNo, kNo, kNo}, 3},
    {876, IndexField::kImageAdjustMode, 870, 957, {0, 1, kNo, kNo, kNo, kNo, kNo}, 2},
};

// ---- Rows with a label and icon only ----
struct LabelRow {
    DWORD rowId;
    UINT icon;
};
constexpr LabelRow kLabelRows[] = {{400, 701}, {417, 730}, {429, 739}, {430, 700}, {431, 740}, {436, 744},
                                   {437, 745}, {441, 747}, {445, 748}, {446, 749}, {451, 754}, {452, 755},
                                   {457, 762}, {458, 763}, {552, 785}, {879, 957}};

// ---- Option rows ----
// Feeders: none, or the kind of cassette fitted.
struct FeederRow {
    DWORD rowId;
    unsigned pair;
};
constexpr FeederRow kFeederRows[] = {
    {301, dm::kFeeder1}, {302, dm::kFeeder2}, {303, dm::kFeeder3}, {304, dm::kFeeder4}, {305, dm::kFeeder5}};
constexpr UINT kTextNone = 484, kTextStandardCassette = 485, kTextLargeCassette = 486;
constexpr UINT kIconNoFeeder = 765, kIconStandardCassette = 766, kIconLargeCassette = 767;
constexpr WORD kStandardCassettes[] = {1, 6};
constexpr WORD kLargeCassettes[] = {3, 10};
// Other options: installed or not.
constexpr FeederRow kOptionRows[] = {{309, dm::kDuplex}, {316, dm::kLcs}, {317, dm::kFut}, {354, dm::kManual}};
constexpr UINT kTextInstalled = 487, kIconOn = 768, kIconOff = 769;

// ---- Texts of rows with routines of their own ----
constexpr UINT kTextSameAsPaper = 468;
constexpr UINT kTextPortrait = 527, kTextLandscape = 528;
constexpr UINT kTextSeparateTrays = 320, kTextSlipSheets = 321;
constexpr UINT kTextStandard = 488;
constexpr UINT kTextYes = 476, kTextNo = 477;
constexpr UINT kTextNoPanelText = 502;
constexpr UINT kTextMonitorOn = 1093, kTextMonitorOff = 1092;
constexpr UINT kTextSheetOn = 572, kTextSheetOff = 571;
constexpr UINT kTextOneUp = 518;
constexpr std::u16string_view kNoZoom = u"---";

// Layout order on a 2-up sheet: four texts and icons by index, portrait and landscape.
constexpr UINT kOrderTextsPortrait[] = {514, 515, 516, 517};
constexpr UINT kOrderIconsPortrait[] = {706, 707, 708, 709};
constexpr UINT kOrderTextsLandscape[] = {516, 517, 514, 515};
constexpr UINT kOrderIconsLandscape[] = {708, 709, 706, 707};
constexpr UINT kOrderIconOneUp = 710;
constexpr WORD kOrderCount = 4;
constexpr WORD kOrderSwapOffset = 2;  // the return postcard and unmappable papers turn the order

// Source names: the slot names the resource DLL gives and the texts shown for them.
constexpr UINT kSlotNameTexts[] = {200, 201, 202, 203, 204, 205, 219, 207};
constexpr UINT kSlotShownTexts[] = {300, 301, 302, 303, 304, 305, 319, 307};
static_assert(std::size(kSlotNameTexts) == std::size(kSlotShownTexts));

// Memory sizes in kilobytes: the band just above the standard that counts as one 16 MB module.
constexpr LONG kModuleBandFirst = 16384, kModuleBandLast = 17407;
constexpr LONG kModuleMb = 16;
constexpr int kKbToMbShift = 10;

struct Records {
    const DriverDevmode& now;
    const DriverDevmode& applied;
};

std::u16string Load(const UiContext& ui, UINT id) {
    WCHAR text[kValueChars] = {};
    const int n = ui.hResDll ? LoadStringW(ui.hResDll, id, text, kValueChars) : 0;
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

std::u16string Decimal(LONG value) {
    std::u16string out;
    const bool negative = value < 0;
    unsigned long magnitude = negative ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        out.insert(out.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude);
    if (negative) out.insert(out.begin(), u'-');
    return out;
}

DWORD FlagBits(const DriverDevmode& r, FlagWord word) {
    switch (word) {
        case FlagWord::kFlags1:
            return Get(r, dm::Flags1);
        case FlagWord::kFlags2:
            return Get(r, dm::Flags2);
        case FlagWord::kFlagsWord:
            return Get(r, dm::FlagsWord);
    }
    return 0;
}

DWORD IndexValue(const DriverDevmode& r, IndexField field) {
    switch (field) {
        case IndexField::kLayoutMode:
            return Get(r, dm::LayoutMode);
        case IndexField::kFrameKind:
            return Get(r, dm::FrameKind);
        case IndexField::kPrintDensity:
            return Get(r, dm::PrintDensity);
        case IndexField::kHoldMode:
            return Get(r, dm::HoldMode);
        case IndexField::kImageAdjustMode:
            return Get(r, dm::ImageAdjustMode);
    }
    return 0;
}

TreeRowValue FlagValue(const UiContext& ui, const Records& rec, const FlagRow& row) {
    const DWORD now = FlagBits(rec.now, row.word) & row.bit;
    const bool changed = now != (FlagBits(rec.applied, row.word) & row.bit);
    return now ? TreeRowValue{Load(ui, row.setText), row.setIcon, changed}
               : TreeRowValue{Load(ui, row.clearText), row.clearIcon, changed};
}

TreeRowValue IndexedValue(const UiContext& ui, const Records& rec, const IndexedRow& row) {
    const DWORD now = IndexValue(rec.now, row.field);
    TreeRowValue v{{}, row.icon, now != IndexValue(rec.applied, row.field)};
    for (BYTE i = 0; i < row.valueCount; ++i)
        if (row.values[i] == now) v.text = Load(ui, row.baseText + now);
    return v;
}

bool SamePair(const Records& rec, unsigned pair) {
    return Get(rec.now, dm::DeviceState(pair)) == Get(rec.applied, dm::DeviceState(pair)) &&
           Get(rec.now, dm::DeviceChoice(pair)) == Get(rec.applied, dm::DeviceChoice(pair));
}

template <size_t N>
bool IsIn(const WORD (&values)[N], WORD v) {
    for (WORD w : values)
        if (w == v) return true;
    return false;
}

TreeRowValue FeederValue(const UiContext& ui, const Records& rec, unsigned pair) {
    const bool changed = !SamePair(rec, pair);
    if (!DeviceInstalled(rec.now, pair)) return {Load(ui, kTextNone), kIconNoFeeder, changed};
    const WORD kind = Get(rec.now, dm::DeviceChoice(pair));
    if (IsIn(kStandardCassettes, kind)) return {Load(ui, kTextStandardCassette), kIconStandardCassette, changed};
    if (IsIn(kLargeCassettes, kind)) return {Load(ui, kTextLargeCassette), kIconLargeCassette, changed};
    return {{}, kIconNone, changed};
}

TreeRowValue OptionValue(const UiContext& ui, const Records& rec, unsigned pair) {
    const bool changed = !SamePair(rec, pair);
    return DeviceInstalled(rec.now, pair) ? TreeRowValue{Load(ui, kTextInstalled), kIconOn, changed}
                                          : TreeRowValue{Load(ui, kTextNone), kIconOff, changed};
}

// Row 404. The order texts come in fours; an order value past them has no text rather than a
// text read beside the table.
TreeRowValue LayoutOrderValue(const UiContext& ui, const Records& rec) {
    const DriverDevmode& r = rec.now;
    const WORD mode = Get(r, dm::LayoutMode);
    const WORD order = Get(r, dm::LayoutOrder);
    TreeRowValue v{{}, kIconNone, order != Get(rec.applied, dm::LayoutOrder)};
    if (mode == 1) {
        v.text = Load(ui, kTextOneUp);
        v.iconId = kOrderIconOneUp;
        return v;
    }
    if (mode != 2) {
        if (order >= kOrderCount) return v;
        v.text = Load(ui, kTextOneUp + order);
        v.iconId = kOrderIconOneUp + order;
        return v;
    }
    const EffectivePaper paper = EffectivePaperOf(r);
    const bool turned =
        paper.name == kFormDoublePostcard || !IsPaperMappingAllowed(r, DeviceDataVersion(ui.deviceData));
    const unsigned i = unsigned{order} + (turned ? kOrderSwapOffset : 0u);
    if (i >= kOrderCount) return v;
    const bool portrait = Get(r, dm::Orientation) == DMORIENT_PORTRAIT;
    v.text = Load(ui, portrait ? kOrderTextsPortrait[i] : kOrderTextsLandscape[i]);
    v.iconId = portrait ? kOrderIconsPortrait[i] : kOrderIconsLandscape[i];
    return v;
}

// Row 426's third branch: the shown name of the input slot that is the document's source.
std::u16string SourceName(const UiContext& ui, SHORT source) {
    for (const NamedValueEntry& slot : InputSlots(ui.deviceData)) {
        if ((slot.value & 0xFFFF) != static_cast<WORD>(source)) continue;
        for (size_t k = 0; k < std::size(kSlotNameTexts); ++k)
            if (Load(ui, kSlotNameTexts[k]) == slot.name) return Load(ui, kSlotShownTexts[k]);
        return {};
    }
    return {};
}

TreeRowValue SourceValue(const UiContext& ui, const Records& rec) {
    const DriverDevmode &r = rec.now, &a = rec.applied;
    constexpr UINT kIcon = 736;
    // The value changed when the field of the branch taken differs.
    if (Get(r, dm::SeparateTraysOn) == 1)
        return {Load(ui, kTextSeparateTrays), kIcon, Get(a, dm::SeparateTraysOn) != Get(r, dm::SeparateTraysOn)};
    if (Get(r, dm::SlipSheetsOn) == 1)
        return {Load(ui, kTextSlipSheets), kIcon, Get(a, dm::SlipSheetsOn) != Get(r, dm::SlipSheetsOn)};
    const SHORT source = Get(r, dm::DefaultSource);
    return {SourceName(ui, source), kIcon, source != Get(a, dm::DefaultSource)};
}

TreeRowValue OrientationValue(const UiContext& ui, const Records& rec) {
    const bool portrait = Get(rec.now, dm::Orientation) == DMORIENT_PORTRAIT;
    const bool sheet = Get(rec.now, dm::SheetSetting) == 1;
    const UINT icon = sheet ? (portrait ? 783 : 784) : (portrait ? 734 : 735);
    return {Load(ui, portrait ? kTextPortrait : kTextLandscape), icon,
            Get(rec.now, dm::Orientation) != Get(rec.applied, dm::Orientation)};
}

// Row 447: what the printer's panel shows for the job.
TreeRowValue PanelTextValue(const UiContext& ui, const Records& rec) {
    const DWORD now = Get(rec.now, dm::Flags1), before = Get(rec.applied, dm::Flags1);
    constexpr DWORD kBoth = kFlags1DisplayJobUser | kFlags1DisplayUserText;
    bool changed = (now & kBoth) != (before & kBoth);
    if (!changed && (now & kFlags1DisplayUserText))
        changed = GetText(rec.now, dm::UserText) != GetText(rec.applied, dm::UserText);
    if (now & kFlags1DisplayJobUser) return {GetText(rec.now, dm::JobUserName), 751, changed};
    if (now & kFlags1DisplayUserText) return {GetText(rec.now, dm::UserText), 752, changed};
    return {Load(ui, kTextNoPanelText), 750, changed};
}

// Row 449: the trays linked for the job; an empty set reads "none".
TreeRowValue TraySetValue(const UiContext& ui, const Records& rec) {
    constexpr DWORD kTrayBits = 0x0000000F;
    const bool changed = (Get(rec.now, dm::Flags1) & kFlags1ManualInTraySet) !=
                             (Get(rec.applied, dm::Flags1) & kFlags1ManualInTraySet) ||
                         (Get(rec.now, dm::TraySet) & kTrayBits) != (Get(rec.applied, dm::TraySet) & kTrayBits);
    // Asked without its "none" text, the set reads empty when no tray is linked.
    const std::u16string trays =
        TraySetText(rec.now, [&ui](UINT id) { return id == kTextNone ? std::u16string() : Load(ui, id); });
    if (trays.empty()) return {Load(ui, kTextNone), kIconOff, changed};
    return {trays, kIconOn, changed};
}

TreeRowValue StampValue(const UiContext& ui, const Records& rec) {
    WCHAR name[65] = {};
    const DWORD number = Get(rec.now, dm::StampNumber);
    if (number != 0 && number <= 0xFFFF) ReadStampText(ui.hPrinter, static_cast<WORD>(number), name);
    return {std::u16string(name), 787, number != Get(rec.applied, dm::StampNumber)};
}

std::optional<TreeRowValue> SimpleRowValue(const UiContext& ui, const Records& rec, DWORD rowId) {
    for (const LabelRow& row : kLabelRows)
        if (row.rowId == rowId) return TreeRowValue{{}, row.icon, false};
    for (const FlagRow& row : kFlagRows)
        if (row.rowId == rowId) return FlagValue(ui, rec, row);
    for (const IndexedRow& row : kIndexedRows)
        if (row.rowId == rowId) return IndexedValue(ui, rec, row);
    for (const FeederRow& row : kFeederRows)
        if (row.rowId == rowId) return FeederValue(ui, rec, row.pair);
    for (const FeederRow& row : kOptionRows)
        if (row.rowId == rowId) return OptionValue(ui, rec, row.pair);
    return std::nullopt;
}

TreeRowValue DuplexValue(const UiContext& ui, const Records& rec) {
    const SHORT duplex = Get(rec.now, dm::Duplex);
    TreeRowValue v{{}, kIconNone, duplex != Get(rec.applied, dm::Duplex)};
    if (duplex < DMDUP_SIMPLEX || duplex > DMDUP_HORIZONTAL) return v;
    const bool portrait = Get(rec.now, dm::Orientation) == DMORIENT_PORTRAIT;
    v.text = Load(ui, 521 + duplex);
    v.iconId = (portrait ? 714 : 717) + duplex;
    return v;
}

TreeRowValue ZoomValue(const Records& rec) {
    const bool oneUp = Get(rec.now, dm::LayoutMode) == 1;
    const bool changed =
        oneUp != (Get(rec.applied, dm::LayoutMode) == 1) || Get(rec.now, dm::Zoom) != Get(rec.applied, dm::Zoom);
    return {oneUp ? Decimal(Get(rec.now, dm::Zoom)) + u" %" : std::u16string(kNoZoom), 773, changed};
}

TreeRowValue OwnRowValue(const PageContext& page, const Records& rec, DWORD rowId) {
    const UiContext& ui = *page.uiContext;
    const DriverDevmode &r = rec.now, &a = rec.applied;
    switch (rowId) {
        case 404:
            return LayoutOrderValue(ui, rec);
        case 407:
            return DuplexValue(ui, rec);
        case 419:
            return {GetText(r, dm::FormName), 731, GetText(r, dm::FormName) != GetText(a, dm::FormName)};
        case 421: {
            const std::u16string name = GetText(r, dm::OutPaperName);
            return {name.empty() ? Load(ui, kTextSameAsPaper) : name, 732, name != GetText(a, dm::OutPaperName)};
        }
        case 424:
            return ZoomValue(rec);
        case 425:
            return OrientationValue(ui, rec);
        case 426:
            return SourceValue(ui, rec);
        case 428:
            return {Decimal(Get(r, dm::Copies)), 738, Get(r, dm::Copies) != Get(a, dm::Copies)};
        case 432:
            return {Decimal(Get(r, dm::PrintQuality)) + u"dpi", 741,
                    Get(r, dm::PrintQuality) != Get(a, dm::PrintQuality)};
        case 447:
            return PanelTextValue(ui, rec);
        case 449:
            return TraySetValue(ui, rec);
        case 459:
            return {TreeMemoryLabel(page), 764, Get(r, dm::MemoryKb) != Get(a, dm::MemoryKb)};
        case 554:
            return StampValue(ui, rec);
        case 731: {
            const bool changed = Get(r, dm::SheetSetting) != Get(a, dm::SheetSetting);
            return Get(r, dm::SheetSetting) == 1 ? TreeRowValue{Load(ui, kTextSheetOn), kIconOn, changed}
                                                 : TreeRowValue{Load(ui, kTextSheetOff), kIconOff, changed};
        }
        case 780:
            if (!kJapaneseBuild) break;
            return {Load(ui, Get(r, dm::TrustMarkResult) ? kTextYes : kTextNo), 959,
                    Get(r, dm::TrustMarkResult) != Get(a, dm::TrustMarkResult)};
        case 1094:
            return (page.flags & kPageFlagMopyingUiOpen) ? TreeRowValue{Load(ui, kTextMonitorOn), kIconOn, false}
                                                         : TreeRowValue{Load(ui, kTextMonitorOff), kIconOff, false};
    }
    return {{}, kIconNone, false};
}

}  // namespace

TreeRowValue ComputeTreeRowValue(const PageContext& page, DWORD rowId) {
    if (!page.uiContext) return {{}, kIconNone, false};
    const Records rec{page.uiContext->currentDevmode, page.uiContext->appliedDevmode};
    if (std::optional<TreeRowValue> v = SimpleRowValue(*page.uiContext, rec, rowId)) return *v;
    return OwnRowValue(page, rec, rowId);
}

// The standard memory is the device's default size; a size of the device's list, or one 16 MB
// module above the standard, reads as the standard plus the difference. A module the user
// entered by hand (the configuration did not come from the printer) is not believed.
std::u16string TreeMemoryLabel(const PageContext& page) {
    if (!page.uiContext) return {};
    const UiContext& ui = *page.uiContext;
    const std::optional<MemorySizeEntry> standardEntry = DefaultMemorySize(ui.deviceData);
    const LONG s = standardEntry ? standardEntry->values[0] : 0;
    const LONG m = static_cast<LONG>(Get(ui.currentDevmode, dm::MemoryKb));
    const std::u16string t = Load(ui, kTextStandard);
    const std::u16string standardLabel = Decimal(s >> kKbToMbShift) + u"MB(" + t + u")";
    if (m == s) return standardLabel;
    bool listed = false;
    for (const MemorySizeEntry& entry : MemorySizes(ui.deviceData)) listed = listed || entry.values[0] == m;
    const LONG extra = m - s;
    if (!listed && (extra < kModuleBandFirst || extra > kModuleBandLast)) return standardLabel;
    const LONG d = extra >> kKbToMbShift;
    if (d == kModuleMb && !(ui.printerConfig.extStatus & kConfigFromPrinter)) return standardLabel;
    return Decimal(m >> kKbToMbShift) + u"MB(" + t + u" + " + Decimal(d) + u"MB)";
}

}  // namespace orla
