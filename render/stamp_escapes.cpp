// The stamp escapes: the stamp of the settings (9000, and 9001 for the band output), the
// information stamp (9100, 9101) and the trust-marking footer as a stamp (9103). Each answer is
// a 780-byte stamp record in its wide form with the page rectangle, resolution and page number
// of the moment; its texts always end inside their fields, whatever the settings held.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/build_variant.h"
#include "core/driver_devmode.h"
#include "core/stamp_record.h"
#include "render/escapes.h"
#include "render/page_settings.h"
#include "render/pdev.h"
#include "render/pjl_text.h"
#include "render/stamp_answer.h"

namespace {

namespace dm = orla::dm;
namespace st = orla::stamp;
using orla::kStampRecordSize;

// The stamp number reported when the settings ask for the stamp without a selected one.
constexpr WORD kUnselectedStampNumber = 99;

// The fixed look of the information stamp.
constexpr WORD kInfoTextSize = 105;
constexpr WORD kInfoAngle = 2;  // upright
constexpr WORD kInfoWeight = 400;
constexpr DWORD kGreyBlack = 3046;
constexpr DWORD kModeNormal = 3065;
constexpr std::u16string_view kInfoFace = orla::kJapaneseBuild ? u"ＭＳ Ｐゴシック" : u"Arial";

bool BandMode(const PrinterPdev* pdev) {
    return (pdev->state & kStateRasterMode) != 0;
}

bool StampOutputFits(ULONG cjOut, const void* pvOut) {
    return pvOut != nullptr && cjOut == kStampRecordSize;
}

// Outside band mode the band variants only say "nothing to draw".
ULONG AnswerNotDrawn(void* pvOut) {
    orla::StampSet(static_cast<BYTE*>(pvOut), st::kDrawFlag, 0);
    return 1;
}

std::u16string InfoStampText(const PrinterPdev* pdev) {
    const PageNumberStamp& info = pdev->settings.pageStamp;
    if (info.flagKind7 != 0) {
        char number[24];
        std::snprintf(number, sizeof number, "-%ld-", static_cast<long>(pdev->flow.pageNumber));
        return std::u16string(number, number + std::strlen(number));
    }
    if (info.flagKind6 != 0) return std::u16string(BoundedText(pdev->job.documentName, kDocumentNameChars));
    return std::u16string(BoundedText(info.text, kPageStampTextChars));
}

}  // namespace

void StampPutWord(BYTE* record, size_t offset, WORD value) {
    std::memcpy(record + offset, &value, sizeof value);
}
void StampPutText(BYTE* record, orla::StampTextField field, std::u16string_view text) {
    const size_t units = field.bytes / 2;
    for (size_t i = 0; i < units; ++i) {
        const WORD c = i + 1 < units && i < text.size() ? static_cast<WORD>(text[i]) : 0;
        StampPutWord(record, field.offset + 2 * i, c);
    }
}

void TerminateStampTexts(BYTE* record) {
    for (const orla::StampTextField& f : st::kTextFields) {
        const size_t units = f.bytes / 2;
        bool ended = false;
        for (size_t i = 0; i < units && !ended; ++i)
            ended = record[f.offset + 2 * i] == 0 && record[f.offset + 2 * i + 1] == 0;
        if (!ended) StampPutWord(record, f.offset + 2 * (units - 1), 0);
    }
}

void CopySettingsStamp(const PrinterPdev* pdev, BYTE* out) {
    std::memcpy(out, orla::RecordBytes(pdev->settings.record).data() + dm::StampRecord.offset, kStampRecordSize);
    TerminateStampTexts(out);
}

void FillStampPageFields(const PrinterPdev* pdev, BYTE* out) {
    const RECTL& page = pdev->geometry.bandClip[0];
    orla::StampSet(out, st::kPageLeft, static_cast<DWORD>(page.left));
    orla::StampSet(out, st::kPageTop, static_cast<DWORD>(page.top));
    orla::StampSet(out, st::kPageRight, static_cast<DWORD>(page.right));
    orla::StampSet(out, st::kPageBottom, static_cast<DWORD>(page.bottom));
    orla::StampSet(out, st::kResolution, static_cast<DWORD>(pdev->geometry.resolution));
    orla::StampSet(out, st::kPageNumber, static_cast<DWORD>(pdev->flow.pageNumber));
}

void SetFixedLook(BYTE* out, DWORD position, WORD size, DWORD drawFlag, std::u16string_view face) {
    orla::StampSet(out, st::kKind, 0);
    orla::StampSet(out, st::kPosition, position);
    orla::StampSet(out, st::kTextSize, size);
    orla::StampSet(out, st::kAngle, kInfoAngle);
    orla::StampSet(out, st::kWeight, kInfoWeight);
    orla::StampSet(out, st::kItalic, 0);
    orla::StampSet(out, st::kOverlayMode, 0);
    orla::StampSet(out, st::kGrey, kGreyBlack);
    orla::StampSet(out, st::kFirstPageOnly, 0);
    orla::StampSet(out, st::kMode, kModeNormal);
    orla::StampSet(out, st::kDrawFlag, drawFlag);
    StampPutText(out, st::kFaceName, face);
}

ULONG GetStampEscape(PrinterPdev* pdev, bool band, ULONG cjOut, void* pvOut) {
    if (!StampOutputFits(cjOut, pvOut)) return kEscapeRefused;
    if (band && !BandMode(pdev)) return AnswerNotDrawn(pvOut);
    BYTE* out = static_cast<BYTE*>(pvOut);
    const orla::DriverDevmode& rec = pdev->settings.record;
    CopySettingsStamp(pdev, out);
    const DWORD selected = orla::Get(rec, dm::StampNumber);
    const bool unselected = orla::Get(rec, dm::FavouriteStampOn) != 0 && selected == 0;
    orla::StampSet(out, st::kNumber, unselected ? kUnselectedStampNumber : static_cast<WORD>(selected));
    orla::StampSet(out, st::kFirstPageOnly, orla::Get(rec, dm::StampOption));
    FillStampPageFields(pdev, out);
    return 1;
}

ULONG GetInfoStampEscape(PrinterPdev* pdev, bool band, ULONG cjOut, void* pvOut) {
    if (!StampOutputFits(cjOut, pvOut)) return kEscapeRefused;
    if (band && !BandMode(pdev)) return AnswerNotDrawn(pvOut);
    BYTE* out = static_cast<BYTE*>(pvOut);
    const orla::DriverDevmode& rec = pdev->settings.record;
    CopySettingsStamp(pdev, out);
    SetFixedLook(out, orla::Get(rec, dm::AnnotationPosition), kInfoTextSize, orla::Get(rec, dm::AnnotationOn),
                 kInfoFace);
    StampPutText(out, st::kText, InfoStampText(pdev));
    FillStampPageFields(pdev, out);
    return 1;
}

ULONG GetFooterStampEscape(PrinterPdev* pdev, ULONG cjOut, void* pvOut) {
    if (!StampOutputFits(cjOut, pvOut)) return kEscapeRefused;
    // With a sample sheet owed, or marks for several outputs, the footer is not a stamp.
    if (pdev->escapes.appQueryStored != 0) return 1;
    return AnswerFooterStamp(pdev, static_cast<BYTE*>(pvOut));
}
