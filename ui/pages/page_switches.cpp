// Switching a page's controls and settings-tree items for the constraint pass.
#include "ui/pages/page_switches.h"

#include <map>
#include <mutex>

#include "ui/entry/option_constraints.h"
#include "ui/pages/summary_tree.h"
#include "win/kernel.h"
#include "win/tree_view.h"
#include "win/user.h"

namespace orla {

namespace {

// The switches' owner: the page's dialog and its context, alive for one pass.
struct PageSwitchTarget {
    PageContext* context;
    HWND hDlg;
};

// One target per thread that runs a pass (the sheet's and the print-time dialog's), in a table
// rather than in thread-local storage: the interface DLL is loaded and unloaded many times in a
// process, and each unload would leave dynamic TLS blocks behind in the threads that used it.
// A map keeps each entry at its address while others are added.
std::mutex g_targetsLock;
std::map<DWORD, PageSwitchTarget> g_targets;

PageSwitchTarget* ThisThreadsTarget() {
    std::lock_guard<std::mutex> hold(g_targetsLock);
    return &g_targets[GetCurrentThreadId()];
}

void EnableControl(void* owner, int controlId, BOOL enable) {
    auto* target = static_cast<PageSwitchTarget*>(owner);
    HWND control = target->hDlg ? GetDlgItem(target->hDlg, controlId) : nullptr;
    if (control) EnableWindow(control, enable);  // a control this dialog does not have: nothing
}

void EnableTreeRow(void* owner, int itemId, BOOL enable) {
    SetTreeItemEnabled(static_cast<PageSwitchTarget*>(owner)->context, itemId, enable);
}

}  // namespace

ItemSwitches PageItemSwitches(PageContext* context, HWND hDlg) {
    PageSwitchTarget* target = ThisThreadsTarget();
    *target = {context, hDlg};
    return {target, hDlg != nullptr, EnableControl, EnableTreeRow};
}

void RefreshConstraintsAndTree(PageContext* context, HWND hDlg, UINT treeItemId, BOOL notify) {
    if (context == nullptr || context->uiContext == nullptr) return;
    UiContext* ui = context->uiContext;
    ItemSwitches switches = PageItemSwitches(context, hDlg);
    ApplyOptionConstraints(&ui->currentDevmode, &switches, &ui->printerConfig, ui->hPrinter, ui->deviceData,
                           ui->hResDll, ui->flags, &ui->monitorProbe);
    // The rows then show what the pass left; the disabled marks it set stay.
    if (treeItemId != 0) {
        RefreshTreeItem(context, treeItemId);
    } else {
        RefreshTreeItems(context);
    }
    if (notify && context->hPageWindow) {
        SendMessageW(context->hPageWindow, kMessageSettingsRefreshed, reinterpret_cast<WPARAM>(hDlg), 0);
    }
}

void RefreshSettingsTree(PageContext* page, HWND dialog) {
    HWND tree = page->hTree;
    if (!tree || !SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) return;
    RefreshConstraintsAndTree(page, dialog, 0, FALSE);
    const LRESULT root = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, root);
}

}  // namespace orla
