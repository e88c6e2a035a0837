// Rectangle and pixel helpers the engine's bit-block transfers share (EngBitBlt, EngCopyBits,
// EngStretchBlt): which surfaces the engine can draw on, and the destination pieces a clip
// object leaves of a target rectangle.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "gdi_objects.h"

namespace plat::gdi {

// A bitmap the engine made and can reach the bits of, in a format it draws.
inline bool Drawable(SURFOBJ* pso) {
    return pso && FromSurfobj(pso) && pso->pvScan0 && BitsPerPixel(pso->iBitmapFormat);
}

inline RECTL Intersect(RECTL a, const RECTL& b) {
    a.left = std::max(a.left, b.left);
    a.top = std::max(a.top, b.top);
    a.right = std::min(a.right, b.right);
    a.bottom = std::min(a.bottom, b.bottom);
    return a;
}

inline bool Empty(const RECTL& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

// A wide coordinate saturated to the LONG range.
inline LONG Clamp(long long v) {
    return static_cast<LONG>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

// The destination pieces: the target rectangle cut by the clip object and the surface.
inline std::vector<RECTL> Pieces(SURFOBJ* dst, CLIPOBJ* pco, RECTL target) {
    std::vector<RECTL> out;
    target = Intersect(target, RECTL{0, 0, dst->sizlBitmap.cx, dst->sizlBitmap.cy});
    if (Empty(target)) return out;
    if (!pco || pco->iDComplexity == DC_TRIVIAL) {
        out.push_back(target);
    } else if (pco->iDComplexity == DC_RECT) {
        RECTL r = Intersect(target, pco->rclBounds);
        if (!Empty(r)) out.push_back(r);
    } else {
        // The engine reads the region itself: a driver's running enumeration is left alone.
        std::vector<RECTL> region;
        ClipRectangles(pco, region);
        for (const RECTL& rect : region) {
            RECTL r = Intersect(target, rect);
            if (!Empty(r)) out.push_back(r);
        }
    }
    return out;
}

// Brightness 0..255 of a 0x00BBGGRR colour.
inline ULONG Luminance(ULONG rgb) {
    return (30 * (rgb & 0xFF) + 59 * ((rgb >> 8) & 0xFF) + 11 * ((rgb >> 16) & 0xFF)) / 100;
}

// 0x00BBGGRR of a pixel without a translation: 1 bpp is black and white, others are RGB.
inline ULONG NaturalRgb(const SURFOBJ& so, ULONG index) {
    switch (so.iBitmapFormat) {
        case BMF_1BPP:
            return index ? 0xFFFFFF : 0;
        case BMF_4BPP:
            return (index * 17) * 0x010101;
        case BMF_8BPP:
            return index * 0x010101;
        case BMF_16BPP: {
            ULONG r = (index >> 10) & 31, g = (index >> 5) & 31, b = index & 31;
            return (r * 255 / 31) | ((g * 255 / 31) << 8) | ((b * 255 / 31) << 16);
        }
        default:  // 24 and 32 bpp hold B, G, R bytes: the index reads 0x00RRGGBB
            return ((index >> 16) & 0xFF) | (index & 0xFF00) | ((index & 0xFF) << 16);
    }
}

inline ULONG FromNaturalRgb(const SURFOBJ& so, ULONG rgb) {
    switch (so.iBitmapFormat) {
        case BMF_1BPP:
            return Luminance(rgb) >= 128 ? 1 : 0;
        case BMF_4BPP:
            return Luminance(rgb) / 17;
        case BMF_8BPP:
            return Luminance(rgb);
        case BMF_16BPP:
            return (((rgb & 0xFF) * 31 / 255) << 10) | ((((rgb >> 8) & 0xFF) * 31 / 255) << 5) |
                   (((rgb >> 16) & 0xFF) * 31 / 255);
        default:
            return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    }
}

// A source index in the destination's format: through the translation, else unchanged for equal
// formats, else by way of its colour.
inline ULONG ConvertIndex(const SURFOBJ& src, const SURFOBJ& dst, XLATEOBJ* pxlo, ULONG index) {
    if (pxlo && !(pxlo->flXlate & XO_TRIVIAL)) return XLATEOBJ_iXlate(pxlo, index);
    if (src.iBitmapFormat == dst.iBitmapFormat) return index;
    return FromNaturalRgb(dst, NaturalRgb(src, index));
}

}  // namespace plat::gdi
