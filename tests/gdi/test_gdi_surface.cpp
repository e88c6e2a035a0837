// Engine surfaces: strides and scan-line order of EngCreateBitmap, the banding surface set-up
// the graphics DLL makes, handle lifetime, erasing, palettes and engine memory.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plat/control.h"
#include "plat/gdi_control.h"
#include "win/ddi.h"
#include "win/kernel.h"

namespace {

HSURF AsSurf(HBITMAP hbm) {
    return reinterpret_cast<HSURF>(hbm);
}

struct StrideCase {
    const char* name;
    ULONG format;
    LONG cx, cy;
    FLONG flags;
    LONG lWidth;
    bool callerBits;
    LONG expectStride;  // 0: creation fails
};

TEST(EngCreateBitmap, StridesAndScanLineOrder) {
    const StrideCase cases[] = {
        {"1bpp one pixel is one dword", BMF_1BPP, 1, 3, BMF_TOPDOWN, 0, false, 4},
        {"1bpp 32 pixels", BMF_1BPP, 32, 2, 0, 0, false, 4},
        {"1bpp 33 pixels", BMF_1BPP, 33, 2, 0, 0, false, 8},
        {"engine bits ignore a short lWidth", BMF_1BPP, 100, 2, 0, 1, false, 16},
        {"8bpp 7 pixels", BMF_8BPP, 7, 2, BMF_TOPDOWN, 0, false, 8},
        {"24bpp 3 pixels", BMF_24BPP, 3, 2, 0, 0, false, 12},
        {"32bpp 5 pixels", BMF_32BPP, 5, 2, BMF_TOPDOWN, 0, false, 20},
        {"caller bits keep their byte stride", BMF_1BPP, 40, 3, BMF_TOPDOWN, 5, true, 5},
        {"caller bits, wider stride", BMF_24BPP, 2, 3, 0, 16, true, 16},
        {"caller stride too short", BMF_1BPP, 40, 3, BMF_TOPDOWN, 4, true, 0},
        {"zero width", BMF_1BPP, 0, 3, 0, 0, false, 0},
        {"negative height", BMF_8BPP, 5, -3, 0, 0, false, 0},
        {"run-length format not drawable", BMF_8RLE, 5, 3, 0, 0, false, 0},
        {"unknown format", 42, 5, 3, 0, 0, false, 0},
    };
    for (const StrideCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> own(c.callerBits ? static_cast<size_t>(c.lWidth) * 3 : 0);
        SetLastError(0);
        HBITMAP hbm =
            EngCreateBitmap(SIZEL{c.cx, c.cy}, c.lWidth, c.format, c.flags, c.callerBits ? own.data() : nullptr);
        if (c.expectStride == 0) {
            EXPECT_EQ(hbm, nullptr);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
            continue;
        }
        ASSERT_NE(hbm, nullptr);
        SURFOBJ* so = EngLockSurface(AsSurf(hbm));
        ASSERT_NE(so, nullptr);
        EXPECT_EQ(so->hsurf, AsSurf(hbm));
        EXPECT_EQ(so->iType, STYPE_BITMAP);
        EXPECT_EQ(so->iBitmapFormat, c.format);
        EXPECT_EQ(so->sizlBitmap.cx, c.cx);
        EXPECT_EQ(so->cjBits, static_cast<ULONG>(c.expectStride * c.cy));
        BYTE* base = static_cast<BYTE*>(so->pvBits);
        if (c.callerBits) {
            EXPECT_EQ(base, own.data());
        }
        if (c.flags & BMF_TOPDOWN) {
            EXPECT_EQ(so->lDelta, c.expectStride);
            EXPECT_EQ(so->pvScan0, base);
        } else {
            EXPECT_EQ(so->lDelta, -c.expectStride);
            EXPECT_EQ(so->pvScan0, base + (c.cy - 1) * c.expectStride);
        }
        PLAT_GDI_SURFACE_INFO info = PlatGdiSurfaceInfo(AsSurf(hbm));
        EXPECT_EQ(info.stride, c.expectStride);
        EXPECT_EQ(info.engineBits, !c.callerBits);
        EngUnlockSurface(so);
        EXPECT_TRUE(EngDeleteSurface(AsSurf(hbm)));
    }
}

TEST(EngCreateBitmap, ZeroFillUnlessAskedNotTo) {
    HBITMAP zeroed = EngCreateBitmap(SIZEL{64, 4}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
    HBITMAP raw = EngCreateBitmap(SIZEL{64, 4}, 0, BMF_1BPP, BMF_TOPDOWN | BMF_NOZEROINIT, nullptr);
    SURFOBJ* a = EngLockSurface(AsSurf(zeroed));
    SURFOBJ* b = EngLockSurface(AsSurf(raw));
    ASSERT_TRUE(a && b);
    std::vector<BYTE> zeros(a->cjBits, 0);
    EXPECT_EQ(std::memcmp(a->pvBits, zeros.data(), a->cjBits), 0);
    // Uninitialised bits are not zero, so a driver that forgets to clear them shows it.
    EXPECT_NE(std::memcmp(b->pvBits, zeros.data(), b->cjBits), 0);
    EngUnlockSurface(a);
    EngUnlockSurface(b);
    EngDeleteSurface(AsSurf(zeroed));
    EngDeleteSurface(AsSurf(raw));
}

TEST(EngCreateBitmap, HugeOrFailingAllocationGivesNullAndError) {
    SetLastError(0);
    EXPECT_EQ(EngCreateBitmap(SIZEL{0x7FFFFFF0, 0x7FFFFFF0}, 0, BMF_32BPP, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    PlatInjectFailure("EngCreateBitmap", 1, ERROR_NOT_ENOUGH_MEMORY);
    SetLastError(0);
    EXPECT_EQ(EngCreateBitmap(SIZEL{16, 16}, 0, BMF_1BPP, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    HBITMAP next = EngCreateBitmap(SIZEL{16, 16}, 0, BMF_1BPP, 0, nullptr);
    EXPECT_NE(next, nullptr);
    EngDeleteSurface(AsSurf(next));
    PlatClearInjections();
}

// The set-up of the graphics DLL's banding surface: a 1-bpp top-down bitmap marked for banding
// and associated with the device, hooking blits; the fallback is a device surface.
TEST(EngSurfaces, BandingSurfaceAndDeviceSurfaceSetUp) {
    ULONG before = PlatGdiObjectCount();
    PLAT_GDI_DEVICE_SETUP setup{nullptr, u"P", u"C:\\drv\\Quessa.dll", u"C:\\drv\\model.txt"};
    HDEV hdev = PlatGdiCreateDevice(&setup);
    ASSERT_NE(hdev, nullptr);
    int pdevMarker = 0;
    DHPDEV dhpdev = reinterpret_cast<DHPDEV>(&pdevMarker);
    ASSERT_TRUE(PlatGdiBindDevice(hdev, dhpdev, nullptr, 0));

    const LONG width = 4961;
    const LONG row = (width + 31) / 8 & ~3;
    HBITMAP band =
        EngCreateBitmap(SIZEL{width, 128}, row, BMF_1BPP, BMF_TOPDOWN | BMF_NOZEROINIT | BMF_USERMEM, nullptr);
    ASSERT_NE(band, nullptr);
    EXPECT_TRUE(EngMarkBandingSurface(AsSurf(band)));
    EXPECT_TRUE(EngAssociateSurface(AsSurf(band), hdev, HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_COPYBITS));
    PLAT_GDI_SURFACE_INFO info = PlatGdiSurfaceInfo(AsSurf(band));
    EXPECT_TRUE(info.banding);
    EXPECT_TRUE(info.associated);
    EXPECT_EQ(info.hooks, 0x403u);
    EXPECT_EQ(info.stride, row);
    SURFOBJ* so = EngLockSurface(AsSurf(band));
    ASSERT_NE(so, nullptr);
    EXPECT_EQ(so->hdev, hdev);
    EXPECT_EQ(so->dhpdev, dhpdev);
    EngUnlockSurface(so);
    // An application's device context names the device; the device knows its surface.
    const DWORD dc = PlatGdiDcOfDevice(hdev);
    EXPECT_NE(dc, 0u);
    EXPECT_EQ(PlatGdiDeviceOfDc(dc), hdev);
    EXPECT_EQ(PlatGdiDeviceOfDc(0), nullptr);
    EXPECT_EQ(PlatGdiDeviceOfDc(dc + 2), nullptr);
    EXPECT_EQ(PlatGdiDeviceSurface(hdev), AsSurf(band));

    HSURF device = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(&pdevMarker), SIZEL{width, 7016}, BMF_24BPP);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(EngAssociateSurface(device, hdev, 0x4FB));
    EXPECT_EQ(PlatGdiDeviceSurface(hdev), device) << "the surface last associated";
    so = EngLockSurface(device);
    ASSERT_NE(so, nullptr);
    EXPECT_EQ(so->iType, STYPE_DEVICE);
    EXPECT_EQ(so->pvBits, nullptr);
    EXPECT_EQ(so->dhsurf, reinterpret_cast<DHSURF>(&pdevMarker));
    // The engine cannot erase bits a device surface does not have.
    RECTL all{0, 0, width, 10};
    EXPECT_FALSE(EngEraseSurface(so, &all, 0xFFFFFF));
    EngUnlockSurface(so);

    // Association needs a live device and a live surface.
    SetLastError(0);
    EXPECT_FALSE(EngAssociateSurface(device, reinterpret_cast<HDEV>(&pdevMarker), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(EngMarkBandingSurface(reinterpret_cast<HSURF>(0x1234)));
    EXPECT_EQ(EngCreateDeviceSurface(nullptr, SIZEL{0, 10}, BMF_24BPP), nullptr);

    EXPECT_TRUE(EngDeleteSurface(device));
    EXPECT_TRUE(EngDeleteSurface(AsSurf(band)));
    EXPECT_TRUE(PlatGdiDeleteDevice(hdev));
    EXPECT_EQ(PlatGdiObjectCount(), before);
}

TEST(EngSurfaces, DeletedHandlesAreRefusedAndLockedSurfacesOutliveDeletion) {
    ULONG before = PlatGdiObjectCount();
    HBITMAP hbm = EngCreateBitmap(SIZEL{8, 8}, 0, BMF_8BPP, BMF_TOPDOWN, nullptr);
    SURFOBJ* so = EngLockSurface(AsSurf(hbm));
    ASSERT_NE(so, nullptr);
    EXPECT_TRUE(EngDeleteSurface(AsSurf(hbm)));
    // The handle is gone at once ...
    SetLastError(0);
    EXPECT_EQ(EngLockSurface(AsSurf(hbm)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(EngDeleteSurface(AsSurf(hbm)));
    // ... but the locked SURFOBJ stays usable until its last unlock.
    RECTL r{0, 0, 8, 8};
    EXPECT_TRUE(EngEraseSurface(so, &r, 7));
    EXPECT_EQ(static_cast<BYTE*>(so->pvScan0)[63], 7);
    EngUnlockSurface(so);
    EXPECT_EQ(PlatGdiObjectCount(), before);
    EXPECT_FALSE(EngEraseSurface(so, &r, 7));  // no longer an engine surface
    EngUnlockSurface(so);                      // an extra unlock is ignored
    EXPECT_FALSE(EngDeleteSurface(nullptr));
}

TEST(EngEraseSurface, FillsOnlyInsideTheSurface) {
    // The graphics DLL erases its band with a rectangle rounded up to 32 pixels: wider than the
    // bitmap. Caller bits sized exactly let the address checker catch any overrun.
    const LONG cx = 37, cy = 3, stride = 8;
    std::vector<BYTE> bits(stride * cy, 0x00);
    HBITMAP hbm = EngCreateBitmap(SIZEL{cx, cy}, stride, BMF_1BPP, BMF_TOPDOWN, bits.data());
    SURFOBJ* so = EngLockSurface(AsSurf(hbm));
    RECTL wide{0, 0, 64, 3};
    EXPECT_TRUE(EngEraseSurface(so, &wide, 0xFFFFFF));
    for (LONG y = 0; y < cy; ++y) {
        EXPECT_EQ(bits[y * stride + 3], 0xFF);
        EXPECT_EQ(bits[y * stride + 4], 0xF8) << "pixels 32-36 white, 37-39 untouched";
        EXPECT_EQ(bits[y * stride + 5], 0x00);
    }
    RECTL inner{3, 1, 13, 2};
    EXPECT_TRUE(EngEraseSurface(so, &inner, 0));
    EXPECT_EQ(bits[stride + 0], 0xE0);
    EXPECT_EQ(bits[stride + 1], 0x07);
    EXPECT_EQ(bits[stride + 2], 0xFF);
    EXPECT_EQ(bits[0], 0xFF);
    RECTL outside{-50, -50, -1, -1};
    EXPECT_TRUE(EngEraseSurface(so, &outside, 0));
    EXPECT_FALSE(EngEraseSurface(so, nullptr, 0));
    EXPECT_FALSE(EngEraseSurface(nullptr, &wide, 0));
    EngUnlockSurface(so);
    EngDeleteSurface(AsSurf(hbm));

    // 24 bpp: the colour index is stored blue, green, red.
    HBITMAP rgb = EngCreateBitmap(SIZEL{2, 2}, 0, BMF_24BPP, 0, nullptr);
    so = EngLockSurface(AsSurf(rgb));
    RECTL one{1, 0, 2, 1};
    EXPECT_TRUE(EngEraseSurface(so, &one, 0x00112233));
    const BYTE* top = static_cast<const BYTE*>(so->pvScan0);
    EXPECT_EQ(top[3], 0x33);
    EXPECT_EQ(top[4], 0x22);
    EXPECT_EQ(top[5], 0x11);
    EXPECT_EQ(top[0], 0);
    EngUnlockSurface(so);
    EngDeleteSurface(AsSurf(rgb));
}

TEST(EngPalettes, CreationRulesAndTranslation) {
    ULONG mono[2] = {0x000000, 0xFFFFFF};
    HPALETTE indexed = EngCreatePalette(PAL_INDEXED, 2, mono, 0, 0, 0);
    HPALETTE rgb = EngCreatePalette(PAL_RGB, 0, nullptr, 0, 0, 0);
    ASSERT_TRUE(indexed && rgb);
    struct Bad {
        ULONG mode, count;
        FLONG r;
    } bad[] = {{0, 2, 0}, {PAL_INDEXED, 0, 0}, {PAL_INDEXED | PAL_RGB, 2, 0}, {PAL_BITFIELDS, 0, 0}, {0x100, 0, 0}};
    for (const Bad& b : bad) {
        SetLastError(0);
        EXPECT_EQ(EngCreatePalette(b.mode, b.count, mono, b.r, 0, 0), nullptr) << b.mode;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    XLATEOBJ* toRgb = PlatXlateCreate(indexed, rgb);
    ASSERT_NE(toRgb, nullptr);
    EXPECT_TRUE(toRgb->flXlate & XO_TABLE);
    EXPECT_EQ(toRgb->cEntries, 2u);
    EXPECT_EQ(XLATEOBJ_iXlate(toRgb, 1), 0xFFFFFFu);
    EXPECT_EQ(XLATEOBJ_iXlate(toRgb, 0), 0u);
    ULONG entries[4] = {};
    EXPECT_EQ(XLATEOBJ_cGetPalette(toRgb, XO_SRCPALETTE, 0, nullptr), 2u);
    EXPECT_EQ(XLATEOBJ_cGetPalette(toRgb, XO_SRCPALETTE, 1, entries), 1u);
    XLATEOBJ* toMono = PlatXlateCreate(rgb, indexed);
    EXPECT_TRUE(toMono->flXlate & XO_TO_MONO);
    EXPECT_EQ(XLATEOBJ_iXlate(toMono, RGB(250, 240, 245)), 1u);
    EXPECT_EQ(XLATEOBJ_iXlate(toMono, RGB(20, 10, 0)), 0u);
    XLATEOBJ* same = PlatXlateCreate(rgb, rgb);
    EXPECT_EQ(same->flXlate, static_cast<FLONG>(XO_TRIVIAL));
    EXPECT_EQ(XLATEOBJ_iXlate(same, 0x123456), 0x123456u);
    PlatXlateDelete(toRgb);
    PlatXlateDelete(toMono);
    PlatXlateDelete(same);
    EXPECT_TRUE(EngDeletePalette(indexed));
    EXPECT_FALSE(EngDeletePalette(indexed));
    EXPECT_TRUE(EngDeletePalette(rgb));
    EXPECT_EQ(PlatXlateCreate(indexed, rgb), nullptr);  // deleted palette
}

TEST(EngServices, MemoryAndLastError) {
    BYTE* p = static_cast<BYTE*>(EngAllocMem(FL_ZERO_MEMORY, 64, 0x6F726C61));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(p[i], 0);
    EngFreeMem(p);
    EngFreeMem(nullptr);
    PlatInjectFailure("EngAllocMem", 1, ERROR_NOT_ENOUGH_MEMORY);
    SetLastError(0);
    EXPECT_EQ(EngAllocMem(0, 16, 0), nullptr);
    EXPECT_EQ(EngGetLastError(), static_cast<ULONG>(ERROR_NOT_ENOUGH_MEMORY));
    PlatClearInjections();
    EngSetLastError(ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(EngServices, DeviceStrings) {
    PLAT_GDI_DEVICE_SETUP setup{nullptr, u"P", u"C:\\drv\\Quessa.dll", u"C:\\drv\\model.txt"};
    HDEV hdev = PlatGdiCreateDevice(&setup);
    ASSERT_NE(hdev, nullptr);
    EXPECT_EQ(std::u16string(EngGetDriverName(hdev)), u"C:\\drv\\Quessa.dll");
    EXPECT_EQ(std::u16string(EngGetPrinterDataFileName(hdev)), u"C:\\drv\\model.txt");
    PlatGdiDeleteDevice(hdev);
    EXPECT_EQ(EngGetDriverName(hdev), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
