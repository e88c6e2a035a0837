// The three ways a job's start reaches the graphics DLL: the print-time dialog's settings (escape
// 9999, or ResetDC in the English build), the account entered in the pop-up (9200), or, without
// a dialog, the job owner record after the document-monitor hand-off (9998).
#include <cstring>
#include <memory>
#include <string>

#include "ui/entry/document_event_support.h"
#include "ui/entry/document_events.h"
#include "ui/entry/job_monitor.h"
#include "ui/entry/job_owner.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/user.h"

namespace orla {
namespace {

constexpr DWORD kPrinterAttributeNetwork = 0x10;  // PRINTER_ATTRIBUTE_NETWORK
constexpr char16_t kDocumentSeparator[] = u" / ";

// The UI context of the job's settings, for a dialog: settings may be changed, and the printer
// data written when the user may.
UiContextHeld CreateJobContext(HANDLE hPrinter, const JobInfoBlock& job) {
    UiContextHeld context(CreateUiContext(hPrinter, job.Info().pDevMode));
    if (!context) return context;
    context->flags |= kUiCanChange;
    DWORD one = 1;
    if (SetPrinterDataW(hPrinter, const_cast<LPWSTR>(u"DAT_Permission"), REG_DWORD, reinterpret_cast<BYTE*>(&one),
                        sizeof one) == ERROR_SUCCESS) {
        context->flags |= kUiDataWritable;
    }
    return context;
}

// Jobs of the viewer family get the dialog only on a network printer (or one whose information
// cannot be read) and when they are not printed in raster mode.
bool ViewerGetsDialog(const UiContext& context) {
    if (Get(context.currentDevmode, dm::Flags1) & kFlags1RasterMode) return false;
    GlobalHeld<BYTE> info(GetPrinterInfoAlloc(context.hPrinter, 2));
    if (!info) return true;
    return (reinterpret_cast<const PRINTER_INFO_2W*>(info.get())->Attributes & kPrinterAttributeNetwork) != 0;
}

// The dialog's settings to the graphics DLL: the English build resets the device context with
// them and sends them by escape only when that fails.
BOOL SendJobSettings(const DocumentEventSystem& system, HDC hdc, const DriverDevmode& applied) {
    if (!kJapaneseBuild && system.resetDC(hdc, AsDevmode(applied)) != nullptr) return TRUE;
    return SendRecordEscape(system, hdc, kEscapeSetJobSettings, applied.bytes, sizeof applied.bytes);
}

// A binary value of the pop-up memory: the user's key, else the printer data.
void ReadPopupValue(HANDLE hPrinter, HKEY key, LPCWSTR name, BYTE* out, DWORD size) {
    DWORD type = 0, read = size;
    std::memset(out, 0, size);
    if (key != nullptr && RegQueryValueExW(key, name, nullptr, &type, out, &read) == ERROR_SUCCESS &&
        type == REG_BINARY) {
        return;
    }
    std::memset(out, 0, size);
    ReadPrinterBinary(hPrinter, name, {out, size});
}

// The last entry prefills the pop-up. FALSE when the printer's information cannot be read.
BOOL PrefillAccountEntry(UiContext* context) {
    const std::u16string path = PerUserKeyPath(context->hPrinter, kPopupKey);
    if (path.empty()) return FALSE;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) key = nullptr;
    RegKeyHeld held(key);
    BYTE id[kAccountUserIdBytes], password[kAccountPasswordBytes];
    ReadPopupValue(context->hPrinter, key, kPopUserIdValue, id, sizeof id);
    ReadPopupValue(context->hPrinter, key, kPopPasswordValue, password, sizeof password);
    std::memcpy(context->currentDevmode.bytes + dm::PopUserId.offset, id, sizeof id);
    std::memcpy(context->currentDevmode.bytes + dm::PopPassword.offset, password, sizeof password);
    // What is shown ends within its field, whatever was stored.
    TerminateText(RecordBytes(context->currentDevmode), dm::PopUserId);
    TerminateText(RecordBytes(context->currentDevmode), dm::PopPassword);
    return TRUE;
}

// The entry the user confirmed, remembered for the next pop-up.
void RememberAccountEntry(const UiContext& context) {
    const std::u16string path = PerUserKeyPath(context.hPrinter, kPopupKey);
    HKEY key = nullptr;
    if (path.empty() || RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegKeyHeld held(key);
    const BYTE* applied = context.appliedDevmode.bytes;
    RegSetValueExW(key, kPopUserIdValue, 0, REG_BINARY, applied + dm::PopUserId.offset, kAccountUserIdBytes);
    RegSetValueExW(key, kPopPasswordValue, 0, REG_BINARY, applied + dm::PopPassword.offset, kAccountPasswordBytes);
}

}  // namespace

void ExtendJobSettingsCaption(UiContext* context, LPCWSTR documentName) {
    std::u16string caption(context->printerName);
    caption += kJobSettingsCaption;
    if (documentName != nullptr && documentName[0] != 0) caption += std::u16string(kDocumentSeparator) + documentName;
    // The caption lives in the printer name's 260 characters: a long one is cut, never run over.
    const size_t keep = std::min<size_t>(caption.size(), MAX_PATH - 1);
    caption.copy(context->printerName, keep);
    context->printerName[keep] = 0;
}

BOOL ShowJobSettingsAtStartDoc(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc, DWORD jobId, BOOL viewer) {
    const JobInfoBlock job(hPrinter, jobId);
    UiContextHeld context = CreateJobContext(hPrinter, job);
    if (!context) return FALSE;
    ExtendJobSettingsCaption(context.get(), job.Info().pDocument);
    if (kJapaneseBuild && viewer && !ViewerGetsDialog(*context)) return TRUE;
    if (!system.runJobSettingsDialog(context.get())) return FALSE;
    return SendJobSettings(system, hdc, context->appliedDevmode);
}

BOOL HandleAccountPopup(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc, DWORD jobId) {
    const JobInfoBlock job(hPrinter, jobId);
    UiContextHeld context = CreateJobContext(hPrinter, job);
    if (!context) return FALSE;
    const bool remember = (Get(context->appliedDevmode, dm::Flags2) & kFlags2DisplayBeforeSet) != 0;
    if (remember && !PrefillAccountEntry(context.get())) return FALSE;
    if (system.showAccountPopup(context.get()) == 0) return FALSE;
    if (Get(context->appliedDevmode, dm::Flags2) & kFlags2DisplayBeforeSet) RememberAccountEntry(*context);
    return SendRecordEscape(system, hdc, kEscapeSetAccount, context->appliedDevmode.bytes,
                            sizeof context->appliedDevmode.bytes);
}

BOOL SendJobOwnerSilently(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc, DWORD jobId) {
    const JobInfoBlock job(hPrinter, jobId);
    UiContextHeld context(CreateUiContext(hPrinter, job.Info().pDevMode));
    if (!context) return FALSE;
    auto handoff = std::make_unique<MonitorHandoff>();
    BuildJobOwnerRecord(hPrinter, jobId, &context->appliedDevmode, &handoff->owner);
    handoff->hPrinter = hPrinter;
    handoff->deviceData = context->deviceData;
    handoff->devmode = context->appliedDevmode;
    // The monitor's answers do not change the job's start: the owner record goes out regardless.
    ClearMonitorHandle(handoff.get());
    SubmitJobToMonitor(handoff.get(), handoff->monitorJobId);
    CloseMonitorHandle(handoff.get());
    ClearMonitorHandle(handoff.get());
    return SendRecordEscape(system, hdc, kEscapeSetJobOwner, &handoff->owner, sizeof handoff->owner);
}

void CenterDialogOnWorkArea(HWND hwnd, const DocumentEventSystem& system) {
    RECT work{};
    if (!system.systemParametersInfo(SPI_GETWORKAREA, 0, &work, 0))
        work = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT window{};
    if (!GetWindowRect(hwnd, &window)) return;
    const int left = work.left + ((work.right - work.left) >> 1) - ((window.right - window.left) >> 1);
    const int top = work.top + ((work.bottom - work.top) >> 1) - ((window.bottom - window.top) >> 1);
    SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE);
}

}  // namespace orla
