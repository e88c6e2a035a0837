// Leaf tables and arithmetic of the text writers (see text_tables.h).
#include "render/text_tables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "render/bearing_table.h"
#include "render/glyph_names.h"
#include "win/ddi.h"

namespace {

// sin(d) x 10000 for d = 0..90; the other quadrants by symmetry.
const std::array<LONG, 91>& QuarterSines() {
    static const std::array<LONG, 91> table = [] {
        std::array<LONG, 91> t{};
        for (int d = 0; d <= 90; ++d) t[d] = std::lround(std::sin(d * 3.14159265358979323846 / 180) * 10000);
        return t;
    }();
    return table;
}

}  // namespace

LONG SineOf(LONG degrees) {
    LONG a = degrees % 360;
    if (a < 0) a += 360;
    const auto& q = QuarterSines();
    if (a <= 90) return q[a];
    if (a <= 180) return q[180 - a];
    if (a <= 270) return -q[a - 180];
    return -q[360 - a];
}

LONG CosineOf(LONG degrees) {
    return SineOf(degrees + 90);
}

LONG AngleOfSine(LONG value) {
    const LONG target = std::labs(value);
    LONG steps = 0;
    while (steps < 180 && SineOf(steps) < target) ++steps;
    return value < 0 ? (360 - steps) % 360 : steps;
}

ULONG IntegerSquareRoot(unsigned long long n) {
    if (n == 0) return 0;
    unsigned long long x = 1;
    for (int guard = 0; guard < 200; ++guard) {
        const unsigned long long next = (x + n / x) / 2;
        if (next == x || next == n / x) return static_cast<ULONG>(next);
        x = next;
    }
    return static_cast<ULONG>(x);
}

LONG BearingClass(WCHAR c) {
    return c >= 0x20 && c <= 0x7F ? kBearingClasses[c - 0x20] : 0;
}

WORD FontCodeOfSelection(const char* s) {
    auto digit = [](char c) -> WORD {
        if (c >= '0' && c <= '9') return static_cast<WORD>(c - '0');
        if (c >= 'A' && c <= 'F') return static_cast<WORD>(c - 'A' + 10);
        return 0;
    };
    return static_cast<WORD>(digit(s[5]) * 4096 + digit(s[6]) * 256 + digit(s[7]) * 16);
}

WCHAR UnicodeOfCodeByte(BYTE code) {
    for (const GlyphNameEntry& e : kGlyphNames) {
        if (e.name == nullptr || e.name[0] == 0) break;
        if ((e.code & 0xFF) == code) return e.unicode;
    }
    return 0;
}

WORD SbcsCodeOfUnicode(WCHAR c) {
    for (const GlyphNameEntry& e : kGlyphNames) {
        if (e.name == nullptr || e.name[0] == 0 || e.code > 126) break;
        if (e.unicode == c) return e.code;
    }
    return 0;
}

WORD LatinDeviceCode(BYTE b) {
    if (b == 0x7F) return 0xA5;
    if (b == 0xA5) return 0x5C;
    if (b >= 0x20 && b <= 0x7E) return b;
    return 0xFFA5;
}

namespace {

struct TrailRange {
    BYTE lead;
    BYTE first, last;
    bool modeZeroOnly;
};

// Trail ranges the printer's Kanji fonts lack, per lead byte.
constexpr TrailRange kNotHeld[] = {
    {0xEB, 0x9F, 0xFC, false}, {0xEC, 0x40, 0x7E, false}, {0xEC, 0x80, 0xBD, false}, {0xED, 0x40, 0x7E, false},
    {0xED, 0x80, 0xFC, false}, {0xFA, 0x40, 0x7E, false}, {0xFA, 0x80, 0xFC, false}, {0xFB, 0x40, 0x7E, false},
    {0xFB, 0x80, 0xFC, false}, {0xEE, 0x40, 0x7E, false}, {0xEE, 0x80, 0xEC, false}, {0xEE, 0xEF, 0xFC, false},
    {0xFC, 0x40, 0x4B, false}, {0x81, 0xB8, 0xBF, true},  {0x81, 0xC8, 0xCE, true},  {0x81, 0xDA, 0xE8, true},
    {0x81, 0xF0, 0xF7, true},  {0x81, 0xFC, 0xFC, true},  {0x84, 0x9F, 0xBE, true},  {0x87, 0x90, 0x92, true},
    {0x87, 0x95, 0x97, true},  {0x87, 0x9A, 0x9C, true},  {0xEA, 0x9F, 0xA4, true},
};

// Punctuation of lead 0x81 that has no vertical form in the printer's fonts.
constexpr TrailRange kVerticalRefused[] = {
    {0x81, 0x4A, 0x4B, false}, {0x81, 0x50, 0x51, false}, {0x81, 0x65, 0x68, false},
    {0x81, 0x81, 0x81, false}, {0x81, 0x8B, 0x8D, false}, {0x81, 0xA8, 0xAB, false},
};

bool InRanges(const TrailRange* begin, const TrailRange* end, BYTE lead, BYTE trail, bool modeZero) {
    for (const TrailRange* r = begin; r != end; ++r)
        if (r->lead == lead && trail >= r->first && trail <= r->last && (modeZero || !r->modeZeroOnly)) return true;
    return false;
}

}  // namespace

bool ShiftJisNotHeld(WORD code, BYTE textMode) {
    return InRanges(std::begin(kNotHeld), std::end(kNotHeld), static_cast<BYTE>(code >> 8), static_cast<BYTE>(code),
                    textMode == 0);
}

bool ShiftJisRefused(WORD code, bool vertical) {
    const BYTE lead = static_cast<BYTE>(code >> 8), trail = static_cast<BYTE>(code);
    const bool trailInRange = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
    if ((lead == 0xED || lead == 0xEE || (lead >= 0xF0 && lead <= 0xFC)) && trailInRange) return true;
    if (lead == 0x87 && (trail == 0x80 || trail == 0x81)) return true;
    return vertical && InRanges(std::begin(kVerticalRefused), std::end(kVerticalRefused), lead, trail, false);
}

LONG AngleOfTransform(const XFORML& m, LONG resolution, bool mapped) {
    const double scale = 1000.0 * 18432 / (resolution > 0 ? resolution : 600) * (mapped ? 0.2559896 : 1.0);
    auto term = [&](FLOATL v) {
        const double t = static_cast<double>(v) * scale;
        return std::isfinite(t) ? static_cast<long long>(std::clamp(t, -2e9, 2e9)) : 0LL;
    };
    const long long m11 = term(m.eM11), m12 = term(m.eM12), m21 = term(m.eM21), m22 = term(m.eM22);
    if (m12 == 0 && m21 == 0 && m11 > 0 && m22 > 0) return 0;
    if (m11 == 0 && m22 == 0) return m12 < 0 ? 90 : 270;
    const ULONG root = IntegerSquareRoot(static_cast<unsigned long long>(m11 * m11 + m12 * m12));
    if (root == 0) return 0;
    LONG angle = AngleOfSine(static_cast<LONG>(std::clamp<long long>(-m12 * 10000 / root, -10000, 10000)));
    if (m11 < 0) {
        if (angle == 0)
            angle = 180;
        else if (angle <= 180)
            angle = 180 - angle;
        else
            angle = 540 - angle;
    }
    return angle % 360;
}
