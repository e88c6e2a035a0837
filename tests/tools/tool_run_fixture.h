// Tests that run the project's tools as programs: each test in a scratch folder of its own
// (removed however the test ends), the tools from ORLA_BIN_DIR, and a tool's exit code and
// output read back.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tool_test {

namespace fs = std::filesystem;

struct Outcome {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// Runs a shell command line; its standard output and error together, and its exit code.
inline Outcome RunCommand(const std::string& command) {
    Outcome o;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return o;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) o.output.append(chunk, n);
    const int status = pclose(pipe);
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

// A word for the shell, quoted whatever it holds.
inline std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The scratch folder root_ and the tools' folder bin_.
class ToolRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orla-tool-run-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_NE(bin, nullptr) << "run through ctest";
        bin_ = bin;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    fs::path root_;
    std::string bin_;
};

}  // namespace tool_test
