// PJL job header, ORLA page set-up, mode switches and job trailer.
// Every value that comes from the settings, the owner record or the document name is filtered
// (SanitizePjlValue) before it goes into a PJL line, or refused by the name check (DNAME,
// JOBNAME): a quote, CR or LF in a user's text must never end the line or the quoted value and
// smuggle a command of its own to the printer.
#include "render/pjl_header.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "core/form_overlay.h"
#include "core/support.h"
#include "render/driver_log.h"
#include "render/kwe_marks.h"
#include "render/kwe_session.h"
#include "render/output_writer.h"
#include "render/page_settings.h"
#include "render/pdev.h"
#include "win/kernel.h"
#include "win/nls.h"

using namespace orla;

namespace {

constexpr DmText kJobUserNameText{554, 16};
constexpr unsigned kOverlayHeaderSize = 256;

std::span<const BYTE> Rec(const PrinterPdev* pdev) {
    return RecordBytes(pdev->settings.record);
}

// A text field of the settings, at most one unit short of its size: a field that comes without
// its terminator (an old or foreign record) never runs into the field after it.
std::u16string FieldText(std::span<const BYTE> rec, DmText field) {
    std::u16string text = GetText(rec, field);
    if (field.cch > 0 && text.size() >= field.cch) text.resize(field.cch - 1);
    return text;
}
const DEVMODEW* Dm(const PrinterPdev* pdev) {
    return AsDevmode(pdev->settings.record);
}

bool Flag1(const PrinterPdev* pdev, DWORD bit) {
    return (Get(Rec(pdev), dm::Flags1) & bit) != 0;
}
bool Flag2(const PrinterPdev* pdev, DWORD bit) {
    return (Get(Rec(pdev), dm::Flags2) & bit) != 0;
}

bool Text(PrinterPdev* pdev, std::string_view s) {
    return WriteCommand(pdev, s);
}

// The overlay of the previous page ends: overlay off, form reset, and the feed mode back.
bool WriteOverlayOffCommands(PrinterPdev* pdev) {
    bool ok = Text(pdev, "\x1cu2,1,E.");
    ok &= Text(pdev,
               "\x1b"
               "c8");
    ok &= Text(pdev, Flag2(pdev, kFlags2FeedMode00) ? "\x1c"
                                                      "05F2-00"
                                                    : "\x1c"
                                                      "05F2-02");
    return ok;
}

bool Line(PrinterPdev* pdev, const std::string& s) {
    return WriteCommand(pdev, s + "\r\n");
}

// A PJL line whose value goes between double quotes, filtered.
bool QuotedLine(PrinterPdev* pdev, std::string_view head, std::string_view value) {
    return Line(pdev, std::string(head) + "\"" + SanitizePjlValue(value) + "\"");
}
bool JobAttr(PrinterPdev* pdev, std::string_view name, std::string_view value) {
    return Line(pdev, "@PJL SET JOBATTR=\"@" + std::string(name) + "=" + SanitizePjlValue(value) + "\"");
}

std::string SettingAnsi(const PrinterPdev* pdev, DmText field) {
    return WideToAnsi(FieldText(Rec(pdev), field));
}

const char* OnOff(bool on) {
    return on ? "ON" : "OFF";
}

DWORD FeatureValue(const CompiledDeviceData* data, std::u16string_view name) {
    for (NamedValueEntry e : SupportFeatures(data))
        if (e.name == name) return e.value;
    return 0;
}

std::u16string_view TrayName(const CompiledDeviceData* data, LONG tray) {
    for (NamedValueEntry e : InputSlots(data))
        if (static_cast<LONG>(static_cast<SHORT>(e.value & 0xFFFF)) == tray || static_cast<LONG>(e.value) == tray)
            return e.name;
    return {};
}

bool DeviceStateHas(const PrinterPdev* pdev, unsigned pair, WORD bit) {
    return (Get(Rec(pdev), dm::DeviceState(pair)) & bit) != 0;
}

// PJL words of the paper types and layouts; anything else is the first entry's.
struct PjlWord {
    LONG value;
    const char* word;
};
constexpr PjlWord kMediaWords[] = {{0, "NORMAL"}, {1, "THICK"}, {2, "THICK2"}, {3, "TRANSPARENCY"}};
constexpr PjlWord kLayoutWords[] = {{0, ""},   {1, "1"},  {2, "N2"}, {4, "N4"},
                                    {6, "N6"}, {8, "N8"}, {9, "N9"}, {16, "N16"}};

template <size_t N>
const char* WordOf(const PjlWord (&table)[N], LONG value) {
    for (const PjlWord& w : table)
        if (w.value == value) return w.word;
    return table[0].word;
}

const char* MediaWord(WORD v) {
    return WordOf(kMediaWords, v);
}

const char* LayoutWord(LONG mode) {
    return WordOf(kLayoutWords, mode);
}

// Paper names of the page set-up, 100 to 122.
constexpr const char* kPaperSetupNames[] = {
    "A3.",   "A4.",   "A5.",   "B4.",   "B5.",   "LT.",   "PC.",   "UPPC.", "ENV4.",                    // 100..108
    "A3A4.", "A3B4.", "A4A3.", "UPA4.", "A4B4.", "A4B5.", "B4A3.", "B4A4.", "B4B5.", "B5A4.", "B5B4.",  // 109..119
    "UPB5.", "LPA4.", "LPB4.",                                                                          // 120..122
};
// The upright paper of each rotated or small paper, 125 to 141.
constexpr SHORT kUprightPaper[] = {100, 100, 101, 101, 101, 102, 102, 103, 104, 104, 105, 105, 105, 105, 106, 107, 108};

constexpr SHORT kReversedOrientationPapers[] = {126, 129, 131, 132, 134, 138, 139, 140, 141};

std::string FormatPadded(LONG v, int digits) {
    std::string s = std::to_string(v < 0 ? 0 : v);
    return s.size() < static_cast<size_t>(digits) ? std::string(digits - s.size(), '0') + s : s;
}
std::string FormatTwo(LONG v) {
    return FormatPadded(v, 2);
}
std::string FormatFour(LONG v) {
    return FormatPadded(v, 4);
}

LONG AnnouncedResolution(LONG dpi) {
    return dpi == 300 ? 600 : (dpi == 200 ? 400 : dpi);
}

std::string OverlayPathAnsi(const PrinterPdev* pdev) {
    return GetOverlayFilePath(pdev->settings.record);
}

// Orientation value of the page set-up: 2 when the page is turned on the sheet.
LONG OrientationValue(const PrinterPdev* pdev) {
    const bool landscape = Dm(pdev)->dmOrientation == DMORIENT_LANDSCAPE;
    const LONG layout = Get(Rec(pdev), dm::LayoutMode);
    bool turned = IsTurnedLayout(layout) ? !landscape : landscape;
    const SHORT code = pdev->geometry.outputPaper.code;
    if (DeviceDataVersion(pdev->deviceData) > 3 &&
        std::find(std::begin(kReversedOrientationPapers), std::end(kReversedOrientationPapers), code) !=
            std::end(kReversedOrientationPapers))
        turned = !turned;
    return turned ? 2 : 1;
}

bool SetupDiffers(const PageSetupRecord& a, const PageSetupRecord& b) {
    return a.paperCode != b.paperCode || a.orientation != b.orientation || a.tray != b.tray || a.layout != b.layout ||
           (b.paperCode == PaperUser && (a.paperWidth != b.paperWidth || a.paperLength != b.paperLength));
}

// Steps 1, 2, 4 (always, with the given tray), 5 and 6 of the page set-up, for a cover sheet.
// Step 5 compares the last and the next page set-up as on a page: at the job start both are
// unknown and in the trailer both are the last page's, so a cover keeps the simplex its caller
// has just written, and the page after the front cover announces duplex itself.
BOOL WriteSetup(PrinterPdev* pdev, bool paperSource, LONG tray, bool duplex) {
    const PageSetupCache& c = pdev->pageSetup;
    duplex = duplex && (c.last.duplex != c.next.duplex || c.last.binding != c.next.binding);
    BOOL ok = EnterModeZ(pdev);
    const bool overlayOn = (Get(Rec(pdev), dm::FlagsWord) & kFlagsWordOverlayOn) != 0;
    if (pdev->pageSetup.previousHadOverlay && !overlayOn) {
        ok &= WriteOverlayOffCommands(pdev);
    }
    if (paperSource) ok &= WritePaperSourceCommands(pdev, OrientationValue(pdev), tray);
    if (duplex && DeviceStateHas(pdev, dm::kDuplex, dm::kDeviceInstalled)) ok &= WriteDuplexCommands(pdev);
    if (overlayOn) ok &= WriteOverlayCommands(pdev);
    pdev->pageSetup.previousHadOverlay = overlayOn ? 1 : 0;
    return ok;
}

}  // namespace

// ---- Formatted writer ----

LONG WriteCommandFormattedV(PrinterPdev* pdev, const char* format, std::span<const PjlArg> args) {
    char buffer[256];
    size_t used = 0;
    LONG written = 0;
    bool failed = false;
    size_t next = 0;
    auto flush = [&]() {
        if (used == 0 || failed) return;
        if (!WriteSpool(pdev, buffer, static_cast<DWORD>(used)))
            failed = true;
        else
            written += static_cast<LONG>(used);
        used = 0;
    };
    auto put = [&](std::string_view s) {
        for (char c : s) {
            if (used == sizeof(buffer)) flush();
            buffer[used++] = c;
        }
    };
    auto take = [&](bool wantString) -> const PjlArg* {
        if (next >= args.size()) return nullptr;
        const PjlArg* a = &args[next++];
        return a->isString == wantString ? a : nullptr;
    };
    for (const char* p = format; p && *p; ++p) {
        if (*p != '%') {
            put(std::string_view(p, 1));
            continue;
        }
        char d = *++p;
        if (d == 0) break;
        switch (d) {
            case 'b':
                if (const PjlArg* a = take(false)) put(a->number ? "true" : "false");
                break;
            case 'c':
                if (const PjlArg* a = take(false)) {
                    char c = static_cast<char>(a->number);
                    put(std::string_view(&c, 1));
                }
                break;
            case 'd':
                if (const PjlArg* a = take(false)) put(std::to_string(static_cast<LONG>(a->number)));
                break;
            case 'l':
                if (const PjlArg* a = take(false)) put(std::to_string(a->number));
                break;
            case 'u':
                if (const PjlArg* a = take(false)) put(std::to_string(static_cast<ULONG>(a->number)));
                break;
            case 's':
                if (const PjlArg* a = take(true); a && a->text) put(a->text);
                break;
            default:
                put(std::string_view(&d, 1));
                break;
        }
    }
    flush();
    return failed ? -written : written;
}

// ---- Job identity ----

void BuildComputerJobId(PrinterPdev* pdev, char* out, const char* name) {
    std::string id = BuildJobId(name ? std::string_view(name) : std::string_view(), GetTickCount());
    std::memcpy(out, id.c_str(), std::min<size_t>(id.size() + 1, sizeof(pdev->pageSetup.jobId)));
}

// ---- Mode switches ----

BOOL EnterModeZ(PrinterPdev* pdev) {
    BOOL ok = TRUE;
    if (pdev->state & kStateModeR) {
        ok &= Text(pdev, "\x1cR");
        pdev->state &= ~kStateModeR;
    }
    if (!(pdev->state & kStateModeZ)) {
        ok &= Text(pdev, "\x1cZ");
        pdev->state |= kStateModeZ;
        // The printer forgets its clip in the page-control mode: the next clip must go out again.
        pdev->graphics.clipSent = RECTL{0, 0, 0, 0};
    }
    return ok;
}

BOOL EnterModeY(PrinterPdev* pdev) {
    BOOL ok = TRUE;
    if (pdev->state & kStateModeR) {
        ok &= Text(pdev, "\x1cR");
        pdev->state &= ~kStateModeR;
    }
    if (pdev->state & kStateModeZ) {
        ok &= Text(pdev, "\x1cY");
        pdev->state &= ~kStateModeZ;
    }
    return ok;
}

// ---- Job header ----

BOOL WritePjlJobHeader(PrinterPdev* pdev) {
    auto rec = Rec(pdev);
    BOOL ok = Text(pdev, "\x1b%-12345X");

    // The job identifier, named for the computer the settings carry (or this one).
    std::string name = SettingAnsi(pdev, dm::ComputerName);
    if (name.empty() || name.size() > 15) {
        char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = sizeof(computer);
        name =
            GetComputerNameA(computer, &size) ? std::string(computer, strnlen(computer, sizeof(computer))) : "UNKNOWN";
    }
    BuildComputerJobId(pdev, pdev->pageSetup.jobId, name.c_str());

    if (pdev->pageSetup.skipJobModeLine)
        pdev->pageSetup.skipJobModeLine = 0;
    else
        ok &= Line(pdev, "@PJL JOB MODE=PRINTER");

    std::string display;
    const std::u16string user = FieldText(rec, kJobUserNameText), userText = FieldText(rec, dm::UserText);
    if (!user.empty() && Flag1(pdev, kFlags1DisplayJobUser))
        display = ConvertDisplayText(user);
    else if (!userText.empty() && Flag1(pdev, kFlags1DisplayUserText))
        display = CutAnsi(WideToAnsi(userText), 17);
    ok &= QuotedLine(pdev, "@PJL JOB DISPLAY=", display);

    ok &= WritePjlJobAttributes(pdev);

    const WORD flagsWord = Get(rec, dm::FlagsWord);
    if (flagsWord & kFlagsWordOverlayOn)
        ok &= Line(pdev, std::string("@PJL SET LPARM:ORLA MSW047=") + OnOff(flagsWord & kFlagsWordOverlayOnly));
    ok &= Line(pdev, std::string("@PJL SET LPARM:ORLA MSW068=") +
                         OnOff(!Flag2(pdev, kFlags2OverlayMode) || pdev->geometry.outputPaper.code == PaperUser));
    if constexpr (kJapaneseBuild) {
        // Trust marking is announced only to a printer whose driver can bind its library.
        if (KweLibraryUsable(pdev))
            ok &= Line(pdev, std::string("@PJL SET LPARM:ORLA MSW078=") + OnOff(!Flag1(pdev, kFlags1NotWithTrust)));
    }
    ok &= Line(pdev, std::string("@PJL SET LPARM:ORLA MSW097=") + OnOff(pdev->settings.sheet.sheetSetting != 0));
    ok &= Line(pdev, "@PJL SET LPARM:ORLA MSW044=OFF");
    if (FeatureValue(pdev->deviceData, u"SET") != 0)
        ok &= Line(pdev, std::string("@PJL SET RET=") + OnOff(Flag1(pdev, kFlags1ResolutionEnhance)));
    ok &= Line(pdev, "@PJL SET DENSITY=" + std::to_string(Get(rec, dm::PrintDensity)));
    ok &= JobAttr(pdev, "APSP", MediaWord(Get(rec, dm::PaperType)));
    ok &= JobAttr(pdev, "MSIP", MediaWord(Get(rec, dm::ManualPaperType)));

    // Option units that may be fixed by the user: installed ones say whether they are in use.
    static constexpr struct {
        unsigned pair;
        DWORD offBit;  // in the flags dword at 396 (NONFIXED0) or at 404
        bool inFlags1;
    } kNonFixed[] = {{dm::kManual, kFlags1ManualInTraySet, true},
                     {dm::kFeeder1, 1u << 0, false},
                     {dm::kFeeder2, 1u << 1, false},
                     {dm::kFeeder3, 1u << 2, false},
                     {dm::kFeeder4, 1u << 3, false}};
    for (unsigned i = 0; i < std::size(kNonFixed); ++i) {
        if (!DeviceStateHas(pdev, kNonFixed[i].pair, dm::kDeviceInstalled)) continue;
        const DWORD flags = kNonFixed[i].inFlags1 ? Get(rec, dm::Flags1) : Get(rec, dm::TraySet);
        ok &= Line(pdev,
                   "@PJL SET LPARM:ORLA NONFIXED" + std::to_string(i) + "=" + OnOff(!(flags & kNonFixed[i].offBit)));
    }
    if (FeatureValue(pdev->deviceData, u"TONERSAVE") != 0)
        ok &= Line(pdev, std::string("@PJL SET ECONOMODE=") + OnOff(Flag1(pdev, kFlags1TonerSave)));

    const SheetSettings& sheet = pdev->settings.sheet;
    if (sheet.slipSheetsOn) {
        ok &= Line(pdev, std::string("@PJL SET SLIPSHEET=") + (sheet.slipSheetKind != 0 ? "COPY" : "BLANK"));
        ok &= WriteSlipSheetFeeder(pdev, pdev->deviceData, static_cast<LONG>(sheet.slipSheetTray));
    } else {
        ok &= Line(pdev, "@PJL SET SLIPSHEET=OFF");
    }
    ok &= Line(pdev, "@PJL ENTER LANGUAGE=ORLA");
    ok &= Text(pdev,
               "\x1b"
               "c1");
    ok &= WriteCommandFormatted(pdev, "\x1c&%d.", {AnnouncedResolution(pdev->geometry.resolution)}) >= 0;
    ok &= Text(pdev,
               "\x1c"
               "d240.");
    return ok;
}

BOOL WriteSlipSheetFeeder(PrinterPdev* pdev, const void* deviceData, LONG tray) {
    static constexpr struct {
        std::u16string_view slot;
        const char* feeder;
    } kFeeders[] = {{u"FEEDER1", "TRAY1"}, {u"FEEDER2", "TRAY2"}, {u"FEEDER3", "TRAY3"}, {u"FEEDER4", "TRAY4"},
                    {u"FEEDER5", "TRAY5"}, {u"MANUAL", "SMH"},    {u"MP", "SMH"}};
    std::u16string_view name = TrayName(static_cast<const CompiledDeviceData*>(deviceData), tray);
    const char* value = "";
    for (const auto& f : kFeeders)
        if (f.slot == name) value = f.feeder;
    return Line(pdev, std::string("@PJL SET SLIPSHEETFEEDER=") + value);
}

BOOL WritePjlJobAttributes(PrinterPdev* pdev) {
    auto rec = Rec(pdev);
    BOOL ok = TRUE;
    const std::u16string_view document = BoundedText(pdev->job.documentName, kDocumentNameChars);
    // The name check admits printable single bytes only, so the name goes out as it is (a double
    // quote does no harm in this unquoted value).
    if (IsPlainPjlName(document)) ok &= Line(pdev, "@PJL COMMENT DNAME=" + WideToAnsi(document));

    const DWORD flags2 = Get(rec, dm::Flags2);
    std::u16string userId, password;
    if (!(flags2 & kFlags2JbaType)) {
        userId = FieldText(rec, dm::PopUserId);
        password = FieldText(rec, dm::PopPassword);
    } else {
        userId = (flags2 & kFlags2JobOwnerType) ? FieldText(rec, kJobUserNameText) : FieldText(rec, dm::SetUserId);
        password = FieldText(rec, dm::SetPassword);
    }
    ok &= JobAttr(pdev, "JOAU", WideToAnsi(userId));
    ok &= JobAttr(pdev, "JOAP", WideToAnsi(password));
    const BYTE* owner = pdev->settings.ownerRecord;
    ok &= JobAttr(pdev, "HOAD",
                  std::string_view(reinterpret_cast<const char*>(owner + kOwnerHostOffset),
                                   strnlen(reinterpret_cast<const char*>(owner + kOwnerHostOffset), kOwnerHostSize)));
    ok &= JobAttr(pdev, "NLPP", LayoutWord(Get(rec, dm::LayoutMode)));
    ok &= JobAttr(pdev, "LUNA", SettingAnsi(pdev, kJobUserNameText));
    ok &= JobAttr(pdev, "CNAM", SettingAnsi(pdev, dm::ComputerName));

    SYSTEMTIME now{};
    GetLocalTime(&now);
    ok &= WriteCommandFormatted(pdev, "@PJL COMMENT DATE=%s\r\n",
                                {FormatTwo(now.wMonth) + "/" + FormatTwo(now.wDay) + "/" + FormatFour(now.wYear)}) >= 0;
    ok &= WriteCommandFormatted(pdev, "@PJL COMMENT TIME=%s\r\n",
                                {FormatTwo(now.wHour) + ":" + FormatTwo(now.wMinute) + ":" + FormatTwo(now.wSecond)}) >=
          0;
    ok &= Line(pdev, "@PJL SET RENDERMODE=GRAYSCALE");
    ok &= JobAttr(pdev, "TSCR", "4");
    ok &= JobAttr(pdev, "GSCR", "4");
    ok &= JobAttr(pdev, "ISCR", "4");

    DEVMODEW* dmw = AsDevmode(pdev->settings.record);
    const SHORT copies = static_cast<SHORT>(std::clamp<LONG>(dmw->dmCopies, 1, 999));
    dmw->dmCopies = copies;
    const DWORD holdMode = Get(rec, dm::HoldMode);
    LONG pjlCopies = copies, quantity = 1;
    if (pdev->store.storeFlag) {
        pjlCopies = 1;
    } else if ((copies > 1 && Flag1(pdev, kFlags1Collate)) || holdMode == 2) {
        pjlCopies = 1;
        quantity = copies;
    }
    ok &= WriteCommandFormatted(pdev, "@PJL SET COPIES=%d\r\n", {pjlCopies}) >= 0;
    ok &= WriteCommandFormatted(pdev, "@PJL SET QTY=%d\r\n", {quantity}) >= 0;

    bool paperSort = false;
    if (Flag1(pdev, kFlags1JobSeparate)) {
        std::u16string_view out = BoundedText(pdev->geometry.outputPaper.name, 32);
        for (NamedValueEntry e : FormDevices(pdev->deviceData))
            if (e.name == out) paperSort = e.value == 9;
    }
    ok &= Line(pdev, std::string("@PJL SET PAPERSORT=") + OnOff(paperSort));

    auto jobNameLine = [&]() {
        std::u16string jobName =
            Get(rec, dm::JobNameFromDocument) == 1 ? std::u16string(document) : FieldText(rec, dm::HoldJobName);
        if (IsPlainPjlName(jobName)) ok &= QuotedLine(pdev, "@PJL SET JOBNAME=", CutAnsi(WideToAnsi(jobName), 50));
    };
    if (holdMode == 1) {
        ok &= Line(pdev, "@PJL SET HOLD=STORE");
        ok &= Line(pdev, "@PJL SET HOLDTYPE=PRIVATE");
        ok &= QuotedLine(pdev, "@PJL SET HOLDENCRYPTKEY=", CutAnsi(WideToAnsi(FieldText(rec, dm::HoldPin)), 26));
        ok &= QuotedLine(pdev, "@PJL SET USERNAME=", CutAnsi(WideToAnsi(FieldText(rec, dm::HoldUserName)), 50));
        jobNameLine();
    } else if (holdMode == 2 && copies != 1) {
        ok &= Line(pdev, "@PJL SET HOLD=PROOF");
        ok &= QuotedLine(pdev, "@PJL SET USERNAME=", CutAnsi(WideToAnsi(FieldText(rec, dm::HoldUserName)), 50));
        jobNameLine();
    }
    return ok;
}

// ---- Page set-up ----

void FillPageSetupRecord(PrinterPdev* pdev, PageSetupRecord* setup) {
    auto rec = Rec(pdev);
    const DEVMODEW* dmw = Dm(pdev);
    std::memset(setup, 0, sizeof(*setup));
    setup->paperCode = pdev->geometry.outputPaper.code;
    setup->paperWidth = pdev->geometry.outputPaper.width;
    setup->paperLength = pdev->geometry.outputPaper.length;
    setup->orientation = dmw->dmOrientation;
    setup->tray = dmw->dmDefaultSource;
    setup->duplex = dmw->dmDuplex;
    setup->binding = Flag1(pdev, kFlags1BindingBack) ? 1 : 0;
    setup->rasterMode = Flag1(pdev, kFlags1RasterMode) ? 1 : 0;
    setup->layout = static_cast<SHORT>(Get(rec, dm::LayoutMode));
    setup->resolution = static_cast<SHORT>(pdev->geometry.resolution);
    setup->overlayOn = (Get(rec, dm::FlagsWord) & kFlagsWordOverlayOn) ? 1 : 0;
    if (setup->overlayOn) {
        std::string path = OverlayPathAnsi(pdev);
        std::memcpy(setup->overlayName, path.c_str(), std::min<size_t>(path.size(), sizeof(setup->overlayName) - 1));
    }
}

BOOL WritePageStart(PrinterPdev* pdev) {
    PageSetupCache& c = pdev->pageSetup;
    const PageSetupRecord& last = c.last;
    const PageSetupRecord& next = c.next;
    BOOL ok = EnterModeZ(pdev);

    const bool overlayOn = next.overlayOn != 0;
    if (c.previousHadOverlay && !overlayOn) {
        ok &= WriteOverlayOffCommands(pdev);
    }
    if (next.paperCode == PaperLong && last.resolution != kSetupUnknown && last.resolution != next.resolution &&
        ((last.resolution == 1200 && next.resolution == 600) || (last.resolution == 600 && next.resolution == 1200))) {
        ok &= WriteCommandFormatted(pdev, "\x1c&%d.", {AnnouncedResolution(next.resolution)}) >= 0;
        ok &= Text(pdev,
                   "\x1c"
                   "d240.");
        ok &= EnterModeY(pdev);
        ok &= WriteBytes(pdev, {0xBC, 0x21, 0x00, 0x00});
        ok &= Text(pdev, "\x1cZ");
        pdev->state |= kStateModeZ;
        // The printer forgets its clip in the page-control mode: the next clip must go out again.
        pdev->graphics.clipSent = RECTL{0, 0, 0, 0};
    }
    if (c.paperSourceUnknown || SetupDiffers(last, next)) {
        ok &= WritePaperSourceCommands(pdev, OrientationValue(pdev), next.tray);
        c.paperSourceUnknown = 0;
    }
    if ((last.duplex != next.duplex || last.binding != next.binding) &&
        DeviceStateHas(pdev, dm::kDuplex, dm::kDeviceInstalled))
        ok &= WriteDuplexCommands(pdev);
    if (overlayOn) ok &= WriteOverlayCommands(pdev);
    c.previousHadOverlay = overlayOn ? 1 : 0;

    if constexpr (kJapaneseBuild) {
        if (Get(Rec(pdev), dm::TrustMarkResult) == 1 && pdev->jobSpool.outputCount >= 2)
            ok &= WriteJobSectionOffset(pdev);
    }
    return ok;
}

BOOL WriteExtraSheetSetup(PrinterPdev* pdev, LONG tray) {
    BOOL ok = WriteSetup(pdev, true, tray, true);
    pdev->pageSetup.paperSourceUnknown = 1;
    return ok;
}

BOOL WritePaperSourceCommands(PrinterPdev* pdev, LONG orientationValue, LONG tray) {
    const PaperRecord& paper = pdev->geometry.outputPaper;
    const char orientation = orientationValue == 2 ? 'L' : 'P';
    std::string s =
        "\x1c"
        "f";
    s.push_back(orientation);

    if (!Flag1(pdev, kFlags1JobSeparate)) {
        std::u16string_view slot = TrayName(pdev->deviceData, tray);
        const bool userPaper = paper.code == PaperUser;
        const bool cassette = slot.substr(0, 6) == u"FEEDER" && slot != u"FEEDERAUTO";
        // The paper record is turned with the page; a cassette takes the upright size.
        const bool landscape = Dm(pdev)->dmOrientation == DMORIENT_LANDSCAPE;
        const LONG uprightWidth = landscape ? paper.length : paper.width;
        const LONG uprightLength = landscape ? paper.width : paper.length;
        if (userPaper && cassette &&
            !(uprightWidth >= 75000 && uprightWidth <= 297000 && uprightLength >= 148000 && uprightLength <= 431800))
            slot = u"FEEDERAUTO";  // a cassette cannot take this size
        if (slot == u"MANUAL" && !DeviceStateHas(pdev, dm::kManual, dm::kDeviceReady)) slot = u"FEEDERAUTO";

        static constexpr struct {
            std::u16string_view slot;
            const char* code;
        } kTrayCodes[] = {{u"FEEDER1", "C1"}, {u"FEEDER2", "C2"}, {u"FEEDER3", "C3"}, {u"FEEDER4", "C4"},
                          {u"FEEDER5", "C5"}, {u"MANUAL", "M0"},  {u"MP", "MP"}};
        const char* code = nullptr;
        for (const auto& t : kTrayCodes)
            if (t.slot == slot) code = t.code;
        if (code) {
            s += code;
            s.push_back(orientation);
        } else {
            // The automatic tray, and any tray the device data does not name.
            s += "C0.\x1c"
                 "f";
            if (userPaper) s += "UNDF";
        }
    }

    SHORT upright = paper.code;
    if (upright >= PaperFirstRotated && upright <= PaperLastRotated)
        upright = kUprightPaper[upright - PaperFirstRotated];
    if (upright >= PaperA3 && upright <= PaperLastConversion) {
        s += kPaperSetupNames[upright - PaperA3];
    } else {
        LONG w = paper.width / 100, l = paper.length / 100;
        if (orientationValue == 2) std::swap(w, l);
        s += "," + std::to_string(w) + "," + std::to_string(l) + ",1/10,m.";
    }
    return Text(pdev, s);
}

BOOL WriteDuplexCommands(PrinterPdev* pdev) {
    const SHORT duplex = Dm(pdev)->dmDuplex;
    if (duplex != DMDUP_VERTICAL && duplex != DMDUP_HORIZONTAL) return Text(pdev, "\x1c'S.");
    if (pdev->settings.sheet.slipSheetsOn) return Text(pdev, "\x1c'S.");
    std::string s = "\x1c'B,";
    s += Flag1(pdev, kFlags1BindingBack) ? "B," : "F,";
    s += duplex == DMDUP_VERTICAL ? "3," : "2,";
    s += "0.";
    return Text(pdev, s);
}

BOOL WriteOverlayCommands(PrinterPdev* pdev) {
    if (Get(Rec(pdev), dm::OverlayStatus) != 0) return TRUE;
    BOOL ok = Text(pdev, "\x1c<1/240,i.");
    ok &= Text(pdev, "\x1bL000");
    ok &= Text(pdev, "\x1cu1,1.");

    std::u16string path;
    {
        std::string ansi = OverlayPathAnsi(pdev);
        int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
        if (n > 0) {
            path.resize(static_cast<size_t>(n));
            MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, path.data(), n);
            path.resize(static_cast<size_t>(n - 1));
        }
    }
    const BYTE* view = nullptr;
    const BYTE* cursor = nullptr;
    DWORD size = 0;
    BYTE header[kOverlayHeaderSize] = {};
    std::memset(header, ' ', sizeof(header));
    if (!path.empty() && MapFileReadOnly(path.c_str(), &view, &cursor, &size) && size >= kOverlayHeaderSize) {
        std::memcpy(header, view, kOverlayHeaderSize);
        DWORD from = LoadLe32(view + ovl::kBodyStart), to = LoadLe32(view + ovl::kBodyEnd);
        // The body range comes from the file: keep it inside the file.
        to = std::min(to, size);
        if (from < to)
            ok &= WriteSpool(pdev, view + from, to - from);
        else
            DriverLog("form overlay body %u..%u outside a file of %u bytes", LoadLe32(view + ovl::kBodyStart),
                      LoadLe32(view + ovl::kBodyEnd), size);
    } else {
        ok &= Text(pdev, "NOT Create");
    }
    if (view) UnmapViewOfFile(view);

    auto bytes = [&](unsigned at, unsigned n) { return std::string(reinterpret_cast<const char*>(header + at), n); };
    std::string s = "\x1cU";
    if (header[188] != ' ') s += "\x1bL" + bytes(188, 3);
    if (header[192] != ' ') s += "\x1b/" + bytes(192, 3);
    s += "\x1bT" + bytes(196, 2);
    s += header[184] == 'E' ? "\x1b"
                              "E"
                            : (header[184] == 'Q' ? "\x1bQ" : "\x1bH");
    switch (header[202]) {
        case '1':
            s += "\x1c"
                 "06F1-001";
            break;
        case '2':
            s += "\x1c"
                 "06F1-002";
            break;
        case '3':
            s += "\x1c"
                 "06F1-003";
            break;
        default:
            s += "\x1c"
                 "06F1-000";
            break;
    }
    s += "\x1c"
         "07S2-" +
         bytes(204, 4);
    s += "\x1cp2," + bytes(208, 3);
    if (header[211] == '0' || header[211] == '5') s.push_back(static_cast<char>(header[211]));
    s += ".";
    if (header[212] == '0')
        s += "\x1c"
             "06F2-000";
    else if (header[212] == '2')
        s += "\x1c"
             "06F2-200";
    s += "\x1c"
         "c,,0";
    static constexpr BYTE kBits[] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02};
    for (unsigned i = 0; i < std::size(kBits); ++i)
        if (header[216] & kBits[i]) s += "," + std::to_string(i + 1);
    s += ".";
    s += "\x1cu2,1,S.";
    ok &= Text(pdev, s);
    return ok;
}

// ---- Job trailer ----

BOOL WritePjlJobEnd(PrinterPdev* pdev) {
    if constexpr (kJapaneseBuild) {
        if (pdev->pending & kJobOutputWritten) pdev->trustMark.suppressOutput = 0;
    }
    BOOL ok = EnterModeZ(pdev);
    // The sample sheet of trust marking, when an application's query asked for it.
    if constexpr (kJapaneseBuild) {
        if (pdev->escapes.appQueryStored != 0) BuildKweJobData(pdev);
    }
    PageSetupCache& c = pdev->pageSetup;
    if (c.cellCounter > 0) {
        ok &= Text(pdev, "\r\x0c");
        c.cellCounter = 0;
        ++c.pageEnds;
        ok &= FlushSpool(pdev);
        c.blankSheet = c.blankSheetReset;
    }
    if (pdev->settings.sheet.backCoverOn) {
        ok &= Text(pdev, "\x1c'S.");
        ok &= WriteExtraSheetSetup(pdev, static_cast<LONG>(pdev->settings.sheet.backCoverTray));
        ok &= Text(pdev, "\r\x0c");
        c.paperSourceUnknown = 1;
    }
    ok &= Text(pdev,
               "\x1c"
               "fPC0.");
    ok &= WriteCommandFormatted(pdev, "\x1c&%d.", {0}) >= 0;
    ok &= Text(pdev,
               "\x1b"
               "c1");
    ok &= Text(pdev, "\x1b%-12345X");
    for (int i = 0; i < 2; ++i) ok &= WriteCommandFormatted(pdev, "@PJL EOJ%s", {"\r\n"}) >= 0;
    return ok;
}
