// Painting windows: update regions, WM_PAINT and the device contexts of windows. A window's DC
// draws into the window's place in the picture while the renderer asks the window to paint
// (plat/window_render.h); at any other time into a scratch picture of the client's size that
// is dropped when the DC is released, as a headless screen keeps nothing.
#pragma once

#include "win/base.h"

extern "C" {

#define WM_ERASEBKGND 0x0014

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;  // the background still has to be erased (WM_ERASEBKGND answered FALSE)
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

// The update region is kept as the smallest rectangle holding every invalidated part: what
// rcPaint and GetUpdateRect report. ValidateRect takes off a rectangle when it covers the
// region's whole width or height at one edge (or all of it); a hole in the middle stays invalid.
// InvalidateRect with hWnd null (the whole desktop) has nothing to do: no desktop picture is kept.
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
BOOL ValidateRect(HWND hWnd, const RECT* lpRect);
// Nonzero when the region is not empty; while the renderer asks the window to paint, the whole
// client area (what BeginPaint then reports).
BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase);
// Sends WM_PAINT at once when the window's update region is not empty.
BOOL UpdateWindow(HWND hWnd);
// Erases when asked (WM_ERASEBKGND), empties the update region and hands out a DC clipped to
// the client area; rcPaint is the update rectangle (the whole client area while rendering).
HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);
HDC GetDC(HWND hWnd);  // the client area's DC; hWnd null is refused (no screen DC)
int ReleaseDC(HWND hWnd, HDC hDC);
// Windows that have asked for a DC (GetDC, BeginPaint) and not given it back (leak checks).
DWORD PlatLiveWindowDcCount(void);

}  // extern "C"

static_assert(sizeof(PAINTSTRUCT) == 72 && offsetof(PAINTSTRUCT, rcPaint) == 12 &&
              offsetof(PAINTSTRUCT, fRestore) == 28);
