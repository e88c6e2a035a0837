// The printer simulator on its own, through a raw loopback socket: it follows the job's PJL,
// answers as the reply parser expects, keeps every byte, misbehaves on request and stops.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "outside/portmon/portmon_protocol.h"
#include "tools/printer_sim/printer_sim.h"
#include "tools/printer_sim/sim_options.h"

namespace {

const std::string kUel("\x1b%-12345X", 9);

int Connect(uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendText(int fd, const std::string& s) {
    ASSERT_EQ(send(fd, s.data(), s.size(), MSG_NOSIGNAL), static_cast<ssize_t>(s.size()));
}

// Reads until `count` form feeds came (or EOF / the real-time limit).
std::string ReadReplies(int fd, int count, int ms) {
    std::string out;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::count(out.begin(), out.end(), '\f') < count && std::chrono::steady_clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0) continue;
        char b[4096];
        ssize_t n = recv(fd, b, sizeof b, 0);
        if (n <= 0) break;
        out.append(b, static_cast<size_t>(n));
    }
    return out;
}

TEST(PrinterSimulator, FollowsPjlAndAnswersStatusJobAndPageReports) {
    printersim::Simulator sim;
    ASSERT_TRUE(sim.Start());
    int fd = Connect(sim.Port());
    ASSERT_GE(fd, 0);
    std::string job = kUel +
                      "@PJL USTATUS DEVICE=ON\r\n@PJL USTATUS JOB=ON\r\n@PJL USTATUS PAGE=ON\r\n@PJL INFO STATUS\r\n" +
                      "@PJL JOB NAME=\"J1\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" + printersim::BlankPages(2) +
                      std::string("\x01\x02@PJL not a command", 21) + kUel + "@PJL EOJ NAME=\"J1\"\r\n" + kUel;
    // Sent in 5-byte pieces: lines and UELs split across reads must still be found.
    for (size_t i = 0; i < job.size(); i += 5) {
        SendText(fd, job.substr(i, 5));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::string replies = ReadReplies(fd, 6, 5000);
    EXPECT_EQ(replies,
              "@PJL USTATUS DEVICE\r\nCODE=10001\r\nDISPLAY=\"READY\"\r\nONLINE=TRUE\r\n\f"
              "@PJL INFO STATUS\r\nCODE=10001\r\nDISPLAY=\"READY\"\r\nONLINE=TRUE\r\n\f"
              "@PJL USTATUS JOB\r\nSTART\r\nNAME=\"J1\"\r\n\f"
              "@PJL USTATUS PAGE\r\n1\r\n\f@PJL USTATUS PAGE\r\n2\r\n\f"
              "@PJL USTATUS JOB\r\nEND\r\nNAME=\"J1\"\r\nPAGES=2\r\n\f");
    close(fd);
    ASSERT_TRUE(sim.WaitForJobsEnded(1, 5000));
    EXPECT_EQ(sim.Received(), job);
    // The language data is not taken for PJL.
    for (const auto& line : sim.PjlLines()) EXPECT_EQ(line.text.find("not a command"), std::string::npos);
    EXPECT_EQ(sim.PjlLines().size(), 7u);
    EXPECT_EQ(sim.LastJobPages(), 2) << "the pages before the malformed bytes";
}

TEST(PrinterSimulator, AnswersDeviceIdOnItsOwnConnection) {
    printersim::Simulator sim;
    ASSERT_TRUE(sim.Start());
    int fd = Connect(sim.Port());
    SendText(fd, portmon::kDeviceIdRequest);
    std::string id = ReadReplies(fd, 1, 2000);  // no form feed: reads until the printer closes
    close(fd);
    EXPECT_EQ(id, sim.DeviceId());
    EXPECT_EQ(id.rfind("MFG:QEV;MDL:Halvoric 4400K;CMD:ORLA,ZQPS-C;", 0), 0u);
    size_t sts = id.find("STS:");
    ASSERT_NE(sts, std::string::npos);
    EXPECT_EQ(id.find(';', sts) - sts - 4, 64u);  // 48 bytes in Base64
    EXPECT_EQ(sim.DeviceIdQueries(), 1u);
    EXPECT_TRUE(sim.Received().empty());
    EXPECT_EQ(printersim::Simulator::Base64(reinterpret_cast<const uint8_t*>("Man"), 3), "TWFu");
    EXPECT_EQ(printersim::Simulator::Base64(reinterpret_cast<const uint8_t*>("Ma"), 2), "TWE=");
}

TEST(PrinterSimulator, SilentGarbageAndCancelReplies) {
    printersim::Simulator sim;
    ASSERT_TRUE(sim.Start());
    int fd = Connect(sim.Port());
    sim.SetMisbehaviour(printersim::kSilent);
    SendText(fd, kUel + "@PJL INFO STATUS\r\n");
    EXPECT_EQ(ReadReplies(fd, 1, 100), "");
    sim.SetMisbehaviour(printersim::kGarbage);
    SendText(fd, "@PJL INFO STATUS\r\n");
    std::string garbage = ReadReplies(fd, 1, 300);
    EXPECT_FALSE(garbage.empty());
    EXPECT_EQ(garbage.find("@PJL"), std::string::npos);
    sim.SetMisbehaviour(printersim::kIgnoreCancel);
    SendText(fd, "@PJL JOB NAME=\"C\"\r\n");
    sim.AcknowledgeHostCancel();
    EXPECT_EQ(ReadReplies(fd, 1, 100), "");
    sim.SetMisbehaviour(0);
    sim.AcknowledgeHostCancel();
    EXPECT_EQ(ReadReplies(fd, 1, 2000), "@PJL USTATUS JOB\r\nCANCELED=HOST_CALCELED\r\nNAME=\"C\"\r\n\f");
    close(fd);
}

// The 48 bytes of the status block in the device ID.
std::vector<uint8_t> StatusBlockOf(const std::string& id) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    size_t at = id.find("STS:");
    if (at == std::string::npos) return {};
    std::string text = id.substr(at + 4, id.find(';', at) - at - 4);
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 4 <= text.size(); i += 4) {
        uint32_t v = 0;
        for (size_t k = 0; k < 4; ++k) {
            const char* hit = std::strchr(kAlphabet, text[i + k]);
            v = (v << 6) | (text[i + k] == '=' || !hit ? 0u : static_cast<uint32_t>(hit - kAlphabet));
        }
        out.push_back(static_cast<uint8_t>(v >> 16));
        out.push_back(static_cast<uint8_t>(v >> 8));
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

uint32_t Field(const std::vector<uint8_t>& b, size_t at, size_t bytes) {
    uint32_t v = 0;
    for (size_t i = 0; i < bytes && at + i < b.size(); ++i) v = (v << 8) | b[at + i];
    return v;
}

struct ConditionCase {
    const char* name;
    unsigned conditions;
    const char* pjl;             // what the PJL status reply says after its first line
    uint32_t statusCode;         // the block's status code
    size_t fieldAt, fieldBytes;  // a field the condition changes, and its value
    uint32_t fieldValue;
};

const ConditionCase kConditionCases[] = {
    {"ready", 0, "CODE=10001\r\nDISPLAY=\"READY\"\r\nONLINE=TRUE", 0x1100, 10, 2, 0x0021},
    {"jam", printersim::kPaperJam, "CODE=42000\r\nDISPLAY=\"PAPER JAM\"\r\nONLINE=TRUE", 0x0700, 38, 4, 1},
    {"cover", printersim::kCoverOpen, "CODE=40021\r\nDISPLAY=\"COVER OPEN\"\r\nONLINE=TRUE", 0x0A00, 10, 2, 0x0020},
    {"paper", printersim::kPaperOut, "CODE=41302\r\nDISPLAY=\"LOAD PAPER\"\r\nONLINE=TRUE", 0x0B02, 34, 2, 0x2002},
    {"offline", printersim::kOffline, "CODE=10002\r\nDISPLAY=\"OFFLINE\"\r\nONLINE=FALSE", 0x0C00, 10, 2, 0x0021},
    {"toner", printersim::kTonerLow, "CODE=10006\r\nDISPLAY=\"TONER LOW\"\r\nONLINE=TRUE", 0x0801, 18, 2, 0x0501},
    {"warming", printersim::kWarmingUp, "CODE=10003\r\nDISPLAY=\"WARMING UP\"\r\nONLINE=TRUE", 0x0E00, 10, 2, 0x21},
    // Two at once: the first in the printer's order names the status, both show in the block.
    {"jam+cover", printersim::kPaperJam | printersim::kCoverOpen, "CODE=42000\r\nDISPLAY=\"PAPER JAM\"\r\nONLINE=TRUE",
     0x0700, 10, 2, 0x0020},
};

TEST(PrinterSimulator, ConditionsShowInStatusRepliesAndTheStatusBlock) {
    printersim::Simulator sim;
    ASSERT_TRUE(sim.Start());
    int fd = Connect(sim.Port());
    ASSERT_GE(fd, 0);
    SendText(fd, kUel);
    for (const ConditionCase& c : kConditionCases) {
        SCOPED_TRACE(c.name);
        sim.SetConditions(c.conditions);
        SendText(fd, "@PJL INFO STATUS\r\n");
        EXPECT_EQ(ReadReplies(fd, 1, 2000), std::string("@PJL INFO STATUS\r\n") + c.pjl + "\r\n\f");
        std::vector<uint8_t> block = StatusBlockOf(sim.DeviceId());
        ASSERT_EQ(block.size(), 48u);
        EXPECT_EQ(Field(block, 0, 4), c.statusCode);
        EXPECT_EQ(Field(block, c.fieldAt, c.fieldBytes), c.fieldValue);
    }
    close(fd);
}

TEST(PrinterSimulator, InstalledOptionsShowInTheStatusBlockAndInfoConfig) {
    printersim::Options o;
    o.installed.trays = 4;
    o.installed.ramDisk = true;
    printersim::Simulator sim(o);
    ASSERT_TRUE(sim.Start());
    std::vector<uint8_t> block = StatusBlockOf(sim.DeviceId());
    ASSERT_EQ(block.size(), 48u);
    EXPECT_EQ(Field(block, 36, 2), 0x0001u | 0x0800u | 0x2000u | 0x4000u) << "duplex, RAM disk, trays 3 and 4 fitted";
    EXPECT_NE(Field(block, 30, 2), 0u) << "the fourth tray is present";
    EXPECT_EQ(Field(block, 32, 2), 0u) << "no fifth tray";
    std::string config = sim.ConfigReply();
    EXPECT_NE(config.find("\r\nDUPLEX\r\n"), std::string::npos);
    EXPECT_NE(config.find("\r\nINTRAY4 TYPE=NORMAL\r\n"), std::string::npos);
    EXPECT_EQ(config.find("INTRAY5"), std::string::npos);

    printersim::Installed bare;  // the duplex unit taken out
    bare.duplexUnit = false;
    bare.trays = 1;
    sim.SetInstalled(bare);
    block = StatusBlockOf(sim.DeviceId());
    EXPECT_EQ(Field(block, 36, 2), 0u);
    EXPECT_EQ(Field(block, 26, 2), 0u) << "only the bypass tray";
    int fd = Connect(sim.Port());
    SendText(fd, kUel + "@PJL INFO CONFIG\r\n");
    config = ReadReplies(fd, 1, 2000);
    close(fd);
    EXPECT_EQ(config.rfind("@PJL INFO CONFIG\r\n", 0), 0u) << config;
    EXPECT_EQ(config.find("DUPLEX"), std::string::npos) << config;
}

// Pages are the page ends the job's data carries (graphics mode left first), and the counter goes
// on across jobs and connections.
TEST(PrinterSimulator, CountsThePagesEachJobCarriesAndKeepsACounter) {
    printersim::Options o;
    o.pageCount = 500;
    printersim::Simulator sim(o);
    ASSERT_TRUE(sim.Start());
    struct Job {
        std::string data;
        int pages;
    };
    const Job jobs[] = {{printersim::BlankPages(3), 3},
                        {printersim::BlankPages(1) + "\x1cY" + "\x1cZ" + printersim::BlankPages(1), 2},
                        {"", 0}};
    uint32_t expected = 500;
    for (const Job& j : jobs) {
        int fd = Connect(sim.Port());
        ASSERT_GE(fd, 0);
        SendText(fd, kUel +
                         "@PJL USTATUS JOB=ON\r\n@PJL INFO PAGECOUNT\r\n@PJL JOB NAME=\"P\"\r\n"
                         "@PJL ENTER LANGUAGE=ORLA\r\n" +
                         j.data + kUel + "@PJL EOJ\r\n" + kUel);
        std::string replies = ReadReplies(fd, 3, 5000);
        close(fd);
        EXPECT_NE(replies.find("PAGECOUNT=" + std::to_string(expected) + "\r\n"), std::string::npos) << replies;
        EXPECT_NE(replies.find("PAGES=" + std::to_string(j.pages) + "\r\n"), std::string::npos) << replies;
        expected += static_cast<uint32_t>(j.pages);
        EXPECT_EQ(sim.PageCount(), expected);
    }
}

// The host's cancel through the port's request connection stops the job: what follows of its
// data is thrown away and the cancel is reported on the job's connection.
TEST(PrinterSimulator, HostCancelRequestStopsTheJobAndIsReported) {
    printersim::Simulator sim;
    ASSERT_TRUE(sim.Start());
    int fd = Connect(sim.Port());
    ASSERT_GE(fd, 0);
    SendText(fd, kUel + "@PJL JOB NAME=\"K\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" + printersim::BlankPages(1));
    ASSERT_TRUE(sim.WaitForReceived(40, 2000));
    int request = Connect(sim.Port());
    SendText(request, portmon::kCancelRequest);
    EXPECT_EQ(ReadReplies(request, 1, 2000), "") << "the printer closes the request connection";
    close(request);
    EXPECT_EQ(ReadReplies(fd, 1, 2000), "@PJL USTATUS JOB\r\nCANCELED=HOST_CALCELED\r\nNAME=\"K\"\r\n\f");
    SendText(fd, printersim::BlankPages(5) + kUel + "@PJL EOJ\r\n" + kUel);
    ASSERT_TRUE(sim.WaitForJobsEnded(1, 2000));
    close(fd);
    EXPECT_EQ(sim.HostCancels(), 1u);
    EXPECT_EQ(sim.JobsCancelled(), 1u);
    EXPECT_EQ(sim.PageCount(), 1234u) << "no page of the cancelled job was printed";
    EXPECT_EQ(sim.LastJobPages(), 0);
}

// A condition that stops the engine holds the job's page data: its PJL is still read and
// answered, nothing is printed, and a change of conditions is reported unasked to a connection
// that turned device status on. Once the condition clears the job goes on whole. A condition
// that does not stop the engine holds nothing.
struct HoldCase {
    const char* name;
    unsigned conditions;
    bool holds;
    const char* pjl;  // the unasked device status
};

const HoldCase kHoldCases[] = {
    {"jam", printersim::kPaperJam, true, "CODE=42000\r\nDISPLAY=\"PAPER JAM\"\r\nONLINE=TRUE"},
    {"cover", printersim::kCoverOpen, true, "CODE=40021\r\nDISPLAY=\"COVER OPEN\"\r\nONLINE=TRUE"},
    {"paper", printersim::kPaperOut, true, "CODE=41302\r\nDISPLAY=\"LOAD PAPER\"\r\nONLINE=TRUE"},
    {"offline", printersim::kOffline, true, "CODE=10002\r\nDISPLAY=\"OFFLINE\"\r\nONLINE=FALSE"},
    {"toner", printersim::kTonerLow, false, "CODE=10006\r\nDISPLAY=\"TONER LOW\"\r\nONLINE=TRUE"},
};

TEST(PrinterSimulator, StoppedEngineHoldsPageDataUntilTheConditionClears) {
    const std::string ready = "@PJL USTATUS DEVICE\r\nCODE=10001\r\nDISPLAY=\"READY\"\r\nONLINE=TRUE\r\n\f";
    for (const HoldCase& c : kHoldCases) {
        SCOPED_TRACE(c.name);
        printersim::Options o;
        o.conditions = c.conditions;
        printersim::Simulator sim(o);
        ASSERT_TRUE(sim.Start());
        int fd = Connect(sim.Port());
        ASSERT_GE(fd, 0);
        const std::string pjl = kUel + "@PJL USTATUS DEVICE=ON\r\n@PJL JOB NAME=\"H\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n";
        const std::string job = pjl + printersim::BlankPages(3) + kUel + "@PJL EOJ\r\n" + kUel;
        SendText(fd, job);
        const std::string status = std::string("@PJL USTATUS DEVICE\r\n") + c.pjl + "\r\n\f";
        EXPECT_EQ(ReadReplies(fd, 1, 5000), status) << "the answer to USTATUS DEVICE=ON";
        if (!c.holds) {
            ASSERT_TRUE(sim.WaitForJobsEnded(1, 5000));
            EXPECT_EQ(sim.Received(), job);
            close(fd);
            continue;
        }
        ASSERT_TRUE(sim.WaitForReceived(pjl.size(), 5000));
        EXPECT_EQ(sim.Received(), pjl) << "the page data waits";
        EXPECT_EQ(sim.JobsEnded(), 0u);
        EXPECT_EQ(sim.PageCount(), 1234u);
        sim.SetConditions(0);
        EXPECT_EQ(ReadReplies(fd, 1, 5000), ready) << "the change, reported unasked";
        ASSERT_TRUE(sim.WaitForJobsEnded(1, 5000));
        EXPECT_EQ(sim.Received(), job);
        EXPECT_EQ(sim.LastJobPages(), 3);
        EXPECT_EQ(sim.PageCount(), 1237u);
        close(fd);
    }
}

// A jam on the way: the printer reads exactly up to the byte it jams at, reports the jam unasked,
// and clears it on its own timer, which runs on the clock it was given (here moved by hand).
TEST(PrinterSimulator, IncidentStopsAtItsByteAndClearsOnItsTimer) {
    std::atomic<uint64_t> now{1000};
    printersim::Options o;
    o.incident.conditions = printersim::kPaperJam;
    o.incident.afterBytes = 200;
    o.incident.clearAfterMs = 5000;
    o.clockMs = [&now] { return now.load(); };
    printersim::Simulator sim(o);
    ASSERT_TRUE(sim.Start());
    int fd = Connect(sim.Port());
    ASSERT_GE(fd, 0);
    const std::string job = kUel + "@PJL USTATUS DEVICE=ON\r\n@PJL JOB NAME=\"T\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" +
                            printersim::BlankPages(60) + kUel + "@PJL EOJ\r\n" + kUel;
    ASSERT_GT(job.size(), 200u + 9u);
    SendText(fd, job);
    ASSERT_TRUE(sim.WaitForIncident(5000));
    EXPECT_EQ(sim.Received(), job.substr(0, 200));
    EXPECT_EQ(sim.Conditions(), static_cast<unsigned>(printersim::kPaperJam));
    EXPECT_EQ(ReadReplies(fd, 2, 5000),
              "@PJL USTATUS DEVICE\r\nCODE=10001\r\nDISPLAY=\"READY\"\r\nONLINE=TRUE\r\n\f"
              "@PJL USTATUS DEVICE\r\nCODE=42000\r\nDISPLAY=\"PAPER JAM\"\r\nONLINE=TRUE\r\n\f");
    now += 5000;
    EXPECT_EQ(ReadReplies(fd, 1, 5000), "@PJL USTATUS DEVICE\r\nCODE=10001\r\nDISPLAY=\"READY\"\r\nONLINE=TRUE\r\n\f");
    ASSERT_TRUE(sim.WaitForJobsEnded(1, 5000));
    EXPECT_EQ(sim.Received(), job);
    EXPECT_EQ(sim.LastJobPages(), 60);
    EXPECT_EQ(sim.Conditions(), 0u);
    close(fd);
}

// The command line names the jam on the way and its timer; a bad number is refused with a message.
TEST(PrinterSimulator, JamOptionsFromTheCommandLine) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        unsigned conditions;
        size_t afterBytes;
        uint64_t clearAfterMs;
    };
    const Case cases[] = {
        {{"--jam-after", "4096"}, true, printersim::kPaperJam, 4096, 0},
        {{"--jam-after", "0x100", "--jam-clears-after", "30000"}, true, printersim::kPaperJam, 256, 30000},
        {{"--jam-after", "-5"}, false, 0, 0, 0},
        {{"--jam-clears-after"}, false, 0, 0, 0},
        {{"--jam-after", "12x"}, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        std::vector<char*> argv;
        std::vector<std::string> args = c.args;
        for (std::string& a : args) argv.push_back(a.data());
        printersim::Options o;
        std::string error;
        bool ok = true;
        for (int i = 0; ok && i < static_cast<int>(argv.size()); ++i)
            ok = printersim::TakeOption(static_cast<int>(argv.size()), argv.data(), &i, &o, &error);
        EXPECT_EQ(ok, c.ok) << error;
        EXPECT_EQ(error.empty(), c.ok) << error;
        EXPECT_EQ(o.incident.conditions, c.conditions);
        EXPECT_EQ(o.incident.afterBytes, c.afterBytes);
        EXPECT_EQ(o.incident.clearAfterMs, c.clearAfterMs);
    }
}

TEST(PrinterSimulator, DropsTheConnectionAndStopsByItselfWhenIdle) {
    printersim::Options o;
    o.misbehaviour = printersim::kDropConnection;
    o.dropAfterBytes = 10;
    o.idleLimitMs = 200;
    printersim::Simulator sim(o);
    ASSERT_TRUE(sim.Start());
    int fd = Connect(sim.Port());
    SendText(fd, std::string(20, 'x'));
    ASSERT_TRUE(sim.WaitForConnectionsClosed(5000));
    char b[16];
    EXPECT_LE(recv(fd, b, sizeof b, 0), 0);  // reset or closed
    close(fd);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sim.Serving() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(sim.Serving());
}

}  // namespace
