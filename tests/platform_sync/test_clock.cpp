// The hand-moved clock: GetTickCount, Sleep and timed waits follow it, so time-outs of minutes
// run in milliseconds of real time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "plat/control.h"
#include "plat/threads.h"
#include "platform/src/handle_table.h"
#include "win/kernel.h"

namespace {

// Real-time bound of a wait that ends as soon as what it waits for happens: it only decides how
// long a broken run takes to fail, so it is generous enough for a loaded sanitizer run.
constexpr int kClockBoundMs = 30000;

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override { PlatClockSetManual(TRUE); }
    void TearDown() override {
        PlatClockSetAutoAdvance(FALSE);
        PlatClockSetManual(FALSE);
        EXPECT_TRUE(PlatWaitForThreadsToEnd(kClockBoundMs));
    }
};

struct TimedWait {
    HANDLE object;
    DWORD timeout;
    std::atomic<DWORD> result{0xDEAD};
};

DWORD WINAPI DoTimedWait(LPVOID p) {
    auto* w = static_cast<TimedWait*>(p);
    w->result = WaitForSingleObject(w->object, w->timeout);
    return 0;
}

// Until `n` threads wait on the manual clock (the real-time bound only ends a broken run).
bool WaitersReach(DWORD n) {
    return PlatClockWaitForSettledWaiters(n, kClockBoundMs) && PlatClockTimedWaiters() >= n;
}

// Real-time guard: true once the thread has ended within `ms` of real time. A short `ms` only
// shows that the thread is still waiting (platform time stands still); a thread that must end is
// given kClockBoundMs.
bool EndsWithin(HANDLE thread, int ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        DWORD code = 0;
        if (GetExitCodeThread(thread, &code) && code != static_cast<DWORD>(STILL_ACTIVE)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST_F(ClockTest, ManualClockStandsStillUntilAdvanced) {
    DWORD t0 = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(GetTickCount(), t0);
    PlatClockAdvance(1500);
    EXPECT_EQ(GetTickCount(), t0 + 1500);
    EXPECT_EQ(PlatClockNow(), t0 + 1500);
}

TEST_F(ClockTest, TimedWaitEndsOnlyWhenClockPassesItsDeadline) {
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    TimedWait w{ev, 30000};
    HANDLE th = CreateThread(nullptr, 0, DoTimedWait, &w, 0, nullptr);
    ASSERT_TRUE(WaitersReach(1));
    EXPECT_FALSE(EndsWithin(th, 50));  // real time passes, platform time does not
    PlatClockAdvance(29999);
    // Woken by the move, the waiter finds its deadline a millisecond ahead and waits again.
    EXPECT_TRUE(PlatClockWaitForSettledWaiters(1, kClockBoundMs));
    EXPECT_FALSE(EndsWithin(th, 30));
    PlatClockAdvance(1);
    ASSERT_TRUE(EndsWithin(th, kClockBoundMs));
    EXPECT_EQ(w.result.load(), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(PlatClockTimedWaiters(), 0u);
    CloseHandle(th);
    CloseHandle(ev);
}

TEST_F(ClockTest, SignalBeatsTheManualDeadline) {
    HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    TimedWait w{ev, 60000};
    HANDLE th = CreateThread(nullptr, 0, DoTimedWait, &w, 0, nullptr);
    EXPECT_FALSE(EndsWithin(th, 20));
    SetEvent(ev);
    ASSERT_TRUE(EndsWithin(th, kClockBoundMs));
    EXPECT_EQ(w.result.load(), WAIT_OBJECT_0);
    CloseHandle(th);
    CloseHandle(ev);
}

DWORD WINAPI SleepTenSeconds(LPVOID) {
    Sleep(10000);
    return 0;
}

TEST_F(ClockTest, SleepFollowsTheClock) {
    HANDLE th = CreateThread(nullptr, 0, SleepTenSeconds, nullptr, 0, nullptr);
    ASSERT_TRUE(WaitersReach(1));
    EXPECT_FALSE(EndsWithin(th, 30));
    for (int i = 0; i < 9; ++i) PlatClockAdvance(1000);
    EXPECT_FALSE(EndsWithin(th, 20));
    PlatClockAdvance(1000);
    EXPECT_TRUE(EndsWithin(th, kClockBoundMs));
    CloseHandle(th);
}

TEST_F(ClockTest, AutoAdvanceJumpsToTheEarliestDeadline) {
    PlatClockSetAutoAdvance(TRUE);
    DWORD t0 = GetTickCount();
    auto realStart = std::chrono::steady_clock::now();
    Sleep(600000);  // ten minutes of platform time
    EXPECT_EQ(GetTickCount() - t0, 600000u);
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(ev, 30000), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(GetTickCount() - t0, 630000u);
    // Ten minutes and a half of platform time pass at once; a run that waited them in real time
    // would take far longer than this bound.
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::milliseconds(kClockBoundMs));
    CloseHandle(ev);
}

TEST_F(ClockTest, TickCountWrapsAt32BitsWhileTheWideCountGoesOn) {
    DWORD t0 = GetTickCount();
    ULONGLONG wide0 = GetTickCount64();
    PlatClockAdvance(0xFFFFFFFFu - t0);  // one millisecond before the wrap
    EXPECT_EQ(GetTickCount(), 0xFFFFFFFFu);
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    TimedWait w{ev, 10};
    HANDLE th = CreateThread(nullptr, 0, DoTimedWait, &w, 0, nullptr);
    ASSERT_TRUE(WaitersReach(1));  // its deadline is set before the clock moves
    PlatClockAdvance(5);           // across the wrap, deadline not reached
    EXPECT_FALSE(EndsWithin(th, 20));
    EXPECT_LT(GetTickCount(), 10u);
    PlatClockAdvance(5);
    EXPECT_TRUE(EndsWithin(th, kClockBoundMs));
    EXPECT_EQ(GetTickCount64() - wide0, static_cast<ULONGLONG>(0xFFFFFFFFu - t0) + 10);
    CloseHandle(th);
    CloseHandle(ev);
}

TEST_F(ClockTest, SwitchingBackToRealTimeKeepsTimeMonotonic) {
    PlatClockAdvance(100000);
    ULONGLONG manual = GetTickCount64();
    PlatClockSetManual(FALSE);
    ULONGLONG real = GetTickCount64();
    EXPECT_GE(real, manual);
    EXPECT_LT(real - manual, static_cast<ULONGLONG>(kClockBoundMs));  // no jump, whatever the load
    // A timed wait in real time takes real time.
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(ev, 30), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(29));
    CloseHandle(ev);
}

}  // namespace
