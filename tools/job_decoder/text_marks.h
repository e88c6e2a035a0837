// Text on the decoded pages: follows the text commands of a job (font selection, sizes, style,
// rotation, downloaded glyphs, characters) and turns each character into a 1-bit glyph image at
// its device position, as the printer would print it: downloaded glyphs as the bitmaps their
// definitions carry, device-font characters drawn with FreeType in a face close to the printer
// font (IPA Mincho and Gothic for the Japanese faces, the URW base-35 faces and OCR-B for the
// Latin ones) at the sent size, angle and style, double-byte characters in their vertical form
// while the style word asks for it. Glyph images (0xF2/0xF4 in the glyph strip format) become
// images of their rows.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/job_decoder/job_decoder.h"

struct FT_FaceRec_;

namespace orla::jobdecode {

struct FontFaces;

class TextPainter {
public:
    TextPainter();
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // True for the commands this painter follows.
    static bool Follows(const Command& c);
    // Takes one command; the glyph images it prints (commands of code 0xF2 with their rows and
    // the state they are drawn at), valid as long as the painter lives.
    std::vector<const Command*> Take(const Command& c);
    // Characters drawn, downloaded glyphs printed, characters with no face to draw them.
    size_t charactersDrawn = 0, glyphsPrinted = 0, charactersMissing = 0;

private:
    struct Glyph {
        int width = 0, height = 0;
        std::vector<std::vector<uint8_t>> rows;
    };
    std::map<uint32_t, std::vector<Glyph>> downloaded_;  // by font identifier, by glyph code
    std::deque<Command> made_;
    std::unique_ptr<FontFaces> faces_;
    int deviceFont_ = -1;  // font code of the selected device font, -1 for a downloaded one
    uint32_t downloadFont_ = 0;
    bool twoByte_ = false;
    int64_t height_ = 0, width_ = 0, first_ = 0, second_ = 0;  // C3, C4, C5, C6
    int style_ = 0, angle_ = 0;

    const Command* Image(const GraphicsState& at, Glyph glyph);
    void Character(uint32_t code, GraphicsState at, std::vector<const Command*>* out);
    int64_t Advance(uint32_t code) const;
    unsigned GlyphIndex(FT_FaceRec_* face, const std::string& file, uint32_t code, char32_t u) const;
};

// The rows of glyph strip data (format 0x10): width rounded to 16 and height from its header;
// false when the data is malformed.
bool DecodeGlyphStrips(std::span<const uint8_t> data, int* width, int* height, std::vector<std::vector<uint8_t>>* rows);

}  // namespace orla::jobdecode
