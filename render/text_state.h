// What the text writers keep in the device context between calls: the font-selection cache (what
// the printer was last told of font, size, style, rotation and text mode), the current font's
// converted sizes, baseline offsets and vertical-writing state, the text position of the run, and
// the key of the glyph being downloaded.
#pragma once

#include "win/base.h"
#include "win/ddi.h"

// A glyph's identity in the printer's download cache.
struct DownloadFontKey {
    DWORD fontFileId;
    DWORD trueTypeId;
    DWORD widthMeasure;
    DWORD heightMeasure;
    DWORD style;  // bit 0 italic, bit 1 bold
    DWORD angle;  // whole degrees, 0 to 359
    WORD characterCode;
    BOOL glyphIndex;  // compared, not hashed
};

inline constexpr WORD kNotSent = 0xFFFF;

struct TextOutputState {
    // Font-selection cache (kNotSent / 0xFF until sent after a graphics-state reset).
    WORD singleByteFontSent;  // 0xCA
    WORD doubleByteFontSent;  // 0xCB
    WORD heightSent;          // 0xC3
    WORD widthSent;           // 0xC4
    WORD firstSizeSent;       // 0xC5
    WORD secondSizeSent;      // 0xC6
    WORD styleSent;           // 0xC8
    WORD rotationSent;        // 0xC7
    BYTE textModeSent;        // 0xC2
    BYTE fontCommandSent;     // 0xCA or 0xCB, whichever went last: it sets how codes are read

    // The current font.
    ULONG deviceFont;        // 1..29 of the selected device face, 0 for downloaded text
    WORD fontCode;           // from its selection text
    char selection[9];       // its selection command text, 8 characters
    DWORD runPath;           // 1 single-byte runs and downloaded glyphs, 0 Shift-JIS runs
    DWORD runKind;           // of the group writer: 1 single-byte, 2 Shift-JIS
    LONG angle;              // 0..359
    DWORD verticalBits;      // bit 0 Shift-JIS face selected, bit 1 vertical-writing face
    BOOL glyphIndex;         // the string is a glyph-index string
    BOOL sbcsTable;          // the glyph-name table applies (single-byte faces)
    WORD style;              // current style word: bit 0 bold, bit 1 italic, bit 15 vertical form
    BOOL verticalForm;       // the vertical character form is in force
    WORD singleByteSize[2];  // unzoomed converted width, height
    WORD doubleByteSize[2];  // unzoomed converted pair: (w, h), or (h, w) in a vertical face
    LONG s0, s1, s2, s3;     // sizes before conversion: single-byte width, height; Shift-JIS width, height
    LONG t0, t1;             // baseline offsets
    LONG textX, textY;       // device position last computed for a character
    BYTE textLevel;          // colour level of the current text (16 + grey level)

    DownloadFontKey key;  // of the glyph being looked up or downloaded
};
