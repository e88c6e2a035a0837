// The run writers' pitch analysis: a run is evenly pitched when each character's deviation from
// its advance stays within 16 sixteenths of a pixel of the first deviation of its class.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "render/device_fonts.h"
#include "text_page_fixture.h"

namespace render_test {
namespace {

class PitchAnalysis : public TextPageTest {
protected:
    // The pitch analysis of glyphs at these x positions on one line.
    std::optional<TextRunContext> Analyse(FONTOBJ* font, ULONG face, const std::vector<HGLYPH>& hg,
                                          const std::vector<LONG>& xs) {
        std::vector<POINTL> pos;
        for (LONG x : xs) pos.push_back(POINTL{x, 400});
        STROBJ* s = StringAt(hg, pos, nullptr, SO_HORIZONTAL);
        TextRunContext ctx{s->flAccel, face, FALSE, TRUE, FALSE, 0, 0, 0, 0};
        if (!AnalysePitch(pdev(), font, s, &ctx)) return std::nullopt;
        return ctx;
    }
    // The advance of a code in 28.4 through the font's transform.
    LONG Advance(FONTOBJ* font, ULONG face, BYTE code) {
        POINTL v{RecordWidthOfCode(DeviceFontRecordOf(pdev(), face), code), 0}, out{};
        EXPECT_TRUE(XFORMOBJ_bApplyXform(FONTOBJ_pxoGetXform(font), XF_LTOFX, 1, &v, &out));
        return out.x;
    }
};

TEST_F(PitchAnalysis, CourierAtItsOwnAdvancesIsEvenWithNoExtras) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    // A 100-pixel em: Courier's advance of 600 thousandths is 60 whole pixels.
    FONTOBJ* courier = DeviceFont(2, 100, 100);
    struct Case {
        std::vector<LONG> xs;
        bool even;
        LONG otherExtraX;
    } cases[] = {
        {{0, 60}, true, 0},
        {{0, 60, 120, 180}, true, 0},
        {{0, 61, 122}, true, 16 * 2 * 1152 / (600 * 2)},  // one pixel more each time: same deviation
        {{0, 60, 121}, true, 16 * 1152 / (600 * 2)},      // deviations 0 and 16: within
        {{0, 60, 122}, false, 0},                         // deviations 0 and 32
    };
    for (const Case& c : cases) {
        std::vector<HGLYPH> hg(c.xs.size(), 'M');
        const auto r = Analyse(courier, 2, hg, c.xs);
        EXPECT_EQ(r.has_value(), c.even) << c.xs.size() << " " << c.xs.back();
        if (r) {
            EXPECT_EQ(r->otherExtraX, c.otherExtraX) << c.xs.back();
            EXPECT_EQ(r->spaceExtraX, 0);
        }
    }
    EXPECT_FALSE(Analyse(courier, 2, {'M'}, {0})) << "one glyph is no run";
}

TEST_F(PitchAnalysis, SixteenSixteenthsIsTheLimit) {
    if (!Japanese()) GTEST_SKIP() << "no device fonts in the English build";
    // Helv: two letters of different widths, the second placed so that its deviation differs
    // from the first letter's by exactly 16 and by exactly 17 sixteenths.
    bool saw16 = false, saw17 = false;
    for (int em = 90; em < 130 && !(saw16 && saw17); ++em) {
        FONTOBJ* helv = DeviceFont(6, em, em);
        const LONG advA = Advance(helv, 6, 'A');
        const LONG dxA = (advA + 8) / 16;
        const LONG devA = std::abs(advA - 16 * dxA);
        for (BYTE c = 'a'; c <= 'z'; ++c) {
            const LONG adv = Advance(helv, 6, c);
            for (LONG dx = adv / 16 - 3; dx <= adv / 16 + 3; ++dx) {
                const LONG diff = std::abs(std::abs(adv - 16 * dx) - devA);
                if (diff != 16 && diff != 17) continue;
                const auto r = Analyse(helv, 6, {'A', c, 'A'}, {0, dxA, dxA + dx});
                EXPECT_EQ(r.has_value(), diff == 16) << "deviations differ by " << diff;
                (diff == 16 ? saw16 : saw17) = true;
            }
        }
    }
    EXPECT_TRUE(saw16 && saw17) << "both sides of the limit were tried";
}
}  // namespace
}  // namespace render_test
