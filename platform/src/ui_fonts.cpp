// Text of headless windows set with FreeType.
#include "ui_fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <iterator>
#include <mutex>

namespace plat {
namespace {

constexpr const char* kLatinFaces[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};
constexpr const char* kJapaneseFaces[] = {"/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
                                          "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"};

struct Fonts {
    std::mutex lock;  // FreeType faces are not for two threads at once
    FT_Library library = nullptr;
    FT_Face latin = nullptr;
    FT_Face japanese = nullptr;
};

FT_Face OpenFirst(FT_Library library, const char* const* places, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        FT_Face face = nullptr;
        if (FT_New_Face(library, places[i], 0, &face) == 0) {
            FT_Set_Pixel_Sizes(face, 0, kUiTextPixels);
            return face;
        }
    }
    return nullptr;
}

Fonts& fonts() {
    static Fonts* f = [] {
        auto* made = new Fonts;
        if (FT_Init_FreeType(&made->library) == 0) {
            made->latin = OpenFirst(made->library, kLatinFaces, std::size(kLatinFaces));
            made->japanese = OpenFirst(made->library, kJapaneseFaces, std::size(kJapaneseFaces));
        }
        return made;
    }();
    return *f;
}

FT_Face FaceFor(Fonts& f, char32_t ch) {
    if (f.latin && FT_Get_Char_Index(f.latin, ch) != 0) return f.latin;
    return f.japanese ? f.japanese : f.latin;
}

char32_t NextChar(std::u16string_view text, size_t& i) {
    char32_t c = text[i++];
    if (c >= 0xD800 && c < 0xDC00 && i < text.size() && text[i] >= 0xDC00 && text[i] < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
    }
    return c;
}

void PlotGlyph(FT_GlyphSlot glyph, LONG pen, LONG baseline, GlyphPlot plot, void* context) {
    const FT_Bitmap& b = glyph->bitmap;
    if (b.pixel_mode != FT_PIXEL_MODE_GRAY) return;
    for (unsigned r = 0; r < b.rows; ++r) {
        for (unsigned col = 0; col < b.width; ++col) {
            unsigned coverage = b.buffer[static_cast<ptrdiff_t>(r) * b.pitch + col];
            if (coverage) {
                plot(context, pen + glyph->bitmap_left + static_cast<LONG>(col),
                     baseline - glyph->bitmap_top + static_cast<LONG>(r), coverage);
            }
        }
    }
}

}  // namespace

LONG SetUiText(LONG x, LONG baseline, std::u16string_view text, GlyphPlot plot, void* context) {
    Fonts& f = fonts();
    std::lock_guard<std::mutex> g(f.lock);
    LONG pen = x;
    for (size_t i = 0; i < text.size();) {
        char32_t ch = NextChar(text, i);
        FT_Face face = FaceFor(f, ch);
        if (face == nullptr || FT_Load_Char(face, ch, plot ? FT_LOAD_RENDER : FT_LOAD_DEFAULT) != 0) continue;
        if (plot) PlotGlyph(face->glyph, pen, baseline, plot, context);
        pen += static_cast<LONG>(face->glyph->advance.x >> 6);
    }
    return pen - x;
}

MnemonicText ParseMnemonic(std::u16string_view text) {
    MnemonicText out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != u'&') out.underlined = out.shown.size();
        }
        out.shown += text[i];
    }
    return out;
}

LONG SetUiTextUnderlined(LONG x, LONG baseline, std::u16string_view text, size_t underlined, GlyphPlot plot,
                         void* context) {
    const LONG advance = SetUiText(x, baseline, text, plot, context);
    if (plot == nullptr || underlined >= text.size()) return advance;
    // The letter's cell: from the pen before it to the pen after it (a surrogate pair is one letter).
    const size_t length = (text[underlined] >= 0xD800 && text[underlined] < 0xDC00) ? 2 : 1;
    const LONG from = x + SetUiText(0, 0, text.substr(0, underlined), nullptr, nullptr);
    const LONG to = x + SetUiText(0, 0, text.substr(0, underlined + length), nullptr, nullptr);
    for (LONG px = from; px < to; ++px) plot(context, px, baseline + kUnderlineDrop, 255);
    return advance;
}

}  // namespace plat
