// The one conversion into the system code page: whole characters only, up to the first NUL, and
// a fixed field always terminated and zero-filled.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/ansi_text.h"
#include "core/little_endian.h"
#include "plat/control.h"

namespace {

struct AnsiCase {
    const char* what;
    UINT codePage;
    std::u16string text;
    size_t maxBytes;
    std::string expected;
};

TEST(AnsiText, CutsOnlyBetweenWholeCharacters) {
    const AnsiCase cases[] = {
        {"Shift-JIS text whole", 932, u"\u79d8A\u30b9", std::string::npos,
         "\x94\xe9"
         "A\x83X"},
        {"a double-byte character that would be cut is left out", 932, u"A\u79d8", 2, "A"},
        {"the limit falls after a double-byte character", 932, u"\u79d8\u79d8", 2, "\x94\xe9"},
        {"stops at the first NUL", 932, std::u16string(u"AB\0CD", 5), std::string::npos, "AB"},
        {"single-byte code page", 1252, u"Caf\u00e9", 3, "Caf"},
        {"empty", 1252, u"", std::string::npos, ""},
    };
    for (const AnsiCase& c : cases) {
        PlatSetAnsiCodePage(c.codePage);
        EXPECT_EQ(orla::AnsiText(c.text, c.maxBytes), c.expected) << c.what;
    }
}

TEST(AnsiText, FixedFieldIsTerminatedAndZeroFilled) {
    PlatSetAnsiCodePage(932);
    char field[6];
    std::memset(field, 'x', sizeof field);
    // Three double-byte characters need 6 bytes: only two fit before the terminator.
    EXPECT_EQ(orla::CopyAnsiText(u"\u79d8\u79d8\u79d8", field, sizeof field), 4u);
    EXPECT_EQ(std::string(field, sizeof field), std::string("\x94\xe9\x94\xe9\0\0", 6));
    EXPECT_EQ(orla::CopyAnsiText(orla::WideView(nullptr), field, sizeof field), 0u);
    EXPECT_EQ(std::string(field, sizeof field), std::string(6, '\0'));
}

TEST(LittleEndian, ReadsAndWritesWithinTheBlockOnly) {
    BYTE block[6] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    const std::span<const BYTE> all(block);
    EXPECT_EQ(orla::ReadLe16(all, 0), 0x0201u);
    EXPECT_EQ(orla::ReadLe32(all, 2), 0x06050403u);
    EXPECT_EQ(orla::ReadLe32(all, 3), 0u) << "one byte past the end";
    EXPECT_EQ(orla::ReadLe16(all, 7), 0u) << "offset past the end";
    orla::WriteLe32(std::span<BYTE>(block), 4, 0xAABBCCDD);  // would run past the end: nothing
    EXPECT_EQ(block[4], 0x05);
    orla::WriteLe16(std::span<BYTE>(block), 4, 0xBEEF);
    EXPECT_EQ(block[4], 0xEF);
    EXPECT_EQ(block[5], 0xBE);
}

}  // namespace
