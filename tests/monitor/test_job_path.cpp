#include <algorithm>
#include <cstring>

#include "monitor/job_records.h"
#include "monitor/lower_port.h"
#include "monitor/pjl_job.h"
#include "monitor/pjl_reply.h"
#include "monitor/printer_exchange.h"
#include "monitor/printer_query.h"
#include "monitor/status_variables.h"
#include "monitor_fixture.h"
#include "plat/control.h"
#include "plat/monitor_host.h"
#include "plat/threads.h"
#include "win/spool.h"

namespace {

const std::string kStatusLines =
    "@PJL USTATUS DEVICE=ON\r\n@PJL USTATUS JOB=ON\r\n@PJL USTATUS PAGE=ON\r\n@PJL INFO STATUS\r\n";
const std::string kEnter = "@PJL ENTER LANGUAGE=ORLA\r\n";

class JobPathTest : public MonitorTest {
protected:
    HANDLE OpenBound(LPCWSTR name, DWORD options = 1) {
        HANDLE h = Open(name);
        EXPECT_NE(h, nullptr);
        if (h) Bind(h, u"Halvoric", options);
        g_lower.deviceId = kOwnDeviceId;
        return h;
    }
    std::string Id(HANDLE h) { return Port(h)->jobIdentifier; }
};

TEST_F(JobPathTest, LocalJobWithoutOwnPjlIsWrapped) {
    HANDLE h = OpenBound(u"USB001");
    std::string data =
        "\x1b"
        "ORLA job bytes that are not PJL at all";
    ASSERT_TRUE(RunJob(h, data));
    std::string id = Id(h);
    ASSERT_EQ(id.size(), 24u);
    EXPECT_EQ(g_lower.written, Uel() + kStatusLines + "@PJL JOB NAME=\"" + id + "\"\r\n" + kEnter + data + Uel() +
                                   "@PJL EOJ NAME=\"" + id + "\"\r\n" + Uel());
}

TEST_F(JobPathTest, OwnUelIsAbsorbedAndOwnJobNameKept) {
    HANDLE h = OpenBound(u"LPT1");
    std::string body = "@PJL JOB NAME=\"driver\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n<orla data>";
    std::string data = Uel() + body;
    ASSERT_TRUE(Start(h));
    DWORD written = 0;
    ASSERT_TRUE(
        table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), static_cast<DWORD>(data.size()), &written));
    EXPECT_EQ(written, 9u);  // the job's UEL gives way to the monitor header's
    ASSERT_TRUE(
        table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data() + 9), static_cast<DWORD>(body.size()), &written));
    EXPECT_EQ(written, body.size());
    ASSERT_TRUE(table_->pfnEndDocPort(h));
    std::string id = Id(h);
    // The job began with a UEL: no ENTER line of the monitor's own.
    EXPECT_EQ(g_lower.written, Uel() + kStatusLines + "@PJL JOB NAME=\"" + id + "\"\r\n" + body + Uel() +
                                   "@PJL EOJ NAME=\"" + id + "\"\r\n" + Uel());
    EXPECT_EQ(Port(h)->scanResult, 2);
}

TEST_F(JobPathTest, StandardTcpIpPortGetsJobAttributeAndNoTrailer) {
    ASSERT_TRUE(plat::RegisterStandardTcpIpPort(u"IP_127.0.0.1"));
    HANDLE h = OpenBound(u"IP_127.0.0.1");
    ASSERT_EQ(Port(h)->kind, 0x105u);
    std::string data = std::string(64, 'D');
    ASSERT_TRUE(RunJob(h, data));
    std::string id = Id(h);
    EXPECT_GE(id.size(), 24u);
    EXPECT_EQ(g_lower.written, Uel() + "@PJL SET JOBATTR=\"@JCID=" + id + "\"\r\n" + kEnter + data);
}

TEST_F(JobPathTest, EndReportAlreadySentIsReadAtEndDocPort) {
    ASSERT_TRUE(plat::RegisterStandardTcpIpPort(u"IP_127.0.0.1"));
    HANDLE h = OpenBound(u"IP_127.0.0.1");
    ASSERT_TRUE(Start(h, 31));
    std::string data(64, 'R');
    DWORD written = 0;
    for (int i = 0; i < 10 && written < data.size(); ++i)
        ASSERT_TRUE(table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), 64, &written));
    EXPECT_EQ(CountJobRecords(Port(h)), 1u);
    g_lower.replies.push_back("@PJL USTATUS JOB\r\nEND\r\nNAME=\"" + Id(h) + "\"\r\nPAGES=1\r\n\f");
    ASSERT_TRUE(table_->pfnEndDocPort(h));
    EXPECT_EQ(CountJobRecords(Port(h)), 0u);
    std::string info = g_manager.published["PrintingJobInfo2"];
    ASSERT_EQ(info.size(), 320u);
    DWORD id = 0;
    std::memcpy(&id, info.data() + 288, 4);
    EXPECT_EQ(id, 31u);
}

// A job cancelled in the spooler on a standard TCP/IP port: no end report will come from the
// printer, so EndDocPort itself drops the job's record and reports the queue empty.
TEST_F(JobPathTest, CancelledStandardTcpIpJobEndsItsRecord) {
    ASSERT_TRUE(plat::RegisterStandardTcpIpPort(u"IP_127.0.0.1"));
    HANDLE h = OpenBound(u"IP_127.0.0.1");
    ASSERT_TRUE(Start(h, 51));
    std::string data(64, 'C');
    DWORD written = 0;
    for (int i = 0; i < 10 && written < data.size(); ++i)
        ASSERT_TRUE(table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), 64, &written));
    ASSERT_EQ(CountJobRecords(Port(h)), 1u);
    int queueReports = g_manager.publishCount["PrinterQueue"];
    BYTE out[4] = {};
    DWORD returned = 0;
    table_->pfnGetPrinterDataFromPort(h, 7, nullptr, nullptr, 0, reinterpret_cast<LPWSTR>(out), sizeof out, &returned);
    EXPECT_NE(std::find(g_manager.jobStatusHistory.begin(), g_manager.jobStatusHistory.end(), 4u),
              g_manager.jobStatusHistory.end());
    ASSERT_TRUE(table_->pfnEndDocPort(h));
    EXPECT_EQ(CountJobRecords(Port(h)), 0u);
    EXPECT_GT(g_manager.publishCount["PrinterQueue"], queueReports);
    EXPECT_EQ(g_manager.published["PrinterQueue"], std::string(4, '\0'));
    EXPECT_EQ(g_manager.jobStatus & kJobstatusJobBits, 0u);
}

TEST_F(JobPathTest, DriverJobClientIdIsKeptOnStandardTcpIp) {
    ASSERT_TRUE(plat::RegisterStandardTcpIpPort(u"IP_127.0.0.1"));
    HANDLE h = OpenBound(u"IP_127.0.0.1");
    std::string data = Uel() + "@PJL SET JOBATTR=\"@JCID=0399887766554433AABBCCDD\"\r\n" + kEnter + "<orla>";
    ASSERT_TRUE(RunJob(h, data));
    EXPECT_EQ(Id(h), "0399887766554433AABBCCDD");
    EXPECT_TRUE(Port(h)->driverJobClientId);
    // Nothing to add and the job's own UEL stays: the bytes go out as they came.
    EXPECT_EQ(g_lower.written, data);
}

TEST_F(JobPathTest, PostScriptJobGetsCtrlDTrailer) {
    HANDLE h = OpenBound(u"USB001");
    std::string data = "%!PS-Adobe-3.0\n/x 1 def\nshowpage\n";
    ASSERT_TRUE(RunJob(h, data));
    std::string id = Id(h);
    std::string trailer = "\x04" + Uel() + "@PJL EOJ NAME=\"" + id + "\"\r\n" + Uel();
    ASSERT_GE(g_lower.written.size(), trailer.size());
    EXPECT_EQ(g_lower.written.substr(g_lower.written.size() - trailer.size()), trailer);
}

TEST_F(JobPathTest, ShortHeaderWriteIsNotSentTwice) {
    HANDLE h = OpenBound(u"USB001");
    g_lower.acceptPerWrite = 7;
    std::string data(300, 'Q');
    ASSERT_TRUE(RunJob(h, data, 7, nullptr, 2000));
    std::string id = Id(h);
    EXPECT_EQ(g_lower.written, Uel() + kStatusLines + "@PJL JOB NAME=\"" + id + "\"\r\n" + kEnter + data + Uel() +
                                   "@PJL EOJ NAME=\"" + id + "\"\r\n" + Uel());
}

TEST_F(JobPathTest, OtherModelGetsNoHeaderAndKeepsItsUel) {
    HANDLE h = OpenBound(u"USB001");
    g_lower.deviceId = "MFG:Other;MDL:Something Else;";
    std::string data = Uel() + "@PJL JOB\r\n@PJL ENTER LANGUAGE=PCL\r\n<pcl>";
    ASSERT_TRUE(RunJob(h, data));
    ASSERT_GE(g_lower.written.size(), data.size());
    EXPECT_EQ(g_lower.written.substr(0, data.size()), data);  // not one byte of it swallowed
    DWORD status[3];
    ReadPrinterStatus(Port(h), status);
    EXPECT_EQ(status[1], 0x200u);
    EXPECT_EQ(Port(h)->versionPair[1], 0u);
}

// A printer that takes nothing for minutes (out of paper, a jam, switched off) keeps its job:
// every WritePort returns in bounded time with 0 bytes and TRUE, the spooler calls again, and
// the job goes on when the printer does. The spooler ends a job that it gives up.
struct Stall {
    const char* what;
    void (*begin)();
    void (*end)();
};
const Stall kStalls[] = {
    {"silent printer", [] { g_lower.deviceId.clear(); }, [] { g_lower.deviceId = kOwnDeviceId; }},
    {"port takes nothing", [] { g_lower.takeNothing = TRUE; }, [] { g_lower.takeNothing = FALSE; }},
};
constexpr DWORD kStallTime = 10 * 60 * 1000;  // far past any time-out of the port below
// A call waits at most for the port (30 s) or for one exchange of monitor PJL (50 tries a
// second apart), and sleeps at most 14 s while a USB printer is silent.
constexpr DWORD kLongestCall = 60000;
// The job's end waits for an acknowledged cancel or for pending output, a minute each.
constexpr DWORD kLongestEnd = 3 * 60000;

TEST_F(JobPathTest, StalledPrinterKeepsTheJobWithBoundedCalls) {
    HANDLE h = OpenBound(u"USB001");
    DWORD jobId = 20;
    for (const Stall& c : kStalls) {
        g_lower.written.clear();
        std::string data(100, 'S');
        ASSERT_TRUE(Start(h, ++jobId)) << c.what;
        c.begin();
        DWORD start = GetTickCount();
        while (GetTickCount() - start < kStallTime) {
            DWORD written = 1, before = GetTickCount();
            ASSERT_TRUE(table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), 100, &written)) << c.what;
            EXPECT_EQ(written, 0u) << c.what;
            ASSERT_LE(GetTickCount() - before, kLongestCall) << c.what;
        }
        c.end();
        size_t at = 0;
        for (int calls = 0; at < data.size() && calls < 50; ++calls) {
            DWORD written = 0;
            ASSERT_TRUE(table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data() + at),
                                             static_cast<DWORD>(data.size() - at), &written))
                << c.what;
            at += written;
        }
        EXPECT_EQ(at, data.size()) << c.what;
        EXPECT_TRUE(table_->pfnEndDocPort(h)) << c.what;
        EXPECT_NE(g_lower.written.find(data), std::string::npos) << c.what;
    }
}

TEST_F(JobPathTest, SpoolerEndsAStalledJobAndThePortStaysUsable) {
    HANDLE h = OpenBound(u"USB001");
    DWORD jobId = 30;
    for (const Stall& c : kStalls) {
        c.begin();
        ASSERT_TRUE(Start(h, ++jobId)) << c.what;
        std::string data(100, 'T');
        for (int calls = 0; calls < 20; ++calls) {
            DWORD written = 1, before = GetTickCount();
            ASSERT_TRUE(table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), 100, &written)) << c.what;
            EXPECT_EQ(written, 0u) << c.what;
            ASSERT_LE(GetTickCount() - before, kLongestCall) << c.what;
        }
        DWORD before = GetTickCount();
        EXPECT_TRUE(table_->pfnEndDocPort(h)) << c.what;
        EXPECT_LE(GetTickCount() - before, kLongestEnd) << c.what;
        EXPECT_FALSE(Port(h)->state & kStateJobOpen) << c.what;
        c.end();
        g_lower.written.clear();
        std::string next(50, 'N');
        EXPECT_TRUE(RunJob(h, next, ++jobId)) << c.what;
        EXPECT_NE(g_lower.written.find(next), std::string::npos) << c.what;
    }
}

TEST_F(JobPathTest, GarbageRepliesDoNotStopTheJob) {
    HANDLE h = OpenBound(u"USB001");
    std::string noise;
    for (int i = 0; i < 3000; ++i) noise += static_cast<char>((i * 131 + 7) & 0xFF);
    for (int i = 0; i < 10; ++i) g_lower.replies.push_back(noise);
    std::string data(200, 'G');
    EXPECT_TRUE(RunJob(h, data));
    EXPECT_NE(g_lower.written.find(data), std::string::npos);
    EXPECT_LE(Port(h)->savedReplyLength, kSavedReplyLimit);
}

TEST_F(JobPathTest, DroppedConnectionEndsWritePortWithItsError) {
    ASSERT_TRUE(plat::RegisterStandardTcpIpPort(u"IP_127.0.0.1"));
    HANDLE h = OpenBound(u"IP_127.0.0.1");
    std::string data(5000, 'C');
    ASSERT_TRUE(Start(h));
    DWORD written = 0;
    ASSERT_TRUE(table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), 100, &written));  // header, then data
    g_lower.failWrites = 1;
    g_lower.failError = WSAECONNRESET;
    BOOL ok = TRUE;
    for (int i = 0; i < 5 && ok; ++i)
        ok = table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), 100, &written);
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(WSAECONNRESET));
    EXPECT_TRUE(table_->pfnEndDocPort(h));
    g_lower.written.clear();
    EXPECT_TRUE(RunJob(h, "next job data", 9));
    EXPECT_NE(g_lower.written.find("next job data"), std::string::npos);
}

// One rule for the write errors that end a job instead of asking for a retry: the line was
// dropped or the job cancelled below. The monitor's own PJL exchange and the job data path
// follow it alike; ERROR_CANCELLED, which only USB reports, ends an exchange on USB because
// every failure there does.
TEST_F(JobPathTest, HardWriteErrorsEndTheExchangeAndTheJobDataAlike) {
    struct Case {
        DWORD error;
        BOOL hard;
    } cases[] = {
        {WSAECONNRESET, TRUE}, {ERROR_PRINT_CANCELLED, TRUE}, {ERROR_TIMEOUT, FALSE}, {ERROR_CANCELLED, FALSE}};
    HANDLE lpt = OpenBound(u"LPT1");
    HANDLE usb = OpenBound(u"USB001");
    std::string pjl = "@PJL INFO STATUS\r\n";
    for (const Case& c : cases) {
        EXPECT_EQ(IsHardWriteError(c.error), c.hard) << c.error;
        // The exchange: a hard error stops at once, any other is tried again.
        g_lower.writes = 0;
        g_lower.failWrites = 1;
        g_lower.failError = c.error;
        DWORD written = 0;
        BOOL ok = ExchangeWithPrinter(Port(lpt), reinterpret_cast<const BYTE*>(pjl.data()),
                                      static_cast<DWORD>(pjl.size()), &written, FALSE, FALSE);
        EXPECT_EQ(ok, !c.hard) << c.error;
        EXPECT_EQ(g_lower.writes, c.hard ? 1 : 2) << c.error;
        // The job data: a hard error fails WritePort with it, any other lets the spooler retry.
        ASSERT_TRUE(Start(usb)) << c.error;
        std::string data(100, 'H');
        written = 0;  // the header goes out first, then data
        for (int i = 0; i < 10 && written == 0; ++i)
            ASSERT_TRUE(table_->pfnWritePort(usb, reinterpret_cast<LPBYTE>(data.data()), 100, &written));
        g_lower.failWrites = 1;
        SetLastError(0);
        ok = table_->pfnWritePort(usb, reinterpret_cast<LPBYTE>(data.data()), 100, &written);
        EXPECT_EQ(ok, !c.hard) << c.error;
        if (c.hard) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        g_lower.failWrites = 0;
        EXPECT_TRUE(table_->pfnEndDocPort(usb)) << c.error;
    }
}

TEST_F(JobPathTest, SecondJobWhileOneIsOpenIsBusy) {
    HANDLE h = OpenBound(u"USB001");
    ASSERT_TRUE(Start(h, 1));
    SetLastError(0);
    EXPECT_FALSE(Start(h, 2));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));
    EXPECT_TRUE(table_->pfnEndDocPort(h));
    EXPECT_TRUE(Start(h, 3));
    EXPECT_TRUE(table_->pfnEndDocPort(h));
}

TEST_F(JobPathTest, UnboundBidiPortSendsMinimalHeader) {
    HANDLE h = Open(u"USB001");
    ManagerClient* client = Bind(h, u"Halvoric", 1);
    client->manager = nullptr;  // known printer, status manager not bound
    std::string data(30, 'M');
    ASSERT_TRUE(RunJob(h, data));
    std::string id = Id(h);
    // The printer's PJL job is closed by the same name at the end.
    EXPECT_EQ(g_lower.written, Uel() + "@PJL JOB NAME=\"" + id + "\"\r\n" + kEnter + data + Uel() + "@PJL EOJ NAME=\"" +
                                   id + "\"\r\n" + Uel());
}

// A port that is not bidirectional gets neither the minimal header nor its end.
TEST_F(JobPathTest, OneWayPortGetsTheBareJob) {
    HANDLE h = Open(u"COM1");
    ManagerClient* client = Bind(h, u"Halvoric", 1);
    client->manager = nullptr;
    std::string data(30, 'S');
    ASSERT_TRUE(RunJob(h, data));
    EXPECT_EQ(g_lower.written, data);
}

TEST_F(JobPathTest, DelayLineHoldsTheTailForTheTrailer) {
    HANDLE h = OpenBound(u"DPU_9");
    PortRecord* port = Port(h);
    port->kind = kKindPort | kKindBidi | kKindOtherLocal;  // a bidirectional port of no local kind
    std::string data;
    for (int i = 0; i < 250; ++i) data += static_cast<char>('a' + i % 26);
    ASSERT_TRUE(Start(h));
    size_t at = 0;
    for (int calls = 0; at < data.size() && calls < 100; ++calls) {
        DWORD written = 0;
        DWORD piece = static_cast<DWORD>(std::min<size_t>(60, data.size() - at));
        ASSERT_TRUE(table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data() + at), piece, &written));
        at += written;
    }
    ASSERT_EQ(at, data.size());
    EXPECT_EQ(port->tailLength, 80u);  // held back for the trailer
    ASSERT_TRUE(table_->pfnEndDocPort(h));
    std::string id = Id(h);
    EXPECT_EQ(g_lower.written, Uel() + kStatusLines + "@PJL JOB NAME=\"" + id + "\"\r\n" + kEnter + data + Uel() +
                                   "@PJL EOJ NAME=\"" + id + "\"\r\n" + Uel());
}

class CancelTest : public JobPathTest {
protected:
    void SetUp() override {
        JobPathTest::SetUp();
        InstallPrinterWithJob(u"cancelled job", &printer_, &jobId_);
        if (HasFatalFailure()) return;
        h_ = OpenBound(u"USB001");
        Port(h_)->clients->printer = printer_;  // the client's own printer handle
    }
    void TearDown() override {
        if (printer_) {
            Port(h_)->clients->printer = nullptr;
            EndDocPrinter(printer_);
            ClosePrinter(printer_);
        }
        JobPathTest::TearDown();
    }
    // Sends some data, then the user deletes the job in the spooler.
    void SendThenDelete() {
        ASSERT_TRUE(Start(h_, jobId_));
        std::string data(100, 'K');
        DWORD written = 0;
        for (int i = 0; i < 10 && written == 0; ++i)
            ASSERT_TRUE(table_->pfnWritePort(h_, reinterpret_cast<LPBYTE>(data.data()), 100, &written));
        ASSERT_TRUE(SetJobW(printer_, jobId_, 0, nullptr, JOB_CONTROL_DELETE));
    }
    HANDLE printer_ = nullptr;
    DWORD jobId_ = 0;
    HANDLE h_ = nullptr;
};

TEST_F(CancelTest, CancelThatIsNeverAcknowledgedEndsInBoundedTime) {
    SendThenDelete();
    DWORD start = GetTickCount();
    EXPECT_TRUE(table_->pfnEndDocPort(h_));
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 60000u);  // it did wait for the printer
    EXPECT_LT(took, 120000u);
    EXPECT_NE(std::find(g_lower.controls.begin(), g_lower.controls.end(), 0x160008u), g_lower.controls.end());
    EXPECT_FALSE(Port(h_)->state & kStateJobOpen);
    // No trailer after a cancel.
    EXPECT_EQ(g_lower.written.find("@PJL EOJ"), std::string::npos);
    g_lower.written.clear();
    EXPECT_TRUE(RunJob(h_, "after the cancel", 99));
    EXPECT_NE(g_lower.written.find("after the cancel"), std::string::npos);
}

TEST_F(CancelTest, AcknowledgedCancelEndsTheJobAsCancelled) {
    SendThenDelete();
    g_lower.replies.push_back("@PJL USTATUS JOB\r\nCANCELED=HOST_CALCELED\r\n\f");
    DWORD start = GetTickCount();
    EXPECT_TRUE(table_->pfnEndDocPort(h_));
    EXPECT_LT(GetTickCount() - start, 30000u);
    EXPECT_TRUE(Port(h_)->cancelAcknowledged);
    ASSERT_FALSE(g_manager.jobStatusHistory.empty());
    EXPECT_EQ(g_manager.jobStatusHistory.front() & 4, 4u);  // cancelling while the printer stops
    EXPECT_EQ(g_manager.jobStatus & 0x107, 0u);             // and cleared when the job has ended
    EXPECT_TRUE(Port(h_)->state & kStateFinishedByReply);
    EXPECT_EQ(CountJobRecords(Port(h_)), 0u);
}

TEST_F(CancelTest, DataAfterACutShortWriteOfADeletedJobIsSwallowed) {
    ASSERT_TRUE(Start(h_, jobId_));
    std::string data(400, 'U');
    DWORD written = 0;
    for (int i = 0; i < 10 && written == 0; ++i)
        ASSERT_TRUE(table_->pfnWritePort(h_, reinterpret_cast<LPBYTE>(data.data()), 100, &written));
    g_lower.acceptPerWrite = 50;
    ASSERT_TRUE(table_->pfnWritePort(h_, reinterpret_cast<LPBYTE>(data.data()), 300, &written));
    ASSERT_EQ(written, 50u);
    ASSERT_TRUE(SetJobW(printer_, jobId_, 0, nullptr, JOB_CONTROL_DELETE));
    size_t before = g_lower.written.size();
    // The spooler hands over less than was left: the job was cut; its data goes nowhere.
    ASSERT_TRUE(table_->pfnWritePort(h_, reinterpret_cast<LPBYTE>(data.data()), 100, &written));
    EXPECT_EQ(written, 100u);
    EXPECT_EQ(g_lower.written.size(), before);
    EXPECT_TRUE(Port(h_)->state & kStateDeleting);
    g_lower.acceptPerWrite = 0;
    EXPECT_TRUE(table_->pfnEndDocPort(h_));
}

TEST_F(JobPathTest, EndOfJobControlOnUsbIsBounded) {
    HANDLE h = OpenBound(u"USB001");
    ASSERT_TRUE(Start(h));
    std::string data(200, 'E');
    DWORD written = 0;
    for (int i = 0; i < 10 && written == 0; ++i)
        ASSERT_TRUE(table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), 200, &written));
    g_lower.failWrites = 1000000;  // the printer takes nothing more, and keeps answering
    g_lower.failError = ERROR_TIMEOUT;
    table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), 200, &written);
    ASSERT_TRUE(Port(h)->lastWriteFailed);
    DWORD start = GetTickCount();
    DWORD out = 0, returned = 0;
    table_->pfnGetPrinterDataFromPort(h, 7, nullptr, nullptr, 0, reinterpret_cast<LPWSTR>(&out), 4, &returned);
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 100000u);  // it did resend the tail for a while
    EXPECT_LE(took, 200000u);
    g_lower.failWrites = 0;
    EXPECT_TRUE(table_->pfnEndDocPort(h));
}

TEST_F(JobPathTest, StartDocPortGivesUpOnAPortHeldByAnother) {
    HANDLE h = OpenBound(u"LPT1");
    struct Holder {
        HANDLE mutex;
        HANDLE taken;
        HANDLE release;
    } holder{Port(h)->portMutex, CreateEventW(nullptr, TRUE, FALSE, nullptr),
             CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* hold = static_cast<Holder*>(p);
            WaitForSingleObject(hold->mutex, INFINITE);
            SetEvent(hold->taken);
            WaitForSingleObject(hold->release, INFINITE);
            ReleaseMutex(hold->mutex);
            return 0;
        },
        &holder, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(holder.taken, INFINITE);
    DWORD start = GetTickCount();
    SetLastError(0);
    EXPECT_FALSE(Start(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));
    EXPECT_GE(GetTickCount() - start, 120000u);
    EXPECT_LT(GetTickCount() - start, 180000u);
    SetEvent(holder.release);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(holder.taken);
    CloseHandle(holder.release);
    EXPECT_TRUE(RunJob(h, "once the port is free"));
}

TEST_F(JobPathTest, DelayLineKeepsOrderThroughShortWrites) {
    HANDLE h = OpenBound(u"DPU_9");
    Port(h)->kind = kKindPort | kKindBidi | kKindOtherLocal;
    std::string data;
    for (int i = 0; i < 700; ++i) data += static_cast<char>('A' + i % 23);
    ASSERT_TRUE(Start(h));
    g_lower.acceptPerWrite = 13;
    size_t at = 0;
    for (int calls = 0; at < data.size() && calls < 1000; ++calls) {
        DWORD written = 0;
        DWORD piece = static_cast<DWORD>(std::min<size_t>(97, data.size() - at));
        ASSERT_TRUE(table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data() + at), piece, &written));
        at += written;
    }
    ASSERT_EQ(at, data.size());
    g_lower.acceptPerWrite = 0;
    ASSERT_TRUE(table_->pfnEndDocPort(h));
    std::string id = Id(h);
    EXPECT_EQ(g_lower.written, Uel() + kStatusLines + "@PJL JOB NAME=\"" + id + "\"\r\n" + kEnter + data + Uel() +
                                   "@PJL EOJ NAME=\"" + id + "\"\r\n" + Uel());
}

TEST_F(JobPathTest, ChattyPrinterDoesNotHoldTheJobStart) {
    HANDLE h = OpenBound(u"USB001");
    for (int i = 0; i < 5000; ++i) g_lower.replies.push_back(std::string(1024, 'c'));
    DWORD start = GetTickCount();
    EXPECT_TRUE(Start(h));
    EXPECT_LT(GetTickCount() - start, 60000u);
    EXPECT_GT(g_lower.replies.size(), 4000u);  // it read a bounded amount, not all of it
    EXPECT_TRUE(table_->pfnEndDocPort(h));
}

TEST_F(JobPathTest, NonBidirectionalPortPassesDataUnchanged) {
    HANDLE h = Open(u"FILE:");
    ASSERT_TRUE(RunJob(h, "plain bytes"));
    EXPECT_EQ(g_lower.written, "plain bytes");
}

}  // namespace

namespace {

// "PrintingPriority" from the monitor's registry: the spooler's thread sends a job of a
// bidirectional port with a bound client at that priority, and has its own back at the end.
struct PriorityCase {
    const char16_t* port;
    bool bound;
    bool valuePresent;
    int expectedDuringJob;
};

class PrintingPriorityTest : public JobPathTest, public ::testing::WithParamInterface<PriorityCase> {};

TEST_P(PrintingPriorityTest, AppliedForTheJobAndGivenBackAtItsEnd) {
    const PriorityCase& c = GetParam();
    if (c.valuePresent) monitorValues_[u"PrintingPriority"] = static_cast<DWORD>(THREAD_PRIORITY_LOWEST);
    HANDLE h = c.bound ? OpenBound(c.port) : Open(c.port);
    ASSERT_NE(h, nullptr);
    g_lower.deviceId = kOwnDeviceId;
    ASSERT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL));
    ASSERT_TRUE(Start(h));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), c.expectedDuringJob);
    ASSERT_TRUE(table_->pfnEndDocPort(h));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_ABOVE_NORMAL);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(Ports, PrintingPriorityTest,
                         ::testing::Values(PriorityCase{u"USB001", true, true, THREAD_PRIORITY_LOWEST},
                                           PriorityCase{u"LPT1", true, true, THREAD_PRIORITY_LOWEST},
                                           PriorityCase{u"USB001", true, false, THREAD_PRIORITY_ABOVE_NORMAL},
                                           PriorityCase{u"USB001", false, true, THREAD_PRIORITY_ABOVE_NORMAL},
                                           PriorityCase{u"COM1", true, true, THREAD_PRIORITY_ABOVE_NORMAL}));

}  // namespace

namespace {

// ECP write mode on a parallel port: taken when the port runs in it or agrees to it, and the
// old modes given back when it refuses; a port in ECP mode takes at most 4,096 bytes a call.
struct EcpCase {
    const char* name;
    WORD modes[2];
    WORD caps;
    WORD agreeTo;
    bool ecp;
    std::vector<WORD> negotiated;
};

class EcpTest : public JobPathTest, public ::testing::WithParamInterface<EcpCase> {};

TEST_P(EcpTest, ModeFollowsWhatThePortAgreesTo) {
    const EcpCase& c = GetParam();
    HANDLE h = OpenBound(u"LPT1");
    ASSERT_NE(h, nullptr);
    g_lower.modes[0] = c.modes[0];
    g_lower.modes[1] = c.modes[1];
    g_lower.caps = c.caps;
    g_lower.agreeTo = c.agreeTo;
    ASSERT_TRUE(Start(h));
    EXPECT_EQ((Port(h)->myPortMode & kPortModeEcp) != 0, c.ecp) << c.name;
    std::vector<WORD> atStart = g_lower.negotiated;
    EXPECT_EQ(atStart, c.negotiated) << c.name;
    std::string data(10000, 'E');
    DWORD written = 0;
    for (int i = 0; i < 20 && written == 0; ++i)
        ASSERT_TRUE(
            table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), static_cast<DWORD>(data.size()), &written));
    EXPECT_EQ(written, c.ecp ? 4096u : 10000u) << c.name;
    ASSERT_TRUE(table_->pfnEndDocPort(h));
}

INSTANTIATE_TEST_SUITE_P(Ports, EcpTest,
                         ::testing::Values(EcpCase{"agrees", {4, 0}, 0x100, 0x100, true, {0x100}},
                                           EcpCase{"already in ECP mode", {4, 0x100}, 0x100, 0x100, true, {}},
                                           EcpCase{"not offered", {4, 0}, 0, 0x100, false, {}},
                                           EcpCase{"refuses", {4, 0}, 0x100, 0, false, {0x100, 0}}),
                         [](const ::testing::TestParamInfo<EcpCase>& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (ch == ' ') ch = '_';
                             return n;
                         });

// In ECP mode the job's end asks the printer for its status (device ID) once; in the plain
// mode it does not.
TEST_F(JobPathTest, EcpJobEndQueriesTheStatusOnce) {
    for (bool ecp : {true, false}) {
        HANDLE h = OpenBound(u"LPT1");
        ASSERT_NE(h, nullptr);
        g_lower.deviceId = kOwnDeviceId;
        g_lower.modes[0] = 4;
        g_lower.modes[1] = 0;
        g_lower.caps = ecp ? 0x100 : 0;
        g_lower.agreeTo = 0x100;
        ASSERT_TRUE(Start(h));
        ASSERT_EQ((Port(h)->myPortMode & kPortModeEcp) != 0, ecp);
        std::string data(100, 'E');
        DWORD written = 0;
        ASSERT_TRUE(table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(data.data()), 100, &written));
        g_lower.controls.clear();
        ASSERT_TRUE(table_->pfnEndDocPort(h));
        EXPECT_EQ(std::count(g_lower.controls.begin(), g_lower.controls.end(), IOCTL_PAR_QUERY_DEVICE_ID), ecp ? 1 : 0)
            << (ecp ? "ECP" : "plain");
        table_->pfnClosePort(h);
        open_.erase(std::find(open_.begin(), open_.end(), h));
    }
}

TEST_F(JobPathTest, UsbPortNegotiatesNothing) {
    HANDLE h = OpenBound(u"USB001");
    g_lower.caps = 0x100;
    g_lower.agreeTo = 0x100;
    ASSERT_TRUE(RunJob(h, "data"));
    EXPECT_EQ(Port(h)->myPortMode & kPortModeEcp, 0u);
    EXPECT_EQ(std::count(g_lower.controls.begin(), g_lower.controls.end(), IOCTL_IEEE1284_GET_MODE), 0);
}

// Only the maker's own USB ports ask through the USB printing class, whose answer carries a
// 2-byte length; the parallel-class answer is the device ID itself.
TEST_F(JobPathTest, DeviceIdIsReadWholeThroughEitherControl) {
    struct Case {
        const char16_t* port;
        DWORD control;
    };
    const Case cases[] = {{u"QEVUSB001", IOCTL_USBPRINT_GET_1284_ID}, {u"USB001", IOCTL_PAR_QUERY_DEVICE_ID}};
    for (const Case& c : cases) {
        HANDLE h = OpenBound(c.port);
        ASSERT_NE(h, nullptr);
        g_lower.controls.clear();
        EXPECT_TRUE(QueryPrinterStatus(Port(h)));
        EXPECT_NE(std::find(g_lower.controls.begin(), g_lower.controls.end(), c.control), g_lower.controls.end());
        EXPECT_TRUE(Port(h)->state & kStateOwnModel);
        StatusVariable* mfg = FindVariable("PrinterManufacturer", Port(h)->variables, Port(h));
        ASSERT_TRUE(mfg && mfg->value);
        EXPECT_STREQ(reinterpret_cast<const char*>(mfg->value), "QEV");
        StatusVariable* model = FindVariable("PrinterModel", Port(h)->variables, Port(h));
        ASSERT_TRUE(model && model->value);
        EXPECT_STREQ(reinterpret_cast<const char*>(model->value), "Halvoric 4400K");
        table_->pfnClosePort(h);
        open_.erase(std::find(open_.begin(), open_.end(), h));
    }
}

}  // namespace
