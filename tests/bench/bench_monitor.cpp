// A 50 MB job through the language monitor's WritePort (above the loopback port monitor) to the
// printer simulator, beside the port monitor alone and a raw socket write of the same bytes to
// the same simulator, in one run. Real-time clock. The simulator gets one whole job before any
// timing, so that no case pays for its first touch of the memory that holds what it received;
// the ratio case times the language monitor and the raw socket in turn, iteration by iteration.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "outside/portmon/portmon_config.h"
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
    bool warm = false;
    std::string why;
    std::string job;
    std::unique_ptr<printersim::Simulator> sim;
    plat::LoadedMonitor lower, language;
    plat::HostPort port;
    HANDLE lowerPort = nullptr;
};

std::u16string Wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

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
        portmon::ConfigureLoopbackPort(kPortMonitor, u"USB001", address.c_str(), FALSE);
        std::u16string dir = PlatDriverDirectory();
        std::u16string a = dir + u"\\Quessa.dll", b = dir + u"\\QV4400K.DAT", c = dir + u"\\Talvex.dll";
        PLAT_PRINTER_SETUP setup{kPrinter, u"QEV Halvoric4400K ORLA", u"USB001", a.c_str(), b.c_str(), c.c_str(),
                                 nullptr,  kLanguageMonitor};
        PlatInstallPrinter(&setup);
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                            u"System\\CurrentControlSet\\control\\Print\\Printers\\QEV Halvoric 4400K", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
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

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// One job as the spooler sends it, through the language monitor; seconds until the printer
// has every byte, or a negative value when the job failed.
double SendThroughLanguageMonitor(World& w, DWORD chunk) {
    w.sim->ClearReceived();
    plat::JobOptions options;
    options.chunkSize = chunk;
    auto start = Clock::now();
    plat::JobResult r =
        plat::SendJob(&w.port, std::span(reinterpret_cast<const BYTE*>(w.job.data()), w.job.size()), options);
    if (!r.started || !r.written || !r.ended) return -1;
    if (!w.sim->WaitForReceived(w.job.size(), 60000)) return -1;
    return Seconds(start);
}

// The same bytes through the port monitor alone.
double SendThroughPortMonitor(World& w) {
    w.sim->ClearReceived();
    const MONITOR2& m = *w.lower.table;
    std::u16string name = u"USB001", doc = u"bench", type = u"RAW";
    DOC_INFO_1W info{doc.data(), nullptr, type.data()};
    auto start = Clock::now();
    HANDLE h = nullptr;
    if (!m.pfnOpenPort(w.lower.handle, name.data(), &h)) return -1;
    if (!m.pfnStartDocPort(h, nullptr, 1, 1, reinterpret_cast<LPBYTE>(&info))) {
        m.pfnClosePort(h);
        return -1;
    }
    size_t sent = 0;
    while (sent < w.job.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(64 << 10, w.job.size() - sent)), written = 0;
        if (!m.pfnWritePort(h, reinterpret_cast<LPBYTE>(w.job.data() + sent), chunk, &written)) break;
        sent += written;
    }
    BOOL ended = m.pfnEndDocPort(h);
    m.pfnClosePort(h);
    if (sent < w.job.size() || !ended || !w.sim->WaitForReceived(w.job.size(), 60000)) return -1;
    return Seconds(start);
}

// The same bytes written to the simulator's socket directly.
double SendThroughRawSocket(World& w) {
    w.sim->ClearReceived();
    auto start = Clock::now();
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(w.sim->Port());
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    size_t sent = 0;
    while (sent < w.job.size()) {
        ssize_t n = send(fd, w.job.data() + sent, std::min<size_t>(64 << 10, w.job.size() - sent), MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    close(fd);
    if (sent < w.job.size() || !w.sim->WaitForReceived(w.job.size(), 60000)) return -1;
    return Seconds(start);
}

// The world, once warmed up: the simulator has held a whole job (its buffer for what it receives
// is grown and touched) and the language monitor has run one job on the port.
World* ReadyWorld(benchmark::State& state) {
    World& w = TheWorld();
    if (w.ready && !w.warm) {
        w.warm = SendThroughRawSocket(w) >= 0 && SendThroughLanguageMonitor(w, 64 << 10) >= 0;
        if (!w.warm) w.why = "warm-up job failed";
        w.ready = w.warm;
    }
    if (w.ready) return &w;
    state.SkipWithError(("setup failed: " + w.why).c_str());
    return nullptr;
}

// Runs one way of sending per iteration and reports its time as the iteration's.
template <typename Send>
void TimeEach(benchmark::State& state, Send send) {
    World* w = ReadyWorld(state);
    if (!w) return;
    for (auto _ : state) {
        double seconds = send(*w);
        if (seconds < 0) {
            state.SkipWithError("job failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(w->job.size()));
}

void BM_LanguageMonitorWritePort(benchmark::State& state) {
    TimeEach(state, [&](World& w) { return SendThroughLanguageMonitor(w, static_cast<DWORD>(state.range(0))); });
}
BENCHMARK(BM_LanguageMonitorWritePort)->Arg(64 << 10)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_PortMonitorWritePort(benchmark::State& state) {
    TimeEach(state, SendThroughPortMonitor);
}
BENCHMARK(BM_PortMonitorWritePort)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_RawSocketWrite(benchmark::State& state) {
    TimeEach(state, SendThroughRawSocket);
}
BENCHMARK(BM_RawSocketWrite)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The language monitor against the raw socket, side by side in every iteration so that both
// see the same machine load: "lm_over_raw" is the language monitor's time over the socket's.
void BM_LanguageMonitorOverRawSocket(benchmark::State& state) {
    World* w = ReadyWorld(state);
    if (!w) return;
    double monitor = 0, raw = 0;
    for (auto _ : state) {
        double r = SendThroughRawSocket(*w);
        double m = SendThroughLanguageMonitor(*w, 64 << 10);
        if (r <= 0 || m < 0) {
            state.SkipWithError("job failed");
            return;
        }
        raw += r;
        monitor += m;
        state.SetIterationTime(m);
    }
    state.counters["raw_ms"] = benchmark::Counter(raw * 1000 / static_cast<double>(state.iterations()));
    state.counters["lm_ms"] = benchmark::Counter(monitor * 1000 / static_cast<double>(state.iterations()));
    state.counters["lm_over_raw"] = benchmark::Counter(monitor / raw);
}
BENCHMARK(BM_LanguageMonitorOverRawSocket)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
