// A small world for end-to-end monitor tests: one sandbox per test program with the monitors
// and the status manager linked into its system directory, a printer simulator per test, the
// clock moved by hand (a pump moves it while calls run), and a hard real-time guard on every
// call that could hang.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "outside/dorlik/dorlik_api.h"
#include "plat/control.h"
#include "plat/monitor_host.h"
#include "plat/threads.h"
#include "platform/src/handle_table.h"
#include "tools/printer_sim/printer_sim.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace e2e {

inline constexpr char16_t kLanguageMonitorName[] = u"Brantel Language Monitor";
inline constexpr char16_t kPortMonitorName[] = u"Loopback Port";
inline constexpr char16_t kDriverName[] = u"QEV Halvoric4400K ORLA";
inline constexpr char kUel[] = "\x1b%-12345X";

// Sets up the process's sandbox once: modules linked into C:\Windows\System32, the status
// manager's key for the driver, fixed computer name. FALSE (with a message) when it cannot.
bool EnsureSandbox(std::string* why);
// Host path of a Windows path below the sandbox.
std::string HostPath(const std::u16string& windowsPath);
// Installs a printer of this driver on a port (spooler and registry), idempotent.
bool InstallPrinter(const std::u16string& printer, const std::u16string& port, std::string* why);
// The printer address a standard TCP/IP port was configured with.
bool SetStandardTcpIpHost(const std::u16string& port, const std::u16string& host);

// Moves the platform clock by `stepMs` every real millisecond while it lives, so platform
// time-outs of minutes pass in a fraction of a second.
class ClockPump {
public:
    explicit ClockPump(DWORD stepMs = 50);
    ~ClockPump();
    ClockPump(const ClockPump&) = delete;
    ClockPump& operator=(const ClockPump&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Runs `call` on its own thread; when it has not returned after `wallMs` of real time the test
// program ends with a message (a hang must never stall CI). Returns the call's result.
template <class F>
auto Bounded(const char* what, int wallMs, F call) -> decltype(call()) {
    using Result = decltype(call());
    DWORD lastError = 0;
    auto task = std::packaged_task<Result()>([&call, &lastError] {
        Result r = call();
        lastError = GetLastError();  // the caller sees the call's last error, as if it ran there
        return r;
    });
    auto future = task.get_future();
    std::thread runner(std::move(task));
    if (future.wait_for(std::chrono::milliseconds(wallMs)) != std::future_status::ready) {
        std::fprintf(stderr, "HANG: %s did not return within %d ms of real time\n", what, wallMs);
        std::fflush(stderr);
        std::_Exit(3);
    }
    runner.join();
    Result r = future.get();
    SetLastError(lastError);
    return r;
}

// The test-side reader of the status manager stand-in.
struct Dorlik {
    bool Bind(std::string* why);
    LONG Read(const std::u16string& printer, const char* name, std::string* value) const;
    DWORD Updates(const std::u16string& printer, const char* name) const;
    // TRUE when one of the values the manager's history still holds satisfies `accept`.
    bool EverPublished(const std::u16string& printer, const char* name,
                       const std::function<bool(const std::string&)>& accept) const;
    LONG Write(const std::u16string& printer, const char* name, const void* value, DWORD size) const;
    DWORD OpenHandles() const { return openHandles ? openHandles() : 0; }
    // Until this process holds at most `count` handles, woken as each closes; `wallMs` of real
    // time only ends a broken run.
    bool WaitOpenHandlesAtMost(DWORD count, int wallMs) const {
        return waitOpenHandles && waitOpenHandles(count, static_cast<DWORD>(wallMs));
    }
    void Reset() const {
        if (reset) reset();
    }
    // Until the variable has a value for which `accept` holds: looked at again on each change the
    // manager signals; `wallMs` of real time only ends a broken run.
    bool WaitFor(const std::u16string& printer, const char* name, const std::function<bool(const std::string&)>& accept,
                 int wallMs, std::string* last = nullptr) const;
    // Until `ready` holds, looked at again on each change of the variable the manager signals.
    bool WaitUntil(const std::u16string& printer, const char* name, const std::function<bool()>& ready,
                   int wallMs) const;

    HMODULE module = nullptr;
    PFN_DorlikReadVariable read = nullptr;
    PFN_DorlikUpdateCount updates = nullptr;
    PFN_DorlikWriteVariable write = nullptr;
    PFN_DorlikOpenHandles openHandles = nullptr;
    PFN_DorlikWaitOpenHandlesAtMost waitOpenHandles = nullptr;
    PFN_DorlikReset reset = nullptr;
    PFN_DorlikReadHistory history = nullptr;
    PFN_DorlikOpenManagerExW openManager = nullptr;
    PFN_DorlikCloseManager closeManager = nullptr;
    PFN_DorlikSetNotificationCallbackExA setCallback = nullptr;
    PFN_DorlikKillNotificationCallback killCallback = nullptr;
};

inline DWORD Dword(const std::string& value, size_t at = 0) {
    DWORD v = 0;
    if (value.size() >= at + 4) std::memcpy(&v, value.data() + at, 4);
    return v;
}

// Printable form of job bytes for failure messages.
std::string Visible(const std::string& bytes);

}  // namespace e2e
