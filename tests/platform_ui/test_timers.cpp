// Timers on the hand-moved clock: WM_TIMER comes each time the clock has passed another period
// and a loop looks for messages, one at a time however many periods passed, after posted
// messages and WM_PAINT; a TIMERPROC is called in the window's place; a killed timer is silent;
// loops waiting for messages (GetMessageW on another thread, a modal dialog) wake for timers.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "plat/control.h"
#include "plat/window_test.h"
#include "tests/platform_ui/dialog_fixture.h"

namespace timer_test {

constexpr UINT_PTR kTimerId = 7;
constexpr UINT kPeriod = 100;

std::vector<MSG>* g_seen = nullptr;

LRESULT CALLBACK TimedProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (g_seen && (m == WM_TIMER || m == WM_PAINT || m >= WM_USER)) g_seen->push_back(MSG{h, m, w, l});
    return DefWindowProcW(h, m, w, l);
}

std::vector<UINT_PTR>* g_procCalls = nullptr;

void CALLBACK CountingTimerProc(HWND, UINT message, UINT_PTR id, DWORD) {
    if (g_procCalls && message == WM_TIMER) g_procCalls->push_back(id);
}

// Every message the thread's queue gives now, dispatched; the loop of a message pump.
std::vector<UINT> Pump() {
    std::vector<UINT> messages;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        messages.push_back(m.message);
        DispatchMessageW(&m);
    }
    return messages;
}

class Timers : public ::testing::Test {
protected:
    void SetUp() override {
        PlatClockSetManual(TRUE);
        g_seen = &seen;
        g_procCalls = &procCalls;
        window = uitest::MakeParentWindow(u"UiTestTimed", TimedProc, 100, 50);
        ASSERT_NE(window, nullptr);
        Pump();
        seen.clear();
    }
    void TearDown() override {
        DestroyWindow(window);
        Pump();
        g_seen = nullptr;
        g_procCalls = nullptr;
        PlatClockSetManual(FALSE);
    }
    int TimersSeen() {
        int n = 0;
        for (const MSG& m : seen) n += m.message == WM_TIMER ? 1 : 0;
        seen.clear();
        return n;
    }
    std::vector<MSG> seen;
    std::vector<UINT_PTR> procCalls;
    HWND window = nullptr;
};

// The clock moves by each step's milliseconds, then the loop runs: the WM_TIMERs Windows gives.
TEST_F(Timers, OneWmTimerPerPumpWhateverThePeriodsPassed) {
    struct Step {
        DWORD advance;
        int timers;
    };
    const Step kSteps[] = {
        {99, 0},   // not yet a period
        {1, 1},    // the first period ends
        {0, 0},    // the due mark was taken
        {350, 1},  // three periods passed: still one message
        {49, 0},   // the periods keep their beat: the next ends at 500
        {1, 1},   {100, 1},
    };
    ASSERT_EQ(SetTimer(window, kTimerId, kPeriod, nullptr), kTimerId);
    for (size_t i = 0; i < std::size(kSteps); ++i) {
        SCOPED_TRACE(i);
        PlatClockAdvance(kSteps[i].advance);
        Pump();
        EXPECT_EQ(TimersSeen(), kSteps[i].timers);
    }
    ASSERT_TRUE(KillTimer(window, kTimerId));
}

TEST_F(Timers, TheTimerMessageNamesItsIdAndAPeekWithoutRemoveLeavesItDue) {
    ASSERT_NE(SetTimer(window, kTimerId, kPeriod, nullptr), 0u);
    PlatClockAdvance(kPeriod);
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.hwnd, window);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(m.wParam, kTimerId);
    EXPECT_EQ(m.lParam, 0);
    EXPECT_EQ(Pump(), std::vector<UINT>{WM_TIMER});
    EXPECT_TRUE(Pump().empty());
    KillTimer(window, kTimerId);
}

TEST_F(Timers, AKilledTimerIsSilentEvenWhenItWasDue) {
    ASSERT_NE(SetTimer(window, kTimerId, kPeriod, nullptr), 0u);
    PlatClockAdvance(kPeriod * 3);
    ASSERT_TRUE(KillTimer(window, kTimerId));
    EXPECT_TRUE(Pump().empty());
    EXPECT_FALSE(KillTimer(window, kTimerId));  // killed already
}

TEST_F(Timers, SettingATimerAgainStartsItsPeriodAgain) {
    ASSERT_NE(SetTimer(window, kTimerId, kPeriod, nullptr), 0u);
    PlatClockAdvance(80);
    ASSERT_NE(SetTimer(window, kTimerId, kPeriod, nullptr), 0u);
    PlatClockAdvance(80);
    EXPECT_TRUE(Pump().empty());
    PlatClockAdvance(20);
    EXPECT_EQ(Pump(), std::vector<UINT>{WM_TIMER});
    KillTimer(window, kTimerId);
}

TEST_F(Timers, PostedMessagesComeFirstThenPaintThenTheTimer) {
    ASSERT_NE(SetTimer(window, kTimerId, kPeriod, nullptr), 0u);
    PlatClockAdvance(kPeriod);
    InvalidateRect(window, nullptr, FALSE);
    PostMessageW(window, WM_USER + 3, 0, 0);
    EXPECT_EQ(Pump(), (std::vector<UINT>{WM_USER + 3, WM_PAINT, WM_TIMER}));
    KillTimer(window, kTimerId);
}

TEST_F(Timers, ATimerProcedureIsCalledInTheWindowsPlace) {
    ASSERT_NE(SetTimer(window, kTimerId, kPeriod, CountingTimerProc), 0u);
    UINT_PTR threadTimer = SetTimer(nullptr, 0, kPeriod * 2, CountingTimerProc);
    ASSERT_NE(threadTimer, 0u);
    PlatClockAdvance(kPeriod * 2);
    EXPECT_EQ(Pump(), (std::vector<UINT>{WM_TIMER, WM_TIMER}));
    EXPECT_EQ(TimersSeen(), 0);  // the window's procedure got none
    EXPECT_EQ(procCalls, (std::vector<UINT_PTR>{kTimerId, threadTimer}));
    EXPECT_TRUE(KillTimer(nullptr, threadTimer));
    EXPECT_TRUE(KillTimer(window, kTimerId));
}

TEST_F(Timers, ATimerOfAWindowThatIsGoneIsDropped) {
    HWND other = uitest::MakeParentWindow(u"UiTestTimed", TimedProc, 10, 10);
    ASSERT_NE(SetTimer(other, kTimerId, kPeriod, nullptr), 0u);
    DestroyWindow(other);
    PlatClockAdvance(kPeriod);
    EXPECT_TRUE(Pump().empty());
    EXPECT_FALSE(KillTimer(other, kTimerId));
    EXPECT_EQ(SetTimer(other, kTimerId, kPeriod, nullptr), 0u);
}

// A thread waiting in GetMessageW wakes when the clock passes its timer's period.
TEST(TimerLoops, GetMessageWakesForATimerWhenTheClockMoves) {
    PlatClockSetManual(TRUE);
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE fired = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<HWND> window{nullptr};
    std::atomic<int> timers{0};
    std::thread loop([&] {
        HWND h = uitest::MakeParentWindow(u"UiTestTimed", TimedProc, 10, 10);
        SetTimer(h, kTimerId, kPeriod, nullptr);
        window = h;
        SetEvent(ready);
        MSG m;
        while (GetMessageW(&m, nullptr, 0, 0) > 0) {
            if (m.message == WM_TIMER) {
                ++timers;
                SetEvent(fired);
            }
            DispatchMessageW(&m);
        }
        DestroyWindow(h);
    });
    ASSERT_EQ(WaitForSingleObject(ready, INFINITE), WAIT_OBJECT_0);
    PlatClockAdvance(kPeriod);
    ASSERT_EQ(WaitForSingleObject(fired, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(timers.load(), 1);
    PostThreadMessageW(GetWindowThreadProcessId(window.load(), nullptr), WM_QUIT, 0, 0);
    loop.join();
    CloseHandle(ready);
    CloseHandle(fired);
    PlatClockSetManual(FALSE);
}

// A modal dialog's loop delivers its timer: the scripted user moves the clock when the dialog is
// idle, and the dialog ends itself at its third WM_TIMER.
struct ModalRun {
    int timers = 0;
    int idleTurns = 0;
};

INT_PTR CALLBACK TimedDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    auto* run = reinterpret_cast<ModalRun*>(GetWindowLongPtrW(h, DWLP_USER));
    if (m == WM_INITDIALOG) {
        SetWindowLongPtrW(h, DWLP_USER, l);
        SetTimer(h, kTimerId, kPeriod, nullptr);
        return TRUE;
    }
    if (m == WM_TIMER && w == kTimerId && run && ++run->timers == 3) {
        KillTimer(h, kTimerId);
        EndDialog(h, IDOK);
    }
    return FALSE;
}

BOOL MoveTheClock(HWND, void* context) {
    auto* run = static_cast<ModalRun*>(context);
    if (++run->idleTurns > 10) return FALSE;  // a loop that never ends would hang here: stop acting
    PlatClockAdvance(kPeriod);
    return TRUE;
}

TEST(TimerLoops, AModalDialogsLoopDeliversItsTimer) {
    PlatClockSetManual(TRUE);
    HMODULE module = uitest::DialogModule();
    ASSERT_NE(module, nullptr);
    ModalRun run;
    PlatSetModalIdleHandler(MoveTheClock, &run);
    INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(kDialogMain), nullptr, TimedDialogProc,
                                     reinterpret_cast<LPARAM>(&run));
    PlatSetModalIdleHandler(nullptr, nullptr);
    PlatClockSetManual(FALSE);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(run.timers, 3);
    EXPECT_EQ(run.idleTurns, 3);
}

}  // namespace timer_test
