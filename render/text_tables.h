// The text writers' leaf tables and arithmetic: whole-degree sines, the angle search, the integer
// square root, the bearing table of the proportional Latin faces, font codes from selection
// texts, the glyph-name lookups and the double-byte codes the printer fonts do not hold.
#pragma once

#include "win/base.h"

// sin(a) x 10000 and cos(a) x 10000 of whole degrees (any angle, brought into 0 to 359).
LONG SineOf(LONG degrees);
LONG CosineOf(LONG degrees);
// The angle whose sine table value first reaches |value| (value = sin x 10000, at most 180
// steps), 360 minus that for a negative value.
LONG AngleOfSine(LONG value);
// Newton's integer square root, starting from 1.
ULONG IntegerSquareRoot(unsigned long long n);

// The bearing class b(c) of a character 0x20..0x7F (0 outside).
LONG BearingClass(WCHAR c);

// The font code of a selection text "06F1-002": d1 x 4096 + d2 x 256 + d3 x 16 of the three
// characters after the hyphen.
WORD FontCodeOfSelection(const char* selection);
// The last character of a selection text (8 characters).
inline char SelectionEnd(const char* selection) {
    return selection[7];
}

// The Unicode character of a printer code byte: the first glyph-name entry whose code has that
// low byte, else 0.
WCHAR UnicodeOfCodeByte(BYTE code);
// The code of a Unicode character among the entries 0x20..0x7E of the glyph-name table (the
// SBCS code table), or 0 when it has none.
WORD SbcsCodeOfUnicode(WCHAR c);
// The code a Latin device font prints a character byte by: 0x20..0x7E themselves, 0x7F as 0xA5,
// 0xA5 (the yen sign) as 0x5C, every other byte as the placeholder 0xFFA5.
WORD LatinDeviceCode(BYTE b);

// A double-byte code that the printer fonts do not hold (sent as 0x8145). Text mode 0 adds
// some codes with lead bytes 0x81, 0x84, 0x87 and 0xEA.
bool ShiftJisNotHeld(WORD code, BYTE textMode);
// A double-byte code of a TrueType font mapped to a Shift-JIS face that the printer is not given
// (drawn as a downloaded glyph); in vertical writing some punctuation of lead 0x81 as well.
bool ShiftJisRefused(WORD code, bool vertical);

// The text angle (0 to 359) of a font transform: its four terms scaled by 1000 x 18432 /
// resolution (and by 0.2559896 for a TrueType font printed with a device font) and truncated;
// upright when only the diagonal is set and positive; else by the sine search, mirrored for a
// negative eM11; 90 or 270 when the diagonal is zero.
struct _XFORML;
LONG AngleOfTransform(const _XFORML& m, LONG resolution, bool mapped);
