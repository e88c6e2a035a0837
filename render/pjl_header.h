// The bytes that frame every job: the PJL job header, the switch into ORLA, the page set-up
// before each page whose paper, tray, duplex or overlay changed, the FS Z / FS Y mode switches
// and the job trailer. Everything goes through WriteCommandFormatted and WriteSpool.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "render/page_settings.h"
#include "win/base.h"

struct PrinterPdev;

// ---- Formatted writer ----
// One argument of WriteCommandFormatted: a number or a NUL-terminated string. A directive given
// the wrong kind of argument (or none) writes nothing, so a bad call can never read wild memory.
struct PjlArg {
    bool isString;
    LONGLONG number;
    const char* text;
    PjlArg(const char* s) : isString(true), number(0), text(s) {}
    PjlArg(const std::string& s) : isString(true), number(0), text(s.c_str()) {}
    template <class T, class = std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>>>
    PjlArg(T v) : isString(false), number(static_cast<LONGLONG>(v)), text(nullptr) {}
};

// Directives: %b "true"/"false", %c one character, %d signed 32-bit, %l signed long, %u unsigned
// 32-bit, %s string; '%' before any other character writes that character. Returns the bytes
// written, or minus the bytes already written when a write fails.
LONG WriteCommandFormattedV(PrinterPdev* pdev, const char* format, std::span<const PjlArg> args);
inline LONG WriteCommandFormatted(PrinterPdev* pdev, const char* format, std::initializer_list<PjlArg> args = {}) {
    return WriteCommandFormattedV(pdev, format, std::span<const PjlArg>(args.begin(), args.size()));
}

// ---- Text of PJL values (render/pjl_text.cpp) ----
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
void BuildComputerJobId(PrinterPdev* pdev, char* out, const char* name);
// The logon name (at most 32 characters) or "UnknownUser", into a buffer of 64 bytes.
void GetJobUserName(PrinterPdev* pdev, char out[64]);

// ---- Job header, page set-up, trailer ----
BOOL WritePjlJobHeader(PrinterPdev* pdev);
BOOL WritePjlJobAttributes(PrinterPdev* pdev);
BOOL WritePageStart(PrinterPdev* pdev);
BOOL WriteExtraSheetSetup(PrinterPdev* pdev, LONG tray);
BOOL WritePaperSourceCommands(PrinterPdev* pdev, LONG orientationValue, LONG tray);
BOOL WriteDuplexCommands(PrinterPdev* pdev);
BOOL WriteSlipSheetFeeder(PrinterPdev* pdev, const void* deviceData, LONG tray);
BOOL WriteOverlayCommands(PrinterPdev* pdev);
BOOL EnterModeZ(PrinterPdev* pdev);
BOOL EnterModeY(PrinterPdev* pdev);
BOOL WritePjlJobEnd(PrinterPdev* pdev);

// Fills a page set-up record from the device context's settings (for PageSetupChanged).
void FillPageSetupRecord(PrinterPdev* pdev, PageSetupRecord* setup);
// Marks both page set-up records unknown, so the next page writes a full set-up.
void ResetPageSetupCache(PageSetupCache* cache);
