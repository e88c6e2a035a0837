// The 48-byte status block a printer carries in its device ID (big-endian fields), and the
// Base64 text it travels as. The simulator answers with it; tests build their own from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace printersim {

inline std::string Base64(const uint8_t* data, size_t size) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < size; i += 3) {
        uint32_t v = static_cast<uint32_t>(data[i]) << 16;
        if (i + 1 < size) v |= static_cast<uint32_t>(data[i + 1]) << 8;
        if (i + 2 < size) v |= data[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < size ? kAlphabet[(v >> 6) & 63] : '=';
        out += i + 2 < size ? kAlphabet[v & 63] : '=';
    }
    return out;
}

struct StatusBlockImage {
    uint8_t bytes[48] = {};

    void Set16(size_t at, uint32_t v) {
        bytes[at] = static_cast<uint8_t>(v >> 8);
        bytes[at + 1] = static_cast<uint8_t>(v);
    }
    void Set32(size_t at, uint32_t v) {
        Set16(at, v >> 16);
        Set16(at + 2, v & 0xFFFF);
    }
    void SetStatus(uint32_t code) { Set32(0, code); }

    // A ready printer with 4 memory units: covers closed, toner 80 with supplies fine (state
    // bits 2), two trays of A4, feeding from tray 1, a duplex unit, an empty input buffer.
    static StatusBlockImage Ready() {
        StatusBlockImage b;
        b.SetStatus(0x1100);
        b.bytes[9] = 4;
        b.Set16(10, 0x0021);          // every cover closed
        b.Set16(18, (80u << 8) | 2);  // toner 80, supplies fine
        b.Set16(20, 90u << 8);        // first replaceable unit
        b.bytes[22] = 70;
        b.Set16(24, 0x4000 | (1u << 7) | 2);  // tray 2001 present, plain paper, A4
        b.Set16(26, 0x4000 | (1u << 7) | 2);  // tray 1 present
        b.Set16(34, 1u << 13);                // feeding from tray 1
        b.Set16(36, 0x0001);                  // duplex unit
        b.bytes[42] = 32;                     // input buffer: 32 KB blocks
        b.bytes[43] = 16;                     // all free
        return b;
    }
    std::string Text() const { return Base64(bytes, sizeof bytes); }
};

}  // namespace printersim
