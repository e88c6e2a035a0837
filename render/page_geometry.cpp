// Page geometry in device pixels: unit conversion, paper codes, the zoom of several-per-sheet
// layouts and the print-position shifts of special papers.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "render/page_settings.h"

namespace {

// The printer's page coordinates: signed 16-bit values.
constexpr LONG kMinPageCoordinate = -32768;
constexpr LONG kMaxPageCoordinate = 32767;

// Ceiling of a / b for b > 0, also for negative a.
constexpr LONGLONG CeilDiv(LONGLONG a, LONGLONG b) {
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

struct PaperName {
    SHORT code;
    std::u16string_view name;
};

// The paper names of the string table (ids 5300 and up), in table order.
constexpr PaperName kPaperNames[] = {
    {100, u"A3"},
    {101, u"A4"},
    {102, u"A5"},
    {103, u"B4 (JIS)"},
    {103, u"B4"},
    {104, u"B5 (JIS)"},
    {104, u"B5"},
    {105, u"Letter"},
    {106, u"はがき"},
    {107, u"往復はがき"},
    {108, u"封筒 洋形 4 号"},
    {109, u"A3->A4"},
    {110, u"A3->B4"},
    {111, u"A4->A3"},
    {112, u"A4x2->A4"},
    {113, u"A4->B4"},
    {114, u"A4->B5"},
    {115, u"B4->A3"},
    {116, u"B4->A4"},
    {117, u"B4->B5"},
    {118, u"B5->A4"},
    {119, u"B5->B4"},
    {120, u"B5x2->B5"},
    {121, u"LP->A4"},
    {122, u"LP->B4"},
    {123, u"長尺紙"},
};

// Rotated and small papers, known with device data above version 3.
constexpr PaperName kLongPaperNames[] = {
    {125, u"A3 Transverse"},
    {126, u"A3 横"},
    {127, u"A4 Small"},
    {128, u"A4 Transverse"},
    {129, u"A4 横"},
    {130, u"A5 Transverse"},
    {131, u"A5 横"},
    {132, u"B4 (JIS) 横"},
    {133, u"B5 (JIS) Transverse"},
    {134, u"B5 (JIS) 横"},
    {135, u"Letter Small"},
    {136, u"Letter Transverse"},
    {137, u"Note"},
    {138, u"Letter 横"},
    {139, u"はがき 横"},
    {140, u"往復はがき 横"},
    {141, u"封筒 洋形 4 号 横"},
};

}  // namespace

LONG ConvertToDevicePixels(LONG micrometres, LONG resolution) {
    if (resolution <= 0) return 0;
    const LONGLONG d = CeilDiv(static_cast<LONGLONG>(micrometres) * 240, 25400);
    LONGLONG px;
    switch (resolution) {
        case 240:
            px = d;
            break;
        case 200:
            px = CeilDiv(d * 400, 240) / 2;
            break;
        case 300:
            px = CeilDiv(d * 600, 240) / 2;
            break;
        default:
            px = CeilDiv(static_cast<LONGLONG>(resolution) * d, 240);
            break;
    }
    return static_cast<LONG>(std::clamp<LONGLONG>(px, INT32_MIN, INT32_MAX));
}

SHORT PaperCodeForName(LPCWSTR formName, BOOL longTable) {
    if (!formName) return PaperUser;
    std::u16string_view name(formName, std::char_traits<char16_t>::length(formName));
    for (const PaperName& p : kPaperNames)
        if (p.name == name) return p.code;
    if (longTable)
        for (const PaperName& p : kLongPaperNames)
            if (p.name == name) return p.code;
    return PaperUser;
}

std::u16string_view PaperNameForCode(LONG code) {
    for (const PaperName& p : kPaperNames)
        if (p.code == code) return p.name;
    for (const PaperName& p : kLongPaperNames)
        if (p.code == code) return p.name;
    return {};
}

void ComputePrintShiftsFor(LONG outputCode, BOOL overlayOn, BOOL longTable, LONG layoutMode,
                           const LONG (&settingValues)[4], const PaperRecord& output, LONG resolution,
                           LONG (&shifts)[4]) {
    std::memset(shifts, 0, sizeof(shifts));
    const bool special = (outputCode >= PaperA3 && outputCode <= PaperEnvelopeYou4) || outputCode == PaperLong ||
                         outputCode == PaperUser ||
                         (longTable && outputCode >= PaperFirstRotated && outputCode <= PaperLastRotated);
    if (!special || overlayOn) return;
    // settingValues: the values at 500 (top), 504 (left), 508 (bottom), 512 (right), 0.1 mm.
    // In layout 1 they hold the print position itself, so the paper's own margin is the origin;
    // otherwise 100 means no shift.
    const LONG leftMargin = static_cast<LONG>(CeilDiv(std::max<LONG>(0, output.left), 100));
    const LONG topMargin = static_cast<LONG>(CeilDiv(std::max<LONG>(0, output.top), 100));
    static constexpr int kValueOf[4] = {1, 0, 3, 2};  // left, top, right, bottom
    const int multiplier = (resolution == 200 || resolution == 300) ? 2 : 1;
    // Page coordinates go to the printer as signed 16-bit values: a shifted page must still lie
    // within them, whichever way the sheet is turned.
    const LONG extent =
        ConvertToDevicePixels(std::max<LONG>(0, std::max(output.width, output.length)), resolution) * multiplier;
    const LONG farthest = std::max<LONG>(0, kMaxPageCoordinate - extent);
    for (int s = 0; s < 4; ++s) {
        LONGLONG tenths = settingValues[kValueOf[s]];
        tenths -= layoutMode == 1 ? ((s % 2) == 0 ? leftMargin : topMargin) : 100;
        tenths = std::clamp<LONGLONG>(tenths, -100000, 100000);  // keeps the conversion below in range
        const LONG pixels = ConvertToDevicePixels(static_cast<LONG>(tenths * 100), resolution) * multiplier;
        shifts[s] = std::clamp<LONG>(pixels, kMinPageCoordinate, farthest);
    }
}
