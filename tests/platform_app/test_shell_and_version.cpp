// ShellExecuteW as the about box calls it (logged, nothing started) and version resources laid
// out as the resource compiler lays them out, read back through the version calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plat/control.h"
#include "plat/shell_execute.h"
#include "plat/version_resource.h"
#include "win/shell.h"
#include "win/user.h"
#include "win/version.h"

namespace {

struct ShellLogReset {
    ShellLogReset() { PlatResetShellExecutes(); }
    ~ShellLogReset() {
        PlatResetShellExecutes();
        PlatClearInjections();
    }
};

PLAT_SHELL_EXECUTE_RECORD Logged(DWORD index) {
    PLAT_SHELL_EXECUTE_RECORD record{};
    EXPECT_TRUE(PlatGetShellExecute(index, &record));
    return record;
}

TEST(ShellExecute, EachRequestIsLoggedAndAnsweredWithoutStartingAnything) {
    ShellLogReset reset;
    const auto owner = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1234));
    const HINSTANCE web = ShellExecuteW(owner, u"open", u"https://www.example.jp/printers/", nullptr, nullptr, SW_SHOW);
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(web), 32u);
    const HINSTANCE tool = ShellExecuteW(nullptr, u"print", u"C:\\Docs\\a.txt", u"/p /q", u"C:\\Docs", SW_SHOWNORMAL);
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(tool), 32u);
    ASSERT_EQ(PlatShellExecuteCount(), 2u);
    const PLAT_SHELL_EXECUTE_RECORD first = Logged(0), second = Logged(1);
    EXPECT_EQ(std::u16string(first.verb), u"open");
    EXPECT_EQ(std::u16string(first.file), u"https://www.example.jp/printers/");
    EXPECT_EQ(std::u16string(first.parameters), u"");  // none given
    EXPECT_EQ(std::u16string(first.directory), u"");
    EXPECT_EQ(first.show, SW_SHOW);
    EXPECT_EQ(first.owner, owner);
    EXPECT_EQ(first.answer, reinterpret_cast<ULONG_PTR>(web));
    EXPECT_EQ(std::u16string(second.verb), u"print");
    EXPECT_EQ(std::u16string(second.parameters), u"/p /q");
    EXPECT_EQ(std::u16string(second.directory), u"C:\\Docs");
    EXPECT_EQ(second.show, SW_SHOWNORMAL);
    PLAT_SHELL_EXECUTE_RECORD none{};
    EXPECT_FALSE(PlatGetShellExecute(2, &none));
    EXPECT_FALSE(PlatGetShellExecute(0, nullptr));
    PlatResetShellExecutes();
    EXPECT_EQ(PlatShellExecuteCount(), 0u);
}

TEST(ShellExecute, FailuresAnswerTheShellsErrorCodes) {
    ShellLogReset reset;
    struct Failure {
        const char* name;
        DWORD injected;  // 0: none
        const char16_t* file;
        ULONG_PTR answer;
    } const failures[] = {
        {"no file", 0, nullptr, SE_ERR_FNF},
        {"an empty file", 0, u"", SE_ERR_FNF},
        {"no program for the file", SE_ERR_NOASSOC, u"C:\\a.xyz", SE_ERR_NOASSOC},
        {"a system error beyond the shell's codes", ERROR_NOT_SUPPORTED, u"C:\\a.txt", SE_ERR_ACCESSDENIED},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.name);
        PlatResetShellExecutes();
        if (f.injected) PlatInjectFailure("ShellExecuteW", 1, f.injected);
        const HINSTANCE answer = ShellExecuteW(nullptr, u"open", f.file, nullptr, nullptr, SW_SHOW);
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(answer), f.answer);
        ASSERT_EQ(PlatShellExecuteCount(), 1u);
        EXPECT_EQ(Logged(0).answer, f.answer);
    }
    // The injection was for one call only.
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(ShellExecuteW(nullptr, u"open", u"C:\\a.txt", nullptr, nullptr, SW_SHOW)),
              32u);
}

TEST(ShellExecute, LongTextsAreCutToTheRecord) {
    ShellLogReset reset;
    const std::u16string longFile(3000, u'f');
    ShellExecuteW(nullptr, u"a-verb-longer-than-the-record-holds", longFile.c_str(), nullptr, nullptr, SW_SHOW);
    const PLAT_SHELL_EXECUTE_RECORD r = Logged(0);
    EXPECT_EQ(std::u16string(r.file), longFile.substr(0, 519));
    EXPECT_EQ(std::u16string(r.verb), u"a-verb-longer-than-the-record-h");
}

// The strings of a version as a driver's resource holds them.
const PLAT_VERSION_STRING kStrings[] = {
    {u"FileDescription", u"Test module"},
    {u"FileVersion", u"1.2.3.4"},
    {u"ProductVersion", u"1.2"},
};

PLAT_VERSION_DESCRIPTION Description() {
    return PLAT_VERSION_DESCRIPTION{{1, 2, 3, 4}, VFT_DLL, 0x0411, 1200, kStrings, 3};
}

std::vector<BYTE> Built(const PLAT_VERSION_DESCRIPTION& d) {
    std::vector<BYTE> block(PlatBuildVersionResource(&d, nullptr, 0));
    EXPECT_FALSE(block.empty());
    EXPECT_EQ(PlatBuildVersionResource(&d, block.data(), static_cast<DWORD>(block.size())), block.size());
    return block;
}

std::u16string Text(const std::vector<BYTE>& block, const char16_t* path) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path, &value, &length)) return u"(none)";
    const auto* text = static_cast<const char16_t*>(value);
    EXPECT_EQ(length, std::char_traits<char16_t>::length(text) + 1);  // characters with the terminator
    return text;
}

TEST(VersionResource, BuiltBlockReadsBackThroughVerQueryValue) {
    const std::vector<BYTE> block = Built(Description());
    WORD rootLength = 0;
    std::memcpy(&rootLength, block.data(), 2);
    EXPECT_EQ(rootLength, block.size());
    EXPECT_EQ(block.size() % 4, 0u);

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00030004u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010002u);
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_DLL));

    // The about box's walk: the first translation names the string table of the FileVersion.
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    WORD pair[2];
    std::memcpy(pair, value, sizeof pair);
    EXPECT_EQ(pair[0], 0x0411);
    EXPECT_EQ(pair[1], 1200);
    EXPECT_EQ(Text(block, u"\\StringFileInfo\\041104B0\\FileVersion"), u"1.2.3.4");
    EXPECT_EQ(Text(block, u"\\StringFileInfo\\041104b0\\FileDescription"), u"Test module");
    EXPECT_EQ(Text(block, u"\\StringFileInfo\\041104B0\\ProductVersion"), u"1.2");
    EXPECT_EQ(Text(block, u"\\StringFileInfo\\040904B0\\FileVersion"), u"(none)");
    EXPECT_EQ(Text(block, u"\\StringFileInfo\\041104B0\\CompanyName"), u"(none)");
}

TEST(VersionResource, ShortBuffersAndBadDescriptionsWriteNothing) {
    const PLAT_VERSION_DESCRIPTION d = Description();
    const DWORD size = PlatBuildVersionResource(&d, nullptr, 0);
    std::vector<BYTE> shortBlock(size - 1, 0xAB);
    EXPECT_EQ(PlatBuildVersionResource(&d, shortBlock.data(), size - 1), size);
    for (BYTE b : shortBlock) ASSERT_EQ(b, 0xAB);

    EXPECT_EQ(PlatBuildVersionResource(nullptr, nullptr, 0), 0u);
    const PLAT_VERSION_STRING nullKey[] = {{nullptr, u"x"}};
    PLAT_VERSION_DESCRIPTION bad = d;
    bad.strings = nullKey;
    bad.stringCount = 1;
    EXPECT_EQ(PlatBuildVersionResource(&bad, nullptr, 0), 0u);
    bad.strings = nullptr;
    EXPECT_EQ(PlatBuildVersionResource(&bad, nullptr, 0), 0u);
    // Past what a WORD length can say: refused rather than wrapped.
    const std::u16string huge(40000, u'v');
    const PLAT_VERSION_STRING big[] = {{u"Comments", huge.c_str()}};
    bad.strings = big;
    EXPECT_EQ(PlatBuildVersionResource(&bad, nullptr, 0), 0u);
    // A null value is an empty text.
    const PLAT_VERSION_STRING empty[] = {{u"Comments", nullptr}};
    bad.strings = empty;
    const std::vector<BYTE> block = Built(bad);
    EXPECT_EQ(Text(block, u"\\StringFileInfo\\041104B0\\Comments"), u"");
}

}  // namespace
