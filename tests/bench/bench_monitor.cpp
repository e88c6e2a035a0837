// A 50 MB job through the language monitor's WritePort (above the loopback port monitor) to the
// printer simulator, beside the port monitor alone and a raw socket write of the same bytes to
// the same simulator, in one run. Real-time clock.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "plat/control.h"
#include "plat/monitor_host.h"
#include "tools/printer_sim/printer_sim.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

constexpr size_t kJobBytes = 50u << 20;
constexpr char16_t kPrinter[] = u"QEV Halvoric 4400K";
constexpr char16_t kPortMonitor[] = u"Loopback Port";
constexpr char16_t kLanguageMonitor[] = u"Brantel Language Monitor";

struct World {
    bool ready = false;
    std::string why;
    std::string job;
    std::unique_ptr<printersim::Simulator> sim;
    plat::LoadedMonitor lower, language;
    plat::HostPort port;
    HANDLE lowerPort = nullptr;
};

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

World& TheWorld() {
    static World* w = [] {
        auto* w = new World;
        const char* bin = std::getenv("ORLA_BIN_DIR");
        std::string binDir = bin ? bin : ORLA_BENCH_BIN_DIR;
        static char pattern[] = "/tmp/bench-monitor-XXXXXX";
        if (!mkdtemp(pattern)) return w;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(pattern, ignored);
        });
        PlatSetSandboxRoot(pattern);
        for (const char* m : {"Lostrel.dll", "Loopmon.dll", "Dorlik.dll"}) {
            std::string host = PlatHostPath((u"C:\\Windows\\System32\\" + Wide(m)).c_str());
            std::string dir = host.substr(0, host.rfind('/'));
            for (size_t at = 1; at <= dir.size(); ++at) {
                if (at == dir.size() || dir[at] == '/') mkdir(dir.substr(0, at).c_str(), 0755);
            }
            symlink((binDir + "/" + m).c_str(), host.c_str());
        }
        w->sim = std::make_unique<printersim::Simulator>();
        if (!w->sim->Start()) {
            w->why = "simulator";
            return w;
        }
        std::string address = "127.0.0.1:" + std::to_string(w->sim->Port());
        PlatAddPort(u"USB001", u"Local Port", u"", PORT_TYPE_WRITE | PORT_TYPE_READ);
        plat::ConfigureLoopbackPort(kPortMonitor, u"USB001", address.c_str(), FALSE);
        std::u16string dir = PlatDriverDirectory();
        std::u16string a = dir + u"\\Quessa.dll", b = dir + u"\\QV4400K.DAT", c = dir + u"\\Talvex.dll";
        PLAT_PRINTER_SETUP setup{kPrinter, u"QEV Halvoric4400K ORLA", u"USB001", a.c_str(), b.c_str(), c.c_str(),
                                 nullptr, kLanguageMonitor};
        PlatInstallPrinter(&setup);
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"System\\CurrentControlSet\\control\\Print\\Printers\\QEV Halvoric 4400K",
                            0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            const char16_t driver[] = u"QEV Halvoric4400K ORLA";
            RegSetValueExW(key, u"Printer Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver), sizeof driver);
            RegCloseKey(key);
        }
        if (!plat::LoadMonitor(&w->lower, u"C:\\Windows\\System32\\Loopmon.dll", kPortMonitor) ||
            !plat::LoadMonitor(&w->language, u"C:\\Windows\\System32\\Lostrel.dll", kLanguageMonitor) ||
            !plat::OpenPort(&w->port, &w->language, &w->lower, u"USB001", kPrinter)) {
            w->why = "monitors: error " + std::to_string(GetLastError());
            return w;
        }
        const std::string uel("\x1b%-12345X", 9);
        std::string data(kJobBytes, '\0');
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('A' + i % 23);  // no UEL inside
        w->job = uel + "@PJL JOB NAME=\"bench\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" + data + uel + "@PJL EOJ\r\n" + uel;
        w->ready = true;
        return w;
    }();
    return *w;
}

void BM_LanguageMonitorWritePort(benchmark::State& state) {
    World& w = TheWorld();
    if (!w.ready) {
        state.SkipWithError(("setup failed: " + w.why).c_str());
        return;
    }
    plat::JobOptions options;
    options.chunkSize = static_cast<DWORD>(state.range(0));
    for (auto _ : state) {
        w.sim->ClearReceived();
        plat::JobResult r =
            plat::SendJob(&w.port, std::span(reinterpret_cast<const BYTE*>(w.job.data()), w.job.size()), options);
        if (!r.started || !r.written || !r.ended) {
            state.SkipWithError("job failed");
            return;
        }
        w.sim->WaitForReceived(w.job.size(), 60000);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(w.job.size()));
}
BENCHMARK(BM_LanguageMonitorWritePort)->Arg(64 << 10)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_PortMonitorWritePort(benchmark::State& state) {
    World& w = TheWorld();
    if (!w.ready) {
        state.SkipWithError(("setup failed: " + w.why).c_str());
        return;
    }
    const MONITOR2& m = *w.lower.table;
    std::u16string name = u"USB001", doc = u"bench", type = u"RAW";
    DOC_INFO_1W info{doc.data(), nullptr, type.data()};
    for (auto _ : state) {
        w.sim->ClearReceived();
        HANDLE h = nullptr;
        if (!m.pfnOpenPort(w.lower.handle, name.data(), &h) || !m.pfnStartDocPort(h, nullptr, 1, 1, reinterpret_cast<LPBYTE>(&info))) {
            state.SkipWithError("port");
            return;
        }
        size_t sent = 0;
        while (sent < w.job.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(64 << 10, w.job.size() - sent)), written = 0;
            if (!m.pfnWritePort(h, reinterpret_cast<LPBYTE>(w.job.data() + sent), chunk, &written)) break;
            sent += written;
        }
        m.pfnEndDocPort(h);
        m.pfnClosePort(h);
        w.sim->WaitForReceived(w.job.size(), 60000);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(w.job.size()));
}
BENCHMARK(BM_PortMonitorWritePort)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_RawSocketWrite(benchmark::State& state) {
    World& w = TheWorld();
    if (!w.ready) {
        state.SkipWithError(("setup failed: " + w.why).c_str());
        return;
    }
    for (auto _ : state) {
        w.sim->ClearReceived();
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(w.sim->Port());
        if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(fd);
            state.SkipWithError("connect");
            return;
        }
        size_t sent = 0;
        while (sent < w.job.size()) {
            ssize_t n = send(fd, w.job.data() + sent, std::min<size_t>(64 << 10, w.job.size() - sent), MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        close(fd);
        w.sim->WaitForReceived(w.job.size(), 60000);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(w.job.size()));
}
BENCHMARK(BM_RawSocketWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
