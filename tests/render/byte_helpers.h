// Byte-string helpers the graphics DLL tests use to spell expected output and to look for it in
// what the device context wrote.
#pragma once

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "win/base.h"
#include "win/ddi.h"

namespace render_test {

using Bytes = std::vector<BYTE>;

inline Bytes B(std::initializer_list<int> v) {
    Bytes out;
    for (int b : v) out.push_back(static_cast<BYTE>(b));
    return out;
}
inline Bytes Text(const char* s) {
    return Bytes(s, s + std::strlen(s));
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
inline Bytes Be16(LONG v) {
    return {static_cast<BYTE>(v >> 8), static_cast<BYTE>(v)};
}
inline Bytes Be32(DWORD v) {
    return {static_cast<BYTE>(v >> 24), static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v)};
}

// Offset of the first `needle` in `hay`, std::string::npos when absent.
inline size_t Find(const Bytes& hay, const Bytes& needle) {
    auto it = std::search(hay.begin(), hay.end(), needle.begin(), needle.end());
    return it == hay.end() ? std::string::npos : static_cast<size_t>(it - hay.begin());
}
inline bool Contains(const Bytes& hay, const Bytes& needle) {
    return Find(hay, needle) != std::string::npos;
}
inline size_t Occurrences(const Bytes& hay, const Bytes& needle) {
    size_t n = 0;
    for (auto it = hay.begin(); (it = std::search(it, hay.end(), needle.begin(), needle.end())) != hay.end(); ++it) ++n;
    return n;
}

// A device point in 28.4 fixed point.
inline POINTFIX Fix(LONG x, LONG y) {
    return POINTFIX{x * 16, y * 16};
}

}  // namespace render_test
