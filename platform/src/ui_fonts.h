// The faces windows draw their text in: DejaVu Sans, with the IPA face for characters DejaVu
// lacks, at the dialog font's size. Shared by the window renderer and device contexts.
#pragma once

#include <string>
#include <string_view>

#include "win/base.h"

namespace plat {

inline constexpr int kUiTextPixels = 11;  // 8 points at 96 dpi
inline constexpr int kUiTextAscent = 9;
inline constexpr int kUiLineHeight = 13;
inline constexpr int kUnderlineDrop = 2;  // an underline's row below the baseline

// Receives each glyph pixel with its coverage (1..255).
typedef void (*GlyphPlot)(void* context, LONG x, LONG y, unsigned coverage);

// Sets one line with its baseline at y; with `plot` null only measures. Returns the advance.
LONG SetUiText(LONG x, LONG baseline, std::u16string_view text, GlyphPlot plot, void* context);

// A label as Windows shows it: "&x" shows x underlined (the last such letter when there are
// several), "&&" shows one "&".
struct MnemonicText {
    std::u16string shown;
    size_t underlined = std::u16string::npos;  // index into `shown`
};
MnemonicText ParseMnemonic(std::u16string_view text);

// Sets a line like SetUiText and underlines the character at `underlined` of the text (npos: none).
LONG SetUiTextUnderlined(LONG x, LONG baseline, std::u16string_view text, size_t underlined, GlyphPlot plot,
                         void* context);

// A font as a device context draws it: a font file at an em size, with bold or italic
// simulated where the file has none, turned by an escapement (tenths of a degree,
// counter-clockwise). Characters the file lacks come from the IPA face.
struct FontLook {
    const char* file = nullptr;  // host path
    LONG emPixels = kUiTextPixels;
    bool emboldened = false;
    bool slanted = false;
    LONG escapement = 0;
};

// The look's ascent and descent in pixels (rounded up); false when its file cannot be read.
bool LookMetrics(const FontLook& look, LONG& ascent, LONG& descent);
// The em that gives a cell (ascent + descent) of `cellPixels` in the file.
LONG EmForCell(const char* file, LONG cellPixels);
// Sets a line in the look with its baseline's start at (x, y), turned by the look's
// escapement about that point; with `plot` null only measures. Returns the unturned advance.
LONG SetLookText(const FontLook& look, LONG x, LONG y, std::u16string_view text, GlyphPlot plot, void* context);

// What font enumeration reports of a file at an em size.
struct FaceMetrics {
    LONG ascent = 0, descent = 0;  // pixels, rounded up
    LONG averageWidth = 0, maxWidth = 0;
    UINT unitsPerEm = 0;
};
bool MeasureFace(const char* file, LONG emPixels, FaceMetrics& out);

}  // namespace plat
