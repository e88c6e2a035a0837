// Page pictures of hand-made jobs: paper sizes and orientation give the picture size, images land
// at their moved-to position, and sizes no printer takes are refused before any canvas is made.
#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>

#include "job_bytes.h"
#include "packed_points.h"
#include "tools/job_decoder/page_pictures.h"

namespace {

using namespace orla::jobdecode;
using namespace std::string_literals;
using orla::testing::Be16;
using orla::testing::Be32;
using orla::testing::kTrailer;
using orla::testing::kUel;
using orla::testing::Packed;

std::string Header(int resolution) {
    return kUel +
           "@PJL JOB MODE=PRINTER\r\n@PJL ENTER LANGUAGE=ORLA\r\n\x1b"
           "c1\x1c&" +
           std::to_string(resolution) +
           ".\x1c"
           "d240.";
}
std::string Move(unsigned x, unsigned y) {
    return "\xB8\x00"s + Be16(x) + Be32(y);
}
std::string Image(unsigned width, unsigned height, const std::string& data) {
    return "\xF2"s + '\0' + '\0' + '\0' + Be16(width) + Be16(height) + Be32(data.size()) + data;
}
std::string Scaled(unsigned sw, unsigned sh, unsigned tw, unsigned th, const std::string& data) {
    return "\xF4"s + '\0' + '\0' + '\0' + Be16(sw) + Be16(sh) + Be16(tw) + Be16(th) + Be32(data.size()) + data;
}
std::string Graphics(const std::string& body) {
    return "\x1cY" + body + "\x1cZ";
}

DecodeResult Decode(const std::string& job) {
    DecodeResult r = DecodeJob(job);
    EXPECT_TRUE(r.ok) << FormatListing(r);
    return r;
}

uint8_t At(const PagePicture& p, int x, int y) {
    return p.pixels[static_cast<size_t>(y) * static_cast<size_t>(p.width) + static_cast<size_t>(x)];
}

struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/orla-pictures-XXXXXX";
        path = mkdtemp(name) ? name : "";
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

TEST(PagePictures, TwoPapersAndOrientationsGiveTwoPngsOfTheirSize) {
    // A4 portrait from cassette 1, then B5 landscape from the automatic tray.
    const std::string job = Header(600) +
                            "\x1c"
                            "fPC1PA4.\r\x0c" +
                            "\x1c"
                            "fLC0.\x1c"
                            "fB5.\r\x0c" +
                            kTrailer;
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    PicturesResult r = WritePagePictures(Decode(job), dir.path + "/out");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.fromPageEnds);
    ASSERT_EQ(r.pages.size(), 2u);
    struct Expect {
        const char* file;
        const char* paper;
        bool landscape;
        png_uint_32 w, h;
    };
    const Expect expected[] = {{"page-001.png", "A4", false, 827, 1169}, {"page-002.png", "B5", true, 1012, 717}};
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(expected[i].file);
        EXPECT_EQ(r.pages[i].paper, expected[i].paper);
        EXPECT_EQ(r.pages[i].landscape, expected[i].landscape);
        EXPECT_EQ(r.pages[i].path, dir.path + "/out/" + expected[i].file);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, r.pages[i].path.c_str())) << image.message;
        EXPECT_EQ(image.width, expected[i].w);
        EXPECT_EQ(image.height, expected[i].h);
        image.format = PNG_FORMAT_GRAY;
        std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
        // Grey frame at the edge, white paper inside, nothing black on a blank page.
        EXPECT_GT(pixels[0], 0);
        EXPECT_LT(pixels[0], 255);
        EXPECT_EQ(pixels[image.width + 1], 255);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), 0);
    }
}

TEST(PagePictures, ImageRowsAreBlackAtTheirPosition) {
    // 48 x 12 device pixels, all black, at (600, 1200): at 600 dpi onto 100 dpi that is 8 x 2 pixels at (100, 200).
    const std::string plain = Image(48, 12, std::string(6 * 12, '\xFF'));
    // A scaled image: 2 x 1 source pixels (black, white) onto 96 x 12 device pixels at 1200 dpi.
    const std::string scaled = Scaled(2, 1, 96, 12, "\x80"s);
    struct Case {
        const char* what;
        int resolution;
        std::string body;
        int x0, x1, y0, y1;
    };
    const Case cases[] = {
        {"plain at 600", 600, Move(600, 1200) + plain, 100, 108, 200, 202},
        {"plain at 1200", 1200, Move(1200, 2400) + plain, 100, 104, 200, 201},
        {"scaled at 1200", 1200, Move(1200, 2400) + scaled, 100, 104, 200, 201},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PicturesResult r = RenderPages(Decode(Header(c.resolution) +
                                              "\x1c"
                                              "fPA4." +
                                              Graphics(c.body) + "\r\x0c" + kTrailer));
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.pages.size(), 1u);
        const PagePicture& p = r.pages[0];
        EXPECT_EQ(p.imagesDrawn, 1u);
        size_t black = 0;
        for (int y = 1; y < p.height - 1; ++y)
            for (int x = 1; x < p.width - 1; ++x) {
                const bool inside = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
                EXPECT_EQ(At(p, x, y), inside ? 0 : 255) << x << "," << y;
                black += At(p, x, y) == 0;
                if (::testing::Test::HasFailure()) return;
            }
        EXPECT_EQ(black, static_cast<size_t>((c.x1 - c.x0) * (c.y1 - c.y0)));
    }
}

// A page of 10 mm square paper (236 x 236 pixels) at 600 dpi with the given graphics, pictured at
// the job's own resolution.
PagePicture SquarePage(const std::string& graphics) {
    PictureOptions options;
    options.dpi = 600;
    options.paperEdge = false;
    PicturesResult r = RenderPages(Decode(Header(600) +
                                          "\x1c"
                                          "fPC0.\x1c"
                                          "fUNDF,100,100,1/10,m." +
                                          Graphics(graphics) + "\r\x0c" + kTrailer),
                                   options);
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.pages.size(), 1u);
    return r.ok && r.pages.size() == 1 ? r.pages[0] : PagePicture{};
}

// Path commands in the packed form: the head, the count, the data length and the data.
std::string PackedPath(const std::string& head, unsigned count, const std::vector<std::pair<int, int>>& entries) {
    const std::string data = Packed(entries);
    return head + Be16(count) + Be32(data.size()) + data;
}
std::string Points(const std::vector<std::pair<unsigned, unsigned>>& points) {
    std::string out;
    for (auto [x, y] : points) out += Be16(x) + Be16(y);
    return out;
}

// Lines, polygons, clip paths and vector paths on the 236 x 236 page: each case's picture must be
// exactly what its rule says. A fill takes the pixels whose centres lie inside, a stroke every
// pixel its line passes (a wider pen centred on it), the pen grey over the brush grey.
TEST(PagePictures, PathsPaintExactlyWhereThePrinterDraws) {
    const std::string grey = "\xA5\x01\x2F\x00"s;  // brush level 47: grey 125
    const std::string greyPen = "\xAD\x00\x2F\x4F"s;
    const std::string triangle = Points({{20, 100}, {60, 100}, {20, 140}});
    auto inTriangle = [](int x, int y) { return y >= 100 && y < 140 && x >= 20 && x + y < 159; };
    auto onRectangleEdge = [](int x, int y, int x0, int y0, int x1, int y1) {
        return x >= x0 && x <= x1 && y >= y0 && y <= y1 && (x == x0 || x == x1 || y == y0 || y == y1);
    };
    struct Case {
        const char* what;
        std::string body;
        std::function<uint8_t(int, int)> want;
        size_t paths;
    };
    const Case cases[] = {
        {"polyline from the current position", Move(10, 20) + "\xE0\x00"s + Be16(2) + Points({{40, 20}, {40, 50}}),
         [](int x, int y) {
             return uint8_t((y == 20 && x >= 10 && x <= 40) || (x == 40 && y >= 20 && y <= 50) ? 0 : 255);
         },
         1},
        {"packed polyline in the pen grey, three pixels wide",
         greyPen + "\xAF\x00\x00\x03"s + PackedPath("\xE0\x04"s, 3, {{30, 200}, {100, 0}, {0, -20}}),
         [](int x, int y) {
             return uint8_t(
                 (y >= 199 && y <= 201 && x >= 29 && x <= 131) || (x >= 129 && x <= 131 && y >= 179 && y <= 201) ? 125
                                                                                                                 : 255);
         },
         1},
        {"polygon filled in the brush grey", grey + "\xE8\x00"s + Be16(3) + triangle,
         [&](int x, int y) { return uint8_t(inTriangle(x, y) ? 125 : 255); }, 1},
        {"packed polygon of two subpaths, alternate rule leaves the hole",
         PackedPath(
             "\xE8\xA0"s, 11,
             {{0, 4}, {100, 20}, {100, 0}, {0, 100}, {-100, 0}, {0, 4}, {130, 50}, {40, 0}, {0, 40}, {-40, 0}, {0, 0}}),
         [](int x, int y) {
             const bool outer = x >= 100 && x < 200 && y >= 20 && y < 120,
                        hole = x >= 130 && x < 170 && y >= 50 && y < 90;
             return uint8_t(outer && !hole ? 0 : 255);
         },
         1},
        {"polygon filled and stroked: pen on the edge, brush inside",
         grey + "\xE9\x00"s + Be16(4) + Points({{100, 20}, {140, 20}, {140, 60}, {100, 60}}),
         [&](int x, int y) {
             if (onRectangleEdge(x, y, 100, 20, 140, 60)) return uint8_t(0);
             return uint8_t(x > 100 && x < 140 && y > 20 && y < 60 ? 125 : 255);
         },
         1},
        {"rectangle cut to a triangular clip path",
         PackedPath("\xB5\x04"s, 5, {{0, 3}, {0, 0}, {120, 0}, {-120, 120}, {0, 0}}) + "\xDB\x64"s + Be16(100) +
             Be16(0) + Be16(0),
         [](int x, int y) { return uint8_t(x < 100 && y < 100 && x + y < 119 ? 0 : 255); }, 0},
        {"a clip rectangle after a clip path clips to itself again",
         PackedPath("\xB5\x04"s, 5, {{0, 3}, {0, 0}, {120, 0}, {-120, 120}, {0, 0}}) + Move(50, 50) + "\xB1\x0A"s +
             Be16(10) + "\xDB\x64"s + Be16(100) + Be16(0) + Be16(0),
         [](int x, int y) { return uint8_t(x >= 50 && x < 60 && y >= 50 && y < 60 ? 0 : 255); }, 0},
        {"vector path closed and stroked", "SU1,600,0;IP0,0,608,608;NP;MA20,100;PR40,0,-40,40;CP;EP;ST;"s,
         [&](int x, int y) {
             const bool edge = (y == 100 && x >= 20 && x <= 60) || (x == 20 && y >= 100 && y <= 140) ||
                               (x + y == 160 && x >= 20 && x <= 60);
             return uint8_t(edge ? 0 : 255);
         },
         1},
        {"vector path filled by the winding rule", grey + "NP;MA20,100;PR40,0,-40,40;CP;EP;FL;"s,
         [&](int x, int y) { return uint8_t(inTriangle(x, y) ? 125 : 255); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PagePicture p = SquarePage(c.body);
        ASSERT_EQ(p.width, 236);
        EXPECT_EQ(p.pathsDrawn, c.paths);
        size_t differ = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (At(p, x, y) != c.want(x, y) && differ++ == 0)
                    ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << int(At(p, x, y)) << ", not "
                                  << int(c.want(x, y));
        EXPECT_EQ(differ, 0u);
    }
}

// Curves, binary and vector: the ends and the middle of the curve are black, the inside of the
// arch white when stroked and grey when filled, and no pixel far from the curve is painted.
TEST(PagePictures, CurvesPassThroughTheirPoints) {
    // From (20, 180) with control points (20, 150) and (80, 150) to (80, 180): its middle is (50, 157.5).
    const std::vector<std::pair<int, int>> arch = {{0, 1}, {1, 4}, {20, 180}, {0, -30}, {60, 0}, {0, 30}};
    struct Case {
        const char* what;
        std::string body;
        uint8_t inside;
    };
    const Case cases[] = {
        {"curve path stroked", PackedPath("\xEA\x80"s, 6, arch), 255},
        {"curve path filled", "\xA5\x01\x2F\x00"s + PackedPath("\xEA\x82"s, 6, arch), 125},
        {"vector curve stroked", "NP;MA20,180;BR0,-30,60,0,0,30;EP;ST;"s, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PagePicture p = SquarePage(c.body);
        ASSERT_EQ(p.width, 236);
        EXPECT_EQ(p.pathsDrawn, 1u);
        if (c.inside == 255) {
            EXPECT_EQ(At(p, 20, 180), 0);
            EXPECT_EQ(At(p, 80, 180), 0);
            EXPECT_EQ(At(p, 50, 157), 0);
            EXPECT_EQ(At(p, 26, 165), 0);  // at t = 0.2: (26.24, 165.6)
        }
        EXPECT_EQ(At(p, 50, 170), c.inside);
        for (auto [x, y] : {std::pair{50, 150}, std::pair{50, 185}, std::pair{15, 170}, std::pair{85, 170}})
            EXPECT_EQ(At(p, x, y), 255) << x << "," << y;
    }
}

// The printer's origin put on the paper moves every mark by it: a rectangle, an image, a line
// and a clip, given at 300 dpi for a 600-dpi job; a mark left of the origin still shows on the
// paper's margin. An origin off any paper is refused.
TEST(PagePictures, TheOriginPlacesMarksOnThePaper) {
    const std::string body = "\xDB\x02"s + Be16(4) + Be16(0xFFFC) + Be16(0) + Move(30, 40) + Image(8, 1, "\xFF"s) +
                             "\xE0\x00"s + Be16(1) + Points({{60, 60}}) + Move(100, 100) + "\xB1\x01"s + Be16(2) +
                             "\xDB\x05"s + Be16(5) + Be16(98) + Be16(98);
    PictureOptions options;
    options.dpi = 600;
    options.paperEdge = false;
    options.originX = 10;  // 20 and 30 pixels at 600 dpi
    options.originY = 15;
    options.originDpi = 300;
    PicturesResult r = RenderPages(Decode(Header(600) +
                                          "\x1c"
                                          "fPC0.\x1c"
                                          "fUNDF,100,100,1/10,m." +
                                          Graphics(body) + "\r\x0c" + kTrailer),
                                   options);
    ASSERT_TRUE(r.ok) << r.error;
    const PagePicture& p = r.pages[0];
    // The line runs from the position (30, 40) to (60, 60), on the paper (50, 70) to (80, 90).
    auto onLine = [](int x, int y) {
        return x >= 50 && x <= 80 && y == 70 + static_cast<int>(std::lround(20.0 * (x - 50) / 30));
    };
    auto want = [&](int x, int y) {
        const bool rect = x >= 16 && x < 20 && y >= 30 && y < 32;
        const bool image = x >= 50 && x < 58 && y == 70;
        const bool clipped = x >= 120 && x < 122 && y == 130;
        return rect || image || clipped || onLine(x, y);
    };
    size_t differ = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if ((At(p, x, y) == 0) != want(x, y) && differ++ == 0) ADD_FAILURE() << "pixel (" << x << "," << y << ")";
    EXPECT_EQ(differ, 0u);
    options.originX = 300 * 81;
    EXPECT_FALSE(RenderPages(Decode(Header(600) +
                                    "\x1c"
                                    "fPA4." +
                                    kTrailer),
                             options)
                     .ok);
}

// A path far larger than the page paints only the page; one whose stroke would paint too much is
// refused with the reason.
TEST(PagePictures, PathsBeyondThePageAreCutAndCounted) {
    const PagePicture p = SquarePage("NP;MA-9000000,118;PR18000000,0;EP;ST;"s);
    ASSERT_EQ(p.width, 236);
    for (int x = 0; x < 236; ++x) ASSERT_EQ(At(p, x, 118), 0) << x;
    EXPECT_EQ(At(p, 100, 117), 255);
    std::string body = "\xAF\x00\x09\x60"s;  // a pen 2400 pixels wide
    for (int i = 0; i < 40; ++i) body += "NP;MA0,0;PR7000,7000;EP;ST;";
    PictureOptions options;
    options.dpi = 600;
    options.maxWork = uint64_t{1} << 30;
    PicturesResult r = RenderPages(Decode(Header(600) +
                                          "\x1c"
                                          "fPA4." +
                                          Graphics(body) + "\r\x0c" + kTrailer),
                                   options);
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("paint more than"), std::string::npos) << r.error;
}

// Marks at the job's own resolution on a 10 mm square paper (236 x 236 pixels at 600 dpi): each
// case paints its boxes in order on white and the picture must be exactly that.
TEST(PagePictures, ClipsAndRectanglesPaintExactly) {
    struct Box {
        int x0, y0, x1, y1;
        uint8_t grey;
    };
    struct Case {
        const char* what;
        std::string body;
        std::vector<Box> boxes;
        size_t images, rectangles;
    };
    const std::string black16x2 = Image(16, 2, "\xFF\xFF\xFF\xFF"s);
    const std::string clip4x1 = "\xB1\x01"s + Be16(4);  // at the current position
    const std::string fill10x5 = "\xDB\x05"s + Be16(10) + Be16(200) + Be16(100);
    const Case cases[] = {
        {"image inside no clip", Move(100, 100) + black16x2, {{100, 100, 116, 102, 0}}, 1, 0},
        {"image cut to a clip rectangle",
         Move(104, 100) + clip4x1 + Move(100, 100) + black16x2,
         {{104, 100, 108, 101, 0}},
         1,
         0},
        {"scaled image doubled",
         Move(10, 20) + Scaled(16, 2, 32, 4, "\xFF\xFF\x00\x00\xFF\xFF\x00\x00"s),
         {{10, 20, 42, 24, 0}},
         1,
         0},
        {"filled rectangle in the brush grey", "\xA5\x01\x2F\x00"s + fill10x5, {{200, 100, 210, 105, 125}}, 0, 1},
        {"black brush until one is chosen", fill10x5, {{200, 100, 210, 105, 0}}, 0, 1},
        {"white brush paints over an image",
         Move(200, 100) + black16x2 + "\xA5\x01\x4F\x00"s + "\xDB\x01"s + Be16(4) + Be16(202) + Be16(100),
         {{200, 100, 216, 102, 0}, {202, 100, 206, 101, 255}},
         1,
         1},
        {"outlined rectangle in the pen level and line width",
         "\xAD\x00\x10\x4F\xAF\x00\x00\x02"s + "\xDC\x0A"s + Be16(10) + Be16(50) + Be16(60),
         {{50, 60, 60, 62, 0}, {50, 68, 60, 70, 0}, {50, 60, 52, 70, 0}, {58, 60, 60, 70, 0}},
         0,
         1},
        {"long rectangle cut to a long clip",
         Move(0, 0) + "\xB2\x00"s + Be16(300) + Be16(30) + "\x00\x00"s + "\xDD\x00"s + Be16(300) + Be16(100) +
             Be16(20) + Be16(10) + "\x00\x00"s,
         {{20, 10, 30, 236, 0}},
         0,
         1},
        {"rectangle past the page edge",
         "\xDB\x0A"s + Be16(50) + Be16(230) + Be16(0xFFFB),
         {{230, 0, 236, 5, 0}},
         0,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PictureOptions options;
        options.dpi = 600;
        options.paperEdge = false;
        PicturesResult r = RenderPages(Decode(Header(600) +
                                              "\x1c"
                                              "fPC0.\x1c"
                                              "fUNDF,100,100,1/10,m." +
                                              Graphics(c.body) + "\r\x0c" + kTrailer),
                                       options);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.pages.size(), 1u);
        const PagePicture& p = r.pages[0];
        ASSERT_EQ(p.width, 236);
        ASSERT_EQ(p.height, 236);
        EXPECT_EQ(p.imagesDrawn, c.images);
        EXPECT_EQ(p.rectanglesDrawn, c.rectangles);
        std::vector<uint8_t> want(p.pixels.size(), 255);
        for (const Box& b : c.boxes)
            for (int y = b.y0; y < b.y1; ++y)
                for (int x = b.x0; x < b.x1; ++x) want[static_cast<size_t>(y) * 236 + static_cast<size_t>(x)] = b.grey;
        for (size_t i = 0; i < want.size(); ++i)
            if (want[i] != p.pixels[i]) {
                ADD_FAILURE() << "pixel (" << i % 236 << "," << i / 236 << ") is " << int(p.pixels[i]) << ", not "
                              << int(want[i]);
                break;
            }
    }
}

TEST(PagePictures, DitheredImagesShowGreyBelowTheJobResolution) {
    // 48 x 12 device pixels at 600 dpi, every other pixel black (0xAA), onto 100 dpi: 8 x 2
    // picture pixels each half covered; a clip of the left half keeps 4 x 2 of them.
    const std::string half = Image(48, 12, std::string(6 * 12, '\xAA'));
    struct Case {
        const char* what;
        std::string body;
        int x1;
    };
    const Case cases[] = {
        {"unclipped", Move(600, 1200) + half, 108},
        {"clipped to its left half", Move(600, 1200) + "\xB1\x0C"s + Be16(24) + half, 104},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PicturesResult r = RenderPages(Decode(Header(600) +
                                              "\x1c"
                                              "fPA4." +
                                              Graphics(c.body) + "\r\x0c" + kTrailer));
        ASSERT_TRUE(r.ok) << r.error;
        const PagePicture& p = r.pages[0];
        for (int y = 199; y <= 202; ++y)
            for (int x = 99; x <= 108; ++x) {
                const bool inside = x >= 100 && x < c.x1 && y >= 200 && y < 202;
                EXPECT_EQ(At(p, x, y), inside ? 128 : 255) << x << "," << y;
            }
    }
}

TEST(PagePictures, ImageWithoutPositionIsCountedNotDrawn) {
    const std::string job = Header(600) +
                            "\x1c"
                            "fPA4." +
                            Graphics(Image(8, 1, "\xFF"s)) + "\r\x0c" + Graphics(Move(0, 0) + Image(8, 1, "\xFF"s)) +
                            "\r\x0c" + kTrailer;
    PicturesResult r = RenderPages(Decode(job));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.pages.size(), 2u);
    EXPECT_EQ(r.pages[0].imagesDrawn, 0u);
    EXPECT_EQ(r.pages[0].imagesUnplaced, 1u);
    // The position does not carry over a page end, so the second page's own move places it.
    EXPECT_EQ(r.pages[1].imagesDrawn, 1u);
    EXPECT_EQ(r.pages[1].imagesUnplaced, 0u);
}

TEST(PagePictures, JobWithoutPageEndsGivesOnePicturePerSetup) {
    const std::string job = Header(600) +
                            "\x1c"
                            "fPC1PA4." +
                            "\x1c"
                            "fLC0.\x1c"
                            "fUNDF,1000,1480,1/10,m." +
                            kTrailer;
    PicturesResult r = RenderPages(Decode(job));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(r.fromPageEnds);
    ASSERT_EQ(r.pages.size(), 2u);
    EXPECT_EQ(r.pages[0].paper, "A4");
    EXPECT_EQ(r.pages[1].paper, "UNDF 1000x1480");
    EXPECT_TRUE(r.pages[1].landscape);
    EXPECT_EQ(r.pages[1].width, 583);   // 148 mm across
    EXPECT_EQ(r.pages[1].height, 394);  // 100 mm down
}

TEST(PagePictures, BadOrHugeSizesAreRefused) {
    struct Case {
        const char* setup;
        int dpi;
        const char* reason;
    };
    const Case cases[] = {
        {"fPC0.\x1c"
         "fUNDF,0,1480,1/10,m.",
         100, "not a size of paper"},
        {"fPC0.\x1c"
         "fUNDF,99999999,99999999,1/10,m.",
         100, "not a size of paper"},
        {"fPC0.\x1c"
         "fUNDF,20001,2970,1/10,m.",
         100, "not a size of paper"},
        {"fPC0.\x1c"
         "fUNDF,2100,1/10,m.",
         100, "not a size of paper"},
        {"fPC0.\x1c"
         "fUNDF,2100",
         100, ""},  // cut short: the decoder already refuses it
        {"fPC0.\x1c"
         "fUNDF,20000,20000,1/10,m.",
         600, "larger than allowed"},
        {"fPA4.", 100000, "outside 10 ... 1200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setup);
        DecodeResult job = DecodeJob(Header(600) + "\x1c" + c.setup + "\r\x0c" + kTrailer);
        PictureOptions options;
        options.dpi = c.dpi;
        PicturesResult r = RenderPages(job, options);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.pages.empty());
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
    }
}

// Every paper the printers take decodes and draws at 1200 dpi with the default limits, the long
// paper (297 x 900 mm) the largest of them; an image in its far corner lands there.
TEST(PagePictures, TheLargestPapersDrawAt1200Dpi) {
    struct Case {
        const char* setup;
        int width, height;  // pixels at 1200 dpi
    };
    const Case cases[] = {
        {"fPC1PA4.", 9921, 14031},
        {"fPC1PA3.", 14031, 19843},
        {"fPC0.\x1c"
         "f,2970,9000,1/10,m.",
         14031, 42520},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setup);
        const std::string job =
            Header(1200) + "\x1c" + c.setup +
            Graphics(Move(static_cast<unsigned>(c.width - 16), static_cast<unsigned>(c.height - 2)) +
                     Image(16, 2, "\xFF\xFF\xFF\xFF"s)) +
            "\r\x0c" + kTrailer;
        PictureOptions options;
        options.dpi = 1200;
        PicturesResult r = RenderPages(Decode(job), options);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.pages.size(), 1u);
        const PagePicture& p = r.pages[0];
        EXPECT_EQ(p.width, c.width);
        EXPECT_EQ(p.height, c.height);
        EXPECT_EQ(p.imagesDrawn, 1u);
        EXPECT_EQ(At(p, c.width - 8, c.height - 2), 0) << "the image in the far corner";
    }
}

TEST(PagePictures, GarbledJobsNeverCrashAndAlwaysSayWhy) {
    // Every byte of a small job replaced in turn: each result is pictures of sane size or a reason.
    const std::string job = Header(600) +
                            "\x1c"
                            "fLC0.\x1c"
                            "fUNDF,1000,1480,1/10,m." +
                            Graphics(Move(60, 60) + Scaled(8, 2, 40, 20, "\xF0\x0F"s)) + "\r\x0c" + kTrailer;
    size_t rendered = 0;
    for (size_t i = 0; i < job.size(); ++i)
        for (char b : {'\x00', '\xFF', '9', ','}) {
            std::string garbled = job;
            garbled[i] = b;
            DecodeResult decoded = DecodeJob(garbled);
            PicturesResult r = RenderPages(decoded);
            if (!r.ok) {
                EXPECT_FALSE(r.error.empty()) << i;
                continue;
            }
            rendered++;
            for (const PagePicture& p : r.pages) {
                EXPECT_GT(p.width, 0);
                EXPECT_EQ(p.pixels.size(), static_cast<size_t>(p.width) * static_cast<size_t>(p.height));
                EXPECT_LE(p.pixels.size(), PictureOptions{}.maxPixels);
            }
        }
    EXPECT_GT(rendered, 0u);
}

// Twelve bytes of job can ask for a page-sized image: a job of many such pages is refused with a
// reason instead of painting for minutes.
TEST(PagePictures, PagesThatPaintTooMuchAreRefused) {
    std::string body = Move(0, 0);
    for (int i = 0; i < 40; ++i) body += Scaled(1, 1, 5000, 7000, "\x80"s);
    PictureOptions options;
    options.maxWork = uint64_t{200} << 20;
    PicturesResult r = RenderPages(Decode(Header(600) +
                                          "\x1c"
                                          "fPA4." +
                                          Graphics(body) + "\r\x0c" + kTrailer),
                                   options);
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("paint more than"), std::string::npos) << r.error;
    // A resolution no printer has would make device pixels of dust: refused.
    r = RenderPages(Decode(Header(999999) +
                           "\x1c"
                           "fPA4." +
                           Graphics(Move(0, 0) + Scaled(1, 1, 60000, 60000, "\x80"s)) + "\r\x0c" + kTrailer));
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("resolution 999999"), std::string::npos) << r.error;
    // Four of them are within the budget, and the page is black.
    body = Move(0, 0);
    for (int i = 0; i < 4; ++i) body += Scaled(1, 1, 5000, 7000, "\x80"s);
    r = RenderPages(Decode(Header(600) +
                           "\x1c"
                           "fPA4." +
                           Graphics(body) + "\r\x0c" + kTrailer),
                    options);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(At(r.pages[0], 400, 500), 0);
}

TEST(PagePictures, PaperTableHoldsTheSetupNames) {
    struct Case {
        const char* name;
        int w, l;
    };
    const Case cases[] = {{"A3", 2970, 4200}, {"A5", 1480, 2100},   {"LT", 2159, 2794},
                          {"PC", 1000, 1480}, {"A4A3", 2970, 4200}, {"LPB4", 2570, 3640}};
    for (const Case& c : cases) {
        int w = 0, l = 0;
        ASSERT_TRUE(PaperSizeTenthsMm(c.name, &w, &l)) << c.name;
        EXPECT_EQ(w, c.w) << c.name;
        EXPECT_EQ(l, c.l) << c.name;
    }
    int w = 0, l = 0;
    EXPECT_FALSE(PaperSizeTenthsMm("C0", &w, &l));
}

}  // namespace
