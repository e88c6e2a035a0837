// The prologue every drawing hook (bitmaps, paths, text) runs before it writes anything.
#include "core/build_variant.h"
#include "render/drawing_hooks.h"
#include "render/glyph_cache.h"
#include "render/output_writer.h"
#include "render/pdev.h"
#include "win/kernel.h"

PrinterPdev* CheckedPdevOfSurface(SURFOBJ* surface) {
    PrinterPdev* pdev = surface != nullptr ? reinterpret_cast<PrinterPdev*>(surface->dhpdev) : nullptr;
    if (!ValidatePdev(pdev)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return pdev;
}

PrinterPdev* DrawingHookPrologue(SURFOBJ* surface) {
    PrinterPdev* pdev = CheckedPdevOfSurface(surface);
    if (pdev == nullptr) return nullptr;
    // The Japanese build starts the job and the page only when something is drawn; the English
    // build has started the page in DrvStartPage already.
    if constexpr (orla::kJapaneseBuild) {
        if (!FlushPendingStart(pdev)) return nullptr;
    }
    if (pdev->state & kStateOutputFailed) return nullptr;
    if (pdev->state & kStateModeR) {
        if (!WriteBytes(pdev, {0x1C, 0x52})) return nullptr;
        pdev->state &= ~kStateModeR;
    }
    if (pdev->state & kStateModeZ) {
        if (!WriteBytes(pdev, {0x1C, 0x59})) return nullptr;
        pdev->state &= ~kStateModeZ;
    }
    // The set-up goes out again only when the job's resolution is not the one last sent.
    if (!WriteVectorModeSetup(pdev)) return nullptr;
    if (!pdev->graphics.downloadCachePrepared) {
        if (!ResetDownloadCacheForPage(pdev)) return nullptr;
        pdev->graphics.downloadCachePrepared = TRUE;
    }
    return pdev;
}
