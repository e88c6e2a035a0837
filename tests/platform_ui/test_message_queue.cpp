// Message queues: posting and retrieval, SendMessageW within a thread and across threads (the
// message runs inside the target thread's loop, and a thread waiting for a reply still answers
// what is sent to it), quit requests, MsgWaitForMultipleObjects and registered messages.
#include <atomic>
#include <thread>

#include "tests/platform_ui/window_fixture.h"

namespace {

using namespace uitest;

constexpr UINT kRelay = WM_USER + 2;
constexpr UINT kStop = WM_USER + 9;

LRESULT CALLBACK RelayProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == kRelay) return SendMessageW(reinterpret_cast<HWND>(l), WM_USER + 1, w, 0) + 1;
    if (m == kStop) PostQuitMessage(5);
    return RecordingProc(h, m, w, l);
}

// A window on a thread of its own, running a message loop until told to stop.
struct LoopThread {
    std::atomic<HWND> window{nullptr};
    std::atomic<DWORD> thread{0};
    std::atomic<int> exitCode{-1};
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread runner;

    LoopThread() {
        static const ATOM atom = [] {
            WNDCLASSW c{};
            c.lpfnWndProc = RelayProc;
            c.lpszClassName = u"UiTestRelay";
            return RegisterClassW(&c);
        }();
        EXPECT_NE(atom, 0);
        runner = std::thread([this] {
            HWND h =
                CreateWindowExW(0, u"UiTestRelay", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
            thread = GetCurrentThreadId();
            window = h;
            SetEvent(ready);
            MSG m;
            BOOL got;
            while ((got = GetMessageW(&m, nullptr, 0, 0)) > 0) DispatchMessageW(&m);
            exitCode = got == 0 ? static_cast<int>(m.wParam) : -2;
            DestroyWindow(h);
        });
        WaitForSingleObject(ready, INFINITE);
    }
    void Stop() {
        if (!runner.joinable()) return;
        PostMessageW(window, kStop, 0, 0);
        runner.join();
    }
    ~LoopThread() {
        Stop();
        CloseHandle(ready);
    }
};

TEST(MessageQueue, SendAcrossThreadsRunsInTheTargetsLoop) {
    RegisterRecordingClass();
    LoopThread other;
    journal().Take();
    EXPECT_EQ(SendMessageW(other.window, WM_USER + 1, 21, 0), 42);
    auto seen = journal().Take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].thread, other.thread.load());
    EXPECT_NE(seen[0].thread, GetCurrentThreadId());
}

TEST(MessageQueue, AThreadWaitingForAReplyAnswersWhatIsSentToIt) {
    RegisterRecordingClass();
    WindowHolder mine(
        CreateWindowExW(0, kRecordingClass, u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    LoopThread other;
    journal().Take();
    // The other thread's handler sends back to this thread while this one waits for its reply.
    EXPECT_EQ(SendMessageW(other.window, kRelay, 10, reinterpret_cast<LPARAM>(mine.h)), 21);
    auto seen = journal().Take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].hwnd, mine.h);
    EXPECT_EQ(seen[0].thread, GetCurrentThreadId());
}

TEST(MessageQueue, QuitEndsTheLoopWithItsCode) {
    LoopThread other;
    other.Stop();
    EXPECT_EQ(other.exitCode.load(), 5);
    EXPECT_FALSE(IsWindow(other.window));
}

TEST(MessageQueue, PostPeekAndGetKeepOrderAndFilters) {
    RegisterRecordingClass();
    WindowHolder w(CreateWindowExW(0, kRecordingClass, u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    ASSERT_TRUE(PostMessageW(w.h, WM_USER + 5, 1, 0));
    ASSERT_TRUE(PostMessageW(w.h, WM_USER + 6, 2, 0));
    ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_USER + 7, 3, 0));
    EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_USER + 6, WM_USER + 6, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_USER + 6, WM_USER + 6, PM_REMOVE));
    EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 5));
    EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.hwnd, nullptr);  // the thread's own message
    EXPECT_EQ(m.wParam, 3u);
    PostQuitMessage(9);
    EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.wParam, 9u);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageW(nullptr, nullptr, 0, 0), -1);
}

// PostMessageW without a window posts to the calling thread, as PostThreadMessageW does; a
// registered message keeps its number and place among the others.
TEST(MessageQueue, PostWithoutWindowIsAThreadMessageOfTheCaller) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    const UINT registered = RegisterWindowMessageW(u"OrlaThreadPost");
    ASSERT_TRUE(PostMessageW(nullptr, WM_USER + 3, 7, 8));
    ASSERT_TRUE(PostMessageW(nullptr, registered, 9, 0));
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 3));
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(m.lParam, 8);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, registered);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    // Another thread's null post lands in that thread's queue, not in this one's.
    std::thread([] { PostMessageW(nullptr, WM_USER + 4, 0, 0); }).join();
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST(MessageQueue, MsgWaitSeesQueuedInputAndObjects) {
    RegisterRecordingClass();
    WindowHolder w(CreateWindowExW(0, kRecordingClass, u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), static_cast<DWORD>(WAIT_TIMEOUT));
    PostMessageW(w.h, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);
    SetEvent(event);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 0, QS_ALLINPUT), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(MsgWaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, &event, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    CloseHandle(event);
}

TEST(MessageQueue, RegisteredMessagesShareNumbersByName) {
    UINT a = RegisterWindowMessageW(u"OrlaTestMessage");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageW(u"ORLATESTMESSAGE"), a);
    EXPECT_NE(RegisterWindowMessageW(u"OrlaOtherMessage"), a);
    EXPECT_EQ(RegisterWindowMessageW(u""), 0u);
    EXPECT_EQ(RegisterWindowMessageW(nullptr), 0u);
}

TEST(MessageQueue, SendToAGoneWindowFails) {
    SetLastError(0);
    EXPECT_EQ(SendMessageW(reinterpret_cast<HWND>(0x4444), WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x4444), WM_USER, 0, 0));
}

}  // namespace
