// Font objects as the engine hands them to a driver: the FONTOBJ with its notional-to-device
// transform and, for engine (TrueType) fonts, their IFIMETRICS; and applying a transform object
// to points, as XFORMOBJ_bApplyXform does.
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "win/ddi.h"
#include "win/kernel.h"

using namespace plat::gdi;

namespace {

struct Font {
    FONTOBJ fo{};  // first, so the FONTOBJ* handed out maps back to its Font
    XFORMOBJ* xform = nullptr;
    std::vector<ULONG_PTR> ifi;  // pointer-aligned copy of the IFIMETRICS block, empty for none
};

Font* AsFont(FONTOBJ* pfo) {
    return pfo && IsLoose(pfo) ? reinterpret_cast<Font*>(pfo) : nullptr;
}

// A coordinate brought back into LONG range: a transform may scale a point out of it.
LONG Saturate(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kMax = std::numeric_limits<LONG>::max();
    constexpr double kMin = std::numeric_limits<LONG>::min();
    return v >= kMax ? std::numeric_limits<LONG>::max() : v <= kMin ? std::numeric_limits<LONG>::min() : std::lround(v);
}

// The matrix of a mode: forward for XF_LTOL and XF_LTOFX, inverted for the INV modes; false when
// the matrix has no inverse.
bool ModeMatrix(const XFORML& m, ULONG iMode, double out[6]) {
    double a = m.eM11, b = m.eM12, c = m.eM21, d = m.eM22, dx = m.eDx, dy = m.eDy;
    if (iMode == XF_LTOL || iMode == XF_LTOFX) {
        out[0] = a, out[1] = b, out[2] = c, out[3] = d, out[4] = dx, out[5] = dy;
        return true;
    }
    const double det = a * d - b * c;
    if (det == 0 || !std::isfinite(det)) return false;
    // x' = x a + y c + dx, y' = x b + y d + dy (row vector times matrix); inverted the same way.
    out[0] = d / det, out[1] = -b / det, out[2] = -c / det, out[3] = a / det;
    out[4] = -(dx * out[0] + dy * out[2]);
    out[5] = -(dx * out[1] + dy * out[3]);
    return true;
}

}  // namespace

extern "C" {

XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo) {
    Font* f = AsFont(pfo);
    return f ? f->xform : nullptr;
}

IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo) {
    Font* f = AsFont(pfo);
    if (!f || f->ifi.empty()) return nullptr;
    return reinterpret_cast<IFIMETRICS*>(f->ifi.data());
}

BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut) {
    XFORML m{};
    if (!pvIn || !pvOut || iMode > XF_INV_FXTOL || XFORMOBJ_iGetXform(pxo, &m) == DDI_ERROR) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    double t[6];
    if (!ModeMatrix(m, iMode, t)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Fixed-point input (28.4) for XF_INV_FXTOL, fixed-point output for XF_LTOFX.
    const double inScale = iMode == XF_INV_FXTOL ? 1.0 / 16 : 1.0;
    const double outScale = iMode == XF_LTOFX ? 16.0 : 1.0;
    const auto* in = static_cast<const POINTL*>(pvIn);
    auto* out = static_cast<POINTL*>(pvOut);
    for (ULONG i = 0; i < cPoints; ++i) {
        const double x = in[i].x * inScale, y = in[i].y * inScale;
        const POINTL p{Saturate((x * t[0] + y * t[2] + t[4]) * outScale),
                       Saturate((x * t[1] + y * t[3] + t[5]) * outScale)};
        out[i] = p;
    }
    return TRUE;
}

FONTOBJ* PlatFontCreate(const PLAT_FONT_SETUP* setup) {
    if (!setup || (setup->ifi && setup->ifi->cjThis < sizeof(IFIMETRICS))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Font* f = new (std::nothrow) Font;
    if (!f) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    f->fo.iUniq = setup->iUniq;
    f->fo.iFace = setup->iFace;
    f->fo.flFontType = setup->flFontType;
    f->fo.iTTUniq = setup->iUniq;
    f->fo.sizLogResPpi = setup->sizLogResPpi;
    f->fo.ulStyleSize = setup->ulStyleSize;
    if (setup->hasXform) {
        f->xform = PlatXformCreate(&setup->xform);
        if (!f->xform) {
            delete f;
            return nullptr;
        }
    }
    if (setup->ifi) {
        f->ifi.resize((setup->ifi->cjThis + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR));
        std::memcpy(f->ifi.data(), setup->ifi, setup->ifi->cjThis);
    }
    AddLoose(f);
    return &f->fo;
}

void PlatFontDelete(FONTOBJ* pfo) {
    Font* f = AsFont(pfo);
    if (!f) return;
    RemoveLoose(f);
    if (f->xform) PlatXformDelete(f->xform);
    delete f;
}

}  // extern "C"
