// Text of PJL values: the filter against line and quote injection, code-page conversion, the
// display and name checks, the job identifier and the formatted writer.
#include <gtest/gtest.h>

#include <string>

#include "render/pjl_header.h"
#include "test_pjl_fixture.h"

namespace {

TEST(PjlText, SanitizeDropsQuotesLineEndsAndControls) {
    static const struct {
        std::string in;
        std::string out;
    } kCases[] = {
        {"plain text", "plain text"},
        {"a\"b", "ab"},
        {"x\r\n@PJL SET HOLD=OFF", "x@PJL SET HOLD=OFF"},
        {"tab\there", "tabhere"},
        {std::string("nul\0tail", 8), "nul"},
        {"\x1b%-12345X", "%-12345X"},
        {"del\x7f", "del"},
        {"\x83\x41\x82\xa0", "\x83\x41\x82\xa0"},  // Shift-JIS characters stay whole
        {"\xb1\xb2", "\xb1\xb2"},                  // half-width kana
        {"end\x83", "end"},                        // a lead byte without trail byte
        {"\x83\"", ""},                            // ... that would swallow the closing quote
        {"\x83\n", ""},
    };
    for (const auto& c : kCases) EXPECT_EQ(SanitizePjlValue(c.in), c.out) << c.in;
}

TEST(PjlText, WideToAnsiAndCut) {
    EXPECT_EQ(WideToAnsi(u"ABC"), "ABC");
    EXPECT_EQ(WideToAnsi(u"あ"), "\x82\xa0");
    EXPECT_EQ(WideToAnsi(std::u16string_view(u"AB\0CD", 5)), "AB");
    EXPECT_EQ(WideToAnsi(u""), "");
    EXPECT_EQ(CutAnsi("\x82\xa0\x82\xa2", 3), "\x82\xa0");  // never half a character
    EXPECT_EQ(CutAnsi("abcdef", 4), "abcd");
    EXPECT_EQ(CutAnsi("ab", 10), "ab");
    const WCHAR unterminated[4] = {u'a', u'b', u'c', u'd'};
    EXPECT_EQ(BoundedText(unterminated, 4), u"abcd");
    EXPECT_EQ(BoundedText(unterminated, 2), u"ab");
    EXPECT_EQ(BoundedText(nullptr, 9), u"");
    EXPECT_EQ(ResolveCodePage(65001), 65001u);
    EXPECT_EQ(ResolveCodePage(1252), 1252u);
    EXPECT_EQ(ResolveCodePage(0), 932u);
}

TEST(PjlText, DisplayText) {
    static const struct {
        std::u16string in;
        std::string out;
    } kCases[] = {
        {u"suzuki", "suzuki"},
        {u"abcdefghijklmnop", "abcdefghijklmnop"},   // 16 bytes stay
        {u"abcdefghijklmnopq", "abcdefghijklm..."},  // 17 bytes: 13 and "..."
        {u"ab\"cd", ""},                             // a quote empties it
        {u"~user", ""},
        {u"鈴木", ""},                               // double-byte characters
        {u"abcdefghijklmn~pq", "abcdefghijklm..."},  // the tilde lies past the 13 kept bytes
        {u"abcdefghijkl~mnopq", ""},
        {u"ab\r\ncd", "abcd"},
    };
    for (const auto& c : kCases) EXPECT_EQ(ConvertDisplayText(c.in), c.out);
}

TEST(PjlText, PlainNameCheck) {
    static const struct {
        std::u16string in;
        BOOL ok;
    } kCases[] = {
        {u"report.doc", TRUE}, {u"ｱｲｳ", TRUE},   {u"報告書", FALSE}, {u"", FALSE},
        {u"   ", FALSE},       {u"a\tb", FALSE}, {u"a\rb", FALSE},   {u"a\x7f", FALSE},
    };
    for (const auto& c : kCases) EXPECT_EQ(IsPlainPjlName(c.in), c.ok);
    static constexpr ByteRange kPrintable[] = {{0x20, 0x7E}};
    static constexpr WordRange kKanji[] = {{0x8140, 0x9FFC}};
    static constexpr WORD kRefusedWide[] = {0x82A0};  // あ
    EXPECT_TRUE(CheckPjlText(u"", kPrintable, {}, {}, {}, kCheckAcceptEmpty));
    EXPECT_TRUE(CheckPjlText(u"\u3000", kPrintable, kKanji, {}, {}, kCheckAcceptEmpty));
    EXPECT_FALSE(CheckPjlText(u"\u3000", kPrintable, kKanji, {}, {}, 0));  // only a full-width space
    EXPECT_TRUE(CheckPjlText(u"い", kPrintable, kKanji, {}, kRefusedWide, 0));
    EXPECT_FALSE(CheckPjlText(u"あ", kPrintable, kKanji, {}, kRefusedWide, 0));
}

TEST(PjlText, Crc16AndJobId) {
    EXPECT_EQ(Crc16OfString("123456789"), 0xBB3D);  // the ARC check value
    EXPECT_EQ(Crc16OfString(""), 0);
    EXPECT_EQ(FormatHexPadded(0xAB, 4), "00AB");
    EXPECT_EQ(FormatHexPadded(0x123456789ULL & 0xFFFFFFFF, 8), "23456789");
    EXPECT_EQ(FormatBytesHex("Ab", 3), "416200");
    const std::string id = BuildJobId("ORLA-PC", 0x1234);
    EXPECT_EQ(id,
              "07"
              "4F524C412D" +
                  FormatHexPadded(Crc16OfString("ORLA-PC"), 4) + "00001234");
    EXPECT_EQ(id.size(), 24u);
    EXPECT_EQ(BuildJobId("", 1),
              "00"
              "0000000000"
              "****"
              "00000001");
    EXPECT_EQ(BuildJobId(std::string(300, 'x'), 0).substr(0, 2), "FF");
}

TEST(PjlFormatted, Directives) {
    g3test::PdevFixture f;
    static const struct {
        const char* format;
        std::vector<PjlArg> args;
        std::string out;
    } kCases[] = {
        {"@PJL SET COPIES=%d\r\n", {PjlArg(3)}, "@PJL SET COPIES=3\r\n"},
        {"%d|%u|%l", {PjlArg(-5), PjlArg(0xFFFFFFFFu), PjlArg(-1234567890123LL)}, "-5|4294967295|-1234567890123"},
        {"%b %b", {PjlArg(1), PjlArg(0)}, "true false"},
        {"%c%c", {PjlArg('O'), PjlArg('K')}, "OK"},
        {"%s=%s", {PjlArg("A"), PjlArg("")}, "A="},
        {"100%% %x", {}, "100% x"},
        {"%d %s", {}, " "},       // missing arguments write nothing
        {"%s", {PjlArg(7)}, ""},  // a number for a string writes nothing
        {"%d", {PjlArg("text")}, ""},
        {"tail%", {}, "tail"},
    };
    for (const auto& c : kCases) {
        f.ClearOutput();
        LONG n = WriteCommandFormattedV(f.pdev, c.format, c.args);
        EXPECT_EQ(f.Output(), c.out) << c.format;
        EXPECT_EQ(n, static_cast<LONG>(c.out.size()));
    }
}

TEST(PjlFormatted, LongStringsGoOutInPieces) {
    g3test::PdevFixture f;
    std::string big(1000, 'z');
    LONG n = WriteCommandFormatted(f.pdev, "[%s]", {big.c_str()});
    EXPECT_EQ(n, 1002);
    EXPECT_EQ(f.Output(), "[" + big + "]");
}

TEST(PjlFormatted, FailedWriteGivesNegativeCount) {
    g3test::PdevFixture f;
    f.pdev->state |= kStateOutputFailed;
    EXPECT_LE(WriteCommandFormatted(f.pdev, "@PJL EOJ%s", {"\r\n"}), 0);
    EXPECT_EQ(f.Output(), "");
}

}  // namespace
