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

void CarryDownloadCache(const PrinterPdev* from, PrinterPdev* to) {
    FreeDownloadCache(to);
    const DownloadCache& src = from->downloadCache;
    DownloadCache& dst = to->downloadCache;
    dst.budget = src.budget;
    dst.exhausted = src.exhausted;
    dst.nextGlyphCode = src.nextGlyphCode;
    dst.fontId = src.fontId;
    dst.lastSelectedFont = src.lastSelectedFont;
    dst.lastTextLevel = src.lastTextLevel;
    // The entries live on the old record's list, which goes with it: the new one gets copies,
    // each chain in its order.
    for (ULONG bucket = 0; bucket < kDownloadBuckets; ++bucket) {
        DownloadFontEntry** tail = &dst.heads[bucket];
        for (const DownloadFontEntry* e = src.heads[bucket]; e != nullptr; e = e->next) {
            auto* copy = static_cast<DownloadFontEntry*>(PdevAlloc(to->allocationList, sizeof(DownloadFontEntry)));
            if (copy == nullptr) {
                // Without its entries the cache would define glyphs the printer holds already
                // under other codes: start over, in the printer too, at the next drawing.
                FreeDownloadCache(to);
                dst.exhausted = TRUE;
                to->graphics.downloadCachePrepared = FALSE;
                return;
            }
            *copy = *e;
            copy->next = nullptr;
            *tail = copy;
            tail = &copy->next;
        }
    }
    to->graphics.downloadCachePrepared = from->graphics.downloadCachePrepared;
}
