// The process's one window table: message-only windows of the outside services and ordinary
// windows with procedures, their links and longs, and the per-thread message queues. Shared by
// the files of USER; not seen by driver code.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "win/user.h"

namespace plat {

struct DialogState;

inline constexpr size_t kMaxQueue = 10000;
// The thread of windows no thread owns (the desktop): their procedure runs on the sender's.
inline constexpr DWORD kNoThread = 0;  // Windows refuses posts beyond its queue quota too

// A message sent to a window of another thread, waiting for that thread's loop to deliver it.
struct SentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool delivered = false;
    bool abandoned = false;  // the receiver's window went away before delivery
    HANDLE done = nullptr;   // manual-reset: set once delivered or abandoned
};

// One thread's queue: messages posted to its windows or to the thread, and messages other
// threads sent. `wake` is signalled whenever either gains an entry.
struct ThreadQueue {
    DWORD thread = 0;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    HANDLE wake = nullptr;  // auto-reset
    HWND focus = nullptr;
    HWND active = nullptr;
    int sendDepth = 0;  // >0 while a message from another thread is being handled
    bool quit = false;
    int quitCode = 0;
};

struct Window {
    std::u16string className;
    std::u16string title;
    // Message-only windows of the services keep their own queue and have no procedure.
    bool messageOnly = false;
    std::deque<MSG> queue;
    HANDLE ready = nullptr;  // auto-reset: a message was posted
    // Ordinary windows.
    DWORD thread = 0;
    // Fields other threads read (state queries, the test interface) are atomic; the rectangle and
    // the extra bytes are read and written under the table's lock.
    std::atomic<WNDPROC> proc{nullptr};
    HINSTANCE instance = nullptr;
    HWND self = nullptr;
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::vector<HWND> children;  // in z-order, first on top (creation order)
    std::atomic<DWORD> style{0};
    std::atomic<DWORD> exStyle{0};
    std::atomic<LONG_PTR> id{0};
    std::atomic<LONG_PTR> userData{0};
    RECT rect{};  // in the parent's client coordinates (screen for top-level windows)
    std::vector<BYTE> extra;
    std::atomic<HFONT> font{nullptr};
    std::atomic<bool> destroying{false};  // read by other threads (FindWindowW)
    std::shared_ptr<DialogState> dialog;
};

struct Windows {
    std::mutex lock;
    std::map<ULONG_PTR, std::shared_ptr<Window>> byHandle;
    std::map<DWORD, std::shared_ptr<ThreadQueue>> queues;
    ULONG_PTR next = 0x10000;
};

Windows& WindowTable();
// Under the table's lock.
std::shared_ptr<Window> FindWindowLocked(Windows& w, HWND h);
HWND AddWindowLocked(Windows& w, std::shared_ptr<Window> window);
std::shared_ptr<ThreadQueue> QueueForLocked(Windows& w, DWORD thread);
// Without the lock held.
std::shared_ptr<Window> FindWindowEntry(HWND h);
std::shared_ptr<ThreadQueue> CurrentQueue();
// Hands a posted message to its window's thread; FALSE with the last error set when it cannot.
BOOL PostToThreadLocked(Windows& w, ThreadQueue& q, const MSG& message);
// Delivers every message other threads sent to this thread (returns how many).
int DeliverSentMessages();

}  // namespace plat
