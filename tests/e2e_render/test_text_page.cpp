// The text page end to end: the runner prints lines of device-font and TrueType text through
// DrvTextOut (command mode) or lets the engine draw them into the bands (band mode); the decoded
// page's pictures must show every line where the engine's own rendering of the same text puts
// it: each line's black-pixel box within a few pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "e2e_render/e2e_render_fixture.h"
#include "tools/job_decoder/page_pictures.h"
#include "tools/job_decoder/text_marks.h"
#include "tools/print_runner/text_page.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;
using orla::runner::DrawnPage;
using orla::runner::SampleRect;
using orla::runner::TextLineBox;

// Where the page's pixels land in the decoded picture: the page's printable area placed at
// `origin`, scaled by `scale` and, on a turned sheet, turned a quarter so that the page's top
// edge runs up the sheet's left side (page x grows upwards, page y rightwards).
struct PagePlacement {
    double originX = 0, originY = 0;  // picture pixel of the page's top-left (turned: bottom-left)
    double scale = 1;
    bool turned = false;
    SampleRect Place(const SampleRect& r) const {
        auto at = [&](double v) { return static_cast<int>(std::lround(v)); };
        if (!turned)
            return SampleRect{at(originX + r.left * scale), at(originY + r.top * scale), at(originX + r.right * scale),
                              at(originY + r.bottom * scale)};
        return SampleRect{at(originX + r.top * scale), at(originY - r.right * scale), at(originX + r.bottom * scale),
                          at(originY - r.left * scale)};
    }
};

class TextPage : public RenderJob {
protected:
    RunOptions TextOptions(bool japanese, int dpi, int pages) const {
        RunOptions o = Options(japanese);
        o.dpi = dpi;
        o.pages = pages;
        o.paper = japanese ? u"A4" : u"Letter";
        o.content = orla::runner::PageContent::Text;
        return o;
    }

    // The decoded sheets at the resolution of the job, each device pixel one picture pixel
    // when `origin` is 0, 0.
    static PicturesResult Pictures(const DecodeResult& d, int dpi, POINT origin) {
        PictureOptions po;
        po.dpi = dpi;
        po.paperEdge = false;
        po.originX = origin.x;
        po.originY = origin.y;
        po.originDpi = dpi;
        po.maxPixels = size_t{192} << 20;  // an A4 page at 1200 dpi
        return RenderPages(d, po);
    }

    // Each compared line of a drawn page must be found in the picture where the placement puts
    // the engine's box of it: the black-pixel box within the tolerance.
    static void ExpectLinesAt(const PagePicture& pic, const DrawnPage& drawn, const PagePlacement& place,
                              int tolerance) {
        auto black = [&](int x, int y) {
            return pic.pixels[static_cast<size_t>(y) * static_cast<size_t>(pic.width) + static_cast<size_t>(x)] < 100;
        };
        for (const TextLineBox& line : drawn.textLines) {
            SCOPED_TRACE(line.what);
            ASSERT_GT(line.box.right, line.box.left) << "the engine drew the line";
            if (!line.compare) continue;
            const SampleRect want = place.Place(line.box);
            // Search the decoded picture around the placed box.
            const int margin = static_cast<int>(drawn.dpi * place.scale / 12);
            const int x0 = std::max(0, want.left - margin);
            const int y0 = std::max(0, want.top - margin);
            const int x1 = std::min(pic.width, want.right + margin);
            const int y1 = std::min(pic.height, want.bottom + margin);
            SampleRect got{INT_MAX, INT_MAX, -1, -1};
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    if (black(x, y))
                        got = SampleRect{std::min(got.left, x), std::min(got.top, y), std::max(got.right, x + 1),
                                         std::max(got.bottom, y + 1)};
            ASSERT_GT(got.right, got.left) << "nothing printed where the line belongs";
            EXPECT_NEAR(got.left, want.left, tolerance);
            EXPECT_NEAR(got.top, want.top, tolerance);
            EXPECT_NEAR(got.right, want.right, tolerance);
            EXPECT_NEAR(got.bottom, want.bottom, tolerance);
        }
    }

    // Runs the text page and compares each line's box in the decoded picture with the engine's.
    void Check(bool japanese, int dpi, bool raster, const std::vector<Setting>& settings = {}) {
        RunOptions o = TextOptions(japanese, dpi, 1);
        o.rasterMode = raster;
        Apply(o, settings);
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.drawn.size(), 1u);
        const DrawnPage& drawn = r.drawn[0];
        ASSERT_FALSE(drawn.textLines.empty());
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << d.error << " at byte " << d.errorOffset;
        PicturesResult pictures = Pictures(d, drawn.dpi, POINT{drawn.paperX, drawn.paperY});
        ASSERT_TRUE(pictures.ok) << pictures.error;
        ASSERT_EQ(pictures.pages.size(), 1u);
        // The English model has no 1200 dpi: the page then comes at the resolution it has.
        const PagePlacement place{static_cast<double>(drawn.paperX), static_cast<double>(drawn.paperY), 1, false};
        ExpectLinesAt(pictures.pages[0], drawn, place, std::max(3, drawn.dpi / 100));
    }
};

// The resolution the job's device pixels are in (a job at 300 dpi may be written at 600).
int JobResolution(const DecodeResult& d) {
    for (const Command& c : d.commands)
        if (c.kind == CommandKind::Fs && c.code == '&') return std::atoi(c.text.c_str() + 1);
    return 0;
}

// The clip of each page's marks on a sheet of several pages, in the order the pages come: the
// driver clips every page to its own printable area placed on the sheet.
std::vector<Rect> PageAreasOnTheSheet(const DecodeResult& d) {
    std::vector<Rect> areas;
    for (const Command& c : d.commands) {
        if (c.kind != CommandKind::Binary || !TextPainter::Follows(c) || !c.state.clipSet) continue;
        if (c.code < 0xCC && c.code != 0xF2 && c.code != 0xF4) continue;  // definitions and state
        const Rect& r = c.state.clip;
        const bool seen = std::any_of(areas.begin(), areas.end(), [&](const Rect& a) {
            return a.left == r.left && a.top == r.top && a.right == r.right && a.bottom == r.bottom;
        });
        if (!seen) areas.push_back(r);
    }
    return areas;
}

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
    // Two pages a sheet (a turned layout): the text is scaled and turned on the sheet; the glyph
    // count shows every page's characters arrived.
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        RunOptions o = TextOptions(build.japanese, 600, 2);
        o.layout = 2;
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

TEST_F(TextPage, TwoUpLinesLandWhereTheTurnedPagesPutThem) {
    // Each page of a two-up sheet is its printable area scaled into its half of the sheet and
    // turned: every line must print where the engine drew it on the page, carried onto the sheet
    // by the page's placement (taken from the area the driver clips the page to).
    for (const Build& build : kBuilds)
        for (int dpi : {300, 600}) {
            SCOPED_TRACE(std::string(build.name) + " " + std::to_string(dpi) + " dpi");
            RunOptions o = TextOptions(build.japanese, dpi, 2);
            o.layout = 2;
            RunResult r = orla::runner::RunJob(o);
            ASSERT_TRUE(r.ok) << r.error;
            ASSERT_EQ(r.drawn.size(), 2u);
            DecodeResult d = Decode(r.job);
            ASSERT_TRUE(d.ok) << d.error << " at byte " << d.errorOffset;
            const int resolution = JobResolution(d);
            ASSERT_GE(resolution, dpi);
            PicturesResult pictures = Pictures(d, resolution, POINT{0, 0});
            ASSERT_TRUE(pictures.ok) << pictures.error;
            ASSERT_EQ(pictures.pages.size(), 1u) << "both pages on one sheet";
            const std::vector<Rect> areas = PageAreasOnTheSheet(d);
            ASSERT_EQ(areas.size(), 2u) << FormatListing(d);
            EXPECT_LT(areas[0].bottom, areas[1].bottom) << "the first page in the upper half";
            for (size_t page = 0; page < 2; ++page) {
                SCOPED_TRACE("page " + std::to_string(page + 1));
                const DrawnPage& drawn = r.drawn[page];
                const Rect& area = areas[page];
                // Turned: the page's height runs across the sheet, its width up it.
                const double scale = static_cast<double>(area.right - area.left) / drawn.height;
                EXPECT_NEAR(scale, static_cast<double>(area.bottom - area.top) / drawn.width, 0.01);
                EXPECT_LT(scale, static_cast<double>(resolution) / dpi) << "the page is reduced onto its half";
                const PagePlacement place{static_cast<double>(area.left), static_cast<double>(area.bottom), scale,
                                          true};
                ExpectLinesAt(pictures.pages[0], drawn, place, std::max(3, resolution / 100) + 2);
            }
        }
}

TEST_F(TextPage, SampleModelsDownloadTheTrueTypeGlyphs) {
    // The sample models' memory records give the download budget room: the TrueType lines go as
    // glyph definitions (the first of the page 0xC0, later ones 0xC1) printed by code (0xCC), none
    // as a glyph image, and nothing sets the budget's exhausted flag.
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        RunResult r = orla::runner::RunJob(TextOptions(build.japanese, 600, 1));
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
