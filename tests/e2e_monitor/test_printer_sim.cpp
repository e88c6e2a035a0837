// The printer simulator on its own, through a raw loopback socket: it follows the job's PJL,
// answers as the reply parser expects, keeps every byte, misbehaves on request and stops.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "outside/portmon/portmon_protocol.h"
#include "tools/printer_sim/printer_sim.h"

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
    printersim::Options o;
    o.pagesPerJob = 2;
    printersim::Simulator sim(o);
    ASSERT_TRUE(sim.Start());
    int fd = Connect(sim.Port());
    ASSERT_GE(fd, 0);
    std::string job = kUel +
                      "@PJL USTATUS DEVICE=ON\r\n@PJL USTATUS JOB=ON\r\n@PJL USTATUS PAGE=ON\r\n@PJL INFO STATUS\r\n" +
                      "@PJL JOB NAME=\"J1\"\r\n@PJL ENTER LANGUAGE=ORLA\r\n" +
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
