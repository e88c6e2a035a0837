// The stamp editor: one dialog procedure for the stamp page's edit (template 525) and new-stamp
// (526) dialogs and the print-time dialog's editor (3000). It edits the stamp embedded in the UI
// context's scratch record (number at settings offset 1220, the wide record at 1224), shows a live
// preview and stores the stamp in the user's stamp list.
#pragma once

#include "resources/lang/stamp_editor_ids.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

namespace stamp_editor_ids = orla_res::stamp_editor;

// Opens the editor over owner with template 525, 526 or 3000; 526 edits a new stamp. The caller
// has put the stamp into the scratch record (the current record copied there, the stamp reloaded
// or given the new-stamp values); on OK the scratch record is copied over the current one.
// IDOK or IDCANCEL; 0 for a missing page or UI context, -1 when the dialog could not be made.
INT_PTR OpenStampEditor(PageContext* page, HWND owner, UINT templateId);

// The dialog procedure; lParam of WM_INITDIALOG is the editor's state, which OpenStampEditor makes.
INT_PTR CALLBACK StampEditorDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orla
