// What the spooler offers print monitors (port list, port status, identity switch, services,
// socket start-up), the message windows and atoms the job-processing service uses, the status
// manager stand-in and the service stand-in itself.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "outside/qzpjm/job_service.h"
#include "plat/message_window.h"
#include "tests/e2e_monitor/monitor_world.h"
#include "win/user_msg.h"

namespace {

class SpoolerSideTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(e2e::EnsureSandbox(&why)) << why;
        handles_ = plat::HandleCount();
    }
    void TearDown() override { EXPECT_EQ(plat::HandleCount(), handles_) << "a handle was left open"; }
    size_t handles_ = 0;
};

TEST_F(SpoolerSideTest, EnumPortsUsesTheTwoCallProtocolAndPacksStrings) {
    ASSERT_TRUE(PlatAddPort(u"ENUMTEST1:", u"Local Port", u"first", PORT_TYPE_WRITE));
    ASSERT_TRUE(PlatAddPort(u"ENUMTEST2:", u"TCPMON.DLL", u"second", PORT_TYPE_WRITE | PORT_TYPE_READ));
    DWORD needed = 0, returned = 7;
    EXPECT_FALSE(EnumPortsW(nullptr, 2, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(returned, 0u);
    ASSERT_GT(needed, 2 * sizeof(PORT_INFO_2W));
    std::vector<BYTE> small(needed - 1);
    EXPECT_FALSE(EnumPortsW(nullptr, 2, small.data(), static_cast<DWORD>(small.size()), &needed, &returned));
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(EnumPortsW(nullptr, 2, buffer.data(), needed, &needed, &returned));
    auto* info = reinterpret_cast<PORT_INFO_2W*>(buffer.data());
    bool found = false;
    for (DWORD i = 0; i < returned; ++i) {
        // Every string lies inside the caller's buffer.
        for (LPWSTR s : {info[i].pPortName, info[i].pMonitorName, info[i].pDescription}) {
            EXPECT_GE(reinterpret_cast<BYTE*>(s), buffer.data());
            EXPECT_LT(reinterpret_cast<BYTE*>(s), buffer.data() + buffer.size());
        }
        if (std::u16string(info[i].pPortName) == u"ENUMTEST2:") {
            found = true;
            EXPECT_EQ(std::u16string(info[i].pMonitorName), u"TCPMON.DLL");
            EXPECT_EQ(info[i].fPortType, static_cast<DWORD>(PORT_TYPE_WRITE | PORT_TYPE_READ));
        }
    }
    EXPECT_TRUE(found);
    EXPECT_FALSE(EnumPortsW(nullptr, 3, buffer.data(), needed, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    EXPECT_TRUE(PlatRemovePort(u"ENUMTEST1:"));
    EXPECT_TRUE(PlatRemovePort(u"ENUMTEST2:"));
}

TEST_F(SpoolerSideTest, SetPortLevelThreeRecordsStatusOfKnownPortsOnly) {
    ASSERT_TRUE(PlatAddPort(u"STATUS1:", u"Local Port", u"", PORT_TYPE_WRITE));
    PORT_INFO_3W info{PORT_STATUS_PAPER_JAM, nullptr, PORT_STATUS_TYPE_ERROR};
    std::u16string port = u"STATUS1:", other = u"NOPE:";
    ASSERT_TRUE(SetPortW(nullptr, port.data(), 3, reinterpret_cast<LPBYTE>(&info)));
    DWORD status = 0, severity = 0, updates = 0;
    ASSERT_TRUE(PlatGetPortStatus(u"status1:", &status, &severity, &updates));
    EXPECT_EQ(status, static_cast<DWORD>(PORT_STATUS_PAPER_JAM));
    EXPECT_EQ(severity, static_cast<DWORD>(PORT_STATUS_TYPE_ERROR));
    EXPECT_EQ(updates, 1u);
    EXPECT_FALSE(SetPortW(nullptr, other.data(), 3, reinterpret_cast<LPBYTE>(&info)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
    EXPECT_FALSE(SetPortW(nullptr, port.data(), 2, reinterpret_cast<LPBYTE>(&info)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    EXPECT_FALSE(SetPortW(nullptr, port.data(), 3, nullptr));
    PlatRemovePort(u"STATUS1:");
}

TEST_F(SpoolerSideTest, IdentityTokensServicesAndSocketStartUpAreCounted) {
    HANDLE token = RevertToPrinterSelf();
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(PlatOpenImpersonationTokens(), 1u);
    EXPECT_TRUE(ImpersonatePrinterClient(token));
    EXPECT_EQ(PlatOpenImpersonationTokens(), 0u);
    EXPECT_FALSE(ImpersonatePrinterClient(token));  // already handed back

    SC_HANDLE scm = OpenSCManagerW(nullptr, u"ServicesActive", SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(scm, nullptr);
    EXPECT_EQ(OpenServiceW(scm, u"NoSuchService", SERVICE_QUERY_STATUS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    PlatSetServiceInstalled(u"OrlaTestService", TRUE);
    SC_HANDLE svc = OpenServiceW(scm, u"orlatestservice", SERVICE_QUERY_STATUS);
    ASSERT_NE(svc, nullptr);
    EXPECT_TRUE(CloseServiceHandle(svc));
    PlatSetServiceInstalled(u"OrlaTestService", FALSE);
    EXPECT_TRUE(CloseServiceHandle(scm));
    EXPECT_FALSE(CloseServiceHandle(scm));

    LONG users = PlatSocketLibraryUsers();
    WSADATA data{};
    EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_EQ(PlatSocketLibraryUsers(), users + 1);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(PlatSocketLibraryUsers(), users);
    if (users == 0) {
        EXPECT_EQ(WSACleanup(), -1);  // more cleanups than start-ups fail
    }
}

TEST_F(SpoolerSideTest, MessagesReachTheWindowFoundByClassAndAtomsAreCounted) {
    HWND w = PlatCreateMessageWindow(u"OrlaTestClass", u"title");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(PlatCreateMessageWindow(u"orlatestclass", nullptr), nullptr);  // one per class
    EXPECT_EQ(FindWindowW(u"ORLATESTCLASS", nullptr), w);
    EXPECT_EQ(FindWindowW(u"OrlaTestClass", u"other"), nullptr);
    DWORD atomsBefore = PlatGlobalAtomCount();
    ATOM a = GlobalAddAtomW(u"Printer One");
    ASSERT_NE(a, 0);
    EXPECT_EQ(GlobalAddAtomW(u"printer one"), a);
    ASSERT_TRUE(PostMessageW(w, 0x8004, a, 42));
    MSG msg{};
    ASSERT_TRUE(PlatGetWindowMessage(w, &msg, 0));
    EXPECT_EQ(msg.message, 0x8004u);
    EXPECT_EQ(msg.lParam, 42);
    WCHAR name[64];
    EXPECT_EQ(GlobalGetAtomNameW(static_cast<ATOM>(msg.wParam), name, 64), 11u);
    EXPECT_EQ(std::u16string(name), u"Printer One");
    EXPECT_FALSE(PlatGetWindowMessage(w, &msg, 0));  // queue empty: time-out
    EXPECT_EQ(GlobalDeleteAtom(a), 0);
    EXPECT_EQ(GlobalDeleteAtom(a), 0);
    EXPECT_EQ(PlatGlobalAtomCount(), atomsBefore);
    EXPECT_TRUE(PlatDestroyMessageWindow(w));
    EXPECT_FALSE(PostMessageW(w, 0x8002, 0, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(FindWindowW(u"OrlaTestClass", nullptr), nullptr);
}

TEST_F(SpoolerSideTest, StatusManagerKeepsVariablesPerPrinterAndSignalsChanges) {
    e2e::Dorlik reader;
    std::string why;
    ASSERT_TRUE(reader.Bind(&why)) << why;
    reader.Reset();
    HMODULE m = reader.module;
    auto open =
        reinterpret_cast<PFN_DorlikOpenManagerExW>(reinterpret_cast<void*>(GetProcAddress(m, "OpenManagerExW")));
    auto close = reinterpret_cast<PFN_DorlikCloseManager>(reinterpret_cast<void*>(GetProcAddress(m, "CloseManager")));
    using Update = LONG(WINAPI*)(HANDLE, LPCSTR, const void*, DWORD);
    using Get = LONG(WINAPI*)(HANDLE, LPCSTR, void*, DWORD, DWORD*);
    using Notify = LONG(WINAPI*)(HANDLE, DWORD, LPCSTR, HANDLE*, DWORD*);
    using Kill = LONG(WINAPI*)(HANDLE, DWORD);
    auto update = reinterpret_cast<Update>(reinterpret_cast<void*>(GetProcAddress(m, "UpdatePrinterStatusA")));
    auto get = reinterpret_cast<Get>(reinterpret_cast<void*>(GetProcAddress(m, "GetPrinterStatusA")));
    auto notify = reinterpret_cast<Notify>(reinterpret_cast<void*>(GetProcAddress(m, "SetNotificationEventExA")));
    auto kill = reinterpret_cast<Kill>(reinterpret_cast<void*>(GetProcAddress(m, "KillNotificationEvent")));
    ASSERT_TRUE(open && close && update && get && notify && kill);

    HANDLE a = nullptr, b = nullptr;
    ASSERT_EQ(open(u"Printer A", u"\\\\.\\qjlmon", 1, &a), DORLIK_OK);
    ASSERT_EQ(open(u"Printer B", u"\\\\.\\qjlmon", 1, &b), DORLIK_OK);
    ASSERT_NE(a, nullptr);
    HANDLE events[4];
    for (auto& e : events) e = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD cookie = 0;
    ASSERT_EQ(notify(a, 4, "Port;PrinterName;TerminateManager;PrinterExtStatus", events, &cookie), DORLIK_OK);
    EXPECT_EQ(notify(a, 3, "Port;PrinterName", events, &cookie), DORLIK_E_PARAMETER);  // count and names differ

    DWORD seven = 7;
    ASSERT_EQ(update(a, "PrinterExtStatus", &seven, 4), DORLIK_OK);
    EXPECT_EQ(WaitForSingleObject(events[3], 0), WAIT_OBJECT_0);
    ASSERT_EQ(update(a, "PrinterExtStatus", &seven, 4), DORLIK_OK);  // unchanged: no signal
    EXPECT_EQ(WaitForSingleObject(events[3], 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(reader.Updates(u"Printer A", "PrinterExtStatus"), 2u);

    DWORD got = 0, size = 0;
    EXPECT_EQ(get(a, "PrinterExtStatus", nullptr, 0, &size), DORLIK_E_SMALL_QUERY);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(get(a, "PrinterExtStatus", &got, 2, &size), DORLIK_E_SMALL_BUFFER);
    ASSERT_EQ(get(a, "PrinterExtStatus", &got, 4, &size), DORLIK_OK);
    EXPECT_EQ(got, 7u);
    EXPECT_EQ(get(b, "PrinterExtStatus", &got, 4, &size), DORLIK_E_NO_VARIABLE);  // another printer's set
    ASSERT_EQ(get(b, "TerminateManager", &got, 4, &size), DORLIK_OK);             // always answered
    EXPECT_EQ(got, 0u);
    BYTE port[516];
    ASSERT_EQ(get(b, "Port", port, sizeof port, &size), DORLIK_OK);
    EXPECT_EQ(size, 516u);

    DWORD one = 1;
    ASSERT_EQ(reader.Write(u"Printer A", "TerminateManager", &one, 4), DORLIK_OK);
    EXPECT_EQ(WaitForSingleObject(events[2], 0), WAIT_OBJECT_0);

    EXPECT_EQ(kill(a, cookie), DORLIK_OK);
    EXPECT_EQ(close(a), DORLIK_OK);
    EXPECT_EQ(close(a), DORLIK_E_HANDLE);
    EXPECT_EQ(update(a, "X", &one, 4), DORLIK_E_HANDLE);
    EXPECT_EQ(close(b), DORLIK_OK);
    EXPECT_EQ(reader.OpenHandles(), 0u);
    for (auto& e : events) CloseHandle(e);
}

// What the monitor does at StartDocPort, played against the service stand-in.
DWORD AskService(DWORD jobId, DWORD waitMs) {
    const std::string id = std::to_string(jobId);
    std::u16string over = u"QzLM_OVER" + std::u16string(id.begin(), id.end());
    std::u16string allow = u"QzLM_ALLOW" + std::u16string(id.begin(), id.end());
    HANDLE events[2] = {CreateEventW(nullptr, FALSE, FALSE, over.c_str()),
                        CreateEventW(nullptr, FALSE, FALSE, allow.c_str())};
    ATOM atom = GlobalAddAtomW(u"QEV Halvoric 4400K");
    HWND w = FindWindowW(u"QzPJMService", nullptr);
    DWORD r = w && PostMessageW(w, qzpjm::kRestartRequest, atom, static_cast<LPARAM>(jobId))
                  ? WaitForMultipleObjects(2, events, FALSE, waitMs)
                  : WAIT_FAILED;
    GlobalDeleteAtom(atom);
    CloseHandle(events[0]);
    CloseHandle(events[1]);
    return r;
}

TEST_F(SpoolerSideTest, JobServiceAnswersReleasesRefusesHoldsAndKeepsItsTable) {
    qzpjm::Options o;
    ASSERT_TRUE(qzpjm::Start(o));
    EXPECT_FALSE(qzpjm::Start(o));  // one service
    // The monitor's view: installed, table under the named mutex.
    SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE svc = OpenServiceW(scm, u"QzPJMService", SERVICE_QUERY_STATUS);
    EXPECT_NE(svc, nullptr);
    if (svc) CloseServiceHandle(svc);
    CloseServiceHandle(scm);
    ASSERT_TRUE(qzpjm::AddPreprocessedJob(11));
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, u"QZ_FILEMAPPING_MUTEX");
    ASSERT_NE(mutex, nullptr);
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, u"QZ_JOBPROCESS_FILEMAPPING");
    ASSERT_NE(mapping, nullptr);
    auto* table = static_cast<DWORD*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0], 1u);   // in use
    EXPECT_EQ(table[1], 1u);   // one job
    EXPECT_EQ(table[2], 11u);  // its id
    UnmapViewOfFile(table);
    CloseHandle(mapping);
    ReleaseMutex(mutex);
    CloseHandle(mutex);

    EXPECT_EQ(AskService(21, 10000), WAIT_OBJECT_0 + 1);  // ALLOW
    ASSERT_TRUE(qzpjm::WaitForMessage(qzpjm::kRestartRequest, 21, 5000));
    EXPECT_EQ(qzpjm::Messages().back().printer, u"QEV Halvoric 4400K");
    qzpjm::SetAnswer(qzpjm::Answer::Refuse);
    EXPECT_EQ(AskService(22, 10000), WAIT_OBJECT_0);  // OVER
    qzpjm::SetAnswer(qzpjm::Answer::Hold);
    EXPECT_EQ(AskService(23, 50), static_cast<DWORD>(WAIT_TIMEOUT));

    qzpjm::Stop();
    EXPECT_FALSE(qzpjm::IsRunning());
    EXPECT_EQ(FindWindowW(u"QzPJMService", nullptr), nullptr);
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"QZ_FILEMAPPING_MUTEX"), nullptr);
}

}  // namespace
