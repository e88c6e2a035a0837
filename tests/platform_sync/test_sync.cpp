// Threads, events, mutexes, semaphores and waits of the platform layer, in real-time mode.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "plat/control.h"
#include "plat/threads.h"
#include "platform/src/handle_table.h"
#include "win/kernel.h"

namespace {

// Real-time bound of a wait that ends as soon as what it waits for happens: it only decides how
// long a broken run takes to fail, so it is generous enough for a loaded sanitizer run.
constexpr DWORD kSyncBoundMs = 30000;

class SyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatClockSetManual(FALSE);
        handlesAtStart_ = plat::HandleCount();
    }
    void TearDown() override {
        EXPECT_TRUE(PlatWaitForThreadsToEnd(kSyncBoundMs));
        EXPECT_EQ(plat::HandleCount(), handlesAtStart_) << "a handle was left open";
    }
    size_t handlesAtStart_ = 0;
};

DWORD WINAPI ReturnParam(LPVOID p) {
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(p));
}

DWORD WINAPI WaitThenReturn(LPVOID p) {
    WaitForSingleObject(static_cast<HANDLE>(p), kSyncBoundMs);
    return 7;
}

TEST_F(SyncTest, ManualResetEventStaysSignaledAutoResetReleasesOneWaiter) {
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    ASSERT_NE(manual, nullptr);
    ASSERT_NE(automatic, nullptr);
    EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(SetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);                     // initially set
    EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // consumed
    CloseHandle(manual);
    CloseHandle(automatic);
}

TEST_F(SyncTest, SetEventWakesAWaitingThread) {
    HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE th = CreateThread(nullptr, 0, WaitThenReturn, ev, 0, nullptr);
    ASSERT_NE(th, nullptr);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(th, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(WaitForSingleObject(th, 50), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(ev);
    EXPECT_EQ(WaitForSingleObject(th, kSyncBoundMs), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(th, &code));
    EXPECT_EQ(code, 7u);
    CloseHandle(th);
    CloseHandle(ev);
}

TEST_F(SyncTest, NamedEventsShareOneObject) {
    HANDLE a = CreateEventW(nullptr, TRUE, FALSE, u"OrlaTestEvent");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE b = CreateEventW(nullptr, TRUE, FALSE, u"OrlaTestEvent");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    HANDLE c = OpenEventW(EVENT_ALL_ACCESS, FALSE, u"Global\\OrlaTestEvent");
    ASSERT_NE(c, nullptr);
    SetEvent(c);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);
    // The name is taken by an event: a mutex of that name cannot be made or opened.
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"OrlaTestEvent"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"OrlaTestEvent"), nullptr);
    CloseHandle(a);
    CloseHandle(b);
    CloseHandle(c);
    // Once the last handle is gone the name is free again.
    EXPECT_EQ(OpenEventW(EVENT_ALL_ACCESS, FALSE, u"OrlaTestEvent"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(SyncTest, WrongKindOfHandleIsRefused) {
    HANDLE m = CreateMutexW(nullptr, FALSE, nullptr);
    EXPECT_FALSE(SetEvent(m));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    EXPECT_FALSE(ReleaseMutex(ev));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD code;
    EXPECT_FALSE(GetExitCodeThread(ev, &code));
    CloseHandle(m);
    CloseHandle(ev);
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(0x7777770), 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(SetEvent(nullptr));
}

DWORD WINAPI TryMutex(LPVOID p) {
    return WaitForSingleObject(static_cast<HANDLE>(p), 0);
}

DWORD WINAPI TakeMutexAndEnd(LPVOID p) {
    return WaitForSingleObject(static_cast<HANDLE>(p), 0);
}

TEST_F(SyncTest, MutexIsRecursiveAndOwnedByOneThread) {
    HANDLE m = CreateMutexW(nullptr, TRUE, nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // owner again: recursion 2
    HANDLE th = CreateThread(nullptr, 0, TryMutex, m, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(th, kSyncBoundMs), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(th, &code);
    EXPECT_EQ(code, static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(th);

    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_FALSE(ReleaseMutex(m));  // no longer owned
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));

    th = CreateThread(nullptr, 0, TryMutex, m, 0, nullptr);  // free now; the thread ends owning it
    ASSERT_EQ(WaitForSingleObject(th, kSyncBoundMs), WAIT_OBJECT_0);
    GetExitCodeThread(th, &code);
    EXPECT_EQ(code, WAIT_OBJECT_0);
    CloseHandle(th);
    CloseHandle(m);
}

TEST_F(SyncTest, MutexOfAnEndedThreadIsAbandonedNotLeftLocked) {
    HANDLE m = CreateMutexW(nullptr, FALSE, u"OrlaAbandonTest");
    HANDLE th = CreateThread(nullptr, 0, TakeMutexAndEnd, m, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(th, kSyncBoundMs), WAIT_OBJECT_0);
    CloseHandle(th);
    EXPECT_EQ(WaitForSingleObject(m, 2000), static_cast<DWORD>(WAIT_ABANDONED));
    // The abandoned wait made us the owner.
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(m));
    CloseHandle(m);
}

TEST_F(SyncTest, NamedMutexInitialOwnershipOnlyForItsCreator) {
    HANDLE a = CreateMutexW(nullptr, FALSE, u"OrlaOwnerTest");
    HANDLE b = CreateMutexW(nullptr, TRUE, u"OrlaOwnerTest");  // exists: no ownership taken
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(ReleaseMutex(b));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    CloseHandle(a);
    CloseHandle(b);
}

TEST_F(SyncTest, SemaphoreCountsAndRefusesTooManyPosts) {
    EXPECT_EQ(CreateSemaphoreW(nullptr, 3, 2, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    HANDLE s = CreateSemaphoreW(nullptr, 2, 2, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(s, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(s, 2, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(ReleaseSemaphore(s, 1, &previous));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
    EXPECT_FALSE(ReleaseSemaphore(s, 0, nullptr));
    CloseHandle(s);
}

TEST_F(SyncTest, WaitAnyGivesLowestSignaledIndexWaitAllTakesAllAtOnce) {
    HANDLE e[3] = {CreateEventW(nullptr, FALSE, FALSE, nullptr), CreateEventW(nullptr, FALSE, TRUE, nullptr),
                   CreateEventW(nullptr, FALSE, TRUE, nullptr)};
    EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    SetEvent(e[0]);
    SetEvent(e[1]);
    // Not all set: wait-all takes nothing.
    EXPECT_EQ(WaitForMultipleObjects(3, e, TRUE, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(e[0], 0), WAIT_OBJECT_0);  // still set after the failed wait-all
    SetEvent(e[0]);
    SetEvent(e[2]);
    EXPECT_EQ(WaitForMultipleObjects(3, e, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    HANDLE twice[2] = {e[0], e[0]};
    EXPECT_EQ(WaitForMultipleObjects(2, twice, TRUE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(WaitForMultipleObjects(0, e, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, e, FALSE, 0), WAIT_FAILED);
    for (HANDLE h : e) CloseHandle(h);
}

TEST_F(SyncTest, ThreadIdAndExitCodeAndClosedHandleKeepsThreadRunning) {
    DWORD id = 0;
    HANDLE th = CreateThread(nullptr, 0, ReturnParam, reinterpret_cast<LPVOID>(42), 0, &id);
    ASSERT_NE(th, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(WaitForSingleObject(th, kSyncBoundMs), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(th, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_FALSE(TerminateThread(th, 0));  // never pretends a thread was killed
    CloseHandle(th);

    // Closing the only handle of a running thread does not stop it.
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    th = CreateThread(nullptr, 0, WaitThenReturn, ev, 0, nullptr);
    CloseHandle(th);
    EXPECT_EQ(PlatRunningThreadCount(), 1u);
    SetEvent(ev);
    EXPECT_TRUE(PlatWaitForThreadsToEnd(kSyncBoundMs));
    EXPECT_EQ(PlatRunningThreadCount(), 0u);
    CloseHandle(ev);
}

DWORD WINAPI OwnId(LPVOID) {
    return GetCurrentThreadId();
}

TEST_F(SyncTest, ReportedThreadIdIsTheThreadsOwn) {
    DWORD id = 0, code = 0;
    HANDLE th = CreateThread(nullptr, 0, OwnId, nullptr, 0, &id);
    ASSERT_EQ(WaitForSingleObject(th, kSyncBoundMs), WAIT_OBJECT_0);
    GetExitCodeThread(th, &code);
    EXPECT_EQ(code, id);
    EXPECT_NE(id, GetCurrentThreadId());
    CloseHandle(th);
}

struct PriorityProbe {
    HANDLE go;        // the thread reads its priority once this is signaled
    int seenAtStart;  // its own priority before anyone set it
    int seenAfterGo;  // its own priority after the creator set it
};

DWORD WINAPI ReadOwnPriority(LPVOID p) {
    auto* probe = static_cast<PriorityProbe*>(p);
    probe->seenAtStart = GetThreadPriority(GetCurrentThread());
    WaitForSingleObject(probe->go, kSyncBoundMs);
    probe->seenAfterGo = GetThreadPriority(GetCurrentThread());
    return 0;
}

TEST_F(SyncTest, ThreadPriorityIsKeptPerThreadAndOnlyKnownValuesAreTaken) {
    HANDLE self = GetCurrentThread();
    ASSERT_EQ(GetThreadPriority(self), THREAD_PRIORITY_NORMAL);
    struct Case {
        int value;
        BOOL taken;
    };
    const Case cases[] = {
        {THREAD_PRIORITY_IDLE, TRUE},
        {THREAD_PRIORITY_LOWEST, TRUE},
        {THREAD_PRIORITY_BELOW_NORMAL, TRUE},
        {THREAD_PRIORITY_ABOVE_NORMAL, TRUE},
        {THREAD_PRIORITY_HIGHEST, TRUE},
        {THREAD_PRIORITY_TIME_CRITICAL, TRUE},
        {THREAD_PRIORITY_NORMAL, TRUE},
        {3, FALSE},
        {-3, FALSE},
        {16, FALSE},
        {-16, FALSE},
    };
    int current = THREAD_PRIORITY_NORMAL;
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(SetThreadPriority(self, c.value), c.taken) << c.value;
        if (c.taken)
            current = c.value;
        else
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.value;
        EXPECT_EQ(GetThreadPriority(self), current) << c.value;
    }

    // Another thread has its own value; set through its handle, it sees it.
    ASSERT_TRUE(SetThreadPriority(self, THREAD_PRIORITY_HIGHEST));
    PriorityProbe probe{CreateEventW(nullptr, TRUE, FALSE, nullptr), 99, 99};
    HANDLE th = CreateThread(nullptr, 0, ReadOwnPriority, &probe, 0, nullptr);
    ASSERT_NE(th, nullptr);
    EXPECT_TRUE(SetThreadPriority(th, THREAD_PRIORITY_LOWEST));
    EXPECT_EQ(GetThreadPriority(th), THREAD_PRIORITY_LOWEST);
    SetEvent(probe.go);
    ASSERT_EQ(WaitForSingleObject(th, kSyncBoundMs), WAIT_OBJECT_0);
    EXPECT_EQ(probe.seenAfterGo, THREAD_PRIORITY_LOWEST);
    EXPECT_EQ(GetThreadPriority(self), THREAD_PRIORITY_HIGHEST);
    CloseHandle(th);
    CloseHandle(probe.go);

    // A new thread starts at normal, whatever its creator runs at.
    PriorityProbe fresh{CreateEventW(nullptr, TRUE, TRUE, nullptr), 99, 99};
    th = CreateThread(nullptr, 0, ReadOwnPriority, &fresh, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(th, kSyncBoundMs), WAIT_OBJECT_0);
    EXPECT_EQ(fresh.seenAtStart, THREAD_PRIORITY_NORMAL);
    CloseHandle(th);
    CloseHandle(fresh.go);

    // A handle that names no thread.
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetLastError(0);
    EXPECT_FALSE(SetThreadPriority(ev, THREAD_PRIORITY_LOWEST));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetThreadPriority(ev), THREAD_PRIORITY_ERROR_RETURN);
    EXPECT_EQ(GetThreadPriority(nullptr), THREAD_PRIORITY_ERROR_RETURN);
    CloseHandle(ev);
    EXPECT_TRUE(SetThreadPriority(self, THREAD_PRIORITY_NORMAL));
}

DWORD WINAPI WaitOnPulse(LPVOID p) {
    return WaitForSingleObject(static_cast<HANDLE>(p), kSyncBoundMs);
}

TEST_F(SyncTest, PulseEventReleasesCurrentWaitersAndLeavesItReset) {
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_TRUE(PulseEvent(ev));  // nobody waits: nothing happens
    EXPECT_EQ(WaitForSingleObject(ev, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    HANDLE th = CreateThread(nullptr, 0, WaitOnPulse, ev, 0, nullptr);
    // Pulse until the waiter has seen one (it may not be waiting yet at the first pulse).
    for (int i = 0; i < 500 && WaitForSingleObject(th, 10) == static_cast<DWORD>(WAIT_TIMEOUT); ++i) PulseEvent(ev);
    DWORD code = 1;
    GetExitCodeThread(th, &code);
    EXPECT_EQ(code, WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(ev, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(th);
    CloseHandle(ev);
}

struct Counter {
    HANDLE mutex;
    LONG value;
};

DWORD WINAPI IncrementUnderMutex(LPVOID p) {
    auto* c = static_cast<Counter*>(p);
    for (int i = 0; i < 2000; ++i) {
        if (WaitForSingleObject(c->mutex, kSyncBoundMs) != WAIT_OBJECT_0) return 1;
        LONG v = c->value;  // a lost update shows if two threads were inside at once
        std::this_thread::yield();
        c->value = v + 1;
        ReleaseMutex(c->mutex);
    }
    return 0;
}

TEST_F(SyncTest, MutexExcludesConcurrentThreads) {
    Counter c{CreateMutexW(nullptr, FALSE, nullptr), 0};
    HANDLE th[4];
    for (auto& t : th) t = CreateThread(nullptr, 0, IncrementUnderMutex, &c, 0, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(4, th, TRUE, 30000), WAIT_OBJECT_0);
    for (auto& t : th) {
        DWORD code = 9;
        GetExitCodeThread(t, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(t);
    }
    EXPECT_EQ(c.value, 8000);
    CloseHandle(c.mutex);
}

}  // namespace
