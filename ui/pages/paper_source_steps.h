// The steps the paper-source page and its dialogs share: the shared control filler, the
// constraint pass on one of the UI context's records, telling the sheet the page changed, the
// dialogs' own icons and help.
#pragma once

#include "core/driver_devmode.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

// The controls the page and its two paper-type dialogs share, brought up to date: the source and
// output tray combos, the paper type combos of the working copy, the buttons of the section and
// detail dialogs, the checks, the caption and the preview.
void InitPaperSourceControls(PageContext* page, HWND dialog);

// The option constraint pass over a record of the page's UI context (current or scratch).
void RunConstraintsOn(PageContext* page, DriverDevmode& record);
// The sheet enables Apply for the page it shows (the paper-source page, also while one of its
// dialogs is open).
void MarkPaperPageChanged(PageContext* page);
// Warnings of the page and its dialogs: a beep, the text captioned with the printer's name.
void WarnPaperSource(PageContext* page, HWND owner, UINT textId);

// An icon of the interface DLL at the given size on a static control; the control owns it until
// FreeOwnedIcon.
void SetOwnedIcon(HWND dialog, int controlId, WORD iconId, int size_cx, int size_cy);
void FreeOwnedIcon(HWND dialog, int controlId);

// Help topic of the page or a dialog, opened on the desktop.
void OpenPaperSourceHelp(PageContext* page, DWORD topic);

// The preview list's one line, whose item data is dmPaperSize of the record: setting it repaints
// the preview.
void RefreshPreviewLine(HWND dialog, int listId, const DriverDevmode& record);

// The paper the record prints on is one the printer takes (0 or 1).
int PaperIsSupported(PageContext* page, const DriverDevmode& record);

}  // namespace orla
