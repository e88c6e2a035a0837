// The link to the job-processing service QzPJMService: may a job print, and telling it that
// a job ended.
#pragma once

#include "monitor/port_record.h"

constexpr UINT QZ_MSG_RESTART = 0x8004;
constexpr UINT QZ_MSG_END_DOC = 0x8002;
// The service's shared table: DWORD in use, DWORD count, then count entries of 8 bytes that
// begin with a spooler job id.
constexpr DWORD QZ_TABLE_HEADER = 8;
constexpr DWORD QZ_TABLE_ENTRY = 8;
constexpr DWORD QZ_TABLE_MAX_ENTRIES = 65536;
// Bounded waits: the table's mutex, and the service's answer about a job it had not seen.
// Both run while StartDocPort holds the port, so neither may be endless.
constexpr DWORD QZ_TABLE_MUTEX_WAIT = 30000;
constexpr DWORD QZ_ANSWER_WAIT = 600000;

BOOL IsJobServiceInstalled(PortRecord* port);
BOOL JobServiceStartDoc(HANDLE printer, DWORD jobId, LPCWSTR portName);
void JobServiceEndDoc(LPCWSTR portName, DWORD jobId);
BOOL PostToJobService(UINT message, WPARAM wParam, LPARAM lParam);
// Whether the job id is in the service's table; reads only inside the mapping.
BOOL JobInServiceTable(const BYTE* view, DWORD viewSize, DWORD jobId);
