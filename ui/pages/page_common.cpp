// The pages' common steps.
#include "ui/pages/page_common.h"

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

}  // namespace orla
