// The static control: text, icon or bitmap, and STN_CLICKED when it asks for notifications.
#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

struct StaticState {
    HANDLE image = nullptr;
    bool pressed = false;
};

LRESULT SwapImage(StaticState& state, HANDLE image) {
    HANDLE old = state.image;
    state.image = image;
    return reinterpret_cast<LRESULT>(old);
}

}  // namespace

LRESULT CALLBACK StaticProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<StaticState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    StaticState& state = *ControlState<StaticState>(h);
    switch (message) {
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case STM_SETICON:
            return SwapImage(state, reinterpret_cast<HANDLE>(wParam));
        case STM_SETIMAGE:
            return SwapImage(state, reinterpret_cast<HANDLE>(lParam));
        case STM_GETICON:
        case STM_GETIMAGE:
            return reinterpret_cast<LRESULT>(state.image);
        case WM_LBUTTONDOWN:
            state.pressed = true;
            return 0;
        case WM_LBUTTONUP:
            if (state.pressed && (GetWindowLongW(h, GWL_STYLE) & SS_NOTIFY) && IsWindowEnabled(h)) {
                NotifyParent(h, STN_CLICKED);
            }
            state.pressed = false;
            return 0;
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace plat
