// Text in the system code page (CP_ACP): the one conversion from UTF-16 that every module uses.
// Texts are cut only between whole characters, never inside a double-byte character or a
// surrogate pair. Header-only, so the monitor (which has no core library) takes it too.
#pragma once

#include <string>
#include <string_view>

#include "win/base.h"
#include "win/nls.h"

namespace orla {

// The bytes of the character at text[i] (one unit, or a surrogate pair) into out; *units gets the
// UTF-16 units it took. 0 bytes when the code page has no conversion for it.
inline int AnsiCharacter(std::u16string_view text, size_t i, char (&out)[8], size_t* units, UINT codePage = CP_ACP) {
    const bool pair = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size();
    *units = pair ? 2 : 1;
    const int n =
        WideCharToMultiByte(codePage, 0, &text[i], static_cast<int>(*units), out, sizeof out, nullptr, nullptr);
    return n > 0 ? n : 0;
}

// The text up to its first NUL, as many whole characters as fit in maxBytes (no terminator
// counted); characters the code page cannot convert are left out.
inline std::string AnsiText(std::u16string_view text, size_t maxBytes = std::string::npos, UINT codePage = CP_ACP) {
    std::string out;
    for (size_t i = 0, units = 1; i < text.size() && text[i] != 0; i += units) {
        char bytes[8];
        const int n = AnsiCharacter(text, i, bytes, &units, codePage);
        if (maxBytes != std::string::npos && out.size() + static_cast<size_t>(n) > maxBytes) break;
        out.append(bytes, static_cast<size_t>(n));
    }
    return out;
}

// Into a fixed field of `size` bytes: the text cut at a character's end to size - 1 bytes, then
// zeros to the field's end. The bytes of text written.
inline size_t CopyAnsiText(std::u16string_view text, char* field, size_t size, UINT codePage = CP_ACP) {
    if (size == 0) return 0;
    const std::string ansi = AnsiText(text, size - 1, codePage);
    for (size_t i = 0; i < size; ++i) field[i] = i < ansi.size() ? ansi[i] : 0;
    return ansi.size();
}

// UTF-16 text of a NUL-terminated pointer (null reads as empty).
inline std::u16string_view WideView(LPCWSTR text) {
    return text ? std::u16string_view(text) : std::u16string_view();
}

}  // namespace orla
