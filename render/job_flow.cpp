// The document and page machine: DrvStartDoc, DrvStartPage, the banding loop, DrvSendPage,
// DrvEndDoc and DrvResetPDEV, and the lazy start that writes the job header and the page set-up
// on the first output of a job (nothing reaches the spooler for a job that is never drawn).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/ansi_text.h"
#include "core/driver_devmode.h"
#include "render/driver_log.h"
#include "render/glyph_cache.h"
#include "render/kwe_marks.h"
#include "render/output_writer.h"
#include "render/path_output.h"
#include "render/pdev.h"
#include "render/pjl_header.h"
#include "render/raster_output.h"
#include "render/stamp_drawing.h"
#include "render/turned_band.h"
#include "win/ddi.h"
#include "win/gdi.h"
#include "win/nls.h"

namespace {

using orla::Get;
using orla::Set;
namespace dm = orla::dm;

constexpr DWORD kStateJobResetClear = (1u << 9) | (1u << 10) | (1u << 11) | (1u << 21) | (1u << 24);
constexpr DWORD kStateJobResetSet = 1u << 20;
constexpr size_t kDocumentNameBytes = 64;
// Print shifts closer than this are kept from the page before.
constexpr LONG kShiftKeepLimit = 11;

PrinterPdev* PdevOfSurface(SURFOBJ* pso) {
    return pso != nullptr ? reinterpret_cast<PrinterPdev*>(pso->dhpdev) : nullptr;
}

// The common check of the job hooks: a live record whose output has not failed.
PrinterPdev* JobHookPdev(SURFOBJ* pso) {
    PrinterPdev* pdev = PdevOfSurface(pso);
    if (!ValidatePdev(pdev)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return pdev;
}

LONG LayoutMode(const PrinterPdev* pdev) {
    return Get(pdev->settings.record, dm::LayoutMode);
}

void ResetBlankSheet(PrinterPdev* pdev) {
    pdev->pageSetup.blankSheet = pdev->pageSetup.blankSheetReset;
}

// The printer forgets its current position and clip at a page end: the next page's first image
// or clip must name them again, even when they equal the last page's.
void ForgetPagePosition(PrinterPdev* pdev) {
    pdev->graphics.positionKnown = FALSE;
    pdev->graphics.clipSent = RECTL{0, 0, 0, 0};
}

LONG PrintableWidth(const PrinterPdev* pdev) {
    return pdev->geometry.printable.right - pdev->geometry.printable.left;
}
LONG PrintableHeight(const PrinterPdev* pdev) {
    return pdev->geometry.printable.bottom - pdev->geometry.printable.top;
}

// Sheet trays: the tray of the page about to start (first-sheet, second-sheet or the document's).
void ApplySheetTrays(PrinterPdev* pdev) {
    const SheetSettings& sheet = pdev->settings.sheet;
    if (sheet.sheetTraysOn == 0 || (sheet.firstTrayOwn == 0 && sheet.secondTrayOwn == 0)) return;
    LONG page = 0, firstEnd = 0, secondEnd = 0;
    SheetTrayRange(pdev, &page, &firstEnd, &secondEnd);
    LONG tray = pdev->flow.documentTray;
    if (page <= firstEnd) {
        tray = static_cast<LONG>(sheet.firstSheetTray);
    } else if (page <= secondEnd && sheet.secondTrayOwn != 0) {
        tray = static_cast<LONG>(sheet.secondSheetTray);
    }
    Set(pdev->settings.record, dm::DefaultSource, static_cast<SHORT>(tray));
}

BOOL WriteJobStart(PrinterPdev* pdev) {
    BOOL ok = WritePjlJobHeader(pdev);
    pdev->pending &= ~kPendingJobHeader;
    pdev->pending |= kJobStarted;
    std::copy(std::begin(pdev->geometry.printShift), std::end(pdev->geometry.printShift), pdev->flow.jobStartShift);
    pdev->flow.jobStartOrientation = Get(pdev->settings.record, dm::Orientation);
    pdev->flow.documentTray = Get(pdev->settings.record, dm::DefaultSource);
    if (pdev->settings.sheet.frontCoverOn != 0) {
        ok = WriteCommand(pdev, "\x1c'S.") && ok;
        ok = WriteExtraSheetSetup(pdev, static_cast<LONG>(pdev->settings.sheet.frontCoverTray)) && ok;
        ok = WriteCommand(pdev, "\r\x0c") && ok;
        pdev->pageSetup.paperSourceUnknown = 1;
    }
    return ok;
}

BOOL WritePendingPageStart(PrinterPdev* pdev, bool forEscape) {
    BOOL ok = TRUE;
    if (!forEscape) ApplySheetTrays(pdev);
    PageSetupCache& cache = pdev->pageSetup;
    BOOL changed = PageSetupChanged(pdev, &cache.last, &cache.next);
    if (!forEscape && (pdev->pending & kPendingExtraSheet) != 0 && cache.cellCounter != 0) {
        // The settings changed in the middle of a sheet: that sheet ends before this page.
        ok = EnterModeZ(pdev) && ok;
        ok = WriteCommand(pdev, "\r\x0c") && ok;
        ForgetPagePosition(pdev);
        cache.cellCounter = 0;
        cache.pageEnds += 1;
        ok = FlushSpool(pdev) && ok;
        ResetBlankSheet(pdev);
        changed = TRUE;
    }
    if (!forEscape) pdev->pending &= ~kPendingExtraSheet;
    if (changed) {
        ok = WritePageStart(pdev) && ok;
        // The printer forgets its graphics state at a new page set-up.
        ResetGraphicsStateCache(pdev);
        ResetVectorState(pdev);
        // Trust marking: the mark layer belongs to the page set-up, and the printer keeps it for
        // the pages that follow under the same set-up.
        if constexpr (orla::kJapaneseBuild) ok = WritePageTrustMark(pdev) && ok;
    }
    pdev->pending &= ~kPendingPageStart;
    cache.last = cache.next;
    return ok;
}

BOOL RunPendingStart(PrinterPdev* pdev, bool forEscape) {
    if (OutputFailed(pdev)) return FALSE;
    BOOL ok = TRUE;
    if ((pdev->pending & kPendingJobHeader) != 0) ok = WriteJobStart(pdev) && ok;
    if ((pdev->pending & kPendingPageStart) != 0) ok = WritePendingPageStart(pdev, forEscape) && ok;
    return ok && !OutputFailed(pdev);
}

// What DrvEndDoc leaves for the next job, and what DrvStartDoc puts right after a failed job.
void ResetForNextJob(PrinterPdev* pdev) {
    ResetGraphicsStateCache(pdev);
    ResetVectorState(pdev);
    EndJobDownloadCache(pdev);
    pdev->state &= ~kStateJobResetClear;
    pdev->state |= kStateJobResetSet;
    ComputeBandClips(pdev);
    ResetPageSetupCache(&pdev->pageSetup);
    pdev->pageSetup.pageEnds = 0;
    pdev->pageSetup.printedPages = 0;
    pdev->pageSetup.cellCounter = 0;
    pdev->pending = kPendingJobHeader;
    ResetBlankSheet(pdev);
    pdev->flow.bandIndex = -1;
    pdev->flow.pageNumber = 0;
}

// Throws away what a job left behind: buffered bytes and its temporary files.
void DiscardJobOutput(PrinterPdev* pdev) {
    pdev->output.count = 0;
    pdev->output.writePointer = pdev->output.data;
    pdev->pending &= ~kBufferHoldsData;
    DeleteStoreFile(pdev);
    DeleteJobSpoolFiles(pdev);
}

// The frame of the layout cell, before the page or cell ends, on pages that had output.
BOOL DrawFrameOfPage(PrinterPdev* pdev) {
    if (pdev->pageSetup.blankSheet != 0) return TRUE;
    WORD kind = Get(pdev->settings.record, dm::FrameKind);
    if (kind < 1 || kind > 4) return TRUE;
    BOOL ok = EnterModeY(pdev);
    return DrawLayoutFrame(pdev) && ok;
}

// A zoom below 100: the engine shrinks the band into a bitmap of its own (black wins over
// white), and that bitmap goes out at the zoomed position.
BOOL SendShrunkBand(PrinterPdev* pdev, SURFOBJ* pso, POINTL origin, LONG maxRows) {
    const WORD zoom = pdev->geometry.zoom;
    SIZEL size{std::max<LONG>(1, static_cast<LONG>(static_cast<int64_t>(pso->sizlBitmap.cx) * zoom / 100)),
               std::max<LONG>(1, static_cast<LONG>(static_cast<int64_t>(pso->sizlBitmap.cy) * zoom / 100))};
    LONG rowBytes = ((size.cx + 31) / 8) & ~3;
    HBITMAP bitmap = EngCreateBitmap(size, rowBytes, BMF_1BPP, BMF_TOPDOWN, nullptr);
    if (bitmap == nullptr) {
        DriverLog("DrvNextBand: no memory for the shrunk band");
        return FALSE;
    }
    HSURF surface = reinterpret_cast<HSURF>(bitmap);
    SURFOBJ* shrunk = EngLockSurface(surface);
    BOOL ok = shrunk != nullptr && shrunk->pvScan0 != nullptr && shrunk->lDelta == rowBytes;
    if (ok) {
        RECTL whole{0, 0, size.cx, size.cy};
        RECTL source{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
        // White to the end of every scan line: the padding after the last pixel too.
        std::memset(shrunk->pvScan0, 0xFF, static_cast<size_t>(shrunk->lDelta) * static_cast<size_t>(size.cy));
        ok = EngStretchBlt(shrunk, pso, nullptr, nullptr, nullptr, nullptr, nullptr, &whole, &source, nullptr,
                           BLACKONWHITE);
        if (!ok) DriverLog("DrvNextBand: the band could not be shrunk");
    }
    if (ok) {
        POINTL at{static_cast<LONG>(static_cast<int64_t>(origin.x) * zoom / 100),
                  static_cast<LONG>(static_cast<int64_t>(origin.y) * zoom / 100)};
        ok = SendBandBits(pdev, static_cast<BYTE*>(shrunk->pvScan0), size.cx, size.cy, shrunk->lDelta, at, maxRows);
    }
    if (shrunk != nullptr) EngUnlockSurface(shrunk);
    EngDeleteSurface(surface);
    return ok;
}

// Sends the banding bitmap: its non-white rows as images of at most one inch of rows each.
BOOL SendBand(PrinterPdev* pdev, SURFOBJ* pso, POINTL origin) {
    if (pso->pvScan0 == nullptr || pso->lDelta <= 0 || pso->sizlBitmap.cx <= 0 || pso->sizlBitmap.cy <= 0) return TRUE;
    // The rows must lie inside the bitmap's bytes.
    if (pso->pvBits != nullptr && pso->cjBits != 0 &&
        static_cast<uint64_t>(pso->lDelta) * static_cast<uint64_t>(pso->sizlBitmap.cy) > pso->cjBits) {
        DriverLog("DrvNextBand: band bitmap smaller than its rows");
        return FALSE;
    }
    LONG maxRows = std::max<LONG>(pdev->geometry.resolution, 1);
    if (pdev->geometry.zoom != 0 && pdev->geometry.zoom < 100) return SendShrunkBand(pdev, pso, origin, maxRows);
    return SendBandBits(pdev, static_cast<BYTE*>(pso->pvScan0), pso->sizlBitmap.cx, pso->sizlBitmap.cy, pso->lDelta,
                        origin, maxRows);
}

bool ShiftsDiffer(const LONG (&a)[4], const LONG (&b)[4]) {
    for (int i = 0; i < 4; ++i)
        if (std::labs(a[i] - b[i]) >= kShiftKeepLimit) return true;
    return false;
}

// The layout that escape 9999 gave the old record and that a new DEVMODE must not undo before
// the job has started.
void CarryEscapeLayout(const PrinterPdev* from, PrinterPdev* to) {
    const orla::DriverDevmode& src = from->settings.record;
    orla::DriverDevmode& dst = to->settings.record;
    auto copy = [&](auto field) { Set(dst, field, Get(src, field)); };
    copy(dm::LayoutMode);
    copy(dm::LayoutOrder);
    copy(dm::PrintPosTop);
    copy(dm::PrintPosLeft);
    copy(dm::PrintPosTop2);
    copy(dm::PrintPosLeft2);
    copy(dm::Copies);
}

// The stamps escape 9999 chose (the information stamp with its text, the stamp record) belong to
// the whole job: they stay through every reset of it.
void CarryEscapeStamps(const PrinterPdev* from, PrinterPdev* to) {
    const orla::DriverDevmode& src = from->settings.record;
    orla::DriverDevmode& dst = to->settings.record;
    auto copy = [&](auto field) { Set(dst, field, Get(src, field)); };
    copy(dm::AnnotationOn);
    copy(dm::AnnotationKind);
    copy(dm::AnnotationPosition);
    copy(dm::StampNumber);
    copy(dm::StampDrawFlag);
    copy(dm::StampEditState);
    copy(dm::FavouriteStampOn);
    orla::SetText(dst, dm::AnnotationText, orla::GetText(src, dm::AnnotationText));
    std::memcpy(orla::RecordBytes(dst).data() + dm::StampRecord.offset,
                orla::RecordBytes(src).data() + dm::StampRecord.offset, dm::StampRecord.cb);
    to->settings.pageStamp = from->settings.pageStamp;
}

// Several pages a sheet: the page about to start takes its sheet tray in the new settings before
// they are compared with the sheet's set-up; a new paper, orientation or tray ends the sheet.
// The job's counters must already be in the new record. TRUE when the sheet goes on.
bool SheetGoesOnAfterReset(PrinterPdev* from, PrinterPdev* to) {
    if (LayoutCellsOf(LayoutMode(to)) <= 1 || from->pageSetup.cellCounter == 0) return false;
    ApplySheetTrays(to);
    PageSetupRecord next{};
    FillPageSetupRecord(to, &next);
    const PageSetupRecord& last = from->pageSetup.last;
    const bool differs =
        last.paperCode != next.paperCode || last.orientation != next.orientation || last.tray != next.tray;
    if (differs) {
        from->pending |= kPendingExtraSheet;
        return false;
    }
    from->pending &= ~kPendingExtraSheet;
    return true;
}

}  // namespace

// ---- Lazy start ----

BOOL FlushPendingStart(PrinterPdev* pdev) {
    return RunPendingStart(pdev, false);
}

BOOL FlushPendingStartForEscape(PrinterPdev* pdev) {
    return RunPendingStart(pdev, true);
}

BOOL PageSetupChanged(PrinterPdev* pdev, const PageSetupRecord* last, PageSetupRecord* next) {
    FillPageSetupRecord(pdev, next);
    return last->paperCode != next->paperCode || last->paperWidth != next->paperWidth ||
           last->paperLength != next->paperLength || last->orientation != next->orientation ||
           last->tray != next->tray || last->duplex != next->duplex || last->binding != next->binding ||
           last->rasterMode != next->rasterMode || last->layout != next->layout ||
           last->resolution != next->resolution || last->overlayOn != next->overlayOn ||
           std::strncmp(last->overlayName, next->overlayName, sizeof last->overlayName) != 0;
}

void SheetTrayRange(const PrinterPdev* pdev, LONG* pageNumber, LONG* firstEnd, LONG* secondEnd) {
    LONG first = 1, second = 2;
    if (Get(pdev->settings.record, dm::Duplex) != DMDUP_SIMPLEX) {
        if ((Get(pdev->settings.record, dm::Flags1) & orla::kFlags1BindingBack) != 0) {
            first = 1, second = 3;
        } else {
            first = 2, second = 4;
        }
    }
    SHORT paper = pdev->geometry.logicalPaper.code;
    if (paper == PaperA4x2ToA4 || paper == PaperB5x2ToB5) first *= 2, second *= 2;
    *pageNumber = static_cast<LONG>(pdev->pageSetup.pageEnds) + 1;
    *firstEnd = first;
    *secondEnd = second;
}

BOOL EndPageOnSheet(PrinterPdev* pdev) {
    BOOL ok = EnterModeZ(pdev);
    if (pdev->pageSetup.blankSheet != 0) return ok;  // a blank sheet is dropped
    ok = WriteCommand(pdev, "\r\x0c") && ok;
    ForgetPagePosition(pdev);
    pdev->pageSetup.cellCounter = 0;
    pdev->pageSetup.pageEnds += 1;
    ok = FlushSpool(pdev) && ok;
    ResetBlankSheet(pdev);
    return ok;
}

void KeepDocumentName(PrinterPdev* pdev, LPCWSTR name) {
    WCHAR* out = pdev->job.documentName;
    size_t taken = 0, bytes = 0;
    for (; name != nullptr && name[taken] != 0 && taken + 1 < kDocumentNameChars; ++taken) {
        char ansi[8];
        size_t units = 1;
        int n = orla::AnsiCharacter(std::u16string_view(name + taken, 1), 0, ansi, &units);
        if (n <= 0) n = 1;
        if (bytes + static_cast<size_t>(n) > kDocumentNameBytes) break;
        bytes += static_cast<size_t>(n);
        out[taken] = name[taken];
    }
    std::fill(out + taken, out + kDocumentNameChars, WCHAR{0});
}

// ---- Hooks ----

DLLEXPORT BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId) {
    PrinterPdev* pdev = JobHookPdev(pso);
    if (pdev == nullptr) return FALSE;
    // A new job starts clean: a failure of the job before must not refuse this one. After
    // DrvResetPDEV in the middle of a document the job goes on, with its state and its latch.
    if (!pdev->flow.inDocument) {
        if ((pdev->state & kStateOutputFailed) != 0 || (pdev->pending & kPendingJobHeader) == 0) {
            DiscardJobOutput(pdev);
            ResetForNextJob(pdev);
        }
        pdev->state &= ~kStateOutputFailed;
    }
    pdev->flow.inDocument = TRUE;
    if (OutputFailed(pdev)) return FALSE;
    pdev->job.jobId = dwJobId;
    if ((pdev->pending & kPendingJobHeader) != 0 && (pdev->pending & kSettingsFromEscape) == 0) RecomputeLayout(pdev);
    ComputePrintShifts(pdev);
    KeepDocumentName(pdev, pwszDocName);
    if (PrepareColourAdjust(&pdev->colour.context, &pdev->colour.settings) < 0) {
        DriverLog("DrvStartDoc: colour adjustment could not be prepared");
        return FALSE;
    }
    if (orla::kJapaneseBuild && pdev->jobSpool.outputCount >= 2) {
        DWORD record = MakePaperRecord(pdev->geometry.outputPaper.code, Get(pdev->settings.record, dm::Orientation));
        return OpenJobSpoolFiles(pdev, record);
    }
    return OpenStoreFile(pdev);
}

DLLEXPORT BOOL DrvStartPage(SURFOBJ* pso) {
    PrinterPdev* pdev = JobHookPdev(pso);
    if (pdev == nullptr || OutputFailed(pdev)) return FALSE;
    pdev->pending |= kPendingPageStart;
    if ((pdev->state & kStateRasterMode) != 0 && pdev->surfaceIsBand) {
        RECTL whole{0, 0, (PrintableWidth(pdev) + 31) & ~31, PrintableHeight(pdev)};
        EngEraseSurface(pso, &whole, 0xFFFFFF);
    }
    pdev->pending &= ~kPageOutputWritten;
    pdev->pending |= kPageOpen;
    pdev->flow.pageNumber += 1;
    if constexpr (!orla::kJapaneseBuild) {
        // This build writes the job header and the page set-up at the page start itself.
        return FlushPendingStart(pdev);
    }
    return TRUE;
}

DLLEXPORT BOOL DrvStartBanding(SURFOBJ* pso, POINTL* pptl) {
    PrinterPdev* pdev = JobHookPdev(pso);
    if (pdev == nullptr || pptl == nullptr) {
        if (pdev != nullptr) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (OutputFailed(pdev)) return FALSE;
    pptl->x = 0;
    pptl->y = 0;
    pdev->flow.bandIndex = 0;
    if (pso->pvBits != nullptr && pso->cjBits != 0) std::memset(pso->pvBits, 0xFF, pso->cjBits);
    return TRUE;
}

// The end of one page: its frame, then either the end of the sheet (one page a sheet, or the
// last cell filled) or the next cell of the sheet. A blank page takes no cell.
static BOOL FinishPageOnSheet(PrinterPdev* pdev) {
    PageSetupCache& cache = pdev->pageSetup;
    DWORD cells = LayoutCellsOf(LayoutMode(pdev));
    BOOL ok = DrawFrameOfPage(pdev);
    EndPageDownloadCache(pdev);
    if (cells <= 1 || (cache.cellCounter + 1) % cells == 0) {
        if (cache.blankSheet == 0) cache.printedPages += 1;
        if ((pdev->pending & kPageOpen) != 0) {
            ok = EndPageOnSheet(pdev) && ok;
            pdev->pending &= ~kPageOpen;
        }
    } else if (cache.blankSheet == 0) {
        cache.printedPages += 1;
        cache.cellCounter += 1;
        ResetBlankSheet(pdev);
    }
    return ok;
}

DLLEXPORT BOOL DrvNextBand(SURFOBJ* pso, POINTL* pptl) {
    PrinterPdev* pdev = JobHookPdev(pso);
    if (pdev == nullptr || pptl == nullptr) {
        if (pdev != nullptr) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!FlushPendingStart(pdev)) return FALSE;
    // The banding bitmap covers the whole printable area: one band a page.
    BOOL ok = TRUE;
    if (pdev->surfaceIsBand && (pdev->pending & kPageOpen) != 0) {
        DrawBandStamps(pdev, pso);
        ok = SendBand(pdev, pso, POINTL{0, 0});
    }
    pdev->flow.bandIndex += 1;
    pptl->x = -1;
    pptl->y = -1;
    // GDI sends no DrvSendPage for a banding surface: the last band ends the page, and with
    // several pages a sheet the page takes its cell as it would there.
    if ((pdev->pending & kPageOpen) != 0) ok = FinishPageOnSheet(pdev) && ok;
    return ok && !OutputFailed(pdev);
}

DLLEXPORT BOOL DrvSendPage(SURFOBJ* pso) {
    PrinterPdev* pdev = JobHookPdev(pso);
    if (pdev == nullptr) return FALSE;
    if (!FlushPendingStart(pdev)) return FALSE;
    BOOL ok = FinishPageOnSheet(pdev);
    pdev->pending &= ~kPageOutputWritten;
    return ok && !OutputFailed(pdev);
}

DLLEXPORT BOOL DrvEndDoc(SURFOBJ* pso, FLONG fl) {
    PrinterPdev* pdev = JobHookPdev(pso);
    if (pdev == nullptr) return FALSE;
    BOOL ok = !OutputFailed(pdev);
    if (ok && (pdev->pending & kJobStarted) != 0) {
        ok = WritePjlJobEnd(pdev);
        pdev->pending &= ~kJobStarted;
    }
    if (ok) ok = FlushSpool(pdev);
    if (orla::kJapaneseBuild && pdev->jobSpool.outputCount >= 2 && pdev->jobSpool.spoolFile != nullptr) {
        // Every output of the job, each with its own marks.
        ok = ok && SendTrustMarkOutputs(pdev);
    } else if (ok) {
        ok = ReplayStoreFile(pdev);
    }
    if (ok && OutputSuppressed(pdev)) {
        // Hidden printing clashed with the job's settings: nothing was printed, and the job must
        // not be taken for printed.
        DriverLog("DrvEndDoc: hidden printing clashes with the job's settings; nothing was printed");
        ok = FALSE;
    }
    if (!ok) DriverLog("DrvEndDoc: job %lu failed", static_cast<unsigned long>(pdev->job.jobId));
    DiscardJobOutput(pdev);
    ResetForNextJob(pdev);
    pdev->flow.inDocument = FALSE;
    return ok && !OutputFailed(pdev);
}

DLLEXPORT BOOL DrvResetPDEV(DHPDEV dhpdevOld, DHPDEV dhpdevNew) {
    PrinterPdev* from = reinterpret_cast<PrinterPdev*>(dhpdevOld);
    PrinterPdev* to = reinterpret_cast<PrinterPdev*>(dhpdevNew);
    if (!ValidatePdev(from) || !ValidatePdev(to)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Bytes still buffered in the old record belong to this job: they go out before it ends.
    FlushSpool(from);

    const bool fromEscape = (from->pending & kSettingsFromEscape) != 0;
    if (fromEscape) CarryEscapeStamps(from, to);
    if ((from->pending & kPendingJobHeader) != 0 && fromEscape) {
        CarryEscapeLayout(from, to);
        RecomputeLayout(to);
        ComputePrintShifts(to);
        ComputeBandClips(to);
    }
    std::memcpy(&to->job, &from->job, sizeof to->job);
    to->colour = from->colour;

    // The job's counters and the document's tray first: the sheet trays count pages with them.
    to->pageSetup = from->pageSetup;
    to->flow = from->flow;
    if (SheetGoesOnAfterReset(from, to))
        std::copy(std::begin(from->geometry.pageRects), std::end(from->geometry.pageRects), to->geometry.pageRects);

    // The job's output state: suppression, job spool files, the store file, the failure latch.
    to->trustMark.suppressOutput = from->trustMark.suppressOutput;
    to->jobSpool = from->jobSpool;
    from->jobSpool.spoolFile = nullptr;
    from->jobSpool.headerFile = nullptr;
    from->jobSpool.spoolName[0] = u'0', from->jobSpool.spoolName[1] = 0;
    from->jobSpool.headerName[0] = u'0', from->jobSpool.headerName[1] = 0;
    if (orla::kJapaneseBuild && to->jobSpool.outputCount >= 2 && from->pageSetup.pageEnds > 0) {
        SHORT oldOrientation = Get(from->settings.record, dm::Orientation);
        SHORT newOrientation = Get(to->settings.record, dm::Orientation);
        if (from->geometry.outputPaper.code != to->geometry.outputPaper.code || oldOrientation != newOrientation)
            WriteJobPaperRecord(to, MakePaperRecord(to->geometry.outputPaper.code, newOrientation), TRUE);
    }
    to->store = from->store;
    from->store.handle = nullptr;
    from->store.name[0] = 0;
    from->store.storeFlag = 0;

    to->pending = from->pending;
    to->state = (to->state & ~(kStateModeZ | kStateModeR | kStateOutputFailed)) |
                (from->state & (kStateModeZ | kStateModeR | kStateOutputFailed));
    // What the printer already holds of downloaded glyphs stays valid for the rest of the job.
    CarryDownloadCache(from, to);

    bool duplexChanged = Get(from->settings.record, dm::Duplex) != Get(to->settings.record, dm::Duplex);
    if (!duplexChanged && !ShiftsDiffer(from->geometry.printShift, to->geometry.printShift))
        std::copy(std::begin(from->geometry.printShift), std::end(from->geometry.printShift), to->geometry.printShift);
    return !OutputFailed(to);
}
