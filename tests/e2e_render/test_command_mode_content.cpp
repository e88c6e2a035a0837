// Command mode end to end: the runner plays its sample page through the graphics DLL's drawing
// hooks (paints, filled and stroked paths, the text as a 1-bit bitmap block transfer); the
// decoded job must carry images, rectangles and paths, and its page picture must be black where
// the rectangles, the hairlines and the text bitmap were drawn and white around them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "e2e_render/e2e_render_fixture.h"
#include "tools/job_decoder/page_pictures.h"
#include "tools/print_runner/sample_content.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;
using orla::runner::DrawnPage;
using orla::runner::SampleLayout;
using orla::runner::SampleRect;

class CommandModeContent : public RenderJob {};

TEST_F(CommandModeContent, HooksDrawTheSamplePage) {
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        RunOptions o = Options(build.japanese);
        o.dpi = 600;
        o.pages = 1;
        o.paper = build.japanese ? u"A4" : u"Letter";
        o.content = orla::runner::PageContent::Sample;
        RunResult r = orla::runner::RunJob(o);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_FALSE(r.banding) << "command mode draws on the device surface";
        EXPECT_EQ(r.bands, 0);
        ASSERT_EQ(r.drawn.size(), 1u);
        const DrawnPage& drawn = r.drawn[0];
        ASSERT_EQ(drawn.dpi, 600);

        DecodeResult d = Decode(r.job);
        ASSERT_TRUE(d.ok) << d.error << " at byte " << d.errorOffset;
        ASSERT_EQ(PageEndCount(d), 1u) << FormatListing(d);
        size_t images = 0, filledRects = 0, polylines = 0;
        for (const Command* cmd : CommandsOf(d, CommandKind::Binary)) {
            if (cmd->code == 0xF2 || cmd->code == 0xF4) images++;
            if (cmd->code == 0xDB || cmd->code == 0xDD) filledRects++;
            if (cmd->code == 0xE0 && !cmd->points.empty()) polylines++;
        }
        EXPECT_GE(images, 1u) << "the text bitmap\n" << FormatListing(d);
        EXPECT_GE(filledRects, 8u) << "four frame sides, the header bar, three blocks\n" << FormatListing(d);
        EXPECT_GE(polylines, 2u) << "the rule and the zigzag\n" << FormatListing(d);

        PictureOptions po;
        po.dpi = drawn.dpi;
        po.paperEdge = false;
        po.originX = drawn.paperX;
        po.originY = drawn.paperY;
        po.originDpi = drawn.dpi;
        PicturesResult pictures = RenderPages(d, po);
        ASSERT_TRUE(pictures.ok) << pictures.error;
        ASSERT_EQ(pictures.pages.size(), 1u);
        const PagePicture& pic = pictures.pages[0];
        EXPECT_EQ(pic.imagesUnplaced, 0u);

        // The picture puts the printer's origin where the printable page lies on the paper: on
        // its own default paper each build's print position adds no shift, so what was drawn at
        // page pixel (x, y) is on the paper at (x, y) plus the printable page's offset, exactly.
        // The outermost black is the frame's outer corner.
        const SampleLayout l = orla::runner::LayOutSamplePage(1, drawn.width, drawn.height, drawn.dpi);
        auto black = [&](long x, long y) {
            return x >= 0 && y >= 0 && x < pic.width && y < pic.height &&
                   pic.pixels[static_cast<size_t>(y) * static_cast<size_t>(pic.width) + static_cast<size_t>(x)] == 0;
        };
        long left = -1, top = -1;
        for (long y = 0; y < pic.height && top < 0; ++y)
            for (long x = 0; x < pic.width; ++x)
                if (black(x, y)) {
                    top = y;
                    break;
                }
        for (long x = 0; x < pic.width && left < 0; ++x)
            for (long y = 0; y < pic.height; ++y)
                if (black(x, y)) {
                    left = x;
                    break;
                }
        ASSERT_GE(left, 0) << "the page picture is blank";
        ASSERT_GT(drawn.paperX, 0);
        ASSERT_GT(drawn.paperY, 0);
        const long dx = drawn.paperX, dy = drawn.paperY;
        ASSERT_EQ(left, l.frame.left + dx) << "the frame's left edge on the paper";
        ASSERT_EQ(top, l.frame.top + dy) << "the frame's top edge on the paper";

        // Rectangles: black inside (a few pixels in from each corner and the middle), white a few
        // pixels outside when nothing else was drawn there.
        auto checkFilled = [&](const char* what, const SampleRect& s, bool whiteAround = true) {
            SCOPED_TRACE(what);
            const long x0 = s.left + dx, y0 = s.top + dy, x1 = s.right + dx - 1, y1 = s.bottom + dy - 1;
            const long in = std::min<long>(2, (x1 - x0) / 2), inY = std::min<long>(2, (y1 - y0) / 2);
            for (auto [x, y] :
                 {std::pair{x0 + in, y0 + inY}, std::pair{x1 - in, y0 + inY}, std::pair{x0 + in, y1 - inY},
                  std::pair{x1 - in, y1 - inY}, std::pair{(x0 + x1) / 2, (y0 + y1) / 2}})
                EXPECT_TRUE(black(x, y)) << "(" << x << "," << y << ") should be black";
            if (!whiteAround) return;
            for (auto [x, y] : {std::pair{x0 - 4, (y0 + y1) / 2}, std::pair{x1 + 4, (y0 + y1) / 2},
                                std::pair{(x0 + x1) / 2, y0 - 4}, std::pair{(x0 + x1) / 2, y1 + 4}})
                EXPECT_FALSE(black(x, y)) << "(" << x << "," << y << ") should be white";
        };
        checkFilled("header bar", l.header);
        for (const SampleRect& b : l.blocks) checkFilled("block", b);
        const int t = l.frameWidth;
        const SampleRect& f = l.frame;
        checkFilled("frame top", SampleRect{f.left, f.top, f.right, f.top + t}, false);
        checkFilled("frame bottom", SampleRect{f.left, f.bottom - t, f.right, f.bottom}, false);
        checkFilled("frame left", SampleRect{f.left, f.top, f.left + t, f.bottom}, false);
        checkFilled("frame right", SampleRect{f.right - t, f.top, f.right, f.bottom}, false);
        // The frame is only its sides: just inside it, and in the middle of the page, it is white.
        for (auto [x, y] :
             {std::pair{f.left + t + 4, (f.top + f.bottom) / 2}, std::pair{f.right - t - 5, (f.top + f.bottom) / 2},
              std::pair{(f.left + f.right) / 2, f.bottom - t - 5},
              std::pair{(f.left + f.right) / 2, (f.top + f.bottom) / 2}})
            EXPECT_FALSE(black(x + dx, y + dy)) << "(" << x + dx << "," << y + dy << ") should be white";

        // The hairlines under the text block, stroked as paths: the rule along its whole length and
        // the zigzag through each of its corners and along each leg, one pixel wide, with white
        // paper on both sides of the rule.
        EXPECT_EQ(pic.pathsDrawn, 2u);
        const SampleRect& tb = l.textBlock;
        const long ruleY = tb.bottom + (l.blocks[0].top - tb.bottom) / 3;
        size_t ruleGaps = 0;
        for (long x = tb.left; x <= tb.right; ++x) ruleGaps += !black(x + dx, ruleY + dy);
        EXPECT_EQ(ruleGaps, 0u) << "the rule at y " << ruleY + dy;
        for (long x = tb.left + 2; x < tb.right - 2; x += 97) {
            EXPECT_FALSE(black(x + dx, ruleY - 2 + dy)) << x;
            EXPECT_FALSE(black(x + dx, ruleY + 2 + dy)) << x;
        }
        for (int k = 0; k < 8; ++k) {
            const long x0 = tb.left + k * (tb.right - tb.left) / 16, x1 = tb.left + (k + 1) * (tb.right - tb.left) / 16;
            const long y0 = ruleY + 20 + (k % 2) * 20, y1 = ruleY + 20 + ((k + 1) % 2) * 20;
            EXPECT_TRUE(black(x0 + dx, y0 + dy)) << "zigzag corner " << k;
            for (long x = x0; x <= x1; ++x) {
                const long y = y0 + (y1 - y0) * (x - x0) / (x1 - x0);
                EXPECT_TRUE(black(x + dx, y + dy) || black(x + dx, y + 1 + dy) || black(x + dx, y - 1 + dy))
                    << "zigzag leg " << k << " at x " << x;
            }
            EXPECT_FALSE(black((x0 + x1) / 2 + dx, (y0 + y1) / 2 + 6 + dy)) << "beside zigzag leg " << k;
        }

        // The text bitmap comes back where it was sent: its black pixels black, its white ones white.
        ASSERT_EQ(drawn.textBlock.left, l.textBlock.left);
        ASSERT_EQ(drawn.textBlock.top, l.textBlock.top);
        if (!drawn.text) {
            ADD_FAILURE() << "no font found for the sample text (set ORLA_SAMPLE_FONT)";
            continue;
        }
        const int tw = drawn.textBlock.right - drawn.textBlock.left, th = drawn.textBlock.bottom - drawn.textBlock.top;
        ASSERT_EQ(drawn.textBits.size(), static_cast<size_t>(drawn.textStride) * static_cast<size_t>(th));
        size_t sentBlack = 0, lostBlack = 0, addedBlack = 0;
        long firstX = -1, firstY = -1;
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x) {
                const bool want = !(drawn.textBits[static_cast<size_t>(y) * static_cast<size_t>(drawn.textStride) +
                                                   static_cast<size_t>(x / 8)] &
                                    (0x80 >> (x % 8)));
                const bool got = black(drawn.textBlock.left + x + dx, drawn.textBlock.top + y + dy);
                sentBlack += want;
                if (want != got && firstX < 0) firstX = x, firstY = y;
                lostBlack += want && !got;
                addedBlack += !want && got;
            }
        EXPECT_GT(sentBlack, static_cast<size_t>(tw) * 10u) << "the text bitmap carries three lines of text";
        EXPECT_EQ(lostBlack, 0u) << "first difference at text pixel (" << firstX << "," << firstY << ")";
        EXPECT_EQ(addedBlack, 0u) << "first difference at text pixel (" << firstX << "," << firstY << ")";
    }
}

}  // namespace
}  // namespace e2e
