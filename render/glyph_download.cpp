// Downloaded glyphs and glyph images (see glyph_download.h).
#include "render/glyph_download.h"

#include <algorithm>
#include <cstring>

#include "core/driver_devmode.h"
#include "render/device_fonts.h"
#include "render/graphics_state.h"
#include "render/output_writer.h"
#include "render/raster_output.h"
#include "render/text_tables.h"

namespace {

// A glyph bitmap larger than this in either direction is no glyph the engine makes.
constexpr LONG kMaxGlyphSide = 0x4000;
// Printer memory a downloaded glyph costs beyond its data.
constexpr DWORD kGlyphEntryOverhead = 52;
// The glyph strip format's code in the image commands.
constexpr BYTE kGlyphStripFormat = 0x10;
constexpr BYTE kWhiteLevel = 0x4F;
constexpr BYTE kBlackLevel = 16;

size_t RowBytesOf(LONG width) {
    return (static_cast<size_t>(width) + 7) / 8;
}

// A 1-bit bitmap with rows of whole bytes.
struct Bitmap {
    std::vector<BYTE> bits;
    LONG width = 0;
    LONG height = 0;
    size_t rowBytes = 0;
};

Bitmap CopyOf(const GLYPHBITS* gb) {
    Bitmap b;
    b.width = gb->sizlBitmap.cx;
    b.height = gb->sizlBitmap.cy;
    b.rowBytes = RowBytesOf(b.width);
    b.bits.assign(gb->aj, gb->aj + b.rowBytes * static_cast<size_t>(b.height));
    return b;
}

bool Pixel(const Bitmap& b, LONG x, LONG y) {
    return (b.bits[static_cast<size_t>(y) * b.rowBytes + static_cast<size_t>(x / 8)] & (0x80 >> (x % 8))) != 0;
}

// The bitmap turned a quarter anticlockwise, as a turned sheet turns the page: pixel (x, y) goes
// to (y, width - 1 - x).
Bitmap TurnedAnticlockwise(const Bitmap& src) {
    Bitmap t;
    t.width = src.height;
    t.height = src.width;
    t.rowBytes = RowBytesOf(t.width);
    t.bits.assign(t.rowBytes * static_cast<size_t>(t.height), 0);
    for (LONG y = 0; y < src.height; ++y)
        for (LONG x = 0; x < src.width; ++x)
            if (Pixel(src, x, y)) {
                const LONG tx = y, ty = src.width - 1 - x;
                t.bits[static_cast<size_t>(ty) * t.rowBytes + static_cast<size_t>(tx / 8)] |= 0x80 >> (tx % 8);
            }
    return t;
}

// Every pixel doubled in both directions (doubled output).
Bitmap Doubled(const Bitmap& src) {
    Bitmap d;
    d.width = src.width * 2;
    d.height = src.height * 2;
    d.rowBytes = RowBytesOf(d.width);
    d.bits.assign(d.rowBytes * static_cast<size_t>(d.height), 0);
    for (LONG y = 0; y < d.height; ++y)
        for (LONG x = 0; x < d.width; ++x)
            if (Pixel(src, x / 2, y / 2)) d.bits[static_cast<size_t>(y) * d.rowBytes + x / 8] |= 0x80 >> (x % 8);
    return d;
}

LONG Zoomed(LONG v, LONG zoom) {
    return static_cast<LONG>(static_cast<long long>(v) * zoom / 100);
}

// The glyph reduced by the zoom (through the pitch tables) and doubled with doubled output.
Bitmap DeviceCell(const PrinterPdev* pdev, const GLYPHBITS* gb) {
    Bitmap b = CopyOf(gb);
    const LONG zoom = ZoomPercent(pdev);
    if (zoom != 100) {
        const LONG w = std::max<LONG>(Zoomed(b.width, zoom), 1), h = std::max<LONG>(Zoomed(b.height, zoom), 1);
        Bitmap r;
        r.bits = ConvertGlyphBitmap(b.bits.data(), b.width, b.height, b.rowBytes, BuildPitchTable(zoom, b.width, w),
                                    BuildPitchTable(zoom, b.height, h));
        r.width = w;
        r.height = h;
        r.rowBytes = RowBytesOf(w);
        b = std::move(r);
    }
    return DoubledOutput(pdev) ? Doubled(b) : b;
}

void PutBe16(std::vector<BYTE>& out, size_t at, DWORD v) {
    out[at] = static_cast<BYTE>(v >> 8);
    out[at + 1] = static_cast<BYTE>(v);
}
void PutBe32(std::vector<BYTE>& out, size_t at, DWORD v) {
    PutBe16(out, at, v >> 16);
    PutBe16(out, at + 2, v & 0xFFFF);
}

// The glyph bits as the printer's rasters want them (rows, 1 = ink).
BOOL SendScaledRows(PrinterPdev* pdev, const Bitmap& b, LONG zoom) {
    ImageRows rows{b.bits.data(),
                   b.width,
                   b.height,
                   b.rowBytes,
                   static_cast<ptrdiff_t>(b.rowBytes),
                   true,
                   std::max<LONG>(Zoomed(b.width, zoom), 1),
                   std::max<LONG>(Zoomed(b.height, zoom), 1)};
    // Delta-row compression only pays for rows of 3 bytes or more and 4 rows or more.
    return SendImageRows(pdev, rows, b.rowBytes >= 3 && b.height >= 4);
}

bool OutsidePage(const PrinterPdev* pdev, POINTL target, LONG width, LONG height) {
    const RECTL& p = pdev->geometry.printable;
    const LONG pageW = p.right - p.left, pageH = p.bottom - p.top;
    return target.x >= pageW || target.y >= pageH || target.x + width <= 0 || target.y + height <= 0;
}

BOOL SelectDownloadedFont(PrinterPdev* pdev, WORD fontId) {
    DownloadCache& c = pdev->downloadCache;
    if (c.lastSelectedFont == fontId) return TRUE;
    if (!WriteBytes(pdev, {0xCB, 0x00, static_cast<BYTE>(fontId >> 8), static_cast<BYTE>(fontId)})) return FALSE;
    c.lastSelectedFont = fontId;
    // The downloaded font replaced the device font on the printer.
    pdev->text.doubleByteFontSent = kNotSent;
    pdev->text.singleByteFontSent = kNotSent;
    pdev->text.fontCommandSent = 0xCB;
    return TRUE;
}

// Selects the entry's font, moves to the glyph and prints it by its code.
BOOL PrintDownloadedGlyph(PrinterPdev* pdev, const DownloadFontEntry* e, POINTL target) {
    if (!SetDeviceRop(pdev, 0xC0, 0xAA)) return FALSE;
    if (!WriteTextColour(pdev, pdev->text.textLevel)) return FALSE;
    if (!SelectDownloadedFont(pdev, e->fontId)) return FALSE;
    if (!WriteGlyphMove(pdev, target, POINTL{0, 0})) return FALSE;
    if (!WriteBytes(pdev, {0xCC, 0x00, static_cast<BYTE>(e->glyphCode >> 8), static_cast<BYTE>(e->glyphCode)}))
        return FALSE;
    pdev->pageSetup.blankSheet = 0;
    return TRUE;
}

bool KeyMatches(const DownloadFontEntry* e, const DownloadFontKey& k) {
    return e->characterCode == k.characterCode && e->fontFileId == k.fontFileId && e->trueTypeId == k.trueTypeId &&
           e->widthMeasure == k.widthMeasure && e->heightMeasure == k.heightMeasure && e->style == k.style &&
           (e->glyphIndex != FALSE) == (k.glyphIndex != FALSE) && e->angle == k.angle;
}

// Defines the glyph in the printer under the next glyph code and prints it; FALSE (nothing
// written) when it is too large, its data does not fit the 16-bit length of the definition or
// the budget.
BOOL DownloadFontHeader(PrinterPdev* pdev, ULONG bucket, DownloadFontEntry* entry, const GLYPHBITS* gb, POINTL target) {
    // A memory record that states no glyph limit (0) leaves the 16-bit sizes of the definition.
    const DWORD stated = pdev->graphics.deviceLimits[2];
    const LONG dimension = static_cast<LONG>(stated == 0 ? 0x7FFF : std::min<DWORD>(stated, 0x7FFF));
    const LONG limit = std::min<LONG>(DoubledOutput(pdev) ? dimension * 2 : dimension, 0xFFFF);
    const DWORD dataLimit = pdev->graphics.deviceLimits[1];
    const LONG zoom = ZoomPercent(pdev);
    const LONG factor = DoubledOutput(pdev) ? 2 : 1;
    const LONG w = std::max<LONG>(Zoomed(gb->sizlBitmap.cx, zoom), 1) * factor;
    const LONG h = std::max<LONG>(Zoomed(gb->sizlBitmap.cy, zoom), 1) * factor;
    if (w > limit || h > limit) return FALSE;
    if (DoubledOutput(pdev) && dataLimit != 0 && static_cast<unsigned long long>(w) * h > dataLimit) return FALSE;

    const Bitmap cell = DeviceCell(pdev, gb);
    std::vector<BYTE> data = EncodeGlyphStrips(cell.bits.data(), cell.width, cell.height, cell.rowBytes);
    // The definition carries its data length in 16 bits: a longer glyph goes as an image.
    if (data.size() > 0xFFFF) return FALSE;
    DownloadCache& c = pdev->downloadCache;
    const DWORD cost = static_cast<DWORD>(data.size()) + kGlyphEntryOverhead;
    if (cost > c.budget) {
        c.exhausted = TRUE;
        return FALSE;
    }
    c.budget -= cost;
    entry->glyphCode = c.nextGlyphCode++;
    entry->fontId = c.fontId;
    DownloadFontEntry** tail = &c.heads[bucket];
    while (*tail != nullptr) tail = &(*tail)->next;
    *tail = entry;

    if (!SetDeviceRop(pdev, 0xC0, 0xAA) || !WriteTextColour(pdev, pdev->text.textLevel)) return FALSE;
    const bool started = (pdev->state & kStateFontStarted) != 0;
    pdev->state |= kStateFontStarted;
    std::vector<BYTE> head(20, 0);
    head[0] = started ? 0xC1 : 0xC0;
    PutBe16(head, 2, entry->fontId);
    head[4] = 0x01;
    PutBe16(head, 8, static_cast<DWORD>(cell.width));
    PutBe16(head, 10, static_cast<DWORD>(cell.height));
    PutBe16(head, 18, static_cast<DWORD>(data.size()));
    if (!WriteSpool(pdev, head.data(), static_cast<DWORD>(head.size()))) return FALSE;
    if (!WriteSpool(pdev, data.data(), static_cast<DWORD>(data.size()))) return FALSE;
    return PrintDownloadedGlyph(pdev, entry, target);
}

}  // namespace

// ---- Glyph bits ----

const GLYPHBITS* GlyphBitsOf(FONTOBJ* font, const GLYPHPOS& glyph) {
    const GLYPHBITS* gb = glyph.pgdf != nullptr ? glyph.pgdf->pgb : nullptr;
    if (gb == nullptr) {
        HGLYPH hg = glyph.hg;
        GLYPHDATA* gd = nullptr;
        if (FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&gd)) != 1 || gd == nullptr)
            return nullptr;
        gb = gd->gdf.pgb;
    }
    if (gb == nullptr) return nullptr;
    const SIZEL s = gb->sizlBitmap;
    if (s.cx <= 0 || s.cy <= 0 || s.cx > kMaxGlyphSide || s.cy > kMaxGlyphSide) return nullptr;
    return gb;
}

// ---- Key and hash ----

BOOL BuildDownloadFontKey(PrinterPdev* pdev, FONTOBJ* font, XFORMOBJ* transform, WORD code) {
    const IFIMETRICS* ifi = font != nullptr ? FONTOBJ_pifi(font) : nullptr;
    XFORML m{};
    if (ifi == nullptr || transform == nullptr || XFORMOBJ_iGetXform(transform, &m) == DDI_ERROR) return FALSE;
    const bool shiftJis = ifi->jWinCharSet == SHIFTJIS_CHARSET;
    const LONG em = shiftJis ? std::max<LONG>(ifi->fwdUnitsPerEm, 1) : 1000;
    POINTL v[2] = {{em, 0}, {0, em}};
    if (!XFORMOBJ_bApplyXform(transform, XF_LTOL, 2, v, v)) return FALSE;
    const LONG dpi = std::max<LONG>(pdev->geometry.resolution, 1);
    auto measure = [&](POINTL p) -> DWORD {
        const unsigned long long len = IntegerVectorLength(p.x, p.y);
        if (shiftJis) return static_cast<DWORD>(len * 720 / dpi);
        return static_cast<DWORD>(len * 120 / 33 * 400 / dpi);
    };
    DownloadFontKey& k = pdev->text.key;
    k.fontFileId = static_cast<DWORD>(font->iFile);
    k.trueTypeId = static_cast<DWORD>(font->iTTUniq);
    k.widthMeasure = measure(v[0]);
    k.heightMeasure = measure(v[1]);
    const bool italic = (font->flFontType & FO_SIM_ITALIC) != 0 || ifi->ptlCaret.x != 0;
    const bool bold = (font->flFontType & FO_SIM_BOLD) != 0 || ifi->usWinWeight > 699;
    k.style = (italic ? 1u : 0u) | (bold ? 2u : 0u);
    k.angle = static_cast<DWORD>(AngleOfTransform(m, dpi, false));
    k.characterCode = code;
    k.glyphIndex = pdev->text.glyphIndex;
    return TRUE;
}

ULONG HashDownloadFontKey(const PrinterPdev* pdev) {
    const DownloadFontKey& k = pdev->text.key;
    DWORD h = k.trueTypeId;
    h = h * 2 + k.angle;
    h = h * 2 + k.style;
    h = h * 2 + k.heightMeasure;
    h = h * 2 + k.widthMeasure;
    h = h * 2 + k.fontFileId;
    h = h * 2 + k.characterCode;
    return h % kDownloadBuckets;
}

// ---- Lookup, download, print ----

BOOL DownloadGlyphForRun(PrinterPdev* pdev, FONTOBJ* font, XFORMOBJ* transform, WORD code, const GLYPHBITS* bits,
                         POINTL target) {
    if (bits == nullptr || !BuildDownloadFontKey(pdev, font, transform, code)) return FALSE;
    const ULONG bucket = HashDownloadFontKey(pdev);
    for (const DownloadFontEntry* e = pdev->downloadCache.heads[bucket]; e != nullptr; e = e->next)
        if (KeyMatches(e, pdev->text.key)) return PrintDownloadedGlyph(pdev, e, target);
    auto* entry = static_cast<DownloadFontEntry*>(PdevAlloc(pdev->allocationList, sizeof(DownloadFontEntry)));
    if (entry == nullptr) return FALSE;
    const DownloadFontKey& k = pdev->text.key;
    *entry = DownloadFontEntry{
        k.fontFileId, k.trueTypeId, k.widthMeasure, k.heightMeasure, k.style, k.angle, k.characterCode, 0, 0,
        k.glyphIndex, nullptr};
    // The entry joins its chain only once its definition is under way.
    if (DownloadFontHeader(pdev, bucket, entry, bits, target)) return TRUE;
    bool chained = false;
    for (const DownloadFontEntry* e = pdev->downloadCache.heads[bucket]; e != nullptr; e = e->next)
        chained = chained || e == entry;
    if (!chained) PdevFree(pdev->allocationList, entry);
    return FALSE;
}

BOOL DownloadScaledGlyph(PrinterPdev* pdev, const GLYPHBITS* gb, POINTL target) {
    if (gb == nullptr) return FALSE;
    const LONG zoom = ZoomPercent(pdev);
    if (OutsidePage(pdev, target, gb->sizlBitmap.cx, gb->sizlBitmap.cy)) return TRUE;
    if (!WriteGlyphMove(pdev, target, POINTL{0, 0})) return FALSE;
    const LONG zw = Zoomed(gb->sizlBitmap.cx, zoom), zh = Zoomed(gb->sizlBitmap.cy, zoom);
    BOOL ok;
    if (zoom <= 100 && zw != 0 && zh != 0) {
        const Bitmap cell = DeviceCell(pdev, gb);
        const std::vector<BYTE> data = EncodeGlyphStrips(cell.bits.data(), cell.width, cell.height, cell.rowBytes);
        const WORD width = static_cast<WORD>((cell.width + 15) / 16 * 16);
        const DWORD length = static_cast<DWORD>(data.size());
        ok = WriteBytes(pdev, {kImageCommand, 0x00, 0x00, kGlyphStripFormat}) && WriteBigEndian16(pdev, width) &&
             WriteBigEndian16(pdev, static_cast<WORD>(cell.height)) && WriteBigEndian32(pdev, length) &&
             WriteSpool(pdev, data.data(), length);
    } else {
        ok = SendScaledRows(pdev, CopyOf(gb), zoom);
    }
    if (ok) pdev->pageSetup.blankSheet = 0;
    return ok;
}

BOOL DownloadCellGlyph(PrinterPdev* pdev, const GLYPHBITS* gb, POINTL target) {
    if (gb == nullptr) return FALSE;
    if (OutsidePage(pdev, target, gb->sizlBitmap.cx, gb->sizlBitmap.cy)) return TRUE;
    // A turned sheet turns the page a quarter anticlockwise: the cell turns with it, and its
    // top-right corner on the page becomes the turned cell's top-left on the sheet.
    const bool turned = TurnedSheet(pdev);
    const Bitmap b = turned ? TurnedAnticlockwise(CopyOf(gb)) : CopyOf(gb);
    const POINTL corner = turned ? POINTL{target.x + gb->sizlBitmap.cx, target.y} : target;
    if (!WriteGlyphMove(pdev, corner, POINTL{0, 0})) return FALSE;
    const std::vector<BYTE> data = EncodeGlyphStrips(b.bits.data(), b.width, b.height, b.rowBytes);
    // The printer scales the strips as sent, padding columns included: the target is the zoomed
    // strip width, so that the glyph itself keeps the page's zoom.
    const LONG stripWidth = (b.width + 15) / 16 * 16;
    const LONG zoom = ZoomPercent(pdev), factor = DoubledOutput(pdev) ? 2 : 1;
    const LONG tw = std::max<LONG>(Zoomed(stripWidth, zoom) * factor, 1);
    const LONG th = std::max<LONG>(Zoomed(b.height, zoom) * factor, 1);
    const BOOL ok =
        WriteImageBlock(pdev, kImageKindRaster, kGlyphStripFormat, static_cast<WORD>(stripWidth),
                        static_cast<WORD>(b.height), static_cast<WORD>(std::min<LONG>(tw, 0xFFFF)),
                        static_cast<WORD>(std::min<LONG>(th, 0xFFFF)), static_cast<DWORD>(data.size()), data.data());
    if (ok) pdev->pageSetup.blankSheet = 0;
    return ok;
}

// ---- Glyph strips ----

std::vector<BYTE> EncodeGlyphStrips(const BYTE* bits, LONG width, LONG height, size_t rowBytes) {
    const LONG strips = (width + 15) / 16;
    const LONG masks = (height + 31) / 32;
    std::vector<BYTE> out(8 + 4 * static_cast<size_t>(strips), 0);
    PutBe16(out, 4, static_cast<DWORD>(strips * 16));
    PutBe16(out, 6, static_cast<DWORD>(height));
    auto valueAt = [&](LONG strip, LONG row) -> WORD {
        const size_t at = static_cast<size_t>(row) * rowBytes + static_cast<size_t>(strip) * 2;
        const BYTE left = at < rowBytes * (static_cast<size_t>(row) + 1) ? bits[at] : 0;
        const BYTE right = at + 1 < rowBytes * (static_cast<size_t>(row) + 1) ? bits[at + 1] : 0;
        return static_cast<WORD>(left << 8 | right);
    };
    for (LONG s = 0; s < strips; ++s) {
        PutBe32(out, 8 + 4 * static_cast<size_t>(s), static_cast<DWORD>(out.size() / 4));
        const size_t maskAt = out.size();
        out.resize(out.size() + 4 * static_cast<size_t>(masks), 0);
        size_t values = 0;
        for (LONG r = 0; r < height; ++r) {
            const WORD v = valueAt(s, r);
            if (r > 0 && v == valueAt(s, r - 1)) continue;
            // Bit (r mod 32) of mask word r / 32, the words big-endian.
            const size_t word = maskAt + 4 * static_cast<size_t>(r / 32);
            const DWORD bit = 1u << (r % 32);
            out[word + 3 - (r % 32) / 8] |= static_cast<BYTE>(bit >> (8 * ((r % 32) / 8)));
            out.push_back(static_cast<BYTE>(v >> 8));
            out.push_back(static_cast<BYTE>(v));
            ++values;
        }
        if (values % 2 != 0) out.insert(out.end(), {0, 0});
    }
    return out;
}

// ---- Pitch tables ----

std::vector<LONG> BuildPitchTable(LONG zoom, LONG n, LONG target) {
    std::vector<LONG> counts(static_cast<size_t>(std::max<LONG>(n, 0)), 0);
    long long sum = 0;
    for (LONG i = 0; i < n; ++i) {
        const long long start = static_cast<long long>(i) * zoom / 100;
        const long long end = static_cast<long long>(i + 1) * zoom / 100;
        counts[static_cast<size_t>(i)] = static_cast<LONG>(end - start);
        sum += end - start;
    }
    // The last count takes up the difference so that the counts add up to the target size.
    if (n > 0) counts.back() = static_cast<LONG>(std::max<long long>(counts.back() + target - sum, 0));
    return counts;
}

std::vector<BYTE> ConvertGlyphBitmap(const BYTE* bits, LONG width, LONG height, size_t rowBytes,
                                     const std::vector<LONG>& pitchX, const std::vector<LONG>& pitchY) {
    LONG outW = 0, outH = 0;
    for (LONG c : pitchX) outW += c;
    for (LONG c : pitchY) outH += c;
    const size_t outRow = RowBytesOf(outW);
    std::vector<BYTE> out(outRow * static_cast<size_t>(std::max<LONG>(outH, 0)), 0);
    LONG y0 = 0;
    for (LONG sy = 0; sy < height && sy < static_cast<LONG>(pitchY.size()); ++sy) {
        // A source row that covers no device row is merged into the one before it.
        const LONG ys = std::min(y0, std::max<LONG>(outH - 1, 0));
        const LONG yCount = std::max<LONG>(pitchY[static_cast<size_t>(sy)], 1);
        LONG x0 = 0;
        for (LONG sx = 0; sx < width && sx < static_cast<LONG>(pitchX.size()); ++sx) {
            const bool on =
                (bits[static_cast<size_t>(sy) * rowBytes + static_cast<size_t>(sx / 8)] & (0x80 >> (sx % 8))) != 0;
            const LONG xs = std::min(x0, std::max<LONG>(outW - 1, 0));
            const LONG xCount = std::max<LONG>(pitchX[static_cast<size_t>(sx)], 1);
            for (LONG y = ys; on && y < ys + yCount && y < outH; ++y)
                for (LONG x = xs; x < xs + xCount && x < outW; ++x)
                    out[static_cast<size_t>(y) * outRow + static_cast<size_t>(x / 8)] |= 0x80 >> (x % 8);
            x0 += pitchX[static_cast<size_t>(sx)];
        }
        y0 += pitchY[static_cast<size_t>(sy)];
    }
    return out;
}

// ---- Colour and moves ----

BOOL WriteTextColour(PrinterPdev* pdev, BYTE level) {
    const bool black = (orla::Get(pdev->settings.record, orla::dm::Flags1) & orla::kFlags1BlackText) != 0;
    if (black && level != kWhiteLevel) level = kBlackLevel;
    DownloadCache& c = pdev->downloadCache;
    if (c.lastTextLevel == level) return TRUE;
    if (!WriteBytes(pdev, {0xBD, 0x00, level, 0x00})) return FALSE;
    c.lastTextLevel = level;
    return TRUE;
}

BOOL WriteGlyphMove(PrinterPdev* pdev, POINTL p, POINTL o) {
    TextOutputState& t = pdev->text;
    POINTL q = p;
    if (pdev->state & kStateDevicePositioning) {
        const LONG a = t.angle;
        if (a <= 90)
            q.x -= t.t0, q.y -= t.t1;
        else if (a <= 180)
            q.x -= t.t0, q.y += t.t1;
        else if (a <= 270)
            q.x += t.t0, q.y += t.t1;
        else
            q.x += t.t0, q.y -= t.t1;
        if (t.runPath == 0) {
            const LONG k = std::max<LONG>(6000 / std::max<LONG>(pdev->geometry.resolution, 1), 1);
            if (a == 90)
                q.x += t.s2 / k;
            else if (a == 270 && (pdev->state & kStateHorizontalShiftJis))
                q.x -= t.s2 / k;
            else if (a == 0)
                q.y += t.s3 / k;
        }
    }
    q.x += o.x;
    q.y += o.y;
    t.textX = q.x;
    t.textY = q.y;
    return WritePointList(pdev, &q);
}
