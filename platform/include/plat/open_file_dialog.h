// The common file dialog answered from a scripted queue. Every GetOpenFileNameW call is logged
// with what it asked (filter, initial folder, title, buffer sizes, flags); a call with no answer
// queued, or whose answer the dialog could not give (a file that must exist and does not), is
// unexpected: it returns FALSE and is counted, so a test can fail on it.
#pragma once

#include "win/base.h"

extern "C" {

// The next dialog is answered with this Windows path (the user picked it and pressed Open).
void PlatQueueOpenFileAnswer(LPCWSTR windowsPath);
// The next dialog is cancelled.
void PlatQueueOpenFileCancel(void);

typedef struct _PLAT_OPEN_FILE_RECORD {
    WCHAR filter[256];  // the filter's texts joined by '|' (each NUL of the list), cut to fit
    WCHAR initialDir[260];
    WCHAR title[128];        // lpstrTitle, empty when null
    WCHAR initialFile[260];  // lpstrFile as given
    DWORD maxFile;           // nMaxFile
    DWORD maxFileTitle;      // nMaxFileTitle (0 without a title buffer)
    DWORD flags;
    DWORD filterIndex;
    HWND owner;
    WCHAR answer[260];  // the path handed back, empty when cancelled or failed
    BOOL result;        // what GetOpenFileNameW returned
    BOOL unexpected;
} PLAT_OPEN_FILE_RECORD;

DWORD PlatOpenFileCallCount(void);
BOOL PlatGetOpenFileCall(DWORD index, PLAT_OPEN_FILE_RECORD* record);
DWORD PlatUnexpectedOpenFileCount(void);
DWORD PlatPendingOpenFileAnswers(void);
// Empties the log and the queue.
void PlatResetOpenFileDialogs(void);

}  // extern "C"
