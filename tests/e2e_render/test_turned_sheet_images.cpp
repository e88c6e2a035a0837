// Images on a turned sheet end to end: the runner's sample page in command mode sends its text as
// a 1-bit bitmap block transfer; on a two-up sheet the page turns a quarter anticlockwise (page x
// up the sheet, page y across it) and the image must turn and land with it. The decoded sheet is
// pictured and the image's pixels are compared with the text bitmap carried through that turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_render/e2e_render_fixture.h"
#include "tools/job_decoder/page_pictures.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;
using orla::runner::DrawnPage;

// The resolution the job's device pixels are in (a job at 300 dpi may be written at 600).
int JobResolution(const DecodeResult& d) {
    for (const Command& c : d.commands)
        if (c.kind == CommandKind::Fs && c.code == '&') return std::atoi(c.text.c_str() + 1);
    return 0;
}

// Each image as it landed on the sheet: its own box (position and printed size) and the clip it
// was drawn in, in the order they came. The driver clips the text bitmap to its own target, so
// the clip is where the turned target lies on the sheet.
struct PlacedImage {
    Rect box;
    Rect clip;
};
std::vector<PlacedImage> PlacedImages(const DecodeResult& d) {
    std::vector<PlacedImage> images;
    for (const Command* c : CommandsOf(d, CommandKind::Binary)) {
        if ((c->code != 0xF2 && c->code != 0xF4) || !c->state.clipSet || !c->state.positionKnown) continue;
        const int64_t width = c->fields[c->code == 0xF4 ? 4 : 2], height = c->fields[c->code == 0xF4 ? 5 : 3];
        images.push_back(
            PlacedImage{Rect{c->state.x, c->state.y, c->state.x + width, c->state.y + height}, c->state.clip});
    }
    return images;
}

// Where a sheet pixel comes from in the page's text bitmap: turned with the page (anticlockwise)
// or, for contrast, the other way.
struct Turn {
    Rect box;                   // the image on the sheet
    double across = 1, up = 1;  // sheet pixels per page pixel across the sheet and up it
    bool anticlockwise = true;
    void Source(int64_t x, int64_t y, double* sx, double* sy) const {
        if (anticlockwise) {
            *sx = (static_cast<double>(box.bottom - y) - 0.5) / up;
            *sy = (static_cast<double>(x - box.left) + 0.5) / across;
        } else {
            *sx = (static_cast<double>(y - box.top) + 0.5) / up;
            *sy = (static_cast<double>(box.right - x) - 0.5) / across;
        }
    }
};

// The share of the image's box where the picture and the text bitmap carried by `turn` disagree,
// each side allowed a pixel of slack for the printer's scaling.
double Disagreement(const PagePicture& pic, const DrawnPage& drawn, const Turn& turn) {
    const int tw = drawn.textBlock.right - drawn.textBlock.left, th = drawn.textBlock.bottom - drawn.textBlock.top;
    auto textBlack = [&](long x, long y) {
        if (x < 0 || y < 0 || x >= tw || y >= th) return false;
        return !(drawn.textBits[static_cast<size_t>(y) * static_cast<size_t>(drawn.textStride) +
                                static_cast<size_t>(x / 8)] &
                 (0x80 >> (x % 8)));
    };
    auto sheetBlack = [&](int64_t x, int64_t y) {
        return x >= 0 && y >= 0 && x < pic.width && y < pic.height &&
               pic.pixels[static_cast<size_t>(y) * static_cast<size_t>(pic.width) + static_cast<size_t>(x)] < 100;
    };
    constexpr int kSlack = 1;
    size_t inked = 0, wrong = 0;
    for (int64_t y = turn.box.top + 2; y < turn.box.bottom - 2; ++y)
        for (int64_t x = turn.box.left + 2; x < turn.box.right - 2; ++x) {
            double sx = 0, sy = 0;
            turn.Source(x, y, &sx, &sy);
            const long px = static_cast<long>(sx), py = static_cast<long>(sy);
            const bool want = textBlack(px, py);
            const bool got = sheetBlack(x, y);
            if (!want && !got) continue;
            ++inked;
            bool near = false;
            for (int d = -kSlack; d <= kSlack && !near; ++d)
                for (int e = -kSlack; e <= kSlack && !near; ++e)
                    near = want ? sheetBlack(x + d, y + e) : textBlack(px + d, py + e);
            wrong += !near;
        }
    return inked == 0 ? 1.0 : static_cast<double>(wrong) / static_cast<double>(inked);
}

class TurnedSheetImages : public RenderJob {};

TEST_F(TurnedSheetImages, TheTextBitmapTurnsAndLandsWithItsPage) {
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        RunOptions o = Options(build.japanese);
        o.dpi = 600;
        o.pages = 2;
        o.layout = 2;
        o.paper = build.japanese ? u"A4" : u"Letter";
        o.content = orla::runner::PageContent::Sample;
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.drawn.size(), 2u);
        if (!r.drawn[0].text) GTEST_SKIP() << "no font found for the sample text (set ORLA_SAMPLE_FONT)";
        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << d.error << " at byte " << d.errorOffset;
        const int resolution = JobResolution(d);
        ASSERT_GE(resolution, o.dpi);
        PictureOptions po;
        po.dpi = resolution;
        po.paperEdge = false;
        po.maxPixels = size_t{192} << 20;
        PicturesResult pictures = RenderPages(d, po);
        ASSERT_TRUE(pictures.ok) << pictures.error;
        ASSERT_EQ(pictures.pages.size(), 1u) << "both pages on one sheet";
        const PagePicture& pic = pictures.pages[0];
        EXPECT_EQ(pic.imagesUnplaced, 0u);
        const std::vector<PlacedImage> images = PlacedImages(d);
        ASSERT_EQ(images.size(), 2u) << "one text bitmap a page\n" << FormatListing(d);
        for (size_t page = 0; page < 2; ++page) {
            SCOPED_TRACE("page " + std::to_string(page + 1));
            const DrawnPage& drawn = r.drawn[page];
            const Rect& box = images[page].box;
            const Rect& clip = images[page].clip;
            const int tw = drawn.textBlock.right - drawn.textBlock.left;
            const int th = drawn.textBlock.bottom - drawn.textBlock.top;
            // Turned: the bitmap's height runs across the sheet, its width up it; the image fills
            // its turned target, the clip the driver drew it in.
            const double across = static_cast<double>(box.right - box.left) / th;
            const double up = static_cast<double>(box.bottom - box.top) / tw;
            EXPECT_NEAR(across, up, 0.01) << "the image keeps its proportions";
            EXPECT_LT(across, 1.0 * resolution / o.dpi) << "the page is reduced onto its half";
            EXPECT_NEAR(box.left, clip.left, 2);
            EXPECT_NEAR(box.top, clip.top, 2);
            EXPECT_NEAR(box.right, clip.right, 2);
            EXPECT_NEAR(box.bottom, clip.bottom, 2);
            const double turnedWithThePage = Disagreement(pic, drawn, Turn{box, across, up, true});
            const double turnedTheOtherWay = Disagreement(pic, drawn, Turn{box, across, up, false});
            EXPECT_LT(turnedWithThePage, 0.01) << "the text bitmap as the turned page puts it";
            EXPECT_GT(turnedTheOtherWay, 0.5) << "the comparison tells the two turns apart";
        }
    }
}

}  // namespace
}  // namespace e2e
