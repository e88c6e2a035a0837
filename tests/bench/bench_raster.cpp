// Raster output speed: delta-row compression of 600 dpi A4 bands (text-like, blank, noise and
// a halftone-like worst case for the run coder), and a whole page through the band writer with
// the spooler left out. Figures are bytes of band per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/driver_devmode.h"
#include "render/graphics_state.h"
#include "render/pdev.h"
#include "render/raster_output.h"
#include "render/row_compression.h"

namespace {

// 600 dpi A4 printable area: 4760 x 6816 pixels, scan lines of 596 bytes (32-bit aligned).
constexpr long kWidth = 4760;
constexpr long kHeight = 6816;
constexpr long kRowLength = ((kWidth + 31) / 8) & ~3L;
constexpr long kBlockRows = 600;  // one inch of rows, as the band writer cuts them

enum class Content { Text, Blank, Noise, Halftone };

// Printer polarity (1 = black): what the compressor sees after the complement.
std::vector<BYTE> MakeBand(Content content) {
    std::vector<BYTE> band(static_cast<size_t>(kRowLength * kHeight), 0);
    std::mt19937 rng(600);
    switch (content) {
        case Content::Blank:
            break;
        case Content::Noise:
            for (BYTE& b : band) b = static_cast<BYTE>(rng());
            break;
        case Content::Halftone:
            // A 50% grey fill: every row differs from the one above, bytes repeat along the row.
            for (long y = 0; y < kHeight; ++y)
                std::memset(band.data() + y * kRowLength, (y & 1) ? 0xAA : 0x55, static_cast<size_t>(kRowLength));
            break;
        case Content::Text: {
            // Lines of 10-point text: 100-row pitch, 60-row glyph cells with strokes 5 pixels wide,
            // words of 4..9 characters, margins of 300 pixels.
            for (long line = 300; line + 60 < kHeight - 300; line += 100) {
                long x = 300;
                while (x < kWidth - 400) {
                    int chars = 4 + static_cast<int>(rng() % 6);
                    for (int c = 0; c < chars; ++c, x += 42) {
                        unsigned shape = rng();
                        for (long y = 0; y < 60; ++y) {
                            BYTE* row = band.data() + (line + y) * kRowLength;
                            auto ink = [&](long from, long to) {
                                for (long px = from; px < to; ++px) row[px / 8] |= static_cast<BYTE>(0x80 >> (px % 8));
                            };
                            if (shape & 1) ink(x, x + 5);                                      // left stem
                            if (shape & 2) ink(x + 28, x + 33);                                // right stem
                            if ((shape & 4) && (y < 5 || (y > 27 && y < 33))) ink(x, x + 33);  // bars
                            if ((shape & 8) && y > 54) ink(x, x + 33);
                            if ((shape & 16) && y / 2 % 15 == 0) ink(x + 10 + y / 4, x + 16 + y / 4);  // diagonal
                        }
                    }
                    x += 42;  // space
                }
            }
            break;
        }
    }
    return band;
}

void BM_CompressDeltaRow(benchmark::State& state, Content content) {
    std::vector<BYTE> band = MakeBand(content);
    std::vector<BYTE> seed(static_cast<size_t>(kRowLength), 0);
    std::vector<BYTE> area(DeltaRowOutputArea(kBlockRows, static_cast<size_t>(kRowLength)));
    size_t out = 0, failed = 0;
    for (auto _ : state) {
        for (long y = 0; y < kHeight; y += kBlockRows) {
            long rows = std::min(kBlockRows, kHeight - y);
            BYTE* end = CompressDeltaRow(seed.data(), band.data() + y * kRowLength, static_cast<size_t>(rows),
                                         static_cast<size_t>(kRowLength), area.data(), kRowLength);
            if (end == nullptr)
                ++failed;
            else
                out += static_cast<size_t>(end - area.data());
            benchmark::DoNotOptimize(end);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(band.size()));
    state.counters["out_bytes_per_page"] =
        benchmark::Counter(static_cast<double>(out) / static_cast<double>(state.iterations()));
    state.counters["blocks_sent_plain"] =
        benchmark::Counter(static_cast<double>(failed) / static_cast<double>(state.iterations()));
}
BENCHMARK_CAPTURE(BM_CompressDeltaRow, text, Content::Text)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompressDeltaRow, blank, Content::Blank)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompressDeltaRow, noise, Content::Noise)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CompressDeltaRow, halftone, Content::Halftone)->Unit(benchmark::kMillisecond);

// A device context made by hand with its output suppressed: the band writer's own work
// (white-row scan, placement, complement, compression, pool areas) without the spooler.
struct BenchPdev {
    std::unique_ptr<PrinterPdev> pdev = std::make_unique<PrinterPdev>();
    BenchPdev() {
        pdev->leadingMagic = pdev->trailingMagic = kPdevMagic;
        pdev->allocationList = CreatePdevAllocationList();
        pdev->output.capacity = kOutputBufferCapacity;
        pdev->output.writePointer = pdev->output.data;
        pdev->trustMark.suppressOutput = 1;
        pdev->state = kStateRasterMode;
        pdev->geometry.zoom = 100;
        pdev->geometry.resolution = 600;
        pdev->geometry.printable = RECTL{0, 0, kWidth, kHeight};
        orla::Set(pdev->settings.record, orla::dm::LayoutMode, WORD{1});
        ResetGraphicsStateCache(pdev.get());
    }
    ~BenchPdev() { FreePdevAllocationList(pdev->allocationList); }
};

void BM_WriteBandBlocks(benchmark::State& state, Content content) {
    if (!orla::kJapaneseBuild) {
        state.SkipWithError("needs the build whose output can be suppressed");
        return;
    }
    BenchPdev bench;
    // Band polarity: 0 = black.
    std::vector<BYTE> page = MakeBand(content);
    for (BYTE& b : page) b = static_cast<BYTE>(~b);
    std::vector<BYTE> band(page.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(band.data(), page.data(), page.size());  // the writer complements in place
        state.ResumeTiming();
        LONG blocks = WriteBandBlocks(bench.pdev.get(), band.data(), kWidth, kHeight, kRowLength, POINTL{0, 0}, 600);
        benchmark::DoNotOptimize(blocks);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
// The yardstick of the band writer: one memcpy of the page it reads, in the same state (the
// band refreshed untimed before each pass), into an output area of the page's size taken from
// the device context's pool and freed after it, as the writer takes its areas.
void BM_MemcpyPage(benchmark::State& state) {
    BenchPdev bench;
    const std::vector<BYTE> page = MakeBand(Content::Text);
    std::vector<BYTE> band(page.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(band.data(), page.data(), page.size());
        state.ResumeTiming();
        auto* area = static_cast<BYTE*>(PdevAllocUnfilled(bench.pdev->allocationList, band.size()));
        if (area == nullptr) {
            state.SkipWithError("no pool area");
            break;
        }
        std::memcpy(area, band.data(), band.size());
        benchmark::DoNotOptimize(area);
        benchmark::ClobberMemory();
        PdevFree(bench.pdev->allocationList, area);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_MemcpyPage)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_WriteBandBlocks, text, Content::Text)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteBandBlocks, blank, Content::Blank)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteBandBlocks, noise, Content::Noise)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
