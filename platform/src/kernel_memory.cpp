// Last error, global/local memory, private heaps, critical sections, interlocked operations and
// the process-wide handle calls.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "handle_table.h"
#include "plat_internal.h"
#include "sync_internal.h"
#include "win/kernel.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

// A global memory block. A fixed block's handle is its data pointer; a moveable block's handle
// points at a cell holding the data pointer, as on Windows, so the two never mix up.
struct GlobalBlock {
    void* data = nullptr;
    SIZE_T size = 0;
    UINT flags = 0;
    LONG locks = 0;
};

struct GlobalTable {
    std::mutex lock;
    std::unordered_map<HGLOBAL, GlobalBlock> blocks;
};

GlobalTable& globals() {
    static GlobalTable* t = new GlobalTable;
    return *t;
}

void* AllocBytes(SIZE_T bytes, bool zero) {
    // Zero-byte requests still give a unique pointer, as the Windows heaps do.
    void* p = std::malloc(bytes ? bytes : 1);
    if (p && zero) std::memset(p, 0, bytes ? bytes : 1);
    return p;
}

HGLOBAL GlobalAllocImpl(UINT uFlags, SIZE_T dwBytes, const char* op) {
    plat::Injection inj = plat::TakeInjection(op);
    if (inj.due) {
        SetLastError(inj.error ? inj.error : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* data = AllocBytes(dwBytes, (uFlags & GMEM_ZEROINIT) != 0);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HGLOBAL handle = data;
    if (uFlags & GMEM_MOVEABLE) {
        void** cell = static_cast<void**>(std::malloc(sizeof(void*)));
        if (!cell) {
            std::free(data);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        *cell = data;
        handle = cell;
    }
    GlobalTable& t = globals();
    std::lock_guard<std::mutex> g(t.lock);
    t.blocks[handle] = GlobalBlock{data, dwBytes, uFlags, 0};
    return handle;
}

struct Heap {
    std::mutex lock;
    std::unordered_map<void*, SIZE_T> blocks;
};

Heap* AsHeap(HANDLE h) {
    return static_cast<Heap*>(h);
}

struct HeapRegistry {
    std::mutex lock;
    std::unordered_map<Heap*, bool> heaps;
};
HeapRegistry& heapRegistry() {
    static HeapRegistry* r = new HeapRegistry;
    return *r;
}
Heap* ProcessHeap() {
    static Heap* h = [] {
        Heap* heap = new Heap;
        std::lock_guard<std::mutex> g(heapRegistry().lock);
        heapRegistry().heaps[heap] = true;
        return heap;
    }();
    return h;
}
bool HeapValid(Heap* h) {
    ProcessHeap();
    std::lock_guard<std::mutex> g(heapRegistry().lock);
    return heapRegistry().heaps.count(h) != 0;
}

// The heap a handle names, or null with ERROR_INVALID_HANDLE.
Heap* CheckedHeap(HANDLE h) {
    Heap* heap = AsHeap(h);
    if (HeapValid(heap)) return heap;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

}  // namespace

extern "C" {

DWORD GetLastError(void) {
    return t_lastError;
}
void SetLastError(DWORD dwErrCode) {
    t_lastError = dwErrCode;
}

// The table entry of a handle; a handle the table does not know sets ERROR_INVALID_HANDLE.
// Called with the table's lock held.
static auto FindGlobalBlock(GlobalTable& t, HGLOBAL hMem) -> decltype(t.blocks.begin()) {
    auto it = t.blocks.find(hMem);
    if (it == t.blocks.end()) SetLastError(ERROR_INVALID_HANDLE);
    return it;
}

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    return GlobalAllocImpl(uFlags, dwBytes, "GlobalAlloc");
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    GlobalTable& t = globals();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = FindGlobalBlock(t, hMem);
    if (it == t.blocks.end()) return nullptr;
    GlobalBlock& b = it->second;
    bool moveable = (b.flags & GMEM_MOVEABLE) != 0;
    if (dwBytes > b.size && !moveable && !(uFlags & GMEM_MOVEABLE)) {
        // A fixed block may not move unless the caller allows it.
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (moveable && b.locks > 0 && dwBytes > b.size) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* data = std::realloc(b.data, dwBytes ? dwBytes : 1);
    if (!data) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > b.size)
        std::memset(static_cast<char*>(data) + b.size, 0, dwBytes - b.size);
    GlobalBlock nb = b;
    nb.data = data;
    nb.size = dwBytes;
    if (moveable) {
        *static_cast<void**>(hMem) = data;
        b = nb;
        return hMem;
    }
    t.blocks.erase(it);
    t.blocks[data] = nb;
    return data;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
    if (!hMem) return nullptr;
    GlobalTable& t = globals();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = FindGlobalBlock(t, hMem);
    if (it == t.blocks.end()) return hMem;
    std::free(it->second.data);
    if (it->second.flags & GMEM_MOVEABLE) std::free(hMem);
    t.blocks.erase(it);
    return nullptr;
}

LPVOID GlobalLock(HGLOBAL hMem) {
    GlobalTable& t = globals();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = FindGlobalBlock(t, hMem);
    if (it == t.blocks.end()) return nullptr;
    if (it->second.flags & GMEM_MOVEABLE) it->second.locks++;
    return it->second.data;
}

BOOL GlobalUnlock(HGLOBAL hMem) {
    GlobalTable& t = globals();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = FindGlobalBlock(t, hMem);
    if (it == t.blocks.end()) return FALSE;
    // TRUE while the block stays locked; FALSE with NO_ERROR once unlocked.
    if (it->second.locks > 0 && --it->second.locks > 0) return TRUE;
    if (!(it->second.flags & GMEM_MOVEABLE)) return TRUE;
    SetLastError(NO_ERROR);
    return FALSE;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
    GlobalTable& t = globals();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = FindGlobalBlock(t, hMem);
    if (it == t.blocks.end()) return 0;
    return it->second.size;
}

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    return GlobalAllocImpl(uFlags, uBytes, "LocalAlloc");
}
HLOCAL LocalFree(HLOCAL hMem) {
    return GlobalFree(hMem);
}

HANDLE HeapCreate(DWORD, SIZE_T, SIZE_T) {
    if (plat::FailNow("HeapCreate", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    Heap* heap = new Heap;
    std::lock_guard<std::mutex> g(heapRegistry().lock);
    heapRegistry().heaps[heap] = true;
    return heap;
}

BOOL HeapDestroy(HANDLE hHeap) {
    Heap* heap = AsHeap(hHeap);
    if (!HeapValid(heap) || heap == ProcessHeap()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> g(heapRegistry().lock);
        heapRegistry().heaps.erase(heap);
    }
    for (auto& [p, size] : heap->blocks) std::free(p);
    delete heap;
    return TRUE;
}

// HeapAlloc and HeapReAlloc fail without setting the last error, as on Windows.
LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    Heap* heap = CheckedHeap(hHeap);
    if (!heap || plat::TakeInjection("HeapAlloc").due) return nullptr;
    void* p = AllocBytes(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
    if (!p) return nullptr;
    std::lock_guard<std::mutex> g(heap->lock);
    heap->blocks[p] = dwBytes;
    return p;
}

LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) {
    Heap* heap = CheckedHeap(hHeap);
    if (!heap) return nullptr;
    std::lock_guard<std::mutex> g(heap->lock);
    auto it = heap->blocks.find(lpMem);
    if (it == heap->blocks.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A failed reallocation leaves the block as it was.
    if (plat::TakeInjection("HeapReAlloc").due) return nullptr;
    SIZE_T old = it->second;
    void* p = std::realloc(lpMem, dwBytes ? dwBytes : 1);
    if (!p) return nullptr;
    if ((dwFlags & HEAP_ZERO_MEMORY) && dwBytes > old) std::memset(static_cast<char*>(p) + old, 0, dwBytes - old);
    heap->blocks.erase(it);
    heap->blocks[p] = dwBytes;
    return p;
}

BOOL HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem) {
    if (!lpMem) return TRUE;
    Heap* heap = CheckedHeap(hHeap);
    if (!heap) return FALSE;
    std::lock_guard<std::mutex> g(heap->lock);
    auto it = heap->blocks.find(lpMem);
    if (it == heap->blocks.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::free(lpMem);
    heap->blocks.erase(it);
    return TRUE;
}

SIZE_T HeapSize(HANDLE hHeap, DWORD, LPCVOID lpMem) {
    Heap* heap = AsHeap(hHeap);
    if (!HeapValid(heap)) return static_cast<SIZE_T>(-1);
    std::lock_guard<std::mutex> g(heap->lock);
    auto it = heap->blocks.find(const_cast<void*>(lpMem));
    return it == heap->blocks.end() ? static_cast<SIZE_T>(-1) : it->second;
}

HANDLE GetProcessHeap(void) {
    return ProcessHeap();
}

// ---- Critical sections ----
void InitializeCriticalSection(LPCRITICAL_SECTION cs) {
    cs->Impl = new std::recursive_mutex;
    cs->LockCount = -1;
    cs->RecursionCount = 0;
    cs->OwningThread = nullptr;
    cs->SpinCount = 0;
}

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD dwSpinCount) {
    InitializeCriticalSection(cs);
    cs->SpinCount = dwSpinCount;
    return TRUE;
}

void DeleteCriticalSection(LPCRITICAL_SECTION cs) {
    delete static_cast<std::recursive_mutex*>(cs->Impl);
    cs->Impl = nullptr;
}

static HANDLE ThreadTag() {
    // A per-thread value for OwningThread (the Windows field holds the thread id).
    static std::atomic<ULONG_PTR> next{1};
    thread_local ULONG_PTR tag = next.fetch_add(1);
    return reinterpret_cast<HANDLE>(tag);
}

void EnterCriticalSection(LPCRITICAL_SECTION cs) {
    static_cast<std::recursive_mutex*>(cs->Impl)->lock();
    cs->OwningThread = ThreadTag();
    cs->RecursionCount++;
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
    if (!static_cast<std::recursive_mutex*>(cs->Impl)->try_lock()) return FALSE;
    cs->OwningThread = ThreadTag();
    cs->RecursionCount++;
    return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION cs) {
    if (--cs->RecursionCount == 0) cs->OwningThread = nullptr;
    static_cast<std::recursive_mutex*>(cs->Impl)->unlock();
}

LONG InterlockedIncrement(LONG volatile* Addend) {
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
LONG InterlockedDecrement(LONG volatile* Addend) {
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comparand) {
    LONG expected = Comparand;
    __atomic_compare_exchange_n(Destination, &expected, Exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return expected;
}

// ---- Handles ----
BOOL CloseHandle(HANDLE hObject) {
    if (!hObject || hObject == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return plat::HandleClose(hObject);
}

BOOL DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
                     LPHANDLE lpTargetHandle, DWORD, BOOL, DWORD dwOptions) {
    if (hSourceProcessHandle != GetCurrentProcess() || hTargetProcessHandle != GetCurrentProcess() || !lpTargetHandle) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HANDLE dup = plat::HandleDuplicate(hSourceHandle);
    if (!dup) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *lpTargetHandle = dup;
    const DWORD kCloseSource = 0x00000001;  // DUPLICATE_CLOSE_SOURCE
    if (dwOptions & kCloseSource) plat::HandleClose(hSourceHandle);
    return TRUE;
}

HANDLE GetCurrentProcess(void) {
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}
DWORD GetCurrentProcessId(void) {
    return static_cast<DWORD>(getpid());
}

// The thread calls belong with the thread code; these weak ones stand in until it defines them,
// with the same thread id its CreateThread reports.
__attribute__((weak)) DWORD GetCurrentThreadId(void) {
    return plat::CurrentThreadIdentity();
}
__attribute__((weak)) HANDLE GetCurrentThread(void) {
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));
}

}  // extern "C"
