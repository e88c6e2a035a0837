// One stamp (a text or image mark printed on each page) as it is stored per user and printer, and
// the reader that fetches one stamp by number in its in-memory form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/driver_devmode.h"
#include "win/base.h"

namespace orla {

// 780 bytes, little-endian. The stored form (registry, printer data) holds its texts in the system
// code page; the in-memory form (settings record, escapes, dialogs) holds them as UTF-16 in the
// same byte ranges. Every other field is the same in both.
inline constexpr size_t kStampRecordSize = 780;
inline constexpr DWORD kStampMaxCount = 20;

struct StampTextField {
    size_t offset;
    size_t bytes;  // the field's size; the in-memory form holds bytes / 2 UTF-16 units
};
namespace stamp {
inline constexpr DmField<WORD> kNumber{0};  // position in the user's list + 1
inline constexpr StampTextField kName{2, 130};
inline constexpr DmField<DWORD> kKind{132};  // 0 text stamp, else image stamp
inline constexpr StampTextField kText{136, 258};
inline constexpr StampTextField kImagePath{394, 258};
inline constexpr DmField<DWORD> kPosition{652};  // 3 x 3 grid, row by row, 0 top-left
inline constexpr DmField<SHORT> kTextSize{656};
inline constexpr DmField<SHORT> kScale{658};  // percent, 25 to 400
inline constexpr DmField<SHORT> kAngle{660};  // choice 0 to 4
inline constexpr DmField<WORD> kWeight{662};  // 400 normal, 700 bold
inline constexpr DmField<DWORD> kItalic{664};
inline constexpr StampTextField kFaceName{668, 64};
inline constexpr DmField<DWORD> kOverlayMode{732};  // 0 drawn in two passes, else once
inline constexpr DmField<DWORD> kGrey{736};         // the editor's control 3041 to 3046
inline constexpr DmField<DWORD> kFirstPageOnly{740};
inline constexpr DmField<DWORD> kMode{744};   // the editor's control 3065 to 3067
inline constexpr DmBytes kReturned{748, 32};  // zero when stored; filled by the escape
// The returned fields, as the escapes fill them.
inline constexpr DmField<DWORD> kDrawFlag{748};  // 0 = not drawn
inline constexpr DmField<LONG> kPageLeft{752};   // page (band) rectangle, device pixels
inline constexpr DmField<LONG> kPageTop{756};
inline constexpr DmField<LONG> kPageRight{760};
inline constexpr DmField<LONG> kPageBottom{764};
inline constexpr DmField<LONG> kResolution{768};   // dmPrintQuality of the job
inline constexpr DmField<DWORD> kPageNumber{772};  // 1-based
inline constexpr StampTextField kTextFields[] = {kName, kText, kImagePath, kFaceName};
static_assert(FieldEnd(kReturned) == kStampRecordSize && FieldEnd(kPageNumber) <= FieldEnd(kReturned));
}  // namespace stamp

// A field of one stamp record (kStampRecordSize bytes at record), read and written by its type.
template <class T>
inline T StampGet(const BYTE* record, DmField<T> f) {
    return Get(std::span<const BYTE>(record, kStampRecordSize), f);
}
template <class T, class V>
inline void StampSet(BYTE* record, DmField<T> f, V value) {
    Set(std::span<BYTE>(record, kStampRecordSize), f, static_cast<T>(value));
}

// The registry key of a printer's stamps: "Software\QEV\STAMP\" and the printer name, a leading
// "\\" of a network printer name dropped.
std::u16string StampKeyPath(std::u16string_view printerName);

// The stored list of a printer's stamps, read by the rule every reader follows: the user's value
// "STAMP_Info" under the stamp key, the printer data value when the key opens but the value cannot
// be read, nothing when the key does not open (or the printer's name cannot be had). Whole and
// partial records as stored; callers walk whole records only.
std::vector<BYTE> ReadStoredStamps(HANDLE hPrinter);
// The stamp key of a printer by its PRINTER_INFO_2 name; FALSE when the name cannot be had.
BOOL PrinterStampKey(HANDLE hPrinter, std::u16string* keyPath);

// Fills `record` (780 bytes) with the stored stamp of that number, converted to the in-memory
// form; leaves it unchanged when the printer, its stamps or that number cannot be found.
void ReadStampInfo(HANDLE hPrinter, WORD number, BYTE* record);

// Converts a stored record in place into the in-memory form.
void ConvertStampRecordToWide(BYTE* record);

}  // namespace orla
