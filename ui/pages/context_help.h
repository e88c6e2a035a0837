// Context help of the driver's dialogs: a table from control id to help id per dialog, the
// What's-this menu, and HTML Help opened on a short-lived thread the caller waits for at most
// ten seconds.
#pragma once

#include "ui/pages/page_context.h"

namespace orla {

// One entry of a dialog's help table; control id 0 ends the table.
struct HelpIdPair {
    DWORD controlId;
    DWORD helpId;
};

inline constexpr DWORD kHelpWaitMs = 10000;
inline constexpr UINT kHelpContextCommand = 15;  // HH_HELP_CONTEXT

// Clears helpId, then keeps the help id of the first entry for a non-zero control id; TRUE when
// one was found.
BOOL LookupHelpId(PageContext* context, DWORD controlId, const HelpIdPair* table);
// The What's-this menu for the control under the screen point (-1, -1: the clicked window's
// centre); FALSE when that control has no help.
BOOL ShowWhatsThisMenu(PageContext* context, HWND hDlg, HWND hwndClicked, POINT screenPoint, const HelpIdPair* table);
// Opens help on its own thread, owned by the desktop; the HtmlHelpW answer, or 0 when help could
// not be loaded or did not answer within ten seconds.
HWND ShowHtmlHelpAsync(HWND hwndCaller, LPCWSTR helpFile, UINT command, DWORD_PTR data);

// WM_HELP, WM_CONTEXTMENU and the What's-this command for a dialog procedure: TRUE when the
// message was one of them.
BOOL HandleContextHelp(PageContext* context, HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam,
                       const HelpIdPair* table);

// Help threads started and not yet finished (leak and race checks).
DWORD LiveHelpCallCount(void);
// Forgets that loading the help control failed (tests install it afterwards).
void ResetHelpLoadFailure(void);

}  // namespace orla
