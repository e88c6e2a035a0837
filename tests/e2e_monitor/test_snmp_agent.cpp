// The printer simulator's SNMP agent through the real SNMP client library: the device ID and
// the job table of the jobs it printed, over v2c with the community and over SNMPv3, and the
// agents that answer nothing, garbage or only SNMPv3.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "outside/varnel/varnel_api.h"
#include "tools/printer_sim/loopback.h"
#include "tools/printer_sim/printer_sim.h"
#include "win/kernel.h"

namespace {

const std::string kUel("\x1b%-12345X", 9);
const VarnelV3Block kV3 = {"Mbrevoxa", 2, 1, 1, "7qopLirnWe2tasGuv9ke", "HemVo38zatPulik5Rune", ""};

struct Library {
    HMODULE module = nullptr;
    VarnelCreateGetData createGetData = nullptr;
    VarnelCreatePduList createPduList = nullptr;
    ~Library() {
        if (module) FreeLibrary(module);
    }
};

struct Request {
    IPmcGetData* object = nullptr;
    ~Request() {
        if (object) object->Release();
    }
};

struct List {
    IPmcPtrList<IPmsPdu>* list = nullptr;
    ~List() {
        if (list) list->Release();
    }
};

class SnmpAgentTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        library_.module = LoadLibraryA((std::string(bin) + "/Varnel.dll").c_str());
        ASSERT_NE(library_.module, nullptr);
        library_.createGetData =
            reinterpret_cast<VarnelCreateGetData>(GetProcAddress(library_.module, kVarnelGetDataExport));
        library_.createPduList =
            reinterpret_cast<VarnelCreatePduList>(GetProcAddress(library_.module, kVarnelPduListExport));
        ASSERT_NE(library_.createGetData, nullptr) << "the decorated factory";
        ASSERT_NE(library_.createPduList, nullptr);
        port_ = printersim::FreeUdpPort();
        setenv(kVarnelPortVariable, std::to_string(port_).c_str(), 1);
    }
    void TearDown() override { unsetenv(kVarnelPortVariable); }

    bool StartSim(printersim::SnmpAnswer answer) {
        printersim::Options o;
        o.snmpPort = port_;
        o.snmpAnswer = answer;
        sim_ = std::make_unique<printersim::Simulator>(o);
        return sim_->Start();
    }
    // Opens a channel in the mode and reads the identifier as text; FALSE when it cannot.
    bool ReadText(LONG mode, const char* oid, std::string* text, LONG timeoutMs = kAnswerTimeoutMs) {
        Request r;
        LONG error = 0;
        r.object = library_.createGetData(&error);
        if (!r.object) return false;
        if (mode == kVarnelCommunity) r.object->SetCommunity("kemlin");
        if (r.object->OpenChannel("127.0.0.1", kVarnelIpv4, 161, mode, &kV3, timeoutMs, 1, 0) != 0) return false;
        if (r.object->AddObjectId(oid, 0) != 0) return false;
        char out[kVarnelTextSize] = {};
        if (r.object->ReadText(out) != 0) return false;
        *text = out;
        return true;
    }

    // The SNMP library waits in real time. An agent that answers does so within the first; the
    // cases that must fail wait out the second (and its one retry) in full.
    static constexpr LONG kAnswerTimeoutMs = 3000;
    static constexpr LONG kRefusalTimeoutMs = 1000;

    Library library_;
    uint16_t port_ = 0;
    std::unique_ptr<printersim::Simulator> sim_;
};

TEST_F(SnmpAgentTest, DeviceIdOverCommunityAndV3FollowsThePrintersState) {
    ASSERT_TRUE(StartSim(printersim::SnmpAnswer::kCommunityAndV3));
    for (LONG mode : {kVarnelCommunity, kVarnelV3}) {
        SCOPED_TRACE(mode);
        std::string id;
        ASSERT_TRUE(ReadText(mode, printersim::kSnmpDeviceIdOid + 1, &id));
        EXPECT_EQ(id, sim_->DeviceId().substr(0, kVarnelTextSize - 1));
    }
    sim_->SetStatusCode(0x2100);
    std::string id;
    ASSERT_TRUE(ReadText(kVarnelCommunity, printersim::kSnmpDeviceIdOid + 1, &id));
    EXPECT_EQ(id, sim_->DeviceId().substr(0, kVarnelTextSize - 1)) << "the status block in step";
}

TEST_F(SnmpAgentTest, JobTableListsEveryJobPrintedWithStateAndPages) {
    ASSERT_TRUE(StartSim(printersim::SnmpAnswer::kCommunityAndV3));
    ASSERT_TRUE(printersim::SendRaw(
        sim_->Port(), kUel + "@PJL SET JOBATTR=\"@JCID=ORLA-JOB-0001-NAME\"\r\n@PJL ENTER LANGUAGE=ORLA\r\nDATA"));
    // Each job comes on a connection of its own: the second is sent once the printer has taken
    // the first, so the table's order is the order they were printed in.
    auto first = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < first && sim_->JobTable().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(sim_->JobTable().size(), 1u);
    ASSERT_TRUE(printersim::SendRaw(sim_->Port(),
                                    kUel +
                                        "@PJL SET JOBATTR=\"@JCID=ORLA-JOB-0002-NAME\"\r\n@PJL JOB NAME=\"doc\"\r\n"
                                        "@PJL ENTER LANGUAGE=ORLA\r\n" +
                                        printersim::BlankPages(3) + kUel + "@PJL EOJ\r\n"));
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end &&
           (sim_->JobTable().size() < 2 || sim_->JobTable()[1].state != printersim::kSnmpJobFinished))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Request r;
    LONG error = 0;
    r.object = library_.createGetData(&error);
    ASSERT_NE(r.object, nullptr);
    r.object->SetCommunity("kemlin");
    ASSERT_EQ(r.object->OpenChannel("127.0.0.1", kVarnelIpv4, 161, kVarnelCommunity, &kV3, 3000, 1, 0), 0);
    ASSERT_EQ(r.object->AddObjectId(printersim::kSnmpJobNameColumn + 1, 0), 0);
    List answers;
    answers.list = library_.createPduList(&error);
    ASSERT_EQ(r.object->Walk(answers.list, printersim::kSnmpJobNameColumn + 1), 0);
    ASSERT_EQ(answers.list->Count(), 2) << "one row per job, also when a JOB line follows its client ID";
    EXPECT_STREQ(answers.list->At(0)->Value()->Text(), "ORLA-JOB-0001-NAME");
    EXPECT_STREQ(answers.list->At(1)->Value()->Text(), "ORLA-JOB-0002-NAME");
    EXPECT_STREQ(answers.list->At(1)->ObjectId(), "1.3.6.1.4.1.64611.8.59.6.1.1.3.2");
    std::string pages;
    ASSERT_TRUE(ReadText(kVarnelV3, "1.3.6.1.4.1.64611.8.59.16.1.1.5.2", &pages));
    EXPECT_EQ(pages, "3");
    std::string state;
    ASSERT_TRUE(ReadText(kVarnelCommunity, "1.3.6.1.4.1.64611.8.59.6.1.1.9.1", &state));
    EXPECT_EQ(state, "14");
}

// Each failing request ends within its time-out and one retry, never hangs.
TEST_F(SnmpAgentTest, AgentsThatDoNotAnswerProperlyEndInTheTimeOut) {
    struct Case {
        const char* what;
        printersim::SnmpAnswer answer;
        bool community, v3;
    };
    const Case cases[] = {
        {"v3 only", printersim::SnmpAnswer::kV3Only, false, true},
        {"nothing", printersim::SnmpAnswer::kNothing, false, false},
        {"garbage", printersim::SnmpAnswer::kGarbage, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        port_ = printersim::FreeUdpPort();
        setenv(kVarnelPortVariable, std::to_string(port_).c_str(), 1);
        ASSERT_TRUE(StartSim(c.answer));
        std::string id;
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ReadText(kVarnelCommunity, printersim::kSnmpDeviceIdOid + 1, &id, kRefusalTimeoutMs), c.community);
        EXPECT_EQ(ReadText(kVarnelV3, printersim::kSnmpDeviceIdOid + 1, &id, kRefusalTimeoutMs), c.v3);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
        sim_.reset();
    }
}

}  // namespace

namespace {

// Passes the first `answered` requests to the agent and their answers back, then drops every
// request: an agent that goes silent in the middle of a walk.
class FailingRelay {
public:
    FailingRelay(uint16_t agent, int answered) : agent_(agent), answered_(answered) {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        port_ = printersim::FreeUdpPort();
        a.sin_port = htons(port_);
        bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        if (bound_) thread_ = std::thread([this] { Run(); });
    }
    ~FailingRelay() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) close(fd_);
    }
    bool Bound() const { return bound_; }
    uint16_t Port() const { return port_; }

private:
    void Run() {
        int upstream = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in agent{};
        agent.sin_family = AF_INET;
        agent.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        agent.sin_port = htons(agent_);
        int passed = 0;
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            char buffer[4096];
            sockaddr_in from{};
            socklen_t len = sizeof from;
            ssize_t n = recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n <= 0 || passed++ >= answered_) continue;
            sendto(upstream, buffer, static_cast<size_t>(n), 0, reinterpret_cast<sockaddr*>(&agent), sizeof agent);
            pollfd u{upstream, POLLIN, 0};
            if (poll(&u, 1, 2000) <= 0) continue;
            ssize_t m = recv(upstream, buffer, sizeof buffer, 0);
            if (m > 0) sendto(fd_, buffer, static_cast<size_t>(m), 0, reinterpret_cast<sockaddr*>(&from), len);
        }
        close(upstream);
    }

    uint16_t agent_;
    int answered_;
    int fd_ = -1;
    uint16_t port_ = 0;
    bool bound_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

// The agent falls silent after the first row of the job table: the walk is not reported as
// done with the rows it had, for a table cut short would look complete to the monitor.
TEST_F(SnmpAgentTest, WalkThatFailsPartWayFails) {
    ASSERT_TRUE(StartSim(printersim::SnmpAnswer::kCommunityAndV3));
    for (const char* name : {"ORLA-JOB-0001-NAME", "ORLA-JOB-0002-NAME", "ORLA-JOB-0003-NAME"}) {
        const size_t before = sim_->JobTable().size();
        ASSERT_TRUE(
            printersim::SendRaw(sim_->Port(), kUel + "@PJL SET JOBATTR=\"@JCID=" + name +
                                                  "\"\r\n@PJL JOB NAME=\"doc\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" +
                                                  printersim::BlankPages(1) + kUel + "@PJL EOJ\r\n"));
        ASSERT_TRUE(sim_->WaitForJobsEnded(before + 1, 60000));
    }
    for (int answered : {1, 2}) {
        SCOPED_TRACE(answered);
        FailingRelay relay(port_, answered);
        ASSERT_TRUE(relay.Bound());
        setenv(kVarnelPortVariable, std::to_string(relay.Port()).c_str(), 1);
        Request r;
        LONG error = 0;
        r.object = library_.createGetData(&error);
        ASSERT_NE(r.object, nullptr);
        r.object->SetCommunity("kemlin");
        ASSERT_EQ(r.object->OpenChannel("127.0.0.1", kVarnelIpv4, 161, kVarnelCommunity, &kV3, 500, 0, 0), 0);
        List answers;
        answers.list = library_.createPduList(&error);
        EXPECT_NE(r.object->Walk(answers.list, printersim::kSnmpJobNameColumn + 1), 0);
    }
    // Through the agent itself the whole table comes back.
    setenv(kVarnelPortVariable, std::to_string(port_).c_str(), 1);
    Request r;
    LONG error = 0;
    r.object = library_.createGetData(&error);
    r.object->SetCommunity("kemlin");
    ASSERT_EQ(r.object->OpenChannel("127.0.0.1", kVarnelIpv4, 161, kVarnelCommunity, &kV3, 3000, 1, 0), 0);
    List answers;
    answers.list = library_.createPduList(&error);
    ASSERT_EQ(r.object->Walk(answers.list, printersim::kSnmpJobNameColumn + 1), 0);
    EXPECT_EQ(answers.list->Count(), 3);
}
