// Print jobs: StartDocPrinter to EndDocPrinter with the spool file below the sandbox,
// WritePrinter (which can fail or write short under fault injection, as a real spooler's
// disk or pipe can), the job list and SetJob's controls.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "plat/control.h"
#include "plat_internal.h"
#include "spool_internal.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace plat {
namespace {

constexpr DWORD kStatusRestart = 0x00000800;   // JOB_STATUS_RESTART
constexpr DWORD kStatusComplete = 0x00001000;  // JOB_STATUS_COMPLETE (sent to the printer)

struct Job {
    DWORD id = 0;
    std::u16string printer, document, datatype, user, machine, statusText, outputFile;
    std::string devmode;
    std::string spoolHost;
    DWORD status = 0;
    DWORD priority = 1;
    DWORD pages = 0;
    DWORD pagesPrinted = 0;
    ULONGLONG size = 0;
    SYSTEMTIME submitted{};
    int fd = -1;  // open while the document is spooled
    bool spooling = false;
};

struct Jobs {
    std::recursive_mutex lock;
    std::map<DWORD, Job> byId;  // ascending ids are the queue order
    DWORD nextId = 2;
    std::map<std::u16string, std::string> lastSpool;  // folded printer name -> spool file
};

Jobs& jobs() {
    static Jobs* j = new Jobs;
    return *j;
}

void RemoveJob(std::map<DWORD, Job>::iterator it) {
    if (it->second.fd >= 0) close(it->second.fd);
    unlink(it->second.spoolHost.c_str());
    jobs().byId.erase(it);
}

std::vector<const Job*> JobsOf(std::u16string_view printer) {
    std::vector<const Job*> list;
    for (const auto& [id, job] : jobs().byId)
        if (EqualNoCase(job.printer, printer)) list.push_back(&job);
    return list;
}

void FillJob1(JOB_INFO_1W& info, Packer& p, const Job& j, DWORD position) {
    info.JobId = j.id;
    info.pPrinterName = p.Str(j.printer);
    info.pMachineName = p.Str(j.machine);
    info.pUserName = p.Str(j.user);
    info.pDocument = p.Str(j.document);
    info.pDatatype = p.Str(j.datatype);
    info.pStatus = j.statusText.empty() ? nullptr : p.Str(j.statusText);
    info.Status = j.status;
    info.Priority = j.priority;
    info.Position = position;
    info.TotalPages = j.pages;
    info.PagesPrinted = j.pagesPrinted;
    info.Submitted = j.submitted;
}

void FillJob2(JOB_INFO_2W& info, Packer& p, const Job& j, DWORD position) {
    info.pDevMode = j.devmode.empty() ? nullptr : static_cast<LPDEVMODEW>(p.Bytes(j.devmode));
    info.JobId = j.id;
    info.pPrinterName = p.Str(j.printer);
    info.pMachineName = p.Str(j.machine);
    info.pUserName = p.Str(j.user);
    info.pDocument = p.Str(j.document);
    info.pNotifyName = p.Str(j.user);
    info.pDatatype = p.Str(j.datatype);
    info.pPrintProcessor = p.Str(u"winprint");
    info.pParameters = p.Str(u"");
    info.pDriverName = p.Str(u"");
    info.pStatus = j.statusText.empty() ? nullptr : p.Str(j.statusText);
    info.pSecurityDescriptor = nullptr;
    info.Status = j.status;
    info.Priority = j.priority;
    info.Position = position;
    info.StartTime = 0;
    info.UntilTime = 0;
    info.TotalPages = j.pages;
    info.Size = static_cast<DWORD>(j.size);
    info.Submitted = j.submitted;
    info.Time = 0;
    info.PagesPrinted = j.pagesPrinted;
}

BOOL PackJobs(const std::vector<const Job*>& list, DWORD firstPosition, DWORD Level, LPBYTE buf, DWORD cb,
              LPDWORD needed, LPDWORD returned) {
    if (Level == 1)
        return PackRecords<JOB_INFO_1W>(
            list.size(),
            [&](JOB_INFO_1W& i, Packer& p, size_t k) {
                FillJob1(i, p, *list[k], firstPosition + static_cast<DWORD>(k));
            },
            buf, cb, needed, returned);
    if (Level == 2)
        return PackRecords<JOB_INFO_2W>(
            list.size(),
            [&](JOB_INFO_2W& i, Packer& p, size_t k) {
                FillJob2(i, p, *list[k], firstPosition + static_cast<DWORD>(k));
            },
            buf, cb, needed, returned);
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
}

// The handle's document, or null with ERROR_SPL_NO_STARTDOC.
Job* DocOf(PrinterHandle& p) {
    auto it = jobs().byId.find(p.jobId);
    if (!p.jobId || it == jobs().byId.end()) {
        SetLastError(ERROR_SPL_NO_STARTDOC);
        return nullptr;
    }
    return &it->second;
}

}  // namespace

DWORD JobCount(std::u16string_view printer) {
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    return static_cast<DWORD>(JobsOf(printer).size());
}

void DropJobs() {
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    for (auto& [id, job] : jobs().byId)
        if (job.fd >= 0) close(job.fd);
    jobs().byId.clear();
}

void DropJobsOf(std::u16string_view printer) {
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    for (auto it = jobs().byId.begin(); it != jobs().byId.end();) {
        auto next = std::next(it);
        if (EqualNoCase(it->second.printer, printer)) {
            // A job still being written goes when its document ends, as with a delete.
            if (it->second.spooling)
                it->second.status |= JOB_STATUS_DELETING;
            else
                RemoveJob(it);
        }
        it = next;
    }
}

bool EndJobOfHandle(PrinterHandle& p) {
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    auto it = jobs().byId.find(p.jobId);
    p.jobId = 0;
    p.inPage = false;
    if (it == jobs().byId.end()) return true;
    Job& job = it->second;
    if (job.fd >= 0) {
        if (Persistence() == PLAT_PERSIST_DURABLE) fsync(job.fd);
        close(job.fd);
        job.fd = -1;
    }
    job.spooling = false;
    job.status &= ~static_cast<DWORD>(JOB_STATUS_SPOOLING);
    if (job.status & (JOB_STATUS_DELETING | JOB_STATUS_PRINTED)) {
        RemoveJob(it);
        return true;
    }
    if (job.outputFile.empty()) return true;
    // Printing to a file: the spooled bytes end up in the named file, or the job fails.
    if (FailNow("EndDocPrinter", ERROR_WRITE_FAULT)) return false;
    return CopyFileW(Utf8ToUtf16(job.spoolHost).c_str(), job.outputFile.c_str(), FALSE) != FALSE;
}

}  // namespace plat

using namespace plat;

extern "C" {

DWORD StartDocPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pDocInfo) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return 0;
    if (p->server || p->openedJob) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (Level != 1 && Level != 2 && Level != 3) {
        SetLastError(ERROR_INVALID_LEVEL);
        return 0;
    }
    auto* info = reinterpret_cast<const DOC_INFO_1W*>(pDocInfo);
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    if (p->jobId) {
        SetLastError(ERROR_INVALID_PRINTER_STATE);
        return 0;
    }
    std::u16string datatype = info->pDatatype && *info->pDatatype ? info->pDatatype : u"RAW";
    if (!EqualNoCase(datatype, u"RAW") && !EqualNoCase(datatype, u"NT EMF 1.008") && !EqualNoCase(datatype, u"TEXT")) {
        SetLastError(ERROR_INVALID_DATATYPE);
        return 0;
    }
    std::u16string installed;
    if (!FindPrinter(p->name, &installed)) {
        SetLastError(ERROR_PRINTER_DELETED);
        return 0;
    }
    Job job;
    job.id = jobs().nextId++;
    job.printer = installed;
    job.document = info->pDocName ? info->pDocName : u"";
    job.datatype = datatype;
    job.outputFile = info->pOutputFile ? info->pOutputFile : u"";
    WCHAR name[256];
    DWORD n = 256;
    job.user = GetUserNameW(name, &n) ? name : u"";
    n = 256;
    job.machine = GetComputerNameW(name, &n) ? u"\\\\" + std::u16string(name) : u"";
    job.devmode = p->devmode;
    job.status = JOB_STATUS_SPOOLING;
    GetSystemTime(&job.submitted);
    WCHAR file[32];
    wsprintfW(file, u"\\%05u.SPL", job.id);
    std::string dir = MapPath(kSpoolDirectory);
    MakeDirs(dir);
    job.spoolHost = MapPath(std::u16string(kSpoolDirectory) + file);
    job.fd = open(job.spoolHost.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (job.fd < 0) {
        SetLastError(ErrnoToError(errno));
        return 0;
    }
    job.spooling = true;
    p->jobId = job.id;
    p->inPage = false;
    jobs().lastSpool[Fold(installed)] = job.spoolHost;
    DWORD id = job.id;
    jobs().byId.emplace(id, std::move(job));
    return id;
}

BOOL StartPagePrinter(HANDLE hPrinter) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    Job* job = DocOf(*p);
    if (!job) return FALSE;
    job->pages++;
    p->inPage = true;
    return TRUE;
}

BOOL EndPagePrinter(HANDLE hPrinter) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    if (!DocOf(*p)) return FALSE;
    p->inPage = false;
    return TRUE;
}

BOOL WritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
    if (pcWritten) *pcWritten = 0;
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    if (!pcWritten || (!pBuf && cbBuf)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    Job* job = DocOf(*p);
    if (!job) return FALSE;
    if (job->status & (JOB_STATUS_DELETING | JOB_STATUS_DELETED)) {
        SetLastError(ERROR_PRINT_CANCELLED);
        return FALSE;
    }
    DWORD want = cbBuf;
    Injection inj = TakeInjection("WritePrinter");
    if (inj.due && !inj.shortWrite) {
        SetLastError(inj.error);
        return FALSE;
    }
    if (inj.due) want = inj.bytesShort >= want ? 0 : want - inj.bytesShort;
    DWORD done = 0;
    while (done < want) {
        ssize_t n = write(job->fd, static_cast<const char*>(pBuf) + done, want - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *pcWritten = done;
            job->size += done;
            SetLastError(n < 0 ? ErrnoToError(errno) : ERROR_DISK_FULL);
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    job->size += done;
    *pcWritten = done;
    return TRUE;
}

BOOL EndDocPrinter(HANDLE hPrinter) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    if (!DocOf(*p)) return FALSE;
    return EndJobOfHandle(*p) ? TRUE : FALSE;
}

BOOL AbortPrinter(HANDLE hPrinter) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    if (!DocOf(*p)) return FALSE;
    auto it = jobs().byId.find(p->jobId);
    p->jobId = 0;
    p->inPage = false;
    RemoveJob(it);
    return TRUE;
}

BOOL EnumJobsW(HANDLE hPrinter, DWORD FirstJob, DWORD NoJobs, DWORD Level, LPBYTE pJob, DWORD cbBuf, LPDWORD pcbNeeded,
               LPDWORD pcReturned) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    if (!pcbNeeded || !pcReturned) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    std::vector<const Job*> all = JobsOf(p->name);
    std::vector<const Job*> list;
    for (size_t i = FirstJob; i < all.size() && list.size() < NoJobs; ++i) list.push_back(all[i]);
    return PackJobs(list, FirstJob + 1, Level, pJob, cbBuf, pcbNeeded, pcReturned);
}

BOOL GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf, LPDWORD pcbNeeded) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    std::vector<const Job*> all = JobsOf(p->name);
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i]->id == JobId)
            return PackJobs({all[i]}, static_cast<DWORD>(i + 1), Level, pJob, cbBuf, pcbNeeded, nullptr);
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

BOOL SetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command) {
    auto p = GetPrinterHandle(hPrinter);
    if (!p) return FALSE;
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    auto it = jobs().byId.find(JobId);
    if (it == jobs().byId.end() || !EqualNoCase(it->second.printer, p->name)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Job& job = it->second;
    if (Level == 1 || Level == 2) {
        if (!pJob) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        // The fields a monitor or the owner may change: priority, document name, status text.
        const JOB_INFO_1W* i1 = Level == 1 ? reinterpret_cast<const JOB_INFO_1W*>(pJob) : nullptr;
        const JOB_INFO_2W* i2 = Level == 2 ? reinterpret_cast<const JOB_INFO_2W*>(pJob) : nullptr;
        DWORD priority = i1 ? i1->Priority : i2->Priority;
        LPWSTR doc = i1 ? i1->pDocument : i2->pDocument;
        LPWSTR status = i1 ? i1->pStatus : i2->pStatus;
        if (priority >= 1 && priority <= 99) job.priority = priority;
        if (doc) job.document = doc;
        job.statusText = status ? status : u"";
        job.pagesPrinted = i1 ? i1->PagesPrinted : i2->PagesPrinted;
    } else if (Level != 0) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    switch (Command) {
        case 0:
            break;
        case JOB_CONTROL_PAUSE:
            job.status |= JOB_STATUS_PAUSED;
            break;
        case JOB_CONTROL_RESUME:
            job.status &= ~static_cast<DWORD>(JOB_STATUS_PAUSED);
            break;
        case JOB_CONTROL_RESTART:
            job.status &= ~static_cast<DWORD>(JOB_STATUS_PRINTED | JOB_STATUS_ERROR | kStatusComplete);
            job.status |= kStatusRestart;
            break;
        case JOB_CONTROL_SENT_TO_PRINTER:
            job.status |= kStatusComplete;
            break;
        case JOB_CONTROL_CANCEL:
        case JOB_CONTROL_DELETE:
        case JOB_CONTROL_LAST_PAGE_EJECTED:
            if (Command == JOB_CONTROL_LAST_PAGE_EJECTED) job.status |= JOB_STATUS_PRINTED;
            if (job.spooling) {
                // Still being written: it goes when its document ends; writes now fail.
                if (Command != JOB_CONTROL_LAST_PAGE_EJECTED) job.status |= JOB_STATUS_DELETING;
            } else {
                RemoveJob(it);
            }
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
    }
    return TRUE;
}

const char* PlatLastSpoolFile(LPCWSTR printerName) {
    thread_local std::string path;
    std::lock_guard<std::recursive_mutex> g(jobs().lock);
    auto it = jobs().lastSpool.find(Fold(View(printerName)));
    if (it == jobs().lastSpool.end()) return nullptr;
    path = it->second;
    return path.c_str();
}

}  // extern "C"
