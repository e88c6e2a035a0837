// What the document-monitor API stand-in remembers, for tests: "MevStandInState" answers it.
#pragma once

#include <cstddef>

#include "win/base.h"

struct MevStandInState {
    int initializations;    // MevInitializeRellwatch calls that gave a handle
    int releases;           // MevUnInitializeRellwatch calls
    int executions;         // MevExecRellwatch calls
    int dataCalls;          // MevSetMevDataEx or MevSetMevData calls
    BOOL dataWasLegacy;     // the last data came through MevSetMevData
    BYTE jobBlock[1024];    // the last data's head, as received (job block or older header)
    BYTE destination[812];  // its first destination, as received (660 bytes in the older layout)
    // Scripted failures: the next call of each fails once when set (tests set them).
    BOOL failInitialize;
    BOOL failData;
    char clientId[300];  // answered by MevCreateClientId ("CL01" when empty)
};
