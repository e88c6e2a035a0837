// Stretching copies (SRCCOPY, and SRCAND and SRCPAINT that combine the stretched source with
// the destination) and pattern blits of the UI's device contexts. A stretch maps each
// destination pixel back to the source: COLORONCOLOR takes the nearest source pixel, HALFTONE
// the average of the source pixels the destination pixel covers. Mirroring (a negative width or
// height on one side) flips the picture, as GDI does.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "ui_dc.h"
#include "win/user_gdi.h"

namespace plat::uidc {
namespace {

struct Axis {
    LONG destStart, destSize, srcStart, srcSize;  // sizes may be negative (mirrored)
};

// The source span [from, to) that destination pixel `i` of an axis covers.
void SourceSpan(const Axis& a, LONG i, double& from, double& to) {
    const double scale = static_cast<double>(a.srcSize) / static_cast<double>(a.destSize);
    from = a.srcStart + i * scale;
    to = a.srcStart + (i + 1) * scale;
    if (from > to) std::swap(from, to);
}

COLORREF Nearest(const Pixels& src, const Axis& ax, const Axis& ay, LONG i, LONG j, bool& inside) {
    double x0, x1, y0, y1;
    SourceSpan(ax, i, x0, x1);
    SourceSpan(ay, j, y0, y1);
    auto sx = static_cast<LONG>(std::floor((x0 + x1) / 2)), sy = static_cast<LONG>(std::floor((y0 + y1) / 2));
    inside = src.InBitmap(sx, sy);
    return inside ? src.Read(sx, sy) : 0;
}

COLORREF Average(const Pixels& src, const Axis& ax, const Axis& ay, LONG i, LONG j, bool& inside) {
    double x0, x1, y0, y1;
    SourceSpan(ax, i, x0, x1);
    SourceSpan(ay, j, y0, y1);
    LONG left = static_cast<LONG>(std::floor(x0)), right = std::max(left + 1, static_cast<LONG>(std::ceil(x1)));
    LONG top = static_cast<LONG>(std::floor(y0)), bottom = std::max(top + 1, static_cast<LONG>(std::ceil(y1)));
    unsigned long sum[3] = {0, 0, 0}, count = 0;
    for (LONG y = top; y < bottom; ++y) {
        for (LONG x = left; x < right; ++x) {
            if (!src.InBitmap(x, y)) continue;
            COLORREF c = src.Read(x, y);
            sum[0] += GetRValue(c), sum[1] += GetGValue(c), sum[2] += GetBValue(c);
            ++count;
        }
    }
    inside = count > 0;
    if (!inside) return 0;
    return RGB((sum[0] + count / 2) / count, (sum[1] + count / 2) / count, (sum[2] + count / 2) / count);
}

// The destination pixel after the raster operation: SRCAND masks it with the source (a white
// source leaves it, black blackens it), SRCPAINT adds the source's light to it.
COLORREF Combine(DWORD rop, COLORREF dest, COLORREF source) {
    if (rop == SRCAND) return dest & source;
    if (rop == SRCPAINT) return dest | source;
    return source;
}

}  // namespace
}  // namespace plat::uidc

using namespace plat::uidc;

extern "C" {

int SetStretchBltMode(HDC hdc, int mode) {
    if (mode < BLACKONWHITE || mode > MAXSTRETCHBLTMODE) return 0;
    int old = 0;
    UpdateDc(hdc, [&](Dc& dc) { old = std::exchange(dc.stretchMode, mode); });
    return old;
}

int GetStretchBltMode(HDC hdc) {
    Dc dc;
    return ReadDc(hdc, dc) ? dc.stretchMode : 0;
}

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
                int hSrc, DWORD rop) {
    Dc dst, src;
    if ((rop != SRCCOPY && rop != SRCAND && rop != SRCPAINT) || !ReadDc(hdcDest, dst) || !ReadDc(hdcSrc, src) ||
        wDest == 0 || hDest == 0 || wSrc == 0 || hSrc == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (src.bitmap == dst.bitmap) return FALSE;  // no caller copies within one picture
    Pixels to(dst.bitmap, &dst), from(src.bitmap);
    if (!to.Usable() || !from.Usable()) return FALSE;
    // A negative size on one side only mirrors: the destination is walked from its far edge.
    const bool flipX = (wDest < 0) != (wSrc < 0), flipY = (hDest < 0) != (hSrc < 0);
    const LONG dw = std::abs(wDest), dh = std::abs(hDest);
    const LONG dLeft = wDest < 0 ? xDest + wDest + 1 : xDest, dTop = hDest < 0 ? yDest + hDest + 1 : yDest;
    const LONG sLeft = wSrc < 0 ? xSrc + wSrc + 1 : xSrc, sTop = hSrc < 0 ? ySrc + hSrc + 1 : ySrc;
    const Axis ax{dLeft, dw, flipX ? sLeft + std::abs(wSrc) : sLeft, flipX ? -std::abs(wSrc) : std::abs(wSrc)};
    const Axis ay{dTop, dh, flipY ? sTop + std::abs(hSrc) : sTop, flipY ? -std::abs(hSrc) : std::abs(hSrc)};
    const bool average = dst.stretchMode == HALFTONE;
    for (LONG j = 0; j < dh; ++j) {
        for (LONG i = 0; i < dw; ++i) {
            if (!to.Inside(dLeft + i, dTop + j)) continue;
            bool inside = false;
            COLORREF c = average ? Average(from, ax, ay, i, j, inside) : Nearest(from, ax, ay, i, j, inside);
            if (inside) to.Put(dLeft + i, dTop + j, Combine(rop, to.Read(dLeft + i, dTop + j), c));
        }
    }
    return TRUE;
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    if (rop != PATCOPY && rop != PATINVERT && rop != DSTINVERT && rop != BLACKNESS && rop != WHITENESS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return Drawing(hdc, [&](const Dc& dc, const Pixels& px) {
        // A negative width or height reaches left or up from the point.
        RECT r{std::min(x, x + w), std::min(y, y + h), std::max(x, x + w), std::max(y, y + h)};
        COLORREF brush = 0;
        bool hasBrush = BrushColor(static_cast<HBRUSH>(dc.brush), brush);
        if ((rop == PATCOPY || rop == PATINVERT) && !hasBrush) return true;  // a null brush paints nothing
        for (LONG yy = r.top; yy < r.bottom; ++yy) {
            for (LONG xx = r.left; xx < r.right; ++xx) {
                if (!px.Inside(xx, yy)) continue;
                BYTE* p = px.At(xx, yy);
                const BYTE pattern[3] = {GetBValue(brush), GetGValue(brush), GetRValue(brush)};
                for (int k = 0; k < 3; ++k) {
                    switch (rop) {
                        case PATCOPY:
                            p[k] = pattern[k];
                            break;
                        case PATINVERT:
                            p[k] = static_cast<BYTE>(p[k] ^ pattern[k]);
                            break;
                        case DSTINVERT:
                            p[k] = static_cast<BYTE>(~p[k]);
                            break;
                        case BLACKNESS:
                            p[k] = 0;
                            break;
                        default:
                            p[k] = 0xFF;
                            break;
                    }
                }
            }
        }
        return true;
    });
}

}  // extern "C"
