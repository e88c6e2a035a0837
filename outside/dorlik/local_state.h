// What one process keeps of the status manager beside the shared store: its manager handles,
// its notification registrations, and the service thread that watches the store for it.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "outside/dorlik/dorlik_api.h"
#include "outside/dorlik/shared_store.h"

namespace dorlik {

struct Manager {
    std::u16string printer;
    DWORD mode = 0;
    bool monitor = false;  // the language monitor's binding: this process serves the printer
};

struct Registration {
    DWORD cookie = 0;
    HANDLE manager = nullptr;
    std::u16string printer;
    std::vector<std::string> names;
    std::vector<HANDLE> events;  // one per name, or none for a callback
    std::vector<uint64_t> seen;  // the change number last signalled, per name
    PFN_DorlikNotificationCallback callback = nullptr;
    void* context = nullptr;
};

struct LocalState {
    std::mutex lock;  // taken before the store's lock, never after it
    std::map<ULONG_PTR, Manager> managers;
    std::vector<Registration> registrations;
    std::map<std::u16string, int> served;  // monitor bindings per printer
    ULONG_PTR nextHandle = 0x4000;
    DWORD nextCookie = 1;
    bool serviceStarted = false;
    HINSTANCE module = nullptr;
    std::condition_variable handlesClosed;  // a manager or registration went (tests wait on it)
};

LocalState& local();
// Frees the process state when the service thread never ran (the library is being unloaded).
void FreeLocalStateIfIdle();

// The change numbers of a printer's variables, for a new registration's starting point.
void StartFrom(Mapping& m, Registration& r);
// Signals every registration whose variables changed since it last looked; the local lock is
// held by the caller. Callbacks to make are handed back, to be called without any lock.
struct PendingCallback {
    PFN_DorlikNotificationCallback callback;
    void* context;
    std::string name;
};
void DeliverChanges(Mapping& m, LocalState& s, std::vector<PendingCallback>* callbacks);
void RunCallbacks(const std::vector<PendingCallback>& callbacks);

// Starts the thread that serves refresh requests for this process's monitor, tells requesters
// that their refresh finished and signals changes made by other processes. It keeps the
// library loaded from then on, as a service stays.
void EnsureServiceThread(LocalState& s);

}  // namespace dorlik
