// What DrvTextOut and the two run writers share: the run context, the character-group records,
// the group writer, the run origin, and the choice of how a glyph the printer font cannot show is
// drawn.
#pragma once

#include "render/pdev.h"

struct TextRunContext {
    FLONG accel;       // a copy of the string's flAccel
    ULONG deviceFont;  // face number, or the device font a TrueType face is mapped to
    BOOL mapped;       // a TrueType font printed with a device font
    BOOL deviceText;   // device fonts and mapped fonts; 0 when everything is downloaded
    BOOL evenPitch;    // result of the pitch analysis
    LONG spaceExtraX, spaceExtraY, otherExtraX, otherExtraY;
};

inline constexpr WORD kNoStyle = 0xFFFF;
inline constexpr WORD kNoRotation = 0xFFFF;

// One device character of a group.
struct TextGroupRecord {
    WORD code;  // one byte, or a double-byte code with its lead byte high
    LONG x, y;  // device position (doubled units with doubled output)
    BOOL doubleByte;
    WORD style;  // 0xC8 value to send before it, kNoStyle for none
    BOOL verticalForm;
    WORD remaining;  // characters of the group from this one to its end
    BOOL sizeSwap;   // exchange the Shift-JIS size values before it
    WORD rotation;   // its own rotation, kNoRotation for none
};

// ---- text_output.cpp ----
// Writes device characters as groups (0xCC, 0xCD, 0xCE) with the moves, style, size-swap and
// rotation commands they need. FALSE when output failed.
BOOL WriteCharacterGroups(PrinterPdev* pdev, const TextGroupRecord* records, ULONG count);
// 0xC7 with the text angle (turned a quarter on a turned sheet) when it differs from the last.
BOOL WriteTextRotation(PrinterPdev* pdev);
// A turned sheet as the text commands see it: outside band mode only.
bool TextOnTurnedSheet(const PrinterPdev* pdev);

// ---- text_runs.cpp ----
// The pitch analysis of a run: TRUE with the extras filled in when it is evenly pitched.
BOOL AnalysePitch(PrinterPdev* pdev, FONTOBJ* font, STROBJ* string, TextRunContext* context);
// Stores the device position of a character at point p (device pixels) with offset o as the
// text position.
void RunOrigin(PrinterPdev* pdev, POINTL p, POINTL o);
// Bearing of a character in device pixels (Helv and TmsRmn; 0 for other faces and characters).
LONG BearingOf(const PrinterPdev* pdev, WCHAR c);
// Sets the size values owed, flips their exchange and tells whether the two values last sent
// differ.
BOOL SizeFormToggle(PrinterPdev* pdev);
// The run writers: `count` glyphs of the string with their positions and characters.
BOOL WriteSingleByteRun(PrinterPdev* pdev, ULONG count, const GLYPHPOS* glyphs, FONTOBJ* font, STROBJ* string,
                        const TextRunContext* context, const WCHAR* chars, XFORMOBJ* transform);
BOOL WriteShiftJisRun(PrinterPdev* pdev, ULONG count, const GLYPHPOS* glyphs, FONTOBJ* font, STROBJ* string,
                      const TextRunContext* context, const WCHAR* chars, XFORMOBJ* transform);
