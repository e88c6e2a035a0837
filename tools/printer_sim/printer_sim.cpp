#include "tools/printer_sim/printer_sim.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "outside/portmon/portmon_protocol.h"
#include "tools/printer_sim/status_block_image.h"

namespace printersim {
namespace {

constexpr char kUel[] = "\x1b%-12345X";
constexpr size_t kUelSize = 9;
constexpr size_t kMaxPjlLine = 4096;
constexpr size_t kMaxConnections = 64;

using Clock = std::chrono::steady_clock;

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
    bool deviceIdQuery = false;
    bool decided = false;  // whether this is a job or a device-ID connection is known
    std::string head;      // first bytes until that is known
    bool pjlMode = false;  // after a UEL, reading PJL lines
    std::string pending;   // unfinished PJL line, or the last bytes of data that might begin a UEL
    bool ustatusDevice = false, ustatusJob = false, ustatusPage = false;
    bool jobOpen = false;
    std::string jobName, eojName;
    int tableRow = -1;  // the job's row in the job table
    size_t jobBytes = 0;
    bool dropped = false;
};

Simulator::Simulator(Options options) : options_(std::move(options)) {}

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
    }    if (snmp_) snmp_->Stop();
}

std::vector<SnmpJob> Simulator::JobTable() const {
    std::lock_guard<std::mutex> g(lock_);
    return jobTable_;
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
        job.pages = options_.pagesPerJob;
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
        if (options_.misbehaviour & kSlowRead) {
            int small = 4096;
            setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        }
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
        if (bits & kStallRead) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd p{c->fd, POLLIN, 0};
        int r = poll(&p, 1, 20);
        if (r < 0) break;
        if (r == 0) continue;
        size_t want = (bits & kSlowRead) ? 256 : sizeof buffer;
        ssize_t n = recv(c->fd, buffer, want, 0);
        if (n <= 0) break;
        Process(c, buffer, static_cast<size_t>(n));
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
    FinishTableJob(c, kSnmpJobFinished);  // a job without EOJ ends with its connection
    std::lock_guard<std::mutex> g(lock_);
    --open_;
    c->done = true;
    changed_.notify_all();
}

void Simulator::Process(Connection* c, const char* data, size_t size) {
    if (!c->decided) {
        c->head.append(data, size);
        const size_t need = strlen(portmon::kDeviceIdRequest);
        size_t common = std::min(c->head.size(), need);
        if (c->head.compare(0, common, portmon::kDeviceIdRequest, common) != 0) {
            c->decided = true;  // a job connection; what was held is job data
        } else if (c->head.size() >= need) {
            c->decided = true;
            c->deviceIdQuery = true;
        } else {
            return;  // not yet known
        }
        std::string held;
        held.swap(c->head);
        if (c->deviceIdQuery) {
            unsigned bits;
            {
                std::lock_guard<std::mutex> g(lock_);
                ++deviceIdQueries_;
                bits = options_.misbehaviour;
            }
            if (bits & kSilent) return;
            std::string id = (bits & kGarbage) ? std::string("\x01\x02garbage-without-end") : DeviceId();
            std::lock_guard<std::mutex> w(c->writeLock);
            SendAll(c->fd, id.data(), id.size());
            shutdown(c->fd, SHUT_WR);
            return;
        }
        Process(c, held.data(), held.size());
        return;
    }
    if (c->deviceIdQuery) return;

    {
        std::lock_guard<std::mutex> g(lock_);
        received_.append(data, size);
        changed_.notify_all();
        if ((options_.misbehaviour & kDropConnection) && received_.size() >= options_.dropAfterBytes) c->dropped = true;
    }
    if (c->dropped) return;

    // Follow the stream: PJL lines after a UEL, language data after ENTER LANGUAGE.
    std::string text = c->pending;
    text.append(data, size);
    c->pending.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        if (!c->pjlMode) {
            size_t uel = text.find(kUel, pos, kUelSize);
            if (uel == std::string::npos) {
                // Keep a tail that might be the start of a UEL split across reads.
                size_t keep = std::min(text.size() - pos, kUelSize - 1);
                size_t tailStart = text.size() - keep;
                for (size_t k = tailStart; k < text.size(); ++k) {
                    if (text.compare(k, text.size() - k, kUel, text.size() - k) == 0) {
                        c->pending = text.substr(k);
                        break;
                    }
                }
                return;
            }
            pos = uel + kUelSize;
            c->pjlMode = true;
            continue;
        }
        if (text.compare(pos, std::min(kUelSize, text.size() - pos), kUel, std::min(kUelSize, text.size() - pos)) ==
            0) {
            if (text.size() - pos < kUelSize) {
                c->pending = text.substr(pos);
                return;
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
            return;
        }
        std::string line = text.substr(pos, lf - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = lf + 1;
        HandlePjl(c, line);
    }
}

std::string Simulator::StatusReply(const char* kind) const {
    return std::string("@PJL ") + kind + "\r\nCODE=10001\r\nDISPLAY=\"" + options_.displayText +
           "\"\r\nONLINE=TRUE\r\n\f";
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
        if (cancel && c->jobOpen) {
            Reply(c, "@PJL USTATUS JOB\r\nCANCELED=HOST_CALCELED\r\nNAME=\"" + c->jobName + "\"\r\n\f");
            std::lock_guard<std::mutex> g(lock_);
            ++jobsCancelled_;
        }
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
        Reply(c, "@PJL INFO PAGECOUNT\r\nPAGECOUNT=1234\r\n\f");
    } else if (StartsWith(line, "@PJL SET JOBATTR=\"@JCID=")) {
        c->jobName = QuotedAfter(line, "@JCID=");
        BeginTableJob(c);
    } else if (StartsWith(line, "@PJL JOB")) {
        c->jobOpen = true;
        c->jobName = QuotedAfter(line, "NAME=\"");
        c->eojName.clear();
        BeginTableJob(c);
        if (c->ustatusJob) Reply(c, "@PJL USTATUS JOB\r\nSTART\r\nNAME=\"" + c->jobName + "\"\r\n\f");
    } else if (StartsWith(line, "@PJL EOJ")) {
        c->eojName = QuotedAfter(line, "NAME=\"");
        std::string name = c->eojName.empty() ? c->jobName : c->eojName;
        if (c->jobOpen && c->ustatusPage) {
            for (int page = 1; page <= options_.pagesPerJob; ++page) {
                Reply(c, "@PJL USTATUS PAGE\r\n" + std::to_string(page) + "\r\n\f");
            }
        }
        if (c->jobOpen && c->ustatusJob) {
            Reply(c, "@PJL USTATUS JOB\r\nEND\r\nNAME=\"" + name +
                         "\"\r\nPAGES=" + std::to_string(options_.pagesPerJob) + "\r\n\f");
        }
        if (c->jobOpen && options_.sendEojReport) {
            Reply(c, "@PJL USTATUS EOJ\r\nEND\r\nNAME=\"" + name +
                         "\"\r\nPAGE=" + std::to_string(options_.pagesPerJob) + "\r\n\f");
        }
        c->jobOpen = false;
        FinishTableJob(c, kSnmpJobFinished);
        std::lock_guard<std::mutex> g(lock_);
        ++jobsEnded_;
        changed_.notify_all();
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
    std::vector<Connection*> open;
    {
        std::lock_guard<std::mutex> g(lock_);
        for (Connection* c : connections_) {
            if (!c->done && !c->deviceIdQuery && c->decided) open.push_back(c);
        }
    }
    for (Connection* c : open) {
        Reply(c, "@PJL USTATUS JOB\r\nCANCELED=HOST_CALCELED\r\nNAME=\"" + c->jobName + "\"\r\n\f");
    }
}

void Simulator::AcknowledgeHostCancel() {
    {
        std::lock_guard<std::mutex> g(lock_);
        if (options_.misbehaviour & kIgnoreCancel) return;
    }
    CancelCurrentJob();
}

std::string Simulator::Base64(const uint8_t* data, size_t size) {
    return printersim::Base64(data, size);
}

std::string Simulator::DeviceId() const {
    std::lock_guard<std::mutex> g(lock_);
    if (!options_.deviceId.empty()) return options_.deviceId;
    StatusBlockImage block = StatusBlockImage::Ready();
    block.SetStatus(options_.statusCode);
    block.bytes[9] = options_.memoryUnits;
    return "MFG:" + options_.manufacturer + ";MDL:" + options_.model +
           ";CMD:ORLA,ZQPS-C;CLS:PRINTER;STS:" + block.Text() + ";";
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

bool Simulator::WaitForReceived(size_t bytes, int ms) const {
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, std::chrono::milliseconds(ms), [&] { return received_.size() >= bytes; });
}

bool Simulator::WaitForJobsEnded(size_t count, int ms) const {
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, std::chrono::milliseconds(ms), [&] { return jobsEnded_ >= count; });
}

bool Simulator::WaitForConnectionsClosed(int ms) const {
    std::unique_lock<std::mutex> g(lock_);
    return changed_.wait_for(g, std::chrono::milliseconds(ms), [&] { return open_ == 0; });
}

}  // namespace printersim
