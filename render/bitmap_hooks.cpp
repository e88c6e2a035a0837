// The bitmap hooks (DrvBitBlt, DrvStretchBlt, DrvCopyBits), DrvDitherColor and DrvRealizeBrush,
// and the writers that send a 1-bit source bitmap as image commands. Colour and grey sources
// are halftoned by the engine first and come back to DrvCopyBits as 1-bit bitmaps.
#include "render/bitmap_hooks.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/driver_devmode.h"
#include "render/brushes.h"
#include "render/ddi_hooks.h"
#include "render/drawing_hooks.h"
#include "render/graphics_state.h"
#include "render/output_writer.h"
#include "render/pdev.h"
#include "render/raster_output.h"
#include "render/row_compression.h"
#include "win/gdi.h"
#include "win/kernel.h"

namespace {

// ---- ROP4 groups of DrvBitBlt in command mode ----
constexpr WORD kPatternOnlyRops[] = {
    0x0000, 0x00AA, 0x0505, 0x05AA, 0x0A0A, 0x0AAA, 0x0F0F, 0x0FAA, 0x5050, 0x50AA, 0x5555,
    0x55AA, 0x5A5A, 0x5AAA, 0x5F5F, 0x5FAA, 0xA0A0, 0xA0AA, 0xA5A5, 0xA5AA, 0xAAF0, 0xAFAA,
    0xAFAF, 0xF0AA, 0xF0F0, 0xF5AA, 0xF5F5, 0xFAAA, 0xFAFA, 0xFFAA, 0xFFFF,
};
constexpr WORD kSourceRops[] = {
    0x1111, 0x11AA, 0x2222, 0x22AA, 0x3333, 0x33AA, 0x4444, 0x44AA, 0x6666,
    0x66AA, 0x8888, 0x88AA, 0xBBAA, 0xBBBB, 0xCCAA, 0xCCCC, 0xEEAA, 0xEEEE,
};
constexpr WORD kSourcePatternRops[] = {
    0xB8AA, 0xB8B8, 0xC0AA, 0xC0C0, 0xE2AA, 0xE2E2, 0xFBAA, 0xFBFB, 0xFCAA, 0xFCFC,
};

template <size_t N>
constexpr bool InTable(const WORD (&table)[N], DWORD rop4) {
    for (WORD v : table)
        if (v == rop4) return true;
    return false;
}

constexpr BYTE kBandHalftoneRunning = 0x01;
constexpr BYTE kBandNestingAllowed = 0x02;
constexpr BYTE kNoColourCode = 255;
constexpr BYTE kBlackCode = 0;
constexpr BYTE kWhiteCode = 7;

bool ZoomStretchRunning(const PrinterPdev* pdev) {
    return pdev != nullptr && pdev->zoomStretch.running;
}

LONG ZoomOf(const PrinterPdev* pdev) {
    return pdev->geometry.zoom == 0 ? 100 : pdev->geometry.zoom;
}

// Below 100 % the engine shrinks the source into the band, except small sources at 50 to 90 %,
// which the printer scales itself.
bool NeedsZoomStretch(const PrinterPdev* pdev, const SURFOBJ* source) {
    const LONG zoom = ZoomOf(pdev);
    if (zoom >= 100) return false;
    const bool small = source != nullptr && source->sizlBitmap.cx <= 64 && source->sizlBitmap.cy <= 64;
    return !(zoom >= 50 && zoom <= 90 && small);
}

bool IsEngineBitmap(const SURFOBJ* so) {
    return so != nullptr && so->iType == STYPE_BITMAP && so->pvScan0 != nullptr;
}

RECTL Ordered(const RECTL& r) {
    return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                 std::max(r.top, r.bottom)};
}

RECTL Intersect(const RECTL& a, const RECTL& b) {
    return RECTL{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
}

bool Empty(const RECTL& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

LONG Scale(LONG v, LONG zoom) {
    return static_cast<LONG>(static_cast<int64_t>(v) * zoom / 100);
}

// The device context's default colour adjustment (kept in the band record).
COLORADJUSTMENT DefaultColourAdjustment(const PrinterPdev* pdev) {
    COLORADJUSTMENT ca{};
    if (pdev->bandRecord != nullptr) std::memcpy(&ca, pdev->bandRecord->colourAdjustment, sizeof ca);
    if (ca.caSize != sizeof ca) {
        ca = COLORADJUSTMENT{};
        ca.caSize = sizeof ca;
        ca.caRedGamma = ca.caGreenGamma = ca.caBlueGamma = 10000;
        ca.caReferenceWhite = 10000;
    }
    return ca;
}

// The engine stretches (and halftones) the source into the band with the target scaled by the
// zoom; the 1-bit result comes back through DrvCopyBits under the zoom-stretch flag.
BOOL StretchIntoBand(PrinterPdev* pdev, SURFOBJ* target, SURFOBJ* source, CLIPOBJ* clip, XLATEOBJ* xlate,
                     const RECTL& targetRect, const RECTL& sourceRect, const RECTL* about) {
    const LONG zoom = ZoomOf(pdev);
    const bool complex = clip != nullptr && clip->iDComplexity == DC_COMPLEX;
    // Shrunk towards the page origin; with a complex clip (or about the clip bounds for
    // DrvStretchBlt) only the size shrinks and the position stays where the clip puts it.
    POINTL centre{0, 0};
    if (about != nullptr)
        centre = POINTL{about->left, about->top};
    else if (complex)
        centre = POINTL{targetRect.left, targetRect.top};
    auto shrink = [&](LONG v, LONG c) { return c + Scale(v - c, zoom); };
    RECTL scaled{shrink(targetRect.left, centre.x), shrink(targetRect.top, centre.y),
                 shrink(targetRect.right, centre.x), shrink(targetRect.bottom, centre.y)};
    if (Empty(Ordered(scaled))) return TRUE;
    COLORADJUSTMENT ca = DefaultColourAdjustment(pdev);
    const ZoomStretchState saved = pdev->zoomStretch;
    pdev->zoomStretch = ZoomStretchState{TRUE, clip, centre};
    RECTL src = sourceRect;
    BOOL ok = EngStretchBlt(target, source, nullptr, clip, xlate, &ca, nullptr, &scaled, &src, nullptr, HALFTONE);
    pdev->zoomStretch = saved;
    return ok;
}

// ---- Image rows ----
BYTE* AllocateRows(PrinterPdev* pdev, size_t bytes) {
    return static_cast<BYTE*>(PdevAlloc(pdev->allocationList, std::max<size_t>(bytes, 1)));
}

// Turns `rows` rows of `width` pixels a quarter anticlockwise, as a turned sheet turns the page
// (page x runs up the sheet, page y across it): pixel (x, y) goes to (y, width - 1 - x), and the
// result has `rows` pixels a row.
std::vector<BYTE> TurnBits(const BYTE* bits, LONG width, LONG rows, size_t rowBytes, size_t* turnedRowBytes) {
    static constexpr BYTE kMask[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
    const size_t outRowBytes = (static_cast<size_t>(rows) + 7) / 8;
    std::vector<BYTE> out(outRowBytes * static_cast<size_t>(width), 0);
    for (LONG y = 0; y < rows; ++y)
        for (LONG x = 0; x < width; ++x)
            if (bits[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x / 8)] & kMask[x % 8]) {
                const LONG ox = y, oy = width - 1 - x;
                out[static_cast<size_t>(oy) * outRowBytes + static_cast<size_t>(ox / 8)] |= kMask[ox % 8];
            }
    *turnedRowBytes = outRowBytes;
    return out;
}

// The palette polarity: the printer prints 1 bits black.
bool ComplementSource(const PrinterPdev* pdev) {
    const bool firstBlack = pdev->bandRecord != nullptr && pdev->bandRecord->colourCodes[0] == kBlackCode;
    const bool inverted = (pdev->state & kStateSourceInverted) != 0;
    return firstBlack != inverted;
}

// Sends prepared rows as 0xF2 or 0xF4; sizes the 16-bit fields cannot hold are dropped.
BOOL SendRows(PrinterPdev* pdev, const BYTE* bits, LONG width, LONG rows, size_t rowBytes, bool mayCompress,
              bool scaled, LONG targetWidth, LONG targetHeight) {
    constexpr LONG kMax = 0xFFFF;
    if (width > kMax || rows > kMax || targetWidth > kMax || targetHeight > kMax) return TRUE;
    const ImageRows image{bits,   width,       rows,        rowBytes, static_cast<ptrdiff_t>(rowBytes),
                          scaled, targetWidth, targetHeight};
    return SendImageRows(pdev, image, mayCompress);
}

// ---- Pattern capture ----
BOOL CapturePattern(PrinterPdev* pdev, SURFOBJ* source, POINTL sourcePoint) {
    if (source == nullptr || source->iBitmapFormat != BMF_1BPP || !IsEngineBitmap(source)) return TRUE;
    const LONG width = source->sizlBitmap.cx, height = source->sizlBitmap.cy;
    if (width <= 0 || height <= 0) return TRUE;
    const size_t stride = static_cast<size_t>(source->lDelta < 0 ? -source->lDelta : source->lDelta);
    const bool complement = ComplementSource(pdev);
    BYTE tile[kPatternTileBytes] = {};
    const LONG startRow = std::clamp<LONG>(sourcePoint.y, 0, height - 1);
    for (LONG r = 0; r < kPatternTile; ++r) {
        const LONG row = startRow + (r % std::max<LONG>(height - startRow, 1));
        const BYTE* line = static_cast<const BYTE*>(source->pvScan0) + static_cast<ptrdiff_t>(row) * source->lDelta;
        auto byteAt = [&](size_t i) -> BYTE {
            BYTE b = i < stride ? line[i] : 0xFF;
            return complement ? static_cast<BYTE>(~b) : b;
        };
        const BYTE b0 = byteAt(0), b1 = byteAt(1), b2 = byteAt(2);
        BYTE* out = tile + r * 3;
        if (width < 9) {
            out[0] = out[1] = out[2] = b0;
        } else if (width <= 16) {
            out[0] = b0, out[1] = b1, out[2] = b0;
        } else {
            out[0] = b0, out[1] = b1, out[2] = b2;
        }
    }
    if (TurnedSheet(pdev) && !(pdev->state & kStateRasterMode)) {
        size_t turnedRowBytes = 0;
        std::vector<BYTE> turned = TurnBits(tile, kPatternTile, kPatternTile, 3, &turnedRowBytes);
        std::memcpy(tile, turned.data(), sizeof tile);
    }
    return SelectCapturedPattern(pdev, tile);
}

// The part of a clip piece that prints: shrunk with the target under a zoom stretch, cut to the
// target and the page. FALSE when nothing of it is on the page.
bool PieceOnPage(const PrinterPdev* pdev, const RECTL& target, RECTL piece, RECTL* onPage) {
    if (ZoomStretchRunning(pdev)) {
        // The target was shrunk before the engine drew it: its clip shrinks alike.
        const POINTL c = pdev->zoomStretch.about;
        const LONG zoom = ZoomOf(pdev);
        piece = RECTL{c.x + Scale(piece.left - c.x, zoom), c.y + Scale(piece.top - c.y, zoom),
                      c.x + Scale(piece.right - c.x, zoom), c.y + Scale(piece.bottom - c.y, zoom)};
    }
    RECTL r = Intersect(target, piece);
    if (Empty(r)) return false;
    // Beyond the page nothing prints: such a piece is dropped, as in band output.
    const RECTL& printable = pdev->geometry.printable;
    const LONG pageWidth = printable.right - printable.left, pageHeight = printable.bottom - printable.top;
    if (r.left >= pageWidth || r.top >= pageHeight || r.right <= 0 || r.bottom <= 0) return false;
    r.right = std::min(r.right, pageWidth);
    r.bottom = std::min(r.bottom, pageHeight);
    *onPage = r;
    return true;
}

// The rows of a piece cut out of a 1-bit source: byte-aligned, complemented by the palette
// polarity, in a block of the device context's allocation list the caller frees.
struct PieceRows {
    BYTE* bits = nullptr;
    LONG width = 0;
    LONG rows = 0;
    size_t rowBytes = 0;
};

bool InsideSource(const SURFOBJ* source, int64_t sx, int64_t sy) {
    return sx >= 0 && sy >= 0 && sx < source->sizlBitmap.cx && sy < source->sizlBitmap.cy;
}

// Cuts the rows starting at (sx, sy) inside the source, at most what the source holds; FALSE
// when there is no memory for them.
bool CutSourceRows(PrinterPdev* pdev, SURFOBJ* source, int64_t sx, int64_t sy, LONG width, LONG rows, PieceRows* out) {
    const size_t stride =
        static_cast<size_t>(source->lDelta < 0 ? -static_cast<int64_t>(source->lDelta) : source->lDelta);
    width = static_cast<LONG>(std::min<int64_t>(width, source->sizlBitmap.cx - sx));
    rows = std::max<LONG>(static_cast<LONG>(std::min<int64_t>(rows, source->sizlBitmap.cy - sy)), 1);
    const size_t rowBytes = std::clamp<size_t>((static_cast<size_t>(width) + 7) / 8, 1, std::max<size_t>(stride, 1));
    BYTE* bits = AllocateRows(pdev, rowBytes * static_cast<size_t>(rows));
    if (bits == nullptr) return false;
    const bool complement = ComplementSource(pdev);
    std::vector<BYTE> line(rowBytes + 1);
    const size_t firstByte = static_cast<size_t>(sx / 8);
    for (LONG y = 0; y < rows; ++y) {
        const BYTE* src = static_cast<const BYTE*>(source->pvScan0) + (sy + y) * source->lDelta;
        for (size_t i = 0; i < line.size(); ++i) line[i] = firstByte + i < stride ? src[firstByte + i] : 0xFF;
        BYTE* row = bits + static_cast<size_t>(y) * rowBytes;
        CopyShiftedRow(row, line.data(), static_cast<ULONG>(sx % 8), static_cast<ULONG>(rowBytes));
        if (complement)
            for (size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<BYTE>(~row[i]);
    }
    *out = PieceRows{bits, width, rows, rowBytes};
    return true;
}

// Moves to the piece and sends its rows (turned a quarter for a turned sheet), scaled by the
// zoom unless the engine already stretched them, doubled with doubled output.
BOOL SendPieceRows(PrinterPdev* pdev, const PieceRows& cut, POINTL at, bool aligned, bool turned) {
    const bool stretching = ZoomStretchRunning(pdev);
    const LONG zoom = ZoomOf(pdev);
    const BYTE* sendBits = cut.bits;
    std::vector<BYTE> turnedBits;
    LONG sendWidth = cut.width, sendRows = cut.rows;
    size_t sendRowBytes = cut.rowBytes;
    if (turned) {
        turnedBits = TurnBits(cut.bits, cut.width, cut.rows, cut.rowBytes, &sendRowBytes);
        sendBits = turnedBits.data();
        sendWidth = cut.rows;
        sendRows = cut.width;
        // The piece's top-right corner on the page becomes the turned image's top-left on the sheet.
        at.x += cut.width;
    }
    const BOOL held = pdev->graphics.zoomHeld;
    if (stretching) pdev->graphics.zoomHeld = TRUE;
    const BOOL moved = WritePointList(pdev, &at);
    pdev->graphics.zoomHeld = held;
    if (!moved) return FALSE;
    const bool mayCompress = sendRowBytes >= 3 && sendRows >= 4 && aligned;
    const bool plainSize = (zoom == 100 || stretching) && !DoubledOutput(pdev);
    LONG targetWidth = sendWidth, targetHeight = sendRows;
    if (!stretching && zoom != 100) {
        targetWidth = std::max<LONG>(Scale(sendWidth, zoom), 1);
        targetHeight = std::max<LONG>(Scale(sendRows, zoom), 1);
    }
    if (DoubledOutput(pdev)) {
        targetWidth *= 2;
        targetHeight *= 2;
    }
    return SendRows(pdev, sendBits, sendWidth, sendRows, sendRowBytes, mayCompress, !plainSize, targetWidth,
                    targetHeight);
}

// The source rectangle once per clip piece: each piece on the page is cut from the source and
// sent at its place.
BOOL WriteImagePieces(PrinterPdev* pdev, SURFOBJ* source, CLIPOBJ* clip, const RECTL* target, const RECTL* sourceRect,
                      bool turned) {
    if (pdev == nullptr || source == nullptr || target == nullptr || sourceRect == nullptr) return FALSE;
    if (pdev->state & kStatePatternCapture)
        return CapturePattern(pdev, source, POINTL{sourceRect->left, sourceRect->top});
    if (!IsEngineBitmap(source) || source->iBitmapFormat != BMF_1BPP) return FALSE;

    const RECTL t = Ordered(*target);
    BOOL first = TRUE;
    for (;;) {
        RECTL piece{};
        BOOL have = FALSE;
        const BOOL more = WalkClip(pdev, clip, first, &piece, &have);
        first = FALSE;
        if (!have) return (pdev->state & kStateOutputFailed) ? FALSE : TRUE;
        RECTL r{};
        if (PieceOnPage(pdev, t, piece, &r)) {
            const int64_t sx = int64_t{sourceRect->left} + (r.left - t.left);
            const int64_t sy = int64_t{sourceRect->top} + (r.top - t.top);
            // Only what the source holds is sent.
            if (InsideSource(source, sx, sy)) {
                PieceRows cut;
                if (!CutSourceRows(pdev, source, sx, sy, r.right - r.left, r.bottom - r.top, &cut)) return FALSE;
                const BOOL ok = SendPieceRows(pdev, cut, POINTL{r.left, r.top}, sx % 8 == 0, turned);
                PdevFree(pdev->allocationList, cut.bits);
                if (!ok) return FALSE;
            }
        }
        if (!more) return TRUE;
    }
}

// The colour adjustment the engine halftones with: the image triple in per-kind mode, else the
// common one.
COLORADJUSTMENT HalftoneAdjustment(const PrinterPdev* pdev) {
    const ColourAdjustSettings& s = pdev->colour.settings;
    const SHORT* triple = s.triples[s.mode == 1 ? TripleImages : TripleCommon];
    COLORADJUSTMENT ca{};
    ca.caSize = sizeof ca;
    ca.caRedGamma = ca.caGreenGamma = ca.caBlueGamma = 10000;
    ca.caReferenceBlack = 0;
    ca.caReferenceWhite = 10000;
    ca.caContrast = static_cast<SHORT>(-triple[2]);
    ca.caBrightness = triple[0];
    ca.caColorfulness = triple[1];
    return ca;
}

// The source image of a bitmap operation: shrunk by the engine, sent as it is, or halftoned.
BOOL SendSourceImage(PrinterPdev* pdev, SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                     RECTL* targetRect, POINTL* sourcePoint, POINTL* maskPoint) {
    RECTL t = Ordered(*targetRect);
    const POINTL sp = sourcePoint != nullptr ? *sourcePoint : POINTL{0, 0};
    RECTL sourceRect{sp.x, sp.y, sp.x + (t.right - t.left), sp.y + (t.bottom - t.top)};
    BOOL ok;
    if (NeedsZoomStretch(pdev, source)) {
        ok = StretchIntoBand(pdev, target, source, clip, xlate, t, sourceRect, nullptr);
    } else if (IsMonoSource(pdev, source, xlate)) {
        ok = WriteSourceImage(pdev, source, clip, &t, &sourceRect);
    } else {
        ok = HalftoneThroughEngine(pdev, target, source, mask, clip, xlate, nullptr, &t, &sourceRect, maskPoint);
    }
    pdev->state &= ~kStateInBitmapHook;
    return ok;
}

}  // namespace

// ---- Writers ----
void CopyShiftedRow(BYTE* destination, const BYTE* source, ULONG bitOffset, ULONG byteCount) {
    const ULONG shift = bitOffset & 7;
    if (shift == 0) {
        std::memcpy(destination, source, byteCount);
        return;
    }
    for (ULONG i = 0; i < byteCount; ++i)
        destination[i] = static_cast<BYTE>((source[i] << shift) | (source[i + 1] >> (8 - shift)));
}

BOOL IsMonoSource(PrinterPdev* pdev, SURFOBJ* source, XLATEOBJ* xlate) {
    BandRecord* band = pdev != nullptr ? pdev->bandRecord : nullptr;
    if (band == nullptr || !IsEngineBitmap(source)) return FALSE;
    const DWORD invert = band->invertMask;
    band->invertMask = 0;
    if (source->iBitmapFormat != band->firstFormat && source->iBitmapFormat != band->secondFormat) return FALSE;
    ULONG entries[2] = {0x000000, 0xFFFFFF};
    ULONG count = 2;
    if (xlate != nullptr && (xlate->flXlate & XO_TABLE)) {
        count = xlate->cEntries;
        if (count == 0 || count > band->maxPaletteEntries || xlate->pulXlate == nullptr) return FALSE;
        for (ULONG i = 0; i < count; ++i) entries[i] = xlate->pulXlate[i];
    } else if (xlate != nullptr && !(xlate->flXlate & XO_TRIVIAL)) {
        return FALSE;
    }
    // Without a table the 1-bit source has the engine's own palette: 0 black, 1 white.
    BYTE codes[2] = {kNoColourCode, kNoColourCode};
    for (ULONG i = 0; i < count; ++i) {
        const ULONG v = entries[i] ^ invert;
        const BYTE b0 = static_cast<BYTE>(v), b1 = static_cast<BYTE>(v >> 8), b2 = static_cast<BYTE>(v >> 16);
        for (BYTE b : {b0, b1, b2})
            if (b != 0 && b != 255) return FALSE;
        codes[i] = static_cast<BYTE>((b0 ? 4 : 0) | (b1 ? 2 : 0) | (b2 ? 1 : 0));
    }
    if (source->iBitmapFormat == BMF_1BPP) {
        if (count != 2) return FALSE;
        const bool blackWhite =
            (codes[0] == kBlackCode && codes[1] == kWhiteCode) || (codes[0] == kWhiteCode && codes[1] == kBlackCode);
        if (!blackWhite) return FALSE;
    }
    band->colourCodes[0] = codes[0];
    band->colourCodes[1] = codes[1];
    return TRUE;
}

BOOL WriteSourceImage(PrinterPdev* pdev, SURFOBJ* source, CLIPOBJ* clip, const RECTL* target, const RECTL* sourceRect) {
    // A turned sheet turns every point of the page: an image sent unturned would land on its side
    // and off its place, whatever the clip.
    const bool turned = pdev != nullptr && TurnedSheet(pdev) && !(pdev->state & kStateRasterMode);
    return WriteImagePieces(pdev, source, clip, target, sourceRect, turned);
}

BOOL WriteRotatedImage(PrinterPdev* pdev, SURFOBJ* source, CLIPOBJ* clip, const RECTL* target,
                       const RECTL* sourceRect) {
    return WriteImagePieces(pdev, source, clip, target, sourceRect, true);
}

BOOL HalftoneThroughEngine(PrinterPdev* pdev, SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip,
                           XLATEOBJ* xlate, POINTL* halftoneOrigin, RECTL* targetRect, RECTL* sourceRect,
                           POINTL* maskPoint) {
    BandRecord* band = pdev != nullptr ? pdev->bandRecord : nullptr;
    if (band == nullptr || targetRect == nullptr || sourceRect == nullptr) return FALSE;
    const BYTE savedFlags = band->flags;
    if ((savedFlags & kBandHalftoneRunning) && !(savedFlags & kBandNestingAllowed)) return FALSE;
    const DWORD savedMask = band->invertMask;
    band->flags |= kBandHalftoneRunning;
    band->invertMask = (pdev->state & kStateSourceInverted) ? 0xFFFFFFFFu : 0;
    COLORADJUSTMENT ca = HalftoneAdjustment(pdev);
    const BOOL ok = EngStretchBlt(target, source, mask, clip, xlate, &ca, halftoneOrigin, targetRect, sourceRect,
                                  maskPoint, HALFTONE);
    // A nested call leaves the outer call's flags as they were.
    band->flags = static_cast<BYTE>((band->flags & ~kBandHalftoneRunning) | (savedFlags & kBandHalftoneRunning));
    band->invertMask = (savedFlags & kBandHalftoneRunning) ? savedMask : 0;
    return ok;
}

BOOL FillRopRectangles(PrinterPdev* pdev, SURFOBJ* target, RECTL* targetRect, BRUSHOBJ* brush, POINTL* brushOrigin,
                       CLIPOBJ* clip, ROP4 rop4) {
    if (pdev == nullptr || targetRect == nullptr) return FALSE;
    BOOL result = TRUE;
    BOOL filled = FALSE;
    BOOL first = TRUE;
    const bool storesPiece = (pdev->state & kStateStorePageClip) != 0;
    for (;;) {
        RECTL piece{};
        BOOL have = FALSE;
        const BOOL more = WalkClip(pdev, clip, first, &piece, &have);
        first = FALSE;
        if (!have) break;
        // A piece the walker kept as the page clip was not sent as the printer's clip: the fill
        // itself must stay inside it.
        RECTL area = Ordered(*targetRect);
        if (storesPiece) area = Intersect(area, piece);
        if (Empty(area)) {
            if (!more) break;
            continue;
        }
        pdev->state |= kStateRectangleFill;
        result = FillRectangleForRop(pdev, target, brush, brushOrigin, rop4, &area);
        pdev->state &= ~kStateRectangleFill;
        filled = TRUE;
        if (!result || !more) break;
    }
    if (!filled && (pdev->state & kStateOutputFailed)) return FALSE;
    return result;
}

// ---- Hooks ----
DLLEXPORT BOOL APIENTRY DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                  RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                                  ROP4 rop4) {
    PrinterPdev* pdev = CheckedPdevOfSurface(psoTrg);
    if (pdev == nullptr) return FALSE;
    rop4 &= 0xFFFF;
    if (rop4 == 0xAAAA) return TRUE;  // the destination stays as it is
    if (prclTrg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (pdev->state & kStateRasterMode) {
        if (rop4 == 0xCCAA || rop4 == 0xCCCC) {
            const RECTL t = Ordered(*prclTrg);
            const POINTL sp = pptlSrc != nullptr ? *pptlSrc : POINTL{0, 0};
            RECTL src{sp.x, sp.y, sp.x + (t.right - t.left), sp.y + (t.bottom - t.top)};
            COLORADJUSTMENT ca = DefaultColourAdjustment(pdev);
            return EngStretchBlt(psoTrg, psoSrc, nullptr, pco, pxlo, &ca, nullptr, prclTrg, &src, nullptr, HALFTONE);
        }
        return EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
    }

    pdev = DrawingHookPrologue(psoTrg);
    if (pdev == nullptr || pdev->bandRecord == nullptr) return FALSE;
    // A DrvBitBlt nested in a brush selection leaves the outer hook's bits as they were.
    constexpr DWORD kHookBits = kStateInBitmapHook | kStateRopChosen | kStatePatternOnlyFill | kStateRectangleFill;
    const DWORD outerBits = pdev->state & kHookBits;
    pdev->state &= ~kStateRectangleFill;
    pdev->state |= kStateInBitmapHook | kStateRopChosen;
    pdev->state &= ~kStateSourceInverted;
    if ((rop4 & 0xFF) != 0xAA) {
        psoMask = nullptr;
        pptlMask = nullptr;
    }

    BOOL result;
    if (InTable(kPatternOnlyRops, rop4)) {
        pdev->state &= ~kStateRopChosen;
        pdev->state |= kStatePatternOnlyFill;
        result = FillRopRectangles(pdev, psoTrg, prclTrg, pbo, pptlBrush, pco, rop4);
        pdev->state &= ~(kStatePatternOnlyFill | kStateInBitmapHook);
    } else if (InTable(kSourceRops, rop4)) {
        result =
            SetRop(pdev, rop4) && SendSourceImage(pdev, psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask);
    } else if (InTable(kSourcePatternRops, rop4)) {
        pdev->state &= ~kStateRopChosen;
        if (!FillRopRectangles(pdev, psoTrg, prclTrg, pbo, pptlBrush, pco, rop4)) {
            result = FALSE;
        } else {
            pdev->state |= kStateRopChosen;
            result = SendSourceImage(pdev, psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask);
        }
    } else {
        // What the commands cannot express is drawn by the engine; its result is the hook's.
        result = SetRop(pdev, 0xCCCC) &&
                 EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
    }
    // The operation chosen here must not carry over into the next hook; a DrvBitBlt that draws
    // a colour brush for an outer fill gives the outer hook its bits back.
    pdev->state &= ~kHookBits;
    if (pdev->state & kStatePatternCapture) pdev->state |= outerBits;
    return result;
}

DLLEXPORT BOOL APIENTRY DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                      COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                      POINTL* pptlMask, ULONG iMode) {
    PrinterPdev* pdev = CheckedPdevOfSurface(psoDest);
    if (pdev == nullptr) return FALSE;
    if (prclDest == nullptr || prclSrc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (pdev->state & kStateRasterMode) {
        COLORADJUSTMENT ca = pca != nullptr ? *pca : DefaultColourAdjustment(pdev);
        return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, &ca, pptlHTOrg, prclDest, prclSrc, pptlMask,
                             HALFTONE);
    }
    pdev = DrawingHookPrologue(psoDest);
    if (pdev == nullptr || pdev->bandRecord == nullptr) return FALSE;
    BandRecord* band = pdev->bandRecord;
    const bool callbackRunning = (band->flags & kBandHalftoneRunning) != 0;
    if (!callbackRunning) pdev->state &= ~kStateSourceInverted;
    if (!SetDeviceRop(pdev, 0xCC, 0xCC)) return FALSE;
    const BYTE savedFlags = band->flags;
    if (callbackRunning) band->flags |= kBandNestingAllowed;
    pdev->state |= kStateInBitmapHook;
    BOOL ok;
    if (NeedsZoomStretch(pdev, psoSrc)) {
        RECTL bounds = pco != nullptr && pco->iDComplexity != DC_TRIVIAL ? pco->rclBounds : Ordered(*prclDest);
        ok = StretchIntoBand(pdev, psoDest, psoSrc, pco, pxlo, Ordered(*prclDest), *prclSrc, &bounds);
    } else {
        ok = HalftoneThroughEngine(pdev, psoDest, psoSrc, psoMask, pco, pxlo, pptlHTOrg, prclDest, prclSrc, pptlMask);
    }
    band->flags = static_cast<BYTE>((band->flags & ~kBandNestingAllowed) | (savedFlags & kBandNestingAllowed));
    pdev->state &= ~kStateInBitmapHook;
    return ok;
}

DLLEXPORT BOOL APIENTRY DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                                    POINTL* pptlSrc) {
    PrinterPdev* pdev = CheckedPdevOfSurface(psoDest);
    if (pdev == nullptr) return FALSE;
    if (prclDest == nullptr || psoSrc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Nothing can be read back from the printer: a copy from the device surface paints white.
    if (!IsEngineBitmap(psoSrc)) return EngEraseSurface(psoDest, prclDest, 0xFFFFFFFF);
    const POINTL sp = pptlSrc != nullptr ? *pptlSrc : POINTL{0, 0};
    const RECTL t = Ordered(*prclDest);
    RECTL sourceRect{sp.x, sp.y, sp.x + (t.right - t.left), sp.y + (t.bottom - t.top)};

    if (pdev->state & kStateRasterMode) {
        if (IsEngineBitmap(psoDest) && !IsMonoSource(pdev, psoSrc, pxlo)) {
            RECTL cut = Intersect(t, RECTL{0, 0, psoDest->sizlBitmap.cx, psoDest->sizlBitmap.cy});
            if (Empty(cut)) return TRUE;
            RECTL src{sp.x + (cut.left - t.left), sp.y + (cut.top - t.top), sp.x + (cut.right - t.left),
                      sp.y + (cut.bottom - t.top)};
            return DrvStretchBlt(psoDest, psoSrc, nullptr, pco, pxlo, nullptr, nullptr, &cut, &src, nullptr, HALFTONE);
        }
        POINTL origin = sp;
        return EngCopyBits(psoDest, psoSrc, pco, pxlo, prclDest, &origin);
    }

    pdev = DrawingHookPrologue(psoDest);
    if (pdev == nullptr || pdev->bandRecord == nullptr) return FALSE;
    const bool stretching = ZoomStretchRunning(pdev);
    if (pco == nullptr && stretching) pco = pdev->zoomStretch.clip;
    if (!stretching && NeedsZoomStretch(pdev, psoSrc))
        return StretchIntoBand(pdev, psoDest, psoSrc, pco, pxlo, t, sourceRect, nullptr);

    const bool wholeSource =
        sp.x == 0 && sp.y == 0 && t.left >= 0 && t.top >= 0 && t.right - t.left == psoSrc->sizlBitmap.cx &&
        t.bottom - t.top == psoSrc->sizlBitmap.cy &&
        (psoDest->sizlBitmap.cx <= 0 || (t.right <= psoDest->sizlBitmap.cx && t.bottom <= psoDest->sizlBitmap.cy));
    if (wholeSource && IsMonoSource(pdev, psoSrc, pxlo)) {
        // Under a zoom stretch the engine hands the target already shrunk: it is not scaled again.
        RECTL target = t;
        if (!(pdev->state & kStateRopChosen) && !SetDeviceRop(pdev, 0xCC, 0xCC)) return FALSE;
        const bool complex = pco != nullptr && pco->iDComplexity == DC_COMPLEX;
        if (TurnedSheet(pdev) && complex) return WriteRotatedImage(pdev, psoSrc, pco, &target, &sourceRect);
        return WriteSourceImage(pdev, psoSrc, pco, &target, &sourceRect);
    }
    BandRecord* band = pdev->bandRecord;
    const BYTE savedFlags = band->flags;
    if (band->flags & kBandHalftoneRunning) band->flags |= kBandNestingAllowed;
    RECTL target = t;
    BOOL ok = HalftoneThroughEngine(pdev, psoDest, psoSrc, nullptr, pco, pxlo, nullptr, &target, &sourceRect, nullptr);
    band->flags = static_cast<BYTE>((band->flags & ~kBandNestingAllowed) | (savedFlags & kBandNestingAllowed));
    return ok;
}

DLLEXPORT ULONG APIENTRY DrvDitherColor(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul) {
    if (!ValidatePdev(reinterpret_cast<PrinterPdev*>(dhpdev))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // The engine halftones every solid colour.
    return DCR_HALFTONE;
}
