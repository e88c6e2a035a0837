#include "monitor_fixture.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "monitor/printer_query.h"
#include "plat/control.h"
#include "plat/monitor_host.h"

FakeLowerPort g_lower;
FakeManager g_manager;

namespace {

MonitorTest* g_test = nullptr;
int g_fakeManagerHandle;

BOOL WINAPI FakeOpenPort(HANDLE, LPWSTR, PHANDLE handle) {
    ++g_lower.opens;
    *handle = &g_lower;
    return TRUE;
}
BOOL WINAPI FakeStartDoc(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) {
    if (g_lower.refuseStartDoc) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    ++g_lower.startDocs;
    g_lower.docOpen = TRUE;
    return TRUE;
}
BOOL WINAPI FakeWrite(HANDLE, LPBYTE data, DWORD size, LPDWORD written) {
    ++g_lower.writes;
    *written = 0;
    if (g_lower.failWrites > 0) {
        --g_lower.failWrites;
        SetLastError(g_lower.failError);
        return FALSE;
    }
    if (g_lower.takeNothing) return TRUE;
    DWORD n = g_lower.acceptPerWrite ? std::min(size, g_lower.acceptPerWrite) : size;
    g_lower.written.append(reinterpret_cast<const char*>(data), n);
    *written = n;
    return TRUE;
}
BOOL WINAPI FakeRead(HANDLE, LPBYTE buffer, DWORD size, LPDWORD read) {
    ++g_lower.reads;
    *read = 0;
    if (g_lower.failReads) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    if (g_lower.replies.empty()) return TRUE;  // a read that times out gives 0 bytes
    std::string& piece = g_lower.replies.front();
    DWORD n = std::min<DWORD>(size, static_cast<DWORD>(piece.size()));
    std::memcpy(buffer, piece.data(), n);
    piece.erase(0, n);
    if (piece.empty()) g_lower.replies.pop_front();
    *read = n;
    return TRUE;
}
BOOL WINAPI FakeEndDoc(HANDLE) {
    ++g_lower.endDocs;
    g_lower.docOpen = FALSE;
    if (DWORD error = g_lower.failEndDoc) {
        g_lower.failEndDoc = 0;
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
BOOL WINAPI FakeClose(HANDLE) {
    ++g_lower.closes;
    return TRUE;
}
std::mutex g_deviceIdTicksLock;  // the status threads read the device ID while tests look

void RecordDeviceIdRead() {
    std::lock_guard<std::mutex> g(g_deviceIdTicksLock);
    g_lower.deviceIdTicks.push_back(GetTickCount());
}

// Standard TCP/IP ports read the device ID over SNMP: the scripted printer answers there too
// (tests of the SNMP client itself take this reader away).
DWORD DeviceIdOverSnmp(PortRecord*, char* buffer, DWORD size) {
    RecordDeviceIdRead();
    DWORD n = std::min<DWORD>(size, static_cast<DWORD>(g_lower.deviceId.size()));
    std::memcpy(buffer, g_lower.deviceId.data(), n);
    return n;
}

BOOL WINAPI FakeControl(HANDLE, DWORD control, LPWSTR, LPWSTR in, DWORD inSize, LPWSTR out, DWORD outSize,
                        LPDWORD returned) {
    g_lower.controls.push_back(control);
    *returned = 0;
    auto answer = [&](const void* data, DWORD size) -> BOOL {
        if (!out || outSize < size) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        std::memcpy(out, data, size);
        *returned = size;
        return TRUE;
    };
    switch (control) {
        case IOCTL_PAR_QUERY_DEVICE_ID:
        case IOCTL_USBPRINT_GET_1284_ID: {
            RecordDeviceIdRead();
            if (g_lower.deviceId.empty()) return FALSE;
            std::string id = g_lower.deviceId;
            if (control == IOCTL_USBPRINT_GET_1284_ID) {
                // The USB printing class answer begins with its big-endian length.
                size_t total = id.size() + 2;
                id.insert(0, 1, static_cast<char>(total & 0xFF));
                id.insert(0, 1, static_cast<char>(total >> 8));
            }
            DWORD n = std::min<DWORD>(outSize, static_cast<DWORD>(id.size()));
            std::memcpy(out, id.data(), n);
            *returned = n;
            return TRUE;
        }
        case IOCTL_IEEE1284_GET_MODE:
            return answer(g_lower.modes, sizeof g_lower.modes);
        case IOCTL_PAR_GET_DEVICE_CAPS:
            return answer(&g_lower.caps, sizeof g_lower.caps);
        case IOCTL_IEEE1284_NEGOTIATE: {
            if (!in || inSize < 4) return FALSE;
            WORD want[2];
            std::memcpy(want, in, 4);
            g_lower.negotiated.push_back(want[1]);
            g_lower.modes[0] = want[0];
            g_lower.modes[1] = (want[1] == 0 || (want[1] & g_lower.agreeTo)) ? want[1] : 0;
            return answer(g_lower.modes, sizeof g_lower.modes);
        }
        default:
            return TRUE;
    }
}
BOOL WINAPI FakeTimeouts(HANDLE, LPCOMMTIMEOUTS, DWORD) {
    return TRUE;
}

MONITOR2 g_lowerTable = {sizeof(MONITOR2), nullptr,   FakeOpenPort, nullptr, FakeStartDoc, FakeWrite, FakeRead,
                         FakeEndDoc,       FakeClose, nullptr,      nullptr, nullptr,      nullptr,   FakeControl,
                         FakeTimeouts,     nullptr,   nullptr,      nullptr, nullptr};

LONG WINAPI RegOpen(HANDLE key, LPCWSTR, REGSAM, PHANDLE result, HANDLE) {
    *result = key;
    return ERROR_SUCCESS;
}
LONG WINAPI RegClose(HANDLE, HANDLE) {
    return ERROR_SUCCESS;
}
LONG WINAPI RegQuery(HANDLE, LPCWSTR name, PDWORD type, PBYTE data, PDWORD size, HANDLE) {
    auto it = g_test->monitorValues_.find(name);
    if (it == g_test->monitorValues_.end()) return ERROR_FILE_NOT_FOUND;
    if (*size < 4) return ERROR_MORE_DATA;
    if (type) *type = REG_DWORD;
    std::memcpy(data, &it->second, 4);
    *size = 4;
    return ERROR_SUCCESS;
}

LONG WINAPI MgrUpdate(HANDLE, LPCSTR name, const void* value, DWORD size) {
    g_manager.published[name] = std::string(static_cast<const char*>(value), size);
    ++g_manager.publishCount[name];
    g_manager.order.push_back(name);
    if (std::strcmp(name, "PrintingJobInfo2") == 0)
        g_manager.jobInfoHistory.emplace_back(static_cast<const char*>(value), size);
    if (std::strcmp(name, "JobStatus") == 0 && size == 4) {
        std::memcpy(&g_manager.jobStatus, value, 4);
        g_manager.jobStatusHistory.push_back(g_manager.jobStatus);
    }
    return 0;
}
LONG WINAPI MgrGetA(HANDLE, LPCSTR name, void* buffer, DWORD size, DWORD* returned) {
    if (std::strcmp(name, "PrinterBinConfig") == 0) {
        auto it = g_manager.published.find("PrinterBinConfig");
        if (it == g_manager.published.end()) return -1;
        *returned = static_cast<DWORD>(it->second.size());
        if (size < it->second.size()) return -33;
        std::memcpy(buffer, it->second.data(), it->second.size());
        return 0;
    }
    if (std::strcmp(name, "JobStatus") == 0 && size >= 4) {
        std::memcpy(buffer, &g_manager.jobStatus, 4);
        *returned = 4;
        return 0;
    }
    return -1;
}

}  // namespace

void MonitorTest::SetUp() {
    g_test = this;
    g_lower = FakeLowerPort{};
    g_manager = FakeManager{};
    char pattern[] = "/tmp/orla-monitor-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    PlatSetSandboxRoot(root_.c_str());
    PlatClockSetManual(TRUE);
    PlatClockSetAutoAdvance(TRUE);
    SetSnmpDeviceIdReader(DeviceIdOverSnmp);
    ASSERT_TRUE(MonitorProcessAttach());
    reg_.cbSize = sizeof reg_;
    reg_.fpOpenKey = RegOpen;
    reg_.fpCloseKey = RegClose;
    reg_.fpQueryValue = RegQuery;
    init_.cbSize = sizeof init_;
    init_.hSpooler = reinterpret_cast<HANDLE>(0x5000);
    init_.hckRegistryRoot = reinterpret_cast<HANDLE>(0x6000);
    init_.pMonitorReg = &reg_;
    init_.bLocal = TRUE;
    table_ = InitializePrintMonitor2(&init_, &monitor_);
    ASSERT_NE(table_, nullptr);
    g_monitor.statusThreadsOff = !statusThreads_;
}

void MonitorTest::TearDown() {
    for (HANDLE h : open_) table_->pfnClosePort(h);
    open_.clear();
    if (table_) table_->pfnShutdown(monitor_);
    MonitorProcessDetach();
    SetSnmpDeviceIdReader(nullptr);
    g_monitor.statusThreadsOff = FALSE;
    PlatClockSetAutoAdvance(FALSE);
    PlatClockSetManual(FALSE);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    g_test = nullptr;
}

HANDLE MonitorTest::Open(LPCWSTR portName, LPCWSTR printerName) {
    HANDLE h = nullptr;
    if (!table_->pfnOpenPortEx(monitor_, reinterpret_cast<HANDLE>(0x7000), const_cast<LPWSTR>(portName),
                               const_cast<LPWSTR>(printerName), &h, &g_lowerTable))
        return nullptr;
    open_.push_back(h);
    return h;
}

ManagerClient* MonitorTest::Bind(HANDLE h, LPCWSTR printerName, DWORD optionFlags) {
    PortRecord* port = Port(h);
    auto* c = static_cast<ManagerClient*>(MonAlloc(sizeof(ManagerClient)));
    c->printerName = MonDupW(printerName);
    c->manager = &g_fakeManagerHandle;
    c->UpdatePrinterStatusA = MgrUpdate;
    c->GetPrinterStatusA = MgrGetA;
    c->versionPair[0] = 0;
    c->versionPair[1] = 1;
    c->optionFlags = optionFlags;
    c->next = port->clients;
    port->clients = c;
    return c;
}

BOOL MonitorTest::Start(HANDLE h, DWORD jobId) {
    WCHAR doc[] = u"doc";
    DOC_INFO_1W info{doc, nullptr, nullptr};
    return table_->pfnStartDocPort(h, const_cast<LPWSTR>(u"Halvoric"), jobId, 1, reinterpret_cast<LPBYTE>(&info));
}

BOOL MonitorTest::RunJob(HANDLE h, const std::string& data, DWORD jobId, DWORD* error, int maxCalls) {
    if (!Start(h, jobId)) {
        if (error) *error = GetLastError();
        return FALSE;
    }
    size_t at = 0;
    BOOL ok = TRUE;
    for (int calls = 0; at < data.size() && calls < maxCalls; ++calls) {
        DWORD written = 0;
        ok = table_->pfnWritePort(h, reinterpret_cast<LPBYTE>(const_cast<char*>(data.data() + at)),
                                  static_cast<DWORD>(data.size() - at), &written);
        if (!ok) {
            if (error) *error = GetLastError();
            break;
        }
        at += written;
    }
    table_->pfnEndDocPort(h);
    return ok && at == data.size();
}

void MonitorTest::InstallPrinterWithJob(const char16_t* documentName, HANDLE* printer, DWORD* jobId) {
    PLAT_PRINTER_SETUP setup{u"Halvoric",         u"QEV Halvoric 4400K", u"USB001", u"C:\\d\\Quessa.dll",
                             u"C:\\d\\model.txt", u"C:\\d\\Talvex.dll",  nullptr,   nullptr};
    ASSERT_TRUE(PlatInstallPrinter(&setup));
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"Halvoric"), printer, nullptr));
    std::u16string doc = documentName;
    DOC_INFO_1W info{doc.data(), nullptr, nullptr};
    *jobId = StartDocPrinterW(*printer, 1, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(*jobId, 0u);
}

std::vector<DWORD> DeviceIdTicks() {
    std::lock_guard<std::mutex> g(g_deviceIdTicksLock);
    return g_lower.deviceIdTicks;
}

void ClearDeviceIdTicks() {
    std::lock_guard<std::mutex> g(g_deviceIdTicksLock);
    g_lower.deviceIdTicks.clear();
}
