// A page printer on a loopback TCP port: reads jobs, follows their PJL, counts the pages their
// data carries, answers USTATUS and INFO requests from its own state (conditions, installed
// options, page counter) as the printer does, holds a job's page data while a condition stops
// its engine, stops a job when the host cancels it, records every byte, and misbehaves when told
// to.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
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

// Conditions of the printer (bits): the status block of its device ID and its PJL status
// replies follow them. With several set, the first in this order names the status.
enum : unsigned {
    kPaperJam = 1,
    kCoverOpen = 2,
    kPaperOut = 4,
    kOffline = 8,
    kTonerLow = 16,
    kWarmingUp = 32,
};

// Conditions that stop the engine: the printer still reads and answers PJL, but takes no more
// page data until they clear (the sender's writes back up).
inline constexpr unsigned kStopsPrinting = kPaperJam | kCoverOpen | kPaperOut | kOffline;

// A condition the printer meets on its way through a job: once it has read `afterBytes` job
// bytes (none beyond) it sets `conditions`, which clear `clearAfterMs` later on its clock (0:
// only SetConditions clears them).
struct Incident {
    unsigned conditions = 0;
    size_t afterBytes = 0;
    uint64_t clearAfterMs = 0;
};

// What is fitted to the printer: reported in the device ID's status block and in the answer to
// "@PJL INFO CONFIG".
struct Installed {
    bool duplexUnit = true;
    int trays = 2;  // present input trays, 1 to 5 (the first is the bypass tray 2001)
    bool ramDisk = false;
};

struct Options {
    uint16_t port = 0;  // 0: an ephemeral port
    std::string manufacturer = "QEV";
    std::string model = "Halvoric 4400K";
    std::string deviceId;          // answered as it is when set; else built from the fields here
    uint32_t statusCode = 0x1100;  // status block code (group, index): ready, nothing to show
    uint8_t memoryUnits = 4;       // x 32 MB
    Installed installed;
    unsigned conditions = 0;
    uint32_t pageCount = 1234;  // the page counter before the first job
    unsigned misbehaviour = 0;
    size_t dropAfterBytes = 0;
    bool sendEojReport = false;  // "@PJL USTATUS EOJ" after a job's end report
    bool cancelAtData = false;   // the operator cancels every job as soon as its data begins
    int idleLimitMs = 60000;     // stops by itself after this long without any connection
    int slowReadPauseMs = 2;
    std::string displayText = "READY";  // the panel while no condition is set
    Incident incident;
    // The clock the printer's timers run on, in milliseconds (empty: the steady clock).
    std::function<uint64_t()> clockMs;
    // Receive buffer of job connections in bytes (0: the system's): a small one makes a printer
    // that stops reading hold the sender back soon.
    int receiveBuffer = 0;
    // SNMP: an agent on this loopback UDP port (0: none), answering as told; the program that
    // serves the maker's subtree to it (empty: printer_sim next to the running program).
    uint16_t snmpPort = 0;
    SnmpAnswer snmpAnswer = SnmpAnswer::kCommunityAndV3;
    std::string snmpHelper;
};

inline constexpr size_t kUnknownPosition = static_cast<size_t>(-1);

// A device ID query as the printer saw it: what it had taken in on job connections by then, and
// where the port stood in its job stream when it asked (kUnknownPosition: it did not say).
struct DeviceIdQuery {
    size_t receivedBytes;
    size_t jobsEnded;
    size_t pjlLines;
    size_t portSent;
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
    std::vector<DeviceIdQuery> DeviceIdQueryLog() const;
    size_t JobsEnded() const;      // "@PJL EOJ" lines seen
    size_t JobsCancelled() const;  // jobs stopped by a cancel (the operator's or the host's)
    size_t HostCancels() const;    // cancel requests that came through the port (not AcknowledgeHostCancel)
    uint32_t PageCount() const;    // the page counter: every page printed since power-on
    int LastJobPages() const;      // pages of the job that ended last
    size_t OpenConnections() const;
    bool Serving() const;  // false once it stopped by itself (idle) or was stopped

    void SetMisbehaviour(unsigned bits);
    void SetStatusCode(uint32_t code);
    // The printer's conditions change (the operator clears a jam, closes the cover, ...): job
    // connections that asked for device status get an unasked "@PJL USTATUS DEVICE" reply.
    void SetConditions(unsigned bits);
    unsigned Conditions() const;
    void SetInstalled(const Installed& installed);
    // The printer's operator cancels the job in progress: a cancel report goes out now.
    void CancelCurrentJob();
    // As if the host had asked to cancel: the printer stops the job and acknowledges it (unless
    // told not to), as it does for the port monitor's cancel request.
    void AcknowledgeHostCancel();
    // Real-time waits for tests: TRUE once the condition holds.
    bool WaitForReceived(size_t bytes, int ms) const;
    bool WaitForJobsEnded(size_t count, int ms) const;
    bool WaitForConnectionsClosed(int ms) const;
    bool WaitForJobsCancelled(size_t count, int ms) const;
    // The incident happened: its conditions are set and the printer has read its bytes.
    bool WaitForIncident(int ms) const;
    // The SNMP agent that answers nothing or garbage heard `count` requests.
    bool WaitForSnmpRequests(size_t count, int ms) const;

    std::string DeviceId() const;
    // The reply to "@PJL INFO CONFIG" as the printer stands now.
    std::string ConfigReply() const;
    // The printer's job table as its SNMP agent shows it: one row per job it was sent.
    std::vector<SnmpJob> JobTable() const;
    bool SnmpRunning() const;
    static std::string Base64(const uint8_t* data, size_t size);

private:
    struct Connection;
    void AcceptLoop();
    void Serve(Connection* c);
    void ServeBacklog(Connection* c);
    size_t ReadSize(size_t want) const;
    size_t Process(Connection* c, const char* data, size_t size);
    void AnswerDeviceId(Connection* c);
    size_t FollowStream(Connection* c, const char* data, size_t size);
    bool HoldsPageData(const Connection* c) const;
    void MeetIncidentWhenDue();
    void ClearIncidentWhenDue();
    void ChangeConditions(unsigned bits);
    void SetConditionsLocked(unsigned bits);
    void SendOwedDeviceStatus(Connection* c);
    uint64_t NowMs() const;
    void TakeLanguageData(Connection* c, const char* data, size_t size);
    void EndLanguageData(Connection* c);
    void EndJob(Connection* c);
    void StopJobForCancel(Connection* c);
    void AskToCancel(bool byHost);
    void HandlePjl(Connection* c, const std::string& line);
    void Reply(Connection* c, const std::string& text);
    std::string StatusReply(const char* kind) const;
    std::string DeviceIdLocked() const;
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
    std::vector<DeviceIdQuery> deviceIdLog_;
    size_t jobsEnded_ = 0;
    size_t jobsCancelled_ = 0;
    size_t hostCancels_ = 0;
    uint32_t pageCount_ = 0;
    int lastJobPages_ = 0;
    size_t open_ = 0;
    bool incidentMet_ = false;
    uint64_t incidentClearAt_ = 0;  // 0: no timer running
    std::vector<SnmpJob> jobTable_;
    std::unique_ptr<SnmpAgent> snmp_;
};

// ORLA data of `pages` empty pages (each: graphics mode, back to page control, page end), as a
// job's language data.
std::string BlankPages(int pages);

}  // namespace printersim
