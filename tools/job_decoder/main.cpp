// job_decoder: lists a job stream one command a line; a malformed stream ends with the offset
// and the reason of the first fault and exit status 1. With --png DIR it also writes a picture of
// every page (DIR/page-001.png ...) and prints their paths; --dpi N draws them at N dots per inch
// (the job's own resolution shows every device pixel).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/job_decoder/job_decoder.h"
#include "tools/job_decoder/page_pictures.h"
#include "tools/job_decoder/trust_marks.h"

int main(int argc, char** argv) {
    orla::jobdecode::DecodeOptions options;
    const char* path = nullptr;
    const char* pngFolder = nullptr;
    bool quiet = false;
    orla::jobdecode::PictureOptions pictureOptions;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::printf(
                "usage: job_decoder [--fragment] [--quiet] FILE [--png DIR [--dpi N]]\n"
                "  decodes a job stream (one line per command); a job that is malformed or cut short\n"
                "  is refused with its offset and reason. --fragment takes ORLA commands alone.\n");
            return 0;
        }
        if (!std::strcmp(argv[i], "--fragment")) {
            options.startInOrla = true;
            options.requireComplete = false;
        } else if (!std::strcmp(argv[i], "--quiet")) {
            quiet = true;
        } else if (!std::strcmp(argv[i], "--png") && i + 1 < argc) {
            pngFolder = argv[++i];
        } else if (!std::strcmp(argv[i], "--dpi") && i + 1 < argc) {
            char* end = nullptr;
            const long dpi = std::strtol(argv[++i], &end, 10);
            if (*end || dpi < 10 || dpi > 1200) {
                std::fprintf(stderr, "job_decoder: --dpi takes 10 ... 1200\n");
                return 2;
            }
            pictureOptions.dpi = static_cast<int>(dpi);
        } else if (!path && argv[i][0] != '-') {
            path = argv[i];
        } else {
            std::fprintf(stderr, "usage: job_decoder [--fragment] [--quiet] FILE [--png DIR [--dpi N]]\n");
            return 2;
        }
    }
    if (!path) {
        std::fprintf(stderr, "usage: job_decoder [--fragment] [--quiet] FILE [--png DIR [--dpi N]]\n");
        return 2;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "job_decoder: cannot read %s\n", path);
        return 2;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto result = orla::jobdecode::DecodeJob(std::string_view(bytes.data(), bytes.size()), options);
    if (!quiet) std::cout << orla::jobdecode::FormatListing(result);
    // Trust marking, when the job carries any of it.
    const auto marks = orla::jobdecode::ReadTrustMarks(
        result, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    if (!marks.msw078.empty() || !marks.layers.empty() || marks.sheet.found)
        std::cout << orla::jobdecode::FormatTrustMarks(marks);
    if (!result.ok) {
        std::fprintf(stderr, "job_decoder: malformed at byte %zu: %s\n", result.errorOffset, result.error.c_str());
        return 1;
    }
    std::fprintf(stderr, "job_decoder: %zu commands, %zu page ends\n", result.commands.size(),
                 orla::jobdecode::PageEndCount(result));
    if (pngFolder) {
        auto pictures = orla::jobdecode::WritePagePictures(result, pngFolder, pictureOptions);
        if (!pictures.ok) {
            std::fprintf(stderr, "job_decoder: no pictures: %s\n", pictures.error.c_str());
            return 1;
        }
        std::cout << (pictures.fromPageEnds ? "pictures: one per page end\n"
                                            : "pictures: no page end in the job, one per page set-up\n");
        for (const auto& p : pictures.pages) {
            std::cout << p.path << " " << p.paper << (p.landscape ? " landscape " : " portrait ") << p.width << "x"
                      << p.height << ", " << p.imagesDrawn << " images drawn";
            if (p.rectanglesDrawn) std::cout << ", " << p.rectanglesDrawn << " rectangles drawn";
            if (p.pathsDrawn) std::cout << ", " << p.pathsDrawn << " paths drawn";
            if (p.imagesUnplaced) std::cout << ", " << p.imagesUnplaced << " without position not drawn";
            if (p.imagesOther) std::cout << ", " << p.imagesOther << " glyph or other images not drawn";
            std::cout << "\n";
        }
    }
    return 0;
}
