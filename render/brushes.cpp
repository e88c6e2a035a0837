// Brushes: the realised brush the engine keeps for us (DrvRealizeBrush), and its selection into
// the printer's graphics state as a solid level, a built-in hatch, a downloaded 8 x 8 pattern or
// a captured colour pattern. A colour pattern is painted and drawn through DrvBitBlt, whose
// halftoned result comes back through the bitmap writers to SelectCapturedPattern: that is the one
// place where this file and the bitmap hooks call each other, as the drawing hook re-enters.
#include "render/brushes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/driver_devmode.h"
#include "render/ddi_hooks.h"
#include "render/drawing_hooks.h"
#include "render/graphics_state.h"
#include "render/output_writer.h"
#include "render/pdev.h"
#include "win/gdi.h"
#include "win/kernel.h"

namespace {

// Colour-table entry i of a realised brush (white when the table does not have it).
COLORREF BrushColour(const RealisedBrush* rb, ULONG i) {
    if (rb->colourTableOffset == 0 || i >= rb->colourEntries) return i == 0 ? 0x000000 : 0xFFFFFF;
    DWORD v;
    std::memcpy(&v, reinterpret_cast<const BYTE*>(rb) + rb->colourTableOffset + 4 * i, 4);
    return v & 0x00FFFFFF;
}

// The 8 x 8 pattern 256: A0, size code, 0x01 0x00 and the 8 rows, then selected (A4 0x00 0x01 0x00).
BOOL SendPattern8x8(PrinterPdev* pdev, const BYTE (&rows)[8]) {
    BYTE command[12] = {0xA0, PatternSizeCode(pdev), 0x01, 0x00};
    std::memcpy(command + 4, rows, sizeof rows);
    if (!WriteSpool(pdev, command, sizeof command)) return FALSE;
    if (!WriteBytes(pdev, {0xA4, 0x00, 0x01, 0x00})) return FALSE;
    GraphicsStateCache& g = pdev->graphics;
    std::memcpy(g.pattern8x8, rows, sizeof rows);
    g.pattern = 256;
    return TRUE;
}

// The operation and levels of a downloaded pattern's foreground (A2) and background (A3), each
// sent only when the cached pair differs.
BOOL SelectPatternLevels(PrinterPdev* pdev, BYTE operation, BYTE foreground, BYTE background) {
    GraphicsStateCache& g = pdev->graphics;
    if (!(g.patternRop[0] == operation && g.foregroundLevel == foreground)) {
        if (!WriteBytes(pdev, {0xA2, operation, 0x00, foreground})) return FALSE;
        g.patternRop[0] = operation;
        g.foregroundLevel = foreground;
    }
    if (!(g.patternRop[1] == operation && g.backgroundLevel == background)) {
        if (!WriteBytes(pdev, {0xA3, operation, 0x00, background})) return FALSE;
        g.patternRop[1] = operation;
        g.backgroundLevel = background;
    }
    return TRUE;
}

}  // namespace

BYTE PatternSizeCode(const PrinterPdev* pdev) {
    if (!(orla::Get(pdev->settings.record, orla::dm::Flags1) & orla::kFlags1PatternBySize)) return 0x00;
    switch (pdev->geometry.resolution) {
        case 1200:
            return 0x30;
        case 400:
        case 200:
            return 0x10;
        case 240:
            return 0x00;
        default:
            return 0x20;
    }
}

BOOL WriteBrushPattern8x8(PrinterPdev* pdev, const void* realisedBrush) {
    if (OutputFailed(pdev)) return FALSE;
    const auto* rb = static_cast<const RealisedBrush*>(realisedBrush);
    if (rb == nullptr || rb->width <= 0 || rb->height <= 0) return FALSE;
    const BYTE* bits = reinterpret_cast<const BYTE*>(rb + 1);
    const size_t stride = ((static_cast<size_t>(rb->width) + 31) / 32) * 4;
    BYTE rows[8];
    for (LONG i = 0; i < 8; ++i) {
        LONG row = i % rb->height;  // a shorter pattern repeats
        if (!(rb->bitmapFlags & BMF_TOPDOWN)) row = rb->height - 1 - row;
        rows[i] = static_cast<BYTE>(~bits[static_cast<size_t>(row) * stride]);
    }
    if (TurnedSheet(pdev)) {
        // A quarter turn anticlockwise with the page: pixel (x, y) goes to (y, 7 - x), so row r of
        // the new pattern is column 7 - r of the old one read from the top.
        BYTE turned[8] = {};
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c)
                if (rows[c] & (0x80u >> (7 - r))) turned[r] = static_cast<BYTE>(turned[r] | (0x80u >> c));
        std::memcpy(rows, turned, sizeof rows);
    }
    GraphicsStateCache& g = pdev->graphics;
    if (g.pattern == 256 && std::memcmp(g.pattern8x8, rows, sizeof rows) == 0) return TRUE;
    return SendPattern8x8(pdev, rows);
}

BOOL RealizeAndSelectBrush(PrinterPdev* pdev, SURFOBJ* /*patternSurface*/, DWORD mixOrRop4, BRUSHOBJ* brush,
                           POINTL* /*brushOrigin*/, RECTL* target, SURFOBJ* targetSurface, LONG invert) {
    if (OutputFailed(pdev)) return FALSE;
    const bool byRop = (pdev->state & kStateRectangleFill) != 0;
    const DWORD rop4 = mixOrRop4 & 0xFFFF;
    BYTE fg = 0, bg = 0;

    // Solid: the ROP4s that ignore the brush fill with a fixed colour.
    bool solid = false;
    COLORREF colour = 0;
    if (byRop && (rop4 == 0xFFFF || rop4 == 0xFFAA)) {
        solid = true;
        colour = 0xFFFFFF;
    } else if (byRop && (rop4 == 0x5555 || rop4 == 0x55AA)) {
        solid = true;
        colour = 0x000000;
    } else if (brush == nullptr) {
        return FALSE;
    } else if (brush->iSolidColor != 0xFFFFFFFF) {
        solid = true;
        BYTE adjusted[3] = {};
        AdjustGraphicsColour(&pdev->colour.context, brush->iSolidColor & 0x00FFFFFF, adjusted, nullptr);
        colour = RGB(adjusted[0], adjusted[1], adjusted[2]);
    }
    if (solid) {
        if (!SelectBuiltinBrush(pdev, 0x01, LevelOf(pdev, colour), 0x00)) return FALSE;
        FillOperation(pdev, mixOrRop4, MixUser::Brush, &fg, &bg);
        return SetDeviceRop(pdev, fg, fg);
    }

    const auto* rb = static_cast<const RealisedBrush*>(BRUSHOBJ_pvGetRbrush(brush));
    if (rb == nullptr) return FALSE;
    if (rb->hatch < 6) {
        ULONG index = rb->hatch;
        if (TurnedSheet(pdev) && index < 4) index ^= 1;  // 0 <-> 1, 2 <-> 3
        const BYTE foreground = LevelOf(pdev, BrushColour(rb, 1));
        const BYTE background = LevelOf(pdev, BrushColour(rb, 0));
        if (!SelectBuiltinBrush(pdev, static_cast<BYTE>(2 + index), foreground, background)) return FALSE;
        FillOperation(pdev, mixOrRop4, MixUser::Hatch, &fg, &bg);
        return SetDeviceRop(pdev, fg, bg);
    }
    // Colour patterns: the engine halftones the brush, and the result becomes a downloaded pattern.
    if (rb->format != BMF_1BPP) return CaptureColourPatternBrush(pdev, rb, target, targetSurface, invert);

    if (!WriteBrushPattern8x8(pdev, rb)) return FALSE;
    FillOperation(pdev, mixOrRop4, MixUser::Brush, &fg, &bg);
    return SelectPatternLevels(pdev, fg, LevelOf(pdev, BrushColour(rb, 0)), LevelOf(pdev, BrushColour(rb, 1)));
}

BOOL FillRectangleForRop(PrinterPdev* pdev, SURFOBJ* target, BRUSHOBJ* brush, POINTL* brushOrigin, DWORD rop4,
                         const RECTL* rect) {
    if (rect == nullptr || OutputFailed(pdev)) return FALSE;
    RECTL r = *rect;
    if (!RealizeAndSelectBrush(pdev, nullptr, rop4, brush, brushOrigin, &r, target, 0)) return FALSE;
    if ((rop4 & 0xFFFF) == 0xB8B8) return TRUE;
    if ((pdev->state & kStatePatternOnlyFill) && !(pdev->state & kStateInBitmapHook)) {
        const RECTL& band = pdev->geometry.bandClip[0];
        r = RECTL{std::max(r.left, band.left), std::max(r.top, band.top), std::min(r.right, band.right),
                  std::min(r.bottom, band.bottom)};
        if (r.left >= r.right || r.top >= r.bottom) return TRUE;
    }
    return WriteFilledRectangle(pdev, r.left, r.top, r.right, r.bottom, FALSE);
}

// ---- Pattern capture ----
BOOL SelectCapturedPattern(PrinterPdev* pdev, const BYTE (&tile)[kPatternTileBytes]) {
    GraphicsStateCache& g = pdev->graphics;
    const bool cached = std::memcmp(g.pattern24x24, tile, sizeof tile) == 0;
    if (!cached && g.pattern == 257) g.pattern = 0xFFFF;  // a different tile: the cache no longer holds
    if (orla::Get(pdev->settings.record, orla::dm::Flags2) & orla::kFlags2PatternDownload) {
        BYTE rows[8];
        for (int i = 0; i < 8; ++i) rows[i] = tile[i * 3];
        if (!SendPattern8x8(pdev, rows)) return FALSE;
    } else {
        if (!(cached && g.pattern == 257)) {
            if (!WriteBytes(pdev, {0xA0, 0x03, 0x01, 0x01}) || !WriteSpool(pdev, tile, sizeof tile)) return FALSE;
            std::memcpy(g.pattern24x24, tile, sizeof tile);
        }
        if (!WriteBytes(pdev, {0xA4, 0x00, 0x01, 0x01})) return FALSE;
        g.pattern = 257;
    }
    return SelectPatternLevels(pdev, 0xF0, 0x10, 0x4F);
}

DLLEXPORT BOOL APIENTRY DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                                        XLATEOBJ* pxlo, ULONG iHatch) {
    PrinterPdev* pdev = CheckedPdevOfSurface(psoTarget);
    if (pdev == nullptr) return FALSE;
    if (pbo == nullptr || psoPattern == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    static constexpr ULONG kBitsPerPixel[7] = {0, 1, 4, 8, 16, 24, 32};
    const ULONG format = psoPattern->iBitmapFormat;
    const LONG width = psoPattern->sizlBitmap.cx, height = psoPattern->sizlBitmap.cy;
    uint64_t bitsSize = 0;
    size_t rowBytes = 0;
    const bool patternBrush = iHatch >= 6;
    if (patternBrush) {
        if (format < 1 || format > 6 || width <= 0 || height <= 0 || psoPattern->pvScan0 == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        rowBytes = static_cast<size_t>((uint64_t{static_cast<ULONG>(width)} * kBitsPerPixel[format] + 31) / 32 * 4);
        bitsSize = uint64_t{rowBytes} * static_cast<ULONG>(height);
    }
    ULONG entries = 0;
    if (pxlo != nullptr && (pxlo->flXlate & XO_TABLE) && pxlo->pulXlate != nullptr)
        entries = std::min<ULONG>(pxlo->cEntries, 256);
    const uint64_t total = bitsSize + 4ull * entries + sizeof(RealisedBrush);
    if (total > 0x7FFFFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    auto* block = static_cast<BYTE*>(BRUSHOBJ_pvAllocRbrush(pbo, static_cast<ULONG>(total)));
    if (block == nullptr) return FALSE;
    RealisedBrush head{};
    head.width = width;
    head.height = height;
    head.format = format;
    head.bitmapFlags = psoPattern->fjBitmap & BMF_TOPDOWN;
    head.colourEntries = entries;
    head.colourTableOffset = entries != 0 ? static_cast<ULONG>(sizeof(RealisedBrush) + bitsSize) : 0;
    head.hatch = iHatch;
    std::memcpy(block, &head, sizeof head);
    if (patternBrush) {
        // Rows in the pattern's own storage order: top-down, or bottom-up as GDI keeps bitmaps.
        const bool topDown = (psoPattern->fjBitmap & BMF_TOPDOWN) != 0;
        const size_t srcRow = static_cast<size_t>(psoPattern->lDelta < 0 ? -static_cast<int64_t>(psoPattern->lDelta)
                                                                         : psoPattern->lDelta);
        for (LONG i = 0; i < height; ++i) {
            const LONG scan = topDown ? i : height - 1 - i;
            const BYTE* src =
                static_cast<const BYTE*>(psoPattern->pvScan0) + static_cast<ptrdiff_t>(scan) * psoPattern->lDelta;
            std::memcpy(block + sizeof head + static_cast<size_t>(i) * rowBytes, src, std::min(rowBytes, srcRow));
        }
    }
    if (entries != 0) std::memcpy(block + head.colourTableOffset, pxlo->pulXlate, 4ull * entries);
    return TRUE;
}

namespace {

// The colour (0x00BBGGRR) of pattern pixel (x, y) of a realised brush.
COLORREF PatternPixel(const RealisedBrush* rb, LONG x, LONG y) {
    static constexpr ULONG kBitsPerPixel[7] = {0, 1, 4, 8, 16, 24, 32};
    const ULONG bpp = kBitsPerPixel[rb->format];
    const size_t rowBytes = (static_cast<size_t>(rb->width) * bpp + 31) / 32 * 4;
    // Rows are kept top-down or bottom-up as the pattern was.
    const LONG storedRow = (rb->bitmapFlags & BMF_TOPDOWN) ? y : rb->height - 1 - y;
    const BYTE* row =
        reinterpret_cast<const BYTE*>(rb) + sizeof(RealisedBrush) + static_cast<size_t>(storedRow) * rowBytes;
    ULONG index = 0;
    switch (bpp) {
        case 1:
            index = (row[x / 8] >> (7 - x % 8)) & 1;
            break;
        case 4:
            index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
            break;
        case 8:
            index = row[x];
            break;
        case 16: {
            const ULONG v = row[2 * x] | (ULONG{row[2 * x + 1]} << 8);
            const ULONG r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            return RGB(r * 255 / 31, g * 255 / 31, b * 255 / 31);
        }
        default: {
            const BYTE* p = row + static_cast<size_t>(x) * (bpp / 8);
            return RGB(p[2], p[1], p[0]);
        }
    }
    if (rb->colourTableOffset != 0 && index < rb->colourEntries) {
        DWORD v;
        std::memcpy(&v, reinterpret_cast<const BYTE*>(rb) + rb->colourTableOffset + 4 * index, 4);
        return v & 0x00FFFFFF;
    }
    return bpp == 1 ? (index ? 0xFFFFFF : 0x000000) : RGB(index, index, index);
}

}  // namespace

BOOL CaptureColourPatternBrush(PrinterPdev* pdev, const RealisedBrush* rb, const RECTL* target, SURFOBJ* targetSurface,
                               LONG invert) {
    if (pdev == nullptr || rb == nullptr || targetSurface == nullptr || rb->format < 1 || rb->format > 6 ||
        rb->width <= 0 || rb->height <= 0)
        return FALSE;
    HBITMAP tile = EngCreateBitmap(SIZEL{kPatternTile, kPatternTile}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
    if (tile == nullptr) return FALSE;
    SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(tile));
    if (so == nullptr) {
        EngDeleteSurface(reinterpret_cast<HSURF>(tile));
        return FALSE;
    }
    for (LONG y = 0; y < kPatternTile; ++y) {
        BYTE* row = static_cast<BYTE*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
        for (LONG x = 0; x < kPatternTile; ++x) {
            COLORREF c = PatternPixel(rb, x % rb->width, y % rb->height);
            if (invert > 0) c ^= 0x00FFFFFF;  // pattern XOR a white bitmap
            row[3 * x] = static_cast<BYTE>(c >> 16);
            row[3 * x + 1] = static_cast<BYTE>(c >> 8);
            row[3 * x + 2] = static_cast<BYTE>(c);
        }
    }
    RECTL area{0, 0, kPatternTile, kPatternTile};
    if (target != nullptr)
        area = RECTL{std::min(target->left, target->right), std::min(target->top, target->bottom),
                     std::max(target->left, target->right), std::max(target->top, target->bottom)};
    area.right = std::max(area.right, area.left + kPatternTile);
    area.bottom = std::max(area.bottom, area.top + kPatternTile);
    POINTL origin{0, 0};
    const DWORD saved = pdev->state & kStatePatternCapture;
    pdev->state |= kStatePatternCapture;
    const BOOL ok =
        DrvBitBlt(targetSurface, so, nullptr, nullptr, nullptr, &area, &origin, nullptr, nullptr, nullptr, 0xCCCC);
    pdev->state = (pdev->state & ~kStatePatternCapture) | saved;
    EngUnlockSurface(so);
    EngDeleteSurface(reinterpret_cast<HSURF>(tile));
    return ok;
}
