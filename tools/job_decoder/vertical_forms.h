// Vertical forms of device-font characters: in vertical writing a printer prints double-byte
// characters in their vertical form (the long-vowel mark and dashes turned, punctuation moved to
// the upper right, brackets turned, small kana shifted). FreeType applies no glyph substitution,
// so the font's own 'vert' feature is applied here through HarfBuzz over the same font file.
#pragma once

#include <map>
#include <memory>
#include <string>

struct hb_font_t;

namespace orla::jobdecode {

class VerticalForms {
public:
    VerticalForms() = default;
    VerticalForms(const VerticalForms&) = delete;
    VerticalForms& operator=(const VerticalForms&) = delete;
    ~VerticalForms();

    // The glyph index of the character's vertical form in the font file (its ordinary glyph when
    // the font has no vertical form for it); 0 when the file cannot be read or lacks the
    // character.
    unsigned GlyphOf(const std::string& file, char32_t u);

private:
    hb_font_t* Font(const std::string& file);
    std::map<std::string, hb_font_t*> fonts_;  // null for a file that cannot be read
};

}  // namespace orla::jobdecode
