#include "e2e_render/e2e_render_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "plat/control.h"
#include "win/base.h"
#include "win/registry.h"

namespace e2e {

using namespace orla::jobdecode;

namespace {
constexpr unsigned kFirstMovedOffset = 6108;
constexpr unsigned kEnglishShift = 4104;
// Byte 399 bit 4: print blank pages.
constexpr unsigned kBlankPagesByte = 399;
constexpr uint8_t kBlankPagesBit = 0x10;

std::vector<uint8_t> Utf16Field(std::u16string_view text, unsigned chars) {
    std::vector<uint8_t> out(2u * chars, 0);
    for (size_t i = 0; i < text.size() && i + 1 < chars; ++i) {
        out[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
        out[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    return out;
}
}  // namespace

Setting Bits(unsigned offset, uint8_t mask, bool on) {
    return {offset, {static_cast<uint8_t>(on ? mask : 0)}, {mask}};
}

Setting Word(unsigned offset, uint16_t value) {
    return {offset, {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)}, {}};
}

Setting Dword(unsigned offset, uint32_t value) {
    return {offset,
            {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
             static_cast<uint8_t>(value >> 24)},
            {}};
}

Setting Text(unsigned offset, std::u16string_view text, unsigned chars) {
    return {offset, Utf16Field(text, chars), {}};
}

PrinterDataValue DwordValue(std::u16string name, uint32_t value) {
    return {std::move(name),
            REG_DWORD,
            {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
             static_cast<uint8_t>(value >> 24)}};
}

PrinterDataValue TextValue(std::u16string name, std::u16string_view text, unsigned chars) {
    return {std::move(name), REG_BINARY, Utf16Field(text, chars)};
}

unsigned BuildOffset(unsigned japaneseOffset, bool japanese) {
    return japanese || japaneseOffset < kFirstMovedOffset ? japaneseOffset : japaneseOffset - kEnglishShift;
}

void RenderJob::SetUp() {
    char pattern[] = "/tmp/orla-e2e-render-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    const char* bin = std::getenv("ORLA_BIN_DIR");
    const char* source = std::getenv("ORLA_SOURCE_DIR");
    ASSERT_TRUE(bin && source) << "run through ctest";
    bin_ = bin;
    source_ = source;
    // A fresh root is a fresh machine; fixed facts make every header line predictable.
    PlatSetSandboxRoot(root_.c_str());
    PlatResetForTests();
    PlatSetComputerName(u"E2E-HOST");
    PlatSetUserName(u"e2euser");
    SYSTEMTIME time{};
    time.wYear = 2026, time.wMonth = 3, time.wDay = 4, time.wHour = 5, time.wMinute = 6, time.wSecond = 7;
    PlatSetLocalTime(&time);
}

void RenderJob::TearDown() {
    PlatClearInjections();
    PlatSetLocalTime(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

RunOptions RenderJob::Options(bool japanese) const {
    RunOptions o;
    o.sandboxRoot = root_;
    o.binDir = bin_;
    o.japanese = japanese;
    o.modelFile = source_ + (japanese ? "/resources/models/HV4400KJ.KDD" : "/resources/models/HV3600E.KDD");
    o.printerName = japanese ? u"ORLA E2E Japanese" : u"ORLA E2E English";
    o.documentName = u"e2e job";
    Apply(o, {Bits(kBlankPagesByte, kBlankPagesBit, true)});
    return o;
}

void RenderJob::Apply(RunOptions& options, const std::vector<Setting>& settings) {
    for (const Setting& s : settings)
        options.settingPatches.push_back(SettingPatch{BuildOffset(s.offset, options.japanese), s.bytes, s.mask});
}

std::set<std::string> RenderJob::SandboxFiles() const {
    std::set<std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file()) files.insert(std::filesystem::relative(it->path(), root_).string());
    return files;
}

DecodeResult Decode(const std::vector<uint8_t>& bytes) {
    return DecodeJob(std::span<const uint8_t>(bytes.data(), bytes.size()));
}

std::vector<std::string> Lines(const DecodeResult& d) {
    return PjlLines(d);
}

std::vector<std::string> LinesStartingWith(const DecodeResult& d, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : PjlLines(d))
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

std::vector<std::string> OrlaTokens(const DecodeResult& d) {
    std::vector<std::string> out;
    for (const Command& c : d.commands) {
        switch (c.kind) {
            case CommandKind::Esc:
                out.push_back("ESC " + c.text);
                break;
            case CommandKind::Fs:
                out.push_back("FS " + c.text);
                break;
            case CommandKind::PageEnd:
                out.push_back("FF");
                break;
            case CommandKind::Binary:
                out.push_back("BIN " + c.name);
                break;
            case CommandKind::Vector:
                out.push_back("VEC " + c.text);
                break;
            default:
                break;
        }
    }
    return out;
}

std::string Join(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) s += (s.empty() ? "" : " | ") + x;
    return s;
}

}  // namespace e2e
