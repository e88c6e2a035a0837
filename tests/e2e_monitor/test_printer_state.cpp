// The printer's own state end to end: conditions set on the printer simulator reach the status
// variables the language monitor publishes, the pages a job really carries come back in its
// page and end reports, the printer's page counter goes on across jobs, and a parallel port in
// ECP mode asks for the status at the job's end in its plain mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "outside/portmon/portmon_config.h"
#include "tests/e2e_monitor/monitor_job_fixture.h"
#include "tests/e2e_monitor/monitor_world.h"

namespace {

using e2e::Bounded;
using e2e::ClockPump;
using e2e::DriverJob;
using e2e::kWallGuardMs;
using e2e::Uel;

constexpr int kVariableWaitMs = 120000;  // a hang guard: the waits end when the value comes

// A driver's job whose language data carries `pages` pages.
std::string PagedJob(const std::string& extraPjl, int pages) {
    return Uel() + "@PJL JOB NAME=\"driver\"\r\n" + extraPjl + "@PJL ENTER LANGUAGE=ORLA\r\n" +
           printersim::BlankPages(pages) + Uel() + "@PJL EOJ\r\n" + Uel();
}

class PrinterStateTest : public e2e::MonitorJobTest {
protected:
    // TRUE when the variable ever had a value whose DWORD at `at` masked is `want`.
    bool EverDword(const char* name, size_t at, DWORD mask, DWORD want) const {
        return dorlik_.EverPublished(printer_, name, [&](const std::string& s) {
            return s.size() >= at + 4 && (e2e::Dword(s, at) & mask) == want;
        });
    }
    // Until the variable has had a value that `accept` takes (the printer's reply may still be
    // on its way when the job has ended).
    bool WaitEver(const char* name, const std::function<bool(const std::string&)>& accept) const {
        return dorlik_.WaitUntil(
            printer_, name, [&] { return dorlik_.EverPublished(printer_, name, accept); }, kVariableWaitMs);
    }
    bool WaitDword(const char* name, size_t at, DWORD mask, DWORD want) const {
        return dorlik_.WaitUntil(
            printer_, name, [&] { return EverDword(name, at, mask, want); }, kVariableWaitMs);
    }
};

// A condition of the printer, and what the monitor makes of it: a status variable's DWORD and
// the bits of "PrinterStatus" DWORD 2 it gives (the panel text too where the status block leaves
// the panel to the PJL replies).
struct ConditionCase {
    const char* name;
    unsigned conditions;
    const char* variable;
    size_t at;
    DWORD want;
    DWORD statusMask, statusWant;
    const char16_t* panel;
};

class PrinterConditionTest : public PrinterStateTest, public ::testing::WithParamInterface<ConditionCase> {};

// The panel text comes only with the printer's PJL status replies on the job's connection, and
// the monitor reads those while a job keeps it polling, not after the job has ended: a printer
// that answers the job's header late answers to nobody once the job is over. So the panel is
// looked for while the job is still open (after its first write, which carried the monitor's
// header), as a status window shows it during printing.
TEST_P(PrinterConditionTest, ReachesTheStatusVariables) {
    const ConditionCase& c = GetParam();
    printersim::Options o;
    o.conditions = c.conditions;
    Open({u"USB001", false}, o);
    const std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 2000);
    plat::JobOptions options;
    options.maxIdleRetries = 400;
    bool panelLooked = false, panelShown = false;
    options.afterWrite = [&](size_t) {
        if (!c.panel || panelLooked) return;
        panelLooked = true;
        const std::u16string panel = c.panel;
        panelShown = WaitEver("PrinterDisplay", [&](const std::string& s) {
            return s.size() == 132 && std::memcmp(s.data() + 4, panel.data(), panel.size() * 2) == 0;
        });
    };
    plat::JobResult r;
    {
        ClockPump pump;
        r = Bounded("job", kWallGuardMs + kVariableWaitMs, [&] {
            return plat::SendJob(&port_, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), options);
        });
    }
    ASSERT_TRUE(r.started && r.written && r.ended);
    ClockPump pump;
    EXPECT_TRUE(WaitDword(c.variable, c.at, 0xFFFFFFFFu, c.want)) << c.variable;
    EXPECT_TRUE(WaitDword("PrinterStatus", 8, c.statusMask, c.statusWant)) << "PrinterStatus DWORD 2";
    if (c.panel) {
        ASSERT_TRUE(panelLooked) << "no write of the job took bytes";
        EXPECT_TRUE(panelShown) << "the panel of the PJL status reply, while the job was open";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, PrinterConditionTest,
    ::testing::Values(
        ConditionCase{"PaperJam", printersim::kPaperJam, "ErrPaperJam", 0, 1, 0x10000, 0x10000, nullptr},
        ConditionCase{"CoverOpen", printersim::kCoverOpen, "ErrCoverOpen", 0, 1, 0x8000, 0x8000, nullptr},
        // "ErrNoPaper2": tray 1, paper A4 (9).
        ConditionCase{"PaperOut", printersim::kPaperOut, "ErrNoPaper2", 0, 1 | (9u << 16), 0x4000000, 0x4000000,
                      nullptr},
        ConditionCase{"Offline", printersim::kOffline, "PrinterStatus", 8, 0x1000, 0xFFFFFFFF, 0x1000, u"OFFLINE"},
        ConditionCase{"TonerLow", printersim::kTonerLow, "ErrSupplies", 0, 2u << 24, 0x4000, 0x4000, nullptr},
        ConditionCase{"WarmingUp", printersim::kWarmingUp, "PrinterStatus", 8, 0x9, 0xFFFFFFFF, 0x9, u"WARMING UP"}),
    [](const auto& info) { return std::string(info.param.name); });

// A job of three pages inside the monitor's job: the printer reports each page, and the end of
// the outer job (the monitor's trailer) with three pages.
TEST_F(PrinterStateTest, PageAndEndReportsCarryTheJobsRealPages) {
    printersim::Options o;
    o.sendEojReport = true;
    Open({u"USB001", false}, o);
    plat::JobResult r = Send(PagedJob("", 3));
    ASSERT_TRUE(r.started && r.written && r.ended);
    ASSERT_TRUE(sim_->WaitForJobsEnded(1, 20000));
    EXPECT_EQ(sim_->LastJobPages(), 3);
    const std::string replies = sim_->RepliesSent();
    EXPECT_NE(replies.find("@PJL USTATUS PAGE\r\n3\r\n"), std::string::npos) << e2e::Visible(replies);
    EXPECT_EQ(replies.find("@PJL USTATUS PAGE\r\n4\r\n"), std::string::npos) << e2e::Visible(replies);
    EXPECT_NE(replies.find("\r\nPAGES=3\r\n"), std::string::npos) << e2e::Visible(replies);
    EXPECT_NE(replies.find("@PJL USTATUS EOJ\r\nEND\r\n"), std::string::npos);
    EXPECT_NE(replies.find("\r\nPAGE=3\r\n"), std::string::npos) << e2e::Visible(replies);
}

// The printer's page counter goes on from job to job: the second job asks for it before its own
// pages and gets 7000 and the first job's pages; afterwards it holds both jobs' pages.
TEST_F(PrinterStateTest, PageCounterCountsAcrossJobs) {
    printersim::Options o;
    o.pageCount = 7000;
    Open({u"USB001", false}, o);
    plat::JobResult first = Send(PagedJob("", 3));
    ASSERT_TRUE(first.started && first.written && first.ended);
    ASSERT_TRUE(sim_->WaitForJobsEnded(1, 20000));
    plat::JobResult second = Send(PagedJob("@PJL INFO PAGECOUNT\r\n", 2));
    ASSERT_TRUE(second.started && second.written && second.ended);
    ASSERT_TRUE(sim_->WaitForJobsEnded(2, 20000));
    EXPECT_EQ(sim_->PageCount(), 7005u);
    // The second job's own request came back on its connection with the first job's pages.
    const std::string replies = sim_->RepliesSent();
    EXPECT_NE(replies.find("@PJL INFO PAGECOUNT\r\nPAGECOUNT=7003\r\n"), std::string::npos) << e2e::Visible(replies);
    EXPECT_EQ(sim_->LastJobPages(), 2);
}

// A parallel port whose cable offers ECP: the monitor negotiates it, sends the job in ECP chunks,
// and at the job's end asks for the device ID once in its plain mode, after the job's data and
// before the trailer. Without ECP the data goes in whole pieces.
struct EcpCase {
    const char* name;
    bool offersEcp;
};

class EcpPortTest : public PrinterStateTest, public ::testing::WithParamInterface<EcpCase> {};

TEST_P(EcpPortTest, JobEndAsksTheStatusInPlainMode) {
    const EcpCase& c = GetParam();
    const std::u16string port = u"LPT1:";
    HKEY key = nullptr;
    const std::u16string path = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" +
                                std::u16string(e2e::kPortMonitorName) + u"\\Ports\\" + port;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              static_cast<LONG>(ERROR_SUCCESS));
    DWORD ecp = c.offersEcp ? 1 : 0;
    EXPECT_EQ(RegSetValueExW(key, portmon::kEcpValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ecp), 4),
              static_cast<LONG>(ERROR_SUCCESS));
    RegCloseKey(key);
    Open({port.c_str(), false});

    const std::string job = DriverJob("@PJL JOB NAME=\"driver\"\r\n", 40000);
    plat::JobOptions options;
    options.chunkSize = 16384;
    options.maxIdleRetries = 400;
    size_t largest = 0, last = 0;
    options.afterWrite = [&](size_t taken) {
        largest = std::max(largest, taken - last);
        last = taken;
    };
    plat::JobResult r;
    {
        ClockPump pump;
        r = Bounded("job", kWallGuardMs, [&] {
            return plat::SendJob(&port_, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), options);
        });
    }
    ASSERT_TRUE(r.started && r.written && r.ended) << r.startError << " " << r.writeError << " " << r.endError;
    ASSERT_TRUE(sim_->WaitForJobsEnded(1, 20000));
    if (!c.offersEcp) {
        EXPECT_GT(largest, 4096u) << "without ECP a write takes more than an ECP chunk";
        return;
    }
    EXPECT_LE(largest, 4096u) << "ECP writes go in chunks of at most 4096 bytes";
    // While the ECP transfer runs the monitor answers its own status queries; the only one that
    // reaches the printer between the job's data and the trailer is the job end's plain-mode
    // query. The port says where in its stream it asked.
    const std::string received = sim_->Received();
    const std::string driverEnd = Uel() + "@PJL EOJ\r\n" + Uel();
    const size_t dataEnd = received.find(driverEnd);
    const size_t trailer = received.find("@PJL EOJ NAME=");
    ASSERT_NE(dataEnd, std::string::npos);
    ASSERT_NE(trailer, std::string::npos) << "the monitor's trailer";
    size_t asked = 0;
    std::string seen;
    for (const printersim::DeviceIdQuery& q : sim_->DeviceIdQueryLog()) {
        seen += " " + std::to_string(q.portSent);
        if (q.portSent >= dataEnd + driverEnd.size() - 9 && q.portSent <= trailer) ++asked;
    }
    EXPECT_EQ(asked, 1u) << "device ID queries between the job's data (ending at " << dataEnd
                         << ") and its trailer (at " << trailer << "); queries at" << seen;
}

INSTANTIATE_TEST_SUITE_P(Ports, EcpPortTest, ::testing::Values(EcpCase{"Ecp", true}, EcpCase{"Compatibility", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
