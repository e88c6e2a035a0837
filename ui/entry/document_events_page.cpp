// Page end: the graphics DLL answers the page's stamp records (the chosen stamp, the information
// stamp and, in the Japanese build, the trust-marking footer) and the interface DLL imprints them
// on the application's device context through the stamp-drawing library.
#include <cstring>
#include <limits>
#include <span>

#include "core/stamp_library.h"
#include "core/stamp_record.h"
#include "ui/entry/document_events.h"

namespace orla {
namespace {

namespace st = stamp;

// What the graphics DLL fills in for the page and the interface DLL keeps over the stored stamp.
// The grey (736) and mode (744) choices and the enabled value (732) are the stamp's own.
constexpr DmField<DWORD> kPlacementFields[] = {
    st::kFirstPageOnly,       st::kDrawFlag,           {st::kPageLeft.offset},
    {st::kPageTop.offset},    {st::kPageRight.offset}, {st::kPageBottom.offset},
    {st::kResolution.offset}, st::kPageNumber,
};

struct BuiltInStamp {
    std::u16string_view name;
    std::u16string_view text;
    SHORT size;
    SHORT angle;
    std::u16string_view face;
    DWORD mode;
};
constexpr BuiltInStamp kBuiltInStamp = kJapaneseBuild
                                           ? BuiltInStamp{u"ﾏﾙ秘", u"秘", 2000, 2, u"ＭＳ Ｐ明朝", 3066}
                                           : BuiltInStamp{u"Confidential", u"Confidential", 880, 3, u"Arial", 3065};
constexpr DWORD kBuiltInPosition = 4;  // centre of the page
constexpr SHORT kBuiltInScale = 100;
constexpr WORD kBuiltInWeight = 400;
constexpr DWORD kBuiltInEnabled = 1;
constexpr DWORD kBuiltInGrey = 3044;

// The escapes answering stamp records after the chosen stamp, in the order they are drawn.
constexpr int kPageEndStampEscapes[] = {kEscapeGetInfoStamp, kEscapeGetFooterStamp};
constexpr size_t kPageEndStampEscapeCount = kJapaneseBuild ? 2 : 1;

std::span<BYTE> Record(BYTE* record) {
    return {record, kStampRecordSize};
}

void PutStampText(BYTE* record, StampTextField field, std::u16string_view text) {
    SetText(Record(record), DmText{static_cast<unsigned>(field.offset), static_cast<unsigned>(field.bytes / 2)}, text);
}

// One stamp record from the graphics DLL; FALSE when the escape answers 0 or less.
BOOL AskStampRecord(const DocumentEventSystem& system, HDC hdc, int escape, BYTE* record) {
    std::memset(record, 0, kStampRecordSize);
    const int answer =
        system.extEscape(hdc, escape, 0, nullptr, static_cast<int>(kStampRecordSize), reinterpret_cast<LPSTR>(record));
    if (answer <= 0) return FALSE;
    TerminateStampTexts(record);
    return TRUE;
}

// The chosen stamp: the built-in one or the user's stored stamp of the answered number, with the
// page's placement of the answer kept.
void ResolveChosenStamp(HANDLE hPrinter, BYTE* record) {
    DWORD placement[std::size(kPlacementFields)];
    for (size_t i = 0; i < std::size(kPlacementFields); ++i) placement[i] = StampGet(record, kPlacementFields[i]);
    const WORD number = StampGet(record, st::kNumber);
    if (number == kBuiltInStampNumber) {
        FillBuiltInStamp(record);
    } else {
        ReadStampInfo(hPrinter, number, record);
        TerminateStampTexts(record);
    }
    for (size_t i = 0; i < std::size(kPlacementFields); ++i) StampSet(record, kPlacementFields[i], placement[i]);
}

// The page rectangle's width and height fit the library's LONG arguments.
bool PageSizeFits(const BYTE* record) {
    const LONGLONG width = LONGLONG{StampGet(record, st::kPageRight)} - StampGet(record, st::kPageLeft);
    const LONGLONG height = LONGLONG{StampGet(record, st::kPageBottom)} - StampGet(record, st::kPageTop);
    constexpr LONGLONG kLow = std::numeric_limits<LONG>::min(), kHigh = std::numeric_limits<LONG>::max();
    return width >= kLow && width <= kHigh && height >= kLow && height <= kHigh;
}

}  // namespace

void FillBuiltInStamp(BYTE* record) {
    std::memset(record, 0, kStampRecordSize);
    PutStampText(record, st::kName, kBuiltInStamp.name);
    StampSet(record, st::kKind, 0);
    PutStampText(record, st::kText, kBuiltInStamp.text);
    StampSet(record, st::kPosition, kBuiltInPosition);
    StampSet(record, st::kTextSize, kBuiltInStamp.size);
    StampSet(record, st::kScale, kBuiltInScale);
    StampSet(record, st::kAngle, kBuiltInStamp.angle);
    StampSet(record, st::kWeight, kBuiltInWeight);
    StampSet(record, st::kItalic, 0);
    PutStampText(record, st::kFaceName, kBuiltInStamp.face);
    StampSet(record, st::kOverlayMode, kBuiltInEnabled);
    StampSet(record, st::kGrey, kBuiltInGrey);
    StampSet(record, st::kMode, kBuiltInStamp.mode);
}

void TerminateStampTexts(BYTE* record) {
    for (const StampTextField& field : st::kTextFields)
        TerminateText(Record(record),
                      DmText{static_cast<unsigned>(field.offset), static_cast<unsigned>(field.bytes / 2)});
}

BOOL DrawStampWithStampDll(HDC hdc, HANDLE hPrinter, const BYTE* record, DWORD enabled, LONG reserved) {
    // A rectangle from the graphics DLL's answer that no page has is not drawn.
    if (!PageSizeFits(record)) return FALSE;
    BYTE stamp[kStampRecordSize];
    std::memcpy(stamp, record, sizeof stamp);
    // The page-end imprint reads the grey choice as a whole DWORD: one beyond the editor's
    // choices draws black, as any unknown choice does.
    if (StampGet(stamp, st::kGrey) > 0xFFFF) StampSet(stamp, st::kGrey, 0);
    const DWORD dc = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hdc));
    return LoadStampLibrary(dc, hPrinter, stamp, static_cast<LONG>(enabled), reserved) != 0;
}

LONG DrawStampIfEnabled(HDC hdc, HANDLE hPrinter, const BYTE* record, DWORD enabled, LONG reserved) {
    if (StampGet(record, st::kDrawFlag) == 0) return 1;
    if (StampGet(record, st::kFirstPageOnly) != 0 && StampGet(record, st::kPageNumber) != 1) return 1;
    // A stamp the library cannot draw leaves the page as it is; the job goes on.
    DrawStampWithStampDll(hdc, hPrinter, record, enabled, reserved);
    return 1;
}

LONG HandleEndPage(const DocumentEventSystem& system, HANDLE hPrinter, HDC hdc) {
    if (hPrinter == nullptr || hdc == nullptr) return kDocumentEventSuccess;
    BYTE record[kStampRecordSize];
    if (!AskStampRecord(system, hdc, kEscapeGetStamp, record)) return kDocumentEventFailure;
    ResolveChosenStamp(hPrinter, record);
    DrawStampIfEnabled(hdc, hPrinter, record, StampGet(record, st::kOverlayMode), 0);
    for (size_t i = 0; i < kPageEndStampEscapeCount; ++i) {
        if (!AskStampRecord(system, hdc, kPageEndStampEscapes[i], record)) return kDocumentEventFailure;
        DrawStampIfEnabled(hdc, hPrinter, record, StampGet(record, st::kOverlayMode), 0);
    }
    return kDocumentEventSuccess;
}

}  // namespace orla
