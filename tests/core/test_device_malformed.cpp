// Malformed descriptions: each compiles to a sound block (or fails cleanly), never reads out of
// bounds, and keeps what can be kept.
#include <cstring>
#include <string>
#include <vector>

#include "test_device_fixture.h"

using namespace orla;
using namespace orla_test;

namespace {

struct MalformedCase {
    const char* file;
    bool fileCompiles;  // through the mapped file (an empty file cannot be mapped)
    LONG version;
    LONG ppm;
    std::u16string friendlyName;
    DWORD memorySizes;
    DWORD inputDevices;
};

const MalformedCase kMalformed[] = {
    {"no_bom.KDD", true, 4, 20, u"Broken Model", 0, 0},
    {"odd_length.KDD", true, 4, 20, u"Broken Model", 0, 0},
    // The open text of the cut line runs on into the next line and swallows it.
    {"long_line.KDD", true, 0, 0, std::u16string(127, u'L'), 0, 0},
    {"long_token.KDD", true, 0, 20, u"", 0, 0},
    {"unclosed_quote.KDD", true, 0, 20, u"never closed\n*Version 4\n*InputSlot ", 0, 0},
    {"over_capacity.KDD", true, 0, 20, u"", 16, 64},
    {"binary_junk.KDD", true, -1, -1, u"?", 0, 0},
    {"utf8.KDD", true, 0, 0, u"", 0, 0},
    {"empty.KDD", false, 0, 0, u"", 0, 0},
    {"bom_only.KDD", true, 0, 0, u"", 0, 0},
    {"big_endian.KDD", true, 0, 0, u"", 0, 0},
    {"nul_chars.KDD", true, 0, 2, u"A", 0, 0},
};

void ExpectCase(const MalformedCase& c, const CompiledDeviceData* d) {
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(ValidateDeviceData(DeviceDataBytes(d), DeviceDataSize(d)));
    if (c.version < 0) return;  // junk: only soundness is asked for
    EXPECT_EQ(DeviceDataVersion(d), c.version);
    EXPECT_EQ(DeviceDataSignedField(d, dd::kPPM), c.ppm);
    EXPECT_EQ(DeviceFriendlyName(d), c.friendlyName);
    EXPECT_EQ(MemorySizes(d).size(), c.memorySizes);
    EXPECT_EQ(InputDevices(d).size(), c.inputDevices);
}

class DeviceMalformed : public SandboxTest {};

}  // namespace

TEST_F(DeviceMalformed, TableOfBrokenFiles) {
    for (const MalformedCase& c : kMalformed) {
        SCOPED_TRACE(c.file);
        std::string host = SourceDir() + "/tests/core/data/" + c.file;
        std::vector<BYTE> bytes = ReadHostFile(host);
        BlockHolder fromText(CompileDeviceText(bytes));
        ExpectCase(c, fromText.block);

        std::u16string path = driverDir_ + u"\\" + Widen(c.file);
        ASSERT_TRUE(PlatCopyIntoSandbox(host.c_str(), path.c_str()));
        BlockHolder fromFile(CompileDeviceDescription(path.c_str()));
        if (!c.fileCompiles) {
            EXPECT_EQ(fromFile.block, nullptr);
            continue;
        }
        ExpectCase(c, fromFile.block);
        ASSERT_NE(fromFile.block, nullptr);
        ASSERT_EQ(fromFile.size(), fromText.size());
        EXPECT_EQ(0, std::memcmp(fromFile.bytes(), fromText.bytes(), fromText.size()));
    }
}

TEST(DeviceMalformedText, EveryCutOfTheSampleCompilesSoundly) {
    // A description cut anywhere (mid-line, mid-text, mid-character) still gives a sound block.
    std::vector<BYTE> text = ReadHostFile(SourceDir() + "/resources/models/HV4400KJ.KDD");
    ASSERT_GT(text.size(), 1000u);
    for (size_t cut = 0; cut <= text.size(); cut += 13) {
        std::vector<BYTE> part(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(cut));
        BlockHolder b(CompileDeviceText(part));
        ASSERT_NE(b.block, nullptr) << cut;
        ASSERT_TRUE(ValidateDeviceData(b.bytes(), b.size())) << cut;
    }
}

TEST_F(DeviceMalformed, MissingFileGivesNull) {
    EXPECT_EQ(CompileDeviceDescription(u"C:\\no\\such\\file.KDD"), nullptr);
    EXPECT_EQ(CompileDeviceDescription(nullptr), nullptr);
}
