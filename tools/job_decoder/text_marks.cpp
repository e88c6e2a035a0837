// Text on the decoded pages (see text_marks.h).
#include "tools/job_decoder/text_marks.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/bearing_table.h"
#include "tools/job_decoder/vertical_forms.h"

namespace orla::jobdecode {

namespace {

constexpr const char* kUrw = "/usr/share/fonts/opentype/urw-base35/";
constexpr int kStyleVerticalForm = 0x8000;  // bit 15 of the 0xC8 style word
constexpr FT_Int32 kLoadFlags = FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_NO_HINTING;

// The face that stands in for a printer font code, by style (bit 0 bold, bit 1 italic).
std::string FaceFile(int fontCode, int style) {
    const bool bold = style & 1, italic = style & 2;
    const std::string urwStyle = bold && italic ? "BoldItalic" : bold ? "Bold" : italic ? "Italic" : "Regular";
    switch (fontCode) {
        case 0x0310:
            return "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";
        case 0x2510:
            return "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
        case 0x0020:
            return std::string(kUrw) + "NimbusMonoPS-" + urwStyle + ".otf";
        case 0x0030:
            return std::string(kUrw) + "NimbusSans-" + urwStyle + ".otf";
        case 0x0000:
            return std::string(kUrw) + "NimbusRoman-" + urwStyle + ".otf";
        case 0x0040:
            return "/usr/share/fonts/opentype/ocr-b/OCRB.otf";
        default:
            return "";
    }
}

uint32_t Be(std::span<const uint8_t> d, size_t at, size_t bytes) {
    uint32_t v = 0;
    for (size_t i = 0; i < bytes; ++i) v = v << 8 | d[at + i];
    return v;
}

// A Shift-JIS or single-byte code as Unicode.
char32_t UnicodeOf(uint32_t code) {
    if (code < 0x80) return code;
    char in[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    size_t inLeft = code > 0xFF ? 2 : 1;
    char* inPtr = code > 0xFF ? in : in + 1;
    char out[8] = {};
    char* outPtr = out;
    size_t outLeft = sizeof out;
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || outLeft > sizeof out - 4) return 0;
    return static_cast<char32_t>(static_cast<uint8_t>(out[0]) | static_cast<uint8_t>(out[1]) << 8 |
                                 static_cast<uint8_t>(out[2]) << 16 | static_cast<uint8_t>(out[3]) << 24);
}

}  // namespace

struct FontFaces {
    FT_Library lib = nullptr;
    std::map<std::string, FT_Face> faces;
    VerticalForms vertical;
    FontFaces() {
        if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
    }
    ~FontFaces() {
        for (auto& [name, face] : faces)
            if (face) FT_Done_Face(face);
        if (lib) FT_Done_FreeType(lib);
    }
    FT_Face Face(const std::string& file) {
        if (!lib || file.empty()) return nullptr;
        auto it = faces.find(file);
        if (it != faces.end()) return it->second;
        FT_Face face = nullptr;
        if (FT_New_Face(lib, file.c_str(), 0, &face) != 0) face = nullptr;
        faces[file] = face;
        return face;
    }
};

TextPainter::TextPainter() : faces_(std::make_unique<FontFaces>()) {}
TextPainter::~TextPainter() = default;

bool TextPainter::Follows(const Command& c) {
    if (c.kind != CommandKind::Binary) return false;
    if ((c.code >= 0xC0 && c.code <= 0xCE) || c.code == 0xBC) return true;
    // Glyph images: kind 0, glyph strip format.
    return (c.code == 0xF2 || c.code == 0xF4) && c.fields.size() >= 2 && c.fields[0] == 0 && c.fields[1] == 0x10;
}

bool DecodeGlyphStrips(std::span<const uint8_t> d, int* width, int* height, std::vector<std::vector<uint8_t>>* rows) {
    if (d.size() < 8) return false;
    const uint32_t w = Be(d, 4, 2), h = Be(d, 6, 2);
    if (w == 0 || w % 16 != 0 || h == 0) return false;
    const size_t strips = w / 16, masks = (h + 31) / 32;
    if (d.size() < 8 + 4 * strips) return false;
    rows->assign(h, std::vector<uint8_t>(w / 8, 0));
    for (size_t s = 0; s < strips; ++s) {
        const size_t at = static_cast<size_t>(Be(d, 8 + 4 * s, 4)) * 4;
        if (at > d.size() || d.size() - at < 4 * masks) return false;
        size_t v = at + 4 * masks;
        uint16_t value = 0;
        for (uint32_t r = 0; r < h; ++r) {
            const uint32_t mask = Be(d, at + 4 * (r / 32), 4);
            if (mask & (1u << (r % 32))) {
                if (v + 2 > d.size()) return false;
                value = static_cast<uint16_t>(Be(d, v, 2));
                v += 2;
            } else if (r == 0) {
                return false;  // row 0 is always stored
            }
            (*rows)[r][2 * s] = static_cast<uint8_t>(value >> 8);
            (*rows)[r][2 * s + 1] = static_cast<uint8_t>(value);
        }
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

const Command* TextPainter::Image(const GraphicsState& at, Glyph glyph) {
    Command& c = made_.emplace_back();
    c.kind = CommandKind::Binary;
    c.code = 0xF2;
    c.name = "glyph";
    c.fields = {0, 0, glyph.width, glyph.height, 0};
    c.rows = std::move(glyph.rows);
    c.state = at;
    return &c;
}

int64_t TextPainter::Advance(uint32_t code) const {
    if (!twoByte_) return width_;
    const int64_t full = second_ > 0 ? second_ : first_;
    return code > 0xFF ? full : full / 2;
}

// The glyph of a device-font character: while the vertical form is in force the double-byte
// characters take their vertical forms; single-byte ones always print in the horizontal form.
unsigned TextPainter::GlyphIndex(FT_FaceRec_* face, const std::string& file, uint32_t code, char32_t u) const {
    const bool verticalForm = (style_ & kStyleVerticalForm) != 0 && twoByte_ && code > 0xFF;
    const unsigned vertical = verticalForm ? faces_->vertical.GlyphOf(file, u) : 0;
    return vertical != 0 ? vertical : FT_Get_Char_Index(face, u);
}

void TextPainter::Character(uint32_t code, GraphicsState at, std::vector<const Command*>* out) {
    if (deviceFont_ < 0) {
        auto it = downloaded_.find(downloadFont_);
        if (it == downloaded_.end() || code >= it->second.size()) {
            ++charactersMissing;
            return;
        }
        out->push_back(Image(at, it->second[code]));
        ++glyphsPrinted;
        return;
    }
    const std::string file = FaceFile(deviceFont_, style_);
    FT_Face face = faces_->Face(file);
    const char32_t u = UnicodeOf(code);
    if (!face || u == 0 || !at.positionKnown) {
        ++charactersMissing;
        return;
    }
    // The printer's character cell: single-byte faces take the 0xC3 height as 0.8 of the em and
    // the 0xC4 width as 0.6 of it; Shift-JIS faces the two size values as the em itself.
    const double emY = twoByte_ ? static_cast<double>(first_) : height_ / 0.8;
    const double emX = twoByte_ ? static_cast<double>(second_ > 0 ? second_ : first_) : width_ / 0.6;
    // Where the baseline lies below the position: 0.88 of the em for Shift-JIS faces, 0.85 of the
    // height value for single-byte faces.
    const double drop = twoByte_ ? 0.88 * emY : 0.85 * height_;
    if (emX < 1 || emY < 1 || emX > 20000 || emY > 20000) {
        ++charactersMissing;
        return;
    }
    FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(emX * 64), static_cast<FT_F26Dot6>(emY * 64), 72, 72);
    const double a = angle_ * M_PI / 180;
    FT_Matrix m{static_cast<FT_Fixed>(std::cos(a) * 65536), static_cast<FT_Fixed>(-std::sin(a) * 65536),
                static_cast<FT_Fixed>(std::sin(a) * 65536), static_cast<FT_Fixed>(std::cos(a) * 65536)};
    FT_Set_Transform(face, &m, nullptr);
    const bool ok = FT_Load_Glyph(face, GlyphIndex(face, file, code, u), kLoadFlags) == 0;
    FT_Set_Transform(face, nullptr, nullptr);
    if (!ok) {
        ++charactersMissing;
        return;
    }
    const FT_Bitmap& bm = face->glyph->bitmap;
    ++charactersDrawn;
    if (bm.width == 0 || bm.rows == 0) return;
    Glyph g;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    for (unsigned y = 0; y < bm.rows; ++y) {
        const uint8_t* src = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
        g.rows.emplace_back(src, src + (bm.width + 7) / 8);
    }
    // The proportional Latin faces stand each character in its cell by a bearing of its own,
    // which the driver takes off the position it sends.
    const double bearing = (deviceFont_ == 0x0030 || deviceFont_ == 0x0000) && code >= 0x20 && code < 0x80
                               ? kBearingClasses[code - 0x20] * width_ / 20.0
                               : 0.0;
    // The baseline point, turned with the text, then the bitmap's own offset from it.
    const double bx = at.x + drop * std::sin(a) + bearing * std::cos(a);
    const double by = at.y + drop * std::cos(a) - bearing * std::sin(a);
    at.x = static_cast<int64_t>(std::lround(bx)) + face->glyph->bitmap_left;
    at.y = static_cast<int64_t>(std::lround(by)) - face->glyph->bitmap_top;
    out->push_back(Image(at, std::move(g)));
}

std::vector<const Command*> TextPainter::Take(const Command& c) {
    std::vector<const Command*> out;
    const auto& f = c.fields;
    const std::span<const uint8_t> data(c.data);
    switch (c.code) {
        case 0xBC:
            downloaded_.clear();
            break;
        case 0xC0:
        case 0xC1: {
            Glyph g;
            if (f.size() >= 1 && DecodeGlyphStrips(data, &g.width, &g.height, &g.rows))
                downloaded_[static_cast<uint32_t>(f[0])].push_back(std::move(g));
            break;
        }
        case 0xC3:
            height_ = f.empty() ? 0 : f[0];
            break;
        case 0xC4:
            width_ = f.empty() ? 0 : f[0];
            break;
        case 0xC5:
            first_ = f.empty() ? 0 : f[0];
            break;
        case 0xC6:
            second_ = f.empty() ? 0 : f[0];
            break;
        case 0xC7:
            angle_ = f.empty() ? 0 : static_cast<int>(f[0] % 360);
            break;
        case 0xC8:
            style_ = f.empty() ? 0 : static_cast<int>(f[0]);
            break;
        case 0xCA:
            deviceFont_ = f.empty() ? -1 : static_cast<int>(f[0]);
            twoByte_ = false;
            break;
        case 0xCB:
            twoByte_ = true;
            if (!f.empty() && f[0] >= 0xF000) {
                deviceFont_ = -1;
                downloadFont_ = static_cast<uint32_t>(f[0]);
            } else {
                deviceFont_ = f.empty() ? -1 : static_cast<int>(f[0]);
            }
            break;
        case 0xCC:
            if (!data.empty()) Character(Be(data, 0, data.size() >= 2 ? 2 : 1), c.state, &out);
            break;
        case 0xCD:
        case 0xCE: {
            const size_t codeBytes = twoByte_ ? 2 : 1, step = codeBytes + (c.code == 0xCE ? 2 : 0);
            GraphicsState at = c.state;
            const double a = angle_ * M_PI / 180;
            for (size_t i = 0; i + step <= data.size(); i += step) {
                const uint32_t code = Be(data, i, codeBytes);
                Character(code, at, &out);
                const int64_t adv = Advance(code);
                at.x += static_cast<int64_t>(std::lround(adv * std::cos(a)));
                at.y -= static_cast<int64_t>(std::lround(adv * std::sin(a)));
                if (c.code == 0xCE) {
                    at.x += static_cast<int8_t>(data[i + codeBytes]);
                    at.y += static_cast<int8_t>(data[i + codeBytes + 1]);
                }
            }
            break;
        }
        case 0xF2:
        case 0xF4: {
            Glyph g;
            if (c.state.positionKnown && DecodeGlyphStrips(data, &g.width, &g.height, &g.rows)) {
                if (c.code == 0xF4 && f.size() >= 6) {
                    // The printer scales the strips to the target size.
                    Glyph s;
                    s.width = static_cast<int>(std::max<int64_t>(f[4], 1));
                    s.height = static_cast<int>(std::max<int64_t>(f[5], 1));
                    s.rows.assign(static_cast<size_t>(s.height), std::vector<uint8_t>((s.width + 7) / 8, 0));
                    for (int y = 0; y < s.height; ++y)
                        for (int x = 0; x < s.width; ++x) {
                            const int sx = x * g.width / s.width, sy = y * g.height / s.height;
                            if (g.rows[sy][sx / 8] & (0x80 >> (sx % 8))) s.rows[y][x / 8] |= 0x80 >> (x % 8);
                        }
                    g = std::move(s);
                }
                out.push_back(Image(c.state, std::move(g)));
                ++glyphsPrinted;
            }
            break;
        }
        default:
            break;
    }
    return out;
}

}  // namespace orla::jobdecode
