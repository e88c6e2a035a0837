// Delta-row and run coding. This is the hot path of every raster page: a 600 dpi A4 band is
// about 4 MB, almost all of it rows equal to the row above, so the scans compare 32 bytes at a
// time (SSE2 where the compiler offers it, eight-byte words elsewhere) and fall back to bytes
// only where a run ends.
#include "render/row_compression.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Bit i set where a[i] == b[i], for the 32 bytes from `a` and `b`.
inline uint32_t EqualMask32(const BYTE* a, const BYTE* b) {
    const __m128i lo = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)));
    const __m128i hi = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16)));
    return static_cast<uint32_t>(_mm_movemask_epi8(lo)) | static_cast<uint32_t>(_mm_movemask_epi8(hi)) << 16;
}
#endif

// End of the literal that starts at `i` of `count` bytes: the first j > i where bytes[j] equals
// bytes[j + 1] (both inside the run), or `count`.
inline size_t LiteralEnd(const BYTE* bytes, size_t i, size_t count) {
    size_t j = i + 1;
#if defined(__SSE2__)
    for (; j + 17 <= count; j += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + j));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + j + 1));
        const auto equal = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, next)));
        if (equal != 0) return j + static_cast<size_t>(std::countr_zero(equal));
    }
#endif
    while (j < count && (j + 1 == count || bytes[j] != bytes[j + 1])) ++j;
    return j;
}

// End of the repeat of bytes[i] that starts at `i` (bytes[i + 1] is the same): the first j
// where the byte changes, or `count`.
inline size_t RepeatEnd(const BYTE* bytes, size_t i, size_t count) {
    size_t j = i + 2;
#if defined(__SSE2__)
    const __m128i value = _mm_set1_epi8(static_cast<char>(bytes[i]));
    for (; j + 16 <= count; j += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + j));
        const auto other = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, value))) ^ 0xFFFFu;
        if (other != 0) return j + static_cast<size_t>(std::countr_zero(other));
    }
#endif
    while (j < count && bytes[j] == bytes[i]) ++j;
    return j;
}

// First index from `pos` where a[i] != b[i], or `end`.
inline size_t ScanEqual(const BYTE* a, const BYTE* b, size_t pos, size_t end) {
#if defined(__SSE2__)
    while (pos + 32 <= end) {
        const uint32_t differ = ~EqualMask32(a + pos, b + pos);
        if (differ != 0) return pos + static_cast<size_t>(std::countr_zero(differ));
        pos += 32;
    }
#else
    while (pos + 32 <= end) {
        const uint64_t x = (Load64(a + pos) ^ Load64(b + pos)) | (Load64(a + pos + 8) ^ Load64(b + pos + 8)) |
                           (Load64(a + pos + 16) ^ Load64(b + pos + 16)) |
                           (Load64(a + pos + 24) ^ Load64(b + pos + 24));
        if (x != 0) break;  // the words below find the byte
        pos += 32;
    }
#endif
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
#if defined(__SSE2__)
    while (pos + 32 <= end) {
        const uint32_t equal = EqualMask32(a + pos, b + pos);
        if (equal != 0) return pos + static_cast<size_t>(std::countr_zero(equal));
        pos += 32;
    }
#endif
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

// Copies `count` bytes XOR `invert`; returns the output's end. Literals of text are a few bytes
// long: they are copied as two overlapping words, with no loop over the bytes.
inline BYTE* CopyInverted(BYTE* out, const BYTE* bytes, size_t count, BYTE invert) {
    const uint64_t mask = kOnes * invert;
    if (count >= 16) {
#if defined(__SSE2__)
        const __m128i ones = _mm_set1_epi8(static_cast<char>(invert));
        auto copy16 = [&](size_t k) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                             _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + k)), ones));
        };
        for (size_t k = 0; k + 16 <= count; k += 16) copy16(k);
        copy16(count - 16);  // the tail, overlapping bytes already copied
#else
        for (size_t k = 0; k < count; ++k) out[k] = static_cast<BYTE>(bytes[k] ^ invert);
#endif
    } else if (count >= 8) {
        const uint64_t head = Load64(bytes) ^ mask;
        const uint64_t tail = Load64(bytes + count - 8) ^ mask;
        std::memcpy(out, &head, sizeof head);
        std::memcpy(out + count - 8, &tail, sizeof tail);
    } else if (count >= 4) {
        uint32_t head, tail;
        std::memcpy(&head, bytes, sizeof head);
        std::memcpy(&tail, bytes + count - 4, sizeof tail);
        head ^= static_cast<uint32_t>(mask);
        tail ^= static_cast<uint32_t>(mask);
        std::memcpy(out, &head, sizeof head);
        std::memcpy(out + count - 4, &tail, sizeof tail);
    } else {
        for (size_t k = 0; k < count; ++k) out[k] = static_cast<BYTE>(bytes[k] ^ invert);
    }
    return out + count;
}

// The run coding of `count` differing bytes, each written XOR `invert`; returns the output's end.
[[gnu::always_inline]] inline BYTE* RunLengthInto(BYTE* out, const BYTE* bytes, size_t count, BYTE invert) {
    size_t i = 0;
    while (i < count) {
        if (i + 1 == count) {
            *out++ = 0x41;
            *out++ = static_cast<BYTE>(bytes[i] ^ invert);
            ++i;
        } else if (bytes[i + 1] == bytes[i]) {
            const size_t j = RepeatEnd(bytes, i, count);
            out = WriteCount(out, 0x80, j - i);
            *out++ = static_cast<BYTE>(bytes[i] ^ invert);
            i = j;
        } else {
            // The literal stops before the first of two adjacent equal bytes.
            const size_t j = LiteralEnd(bytes, i, count);
            out = WriteCount(out, 0x40, j - i);
            out = CopyInverted(out, bytes + i, j - i, invert);
            i = j;
        }
    }
    return out;
}

}  // namespace

size_t CompressRunLength(BYTE* output, const BYTE* bytes, size_t count) {
    return static_cast<size_t>(RunLengthInto(output, bytes, count, 0) - output);
}

BYTE* CompressDeltaRow(const BYTE* seedRow, const BYTE* firstRow, size_t rowCount, size_t rowLength, BYTE* output,
                       ptrdiff_t rowStride, BYTE invert) {
    BYTE* out = output;
    const size_t limit = rowCount * rowLength;
    const BYTE* above = seedRow;
    const BYTE* row = firstRow;
    for (size_t r = 0; r < rowCount; ++r) {
        // Most rows of a page repeat the row above: one library compare settles them.
        if (rowLength != 0 && std::memcmp(row, above, rowLength) == 0) {
            out = WriteCount(out, 0x00, rowLength);
        } else {
            size_t pos = 0;
            for (;;) {
                size_t start = pos;
                pos = ScanDiffering(row, above, pos, rowLength);
                if (pos > start) out = RunLengthInto(out, row + start, pos - start, invert);
                if (pos == rowLength) break;
                start = pos;
                pos = ScanEqual(row, above, pos, rowLength);
                out = WriteCount(out, 0x00, pos - start);
            }
        }
        *out++ = kDeltaRowEnd;
        if (static_cast<size_t>(out - output) > limit) return nullptr;
        above = row;
        if (r + 1 < rowCount) row += rowStride;
    }
    return out;
}
