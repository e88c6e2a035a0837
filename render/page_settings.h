// Settings, page geometry, layout cells, printer-data tables, page set-up cache and colour
// adjustment of the graphics DLL's device context. PrinterPdev (render/pdev.h) embeds the
// groups declared here; the functions fill them from the job's settings record, the compiled
// device data and the printer data.
#pragma once

#include <cstdint>
#include <iterator>
#include <span>
#include <string_view>

#include "core/driver_devmode.h"
#include "win/base.h"
#include "win/devmode.h"

struct PrinterPdev;
namespace orla {
struct FormOverlayHeader;
}

// ---- Paper codes (matched against the form name) ----
enum PaperCode : SHORT {
    PaperA3 = 100,
    PaperA4 = 101,
    PaperA5 = 102,
    PaperB4 = 103,
    PaperB5 = 104,
    PaperLetter = 105,
    PaperPostcard = 106,
    PaperReplyPostcard = 107,
    PaperEnvelopeYou4 = 108,
    PaperFirstConversion = 109,  // 109 .. 122: source paper printed on a destination paper
    PaperA4ToA3 = 111,
    PaperA4x2ToA4 = 112,
    PaperB5x2ToB5 = 120,
    PaperLastConversion = 122,
    PaperLong = 123,          // long paper, 297 x 900 mm
    PaperUser = 124,          // any other paper; the code before a match
    PaperFirstRotated = 125,  // 125 .. 141 only with device data above version 3
    PaperLastRotated = 141,
};

constexpr bool IsConversionPaper(LONG code) {
    return code >= PaperFirstConversion && code <= PaperLastConversion;
}

// One paper as the device context sees it: sizes and printable rectangle in micrometres.
struct PaperRecord {
    WCHAR name[32];
    LONG width;
    LONG length;
    LONG left;  // printable rectangle, from the paper's corner
    LONG top;
    LONG right;
    LONG bottom;
    SHORT code;
};

// ---- Layouts (pages per sheet) ----
struct LayoutShape {
    BYTE columns;
    BYTE rows;
};
// Indexed by the layout mode of the settings; an unknown mode acts as one page per sheet.
inline constexpr LayoutShape kLayoutTable[] = {
    {1, 1},  // 0
    {1, 1},  // 1: one page per sheet
    {2, 1},  // 2: two-up, turned
    {1, 1},  // 3
    {2, 2},  // 4
    {1, 1},  // 5
    {3, 2},  // 6
    {1, 1},  // 7
    {4, 2},  // 8
    {3, 3},  // 9
};
inline constexpr unsigned kLayoutCellCount = 16;
constexpr LayoutShape LayoutShapeOf(LONG mode) {
    return (mode >= 0 && mode < static_cast<LONG>(std::size(kLayoutTable))) ? kLayoutTable[mode] : LayoutShape{1, 1};
}
constexpr unsigned LayoutCellsOf(LONG mode) {
    return LayoutShapeOf(mode).columns * LayoutShapeOf(mode).rows;
}
// The layouts whose pages are turned a quarter on the sheet.
constexpr bool IsTurnedLayout(LONG mode) {
    return mode == 2 || mode == 6 || mode == 8;
}

// ---- Page geometry ----
struct PageGeometry {
    WORD zoom;                          // percent; 100 at start
    LONG resolution;                    // dots per inch of the job (dmPrintQuality)
    LONG coordinateMultiplier;          // 2 at 200 and 300 dpi (written in doubled units), else 1
    PaperRecord logicalPaper;           // the paper the application draws on
    PaperRecord outputPaper;            // the paper that comes out of the printer
    RECTL pageRects[kLayoutCellCount];  // one per layout cell, device pixels of the printable area
    RECTL printable;                    // printable rectangle of the logical paper, device pixels
    SIZEL paperSize;                    // logical paper, device pixels
    LONG printShift[4];                 // left, top, right, bottom print-position shifts, device pixels
    RECTL bandClip[4];                  // three of the printable area and one for the turned layouts
    DWORD marginList;                   // which margin list of the device data applies (orientation, settings)
};

// The sheet settings of the record that the job flow and the page set-up use.
struct SheetSettings {
    DWORD sheetSetting;  // sent to the printer as MSW097
    DWORD slipSheetsOn;
    DWORD slipSheetTray;
    DWORD slipSheetKind;  // 0 blank, else copy
    DWORD sheetTraysOn;
    DWORD firstSheetTray;
    DWORD secondSheetTray;
    DWORD firstTrayOwn;  // 1 when the first-sheet tray was a tray of its own (not 300)
    DWORD secondTrayOwn;
    DWORD frontCoverTray;
    DWORD backCoverTray;
    DWORD frontCoverOn;
    DWORD backCoverOn;
};

// The page-number (information) stamp text returned by escape 9100.
inline constexpr unsigned kPageStampTextChars = 160;
struct PageNumberStamp {
    DWORD kind;       // 0 .. 8
    DWORD flagKind6;  // kinds 6 and 7 only set these
    DWORD flagKind7;
    WCHAR text[kPageStampTextChars];
};

// Printer-data tables the device context keeps.
struct PrinterDataTables {
    // TrueType face -> printer font pairs, as the printer-data value with one extra NUL at the
    // end; a block of the PDEV's allocation list (or null before LoadPdevSettings).
    WCHAR* fontSubstitution;
    DWORD fontSubstitutionChars;  // WCHARs in the block, terminators included
};

// ---- Page set-up cache ----
inline constexpr SHORT kSetupUnknown = 255;
struct PageSetupRecord {
    SHORT paperCode;
    LONG paperWidth;  // micrometres
    LONG paperLength;
    SHORT orientation;
    SHORT tray;
    SHORT duplex;
    DWORD binding;  // bit 0 of the settings byte at 397
    DWORD rasterMode;
    SHORT layout;
    SHORT resolution;
    DWORD overlayOn;
    CHAR overlayName[MAX_PATH];  // ANSI, terminated
};

struct PageSetupCache {
    PageSetupRecord last;      // the set-up last written
    PageSetupRecord next;      // the one for the page about to start
    DWORD pageEnds;            // sheets ended in the job
    DWORD printedPages;        // pages that had output
    DWORD cellCounter;         // pages placed on the current sheet
    DWORD blankSheet;          // 1 while nothing was drawn on the current sheet
    DWORD blankSheetReset;     // the value blankSheet is reset to (0 with print-blank-pages on)
    DWORD previousHadOverlay;  // the page set-up before had a form overlay
    DWORD paperSourceUnknown;  // force the paper-source commands next time
    DWORD skipJobModeLine;     // application data went ahead of the header: leave JOB MODE out once
    CHAR jobId[25];            // 24 hexadecimal characters and the terminator
};

// ---- Colour adjustment ----
enum ColourKind : DWORD { ColourKindText = 1, ColourKindGraphics = 2, ColourKindImages = 4 };
enum AdjustSelection : BYTE { AdjustText = 1, AdjustGraphics = 4, AdjustImages = 16, AdjustCommon = 32 };
enum AdjustTriple { TripleText = 0, TripleGraphics = 1, TripleImages = 2, TripleCommon = 3 };

struct ColourAdjustSettings {
    DWORD kinds;          // ColourKind bits
    DWORD mode;           // 1: separate settings per kind, else one common setting
    SHORT triples[4][3];  // [AdjustTriple]{brightness, saturation, contrast}
};

// 16.16 fixed point: rows for the first, second and third colour byte.
struct ColourAdjustMatrix {
    LONG factor[9];
    LONG offset[3];
};

struct ColourAdjustContext {
    BYTE selected;  // AdjustSelection bits
    // Matrix of each kind (text, graphics, images) as an index into `matrices`, -1 for none.
    // Indices, not pointers, so that a copied context stays sound.
    int8_t matrixOf[3];
    ColourAdjustMatrix matrices[3];
};

// ---- Job owner record (escape 9998): 328 bytes, system code page, NUL-terminated fields ----
inline constexpr unsigned kJobOwnerRecordSize = 328;
inline constexpr unsigned kOwnerHostOffset = 231;  // host address string
inline constexpr unsigned kOwnerHostSize = 97;
static_assert(kOwnerHostOffset + kOwnerHostSize == kJobOwnerRecordSize);

// ---- The groups PrinterPdev embeds ----
// The job's settings and what LoadPdevSettings derives from them for the job flow.
struct PdevSettings {
    orla::DriverDevmode record;  // merged and resolved settings record of the job
    SheetSettings sheet;
    PageNumberStamp pageStamp;
    PrinterDataTables tables;
    BYTE ownerRecord[kJobOwnerRecordSize];  // the JobOwnerRecord of escape 9998, zero when none
};

struct ColourAdjustState {
    ColourAdjustSettings settings;  // filled with the settings (LoadPdevSettings)
    ColourAdjustContext context;    // built for each job (DrvStartDoc: PrepareColourAdjust)
};

// ---- Settings and geometry into the device context ----
LONG ConvertToDevicePixels(LONG micrometres, LONG resolution);
SHORT PaperCodeForName(LPCWSTR formName, BOOL longTable);
// The name of a paper code as the string table gives it ("B4 (JIS)" for 103); empty if none.
std::u16string_view PaperNameForCode(LONG code);

// Pure geometry on explicit inputs (the PDEV forms below call these).
WORD ComputeLayoutZoomFor(LONG layoutMode, const PaperRecord& logical, const PaperRecord& output);
void ComputeLayoutCellsFor(LONG layoutMode, LONG layoutOrder, BOOL landscape, BOOL turned, WORD zoom, LONG resolution,
                           const PaperRecord& logical, const PaperRecord& output, RECTL (&cells)[kLayoutCellCount]);
void ComputePrintShiftsFor(LONG outputCode, BOOL overlayOn, BOOL longTable, LONG layoutMode,
                           const LONG (&settingValues)[4], const PaperRecord& output, LONG resolution,
                           LONG (&shifts)[4]);

BOOL LoadPdevSettings(PrinterPdev* pdev, const DEVMODEW* incoming, LPCWSTR deviceName);
void InitPdevState(PrinterPdev* pdev);
// The information stamp text and flags from the settings (escape 9999 changed them).
void ReloadPageStamp(PrinterPdev* pdev);
void FindPaperRecord(PrinterPdev* pdev, PaperRecord* paper, LPCWSTR formName);
WORD ComputeLayoutZoom(PrinterPdev* pdev, const PaperRecord* logical, const PaperRecord* output);
void ComputeLayoutCells(PrinterPdev* pdev);
void ComputeLayoutCellsTurned(PrinterPdev* pdev);
void ComputePrintShifts(PrinterPdev* pdev);
// Zoom and layout cells again, as DrvStartDoc, DrvResetPDEV and DrvEscape need after a change.
void RecomputeLayout(PrinterPdev* pdev);
void ComputeBandClips(PrinterPdev* pdev);
BOOL FillGdiInfo(PrinterPdev* pdev, ULONG size, void* gdiInfo);
BOOL FillDevInfo(PrinterPdev* pdev, ULONG size, void* devInfo, ULONG patternSize);
void LoadAccountingSettings(BYTE* settings, ULONG settingsSize, HANDLE printer);
// Checks the form-overlay file of the settings: a missing or foreign file turns the overlay off
// and says why in the overlay status (0x40000 unreadable, 0x100 not an overlay of this language);
// a good one gives the settings its paper, tray and orientation (ReadFormOverlayDetails).
void LoadFormOverlay(PrinterPdev* pdev);
// The paper pair (as a paper code), the tray and the orientation of a good overlay header into
// the settings record.
void ReadFormOverlayDetails(PrinterPdev* pdev, const orla::FormOverlayHeader& header);
// The paper code for an overlay's source and destination paper bits; `fallback` for other pairs.
SHORT MapFormPaperCode(DWORD source, DWORD destination, SHORT fallback);

// ---- "TBL_TTSubstTable" ----
// Checks a printer-data value: pairs of NUL-terminated UTF-16 strings to the end of the data
// (an empty table is 4 zero bytes). Returns the number of pairs, or -1 when the value is
// malformed (odd size, a string without terminator, a face without its printer font).
LONG ParseTTSubstTable(std::span<const BYTE> value);
// The i-th pair of a checked block (terminated strings inside it), or FALSE past the end.
BOOL TTSubstPairAt(const WCHAR* block, DWORD chars, LONG index, LPCWSTR* face, LPCWSTR* printerFont);
BOOL LoadFontSubstitution(PrinterPdev* pdev);

// ---- Colour adjustment ----
int PrepareColourAdjust(ColourAdjustContext* context, const ColourAdjustSettings* settings);
int SelectAdjustKinds(ColourAdjustContext* context, const ColourAdjustSettings* settings);
int BuildAdjustMatrices(BYTE selected, ColourAdjustContext* context, const ColourAdjustSettings* settings);
int BuildAdjustMatrix(ColourAdjustMatrix* matrix, LONG brightness, LONG saturation, LONG contrast);
BOOL AdjustTextColour(const ColourAdjustContext* context, COLORREF colour, BYTE out[3], BYTE* format);
BOOL AdjustGraphicsColour(const ColourAdjustContext* context, COLORREF colour, BYTE out[3], BYTE* format);
LONG ApplyAdjustWithBuffer(const ColourAdjustMatrix* matrix, const BYTE* input, BYTE* output, ULONG width,
                           ULONG height);
void ApplyAdjustMatrixRgb(const ColourAdjustMatrix* matrix, const BYTE* input, BYTE* output, ULONG pixels);
// Reads the image-adjustment settings of a settings record into the device context's form.
void LoadColourAdjustSettings(const BYTE* settings, ULONG settingsSize, ColourAdjustSettings* out);
