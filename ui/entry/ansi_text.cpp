#include "ui/entry/ansi_text.h"

#include <cstring>
#include <vector>

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
    if (chars == 0) return 0;
    int n = WideCharToMultiByte(CP_ACP, 0, wide, chars, out, outBytes - 1, nullptr, nullptr);
    return n > 0 ? n : 0;
}

int ToAnsiCut(LPCWSTR wide, char* out, int outBytes) {
    if (outBytes <= 0) return 0;
    std::memset(out, 0, outBytes);
    if (!wide || !wide[0]) return 0;
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 1) return 0;
    std::vector<char> whole(static_cast<size_t>(needed));
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, whole.data(), needed, nullptr, nullptr) <= 0) return 0;
    const int take = WholeCharacterBytes(whole.data(), needed - 1, outBytes - 1);
    std::memcpy(out, whole.data(), static_cast<size_t>(take));
    return take;
}

}  // namespace orla
