// Device fonts: the records built from the printer fonts' metrics, the font queries GDI makes,
// the Shift-JIS glyph set shared by every device context, and TrueType faces mapped onto device
// fonts through the substitution table.
#include <array>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "render/device_font_record.h"
#include "render/device_fonts.h"
#include "render/device_fonts_fixture.h"
#include "render/glyph_names.h"
#include "win/registry.h"

namespace render_test {
namespace {

// ---- Helpers ----

constexpr LONG kLongMax = std::numeric_limits<LONG>::max();
constexpr LONG kLongMin = std::numeric_limits<LONG>::min();

DWORD RecordDword(const BYTE* record, DWORD at) {
    DWORD v;
    std::memcpy(&v, record + at, 4);
    return v;
}
const char* RecordAscii(const BYTE* record, DWORD at) {
    return reinterpret_cast<const char*>(record + RecordDword(record, at));
}
std::u16string IfiName(const IFIMETRICS* ifi, PTRDIFF at) {
    return reinterpret_cast<const char16_t*>(reinterpret_cast<const BYTE*>(ifi) + at);
}

// A font object as GDI hands it over, released with the test.
struct FontObject {
    FONTOBJ* fo = nullptr;
    explicit FontObject(ULONG face, FLONG type = DEVICE_FONTTYPE, const XFORML* xform = nullptr,
                        const IFIMETRICS* ifi = nullptr) {
        PLAT_FONT_SETUP setup{};
        setup.iFace = face;
        setup.flFontType = type;
        setup.hasXform = xform != nullptr;
        if (xform != nullptr) setup.xform = *xform;
        setup.ifi = ifi;
        fo = PlatFontCreate(&setup);
    }
    FontObject(const FontObject&) = delete;
    FontObject& operator=(const FontObject&) = delete;
    ~FontObject() { PlatFontDelete(fo); }
};

// Notional units (1000 to the em) to pixels at `pixelsPerEm`.
XFORML Scale(double pixelsPerEm) {
    return XFORML{FLOATL(pixelsPerEm / 1000), 0, 0, FLOATL(pixelsPerEm / 1000), 0, 0};
}

// An IFIMETRICS block of an engine font with the family name placed after it.
struct EngineFontMetrics {
    std::vector<ULONG_PTR> storage;
    explicit EngineFontMetrics(std::u16string family, BYTE charSet, PTRDIFF nameAt = sizeof(IFIMETRICS)) {
        const size_t bytes = sizeof(IFIMETRICS) + (family.size() + 1) * 2;
        storage.resize((bytes + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR) + 1);
        IFIMETRICS* ifi = get();
        ifi->cjThis = static_cast<ULONG>(bytes);
        ifi->jWinCharSet = charSet;
        ifi->fwdUnitsPerEm = 2048;
        ifi->dpwszFamilyName = nameAt;
        std::memcpy(reinterpret_cast<BYTE*>(ifi) + sizeof(IFIMETRICS), family.c_str(), (family.size() + 1) * 2);
    }
    IFIMETRICS* get() { return reinterpret_cast<IFIMETRICS*>(storage.data()); }
};

// The integer length rule step by step, as the record of the rule gives it.
ULONG LengthByTheSteps(LONG x, LONG y) {
    unsigned long long ax = std::llabs(x), ay = std::llabs(y);
    if (ax == 0) return static_cast<ULONG>(ay);
    if (ay == 0) return static_cast<ULONG>(ax);
    unsigned long long m = std::max(ax, ay), s = std::min(ax, ay) * std::min(ax, ay), sum = 0, value = m;
    while (sum < s) sum += 4 * value, ++value;
    return static_cast<ULONG>(value);
}

// ---- Records ----

TEST_F(DeviceFonts, TheEnglishBuildOffersNoneAndRefusesEveryQuery) {
    if (Japanese()) GTEST_SKIP() << "the Japanese build offers the printer's fonts";
    EXPECT_EQ(e_.pdev()->fonts.count, 0);
    EXPECT_EQ(e_.devInfo.cFonts, 0u);
    SetLastError(0);
    EXPECT_EQ(DrvQueryFont(e_.dhpdev, 0, 1, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(DeviceFonts, EachRecordCarriesItsNamesCommandCharacterSetAndWeight) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    struct Case {
        ULONG id;
        const char* display;
        const char* style;
        const char* command;
        std::u16string family;
        BYTE charSet;
        USHORT weight;
        bool fixed;
        DWORD widths;
    } cases[] = {
        {1, "OCR-B", "OCR-B", "06F1-004", u"OCR-B", ANSI_CHARSET, 400, true, 226},
        {2, "Courier", "Courier", "06F1-002", u"Courier", ANSI_CHARSET, 400, true, 226},
        {5, "Courier Bold Italic", "Courier-BoldItalic", "06F1-002", u"Courier", ANSI_CHARSET, 700, true, 226},
        {7, "Helv Bold", "Helv-Bold", "06F1-003", u"Helv", ANSI_CHARSET, 700, false, 226},
        {12, "TmsRmn Italic", "TmsRmn-Italic", "06F1-000", u"TmsRmn", ANSI_CHARSET, 400, false, 226},
        {14, "Minchou", "Minchou", "06F2-031", u"明朝", SHIFTJIS_CHARSET, 400, true, 95},
        {19, "Minchou v Bold", "Minchou-v-Bold", "06F2-031", u"@明朝", SHIFTJIS_CHARSET, 700, true, 95},
        {24, "Gothic Italic", "Gothic-Italic", "06F2-251", u"ｺﾞｼｯｸ", SHIFTJIS_CHARSET, 400, true, 95},
        {29, "Gothic v Bold Italic", "Gothic-v-BoldItalic", "06F2-251", u"@ｺﾞｼｯｸ", SHIFTJIS_CHARSET, 700, true, 95},
    };
    for (const Case& c : cases) {
        const BYTE* record = Record(c.id);
        ASSERT_NE(record, nullptr) << c.id;
        EXPECT_EQ(RecordDword(record, fontrec::kRecordVersion), 0x00010000u);
        EXPECT_STREQ(RecordAscii(record, fontrec::kDisplayNameAt), c.display);
        EXPECT_STREQ(RecordAscii(record, fontrec::kStyleNameAt), c.style);
        EXPECT_STREQ(RecordSelectionText(record), c.command);
        EXPECT_EQ(RecordDword(record, fontrec::kWidthCount), c.widths) << c.id;
        const IFIMETRICS* ifi = DrvQueryFont(e_.dhpdev, 0, c.id, nullptr);
        ASSERT_EQ(ifi, RecordIfiMetrics(record)) << "GDI gets the record's own IFIMETRICS";
        EXPECT_EQ(IfiName(ifi, ifi->dpwszFamilyName), c.family) << c.id;
        EXPECT_EQ(ifi->jWinCharSet, c.charSet) << c.id;
        EXPECT_EQ(ifi->usWinWeight, c.weight) << c.id;
        EXPECT_EQ((ifi->jWinPitchAndFamily & 3) == FIXED_PITCH, c.fixed) << c.id;
        EXPECT_EQ(ifi->fwdUnitsPerEm, 1000);
        EXPECT_EQ(IsVerticalWritingFace(record) != 0, c.family[0] == u'@') << c.id;
        EXPECT_EQ(ifi->lItalicAngle != 0, std::string(c.display).find("Italic") != std::string::npos) << c.id;
    }
}

TEST_F(DeviceFonts, FontBoxesAndKerningPairsFollowThePrinterFonts) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    EXPECT_EQ(e_.pdev()->fonts.count, 29);
    EXPECT_EQ(e_.devInfo.cFonts, 29u);
    for (ULONG id = 1; id <= 29; ++id) {
        const BYTE* record = Record(id);
        ASSERT_NE(record, nullptr) << id;
        std::array<LONG, 5> box;
        std::memcpy(box.data(), record + fontrec::kFontBoxLeft, sizeof box);
        if (id >= 2 && id <= 5) {
            EXPECT_EQ(box, (std::array<LONG, 5>{-40, 795, 640, -290, 624})) << id;
        }
        if (id >= 14) {
            EXPECT_EQ(box, (std::array<LONG, 5>{0, 850, 1000, -150, 600})) << id;
        }
        const IFIMETRICS* ifi = RecordIfiMetrics(record);
        EXPECT_EQ(ifi->rclFontBox.top, box[1]) << id;
        EXPECT_EQ(ifi->rclFontBox.bottom, box[3]) << id;
        const DWORD pairs = RecordDword(record, fontrec::kKernPairCount);
        EXPECT_EQ(ifi->cKerningPairs, pairs) << id;
        void* tree = DrvQueryFontTree(e_.dhpdev, 0, id, QFT_KERNPAIRS, nullptr);
        if (id >= 6 && id <= 13) {
            EXPECT_GE(pairs, 98u) << id;
            EXPECT_LE(pairs, 124u) << id;
            ASSERT_NE(tree, nullptr) << id;
            const auto* kern = static_cast<const FD_KERNINGPAIR*>(tree);
            EXPECT_NE(kern[pairs - 1].wcFirst, 0) << "the last real pair";
            EXPECT_EQ(kern[pairs].wcFirst | kern[pairs].wcSecond | kern[pairs].fwdKern, 0) << "ended as GDI expects";
        } else {
            EXPECT_EQ(pairs, 0u) << id;
            EXPECT_EQ(tree, nullptr) << "no kerning result for font " << id;
        }
    }
}

// Widths measured from the metric-compatible faces: Courier's fixed pitch, Helvetica's and Times'
// own letters; codes in the printer's code bytes.
TEST_F(DeviceFonts, LatinWidthsComeFromTheFontsMetrics) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    struct Case {
        ULONG id;
        BYTE code;
        LONG width;
    } cases[] = {
        {2, 'A', 600},  {2, 'i', 600},  {3, 0xE9, 600},  // Courier: one pitch
        {6, 'A', 667},  {6, 'i', 222},  {6, ' ', 278},   // Helvetica
        {7, 'A', 722},  {7, 'i', 278},                   // Helvetica Bold
        {10, 'A', 722}, {10, 'i', 278}, {10, 'W', 944},  // Times Roman
        {6, 0x8C, 350},                                  // the printer's bullet (0x808C) in Helvetica
    };
    for (const Case& c : cases)
        EXPECT_EQ(RecordWidthOfCode(Record(c.id), c.code), c.width) << c.id << " code " << int(c.code);
    // Every glyph of the name table has its code in the Latin width tables.
    for (unsigned i = 0; i < kGlyphNameCount; ++i)
        EXPECT_GE(RecordWidthOfCode(Record(6), static_cast<BYTE>(kGlyphNames[i].code)), 0) << kGlyphNames[i].name;
}

// ---- Glyph sets ----

TEST_F(DeviceFonts, GlyphSetsFollowTheCharacterSet) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    auto* sjis = static_cast<FD_GLYPHSET*>(DrvQueryFontTree(e_.dhpdev, 0, 22, QFT_GLYPHSET, nullptr));
    ASSERT_NE(sjis, nullptr);
    EXPECT_EQ(sjis->cGlyphsSupported, 7484u);
    EXPECT_EQ(sjis->cRuns, 4247u);
    EXPECT_EQ(DrvQueryFontTree(e_.dhpdev, 0, 14, QFT_GLYPHSET, nullptr), sjis) << "one set for the process";
    EXPECT_EQ(DrvQueryFontTree(e_.dhpdev, 0, 2, QFT_GLYPHSET, nullptr), AnsiGlyphSet());

    // The run pointers cover the handle array in order, without gaps.
    const HGLYPH* next = sjis->awcrun[0].phg;
    for (ULONG r = 0; r < sjis->cRuns; ++r) {
        ASSERT_EQ(sjis->awcrun[r].phg, next) << r;
        next += sjis->awcrun[r].cGlyphs;
    }
    auto handleOf = [&](char16_t wc) -> HGLYPH {
        for (ULONG r = 0; r < sjis->cRuns; ++r) {
            const WCRUN& run = sjis->awcrun[r];
            if (wc >= run.wcLow && wc < run.wcLow + run.cGlyphs) return run.phg[wc - run.wcLow];
        }
        return 0;
    };
    struct Case {
        char16_t wc;
        HGLYPH handle;
    } cases[] = {{u'A', 0x41},        {u'ｱ', 0xB1},   {u'あ', 0x82A0}, {u'亜', 0x889F}, {u'・', 0x8145},
                 {u'\u2252', 0x81E0}, {u'\u0007', 0}, {u'\uE000', 0} /* user-defined area: not in the set */};
    for (const Case& c : cases) EXPECT_EQ(handleOf(c.wc), c.handle) << std::hex << int(c.wc);

    DWORD size = 0;
    HRSRC found = FindResourceW(e_.pdev()->module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(260));
    ASSERT_NE(found, nullptr);
    size = SizeofResource(e_.pdev()->module, found);
    EXPECT_EQ(size, 63928u) << "the stored image keeps the 32-bit layout";
}

TEST_F(DeviceFonts, FontTreeRefusesOtherModesAndFaces) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    struct Case {
        ULONG face, mode;
    } cases[] = {{0, QFT_GLYPHSET}, {30, QFT_GLYPHSET}, {2, QFT_LIGATURES}, {2, 7}};
    for (const Case& c : cases) {
        SetLastError(0);
        ULONG_PTR id = 99;
        EXPECT_EQ(DrvQueryFontTree(e_.dhpdev, 0, c.face, c.mode, &id), nullptr) << c.face << "/" << c.mode;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(id, 0u);
    }
}

// ---- Advance widths ----

TEST_F(DeviceFonts, AdvanceWidthsAreTheTransformedAdvances) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    const LONG helvDefault = RecordWidthOfCode(Record(6), 0x95);
    struct Case {
        ULONG face;
        HGLYPH hg;
        double pixelsPerEm;
        USHORT width;  // 12.4
    } cases[] = {
        {22, 0x8140, 100, 1600},  // double-byte: a full em
        {22, 0x41, 100, 800},     // single-byte in a SHIFTJIS font: half
        {18, 0x889F, 50, 800},
        {2, 'A', 100, 960},                                          // Courier 600
        {10, 'W', 100, 1510},                                        // TmsRmn 944 -> 94.4 px
        {6, 0x86, 100, static_cast<USHORT>(helvDefault * 16 / 10)},  // no such code: the width of 0x95
        {2, 'A', 10000, 0xFFFF},                                     // past the WORD range: held, not wrapped
    };
    for (const Case& c : cases) {
        XFORML m = Scale(c.pixelsPerEm);
        FontObject font(c.face, DEVICE_FONTTYPE, &m);
        HGLYPH hg = c.hg;
        USHORT width = 0;
        ASSERT_TRUE(DrvQueryAdvanceWidths(e_.dhpdev, font.fo, QAW_GETWIDTHS, &hg, &width, 1)) << c.face;
        EXPECT_EQ(width, c.width) << c.face << " handle " << std::hex << c.hg;
    }
}

TEST_F(DeviceFonts, AdvanceWidthsRefuseBadModesFacesAndMissingTransforms) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    XFORML m = Scale(100);
    FontObject good(2, DEVICE_FONTTYPE, &m), noXform(2), badFace(30, DEVICE_FONTTYPE, &m);
    HGLYPH hg = 'A';
    USHORT width = 0x1234;
    struct Case {
        const char* what;
        FONTOBJ* fo;
        ULONG mode, count;
        BOOL result;
        DWORD error;
    } cases[] = {
        {"mode 2", good.fo, 2, 1, FALSE, ERROR_INVALID_PARAMETER},
        {"no glyphs", good.fo, QAW_GETEASYWIDTHS, 0, TRUE, 0},
        {"face 30", badFace.fo, QAW_GETWIDTHS, 1, FALSE, ERROR_INVALID_PARAMETER},
        {"no font object", nullptr, QAW_GETWIDTHS, 1, FALSE, ERROR_INVALID_PARAMETER},
        {"no transform", noXform.fo, QAW_GETWIDTHS, 1, FALSE, 0},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(DrvQueryAdvanceWidths(e_.dhpdev, c.fo, c.mode, &hg, &width, c.count), c.result) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    EXPECT_EQ(width, 0x1234) << "a refused query writes no width";
}

// A Latin record without the default code falls back to the space, then to the first entry.
TEST_F(DeviceFonts, LatinFallbackTakesTheSpaceThenTheFirstEntry) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    const BYTE* original = Record(6);
    const DWORD size = RecordDword(original, fontrec::kRecordSize);
    std::vector<unsigned long long> storage((size + 7) / 8);
    BYTE* copy = reinterpret_cast<BYTE*>(storage.data());
    std::memcpy(copy, original, size);
    const DWORD count = RecordDword(copy, fontrec::kWidthCount);
    BYTE* codes = copy + fontrec::WidthCodesAt(RecordDword(copy, fontrec::kWidthTableAt), count);
    auto rename = [&](BYTE from, BYTE to) { *static_cast<BYTE*>(std::memchr(codes, from, count)) = to; };

    rename(0x95, 0x86);  // 0x86 now has the bullet's width; 0x95 is gone
    EXPECT_EQ(DeviceFontAdvance(copy, 0x9D), RecordWidthOfCode(original, ' ')) << "no 0x95: the space";
    rename(0x20, 0x9D);
    EXPECT_EQ(DeviceFontAdvance(copy, 0x0F), RecordFirstWidth(copy)) << "no space either: the first entry";
    EXPECT_EQ(DeviceFontAdvance(copy, 0x86), RecordWidthOfCode(original, 0x95));
}

// ---- Font data ----

TEST_F(DeviceFonts, MaxExtentsWriteOnlyIntoABufferThatHoldsThem) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    XFORML m = Scale(100);
    FontObject courier(2, DEVICE_FONTTYPE, &m);
    EXPECT_EQ(DrvQueryFontData(e_.dhpdev, courier.fo, QFD_MAXEXTENTS, 0, nullptr, nullptr, 0), 124) << "size only";

    std::array<BYTE, 200> buffer;
    for (ULONG size : {0u, 64u, 123u}) {
        buffer.fill(0xEE);
        SetLastError(0);
        EXPECT_EQ(DrvQueryFontData(e_.dhpdev, courier.fo, QFD_MAXEXTENTS, 0, nullptr, buffer.data(), size), -1) << size;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << size;
        EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xEE), 200) << "nothing written with " << size << " bytes";
    }
    buffer.fill(0xEE);
    ASSERT_EQ(DrvQueryFontData(e_.dhpdev, courier.fo, QFD_MAXEXTENTS, 0, nullptr, buffer.data(), 124), 124);
    EXPECT_EQ(buffer[124], 0xEE) << "not a byte past the structure";
    FD_DEVICEMETRICS dm;
    std::memcpy(&dm, buffer.data(), sizeof dm);
    EXPECT_FLOAT_EQ(dm.pteBase.x, 1.0f);
    EXPECT_FLOAT_EQ(dm.pteSide.y, -1.0f);
    EXPECT_EQ(dm.cxMax, 60u) << "Courier's 600 at 100 pixels to the em";
    EXPECT_EQ(dm.lD, 60) << "fixed pitch";
    EXPECT_EQ(dm.fxMaxAscender, 1280) << "79.5 pixels (1272) rounded to 80";
    EXPECT_EQ(dm.fxMaxDescender, 464) << "29 pixels (464) stays";
    EXPECT_EQ(dm.ptlSOThickness.y, dm.ptlULThickness.y);
    EXPECT_GT(dm.ptlUnderline1.y, 0) << "below the baseline";
    EXPECT_LT(dm.ptlStrikeOut.y, 0) << "above the baseline";
    EXPECT_EQ(dm.lNonLinearIntLeading, 0);

    FontObject helv(6, DEVICE_FONTTYPE, &m);
    ASSERT_EQ(DrvQueryFontData(e_.dhpdev, helv.fo, QFD_MAXEXTENTS, 0, nullptr, &dm, sizeof dm), 124);
    EXPECT_EQ(dm.lD, 0) << "proportional";
}

TEST_F(DeviceFonts, GlyphDataGivesTheAdvanceAndInkOfOneGlyph) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    XFORML m = Scale(100);
    struct Case {
        ULONG face;
        HGLYPH hg;
        FIX advance;
    } cases[] = {{14, 0x8140, 1600}, {14, 0x41, 800}, {2, 'x', 960}, {6, 'i', 355}};
    for (const Case& c : cases) {
        FontObject font(c.face, DEVICE_FONTTYPE, &m);
        GLYPHDATA gd{};
        ASSERT_EQ(DrvQueryFontData(e_.dhpdev, font.fo, QFD_GLYPHANDBITMAP, c.hg, &gd, nullptr, 0), 0);
        EXPECT_EQ(gd.hg, c.hg);
        EXPECT_EQ(gd.fxD, c.advance) << c.face;
        EXPECT_EQ(gd.fxAB, c.advance);
        EXPECT_EQ(gd.fxA, 0);
        EXPECT_EQ(gd.ptqD.x.u.HighPart, c.advance >> 4);
        EXPECT_GT(gd.fxInkTop, 0);
        EXPECT_LT(gd.fxInkBottom, 0);
    }
    FontObject font(14, DEVICE_FONTTYPE, &m), noXform(14);
    EXPECT_EQ(DrvQueryFontData(e_.dhpdev, font.fo, QFD_GLYPHANDBITMAP, 0x41, nullptr, nullptr, 0), 0) << "no buffer";
    EXPECT_EQ(DrvQueryFontData(e_.dhpdev, font.fo, QFD_GLYPHANDOUTLINE, 0x41, nullptr, nullptr, 0), -1);
    EXPECT_EQ(DrvQueryFontData(e_.dhpdev, noXform.fo, QFD_GLYPHANDBITMAP, 0x41, nullptr, nullptr, 0), -1);
    FontObject badFace(0, DEVICE_FONTTYPE, &m);
    SetLastError(0);
    EXPECT_EQ(DrvQueryFontData(e_.dhpdev, badFace.fo, QFD_MAXEXTENTS, 0, nullptr, nullptr, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Transforms far beyond any page still give an answer at once.
TEST_F(DeviceFonts, HugeTransformsSaturateInsteadOfHanging) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    for (XFORML m : {XFORML{1e9f, 1e9f, -1e9f, 1e9f, 0, 0}, XFORML{3e38f, 0, 0, 3e38f, 0, 0},
                     XFORML{1e6f, 7e5f, -7e5f, 1e6f, 0, 0}}) {
        FontObject font(6, DEVICE_FONTTYPE, &m);
        FD_DEVICEMETRICS dm{};
        EXPECT_EQ(DrvQueryFontData(e_.dhpdev, font.fo, QFD_MAXEXTENTS, 0, nullptr, &dm, sizeof dm), 124);
        HGLYPH hg = 'W';
        USHORT width = 0;
        EXPECT_TRUE(DrvQueryAdvanceWidths(e_.dhpdev, font.fo, QAW_GETWIDTHS, &hg, &width, 1));
        EXPECT_EQ(width, 0xFFFF);
        GLYPHDATA gd{};
        EXPECT_EQ(DrvQueryFontData(e_.dhpdev, font.fo, QFD_GLYPHANDBITMAP, 'W', &gd, nullptr, 0), 0);
        EXPECT_GT(gd.fxD, 0) << "the advance saturates instead of wrapping";
        EXPECT_GT(gd.rclInk.right, 0);
    }
}

// ---- Integer vector length ----

TEST(IntegerVectorLength, FollowsTheStepRule) {
    struct Case {
        LONG x, y;
        ULONG length;
    } cases[] = {{0, -7, 7}, {-1000, 0, 1000}, {0, 0, 0}, {3, 4, 5}, {1, 1, 2}, {100, 100, 123}, {-600, 80, 603}};
    for (const Case& c : cases) {
        EXPECT_EQ(IntegerVectorLength(c.x, c.y), c.length) << c.x << "," << c.y;
        EXPECT_EQ(LengthByTheSteps(c.x, c.y), c.length) << "the reference agrees";
    }
    for (LONG x = -300; x <= 300; x += 7)
        for (LONG y = -300; y <= 300; y += 11)
            ASSERT_EQ(IntegerVectorLength(x, y), LengthByTheSteps(x, y)) << x << "," << y;
    for (LONG big : {1 << 20, 46341, 1 << 24})
        EXPECT_EQ(IntegerVectorLength(big, big / 3), LengthByTheSteps(big, big / 3));
    EXPECT_GT(IntegerVectorLength(kLongMax, kLongMax), 0x7FFFFFFFu) << "answered at once, never wrapped";
    EXPECT_EQ(IntegerVectorLength(kLongMin, 0), 0x80000000u);
}

// ---- Record checks ----

TEST_F(DeviceFonts, DamagedRecordsAreRefused) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    const BYTE* original = Record(6);
    const DWORD size = RecordDword(original, fontrec::kRecordSize);
    ASSERT_TRUE(DeviceFontRecordIsSound(original, size));
    struct Case {
        const char* what;
        DWORD at;
        DWORD value;
        DWORD size;
    } cases[] = {
        {"short block", 0, 0, 60},
        {"size beyond the block", fontrec::kRecordSize, size + 4, size},
        {"version", fontrec::kRecordVersion, 2, size},
        {"display name past the end", fontrec::kDisplayNameAt, size, size},
        {"selection text in the header", fontrec::kSelectionTextAt, 8, size},
        {"selection text too short", fontrec::kSelectionTextAt, RecordDword(original, fontrec::kFamilyNameAt) + 2,
         size},
        {"kerning count", fontrec::kKernPairCount, 0x40000000, size},
        {"kerning pairs at the end", fontrec::kKernPairsAt, size - 6, size},
        {"no widths", fontrec::kWidthCount, 0, size},
        {"width table past the end", fontrec::kWidthTableAt, size - 100, size},
        {"width count", fontrec::kWidthCount, 0xFFFFFFF0u, size},
        {"IFIMETRICS past the end", fontrec::kIfiMetricsAt, size - 64, size},
        {"IFIMETRICS unaligned", fontrec::kIfiMetricsAt, RecordDword(original, fontrec::kIfiMetricsAt) + 4, size},
        {"IFIMETRICS cut short", 0, 0, RecordDword(original, fontrec::kIfiMetricsAt) + 100},
    };
    std::vector<unsigned long long> storage((size + 7) / 8 + 1);
    BYTE* copy = reinterpret_cast<BYTE*>(storage.data());
    for (const Case& c : cases) {
        std::memcpy(copy, original, size);
        if (c.at != 0 || c.value != 0) std::memcpy(copy + c.at, &c.value, 4);
        if (c.size < size) std::memcpy(copy + fontrec::kRecordSize, &c.size, 4);
        EXPECT_FALSE(DeviceFontRecordIsSound(copy, c.size)) << c.what;
    }
    // A family name that runs to the end of the IFIMETRICS block.
    std::memcpy(copy, original, size);
    IFIMETRICS* ifi = reinterpret_cast<IFIMETRICS*>(copy + RecordDword(copy, fontrec::kIfiMetricsAt));
    ifi->dpwszFamilyName = static_cast<PTRDIFF>(ifi->cjThis);
    EXPECT_FALSE(DeviceFontRecordIsSound(copy, size)) << "family name outside the IFIMETRICS";
    std::memcpy(copy, original, size);
    ifi->rclFontBox.bottom = std::numeric_limits<LONG>::min();
    EXPECT_FALSE(DeviceFontRecordIsSound(copy, size)) << "a font box no notional unit reaches";
}

// ---- TrueType faces mapped to device fonts ----

TEST_F(DeviceFonts, TrueTypeFacesMapThroughTheSubstitutionTable) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    struct Case {
        std::u16string face;
        BYTE charSet;
        ULONG font;
    } cases[] = {
        {u"ＭＳ 明朝", SHIFTJIS_CHARSET, 14},
        {u"@ＭＳ 明朝", SHIFTJIS_CHARSET, 18},
        {u"ＭＳ ゴシック", SHIFTJIS_CHARSET, 22},
        {u"@ＭＳ ゴシック", SHIFTJIS_CHARSET, 26},
        {u"ＭＳ 明", SHIFTJIS_CHARSET, 0},  // not in the list: the face must match exactly
        {u"Arial", ANSI_CHARSET, 0},
    };
    for (const Case& c : cases) {
        EngineFontMetrics ifi(c.face, c.charSet);
        FontObject font(0, TRUETYPE_FONTTYPE, nullptr, ifi.get());
        e_.pdev()->fonts.mappedShiftJis = c.charSet != SHIFTJIS_CHARSET;
        EXPECT_EQ(MapTrueTypeToDeviceFont(e_.pdev(), font.fo), c.font);
        EXPECT_EQ(e_.pdev()->fonts.mappedShiftJis != 0, c.charSet == SHIFTJIS_CHARSET) << "the character set is noted";
    }
    FontObject noMetrics(0, TRUETYPE_FONTTYPE);
    EXPECT_EQ(MapTrueTypeToDeviceFont(e_.pdev(), noMetrics.fo), 0u);
    EngineFontMetrics stray(u"ＭＳ 明朝", SHIFTJIS_CHARSET, 1 << 20);
    FontObject strayName(0, TRUETYPE_FONTTYPE, nullptr, stray.get());
    EXPECT_EQ(MapTrueTypeToDeviceFont(e_.pdev(), strayName.fo), 0u) << "a name outside its block is not read";
}

TEST_F(DeviceFonts, PrinterNamesOutsideTheTableMapToNoFont) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    static const char16_t kTable[] = u"Arial\0ｺﾞｼｯｸ\0Century\0Helvetica\0OCR-B Face\0OCR-B\0";
    {
        // Written with administer access, as the interface DLL writes it.
        PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE admin = nullptr;
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinterName), &admin, &access));
        std::unique_ptr<void, BOOL (*)(HANDLE)> closer(admin, ClosePrinter);
        ASSERT_EQ(SetPrinterDataW(admin, const_cast<LPWSTR>(u"TBL_TTSubstTable"), REG_BINARY,
                                  reinterpret_cast<LPBYTE>(const_cast<char16_t*>(kTable)), sizeof kTable - 2),
                  static_cast<DWORD>(ERROR_SUCCESS));
    }
    EnabledPdev mine = EnablePdev(printer_);
    ASSERT_NE(mine.dhpdev, nullptr);
    ASSERT_NE(mine.pdev()->settings.tables.fontSubstitution, nullptr) << "the printer's own table";
    struct Case {
        std::u16string face;
        ULONG font;
    } cases[] = {{u"Arial", 22}, {u"Century", 0}, {u"OCR-B Face", 1}, {u"ＭＳ 明朝", 0}};
    for (const Case& c : cases) {
        EngineFontMetrics ifi(c.face, ANSI_CHARSET);
        FontObject font(0, TRUETYPE_FONTTYPE, nullptr, ifi.get());
        EXPECT_EQ(MapTrueTypeToDeviceFont(mine.pdev(), font.fo), c.font);
    }
}

}  // namespace
}  // namespace render_test
