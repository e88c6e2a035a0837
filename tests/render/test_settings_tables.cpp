// The "TBL_TTSubstTable" printer-data value: pairs of NUL-terminated UTF-16 strings. The value
// comes from outside, so every malformed form must be told apart from a good table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/page_settings.h"

namespace {

std::vector<BYTE> Utf16Bytes(std::u16string_view text) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

TEST(SettingsTTSubst, ParseTable) {
    using namespace std::string_view_literals;
    static const struct {
        const char* what;
        std::vector<BYTE> value;
        LONG pairs;
    } kCases[] = {
        {"empty table", {0, 0, 0, 0}, 0},
        {"no bytes", {}, 0},
        {"one pair", Utf16Bytes(u"Arial\0Helvetica\0"sv), 1},
        {"two pairs and an end mark", Utf16Bytes(u"ＭＳ 明朝\0明朝\0@ＭＳ 明朝\0@明朝\0\0"sv), 2},
        {"zeros after the table", Utf16Bytes(u"A\0B\0\0\0\0\0"sv), 1},
        {"odd size", {'A', 0, 0}, -1},
        {"face without terminator", Utf16Bytes(u"Arial"sv), -1},
        {"face without its font", Utf16Bytes(u"Arial\0"sv), -1},
        {"font without terminator", Utf16Bytes(u"Arial\0Helv"sv), -1},
        {"empty printer font", Utf16Bytes(u"Arial\0\0"sv), -1},
        {"second pair cut short", Utf16Bytes(u"A\0B\0C\0"sv), -1},
    };
    for (const auto& c : kCases) EXPECT_EQ(ParseTTSubstTable(c.value), c.pairs) << c.what;
}

TEST(SettingsTTSubst, PairsOfABlock) {
    using namespace std::string_view_literals;
    const std::u16string block(u"Arial\0Helvetica\0Times\0Roman\0\0"sv);
    LPCWSTR face = nullptr, font = nullptr;
    ASSERT_TRUE(TTSubstPairAt(block.data(), static_cast<DWORD>(block.size()), 1, &face, &font));
    EXPECT_EQ(std::u16string(face), u"Times");
    EXPECT_EQ(std::u16string(font), u"Roman");
    EXPECT_TRUE(TTSubstPairAt(block.data(), static_cast<DWORD>(block.size()), 0, &face, &font));
    EXPECT_EQ(std::u16string(font), u"Helvetica");
    EXPECT_FALSE(TTSubstPairAt(block.data(), static_cast<DWORD>(block.size()), 2, &face, &font));
    EXPECT_FALSE(TTSubstPairAt(block.data(), static_cast<DWORD>(block.size()), -1, &face, &font));
    EXPECT_FALSE(TTSubstPairAt(nullptr, 10, 0, &face, &font));
    // A block cut inside a pair gives nothing past the cut.
    EXPECT_FALSE(TTSubstPairAt(block.data(), 8, 0, &face, &font));
}

}  // namespace
