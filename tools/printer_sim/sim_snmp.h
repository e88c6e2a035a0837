// The simulator's SNMP side: a real SNMP agent (net-snmp's snmpd, run by the simulator on a
// loopback UDP port the caller picks) whose maker's subtree is answered from a snapshot file
// that the simulator rewrites whenever its state changes. snmpd reads the snapshot through
// its pass-through protocol with this program's --snmp-pass mode. Answering nothing or
// garbage is done by a plain UDP socket in place of snmpd.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace printersim {

// The maker's objects the agent serves.
constexpr char kSnmpSubtree[] = ".1.3.6.1.4.1.64611";
constexpr char kSnmpDeviceIdOid[] = ".1.3.6.1.4.1.64611.8.64.4.2.1.7.2.28110202";
constexpr char kSnmpJobNameColumn[] = ".1.3.6.1.4.1.64611.8.59.6.1.1.3";
constexpr char kSnmpJobStateColumn[] = ".1.3.6.1.4.1.64611.8.59.6.1.1.9";
constexpr char kSnmpJobPagesColumn[] = ".1.3.6.1.4.1.64611.8.59.16.1.1.5";
constexpr int kSnmpJobPrinting = 5;
constexpr int kSnmpJobFinished = 14;
constexpr int kSnmpJobCancelled = 17;
constexpr char kSnmpCommunity[] = "kemlin";
constexpr char kSnmpUser[] = "Mbrevoxa";
constexpr char kSnmpAuthPass[] = "7qopLirnWe2tasGuv9ke";
constexpr char kSnmpPrivPass[] = "HemVo38zatPulik5Rune";

// How the agent answers.
enum class SnmpAnswer { kCommunityAndV3, kV3Only, kNothing, kGarbage };

struct SnmpJob {
    std::string name;
    int state = kSnmpJobPrinting;
    int pages = 0;
};

struct SnmpObject {
    std::string oid;   // dotted, with the leading point
    std::string type;  // "string" or "integer"
    std::string value;
};

// The snapshot's objects for a device ID and a job table, in identifier order.
std::vector<SnmpObject> SnmpObjects(const std::string& deviceId, const std::vector<SnmpJob>& jobs);
// Identifier order: arc by arc, numerically.
bool OidLess(const std::string& a, const std::string& b);
// The pass-through helper's loop on stdin/stdout, over the snapshot file.
int RunSnmpPass(const std::string& snapshot);

class SnmpAgent {
public:
    SnmpAgent() = default;
    ~SnmpAgent();
    SnmpAgent(const SnmpAgent&) = delete;
    SnmpAgent& operator=(const SnmpAgent&) = delete;

    // helper: the printer_sim program (for --snmp-pass). False when the agent cannot start.
    bool Start(uint16_t port, SnmpAnswer answer, const std::string& helper, const std::vector<SnmpObject>& objects);
    void Publish(const std::vector<SnmpObject>& objects);
    void Stop();
    bool Running() const { return child_ > 0 || udpThread_.joinable(); }
    // An agent that answers nothing or garbage counts the requests it heard: TRUE once `count`
    // came (waits for them, at most `ms` of real time).
    bool WaitForRequests(size_t count, int ms);

private:
    bool StartSnmpd(uint16_t port, SnmpAnswer answer, const std::string& helper);
    bool StartUdp(uint16_t port, SnmpAnswer answer);

    std::string dir_;
    pid_t child_ = -1;
    int udpFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread udpThread_;
    std::mutex heardLock_;
    std::condition_variable heardChanged_;
    size_t heard_ = 0;
};

// Where the printer_sim program is: next to the running program, or in ORLA_BIN_DIR.
std::string DefaultSnmpHelper();

}  // namespace printersim
