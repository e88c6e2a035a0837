// The port's job records: one per job sent through it, in order, named as the printer reports
// the job, until its end is reported; and the last-page-ejected signal to the spooler.
#pragma once

#include "monitor/manager_client.h"

constexpr size_t kJobNameSize = 80;
struct JobRecord {
    DWORD jobId;
    char firstName[kJobNameSize];
    BYTE firstNameFlag;
    char savedFirstName[kJobNameSize];
    BYTE savedFirstNameFlag;
    char secondName[82];
    ManagerClient* client;
    DWORD flags;  // bit 0 reported, bit 3 finished in the printer's table, bit 4 last page signalled
    DWORD snmpPages;
    JobRecord* next;
};
constexpr DWORD kJobReported = 0x1;
constexpr DWORD kJobEjectSignalled = 0x10;

// Tells the spooler that the job's last page is out, once per record.
BOOL SetJobControl(HANDLE printer, DWORD jobId, JobRecord* job);
JobRecord* AddJobRecord(DWORD jobId, PortRecord* port);
// Unlinks and frees the first record, telling the spooler its last page is out when asked.
BOOL PopJobRecord(PortRecord* port, BOOL signal = TRUE);
void DropAllJobRecords(PortRecord* port, BOOL signal);
// Drops every record of the job id without signalling (a USB printer may report one job twice).
DWORD DropJobRecordsById(DWORD jobId, PortRecord* port);
DWORD CountJobRecords(const PortRecord* port);
BOOL SetJobRecordName(const char* text, DWORD which, PortRecord* port);
// The same over the first n characters (printers report job names cut to 24).
JobRecord* FindJobRecordByNamePrefix(const char* text, size_t n, DWORD which, PortRecord* port);
JobRecord* FindJobRecordById(DWORD jobId, PortRecord* port);
