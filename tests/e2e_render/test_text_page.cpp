// The text page end to end: the runner prints lines of device-font and TrueType text through
// DrvTextOut (command mode) or lets the engine draw them into the bands (band mode); the decoded
// page's pictures must show every line where the engine's own rendering of the same text puts
// it: each line's black-pixel box within a few pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "e2e_render/e2e_render_fixture.h"
#include "tools/job_decoder/page_pictures.h"
#include "tools/print_runner/text_page.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;
using orla::runner::DrawnPage;
using orla::runner::SampleRect;
using orla::runner::TextLineBox;

class TextPage : public RenderJob {
protected:
    // Runs the text page and compares each line's box in the decoded picture with the engine's.
    void Check(bool japanese, int dpi, bool raster, const std::vector<Setting>& settings = {}) {
        RunOptions o = Options(japanese);
        o.dpi = dpi;
        o.pages = 1;
        o.paper = japanese ? u"A4" : u"Letter";
        o.rasterMode = raster;
        o.content = orla::runner::PageContent::Text;
        Apply(o, settings);
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.drawn.size(), 1u);
        const DrawnPage& drawn = r.drawn[0];
        ASSERT_FALSE(drawn.textLines.empty());
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << d.error << " at byte " << d.errorOffset;
        PictureOptions po;
        po.dpi = drawn.dpi;
        po.paperEdge = false;
        po.originX = drawn.paperX;
        po.originY = drawn.paperY;
        po.originDpi = drawn.dpi;
        po.maxPixels = size_t{192} << 20;  // an A4 page at 1200 dpi
        PicturesResult pictures = RenderPages(d, po);
        ASSERT_TRUE(pictures.ok) << pictures.error;
        ASSERT_EQ(pictures.pages.size(), 1u);
        const PagePicture& pic = pictures.pages[0];
        auto black = [&](int x, int y) {
            return pic.pixels[static_cast<size_t>(y) * static_cast<size_t>(pic.width) + static_cast<size_t>(x)] < 100;
        };
        // The English model has no 1200 dpi: the page then comes at the resolution it has.
        const int tolerance = std::max(3, drawn.dpi / 100);
        for (const TextLineBox& line : drawn.textLines) {
            SCOPED_TRACE(line.what);
            ASSERT_GT(line.box.right, line.box.left) << "the engine drew the line";
            if (!line.compare) continue;
            // Search the decoded picture around the engine's box.
            const int margin = drawn.dpi / 12;
            const int x0 = std::max(0, line.box.left + drawn.paperX - margin);
            const int y0 = std::max(0, line.box.top + drawn.paperY - margin);
            const int x1 = std::min(pic.width, line.box.right + drawn.paperX + margin);
            const int y1 = std::min(pic.height, line.box.bottom + drawn.paperY + margin);
            SampleRect got{INT_MAX, INT_MAX, -1, -1};
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    if (black(x, y))
                        got = SampleRect{std::min(got.left, x), std::min(got.top, y), std::max(got.right, x + 1),
                                         std::max(got.bottom, y + 1)};
            ASSERT_GT(got.right, got.left) << "nothing printed where the line belongs";
            EXPECT_NEAR(got.left - drawn.paperX, line.box.left, tolerance);
            EXPECT_NEAR(got.top - drawn.paperY, line.box.top, tolerance);
            EXPECT_NEAR(got.right - drawn.paperX, line.box.right, tolerance);
            EXPECT_NEAR(got.bottom - drawn.paperY, line.box.bottom, tolerance);
        }
    }
};

TEST_F(TextPage, CommandModeLinesLandWhereTheEngineDrawsThem) {
    for (const Build& build : kBuilds)
        for (int dpi : {300, 600, 1200}) {
            SCOPED_TRACE(std::string(build.name) + " " + std::to_string(dpi) + " dpi");
            Check(build.japanese, dpi, false);
        }
}

TEST_F(TextPage, BandModeLinesComeBackInTheBands) {
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        Check(build.japanese, 600, true);
    }
}

TEST_F(TextPage, TwoUpAndTurnedSheetsDecodeWithEveryGlyph) {
    // Two pages a sheet (a turned layout): the text is scaled and turned on the sheet, so only
    // the decoding and the glyph count are checked here.
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        RunOptions o = Options(build.japanese);
        o.dpi = 600;
        o.pages = 2;
        o.layout = 2;
        o.paper = build.japanese ? u"A4" : u"Letter";
        o.content = orla::runner::PageContent::Text;
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << d.error << " at byte " << d.errorOffset << "\n" << FormatListing(d);
        PicturesResult pictures = RenderPages(d, PictureOptions{});
        ASSERT_TRUE(pictures.ok) << pictures.error;
        ASSERT_FALSE(pictures.pages.empty());
        EXPECT_GT(pictures.pages[0].imagesDrawn, 20u) << "the characters and glyphs of both pages";
    }
}

TEST_F(TextPage, SampleModelsDownloadTheTrueTypeGlyphs) {
    // The sample models' memory records give the download budget room: the TrueType lines go as
    // glyph definitions (the first of the page 0xC0, later ones 0xC1) printed by code (0xCC), none
    // as a glyph image, and nothing sets the budget's exhausted flag.
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        RunOptions o = Options(build.japanese);
        o.dpi = 600;
        o.pages = 1;
        o.paper = build.japanese ? u"A4" : u"Letter";
        o.content = orla::runner::PageContent::Text;
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << d.error << " at byte " << d.errorOffset;
        auto count = [&](uint8_t code) {
            return std::count_if(d.commands.begin(), d.commands.end(),
                                 [&](const Command& c) { return c.kind == CommandKind::Binary && c.code == code; });
        };
        EXPECT_EQ(count(0xC0), 1) << "one font started on the page";
        EXPECT_GT(count(0xC1), 10) << "every further glyph defined";
        EXPECT_GE(count(0xCC), count(0xC0) + count(0xC1)) << "each defined glyph printed by its code";
        EXPECT_EQ(count(0xF2), 0) << "no glyph sent as an image";
    }
}

}  // namespace
}  // namespace e2e
