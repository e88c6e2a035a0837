// Band mode end to end: the runner draws its sample pages (frame, rectangles, grey dither, text)
// into the bands of the graphics DLL, the DLL compresses and sends them, and the decoded job
// drawn back at the device resolution must be exactly what was drawn, pixel for pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_render/e2e_render_fixture.h"
#include "tools/job_decoder/page_pictures.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;
using orla::runner::DrawnPage;

// The drawn page as one bitmap: TRUE where a band left a black pixel.
std::vector<bool> Assemble(const DrawnPage& page) {
    std::vector<bool> black(static_cast<size_t>(page.width) * static_cast<size_t>(page.height), false);
    for (const auto& band : page.bands)
        for (int y = 0; y < band.height; ++y) {
            const long py = band.originY + y;
            if (py < 0 || py >= page.height) continue;
            for (int x = 0; x < band.width; ++x) {
                const long px = band.originX + x;
                if (px < 0 || px >= page.width) continue;
                if (!(band.bits[static_cast<size_t>(y) * static_cast<size_t>(band.stride) +
                                static_cast<size_t>(x / 8)] &
                      (0x80 >> (x % 8))))
                    black[static_cast<size_t>(py) * static_cast<size_t>(page.width) + static_cast<size_t>(px)] = true;
            }
        }
    return black;
}

struct Box {
    long left = -1, top = -1, right = -1, bottom = -1;
    void Add(long x, long y) {
        if (left < 0 || x < left) left = x;
        if (top < 0 || y < top) top = y;
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
    }
    std::string Text() const {
        return "(" + std::to_string(left) + "," + std::to_string(top) + ")-(" + std::to_string(right) + "," +
               std::to_string(bottom) + ")";
    }
};

struct Case {
    const char* what;
    bool japanese;
    int dpi;
    int pages;
};

class BandRoundTrip : public RenderJob {
protected:
    void RoundTrip(const Case& c);
};

// Runs the job, draws the decoded pages back at the job's resolution and compares them with the
// bands as drawn, the printer's origin put at the printable page's offset on the paper: every
// pixel must be where it was drawn plus that offset.
void BandRoundTrip::RoundTrip(const Case& c) {
    {
        SCOPED_TRACE(c.what);
        RunOptions o = Options(c.japanese);
        o.rasterMode = true;
        o.dpi = c.dpi;
        o.pages = c.pages;
        o.paper = c.japanese ? u"A4" : u"Letter";  // each build's default paper: no print shift
        o.content = orla::runner::PageContent::Sample;
        o.keepBands = true;
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_TRUE(r.banding);
        ASSERT_EQ(r.drawn.size(), static_cast<size_t>(c.pages));
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << d.error << " at byte " << d.errorOffset;
        ASSERT_EQ(PageEndCount(d), static_cast<size_t>(c.pages)) << FormatListing(d);

        // The bands went out as images, compressed where that saves bytes.
        size_t images = 0, compressed = 0;
        for (const Command* cmd : CommandsOf(d, CommandKind::Binary))
            if (cmd->code == 0xF2 || cmd->code == 0xF4) {
                images++;
                compressed += cmd->fields[1] == 0x20;
            }
        ASSERT_GT(images, 0u) << "the driver wrote no band image";
        EXPECT_GT(compressed, 0u) << "no band image was delta-row compressed";

        PictureOptions po;
        po.dpi = c.dpi;
        po.paperEdge = false;
        po.originX = r.drawn[0].paperX;
        po.originY = r.drawn[0].paperY;
        po.originDpi = c.dpi;
        PicturesResult pictures = RenderPages(d, po);
        ASSERT_TRUE(pictures.ok) << pictures.error;
        ASSERT_EQ(pictures.pages.size(), static_cast<size_t>(c.pages));
        for (size_t p = 0; p < pictures.pages.size(); ++p) {
            SCOPED_TRACE("page " + std::to_string(p + 1));
            const PagePicture& pic = pictures.pages[p];
            const DrawnPage& drawn = r.drawn[p];
            ASSERT_EQ(drawn.dpi, c.dpi);
            EXPECT_EQ(pic.imagesUnplaced, 0u);
            const std::vector<bool> want = Assemble(drawn);
            auto black = [&](int x, int y) {
                return pic.pixels[static_cast<size_t>(y) * static_cast<size_t>(pic.width) + static_cast<size_t>(x)] ==
                       0;
            };
            Box wantBox, gotBox;
            for (int y = 0; y < drawn.height; ++y)
                for (int x = 0; x < drawn.width; ++x)
                    if (want[static_cast<size_t>(y) * static_cast<size_t>(drawn.width) + static_cast<size_t>(x)])
                        wantBox.Add(x, y);
            for (int y = 0; y < pic.height; ++y)
                for (int x = 0; x < pic.width; ++x)
                    if (black(x, y)) gotBox.Add(x, y);
            ASSERT_GE(wantBox.left, 0) << "nothing was drawn";
            ASSERT_GE(gotBox.left, 0) << "the decoded page is blank";
            // The printable page lies on the paper at the offset the driver reports, exactly.
            const long dx = drawn.paperX, dy = drawn.paperY;
            SCOPED_TRACE("drawn black in " + wantBox.Text() + ", decoded black in " + gotBox.Text());
            ASSERT_EQ(gotBox.right - gotBox.left, wantBox.right - wantBox.left) << "the page came out at another size";
            ASSERT_EQ(gotBox.bottom - gotBox.top, wantBox.bottom - wantBox.top) << "the page came out at another size";
            ASSERT_GT(dx, 0);
            ASSERT_GT(dy, 0);
            ASSERT_EQ(gotBox.left, wantBox.left + dx) << "the page is not at its place on the paper";
            ASSERT_EQ(gotBox.top, wantBox.top + dy) << "the page is not at its place on the paper";
            size_t wrong = 0;
            long firstX = -1, firstY = -1;
            for (int y = 0; y < pic.height; ++y)
                for (int x = 0; x < pic.width; ++x) {
                    const long sx = x - dx, sy = y - dy;
                    const bool expected =
                        sx >= 0 && sy >= 0 && sx < drawn.width && sy < drawn.height &&
                        want[static_cast<size_t>(sy) * static_cast<size_t>(drawn.width) + static_cast<size_t>(sx)];
                    if (black(x, y) != expected && wrong++ == 0) firstX = x, firstY = y;
                }
            EXPECT_EQ(wrong, 0u) << "first wrong pixel (" << firstX << "," << firstY << ")";
            // Everything drawn lies on the paper's picture (nothing was cut off by the comparison).
            EXPECT_LE(wantBox.right + dx, pic.width);
            EXPECT_LE(wantBox.bottom + dy, pic.height);
        }
    }
}

TEST_F(BandRoundTrip, DecodedPagesAreWhatWasDrawn) {
    for (const Case& c :
         {Case{"Japanese build, 600 dpi, two pages", true, 600, 2}, Case{"English build, 600 dpi", false, 600, 1}}) {
        SCOPED_TRACE(c.what);
        RoundTrip(c);
    }
}

// At 300 dpi the job is written in 600-dpi units ("\x1c&600."): the bands must go out doubled
// (scaled images of twice the size at doubled positions), or the page prints at half its size.
TEST_F(BandRoundTrip, DoubledOutputAt300DpiKeepsThePageSize) {
    RoundTrip({"Japanese build, 300 dpi", true, 300, 1});
}

// With four pages a sheet in band mode there is no DrvSendPage: the last band of each page must
// still place it in its own cell, and the four pages share one sheet.
TEST_F(BandRoundTrip, FourPagesASheetShareOneSheetInBandMode) {
    RunOptions o = Options(true);
    o.rasterMode = true;
    o.layout = 4;
    o.keepBands = true;
    o.pages = 4;
    o.content = orla::runner::PageContent::Sample;
    RunResult r = orla::runner::RunJob(o);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_TRUE(r.banding);
    DecodeResult d = Decode(r.job);
    ASSERT_TRUE(d.ok) << d.error << " at byte " << d.errorOffset;
    EXPECT_EQ(PageEndCount(d), 1u) << FormatListing(d);
    // The pages sit in the four quarters of the sheet: every band block of a cell starts at the
    // cell's left edge, so the images start at two x positions, each in the upper and lower half.
    std::vector<std::pair<int64_t, int64_t>> starts;
    int64_t lowest = 0;
    for (const Command& cmd : d.commands)
        if (cmd.kind == CommandKind::Binary && (cmd.code == 0xF2 || cmd.code == 0xF4)) {
            starts.emplace_back(cmd.state.x, cmd.state.y);
            lowest = std::max(lowest, cmd.state.y);
        }
    std::vector<std::pair<int64_t, bool>> quarters;
    for (const auto& [x, y] : starts) quarters.emplace_back(x, y > lowest / 2);
    std::sort(quarters.begin(), quarters.end());
    quarters.erase(std::unique(quarters.begin(), quarters.end()), quarters.end());
    EXPECT_EQ(quarters.size(), 4u) << FormatListing(d);
    // The cells divide the paper less 10 mm at each edge into two columns and two rows, in
    // printable-area pixels: the columns lie half that width apart, the rows half that length,
    // and the top row starts 10 mm below the paper's top edge (the page fills its cell's height).
    // (Spacings within the rounding of the pixel conversions.)
    ASSERT_FALSE(r.drawn.empty());
    const DrawnPage& page = r.drawn[0];
    auto pixels = [&](double mm) { return mm * page.dpi / 25.4; };
    std::vector<int64_t> xs, ys;
    for (const auto& [x, y] : starts) {
        xs.push_back(x);
        ys.push_back(y);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    ASSERT_EQ(xs.size(), 2u) << FormatListing(d);
    EXPECT_NEAR(static_cast<double>(xs[1] - xs[0]), pixels(210 - 20) / 2, 2.0) << "column spacing on A4";
    const int64_t top = *std::min_element(ys.begin(), ys.end());
    EXPECT_EQ(top, static_cast<int64_t>(std::lround(pixels(10))) - page.paperY)
        << "the top row starts 10 mm below the paper's edge";
    int64_t secondRow = INT64_MAX;  // the first band of the lower row
    for (int64_t y : ys)
        if (y > lowest / 2) secondRow = std::min(secondRow, y);
    EXPECT_NEAR(static_cast<double>(secondRow - top), pixels(297 - 20) / 2, 2.0) << "row spacing on A4";
}

}  // namespace
}  // namespace e2e
