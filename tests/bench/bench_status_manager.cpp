// The status manager between two processes: a value published here, seen by a peer process
// through its notification event and published back, read here after this process's event.
// One iteration is one such round trip (two publications, two cross-process notifications).
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_sandbox.h"
#include "outside/dorlik/dorlik_api.h"
#include "plat/control.h"
#include "win/kernel.h"

extern char** environ;

namespace {

template <typename T>
T Entry(HMODULE m, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

// The sandbox (with the manager's store file) is removed when the program ends, as the tools do.
struct Sandbox {
    bench::Sandbox dir{"orla-bench-dorlik"};
    Sandbox() {
        PlatSetSandboxRoot(dir.root().c_str());
        PlatCopyIntoSandbox(ORLA_BENCH_BIN_DIR "/Dorlik.dll", u"C:\\Windows\\System32\\Dorlik.DLL");
    }
};

void BM_StatusVariableRoundTripBetweenProcesses(benchmark::State& state) {
    static Sandbox sandbox;
    HMODULE m = LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL");
    if (!m) {
        state.SkipWithError("Dorlik.dll not loaded");
        return;
    }
    auto open = Entry<PFN_DorlikOpenManagerExW>(m, "OpenManagerExW");
    auto closeManager = Entry<PFN_DorlikCloseManager>(m, "CloseManager");
    auto update = Entry<PFN_DorlikUpdatePrinterStatusA>(m, "UpdatePrinterStatusA");
    auto get = Entry<PFN_DorlikGetPrinterStatusA>(m, "GetPrinterStatusA");
    auto notify = Entry<PFN_DorlikSetNotificationEventExA>(m, "SetNotificationEventExA");
    auto cancel = Entry<PFN_DorlikKillNotificationEvent>(m, "KillNotificationEvent");
    HANDLE manager = nullptr;
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD cookie = 0;
    if (open(u"Bench Printer", u"", 10, &manager) != DORLIK_OK ||
        notify(manager, 1, "Echo", &event, &cookie) != DORLIK_OK) {
        state.SkipWithError("manager not bound");
        return;
    }

    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::vector<std::string> args = {ORLA_DORLIK_PEER, sandbox.dir.root(), "echo", "Bench Printer", "Ping", "Echo"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, ORLA_DORLIK_PEER, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    char ready[6] = {};
    pollfd p{fds[0], POLLIN, 0};
    if (pid <= 0 || poll(&p, 1, 10000) <= 0 || read(fds[0], ready, 6) != 6) {
        state.SkipWithError("peer did not start");
        return;
    }
    static long counter = 0;  // values differ across the framework's runs too: an equal value signals nothing
    for (auto _ : state) {
        std::string value = std::to_string(++counter);
        update(manager, "Ping", value.c_str(), static_cast<DWORD>(value.size()));
        if (WaitForSingleObject(event, 10000) != WAIT_OBJECT_0) {
            state.SkipWithError("no echo");
            break;
        }
        char back[32] = {};
        DWORD got = 0;
        get(manager, "Echo", back, sizeof back - 1, &got);
        if (value != back) {
            state.SkipWithError("wrong echo");
            break;
        }
    }
    update(manager, "Ping", "stop", 4);
    int status = 0;
    waitpid(pid, &status, 0);
    ::close(fds[0]);
    cancel(manager, cookie);
    CloseHandle(event);
    closeManager(manager);
    FreeLibrary(m);
}
BENCHMARK(BM_StatusVariableRoundTripBetweenProcesses)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
