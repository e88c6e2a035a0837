// What the runner does as the application and the interface DLL around a job: the escapes sent
// after StartDoc (the device context handle and the job's own escapes), and in command mode the
// stamps imprinted on the device context at each page end.
#pragma once

#include "tools/print_runner/print_runner.h"
#include "win/ddi.h"

namespace orla::runner {

// After DrvStartDoc: escape 9006 with the device context's value (when the job has an
// application's device context), then the job's escapes in order; their answers go to the result.
void SendJobEscapes(const RunOptions& o, PFN_DrvEscape escape, SURFOBJ* pso, HDEV hdev, RunResult& r);
// After a ResetDC: escape 9006 again, with the device the device context now draws through.
void ResendDcHandle(const RunOptions& o, PFN_DrvEscape escape, SURFOBJ* pso, HDEV hdev);
// Before DrvSendPage in command mode: the stamps of escapes 9000, 9100 and 9103 whose draw flag is
// set, drawn on the device context through the stamp-drawing library as the interface DLL does.
void ImprintPageStamps(const RunOptions& o, PFN_DrvEscape escape, SURFOBJ* pso, HDEV hdev, HANDLE printer);

}  // namespace orla::runner
