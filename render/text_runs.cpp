// The run writers: from the glyphs GDI gives to the character groups of the text commands, with
// the pitch analysis, the placement of each character (run origin, bearing), vertical writing
// and the characters that go out as downloaded glyphs instead.
#include "render/text_runs.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

#include "core/ansi_text.h"
#include "render/device_fonts.h"
#include "render/glyph_download.h"
#include "render/graphics_state.h"
#include "render/text_tables.h"
#include "win/nls.h"

namespace {

constexpr FLONG kPlacementFlags = SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL | SO_VERTICAL;
constexpr WCHAR kIdeographicSpace = 0x3000;
constexpr WORD kReplacementCode = 0x8145;
constexpr WORD kUnconvertible = 0xF040;

LONG Doubling(const PrinterPdev* pdev) {
    return DoubledOutput(pdev) ? 2 : 1;
}
// 6000 / resolution: the size values' unit in device pixels.
LONG SizeUnit(const PrinterPdev* pdev) {
    const LONG dpi = pdev->geometry.resolution;
    return dpi == 240 ? 25 : dpi == 200 || dpi == 400 ? 15 : dpi == 1200 ? 5 : 10;
}

// The records of one call, freed at its end.
struct Records {
    std::vector<TextGroupRecord> list;
    size_t groupStart = 0;
};

// Numbers the pending records (remaining counts n down to 1) and writes them as one group.
BOOL FlushGroup(PrinterPdev* pdev, Records& r) {
    const size_t n = r.list.size() - r.groupStart;
    for (size_t i = 0; i < n; ++i)
        r.list[r.groupStart + i].remaining = static_cast<WORD>(std::min<size_t>(n - i, 0xFFFF));
    const BOOL ok = WriteCharacterGroups(pdev, r.list.data() + r.groupStart, static_cast<ULONG>(n));
    r.groupStart = r.list.size();
    return ok;
}

TextGroupRecord RecordAtTextPosition(const PrinterPdev* pdev, WORD code, bool doubleByte) {
    return TextGroupRecord{code,  pdev->text.textX, pdev->text.textY, doubleByte, kNoStyle, FALSE, 0,
                           FALSE, kNoRotation};
}

// A glyph the printer font does not hold, drawn through the download cache or as an image.
BOOL DrawAsDownload(PrinterPdev* pdev, FONTOBJ* font, XFORMOBJ* xo, const GLYPHPOS& glyph, POINTL at) {
    pdev->state &= ~kStateDevicePositioning;
    const GLYPHBITS* gb = GlyphBitsOf(font, glyph);
    if (gb == nullptr) return FALSE;
    const POINTL target{at.x + gb->ptlOrigin.x, at.y + gb->ptlOrigin.y};
    if (ZoomPercent(pdev) <= 100 && !TextOnTurnedSheet(pdev)) {
        if (DownloadsInUse(pdev) && DownloadGlyphForRun(pdev, font, xo, static_cast<WORD>(glyph.hg), gb, target))
            return TRUE;
        if (OutputFailed(pdev)) return FALSE;
        return DownloadScaledGlyph(pdev, gb, target);
    }
    return DownloadCellGlyph(pdev, gb, target);
}

// The step between glyphs when the string gives ulCharInc.
LONG CharStep(const STROBJ* string, FLONG accel) {
    LONG s = static_cast<LONG>(string->ulCharInc);
    if ((accel & SO_REVERSED) && !(accel & SO_FLAG_DEFAULT_PLACEMENT)) s = -s;
    return s;
}

LONG Gap16(const GLYPHPOS* g, ULONG i) {
    return static_cast<SHORT>(static_cast<WORD>(g[i + 1].ptl.x - g[i].ptl.x));
}

WCHAR CharOf(const WCHAR* chars, ULONG i, HGLYPH hg) {
    return chars != nullptr ? chars[i] : static_cast<WCHAR>(hg);
}

// ---- Downloaded text ----

BOOL WriteDownloadedRun(PrinterPdev* pdev, ULONG n, const GLYPHPOS* g, FONTOBJ* font, STROBJ* string,
                        const TextRunContext* ctx, const WCHAR* chars, XFORMOBJ* xo) {
    const bool ownPositions = !(ctx->accel & kPlacementFlags);
    const LONG s = CharStep(string, ctx->accel);
    POINTL at = g[0].ptl;
    for (ULONG i = 0; i < n; ++i) {
        if (OutputFailed(pdev)) return FALSE;
        if (ownPositions || i == 0)
            at = g[i].ptl;
        else
            at.x += s != 0 ? s : g[i].ptl.x - g[i - 1].ptl.x;
        const WCHAR c = CharOf(chars, i, g[i].hg);
        if (c == u' ' || c == kIdeographicSpace) {
            const GLYPHBITS* gb = GlyphBitsOf(font, g[i]);
            if (gb != nullptr && gb->sizlBitmap.cx <= 1 && gb->sizlBitmap.cy <= 1) continue;
        }
        if (!DrawAsDownload(pdev, font, xo, g[i], at)) return FALSE;
    }
    return !OutputFailed(pdev);
}

// ---- Single-byte device text ----

// The code of a character of a TrueType font mapped to OCR-B, or 0 when the printer font
// cannot show it.
WORD OcrCodeOf(WCHAR c) {
    if (c == 0x00A5) return 0x5C;
    const WORD code = SbcsCodeOfUnicode(c);
    return code == u'|' || code == u'~' ? 0 : code;
}

BOOL WriteSingleByteDeviceRun(PrinterPdev* pdev, ULONG n, const GLYPHPOS* g, FONTOBJ* font, STROBJ* string,
                              const TextRunContext* ctx, const WCHAR* chars, XFORMOBJ* xo) {
    TextOutputState& t = pdev->text;
    const LONG a = t.angle;
    const bool ownPositions = !(ctx->accel & kPlacementFlags);
    const LONG s = CharStep(string, ctx->accel);
    const LONG m = Doubling(pdev);
    auto charOf = [&](ULONG i) -> WCHAR {
        return ctx->mapped ? CharOf(chars, i, g[i].hg) : UnicodeOfCodeByte(static_cast<BYTE>(g[i].hg));
    };
    auto bearingOffset = [&](LONG b) {
        return POINTL{static_cast<LONG>(static_cast<long long>(b) * SineOf(a + 90) / 10000),
                      static_cast<LONG>(-static_cast<long long>(b) * SineOf(a) / 10000)};
    };

    const POINTL b0 = bearingOffset(BearingOf(pdev, charOf(0)));
    const POINTL start{g[0].ptl.x + b0.x, g[0].ptl.y + b0.y};
    Records rec;
    rec.list.reserve(n);
    RunOrigin(pdev, start, POINTL{0, 0});
    if (ownPositions && a != 0 && !WriteTextRotation(pdev)) return FALSE;
    if (!ownPositions && !WriteTextRotation(pdev)) return FALSE;
    LONG gap = 0;
    for (ULONG i = 0; i < n; ++i) {
        if (OutputFailed(pdev)) return FALSE;
        const WCHAR c = charOf(i);
        if (ownPositions) {
            pdev->state |= kStateDevicePositioning;
            RunOrigin(pdev, g[i].ptl, bearingOffset(BearingOf(pdev, c)));
        } else if (i > 0 && !(pdev->state & kStateDevicePositioning)) {
            pdev->state |= kStateDevicePositioning;
            RunOrigin(pdev, g[i].ptl, POINTL{0, 0});
        } else if (i > 0) {
            RunOrigin(pdev, POINTL{t.textX / m + (s != 0 ? s : gap), start.y}, POINTL{0, 0});
        }
        if (s == 0 && i + 1 < n) {
            gap = Gap16(g, i) + BearingOf(pdev, charOf(i + 1)) - BearingOf(pdev, c);
            if (ctx->evenPitch && static_cast<WCHAR>(g[i].hg) == u' ') gap += ctx->otherExtraX >> 6;
        }
        WORD code;
        if (!ctx->mapped) {
            code = LatinDeviceCode(static_cast<BYTE>(g[i].hg));
        } else if ((code = OcrCodeOf(c)) == 0) {
            // Not in the printer font: the group so far goes out, the glyph is downloaded.
            if (!FlushGroup(pdev, rec)) return FALSE;
            if (!DrawAsDownload(pdev, font, xo, g[i], g[i].ptl)) return FALSE;
            continue;
        }
        rec.list.push_back(RecordAtTextPosition(pdev, code, false));
    }
    return FlushGroup(pdev, rec);
}

// ---- Shift-JIS device text ----

// The vertical form follows the character in a vertical-writing face: horizontal for single
// bytes, vertical for double bytes, with the size values exchanged at each switch.
void ApplyVerticalForm(PrinterPdev* pdev, TextGroupRecord& r) {
    TextOutputState& t = pdev->text;
    if (!(t.verticalBits & 2)) return;
    if (!r.doubleByte && t.verticalForm) {
        if (t.style & 0x8000) {
            t.style = static_cast<WORD>(t.style & ~0x8000);
            r.style = t.style;
        }
        t.verticalForm = FALSE;
        r.sizeSwap = SizeFormToggle(pdev);
    } else if (r.doubleByte && !t.verticalForm) {
        r.style = (t.style & 0x8000) ? kNoStyle : static_cast<WORD>(t.style | 0x8000);
        t.style = static_cast<WORD>(t.style | 0x8000);
        t.verticalForm = TRUE;
        r.sizeSwap = SizeFormToggle(pdev);
    }
}

// The Shift-JIS code of a character of a mapped TrueType font, or kUnconvertible.
WORD MappedShiftJisCode(WCHAR c) {
    char bytes[8] = {};
    size_t units = 1;
    const int len = orla::AnsiCharacter(std::u16string_view(&c, 1), 0, bytes, &units);
    if (len <= 0 || len > 2 || (len == 1 && bytes[0] == '?' && c != u'?')) return kUnconvertible;
    if (len == 1) return static_cast<BYTE>(bytes[0]);
    return static_cast<WORD>(static_cast<BYTE>(bytes[0]) << 8 | static_cast<BYTE>(bytes[1]));
}

bool IsDoubleByteCode(WORD code) {
    return code > 0xFF;
}

BOOL WriteShiftJisDeviceRun(PrinterPdev* pdev, ULONG n, const GLYPHPOS* g, FONTOBJ* font, STROBJ* string,
                            const TextRunContext* ctx, const WCHAR* chars, XFORMOBJ* xo) {
    TextOutputState& t = pdev->text;
    const bool ownPositions = !(ctx->accel & kPlacementFlags);
    const LONG s = CharStep(string, ctx->accel);
    const LONG m = Doubling(pdev);
    const bool vertical = (t.verticalBits & 2) != 0;
    Records rec;
    rec.list.reserve(n);
    RunOrigin(pdev, g[0].ptl, POINTL{0, 0});
    if (!WriteTextRotation(pdev)) return FALSE;
    LONG gap = 0;
    for (ULONG i = 0; i < n; ++i) {
        if (OutputFailed(pdev)) return FALSE;
        if (ownPositions || (i > 0 && !(pdev->state & kStateDevicePositioning))) {
            pdev->state |= kStateDevicePositioning;
            RunOrigin(pdev, g[i].ptl, POINTL{0, 0});
        } else if (i > 0) {
            RunOrigin(pdev, POINTL{t.textX / m + (s != 0 ? s : gap), g[0].ptl.y}, POINTL{0, 0});
        }
        if (i + 1 < n) gap = Gap16(g, i);
        WORD code;
        if (ctx->mapped) {
            code = MappedShiftJisCode(CharOf(chars, i, g[i].hg));
            const bool refused = IsDoubleByteCode(code) ? ShiftJisRefused(code, vertical) : code == u'~';
            if (refused) {
                if (!FlushGroup(pdev, rec)) return FALSE;
                if (!DrawAsDownload(pdev, font, xo, g[i], g[i].ptl)) return FALSE;
                continue;
            }
        } else {
            code = static_cast<WORD>(g[i].hg);
        }
        TextGroupRecord r = RecordAtTextPosition(pdev, code, IsDoubleByteCode(code));
        if (!r.doubleByte) {
            const BYTE b = static_cast<BYTE>(code);
            if (b < 0x20 || (b >= 0x7F && b <= 0xA0) || b >= 0xE0) r.code = 0xA5;
        } else if (ShiftJisNotHeld(code, t.textModeSent)) {
            r.code = kReplacementCode;
        }
        ApplyVerticalForm(pdev, r);
        r.verticalForm = (t.styleSent & 0x8000) != 0 && t.styleSent != kNotSent;
        if (r.style != kNoStyle) r.verticalForm = (r.style & 0x8000) != 0;
        rec.list.push_back(r);
    }
    return FlushGroup(pdev, rec);
}

// The advance of a glyph in 28.4 device units for the pitch analysis.
bool AdvanceOf(PrinterPdev* pdev, FONTOBJ* font, const TextRunContext* ctx, XFORMOBJ* xo, HGLYPH hg, POINTL* out) {
    if (ctx->deviceFont != 0) {
        const BYTE* record = DeviceFontRecordOf(pdev, ctx->deviceFont);
        if (record == nullptr) return false;
        LONG w;
        if (RecordIfiMetrics(record)->jWinCharSet == SHIFTJIS_CHARSET)
            w = hg > 255 ? 1000 : 500;
        else if ((w = RecordWidthOfCode(record, static_cast<BYTE>(hg))) < 0)
            w = DeviceFontAdvance(record, hg);
        POINTL v{w, 0};
        if (!XFORMOBJ_bApplyXform(xo, XF_LTOFX, 1, &v, out)) return false;
        return true;
    }
    GLYPHDATA* gd = nullptr;
    if (FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&gd)) != 1 || gd == nullptr)
        return false;
    *out = POINTL{static_cast<LONG>(gd->ptqD.x.QuadPart >> 32) * 16, static_cast<LONG>(gd->ptqD.y.QuadPart >> 32) * 16};
    return true;
}

struct PitchClass {
    bool seen = false;
    long long refX = 0, refY = 0;
    long long sumX = 0, sumY = 0;
    LONG count = 0;
};

}  // namespace

// ---- Pitch analysis ----

BOOL AnalysePitch(PrinterPdev* pdev, FONTOBJ* font, STROBJ* string, TextRunContext* ctx) {
    if (!(ctx->accel & SO_HORIZONTAL) || (ctx->accel & SO_FLAG_DEFAULT_PLACEMENT) || string->cGlyphs < 2 || ctx->mapped)
        return FALSE;
    if (ctx->deviceFont > pdev->fonts.count) return FALSE;
    XFORMOBJ* xo = FONTOBJ_pxoGetXform(font);
    if (xo == nullptr) return FALSE;
    // The glyphs of the run, gathered from the string's array or its batches.
    std::vector<GLYPHPOS> glyphs;
    if (string->pgp != nullptr) {
        glyphs.assign(string->pgp, string->pgp + string->cGlyphs);
    } else {
        STROBJ_vEnumStart(string);
        BOOL more;
        do {
            ULONG count = 0;
            GLYPHPOS* batch = nullptr;
            more = STROBJ_bEnum(string, &count, &batch);
            if (more == static_cast<BOOL>(DDI_ERROR) || batch == nullptr) break;
            if (count > string->cGlyphs - std::min<size_t>(glyphs.size(), string->cGlyphs)) return FALSE;
            glyphs.insert(glyphs.end(), batch, batch + count);
        } while (more);
    }
    if (glyphs.size() < 2) return FALSE;
    WCHAR space = u' ';
    PitchClass classes[2];
    for (size_t i = 0; i + 1 < glyphs.size(); ++i) {
        const WCHAR c = ctx->deviceFont != 0 ? UnicodeOfCodeByte(static_cast<BYTE>(glyphs[i].hg))
                                             : (string->pwszOrg != nullptr ? string->pwszOrg[i] : 0);
        POINTL adv{};
        if (!AdvanceOf(pdev, font, ctx, xo, glyphs[i].hg, &adv)) return FALSE;
        // In 64 bits: hostile positions and transforms reach the ends of the LONG range.
        const long long dx = static_cast<long long>(glyphs[i + 1].ptl.x) - glyphs[i].ptl.x;
        const long long dy = static_cast<long long>(glyphs[i + 1].ptl.y) - glyphs[i].ptl.y;
        const long long devX = std::llabs(adv.x - 16 * dx), devY = std::llabs(adv.y - 16 * dy);
        PitchClass& k = classes[c == space ? 0 : 1];
        if (!k.seen) {
            k.seen = true;
            k.refX = devX, k.refY = devY;
        } else if (std::llabs(k.refX - devX) > 16 || std::llabs(k.refY - devY) > 16) {
            return FALSE;
        }
        k.sumX += 16LL * dx - adv.x;
        k.sumY += 16LL * dy - adv.y;
        ++k.count;
    }
    const long long dpi = std::max<LONG>(pdev->geometry.resolution, 1);
    auto extra = [&](const PitchClass& k, long long sum) -> LONG {
        if (k.count == 0) return 0;
        const long long v = sum * 1152 / (dpi * k.count);
        return static_cast<LONG>(
            std::clamp<long long>(v, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
    };
    ctx->spaceExtraX = extra(classes[0], classes[0].sumX);
    ctx->spaceExtraY = extra(classes[0], classes[0].sumY);
    ctx->otherExtraX = extra(classes[1], classes[1].sumX);
    ctx->otherExtraY = extra(classes[1], classes[1].sumY);
    return TRUE;
}

// ---- Placement ----

void RunOrigin(PrinterPdev* pdev, POINTL p, POINTL o) {
    TextOutputState& t = pdev->text;
    const long long m = Doubling(pdev);
    // In 64 bits and held within the LONG range: hostile positions and sizes do not wrap.
    auto store = [&](long long x, long long y) {
        constexpr long long kMin = std::numeric_limits<LONG>::min() / 4, kMax = std::numeric_limits<LONG>::max() / 4;
        t.textX = static_cast<LONG>(std::clamp(x, kMin, kMax));
        t.textY = static_cast<LONG>(std::clamp(y, kMin, kMax));
    };
    if (!(pdev->state & kStateDevicePositioning)) {
        store((static_cast<long long>(p.x) + o.x) * m, (static_cast<long long>(p.y) + o.y) * m);
        return;
    }
    const LONG a = t.angle;
    long long qx = p.x * m, qy = p.y * m;
    if (a <= 90)
        qx -= t.t0, qy -= t.t1;
    else if (a <= 180)
        qx -= t.t0, qy += t.t1;
    else if (a <= 270)
        qx += t.t0, qy += t.t1;
    else
        qx += t.t0, qy -= t.t1;
    const long long k = SizeUnit(pdev);
    long long dx = 0, dy = 0;
    if (t.runPath == 0) {
        if (a == 0)
            dy = t.s3 / k;
        else if (a < 90)
            dx = t.s2 / k, dy = t.s3 / k;
        else if (a == 90)
            dx = t.s2 / k;
        else if (a < 180)
            dx = t.s2 / k, dy = -t.s3 / k;
        else if (a == 180)
            dy = -t.s3 / k;
        else if (a < 270)
            dx = -t.s2 / k, dy = -t.s3 / k;
        else if (a == 270)
            dx = -((pdev->state & kStateHorizontalShiftJis) ? t.s2 : t.s3) / k;
        else
            dx = -t.s2 / k, dy = t.s3 / k;
    } else {
        if (a == 0)
            dy = t.s1 / k;
        else if (a == 90)
            dx = t.s0 / k;
        else if (a == 270)
            dx = -t.s0 / k;
    }
    store(qx + dx + m * o.x, qy + dy + m * o.y);
}

LONG BearingOf(const PrinterPdev* pdev, WCHAR c) {
    const char end = SelectionEnd(pdev->text.selection);
    if (pdev->text.deviceFont == 0 || end == '2' || end == '4' || pdev->text.runPath != 1) return 0;
    const long long b = BearingClass(c);
    return static_cast<LONG>((b * pdev->text.s0) / -100 * pdev->geometry.resolution / 240);
}

BOOL SizeFormToggle(PrinterPdev* pdev) {
    pdev->state |= kStateSizesOwed;
    pdev->state ^= kStateSizesExchanged;
    return pdev->text.firstSizeSent != pdev->text.secondSizeSent;
}

// ---- Run writers ----

BOOL WriteSingleByteRun(PrinterPdev* pdev, ULONG n, const GLYPHPOS* g, FONTOBJ* font, STROBJ* string,
                        const TextRunContext* ctx, const WCHAR* chars, XFORMOBJ* xo) {
    if (n == 0) return TRUE;
    if (g == nullptr) return FALSE;
    pdev->text.runKind = 1;
    if (!ctx->deviceText) return WriteDownloadedRun(pdev, n, g, font, string, ctx, chars, xo);
    return WriteSingleByteDeviceRun(pdev, n, g, font, string, ctx, chars, xo);
}

BOOL WriteShiftJisRun(PrinterPdev* pdev, ULONG n, const GLYPHPOS* g, FONTOBJ* font, STROBJ* string,
                      const TextRunContext* ctx, const WCHAR* chars, XFORMOBJ* xo) {
    if (n == 0) return TRUE;
    if (g == nullptr) return FALSE;
    pdev->text.runKind = 2;
    return WriteShiftJisDeviceRun(pdev, n, g, font, string, ctx, chars, xo);
}
