// Text through DrvTextOut on a command-mode page of the Japanese graphics DLL: a page of 2,000
// characters of Japanese device text, a page of 2,000 TrueType glyphs downloaded into an empty
// cache and the same page again with every glyph in the cache, and glyph-cache lookups alone.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_sandbox.h"
#include "plat/control.h"
#include "plat/gdi_control.h"
#include "render/command_page_device.h"
#include "render/ddi_hooks.h"
#include "render/drawing_hooks.h"
#include "render/glyph_cache.h"
#include "render/glyph_download.h"
#include "render/pdev.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace {

constexpr int kLines = 40, kPerLine = 50;  // 2,000 characters a page

std::string EnvOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

using Device = render_test::CommandPageDevice;

// The sample printer in a sandbox of its own and a command-mode device context of Quessa.dll.
const Device& Bench() {
    // Removed when the program ends, with the spool file of every page the benchmarks drew.
    static const bench::Sandbox sandbox("orla-bench-text");
    static Device d = [] {
        PlatSetSandboxRoot(sandbox.root().c_str());
        const std::string bin = EnvOr("ORLA_BIN_DIR", ORLA_BENCH_BIN_DIR);
        const std::string source = EnvOr("ORLA_SOURCE_DIR", ORLA_BENCH_SOURCE_DIR);
        return render_test::OpenCommandPageDevice(source + "/resources/models/HV4400KJ.KDD", bin + "/Quessa.dll");
    }();
    return d;
}

// Lines of glyphs as strings: `handles(line, i)` gives each glyph, `pitch` pixels apart.
template <class Handle>
std::vector<STROBJ*> PageStrings(Handle handles, LONG pitch) {
    std::vector<STROBJ*> strings;
    for (int line = 0; line < kLines; ++line) {
        std::vector<HGLYPH> hg;
        std::vector<POINTL> pos;
        for (int i = 0; i < kPerLine; ++i) {
            hg.push_back(handles(line, i));
            pos.push_back(POINTL{300 + pitch * i, 400 + 150 * line});
        }
        PLAT_STRING_SETUP s{kPerLine, hg.data(), pos.data(), nullptr, SO_HORIZONTAL, 0, 0, 932};
        strings.push_back(PlatStringCreate(&s));
    }
    return strings;
}

void DrawPage(const Device& d, FONTOBJ* font, const std::vector<STROBJ*>& strings, BRUSHOBJ* black,
              benchmark::State& state) {
    if (!DrvStartPage(d.surface)) state.SkipWithError("DrvStartPage");
    for (STROBJ* s : strings)
        if (!DrvTextOut(d.surface, s, font, nullptr, nullptr, nullptr, black, nullptr, nullptr, 0x0D0D))
            state.SkipWithError("DrvTextOut");
    if (!DrvSendPage(d.surface)) state.SkipWithError("DrvSendPage");
}

void BM_JapaneseDeviceTextPage(benchmark::State& state) {
    const Device& d = Bench();
    PLAT_FONT_SETUP f{};
    f.iFace = 14;  // Minchou
    f.flFontType = DEVICE_FONTTYPE;
    f.hasXform = TRUE;
    f.xform = XFORML{0.1f, 0, 0, 0.1f, 0, 0};
    FONTOBJ* font = PlatFontCreate(&f);
    // Kanji of the first level, one after another.
    const auto strings =
        PageStrings([](int line, int i) { return HGLYPH(0x889F + ((line * kPerLine + i) % 90)); }, 100);
    BRUSHOBJ* black = PlatBrushCreateSolid(0, 0);
    for (auto _ : state) DrawPage(d, font, strings, black, state);
    state.counters["pages/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * kLines * kPerLine);
    for (STROBJ* s : strings) PlatStringDelete(s);
    PlatBrushDelete(black);
    PlatFontDelete(font);
}
BENCHMARK(BM_JapaneseDeviceTextPage)->Unit(benchmark::kMillisecond);

FONTOBJ* KanjiTrueType() {
    PLAT_TRUETYPE_SETUP s{};
    s.fontFile = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
    s.charSet = SHIFTJIS_CHARSET;
    s.iUniq = 77;
    s.iFile = 77;
    s.xform = XFORML{100.0f / 2048, 0, 0, 100.0f / 2048, 0, 0};
    return PlatTrueTypeFontCreate(&s);
}

// 2,000 different glyphs of IPA Gothic (its kanji lie from glyph 1000 on).
std::vector<STROBJ*> GlyphPage() {
    return PageStrings([](int line, int i) { return HGLYPH(1000 + line * kPerLine + i); }, 100);
}

// Pages of 2,000 downloaded glyphs: each into an empty cache, or all from a full one.
void DownloadedGlyphPages(benchmark::State& state, bool emptyCache) {
    const Device& d = Bench();
    FONTOBJ* font = KanjiTrueType();
    const auto strings = GlyphPage();
    BRUSHOBJ* black = PlatBrushCreateSolid(0, 0);
    PrinterPdev* pdev = d.pdev();
    pdev->graphics.deviceLimits[0] = 64u << 20;
    FullResetDownloadCache(pdev);
    if (!emptyCache) DrawPage(d, font, strings, black, state);  // the first page fills the cache
    for (auto _ : state) {
        state.PauseTiming();
        if (emptyCache) FullResetDownloadCache(pdev);
        const DWORD budget = pdev->downloadCache.budget;
        state.ResumeTiming();
        DrawPage(d, font, strings, black, state);
        // Each definition costs its data and 52 bytes of the printer's memory; a cached glyph nothing.
        const DWORD spent = budget - pdev->downloadCache.budget;
        if (emptyCache ? spent < kLines * kPerLine * 52u : spent > 380u) state.SkipWithError("unexpected definitions");
    }
    state.SetItemsProcessed(state.iterations() * kLines * kPerLine);
    state.counters["pages/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    for (STROBJ* s : strings) PlatStringDelete(s);
    PlatBrushDelete(black);
    PlatTrueTypeFontDelete(font);
}

void BM_DownloadedGlyphsFirstPage(benchmark::State& state) {
    DownloadedGlyphPages(state, true);
}
BENCHMARK(BM_DownloadedGlyphsFirstPage)->Unit(benchmark::kMillisecond);

void BM_DownloadedGlyphsCachedPage(benchmark::State& state) {
    DownloadedGlyphPages(state, false);
}
BENCHMARK(BM_DownloadedGlyphsCachedPage)->Unit(benchmark::kMillisecond);

// The key of a glyph, its bucket and the walk of the chain, for glyphs that are all in the cache.
void BM_GlyphCacheLookup(benchmark::State& state) {
    const Device& d = Bench();
    FONTOBJ* font = KanjiTrueType();
    XFORMOBJ* xo = FONTOBJ_pxoGetXform(font);
    PrinterPdev* pdev = d.pdev();
    pdev->graphics.deviceLimits[0] = 64u << 20;
    FullResetDownloadCache(pdev);
    // 2,000 entries in the 1,999 chains.
    for (WORD code = 0; code < 2000; ++code) {
        auto* e = static_cast<DownloadFontEntry*>(PdevAlloc(pdev->allocationList, sizeof(DownloadFontEntry)));
        BuildDownloadFontKey(pdev, font, xo, code);
        const DownloadFontKey& k = pdev->text.key;
        *e = DownloadFontEntry{k.fontFileId,
                               k.trueTypeId,
                               k.widthMeasure,
                               k.heightMeasure,
                               k.style,
                               k.angle,
                               code,
                               code,
                               0xF000,
                               k.glyphIndex,
                               pdev->downloadCache.heads[HashDownloadFontKey(pdev)]};
        pdev->downloadCache.heads[HashDownloadFontKey(pdev)] = e;
    }
    WORD code = 0;
    size_t found = 0;
    for (auto _ : state) {
        BuildDownloadFontKey(pdev, font, xo, code);
        for (const DownloadFontEntry* e = pdev->downloadCache.heads[HashDownloadFontKey(pdev)]; e; e = e->next)
            if (e->characterCode == code) {
                ++found;
                break;
            }
        code = static_cast<WORD>((code + 1) % 2000);
    }
    if (found != static_cast<size_t>(state.iterations())) state.SkipWithError("a cached glyph was not found");
    state.SetItemsProcessed(state.iterations());
    FreeDownloadCache(pdev);
    PlatTrueTypeFontDelete(font);
}
BENCHMARK(BM_GlyphCacheLookup);

// The reset of a full glyph download cache (every entry freed back to the device context's list),
// as each job end and the page after an exhausted budget run it: 500 to 8,000 glyphs, the sample
// models' memory holding 4,000 to 17,000.
void BM_DownloadCacheReset(benchmark::State& state) {
    const Device& d = Bench();
    PrinterPdev* pdev = d.pdev();
    const auto glyphs = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        // Entries made as downloads make them: each on the list, in its chain by code.
        for (size_t i = 0; i < glyphs; ++i) {
            auto* e = static_cast<DownloadFontEntry*>(PdevAlloc(pdev->allocationList, sizeof(DownloadFontEntry)));
            if (e == nullptr) {
                state.SkipWithError("no memory for an entry");
                return;
            }
            e->characterCode = static_cast<WORD>(i);
            DownloadFontEntry*& head = pdev->downloadCache.heads[i % kDownloadBuckets];
            e->next = head;
            head = e;
        }
        const size_t blocks = PdevAllocationCount(pdev->allocationList);
        state.ResumeTiming();
        FreeDownloadCache(pdev);
        state.PauseTiming();
        if (PdevAllocationCount(pdev->allocationList) != blocks - glyphs) state.SkipWithError("entries left behind");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DownloadCacheReset)->Arg(500)->Arg(2000)->Arg(4000)->Arg(8000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
