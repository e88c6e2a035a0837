#include <cstring>
#include <iterator>

#include "monitor/job_records.h"
#include "monitor/service_link.h"
#include "monitor/status_variables.h"
#include "monitor_fixture.h"
#include "plat/monitor_host.h"
#include "plat/threads.h"
#include "tray_records.h"

namespace plat {
size_t HandleCount();  // every live kernel object handle of the platform
}

namespace {

class PortRecordTest : public MonitorTest {};

TEST_F(PortRecordTest, InitialisationChecksItsBlock) {
    HANDLE handle = nullptr;
    MONITORINIT bad = init_;
    bad.pMonitorReg = nullptr;
    SetLastError(0);
    EXPECT_EQ(InitializePrintMonitor2(&bad, &handle), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(table_->pfnOpenPort, nullptr);
    EXPECT_NE(table_->pfnOpenPortEx, nullptr);
    EXPECT_NE(table_->pfnGetPrinterDataFromPort, nullptr);
    EXPECT_EQ(table_->pfnXcvOpenPort, nullptr);
}

TEST_F(PortRecordTest, RecordsComeFromThePrivateHeap) {
    HANDLE h = Open(u"LPT1");
    ASSERT_NE(h, nullptr);
    PortRecord* port = Port(h);
    EXPECT_EQ(port->signature, kPortSignature);
    EXPECT_EQ(HeapSize(g_monitor.heap, 0, port), static_cast<SIZE_T>(port->blockSize));
    EXPECT_EQ(port->blockSize, static_cast<LONG>(sizeof(PortRecord) + 2 * (4 + 1)));
    EXPECT_EQ(std::u16string(port->portName), u"LPT1");
    EXPECT_NE(HeapSize(g_monitor.heap, 0, port->variables), static_cast<SIZE_T>(-1));
}

TEST_F(PortRecordTest, ClosedRecordIsUnlinkedAndItsHandleIsDead) {
    HANDLE a = Open(u"LPT1");
    HANDLE b = Open(u"LPT2");
    HANDLE c = Open(u"USB001");
    ASSERT_TRUE(a && b && c);
    EXPECT_TRUE(table_->pfnClosePort(b));
    open_.erase(open_.begin() + 1);
    EXPECT_EQ(CountOpenPorts(), 2u);
    EXPECT_EQ(FindPortByName(u"LPT2"), nullptr);
    EXPECT_EQ(FindPortByName(u"USB001"), c);  // the list still reaches the port behind it
    // The stale handle is no port any more: calls on it fail or do nothing, never touch freed memory.
    DWORD written = 0;
    EXPECT_FALSE(table_->pfnWritePort(b, reinterpret_cast<LPBYTE>(const_cast<char*>("x")), 1, &written));
    EXPECT_TRUE(table_->pfnClosePort(b));
    EXPECT_EQ(g_lower.closes, 1);
    HANDLE again = Open(u"LPT2");
    EXPECT_NE(again, nullptr);
    EXPECT_TRUE(RunJob(c, "still works"));
}

TEST_F(PortRecordTest, RecordInUseOutlivesClosePort) {
    HANDLE h = Open(u"LPT1");
    PortRecord* held = AcquirePort(h);  // another thread still works on the record
    ASSERT_EQ(held, h);
    EXPECT_TRUE(table_->pfnClosePort(h));
    open_.clear();
    EXPECT_EQ(held->signature, kPortSignature);  // not freed while referenced
    EXPECT_EQ(AcquirePort(h), nullptr);          // but no new user can find it
    ReleasePort(held);                           // the last reference frees it
}

TEST_F(PortRecordTest, CloseLeavesNoThreadAndCountsSockets) {
    DWORD threads = PlatRunningThreadCount();
    LONG sockets = PlatSocketLibraryUsers();
    size_t handles = plat::HandleCount();
    HANDLE h = Open(u"USB001");
    EXPECT_EQ(PlatSocketLibraryUsers(), sockets + 1);
    Bind(h);
    g_lower.deviceId = kOwnDeviceId;
    EXPECT_TRUE(RunJob(h, "data"));
    EXPECT_TRUE(table_->pfnClosePort(h));
    open_.clear();
    EXPECT_EQ(PlatSocketLibraryUsers(), sockets);
    EXPECT_TRUE(PlatWaitForThreadsToEnd(2000));
    EXPECT_EQ(PlatRunningThreadCount(), threads);
    EXPECT_EQ(plat::HandleCount(), handles);  // mutexes, events and the lower port all gone
    DWORD status = 0, severity = 0, updates = 0;
    EXPECT_TRUE(PlatGetPortStatus(u"USB001", &status, &severity, &updates) || updates == 0);
}

struct QueryCase {
    const char16_t* name;
    DWORD size;
    BOOL result;
    DWORD error;
    DWORD value;
};

TEST_F(PortRecordTest, PortQueriesByName) {
    HANDLE h = Open(u"LPT1");
    const QueryCase cases[] = {
        {u"IsWakeup", 4, FALSE, ERROR_INVALID_PARAMETER, 330},
        {u"IsWakeup", 2, FALSE, ERROR_INSUFFICIENT_BUFFER, 0},
        {u"Stop Polling", 4, FALSE, ERROR_INVALID_PARAMETER, static_cast<DWORD>(-19)},
        {u"Wake Up", 4, FALSE, ERROR_INVALID_PARAMETER, 0},
        {u"Wake Up", 4, FALSE, ERROR_INVALID_PARAMETER, static_cast<DWORD>(-19)},
        {u"Stop Polling", 4, FALSE, ERROR_INVALID_PARAMETER, 0},
        {u"Suspend", 4, FALSE, ERROR_INVALID_PARAMETER, 0},
        {u"Nonsense", 4, FALSE, ERROR_INVALID_PARAMETER, 0},
    };
    for (const QueryCase& c : cases) {
        DWORD out[2] = {0, 0};
        DWORD returned = 0;
        SetLastError(0);
        BOOL ok = table_->pfnGetPrinterDataFromPort(h, 0, const_cast<LPWSTR>(c.name), nullptr, 0,
                                                    reinterpret_cast<LPWSTR>(out), c.size, &returned);
        EXPECT_EQ(ok, c.result);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(out[0], c.value);
    }
}

TEST_F(PortRecordTest, ServiceTableIsReadOnlyInsideTheView) {
    // count claims far more entries than the view holds
    BYTE view[8 + 2 * 8] = {};
    DWORD inUse = 1, count = 1000000, first = 5, second = 6;
    std::memcpy(view, &inUse, 4);
    std::memcpy(view + 4, &count, 4);
    std::memcpy(view + 8, &first, 4);
    std::memcpy(view + 16, &second, 4);
    auto* heapView = static_cast<BYTE*>(std::malloc(sizeof view));
    std::memcpy(heapView, view, sizeof view);
    EXPECT_TRUE(JobInServiceTable(heapView, sizeof view, 6));
    EXPECT_FALSE(JobInServiceTable(heapView, sizeof view, 7));
    EXPECT_FALSE(JobInServiceTable(heapView, 4, 5));
    std::memset(heapView, 0, 4);  // not in use
    EXPECT_FALSE(JobInServiceTable(heapView, sizeof view, 5));
    std::free(heapView);
}

TEST_F(PortRecordTest, StatusVariablesStoreAndPublish) {
    HANDLE h = Open(u"USB001");
    PortRecord* port = Port(h);
    Bind(h);
    port->versionPair[1] = 1;
    EXPECT_EQ(TemplateRowCount(), 46u);
    StatusVariable* bins = FindVariable("PrinterBinConfig", port->variables, port);
    ASSERT_NE(bins, nullptr);
    StatusVariable* options = FindVariable("PrinterOptConfig", port->variables, port);
    EXPECT_EQ(VariableSize(options), -1);  // counted and still without a value: no size
    EXPECT_EQ(GetVariable("PrinterOptConfig", port->variables, port, TRUE), nullptr);
    // A counted value must match its own count.
    BYTE wrong[4 + 8] = {};
    DWORD two = 2;
    std::memcpy(wrong, &two, 4);
    EXPECT_EQ(StoreVariableValue(options, wrong, sizeof wrong, FALSE), -1);
    // Version-masked rows exist only for a matching model.
    port->versionPair[1] = 0;
    EXPECT_EQ(FindVariable("PanelLanguage", port->variables, port), nullptr);
    port->versionPair[1] = 1;
    EXPECT_NE(FindVariable("PanelLanguage", port->variables, port), nullptr);
    // Another model: PrinterStatus goes out as {0, 0x200, 0}; type-9 variables not at all.
    port->versionPair[1] = 0;
    const DWORD status[3] = {0, 0x20, 0x40000};  // no bit of 0x1F00
    SetPrinterStatusValue(port, status);
    SetDwordVariable(port, "PrinterMemory", 64);
    PublishDirtyVariables(port);
    std::string published = g_manager.published["PrinterStatus"];
    ASSERT_EQ(published.size(), 12u);
    DWORD got[3];
    std::memcpy(got, published.data(), 12);
    EXPECT_EQ(got[1], 0x200u);
    EXPECT_EQ(g_manager.publishCount["PrinterMemory"], 0);
}

TEST_F(PortRecordTest, PortStatusFollowsTheMapAndSkipsWhenBusy) {
    HANDLE h = Open(u"USB001");
    PortRecord* port = Port(h);
    ManagerClient* client = Bind(h);
    ASSERT_TRUE(PlatAddPort(u"USB001", u"Loopback Port", u"test", PORT_TYPE_WRITE | PORT_TYPE_READ));
    port->versionPair[1] = 1;
    const DWORD jam[3] = {0, 0x800, 0x40000};  // row 11: paper problem, error
    SetPrinterStatusValue(port, jam);
    ASSERT_TRUE(PublishPortStatusForClient(port, client));
    DWORD status = 0, severity = 0, updates = 0;
    ASSERT_TRUE(PlatGetPortStatus(u"USB001", &status, &severity, &updates));
    EXPECT_EQ(status, 5u);
    EXPECT_EQ(severity, 1u);
    HANDLE other = CreateMutexW(nullptr, TRUE, u"QPJLMON:OpenPrinterMutex");
    ASSERT_NE(other, nullptr);
    DWORD done = 0;
    std::pair<PortRecord*, ManagerClient*> args(port, client);
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* args = static_cast<std::pair<PortRecord*, ManagerClient*>*>(p);
            return PublishPortStatusForClient(args->first, args->second) ? 1 : 0;
        },
        &args, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    GetExitCodeThread(thread, &done);
    CloseHandle(thread);
    EXPECT_EQ(done, 0u);  // another holder of the mutex: the update is skipped
    ReleaseMutex(other);
    CloseHandle(other);
}

}  // namespace

namespace {

class PortStatusTest : public MonitorTest {};

// The trays a port reports before its printer has: count 5, then per tray WORD identifier,
// WORD state, WORD paper size, the paper byte, the media code and four bytes 0, as the status
// block's decoder writes them.
void ExpectDefaultTrays(const std::string& bins) {
    const TrayRecord want[] = {
        {2001, 2001, -1, 255, 0}, {1, 3, 9, 249, 0}, {2, 3, 9, 249, 0}, {3, 3, 9, 249, 0}, {4, 3, 9, 249, 0}};
    ExpectTrayRecords(bins, want);
}

TEST_F(PortStatusTest, SpoolerStatusValueChoosesTheBusyRow) {
    const DWORD busy[3] = {0, 0, 0x1000};
    struct Case {
        DWORD value;
        DWORD printerStatus, portStatus, severity;
    };
    for (const Case& c : {Case{1, 0x100000, 8, 1}, Case{0, 0x80, 1, 1}}) {
        monitorValues_[u"SPOOLERSTATUS"] = c.value;
        HANDLE handle = nullptr;
        ASSERT_NE(InitializePrintMonitor2(&init_, &handle), nullptr);
        const StatusMapRow* row = FindStatusMapRow(busy);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->printerStatus, c.printerStatus);
        EXPECT_EQ(row->portStatus, c.portStatus);
        EXPECT_EQ(row->severity, c.severity);
        EXPECT_EQ(g_monitor.spoolerStatus, c.value);
        table_->pfnShutdown(handle);
    }
}

TEST_F(PortStatusTest, OpenAndCloseSetThePrinterStatusRecord) {
    struct Case {
        const char16_t* name;
        DWORD word1;
        DWORD ext;
    };
    for (const Case& c : {Case{u"USB001", 0x800, 7}, Case{u"FILE:", 0x400, 1}}) {
        HANDLE h = Open(c.name);
        ASSERT_NE(h, nullptr);
        DWORD status[3];
        ASSERT_TRUE(ReadPrinterStatus(Port(h), status));
        EXPECT_EQ(status[0], 0u);
        EXPECT_EQ(status[1], c.word1);
        EXPECT_EQ(status[2], 0u);
        DWORD ext = 0;
        ASSERT_TRUE(ReadDwordVariable(Port(h), "PrinterExtStatus", &ext));
        EXPECT_EQ(ext, c.ext);
        // Until the printer reports normally the panel and error values are "unknown".
        DWORD cover = 0;
        ASSERT_TRUE(ReadDwordVariable(Port(h), "ErrCoverOpen", &cover));
        EXPECT_EQ(cover, 0xFFFFFFFFu);
    }
    g_manager = FakeManager{};
    HANDLE h = open_[0];
    Bind(h);
    EXPECT_TRUE(table_->pfnClosePort(h));
    open_.erase(open_.begin());
    std::string closed = g_manager.published["PrinterStatus"];
    ASSERT_EQ(closed.size(), 12u);
    DWORD words[3];
    std::memcpy(words, closed.data(), 12);
    EXPECT_EQ(words[1], 0x1000u);
    std::string ext = g_manager.published["PrinterExtStatus"];
    ASSERT_EQ(ext.size(), 4u);
    EXPECT_EQ(ext[0] & 7, 0);
    ExpectDefaultTrays(g_manager.published["PrinterBinConfig"]);
}

TEST_F(PortStatusTest, OpenPublishesTheDefaultTraysInTheDecodersLayout) {
    HANDLE h = Open(u"USB001");
    Bind(h);
    StatusVariable* row = FindVariable("PrinterBinConfig", Port(h)->variables, Port(h));
    ASSERT_NE(row, nullptr);
    ASSERT_NE(row->value, nullptr);
    ExpectDefaultTrays(std::string(reinterpret_cast<const char*>(row->value), VariableSize(row)));
}

TEST_F(PortStatusTest, BinConfigCountsOrdinaryTrays) {
    HANDLE h = Open(u"USB001");
    PortRecord* port = Port(h);
    Bind(h);
    port->currentClient = port->clients;
    EXPECT_EQ(ReadBinConfig(port), 4u);  // the default five trays: 2001 is no ordinary tray
    // Without a value of its own the port asks the status manager.
    StatusVariable* row = FindVariable("PrinterBinConfig", port->variables, port);
    MonFree(row->value);
    row->value = nullptr;
    EXPECT_EQ(ReadBinConfig(port), 0u);
    std::string bins(4 + 3 * 12, '\0');
    DWORD count = 3, ids[3] = {1, 2, 1500};
    std::memcpy(bins.data(), &count, 4);
    for (int i = 0; i < 3; ++i) std::memcpy(bins.data() + 4 + 12 * i, &ids[i], 4);
    g_manager.published["PrinterBinConfig"] = bins;
    EXPECT_EQ(ReadBinConfig(port), 2u);
    count = 1000;  // a count beyond the value's own bytes is not believed
    std::memcpy(g_manager.published["PrinterBinConfig"].data(), &count, 4);
    EXPECT_EQ(ReadBinConfig(port), 2u);
}

TEST_F(PortStatusTest, SnapshotMarksAQueuedJob) {
    HANDLE h = Open(u"USB001");
    PortRecord* port = Port(h);
    AddJobRecord(3, port);
    SnapshotPrinterStatus(port);
    DWORD status[3];
    ReadPrinterStatus(port, status);
    EXPECT_EQ(status[2] & 8, 8u);
    DropAllJobRecords(port, FALSE);
    SnapshotPrinterStatus(port);
    ReadPrinterStatus(port, status);
    EXPECT_EQ(status[2] & 8, 0u);
}

TEST_F(PortStatusTest, ReadPortReadsInsideAStatusDocument) {
    HANDLE h = Open(u"USB001");
    g_lower.replies.push_back("@PJL INFO STATUS\r\nCODE=10001\r\n\f");
    BYTE buffer[64] = {};
    DWORD read = 0;
    ASSERT_TRUE(table_->pfnReadPort(h, buffer, sizeof buffer, &read));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), read), "@PJL INFO STATUS\r\nCODE=10001\r\n\f");
    EXPECT_EQ(g_lower.startDocs, 1);
    EXPECT_EQ(g_lower.endDocs, 1);
    EXPECT_FALSE(Port(h)->state & kStateLowerDocOpen);
    g_lower.refuseStartDoc = TRUE;
    SetLastError(0);
    EXPECT_FALSE(table_->pfnReadPort(h, buffer, sizeof buffer, &read));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));
    SetLastError(0);
    EXPECT_FALSE(table_->pfnReadPort(nullptr, buffer, sizeof buffer, &read));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
