// The option constraint pass: a table of rules, each an answer (is the setting available?), the
// field it keeps with its remembered field, and the controls and settings-tree items that follow
// the answer. The resolver runs after every rule that may change a field, so the next rule sees
// the forced values.
#include "ui/entry/option_constraints.h"

#include <string>
#include <string_view>

#include "core/form_overlay.h"
#include "core/settings.h"
#include "core/settings_resolver.h"
#include "core/support.h"
#include "resources/lang/basic_page_ids.h"
#include "ui/entry/held.h"
#include "ui/entry/job_monitor.h"
#include "ui/entry/ui_flags.h"
#include "win/kernel.h"

namespace orla {

namespace {

namespace basic = orla_res::basic_page;

constexpr DWORD kConfigFromPrinter = 0x4;
constexpr SHORT kSourceManual = 4;  // DMBIN_MANUAL
constexpr WORD kQuality1200 = 1200;
constexpr DWORD kDuplexVertical = 2;  // DMDUP_VERTICAL; 3 is DMDUP_HORIZONTAL
constexpr DWORD kDuplexHorizontal = 3;

// ---- A field and its remembered field ----

struct KeptField {
    unsigned offset = 0;
    unsigned remembered = 0;
    BYTE width = 0;  // 0: the rule keeps no field of its own
    DWORD bit = 0;   // 0: the whole value; else that bit alone
};

template <class T, class U>
constexpr KeptField Keep(DmField<T> field, DmField<U> remembered) {
    static_assert(sizeof(T) == sizeof(U) && (sizeof(T) == 2 || sizeof(T) == 4));
    return {field.offset, remembered.offset, sizeof(T), 0};
}
template <class T>
constexpr KeptField KeepBit(DmField<T> field, DmField<T> remembered, DWORD bit) {
    static_assert(sizeof(T) == 2 || sizeof(T) == 4);
    return {field.offset, remembered.offset, sizeof(T), bit};
}

DWORD ReadValue(const DriverDevmode& r, unsigned offset, BYTE width) {
    return width == 2 ? Get(r, DmField<WORD>{offset}) : Get(r, DmField<DWORD>{offset});
}
void WriteValue(DriverDevmode& r, unsigned offset, BYTE width, DWORD value) {
    if (width == 2) {
        Set(r, DmField<WORD>{offset}, static_cast<WORD>(value));
    } else {
        Set(r, DmField<DWORD>{offset}, value);
    }
}
DWORD KeptValue(const DriverDevmode& r, const KeptField& k) {
    const DWORD v = ReadValue(r, k.offset, k.width);
    return k.bit ? v & k.bit : v;
}

// field := remembered field (a flag bit: the remembered field's bit).
void Restore(DriverDevmode& r, const KeptField& k) {
    const DWORD saved = ReadValue(r, k.remembered, k.width);
    if (!k.bit) {
        WriteValue(r, k.offset, k.width, saved);
        return;
    }
    const DWORD v = ReadValue(r, k.offset, k.width);
    WriteValue(r, k.offset, k.width, (v & ~k.bit) | (saved & k.bit));
}

// remembered field := entry value, when the field no longer holds it.
void Remember(DriverDevmode& r, const DriverDevmode& entry, const KeptField& k) {
    const DWORD was = KeptValue(entry, k);
    if (KeptValue(r, k) == was) return;
    if (!k.bit) {
        WriteValue(r, k.remembered, k.width, was);
        return;
    }
    const DWORD saved = ReadValue(r, k.remembered, k.width);
    WriteValue(r, k.remembered, k.width, (saved & ~k.bit) | was);
}

void CopyText(DriverDevmode& to, DmText toField, const DriverDevmode& from, DmText fromField) {
    SetText(to, toField, GetText(from, fromField));
}

// ---- The pass ----

struct Pass {
    DriverDevmode& r;
    const DriverDevmode& entry;
    const PrinterConfigRecord* config;
    const CompiledDeviceData* data;
    const ResolverConfig* resolverConfig;
    const ResolverInputs* inputs;  // null: the resolver has no forms or strings and changes nothing
    std::u16string_view fallbackName;
    const ItemSwitches* items;
    MonitorProbe* monitor;
    LONG version;
    std::u16string name;  // taken after rule 4
    bool nameInForms = false;
    UINT resolverRuns = 0;
};

void Resolve(Pass& p) {
    ++p.resolverRuns;
    if (p.inputs) ResolveSettings(&p.r, p.resolverConfig, *p.inputs, p.data);
}

std::u16string FormName(const Pass& p) {
    return GetText(p.r, dm::FormName);
}
bool OverlayOn(const DriverDevmode& r) {
    return (Get(r, dm::FlagsWord) & kFlagsWordOverlayOn) != 0;
}
bool DriverForm(const Pass& p) {
    return IsOfferedForm(FormName(p), p.data);
}
bool ConvertingDriverForm(const Pass& p) {
    return IsConversionFormName(FormName(p)) && DriverForm(p);
}
bool Unconverted(const Pass& p) {
    return !OverlayOn(p.r) && !ConvertingDriverForm(p);
}
bool TrustOff(const Pass& p) {
    return !kJapaneseBuild || Get(p.r, dm::TrustMarkResult) == 0;
}
bool Flag1(const Pass& p, DWORD bit) {
    return (Get(p.r, dm::Flags1) & bit) != 0;
}
bool Installed(const Pass& p, unsigned pair) {
    return DeviceInstalled(p.r, pair);
}
bool LongPaper(const Pass& p) {
    return p.name == kLongPaperFormName;
}
bool PaperOk(const Pass& p) {
    return IsSupportedPaper(&p.r, p.data) != FALSE;
}
bool DuplexUnitOrNoConfig(const Pass& p) {
    return !p.config || Installed(p, dm::kDuplex);
}

struct PaperSize {
    LONG width;
    LONG length;
};
// The output paper's size when there is one, else the document's (0.1 mm).
PaperSize Size(const Pass& p) {
    if (Get(p.r, dm::OutPaperIndex) != 0) return {Get(p.r, dm::OutPaperWidth), Get(p.r, dm::OutPaperLength)};
    return {AsDevmode(p.r)->dmPaperWidth, AsDevmode(p.r)->dmPaperLength};
}

// The first input slot named like resource string 200, when there is one.
const NamedValueEntry* FallbackSlot(const Pass& p, NamedValueEntry* slot) {
    if (p.fallbackName.empty()) return nullptr;
    for (NamedValueEntry e : InputSlots(p.data)) {
        if (e.name != p.fallbackName) continue;
        *slot = e;
        return slot;
    }
    return nullptr;
}
bool SourceIsFallbackOrNone(const Pass& p) {
    NamedValueEntry slot;
    const NamedValueEntry* fallback = FallbackSlot(p, &slot);
    return !fallback || static_cast<SHORT>(fallback->value) == AsDevmode(p.r)->dmDefaultSource;
}

// ---- Answers ----

bool Always(const Pass&) {
    return true;
}
bool Never(const Pass&) {
    return false;
}
bool ConfigFromPrinterOrNone(const Pass& p) {
    return !p.config || (p.config->extStatus & kConfigFromPrinter);
}
bool OverlayOff(const Pass& p) {
    return !OverlayOn(p.r);
}
bool OverlayOnTrustOff(const Pass& p) {
    return OverlayOn(p.r) && TrustOff(p);
}
bool UnconvertedOnePage(const Pass& p) {
    return Unconverted(p) && Get(p.r, dm::LayoutMode) == 1;
}
bool ManualOutPaper(const Pass& p) {
    return OverlayOff(p) && Flag1(p, kFlags1ManualOutPaper);
}
bool OrientationFree(const Pass& p) {
    const std::u16string form = FormName(p);
    return OverlayOff(p) && !((form == u"LP->A4" || form == u"LP->B4") && DriverForm(p));
}
bool SeparateTraysFree(const Pass& p) {
    return OverlayOff(p) && !LongPaper(p) && Get(p.r, dm::SlipSheetsOn) == 0;
}
bool SlipSheetsFree(const Pass& p) {
    return OverlayOff(p) && !LongPaper(p) && PaperOk(p) && Get(p.r, dm::SeparateTraysOn) == 0;
}
bool SourceFree(const Pass& p) {
    return OverlayOff(p) && !LongPaper(p) && PaperOk(p);
}
bool ManualZoom(const Pass& p) {
    return Flag1(p, kFlags1ManualZoom);
}
bool LayoutFree(const Pass& p) {
    return Unconverted(p) && !ManualZoom(p);
}
bool LayoutSeveralPages(const Pass& p) {
    return LayoutFree(p) && Get(p.r, dm::LayoutMode) != 1;
}
bool RasterOff(const Pass& p) {
    return !Flag1(p, kFlags1RasterMode);
}
bool OutputTrayTwo(const Pass& p) {
    return Get(p.r, dm::OutputTray) == 2;
}
bool BindingFree(const Pass& p) {
    const SHORT duplex = AsDevmode(p.r)->dmDuplex;
    return DuplexUnitOrNoConfig(p) && (duplex == kDuplexVertical || duplex == kDuplexHorizontal);
}
bool StampsShown(const Pass& p) {
    return Get(p.r, dm::StampDrawFlag) == 1;
}

bool MonitorReachable(const Pass& p) {
    if (p.monitor && *p.monitor != MonitorProbe::kNotAsked) return *p.monitor == MonitorProbe::kAvailable;
    const MevHandle handle = InitializeJobMonitor(0);
    if (handle) UninitializeJobMonitor(handle);
    if (p.monitor) *p.monitor = handle ? MonitorProbe::kAvailable : MonitorProbe::kMissing;
    return handle != 0;
}

// Output tray choice: the stacker or the face-up tray must take the paper.
bool OutputTrayFree(const Pass& p) {
    const std::u16string form = FormName(p);
    const bool lcs = Installed(p, dm::kLcs);
    const bool fut = Installed(p, dm::kFut);
    bool answer = true;
    NamedValueEntry slot;
    const NamedValueEntry* fallback = FallbackSlot(p, &slot);
    if (fallback && static_cast<SHORT>(fallback->value) != AsDevmode(p.r)->dmDefaultSource && p.nameInForms &&
        (p.name == u"A3" || p.name == u"B4 (JIS)")) {
        answer = false;
    }
    if (DriverForm(p) && (form == u"A3->B4" || form == u"A4->A3" || form == u"A4->B4" || form == u"B4->A3" ||
                          form == u"B5->B4" || form == u"LP->B4")) {
        answer = false;
    }
    if (p.nameInForms) {
        if (LongPaper(p)) answer = false;
    } else {
        const PaperSize s = Size(p);
        if (s.width < 770 || s.width > 3040 || s.length < 1000 || s.length > 2970) {
            answer = false;
        } else if (s.length >= 1270) {
            answer = lcs || fut;
        } else if (!fut) {
            answer = false;
        } else if (Get(p.r, dm::OutputTray) == 2) {
            answer = true;
        }
    }
    if (Get(p.r, dm::PaperType) == 2 && !fut) answer = false;
    if (!lcs && !fut) answer = false;
    return answer;
}

// Duplex: the paper must go through the duplex unit.
bool DuplexFree(const Pass& p) {
    bool answer;
    if (p.nameInForms) {
        answer = DuplexUnitOrNoConfig(p);
    } else {
        const PaperSize s = Size(p);
        answer = s.width >= 1000 && s.width <= 2970 && s.length >= 1480 && s.length <= 4318;
    }
    const SHORT source = AsDevmode(p.r)->dmDefaultSource;
    if (p.name == kFormEnvelopeYou4 && p.nameInForms) answer = false;
    if (p.version >= 4 && p.name == kFormEnvelopeYou4Rotated) answer = false;
    if (LongPaper(p)) answer = false;
    if (Get(p.r, dm::PaperType) == 3 && source != kSourceManual) answer = false;
    if (Get(p.r, dm::ManualPaperType) == 3 && source == kSourceManual) answer = false;
    if (Get(p.r, dm::OutputTray) == 3) answer = false;
    if (Get(p.r, dm::SlipSheetsOn) == 1) answer = false;
    return answer;
}

// Job separation alternates between trays of the tray set: A4 from the fallback slot and at
// least two trays of the set installed.
bool JobSeparateFree(const Pass& p) {
    const bool a4 =
        p.name == u"A4" ||
        (p.version >= 4 && (p.name == u"A4 Small" || p.name == u"A4 Transverse" || p.name == kFormA4Rotated));
    if (!p.nameInForms || !a4 || !SourceIsFallbackOrNone(p)) return false;
    const DWORD set = Get(p.r, dm::TraySet);
    int trays = Flag1(p, kFlags1ManualInTraySet) && Installed(p, dm::kManual) ? 1 : 0;
    const unsigned feeders[] = {dm::kFeeder1, dm::kFeeder2, dm::kFeeder3, dm::kFeeder4};
    for (unsigned i = 0; i < 4; ++i)
        if ((set & (1u << i)) && Installed(p, feeders[i])) ++trays;
    return trays >= 2;
}

// ---- Actions beyond the plain restore-or-remember ----

// The document paper: four fields, remembered together when the form name moved.
void KeepDocumentPaper(Pass& p, bool answer) {
    DEVMODEW& d = *AsDevmode(p.r);
    if (answer) {
        CopyText(p.r, dm::FormName, p.r, dm::PrevFormName);
        d.dmPaperLength = static_cast<SHORT>(Get(p.r, dm::PrevPaperLength));
        d.dmPaperWidth = static_cast<SHORT>(Get(p.r, dm::PrevPaperWidth));
        d.dmPaperSize = static_cast<SHORT>(Get(p.r, dm::PrevPaperSize));
        return;
    }
    if (GetText(p.r, dm::FormName) == GetText(p.entry, dm::FormName)) return;
    const DEVMODEW& e = *AsDevmode(p.entry);
    CopyText(p.r, dm::PrevFormName, p.entry, dm::FormName);
    Set(p.r, dm::PrevPaperLength, static_cast<WORD>(e.dmPaperLength));
    Set(p.r, dm::PrevPaperWidth, static_cast<WORD>(e.dmPaperWidth));
    Set(p.r, dm::PrevPaperSize, static_cast<WORD>(e.dmPaperSize));
}

void SaveOutputPaper(DriverDevmode& to, const DriverDevmode& from) {
    Set(to, dm::SavedOutPaperIndex, Get(from, dm::OutPaperIndex));
    Set(to, dm::SavedOutPaperLength, Get(from, dm::OutPaperLength));
    Set(to, dm::SavedOutPaperWidth, Get(from, dm::OutPaperWidth));
    CopyText(to, dm::SavedOutPaperName, from, dm::OutPaperName);
}

// A document form outside the printer's limits with no output paper of its own: the resolver's
// choice of output paper is the one to remember, not the stale one.
bool EntryPaperNeedsResolverChoice(const Pass& p) {
    const DEVMODEW& e = *AsDevmode(p.entry);
    if (!GetText(p.entry, dm::OutPaperName).empty()) return false;
    const LONG w = LONG{e.dmPaperWidth} * 100;
    const LONG l = LONG{e.dmPaperLength} * 100;
    const bool outside =
        w < DeviceDataSignedField(p.data, dd::kMinFormWidth) || w > DeviceDataSignedField(p.data, dd::kMaxFormWidth) ||
        l < DeviceDataSignedField(p.data, dd::kMinFormLength) || l > DeviceDataSignedField(p.data, dd::kMaxFormLength);
    if (!outside) return false;
    std::u16string name = GetText(p.r, dm::OutPaperName);
    if (name.empty()) name = FormName(p);
    if (p.version >= 4 && IsRotatedFormName(name)) return false;
    return !(e.dmPaperWidth == 2970 && e.dmPaperLength == 9000);
}

void KeepOutputPaper(Pass& p, bool answer) {
    if (answer) {
        if (EntryPaperNeedsResolverChoice(p)) {
            SaveOutputPaper(p.r, p.r);
            return;
        }
        Set(p.r, dm::OutPaperIndex, Get(p.r, dm::SavedOutPaperIndex));
        Set(p.r, dm::OutPaperLength, Get(p.r, dm::SavedOutPaperLength));
        Set(p.r, dm::OutPaperWidth, Get(p.r, dm::SavedOutPaperWidth));
        CopyText(p.r, dm::OutPaperName, p.r, dm::SavedOutPaperName);
        return;
    }
    const bool wasManual = (Get(p.entry, dm::Flags1) & kFlags1ManualOutPaper) != 0;
    if (wasManual && !Flag1(p, kFlags1ManualOutPaper) &&
        GetText(p.r, dm::OutPaperName) != GetText(p.entry, dm::OutPaperName)) {
        SaveOutputPaper(p.r, p.entry);
    }
}

// Name and NameInForms, as the output paper stands after rule 4.
void TakeName(Pass& p, bool) {
    p.name = GetText(p.r, dm::OutPaperName);
    if (p.name.empty()) p.name = FormName(p);
    p.nameInForms = IsOfferedForm(p.name, p.data);
}

// Separate trays and covers: each asks the paper test again, with a resolver run after each.
void KeepTrayChoices(Pass& p, bool) {
    static constexpr KeptField kTrays[] = {
        Keep(dm::FirstSheetTray, dm::SavedFirstSheetTray), Keep(dm::SecondSheetTray, dm::SavedSecondSheetTray),
        Keep(dm::FrontCoverTray, dm::SavedFrontCoverTray), Keep(dm::BackCoverTray, dm::SavedBackCoverTray),
        Keep(dm::SlipSheetTray, dm::SavedSlipSheetTray),   Keep(dm::SeparateDefaultTray, dm::SavedSeparateDefaultTray),
    };
    for (const KeptField& k : kTrays) {
        if (PaperOk(p)) {
            Restore(p.r, k);
        } else {
            Remember(p.r, p.entry, k);
        }
        Resolve(p);
    }
}

constexpr KeptField kOutputTray = Keep(dm::OutputTray, dm::SavedOutputTray);
void KeepOutputTray(Pass& p, bool answer) {
    if (answer) {
        Restore(p.r, kOutputTray);
    } else if (!p.nameInForms) {
        Remember(p.r, p.entry, kOutputTray);
    }
}

constexpr KeptField kDuplex = Keep(dm::Duplex, dm::PrevDuplex);
// Duplex, and the 1200 dpi that long paper took away.
void KeepDuplex(Pass& p, bool answer) {
    if (answer) {
        Restore(p.r, kDuplex);
    } else {
        Remember(p.r, p.entry, kDuplex);
    }
    if (LongPaper(p) || Get(p.r, dm::RememberedQuality) != kQuality1200) return;
    AsDevmode(p.r)->dmPrintQuality = static_cast<SHORT>(kQuality1200);
    Set(p.r, dm::RememberedQuality, static_cast<WORD>(AsDevmode(p.entry)->dmPrintQuality));
}
void NoteDuplexAnswer(Pass& p, bool answer) {
    Set(p.r, dm::DuplexAvailable, static_cast<DWORD>(answer));
}

constexpr KeptField kZoom = Keep(dm::Zoom, dm::SavedZoom);
void KeepZoom(Pass& p, bool answer) {
    if (answer) {
        Restore(p.r, kZoom);
    } else if (!ConvertingDriverForm(p)) {
        Remember(p.r, p.entry, kZoom);
    }
}

void NoteLayoutAnswer(Pass& p, bool answer) {
    Set(p.r, dm::LayoutAvailable, static_cast<DWORD>(answer));
}

// The order buttons that make sense only for more than two pages a sheet.
void SwitchLayoutOrder(Pass& p, bool answer) {
    const BOOL on = answer && Get(p.r, dm::LayoutMode) != 2;
    EnableItem(p.items, 1124, on);
    EnableItem(p.items, 1125, on);
}

void SwitchStampAndAnnotation(Pass& p, bool) {
    EnableTreeItem(p.items, 554, StampsShown(p));
    const BOOL annotation = Get(p.r, dm::AnnotationOn) == 1;
    EnableTreeItem(p.items, 557, annotation);
    EnableTreeItem(p.items, 558, annotation);
}

constexpr KeptField kMonitorBit = KeepBit(dm::Flags1, dm::SavedFlags1, kFlags1JobMonitor);
void KeepMonitorBit(Pass& p, bool answer) {
    if (answer) {
        Restore(p.r, kMonitorBit);
        return;
    }
    Set(p.r, dm::Flags1, Get(p.r, dm::Flags1) & ~kFlags1JobMonitor);
    Remember(p.r, p.entry, kMonitorBit);
}

// Without trust marking (English build) device-font substitution is never offered.
void DropFontSubstitution(Pass& p, bool) {
    Set(p.r, dm::Flags1, Get(p.r, dm::Flags1) & ~kFlags1DeviceFontSubstitution);
    Set(p.r, dm::SavedFlags1, Get(p.r, dm::SavedFlags1) & ~kFlags1DeviceFontSubstitution);
}

void SwitchTrustControl(Pass& p, bool) {
    if (kJapaneseBuild) EnableItem(p.items, 1364, TrustOff(p));
}

void ShowConversionItem(Pass& p, bool) {
    EnableTreeItem(p.items, 599, TRUE);
}

// ---- The rules ----

typedef bool (*Answer)(const Pass&);
typedef void (*Action)(Pass&, bool answer);

enum RuleScope : BYTE {
    kEveryBuild = 0,
    kJapaneseOnly = 1,  // settings the English build does not have
    kWithDialog = 2,    // only while a dialog shows the setting
};

struct IdList {
    short ids[6];  // zero-terminated
};

struct ConstraintRule {
    int number;
    Answer answer;
    KeptField field;  // restored when the answer is TRUE, remembered when FALSE
    Action keep;      // in place of the plain restore-or-remember of field
    IdList controls;
    IdList trees;
    Action after;  // after the resolver run: results kept in the record, further items
    BYTE scope;
};

constexpr KeptField kNoField{};
constexpr KeptField Flag1Kept(DWORD bit) {
    return KeepBit(dm::Flags1, dm::SavedFlags1, bit);
}
constexpr KeptField FlagsWordKept(WORD bit) {
    return KeepBit(dm::FlagsWord, dm::SavedFlagsWord, bit);
}

// clang-format off
constexpr ConstraintRule kRules[] = {
    // rule answer                   field                                                keep              controls                          trees       after
    {0,  ConfigFromPrinterOrNone, kNoField,                                             nullptr,             {},                               {{451}},    nullptr,                kEveryBuild},
    {1,  OverlayOff,            kNoField,                                               KeepDocumentPaper,   {{1201, 1202, 1203, basic::kPaperSize}},       {{419}},    nullptr,                kEveryBuild},
    {2,  Unconverted,           Flag1Kept(kFlags1ManualOutPaper),                       nullptr,             {{1205, 1209, 1210}},             {{422}},    nullptr,                kEveryBuild},
    {3,  UnconvertedOnePage,    Flag1Kept(kFlags1ManualZoom),                           nullptr,             {{1212, basic::kFreeZoom}},                   {{423}},    nullptr,                kEveryBuild},
    {4,  ManualOutPaper,        kNoField,                                               KeepOutputPaper,     {{1206, 1207, basic::kOutputPaper}},             {{421}},    TakeName,               kEveryBuild},
    {5,  OrientationFree,       Keep(dm::Orientation, dm::PrevOrientation),             nullptr,             {{1218, 1220, 1216, basic::kPortrait, basic::kLandscape}}, {{425}},    nullptr,                kEveryBuild},
    {6,  PaperOk,               kNoField,                                               KeepTrayChoices,     {},                               {},         nullptr,                kEveryBuild},
    {7,  SeparateTraysFree,     Keep(dm::SeparateTraysOn, dm::SavedSeparateTraysOn),    nullptr,             {{2901}},                         {},         nullptr,                kEveryBuild},
    {8,  SlipSheetsFree,        Keep(dm::SlipSheetsOn, dm::SavedSlipSheetsOn),          nullptr,             {{2902}},                         {},         nullptr,                kEveryBuild},
    {9,  SourceFree,            Keep(dm::DefaultSource, dm::PrevDefaultSource),         nullptr,             {{1221, 1222, 1223}},             {{426}},    nullptr,                kEveryBuild},
    {10, Always,                Keep(dm::PaperType, dm::SavedPaperType),                nullptr,             {{1224, 1225, 1226}},             {{427}},    nullptr,                kEveryBuild},
    {11, Always,                Keep(dm::ManualPaperType, dm::SavedManualPaperType),    nullptr,             {{3463, 3464}},                   {{669}},    nullptr,                kEveryBuild},
    {12, OutputTrayFree,        kNoField,                                               KeepOutputTray,      {{1232, 1233, 1234}},             {{854}},    nullptr,                kEveryBuild},
    {13, DuplexFree,            kNoField,                                               KeepDuplex,          {},                               {{407}},    NoteDuplexAnswer,       kEveryBuild},
    {14, ManualZoom,            kNoField,                                               KeepZoom,            {{basic::kZoom, 1215, 1177}},             {{424}},    nullptr,                kEveryBuild},
    {15, LayoutFree,            Keep(dm::LayoutMode, dm::SavedLayoutMode),              nullptr,             {},                               {{402}},    NoteLayoutAnswer,       kEveryBuild},
    {16, LayoutSeveralPages,    Keep(dm::FrameKind, dm::SavedFrameKind),                nullptr,             {{1115, 1116, basic::kFrame}},             {{403}},    nullptr,                kEveryBuild},
    {17, LayoutSeveralPages,    Keep(dm::LayoutOrder, dm::SavedLayoutOrder),            nullptr,             {{basic::kOrder, 1121}},                   {{404}},    SwitchLayoutOrder,      kEveryBuild},
    {18, TrustOff,              Flag1Kept(kFlags1Collate),                              nullptr,             {{1140, 1139, 1141}},             {{410}},    nullptr,                kEveryBuild},
    {19, StampsShown,           kNoField,                                               nullptr,             {},                               {},         SwitchStampAndAnnotation, kEveryBuild},
    {20, JobSeparateFree,       Flag1Kept(kFlags1JobSeparate),                          nullptr,             {{1143, 1142, 1144}},             {{412}},    nullptr,                kEveryBuild},
    {21, OutputTrayTwo,         Keep(dm::OffsetStacking, dm::SavedOffsetStacking),      nullptr,             {{1167, 1166, 1168}},             {{735}},    nullptr,                kEveryBuild},
    {22, MonitorReachable,      kNoField,                                               KeepMonitorBit,      {},                               {{1070}},   nullptr,                kEveryBuild},
    {23, BindingFree,           Flag1Kept(kFlags1BindingBack),                          nullptr,             {{basic::kBinding, 1135}},                   {{408}},    nullptr,                kEveryBuild},
    {24, LayoutSeveralPages,    Flag1Kept(kFlags1PageFrame),                            nullptr,             {{1118, 1119}},                   {{405}},    nullptr,                kEveryBuild},
    {25, RasterOff,             Flag1Kept(kFlags1PatternBySize),                        nullptr,             {},                               {{433}},    nullptr,                kEveryBuild},
    {26, TrustOff,              Flag1Kept(kFlags1TonerSave),                            nullptr,             {{1044}},   kJapaneseBuild ? IdList{{439}} : IdList{},  nullptr,     kEveryBuild},
    {27, kJapaneseBuild ? RasterOff : Never, kJapaneseBuild ? Flag1Kept(kFlags1DeviceFontSubstitution) : kNoField,
                                                                                        kJapaneseBuild ? nullptr : DropFontSubstitution,
                                                                                                             {},                               {{442}},    nullptr,                kEveryBuild},
    {28, RasterOff,             Flag1Kept(kFlags1BlackText),                            nullptr,             {},                               {{444}},    nullptr,                kEveryBuild},
    {29, RasterOff,             Flag1Kept(kFlags1VectorOnly),                           nullptr,             {},                               {{443}},    nullptr,                kEveryBuild},
    {30, OverlayOff,            KeepBit(dm::Flags2, dm::SavedFlags2, kFlags2OverlayMode), nullptr,           {{1297}},                         {{456}},    nullptr,                kEveryBuild},
    {31, TrustOff,              FlagsWordKept(kFlagsWordOverlayOn),                     nullptr,             {{1544}},                         {{448}},    nullptr,                kJapaneseOnly | kWithDialog},
    {32, OverlayOnTrustOff,     FlagsWordKept(kFlagsWordOverlayOnly),                   nullptr,
         kJapaneseBuild ? IdList{{2332, 1541, 1542, 1540, 2300}} : IdList{},                                                                   {},         SwitchTrustControl,     kEveryBuild},
    {33, Unconverted,           kNoField,                                               nullptr,             {},                               {},         ShowConversionItem,     kEveryBuild},
    {34, TrustOff,              Flag1Kept(kFlags1ResolutionEnhance),                    nullptr,             {},                               {{438}},    nullptr,                kJapaneseOnly},
    {35, TrustOff,              Flag1Kept(kFlags1NotWithTrust),                         nullptr,             {},                               {{781}},    nullptr,                kJapaneseOnly},
    {36, TrustOff,              Keep(dm::PrintDensity, dm::SavedPrintDensity),          nullptr,             {},                               {{440}},    nullptr,                kJapaneseOnly},
};

// Items the context's flags take away, whatever the rules said.
constexpr short kLockedControls[] = {
    1108, 1109, 1110, 1112, 1115, 1118, 1111, 1113, basic::kLayout, 1116, basic::kFrame, 1119, basic::kOrder, 1121, basic::kDuplex, 1128, basic::kBinding, 1135,
    1153, 1154, 1155, 1156, 1157, 1158, 1159, 1160, 1161, 1162, 1163, 1164, 1165, 1140, 1139, 1141, 1143, 1142,
    1144, 1145, 1166, 1167, 1168, 1012, 1201, basic::kPaperSizePicture, 1203, basic::kPaperSize, 1205, basic::kEntryModePicture, basic::kOutputPaperPicture, 1207, basic::kOutputPaper, basic::kOrderPicture, 1210, basic::kZoomPicture,
    basic::kFreeZoom, basic::kZoom, 1215, basic::kOrientationPicture, 1220, 1216, basic::kPortrait, basic::kLandscape, basic::kSavePaper, basic::kDuplexPicture, 1222, 1223, 2901, 2902, basic::kBindingPicture, 1225, 1226, basic::kLayoutPicture,
    1233, 1234, basic::kCopiesPicture, 1228, basic::kCopies, basic::kCopiesSpin, 1050, 1046, 3740, 3741, 3742, 1740, 1739, 1749, 1294, 1295, 1296, 1297,
    1090, 3473, 3474, 1301, 1063, 3315, 1064, 1065, basic::kRestoreDefaults, 1500};
constexpr short kLockedTreeItems[] = {
    402, 403, 404, 407, 408, 553, 554, 669, 556, 557, 558, 410, 412, 413, 735, 415, 419, 421, 422, 423, 424, 425,
    731, 426, 427, 854, 428, 432, 433, 434, 435, 436, 438, 439, 440, 442, 443, 444, 446, 447, 448, 449, 450, 570,
    453, 454, 455, 456, 457, 459, 301, 302, 303, 304, 305, 306, 354, 308, 309, 310, 311, 312, 313, 314, 315, 316,
    317, 318, 451, 780, 781};
constexpr short kAdvancedControls[] = {1201, basic::kPaperSizePicture, 1203, basic::kPaperSize, basic::kOrientationPicture, 1220, 1216, basic::kPortrait, basic::kLandscape,
                                       basic::kDuplexPicture, 1222, 1223, basic::kCopiesPicture, 1228, basic::kCopies, basic::kCopiesSpin, basic::kRestoreDefaults};
constexpr short kAdvancedTreeItems[] = {407, 419, 425, 731, 426, 428, 432};
constexpr short kPrinterDataControl = basic::kAddFavourite;  // favourites are kept in the printer data
// clang-format on

bool RuleRuns(const ConstraintRule& rule, const Pass& p) {
    if ((rule.scope & kJapaneseOnly) && !kJapaneseBuild) return false;
    if ((rule.scope & kWithDialog) && !(p.items && p.items->hasDialog)) return false;
    return true;
}

void RunRule(Pass& p, const ConstraintRule& rule) {
    const bool answer = rule.answer(p);
    const bool changes = rule.keep || rule.field.width;
    if (rule.keep) {
        rule.keep(p, answer);
    } else if (rule.field.width && answer) {
        Restore(p.r, rule.field);
    } else if (rule.field.width) {
        Remember(p.r, p.entry, rule.field);
    }
    if (changes) Resolve(p);
    for (short id : rule.controls.ids) {
        if (!id) break;
        EnableItem(p.items, id, answer);
    }
    for (short id : rule.trees.ids) {
        if (!id) break;
        EnableTreeItem(p.items, id, answer);
    }
    if (rule.after) rule.after(p, answer);
}

template <size_t N>
void DisableControls(const Pass& p, const short (&ids)[N]) {
    for (short id : ids) EnableItem(p.items, id, FALSE);
}
template <size_t N>
void DisableTreeItems(const Pass& p, const short (&ids)[N]) {
    for (short id : ids) EnableTreeItem(p.items, id, FALSE);
}

void ApplyContextLimits(const Pass& p, DWORD uiFlags) {
    if (!(uiFlags & kUiCanChange)) {
        DisableControls(p, kLockedControls);
        DisableTreeItems(p, kLockedTreeItems);
    }
    if (uiFlags & kUiAdvanced) {
        DisableControls(p, kAdvancedControls);
        DisableTreeItems(p, kAdvancedTreeItems);
    }
    if (!(uiFlags & kUiDataWritable)) EnableItem(p.items, kPrinterDataControl, FALSE);
}

}  // namespace

UINT ApplyOptionConstraints(DriverDevmode* record, const ItemSwitches* items, const PrinterConfigRecord* config,
                            HANDLE hPrinter, const CompiledDeviceData* data, HMODULE hResDll, DWORD uiFlags,
                            MonitorProbe* monitor) {
    if (!record) return 0;
    const DriverDevmode entry = *record;

    // What the resolver needs from the spooler and the resource DLL, gathered once for all runs.
    DWORD formCount = 0;
    GlobalHeld<FORM_INFO_1W> forms(EnumUsableForms(hPrinter, &formCount, data));
    ResourceDllHeld ownResources(hResDll ? nullptr : LoadResourceDll(hPrinter));
    const HMODULE resources = hResDll ? hResDll : ownResources.get();
    DeviceStrings strings;
    LoadDeviceStrings(resources, &strings);
    const std::vector<BYTE> table = ReadOutPaperTable(hPrinter);
    const ResolverInputs inputs{forms.get(), formCount, &strings, table};
    const ResolverConfig resolverConfig{config ? config->extStatus : 0, 0};

    Pass p{*record,
           entry,
           config,
           data,
           config ? &resolverConfig : nullptr,
           forms && resources ? &inputs : nullptr,
           strings[0],
           items,
           monitor,
           DeviceDataVersion(data)};

    ApplyFormOverlay(record, hPrinter, data);
    Resolve(p);
    for (const ConstraintRule& rule : kRules)
        if (RuleRuns(rule, p)) RunRule(p, rule);
    ApplyContextLimits(p, uiFlags);
    return p.resolverRuns;
}

}  // namespace orla
