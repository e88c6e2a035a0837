// The two row-compression schemes of the printer's image commands: delta rows (each row coded
// against the row above as skips of equal bytes and runs of differing ones) and the run coding
// of the differing bytes. Pure functions on byte rows; the band and glyph writers call them.
#pragma once

#include <cstddef>

#include "win/base.h"

// Image data formats of the image commands.
inline constexpr BYTE kImageFormatPlain = 0x00;
inline constexpr BYTE kImageFormatDeltaRow = 0x20;

// Record bytes of the delta-row stream.
inline constexpr BYTE kDeltaRowEnd = 0x80;

// The output area CompressDeltaRow needs for `rowCount` rows of `rowLength` bytes: the writers
// take R + 2B, which holds the longest stream it can make before the size test stops it.
constexpr size_t DeltaRowOutputArea(size_t rowCount, size_t rowLength) {
    return rowLength + 2 * rowCount * rowLength;
}

// Codes `count` bytes that all differ from the bytes above them: repeats (0x81..0xBF), literals
// (0x40..0x7F) and their long forms. Returns the number of bytes written (at most count + 1 +
// count / 255 + 1 bytes, so 2 * count + 1 always suffices).
size_t CompressRunLength(BYTE* output, const BYTE* bytes, size_t count);

// Delta-row compression of `rowCount` rows of `rowLength` bytes, `rowStride` bytes apart, the
// first compared with `seedRow`. Each row ends with 0x80. Returns the end of the output, or null
// as soon as a row end finds the output longer than rowCount x rowLength (the caller sends the
// rows plain then). `output` must hold DeltaRowOutputArea(rowCount, rowLength) bytes.
// With `invert` 0xFF the rows (and the seed) are read complemented: the stream is the one of the
// complemented rows, made without complementing them first (equal bytes stay equal).
BYTE* CompressDeltaRow(const BYTE* seedRow, const BYTE* firstRow, size_t rowCount, size_t rowLength, BYTE* output,
                       ptrdiff_t rowStride, BYTE invert = 0);
