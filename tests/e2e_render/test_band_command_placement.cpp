// Band mode and command mode put a page in the same place: the sample page and the text page,
// one, two, four and six pages a sheet, printed both ways through the runner, decoded and
// pictured. Each sheet's pages (blocks of ink with white between them) must come out with the
// same boxes, the ink of each picture must lie on or beside the other's, and no page's ink may
// reach past its frame (a turned sheet's strokes once drifted off their page by the print shift).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "e2e_render/e2e_render_fixture.h"
#include "tools/job_decoder/page_pictures.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;
using orla::runner::DrawnPage;
using orla::runner::PageContent;
using orla::runner::SampleRect;
using orla::runner::TextLineBox;

struct Box {
    long left = 0, top = 0, right = 0, bottom = 0;
    std::string Text() const {
        return "(" + std::to_string(left) + "," + std::to_string(top) + ")-(" + std::to_string(right) + "," +
               std::to_string(bottom) + ")";
    }
};

bool Black(const PagePicture& p, long x, long y) {
    return p.pixels[static_cast<size_t>(y) * static_cast<size_t>(p.width) + static_cast<size_t>(x)] < 128;
}

// The box of the picture's ink inside `area` (empty at the area's far corner when there is none).
Box InkBox(const PagePicture& p, Box area) {
    area.left = std::max(area.left, 0L);
    area.top = std::max(area.top, 0L);
    area.right = std::min(area.right, static_cast<long>(p.width));
    area.bottom = std::min(area.bottom, static_cast<long>(p.height));
    Box b{area.right, area.bottom, area.left, area.top};
    for (long y = area.top; y < area.bottom; ++y)
        for (long x = area.left; x < area.right; ++x)
            if (Black(p, x, y)) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::max(b.bottom, y + 1);
            }
    return b;
}

// The outer box of a frame inside `area`: the outermost rows and columns that are black over
// most of the area's width or height (the frame's sides; text and strokes never are).
Box FrameBox(const PagePicture& p, Box area) {
    area.left = std::max(area.left, 0L);
    area.top = std::max(area.top, 0L);
    area.right = std::min(area.right, static_cast<long>(p.width));
    area.bottom = std::min(area.bottom, static_cast<long>(p.height));
    const long w = area.right - area.left, h = area.bottom - area.top;
    std::vector<long> perRow(static_cast<size_t>(std::max(h, 0L)), 0),
        perColumn(static_cast<size_t>(std::max(w, 0L)), 0);
    for (long y = area.top; y < area.bottom; ++y)
        for (long x = area.left; x < area.right; ++x)
            if (Black(p, x, y)) {
                ++perRow[static_cast<size_t>(y - area.top)];
                ++perColumn[static_cast<size_t>(x - area.left)];
            }
    Box b{area.right, area.bottom, area.left, area.top};
    for (long y = 0; y < h; ++y)
        if (perRow[static_cast<size_t>(y)] * 10 >= w * 7) {
            b.top = std::min(b.top, area.top + y);
            b.bottom = std::max(b.bottom, area.top + y + 1);
        }
    for (long x = 0; x < w; ++x)
        if (perColumn[static_cast<size_t>(x)] * 10 >= h * 7) {
            b.left = std::min(b.left, area.left + x);
            b.right = std::max(b.right, area.left + x + 1);
        }
    return b;
}

// Where a page's pixels land on the sheet, found from its frame: the frame's page rectangle
// scaled into the frame's box on the sheet, turned a quarter anticlockwise on a turned sheet
// (page x up the sheet, page y across it).
struct Placement {
    double originX = 0, originY = 0, scale = 1;
    bool turned = false;
    Placement(const SampleRect& frame, const Box& onSheet, bool turnedSheet) : turned(turnedSheet) {
        if (!turned) {
            scale = static_cast<double>(onSheet.right - onSheet.left) / (frame.right - frame.left);
            originX = onSheet.left - frame.left * scale;
            originY = onSheet.top - frame.top * scale;
        } else {
            scale = static_cast<double>(onSheet.right - onSheet.left) / (frame.bottom - frame.top);
            originX = onSheet.left - frame.top * scale;
            originY = onSheet.bottom + frame.left * scale;
        }
    }
    Box Place(const SampleRect& r) const {
        auto at = [](double v) { return std::lround(v); };
        if (!turned)
            return Box{at(originX + r.left * scale), at(originY + r.top * scale), at(originX + r.right * scale),
                       at(originY + r.bottom * scale)};
        return Box{at(originX + r.top * scale), at(originY - r.right * scale), at(originX + r.bottom * scale),
                   at(originY - r.left * scale)};
    }
};

// Runs of indexes whose `inked` is true, split where `gap` or more un-inked ones come between.
std::vector<std::pair<long, long>> Runs(const std::vector<bool>& inked, long gap) {
    std::vector<std::pair<long, long>> runs;
    long start = -1, lastInk = -1;
    for (long i = 0; i < static_cast<long>(inked.size()); ++i) {
        if (!inked[static_cast<size_t>(i)]) continue;
        if (start >= 0 && i - lastInk > gap) {
            runs.emplace_back(start, lastInk + 1);
            start = -1;
        }
        if (start < 0) start = i;
        lastInk = i;
    }
    if (start >= 0) runs.emplace_back(start, lastInk + 1);
    return runs;
}

// The sheet's blocks of ink: bands of inked rows, then in each band the inked columns, each block
// tightened to its ink. The sample page is framed, so each of its pages is one block.
std::vector<Box> Blocks(const PagePicture& p, long gap) {
    std::vector<Box> blocks;
    std::vector<bool> rows(static_cast<size_t>(p.height), false);
    for (long y = 0; y < p.height; ++y) {
        const uint8_t* row = p.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(p.width);
        rows[static_cast<size_t>(y)] = std::any_of(row, row + p.width, [](uint8_t v) { return v < 128; });
    }
    for (const auto& [top, bottom] : Runs(rows, gap)) {
        std::vector<bool> columns(static_cast<size_t>(p.width), false);
        for (long y = top; y < bottom; ++y)
            for (long x = 0; x < p.width; ++x)
                if (Black(p, x, y)) columns[static_cast<size_t>(x)] = true;
        for (const auto& [left, right] : Runs(columns, gap)) blocks.push_back(InkBox(p, Box{left, top, right, bottom}));
    }
    return blocks;
}

// TRUE where a black pixel of the picture lies within `reach` pixels (a square around it).
std::vector<uint8_t> NearBlack(const PagePicture& p, long reach) {
    const size_t w = static_cast<size_t>(p.width), h = static_cast<size_t>(p.height);
    std::vector<uint8_t> across(w * h, 0), near(w * h, 0);
    // Each pass runs `reach` ahead: the last black seen is the nearest one to the right (below),
    // or else the nearest to the left (above).
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* row = p.pixels.data() + y * w;
        uint8_t* out = across.data() + y * w;
        long last = -(reach + 1) * 4;
        for (long x = 0; x < p.width + reach; ++x) {
            if (x < p.width && row[x] < 128) last = x;
            const long at = x - reach;
            if (at >= 0 && last >= at - reach) out[at] = 1;
        }
    }
    std::vector<long> last(w, -(reach + 1) * 4);
    for (long y = 0; y < p.height + reach; ++y) {
        if (y < p.height) {
            const uint8_t* row = across.data() + static_cast<size_t>(y) * w;
            for (size_t x = 0; x < w; ++x)
                if (row[x]) last[x] = y;
        }
        const long at = y - reach;
        if (at < 0) continue;
        uint8_t* out = near.data() + static_cast<size_t>(at) * w;
        for (size_t x = 0; x < w; ++x) out[x] = last[x] >= at - reach;
    }
    return near;
}

// The share of the black pixels of `a` that have black of `b` within reach (same sizes).
double InkOnInk(const PagePicture& a, const PagePicture& b, long reach) {
    const std::vector<uint8_t> near = NearBlack(b, reach);
    size_t inked = 0, matched = 0;
    for (size_t i = 0; i < a.pixels.size() && i < near.size(); ++i)
        if (a.pixels[i] < 128) {
            ++inked;
            matched += near[i];
        }
    return inked == 0 ? 0.0 : static_cast<double>(matched) / static_cast<double>(inked);
}

// How far the picture's ink reaches past the nearest of `frames` (0 when all of it lies within
// one of them): a page's drawing must stay inside its page.
long InkPastFrames(const PagePicture& p, const std::vector<Box>& frames) {
    long most = 0;
    for (long y = 0; y < p.height; ++y)
        for (long x = 0; x < p.width; ++x) {
            if (!Black(p, x, y)) continue;
            long nearest = -1;
            for (const Box& f : frames) {
                const long dx = std::max({f.left - x, x + 1 - f.right, 0L});
                const long dy = std::max({f.top - y, y + 1 - f.bottom, 0L});
                const long past = std::max(dx, dy);
                if (nearest < 0 || past < nearest) nearest = past;
            }
            most = std::max(most, nearest);
        }
    return most;
}

class BandCommandPlacement : public RenderJob {
protected:
    PicturesResult Print(PageContent content, int layout, int dpi, bool japanese, bool band, RunResult* run) {
        RunOptions o = Options(japanese);
        o.dpi = dpi;
        o.pages = layout;  // layouts 1, 2, 4 and 6 put that many pages on a sheet: one full sheet
        o.layout = layout;
        o.paper = japanese ? u"A4" : u"Letter";
        o.content = content;
        o.rasterMode = band;
        *run = orla::runner::RunJob(o);
        if (!run->ok) return PicturesResult{false, run->error, true, {}};
        if (run->banding != band) return PicturesResult{false, "the job did not run in the mode asked for", true, {}};
        DecodeResult d = Decode(run->job);
        if (!d.ok) return PicturesResult{false, d.error, true, {}};
        PictureOptions po;
        po.dpi = 600;  // 300 dpi jobs are written in 600 dpi units
        po.paperEdge = false;
        po.maxPixels = size_t{96} << 20;
        PicturesResult pictures = RenderPages(d, po);
        if (pictures.ok && pictures.pages.size() != 1) return PicturesResult{false, "not one sheet", true, {}};
        return pictures;
    }
};

constexpr long kGap = 12;       // white between two pages of a sheet is wider than this
constexpr long kTolerance = 4;  // pixels at 600 dpi: the two modes scale a page differently
constexpr long kReach = 2 * kTolerance;
// A text line's box: the engine's rendering of it carried onto the sheet against the printed one.
constexpr long kTextTolerance = 8;

void ExpectSameBox(const Box& want, const Box& got, long tolerance) {
    EXPECT_NEAR(got.left, want.left, tolerance);
    EXPECT_NEAR(got.top, want.top, tolerance);
    EXPECT_NEAR(got.right, want.right, tolerance);
    EXPECT_NEAR(got.bottom, want.bottom, tolerance);
}

Box Grown(const Box& b, long by) {
    return Box{b.left - by, b.top - by, b.right + by, b.bottom + by};
}

// Every layout in the Japanese build, and a two-up sheet of a 300 dpi job (written in doubled
// units); the English build's DLL turns its bands by the same code, so its two-up sheet stands for
// the rest. Each run is a case of its own, so ctest's shards print them side by side.
struct PlacementRun {
    Build build;
    int layout;
    int dpi;
};
const PlacementRun kPlacementRuns[] = {{kBuilds[0], 1, 600}, {kBuilds[0], 2, 600}, {kBuilds[0], 4, 600},
                                       {kBuilds[0], 6, 600}, {kBuilds[0], 2, 300}, {kBuilds[1], 2, 600}};

class BandCommandPlacementRun : public BandCommandPlacement, public ::testing::WithParamInterface<PlacementRun> {};

TEST_P(BandCommandPlacementRun, EveryPageLandsWhereTheOtherModePutsIt) {
    const auto& [build, layout, dpi] = GetParam();
    {
        const std::string what =
            std::string(build.name) + ", " + std::to_string(layout) + " up, " + std::to_string(dpi) + " dpi";
        SCOPED_TRACE(what);
        // The sample page: framed, so each page of the sheet is one block of ink.
        RunResult bandRun, commandRun;
        const PicturesResult band = Print(PageContent::Sample, layout, dpi, build.japanese, true, &bandRun);
        ASSERT_TRUE(band.ok) << band.error;
        if (!bandRun.drawn.empty() && !bandRun.drawn[0].text)
            GTEST_SKIP() << "no font found for the sample text (set ORLA_SAMPLE_FONT)";
        const PicturesResult command = Print(PageContent::Sample, layout, dpi, build.japanese, false, &commandRun);
        ASSERT_TRUE(command.ok) << command.error;
        const PagePicture& b = band.pages[0];
        const PagePicture& m = command.pages[0];
        ASSERT_EQ(b.width, m.width);
        ASSERT_EQ(b.height, m.height);
        const std::vector<Box> pages = Blocks(b, kGap);
        ASSERT_EQ(pages.size(), static_cast<size_t>(layout)) << "pages run into each other in band mode";
        EXPECT_EQ(Blocks(m, kGap).size(), pages.size()) << "pages run into each other in command mode";
        // Each page's frame is in the same box in both modes. (Command mode's own strokes
        // that run past a page are left out: only the frame's sides count.)
        std::vector<Box> frames, commandFrames;
        for (size_t i = 0; i < pages.size(); ++i) {
            const Box area = Grown(pages[i], kReach);
            frames.push_back(FrameBox(b, area));
            const Box got = commandFrames.emplace_back(FrameBox(m, area));
            SCOPED_TRACE("sample page " + std::to_string(i + 1) + ": band " + frames.back().Text() + ", command " +
                         got.Text());
            EXPECT_GT(frames.back().right - frames.back().left, 100) << "a frame in band mode";
            ExpectSameBox(frames.back(), got, kTolerance);
        }
        // Every stroke, block and line of text of a page stays inside that mode's frame of it
        // (strokes are placed by their own transform, frames and blocks by the rectangles').
        const long commandPast = InkPastFrames(m, commandFrames);
        EXPECT_EQ(InkPastFrames(b, frames), 0) << "band mode draws past a page's frame";
        EXPECT_EQ(commandPast, 0) << "command mode draws past a page's frame";
        // Band mode adds grey patches that command mode does not draw: command mode's ink
        // must be on band mode's, not the other way round.
        const double sampleCommandOnBand = InkOnInk(m, b, 2);
        EXPECT_GE(sampleCommandOnBand, 0.95);

        // The text page: each line of each page where the sample page's frame puts the page,
        // in both modes.
        RunResult bandTextRun, commandTextRun;
        const PicturesResult bandText = Print(PageContent::Text, layout, dpi, build.japanese, true, &bandTextRun);
        ASSERT_TRUE(bandText.ok) << bandText.error;
        const PicturesResult commandText =
            Print(PageContent::Text, layout, dpi, build.japanese, false, &commandTextRun);
        ASSERT_TRUE(commandText.ok) << commandText.error;
        ASSERT_FALSE(bandRun.drawn.empty());
        const DrawnPage& drawn = bandRun.drawn[0];
        const SampleRect frame = orla::runner::LayOutSamplePage(1, drawn.width, drawn.height, drawn.dpi).frame;
        size_t linesCompared = 0;
        for (const auto& [mode, run, picture] : {std::tuple{"band", &bandTextRun, &bandText.pages[0]},
                                                 std::tuple{"command", &commandTextRun, &commandText.pages[0]}}) {
            ASSERT_EQ(run->drawn.size(), static_cast<size_t>(layout));
            for (size_t i = 0; i < frames.size(); ++i) {
                const Placement place(frame, frames[i], layout == 2 || layout == 6);
                for (const TextLineBox& line : run->drawn[i].textLines) {
                    if (!line.compare) continue;
                    const Box want = place.Place(line.box);
                    const Box got = InkBox(*picture, Grown(want, static_cast<long>(drawn.dpi * place.scale / 12)));
                    SCOPED_TRACE(std::string(mode) + " mode, page " + std::to_string(i + 1) + ", " + line.what +
                                 ": placed " + want.Text() + ", printed " + got.Text());
                    ExpectSameBox(want, got, kTextTolerance);
                    ++linesCompared;
                }
            }
        }
        EXPECT_GT(linesCompared, 2 * frames.size());
        std::printf(
            "[ placement ] %s: %zu pages, command ink on band ink %.3f, command ink %ld px past a frame, %zu "
            "text lines placed\n",
            what.c_str(), frames.size(), sampleCommandOnBand, commandPast, linesCompared);
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, BandCommandPlacementRun, ::testing::ValuesIn(kPlacementRuns),
                         [](const ::testing::TestParamInfo<PlacementRun>& info) {
                             return std::string(info.param.build.japanese ? "Japanese" : "English") + "_" +
                                    std::to_string(info.param.layout) + "up_" + std::to_string(info.param.dpi) + "dpi";
                         });

}  // namespace
}  // namespace e2e
