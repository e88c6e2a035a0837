// The layout-detail dialog's live preview window: painting and the mouse.
#pragma once

#include "resources/lang/layout_detail_ids.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

// Window procedure of the subclassed preview (control 2401); the dialog's page context is found
// through the preview's parent.
LRESULT CALLBACK LayoutPreviewWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Subclasses the dialog's preview with LayoutPreviewWndProc, keeping the previous procedure in the
// layout state; the dialog calls it last in WM_INITDIALOG.
BOOL SubclassLayoutPreview(PageContext* page, HWND dialog);

}  // namespace orla
