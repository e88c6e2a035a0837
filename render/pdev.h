// The graphics DLL's device context (PrinterPdev), its allocation list and the flag words that
// order the lazy output of a job. In-memory only: native C++ layout, the record is framed by
// the magic dword at both ends so that every hook can tell a live record from a stale pointer.
#pragma once

#include <cstddef>
#include <cwchar>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "win/base.h"
#include "win/kernel.h"

#if __has_include("win/ddi.h")
#include "win/ddi.h"
#else
DECLARE_HANDLE(HSURF);
DECLARE_HANDLE(HDEV);
#endif

// Settings, page geometry, page set-up cache and colour adjustment groups of the record
// (PdevSettings, PageGeometry, PageSetupCache, ColourAdjustState).
#include "render/page_settings.h"
// The graphics state last sent to the printer (GraphicsStateCache).
#include "render/graphics_state.h"
// The glyph download cache (DownloadCache).
#include "render/glyph_cache.h"
// The path writer's state: vector current point, line-attribute cache (PathState).
#include "render/path_output.h"
// The text writers' font-selection cache and current font (TextOutputState).
#include "render/text_state.h"
// What the private escapes keep (EscapeState).
#include "render/escape_state.h"
// What the device context keeps of the trust-marking library (KweState).
#include "render/kwe_state.h"

namespace orla {
struct CompiledDeviceData;
}

// ---- The magic dword: "KQ4T", first character in the most significant byte ----
inline constexpr DWORD kPdevMagic = (DWORD('K') << 24) | (DWORD('Q') << 16) | (DWORD('4') << 8) | DWORD('T');

// ---- State flags (PrinterPdev::state) ----
// Every bit of the state word, in one list. Bits 20 and 28 each carry two meanings that the
// drawing hooks rely on sharing; each has two names below, defined once as one bit.
inline constexpr DWORD kStateRasterMode = 1u << 0;       // band mode: the page is drawn into a 1-bit band
inline constexpr DWORD kStateOutputFailed = 1u << 2;     // a write failed: every later write fails
inline constexpr DWORD kStateModeZ = 1u << 7;            // page-control mode (FS Z sent, FS Y owed)
inline constexpr DWORD kStateModeR = 1u << 8;            // FS R owed before the next drawing command
inline constexpr DWORD kStatePatternCapture = 1u << 9;   // a colour pattern brush is being captured
inline constexpr DWORD kStateRectangleFill = 1u << 10;   // a rectangle fill of a bitmap operation
inline constexpr DWORD kStateSourceInverted = 1u << 18;  // sources from the halftone callback are negative
inline constexpr DWORD kStateRopChosen = 1u << 19;       // the caller already set the raster operation
// Bit 20: "inside a bitmap hook" and "try a complex clip as a clip path". The graphics-state
// reset and every path hook set it before their clip set-up; the bitmap hooks set it on entry and
// clear it on return; the clip walker clears it for the rest of a hook once a clip path fails.
// So a complex clip is tried as a clip path once per hook, and after a bitmap hook has returned
// the next clip set-up goes straight to rectangles until a path hook or a reset sets it again.
inline constexpr DWORD kStateInBitmapHook = 1u << 20;
inline constexpr DWORD kStateClipPathAttempt = kStateInBitmapHook;
inline constexpr DWORD kStateDoubledOutput = 1u << 21;   // 200/300 dpi jobs written in doubled units
inline constexpr DWORD kStateVectorPathOpen = 1u << 22;  // "NP;" written, the path still owes its paint
inline constexpr DWORD kStateFontStarted = 1u << 23;     // the current downloaded font is defined on this page
// Bit 28: "a pattern-only fill is running" and "store the clip rectangle as the page clip". The
// stroke and fill hooks set it (with bit 29) so the clip walker keeps a rectangular clip as the
// page clip instead of sending it; a pattern-only DrvBitBlt sets it for its fill, so the walker
// keeps each clip rectangle the same way and the fill is cut to the piece itself.
inline constexpr DWORD kStatePatternOnlyFill = 1u << 28;
inline constexpr DWORD kStateStorePageClip = kStatePatternOnlyFill;
inline constexpr DWORD kStateKeepPageClip = 1u << 29;  // ... and do not write the page rectangle
inline constexpr DWORD kStateBandOffset = 1u << 31;    // banding: path points are moved by the band offset
// Text output: the size values went out exchanged (vertical form), must go out again, device
// text is being positioned (cleared when a glyph of the run goes out downloaded), a horizontal
// Shift-JIS face is selected.
inline constexpr DWORD kStateSizesExchanged = 1u << 14;
inline constexpr DWORD kStateSizesOwed = 1u << 15;
inline constexpr DWORD kStateDevicePositioning = 1u << 16;
inline constexpr DWORD kStateHorizontalShiftJis = 1u << 17;

// ---- Pending flags (PrinterPdev::pending) ----
inline constexpr DWORD kPendingJobHeader = 1u << 0;    // job header not yet written
inline constexpr DWORD kPendingPageStart = 1u << 1;    // page set-up not yet written
inline constexpr DWORD kJobStarted = 1u << 2;          // job header written, trailer owed
inline constexpr DWORD kPageOpen = 1u << 3;            // between DrvStartPage and the page end
inline constexpr DWORD kPendingExtraSheet = 1u << 4;   // DrvResetPDEV changed the set-up mid-sheet
inline constexpr DWORD kBufferHoldsData = 1u << 5;     // the output buffer is not empty
inline constexpr DWORD kPageOutputWritten = 1u << 6;   // bytes went out on this page
inline constexpr DWORD kSettingsFromEscape = 1u << 7;  // settings replaced by escape 9999
inline constexpr DWORD kOwnerFromEscape = 1u << 8;     // owner record given by escape 9998
inline constexpr DWORD kJobOutputWritten = 1u << 9;    // bytes went out in this job

// ---- Allocation list ----
// A head cell holding the first block; each block is a link word (padded to keep the body
// aligned) followed by the zeroed body the caller gets. New blocks go to the front.
struct PdevAllocationList {
    void* first;
};

PdevAllocationList* CreatePdevAllocationList();
void* PdevAlloc(PdevAllocationList* list, size_t bytes);  // zeroed; null when out of memory
// A block whose bytes are left as they come (for work areas written before they are read).
void* PdevAllocUnfilled(PdevAllocationList* list, size_t bytes);
void PdevFree(PdevAllocationList* list, void* body);  // a body not on the list is ignored
// Frees every listed body in one walk of the list (PdevFree walks it once per body); bodies not
// on the list are ignored.
void PdevFreeMany(PdevAllocationList* list, const std::vector<void*>& bodies);
void FreePdevAllocationList(PdevAllocationList* list);  // every block, then the head cell
size_t PdevAllocationCount(const PdevAllocationList* list);

// ---- Output buffer ----
inline constexpr DWORD kOutputBufferCapacity = 4096;
// Pieces this long or longer that would overflow the buffer go straight to the spooler.
inline constexpr DWORD kDirectWriteThreshold = 1025;

struct OutputSpoolBuffer {
    DWORD capacity;  // always kOutputBufferCapacity
    BYTE* writePointer;
    DWORD count;
    BYTE data[kOutputBufferCapacity];
};

// ---- Temporary files of a job ----
inline constexpr size_t kWorkFileNameChars = MAX_PATH;

// Job spool and job header files (several trust-marking outputs of one job, Japanese build).
struct JobSpoolFiles {
    HANDLE spoolFile;
    HANDLE headerFile;
    DWORD spoolByteCount;                  // bytes written to the spool file in this job
    DWORD headerCounter;                   // +5 per paper record, -1 per section offset
    DWORD sectionCount;                    // 1 at the start of a job
    LONG outputCount;                      // number of trust-marking outputs; 0 or 1 is one output
    WCHAR spoolName[kWorkFileNameChars];   // "0" while there is no file
    WCHAR headerName[kWorkFileNameChars];  // "0" while there is no file
};

// Store file: the job kept for the copies the driver makes itself.
struct StoreFile {
    DWORD storeFlag;   // 1: this job is kept for driver-made copies
    DWORD writeError;  // a write to the store file failed: no replay
    LONG copies;       // copies of the job, as decided at its start (1 to 999)
    HANDLE handle;
    WCHAR name[kWorkFileNameChars];
};

// Trust-marking state (used by the Japanese build only).
struct TrustMarkState {
    // The mark image description: its size as the library answered for the KMW file.
    struct {
        LONG width;
        LONG height;
    } markImage;
    DWORD suppressOutput;  // 1: the job must not print (hidden-printing clash)
    DWORD available;
    WCHAR kmwName[128];  // name of the KMW file, "0" while there is none
    DWORD noKmwFile;     // 1 while no KMW file exists
};

// ---- Job identity, stamp and owner data ----
inline constexpr size_t kDocumentNameChars = 65;
struct JobIdentity {
    WCHAR documentName[kDocumentNameChars];  // its ANSI form takes at most 64 bytes
    DWORD jobId;
    DWORD dcHandleValue;  // value of escape 9006
};

// ---- Device fonts ----
struct DeviceFontState {
    BYTE count;           // 29, or 0 in raster mode and in the English build
    void** records;       // count + 1 entries from the list, the last one null
    BOOL mappedShiftJis;  // the TrueType font last mapped to a device font is SHIFTJIS
};

// ---- Band record (one per PDEV) ----
struct BandRecord {
    BYTE flags;              // bit 0 halftone callback running, bit 1 nested use allowed
    BYTE maxPaletteEntries;  // of a directly printable source: 2
    BYTE firstFormat;        // accepted source formats: 1 bit per pixel, 255 none
    BYTE secondFormat;
    DWORD invertMask;
    BYTE colourCodes[2];  // of the last accepted source, 255 = none yet
    BYTE* rowBuffer;      // from the PDEV's list
    DWORD rowBufferSize;
    BYTE colourAdjustment[24];  // the device context's default COLORADJUSTMENT
};

// ---- Zoom stretch ----
// While an outer hook lets the engine stretch a source into the band, the nested DrvCopyBits
// calls take its clip and do not scale again.
struct ZoomStretchState {
    BOOL running;
    CLIPOBJ* clip;
    POINTL about;  // the point the target was shrunk towards; clip pieces shrink the same way
};

// ---- Job flow state (what a job start remembers for the pages after it) ----
struct JobFlowState {
    LONG jobStartShift[4];  // print shifts at the job start
    SHORT jobStartOrientation;
    SHORT documentTray;  // dmDefaultSource of the document, saved at the job start
    LONG bandIndex;      // band of the page being drawn, -1 outside a page
    BOOL inDocument;     // between DrvStartDoc and DrvEndDoc (carried by DrvResetPDEV)
    LONG pageNumber;     // pages started in this job (1 on the first page)
};

// ---- The device context ----
struct PrinterPdev {
    DWORD leadingMagic;
    PdevAllocationList* allocationList;
    HANDLE printer;
    HDEV engineDevice;
    HSURF surface;
    HMODULE module;
    const orla::CompiledDeviceData* deviceData;

    PdevSettings settings;  // render/page_settings.h
    OutputSpoolBuffer output;
    PageGeometry geometry;     // render/page_settings.h
    PageSetupCache pageSetup;  // render/page_settings.h

    DWORD state;
    DWORD pending;

    DeviceFontState fonts;
    HPALETTE palette;
    BandRecord* bandRecord;
    ZoomStretchState zoomStretch;
    BOOL surfaceIsBand;  // the surface is the 1-bit banding bitmap (raster mode)

    JobFlowState flow;

    JobIdentity job;
    TrustMarkState trustMark;
    JobSpoolFiles jobSpool;
    StoreFile store;
    ColourAdjustState colour;     // render/page_settings.h
    GraphicsStateCache graphics;  // render/graphics_state.h
    DownloadCache downloadCache;  // render/glyph_cache.h
    PathState path;               // render/path_output.h
    TextOutputState text;         // render/text_state.h
    EscapeState escapes;          // render/escape_state.h
    KweState kwe;                 // render/kwe_state.h

    DWORD trailingMagic;
};

// A block of the PDEV's allocation list, given back at the end of the scope.
struct PdevScratch {
    PrinterPdev* pdev;
    void* body;
    PdevScratch(PrinterPdev* p, size_t bytes) : pdev(p), body(PdevAlloc(p->allocationList, bytes)) {}
    ~PdevScratch() {
        if (body != nullptr) PdevFree(pdev->allocationList, body);
    }
    PdevScratch(const PdevScratch&) = delete;
    PdevScratch& operator=(const PdevScratch&) = delete;
    template <class T>
    T* as() const {
        return static_cast<T*>(body);
    }
};

// A write failed: every later write and hook fails.
inline bool OutputFailed(const PrinterPdev* pdev) {
    return (pdev->state & kStateOutputFailed) != 0;
}
// 200 and 300 dpi jobs go out in doubled units (400 and 600 dpi).
inline bool DoubledOutput(const PrinterPdev* pdev) {
    return (pdev->state & kStateDoubledOutput) != 0;
}

// TRUE when the pointer is not null and both magic dwords hold "KQ4T".
BOOL ValidatePdev(const PrinterPdev* pdev);

// Record creation and release shared by DrvEnablePDEV failures and DrvDisablePDEV.
void FreePdev(PrinterPdev* pdev);

// ---- Process-wide state of the graphics DLL ----
// The module handle (recorded by DllEntryPoint, null before).
HMODULE GraphicsModuleHandle();
void SetGraphicsModuleHandle(HMODULE module);
// The glyph sets (global memory): the ANSI set made by DrvEnableDriver and the Shift-JIS set made
// on first use by the device-font code; both freed by DrvDisableDriver.
void* AnsiGlyphSet();
void*& AnsiGlyphSetHolder();
void*& ShiftJisGlyphSetHolder();

// ---- Job flow (render/job_flow.cpp) ----
// The lazy start: job header, cover sheet and page set-up, as far as they are owed.
BOOL FlushPendingStart(PrinterPdev* pdev);
// Its form for DrvEscape: without the sheet-tray ranges and the turned-mode checks.
BOOL FlushPendingStartForEscape(PrinterPdev* pdev);
// Fills `next` from the settings and tells whether it differs from `last`.
BOOL PageSetupChanged(PrinterPdev* pdev, const PageSetupRecord* last, PageSetupRecord* next);
// Page number about to start and the ends of the first-sheet and second-sheet tray ranges.
void SheetTrayRange(const PrinterPdev* pdev, LONG* pageNumber, LONG* firstEnd, LONG* secondEnd);
// Ends the current sheet (nothing for a blank sheet).
BOOL EndPageOnSheet(PrinterPdev* pdev);
// Keeps the document name: characters while their ANSI bytes total at most 64.
void KeepDocumentName(PrinterPdev* pdev, LPCWSTR name);
