// Delta-row and run coding. This is the hot path of every raster page: a 600 dpi A4 band is
// about 4 MB, almost all of it rows equal to the row above, so the scans compare eight bytes at
// a time and fall back to bytes only where a run ends.
#include "render/row_compression.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr size_t kShortCount = 63;  // counts below this fit in the record byte
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

inline uint64_t Load64(const BYTE* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Index (0..7) of the first byte in memory order whose bits are set in `mask` (mask != 0).
inline size_t FirstMarkedByte(uint64_t mask) {
    if constexpr (std::endian::native == std::endian::little) {
        return static_cast<size_t>(std::countr_zero(mask)) >> 3;
    } else {
        return static_cast<size_t>(std::countl_zero(mask)) >> 3;
    }
}

// First index from `pos` where a[i] != b[i], or `end`.
inline size_t ScanEqual(const BYTE* a, const BYTE* b, size_t pos, size_t end) {
    while (pos + 8 <= end) {
        uint64_t x = Load64(a + pos) ^ Load64(b + pos);
        if (x != 0) return pos + FirstMarkedByte(x);
        pos += 8;
    }
    while (pos < end && a[pos] == b[pos]) ++pos;
    return pos;
}

// First index from `pos` where a[i] == b[i], or `end`.
inline size_t ScanDiffering(const BYTE* a, const BYTE* b, size_t pos, size_t end) {
    while (pos + 8 <= end) {
        uint64_t x = Load64(a + pos) ^ Load64(b + pos);
        // A zero byte of x is an equal byte. The lowest flag of this test is always exact.
        uint64_t zero = (x - kOnes) & ~x & kHighs;
        if (zero != 0) return pos + FirstMarkedByte(zero);
        pos += 8;
    }
    while (pos < end && a[pos] != b[pos]) ++pos;
    return pos;
}

// The long-count tail: k bytes 0xFF and a final byte below 255.
inline BYTE* WriteExcess(BYTE* out, size_t excess) {
    while (excess >= 255) {
        *out++ = 0xFF;
        excess -= 255;
    }
    *out++ = static_cast<BYTE>(excess);
    return out;
}

// A count in a record whose short form is base + n (n < 63) and long form base + 63, excess.
inline BYTE* WriteCount(BYTE* out, BYTE base, size_t n) {
    if (n < kShortCount) {
        *out++ = static_cast<BYTE>(base + n);
        return out;
    }
    *out++ = static_cast<BYTE>(base + kShortCount);
    return WriteExcess(out, n - kShortCount);
}

}  // namespace

size_t CompressRunLength(BYTE* output, const BYTE* bytes, size_t count) {
    BYTE* out = output;
    size_t i = 0;
    while (i < count) {
        if (i + 1 == count) {
            *out++ = 0x41;
            *out++ = bytes[i];
            ++i;
        } else if (bytes[i + 1] == bytes[i]) {
            size_t j = i + 2;
            while (j < count && bytes[j] == bytes[i]) ++j;
            out = WriteCount(out, 0x80, j - i);
            *out++ = bytes[i];
            i = j;
        } else {
            // The literal stops before the first of two adjacent equal bytes.
            size_t j = i + 1;
            while (j < count && (j + 1 == count || bytes[j] != bytes[j + 1])) ++j;
            out = WriteCount(out, 0x40, j - i);
            std::memcpy(out, bytes + i, j - i);
            out += j - i;
            i = j;
        }
    }
    return static_cast<size_t>(out - output);
}

BYTE* CompressDeltaRow(const BYTE* seedRow, const BYTE* firstRow, size_t rowCount, size_t rowLength, BYTE* output,
                       ptrdiff_t rowStride) {
    BYTE* out = output;
    const size_t limit = rowCount * rowLength;
    const BYTE* above = seedRow;
    const BYTE* row = firstRow;
    for (size_t r = 0; r < rowCount; ++r) {
        size_t pos = 0;
        for (;;) {
            size_t start = pos;
            pos = ScanDiffering(row, above, pos, rowLength);
            if (pos > start) out += CompressRunLength(out, row + start, pos - start);
            if (pos == rowLength) break;
            start = pos;
            pos = ScanEqual(row, above, pos, rowLength);
            out = WriteCount(out, 0x00, pos - start);
        }
        *out++ = kDeltaRowEnd;
        if (static_cast<size_t>(out - output) > limit) return nullptr;
        above = row;
        if (r + 1 < rowCount) row += rowStride;
    }
    return out;
}
