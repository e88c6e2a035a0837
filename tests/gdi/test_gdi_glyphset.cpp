// EngComputeGlyphSet: the ANSI code page's 256 codes as Unicode runs in one global block.
#include <gtest/gtest.h>

#include <map>

#include "plat/control.h"
#include "win/ddi.h"
#include "win/kernel.h"

namespace {

// Unicode -> glyph handle, checking the block's own consistency on the way.
std::map<WCHAR, HGLYPH> Flatten(const FD_GLYPHSET* gs) {
    std::map<WCHAR, HGLYPH> out;
    const BYTE* begin = reinterpret_cast<const BYTE*>(gs);
    const BYTE* end = begin + gs->cjThis;
    ULONG total = 0;
    long previousEnd = -1;
    const WCRUN* runs = gs->awcrun;
    for (ULONG r = 0; r < gs->cRuns; ++r) {
        const WCRUN& run = runs[r];
        EXPECT_GT(run.cGlyphs, 0);
        EXPECT_GT(static_cast<long>(run.wcLow), previousEnd) << "runs ascend and do not touch";
        previousEnd = run.wcLow + run.cGlyphs;
        const BYTE* handles = reinterpret_cast<const BYTE*>(run.phg);
        EXPECT_GE(handles, begin);
        EXPECT_LE(handles + run.cGlyphs * sizeof(HGLYPH), end) << "handles inside the one block";
        for (USHORT i = 0; i < run.cGlyphs; ++i) out[static_cast<WCHAR>(run.wcLow + i)] = run.phg[i];
        total += run.cGlyphs;
    }
    EXPECT_EQ(total, gs->cGlyphsSupported);
    return out;
}

TEST(EngComputeGlyphSet, AnsiCodePageShiftJis) {
    PlatSetAnsiCodePage(932);
    FD_GLYPHSET* gs = EngComputeGlyphSet(0, 0, 256);
    ASSERT_NE(gs, nullptr);
    EXPECT_EQ(gs->flAccel, static_cast<FLONG>(GS_8BIT_HANDLES));
    EXPECT_EQ(GlobalSize(gs), gs->cjThis) << "one global block, freed with GlobalFree";
    std::map<WCHAR, HGLYPH> map = Flatten(gs);
    for (WCHAR c = 0x20; c < 0x7F; ++c) {
        if (c == 0x5C || c == 0x7E) continue;
        EXPECT_EQ(map[c], static_cast<HGLYPH>(c)) << std::hex << static_cast<int>(c);
    }
    EXPECT_EQ(map.at(0xFF61), 0xA1u) << "half-width katakana";
    EXPECT_EQ(map.at(0xFF9F), 0xDFu);
    for (auto& [wc, hg] : map) {
        EXPECT_LT(hg, 256u);
        // Lead bytes are not characters on their own.
        EXPECT_FALSE((hg >= 0x81 && hg <= 0x9F) || (hg >= 0xE0 && hg <= 0xFC)) << std::hex << hg;
    }
    EXPECT_EQ(GlobalFree(gs), nullptr);
}

TEST(EngComputeGlyphSet, ExplicitCodePageAndRange) {
    FD_GLYPHSET* gs = EngComputeGlyphSet(1252, 0x41, 26);
    ASSERT_NE(gs, nullptr);
    EXPECT_EQ(gs->cRuns, 1u);
    EXPECT_EQ(gs->cGlyphsSupported, 26u);
    EXPECT_EQ(gs->awcrun[0].wcLow, u'A');
    EXPECT_EQ(gs->awcrun[0].phg[25], static_cast<HGLYPH>('Z'));
    GlobalFree(gs);
    gs = EngComputeGlyphSet(1252, 0x80, 1);
    ASSERT_NE(gs, nullptr);
    EXPECT_EQ(gs->awcrun[0].wcLow, 0x20AC) << "the euro sign of 1252";
    GlobalFree(gs);
}

TEST(EngComputeGlyphSet, BadArgumentsAndNoMemory) {
    struct {
        INT cp, first, count;
    } bad[] = {{0, 0, 0}, {0, -1, 10}, {0, 0, -5}, {0, 0xFFFF, 2}, {-3, 0, 256}};
    for (auto& b : bad) {
        SetLastError(0);
        EXPECT_EQ(EngComputeGlyphSet(b.cp, b.first, b.count), nullptr) << b.first << " " << b.count;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    SetLastError(0);
    EXPECT_EQ(EngComputeGlyphSet(0, 0, 256), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    PlatClearInjections();
}

}  // namespace
