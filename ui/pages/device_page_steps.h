// What the two device pages do alike: keeping the page context, the sheet's notifications
// (activation, apply, help), telling the sheet of a change, and the page's help target.
#pragma once

#include "ui/pages/page_context.h"
#include "win/property_sheet.h"
#include "win/user.h"

namespace orla {

// Brings a page's controls up to date from the current record.
using DevicePageFill = void (*)(PageContext* page, HWND dialog);

// WM_INITDIALOG: the page context (the PROPSHEETPAGEW's lParam) kept in DWL_USER; the context, or
// null when the page has none.
PageContext* KeepDevicePageContext(HWND dialog, LPARAM lParam);
// The sheet's notifications: PSN_SETACTIVE records the sheet frame, refills the page and runs the
// constraint pass with the page; PSN_APPLY applies the current record; PSN_HELP opens the page's
// help. The answer is written as the message result; TRUE when the notification was one of them.
BOOL OnDevicePageNotify(PageContext* page, HWND dialog, const NMHDR* note, DevicePageFill fill);
// The help target of both pages, opened on the desktop.
void ShowDevicePageHelp(PageContext* page);
// A command changed something: the sheet enables Apply.
void MarkDevicePageChanged(PageContext* page, HWND dialog);
// A control of the dialog enabled or disabled; nothing for a control it does not have.
void EnableDialogControl(HWND dialog, int id, bool enable);

}  // namespace orla
