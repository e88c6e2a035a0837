// The glyph download cache: a glyph is defined once per page and printed by its code after, a
// turned glyph is a glyph of its own, the budget, glyph images when nothing may be downloaded,
// and the glyph strip format.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "text_page_fixture.h"

namespace render_test {
namespace {

const Bytes kFirstDefinition = B({0xC0, 0x00, 0xF0, 0x00, 0x01});
const Bytes kLaterDefinition = B({0xC1, 0x00, 0xF0, 0x00, 0x01});
const Bytes kGlyphImage = B({0xF2, 0x00, 0x00, 0x10});

class GlyphDownload : public TextPageTest {
protected:
    void SetUp() override {
        TextPageTest::SetUp();
        if (HasFatalFailure()) return;
        Memory(100000);
    }
    // The printer's download memory, and the full reset that takes it.
    void Memory(DWORD bytes) {
        pdev()->graphics.deviceLimits[0] = bytes;
        ASSERT_TRUE(FullResetDownloadCache(pdev()));
        Out();
    }
    BOOL DrawText(const std::u16string& text, LONG y, double degrees = 0, double em = 60) {
        FONTOBJ* tt = TrueType(kDejaVuSans, em, nullptr, ANSI_CHARSET, degrees);
        return Draw(String(Glyphs(tt, text), 300, y, 50, text.c_str()), tt);
    }
};

TEST_F(GlyphDownload, TheSecondUsePrintsFromTheCache) {
    ASSERT_TRUE(DrawText(u"H", 400));
    const Bytes first = Out();
    EXPECT_EQ(Occurrences(first, kFirstDefinition), 1u);
    EXPECT_TRUE(Contains(first, B({0xCB, 0x00, 0xF0, 0x00}))) << "the downloaded font selected";
    EXPECT_TRUE(Contains(first, B({0xCC, 0x00, 0x00, 0x00}))) << "printed as glyph code 0";

    ASSERT_TRUE(DrawText(u"H", 500));
    const Bytes second = Out();
    EXPECT_FALSE(Contains(second, kFirstDefinition));
    EXPECT_FALSE(Contains(second, kLaterDefinition));
    EXPECT_FALSE(Contains(second, B({0xCB, 0x00}))) << "the font is still selected";
    // Only the move and the character.
    ASSERT_GE(second.size(), 4u);
    EXPECT_EQ(Bytes(second.end() - 4, second.end()), B({0xCC, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Find(second, B({0xCC})), second.size() - 4) << Find(second, B({0xCC}));
}

TEST_F(GlyphDownload, LaterDefinitionsOfAPageUseTheSecondCommand) {
    ASSERT_TRUE(DrawText(u"HIH", 400));
    const Bytes out = Out();
    EXPECT_EQ(Occurrences(out, kFirstDefinition), 1u);
    EXPECT_EQ(Occurrences(out, kLaterDefinition), 1u) << "I is new, the second H is cached";
    EXPECT_LT(Find(out, kFirstDefinition), Find(out, kLaterDefinition));
    EXPECT_TRUE(Contains(out, B({0xCC, 0x00, 0x00, 0x01}))) << "I is glyph code 1";
}

TEST_F(GlyphDownload, ATurnedGlyphIsAnEntryOfItsOwn) {
    ASSERT_TRUE(DrawText(u"H", 400));
    Out();
    ASSERT_TRUE(DrawText(u"H", 600, 90));
    EXPECT_EQ(Occurrences(Out(), kLaterDefinition), 1u);
    ASSERT_TRUE(DrawText(u"H", 800, 0, 61));
    EXPECT_EQ(Occurrences(Out(), kLaterDefinition), 1u) << "another size is another entry too";
}

TEST_F(GlyphDownload, NoDownloadsAt240Dpi) {
    pdev()->geometry.resolution = 240;
    ASSERT_TRUE(DrawText(u"HI", 400));
    const Bytes out = Out();
    EXPECT_FALSE(Contains(out, kFirstDefinition));
    EXPECT_FALSE(Contains(out, kLaterDefinition));
    EXPECT_EQ(Occurrences(out, kGlyphImage), 2u) << "each glyph as an image";
}

TEST_F(GlyphDownload, AnExhaustedBudgetSendsTheRestAsImages) {
    // Room for about one glyph: the others go as images and nothing is lost.
    Memory(700);
    ASSERT_TRUE(DrawText(u"ABCDE", 400));
    const Bytes out = Out();
    EXPECT_TRUE(pdev()->downloadCache.exhausted);
    const size_t defined = Occurrences(out, kFirstDefinition) + Occurrences(out, kLaterDefinition);
    const size_t images = Occurrences(out, kGlyphImage);
    EXPECT_GE(defined, 1u);
    EXPECT_EQ(defined + images, 5u) << "every glyph printed one way or the other";
    // The next page starts with the printer's downloaded fonts dropped and the budget restored.
    ASSERT_TRUE(DrvSendPage(dev_));
    ASSERT_TRUE(DrvStartPage(dev_));
    ASSERT_TRUE(DrawText(u"F", 400));
    const Bytes next = Out();
    EXPECT_TRUE(Contains(next, B({0xBC, 0x21, 0x00, 0x00})));
    EXPECT_FALSE(pdev()->downloadCache.exhausted);
    EXPECT_TRUE(Contains(next, kFirstDefinition));
}

TEST_F(GlyphDownload, AGlyphTooLargeForTheDefinitionGoesAsAnImage) {
    // 1024 x 1024 of alternating rows: its strips take more than the 16 bits of a definition's
    // data length; the image command carries 32 bits.
    const LONG side = 1024;
    const size_t rowBytes = side / 8;
    std::vector<ULONG_PTR> block((offsetof(GLYPHBITS, aj) + rowBytes * side) / sizeof(ULONG_PTR) + 1);
    auto* gb = reinterpret_cast<GLYPHBITS*>(block.data());
    gb->ptlOrigin = POINTL{0, -side};
    gb->sizlBitmap = SIZEL{side, side};
    for (LONG y = 0; y < side; ++y) std::memset(gb->aj + y * rowBytes, (y % 2) ? 0xAA : 0x55, rowBytes);
    const std::vector<BYTE> strips = EncodeGlyphStrips(gb->aj, side, side, rowBytes);
    ASSERT_GT(strips.size(), 0xFFFFu);

    FONTOBJ* tt = TrueType(kDejaVuSans, 60);
    const DWORD budget = pdev()->downloadCache.budget;
    EXPECT_FALSE(DownloadGlyphForRun(pdev(), tt, FONTOBJ_pxoGetXform(tt), 1, gb, POINTL{100, 2000}));
    EXPECT_EQ(pdev()->downloadCache.budget, budget);
    EXPECT_TRUE(Out().empty()) << "nothing written for a refused download";
    ASSERT_TRUE(DownloadScaledGlyph(pdev(), gb, POINTL{100, 2000}));
    EXPECT_TRUE(Contains(Out(), Cat({kGlyphImage, Be16(side), Be16(side), Be32(static_cast<DWORD>(strips.size()))})));
}

TEST_F(GlyphDownload, CellGlyphsKeepTheZoomAndTurnWithTheSheet) {
    // A 10 x 4 glyph with only its top-left pixel set, sent as a scaled cell at 50 %: the printer
    // scales the strips as sent (16 columns with the padding), so the target is half of those; on
    // a turned sheet (two pages a sheet) the cell is turned a quarter anticlockwise with the page,
    // the pixel going to the bottom-left.
    struct Case {
        const char* what;
        WORD layout;
        LONG sentWidth, sentHeight;  // the turned bitmap before padding
        LONG pixelX, pixelY;         // where the set pixel lies in it
        WORD targetWidth, targetHeight;
    } const cases[] = {
        {"one page a sheet", 1, 10, 4, 0, 0, 8, 2},
        {"turned sheet", 2, 4, 10, 0, 9, 8, 5},
    };
    const LONG width = 10, height = 4;
    const size_t rowBytes = 4;  // GLYPHBITS rows are 32-bit aligned
    std::vector<ULONG_PTR> block((offsetof(GLYPHBITS, aj) + rowBytes * height) / sizeof(ULONG_PTR) + 1);
    auto* gb = reinterpret_cast<GLYPHBITS*>(block.data());
    gb->ptlOrigin = POINTL{0, -height};
    gb->sizlBitmap = SIZEL{width, height};
    gb->aj[0] = 0x80;
    pdev()->geometry.zoom = 50;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        orla::Set(pdev()->settings.record, orla::dm::LayoutMode, c.layout);
        const size_t expectRowBytes = (static_cast<size_t>(c.sentWidth) + 7) / 8;
        std::vector<BYTE> expected(expectRowBytes * static_cast<size_t>(c.sentHeight), 0);
        expected[static_cast<size_t>(c.pixelY) * expectRowBytes + static_cast<size_t>(c.pixelX / 8)] =
            static_cast<BYTE>(0x80 >> (c.pixelX % 8));
        const std::vector<BYTE> strips = EncodeGlyphStrips(expected.data(), c.sentWidth, c.sentHeight, expectRowBytes);
        ASSERT_TRUE(DownloadCellGlyph(pdev(), gb, POINTL{400, 400}));
        const WORD stripWidth = static_cast<WORD>((c.sentWidth + 15) / 16 * 16);
        EXPECT_TRUE(Contains(
            Out(), Cat({B({0xF4, 0x00, 0x00, 0x10}), Be16(stripWidth), Be16(static_cast<WORD>(c.sentHeight)),
                        Be16(c.targetWidth), Be16(c.targetHeight), Be32(static_cast<DWORD>(strips.size())), strips})));
    }
}

TEST(GlyphStrips, RowsAreStoredOnlyWhenTheyChange) {
    struct Case {
        const char* what;
        LONG width, height;
        std::vector<BYTE> rows;  // rowBytes = (width + 7) / 8
        Bytes strips;
    } cases[] = {
        {"one strip, two equal rows: one value and a pad",
         16,
         2,
         {0x81, 0x18, 0x81, 0x18},
         B({0, 0, 0, 0, 0, 16, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0x01, 0x81, 0x18, 0, 0})},
        {"two different rows", 8, 2, {0xF0, 0x0F}, B({0, 0, 0, 0, 0, 16,   0,    2,    0,    0,
                                                      0, 3, 0, 0, 0, 0x03, 0xF0, 0x00, 0x0F, 0x00})},
        {"two strips of a 24-pixel row", 24, 1, {0x12, 0x34, 0x56}, B({0, 0, 0, 0, 0, 32, 0,    1, 0, 0,    0,
                                                                       4, 0, 0, 0, 6, 0,  0,    0, 1, 0x12, 0x34,
                                                                       0, 0, 0, 0, 0, 1,  0x56, 0, 0, 0})},
    };
    for (const Case& c : cases) {
        const size_t rowBytes = (static_cast<size_t>(c.width) + 7) / 8;
        EXPECT_EQ(EncodeGlyphStrips(c.rows.data(), c.width, c.height, rowBytes), c.strips) << c.what;
    }
}

TEST(GlyphStrips, RowMasksSpanSeveralWords) {
    // 40 rows, each different: two mask words with bits 0..31 and 0..7.
    std::vector<BYTE> rows(80);
    for (size_t r = 0; r < 40; ++r) rows[2 * r] = static_cast<BYTE>(r + 1);
    const std::vector<BYTE> s = EncodeGlyphStrips(rows.data(), 16, 40, 2);
    ASSERT_EQ(s.size(), 12u + 8u + 80u);
    EXPECT_EQ(Bytes(s.begin() + 12, s.begin() + 20), B({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF}));
}

TEST(PitchTables, CountsAddUpToTheTarget) {
    struct Case {
        LONG zoom, n, target;
    } cases[] = {{50, 10, 5}, {75, 7, 5}, {100, 9, 9}, {33, 3, 1}, {50, 1, 1}};
    for (const Case& c : cases) {
        const std::vector<LONG> t = BuildPitchTable(c.zoom, c.n, c.target);
        LONG sum = 0;
        for (LONG v : t) {
            EXPECT_GE(v, 0);
            EXPECT_LE(v, 1) << "a reduction covers at most one pixel per source pixel";
            sum += v;
        }
        EXPECT_EQ(sum, c.target) << c.zoom << " " << c.n;
    }
    // A 4 x 4 square at 50 percent is a 2 x 2 square.
    const BYTE square[4] = {0xF0, 0xF0, 0xF0, 0xF0};
    const std::vector<BYTE> half =
        ConvertGlyphBitmap(square, 4, 4, 1, BuildPitchTable(50, 4, 2), BuildPitchTable(50, 4, 2));
    EXPECT_EQ(half, (std::vector<BYTE>{0xC0, 0xC0}));
}

}  // namespace
}  // namespace render_test
