// Engine blits: EngCopyBits through a complex clip, EngStretchBlt shrinking a 1-bpp band as
// the graphics DLL does below 100 % zoom, brush realisation through the driver's own hook.
#include <gtest/gtest.h>

#include <vector>

#include "plat/gdi_control.h"
#include "win/ddi.h"
#include "win/kernel.h"

namespace {

struct Bitmap {
    HSURF hsurf = nullptr;
    SURFOBJ* so = nullptr;
    Bitmap(LONG cx, LONG cy, ULONG format, ULONG fill) {
        hsurf = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{cx, cy}, 0, format, BMF_TOPDOWN, nullptr));
        so = EngLockSurface(hsurf);
        RECTL all{0, 0, cx, cy};
        EngEraseSurface(so, &all, fill);
    }
    ~Bitmap() {
        EngUnlockSurface(so);
        EngDeleteSurface(hsurf);
    }
    int Bit(LONG x, LONG y) const {
        const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + y * so->lDelta;
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
};

TEST(EngCopyBits, CopiesOnlyInsideTheClip) {
    Bitmap src(16, 4, BMF_1BPP, 0);  // black
    Bitmap dst(16, 4, BMF_1BPP, 1);  // white
    RECTL pieces[] = {{0, 0, 4, 4}, {8, 1, 12, 3}};
    CLIPOBJ* pco = PlatClipCreate(pieces, 2);
    RECTL target{0, 0, 16, 4};
    POINTL origin{0, 0};
    ASSERT_TRUE(EngCopyBits(dst.so, src.so, pco, nullptr, &target, &origin));
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 16; ++x) {
            bool inside = x < 4 || (x >= 8 && x < 12 && y >= 1 && y < 3);
            EXPECT_EQ(dst.Bit(x, y), inside ? 0 : 1) << x << "," << y;
        }
    // A driver that copies inside its own enumeration of the clip keeps its place in it.
    ULONG batch[1 + 4] = {};
    CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_RIGHTDOWN, 0);
    EXPECT_TRUE(CLIPOBJ_bEnum(pco, sizeof(batch), batch));
    EXPECT_EQ(reinterpret_cast<ENUMRECTS*>(batch)->arcl[0].left, 0);
    ASSERT_TRUE(EngCopyBits(dst.so, src.so, pco, nullptr, &target, &origin));
    // The region is banded: (0,0)-(4,1), (0,1)-(4,3), (8,1)-(12,3), (0,3)-(4,4).
    EXPECT_TRUE(CLIPOBJ_bEnum(pco, sizeof(batch), batch));
    EXPECT_EQ(reinterpret_cast<ENUMRECTS*>(batch)->c, 1u);
    EXPECT_EQ(reinterpret_cast<ENUMRECTS*>(batch)->arcl[0].top, 1) << "not back at the start";
    PlatClipDelete(pco);
    // Source pixels beyond the source bitmap are not invented.
    Bitmap small(2, 2, BMF_1BPP, 0);
    Bitmap out(8, 8, BMF_1BPP, 1);
    RECTL big{0, 0, 8, 8};
    ASSERT_TRUE(EngCopyBits(out.so, small.so, nullptr, nullptr, &big, &origin));
    EXPECT_EQ(out.Bit(1, 1), 0);
    EXPECT_EQ(out.Bit(2, 2), 1);
    EXPECT_FALSE(EngCopyBits(out.so, nullptr, nullptr, nullptr, &big, &origin));
}

TEST(EngStretchBlt, ShrinkingKeepsThinBlackLinesOnBlackOnWhite) {
    Bitmap band(64, 8, BMF_1BPP, 1);
    // One black column at x = 33 (odd): a 2:1 nearest-pixel shrink would lose it.
    for (LONG y = 0; y < 8; ++y) static_cast<BYTE*>(band.so->pvScan0)[y * band.so->lDelta + 4] = 0xBF;
    RECTL src{0, 0, 64, 8}, dest{0, 0, 32, 4};
    Bitmap keep(32, 4, BMF_1BPP, 1), lose(32, 4, BMF_1BPP, 1);
    ASSERT_TRUE(EngStretchBlt(keep.so, band.so, nullptr, nullptr, nullptr, nullptr, nullptr, &dest, &src, nullptr,
                              BLACKONWHITE));
    ASSERT_TRUE(EngStretchBlt(lose.so, band.so, nullptr, nullptr, nullptr, nullptr, nullptr, &dest, &src, nullptr,
                              COLORONCOLOR));
    for (LONG y = 0; y < 4; ++y) {
        EXPECT_EQ(keep.Bit(16, y), 0);
        EXPECT_EQ(lose.Bit(16, y), 1);
        EXPECT_EQ(keep.Bit(15, y), 1);
    }
    // Mirroring by a reversed destination rectangle.
    Bitmap mirror(64, 8, BMF_1BPP, 1);
    RECTL reversed{64, 0, 0, 8};
    ASSERT_TRUE(EngStretchBlt(mirror.so, band.so, nullptr, nullptr, nullptr, nullptr, nullptr, &reversed, &src, nullptr,
                              COLORONCOLOR));
    EXPECT_EQ(mirror.Bit(30, 0), 0);
    EXPECT_EQ(mirror.Bit(33, 0), 1);
    // A mask is not drawn by this engine: refused, not faked.
    SetLastError(0);
    EXPECT_FALSE(EngStretchBlt(keep.so, band.so, band.so, nullptr, nullptr, nullptr, nullptr, &dest, &src, nullptr,
                               COLORONCOLOR));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(EngStretchBlt(keep.so, band.so, nullptr, nullptr, nullptr, nullptr, nullptr, &dest, &src, nullptr, 9));
}

TEST(EngBlits, ExtremeRectanglesStayInsideTheBitmaps) {
    Bitmap src(4, 4, BMF_1BPP, 0);
    Bitmap dst(8, 8, BMF_1BPP, 1);
    RECTL huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    POINTL origin{0, 0};
    EXPECT_TRUE(EngCopyBits(dst.so, src.so, nullptr, nullptr, &huge, &origin));
    for (LONG y = 0; y < 8; ++y)
        for (LONG x = 0; x < 8; ++x) EXPECT_EQ(dst.Bit(x, y), 1) << "the source lies far away";
    RECTL src4{0, 0, 4, 4};
    EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &huge, &src4, nullptr,
                              COLORONCOLOR));
    RECTL reversed{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &reversed, &src4, nullptr,
                              BLACKONWHITE));
    RECTL empty{5, 5, 5, 9};
    EXPECT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &empty, &src4, nullptr,
                              COLORONCOLOR));
}

TEST(EngStretchBlt, HalftoneToOneBit) {
    Bitmap colour(16, 16, BMF_24BPP, 0xFFFFFF);
    RECTL left{0, 0, 8, 16};
    EngEraseSurface(colour.so, &left, 0x000000);
    RECTL all{0, 0, 16, 16};
    Bitmap mono(16, 16, BMF_1BPP, 0);
    ASSERT_TRUE(
        EngStretchBlt(mono.so, colour.so, nullptr, nullptr, nullptr, nullptr, nullptr, &all, &all, nullptr, HALFTONE));
    for (LONG y = 0; y < 16; ++y) {
        EXPECT_EQ(mono.Bit(2, y), 0);
        EXPECT_EQ(mono.Bit(12, y), 1);
    }
}

struct CopyBitsCall {
    int calls = 0;
    ULONG srcFormat = 0;
    SIZEL srcSize{};
    RECTL dest{};
    CLIPOBJ* clip = nullptr;
    std::vector<int> firstRow;
} g_copy;

BOOL APIENTRY TestCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ*, RECTL* prclDest, POINTL*) {
    g_copy.calls++;
    g_copy.srcFormat = psoSrc->iBitmapFormat;
    g_copy.srcSize = psoSrc->sizlBitmap;
    g_copy.dest = *prclDest;
    g_copy.clip = pco;
    g_copy.firstRow.clear();
    const BYTE* row = static_cast<const BYTE*>(psoSrc->pvScan0);
    for (LONG x = 0; x < psoSrc->sizlBitmap.cx; ++x) g_copy.firstRow.push_back((row[x >> 3] >> (7 - (x & 7))) & 1);
    // A driver that stretches onto its own surface from here is refused, not recursed into.
    RECTL r{0, 0, 1, 1};
    EXPECT_FALSE(
        EngStretchBlt(psoDest, psoSrc, nullptr, nullptr, nullptr, nullptr, nullptr, &r, &r, nullptr, HALFTONE));
    return TRUE;
}

// Halftoning onto a device-managed surface: the engine halftones into a bitmap of the device's
// halftone format and calls the driver's DrvCopyBits with it.
TEST(EngStretchBlt, HalftoneOntoADeviceSurfaceCallsDrvCopyBits) {
    PLAT_GDI_DEVICE_SETUP setup{};
    HDEV hdev = PlatGdiCreateDevice(&setup);
    DRVFN hooks[] = {{INDEX_DrvCopyBits, reinterpret_cast<PFN>(&TestCopyBits)}};
    ASSERT_TRUE(PlatGdiBindDevice(hdev, nullptr, hooks, 1));
    GDIINFO caps{};
    caps.ulHTOutputFormat = HT_FORMAT_1BPP;
    ASSERT_TRUE(PlatGdiSetDeviceCaps(hdev, &caps));
    HSURF device = EngCreateDeviceSurface(nullptr, SIZEL{100, 100}, BMF_24BPP);
    ASSERT_TRUE(EngAssociateSurface(device, hdev, HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_COPYBITS));
    SURFOBJ* dso = EngLockSurface(device);
    Bitmap colour(8, 2, BMF_24BPP, 0xFFFFFF);
    RECTL left{0, 0, 4, 2};
    EngEraseSurface(colour.so, &left, 0);
    RECTL src{0, 0, 8, 2}, dest{90, 10, 110, 14};  // runs past the device's right edge
    RECTL clipRect{0, 0, 100, 100};
    CLIPOBJ* pco = PlatClipCreate(&clipRect, 1);
    g_copy = {};
    ASSERT_TRUE(EngStretchBlt(dso, colour.so, nullptr, pco, nullptr, nullptr, nullptr, &dest, &src, nullptr, HALFTONE));
    EXPECT_EQ(g_copy.calls, 1);
    EXPECT_EQ(g_copy.srcFormat, static_cast<ULONG>(BMF_1BPP));
    EXPECT_EQ(g_copy.srcSize.cx, 10);
    EXPECT_EQ(g_copy.srcSize.cy, 4);
    EXPECT_EQ(g_copy.dest.left, 90);
    EXPECT_EQ(g_copy.dest.right, 100);
    EXPECT_EQ(g_copy.clip, pco);
    // Black on the left half of the source (pixels 90..99 of a 20-pixel stretch cover it).
    EXPECT_EQ(g_copy.firstRow, (std::vector<int>(10, 0)));
    // Without the hook the engine cannot draw on the device surface.
    HSURF plain = EngCreateDeviceSurface(nullptr, SIZEL{10, 10}, BMF_24BPP);
    EngAssociateSurface(plain, hdev, HOOK_BITBLT);
    SURFOBJ* pso = EngLockSurface(plain);
    SetLastError(0);
    EXPECT_FALSE(
        EngStretchBlt(pso, colour.so, nullptr, nullptr, nullptr, nullptr, nullptr, &dest, &src, nullptr, HALFTONE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EngUnlockSurface(pso);
    EngDeleteSurface(plain);
    PlatClipDelete(pco);
    EngUnlockSurface(dso);
    EngDeleteSurface(device);
    PlatGdiDeleteDevice(hdev);
}

int g_realised = 0;
BOOL APIENTRY TestRealizeBrush(BRUSHOBJ* pbo, SURFOBJ*, SURFOBJ* psoPattern, SURFOBJ*, XLATEOBJ*, ULONG iHatch) {
    g_realised++;
    if (iHatch == 5) return FALSE;
    BYTE* block = static_cast<BYTE*>(BRUSHOBJ_pvAllocRbrush(pbo, 8));
    if (!block) return FALSE;
    block[0] = static_cast<BYTE>(psoPattern ? psoPattern->sizlBitmap.cx : 0xEE);
    return TRUE;
}

TEST(BrushObjects, PatternBrushesAreRealisedByTheDriverOnce) {
    PLAT_GDI_DEVICE_SETUP setup{};
    HDEV hdev = PlatGdiCreateDevice(&setup);
    DRVFN hooks[] = {{INDEX_DrvRealizeBrush, reinterpret_cast<PFN>(&TestRealizeBrush)}};
    ASSERT_TRUE(PlatGdiBindDevice(hdev, nullptr, hooks, 1));
    Bitmap pattern(8, 8, BMF_1BPP, 1);
    g_realised = 0;
    BRUSHOBJ* pbo = PlatBrushCreatePattern(hdev, nullptr, pattern.hsurf, nullptr, nullptr, 0xFFFFFFFF);
    ASSERT_NE(pbo, nullptr);
    EXPECT_EQ(pbo->iSolidColor, 0xFFFFFFFFu);
    BYTE* r = static_cast<BYTE*>(BRUSHOBJ_pvGetRbrush(pbo));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r[0], 8);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(pbo), r);
    EXPECT_EQ(g_realised, 1);
    PlatBrushDelete(pbo);

    BRUSHOBJ* refused = PlatBrushCreatePattern(hdev, nullptr, nullptr, nullptr, nullptr, 5);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(refused), nullptr);
    PlatBrushDelete(refused);

    BRUSHOBJ* solid = PlatBrushCreateSolid(0, RGB(10, 20, 30));
    EXPECT_EQ(solid->iSolidColor, 0u);
    EXPECT_EQ(BRUSHOBJ_ulGetBrushColor(solid), static_cast<ULONG>(RGB(10, 20, 30)));
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(solid), nullptr);
    PlatBrushDelete(solid);
    PlatGdiDeleteDevice(hdev);
}

}  // namespace
