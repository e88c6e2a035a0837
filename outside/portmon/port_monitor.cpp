// Loopmon.dll: the port monitor below the language monitor. Its ports are loopback TCP
// connections (a local printer cable stand-in: job data and replies on one connection) and
// files below the sandbox. It behaves as a real port monitor does where the language monitor
// relies on it: writes can be short or fail with the system's error codes, ReadPort returns
// 0 bytes when its time-out passes on the platform clock, and a dropped connection fails the
// call and is made again at the next document.
//
// Port configuration, under the monitor's registry key "Ports\<port name>":
//   "Address" (REG_SZ) "127.0.0.1:<port>"  a TCP port (only loopback addresses are accepted)
//   "File"    (REG_SZ) Windows path         a file port (each document is appended)
//   "CloseAtEndDoc" (REG_DWORD) non-zero    the connection ends with each document (raw TCP)
//   "Ecp" (REG_DWORD) non-zero              the cable offers ECP: the IEEE 1284 controls report
//                                           and negotiate its write mode (else compatibility only)
// A port without a key whose name is "127.0.0.1:<port>" is a TCP port to that address.
#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "outside/portmon/portmon_config.h"
#include "outside/portmon/portmon_protocol.h"
#include "plat/control.h"
#include "win/kernel.h"
#include "win/monitor.h"
#include "win/registry.h"

namespace {

constexpr DWORD kWsaConnReset = 10054;
constexpr DWORD kWsaConnRefused = 10061;
constexpr DWORD kDefaultWriteTimeoutMs = 60000;
constexpr DWORD kDefaultReadTimeoutMs = 100;
constexpr DWORD kDeviceIdTimeoutMs = 2000;
constexpr DWORD kCancelTimeoutMs = 2000;
constexpr int kSendBufferBytes = 64 * 1024;
// IEEE 1284 modes (read mask, write mask) and the one this cable may offer beyond compatibility.
constexpr WORD kEcpMode = 0x100;
// IOCTL_PAR_SET_INFORMATION's INIT request: the printer is to drop what it is doing.
constexpr BYTE kParallelInit = 1;
// How long the end of a document waits for the printer to take the last bytes and, on a
// connection per document, to close its side.
constexpr DWORD kEndDocWaitMs = 60000;
// A forgotten manual clock must not hold a port call forever: real time caps every wait.
constexpr auto kRealTimeCap = std::chrono::seconds(120);

struct Port {
    std::mutex lock;  // one spooler call at a time per port
    std::u16string name;
    bool isFile = false;
    std::u16string filePath;
    sockaddr_in address{};
    bool closeAtEndDoc = false;
    bool offersEcp = false;
    std::atomic<uint32_t> modes{0};  // the negotiated read mask (low word) and write mask (high word)
    int fd = -1;
    std::atomic<unsigned long long> sentOnConnection{0};  // job bytes sent on fd since it connected
    HANDLE file = INVALID_HANDLE_VALUE;
    bool docOpen = false;
    ULONGLONG docBytes = 0;  // sent in this document
    std::string afterEnd;    // what the printer sent while its connection was ending
    COMMTIMEOUTS timeouts{0, 0, kDefaultReadTimeoutMs, 0, kDefaultWriteTimeoutMs};
};

struct Monitor {
    MONITORINIT init{};
    MONITORREG reg{};
    bool hasReg = false;
};

std::mutex g_lock;
std::set<Port*> g_ports;  // live handles, so a stale or foreign handle is refused, not used
Monitor g_monitor;
HANDLE g_monitorHandle = reinterpret_cast<HANDLE>(&g_monitor);

Port* Lookup(HANDLE h) {
    std::lock_guard<std::mutex> g(g_lock);
    auto* p = static_cast<Port*>(h);
    if (g_ports.count(p) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return p;
}

bool ParseLoopbackAddress(std::u16string_view text, sockaddr_in* out) {
    size_t colon = text.rfind(u':');
    if (colon == std::u16string_view::npos) return false;
    std::string host;
    for (char16_t c : text.substr(0, colon)) host += static_cast<char>(c);
    unsigned long port = 0;
    std::u16string_view digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return false;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') return false;
        port = port * 10 + (c - u'0');
    }
    if (port == 0 || port > 65535) return false;
    if (host == "localhost") host = "127.0.0.1";
    in_addr a{};
    if (inet_pton(AF_INET, host.c_str(), &a) != 1) return false;
    if ((ntohl(a.s_addr) >> 24) != 127) return false;  // loopback only
    out->sin_family = AF_INET;
    out->sin_addr = a;
    out->sin_port = htons(static_cast<uint16_t>(port));
    return true;
}

std::u16string ReadString(HANDLE key, LPCWSTR value) {
    WCHAR buffer[MAX_PATH] = {};
    DWORD type = 0, size = sizeof(buffer) - sizeof(WCHAR);
    if (g_monitor.reg.fpQueryValue(key, value, &type, reinterpret_cast<PBYTE>(buffer), &size,
                                   g_monitor.init.hSpooler) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    buffer[size / sizeof(WCHAR) < MAX_PATH ? size / sizeof(WCHAR) : MAX_PATH - 1] = 0;
    return buffer;
}

bool ReadDword(HANDLE key, LPCWSTR value, DWORD* out) {
    DWORD type = 0, size = sizeof *out;
    return g_monitor.reg.fpQueryValue(key, value, &type, reinterpret_cast<PBYTE>(out), &size,
                                      g_monitor.init.hSpooler) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

// Reads the port's configuration; FALSE when the port is not one of ours.
bool Configure(Port* p) {
    if (g_monitor.hasReg) {
        std::u16string sub = u"Ports\\" + p->name;
        HANDLE key = nullptr;
        if (g_monitor.reg.fpOpenKey(g_monitor.init.hckRegistryRoot, sub.c_str(), KEY_READ, &key,
                                    g_monitor.init.hSpooler) == ERROR_SUCCESS) {
            std::u16string address = ReadString(key, portmon::kAddressValue);
            std::u16string file = ReadString(key, portmon::kFileValue);
            DWORD value = 0;
            if (ReadDword(key, portmon::kCloseAtEndDocValue, &value)) p->closeAtEndDoc = value != 0;
            if (ReadDword(key, portmon::kEcpValue, &value)) p->offersEcp = value != 0;
            g_monitor.reg.fpCloseKey(key, g_monitor.init.hSpooler);
            if (!file.empty()) {
                p->isFile = true;
                p->filePath = file;
                return true;
            }
            return ParseLoopbackAddress(address, &p->address);
        }
    }
    return ParseLoopbackAddress(p->name, &p->address);
}

bool TimedOut(ULONGLONG deadline, std::chrono::steady_clock::time_point realStart) {
    return GetTickCount64() >= deadline || std::chrono::steady_clock::now() - realStart > kRealTimeCap;
}

// Waits for the socket in short real-time slices until the platform clock passes the deadline.
// 1 ready, 0 time-out, -1 error or hang-up.
int WaitSocket(int fd, short events, DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    auto realStart = std::chrono::steady_clock::now();
    for (;;) {
        pollfd p{fd, events, 0};
        int r = poll(&p, 1, 5);
        if (r > 0) {
            if (p.revents & events) return 1;
            return -1;
        }
        if (r < 0) return -1;
        if (TimedOut(deadline, realStart)) return 0;
    }
}

DWORD ConnectTo(const sockaddr_in& address, int* out, DWORD timeoutMs) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return ERROR_NOT_ENOUGH_MEMORY;
    // A printer cable buffers little: a printer that reads slowly holds the writer back soon.
    int buffer = kSendBufferBytes;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    int r = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (r != 0 && errno != EINPROGRESS) {
        close(fd);
        return kWsaConnRefused;
    }
    if (r != 0) {
        if (WaitSocket(fd, POLLOUT, timeoutMs) != 1) {
            close(fd);
            return ERROR_TIMEOUT;
        }
        int error = 0;
        socklen_t len = sizeof error;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
        if (error != 0) {
            close(fd);
            return kWsaConnRefused;
        }
    }
    *out = fd;
    return ERROR_SUCCESS;
}

void Disconnect(Port* p) {
    if (p->fd >= 0) {
        close(p->fd);
        p->fd = -1;
    }
}

// A kept connection that the printer closed or reset meanwhile is of no use for a new document.
bool ConnectionLost(int fd) {
    pollfd p{fd, POLLIN | POLLRDHUP, 0};
    if (poll(&p, 1, 0) <= 0) return false;
    if (p.revents & (POLLERR | POLLHUP | POLLRDHUP | POLLNVAL)) return true;
    char c;
    return recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

// The serial-port rules of COMMTIMEOUTS, which the spooler's ports follow: MAXDWORD interval
// with zero totals returns at once; MAXDWORD interval and multiplier wait up to the constant for
// the first byte; otherwise multiplier x size + constant (both zero: no total time-out).
DWORD ReadTimeout(const Port* p, DWORD size) {
    const COMMTIMEOUTS& t = p->timeouts;
    if (t.ReadIntervalTimeout == 0xFFFFFFFFu) {
        if (t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) return 0;
        if (t.ReadTotalTimeoutMultiplier == 0xFFFFFFFFu) {
            return t.ReadTotalTimeoutConstant == 0xFFFFFFFFu ? INFINITE - 1 : t.ReadTotalTimeoutConstant;
        }
    }
    ULONGLONG total = static_cast<ULONGLONG>(t.ReadTotalTimeoutMultiplier) * size + t.ReadTotalTimeoutConstant;
    if (total == 0) return INFINITE - 1;  // waits for data (the real-time cap still bounds it)
    return total > 0xFFFFFFF0u ? 0xFFFFFFF0u : static_cast<DWORD>(total);
}

DWORD WriteTimeout(const Port* p, DWORD size) {
    const COMMTIMEOUTS& t = p->timeouts;
    ULONGLONG total = static_cast<ULONGLONG>(t.WriteTotalTimeoutMultiplier) * size + t.WriteTotalTimeoutConstant;
    if (total == 0) total = kDefaultWriteTimeoutMs;
    return total > 0xFFFFFFF0u ? 0xFFFFFFF0u : static_cast<DWORD>(total);
}

// A short request on a blocking connection of its own, sent whole; false when the line broke.
bool SendWhole(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Asks the printer for its IEEE 1284 device ID on a connection of its own.
DWORD QueryDeviceId(const Port* p, std::string* id) {
    int fd = -1;
    DWORD error = ConnectTo(p->address, &fd, kDeviceIdTimeoutMs);
    if (error != ERROR_SUCCESS) return error;
    const std::string line = std::string(portmon::kDeviceIdRequestHead) + portmon::kSentField +
                             std::to_string(p->sentOnConnection.load()) + "\r\n";
    if (!SendWhole(fd, line.data(), line.size())) {
        close(fd);
        return kWsaConnReset;
    }
    char buffer[1024];
    for (;;) {
        if (id->size() > 8192) break;  // a device ID is short; do not read forever
        int w = WaitSocket(fd, POLLIN, kDeviceIdTimeoutMs);
        if (w <= 0) {
            close(fd);
            return id->empty() ? ERROR_TIMEOUT : ERROR_SUCCESS;
        }
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        id->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return id->empty() ? ERROR_NOT_READY : ERROR_SUCCESS;
}

// Passes the host's cancel to the printer on a connection of its own, and waits until the
// printer took it (it closes that connection).
DWORD SendCancelRequest(const Port* p) {
    int fd = -1;
    DWORD error = ConnectTo(p->address, &fd, kCancelTimeoutMs);
    if (error != ERROR_SUCCESS) return error;
    if (!SendWhole(fd, portmon::kCancelRequest, strlen(portmon::kCancelRequest))) {
        close(fd);
        return kWsaConnReset;
    }
    char c;
    int w = WaitSocket(fd, POLLIN, kCancelTimeoutMs);
    ssize_t n = w > 0 ? recv(fd, &c, 1, 0) : -1;
    close(fd);
    if (w == 0) return ERROR_TIMEOUT;
    return n == 0 ? ERROR_SUCCESS : kWsaConnReset;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// Bytes handed to the socket that the printer has not acknowledged yet.
int Unacknowledged(int fd) {
    int queued = 0;
    if (ioctl(fd, SIOCOUTQ, &queued) != 0) return 0;
    return queued;
}

// A kept connection (the cable stand-in) stays open for the printer's replies: the end of a
// document waits until the printer has taken every byte, and fails when it reset or closed the
// line first, for the bytes still on their way are lost. A printer that keeps taking bytes is
// waited for; one that takes nothing for the whole wait fails the document: what it did not
// take may never reach it.
DWORD DrainKeptConnection(Port* p) {
    ULONGLONG deadline = GetTickCount64() + kEndDocWaitMs;
    auto realStart = std::chrono::steady_clock::now();
    int left = Unacknowledged(p->fd);
    for (;;) {
        if (ConnectionLost(p->fd)) return kWsaConnReset;
        int now = Unacknowledged(p->fd);
        if (now == 0) return ERROR_SUCCESS;
        if (now < left) {
            left = now;
            deadline = GetTickCount64() + kEndDocWaitMs;
            realStart = std::chrono::steady_clock::now();
        }
        if (TimedOut(deadline, realStart)) return ERROR_TIMEOUT;
        pollfd w{p->fd, POLLRDHUP, 0};
        poll(&w, 1, 5);
    }
}

// A connection per document ends as a TCP job does: our side shuts down for writing, and the
// printer's close after it has read everything confirms the job. A reset, or no close within
// the wait, is a failed job; what the printer still sent is kept for ReadPort.
DWORD EndConnection(Port* p) {
    if (ConnectionLost(p->fd)) return kWsaConnReset;  // it closed before the job was over
    if (shutdown(p->fd, SHUT_WR) != 0) return kWsaConnReset;
    ULONGLONG deadline = GetTickCount64() + kEndDocWaitMs;
    auto realStart = std::chrono::steady_clock::now();
    char buffer[4096];
    for (;;) {
        ULONGLONG now = GetTickCount64();
        int w = WaitSocket(p->fd, POLLIN, now >= deadline ? 0 : static_cast<DWORD>(deadline - now));
        if (w == 0 || TimedOut(deadline, realStart)) return ERROR_TIMEOUT;
        ssize_t n = recv(p->fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0) return ERROR_SUCCESS;
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return kWsaConnReset;
        }
        if (p->afterEnd.size() < 65536) p->afterEnd.append(buffer, static_cast<size_t>(n));
    }
}

// ---- MONITOR2 functions ----

BOOL WINAPI PmEnumPorts(HANDLE, LPWSTR, DWORD Level, LPBYTE, DWORD, LPDWORD pcbNeeded, LPDWORD pcReturned) {
    // The spooler keeps the port list (EnumPortsW); this monitor lists nothing of its own.
    if (Level != 1 && Level != 2) return Fail(ERROR_INVALID_LEVEL);
    if (pcbNeeded) *pcbNeeded = 0;
    if (pcReturned) *pcReturned = 0;
    return TRUE;
}

BOOL WINAPI PmOpenPort(HANDLE hMonitor, LPWSTR pName, PHANDLE pHandle) {
    if (hMonitor != g_monitorHandle || pName == nullptr || pHandle == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    auto* p = new Port;
    p->name = pName;
    if (!Configure(p)) {
        delete p;
        return Fail(ERROR_UNKNOWN_PORT);
    }
    std::lock_guard<std::mutex> g(g_lock);
    g_ports.insert(p);
    *pHandle = p;
    return TRUE;
}

BOOL WINAPI PmStartDocPort(HANDLE hPort, LPWSTR, DWORD, DWORD Level, LPBYTE pDocInfo) {
    Port* p = Lookup(hPort);
    if (!p) return FALSE;
    if (Level < 1 || Level > 3 || pDocInfo == nullptr) return Fail(ERROR_INVALID_LEVEL);
    std::lock_guard<std::mutex> g(p->lock);
    if (p->docOpen) return Fail(ERROR_BUSY);
    if (p->isFile) {
        HANDLE f = CreateFileW(p->filePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return FALSE;  // CreateFileW's error
        SetFilePointer(f, 0, nullptr, FILE_END);      // documents are appended: nothing is lost
        p->file = f;
    } else {
        if (p->fd >= 0 && ConnectionLost(p->fd)) Disconnect(p);
        if (p->fd < 0) {
            DWORD error = ConnectTo(p->address, &p->fd, WriteTimeout(p, 0));
            if (error != ERROR_SUCCESS) return Fail(error);
            p->sentOnConnection = 0;
        }
    }
    p->docOpen = true;
    p->docBytes = 0;
    return TRUE;
}

BOOL WINAPI PmWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    Port* p = Lookup(hPort);
    if (!p) return FALSE;
    if (pcbWritten == nullptr || (pBuffer == nullptr && cbBuf > 0)) return Fail(ERROR_INVALID_PARAMETER);
    *pcbWritten = 0;
    std::lock_guard<std::mutex> g(p->lock);
    if (!p->docOpen) return Fail(ERROR_NOT_READY);
    DWORD injected = 0, bytesShort = 0;
    if (PlatTakeInjectedFailure("WritePort", &injected, &bytesShort)) {
        if (injected != 0) return Fail(injected);
        cbBuf = bytesShort >= cbBuf ? 0 : cbBuf - bytesShort;
        if (cbBuf == 0) return TRUE;  // a write that took nothing (the printer is busy)
    }
    if (p->isFile) return WriteFile(p->file, pBuffer, cbBuf, pcbWritten, nullptr);
    if (p->fd < 0) {
        // Nothing of this document went out yet: a new connection loses nothing.
        if (p->docBytes != 0 || ConnectTo(p->address, &p->fd, WriteTimeout(p, 0)) != ERROR_SUCCESS) {
            return Fail(kWsaConnReset);
        }
        p->sentOnConnection = 0;
    }
    if (cbBuf == 0) return TRUE;
    if (ConnectionLost(p->fd)) {
        // The printer closed the line in the middle of the job: what it did not read is lost.
        Disconnect(p);
        return Fail(kWsaConnReset);
    }
    // Whatever fits goes at once; wait (up to the write time-out) only while nothing fits.
    int w = WaitSocket(p->fd, POLLOUT, WriteTimeout(p, cbBuf));
    if (w == 0) return Fail(ERROR_TIMEOUT);
    ssize_t n = w > 0 ? send(p->fd, pBuffer, cbBuf, MSG_NOSIGNAL | MSG_DONTWAIT) : -1;
    if (n < 0) {
        Disconnect(p);  // the next document connects again
        return Fail(kWsaConnReset);
    }
    *pcbWritten = static_cast<DWORD>(n);
    p->docBytes += static_cast<ULONGLONG>(n);
    p->sentOnConnection += static_cast<unsigned long long>(n);
    return TRUE;
}

BOOL WINAPI PmReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    Port* p = Lookup(hPort);
    if (!p) return FALSE;
    if (pcbRead == nullptr || (pBuffer == nullptr && cbBuffer > 0)) return Fail(ERROR_INVALID_PARAMETER);
    *pcbRead = 0;
    std::lock_guard<std::mutex> g(p->lock);
    if (p->isFile) return Fail(ERROR_INVALID_FUNCTION);  // a file gives nothing back
    if (!p->afterEnd.empty() && cbBuffer > 0) {
        DWORD n = static_cast<DWORD>(std::min<size_t>(cbBuffer, p->afterEnd.size()));
        memcpy(pBuffer, p->afterEnd.data(), n);
        p->afterEnd.erase(0, n);
        *pcbRead = n;
        return TRUE;
    }
    if (p->fd < 0) return Fail(ERROR_NOT_READY);
    if (cbBuffer == 0) return TRUE;
    int w = WaitSocket(p->fd, POLLIN, ReadTimeout(p, cbBuffer));
    if (w == 0) return TRUE;  // the time-out: 0 bytes
    ssize_t n = w > 0 ? recv(p->fd, pBuffer, cbBuffer, MSG_DONTWAIT) : -1;
    if (n == 0) {
        Disconnect(p);  // the printer closed the line: nothing more will come on it
        return TRUE;
    }
    if (n < 0) {
        Disconnect(p);
        return Fail(kWsaConnReset);
    }
    *pcbRead = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WINAPI PmEndDocPort(HANDLE hPort) {
    Port* p = Lookup(hPort);
    if (!p) return FALSE;
    std::lock_guard<std::mutex> g(p->lock);
    if (!p->docOpen) return Fail(ERROR_NOT_READY);
    p->docOpen = false;
    if (p->isFile) {
        CloseHandle(p->file);
        p->file = INVALID_HANDLE_VALUE;
        return TRUE;
    }
    if (p->fd < 0) return p->docBytes == 0 ? TRUE : Fail(kWsaConnReset);  // dropped during the document
    DWORD error = p->closeAtEndDoc ? EndConnection(p) : DrainKeptConnection(p);
    if (p->closeAtEndDoc || error != ERROR_SUCCESS) Disconnect(p);
    if (error != ERROR_SUCCESS) return Fail(error);
    return TRUE;
}

BOOL WINAPI PmClosePort(HANDLE hPort) {
    Port* p = Lookup(hPort);
    if (!p) return FALSE;
    {
        std::lock_guard<std::mutex> g(g_lock);
        g_ports.erase(p);
    }
    {
        std::lock_guard<std::mutex> g(p->lock);  // a call still inside ends first
        if (p->file != INVALID_HANDLE_VALUE) CloseHandle(p->file);
        Disconnect(p);
    }
    delete p;
    return TRUE;
}

BOOL WINAPI PmGetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR, LPWSTR lpInBuffer, DWORD cbInBuffer,
                                     LPWSTR lpOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbReturned) {
    Port* p = Lookup(hPort);
    if (!p) return FALSE;
    if (lpcbReturned) *lpcbReturned = 0;
    if (ControlID == 0) return Fail(ERROR_NOT_SUPPORTED);
    if (p->isFile) return Fail(ERROR_INVALID_FUNCTION);
    auto* out = reinterpret_cast<BYTE*>(lpOutBuffer);
    auto answer = [&](const void* data, DWORD size) -> BOOL {
        if (out == nullptr || cbOutBuffer < size) return Fail(ERROR_INSUFFICIENT_BUFFER);
        memcpy(out, data, size);
        if (lpcbReturned) *lpcbReturned = size;
        return TRUE;
    };
    switch (ControlID) {
        case IOCTL_PAR_QUERY_DEVICE_ID:
        case IOCTL_USBPRINT_GET_1284_ID: {
            std::string id;
            DWORD error = QueryDeviceId(p, &id);
            if (error != ERROR_SUCCESS) return Fail(error);
            if (ControlID == IOCTL_USBPRINT_GET_1284_ID) {
                size_t total = id.size() + 2;  // big-endian length prefix counts itself
                if (total > 0xFFFF) return Fail(ERROR_INVALID_DATA);
                id.insert(0, 1, static_cast<char>(total & 0xFF));
                id.insert(0, 1, static_cast<char>(total >> 8));
                return answer(id.data(), static_cast<DWORD>(id.size()));
            }
            // The parallel form ends with a NUL that is not counted.
            if (out == nullptr || cbOutBuffer < id.size() + 1) return Fail(ERROR_INSUFFICIENT_BUFFER);
            memcpy(out, id.data(), id.size());
            out[id.size()] = 0;
            if (lpcbReturned) *lpcbReturned = static_cast<DWORD>(id.size());
            return TRUE;
        }
        case IOCTL_IEEE1284_GET_MODE: {
            const uint32_t now = p->modes.load();
            const WORD modes[2] = {static_cast<WORD>(now), static_cast<WORD>(now >> 16)};
            return answer(modes, sizeof modes);
        }
        case IOCTL_PAR_GET_DEVICE_CAPS: {
            const WORD caps = p->offersEcp ? kEcpMode : 0;
            return answer(&caps, sizeof caps);
        }
        case IOCTL_IEEE1284_NEGOTIATE: {
            if (lpInBuffer == nullptr || cbInBuffer < 4) return Fail(ERROR_INVALID_PARAMETER);
            WORD modes[2];
            memcpy(modes, lpInBuffer, sizeof modes);
            // Only the write mode ECP can be had beyond compatibility mode, and only where offered.
            if (!p->offersEcp || modes[1] != kEcpMode) modes[1] = 0;
            p->modes.store(modes[0] | (static_cast<uint32_t>(modes[1]) << 16));
            return answer(modes, sizeof modes);
        }
        case IOCTL_PAR_SET_INFORMATION: {
            if (lpInBuffer == nullptr || cbInBuffer < 1) return Fail(ERROR_INVALID_PARAMETER);
            if (reinterpret_cast<const BYTE*>(lpInBuffer)[0] != kParallelInit) return TRUE;
            DWORD error = SendCancelRequest(p);
            return error == ERROR_SUCCESS ? TRUE : Fail(error);
        }
        case IOCTL_PAR_QUERY_INFORMATION: {
            const BYTE status = 0x10;  // selected, no error
            return answer(&status, 1);
        }
        default:
            return Fail(ERROR_INVALID_PARAMETER);
    }
}

BOOL WINAPI PmSetPortTimeOuts(HANDLE hPort, LPCOMMTIMEOUTS lpCTO, DWORD) {
    Port* p = Lookup(hPort);
    if (!p) return FALSE;
    if (lpCTO == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> g(p->lock);
    p->timeouts = *lpCTO;
    return TRUE;
}

void WINAPI PmShutdown(HANDLE) {}

MONITOR2 g_table = {
    sizeof(MONITOR2),  PmEnumPorts, PmOpenPort,
    nullptr,  // OpenPortEx: only language monitors have it
    PmStartDocPort,    PmWritePort, PmReadPort, PmEndDocPort, PmClosePort,
    nullptr,           nullptr,     nullptr,    nullptr,      PmGetPrinterDataFromPort,
    PmSetPortTimeOuts, nullptr,     nullptr,    nullptr,      PmShutdown,
};

}  // namespace

DLLEXPORT LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT pMonitorInit, PHANDLE phMonitor) {
    if (pMonitorInit == nullptr || phMonitor == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    g_monitor.init = *pMonitorInit;
    g_monitor.hasReg = pMonitorInit->pMonitorReg != nullptr && pMonitorInit->pMonitorReg->fpOpenKey != nullptr &&
                       pMonitorInit->pMonitorReg->fpQueryValue != nullptr &&
                       pMonitorInit->pMonitorReg->fpCloseKey != nullptr;
    if (g_monitor.hasReg) g_monitor.reg = *pMonitorInit->pMonitorReg;
    *phMonitor = g_monitorHandle;
    return &g_table;
}
