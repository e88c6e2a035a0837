// The mapped store file of the status manager and the operations on it.
#include "outside/dorlik/shared_store.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <vector>

#include "plat/control.h"

namespace dorlik {
namespace {

constexpr uint64_t kMagic = 0x3153524b524f4444ull;
constexpr uint32_t kLayout = 2;
constexpr const char* kStoreFile = "/C/Windows/System32/spool/Dorlik.store";
constexpr uint64_t kArenaAlign = 16;

size_t PageRound(size_t n) {
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return (n + page - 1) / page * page;
}

size_t ArenaAt() {
    return PageRound(sizeof(StoreLayout));
}

// The header records, the value arena, the history ring, the journal's value and the arena as a
// due compaction leaves it.
size_t FileLength() {
    return ArenaAt() + kArenaBytes + kHistoryBytes + kMaxValueBytes + kArenaBytes;
}

bool MakeParents(const std::string& path) {
    for (size_t at = 1; at < path.size(); ++at) {
        if (path[at] != '/') continue;
        if (mkdir(path.substr(0, at).c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// A new or foreign file gets a fresh header; the file lock keeps two first users apart.
bool InitialiseIfNew(StoreLayout* layout) {
    StoreHeader& h = layout->header;
    if (h.magic == kMagic && h.layout == kLayout) return true;
    std::memset(layout, 0, sizeof(StoreLayout));
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    int rc = pthread_mutex_init(&h.lock, &attr);
    pthread_mutexattr_destroy(&attr);
    if (rc != 0) return false;
    h.layout = kLayout;
    h.nextCookie = 1;
    __atomic_store_n(&h.magic, kMagic, __ATOMIC_RELEASE);
    return true;
}

std::shared_ptr<Mapping> MapStore(const std::string& root) {
    auto m = std::make_shared<Mapping>();
    m->root = root;
    std::string path = root + kStoreFile;
    if (!MakeParents(path)) return nullptr;
    m->fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m->fd < 0) return nullptr;
    if (flock(m->fd, LOCK_EX) != 0) return nullptr;
    struct stat st {};
    bool ok = fstat(m->fd, &st) == 0 && (static_cast<size_t>(st.st_size) >= FileLength() ||
                                         ftruncate(m->fd, static_cast<off_t>(FileLength())) == 0);
    void* base = ok ? mmap(nullptr, FileLength(), PROT_READ | PROT_WRITE, MAP_SHARED, m->fd, 0) : MAP_FAILED;
    if (base != MAP_FAILED) {
        m->length = FileLength();
        m->layout = static_cast<StoreLayout*>(base);
        m->arena = static_cast<unsigned char*>(base) + ArenaAt();
        m->historyBytes = m->arena + kArenaBytes;
        m->journalValue = m->historyBytes + kHistoryBytes;
        m->compactArea = m->journalValue + kMaxValueBytes;
        ok = InitialiseIfNew(m->layout);
    } else {
        ok = false;
    }
    flock(m->fd, LOCK_UN);
    return ok ? m : nullptr;
}

struct Current {
    std::mutex lock;
    std::shared_ptr<Mapping> mapping;
};
Current& current() {
    static Current* c = new Current;  // lives to the end of the process: threads may still ask
    return *c;
}

uint64_t Align(uint64_t n) {
    return (n + kArenaAlign - 1) / kArenaAlign * kArenaAlign;
}

// ---- Changes through the journal ----
// Everything a due change does is taken from the journal and the areas it names, so doing it a
// second time leaves the same store.
void ApplyValue(Mapping& m) {
    const StoreJournal& j = m.layout->journal;
    StoreHeader& h = m.layout->header;
    if (j.writeValue && j.record.size) std::memcpy(m.arena + j.record.offset, m.journalValue, j.record.size);
    m.layout->variables[j.variable] = j.record;
    h.variableCount = j.variableCount;
    h.sequence = j.sequence;
    h.arenaUsed = j.arenaUsed;
    if (!j.publish) return;
    // The history ring keeps the bytes of the last publications, overwritten oldest first.
    HistoryEntry& e = m.layout->history[j.historyCount % kHistoryEntries];
    e.variable = j.variable;
    e.size = j.record.size;
    e.position = j.historyPosition;
    for (uint32_t i = 0; i < j.record.size; ++i)
        m.historyBytes[(j.historyPosition + i) % kHistoryBytes] = m.journalValue[i];
    h.historyPosition = j.historyPosition + j.record.size;
    h.historyCount = j.historyCount + 1;
}

void ApplyCompaction(Mapping& m) {
    const StoreJournal& j = m.layout->journal;
    StoreHeader& h = m.layout->header;
    std::memcpy(m.arena, m.compactArea, j.arenaUsed);
    for (uint32_t i = 0; i < h.variableCount; ++i) {
        m.layout->variables[i].offset = j.compactOffsets[i];
        m.layout->variables[i].capacity = m.layout->variables[i].size;
    }
    h.arenaUsed = j.arenaUsed;
}

void ApplyClear(Mapping& m) {
    StoreHeader& h = m.layout->header;
    h.printerCount = 0;
    h.variableCount = 0;
    h.arenaUsed = 0;
    h.historyCount = 0;
    h.historyPosition = 0;
    std::memset(m.layout->requests, 0, sizeof m.layout->requests);
}

// A due change found in the file names only places inside the store.
bool JournalSound(const StoreJournal& j, uint32_t variableCount) {
    if (j.state == kJournalValue)
        return j.variable < j.variableCount && j.variableCount <= kMaxVariables && j.record.size <= kMaxValueBytes &&
               j.record.offset <= kArenaBytes && j.record.size <= kArenaBytes - j.record.offset &&
               j.arenaUsed <= kArenaBytes;
    return j.state != kJournalCompact || (j.arenaUsed <= kArenaBytes && variableCount <= kMaxVariables);
}

// Finishes the change the journal holds, if one is due.
void FinishDue(Mapping& m) {
    StoreJournal& j = m.layout->journal;
    const uint32_t state = __atomic_load_n(&j.state, __ATOMIC_ACQUIRE);
    if (state == kJournalIdle) return;
    if (!JournalSound(j, m.layout->header.variableCount)) {
        __atomic_store_n(&j.state, kJournalIdle, __ATOMIC_RELEASE);
        return;
    }
    switch (state) {
        case kJournalValue:
            ApplyValue(m);
            break;
        case kJournalCompact:
            ApplyCompaction(m);
            break;
        case kJournalClear:
            ApplyClear(m);
            break;
        default:
            return;
    }
    __atomic_store_n(&j.state, kJournalIdle, __ATOMIC_RELEASE);
}

// The prepared change becomes due with one store (after everything it reads), then is done.
void Commit(Mapping& m, JournalState state) {
    __atomic_store_n(&m.layout->journal.state, state, __ATOMIC_RELEASE);
    FinishDue(m);
}

// Moves every live value to the front of the arena: the compacted arena is built aside first.
void CompactArena(Mapping& m) {
    StoreHeader& h = m.layout->header;
    StoreJournal& j = m.layout->journal;
    uint64_t used = 0;
    for (uint32_t i = 0; i < h.variableCount; ++i) {
        const StoreVariable& v = m.layout->variables[i];
        j.compactOffsets[i] = used;
        if (v.size) std::memcpy(m.compactArea + used, m.arena + v.offset, v.size);
        used = Align(used + v.size);
    }
    j.arenaUsed = used;
    Commit(m, kJournalCompact);
}

// Gives a value that outgrew its space fresh space at the arena's end, compacting first when
// there is none; the record keeps its old space until the change is done.
bool PlaceValue(Mapping& m, StoreVariable& record, uint32_t size, uint64_t* arenaUsed) {
    StoreHeader& h = m.layout->header;
    const uint64_t want = Align(size < 64 ? 64 : size);
    if (h.arenaUsed + want > kArenaBytes) {
        CompactArena(m);
        if (h.arenaUsed + want > kArenaBytes) return false;
    }
    record.offset = h.arenaUsed;
    record.capacity = static_cast<uint32_t>(want);
    *arenaUsed = h.arenaUsed + want;
    return true;
}

int Futex(uint32_t* word, int op, uint32_t value, const struct timespec* timeout) {
    return static_cast<int>(syscall(SYS_futex, word, op, value, timeout, nullptr, 0));
}

}  // namespace

Mapping::~Mapping() {
    if (layout) munmap(layout, length);
    if (fd >= 0) close(fd);
}

std::shared_ptr<Mapping> CurrentMapping() {
    const char* root = PlatGetSandboxRoot();
    if (!root || !*root) return nullptr;
    Current& c = current();
    std::lock_guard<std::mutex> g(c.lock);
    if (!c.mapping || c.mapping->root != root) c.mapping = MapStore(root);
    return c.mapping;
}

StoreLock::StoreLock(Mapping& m) : m_(m) {
    if (pthread_mutex_lock(&m_.layout->header.lock) == EOWNERDEAD) pthread_mutex_consistent(&m_.layout->header.lock);
    FinishDue(m_);  // a change whose writer died before it was done
}

StoreLock::~StoreLock() {
    pthread_mutex_unlock(&m_.layout->header.lock);
}

int FindPrinter(Mapping& m, std::u16string_view name, bool create) {
    if (name.empty() || name.size() >= kPrinterChars) return -1;
    StoreHeader& h = m.layout->header;
    for (uint32_t i = 0; i < h.printerCount; ++i) {
        if (name == std::u16string_view(m.layout->printers[i].name)) return static_cast<int>(i);
    }
    if (!create || h.printerCount >= kMaxPrinters) return -1;
    StorePrinter& p = m.layout->printers[h.printerCount];
    std::memset(&p, 0, sizeof p);
    std::memcpy(p.name, name.data(), name.size() * sizeof(char16_t));
    return static_cast<int>(h.printerCount++);
}

int FindVariable(Mapping& m, uint32_t printer, std::string_view name) {
    StoreHeader& h = m.layout->header;
    for (uint32_t i = 0; i < h.variableCount; ++i) {
        const StoreVariable& v = m.layout->variables[i];
        if (v.printer == printer && name == std::string_view(v.name)) return static_cast<int>(i);
    }
    return -1;
}

int WriteVariable(Mapping& m, uint32_t printer, std::string_view name, const void* value, uint32_t size, bool* changed,
                  bool publish) {
    *changed = false;
    if (name.empty() || name.size() >= kVariableChars || size > kMaxValueBytes) return -1;
    StoreHeader& h = m.layout->header;
    int index = FindVariable(m, printer, name);
    if (index < 0 && h.variableCount >= kMaxVariables) return -1;
    const bool fresh = index < 0;
    *changed = fresh || m.layout->variables[index].size != size ||
               (size && std::memcmp(m.arena + m.layout->variables[index].offset, value, size) != 0);
    if (!*changed && !publish) return index;
    StoreJournal& j = m.layout->journal;
    uint64_t arenaUsed = h.arenaUsed;
    StoreVariable placed{};
    const bool needsSpace = fresh || (*changed && size > m.layout->variables[index].capacity);
    if (needsSpace && !PlaceValue(m, placed, size, &arenaUsed)) return -1;  // may compact: records move
    if (fresh) {
        index = static_cast<int>(h.variableCount);
        j.record = StoreVariable{};
        j.record.printer = printer;
        std::memcpy(j.record.name, name.data(), name.size());
    } else {
        j.record = m.layout->variables[index];
    }
    if (needsSpace) {
        j.record.offset = placed.offset;
        j.record.capacity = placed.capacity;
    }
    j.variable = static_cast<uint32_t>(index);
    j.variableCount = fresh ? h.variableCount + 1 : h.variableCount;
    j.sequence = h.sequence;
    j.arenaUsed = arenaUsed;
    j.writeValue = *changed;
    j.publish = publish;
    j.historyCount = h.historyCount;
    j.historyPosition = h.historyPosition;
    if (*changed) {
        j.record.size = size;
        j.record.changeSeq = ++j.sequence;
    }
    if (publish) ++j.record.updates;
    if (size) std::memcpy(m.journalValue, value, size);
    Commit(m, kJournalValue);
    return index;
}

const unsigned char* VariableValue(const Mapping& m, const StoreVariable& v) {
    return m.arena + v.offset;
}

bool HistoryValue(const Mapping& m, uint32_t variable, uint32_t back, std::string* value) {
    const StoreHeader& h = m.layout->header;
    uint64_t oldest = h.historyCount > kHistoryEntries ? h.historyCount - kHistoryEntries : 0;
    for (uint64_t n = h.historyCount; n > oldest; --n) {
        const HistoryEntry& e = m.layout->history[(n - 1) % kHistoryEntries];
        if (e.variable != variable) continue;
        if (h.historyPosition - e.position > kHistoryBytes) return false;  // its bytes were overwritten
        if (back-- > 0) continue;
        value->resize(e.size);
        for (uint32_t i = 0; i < e.size; ++i)
            (*value)[i] = static_cast<char>(m.historyBytes[(e.position + i) % kHistoryBytes]);
        return true;
    }
    return false;
}

void WakeWaiters(Mapping& m) {
    __atomic_add_fetch(&m.layout->header.wake, 1, __ATOMIC_SEQ_CST);
    Futex(&m.layout->header.wake, FUTEX_WAKE, INT32_MAX, nullptr);
}

uint32_t WakeWord(const Mapping& m) {
    return __atomic_load_n(&m.layout->header.wake, __ATOMIC_SEQ_CST);
}

void WaitForChange(Mapping& m, uint32_t seen, int ms) {
    struct timespec t {};
    t.tv_sec = ms / 1000;
    t.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    Futex(&m.layout->header.wake, FUTEX_WAIT, seen, &t);
}

void ClearStore(Mapping& m) {
    Commit(m, kJournalClear);
}

bool ProcessAlive(uint32_t pid) {
    return pid != 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

uint32_t ThisProcess() {
    return static_cast<uint32_t>(getpid());
}

}  // namespace dorlik
