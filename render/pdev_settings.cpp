// The job's settings into the device context: the merged and resolved settings record, the
// state that depends on it, the papers, the zoom and layout cells, the print shifts and the
// band clips.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "core/form_overlay.h"
#include "core/settings.h"
#include "core/settings_resolver.h"
#include "render/driver_log.h"
#include "render/kwe_marks.h"
#include "render/page_settings.h"
#include "render/path_output.h"
#include "render/pdev.h"
#include "render/pjl_header.h"
#include "win/ddi.h"
#include "win/gdi.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/spool.h"

using namespace orla;

namespace {

// Name fields that the interface DLL copies in as UTF-16 text.
constexpr DmText kComputerNameText{522, 16};
constexpr DmText kJobInfoUserText{1176, 22};

constexpr LONG kKnownResolutions[] = {200, 240, 300, 400, 600, 1200};

// Input slots an overlay's tray code names; any other code is the automatic tray, which the
// description offers as its default input slot.
struct OverlayTray {
    DWORD code;
    std::u16string_view name;
};
constexpr std::u16string_view kOverlayManualTray = u"MANUAL";
constexpr OverlayTray kOverlayTrays[] = {
    {0x1, u"FEEDER1"},  {0x100, u"FEEDER2"},  {0x10000, u"FEEDER3"},
    {0x10, u"FEEDER4"}, {0x1000, u"FEEDER5"}, {0x1000000, kOverlayManualTray},
};
constexpr std::u16string_view kOverlayAutoTray = u"FEEDERAUTO";
// The settings' device pair of the manual feeder.
constexpr unsigned kManualFeederPair = 652;

std::u16string_view OverlayTrayName(DWORD code) {
    for (const OverlayTray& t : kOverlayTrays)
        if (t.code == code) return t.name;
    return kOverlayAutoTray;
}

std::span<const BYTE> Rec(const PrinterPdev* pdev) {
    return RecordBytes(pdev->settings.record);
}

void CopyPaperName(WCHAR (&dst)[32], std::u16string_view src) {
    size_t n = std::min<size_t>(src.size(), 31);
    std::copy_n(src.data(), n, dst);
    dst[n] = 0;
}

void FillFromForm(PaperRecord* paper, const FormEntry& f) {
    paper->width = f.width;
    paper->length = f.length;
    paper->left = f.left;
    paper->top = f.top;
    paper->right = f.right;
    paper->bottom = f.bottom;
}

// Width and length trade places, and so do the printable rectangle's bounds.
void TurnPaper(PaperRecord* paper) {
    std::swap(paper->width, paper->length);
    std::swap(paper->left, paper->top);
    std::swap(paper->right, paper->bottom);
}

bool FindDeviceForm(const CompiledDeviceData* data, std::u16string_view name, bool landscape, FormEntry* out) {
    if (name.empty()) return false;
    for (const FormList& list : {landscape ? LandscapeForms(data) : PortraitForms(data),
                                 landscape ? PortraitForms(data) : LandscapeForms(data)}) {
        for (FormEntry f : list) {
            if (f.name == name) {
                *out = f;
                return true;
            }
        }
    }
    return false;
}

// A paper that makes sense: positive size, printable rectangle inside it and not empty. The
// geometry divides by these sizes, so anything else falls back to A4.
bool SoundPaper(const PaperRecord& p) {
    return p.width > 0 && p.length > 0 && p.left >= 0 && p.top >= 0 && p.right > p.left && p.bottom > p.top &&
           p.right <= p.width && p.bottom <= p.length;
}

void BuiltinA4(PaperRecord* paper, bool landscape) {
    paper->width = landscape ? 297000 : 210000;
    paper->length = landscape ? 210000 : 297000;
    paper->left = paper->top = 5000;
    paper->right = paper->width - 5000;
    paper->bottom = paper->length - 5000;
}

// FindPaperRecord with the output-paper rule for spooler forms.
void FindPaper(PrinterPdev* pdev, PaperRecord* paper, std::u16string_view name, bool outputPaper) {
    const CompiledDeviceData* data = pdev->deviceData;
    const bool longTable = DeviceDataVersion(data) > 3;
    const bool landscape = AsDevmode(pdev->settings.record)->dmOrientation == DMORIENT_LANDSCAPE;
    std::memset(paper, 0, sizeof(*paper));
    CopyPaperName(paper->name, name);
    std::u16string nameText(name);
    paper->code = PaperCodeForName(nameText.c_str(), longTable);

    FormEntry form{};
    if (FindDeviceForm(data, name, landscape, &form) ||
        (paper->code != PaperUser && FindDeviceForm(data, PaperNameForCode(paper->code), landscape, &form))) {
        FillFromForm(paper, form);
        // A portrait entry serving a landscape page: the page the application draws on (and the
        // printer, told "L", images) is the paper turned, as for the spooler's forms below.
        if (landscape && paper->width < paper->length) TurnPaper(paper);
    } else {
        bool found = false;
        if (paper->code == PaperUser) {
            DWORD count = 0;
            FORM_INFO_1W* forms = EnumUsableForms(pdev->printer, &count, data);
            DWORD at = forms ? FindUsableForm(forms, count, name) : 0;
            if (at > 0) {
                const FORM_INFO_1W& f = forms[at - 1];
                LONG w = f.Size.cx, l = f.Size.cy;
                bool fits = (w >= 75000 && w <= 297000 && l <= 431800) || (w == 297000 && l == 900000);
                if (!outputPaper || fits) {
                    if (landscape) std::swap(w, l);
                    paper->width = w;
                    paper->length = l;
                    paper->left = paper->top = 5000;
                    paper->right = w - 5000;
                    paper->bottom = l - 5000;
                    found = true;
                }
            }
            if (forms) GlobalFree(forms);
        }
        if (!found) {
            if (FindDeviceForm(data, u"A4", landscape, &form))
                FillFromForm(paper, form);
            else
                BuiltinA4(paper, landscape);
        }
    }
    if (!SoundPaper(*paper)) {
        DriverLog("paper of %d x %d um with an unusable printable area; A4 used", paper->width, paper->length);
        BuiltinA4(paper, landscape);
    }
}

LONG JobResolution(const PrinterPdev* pdev) {
    LONG dpi = AsDevmode(pdev->settings.record)->dmPrintQuality;
    for (LONG known : kKnownResolutions)
        if (dpi == known) return dpi;
    return 600;  // the resolver never leaves anything else; a stray value must not scale by it
}

void LoadSheetSettings(PrinterPdev* pdev) {
    auto rec = Rec(pdev);
    SheetSettings& s = pdev->settings.sheet;
    std::memset(&s, 0, sizeof(s));
    const SHORT source = AsDevmode(pdev->settings.record)->dmDefaultSource;
    s.sheetSetting = Get(rec, dm::SheetSetting);
    s.slipSheetsOn = Get(rec, dm::SlipSheetsOn);
    if (s.slipSheetsOn) {
        s.slipSheetTray = Get(rec, dm::SlipSheetTray);
        s.slipSheetKind = Get(rec, dm::SlipSheetKind);
    }
    s.sheetTraysOn = Get(rec, dm::SeparateTraysOn);
    if (s.sheetTraysOn) {
        s.firstSheetTray = Get(rec, dm::FirstSheetTray);
        s.secondSheetTray = Get(rec, dm::SecondSheetTray);
        s.firstTrayOwn = s.firstSheetTray != 300;
        s.secondTrayOwn = s.secondSheetTray != 300;
        if (!s.firstTrayOwn) s.firstSheetTray = static_cast<DWORD>(static_cast<LONG>(source));
        if (!s.secondTrayOwn) s.secondSheetTray = static_cast<DWORD>(static_cast<LONG>(source));
    }
    s.frontCoverTray = Get(rec, dm::FrontCoverTray);
    s.backCoverTray = Get(rec, dm::BackCoverTray);
    s.frontCoverOn = Get(rec, dm::FrontCoverOn);
    s.backCoverOn = Get(rec, dm::BackCoverOn);
}

bool ValidLocalTime(const SYSTEMTIME& t) {
    return t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 && t.wDay <= 31 && t.wHour <= 23 && t.wMinute <= 59;
}

// The page-number (information) stamp text.
void LoadPageStamp(PrinterPdev* pdev) {
    auto rec = Rec(pdev);
    PageNumberStamp& st = pdev->settings.pageStamp;
    std::memset(&st, 0, sizeof(st));
    st.kind = Get(rec, dm::AnnotationKind);
    std::u16string text;
    const std::u16string user = GetText(rec, kJobInfoUserText);
    const std::u16string computer = GetText(rec, kComputerNameText);

    SYSTEMTIME now{};
    GetLocalTime(&now);
    const LONG recordedDay = DeviceDataSignedField(pdev->deviceData, dd::kDefaultLocalDay);
    const LONG recordedTime = DeviceDataSignedField(pdev->deviceData, dd::kDefaultLocalTime);
    LONG year = now.wYear, month = now.wMonth, day = now.wDay, hour = now.wHour, minute = now.wMinute;
    const LONGLONG nowKey = (static_cast<LONGLONG>(year) * 10000 + month * 100 + day) * 10000 + hour * 100 + minute;
    const LONGLONG recordedKey = static_cast<LONGLONG>(recordedDay) * 10000 + recordedTime;
    if (!ValidLocalTime(now) || nowKey < recordedKey) {
        year = recordedDay / 10000;
        month = recordedDay / 100 % 100;
        day = recordedDay % 100;
        hour = recordedTime / 100;
        minute = recordedTime % 100;
    }
    char date[32], time[16], both[48];
    std::snprintf(date, sizeof(date), "%04d-%02d-%02d", static_cast<int>(year), static_cast<int>(month),
                  static_cast<int>(day));
    std::snprintf(time, sizeof(time), "%02d:%02d", static_cast<int>(hour), static_cast<int>(minute));
    std::snprintf(both, sizeof(both), "%s/%s", date, time);
    auto widen = [](const char* ascii) { return std::u16string(ascii, ascii + std::strlen(ascii)); };

    switch (st.kind) {
        case 0:
            text = user;
            break;
        case 1:
            text = computer;
            break;
        case 2:
            text = user + u"/" + computer;
            break;
        case 3:
            text = widen(date);
            break;
        case 4:
            text = widen(time);
            break;
        case 5:
            text = widen(both);
            break;
        case 6:
            st.flagKind6 = 1;
            break;
        case 7:
            st.flagKind7 = 1;
            break;
        case 8:
            text = GetText(rec, dm::AnnotationText);
            break;
        default:
            break;
    }
    size_t n = std::min<size_t>(text.size(), kPageStampTextChars - 1);
    std::copy_n(text.data(), n, st.text);
    st.text[n] = 0;
}

// The output paper's name (FindOutputPaper): the partner in the paper-conversion table, the
// chosen output form, or the logical paper itself.
std::u16string OutputPaperName(PrinterPdev* pdev) {
    auto rec = Rec(pdev);
    const DWORD flags1 = Get(rec, dm::Flags1), flags2 = Get(rec, dm::Flags2);
    std::u16string logical(BoundedText(pdev->geometry.logicalPaper.name, 32));
    if (flags1 & 1) {
        if (Get(rec, dm::OutPaperIndex) != 0) {
            std::u16string chosen = GetText(rec, dm::OutPaperName);
            if (!chosen.empty()) return chosen;
        }
        return logical;
    }
    if (flags2 & kFlags2Conversion) return logical;
    std::vector<OutPaperPair> pairs;
    std::vector<BYTE> value = ReadOutPaperTable(pdev->printer);
    if (value.empty() || !ParseOutPaperTable(value, &pairs) || pairs.empty()) {
        pairs.clear();
        for (const OutPaperDefault& d : kDefaultOutPaperTable) pairs.push_back({d.document, d.output});
    }
    for (const OutPaperPair& p : pairs)
        if (p.document == logical && !p.output.empty()) return p.output;
    return logical;
}

}  // namespace

void ResetPageSetupCache(PageSetupCache* cache) {
    for (PageSetupRecord* r : {&cache->last, &cache->next}) {
        std::memset(r, 0, sizeof(*r));
        r->paperCode = r->orientation = r->tray = r->duplex = r->layout = r->resolution = kSetupUnknown;
        r->paperWidth = r->paperLength = kSetupUnknown;
    }
    cache->paperSourceUnknown = 1;
}

void InitPdevState(PrinterPdev* pdev) {
    pdev->leadingMagic = kPdevMagic;
    pdev->trailingMagic = kPdevMagic;
    pdev->state = kStateModeZ;
    pdev->pending = kPendingJobHeader;
    ResetPageSetupCache(&pdev->pageSetup);
    pdev->pageSetup.pageEnds = pdev->pageSetup.printedPages = pdev->pageSetup.cellCounter = 0;
    pdev->pageSetup.previousHadOverlay = 0;
    pdev->geometry.zoom = 100;
    std::memset(pdev->geometry.pageRects, 0, sizeof(pdev->geometry.pageRects));
}

void LoadFormOverlay(PrinterPdev* pdev) {
    DriverDevmode& record = pdev->settings.record;
    Set(record, dm::OverlayStatus, DWORD{0});
    const WORD flagsWord = Get(record, dm::FlagsWord);
    if (!(flagsWord & kFlagsWordOverlayOn)) return;
    FormOverlayHeader header{};
    const std::string path = GetOverlayFilePath(record);
    DWORD status = 0;
    if (!ReadFormOverlayHeader(&header, path.c_str()))
        status = kOverlayFileUnreadable;
    else if (std::memcmp(header.bytes, "QEV", 3) != 0 || header.bytes[ovl::kLanguage] != 2)
        status = kOverlayBadSignature;
    if (status != 0) {
        DriverLog("form overlay %s: %s; printed without it", path.c_str(),
                  status == kOverlayFileUnreadable ? "missing" : "not an overlay of this language");
        Set(record, dm::OverlayStatus, status);
        Set(record, dm::FlagsWord, static_cast<WORD>(flagsWord & ~kFlagsWordOverlayOn));
        return;
    }
    // The form was made for its paper, tray and orientation: they replace the user's.
    ReadFormOverlayDetails(pdev, header);
}

void ReadFormOverlayDetails(PrinterPdev* pdev, const FormOverlayHeader& header) {
    DriverDevmode& record = pdev->settings.record;
    const bool longTable = DeviceDataVersion(pdev->deviceData) > 3;
    const std::u16string formName = GetText(record, dm::FormName);
    const SHORT userCode = PaperCodeForName(formName.c_str(), longTable);
    const DWORD madeFor = OverlayHeaderDword(header, ovl::kMadeFor);
    const DWORD printOn = OverlayHeaderDword(header, ovl::kPrintOn);
    const SHORT code = MapFormPaperCode(madeFor, printOn, userCode);
    const std::u16string_view paperName = PaperNameForCode(code);
    if (code != userCode && !paperName.empty()) {
        SetText(record, dm::FormName, std::u16string(paperName));
        // A conversion paper prints on the pair's destination; a plain one on itself.
        std::u16string document, output;
        if (OverlayPaperPair(madeFor, printOn, &document, &output)) SetText(record, dm::OutPaperName, output);
    }
    Set(record, dm::Orientation,
        static_cast<SHORT>(header.bytes[ovl::kMadeForOrientation] == 'L' ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT));

    const std::u16string_view tray = OverlayTrayName(OverlayHeaderDword(header, ovl::kTray));
    // The manual feeder takes postcards, envelopes and user papers only when it is installed.
    const SHORT paper = PaperCodeForName(GetText(record, dm::FormName).c_str(), longTable);
    const bool smallPaper =
        paper == PaperPostcard || paper == PaperReplyPostcard || paper == PaperEnvelopeYou4 || paper == PaperUser;
    const bool manualInstalled =
        (Get(record, dm::DeviceState(dm::DevicePairIndex(kManualFeederPair))) & dm::kDeviceInstalled) != 0;
    if (tray == kOverlayManualTray && smallPaper && !manualInstalled) {
        DriverLog("form overlay: the manual feeder is not installed; the paper's own tray is kept");
        return;
    }
    std::optional<NamedValueEntry> slot = DefaultInputSlot(pdev->deviceData);
    for (NamedValueEntry entry : InputSlots(pdev->deviceData))
        if (entry.name == tray) slot = entry;
    if (slot) Set(record, dm::DefaultSource, static_cast<SHORT>(LOWORD(slot->value)));
}

SHORT MapFormPaperCode(DWORD source, DWORD destination, SHORT fallback) {
    static constexpr struct {
        DWORD source;
        DWORD destination;
        SHORT code;
    } kPairs[] = {
        {1, 1, 106},       {2, 2, 105},       {256, 256, 102},         {512, 512, 101},
        {1024, 1024, 100}, {4096, 4096, 104}, {8192, 8192, 103},       {1024, 512, 109},
        {1024, 8192, 110}, {512, 1024, 111},  {512, 0x80000200, 112},  {512, 8192, 113},
        {512, 4096, 114},  {8192, 1024, 115}, {8192, 512, 116},        {8192, 4096, 117},
        {4096, 512, 118},  {4096, 8192, 119}, {4096, 0x80001000, 120}, {32, 512, 121},
        {32, 8192, 122},
    };
    for (const auto& p : kPairs)
        if (p.source == source && p.destination == destination) return p.code;
    return fallback;
}

void FindPaperRecord(PrinterPdev* pdev, PaperRecord* paper, LPCWSTR formName) {
    FindPaper(pdev, paper, BoundedText(formName, CCHFORMNAME), false);
}

void ComputePrintShifts(PrinterPdev* pdev) {
    auto rec = Rec(pdev);
    const LONG values[4] = {static_cast<LONG>(Get(rec, dm::PrintPosTop)), static_cast<LONG>(Get(rec, dm::PrintPosLeft)),
                            static_cast<LONG>(Get(rec, dm::PrintPosTop2)),
                            static_cast<LONG>(Get(rec, dm::PrintPosLeft2))};
    ComputePrintShiftsFor(pdev->geometry.outputPaper.code, (Get(rec, dm::FlagsWord) & kFlagsWordOverlayOn) != 0,
                          DeviceDataVersion(pdev->deviceData) > 3, Get(rec, dm::LayoutMode), values,
                          pdev->geometry.outputPaper, pdev->geometry.resolution, pdev->geometry.printShift);
}

void ComputeBandClips(PrinterPdev* pdev) {
    const PaperRecord& p = pdev->geometry.logicalPaper;
    const LONG dpi = pdev->geometry.resolution;
    const LONG w = ConvertToDevicePixels(p.right - p.left, dpi), h = ConvertToDevicePixels(p.bottom - p.top, dpi);
    for (int i = 0; i < 3; ++i) pdev->geometry.bandClip[i] = {0, 0, w + 1, h + 1};
    pdev->geometry.bandClip[3] = {0, 0, h + 1, w + 1};
}

BOOL LoadPdevSettings(PrinterPdev* pdev, const DEVMODEW* incoming, LPCWSTR deviceName) {
    InitPdevState(pdev);

    BuildEffectiveSettings(&pdev->settings.record, incoming, pdev->printer, nullptr, pdev->deviceData);
    auto rec = Rec(pdev);

    // Print blank pages (bit 4 of the byte at 399) keeps the blank-sheet flag 0.
    pdev->pageSetup.blankSheetReset = (Get(rec, dm::Flags1) & 0x10000000u) ? 0 : 1;
    pdev->pageSetup.blankSheet = pdev->pageSetup.blankSheetReset;

    LoadFormOverlay(pdev);
    ValidateSettings(&pdev->settings.record, nullptr, pdev->printer, nullptr, pdev->deviceData);

    LoadSheetSettings(pdev);
    LoadPageStamp(pdev);
    LoadColourAdjustSettings(pdev->settings.record.bytes, kDriverDevmodeSize, &pdev->colour.settings);

    const DEVMODEW* dmw = AsDevmode(pdev->settings.record);
    pdev->geometry.resolution = JobResolution(pdev);
    pdev->geometry.coordinateMultiplier =
        (pdev->geometry.resolution == 200 || pdev->geometry.resolution == 300) ? 2 : 1;
    pdev->geometry.marginList =
        (dmw->dmOrientation == DMORIENT_LANDSCAPE ? 1u : 0u) | ((Get(rec, dm::Flags2) & 0x200u) ? 2u : 0u);

    FindPaper(pdev, &pdev->geometry.logicalPaper, GetText(rec, dm::FormName), false);
    FindPaper(pdev, &pdev->geometry.outputPaper, OutputPaperName(pdev), true);
    const PaperRecord& logical = pdev->geometry.logicalPaper;
    const LONG dpi = pdev->geometry.resolution;
    pdev->geometry.printable = {ConvertToDevicePixels(logical.left, dpi), ConvertToDevicePixels(logical.top, dpi),
                                ConvertToDevicePixels(logical.right, dpi), ConvertToDevicePixels(logical.bottom, dpi)};
    pdev->geometry.paperSize = {ConvertToDevicePixels(logical.width, dpi), ConvertToDevicePixels(logical.length, dpi)};

    RecomputeLayout(pdev);

    if constexpr (kJapaneseBuild) {
        // Hidden printing cannot go with conversion, long or user papers, nor with resolutions
        // other than 300 and 600: such a job prints nothing rather than an unmarked page.
        if (Get(rec, dm::TrustMarkResult) == 1) {
            const SHORT out = pdev->geometry.outputPaper.code;
            const bool paperClash = out == PaperLong || out == PaperUser || IsConversionPaper(logical.code);
            const bool resolutionClash = dpi != 600 && dpi != 300;
            if (paperClash || resolutionClash) {
                pdev->trustMark.suppressOutput = 1;
                std::string device =
                    WideToAnsi(BoundedText(deviceName ? deviceName : dmw->dmDeviceName, CCHDEVICENAME));
                DriverLog("%s: hidden printing clashes with the %s%s%s; the job is suppressed", device.c_str(),
                          paperClash ? "paper" : "", paperClash && resolutionClash ? " and the " : "",
                          resolutionClash ? "resolution" : "");
                LogHiddenPrintingClash(pdev, dmw->dmDeviceName, paperClash, resolutionClash);
            }
        }
    }

    if (Get(rec, dm::Flags1) & kFlags1RasterMode)
        pdev->state |= kStateRasterMode;
    else
        pdev->state &= ~kStateRasterMode;

    ComputePrintShifts(pdev);
    ResetGraphicsStateCache(pdev);  // nothing of a new set of settings has reached the printer
    ResetVectorState(pdev);
    if (!LoadFontSubstitution(pdev)) return FALSE;
    ComputeBandClips(pdev);
    return TRUE;
}

// ---- GDIINFO and DEVINFO ----

namespace {

// Names of the halftone pattern sizes, indexed by their HT_PATSIZE_ value.
constexpr std::u16string_view kPatternNames[] = {
    u"HT_PATSIZE_2x2",       u"HT_PATSIZE_2x2_M",       u"HT_PATSIZE_4x4",   u"HT_PATSIZE_4x4_M",
    u"HT_PATSIZE_6x6",       u"HT_PATSIZE_6x6_M",       u"HT_PATSIZE_8x8",   u"HT_PATSIZE_8x8_M",
    u"HT_PATSIZE_10x10",     u"HT_PATSIZE_10x10_M",     u"HT_PATSIZE_12x12", u"HT_PATSIZE_12x12_M",
    u"HT_PATSIZE_14x14",     u"HT_PATSIZE_14x14_M",     u"HT_PATSIZE_16x16", u"HT_PATSIZE_16x16_M",
    u"HT_PATSIZE_SUPERCELL", u"HT_PATSIZE_SUPERCELL_M", u"HT_PATSIZE_USER",
};
// Cell edge of each pattern size in pixels (the dither size DEVINFO announces).
constexpr USHORT kPatternEdge[] = {2, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14, 16, 16, 16, 16, 16};
static_assert(std::size(kPatternNames) == HT_PATSIZE_MAX_INDEX + 1 &&
              std::size(kPatternEdge) == std::size(kPatternNames));

// Colour information of a monochrome page printer: sRGB-like primaries, D65 white, no dyes.
constexpr COLORINFO kBuiltinColorInfo = {
    {6400, 3300, 0},
    {3000, 6000, 0},
    {1500, 600, 0},
    {2000, 3300, 0},
    {3200, 1600, 0},
    {4400, 5100, 0},
    {3127, 3290, 0},
    10000,
    10000,
    10000,
    0,
    0,
    0,
    0,
    0,
    0,
};

constexpr unsigned kHalftoneValueSize = 132;  // 33 dwords
constexpr ULONG kGdiInfoCopyLimit = 304;

LPCWSTR HalftoneValueName(LONG dpi) {
    switch (dpi) {
        case 1200:
            return u"DAT_CurDevHTInfo1200";
        case 400:
            return u"DAT_CurDevHTInfo400";
        case 300:
            return u"DAT_CurDevHTInfo300";
        case 240:
            return u"DAT_CurDevHTInfo240";
        case 200:
            return u"DAT_CurDevHTInfo200";
        default:
            return u"DAT_CurDevHTInfo600";
    }
}

void FillHalftone(PrinterPdev* pdev, GDIINFO* info) {
    const LONG dpi = pdev->geometry.resolution;
    BYTE value[kHalftoneValueSize] = {};
    DWORD type = 0, needed = 0;
    DWORD rc = GetPrinterDataW(pdev->printer, const_cast<LPWSTR>(HalftoneValueName(dpi)), &type, value, sizeof(value),
                               &needed);
    if (rc == ERROR_SUCCESS && needed == kHalftoneValueSize) {
        info->ulHTPatternSize = std::min<ULONG>(LoadLe32(value + 4), HT_PATSIZE_MAX_INDEX);
        info->ulDevicePelsDPI = LoadLe32(value + 8);
        LONG* ci = reinterpret_cast<LONG*>(&info->ciDevice);
        for (unsigned i = 0; i < 30; ++i) ci[i] = static_cast<LONG>(LoadLe32(value + 12 + 4 * i));
        return;
    }
    info->ulHTPatternSize = HT_PATSIZE_DEFAULT;
    info->ulDevicePelsDPI = 0;
    info->ciDevice = kBuiltinColorInfo;
    for (ResolutionEntry r : Resolutions(pdev->deviceData)) {
        if (r.dpi != dpi) continue;
        for (unsigned i = 0; i < std::size(kPatternNames); ++i)
            if (kPatternNames[i] == r.text1) info->ulHTPatternSize = i;
        if (r.value2 > 0) info->ciDevice.RedGamma = info->ciDevice.GreenGamma = info->ciDevice.BlueGamma = r.value2;
        break;
    }
}

ULONG MillimetresOf(LONG micrometres) {
    if (micrometres <= 0) return 0;
    return static_cast<ULONG>(micrometres / 1000 + (micrometres % 1000 > 1 ? 1 : 0));
}

void DefaultFont(LOGFONTW* font, LONG height, std::u16string_view face) {
    std::memset(font, 0, sizeof(*font));
    font->lfHeight = height;
    size_t n = std::min<size_t>(face.size(), LF_FACESIZE - 1);
    std::copy_n(face.data(), n, font->lfFaceName);
}

}  // namespace

BOOL FillGdiInfo(PrinterPdev* pdev, ULONG size, void* gdiInfo) {
    if (!gdiInfo) return FALSE;
    const PageGeometry& g = pdev->geometry;
    const LONG dpi = g.resolution;
    const PaperRecord& p = g.logicalPaper;
    GDIINFO info{};
    info.ulVersion = 0x400;
    info.ulTechnology = DT_RASPRINTER;
    info.ulHorzSize = MillimetresOf(p.right - p.left);
    info.ulVertSize = MillimetresOf(p.bottom - p.top);
    info.ulHorzRes = static_cast<ULONG>(std::max<LONG>(0, ConvertToDevicePixels(p.right - p.left, dpi)));
    info.ulVertRes = static_cast<ULONG>(std::max<LONG>(0, ConvertToDevicePixels(p.bottom - p.top, dpi)));
    info.cBitsPixel = 1;
    info.cPlanes = 1;
    info.ulNumColors = 2;
    info.ulLogPixelsX = info.ulLogPixelsY = static_cast<ULONG>(dpi);
    info.ulAspectX = info.ulAspectY = static_cast<ULONG>(dpi);
    info.ulAspectXY = static_cast<ULONG>(dpi * 1414 / 1000);
    info.flTextCaps = (pdev->state & kStateRasterMode) ? 0 : 0x1FFF;
    info.xStyleStep = 1;
    info.yStyleStep = 1;
    info.denStyleStep = dpi / 50;
    info.ptlPhysOffset = {ConvertToDevicePixels(p.left, dpi), ConvertToDevicePixels(p.top, dpi)};
    info.szlPhysSize = {ConvertToDevicePixels(p.width, dpi), ConvertToDevicePixels(p.length, dpi)};
    FillHalftone(pdev, &info);
    info.ulPrimaryOrder = 4;
    info.ulHTOutputFormat = HT_FORMAT_1BPP;
    info.flHTFlags = HT_FLAG_HAS_BLACK_DYE;
    std::memcpy(gdiInfo, &info, std::min<size_t>({static_cast<size_t>(size), sizeof(info), kGdiInfoCopyLimit}));
    return TRUE;
}

BOOL FillDevInfo(PrinterPdev* pdev, ULONG size, void* devInfo, ULONG patternSize) {
    if (!devInfo) return FALSE;
    if (pdev->palette) {
        EngDeletePalette(pdev->palette);
        pdev->palette = nullptr;
    }
    auto rec = Rec(pdev);
    const LONG dpi = pdev->geometry.resolution;
    const LONG height = -(dpi * 11 + 36) / 72;
    DEVINFO info{};
    if (pdev->state & kStateRasterMode) {
        info.flGraphicsCaps = 0x0430;
        DefaultFont(&info.lfDefaultFont, height, u"");
        DefaultFont(&info.lfAnsiVarFont, height, u"");
        DefaultFont(&info.lfAnsiFixFont, height, u"");
        ULONG colours[2] = {0x000000, 0xFFFFFF};
        pdev->palette = EngCreatePalette(PAL_INDEXED, 2, colours, 0, 0, 0);
    } else {
        info.flGraphicsCaps = 0x011F;
        DefaultFont(&info.lfDefaultFont, height, u"Helv");
        DefaultFont(&info.lfAnsiVarFont, height, u"Helv");
        DefaultFont(&info.lfAnsiFixFont, height, u"Courier");
        pdev->palette = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
    }
    info.cFonts = pdev->fonts.count;
    const DWORD flags2 = Get(rec, dm::Flags2);
    const bool overlayOn = (Get(rec, dm::FlagsWord) & kFlagsWordOverlayOn) != 0;
    if (overlayOn || (flags2 & (1u << 20)) || ((flags2 & (1u << 16)) && (Get(rec, dm::Flags1) & 0xFF) > 127))
        info.flGraphicsCaps |= 0x2000;
    info.iDitherFormat = BMF_1BPP;
    const USHORT edge = kPatternEdge[std::min<ULONG>(patternSize, HT_PATSIZE_MAX_INDEX)];
    info.cxDither = info.cyDither = edge;
    info.hpalDefault = pdev->palette;
    if (!pdev->palette) return FALSE;
    std::memcpy(devInfo, &info, std::min<size_t>(size, sizeof(info)));
    return TRUE;
}

// ---- The information stamp again, after escape 9999 changed its settings ----
void ReloadPageStamp(PrinterPdev* pdev) {
    LoadPageStamp(pdev);
}
