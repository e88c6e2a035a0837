// Points of the binary path, clip-path and frame commands: the coordinate transform of drawing
// points, the binary point writer (two big-endian 16-bit values) and the point packer that codes
// a point list as nibble-coded differences.
#pragma once

#include <cstddef>
#include <span>

#include "win/base.h"

struct PrinterPdev;

// ---- Point packer ----
// Entry kinds of a packed point list.
inline constexpr BYTE kPackedPoint = 0;       // coded as the difference to the last point coded
inline constexpr BYTE kPackedFirstPoint = 1;  // first point of a subpath: its own values
inline constexpr BYTE kPackedHeader = 2;      // a header pair: its own values, not a point
inline constexpr BYTE kPackedEnd = 8;         // end of the list: coded as (0, 0)

struct PackedEntry {
    LONG x;
    LONG y;
    BYTE kind;
};

// Worst case: two values of five nibbles each per entry.
constexpr size_t PackedBytesFor(size_t entries) {
    return entries * 5 + 1;
}

// Codes the entries into `out`, high nibble first: a magnitude 0..4 is one nibble (plus 8 when
// negative); 5..15 the nibble 5 (13) and the magnitude; 16..255 the nibble 6 (14) and two
// nibbles; up to 65535 the nibble 7 (15) and four nibbles. Returns the number of bits written,
// or 0 when a value's magnitude exceeds 65535 or `out` is too small (nothing usable then).
ULONG PackPointList(std::span<const PackedEntry> entries, std::span<BYTE> out);

// Bytes of a packed block of `bits` bits.
constexpr ULONG PackedBytesOfBits(ULONG bits) {
    return (bits + 7) / 8;
}

// ---- Coordinate transform of drawing points ----
// A point already in device pixels (28.4 shifted, doubled when doubling is on) put through the
// zoom and layout cell origin, the binding (page offset) and the turn of a turned sheet.
POINTL TransformPathPoint(const PrinterPdev* pdev, POINTL point);
// The page offset for the current side of the sheet (front pair, or back pair on duplex jobs).
POINTL PageOffsetForSide(const PrinterPdev* pdev);

// ---- Binary point writer ----
// One point after TransformPathPoint as two big-endian 16-bit values (x, then y).
BOOL WriteBinaryPoint(PrinterPdev* pdev, LONG x, LONG y);
