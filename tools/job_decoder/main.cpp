// job_decoder: lists a job stream one command a line; a malformed stream ends with the offset
// and the reason of the first fault and exit status 1.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/job_decoder/job_decoder.h"

int main(int argc, char** argv) {
    orla::jobdecode::DecodeOptions options;
    const char* path = nullptr;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--fragment")) {
            options.startInOrla = true;
            options.requireComplete = false;
        } else if (!std::strcmp(argv[i], "--quiet")) {
            quiet = true;
        } else if (!path && argv[i][0] != '-') {
            path = argv[i];
        } else {
            std::fprintf(stderr, "usage: job_decoder [--fragment] [--quiet] FILE\n");
            return 2;
        }
    }
    if (!path) {
        std::fprintf(stderr, "usage: job_decoder [--fragment] [--quiet] FILE\n");
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
    if (!result.ok) {
        std::fprintf(stderr, "job_decoder: malformed at byte %zu: %s\n", result.errorOffset, result.error.c_str());
        return 1;
    }
    std::fprintf(stderr, "job_decoder: %zu commands, %zu page ends\n", result.commands.size(),
                 orla::jobdecode::PageEndCount(result));
    return 0;
}
