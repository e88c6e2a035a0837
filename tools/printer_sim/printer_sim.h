// A page printer on a loopback TCP port: reads jobs, follows their PJL, answers USTATUS and
// INFO requests as the printer does, records every byte, and misbehaves when told to.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/printer_sim/sim_snmp.h"

namespace printersim {

// Ways to misbehave (bits).
enum : unsigned {
    kSilent = 1,           // reads everything, answers nothing (device ID queries neither)
    kGarbage = 2,          // answers with bytes that are no PJL reply; device ID without ';'
    kSplitReplies = 4,     // every reply goes out in 3-byte pieces
    kSlowRead = 8,         // reads 256 bytes at a time with a pause, so the sender sees back-pressure
    kDropConnection = 16,  // resets the connection once dropAfterBytes job bytes arrived
    kIgnoreCancel = 32,    // never acknowledges a cancel
    kStallRead = 64,       // stops reading altogether (the sender's writes time out)
};

struct Options {
    uint16_t port = 0;  // 0: an ephemeral port
    std::string manufacturer = "QEV";
    std::string model = "Halvoric 4400K";
    std::string deviceId;          // answered as it is when set; else built from the fields here
    uint32_t statusCode = 0x1100;  // status block code (group, index): ready, nothing to show
    uint8_t memoryUnits = 4;       // x 32 MB
    unsigned misbehaviour = 0;
    size_t dropAfterBytes = 0;
    int pagesPerJob = 1;
    bool sendEojReport = false;  // "@PJL USTATUS EOJ" after a job's end report
    bool cancelAtData = false;   // the operator cancels every job as soon as its data begins
    int idleLimitMs = 60000;     // stops by itself after this long without any connection
    int slowReadPauseMs = 2;
    std::string displayText = "READY";
    // SNMP: an agent on this loopback UDP port (0: none), answering as told; the program that
    // serves the maker's subtree to it (empty: printer_sim next to the running program).
    uint16_t snmpPort = 0;
    SnmpAnswer snmpAnswer = SnmpAnswer::kCommunityAndV3;
    std::string snmpHelper;
};

struct PjlLine {
    size_t connection;  // 1-based number of the connection it came on
    std::string text;   // without CR LF
};

class Simulator {
public:
    explicit Simulator(Options options = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    bool Start();  // listens on 127.0.0.1; false when it cannot
    void Stop();   // closes every connection and ends every thread
    uint16_t Port() const { return port_; }

    // Everything received on job connections, in order (device ID queries excluded).
    std::string Received() const;
    void ClearReceived();
    std::vector<PjlLine> PjlLines() const;
    std::string RepliesSent() const;
    size_t Connections() const;
    size_t DeviceIdQueries() const;
    size_t JobsEnded() const;      // "@PJL EOJ" lines seen
    size_t JobsCancelled() const;  // cancels the operator made (cancelAtData)
    size_t OpenConnections() const;
    bool Serving() const;  // false once it stopped by itself (idle) or was stopped

    void SetMisbehaviour(unsigned bits);
    void SetStatusCode(uint32_t code);
    // The printer's operator cancels the job in progress: a cancel report goes out now.
    void CancelCurrentJob();
    // The host asked to cancel: the printer acknowledges it (unless told not to).
    void AcknowledgeHostCancel();
    // Real-time waits for tests: TRUE once the condition holds.
    bool WaitForReceived(size_t bytes, int ms) const;
    bool WaitForJobsEnded(size_t count, int ms) const;
    bool WaitForConnectionsClosed(int ms) const;

    std::string DeviceId() const;
    // The printer's job table as its SNMP agent shows it: one row per job it was sent.
    std::vector<SnmpJob> JobTable() const;
    bool SnmpRunning() const;
    static std::string Base64(const uint8_t* data, size_t size);

private:
    struct Connection;
    void AcceptLoop();
    void Serve(Connection* c);
    void Process(Connection* c, const char* data, size_t size);
    void HandlePjl(Connection* c, const std::string& line);
    void Reply(Connection* c, const std::string& text);
    std::string StatusReply(const char* kind) const;
    // Job-table rows: begun when a job names itself, finished at its end or when its
    // connection ends; every change goes to the agent.
    void BeginTableJob(Connection* c);
    void FinishTableJob(Connection* c, int state);
    void PublishSnmp();

    Options options_;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    bool serving_ = false;
    std::thread acceptThread_;
    std::vector<Connection*> connections_;
    std::string received_;
    std::string replies_;
    std::vector<PjlLine> lines_;
    size_t connectionCount_ = 0;
    size_t deviceIdQueries_ = 0;
    size_t jobsEnded_ = 0;
    size_t jobsCancelled_ = 0;
    size_t open_ = 0;
    std::vector<SnmpJob> jobTable_;
    std::unique_ptr<SnmpAgent> snmp_;
};

}  // namespace printersim
