// Shared pieces of the graphics DLL's end-to-end tests: a fresh sandbox per test, the runner's
// options for either build, settings patches by the Japanese build's DEVMODE offsets (moved for
// the English build), and views of a decoded job.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/job_decoder/job_decoder.h"
#include "tools/print_runner/print_runner.h"

namespace e2e {

using orla::jobdecode::DecodeResult;
using orla::runner::PrinterDataValue;
using orla::runner::RunOptions;
using orla::runner::RunResult;
using orla::runner::SettingPatch;

// The two builds of the graphics DLL.
struct Build {
    const char* name;
    bool japanese;
};
inline constexpr Build kBuilds[] = {{"Japanese", true}, {"English", false}};

// A settings patch given by the Japanese build's DEVMODE offset; offsets from 6108 on lie
// 4104 bytes lower in the English build.
struct Setting {
    unsigned offset;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> mask;  // empty: every bit of the bytes
};
Setting Bits(unsigned offset, uint8_t mask, bool on);
Setting Word(unsigned offset, uint16_t value);
Setting Dword(unsigned offset, uint32_t value);
// A UTF-16 text field of `chars` units (terminated, the rest zeroed).
Setting Text(unsigned offset, std::u16string_view text, unsigned chars);
PrinterDataValue DwordValue(std::u16string name, uint32_t value);
PrinterDataValue TextValue(std::u16string name, std::u16string_view text, unsigned chars);

unsigned BuildOffset(unsigned japaneseOffset, bool japanese);

class RenderJob : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The runner's options for one build: the build's model, a printer of its own, and blank
    // pages printed (nothing is drawn on the runner's pages, and a blank sheet is dropped).
    RunOptions Options(bool japanese) const;
    static void Apply(RunOptions& options, const std::vector<Setting>& settings);

    // Every file below the sandbox (relative paths).
    std::set<std::string> SandboxFiles() const;

    std::string root_;
    std::string bin_;
    std::string source_;
};

DecodeResult Decode(const std::vector<uint8_t>& bytes);
// The "@PJL ..." lines of a decoded job, in order.
std::vector<std::string> Lines(const DecodeResult& d);
// The lines that start with a prefix.
std::vector<std::string> LinesStartingWith(const DecodeResult& d, const std::string& prefix);
// The ORLA part of a decoded job as tokens: "ESC c1", "FS &600.", "FF" for a page end; PJL and
// UEL stay out.
std::vector<std::string> OrlaTokens(const DecodeResult& d);
std::string Join(const std::vector<std::string>& v);

}  // namespace e2e
