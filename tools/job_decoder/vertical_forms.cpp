// Vertical forms of device-font characters (see vertical_forms.h).
#include "tools/job_decoder/vertical_forms.h"

#include <hb.h>

namespace orla::jobdecode {

namespace {

struct BlobRelease {
    void operator()(hb_blob_t* b) const { hb_blob_destroy(b); }
};
struct FaceRelease {
    void operator()(hb_face_t* f) const { hb_face_destroy(f); }
};
struct BufferRelease {
    void operator()(hb_buffer_t* b) const { hb_buffer_destroy(b); }
};

}  // namespace

VerticalForms::~VerticalForms() {
    for (auto& [file, font] : fonts_)
        if (font) hb_font_destroy(font);
}

hb_font_t* VerticalForms::Font(const std::string& file) {
    auto it = fonts_.find(file);
    if (it != fonts_.end()) return it->second;
    hb_font_t* font = nullptr;
    std::unique_ptr<hb_blob_t, BlobRelease> blob(hb_blob_create_from_file_or_fail(file.c_str()));
    if (blob) {
        std::unique_ptr<hb_face_t, FaceRelease> face(hb_face_create(blob.get(), 0));
        // An unreadable file gives HarfBuzz's empty face: no glyphs at all.
        if (hb_face_get_glyph_count(face.get()) > 0) font = hb_font_create(face.get());
    }
    fonts_[file] = font;
    return font;
}

unsigned VerticalForms::GlyphOf(const std::string& file, char32_t u) {
    hb_font_t* font = Font(file);
    if (font == nullptr) return 0;
    std::unique_ptr<hb_buffer_t, BufferRelease> buffer(hb_buffer_create());
    const uint32_t text[1] = {static_cast<uint32_t>(u)};
    hb_buffer_add_utf32(buffer.get(), text, 1, 0, 1);
    hb_buffer_guess_segment_properties(buffer.get());
    // Top-to-bottom text is what selects the vertical forms; the feature is named as well so that
    // a font that ties them to 'vert' alone still gives them.
    hb_buffer_set_direction(buffer.get(), HB_DIRECTION_TTB);
    hb_buffer_set_language(buffer.get(), hb_language_from_string("ja", -1));
    const hb_feature_t vert{HB_TAG('v', 'e', 'r', 't'), 1, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END};
    hb_shape(font, buffer.get(), &vert, 1);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer.get(), &count);
    return count == 1 ? info[0].codepoint : 0;
}

}  // namespace orla::jobdecode
