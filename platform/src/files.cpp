// Files: CreateFile with access, share modes and the five creation dispositions, read/write,
// pointers, sizes, times, attributes, directories and find handles.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "file_object.h"
#include "plat_internal.h"
#include "win/kernel.h"

namespace plat {
namespace {

constexpr ULONGLONG kEpochDelta = 116444736000000000ull;  // 1601-01-01 to 1970-01-01 in 100 ns

struct OpenFiles {
    std::mutex lock;
    std::multimap<std::pair<dev_t, ino_t>, FileObject*> byFile;
};
OpenFiles& openFiles() {
    static OpenFiles* s = new OpenFiles;
    return *s;
}

bool Conflicts(const FileObject& e, bool read, bool write, bool del, DWORD share) {
    if (!e.canRead && !e.canWrite && !e.canDelete) return false;
    if (read && !(e.share & FILE_SHARE_READ)) return true;
    if (write && !(e.share & FILE_SHARE_WRITE)) return true;
    if (del && !(e.share & FILE_SHARE_DELETE)) return true;
    if (e.canRead && !(share & FILE_SHARE_READ)) return true;
    if (e.canWrite && !(share & FILE_SHARE_WRITE)) return true;
    if (e.canDelete && !(share & FILE_SHARE_DELETE)) return true;
    return false;
}

bool ShareCheckLocked(dev_t dev, ino_t ino, bool read, bool write, bool del, DWORD share) {
    if (!read && !write && !del) return true;  // attribute-only opens never conflict
    auto range = openFiles().byFile.equal_range({dev, ino});
    for (auto it = range.first; it != range.second; ++it) {
        if (Conflicts(*it->second, read, write, del, share)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return false;
        }
    }
    return true;
}

// ERROR_PATH_NOT_FOUND when the parent directory is missing, else ERROR_FILE_NOT_FOUND.
DWORD NotFound(const std::string& host) {
    size_t slash = host.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return ERROR_FILE_NOT_FOUND;
    struct stat st;
    if (stat(host.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

bool ValidName(std::u16string_view name) {
    if (name.empty()) return false;
    for (char16_t c : name)
        if (c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|' || c < 0x20) return false;
    return true;
}

std::shared_ptr<FileObject> GetFile(HANDLE h) {
    auto f = HandleGet<FileObject>(h);
    if (!f) SetLastError(ERROR_INVALID_HANDLE);
    return f;
}

DWORD AttributesOf(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    DWORD a = FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & S_IWUSR)) a |= FILE_ATTRIBUTE_READONLY;
    return a;
}

FILETIME ToFileTime(ULONGLONG v) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(v);
    ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
    return ft;
}

ULONGLONG FromFileTime(const FILETIME& ft) {
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

bool WildMatch(std::u16string_view pattern, std::u16string_view name) {
    // Iterative '*' / '?' matcher with one backtrack point.
    size_t p = 0, n = 0, star = std::u16string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || FoldChar(pattern[p]) == FoldChar(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            mark = n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

struct FindObject : KernelObject {
    std::vector<WIN32_FIND_DATAW> entries;
    size_t next = 0;
};

void FillFindData(const std::string& name, const struct stat& st, WIN32_FIND_DATAW* fd) {
    std::memset(fd, 0, sizeof *fd);
    fd->dwFileAttributes = AttributesOf(st);
    fd->ftCreationTime = ToFileTime(HostTimeToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
    fd->ftLastAccessTime = ToFileTime(HostTimeToFileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec));
    fd->ftLastWriteTime = ToFileTime(HostTimeToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
    if (!S_ISDIR(st.st_mode)) {
        ULONGLONG size = static_cast<ULONGLONG>(st.st_size);
        fd->nFileSizeHigh = static_cast<DWORD>(size >> 32);
        fd->nFileSizeLow = static_cast<DWORD>(size);
    }
    std::u16string w = Utf8ToUtf16(name);
    if (w.size() > MAX_PATH - 1) w.resize(MAX_PATH - 1);
    w.copy(fd->cFileName, w.size());
}

// Splits "dir\\pattern" into the host directory and the pattern.
void SplitPattern(std::u16string_view path, std::string* hostDir, std::u16string* pattern) {
    size_t slash = path.find_last_of(u"\\/");
    std::u16string dir = slash == std::u16string_view::npos ? u"" : std::u16string(path.substr(0, slash + 1));
    *pattern = std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
    if (dir.empty())
        *hostDir = MapPath(u".");
    else
        *hostDir = MapPath(dir);
}

}  // namespace

FileObject::~FileObject() {
    if (fd >= 0) close(fd);
}

void FileObject::OnLastClose() {
    {
        OpenFiles& s = openFiles();
        std::lock_guard<std::mutex> g(s.lock);
        auto range = s.byFile.equal_range({dev, ino});
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second == this) {
                s.byFile.erase(it);
                break;
            }
        }
        if (deleteOnClose) unlink(hostPath.c_str());
    }
    if (fd >= 0) close(fd);
    fd = -1;
}

ULONGLONG HostTimeToFileTime(long long seconds, long nanoseconds) {
    return static_cast<ULONGLONG>(seconds * 10000000ll + nanoseconds / 100) + kEpochDelta;
}

void FileTimeToHostTime(ULONGLONG fileTime, long long* seconds, long* nanoseconds) {
    long long rel = static_cast<long long>(fileTime - kEpochDelta);
    long long s = rel / 10000000ll;
    long long rem = rel % 10000000ll;
    if (rem < 0) {
        rem += 10000000ll;
        --s;
    }
    *seconds = s;
    *nanoseconds = static_cast<long>(rem * 100);
}

bool ShareCheck(const std::string& hostPath, bool read, bool write, bool del, DWORD share) {
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0) return true;
    std::lock_guard<std::mutex> g(openFiles().lock);
    return ShareCheckLocked(st.st_dev, st.st_ino, read, write, del, share);
}

}  // namespace plat

using plat::FileObject;

extern "C" {

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
    plat::Injection inj = plat::TakeInjection("CreateFileW");
    if (inj.due) {
        SetLastError(inj.error ? inj.error : ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    std::u16string_view name = plat::View(lpFileName);
    if (name.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING ||
        (dwCreationDisposition == TRUNCATE_EXISTING &&
         !(dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA)))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    size_t lastSep = name.find_last_of(u"\\/");
    std::u16string_view leaf = lastSep == std::u16string_view::npos ? name : name.substr(lastSep + 1);
    if (!leaf.empty() && !plat::ValidName(leaf)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    bool read = (dwDesiredAccess & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA)) != 0;
    bool write = (dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
    bool deleteOnClose = (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    bool del = (dwDesiredAccess & (DELETE | GENERIC_ALL)) != 0 || deleteOnClose;
    std::string host = plat::MapPath(name);

    std::lock_guard<std::mutex> g(plat::openFiles().lock);
    struct stat st;
    bool exists = stat(host.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        if (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || dwCreationDisposition == CREATE_NEW ||
            dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        int fd = open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            SetLastError(plat::ErrnoToError(errno));
            return INVALID_HANDLE_VALUE;
        }
        auto obj = std::make_shared<FileObject>();
        obj->fd = fd;
        obj->hostPath = host;
        obj->directory = true;
        obj->share = dwShareMode;
        obj->dev = st.st_dev;
        obj->ino = st.st_ino;
        plat::openFiles().byFile.emplace(std::make_pair(st.st_dev, st.st_ino), obj.get());
        SetLastError(dwCreationDisposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        return plat::HandleInsert(obj);
    }
    if (exists) {
        if (dwCreationDisposition == CREATE_NEW) {
            SetLastError(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        bool readOnly = !(st.st_mode & S_IWUSR);
        if (readOnly && (write || deleteOnClose || dwCreationDisposition == CREATE_ALWAYS)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        // Sharing is checked before anything is truncated.
        if (!plat::ShareCheckLocked(st.st_dev, st.st_ino, read, write, del, dwShareMode)) return INVALID_HANDLE_VALUE;
    } else if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING) {
        SetLastError(plat::NotFound(host));
        return INVALID_HANDLE_VALUE;
    }

    int flags = O_CLOEXEC;
    if (read && write)
        flags |= O_RDWR;
    else if (write)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    bool truncate = exists && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING);
    if (truncate && !write) flags = (flags & ~O_ACCMODE) | O_RDWR;  // CREATE_ALWAYS truncates even for readers
    if (truncate) flags |= O_TRUNC;
    mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    if (!exists) flags |= O_CREAT | O_EXCL;
    int fd = open(host.c_str(), flags, mode);
    if (fd < 0 && !exists && errno == ENOENT) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (fd < 0) {
        SetLastError(plat::ErrnoToError(errno));
        return INVALID_HANDLE_VALUE;
    }
    if (truncate && !write) {
        // Reopen with the access asked for, so the handle cannot write.
        int again = open(host.c_str(), O_RDONLY | O_CLOEXEC);
        close(fd);
        fd = again;
        if (fd < 0) {
            SetLastError(plat::ErrnoToError(errno));
            return INVALID_HANDLE_VALUE;
        }
    }
    struct stat now;
    fstat(fd, &now);
    auto obj = std::make_shared<FileObject>();
    obj->fd = fd;
    obj->hostPath = host;
    obj->canRead = read;
    obj->canWrite = write;
    obj->canDelete = del;
    obj->share = dwShareMode;
    obj->deleteOnClose = deleteOnClose;
    obj->dev = now.st_dev;
    obj->ino = now.st_ino;
    plat::openFiles().byFile.emplace(std::make_pair(now.st_dev, now.st_ino), obj.get());
    // Opening over an existing file reports it through the last error, as Windows does.
    SetLastError(exists && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return plat::HandleInsert(obj);
}

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES sa,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    if (!lpFileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::u16string w = plat::AnsiToWide(lpFileName);
    return CreateFileW(w.c_str(), dwDesiredAccess, dwShareMode, sa, dwCreationDisposition, dwFlagsAndAttributes,
                       hTemplateFile);
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    auto f = plat::GetFile(hFile);
    if (!f) return FALSE;
    if (!f->canRead || f->directory) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!lpBuffer && nNumberOfBytesToRead) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    DWORD done = 0;
    off_t offset =
        lpOverlapped
            ? static_cast<off_t>((static_cast<ULONGLONG>(lpOverlapped->OffsetHigh) << 32) | lpOverlapped->Offset)
            : 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t n = lpOverlapped
                        ? pread(f->fd, static_cast<char*>(lpBuffer) + done, nNumberOfBytesToRead - done, offset + done)
                        : read(f->fd, static_cast<char*>(lpBuffer) + done, nNumberOfBytesToRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
            SetLastError(plat::ErrnoToError(errno));
            return FALSE;
        }
        if (n == 0) break;  // end of file: success with fewer bytes
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
    if (lpOverlapped) lpOverlapped->InternalHigh = done;
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    auto f = plat::GetFile(hFile);
    if (!f) return FALSE;
    if (!f->canWrite || f->directory) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!lpBuffer && nNumberOfBytesToWrite) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    DWORD want = nNumberOfBytesToWrite;
    plat::Injection inj = plat::TakeInjection("WriteFile");
    if (inj.due && !inj.shortWrite) {
        SetLastError(inj.error);
        return FALSE;
    }
    if (inj.due) want = inj.bytesShort >= want ? 0 : want - inj.bytesShort;
    off_t offset =
        lpOverlapped
            ? static_cast<off_t>((static_cast<ULONGLONG>(lpOverlapped->OffsetHigh) << 32) | lpOverlapped->Offset)
            : 0;
    DWORD done = 0;
    while (done < want) {
        const char* src = static_cast<const char*>(lpBuffer) + done;
        ssize_t n = lpOverlapped ? pwrite(f->fd, src, want - done, offset + done) : write(f->fd, src, want - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
            SetLastError(n < 0 ? plat::ErrnoToError(errno) : ERROR_DISK_FULL);
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
    if (lpOverlapped) lpOverlapped->InternalHigh = done;
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile) {
    auto f = plat::GetFile(hFile);
    if (!f) return FALSE;
    if (!f->canWrite) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (fsync(f->fd) != 0) {
        SetLastError(plat::ErrnoToError(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    auto f = plat::GetFile(hFile);
    struct stat st;
    if (!f || fstat(f->fd, &st) != 0) {
        if (f) SetLastError(plat::ErrnoToError(errno));
        return INVALID_FILE_SIZE;
    }
    ULONGLONG size = f->directory ? 0 : static_cast<ULONGLONG>(st.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(NO_ERROR);  // INVALID_FILE_SIZE can be a real low part
    return static_cast<DWORD>(size);
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    auto f = plat::GetFile(hFile);
    if (!f) return INVALID_SET_FILE_POINTER;
    long long distance =
        lpDistanceToMoveHigh
            ? static_cast<long long>((static_cast<ULONGLONG>(static_cast<DWORD>(*lpDistanceToMoveHigh)) << 32) |
                                     static_cast<DWORD>(lDistanceToMove))
            : static_cast<long long>(lDistanceToMove);
    long long base;
    if (dwMoveMethod == FILE_BEGIN) {
        base = 0;
    } else if (dwMoveMethod == FILE_CURRENT) {
        base = lseek(f->fd, 0, SEEK_CUR);
    } else if (dwMoveMethod == FILE_END) {
        struct stat st;
        fstat(f->fd, &st);
        base = st.st_size;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    long long target = base + distance;
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (!lpDistanceToMoveHigh && target > 0xFFFFFFFEll) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(f->fd, target, SEEK_SET) < 0) {
        SetLastError(plat::ErrnoToError(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<ULONGLONG>(target) >> 32);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(target);
}

BOOL SetEndOfFile(HANDLE hFile) {
    auto f = plat::GetFile(hFile);
    if (!f) return FALSE;
    if (!f->canWrite) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    off_t pos = lseek(f->fd, 0, SEEK_CUR);
    if (pos < 0 || ftruncate(f->fd, pos) != 0) {
        SetLastError(plat::ErrnoToError(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime, LPFILETIME lpLastWriteTime) {
    auto f = plat::GetFile(hFile);
    struct stat st;
    if (!f) return FALSE;
    if (fstat(f->fd, &st) != 0) {
        SetLastError(plat::ErrnoToError(errno));
        return FALSE;
    }
    ULONGLONG write = plat::HostTimeToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    if (lpCreationTime) {
        // The birth time where the host file system keeps one, else the last write.
        struct statx sx;
        ULONGLONG created = write;
        if (statx(f->fd, "", AT_EMPTY_PATH, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
            created = plat::HostTimeToFileTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
        *lpCreationTime = plat::ToFileTime(created);
    }
    if (lpLastAccessTime)
        *lpLastAccessTime = plat::ToFileTime(plat::HostTimeToFileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec));
    if (lpLastWriteTime) *lpLastWriteTime = plat::ToFileTime(write);
    return TRUE;
}

BOOL SetFileTime(HANDLE hFile, const FILETIME*, const FILETIME* lpLastAccessTime, const FILETIME* lpLastWriteTime) {
    auto f = plat::GetFile(hFile);
    if (!f) return FALSE;
    if (!f->canWrite) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    struct timespec ts[2];
    ts[0].tv_nsec = UTIME_OMIT;
    ts[1].tv_nsec = UTIME_OMIT;
    const FILETIME* in[2] = {lpLastAccessTime, lpLastWriteTime};
    for (int i = 0; i < 2; ++i) {
        // A zero time (or null) leaves that time as it is.
        if (!in[i] || plat::FromFileTime(*in[i]) == 0) continue;
        long long s;
        long ns;
        plat::FileTimeToHostTime(plat::FromFileTime(*in[i]), &s, &ns);
        ts[i].tv_sec = static_cast<time_t>(s);
        ts[i].tv_nsec = ns;
    }
    if (futimens(f->fd, ts) != 0) {
        SetLastError(plat::ErrnoToError(errno));
        return FALSE;
    }
    return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
    ULONGLONG x = plat::FromFileTime(*a), y = plat::FromFileTime(*b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

BOOL DeleteFileW(LPCWSTR lpFileName) {
    std::u16string_view name = plat::View(lpFileName);
    if (name.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::string host = plat::MapPath(name);
    std::lock_guard<std::mutex> g(plat::openFiles().lock);
    struct stat st;
    if (stat(host.c_str(), &st) != 0) {
        SetLastError(plat::NotFound(host));
        return FALSE;
    }
    if (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!plat::ShareCheckLocked(st.st_dev, st.st_ino, false, false, true,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
        return FALSE;
    if (unlink(host.c_str()) != 0) {
        SetLastError(plat::ErrnoToError(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
    if (!lpFileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    return DeleteFileW(plat::AnsiToWide(lpFileName).c_str());
}

BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
    if (!lpExistingFileName || !lpNewFileName || !*lpNewFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string from = plat::MapPath(lpExistingFileName);
    std::string to = plat::MapPath(lpNewFileName);
    std::lock_guard<std::mutex> g(plat::openFiles().lock);
    struct stat st;
    if (stat(from.c_str(), &st) != 0) {
        SetLastError(plat::NotFound(from));
        return FALSE;
    }
    if (!S_ISDIR(st.st_mode) && !plat::ShareCheckLocked(st.st_dev, st.st_ino, false, false, true,
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
        return FALSE;
    struct stat dst;
    if (stat(to.c_str(), &dst) == 0 && !(dst.st_dev == st.st_dev && dst.st_ino == st.st_ino)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (rename(from.c_str(), to.c_str()) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : plat::ErrnoToError(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
    if (!lpExistingFileName || !lpNewFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HANDLE src = CreateFileW(lpExistingFileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (src == INVALID_HANDLE_VALUE) return FALSE;
    FILETIME written;
    GetFileTime(src, nullptr, nullptr, &written);
    HANDLE dst = CreateFileW(lpNewFileName, GENERIC_WRITE, 0, nullptr, bFailIfExists ? CREATE_NEW : CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (dst == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        CloseHandle(src);
        SetLastError(e);
        return FALSE;
    }
    std::vector<char> buf(65536);
    BOOL ok = TRUE;
    for (;;) {
        DWORD got = 0, put = 0;
        if (!ReadFile(src, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr)) {
            ok = FALSE;
            break;
        }
        if (got == 0) break;
        if (!WriteFile(dst, buf.data(), got, &put, nullptr) || put != got) {
            if (put != got && GetLastError() == NO_ERROR) SetLastError(ERROR_WRITE_FAULT);
            ok = FALSE;
            break;
        }
    }
    DWORD e = GetLastError();
    if (ok) SetFileTime(dst, nullptr, nullptr, &written);  // a copy keeps the last-write time
    CloseHandle(src);
    CloseHandle(dst);
    if (!ok) {
        DeleteFileW(lpNewFileName);
        SetLastError(e);
        return FALSE;
    }
    SetLastError(NO_ERROR);
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
    std::u16string_view name = plat::View(lpFileName);
    if (name.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string host = plat::MapPath(name);
    struct stat st;
    if (stat(host.c_str(), &st) != 0) {
        SetLastError(plat::NotFound(host));
        return INVALID_FILE_ATTRIBUTES;
    }
    return plat::AttributesOf(st);
}

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES) {
    std::u16string_view name = plat::View(lpPathName);
    if (name.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::string host = plat::MapPath(name);
    if (mkdir(host.c_str(), 0777) != 0) {
        SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS
                                     : (errno == ENOENT ? ERROR_PATH_NOT_FOUND : plat::ErrnoToError(errno)));
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName) {
    std::u16string_view name = plat::View(lpPathName);
    std::string host = plat::MapPath(name);
    struct stat st;
    if (name.empty() || stat(host.c_str(), &st) != 0) {
        SetLastError(name.empty() ? ERROR_PATH_NOT_FOUND : plat::NotFound(host));
        return FALSE;
    }
    if (!S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (rmdir(host.c_str()) != 0) {
        SetLastError(plat::ErrnoToError(errno));
        return FALSE;
    }
    return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    std::u16string_view path = plat::View(lpFileName);
    if (path.empty() || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string dir;
    std::u16string pattern;
    plat::SplitPattern(path, &dir, &pattern);
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (pattern == u"*.*") pattern.erase(1);  // the old rule: "*.*" matches names without a dot too
    DIR* d = opendir(dir.c_str());
    if (!d) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::pair<std::u16string, std::string>> names;
    while (struct dirent* e = readdir(d)) {
        std::u16string w = plat::Utf8ToUtf16(e->d_name);
        if (plat::WildMatch(pattern, w)) names.emplace_back(plat::Fold(w), e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    auto obj = std::make_shared<plat::FindObject>();
    for (const auto& [key, name] : names) {
        struct stat st;
        if (stat((dir + "/" + name).c_str(), &st) != 0) continue;
        WIN32_FIND_DATAW fd;
        plat::FillFindData(name, st, &fd);
        obj->entries.push_back(fd);
    }
    if (obj->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *lpFindFileData = obj->entries[0];
    obj->next = 1;
    return plat::HandleInsert(obj);
}

BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
    auto f = plat::HandleGet<plat::FindObject>(hFindFile);
    if (!f || !lpFindFileData) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (f->next >= f->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *lpFindFileData = f->entries[f->next++];
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    if (!plat::HandleGet<plat::FindObject>(hFindFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return plat::HandleClose(hFindFile);
}

}  // extern "C"
