// The pages' common steps and the page that stands until a page's own controls exist.
#include "ui/pages/pending_page.h"

#include "ui/pages/context_help.h"
#include "ui/pages/page_switches.h"
#include "win/compstui.h"
#include "win/user.h"

namespace orla {

void ApplyPageSettings(PageContext* context, HWND hDlg) {
    if (context == nullptr || context->uiContext == nullptr) return;
    UiContext* ui = context->uiContext;
    ui->appliedDevmode = ui->currentDevmode;
    HWND sheet = GetParent(hDlg);
    if (sheet) SendMessageW(sheet, PSM_UNCHANGED, reinterpret_cast<WPARAM>(hDlg), 0);
    if (ui->pfnComPropSheet) ui->pfnComPropSheet(ui->hComPropSheet, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
}

namespace {

// The pending page has no controls with help of their own.
constexpr HelpIdPair kNoHelp[] = {{0, 0}};

INT_PTR PageNotify(HWND hDlg, const NMHDR& header) {
    PageContext* pc = PageContextOf(hDlg);
    switch (header.code) {
        case PSN_SETACTIVE:
            RefreshConstraintsAndTree(pc, hDlg, 0, FALSE);
            break;
        case PSN_APPLY:
            ApplyPageSettings(pc, hDlg);
            break;
        case PSN_HELP:
            if (pc && pc->uiContext) {
                ShowHtmlHelpAsync(GetDesktopWindow(), pc->uiContext->helpFile, kHelpContextCommand, kSheetHelpTopic);
            }
            break;
        default:
            return FALSE;
    }
    SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, PSNRET_NOERROR);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK PendingPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
            auto* pc = page ? reinterpret_cast<PageContext*>(page->lParam) : nullptr;
            SetWindowLongPtrW(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(pc));
            if (pc && pc->hPageDlg == nullptr) pc->hPageDlg = hDlg;
            return TRUE;
        }
        case WM_NOTIFY:
            return lParam ? PageNotify(hDlg, *reinterpret_cast<const NMHDR*>(lParam)) : FALSE;
        case WM_DESTROY: {
            PageContext* pc = PageContextOf(hDlg);
            if (pc && pc->hPageDlg == hDlg) pc->hPageDlg = nullptr;
            return FALSE;
        }
    }
    return HandleContextHelp(PageContextOf(hDlg), hDlg, message, wParam, lParam, kNoHelp);
}

}  // namespace orla
