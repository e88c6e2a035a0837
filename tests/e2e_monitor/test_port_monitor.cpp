// The port monitor below the language monitor, driven through its MONITOR2 table as the
// language monitor drives it: loopback TCP ports (data, replies, device ID, short writes,
// failures, time-outs on the platform clock) and file ports.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "outside/portmon/portmon_config.h"
#include "tests/e2e_monitor/monitor_world.h"

namespace {

using e2e::Bounded;
using e2e::ClockPump;

constexpr DWORD IOCTL_PAR_QUERY_DEVICE_ID = 0x16000C;
constexpr DWORD IOCTL_USBPRINT_GET_1284_ID = 0x220414;
constexpr DWORD kWsaConnReset = 10054;
constexpr DWORD IOCTL_PAR_SET_INFORMATION = 0x160008;
constexpr DWORD IOCTL_IEEE1284_GET_MODE = 0x160014;
constexpr DWORD IOCTL_IEEE1284_NEGOTIATE = 0x160018;
constexpr DWORD IOCTL_PAR_GET_DEVICE_CAPS = 0x160024;
constexpr WORD kEcpMode = 0x100;

class PortMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(e2e::EnsureSandbox(&why)) << why;
        PlatClockSetManual(TRUE);
        handles_ = plat::HandleCount();
        ASSERT_TRUE(plat::LoadMonitor(&lower_, u"C:\\Windows\\System32\\Loopmon.dll", e2e::kPortMonitorName))
            << "error " << GetLastError();
        m_ = lower_.table;
    }
    void TearDown() override {
        if (port_) m_->pfnClosePort(port_);
        plat::UnloadMonitor(&lower_);
        PlatClearInjections();
        PlatClockSetManual(FALSE);
        EXPECT_EQ(plat::HandleCount(), handles_) << "a handle was left open";
    }

    void OpenTcp(printersim::Simulator& sim, const char16_t* name = u"USB001", BOOL closeAtEndDoc = FALSE) {
        ASSERT_TRUE(sim.Start());
        std::string address = "127.0.0.1:" + std::to_string(sim.Port());
        ASSERT_TRUE(portmon::ConfigureLoopbackPort(e2e::kPortMonitorName, name, address.c_str(), closeAtEndDoc));
        std::u16string n = name;
        ASSERT_TRUE(m_->pfnOpenPort(lower_.handle, n.data(), &port_)) << GetLastError();
    }
    BOOL StartDoc(DWORD jobId = 7) {
        std::u16string doc = u"doc", type = u"RAW";
        DOC_INFO_1W info{doc.data(), nullptr, type.data()};
        std::u16string printer = u"P";
        return m_->pfnStartDocPort(port_, printer.data(), jobId, 1, reinterpret_cast<LPBYTE>(&info));
    }
    BOOL Write(const std::string& data, DWORD* written) {
        return m_->pfnWritePort(port_, reinterpret_cast<LPBYTE>(const_cast<char*>(data.data())),
                                static_cast<DWORD>(data.size()), written);
    }

    plat::LoadedMonitor lower_;
    LPMONITOR2 m_ = nullptr;
    HANDLE port_ = nullptr;
    size_t handles_ = 0;
};

TEST_F(PortMonitorTest, BytesArriveExactlyAndRepliesComeBackThroughReadPort) {
    printersim::Simulator sim;
    OpenTcp(sim);
    ASSERT_TRUE(StartDoc());
    std::string job = std::string(e2e::kUel) + "@PJL INFO STATUS\r\n" + std::string(100000, '\x5a');
    DWORD written = 0;
    std::string sent;
    ClockPump pump;
    while (sent.size() < job.size()) {
        std::string rest = job.substr(sent.size());
        ASSERT_TRUE(Write(rest, &written)) << GetLastError();
        sent += rest.substr(0, written);
    }
    ASSERT_TRUE(sim.WaitForReceived(job.size(), 10000));
    EXPECT_EQ(sim.Received(), job);

    std::string replies;
    for (int i = 0; i < 2000 && replies.find('\f') == std::string::npos; ++i) {
        char buffer[1024];
        DWORD read = 0;
        ASSERT_TRUE(m_->pfnReadPort(port_, reinterpret_cast<LPBYTE>(buffer), sizeof buffer, &read));
        replies.append(buffer, read);
    }
    EXPECT_EQ(replies.rfind("@PJL INFO STATUS\r\n", 0), 0u) << replies;
    EXPECT_TRUE(m_->pfnEndDocPort(port_));
}

TEST_F(PortMonitorTest, ReadPortReturnsNothingOnlyWhenItsTimeOutPassesOnThePlatformClock) {
    printersim::Simulator sim;
    OpenTcp(sim);
    ASSERT_TRUE(StartDoc());
    COMMTIMEOUTS t{10, 0, 3000, 0, 0};
    ASSERT_TRUE(m_->pfnSetPortTimeOuts(port_, &t, 0));
    std::atomic<bool> done{false};
    DWORD read = 99;
    BOOL ok = FALSE;
    std::thread reader([&] {
        char buffer[64];
        ok = m_->pfnReadPort(port_, reinterpret_cast<LPBYTE>(buffer), sizeof buffer, &read);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_FALSE(done.load()) << "returned before the platform clock moved";
    PlatClockAdvance(2999);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(done.load());
    PlatClockAdvance(2);
    for (int i = 0; i < 5000 && !done.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    reader.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(m_->pfnEndDocPort(port_));
}

TEST_F(PortMonitorTest, InjectedShortWritesAndFailuresReachTheCaller) {
    printersim::Simulator sim;
    OpenTcp(sim);
    ASSERT_TRUE(StartDoc());
    std::string data(1000, 'a');
    DWORD written = 0;
    PlatInjectShortWrite("WritePort", 1, 300);
    ASSERT_TRUE(Write(data, &written));
    EXPECT_EQ(written, 700u);
    PlatInjectShortWrite("WritePort", 1, 5000);
    ASSERT_TRUE(Write(data, &written));
    EXPECT_EQ(written, 0u);  // took nothing: the caller must call again
    PlatInjectFailure("WritePort", 1, ERROR_PRINT_CANCELLED);
    EXPECT_FALSE(Write(data, &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_CANCELLED));
    EXPECT_EQ(written, 0u);
    ASSERT_TRUE(Write(data, &written));
    EXPECT_EQ(written, 1000u);
    ASSERT_TRUE(sim.WaitForReceived(1700, 10000));
    EXPECT_EQ(sim.Received(), std::string(1700, 'a'));
    EXPECT_TRUE(m_->pfnEndDocPort(port_));
}

TEST_F(PortMonitorTest, SlowPrinterGivesPartialWritesStalledOneATimeOut) {
    printersim::Options o;
    o.misbehaviour = printersim::kSlowRead;
    printersim::Simulator sim(o);
    OpenTcp(sim);
    COMMTIMEOUTS t{0, 0, 100, 0, 5000};
    ASSERT_TRUE(m_->pfnSetPortTimeOuts(port_, &t, 0));
    ASSERT_TRUE(StartDoc());
    std::string big(32 << 20, 'b');
    DWORD written = 0;
    ClockPump pump;
    ASSERT_TRUE(Write(big, &written)) << GetLastError();
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, big.size()) << "a reader that lags cannot take 32 MB at once";

    sim.SetMisbehaviour(printersim::kStallRead);
    BOOL ok = TRUE;
    auto start = GetTickCount64();
    for (int i = 0; i < 100 && ok; ++i) {
        ok = Bounded("WritePort to a stalled printer", 20000, [&] { return Write(big, &written); });
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_GE(GetTickCount64() - start, 5000u);  // it waited its write time-out first
    sim.SetMisbehaviour(0);
    EXPECT_TRUE(m_->pfnEndDocPort(port_));
}

TEST_F(PortMonitorTest, DroppedConnectionFailsTheWriteAndTheNextDocumentConnectsAgain) {
    printersim::Options o;
    o.misbehaviour = printersim::kDropConnection;
    o.dropAfterBytes = 1000;
    printersim::Simulator sim(o);
    OpenTcp(sim);
    ASSERT_TRUE(StartDoc());
    std::string chunk(4096, 'c');
    DWORD written = 0;
    BOOL ok = TRUE;
    ClockPump pump;
    for (int i = 0; i < 2000 && ok; ++i) {
        ok = Bounded("WritePort after a reset", 20000, [&] { return Write(chunk, &written); });
        if (ok) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(ok);
    EXPECT_EQ(GetLastError(), kWsaConnReset);
    EXPECT_FALSE(m_->pfnEndDocPort(port_));  // the document lost bytes: it failed
    EXPECT_EQ(GetLastError(), kWsaConnReset);

    sim.SetMisbehaviour(0);
    sim.ClearReceived();
    ASSERT_TRUE(StartDoc(8));
    ASSERT_TRUE(Write("next job", &written));
    EXPECT_EQ(written, 8u);
    ASSERT_TRUE(sim.WaitForReceived(8, 10000));
    EXPECT_EQ(sim.Received(), "next job");
    EXPECT_TRUE(m_->pfnEndDocPort(port_));
    EXPECT_GE(sim.Connections(), 2u);
}

// A printer that drops the line after the spooler's last write, while bytes are still on their
// way, loses them: the end of the document reports the reset instead of success, on a kept
// connection and on a connection per document alike. A printer that reads everything and then
// closes ends a connection per document as it should.
TEST_F(PortMonitorTest, DropAfterTheLastWriteFailsTheDocument) {
    struct Case {
        const char* what;
        BOOL closeAtEndDoc;
    };
    for (const Case& c : {Case{"kept connection", FALSE}, Case{"connection per document", TRUE}}) {
        printersim::Options o;
        o.misbehaviour = printersim::kStallRead;
        o.dropAfterBytes = 1;
        printersim::Simulator sim(o);
        OpenTcp(sim, u"USB001", c.closeAtEndDoc);
        COMMTIMEOUTS t{0, 0, 100, 0, 2000};
        ASSERT_TRUE(m_->pfnSetPortTimeOuts(port_, &t, 0));
        ASSERT_TRUE(StartDoc()) << c.what;
        std::string job(16 << 20, 'd');
        DWORD written = 0;
        ClockPump pump;
        // The printer does not read: the write takes what the line holds, and the job ends there.
        ASSERT_TRUE(Write(job, &written)) << c.what << " " << GetLastError();
        ASSERT_GT(written, 0u) << c.what;
        ASSERT_LT(written, job.size()) << c.what;
        std::atomic<bool> ending{false};
        std::thread dropper([&] {
            while (!ending) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            sim.SetMisbehaviour(printersim::kDropConnection);  // reads one piece, then resets
        });
        ending = true;
        BOOL ended = Bounded("EndDocPort of a dropped job", 60000, [&] { return m_->pfnEndDocPort(port_); });
        DWORD error = GetLastError();
        dropper.join();
        EXPECT_FALSE(ended) << c.what;
        EXPECT_EQ(error, kWsaConnReset) << c.what;
        EXPECT_LT(sim.Received().size(), written) << c.what << ": the printer read it all after all";

        // The next document connects again and is confirmed.
        sim.SetMisbehaviour(0);
        sim.ClearReceived();
        ASSERT_TRUE(StartDoc(8)) << c.what;
        ASSERT_TRUE(Write("next job", &written)) << c.what;
        EXPECT_TRUE(Bounded("EndDocPort of the next job", 60000, [&] { return m_->pfnEndDocPort(port_); }))
            << c.what << " " << GetLastError();
        ASSERT_TRUE(sim.WaitForReceived(8, 10000)) << c.what;
        EXPECT_EQ(sim.Received(), "next job") << c.what;
        m_->pfnClosePort(port_);
        port_ = nullptr;
    }
}

TEST_F(PortMonitorTest, DeviceIdInParallelAndUsbForms) {
    printersim::Simulator sim;
    OpenTcp(sim);
    std::string expected = sim.DeviceId();
    char buffer[2048];
    DWORD returned = 0;
    ClockPump pump;
    ASSERT_TRUE(m_->pfnGetPrinterDataFromPort(port_, IOCTL_PAR_QUERY_DEVICE_ID, nullptr, nullptr, 0,
                                              reinterpret_cast<LPWSTR>(buffer), sizeof buffer, &returned));
    EXPECT_EQ(std::string(buffer, returned), expected);
    EXPECT_NE(expected.find("MDL:Halvoric 4400K;"), std::string::npos);
    EXPECT_NE(expected.find(";STS:"), std::string::npos);

    ASSERT_TRUE(m_->pfnGetPrinterDataFromPort(port_, IOCTL_USBPRINT_GET_1284_ID, nullptr, nullptr, 0,
                                              reinterpret_cast<LPWSTR>(buffer), sizeof buffer, &returned));
    ASSERT_EQ(returned, expected.size() + 2);
    EXPECT_EQ((static_cast<unsigned char>(buffer[0]) << 8) | static_cast<unsigned char>(buffer[1]),
              static_cast<int>(returned));
    EXPECT_EQ(std::string(buffer + 2, returned - 2), expected);

    EXPECT_FALSE(m_->pfnGetPrinterDataFromPort(port_, IOCTL_PAR_QUERY_DEVICE_ID, nullptr, nullptr, 0,
                                               reinterpret_cast<LPWSTR>(buffer), 10, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    sim.SetMisbehaviour(printersim::kSilent);
    EXPECT_FALSE(Bounded("device ID of a silent printer", 20000, [&] {
        return m_->pfnGetPrinterDataFromPort(port_, IOCTL_PAR_QUERY_DEVICE_ID, nullptr, nullptr, 0,
                                             reinterpret_cast<LPWSTR>(buffer), sizeof buffer, &returned);
    }));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
}

TEST_F(PortMonitorTest, FilePortAppendsEveryDocumentAndGivesNothingBack) {
    ASSERT_TRUE(portmon::ConfigureFilePort(e2e::kPortMonitorName, u"FILEOUT:", u"C:\\Spool\\out.prn"));
    std::u16string name = u"FILEOUT:";
    ASSERT_TRUE(m_->pfnOpenPort(lower_.handle, name.data(), &port_));
    CreateDirectoryW(u"C:\\Spool", nullptr);
    DeleteFileW(u"C:\\Spool\\out.prn");
    DWORD written = 0;
    for (const char* part : {"first;", "second;"}) {
        ASSERT_TRUE(StartDoc()) << GetLastError();
        ASSERT_TRUE(Write(part, &written));
        EXPECT_EQ(written, strlen(part));
        ASSERT_TRUE(m_->pfnEndDocPort(port_));
    }
    std::ifstream in(e2e::HostPath(u"C:\\Spool\\out.prn"), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "first;second;");
    ASSERT_TRUE(StartDoc());
    char buffer[16];
    DWORD read = 0;
    EXPECT_FALSE(m_->pfnReadPort(port_, reinterpret_cast<LPBYTE>(buffer), sizeof buffer, &read));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    EXPECT_TRUE(m_->pfnEndDocPort(port_));
}

// The cable's INIT request (the host's cancel) reaches the printer; other information does not.
TEST_F(PortMonitorTest, CancelRequestReachesThePrinter) {
    printersim::Simulator sim;
    OpenTcp(sim);
    ClockPump pump;
    BYTE init = 1, other = 0;
    DWORD returned = 0;
    ASSERT_TRUE(m_->pfnGetPrinterDataFromPort(port_, IOCTL_PAR_SET_INFORMATION, nullptr,
                                              reinterpret_cast<LPWSTR>(&other), 1, nullptr, 0, &returned));
    EXPECT_EQ(sim.HostCancels(), 0u);
    ASSERT_TRUE(m_->pfnGetPrinterDataFromPort(port_, IOCTL_PAR_SET_INFORMATION, nullptr,
                                              reinterpret_cast<LPWSTR>(&init), 1, nullptr, 0, &returned));
    EXPECT_EQ(sim.HostCancels(), 1u) << "the call returns once the printer took the request";
    EXPECT_FALSE(
        m_->pfnGetPrinterDataFromPort(port_, IOCTL_PAR_SET_INFORMATION, nullptr, nullptr, 0, nullptr, 0, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    sim.Stop();  // nobody to take it: the request fails
    EXPECT_FALSE(Bounded("cancel to a stopped printer", 20000, [&] {
        return m_->pfnGetPrinterDataFromPort(port_, IOCTL_PAR_SET_INFORMATION, nullptr, reinterpret_cast<LPWSTR>(&init),
                                             1, nullptr, 0, &returned);
    }));
}

// IEEE 1284 modes: a port set to offer ECP reports it and agrees to its write mode; any other
// port stays in compatibility mode whatever is asked.
TEST_F(PortMonitorTest, EcpIsOfferedAndNegotiatedOnlyWhereThePortIsSetTo) {
    for (bool offers : {false, true}) {
        SCOPED_TRACE(offers ? "ECP port" : "compatibility port");
        printersim::Simulator sim;
        const std::u16string name = offers ? u"LPT2:" : u"LPT3:";
        HKEY key = nullptr;
        const std::u16string path = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" +
                                    std::u16string(e2e::kPortMonitorName) + u"\\Ports\\" + name;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            static_cast<LONG>(ERROR_SUCCESS));
        const DWORD ecp = offers ? 1 : 0;
        RegSetValueExW(key, portmon::kEcpValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ecp), 4);
        RegCloseKey(key);
        OpenTcp(sim, name.c_str());
        WORD modes[2] = {9, 9}, caps = 0;
        DWORD returned = 0;
        ASSERT_TRUE(m_->pfnGetPrinterDataFromPort(port_, IOCTL_IEEE1284_GET_MODE, nullptr, nullptr, 0,
                                                  reinterpret_cast<LPWSTR>(modes), sizeof modes, &returned));
        EXPECT_EQ(modes[1], 0) << "compatibility mode at first";
        ASSERT_TRUE(m_->pfnGetPrinterDataFromPort(port_, IOCTL_PAR_GET_DEVICE_CAPS, nullptr, nullptr, 0,
                                                  reinterpret_cast<LPWSTR>(&caps), sizeof caps, &returned));
        EXPECT_EQ(caps & kEcpMode, offers ? kEcpMode : 0);
        WORD want[2] = {0, kEcpMode}, got[2] = {9, 9};
        ASSERT_TRUE(m_->pfnGetPrinterDataFromPort(port_, IOCTL_IEEE1284_NEGOTIATE, nullptr,
                                                  reinterpret_cast<LPWSTR>(want), sizeof want,
                                                  reinterpret_cast<LPWSTR>(got), sizeof got, &returned));
        EXPECT_EQ(got[1], offers ? kEcpMode : 0);
        ASSERT_TRUE(m_->pfnGetPrinterDataFromPort(port_, IOCTL_IEEE1284_GET_MODE, nullptr, nullptr, 0,
                                                  reinterpret_cast<LPWSTR>(modes), sizeof modes, &returned));
        EXPECT_EQ(modes[1], offers ? kEcpMode : 0) << "the negotiated mode stays";
        m_->pfnClosePort(port_);
        port_ = nullptr;
    }
}

TEST_F(PortMonitorTest, RefusesUnknownPortsOtherHostsAndStaleHandles) {
    std::u16string unknown = u"NOSUCH:";
    HANDLE h = nullptr;
    EXPECT_FALSE(m_->pfnOpenPort(lower_.handle, unknown.data(), &h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
    ASSERT_TRUE(portmon::ConfigureLoopbackPort(e2e::kPortMonitorName, u"REMOTE", "10.1.2.3:9100", FALSE));
    std::u16string remote = u"REMOTE";
    EXPECT_FALSE(m_->pfnOpenPort(lower_.handle, remote.data(), &h));  // loopback only
    std::u16string byName = u"127.0.0.1:1";
    ASSERT_TRUE(m_->pfnOpenPort(lower_.handle, byName.data(), &h));
    ASSERT_TRUE(m_->pfnClosePort(h));
    DWORD written = 0;
    char data[4] = {};
    EXPECT_FALSE(m_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data), 4, &written));  // closed handle
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    // Nothing listens on port 1: the document cannot start.
    ASSERT_TRUE(m_->pfnOpenPort(lower_.handle, byName.data(), &port_));
    EXPECT_FALSE(StartDoc());
    EXPECT_FALSE(Write("x", &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
}

}  // namespace
