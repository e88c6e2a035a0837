// Status variables: the per-port table, value storage with dirty tracking, the publishers by
// type, the printer-status record and its map to the spooler's port status.
#include "monitor/status_variables.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/ansi_text.h"
#include "monitor/bin_config.h"
#include "monitor/job_records.h"
#include "monitor/port_kinds.h"
#include "win/nls.h"
#include "win/spool.h"

namespace {

constexpr DWORD kAny = 0xFFFFFFFFu;

struct TemplateRow {
    const char* name;
    DWORD mask0, mask1;
    LONG size;
    DWORD element;
    DWORD type;
    DWORD group;
    DWORD flags;
};

// Name, version masks, size, element size, type, group, flags.
constexpr TemplateRow kTemplate[] = {
    {"ErrPeriodicChange", kAny, kAny, 4, 0, 1, 0, 3},
    {"TonerRemain", kAny, kAny, 4, 0, 1, 1, 3},
    {"CRURemain", kAny, kAny, 4, 0, 1, 1, 3},
    {"ErrBinError", kAny, kAny, 4, 0, 1, 0, 3},
    {"ErrHWError", kAny, kAny, 4, 0, 1, 0, 3},
    {"ErrSupplies", kAny, kAny, 4, 0, 1, 0, 3},
    {"ErrPaperJam", kAny, kAny, 4, 0, 1, 0, 3},
    {"ErrPaperSizeError", kAny, kAny, 4, 0, 1, 0, 3},
    {"ErrCoverOpen", kAny, kAny, 4, 0, 1, 1, 3},
    {"ErrOtherError", kAny, kAny, 4, 0, 1, 1, 3},
    {"PowerSaveEnd", kAny, kAny, 4, 0, 1, 2, 3},
    {"CurrentFeeder", kAny, kAny, 4, 0, 1, 2, 3},
    {"PrinterBinConfig", kAny, kAny, kVarCounted, 12, 1, 2, 3},
    {"ErrNoPaper2", kAny, kAny, 8, 0, 1, 0, 3},
    {"PrinterExtConfig", kAny, kAny, 4, 0, 1, 1, 3},
    {"PrinterStatus", kAny, kAny, 12, 0, 8, 1, 3},
    {"PanelLanguage", 1, 31, 4, 0, 1, 1, 3},
    {"PrinterDisplay2", 1, 31, 4, 0, 1, 1, 3},
    {"PrinterDisplay", kAny, kAny, 132, 0, 1, 8, 3},
    {"PrinterExtStatus", kAny, kAny, 4, 0, 1, 16, 3},
    {"PrinterManufacturer", kAny, kAny, 32, 0, 1, 2, 3},
    {"PrinterModel", kAny, kAny, 32, 0, 1, 2, 3},
    {"JobStatus", kAny, kAny, 4, 0, 6, 0, 3},
    {"SendingJobInfo", kAny, kAny, 292, 0, 2, 0, 0},
    {"PrintingJobInfo2", kAny, kAny, 320, 0, 2, 0, 0},
    {"PrinterQueue", kAny, kAny, 4, 0, 5, 0, 0},
    {"PrinterOptConfig", kAny, kAny, kVarCounted, 8, 9, 2, 3},
    {"PrinterMemory", kAny, kAny, 4, 0, 9, 2, 3},
    {"EmulationInfo", kAny, kAny, kVarCounted, 4, 9, 2, 3},
    {"PageCount", kAny, kAny, 4, 0, 9, 0, 3},
    {"PrinterName", kAny, kAny, 0, 0, 0, 0, 0},
    {"Port", kAny, kAny, 0, 0, 0, 0, 0},
    {"OppPowerSaveTime", kAny, kAny, 4, 0, 9, 4, 3},
    {"OppPaperType", kAny, kAny, 4, 0, 9, 4, 3},
    {"OppPaperType1", kAny, kAny, 4, 0, 9, 4, 3},
    {"OppPaperType2", kAny, kAny, 4, 0, 9, 4, 3},
    {"OppPaperType3", kAny, kAny, 4, 0, 9, 4, 3},
    {"OppPaperType4", kAny, kAny, 4, 0, 9, 4, 3},
    {"OppIntrayMTDir", kAny, kAny, 4, 0, 9, 4, 3},
    {"OppPaperSort", kAny, kAny, 4, 0, 9, 4, 3},
    {"OppOuttray", kAny, kAny, 4, 0, 9, 4, 3},
    {"SpooledFileInfo", kAny, kAny, 300, 0, 6, 0, 3},
    {"CurrentStatus", kAny, kAny, 0, 0, 0, 1, 0},
    {"PrinterStatusEx", kAny, kAny, 0, 0, 0, 1, 0},
    {"PortEx", kAny, kAny, 0, 0, 0, 1, 0},
    {"IconState", kAny, kAny, 4, 0, 1, 2, 3},
};
constexpr DWORD kTemplateRows = sizeof kTemplate / sizeof kTemplate[0];
static_assert(kTemplateRows == 46);

// The map as it stands: row 24 is patched from "SPOOLERSTATUS" at initialisation.
std::array<StatusMapRow, kStatusMapRowCount> g_statusMap = kStatusMap;

struct ErrorRow {
    const char* name;
    DWORD mask[3];
};
constexpr ErrorRow kErrorRows[] = {
    {"ErrPaperJam", {0, 0, 0x40000}}, {"ErrPaperSizeError", {0, 0, 0x44840000}}, {"ErrNoPaper2", {0, 0, 0x8000}},
    {"ErrCoverOpen", {0, 0x80, 0}},   {"ErrHWError", {0, 0x80000000, 0x26002}},  {"ErrSupplies", {0, 0x40004010, 0}},
    {"ErrBinError", {0, 0, 0x80800}}, {"ErrPeriodicChange", {0x12000, 0, 0}},    {"ErrOtherError", {0, 0, 0}},
};

BOOL Meets(const DWORD mask[3], const DWORD value[3]) {
    return (mask[0] & value[0]) || (mask[1] & value[1]) || (mask[2] & value[2]);
}

LONG Publish(ManagerClient* client, const StatusVariable* row, const void* value, DWORD size) {
    if (client->flags & kClientSuspended) return 0;
    if (!client->manager || !client->UpdatePrinterStatusA) return -1;
    return client->UpdatePrinterStatusA(client->manager, row->name, value, size);
}

BOOL PublishAll(PortRecord* port, const StatusVariable* row, const void* value, DWORD size, BOOL onlyMatching) {
    BOOL ok = TRUE;
    for (ManagerClient* c = port->clients; c; c = c->next) {
        if (onlyMatching && !PairsMatch(port->versionPair, c->versionPair)) continue;
        if (Publish(c, row, value, size) != 0) {
            ok = FALSE;
            if (!onlyMatching) break;
        }
    }
    return ok;
}

static_assert(kJobinfoAverages + 4 * 4 == kPrintingJobInfoSize);

// The job's page counters from what the printer reported of it (its page numbers, colour and
// monochrome pages and toner coverage): total, colour and monochrome pages, and the average
// coverage per page of each toner (C, M and Y over the colour pages, K over all pages).
void FillPageCounters(PortRecord* port, BYTE* value) {
    DWORD total = 0;
    std::memcpy(&total, value + kJobinfoTotalPages, 4);
    DWORD counted = port->colourTotal + port->monoTotal;
    total = std::max(total, counted);
    std::memcpy(value + kJobinfoTotalPages, &total, 4);
    std::memcpy(value + kJobinfoColourPages, &port->colourTotal, 4);
    std::memcpy(value + kJobinfoMonoPages, &port->monoTotal, 4);
    for (int i = 0; i < 4; ++i) {
        ULONGLONG pages = i < 3 ? port->colourTotal : counted;
        DWORD average = pages ? static_cast<DWORD>(std::min<ULONGLONG>(port->coverageSum[i] / pages, 0xFFFFFFFFu)) : 0;
        std::memcpy(value + kJobinfoAverages + 4 * i, &average, 4);
    }
}

// A job that has started and not ended yet counts from nothing.
void ClearPageCounters(PortRecord* port) {
    port->colourPages = port->monoPages = port->colourTotal = port->monoTotal = 0;
    std::memset(port->coverage, 0, sizeof port->coverage);
    std::memset(port->coverageSum, 0, sizeof port->coverageSum);
}

BOOL PublishJobInfo(PortRecord* port, StatusVariable* row, DWORD size) {
    DWORD jobId = 0;
    std::memcpy(&jobId, row->value + kJobinfoJobId, 4);
    JobRecord* job = FindJobRecordById(jobId, port);
    if (size >= kPrintingJobInfoSize) {
        if ((row->flags & kVarJobStarted) && (row->flags & kVarJobEnded))
            FillPageCounters(port, row->value);
        else if (!(row->flags & kVarJobEnded))
            ClearPageCounters(port);
    }
    if (job && (row->flags & kVarJobStarted)) {
        // The printer reports a later job: the jobs ahead of it are over. Each is reported with
        // its own id and then with none, and dropped.
        while (port->jobHead && port->jobHead != job) {
            JobRecord* ahead = port->jobHead;
            ManagerClient* to = ahead->client ? ahead->client : port->currentClient;
            if (to) {
                BYTE info[kPrintingJobInfoSize] = {};
                std::memcpy(info + kJobinfoJobId, &ahead->jobId, 4);
                Publish(to, row, info, sizeof info);
                std::memset(info + kJobinfoJobId, 0, 4);
                Publish(to, row, info, sizeof info);
            }
            PopJobRecord(port);
        }
    }
    ManagerClient* client = job ? job->client : port->currentClient;
    BOOL ended = (row->flags & kVarJobEnded) && (row->flags & kVarJobStarted);
    // A finished job's counters go once more to the next client of the port.
    if (ended && client && client->next) Publish(client->next, row, row->value, size);
    BOOL ok = client ? Publish(client, row, row->value, size) == 0 : TRUE;
    if (ok && job) {
        job->flags |= kJobReported;
        // The printer reported the job's end: its last page is out.
        if (ended) {
            PopJobRecord(port);
            if (IsUsbPort(port->portName)) DropJobRecordsById(jobId, port);
            if (!port->jobHead) SnapshotPrinterStatus(port);
        }
    }
    return ok;
}

BOOL PublishRow(PortRecord* port, StatusVariable* row) {
    LONG size = VariableSize(row);
    if (size <= 0 || !row->value) return TRUE;
    switch (row->type) {
        case 1:
            return PublishAll(port, row, row->value, static_cast<DWORD>(size), FALSE);
        case 2:
            return PublishJobInfo(port, row, static_cast<DWORD>(size));
        case 4:
            return TRUE;
        case 5: {
            BOOL ok = TRUE;
            for (JobRecord* j = port->jobHead; j; j = j->next) {
                if (!j->client || (j->client->flags & kClientServed)) continue;
                j->client->flags |= kClientServed;
                if (Publish(j->client, row, row->value, static_cast<DWORD>(size)) != 0) ok = FALSE;
            }
            for (ManagerClient* c = port->clients; c; c = c->next) c->flags &= ~kClientServed;
            return ok;
        }
        case 6: {
            JobRecord* job = FindJobRecordById(port->jobId, port);
            ManagerClient* client = job && job->client ? job->client : port->currentClient;
            return client ? Publish(client, row, row->value, static_cast<DWORD>(size)) == 0 : TRUE;
        }
        case 7: {
            // The client whose refresh is in progress, else the current one.
            ManagerClient* to = port->refreshClient ? port->refreshClient : port->currentClient;
            return to ? Publish(to, row, row->value, static_cast<DWORD>(size)) == 0 : TRUE;
        }
        case 8: {
            BOOL ok = TRUE;
            DWORD status[3] = {};
            std::memcpy(status, row->value, 12);
            const DWORD other[3] = {0, 0x200, 0};
            for (ManagerClient* c = port->clients; c; c = c->next) {
                BOOL asStored = (status[1] & 0x1F00) || PairsMatch(port->versionPair, c->versionPair);
                if (Publish(c, row, asStored ? status : other, 12) != 0) ok = FALSE;
            }
            return ok;
        }
        case 9:
            return PublishAll(port, row, row->value, static_cast<DWORD>(size), TRUE);
        default:
            return TRUE;
    }
}

}  // namespace

BOOL RepublishVariable(PortRecord* port, const char* name) {
    StatusVariable* row = FindVariable(name, port->variables, port);
    LONG size = row ? VariableSize(row) : -1;
    if (size <= 0 || !row->value) return FALSE;
    return PublishAll(port, row, row->value, static_cast<DWORD>(size), FALSE);
}

DWORD TemplateRowCount() {
    return kTemplateRows;
}

StatusVariable* CreateVariableTable() {
    auto* table = static_cast<StatusVariable*>(MonAlloc(sizeof(StatusVariable) * (kTemplateRows + 1)));
    if (!table) return nullptr;
    for (DWORD i = 0; i < kTemplateRows; ++i) {
        const TemplateRow& t = kTemplate[i];
        table[i] =
            StatusVariable{t.name, {t.mask0, t.mask1}, nullptr, t.size, t.element, t.type, FALSE, 0, t.group, t.flags};
    }
    return table;  // the zero row ends it
}

void FreeVariableTable(StatusVariable* table) {
    if (!table) return;
    for (StatusVariable* row = table; row->name; ++row) MonFree(row->value);
    MonFree(table);
}

BOOL PairsMatch(const DWORD a[2], const DWORD b[2]) {
    return (a[0] & b[0]) || (a[1] & b[1]);
}

int ModelClass(const PortRecord* port) {
    if (port->versionPair[0] != 0) return 0;
    if (port->versionPair[1] & 1) return 1;
    if (port->versionPair[1] & 0x1E) return 2;
    return 0;
}

StatusVariable* FindVariable(const char* name, StatusVariable* table, const PortRecord* port) {
    if (!table || !name) return nullptr;
    for (StatusVariable* row = table; row->name; ++row) {
        if (std::strcmp(row->name, name) != 0) continue;
        BOOL any = row->versionMask[0] == kAny && row->versionMask[1] == kAny;
        if (any || (port && PairsMatch(row->versionMask, port->versionPair))) return row;
    }
    return nullptr;
}

LONG VariableSize(const StatusVariable* row) {
    if (row->size != kVarCounted) return row->size;
    if (!row->value) return -1;
    DWORD count = 0;
    std::memcpy(&count, row->value, 4);
    return static_cast<LONG>(4 + count * row->elementSize);
}

StatusVariable* GetVariable(const char* name, StatusVariable* table, const PortRecord* port, BOOL allocate) {
    StatusVariable* row = FindVariable(name, table, port);
    if (!row || !allocate || row->value) return row;
    LONG size = VariableSize(row);
    if (size <= 0) return nullptr;
    row->value = static_cast<BYTE*>(MonAlloc(static_cast<size_t>(size)));
    return row->value ? row : nullptr;
}

int StoreVariableValue(StatusVariable* row, const void* source, DWORD size, BOOL force) {
    if (!row || !source || size == 0) return -1;
    if (row->size != kVarCounted && size != static_cast<DWORD>(row->size)) return -1;
    if (row->size == kVarCounted) {
        DWORD count = 0;
        if (size < 4) return -1;
        std::memcpy(&count, source, 4);
        if (count > 0xFFFF || size != 4 + count * row->elementSize) return -1;
    }
    LONG old = row->value ? VariableSize(row) : -1;
    if (!force && row->value && old == static_cast<LONG>(size) && std::memcmp(row->value, source, size) == 0) return 0;
    if (!row->value || old != static_cast<LONG>(size)) {
        BYTE* fresh = static_cast<BYTE*>(MonAlloc(size));
        if (!fresh) return -1;
        MonFree(row->value);
        row->value = fresh;
    }
    std::memcpy(row->value, source, size);
    return 1;
}

// The table is shared by the spooler's calls and the port's status threads: every reader and
// writer holds the port lock.
BOOL SetVariable(PortRecord* port, const char* name, const void* value, DWORD size) {
    PortLock lock(port);
    StatusVariable* row = FindVariable(name, port->variables, port);
    if (!row) return FALSE;
    if (StoreVariableValue(row, value, size, (row->flags & kVarForceStore) != 0) != 1) return FALSE;
    row->dirty = TRUE;
    return TRUE;
}

BOOL SetDwordVariable(PortRecord* port, const char* name, DWORD value) {
    return SetVariable(port, name, &value, 4);
}

BOOL ReadDwordVariable(PortRecord* port, const char* name, DWORD* value) {
    PortLock lock(port);
    StatusVariable* row = FindVariable(name, port->variables, port);
    if (!row || !row->value || VariableSize(row) < 4) return FALSE;
    std::memcpy(value, row->value, 4);
    return TRUE;
}

int PublishDirtyVariables(PortRecord* port) {
    PortLock lock(port);
    int published = 0;
    for (StatusVariable* row = port->variables; row && row->name; ++row) {
        if (!row->dirty || !row->value || row->size == 0) continue;
        if (!PublishRow(port, row)) continue;
        row->dirty = FALSE;
        ++published;
        if (!(row->flags & kVarKeep)) {
            MonFree(row->value);
            row->value = nullptr;
        }
        if (row->type == 2 && port->jobInfoQueued && std::strcmp(row->name, "PrintingJobInfo2") == 0) {
            // The next job-information value that waited behind this one.
            BYTE* next = port->jobInfoQueue[0];
            std::memmove(port->jobInfoQueue, port->jobInfoQueue + 1, (port->jobInfoQueued - 1) * sizeof(BYTE*));
            port->jobInfoQueue[--port->jobInfoQueued] = nullptr;
            DWORD flags = 0;
            std::memcpy(&flags, next + kPrintingJobInfoSize, 4);
            if (StoreVariableValue(row, next, kPrintingJobInfoSize, TRUE) == 1) {
                row->flags = flags;
                row->dirty = TRUE;
                port->republish = TRUE;
                Sleep(150);
            }
            MonFree(next);
        }
        if (port->republish) {
            // A publisher asked for another round (a queued job-information value); one more only.
            port->republish = FALSE;
            published += PublishDirtyVariables(port);
        }
    }
    return published;
}

int PublishToNewClient(PortRecord* port, ManagerClient* client) {
    PortLock lock(port);
    int count = 0;
    for (StatusVariable* row = port->variables; row && row->name; ++row) {
        if (!(row->flags & kVarPublishOnBind) || !row->value || std::strcmp(row->name, "SpooledFileInfo") == 0)
            continue;
        LONG size = VariableSize(row);
        if (size <= 0) continue;
        if (row->type == 1 || row->type == 6) {
            count += Publish(client, row, row->value, static_cast<DWORD>(size)) == 0;
        } else if (row->type == 8) {
            DWORD status[3] = {};
            std::memcpy(status, row->value, 12);
            const DWORD other[3] = {0, 0x200, 0};
            BOOL asStored = (status[1] & 0xF00) || PairsMatch(port->versionPair, client->versionPair);
            count += Publish(client, row, asStored ? status : other, 12) == 0;
        } else if (row->type == 9 && PairsMatch(port->versionPair, client->versionPair)) {
            count += Publish(client, row, row->value, static_cast<DWORD>(size)) == 0;
        }
    }
    return count;
}

void MarkPublishable(StatusVariable* table) {
    for (StatusVariable* row = table; row && row->name; ++row)
        if (row->value && (row->type & 0x9)) row->dirty = TRUE;
}

void PatchStatusMap(DWORD spoolerStatus) {
    for (StatusMapRow& row : g_statusMap) {
        if (row.mask[2] != 0x1000) continue;
        if (spoolerStatus & 1)
            row = StatusMapRow{{0, 0, 0x1000}, 0x100000, 8, 1};
        else
            row = StatusMapRow{{0, 0, 0x1000}, 0x80, 1, 1};
    }
}

const StatusMapRow* FindStatusMapRow(const DWORD status[3]) {
    for (const StatusMapRow& row : g_statusMap)
        if (Meets(row.mask, status)) return &row;
    return nullptr;
}

BOOL ReadPrinterStatus(PortRecord* port, DWORD status[3]) {
    PortLock lock(port);
    status[0] = status[1] = status[2] = 0;
    StatusVariable* row = FindVariable("PrinterStatus", port->variables, port);
    if (!row || !row->value) return FALSE;
    std::memcpy(status, row->value, 12);
    return TRUE;
}

BOOL SetPrinterStatusValue(PortRecord* port, const DWORD status[3]) {
    return SetVariable(port, "PrinterStatus", status, 12);
}

BOOL PublishPortStatusForClient(PortRecord* port, ManagerClient* client) {
    // Only one port at a time changes the spooler's port status; a busy mutex skips the update.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"QPJLMON:OpenPrinterMutex");
    if (!mutex) return FALSE;
    if (WaitForSingleObject(mutex, 0) != WAIT_OBJECT_0) {
        CloseHandle(mutex);
        return FALSE;
    }
    DWORD status[3];
    ReadPrinterStatus(port, status);
    PORT_INFO_3W info{0, nullptr, 0};
    if (!client || PairsMatch(port->versionPair, client->versionPair)) {
        if (const StatusMapRow* row = FindStatusMapRow(status)) {
            info.dwStatus = row->portStatus;
            info.dwSeverity = row->severity;
        }
    }
    BOOL ok = SetPortW(nullptr, port->portName, 3, reinterpret_cast<LPBYTE>(&info));
    port->lastSeverity = info.dwSeverity;
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return ok;
}

BOOL PublishPortStatus(PortRecord* port) {
    BOOL ok = TRUE;
    PortLock lock(port);
    for (ManagerClient* c = port->clients; c; c = c->next)
        if (!PublishPortStatusForClient(port, c)) ok = FALSE;
    return ok;
}

namespace {

BOOL ReportsNormally(PortRecord* port) {
    DWORD status[3];
    ReadPrinterStatus(port, status);
    return !(port->state & kStateNotResponding) && !(status[1] & 0x100) && ModelClass(port) == 1;
}

}  // namespace

BOOL UpdateErrorVariables(PortRecord* port) {
    PortLock lock(port);
    DWORD status[3];
    ReadPrinterStatus(port, status);
    BOOL changed = FALSE;
    const BYTE zero[8] = {};
    for (const ErrorRow& e : kErrorRows) {
        if (Meets(e.mask, status)) continue;
        StatusVariable* row = FindVariable(e.name, port->variables, port);
        if (!row) continue;
        if (StoreVariableValue(row, zero, static_cast<DWORD>(row->size), FALSE) == 1) {
            row->dirty = TRUE;
            changed = TRUE;
        }
    }
    if (!ReportsNormally(port)) {
        for (const char* name : {"ErrCoverOpen", "ErrSupplies", "ErrPeriodicChange"}) {
            changed |= SetDwordVariable(port, name, 0xFFFFFFFFu);
            if (StatusVariable* row = FindVariable(name, port->variables, port)) row->dirty = TRUE;
        }
    }
    return changed;
}

void ResetPanelValues(PortRecord* port) {
    PortLock lock(port);
    if (ReportsNormally(port)) return;
    for (const char* name : {"IconState", "TonerRemain", "PanelLanguage", "PrinterDisplay2", "CRURemain"}) {
        SetDwordVariable(port, name, 0xFFFFFFFFu);
        if (StatusVariable* row = FindVariable(name, port->variables, port)) row->dirty = row->value != nullptr;
    }
    BYTE display[kPanelRecordSize] = {};
    SetVariable(port, "PrinterDisplay", display, sizeof display);
    if (StatusVariable* row = FindVariable("PrinterDisplay", port->variables, port)) row->dirty = TRUE;
    // Until the printer reports its trays: tray 2001 not reported, trays 1 to 4 as plain A4
    // trays of unknown content.
    BYTE bins[kBinConfigMaxSize] = {};
    const DWORD count = kBinRecordMax;
    std::memcpy(bins, &count, kBinCountSize);
    PutBinRecord(BinRecordAt(bins, 0), BinRecord{2001, 2001, -1, 255, 0});
    for (WORD tray = 1; tray < kBinRecordMax; ++tray)
        PutBinRecord(BinRecordAt(bins, tray), BinRecord{tray, 3, 9, 249, 0});
    SetVariable(port, "PrinterBinConfig", bins, sizeof bins);
    if (StatusVariable* row = FindVariable("PrinterBinConfig", port->variables, port)) row->dirty = TRUE;
}

void UpdateExtStatus(PortRecord* port, BOOL open) {
    PortLock lock(port);
    DWORD value = 0;
    ReadDwordVariable(port, "PrinterExtStatus", &value);
    value &= ~7u;
    if (open) value |= (port->kind & kKindPort ? 1 : 0) | (port->kind & kKindBidi ? 6 : 0);
    SetDwordVariable(port, "PrinterExtStatus", value);
}

void SetInitialPrinterStatus(PortRecord* port) {
    PortLock lock(port);
    const DWORD status[3] = {0, (port->kind & (kKindBidi | 0x8)) ? 0x800u : 0x400u, 0};
    SetPrinterStatusValue(port, status);
    UpdateErrorVariables(port);
    ResetPanelValues(port);
    UpdateExtStatus(port, TRUE);
    PublishDirtyVariables(port);
    PublishPortStatus(port);
}

void SetClosedPrinterStatus(PortRecord* port) {
    PortLock lock(port);
    const DWORD status[3] = {0, 0x1000, 0};
    SetPrinterStatusValue(port, status);
    UpdateErrorVariables(port);
    ResetPanelValues(port);
    port->kind = 0;
    UpdateExtStatus(port, FALSE);
    PublishDirtyVariables(port);
    PublishPortStatus(port);
}

void SnapshotPrinterStatus(PortRecord* port) {
    PortLock lock(port);
    DWORD status[3];
    ReadPrinterStatus(port, status);
    if (port->jobHead)
        status[2] |= 0x8;
    else
        status[2] &= ~0x8u;
    if (SetPrinterStatusValue(port, status)) {
        PublishDirtyVariables(port);
        PublishPortStatus(port);
    }
}

void SetJobStatusBits(PortRecord* port, DWORD bits, BOOL set) {
    DWORD value = 0;
    ReadDwordVariable(port, "JobStatus", &value);
    if (ManagerClient* c = port->currentClient; c && c->manager && c->GetPrinterStatusA) {
        DWORD fromManager = 0, returned = 0;
        if (c->GetPrinterStatusA(c->manager, "JobStatus", &fromManager, 4, &returned) == 0) value = fromManager;
    }
    value = set ? (value | bits) : (value & ~bits);
    if (SetDwordVariable(port, "JobStatus", value)) PublishDirtyVariables(port);
}

namespace {
constexpr DWORD kClientReadyWait = 5000;
constexpr DWORD kJobQueryRetryMs = 120;
}  // namespace

void UpdateSendingJobInfo(PortRecord* port, BOOL clear) {
    BYTE info[kSendingJobInfoSize] = {};
    ManagerClient* client = port->currentClient;
    // The client thread opens the printer handle: its ready event says when that is done.
    if (!clear && client && client->readyEvent) WaitForSingleObject(client->readyEvent, kClientReadyWait);
    if (!clear && client && client->printer) {
        BYTE buffer[4096];
        DWORD needed = 0;
        BOOL read = GetJobW(client->printer, port->jobId, 1, buffer, sizeof buffer, &needed);
        if (!read) {
            Sleep(kJobQueryRetryMs);
            read = GetJobW(client->printer, port->jobId, 1, buffer, sizeof buffer, &needed);
        }
        if (read && reinterpret_cast<JOB_INFO_1W*>(buffer)->JobId == 0) port->state |= kStateCancelFromPort;
        if (read) {
            auto* job = reinterpret_cast<JOB_INFO_1W*>(buffer);
            if (job->pDocument)
                orla::CopyAnsiText(job->pDocument, reinterpret_cast<char*>(info + kJobinfoDocument), 256);
            if (job->pUserName) orla::CopyAnsiText(job->pUserName, reinterpret_cast<char*>(info + kJobinfoUser), 32);
        }
        std::memcpy(info + kJobinfoJobId, &port->jobId, 4);
    }
    PortLock lock(port);
    if (StatusVariable* row = FindVariable("SendingJobInfo", port->variables, port)) {
        row->flags = (row->flags | kVarKeep) & ~kVarJobEnded;
        if (StoreVariableValue(row, info, sizeof info, TRUE) == 1) row->dirty = TRUE;
        PublishDirtyVariables(port);
    }
}

void FinishOrCancelJob(PortRecord* port, BOOL cancel) {
    PortLock lock(port);
    if ((port->state & kStateJobOpen) && (port->state & kStateHeaderSent)) {
        if (cancel) {
            port->state |= 0x140000;
            if (port->jobTail && port->currentClient && port->currentClient->printer)
                SetJobW(port->currentClient->printer, port->jobTail->jobId, 0, nullptr, JOB_CONTROL_DELETE);
            SetJobStatusBits(port, kJobstatusCancelling, TRUE);
        }
        UpdateSendingJobInfo(port, FALSE);
    }
    for (DWORD i = 0; i < port->jobInfoQueued; ++i) MonFree(port->jobInfoQueue[i]);
    port->jobInfoQueued = 0;
    if (StatusVariable* row = FindVariable("PrintingJobInfo2", port->variables, port)) {
        BYTE info[kPrintingJobInfoSize] = {};
        DWORD first = port->jobHead ? port->jobHead->jobId : 0;
        std::memcpy(info + kJobinfoJobId, &first, 4);
        row->flags = (row->flags | kVarJobEnded) & ~kVarKeep & ~kVarJobStarted;
        if (StoreVariableValue(row, info, sizeof info, TRUE) == 1) row->dirty = TRUE;
    }
    PublishDirtyVariables(port);
    Sleep(200);
    StatusVariable* queue = FindVariable("PrinterQueue", port->variables, port);
    if (queue) {
        const DWORD zero = 0;
        StoreVariableValue(queue, &zero, 4, TRUE);
        queue->dirty = TRUE;
        PublishDirtyVariables(port);
    }
    while (port->jobHead && port->jobHead->next) PopJobRecord(port);
    if (port->jobHead) {
        BOOL owe = (port->state & kStateJobOpen) != 0;
        if (owe) ++port->owedEjects;
        PopJobRecord(port, !owe);
    }
    if (!port->jobHead) SnapshotPrinterStatus(port);
}

namespace {

DWORD CountSmallTrays(const BYTE* value, DWORD size) {
    if (size < kBinCountSize) return 0;
    DWORD count = 0;
    std::memcpy(&count, value, kBinCountSize);
    count = std::min(count, (size - kBinCountSize) / kBinRecordSize);
    DWORD trays = 0;
    for (DWORD i = 0; i < count; ++i)
        if (GetBinRecord(value + kBinCountSize + kBinRecordSize * i).id < 1000) ++trays;
    return trays;
}

}  // namespace

DWORD ReadBinConfig(PortRecord* port) {
    StatusVariable* row = FindVariable("PrinterBinConfig", port->variables, port);
    if (row && row->value) return CountSmallTrays(row->value, static_cast<DWORD>(VariableSize(row)));
    ManagerClient* c = port->currentClient;
    if (!c || !c->manager || !c->GetPrinterStatusA) return 0;
    DWORD needed = 0;
    LONG rc = c->GetPrinterStatusA(c->manager, "PrinterBinConfig", nullptr, 0, &needed);
    if ((rc != 0 && rc != -33 && rc != -36) || needed < 4 || needed > 0x10000) return 0;
    BYTE* buffer = static_cast<BYTE*>(MonAlloc(needed));
    if (!buffer) return 0;
    DWORD got = 0;
    DWORD trays = 0;
    if (c->GetPrinterStatusA(c->manager, "PrinterBinConfig", buffer, needed, &got) == 0)
        trays = CountSmallTrays(buffer, std::min(got, needed));
    MonFree(buffer);
    return trays;
}
