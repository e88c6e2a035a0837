// The state the driver's property pages share for one sheet (or for the print-time dialog): the
// owning UI context, the image lists and icons of the pages, the settings tree's handles and the
// context-help state. One block per sheet, made when the pages are added and freed by the first
// page's release callback.
#pragma once

#include "ui/entry/ui_context.h"
#include "ui/pages/layout_state.h"
#include "win/property_sheet.h"
#include "win/tree_view.h"
#include "win/user.h"

namespace orla {

inline constexpr DWORD kPageFlagMopyingUiOpen = 0x80000000;  // the document monitor's dialog is on

// Small icons by id: 700 up to 960; the sheet loads 700 to 773, the settings tree the rest.
inline constexpr UINT kSmallIconFirst = 700;
inline constexpr UINT kSmallIconLast = 960;
inline constexpr UINT kSmallIconSheetLast = 773;
inline constexpr UINT kLargeIconFirst = 600;
inline constexpr UINT kLargeIconLast = 620;
inline constexpr UINT kSharedIconCount = 42;
inline constexpr UINT kOwnedIconCount = 15;
inline constexpr UINT kTreeRows = 128;

struct HotItemEntry {
    DWORD item;  // -1 ends the table
    DWORD spare;
};

struct PageContext {
    DWORD flags;
    // Null once the pages were refused and the UI context went its own way: the block then only
    // waits for the release callback of the page compstui still holds.
    UiContext* uiContext;
    LONG_PTR lastPageResult;
    HWND hPageDlg;
    HWND hTree;
    HIMAGELIST smallImages;
    WNDPROC treeOldProc;
    HGDIOBJ hPageGdiObject;
    int smallImageIndex[kSmallIconLast - kSmallIconFirst + 1];  // index + 1 by icon id, 0 not loaded
    HWND hPageWindow;
    WORD hotItem;
    WNDPROC listOldProc;
    HotItemEntry* hotItemTable;
    HIMAGELIST largeImages;
    HICON icons[kSharedIconCount];
    HICON images[kOwnedIconCount];
    HWND whatsThisCtl;
    HWND hOwner;
    DWORD helpId;
    const void* treeRowList;  // the settings tree's row table
    HTREEITEM treeRowItems[kTreeRows];
    LayoutState layout;  // the layout-detail dialog's, while it is open
    HWND hSheetFrame;    // recorded by a page when it becomes active
    HANDLE hCpsuiPage;   // the page as the common property sheet knows it (its result goes there)
};

// The image-list index of a small icon, -1 while it is not loaded or for an id outside 700 to 960
// (never an index read beside the table).
int SmallImageIndex(const PageContext& context, UINT iconId);
// Records the index of a small icon (a negative index: not loaded); FALSE for an id outside the
// table.
BOOL SetSmallImageIndex(PageContext* context, UINT iconId, int index);

// Dialogs opened from the device pages (account, TrueType substitution, output paper) only show
// their settings: the UI context may not change them.
inline constexpr DWORD kPageReadOnlyDialogs = 0x00000001;
inline constexpr DWORD kPageBusyManager = 0x00000002;  // summary or favourites manager open
inline constexpr DWORD kPageEntryClosingOk = 0x00000004;
inline constexpr DWORD kPageEntryClosingCancel = 0x00000008;
// The account dialog is filling its controls or showing a warning: what its controls report then
// is not the user's.
inline constexpr DWORD kPageAccountBusy = 0x00000010;

// The page context of a page or dialog window; null before its WM_INITDIALOG stored one.
inline PageContext* PageContextOf(HWND window) {
    return window ? reinterpret_cast<PageContext*>(GetWindowLongPtrW(window, DWLP_USER)) : nullptr;
}
// WM_INITDIALOG of a dialog given its page context as lParam: the context kept for PageContextOf;
// answers it when it has a UI context to fill the dialog from, else null.
inline PageContext* KeepDialogPageContext(HWND dialog, LPARAM lParam) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* page = reinterpret_cast<PageContext*>(lParam);
    return page && page->uiContext ? page : nullptr;
}
// The UI context behind a window, or null when the window has no page context yet.
inline UiContext* UiContextOf(HWND window) {
    PageContext* page = PageContextOf(window);
    return page ? page->uiContext : nullptr;
}

}  // namespace orla
