// Text on the decoded pictures: glyph definitions and the characters that print them, glyph
// images, device-font characters drawn in a close face, and malformed glyph strips refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "tools/job_bytes.h"
#include "tools/job_decoder/text_marks.h"

namespace orla::jobdecode {
namespace {

std::vector<uint8_t> ReadCorpus(const char* name) {
    std::ifstream f(std::string(ORLA_SOURCE_DIR) + "/tests/fuzz/corpus/fuzz_job_decoder/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// Decodes a fragment of ORLA commands and paints its text: the glyph images, which live as long
// as the painter.
std::vector<const Command*> PaintFragment(std::string_view job, TextPainter* painter) {
    DecodeOptions o;
    o.startInOrla = true;
    o.requireComplete = false;
    const DecodeResult d = DecodeJob(job, o);
    EXPECT_TRUE(d.ok) << d.error;
    std::vector<const Command*> images;
    for (const Command& c : d.commands)
        if (TextPainter::Follows(c))
            for (const Command* g : painter->Take(c)) images.push_back(g);
    return images;
}

TEST(TextMarks, GlyphsAndCharactersBecomeImagesAtTheirPositions) {
    const std::vector<uint8_t> job = ReadCorpus("text_glyphs");
    ASSERT_FALSE(job.empty());
    TextPainter painter;
    const std::vector<const Command*> images =
        PaintFragment(std::string_view(reinterpret_cast<const char*>(job.data()), job.size()), &painter);
    // Two downloaded glyphs, one glyph image, two Helv characters, a kanji and a Latin letter.
    ASSERT_EQ(images.size(), 7u);
    EXPECT_EQ(painter.glyphsPrinted, 3u);
    EXPECT_EQ(painter.charactersDrawn, 4u);
    EXPECT_EQ(painter.charactersMissing, 0u);
    const std::vector<std::vector<uint8_t>> glyph = {{0xF0, 0x0F}, {0xF0, 0x0F}, {0x0F, 0xF0}, {0xFF, 0xFF}};
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(images[i]->rows, glyph) << i;
    EXPECT_EQ(images[0]->state.x, 100);
    EXPECT_EQ(images[0]->state.y, 200);
    EXPECT_EQ(images[1]->state.x, 140);
    EXPECT_EQ(images[2]->state.x, 300);
    EXPECT_EQ(images[2]->state.y, 300);
    // The kanji (a 100-pixel em) lies below the position, its top near the em box's.
    const Command* kanji = images[5];
    EXPECT_GT(kanji->fields[3], 70);
    EXPECT_NEAR(kanji->state.y, 700, 15);
    EXPECT_GT(images[6]->state.x, kanji->state.x + 50) << "the next character one em further";
}

// A column of Minchou characters (100-pixel em) one below the other, in the vertical form (style
// bit 15) or the horizontal one, decoded and painted; one image per character.
std::vector<Command> PaintColumn(const std::vector<unsigned>& codes, bool verticalForm) {
    using orla::testing::Be16;
    using orla::testing::Be32;
    std::string job = "\x1cY\xCB" + std::string(1, '\0') + Be16(0x0310) + "\xC5" + std::string(1, '\0') + Be16(100) +
                      "\xC6" + std::string(1, '\0') + Be16(100) + "\xC8" + std::string(1, '\0') +
                      Be16(verticalForm ? 0x8000 : 0);
    for (size_t i = 0; i < codes.size(); ++i)
        job += "\xB8" + std::string(1, '\0') + Be16(500) + Be32(200 + 200 * static_cast<unsigned>(i)) + "\xCC" +
               std::string(1, '\0') + Be16(codes[i]);
    TextPainter painter;
    std::vector<Command> images;
    for (const Command* g : PaintFragment(job, &painter)) images.push_back(*g);
    EXPECT_EQ(painter.charactersMissing, 0u);
    return images;
}

TEST(TextMarks, VerticalFormCharactersTakeTheirVerticalGlyphs) {
    enum class Expect { Turned, MovedUpRight, Same };
    struct Case {
        const char* what;
        unsigned code;  // Shift-JIS
        Expect expect;
    } const cases[] = {
        {"long-vowel mark", 0x815B, Expect::Turned},
        {"opening parenthesis", 0x8169, Expect::Turned},
        {"opening corner bracket", 0x8175, Expect::Turned},
        {"ideographic comma", 0x8141, Expect::MovedUpRight},
        {"ideographic full stop", 0x8142, Expect::MovedUpRight},
        {"kanji (no vertical form)", 0x8ABF, Expect::Same},
    };
    std::vector<unsigned> codes;
    for (const Case& c : cases) codes.push_back(c.code);
    const std::vector<Command> upright = PaintColumn(codes, false);
    const std::vector<Command> vertical = PaintColumn(codes, true);
    ASSERT_EQ(upright.size(), codes.size());
    ASSERT_EQ(vertical.size(), codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const Command& h = upright[i];
        const Command& v = vertical[i];
        const int64_t hw = h.fields[2], hh = h.fields[3], vw = v.fields[2], vh = v.fields[3];
        switch (c.expect) {
            case Expect::Turned:
                // A long thin mark lies the other way round.
                EXPECT_EQ(hw > hh, vh > vw) << hw << "x" << hh << " against " << vw << "x" << vh;
                EXPECT_GT(std::max(vw, vh), 2 * std::min(vw, vh));
                break;
            case Expect::MovedUpRight:
                // Moved towards the upper right of the same em box.
                EXPECT_GT(v.state.x, h.state.x + 10);
                EXPECT_LT(v.state.y, h.state.y - 10);
                break;
            case Expect::Same:
                EXPECT_EQ(v.rows, h.rows);
                EXPECT_EQ(v.state.x, h.state.x);
                EXPECT_EQ(v.state.y, h.state.y);
                break;
        }
    }
}

TEST(TextMarks, MalformedGlyphStripsAreRefused) {
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
    } cases[] = {
        {"short header", {0, 0, 0, 0, 0, 16}},
        {"width not a multiple of 16", {0, 0, 0, 0, 0, 12, 0, 1, 0, 0, 0, 3, 0, 0, 0, 1, 0xFF, 0xFF, 0, 0}},
        {"offset past the data", {0, 0, 0, 0, 0, 16, 0, 1, 0, 0, 0x10, 0, 0, 0, 0, 1, 0xFF, 0xFF, 0, 0}},
        {"row 0 not stored", {0, 0, 0, 0, 0, 16, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0}},
        {"values run out", {0, 0, 0, 0, 0, 16, 0, 2, 0, 0, 0, 3, 0, 0, 0, 3, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        int w = 0, h = 0;
        std::vector<std::vector<uint8_t>> rows;
        EXPECT_FALSE(DecodeGlyphStrips(c.data, &w, &h, &rows)) << c.what;
    }
}

}  // namespace
}  // namespace orla::jobdecode
