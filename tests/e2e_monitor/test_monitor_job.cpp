// Jobs through the language monitor (Lostrel.dll) above the loopback port monitor to the
// printer simulator, as the spooler runs them: the bytes the printer gets, the status
// variables that come back, cancels, misbehaving printers, and what is left after ClosePort.
#include <gtest/gtest.h>

#include "outside/qzpjm/job_service.h"
#include "outside/varnel/varnel_api.h"
#include "plat/message_window.h"
#include "tests/e2e_monitor/monitor_job_fixture.h"
#include "tests/e2e_monitor/monitor_world.h"
#include "tools/printer_sim/loopback.h"

namespace {

using e2e::Bounded;
using e2e::ClockPump;
using e2e::kUel;

using e2e::BackgroundJob;
using e2e::DriverJob;
using e2e::kWallGuardMs;
using e2e::MonitorJobTest;
using e2e::PortSetup;
using e2e::Uel;

bool IsUpperHex(const std::string& s) {
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return !s.empty();
}

TEST_F(MonitorJobTest, LocalPortGetsHeaderJobWithoutItsUelAndTrailerByteForByte) {
    Open({u"USB001", false});
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 5000);
    plat::JobResult r = Send(job);
    ASSERT_TRUE(r.started) << r.startError;
    ASSERT_TRUE(r.written) << r.writeError;
    ASSERT_TRUE(r.ended) << r.endError;
    EXPECT_FALSE(r.deletedByPort || r.deletedAfterLastWrite);

    std::string id = JobNameSent();
    // The job client ID: "03", the computer name's first 5 bytes, its CRC, the tick count.
    EXPECT_TRUE(id.size() == 24 && id.rfind("034F524C412D", 0) == 0 && IsUpperHex(id)) << id;
    std::string header = Uel() +
                         "@PJL USTATUS DEVICE=ON\r\n@PJL USTATUS JOB=ON\r\n@PJL USTATUS PAGE=ON\r\n"
                         "@PJL INFO STATUS\r\n@PJL JOB NAME=\"" +
                         id + "\"\r\n";
    // The job ends with a UEL, so the trailer needs none of its own in front.
    std::string trailer = "@PJL EOJ NAME=\"" + id + "\"\r\n" + Uel();
    std::string expected = header + job.substr(9) + trailer;
    ASSERT_TRUE(sim_->WaitForReceived(expected.size(), 10000));
    EXPECT_EQ(e2e::Visible(sim_->Received()), e2e::Visible(expected));
}

TEST_F(MonitorJobTest, PostScriptJobGetsCtrlDAheadOfTheTrailerUel) {
    Open({u"USB001", false});
    std::string job = "%!PS-Adobe-3.0\r\n%%Title: test\r\n";
    for (int i = 0; i < 200; ++i) job += "newpath 0 0 moveto 100 100 lineto stroke\r\n";
    job += "showpage\r\n";
    plat::JobResult r = Send(job);
    ASSERT_TRUE(r.started && r.written && r.ended) << r.startError << " " << r.writeError << " " << r.endError;
    std::string id = JobNameSent();
    ASSERT_FALSE(id.empty());
    std::string expected = Uel() +
                           "@PJL USTATUS DEVICE=ON\r\n@PJL USTATUS JOB=ON\r\n@PJL USTATUS PAGE=ON\r\n"
                           "@PJL INFO STATUS\r\n@PJL JOB NAME=\"" +
                           id + "\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" + job + "\x04" + Uel() + "@PJL EOJ NAME=\"" + id +
                           "\"\r\n" + Uel();
    ASSERT_TRUE(sim_->WaitForReceived(expected.size(), 10000));
    EXPECT_EQ(e2e::Visible(sim_->Received()), e2e::Visible(expected));
}

TEST_F(MonitorJobTest, StandardTcpIpPortKeepsTheDriversJobClientIdAndSendsNoTrailer) {
    Open({u"IP_127.0.0.1", true});
    std::string job = DriverJob("@PJL SET JOBATTR=\"@JCID=0344524956455231A5B000001234\"\r\n", 3000);
    plat::JobResult r = Send(job);
    ASSERT_TRUE(r.started && r.written && r.ended) << r.startError << " " << r.writeError << " " << r.endError;
    ASSERT_TRUE(sim_->WaitForReceived(job.size(), 10000));
    // Nothing of the monitor's own: the driver's ID stays the only job attribute, no trailer.
    EXPECT_EQ(e2e::Visible(sim_->Received()), e2e::Visible(job));
}

TEST_F(MonitorJobTest, StandardTcpIpPortNamesAJobWithoutClientIdByAGuid) {
    Open({u"IP_127.0.0.1", true});
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 3000);
    plat::JobResult r = Send(job);
    ASSERT_TRUE(r.started && r.written && r.ended) << r.startError << " " << r.writeError << " " << r.endError;
    std::string received;
    ASSERT_TRUE(sim_->WaitForReceived(job.size(), 10000));
    received = sim_->Received();
    std::string head = received.substr(0, received.size() - (job.size() - 9));
    const std::string before = Uel() + "@PJL SET JOBATTR=\"@JCID=", after = "\"\r\n";
    ASSERT_TRUE(head.size() > before.size() + after.size() && head.rfind(before, 0) == 0 &&
                head.compare(head.size() - after.size(), after.size(), after) == 0)
        << e2e::Visible(received.substr(0, 200));
    std::string guid = head.substr(before.size(), head.size() - before.size() - after.size());
    EXPECT_TRUE(guid.size() >= 24 && guid.size() <= 32 && IsUpperHex(guid)) << guid;
    EXPECT_EQ(received.substr(head.size()), job.substr(9));
}

// Deletes the spooler's job of this printer (the user cancels it in the queue).
bool DeleteQueuedJob(const std::u16string& printerName) {
    HANDLE printer = nullptr;
    std::u16string name = printerName;
    if (!OpenPrinterW(name.data(), &printer, nullptr)) return false;
    DWORD jobs = 0, needed = 0;
    BYTE buffer[4096];
    bool ok = EnumJobsW(printer, 0, 10, 1, buffer, sizeof buffer, &needed, &jobs) && jobs >= 1 &&
              SetJobW(printer, reinterpret_cast<JOB_INFO_1W*>(buffer)->JobId, 0, nullptr, JOB_CONTROL_DELETE);
    ClosePrinter(printer);
    return ok;
}

// The user deletes the job; the monitor asks the printer to cancel through the port monitor, the
// printer stops the job and reports it, and the monitor reads its replies until it has the
// acknowledgement: the replies become status variables and the job ends cancelled.
}  // namespace

void e2e::MonitorJobTest::CancelAcknowledged(unsigned extraMisbehaviour) {
    printersim::Options o;
    o.displayText = "CANCELLING JOB";
    o.misbehaviour = printersim::kSlowRead | extraMisbehaviour;  // the job is still on its way when deleted
    Open({u"USB001", false}, o);
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 2 << 20);
    ClockPump pump;
    BackgroundJob spooler(&port_, job, 4096);
    EXPECT_TRUE(sim_->WaitForReceived(64 << 10, 20000));
    EXPECT_TRUE(DeleteQueuedJob(printer_));
    std::string v;
    bool cancelling = false;
    for (int i = 0; i < 3000 && !spooler.Done() && !cancelling; ++i) {
        cancelling = dorlik_.WaitFor(
            printer_, "JobStatus", [](const std::string& s) { return (e2e::Dword(s) & 4) != 0; }, 5, &v);
    }
    const plat::JobResult& r = spooler.Finish();
    EXPECT_TRUE(r.stoppedByCancel);
    EXPECT_TRUE(r.ended);
    EXPECT_LT(r.bytesAccepted, job.size());
    EXPECT_TRUE(cancelling) << "JobStatus never showed the cancel (4): " << e2e::Visible(v);
    // The cancel reached the printer through the port, and the printer stopped the job there.
    EXPECT_EQ(sim_->HostCancels(), 1u);
    EXPECT_EQ(sim_->JobsCancelled(), 1u);
    EXPECT_NE(sim_->RepliesSent().find("CANCELED=HOST_CALCELED"), std::string::npos);
    // Panel text from the printer's DISPLAY line: {DWORD 16; 32 UTF-16 characters}, 132 bytes.
    // Polling ends after the job and resets the panel values, so the published history is read.
    v.clear();
    EXPECT_TRUE(dorlik_.EverPublished(printer_, "PrinterDisplay", [&v](const std::string& s) {
        if (s.size() != 132 || e2e::Dword(s) != 16 || s[4] != 'C') return false;
        v = s;
        return true;
    }));
    if (v.size() == 132) {
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(v.data() + 4), 14), u"CANCELLING JOB");
        EXPECT_EQ(v[4 + 2 * 14], 0);
    }
    // Three DWORDs of printer status bits.
    EXPECT_EQ(dorlik_.Read(printer_, "PrinterStatus", &v), DORLIK_OK);
    EXPECT_EQ(v.size(), 12u);
    // The job's start report names the job the monitor sent: its record carried the spooler's id.
    EXPECT_TRUE(
        dorlik_.EverPublished(printer_, "PrintingJobInfo2",
                              [&](const std::string& s) { return s.size() == 320 && e2e::Dword(s, 288) == r.jobId; }))
        << "job " << r.jobId;
    // "SendingJobInfo": document name, user, job id (292 bytes).
    EXPECT_EQ(dorlik_.Read(printer_, "SendingJobInfo", &v), DORLIK_OK);
    EXPECT_EQ(v.size(), 292u);
}

namespace {

TEST_F(MonitorJobTest, HostCancelAcknowledgedByThePrinterEndsTheJobAndRepliesBecomeVariables) {
    CancelAcknowledged(0);
}

// The same with every reply arriving in 3-byte pieces: the parser joins them across reads.
TEST_F(MonitorJobTest, RepliesSplitAcrossReadsAreJoined) {
    CancelAcknowledged(printersim::kSplitReplies);
}

// The printer's operator cancels the job as soon as its data begins. The polling thread reads
// the cancel report while the job is sent or just after its last write, or EndDocPort reads it
// before it ends the job: either way the job is deleted in the spooler, "JobStatus" shows the cancel (4), and the
// printer gets no end of job from the monitor for a job it has already thrown away.
TEST_F(MonitorJobTest, CancelFromThePrinterEndsTheJobAsCancelled) {
    printersim::Options o;
    o.cancelAtData = true;
    Open({u"USB001", false}, o);
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 200000);
    // The printer cancels once its data begins; however far it lags behind the sender, the job
    // does not end before it has.
    plat::JobOptions options;
    options.chunkSize = 4096;
    options.maxIdleRetries = 400;
    options.afterWrite = [&](size_t accepted) {
        if (accepted == job.size()) sim_->WaitForJobsCancelled(1, kWallGuardMs);
    };
    plat::JobResult r;
    {
        ClockPump pump;
        r = Bounded("job", kWallGuardMs, [&] {
            return plat::SendJob(&port_, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), options);
        });
    }
    ASSERT_TRUE(r.started && r.ended) << r.startError << " " << r.endError;
    EXPECT_EQ(sim_->JobsCancelled(), 1u);
    EXPECT_TRUE(r.deletedByPort || r.deletedAfterLastWrite || r.stoppedByCancel)
        << "the job was not deleted as cancelled";
    EXPECT_TRUE(dorlik_.EverPublished(printer_, "JobStatus", [](const std::string& s) {
        return s.size() == 4 && (e2e::Dword(s) & 4) != 0;
    })) << "JobStatus never had the cancelled bit";
    std::string id = JobNameSent();
    ASSERT_FALSE(id.empty());
    for (const auto& line : sim_->PjlLines()) {
        EXPECT_NE(line.text.rfind("@PJL EOJ NAME=", 0), 0u) << "trailer sent for a cancelled job: " << line.text;
    }
}

// The status block and the other fields of the printer's device ID, read through the port
// monitor, reach the status manager as status variables.
TEST_F(MonitorJobTest, DeviceIdStatusBlockBecomesStatusVariables) {
    Open({u"USB001", false});
    plat::JobResult r = Send(DriverJob("@PJL JOB NAME=\"driver\"\r\n", 2000));
    ASSERT_TRUE(r.started && r.written && r.ended);
    ClockPump pump;
    std::string v;
    EXPECT_TRUE(dorlik_.WaitFor(
        printer_, "PrinterModel",
        [](const std::string& s) { return s.size() == 32 && s.rfind("Halvoric 4400K", 0) == 0; }, 20000, &v))
        << e2e::Visible(v);
    EXPECT_TRUE(dorlik_.WaitFor(
        printer_, "PrinterMemory", [](const std::string& s) { return s.size() == 4 && e2e::Dword(s) == 4 * 32 * 1024; },
        20000, &v));
    EXPECT_TRUE(dorlik_.WaitFor(
        printer_, "EmulationInfo",
        [](const std::string& s) {
            return s.size() == 12 && e2e::Dword(s) == 2 && e2e::Dword(s, 4) == 0 && e2e::Dword(s, 8) == 5;
        },
        20000, &v));
    EXPECT_TRUE(dorlik_.WaitFor(
        printer_, "TonerRemain", [](const std::string& s) { return s.size() == 4 && e2e::Dword(s) == (80u << 24); },
        20000, &v));
}

struct Fault {
    const char* name;
    unsigned misbehaviour;
    size_t dropAfterBytes;
    bool jobFails;  // false: the printer is taken for another model and gets the bare job
};

class MonitorFaultTest : public MonitorJobTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(MonitorFaultTest, EndsInBoundedTimeAndTheNextJobPrints) {
    const Fault& f = GetParam();
    printersim::Options o;
    o.misbehaviour = f.misbehaviour;
    o.dropAfterBytes = f.dropAfterBytes;
    Open({u"USB001", false}, o);
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 1 << 20);
    ULONGLONG start = GetTickCount64();
    plat::JobResult r = Send(job, 16384);
    ULONGLONG took = GetTickCount64() - start;
    EXPECT_LT(took, 30ull * 60 * 1000) << f.name << ": took " << took << " ms of platform time";
    EXPECT_TRUE(r.ended || !r.started) << f.name;
    if (f.jobFails) {
        EXPECT_FALSE(r.started && r.written) << f.name << ": the printer misbehaved but every byte was taken";
    } else {
        // A device ID that cannot be read as one names no model of this driver: no monitor PJL.
        EXPECT_TRUE(r.started && r.written && r.ended) << f.name << " " << r.writeError;
        EXPECT_TRUE(sim_->WaitForReceived(job.size() - 9, 10000));
        EXPECT_EQ(sim_->Received().find("@PJL USTATUS"), std::string::npos) << f.name;
        EXPECT_NE(sim_->Received().find(job.substr(9)), std::string::npos) << f.name;
    }

    // The port is usable again once the printer behaves.
    sim_->SetMisbehaviour(0);
    sim_->ClearReceived();
    std::string next = DriverJob("@PJL JOB NAME=\"next\"\r\n", 1000);
    plat::JobResult again = Send(next);
    EXPECT_TRUE(again.started && again.written && again.ended)
        << f.name << ": next job " << again.startError << " " << again.writeError << " " << again.endError;
    EXPECT_TRUE(sim_->WaitForReceived(next.size() - 9, 10000));
    EXPECT_NE(sim_->Received().find(next.substr(9)), std::string::npos) << f.name;
}

INSTANTIATE_TEST_SUITE_P(Printers, MonitorFaultTest,
                         ::testing::Values(Fault{"silent", printersim::kSilent, 0, true},
                                           Fault{"garbage", printersim::kGarbage, 0, false},
                                           Fault{"dropped", printersim::kDropConnection, 200000, true},
                                           Fault{"stalled", printersim::kStallRead, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MonitorJobTest, HostCancelThatThePrinterNeverAcknowledgesStillEnds) {
    printersim::Options o;
    o.misbehaviour = printersim::kIgnoreCancel | printersim::kSlowRead;
    Open({u"USB001", false}, o);
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 2 << 20);
    ClockPump pump;
    BackgroundJob spooler(&port_, job, 4096);
    EXPECT_TRUE(sim_->WaitForReceived(64 << 10, 20000));
    ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(DeleteQueuedJob(printer_));
    const plat::JobResult& r = spooler.Finish();
    EXPECT_TRUE(r.stoppedByCancel);
    EXPECT_TRUE(r.ended);
    EXPECT_GE(sim_->HostCancels(), 1u) << "the cancel request reached the printer, which ignored it";
    EXPECT_EQ(sim_->JobsCancelled(), 0u);
    EXPECT_LT(GetTickCount64() - start, 30ull * 60 * 1000) << "the unacknowledged cancel held the port too long";

    // The port takes the next job.
    sim_->SetMisbehaviour(0);
    sim_->ClearReceived();
    std::string next = DriverJob("@PJL JOB NAME=\"next\"\r\n", 1000);
    plat::JobResult again = Send(next);
    EXPECT_TRUE(again.started && again.written && again.ended);
    EXPECT_TRUE(sim_->WaitForReceived(next.size() - 9, 10000));
}

// The job-processing service decides at StartDocPort whether a job may print.
class MonitorServiceTest : public MonitorJobTest {
protected:
    void TearDown() override {
        qzpjm::Stop();
        MonitorJobTest::TearDown();
    }
};

TEST_F(MonitorServiceTest, ListedJobPrintsAtOnceAndItsEndIsPosted) {
    Open({u"USB001", false});
    qzpjm::Options o;
    o.answer = qzpjm::Answer::Hold;  // a listed job must not need an answer
    ASSERT_TRUE(qzpjm::Start(o));
    // Job ids come from the spooler in order: list the next few.
    for (DWORD id = 1; id < 500; ++id) ASSERT_TRUE(qzpjm::AddPreprocessedJob(id));
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 1000);
    plat::JobResult r = Send(job);
    ASSERT_LT(r.jobId, 500u);
    EXPECT_TRUE(r.started && r.written && r.ended) << r.startError;
    EXPECT_TRUE(qzpjm::WaitForMessage(qzpjm::kEndOfDocument, r.jobId, 5000));
    for (const auto& m : qzpjm::Messages()) {
        EXPECT_NE(m.message, qzpjm::kRestartRequest) << "asked about a listed job";
    }
}

TEST_F(MonitorServiceTest, UnlistedJobWaitsForTheServicesAnswer) {
    Open({u"USB001", false});
    qzpjm::Options o;
    o.answer = qzpjm::Answer::Release;
    ASSERT_TRUE(qzpjm::Start(o));
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 1000);
    plat::JobResult r = Send(job);
    EXPECT_TRUE(r.started && r.written && r.ended) << r.startError;
    ASSERT_TRUE(qzpjm::WaitForMessage(qzpjm::kRestartRequest, r.jobId, 5000));
    for (const auto& m : qzpjm::Messages()) {
        if (m.message == qzpjm::kRestartRequest) {
            EXPECT_EQ(m.printer, printer_);
        }
    }
    EXPECT_EQ(PlatGlobalAtomCount(), 0u) << "the printer-name atom was not deleted";
}

TEST_F(MonitorServiceTest, RefusedJobIsDeletedAndStartDocPortFails) {
    Open({u"USB001", false});
    qzpjm::Options o;
    o.answer = qzpjm::Answer::Refuse;
    ASSERT_TRUE(qzpjm::Start(o));
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 1000);
    plat::JobResult r = Send(job);
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.startError, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(sim_->Received().find(job.substr(9)), std::string::npos) << "a refused job reached the printer";
    // The next job the service releases prints on the same port.
    qzpjm::SetAnswer(qzpjm::Answer::Release);
    plat::JobResult again = Send(job);
    EXPECT_TRUE(again.started && again.written && again.ended) << again.startError;
}

TEST_F(MonitorServiceTest, HeldJobPrintsOnceReleased) {
    Open({u"USB001", false});
    qzpjm::Options o;
    o.answer = qzpjm::Answer::Hold;
    ASSERT_TRUE(qzpjm::Start(o));
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 1000);
    ClockPump pump;
    BackgroundJob spooler(&port_, job, 65536);
    DWORD id = 0;
    for (int i = 0; i < 5000 && id == 0; ++i) {
        for (const auto& m : qzpjm::Messages()) {
            if (m.message == qzpjm::kRestartRequest) id = m.jobId;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_NE(id, 0u) << "the monitor never asked the service";
    EXPECT_FALSE(spooler.Done());
    EXPECT_EQ(sim_->Received().find(job.substr(9)), std::string::npos) << "printed before the service released it";
    EXPECT_TRUE(qzpjm::ReleaseJob(id));
    const plat::JobResult& r = spooler.Finish();
    EXPECT_TRUE(r.started && r.written && r.ended) << r.startError;
    EXPECT_TRUE(sim_->WaitForReceived(job.size() - 9, 10000));
}

}  // namespace

// A printer that resets the line half-way through a job, or stops reading for good: whether
// the loss shows at a WritePort or only at the job's end (the bytes were taken by the line but
// never by the printer), the spooler is not told the job went out whole and ended well.
struct LostJob {
    const char* name;
    PortSetup port;
    unsigned misbehaviour;
    bool dropHalfWay;
};

class LostJobTest : public MonitorJobTest, public ::testing::WithParamInterface<LostJob> {};

TEST_P(LostJobTest, IsNotReportedPrinted) {
    const LostJob& c = GetParam();
    std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 600000);
    printersim::Options o;
    o.misbehaviour = c.misbehaviour;
    if (c.dropHalfWay) o.dropAfterBytes = job.size() / 2;
    Open(c.port, o);
    plat::JobResult r = Send(job, 65536);
    ASSERT_TRUE(r.started) << r.startError;
    EXPECT_FALSE(r.written && r.ended) << c.name << ": reported printed, the printer got " << sim_->Received().size()
                                       << " of " << job.size() << " bytes";
    if (r.written) {
        EXPECT_NE(r.endError, 0u) << "the port's error is passed on";
    }
    EXPECT_LT(sim_->Received().size(), job.size());
}

INSTANTIATE_TEST_SUITE_P(
    Printers, LostJobTest,
    ::testing::Values(LostJob{"usb_reset", {u"USB001", false}, printersim::kDropConnection, true},
                      LostJob{"tcp_reset", {u"IP_127.0.0.1", true}, printersim::kDropConnection, true},
                      LostJob{"usb_stops_reading", {u"USB001", false}, printersim::kStallRead, false}),
    [](const auto& info) { return std::string(info.param.name); });
