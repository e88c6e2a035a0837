// Units of the layout-detail dialog: positions are stored in 0.1 mm and shown either in 0.1 mm
// (one decimal) or in hundredths of an inch (two decimals). Conversions round half away from zero.
#pragma once

#include <string>
#include <string_view>

#include "win/base.h"

namespace orla {

enum class LayoutUnit { kMillimetres, kInches };

// Decimals shown, the scale of a shown value and the largest magnitude an edit takes.
struct LayoutUnitRule {
    int decimals;
    int scale;
    LONG range;
};
LayoutUnitRule UnitRuleOf(LayoutUnit unit);

// A stored 0.1 mm value as the unit shows it, and a shown value back into 0.1 mm.
LONG StoredToShown(LONG stored, LayoutUnit unit);
LONG ShownToStored(LONG shown, LayoutUnit unit);
// The same back into 0.1 mm, truncated toward zero (centring rounds this way).
LONG ShownToStoredTruncated(LONG shown, LayoutUnit unit);
// 0.1 mm in hundredths of an inch, truncated (the caption's sheet size).
LONG TenthsMmToHundredthsInchTruncated(LONG tenthsMm);

// num / den rounded half away from zero; 0 for den 0.
LONG RoundDiv(long long num, long long den);

// "%s%d" (scale 1), "%s%d.%d" (10) or "%s%d.%02d" (100): the sign "-" or nothing, then the
// magnitude's digits.
std::u16string FormatFixedPoint(LONG value, int scale);

// An edit's text read as a number of the unit: an optional "-", digits, "." and at most
// `decimals` decimals (decimals 0: digits only). The first character that does not fit cuts the
// text there; missing decimals count as zeros. The magnitude saturates far above every range, so
// a long text cannot overflow.
struct ParsedFixedPoint {
    LONG value;
    size_t keptLength;  // characters of the text that fit
};
ParsedFixedPoint ParseFixedPoint(std::u16string_view text, int decimals);

// The value limited to -range..range.
LONG LimitToRange(LONG value, LONG range);

}  // namespace orla
