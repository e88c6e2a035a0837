// Document-monitor API stand-in: the entry points the interface DLL binds, answering with
// handles and ids, and remembering what it was handed (MevStandInState, for tests).
#include "outside/mevapi/mev_api.h"

#include <cstring>

#include "win/kernel.h"

namespace {

MevStandInState g_state;
ULONG_PTR g_nextHandle = 0x4D00;

}  // namespace

DLLEXPORT MevStandInState* APIENTRY MevStandInStateOf() {
    return &g_state;
}

DLLEXPORT ULONG_PTR APIENTRY MevInitializeRellwatch(DWORD) {
    if (g_state.failInitialize) {
        g_state.failInitialize = FALSE;
        return 0;
    }
    ++g_state.initializations;
    return ++g_nextHandle;
}

DLLEXPORT int APIENTRY MevUnInitializeRellwatch(ULONG_PTR) {
    ++g_state.releases;
    return 1;
}

DLLEXPORT int APIENTRY MevCreateClientId(ULONG_PTR handle, char* buffer) {
    if (handle == 0 || buffer == nullptr) return 0;
    const char* id = g_state.clientId[0] != '\0' ? g_state.clientId : "CL01";
    std::strncpy(buffer, id, 260);
    buffer[259] = '\0';
    return 1;
}

DLLEXPORT int APIENTRY MevCreateJobId(ULONG_PTR handle, char* buffer) {
    if (handle == 0 || buffer == nullptr) return 0;
    std::strcpy(buffer, "J0007");
    return 1;
}

DLLEXPORT int APIENTRY MevExecRellwatch(ULONG_PTR handle) {
    if (handle == 0) return 0;
    ++g_state.executions;
    return 1;
}

namespace {

int TakeData(const void* data, bool legacy, size_t headSize, size_t destinationOffset, size_t destinationSize) {
    if (g_state.failData) {
        g_state.failData = FALSE;
        return 0;
    }
    ++g_state.dataCalls;
    g_state.dataWasLegacy = legacy;
    std::memcpy(g_state.jobBlock, data, headSize);
    const BYTE* destination = nullptr;
    std::memcpy(&destination, static_cast<const BYTE*>(data) + destinationOffset, sizeof destination);
    std::memset(g_state.destination, 0, sizeof g_state.destination);
    if (destination != nullptr) std::memcpy(g_state.destination, destination, destinationSize);
    return 1;
}

}  // namespace

#if MEV_HAS_DATA_EX
// The new layout: the job block (604 bytes on 64-bit), its destination pointer at 596.
DLLEXPORT int APIENTRY MevSetMevDataEx(ULONG_PTR handle, const void* data) {
    if (handle == 0 || data == nullptr) return 0;
    DWORD size = 0;
    std::memcpy(&size, data, sizeof size);
    if (size < 596 + sizeof(void*)) return 0;
    return TakeData(data, false, size, 596, 812);
}
#endif

// The older layout: the header with its destination pointer at 528, entries of 660 bytes.
DLLEXPORT int APIENTRY MevSetMevData(ULONG_PTR handle, const void* data) {
    if (handle == 0 || data == nullptr) return 0;
    return TakeData(data, true, 528 + sizeof(void*), 528, 660);
}

// Bound by the driver but not called by it: each answers success.
DLLEXPORT int APIENTRY MevSetGroupStyle(ULONG_PTR, DWORD) {
    return 1;
}
DLLEXPORT int APIENTRY MevSetJobId(ULONG_PTR, const char*) {
    return 1;
}
DLLEXPORT int APIENTRY MevSetDestinationCount(ULONG_PTR, DWORD) {
    return 1;
}
DLLEXPORT int APIENTRY MevSetPortName(ULONG_PTR, const char*) {
    return 1;
}
DLLEXPORT int APIENTRY MevSetFriendlyName(ULONG_PTR, const char*) {
    return 1;
}
DLLEXPORT int APIENTRY MevSetParamStyle(ULONG_PTR, DWORD) {
    return 1;
}
DLLEXPORT int APIENTRY MevExecRellwatchPreferences(ULONG_PTR) {
    return 1;
}
DLLEXPORT int APIENTRY MevSetJobDestinations(ULONG_PTR, const void*) {
    return 1;
}
DLLEXPORT int APIENTRY MevExecRellwatchWithStatus(ULONG_PTR, DWORD*) {
    return 1;
}
DLLEXPORT int APIENTRY MevExecRellwatchPreferencesWithStatus(ULONG_PTR, DWORD*) {
    return 1;
}
