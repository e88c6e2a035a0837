// Stamp masks: FreeType sets the text glyph by glyph with one transform (turn and slant), bold
// faces are emboldened outlines, and every glyph is rendered without anti-aliasing so the page
// never depends on grey edges. BMP images are read by their headers, bounded by the file size.
#include "outside/garnith/stamp_mask.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace garnith {
namespace {

constexpr const char* kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr const char* kGothicP = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";
constexpr const char* kMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";
constexpr const char* kMinchoP = "/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf";
constexpr const char* kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kSerif = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf";

// A mask can never be larger than this many pixels (a page at 1200 dpi is below it).
constexpr int64_t kMaxMaskPixels = int64_t{1} << 28;

bool Exists(const char* path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

struct Placed {
    int left;
    int top;  // y down, from the baseline origin
    int width;
    int rows;
    int pitch;
    std::vector<uint8_t> bits;
};

struct FreeType {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    FreeType() { FT_Init_FreeType(&lib); }
    ~FreeType() {
        if (face) FT_Done_Face(face);
        if (lib) FT_Done_FreeType(lib);
    }
    FreeType(const FreeType&) = delete;
    FreeType& operator=(const FreeType&) = delete;
};

Mask EmptyMask(int width, int height) {
    Mask m;
    if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxMaskPixels) return m;
    m.width = width;
    m.height = height;
    m.ink.assign(size_t(width) * size_t(height), 0);
    return m;
}

bool LoadGlyph(FT_Face face, char32_t ch, bool bold, Placed* out) {
    if (FT_Load_Char(face, ch, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) != 0) return false;
    FT_GlyphSlot g = face->glyph;
    if (bold && g->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_Embolden(&g->outline, face->size->metrics.x_ppem * 3);
    if (FT_Render_Glyph(g, FT_RENDER_MODE_MONO) != 0) return false;
    const FT_Bitmap& b = g->bitmap;
    out->left = g->bitmap_left;
    out->top = -g->bitmap_top;
    out->width = static_cast<int>(b.width);
    out->rows = static_cast<int>(b.rows);
    out->pitch = std::abs(b.pitch);
    out->bits.assign(b.buffer, b.buffer + size_t(out->pitch) * b.rows);
    return true;
}

uint32_t Le32(const std::vector<uint8_t>& f, size_t at) {
    return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8 | uint32_t(f[at + 2]) << 16 | uint32_t(f[at + 3]) << 24;
}
uint16_t Le16(const std::vector<uint8_t>& f, size_t at) {
    return uint16_t(f[at] | f[at + 1] << 8);
}

}  // namespace

std::string FontFileForFace(const std::u16string& face, bool bold) {
    const bool mincho = face.find(u"明朝") != std::u16string::npos;
    const bool japanese = std::any_of(face.begin(), face.end(), [](char16_t c) { return c >= 0x3000; });
    const bool proportional = face.find(u"Ｐ") != std::u16string::npos || face.find(u"P") != std::u16string::npos;
    const bool serif = face.find(u"Times") != std::u16string::npos || face.find(u"Century") != std::u16string::npos;
    const char* order[3] = {kSans, kGothic, nullptr};
    if (japanese) {
        order[0] = mincho ? (proportional ? kMinchoP : kMincho) : (proportional ? kGothicP : kGothic);
        order[1] = kGothic;
    } else if (serif) {
        order[0] = kSerif;
    }
    (void)bold;  // bold comes from emboldened outlines, the same for every face
    for (const char* f : order)
        if (f && Exists(f)) return f;
    return Exists(kSans) ? kSans : "";
}

Mask SetText(const std::u32string& text, const TextLook& look) {
    if (text.empty() || look.fontFile.empty() || look.pixelSize <= 0 || look.pixelSize > 20000) return {};
    FreeType ft;
    if (!ft.lib || FT_New_Face(ft.lib, look.fontFile.c_str(), 0, &ft.face) != 0) return {};
    if (FT_Set_Pixel_Sizes(ft.face, 0, static_cast<FT_UInt>(look.pixelSize)) != 0) return {};
    const double a = look.angleDegrees * M_PI / 180.0;
    const double slant = look.italic ? 0.2 : 0.0;
    // Turn after slant: [cos -sin; sin cos] x [1 slant; 0 1], in 16.16.
    FT_Matrix m;
    m.xx = static_cast<FT_Fixed>(std::cos(a) * 0x10000);
    m.xy = static_cast<FT_Fixed>((std::cos(a) * slant - std::sin(a)) * 0x10000);
    m.yx = static_cast<FT_Fixed>(std::sin(a) * 0x10000);
    m.yy = static_cast<FT_Fixed>((std::sin(a) * slant + std::cos(a)) * 0x10000);
    FT_Vector pen{0, 0};
    std::vector<Placed> glyphs;
    for (char32_t ch : text) {
        FT_Set_Transform(ft.face, &m, &pen);
        Placed p;
        if (!LoadGlyph(ft.face, ch, look.bold, &p)) continue;
        pen.x += ft.face->glyph->advance.x;
        pen.y += ft.face->glyph->advance.y;
        if (p.width > 0 && p.rows > 0) glyphs.push_back(std::move(p));
    }
    if (glyphs.empty()) return {};
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
    for (const Placed& p : glyphs) {
        x0 = std::min(x0, p.left), y0 = std::min(y0, p.top);
        x1 = std::max(x1, p.left + p.width), y1 = std::max(y1, p.top + p.rows);
    }
    Mask mask = EmptyMask(x1 - x0, y1 - y0);
    if (mask.width == 0) return mask;
    for (const Placed& p : glyphs)
        for (int r = 0; r < p.rows; ++r)
            for (int c = 0; c < p.width; ++c)
                if (p.bits[size_t(r) * p.pitch + c / 8] & (0x80 >> (c % 8))) mask.Set(p.left - x0 + c, p.top - y0 + r);
    return mask;
}

Mask ApplyMode(const Mask& mask, int mode, int lineWidth) {
    if (mask.width == 0 || (mode != 1 && mode != 2)) return mask;
    if (mode == 2) {
        Mask outline = EmptyMask(mask.width, mask.height);
        for (int y = 0; y < mask.height; ++y)
            for (int x = 0; x < mask.width; ++x)
                if (mask.At(x, y) &&
                    !(mask.At(x - 1, y) && mask.At(x + 1, y) && mask.At(x, y - 1) && mask.At(x, y + 1)))
                    outline.Set(x, y);
        return outline;
    }
    const int w = std::max(1, lineWidth), gap = 2 * w;
    Mask framed = EmptyMask(mask.width + 2 * (gap + w), mask.height + 2 * (gap + w));
    if (framed.width == 0) return mask;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (mask.At(x, y)) framed.Set(x + gap + w, y + gap + w);
    for (int y = 0; y < framed.height; ++y)
        for (int x = 0; x < framed.width; ++x)
            if (x < w || y < w || x >= framed.width - w || y >= framed.height - w) framed.Set(x, y);
    return framed;
}

Mask ReadBmpMask(const std::vector<uint8_t>& f, int percent, int resolution) {
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M' || percent <= 0 || resolution <= 0) return {};
    const uint32_t dataAt = Le32(f, 10), headerSize = Le32(f, 14);
    const int32_t w = static_cast<int32_t>(Le32(f, 18)), hRaw = static_cast<int32_t>(Le32(f, 22));
    const uint16_t bpp = Le16(f, 28);
    const uint32_t compression = Le32(f, 30);
    if (headerSize < 40 || compression != 0 || w <= 0 || hRaw == 0 || hRaw == INT32_MIN || w > 30000) return {};
    const bool topDown = hRaw < 0;
    const int h = std::abs(hRaw);
    if (h > 30000 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)) return {};
    const size_t stride = (size_t(w) * bpp + 31) / 32 * 4;
    if (dataAt > f.size() || stride * size_t(h) > f.size() - dataAt) return {};
    const size_t paletteAt = 14 + headerSize;
    auto lum = [&](int x, int y) -> int {
        const size_t row = dataAt + stride * size_t(topDown ? y : h - 1 - y);
        uint32_t index = 0;
        if (bpp == 24 || bpp == 32) {
            const size_t at = row + size_t(x) * (bpp / 8);
            return (f[at] * 11 + f[at + 1] * 59 + f[at + 2] * 30) / 100;
        }
        if (bpp == 8) index = f[row + size_t(x)];
        if (bpp == 4) index = (f[row + size_t(x) / 2] >> (x % 2 ? 0 : 4)) & 0xF;
        if (bpp == 1) index = (f[row + size_t(x) / 8] >> (7 - x % 8)) & 1;
        const size_t entry = paletteAt + 4 * size_t(index);
        if (entry + 3 > f.size()) return 255;
        return (f[entry] * 11 + f[entry + 1] * 59 + f[entry + 2] * 30) / 100;
    };
    const int64_t outW = int64_t{w} * percent * resolution / (100 * 150);
    const int64_t outH = int64_t{h} * percent * resolution / (100 * 150);
    if (outW <= 0 || outH <= 0 || outW * outH > kMaxMaskPixels) return {};
    Mask mask = EmptyMask(static_cast<int>(outW), static_cast<int>(outH));
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (lum(static_cast<int>(int64_t{x} * w / outW), static_cast<int>(int64_t{y} * h / outH)) < 128)
                mask.Set(x, y);
    return mask;
}

}  // namespace garnith
