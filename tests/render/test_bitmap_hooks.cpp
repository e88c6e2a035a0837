// The bitmap hooks through a real device context and engine objects: the ROP4 groups, the
// palette polarity of 1-bit sources, the zoom rule of small sources, the device-surface copy,
// output failures, damaged device contexts, brush realisation, the drawing prologue and the
// download cache's resets.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "command_page_fixture.h"
#include "render/bitmap_hooks.h"
#include "render/brushes.h"
#include "render/drawing_hooks.h"
#include "render/glyph_cache.h"
#include "render/graphics_state.h"
#include "win/gdi.h"

namespace render_test {
namespace {

// A command-mode page at zoom 100 with the engine objects a bitmap hook takes.
class BitmapHookTest : public CommandPageTest {
protected:
    void SetUp() override {
        CommandPageTest::SetUp();
        if (HasFatalFailure()) return;
        pdev()->geometry.zoom = 100;
    }
    void TearDown() override {
        for (XLATEOBJ* x : xlates_) PlatXlateDelete(x);
        for (BRUSHOBJ* b : brushes_) PlatBrushDelete(b);
        for (SURFOBJ* so : locked_) EngUnlockSurface(so);
        for (HSURF s : bitmaps_) EngDeleteSurface(s);
        for (HPALETTE p : palettes_) EngDeletePalette(p);
        CommandPageTest::TearDown();
    }

    // A top-down engine bitmap whose rows are `rowBytes` each (filled with `fill`, then `first`
    // in the first bytes of every row).
    SURFOBJ* Bitmap(LONG width, LONG height, ULONG format, BYTE fill, Bytes first = {}) {
        HSURF s = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{width, height}, 0, format, BMF_TOPDOWN, nullptr));
        EXPECT_NE(s, nullptr);
        bitmaps_.push_back(s);
        SURFOBJ* so = EngLockSurface(s);
        locked_.push_back(so);
        for (LONG y = 0; y < height; ++y) {
            BYTE* row = static_cast<BYTE*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
            std::memset(row, fill, static_cast<size_t>(so->lDelta));
            std::copy(first.begin(), first.end(), row);
        }
        return so;
    }
    XLATEOBJ* Palette(ULONG first, ULONG second) {
        ULONG colours[2] = {first, second};
        HPALETTE pal = EngCreatePalette(PAL_INDEXED, 2, colours, 0, 0, 0);
        palettes_.push_back(pal);
        XLATEOBJ* x = PlatXlateCreate(pal, nullptr);
        xlates_.push_back(x);
        return x;
    }
    BRUSHOBJ* Solid(ULONG rgb) {
        BRUSHOBJ* b = PlatBrushCreateSolid(rgb, rgb);
        brushes_.push_back(b);
        return b;
    }

    std::vector<XLATEOBJ*> xlates_;
    std::vector<BRUSHOBJ*> brushes_;
    std::vector<SURFOBJ*> locked_;
    std::vector<HSURF> bitmaps_;
    std::vector<HPALETTE> palettes_;
};

Bytes PlainImage(LONG width, LONG rows, const Bytes& data) {
    return Cat({{0xF2, 0x00, 0x00, 0x00}, Be16(width), Be16(rows), Be32(static_cast<DWORD>(data.size())), data});
}

TEST_F(BitmapHookTest, DestinationUnchangedDrawsNothing) {
    RECTL target{10, 10, 50, 50};
    EXPECT_TRUE(
        DrvBitBlt(dev_, nullptr, nullptr, nullptr, nullptr, &target, nullptr, nullptr, nullptr, nullptr, 0xAAAA));
    EXPECT_TRUE(Out().empty());
}

// A 16 x 4 source: the first byte of each row 0x0F, the second 0x3C.
TEST_F(BitmapHookTest, PalettePolarityDecidesTheComplement) {
    struct Case {
        ULONG first, second;
        Bytes row;
    } const cases[] = {
        {0xFFFFFF, 0x000000, {0x0F, 0x3C}},  // white then black: the bits print as they are
        {0x000000, 0xFFFFFF, {0xF0, 0xC3}},  // black then white: complemented
    };
    for (const Case& c : cases) {
        SURFOBJ* src = Bitmap(16, 4, BMF_1BPP, 0x00, {0x0F, 0x3C});
        RECTL target{100, 200, 116, 204};
        POINTL origin{0, 0};
        ASSERT_TRUE(DrvBitBlt(dev_, src, nullptr, Clip({target}), Palette(c.first, c.second), &target, &origin, nullptr,
                              nullptr, nullptr, 0xCCCC));
        Bytes data;
        for (int r = 0; r < 4; ++r) data.insert(data.end(), c.row.begin(), c.row.end());
        EXPECT_TRUE(Contains(Out(), PlainImage(16, 4, data))) << std::hex << c.first;
    }
}

TEST_F(BitmapHookTest, SourceOffsetShiftsTheRows) {
    // Source x 4: each row's pixels start half-way into the first byte.
    SURFOBJ* src = Bitmap(24, 2, BMF_1BPP, 0x00, {0x0F, 0xF0, 0xAA});
    RECTL target{0, 0, 16, 2};
    POINTL origin{4, 0};
    ASSERT_TRUE(DrvBitBlt(dev_, src, nullptr, Clip({target}), Palette(0xFFFFFF, 0), &target, &origin, nullptr, nullptr,
                          nullptr, 0xCCCC));
    EXPECT_TRUE(Contains(Out(), PlainImage(16, 2, {0xFF, 0x0A, 0xFF, 0x0A})));
}

TEST_F(BitmapHookTest, Rop4GroupsChooseFillImageOrEngine) {
    struct Case {
        ROP4 rop;
        Bytes rop3Sent;  // the A6 pair the hook sends
        bool fill;       // a solid brush selection (A5 0x01) goes out
        bool image;      // an image goes out
    } const cases[] = {
        {0xF0F0, {}, true, false},                        // pattern only: fill
        {0x8888, {0xA6, 0x00, 0xEE, 0xEE}, false, true},  // source: operation, then the image
        {0xE2E2, {}, true, true},                         // source and pattern: fill, then the image
        {0x6A6A, {0xA6, 0x00, 0xCC, 0xCC}, false, true},  // other: drawn by the engine, sent as an image
    };
    for (const Case& c : cases) {
        ResetGraphicsStateCache(pdev());
        pdev()->graphics.vectorResolution = static_cast<WORD>(pdev()->geometry.resolution);
        pdev()->graphics.downloadCachePrepared = TRUE;
        SURFOBJ* src = Bitmap(16, 4, BMF_1BPP, 0x00, {0x0F, 0x3C});
        RECTL target{100, 200, 116, 204};
        POINTL origin{0, 0};
        ASSERT_TRUE(DrvBitBlt(dev_, src, nullptr, Clip({target}), Palette(0xFFFFFF, 0), &target, &origin, nullptr,
                              Solid(0x000000), &origin, c.rop))
            << std::hex << c.rop;
        Bytes out = Out();
        EXPECT_EQ(Contains(out, {0xA5, 0x01}), c.fill) << std::hex << c.rop;
        EXPECT_EQ(Contains(out, {0xF2, 0x00, 0x00}), c.image) << std::hex << c.rop;
        if (!c.rop3Sent.empty()) {
            EXPECT_TRUE(Contains(out, c.rop3Sent)) << std::hex << c.rop;
        }
        if (c.fill && c.image) {
            EXPECT_LT(Find(out, {0xA5, 0x01}), Find(out, {0xF2, 0x00, 0x00})) << "fill first";
        }
        EXPECT_FALSE(pdev()->state & (kStateInBitmapHook | kStateRopChosen | kStatePatternOnlyFill))
            << std::hex << c.rop;
    }
}

TEST_F(BitmapHookTest, SmallSourcesAtSeventyPercentAreScaledByThePrinter) {
    pdev()->geometry.zoom = 70;
    struct Case {
        LONG width, height;
        bool scaledByPrinter;
    } const cases[] = {{64, 64, true}, {65, 64, false}};
    for (const Case& c : cases) {
        SURFOBJ* src = Bitmap(c.width, c.height, BMF_1BPP, 0xFF, {0x00});
        RECTL target{0, 0, c.width, c.height};
        POINTL origin{0, 0};
        ASSERT_TRUE(DrvBitBlt(dev_, src, nullptr, nullptr, Palette(0, 0xFFFFFF), &target, &origin, nullptr, nullptr,
                              nullptr, 0xCCCC))
            << c.width;
        Bytes out = Out();
        if (c.scaledByPrinter) {
            // 0xF4, kind 0, 0x00, format, then source 64 x 64 and target 44 x 44.
            const size_t at = Find(out, {0xF4, 0x00, 0x00});
            ASSERT_NE(at, std::string::npos);
            EXPECT_EQ(Bytes(out.begin() + at + 4, out.begin() + at + 12),
                      Cat({Be16(64), Be16(64), Be16(44), Be16(44)}));
        } else {
            EXPECT_FALSE(Contains(out, {0xF4, 0x00, 0x00})) << "the engine shrinks it";
            // The shrunk source (65 x 64 at 70 %: 45 x 44) comes back as a plain image.
            const size_t at = Find(out, {0xF2, 0x00, 0x00});
            ASSERT_NE(at, std::string::npos);
            EXPECT_EQ(Bytes(out.begin() + at + 4, out.begin() + at + 8), Cat({Be16(45), Be16(44)}));
        }
    }
}

TEST_F(BitmapHookTest, PatternFillStaysInsideItsClipRectangle) {
    // The clip piece is kept as the page clip during a pattern-only fill, so the fill itself is
    // cut to it: 101 x 101 pixels (the clip bounds plus one), not the 1000 x 1000 target.
    RECTL target{0, 0, 1000, 1000};
    POINTL origin{0, 0};
    ASSERT_TRUE(DrvBitBlt(dev_, nullptr, nullptr, Clip({RECTL{100, 100, 200, 200}}), nullptr, &target, nullptr, nullptr,
                          Solid(0x000000), &origin, 0xF0F0));
    Bytes out = Out();
    EXPECT_TRUE(Contains(out, {0xDB, 0x65, 0x00, 0x65}));
    EXPECT_FALSE(Contains(out, {0xDD, 0x00, 0x03, 0xE8})) << "no fill of the whole target";
    // Bit 28 was "pattern-only fill" to the hook and "store the page clip" to the walker.
    const RECTL kept = pdev()->geometry.bandClip[0];
    EXPECT_EQ(kept.left, 100);
    EXPECT_EQ(kept.top, 100);
    EXPECT_EQ(kept.right, 201);
    EXPECT_EQ(kept.bottom, 201);
    EXPECT_FALSE(pdev()->state & (kStatePatternOnlyFill | kStateInBitmapHook));
}

// Bit 20 means both "inside a bitmap hook" and "try a complex clip as a clip path": entering a
// bitmap hook arms the clip-path attempt even after an earlier hook gave it up, and returning
// from the hook leaves it clear.
TEST_F(BitmapHookTest, EnteringABitmapHookArmsTheClipPathAttempt) {
    struct Case {
        const char* name;
        DWORD before;
    } const cases[] = {{"given up by an earlier hook", 0}, {"already armed", kStateClipPathAttempt}};
    for (const Case& c : cases) {
        ResetGraphicsStateCache(pdev());
        pdev()->graphics.deviceLimits[5] = 1000;  // room for the outline as a clip path
        pdev()->state = (pdev()->state & ~kStateClipPathAttempt) | c.before;
        const size_t start = Out().size();
        SURFOBJ* src = Bitmap(32, 12, BMF_1BPP, 0x00);
        RECTL target{0, 0, 32, 12};
        POINTL origin{0, 0};
        ASSERT_TRUE(DrvBitBlt(dev_, src, nullptr, Clip({RECTL{0, 0, 10, 10}, RECTL{20, 0, 30, 10}}),
                              Palette(0xFFFFFF, 0), &target, &origin, nullptr, nullptr, nullptr, 0xCCCC))
            << c.name;
        const Bytes all = Out();
        const Bytes out(all.begin() + static_cast<std::ptrdiff_t>(start), all.end());
        EXPECT_TRUE(Contains(out, {0xB5, 0x04}) || Contains(out, {0xB5, 0x02})) << c.name << ": clip path tried";
        EXPECT_FALSE(pdev()->state & kStateClipPathAttempt) << c.name << ": the hook leaves bit 20 clear";
    }
}

TEST_F(BitmapHookTest, GreySourcesAreHalftonedThroughTheEngine) {
    SURFOBJ* src = Bitmap(16, 8, BMF_8BPP, 0x00);  // black grey levels
    RECTL target{0, 0, 16, 8};
    POINTL origin{0, 0};
    ASSERT_TRUE(DrvCopyBits(dev_, src, nullptr, nullptr, &target, &origin));
    Bytes out = Out();
    // Black halftones to all black: sixteen pixels, eight rows of 0xFF 0xFF after complementing.
    EXPECT_TRUE(Contains(out, PlainImage(16, 8, Bytes(16, 0xFF))));
    EXPECT_EQ(pdev()->bandRecord->flags, 0) << "the callback flags are cleared after";
}

TEST_F(BitmapHookTest, StretchBltHalftonesToTheTargetSize) {
    SURFOBJ* src = Bitmap(8, 4, BMF_8BPP, 0x00);  // black, doubled in both directions
    RECTL target{0, 0, 16, 8};
    RECTL source{0, 0, 8, 4};
    ASSERT_TRUE(
        DrvStretchBlt(dev_, src, nullptr, nullptr, nullptr, nullptr, nullptr, &target, &source, nullptr, HALFTONE));
    EXPECT_TRUE(Contains(Out(), PlainImage(16, 8, Bytes(16, 0xFF))));
    EXPECT_EQ(pdev()->bandRecord->flags, 0);
    EXPECT_FALSE(pdev()->state & kStateInBitmapHook);
}

TEST_F(BitmapHookTest, BandModeDrawsIntoTheBandWithoutWriting) {
    SURFOBJ* band = Bitmap(16, 2, BMF_1BPP, 0xFF);  // white
    band->dhpdev = e_.dhpdev;
    pdev()->state |= kStateRasterMode;
    RECTL target{0, 0, 8, 2};
    EXPECT_TRUE(
        DrvBitBlt(band, nullptr, nullptr, nullptr, nullptr, &target, nullptr, nullptr, nullptr, nullptr, 0x0000));
    pdev()->state &= ~kStateRasterMode;
    for (LONG y = 0; y < 2; ++y) {
        const BYTE* row = static_cast<const BYTE*>(band->pvScan0) + static_cast<ptrdiff_t>(y) * band->lDelta;
        EXPECT_EQ(row[0], 0x00) << "blackness drawn by the engine";
        EXPECT_EQ(row[1], 0xFF) << "outside the target";
    }
    EXPECT_TRUE(Out().empty());
}

// ---- Turned sheets ----

// A picture of 4 x 4 cells ('X' black), each cell `cell` pixels square, as rows of 1-bit pixels
// (1 = black), two bytes a row for a cell of 4.
Bytes CellPicture(const std::vector<std::string>& rows, int cell) {
    const int width = static_cast<int>(rows[0].size()) * cell;
    const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
    Bytes out(rowBytes * rows.size() * static_cast<size_t>(cell), 0);
    for (size_t r = 0; r < rows.size(); ++r)
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < width; ++x)
                if (rows[r][static_cast<size_t>(x / cell)] == 'X')
                    out[(r * static_cast<size_t>(cell) + static_cast<size_t>(y)) * rowBytes +
                        static_cast<size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
    return out;
}

TEST_F(BitmapHookTest, ImagesOnATurnedSheetTurnWithThePage) {
    // An "F" of 16 x 16 pixels. A turned sheet turns the page a quarter anticlockwise (page x runs
    // up the sheet, page y across it): the image must turn the same way, its stem becoming the
    // bottom row and its top bar the left column, and it must be placed by the page corner that
    // becomes its top-left on the sheet, the target's top-right. Complex clips go through the
    // rotated writer, plain ones through the source writer; both must turn.
    const std::vector<std::string> f = {"XXXX", "X...", "XXX.", "X..."};
    const std::vector<std::string> fTurned = {"X...", "X.X.", "X.X.", "XXXX"};
    struct Case {
        const char* what;
        WORD layout;
        bool complexClip;
        const std::vector<std::string>& sent;
        bool cornerRight;
    } const cases[] = {
        {"one page a sheet", 1, false, f, false},
        {"one page a sheet, complex clip", 1, true, f, false},
        {"turned sheet, complex clip", 2, true, fTurned, true},
        {"turned sheet, one clip rectangle", 2, false, fTurned, true},
    };
    const RECTL target{100, 200, 116, 216};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        orla::Set(pdev()->settings.record, orla::dm::LayoutMode, c.layout);
        SURFOBJ* src = Bitmap(16, 16, BMF_1BPP, 0x00);
        const Bytes bits = CellPicture(f, 4);
        for (LONG y = 0; y < 16; ++y)
            std::memcpy(static_cast<BYTE*>(src->pvScan0) + static_cast<ptrdiff_t>(y) * src->lDelta, &bits[y * 2u], 2);
        // A far rectangle makes the clip complex without cutting the image.
        CLIPOBJ* clip = c.complexClip ? Clip({target, RECTL{0, 0, 1, 1}}) : Clip({target});
        ASSERT_EQ(clip->iDComplexity == DC_COMPLEX, c.complexClip);
        RECTL t = target;
        POINTL origin{0, 0};
        ASSERT_TRUE(DrvBitBlt(dev_, src, nullptr, clip, Palette(0xFFFFFF, 0x000000), &t, &origin, nullptr, nullptr,
                              nullptr, 0xCCCC));
        EXPECT_TRUE(Contains(Out(), PlainImage(16, 16, CellPicture(c.sent, 4))));
        const POINTL corner{c.cornerRight ? target.right : target.left, target.top};
        const POINTL want = TransformPagePoint(pdev(), corner);
        EXPECT_EQ(pdev()->graphics.x, want.x) << "the image is placed by its top-left on the sheet";
        EXPECT_EQ(pdev()->graphics.y, want.y);
    }
}

TEST_F(BitmapHookTest, PatternBrushesOnATurnedSheetTurnWithThePage) {
    // A 1-bit 8 x 8 "F" brush (rows complemented as sent): on a turned sheet the pattern turns a
    // quarter anticlockwise with the page, its stem becoming the bottom row.
    const Bytes f = {0xFC, 0x80, 0x80, 0xF8, 0x80, 0x80, 0x80, 0x00};
    const Bytes fTurned = {0x00, 0x00, 0x80, 0x90, 0x90, 0x90, 0x90, 0xFE};
    struct Case {
        const char* what;
        WORD layout;
        const Bytes& sent;
    } const cases[] = {{"one page a sheet", 1, f}, {"turned sheet", 2, fTurned}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        orla::Set(pdev()->settings.record, orla::dm::LayoutMode, c.layout);
        SURFOBJ* pattern = Bitmap(8, 8, BMF_1BPP, 0x00);
        for (LONG y = 0; y < 8; ++y)
            static_cast<BYTE*>(pattern->pvScan0)[static_cast<ptrdiff_t>(y) * pattern->lDelta] =
                static_cast<BYTE>(~f[static_cast<size_t>(y)]);
        BRUSHOBJ* brush = PlatBrushCreatePattern(e_.hdev, dev_, bitmaps_.back(), nullptr, Palette(0, 0xFFFFFF), 6);
        ASSERT_NE(brush, nullptr);
        brushes_.push_back(brush);
        RECTL target{0, 0, 100, 100};
        POINTL origin{0, 0};
        ASSERT_TRUE(
            DrvBitBlt(dev_, nullptr, nullptr, nullptr, nullptr, &target, nullptr, nullptr, brush, &origin, 0xF0F0));
        const Bytes out = Out();
        EXPECT_TRUE(Contains(out, Cat({{0x01, 0x00}, c.sent, {0xA4, 0x00, 0x01, 0x00}})));
    }
}

TEST_F(BitmapHookTest, CopyFromTheDeviceSurfacePaintsTheTargetWhite) {
    SURFOBJ* target = Bitmap(16, 2, BMF_1BPP, 0x00);
    target->dhpdev = e_.dhpdev;
    RECTL rect{0, 0, 16, 2};
    POINTL origin{0, 0};
    ASSERT_TRUE(DrvCopyBits(target, dev_, nullptr, nullptr, &rect, &origin));
    for (LONG y = 0; y < 2; ++y) {
        const BYTE* row = static_cast<const BYTE*>(target->pvScan0) + static_cast<ptrdiff_t>(y) * target->lDelta;
        EXPECT_EQ(row[0], 0xFF);
        EXPECT_EQ(row[1], 0xFF);
    }
}

TEST_F(BitmapHookTest, OutputFailureMakesEveryHookFailWithoutWriting) {
    pdev()->state |= kStateOutputFailed;
    SURFOBJ* src = Bitmap(16, 4, BMF_1BPP, 0x00);
    RECTL target{0, 0, 16, 4};
    RECTL source{0, 0, 16, 4};
    POINTL origin{0, 0};
    EXPECT_FALSE(DrvBitBlt(dev_, src, nullptr, nullptr, Palette(0, 0xFFFFFF), &target, &origin, nullptr, nullptr,
                           nullptr, 0xCCCC));
    EXPECT_FALSE(
        DrvBitBlt(dev_, nullptr, nullptr, nullptr, nullptr, &target, nullptr, nullptr, Solid(0), &origin, 0xF0F0));
    EXPECT_FALSE(
        DrvStretchBlt(dev_, src, nullptr, nullptr, nullptr, nullptr, nullptr, &target, &source, nullptr, HALFTONE));
    EXPECT_FALSE(DrvCopyBits(dev_, src, nullptr, nullptr, &target, &origin));
    pdev()->state &= ~kStateOutputFailed;
    EXPECT_TRUE(Out().empty());
}

TEST_F(BitmapHookTest, DamagedDeviceContextGivesLastError87) {
    SURFOBJ fake{};
    std::vector<BYTE> junk(sizeof(PrinterPdev), 0x5A);
    fake.dhpdev = reinterpret_cast<DHPDEV>(junk.data());
    RECTL rect{0, 0, 8, 8};
    POINTL origin{0, 0};
    SURFOBJ* src = Bitmap(8, 8, BMF_1BPP, 0x00);
    struct Case {
        const char* hook;
        std::function<bool()> call;
    } const cases[] = {
        {"DrvBitBlt",
         [&] {
             return DrvBitBlt(&fake, src, nullptr, nullptr, nullptr, &rect, &origin, nullptr, nullptr, nullptr,
                              0xCCCC) != 0;
         }},
        {"DrvStretchBlt",
         [&] {
             return DrvStretchBlt(&fake, src, nullptr, nullptr, nullptr, nullptr, nullptr, &rect, &rect, nullptr,
                                  HALFTONE) != 0;
         }},
        {"DrvCopyBits", [&] { return DrvCopyBits(&fake, src, nullptr, nullptr, &rect, &origin) != 0; }},
        {"DrvRealizeBrush", [&] { return DrvRealizeBrush(Solid(0), &fake, src, nullptr, nullptr, 6) != 0; }},
        {"DrvDitherColor",
         [&] {
             ULONG out[16] = {};
             return DrvDitherColor(reinterpret_cast<DHPDEV>(junk.data()), 0, 0, out) != 0;
         }},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(c.call()) << c.hook;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << c.hook;
    }
    EXPECT_TRUE(Out().empty());
}

TEST_F(BitmapHookTest, DitherColorAlwaysAsksForHalftoning) {
    ULONG out[16] = {};
    EXPECT_EQ(DrvDitherColor(e_.dhpdev, 0, 0x123456, out), static_cast<ULONG>(DCR_HALFTONE));
}

TEST_F(BitmapHookTest, RealizedBrushHoldsBitsAndColourTable) {
    // An 8 x 2 pattern at 4 bpp with a two-entry table, and a hatch brush (no bits).
    SURFOBJ* pattern = Bitmap(8, 2, BMF_4BPP, 0x00, {0x01, 0x10, 0x01, 0x10});
    HSURF patternSurface = bitmaps_.back();
    XLATEOBJ* xlate = Palette(0x112233, 0x445566);
    struct Case {
        ULONG hatch;
        ULONG bitsSize;
    } const cases[] = {{6, 8}, {2, 0}};
    for (const Case& c : cases) {
        BRUSHOBJ* brush = PlatBrushCreatePattern(e_.hdev, dev_, patternSurface, nullptr, xlate, c.hatch);
        ASSERT_NE(brush, nullptr);
        brushes_.push_back(brush);
        const auto* rb = static_cast<const RealisedBrush*>(BRUSHOBJ_pvGetRbrush(brush));
        ASSERT_NE(rb, nullptr) << c.hatch;
        EXPECT_EQ(rb->width, 8);
        EXPECT_EQ(rb->height, 2);
        EXPECT_EQ(rb->format, static_cast<ULONG>(BMF_4BPP));
        EXPECT_EQ(rb->hatch, c.hatch);
        EXPECT_EQ(rb->colourEntries, 2u);
        EXPECT_EQ(rb->colourTableOffset, sizeof(RealisedBrush) + c.bitsSize);
        const BYTE* block = reinterpret_cast<const BYTE*>(rb);
        if (c.bitsSize != 0) {
            EXPECT_EQ(Bytes(block + 32, block + 36), Bytes({0x01, 0x10, 0x01, 0x10}));
        }
        DWORD second;
        std::memcpy(&second, block + rb->colourTableOffset + 4, 4);
        EXPECT_EQ(second & 0xFFFFFF, xlate->pulXlate[1] & 0xFFFFFF);
    }
    (void)pattern;
}

TEST_F(BitmapHookTest, ColourPatternBrushBecomesTheDownloadedTile) {
    // A 24-bpp pattern brush: black everywhere halftones to a black tile (all 1 bits sent).
    SURFOBJ* pattern = Bitmap(8, 8, BMF_24BPP, 0x00);
    BRUSHOBJ* brush = PlatBrushCreatePattern(e_.hdev, dev_, bitmaps_.back(), nullptr, nullptr, 6);
    ASSERT_NE(brush, nullptr);
    brushes_.push_back(brush);
    RECTL target{0, 0, 100, 100};
    POINTL origin{0, 0};
    ASSERT_TRUE(DrvBitBlt(dev_, nullptr, nullptr, nullptr, nullptr, &target, nullptr, nullptr, brush, &origin, 0xF0F0));
    Bytes out = Out();
    Bytes tile = Cat({{0xA0, 0x03, 0x01, 0x01}, Bytes(72, 0xFF), {0xA4, 0x00, 0x01, 0x01}});
    EXPECT_TRUE(Contains(out, tile));
    EXPECT_TRUE(Contains(out, {0xA2, 0xF0, 0x00, 0x10}));
    EXPECT_TRUE(Contains(out, {0xA3, 0xF0, 0x00, 0x4F}));
    EXPECT_FALSE(Contains(out, {0xF2, 0x00, 0x00})) << "captured, not sent as an image";
    EXPECT_FALSE(pdev()->state & kStatePatternCapture);
    (void)pattern;
}

// The engine cannot give the realised brush a block: the fill fails without sending a half
// pattern, and the next fill with memory to spare realises and draws it.
TEST_F(BitmapHookTest, BrushWithoutRoomToRealiseFailsTheFillCleanly) {
    Bitmap(8, 8, BMF_1BPP, 0xAA);
    BRUSHOBJ* brush = PlatBrushCreatePattern(e_.hdev, dev_, bitmaps_.back(), nullptr, Palette(0, 0xFFFFFF), 6);
    ASSERT_NE(brush, nullptr);
    brushes_.push_back(brush);
    RECTL target{0, 0, 100, 100};
    POINTL origin{0, 0};
    PlatInjectFailure("BRUSHOBJ_pvAllocRbrush", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(
        DrvBitBlt(dev_, nullptr, nullptr, nullptr, nullptr, &target, nullptr, nullptr, brush, &origin, 0xF0F0));
    EXPECT_FALSE(Contains(Out(), {0xA0})) << "no pattern download";
    EXPECT_FALSE(pdev()->state & (kStateInBitmapHook | kStatePatternOnlyFill | kStateRectangleFill));
    PlatClearInjections();
    EXPECT_TRUE(DrvBitBlt(dev_, nullptr, nullptr, nullptr, nullptr, &target, nullptr, nullptr, brush, &origin, 0xF0F0));
    EXPECT_TRUE(Contains(Out(), {0xA4, 0x00, 0x01, 0x00})) << "the 8 x 8 pattern is selected";
}

// ---- Prologue ----

TEST_F(BitmapHookTest, PrologueSendsOwedPageControlOnce) {
    pdev()->state |= kStateModeR | kStateModeZ;
    ASSERT_NE(DrawingHookPrologue(dev_), nullptr);
    ASSERT_NE(DrawingHookPrologue(dev_), nullptr);
    EXPECT_EQ(Out(), Bytes({0x1C, 0x52, 0x1C, 0x59}));
    EXPECT_FALSE(pdev()->state & (kStateModeR | kStateModeZ));
}

TEST_F(BitmapHookTest, PrologueRefusesAfterOutputFailure) {
    pdev()->state |= kStateOutputFailed | kStateModeZ;
    EXPECT_EQ(DrawingHookPrologue(dev_), nullptr);
    EXPECT_TRUE(pdev()->state & kStateModeZ) << "nothing was sent";
    pdev()->state &= ~kStateOutputFailed;
    EXPECT_TRUE(Out().empty());
}

// ---- Download cache ----

TEST_F(BitmapHookTest, FullResetEmptiesTheCacheAndDropsPrinterFonts) {
    struct Case {
        DWORD memory, budget;
    } const cases[] = {{10000, 9620}, {300, 0}};  // less memory than a font costs: no budget
    for (const Case& c : cases) {
        pdev()->graphics.deviceLimits[0] = c.memory;
        const size_t before = PdevAllocationCount(pdev()->allocationList);
        for (int i = 0; i < 3; ++i) {
            auto* e = static_cast<DownloadFontEntry*>(PdevAlloc(pdev()->allocationList, sizeof(DownloadFontEntry)));
            ASSERT_NE(e, nullptr);
            e->next = pdev()->downloadCache.heads[5];
            pdev()->downloadCache.heads[5] = e;
        }
        pdev()->downloadCache.exhausted = TRUE;
        pdev()->downloadCache.nextGlyphCode = 7;
        pdev()->state |= kStateFontStarted;
        ASSERT_TRUE(FullResetDownloadCache(pdev()));
        EXPECT_EQ(Out(), Bytes({0xBC, 0x21, 0x00, 0x00}));
        EXPECT_EQ(PdevAllocationCount(pdev()->allocationList), before) << "entries released";
        EXPECT_EQ(pdev()->downloadCache.heads[5], nullptr);
        EXPECT_EQ(pdev()->downloadCache.budget, c.budget);
        EXPECT_FALSE(pdev()->downloadCache.exhausted);
        EXPECT_EQ(pdev()->downloadCache.nextGlyphCode, 0);
        EXPECT_EQ(pdev()->downloadCache.fontId, kFirstDownloadFontId);
        EXPECT_FALSE(pdev()->state & kStateFontStarted);
    }
}

TEST_F(BitmapHookTest, PageEndAndPageResetFollowTheDownloadSwitch) {
    pdev()->graphics.deviceLimits[0] = 10000;
    ASSERT_TRUE(FullResetDownloadCache(pdev()));
    Out();
    const bool inUse = DownloadsInUse(pdev());
    EndPageDownloadCache(pdev());
    EXPECT_EQ(pdev()->downloadCache.budget, inUse ? 9240u : 9620u);
    EXPECT_EQ(pdev()->downloadCache.fontId, inUse ? kFirstDownloadFontId + 1 : kFirstDownloadFontId);
    pdev()->graphics.downloadCachePrepared = FALSE;
    ASSERT_NE(DrawingHookPrologue(dev_), nullptr);
    EXPECT_TRUE(pdev()->graphics.downloadCachePrepared);
    EXPECT_EQ(Contains(Out(), {0xBC, 0x21, 0x00, 0x00}), inUse);
    // At 240 dpi glyphs are never downloaded: nothing to reset.
    pdev()->geometry.resolution = 240;
    EXPECT_FALSE(DownloadsInUse(pdev()));
}

}  // namespace
}  // namespace render_test
