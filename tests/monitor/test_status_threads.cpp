// The port's status threads with the real status manager: client threads that end with their
// client, the named refresh's answers, the manager's request to terminate, the polling cycle
// times on the hand-moved clock, and nothing left behind after ClosePort.
#include <cstring>
#include <thread>

#include "monitor/client_thread.h"
#include "monitor/named_refresh.h"
#include "monitor/polling_thread.h"
#include "monitor/status_variables.h"
#include "monitor_fixture.h"
#include "outside/dorlik/dorlik_api.h"
#include "outside/varnel/varnel_api.h"
#include "plat/control.h"
#include "plat/monitor_host.h"
#include "plat/threads.h"
#include "tools/printer_sim/loopback.h"
#include "tools/printer_sim/printer_sim.h"
#include "win/registry.h"
#include "win/spool.h"

namespace plat {
size_t HandleCount();
}

namespace {

constexpr char16_t kPrinter[] = u"Halvoric";
constexpr char16_t kPort[] = u"USB001";

template <typename T>
T Entry(HMODULE m, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

bool CreateKey(LPCWSTR path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class StatusThreadTest : public MonitorTest {
protected:
    void SetUp() override {
        statusThreads_ = true;
        MonitorTest::SetUp();
        if (HasFatalFailure()) return;
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        ASSERT_TRUE(
            PlatCopyIntoSandbox((std::string(bin) + "/Dorlik.dll").c_str(), u"C:\\Windows\\System32\\Dorlik.DLL"));
        ASSERT_TRUE(CreateKey(u"SOFTWARE\\QEV\\Brantel\\Printers\\QEV Halvoric 4400K\\Status Variables"));
        InstallPrinter(kPrinter, kPort);
        // By its bare name, as the monitor loads it: both must reach the same copy.
        dorlik_ = LoadLibraryW(u"Dorlik.DLL");
        ASSERT_NE(dorlik_, nullptr);
        write_ = Entry<PFN_DorlikWriteVariable>(dorlik_, "DorlikWriteVariable");
        updates_ = Entry<PFN_DorlikUpdateCount>(dorlik_, "DorlikUpdateCount");
        openHandles_ = Entry<PFN_DorlikOpenHandles>(dorlik_, "DorlikOpenHandles");
        Entry<PFN_DorlikReset>(dorlik_, "DorlikReset")();
        g_lower.deviceId = kOwnDeviceId;
        threads_ = PlatRunningThreadCount();
        handles_ = plat::HandleCount();
        h_ = Open(kPort, kPrinter);
        ASSERT_NE(h_, nullptr);
        port_ = Port(h_);
    }
    void TearDown() override {
        for (HANDLE h : open_) EXPECT_TRUE(table_->pfnClosePort(h));
        open_.clear();
        // Nothing of the port outlives ClosePort: no thread, no handle, no manager binding.
        EXPECT_TRUE(PlatWaitForThreadsToEnd(5000)) << PlatRunningThreadCount() << " threads still run";
        EXPECT_EQ(PlatRunningThreadCount(), threads_);
        if (openHandles_) {
            EXPECT_EQ(openHandles_(), 0u) << "status manager handles left open";
        }
        EXPECT_EQ(plat::HandleCount(), handles_) << "kernel handles left open";
        if (dorlik_) FreeLibrary(dorlik_);
        MonitorTest::TearDown();
    }
    void InstallPrinter(LPCWSTR name, LPCWSTR port) {
        PLAT_PRINTER_SETUP setup{name,
                                 u"QEV Halvoric 4400K",
                                 port,
                                 u"C:\\d\\Quessa.dll",
                                 u"C:\\d\\model.txt",
                                 u"C:\\d\\Talvex.dll",
                                 nullptr,
                                 nullptr};
        PlatDeletePrinter(name);
        ASSERT_TRUE(PlatInstallPrinter(&setup));
        std::u16string key = std::u16string(u"System\\CurrentControlSet\\control\\Print\\Printers\\") + name;
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        const DWORD attributes = 0x40 | 0x800;  // local, bidirectional support on
        RegSetValueExW(h, u"Attributes", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&attributes), 4);
        RegSetValueExW(h, u"Printer Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(u"QEV Halvoric 4400K"), 38);
        RegCloseKey(h);
    }
    LONG Query(LPCWSTR name) {
        DWORD answer = 0xDEAD, returned = 0;
        std::u16string value = name;
        table_->pfnGetPrinterDataFromPort(h_, 0, value.data(), nullptr, 0, reinterpret_cast<LPWSTR>(&answer), 4,
                                          &returned);
        return returned == 4 ? static_cast<LONG>(answer) : 0x7FFFFFFF;
    }
    void Request(const char* names) {
        ASSERT_EQ(write_(kPrinter, "RefreshStatus", names, static_cast<DWORD>(std::strlen(names) + 1)), DORLIK_OK);
    }
    // The client thread registers on its own time: real-time wait for the count.
    bool WaitForHandles(DWORD count) {
        for (int i = 0; i < 5000 && openHandles_() != count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return openHandles_() == count;
    }
    // Asks polling to stop and waits in real time: on the self-moving clock a slow thread (as
    // under ThreadSanitizer) can let StopPolling's own bounded wait run out first.
    bool PollingStopped() {
        StopPolling(port_);
        for (int i = 0; i < 5000 && (port_->state & kStatePollingRunning); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return !(port_->state & kStatePollingRunning);
    }
    DWORD ClientCount() {
        PortLock lock(port_);
        DWORD n = 0;
        for (ManagerClient* c = port_->clients; c; c = c->next) ++n;
        return n;
    }

    HMODULE dorlik_ = nullptr;
    PFN_DorlikWriteVariable write_ = nullptr;
    PFN_DorlikUpdateCount updates_ = nullptr;
    PFN_DorlikOpenHandles openHandles_ = nullptr;
    DWORD threads_ = 0;
    size_t handles_ = 0;
    HANDLE h_ = nullptr;
    PortRecord* port_ = nullptr;
};

TEST_F(StatusThreadTest, AClientRemovedByARefreshEndsItsThreadAndItsPrinterIsNoLongerHandled) {
    ASSERT_TRUE(RefreshManagerClients(port_));
    ASSERT_EQ(ClientCount(), 1u);
    ASSERT_TRUE(IsBound(port_->clients));
    EXPECT_EQ(PlatRunningThreadCount(), threads_ + 1) << "one client thread";
    EXPECT_TRUE(WaitForHandles(2)) << "the binding and the client thread's registration";
    // The printer leaves the port: the next refresh removes the client, and its thread ends.
    InstallPrinter(kPrinter, u"USB002");
    ASSERT_TRUE(RefreshManagerClients(port_));
    EXPECT_EQ(ClientCount(), 0u);
    EXPECT_TRUE(PlatWaitForThreadsToEnd(5000));
    EXPECT_EQ(openHandles_(), 0u) << "the registration went with the client";
    // Later signals of the printer find no client to act for.
    HANDLE jobEvent = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"Global\\PWDJOBEVENT:Halvoric");
    if (jobEvent) {
        SetEvent(jobEvent);
        CloseHandle(jobEvent);
    }
    EXPECT_EQ(write_(kPrinter, "TerminateManager", "\1\0\0\0", 4), DORLIK_OK);
    EXPECT_EQ(PlatRunningThreadCount(), threads_);
    EXPECT_FALSE(port_->state & kStateTerminate) << "a dead client acted on its printer's variables";
}

TEST_F(StatusThreadTest, NamedRefreshAnswers) {
    ASSERT_TRUE(RefreshManagerClients(port_));
    ASSERT_EQ(ClientCount(), 1u);
    EXPECT_EQ(Query(u"Refresh:Nobody"), kRefreshRefused) << "a printer that is no client of the port";
    Request("NoSuchVariable");
    EXPECT_EQ(Query(u"Refresh:Halvoric"), kRefreshRefused) << "a request of no known variable";
    Request("PrinterStatus;PrinterExtStatus");
    EXPECT_EQ(Query(u"Refresh:Halvoric"), kRefreshDone);
    ASSERT_TRUE(Start(h_, 9));
    EXPECT_EQ(Query(u"Refresh:Halvoric"), kRefreshBusy) << "a job is open";
    EXPECT_TRUE(table_->pfnEndDocPort(h_));
}

TEST_F(StatusThreadTest, AnExtStatusRequestRepublishesWithoutThePortMutex) {
    ASSERT_TRUE(RefreshManagerClients(port_));
    Request("PrinterExtStatus");
    DWORD before = updates_(kPrinter, "PrinterExtStatus");
    // Another thread holds the port mutex all along: the answer must not wait for it.
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        WaitForSingleObject(port_->portMutex, INFINITE);
        SetEvent(held);
        WaitForSingleObject(done, INFINITE);
        ReleaseMutex(port_->portMutex);
    });
    ASSERT_EQ(WaitForSingleObject(held, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(Query(u"Refresh:Halvoric"), kRefreshDone);
    EXPECT_EQ(updates_(kPrinter, "PrinterExtStatus"), before + 1);
    SetEvent(done);
    holder.join();
    CloseHandle(held);
    CloseHandle(done);
}

TEST_F(StatusThreadTest, TerminateManagerKeepsNewClientsOutUntilCleared) {
    ASSERT_TRUE(RefreshManagerClients(port_));
    ASSERT_EQ(ClientCount(), 1u);
    ASSERT_TRUE(WaitForHandles(2)) << "the client thread watches the manager";
    ASSERT_EQ(write_(kPrinter, "TerminateManager", "\1\0\0\0", 4), DORLIK_OK);
    ASSERT_TRUE(PlatWaitForThreadsToEnd(5000));
    EXPECT_EQ(ClientCount(), 0u);
    EXPECT_TRUE(port_->state & kStateTerminate);
    ASSERT_EQ(write_(kPrinter, "TerminateManager", "\0\0\0\0", 4), DORLIK_OK);
    RefreshManagerClients(port_);
    EXPECT_EQ(ClientCount(), 0u) << "no new client while the terminate bit is set";
    RebindManagerClient(port_);
    EXPECT_EQ(ClientCount(), 0u);
    // "Wake Up" clears the bit; the clients come back with the next refresh.
    EXPECT_EQ(Query(u"Wake Up"), kRefreshDone);
    EXPECT_FALSE(port_->state & kStateTerminate);
    EXPECT_EQ(Query(u"Stop Polling"), kRefreshDone);
    ASSERT_TRUE(PollingStopped());
    RefreshManagerClients(port_);
    EXPECT_EQ(ClientCount(), 1u);
}

// Woken by a status reader, the port polls every 4,000 ms while no job record waits, and its
// clients are refreshed every third cycle.
TEST_F(StatusThreadTest, PollingCyclesFollowTheCycleTimes) {
    ASSERT_TRUE(RefreshManagerClients(port_));
    ClearDeviceIdTicks();
    EXPECT_EQ(Query(u"Wake Up"), kRefreshDone);
    EXPECT_EQ(Query(u"Wake Up"), kRefreshRefused) << "already awake";
    EXPECT_TRUE(port_->state & kStatePollingRunning);
    // Let a few cycles pass on the clock (the clock jumps while every thread waits).
    for (int i = 0; i < 2000 && DeviceIdTicks().size() < 6; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(Query(u"Stop Polling"), kRefreshDone);
    ASSERT_TRUE(PollingStopped());
    EXPECT_FALSE(port_->state & kStatePollingRunning);
    std::vector<DWORD> ticks = DeviceIdTicks();
    ASSERT_GE(ticks.size(), 4u);
    for (size_t i = 2; i + 1 < ticks.size(); ++i) EXPECT_EQ(ticks[i + 1] - ticks[i], kPollIdleMs) << "cycle " << i;
    DWORD ext = 0;
    EXPECT_TRUE(ReadDwordVariable(port_, "PrinterExtStatus", &ext));
    EXPECT_EQ(ext & 0x10, 0u) << "polling has ended";
}

// The manager's start event is one for every client of every port: a restart must reach all of
// them, not the one client that happens to wait first.
TEST_F(StatusThreadTest, AManagerRestartEndsTheClientsOfEveryPort) {
    InstallPrinter(u"Halvoric Two", u"USB002");
    HANDLE second = Open(u"USB002", u"Halvoric Two");
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(RefreshManagerClients(port_));
    ASSERT_TRUE(RefreshManagerClients(Port(second)));
    ASSERT_TRUE(WaitForHandles(4)) << "two bindings, two registrations";
    ASSERT_EQ(PlatRunningThreadCount(), threads_ + 2);
    HANDLE started = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"Global\\QVBRJPSDB:START_STATUS");
    ASSERT_NE(started, nullptr);
    SetEvent(started);
    EXPECT_TRUE(PlatWaitForThreadsToEnd(5000)) << PlatRunningThreadCount() - threads_ << " client threads left";
    EXPECT_EQ(ClientCount(), 0u);
    EXPECT_EQ(Port(second)->clients, nullptr);
    EXPECT_EQ(openHandles_(), 0u);
    // The next refresh binds the printers anew; their threads clear the old signal and stay.
    ASSERT_TRUE(RefreshManagerClients(port_));
    EXPECT_EQ(ClientCount(), 1u);
    EXPECT_TRUE(WaitForHandles(2));
    EXPECT_EQ(WaitForSingleObject(started, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the old signal was cleared";
    EXPECT_EQ(PlatRunningThreadCount(), threads_ + 1);
    CloseHandle(started);
}

TEST_F(StatusThreadTest, ClosingThePortEndsEveryThreadAndBindingInBoundedTime) {
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(RefreshManagerClients(port_));
        EXPECT_EQ(Query(u"Wake Up"), kRefreshDone);
        EXPECT_EQ(Query(u"Stop Polling"), kRefreshDone);
        ASSERT_TRUE(table_->pfnClosePort(h_));
        open_.clear();
        ASSERT_TRUE(PlatWaitForThreadsToEnd(5000)) << "round " << round;
        EXPECT_EQ(openHandles_(), 0u) << "round " << round;
        h_ = Open(kPort, kPrinter);
        ASSERT_NE(h_, nullptr);
        port_ = Port(h_);
    }
}

// A standard TCP/IP port whose printer's SNMP agent never answers, or answers garbage: the
// polling thread is inside an SNMP request (which waits in real time) when the port is closed.
// ClosePort returns only once that thread has left the monitor, so the spooler may unload it.
constexpr int kHangGuardMs = 120000;

class SilentAgentCloseTest : public StatusThreadTest, public ::testing::WithParamInterface<printersim::SnmpAnswer> {
protected:
    void SetUp() override {
        StatusThreadTest::SetUp();
        if (HasFatalFailure()) return;
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_TRUE(PlatCopyIntoSandbox((std::string(bin) + "/Varnel.dll").c_str(),
                                        u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Varnel.DLL"));
        const uint16_t udp = printersim::FreeUdpPort();
        setenv(kVarnelPortVariable, std::to_string(udp).c_str(), 1);
        printersim::Options o;
        o.snmpPort = udp;
        o.snmpAnswer = GetParam();
        sim_ = std::make_unique<printersim::Simulator>(o);
        ASSERT_TRUE(sim_->Start());
        ASSERT_TRUE(plat::RegisterStandardTcpIpPort(kTcpPort));
        const std::u16string key =
            std::u16string(u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\") +
            kTcpPort;
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        const std::u16string host = u"127.0.0.1";
        RegSetValueExW(h, u"IPAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(host.c_str()),
                       static_cast<DWORD>((host.size() + 1) * sizeof(WCHAR)));
        RegCloseKey(h);
        InstallPrinter(kTcpPrinter, kTcpPort);
    }
    void TearDown() override {
        StatusThreadTest::TearDown();
        sim_.reset();
        unsetenv(kVarnelPortVariable);
    }
    static constexpr char16_t kTcpPort[] = u"IP_127.0.0.1";
    static constexpr char16_t kTcpPrinter[] = u"Halvoric Net";
    std::unique_ptr<printersim::Simulator> sim_;
};

TEST_P(SilentAgentCloseTest, ClosePortReturnsOnlyOnceThePollingThreadHasLeft) {
    HANDLE tcp = Open(kTcpPort, kTcpPrinter);
    ASSERT_NE(tcp, nullptr);
    PortRecord* port = Port(tcp);
    ASSERT_NE(port->snmp, nullptr) << "the port's SNMP client";
    ASSERT_TRUE(RefreshManagerClients(port));
    ASSERT_NE(port->clients, nullptr);
    const LONG before = LiveStatusThreads();
    DWORD answer = 0, returned = 0;
    std::u16string wake = u"Wake Up";
    table_->pfnGetPrinterDataFromPort(tcp, 0, wake.data(), nullptr, 0, reinterpret_cast<LPWSTR>(&answer), 4, &returned);
    ASSERT_EQ(static_cast<LONG>(answer), kRefreshDone);
    ASSERT_TRUE(port->state & kStatePollingRunning);
    // The polling thread's first cycle asks the agent for the device ID; the port closes while
    // that request waits for an answer (the bound only keeps a broken run from hanging).
    ASSERT_TRUE(sim_->WaitForSnmpRequests(1, kHangGuardMs)) << "the polling thread never asked the agent";
    ASSERT_TRUE(table_->pfnClosePort(tcp));
    EXPECT_EQ(LiveStatusThreads(), before - 1) << "a thread of the port still runs in the monitor";
}

INSTANTIATE_TEST_SUITE_P(Agents, SilentAgentCloseTest,
                         ::testing::Values(printersim::SnmpAnswer::kNothing, printersim::SnmpAnswer::kGarbage),
                         [](const auto& info) {
                             return info.param == printersim::SnmpAnswer::kNothing ? "NeverAnswers" : "AnswersGarbage";
                         });

}  // namespace
