// monitor_run: sends a job through the language monitor (Lostrel.dll) above the loopback port
// monitor (Loopmon.dll) to the printer simulator, as the spooler would, and shows what the
// printer received (its PJL lines, decoded) and the status variables that came back through the
// status manager stand-in.
//   monitor_run [--job FILE] [--port USB001|IP_127.0.0.1] [--bin DIR] [--cancel]
// Without --job a small sample job is sent. --bin is where the modules were built (default: the
// folder of this program). Runs in a fresh temporary sandbox on the hand-moved clock.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "outside/dorlik/dorlik_api.h"
#include "plat/control.h"
#include "plat/monitor_host.h"
#include "plat/threads.h"
#include "tools/printer_sim/printer_sim.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

constexpr char16_t kPrinter[] = u"QEV Halvoric 4400K";
constexpr char16_t kDriver[] = u"QEV Halvoric4400K ORLA";

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

bool LinkModule(const std::string& bin, const char* file) {
    std::string host = PlatHostPath((u"C:\\Windows\\System32\\" + Wide(file)).c_str());
    std::string dir = host.substr(0, host.rfind('/'));
    for (size_t at = 1; at <= dir.size(); ++at) {
        if (at == dir.size() || dir[at] == '/') mkdir(dir.substr(0, at).c_str(), 0755);
    }
    return symlink((bin + "/" + file).c_str(), host.c_str()) == 0;
}

bool SetString(HKEY key, LPCWSTR name, const std::u16string& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * 2)) == ERROR_SUCCESS;
}

bool CreateKey(const std::u16string& path, HKEY* out = nullptr) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    if (out) *out = key;
    else RegCloseKey(key);
    return true;
}

std::string Visible(const std::string& line) {
    std::string out;
    for (unsigned char c : line) {
        if (c == 0x1b) out += "<ESC>";
        else if (c < 0x20 || c >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        } else out += static_cast<char>(c);
    }
    return out;
}

std::string SampleJob() {
    const std::string uel("\x1b%-12345X", 9);
    return uel + "@PJL JOB NAME=\"sample\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" + std::string(4096, '\x55') + uel +
           "@PJL EOJ\r\n" + uel;
}

}  // namespace

int main(int argc, char** argv) {
    std::string jobFile, bin, portName = "USB001";
    bool cancel = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::printf("usage: monitor_run [--job FILE] [--port USB001|IP_127.0.0.1] [--bin DIR] [--cancel]\n");
            return 0;
        }
        if (a == "--job" && i + 1 < argc) jobFile = argv[++i];
        else if (a == "--port" && i + 1 < argc) portName = argv[++i];
        else if (a == "--bin" && i + 1 < argc) bin = argv[++i];
        else if (a == "--cancel") cancel = true;
        else {
            std::fprintf(stderr, "usage: monitor_run [--job FILE] [--port USB001|IP_127.0.0.1] [--bin DIR] [--cancel]\n");
            return 2;
        }
    }
    if (bin.empty()) {
        char self[4096];
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) return 1;
        self[n] = 0;
        bin = std::string(self).substr(0, std::string(self).rfind('/'));
    }
    std::string job = SampleJob();
    if (!jobFile.empty()) {
        std::ifstream in(jobFile, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", jobFile.c_str());
            return 1;
        }
        std::stringstream s;
        s << in.rdbuf();
        job = s.str();
    }

    char pattern[] = "/tmp/monitor-run-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    PlatSetSandboxRoot(pattern);
    PlatClockSetManual(TRUE);
    for (const char* m : {"Lostrel.dll", "Loopmon.dll", "Dorlik.dll"}) {
        if (!LinkModule(bin, m)) {
            std::fprintf(stderr, "cannot link %s/%s\n", bin.c_str(), m);
            return 1;
        }
    }
    CreateKey(u"SOFTWARE\\QEV\\Brantel\\Printers\\QEV Halvoric4400K ORLA\\Status Variables");
    CreateKey(u"SOFTWARE\\QEV\\Brantel\\Printers\\Halvoric4400K ORLA\\Status Variables");

    printersim::Simulator sim;
    if (!sim.Start()) return 1;
    std::u16string port = Wide(portName);
    bool tcp = portName.rfind("IP_", 0) == 0;
    std::string address = "127.0.0.1:" + std::to_string(sim.Port());
    if (tcp) plat::RegisterStandardTcpIpPort(port.c_str());
    else PlatAddPort(port.c_str(), u"Local Port", u"Local port", PORT_TYPE_WRITE | PORT_TYPE_READ);
    plat::ConfigureLoopbackPort(u"Loopback Port", port.c_str(), address.c_str(), tcp);

    std::u16string dir = PlatDriverDirectory();
    std::u16string driverPath = dir + u"\\Quessa.dll", dataFile = dir + u"\\QV4400K.DAT", config = dir + u"\\Talvex.dll";
    PLAT_PRINTER_SETUP setup{kPrinter, kDriver, port.c_str(), driverPath.c_str(), dataFile.c_str(), config.c_str(),
                             nullptr, u"Brantel Language Monitor"};
    if (!PlatInstallPrinter(&setup)) std::fprintf(stderr, "note: the spooler did not install the printer (%u)\n", GetLastError());
    HKEY key = nullptr;
    if (CreateKey(std::u16string(u"System\\CurrentControlSet\\control\\Print\\Printers\\") + kPrinter, &key)) {
        SetString(key, u"Printer Driver", kDriver);
        RegCloseKey(key);
    }

    // Loaded before the monitor binds it, so its variables outlive the monitor's own FreeLibrary.
    HMODULE dorlik = LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL");
    plat::LoadedMonitor lower, language;
    if (!plat::LoadMonitor(&lower, u"C:\\Windows\\System32\\Loopmon.dll", u"Loopback Port") ||
        !plat::LoadMonitor(&language, u"C:\\Windows\\System32\\Lostrel.dll", u"Brantel Language Monitor")) {
        std::fprintf(stderr, "cannot load the monitors (error %u)\n", GetLastError());
        return 1;
    }
    // The clock runs 50 times faster than real time, so the monitor's waits pass quickly.
    bool stop = false;
    std::thread pump([&] {
        while (!__atomic_load_n(&stop, __ATOMIC_ACQUIRE)) {
            PlatClockAdvance(50);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    plat::HostPort hostPort;
    int rc = 0;
    if (!plat::OpenPort(&hostPort, &language, &lower, port.c_str(), kPrinter)) {
        std::fprintf(stderr, "OpenPortEx failed (error %u)\n", GetLastError());
        rc = 1;
    } else {
        std::thread canceller;
        if (cancel) {
            canceller = std::thread([&] {
                if (sim.WaitForReceived(1024, 20000)) {
                    HANDLE h = nullptr;
                    std::u16string name = kPrinter;
                    DWORD needed = 0, count = 0;
                    BYTE buffer[4096];
                    if (OpenPrinterW(name.data(), &h, nullptr)) {
                        if (EnumJobsW(h, 0, 1, 1, buffer, sizeof buffer, &needed, &count) && count == 1) {
                            SetJobW(h, reinterpret_cast<JOB_INFO_1W*>(buffer)->JobId, 0, nullptr, JOB_CONTROL_DELETE);
                        }
                        ClosePrinter(h);
                    }
                    for (int i = 0; i < 200; ++i) {
                        sim.AcknowledgeHostCancel();
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    }
                }
            });
        }
        plat::JobOptions options;
        options.chunkSize = 4096;
        plat::JobResult r = plat::SendJob(&hostPort, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), options);
        if (canceller.joinable()) canceller.join();
        std::printf("job %u: StartDocPort %s, WritePort %s (%zu of %zu bytes, %u empty writes), EndDocPort %s\n", r.jobId,
                    r.started ? "ok" : "failed", r.written ? "ok" : "failed", r.bytesAccepted, job.size(), r.idleRetries,
                    r.ended ? "ok" : "failed");
        if (!r.written) std::printf("  write error %u%s\n", r.writeError, r.stoppedByCancel ? " (job deleted)" : "");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        plat::ClosePort(&hostPort);
    }
    __atomic_store_n(&stop, true, __ATOMIC_RELEASE);
    pump.join();

    std::printf("\nthe printer received %zu bytes; PJL lines:\n", sim.Received().size());
    for (const auto& line : sim.PjlLines()) std::printf("  [%zu] %s\n", line.connection, Visible(line.text).c_str());

    std::printf("\nstatus variables of \"%s\":\n", "QEV Halvoric 4400K");
    auto read = dorlik ? reinterpret_cast<PFN_DorlikReadVariable>(
                             reinterpret_cast<void*>(GetProcAddress(dorlik, "DorlikReadVariable")))
                       : nullptr;
    auto updates = dorlik ? reinterpret_cast<PFN_DorlikUpdateCount>(
                                reinterpret_cast<void*>(GetProcAddress(dorlik, "DorlikUpdateCount")))
                          : nullptr;
    for (const char* name : {"PrinterStatus", "PrinterExtStatus", "PrinterDisplay", "PrinterModel", "PrinterManufacturer",
                             "JobStatus", "SendingJobInfo", "PrintingJobInfo2", "PrinterQueue", "TonerRemain", "IconState",
                             "ErrCoverOpen", "ErrPaperJam", "PageCount"}) {
        if (!read) break;
        BYTE value[1024];
        DWORD size = 0;
        if (read(kPrinter, name, value, sizeof value, &size) != DORLIK_OK) continue;
        std::printf("  %-20s %4u bytes, published %u times:", name, size, updates(kPrinter, name));
        for (DWORD i = 0; i < size && i < 24; ++i) std::printf(" %02X", value[i]);
        std::printf(size > 24 ? " ...\n" : "\n");
    }
    if (dorlik) FreeLibrary(dorlik);
    plat::UnloadMonitor(&language);
    plat::UnloadMonitor(&lower);
    sim.Stop();
    PlatWaitForThreadsToEnd(5000);
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return rc;
}
