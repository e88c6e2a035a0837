// The status manager's thread in each process that uses it: change notifications made by other
// processes, refresh requests served through this process's monitor, and the answers to the
// requests this process made.
#include <thread>

#include "outside/dorlik/local_state.h"
#include "plat/monitor_host.h"
#include "win/kernel.h"
#include "win/user_msg.h"

namespace dorlik {
namespace {

constexpr int kServiceWaitMs = 250;  // bounds how long a lost wake-up can delay the thread

struct RefreshJob {
    uint32_t cookie;
    std::u16string printer;
};

// Takes the pending requests this process's monitor serves; requests nobody serves any more
// are answered with a refusal, and those of processes that died are dropped.
std::vector<RefreshJob> TakeRequests(Mapping& m) {
    std::vector<RefreshJob> jobs;
    StoreLock lock(m);
    bool changed = false;
    for (StoreRequest& r : m.layout->requests) {
        if (r.state == kRequestFree) continue;
        if (!ProcessAlive(r.requesterPid)) {
            r.state = kRequestFree;
            continue;
        }
        if (r.state != kRequestPending || r.printer >= m.layout->header.printerCount) continue;
        uint32_t server = m.layout->printers[r.printer].serverPid;
        if (server == ThisProcess()) {
            r.state = kRequestTaken;
            jobs.push_back({r.cookie, m.layout->printers[r.printer].name});
        } else if (!ProcessAlive(server)) {
            r.state = kRequestDone;
            r.result = DORLIK_E_NOT_SERVED;
            changed = true;
        }
    }
    if (changed) WakeWaiters(m);
    return jobs;
}

// The monitor's answer to port query "Refresh:" + printer name.
LONG AskMonitor(const std::u16string& printer) {
    std::u16string query = u"Refresh:" + printer;
    LONG answer = DORLIK_E_NOT_SERVED;
    DWORD returned = 0;
    PlatQueryPrinterPort(printer.c_str(), query.c_str(), reinterpret_cast<LPBYTE>(&answer), sizeof answer, &returned);
    return returned == sizeof answer ? answer : DORLIK_E_NOT_SERVED;
}

void FinishRequest(Mapping& m, uint32_t cookie, LONG result) {
    StoreLock lock(m);
    for (StoreRequest& r : m.layout->requests) {
        if (r.state != kRequestTaken || r.cookie != cookie) continue;
        r.state = kRequestDone;
        r.result = result;
    }
    WakeWaiters(m);
}

void ServeRequests(Mapping& m) {
    for (const RefreshJob& job : TakeRequests(m)) FinishRequest(m, job.cookie, AskMonitor(job.printer));
}

// Posts the reply message or sets the event of this process's finished asynchronous requests.
void AnnounceFinished(Mapping& m, LocalState& s) {
    StoreLock lock(m);
    for (StoreRequest& r : m.layout->requests) {
        if (r.state != kRequestDone || r.requesterPid != ThisProcess() || r.announced) continue;
        if (r.kind == kRequestDirect) continue;
        r.announced = 1;
        if (r.kind == kRequestMessage)
            PostMessageW(reinterpret_cast<HWND>(r.window), r.message, r.cookie, static_cast<LPARAM>(r.result));
        else
            SetEvent(reinterpret_cast<HANDLE>(r.window));
    }
    (void)s;
}

void ServiceLoop() {
    LocalState& s = local();
    for (;;) {
        std::shared_ptr<Mapping> m = CurrentMapping();
        if (!m) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kServiceWaitMs));
            continue;
        }
        uint32_t seen = WakeWord(*m);
        ServeRequests(*m);
        std::vector<PendingCallback> callbacks;
        {
            std::lock_guard<std::mutex> g(s.lock);
            AnnounceFinished(*m, s);
            DeliverChanges(*m, s, &callbacks);
        }
        RunCallbacks(callbacks);
        WaitForChange(*m, seen, kServiceWaitMs);
    }
}

}  // namespace

void StartFrom(Mapping& m, Registration& r) {
    StoreLock lock(m);
    int printer = FindPrinter(m, r.printer, false);
    r.seen.assign(r.names.size(), 0);
    for (size_t i = 0; i < r.names.size() && printer >= 0; ++i) {
        int v = FindVariable(m, static_cast<uint32_t>(printer), r.names[i]);
        if (v >= 0) r.seen[i] = m.layout->variables[v].changeSeq;
    }
}

void DeliverChanges(Mapping& m, LocalState& s, std::vector<PendingCallback>* callbacks) {
    StoreLock lock(m);
    for (Registration& r : s.registrations) {
        int printer = FindPrinter(m, r.printer, false);
        if (printer < 0) continue;
        for (size_t i = 0; i < r.names.size(); ++i) {
            int v = FindVariable(m, static_cast<uint32_t>(printer), r.names[i]);
            if (v < 0 || m.layout->variables[v].changeSeq <= r.seen[i]) continue;
            r.seen[i] = m.layout->variables[v].changeSeq;
            // Set under the local lock: KillNotificationEvent waits for it, so an event its
            // owner closes after killing the registration is never touched.
            if (i < r.events.size()) SetEvent(r.events[i]);
            if (r.callback) callbacks->push_back({r.callback, r.context, r.names[i]});
        }
    }
}

void RunCallbacks(const std::vector<PendingCallback>& callbacks) {
    for (const PendingCallback& c : callbacks) c.callback(c.context, c.name.c_str());
}

void EnsureServiceThread(LocalState& s) {
    if (s.serviceStarted) return;
    // The thread runs library code until the process ends, so the library stays loaded.
    WCHAR path[520] = {};
    if (s.module && GetModuleFileNameW(reinterpret_cast<HMODULE>(s.module), path, 519)) LoadLibraryW(path);
    s.serviceStarted = true;
    std::thread(ServiceLoop).detach();
}

}  // namespace dorlik
