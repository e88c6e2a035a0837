// Bit-block transfers the engine does on bitmaps it can reach: EngCopyBits and EngStretchBlt
// (nearest-pixel stretching; black-on-white and white-on-black shrinking keep thin lines on
// 1-bpp bitmaps; halftone stretching to 1 bpp dithers with an ordered 8 x 8 pattern).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "blit_geometry.h"
#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "win/kernel.h"

using namespace plat::gdi;

namespace {

ULONG FormatOfHalftone(ULONG htFormat) {
    switch (htFormat) {
        case HT_FORMAT_1BPP:
            return BMF_1BPP;
        case HT_FORMAT_4BPP:
        case HT_FORMAT_4BPP_IRGB:
            return BMF_4BPP;
        case HT_FORMAT_8BPP:
            return BMF_8BPP;
        case HT_FORMAT_16BPP:
            return BMF_16BPP;
        case HT_FORMAT_24BPP:
            return BMF_24BPP;
        case HT_FORMAT_32BPP:
            return BMF_32BPP;
        default:
            return 0;
    }
}

thread_local int t_copyBitsDepth = 0;

constexpr BYTE kBayer8[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

}  // namespace

extern "C" {

// A device-managed destination has no bits the engine can reach: the engine stretches (and
// halftones) into a bitmap of its own and hands that to the driver's DrvCopyBits, as GDI does.
static BOOL StretchToDevice(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT* pca,
                            POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, ULONG iMode) {
    Surface* dest = FromSurfobj(psoDest);
    auto device = dest ? FindDevice(psoDest->hdev) : nullptr;
    auto copyBits = device && (dest->hooks & HOOK_COPYBITS)
                        ? reinterpret_cast<PFN_DrvCopyBits>(PlatGdiDeviceHook(psoDest->hdev, INDEX_DrvCopyBits))
                        : nullptr;
    if (!copyBits || t_copyBitsDepth > 0) {
        // Without the hook (or from inside the driver's own DrvCopyBits) nothing can draw here.
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const ULONG format = iMode == HALFTONE ? FormatOfHalftone(device->halftoneFormat) : psoDest->iBitmapFormat;
    RECTL d{std::min(prclDest->left, prclDest->right), std::min(prclDest->top, prclDest->bottom),
            std::max(prclDest->left, prclDest->right), std::max(prclDest->top, prclDest->bottom)};
    d = Intersect(d, RECTL{0, 0, psoDest->sizlBitmap.cx, psoDest->sizlBitmap.cy});
    if (Empty(d)) return TRUE;
    if (BitsPerPixel(format) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HSURF temp = reinterpret_cast<HSURF>(
        EngCreateBitmap(SIZEL{d.right - d.left, d.bottom - d.top}, 0, format, BMF_TOPDOWN, nullptr));
    if (!temp) return FALSE;
    SURFOBJ* tso = EngLockSurface(temp);
    // The whole stretch runs in the bitmap's frame: the destination moves by the piece's origin.
    RECTL shifted{Clamp(static_cast<long long>(prclDest->left) - d.left),
                  Clamp(static_cast<long long>(prclDest->top) - d.top),
                  Clamp(static_cast<long long>(prclDest->right) - d.left),
                  Clamp(static_cast<long long>(prclDest->bottom) - d.top)};
    POINTL org{Clamp(static_cast<long long>(pptlHTOrg ? pptlHTOrg->x : 0) - d.left),
               Clamp(static_cast<long long>(pptlHTOrg ? pptlHTOrg->y : 0) - d.top)};
    BOOL ok = EngStretchBlt(tso, psoSrc, nullptr, nullptr, iMode == HALFTONE ? nullptr : pxlo, pca, &org, &shifted,
                            prclSrc, nullptr, iMode);
    if (ok) {
        POINTL zero{0, 0};
        t_copyBitsDepth++;
        ok = copyBits(psoDest, tso, pco, nullptr, &d, &zero);
        t_copyBitsDepth--;
    }
    EngUnlockSurface(tso);
    EngDeleteSurface(temp);
    return ok;
}

BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest, POINTL* pptlSrc) {
    auto guard = Lock();
    if (!Drawable(psoDest) || !Drawable(psoSrc) || !prclDest || !pptlSrc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // 64-bit offsets: far-off rectangles must not overflow into the bitmaps.
    const long long dx = static_cast<long long>(pptlSrc->x) - prclDest->left;
    const long long dy = static_cast<long long>(pptlSrc->y) - prclDest->top;
    // Source pixels outside the source bitmap are not drawn.
    RECTL reach{Clamp(-dx), Clamp(-dy), Clamp(psoSrc->sizlBitmap.cx - dx), Clamp(psoSrc->sizlBitmap.cy - dy)};
    std::vector<ULONG> copy;
    for (const RECTL& piece : Pieces(psoDest, pco, Intersect(*prclDest, reach))) {
        const LONG w = piece.right - piece.left;
        for (LONG y = piece.top; y < piece.bottom; ++y) {
            // Overlapping copies on one surface read the whole row before writing it.
            copy.resize(static_cast<size_t>(w));
            for (LONG x = 0; x < w; ++x)
                copy[x] = GetPixel(*psoSrc, static_cast<LONG>(piece.left + x + dx), static_cast<LONG>(y + dy));
            for (LONG x = 0; x < w; ++x)
                PutPixel(*psoDest, piece.left + x, y, ConvertIndex(*psoSrc, *psoDest, pxlo, copy[x]));
        }
    }
    psoDest->iUniq++;
    return TRUE;
}

BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                   ULONG iMode) {
    auto guard = Lock();
    if (psoDest && !psoDest->pvScan0 && Drawable(psoSrc) && prclDest && prclSrc && !psoMask && iMode >= BLACKONWHITE &&
        iMode <= HALFTONE)
        return StretchToDevice(psoDest, psoSrc, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, iMode);
    if (!Drawable(psoDest) || !Drawable(psoSrc) || !prclDest || !prclSrc || iMode < BLACKONWHITE || iMode > HALFTONE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (psoMask) {
        // Masked stretching is not drawn by this engine; say so instead of drawing it wrong.
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    // A reversed destination rectangle mirrors the image.
    const bool mirrorX = prclDest->left > prclDest->right, mirrorY = prclDest->top > prclDest->bottom;
    RECTL d{std::min(prclDest->left, prclDest->right), std::min(prclDest->top, prclDest->bottom),
            std::max(prclDest->left, prclDest->right), std::max(prclDest->top, prclDest->bottom)};
    const RECTL& s = *prclSrc;
    const long long dw = static_cast<long long>(d.right) - d.left, dh = static_cast<long long>(d.bottom) - d.top;
    const long long sw = static_cast<long long>(s.right) - s.left, sh = static_cast<long long>(s.bottom) - s.top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return TRUE;  // nothing to draw

    const bool mono = psoDest->iBitmapFormat == BMF_1BPP && psoSrc->iBitmapFormat == BMF_1BPP && !pxlo;
    const bool combine = mono && (iMode == BLACKONWHITE || iMode == WHITEONBLACK);
    const bool dither = iMode == HALFTONE && psoDest->iBitmapFormat == BMF_1BPP && psoSrc->iBitmapFormat != BMF_1BPP;
    const LONG orgX = pptlHTOrg ? pptlHTOrg->x : 0, orgY = pptlHTOrg ? pptlHTOrg->y : 0;

    for (const RECTL& piece : Pieces(psoDest, pco, d)) {
        for (LONG y = piece.top; y < piece.bottom; ++y) {
            long long oy = mirrorY ? (static_cast<long long>(d.bottom) - 1 - y) : (static_cast<long long>(y) - d.top);
            long long sy0 = s.top + oy * sh / dh, sy1 = s.top + (oy + 1) * sh / dh;
            if (sy1 <= sy0) sy1 = sy0 + 1;
            for (LONG x = piece.left; x < piece.right; ++x) {
                long long ox =
                    mirrorX ? (static_cast<long long>(d.right) - 1 - x) : (static_cast<long long>(x) - d.left);
                long long sx0 = s.left + ox * sw / dw, sx1 = s.left + (ox + 1) * sw / dw;
                if (sx1 <= sx0) sx1 = sx0 + 1;
                if (sx0 < 0 || sy0 < 0 || sx0 >= psoSrc->sizlBitmap.cx || sy0 >= psoSrc->sizlBitmap.cy) continue;
                ULONG value;
                if (combine) {
                    // Black (0) wins on black-on-white, white (1) on white-on-black.
                    value = iMode == BLACKONWHITE ? 1 : 0;
                    for (long long yy = sy0; yy < std::min<long long>(sy1, psoSrc->sizlBitmap.cy); ++yy)
                        for (long long xx = sx0; xx < std::min<long long>(sx1, psoSrc->sizlBitmap.cx); ++xx) {
                            ULONG p = GetPixel(*psoSrc, static_cast<LONG>(xx), static_cast<LONG>(yy));
                            value = iMode == BLACKONWHITE ? (value & p) : (value | p);
                        }
                } else {
                    ULONG p = GetPixel(*psoSrc, static_cast<LONG>(sx0), static_cast<LONG>(sy0));
                    if (dither) {
                        ULONG rgb = NaturalRgb(*psoSrc, p);
                        ULONG level = Luminance(rgb) * 64 / 256;
                        value = level > kBayer8[(y - orgY) & 7][(x - orgX) & 7] ? 1 : 0;
                    } else {
                        value = ConvertIndex(*psoSrc, *psoDest, pxlo, p);
                    }
                }
                PutPixel(*psoDest, x, y, value);
            }
        }
    }
    psoDest->iUniq++;
    return TRUE;
}

}  // extern "C"
