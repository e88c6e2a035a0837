// The layout-detail dialog's units: what a typed text reads as, how values are shown, and the
// conversions between tenths of a millimetre and hundredths of an inch.
#include <gtest/gtest.h>

#include <string>

#include "ui/pages/layout_units.h"

namespace {

using namespace orla;

struct ParseCase {
    const char16_t* text;
    int decimals;
    LONG value;
    size_t kept;
};

// Positions in millimetres take one decimal, in inches two, the zoom none.
// clang-format off
const ParseCase kParseCases[] = {
    {u"-12.5", 1, -125, 5},  // a negative position
    {u"12.34", 1, 123, 4},   // cut after its first decimal
    {u"12", 1, 120, 2},      // missing decimals count as zeros
    {u"12.", 1, 120, 3},
    {u"1.2.3", 1, 12, 3},    // the second point does not fit
    {u"7x5", 1, 70, 1},
    {u"abc", 1, 0, 0},
    {u"", 1, 0, 0},
    {u"-", 1, 0, 1},
    {u"1.00", 2, 100, 4},    // inches: hundredths
    {u"1.5", 2, 150, 3},
    {u"-0.05", 2, -5, 5},
    {u"0.394", 2, 39, 4},
    {u"150", 0, 150, 3},     // the zoom: digits only
    {u"12a", 0, 12, 2},
    {u"-5", 0, 0, 0},
    {u"1.5", 0, 1, 1},
};
// clang-format on

TEST(LayoutUnits, TypedTextReadsAsTheUnitSays) {
    for (const ParseCase& c : kParseCases) {
        const ParsedFixedPoint parsed = ParseFixedPoint(c.text, c.decimals);
        const std::u16string text = c.text;
        EXPECT_EQ(parsed.value, c.value) << std::string(text.begin(), text.end()) << " decimals " << c.decimals;
        EXPECT_EQ(parsed.keptLength, c.kept) << std::string(text.begin(), text.end());
    }
}

// A text of 64 digits (the most an edit is read with) saturates rather than overflowing, and the
// unit's range then limits it.
TEST(LayoutUnits, LongDigitRunsSaturateAndAreLimited) {
    const std::u16string digits(64, u'9');
    const ParsedFixedPoint parsed = ParseFixedPoint(digits, 1);
    EXPECT_GT(parsed.value, 32767);
    EXPECT_EQ(parsed.keptLength, 64u);
    EXPECT_EQ(LimitToRange(parsed.value, UnitRuleOf(LayoutUnit::kMillimetres).range), 32767);
    EXPECT_EQ(LimitToRange(-ParseFixedPoint(digits, 2).value, UnitRuleOf(LayoutUnit::kInches).range), -12900);
}

TEST(LayoutUnits, UnitRulesGiveDecimalsAndRanges) {
    const LayoutUnitRule mm = UnitRuleOf(LayoutUnit::kMillimetres), inch = UnitRuleOf(LayoutUnit::kInches);
    EXPECT_EQ(mm.decimals, 1);
    EXPECT_EQ(mm.scale, 10);
    EXPECT_EQ(mm.range, 32767);
    EXPECT_EQ(inch.decimals, 2);
    EXPECT_EQ(inch.scale, 100);
    EXPECT_EQ(inch.range, 12900);
}

struct FormatCase {
    LONG value;
    int scale;
    const char16_t* text;
};
const FormatCase kFormatCases[] = {
    {-125, 10, u"-12.5"}, {-5, 10, u"-0.5"},       {0, 10, u"0.0"},     {123, 10, u"12.3"}, {39, 100, u"0.39"},
    {5, 100, u"0.05"},    {-1205, 100, u"-12.05"}, {100, 100, u"1.00"}, {150, 1, u"150"},   {-7, 1, u"-7"},
};

TEST(LayoutUnits, ValuesAreShownWithTheirDecimals) {
    for (const FormatCase& c : kFormatCases)
        EXPECT_EQ(FormatFixedPoint(c.value, c.scale), std::u16string(c.text)) << c.value << " scale " << c.scale;
}

struct ConvertCase {
    LONG stored;  // 0.1 mm
    LONG shown;   // hundredths of an inch
};

TEST(LayoutUnits, InchesConvertRoundingHalfAwayFromZero) {
    // Typing 1.00 stores 25.4 mm; a stored 10.0 mm shows as 0.39.
    EXPECT_EQ(ShownToStored(100, LayoutUnit::kInches), 254);
    EXPECT_EQ(StoredToShown(100, LayoutUnit::kInches), 39);
    EXPECT_EQ(FormatFixedPoint(StoredToShown(100, LayoutUnit::kInches), 100), u"0.39");
    // 0.25 inch is 63.5 tenths: half away from zero either way.
    EXPECT_EQ(ShownToStored(25, LayoutUnit::kInches), 64);
    EXPECT_EQ(ShownToStored(-25, LayoutUnit::kInches), -64);
    const ConvertCase storedToShown[] = {{-125, -49}, {2970, 1169}, {50, 20}, {0, 0}, {-32767, -12900}};
    for (const ConvertCase& c : storedToShown) EXPECT_EQ(StoredToShown(c.stored, LayoutUnit::kInches), c.shown);
    // Millimetres are shown as stored.
    EXPECT_EQ(StoredToShown(-125, LayoutUnit::kMillimetres), -125);
    EXPECT_EQ(ShownToStored(-125, LayoutUnit::kMillimetres), -125);
}

TEST(LayoutUnits, TruncatingConversionsCutTowardZero) {
    EXPECT_EQ(ShownToStoredTruncated(20, LayoutUnit::kInches), 50);    // 50.8
    EXPECT_EQ(ShownToStoredTruncated(-20, LayoutUnit::kInches), -50);  // -50.8
    EXPECT_EQ(ShownToStoredTruncated(33, LayoutUnit::kMillimetres), 33);
    // The caption's sheet sizes: A4 is 8.26 x 11.69 inch, Letter exactly 8.50 x 11.00.
    EXPECT_EQ(TenthsMmToHundredthsInchTruncated(2100), 826);
    EXPECT_EQ(TenthsMmToHundredthsInchTruncated(2970), 1169);
    EXPECT_EQ(TenthsMmToHundredthsInchTruncated(2159), 850);
    EXPECT_EQ(TenthsMmToHundredthsInchTruncated(2794), 1100);
}

TEST(LayoutUnits, RoundDivGuardsAZeroDivisor) {
    EXPECT_EQ(RoundDiv(7, 0), 0);
    EXPECT_EQ(RoundDiv(7, 2), 4);
    EXPECT_EQ(RoundDiv(-7, 2), -4);
    EXPECT_EQ(RoundDiv(7, -2), -4);
    EXPECT_EQ(RoundDiv(6, 4), 2);
    EXPECT_EQ(RoundDiv(5, 4), 1);
}

}  // namespace
