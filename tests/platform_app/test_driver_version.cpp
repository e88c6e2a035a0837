// The interface and graphics DLLs carry the project's version: the about box's reading of the driver file,
// through GetFileVersionInfoSizeW, GetFileVersionInfoW and VerQueryValueW on the DLL's path.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sandbox_fixture.h"
#include "win/version.h"

namespace {

constexpr char16_t kDriverDir[] = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";

struct Module {
    const char* file;
    WORD language;
};

// The FileVersion as the about box finds it: the first translation names the string table.
std::u16string FileVersion(const std::vector<BYTE>& block, WORD& language) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length) || length < 4) return u"";
    WORD pair[2];
    std::memcpy(pair, value, sizeof pair);
    language = pair[0];
    char path[64];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X%04X\\FileVersion", pair[0], pair[1]);
    const std::u16string widePath(path, path + std::strlen(path));
    if (!VerQueryValueW(block.data(), widePath.c_str(), &value, &length)) return u"";
    return static_cast<const char16_t*>(value);
}

class DriverVersion : public SandboxTest {};

TEST_F(DriverVersion, DriverDllsCarryTheProjectVersion) {
    const char* bin = std::getenv("ORLA_BIN_DIR");
    ASSERT_NE(bin, nullptr) << "ORLA_BIN_DIR names the folder of the built modules";
    const std::string expected = ORLA_PROJECT_VERSION;
    // The graphics DLLs too: the about box reads the driver file (the printer's driver path).
    for (const Module& m : {Module{"Talvex.dll", 0x0411}, Module{"Morvin.dll", 0x0409}, Module{"Quessa.dll", 0x0411},
                            Module{"Brindal.dll", 0x0409}}) {
        SCOPED_TRACE(m.file);
        const std::u16string path = kDriverDir + std::u16string(m.file, m.file + std::strlen(m.file));
        ASSERT_TRUE(PlatCopyIntoSandbox((std::string(bin) + "/" + m.file).c_str(), path.c_str()));
        DWORD handle = 5;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        ASSERT_GT(size, 0u);
        EXPECT_EQ(handle, 0u);
        std::vector<BYTE> block(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
        WORD language = 0;
        EXPECT_EQ(FileVersion(block, language), std::u16string(expected.begin(), expected.end()));
        EXPECT_EQ(language, m.language);

        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
        VS_FIXEDFILEINFO fixed;
        ASSERT_EQ(length, sizeof fixed);
        std::memcpy(&fixed, value, sizeof fixed);
        EXPECT_EQ(fixed.dwFileVersionMS, (DWORD{ORLA_PROJECT_VERSION_MAJOR} << 16) | ORLA_PROJECT_VERSION_MINOR);
        EXPECT_EQ(fixed.dwFileVersionLS, (DWORD{ORLA_PROJECT_VERSION_PATCH} << 16) | ORLA_PROJECT_VERSION_TWEAK);
    }
}

}  // namespace
