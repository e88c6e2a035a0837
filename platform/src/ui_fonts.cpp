// Text of headless windows set with FreeType.
#include "ui_fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <mutex>
#include <string>

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
    std::map<std::string, FT_Face> byFile;  // faces of device-context fonts, opened on first use
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

// The face of a file, opened once (null when it cannot be read). Called with the lock held.
FT_Face FileFace(Fonts& f, const char* file) {
    if (file == nullptr || f.library == nullptr) return nullptr;
    auto it = f.byFile.find(file);
    if (it != f.byFile.end()) return it->second;
    FT_Face face = nullptr;
    if (FT_New_Face(f.library, file, 0, &face) != 0) face = nullptr;
    f.byFile[file] = face;
    return face;
}

LONG RoundUp26_6(FT_Pos v) {
    return static_cast<LONG>((v + 63) >> 6);
}

FT_Fixed Fixed(double v) {
    return static_cast<FT_Fixed>(std::lround(v * 65536.0));
}

// The glyph transform of a look: the turn, after the slant of a simulated italic.
FT_Matrix LookMatrix(const FontLook& look) {
    constexpr double kPi = 3.14159265358979323846;
    constexpr double kSlant = 0.2;  // about 11 degrees, as GDI slants a face without an italic
    const double angle = look.escapement * kPi / 1800.0, c = std::cos(angle), s = std::sin(angle);
    const double shear = look.slanted ? kSlant : 0.0;
    return FT_Matrix{Fixed(c), Fixed(shear * c - s), Fixed(s), Fixed(shear * s + c)};
}

// Loads and renders one character in the look at pen (26.6, y up); false when no face has it.
bool RenderLookGlyph(Fonts& f, FT_Face main, const FontLook& look, char32_t ch, FT_Vector pen, FT_Face& used) {
    used = (FT_Get_Char_Index(main, ch) != 0 || f.japanese == nullptr) ? main : f.japanese;
    FT_Set_Pixel_Sizes(used, 0, static_cast<FT_UInt>(look.emPixels));
    FT_Matrix m = LookMatrix(look);
    FT_Set_Transform(used, &m, &pen);
    bool ok = FT_Load_Char(used, ch, FT_LOAD_NO_BITMAP) == 0;
    if (ok && look.emboldened && used->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_Embolden(&used->glyph->outline, look.emPixels * 64 / 24);
    ok = ok && FT_Render_Glyph(used->glyph, FT_RENDER_MODE_NORMAL) == 0;
    FT_Set_Transform(used, nullptr, nullptr);
    if (used == f.japanese) FT_Set_Pixel_Sizes(used, 0, kUiTextPixels);  // the UI text's face
    return ok;
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

bool LookMetrics(const FontLook& look, LONG& ascent, LONG& descent) {
    FaceMetrics m;
    if (!MeasureFace(look.file, look.emPixels, m)) return false;
    ascent = m.ascent;
    descent = m.descent;
    return true;
}

LONG EmForCell(const char* file, LONG cellPixels) {
    Fonts& f = fonts();
    std::lock_guard<std::mutex> g(f.lock);
    FT_Face face = FileFace(f, file);
    if (face == nullptr || face->units_per_EM == 0 || face->ascender - face->descender <= 0) return cellPixels;
    const double em = static_cast<double>(cellPixels) * face->units_per_EM / (face->ascender - face->descender);
    return std::max<LONG>(1, std::lround(em));
}

LONG SetLookText(const FontLook& look, LONG x, LONG y, std::u16string_view text, GlyphPlot plot, void* context) {
    Fonts& f = fonts();
    std::lock_guard<std::mutex> g(f.lock);
    FT_Face main = FileFace(f, look.file);
    if (main == nullptr || look.emPixels <= 0) return 0;
    LONG advance = 0;  // unturned, in whole pixels
    FT_Vector pen{0, 0};
    FontLook straight = look;
    straight.escapement = 0;
    straight.slanted = false;
    for (size_t i = 0; i < text.size();) {
        const char32_t ch = NextChar(text, i);
        FT_Face used = nullptr;
        // The straight advance (what GDI reports as the extent), then the turned glyph.
        if (!RenderLookGlyph(f, main, straight, ch, FT_Vector{0, 0}, used)) continue;
        advance += static_cast<LONG>(used->glyph->advance.x >> 6);
        if (plot == nullptr || !RenderLookGlyph(f, main, look, ch, pen, used)) continue;
        PlotGlyph(used->glyph, x, y, plot, context);
        pen.x += used->glyph->advance.x;
        pen.y += used->glyph->advance.y;
    }
    return advance;
}

bool MeasureFace(const char* file, LONG emPixels, FaceMetrics& out) {
    Fonts& f = fonts();
    std::lock_guard<std::mutex> g(f.lock);
    FT_Face face = FileFace(f, file);
    if (face == nullptr || emPixels <= 0 || face->units_per_EM == 0) return false;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(emPixels));
    const FT_Size_Metrics& m = face->size->metrics;
    out.ascent = RoundUp26_6(m.ascender);
    out.descent = RoundUp26_6(-m.descender);
    out.maxWidth = RoundUp26_6(m.max_advance);
    out.unitsPerEm = face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    out.averageWidth =
        os2 && os2->xAvgCharWidth > 0
            ? static_cast<LONG>(std::lround(static_cast<double>(os2->xAvgCharWidth) * emPixels / face->units_per_EM))
            : out.maxWidth / 2;
    return true;
}

}  // namespace plat
