// Palettes and colour translation objects.
#include <algorithm>
#include <new>

#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "plat_internal.h"
#include "win/kernel.h"

using namespace plat::gdi;

namespace {

struct Xlate {
    XLATEOBJ xo{};
    std::vector<ULONG> table;
    std::shared_ptr<Palette> src, dst;  // null: the identity
};

constexpr ULONG kPaletteModes = PAL_INDEXED | PAL_BITFIELDS | PAL_RGB | PAL_BGR | PAL_CMYK;

ULONG Channel(ULONG value, FLONG mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) shift++;
    ULONG bits = mask >> shift;
    ULONG v = (value & mask) >> shift;
    return bits == 0xFF ? v : v * 255 / bits;
}

ULONG PackChannel(ULONG v8, FLONG mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) shift++;
    ULONG bits = mask >> shift;
    return ((v8 * bits + 127) / 255) << shift;
}

ULONG SwapRedBlue(ULONG c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Colour index of a palette to 0x00BBGGRR.
ULONG ToRgb(const Palette* pal, ULONG index) {
    if (!pal) return index & 0xFFFFFF;
    switch (pal->mode) {
        case PAL_INDEXED:
            return index < pal->colors.size() ? pal->colors[index] & 0xFFFFFF : 0;
        case PAL_RGB:
            return index & 0xFFFFFF;
        case PAL_BGR:
            return SwapRedBlue(index);
        case PAL_BITFIELDS:
            return Channel(index, pal->red) | (Channel(index, pal->green) << 8) | (Channel(index, pal->blue) << 16);
        default:
            return index & 0xFFFFFF;
    }
}

// 0x00BBGGRR to the nearest colour index of a palette.
ULONG FromRgb(const Palette* pal, ULONG rgb) {
    if (!pal) return rgb;
    switch (pal->mode) {
        case PAL_INDEXED: {
            ULONG best = 0;
            long bestDistance = -1;
            for (ULONG i = 0; i < pal->colors.size(); ++i) {
                ULONG c = pal->colors[i];
                long dr = static_cast<long>(c & 0xFF) - static_cast<long>(rgb & 0xFF);
                long dg = static_cast<long>((c >> 8) & 0xFF) - static_cast<long>((rgb >> 8) & 0xFF);
                long db = static_cast<long>((c >> 16) & 0xFF) - static_cast<long>((rgb >> 16) & 0xFF);
                long d = dr * dr + dg * dg + db * db;
                if (bestDistance < 0 || d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            return best;
        }
        case PAL_RGB:
            return rgb & 0xFFFFFF;
        case PAL_BGR:
            return SwapRedBlue(rgb);
        case PAL_BITFIELDS:
            return PackChannel(rgb & 0xFF, pal->red) | PackChannel((rgb >> 8) & 0xFF, pal->green) |
                   PackChannel((rgb >> 16) & 0xFF, pal->blue);
        default:
            return rgb;
    }
}

Xlate* AsXlate(XLATEOBJ* pxlo) {
    // Only objects this engine made are followed.
    return pxlo && IsLoose(pxlo) ? reinterpret_cast<Xlate*>(pxlo) : nullptr;
}

}  // namespace

extern "C" {

HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen, FLONG flBlue) {
    if (!iMode || (iMode & ~kPaletteModes) || (iMode & (iMode - 1)) ||
        (iMode == PAL_INDEXED && (cColors == 0 || cColors > 65536)) ||
        (iMode == PAL_BITFIELDS && !(flRed | flGreen | flBlue))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    plat::Injection inj = plat::TakeInjection("EngCreatePalette");
    if (inj.due) {
        SetLastError(inj.error ? inj.error : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto pal = std::make_shared<Palette>();
    pal->mode = iMode;
    if (iMode == PAL_INDEXED) {
        // Without colours the entries start black.
        pal->colors.assign(cColors, 0);
        if (pulColors) std::copy(pulColors, pulColors + cColors, pal->colors.begin());
    }
    pal->red = flRed;
    pal->green = flGreen;
    pal->blue = flBlue;
    return reinterpret_cast<HPALETTE>(Insert(ObjectKind::Palette, pal));
}

BOOL EngDeletePalette(HPALETTE hpal) {
    if (!Remove(reinterpret_cast<ULONG_PTR>(hpal), ObjectKind::Palette)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor) {
    Xlate* x = AsXlate(pxlo);
    if (!x || (x->xo.flXlate & XO_TRIVIAL)) return iColor;
    if (x->xo.flXlate & XO_TABLE) return iColor < x->table.size() ? x->table[iColor] : 0;
    return FromRgb(x->dst.get(), ToRgb(x->src.get(), iColor));
}

ULONG XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal) {
    Xlate* x = AsXlate(pxlo);
    if (!x) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const Palette* pal = iPal == XO_SRCPALETTE                                  ? x->src.get()
                         : (iPal == XO_DESTPALETTE || iPal == XO_DESTDCPALETTE) ? x->dst.get()
                                                                                : nullptr;
    if (!pal || pal->mode != PAL_INDEXED) return 0;
    ULONG n = static_cast<ULONG>(pal->colors.size());
    if (!pPal) return n;
    n = std::min(n, cPal);
    std::copy(pal->colors.begin(), pal->colors.begin() + n, pPal);
    return n;
}

XLATEOBJ* PlatXlateCreate(HPALETTE hpalSrc, HPALETTE hpalDst) {
    auto x = new (std::nothrow) Xlate;
    if (!x) return nullptr;
    x->src = hpalSrc ? FindPalette(hpalSrc) : nullptr;
    x->dst = hpalDst ? FindPalette(hpalDst) : nullptr;
    if ((hpalSrc && !x->src) || (hpalDst && !x->dst)) {
        delete x;
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    x->xo.iUniq = 1;
    x->xo.iSrcType = static_cast<USHORT>(x->src ? x->src->mode : PAL_RGB);
    x->xo.iDstType = static_cast<USHORT>(x->dst ? x->dst->mode : PAL_RGB);
    if (x->src == x->dst) {
        x->xo.flXlate = XO_TRIVIAL;
    } else if (x->src && x->src->mode == PAL_INDEXED) {
        x->xo.flXlate = XO_TABLE;
        for (ULONG c : x->src->colors) x->table.push_back(FromRgb(x->dst.get(), c & 0xFFFFFF));
        x->xo.cEntries = static_cast<ULONG>(x->table.size());
        x->xo.pulXlate = x->table.data();
    }
    if (x->dst && x->dst->mode == PAL_INDEXED && x->dst->colors.size() == 2) x->xo.flXlate |= XO_TO_MONO;
    AddLoose(x);
    return &x->xo;
}

void PlatXlateDelete(XLATEOBJ* pxlo) {
    plat::gdi::DeleteLoose(AsXlate(pxlo));
}

}  // extern "C"
