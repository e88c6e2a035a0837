// The layout of the graphics DLL's font resources, shared by the program that builds them and by
// the code that reads them: the device-font record (resource type 200, one per font, ids 1 to 29)
// and the Shift-JIS glyph set image (resource type 260, id 1). Both are read by offset; nothing
// here depends on the host's structure packing.
#pragma once

#include <cstdint>

namespace fontrec {

inline constexpr std::uint16_t kDeviceFontResourceType = 200;
inline constexpr std::uint16_t kShiftJisGlyphSetResourceType = 260;
inline constexpr std::uint16_t kShiftJisGlyphSetId = 1;
inline constexpr std::uint32_t kDeviceFontCount = 29;

// ---- Device-font record: a header of DWORDs, offsets counted from the start of the record ----
inline constexpr std::uint32_t kRecordSize = 0;        // record size in bytes
inline constexpr std::uint32_t kRecordVersion = 4;     // always kRecordVersionValue
inline constexpr std::uint32_t kRecordReserved1 = 8;   // 0
inline constexpr std::uint32_t kRecordReserved2 = 12;  // 0
inline constexpr std::uint32_t kFontBoxLeft = 16;      // five signed metrics in thousandths of the em
inline constexpr std::uint32_t kFontBoxTop = 20;
inline constexpr std::uint32_t kFontBoxRight = 24;
inline constexpr std::uint32_t kFontBoxBottom = 28;
inline constexpr std::uint32_t kFontHeight = 32;
inline constexpr std::uint32_t kDisplayNameAt = 36;    // ASCII, NUL-terminated
inline constexpr std::uint32_t kStyleNameAt = 40;      // hyphenated style name, ASCII
inline constexpr std::uint32_t kFamilyNameAt = 44;     // ASCII
inline constexpr std::uint32_t kSelectionTextAt = 48;  // selection command text, ASCII ("06F1-002")
inline constexpr std::uint32_t kKernPairCount = 52;
inline constexpr std::uint32_t kKernPairsAt = 56;  // FD_KERNINGPAIR array ended by an all-zero pair
inline constexpr std::uint32_t kWidthCount = 60;
inline constexpr std::uint32_t kWidthTableAt = 64;     // WORD widths, then the code bytes (see below)
inline constexpr std::uint32_t kRecordReserved3 = 68;  // 0
inline constexpr std::uint32_t kIfiMetricsAt = 72;     // the font's IFIMETRICS (8-byte aligned)
inline constexpr std::uint32_t kRecordHeaderSize = 76;

inline constexpr std::uint32_t kRecordVersionValue = 0x00010000;
inline constexpr std::uint32_t kKerningPairSize = 6;  // WCHAR first, WCHAR second, FWORD kern
inline constexpr std::uint32_t kLatinWidthCount = 226;
inline constexpr std::uint32_t kJapaneseWidthCount = 95;
inline constexpr std::uint32_t kSelectionTextChars = 8;

// The code bytes of a width table start at the next multiple of 4 after its WORDs.
constexpr std::uint32_t WidthCodesAt(std::uint32_t widthTableAt, std::uint32_t count) {
    return (widthTableAt + count * 2 + 3) & ~3u;
}

// ---- Shift-JIS glyph set image: an FD_GLYPHSET as the 32-bit engine lays it out ----
// Header: cjThis, flAccel, cGlyphsSupported, cRuns (DWORDs); then cRuns runs of 8 bytes (WORD
// wcLow, WORD cGlyphs, DWORD glyph pointer stored as 0); then every run's glyph handles (DWORDs),
// run after run.
inline constexpr std::uint32_t kGlyphSetHeaderSize = 16;
inline constexpr std::uint32_t kGlyphSetSizeAt = 0;
inline constexpr std::uint32_t kGlyphSetAccelAt = 4;
inline constexpr std::uint32_t kGlyphSetGlyphCountAt = 8;
inline constexpr std::uint32_t kGlyphSetRunCountAt = 12;
inline constexpr std::uint32_t kGlyphSetRunSize = 8;
inline constexpr std::uint32_t kGlyphSetHandleSize = 4;
inline constexpr std::uint32_t kShiftJisGlyphCount = 7484;
inline constexpr std::uint32_t kShiftJisRunCount = 4247;

constexpr std::uint32_t GlyphSetImageSize(std::uint32_t runs, std::uint32_t glyphs) {
    return kGlyphSetHeaderSize + runs * kGlyphSetRunSize + glyphs * kGlyphSetHandleSize;
}
static_assert(GlyphSetImageSize(kShiftJisRunCount, kShiftJisGlyphCount) == 63928);

// ---- Printer font names for substitution (string resources) and the font each selects ----
struct PrinterFontName {
    std::uint16_t stringId;
    const char16_t* text;
    std::uint32_t fontId;
};
inline constexpr PrinterFontName kPrinterFontNames[] = {
    {164, u"明朝", 14}, {165, u"@明朝", 18}, {166, u"ｺﾞｼｯｸ", 22}, {167, u"@ｺﾞｼｯｸ", 26}, {150, u"OCR-B", 1},
};

}  // namespace fontrec
