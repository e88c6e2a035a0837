// The document events' table of this system: the application side of GDI, the host program and
// its session as Windows gives them; the print-time dialogs are not built yet.
#include "ui/entry/document_event_system.h"

#include "win/kernel.h"
#include "win/printer_dc.h"
#include "win/user.h"
#include "win/version.h"

namespace orla {
namespace {

constexpr char16_t kJobCancelledText[] = u"印刷ジョブをキャンセルします。";
constexpr char16_t kWarningCaption[] = u"警告";

constexpr DocumentEventSystem kThisSystem{
    ExtEscape,
    ResetDCW,
    GetModuleFileNameW,
    GetFileVersionInfoSizeW,
    GetFileVersionInfoW,
    VerQueryValueW,
    GetProcessWindowStation,
    GetThreadDesktop,
    GetUserObjectInformationW,
    SystemParametersInfoW,
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
    ShowJobCancelledNotice();
    return 0;
}

void ShowJobCancelledNotice() {
    MessageBoxW(nullptr, kJobCancelledText, kWarningCaption, MB_ICONWARNING);
}

}  // namespace orla
