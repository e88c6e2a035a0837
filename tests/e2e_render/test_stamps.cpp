// Stamps end to end: a text stamp at each of the nine places (turned), an image stamp and the
// information stamp, drawn by the stamp-drawing library (Garnith.dll in the driver directory)
// into the bands in band mode and on the device context at each page end in command mode, in
// both builds; the decoded pages show the stamp's ink where its place says, and nowhere else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "e2e_render/e2e_render_fixture.h"
#include "plat/control.h"
#include "tools/job_decoder/page_pictures.h"
#include "tools/print_runner/runner_options.h"

namespace e2e {
namespace {

using namespace orla::jobdecode;

constexpr unsigned kStampDrawFlag = 1224 + 748;  // the embedded stamp record's draw flag
constexpr int kPictureDpi = 60;

using StampLook = orla::runner::StampChoice;

std::vector<SettingPatch> StampSettings(const StampLook& s) {
    return orla::runner::StampPatches(s);
}

struct Ink {
    size_t pixels = 0;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int pageWidth = 0, pageHeight = 0;
};

// The dark pixels of the first page picture and their bounds.
Ink InkOf(const DecodeResult& d) {
    PictureOptions po;
    po.dpi = kPictureDpi;
    po.paperEdge = false;
    PicturesResult p = RenderPages(d, po);
    Ink ink;
    if (!p.ok || p.pages.empty()) return ink;
    const PagePicture& page = p.pages.front();
    ink.pageWidth = page.width;
    ink.pageHeight = page.height;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            if (page.pixels[static_cast<size_t>(y) * page.width + x] < 128) {
                ++ink.pixels;
                ink.left = std::min(ink.left, x), ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x + 1), ink.bottom = std::max(ink.bottom, y + 1);
            }
    return ink;
}

class Stamps : public RenderJob {
protected:
    std::string error_;
    RunResult Run(bool japanese, bool band, const std::vector<SettingPatch>& settings, int pages = 1) {
        RunOptions o = Options(japanese);
        o.rasterMode = band;
        o.applicationDc = true;
        o.pages = pages;
        o.paper = japanese ? u"A4" : u"Letter";
        o.settingPatches.insert(o.settingPatches.end(), settings.begin(), settings.end());
        return orla::runner::RunJob(o);
    }
};

TEST_F(Stamps, TextStampLandsInEachOfTheNinePlacesTurnedInBothModesAndBuilds) {
    for (const Build& build : kBuilds)
        for (bool band : {true, false})
            for (uint32_t position = 0; position < 9; ++position) {
                SCOPED_TRACE(std::string(build.name) + (band ? " band" : " command") + " position " +
                             std::to_string(position));
                StampLook look;
                look.position = position;
                look.angle = static_cast<uint16_t>(position % 5);  // every angle choice comes up
                RunResult r = Run(build.japanese, band, StampSettings(look));
                ASSERT_TRUE(r.ok) << r.error;
                DecodeResult d = Decode(r.job);
                ASSERT_TRUE(d.ok) << d.error;
                Ink ink = InkOf(d);
                ASSERT_GT(ink.pixels, 20u) << "the stamp's ink is on the page";
                // The ink's centre lies in the third of the page its place names.
                const int cx = (ink.left + ink.right) / 2, cy = (ink.top + ink.bottom) / 2;
                EXPECT_EQ(static_cast<uint32_t>(cx * 3 / ink.pageWidth), position % 3) << cx << " of " << ink.pageWidth;
                EXPECT_EQ(static_cast<uint32_t>(cy * 3 / ink.pageHeight), position / 3)
                    << cy << " of " << ink.pageHeight;
                // Upright text is wider than tall; a quarter turn makes it taller than wide.
                const int w = ink.right - ink.left, h = ink.bottom - ink.top;
                if (look.angle == 2) {
                    EXPECT_GT(w, 2 * h);
                } else if (look.angle == 0 || look.angle == 4) {
                    EXPECT_GT(h, 2 * w);
                }
            }
}

TEST_F(Stamps, AFullLengthDoubleByteTextIsCutToWholeCharactersAndDrawn) {
    // 128 kanji: 256 bytes in code page 932, more than the library's text buffer holds.
    StampLook look;
    look.text = std::u16string(128, u'漢');
    look.size = 120;
    look.face = u"ＭＳ ゴシック";
    for (bool band : {true, false}) {
        SCOPED_TRACE(band ? "band" : "command");
        RunResult r = Run(true, band, StampSettings(look));
        ASSERT_TRUE(r.ok) << r.error;
        Ink ink = InkOf(Decode(r.job));
        EXPECT_GT(ink.pixels, 100u);
    }
}

TEST_F(Stamps, AStampSwitchedOffIsNotDrawnAndTheJobStillPrints) {
    StampLook look;
    std::vector<SettingPatch> off = StampSettings(look);
    off.push_back(SettingPatch{kStampDrawFlag, {0, 0, 0, 0}, {}});
    for (bool band : {true, false}) {
        SCOPED_TRACE(band ? "band" : "command");
        RunResult r = Run(true, band, off);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(InkOf(Decode(r.job)).pixels, 0u) << "a stamp switched off is not drawn";
    }
}

// A 2 x 1 inch BMP of a black square frame, 24 bits per pixel.
std::vector<uint8_t> FrameBmp(int w, int h) {
    const int stride = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> f(54 + static_cast<size_t>(stride) * h, 0xFF);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&f[at], &v, 2); };
    f[0] = 'B', f[1] = 'M';
    put32(2, static_cast<uint32_t>(f.size()));
    put32(6, 0);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(h));
    put16(26, 1);
    put16(28, 24);
    put32(30, 0);
    put32(34, static_cast<uint32_t>(stride * h));
    put32(38, 2835), put32(42, 2835), put32(46, 0), put32(50, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x < 10 || y < 10 || x >= w - 10 || y >= h - 10)
                std::memset(&f[54 + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3], 0, 3);
    return f;
}

TEST_F(Stamps, ImageStampIsDrawnAtItsScaleInBothModes) {
    const std::string host = root_ + "/stamp.bmp";
    {
        std::vector<uint8_t> bmp = FrameBmp(300, 150);
        std::ofstream(host, std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    }
    const std::u16string windowsPath = std::u16string(PlatDriverDirectory()) + u"\\frame.bmp";
    ASSERT_TRUE(orla::runner::InstallPrinter(Options(true), error_)) << error_;
    ASSERT_TRUE(PlatCopyIntoSandbox(host.c_str(), windowsPath.c_str()));
    for (const Build& build : kBuilds)
        for (bool band : {true, false}) {
            SCOPED_TRACE(std::string(build.name) + (band ? " band" : " command"));
            StampLook look;
            look.image = true;
            look.imagePath = windowsPath;
            look.scale = 200;
            look.position = 0;
            RunResult r = Run(build.japanese, band, StampSettings(look));
            ASSERT_TRUE(r.ok) << r.error;
            Ink ink = InkOf(Decode(r.job));
            ASSERT_GT(ink.pixels, 20u);
            // 300 x 150 pixels at 150 per inch, doubled: 4 x 2 inches.
            EXPECT_NEAR(ink.right - ink.left, 4 * kPictureDpi, 3);
            EXPECT_NEAR(ink.bottom - ink.top, 2 * kPictureDpi, 3);
            EXPECT_LT(ink.left, ink.pageWidth / 3);
            EXPECT_LT(ink.top, ink.pageHeight / 3);
        }
}

TEST_F(Stamps, InformationStampCarriesThePageNumberOrTheDocumentNameOnEveryPage) {
    struct Kind {
        uint32_t kind;
        const char* what;
    };
    for (const Kind k : {Kind{7, "page number"}, Kind{6, "document name"}})
        for (const Build& build : kBuilds)
            for (bool band : {true, false}) {
                SCOPED_TRACE(std::string(k.what) + " " + build.name + (band ? " band" : " command"));
                // At the bottom right of each page.
                RunResult r = Run(build.japanese, band, orla::runner::InfoStampPatches(k.kind, 8), 3);
                ASSERT_TRUE(r.ok) << r.error;
                DecodeResult d = Decode(r.job);
                ASSERT_TRUE(d.ok) << d.error;
                // Small text: pictured finely enough that its strokes stay dark.
                PictureOptions po;
                po.dpi = 200;
                po.paperEdge = false;
                PicturesResult p = RenderPages(d, po);
                ASSERT_TRUE(p.ok) << p.error;
                ASSERT_EQ(p.pages.size(), 3u) << "every page carries the stamp, so no page is blank";
                for (size_t n = 0; n < p.pages.size(); ++n) {
                    const PagePicture& page = p.pages[n];
                    size_t dark = 0, darkBottomRight = 0;
                    int left = page.width, right = 0;
                    for (int y = 0; y < page.height; ++y)
                        for (int x = 0; x < page.width; ++x)
                            if (page.pixels[static_cast<size_t>(y) * page.width + x] < 128) {
                                ++dark;
                                left = std::min(left, x), right = std::max(right, x + 1);
                                if (x * 3 >= 2 * page.width && y * 3 >= 2 * page.height) ++darkBottomRight;
                            }
                    EXPECT_GT(dark, 0u) << "page " << n + 1;
                    EXPECT_EQ(page.imagesUnplaced, 0u) << "page " << n + 1 << ": every image has its position";
                    EXPECT_EQ(darkBottomRight, dark) << "all of it at the bottom right";
                    // "-1-" is three characters, "runner job" ten (10.5 point at 200 dpi: 8 to 15 pixels each).
                    if (k.kind == 7)
                        EXPECT_LT(right - left, 60) << "page " << n + 1;
                    else
                        EXPECT_GT(right - left, 80) << "page " << n + 1;
                }
            }
}

}  // namespace
}  // namespace e2e
