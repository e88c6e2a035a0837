// DrvTextOut and DrvGetGlyphMode: text in the printer's fonts goes out as character codes after
// a font selection (face, size, style, rotation), every other glyph through the glyph download
// cache. The two run writers (text_runs.cpp) hand their characters to the group writer here.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/build_variant.h"
#include "core/driver_devmode.h"
#include "render/brushes.h"
#include "render/ddi_hooks.h"
#include "render/device_fonts.h"
#include "render/drawing_hooks.h"
#include "render/glyph_download.h"
#include "render/graphics_state.h"
#include "render/output_writer.h"
#include "render/text_runs.h"
#include "render/text_tables.h"
#include "win/kernel.h"

namespace {

constexpr MIX kMixCopyPen = 0x0D0D;
constexpr WORD kMaxSizeValue = 12500;
constexpr BYTE kWhiteLevel = 0x4F;
constexpr BYTE kBlackLevel = 16;
constexpr size_t kMaxGroup = 255;
// Baseline offsets beyond any page: a hostile transform is held here.
constexpr long long kMaxOffset = 1 << 24;

// The text writers' cache follows the graphics-state reset, which marks the first byte of the
// graphics cache's text area unsent.
void RefreshTextCache(PrinterPdev* pdev) {
    if (pdev->graphics.textCache[0] != 0xFF) return;
    TextOutputState& t = pdev->text;
    t.singleByteFontSent = t.doubleByteFontSent = kNotSent;
    t.heightSent = t.widthSent = t.firstSizeSent = t.secondSizeSent = kNotSent;
    t.styleSent = t.rotationSent = kNotSent;
    t.textModeSent = 0xFF;
    t.fontCommandSent = 0;
    pdev->downloadCache.lastTextLevel = 0xFF;
    pdev->downloadCache.lastSelectedFont = 0;
    pdev->graphics.textCache[0] = 0;
}

bool EndsIn(const char* selection, char c) {
    return SelectionEnd(selection) == c;
}
// Faces whose selection text ends in "4" or "9" print neither bold nor italic, take a fixed
// size at zoom 100 and print black.
bool FixedFace(const char* selection) {
    return EndsIn(selection, '4') || EndsIn(selection, '9');
}

WORD Clamped(long long v) {
    return static_cast<WORD>(std::clamp<long long>(v, 1, kMaxSizeValue));
}
WORD ZoomedSize(WORD v, LONG zoom) {
    if (zoom == 100) return v;
    return static_cast<WORD>(std::max<long long>(static_cast<long long>(v) * zoom / 100, 1));
}

BOOL WriteValue(PrinterPdev* pdev, BYTE command, WORD value) {
    return WriteBytes(pdev, {command, 0x00, static_cast<BYTE>(value >> 8), static_cast<BYTE>(value)});
}
BOOL SendIfChanged(PrinterPdev* pdev, BYTE command, WORD value, WORD* sent, bool force) {
    if (!force && *sent == value) return TRUE;
    if (!WriteValue(pdev, command, value)) return FALSE;
    *sent = value;
    return TRUE;
}

// Length of a vector of the font transform.
double TransformedLength(XFORMOBJ* xo, LONG x, LONG y) {
    POINTL v{x, y};
    if (!XFORMOBJ_bApplyXform(xo, XF_LTOL, 1, &v, &v)) return 0;
    return IntegerVectorLength(v.x, v.y);
}

// ---- Font selection ----

// 0xCA or 0xCB with the current font's code, unless the printer has it: the last font command
// decides whether the printer reads one or two bytes per code, so a code that was sent with the
// other command goes again.
BOOL RefreshFontCode(PrinterPdev* pdev) {
    TextOutputState& t = pdev->text;
    const bool singleByteCommand = t.runPath == 1 || EndsIn(t.selection, '9');
    const BYTE command = singleByteCommand ? 0xCA : 0xCB;
    WORD* sent = singleByteCommand ? &t.singleByteFontSent : &t.doubleByteFontSent;
    if (*sent == t.fontCode && t.fontCommandSent == command) return TRUE;
    if (!WriteValue(pdev, command, t.fontCode)) return FALSE;
    *sent = t.fontCode;
    t.fontCommandSent = command;
    // The device font replaced any downloaded font on the printer.
    pdev->downloadCache.lastSelectedFont = 0;
    return TRUE;
}

struct FontChoice {
    ULONG deviceFont;  // 0: downloaded text
    bool mapped;
    const BYTE* record;
};

// Step 2 and 6 of the selection: the size values of the face, converted, cached and sent.
BOOL SelectSizes(PrinterPdev* pdev, FONTOBJ* pfo, XFORMOBJ* xo, const FontChoice& f) {
    TextOutputState& t = pdev->text;
    const LONG dpi = std::max<LONG>(pdev->geometry.resolution, 1);
    const IFIMETRICS* ttIfi = f.mapped ? FONTOBJ_pifi(pfo) : nullptr;
    const bool ttShiftJis = ttIfi != nullptr && ttIfi->jWinCharSet == SHIFTJIS_CHARSET;
    const LONG em = ttShiftJis ? std::max<LONG>(ttIfi->fwdUnitsPerEm, 1) : 1000;
    const double factor = (f.mapped && !ttShiftJis ? 1474.202 : 720.289) / dpi;
    // A transform may make the em longer than any size value: held at a length that still
    // converts to the largest size instead of overflowing.
    auto sizeValue = [&](LONG x, LONG y) {
        return static_cast<LONG>(std::min(TransformedLength(xo, x, y) * factor, double{kMaxSizeValue} * 10));
    };
    LONG h = sizeValue(0, em);
    LONG w = sizeValue(em, 0);
    const LONG zoom = ZoomPercent(pdev);
    if (FixedFace(t.selection) && zoom == 100) h = w = 120;
    const bool shiftJis = t.runPath == 0 && !EndsIn(t.selection, '9');
    const bool vertical = (t.verticalBits & 2) != 0;
    const LONG threeHundred = dpi == 240 ? 0 : dpi == 200 || dpi == 400 ? 1 : dpi == 1200 ? 2 : 3;
    if (shiftJis) {
        t.s2 = w, t.s3 = h;
        static constexpr LONG kK[] = {360, 600, 1800, 900};
        const LONG k = kK[threeHundred];
        const WORD hv = Clamped((static_cast<long long>(h) * k / 108 + 5) / 10);
        const WORD wv = Clamped((static_cast<long long>(w) * k / 108 + 5) / 10);
        t.doubleByteSize[0] = vertical ? hv : wv;
        t.doubleByteSize[1] = vertical ? wv : hv;
        const WORD first = ZoomedSize(vertical ? wv : hv, zoom), second = ZoomedSize(vertical ? hv : wv, zoom);
        const bool force = (pdev->state & kStateSizesOwed) != 0;
        if (!SendIfChanged(pdev, 0xC5, first, &t.firstSizeSent, force)) return FALSE;
        if (!SendIfChanged(pdev, 0xC6, second, &t.secondSizeSent, force)) return FALSE;
        pdev->state = vertical ? pdev->state | kStateSizesExchanged : pdev->state & ~kStateSizesExchanged;
        pdev->state &= ~kStateSizesOwed;
        // Baseline offsets: the em-height vector through the transform.
        POINTL v{0, em};
        if (XFORMOBJ_bApplyXform(xo, XF_LTOL, 1, &v, &v)) {
            const long long m = DoubledOutput(pdev) ? 2 : 1;
            t.t0 = static_cast<LONG>(std::min(std::llabs(v.x) * m, kMaxOffset));
            t.t1 = static_cast<LONG>(std::min(std::llabs(v.y) * m, kMaxOffset));
        }
        return TRUE;
    }
    t.s0 = w, t.s1 = h;
    static constexpr LONG kKw[] = {2400, 4000, 12000, 6000};
    static constexpr LONG kKh[] = {3200, 5400, 16000, 8000};
    const WORD wv = Clamped((static_cast<long long>(w) * kKw[threeHundred] / 1200 + 5) / 10);
    const WORD hv = Clamped((static_cast<long long>(h) * kKh[threeHundred] / 1200 + 5) / 10);
    t.singleByteSize[0] = wv;
    t.singleByteSize[1] = hv;
    if (!SendIfChanged(pdev, 0xC3, ZoomedSize(hv, zoom), &t.heightSent, false)) return FALSE;
    if (!SendIfChanged(pdev, 0xC4, ZoomedSize(wv, zoom), &t.widthSent, false)) return FALSE;
    static constexpr LONG kOcrBase[] = {32, 54, 160, 80};
    const LONG base = f.mapped ? kOcrBase[threeHundred] : hv;
    t.t0 = std::abs(SineOf(t.angle)) * base / 10000;
    t.t1 = std::abs(CosineOf(t.angle)) * base / 10000;
    return TRUE;
}

// Font selection for device text: angle, size, style, run path, font code, sizes, style word.
BOOL SelectDeviceFont(PrinterPdev* pdev, FONTOBJ* pfo, XFORMOBJ* xo, const FontChoice& f) {
    TextOutputState& t = pdev->text;
    const IFIMETRICS* ifi = RecordIfiMetrics(f.record);
    std::memcpy(t.selection, RecordSelectionText(f.record), 8);
    t.selection[8] = 0;
    XFORML m{};
    if (XFORMOBJ_iGetXform(xo, &m) == DDI_ERROR) return FALSE;
    pdev->state |= kStateDevicePositioning;
    t.angle = AngleOfTransform(m, pdev->geometry.resolution, f.mapped);
    t.deviceFont = f.deviceFont;

    const bool shiftJis = ifi->jWinCharSet == SHIFTJIS_CHARSET;
    const bool vertical = shiftJis && IsVerticalWritingFace(f.record);
    t.runPath = shiftJis ? 0 : 1;
    t.verticalBits = (shiftJis ? 1u : 0u) | (vertical ? 2u : 0u);
    t.verticalForm = vertical;
    if (shiftJis && !vertical)
        pdev->state |= kStateHorizontalShiftJis;
    else
        pdev->state &= ~kStateHorizontalShiftJis;

    const bool italic = ifi->ptlCaret.x != 0 || (pfo->flFontType & FO_SIM_ITALIC) != 0;
    const bool bold = ifi->usWinWeight >= 700 || (pfo->flFontType & FO_SIM_BOLD) != 0;
    WORD style = static_cast<WORD>((bold ? 1 : 0) | (italic ? 2 : 0));
    if (FixedFace(t.selection)) style = 0;
    if (vertical) style |= 0x8000;
    t.style = style;

    t.fontCode = FontCodeOfSelection(t.selection);
    if (!RefreshFontCode(pdev)) return FALSE;
    if (!SelectSizes(pdev, pfo, xo, f)) return FALSE;
    if (!SendIfChanged(pdev, 0xC8, t.style, &t.styleSent, false)) return FALSE;
    t.sbcsTable = t.runPath == 1;
    return TRUE;
}

BOOL SelectFont(PrinterPdev* pdev, FONTOBJ* pfo, XFORMOBJ* xo, const FontChoice& f) {
    TextOutputState& t = pdev->text;
    if (f.deviceFont == 0) {
        // Downloaded text: single-byte path, no device positioning, no vertical writing.
        t.runPath = 1;
        t.verticalBits = 0;
        t.deviceFont = 0;
        pdev->state &= ~kStateDevicePositioning;
        XFORML m{};
        if (XFORMOBJ_iGetXform(xo, &m) != DDI_ERROR) t.angle = AngleOfTransform(m, pdev->geometry.resolution, false);
        return TRUE;
    }
    return SelectDeviceFont(pdev, pfo, xo, f);
}

// ---- Prologue ----

BOOL WriteTextPrologue(PrinterPdev* pdev) {
    if (pdev->state & kStateModeR) {
        if (!WriteBytes(pdev, {0x1C, 0x52})) return FALSE;
        pdev->state &= ~kStateModeR;
    }
    if (pdev->state & kStateModeZ) {
        if (!WriteBytes(pdev, {0x1C, 0x59})) return FALSE;
        pdev->state &= ~kStateModeZ;
    }
    if (!WriteVectorModeSetup(pdev)) return FALSE;
    if (!pdev->graphics.downloadCachePrepared) {
        if (!ResetDownloadCacheForPage(pdev)) return FALSE;
        pdev->graphics.downloadCachePrepared = TRUE;
    }
    RefreshTextCache(pdev);
    // Text mode 0 when the settings ask for the printer's older character set.
    const bool modeZero = (orla::Get(pdev->settings.record, orla::dm::Flags2) & orla::kFlags2FeedMode00) != 0;
    const BYTE mode = modeZero ? 0 : 2;
    if (pdev->text.textModeSent != mode) {
        if (!WriteBytes(pdev, {0xC2, 0x00, 0x00, mode})) return FALSE;
        pdev->text.textModeSent = mode;
    }
    pdev->state |= kStateClipPathAttempt;
    return TRUE;
}

// A transform that mirrors the text (eM12 and eM21 of the same sign) cannot be printed with a
// device font.
bool Mirrors(XFORMOBJ* xo) {
    XFORML m{};
    if (xo == nullptr || XFORMOBJ_iGetXform(xo, &m) == DDI_ERROR) return false;
    return (m.eM12 > 0 && m.eM21 > 0) || (m.eM12 < 0 && m.eM21 < 0);
}

FontChoice ChooseFont(PrinterPdev* pdev, STROBJ* pstro, FONTOBJ* pfo, XFORMOBJ* xo) {
    FontChoice f{0, false, nullptr};
    if (pfo->flFontType & DEVICE_FONTTYPE) {
        f.deviceFont = pfo->iFace;
    } else if (orla::kJapaneseBuild && (pfo->flFontType & TRUETYPE_FONTTYPE) &&
               (orla::Get(pdev->settings.record, orla::dm::Flags1) & orla::kFlags1DeviceFontSubstitution) &&
               !(pstro->flAccel & SO_GLYPHINDEX_TEXTOUT)) {
        const ULONG mapped = MapTrueTypeToDeviceFont(pdev, pfo);
        if (mapped != 0 && !Mirrors(xo)) f = FontChoice{mapped, true, nullptr};
    }
    if (f.deviceFont != 0) f.record = DeviceFontRecordOf(pdev, f.deviceFont);
    if (f.record == nullptr) f.deviceFont = 0, f.mapped = false;
    return f;
}

BYTE TextLevelOf(PrinterPdev* pdev, BRUSHOBJ* fore, const char* selection, bool device) {
    COLORREF rgb = 0;
    if (fore != nullptr && fore->iSolidColor != 0xFFFFFFFF) {
        // The user's brightness and contrast for text change the colour before its grey level.
        BYTE adjusted[3] = {};
        AdjustTextColour(&pdev->colour.context, fore->iSolidColor & 0x00FFFFFF, adjusted, nullptr);
        rgb = RGB(adjusted[0], adjusted[1], adjusted[2]);
    }
    BYTE level = LevelOf(pdev, rgb);
    if (device && FixedFace(selection) && level != kWhiteLevel) level = kBlackLevel;
    return level;
}

BOOL FillWithBrush(PrinterPdev* pdev, SURFOBJ* pso, BRUSHOBJ* brush, POINTL* origin, RECTL* rect) {
    if (brush == nullptr || rect == nullptr) return TRUE;
    if (!RealizeAndSelectBrush(pdev, nullptr, kMixCopyPen, brush, origin, rect, pso, 0)) return FALSE;
    return WriteFilledRectangle(pdev, rect->left, rect->top, rect->right, rect->bottom, FALSE);
}

// Step 11: the glyphs, at once or batch by batch, through the run writer of the path.
BOOL OutputGlyphs(PrinterPdev* pdev, STROBJ* pstro, FONTOBJ* pfo, XFORMOBJ* xo, const TextRunContext& ctx) {
    const WCHAR* chars = pstro->pwszOrg;
    auto write = [&](ULONG count, const GLYPHPOS* glyphs) {
        return pdev->text.runPath == 1 ? WriteSingleByteRun(pdev, count, glyphs, pfo, pstro, &ctx, chars, xo)
                                       : WriteShiftJisRun(pdev, count, glyphs, pfo, pstro, &ctx, chars, xo);
    };
    if (pstro->pgp != nullptr) return write(pstro->cGlyphs, pstro->pgp);
    STROBJ_vEnumStart(pstro);
    ULONG seen = 0;
    BOOL more;
    do {
        ULONG count = 0;
        GLYPHPOS* glyphs = nullptr;
        more = STROBJ_bEnum(pstro, &count, &glyphs);
        if (more == static_cast<BOOL>(DDI_ERROR)) return FALSE;
        // A batch past the string's own glyph count would run past its characters.
        if (glyphs == nullptr || count == 0 || count > pstro->cGlyphs - seen) break;
        if (!write(count, glyphs)) return FALSE;
        seen += count;
        if (chars != nullptr) chars += count;
    } while (more);
    return TRUE;
}

// ---- Character groups ----

struct GroupMove {
    LONG dx, dy;
    bool isShort;
};

// The nominal advance of a record: the printer moves by it after each character.
LONG NominalAdvance(const PrinterPdev* pdev, const TextGroupRecord& r, bool x) {
    const TextOutputState& t = pdev->text;
    if (EndsIn(t.selection, '9')) {
        const bool width = x != (r.verticalForm != FALSE);
        return width ? t.singleByteSize[0] : t.singleByteSize[1];
    }
    if (t.runKind != 2) return t.singleByteSize[0];
    const LONG full = r.verticalForm ? t.doubleByteSize[1] : t.doubleByteSize[0];
    return r.doubleByte ? full : full / 2;
}

GroupMove MoveBetween(const PrinterPdev* pdev, const TextGroupRecord& a, const TextGroupRecord& b) {
    const LONG angle = pdev->text.angle;
    // In 64 bits, held to the LONG range: far-apart groups and huge sizes only give a move that
    // does not fit, never an overflow.
    const auto held = [](LONGLONG v) {
        return static_cast<LONG>(
            std::clamp<LONGLONG>(v, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
    };
    LONG dx = held(static_cast<LONGLONG>(b.x) - a.x -
                   static_cast<LONGLONG>(NominalAdvance(pdev, a, true)) * CosineOf(angle) / 10000);
    LONG dy = held(static_cast<LONGLONG>(b.y) - a.y -
                   static_cast<LONGLONG>(NominalAdvance(pdev, a, false)) * -SineOf(angle) / 10000);
    const LONG zoom = ZoomPercent(pdev);
    if (zoom != 100) {
        dx = held(static_cast<LONGLONG>(dx) * zoom / 100);
        dy = held(static_cast<LONGLONG>(dy) * zoom / 100);
    }
    const bool fits = dx >= -128 && dx <= 127 && dy >= -128 && dy <= 127 && zoom >= 100;
    const bool zeroShort = FixedFace(pdev->text.selection) &&
                           (orla::Get(pdev->settings.record, orla::dm::Flags1) & orla::kFlags1VectorOnly) != 0;
    if (fits && zeroShort) dx = dy = 0;
    return GroupMove{dx, dy, fits};
}

bool IsSpaceCode(const PrinterPdev* pdev, WORD code) {
    return code == 0x20 || (pdev->text.runKind == 2 && code == 0x8140);
}

BOOL WriteCode(PrinterPdev* pdev, WORD code) {
    if (pdev->text.runKind == 2 && !EndsIn(pdev->text.selection, '9'))
        return WriteBytes(pdev, {static_cast<BYTE>(code >> 8), static_cast<BYTE>(code)});
    return WriteBytes(pdev, {static_cast<BYTE>(code > 0xFF ? 0xA5 : code)});
}

// Exchanges the two Shift-JIS size values last sent (and the unzoomed pair).
BOOL SwapSizes(PrinterPdev* pdev) {
    TextOutputState& t = pdev->text;
    const WORD first = std::max<WORD>(t.secondSizeSent == kNotSent ? 1 : t.secondSizeSent, 1);
    const WORD second = std::max<WORD>(t.firstSizeSent == kNotSent ? 1 : t.firstSizeSent, 1);
    if (!WriteValue(pdev, 0xC5, first) || !WriteValue(pdev, 0xC6, second)) return FALSE;
    t.firstSizeSent = first;
    t.secondSizeSent = second;
    std::swap(t.doubleByteSize[0], t.doubleByteSize[1]);
    return TRUE;
}

// One group of records [begin, end): a move to the first, then 0xCC, 0xCD or 0xCE.
BOOL WriteGroup(PrinterPdev* pdev, const TextGroupRecord* r, size_t begin, size_t end) {
    while (begin < end && IsSpaceCode(pdev, r[begin].code)) ++begin;
    if (begin >= end) return TRUE;
    const LONG m = DoubledOutput(pdev) ? 2 : 1;
    POINTL at{r[begin].x / m, r[begin].y / m};
    if (!WritePointList(pdev, &at)) return FALSE;
    const size_t n = end - begin;
    pdev->pageSetup.blankSheet = 0;
    if (n == 1) return WriteBytes(pdev, {0xCC, 0x00}) && WriteCode(pdev, r[begin].code);
    bool even = true;
    for (size_t i = begin; i + 1 < end; ++i) {
        const GroupMove mv = MoveBetween(pdev, r[i], r[i + 1]);
        even = even && mv.dx == 0 && mv.dy == 0;
    }
    if (even) {
        if (!WriteBytes(pdev, {0xCD, static_cast<BYTE>(n)})) return FALSE;
        for (size_t i = begin; i < end; ++i)
            if (!WriteCode(pdev, r[i].code)) return FALSE;
        return TRUE;
    }
    if (!WriteBytes(pdev, {0xCE, 0x00, static_cast<BYTE>(n)})) return FALSE;
    const bool turned = TextOnTurnedSheet(pdev);
    for (size_t i = begin; i < end; ++i) {
        GroupMove mv{0, 0, true};
        if (i + 1 < end) mv = MoveBetween(pdev, r[i], r[i + 1]);
        const LONG a = turned ? mv.dy : mv.dx, b = turned ? -mv.dx : mv.dy;
        if (!WriteCode(pdev, r[i].code)) return FALSE;
        if (!WriteBytes(pdev, {static_cast<BYTE>(static_cast<signed char>(std::clamp<LONG>(a, -128, 127))),
                               static_cast<BYTE>(static_cast<signed char>(std::clamp<LONG>(b, -128, 127)))}))
            return FALSE;
    }
    return TRUE;
}

// What must go out before a record: a style word, a size swap, a rotation of its own.
bool NeedsCommandsBefore(const PrinterPdev* pdev, const TextGroupRecord& r) {
    return (r.style != kNoStyle && r.style != pdev->text.styleSent) || r.sizeSwap || r.rotation != kNoRotation;
}

BOOL WriteCommandsBefore(PrinterPdev* pdev, const TextGroupRecord& r) {
    TextOutputState& t = pdev->text;
    if (r.style != kNoStyle && r.style != t.styleSent) {
        if (!WriteValue(pdev, 0xC8, r.style)) return FALSE;
        t.styleSent = r.style;
    }
    if (r.sizeSwap && !SwapSizes(pdev)) return FALSE;
    return TRUE;
}

}  // namespace

bool TextOnTurnedSheet(const PrinterPdev* pdev) {
    return TurnedSheet(pdev) && !(pdev->state & kStateRasterMode);
}

BOOL WriteTextRotation(PrinterPdev* pdev) {
    TextOutputState& t = pdev->text;
    LONG angle = t.angle;
    if (TextOnTurnedSheet(pdev)) angle = (angle + 90) % 360;
    if (t.rotationSent == angle) return TRUE;
    if (!WriteValue(pdev, 0xC7, static_cast<WORD>(angle))) return FALSE;
    t.rotationSent = static_cast<WORD>(angle);
    return TRUE;
}

BOOL WriteCharacterGroups(PrinterPdev* pdev, const TextGroupRecord* r, ULONG count) {
    if (count == 0) return !OutputFailed(pdev);
    // A downloaded glyph or another run may have replaced the font on the printer.
    if (!RefreshFontCode(pdev)) return FALSE;
    size_t begin = 0;
    while (begin < count) {
        if (!WriteCommandsBefore(pdev, r[begin])) return FALSE;
        size_t end = begin + 1;
        while (end < count && end - begin < kMaxGroup && !NeedsCommandsBefore(pdev, r[end]) &&
               MoveBetween(pdev, r[end - 1], r[end]).isShort)
            ++end;
        if (!WriteGroup(pdev, r, begin, end)) return FALSE;
        begin = end;
    }
    return !OutputFailed(pdev);
}

DLLEXPORT ULONG APIENTRY DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo) {
    if (!ValidatePdev(reinterpret_cast<PrinterPdev*>(dhpdev))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Glyph handles for every font: text is sent as codes or downloaded glyphs, never as paths.
    return FO_HGLYPHS;
}

DLLEXPORT BOOL APIENTRY DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                                   RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                                   MIX mix) {
    PrinterPdev* pdev = CheckedPdevOfSurface(pso);
    if (pdev == nullptr) return FALSE;
    if (pstro == nullptr || pfo == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (OutputFailed(pdev)) return FALSE;
    if constexpr (orla::kJapaneseBuild) {
        if (!FlushPendingStart(pdev) || OutputFailed(pdev)) return FALSE;
    }
    if ((pfo->flFontType & DEVICE_FONTTYPE) && (pfo->iFace == 0 || pfo->iFace > pdev->fonts.count)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    XFORMOBJ* xo = FONTOBJ_pxoGetXform(pfo);
    const FontChoice font = ChooseFont(pdev, pstro, pfo, xo);
    if (!WriteTextPrologue(pdev)) return FALSE;
    if (xo == nullptr) return FALSE;

    TextOutputState& t = pdev->text;
    t.textX = t.textY = -1;
    t.glyphIndex = (pstro->flAccel & SO_GLYPHINDEX_TEXTOUT) != 0;
    std::memset(t.selection, 0, sizeof t.selection);
    if (font.record != nullptr) std::memcpy(t.selection, RecordSelectionText(font.record), 8);
    TextRunContext ctx{pstro->flAccel, font.deviceFont, font.mapped, font.deviceFont != 0, FALSE, 0, 0, 0, 0};
    if (ctx.deviceText) ctx.evenPitch = AnalysePitch(pdev, pfo, pstro, &ctx);

    BOOL first = TRUE, more;
    do {
        RECTL piece{};
        BOOL have = FALSE;
        more = WalkClip(pdev, pco, first, &piece, &have);
        if (OutputFailed(pdev)) return FALSE;
        if (!have && !first) continue;
        if (first && prclOpaque != nullptr && !FillWithBrush(pdev, pso, pboOpaque, pptlOrg, prclOpaque)) return FALSE;
        first = FALSE;
        if (!SelectFont(pdev, pfo, xo, font)) return FALSE;
        if (!SetDeviceRop(pdev, 0xC0, 0xAA)) return FALSE;
        t.textLevel = TextLevelOf(pdev, pboFore, t.selection, font.deviceFont != 0);
        if (!WriteTextColour(pdev, t.textLevel)) return FALSE;
        if (!OutputGlyphs(pdev, pstro, pfo, xo, ctx)) return FALSE;
    } while (more);

    for (RECTL* r = prclExtra; r != nullptr && (r->left | r->top | r->right | r->bottom) != 0; ++r)
        if (!FillWithBrush(pdev, pso, pboFore, pptlOrg, r)) return FALSE;
    return !OutputFailed(pdev);
}
