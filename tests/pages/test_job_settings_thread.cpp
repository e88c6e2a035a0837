// The print-time job settings dialog on a thread of its own: what the printing thread does with
// its messages meanwhile (ordinary and sent ones dispatched, registered ones and a quit request
// held and posted again in order, timers dropped), and a job that goes on once the dialog's
// thread has ended.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "plat/control.h"
#include "tests/pages/job_settings_fixture.h"
#include "tests/ui/document_event_fixture.h"
#include "ui/entry/document_events.h"
#include "ui/pages/job_settings.h"
#include "win/user_msg.h"

namespace {

using namespace orla;
using uitest::Script;
namespace js = orla_res::job_settings;

// ---- The rules ----
TEST(JobDialogPump, DispatchesOrdinaryHoldsRegisteredAndQuitDropsTimers) {
    const struct {
        UINT message;
        JobPumpAction action;
    } cases[] = {
        {WM_NULL, JobPumpAction::Dispatch},    {WM_PAINT, JobPumpAction::Dispatch},
        {WM_KEYDOWN, JobPumpAction::Dispatch}, {WM_TIMER - 1, JobPumpAction::Dispatch},
        {WM_TIMER, JobPumpAction::Drop},       {WM_TIMER + 1, JobPumpAction::Dispatch},
        {WM_QUIT, JobPumpAction::Hold},        {WM_USER, JobPumpAction::Dispatch},
        {WM_APP, JobPumpAction::Dispatch},     {0xBFFF, JobPumpAction::Dispatch},
        {0xC000, JobPumpAction::Hold},         {0xFFFF, JobPumpAction::Hold},
    };
    for (const auto& c : cases) EXPECT_EQ(JobDialogPumpAction(c.message), c.action) << std::hex << c.message;
}

// ---- The printing thread while the dialog runs ----

// The scripted user of a dialog on a thread the code under test starts.
struct ProcessScriptScope {
    explicit ProcessScriptScope(Script& s) { PlatSetProcessModalIdleHandler(Script::Turn, &s); }
    ~ProcessScriptScope() { PlatSetProcessModalIdleHandler(nullptr, nullptr); }
};

// The application's window on the printing thread: what reached its procedure, on which thread.
struct OwnerLog {
    std::mutex lock;
    std::vector<UINT> messages;
    std::vector<WPARAM> enables;  // WM_ENABLE's wParam, in order
    std::vector<DWORD> threads;
    HANDLE lastSeen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~OwnerLog() { CloseHandle(lastSeen); }
};
OwnerLog* g_owner = nullptr;
constexpr UINT kFirst = WM_USER + 1, kLast = WM_USER + 2;
constexpr int kQuitCode = 5;

LRESULT CALLBACK OwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (g_owner && (m == kFirst || m == kLast || m == WM_ENABLE || m == WM_TIMER || m >= 0xC000)) {
        std::lock_guard<std::mutex> g(g_owner->lock);
        g_owner->messages.push_back(m);
        g_owner->threads.push_back(GetCurrentThreadId());
        if (m == WM_ENABLE) g_owner->enables.push_back(w);
    }
    if (m == kFirst) PostQuitMessage(kQuitCode);  // the application asks its loop to end
    if (m == kLast && g_owner) SetEvent(g_owner->lastSeen);
    return DefWindowProcW(h, m, w, l);
}

class JobDialogThread : public pages_test::JobSettingsDialog {
protected:
    void SetUp() override {
        JobSettingsDialog::SetUp();
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        g_owner = &log_;
    }
    void TearDown() override {
        g_owner = nullptr;
        JobSettingsDialog::TearDown();
    }
    OwnerLog log_;
};

TEST_F(JobDialogThread, PrintingThreadDispatchesHoldsAndDropsWhileTheDialogRuns) {
    uitest::WindowHolder owner(uitest::MakeParentWindow(u"OrlaPrintingApp", OwnerProc, 200, 100));
    ASSERT_NE(owner.h, nullptr);
    ShowWindow(owner.h, SW_SHOW);
    ASSERT_EQ(GetActiveWindow(), owner.h);
    const UINT first = RegisterWindowMessageW(u"OrlaAppWorkFirst");
    const UINT second = RegisterWindowMessageW(u"OrlaAppWorkSecond");
    std::atomic<DWORD> dialogThread{0};
    std::atomic<bool> ownerDisabled{false};
    Script script;
    script.steps.push_back([&](HWND d) {
        dialogThread = GetCurrentThreadId();
        ownerDisabled = !IsWindowEnabled(owner.h);
        // The application's window is sent to and posted to while the dialog is up.
        PostMessageW(owner.h, kFirst, 0, 0);
        PostMessageW(owner.h, first, 1, 0);
        PostMessageW(owner.h, WM_TIMER, 7, 0);
        PostMessageW(owner.h, second, 2, 0);
        PostMessageW(owner.h, kLast, 0, 0);
        // Handled in order, so the timer and the registered messages were taken before this.
        WaitForSingleObject(log_.lastSeen, INFINITE);
        EXPECT_TRUE(PlatPressButton(d, js::kOk));
    });
    script.steps.push_back([](HWND d) { EndDialog(d, -7); });
    ProcessScriptScope scope(script);
    EXPECT_EQ(RunJobSettingsDialog(ui_.get()), TRUE);

    EXPECT_NE(dialogThread.load(), 0u);
    EXPECT_NE(dialogThread.load(), GetCurrentThreadId());
    EXPECT_TRUE(ownerDisabled.load()) << "the owner is disabled while the dialog is up";
    EXPECT_TRUE(IsWindowEnabled(owner.h));
    {
        std::lock_guard<std::mutex> g(log_.lock);
        // Sent (WM_ENABLE by the dialog's thread) and posted ordinary messages, nothing else.
        EXPECT_EQ(log_.messages, (std::vector<UINT>{WM_ENABLE, kFirst, kLast, WM_ENABLE}));
        EXPECT_EQ(log_.enables, (std::vector<WPARAM>{FALSE, TRUE}));
        for (DWORD t : log_.threads) EXPECT_EQ(t, GetCurrentThreadId());
    }
    // The held messages are back in the queue in their order, the quit request after them; the
    // timer message is gone.
    const struct {
        UINT message;
        WPARAM wParam;
        HWND hwnd;
    } expected[] = {{first, 1, owner.h}, {second, 2, owner.h}, {WM_QUIT, kQuitCode, nullptr}};
    for (const auto& e : expected) {
        MSG m{};
        ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) << std::hex << e.message;
        EXPECT_EQ(m.message, e.message);
        EXPECT_EQ(m.wParam, e.wParam);
        EXPECT_EQ(m.hwnd, e.hwnd);
    }
    MSG m{};
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) << std::hex << m.message;
}

// Without an active window the dialog has no owner, and the printing thread still waits for it.
TEST_F(JobDialogThread, WithoutAnOwnerTheDialogRunsAndItsEditReachesTheRecord) {
    ASSERT_EQ(GetActiveWindow(), nullptr);
    Set(ui_->currentDevmode, dm::Copies, SHORT{1});
    Script script;
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, js::kCopies), u"12")); });
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatPressButton(d, js::kOk)); });
    script.steps.push_back([](HWND d) { EndDialog(d, -7); });
    ProcessScriptScope scope(script);
    EXPECT_EQ(RunJobSettingsDialog(ui_.get()), TRUE);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::Copies), 12);
    EXPECT_EQ(RunJobSettingsDialog(nullptr), FALSE);
}

// ---- The job goes on ----

class JobDialogAtStartDoc : public orla_ui_test::DocumentEventTest {
protected:
    void SetUp() override {
        DocumentEventTest::SetUp();
        interfaceDll_ = orla_ui_test::LibraryPtr(LoadLibraryW(kJapaneseBuild ? u"Talvex.dll" : u"Morvin.dll"));
        ASSERT_TRUE(interfaceDll_);
        SetInterfaceModule(interfaceDll_.get());
        system_.runJobSettingsDialog = RunJobSettingsDialog;
    }
    void TearDown() override {
        SetInterfaceModule(nullptr);
        DocumentEventTest::TearDown();
        interfaceDll_.reset();
    }
    DocumentEventSystem system_ = orla_ui_test::kFakeSystem;
    orla_ui_test::LibraryPtr interfaceDll_;
};

TEST_F(JobDialogAtStartDoc, TheDialogsThreadEndsAndTheEditedJobGoesOn) {
    app_.modulePath = u"C:\\Office\\WINWORD.EXE";
    app_.versionMS = orla_ui_test::FileVersionMS(9, 0);
    SwitchDialog(1);
    StartJob(u"Minutes.doc");
    std::atomic<DWORD> dialogThread{0};
    Script script;
    script.steps.push_back([&](HWND d) {
        dialogThread = GetCurrentThreadId();
        EXPECT_TRUE(PlatType(GetDlgItem(d, js::kCopies), u"3"));
    });
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatPressButton(d, js::kOk)); });
    script.steps.push_back([](HWND d) { EndDialog(d, -7); });
    ProcessScriptScope scope(script);
    DWORD job = jobId_;
    EXPECT_EQ(HandleDocumentEvent(system_, printer_, orla_ui_test::kAppDc, kDocumentEventStartDocPost, sizeof job, &job,
                                  0, nullptr),
              kDocumentEventSuccess);
    EXPECT_NE(dialogThread.load(), GetCurrentThreadId());
    // The edited record went to the graphics DLL, then the device context handle.
    DriverDevmode sent{};
    if (kJapaneseBuild) {
        ASSERT_EQ(app_.Codes(), (std::vector<int>{kEscapeSetJobSettings, kEscapeSetDcHandle}));
        ASSERT_EQ(app_.escapes[0].input.size(), sizeof sent.bytes);
        std::memcpy(sent.bytes, app_.escapes[0].input.data(), sizeof sent.bytes);
    } else {
        ASSERT_EQ(app_.Codes(), (std::vector<int>{kEscapeSetDcHandle}));
        ASSERT_EQ(app_.resets.size(), 1u);
        ASSERT_EQ(app_.resets[0].size(), sizeof sent.bytes);
        std::memcpy(sent.bytes, app_.resets[0].data(), sizeof sent.bytes);
    }
    EXPECT_EQ(Get(sent, dm::Copies), 3);
}

// Without a thread for the dialog no dialog ran: the job's start fails rather than going on as if
// the user had seen its settings, and the device context handle still goes out.
TEST_F(JobDialogAtStartDoc, ADialogThreadThatCannotBeMadeFailsTheStart) {
    app_.modulePath = u"C:\\Office\\WINWORD.EXE";
    app_.versionMS = orla_ui_test::FileVersionMS(9, 0);
    SwitchDialog(1);
    StartJob(u"Minutes.doc");
    Script script;  // never asked: no dialog comes up
    script.steps.push_back([](HWND d) {
        ADD_FAILURE() << "a dialog came up";
        EndDialog(d, -7);
    });
    ProcessScriptScope scope(script);
    PlatInjectFailure("CreateThread", 1, ERROR_NOT_ENOUGH_MEMORY);
    DWORD job = jobId_;
    EXPECT_EQ(HandleDocumentEvent(system_, printer_, orla_ui_test::kAppDc, kDocumentEventStartDocPost, sizeof job, &job,
                                  0, nullptr),
              kDocumentEventFailure);
    PlatClearInjections();
    EXPECT_EQ(app_.Codes(), (std::vector<int>{kEscapeSetDcHandle}));
    EXPECT_TRUE(app_.resets.empty());
}

}  // namespace
