// The texts of a stamp record in its in-memory form (UTF-16 in the stored form's byte ranges),
// read and written whole, always terminated within the field.
#pragma once

#include <string>
#include <string_view>

#include "core/little_endian.h"
#include "core/stamp_record.h"

namespace orla {

inline std::u16string StampWideText(const BYTE* stamp, StampTextField f) {
    std::u16string text;
    for (size_t at = 0; at + 1 < f.bytes; at += 2) {
        const auto c = static_cast<char16_t>(LoadLe16(stamp + f.offset + at));
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

// Cut to the field's characters less the terminator.
inline void SetStampWideText(BYTE* stamp, StampTextField f, std::u16string_view text) {
    const size_t room = f.bytes / 2 - 1;
    for (size_t at = 0; at < f.bytes; ++at) stamp[f.offset + at] = 0;
    for (size_t i = 0; i < text.size() && i < room; ++i) StoreLe16(stamp + f.offset + 2 * i, text[i]);
}

}  // namespace orla
