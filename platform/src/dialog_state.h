// What the dialog manager keeps for a dialog beside its window longs.
#pragma once

#include "plat/dialog_template.h"
#include "window_table.h"

namespace plat {

struct DialogState {
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
};

// Builds a dialog and its controls from a template and sends WM_INITDIALOG; hidden unless the
// template says WS_VISIBLE. Null (last error set) when the template or a control is refused.
HWND CreateDialogFromTemplate(HINSTANCE instance, const ORLA_DIALOG_TEMPLATE& dialog, HWND parent, DLGPROC proc,
                              LPARAM param);
// Runs a dialog made by CreateDialogFromTemplate as a modal one: the owner disabled, the nested
// loop until EndDialog, the owner enabled again, the dialog destroyed. Returns EndDialog's value.
INT_PTR RunModalDialog(HWND dialog, HWND owner);
// The template a module's resource table holds under that name, or null with the last error set.
const ORLA_DIALOG_TEMPLATE* LoadDialogTemplate(HINSTANCE instance, LPCWSTR name);

}  // namespace plat
