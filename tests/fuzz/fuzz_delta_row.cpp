// Delta-row compression round trip: any rows either compress to a stream no longer than the
// plain rows that decodes back to them, or are refused; the output never leaves its area.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "render/row_compression.h"

namespace {

size_t Count(const std::vector<BYTE>& s, size_t& i, size_t value, bool longForm) {
    if (!longForm) return value;
    size_t total = 63;
    for (;;) {
        if (i >= s.size()) abort();
        BYTE b = s[i++];
        total += b;
        if (b != 0xFF) return total;
    }
}

std::vector<BYTE> Decode(const std::vector<BYTE>& s, size_t rowCount, size_t rowLength) {
    std::vector<BYTE> out, above(rowLength, 0);
    size_t i = 0;
    for (size_t r = 0; r < rowCount; ++r) {
        std::vector<BYTE> row = above;
        size_t pos = 0;
        for (;;) {
            if (i >= s.size()) abort();
            BYTE b = s[i++];
            if (b == 0x80) break;
            if (b < 0x40) {
                pos += Count(s, i, b, b == 0x3F);
                continue;
            }
            size_t n = b < 0x80 ? Count(s, i, b - 0x40u, b == 0x7F) : Count(s, i, b - 0x80u, b == 0xBF);
            if (n == 0 || pos + n > rowLength) abort();
            if (b < 0x80) {
                if (i + n > s.size()) abort();
                std::memcpy(row.data() + pos, s.data() + i, n);
                i += n;
            } else {
                if (i >= s.size()) abort();
                std::memset(row.data() + pos, s[i++], n);
            }
            pos += n;
        }
        if (pos > rowLength) abort();
        out.insert(out.end(), row.begin(), row.end());
        above = row;
    }
    if (i != s.size()) abort();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t rowLength = 1 + (static_cast<size_t>(data[0]) << 8 | data[1]) % 1024;
    data += 2, size -= 2;
    size_t rowCount = size / rowLength;
    if (rowCount == 0) return 0;
    std::vector<BYTE> rows(data, data + rowCount * rowLength);
    std::vector<BYTE> seed(rowLength, 0);
    std::vector<BYTE> area(DeltaRowOutputArea(rowCount, rowLength));
    BYTE* end =
        CompressDeltaRow(seed.data(), rows.data(), rowCount, rowLength, area.data(), static_cast<ptrdiff_t>(rowLength));
    if (end == nullptr) return 0;
    std::vector<BYTE> stream(area.data(), end);
    if (stream.size() > rows.size()) abort();
    if (Decode(stream, rowCount, rowLength) != rows) abort();
    return 0;
}
