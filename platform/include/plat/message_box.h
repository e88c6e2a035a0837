// Message boxes answered from a scripted queue. Every box is logged with its text, caption and
// flags; a box with no answer queued (or whose queued answer is not one of its buttons) is
// unexpected: it returns 0 and is counted, so a test can fail on it.
#pragma once

#include "win/user.h"

extern "C" {

// Queues the button the next box is answered with (IDOK, IDYES, ...), first in first out.
void PlatQueueMessageBoxAnswer(int answer);

typedef struct _PLAT_MESSAGE_BOX_RECORD {
    WCHAR text[512];  // cut to fit
    WCHAR caption[128];
    UINT flags;
    HWND owner;
    int answer;  // what MessageBoxW returned (0 for an unexpected box)
    BOOL unexpected;
} PLAT_MESSAGE_BOX_RECORD;

DWORD PlatMessageBoxCount(void);
BOOL PlatGetMessageBox(DWORD index, PLAT_MESSAGE_BOX_RECORD* record);
DWORD PlatUnexpectedMessageBoxCount(void);
DWORD PlatPendingMessageBoxAnswers(void);  // answers queued but not taken
// Empties the log and the queue of answers.
void PlatResetMessageBoxes(void);

}  // extern "C"

// MessageBeep calls since the last reset, and the type of the last one.
extern "C" DWORD PlatBeepCount(void);
extern "C" UINT PlatLastBeepType(void);
extern "C" void PlatResetBeeps(void);
