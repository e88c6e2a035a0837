// monitor_run: sends a job through the language monitor (Lostrel.dll) above the loopback port
// monitor (Loopmon.dll) to a printer, as the spooler would, and shows what the printer received
// (its PJL lines, decoded) and the status variables that came back through the status manager
// stand-in.
//   monitor_run [--job FILE] [--port USB001|IP_127.0.0.1] [--bin DIR] [--cancel]
//               [--printer HOST:PORT | printer options]
//   monitor_run --scenes [--job FILE] [--port IP_...] [--bin DIR] [printer options]
// Without --job a small sample job is sent. --bin is where the modules were built (default: the
// folder of this program). The printer is a simulator started here, misbehaving as the printer
// options say, or with --printer one started on its own (printer_sim) at a loopback address.
// --cancel deletes the job in the queue after its first kilobyte, while it is being sent.
// --scenes shows the monitor's status threads at work instead (scenes.h): on a standard TCP/IP
// port (IP_127.0.0.1 unless another IP_ port is given), with a status reader started as a
// process of its own (monitor_run --status-reader ROOT PRINTER, the mode it runs in). Runs in a
// fresh temporary sandbox on the hand-moved clock.
#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "outside/dorlik/dorlik_api.h"
#include "outside/varnel/varnel_api.h"
#include "plat/control.h"
#include "plat/monitor_host.h"
#include "plat/threads.h"
#include "tools/monitor_run/printer_setup.h"
#include "tools/monitor_run/scenes.h"
#include "tools/monitor_run/status_reader.h"
#include "tools/monitor_run/variable_text.h"
#include "tools/printer_sim/loopback.h"
#include "tools/printer_sim/printer_sim.h"
#include "tools/printer_sim/sim_options.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace {

std::string Visible(const std::string& line) {
    std::string out;
    for (unsigned char c : line) {
        if (c == 0x1b)
            out += "<ESC>";
        else if (c < 0x20 || c >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

std::string SampleJob() {
    const std::string uel("\x1b%-12345X", 9);
    // About 4 KB of PJL comments (so a cancel can come while it is sent), then three empty pages,
    // each ended by CR FF as page-control mode ends a page.
    std::string job = uel + "@PJL JOB NAME=\"sample\"\r\n";
    for (int line = 0; line < 48; ++line) job += "@PJL COMMENT " + std::string(72, 'x') + "\r\n";
    return job + "@PJL ENTER LANGUAGE=ORLA\r\n\r\f\r\f\r\f" + uel + "@PJL EOJ\r\n" + uel;
}

constexpr size_t kCancelAfterBytes = 1024;
constexpr DWORD kCancelChunk = 1024;
constexpr DWORD kHistoryShown = 64;  // the status manager keeps this many of each variable

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: monitor_run [--job FILE] [--port USB001|IP_127.0.0.1] [--bin DIR] [--cancel]\n"
                 "                   [--printer HOST:PORT | printer options]\n"
                 "       monitor_run --scenes [--job FILE] [--port IP_127.0.0.1] [--bin DIR] [printer options]\n"
                 "  --printer   a printer started on its own (printer_sim) at a loopback address\n"
                 "  --cancel    deletes the job in the queue after its first %zu bytes, while it is sent\n"
                 "  --scenes    the status threads at work: a job's progress over SNMP, the printer in error\n"
                 "              while a job waits and its recovery, a status reader in another process\n%s",
                 kCancelAfterBytes, printersim::kOptionsUsage);
}

struct RunOptions {
    std::string jobFile, bin, portName = "USB001";
    std::string printer;  // HOST:PORT of a printer started on its own; empty: a simulator of our own
    bool cancel = false;
    bool scenes = false;
    bool printerOptions = false;  // misbehaviours or status given for our own simulator
    printersim::Options simulator;
};

// The loopback port monitor reaches printers on 127.0.0.0/8 only: "localhost:N" or "127.x.y.z:N".
bool LoopbackAddress(const std::string& text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 == text.size() || text.size() - colon - 1 > 5) return false;
    const std::string host = text.substr(0, colon), port = text.substr(colon + 1);
    if (port.find_first_not_of("0123456789") != std::string::npos) return false;
    const unsigned long number = std::stoul(port);
    in_addr a{};
    if (number == 0 || number > 65535) return false;
    if (host == "localhost") return true;
    return inet_pton(AF_INET, host.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

// The options, or the exit code when the run ends here (help, or a usage error told on stderr).
std::optional<int> ParseArguments(int argc, char** argv, RunOptions* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        std::string error;
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        }
        if (a == "--job" && i + 1 < argc)
            o->jobFile = argv[++i];
        else if (a == "--port" && i + 1 < argc)
            o->portName = argv[++i];
        else if (a == "--bin" && i + 1 < argc)
            o->bin = argv[++i];
        else if (a == "--printer" && i + 1 < argc)
            o->printer = argv[++i];
        else if (a == "--cancel")
            o->cancel = true;
        else if (a == "--scenes")
            o->scenes = true;
        else if (printersim::TakeOption(argc, argv, &i, &o->simulator, &error))
            o->printerOptions = true;
        else {
            std::fprintf(stderr, "monitor_run: %s\n", error.empty() ? ("unknown option " + a).c_str() : error.c_str());
            Usage(stderr);
            return 2;
        }
    }
    if (!o->printer.empty() && !LoopbackAddress(o->printer)) {
        std::fprintf(stderr,
                     "monitor_run: --printer %s is no loopback address HOST:PORT (the port monitor reaches "
                     "127.0.0.0/8 only)\n",
                     o->printer.c_str());
        return 2;
    }
    if (o->scenes && (!o->printer.empty() || o->cancel)) {
        std::fprintf(stderr, "monitor_run: --scenes starts a printer of its own and cancels nothing\n");
        return 2;
    }
    if (o->scenes && !IsTcpIpPortName(o->portName)) o->portName = "IP_127.0.0.1";
    if (!o->printer.empty() && o->printerOptions) {
        std::fprintf(stderr,
                     "monitor_run: printer options are for the simulator monitor_run starts; give them to "
                     "printer_sim for a printer started on its own\n");
        return 2;
    }
    return std::nullopt;
}

bool ReadJob(const RunOptions& o, std::string* job) {
    if (o.jobFile.empty()) {
        *job = SampleJob();
        return true;
    }
    std::ifstream in(o.jobFile, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", o.jobFile.c_str());
        return false;
    }
    std::stringstream s;
    s << in.rdbuf();
    *job = s.str();
    return true;
}

std::string ProgramFolder() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    self[n] = 0;
    return std::string(self).substr(0, std::string(self).rfind('/'));
}

// Deletes the printer's job in the queue, as a user's cancel does.
void DeleteQueuedJob() {
    HANDLE h = nullptr;
    std::u16string name = kPrinter;
    DWORD needed = 0, count = 0;
    BYTE buffer[4096];
    if (!OpenPrinterW(name.data(), &h, nullptr)) return;
    if (EnumJobsW(h, 0, 1, 1, buffer, sizeof buffer, &needed, &count) && count == 1)
        SetJobW(h, reinterpret_cast<JOB_INFO_1W*>(buffer)->JobId, 0, nullptr, JOB_CONTROL_DELETE);
    ClosePrinter(h);
}

// Runs the job through the port; a cancel deletes it once its first kilobyte was taken, and our
// own printer then acknowledges the host's cancel for a while.
int RunJob(const RunOptions& o, const std::string& job, plat::LoadedMonitor* language, plat::LoadedMonitor* lower,
           printersim::Simulator* sim) {
    plat::HostPort hostPort;
    const std::u16string port = Wide(o.portName);
    if (!plat::OpenPort(&hostPort, language, lower, port.c_str(), kPrinter)) {
        std::fprintf(stderr, "OpenPortEx failed (error %u)\n", GetLastError());
        return 1;
    }
    plat::JobOptions options;
    options.chunkSize = o.cancel ? kCancelChunk : 4096;
    std::thread acknowledger;
    size_t cancelledAt = 0;
    if (o.cancel) {
        options.afterWrite = [&](size_t taken) {
            if (cancelledAt || taken < kCancelAfterBytes || taken >= job.size()) return;
            cancelledAt = taken;
            DeleteQueuedJob();
            if (!sim) return;
            acknowledger = std::thread([sim] {
                for (int i = 0; i < 200; ++i) {
                    sim->AcknowledgeHostCancel();
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            });
        };
    }
    plat::JobResult r =
        plat::SendJob(&hostPort, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), options);
    if (acknowledger.joinable()) acknowledger.join();
    std::printf("job %u: StartDocPort %s, WritePort %s (%zu of %zu bytes, %u empty writes), EndDocPort %s\n", r.jobId,
                r.started ? "ok" : "failed", r.written ? "ok" : "failed", r.bytesAccepted, job.size(), r.idleRetries,
                r.ended ? "ok" : "failed");
    if (cancelledAt)
        std::printf("  cancel: the job was deleted in the queue after %zu bytes, before EndDocPort\n", cancelledAt);
    if (o.cancel && !cancelledAt)
        std::printf("  cancel: the job ended before its first %zu bytes were taken\n", kCancelAfterBytes);
    if (!r.written) std::printf("  write error %u%s\n", r.writeError, r.stoppedByCancel ? " (job deleted)" : "");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    plat::ClosePort(&hostPort);
    return 0;
}

// What the printer reported during the job: every publication of the followed variables the
// status manager still holds, oldest first.
void ShowHistory(HMODULE dorlik) {
    auto history = dorlik ? reinterpret_cast<PFN_DorlikReadHistory>(
                                reinterpret_cast<void*>(GetProcAddress(dorlik, "DorlikReadHistory")))
                          : nullptr;
    auto updates = dorlik ? reinterpret_cast<PFN_DorlikUpdateCount>(
                                reinterpret_cast<void*>(GetProcAddress(dorlik, "DorlikUpdateCount")))
                          : nullptr;
    if (!history || !updates) return;
    std::printf("\npublished during the job (oldest first):\n");
    for (const std::string& name : FollowedNames()) {
        const DWORD count = std::min<DWORD>(updates(kPrinter, name.c_str()), kHistoryShown);
        for (DWORD back = count; back-- > 0;) {
            DWORD needed = 0;
            if (history(kPrinter, name.c_str(), back, nullptr, 0, &needed) != DORLIK_E_SMALL_QUERY) continue;
            std::string value(needed, '\0');
            if (history(kPrinter, name.c_str(), back, value.data(), needed, &needed) != DORLIK_OK) continue;
            std::printf("  %-17s %s\n", name.c_str(), VariableText(name, value).c_str());
        }
    }
}

void ShowStatusVariables(HMODULE dorlik) {
    std::printf("\nstatus variables of \"%s\":\n", "QEV Halvoric 4400K");
    auto read = dorlik ? reinterpret_cast<PFN_DorlikReadVariable>(
                             reinterpret_cast<void*>(GetProcAddress(dorlik, "DorlikReadVariable")))
                       : nullptr;
    auto updates = dorlik ? reinterpret_cast<PFN_DorlikUpdateCount>(
                                reinterpret_cast<void*>(GetProcAddress(dorlik, "DorlikUpdateCount")))
                          : nullptr;
    for (const char* name : {"PrinterStatus", "PrinterExtStatus", "PrinterDisplay", "PrinterModel",
                             "PrinterManufacturer", "JobStatus", "SendingJobInfo", "PrintingJobInfo2", "PrinterQueue",
                             "TonerRemain", "IconState", "ErrCoverOpen", "ErrPaperJam", "PageCount"}) {
        if (!read || !updates) break;
        BYTE value[1024];
        DWORD size = 0;
        if (read(kPrinter, name, value, sizeof value, &size) != DORLIK_OK) continue;
        std::printf("  %-20s %4u bytes, published %u times:", name, size, updates(kPrinter, name));
        for (DWORD i = 0; i < size && i < 24; ++i) std::printf(" %02X", value[i]);
        std::printf(size > 24 ? " ...\n" : "\n");
    }
    ShowHistory(dorlik);
}

// The monitors loaded on the hand-moved clock, which runs 50 times faster than real time so
// their waits pass quickly; the job; what came back.
int RunMonitors(const RunOptions& o, const std::string& job, printersim::Simulator* sim) {
    // Loaded before the monitor binds it, so its variables outlive the monitor's own FreeLibrary.
    HMODULE dorlik = LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL");
    plat::LoadedMonitor lower, language;
    if (!plat::LoadMonitor(&lower, u"C:\\Windows\\System32\\Loopmon.dll", u"Loopback Port") ||
        !plat::LoadMonitor(&language, u"C:\\Windows\\System32\\Lostrel.dll", u"Brantel Language Monitor")) {
        std::fprintf(stderr, "cannot load the monitors (error %u)\n", GetLastError());
        if (dorlik) FreeLibrary(dorlik);
        return 1;
    }
    bool stop = false;
    std::thread pump([&] {
        while (!__atomic_load_n(&stop, __ATOMIC_ACQUIRE)) {
            PlatClockAdvance(50);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const int rc = RunJob(o, job, &language, &lower, sim);
    __atomic_store_n(&stop, true, __ATOMIC_RELEASE);
    pump.join();
    if (sim) {
        std::printf("\nthe printer received %zu bytes; PJL lines:\n", sim->Received().size());
        for (const auto& line : sim->PjlLines())
            std::printf("  [%zu] %s\n", line.connection, Visible(line.text).c_str());
    } else {
        std::printf("\nthe printer at %s shows what it received\n", o.printer.c_str());
    }
    ShowStatusVariables(dorlik);
    if (dorlik) FreeLibrary(dorlik);
    plat::UnloadMonitor(&language);
    plat::UnloadMonitor(&lower);
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--status-reader") == 0) return RunStatusReader(argv[2], argv[3]);
    RunOptions o;
    if (auto exit = ParseArguments(argc, argv, &o)) return *exit;
    if (o.bin.empty()) o.bin = ProgramFolder();
    // The sandbox links to the modules by this path: a relative one would dangle there.
    if (!o.bin.empty()) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::canonical(o.bin, error);
        if (error) {
            std::fprintf(stderr, "monitor_run: --bin %s: %s\n", o.bin.c_str(), error.message().c_str());
            return 2;
        }
        o.bin = absolute.string();
    }
    std::string job;
    if (o.bin.empty() || !ReadJob(o, &job)) return 1;

    std::unique_ptr<printersim::Simulator> sim;
    std::string address = o.printer;
    if (address.empty()) {
        if (IsTcpIpPortName(o.portName)) {
            // Our printer's SNMP agent, on a loopback UDP port of this run.
            o.simulator.snmpPort = printersim::FreeUdpPort();
            o.simulator.snmpHelper = o.bin + "/printer_sim";
            setenv(kVarnelPortVariable, std::to_string(o.simulator.snmpPort).c_str(), 1);
        }
        sim = std::make_unique<printersim::Simulator>(o.simulator);
        if (!sim->Start()) {
            std::fprintf(stderr, "cannot start the printer simulator\n");
            return 1;
        }
        address = "127.0.0.1:" + std::to_string(sim->Port());
    }
    char pattern[] = "/tmp/monitor-run-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    PlatSetSandboxRoot(pattern);
    PlatClockSetManual(TRUE);
    int rc = 1;
    if (InstallPrinter(o.bin, o.portName, address))
        rc = o.scenes ? RunScenes(job, pattern, o.portName, sim.get()) : RunMonitors(o, job, sim.get());
    if (sim) sim->Stop();
    PlatWaitForThreadsToEnd(5000);
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return rc;
}
