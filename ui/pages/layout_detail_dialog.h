// The layout-detail dialog: where the printed image lies on the sheet and, with free zoom, how
// large it is. It edits the scratch record and copies it over the current one on OK.
#pragma once

#include "resources/lang/layout_detail_ids.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

namespace layout_ids = orla_res::layout_detail;

// Dialog procedure of template 2400; lParam is the PageContext of the page that opens it. The
// dialog ends with TRUE on OK, FALSE on Cancel.
INT_PTR CALLBACK LayoutDetailDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the dialog over the owner; its result.
INT_PTR OpenLayoutDetailDialog(PageContext* page, HWND owner);

// Reads an edit as a value of its unit (the zoom edit: digits only, "---" reads as 0). With
// reformat the value is limited to the unit's range and the text rewritten from it; without, a
// text cut at its first unfit character is written back with the caret at its end. A given
// up-down control is set to the value.
LONG SyncEditWithSpin(PageContext* page, HWND dialog, BOOL reformat, int editId, int upDownId);

// Shows and enables the dialog's groups for its modes: without a back side the back group goes
// and the front and zoom groups move to the middle; with pages per sheet the zoom group is off.
void ArrangeLayoutControls(PageContext* page, HWND dialog);

}  // namespace orla
