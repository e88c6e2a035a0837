// Sample page content for band-mode jobs. Drawn once per page into a page canvas; each band then
// takes its rows, so a page comes out the same whatever the band size.
#include "tools/print_runner/sample_content.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace orla::runner {
namespace {

constexpr const char* kFontPlaces[] = {
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
    "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
};

void Black(PageCanvas& c, int x, int y) {
    if (x < 0 || y < 0 || x >= c.width || y >= c.height) return;
    c.bits[static_cast<size_t>(y) * static_cast<size_t>(c.stride) + static_cast<size_t>(x / 8)] &=
        static_cast<uint8_t>(~(0x80u >> (x % 8)));
}

void Fill(PageCanvas& c, int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, c.width), y1 = std::min(y1, c.height);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) Black(c, x, y);
}

void Frame(PageCanvas& c, int x0, int y0, int x1, int y1, int t) {
    Fill(c, x0, y0, x1, y0 + t);
    Fill(c, x0, y1 - t, x1, y1);
    Fill(c, x0, y0, x0 + t, y1);
    Fill(c, x1 - t, y0, x1, y1);
}

// An ordered 4 x 4 dither of `level` sixteenths black, as a halftoning engine would make of a grey.
void Dither(PageCanvas& c, int x0, int y0, int x1, int y1, int level) {
    static constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    for (int y = std::max(y0, 0); y < std::min(y1, c.height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, c.width); ++x)
            if (kBayer[y % 4][x % 4] < level) Black(c, x, y);
}

// One line of text with its baseline at y; monochrome glyphs so the bits never depend on
// anti-aliasing. Returns FALSE when the font cannot be used.
bool Text(PageCanvas& c, FT_Face face, int x, int y, const std::u32string& text) {
    for (char32_t ch : text) {
        if (FT_Load_Char(face, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0) continue;
        const FT_GlyphSlot g = face->glyph;
        const FT_Bitmap& b = g->bitmap;
        if (b.pixel_mode == FT_PIXEL_MODE_MONO) {
            for (unsigned r = 0; r < b.rows; ++r) {
                const unsigned char* row = b.buffer + static_cast<ptrdiff_t>(r) * b.pitch;
                for (unsigned col = 0; col < b.width; ++col)
                    if (row[col / 8] & (0x80 >> (col % 8)))
                        Black(c, x + g->bitmap_left + static_cast<int>(col), y - g->bitmap_top + static_cast<int>(r));
            }
        }
        x += static_cast<int>(g->advance.x >> 6);
    }
    return true;
}

std::u32string Ascii(const std::string& s) {
    return std::u32string(s.begin(), s.end());
}

}  // namespace

std::string SampleFontPath() {
    if (const char* env = std::getenv("ORLA_SAMPLE_FONT")) return std::filesystem::exists(env) ? env : "";
    std::error_code ec;
    for (const char* place : kFontPlaces)
        if (std::filesystem::is_regular_file(place, ec)) return place;
    return "";
}

namespace {

bool PageFits(int width, int height, int dpi) {
    // A page no printer has (a driver's GDIINFO gone wrong) is not drawn: no canvas of gigabytes.
    return width > 0 && height > 0 && dpi > 0 && dpi <= 4800 && width <= 65535 && height <= 65535 &&
           int64_t{width} * height <= (int64_t{1} << 30);
}

PageCanvas WhiteCanvas(int width, int height) {
    PageCanvas c;
    c.width = width;
    c.height = height;
    c.stride = (width + 7) / 8;
    c.bits.assign(static_cast<size_t>(c.stride) * static_cast<size_t>(height), 0xFF);
    return c;
}

int Units(int dpi, int sixHundredths) {
    return std::max(1, sixHundredths * dpi / 600);
}

// The three text lines, their baselines at the page's in + 300, 450 and 600 (600ths), drawn with
// the canvas's top-left pixel at the page's (originX, originY).
bool TextLines(PageCanvas& c, int page, int dpi, int in, int originX, int originY, const std::string& fontPath) {
    if (fontPath.empty()) return false;
    auto u = [dpi](int n) { return Units(dpi, n); };
    bool drawn = false;
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&lib) == 0) {
        if (FT_New_Face(lib, fontPath.c_str(), 0, &face) == 0 &&
            FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(u(100))) == 0) {
            const int x = in + u(120) - originX;
            drawn = Text(c, face, x, in + u(300) - originY, Ascii("ORLA sample page " + std::to_string(page))) &&
                    Text(c, face, x, in + u(450) - originY, U"日本語の試し刷りページです（帯域モード）") &&
                    Text(c, face, x, in + u(600) - originY,
                         Ascii("0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz"));
        }
        if (face) FT_Done_Face(face);
        FT_Done_FreeType(lib);
    }
    return drawn;
}

}  // namespace

SampleLayout LayOutSamplePage(int page, int width, int height, int dpi) {
    SampleLayout l;
    if (dpi <= 0) return l;
    auto u = [dpi](int n) { return Units(dpi, n); };
    // Page frame a quarter inch in.
    const int in = u(150);
    l.frame = {in, in, width - in, height - in};
    l.frameWidth = u(6);
    // Filled rectangles: a header bar, and blocks that step with the page number.
    l.header = {in + u(60), in + u(60), width - in - u(60), in + u(90)};
    for (int k = 0; k < 3; ++k) {
        const int x = in + u(120) + k * u(700) + (page % 3) * u(40);
        const int y = in + u(900);
        l.blocks[k] = {x, y, x + u(500), y + u(200 + 100 * k)};
    }
    // Text of u(100) pixels: the first line's ascenders stay below in + u(190), the last
    // line's descenders above in + u(640); the longest line needs some 3300 600ths across (on a
    // narrower page the block cuts it at the frame).
    l.textBlock = {in + u(120), in + u(180), width - in - l.frameWidth, in + u(660)};
    return l;
}

PageCanvas DrawSamplePage(int page, int width, int height, int dpi, const std::string& fontPath) {
    if (!PageFits(width, height, dpi)) return PageCanvas{};
    PageCanvas c = WhiteCanvas(width, height);
    auto u = [dpi](int n) { return Units(dpi, n); };
    const SampleLayout l = LayOutSamplePage(page, width, height, dpi);
    const int in = l.frame.left;
    Frame(c, l.frame.left, l.frame.top, l.frame.right, l.frame.bottom, l.frameWidth);
    Fill(c, l.header.left, l.header.top, l.header.right, l.header.bottom);
    for (const SampleRect& b : l.blocks) Fill(c, b.left, b.top, b.right, b.bottom);
    // Grey patches: a quarter, a half and three quarters black.
    for (int k = 0; k < 3; ++k) {
        const int x = in + u(120) + k * u(700), y = in + u(1400);
        Dither(c, x, y, x + u(600), y + u(400), 4 + 4 * k);
    }
    // Text lines, when a font is there.
    c.text = TextLines(c, page, dpi, in, 0, 0, fontPath);
    return c;
}

PageCanvas DrawSampleText(int page, int width, int height, int dpi, const std::string& fontPath) {
    if (!PageFits(width, height, dpi)) return PageCanvas{};
    const SampleLayout l = LayOutSamplePage(page, width, height, dpi);
    if (l.textBlock.right <= l.textBlock.left || l.textBlock.bottom <= l.textBlock.top) return PageCanvas{};
    PageCanvas c = WhiteCanvas(l.textBlock.right - l.textBlock.left, l.textBlock.bottom - l.textBlock.top);
    c.text = TextLines(c, page, dpi, l.frame.left, l.textBlock.left, l.textBlock.top, fontPath);
    return c;
}

void PaintBand(const PageCanvas& canvas, long originX, long originY, uint8_t* scan0, long delta, int bandWidth,
               int bandHeight) {
    if (!scan0 || canvas.bits.empty()) return;
    for (int by = 0; by < bandHeight; ++by) {
        const long py = originY + by;
        if (py < 0 || py >= canvas.height) continue;
        uint8_t* out = scan0 + static_cast<ptrdiff_t>(by) * delta;
        const uint8_t* in = canvas.bits.data() + static_cast<size_t>(py) * static_cast<size_t>(canvas.stride);
        if (originX == 0) {
            // The usual case: bands span the page from its left edge; whole bytes at a time.
            const int bytes = std::min((bandWidth + 7) / 8, canvas.stride);
            for (int i = 0; i < bytes; ++i) out[i] &= in[i];
            // The canvas keeps no bits past its width: a last partial byte was padded white.
            continue;
        }
        for (int bx = 0; bx < bandWidth; ++bx) {
            const long px = originX + bx;
            if (px < 0 || px >= canvas.width) continue;
            if (!(in[px / 8] & (0x80 >> (px % 8)))) out[bx / 8] &= static_cast<uint8_t>(~(0x80u >> (bx % 8)));
        }
    }
}

}  // namespace orla::runner
