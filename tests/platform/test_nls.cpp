// Code page conversions: cp932 with Japanese text, half-width kana and the NEC/IBM extensions,
// UTF-8, size queries, small buffers and the default character.
#include <gtest/gtest.h>

#include <string>

#include "plat/control.h"
#include "win/kernel.h"
#include "win/nls.h"

namespace {

std::string ToAnsi(const std::u16string& w, UINT cp = CP_ACP, BOOL* usedDefault = nullptr, const char* def = nullptr) {
    int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, def, usedDefault);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), out.data(), n, def, usedDefault);
    return out;
}

std::u16string ToWide(const std::string& a, UINT cp = CP_ACP) {
    int n = MultiByteToWideChar(cp, 0, a.data(), static_cast<int>(a.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(cp, 0, a.data(), static_cast<int>(a.size()), out.data(), n);
    return out;
}

class Nls : public ::testing::Test {
protected:
    void SetUp() override { PlatSetAnsiCodePage(932); }
};

}  // namespace

TEST_F(Nls, Cp932RoundTripsJapaneseText) {
    struct Case {
        std::u16string wide;
        std::string bytes;
    };
    const Case cases[] = {
        {u"日本語", "\x93\xfa\x96\x7b\x8c\xea"},
        {u"ｱｲｳﾃｽﾄ", "\xb1\xb2\xb3\xc3\xbd\xc4"},  // half-width kana: one byte each
        {u"A\\~", "A\\~"},                        // ASCII stays as it is
        {u"①Ⅰ≒", "\x87\x40\x87\x54\x81\xe0"},     // NEC row 13 (≒ goes to its JIS code)
        {u"纊", "\xfa\x5c"},                      // IBM extension kanji
        {u"ー－～", "\x81\x5b\x81\x7c\x81\x60"},  // the Windows choices for these
        {u"￢∵", "\x81\xca\x81\xe6"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToAnsi(c.wide), c.bytes) << c.bytes;
        EXPECT_EQ(ToWide(c.bytes), c.wide) << c.bytes;
    }
    // NEC-selected IBM extensions read the same character as the IBM row.
    EXPECT_EQ(ToWide("\xed\x40"), u"纊");
}

TEST_F(Nls, MinusOneLengthsCountTheTerminator) {
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x93\xfa\x96\x7b", -1, nullptr, 0), 3);
    WCHAR w[3];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x93\xfa\x96\x7b", -1, w, 3), 3);
    EXPECT_EQ(w[2], 0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"日本", -1, nullptr, 0, nullptr, nullptr), 5);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"日本", -1, nullptr, 0, nullptr, nullptr), 7);
}

TEST_F(Nls, SmallBuffersFailWithInsufficientBuffer) {
    WCHAR w[2];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, w, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    char a[3];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"日本", 2, a, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, w, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(12345, 0, "abc", 3, w, 2), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Nls, DefaultCharacterStandsInForUnmappableText) {
    BOOL used = FALSE;
    EXPECT_EQ(ToAnsi(u"a\u0e01b", CP_ACP, &used), "a?b");  // Thai has no cp932 code
    EXPECT_TRUE(used);
    EXPECT_EQ(ToAnsi(u"a\u0e01b", CP_ACP, &used, "*"), "a*b");
    EXPECT_EQ(ToAnsi(u"\u0e01", CP_ACP, &used, "\x81\x45"), "\x81\x45");  // a double-byte default
    EXPECT_EQ(ToAnsi(u"日本", CP_ACP, &used), "\x93\xfa\x96\x7b");
    EXPECT_FALSE(used);
    // UTF-8 takes no default character.
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, nullptr, 0, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Nls, InvalidBytesFailOnlyWhenAsked) {
    const char bad[] = "a\x81";  // a lead byte with no trail
    WCHAR w[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bad, 2, w, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_GT(MultiByteToWideChar(CP_ACP, 0, bad, 2, w, 8), 1);
    EXPECT_EQ(w[0], u'a');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xc3", 1, w, 8), 0);
}

TEST_F(Nls, Utf8AndCodePageQueries) {
    EXPECT_EQ(ToAnsi(u"ÄӒ😀", CP_UTF8), "\xc3\x84\xd3\x92\xf0\x9f\x98\x80");
    EXPECT_EQ(ToWide("\xc3\x84\xd3\x92\xf0\x9f\x98\x80", CP_UTF8), u"ÄӒ😀");
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(GetOEMCP(), 932u);
    EXPECT_TRUE(IsDBCSLeadByte(0x81));
    EXPECT_TRUE(IsDBCSLeadByte(0xFC));
    EXPECT_FALSE(IsDBCSLeadByte(0xA0));
    EXPECT_FALSE(IsDBCSLeadByte(0xB1));  // half-width kana are single bytes
    EXPECT_FALSE(IsDBCSLeadByteEx(1252, 0x81));
    PlatSetAnsiCodePage(1252);
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_FALSE(IsDBCSLeadByte(0x81));
    EXPECT_EQ(ToAnsi(u"é€"), "\xe9\x80");
    PlatSetAnsiCodePage(932);
}

TEST_F(Nls, BestFitOnlyWhenAllowed) {
    // The yen sign has no cp932 code of its own; Windows best-fits it to 0x5C.
    EXPECT_EQ(ToAnsi(u"\u00a5"), "\x5c");
    char out[4];
    BOOL used = FALSE;
    int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, u"\u00a5", 1, out, 4, nullptr, &used);
    EXPECT_EQ(std::string(out, static_cast<size_t>(n)), "?");
    EXPECT_TRUE(used);
}
