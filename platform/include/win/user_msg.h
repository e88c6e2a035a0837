// Window messages between processes' message windows, and the global atom table that carries
// strings with them.
#pragma once

#include "win/base.h"

extern "C" {

#define WM_NULL 0x0000
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_USER 0x0400
#define WM_APP 0x8000
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_NOT_ENOUGH_QUOTA 1816L

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *PMSG, *LPMSG;

// The top-level (or message-only) window of that class, and title when one is given.
HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);
// Queues the message for the window's thread and returns at once; without a window, for the
// calling thread (a thread message, as PostThreadMessageW to itself).
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL IsWindow(HWND hWnd);

// Global atoms: reference-counted strings, compared without regard to case.
ATOM GlobalAddAtomW(LPCWSTR lpString);
ATOM GlobalFindAtomW(LPCWSTR lpString);
ATOM GlobalDeleteAtom(ATOM nAtom);  // 0 on success, as on Windows
UINT GlobalGetAtomNameW(ATOM nAtom, LPWSTR lpBuffer, int nSize);

}  // extern "C"

// The message record as 64-bit Windows lays it out.
static_assert(sizeof(MSG) == 48 && offsetof(MSG, wParam) == 16 && offsetof(MSG, time) == 32 && offsetof(MSG, pt) == 36);
