// The application's side of a job, as GDI plays it: the interface DLL of the printer's driver
// loaded in the application's process and its DrvDocumentEvent called at StartDoc and at each
// page end; the escapes that reach the graphics DLL through the application's device context
// (the interface DLL's and the job's own), each one logged.
#pragma once

#include <string>
#include <vector>

#include "tools/print_runner/print_runner.h"
#include "win/ddi.h"

namespace orla::runner {

// GDI's document events the runner sends, and the answer that fails the call GDI was making.
inline constexpr int kEventStartDocPre = 5;    // DOCUMENTEVENT_STARTDOCPRE
inline constexpr int kEventEndPage = 7;        // DOCUMENTEVENT_ENDPAGE
inline constexpr int kEventStartDocPost = 13;  // DOCUMENTEVENT_STARTDOCPOST
inline constexpr int kEventFailure = -1;       // DOCUMENTEVENT_FAILURE

// The printer's interface DLL (its configuration file) loaded for one job.
class InterfaceDll {
public:
    InterfaceDll() = default;
    ~InterfaceDll();
    InterfaceDll(const InterfaceDll&) = delete;
    InterfaceDll& operator=(const InterfaceDll&) = delete;

    // FALSE with a reason when the file cannot be loaded or exports no DrvDocumentEvent.
    bool Load(const std::u16string& configFile, std::string& error);
    // One event on the application's device context (its handle value); the DLL's answer, kept in
    // the result's list of events.
    int Event(HANDLE printer, DWORD dc, int event, ULONG cbIn, PVOID pvIn, RunResult& r);

private:
    HMODULE module_ = nullptr;
    int(APIENTRY* event_)(HANDLE, HDC, int, ULONG, PVOID, ULONG, PVOID) = nullptr;
};

// While it lives, escapes through an application's device context (ExtEscape, and the job's own
// escapes below) are logged into `sent` before they reach the driver's DrvEscape. One at a time.
class EscapeLogScope {
public:
    EscapeLogScope(PFN_DrvEscape driver, std::vector<SentEscape>& sent);
    ~EscapeLogScope();
    EscapeLogScope(const EscapeLogScope&) = delete;
    EscapeLogScope& operator=(const EscapeLogScope&) = delete;
};
// The hook table the engine binds for a device: the driver's own, with DrvEscape going through
// the log.
std::vector<DRVFN> EngineHooks(const std::vector<DRVFN>& driverHooks);

// After the start of the document: the job's escapes in order, as the application sends them on
// its device context; their answers go to the result.
void SendJobEscapes(const RunOptions& o, SURFOBJ* pso, RunResult& r);
// After a ResetDC: the device context's handle again (escape 9006). GDI keeps an application's
// handle across ResetDC; here the handle is the device the context draws through, so the driver,
// which draws the band stamps on it, is told the new one.
void ResendDcHandle(const RunOptions& o, SURFOBJ* pso, HDEV hdev);

}  // namespace orla::runner
