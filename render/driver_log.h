// The graphics DLL's diagnostic log and its few message boxes. Faults are logged; the ones the
// user must hear of (a spool or store file that cannot be made or written, the trust-marking
// library's faults) are also shown in a message box. The last lines are kept in the process
// (tests and the print-path runner read them back).
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One line, printf-style (no line end needed).
void DriverLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A message box without owner and caption (MessageBoxW, MB_OK) with `text`, and the same text
// as a line of the log.
void ShowDriverMessage(std::u16string_view text);

// The lines logged so far (at most the newest kDriverLogLines), oldest first; and a reset.
inline constexpr unsigned kDriverLogLines = 128;
std::vector<std::string> DriverLogLines();
void DriverLogClear();
