#include "outside/qzpjm/job_service.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "plat/message_window.h"
#include "plat/monitor_host.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/user_msg.h"

namespace qzpjm {
namespace {

constexpr char16_t kBaseKey[] = u"SOFTWARE\\Tamsa Korvel\\QzPJMService";
constexpr char16_t kVersion[] = u"5.0";
constexpr DWORD kTableEntries = 512;
constexpr DWORD kTableBytes = 8 + 8 * kTableEntries;

struct Service {
    std::mutex lock;
    std::condition_variable changed;
    bool running = false;
    Options options;
    HWND window = nullptr;
    HANDLE mutex = nullptr;
    HANDLE mapping = nullptr;
    BYTE* table = nullptr;
    bool holdingMutex = false;
    std::thread messageThread;
    std::thread holder;  // a mutex is owned by a thread: this one holds it for HoldTableMutex
    HANDLE holderRelease = nullptr;
    std::vector<Posted> messages;
};

Service& service() {
    static Service* s = new Service;
    return *s;
}

BOOL SetString(HKEY key, LPCWSTR name, const std::u16string& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR))) == ERROR_SUCCESS;
}

HKEY CreateKey(const std::u16string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

BOOL WriteRegistry(const Options& o) {
    std::u16string base = kBaseKey;
    std::u16string version = base + u"\\" + kVersion;
    HKEY b = CreateKey(base);
    HKEY v = CreateKey(version);
    HKEY svc = CreateKey(version + u"\\QzPJMService");
    HKEY mode = CreateKey(version + u"\\QzPJMService\\" + kVersion);
    BOOL ok = b && v && svc && mode;
    if (ok) {
        DWORD run = o.runStatus;
        ok = SetString(b, u"CurrentVersion", kVersion) && SetString(v, u"EventLogFolder", o.eventLogFolder) &&
             RegSetValueExW(v, u"RunStatus", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&run), 4) == ERROR_SUCCESS &&
             SetString(svc, u"CurrentVersion", kVersion) &&
             SetString(mode, u"RunMode", o.debugMode ? u"Debug" : u"Release");
    }
    for (HKEY k : {b, v, svc, mode}) {
        if (k) RegCloseKey(k);
    }
    return ok;
}

std::u16string EventName(const char* prefix, DWORD jobId) {
    std::string text = std::string(prefix) + std::to_string(jobId);
    return std::u16string(text.begin(), text.end());
}

BOOL SignalJobEvent(const char* prefix, DWORD jobId) {
    // The monitor creates the event before it posts; a missing one means nobody waits.
    HANDLE e = OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName(prefix, jobId).c_str());
    if (e == nullptr) return FALSE;
    BOOL ok = SetEvent(e);
    CloseHandle(e);
    return ok;
}

void MessageLoop(HWND window) {
    MSG msg;
    // Ends when Stop destroys the window.
    while (PlatGetWindowMessage(window, &msg, INFINITE)) {
        Posted p{msg.message, u"", static_cast<DWORD>(msg.lParam)};
        if (msg.message == kRestartRequest) {
            WCHAR name[256] = {};
            if (GlobalGetAtomNameW(static_cast<ATOM>(msg.wParam), name, 256)) p.printer = name;
        }
        Answer answer;
        {
            Service& s = service();
            std::lock_guard<std::mutex> g(s.lock);
            s.messages.push_back(p);
            answer = s.options.answer;
            s.changed.notify_all();
        }
        if (msg.message == kRestartRequest) {
            if (answer == Answer::Release) SignalJobEvent("QzLM_ALLOW", p.jobId);
            if (answer == Answer::Refuse) SignalJobEvent("QzLM_OVER", p.jobId);
        }
    }
}

// Caller holds service().lock and the table mutex.
DWORD* Words(Service& s) {
    return reinterpret_cast<DWORD*>(s.table);
}

}  // namespace

BOOL Start(const Options& options) {
    Service& s = service();
    std::lock_guard<std::mutex> g(s.lock);
    if (s.running) return FALSE;
    s.options = options;
    s.messages.clear();
    if (!WriteRegistry(options)) return FALSE;
    if (options.createTable) {
        s.mutex = CreateMutexW(nullptr, FALSE, u"QZ_FILEMAPPING_MUTEX");
        s.mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kTableBytes,
                                       u"QZ_JOBPROCESS_FILEMAPPING");
        s.table =
            s.mapping ? static_cast<BYTE*>(MapViewOfFile(s.mapping, FILE_MAP_ALL_ACCESS, 0, 0, kTableBytes)) : nullptr;
        if (!s.mutex || !s.table) {
            if (s.table) UnmapViewOfFile(s.table);
            if (s.mapping) CloseHandle(s.mapping);
            if (s.mutex) CloseHandle(s.mutex);
            s.table = nullptr;
            s.mapping = s.mutex = nullptr;
            return FALSE;
        }
        memset(s.table, 0, kTableBytes);
        Words(s)[0] = 1;  // in use
    }
    s.window = PlatCreateMessageWindow(u"QzPJMService", u"QzPJMService");
    if (!s.window) return FALSE;
    if (options.installed) PlatSetServiceInstalled(u"QzPJMService", TRUE);
    s.messageThread = std::thread(MessageLoop, s.window);
    s.running = true;
    return TRUE;
}

void Stop() {
    Service& s = service();
    std::thread loop;
    {
        std::lock_guard<std::mutex> g(s.lock);
        if (!s.running) return;
        s.running = false;
        PlatSetServiceInstalled(u"QzPJMService", FALSE);
        PlatDestroyMessageWindow(s.window);
        s.window = nullptr;
        loop.swap(s.messageThread);
    }
    if (loop.joinable()) loop.join();
    ReleaseTableMutex();
    std::lock_guard<std::mutex> g(s.lock);
    if (s.table) UnmapViewOfFile(s.table);
    if (s.mapping) CloseHandle(s.mapping);
    if (s.mutex) CloseHandle(s.mutex);
    s.table = nullptr;
    s.mapping = s.mutex = nullptr;
}

BOOL IsRunning() {
    Service& s = service();
    std::lock_guard<std::mutex> g(s.lock);
    return s.running;
}

BOOL AddPreprocessedJob(DWORD jobId) {
    Service& s = service();
    std::lock_guard<std::mutex> g(s.lock);
    if (!s.table) return FALSE;
    if (WaitForSingleObject(s.mutex, 10000) != WAIT_OBJECT_0) return FALSE;
    DWORD* w = Words(s);
    BOOL ok = w[1] < kTableEntries;
    if (ok) {
        w[2 + 2 * w[1]] = jobId;
        w[3 + 2 * w[1]] = 0;
        ++w[1];
    }
    ReleaseMutex(s.mutex);
    return ok;
}

BOOL SetTableInUse(BOOL inUse) {
    Service& s = service();
    std::lock_guard<std::mutex> g(s.lock);
    if (!s.table) return FALSE;
    if (WaitForSingleObject(s.mutex, 10000) != WAIT_OBJECT_0) return FALSE;
    Words(s)[0] = inUse ? 1 : 0;
    ReleaseMutex(s.mutex);
    return TRUE;
}

BOOL HoldTableMutex() {
    Service& s = service();
    std::lock_guard<std::mutex> g(s.lock);
    if (!s.mutex || s.holdingMutex) return FALSE;
    s.holderRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE mutex = s.mutex, release = s.holderRelease;
    s.holder = std::thread([mutex, release, taken] {
        WaitForSingleObject(mutex, INFINITE);
        SetEvent(taken);
        WaitForSingleObject(release, INFINITE);
        ReleaseMutex(mutex);
    });
    // Real time: the holder thread takes a free mutex at once.
    while (WaitForSingleObject(taken, 0) != WAIT_OBJECT_0) std::this_thread::yield();
    CloseHandle(taken);
    s.holdingMutex = true;
    return TRUE;
}

BOOL ReleaseTableMutex() {
    Service& s = service();
    std::thread holder;
    HANDLE release;
    {
        std::lock_guard<std::mutex> g(s.lock);
        if (!s.holdingMutex) return FALSE;
        s.holdingMutex = false;
        holder.swap(s.holder);
        release = s.holderRelease;
        s.holderRelease = nullptr;
    }
    SetEvent(release);
    holder.join();
    CloseHandle(release);
    return TRUE;
}

void SetAnswer(Answer answer) {
    Service& s = service();
    std::lock_guard<std::mutex> g(s.lock);
    s.options.answer = answer;
}

BOOL ReleaseJob(DWORD jobId) {
    return SignalJobEvent("QzLM_ALLOW", jobId);
}
BOOL RefuseJob(DWORD jobId) {
    return SignalJobEvent("QzLM_OVER", jobId);
}

std::vector<Posted> Messages() {
    Service& s = service();
    std::lock_guard<std::mutex> g(s.lock);
    return s.messages;
}

BOOL WaitForMessage(UINT message, DWORD jobId, DWORD realMilliseconds) {
    Service& s = service();
    std::unique_lock<std::mutex> g(s.lock);
    return s.changed.wait_for(g, std::chrono::milliseconds(realMilliseconds), [&] {
        for (const auto& m : s.messages) {
            if (m.message == message && m.jobId == jobId) return true;
        }
        return false;
    });
}

}  // namespace qzpjm
