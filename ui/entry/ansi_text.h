// Texts in the system code page: whole double-byte characters within a byte limit.
#pragma once

#include "win/base.h"

namespace orla {

// Bytes of whole characters of a system-code-page text within limit bytes: a double-byte
// character that would be cut at the limit is left out.
int WholeCharacterBytes(const char* text, int length, int limit);
// Wide -> system code page, at most maxChars characters, into out (zero-filled); the bytes.
// A text whose conversion does not fit gives 0 bytes.
int ToAnsi(LPCWSTR wide, int maxChars, char* out, int outBytes);
// Wide -> system code page into out (zero-filled, NUL-terminated): as many whole characters as
// fit in outBytes - 1 bytes, so a long text keeps its beginning. The bytes.
int ToAnsiCut(LPCWSTR wide, char* out, int outBytes);

}  // namespace orla
