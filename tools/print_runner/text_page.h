// The runner's text page: lines of text as an application prints them, played through the
// driver's DrvTextOut in command mode as GDI does (device fonts by face number, TrueType faces
// with and without substitution, rotated text, a vertical-writing column, underline and
// strike-out rectangles, an opaque background) and drawn by the engine (EngTextOut) into each
// band in band mode. Beside it the engine's own rendering of the same lines (TrueType stand-ins
// for the printer's fonts) gives each line's black-pixel box to compare a decoded page with.
#pragma once

#include <string>
#include <vector>

#include "tools/print_runner/sample_content.h"
#include "win/ddi.h"

namespace orla::runner {

// One line of the page.
struct TextLine {
    std::string what;
    ULONG deviceFace = 0;    // 1..29 a device font; 0 TrueType
    std::string fontFile;    // TrueType font (and the stand-in of a device font)
    std::u16string family;   // the face name GDI knows a TrueType font by
    bool shiftJis = false;   // SHIFTJIS character set (device faces 14..29, Japanese TrueType)
    int em = 0;              // pixels
    int angle = 0;           // degrees anticlockwise
    bool vertical = false;   // a column: glyphs placed down the page
    bool underline = false;  // an underline rectangle under the line
    bool opaque = false;     // an opaque background rectangle
    bool compare = true;     // its box is compared with the decoded page
    std::u16string text;
    POINTL origin{};  // baseline start, page pixels
};

// A line's black-pixel box in the engine's rendering (page pixels, right and bottom exclusive).
struct TextLineBox {
    std::string what;
    SampleRect box;
    bool compare = true;
};

// The lines of the text page for a printable page of width x height at dpi: device fonts only
// in the Japanese build's command mode.
std::vector<TextLine> LayOutTextPage(int width, int height, int dpi, bool deviceFonts);

// Command mode: every line through DrvTextOut. FALSE with the reason in `error`.
// `driverSeconds`, when given, gains the time spent inside DrvTextOut.
bool PlayTextPage(PFN_DrvTextOut textOut, PFN_DrvQueryAdvanceWidths advanceWidths, DHPDEV dhpdev, SURFOBJ* pso,
                  const std::vector<TextLine>& lines, std::string* error, double* driverSeconds = nullptr);
// Band mode: the lines drawn by the engine into a band whose top-left is the page's origin.
bool DrawTextBand(SURFOBJ* band, POINTL origin, const std::vector<TextLine>& lines, std::string* error);
// The engine's rendering of the lines on a page of width x height: each line's black box.
std::vector<TextLineBox> TextLineBoxes(int width, int height, const std::vector<TextLine>& lines,
                                       PFN_DrvQueryAdvanceWidths advanceWidths, DHPDEV dhpdev);

}  // namespace orla::runner
