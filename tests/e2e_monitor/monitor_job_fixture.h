// The world of a job through the language monitor and the port monitor to the printer
// simulator, shared by the end-to-end job tests: a test's printer on a port of its kind, jobs
// sent as the spooler sends them, and nothing of the port left once it closed.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "outside/portmon/portmon_config.h"
#include "outside/varnel/varnel_api.h"
#include "tests/e2e_monitor/monitor_world.h"
#include "tools/printer_sim/loopback.h"

namespace e2e {

constexpr int kWallGuardMs = 60000;  // a call that takes longer than this is a hang

inline std::string Uel() {
    return std::string(kUel, 9);
}

// A job as the graphics DLL writes it: its own UEL and PJL, the language switch, data, its end.
inline std::string DriverJob(const std::string& extraPjl, size_t dataBytes) {
    std::string data;
    for (size_t i = 0; i < dataBytes; ++i) data += static_cast<char>('A' + i % 23);
    return Uel() + extraPjl + "@PJL ENTER LANGUAGE=ORLA\r\n" + data + Uel() + "@PJL EOJ\r\n" + Uel();
}

// A job sent on a thread of its own (the spooler's port thread) while the test acts; always
// joined, and a job that does not end in real time ends the program as a hang.
class BackgroundJob {
public:
    BackgroundJob(plat::HostPort* port, const std::string& job, DWORD chunk) : job_(job) {
        options_.chunkSize = chunk;
        options_.maxIdleRetries = 400;
        thread_ = std::thread([this, port] {
            result_ = plat::SendJob(port, std::span(reinterpret_cast<const BYTE*>(job_.data()), job_.size()), options_);
            done_ = true;
        });
    }
    ~BackgroundJob() { Finish(); }
    bool Done() const { return done_.load(); }
    const plat::JobResult& Finish() {
        if (thread_.joinable()) {
            auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(60000);
            while (!done_.load() && std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            if (!done_.load()) {
                std::fprintf(stderr, "HANG: a job did not end within 60 s of real time\n");
                std::_Exit(3);
            }
            thread_.join();
        }
        return result_;
    }

private:
    std::string job_;
    plat::JobOptions options_;
    plat::JobResult result_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

struct PortSetup {
    const char16_t* port;
    bool standardTcpIp;
};

class MonitorJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(e2e::EnsureSandbox(&why)) << why;
        ASSERT_TRUE(dorlik_.Bind(&why)) << why;
        dorlik_.Reset();
        PlatClockSetManual(TRUE);
        ASSERT_TRUE(PlatWaitForThreadsToEnd(5000));
        handles_ = plat::HandleCount();
        ASSERT_TRUE(plat::LoadMonitor(&lower_, u"C:\\Windows\\System32\\Loopmon.dll", e2e::kPortMonitorName))
            << "Loopmon.dll: error " << GetLastError();
        ASSERT_TRUE(plat::LoadMonitor(&language_, u"C:\\Windows\\System32\\Lostrel.dll", e2e::kLanguageMonitorName))
            << "Lostrel.dll: error " << GetLastError();
    }

    void TearDown() override {
        if (port_.handle) {
            ClockPump pump;
            EXPECT_TRUE(Bounded("ClosePort", kWallGuardMs, [&] { return plat::ClosePort(&port_); }));
        }
        // Nothing of the port may outlive ClosePort: no thread, no handle, no manager binding.
        EXPECT_TRUE(PlatWaitForThreadsToEnd(5000)) << PlatRunningThreadCount() << " threads still run";
        plat::UnloadMonitor(&language_);
        plat::UnloadMonitor(&lower_);
        EXPECT_EQ(dorlik_.OpenHandles(), 0u) << "status manager handles left open";
        EXPECT_EQ(plat::HandleCount(), handles_) << "kernel handles left open";
        if (sim_) sim_->Stop();
        PlatClockSetManual(FALSE);
    }

    void Open(const PortSetup& setup, printersim::Options options = {}) {
        // A standard TCP/IP port's printer is asked over SNMP: its agent, on a port of this test.
        if (setup.standardTcpIp) {
            ASSERT_NO_FATAL_FAILURE(GiveSnmpAgent(&options));
        }
        sim_ = std::make_unique<printersim::Simulator>(options);
        ASSERT_TRUE(sim_->Start());
        std::string address = "127.0.0.1:" + std::to_string(sim_->Port());
        portName_ = setup.port;
        if (setup.standardTcpIp) {
            ASSERT_TRUE(plat::RegisterStandardTcpIpPort(setup.port));
            ASSERT_TRUE(e2e::SetStandardTcpIpHost(setup.port, u"127.0.0.1"));
        } else {
            ASSERT_TRUE(PlatAddPort(setup.port, u"Local Port", u"Virtual printer port for USB",
                                    PORT_TYPE_WRITE | PORT_TYPE_READ));
        }
        ASSERT_TRUE(
            portmon::ConfigureLoopbackPort(e2e::kPortMonitorName, setup.port, address.c_str(), setup.standardTcpIp));
        std::string why;
        ASSERT_TRUE(e2e::InstallPrinter(printer_, setup.port, &why)) << why;
        ClockPump pump;
        ASSERT_TRUE(Bounded("OpenPortEx", kWallGuardMs,
                            [&] { return plat::OpenPort(&port_, &language_, &lower_, setup.port, printer_.c_str()); }))
            << "error " << GetLastError();
    }

    void GiveSnmpAgent(printersim::Options* options) {
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        ASSERT_TRUE(PlatCopyIntoSandbox((std::string(bin) + "/Varnel.dll").c_str(),
                                        u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Varnel.DLL"));
        if (!options->snmpPort) options->snmpPort = printersim::FreeUdpPort();
        setenv(kVarnelPortVariable, std::to_string(options->snmpPort).c_str(), 1);
    }

    plat::JobResult Send(const std::string& job, DWORD chunk = 65536) {
        plat::JobOptions options;
        options.chunkSize = chunk;
        options.maxIdleRetries = 400;
        ClockPump pump;
        return Bounded("job", kWallGuardMs, [&] {
            return plat::SendJob(&port_, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), options);
        });
    }

    void CancelAcknowledged(unsigned extraMisbehaviour);

    // The monitor's PJL header line "@PJL JOB NAME=..." as the printer got it.
    std::string JobNameSent() const {
        for (const auto& line : sim_->PjlLines()) {
            if (line.text.rfind("@PJL JOB NAME=\"", 0) == 0) return line.text.substr(15, line.text.size() - 16);
        }
        return {};
    }

    e2e::Dorlik dorlik_;
    plat::LoadedMonitor lower_, language_;
    plat::HostPort port_;
    std::unique_ptr<printersim::Simulator> sim_;
    std::u16string printer_ = u"QEV Halvoric 4400K";
    std::u16string portName_;
    size_t handles_ = 0;
};

}  // namespace e2e
