// The settings tree until the platform paints windows and makes icons: the tree keeps its own
// painting (no row colours), small icons go into the list as they are loaded, and owner-drawn
// entries get no focus rectangle. summary_tree_paint.cpp takes this file's place in the build
// once the platform offers the paint cycle (GetUpdateRect, GetDC, IntersectClipRect, ...), the
// icon functions (GetIconInfo, CreateIconIndirect, StretchBlt, ...) and DrawFocusRect.
#include "ui/pages/summary_tree.h"

namespace orla {

void SubclassSettingsTree(PageContext*, HWND) {}

HICON MakeListIcon(HICON) {
    return nullptr;
}

BOOL DrawListItemFocus(const DRAWITEMSTRUCT&) {
    return FALSE;
}

}  // namespace orla
