// Builds the graphics DLL's font resources as a C++ source file: the 29 device-font records
// (type 200), the Shift-JIS glyph set (type 260) and the printer font names (strings), and the
// resource table that carries them. Latin widths and kerning pairs are measured with FreeType in
// metric-compatible faces (URW base-35 Type 1 fonts with their AFM metrics, and OCR-B); the glyph
// set comes from ICU's code page 932 table.
//
//   font_tables OUTPUT.cpp URW_TYPE1_DIR OCRB_FONT_FILE
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TYPE1_TABLES_H
#include <unicode/ucnv.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/device_font_record.h"
#include "render/glyph_names.h"
#include "win/ddi.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- The printer's fonts ----
enum class Source { Measured, Japanese };

struct Family {
    const char* display;        // "Courier"; the style words follow it in the display name
    const char* command;        // selection command text
    const char16_t* ifiFamily;  // the family name GDI sees
    BYTE charSet;
    BYTE pitchAndFamily;
    bool fixedPitch;
    Source source;
    const char* fontFiles[4];  // regular, bold, italic, bold italic (URW names or the OCR-B file)
    bool printerBox;           // the printer gives the font box (PrinterBox) instead of the face
    unsigned styles;           // 1 (regular only) or 4
};

constexpr BYTE kAnsiCharSet = 0;
constexpr BYTE kShiftJisCharSet = 128;
constexpr BYTE kFixedPitch = 1, kVariablePitch = 2;
constexpr BYTE kFamilyRoman = 0x10, kFamilySwiss = 0x20, kFamilyModern = 0x30;

// Font boxes the printer gives (left, top, right, bottom, height in thousandths of the em): the
// Japanese faces', and Courier's, whose metric-compatible face has a wider box of its own.
constexpr LONG kCourierBox[5] = {-40, 795, 640, -290, 624};
constexpr LONG kJapaneseBox[5] = {0, 850, 1000, -150, 600};
#define NIMBUS(face) \
    { face "-Regular", face "-Bold", face "-Italic", face "-BoldItalic" }

// clang-format off
const Family kFamilies[] = {
    // display    command     family      charset           pitch and family               fixed  source            font files              printer box styles
    {"OCR-B",     "06F1-004", u"OCR-B",   kAnsiCharSet,     kFixedPitch | kFamilyModern,   true,  Source::Measured, {"OCRB"},               false,      1},
    {"Courier",   "06F1-002", u"Courier", kAnsiCharSet,     kFixedPitch | kFamilyModern,   true,  Source::Measured, NIMBUS("NimbusMonoPS"), true,       4},
    {"Helv",      "06F1-003", u"Helv",    kAnsiCharSet,     kVariablePitch | kFamilySwiss, false, Source::Measured, NIMBUS("NimbusSans"),   false,      4},
    {"TmsRmn",    "06F1-000", u"TmsRmn",  kAnsiCharSet,     kVariablePitch | kFamilyRoman, false, Source::Measured, NIMBUS("NimbusRoman"),  false,      4},
    {"Minchou",   "06F2-031", u"明朝",     kShiftJisCharSet, kFixedPitch | kFamilyRoman,    true,  Source::Japanese, {},                     true,       4},
    {"Minchou v", "06F2-031", u"@明朝",    kShiftJisCharSet, kFixedPitch | kFamilyRoman,    true,  Source::Japanese, {},                     true,       4},
    {"Gothic",    "06F2-251", u"ｺﾞｼｯｸ",    kShiftJisCharSet, kFixedPitch | kFamilyModern,   true,  Source::Japanese, {},                     true,       4},
    {"Gothic v",  "06F2-251", u"@ｺﾞｼｯｸ",   kShiftJisCharSet, kFixedPitch | kFamilyModern,   true,  Source::Japanese, {},                     true,       4},
};
// clang-format on
#undef NIMBUS

// The box of a family whose printer gives it.
const LONG* PrinterBox(const Family& family) {
    return family.charSet == kShiftJisCharSet ? kJapaneseBox : kCourierBox;
}

struct Style {
    const char* displaySuffix;  // after the family in the display name
    const char* styleSuffix;    // after the family in the hyphenated style name
    const char16_t* ifiStyle;
    USHORT weight;
    bool italic;
};
const Style kStyles[4] = {
    {"", "", u"Regular", 400, false},
    {" Bold", "-Bold", u"Bold", 700, false},
    {" Italic", "-Italic", u"Italic", 400, true},
    {" Bold Italic", "-BoldItalic", u"Bold Italic", 700, true},
};

// Japanese faces have no face of their own to measure: half-width and full-width cells, and the
// slant of a simulated italic.
constexpr FWORD kJapaneseHalfWidth = 500;
constexpr FWORD kJapaneseFullWidth = 1000;
constexpr double kJapaneseItalicDegrees = 12.0;

// Kerning pairs kept: those that move the next character by at least a 25th of the em,
// the largest first, at most kMaxKerningPairs.
constexpr int kMinKerning = 40;
constexpr size_t kMaxKerningPairs = 124;

// ---- What is measured of one face ----
struct FaceMetrics {
    std::vector<std::uint8_t> codes;
    std::vector<std::uint16_t> widths;
    std::vector<FD_KERNINGPAIR> kerning;
    LONG box[5];
    FWORD avgWidth, maxWidth, capHeight, xHeight, underlinePosition, underlineSize;
    double italicDegrees;
};

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "font_tables: %s\n", why.c_str());
    std::exit(1);
}

struct FreeTypeLibrary {
    FT_Library lib = nullptr;
    FreeTypeLibrary() {
        if (FT_Init_FreeType(&lib)) Fail("FreeType does not start");
    }
    ~FreeTypeLibrary() { FT_Done_FreeType(lib); }
};

struct FaceDeleter {
    void operator()(FT_FaceRec_* face) const { FT_Done_Face(face); }
};
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;

FacePtr OpenFace(FT_Library lib, const std::string& file, const std::string& metricsFile) {
    FT_Face face = nullptr;
    if (FT_New_Face(lib, file.c_str(), 0, &face))
        Fail("cannot open font " + file + " (install fonts-urw-base35 and fonts-ocr-b)");
    FacePtr owned(face);
    if (!metricsFile.empty() && FT_Attach_File(face, metricsFile.c_str())) Fail("cannot attach metrics " + metricsFile);
    return owned;
}

// Thousandths of the em from font units.
LONG Thousandths(FT_Face face, FT_Pos units) {
    return std::lround(units * 1000.0 / face->units_per_EM);
}

// The glyph of a name-table entry: by its PostScript name, else by its Unicode character.
FT_UInt GlyphOf(FT_Face face, const GlyphNameEntry* entry) {
    if (entry == nullptr) return 0;
    FT_UInt index = FT_HAS_GLYPH_NAMES(face) ? FT_Get_Name_Index(face, entry->name) : 0;
    return index != 0 ? index : FT_Get_Char_Index(face, entry->unicode);
}

std::optional<LONG> Advance(FT_Face face, FT_UInt glyph) {
    if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE)) return std::nullopt;
    return Thousandths(face, face->glyph->metrics.horiAdvance);
}

LONG InkTop(FT_Face face, char16_t c) {
    FT_UInt glyph = FT_Get_Char_Index(face, c);
    if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE)) return 0;
    return Thousandths(face, face->glyph->metrics.horiBearingY);
}

// The printer's single-byte codes: the low byte of every printer code of the glyph-name table,
// and 0x7F, which the printer fonts also hold.
std::vector<std::uint8_t> LatinCodes() {
    std::vector<std::uint8_t> codes;
    for (unsigned i = 0; i < kGlyphNameCount; ++i) codes.push_back(static_cast<std::uint8_t>(kGlyphNames[i].code));
    codes.push_back(0x7F);
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    if (codes.size() != fontrec::kLatinWidthCount)
        Fail("the Latin code table has " + std::to_string(codes.size()) + " codes");
    return codes;
}

// The first glyph-name entry whose printer code has this low byte.
const GlyphNameEntry* EntryForCode(std::uint8_t code) {
    for (unsigned i = 0; i < kGlyphNameCount; ++i)
        if (static_cast<std::uint8_t>(kGlyphNames[i].code) == code) return &kGlyphNames[i];
    return nullptr;
}

void MeasureWidths(FT_Face face, const Family& family, FaceMetrics* m) {
    m->codes = LatinCodes();
    LONG space = Advance(face, FT_Get_Char_Index(face, u' ')).value_or(250);
    LONG pitch = family.fixedPitch ? Advance(face, FT_Get_Char_Index(face, u'A')).value_or(space) : 0;
    long sum = 0, ascii = 0;
    LONG widest = 0;
    for (std::uint8_t code : m->codes) {
        // A glyph the face lacks takes the space's width; a fixed-pitch face has one width.
        LONG w = family.fixedPitch ? pitch : Advance(face, GlyphOf(face, EntryForCode(code))).value_or(space);
        m->widths.push_back(static_cast<std::uint16_t>(w));
        widest = std::max(widest, w);
        if (code >= 0x20 && code <= 0x7E) sum += w, ++ascii;
    }
    m->avgWidth = static_cast<FWORD>((sum + ascii / 2) / ascii);
    m->maxWidth = static_cast<FWORD>(widest);
}

void MeasureKerning(FT_Face face, FaceMetrics* m) {
    if (!FT_HAS_KERNING(face)) return;
    std::vector<FD_KERNINGPAIR> pairs;
    for (char16_t first = 0x20; first <= 0x7E; ++first) {
        for (char16_t second = 0x20; second <= 0x7E; ++second) {
            FT_Vector kern{};
            if (FT_Get_Kerning(face, FT_Get_Char_Index(face, first), FT_Get_Char_Index(face, second),
                               FT_KERNING_UNSCALED, &kern))
                continue;
            LONG k = Thousandths(face, kern.x);
            if (std::abs(k) >= kMinKerning) pairs.push_back({first, second, static_cast<FWORD>(k)});
        }
    }
    std::stable_sort(pairs.begin(), pairs.end(), [](const FD_KERNINGPAIR& a, const FD_KERNINGPAIR& b) {
        return std::abs(a.fwdKern) > std::abs(b.fwdKern);
    });
    if (pairs.size() > kMaxKerningPairs) pairs.resize(kMaxKerningPairs);
    std::sort(pairs.begin(), pairs.end(), [](const FD_KERNINGPAIR& a, const FD_KERNINGPAIR& b) {
        return a.wcFirst != b.wcFirst ? a.wcFirst < b.wcFirst : a.wcSecond < b.wcSecond;
    });
    m->kerning = pairs;
}

FaceMetrics MeasureLatinFace(FT_Library lib, const Family& family, unsigned style, const std::string& urwDir,
                             const std::string& ocrbFile) {
    bool urw = std::strcmp(family.fontFiles[0], "OCRB") != 0;
    std::string base = urwDir + "/" + family.fontFiles[style];
    FacePtr owned = urw ? OpenFace(lib, base + ".t1", base + ".afm") : OpenFace(lib, ocrbFile, "");
    FT_Face face = owned.get();

    FaceMetrics m{};
    MeasureWidths(face, family, &m);
    if (!family.fixedPitch) MeasureKerning(face, &m);
    m.capHeight = static_cast<FWORD>(InkTop(face, u'H'));
    m.xHeight = static_cast<FWORD>(InkTop(face, u'x'));
    m.underlinePosition = static_cast<FWORD>(Thousandths(face, face->underline_position));
    m.underlineSize = static_cast<FWORD>(std::max<LONG>(1, Thousandths(face, face->underline_thickness)));
    PS_FontInfoRec info{};
    m.italicDegrees = FT_Get_PS_Font_Info(face, &info) == 0 ? std::fabs(info.italic_angle) : 0.0;
    if (kStyles[style].italic && m.italicDegrees == 0) m.italicDegrees = kJapaneseItalicDegrees;
    if (family.printerBox) {
        std::copy(PrinterBox(family), PrinterBox(family) + 5, m.box);
    } else {
        m.box[0] = Thousandths(face, face->bbox.xMin);
        m.box[1] = Thousandths(face, face->bbox.yMax);
        m.box[2] = Thousandths(face, face->bbox.xMax);
        m.box[3] = Thousandths(face, face->bbox.yMin);
        m.box[4] = m.capHeight;
    }
    return m;
}

FaceMetrics JapaneseFace(const Family& family, unsigned style) {
    FaceMetrics m{};
    for (std::uint8_t code = 0x20; code <= 0x7E; ++code) {
        m.codes.push_back(code);
        m.widths.push_back(kJapaneseHalfWidth);
    }
    const LONG* box = PrinterBox(family);
    std::copy(box, box + 5, m.box);
    m.avgWidth = kJapaneseHalfWidth;
    m.maxWidth = kJapaneseFullWidth;
    m.capHeight = static_cast<FWORD>(box[4]);
    m.xHeight = static_cast<FWORD>(box[4] * 5 / 6);
    m.underlinePosition = static_cast<FWORD>(box[3] * 2 / 3);
    m.underlineSize = 50;
    m.italicDegrees = kStyles[style].italic ? kJapaneseItalicDegrees : 0.0;
    return m;
}

// ---- Record image ----
void Put32(Bytes& b, std::uint32_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void Put16(Bytes& b, std::uint32_t at, std::uint16_t value) {
    b[at] = static_cast<std::uint8_t>(value);
    b[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void AlignTo(Bytes& b, size_t n) {
    while (b.size() % n != 0) b.push_back(0);
}
std::uint32_t AppendAscii(Bytes& b, const std::string& text) {
    auto at = static_cast<std::uint32_t>(b.size());
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0);
    return at;
}
void AppendUtf16(Bytes& b, const std::u16string& text) {
    for (char16_t c : text) b.push_back(static_cast<std::uint8_t>(c)), b.push_back(static_cast<std::uint8_t>(c >> 8));
    b.push_back(0), b.push_back(0);
}

FLONG InfoFlags(const Family& family) {
    FLONG fl = FM_INFO_1BPP | FM_INFO_ARB_XFORMS | FM_INFO_INTEGER_WIDTH | FM_INFO_RIGHT_HANDED;
    if (family.charSet == kShiftJisCharSet) return fl | FM_INFO_DBCS_FIXED_PITCH;
    fl |= FM_INFO_NOT_CONTIGUOUS;
    if (family.fixedPitch) fl |= FM_INFO_CONSTANT_WIDTH | FM_INFO_OPTICALLY_FIXED_PITCH;
    return fl;
}

IFIMETRICS MakeIfiMetrics(const Family& family, const Style& style, const FaceMetrics& m, const std::u16string& face) {
    const bool japanese = family.charSet == kShiftJisCharSet;
    IFIMETRICS ifi{};
    ifi.jWinCharSet = family.charSet;
    ifi.jWinPitchAndFamily = family.pitchAndFamily;
    ifi.usWinWeight = style.weight;
    ifi.flInfo = InfoFlags(family);
    ifi.fsSelection = static_cast<USHORT>((style.weight >= 700 ? FM_SEL_BOLD : 0) | (style.italic ? FM_SEL_ITALIC : 0));
    if (ifi.fsSelection == 0) ifi.fsSelection = FM_SEL_REGULAR;
    ifi.lItalicAngle = static_cast<LONG>(-std::lround(m.italicDegrees * 10));
    ifi.fwdUnitsPerEm = 1000;
    ifi.fwdLowestPPEm = 1;
    ifi.fwdWinAscender = ifi.fwdMacAscender = ifi.fwdTypoAscender = static_cast<FWORD>(m.box[1]);
    ifi.fwdWinDescender = static_cast<FWORD>(-m.box[3]);
    ifi.fwdMacDescender = ifi.fwdTypoDescender = static_cast<FWORD>(m.box[3]);
    ifi.fwdAveCharWidth = m.avgWidth;
    ifi.fwdMaxCharInc = m.maxWidth;
    ifi.fwdCapHeight = m.capHeight;
    ifi.fwdXHeight = m.xHeight;
    // Sub- and superscripts at two thirds of the em, as the engine simulates them.
    ifi.fwdSubscriptXSize = ifi.fwdSubscriptYSize = ifi.fwdSuperscriptXSize = ifi.fwdSuperscriptYSize = 667;
    ifi.fwdSubscriptYOffset = static_cast<FWORD>(-m.box[3] / 2);
    ifi.fwdSuperscriptYOffset = static_cast<FWORD>(m.capHeight / 2);
    ifi.fwdUnderscoreSize = ifi.fwdStrikeoutSize = m.underlineSize;
    ifi.fwdUnderscorePosition = m.underlinePosition;
    ifi.fwdStrikeoutPosition = static_cast<FWORD>(m.xHeight / 2 + m.underlineSize / 2);
    ifi.chFirstChar = 0x20;
    ifi.chLastChar = japanese ? 0xDF : 0xFF;
    ifi.chDefaultChar = japanese ? 0x20 : 0x95;
    ifi.chBreakChar = 0x20;
    ifi.wcFirstChar = 0x20;
    ifi.wcLastChar = japanese ? 0xFFE5 : 0x2212;
    ifi.wcDefaultChar = japanese ? 0x30FB : 0x2022;
    ifi.wcBreakChar = 0x20;
    ifi.ptlBaseline = {1, 0};
    ifi.ptlAspect = {1, 1};
    ifi.ptlCaret = {static_cast<LONG>(std::lround(1000 * std::tan(m.italicDegrees * M_PI / 180))), 1000};
    std::memcpy(ifi.achVendId, "QEV ", 4);
    ifi.rclFontBox = {m.box[0], m.box[1], m.box[2], m.box[3]};
    ifi.cKerningPairs = static_cast<ULONG>(m.kerning.size());
    // The names follow the structure: family, style, face, unique name.
    const std::u16string names[4] = {family.ifiFamily, style.ifiStyle, family.ifiFamily, face};
    PTRDIFF at = sizeof(IFIMETRICS);
    PTRDIFF* slots[4] = {&ifi.dpwszFamilyName, &ifi.dpwszStyleName, &ifi.dpwszFaceName, &ifi.dpwszUniqueName};
    for (int i = 0; i < 4; ++i) {
        *slots[i] = at;
        at += static_cast<PTRDIFF>((names[i].size() + 1) * 2);
    }
    ifi.cjThis = static_cast<ULONG>(at);
    return ifi;
}

std::u16string Widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::string StyleName(const Family& family, const Style& style) {
    std::string name = std::string(family.display) + style.styleSuffix;
    std::replace(name.begin(), name.end(), ' ', '-');
    return name;
}

Bytes BuildRecord(const Family& family, const Style& style, const FaceMetrics& m) {
    Bytes b(fontrec::kRecordHeaderSize, 0);
    Put32(b, fontrec::kRecordVersion, fontrec::kRecordVersionValue);
    for (int i = 0; i < 5; ++i) Put32(b, fontrec::kFontBoxLeft + 4 * i, static_cast<std::uint32_t>(m.box[i]));
    const std::string display = std::string(family.display) + style.displaySuffix;
    Put32(b, fontrec::kDisplayNameAt, AppendAscii(b, display));
    Put32(b, fontrec::kStyleNameAt, AppendAscii(b, StyleName(family, style)));
    Put32(b, fontrec::kFamilyNameAt, AppendAscii(b, family.display));
    Put32(b, fontrec::kSelectionTextAt, AppendAscii(b, family.command));

    AlignTo(b, 4);
    Put32(b, fontrec::kKernPairCount, static_cast<std::uint32_t>(m.kerning.size()));
    Put32(b, fontrec::kKernPairsAt, m.kerning.empty() ? 0 : static_cast<std::uint32_t>(b.size()));
    if (!m.kerning.empty()) {
        for (const FD_KERNINGPAIR& k : m.kerning) {
            b.resize(b.size() + fontrec::kKerningPairSize);
            auto at = static_cast<std::uint32_t>(b.size() - fontrec::kKerningPairSize);
            Put16(b, at, k.wcFirst), Put16(b, at + 2, k.wcSecond),
                Put16(b, at + 4, static_cast<std::uint16_t>(k.fwdKern));
        }
        b.resize(b.size() + fontrec::kKerningPairSize, 0);  // the all-zero pair that ends the array
    }

    AlignTo(b, 4);
    const auto widthsAt = static_cast<std::uint32_t>(b.size());
    const auto count = static_cast<std::uint32_t>(m.widths.size());
    Put32(b, fontrec::kWidthCount, count);
    Put32(b, fontrec::kWidthTableAt, widthsAt);
    b.resize(fontrec::WidthCodesAt(widthsAt, count) + count, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        Put16(b, widthsAt + 2 * i, m.widths[i]);
        b[fontrec::WidthCodesAt(widthsAt, count) + i] = m.codes[i];
    }

    AlignTo(b, 8);
    const auto ifiAt = static_cast<std::uint32_t>(b.size());
    Put32(b, fontrec::kIfiMetricsAt, ifiAt);
    IFIMETRICS ifi = MakeIfiMetrics(family, style, m, Widen(display));
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&ifi);
    b.insert(b.end(), raw, raw + sizeof ifi);
    AppendUtf16(b, family.ifiFamily);
    AppendUtf16(b, style.ifiStyle);
    AppendUtf16(b, family.ifiFamily);
    AppendUtf16(b, Widen(display));
    AlignTo(b, 8);
    Put32(b, fontrec::kRecordSize, static_cast<std::uint32_t>(b.size()));
    return b;
}

// ---- Shift-JIS glyph set ----
// The characters of code page 932 the printer fonts can print: the single-byte characters 0x20
// to 0x7E and the half-width katakana 0xA1 to 0xDF, and every double-byte character outside the
// user-defined area (lead bytes 0xF0 to 0xF9). The glyph handle is the code; a Unicode character
// reached by two codes keeps the lower one.
std::map<char16_t, std::uint32_t> ShiftJisCharacters() {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* conv = ucnv_open("windows-932", &status);
    if (U_FAILURE(status)) Fail("ICU has no code page 932");
    std::map<char16_t, std::uint32_t> map;
    auto add = [&](std::uint32_t code) {
        char bytes[2];
        int n = 0;
        if (code > 0xFF) bytes[n++] = static_cast<char>(code >> 8);
        bytes[n++] = static_cast<char>(code & 0xFF);
        UChar wide[4];
        UErrorCode err = U_ZERO_ERROR;
        ucnv_reset(conv);
        ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        int got = ucnv_toUChars(conv, wide, 4, bytes, n, &err);
        if (U_SUCCESS(err) && got == 1) map.emplace(static_cast<char16_t>(wide[0]), code);
    };
    for (std::uint32_t c = 0x20; c <= 0x7E; ++c) add(c);
    for (std::uint32_t c = 0xA1; c <= 0xDF; ++c) add(c);
    for (std::uint32_t lead = 0x81; lead <= 0xFC; ++lead) {
        if ((lead >= 0xA0 && lead <= 0xDF) || (lead >= 0xF0 && lead <= 0xF9)) continue;
        for (std::uint32_t trail = 0x40; trail <= 0xFC; ++trail) add(lead << 8 | trail);
    }
    ucnv_close(conv);
    return map;
}

Bytes BuildShiftJisGlyphSet() {
    const std::map<char16_t, std::uint32_t> map = ShiftJisCharacters();
    std::vector<std::pair<char16_t, std::uint16_t>> runs;  // first character, glyph count
    for (const auto& [wc, code] : map) {
        if (!runs.empty() && runs.back().first + runs.back().second == wc && runs.back().second < 0xFFFF)
            ++runs.back().second;
        else
            runs.emplace_back(wc, 1);
    }
    const auto glyphs = static_cast<std::uint32_t>(map.size());
    const auto runCount = static_cast<std::uint32_t>(runs.size());
    if (glyphs != fontrec::kShiftJisGlyphCount || runCount != fontrec::kShiftJisRunCount)
        Fail("code page 932 gives " + std::to_string(glyphs) + " glyphs in " + std::to_string(runCount) + " runs");
    Bytes b(fontrec::GlyphSetImageSize(runCount, glyphs), 0);
    Put32(b, fontrec::kGlyphSetSizeAt, static_cast<std::uint32_t>(b.size()));
    Put32(b, fontrec::kGlyphSetAccelAt, GS_16BIT_HANDLES);
    Put32(b, fontrec::kGlyphSetGlyphCountAt, glyphs);
    Put32(b, fontrec::kGlyphSetRunCountAt, runCount);
    for (std::uint32_t r = 0; r < runCount; ++r) {
        const std::uint32_t at = fontrec::kGlyphSetHeaderSize + r * fontrec::kGlyphSetRunSize;
        Put16(b, at, runs[r].first);
        Put16(b, at + 2, runs[r].second);
    }
    std::uint32_t at = fontrec::kGlyphSetHeaderSize + runCount * fontrec::kGlyphSetRunSize;
    for (const auto& entry : map) {
        Put32(b, at, entry.second);
        at += fontrec::kGlyphSetHandleSize;
    }
    return b;
}

// ---- Output ----
void WriteArray(std::ostream& out, const std::string& name, const Bytes& bytes) {
    out << "alignas(8) const unsigned char " << name << "[" << bytes.size() << "] = {";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 24 == 0) out << "\n   ";
        out << ' ' << static_cast<unsigned>(bytes[i]) << ',';
    }
    out << "\n};\n";
}

void WriteUtf16(std::ostream& out, const std::string& name, const std::u16string& text) {
    out << "const char16_t " << name << "[] = {";
    for (char16_t c : text) out << "0x" << std::hex << static_cast<unsigned>(c) << std::dec << ", ";
    out << "0};\n";
}

void WriteSource(const std::string& path, const std::vector<Bytes>& records, const Bytes& glyphSet) {
    std::ofstream out(path, std::ios::binary);
    if (!out) Fail("cannot write " + path);
    out << "// Generated by tools/font_tables: the graphics DLL's font resources. Do not edit.\n"
           "#include \"plat/resource_table.h\"\n\nnamespace {\n\n";
    for (size_t i = 0; i < records.size(); ++i) WriteArray(out, "kFontRecord" + std::to_string(i + 1), records[i]);
    WriteArray(out, "kShiftJisGlyphSet", glyphSet);
    for (const fontrec::PrinterFontName& name : fontrec::kPrinterFontNames)
        WriteUtf16(out, "kString" + std::to_string(name.stringId), name.text);
    out << "\nconst ORLA_RESOURCE kResources[] = {\n";
    for (size_t i = 0; i < records.size(); ++i)
        out << "    {" << fontrec::kDeviceFontResourceType << ", nullptr, " << i + 1 << ", nullptr, kFontRecord"
            << i + 1 << ", sizeof kFontRecord" << i + 1 << "},\n";
    out << "    {" << fontrec::kShiftJisGlyphSetResourceType << ", nullptr, " << fontrec::kShiftJisGlyphSetId
        << ", nullptr, kShiftJisGlyphSet, sizeof kShiftJisGlyphSet},\n";
    for (const fontrec::PrinterFontName& name : fontrec::kPrinterFontNames)
        out << "    {6, nullptr, " << name.stringId << ", nullptr, kString" << name.stringId << ", sizeof kString"
            << name.stringId << " - 2},\n";
    // The graphics DLL's resource table (render/graphics_resources.cpp) takes these and its version.
    out << "};\n\n}  // namespace\n\n"
           "extern const ORLA_RESOURCE* const kDeviceFontResources = kResources;\n"
           "extern const DWORD kDeviceFontResourceCount = sizeof(kResources) / sizeof(kResources[0]);\n";
    if (!out) Fail("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) Fail("usage: font_tables OUTPUT.cpp URW_TYPE1_DIR OCRB_FONT_FILE");
    FreeTypeLibrary ft;
    std::vector<Bytes> records;
    for (const Family& family : kFamilies) {
        for (unsigned s = 0; s < family.styles; ++s) {
            FaceMetrics m = family.source == Source::Measured ? MeasureLatinFace(ft.lib, family, s, argv[2], argv[3])
                                                              : JapaneseFace(family, s);
            records.push_back(BuildRecord(family, kStyles[s], m));
            std::printf("font %2zu %-22s widths %zu kerning pairs %zu\n", records.size(),
                        (std::string(family.display) + kStyles[s].displaySuffix).c_str(), m.widths.size(),
                        m.kerning.size());
        }
    }
    if (records.size() != fontrec::kDeviceFontCount) Fail("not 29 fonts");
    WriteSource(argv[1], records, BuildShiftJisGlyphSet());
    return 0;
}
