#include "tools/printer_sim/printer_sim.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string_view>
#include <utility>

#include "outside/portmon/portmon_protocol.h"
#include "tools/job_decoder/job_decoder.h"
#include "tools/printer_sim/status_block_image.h"

namespace printersim {
namespace {

constexpr char kUel[] = "\x1b%-12345X";
constexpr size_t kUelSize = 9;
constexpr size_t kMaxPjlLine = 4096;
constexpr size_t kMaxConnections = 64;

// A job's language data is kept until its end to count its pages; beyond this much the rest is
// printed uncounted.
constexpr size_t kMaxLanguageData = size_t{64} << 20;

using Clock = std::chrono::steady_clock;

// How each condition shows: the status block's code (group, index), the PJL status code and
// the panel text.
struct ConditionLook {
    unsigned bit;
    uint32_t statusCode;
    const char* pjlCode;
    const char* display;
};
constexpr ConditionLook kConditionLooks[] = {
    {kPaperJam, 0x0700, "42000", "PAPER JAM"},  {kCoverOpen, 0x0A00, "40021", "COVER OPEN"},
    {kPaperOut, 0x0B02, "41302", "LOAD PAPER"}, {kOffline, 0x0C00, "10002", "OFFLINE"},
    {kTonerLow, 0x0801, "10006", "TONER LOW"},  {kWarmingUp, 0x0E00, "10003", "WARMING UP"},
};
constexpr char kReadyPjlCode[] = "10001";

const ConditionLook* FirstCondition(unsigned bits) {
    for (const ConditionLook& look : kConditionLooks) {
        if (bits & look.bit) return &look;
    }
    return nullptr;
}

// Tray word of a present tray holding plain A4; the feeder word's current tray is bits 13-15.
constexpr uint32_t kTrayPlainA4 = 0x4000 | (1u << 7) | 2;
constexpr uint32_t kFeedingTray1 = 1u << 13;
constexpr uint32_t kA4SizeIndex = 2;
constexpr int kMaxTrays = 5;

// The status block as the printer stands: its status, conditions and what is fitted.
StatusBlockImage BuildStatusBlock(const Options& o) {
    StatusBlockImage b = StatusBlockImage::Ready();
    const ConditionLook* look = FirstCondition(o.conditions);
    b.SetStatus(look ? look->statusCode : o.statusCode);
    b.bytes[9] = o.memoryUnits;
    if (o.conditions & kPaperJam) b.Set32(38, 1);                             // jammed at the first position
    if (o.conditions & kCoverOpen) b.Set16(10, 0x0020);                       // the front cover open
    if (o.conditions & kPaperOut) b.Set16(34, kFeedingTray1 | kA4SizeIndex);  // tray 1 out of A4
    if (o.conditions & kTonerLow) b.Set16(18, (5u << 8) | 1);                 // toner 5, supplies low
    const int trays = std::clamp(o.installed.trays, 1, kMaxTrays);
    uint32_t fitted = 0;
    for (int i = 0; i < kMaxTrays; ++i) {
        b.Set16(24 + 2 * static_cast<size_t>(i), i < trays ? kTrayPlainA4 : 0);
        if (i >= 2 && i < trays) fitted |= 0x1000u << (i - 1);  // from the third record on: option trays
    }
    if (o.installed.duplexUnit) fitted |= 0x0001;
    if (o.installed.ramDisk) fitted |= 0x0800;
    b.Set16(36, fitted);
    return b;
}

// Which kind of connection its first bytes make it: a job, or a request of its own.
enum class Opening { kUndecided, kJob, kDeviceId, kCancel };

Opening ClassifyOpening(const std::string& head) {
    constexpr size_t kMaxRequestLine = 64;
    const std::string_view idHead = portmon::kDeviceIdRequestHead;
    if (head.compare(0, idHead.size(), idHead) == 0) {
        if (head.find("\r\n") != std::string::npos) return Opening::kDeviceId;
        return head.size() > kMaxRequestLine ? Opening::kJob : Opening::kUndecided;
    }
    bool undecided = head.size() < idHead.size() && idHead.compare(0, head.size(), head) == 0;
    const std::string_view cancel = portmon::kCancelRequest;
    const size_t common = std::min(head.size(), cancel.size());
    if (head.compare(0, common, cancel.substr(0, common)) == 0) {
        if (head.size() >= cancel.size()) return Opening::kCancel;
        undecided = true;
    }
    return undecided ? Opening::kUndecided : Opening::kJob;
}

// The job bytes the port had sent when it asked for the device ID (" SENT=n"), if it said.
size_t SentBeforeQuery(const std::string& head) {
    const size_t at = head.find(portmon::kSentField);
    const size_t end = head.find("\r\n");
    if (at == std::string::npos || at > end) return kUnknownPosition;
    size_t value = 0;
    for (size_t i = at + strlen(portmon::kSentField); i < end; ++i) {
        if (head[i] < '0' || head[i] > '9' || value > kUnknownPosition / 10 - 1) return kUnknownPosition;
        value = value * 10 + static_cast<size_t>(head[i] - '0');
    }
    return value;
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.compare(0, strlen(prefix), prefix) == 0;
}

// NAME="x" (or JCID in a job-attribute line) out of a PJL command.
std::string QuotedAfter(const std::string& line, const char* key) {
    size_t at = line.find(key);
    if (at == std::string::npos) return {};
    at += strlen(key);
    size_t end = line.find('"', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

void SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

}  // namespace

struct Simulator::Connection {
    int fd = -1;
    size_t number = 0;
    std::thread thread;
    std::mutex writeLock;
    bool done = false;
    bool sideRequest = false;  // a device ID query or a cancel request, not a job
    bool decided = false;      // whether this is a job or a request connection is known
    std::string head;          // first bytes until that is known
    bool pjlMode = false;      // after a UEL, reading PJL lines
    std::string pending;       // unfinished PJL line, or the last bytes of data that might begin a UEL
    bool ustatusDevice = false, ustatusJob = false, ustatusPage = false;
    int jobDepth = 0;  // "@PJL JOB" lines not yet ended: a job inside a job belongs to it
    std::string jobName, eojName, outerName;
    int tableRow = -1;  // the job's row in the job table
    size_t jobBytes = 0;
    bool dropped = false;
    std::string language;                       // the language data since the last UEL, for its pages
    int jobPages = 0;                           // pages printed of the job so far
    bool jobCancelled = false;                  // the rest of the job is thrown away
    std::atomic<bool> cancelPending{false};     // a cancel for this connection's thread to carry out
    std::string backlog;                        // bytes read off the line that the printer has not taken yet
    std::atomic<bool> deviceStatusOwed{false};  // the conditions changed: an unasked status reply is due
};

Simulator::Simulator(Options options) : options_(std::move(options)), pageCount_(options_.pageCount) {}

Simulator::~Simulator() {
    Stop();
}

bool Simulator::Start() {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) return false;
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // loopback only
    addr.sin_port = htons(options_.port);
    socklen_t len = sizeof addr;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listenFd_, 16) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    port_ = ntohs(addr.sin_port);
    if (options_.snmpPort) {
        snmp_ = std::make_unique<SnmpAgent>();
        std::string helper = options_.snmpHelper.empty() ? DefaultSnmpHelper() : options_.snmpHelper;
        if (!snmp_->Start(options_.snmpPort, options_.snmpAnswer, helper, SnmpObjects(DeviceId(), {}))) {
            snmp_.reset();
            close(listenFd_);
            listenFd_ = -1;
            return false;
        }
    }
    serving_ = true;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void Simulator::Stop() {
    {
        std::lock_guard<std::mutex> g(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (acceptThread_.joinable()) acceptThread_.join();
    std::vector<Connection*> all;
    {
        std::lock_guard<std::mutex> g(lock_);
        all.swap(connections_);
    }
    for (Connection* c : all) {
        if (c->thread.joinable()) c->thread.join();
        delete c;
    }
    if (listenFd_ >= 0) {
        close(listenFd_);
        listenFd_ = -1;
    }
    if (snmp_) snmp_->Stop();
}

std::vector<SnmpJob> Simulator::JobTable() const {
    std::lock_guard<std::mutex> g(lock_);
    return jobTable_;
}

bool Simulator::WaitForSnmpRequests(size_t count, int ms) const {
    return snmp_ && snmp_->WaitForRequests(count, ms);
}

bool Simulator::SnmpRunning() const {
    return snmp_ && snmp_->Running();
}

void Simulator::BeginTableJob(Connection* c) {
    if (c->jobName.empty()) return;
    {
        std::lock_guard<std::mutex> g(lock_);
        // One row per job: a JOB line after the job's client ID names the same job.
        if (c->tableRow >= 0) return;
        jobTable_.push_back({c->jobName, kSnmpJobPrinting, 0});
        c->tableRow = static_cast<int>(jobTable_.size()) - 1;
    }
    PublishSnmp();
}

void Simulator::FinishTableJob(Connection* c, int state) {
    {
        std::lock_guard<std::mutex> g(lock_);
        if (c->tableRow < 0) return;
        SnmpJob& job = jobTable_[c->tableRow];
        job.state = state;
        job.pages = c->jobPages;
        c->tableRow = -1;
    }
    PublishSnmp();
}

void Simulator::PublishSnmp() {
    if (!snmp_) return;
    std::string id = DeviceId();
    std::vector<SnmpJob> jobs = JobTable();
    snmp_->Publish(SnmpObjects(id, jobs));
}

void Simulator::AcceptLoop() {
    struct Done {
        Simulator* s;
        ~Done() {
            std::lock_guard<std::mutex> g(s->lock_);
            s->serving_ = false;
        }
    } done{this};
    auto lastActivity = Clock::now();
    for (;;) {
        {
            std::lock_guard<std::mutex> g(lock_);
            if (stopping_) return;
            if (open_ > 0) lastActivity = Clock::now();
        }
        if (Clock::now() - lastActivity > std::chrono::milliseconds(options_.idleLimitMs)) return;  // stops by itself
        ClearIncidentWhenDue();
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        lastActivity = Clock::now();
        std::lock_guard<std::mutex> g(lock_);
        // Reap finished connections so a long run keeps a bounded list.
        for (auto it = connections_.begin(); it != connections_.end();) {
            if ((*it)->done) {
                (*it)->thread.join();
                delete *it;
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
        if (connections_.size() >= kMaxConnections) {
            close(fd);
            continue;
        }
        int receiveBuffer = (options_.misbehaviour & kSlowRead) ? 4096 : options_.receiveBuffer;
        if (receiveBuffer > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        auto* c = new Connection;
        c->fd = fd;
        c->number = ++connectionCount_;
        ++open_;
        connections_.push_back(c);
        c->thread = std::thread([this, c] { Serve(c); });
    }
}

void Simulator::Serve(Connection* c) {
    char buffer[65536];
    for (;;) {
        unsigned bits;
        {
            std::lock_guard<std::mutex> g(lock_);
            if (stopping_) break;
            bits = options_.misbehaviour;
        }
        if (c->cancelPending.exchange(false)) StopJobForCancel(c);
        SendOwedDeviceStatus(c);
        if (bits & kStallRead) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (!c->backlog.empty()) {
            // Page data waits for the engine; nothing more is read off the line meanwhile.
            ServeBacklog(c);
            if (c->dropped) break;
            continue;
        }
        pollfd p{c->fd, POLLIN, 0};
        int r = poll(&p, 1, 20);
        if (r < 0) break;
        if (r == 0) continue;
        size_t want = ReadSize((bits & kSlowRead) ? 256 : sizeof buffer);
        ssize_t n = recv(c->fd, buffer, want, 0);
        if (n <= 0) break;
        const size_t taken = Process(c, buffer, static_cast<size_t>(n));
        c->backlog.append(buffer + taken, static_cast<size_t>(n) - taken);
        MeetIncidentWhenDue();
        if (c->dropped) break;
        if (bits & kSlowRead) std::this_thread::sleep_for(std::chrono::milliseconds(options_.slowReadPauseMs));
    }
    {
        std::lock_guard<std::mutex> w(c->writeLock);
        if (c->dropped) {
            linger hard{1, 0};  // a reset, as a printer that drops the line
            setsockopt(c->fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        close(c->fd);
        c->fd = -1;
    }
    EndLanguageData(c);
    FinishTableJob(c, c->jobCancelled ? kSnmpJobCancelled : kSnmpJobFinished);  // a job without EOJ ends here
    std::lock_guard<std::mutex> g(lock_);
    --open_;
    c->done = true;
    changed_.notify_all();
}

// The bytes read but not taken go on once the engine runs again; until then the thread waits
// for a change of conditions (or a cancel, or the end).
void Simulator::ServeBacklog(Connection* c) {
    if (HoldsPageData(c)) {
        std::unique_lock<std::mutex> g(lock_);
        changed_.wait_for(g, std::chrono::milliseconds(20));
        return;
    }
    std::string waiting;
    waiting.swap(c->backlog);
    const size_t taken = Process(c, waiting.data(), waiting.size());
    c->backlog.append(waiting, taken, std::string::npos);
    MeetIncidentWhenDue();
}

// How much one read may take: a printer meets its incident exactly at the byte it names.
size_t Simulator::ReadSize(size_t want) const {
    std::lock_guard<std::mutex> g(lock_);
    const Incident& incident = options_.incident;
    if (!incident.conditions || incidentMet_ || received_.size() >= incident.afterBytes) return want;
    return std::min(want, incident.afterBytes - received_.size());
}

bool Simulator::HoldsPageData(const Connection* c) const {
    if (c->jobCancelled) return false;  // a cancelled job's data is thrown away, not printed
    std::lock_guard<std::mutex> g(lock_);
    return (options_.conditions & kStopsPrinting) != 0;
}

// Once the printer has read the incident's bytes, its conditions are set (and their timer runs).
void Simulator::MeetIncidentWhenDue() {
    {
        std::lock_guard<std::mutex> g(lock_);
        const Incident& incident = options_.incident;
        if (!incident.conditions || incidentMet_ || received_.size() < incident.afterBytes) return;
        // Met and applied under one hold of the lock: whoever sees the incident met sees its
        // conditions too.
        incidentMet_ = true;
        if (incident.clearAfterMs) incidentClearAt_ = std::max<uint64_t>(NowMs() + incident.clearAfterMs, 1);
        SetConditionsLocked(options_.conditions | incident.conditions);
    }
    PublishSnmp();
}

void Simulator::ClearIncidentWhenDue() {
    unsigned bits;
    {
        std::lock_guard<std::mutex> g(lock_);
        if (!incidentClearAt_ || NowMs() < incidentClearAt_) return;
        incidentClearAt_ = 0;
        bits = options_.conditions & ~options_.incident.conditions;
    }
    ChangeConditions(bits);
}

uint64_t Simulator::NowMs() const {
    if (options_.clockMs) return options_.clockMs();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

// On the connection's own thread: a connection that asked for device status hears of the change.
void Simulator::SendOwedDeviceStatus(Connection* c) {
    if (!c->deviceStatusOwed.exchange(false) || !c->ustatusDevice) return;
    Reply(c, StatusReply("USTATUS DEVICE"));
}

// Returns how many of the bytes the printer took; the rest waits (page data while the engine
// stands still).
size_t Simulator::Process(Connection* c, const char* data, size_t size) {
    if (!c->decided) {
        c->head.append(data, size);
        const Opening opening = ClassifyOpening(c->head);
        if (opening == Opening::kUndecided) return size;
        {
            std::lock_guard<std::mutex> g(lock_);  // a cancel looks for job connections
            c->decided = true;
            c->sideRequest = opening != Opening::kJob;
        }
        if (opening == Opening::kDeviceId) {
            AnswerDeviceId(c);
            return size;
        }
        if (opening == Opening::kCancel) {
            {
                std::lock_guard<std::mutex> g(lock_);
                ++hostCancels_;
                changed_.notify_all();
            }
            AskToCancel(true);
            std::lock_guard<std::mutex> w(c->writeLock);
            shutdown(c->fd, SHUT_WR);  // the request was taken
            return size;
        }
        // A job connection: what was held is job data. Of this read's bytes, those past what
        // the printer takes wait; so do the held ones, which come at the end of the head.
        std::string held;
        held.swap(c->head);
        const size_t taken = FollowStream(c, held.data(), held.size());
        const size_t heldBefore = held.size() - size;
        if (taken < heldBefore) c->backlog.assign(held, taken, heldBefore - taken);
        return taken < heldBefore ? 0 : taken - heldBefore;
    }
    if (c->sideRequest) return size;
    return FollowStream(c, data, size);
}

void Simulator::AnswerDeviceId(Connection* c) {
    unsigned bits;
    std::string id;
    {
        std::lock_guard<std::mutex> g(lock_);
        ++deviceIdQueries_;
        deviceIdLog_.push_back({received_.size(), jobsEnded_, lines_.size(), SentBeforeQuery(c->head)});
        bits = options_.misbehaviour;
        id = (bits & kGarbage) ? std::string("\x01\x02garbage-without-end") : DeviceIdLocked();
    }
    if (bits & kSilent) return;
    std::lock_guard<std::mutex> w(c->writeLock);
    SendAll(c->fd, id.data(), id.size());
    shutdown(c->fd, SHUT_WR);
}

// Follows a job connection's stream: PJL lines after a UEL, language data after ENTER LANGUAGE
// (or any data that is no PJL) up to the next UEL. While the engine stands still the printer
// stops at the first byte of page data: what it took is returned, and only that counts as read.
size_t Simulator::FollowStream(Connection* c, const char* data, size_t size) {
    const bool hold = HoldsPageData(c);
    if (!hold) {
        std::lock_guard<std::mutex> g(lock_);
        received_.append(data, size);
        changed_.notify_all();
        if ((options_.misbehaviour & kDropConnection) && received_.size() >= options_.dropAfterBytes) c->dropped = true;
    }
    if (c->dropped) return size;

    std::string text = c->pending;
    text.append(data, size);
    const size_t fromBefore = c->pending.size();  // already counted as read
    c->pending.clear();
    size_t pos = 0;
    size_t stopAt = text.size();
    while (pos < text.size()) {
        if (!c->pjlMode) {
            const size_t rest = std::min(kUelSize, text.size() - pos);
            if (hold && pos >= fromBefore && text.compare(pos, rest, kUel, rest) != 0) {
                stopAt = pos;  // page data: it waits for the engine
                break;
            }
            size_t uel = text.find(kUel, pos, kUelSize);
            if (uel == std::string::npos) {
                // Keep a tail that might be the start of a UEL split across reads.
                size_t keepFrom = text.size();
                for (size_t k = text.size() - std::min(text.size() - pos, kUelSize - 1); k < text.size(); ++k) {
                    if (text.compare(k, text.size() - k, kUel, text.size() - k) == 0) {
                        keepFrom = k;
                        break;
                    }
                }
                TakeLanguageData(c, text.data() + pos, keepFrom - pos);
                c->pending = text.substr(keepFrom);
                break;
            }
            TakeLanguageData(c, text.data() + pos, uel - pos);
            EndLanguageData(c);
            pos = uel + kUelSize;
            c->pjlMode = true;
            continue;
        }
        if (text.compare(pos, std::min(kUelSize, text.size() - pos), kUel, std::min(kUelSize, text.size() - pos)) ==
            0) {
            if (text.size() - pos < kUelSize) {
                c->pending = text.substr(pos);
                break;
            }
            pos += kUelSize;
            continue;
        }
        if (text[pos] == '\r' || text[pos] == '\n') {
            ++pos;
            continue;
        }
        if (text[pos] != '@') {
            c->pjlMode = false;  // data without ENTER LANGUAGE: the printer takes it as its language
            continue;
        }
        size_t lf = text.find('\n', pos);
        if (lf == std::string::npos) {
            if (text.size() - pos > kMaxPjlLine) {
                c->pjlMode = false;
                continue;
            }
            c->pending = text.substr(pos);
            break;
        }
        std::string line = text.substr(pos, lf - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = lf + 1;
        HandlePjl(c, line);
    }
    if (!hold) return size;
    const size_t taken = stopAt - fromBefore;
    std::lock_guard<std::mutex> g(lock_);
    received_.append(data, taken);
    changed_.notify_all();
    return taken;
}

void Simulator::TakeLanguageData(Connection* c, const char* data, size_t size) {
    if (c->jobCancelled) return;  // a cancelled job's data is thrown away
    const size_t room = kMaxLanguageData - std::min(kMaxLanguageData, c->language.size());
    c->language.append(data, std::min(size, room));
}

// The language data ended (a UEL, or the connection): its pages are printed. A page ends with
// CR FF in page-control mode; the decoder knows where binary data hides such bytes.
void Simulator::EndLanguageData(Connection* c) {
    if (c->language.empty()) return;
    orla::jobdecode::DecodeOptions how;
    how.startInOrla = true;
    how.requireComplete = false;
    how.unpackImages = false;
    const orla::jobdecode::DecodeResult decoded = orla::jobdecode::DecodeJob(std::string_view(c->language), how);
    const int pages = static_cast<int>(orla::jobdecode::PageEndCount(decoded));  // pages up to a malformed byte
    std::string().swap(c->language);
    c->jobPages += pages;
    std::lock_guard<std::mutex> g(lock_);
    pageCount_ += static_cast<uint32_t>(pages);
}

std::string Simulator::StatusReply(const char* kind) const {
    std::lock_guard<std::mutex> g(lock_);
    const ConditionLook* look = FirstCondition(options_.conditions);
    return std::string("@PJL ") + kind + "\r\nCODE=" + (look ? look->pjlCode : kReadyPjlCode) + "\r\nDISPLAY=\"" +
           (look ? look->display : options_.displayText.c_str()) +
           "\"\r\nONLINE=" + ((options_.conditions & kOffline) ? "FALSE" : "TRUE") + "\r\n\f";
}

std::string Simulator::ConfigReply() const {
    std::lock_guard<std::mutex> g(lock_);
    const Installed& fitted = options_.installed;
    const int trays = std::clamp(fitted.trays, 1, kMaxTrays);
    std::string reply = "@PJL INFO CONFIG\r\nIN TRAYS [" + std::to_string(trays) + " ENUMERATED]\r\n";
    for (int tray = 1; tray <= trays; ++tray) reply += "INTRAY" + std::to_string(tray) + " TYPE=NORMAL\r\n";
    if (fitted.duplexUnit) reply += "DUPLEX\r\n";
    reply += "OUT TRAYS [1 ENUMERATED]\r\nOUTTRAY1\r\n";
    reply += "MEMORY=" + std::to_string(options_.memoryUnits * 32u) + "MB\r\n";
    if (fitted.ramDisk) reply += "RAMDISK\r\n";
    return reply + "\f";
}

void Simulator::HandlePjl(Connection* c, const std::string& line) {
    {
        std::lock_guard<std::mutex> g(lock_);
        lines_.push_back({c->number, line});
    }
    if (StartsWith(line, "@PJL ENTER LANGUAGE")) {
        c->pjlMode = false;
        bool cancel;
        {
            std::lock_guard<std::mutex> g(lock_);
            cancel = options_.cancelAtData;
        }
        if (cancel && c->jobDepth > 0) StopJobForCancel(c);
    } else if (StartsWith(line, "@PJL USTATUSOFF")) {
        c->ustatusDevice = c->ustatusJob = c->ustatusPage = false;
    } else if (StartsWith(line, "@PJL USTATUS DEVICE=")) {
        c->ustatusDevice = line.find("=OFF") == std::string::npos;
        if (c->ustatusDevice) Reply(c, StatusReply("USTATUS DEVICE"));
    } else if (StartsWith(line, "@PJL USTATUS JOB=")) {
        c->ustatusJob = line.find("=OFF") == std::string::npos;
    } else if (StartsWith(line, "@PJL USTATUS PAGE=")) {
        c->ustatusPage = line.find("=OFF") == std::string::npos;
    } else if (StartsWith(line, "@PJL INFO STATUS")) {
        Reply(c, StatusReply("INFO STATUS"));
    } else if (StartsWith(line, "@PJL INFO PAGECOUNT")) {
        Reply(c, "@PJL INFO PAGECOUNT\r\nPAGECOUNT=" + std::to_string(PageCount()) + "\r\n\f");
    } else if (StartsWith(line, "@PJL INFO CONFIG")) {
        Reply(c, ConfigReply());
    } else if (StartsWith(line, "@PJL SET JOBATTR=\"@JCID=")) {
        c->jobName = QuotedAfter(line, "@JCID=");
        BeginTableJob(c);
    } else if (StartsWith(line, "@PJL JOB")) {
        if (c->jobDepth++ == 0) {
            c->jobPages = 0;
            c->jobCancelled = false;
            c->outerName = QuotedAfter(line, "NAME=\"");
        }
        c->jobName = QuotedAfter(line, "NAME=\"");
        BeginTableJob(c);
        if (c->ustatusJob) Reply(c, "@PJL USTATUS JOB\r\nSTART\r\nNAME=\"" + c->jobName + "\"\r\n\f");
    } else if (StartsWith(line, "@PJL EOJ")) {
        if (c->jobDepth > 1) {
            --c->jobDepth;  // the end of a job inside the job
            std::lock_guard<std::mutex> g(lock_);
            ++jobsEnded_;
            changed_.notify_all();
            return;
        }
        c->eojName = QuotedAfter(line, "NAME=\"");
        EndJob(c);
    }
}

// The outermost "@PJL EOJ": the job's page and end reports carry the pages it printed.
void Simulator::EndJob(Connection* c) {
    const std::string name = c->eojName.empty() ? c->outerName : c->eojName;
    const std::string pages = std::to_string(c->jobPages);
    const bool report = c->jobDepth > 0 && !c->jobCancelled;
    if (report && c->ustatusPage) {
        for (int page = 1; page <= c->jobPages; ++page) {
            Reply(c, "@PJL USTATUS PAGE\r\n" + std::to_string(page) + "\r\n\f");
        }
    }
    if (report && c->ustatusJob) {
        Reply(c, "@PJL USTATUS JOB\r\nEND\r\nNAME=\"" + name + "\"\r\nPAGES=" + pages + "\r\n\f");
    }
    if (report && options_.sendEojReport) {
        Reply(c, "@PJL USTATUS EOJ\r\nEND\r\nNAME=\"" + name + "\"\r\nPAGE=" + pages + "\r\n\f");
    }
    c->jobDepth = 0;
    FinishTableJob(c, c->jobCancelled ? kSnmpJobCancelled : kSnmpJobFinished);
    c->jobCancelled = false;
    std::lock_guard<std::mutex> g(lock_);
    lastJobPages_ = c->jobPages;
    c->jobPages = 0;
    ++jobsEnded_;
    changed_.notify_all();
}

// On the connection's own thread: the job in progress stops here, the rest of its data is
// thrown away, and the cancel is reported.
void Simulator::StopJobForCancel(Connection* c) {
    Reply(c, "@PJL USTATUS JOB\r\nCANCELED=HOST_CALCELED\r\nNAME=\"" + c->jobName + "\"\r\n\f");
    const bool inJob = c->jobDepth > 0 || c->tableRow >= 0 || !c->language.empty();
    if (!inJob || c->jobCancelled) return;
    c->jobCancelled = true;  // until the next job begins
    c->jobDepth = 0;         // the job ended here: what remains of it ends nothing
    std::string().swap(c->language);
    FinishTableJob(c, kSnmpJobCancelled);
    std::lock_guard<std::mutex> g(lock_);
    ++jobsCancelled_;
    changed_.notify_all();
}

// Every job connection stops its job at its next turn.
void Simulator::AskToCancel(bool byHost) {
    std::lock_guard<std::mutex> g(lock_);
    if (byHost && (options_.misbehaviour & kIgnoreCancel)) return;
    for (Connection* c : connections_) {
        if (!c->done && !c->sideRequest && c->decided) c->cancelPending = true;
    }
}

void Simulator::Reply(Connection* c, const std::string& text) {
    unsigned bits;
    {
        std::lock_guard<std::mutex> g(lock_);
        bits = options_.misbehaviour;
    }
    if (bits & kSilent) return;
    std::string out = (bits & kGarbage) ? std::string("\x7f\x01#garbage$%\r\n\x02\x03") : text;
    {
        std::lock_guard<std::mutex> g(lock_);
        replies_ += out;
    }
    std::lock_guard<std::mutex> w(c->writeLock);
    if (c->fd < 0) return;
    if (bits & kSplitReplies) {
        for (size_t i = 0; i < out.size(); i += 3) {
            SendAll(c->fd, out.data() + i, std::min<size_t>(3, out.size() - i));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } else {
        SendAll(c->fd, out.data(), out.size());
    }
}

void Simulator::CancelCurrentJob() {
    AskToCancel(false);
}

void Simulator::AcknowledgeHostCancel() {
    AskToCancel(true);
}

std::string Simulator::Base64(const uint8_t* data, size_t size) {
    return printersim::Base64(data, size);
}

std::string Simulator::DeviceId() const {
    std::lock_guard<std::mutex> g(lock_);
    return DeviceIdLocked();
}

std::string Simulator::DeviceIdLocked() const {
    if (!options_.deviceId.empty()) return options_.deviceId;
    return "MFG:" + options_.manufacturer + ";MDL:" + options_.model +
           ";CMD:ORLA,ZQPS-C;CLS:PRINTER;STS:" + BuildStatusBlock(options_).Text() + ";";
}

std::string Simulator::Received() const {
    std::lock_guard<std::mutex> g(lock_);
    return received_;
}

void Simulator::ClearReceived() {
    std::lock_guard<std::mutex> g(lock_);
    received_.clear();
    lines_.clear();
    replies_.clear();
}

std::vector<PjlLine> Simulator::PjlLines() const {
    std::lock_guard<std::mutex> g(lock_);
    return lines_;
}

std::string Simulator::RepliesSent() const {
    std::lock_guard<std::mutex> g(lock_);
    return replies_;
}

size_t Simulator::Connections() const {
    std::lock_guard<std::mutex> g(lock_);
    return connectionCount_;
}

size_t Simulator::DeviceIdQueries() const {
    std::lock_guard<std::mutex> g(lock_);
    return deviceIdQueries_;
}

std::vector<DeviceIdQuery> Simulator::DeviceIdQueryLog() const {
    std::lock_guard<std::mutex> g(lock_);
    return deviceIdLog_;
}

size_t Simulator::HostCancels() const {
    std::lock_guard<std::mutex> g(lock_);
    return hostCancels_;
}

uint32_t Simulator::PageCount() const {
    std::lock_guard<std::mutex> g(lock_);
    return pageCount_;
}

int Simulator::LastJobPages() const {
    std::lock_guard<std::mutex> g(lock_);
    return lastJobPages_;
}

size_t Simulator::JobsCancelled() const {
    std::lock_guard<std::mutex> g(lock_);
    return jobsCancelled_;
}

size_t Simulator::JobsEnded() const {
    std::lock_guard<std::mutex> g(lock_);
    return jobsEnded_;
}

bool Simulator::Serving() const {
    std::lock_guard<std::mutex> g(lock_);
    return serving_;
}

size_t Simulator::OpenConnections() const {
    std::lock_guard<std::mutex> g(lock_);
    return open_;
}

void Simulator::SetMisbehaviour(unsigned bits) {
    std::lock_guard<std::mutex> g(lock_);
    options_.misbehaviour = bits;
}

void Simulator::SetStatusCode(uint32_t code) {
    {
        std::lock_guard<std::mutex> g(lock_);
        options_.statusCode = code;
    }
    PublishSnmp();  // the device ID's status block over SNMP follows
}

void Simulator::SetConditions(unsigned bits) {
    {
        std::lock_guard<std::mutex> g(lock_);
        incidentClearAt_ = 0;  // the command clears (or sets) them now: no timer overrides it
    }
    ChangeConditions(bits);
}

unsigned Simulator::Conditions() const {
    std::lock_guard<std::mutex> g(lock_);
    return options_.conditions;
}

// Every job connection hears of a change at its next turn; a held job goes on once its
// engine runs.
void Simulator::ChangeConditions(unsigned bits) {
    {
        std::lock_guard<std::mutex> g(lock_);
        SetConditionsLocked(bits);
    }
    PublishSnmp();
}

// With the lock held: the conditions change, and every connection that follows the device status
// is owed a report of it.
void Simulator::SetConditionsLocked(unsigned bits) {
    const bool changed = options_.conditions != bits;
    options_.conditions = bits;
    for (Connection* c : connections_) {
        if (changed && !c->done && !c->sideRequest && c->decided) c->deviceStatusOwed = true;
    }
    changed_.notify_all();
}

void Simulator::SetInstalled(const Installed& installed) {
    {
        std::lock_guard<std::mutex> g(lock_);
        options_.installed = installed;
    }
    PublishSnmp();
}

std::string BlankPages(int pages) {
    std::string data;
    for (int i = 0; i < pages; ++i) data += "\x1cY\x1cZ\r\x0c";
    return data;
}

bool Simulator::WaitForReceived(size_t bytes, int ms) const {
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, std::chrono::milliseconds(ms), [&] { return received_.size() >= bytes; });
}

bool Simulator::WaitForJobsEnded(size_t count, int ms) const {
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, std::chrono::milliseconds(ms), [&] { return jobsEnded_ >= count; });
}

bool Simulator::WaitForJobsCancelled(size_t count, int ms) const {
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, std::chrono::milliseconds(ms), [&] { return jobsCancelled_ >= count; });
}

bool Simulator::WaitForIncident(int ms) const {
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, std::chrono::milliseconds(ms), [&] { return incidentMet_; });
}

bool Simulator::WaitForConnectionsClosed(int ms) const {
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, std::chrono::milliseconds(ms), [&] { return open_ == 0; });
}

}  // namespace printersim
