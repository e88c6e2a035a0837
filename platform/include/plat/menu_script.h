// Pop-up menus answered by the test's script. Every TrackPopupMenu is logged with the texts of
// the items it offered; a menu with no choice queued is dismissed and counted as unexpected.
#pragma once

#include "win/user.h"

extern "C" {

// The command id the next menu is answered with; 0 dismisses it as a user pressing Escape.
void PlatQueueMenuChoice(UINT id);
DWORD PlatMenuCount(void);
// The items the n-th menu offered, one line each ("3001 What's This?"), two-call protocol.
DWORD PlatGetMenuItems(DWORD index, LPWSTR buffer, DWORD size);
DWORD PlatUnexpectedMenuCount(void);
void PlatResetMenus(void);

}  // extern "C"
