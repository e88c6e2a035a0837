// The test interface to headless windows: acting as the user (click, type, choose, OK, Cancel),
// reading a control back and dumping a window tree. Each action runs on the window's own
// thread, so a test thread can drive a dialog whose modal loop runs on another thread.
#pragma once

#include "win/user.h"

extern "C" {

// Called by a modal dialog's loop on this thread each time its queue is empty: the scripted
// user's turn. Returns TRUE when it did something; FALSE lets the loop wait for messages. Threads
// this thread starts with CreateThread get the same handler.
typedef BOOL (*PLAT_MODAL_IDLE_HANDLER)(HWND dialog, void* context);
void PlatSetModalIdleHandler(PLAT_MODAL_IDLE_HANDLER handler, void* context);
// The handler of modal loops on threads that set none of their own (dialogs run on threads the
// code under test creates). It is called on the dialog's thread, so it must be thread-safe.
void PlatSetProcessModalIdleHandler(PLAT_MODAL_IDLE_HANDLER handler, void* context);

// What a user can do. Each fails (FALSE) where a user could not act: a hidden or disabled
// control, an index outside the list, a window that is gone.
BOOL PlatClick(HWND control);
// Focuses the control as Tab does (an edit's text all selected) and types the characters.
BOOL PlatType(HWND control, LPCWSTR text);
BOOL PlatChoose(HWND control, int index);        // a drop-list's item picked from the list
BOOL PlatPressButton(HWND dialog, int id);       // IDOK, IDCANCEL or any button of the dialog
BOOL PlatSpin(HWND upDown, int presses);         // an up-down's up arrow (negative: down) pressed
BOOL PlatChooseTreeItem(HWND tree, void* item);  // a shown tree item clicked (HTREEITEM)
BOOL PlatToggleTreeItem(HWND tree, void* item);  // a tree item's expand button clicked
BOOL PlatPressF1(HWND control);                  // WM_HELP for the control, as F1 on it sends
BOOL PlatRightClick(HWND control);               // WM_CONTEXTMENU at the control's centre
// A list view's item (index -1: the view's empty space) clicked or double-clicked (a list box's
// line double-clicked too: LBN_SELCHANGE when the click moved the selection, then LBN_DBLCLK); an item
// pressed and dragged past the drag distance (LVN_BEGINDRAG; the button stays down for the
// parent's drag).
BOOL PlatClickListItem(HWND list, int index);
BOOL PlatDoubleClickListItem(HWND list, int index);
BOOL PlatDragListItem(HWND list, int index);
// A scroll bar control worked as a user works it, its parent told in Windows' order: an arrow
// (SB_LINELEFT/SB_LINERIGHT, or UP/DOWN) or the track (SB_PAGE...) clicked, then SB_ENDSCROLL as
// the button comes up; the thumb (SB_THUMBTRACK or SB_THUMBPOSITION) dragged to `position`, kept
// on the track: SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL; an end reached from the keyboard
// (SB_LEFT/SB_RIGHT, or TOP/BOTTOM), then SB_ENDSCROLL. `position` counts for the thumb only.
// FALSE for a hidden or disabled bar, another control or a code past SB_ENDSCROLL.
BOOL PlatScroll(HWND scrollBar, int code, int position);

// The mouse, as a user moves it: to a point in the client coordinates of `window` (screen
// coordinates when it is null). The window under the point (or the capture window) gets
// WM_NCHITTEST, WM_SETCURSOR and then the mouse message, in its own client coordinates, with the
// MK_ flags of the button and of the keys PlatSetKeyState holds. FALSE when no window takes the
// input (nothing there, or a window disabled by a modal dialog).
BOOL PlatMouseMove(HWND window, int x, int y);
BOOL PlatMousePress(HWND window, int x, int y);    // the left button goes down at the point
BOOL PlatMouseRelease(HWND window, int x, int y);  // and comes up
// Moves to the start, presses, moves there in `steps` even steps and releases at the end.
BOOL PlatMouseDrag(HWND window, int fromX, int fromY, int toX, int toY, int steps);
// A key pressed and let go on the control (null: the window with the focus on this thread),
// which takes the focus first as a user gives it before typing: WM_KEYDOWN and WM_KEYUP through
// its dialog's IsDialogMessageW, as a dialog's loop hands keys on.
BOOL PlatPressKey(HWND control, UINT vk);
// Holds a key down (VK_SHIFT, VK_CONTROL...) for GetKeyState and the MK_ flags, or lets it go.
void PlatSetKeyState(UINT vk, BOOL down);

typedef struct _PLAT_CONTROL_STATE {
    WCHAR className[64];
    WCHAR text[256];
    int id;
    int checked;    // BST_ value for buttons, else 0
    int selection;  // a combo box's or list's current item, -1 for none
    int count;      // items of a combo box or list
    BOOL enabled;
    BOOL visible;
    BOOL focused;
} PLAT_CONTROL_STATE;
BOOL PlatReadControl(HWND control, PLAT_CONTROL_STATE* state);

// One line per window, children indented under their parent: class, id, "text" and flags.
// Returns the length written, or the size needed (with terminator) when the buffer is short.
DWORD PlatDumpWindowTree(HWND root, LPWSTR buffer, DWORD size);

// Image lists not yet destroyed (leak checks).
DWORD PlatLiveImageListCount(void);
// Whether a drag image is shown (ImageList_DragEnter, DragShowNolock), and over which window.
BOOL PlatImageDragShown(HWND* lock);

}  // extern "C"
