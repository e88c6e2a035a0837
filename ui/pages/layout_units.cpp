// Exact integer conversions: an inch is 254 tenths of a millimetre, so neither direction needs a
// floating-point factor (whose last digit would turn 1 inch into 0.99).
#include "ui/pages/layout_units.h"

#include <algorithm>
#include <string>

namespace orla {

namespace {

constexpr LayoutUnitRule kMillimetreRule = {1, 10, 32767};
constexpr LayoutUnitRule kInchRule = {2, 100, 12900};
constexpr long long kTenthsMmPerInch = 254;
constexpr long long kHundredths = 100;
// Far above every unit's range, far below LONG's limit.
constexpr long long kParseCeiling = 100000000;

std::u16string Digits(long long magnitude) {
    const std::string digits = std::to_string(magnitude);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

LayoutUnitRule UnitRuleOf(LayoutUnit unit) {
    return unit == LayoutUnit::kInches ? kInchRule : kMillimetreRule;
}

LONG RoundDiv(long long num, long long den) {
    if (den == 0) return 0;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const long long half = den / 2;
    return static_cast<LONG>(num >= 0 ? (num + half) / den : -((-num + half) / den));
}

LONG StoredToShown(LONG stored, LayoutUnit unit) {
    if (unit == LayoutUnit::kMillimetres) return stored;
    return RoundDiv(static_cast<long long>(stored) * kHundredths, kTenthsMmPerInch);
}

LONG ShownToStored(LONG shown, LayoutUnit unit) {
    if (unit == LayoutUnit::kMillimetres) return shown;
    return RoundDiv(static_cast<long long>(shown) * kTenthsMmPerInch, kHundredths);
}

LONG ShownToStoredTruncated(LONG shown, LayoutUnit unit) {
    if (unit == LayoutUnit::kMillimetres) return shown;
    return static_cast<LONG>(static_cast<long long>(shown) * kTenthsMmPerInch / kHundredths);
}

LONG TenthsMmToHundredthsInchTruncated(LONG tenthsMm) {
    return static_cast<LONG>(static_cast<long long>(tenthsMm) * kHundredths / kTenthsMmPerInch);
}

std::u16string FormatFixedPoint(LONG value, int scale) {
    const long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
    std::u16string text = value < 0 ? u"-" : u"";
    if (scale <= 1) return text + Digits(magnitude);
    text += Digits(magnitude / scale);
    text += u'.';
    std::u16string decimals = Digits(magnitude % scale);
    if (scale >= 100 && decimals.size() < 2) decimals.insert(0, 1, u'0');
    return text + decimals;
}

ParsedFixedPoint ParseFixedPoint(std::u16string_view text, int decimals) {
    size_t i = 0;
    const bool negative = decimals > 0 && !text.empty() && text[0] == u'-';
    if (negative) ++i;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        magnitude = std::min(magnitude * 10 + (text[i] - u'0'), kParseCeiling);
    int taken = 0;
    if (decimals > 0 && i < text.size() && text[i] == u'.') {
        ++i;
        for (; taken < decimals && i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++taken)
            magnitude = std::min(magnitude * 10 + (text[i] - u'0'), kParseCeiling);
    }
    for (; taken < decimals; ++taken) magnitude = std::min(magnitude * 10, kParseCeiling);
    return {static_cast<LONG>(negative ? -magnitude : magnitude), i};
}

LONG LimitToRange(LONG value, LONG range) {
    return std::clamp(value, -range, range);
}

}  // namespace orla
