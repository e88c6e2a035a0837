// Status of printers on standard TCP/IP ports over SNMP: the port's host, the device-ID object
// for the status query, and the walk of the printer's job table into job progress.
#pragma once

#include "monitor/port_record.h"

// The maker's objects.
constexpr char kSnmpDeviceIdOid[] = "1.3.6.1.4.1.64611.8.64.4.2.1.7.2.28110202";
constexpr char kSnmpJobNameColumn[] = "1.3.6.1.4.1.64611.8.59.6.1.1.3";
constexpr char kSnmpJobTableEntry[] = "1.3.6.1.4.1.64611.8.59.6.1.1.";
constexpr char kSnmpJobPagesColumn[] = "1.3.6.1.4.1.64611.8.59.16.1.1.5";
constexpr LONG kSnmpJobNameArc = 3;
constexpr LONG kSnmpJobStateArc = 9;
constexpr LONG kSnmpJobPastNamesArc = 4;
constexpr LONG kSnmpJobFinished[] = {14, 17};
// Names shorter than this are too common to be taken for one of our jobs.
constexpr size_t kSnmpMinJobName = 10;

// The host of a standard TCP/IP port as heap text (MonFree), or none.
char* GetTcpIpPortHost(LPCWSTR portName);
// Gives a standard TCP/IP port its SNMP client (at open).
void AttachSnmpClient(PortRecord* port);
// The device-ID object into buffer (at most size bytes); the bytes read, 0 for no answer.
DWORD ReadSnmpDeviceId(PortRecord* port, char* buffer, DWORD size);
// The job-table walk; FALSE when the printer could not be asked.
BOOL QuerySnmpStatus(PortRecord* port);
