// The one reader and writer of little-endian integers in byte blocks: every persisted, escape and
// wire format stores its integers this way, whatever the machine's own order.
#pragma once

#include <cstddef>
#include <span>

#include "win/base.h"

namespace orla {

inline WORD LoadLe16(const BYTE* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}
inline DWORD LoadLe32(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}
inline void StoreLe16(BYTE* p, WORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}
inline void StoreLe32(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}

// At a byte offset of a block the caller has already measured.
inline WORD ReadLe16(const void* block, size_t at) {
    return LoadLe16(static_cast<const BYTE*>(block) + at);
}
inline DWORD ReadLe32(const void* block, size_t at) {
    return LoadLe32(static_cast<const BYTE*>(block) + at);
}
inline void WriteLe16(void* block, size_t at, WORD v) {
    StoreLe16(static_cast<BYTE*>(block) + at, v);
}
inline void WriteLe32(void* block, size_t at, DWORD v) {
    StoreLe32(static_cast<BYTE*>(block) + at, v);
}

// Within a span: reads give 0 and writes do nothing where the integer does not lie wholly inside.
inline WORD ReadLe16(std::span<const BYTE> b, size_t at) {
    return at <= b.size() && b.size() - at >= 2 ? LoadLe16(b.data() + at) : 0;
}
inline DWORD ReadLe32(std::span<const BYTE> b, size_t at) {
    return at <= b.size() && b.size() - at >= 4 ? LoadLe32(b.data() + at) : 0;
}
inline void WriteLe16(std::span<BYTE> b, size_t at, WORD v) {
    if (at <= b.size() && b.size() - at >= 2) StoreLe16(b.data() + at, v);
}
inline void WriteLe32(std::span<BYTE> b, size_t at, DWORD v) {
    if (at <= b.size() && b.size() - at >= 4) StoreLe32(b.data() + at, v);
}

}  // namespace orla
