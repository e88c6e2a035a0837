// The constraint pass's switches for a page: controls of the page's dialog enabled or disabled,
// settings-tree items left to the tree's own switches.
#pragma once

#include "ui/entry/item_switches.h"
#include "ui/pages/page_context.h"

namespace orla {

ItemSwitches PageItemSwitches(PageContext* context, HWND hDlg);

// Runs the constraint pass on the current settings with the page's controls and tree; with notify
// the page window is told (message 1128, wParam = hDlg) that other settings may have changed.
void RefreshConstraintsAndTree(PageContext* context, HWND hDlg, UINT treeItemId, BOOL notify);

inline constexpr UINT kMessageSettingsRefreshed = 1128;

// After a page's settings were restored: a summary tree the user has a row selected in follows
// them (constraint pass, rows refreshed) and is selected from its root.
void RefreshSettingsTree(PageContext* page, HWND dialog);

}  // namespace orla
