#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fake_varnel.h"
#include "monitor/job_records.h"
#include "monitor/printer_query.h"
#include "monitor/snmp_client.h"
#include "monitor/snmp_status.h"
#include "monitor/status_variables.h"
#include "monitor_fixture.h"
#include "plat/control.h"
#include "plat/monitor_host.h"
#include "win/registry.h"

namespace {

constexpr char kLibrary[] = "C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Varnel.DLL";
constexpr char16_t kTcpPortsKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";
constexpr char kRow1[] = "1.3.6.1.4.1.64611.8.59.6.1.1.3.1";
constexpr char kState1[] = "1.3.6.1.4.1.64611.8.59.6.1.1.9.1";
constexpr char kPages1[] = "1.3.6.1.4.1.64611.8.59.16.1.1.5.1";

struct Module {
    HMODULE handle = nullptr;
    ~Module() {
        if (handle) FreeLibrary(handle);
    }
};

struct Client {
    SnmpClient* client = nullptr;
    ~Client() { FreeSnmpClient(client); }
};

struct Key {
    HKEY key = nullptr;
    ~Key() {
        if (key) RegCloseKey(key);
    }
};

void SetPortValue(LPCWSTR port, LPCWSTR name, const std::u16string& text) {
    Key k;
    std::u16string path = std::u16string(kTcpPortsKey) + port;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k.key, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(k.key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))),
              ERROR_SUCCESS);
}

class SnmpTest : public MonitorTest {
protected:
    void SetUp() override {
        MonitorTest::SetUp();
        if (HasFatalFailure()) return;
        SetSnmpDeviceIdReader(nullptr);  // the real route
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        std::u16string target(kLibrary, kLibrary + sizeof kLibrary - 1);
        ASSERT_TRUE(PlatCopyIntoSandbox((std::string(bin) + "/FakeVarnel.dll").c_str(), target.c_str()));
        // Held for the whole test, so the script outlives the clients that load the library.
        library_.handle = LoadLibraryA(kLibrary);
        ASSERT_NE(library_.handle, nullptr);
        auto state = reinterpret_cast<PFN_FakeVarnelState>(GetProcAddress(library_.handle, "FakeVarnelState"));
        ASSERT_NE(state, nullptr);
        script_ = state();
        script_->Reset();
    }
    void TearDown() override {
        if (script_) script_->Reset();
        MonitorTest::TearDown();
    }
    std::vector<LONG> ChannelModes() {
        std::lock_guard<std::mutex> g(script_->lock);
        std::vector<LONG> modes;
        for (const auto& c : script_->channels) modes.push_back(c.mode);
        script_->channels.clear();
        return modes;
    }
    // A standard TCP/IP port whose printer has the given address, opened with a bound client.
    HANDLE OpenTcpPort() {
        EXPECT_TRUE(plat::RegisterStandardTcpIpPort(u"IP_printer"));
        SetPortValue(u"IP_printer", u"IPAddress", u"127.0.0.1");
        HANDLE h = Open(u"IP_printer");
        EXPECT_NE(h, nullptr);
        if (h) Bind(h);
        // The printer is known as one of ours first: its variables are then published.
        script_->texts[kSnmpDeviceIdOid] = kOwnDeviceId;
        if (h) {
            EXPECT_TRUE(QueryPrinterStatus(Port(h)));
        }
        return h;
    }
    JobRecord* AddJob(HANDLE h, DWORD jobId, const char* name) {
        PortLock lock(Port(h));
        JobRecord* job = AddJobRecord(jobId, Port(h));
        if (!job) return nullptr;
        std::strncpy(job->firstName, name, sizeof job->firstName - 1);
        job->client = Port(h)->clients;  // the job's printer, as StartDocPort records it
        return job;
    }
    // The "PrintingJobInfo2" values published for the job: {total pages} in order.
    std::vector<DWORD> JobPages(DWORD jobId) {
        std::vector<DWORD> pages;
        for (const std::string& v : g_manager.jobInfoHistory) {
            DWORD id = 0, total = 0;
            if (v.size() < kPrintingJobInfoSize) continue;
            std::memcpy(&id, v.data() + kJobinfoJobId, 4);
            std::memcpy(&total, v.data() + kJobinfoTotalPages, 4);
            if (id == jobId) pages.push_back(total);
        }
        return pages;
    }
    Module library_;
    FakeVarnelScript* script_ = nullptr;
};

// ---- Access mode ----

TEST_F(SnmpTest, AccessModeIsLearntFromTheFirstFailedRead) {
    struct Case {
        const char* what;
        LONG failingMode;
        BOOL everythingFails;
        std::vector<LONG> first, second;  // channel modes of two GETs in a row
        BOOL read;
        LONG modeAfter;
    };
    const Case cases[] = {
        {"community refused: SNMPv3 from then on", kSnmpModeCommunity, FALSE, {0, 2}, {2}, TRUE, kSnmpModeV3},
        {"community answers: it stays", -100, FALSE, {0}, {0}, TRUE, kSnmpModeCommunity},
        {"nothing answers: the mode swings back", -100, TRUE, {0, 2}, {2, 0}, FALSE, kSnmpModeCommunity},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetSnmpAccessMode(kSnmpModeUnknown);
        script_->Reset();
        script_->texts[kSnmpDeviceIdOid] = "MFG:QEV;";
        script_->failingMode = c.failingMode;
        script_->everythingFails = c.everythingFails;
        Client k;
        k.client = CreateSnmpClient("127.0.0.1", nullptr);
        ASSERT_NE(k.client, nullptr);
        char text[kSnmpFieldSize];
        EXPECT_EQ(SnmpGetString(k.client, text, nullptr, kSnmpDeviceIdOid), c.read);
        EXPECT_EQ(ChannelModes(), c.first);
        EXPECT_EQ(SnmpGetString(k.client, text, nullptr, kSnmpDeviceIdOid), c.read);
        EXPECT_EQ(ChannelModes(), c.second);
        EXPECT_EQ(SnmpAccessMode(), c.modeAfter);
    }
}

TEST_F(SnmpTest, ChannelCarriesTheCommunityOrTheV3UserAndIsNotRetriedWhenRefused) {
    script_->failingMode = kSnmpModeCommunity;
    script_->integers["1.2.3"] = 5;
    Client k;
    k.client = CreateSnmpClient("127.0.0.1", nullptr);
    ASSERT_NE(k.client, nullptr);
    LONG value = 0;
    ASSERT_TRUE(SnmpGetString(k.client, nullptr, &value, "1.2.3"));
    EXPECT_EQ(value, 5);
    {
        std::lock_guard<std::mutex> g(script_->lock);
        ASSERT_EQ(script_->channels.size(), 2u);
        EXPECT_EQ(script_->channels[0].community, "kemlin");
        EXPECT_EQ(script_->channels[1].community, "") << "SNMPv3 goes without the community";
        EXPECT_EQ(script_->channels[1].user, "Mbrevoxa");
        for (const auto& c : script_->channels) {
            EXPECT_EQ(c.port, 161);
            EXPECT_EQ(c.timeoutMs, 3000);
            EXPECT_EQ(c.retries, 1);
        }
        script_->channels.clear();
        script_->refuseChannel = TRUE;
    }
    EXPECT_FALSE(SnmpGetString(k.client, nullptr, &value, "1.2.3"));
    EXPECT_EQ(ChannelModes(), std::vector<LONG>{kSnmpModeV3}) << "a refused channel is not tried again";
}

TEST_F(SnmpTest, HostNameReachesTheLibraryAsItsNumericAddress) {
    Client k;
    k.client = CreateSnmpClient("localhost", nullptr);
    ASSERT_NE(k.client, nullptr);
    LONG value = 0;
    SnmpGetString(k.client, nullptr, &value, "1.2.3");
    std::lock_guard<std::mutex> g(script_->lock);
    ASSERT_FALSE(script_->channels.empty());
    const FakeVarnelChannel& c = script_->channels[0];
    if (c.host == "::1")
        EXPECT_EQ(c.family, kVarnelIpv6);
    else
        EXPECT_EQ(std::make_pair(c.host, c.family), std::make_pair(std::string("127.0.0.1"), kVarnelIpv4));
    EXPECT_EQ(CreateSnmpClient(nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateSnmpClient("", nullptr), nullptr);
}

TEST_F(SnmpTest, ResultsAreBoundedAndTakenInOneForm) {
    const std::string longOid = "1.3.6.1" + std::string(300, '1');
    const std::string longText(600, 'x');
    script_->walk = {{longOid, longText}, {"1.3.6.1.2", "second"}};
    script_->texts["1.2.3"] = longText;
    Client k;
    k.client = CreateSnmpClient("127.0.0.1", nullptr);
    ASSERT_NE(k.client, nullptr);
    char text[kSnmpFieldSize];
    LONG integer = 0;
    EXPECT_FALSE(SnmpGetString(k.client, text, &integer, "1.2.3")) << "two outs";
    EXPECT_FALSE(SnmpGetString(k.client, nullptr, nullptr, "1.2.3")) << "no out";
    ASSERT_TRUE(SnmpGetString(k.client, text, nullptr, "1.2.3"));
    EXPECT_EQ(std::strlen(text), 255u);
    ASSERT_TRUE(SnmpWalk(k.client, "1.3.6.1"));
    char oid[kSnmpFieldSize];
    EXPECT_FALSE(SnmpNextResult(k.client, text, &integer, nullptr, oid)) << "two outs";
    ASSERT_TRUE(SnmpNextResult(k.client, text, nullptr, nullptr, oid));
    EXPECT_EQ(std::strlen(text), 255u);
    EXPECT_EQ(std::string(oid), longOid.substr(0, 255));
    LONG second = 0;
    ASSERT_TRUE(SnmpNextResult(k.client, nullptr, nullptr, &second, oid));
    EXPECT_EQ(std::string(oid), "1.3.6.1.2");
    EXPECT_EQ(second, 4);
    EXPECT_FALSE(SnmpNextResult(k.client, text, nullptr, nullptr, oid)) << "none left";
}

// ---- The port's host ----

TEST_F(SnmpTest, PortHostComesFromTheTransceiverOrTheRegistry) {
    ASSERT_TRUE(plat::RegisterStandardTcpIpPort(u"IP_named"));
    SetPortValue(u"IP_named", u"HostName", u"printer.example");
    struct Case {
        const char* what;
        DWORD major;
        const char16_t* address;
        const char* host;
    };
    const Case cases[] = {
        {"transceiver, host name", 6, u"", "printer.example"},
        {"registry, host name when no address", 5, u"", "printer.example"},
        {"transceiver, address", 6, u"10.0.0.9", "10.0.0.9"},
        {"registry, address", 5, u"10.0.0.9", "10.0.0.9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_monitor.major = c.major;
        SetPortValue(u"IP_named", u"IPAddress", c.address);
        char* host = GetTcpIpPortHost(u"IP_named");
        ASSERT_NE(host, nullptr);
        EXPECT_STREQ(host, c.host);
        MonFree(host);
    }
    g_monitor.major = 6;
    EXPECT_EQ(GetTcpIpPortHost(u"USB001"), nullptr);
}

// ---- Device ID and job table ----

TEST_F(SnmpTest, StatusQueryReadsTheDeviceIdOverSnmp) {
    HANDLE h = OpenTcpPort();
    ASSERT_EQ(Port(h)->kind & kKindStdTcpip, kKindStdTcpip);
    ASSERT_NE(Port(h)->snmp, nullptr) << "the client is made at open";
    script_->texts[kSnmpDeviceIdOid] = kOwnDeviceId;
    EXPECT_TRUE(QueryPrinterStatus(Port(h)));
    EXPECT_FALSE(Port(h)->state & kStateNotResponding);
    script_->texts.clear();
    EXPECT_FALSE(QueryPrinterStatus(Port(h)));
    EXPECT_TRUE(Port(h)->state & kStateNotResponding);
}

TEST_F(SnmpTest, FinishedJobNeverSeenGetsStartPagesAndEndInOneQuery) {
    HANDLE h = OpenTcpPort();
    AddJob(h, 7, "ORLA-JOB-0007-NAME");
    script_->walk = {{kRow1, "ORLA-JOB-0007-NAME"}};
    script_->integers[kState1] = 14;
    script_->texts[kPages1] = "5";
    EXPECT_TRUE(QuerySnmpStatus(Port(h)));
    std::vector<DWORD> pages = JobPages(7);
    ASSERT_GE(pages.size(), 3u);
    EXPECT_EQ(pages.front(), 0u) << "start";
    EXPECT_NE(std::find(pages.begin(), pages.end(), 5u), pages.end()) << "pages";
    StatusVariable* row = FindVariable("PrintingJobInfo2", Port(h)->variables, Port(h));
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->flags & kVarJobEnded) << "end";
    EXPECT_EQ(CountJobRecords(Port(h)), 0u);
}

TEST_F(SnmpTest, JobTableRowsAndTheRecordsTheyMatch) {
    struct Case {
        const char* what;
        const char* recordName;
        const char* tableName;
        LONG state;
        DWORD recordsAfter;
        size_t values;  // "PrintingJobInfo2" values published for the job
    };
    const Case cases[] = {
        {"a name under 10 characters never matches", "SHORTNAME", "SHORTNAME", 14, 1, 0},
        {"a job still printing is started and kept", "ORLA-JOB-0008-NAME", "ORLA-JOB-0008-NAME", 5, 1, 1},
        {"another printer's job changes nothing", "ORLA-JOB-0008-NAME", "SOMEONE-ELSES-JOB", 17, 1, 0},
    };
    HANDLE h = OpenTcpPort();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_manager.jobInfoHistory.clear();
        {
            PortLock lock(Port(h));
            DropAllJobRecords(Port(h), FALSE);
        }
        AddJob(h, 8, c.recordName);
        script_->walk = {{kRow1, c.tableName}};
        script_->integers[kState1] = c.state;
        script_->texts[kPages1] = "2";
        QuerySnmpStatus(Port(h));
        EXPECT_EQ(CountJobRecords(Port(h)), c.recordsAfter);
        EXPECT_GE(JobPages(8).size(), c.values);
        if (c.values == 0) {
            EXPECT_TRUE(JobPages(8).empty());
        }
    }
}

TEST_F(SnmpTest, JobThatLeavesTheTableUnfinishedDropsItsRecord) {
    HANDLE h = OpenTcpPort();
    AddJob(h, 9, "ORLA-JOB-0009-NAME");
    script_->walk = {{kRow1, "ORLA-JOB-0009-NAME"}};
    script_->integers[kState1] = 5;  // printing
    script_->texts[kPages1] = "1";
    QuerySnmpStatus(Port(h));
    ASSERT_EQ(CountJobRecords(Port(h)), 1u);
    EXPECT_STREQ(Port(h)->jobHead->savedFirstName, "ORLA-JOB-0009-NAME");
    EXPECT_EQ(Port(h)->jobHead->firstName[0], 0);
    script_->walk.clear();  // gone, never reported finished
    EXPECT_TRUE(QuerySnmpStatus(Port(h)));
    EXPECT_EQ(CountJobRecords(Port(h)), 0u) << "polling would otherwise never stop";
    StatusVariable* row = FindVariable("PrintingJobInfo2", Port(h)->variables, Port(h));
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->flags & kVarJobEnded);
}

TEST_F(SnmpTest, UnreachablePrinterChangesNothing) {
    HANDLE h = OpenTcpPort();
    AddJob(h, 10, "ORLA-JOB-0010-NAME");
    script_->everythingFails = TRUE;
    EXPECT_FALSE(QuerySnmpStatus(Port(h)));
    EXPECT_EQ(CountJobRecords(Port(h)), 1u);
    EXPECT_TRUE(JobPages(10).empty());
}

}  // namespace
