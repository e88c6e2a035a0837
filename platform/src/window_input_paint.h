// What the default window procedure and the renderer ask of the input and painting files of
// USER (mouse_input.cpp, paint.cpp). Not seen by driver code.
#pragma once

#include "win/user.h"

namespace plat {

// DefWindowProcW's answers to WM_PAINT and WM_ERASEBKGND (the class's background brush).
LRESULT DefPaintMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// DefWindowProcW's answers to WM_NCHITTEST and WM_SETCURSOR (a child asks its parent first;
// the client area shows the arrow).
LRESULT DefMouseMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// While the renderer has a window paint itself, the window's DCs draw into `bitmap`: a picture
// of its client area holding what lies under it. BeginPaint then erases and reports the whole
// client area and leaves the window's own update region alone.
void BeginRenderPaint(HWND hwnd, HBITMAP bitmap);
void EndRenderPaint(HWND hwnd);

}  // namespace plat
