// A printer that jams in the middle of a job, end to end: it stops taking the job's page data,
// the jam reaches the status variables while it lasts, nothing is reported printed, and once the
// jam clears (the operator's command, or the printer's own timer on the platform clock) the job
// goes on and arrives whole, and only then is reported printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "monitor/status_map.h"
#include "monitor/status_variables.h"
#include "tests/e2e_monitor/monitor_job_fixture.h"
#include "tests/e2e_monitor/monitor_world.h"
#include "win/monitor.h"

namespace {

using e2e::BackgroundJob;
using e2e::Bounded;
using e2e::kWallGuardMs;
using e2e::Uel;

constexpr int kPages = 4;
constexpr size_t kImageBytes = 512 * 1024;  // per page: the job is far larger than the loopback buffers
constexpr size_t kJamAtByte = 700 * 1024;   // in the second page's image
constexpr int kReceiveBuffer = 65536;       // a window the sender fills soon, without crawling
constexpr uint32_t kStartPageCount = 5000;
// Platform time the jam lasts on the printer's timer: longer than the monitor needs to show it.
constexpr DWORD kJamLastsMs = 90000;
constexpr DWORD kReachJamBudgetMs = 60000;
constexpr DWORD kShowJamBudgetMs = 60000;  // less than the jam lasts
constexpr DWORD kFinishBudgetMs = 200000;
constexpr int kPumpGuardMs = 120000;  // real time: only ends a broken run

// A page of the graphics DLL: graphics mode, an image of `bytes` data bytes, back to page control,
// the page end. The data holds neither ESC nor the page end's bytes.
std::string ImagePage(size_t bytes, char seed) {
    std::string data(bytes, ' ');
    for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<char>('a' + (seed + i * 7) % 26);
    return "\x1cY\x1ci1024,512,0,1/1,1/1," + std::to_string(bytes) + ",600." + data + "\x1cZ\r\x0c";
}

std::string ImageJob() {
    std::string job = Uel() + "@PJL JOB NAME=\"driver\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n";
    for (int page = 0; page < kPages; ++page) job += ImagePage(kImageBytes, static_cast<char>(page));
    return job + Uel() + "@PJL EOJ\r\n" + Uel();
}

// The "PrinterStatus" bits the monitor's own status map turns into a paper jam at the port.
DWORD PaperJamBits(size_t dword) {
    for (const StatusMapRow& row : kStatusMap) {
        if (row.portStatus == PORT_STATUS_PAPER_JAM) return row.mask[dword];
    }
    return 0;
}

// Moves the platform clock `stepMs` per real millisecond until `done` holds or `budgetMs` of
// platform time has passed: TRUE when it held.
bool PumpUntil(const char* what, DWORD stepMs, DWORD budgetMs, const std::function<bool()>& done) {
    return Bounded(what, kPumpGuardMs, [&] {
        for (DWORD moved = 0;; moved += stepMs) {
            if (done()) return true;
            if (moved >= budgetMs) return false;
            PlatClockAdvance(stepMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

// Moves the platform clock `stepMs` per real millisecond while it lives, `budgetMs` of platform
// time at most: the clock goes on while a test waits for an event, and stops however long the
// event takes.
class BudgetPump {
public:
    BudgetPump(DWORD stepMs, DWORD budgetMs)
        : thread_([this, stepMs, budgetMs] {
              for (DWORD moved = 0; moved < budgetMs && !stop_.load(); moved += stepMs) {
                  PlatClockAdvance(stepMs);
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~BudgetPump() {
        stop_ = true;
        thread_.join();
    }
    BudgetPump(const BudgetPump&) = delete;
    BudgetPump& operator=(const BudgetPump&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

enum class Clearing { kCommand, kTimer };

struct JamCase {
    const char* name;
    Clearing clearing;
};

class PrinterJamTest : public e2e::MonitorJobTest, public ::testing::WithParamInterface<JamCase> {
protected:
    bool Ever(const char* name, const std::function<bool(const std::string&)>& accept) const {
        return dorlik_.EverPublished(printer_, name, accept);
    }
    bool JamShows() const {
        const DWORD bits = PaperJamBits(2);
        std::string status, jam;
        return dorlik_.Read(printer_, "PrinterStatus", &status) == DORLIK_OK && status.size() == 12 &&
               (e2e::Dword(status, 8) & bits) == bits && dorlik_.Read(printer_, "ErrPaperJam", &jam) == DORLIK_OK &&
               e2e::Dword(jam) != 0 && Ever("PrinterDisplay", [](const std::string& s) {
                   static const std::u16string kPanel = u"PAPER JAM";
                   return s.size() == 132 && std::memcmp(s.data() + 4, kPanel.data(), kPanel.size() * 2) == 0;
               });
    }
    std::string JobInfos() const {
        std::string seen;
        Ever("PrintingJobInfo2", [&](const std::string& s) {
            seen += " (" + std::to_string(e2e::Dword(s, kJobinfoJobId)) + ", " +
                    std::to_string(e2e::Dword(s, kJobinfoTotalPages)) + ")";
            return false;
        });
        return seen;
    }
    // Any job-information value that counts printed pages.
    bool PrintedReported() const {
        return Ever("PrintingJobInfo2", [](const std::string& s) {
            return s.size() == kPrintingJobInfoSize && e2e::Dword(s, kJobinfoTotalPages) != 0;
        });
    }
};

TEST_P(PrinterJamTest, JobWaitsOutTheJamAndArrivesWhole) {
    ASSERT_NE(PaperJamBits(2), 0u) << "the status map names a paper jam";
    printersim::Options o;
    o.pageCount = kStartPageCount;
    o.receiveBuffer = kReceiveBuffer;
    o.incident.conditions = printersim::kPaperJam;
    o.incident.afterBytes = kJamAtByte;
    o.incident.clearAfterMs = GetParam().clearing == Clearing::kTimer ? kJamLastsMs : 0;
    o.clockMs = [] { return static_cast<uint64_t>(GetTickCount64()); };
    Open({u"USB001", false}, o);

    const std::string job = ImageJob();
    BackgroundJob spooler(&port_, job, 65536);
    {
        BudgetPump pump(2, kReachJamBudgetMs);
        ASSERT_TRUE(sim_->WaitForIncident(kWallGuardMs))
            << "the printer never got to the jam: it read " << sim_->Received().size() << " bytes";
    }
    EXPECT_EQ(sim_->Conditions(), static_cast<unsigned>(printersim::kPaperJam));

    // While jammed: the monitor shows the jam; the printer read no byte past it, reported no page
    // and no end of job, and the sender is held back.
    EXPECT_TRUE(PumpUntil("the jam shows", 10, kShowJamBudgetMs, [&] { return JamShows(); }))
        << "the status variables never showed the jam";
    EXPECT_EQ(sim_->Received().size(), kJamAtByte);
    EXPECT_NE(sim_->RepliesSent().find("@PJL USTATUS DEVICE\r\nCODE=42000\r\nDISPLAY=\"PAPER JAM\""), std::string::npos)
        << "the printer's own report of the jam: " << e2e::Visible(sim_->RepliesSent());
    EXPECT_FALSE(spooler.Done());
    EXPECT_EQ(sim_->JobsEnded(), 0u);
    EXPECT_EQ(sim_->PageCount(), kStartPageCount);
    EXPECT_EQ(sim_->RepliesSent().find("@PJL USTATUS PAGE"), std::string::npos);
    EXPECT_EQ(sim_->RepliesSent().find("\r\nEND\r\n"), std::string::npos);
    EXPECT_FALSE(PrintedReported()) << "pages reported printed while the printer stood jammed";
    const DWORD jobInfosWhileJammed = dorlik_.Updates(printer_, "PrintingJobInfo2");

    // The jam clears: by the operator's command now, or on the printer's timer as the clock goes
    // (a jammed printer loses nothing by a fast clock: the sender's writes just time out).
    if (GetParam().clearing == Clearing::kCommand) {
        sim_->SetConditions(0);
    } else {
        EXPECT_TRUE(PumpUntil("the jam clears", 20, kJamLastsMs, [&] { return sim_->Conditions() == 0; }));
    }
    EXPECT_TRUE(PumpUntil("the job ends", 5, kFinishBudgetMs, [&] { return spooler.Done(); }))
        << "the job did not end once the jam cleared";
    EXPECT_EQ(sim_->Conditions(), 0u);
    const plat::JobResult& r = spooler.Finish();
    ASSERT_TRUE(r.started && r.written && r.ended) << r.startError << " " << r.writeError << " " << r.endError;
    EXPECT_EQ(r.bytesAccepted, job.size());

    // Every byte, in order: the monitor's header, the job without its UEL, the monitor's trailer.
    const std::string id = JobNameSent();
    ASSERT_FALSE(id.empty());
    const std::string expected = Uel() +
                                 "@PJL USTATUS DEVICE=ON\r\n@PJL USTATUS JOB=ON\r\n@PJL USTATUS PAGE=ON\r\n"
                                 "@PJL INFO STATUS\r\n@PJL JOB NAME=\"" +
                                 id + "\"\r\n" + job.substr(9) + "@PJL EOJ NAME=\"" + id + "\"\r\n" + Uel();
    ASSERT_TRUE(sim_->WaitForReceived(expected.size(), kWallGuardMs));
    const std::string received = sim_->Received();
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected)
        << "first difference at byte "
        << std::mismatch(received.begin(), received.end(), expected.begin(), expected.end()).first - received.begin();

    // Printed now, and reported so: the printer's counter and end report, the monitor's job end.
    ASSERT_TRUE(sim_->WaitForJobsEnded(1, kWallGuardMs));
    EXPECT_EQ(sim_->LastJobPages(), kPages);
    EXPECT_EQ(sim_->PageCount(), kStartPageCount + kPages);
    EXPECT_NE(sim_->RepliesSent().find("\r\nEND\r\nNAME=\"" + id + "\"\r\nPAGES=" + std::to_string(kPages) + "\r\n"),
              std::string::npos)
        << e2e::Visible(sim_->RepliesSent());
    // The monitor reported the job's end after the jam: its end of document comes once every byte is out.
    EXPECT_GT(dorlik_.Updates(printer_, "PrintingJobInfo2"), jobInfosWhileJammed)
        << "job " << r.jobId << "; published (job, pages):" << JobInfos();
}

INSTANTIATE_TEST_SUITE_P(Clearing, PrinterJamTest,
                         ::testing::Values(JamCase{"ByCommand", Clearing::kCommand},
                                           JamCase{"ByTimer", Clearing::kTimer}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
