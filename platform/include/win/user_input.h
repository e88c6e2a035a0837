// Mouse, keyboard, cursors, mouse capture and timers: the input side of USER that the interface's
// drag-and-drop pictures and lists use. The headless platform has one mouse, moved by the test
// interface (plat/window_test.h); timers run on the platform's clock (plat/control.h).
#pragma once

#include "win/base.h"

extern "C" {

typedef HICON HCURSOR;
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

// ---- Mouse and keyboard messages ----
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_NCHITTEST 0x0084
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_CAPTURECHANGED 0x0215

// Key and button state in the wParam of mouse messages.
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008

// Hit-test codes (WM_NCHITTEST answers, the low word of WM_SETCURSOR's lParam).
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2
#define HTBORDER 18

#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_INSERT 0x2D
#define VK_F1 0x70  // the navigation keys (VK_END...VK_DELETE) are with the dialog keys in user.h

// Coordinates packed in a mouse message's lParam, signed (a captured mouse may be left of or
// above the window).
#define GET_X_LPARAM(lp) (static_cast<int>(static_cast<short>(LOWORD(lp))))
#define GET_Y_LPARAM(lp) (static_cast<int>(static_cast<short>(HIWORD(lp))))

// ---- Cursors ----
#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDC_IBEAM MAKEINTRESOURCEW(32513)
#define IDC_WAIT MAKEINTRESOURCEW(32514)
#define IDC_CROSS MAKEINTRESOURCEW(32515)
#define IDC_UPARROW MAKEINTRESOURCEW(32516)
#define IDC_SIZENWSE MAKEINTRESOURCEW(32642)
#define IDC_SIZENESW MAKEINTRESOURCEW(32643)
#define IDC_SIZEWE MAKEINTRESOURCEW(32644)
#define IDC_SIZENS MAKEINTRESOURCEW(32645)
#define IDC_SIZEALL MAKEINTRESOURCEW(32646)
#define IDC_NO MAKEINTRESOURCEW(32648)
#define IDC_HAND MAKEINTRESOURCEW(32649)
#define IDC_APPSTARTING MAKEINTRESOURCEW(32650)
#define IDC_HELP MAKEINTRESOURCEW(32651)

// The system's cursors only (hInstance null); one shared handle per cursor, never destroyed.
HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName);
HCURSOR SetCursor(HCURSOR hCursor);  // the cursor shown before
HCURSOR GetCursor(void);
BOOL GetCursorPos(LPPOINT lpPoint);
// Moves the pointer; when it moved, the window that takes the mouse there gets a WM_MOUSEMOVE
// posted (one waiting at most per window), as the system makes one for the next input.
BOOL SetCursorPos(int X, int Y);

// ---- Capture ----
// The capture window gets every mouse message wherever the pointer is, in its own client
// coordinates; the window losing capture gets WM_CAPTURECHANGED (lParam: the new capture window).
HWND SetCapture(HWND hWnd);
BOOL ReleaseCapture(void);
HWND GetCapture(void);  // null when no window of this thread has the capture
// Whether a key or mouse button is down: the high bit of the result.
SHORT GetKeyState(int nVirtKey);
SHORT GetAsyncKeyState(int vKey);

// ---- Timers ----
// WM_TIMER reaches the window (or, with a TIMERPROC, the procedure through DispatchMessageW) each
// time the platform's clock has passed another period and the thread's loop looks for messages
// with nothing else posted; a timer that came due several times meanwhile gives one WM_TIMER.
// With hWnd null a new id is returned; an existing (hWnd, id) timer is set anew.
#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);

}  // extern "C"
