// The form-overlay information dialog (template 2300): the overlay switch, the path with its
// history and browse button, and the fields of the chosen file's header. It works on the scratch
// record and never copies it back: the current settings stay as they were.
#pragma once

#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

INT_PTR CALLBACK FormOverlayDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// Opens the dialog over owner on the page's UI context; IDOK or IDCANCEL, 0 without a context.
INT_PTR OpenFormOverlayDialog(PageContext* page, HWND owner);

}  // namespace orla
