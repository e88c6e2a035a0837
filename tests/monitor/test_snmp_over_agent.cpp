// The monitor's SNMP status against the printer simulator's real agent through Varnel.dll:
// the job table it walks drives "PrintingJobInfo2" and the page counts, and a printer whose
// agent does not answer is marked not responding within the request time-outs.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "monitor/job_records.h"
#include "monitor/printer_query.h"
#include "monitor/snmp_client.h"
#include "monitor/snmp_status.h"
#include "monitor/status_variables.h"
#include "monitor_fixture.h"
#include "plat/control.h"
#include "plat/monitor_host.h"
#include "tools/printer_sim/loopback.h"
#include "tools/printer_sim/printer_sim.h"
#include "win/registry.h"

namespace {

const std::string kUel("\x1b%-12345X", 9);
constexpr char16_t kLibrary[] = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Varnel.DLL";
constexpr char16_t kPortKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\IP_sim";

class SnmpAgentMonitorTest : public MonitorTest {
protected:
    void SetUp() override {
        MonitorTest::SetUp();
        if (HasFatalFailure()) return;
        SetSnmpDeviceIdReader(nullptr);
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        ASSERT_TRUE(PlatCopyIntoSandbox((std::string(bin) + "/Varnel.dll").c_str(), kLibrary));
        udpPort_ = printersim::FreeUdpPort();
        setenv(kVarnelPortVariable, std::to_string(udpPort_).c_str(), 1);
        ASSERT_TRUE(plat::RegisterStandardTcpIpPort(u"IP_sim"));
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPortKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const std::u16string host = u"localhost";  // a name: the library gets its address
        RegSetValueExW(key, u"HostName", 0, REG_SZ, reinterpret_cast<const BYTE*>(host.c_str()),
                       static_cast<DWORD>((host.size() + 1) * sizeof(WCHAR)));
        RegCloseKey(key);
    }
    void TearDown() override {
        sim_.reset();
        unsetenv(kVarnelPortVariable);
        MonitorTest::TearDown();
    }
    bool StartSim(printersim::SnmpAnswer answer) {
        printersim::Options o;
        o.snmpPort = udpPort_;
        o.snmpAnswer = answer;
        sim_ = std::make_unique<printersim::Simulator>(o);
        return sim_->Start();
    }
    HANDLE OpenSimPort() {
        HANDLE h = Open(u"IP_sim");
        EXPECT_NE(h, nullptr);
        if (h) Bind(h);
        return h;
    }

    uint16_t udpPort_ = 0;
    std::unique_ptr<printersim::Simulator> sim_;
};

TEST_F(SnmpAgentMonitorTest, PrintersJobTableDrivesJobProgress) {
    ASSERT_TRUE(StartSim(printersim::SnmpAnswer::kCommunityAndV3));
    HANDLE h = OpenSimPort();
    ASSERT_NE(Port(h)->snmp, nullptr);
    ASSERT_TRUE(QueryPrinterStatus(Port(h))) << "the device ID over SNMP names our model";
    {
        PortLock lock(Port(h));
        JobRecord* job = AddJobRecord(21, Port(h));
        ASSERT_NE(job, nullptr);
        std::strcpy(job->firstName, "ORLA-JOB-0021-NAME");
        job->client = Port(h)->clients;
    }
    ASSERT_TRUE(printersim::SendRaw(
        sim_->Port(), kUel + "@PJL SET JOBATTR=\"@JCID=ORLA-JOB-0021-NAME\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" +
                          printersim::BlankPages(4)));
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end &&
           (sim_->JobTable().empty() || sim_->JobTable()[0].state != printersim::kSnmpJobFinished))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(QuerySnmpStatus(Port(h)));
    DWORD lastPages = 0;
    size_t values = 0;
    for (const std::string& v : g_manager.jobInfoHistory) {
        DWORD id = 0, pages = 0;
        std::memcpy(&id, v.data() + kJobinfoJobId, 4);
        std::memcpy(&pages, v.data() + kJobinfoTotalPages, 4);
        if (id != 21) continue;
        ++values;
        lastPages = std::max(lastPages, pages);
    }
    EXPECT_GE(values, 3u) << "start, pages and end";
    EXPECT_EQ(lastPages, 4u);
    EXPECT_EQ(CountJobRecords(Port(h)), 0u);
    EXPECT_EQ(SnmpAccessMode(), kSnmpModeCommunity);
}

TEST_F(SnmpAgentMonitorTest, AgentThatAnswersOnlyV3TurnsTheMonitorToV3) {
    ASSERT_TRUE(StartSim(printersim::SnmpAnswer::kV3Only));
    HANDLE h = OpenSimPort();
    EXPECT_TRUE(QueryPrinterStatus(Port(h))) << "the community is refused, SNMPv3 answers";
    EXPECT_EQ(SnmpAccessMode(), kSnmpModeV3);
    // Later requests keep reaching it (the order of the tries is checked with the scripted
    // library in test_snmp_status.cpp).
    EXPECT_TRUE(QueryPrinterStatus(Port(h)));
    EXPECT_EQ(SnmpAccessMode(), kSnmpModeV3);
}

TEST_F(SnmpAgentMonitorTest, SilentAgentMarksThePrinterNotResponding) {
    ASSERT_TRUE(StartSim(printersim::SnmpAnswer::kNothing));
    HANDLE h = OpenSimPort();
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(QueryPrinterStatus(Port(h)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_TRUE(Port(h)->state & kStateNotResponding);
}

}  // namespace
