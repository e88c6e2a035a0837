// DrvDocumentEvent: GDI's call around each job in the application's process. The page end
// imprints the stamps, the start of the job hands the print-time settings or the owner record to
// the graphics DLL; every other event is answered with success.
#include "ui/entry/document_events.h"
#include "ui/pages/account_popup.h"
#include "ui/pages/job_settings.h"
#include "win/base.h"

using namespace orla;

namespace {

// The entry layer's table with this DLL's print-time dialogs in it (the pages sit
// above the entry layer, so the table is completed here).
const DocumentEventSystem& ThisSystem() {
    static const DocumentEventSystem system = [] {
        DocumentEventSystem s = DefaultDocumentEventSystem();
        s.runJobSettingsDialog = RunJobSettingsDialog;
        s.showAccountPopup = ShowAccountPopup;
        return s;
    }();
    return system;
}

}  // namespace

DLLEXPORT INT APIENTRY DrvDocumentEvent(HANDLE hPrinter, HDC hdc, INT iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut,
                                        PVOID pvOut) {
    return HandleDocumentEvent(ThisSystem(), hPrinter, hdc, iEsc, cbIn, pvIn, cbOut, pvOut);
}
