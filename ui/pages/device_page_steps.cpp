// The common steps of the device sheet's pages.
#include "ui/pages/device_page_steps.h"

#include "ui/pages/context_help.h"
#include "ui/pages/device_pages.h"
#include "ui/pages/page_common.h"
#include "ui/pages/page_switches.h"
#include "win/compstui.h"

namespace orla {

PageContext* KeepDevicePageContext(HWND dialog, LPARAM lParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* page = sheetPage ? reinterpret_cast<PageContext*>(sheetPage->lParam) : nullptr;
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    return page;
}

BOOL OnDevicePageNotify(PageContext* page, HWND dialog, const NMHDR* note, DevicePageFill fill) {
    switch (note->code) {
        case PSN_SETACTIVE:
            page->hSheetFrame = GetParent(dialog);
            page->hPageDlg = dialog;
            fill(page, dialog);
            RefreshConstraintsAndTree(page, dialog, 0, FALSE);
            break;
        case PSN_APPLY:
            ApplyPageSettings(page, dialog);
            break;
        case PSN_HELP:
            ShowDevicePageHelp(page);
            break;
        default:
            return FALSE;
    }
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, PSNRET_NOERROR);
    return TRUE;
}

void ShowDevicePageHelp(PageContext* page) {
    ShowHtmlHelpAsync(GetDesktopWindow(), page->uiContext->helpFile, kHelpContextCommand, kHelpTopicDevicePages);
}

void MarkDevicePageChanged(PageContext* page, HWND dialog) {
    if (page->hSheetFrame) SendMessageW(page->hSheetFrame, PSM_CHANGED, reinterpret_cast<WPARAM>(dialog), 0);
}

void SetReadOnlyDialogBit(PageContext* page) {
    if (page->uiContext->flags & kUiCanChange)
        page->flags &= ~kPageReadOnlyDialogs;
    else
        page->flags |= kPageReadOnlyDialogs;
}

void EnableDialogControl(HWND dialog, int id, bool enable) {
    if (HWND control = GetDlgItem(dialog, id)) EnableWindow(control, enable ? TRUE : FALSE);
}

}  // namespace orla
