// The job-processing service QzPJMService as the language monitor meets it: its registry values,
// the named table of pre-processed jobs and its mutex, its message window, and the per-job
// events it signals. Tests script it: list jobs as pre-processed, release or refuse jobs that
// the monitor asks about, hold them, or stop the service.
#pragma once

#include <string>
#include <vector>

#include "win/base.h"

namespace qzpjm {

enum class Answer {
    Release,  // "QzLM_ALLOW<id>" as soon as the monitor asks
    Refuse,   // "QzLM_OVER<id>"
    Hold,     // nothing until ReleaseJob/RefuseJob
};

struct Options {
    DWORD runStatus = 1;     // "RunStatus": 0 lets jobs print when the table cannot be used
    bool debugMode = false;  // "RunMode" = "Debug": the monitor writes its diagnostic files
    std::u16string eventLogFolder = u"C:\\QzPJM\\Log";
    bool installed = true;    // known to the service control manager
    bool createTable = true;  // the named table and its mutex exist
    Answer answer = Answer::Release;
};

struct Posted {
    UINT message;
    std::u16string printer;  // the atom's text (0x8004)
    DWORD jobId;
};

inline constexpr UINT kRestartRequest = 0x8004;
inline constexpr UINT kEndOfDocument = 0x8002;

// Starts the service (registry values, objects, window and its thread); FALSE if it runs already
// or an object cannot be made.
BOOL Start(const Options& options = {});
// Stops it: window, table, mutex and registration go away. Safe to call when not running.
void Stop();
BOOL IsRunning();

// The table of pre-processed jobs (entered under "QZ_FILEMAPPING_MUTEX").
BOOL AddPreprocessedJob(DWORD jobId);
BOOL SetTableInUse(BOOL inUse);
// Holds the table's mutex (as a busy service does) until ReleaseTableMutex.
BOOL HoldTableMutex();
BOOL ReleaseTableMutex();

void SetAnswer(Answer answer);
BOOL ReleaseJob(DWORD jobId);  // signals "QzLM_ALLOW<id>"
BOOL RefuseJob(DWORD jobId);   // signals "QzLM_OVER<id>"

std::vector<Posted> Messages();
// Real-time wait (tests): TRUE once a message of that kind for that job was received.
BOOL WaitForMessage(UINT message, DWORD jobId, DWORD realMilliseconds);

}  // namespace qzpjm
