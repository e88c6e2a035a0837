// The document events GDI sends the interface DLL in the application's process: at each page end
// the page's stamps are imprinted through the stamp-drawing library; after StartDoc the user may
// enter an account, the print-time dialog may be shown (listed applications, interactive desktop,
// the user's switch on) or else the job owner record goes out; last the device context handle.
// Everything reaches the graphics DLL by its private escapes on the same device context.
#pragma once

#include <span>
#include <string_view>

#include "core/build_variant.h"
#include "core/driver_devmode.h"
#include "ui/entry/document_event_system.h"
#include "ui/entry/ui_context.h"
#include "win/base.h"

namespace orla {

// The events the driver acts on, and the answers GDI takes.
inline constexpr int kDocumentEventEndPage = 7;        // DOCUMENTEVENT_ENDPAGE
inline constexpr int kDocumentEventStartDocPost = 13;  // DOCUMENTEVENT_STARTDOCPOST
inline constexpr LONG kDocumentEventSuccess = 1;
inline constexpr LONG kDocumentEventFailure = -1;

// The graphics DLL's private escapes the events send.
inline constexpr int kEscapeGetStamp = 9000;
inline constexpr int kEscapeGetInfoStamp = 9100;
inline constexpr int kEscapeGetFooterStamp = 9103;  // Japanese build only
inline constexpr int kEscapeSetAccount = 9200;
inline constexpr int kEscapeSetJobOwner = 9998;
inline constexpr int kEscapeSetJobSettings = 9999;
inline constexpr int kEscapeSetDcHandle = 9006;

// The stamp number the graphics DLL answers for the built-in stamp.
inline constexpr WORD kBuiltInStampNumber = 99;

// The per-user switch of the print-time dialog, under the key joined with the printer's name,
// with the printer-data value of the same name as fallback.
inline constexpr char16_t kMopyingKey[] = u"Software\\QEV\\MOPYING";
inline constexpr char16_t kMopyingUiOpen[] = u"MOPYING_UIOpen";
// The account pop-up's memory of the last entry, likewise (printer data as fallback).
inline constexpr char16_t kPopupKey[] = u"Software\\QEV\\JBAPOP";
inline constexpr char16_t kPopUserIdValue[] = u"DAT_Pop_UserID";
inline constexpr char16_t kPopPasswordValue[] = u"DAT_Pop_Password";

// The print-time caption: the printer's name, this, and " / " with the document's name.
inline constexpr char16_t kJobSettingsCaption[] = u" MOPYING設定";

// GDI's DrvDocumentEvent with the system's functions in `system`. 1 or -1.
LONG HandleDocumentEvent(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc, int iEsc, ULONG cbIn, PVOID pvIn,
                         ULONG cbOut, PVOID pvOut);

// ---- Page end ----
LONG HandleEndPage(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc);
// The built-in stamp (number 99 in a returned record) over the whole record.
void FillBuiltInStamp(BYTE* record);
// Texts of a record that came from outside end within their fields.
void TerminateStampTexts(BYTE* record);
// Draws the stamp when its draw flag is set, and on page 1 only when it is a first-page-only
// stamp. Always 1.
LONG DrawStampIfEnabled(HDC hdc, HANDLE hPrinter, const BYTE* record, DWORD enabled, LONG reserved);
// One stamp through "Garnith.dll" beside the graphics DLL: TRUE when the library drew it.
BOOL DrawStampWithStampDll(HDC hdc, HANDLE hPrinter, const BYTE* record, DWORD enabled, LONG reserved);

// ---- Start of job ----
LONG HandleStartDocPost(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc, DWORD jobId);

// What the host program's name and version allow: the dialog, and whether the job comes from
// the viewer family.
struct HostVerdict {
    bool dialog;
    bool viewer;
};
// `fileName`: the part after the last "\" of the host's path; `fileVersionMS` null when its
// version cannot be read.
HostVerdict JudgeHostApplication(std::u16string_view fileName, const DWORD* fileVersionMS);
// The host's main module and its version resource, judged.
HostVerdict CheckHostApplication(const DocumentEventSystem& system);
// The process runs on the interactive window station ("WinSta0") and desktop ("Default").
bool IsInteractiveDesktop(const DocumentEventSystem& system);

DWORD ReadMopyingUiOpen(HANDLE hPrinter);
BOOL WriteMopyingUiOpen(HANDLE hPrinter, DWORD value);

BOOL ShowJobSettingsAtStartDoc(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc, DWORD jobId, BOOL viewer);
BOOL HandleAccountPopup(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc, DWORD jobId);
// The silent start of a job: the owner record (and the document-monitor hand-off) by escape 9998.
BOOL SendJobOwnerSilently(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc, DWORD jobId);

// The caption of the print-time dialog into the context's printer name, cut to its 260
// characters.
void ExtendJobSettingsCaption(UiContext* context, LPCWSTR documentName);

// Centres the window in the work area (the whole screen when it cannot be had).
void CenterDialogOnWorkArea(HWND hwnd, const DocumentEventSystem& system = DefaultDocumentEventSystem());

}  // namespace orla
