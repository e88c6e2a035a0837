// DrvDocumentEvent: GDI's call around each job in the application's process. The page end
// imprints the stamps, the start of the job hands the print-time settings or the owner record to
// the graphics DLL; every other event is answered with success.
#include "ui/entry/document_events.h"
#include "win/base.h"

using namespace orla;

DLLEXPORT INT APIENTRY DrvDocumentEvent(HANDLE hPrinter, HDC hdc, INT iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut,
                                        PVOID pvOut) {
    return HandleDocumentEvent(DefaultDocumentEventSystem(), hPrinter, hdc, iEsc, cbIn, pvIn, cbOut, pvOut);
}
