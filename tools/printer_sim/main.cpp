// printer_sim: a page printer on a loopback TCP port, for trying the language monitor by hand.
//   printer_sim [--port N] [--idle-ms N] [--model TEXT] [printer options]
// Prints the port it listens on, serves until nothing has connected for --idle-ms (default
// 60000), then prints the PJL lines it received. The printer options (misbehaviours, status)
// are those of monitor_run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tools/printer_sim/printer_sim.h"
#include "tools/printer_sim/sim_options.h"

namespace {

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: printer_sim [--port N] [--idle-ms N] [--model TEXT] [printer options]\n"
                 "  listens on 127.0.0.1 (port 0: any free port), prints the port, serves until nothing has\n"
                 "  connected for --idle-ms (default 60000), then prints the PJL lines it received\n%s",
                 printersim::kOptionsUsage);
}

}  // namespace

int main(int argc, char** argv) {
    // The agent's pass-through helper: snmpd runs this program for the maker's subtree.
    if (argc == 3 && std::strcmp(argv[1], "--snmp-pass") == 0) return printersim::RunSnmpPass(argv[2]);
    printersim::Options options;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
        std::string error;
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        }
        if (a == "--port")
            options.port = static_cast<uint16_t>(std::atoi(next()));
        else if (a == "--idle-ms")
            options.idleLimitMs = std::atoi(next());
        else if (a == "--model")
            options.model = next();
        else if (!printersim::TakeOption(argc, argv, &i, &options, &error)) {
            std::fprintf(stderr, "printer_sim: %s\n", error.empty() ? ("unknown option " + a).c_str() : error.c_str());
            Usage(stderr);
            return 2;
        }
    }
    if (options.idleLimitMs <= 0 || options.idleLimitMs > 3600000) options.idleLimitMs = 60000;
    printersim::Simulator sim(options);
    if (!sim.Start()) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", options.port);
        return 1;
    }
    std::printf("listening on 127.0.0.1:%u\n", sim.Port());
    std::fflush(stdout);
    // The accept loop ends by itself once idle; wait for that, bounded by the idle limit.
    for (;;) {
        size_t before = sim.Connections();
        std::this_thread::sleep_for(std::chrono::milliseconds(options.idleLimitMs));
        if (sim.Connections() == before && sim.OpenConnections() == 0) break;
    }
    sim.Stop();
    for (const auto& line : sim.PjlLines()) std::printf("[%zu] %s\n", line.connection, line.text.c_str());
    std::printf("%zu bytes received, %zu jobs ended\n", sim.Received().size(), sim.JobsEnded());
    return 0;
}
