// Module loading and resources, with the small module built beside the tests.
#include <cstring>
#include <string>

#include "plat/resource_table.h"
#include "sandbox_fixture.h"
#include "win/kernel.h"

namespace {
typedef LONG (*CountProc)(void);
typedef HINSTANCE (*InstanceProc)(void);
}  // namespace

class Modules : public SandboxTest {};

TEST_F(Modules, SameFileGivesSameHandleWithAReferenceCount) {
    HMODULE a = LoadLibraryW(u"PlatTestModule.dll");
    ASSERT_NE(a, nullptr) << GetLastError();
    HMODULE b = LoadLibraryW(u"PLATTESTMODULE");  // no extension means ".dll"
    EXPECT_EQ(a, b);
    auto count = reinterpret_cast<CountProc>(reinterpret_cast<void (*)()>(GetProcAddress(a, "TestModuleAttachCount")));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count(), 1);  // DllMain ran once
    auto instance =
        reinterpret_cast<InstanceProc>(reinterpret_cast<void (*)()>(GetProcAddress(a, "TestModuleInstance")));
    EXPECT_EQ(instance(), a);  // DllMain got the module handle
    EXPECT_EQ(GetProcAddress(a, "NoSuchExport"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(u"plattestmodule.dll"), a);

    WCHAR path[MAX_PATH];
    DWORD n = GetModuleFileNameW(a, path, MAX_PATH);
    ASSERT_GT(n, 0u);
    std::u16string p(path, n);
    EXPECT_EQ(p.substr(p.size() - 18), u"PlatTestModule.dll");
    WCHAR small[5];
    EXPECT_EQ(GetModuleFileNameW(a, small, 5), 5u);  // truncated, terminated
    EXPECT_EQ(small[4], 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_EQ(GetModuleHandleW(u"PlatTestModule.dll"), a);  // still loaded once more
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_FALSE(FreeLibrary(a));
}

TEST_F(Modules, LoadsByWindowsPathFromTheSandbox) {
    WCHAR path[MAX_PATH];
    HMODULE a = LoadLibraryW(u"PlatTestModule.dll");
    ASSERT_NE(a, nullptr);
    DWORD n = GetModuleFileNameW(a, path, MAX_PATH);
    // Found beside the program: named on drive Z:, the host's root, with Windows separators.
    EXPECT_EQ(std::u16string(path, 3), u"Z:\\");
    EXPECT_EQ(std::u16string(path, n).find(u'/'), std::u16string::npos);
    std::string host = PlatHostPath(path);
    EXPECT_EQ(host.substr(0, 1), "/");
    FreeLibrary(a);
    ASSERT_TRUE(PlatCopyIntoSandbox(host.c_str(), u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Copy.dll"));
    HMODULE c = LoadLibraryW(u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\copy.dll");
    ASSERT_NE(c, nullptr);
    n = GetModuleFileNameW(c, path, MAX_PATH);
    EXPECT_EQ(std::u16string(path, n), u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\copy.dll");
    FreeLibrary(c);
    EXPECT_EQ(LoadLibraryW(u"C:\\Windows\\Missing.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(u"NotLoaded.dll"), nullptr);
    EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
}

TEST_F(Modules, ResourcesByIdNameAndType) {
    HMODULE m = LoadLibraryExW(u"PlatTestModule.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(m, nullptr);
    HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(1000), RT_RCDATA);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(SizeofResource(m, r), 5u);
    auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(m, r)));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[4], 5);
    EXPECT_NE(FindResourceW(m, u"#1000", RT_RCDATA), nullptr);
    HRSRC named = FindResourceW(m, u"logo", u"Picture");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(SizeofResource(m, named), 3u);
    EXPECT_EQ(FindResourceW(m, MAKEINTRESOURCEW(1001), RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceW(m, MAKEINTRESOURCEW(1), RT_BITMAP), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(SizeofResource(m, reinterpret_cast<HRSRC>(0x1234)), 0u);
    FreeLibrary(m);
}

TEST_F(Modules, LoadStringCases) {
    HMODULE m = LoadLibraryW(u"PlatTestModule.dll");
    ASSERT_NE(m, nullptr);
    WCHAR buf[16];
    EXPECT_EQ(LoadStringW(m, 100, buf, 16), 5);
    EXPECT_EQ(std::u16string(buf), u"Hello");
    EXPECT_EQ(LoadStringW(m, 100, buf, 3), 2);  // truncated and terminated
    EXPECT_EQ(std::u16string(buf), u"He");
    buf[0] = u'x';
    EXPECT_EQ(LoadStringW(m, 999, buf, 16), 0);  // missing: empty buffer
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(LoadStringW(m, 102, buf, 16), 0);  // an empty string counts as missing
    const WCHAR* direct = nullptr;
    EXPECT_EQ(LoadStringW(m, 100, reinterpret_cast<LPWSTR>(&direct), 0), 5);
    ASSERT_NE(direct, nullptr);
    EXPECT_EQ(std::u16string(direct, 5), u"Hello");  // read-only text, no terminator promised
    char a[16];
    PlatSetAnsiCodePage(932);
    EXPECT_EQ(LoadStringA(m, 101, a, 16), 9);  // three kanji (two bytes) and three kana (one)
    EXPECT_STREQ(a, "\x93\xfa\x96\x7b\x8c\xea\xc3\xbd\xc4");
    EXPECT_EQ(LoadStringA(m, 101, a, 4), 2);  // never half a character
    EXPECT_STREQ(a, "\x93\xfa");
    FreeLibrary(m);
}

// "KERNEL32" is the platform library: its loader functions are found there by name, and the ANSI
// loader loads as the wide one does.
TEST_F(Modules, Kernel32NamesThePlatformLibraryAndItsLoaderFunctions) {
    HMODULE k32 = GetModuleHandleA("KERNEL32");
    ASSERT_NE(k32, nullptr);
    EXPECT_EQ(GetModuleHandleA("kernel32.dll"), k32);
    EXPECT_EQ(GetModuleHandleW(u"Kernel32"), k32);
    typedef HMODULE (*LoadExA)(LPCSTR, HANDLE, DWORD);
    typedef BOOL (*Free)(HMODULE);
    auto loadEx = reinterpret_cast<LoadExA>(reinterpret_cast<void (*)()>(GetProcAddress(k32, "LoadLibraryExA")));
    auto freeLib = reinterpret_cast<Free>(reinterpret_cast<void (*)()>(GetProcAddress(k32, "FreeLibrary")));
    ASSERT_NE(loadEx, nullptr);
    ASSERT_NE(freeLib, nullptr);
    EXPECT_NE(GetProcAddress(k32, "GetProcAddress"), nullptr);
    EXPECT_EQ(loadEx, &LoadLibraryExA);

    HMODULE m = loadEx("PlatTestModule.dll", nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetModuleHandleA("PlatTestModule"), m);
    EXPECT_TRUE(freeLib(m));
    EXPECT_EQ(GetModuleHandleA("PlatTestModule"), nullptr) << "the last reference unloads it";
    EXPECT_EQ(LoadLibraryExA(nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FreeLibrary(k32)) << "a system module stays";
    EXPECT_EQ(GetModuleHandleA("KERNEL32"), k32);
}
