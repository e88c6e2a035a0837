// Status variables as a reader shows them: a value of the status manager turned into a line of
// text (job numbers and pages, status bits by name), shared by monitor_run and its reader mode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The variables the scenes follow, ';'-separated as the status manager's registrations take them.
extern const char kFollowedVariables[];
constexpr unsigned kFollowedCount = 9;

// The same names one by one.
std::vector<std::string> FollowedNames();
// The little-endian DWORD of a value at a byte offset (0 past its end).
uint32_t ValueDword(const std::string& value, size_t at = 0);
// The spooler port status a "PrinterStatus" value stands for: the first row of the monitor's
// status map that it meets, as the monitor chooses it (0 none).
uint32_t PortStatusOf(const std::string& value);
constexpr uint32_t kPortStatusPaperOut = 3;
// One value of `name` as readable text.
std::string VariableText(const std::string& name, const std::string& value);
