// The pages' common steps.
#include "ui/pages/page_common.h"

#include "ui/entry/printer_config.h"
#include "win/compstui.h"
#include "win/user.h"

namespace orla {

void RefreshPrinterConfig(PageContext* page) {
    UiContext* ui = page->uiContext;
    AcquirePrinterConfig(&ui->printerConfig, ui->hPrinter, nullptr);
    UpdatePalmFlag(&ui->currentDevmode, &ui->printerConfig, ui->hPrinter);
    ApplyConfigAndPublish(&ui->currentDevmode, &ui->printerConfig, ui->hPrinter, ui->deviceData);
}

void ApplyPageSettings(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    ui->appliedDevmode = ui->currentDevmode;
    if (page->hSheetFrame) SendMessageW(page->hSheetFrame, PSM_UNCHANGED, reinterpret_cast<WPARAM>(dialog), 0);
    if (ui->pfnComPropSheet)
        ui->pfnComPropSheet(ui->hComPropSheet, CPSFUNC_SET_RESULT, reinterpret_cast<LPARAM>(page->hCpsuiPage),
                            CPSUI_OK);
}

}  // namespace orla
