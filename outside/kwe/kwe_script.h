// The stand-in's answers: a table of defaults that the script value "StandInScript" (REG_SZ,
// lines "Name=value") of the library's registry key overrides, read at each handle creation.
// A value of "fail" makes that entry point fail (its failure value), "missing" is not used here:
// a missing entry point is a library built without it.
#pragma once

#include <map>
#include <string>

namespace kwe {

inline constexpr char kLibraryKey[] = "SOFTWARE\\Tamsa Korvel\\Tessaline Basic";
inline constexpr char kScriptValue[] = "StandInScript";
// The stand-in keeps the last log record it took in the value "LastLogRecord" (REG_BINARY) of
// its key, for a reader of its log, and the settings its dialog was last handed in
// "LastDisplayUISettings" (REG_BINARY, exactly the size it was handed).
inline constexpr char16_t kLastLogRecordValue[] = u"LastLogRecord";
inline constexpr char16_t kLastDisplayUIValue[] = u"LastDisplayUISettings";

struct Script {
    std::map<std::string, std::string> values;
    // The answer for a name: its scripted text, or the default.
    std::string Text(const std::string& name, const std::string& fallback) const;
    long Number(const std::string& name, long fallback) const;
    bool Fails(const std::string& call) const;  // "<call>=fail"
};

// Reads the script from the registry (an absent value leaves the defaults).
Script ReadScript();
// Keeps a log record as the last one taken (an unwritable key loses it).
void KeepLogRecord(const unsigned char* record, unsigned long size);
// Keeps bytes in a binary value of the library's key (an unwritable key loses them).
void KeepRecord(const char16_t* value, const unsigned char* bytes, unsigned long size);
// A script from its text (lines "Name=value"; '#' starts a comment line).
Script ParseScript(const std::string& text);

}  // namespace kwe
