// Paper names the page rules test by name, compared exactly.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

#include "core/build_variant.h"

namespace orla {

// Papers printed on another size, in the order the rules list them.
inline constexpr std::array<std::u16string_view, 14> kSizeMappingNames = {
    u"A3->A4", u"A3->B4", u"A4->A3", u"A4x2->A4", u"A4->B4",   u"A4->B5", u"B4->A3",
    u"B4->A4", u"B4->B5", u"B5->A4", u"B5->B4",   u"B5x2->B5", u"LP->A4", u"LP->B4",
};
inline constexpr std::array<std::u16string_view, 6> kStandardPapers = {u"A3",       u"A4",       u"A5",
                                                                       u"B4 (JIS)", u"B5 (JIS)", u"Letter"};
// Postcards and the envelope.
inline constexpr std::array<std::u16string_view, 3> kCardPapers = {kFormPostcard, kFormDoublePostcard,
                                                                   kFormEnvelopeYou4};
// Accepted only from description "*Version" 4 on.
inline constexpr std::array<std::u16string_view, 17> kRotatedPapers = {
    u"A3 Transverse",
    kFormA3Rotated,
    u"A4 Small",
    u"A4 Transverse",
    kFormA4Rotated,
    u"A5 Transverse",
    kFormA5Rotated,
    kFormB4Rotated,
    u"B5 (JIS) Transverse",
    kFormB5Rotated,
    u"Letter Small",
    u"Letter Transverse",
    u"Note",
    kFormLetterRotated,
    kFormPostcardRotated,
    kFormDoublePostcardRotated,
    kFormEnvelopeYou4Rotated,
};

template <size_t N>
constexpr bool IsOneOf(const std::array<std::u16string_view, N>& names, std::u16string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}
inline bool IsSizeMappingName(std::u16string_view name) {
    return IsOneOf(kSizeMappingNames, name);
}

}  // namespace orla
