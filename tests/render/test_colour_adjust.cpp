// Colour adjustment: kind selection, the matrix and its fixed-point application.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "core/driver_devmode.h"
#include "render/page_settings.h"

namespace {

ColourAdjustSettings Settings(DWORD mode, DWORD kinds, std::array<std::array<SHORT, 3>, 4> triples) {
    ColourAdjustSettings s{};
    s.mode = mode;
    s.kinds = kinds;
    for (int t = 0; t < 4; ++t)
        for (int v = 0; v < 3; ++v) s.triples[t][v] = triples[t][v];
    return s;
}

constexpr DWORD kAll = ColourKindText | ColourKindGraphics | ColourKindImages;

std::array<BYTE, 3> TextAdjusted(const ColourAdjustContext& ctx, BYTE r, BYTE g, BYTE b) {
    std::array<BYTE, 3> out{};
    BYTE format = 0;
    EXPECT_TRUE(AdjustTextColour(&ctx, RGB(r, g, b), out.data(), &format));
    EXPECT_EQ(format, 4);
    return out;
}

TEST(ColourAdjust, SelectionTable) {
    static const struct {
        const char* what;
        ColourAdjustSettings settings;
        BYTE selected;
    } kCases[] = {
        {"all zero, per kind", Settings(1, kAll, {}), 0},
        {"all zero, common", Settings(0, kAll, {}), 0},
        {"text brightness", Settings(1, kAll, {{{10, 0, 0}, {}, {}, {}}}), AdjustText},
        {"graphics contrast", Settings(1, kAll, {{{}, {0, 0, -5}, {}, {}}}), AdjustGraphics},
        {"images, bit off", Settings(1, ColourKindText, {{{}, {}, {7, 0, 0}, {}}}), 0},
        {"every kind", Settings(1, kAll, {{{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {}}}),
         AdjustText | AdjustGraphics | AdjustImages},
        {"common", Settings(0, ColourKindGraphics, {{{}, {}, {}, {0, 0, 20}}}), AdjustCommon},
        {"common, no kind bit", Settings(0, 0, {{{}, {}, {}, {0, 0, 20}}}), 0},
        {"mode 2 is common", Settings(2, kAll, {{{5, 0, 0}, {}, {}, {}}}), 0},
    };
    for (const auto& c : kCases) {
        ColourAdjustContext ctx{};
        SelectAdjustKinds(&ctx, &c.settings);
        EXPECT_EQ(ctx.selected, c.selected) << c.what;
    }
}

TEST(ColourAdjust, NothingSelectedLeavesColoursAlone) {
    ColourAdjustSettings s = Settings(1, kAll, {});
    ColourAdjustContext ctx{};
    EXPECT_EQ(PrepareColourAdjust(&ctx, &s), 0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(ctx.matrixOf[k], -1);
    EXPECT_EQ(TextAdjusted(ctx, 12, 34, 56), (std::array<BYTE, 3>{12, 34, 56}));
    std::array<BYTE, 3> out{};
    BYTE format = 0;
    AdjustGraphicsColour(&ctx, RGB(200, 100, 0), out.data(), &format);
    EXPECT_EQ(out, (std::array<BYTE, 3>{200, 100, 0}));
}

TEST(ColourAdjust, BrightnessAloneIsIdentityPlusOffset) {
    ColourAdjustMatrix m{};
    ASSERT_EQ(BuildAdjustMatrix(&m, 100, 0, 0), 0);
    static constexpr LONG kIdentity[9] = {65536, 0, 0, 0, 65536, 0, 0, 0, 65536};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m.factor[i], kIdentity[i]) << i;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m.offset[i], 50 * 65536);

    ColourAdjustSettings s = Settings(1, kAll, {{{100, 0, 0}, {}, {}, {}}});
    ColourAdjustContext ctx{};
    PrepareColourAdjust(&ctx, &s);
    EXPECT_EQ(TextAdjusted(ctx, 0, 0, 0), (std::array<BYTE, 3>{50, 50, 50}));
    EXPECT_EQ(TextAdjusted(ctx, 220, 220, 220), (std::array<BYTE, 3>{255, 255, 255}));
}

TEST(ColourAdjust, ContrastAlone) {
    ColourAdjustMatrix m{};
    BuildAdjustMatrix(&m, 0, 0, 100);
    EXPECT_EQ(m.offset[0], static_cast<LONG>(-76.5 * 65536));
    EXPECT_EQ(m.offset[0] >> 16, -77);

    ColourAdjustSettings s = Settings(0, kAll, {{{}, {}, {}, {0, 0, 100}}});
    ColourAdjustContext ctx{};
    PrepareColourAdjust(&ctx, &s);
    EXPECT_EQ(ctx.selected, AdjustCommon);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(ctx.matrixOf[k], 0);  // one shared matrix
    EXPECT_EQ(TextAdjusted(ctx, 128, 128, 128), (std::array<BYTE, 3>{90, 90, 90}));
    EXPECT_EQ(TextAdjusted(ctx, 200, 100, 50), (std::array<BYTE, 3>{161, 60, 10}));
}

TEST(ColourAdjust, ValuesOutsideTheRangeActAsTheLimits) {
    static const struct {
        LONG b, s, c;
        LONG clampedB, clampedS, clampedC;
    } kCases[] = {
        {500, 0, 0, 100, 0, 0},   {-500, 0, 0, -100, 0, 0}, {0, 300, 0, 0, 100, 0},
        {0, -300, 0, 0, -100, 0}, {0, 0, 32767, 0, 0, 100}, {0, 0, -32768, 0, 0, -100},
    };
    for (const auto& c : kCases) {
        ColourAdjustMatrix got{}, want{};
        BuildAdjustMatrix(&got, c.b, c.s, c.c);
        BuildAdjustMatrix(&want, c.clampedB, c.clampedS, c.clampedC);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(got.factor[i], want.factor[i]);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(got.offset[i], want.offset[i]);
    }
    EXPECT_EQ(BuildAdjustMatrix(nullptr, 1, 1, 1), -1);
}

TEST(ColourAdjust, SaturationMatrixRows) {
    ColourAdjustMatrix m{};
    BuildAdjustMatrix(&m, 0, 100, 0);  // c = 1, s = 2
    // Row 1: 0.3 + 0.7 x 2, 0.59 - 0.59 x 2, 0.11 - 0.11 x 2.
    EXPECT_EQ(m.factor[0], static_cast<LONG>(1.7 * 65536));
    EXPECT_EQ(m.factor[1], static_cast<LONG>(-0.59 * 65536));
    EXPECT_EQ(m.factor[2], static_cast<LONG>(-0.11 * 65536));
    BuildAdjustMatrix(&m, 0, -100, 0);  // s = 0.5: negative saturation weighs half
    EXPECT_NEAR(m.factor[4], static_cast<LONG>((0.59 + 0.41 * 0.5) * 65536), 1);
    // Strong adjustment of a saturated colour lands outside 0..255 and is clamped per byte.
    std::array<BYTE, 3> in{255, 0, 255}, out{};
    BuildAdjustMatrix(&m, 100, 100, 100);
    ApplyAdjustMatrixRgb(&m, in.data(), out.data(), 1);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 255);
}

TEST(ColourAdjust, PerKindMatricesAreSeparate) {
    ColourAdjustSettings s = Settings(1, kAll, {{{100, 0, 0}, {-100, 0, 0}, {}, {}}});
    ColourAdjustContext ctx{};
    PrepareColourAdjust(&ctx, &s);
    EXPECT_EQ(ctx.selected, AdjustText | AdjustGraphics);
    EXPECT_EQ(TextAdjusted(ctx, 100, 100, 100), (std::array<BYTE, 3>{150, 150, 150}));
    std::array<BYTE, 3> out{};
    BYTE format = 0;
    AdjustGraphicsColour(&ctx, RGB(100, 100, 100), out.data(), &format);
    EXPECT_EQ(out, (std::array<BYTE, 3>{50, 50, 50}));
    EXPECT_EQ(ctx.matrixOf[2], -1);
    // A copied context (DrvResetPDEV carries the colour state) still finds its own matrices.
    ColourAdjustContext copy = ctx;
    ctx.matrices[0].offset[0] = 0;
    EXPECT_EQ(TextAdjusted(copy, 100, 100, 100), (std::array<BYTE, 3>{150, 150, 150}));
}

TEST(ColourAdjust, BufferRefusesHugeSizesAndCopiesWithoutMatrix) {
    std::vector<BYTE> in = {1, 2, 3, 4, 5, 6}, out(6, 0xEE);
    EXPECT_EQ(ApplyAdjustWithBuffer(nullptr, in.data(), out.data(), 65536, 1), -5);
    EXPECT_EQ(ApplyAdjustWithBuffer(nullptr, in.data(), out.data(), 1, 65536), -5);
    EXPECT_EQ(out, std::vector<BYTE>(6, 0xEE));  // nothing written
    EXPECT_EQ(ApplyAdjustWithBuffer(nullptr, in.data(), out.data(), 2, 1), 1);
    EXPECT_EQ(out, in);
    ColourAdjustMatrix m{};
    BuildAdjustMatrix(&m, 100, 0, 0);
    EXPECT_EQ(ApplyAdjustWithBuffer(&m, in.data(), out.data(), 1, 2), 1);
    EXPECT_EQ(out, (std::vector<BYTE>{51, 52, 53, 54, 55, 56}));
}

TEST(ColourAdjust, SettingsRecordGivesTriplesAndKinds) {
    using namespace orla;
    DriverDevmode rec{};
    Set(rec, dm::ImageAdjustMode, 1);
    Set(rec, dm::ImageAdjustValue(3), static_cast<DWORD>(-30));  // graphics brightness
    Set(rec, dm::ImageAdjustValue(8), static_cast<DWORD>(40));   // images contrast
    Set(rec, dm::ImageAdjustValue(1), static_cast<DWORD>(99));   // common brightness (not used per kind)
    ColourAdjustSettings s{};
    LoadColourAdjustSettings(rec.bytes, sizeof(rec.bytes), &s);
    EXPECT_EQ(s.mode, 1u);
    EXPECT_EQ(s.kinds, static_cast<DWORD>(ColourKindGraphics | ColourKindImages));
    EXPECT_EQ(s.triples[TripleGraphics][0], -30);
    EXPECT_EQ(s.triples[TripleImages][2], 40);
    EXPECT_EQ(s.triples[TripleText][0], 0);
    for (int t = 0; t < 4; ++t) EXPECT_EQ(s.triples[t][1], 0);  // saturation is never set

    Set(rec, dm::ImageAdjustMode, 0);
    Set(rec, dm::ImageAdjustValue(5), static_cast<DWORD>(0x7FFFFFFF));  // common contrast, absurd
    LoadColourAdjustSettings(rec.bytes, sizeof(rec.bytes), &s);
    EXPECT_EQ(s.mode, 0u);
    EXPECT_EQ(s.kinds, kAll);
    EXPECT_EQ(s.triples[TripleCommon][0], 99);
    EXPECT_EQ(s.triples[TripleCommon][2], 32767);
    // A short record reads as zero and selects nothing.
    LoadColourAdjustSettings(rec.bytes, 300, &s);
    EXPECT_EQ(s.kinds, 0u);
}

}  // namespace
