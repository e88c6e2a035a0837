// A status reader in another process: monitor_run started again in its reader mode binds the
// printer in the status manager as the interface DLL does, and reports every change of the
// followed variables it is told of until its standard input closes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// The reader mode itself (monitor_run --status-reader ROOT PRINTER): its exit code.
int RunStatusReader(const std::string& sandboxRoot, const std::string& printer);

// The parent's side: the reader process, started and then told to stop.
class ReaderProcess {
public:
    ReaderProcess() = default;
    ~ReaderProcess();
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // Starts it and waits until it has registered with the status manager; false when it could not.
    bool Start(const std::string& sandboxRoot, const std::string& printer);
    pid_t Pid() const { return pid_; }
    // Closes its input, collects what it printed and its exit code; false when it did not end well.
    bool Finish(std::vector<std::string>* lines, int* exitCode);

private:
    bool ReadLine(std::string* line, int timeoutMs);
    pid_t pid_ = -1;
    int toChild_ = -1, fromChild_ = -1;
    std::string pending_;
};
