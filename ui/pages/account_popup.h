// The account pop-up at the start of a job (templates 3550 and 3560): the user enters the user ID
// and password the job goes with. It edits the scratch record; OK copies it to the current and
// the applied record.
#pragma once

#include "ui/entry/ui_context.h"
#include "ui/pages/page_context.h"
#include "win/base.h"

namespace orla {

// The pop-up on a page context of its own, owned by the caller's active window; template 3560
// when the current record hides the user ID ("DAT_UserID_Asterisk"), else 3550. 1 when OK took
// the entry; 0 when the user cancelled or the dialog could not be made, after the built-in
// warning that the job is cancelled.
INT_PTR ShowAccountPopup(UiContext* context);
// lParam of WM_INITDIALOG: the PageContext.
INT_PTR CALLBACK AccountPopupDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orla
