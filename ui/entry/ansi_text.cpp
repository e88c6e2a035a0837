#include "ui/entry/ansi_text.h"

#include <cstring>

#include "core/ansi_text.h"
#include "win/nls.h"

namespace orla {

int WholeCharacterBytes(const char* text, int length, int limit) {
    int i = 0;
    while (i < length) {
        int step = (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < length) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

int ToAnsi(LPCWSTR wide, int maxChars, char* out, int outBytes) {
    std::memset(out, 0, outBytes);
    if (!wide) return 0;
    int chars = 0;
    while (chars < maxChars && wide[chars]) ++chars;
    // A text whose conversion does not fit gives nothing rather than a cut one.
    const std::string ansi = AnsiText(std::u16string_view(wide, static_cast<size_t>(chars)));
    if (ansi.empty() || ansi.size() > static_cast<size_t>(outBytes - 1)) return 0;
    std::memcpy(out, ansi.data(), ansi.size());
    return static_cast<int>(ansi.size());
}

int ToAnsiCut(LPCWSTR wide, char* out, int outBytes) {
    if (outBytes <= 0) return 0;
    std::memset(out, 0, outBytes);
    if (!wide || !wide[0]) return 0;
    return static_cast<int>(CopyAnsiText(wide, out, static_cast<size_t>(outBytes)));
}

}  // namespace orla
