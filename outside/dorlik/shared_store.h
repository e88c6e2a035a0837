// The status manager's state as every process sees it: one file in the sandbox root, mapped
// into each process that uses the manager, behind a process-shared lock. It holds the
// variables of every printer, the history of published values and the refresh requests
// that travel from the interface DLL's processes to the monitor's.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace dorlik {

constexpr uint32_t kMaxPrinters = 128;
constexpr uint32_t kMaxVariables = 8192;
constexpr uint32_t kMaxRequests = 256;
constexpr uint32_t kHistoryEntries = 32768;
constexpr uint64_t kArenaBytes = 16u << 20;
constexpr uint64_t kHistoryBytes = 16u << 20;
constexpr uint32_t kMaxValueBytes = 1u << 20;
constexpr size_t kPrinterChars = 260;  // with the terminator
constexpr size_t kVariableChars = 64;  // with the terminator
constexpr size_t kRequestChars = 1024;

struct StoreHeader {
    uint64_t magic;
    uint32_t layout;
    uint32_t printerCount;
    pthread_mutex_t lock;      // robust and process-shared
    alignas(8) uint32_t wake;  // futex word: bumped on every change other processes may wait for
    uint32_t variableCount;
    uint64_t sequence;  // last change number handed to a variable
    uint64_t arenaUsed;
    uint64_t historyCount;     // entries ever written
    uint64_t historyPosition;  // bytes ever written to the history ring
    uint32_t nextCookie;
    uint32_t reserved;
};

struct StorePrinter {
    char16_t name[kPrinterChars];
    uint32_t serverPid;  // the process whose monitor serves this printer's refresh requests
    uint32_t reserved;
};

struct StoreVariable {
    uint32_t printer;
    uint32_t size;
    uint32_t capacity;
    uint32_t updates;
    uint64_t offset;     // in the value arena
    uint64_t changeSeq;  // the store sequence of its last change of value
    char name[kVariableChars];
};

enum RequestState : uint32_t { kRequestFree = 0, kRequestPending, kRequestTaken, kRequestDone };
enum RequestKind : uint32_t { kRequestDirect = 0, kRequestMessage, kRequestEvent };

struct StoreRequest {
    uint32_t cookie;
    uint32_t printer;
    uint32_t state;
    int32_t result;
    uint32_t requesterPid;
    uint32_t kind;
    uint64_t window;  // kRequestMessage: the requester's window, kRequestEvent: its event handle
    uint32_t message;
    uint32_t announced;  // the requester has been told the request is done
    char names[kRequestChars];
};

struct HistoryEntry {
    uint32_t variable;
    uint32_t size;
    uint64_t position;  // in the history byte stream
};

// A change of values in progress. The writer prepares it whole (the new value in the journal's
// value area, the records it will leave), then marks it due with one store and applies it; a
// later holder of the lock finds a due change its writer did not finish and applies it again. So
// a value is replaced whole or not at all, even when its writer dies half-way.
enum JournalState : uint32_t { kJournalIdle = 0, kJournalValue, kJournalCompact, kJournalClear };

struct StoreJournal {
    uint32_t state;
    uint32_t variable;  // kJournalValue: the variable's index and its record once written
    StoreVariable record;
    uint32_t variableCount;
    uint32_t writeValue;  // the value's bytes change
    uint32_t publish;     // the value is also kept in the history
    uint32_t reserved;
    uint64_t sequence;
    uint64_t arenaUsed;
    uint64_t historyCount;  // before the publication
    uint64_t historyPosition;
    uint64_t compactOffsets[kMaxVariables];  // kJournalCompact: each value's offset afterwards
};

struct StoreLayout {
    StoreHeader header;
    StorePrinter printers[kMaxPrinters];
    StoreVariable variables[kMaxVariables];
    StoreRequest requests[kMaxRequests];
    HistoryEntry history[kHistoryEntries];
    StoreJournal journal;
};

// One mapping of the store file; unmapped when the last user lets go.
struct Mapping {
    std::string root;
    int fd = -1;
    StoreLayout* layout = nullptr;
    unsigned char* arena = nullptr;
    unsigned char* historyBytes = nullptr;
    unsigned char* journalValue = nullptr;  // kMaxValueBytes: the value a due change writes
    unsigned char* compactArea = nullptr;   // kArenaBytes: the arena as a due compaction leaves it
    size_t length = 0;
    ~Mapping();
};

// The mapping of the current sandbox root's store (created on first use), or none when the
// file cannot be made.
std::shared_ptr<Mapping> CurrentMapping();

// Holds the store's lock; a lock left by a process that died is taken over, and a change that
// process left due is finished first.
class StoreLock {
public:
    explicit StoreLock(Mapping& m);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    Mapping& m_;
};

// Everything below runs with the store lock held.
// Index of the printer of that name, created when asked; -1 when unknown or the table is full.
int FindPrinter(Mapping& m, std::u16string_view name, bool create);
int FindVariable(Mapping& m, uint32_t printer, std::string_view name);
// Stores a value; returns the variable index, -1 when there is no room left. `changed` tells
// whether the value differs from the one before. A publication is counted and kept in the
// history; a default value put in place is not.
int WriteVariable(Mapping& m, uint32_t printer, std::string_view name, const void* value, uint32_t size, bool* changed,
                  bool publish);
const unsigned char* VariableValue(const Mapping& m, const StoreVariable& v);
// The value published `back` publications ago (0 = the newest), none when it left the ring.
bool HistoryValue(const Mapping& m, uint32_t variable, uint32_t back, std::string* value);
void WakeWaiters(Mapping& m);
void ClearStore(Mapping& m);

// Waits (real time) until the wake word moves away from `seen` or `ms` pass.
void WaitForChange(Mapping& m, uint32_t seen, int ms);
uint32_t WakeWord(const Mapping& m);

bool ProcessAlive(uint32_t pid);
uint32_t ThisProcess();

}  // namespace dorlik
