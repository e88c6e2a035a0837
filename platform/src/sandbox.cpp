// The sandbox root and the map from Windows paths to host paths; atomic whole-file writes for
// every persisted store.
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "plat/control.h"
#include "plat_internal.h"
#include "win/kernel.h"

namespace plat {
namespace {

struct RootState {
    std::mutex lock;
    std::string root;
};
RootState& rootState() {
    static RootState* s = new RootState;
    return *s;
}

bool Exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

// Windows drops trailing dots and spaces from a path component.
std::u16string TrimComponent(std::u16string_view c) {
    size_t n = c.size();
    while (n > 0 && (c[n - 1] == u'.' || c[n - 1] == u' ')) --n;
    if (n == 0) return std::u16string(c);  // "." and ".." are handled by the caller
    return std::u16string(c.substr(0, n));
}

std::string MatchComponent(const std::string& dir, std::u16string_view component) {
    std::string given = Utf16ToUtf8(component);
    if (Exists(dir + "/" + given)) return given;
    DIR* d = opendir(dir.c_str());
    if (!d) return given;
    std::u16string want = Fold(component);
    std::string found = given;
    while (struct dirent* e = readdir(d)) {
        if (Fold(Utf8ToUtf16(e->d_name)) == want) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

// Every Windows system has these; the driver may take them for granted.
void MakeStandardDirectories(const std::string& root) {
    MakeDirs(root + "/C/Windows/System32/spool/drivers/w32x86/3");
    MakeDirs(root + "/C/Windows/System32/spool/PRINTERS");
    MakeDirs(root + "/C/Windows/Temp");
}

std::string& PrivateRoot() {
    static std::string* r = new std::string;
    return *r;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}

// A root the layer made for itself is scratch: it goes when the process ends.
void RemovePrivateRoot() {
    if (!PrivateRoot().empty()) nftw(PrivateRoot().c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

std::string SandboxRoot() {
    RootState& s = rootState();
    std::lock_guard<std::mutex> g(s.lock);
    if (s.root.empty()) {
        // No root chosen: use a private temporary one rather than touching the host.
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/orla-sandbox-XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back(0);
        if (mkdtemp(buf.data())) {
            s.root = buf.data();
            PrivateRoot() = s.root;
            atexit(RemovePrivateRoot);
        } else {
            s.root = "/tmp";
        }
        MakeStandardDirectories(s.root);
    }
    return s.root;
}

std::string MapPath(std::u16string_view path) {
    if (!path.empty() && path[0] == u'/') return Utf16ToUtf8(path);  // already a host path
    std::u16string p(path);
    if (p.rfind(u"\\\\?\\", 0) == 0) p = p.substr(4);
    std::u16string top;
    std::u16string rest;
    if (p.size() >= 2 && p[1] == u':' && ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z'))) {
        top = std::u16string(1, FoldChar(p[0]));
        rest = p.substr(2);
    } else if (p.size() >= 2 && (p[0] == u'\\' || p[0] == u'/') && (p[1] == u'\\' || p[1] == u'/')) {
        top = u"UNC";
        rest = p.substr(1);
    } else if (!p.empty() && (p[0] == u'\\' || p[0] == u'/')) {
        top = u"C";
        rest = p;
    } else {
        // Relative paths start in the spooler's working directory.
        top = u"C";
        rest = u"\\Windows\\System32\\" + p;
    }
    std::vector<std::u16string> parts;
    size_t i = 0;
    while (i <= rest.size()) {
        size_t j = rest.find_first_of(u"\\/", i);
        if (j == std::u16string::npos) j = rest.size();
        std::u16string c = rest.substr(i, j - i);
        if (c == u"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!c.empty() && c != u".") {
            parts.push_back(TrimComponent(c));
        }
        i = j + 1;
    }
    // Drive Z: is the host's own file system (where the program and its modules were built).
    if (top == u"Z") {
        std::string host;
        for (const auto& c : parts) host += "/" + MatchComponent(host.empty() ? "/" : host, c);
        return host.empty() ? "/" : host;
    }
    std::string host = SandboxRoot() + "/" + Utf16ToUtf8(top);
    for (const auto& c : parts) host += "/" + MatchComponent(host, c);
    return host;
}

std::u16string HostToWindowsPath(const std::string& hostPath) {
    std::u16string w = u"Z:" + Utf8ToUtf16(hostPath);
    for (auto& c : w)
        if (c == u'/') c = u'\\';
    return w;
}

bool MakeDirs(const std::string& dir) {
    if (dir.empty()) return true;
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash))) return false;
    return mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST;
}

bool MakeParentDirs(const std::string& hostPath) {
    size_t slash = hostPath.find_last_of('/');
    return slash == std::string::npos || slash == 0 || MakeDirs(hostPath.substr(0, slash));
}

namespace {
std::atomic<int> persistence{PLAT_PERSIST_DURABLE};
}  // namespace

PLAT_PERSISTENCE Persistence() {
    return static_cast<PLAT_PERSISTENCE>(persistence.load(std::memory_order_relaxed));
}

bool WriteFileAtomic(const std::string& hostPath, std::string_view bytes) {
    return WriteFileAtomic(hostPath, bytes, Persistence() == PLAT_PERSIST_DURABLE);
}

bool WriteFileAtomic(const std::string& hostPath, std::string_view bytes, bool durable) {
    static std::atomic<unsigned> counter{0};
    if (!MakeParentDirs(hostPath)) return false;
    std::string tmp = hostPath + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            close(fd);
            unlink(tmp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if ((durable && fdatasync(fd) != 0) || close(fd) != 0) {
        unlink(tmp.c_str());
        return false;
    }
    if (rename(tmp.c_str(), hostPath.c_str()) != 0) {
        unlink(tmp.c_str());
        return false;
    }
    size_t slash = hostPath.find_last_of('/');
    if (durable && slash != std::string::npos) {
        int dfd = open(hostPath.substr(0, slash ? slash : 1).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            fsync(dfd);
            close(dfd);
        }
    }
    return true;
}

namespace {

// The process id of a temporary's name "<file>.tmp-PID-N", or 0 when the name is not one.
pid_t TemporaryOwner(std::string_view name, std::string_view file) {
    constexpr std::string_view kTag = ".tmp-";
    if (name.size() <= file.size() + kTag.size() || name.substr(0, file.size()) != file ||
        name.substr(file.size(), kTag.size()) != kTag)
        return 0;
    std::string_view rest = name.substr(file.size() + kTag.size());
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9 || dash + 1 == rest.size()) return 0;
    auto digits = [](std::string_view s) { return s.find_first_not_of("0123456789") == std::string_view::npos; };
    if (!digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1))) return 0;
    return static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
}

bool ProcessAlive(pid_t pid) {
    return kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

void RemoveStaleTemporaries(const std::string& hostPath) {
    const size_t slash = hostPath.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : hostPath.substr(0, slash ? slash : 1);
    const std::string file = hostPath.substr(slash == std::string::npos ? 0 : slash + 1);
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        const pid_t owner = TemporaryOwner(e->d_name, file);
        if (owner > 0 && (owner == getpid() || !ProcessAlive(owner))) unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
}

bool ReadWholeFile(const std::string& hostPath, std::string& out, size_t limit) {
    out.clear();
    int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return false;
        }
        if (n == 0) break;
        if (out.size() + static_cast<size_t>(n) > limit) {
            close(fd);
            out.clear();
            errno = EFBIG;
            return false;
        }
        out.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

DWORD ErrnoToError(int error) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case ENOSPC:
            return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        default:
            return ERROR_GEN_FAILURE;
    }
}

}  // namespace plat

extern "C" {

void PlatSetSandboxRoot(const char* hostDirectory) {
    plat::RegistryFlush();  // the hives changed under the old root are written there
    {
        plat::RootState& s = plat::rootState();
        std::lock_guard<std::mutex> g(s.lock);
        s.root = hostDirectory ? hostDirectory : "";
        while (s.root.size() > 1 && s.root.back() == '/') s.root.pop_back();
    }
    if (hostDirectory) plat::MakeStandardDirectories(plat::SandboxRoot());
    plat::RegistryDropCache();
    plat::SpoolerDropState();
}

const char* PlatGetSandboxRoot(void) {
    thread_local std::string root;
    root = plat::SandboxRoot();
    return root.c_str();
}

const char* PlatHostPath(LPCWSTR windowsPath) {
    thread_local std::string path;
    path = plat::MapPath(plat::View(windowsPath));
    return path.c_str();
}

BOOL PlatSetPersistence(DWORD mode) {
    if (mode != PLAT_PERSIST_DURABLE && mode != PLAT_PERSIST_UNSYNCED && mode != PLAT_PERSIST_IN_MEMORY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    plat::persistence.store(static_cast<int>(mode), std::memory_order_relaxed);
    return TRUE;
}

PLAT_PERSISTENCE PlatGetPersistence(void) {
    return plat::Persistence();
}

void PlatResetForTests(void) {
    plat::RegistryDropCache();
    plat::SpoolerDropState();
}

BOOL PlatCopyIntoSandbox(const char* hostFile, LPCWSTR windowsPath) {
    std::string bytes;
    if (!hostFile || !windowsPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!plat::ReadWholeFile(hostFile, bytes)) {
        SetLastError(errno == EFBIG ? ERROR_FILE_TOO_LARGE : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    std::string target = plat::MapPath(windowsPath);
    if (!plat::WriteFileAtomic(target, bytes)) {
        SetLastError(plat::ErrnoToError(errno));
        return FALSE;
    }
    struct stat st;
    if (stat(hostFile, &st) == 0) chmod(target.c_str(), st.st_mode & 0777);
    return TRUE;
}

}  // extern "C"
