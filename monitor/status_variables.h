// Named status variables per port, their publication to the status manager, and the short
// form of the printer's state that goes to the spooler as the port status.
#pragma once

#include "monitor/manager_client.h"
#include "monitor/status_map.h"

constexpr LONG kVarCounted = -1;
constexpr DWORD kVarPublishOnBind = 0x1;
constexpr DWORD kVarKeep = 0x2;
constexpr DWORD kVarForceStore = 0x10;
constexpr DWORD kVarJobStarted = 0x100;
constexpr DWORD kVarJobEnded = 0x200;

struct StatusVariable {
    const char* name;
    DWORD versionMask[2];  // {-1, -1}: any model
    BYTE* value;           // private heap, none until first stored
    LONG size;             // kVarCounted: the value begins with a DWORD element count
    DWORD elementSize;
    DWORD type;  // selects the publisher
    BOOL dirty;
    DWORD reserved;
    DWORD group;
    DWORD flags;
};

// Job-information records: "SendingJobInfo" (292 bytes) and "PrintingJobInfo2" (320 bytes).
constexpr DWORD kJobinfoDocument = 0;  // ANSI, 256 bytes
constexpr DWORD kJobinfoUser = 256;    // ANSI, 32 bytes
constexpr DWORD kJobinfoJobId = 288;
constexpr DWORD kJobinfoTotalPages = 292;  // PrintingJobInfo2 only, from here on
constexpr DWORD kJobinfoColourPages = 296;
constexpr DWORD kJobinfoMonoPages = 300;
constexpr DWORD kJobinfoAverages = 304;  // C, M, Y and K coverage per page, a DWORD each
constexpr DWORD kSendingJobInfoSize = 292;
constexpr DWORD kPrintingJobInfoSize = 320;
constexpr DWORD kPanelRecordSize = 132;

StatusVariable* CreateVariableTable();
void FreeVariableTable(StatusVariable* table);
DWORD TemplateRowCount();

BOOL PairsMatch(const DWORD a[2], const DWORD b[2]);
int ModelClass(const PortRecord* port);
StatusVariable* FindVariable(const char* name, StatusVariable* table, const PortRecord* port);
StatusVariable* GetVariable(const char* name, StatusVariable* table, const PortRecord* port, BOOL allocate);
// Fixed size, or 4 + count x element size for counted rows; -1 while a counted row has no value.
LONG VariableSize(const StatusVariable* row);
// Copies the value in (size bytes); an identical value is not copied unless forced. Returns
// 1 when the stored value changed, 0 when it did not, -1 on failure.
int StoreVariableValue(StatusVariable* row, const void* source, DWORD size, BOOL force);
// Stores and marks dirty when changed; TRUE when it changed.
BOOL SetVariable(PortRecord* port, const char* name, const void* value, DWORD size);
BOOL SetDwordVariable(PortRecord* port, const char* name, DWORD value);
BOOL ReadDwordVariable(PortRecord* port, const char* name, DWORD* value);

int PublishDirtyVariables(PortRecord* port);
// Publishes one variable's stored value to every client again, changed or not.
BOOL RepublishVariable(PortRecord* port, const char* name);
int PublishToNewClient(PortRecord* port, ManagerClient* client);
void MarkPublishable(StatusVariable* table);
BOOL PublishPortStatus(PortRecord* port);
BOOL PublishPortStatusForClient(PortRecord* port, ManagerClient* client);

// The status-to-spooler map (status_map.h); row 24 is patched from "SPOOLERSTATUS" at initialisation.
void PatchStatusMap(DWORD spoolerStatus);
const StatusMapRow* FindStatusMapRow(const DWORD status[3]);

void SetInitialPrinterStatus(PortRecord* port);
void SetClosedPrinterStatus(PortRecord* port);
BOOL UpdateErrorVariables(PortRecord* port);
void ResetPanelValues(PortRecord* port);
void UpdateExtStatus(PortRecord* port, BOOL open);
void SnapshotPrinterStatus(PortRecord* port);
BOOL ReadPrinterStatus(PortRecord* port, DWORD status[3]);
BOOL SetPrinterStatusValue(PortRecord* port, const DWORD status[3]);
// "JobStatus" bits: the job is being cancelled; and the job's bits that EndDocPort clears.
constexpr DWORD kJobstatusCancelling = 0x4;
constexpr DWORD kJobstatusJobBits = 0x107;
// Reads "JobStatus" back from the manager, sets or clears the bits, publishes when changed.
void SetJobStatusBits(PortRecord* port, DWORD bits, BOOL set);
void UpdateSendingJobInfo(PortRecord* port, BOOL clear);
void FinishOrCancelJob(PortRecord* port, BOOL cancel);
// Trays of "PrinterBinConfig" with an identifier below 1000 (fetched from the status manager
// when the port has no value yet); 0 when neither has one.
DWORD ReadBinConfig(PortRecord* port);
