// Brush objects: solid brushes and pattern brushes that the driver realises through its own
// DrvRealizeBrush when it first asks for the realisation.
#include <exception>
#include <new>
#include <vector>

#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "plat_internal.h"
#include "win/kernel.h"

using namespace plat::gdi;

namespace {

struct Brush {
    BRUSHOBJ bo{};
    ULONG rgb = 0xFFFFFFFFu;
    HDEV hdev = nullptr;
    SURFOBJ* target = nullptr;
    HSURF pattern = nullptr;
    HSURF mask = nullptr;
    XLATEOBJ* xlate = nullptr;
    ULONG hatch = 0xFFFFFFFFu;
    std::vector<BYTE> realisation;  // the block pvAllocRbrush gave the driver
    bool realising = false;
};

Brush* AsBrush(BRUSHOBJ* pbo) {
    return pbo && IsLoose(pbo) ? reinterpret_cast<Brush*>(pbo) : nullptr;
}

Brush* NewBrush() {
    Brush* b = new (std::nothrow) Brush;
    if (!b) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return b;
}

}  // namespace

extern "C" {

BRUSHOBJ* PlatBrushCreateSolid(ULONG iSolidColor, ULONG rgb) {
    Brush* b = NewBrush();
    if (!b) return nullptr;
    b->bo.iSolidColor = iSolidColor;
    b->rgb = rgb & 0xFFFFFF;
    AddLoose(b);
    return &b->bo;
}

BRUSHOBJ* PlatBrushCreatePattern(HDEV hdev, SURFOBJ* psoTarget, HSURF hsurfPattern, HSURF hsurfMask, XLATEOBJ* pxlo,
                                 ULONG iHatch) {
    if (!FindDevice(hdev) || (hsurfPattern && !FindSurface(hsurfPattern)) || (hsurfMask && !FindSurface(hsurfMask))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    Brush* b = NewBrush();
    if (!b) return nullptr;
    b->bo.iSolidColor = 0xFFFFFFFFu;
    b->hdev = hdev;
    b->target = psoTarget;
    b->pattern = hsurfPattern;
    b->mask = hsurfMask;
    b->xlate = pxlo;
    b->hatch = iHatch;
    AddLoose(b);
    return &b->bo;
}

void PlatBrushDelete(BRUSHOBJ* pbo) {
    plat::gdi::DeleteLoose(AsBrush(pbo));
}

PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj) {
    Brush* b = AsBrush(pbo);
    if (!b || cj == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (plat::FailNow("BRUSHOBJ_pvAllocRbrush", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    try {
        b->realisation.assign(cj, 0);
    } catch (const std::exception&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // Outside a realisation the block becomes the brush's realisation at once.
    if (!b->realising) b->bo.pvRbrush = b->realisation.data();
    return b->realisation.data();
}

PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo) {
    Brush* b = AsBrush(pbo);
    if (!b) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (b->bo.pvRbrush) return b->bo.pvRbrush;
    if (!b->hdev) return nullptr;  // solid brushes carry their colour, not a realisation
    auto realize = reinterpret_cast<PFN_DrvRealizeBrush>(PlatGdiDeviceHook(b->hdev, INDEX_DrvRealizeBrush));
    if (!realize) return nullptr;
    SURFOBJ* pattern = b->pattern ? EngLockSurface(b->pattern) : nullptr;
    SURFOBJ* mask = b->mask ? EngLockSurface(b->mask) : nullptr;
    b->realisation.clear();
    b->realising = true;
    BOOL ok = realize(&b->bo, b->target, pattern, mask, b->xlate, b->hatch);
    b->realising = false;
    if (mask) EngUnlockSurface(mask);
    if (pattern) EngUnlockSurface(pattern);
    if (ok && !b->realisation.empty()) b->bo.pvRbrush = b->realisation.data();
    return b->bo.pvRbrush;
}

ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo) {
    Brush* b = AsBrush(pbo);
    if (!b) return 0xFFFFFFFFu;
    return b->hdev ? 0xFFFFFFFFu : b->rgb;
}

}  // extern "C"
