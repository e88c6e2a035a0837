// Form overlays (".fn2" files made by the form-overlay product): the file header fixes the paper
// the form was made for, the paper it prints on, the tray and the orientation, and the settings
// record takes them from there instead of the user's choice.
#pragma once

#include <span>
#include <string>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "core/settings_resolver.h"
#include "win/base.h"
#include "win/spool.h"

namespace orla {

// `FormOverlayHeader`: the first 220 bytes of the file (a shorter file reads as zero-padded).
namespace ovl {
inline constexpr unsigned kHeaderSize = 220;
inline constexpr unsigned kSignature = 0;  // text line ended by LF within the first 64 bytes
inline constexpr unsigned kSignatureSpan = 64;
inline constexpr unsigned kInfoText = 68;  // CHAR[31]
inline constexpr unsigned kInfoTextSize = 31;
inline constexpr unsigned kProductFlag = 100;         // DWORD
inline constexpr unsigned kVersionHigh = 104;         // DWORD: two WORDs of the four-part version
inline constexpr unsigned kVersionLow = 108;          // DWORD
inline constexpr unsigned kLanguage = 112;            // DWORD: 1 "ORLA", 2 "ORLA Level2", 0x10000 "K40RS"
inline constexpr unsigned kShownVersion = 128;        // DWORD: major high WORD, minor low WORD
inline constexpr unsigned kTray = 132;                // DWORD tray code
inline constexpr unsigned kMadeFor = 136;             // DWORD paper code
inline constexpr unsigned kMadeForOrientation = 148;  // 'L' or 'P'
inline constexpr unsigned kPrintOn = 152;             // DWORD paper code
inline constexpr unsigned kPrintOnOrientation = 164;  // 'L' or 'P'
inline constexpr unsigned kBodyStart = 168;           // DWORD: file offset of the body sent to the printer
inline constexpr unsigned kBodyEnd = 172;             // DWORD: file offset just past it
inline constexpr unsigned kMode = 217;                // 16 clears bit 9 of the private flags 2
static_assert(kInfoText + kInfoTextSize <= kProductFlag);
static_assert(kMode < kHeaderSize);
}  // namespace ovl

inline constexpr const char* kOverlaySignature = "QEV Quintarc Form Object";

struct FormOverlayHeader {
    BYTE bytes[ovl::kHeaderSize];
};
static_assert(sizeof(FormOverlayHeader) == 220);

inline DWORD OverlayHeaderDword(const FormOverlayHeader& h, unsigned offset) {
    return static_cast<DWORD>(h.bytes[offset]) | (static_cast<DWORD>(h.bytes[offset + 1]) << 8) |
           (static_cast<DWORD>(h.bytes[offset + 2]) << 16) | (static_cast<DWORD>(h.bytes[offset + 3]) << 24);
}

// Paper codes of the header.
inline constexpr DWORD kOverlayPaperBySize = 0;
inline constexpr DWORD kOverlayPaperPostcard = 1;
inline constexpr DWORD kOverlayPaperLetter = 2;
inline constexpr DWORD kOverlayPaperLP = 32;
inline constexpr DWORD kOverlayPaperA5 = 256;
inline constexpr DWORD kOverlayPaperA4 = 512;
inline constexpr DWORD kOverlayPaperA3 = 1024;
inline constexpr DWORD kOverlayPaperB5 = 4096;
inline constexpr DWORD kOverlayPaperB4 = 8192;
inline constexpr DWORD kOverlayPaperA4x2 = 0x80000200;
inline constexpr DWORD kOverlayPaperB5x2 = 0x80001000;

// Status codes kept at settings offset 368.
inline constexpr DWORD kOverlayOk = 0;
inline constexpr DWORD kOverlayFolderEmpty = 0x80000;
inline constexpr DWORD kOverlayNameEmpty = 0x20000;
inline constexpr DWORD kOverlayFileUnreadable = 0x40000;
inline constexpr DWORD kOverlayBadSignature = 0x100;
inline constexpr DWORD kOverlayPaperNotSupported = 0x200;

// Folder, a backslash unless the folder ends in one, base name and ".fn2".
std::string GetOverlayFilePath(const DriverDevmode& record);
// Reads the first 220 bytes of the file (zero-padded); TRUE when the file was read.
BOOL ReadFormOverlayHeader(FormOverlayHeader* header, const char* ansiPath);
// Checks the overlay and applies its header to the record; see the status codes.
DWORD ApplyFormOverlay(DriverDevmode* record, HANDLE hPrinter, const CompiledDeviceData* data);
// Steps 4 to 9 on a header in hand: forms may be null (paper positions kept), strings null when
// the resource DLL could not be loaded. Sets and returns the status.
DWORD ApplyFormOverlayHeader(DriverDevmode* record, const FormOverlayHeader& header, const FORM_INFO_1W* forms,
                             DWORD formCount, const DeviceStrings* strings, const CompiledDeviceData* data);

// Document form and output paper for a {made for, print on} pair; FALSE when the pair is not one
// the driver supports. output is empty when the paper is printed as it is.
BOOL OverlayPaperPair(DWORD madeFor, DWORD printOn, std::u16string* document, std::u16string* output);

}  // namespace orla
