// The escapes through which the interface DLL hands its job state to the graphics DLL after
// StartDoc and before the first page: the device context handle (9006), the account entry (9200),
// the job owner record (9998) and the print-time settings (9999). They reach the job header
// because that is written lazily, at the first output.
#include <cstring>

#include "core/build_variant.h"
#include "core/driver_devmode.h"
#include "core/settings_resolver.h"
#include "render/escapes.h"
#include "render/page_settings.h"
#include "render/pdev.h"

namespace {

using orla::DmField;
using orla::DmText;
namespace dm = orla::dm;

// The flags of the private flags DWORD that the print-time settings decide; the rest stay.
constexpr DWORD kJobFlags1 = orla::kFlags1PageFrame | orla::kFlags1BindingBack | orla::kFlags1Collate |
                             orla::kFlags1JobSeparate | orla::kFlags1CollateSeparate | orla::kFlags1Reprint;
// The information text chosen by the "annotation" kind 8.
constexpr DWORD kAnnotationOwnText = 8;

// A whole incoming settings record, read by the same field helpers as the PDEV's own.
std::span<const BYTE> IncomingRecord(const void* pvIn) {
    return {static_cast<const BYTE*>(pvIn), orla::kDriverDevmodeSize};
}

template <class T>
void TakeField(orla::DriverDevmode& to, std::span<const BYTE> from, DmField<T> field) {
    orla::Set(to, field, orla::Get(from, field));
}

// The settings escape 9999 takes over, each at its own offset.
void TakeJobFields(PrinterPdev* pdev, std::span<const BYTE> in) {
    orla::DriverDevmode& rec = pdev->settings.record;
    TakeField(rec, in, dm::LayoutMode);
    TakeField(rec, in, dm::PrintPosTop);
    TakeField(rec, in, dm::PrintPosLeft);
    TakeField(rec, in, dm::PrintPosTop2);
    TakeField(rec, in, dm::PrintPosLeft2);
    TakeField(rec, in, dm::FrameKind);
    TakeField(rec, in, dm::LayoutOrder);
    TakeField(rec, in, dm::Duplex);
    TakeField(rec, in, dm::Copies);
    TakeField(rec, in, dm::AnnotationOn);
    TakeField(rec, in, dm::AnnotationKind);
    TakeField(rec, in, dm::AnnotationPosition);
    TakeField(rec, in, dm::StampDrawFlag);
    TakeField(rec, in, dm::StampNumber);
    TakeField(rec, in, dm::OffsetStacking);
    // The caller's text may lack its terminator: it is read within its field and stored ended.
    if (orla::Get(in, dm::AnnotationKind) == kAnnotationOwnText)
        orla::SetText(rec, dm::AnnotationText, orla::GetText(in, dm::AnnotationText));
    const DWORD flags = orla::Get(rec, dm::Flags1);
    orla::Set(rec, dm::Flags1, (flags & ~kJobFlags1) | (orla::Get(in, dm::Flags1) & kJobFlags1));
}

// Zoom, cells, shifts and the band rectangles for the settings as they now are.
void RecomputeGeometry(PrinterPdev* pdev) {
    RecomputeLayout(pdev);
    ComputePrintShifts(pdev);
    ComputeBandClips(pdev);
}

void RunResolver(PrinterPdev* pdev) {
    orla::ValidateSettings(&pdev->settings.record, nullptr, pdev->printer, nullptr, pdev->deviceData);
}

}  // namespace

ULONG SetDcHandle(PrinterPdev* pdev, ULONG cjIn, const void* pvIn) {
    if (pvIn == nullptr || cjIn != sizeof(DWORD)) return kEscapeRefused;
    std::memcpy(&pdev->job.dcHandleValue, pvIn, sizeof(DWORD));
    return 1;
}

ULONG SetAccount(PrinterPdev* pdev, ULONG cjIn, const void* pvIn) {
    if (pvIn == nullptr || cjIn != orla::kDriverDevmodeSize) return kEscapeRefused;
    std::span<const BYTE> in = IncomingRecord(pvIn);
    orla::SetText(pdev->settings.record, dm::PopUserId, orla::GetText(in, dm::PopUserId));
    orla::SetText(pdev->settings.record, dm::PopPassword, orla::GetText(in, dm::PopPassword));
    RunResolver(pdev);
    return 1;
}

ULONG SetJobOwner(PrinterPdev* pdev, ULONG cjIn, const void* pvIn) {
    if (pvIn == nullptr || cjIn != kJobOwnerRecordSize) return kEscapeRefused;
    std::memcpy(pdev->settings.ownerRecord, pvIn, kJobOwnerRecordSize);
    pdev->pending |= kOwnerFromEscape;
    return 1;
}

ULONG SetJobSettings(PrinterPdev* pdev, ULONG cjIn, const void* pvIn) {
    if (pvIn == nullptr || cjIn != orla::kDriverDevmodeSize) return kEscapeRefused;
    pdev->pending |= kSettingsFromEscape;
    TakeJobFields(pdev, IncomingRecord(pvIn));
    ReloadPageStamp(pdev);
    RunResolver(pdev);
    RecomputeGeometry(pdev);
    return 1;
}
