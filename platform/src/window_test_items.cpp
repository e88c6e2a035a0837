// The test interface's actions on the items of list views and on scroll bars: each runs on the
// control's own thread, as the user's input would reach it.
#include "plat/window_test.h"
#include "plat_internal.h"
#include "system_classes.h"

namespace plat {
namespace {

struct ItemAction {
    UINT message = 0;
    WPARAM value = 0;
    LPARAM extra = 0;
    BOOL result = FALSE;
};

bool ReachableByUser(HWND h) {
    for (HWND w = h; w; w = GetAncestor(w, GA_PARENT)) {
        if (!IsWindowEnabled(w)) return false;
    }
    return IsWindowVisible(h) != FALSE;
}

// The control itself checks the item; the window chain above it must let the user through.
void ItemStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<ItemAction*>(p);
    if (!ReachableByUser(h)) return;
    action.result = static_cast<BOOL>(SendMessageW(h, action.message, action.value, action.extra));
}

BOOL Run(HWND h, void (*step)(HWND, LPARAM), UINT message, WPARAM value, LPARAM extra = 0) {
    if (!IsWindow(h)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    ItemAction action{message, value, extra, FALSE};
    SendMessageW(h, kUserAction, reinterpret_cast<WPARAM>(step), reinterpret_cast<LPARAM>(&action));
    return action.result;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

BOOL PlatClickListItem(HWND list, int index) {
    return Run(list, ItemStep, kUserChoose, static_cast<WPARAM>(index));
}

BOOL PlatDoubleClickListItem(HWND list, int index) {
    return Run(list, ItemStep, kUserDoubleClick, static_cast<WPARAM>(index));
}

BOOL PlatDragListItem(HWND list, int index) {
    return Run(list, ItemStep, kUserBeginDrag, static_cast<WPARAM>(index));
}

BOOL PlatScroll(HWND scrollBar, int code, int position) {
    if (code < 0) return FALSE;
    return Run(scrollBar, ItemStep, kUserScroll, static_cast<WPARAM>(code), static_cast<LPARAM>(position));
}

}  // extern "C"
