// Hot tracking of the print-time dialog's category buttons: the list box's own procedure runs
// first, then the button under the mouse becomes the hot one and the buttons that changed repaint.
#include "resources/lang/job_settings_ids.h"
#include "ui/pages/job_settings.h"
#include "win/user_controls.h"
#include "win/user_input.h"

namespace orla {

namespace {

constexpr UINT kNcMouseMove = 0x00A0;  // WM_NCMOUSEMOVE: the mouse over the list's frame

bool Inside(const RECT& rc, POINT pt) {
    return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

// The entry of the table under the point, kNoHotItem when none.
WORD ItemUnder(HWND list, const PageContext& page, POINT pt) {
    for (UINT i = 0; i < CategoryCount(page.hotItemTable); ++i) {
        RECT rc{};
        if (SendMessageW(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc)) == LB_ERR) continue;
        if (Inside(rc, pt)) return static_cast<WORD>(i);
    }
    return kNoHotItem;
}

void InvalidateItem(HWND list, WORD item) {
    RECT rc{};
    if (item != kNoHotItem && SendMessageW(list, LB_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rc)) != LB_ERR)
        InvalidateRect(list, &rc, FALSE);
}

}  // namespace

LRESULT CALLBACK HoverListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    PageContext* page = PageContextOf(GetParent(hwnd));
    if (!page || !page->listOldProc) return DefWindowProcW(hwnd, message, wParam, lParam);
    const LRESULT result = CallWindowProcW(page->listOldProc, hwnd, message, wParam, lParam);
    if (message == WM_MOUSEMOVE) {
        const POINT pt{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
        const WORD hot = ItemUnder(hwnd, *page, pt);
        if (hot != page->hotItem) {
            InvalidateItem(hwnd, page->hotItem);
            InvalidateItem(hwnd, hot);
            page->hotItem = hot;
            UpdateWindow(hwnd);
        }
    } else if (message == kNcMouseMove && page->hotItem != kNoHotItem) {
        InvalidateItem(hwnd, page->hotItem);
        page->hotItem = kNoHotItem;
    }
    return result;
}

}  // namespace orla
