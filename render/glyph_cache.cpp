// The glyph download cache's state and its resets (see glyph_cache.h).
#include "render/glyph_cache.h"

#include <algorithm>

#include "core/device_data.h"
#include "render/drawing_hooks.h"
#include "render/output_writer.h"
#include "render/pdev.h"

namespace {

DWORD InitialBudget(const PrinterPdev* pdev) {
    const DWORD memory = pdev->graphics.deviceLimits[0];
    // A device with less memory than one font costs has no room at all (never a wrapped budget).
    return memory > kDownloadFontOverhead ? memory - kDownloadFontOverhead : 0;
}

}  // namespace

BOOL DownloadsInUse(const PrinterPdev* pdev) {
    if (pdev == nullptr || pdev->deviceData == nullptr) return FALSE;
    const bool flag = (orla::DeviceDataField(pdev->deviceData, orla::dd::kFlags) & 0x01) != 0;
    return flag && pdev->geometry.resolution != 240;
}

void FreeDownloadCache(PrinterPdev* pdev) {
    DownloadCache& c = pdev->downloadCache;
    // Every entry goes in one walk of the allocation list: freed one by one, each would search
    // the list from its start, and a full cache holds thousands of them.
    std::vector<void*> entries;
    for (DownloadFontEntry*& head : c.heads) {
        for (DownloadFontEntry* e = head; e != nullptr; e = e->next) entries.push_back(e);
        head = nullptr;
    }
    PdevFreeMany(pdev->allocationList, entries);
}

BOOL FullResetDownloadCache(PrinterPdev* pdev) {
    FreeDownloadCache(pdev);
    DownloadCache& c = pdev->downloadCache;
    c.budget = InitialBudget(pdev);
    c.exhausted = FALSE;
    c.nextGlyphCode = 0;
    c.fontId = kFirstDownloadFontId;
    c.lastSelectedFont = 0;
    pdev->state &= ~kStateFontStarted;
    return WriteBytes(pdev, {0xBC, 0x21, 0x00, 0x00});
}

BOOL ResetDownloadCacheForPage(PrinterPdev* pdev) {
    if (!DownloadsInUse(pdev)) return TRUE;
    return FullResetDownloadCache(pdev);
}

void EndPageDownloadCache(PrinterPdev* pdev) {
    if (!DownloadsInUse(pdev)) return;
    DownloadCache& c = pdev->downloadCache;
    pdev->state &= ~kStateFontStarted;
    c.budget = c.budget > kDownloadFontOverhead ? c.budget - kDownloadFontOverhead : 0;
    ++c.fontId;
    c.nextGlyphCode = 0;
    // A page that ran out of room makes the next one start empty: its first drawing hook runs
    // the page reset, which drops every downloaded font and restores the budget.
    if (c.exhausted) pdev->graphics.downloadCachePrepared = FALSE;
}

void EndJobDownloadCache(PrinterPdev* pdev) {
    if (!DownloadsInUse(pdev)) return;
    FreeDownloadCache(pdev);
    pdev->downloadCache.budget = InitialBudget(pdev);
}
