// DevQueryPrintEx: whether a job's settings fit the printer. The job's fields are compared with
// the record the driver resolves from them; the first one that had to change names the reason.
#include <cstring>
#include <memory>

#include "core/support.h"
#include "ui/entry/held.h"
#include "ui/entry/query_record.h"
#include "win/kernel.h"
#include "win/printer_ui.h"

namespace orla {

namespace {

constexpr UINT kNoDeviceData = 100;
constexpr UINT kNoRecord = 101;

// A field of the job's DEVMODE, the dmFields bit that says it is given, and the message that
// tells the user it does not fit.
struct JobField {
    DWORD bit;
    size_t offset;
    size_t size;
    UINT message;
};

#define JOB_FIELD(bit, member, message) \
    { bit, offsetof(DEVMODEW, member), sizeof(DEVMODEW::member), message }
constexpr JobField kJobFields[] = {
    JOB_FIELD(DM_ORIENTATION, dmOrientation, 102),
    JOB_FIELD(DM_PAPERSIZE, dmPaperSize, 103),
    JOB_FIELD(DM_PAPERLENGTH, dmPaperLength, 104),
    JOB_FIELD(DM_PAPERWIDTH, dmPaperWidth, 105),
    JOB_FIELD(DM_SCALE, dmScale, 106),
    JOB_FIELD(DM_COPIES, dmCopies, 107),
    JOB_FIELD(DM_DEFAULTSOURCE, dmDefaultSource, 108),
    JOB_FIELD(DM_PRINTQUALITY, dmPrintQuality, 109),
    JOB_FIELD(DM_COLOR, dmColor, 110),
    JOB_FIELD(DM_DUPLEX, dmDuplex, 111),
    JOB_FIELD(DM_YRESOLUTION, dmYResolution, 112),
    JOB_FIELD(DM_TTOPTION, dmTTOption, 113),
    JOB_FIELD(DM_COLLATE, dmCollate, 114),
    JOB_FIELD(DM_FORMNAME, dmFormName, 115),
    JOB_FIELD(DM_NUP, dmNup, 116),
    JOB_FIELD(DM_ICMMETHOD, dmICMMethod, 117),
    JOB_FIELD(DM_ICMINTENT, dmICMIntent, 118),
    JOB_FIELD(DM_MEDIATYPE, dmMediaType, 119),
    JOB_FIELD(DM_DITHERTYPE, dmDitherType, 120),
};
#undef JOB_FIELD

// Form names are compared as text up to their terminator (or the end of the field).
bool SameFormName(const DEVMODEW& job, const DEVMODEW& resolved) {
    const size_t n = sizeof(job.dmFormName) / sizeof(WCHAR);
    for (size_t i = 0; i < n; ++i) {
        if (job.dmFormName[i] != resolved.dmFormName[i]) return false;
        if (job.dmFormName[i] == 0) return true;
    }
    return true;
}

// The message of the first given field that the resolved record does not keep; 0 when all fit.
// Fields beyond the job's own public part (an older DEVMODE) are not there to compare.
UINT FirstMisfit(const DEVMODEW& job, const DEVMODEW& resolved) {
    const BYTE* a = reinterpret_cast<const BYTE*>(&job);
    const BYTE* b = reinterpret_cast<const BYTE*>(&resolved);
    for (const JobField& f : kJobFields) {
        if (!(job.dmFields & f.bit) || f.offset + f.size > job.dmSize) continue;
        const bool same =
            f.bit == DM_FORMNAME ? SameFormName(job, resolved) : std::memcmp(a + f.offset, b + f.offset, f.size) == 0;
        if (!same) return f.message;
    }
    return 0;
}

BOOL Refuse(DEVQUERYPRINT_INFO* info, UINT message) {
    // The caller shows the text whatever happens below: it starts out empty.
    if (info->pszErrorStr && info->cchErrorStr) info->pszErrorStr[0] = 0;
    HMODULE resources = LoadResourceDll(info->hPrinter);
    int needed = 0;
    const int capacity = info->pszErrorStr ? static_cast<int>(info->cchErrorStr) : 0;
    FormatMessageTextArgs(resources, info->pszErrorStr, capacity, &needed, u"%!", message);
    info->cchNeeded = static_cast<DWORD>(needed);
    if (resources) FreeResourceDll(resources);
    return FALSE;
}

}  // namespace

}  // namespace orla

using namespace orla;

DLLEXPORT BOOL APIENTRY DevQueryPrintEx(PDEVQUERYPRINT_INFO pDQPInfo) {
    if (!pDQPInfo) return FALSE;
    const DEVMODEW* job = pDQPInfo->pDevMode;
    if (!job) return TRUE;
    DeviceDataHeld data(GetDeviceData(pDQPInfo->hPrinter));
    if (!data) return Refuse(pDQPInfo, kNoDeviceData);
    GlobalHeld<DriverDevmode> record = NewTemporaryRecord();
    if (!record) return Refuse(pDQPInfo, kNoRecord);
    PrinterConfigRecord config{};
    BuildQueryRecord(pDQPInfo->hPrinter, job, data.get(), record.get(), &config);
    const UINT misfit = FirstMisfit(*job, *AsDevmode(*record));
    return misfit ? Refuse(pDQPInfo, misfit) : TRUE;
}
