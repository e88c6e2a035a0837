// Pictures of headless windows: a window and everything shown inside it drawn as a classic
// Windows desktop would draw it (frames, caption, controls with their state, text through
// FreeType), so a person can look at every dialog and page.
#pragma once

#include "win/user.h"

extern "C" {

// Draws the window into 8-bit RGB rows of width * 3 bytes. With `rgb` null (or `size` too
// small) only reports the size: returns the bytes needed and sets *width and *height. Returns
// 0 for a window that is gone.
DWORD PlatRenderWindow(HWND root, BYTE* rgb, DWORD size, LONG* width, LONG* height);
// Draws the window to a PNG file at a host path; FALSE (last error set) when it cannot.
BOOL PlatRenderWindowToPng(HWND root, const char* hostPath);
// A pop-up menu drawn as it drops down, into RGB rows (as PlatRenderWindow) or a PNG file.
DWORD PlatRenderMenu(HMENU menu, BYTE* rgb, DWORD size, LONG* width, LONG* height);
BOOL PlatRenderMenuToPng(HMENU menu, const char* hostPath);
// How much room a control's own text takes and is given, by the rules it is drawn with: the
// widest line of its text (mnemonic markers taken out; for a combo, its widest entry) against
// the width its rectangle leaves that text, and the lines the text takes (a static wraps) against
// the lines its height holds. A control without text of its own needs 0.
typedef struct _PLAT_TEXT_ROOM {
    LONG needed;
    LONG available;
    LONG lines;
    LONG linesAvailable;
} PLAT_TEXT_ROOM;
BOOL PlatMeasureControlText(HWND control, PLAT_TEXT_ROOM* room);
// The width in pixels of one line of text in the windows' faces.
LONG PlatMeasureText(LPCWSTR text);
// Writes 8-bit grey (channels 1) or RGB (channels 3) rows to a PNG file at a host path.
BOOL PlatWritePngFile(const char* hostPath, LONG width, LONG height, int channels, const BYTE* pixels);

}  // extern "C"
