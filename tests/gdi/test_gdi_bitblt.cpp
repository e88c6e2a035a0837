// EngBitBlt: ROP4s applied bit by bit on 1-bpp bitmaps (source, solid brush, destination,
// mask), clipping, refusals, and a device surface reached through the driver's DrvCopyBits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/gdi_control.h"
#include "win/ddi.h"
#include "win/kernel.h"

namespace {

struct Mono {
    HSURF hsurf = nullptr;
    SURFOBJ* so = nullptr;
    // One row of pixels (0 black, 1 white), repeated on every row.
    Mono(const std::string& row, LONG rows) {
        const LONG cx = static_cast<LONG>(row.size());
        hsurf = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{cx, rows}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr));
        so = EngLockSurface(hsurf);
        for (LONG y = 0; y < rows; ++y)
            for (LONG x = 0; x < cx; ++x) Set(x, y, row[static_cast<size_t>(x)] == '1');
    }
    ~Mono() {
        EngUnlockSurface(so);
        EngDeleteSurface(hsurf);
    }
    void Set(LONG x, LONG y, bool white) {
        BYTE* p = static_cast<BYTE*>(so->pvScan0) + y * so->lDelta + (x >> 3);
        const BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
        *p = white ? static_cast<BYTE>(*p | bit) : static_cast<BYTE>(*p & ~bit);
    }
    std::string Row(LONG y) const {
        std::string s;
        const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + y * so->lDelta;
        for (LONG x = 0; x < so->sizlBitmap.cx; ++x) s += ((row[x >> 3] >> (7 - (x & 7))) & 1) ? '1' : '0';
        return s;
    }
};

TEST(EngBitBlt, Rop4sOnMonoBitmaps) {
    struct Case {
        const char* name;
        ROP4 rop;
        ULONG brush;  // solid colour index, or ~0 for none
        const char* expected;
    } const cases[] = {
        // destination 0011 0011, source 0101 0101
        {"source copy", 0xCCCC, ~0u, "01010101"},
        {"source and destination", 0x8888, ~0u, "00010001"},
        {"source or destination", 0xEEEE, ~0u, "01110111"},
        {"source xor destination", 0x6666, ~0u, "01100110"},
        {"not source", 0x3333, ~0u, "10101010"},
        {"blackness", 0x0000, ~0u, "00000000"},
        {"whiteness", 0xFFFF, ~0u, "11111111"},
        {"pattern black", 0xF0F0, 0, "00000000"},
        {"pattern xor destination", 0x5A5A, 1, "11001100"},
        {"destination unchanged", 0xAAAA, ~0u, "00110011"},
    };
    for (const Case& c : cases) {
        Mono dst("00110011", 2), src("01010101", 2);
        BRUSHOBJ* brush = c.brush != ~0u ? PlatBrushCreateSolid(c.brush, c.brush ? 0xFFFFFF : 0) : nullptr;
        RECTL target{0, 0, 8, 2};
        POINTL origin{0, 0};
        ASSERT_TRUE(
            EngBitBlt(dst.so, src.so, nullptr, nullptr, nullptr, &target, &origin, nullptr, brush, &origin, c.rop))
            << c.name;
        EXPECT_EQ(dst.Row(0), c.expected) << c.name;
        EXPECT_EQ(dst.Row(1), c.expected) << c.name;
        if (brush) PlatBrushDelete(brush);
    }
}

TEST(EngBitBlt, MaskChoosesForegroundOrBackground) {
    Mono dst("00000000", 1), src("11111111", 1), mask("11110000", 1);
    RECTL target{0, 0, 8, 1};
    POINTL origin{0, 0};
    // Low byte (mask 1): source copy; high byte (mask 0): destination unchanged.
    ASSERT_TRUE(
        EngBitBlt(dst.so, src.so, mask.so, nullptr, nullptr, &target, &origin, &origin, nullptr, nullptr, 0xAACC));
    EXPECT_EQ(dst.Row(0), "11110000");
}

TEST(EngBitBlt, DrawsOnlyInsideTheClipAndTheSource) {
    Mono dst("0000000000000000", 2), src("1111", 2);
    RECTL pieces[] = {{0, 0, 2, 2}, {3, 0, 12, 2}};
    CLIPOBJ* pco = PlatClipCreate(pieces, 2);
    RECTL target{0, 0, 16, 2};
    POINTL origin{0, 0};
    ASSERT_TRUE(EngBitBlt(dst.so, src.so, nullptr, pco, nullptr, &target, &origin, nullptr, nullptr, nullptr, 0xCCCC));
    // Pixel 2 is outside the clip, pixels from 4 on are beyond the 4-pixel source.
    EXPECT_EQ(dst.Row(0), "1101000000000000");
    PlatClipDelete(pco);
}

TEST(EngBitBlt, RefusesWhatItCannotDraw) {
    Mono dst("00000000", 1), src("11111111", 1);
    RECTL target{0, 0, 8, 1};
    POINTL origin{0, 0};
    struct Case {
        const char* name;
        SURFOBJ* source;
        BRUSHOBJ* brush;
        ROP4 rop;
        DWORD error;
    };
    BRUSHOBJ* pattern = PlatBrushCreateSolid(0xFFFFFFFF, 0);  // not solid: a pattern brush
    const Case cases[] = {
        {"source missing", nullptr, nullptr, 0xCCCC, ERROR_INVALID_PARAMETER},
        {"brush missing", src.so, nullptr, 0xF0F0, ERROR_INVALID_PARAMETER},
        {"pattern brush", src.so, pattern, 0xF0F0, ERROR_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(
            EngBitBlt(dst.so, c.source, nullptr, nullptr, nullptr, &target, &origin, nullptr, c.brush, &origin, c.rop))
            << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
        EXPECT_EQ(dst.Row(0), "00000000") << c.name << ": nothing drawn";
    }
    PlatBrushDelete(pattern);
}

struct CopyCall {
    int calls = 0;
    RECTL dest{};
    std::string firstRow;
} g_call;

BOOL APIENTRY RecordCopyBits(SURFOBJ*, SURFOBJ* psoSrc, CLIPOBJ*, XLATEOBJ*, RECTL* prclDest, POINTL*) {
    g_call.calls++;
    g_call.dest = *prclDest;
    g_call.firstRow.clear();
    const BYTE* row = static_cast<const BYTE*>(psoSrc->pvScan0);
    for (LONG x = 0; x < psoSrc->sizlBitmap.cx; ++x)
        g_call.firstRow += ((row[x >> 3] >> (7 - (x & 7))) & 1) ? '1' : '0';
    return TRUE;
}

TEST(EngBitBlt, DeviceSurfaceGetsTheResultThroughDrvCopyBits) {
    PLAT_GDI_DEVICE_SETUP setup{};
    HDEV hdev = PlatGdiCreateDevice(&setup);
    DRVFN hooks[] = {{INDEX_DrvCopyBits, reinterpret_cast<PFN>(&RecordCopyBits)}};
    ASSERT_TRUE(PlatGdiBindDevice(hdev, nullptr, hooks, 1));
    HSURF device = EngCreateDeviceSurface(nullptr, SIZEL{100, 100}, BMF_24BPP);
    ASSERT_TRUE(EngAssociateSurface(device, hdev, HOOK_BITBLT | HOOK_COPYBITS));
    SURFOBJ* dso = EngLockSurface(device);
    Mono src("01010101", 1);
    RECTL target{96, 0, 104, 1};  // past the right edge
    POINTL origin{0, 0};
    g_call = {};
    // Source AND a white device (nothing can be read back): the source itself.
    ASSERT_TRUE(EngBitBlt(dso, src.so, nullptr, nullptr, nullptr, &target, &origin, nullptr, nullptr, nullptr, 0x8888));
    EXPECT_EQ(g_call.calls, 1);
    EXPECT_EQ(g_call.dest.left, 96);
    EXPECT_EQ(g_call.dest.right, 100);
    EXPECT_EQ(g_call.firstRow, "0101");
    EngUnlockSurface(dso);
    EngDeleteSurface(device);
    PlatGdiDeleteDevice(hdev);
}

}  // namespace
