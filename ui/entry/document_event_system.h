// What the document events ask of the application's side of Windows (escapes and ResetDC on the
// application's printer device context, the host program's file and version, its window station
// and desktop, the work area) and of the print-time dialogs, as one table of functions. The export
// hands the table of this system; tests hand doubles.
#pragma once

#include "ui/entry/ui_context.h"
#include "win/base.h"
#include "win/devmode.h"
#include "win/user_session.h"

namespace orla {

struct DocumentEventSystem {
    // GDI on the application's printer device context (the graphics DLL answers the escapes).
    int(APIENTRY* extEscape)(HDC hdc, int escape, int cbInput, LPCSTR input, int cbOutput, LPSTR output);
    HDC(APIENTRY* resetDC)(HDC hdc, const DEVMODEW* devmode);
    // The host program: its main module's file (module null) and that file's version resource.
    DWORD(APIENTRY* getModuleFileName)(HMODULE module, LPWSTR fileName, DWORD cchSize);
    DWORD(APIENTRY* getFileVersionInfoSize)(LPCWSTR fileName, LPDWORD handle);
    BOOL(APIENTRY* getFileVersionInfo)(LPCWSTR fileName, DWORD handle, DWORD cbSize, LPVOID data);
    BOOL(APIENTRY* verQueryValue)(LPCVOID block, LPCWSTR subBlock, LPVOID* value, UINT* cbValue);
    // The process's window station and the thread's desktop, and their names.
    HWINSTA(APIENTRY* getProcessWindowStation)(void);
    HDESK(APIENTRY* getThreadDesktop)(DWORD threadId);
    BOOL(APIENTRY* getUserObjectInformation)(HANDLE object, int index, PVOID info, DWORD cbInfo, LPDWORD cbNeeded);
    BOOL(APIENTRY* systemParametersInfo)(UINT action, UINT param, PVOID value, UINT winIni);
    // The print-time dialogs: the job settings dialog on the context (TRUE whatever the user chose;
    // FALSE when it could not be run), and the account pop-up (its result; 0 cancelled).
    BOOL (*runJobSettingsDialog)(UiContext* context);
    INT_PTR (*showAccountPopup)(UiContext* context);
};

// This system's functions; the print-time dialogs belong to the pages above this layer, so the
// export puts them in.
const DocumentEventSystem& DefaultDocumentEventSystem();

// Where the pages are not linked: the job settings dialog answers as a dialog closed without
// changes does (TRUE: the job's own settings go on), the account pop-up as a cancelled one (0: no
// account was entered, so the job is cancelled, and the user is told).
BOOL JobSettingsDialogNotAvailable(UiContext* context);
INT_PTR AccountPopupNotAvailable(UiContext* context);
// The built-in warning that the job is cancelled (no owner): the account pop-up's answer to a
// cancel.
void ShowJobCancelledNotice();

}  // namespace orla
