// Setting items: where each item lives in the settings record, as tables, and the few items whose
// writing moves other fields with it.
#include "ui/pages/setting_items.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/paper_names.h"
#include "win/kernel.h"
#include "win/user_controls.h"

namespace orla {

namespace {

constexpr WORD kChoiceOff = 484;  // "off" / "not installed" of the option items
constexpr WORD kChoiceOn = 487;

// How a flag item's write treats a choice.
enum class BitWrite : BYTE {
    kSetChoiceSets,      // the choice that reads as set sets the bit, every other clears it
    kClearChoiceClears,  // the choice that reads as clear clears it, every other sets it
    kListedOnly,         // only the two listed choices (and the extra clear choice) act
    kNotHere,            // written by the option-list page with the tray set
};

struct FlagItem {
    WORD item;
    DmField<DWORD> word;
    DWORD bit;
    std::array<WORD, 2> choices;
    WORD setReads;
    WORD clearReads;
    unsigned copyOffset;  // the copy-block word written alike, 0 for none
    BitWrite write;
};

constexpr unsigned kNoCopy = 0;
constexpr unsigned kCopy1 = dm::SavedFlags1.offset;
constexpr unsigned kCopy2 = dm::SavedFlags2.offset;
using enum BitWrite;

// clang-format off
constexpr FlagItem kFlagItems[] = {
    {433, dm::Flags1, kFlags1PatternBySize,          {488, 538}, 538, 488, kCopy1,  kSetChoiceSets},
    {434, dm::Flags1, kFlags1RasterMode,             {488, 489}, 489, 488, kNoCopy, kListedOnly},
    {438, dm::Flags1, kFlags1ResolutionEnhance,      {474, 475}, 474, 475, kCopy1,  kSetChoiceSets},
    {442, dm::Flags1, kFlags1DeviceFontSubstitution, {476, 477}, 476, 477, kCopy1,  kSetChoiceSets},
    {443, dm::Flags1, kFlags1VectorOnly,             {539, 540}, 539, 540, kCopy1,  kSetChoiceSets},
    {444, dm::Flags1, kFlags1BlackText,              {544, 541}, 541, 544, kCopy1,  kSetChoiceSets},
    {449, dm::Flags1, kFlags1ManualInTraySet,        {542, 543}, 542, 543, kNoCopy, kNotHere},
    {454, dm::Flags1, kFlags1ManualOutPaper,         {860, 861}, 861, 860, kCopy1,  kClearChoiceClears},
    {781, dm::Flags1, kFlags1NotWithTrust,           {782, 783}, 782, 783, kCopy1,  kSetChoiceSets},
    {455, dm::Flags2, kFlags2FeedMode00,             {482, 481}, 482, 481, kNoCopy, kSetChoiceSets},
    {456, dm::Flags2, kFlags2OverlayMode,            {474, 475}, 474, 475, kCopy2,  kSetChoiceSets},
    {599, dm::Flags2, kFlags2GreyTables,             {476, 477}, 476, 477, kCopy2,  kSetChoiceSets},
    {765, dm::Flags2, kFlags2DeviceChoice,              {766, 767}, 766, 767, kNoCopy, kSetChoiceSets},
    {774, dm::Flags2, kFlags2AccountPerUser,         {775, 776}, 776, 775, kNoCopy, kSetChoiceSets},
    {840, dm::Flags2, kFlags2PatternDownload,        {488, 905}, 905, 488, kCopy2,  kSetChoiceSets},
    {772, dm::Flags2, kFlags2StackedFirst,           {484, 487}, 487, 484, kNoCopy, kSetChoiceSets},
    {773, dm::Flags2, kFlags2StackedSecond,          {484, 487}, 487, 484, kNoCopy, kSetChoiceSets},
};
// clang-format on
constexpr WORD kRasterModeExtraClear = 859;  // item 434's other "off" text

// Items kept in the installed bit of a device option's state word.
enum class OptionEffect : BYTE { kNone, kDuplexPending, kFaceUpTray, kManualSlot };
struct OptionItem {
    WORD item;
    unsigned pair;
    OptionEffect effect;
};
constexpr OptionItem kOptionItems[] = {
    {309, dm::kDuplex, OptionEffect::kDuplexPending},
    {316, dm::kLcs, OptionEffect::kNone},
    {317, dm::kFut, OptionEffect::kFaceUpTray},
    {354, dm::kManual, OptionEffect::kManualSlot},
    {770, dm::kHdd, OptionEffect::kNone},
    {771, dm::kFinisher1, OptionEffect::kNone},
};
constexpr std::array<WORD, 2> kOptionChoices = {kChoiceOff, kChoiceOn};

// The stacked option trays: items 1302 to 1304, each a {state, kind} pair.
struct TrayItem {
    WORD item;
    unsigned pair;
};
constexpr TrayItem kTrayItems[] = {{1302, dm::kFeeder2}, {1303, dm::kFeeder3}, {1304, dm::kFeeder4}};
constexpr std::array<WORD, 3> kTrayChoices = {kChoiceOff, 485, 486};

constexpr std::array<WORD, 5> kDensityChoices = {492, 493, 494, 495, 496};
constexpr WORD kDensityBase = 491;  // value v reads as 491 + v
constexpr std::array<WORD, 3> kPanelChoices = {kChoiceOff, 499, 500};

// Choices other settings force (after the constraint pass).
enum class ForcedBy : BYTE { kRasterMode, kTrustMarking, kMappedPaperOrOverlay, kOverlay, kAlways };
struct ForcedItem {
    WORD item;
    WORD choice;
    ForcedBy when;
};
constexpr ForcedItem kForcedItems[] = {
    {433, 488, ForcedBy::kRasterMode},           {442, 477, kJapaneseBuild ? ForcedBy::kRasterMode : ForcedBy::kAlways},
    {443, 540, ForcedBy::kRasterMode},           {444, 544, ForcedBy::kRasterMode},
    {455, 481, ForcedBy::kRasterMode},           {438, 474, ForcedBy::kTrustMarking},
    {440, 494, ForcedBy::kTrustMarking},         {781, 783, ForcedBy::kTrustMarking},
    {454, 860, ForcedBy::kMappedPaperOrOverlay}, {456, 474, ForcedBy::kOverlay},
};

const FlagItem* FindFlagItem(WORD item) {
    for (const FlagItem& f : kFlagItems)
        if (f.item == item) return &f;
    return nullptr;
}
const OptionItem* FindOptionItem(WORD item) {
    for (const OptionItem& o : kOptionItems)
        if (o.item == item) return &o;
    return nullptr;
}
const TrayItem* FindTrayItem(WORD item) {
    for (const TrayItem& t : kTrayItems)
        if (t.item == item) return &t;
    return nullptr;
}

void SetBits(DriverDevmode& record, DmField<DWORD> word, DWORD bits, bool on) {
    DWORD v = Get(record, word);
    Set(record, word, on ? (v | bits) : (v & ~bits));
}
void SetInstalled(DriverDevmode& record, unsigned pair, bool on) {
    WORD v = Get(record, dm::DeviceState(pair));
    Set(record, dm::DeviceState(pair), on ? WORD(v | dm::kDeviceInstalled) : WORD(v & ~dm::kDeviceInstalled));
}

WORD ReadFlagItem(const DriverDevmode& record, const FlagItem& f) {
    return (Get(record, f.word) & f.bit) ? f.setReads : f.clearReads;
}

void WriteFlagItem(DriverDevmode& record, const FlagItem& f, WORD choice) {
    bool on = false;
    switch (f.write) {
        case kNotHere:
            return;
        case kListedOnly:
            if (choice != f.setReads && choice != f.clearReads && choice != kRasterModeExtraClear) return;
            on = choice == f.setReads;
            break;
        case kClearChoiceClears:
            on = choice != f.clearReads;
            break;
        case kSetChoiceSets:
            on = choice == f.setReads;
            break;
    }
    SetBits(record, f.word, f.bit, on);
    if (f.copyOffset != kNoCopy) SetBits(record, DmField<DWORD>{f.copyOffset}, f.bit, on);
}

// Bits 12 and 13 of the second flag word count the stacked trays; the trays' installed bits
// follow whichever of the two was written.
void FollowStackedCount(DriverDevmode& record, WORD item) {
    const DWORD flags = Get(record, dm::Flags2);
    const bool first = (flags & kFlags2StackedFirst) != 0;
    const bool second = (flags & kFlags2StackedSecond) != 0;
    if (item == 772) {
        if (first && !second) {
            SetInstalled(record, dm::kFeeder2, true);
        } else if (first && second) {
            for (unsigned p : {dm::kFeeder2, dm::kFeeder3, dm::kFeeder4}) SetInstalled(record, p, true);
        } else if (second) {
            SetInstalled(record, dm::kFeeder2, true);
            SetInstalled(record, dm::kFeeder3, true);
            SetInstalled(record, dm::kFeeder4, false);
        } else {
            SetInstalled(record, dm::kFeeder2, false);
        }
        return;
    }
    const unsigned a = first ? dm::kFeeder3 : dm::kFeeder2;
    const unsigned b = first ? dm::kFeeder4 : dm::kFeeder3;
    SetInstalled(record, a, second);
    SetInstalled(record, b, second);
}

void WriteOptionItem(DriverDevmode& record, const OptionItem& o, WORD choice) {
    const bool was = DeviceInstalled(record, o.pair);
    bool on;
    if (o.effect == OptionEffect::kManualSlot) {
        on = choice != kChoiceOff;
    } else if (choice == kChoiceOn || choice == kChoiceOff) {
        on = choice == kChoiceOn;
    } else {
        return;
    }
    SetInstalled(record, o.pair, on);
    switch (o.effect) {
        case OptionEffect::kDuplexPending:
            if (!on && Get(record, dm::DuplexFavourite) == 1) {
                Set(record, dm::DuplexFavourite, 2);
                Set(record, dm::DeviceChoice(dm::kDuplex), WORD{0xFFFF});
            }
            break;
        case OptionEffect::kFaceUpTray:
            if (on && !was) Set(record, dm::FaceUpTray, 1);
            if (!on && was) Set(record, dm::FaceUpTray, 0);
            break;
        case OptionEffect::kManualSlot:
            if (on) SetInstalled(record, dm::kMultiPurpose, false);
            break;
        case OptionEffect::kNone:
            break;
    }
}

WORD ReadTrayItem(const DriverDevmode& record, const TrayItem& t) {
    if (!DeviceInstalled(record, t.pair)) return kChoiceOff;
    switch (Get(record, dm::DeviceChoice(t.pair))) {
        case 1:
        case 6:
            return 485;
        case 3:
        case 10:
            return 486;
        default:
            return 0;
    }
}

void WriteTrayItem(DriverDevmode& record, const TrayItem& t, WORD choice) {
    if (choice == 485 || choice == 486) {
        SetInstalled(record, t.pair, true);
        Set(record, dm::DeviceChoice(t.pair), WORD(choice == 485 ? 1 : 3));
        return;
    }
    if (choice != kChoiceOff) return;
    // Removing a tray removes those stacked under it: they are written with its cleared state.
    const WORD cleared = Get(record, dm::DeviceState(t.pair)) & ~dm::kDeviceInstalled;
    for (unsigned p = t.pair; p <= dm::kFeeder4; ++p) {
        if (t.item == 1304) {
            SetInstalled(record, p, false);
        } else {
            Set(record, dm::DeviceState(p), cleared);
        }
    }
}

WORD ReadPanelItem(const DriverDevmode& record) {
    const DWORD flags = Get(record, dm::Flags1);
    if (flags & kFlags1DisplayJobUser) return 499;
    if (flags & kFlags1DisplayUserText) return 500;
    return kChoiceOff;
}
void WritePanelItem(DriverDevmode& record, WORD choice) {
    SetBits(record, dm::Flags1, kFlags1DisplayJobUser, choice == 499);
    SetBits(record, dm::Flags1, kFlags1DisplayUserText, choice == 500);
}

bool ForcedConditionHolds(const DriverDevmode& record, ForcedBy when) {
    const bool overlayOn = (Get(record, dm::FlagsWord) & kFlagsWordOverlayOn) != 0;
    switch (when) {
        case ForcedBy::kRasterMode:
            return (Get(record, dm::Flags1) & kFlags1RasterMode) != 0;
        case ForcedBy::kTrustMarking:
            return kJapaneseBuild && Get(record, dm::TrustMarkResult) != 0;
        case ForcedBy::kMappedPaperOrOverlay:
            return overlayOn || IsSizeMappingName(GetText(record, dm::FormName));
        case ForcedBy::kOverlay:
            return overlayOn;
        case ForcedBy::kAlways:
            return true;
    }
    return false;
}

// The window-backed switches of the constraint pass: a rule's control lives in the dialog.
ItemSwitches DialogSwitches(HWND dialog) {
    return {dialog, TRUE,
            [](void* owner, int id, BOOL on) { EnableWindow(GetDlgItem(static_cast<HWND>(owner), id), on); }, nullptr};
}

std::u16string Widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::u16string LoadText(HMODULE res, UINT id, int limit = 256) {
    WCHAR text[256] = {};
    const int n = res ? LoadStringW(res, id, text, std::min(limit, 256)) : 0;
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

int AddComboText(HWND combo, const std::u16string& text, LPARAM data) {
    const auto index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
    return static_cast<int>(index);
}

// The paper name a resolution choice depends on: the private paper name when set.
std::u16string ChosenPaperName(const DriverDevmode& record) {
    std::u16string name = GetText(record, dm::OutPaperName);
    return name.empty() ? GetText(record, dm::FormName) : name;
}

LONG StandardMemoryKb(const CompiledDeviceData* data) {
    return static_cast<LONG>(DeviceDataField(data, DeviceDataField(data, dd::kDefaultMemorySize)));
}

}  // namespace

std::span<const WORD> ItemChoiceList(WORD item) {
    if (const FlagItem* f = FindFlagItem(item)) return f->choices;
    if (FindOptionItem(item)) return kOptionChoices;
    if (FindTrayItem(item)) return kTrayChoices;
    if (item == 440) return kDensityChoices;
    if (item == 447) return kPanelChoices;
    return {};
}

WORD ReadItemChoice(const DriverDevmode& record, WORD item) {
    if (const FlagItem* f = FindFlagItem(item)) return ReadFlagItem(record, *f);
    if (const OptionItem* o = FindOptionItem(item)) return DeviceInstalled(record, o->pair) ? kChoiceOn : kChoiceOff;
    if (const TrayItem* t = FindTrayItem(item)) return ReadTrayItem(record, *t);
    if (item == 447) return ReadPanelItem(record);
    if (item == 440) {
        const WORD v = Get(record, dm::PrintDensity);
        return v >= 1 && v <= 5 ? WORD(kDensityBase + v) : WORD{0};
    }
    return 0;
}

void WriteItemChoice(DriverDevmode& record, WORD item, WORD choice) {
    if (const FlagItem* f = FindFlagItem(item)) {
        WriteFlagItem(record, *f, choice);
        if (item == 772 || item == 773) FollowStackedCount(record, item);
    } else if (const OptionItem* o = FindOptionItem(item)) {
        WriteOptionItem(record, *o, choice);
    } else if (const TrayItem* t = FindTrayItem(item)) {
        WriteTrayItem(record, *t, choice);
    } else if (item == 447) {
        WritePanelItem(record, choice);
    } else if (item == 440) {
        if (choice <= kDensityBase || choice > kDensityBase + 5) return;
        Set(record, dm::PrintDensity, WORD(choice - kDensityBase));
        Set(record, dm::SavedPrintDensity, WORD(choice - kDensityBase));
    }
}

WORD ForcedItemChoice(const DriverDevmode& record, WORD item) {
    for (const ForcedItem& f : kForcedItems)
        if (f.item == item) return ForcedConditionHolds(record, f.when) ? f.choice : WORD{0};
    return 0;
}

WORD GetItemChoice(HWND window, WORD item) {
    const UiContext* ui = UiContextOf(window);
    return ui ? ReadItemChoice(ui->currentDevmode, item) : 0;
}

void ApplyItemChoice(HWND window, HWND combo, WORD item, int index) {
    UiContext* ui = UiContextOf(window);
    if (!ui) return;
    if (item == 432) {
        // The label reads "<dpi>dpi": its leading number is the resolution.
        const auto sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        const auto len = sel >= 0 ? SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(sel), 0) : -1;
        if (len < 0 || len >= 64) return;
        WCHAR text[64] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(text));
        int dpi = 0;
        int digits = 0;
        for (const WCHAR* p = text; *p >= u'0' && *p <= u'9' && digits < 5; ++p, ++digits) dpi = dpi * 10 + (*p - u'0');
        if (digits > 0) Set(ui->currentDevmode, dm::PrintQuality, static_cast<SHORT>(dpi));
        return;
    }
    if (item == 459) {
        const MemorySizeList sizes = MemorySizes(ui->deviceData);
        const auto sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (sel < 0 || static_cast<DWORD>(sel) >= sizes.size()) return;
        Set(ui->currentDevmode, dm::MemoryKb, static_cast<DWORD>(sizes[static_cast<DWORD>(sel)].values[0]));
        return;
    }
    const std::span<const WORD> choices = ItemChoiceList(item);
    if (index < 0 || static_cast<size_t>(index) >= choices.size()) return;
    WriteItemChoice(ui->currentDevmode, item, choices[static_cast<size_t>(index)]);
    // The account block saved under the newly chosen mode comes back with it.
    if (item == 774) RestoreAccountBlock(ui);
}

WORD GetForcedItemChoice(HWND window, WORD item) {
    UiContext* ui = UiContextOf(window);
    if (!ui) return 0;
    const ItemSwitches switches = DialogSwitches(window);
    ApplyOptionConstraints(&ui->currentDevmode, &switches, &ui->printerConfig, ui->hPrinter, ui->deviceData,
                           ui->hResDll, ui->flags, &ui->monitorProbe);
    return ForcedItemChoice(ui->currentDevmode, item);
}

std::u16string ResolutionLabel(LONG dpi) {
    return Widen(std::to_string(dpi)) + u"dpi";
}

std::u16string MemoryLabel(HMODULE res, LONG kb, LONG standardKb) {
    const std::u16string standard = LoadText(res, 488);
    const std::u16string mb = Widen(std::to_string(kb >> 10)) + u"MB";
    if (!kJapaneseBuild) return kb == standardKb ? standard + u" " + mb : mb;
    if (kb == standardKb) return mb + u" (" + standard + u")";
    return mb + u" (" + standard + u" + " + Widen(std::to_string((kb - standardKb) >> 10)) + u"MB)";
}

int FillResolutionCombo(HWND window) {
    const UiContext* ui = UiContextOf(window);
    if (!ui) return 0;
    HWND combo = GetDlgItem(window, 3303);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const bool longPaper = ChosenPaperName(ui->currentDevmode) == kLongPaperFormName;
    const SHORT quality = Get(ui->currentDevmode, dm::PrintQuality);
    int count = 0;
    for (const ResolutionEntry& r : Resolutions(ui->deviceData)) {
        if (longPaper && r.dpi == 1200) continue;  // long paper prints at 600 dpi at most
        const int index = AddComboText(combo, ResolutionLabel(r.dpi), r.dpi);
        if (r.dpi == quality) SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ++count;
    }
    return count;
}

int FillMemoryCombo(HWND window) {
    const UiContext* ui = UiContextOf(window);
    if (!ui) return 0;
    HWND combo = GetDlgItem(window, 3742);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const LONG standard = StandardMemoryKb(ui->deviceData);
    const DWORD chosen = Get(ui->currentDevmode, dm::MemoryKb);
    int count = 0;
    for (const MemorySizeEntry& m : MemorySizes(ui->deviceData)) {
        const int index = AddComboText(combo, MemoryLabel(ui->hResDll, m.values[0], standard), m.values[0]);
        if (static_cast<DWORD>(m.values[0]) == chosen) SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ++count;
    }
    return count;
}

int FillTraySelectionCombo(HWND window) {
    const UiContext* ui = UiContextOf(window);
    if (!ui) return 0;
    const DriverDevmode& rec = ui->currentDevmode;
    HWND combo = GetDlgItem(window, 3303);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const bool f2 = DeviceInstalled(rec, dm::kFeeder2);
    const bool f3 = f2 && DeviceInstalled(rec, dm::kFeeder3);
    const bool f4 = f3 && DeviceInstalled(rec, dm::kFeeder4);
    const std::pair<WORD, bool> trays[] = {
        {1307, DeviceInstalled(rec, dm::kManual)}, {301, true}, {302, f2}, {303, f3}, {304, f4}};
    int count = 0;
    for (const auto& [id, shown] : trays) {
        if (!shown) continue;
        AddComboText(combo, LoadText(ui->hResDll, id, 33), id);
        ++count;
    }
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageW(window, 1032, CB_SETCURSEL, (Get(rec, dm::Flags1) & kFlags1ManualInTraySet) ? 0 : 1, 0);
    return count;
}

int FillItemChoiceCombo(HWND window, WORD item, int comboId) {
    const UiContext* ui = UiContextOf(window);
    if (!ui) return 0;
    if (item == 432) return FillResolutionCombo(window);
    if (item == 449) return FillTraySelectionCombo(window);
    if (item == 459) return FillMemoryCombo(window);
    HWND combo = GetDlgItem(window, comboId);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const std::span<const WORD> choices = ItemChoiceList(item);
    const WORD current = ReadItemChoice(ui->currentDevmode, item);
    int selected = 0;
    for (size_t i = 0; i < choices.size(); ++i) {
        AddComboText(combo, LoadText(ui->hResDll, choices[i]), choices[i]);
        if (choices[i] == current) selected = static_cast<int>(i);
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    return static_cast<int>(choices.size());
}

WORD ShowItemCombo(HWND window, WORD item, int comboId) {
    if (!UiContextOf(window)) return 0;
    const WORD forced = GetForcedItemChoice(window, item);
    FillItemChoiceCombo(window, item, comboId);
    const std::span<const WORD> choices = ItemChoiceList(item);
    const auto at = std::find(choices.begin(), choices.end(), forced);
    if (forced != 0 && at != choices.end())
        SendDlgItemMessageW(window, comboId, CB_SETCURSEL, static_cast<WPARAM>(at - choices.begin()), 0);
    EnableWindow(GetDlgItem(window, comboId), forced == 0);
    return forced;
}

}  // namespace orla
