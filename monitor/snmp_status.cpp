// The SNMP status of a standard TCP/IP port. Requests take up to two channel time-outs each, so
// none runs under the port lock: the client is taken off the port for the request and given
// back afterwards, and the job records are looked up again by job id after every request.
#include "monitor/snmp_status.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "monitor/job_records.h"
#include "monitor/snmp_client.h"
#include "monitor/snmp_job_info.h"
#include "monitor/status_variables.h"
#include "win/monitor.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

constexpr DWORD kXcvAnswerSize = 260;
constexpr DWORD kRegistryValueSize = 256;
constexpr char16_t kTcpPortsKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";
constexpr DWORD kJobFinishedInTable = 0x8;
constexpr DWORD kPauseAfterJobEnd = 100;

// ---- The port's host ----

char* HostFromTransceiver(LPCWSTR portName) {
    std::u16string target = u",XcvPort " + std::u16string(portName);
    HANDLE xcv = nullptr;
    if (!OpenPrinterW(target.data(), &xcv, nullptr)) return nullptr;
    WCHAR answer[kXcvAnswerSize / 2 + 1] = {};
    DWORD needed = 0, status = 0;
    BOOL ok =
        XcvDataW(xcv, u"IPAddress", nullptr, 0, reinterpret_cast<PBYTE>(answer), kXcvAnswerSize, &needed, &status) &&
        status == NO_ERROR;
    ClosePrinter(xcv);
    return ok && answer[0] ? MonWideToAnsi(answer) : nullptr;
}

char* RegistryText(HKEY key, LPCWSTR value) {
    DWORD size = 0;
    if (RegQueryValueExW(key, value, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0)
        size = kRegistryValueSize;
    std::vector<BYTE> data(size + 2, 0);
    if (RegQueryValueExW(key, value, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) return nullptr;
    auto* text = reinterpret_cast<LPCWSTR>(data.data());
    return text[0] ? MonWideToAnsi(text) : nullptr;
}

char* HostFromRegistry(LPCWSTR portName) {
    std::u16string path = std::u16string(kTcpPortsKey) + portName;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
    char* host = RegistryText(key, u"IPAddress");
    if (!host) host = RegistryText(key, u"HostName");
    RegCloseKey(key);
    return host;
}

// ---- The port's client, used off the lock ----

// Takes the port's client for a request; a new one when another thread has it out.
SnmpClient* TakeClient(PortRecord* port, BOOL* own) {
    {
        PortLock lock(port);
        SnmpClient* client = port->snmp;
        port->snmp = nullptr;
        *own = client == nullptr;
        if (client) return client;
    }
    char* host = GetTcpIpPortHost(port->portName);
    SnmpClient* client = CreateSnmpClient(host, nullptr);
    MonFree(host);
    return client;
}

void GiveBackClient(PortRecord* port, SnmpClient* client) {
    if (!client) return;
    SnmpClient* spare = client;
    {
        PortLock lock(port);
        if (!port->snmp && !(port->state & kStateClosing)) {
            port->snmp = client;
            spare = nullptr;
        }
    }
    FreeSnmpClient(spare);
}

// The walk's client becomes the port's, in place of the one it had.
void ReplaceClient(PortRecord* port, SnmpClient* client) {
    SnmpClient* old = client;
    {
        PortLock lock(port);
        if (!(port->state & kStateClosing)) std::swap(old, port->snmp);
    }
    FreeSnmpClient(old);
}

// ---- The job table ----

// One row of the job-name column as the walk gave it.
struct TableRow {
    std::string name;
    std::string index;  // the row's index arcs, beginning with a point
};

// The column arc of a job-table identifier and the row index after it; FALSE when the
// identifier is not in the job table.
BOOL SplitTableOid(std::string_view oid, LONG* column, std::string* index) {
    const std::string_view entry(kSnmpJobTableEntry);
    if (oid.substr(0, entry.size()) != entry) return FALSE;
    std::string_view rest = oid.substr(entry.size());
    size_t dot = rest.find('.');
    std::string_view arc = rest.substr(0, dot);
    if (arc.empty() || arc.size() > 9 || arc.find_first_not_of("0123456789") != std::string_view::npos) return FALSE;
    *column = std::atol(std::string(arc).c_str());
    *index = dot == std::string_view::npos ? std::string() : std::string(rest.substr(dot));
    return TRUE;
}

// The walk's rows until one leaves the job-name column.
std::vector<TableRow> CollectRows(SnmpClient* client) {
    std::vector<TableRow> rows;
    char text[kSnmpFieldSize];
    char oid[kSnmpFieldSize];
    while (SnmpNextResult(client, text, nullptr, nullptr, oid) && oid[0]) {
        LONG column = 0;
        std::string index;
        if (!SplitTableOid(oid, &column, &index) || column != kSnmpJobNameArc || index.empty()) break;
        rows.push_back({text, index});
    }
    FreeSnmpResults(client);
    return rows;
}

BOOL FieldEquals(const char* field, size_t size, const std::string& value) {
    return strnlen(field, size) == value.size() && std::memcmp(field, value.data(), value.size()) == 0;
}

// The record a table row names: its job id, and whether it was the first sight of the job.
BOOL MatchRow(PortRecord* port, const std::string& name, DWORD* jobId, BOOL* firstSight) {
    if (name.size() < kSnmpMinJobName) return FALSE;
    PortLock lock(port);
    for (JobRecord* job = port->jobHead; job; job = job->next) {
        BOOL first = FieldEquals(job->firstName, sizeof job->firstName, name);
        if (first || FieldEquals(job->savedFirstName, sizeof job->savedFirstName, name) ||
            FieldEquals(job->secondName, sizeof job->secondName, name)) {
            *jobId = job->jobId;
            *firstSight = first;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL IsFinishedState(LONG state) {
    for (LONG finished : kSnmpJobFinished)
        if (state == finished) return TRUE;
    return FALSE;
}

BOOL ReadPages(SnmpClient* client, const std::string& index, DWORD* pages) {
    char text[kSnmpFieldSize] = {};
    std::string oid = kSnmpJobPagesColumn + index;
    if (!SnmpGetString(client, text, nullptr, oid.c_str())) return FALSE;
    char* end = nullptr;
    unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || value > 0xFFFFFFFFul) return FALSE;
    *pages = static_cast<DWORD>(value);
    return TRUE;
}

// Steps a to d for one row whose job is ours; FALSE when the walk ends here.
BOOL TakeRow(PortRecord* port, SnmpClient* client, const TableRow& row, DWORD jobId, BOOL firstSight) {
    LONG state = 0;
    std::string stateOid = std::string(kSnmpJobTableEntry) + std::to_string(kSnmpJobStateArc) + row.index;
    BOOL stateRead = SnmpGetString(client, nullptr, &state, stateOid.c_str());
    DWORD pages = 0;
    BOOL pagesRead = ReadPages(client, row.index, &pages);
    BOOL finished = stateRead && IsFinishedState(state);
    BOOL pause = FALSE;
    BOOL goOn = TRUE;
    {
        PortLock lock(port);
        JobRecord* job = FindJobRecordById(jobId, port);
        if (!job) return TRUE;  // gone while the printer was asked
        if (pagesRead) {
            job->snmpPages = pages;
            AddJobPages(port, pages, jobId);
        }
        if (firstSight && FieldEquals(job->firstName, sizeof job->firstName, row.name)) {
            BeginJobInfo(port);
            std::memcpy(job->savedFirstName, job->firstName, sizeof job->savedFirstName);
            job->savedFirstNameFlag = job->firstNameFlag;
            std::memset(job->firstName, 0, sizeof job->firstName);
            pause = QueueJobInfo(port, jobId);
            if (!finished) {
                goOn = FALSE;
            } else {
                PublishDirtyVariables(port);
                if (pagesRead) AddJobPages(port, pages, jobId);
            }
        }
        if (finished) job->flags |= kJobFinishedInTable;
    }
    if (pause) Sleep(kPauseAfterJobEnd);
    return goOn;
}

// A job the printer listed before (its name was saved) that has left the table without a
// finished state still ends: otherwise its record would keep the port polling for ever.
void EndVanishedJobs(PortRecord* port, const std::vector<TableRow>& rows) {
    PortLock lock(port);
    for (JobRecord* job = port->jobHead; job; job = job->next) {
        if (!job->savedFirstName[0] || (job->flags & kJobFinishedInTable)) continue;
        BOOL listed = FALSE;
        for (const TableRow& row : rows)
            listed = listed || FieldEquals(job->savedFirstName, sizeof job->savedFirstName, row.name);
        if (!listed) job->flags |= kJobFinishedInTable;
    }
}

JobRecord* LastFinished(PortRecord* port) {
    JobRecord* last = nullptr;
    for (JobRecord* job = port->jobHead; job; job = job->next)
        if (job->flags & kJobFinishedInTable) last = job;
    return last;
}

// Step 4: every record up to the last finished one gets its start (when not yet given), its
// pages and its end, and leaves the port.
void EndFinishedJobs(PortRecord* port) {
    for (;;) {
        BOOL pause = FALSE;
        {
            PortLock lock(port);
            if (!LastFinished(port)) return;
            JobRecord* job = port->jobHead;
            JobRecord* next = job->next;
            if (job->firstName[0]) {
                BeginJobInfo(port);
                std::memset(job->firstName, 0, sizeof job->firstName);
                QueueJobInfo(port, job->jobId);
                PublishDirtyVariables(port);
            }
            if (job->snmpPages) {
                AddJobPages(port, job->snmpPages, job->jobId);
                PublishDirtyVariables(port);
            }
            EndJobInfo(port);
            pause = QueueJobInfo(port, job->jobId);
            PublishDirtyVariables(port);
            // Publishing the end normally lets the record go; when no client took it, it goes here.
            if (port->jobHead != next) PopJobRecord(port, TRUE);
        }
        if (pause) Sleep(kPauseAfterJobEnd);
    }
}

}  // namespace

char* GetTcpIpPortHost(LPCWSTR portName) {
    if (!portName || !*portName) return nullptr;
    return IsVistaOrLater() ? HostFromTransceiver(portName) : HostFromRegistry(portName);
}

void AttachSnmpClient(PortRecord* port) {
    char* host = GetTcpIpPortHost(port->portName);
    SnmpClient* client = CreateSnmpClient(host, nullptr);
    MonFree(host);
    GiveBackClient(port, client);
}

DWORD ReadSnmpDeviceId(PortRecord* port, char* buffer, DWORD size) {
    if (!buffer || size == 0) return 0;
    BOOL own = FALSE;
    SnmpClient* client = TakeClient(port, &own);
    char text[kSnmpFieldSize] = {};
    BOOL read = client && SnmpGetString(client, text, nullptr, kSnmpDeviceIdOid);
    GiveBackClient(port, client);
    if (!read) return 0;
    DWORD length = static_cast<DWORD>(strnlen(text, sizeof text - 1));
    length = length < size ? length : size - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = 0;
    return length;
}

BOOL QuerySnmpStatus(PortRecord* port) {
    char* host = GetTcpIpPortHost(port->portName);
    SnmpClient* client = CreateSnmpClient(host, nullptr);
    MonFree(host);
    if (!client) return FALSE;
    BOOL walked = SnmpWalk(client, kSnmpJobNameColumn);
    std::vector<TableRow> rows = CollectRows(client);
    for (const TableRow& row : rows) {
        DWORD jobId = 0;
        BOOL firstSight = FALSE;
        if (row.name.empty() || !MatchRow(port, row.name, &jobId, &firstSight)) continue;
        if (!TakeRow(port, client, row, jobId, firstSight)) break;
    }
    if (walked) EndVanishedJobs(port, rows);
    PublishDirtyVariables(port);
    ReplaceClient(port, client);
    EndFinishedJobs(port);
    return walked;
}
