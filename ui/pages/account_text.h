// Account IDs and passwords are counted in bytes of the system code page, as the printer receives
// them, and taken only when they come back from it unchanged.
#pragma once

#include <string>

#include "core/ansi_text.h"
#include "win/nls.h"

namespace orla {

// The text's bytes in the system code page, every character counted.
inline int AnsiBytes(const std::u16string& text) {
    if (text.empty()) return 0;
    const int n =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    return n > 0 ? n : 0;
}

// The text after a trip through the system code page and back.
inline std::u16string ThroughCodePage(const std::u16string& text) {
    const std::string ansi = AnsiText(text);
    if (ansi.empty()) return {};
    std::u16string back(ansi.size() + 1, u'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), back.data(),
                                      static_cast<int>(back.size()));
    back.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return back;
}

// Whether the text comes back unchanged from the system code page: the printer gets no
// character it would have to guess.
inline bool SurvivesCodePage(const std::u16string& text) {
    return ThroughCodePage(text) == text;
}

}  // namespace orla
