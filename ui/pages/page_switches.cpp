// Switching a page's controls and settings-tree items for the constraint pass.
#include "ui/pages/page_switches.h"

#include "ui/entry/option_constraints.h"
#include "ui/pages/summary_tree.h"
#include "win/tree_view.h"
#include "win/user.h"

namespace orla {

namespace {

// The switches' owner: the page's dialog and its context, alive for one pass.
struct PageSwitchTarget {
    PageContext* context;
    HWND hDlg;
};
thread_local PageSwitchTarget t_target{};

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
    t_target = {context, hDlg};
    return {&t_target, hDlg != nullptr, EnableControl, EnableTreeRow};
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
