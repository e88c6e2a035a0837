// DrvEscape: the support test, the order of its checks, and the standard escapes (QUERYESCSUPPORT,
// the technology query, SETCOPYCOUNT, PASSTHROUGH and the application query 4360). Every code
// checks the sizes it reads and writes itself: a caller's buffer is never read or written past
// the size it gave.
#include "render/escapes.h"

#include <algorithm>
#include <cstring>

#include "core/build_variant.h"
#include "core/driver_devmode.h"
#include "core/little_endian.h"
#include "render/ddi_hooks.h"
#include "render/driver_log.h"
#include "render/output_writer.h"
#include "render/pdev.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace {

using orla::kJapaneseBuild;
namespace dm = orla::dm;

struct CodeRange {
    ULONG first;
    ULONG last;
    bool japaneseOnly;
};
// The codes this driver answers; 9002 to 9005 and 9102 are supported but have no answer.
constexpr CodeRange kSupportedCodes[] = {
    {kEscQueryEscSupport, kEscQueryEscSupport, false},
    {kEscSetCopyCount, kEscSetCopyCount, false},
    {kEscPassThrough, kEscPassThrough, false},
    {kEscTechnology, kEscTechnology, false},
    {kEscAppQuery, kEscAppQuery, true},
    {kEscGetStamp, 9006, false},
    {kEscGetInfoStamp, 9102, false},
    {kEscGetFooterStamp, kEscGetFooterStamp, true},
    {kEscSetAccount, kEscSetAccount, false},
    {kEscSetJobOwner, kEscSetJobOwner, false},
    {kEscSetJobSettings, kEscSetJobSettings, true},
};

// Special answers of QUERYESCSUPPORT; the other codes answer by the support test.
struct QueryAnswer {
    ULONG code;
    ULONG answer;
    bool japaneseOnly;
};
constexpr QueryAnswer kQueryAnswers[] = {
    {kEscSetCopyCount, 999, false},  // the largest copy count
    {kEscTechnology, 4360, true},
    {kEscAppQuery, 1, true},
};

constexpr ULONG kMaxCopies = 999;
constexpr WORD kAppQueryIdentify = 0x6585;
constexpr WORD kAppQueryNothing = 1;
constexpr WORD kAppQueryFormat = 3;
// "QZPE" with its first character in the most significant byte.
constexpr DWORD kAppQueryIdentity = (DWORD('Q') << 24) | (DWORD('Z') << 16) | (DWORD('P') << 8) | DWORD('E');

struct FormatAnswer {
    WORD parameter;
    DWORD values[4];  // output DWORDs at bytes 4, 8, 12, 16
};
constexpr FormatAnswer kFormatAnswers[] = {
    {0x1101, {0x800000, 0x40000, 0x40000, 0}},
    {0x1108, {0x11108, 0, 0, 0}},
};

PrinterPdev* PdevOfSurface(SURFOBJ* pso) {
    return pso != nullptr ? reinterpret_cast<PrinterPdev*>(pso->dhpdev) : nullptr;
}

// 4360 with any other sub-code: the block is kept for the sample sheet at the job end.
ULONG StoreAppQueryBlock(PrinterPdev* pdev, ULONG cjIn, const void* pvIn) {
    BYTE* copy = static_cast<BYTE*>(PdevAlloc(pdev->allocationList, cjIn));
    // Without its copy the block is refused, and no flag promises a sample sheet.
    if (copy == nullptr) {
        DriverLog("DrvEscape: no memory for the application block (%lu bytes)", static_cast<unsigned long>(cjIn));
        return kEscapeRefused;
    }
    std::memcpy(copy, pvIn, cjIn);
    if (pdev->escapes.appQueryBlock != nullptr) PdevFree(pdev->allocationList, pdev->escapes.appQueryBlock);
    pdev->escapes.appQueryBlock = copy;
    pdev->escapes.appQueryBlockBytes = cjIn;
    pdev->escapes.appQueryStored = 1;
    pdev->pageSetup.blankSheet = 1;
    return 1;
}

// The codes that need no device context, and those that do.
ULONG AnswerWithoutPdev(ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    return iEsc == kEscQueryEscSupport ? QueryEscapeSupport(cjIn, pvIn) : TechnologyQuery(cjOut, pvOut);
}

ULONG AnswerWithPdev(PrinterPdev* pdev, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    switch (iEsc) {
        case kEscSetCopyCount:
            return SetCopyCount(pdev, cjIn, pvIn, cjOut, pvOut);
        case kEscPassThrough:
            return PassThrough(pdev, cjIn, pvIn);
        case kEscAppQuery:
            return AppQuery(pdev, cjIn, pvIn, cjOut, pvOut);
        case kEscGetStamp:
        case kEscGetBandStamp:
            return GetStampEscape(pdev, iEsc == kEscGetBandStamp, cjOut, pvOut);
        case kEscSetDcHandle:
            return SetDcHandle(pdev, cjIn, pvIn);
        case kEscGetInfoStamp:
        case kEscGetBandInfoStamp:
            return GetInfoStampEscape(pdev, iEsc == kEscGetBandInfoStamp, cjOut, pvOut);
        case kEscGetFooterStamp:
            return GetFooterStampEscape(pdev, cjOut, pvOut);
        case kEscSetAccount:
            return SetAccount(pdev, cjIn, pvIn);
        case kEscSetJobOwner:
            return SetJobOwner(pdev, cjIn, pvIn);
        case kEscSetJobSettings:
            return SetJobSettings(pdev, cjIn, pvIn);
        default:
            return 0;  // supported without an answer
    }
}

}  // namespace

BOOL EscapeSupported(ULONG code) {
    for (const CodeRange& r : kSupportedCodes)
        if (code >= r.first && code <= r.last && (kJapaneseBuild || !r.japaneseOnly)) return TRUE;
    return FALSE;
}

ULONG QueryEscapeSupport(ULONG cjIn, const void* pvIn) {
    if (pvIn == nullptr || cjIn < sizeof(DWORD)) return kEscapeRefused;
    const DWORD code = orla::ReadLe32(pvIn, 0);
    for (const QueryAnswer& q : kQueryAnswers)
        if (q.code == code && (kJapaneseBuild || !q.japaneseOnly)) return q.answer;
    return EscapeSupported(code) ? 1 : 0;
}

ULONG TechnologyQuery(ULONG cjOut, void* pvOut) {
    if (pvOut == nullptr || cjOut < kTechnologyBytes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::memcpy(pvOut, kTechnologyText, kTechnologyBytes);
    return 1;
}

ULONG SetCopyCount(PrinterPdev* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
    if (pvIn == nullptr || cjIn < sizeof(DWORD)) return kEscapeRefused;
    if (pvOut != nullptr && cjOut < sizeof(DWORD)) return kEscapeRefused;
    SHORT copies = static_cast<SHORT>(std::min<DWORD>(orla::ReadLe32(pvIn, 0), kMaxCopies));
    if (copies < 1) copies = 1;
    orla::Set(pdev->settings.record, dm::Copies, copies);
    if (pvOut != nullptr) orla::WriteLe32(pvOut, 0, static_cast<DWORD>(copies));
    return 1;
}

ULONG PassThrough(PrinterPdev* pdev, ULONG cjIn, const void* pvIn) {
    // The count must describe bytes the caller really gave.
    if (pvIn == nullptr || cjIn < sizeof(WORD)) return kEscapeRefused;
    const WORD count = orla::ReadLe16(pvIn, 0);
    if (count > cjIn - sizeof(WORD)) return kEscapeRefused;
    pdev->pageSetup.blankSheet = 1;
    // After a failed write nothing more reaches the job: the application must not take the
    // data as printed.
    if (OutputFailed(pdev)) return kEscapeRefused;
    pdev->pageSetup.skipJobModeLine = 1;
    if (!FlushPendingStartForEscape(pdev) || !FlushSpool(pdev)) return kEscapeRefused;
    DWORD written = 0;
    const void* data = static_cast<const BYTE*>(pvIn) + sizeof(WORD);
    if (!WritePrinter(pdev->printer, const_cast<void*>(data), count, &written) || written != count) {
        // A short write lost part of the data: the job is broken from here on.
        pdev->state |= kStateOutputFailed;
        DriverLog("DrvEscape: PASSTHROUGH wrote %lu of %u bytes", static_cast<unsigned long>(written), count);
        return kEscapeRefused;
    }
    pdev->pending |= kPageOutputWritten;
    if constexpr (kJapaneseBuild) pdev->pending |= kJobOutputWritten;
    return written;
}

ULONG AppQuery(PrinterPdev* pdev, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
    if (pvIn == nullptr || cjIn < kAppQueryParameterOffset) return kEscapeRefused;
    const WORD subCode = orla::ReadLe16(pvIn, kAppQuerySubCodeOffset);
    const WORD parameter =
        cjIn >= kAppQueryParameterOffset + sizeof(WORD) ? orla::ReadLe16(pvIn, kAppQueryParameterOffset) : 0;
    if (subCode == kAppQueryIdentify) {
        if (pvOut == nullptr || cjOut < kAppQueryIdentifyBytes) return kEscapeRefused;
        orla::WriteLe32(pvOut, 0, kAppQueryIdentity);
        return 1;
    }
    if (subCode == kAppQueryNothing) return 1;
    if (subCode == kAppQueryFormat) {
        for (const FormatAnswer& a : kFormatAnswers) {
            if (a.parameter != parameter) continue;
            if (pvOut == nullptr || cjOut < kAppQueryFormatBytes) return kEscapeRefused;
            for (size_t i = 0; i < 4; ++i) orla::WriteLe32(pvOut, 4 + 4 * i, a.values[i]);
            return 1;
        }
    }
    return StoreAppQueryBlock(pdev, cjIn, pvIn);
}

DLLEXPORT ULONG APIENTRY DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut) {
    if (!EscapeSupported(iEsc)) return 0;
    if (iEsc == kEscQueryEscSupport || iEsc == kEscTechnology) return AnswerWithoutPdev(iEsc, cjIn, pvIn, cjOut, pvOut);
    PrinterPdev* pdev = PdevOfSurface(pso);
    if (!ValidatePdev(pdev)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return AnswerWithPdev(pdev, iEsc, cjIn, pvIn, cjOut, pvOut);
}
