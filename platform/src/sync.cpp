// Events, mutexes and semaphores, named or not, and the waits on them (threads are waitable too).
// Every state change happens under the dispatcher lock and wakes all waiters to look again.
#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "plat_internal.h"
#include "sync_internal.h"
#include "win/kernel.h"

namespace plat {
namespace {

// One namespace for named events, mutexes and semaphores. There is one session here, so the
// "Global\" and "Local\" prefixes name the same object as the bare name.
struct NameTable {
    std::mutex lock;
    std::map<std::u16string, std::weak_ptr<SyncObject>> objects;
};

NameTable& names() {
    static NameTable* t = new NameTable;
    return *t;
}

std::u16string ObjectName(LPCWSTR name) {
    std::u16string s(name);
    for (std::u16string_view prefix : {std::u16string_view(u"Global\\"), std::u16string_view(u"Local\\")}) {
        if (s.size() > prefix.size() && std::u16string_view(s).substr(0, prefix.size()) == prefix) {
            return s.substr(prefix.size());
        }
    }
    return s;
}

// Creates an object, or opens the existing one of that name (ERROR_ALREADY_EXISTS).
template <class Init>
HANDLE CreateSync(SyncKind kind, LPCWSTR name, Init init) {
    if (name == nullptr || name[0] == 0) {
        auto object = std::make_shared<SyncObject>();
        object->kind = kind;
        init(*object);
        SetLastError(ERROR_SUCCESS);
        return HandleInsert(object);
    }
    NameTable& t = names();
    std::lock_guard<std::mutex> g(t.lock);
    std::u16string key = ObjectName(name);
    auto it = t.objects.find(key);
    if (it != t.objects.end()) {
        if (auto existing = it->second.lock()) {
            if (existing->kind != kind) {
                SetLastError(ERROR_INVALID_HANDLE);  // the name is taken by another kind of object
                return nullptr;
            }
            HANDLE h = HandleInsert(existing);
            SetLastError(ERROR_ALREADY_EXISTS);
            return h;
        }
    }
    auto object = std::make_shared<SyncObject>();
    object->kind = kind;
    object->name = key;
    init(*object);
    t.objects[key] = object;
    SetLastError(ERROR_SUCCESS);
    return HandleInsert(object);
}

HANDLE OpenSync(SyncKind kind, LPCWSTR name) {
    if (name == nullptr || name[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    NameTable& t = names();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.objects.find(ObjectName(name));
    auto existing = it == t.objects.end() ? nullptr : it->second.lock();
    if (!existing) {
        if (it != t.objects.end()) t.objects.erase(it);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (existing->kind != kind) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return HandleInsert(existing);
}

std::shared_ptr<SyncObject> GetSync(HANDLE h, SyncKind kind) {
    auto object = HandleGet<SyncObject>(h);
    if (!object || object->kind != kind) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object;
}

// Mutexes the calling thread owns, so they are abandoned (not left locked forever) when it ends.
struct OwnedMutexes {
    std::vector<std::weak_ptr<SyncObject>> list;
    ~OwnedMutexes() {
        DWORD me = CurrentThreadIdentity();
        std::lock_guard<std::mutex> g(DispatchLock());
        bool any = false;
        for (auto& weak : list) {
            auto m = weak.lock();
            if (m && m->owner == me) {
                m->owner = 0;
                m->recursion = 0;
                m->abandoned = true;
                any = true;
            }
        }
        if (any) DispatchWakeAll();
    }
};
thread_local OwnedMutexes t_owned;

void NoteOwned(const std::shared_ptr<SyncObject>& m) {
    auto& list = t_owned.list;
    list.erase(std::remove_if(list.begin(), list.end(), [](auto& w) { return w.expired(); }), list.end());
    list.push_back(m);
}

void NoteReleased(const SyncObject* m) {
    auto& list = t_owned.list;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [m](auto& w) {
                                  auto p = w.lock();
                                  return !p || p.get() == m;
                              }),
               list.end());
}

struct Waiter {
    std::shared_ptr<SyncObject> object;
    unsigned long pulsesAtStart = 0;
};

// Dispatcher lock held.
bool IsSignaled(const Waiter& w, DWORD me) {
    const SyncObject& o = *w.object;
    switch (o.kind) {
        case SyncKind::Event:
            if (o.signaled) return true;
            if (o.manualReset) return o.pulses != w.pulsesAtStart;
            return o.pulsePending && o.pulses != w.pulsesAtStart;
        case SyncKind::Mutex:
            return o.owner == 0 || o.owner == me;
        case SyncKind::Semaphore:
            return o.count > 0;
        case SyncKind::Thread:
            return o.signaled;
    }
    return false;
}

// Takes what satisfying the wait takes; TRUE when the object was an abandoned mutex.
bool Satisfy(Waiter& w, DWORD me) {
    SyncObject& o = *w.object;
    switch (o.kind) {
        case SyncKind::Event:
            if (!o.manualReset) {
                o.signaled = false;
                o.pulsePending = false;
            }
            return false;
        case SyncKind::Mutex: {
            bool abandoned = o.abandoned;
            o.abandoned = false;
            if (o.owner != me) {
                o.owner = me;
                o.recursion = 0;
                NoteOwned(w.object);
            }
            ++o.recursion;
            return abandoned;
        }
        case SyncKind::Semaphore:
            --o.count;
            return false;
        case SyncKind::Thread:
            return false;
    }
    return false;
}

// `until`: a clock time, or kNoDeadline; in milliseconds from now when `relative`.
DWORD WaitFor(const HANDLE* handles, DWORD count, bool all, ULONGLONG until, bool relative) {
    if (handles == nullptr || count == 0 || count > MAXIMUM_WAIT_OBJECTS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<Waiter> waiters(count);
    for (DWORD i = 0; i < count; ++i) {
        waiters[i].object = HandleGet<SyncObject>(handles[i]);
        if (!waiters[i].object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        if (all) {
            for (DWORD j = 0; j < i; ++j) {
                if (waiters[j].object == waiters[i].object) {
                    SetLastError(ERROR_INVALID_PARAMETER);  // one object twice in a wait-all
                    return WAIT_FAILED;
                }
            }
        }
    }
    DWORD me = CurrentThreadIdentity();
    std::unique_lock<std::mutex> lock(DispatchLock());
    const ULONGLONG deadline = until == kNoDeadline || !relative ? until : ClockNowLocked() + until;
    for (auto& w : waiters) {
        w.pulsesAtStart = w.object->pulses;
        ++w.object->waiters;
    }
    DWORD result = WAIT_TIMEOUT;
    for (;;) {
        if (all) {
            bool ready =
                std::all_of(waiters.begin(), waiters.end(), [me](const Waiter& w) { return IsSignaled(w, me); });
            if (ready) {
                DWORD abandoned = 0;
                bool anyAbandoned = false;
                for (DWORD i = 0; i < count; ++i) {
                    if (Satisfy(waiters[i], me) && !anyAbandoned) {
                        anyAbandoned = true;
                        abandoned = i;
                    }
                }
                result = anyAbandoned ? WAIT_ABANDONED + abandoned : WAIT_OBJECT_0;
                break;
            }
        } else {
            bool done = false;
            for (DWORD i = 0; i < count; ++i) {
                if (IsSignaled(waiters[i], me)) {
                    result = Satisfy(waiters[i], me) ? WAIT_ABANDONED + i : WAIT_OBJECT_0 + i;
                    done = true;
                    break;
                }
            }
            if (done) break;
        }
        if (!DispatchWait(lock, deadline)) {
            result = WAIT_TIMEOUT;
            break;
        }
    }
    for (auto& w : waiters) --w.object->waiters;
    // A mutex or semaphore taken, or an auto-reset event consumed, changes what others see.
    DispatchWakeAll();
    return result;
}

}  // namespace

DWORD WaitForObjectsUntil(DWORD count, const HANDLE* handles, ULONGLONG until) {
    return WaitFor(handles, count, false, until, false);
}

}  // namespace plat

using namespace plat;

extern "C" {

// Unnamed events and mutexes can be made to fail (the system out of resources); named ones are
// looked up by name and are not.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) {
    if ((lpName == nullptr || lpName[0] == 0) && FailNow("CreateEventW", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    return CreateSync(SyncKind::Event, lpName, [&](SyncObject& o) {
        o.manualReset = bManualReset != FALSE;
        o.signaled = bInitialState != FALSE;
    });
}

HANDLE OpenEventW(DWORD, BOOL, LPCWSTR lpName) {
    return OpenSync(SyncKind::Event, lpName);
}

BOOL SetEvent(HANDLE hEvent) {
    auto o = GetSync(hEvent, SyncKind::Event);
    if (!o) return FALSE;
    std::lock_guard<std::mutex> g(DispatchLock());
    o->signaled = true;
    DispatchWakeAll();
    return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
    auto o = GetSync(hEvent, SyncKind::Event);
    if (!o) return FALSE;
    std::lock_guard<std::mutex> g(DispatchLock());
    o->signaled = false;
    return TRUE;
}

// Releases the threads waiting right now (one for an auto-reset event) and leaves it reset.
BOOL PulseEvent(HANDLE hEvent) {
    auto o = GetSync(hEvent, SyncKind::Event);
    if (!o) return FALSE;
    std::lock_guard<std::mutex> g(DispatchLock());
    o->signaled = false;
    if (o->waiters > 0) {
        ++o->pulses;
        o->pulsePending = !o->manualReset;
        DispatchWakeAll();
    }
    return TRUE;
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCWSTR lpName) {
    if ((lpName == nullptr || lpName[0] == 0) && FailNow("CreateMutexW", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    HANDLE h = CreateSync(SyncKind::Mutex, lpName, [&](SyncObject&) {});
    if (h == nullptr) return nullptr;
    DWORD lastError = GetLastError();
    // Initial ownership is taken only by the creator of a new mutex, as on Windows.
    if (bInitialOwner && lastError != ERROR_ALREADY_EXISTS) {
        auto o = HandleGet<SyncObject>(h);
        std::lock_guard<std::mutex> g(DispatchLock());
        if (o->owner == 0) {
            o->owner = CurrentThreadIdentity();
            o->recursion = 1;
            NoteOwned(o);
        }
    }
    SetLastError(lastError);
    return h;
}

HANDLE OpenMutexW(DWORD, BOOL, LPCWSTR lpName) {
    return OpenSync(SyncKind::Mutex, lpName);
}

BOOL ReleaseMutex(HANDLE hMutex) {
    auto o = GetSync(hMutex, SyncKind::Mutex);
    if (!o) return FALSE;
    std::lock_guard<std::mutex> g(DispatchLock());
    if (o->owner != CurrentThreadIdentity() || o->recursion <= 0) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--o->recursion == 0) {
        o->owner = 0;
        NoteReleased(o.get());
        DispatchWakeAll();
    }
    return TRUE;
}

HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG lInitialCount, LONG lMaximumCount, LPCWSTR lpName) {
    if (lMaximumCount <= 0 || lInitialCount < 0 || lInitialCount > lMaximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateSync(SyncKind::Semaphore, lpName, [&](SyncObject& o) {
        o.count = lInitialCount;
        o.maximum = lMaximumCount;
    });
}

BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount) {
    auto o = GetSync(hSemaphore, SyncKind::Semaphore);
    if (!o) return FALSE;
    if (lReleaseCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(DispatchLock());
    if (o->count > o->maximum - lReleaseCount) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    if (lpPreviousCount) *lpPreviousCount = o->count;
    o->count += lReleaseCount;
    DispatchWakeAll();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    return WaitFor(&hHandle, 1, false, dwMilliseconds == INFINITE ? kNoDeadline : dwMilliseconds, true);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
    return WaitFor(lpHandles, nCount, bWaitAll != FALSE, dwMilliseconds == INFINITE ? kNoDeadline : dwMilliseconds,
                   true);
}

}  // extern "C"
