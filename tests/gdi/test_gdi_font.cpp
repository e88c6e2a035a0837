// Font objects and transforms applied to points: what a driver reads of a FONTOBJ, and
// XFORMOBJ_bApplyXform in each of its modes.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <vector>

#include "plat/gdi_control.h"
#include "win/ddi.h"
#include "win/kernel.h"

namespace {

struct Xform {
    XFORMOBJ* pxo;
    explicit Xform(const XFORML& m) : pxo(PlatXformCreate(&m)) {}
    Xform(const Xform&) = delete;
    Xform& operator=(const Xform&) = delete;
    ~Xform() { PlatXformDelete(pxo); }
};

struct Font {
    FONTOBJ* fo;
    explicit Font(const PLAT_FONT_SETUP& setup) : fo(PlatFontCreate(&setup)) {}
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font() { PlatFontDelete(fo); }
};

TEST(XformApply, EachModeMapsPointsAsTheMatrixSays) {
    // Scale by 2 and 3, then move by (10, -4).
    Xform x(XFORML{2, 0, 0, 3, 10, -4});
    struct Case {
        ULONG mode;
        POINTL in, out;
    } cases[] = {
        {XF_LTOL, {5, 7}, {20, 17}},        {XF_LTOFX, {5, 7}, {320, 272}}, {XF_INV_LTOL, {20, 17}, {5, 7}},
        {XF_INV_FXTOL, {320, 272}, {5, 7}}, {XF_LTOL, {-3, 0}, {4, -4}},
    };
    for (const Case& c : cases) {
        POINTL in = c.in, out{-1, -1};
        ASSERT_TRUE(XFORMOBJ_bApplyXform(x.pxo, c.mode, 1, &in, &out)) << c.mode;
        EXPECT_EQ(out.x, c.out.x) << "mode " << c.mode;
        EXPECT_EQ(out.y, c.out.y) << "mode " << c.mode;
    }
}

TEST(XformApply, RotationRoundsToTheNearestUnit) {
    // 30 degrees: (1000, 0) goes to (866.03, 500).
    Xform x(XFORML{0.8660254f, 0.5f, -0.5f, 0.8660254f, 0, 0});
    std::vector<POINTL> in = {{1000, 0}, {0, 1000}}, out(2);
    ASSERT_TRUE(XFORMOBJ_bApplyXform(x.pxo, XF_LTOL, 2, in.data(), out.data()));
    EXPECT_EQ(out[0].x, 866);
    EXPECT_EQ(out[0].y, 500);
    EXPECT_EQ(out[1].x, -500);
    EXPECT_EQ(out[1].y, 866);
}

TEST(XformApply, RefusesWhatItCannotDo) {
    Xform singular(XFORML{1, 2, 2, 4, 0, 0});
    Xform huge(XFORML{3e38f, 0, 0, -3e38f, 0, 0});
    POINTL in{1, 1}, out{7, 7};
    struct Case {
        const char* what;
        XFORMOBJ* pxo;
        ULONG mode;
        POINTL* pin;
        BOOL ok;
    } cases[] = {
        {"no inverse", singular.pxo, XF_INV_LTOL, &in, FALSE},
        {"unknown mode", singular.pxo, 9, &in, FALSE},
        {"no transform", nullptr, XF_LTOL, &in, FALSE},
        {"no points", singular.pxo, XF_LTOL, nullptr, FALSE},
        {"forward of a singular matrix", singular.pxo, XF_LTOL, &in, TRUE},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(XFORMOBJ_bApplyXform(c.pxo, c.mode, 1, c.pin, &out), c.ok) << c.what;
        if (!c.ok) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.what;
        }
    }
    ASSERT_TRUE(XFORMOBJ_bApplyXform(huge.pxo, XF_LTOFX, 1, &in, &out));
    EXPECT_EQ(out.x, std::numeric_limits<LONG>::max()) << "held in range, not wrapped";
    EXPECT_EQ(out.y, std::numeric_limits<LONG>::min());
}

TEST(FontObject, CarriesItsFaceTransformAndMetrics) {
    std::vector<ULONG_PTR> block(sizeof(IFIMETRICS) / sizeof(ULONG_PTR) + 4);
    auto* ifi = reinterpret_cast<IFIMETRICS*>(block.data());
    ifi->cjThis = sizeof(IFIMETRICS) + 8;
    ifi->jWinCharSet = 128;
    ifi->fwdUnitsPerEm = 2048;

    PLAT_FONT_SETUP setup{};
    setup.iFace = 7;
    setup.flFontType = TRUETYPE_FONTTYPE | FO_SIM_BOLD;
    setup.hasXform = TRUE;
    setup.xform = XFORML{0.5f, 0, 0, 0.5f, 0, 0};
    setup.ifi = ifi;
    Font font(setup);
    ASSERT_NE(font.fo, nullptr);
    ifi->fwdUnitsPerEm = 1;  // the engine keeps its own copy
    EXPECT_EQ(font.fo->iFace, 7u);
    EXPECT_EQ(font.fo->flFontType, static_cast<FLONG>(TRUETYPE_FONTTYPE | FO_SIM_BOLD));
    const IFIMETRICS* kept = FONTOBJ_pifi(font.fo);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->fwdUnitsPerEm, 2048);
    EXPECT_EQ(kept->jWinCharSet, 128);
    XFORML m{};
    EXPECT_EQ(XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(font.fo), &m), static_cast<ULONG>(GX_SCALE));
    EXPECT_FLOAT_EQ(m.eM11, 0.5f);

    PLAT_FONT_SETUP device{};
    device.iFace = 2;
    device.flFontType = DEVICE_FONTTYPE;
    Font plain(device);
    EXPECT_EQ(FONTOBJ_pifi(plain.fo), nullptr) << "a device font is described by its driver";
    EXPECT_EQ(FONTOBJ_pxoGetXform(plain.fo), nullptr);

    FONTOBJ stranger{};
    EXPECT_EQ(FONTOBJ_pifi(&stranger), nullptr) << "not an engine object";
    EXPECT_EQ(FONTOBJ_pxoGetXform(&stranger), nullptr);

    IFIMETRICS shortBlock{};
    shortBlock.cjThis = 16;
    setup.ifi = &shortBlock;
    SetLastError(0);
    EXPECT_EQ(PlatFontCreate(&setup), nullptr) << "IFIMETRICS shorter than the structure";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
