// EngBitBlt: the engine's general bit-block transfer with a ROP4 (source, solid brush,
// destination and an optional 1-bpp mask) on bitmaps it can reach. The ROP is applied bitwise to
// the colour indices, as GDI does. A device-managed destination has no bits the engine can read:
// the engine draws into a white bitmap of the device's halftone format and hands it to the
// driver's DrvCopyBits.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "blit_geometry.h"
#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "win/kernel.h"

using namespace plat::gdi;

namespace {

thread_local int t_bitBltToDevice = 0;

bool UsesSource(BYTE rop3) {
    return ((rop3 >> 2) ^ rop3) & 0x33;
}
bool UsesPattern(BYTE rop3) {
    return ((rop3 >> 4) ^ rop3) & 0x0F;
}

// The ROP3 on three pixel values, bit by bit.
ULONG ApplyRop3(BYTE rop3, ULONG p, ULONG s, ULONG d) {
    ULONG result = 0;
    for (int i = 0; i < 8; ++i) {
        if (!(rop3 & (1u << i))) continue;
        result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return result;
}

BOOL BitBltOnBitmap(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                    const RECTL& target, const POINTL* pptlSrc, const POINTL* pptlMask, ULONG pattern, ROP4 rop4) {
    const BYTE fore = static_cast<BYTE>(rop4 & 0xFF), back = static_cast<BYTE>((rop4 >> 8) & 0xFF);
    const ULONG bpp = BitsPerPixel(psoTrg->iBitmapFormat);
    const ULONG valueMask = bpp >= 32 ? 0xFFFFFFFFu : ((1u << bpp) - 1);
    const bool source = UsesSource(fore) || (psoMask && UsesSource(back));
    const long long dx = source ? static_cast<long long>(pptlSrc->x) - target.left : 0;
    const long long dy = source ? static_cast<long long>(pptlSrc->y) - target.top : 0;
    const long long mx = psoMask ? static_cast<long long>(pptlMask ? pptlMask->x : 0) - target.left : 0;
    const long long my = psoMask ? static_cast<long long>(pptlMask ? pptlMask->y : 0) - target.top : 0;
    RECTL reach = target;
    // Source and mask pixels outside their bitmaps are not drawn.
    if (source)
        reach = Intersect(
            reach, RECTL{Clamp(-dx), Clamp(-dy), Clamp(psoSrc->sizlBitmap.cx - dx), Clamp(psoSrc->sizlBitmap.cy - dy)});
    if (psoMask)
        reach = Intersect(reach, RECTL{Clamp(-mx), Clamp(-my), Clamp(psoMask->sizlBitmap.cx - mx),
                                       Clamp(psoMask->sizlBitmap.cy - my)});
    std::vector<ULONG> row;
    for (const RECTL& piece : Pieces(psoTrg, pco, reach)) {
        const LONG w = piece.right - piece.left;
        for (LONG y = piece.top; y < piece.bottom; ++y) {
            // Read the whole row first: a copy within one surface may overlap.
            row.assign(static_cast<size_t>(w), 0);
            if (source)
                for (LONG x = 0; x < w; ++x)
                    row[x] = ConvertIndex(
                        *psoSrc, *psoTrg, pxlo,
                        GetPixel(*psoSrc, static_cast<LONG>(piece.left + x + dx), static_cast<LONG>(y + dy)));
            for (LONG x = 0; x < w; ++x) {
                const LONG tx = piece.left + x;
                BYTE rop3 = fore;
                if (psoMask && !GetPixel(*psoMask, static_cast<LONG>(tx + mx), static_cast<LONG>(y + my))) rop3 = back;
                const ULONG d = GetPixel(*psoTrg, tx, y);
                PutPixel(*psoTrg, tx, y, ApplyRop3(rop3, pattern, row[x], d) & valueMask);
            }
        }
    }
    psoTrg->iUniq++;
    return TRUE;
}

}  // namespace

extern "C" {

BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
               POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
    auto guard = Lock();
    rop4 &= 0xFFFF;
    const BYTE fore = static_cast<BYTE>(rop4 & 0xFF), back = static_cast<BYTE>((rop4 >> 8) & 0xFF);
    if (!psoTrg || !prclTrg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (psoMask && (!Drawable(psoMask) || psoMask->iBitmapFormat != BMF_1BPP)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool needSource = UsesSource(fore) || (psoMask && UsesSource(back));
    const bool needPattern = UsesPattern(fore) || (psoMask && UsesPattern(back));
    if (needSource && (!Drawable(psoSrc) || !pptlSrc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ULONG pattern = 0;
    if (needPattern) {
        if (!pbo) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (pbo->iSolidColor == 0xFFFFFFFFu) {
            // Pattern brushes are realised by the driver for its own surfaces; this engine does
            // not draw them onto bitmaps, and says so instead of drawing them wrong.
            SetLastError(ERROR_NOT_SUPPORTED);
            return FALSE;
        }
        pattern = pbo->iSolidColor;
    }
    (void)pptlBrush;
    const RECTL target{std::min(prclTrg->left, prclTrg->right), std::min(prclTrg->top, prclTrg->bottom),
                       std::max(prclTrg->left, prclTrg->right), std::max(prclTrg->top, prclTrg->bottom)};
    if (Empty(target)) return TRUE;

    if (Drawable(psoTrg))
        return BitBltOnBitmap(psoTrg, psoSrc, psoMask, pco, pxlo, target, pptlSrc, pptlMask, pattern, rop4);

    // A device surface: draw into a white bitmap of the device's halftone format, then hand it to
    // the driver's DrvCopyBits.
    Surface* dest = FromSurfobj(psoTrg);
    auto device = dest ? FindDevice(psoTrg->hdev) : nullptr;
    auto copyBits = device && (dest->hooks & HOOK_COPYBITS)
                        ? reinterpret_cast<PFN_DrvCopyBits>(PlatGdiDeviceHook(psoTrg->hdev, INDEX_DrvCopyBits))
                        : nullptr;
    if (!copyBits || t_bitBltToDevice > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECTL d = Intersect(target, RECTL{0, 0, psoTrg->sizlBitmap.cx, psoTrg->sizlBitmap.cy});
    if (Empty(d)) return TRUE;
    HSURF temp = reinterpret_cast<HSURF>(
        EngCreateBitmap(SIZEL{d.right - d.left, d.bottom - d.top}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr));
    if (!temp) return FALSE;
    SURFOBJ* tso = EngLockSurface(temp);
    RECTL all{0, 0, d.right - d.left, d.bottom - d.top};
    EngEraseSurface(tso, &all, 1);
    POINTL src = pptlSrc ? POINTL{Clamp(static_cast<long long>(pptlSrc->x) + (d.left - target.left)),
                                  Clamp(static_cast<long long>(pptlSrc->y) + (d.top - target.top))}
                         : POINTL{0, 0};
    POINTL mask = pptlMask ? POINTL{Clamp(static_cast<long long>(pptlMask->x) + (d.left - target.left)),
                                    Clamp(static_cast<long long>(pptlMask->y) + (d.top - target.top))}
                           : POINTL{d.left - target.left, d.top - target.top};
    // The solid colour is in the device's format: onto 1 bpp by its brightness.
    ULONG monoPattern = pattern;
    if (needPattern && psoTrg->iBitmapFormat != BMF_1BPP) {
        const ULONG rgb = psoTrg->iBitmapFormat >= BMF_24BPP
                              ? (((pattern >> 16) & 0xFF) | (pattern & 0xFF00) | ((pattern & 0xFF) << 16))
                              : pattern * 0x010101;
        monoPattern = Luminance(rgb) >= 128 ? 1 : 0;
    }
    // The translation targets the device's format, not the bitmap's: sources map by brightness.
    BOOL ok = BitBltOnBitmap(tso, psoSrc, psoMask, nullptr, nullptr, all, needSource ? &src : nullptr, &mask,
                             monoPattern, rop4);
    if (ok) {
        POINTL zero{0, 0};
        RECTL piece = d;
        t_bitBltToDevice++;
        ok = copyBits(psoTrg, tso, pco, nullptr, &piece, &zero);
        t_bitBltToDevice--;
    }
    EngUnlockSurface(tso);
    EngDeleteSurface(temp);
    return ok;
}

}  // extern "C"
