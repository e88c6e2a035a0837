// Paper names the page rules test by name, compared exactly.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

#include "core/build_variant.h"
#include "core/settings_resolver.h"

namespace orla {

// The standard papers.
inline constexpr std::array<std::u16string_view, 6> kStandardPapers = {u"A3",       u"A4",       u"A5",
                                                                       u"B4 (JIS)", u"B5 (JIS)", u"Letter"};
// Postcards and the envelope.
inline constexpr std::array<std::u16string_view, 3> kCardPapers = {kFormPostcard, kFormDoublePostcard,
                                                                   kFormEnvelopeYou4};

template <size_t N>
constexpr bool IsOneOf(const std::array<std::u16string_view, N>& names, std::u16string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}
// Papers printed on another size ("A4->A3": printed from A4 onto A3).
inline bool IsSizeMappingName(std::u16string_view name) {
    return IsConversionFormName(name);
}
// Transverse, small and rotated papers, taken only from description "*Version" 4 on.
inline bool IsVersion4PaperName(std::u16string_view name) {
    return IsVersion4FormName(name);
}

}  // namespace orla
