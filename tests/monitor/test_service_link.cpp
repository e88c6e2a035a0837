#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "monitor/diag_log.h"
#include "monitor/service_link.h"
#include "monitor_fixture.h"
#include "plat/control.h"
#include "plat/message_window.h"
#include "plat/monitor_host.h"
#include "win/registry.h"
#include "win/spool.h"
#include "win/user_msg.h"

namespace {

// Holds the platform clock still (no auto-advance) while a call waits for another thread;
// after 20 s of real time it lets the clock run again, so that a lost answer fails the test
// instead of hanging it.
class ClockWithoutAutoAdvance {
public:
    ClockWithoutAutoAdvance() {
        PlatClockSetAutoAdvance(FALSE);
        watchdog_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait_for(lock, std::chrono::seconds(20), [this] { return finished_; });
            PlatClockSetAutoAdvance(TRUE);
        });
    }
    ~ClockWithoutAutoAdvance() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        watchdog_.join();
    }
    ClockWithoutAutoAdvance(const ClockWithoutAutoAdvance&) = delete;
    ClockWithoutAutoAdvance& operator=(const ClockWithoutAutoAdvance&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread watchdog_;
};

constexpr LPCWSTR kBase = u"SOFTWARE\\Tamsa Korvel\\QzPJMService";
constexpr LPCWSTR kVersion = u"SOFTWARE\\Tamsa Korvel\\QzPJMService\\1.0";

void PutString(LPCWSTR path, LPCWSTR name, std::u16string value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void PutDword(LPCWSTR path, LPCWSTR name, DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), ERROR_SUCCESS);
    RegCloseKey(key);
}

class ServiceTest : public MonitorTest {
protected:
    void SetUp() override {
        MonitorTest::SetUp();
        PutString(kBase, u"CurrentVersion", u"1.0");
        PutString(kVersion, u"EventLogFolder", u"C:\\QzLog");
        PutDword(kVersion, u"RunStatus", 1);
        CreateDirectoryW(u"C:\\QzLog", nullptr);
        InstallPrinterWithJob(u"job", &printer_, &jobId_);
        if (HasFatalFailure()) return;
        window_ = PlatCreateMessageWindow(u"QzPJMService", nullptr);
        ASSERT_NE(window_, nullptr);
        h_ = Open(u"FILE:");
        ASSERT_NE(h_, nullptr);
    }
    void TearDown() override {
        if (answer_.joinable()) answer_.join();
        PlatDestroyMessageWindow(window_);
        if (mapping_) CloseHandle(mapping_);
        if (mutex_) CloseHandle(mutex_);
        EndDocPrinter(printer_);
        ClosePrinter(printer_);
        PlatSetServiceInstalled(u"QzPJMService", FALSE);
        MonitorTest::TearDown();
    }
    // The service's table with the given job ids.
    void MakeTable(std::initializer_list<DWORD> ids) {
        mutex_ = CreateMutexW(nullptr, FALSE, u"QZ_FILEMAPPING_MUTEX");
        DWORD size = 8 + 8 * static_cast<DWORD>(ids.size());
        mapping_ =
            CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, u"QZ_JOBPROCESS_FILEMAPPING");
        ASSERT_NE(mapping_, nullptr);
        auto* view = static_cast<BYTE*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, size));
        ASSERT_NE(view, nullptr);
        DWORD inUse = 1, count = static_cast<DWORD>(ids.size());
        std::memcpy(view, &inUse, 4);
        std::memcpy(view + 4, &count, 4);
        DWORD i = 0;
        for (DWORD id : ids) std::memcpy(view + 8 + 8 * i++, &id, 4);
        UnmapViewOfFile(view);
    }
    // The service's answer to a restart request: ALLOW or OVER.
    void AnswerWith(const char16_t* prefix) {
        std::string digits = std::to_string(jobId_);
        std::u16string name = prefix + std::u16string(digits.begin(), digits.end());
        answer_ = std::thread([this, name] {
            MSG msg{};
            if (!PlatGetWindowMessage(window_, &msg, 60000)) return;
            restart_ = msg;
            HANDLE event = CreateEventW(nullptr, FALSE, FALSE, name.c_str());
            SetEvent(event);
            CloseHandle(event);
        });
    }
    BOOL Start() { return MonitorTest::Start(h_, jobId_); }
    // A job of another printer in the service's table; the spooler never gives this test's job
    // that id, however many jobs the tests before it spooled.
    static constexpr DWORD kOtherJob = 0x7FFF0003;
    BOOL JobStillThere() {
        BYTE buffer[1024];
        DWORD needed = 0;
        if (!GetJobW(printer_, jobId_, 1, buffer, sizeof buffer, &needed)) return FALSE;
        return !(reinterpret_cast<JOB_INFO_1W*>(buffer)->Status & JOB_STATUS_DELETING);
    }

    HANDLE printer_ = nullptr, mapping_ = nullptr, mutex_ = nullptr, h_ = nullptr;
    DWORD jobId_ = 0;
    HWND window_ = nullptr;
    std::thread answer_;
    MSG restart_{};
};

TEST_F(ServiceTest, WithoutTheServiceNothingIsAsked) {
    MakeTable({});
    EXPECT_TRUE(Start());
    EXPECT_TRUE(table_->pfnEndDocPort(h_));
    MSG msg{};
    EXPECT_FALSE(PlatGetWindowMessage(window_, &msg, 0));
}

TEST_F(ServiceTest, ListedJobPrintsAtOnceAndItsEndIsReported) {
    PlatSetServiceInstalled(u"QzPJMService", TRUE);
    MakeTable({kOtherJob, jobId_});
    EXPECT_TRUE(Start());
    EXPECT_TRUE(table_->pfnEndDocPort(h_));
    MSG msg{};
    ASSERT_TRUE(PlatGetWindowMessage(window_, &msg, 0));
    EXPECT_EQ(msg.message, kQzMsgEndDoc);
    EXPECT_EQ(msg.lParam, static_cast<LPARAM>(jobId_));
}

TEST_F(ServiceTest, UnlistedJobWaitsForTheServiceToAllowIt) {
    PlatSetServiceInstalled(u"QzPJMService", TRUE);
    MakeTable({kOtherJob});
    DWORD atoms = PlatGlobalAtomCount();
    AnswerWith(u"QzLM_ALLOW");
    {
        // The service's answer comes from another thread: the clock must not jump past the
        // monitor's wait before that thread has run.
        ClockWithoutAutoAdvance hold;
        EXPECT_TRUE(Start());
    }
    answer_.join();
    EXPECT_EQ(restart_.message, kQzMsgRestart);
    EXPECT_EQ(restart_.lParam, static_cast<LPARAM>(jobId_));
    EXPECT_EQ(PlatGlobalAtomCount(), atoms);  // the printer-name atom is given back
    EXPECT_TRUE(JobStillThere());
    table_->pfnEndDocPort(h_);
}

TEST_F(ServiceTest, RefusedJobIsDeleted) {
    PlatSetServiceInstalled(u"QzPJMService", TRUE);
    MakeTable({kOtherJob});
    AnswerWith(u"QzLM_OVER");
    SetLastError(0);
    EXPECT_FALSE(Start());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(JobStillThere());
    EXPECT_FALSE(Port(h_)->state & kStateJobOpen);
}

TEST_F(ServiceTest, ServiceThatNeverAnswersIsWaitedForBoundedTime) {
    PlatSetServiceInstalled(u"QzPJMService", TRUE);
    MakeTable({kOtherJob});
    DWORD start = GetTickCount();
    EXPECT_FALSE(Start());
    DWORD took = GetTickCount() - start;
    EXPECT_GE(took, kQzAnswerWait);
    EXPECT_LT(took, kQzAnswerWait + 60000);
    EXPECT_FALSE(JobStillThere());
}

TEST_F(ServiceTest, UnreachableTableFollowsRunStatus) {
    PlatSetServiceInstalled(u"QzPJMService", TRUE);
    EXPECT_FALSE(Start());  // RunStatus 1: the job may not print without the service
    PutDword(kVersion, u"RunStatus", 0);
    EXPECT_TRUE(Start());
    table_->pfnEndDocPort(h_);
}

TEST_F(ServiceTest, DiagnosticFilesOnlyInDebugMode) {
    std::filesystem::path folder = PlatHostPath(u"C:\\QzLog");
    PlatSetServiceInstalled(u"QzPJMService", TRUE);
    MakeTable({jobId_});
    InitDiagnostics();
    EXPECT_FALSE(DiagnosticsOn());
    EXPECT_TRUE(Start());
    table_->pfnEndDocPort(h_);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    PutString(u"SOFTWARE\\Tamsa Korvel\\QzPJMService\\1.0\\QzPJMService", u"CurrentVersion", u"2");
    PutString(u"SOFTWARE\\Tamsa Korvel\\QzPJMService\\1.0\\QzPJMService\\2", u"RunMode", u"Debug");
    InitDiagnostics();
    EXPECT_TRUE(DiagnosticsOn());
    EXPECT_TRUE(Start());
    table_->pfnEndDocPort(h_);
    EXPECT_TRUE(std::filesystem::exists(folder / "QzPJMS6100TLM.log"));
    int logs = 0;
    for (auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".log" && entry.path().filename() != "QzPJMS6100TLM.log") ++logs;
    EXPECT_EQ(logs, 1);  // the daily event log with the start message
    EndDiagnostics();
}

}  // namespace
