// The bytes of a hand-made job stream that the decoder tests share: the UEL, a job trailer, and
// big-endian numbers.
#pragma once

#include <string>

namespace orla::testing {

inline const std::string kUel = "\x1b%-12345X";
inline const std::string kTrailer =
    "\x1c"
    "fPC0.\x1c&0.\x1b"
    "c1" +
    kUel + "@PJL EOJ\r\n@PJL EOJ\r\n";

inline std::string Be16(unsigned v) {
    return std::string{static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
}
inline std::string Be32(unsigned v) {
    return Be16(v >> 16) + Be16(v & 0xFFFF);
}

}  // namespace orla::testing
