// Message-only windows for the stand-ins of outside services (a service's hidden window that
// others find by class name and post to). Driver code never includes this.
#pragma once

#include "win/user_msg.h"

extern "C" {

// A message-only window of that class; null when the class already has one.
HWND PlatCreateMessageWindow(LPCWSTR className, LPCWSTR windowName);
BOOL PlatDestroyMessageWindow(HWND window);
// Takes the next message posted to the window, waiting up to `milliseconds` on the platform
// clock; FALSE on a time-out or a destroyed window.
BOOL PlatGetWindowMessage(HWND window, LPMSG message, DWORD milliseconds);
// Atoms in the global table (leak checks).
DWORD PlatGlobalAtomCount(void);

}  // extern "C"
