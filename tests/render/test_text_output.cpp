// DrvTextOut: font selection, device characters and their code conversion, vertical writing,
// TrueType text printed with the printer's fonts, and hostile string and font objects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "core/driver_devmode.h"
#include "render/page_settings.h"
#include "render/text_tables.h"
#include "text_page_fixture.h"

namespace render_test {
namespace {

std::string Hex(const Bytes& b) {
    std::string s;
    const char* digits = "0123456789ABCDEF";
    for (BYTE v : b) s += {digits[v >> 4], digits[v & 15], ' '};
    return s;
}

class TextOutput : public TextPageTest {
protected:
    // Forget what the printer was told, as a graphics-state reset does.
    void ForgetTextState() {
        pdev()->graphics.textCache[0] = 0xFF;
        pdev()->state &= ~(kStateSizesExchanged | kStateSizesOwed);
    }
};

TEST_F(TextOutput, FontSelectionSendsFaceSizeAndStyle) {
    if (!Japanese()) GTEST_SKIP() << "the English build offers no device fonts";
    struct Case {
        const char* what;
        ULONG face;
        double w, h;
        FLONG sims;
        HGLYPH hg;
        std::vector<Bytes> sent;
    } cases[] = {
        {"Courier width 100, height 100 at 600 dpi",
         2,
         84,
         84,
         0,
         'A',
         {B({0xCA, 0, 0x00, 0x20}), B({0xC4, 0, 0x00, 0x32}), B({0xC3, 0, 0x00, 0x43})}},
        {"Minchou height 240",
         14,
         200,
         200,
         0,
         0x82A0,
         {B({0xCB, 0, 0x03, 0x10}), B({0xC5, 0, 0x00, 200}), B({0xC6, 0, 0x00, 200})}},
        {"horizontal Minchou: height first",
         14,
         100,
         200,
         0,
         0x82A0,
         {B({0xC5, 0, 0x00, 200}), B({0xC6, 0, 0x00, 100}), B({0xC8, 0, 0x00, 0x00})}},
        {"vertical Minchou: width first, vertical form",
         18,
         100,
         200,
         0,
         0x82A0,
         {B({0xC5, 0, 0x00, 100}), B({0xC6, 0, 0x00, 200}), B({0xC8, 0, 0x80, 0x00})}},
        {"Gothic", 22, 200, 200, 0, 0x82A0, {B({0xCB, 0, 0x25, 0x10})}},
        {"Courier Bold Italic", 5, 84, 84, 0, 'A', {B({0xC8, 0, 0x00, 0x03})}},
        {"Courier simulated bold", 2, 84, 84, FO_SIM_BOLD, 'A', {B({0xC8, 0, 0x00, 0x01})}},
        {"OCR-B: fixed size, never bold or italic",
         1,
         300,
         300,
         FO_SIM_BOLD | FO_SIM_ITALIC,
         'A',
         {B({0xCA, 0, 0x00, 0x40}), B({0xC3, 0, 0x00, 80}), B({0xC4, 0, 0x00, 60}), B({0xC8, 0, 0x00, 0x00})}},
        {"sizes above 12,500 are sent as 12,500",
         2,
         40000,
         40000,
         0,
         'A',
         {B({0xC3, 0, 0x30, 0xD4}), B({0xC4, 0, 0x30, 0xD4})}},
    };
    for (const Case& c : cases) {
        ForgetTextState();
        FONTOBJ* font = DeviceFont(c.face, c.w, c.h, c.sims);
        ASSERT_TRUE(Draw(String({c.hg}, 300, 400, 0), font)) << c.what;
        const Bytes out = Out();
        for (const Bytes& b : c.sent) EXPECT_TRUE(Contains(out, b)) << c.what << ": " << Hex(b);
    }
}

TEST_F(TextOutput, AnUnchangedFontIsNotSelectedAgain) {
    if (!Japanese()) GTEST_SKIP();
    FONTOBJ* font = DeviceFont(2, 84, 84);
    ASSERT_TRUE(Draw(String({'A'}, 300, 400, 0), font));
    EXPECT_TRUE(Contains(Out(), B({0xCA, 0, 0x00, 0x20})));
    ASSERT_TRUE(Draw(String({'B'}, 300, 500, 0), font));
    const Bytes again = Out();
    EXPECT_FALSE(Contains(again, B({0xCA, 0})));
    EXPECT_FALSE(Contains(again, B({0xC3, 0})));
    EXPECT_TRUE(Contains(again, B({0xCC, 0, 'B'})));
}

TEST_F(TextOutput, EachRunReselectsItsKindOfFontSoCodesAreReadRight) {
    if (!Japanese()) GTEST_SKIP();
    // Courier, then Minchou, then Courier again: the printer reads one or two bytes per code by
    // the font command it got last, so the second Courier run selects Courier again although its
    // code was sent before.
    FONTOBJ* courier = DeviceFont(2, 84, 84);
    FONTOBJ* minchou = DeviceFont(14, 200, 200);
    ASSERT_TRUE(Draw(String({'A'}, 300, 400, 0), courier));
    ASSERT_TRUE(Draw(String({0x889F}, 300, 600, 0), minchou));
    Out();
    ASSERT_TRUE(Draw(String({'B'}, 300, 800, 0), courier));
    const Bytes out = Out();
    const size_t select = Find(out, B({0xCA, 0, 0x00, 0x20}));
    ASSERT_NE(select, std::string::npos);
    EXPECT_LT(select, Find(out, B({0xCC, 0, 'B'})));
}

TEST_F(TextOutput, DeviceCharacterCodes) {
    if (!Japanese()) GTEST_SKIP();
    struct Case {
        const char* what;
        ULONG face;
        HGLYPH hg;
        bool textModeZero;
        Bytes code;  // one byte after a single-byte font selection, two after a Shift-JIS one
    } cases[] = {
        {"yen sign in a Latin face", 2, 0xA5, false, B({0x5C})},
        {"0x7F in a Latin face", 2, 0x7F, false, B({0xA5})},
        {"a byte the Latin table lacks: the placeholder", 2, 0x95, false, B({0xA5})},
        {"0xED40 is not in the printer font", 14, 0xED40, false, B({0x81, 0x45})},
        {"0xFC4B is not in the printer font", 14, 0xFC4B, false, B({0x81, 0x45})},
        {"0x81B8 in text mode 2", 14, 0x81B8, false, B({0x81, 0xB8})},
        {"0x81B8 in text mode 0", 14, 0x81B8, true, B({0x81, 0x45})},
        {"a kanji", 14, 0x889F, false, B({0x88, 0x9F})},
        {"a control byte in a Shift-JIS face", 14, 0x10, false, B({0x00, 0xA5})},
    };
    for (const Case& c : cases) {
        const DWORD flags2 = orla::Get(pdev()->settings.record, orla::dm::Flags2);
        orla::Set(pdev()->settings.record, orla::dm::Flags2,
                  c.textModeZero ? flags2 | orla::kFlags2FeedMode00 : flags2 & ~orla::kFlags2FeedMode00);
        FONTOBJ* font = DeviceFont(c.face, 200, 200);
        ASSERT_TRUE(Draw(String({c.hg}, 300, 400, 0), font)) << c.what;
        const Bytes out = Out();
        EXPECT_TRUE(Contains(out, Cat({B({0xCC, 0x00}), c.code}))) << c.what;
        if (c.textModeZero) {
            EXPECT_TRUE(Contains(out, B({0xC2, 0, 0, 0})));
        }
    }
}

TEST_F(TextOutput, EvenlyPitchedCharactersGoAsOneGroup) {
    if (!Japanese()) GTEST_SKIP();
    // Courier at 600 dpi: width value 50, so characters 50 pixels apart need no moves.
    FONTOBJ* font = DeviceFont(2, 84, 84);
    ASSERT_TRUE(Draw(String({'A', 'B', 'C'}, 300, 400, 50), font));
    EXPECT_TRUE(Contains(Out(), B({0xCD, 3, 'A', 'B', 'C'})));
    // One character 10 pixels further: moves of their own.
    ASSERT_TRUE(Draw(StringAt({'A', 'B', 'C'}, {{300, 500}, {350, 500}, {410, 500}}, nullptr, SO_HORIZONTAL), font));
    EXPECT_TRUE(Contains(Out(), B({0xCE, 0, 3, 'A', 0, 0, 'B', 10, 0, 'C', 0, 0})));
}

TEST_F(TextOutput, VerticalWritingSwitchesTheFormPerCharacter) {
    if (!Japanese()) GTEST_SKIP();
    FONTOBJ* font = DeviceFont(18, 200, 200);
    ASSERT_TRUE(Draw(String({'A', 0x889F}, 300, 400, 200), font));
    const Bytes out = Out();
    const size_t a = Find(out, B({0xCC, 0, 0x00, 'A'}));
    const size_t kanji = Find(out, B({0xCC, 0, 0x88, 0x9F}));
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(kanji, std::string::npos);
    const size_t horizontal = Find(out, B({0xC8, 0, 0x00, 0x00}));
    ASSERT_NE(horizontal, std::string::npos);
    EXPECT_LT(horizontal, a) << "the horizontal form before the Latin letter";
    const Bytes tail(out.begin() + static_cast<std::ptrdiff_t>(a), out.end());
    EXPECT_TRUE(Contains(tail, B({0xC8, 0, 0x80, 0x00}))) << "the vertical form again before the kanji";
}

TEST_F(TextOutput, RotatedDeviceTextSendsItsAngle) {
    if (!Japanese()) GTEST_SKIP();
    // A quarter turn anticlockwise: the em-width vector points up the page.
    FONTOBJ* font = DeviceFont(14, 0, 0, 0, -0.2, 0.2);
    ASSERT_TRUE(Draw(String({0x889F}, 300, 400, 0), font));
    EXPECT_TRUE(Contains(Out(), B({0xC7, 0, 0x00, 90})));
}

// The user's brightness and contrast move the text colour as they move brush colours: the level
// sent with 0xBD is that of the adjusted colour (16 + grey x 63 / 255 without grey tables).
TEST_F(TextOutput, BrightnessAndContrastChangeTheTextLevel) {
    struct Case {
        const char* what;
        WORD mode;                                      // 1: one setting per kind, 0: one common setting
        std::vector<std::pair<unsigned, LONG>> values;  // image-adjust value index, value
        COLORREF colour;
        BYTE level;
    };
    const Case cases[] = {
        {"no adjustment: black stays black", 0, {}, RGB(0, 0, 0), 0x10},
        {"common brightness 100: black becomes grey 50", 0, {{1, 100}}, RGB(0, 0, 0), 0x1C},
        {"text contrast 100: grey 128 becomes 90", 1, {{6, 100}}, RGB(128, 128, 128), 0x26},
        {"no adjustment: grey 128", 1, {}, RGB(128, 128, 128), 0x2F},
        {"graphics brightness only: text unchanged", 1, {{3, 100}}, RGB(0, 0, 0), 0x10},
    };
    FONTOBJ* tt = TrueType(kDejaVuSans, 60);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        orla::DriverDevmode& rec = pdev()->settings.record;
        orla::Set(rec, orla::dm::ImageAdjustMode, c.mode);
        for (unsigned i = 0; i < orla::dm::ImageAdjustValueCount; ++i)
            orla::Set(rec, orla::dm::ImageAdjustValue(i), DWORD{0});
        for (const auto& [index, value] : c.values)
            orla::Set(rec, orla::dm::ImageAdjustValue(index), static_cast<DWORD>(value));
        // As the device context is made and the job starts.
        LoadColourAdjustSettings(rec.bytes, sizeof rec.bytes, &pdev()->colour.settings);
        ASSERT_EQ(PrepareColourAdjust(&pdev()->colour.context, &pdev()->colour.settings), 0);
        pdev()->downloadCache.lastTextLevel = 0xFF;  // forget the level last sent
        std::unique_ptr<BRUSHOBJ, decltype(&PlatBrushDelete)> brush(PlatBrushCreateSolid(c.colour, c.colour),
                                                                    PlatBrushDelete);
        ASSERT_TRUE(DrvTextOut(dev_, String(Glyphs(tt, u"A"), 300, 400, 0, u"A"), tt, nullptr, nullptr, nullptr,
                               brush.get(), nullptr, nullptr, 0x0D0D));
        EXPECT_TRUE(Contains(Out(), B({0xBD, 0x00, c.level, 0x00})));
    }
}

TEST_F(TextOutput, BadCallsAreRefusedAndWriteNothing) {
    FONTOBJ* font = DeviceFont(40, 84, 84);
    STROBJ* s = String({'A'}, 10, 10, 0);
    SetLastError(0);
    EXPECT_FALSE(Draw(s, font)) << "a face beyond the device fonts";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_FALSE(DrvTextOut(dev_, nullptr, font, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0x0D0D));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(DrvTextOut(dev_, s, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0x0D0D));
    PLAT_FONT_SETUP noXform{};
    noXform.iFace = 2;
    noXform.flFontType = DEVICE_FONTTYPE;
    FONTOBJ* bare = PlatFontCreate(&noXform);
    fonts_.push_back(bare);
    EXPECT_FALSE(Draw(s, bare)) << "no font transform";
}

TEST_F(TextOutput, HostileHandlesAndCountsStayInsideTheirBlocks) {
    if (!Japanese()) GTEST_SKIP();
    // Handles no glyph set holds, a string whose count says more than its batches give, and an
    // engine font asked for glyphs it does not have: refused or printed as placeholders, never read
    // past.
    FONTOBJ* latin = DeviceFont(6, 84, 84);
    EXPECT_TRUE(Draw(String({0xFFFFFFFF, 0x12345678, 0}, 300, 400, 40), latin));
    FONTOBJ* kanji = DeviceFont(14, 200, 200);
    EXPECT_TRUE(Draw(String({0xFFFFFFFF, 0xFFFF}, 300, 500, 200), kanji));
    FONTOBJ* tt = TrueType(kDejaVuSans, 60);
    EXPECT_FALSE(Draw(String({0x7FFFFFF0}, 300, 600, 0), tt)) << "a glyph that cannot be drawn fails the call";

    std::vector<GLYPHPOS> three(3);
    for (int i = 0; i < 3; ++i) three[i] = GLYPHPOS{'A', nullptr, POINTL{100 + 40 * i, 300}};
    STROBJ liar{};
    liar.cGlyphs = 1000;  // the positions block holds 3
    liar.flAccel = SO_HORIZONTAL;
    liar.pgp = nullptr;
    liar.pwszOrg = nullptr;
    // A string object the engine did not make hands no batches: refused, nothing is read.
    EXPECT_FALSE(Draw(&liar, latin));
    Out();
}

TEST_F(TextOutput, ExtremeTransformsAndPositionsStayInRange) {
    if (!Japanese()) GTEST_SKIP();
    // Found by fuzzing: an em longer than any size value, baseline offsets at the end of the LONG
    // range, bearings of such sizes and pitch deviations of such advances; the sizes are held at
    // 12,500, nothing overflows, and the call either prints or refuses.
    struct Case {
        ULONG face;
        double w, h, m12, m21;
        std::vector<LONG> xs;
    } cases[] = {
        {6, 4e9, 4e9, 0, 0, {0, 100, 30000}},         // Helv: bearings and pitch of a huge em
        {14, 0, 0, -4e6, 4e6, {-32768, 32767}},       // Minchou turned, baseline offsets overflow
        {2, 1e6, 1e6, 0, 0, {32767, -32768, 32767}},  // Courier, positions at both ends
        {18, 3e6, 1e3, 0, 0, {0, 1, 2}},              // vertical Minchou of a wide em
    };
    for (const Case& c : cases) {
        FONTOBJ* font = DeviceFont(c.face, c.w, c.h, 0, c.m12, c.m21);
        std::vector<HGLYPH> hg(c.xs.size(), c.face >= 14 ? 0x889F : '[');
        std::vector<POINTL> pos;
        for (LONG x : c.xs) pos.push_back(POINTL{x, -x});
        // A position no move command can hold refuses the call; the job stays sound.
        Draw(StringAt(hg, pos, nullptr, SO_HORIZONTAL), font);
        EXPECT_FALSE(OutputFailed(pdev())) << c.face;
        EXPECT_LE(pdev()->text.heightSent == kNotSent ? 0 : pdev()->text.heightSent, 12500);
        EXPECT_LE(pdev()->text.firstSizeSent == kNotSent ? 0 : pdev()->text.firstSizeSent, 12500);
    }
    Out();
}

// ---- TrueType faces printed with device fonts (Japanese build) ----

class MappedText : public TextOutput {
protected:
    void SetUp() override {
        TextOutput::SetUp();
        if (HasFatalFailure()) return;
        SetFlags1(orla::kFlags1DeviceFontSubstitution, true);
        EnableDownloads(100000);
    }
    void EnableDownloads(DWORD memory) {
        pdev()->graphics.deviceLimits[0] = memory;
        ASSERT_TRUE(FullResetDownloadCache(pdev()));
        Out();
    }
    void UseTable(const char16_t* table, DWORD chars) {
        pdev()->settings.tables.fontSubstitution = const_cast<WCHAR*>(table);
        pdev()->settings.tables.fontSubstitutionChars = chars;
    }
};

TEST_F(MappedText, MinchouSubstitutionPrintsWithTheDeviceFont) {
    if (!Japanese()) GTEST_SKIP();
    FONTOBJ* tt = TrueType(kIpaMincho, 200, u"ＭＳ 明朝", SHIFTJIS_CHARSET);
    ASSERT_TRUE(Draw(String(Glyphs(tt, u"明朝"), 300, 400, 200, u"明朝"), tt));
    const Bytes out = Out();
    EXPECT_TRUE(Contains(out, B({0xCB, 0, 0x03, 0x10})));
    EXPECT_TRUE(Contains(out, B({0x96, 0xBE}))) << "明 as its Shift-JIS code";
    EXPECT_TRUE(Contains(out, B({0x92, 0xA9}))) << "朝 as its Shift-JIS code";
    EXPECT_FALSE(Contains(out, B({0xC0, 0x00, 0xF0, 0x00})));
}

TEST_F(MappedText, MirroredSubstitutedTextIsDownloaded) {
    if (!Japanese()) GTEST_SKIP();
    FONTOBJ* tt = TrueType(kIpaMincho, 200, u"ＭＳ 明朝", SHIFTJIS_CHARSET, 0, true);
    ASSERT_TRUE(Draw(String(Glyphs(tt, u"明"), 300, 400, 200, u"明"), tt));
    const Bytes out = Out();
    EXPECT_FALSE(Contains(out, B({0xCB, 0, 0x03, 0x10})));
    EXPECT_TRUE(Contains(out, B({0xC0, 0x00, 0xF0, 0x00, 0x01})));
}

TEST_F(MappedText, ACharacterThePrinterLacksIsDownloadedInsideTheRun) {
    if (!Japanese()) GTEST_SKIP();
    // 纊 is 0xED40 (or its IBM twin 0xFA5C): refused for mapped fonts, downloaded; the rest stays
    // device text.
    FONTOBJ* tt = TrueType(kIpaMincho, 200, u"ＭＳ 明朝", SHIFTJIS_CHARSET);
    ASSERT_TRUE(Draw(String(Glyphs(tt, u"明纊朝"), 300, 400, 200, u"明纊朝"), tt));
    const Bytes out = Out();
    const size_t first = Find(out, B({0xCC, 0, 0x96, 0xBE}));
    const size_t download = Find(out, B({0xC0, 0x00, 0xF0, 0x00, 0x01}));
    const size_t last = Find(out, B({0xCC, 0, 0x92, 0xA9}));
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(download, std::string::npos);
    ASSERT_NE(last, std::string::npos);
    EXPECT_LT(first, download);
    EXPECT_LT(download, last);
    EXPECT_FALSE(Contains(out, B({0x81, 0x45}))) << "not replaced: drawn";
}

TEST_F(MappedText, BarInOcrBIsDownloadedBetweenTwoGroups) {
    if (!Japanese()) GTEST_SKIP();
    static const char16_t kTable[] = u"DejaVu Sans\0OCR-B\0";
    UseTable(kTable, sizeof kTable / 2 - 1);
    FONTOBJ* tt = TrueType(kDejaVuSans, 60, u"DejaVu Sans");
    ASSERT_TRUE(Draw(String(Glyphs(tt, u"A|B"), 300, 400, 40, u"A|B"), tt));
    const Bytes out = Out();
    const size_t a = Find(out, B({0xCC, 0, 'A'}));
    const size_t bar = Find(out, B({0xC0, 0x00, 0xF0, 0x00, 0x01}));
    const size_t b = Find(out, B({0xCC, 0, 'B'}));
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(bar, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    EXPECT_LT(a, bar);
    EXPECT_LT(bar, b);
    EXPECT_EQ(Occurrences(out, B({0xCA, 0, 0x00, 0x40})), 2u) << "OCR-B selected again after the download";
}

// ---- Tables and arithmetic ----

TEST(TextTables, BearingOfTheProportionalFaces) {
    struct Case {
        const char* selection;
        LONG dpi;
        WCHAR c;
        LONG bearing;
    } cases[] = {
        {"06F1-003", 600, u'[', -22}, {"06F1-003", 300, u'[', -11}, {"06F1-000", 600, u'i', -20},
        {"06F1-003", 600, u'K', 0},   {"06F1-002", 600, u'[', 0},   {"06F1-004", 600, u'[', 0},
        {"06F1-003", 600, 0x3042, 0},
    };
    for (const Case& c : cases) {
        PrinterPdev p{};
        std::memcpy(p.text.selection, c.selection, 8);
        p.text.deviceFont = 6;
        p.text.runPath = 1;
        p.text.s0 = 100;
        p.geometry.resolution = c.dpi;
        EXPECT_EQ(BearingOf(&p, c.c), c.bearing) << c.selection << " " << static_cast<int>(c.c);
    }
}

TEST(TextTables, AnglesOfFontTransforms) {
    struct Case {
        XFORML m;
        LONG angle;
    } cases[] = {
        {{0.1f, 0, 0, 0.1f, 0, 0}, 0},
        {{0, -0.1f, 0.1f, 0, 0, 0}, 90},
        {{-0.1f, 0, 0, -0.1f, 0, 0}, 180},
        {{0, 0.1f, -0.1f, 0, 0, 0}, 270},
        // A 3-4-5 turn (36.87 degrees): the first whole degree whose sine reaches 0.6.
        {{0.04f, -0.03f, 0.03f, 0.04f, 0, 0}, 37},
        {{-0.04f, -0.03f, 0.03f, -0.04f, 0, 0}, 143},
        {{0.04f, 0.03f, -0.03f, 0.04f, 0, 0}, 323},
    };
    for (const Case& c : cases) EXPECT_EQ(AngleOfTransform(c.m, 600, false), c.angle) << c.angle;
}

TEST(TextTables, FontCodesAndSines) {
    EXPECT_EQ(FontCodeOfSelection("06F1-002"), 0x0020);
    EXPECT_EQ(FontCodeOfSelection("06F2-031"), 0x0310);
    EXPECT_EQ(FontCodeOfSelection("06F2-251"), 0x2510);
    EXPECT_EQ(SineOf(90), 10000);
    EXPECT_EQ(SineOf(-90), -10000);
    EXPECT_EQ(CosineOf(180), -10000);
    EXPECT_EQ(AngleOfSine(5000), 30);
    EXPECT_EQ(AngleOfSine(-5000), 330);
    EXPECT_EQ(IntegerSquareRoot(1000000), 1000u);
    EXPECT_EQ(IntegerSquareRoot(99), 9u);
}

}  // namespace
}  // namespace render_test
