// UTF-16 <-> UTF-8 for host programs and tests (printing names, reading command lines).
// Driver code converts through MultiByteToWideChar / WideCharToMultiByte instead.
#pragma once

#include <string>
#include <string_view>

namespace plat {
std::string Utf16ToUtf8(std::u16string_view text);  // lone surrogates become U+FFFD
std::u16string Utf8ToUtf16(std::string_view text);
}  // namespace plat
