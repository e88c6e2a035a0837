// Status variables as a reader shows them: a value of the status manager turned into a line of
// text (job numbers and pages, status bits by name), shared by monitor_run and its reader mode.
#pragma once

#include <string>

// The variables the scenes follow, ';'-separated as the status manager's registrations take them.
extern const char kFollowedVariables[];
constexpr unsigned kFollowedCount = 9;

// One value of `name` as readable text.
std::string VariableText(const std::string& name, const std::string& value);
