// The kernel object behind a file handle, shared by file I/O and file mapping.
#pragma once

#include <sys/types.h>

#include <string>

#include "handle_table.h"
#include "win/base.h"

namespace plat {

struct FileObject : KernelObject {
    int fd = -1;
    std::string hostPath;
    bool canRead = false;
    bool canWrite = false;
    bool canDelete = false;
    DWORD share = 0;
    bool deleteOnClose = false;
    bool directory = false;
    dev_t dev = 0;
    ino_t ino = 0;
    ~FileObject() override;
    void OnLastClose() override;
};

// FILETIME (100 ns since 1601) <-> host time.
ULONGLONG HostTimeToFileTime(long long seconds, long nanoseconds);
void FileTimeToHostTime(ULONGLONG fileTime, long long* seconds, long* nanoseconds);

// TRUE when the file at the host path may be opened with the given access and share mode
// given every handle the process holds on it; otherwise sets ERROR_SHARING_VIOLATION.
bool ShareCheck(const std::string& hostPath, bool read, bool write, bool del, DWORD share);

}  // namespace plat
