// The graphics DLL's diagnostic log. The DLL may run inside the spooler, where nobody can answer
// a message box, so faults are logged instead of shown. The last lines are kept in the process
// (tests and the print-path runner read them back).
#pragma once

#include <string>
#include <vector>

// One line, printf-style (no line end needed).
void DriverLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The lines logged so far (at most the newest kDriverLogLines), oldest first; and a reset.
inline constexpr unsigned kDriverLogLines = 128;
std::vector<std::string> DriverLogLines();
void DriverLogClear();
