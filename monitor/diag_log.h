// The diagnostic files the monitor keeps while the job-processing service runs in "Debug"
// mode: a daily CSV event log and a trace file.
#pragma once

#include "win/base.h"

constexpr DWORD kEventMessage = 1;
constexpr DWORD kEventWarning = 2;
constexpr DWORD kEventError = 3;
inline constexpr const char* kLogSource = "Halvoric 6100T LanguageMonitor";

// Reads the debug switch and the event-log folder; logs the start in debug mode.
void InitDiagnostics();
void EndDiagnostics();
BOOL DiagnosticsOn();
// Texts are UTF-8 here and written in the system code page.
void WriteEventLog(const char* text, const char* source, DWORD type);
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
BOOL AppendTextToFile(const char* text, const char* path);
// A value of the service's version key (ANSI); FALSE when a key or value is missing.
BOOL ReadJobServiceValue(const char* name, BYTE* buffer, DWORD* size, DWORD* type);
