// Platform pieces the interface DLL relies on: system modules loaded by their names, entry points
// by ordinal, and file version resources read and queried, a damaged one included.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ui_fixture.h"
#include "win/kernel.h"
#include "win/version.h"

using namespace orla_ui_test;

namespace {

LPCSTR Ordinal(WORD n) {
    return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(n));
}

class PlatformPieces : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        path_ = driverDir_ + u"\\UiTestModule.dll";
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/UiTestModule.dll").c_str(), path_.c_str()));
    }
    std::u16string path_;
};

TEST_F(PlatformPieces, EntryPointsByOrdinal) {
    LibraryPtr module(LoadLibraryW(path_.c_str()));
    ASSERT_NE(module, nullptr);
    auto entry = reinterpret_cast<int (*)()>(GetProcAddress(module.get(), Ordinal(15)));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(), 1234);
    // An ordinal whose name the module does not export, one it does not list, and a module
    // without a table: none.
    for (WORD n : {16, 17, 0}) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(module.get(), Ordinal(n)), nullptr) << n;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << n;
    }
    LibraryPtr kernel(LoadLibraryW(u"Kernel32.dll"));
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(GetProcAddress(kernel.get(), Ordinal(15)), nullptr);
    EXPECT_NE(GetProcAddress(kernel.get(), "GetProcAddress"), nullptr);
    EXPECT_EQ(LoadLibraryW(u"KERNEL32.DLL"), kernel.get());
    FreeLibrary(kernel.get());
}

TEST_F(PlatformPieces, VersionResourceReadAndQueried) {
    DWORD handle = 7;
    const DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, block.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof(fixed));
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010002u);

    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
    EXPECT_EQ(length, 4u);
    WORD translation[2];
    std::memcpy(translation, value, 4);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 0x04B0);

    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\StringFileInfo\\041104b0\\FileVersion", &value, &length));
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(std::u16string(static_cast<const char16_t*>(value)), u"1.2.3.4");

    for (const char16_t* missing : {u"\\StringFileInfo\\040904B0\\FileVersion", u"\\Nothing", u"\\VarFileInfo"})
        EXPECT_FALSE(VerQueryValueW(block.data(), missing, &value, &length)) << "missing";
}

TEST_F(PlatformPieces, DamagedOrMissingVersionResources) {
    // A module without a version resource.
    std::u16string res = driverDir_ + u"\\Quessaj.dll";
    ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/Quessaj.dll").c_str(), res.c_str()));
    EXPECT_EQ(GetFileVersionInfoSizeW(res.c_str(), nullptr), 0u);
    BYTE none[16];
    EXPECT_FALSE(GetFileVersionInfoW(res.c_str(), 0, sizeof(none), none));
    EXPECT_EQ(GetFileVersionInfoSizeW(u"C:\\nowhere.dll", nullptr), 0u);

    // Lengths that claim more than their node holds: not found, nothing read beyond the block.
    const DWORD size = GetFileVersionInfoSizeW(path_.c_str(), nullptr);
    std::vector<BYTE> good(size);
    ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, good.data()));
    struct Damage {
        size_t offset;
        WORD value;
    } const damages[] = {{0, 3}, {0, static_cast<WORD>(size + 100)}, {2, 0xFFFF}};
    for (const Damage& d : damages) {
        std::vector<BYTE> block = good;
        std::memcpy(block.data() + d.offset, &d.value, 2);
        void* value = nullptr;
        UINT length = 0;
        const BOOL found = VerQueryValueW(block.data(), u"\\StringFileInfo\\041104B0\\FileVersion", &value, &length);
        if (found) {
            const BYTE* p = static_cast<const BYTE*>(value);
            EXPECT_TRUE(p >= block.data() && p + 2 * length <= block.data() + block.size());
        }
        VerQueryValueW(block.data(), u"\\", &value, &length);
    }
}

}  // namespace
