// The language monitor over the loopback port monitor when the platform fails it, through the
// monitors' public entry points only: a port whose private heap cannot be made, whose record
// cannot be allocated, or whose locks and events cannot be created is refused (OpenPortEx FALSE)
// without a crash, a thread or a handle left behind; the next open of the port succeeds and
// carries a job.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "outside/portmon/portmon_config.h"
#include "tests/e2e_monitor/monitor_world.h"

namespace {

// Real-time bound for the threads to end: it only decides how long a broken run takes to fail,
// so it is generous enough for a loaded sanitizer run.
constexpr DWORD kMonitorThreadsEndMs = 30000;

using e2e::Bounded;
using e2e::ClockPump;

constexpr char16_t kPrinter[] = u"QEV Halvoric 4400K";
constexpr char16_t kPort[] = u"USB001";
constexpr int kWallGuardMs = 30000;

class MonitorFaults : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(e2e::EnsureSandbox(&why)) << why;
        PlatClockSetManual(TRUE);
        ASSERT_TRUE(sim_.Start());
        const std::string address = "127.0.0.1:" + std::to_string(sim_.Port());
        PlatAddPort(kPort, u"Local Port", u"Virtual printer port for USB", PORT_TYPE_WRITE | PORT_TYPE_READ);
        ASSERT_TRUE(portmon::ConfigureLoopbackPort(e2e::kPortMonitorName, kPort, address.c_str(), FALSE));
        ASSERT_TRUE(e2e::InstallPrinter(kPrinter, kPort, &why)) << why;
    }
    void TearDown() override {
        PlatClearInjections();
        sim_.Stop();
        PlatClockSetManual(FALSE);
    }
    printersim::Simulator sim_;
};

// The monitors loaded afresh (their private heap is made at the first allocation), unloaded
// whatever happens.
struct Monitors {
    plat::LoadedMonitor lower, language;
    bool loaded = plat::LoadMonitor(&lower, u"C:\\Windows\\System32\\Loopmon.dll", e2e::kPortMonitorName) &&
                  plat::LoadMonitor(&language, u"C:\\Windows\\System32\\Lostrel.dll", e2e::kLanguageMonitorName);
    ~Monitors() {
        plat::UnloadMonitor(&language);
        plat::UnloadMonitor(&lower);
    }
};

// Loads the monitors and opens the port with the given calls failing (`times` calls in a row from
// the nth): TRUE when both worked.
bool LoadAndOpen(const char* operation, int nthCall, int times) {
    for (int i = 0; i < times; ++i) PlatInjectFailure(operation, nthCall, ERROR_NOT_ENOUGH_MEMORY);
    Monitors monitors;
    BOOL opened = FALSE;
    plat::HostPort port;
    if (monitors.loaded) {
        ClockPump pump;
        opened = Bounded("OpenPortEx", kWallGuardMs,
                         [&] { return plat::OpenPort(&port, &monitors.language, &monitors.lower, kPort, kPrinter); });
        if (opened) Bounded("ClosePort", kWallGuardMs, [&] { return plat::ClosePort(&port); });
    }
    PlatClearInjections();
    return monitors.loaded && opened;
}

// The port opens and takes a whole job.
void OpenAndPrint() {
    Monitors monitors;
    ASSERT_TRUE(monitors.loaded) << "error " << GetLastError();
    ClockPump pump;
    plat::HostPort port;
    ASSERT_TRUE(Bounded("OpenPortEx", kWallGuardMs,
                        [&] { return plat::OpenPort(&port, &monitors.language, &monitors.lower, kPort, kPrinter); }))
        << "error " << GetLastError();
    const std::string job = std::string(e2e::kUel) + "@PJL JOB NAME=\"f\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" +
                            std::string(512, 'x') + e2e::kUel + "@PJL EOJ\r\n" + e2e::kUel;
    plat::JobResult r = Bounded("SendJob", kWallGuardMs, [&] {
        return plat::SendJob(&port, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()));
    });
    EXPECT_TRUE(r.written && r.ended) << "write error " << r.writeError << ", end error " << r.endError;
    EXPECT_TRUE(Bounded("ClosePort", kWallGuardMs, [&] { return plat::ClosePort(&port); }));
}

TEST_F(MonitorFaults, PortOpenFailsCleanlyWhenThePlatformFails) {
    // The heap is made at load and, when that failed, once more at initialisation: both fail.
    struct Case {
        const char* operation;
        int nthCall, times;
    };
    const Case cases[] = {
        {"HeapCreate", 1, 2},   {"HeapAlloc", 1, 1},    {"HeapAlloc", 2, 1},    {"HeapAlloc", 3, 1},
        {"CreateMutexW", 1, 1}, {"CreateMutexW", 2, 1}, {"CreateEventW", 1, 1}, {"CreateEventW", 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + " call " + std::to_string(c.nthCall));
        ASSERT_TRUE(PlatWaitForThreadsToEnd(kMonitorThreadsEndMs));
        const size_t handles = plat::HandleCount();
        EXPECT_FALSE(LoadAndOpen(c.operation, c.nthCall, c.times))
            << "the failed call is on the way of loading and opening";
        EXPECT_TRUE(PlatWaitForThreadsToEnd(kMonitorThreadsEndMs)) << PlatRunningThreadCount() << " threads still run";
        EXPECT_EQ(plat::HandleCount(), handles) << "kernel handles left open";
        // Once the platform recovers the same port opens and prints.
        OpenAndPrint();
        EXPECT_TRUE(PlatWaitForThreadsToEnd(kMonitorThreadsEndMs)) << PlatRunningThreadCount() << " threads still run";
        EXPECT_EQ(plat::HandleCount(), handles) << "kernel handles left open";
    }
}

}  // namespace
