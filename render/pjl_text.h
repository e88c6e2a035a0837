// Text of PJL values and the job's identity: conversions into the system code page, the filters
// every value passes before it stands in a PJL line, and the job ID. No device context needed, so
// the trust-marking session and the log use them without the job header.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "win/base.h"

UINT ResolveCodePage(UINT codePage);
// UTF-16 to the code page, double-byte aware; stops at the first NUL of the input.
std::string WideToAnsi(std::u16string_view text, UINT codePage = 0);
// The first bytes of an ANSI text that fit maxBytes, never splitting a double-byte character.
std::string CutAnsi(std::string_view text, size_t maxBytes);
// A value fit to stand in a PJL line: double quotes, CR, LF and every other control character
// are dropped (outside data must never end a line or a quoted value early).
std::string SanitizePjlValue(std::string_view ansi);
// UTF-16 text read from a field of at most maxChars units (bounded even without terminator).
std::u16string_view BoundedText(const WCHAR* text, size_t maxChars);
std::string ConvertDisplayText(std::u16string_view text);

struct ByteRange {
    BYTE first;
    BYTE last;
};
struct WordRange {
    WORD first;
    WORD last;
};
inline constexpr DWORD kCheckAcceptEmpty = 1;
BOOL CheckPjlText(std::u16string_view text, std::span<const ByteRange> singleRanges,
                  std::span<const WordRange> doubleRanges, std::span<const BYTE> refusedSingle,
                  std::span<const WORD> refusedDouble, DWORD flags);
// The DNAME / JOBNAME rule: printable ASCII and half-width kana only.
BOOL IsPlainPjlName(std::u16string_view text);

// ---- Job identity ----
WORD Crc16OfString(std::string_view bytes);
std::string FormatHexPadded(ULONG value, int digits);
std::string FormatBytesHex(std::string_view bytes, size_t count);
std::string BuildJobId(std::string_view name, DWORD tick);
// The logon name (at most 32 characters) or "UnknownUser", into a buffer of 64 bytes.
void GetJobUserName(char out[64]);
