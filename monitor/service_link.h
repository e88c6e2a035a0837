// The link to the job-processing service QzPJMService: may a job print, and telling it that
// a job ended.
#pragma once

#include "monitor/port_record.h"

constexpr UINT kQzMsgRestart = 0x8004;
constexpr UINT kQzMsgEndDoc = 0x8002;
// The service's shared table: DWORD in use, DWORD count, then count entries of 8 bytes that
// begin with a spooler job id.
constexpr DWORD kQzTableHeader = 8;
constexpr DWORD kQzTableEntry = 8;
constexpr DWORD kQzTableMaxEntries = 65536;
// Bounded waits: the table's mutex, and the service's answer about a job it had not seen.
// Both run while StartDocPort holds the port, so neither may be endless.
constexpr DWORD kQzTableMutexWait = 30000;
constexpr DWORD kQzAnswerWait = 600000;

BOOL IsJobServiceInstalled(PortRecord* port);
BOOL JobServiceStartDoc(HANDLE printer, DWORD jobId, LPCWSTR portName);
void JobServiceEndDoc(LPCWSTR portName, DWORD jobId);
BOOL PostToJobService(UINT message, WPARAM wParam, LPARAM lParam);
// Whether the job id is in the service's table; reads only inside the mapping.
BOOL JobInServiceTable(const BYTE* view, DWORD viewSize, DWORD jobId);
