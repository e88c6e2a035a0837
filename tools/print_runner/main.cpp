// print_runner: drives one print job through the graphics DLL in a sandbox and writes the
// spooled job stream to a file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plat/host_text.h"
#include "tools/print_runner/print_runner.h"
#include "tools/print_runner/runner_options.h"

namespace {

void Usage(FILE* to = stderr) {
    std::fprintf(to,
                 "usage: print_runner --out FILE [--sandbox DIR] [--bin DIR] [--printer-model FILE]\n"
                 "       [--build ja|en] [--paper NAME] [--orientation portrait|landscape] [--copies N]\n"
                 "       [--duplex none|long|short] [--layout N] [--dpi N] [--pages N]\n"
                 "       [--page-list PAPER:ORIENTATION,...] [--doc NAME] [--raster] [--content none|sample|text]\n"
                 "       [--set NAME=VALUE[/MASK]]...   (a settings field by its dm:: name, e.g. --set PrintPosTop=20\n"
                 "                           or --set Flags1=0x2000/0x2000; texts as given)\n"
                 "       [--devmode FILE]   (a settings record, as ui_runner sheet --out-record writes it: the\n"
                 "                           job's DEVMODE; options after it change it)\n"
                 "  --content sample is the default with --raster; without it the sample page is played\n"
                 "  through the driver's drawing hooks; --content text prints the text page (DrvTextOut, or\n"
                 "  the engine's text in the bands with --raster).\n");
    std::fputs(orla::runner::JobOptionsUsage(), to);
}

int Orientation(const std::string& s) {
    if (s == "portrait" || s == "1") return 1;
    if (s == "landscape" || s == "2") return 2;
    return -1;
}

bool Number(const char* text, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < -100000 || v > 100000) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    orla::runner::RunOptions o;
    std::vector<std::string> namedSettings;
    // Band-mode pages show the sample page unless told otherwise; command-mode pages only when
    // asked (--content sample), so that a plain job stays the blank job it always was.
    bool contentGiven = false;
    std::string out, model, build = "ja";
    std::string self = argv[0];
    o.binDir = self.find('/') == std::string::npos ? "." : self.substr(0, self.find_last_of('/'));
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        auto need = [&]() {
            if (!v) {
                Usage();
                std::exit(2);
            }
            ++i;
            return std::string(v);
        };
        auto number = [&](int& target) {
            std::string text = need();
            if (!Number(text.c_str(), target)) {
                std::fprintf(stderr, "print_runner: %s needs a number, not \"%s\"\n", a.c_str(), text.c_str());
                std::exit(2);
            }
        };
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        }
        if (a == "--out")
            out = need();
        else if (a == "--sandbox")
            o.sandboxRoot = need();
        else if (a == "--bin")
            o.binDir = need();
        else if (a == "--printer-model")
            model = need();
        else if (a == "--build")
            build = need();
        else if (a == "--paper")
            o.paper = plat::Utf8ToUtf16(need());
        else if (a == "--orientation") {
            std::string text = need();
            o.orientation = Orientation(text);
            if (o.orientation < 0) {
                std::fprintf(stderr, "print_runner: --orientation takes portrait or landscape, not \"%s\"\n",
                             text.c_str());
                return 2;
            }
        } else if (a == "--copies")
            number(o.copies);
        else if (a == "--duplex") {
            std::string d = need();
            o.duplex = d == "none" || d == "1" ? 1 : d == "long" || d == "2" ? 2 : d == "short" || d == "3" ? 3 : -1;
            if (o.duplex < 0) {
                std::fprintf(stderr, "print_runner: --duplex takes none, long or short, not \"%s\"\n", d.c_str());
                return 2;
            }
        } else if (a == "--layout")
            number(o.layout);
        else if (a == "--dpi")
            number(o.dpi);
        else if (a == "--pages")
            number(o.pages);
        else if (a == "--doc")
            o.documentName = plat::Utf8ToUtf16(need());
        else if (a == "--raster")
            o.rasterMode = true;
        else if (a == "--content") {
            std::string c = need();
            if (c != "none" && c != "sample" && c != "text") {
                std::fprintf(stderr, "print_runner: --content takes none, sample or text, not \"%s\"\n", c.c_str());
                return 2;
            }
            o.content = c == "none"   ? orla::runner::PageContent::None
                        : c == "text" ? orla::runner::PageContent::Text
                                      : orla::runner::PageContent::Sample;
            contentGiven = true;
        } else if (a == "--set") {
            namedSettings.push_back(need());  // placed once the build is known
        } else if (a == "--devmode") {
            const std::string path = need();
            std::ifstream in(path, std::ios::binary);
            std::vector<uint8_t> record((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::string error;
            if (!in.good() && !in.eof()) error = "cannot be read";
            if (!in.is_open()) error = "cannot be opened";
            if (error.empty() && !orla::runner::TakeSettingsRecord(std::move(record), o, error))
                error = "is refused: " + error;
            if (!error.empty()) {
                std::fprintf(stderr, "print_runner: %s %s\n", path.c_str(), error.c_str());
                return 2;
            }
        } else if (a == "--page-list") {
            std::string list = need();
            size_t from = 0;
            while (from <= list.size()) {
                size_t comma = list.find(',', from);
                std::string item = list.substr(from, comma - from);
                orla::runner::PageSettings p;
                size_t colon = item.find(':');
                p.paper = plat::Utf8ToUtf16(item.substr(0, colon));
                if (colon != std::string::npos) p.orientation = Orientation(item.substr(colon + 1));
                if (p.orientation < 0) {
                    std::fprintf(stderr, "print_runner: bad orientation in \"%s\"\n", item.c_str());
                    return 2;
                }
                o.perPage.push_back(p);
                if (comma == std::string::npos) break;
                from = comma + 1;
            }
            if (o.pages < static_cast<int>(o.perPage.size())) o.pages = static_cast<int>(o.perPage.size());
        } else if (int taken = orla::runner::ParseJobOption(a, need, o); taken != 0) {
            if (taken < 0) return 2;
        } else {
            std::fprintf(stderr, "print_runner: unknown option \"%s\"\n", a.c_str());
            Usage();
            return 2;
        }
    }
    if (build != "ja" && build != "en") {
        std::fprintf(stderr, "print_runner: --build takes ja or en, not \"%s\"\n", build.c_str());
        return 2;
    }
    if (out.empty()) {
        std::fprintf(stderr, "print_runner: --out FILE is needed\n");
        Usage();
        return 2;
    }
    o.japanese = build == "ja";
    for (const std::string& text : namedSettings) {
        orla::runner::SettingPatch patch;
        std::string error;
        if (!orla::runner::NamedSettingPatch(o.binDir, o.japanese, text, patch, error)) {
            std::fprintf(stderr, "print_runner: %s\n", error.c_str());
            return 2;
        }
        o.settingPatches.push_back(patch);
    }
    if (!contentGiven) o.content = o.rasterMode ? orla::runner::PageContent::Sample : orla::runner::PageContent::None;
    if (model.empty()) {
        const char* source = std::getenv("ORLA_SOURCE_DIR");
        model = std::string(source ? source : ORLA_SOURCE_DIR) + "/resources/models/" +
                (o.japanese ? "HV4400KJ.KDD" : "HV3600E.KDD");
    }
    o.modelFile = model;
    std::string made;
    if (o.sandboxRoot.empty()) {
        char pattern[] = "/tmp/orla-runner-XXXXXX";
        if (!mkdtemp(pattern)) {
            std::perror("print_runner: mkdtemp");
            return 2;
        }
        o.sandboxRoot = made = pattern;
    }
    orla::runner::RunResult r = orla::runner::RunJob(o);
    // A sandbox the runner made for itself goes with it; one given by --sandbox is kept.
    struct RemoveMade {
        const std::string& path;
        ~RemoveMade() {
            std::error_code ignored;
            if (!path.empty()) std::filesystem::remove_all(path, ignored);
        }
    } removeMade{made};
    for (const orla::runner::DocumentEventCall& e : r.documentEvents)
        std::fprintf(stderr, "print_runner: document event %d answered %d\n", e.event, e.answer);
    for (const orla::runner::SentEscape& e : r.sentEscapes)
        std::fprintf(stderr, "print_runner: escape %u (%u bytes in, %u out) answered %ld\n", e.code, e.inputSize,
                     e.outputSize, e.answer);
    if (!r.ok) {
        std::fprintf(stderr, "print_runner: %s\n", r.error.c_str());
        return 1;
    }
    std::ofstream file(out, std::ios::binary);
    file.write(reinterpret_cast<const char*>(r.job.data()), static_cast<std::streamsize>(r.job.size()));
    if (!file) {
        std::fprintf(stderr, "print_runner: cannot write %s\n", out.c_str());
        return 1;
    }
    std::fprintf(stderr, "print_runner: %zu bytes, %d pages, %d bands, %d resets%s (sandbox %s)\n", r.job.size(),
                 r.pagesSent, r.bands, r.resets, r.fullDevmode ? "" : ", public DEVMODE only",
                 made.empty() ? o.sandboxRoot.c_str() : "removed");
    for (size_t i = 0; i < r.drawn.size(); ++i)
        std::fprintf(stderr, "print_runner: page %zu drawn on %d x %d pixels at %d dpi%s\n", i + 1, r.drawn[i].width,
                     r.drawn[i].height, r.drawn[i].dpi, r.drawn[i].text ? "" : " (no font found: no text)");
    return 0;
}
