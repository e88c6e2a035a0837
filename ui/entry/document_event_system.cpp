// The document events' table of this system. The platform offers no application printer device
// context yet (no ExtEscape or ResetDCW), nor window stations, desktops or the work area: those
// entries answer as the failing call does, until the platform has them and they are swapped for
// the real functions here.
#include "ui/entry/document_event_system.h"

#include "win/kernel.h"
#include "win/user.h"
#include "win/version.h"

namespace orla {
namespace {

constexpr char16_t kJobCancelledText[] = u"印刷ジョブをキャンセルします。";
constexpr char16_t kWarningCaption[] = u"警告";

// An escape that no driver answers: 0, as for an escape the driver does not support.
int APIENTRY NoExtEscape(HDC, int, int, LPCSTR, int, LPSTR) {
    return 0;
}
// ResetDC failed: the caller sends the settings by escape instead.
HDC APIENTRY NoResetDC(HDC, const DEVMODEW*) {
    return nullptr;
}
// Without a window station or desktop the host counts as not interactive: no dialog is shown.
HANDLE APIENTRY NoProcessWindowStation(void) {
    return nullptr;
}
HANDLE APIENTRY NoThreadDesktop(DWORD) {
    return nullptr;
}
BOOL APIENTRY NoUserObjectInformation(HANDLE, int, PVOID, DWORD, LPDWORD cbNeeded) {
    if (cbNeeded != nullptr) *cbNeeded = 0;
    return FALSE;
}
// The caller falls back to the whole screen.
BOOL APIENTRY NoSystemParametersInfo(UINT, UINT, PVOID, UINT) {
    return FALSE;
}

constexpr DocumentEventSystem kThisSystem{
    NoExtEscape,
    NoResetDC,
    GetModuleFileNameW,
    GetFileVersionInfoSizeW,
    GetFileVersionInfoW,
    VerQueryValueW,
    NoProcessWindowStation,
    NoThreadDesktop,
    NoUserObjectInformation,
    NoSystemParametersInfo,
    JobSettingsDialogNotAvailable,
    AccountPopupNotAvailable,
};

}  // namespace

const DocumentEventSystem& DefaultDocumentEventSystem() {
    return kThisSystem;
}

BOOL JobSettingsDialogNotAvailable(UiContext* context) {
    return context != nullptr;
}

INT_PTR AccountPopupNotAvailable(UiContext*) {
    MessageBoxW(nullptr, kJobCancelledText, kWarningCaption, MB_ICONWARNING);
    return 0;
}

}  // namespace orla
