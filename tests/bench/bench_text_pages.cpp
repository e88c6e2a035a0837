// Text pages through the print-path runner, as an application's job reaches the graphics DLL:
// a page of 2,000 characters of Japanese device text, and a page of 2,000 different TrueType
// glyphs downloaded into the printer (the job's first page) and the same page again, printed
// from the glyph cache (its second page). Each reports the time the page spent in the driver
// (DrvStartPage, DrvTextOut, DrvSendPage); the direct DrvTextOut figures are in bench_text.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_sandbox.h"
#include "tools/job_decoder/job_decoder.h"
#include "tools/print_runner/print_runner.h"

namespace {

constexpr int kLines = 40, kPerLine = 50;  // 2,000 characters a page
constexpr int kDpi = 600, kEm = kDpi / 8;  // 9 points

std::string EnvOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// The first 2,000 kanji of the first JIS level, in Shift-JIS order, as UTF-16.
std::u16string Kanji() {
    std::string sjis;
    for (unsigned lead = 0x88; lead <= 0x98 && sjis.size() < 2 * kLines * kPerLine; ++lead)
        for (unsigned trail = lead == 0x88 ? 0x9F : 0x40; trail <= 0xFC && sjis.size() < 2 * kLines * kPerLine;
             ++trail) {
            if (trail == 0x7F) continue;
            sjis += static_cast<char>(lead);
            sjis += static_cast<char>(trail);
        }
    std::u16string out(sjis.size(), u'\0');
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    char* in = sjis.data();
    size_t inLeft = sjis.size();
    char* to = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size() * 2;
    const size_t r = iconv(cd, &in, &inLeft, &to, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return {};
    out.resize(out.size() - outLeft / 2);
    return out;
}

// 40 lines of 50 characters in a face: a device face (1 to 29) or a TrueType one (0).
std::vector<orla::runner::TextLine> DenseLines(ULONG deviceFace, const char* fontFile, std::u16string family) {
    const std::u16string kanji = Kanji();
    std::vector<orla::runner::TextLine> lines;
    if (kanji.size() != static_cast<size_t>(kLines * kPerLine)) return lines;
    for (int i = 0; i < kLines; ++i) {
        orla::runner::TextLine l;
        l.what = "line " + std::to_string(i + 1);
        l.deviceFace = deviceFace;
        l.fontFile = fontFile;
        l.family = family;
        l.shiftJis = true;
        l.em = kEm;
        l.compare = false;
        l.text = kanji.substr(static_cast<size_t>(i * kPerLine), kPerLine);
        l.origin = POINTL{kDpi / 2, kDpi / 2 + kEm + i * kEm * 3 / 2};
        lines.push_back(std::move(l));
    }
    return lines;
}

// One sandbox for the whole program: the printer is installed once, as on a real machine.
orla::runner::RunOptions Options(std::vector<orla::runner::TextLine> lines, int pages) {
    static const bench::Sandbox sandbox("orla-bench-text-pages");  // removed at the end, spool files and all
    orla::runner::RunOptions o;
    o.sandboxRoot = sandbox.root();
    o.binDir = EnvOr("ORLA_BIN_DIR", ORLA_BENCH_BIN_DIR);
    o.modelFile = EnvOr("ORLA_SOURCE_DIR", ORLA_BENCH_SOURCE_DIR) + "/resources/models/HV4400KJ.KDD";
    o.japanese = true;
    o.paper = u"A4";
    o.dpi = kDpi;
    o.pages = pages;
    o.content = orla::runner::PageContent::Text;
    o.textLines = std::move(lines);
    return o;
}

// Glyph definitions (0xC0, 0xC1) on each page of the job.
std::vector<size_t> DefinitionsPerPage(const std::vector<uint8_t>& job) {
    std::vector<size_t> pages(1, 0);
    const orla::jobdecode::DecodeResult d = orla::jobdecode::DecodeJob(job);
    for (const orla::jobdecode::Command& c : d.commands) {
        if (c.kind == orla::jobdecode::CommandKind::PageEnd) pages.push_back(0);
        if (c.kind == orla::jobdecode::CommandKind::Binary && (c.code == 0xC0 || c.code == 0xC1)) ++pages.back();
    }
    return pages;
}

// Characters sent by their codes (0xCC one, 0xCD and 0xCE their count) in the job.
size_t CharactersSent(const std::vector<uint8_t>& job) {
    size_t n = 0;
    for (const orla::jobdecode::Command& c : orla::jobdecode::DecodeJob(job).commands) {
        if (c.kind != orla::jobdecode::CommandKind::Binary || c.fields.empty()) continue;
        if (c.code == 0xCC) ++n;
        if (c.code == 0xCD || c.code == 0xCE) n += static_cast<size_t>(c.fields[0]);
    }
    return n;
}

// Runs the job once per iteration and takes page `page`'s time in the driver; `check` looks at
// the first job's output.
template <class Check>
void TimePage(benchmark::State& state, const orla::runner::RunOptions& options, size_t page, Check check) {
    if (options.textLines.empty()) {
        state.SkipWithError("no 2,000 kanji from the code page converter");
        return;
    }
    bool checked = false;
    for (auto _ : state) {
        const orla::runner::RunResult r = orla::runner::RunJob(options);
        if (!r.ok || r.pageDriverSeconds.size() <= page) {
            state.SkipWithError(r.ok ? "no page time" : r.error.c_str());
            return;
        }
        if (!checked) {
            const std::string why = check(r);
            if (!why.empty()) {
                state.SkipWithError(why.c_str());
                return;
            }
            checked = true;
        }
        state.SetIterationTime(r.pageDriverSeconds[page]);
    }
    state.SetItemsProcessed(state.iterations() * kLines * kPerLine);
}

void BM_RunnerJapaneseDeviceTextPage(benchmark::State& state) {
    // Minchou (device face 14): every character goes as its Shift-JIS code.
    const auto options = Options(DenseLines(14, "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf", u""), 1);
    TimePage(state, options, 0, [](const orla::runner::RunResult& r) {
        if (DefinitionsPerPage(r.job)[0] != 0) return std::string("device text downloaded glyphs");
        return CharactersSent(r.job) == static_cast<size_t>(kLines * kPerLine) ? std::string()
                                                                               : "not every character sent as a code";
    });
}
BENCHMARK(BM_RunnerJapaneseDeviceTextPage)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// IPA Gothic as a TrueType face: each of the 2,000 glyphs is defined on the first page and
// printed by its code on the second.
orla::runner::RunOptions GlyphJob() {
    return Options(DenseLines(0, "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", u"IPAGothic"), 2);
}
std::string GlyphsDefinedOnce(const orla::runner::RunResult& r) {
    const std::vector<size_t> defined = DefinitionsPerPage(r.job);
    if (defined.size() < 2 || defined[0] != static_cast<size_t>(kLines * kPerLine))
        return "the first page did not define every glyph";
    if (defined[1] != 0) return "the second page defined glyphs again";
    return {};
}

void BM_RunnerDownloadedGlyphsFirstPage(benchmark::State& state) {
    TimePage(state, GlyphJob(), 0, GlyphsDefinedOnce);
}
BENCHMARK(BM_RunnerDownloadedGlyphsFirstPage)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_RunnerDownloadedGlyphsCachedPage(benchmark::State& state) {
    TimePage(state, GlyphJob(), 1, GlyphsDefinedOnce);
}
BENCHMARK(BM_RunnerDownloadedGlyphsCachedPage)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
