// Packed point data as the driver writes it, for hand-made path commands in tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orla::testing {

// Nibble coding of packed points, as the printer reads it: 0..4 one nibble (8 added when
// negative), 5..15 the nibble 5 (13) and the value, up to 255 6 (14) and two nibbles, else 7 (15)
// and four.
inline std::string Packed(const std::vector<std::pair<int, int>>& values) {
    std::vector<unsigned> nibbles;
    auto code = [&](int v) {
        const unsigned m = static_cast<unsigned>(v < 0 ? -v : v), sign = v < 0 ? 8 : 0;
        if (m <= 4) {
            nibbles.push_back(m | sign);
        } else if (m <= 15) {
            nibbles.insert(nibbles.end(), {5 | sign, m});
        } else if (m <= 255) {
            nibbles.insert(nibbles.end(), {6 | sign, m >> 4, m & 15});
        } else {
            nibbles.insert(nibbles.end(), {7 | sign, m >> 12, (m >> 8) & 15, (m >> 4) & 15, m & 15});
        }
    };
    for (auto [x, y] : values) {
        code(x);
        code(y);
    }
    std::string out((nibbles.size() + 1) / 2, '\0');
    for (size_t i = 0; i < nibbles.size(); ++i)
        out[i / 2] = static_cast<char>(out[i / 2] | (nibbles[i] << (i % 2 ? 0 : 4)));
    return out;
}

}  // namespace orla::testing
