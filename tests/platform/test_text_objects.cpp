// The engine's text objects: TrueType font objects over the installed fonts (IFIMETRICS measured
// from the file, glyph bitmaps and outlines through the font transform), string objects handed
// out in batches as GDI does, and EngTextOut drawing on a bitmap.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "plat/gdi_control.h"
#include "win/ddi.h"
#include "win/gdi.h"
#include "win/kernel.h"

namespace {

constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kDejaVuOblique = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf";
constexpr const char* kIpaGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

struct TrueType {
    FONTOBJ* fo;
    TrueType(const char* file, double em, double angleDegrees = 0, ULONG charSet = ANSI_CHARSET) {
        PLAT_TRUETYPE_SETUP s{};
        s.fontFile = file;
        s.charSet = charSet;
        s.iUniq = 7;
        s.iFile = 0x1234;
        // Notional units of the 2048-unit em (DejaVu and IPA alike) to `em` device pixels, turned.
        const double k = em / 2048.0, a = angleDegrees * 3.14159265358979 / 180;
        s.xform = XFORML{static_cast<FLOATL>(k * std::cos(a)),
                         static_cast<FLOATL>(-k * std::sin(a)),
                         static_cast<FLOATL>(k * std::sin(a)),
                         static_cast<FLOATL>(k * std::cos(a)),
                         0,
                         0};
        fo = PlatTrueTypeFontCreate(&s);
    }
    TrueType(const TrueType&) = delete;
    TrueType& operator=(const TrueType&) = delete;
    ~TrueType() { PlatTrueTypeFontDelete(fo); }
    const GLYPHBITS* Bits(WCHAR c) {
        HGLYPH hg = PlatTrueTypeGlyphOf(fo, c);
        GLYPHDATA* gd = nullptr;
        if (FONTOBJ_cGetGlyphs(fo, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&gd)) != 1) return nullptr;
        return gd->gdf.pgb;
    }
};

struct String {
    STROBJ* so;
    explicit String(const PLAT_STRING_SETUP& s) : so(PlatStringCreate(&s)) {}
    String(const String&) = delete;
    String& operator=(const String&) = delete;
    ~String() { PlatStringDelete(so); }
};

struct Mono {
    HSURF hsurf;
    SURFOBJ* so;
    Mono(LONG cx, LONG cy)
        : hsurf(reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{cx, cy}, 0, BMF_1BPP, BMF_TOPDOWN, nullptr))),
          so(EngLockSurface(hsurf)) {
        RECTL all{0, 0, cx, cy};
        EngEraseSurface(so, &all, 1);
    }
    Mono(const Mono&) = delete;
    Mono& operator=(const Mono&) = delete;
    ~Mono() {
        EngUnlockSurface(so);
        EngDeleteSurface(hsurf);
    }
    bool Black(LONG x, LONG y) const {
        const BYTE* row = static_cast<const BYTE*>(so->pvScan0) + y * so->lDelta;
        return ((row[x >> 3] >> (7 - (x & 7))) & 1) == 0;
    }
    RECTL BlackBox() const {
        RECTL b{INT_MAX, INT_MAX, -1, -1};
        for (LONG y = 0; y < so->sizlBitmap.cy; ++y)
            for (LONG x = 0; x < so->sizlBitmap.cx; ++x)
                if (Black(x, y))
                    b = RECTL{std::min(b.left, x), std::min(b.top, y), std::max(b.right, x + 1),
                              std::max(b.bottom, y + 1)};
        return b;
    }
};

std::u16string FamilyOf(const IFIMETRICS* ifi) {
    return reinterpret_cast<const char16_t*>(reinterpret_cast<const BYTE*>(ifi) + ifi->dpwszFamilyName);
}

TEST(TrueTypeFont, IfiMetricsComeFromTheFontFile) {
    struct Case {
        const char* file;
        ULONG charSet;
        std::u16string family;
        FWORD em;
        USHORT weight;
        bool slanted;
    } cases[] = {
        {kDejaVu, ANSI_CHARSET, u"DejaVu Sans", 2048, 400, false},
        {kDejaVuOblique, ANSI_CHARSET, u"DejaVu Sans", 2048, 400, true},
        {kIpaGothic, SHIFTJIS_CHARSET, u"IPAGothic", 2048, 400, false},
    };
    for (const Case& c : cases) {
        TrueType f(c.file, 100, 0, c.charSet);
        ASSERT_NE(f.fo, nullptr) << c.file;
        const IFIMETRICS* ifi = FONTOBJ_pifi(f.fo);
        ASSERT_NE(ifi, nullptr);
        EXPECT_EQ(FamilyOf(ifi), c.family) << c.file;
        EXPECT_EQ(ifi->jWinCharSet, c.charSet) << c.file;
        EXPECT_EQ(ifi->fwdUnitsPerEm, c.em) << c.file;
        EXPECT_EQ(ifi->usWinWeight, c.weight) << c.file;
        EXPECT_EQ(ifi->ptlCaret.x != 0, c.slanted) << c.file;
        EXPECT_EQ(f.fo->flFontType & TRUETYPE_FONTTYPE, static_cast<FLONG>(TRUETYPE_FONTTYPE));
        EXPECT_GT(FONTOBJ_cGetAllGlyphHandles(f.fo, nullptr), 1000u);
    }
}

TEST(TrueTypeFont, AFileThatIsNoFontMakesNoObject) {
    PLAT_TRUETYPE_SETUP s{};
    s.fontFile = "/nonexistent/font.ttf";
    EXPECT_EQ(PlatTrueTypeFontCreate(&s), nullptr);
    EXPECT_EQ(PlatTrueTypeFontCreate(nullptr), nullptr);
}

TEST(TrueTypeFont, GlyphBitsFollowTheTransform) {
    // "H" of DejaVu Sans at a 2048-pixel em is 1493 units high: 73 pixels at a 100-pixel em.
    TrueType upright(kDejaVu, 100);
    const GLYPHBITS* gb = upright.Bits(u'H');
    ASSERT_NE(gb, nullptr);
    EXPECT_NEAR(gb->sizlBitmap.cy, 73, 1);
    EXPECT_NEAR(gb->ptlOrigin.y, -73, 1) << "the bitmap stands on the baseline, above the glyph point";
    const LONG width = gb->sizlBitmap.cx;

    TrueType turned(kDejaVu, 100, 90);
    const GLYPHBITS* tb = turned.Bits(u'H');
    ASSERT_NE(tb, nullptr);
    EXPECT_NEAR(tb->sizlBitmap.cx, 73, 1) << "a quarter turn swaps width and height";
    EXPECT_NEAR(tb->sizlBitmap.cy, width, 1);
}

TEST(TrueTypeFont, GlyphAdvanceAndOutline) {
    TrueType f(kDejaVu, 100);
    HGLYPH hg = PlatTrueTypeGlyphOf(f.fo, u'H');
    GLYPHDATA* gd = nullptr;
    ASSERT_EQ(FONTOBJ_cGetGlyphs(f.fo, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&gd)), 1u);
    // 1540 units of advance: 75.2 pixels.
    EXPECT_NEAR(static_cast<double>(gd->ptqD.x.QuadPart) / 4294967296.0, 75.2, 0.1);
    EXPECT_EQ(gd->ptqD.y.QuadPart, 0);
    EXPECT_EQ(gd->hg, hg);

    GLYPHDATA* gp = nullptr;
    ASSERT_EQ(FONTOBJ_cGetGlyphs(f.fo, FO_PATHOBJ, 1, &hg, reinterpret_cast<PVOID*>(&gp)), 1u);
    ASSERT_NE(gp->gdf.ppo, nullptr);
    RECTFX bounds{};
    PATHOBJ_vGetBounds(gp->gdf.ppo, &bounds);
    EXPECT_NEAR((bounds.yBottom - bounds.yTop) / 16.0, 73, 1.5);
}

TEST(TrueTypeFont, BadRequestsGiveNoGlyph) {
    TrueType f(kDejaVu, 100);
    PLAT_FONT_SETUP device{};
    device.iFace = 2;
    device.flFontType = DEVICE_FONTTYPE;
    FONTOBJ* dfo = PlatFontCreate(&device);
    struct Case {
        FONTOBJ* fo;
        ULONG mode;
        HGLYPH hg;
    } cases[] = {
        {f.fo, FO_GLYPHBITS, 0x7FFFFFFF},  // past the font's glyphs
        {f.fo, FO_HGLYPHS, 36},            // not a glyph query
        {dfo, FO_GLYPHBITS, 0x41},         // a device font has no engine glyphs
        {nullptr, FO_GLYPHBITS, 36},
    };
    for (const Case& c : cases) {
        HGLYPH hg = c.hg;
        PVOID out = nullptr;
        EXPECT_EQ(FONTOBJ_cGetGlyphs(c.fo, c.mode, 1, &hg, &out), 0u) << c.hg;
    }
    EXPECT_EQ(FONTOBJ_cGetAllGlyphHandles(dfo, nullptr), 0u);
    PlatFontDelete(dfo);
}

TEST(StringObject, PositionsComeInBatchesWhenTheyDoNotFitInOne) {
    struct Case {
        ULONG glyphs, batch;
        bool pgp;
        std::vector<ULONG> counts;
    } cases[] = {
        {10, 32, true, {10}},
        {70, 32, false, {32, 32, 6}},
        {64, 32, false, {32, 32}},
        {5, 2, false, {2, 2, 1}},
    };
    for (const Case& c : cases) {
        std::vector<HGLYPH> hg(c.glyphs);
        std::vector<POINTL> pos(c.glyphs);
        for (ULONG i = 0; i < c.glyphs; ++i) hg[i] = i, pos[i] = POINTL{static_cast<LONG>(10 * i), 50};
        PLAT_STRING_SETUP s{c.glyphs, hg.data(), pos.data(), nullptr, SO_HORIZONTAL, 0, c.batch, 932};
        String str(s);
        ASSERT_NE(str.so, nullptr);
        EXPECT_EQ(str.so->pgp != nullptr, c.pgp) << c.glyphs;
        EXPECT_EQ(STROBJ_dwGetCodePage(str.so), 932u);
        std::vector<ULONG> counts;
        ULONG seen = 0;
        STROBJ_vEnumStart(str.so);
        BOOL more;
        do {
            ULONG n = 0;
            GLYPHPOS* gp = nullptr;
            more = STROBJ_bEnum(str.so, &n, &gp);
            counts.push_back(n);
            for (ULONG i = 0; i < n; ++i, ++seen) EXPECT_EQ(gp[i].hg, seen);
        } while (more);
        EXPECT_EQ(counts, c.counts) << c.glyphs;
        EXPECT_EQ(seen, c.glyphs);
    }
}

TEST(StringObject, BadCallsAreRefused) {
    ULONG n = 0;
    GLYPHPOS* gp = nullptr;
    EXPECT_EQ(STROBJ_bEnum(nullptr, &n, &gp), DDI_ERROR);
    PLAT_STRING_SETUP missing{3, nullptr, nullptr, nullptr, 0, 0, 0, 0};
    EXPECT_EQ(PlatStringCreate(&missing), nullptr);
}

TEST(EngineText, DrawsGlyphsOpaqueAndExtraRectanglesWithinTheClip) {
    TrueType f(kDejaVu, 40);
    const WCHAR text[] = u"HI";
    HGLYPH hg[2] = {PlatTrueTypeGlyphOf(f.fo, text[0]), PlatTrueTypeGlyphOf(f.fo, text[1])};
    POINTL pos[2] = {{20, 60}, {50, 60}};
    PLAT_STRING_SETUP s{2, hg, pos, text, SO_HORIZONTAL, 0, 1, 0};
    String str(s);
    BRUSHOBJ* black = PlatBrushCreateSolid(0, 0);

    Mono glyphsOnly(120, 100);
    ASSERT_TRUE(EngTextOut(glyphsOnly.so, str.so, f.fo, nullptr, nullptr, nullptr, black, nullptr, nullptr, 0x0D0D));
    const RECTL b = glyphsOnly.BlackBox();
    EXPECT_NEAR(b.left, 20 + 4, 2);  // H's left bearing
    EXPECT_NEAR(b.top, 60 - 29, 1);  // cap height 29 of a 40-pixel em
    EXPECT_EQ(b.bottom, 60);

    RECTL clipRect{0, 0, 40, 100};
    CLIPOBJ* clip = PlatClipCreate(&clipRect, 1);
    RECTL extra[2] = {{10, 70, 100, 72}, {0, 0, 0, 0}};
    Mono clipped(120, 100);
    ASSERT_TRUE(EngTextOut(clipped.so, str.so, f.fo, clip, extra, nullptr, black, nullptr, nullptr, 0x0D0D));
    const RECTL c = clipped.BlackBox();
    EXPECT_EQ(c.right, 40) << "nothing past the clip";
    EXPECT_EQ(c.bottom, 72) << "the underline rectangle is drawn";
    EXPECT_FALSE(clipped.Black(45, 71));
    PlatClipDelete(clip);
    PlatBrushDelete(black);
}

}  // namespace
