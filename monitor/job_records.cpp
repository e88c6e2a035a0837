// The port's job records: one per job sent through it, in order, until the printer reports
// the job's end (or the job ends without one), and the spooler's last-page-ejected signal.
#include "monitor/job_records.h"

#include <cstring>

#include "win/spool.h"

BOOL SetJobControl(HANDLE printer, DWORD jobId, JobRecord* job) {
    if (job && (job->flags & kJobEjectSignalled)) return TRUE;
    if (!printer) return FALSE;
    BOOL ok = SetJobW(printer, jobId, 0, nullptr, JOB_CONTROL_LAST_PAGE_EJECTED);
    if (job && job->jobId == jobId) job->flags |= kJobEjectSignalled;
    return ok;
}

JobRecord* AddJobRecord(DWORD jobId, PortRecord* port) {
    auto* job = static_cast<JobRecord*>(MonAlloc(sizeof(JobRecord)));
    if (!job) return nullptr;
    job->jobId = jobId;
    job->client = port->currentClient;
    if (port->jobTail)
        port->jobTail->next = job;
    else
        port->jobHead = job;
    port->jobTail = job;
    return job;
}

BOOL PopJobRecord(PortRecord* port, BOOL signal) {
    JobRecord* job = port->jobHead;
    if (!job) return FALSE;
    if (signal) {
        HANDLE printer = job->client ? job->client->printer : nullptr;
        SetJobControl(printer, job->jobId, job);
    }
    port->jobHead = job->next;
    if (!port->jobHead) port->jobTail = nullptr;
    MonFree(job);
    return TRUE;
}

DWORD DropJobRecordsById(DWORD jobId, PortRecord* port) {
    DWORD dropped = 0;
    JobRecord* previous = nullptr;
    for (JobRecord* job = port->jobHead; job;) {
        JobRecord* next = job->next;
        if (job->jobId != jobId) {
            previous = job;
            job = next;
            continue;
        }
        if (previous)
            previous->next = next;
        else
            port->jobHead = next;
        if (port->jobTail == job) port->jobTail = previous;
        MonFree(job);
        ++dropped;
        job = next;
    }
    return dropped;
}

void DropAllJobRecords(PortRecord* port, BOOL signal) {
    while (PopJobRecord(port, signal)) {
    }
}

DWORD CountJobRecords(const PortRecord* port) {
    DWORD n = 0;
    for (JobRecord* j = port->jobHead; j; j = j->next) ++n;
    return n;
}

BOOL SetJobRecordName(const char* text, DWORD which, PortRecord* port) {
    JobRecord* job = port->jobTail;
    if (!job || !text) return FALSE;
    if (which & 1) {
        std::memset(job->firstName, 0, sizeof job->firstName);
        std::strncpy(job->firstName, text, sizeof job->firstName - 1);
    }
    if (which & 2) {
        std::memset(job->secondName, 0, sizeof job->secondName);
        std::strncpy(job->secondName, text, sizeof job->secondName - 1);
    }
    return TRUE;
}

JobRecord* FindJobRecordByNamePrefix(const char* text, size_t n, DWORD which, PortRecord* port) {
    if (!text || !*text) return nullptr;
    for (JobRecord* j = port->jobHead; j; j = j->next) {
        if ((which & 1) && std::strncmp(j->firstName, text, n) == 0) return j;
        if ((which & 2) && std::strncmp(j->secondName, text, n) == 0) return j;
    }
    return nullptr;
}

JobRecord* FindJobRecordById(DWORD jobId, PortRecord* port) {
    for (JobRecord* j = port->jobHead; j; j = j->next)
        if (j->jobId == jobId) return j;
    return nullptr;
}
