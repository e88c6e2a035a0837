// The printer's job table walked over loopback SNMP: the printer simulator's agent (snmpd with
// the simulator's state) holding 100 printed jobs, walked by the monitor's SNMP client through
// Varnel.dll with the community. One iteration is one whole walk of the job-name column with
// its results taken; a second benchmark adds the state and page GETs the status query makes
// for each row.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "monitor/port_record.h"
#include "monitor/snmp_client.h"
#include "monitor/snmp_status.h"
#include "plat/control.h"
#include "tools/printer_sim/loopback.h"
#include "tools/printer_sim/printer_sim.h"

namespace {

constexpr int kJobs = 100;
const std::string kUel("\x1b%-12345X", 9);

// The printer with its 100 jobs and the library in a sandbox, made once.
struct World {
    std::string root;
    std::unique_ptr<printersim::Simulator> sim;
    bool ready = false;
    World() {
        char pattern[] = "/tmp/orla-bench-snmp-XXXXXX";
        if (!mkdtemp(pattern)) return;
        root = pattern;
        PlatSetSandboxRoot(pattern);
        MonitorProcessAttach();
        setenv("ORLA_BIN_DIR", ORLA_BENCH_BIN_DIR, 0);
        PlatCopyIntoSandbox(ORLA_BENCH_BIN_DIR "/Varnel.dll",
                            u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Varnel.DLL");
        printersim::Options o;
        o.snmpPort = printersim::FreeUdpPort();
        setenv(kVarnelPortVariable, std::to_string(o.snmpPort).c_str(), 1);
        sim = std::make_unique<printersim::Simulator>(o);
        if (!sim->Start()) return;
        for (int i = 0; i < kJobs; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "ORLA-BENCH-JOB-%04d", i);
            if (!printersim::SendRaw(sim->Port(), kUel + "@PJL SET JOBATTR=\"@JCID=" + name +
                                                      "\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" + printersim::BlankPages(2)))
                return;
        }
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end && sim->JobTable().size() < kJobs)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ready = sim->JobTable().size() == kJobs;
    }
    // The sandbox goes with the program, as the tools' do.
    ~World() {
        if (sim) sim->Stop();
        std::error_code ignored;
        if (!root.empty()) std::filesystem::remove_all(root, ignored);
    }
};

World& TheWorld() {
    static World world;
    return world;
}

struct Client {
    SnmpClient* client = CreateSnmpClient("127.0.0.1", nullptr);
    ~Client() { FreeSnmpClient(client); }
};

int TakeResults(SnmpClient* client) {
    char text[kSnmpFieldSize];
    char oid[kSnmpFieldSize];
    int rows = 0;
    while (SnmpNextResult(client, text, nullptr, nullptr, oid)) ++rows;
    return rows;
}

void BM_JobTableWalk100Jobs(benchmark::State& state) {
    if (!TheWorld().ready) {
        state.SkipWithError("the simulator's agent did not start (snmpd installed?)");
        return;
    }
    Client k;
    if (!k.client) {
        state.SkipWithError("no SNMP client");
        return;
    }
    for (auto _ : state) {
        if (!SnmpWalk(k.client, kSnmpJobNameColumn) || TakeResults(k.client) != kJobs) {
            state.SkipWithError("walk incomplete");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kJobs);
}
BENCHMARK(BM_JobTableWalk100Jobs)->Unit(benchmark::kMillisecond);

// The walk and, per row, the state (integer) and pages (text) reads of the status query.
void BM_JobTableWalkWithRowReads100Jobs(benchmark::State& state) {
    if (!TheWorld().ready) {
        state.SkipWithError("the simulator's agent did not start (snmpd installed?)");
        return;
    }
    Client k;
    for (auto _ : state) {
        if (!k.client || !SnmpWalk(k.client, kSnmpJobNameColumn)) {
            state.SkipWithError("walk failed");
            return;
        }
        FreeSnmpResults(k.client);
        for (int i = 1; i <= kJobs; ++i) {
            std::string index = "." + std::to_string(i);
            LONG jobState = 0;
            char pages[kSnmpFieldSize];
            SnmpGetString(k.client, nullptr, &jobState, ("1.3.6.1.4.1.64611.8.59.6.1.1.9" + index).c_str());
            SnmpGetString(k.client, pages, nullptr, (kSnmpJobPagesColumn + index).c_str());
            benchmark::DoNotOptimize(jobState);
        }
    }
    state.SetItemsProcessed(state.iterations() * kJobs);
}
BENCHMARK(BM_JobTableWalkWithRowReads100Jobs)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
