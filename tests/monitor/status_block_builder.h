// Builds the 48-byte status block a printer sends, field by field, and its device-ID text.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "win/base.h"

inline std::string Base64(const BYTE* data, size_t size) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
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

struct Block {
    BYTE bytes[48] = {};
    void Set16(size_t at, uint32_t v) {
        bytes[at] = static_cast<BYTE>(v >> 8);
        bytes[at + 1] = static_cast<BYTE>(v);
    }
    void Set32(size_t at, uint32_t v) {
        Set16(at, v >> 16);
        Set16(at + 2, v & 0xFFFF);
    }
    void SetStatus(uint32_t code) { Set32(0, code); }
    // A ready printer: covers closed, toner 80 with supplies fine (state bits 2), two trays of A4.
    static Block Ready() {
        Block b;
        b.SetStatus(0x1100);
        b.bytes[9] = 4;
        b.Set16(10, 0x0021);
        b.Set16(18, (80u << 8) | 2);
        b.Set16(20, 90u << 8);
        b.bytes[22] = 70;
        b.Set16(24, 0x4000 | (1u << 7) | 2);
        b.Set16(26, 0x4000 | (1u << 7) | 2);
        b.Set16(34, 1u << 13);
        b.Set16(36, 0x0001);
        b.bytes[42] = 32;
        b.bytes[43] = 16;
        b.bytes[46] = 2;
        return b;
    }
    std::string Text() const { return Base64(bytes, sizeof bytes); }
};
