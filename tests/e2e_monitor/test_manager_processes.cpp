// The status manager between processes: what one process publishes another reads and is
// signalled for, size queries, one set of variables per printer, and refresh requests that
// travel from a reader's process to the process whose monitor serves the printer.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "outside/dorlik/dorlik_library.h"
#include "outside/portmon/portmon_config.h"
#include "plat/message_window.h"
#include "tests/e2e_monitor/monitor_world.h"

extern char** environ;

namespace {

using dorlik::Entry;

using e2e::Bounded;
using e2e::ClockPump;

constexpr int kWallMs = 120000;  // a hang guard: each wait ends when its answer comes
constexpr char16_t kPrinter[] = u"QEV Shared Status";

// One run of the peer program; killed and reaped when it outlives its test.
class Peer {
public:
    explicit Peer(std::vector<std::string> args) {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        args.insert(args.begin(), {DORLIK_PEER, PlatGetSandboxRoot()});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, DORLIK_PEER, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
    }
    ~Peer() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    bool Started() const { return pid_ > 0; }
    // One line of its output (without the newline), empty after `ms` of real time.
    std::string Line(int ms = kWallMs) {
        std::string line;
        char c = 0;
        while (true) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, ms) <= 0 || read(out_, &c, 1) != 1 || c == '\n') return line;
            line += c;
        }
    }
    // Its exit code, or -1 when it does not end within `ms` of real time.
    int Exit(int ms = kWallMs) {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < until) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

struct EventHandle {
    HANDLE h = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ~EventHandle() {
        if (h) CloseHandle(h);
    }
};

class ManagerProcessesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(e2e::EnsureSandbox(&why)) << why;
        ASSERT_TRUE(dorlik_.Bind(&why)) << why;
        dorlik_.Reset();
        open_ = Entry<PFN_DorlikOpenManagerExW>(dorlik_.module, "OpenManagerExW");
        close_ = Entry<PFN_DorlikCloseManager>(dorlik_.module, "CloseManager");
        getA_ = Entry<PFN_DorlikGetPrinterStatusA>(dorlik_.module, "GetPrinterStatusA");
        getW_ = Entry<PFN_DorlikGetPrinterStatusW>(dorlik_.module, "GetPrinterStatusW");
        updateA_ = Entry<PFN_DorlikUpdatePrinterStatusA>(dorlik_.module, "UpdatePrinterStatusA");
        updateW_ = Entry<PFN_DorlikUpdatePrinterStatusW>(dorlik_.module, "UpdatePrinterStatusW");
        notify_ = Entry<PFN_DorlikSetNotificationEventExA>(dorlik_.module, "SetNotificationEventExA");
        kill_ = Entry<PFN_DorlikKillNotificationEvent>(dorlik_.module, "KillNotificationEvent");
        ASSERT_TRUE(open_ && close_ && getA_ && getW_ && updateA_ && updateW_ && notify_ && kill_);
    }
    void TearDown() override {
        for (HANDLE m : managers_) close_(m);
        EXPECT_EQ(dorlik_.OpenHandles(), 0u);
    }
    HANDLE Bind(const std::u16string& printer, LPCWSTR client = u"", DWORD mode = 10) {
        HANDLE m = nullptr;
        EXPECT_EQ(open_(printer.c_str(), client, mode, &m), DORLIK_OK);
        if (m) managers_.push_back(m);
        return m;
    }

    e2e::Dorlik dorlik_;
    std::vector<HANDLE> managers_;
    PFN_DorlikOpenManagerExW open_ = nullptr;
    PFN_DorlikCloseManager close_ = nullptr;
    PFN_DorlikGetPrinterStatusA getA_ = nullptr;
    PFN_DorlikGetPrinterStatusW getW_ = nullptr;
    PFN_DorlikUpdatePrinterStatusA updateA_ = nullptr;
    PFN_DorlikUpdatePrinterStatusW updateW_ = nullptr;
    PFN_DorlikSetNotificationEventExA notify_ = nullptr;
    PFN_DorlikKillNotificationEvent kill_ = nullptr;
};

TEST_F(ManagerProcessesTest, AValuePublishedInAnotherProcessIsReadAndSignalledHere) {
    HANDLE m = Bind(kPrinter);
    EventHandle changed, untouched;
    HANDLE events[2] = {changed.h, untouched.h};
    DWORD cookie = 0;
    ASSERT_EQ(notify_(m, 2, "PrinterStatusText;TerminateManager", events, &cookie), DORLIK_OK);

    Peer peer({"publish", "QEV Shared Status", "PrinterStatusText", "paper out"});
    ASSERT_TRUE(peer.Started());
    ASSERT_EQ(peer.Exit(), 0);
    EXPECT_EQ(WaitForSingleObject(changed.h, 5000), WAIT_OBJECT_0)
        << "the change in the other process was not signalled";
    EXPECT_EQ(WaitForSingleObject(untouched.h, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    char value[32] = {};
    DWORD got = 0;
    EXPECT_EQ(getA_(m, "PrinterStatusText", value, sizeof value, &got), DORLIK_OK);
    EXPECT_EQ(std::string(value, got), "paper out");
    EXPECT_EQ(dorlik_.Updates(kPrinter, "PrinterStatusText"), 1u);
    EXPECT_TRUE(
        dorlik_.EverPublished(kPrinter, "PrinterStatusText", [](const std::string& v) { return v == "paper out"; }));
    EXPECT_EQ(kill_(m, cookie), DORLIK_OK);
    EXPECT_EQ(kill_(m, cookie), DORLIK_E_PARAMETER) << "a cookie is cancelled once";
}

TEST_F(ManagerProcessesTest, AWatcherInAnotherProcessIsSignalledForAValuePublishedHere) {
    HANDLE m = Bind(kPrinter);
    Peer peer({"watch", "QEV Shared Status", "JobStatusText", "printing", "10000"});
    ASSERT_TRUE(peer.Started());
    ASSERT_EQ(peer.Line(), "ready");
    ASSERT_EQ(updateA_(m, "JobStatusText", "printing", 8), DORLIK_OK);
    EXPECT_EQ(peer.Line(), "printing");
    EXPECT_EQ(peer.Exit(), 0);
}

TEST_F(ManagerProcessesTest, AnUnchangedValueSignalsNothingButCountsAsPublished) {
    HANDLE m = Bind(kPrinter);
    ASSERT_EQ(updateA_(m, "PrinterMemory", "\x40\0\0\0", 4), DORLIK_OK);
    EventHandle changed;
    DWORD cookie = 0;
    ASSERT_EQ(notify_(m, 1, "PrinterMemory", &changed.h, &cookie), DORLIK_OK);
    Peer same({"publish", "QEV Shared Status", "PrinterMemory", "@"});  // a different size: a change
    ASSERT_EQ(same.Exit(), 0);
    EXPECT_EQ(WaitForSingleObject(changed.h, 5000), WAIT_OBJECT_0);
    Peer again({"publish", "QEV Shared Status", "PrinterMemory", "@"});
    ASSERT_EQ(again.Exit(), 0);
    Sleep(600);  // longer than the service thread's own wake-up
    EXPECT_EQ(WaitForSingleObject(changed.h, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(dorlik_.Updates(kPrinter, "PrinterMemory"), 3u);
    EXPECT_EQ(kill_(m, cookie), DORLIK_OK);
}

TEST_F(ManagerProcessesTest, SizeQueriesAnswerTheNeededSize) {
    HANDLE m = Bind(kPrinter);
    const BYTE bins[16] = {1, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0, 3, 0, 0, 0};
    ASSERT_EQ(updateW_(m, u"PrinterBinConfig", bins, sizeof bins), DORLIK_OK);
    struct Case {
        DWORD size;
        bool withBuffer;
        LONG result;
    };
    const Case cases[] = {
        {0, false, DORLIK_E_SMALL_QUERY},   {0, true, DORLIK_E_SMALL_QUERY}, {15, true, DORLIK_E_SMALL_BUFFER},
        {16, false, DORLIK_E_SMALL_BUFFER}, {16, true, DORLIK_OK},           {100, true, DORLIK_OK},
    };
    for (const Case& c : cases) {
        BYTE buffer[100] = {};
        DWORD returned = 0;
        EXPECT_EQ(getA_(m, "PrinterBinConfig", c.withBuffer ? buffer : nullptr, c.size, &returned), c.result)
            << "size " << c.size;
        EXPECT_EQ(returned, 16u) << "size " << c.size;
        if (c.result == DORLIK_OK) {
            EXPECT_EQ(std::memcmp(buffer, bins, 16), 0);
        }
    }
    DWORD returned = 7;
    EXPECT_EQ(getA_(m, "NeverSet", nullptr, 0, &returned), DORLIK_E_NO_VARIABLE);
    EXPECT_EQ(returned, 0u);
    Peer reader({"read", "QEV Shared Status", "NeverSet"});
    EXPECT_EQ(reader.Line(), "error -5");
}

TEST_F(ManagerProcessesTest, EachPrinterNameHasItsOwnSetWithItsDefaults) {
    HANDLE a = Bind(kPrinter);
    HANDLE b = Bind(u"QEV Other Printer");
    ASSERT_EQ(updateA_(a, "PrinterExtStatus", "\x04\0\0\0", 4), DORLIK_OK);
    DWORD value = 0, returned = 0;
    EXPECT_EQ(getA_(b, "PrinterExtStatus", &value, 4, &returned), DORLIK_E_NO_VARIABLE);
    EXPECT_EQ(getA_(a, "PrinterExtStatus", &value, 4, &returned), DORLIK_OK);
    EXPECT_EQ(value, 4u);
    char16_t name[260] = {};
    ASSERT_EQ(getW_(b, u"PrinterName", name, sizeof name, &returned), DORLIK_OK);
    EXPECT_EQ(returned, 520u);
    EXPECT_EQ(std::u16string(name), u"QEV Other Printer");
    BYTE port[516];
    std::memset(port, 0xAA, sizeof port);
    ASSERT_EQ(getW_(a, u"Port", port, sizeof port, &returned), DORLIK_OK);
    EXPECT_EQ(returned, 516u);
    EXPECT_EQ(port[0] | port[1] | port[2] | port[3], 0) << "no port claimed by default";
    EXPECT_EQ(getA_(a, "TerminateManager", &value, 4, &returned), DORLIK_OK);
    EXPECT_EQ(value, 0u);
}

TEST_F(ManagerProcessesTest, BadCallsAreRefusedWithoutHarm) {
    HANDLE m = Bind(kPrinter);
    HANDLE none = nullptr;
    DWORD cookie = 0, returned = 0;
    EventHandle e;
    std::string longName(64, 'N');
    std::u16string longPrinter(260, u'P');
    EXPECT_EQ(open_(nullptr, u"", 10, &none), DORLIK_E_PARAMETER);
    EXPECT_EQ(open_(longPrinter.c_str(), u"", 10, &none), DORLIK_E_PARAMETER);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(close_(reinterpret_cast<HANDLE>(0x1234)), DORLIK_E_HANDLE);
    EXPECT_EQ(updateA_(reinterpret_cast<HANDLE>(0x1234), "X", "1", 1), DORLIK_E_HANDLE);
    EXPECT_EQ(updateA_(m, longName.c_str(), "1", 1), DORLIK_E_PARAMETER);
    EXPECT_EQ(updateA_(m, "X", nullptr, 4), DORLIK_E_PARAMETER);
    EXPECT_EQ(getA_(m, "", nullptr, 0, &returned), DORLIK_E_PARAMETER);
    EXPECT_EQ(notify_(m, 2, "OnlyOne", &e.h, &cookie), DORLIK_E_PARAMETER) << "count and names disagree";
    EXPECT_EQ(notify_(m, 0, "", &e.h, &cookie), DORLIK_E_PARAMETER);
    EXPECT_EQ(dorlik_.OpenHandles(), 1u);
}

// The refresh path: a reader's request reaches the monitor that serves the printer, as the port
// query "Refresh:" + printer name, and its answer comes back.
class ManagerRefreshTest : public ManagerProcessesTest {
protected:
    void SetUp() override {
        ManagerProcessesTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(plat::LoadMonitor(&lower_, u"C:\\Windows\\System32\\Loopmon.dll", e2e::kPortMonitorName));
        ASSERT_TRUE(plat::LoadMonitor(&language_, u"C:\\Windows\\System32\\Lostrel.dll", e2e::kLanguageMonitorName));
        sim_ = std::make_unique<printersim::Simulator>(printersim::Options{});
        ASSERT_TRUE(sim_->Start());
        std::string address = "127.0.0.1:" + std::to_string(sim_->Port());
        ASSERT_TRUE(
            PlatAddPort(kPort, u"Local Port", u"Virtual printer port for USB", PORT_TYPE_WRITE | PORT_TYPE_READ));
        ASSERT_TRUE(portmon::ConfigureLoopbackPort(e2e::kPortMonitorName, kPort, address.c_str(), FALSE));
        std::string why;
        ASSERT_TRUE(e2e::InstallPrinter(kRefreshPrinter, kPort, &why)) << why;
        ASSERT_TRUE(Bounded("OpenPortEx", kWallMs,
                            [&] { return plat::OpenPort(&port_, &language_, &lower_, kPort, kRefreshPrinter); }));
    }
    void TearDown() override {
        if (port_.handle) {
            EXPECT_TRUE(Bounded("ClosePort", kWallMs, [&] { return plat::ClosePort(&port_); }));
        }
        plat::UnloadMonitor(&language_);
        plat::UnloadMonitor(&lower_);
        if (sim_) sim_->Stop();
        ManagerProcessesTest::TearDown();
    }
    static constexpr char16_t kPort[] = u"USB077";
    static constexpr char16_t kRefreshPrinter[] = u"QEV Refreshed Printer";
    plat::LoadedMonitor lower_, language_;
    plat::HostPort port_;
    std::unique_ptr<printersim::Simulator> sim_;
};

TEST_F(ManagerRefreshTest, ARequestFromAnotherProcessReachesTheMonitorWhileItsJobRuns) {
    std::string answer;
    plat::JobOptions options;
    options.chunkSize = 512;
    options.maxIdleRetries = 400;
    options.afterWrite = [&](size_t) {
        if (!answer.empty()) return;
        Peer peer({"refresh", "QEV Refreshed Printer"});
        answer = peer.Line();
        EXPECT_EQ(peer.Exit(), 0);
    };
    std::string job =
        std::string(e2e::kUel, 9) + "@PJL ENTER LANGUAGE=ORLA\r\n" + std::string(4000, 'A') + std::string(e2e::kUel, 9);
    plat::JobResult r = Bounded("job", 60000, [&] {
        return plat::SendJob(&port_, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), options);
    });
    EXPECT_TRUE(r.ended);
    // -38: the monitor itself refused, as it does while a job is open; nobody else answers so.
    EXPECT_EQ(answer, "-38");
}

TEST_F(ManagerRefreshTest, APrinterNoMonitorServesIsRefusedAtOnce) {
    Peer peer({"refresh", "QEV Nobody Serves"});
    EXPECT_EQ(peer.Line(), std::to_string(DORLIK_E_NOT_SERVED));
    EXPECT_EQ(peer.Exit(), 0);
    HANDLE m = Bind(u"QEV Nobody Serves");
    HWND window = PlatCreateMessageWindow(u"OrlaRefreshTest", u"");
    DWORD cookie = 5;
    auto ask = Entry<PFN_DorlikSetReqPrinterStatusMsgW>(dorlik_.module, "SetReqPrinterStatusMsgW");
    EXPECT_EQ(ask(m, u"RefreshStatus", u"PrinterExtStatus", 34, window, 1124, &cookie), DORLIK_E_NOT_SERVED);
    EXPECT_EQ(cookie, 0u);
    PlatDestroyMessageWindow(window);
}

TEST_F(ManagerRefreshTest, AnAsynchronousRequestPostsTheReplyAndHandsOverTheResult) {
    // The monitor binds its printer at the job's start; this process then serves it.
    std::string job = std::string(e2e::kUel, 9) + "@PJL ENTER LANGUAGE=ORLA\r\nAAAA" + std::string(e2e::kUel, 9);
    plat::JobOptions options;
    options.maxIdleRetries = 400;
    {
        ClockPump pump;
        plat::JobResult r = Bounded("job", 60000, [&] {
            return plat::SendJob(&port_, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), options);
        });
        ASSERT_TRUE(r.ended);
    }
    HANDLE m = Bind(kRefreshPrinter, u"", 8);
    HWND window = PlatCreateMessageWindow(u"OrlaRefreshTest", u"");
    ASSERT_NE(window, nullptr);
    auto ask = Entry<PFN_DorlikSetReqPrinterStatusMsgW>(dorlik_.module, "SetReqPrinterStatusMsgW");
    auto collect = Entry<PFN_DorlikResSetPrinterStatus>(dorlik_.module, "ResSetPrinterStatus");
    DWORD cookie = 0;
    const char16_t kNames[] = u"PrinterStatus;PrinterExtStatus;PrinterBinConfig;PrinterOptConfig;PrinterMemory";
    ASSERT_EQ(ask(m, u"RefreshStatus", kNames, sizeof kNames, window, 1124, &cookie), DORLIK_OK);
    ASSERT_NE(cookie, 0u);
    std::string request;
    ASSERT_EQ(dorlik_.Read(kRefreshPrinter, "RefreshStatus", &request), DORLIK_OK);
    EXPECT_EQ(request,
              std::string("PrinterStatus;PrinterExtStatus;PrinterBinConfig;PrinterOptConfig;PrinterMemory") + '\0');
    MSG msg{};
    {
        ClockPump pump;
        ASSERT_TRUE(PlatGetWindowMessage(window, &msg, 600000));
    }
    EXPECT_EQ(msg.message, 1124u);
    EXPECT_EQ(msg.wParam, cookie);
    LONG result = 1;
    EXPECT_EQ(collect(m, cookie, &result), DORLIK_OK);
    EXPECT_EQ(result, static_cast<LONG>(msg.lParam));
    EXPECT_LE(result, 0);
    EXPECT_EQ(collect(m, cookie, &result), DORLIK_E_PARAMETER) << "a result is handed over once";
    PlatDestroyMessageWindow(window);
}

}  // namespace
