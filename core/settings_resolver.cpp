// The settings resolver: run after every change that matters and before a record is handed out.
#include "core/settings_resolver.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/settings.h"
#include "core/support.h"
#include "win/kernel.h"

namespace orla {

namespace {

constexpr std::array<std::u16string_view, 14> kConversionForms = {
    u"A3->A4", u"A3->B4", u"A4->A3", u"A4x2->A4", u"A4->B4",   u"A4->B5", u"B4->A3",
    u"B4->A4", u"B4->B5", u"B5->A4", u"B5->B4",   u"B5x2->B5", u"LP->A4", u"LP->B4",
};

// Document forms the printer takes by name, for descriptions below "*Version" 4 ...
const std::array<std::u16string_view, 9> kPapersV3 = {
    u"A3", u"A4", u"A5", u"B4 (JIS)", u"B5 (JIS)", u"Letter", kFormPostcard, kFormDoublePostcard, kFormEnvelopeYou4,
};
// ... and those added from "*Version" 4 on.
const std::array<std::u16string_view, 17> kPapersV4 = {
    u"A3 Transverse",
    kFormA3Rotated,
    u"A4 Small",
    u"A4 Transverse",
    kFormA4Rotated,
    u"A5 Transverse",
    kFormA5Rotated,
    kFormB4Rotated,
    u"B5 (JIS) Transverse",
    kFormB5Rotated,
    u"Letter Small",
    u"Letter Transverse",
    u"Note",
    kFormLetterRotated,
    kFormPostcardRotated,
    kFormDoublePostcardRotated,
    kFormEnvelopeYou4Rotated,
};
const std::array<std::u16string_view, 7> kRotatedForms = {
    kFormA3Rotated,     kFormB4Rotated,       kFormA4Rotated,           kFormB5Rotated,
    kFormLetterRotated, kFormPostcardRotated, kFormEnvelopeYou4Rotated,
};
// Document forms whose output goes to the output tray choice 1.
constexpr std::array<std::u16string_view, 6> kTrayOneConversions = {
    u"A3->B4", u"A4->A3", u"A4->B4", u"B4->A3", u"B5->B4", u"LP->B4",
};

template <size_t N>
bool InList(const std::array<std::u16string_view, N>& list, std::u16string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

// Choices that mean nothing for a page drawn as one bitmap.
constexpr DWORD kF1RasterModeClears =
    kFlags1PatternBySize | kFlags1At600Only | kFlags1DeviceFontSubstitution | kFlags1BlackText | kFlags1VectorOnly;
constexpr DWORD kMemoryFor1200Kb = 0x42000;  // collate-separate at 1200 dpi needs 264 MB
constexpr DWORD kMemoryFor600Kb = 0x12000;   // and at 600 dpi or less 72 MB
constexpr WORD kTrustPrintDensity = 3;
constexpr DWORD kConfigFromPrinter = 0x4;
constexpr DWORD kConfigTrayContentsHidden = 0x8;

// Paper positions and sizes (0.1 mm) of one paper of the record.
struct Paper {
    std::u16string name;
    LONG width = 0;
    LONG length = 0;
};

class Resolver {
public:
    Resolver(DriverDevmode& r, const ResolverConfig* config, const ResolverInputs& in, const CompiledDeviceData* data)
        : r_(r), config_(config), in_(in), data_(data), version_(DeviceDataVersion(data)) {}

    void Run();

private:
    DriverDevmode& r_;
    const ResolverConfig* config_;
    const ResolverInputs& in_;
    const CompiledDeviceData* data_;
    LONG version_;

    DEVMODEW& pub() { return *AsDevmode(r_); }
    bool Installed(unsigned pair) const { return DeviceInstalled(r_, pair); }
    void ClearInstalled(unsigned pair) {
        const auto f = dm::DeviceState(pair);
        Set(r_, f, static_cast<WORD>(Get(r_, f) & ~dm::kDeviceInstalled));
    }
    const std::u16string& String(UINT id) const {
        static const std::u16string empty;
        if (!in_.strings || id < kFirstDeviceString || id >= kFirstDeviceString + kDeviceStringCount) return empty;
        return (*in_.strings)[id - kFirstDeviceString];
    }
    bool ConfigFromPrinter() const { return config_ && (config_->extStatus & kConfigFromPrinter); }

    DWORD FormPosition(std::u16string_view name) const { return FindUsableForm(in_.forms, in_.formCount, name); }
    void SetDocumentFromForm(DWORD pos);
    void SetDocumentToDefault();
    void SetOutputFromForm(DWORD pos);
    void SetOutputToDefault();
    void ClearOutput();
    Paper Printed() const;
    bool OutputEmpty() const { return GetText(r_, dm::OutPaperName).empty(); }
    // Name of the input slot behind a source value; a source with no slot of its own is the fallback slot.
    std::u16string SlotNameOf(SHORT source) const;
    bool FallbackSlotValue(WORD* value) const;
    void ChooseFromOutPaperTable();
    void ComputeZoom(DWORD flags2, bool singlePage);
    bool DocumentOutOfRange() const;

    // The steps of a run, in their order.
    void ChainInputDevices();
    void FindDocumentForm();
    void FindOutputPaper();
    void DecideConversion();
    void ClearManualChoices();
    void ChooseOutputPaper();
    void NotePrintedPaper();
    void LimitLongPaper();
    void FallBackSectionSources();
    void CheckPaperSource();
    void NoteSourceIsFallback();
    void ChooseOutputTray();
    void CheckDuplex();
    void ApplyLayoutRule();
    void CheckSortAndSeparate();
    void CheckOffsetAndReprint();
    void CountTraySet();
    void ApplyConfigurationFlags();
    void CheckBindingFrameAndRaster();
    void ApplyTrustMarking();

    // What the steps learn about the record, in the order they learn it.
    DWORD f1_ = 0;
    DWORD f2_ = 0;
    bool overlayOn_ = false;
    std::u16string document_;
    bool docOffered_ = false;
    bool conversion_ = false;
    Paper printed_;
    bool printedOffered_ = false;
    bool printedLong_ = false;
    bool supported_ = false;
    bool sourceIsFallback_ = false;
};

void Resolver::SetDocumentFromForm(DWORD pos) {
    const FORM_INFO_1W& f = in_.forms[pos - 1];
    pub().dmPaperSize = static_cast<SHORT>(pos);
    pub().dmPaperLength = static_cast<SHORT>(f.Size.cy / 100);
    pub().dmPaperWidth = static_cast<SHORT>(f.Size.cx / 100);
}

void Resolver::SetDocumentToDefault() {
    const FormEntry def = DescriptionDefaultForm(data_);
    SetText(r_, dm::FormName, def.name);
    pub().dmPaperLength = static_cast<SHORT>(def.length / 100);
    pub().dmPaperWidth = static_cast<SHORT>(def.width / 100);
    const DWORD pos = FormPosition(GetText(r_, dm::FormName));
    pub().dmPaperSize = static_cast<SHORT>(pos ? pos : DMPAPER_A4);
}

void Resolver::SetOutputFromForm(DWORD pos) {
    const FORM_INFO_1W& f = in_.forms[pos - 1];
    Set(r_, dm::OutPaperIndex, static_cast<WORD>(pos));
    Set(r_, dm::OutPaperLength, static_cast<WORD>(f.Size.cy / 100));
    Set(r_, dm::OutPaperWidth, static_cast<WORD>(f.Size.cx / 100));
    SetText(r_, dm::OutPaperName, f.pName ? std::u16string_view(f.pName) : std::u16string_view());
}

void Resolver::SetOutputToDefault() {
    const FormEntry def = DescriptionDefaultForm(data_);
    SetText(r_, dm::OutPaperName, def.name);
    Set(r_, dm::OutPaperLength, static_cast<WORD>(def.length / 100));
    Set(r_, dm::OutPaperWidth, static_cast<WORD>(def.width / 100));
    const DWORD pos = FormPosition(GetText(r_, dm::OutPaperName));
    Set(r_, dm::OutPaperIndex, static_cast<WORD>(pos ? pos : DMPAPER_A4));
}

void Resolver::ClearOutput() {
    Set(r_, dm::OutPaperIndex, 0);
    Set(r_, dm::OutPaperLength, 0);
    Set(r_, dm::OutPaperWidth, 0);
    SetText(r_, dm::OutPaperName, u"");
}

Paper Resolver::Printed() const {
    if (!OutputEmpty()) return {GetText(r_, dm::OutPaperName), Get(r_, dm::OutPaperWidth), Get(r_, dm::OutPaperLength)};
    const DEVMODEW& d = *AsDevmode(r_);
    return {GetText(r_, dm::FormName), d.dmPaperWidth, d.dmPaperLength};
}

std::u16string Resolver::SlotNameOf(SHORT source) const {
    for (NamedValueEntry slot : InputSlots(data_))
        if (LOWORD(slot.value) == static_cast<WORD>(source)) return std::u16string(slot.name);
    return String(200);
}

bool Resolver::FallbackSlotValue(WORD* value) const {
    const std::u16string& fallback = String(200);
    if (fallback.empty()) return false;
    for (NamedValueEntry slot : InputSlots(data_)) {
        if (slot.name == fallback) {
            *value = LOWORD(slot.value);
            return true;
        }
    }
    return false;
}

void Resolver::ChooseFromOutPaperTable() {
    std::vector<OutPaperPair> pairs;
    ParseOutPaperTable(in_.outPaperTable, &pairs);  // a damaged tail is simply not used
    const std::u16string document = GetText(r_, dm::FormName);
    for (const OutPaperPair& pair : pairs) {
        if (pair.document != document) continue;
        if (DWORD pos = FormPosition(pair.output)) {
            SetOutputFromForm(pos);
            return;
        }
    }
}

// Micrometres to dots at 240 per inch, rounded up.
LONG DotsAt240(LONG micrometres) {
    if (micrometres <= 0) return 0;
    return static_cast<LONG>((static_cast<long long>(micrometres) * 240 + 25399) / 25400);
}

struct Area {
    LONG width;  // micrometres
    LONG height;
};

// The imageable area of the named entry of a form list, else the paper 5 mm in from each edge.
Area PrintableArea(const FormList& list, std::u16string_view name, LONG paperWidth, LONG paperLength, bool landscape) {
    for (FormEntry e : list) {
        if (e.name != name) continue;
        LONG right = e.right;
        LONG bottom = e.bottom;
        if (landscape) std::swap(right, bottom);
        return {right - e.left, bottom - e.top};
    }
    return {paperWidth * 100 - 10000, paperLength * 100 - 10000};
}

void Resolver::ComputeZoom(DWORD flags2, bool singlePage) {
    if (!singlePage && Get(r_, dm::LayoutMode) != 1) {
        Set(r_, dm::Zoom, 100);
        return;
    }
    const bool landscape = pub().dmOrientation == DMORIENT_LANDSCAPE;
    const bool compatible = (flags2 & kFlags2OverlayMode) != 0;
    const FormList list = compatible ? (landscape ? CompatibleLandscapeForms(data_) : CompatiblePortraitForms(data_))
                                     : (landscape ? LandscapeForms(data_) : PortraitForms(data_));
    const Area doc = PrintableArea(list, GetText(r_, dm::FormName), pub().dmPaperWidth, pub().dmPaperLength, landscape);
    const Area out = OutputEmpty() ? doc
                                   : PrintableArea(list, GetText(r_, dm::OutPaperName), Get(r_, dm::OutPaperWidth),
                                                   Get(r_, dm::OutPaperLength), landscape);
    const LONG docW = DotsAt240(doc.width), docH = DotsAt240(doc.height);
    const LONG outW = DotsAt240(out.width), outH = DotsAt240(out.height);
    if (docW <= 0 || docH <= 0) {
        Set(r_, dm::Zoom, 100);  // no area to fit: keep the page as it is
        return;
    }
    const LONG zoom = std::min(outH * 100 / docH, outW * 100 / docW);
    Set(r_, dm::Zoom, static_cast<WORD>(std::clamp<LONG>(zoom, 0, 0xFFFF)));
}

void Resolver::Run() {
    f1_ = Get(r_, dm::Flags1);
    f2_ = Get(r_, dm::Flags2);
    overlayOn_ = (Get(r_, dm::FlagsWord) & kFlagsWordOverlayOn) != 0;

    if (config_ && !ConfigFromPrinter()) ChainInputDevices();
    FindDocumentForm();
    FindOutputPaper();
    DecideConversion();
    ClearManualChoices();
    ChooseOutputPaper();
    NotePrintedPaper();
    LimitLongPaper();
    FallBackSectionSources();
    if (config_) CheckPaperSource();
    NoteSourceIsFallback();
    ChooseOutputTray();
    CheckDuplex();
    // The layout is judged as the next step will leave it, so that a conversion form gets its
    // zoom on the first run, not only on a second one.
    if (!(f1_ & kFlags1ManualZoom)) ComputeZoom(f2_, overlayOn_ || conversion_);
    ApplyLayoutRule();
    CheckSortAndSeparate();
    CheckOffsetAndReprint();
    CountTraySet();
    if (config_) ApplyConfigurationFlags();
    CheckBindingFrameAndRaster();
    if (!overlayOn_) Set(r_, dm::FlagsWord, static_cast<WORD>(Get(r_, dm::FlagsWord) & ~kFlagsWordOverlayOnly));

    Set(r_, dm::Flags1, f1_);
    Set(r_, dm::Flags2, f2_);
    if constexpr (kJapaneseBuild) {
        if (Get(r_, dm::TrustMarkResult) == 1) ApplyTrustMarking();
    }
}

// Input devices 202 to 205 count only behind every earlier one.
void Resolver::ChainInputDevices() {
    bool chain = Installed(dm::kFeeder1);
    for (unsigned pair = dm::kFeeder2; pair <= dm::kFeeder5; ++pair) {
        if (!chain) ClearInstalled(pair);
        chain = chain && Installed(pair);
    }
}

void Resolver::FindDocumentForm() {
    if (DWORD pos = FormPosition(GetText(r_, dm::FormName)))
        SetDocumentFromForm(pos);
    else
        SetDocumentToDefault();
}

void Resolver::FindOutputPaper() {
    if (OutputEmpty()) {
        ClearOutput();
    } else if (DWORD pos = FormPosition(GetText(r_, dm::OutPaperName))) {
        SetOutputFromForm(pos);
    } else {
        SetOutputToDefault();
    }
}

void Resolver::DecideConversion() {
    document_ = GetText(r_, dm::FormName);
    docOffered_ = IsOfferedForm(document_, data_);
    conversion_ = docOffered_ && IsConversionFormName(document_);
    f2_ = conversion_ ? (f2_ | kFlags2Conversion) : (f2_ & ~kFlags2Conversion);
}

// An overlay or a conversion form decides the output paper and the zoom itself.
void Resolver::ClearManualChoices() {
    if (overlayOn_ || conversion_) f1_ &= ~(kFlags1ManualOutPaper | kFlags1ManualZoom);
    if (Get(r_, dm::LayoutMode) != 1) f1_ &= ~kFlags1ManualZoom;
}

bool Resolver::DocumentOutOfRange() const {
    const LONG w = LONG{AsDevmode(r_)->dmPaperWidth} * 100;
    const LONG l = LONG{AsDevmode(r_)->dmPaperLength} * 100;
    return w < DeviceDataSignedField(data_, dd::kMinFormWidth) || w > DeviceDataSignedField(data_, dd::kMaxFormWidth) ||
           l < DeviceDataSignedField(data_, dd::kMinFormLength) || l > DeviceDataSignedField(data_, dd::kMaxFormLength);
}

void Resolver::ChooseOutputPaper() {
    const bool outOfRange = DocumentOutOfRange();
    const bool longPaperSize = pub().dmPaperWidth == 2970 && pub().dmPaperLength == 9000;
    const bool manual = (f1_ & kFlags1ManualOutPaper) != 0;
    bool rechoose;
    if (version_ >= 4) {
        rechoose = !manual || (OutputEmpty() && outOfRange && !IsRotatedFormName(document_));
        if (rechoose) {
            if (outOfRange && !IsRotatedFormName(Printed().name) && !longPaperSize)
                SetOutputToDefault();
            else
                ClearOutput();
        }
    } else {
        rechoose = !manual || (OutputEmpty() && outOfRange);
        if (rechoose) {
            if (!outOfRange || longPaperSize)
                ClearOutput();
            else
                SetOutputToDefault();
        }
    }
    if (rechoose) ChooseFromOutPaperTable();
}

void Resolver::NotePrintedPaper() {
    printed_ = Printed();
    printedOffered_ = OutputEmpty() ? docOffered_ : IsOfferedForm(printed_.name, data_);
    printedLong_ = printed_.name == kLongPaperFormName;
}

// Long paper prints at 600 dpi at most; LP conversions print landscape.
void Resolver::LimitLongPaper() {
    if (printedLong_ && pub().dmPrintQuality == 1200) pub().dmPrintQuality = 600;
    if (docOffered_ && (document_ == u"LP->A4" || document_ == u"LP->B4")) pub().dmOrientation = DMORIENT_LANDSCAPE;
}

// Per-section paper sources fall back for unsupported paper; slip sheets and separate trays exclude each other.
void Resolver::FallBackSectionSources() {
    supported_ = IsSupportedPaper(&r_, data_);
    if (!supported_) {
        for (auto f : {dm::FirstSheetTray, dm::SecondSheetTray, dm::FrontCoverTray, dm::BackCoverTray,
                       dm::SlipSheetTray, dm::SeparateDefaultTray})
            Set(r_, f, DWORD{4});
    }
    if (overlayOn_ || Get(r_, dm::SlipSheetsOn) != 0) Set(r_, dm::SeparateTraysOn, DWORD{0});
    if (overlayOn_ || !supported_ || Get(r_, dm::SeparateTraysOn) != 0) Set(r_, dm::SlipSheetsOn, DWORD{0});
}

// A source whose device is gone falls back to the fallback slot.
void Resolver::CheckPaperSource() {
    struct SourceRule {
        UINT stringId;
        unsigned pair;
        bool needsInstalled;  // the rule applies when the pair's installed bit is this
    };
    static constexpr SourceRule kRules[] = {
        {201, dm::kFeeder1, false}, {202, dm::kFeeder2, false}, {203, dm::kFeeder3, false},
        {204, dm::kFeeder4, false}, {205, dm::kFeeder5, false}, {206, dm::kMsf, false},
        {207, dm::kManual, false},  {219, dm::kManual, true},   {208, dm::kEnvelopeFeeder, false},
    };
    WORD fallback = 0;
    if (!overlayOn_ && FallbackSlotValue(&fallback)) {
        const std::u16string slot = SlotNameOf(pub().dmDefaultSource);
        for (const SourceRule& rule : kRules) {
            if (slot == String(rule.stringId) && !String(rule.stringId).empty() &&
                Installed(rule.pair) == rule.needsInstalled) {
                pub().dmDefaultSource = static_cast<SHORT>(fallback);
                break;
            }
        }
    }
    if (printedLong_) pub().dmDefaultSource = Installed(dm::kManual) ? 4 : 14;
    if (!supported_) pub().dmDefaultSource = 4;
}

void Resolver::NoteSourceIsFallback() {
    WORD fallbackValue = 0;
    const bool haveFallback = FallbackSlotValue(&fallbackValue);
    sourceIsFallback_ = SlotNameOf(pub().dmDefaultSource) == String(200) ||
                        (haveFallback && static_cast<WORD>(pub().dmDefaultSource) == fallbackValue);
}

void Resolver::ChooseOutputTray() {
    WORD tray = Get(r_, dm::OutputTray);
    if (tray == 2 && !Installed(dm::kLcs)) tray = 0;
    if (tray == 3 && !Installed(dm::kFut)) tray = 0;
    const LONG w = printed_.width, l = printed_.length;
    const bool notOfferedMisfit =
        !printedOffered_ && (w < 770 || w > 3040 || l < 1000 || l > 2970 || (l < 1270 && !Installed(dm::kFut)) ||
                             (l >= 1270 && !Installed(dm::kLcs) && !Installed(dm::kFut)));
    if ((!sourceIsFallback_ && printedOffered_ && (printed_.name == u"A3" || printed_.name == u"B4 (JIS)")) ||
        (docOffered_ && InList(kTrayOneConversions, document_)) || (printedLong_ && printedOffered_) ||
        notOfferedMisfit)
        tray = 1;
    const bool shortToFut = !printedOffered_ && l < 1270 && Installed(dm::kFut) && tray == 2;
    Set(r_, dm::OutputTrayFits, DWORD{shortToFut ? 0u : 1u});
    if ((Get(r_, dm::PaperType) == 2 && !Installed(dm::kFut)) || (!Installed(dm::kLcs) && !Installed(dm::kFut)))
        tray = 1;
    Set(r_, dm::OutputTray, tray);
}

// Simplex where two-sided printing cannot be.
void Resolver::CheckDuplex() {
    const LONG w = printed_.width, l = printed_.length;
    const SHORT source = pub().dmDefaultSource;
    if ((config_ && !Installed(dm::kDuplex)) || (!printedOffered_ && (w < 1000 || w > 2970 || l < 1480 || l > 4318)) ||
        (printed_.name == kFormEnvelopeYou4 && printedOffered_) ||
        (printed_.name == kFormEnvelopeYou4Rotated && printedOffered_ && version_ >= 4) ||
        (printedLong_ && (printedOffered_ || version_ < 4)) || (Get(r_, dm::PaperType) == 3 && source != 4) ||
        (Get(r_, dm::ManualPaperType) == 3 && source == 4) || Get(r_, dm::OutputTray) == 3 ||
        Get(r_, dm::SlipSheetsOn) == 1)
        pub().dmDuplex = DMDUP_SIMPLEX;
}

void Resolver::ApplyLayoutRule() {
    const bool singlePageRule = overlayOn_ || conversion_ || (f1_ & kFlags1ManualZoom);
    if (singlePageRule) Set(r_, dm::LayoutMode, 1);
    if (singlePageRule || Get(r_, dm::LayoutMode) == 1) {
        Set(r_, dm::FrameKind, 0);
        Set(r_, dm::LayoutOrder, 0);
    }
    if (Get(r_, dm::LayoutMode) == 2 && Get(r_, dm::LayoutOrder) > 1) {
        Set(r_, dm::LayoutOrder, 0);
        Set(r_, dm::SavedLayoutOrder, 0);
    }
}

// Job separation wants A4 from the fallback slot; collate-separate also memory for the resolution.
void Resolver::CheckSortAndSeparate() {
    bool a4 = printed_.name == u"A4";
    if (version_ >= 4)
        a4 = a4 || printed_.name == u"A4 Small" || printed_.name == u"A4 Transverse" || printed_.name == kFormA4Rotated;
    if (!(printedOffered_ && a4) || !sourceIsFallback_) f1_ &= ~(kFlags1JobSeparate | kFlags1CollateSeparate);
    if (config_ && !ConfigFromPrinter() && !(f2_ & kFlags2NoMemoryRule)) {
        const DWORD memory = Get(r_, dm::MemoryKb);
        const SHORT q = pub().dmPrintQuality;
        if ((q >= 1200 && memory < kMemoryFor1200Kb) || (q <= 600 && memory < kMemoryFor600Kb))
            f1_ &= ~kFlags1CollateSeparate;
    }
}

void Resolver::CheckOffsetAndReprint() {
    if (Get(r_, dm::OutputTray) != 2) Set(r_, dm::OffsetStacking, DWORD{0});
    if (config_ && (!ConfigFromPrinter() || config_->mode != 1)) f1_ &= ~kFlags1Reprint;
}

// Job separation needs at least two installed trays in the tray set.
void Resolver::CountTraySet() {
    int count = ((f1_ & kFlags1ManualInTraySet) && Installed(dm::kManual)) ? 1 : 0;
    const DWORD pick = Get(r_, dm::TraySet);
    for (unsigned k = 0; k < 4; ++k)
        if ((pick & (1u << k)) && Installed(dm::kFeeder1 + k)) ++count;
    if (count < 2) f1_ &= ~kFlags1JobSeparate;
}

void Resolver::ApplyConfigurationFlags() {
    if (ConfigFromPrinter() && (config_->extStatus & kConfigTrayContentsHidden)) {
        f2_ |= kFlags2PrinterTrayStatus;
    } else {
        f2_ &= ~kFlags2PrinterTrayStatus;
        f1_ &= ~kFlags1PrinterTrays;
    }
    if (!Installed(dm::kDuplex)) f1_ &= ~kFlags1BindingBack;
}

void Resolver::CheckBindingFrameAndRaster() {
    if (pub().dmDuplex != DMDUP_VERTICAL && pub().dmDuplex != DMDUP_HORIZONTAL) f1_ &= ~kFlags1BindingBack;
    if (overlayOn_ || conversion_ || (f1_ & kFlags1ManualZoom) || Get(r_, dm::LayoutMode) == 1)
        f1_ &= ~kFlags1PageFrame;
    if (f1_ & kFlags1RasterMode) f1_ &= ~kF1RasterModeClears;
    if (pub().dmPrintQuality != 600) f1_ &= ~kFlags1At600Only;
}

// Trust marking takes over the output: no overlay, fixed density, enhancement on.
void Resolver::ApplyTrustMarking() {
    constexpr DWORD kClear = kFlags1TonerSave | kFlags1NotWithTrust;
    Set(r_, dm::Flags1, (Get(r_, dm::Flags1) & ~(kClear | kFlags1Collate)) | kFlags1ResolutionEnhance);
    Set(r_, dm::SavedFlags1, (Get(r_, dm::SavedFlags1) & ~kClear) | kFlags1ResolutionEnhance);
    Set(r_, dm::PrintDensity, kTrustPrintDensity);
    Set(r_, dm::SavedPrintDensity, kTrustPrintDensity);
    Set(r_, dm::FlagsWord, static_cast<WORD>(Get(r_, dm::FlagsWord) & ~kFlagsWordOverlayOn));
    Set(r_, dm::SavedFlagsWord, static_cast<WORD>(Get(r_, dm::SavedFlagsWord) & ~kFlagsWordOverlayOn));
}

}  // namespace

bool IsConversionFormName(std::u16string_view name) {
    return InList(kConversionForms, name);
}

bool IsRotatedFormName(std::u16string_view name) {
    return InList(kRotatedForms, name);
}

bool IsVersion4FormName(std::u16string_view name) {
    return InList(kPapersV4, name);
}

bool IsPlainFormName(std::u16string_view name) {
    return InList(kPapersV3, name);
}

bool IsOfferedForm(std::u16string_view name, const CompiledDeviceData* data) {
    if (name.empty()) return false;
    for (FormEntry e : PortraitForms(data))
        if (e.name == name) return true;
    return false;
}

BOOL IsSupportedPaper(const DriverDevmode* record, const CompiledDeviceData* data) {
    if (!record) return FALSE;
    const DriverDevmode& r = *record;
    const bool output = Get(r, dm::OutPaperIndex) != 0;
    const std::u16string name = output ? GetText(r, dm::OutPaperName) : GetText(r, dm::FormName);
    const LONG width = output ? Get(r, dm::OutPaperWidth) : AsDevmode(r)->dmPaperWidth;
    const LONG length = output ? Get(r, dm::OutPaperLength) : AsDevmode(r)->dmPaperLength;
    const LONG version = DeviceDataVersion(data);
    if (InList(kPapersV3, name)) return TRUE;
    if (version >= 4 && InList(kPapersV4, name)) return TRUE;
    if (output && name != u"A3->A4" && IsConversionFormName(name)) return TRUE;
    return width >= 750 && width <= 2970 && length >= 1480 && length <= 4318 ? TRUE : FALSE;
}

void LoadDeviceStrings(HMODULE resources, DeviceStrings* strings) {
    if (!strings) return;
    for (UINT i = 0; i < kDeviceStringCount; ++i) {
        WCHAR text[25] = {};
        int n = resources ? LoadStringW(resources, kFirstDeviceString + i, text, 25) : 0;
        (*strings)[i].assign(text, n > 0 ? static_cast<size_t>(std::min(n, 24)) : 0);
    }
}

void ResolveSettings(DriverDevmode* record, const ResolverConfig* config, const ResolverInputs& inputs,
                     const CompiledDeviceData* data) {
    if (!record || !inputs.forms || !inputs.strings) return;
    Resolver(*record, config, inputs, data).Run();
}

void ValidateSettings(DriverDevmode* record, const ResolverConfig* config, HANDLE hPrinter, HANDLE hPrinter2,
                      const CompiledDeviceData* data) {
    if (!record) return;
    DWORD count = 0;
    FORM_INFO_1W* forms = EnumUsableForms(hPrinter, &count, data);
    if (!forms) return;
    HMODULE resources = LoadResourceDll(hPrinter2 ? hPrinter2 : hPrinter);
    if (!resources) {
        GlobalFree(forms);
        return;
    }
    DeviceStrings strings;
    LoadDeviceStrings(resources, &strings);
    const std::vector<BYTE> table = ReadOutPaperTable(hPrinter);
    ResolveSettings(record, config, ResolverInputs{forms, count, &strings, table}, data);
    FreeResourceDll(resources);
    GlobalFree(forms);
}

}  // namespace orla
