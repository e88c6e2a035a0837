// Engine surfaces: bitmaps the engine manages (with its own bits or the caller's), device
// surfaces, the banding mark, association with a device, locking, deletion and erasing.
#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "plat_internal.h"
#include "win/kernel.h"

using namespace plat::gdi;

namespace {

// Memory a driver gets without BMF_ZEROINIT is not zero on the real engine either; a visible
// pattern makes a driver that relies on zeroed bits fail its tests instead of passing by luck.
constexpr BYTE kUninitialisedFill = 0xA5;
constexpr FLONG kKeptBitmapFlags = BMF_TOPDOWN | BMF_DONTCACHE | BMF_USERMEM | BMF_NOTSYSMEM;

bool SizeUsable(SIZEL sizl) {
    return sizl.cx > 0 && sizl.cy > 0;
}

HSURF CreateSurfaceWithoutBits(DHSURF dhsurf, SIZEL sizl, ULONG iFormat, USHORT iType) {
    if (!SizeUsable(sizl) || BitsPerPixel(iFormat) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    plat::Injection inj = plat::TakeInjection("EngCreateDeviceSurface");
    if (inj.due) {
        SetLastError(inj.error ? inj.error : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto surface = std::make_shared<Surface>();
    surface->so.dhsurf = dhsurf;
    surface->so.sizlBitmap = sizl;
    surface->so.iBitmapFormat = iFormat;
    surface->so.iType = iType;
    return reinterpret_cast<HSURF>(Insert(ObjectKind::Surface, surface));
}

void FillRow1bpp(BYTE* row, LONG left, LONG right, bool set) {
    // Pixels [left, right) of a 1-bpp row, most significant bit first.
    while (left < right && (left & 7)) {
        BYTE mask = static_cast<BYTE>(0x80 >> (left & 7));
        row[left >> 3] = set ? (row[left >> 3] | mask) : (row[left >> 3] & static_cast<BYTE>(~mask));
        left++;
    }
    LONG whole = (right - left) / 8;
    if (whole > 0) {
        std::memset(row + (left >> 3), set ? 0xFF : 0x00, static_cast<size_t>(whole));
        left += whole * 8;
    }
    while (left < right) {
        BYTE mask = static_cast<BYTE>(0x80 >> (left & 7));
        row[left >> 3] = set ? (row[left >> 3] | mask) : (row[left >> 3] & static_cast<BYTE>(~mask));
        left++;
    }
}

}  // namespace

extern "C" {

HBITMAP EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits) {
    ULONG bpp = BitsPerPixel(iFormat);
    if (!SizeUsable(sizl) || bpp == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const long long minRow = (static_cast<long long>(sizl.cx) * bpp + 7) / 8;
    const long long dwordRow = (static_cast<long long>(sizl.cx) * bpp + 31) / 32 * 4;
    long long stride = dwordRow;
    if (pvBits) {
        // The caller's scan lines are lWidth bytes apart and must each hold a whole row.
        if (lWidth < minRow) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        stride = lWidth;
    }
    // cjBits is 32 bits: larger bitmaps cannot be described, whatever the memory.
    if (stride > 0x7FFFFFFFLL / sizl.cy) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const long long total = stride * sizl.cy;
    plat::Injection inj = plat::TakeInjection("EngCreateBitmap");
    if (inj.due) {
        SetLastError(inj.error ? inj.error : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::shared_ptr<Surface> surface;
    try {
        surface = std::make_shared<Surface>();
        if (!pvBits) surface->bits.assign(static_cast<size_t>(total), (fl & BMF_NOZEROINIT) ? kUninitialisedFill : 0);
    } catch (const std::exception&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    BYTE* base = pvBits ? static_cast<BYTE*>(pvBits) : surface->bits.data();
    SURFOBJ& so = surface->so;
    so.sizlBitmap = sizl;
    so.cjBits = static_cast<ULONG>(total);
    so.pvBits = base;
    if (fl & BMF_TOPDOWN) {
        so.pvScan0 = base;
        so.lDelta = static_cast<LONG>(stride);
    } else {
        // Bottom-up: the first scan line in memory is the bottom row.
        so.pvScan0 = base + (sizl.cy - 1) * stride;
        so.lDelta = -static_cast<LONG>(stride);
    }
    so.iBitmapFormat = iFormat;
    so.iType = STYPE_BITMAP;
    so.fjBitmap = static_cast<USHORT>(fl & kKeptBitmapFlags);
    surface->stride = static_cast<LONG>(stride);
    return reinterpret_cast<HBITMAP>(Insert(ObjectKind::Surface, surface));
}

HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat) {
    return CreateSurfaceWithoutBits(dhsurf, sizl, iFormatCompat, STYPE_DEVICE);
}

HBITMAP EngCreateDeviceBitmap(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat) {
    return reinterpret_cast<HBITMAP>(CreateSurfaceWithoutBits(dhsurf, sizl, iFormatCompat, STYPE_DEVBITMAP));
}

BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
    auto guard = Lock();
    auto surface = FindSurface(hsurf);
    auto device = FindDevice(hdev);
    if (!surface || !device) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    surface->so.hdev = hdev;
    surface->so.dhpdev = device->dhpdev;
    surface->hooks = flHooks & HOOK_FLAGS;
    surface->associated = true;
    device->surface = hsurf;
    return TRUE;
}

BOOL EngMarkBandingSurface(HSURF hsurf) {
    auto guard = Lock();
    auto surface = FindSurface(hsurf);
    if (!surface) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    surface->banding = true;
    return TRUE;
}

BOOL EngDeleteSurface(HSURF hsurf) {
    if (!Remove(reinterpret_cast<ULONG_PTR>(hsurf), ObjectKind::Surface)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

SURFOBJ* EngLockSurface(HSURF hsurf) {
    auto guard = Lock();
    auto surface = FindSurface(hsurf);
    if (!surface) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    surface->locks++;
    return &surface->so;
}

void EngUnlockSurface(SURFOBJ* pso) {
    auto guard = Lock();
    Surface* surface = FromSurfobj(pso);
    if (!surface || surface->locks == 0) return;
    if (--surface->locks == 0 && surface->deleted) ForgetSurfobj(pso);
}

BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor) {
    auto guard = Lock();
    Surface* surface = FromSurfobj(pso);
    if (!surface || !prcl || !pso->pvScan0 || BitsPerPixel(pso->iBitmapFormat) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The rectangle is cut to the surface; nothing outside the bitmap is ever touched.
    LONG left = std::max<LONG>(prcl->left, 0);
    LONG top = std::max<LONG>(prcl->top, 0);
    LONG right = std::min<LONG>(prcl->right, pso->sizlBitmap.cx);
    LONG bottom = std::min<LONG>(prcl->bottom, pso->sizlBitmap.cy);
    for (LONG y = top; y < bottom && left < right; ++y) {
        if (pso->iBitmapFormat == BMF_1BPP) {
            FillRow1bpp(static_cast<BYTE*>(pso->pvScan0) + static_cast<ptrdiff_t>(y) * pso->lDelta, left, right,
                        (iColor & 1) != 0);
        } else {
            for (LONG x = left; x < right; ++x) PutPixel(*pso, x, y, iColor);
        }
    }
    pso->iUniq++;
    return TRUE;
}

// ---- Host side ----

PLAT_GDI_SURFACE_INFO PlatGdiSurfaceInfo(HSURF hsurf) {
    PLAT_GDI_SURFACE_INFO info{};
    auto guard = Lock();
    auto surface = FindSurface(hsurf);
    if (!surface) return info;
    info.valid = TRUE;
    info.banding = surface->banding;
    info.associated = surface->associated;
    info.hooks = surface->hooks;
    info.locks = surface->locks;
    info.iType = surface->so.iType;
    info.iBitmapFormat = surface->so.iBitmapFormat;
    info.size = surface->so.sizlBitmap;
    info.stride = surface->stride;
    info.topDown = (surface->so.fjBitmap & BMF_TOPDOWN) != 0;
    info.engineBits = !surface->bits.empty();
    return info;
}

ULONG PlatGdiObjectCount(void) {
    return Count();
}

}  // extern "C"
