// Activation contexts: a module's manifest made current for the windows a thread creates.
#pragma once

#include "win/base.h"

extern "C" {

typedef struct tagACTCTXW {
    ULONG cbSize;
    DWORD dwFlags;
    LPCWSTR lpSource;
    USHORT wProcessorArchitecture;
    LANGID wLangId;
    LPCWSTR lpAssemblyDirectory;
    LPCWSTR lpResourceName;
    LPCWSTR lpApplicationName;
    HMODULE hModule;
} ACTCTXW, *PACTCTXW;
typedef const ACTCTXW* PCACTCTXW;

#define ACTCTX_FLAG_PROCESSOR_ARCHITECTURE_VALID 0x001
#define ACTCTX_FLAG_LANGID_VALID 0x002
#define ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID 0x004
#define ACTCTX_FLAG_RESOURCE_NAME_VALID 0x008
#define ACTCTX_FLAG_HMODULE_VALID 0x080
#define ERROR_SXS_INVALID_DEACTIVATION 14085L
#define ERROR_SXS_CANT_GEN_ACTCTX 14001L

HANDLE CreateActCtxW(PCACTCTXW pActCtx);  // INVALID_HANDLE_VALUE on failure
void AddRefActCtx(HANDLE hActCtx);
void ReleaseActCtx(HANDLE hActCtx);
BOOL ActivateActCtx(HANDLE hActCtx, ULONG_PTR* lpCookie);
BOOL DeactivateActCtx(DWORD dwFlags, ULONG_PTR ulCookie);
BOOL GetCurrentActCtx(HANDLE* lphActCtx);  // adds a reference to what it hands out

// Activation contexts not yet released (leak checks).
DWORD PlatLiveActCtxCount(void);

}  // extern "C"

static_assert(sizeof(ACTCTXW) == 56 && offsetof(ACTCTXW, hModule) == 48);
