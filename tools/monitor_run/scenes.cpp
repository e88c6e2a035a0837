// The scenes: the monitors loaded on the hand-moved clock, a log of every publication of the
// followed variables (with the monitor's time), the job, the printer's error and recovery, and
// the reader process's report.
#include "tools/monitor_run/scenes.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "outside/dorlik/dorlik_api.h"
#include "outside/varnel/varnel_api.h"
#include "plat/control.h"
#include "plat/monitor_host.h"
#include "tools/monitor_run/printer_setup.h"
#include "tools/monitor_run/status_reader.h"
#include "tools/monitor_run/variable_text.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace {

constexpr DWORD kClockStepMs = 50;  // of the monitor's clock for each millisecond of real time
// A bound that only ends a broken run: each wait returns as soon as what it waits for is seen,
// and a busy two-core machine under the sanitizers needs far more than a quiet one.
constexpr int kSceneWaitMs = 120000;
constexpr int kErrorShownMs = 200;  // real time the printer stays in error once the monitor saw it
constexpr uint32_t kStatusReady = 0x1100;
constexpr uint32_t kStatusPaperOut = 0x0B00;  // status group 11, index 0: the paper ran out
constexpr DWORD kHistoryLimit = 64;
constexpr uint32_t kNotResponding = 0x100;  // PrinterStatus DWORD 1
constexpr uint32_t kExtStatusPolling = 0x10;
constexpr size_t kJobIdAt = 288;  // of a job-information record
constexpr size_t kPagesAt = 292;
constexpr size_t kNotSeen = static_cast<size_t>(-1);

template <typename T>
T Entry(HMODULE m, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

// The monitor's clock moves on by itself, 50 times faster than real time, so its waits pass quickly.
class ClockPump {
public:
    ClockPump()
        : thread_([this] {
              while (!stop_.load()) {
                  PlatClockAdvance(kClockStepMs);
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~ClockPump() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Publication {
    DWORD tick;
    std::string name;   // empty for a note of what the scene did
    std::string value;  // the value, or the note's text
};

// Every publication of the followed variables, as the status manager's history keeps them, with
// the monitor's time at which it was seen; and notes of the scene's own steps among them.
class VariableLog {
public:
    explicit VariableLog(HMODULE dorlik)
        : history_(Entry<PFN_DorlikReadHistory>(dorlik, "DorlikReadHistory")),
          updates_(Entry<PFN_DorlikUpdateCount>(dorlik, "DorlikUpdateCount")) {
        names_ = FollowedNames();
        seen_.assign(names_.size(), 0);
        for (size_t i = 0; history_ && updates_ && i < names_.size(); ++i)
            seen_[i] = updates_(kPrinter, names_[i].c_str());
        if (history_ && updates_) thread_ = std::thread([this] { Follow(); });
    }
    ~VariableLog() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool Working() const { return history_ && updates_; }
    size_t Mark() const {
        std::lock_guard<std::mutex> g(lock_);
        return entries_.size();
    }
    void Note(const std::string& text) {
        std::lock_guard<std::mutex> g(lock_);
        entries_.push_back({GetTickCount(), "", text});
    }
    std::vector<Publication> Since(size_t mark) const {
        std::lock_guard<std::mutex> g(lock_);
        return std::vector<Publication>(entries_.begin() + static_cast<long>(std::min(mark, entries_.size())),
                                        entries_.end());
    }
    // Waits (real time) until a publication of `name` after mark has a value that accept takes:
    // the mark just past it, or kNotSeen.
    size_t WaitFor(size_t mark, const char* name, const std::function<bool(const std::string&)>& accept,
                   int ms = kSceneWaitMs) const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (size_t at = mark;;) {
            for (const Publication& p : Since(at)) {
                ++at;
                if (p.name == name && accept(p.value)) return at;
            }
            if (std::chrono::steady_clock::now() > until) return kNotSeen;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

private:
    std::string ReadBack(const std::string& name, DWORD back) const {
        DWORD needed = 0;
        if (history_(kPrinter, name.c_str(), back, nullptr, 0, &needed) != DORLIK_E_SMALL_QUERY) return "";
        std::string value(needed, '\0');
        if (history_(kPrinter, name.c_str(), back, value.data(), needed, &needed) != DORLIK_OK) return "";
        return value;
    }
    void Follow() {
        while (!stop_.load()) {
            for (size_t i = 0; i < names_.size(); ++i) {
                const char* name = names_[i].c_str();
                const DWORD count = updates_(kPrinter, name);
                if (count <= seen_[i]) continue;
                std::vector<std::string> values;
                for (DWORD back = std::min(count - seen_[i], kHistoryLimit); back-- > 0;)
                    values.push_back(ReadBack(names_[i], back));
                if (updates_(kPrinter, name) != count) continue;  // published meanwhile: read again
                seen_[i] = count;
                std::lock_guard<std::mutex> g(lock_);
                for (std::string& v : values) entries_.push_back({GetTickCount(), names_[i], std::move(v)});
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    PFN_DorlikReadHistory history_;
    PFN_DorlikUpdateCount updates_;
    std::vector<std::string> names_;
    std::vector<DWORD> seen_;
    mutable std::mutex lock_;
    std::vector<Publication> entries_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool PollingOn(const std::string& extStatus) {
    return extStatus.size() == 4 && (ValueDword(extStatus) & kExtStatusPolling);
}

bool PollingOff(const std::string& extStatus) {
    return extStatus.size() == 4 && !(ValueDword(extStatus) & kExtStatusPolling);
}

// What a "PrintingJobInfo2" publication tells of its job, from the job's earlier ones: its start
// (first seen), pages printed (more than before), its end (back to 0 pages after some).
class JobProgress {
public:
    std::string Label(const std::string& value) {
        const uint32_t job = ValueDword(value, kJobIdAt), pages = ValueDword(value, kPagesAt);
        if (job == 0) return "";
        auto seen = pages_.find(job);
        if (seen == pages_.end()) {
            pages_[job] = pages;
            return pages ? "  [job start, pages]" : "  [job start]";
        }
        const uint32_t before = seen->second;
        seen->second = pages;
        if (pages > before) return "  [pages]";
        if (pages == 0 && before > 0) return "  [job end]";
        return "";
    }

private:
    std::map<uint32_t, uint32_t> pages_;
};

// The log from mark on, with times from `start` of the monitor's clock.
void ShowLog(const VariableLog& log, size_t mark, DWORD start) {
    JobProgress progress;
    for (const Publication& p : log.Since(mark)) {
        const long t = static_cast<long>(p.tick - start);
        if (p.name.empty()) {
            std::printf("  t=%6ld ms  -- %s\n", t, p.value.c_str());
            continue;
        }
        const std::string label = p.name == "PrintingJobInfo2" ? progress.Label(p.value) : "";
        std::printf("  t=%6ld ms  %-17s %s%s\n", t, p.name.c_str(), VariableText(p.name, p.value).c_str(),
                    label.c_str());
    }
}

struct Monitors {
    HMODULE dorlik = nullptr;
    plat::LoadedMonitor lower, language;
    bool loaded = false;
    Monitors() {
        // Loaded before the monitor binds it, so its variables outlive the monitor's own FreeLibrary.
        dorlik = LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL");
        loaded = dorlik && plat::LoadMonitor(&lower, u"C:\\Windows\\System32\\Loopmon.dll", u"Loopback Port") &&
                 plat::LoadMonitor(&language, u"C:\\Windows\\System32\\Lostrel.dll", u"Brantel Language Monitor");
    }
    ~Monitors() {
        if (language.module) plat::UnloadMonitor(&language);
        if (lower.module) plat::UnloadMonitor(&lower);
        if (dorlik) FreeLibrary(dorlik);
    }
};

struct OpenedPort {
    plat::HostPort port;
    bool open = false;
    ~OpenedPort() {
        if (open) plat::ClosePort(&port);
    }
};

std::string PortHost(const std::u16string& port) {
    std::u16string xcvName = u",XcvPort " + port;
    HANDLE xcv = nullptr;
    if (!OpenPrinterW(xcvName.data(), &xcv, nullptr)) return "(no transceive channel)";
    char16_t answer[130] = {};
    DWORD needed = 0, status = 0;
    const BOOL ok =
        XcvDataW(xcv, u"IPAddress", nullptr, 0, reinterpret_cast<PBYTE>(answer), sizeof answer - 2, &needed, &status);
    ClosePrinter(xcv);
    if (!ok || status != 0) return "(no answer)";
    return std::string(answer, answer + std::char_traits<char16_t>::length(answer));
}

std::string SnmpPortText() {
    const char* port = std::getenv(kVarnelPortVariable);
    return port ? port : "?";
}

const char* JobStateName(int state) {
    if (state == printersim::kSnmpJobFinished) return "finished";
    if (state == printersim::kSnmpJobCancelled) return "cancelled";
    if (state == printersim::kSnmpJobPrinting) return "printing";
    return "other";
}

// Scene 1: the job through the port, and the job progress read from the printer's job table
// until the polling thread has nothing left to follow.
bool JobScene(OpenedPort* p, const std::string& job, printersim::Simulator* sim, VariableLog* log) {
    std::printf("\n=== Scene 1: a job through standard TCP/IP port %s, job progress over SNMP ===\n",
                std::string(p->port.portName.begin(), p->port.portName.end()).c_str());
    std::printf("port host (XcvDataW \"IPAddress\"): %s; the printer's SNMP agent: udp 127.0.0.1:%s\n",
                PortHost(p->port.portName).c_str(), SnmpPortText().c_str());
    const size_t mark = log->Mark();
    const DWORD start = GetTickCount();
    log->Note("the spooler starts the job");
    plat::JobOptions options;
    options.chunkSize = 4096;
    plat::JobResult r =
        plat::SendJob(&p->port, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), options);
    log->Note("EndDocPort returned for job " + std::to_string(r.jobId));
    // The printer's job table reports the job finished; the polling thread then ends.
    const bool progress = log->WaitFor(mark, "PrintingJobInfo2", [&](const std::string& v) {
        return ValueDword(v, kJobIdAt) == r.jobId && ValueDword(v, kPagesAt) > 0;
    }) != kNotSeen;
    const size_t polling = log->WaitFor(mark, "PrinterExtStatus", PollingOn);
    const bool pollingEnded = polling != kNotSeen && log->WaitFor(polling, "PrinterExtStatus", PollingOff) != kNotSeen;
    std::printf("job %u: StartDocPort %s, WritePort %s (%zu of %zu bytes), EndDocPort %s\n", r.jobId,
                r.started ? "ok" : "failed", r.written ? "ok" : "failed", r.bytesAccepted, job.size(),
                r.ended ? "ok" : "failed");
    std::printf("status variables published (monitor's clock):\n");
    ShowLog(*log, mark, start);
    std::printf("the printer's job table over SNMP:\n");
    const std::vector<printersim::SnmpJob> table = sim->JobTable();
    for (size_t i = 0; i < table.size(); ++i)
        std::printf("  row %zu: \"%s\" %s, %d pages\n", i + 1, table[i].name.c_str(), JobStateName(table[i].state),
                    table[i].pages);
    if (!progress) std::printf("scene 1: no page count of job %u came back\n", r.jobId);
    if (!pollingEnded) std::printf("scene 1: the polling thread did not end\n");
    return r.started && r.written && r.ended && progress && pollingEnded;
}

// A job queued for the printer that the spooler has not sent yet.
struct WaitingJob {
    HANDLE printer = nullptr;
    DWORD id = 0;
    WaitingJob() {
        std::u16string name = kPrinter, document = u"Waiting job", type = u"RAW";
        DOC_INFO_1W doc{document.data(), nullptr, type.data()};
        if (OpenPrinterW(name.data(), &printer, nullptr))
            id = StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc));
    }
    void Delete() {
        if (id) SetJobW(printer, id, 0, nullptr, JOB_CONTROL_DELETE);
        id = 0;
    }
    ~WaitingJob() {
        Delete();
        if (printer) ClosePrinter(printer);
    }
};

// The spooler tells the printer's client thread that a job of the printer changed.
void SignalJobChanged() {
    const std::u16string name = u"Global\\PWDJOBEVENT:" + std::u16string(kPrinter);
    HANDLE event = OpenEventW(EVENT_ALL_ACCESS, FALSE, name.c_str());
    if (!event) return;
    SetEvent(event);
    CloseHandle(event);
}

bool HasPaperOut(const std::string& status) {
    return PortStatusOf(status) == kPortStatusPaperOut;
}

// Scene 2: paper out while a job waits; the job-watch thread sees the printer recover.
bool ErrorScene(printersim::Simulator* sim, VariableLog* log) {
    std::printf("\n=== Scene 2: the printer in error while a job waits; the job-watch thread sees it recover ===\n");
    std::printf(
        "no job is open: the client thread looks at the printer when the queue changes, and the thread\n"
        "that then polls it (PrinterExtStatus 0x10) is the job-watch thread\n");
    const size_t mark = log->Mark();
    const DWORD start = GetTickCount();
    sim->SetStatusCode(kStatusPaperOut);
    log->Note("the printer runs out of paper (status code 0B00)");
    WaitingJob waiting;
    log->Note("job " + std::to_string(waiting.id) + " waits in the queue; the spooler signals the job change");
    SignalJobChanged();
    const size_t error = log->WaitFor(mark, "PrinterStatus", HasPaperOut);
    const bool sawError = error != kNotSeen;
    const bool watching = log->WaitFor(mark, "PrinterExtStatus", PollingOn) != kNotSeen;
    std::this_thread::sleep_for(std::chrono::milliseconds(kErrorShownMs));
    const size_t cleared = log->Mark();
    sim->SetStatusCode(kStatusReady);
    log->Note("paper loaded: the printer is ready again (status code 1100)");
    const bool recovered = log->WaitFor(cleared, "PrinterStatus", [](const std::string& v) {
        return v.size() == 12 && PortStatusOf(v) == 0 && !(ValueDword(v, 4) & kNotResponding);
    }) != kNotSeen;
    const size_t dequeued = log->Mark();
    waiting.Delete();
    log->Note("the waiting job is taken out of the queue");
    const bool watchEnded = log->WaitFor(dequeued, "PrinterExtStatus", PollingOff) != kNotSeen;
    std::printf("status variables published (monitor's clock):\n");
    ShowLog(*log, mark, start);
    if (!sawError) std::printf("scene 2: the monitor never saw the paper out\n");
    if (!watching) std::printf("scene 2: no status thread watched the printer\n");
    if (!recovered) std::printf("scene 2: the monitor never saw the printer recover\n");
    if (!watchEnded) std::printf("scene 2: the job-watch thread did not end\n");
    return waiting.printer && sawError && watching && recovered && watchEnded;
}

bool ReaderScene(ReaderProcess* reader) {
    std::printf("\n=== Scene 3: a status reader in another process (pid %d) followed scenes 1 and 2 ===\n",
                static_cast<int>(reader->Pid()));
    std::printf("times are the reader's own (real time since it registered):\n");
    std::vector<std::string> lines;
    int exitCode = 0;
    const bool ok = reader->Finish(&lines, &exitCode);
    for (const std::string& line : lines) std::printf("  %s\n", line.c_str());
    std::printf("reader process ended with exit code %d\n", exitCode);
    return ok;
}

}  // namespace

int RunScenes(const std::string& job, const std::string& sandboxRoot, const std::string& portName,
              printersim::Simulator* sim) {
    Monitors monitors;
    if (!monitors.loaded) {
        std::fprintf(stderr, "cannot load the monitors (error %u)\n", GetLastError());
        return 1;
    }
    VariableLog log(monitors.dorlik);
    ReaderProcess reader;
    if (!log.Working() || !reader.Start(sandboxRoot, kPrinterAnsi)) {
        std::fprintf(stderr, "cannot follow the status manager (the reader process did not start)\n");
        return 1;
    }
    bool ok = false;
    {
        ClockPump pump;
        OpenedPort p;
        const std::u16string port = Wide(portName);
        p.open = plat::OpenPort(&p.port, &monitors.language, &monitors.lower, port.c_str(), kPrinter);
        if (!p.open) {
            std::fprintf(stderr, "OpenPortEx failed (error %u)\n", GetLastError());
            return 1;
        }
        ok = JobScene(&p, job, sim, &log);
        ok = ErrorScene(sim, &log) && ok;
    }
    ok = ReaderScene(&reader) && ok;
    std::printf("\nscenes: %s\n", ok ? "all shown" : "FAILED");
    return ok ? 0 : 1;
}
