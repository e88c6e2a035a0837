// The compiled device data's cache file beside the data file, and the one shared copy per process
// that every device context and UI context of the process borrows.
#include <cstring>

#include "core/device_data.h"
#include "core/support.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace orla {

// ---- Cache file ----

BOOL MakeCacheFileName(LPWSTR out, DWORD cchOut, LPCWSTR dataFile) {
    if (!out || cchOut == 0) return FALSE;
    out[0] = 0;
    if (!dataFile) return FALSE;
    size_t length = wcslen(dataFile);
    // The last '.' of the whole path counts, even one in a folder name.
    const WCHAR* dot = wcsrchr(dataFile, u'.');
    size_t keep = dot ? static_cast<size_t>(dot - dataFile) + 1 : length;
    size_t total = keep + (dot ? 0 : 1) + 3;
    if (total + 1 > cchOut) return FALSE;
    std::memcpy(out, dataFile, keep * sizeof(WCHAR));
    size_t n = keep;
    if (!dot) out[n++] = u'.';
    out[n++] = u'K';
    out[n++] = u'D';
    out[n++] = u'C';
    out[n] = 0;
    return TRUE;
}

namespace {

// Last-write time of a file opened for reading; FALSE when it cannot be opened or read.
bool LastWriteTime(LPCWSTR path, FILETIME* time) {
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BOOL ok = GetFileTime(file, nullptr, nullptr, time);
    CloseHandle(file);
    return ok != FALSE;
}

CompiledDeviceData* CopyBlock(const BYTE* bytes, DWORD size) {
    void* block = GlobalAlloc(GPTR, size);
    if (!block) return nullptr;
    std::memcpy(block, bytes, size);
    return static_cast<CompiledDeviceData*>(block);
}

}  // namespace

CompiledDeviceData* ReadDeviceDataCache(LPCWSTR dataFile, BOOL* valid) {
    if (valid) *valid = FALSE;
    WCHAR cacheFile[MAX_PATH];
    if (!MakeCacheFileName(cacheFile, MAX_PATH, dataFile)) return nullptr;
    FILETIME dataTime{}, cacheTime{};
    if (!LastWriteTime(dataFile, &dataTime) || !LastWriteTime(cacheFile, &cacheTime)) return nullptr;
    if (CompareFileTime(&cacheTime, &dataTime) < 0) return nullptr;  // equal times count as fresh

    const BYTE* view = nullptr;
    const BYTE* cursor = nullptr;
    DWORD size = 0;
    if (!MapFileReadOnly(cacheFile, &view, &cursor, &size)) return nullptr;
    CompiledDeviceData* block = nullptr;
    // Beyond the size, every count, offset and string must hold: a damaged cache is rebuilt,
    // never lent out.
    if (size > dd::kHeaderSize && LoadLe32(cursor) == size && ValidateDeviceData(cursor, size)) {
        block = CopyBlock(cursor, size);
        if (block && valid) *valid = TRUE;
    }
    UnmapViewOfFile(view);
    return block;
}

BOOL WriteDeviceDataCache(LPCWSTR dataFile, const CompiledDeviceData* data) {
    WCHAR cacheFile[MAX_PATH];
    DWORD size = DeviceDataSize(data);
    if (size == 0 || !MakeCacheFileName(cacheFile, MAX_PATH, dataFile)) return FALSE;
    HANDLE file = CreateFileW(cacheFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    DWORD written = 0;
    BOOL ok = WriteFile(file, DeviceDataBytes(data), size, &written, nullptr);
    CloseHandle(file);
    // A short cache is left behind but never trusted: its size disagrees with its size field.
    return ok && written == size;
}

CompiledDeviceData* GetCompiledDeviceData(LPCWSTR dataFile) {
    BOOL valid = FALSE;
    CompiledDeviceData* block = ReadDeviceDataCache(dataFile, &valid);
    if (block && valid) return block;
    if (block) GlobalFree(block);
    block = CompileDeviceDescription(dataFile);
    if (block) WriteDeviceDataCache(dataFile, block);  // a cache that cannot be written is no failure
    return block;
}

BOOL LoadDeviceDescription(LPCWSTR dataFile, BYTE* buffer, DWORD bufferSize, DWORD* needed) {
    if (needed) *needed = 0;
    CompiledDeviceData* block = GetCompiledDeviceData(dataFile);
    if (!block) return FALSE;
    DWORD size = DeviceDataSize(block);
    BOOL ok = FALSE;
    if (buffer && bufferSize == size) {
        std::memcpy(buffer, block, size);
        ok = TRUE;
    }
    if (needed) *needed = size;
    GlobalFree(block);
    return ok;
}

// ---- Per-process shared block ----

namespace {

struct SharedDeviceData {
    CRITICAL_SECTION lock;
    bool initialised;
    CompiledDeviceData* block;
    WCHAR dataFile[MAX_PATH];
    DWORD useCount;
};

SharedDeviceData g_shared;

// A zero-filled block of the compiled data, or null.
CompiledDeviceData* LoadBlock(LPCWSTR dataFile) {
    DWORD needed = 0;
    LoadDeviceDescription(dataFile, nullptr, 0, &needed);
    if (needed == 0) return nullptr;
    auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, needed));
    if (!block) return nullptr;
    DWORD again = 0;
    if (!LoadDeviceDescription(dataFile, block, needed, &again)) {
        GlobalFree(block);
        return nullptr;
    }
    return reinterpret_cast<CompiledDeviceData*>(block);
}

}  // namespace

void DeviceDataCacheInit(void) {
    // A second initialisation without a termination keeps the live lock and block.
    if (g_shared.initialised) return;
    InitializeCriticalSection(&g_shared.lock);
    g_shared.block = nullptr;
    g_shared.dataFile[0] = 0;
    g_shared.useCount = 0;
    g_shared.initialised = true;
}

void DeviceDataCacheTerm(void) {
    if (!g_shared.initialised) return;
    EnterCriticalSection(&g_shared.lock);
    if (g_shared.block) GlobalFree(g_shared.block);
    g_shared.block = nullptr;
    g_shared.dataFile[0] = 0;
    g_shared.useCount = 0;
    LeaveCriticalSection(&g_shared.lock);
    DeleteCriticalSection(&g_shared.lock);
    g_shared.initialised = false;
}

const CompiledDeviceData* GetDeviceData(HANDLE hPrinter) {
    if (!g_shared.initialised) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return nullptr;
    }
    auto* info = reinterpret_cast<DRIVER_INFO_2W*>(GetDriverInfoAlloc(hPrinter, 2));
    if (!info) return nullptr;
    const WCHAR* dataFile = info->pDataFile ? info->pDataFile : u"";
    // A path the shared record cannot hold is still served, as a private copy.
    bool sharable = wcslen(dataFile) < MAX_PATH;

    CompiledDeviceData* result = nullptr;
    EnterCriticalSection(&g_shared.lock);
    if (g_shared.block && sharable && wcscmp(g_shared.dataFile, dataFile) == 0) {
        ++g_shared.useCount;
        result = g_shared.block;
    } else {
        CompiledDeviceData* block = LoadBlock(dataFile);
        if (block && g_shared.useCount == 0 && sharable) {
            if (g_shared.block) GlobalFree(g_shared.block);
            g_shared.block = block;
            g_shared.useCount = 1;
            wcscpy(g_shared.dataFile, dataFile);
        }
        result = block;  // shared as above, or a private copy while another file's block is held
    }
    LeaveCriticalSection(&g_shared.lock);
    GlobalFree(info);
    return result;
}

void ReleaseDeviceData(const CompiledDeviceData* data) {
    if (!data) return;
    // Blocks are only lent while the cache is set up; after its end the shared block is gone and
    // freeing it again would free it twice.
    if (!g_shared.initialised) return;
    EnterCriticalSection(&g_shared.lock);
    if (data == g_shared.block) {
        if (g_shared.useCount > 0) --g_shared.useCount;
    } else {
        GlobalFree(const_cast<CompiledDeviceData*>(data));
    }
    LeaveCriticalSection(&g_shared.lock);
}

DWORD DeviceDataSharedUseCount(void) {
    if (!g_shared.initialised) return 0;
    EnterCriticalSection(&g_shared.lock);
    DWORD count = g_shared.block ? g_shared.useCount : 0;
    LeaveCriticalSection(&g_shared.lock);
    return count;
}

}  // namespace orla
