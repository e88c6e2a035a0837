// The simulator's SNMP agent and the pass-through helper snmpd runs for the maker's subtree.
#include "tools/printer_sim/sim_snmp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace printersim {
namespace {

constexpr int kStartWaitMs = 5000;
constexpr int kStopWaitMs = 3000;
constexpr size_t kMaxOidArcs = 128;

std::vector<unsigned long> Arcs(const std::string& oid) {
    std::vector<unsigned long> arcs;
    std::stringstream in(oid);
    std::string part;
    while (std::getline(in, part, '.') && arcs.size() < kMaxOidArcs) {
        if (part.empty()) continue;
        arcs.push_back(std::strtoul(part.c_str(), nullptr, 10));
    }
    return arcs;
}

std::string Snapshot(const std::string& dir) {
    return dir + "/mib.txt";
}

// The snapshot is replaced whole, so the helper never reads half a file.
void WriteSnapshot(const std::string& dir, const std::vector<SnmpObject>& objects) {
    std::string temp = Snapshot(dir) + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const SnmpObject& o : objects) out << o.oid << '\t' << o.type << '\t' << o.value << '\n';
    }
    std::rename(temp.c_str(), Snapshot(dir).c_str());
}

std::vector<SnmpObject> ReadSnapshot(const std::string& file) {
    std::vector<SnmpObject> objects;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        size_t a = line.find('\t');
        size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
        if (b == std::string::npos) continue;
        objects.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
    }
    return objects;
}

// A value on one line, as the pass-through protocol carries it.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

bool WaitForUdpAnswer(uint16_t port, int ms) {
    // snmpd is up once its port is bound: a second bind then fails.
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        bool bound = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0;
        close(fd);
        if (bound) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace

bool OidLess(const std::string& a, const std::string& b) {
    return Arcs(a) < Arcs(b);
}

std::vector<SnmpObject> SnmpObjects(const std::string& deviceId, const std::vector<SnmpJob>& jobs) {
    std::vector<SnmpObject> objects;
    objects.push_back({kSnmpDeviceIdOid, "string", OneLine(deviceId)});
    for (size_t i = 0; i < jobs.size(); ++i) {
        std::string index = "." + std::to_string(i + 1);
        objects.push_back({kSnmpJobNameColumn + index, "string", OneLine(jobs[i].name)});
        objects.push_back({kSnmpJobStateColumn + index, "integer", std::to_string(jobs[i].state)});
        objects.push_back({kSnmpJobPagesColumn + index, "integer", std::to_string(jobs[i].pages)});
    }
    std::stable_sort(objects.begin(), objects.end(),
                     [](const SnmpObject& x, const SnmpObject& y) { return OidLess(x.oid, y.oid); });
    return objects;
}

int RunSnmpPass(const std::string& snapshot) {
    std::string command;
    while (std::getline(std::cin, command)) {
        if (command == "PING") {
            std::cout << "PONG" << std::endl;
            continue;
        }
        if (command != "get" && command != "getnext") {
            if (command == "set") {  // read-only: take the two lines and refuse
                std::string skip;
                std::getline(std::cin, skip);
                std::getline(std::cin, skip);
                std::cout << "not-writable" << std::endl;
            }
            continue;
        }
        std::string oid;
        if (!std::getline(std::cin, oid)) break;
        const SnmpObject* found = nullptr;
        std::vector<SnmpObject> objects = ReadSnapshot(snapshot);
        for (const SnmpObject& o : objects) {
            if (command == "get" ? Arcs(o.oid) == Arcs(oid) : OidLess(oid, o.oid)) {
                found = &o;
                break;
            }
        }
        if (!found)
            std::cout << "NONE" << std::endl;
        else
            std::cout << found->oid << '\n' << found->type << '\n' << found->value << std::endl;
    }
    return 0;
}

std::string DefaultSnmpHelper() {
    if (const char* bin = std::getenv("ORLA_BIN_DIR"); bin && *bin) return std::string(bin) + "/printer_sim";
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("printer_sim") : (self.parent_path() / "printer_sim").string();
}

SnmpAgent::~SnmpAgent() {
    Stop();
}

bool SnmpAgent::Start(uint16_t port, SnmpAnswer answer, const std::string& helper,
                      const std::vector<SnmpObject>& objects) {
    if (Running() || port == 0) return false;
    char pattern[] = "/tmp/orla-snmp-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    dir_ = pattern;
    WriteSnapshot(dir_, objects);
    bool started = (answer == SnmpAnswer::kNothing || answer == SnmpAnswer::kGarbage)
                       ? StartUdp(port, answer)
                       : StartSnmpd(port, answer, helper);
    if (!started) Stop();
    return started;
}

bool SnmpAgent::StartSnmpd(uint16_t port, SnmpAnswer answer, const std::string& helper) {
    if (access(helper.c_str(), X_OK) != 0) return false;
    std::string conf = dir_ + "/snmpd.conf";
    {
        std::ofstream out(conf);
        out << "agentAddress udp:127.0.0.1:" << port << "\n";
        if (answer == SnmpAnswer::kCommunityAndV3) out << "rocommunity " << kSnmpCommunity << " 127.0.0.1\n";
        out << "createUser " << kSnmpUser << " SHA \"" << kSnmpAuthPass << "\" AES \"" << kSnmpPrivPass << "\"\n";
        out << "rouser " << kSnmpUser << " priv\n";
        out << "pass_persist " << kSnmpSubtree << " " << helper << " --snmp-pass " << Snapshot(dir_) << "\n";
    }
    std::string persist = dir_ + "/persist";
    mkdir(persist.c_str(), 0700);
    std::string log = dir_ + "/snmpd.log";
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        setenv("SNMP_PERSISTENT_DIR", persist.c_str(), 1);
        setenv("MIBS", "", 1);  // numeric identifiers only: no MIB files to read or warn about
        int quiet = open("/dev/null", O_RDWR);
        if (quiet >= 0) {
            dup2(quiet, STDIN_FILENO);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        execlp("snmpd", "snmpd", "-f", "-C", "-c", conf.c_str(), "-Lf", log.c_str(), "-I",
               "-smux,mteTrigger,mteTriggerConf", static_cast<char*>(nullptr));
        _exit(127);
    }
    child_ = pid;
    return WaitForUdpAnswer(port, kStartWaitMs);
}

bool SnmpAgent::StartUdp(uint16_t port, SnmpAnswer answer) {
    udpFd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (udpFd_ < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (bind(udpFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
    stopping_ = false;
    udpThread_ = std::thread([this, answer] {
        static const char kGarbageBytes[] = "\x30\x03\x02\x01garbage, not a message";
        while (!stopping_) {
            pollfd p{udpFd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            char buffer[2048];
            sockaddr_in from{};
            socklen_t len = sizeof from;
            ssize_t n = recvfrom(udpFd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n > 0) {
                std::lock_guard<std::mutex> g(heardLock_);
                ++heard_;
                heardChanged_.notify_all();
            }
            if (n <= 0 || answer != SnmpAnswer::kGarbage) continue;
            sendto(udpFd_, kGarbageBytes, sizeof kGarbageBytes - 1, 0, reinterpret_cast<sockaddr*>(&from), len);
        }
    });
    return true;
}

bool SnmpAgent::WaitForRequests(size_t count, int ms) {
    std::unique_lock<std::mutex> g(heardLock_);
    return heardChanged_.wait_for(g, std::chrono::milliseconds(ms), [&] { return heard_ >= count; });
}

void SnmpAgent::Publish(const std::vector<SnmpObject>& objects) {
    if (!dir_.empty()) WriteSnapshot(dir_, objects);
}

void SnmpAgent::Stop() {
    stopping_ = true;
    if (udpThread_.joinable()) udpThread_.join();
    if (udpFd_ >= 0) close(udpFd_);
    udpFd_ = -1;
    if (child_ > 0) {
        kill(child_, SIGTERM);
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopWaitMs);
        int status = 0;
        while (waitpid(child_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                kill(child_, SIGKILL);
                waitpid(child_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        child_ = -1;
    }
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        dir_.clear();
    }
}

}  // namespace printersim
