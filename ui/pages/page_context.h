// The record a property page keeps with its window (the page's DWLP_USER value): the pages' busy
// bits and the UI context whose settings records the pages edit. Page creation fills the rest.
#pragma once

#include "ui/entry/ui_context.h"
#include "win/user.h"

namespace orla {

struct PageContext {
    DWORD flags;  // bit 31: print-time dialog open elsewhere; the other bits belong to the pages
    UiContext* uiContext;
    LONG_PTR lastPageResult;
    HWND hPageDlg;
    HWND hTree;
    HWND hSheetFrame;   // recorded by a page when it becomes active
    HANDLE hCpsuiPage;  // the page as the common property sheet knows it (its result goes there)
};

inline constexpr DWORD kPageBusyManager = 0x00000002;  // summary or favourites manager open
inline constexpr DWORD kPageEntryClosingOk = 0x00000004;
inline constexpr DWORD kPageEntryClosingCancel = 0x00000008;

// The page context of a page or dialog window; null before its WM_INITDIALOG stored one.
inline PageContext* PageContextOf(HWND window) {
    return window ? reinterpret_cast<PageContext*>(GetWindowLongPtrW(window, DWLP_USER)) : nullptr;
}
// The UI context behind a window, or null when the window has no page context yet.
inline UiContext* UiContextOf(HWND window) {
    PageContext* page = PageContextOf(window);
    return page ? page->uiContext : nullptr;
}

}  // namespace orla
