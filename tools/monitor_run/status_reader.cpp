// The reader process: its mode (bind, register, report, end at the end of its input) and the
// parent's side that starts it with pipes on its standard input and output.
#include "tools/monitor_run/status_reader.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "outside/dorlik/dorlik_api.h"
#include "outside/dorlik/dorlik_library.h"
#include "plat/control.h"
#include "tools/monitor_run/variable_text.h"
#include "win/kernel.h"

extern char** environ;

namespace {

using dorlik::Entry;
using dorlik::Library;

constexpr DWORD kWaitStepMs = 20;
constexpr int kReadyWaitMs = 10000;
constexpr int kEndWaitMs = 10000;
constexpr DWORD kValueLimit = 4096;

struct Events {
    HANDLE handles[kFollowedCount] = {};
    ~Events() {
        for (HANDLE h : handles)
            if (h) CloseHandle(h);
    }
};

bool InputEnded() {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) return false;
    char c;
    return read(STDIN_FILENO, &c, 1) <= 0;
}

// The reader's binding: a manager handle as the interface DLL opens one, and its registration.
struct Reader {
    PFN_DorlikGetPrinterStatusA get;
    PFN_DorlikCloseManager close;
    PFN_DorlikKillNotificationEvent kill;
    HANDLE manager = nullptr;
    DWORD cookie = 0;
    ~Reader() {
        if (cookie) kill(manager, cookie);
        if (manager) close(manager);
    }
    bool Read(const std::string& name, std::string* value) const {
        DWORD needed = 0;
        LONG rc = get(manager, name.c_str(), nullptr, 0, &needed);
        if (rc != DORLIK_E_SMALL_QUERY || needed > kValueLimit) return false;
        value->assign(needed, '\0');
        return get(manager, name.c_str(), value->data(), needed, &needed) == DORLIK_OK;
    }
};

}  // namespace

int RunStatusReader(const std::string& sandboxRoot, const std::string& printer) {
    PlatSetSandboxRoot(sandboxRoot.c_str());
    Library library;
    if (!library.module) {
        std::printf("reader: cannot load the status manager\n");
        return 1;
    }
    auto open = Entry<PFN_DorlikOpenManagerExW>(library.module, "OpenManagerExW");
    auto registerEvents = Entry<PFN_DorlikSetNotificationEventExA>(library.module, "SetNotificationEventExA");
    Reader r{Entry<PFN_DorlikGetPrinterStatusA>(library.module, "GetPrinterStatusA"),
             Entry<PFN_DorlikCloseManager>(library.module, "CloseManager"),
             Entry<PFN_DorlikKillNotificationEvent>(library.module, "KillNotificationEvent")};
    if (!open || !registerEvents || !r.get || !r.close || !r.kill) return 1;
    const std::u16string name(printer.begin(), printer.end());
    if (open(name.c_str(), u"", 10, &r.manager) != DORLIK_OK) {
        std::printf("reader: the status manager does not bind \"%s\"\n", printer.c_str());
        return 1;
    }
    Events events;
    for (HANDLE& h : events.handles) h = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (registerEvents(r.manager, kFollowedCount, kFollowedVariables, events.handles, &r.cookie) != DORLIK_OK) {
        std::printf("reader: cannot register for changes\n");
        return 1;
    }
    const std::vector<std::string> names = FollowedNames();
    std::printf("ready: reader process %d watches %u variables of \"%s\"\n", static_cast<int>(getpid()), kFollowedCount,
                printer.c_str());
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    unsigned changes = 0;
    while (!InputEnded()) {
        DWORD rc = WaitForMultipleObjects(kFollowedCount, events.handles, FALSE, kWaitStepMs);
        if (rc >= WAIT_OBJECT_0 + kFollowedCount) continue;
        const std::string& changed = names[rc - WAIT_OBJECT_0];
        std::string value;
        if (!r.Read(changed, &value)) continue;
        const long ms = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
        std::printf("+%5ld ms  %-17s %s\n", ms, changed.c_str(), VariableText(changed, value).c_str());
        std::fflush(stdout);
        ++changes;
    }
    std::printf("reader: %u changes seen; at the end:\n", changes);
    for (const char* last : {"PrinterStatus", "PrintingJobInfo2"}) {
        std::string value;
        if (r.Read(last, &value)) std::printf("  %-17s %s\n", last, VariableText(last, value).c_str());
    }
    return 0;
}

ReaderProcess::~ReaderProcess() {
    if (toChild_ >= 0) close(toChild_);
    if (fromChild_ >= 0) close(fromChild_);
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool ReaderProcess::Start(const std::string& sandboxRoot, const std::string& printer) {
    int in[2], out[2];
    if (pipe(in) != 0) return false;
    if (pipe(out) != 0) {
        close(in[0]), close(in[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
    std::string self = "/proc/self/exe", mode = "--status-reader";
    char* argv[] = {self.data(), mode.data(), const_cast<char*>(sandboxRoot.c_str()),
                    const_cast<char*>(printer.c_str()), nullptr};
    const int rc = posix_spawn(&pid_, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]), close(out[1]);
    toChild_ = in[1], fromChild_ = out[0];
    if (rc != 0) {
        pid_ = -1;
        return false;
    }
    std::string line;
    return ReadLine(&line, kReadyWaitMs) && line.rfind("ready", 0) == 0;
}

bool ReaderProcess::ReadLine(std::string* line, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            *line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd p{fromChild_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[4096];
        const ssize_t n = read(fromChild_, buffer, sizeof buffer);
        if (n <= 0) return false;
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

bool ReaderProcess::Finish(std::vector<std::string>* lines, int* exitCode) {
    if (pid_ <= 0) return false;
    close(toChild_);
    toChild_ = -1;
    std::string line;
    while (ReadLine(&line, kEndWaitMs)) lines->push_back(line);
    if (!pending_.empty()) lines->push_back(pending_);
    pending_.clear();
    int status = 0;
    const bool ended = waitpid(pid_, &status, 0) == pid_;
    pid_ = -1;
    *exitCode = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ended && *exitCode == 0;
}
