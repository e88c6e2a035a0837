// The end of a job as the spooler and the status threads see it: the job-end watch that
// EndDocPort opens and StartDocPort closes, the owed last-page signal, the modes EndDocPort puts
// back, a failure of the port below passed on, and what a read of the printer's replies tells.
#include <dlfcn.h>

#include <atomic>
#include <cstring>

#include "monitor/job_records.h"
#include "monitor/named_refresh.h"
#include "monitor/pjl_reply.h"
#include "monitor/printer_exchange.h"
#include "monitor/status_block.h"
#include "monitor/status_variables.h"
#include "monitor_fixture.h"
#include "status_block_builder.h"
#include "win/spool.h"

namespace {

std::atomic<int> g_lastPageSignals{0};

}  // namespace

// The spooler's SetJobW, counted: this program's own definition comes first for every caller,
// and passes each call on to the platform's.
extern "C" BOOL SetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command) {
    using Real = BOOL (*)(HANDLE, DWORD, DWORD, LPBYTE, DWORD);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "SetJobW"));
    if (Command == JOB_CONTROL_LAST_PAGE_EJECTED) ++g_lastPageSignals;
    return real(hPrinter, JobId, Level, pJob, Command);
}

namespace {

constexpr DWORD kJobFinishedCode = 0x0F00;

// A job the spooler knows (so that the last-page signal shows in its status) on a bound USB port.
class JobEndTest : public MonitorTest {
protected:
    void SetUp() override {
        MonitorTest::SetUp();
        if (HasFatalFailure()) return;
        InstallPrinterWithJob(u"ending job", &printer_, &jobId_);
        if (HasFatalFailure()) return;
        h_ = Open(u"USB001");
        ASSERT_NE(h_, nullptr);
        Bind(h_);
        g_lower.deviceId = kOwnDeviceId;
        port_ = Port(h_);
        port_->clients->printer = printer_;
    }
    void TearDown() override {
        if (printer_) {
            if (port_) port_->clients->printer = nullptr;
            EndDocPrinter(printer_);
            ClosePrinter(printer_);
        }
        MonitorTest::TearDown();
    }
    void SendData() {
        std::string data(200, 'J');
        DWORD written = 0, total = 0;
        for (int i = 0; i < 20 && total < data.size(); ++i) {
            ASSERT_TRUE(table_->pfnWritePort(h_, reinterpret_cast<LPBYTE>(data.data() + total),
                                             static_cast<DWORD>(data.size() - total), &written));
            total += written;
        }
        ASSERT_EQ(total, data.size());
    }
    bool ReportedPrinted() {
        BYTE buffer[2048];
        DWORD needed = 0;
        return GetJobW(printer_, jobId_, 1, buffer, sizeof buffer, &needed) &&
               (reinterpret_cast<JOB_INFO_1W*>(buffer)->Status & JOB_STATUS_PRINTED);
    }

    HANDLE printer_ = nullptr;
    DWORD jobId_ = 0;
    HANDLE h_ = nullptr;
    PortRecord* port_ = nullptr;
};

// EndDocPort opens the watch for the job's end; the printer's first job-finished report then
// releases the queued jobs, and the next StartDocPort closes the watch.
TEST_F(JobEndTest, EndDocPortOpensTheJobEndWatchAndStartDocPortClosesIt) {
    ASSERT_TRUE(Start(h_, jobId_));
    EXPECT_FALSE(port_->device.jobEndWatch) << "no watch while the job is sent";
    SendData();
    ASSERT_TRUE(table_->pfnEndDocPort(h_));
    EXPECT_TRUE(port_->device.jobEndWatch);
    // While the watch is open, a reader's request for the queue counts as a job-progress request.
    {
        PortLock lock(port_);
        if (!port_->jobHead) {
            ASSERT_NE(AddJobRecord(jobId_, port_), nullptr);
        }
    }
    g_manager.published.erase("PrinterQueue");
    Block b = Block::Ready();
    b.SetStatus(kJobFinishedCode);
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_FALSE(port_->device.jobEndWatch) << "the first job-finished report ends the watch";
    EXPECT_EQ(g_manager.published["PrinterQueue"], std::string(4, '\0')) << "the queue was released";
    ASSERT_TRUE(Start(h_, jobId_ + 1));
    EXPECT_FALSE(port_->device.jobEndWatch);
    port_->device.jobEndWatch = FALSE;
    ASSERT_TRUE(table_->pfnEndDocPort(h_));
    EXPECT_TRUE(port_->device.jobEndWatch);
    ASSERT_TRUE(Start(h_, jobId_ + 2));
    EXPECT_FALSE(port_->device.jobEndWatch) << "a new job closes the watch before its end";
    table_->pfnEndDocPort(h_);
}

// Without a polling thread to hear the printer's end report, EndDocPort signals the last page
// itself; with one polling a job that went out with the monitor's header, the printer's own
// report signals it, and EndDocPort does not signal it a second time.
TEST_F(JobEndTest, LastPageIsSignalledOnceWhetherThePrinterConfirmsTheEndOrNot) {
    const std::string start = "@PJL USTATUS JOB\r\nSTART\r\nNAME=\"";
    const std::string end = "@PJL USTATUS JOB\r\nEND\r\nNAME=\"";
    ASSERT_TRUE(Start(h_, jobId_));
    SendData();
    ASSERT_TRUE(port_->state & kStateHeaderSent);
    const std::string id = port_->jobIdentifier;
    port_->pollingThread = TRUE;  // as while the polling thread serves the port
    g_lower.replies.push_back(start + id + "\"\r\n\f");
    RefreshStatusThroughPort(port_, TRUE);
    // The end report comes while EndDocPort reads the printer's replies.
    g_lower.replies.push_back(end + id + "\"\r\nPAGES=1\r\n\f");
    g_lastPageSignals = 0;
    ASSERT_TRUE(table_->pfnEndDocPort(h_));
    port_->pollingThread = FALSE;
    EXPECT_TRUE(ReportedPrinted());
    EXPECT_EQ(g_lastPageSignals.load(), 1) << "the printer's report signals the job; EndDocPort owes nothing";
    // No polling thread: nothing confirms the end but EndDocPort.
    ASSERT_TRUE(Start(h_, jobId_));
    SendData();
    g_lastPageSignals = 0;
    ASSERT_TRUE(table_->pfnEndDocPort(h_));
    EXPECT_TRUE(ReportedPrinted());
    EXPECT_EQ(g_lastPageSignals.load(), 1);
}

// Whatever the job did, EndDocPort leaves the port in its resting modes.
TEST_F(JobEndTest, EndDocPortPutsPollModeCancelAndEcpBack) {
    ASSERT_TRUE(Start(h_, jobId_));
    SendData();
    port_->pollMode = 2;
    port_->myPortMode |= kPortModeEcp;
    port_->state |= kStateCancelRequested;
    ASSERT_TRUE(table_->pfnEndDocPort(h_));
    EXPECT_EQ(port_->pollMode, 0);
    EXPECT_FALSE(port_->myPortMode & kPortModeEcp);
    EXPECT_EQ(port_->state & kStateCancelInProgress, 0u);
}

// The port below could not end the document (the printer reset the line, or never took the
// last bytes): the job did not reach the printer whole, so it is not reported printed.
TEST_F(JobEndTest, FailedEndBelowIsPassedOnAndTheJobIsNotReportedPrinted) {
    for (DWORD error : {static_cast<DWORD>(WSAECONNRESET), static_cast<DWORD>(ERROR_TIMEOUT)}) {
        SCOPED_TRACE(error);
        ASSERT_TRUE(Start(h_, jobId_));
        SendData();
        g_lower.failEndDoc = error;
        SetLastError(0);
        EXPECT_FALSE(table_->pfnEndDocPort(h_));
        EXPECT_EQ(GetLastError(), error);
        EXPECT_FALSE(ReportedPrinted());
        EXPECT_FALSE(port_->state & kStateJobOpen) << "the job is over all the same";
    }
    // The next job ends well and is reported.
    ASSERT_TRUE(Start(h_, jobId_));
    SendData();
    EXPECT_TRUE(table_->pfnEndDocPort(h_));
    EXPECT_TRUE(ReportedPrinted());
}

// A read of the printer's replies keeps the port's record of them: a status report seen, a
// reply that came without any status (the polling cycle then asks for it), a failed read, and
// an INQUIRE answer still on its way.
TEST_F(JobEndTest, ReadingRepliesKeepsItsBookkeeping) {
    struct Case {
        const char* what;
        std::string reply;
        BOOL failRead;
        DWORD stateBefore;
        DWORD setBits;
        DWORD clearBits;
        BOOL inquirePending;
    };
    const std::string status = "@PJL INFO STATUS\r\nCODE=10001\r\nDISPLAY=\"READY\"\r\nONLINE=TRUE\r\n\f";
    const std::string job = "@PJL USTATUS JOB\r\nSTART\r\nNAME=\"x\"\r\n\f";
    const Case cases[] = {
        {"a status report", status, FALSE, kStateReplyNoStatus, kStateStatusSeen, 0, FALSE},
        {"a reply without status", job, FALSE, kStatePrinterAnswered, kStateReplyNoStatus,
         kStateStatusSeen | kStatePrinterAnswered, FALSE},
        {"a reply after an earlier status", job, FALSE, kStateStatusSeen, 0, kStateReplyNoStatus, FALSE},
        {"a failed read", "", TRUE, kStateStatusRequery, 0, kStateStatusRequery, FALSE},
        {"an INQUIRE answer in part", "@PJL INQUIRE COPIES\r\n", FALSE, 0, 0, 0, TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetReplyState(port_, TRUE);
        port_->savedReplyLength = 0;
        port_->state =
            (port_->state & ~(kStateStatusSeen | kStateReplyNoStatus | kStatePrinterAnswered | kStateStatusRequery)) |
            c.stateBefore;
        port_->inquirePending = !c.inquirePending;
        g_lower.replies.clear();
        if (!c.reply.empty()) g_lower.replies.push_back(c.reply);
        g_lower.failReads = c.failRead;
        RefreshStatusThroughPort(port_, FALSE);
        g_lower.failReads = FALSE;
        EXPECT_EQ(port_->state & c.setBits, c.setBits);
        EXPECT_EQ(port_->state & c.clearBits, 0u);
        EXPECT_EQ(port_->inquirePending, c.inquirePending);
    }
}

// A printer whose input buffer has no free block is busy: a job's header waits for it, and
// goes once a block is free.
TEST_F(JobEndTest, PrinterWithAFullInputBufferIsBusyUntilABlockIsFree) {
    Block b = Block::Ready();
    b.bytes[43] = 0;
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(port_->state & kStatePrinterBusy, kStatePrinterBusy);
    ASSERT_TRUE(Start(h_, jobId_));
    std::string data(100, 'B');
    DWORD written = 1;
    ASSERT_TRUE(table_->pfnWritePort(h_, reinterpret_cast<LPBYTE>(data.data()), 100, &written));
    EXPECT_EQ(written, 0u) << "the header waits while the printer is busy";
    EXPECT_TRUE(port_->state & kStateHeaderPending);
    b.bytes[43] = 16;
    DispatchStatusBlock(b.bytes, port_);
    EXPECT_EQ(port_->state & kStatePrinterBusy, 0u);
    for (int i = 0; i < 10 && written == 0; ++i)
        ASSERT_TRUE(table_->pfnWritePort(h_, reinterpret_cast<LPBYTE>(data.data()), 100, &written));
    EXPECT_GT(written, 0u);
    EXPECT_TRUE(port_->state & kStateHeaderSent);
    table_->pfnEndDocPort(h_);
}

}  // namespace
