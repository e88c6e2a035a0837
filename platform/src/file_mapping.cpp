// File mapping: views of files (read-only or read-write) and named shared memory backed by an
// anonymous memory file. Views stay valid after the mapping handle is closed, as on Windows.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "file_object.h"
#include "handle_table.h"
#include "plat_internal.h"
#include "win/kernel.h"

namespace plat {
namespace {

constexpr ULONGLONG kGranularity = 65536;  // views start on the allocation granularity

struct MappingObject : KernelObject {
    int fd = -1;
    bool writable = false;
    ULONGLONG size = 0;
    std::u16string name;
    ~MappingObject() override {
        if (fd >= 0) close(fd);
    }
    void OnLastClose() override;
};

struct Mappings {
    std::mutex lock;
    std::map<std::u16string, std::weak_ptr<MappingObject>> byName;
    std::map<const void*, std::pair<size_t, std::shared_ptr<MappingObject>>> views;
};
Mappings& mappings() {
    static Mappings* m = new Mappings;
    return *m;
}

void MappingObject::OnLastClose() {
    if (name.empty()) return;
    std::lock_guard<std::mutex> g(mappings().lock);
    auto it = mappings().byName.find(Fold(name));
    if (it != mappings().byName.end() && it->second.expired()) mappings().byName.erase(it);
}

// Named objects live in one namespace; "Global\\" and "Local\\" prefixes name the same one here.
std::u16string NameKey(std::u16string_view name) {
    for (std::u16string_view prefix : {u"Global\\", u"Local\\"})
        if (name.size() >= prefix.size() && EqualNoCase(name.substr(0, prefix.size()), prefix))
            name.remove_prefix(prefix.size());
    return Fold(name);
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

HANDLE CreateFileMappingW(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect, DWORD dwMaximumSizeHigh,
                          DWORD dwMaximumSizeLow, LPCWSTR lpName) {
    DWORD protect = flProtect & 0xFF;
    if (protect != PAGE_READONLY && protect != PAGE_READWRITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (FailNow("CreateFileMappingW", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    bool writable = protect == PAGE_READWRITE;
    ULONGLONG size = (static_cast<ULONGLONG>(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
    std::u16string key = lpName ? NameKey(lpName) : std::u16string();
    Mappings& m = mappings();
    std::lock_guard<std::mutex> g(m.lock);
    if (!key.empty()) {
        auto it = m.byName.find(key);
        if (it != m.byName.end()) {
            if (auto existing = it->second.lock()) {
                // The existing object is opened; the caller learns it through the last error.
                HANDLE h = HandleInsert(existing);
                SetLastError(ERROR_ALREADY_EXISTS);
                return h;
            }
        }
    }
    auto obj = std::make_shared<MappingObject>();
    obj->writable = writable;
    obj->name = lpName ? lpName : u"";
    if (hFile == INVALID_HANDLE_VALUE) {
        if (size == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        int fd = memfd_create("orla-section", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
            if (fd >= 0) close(fd);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        obj->fd = fd;
        obj->writable = writable;
        obj->size = size;
    } else {
        auto file = HandleGet<FileObject>(hFile);
        if (!file || file->directory) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        if (!file->canRead || (writable && !file->canWrite)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        struct stat st;
        fstat(file->fd, &st);
        ULONGLONG fileSize = static_cast<ULONGLONG>(st.st_size);
        if (size == 0) {
            if (fileSize == 0) {
                SetLastError(ERROR_FILE_INVALID);  // an empty file cannot be mapped
                return nullptr;
            }
            size = fileSize;
        } else if (size > fileSize) {
            // A writable mapping grows the file; a read-only one cannot.
            if (!writable) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return nullptr;
            }
            if (ftruncate(file->fd, static_cast<off_t>(size)) != 0) {
                SetLastError(ErrnoToError(errno));
                return nullptr;
            }
        }
        obj->fd = fcntl(file->fd, F_DUPFD_CLOEXEC, 0);
        obj->size = size;
    }
    if (!key.empty()) m.byName[key] = obj;
    SetLastError(NO_ERROR);
    return HandleInsert(obj);
}

HANDLE OpenFileMappingW(DWORD, BOOL, LPCWSTR lpName) {
    if (!lpName || !*lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Mappings& m = mappings();
    std::lock_guard<std::mutex> g(m.lock);
    auto it = m.byName.find(NameKey(lpName));
    std::shared_ptr<MappingObject> obj = it == m.byName.end() ? nullptr : it->second.lock();
    if (!obj) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return HandleInsert(obj);
}

LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                     SIZE_T dwNumberOfBytesToMap) {
    auto obj = HandleGet<MappingObject>(hFileMappingObject);
    if (!obj) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    bool write = (dwDesiredAccess & FILE_MAP_WRITE) != 0;
    if (write && !obj->writable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    ULONGLONG offset = (static_cast<ULONGLONG>(dwFileOffsetHigh) << 32) | dwFileOffsetLow;
    if (offset % kGranularity) {
        SetLastError(ERROR_MAPPED_ALIGNMENT);
        return nullptr;
    }
    if (FailNow("MapViewOfFile", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
    if (offset > obj->size || (offset == obj->size && dwNumberOfBytesToMap == 0)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    ULONGLONG length = dwNumberOfBytesToMap ? dwNumberOfBytesToMap : obj->size - offset;
    if (offset + length > obj->size) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    void* p =
        mmap(nullptr, length, PROT_READ | (write ? PROT_WRITE : 0), MAP_SHARED, obj->fd, static_cast<off_t>(offset));
    if (p == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> g(mappings().lock);
    mappings().views[p] = {static_cast<size_t>(length), obj};
    return p;
}

BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) {
    std::shared_ptr<MappingObject> keep;  // released after the lock, in case it is the last reference
    std::lock_guard<std::mutex> g(mappings().lock);
    auto it = mappings().views.find(lpBaseAddress);
    if (it == mappings().views.end()) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    munmap(const_cast<void*>(lpBaseAddress), it->second.first);
    keep = std::move(it->second.second);
    mappings().views.erase(it);
    return TRUE;
}

}  // extern "C"
