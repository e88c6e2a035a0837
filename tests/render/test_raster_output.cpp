// Band raster output: the image commands byte by byte (placement, compression or plain rows,
// scaled forms), the blocks a band is cut into, and a banded page through the hooks whose black
// rectangle comes out as an image at the right place.
#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "byte_helpers.h"
#include "render/graphics_state.h"
#include "render/pjl_header.h"
#include "render/raster_output.h"
#include "render_fixture.h"

namespace render_test {
namespace {

void Append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// The move the printer gets for a device point (first form that holds it).
Bytes Move(LONG x, LONG y) {
    if (x >= -128 && x <= 127)
        return Bytes{0xB6, static_cast<BYTE>(x), static_cast<BYTE>(y >> 8), static_cast<BYTE>(y)};
    if (y >= -128 && y <= 127)
        return Bytes{0xB7, static_cast<BYTE>(y), static_cast<BYTE>(x >> 8), static_cast<BYTE>(x)};
    Bytes b{0xB8, 0x00};
    Append(b, Be16(x));
    Append(b, Be32(static_cast<DWORD>(y)));
    return b;
}

// Raster operation 0x88, the clip of the block (with its move) as the band writer sends them.
Bytes Placement(LONG x, LONG y, LONG width, LONG height, bool ropOwed = true) {
    Bytes b;
    if (ropOwed) b = {0xA6, 0x00, 0x88, 0x88};
    Append(b, Move(x, y));
    if (height < 256) {
        Append(b, {0xB1, static_cast<BYTE>(height)});
        Append(b, Be16(width));
    } else {
        Append(b, {0xB2, 0x00});
        Append(b, Be16(height));
        Append(b, Be16(width));
        Append(b, {0x00, 0x00});
    }
    return b;
}

Bytes ImageHeader(BYTE format, LONG width, LONG height, DWORD length) {
    Bytes b{0xF2, 0x00, 0x00, format};
    Append(b, Be16(width));
    Append(b, Be16(height));
    Append(b, Be32(length));
    return b;
}

Bytes ScaledHeader(BYTE format, LONG width, LONG height, LONG targetWidth, LONG targetHeight, DWORD length) {
    Bytes b{0xF4, 0x00, 0x00, format};
    Append(b, Be16(width));
    Append(b, Be16(height));
    Append(b, Be16(targetWidth));
    Append(b, Be16(targetHeight));
    Append(b, Be32(length));
    return b;
}

// Delta rows of `rows` (complemented already) against a zeroed seed, via the compressor.
std::optional<Bytes> Delta(const Bytes& rows, size_t count, size_t length) {
    Bytes seed(length, 0), area(DeltaRowOutputArea(count, length));
    BYTE* end = CompressDeltaRow(seed.data(), rows.data(), count, length, area.data(), static_cast<ptrdiff_t>(length));
    if (end == nullptr) return std::nullopt;
    return Bytes(area.data(), end);
}

Bytes Complemented(Bytes b) {
    for (BYTE& v : b) v = static_cast<BYTE>(~v);
    return b;
}

class RasterOutput : public PdevJobTest {
protected:
    void SetUp() override {
        PdevJobTest::SetUp();
        if (HasFatalFailure()) return;
        PrinterPdev* p = pdev();
        p->state = (p->state | kStateRasterMode) & ~kStateModeZ & ~kStateDoubledOutput;
        ResetGraphicsStateCache(p);
        p->state &= ~kStateDoubledOutput;
        p->geometry.zoom = 100;
        p->pageSetup.blankSheet = 1;
        offset_ = TransformPagePoint(p, POINTL{0, 0});
        pageWidth_ = p->geometry.printable.right - p->geometry.printable.left;
        pageHeight_ = p->geometry.printable.bottom - p->geometry.printable.top;
        ASSERT_GT(pageWidth_, 400);
        ASSERT_GT(pageHeight_, 400);
    }
    PrinterPdev* pdev() { return e_.pdev(); }

    // What the writers sent since the last call.
    Bytes Sent() {
        EXPECT_TRUE(FlushSpool(pdev()));
        std::string all = SpooledBytes();
        Bytes out(all.begin() + static_cast<ptrdiff_t>(std::min(seen_, all.size())), all.end());
        seen_ = all.size();
        return out;
    }

    POINTL offset_{};
    LONG pageWidth_ = 0;
    LONG pageHeight_ = 0;
    size_t seen_ = 0;
};

// A band of `rows` rows of `rowLength` bytes, white (0xFF) but for the given black bytes.
Bytes WhiteBand(size_t rows, size_t rowLength) {
    return Bytes(rows * rowLength, 0xFF);
}

TEST_F(RasterOutput, ABlockIsPlacedComplementedAndDeltaRowCompressed) {
    // 3 rows of 8 bytes (64 pixels): a black bar in the middle row.
    Bytes band = WhiteBand(3, 8);
    band[8 + 2] = 0x00, band[8 + 3] = 0x0F;
    Bytes original = band;
    WriteBandImage(pdev(), 64, 3, POINTL{16, 40}, band.data(), 24, 8);

    Bytes rows = Complemented(original);
    auto data = Delta(rows, 3, 8);
    ASSERT_TRUE(data.has_value());
    Bytes expected = Placement(offset_.x + 16, offset_.y + 40, 64, 3);
    Append(expected, ImageHeader(0x20, 64, 3, static_cast<DWORD>(data->size())));
    Append(expected, *data);
    EXPECT_EQ(Sent(), expected);
    // The data itself, spelled out: a blank row, the bar (skip 2, literal FF F0, skip 4), and a
    // blank row again coded against the bar above it (skip 2, repeat of 2 zeros, skip 4).
    EXPECT_EQ(*data, (Bytes{8, 0x80, 2, 0x42, 0xFF, 0xF0, 4, 0x80, 2, 0x82, 0x00, 4, 0x80}));
    EXPECT_EQ(pdev()->pageSetup.blankSheet, 0u) << "an image makes the page worth ejecting";
}

TEST_F(RasterOutput, TheRasterOperationAndAnUnchangedClipAreNotSentAgain) {
    Bytes band = WhiteBand(1, 4);
    band[0] = 0x7F;
    Bytes second = band;
    WriteBandImage(pdev(), 32, 1, POINTL{0, 0}, band.data(), 4, 4);
    Sent();
    WriteBandImage(pdev(), 32, 1, POINTL{0, 0}, second.data(), 4, 4);
    auto data = Delta(Complemented(Bytes{0x7F, 0xFF, 0xFF, 0xFF}), 1, 4);
    ASSERT_TRUE(data.has_value());
    Bytes expected = ImageHeader(0x20, 32, 1, static_cast<DWORD>(data->size()));
    Append(expected, *data);
    EXPECT_EQ(Sent(), expected) << "same operation, same clip, same position: only the image";
}

TEST_F(RasterOutput, DataThatDoesNotShrinkGoesOutPlain) {
    // Every byte differs from the one above and from its neighbour once complemented.
    constexpr LONG kRows = 4, kLength = 8;
    Bytes band(kRows * kLength);
    for (size_t i = 0; i < band.size(); ++i)
        band[i] = static_cast<BYTE>(((i / kLength) % 2 ? 0x10 : 0x90) + i % kLength);
    Bytes plain = Complemented(band);
    ASSERT_FALSE(Delta(plain, kRows, kLength).has_value());
    WriteBandImage(pdev(), 64, kRows, POINTL{0, 0}, band.data(), kRows * kLength, kLength);
    Bytes expected = Placement(offset_.x, offset_.y, 64, kRows);
    Append(expected, ImageHeader(0x00, 64, kRows, kRows * kLength));
    Append(expected, plain);
    EXPECT_EQ(Sent(), expected);
    EXPECT_EQ(pdev()->pageSetup.blankSheet, 0u) << "a plain image also marks the page as drawn";
}

// Wide rows go through the writer's wide steps (64 bytes at a time) and its byte tail alike: every
// byte sent is the complement of the band's, whether the rows lie back to back or are cut from
// longer scan lines, compressed or plain.
TEST_F(RasterOutput, WideRowsAreComplementedWholeInBothForms) {
    struct Case {
        const char* what;
        LONG rowBytes, stride, rows;
        bool noise;  // random bytes do not shrink: the plain form
    };
    const Case cases[] = {
        {"back to back, compressed", 200, 200, 5, false},
        {"cut from longer scan lines, compressed", 200, 212, 5, false},
        {"back to back, plain", 131, 131, 3, true},
        {"cut from longer scan lines, plain", 131, 140, 3, true},
    };
    std::mt19937 rng(24);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes band(static_cast<size_t>(c.stride * c.rows), 0xFF);
        Bytes rows;  // the rows as the printer must get them
        for (LONG r = 0; r < c.rows; ++r) {
            BYTE* row = band.data() + r * c.stride;
            for (LONG i = 0; i < c.rowBytes; ++i)
                row[i] = c.noise ? static_cast<BYTE>(rng()) : (rng() % 7 == 0 ? static_cast<BYTE>(rng()) : 0xFF);
            rows.insert(rows.end(), row, row + c.rowBytes);
        }
        rows = Complemented(rows);
        // At the page's right edge each scan line is cut to the block's own bytes.
        ResetGraphicsStateCache(pdev());
        const LONG x = pageWidth_ - offset_.x - c.rowBytes * 8;
        WriteBandImage(pdev(), c.rowBytes * 8, c.rows, POINTL{x, 0}, band.data(), static_cast<DWORD>(band.size()),
                       c.stride);
        const Bytes sent = Sent();
        const auto delta = Delta(rows, static_cast<size_t>(c.rows), static_cast<size_t>(c.rowBytes));
        ASSERT_EQ(delta.has_value(), !c.noise);
        const Bytes& data = c.noise ? rows : *delta;
        ASSERT_GE(sent.size(), data.size());
        EXPECT_EQ(Bytes(sent.end() - static_cast<ptrdiff_t>(data.size()), sent.end()), data);
        for (LONG r = 0; r < c.rows; ++r)
            for (LONG i = c.rowBytes; i < c.stride; ++i)
                EXPECT_EQ(band[static_cast<size_t>(r * c.stride + i)], 0xFF) << "the scan line's padding is left alone";
    }
}

TEST_F(RasterOutput, BlocksOfTwoBytesOrFewerAreNeverCompressed) {
    struct Case {
        LONG width, rows, rowLength;
    } cases[] = {{8, 1, 1}, {16, 1, 2}, {8, 2, 1}};
    for (const Case& c : cases) {
        ResetGraphicsStateCache(pdev());
        Bytes band(static_cast<size_t>(c.rows * c.rowLength), 0xFF);  // white: would code as a skip
        WriteBandImage(pdev(), c.width, c.rows, POINTL{0, 0}, band.data(), static_cast<DWORD>(band.size()),
                       c.rowLength);
        Bytes expected = Placement(offset_.x, offset_.y, c.width, c.rows);
        Append(expected, ImageHeader(0x00, c.width, c.rows, static_cast<DWORD>(band.size())));
        Append(expected, Bytes(band.size(), 0x00));
        EXPECT_EQ(Sent(), expected) << c.width << " x " << c.rows;
    }
}

TEST_F(RasterOutput, BlocksOutsideThePageAreDropped) {
    struct Case {
        const char* name;
        POINTL position;
    } cases[] = {
        {"right of the page", {0, 0}},
        {"below the page", {0, 0}},
        {"left of the page", {0, 0}},
        {"above the page", {0, 0}},
    };
    cases[0].position = {pageWidth_ - offset_.x + 5, 10};
    cases[1].position = {10, pageHeight_ - offset_.y + 5};
    cases[2].position = {-offset_.x - 64 - 1, 10};
    cases[3].position = {10, -offset_.y - 2 - 1};
    for (const Case& c : cases) {
        Bytes band(16, 0x00);
        WriteBandImage(pdev(), 64, 2, c.position, band.data(), 16, 8);
        EXPECT_EQ(Sent(), Bytes{}) << c.name;
    }
    EXPECT_EQ(pdev()->pageSetup.blankSheet, 1u) << "nothing was printed";
}

TEST_F(RasterOutput, RowsAreCutAtThePageWidth) {
    // Blocks of 8-byte scan lines near the page's right edge. Once x + width reaches the edge,
    // rows are cut to the pixels left (at most the block's width) in whole bytes, so no padding
    // byte of the scan line goes out; a block short of the edge keeps its scan lines.
    constexpr LONG kLength = 8;
    struct Case {
        const char* name;
        LONG width;     // block width in pixels
        LONG fromEdge;  // page width less x
        LONG sentWidth;
        size_t sentBytes;
    } cases[] = {
        {"passes the edge by 20 pixels", 64, 44, 44, 6},
        {"reaches the edge exactly", 44, 44, 44, 6},
        {"reaches the edge exactly on a byte boundary", 64, 64, 64, 8},
        {"one pixel short of the edge", 44, 45, 44, 8},
    };
    for (const Case& c : cases) {
        ResetGraphicsStateCache(pdev());
        const LONG x = pageWidth_ - offset_.x - c.fromEdge;
        Bytes band(2 * kLength, 0x00);  // black
        WriteBandImage(pdev(), c.width, 2, POINTL{x, 7}, band.data(), 2 * kLength, kLength);
        Bytes rows(2 * c.sentBytes, 0xFF);
        auto data = Delta(rows, 2, c.sentBytes);
        ASSERT_TRUE(data.has_value()) << c.name;
        Bytes expected = Placement(offset_.x + x, offset_.y + 7, c.sentWidth, 2);
        Append(expected, ImageHeader(0x20, c.sentWidth, 2, static_cast<DWORD>(data->size())));
        Append(expected, *data);
        EXPECT_EQ(Sent(), expected) << c.name;
    }
}

TEST_F(RasterOutput, ZoomAndDoubledOutputGiveTheScaledForm) {
    struct Case {
        const char* name;
        WORD zoom;
        bool doubled;
        LONG multiplier;  // 2 for 200 and 300 dpi jobs, whose device units are twice as fine
        LONG targetWidth, targetHeight;
        LONG x, y;  // device position less the page offset
    } cases[] = {
        {"zoom 150", 150, false, 1, 96, 3, 30, 60},
        {"zoom 200 doubled", 200, true, 1, 256, 8, 80, 160},
        {"doubled at 100", 100, true, 1, 128, 4, 40, 80},
        {"300 dpi band before any vector set-up", 100, false, 2, 128, 4, 40, 80},
        {"zoom 80 counts as none", 80, false, 1, 64, 2, 20, 40},
    };
    for (const Case& c : cases) {
        ResetGraphicsStateCache(pdev());
        pdev()->state &= ~kStateDoubledOutput;
        if (c.doubled) pdev()->state |= kStateDoubledOutput;
        pdev()->geometry.coordinateMultiplier = c.multiplier;
        pdev()->geometry.zoom = c.zoom;
        Bytes band(2 * 8, 0xFF);
        band[0] = 0x00;
        Bytes rows = Complemented(band);  // the writer complements the band in place
        WriteBandImage(pdev(), 64, 2, POINTL{20, 40}, band.data(), 16, 8);
        auto data = Delta(rows, 2, 8);
        ASSERT_TRUE(data.has_value());
        Bytes expected = Placement(offset_.x + c.x, offset_.y + c.y, c.targetWidth, c.targetHeight);
        if (c.zoom > 100 || c.doubled || c.multiplier == 2)
            Append(expected,
                   ScaledHeader(0x20, 64, 2, c.targetWidth, c.targetHeight, static_cast<DWORD>(data->size())));
        else
            Append(expected, ImageHeader(0x20, 64, 2, static_cast<DWORD>(data->size())));
        Append(expected, *data);
        EXPECT_EQ(Sent(), expected) << c.name;
    }
}

TEST_F(RasterOutput, ABlockWhoseScaledSizeDoesNotFitSixteenBitsIsDropped) {
    // 16400 pixels at 400 percent would be 65600 wide: no image command can say so.
    pdev()->geometry.zoom = 400;
    Bytes band(2050, 0x00);
    WriteBandImageLaidOut(pdev(), 16400, 1, POINTL{0, 0}, band.data(), 2050, 2050);
    EXPECT_EQ(Sent(), Bytes{});
    EXPECT_EQ(pdev()->pageSetup.blankSheet, 1u);
}

TEST_F(RasterOutput, WriteImageBlockWritesTheSixteenByteHeaderAndTheData) {
    const BYTE data[3] = {1, 2, 3};
    ASSERT_TRUE(WriteImageBlock(pdev(), 5, 0x20, 0x0102, 0x0304, 0x0506, 0x0708, 3, data));
    EXPECT_EQ(Sent(), (Bytes{0xF4, 5, 0x00, 0x20, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 3, 1, 2, 3}));
}

TEST_F(RasterOutput, ABandIsCutIntoBlocksOfNonWhiteRowsOfAtMostTheResolution) {
    // 40 rows of 4 bytes, 30 pixels: rows 2..4 black, row 10 black, rows 20..39 black; blocks of
    // at most 8 rows. The two padding bits after the last pixel are black in every row: they are
    // not pixels and make no row non-white.
    constexpr LONG kRows = 40, kLength = 4;
    Bytes band(kRows * kLength, 0xFF);
    for (LONG r = 0; r < kRows; ++r) band[static_cast<size_t>(r * kLength) + 3] = 0xFC;
    auto black = [&](LONG from, LONG to) {
        for (LONG r = from; r <= to; ++r) band[static_cast<size_t>(r * kLength) + 1] = 0x00;
    };
    black(2, 4);
    black(10, 10);
    black(20, 39);
    LONG blocks = WriteBandBlocks(pdev(), band.data(), 30, kRows, kLength, POINTL{0, 100}, 8);
    EXPECT_EQ(blocks, 5) << "3 rows, 1 row, then 20 rows as 8 + 8 + 4";

    // Read back the images: each image's rows and where it was placed.
    Bytes out = Sent();
    std::vector<std::pair<LONG, LONG>> placed;  // (y, rows)
    LONG y = 0;
    for (size_t i = 0; i < out.size();) {
        BYTE b = out[i];
        if (b == 0xA6)
            i += 4;
        else if (b == 0xB6)
            y = (out[i + 2] << 8 | out[i + 3]) - offset_.y, i += 4;
        else if (b == 0xB7)
            y = static_cast<signed char>(out[i + 1]) - offset_.y, i += 4;
        else if (b == 0xB1)
            i += 4;
        else if (b == 0xB2)
            i += 8;
        else if (b == 0xF2) {
            LONG h = out[i + 6] << 8 | out[i + 7];
            DWORD len = static_cast<DWORD>(out[i + 8]) << 24 | out[i + 9] << 16 | out[i + 10] << 8 | out[i + 11];
            placed.emplace_back(y, h);
            i += 12 + len;
        } else if (b == 0x1C)
            i += 2;  // mode switch
        else {
            ADD_FAILURE() << "unexpected byte " << int(b) << " at " << i;
            break;
        }
    }
    std::vector<std::pair<LONG, LONG>> expected = {{102, 3}, {110, 1}, {120, 8}, {128, 8}, {136, 4}};
    EXPECT_EQ(placed, expected);
}

TEST(RasterRows, WhiteRowTest) {
    for (size_t length : {0u, 1u, 7u, 8u, 31u, 32u, 33u, 63u, 64u, 65u, 100u, 128u, 191u, 596u}) {
        Bytes row(length, 0xFF);
        EXPECT_TRUE(IsWhiteRow(row.data(), length)) << length;
        for (size_t i = 0; i < length; ++i) {
            row[i] = 0xFE;
            EXPECT_FALSE(IsWhiteRow(row.data(), length)) << length << " at " << i;
            row[i] = 0xFF;
        }
    }
}

// ---- A banded page through the hooks ----

class BandedPage : public PdevJobTest {
protected:
    void SetUp() override {
        PdevJobTest::SetUp();
        if (HasFatalFailure()) return;
        e_.pdev()->state |= kStateRasterMode;
        surface_ = DrvEnableSurface(e_.dhpdev);
        ASSERT_NE(surface_, nullptr);
        ASSERT_TRUE(e_.pdev()->surfaceIsBand);
        band_ = EngLockSurface(surface_);
        ASSERT_NE(band_, nullptr);
    }
    void TearDown() override {
        if (band_ != nullptr) EngUnlockSurface(band_);
        if (surface_ != nullptr) DrvDisableSurface(e_.dhpdev);
        PdevJobTest::TearDown();
    }

    HSURF surface_ = nullptr;
    SURFOBJ* band_ = nullptr;
};

TEST_F(BandedPage, ABlackRectangleComesOutAsAnImageAtItsPlace) {
    PrinterPdev* p = e_.pdev();
    ASSERT_TRUE(DrvStartDoc(band_, const_cast<LPWSTR>(u"doc"), 3));
    ASSERT_TRUE(DrvStartPage(band_));
    POINTL origin{};
    ASSERT_TRUE(DrvStartBanding(band_, &origin));
    // The engine draws a black rectangle of 100 x 50 pixels at (300, 500) into the band.
    RECTL rect{300, 500, 400, 550};
    ASSERT_TRUE(EngEraseSurface(band_, &rect, 0));
    p->geometry.zoom = 100;
    ASSERT_TRUE(DrvNextBand(band_, &origin));
    EXPECT_EQ(origin.x, -1);
    const POINTL device = TransformPagePoint(p, POINTL{0, 500});
    ASSERT_TRUE(DrvEndDoc(band_, 0));
    std::string job = EndSpoolJob();

    // The image: after the page set-up, one F2 of the band's width and the rectangle's 50 rows.
    const LONG width = band_->sizlBitmap.cx;
    const LONG rowLength = band_->lDelta;
    Bytes header = ImageHeader(0x20, width, 50, 0);
    std::string head(header.begin(), header.begin() + 8);
    size_t at = job.find(head);
    ASSERT_NE(at, std::string::npos) << "no image of 50 rows";
    EXPECT_EQ(Count(job, std::string("\xF2\x00\x00", 3)), 1u) << "one block";
    // Placed at the rectangle's first row, the band's left edge: the clip and move before it.
    Bytes place = Placement(device.x, device.y, width, 50, true);
    std::string placement(place.begin(), place.end());
    ASSERT_GE(at, placement.size());
    EXPECT_EQ(job.substr(at - placement.size(), placement.size()), placement);
    EXPECT_NE(job.find("\x1cY"), std::string::npos);
    EXPECT_LT(job.find("\x1cY"), at - placement.size()) << "the page-control mode ends before drawing";

    // Its data decodes to the rectangle: 100 black pixels from x = 300 in every row.
    const BYTE* d = reinterpret_cast<const BYTE*>(job.data()) + at + 12;
    DWORD len = static_cast<DWORD>(d[-4]) << 24 | d[-3] << 16 | d[-2] << 8 | d[-1];
    // The band reaches the page's right edge, so its rows go out cut to the page's pixels in
    // whole bytes, without the scan line's padding.
    const size_t sentLength = static_cast<size_t>((width + 7) / 8);
    ASSERT_LE(sentLength, static_cast<size_t>(rowLength));
    Bytes rowBytes(sentLength, 0x00);
    for (LONG x = 300; x < 400; ++x) rowBytes[static_cast<size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
    Bytes rows;
    for (int r = 0; r < 50; ++r) Append(rows, rowBytes);
    auto data = Delta(rows, 50, sentLength);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(Bytes(d, d + len), *data);
    // The page is ejected once after the image.
    EXPECT_EQ(Count(job, "\r\x0c"), 1u);
    EXPECT_GT(job.find("\r\x0c"), at);
}

TEST_F(BandedPage, ABlankBandSendsNoImageAndNoPage) {
    ASSERT_TRUE(DrvStartDoc(band_, const_cast<LPWSTR>(u"doc"), 3));
    ASSERT_TRUE(DrvStartPage(band_));
    POINTL origin{};
    ASSERT_TRUE(DrvStartBanding(band_, &origin));
    ASSERT_TRUE(DrvNextBand(band_, &origin));
    ASSERT_TRUE(DrvEndDoc(band_, 0));
    std::string job = EndSpoolJob();
    EXPECT_EQ(Count(job, std::string("\xF2\x00\x00", 3)), 0u);
    EXPECT_EQ(Count(job, "\r\x0c"), 0u) << "a blank page is dropped";
}

}  // namespace
}  // namespace render_test

namespace render_test {
namespace {

// One banded page with a black rectangle, through the hooks.
void PrintRectanglePage(SURFOBJ* band, RECTL rect) {
    ASSERT_TRUE(DrvStartPage(band));
    POINTL origin{};
    ASSERT_TRUE(DrvStartBanding(band, &origin));
    ASSERT_TRUE(EngEraseSurface(band, &rect, 0));
    ASSERT_TRUE(DrvNextBand(band, &origin));
}

const std::string kImageRop("\xA6\x00\x88\x88", 4);

TEST_F(BandedPage, TheGraphicsStateIsSentAgainAfterTheEndOfAJob) {
    for (int job = 0; job < 2; ++job) {
        ASSERT_TRUE(DrvStartDoc(band_, const_cast<LPWSTR>(u"doc"), 3));
        PrintRectanglePage(band_, RECTL{10, 10, 50, 20});
        PrintRectanglePage(band_, RECTL{10, 10, 50, 20});
        ASSERT_TRUE(DrvEndDoc(band_, 0));
        EXPECT_EQ(e_.pdev()->graphics.ropForeground, 0x68) << "forgotten at the job end";
        EXPECT_FALSE(e_.pdev()->graphics.positionKnown);
    }
    std::string stream = EndSpoolJob();
    EXPECT_EQ(Count(stream, std::string("\xF2\x00\x00\x20", 4)), 4u) << "four pages, one image each";
    // Within a job the operation goes out once; the second job starts from a forgotten state.
    EXPECT_EQ(Count(stream, kImageRop), 2u);
}

TEST_F(BandedPage, TheGraphicsStateIsSentAgainAfterANewPageSetUp) {
    ASSERT_TRUE(DrvStartDoc(band_, const_cast<LPWSTR>(u"doc"), 3));
    PrintRectanglePage(band_, RECTL{10, 10, 50, 20});
    PrintRectanglePage(band_, RECTL{10, 10, 50, 20});  // same set-up: nothing sent again
    SHORT orientation = orla::Get(e_.pdev()->settings.record, orla::dm::Orientation);
    orla::Set(e_.pdev()->settings.record, orla::dm::Orientation, static_cast<SHORT>(orientation == 1 ? 2 : 1));
    PrintRectanglePage(band_, RECTL{10, 10, 50, 20});  // a new page set-up: the printer forgot
    ASSERT_TRUE(DrvEndDoc(band_, 0));
    std::string stream = EndSpoolJob();
    EXPECT_EQ(Count(stream, std::string("\xF2\x00\x00\x20", 4)), 3u);
    EXPECT_EQ(Count(stream, kImageRop), 2u);
}

TEST_F(BandedPage, AZoomBelowOneHundredShrinksTheBandFirst) {
    PrinterPdev* p = e_.pdev();
    ASSERT_TRUE(DrvStartDoc(band_, const_cast<LPWSTR>(u"doc"), 3));
    p->geometry.zoom = 50;
    PrintRectanglePage(band_, RECTL{300, 500, 400, 550});
    const POINTL device = TransformPagePoint(p, POINTL{0, 0});
    ASSERT_TRUE(DrvEndDoc(band_, 0));
    std::string job = EndSpoolJob();

    // Half the size at half the position: 50 x 25 pixels at (150, 250), in a bitmap half as wide.
    const LONG width = band_->sizlBitmap.cx / 2;
    const LONG rowLength = ((width + 31) / 8) & ~3;
    Bytes header = ImageHeader(0x20, width, 25, 0);
    size_t at = job.find(std::string(header.begin(), header.begin() + 8));
    ASSERT_NE(at, std::string::npos) << "no image of 25 rows " << [&] {
        std::string found;
        for (size_t i = job.find(std::string("\xF2\x00\x00", 3)); i != std::string::npos;
             i = job.find(std::string("\xF2\x00\x00", 3), i + 1))
            for (size_t k = 0; k < 12 && i + k < job.size(); ++k)
                found += std::to_string(static_cast<BYTE>(job[i + k])) + " ";
        return found;
    }();
    EXPECT_EQ(Count(job, std::string("\xF2\x00\x00", 3)), 1u);
    Bytes place = Placement(device.x, device.y + 250, width, 25);
    ASSERT_GE(at, place.size());
    EXPECT_EQ(job.substr(at - place.size(), place.size()), std::string(place.begin(), place.end()));
    const BYTE* d = reinterpret_cast<const BYTE*>(job.data()) + at + 12;
    DWORD len = static_cast<DWORD>(d[-4]) << 24 | d[-3] << 16 | d[-2] << 8 | d[-1];
    Bytes rowBytes(static_cast<size_t>(rowLength), 0x00);
    for (LONG x = 150; x < 200; ++x) rowBytes[static_cast<size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
    Bytes rows;
    for (int r = 0; r < 25; ++r) Append(rows, rowBytes);
    auto data = Delta(rows, 25, static_cast<size_t>(rowLength));
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(Bytes(d, d + len), *data);
}

TEST_F(BandedPage, ASpoolerFailureWhileTheBandGoesOutFailsTheBand) {
    ASSERT_TRUE(DrvStartDoc(band_, const_cast<LPWSTR>(u"doc"), 3));
    ASSERT_TRUE(DrvStartPage(band_));
    POINTL origin{};
    ASSERT_TRUE(DrvStartBanding(band_, &origin));
    // Noise over the whole band: far more than the output buffer holds, so the band's own
    // bytes reach the spooler, whose first write fails.
    std::mt19937 rng(5);
    BYTE* bits = static_cast<BYTE*>(band_->pvScan0);
    for (LONG i = 0; i < band_->lDelta * 200; ++i) bits[i] = static_cast<BYTE>(rng());
    PlatInjectFailure("WritePrinter", 1, ERROR_DISK_FULL);
    EXPECT_FALSE(DrvNextBand(band_, &origin)) << "a lost band is not a printed page";
    EXPECT_NE(e_.pdev()->state & kStateOutputFailed, 0u);
    EXPECT_FALSE(DrvEndDoc(band_, 0));
}

TEST_F(BandedPage, TheLayoutFrameIsDrawnBeforeTheEndOfAPageThatHadOutput) {
    struct Case {
        WORD frame;
        bool drawn;
        size_t outlines;
    } cases[] = {{0, true, 0}, {1, true, 1}, {1, false, 0}};
    for (const Case& c : cases) {
        orla::Set(e_.pdev()->settings.record, orla::dm::FrameKind, c.frame);
        size_t before = SpooledBytes().size();
        ASSERT_TRUE(DrvStartDoc(band_, const_cast<LPWSTR>(u"doc"), 3));
        if (c.drawn) {
            PrintRectanglePage(band_, RECTL{10, 10, 50, 20});
        } else {
            ASSERT_TRUE(DrvStartPage(band_));
            POINTL origin{};
            ASSERT_TRUE(DrvStartBanding(band_, &origin));
            ASSERT_TRUE(DrvNextBand(band_, &origin));
        }
        ASSERT_TRUE(DrvEndDoc(band_, 0));
        ASSERT_TRUE(FlushSpool(e_.pdev()));
        std::string job = SpooledBytes().substr(before);
        // The outlined rectangle of the cell (DC or DE) comes after the image, before the page end.
        size_t image = job.find(std::string("\xF2\x00\x00", 3));
        size_t end = job.find("\r\x0c");
        size_t outline = job.find_first_of(std::string("\xDC\xDE", 2), image == std::string::npos ? 0 : image);
        if (c.outlines == 0) {
            EXPECT_TRUE(outline == std::string::npos || outline > end || end == std::string::npos) << c.frame;
        } else {
            ASSERT_NE(image, std::string::npos);
            ASSERT_NE(outline, std::string::npos);
            EXPECT_LT(outline, end) << "frame " << c.frame;
        }
        EXPECT_EQ(Count(job, "\r\x0c"), c.drawn ? 1u : 0u);
    }
}

}  // namespace
}  // namespace render_test
