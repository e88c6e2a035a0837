// File mapping, named shared memory and private profile files.
#include <cstring>
#include <fstream>
#include <string>

#include "sandbox_fixture.h"
#include "win/kernel.h"

class Mapping : public SandboxTest {};

TEST_F(Mapping, ReadOnlyViewOfAFileOutlivesItsHandles) {
    HANDLE f = CreateFileW(u"C:\\m.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD n;
    WriteFile(f, "mapped bytes", 12, &n, nullptr);
    HANDLE m = CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(m, nullptr);
    const char* view = static_cast<const char*>(MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 0), nullptr);  // read-only mapping
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(MapViewOfFile(m, FILE_MAP_READ, 0, 100, 0), nullptr);  // off the allocation granularity
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MAPPED_ALIGNMENT));
    CloseHandle(m);
    CloseHandle(f);
    EXPECT_EQ(std::string(view, 12), "mapped bytes");
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_FALSE(UnmapViewOfFile(view));
}

TEST_F(Mapping, EmptyFileCannotBeMapped) {
    HANDLE f = CreateFileW(u"C:\\e.bin", GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_INVALID));
    // A writable mapping needs a handle that can write.
    EXPECT_EQ(CreateFileMappingW(f, nullptr, PAGE_READWRITE, 0, 16, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(f);
}

TEST_F(Mapping, NamedSharedMemoryIsSharedBetweenViews) {
    HANDLE a = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, u"Local\\OrlaTable");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    HANDLE b = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, u"OrlaTable");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    HANDLE c = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, u"orlatable");
    ASSERT_NE(c, nullptr);
    char* va = static_cast<char*>(MapViewOfFile(a, FILE_MAP_WRITE, 0, 0, 0));
    char* vc = static_cast<char*>(MapViewOfFile(c, FILE_MAP_READ, 0, 0, 4096));
    ASSERT_NE(va, nullptr);
    ASSERT_NE(vc, nullptr);
    std::strcpy(va, "shared");
    EXPECT_STREQ(vc, "shared");
    UnmapViewOfFile(va);
    UnmapViewOfFile(vc);
    CloseHandle(a);
    CloseHandle(b);
    CloseHandle(c);
    EXPECT_EQ(OpenFileMappingW(FILE_MAP_READ, FALSE, u"OrlaTable"), nullptr);  // gone with its last handle
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

class Profile : public SandboxTest {};

TEST_F(Profile, StringsIntsListsAndDefaults) {
    CreateDirectoryW(u"C:\\Windows", nullptr);
    {
        std::ofstream ini(Host(u"C:\\Windows\\orla.ini"), std::ios::binary);
        ini << "; comment\r\n[Fonts]\r\nFace = \"Mincho\" \r\nSize=12\r\nHex=0x1F\r\n\r\n[Other]\r\nKey=Value\r\n";
    }
    WCHAR buf[64];
    EXPECT_EQ(GetPrivateProfileStringW(u"fonts", u"FACE", u"dflt", buf, 64, u"orla.ini"), 6u);
    EXPECT_EQ(std::u16string(buf), u"Mincho");
    EXPECT_EQ(GetPrivateProfileStringW(u"Fonts", u"Missing", u"dflt  ", buf, 64, u"C:\\Windows\\orla.ini"), 4u);
    EXPECT_EQ(std::u16string(buf), u"dflt");
    EXPECT_EQ(GetPrivateProfileStringW(u"Fonts", u"Face", u"", buf, 4, u"orla.ini"), 3u);  // truncated
    EXPECT_EQ(std::u16string(buf), u"Min");
    EXPECT_EQ(GetPrivateProfileIntW(u"Fonts", u"Size", 5, u"orla.ini"), 12u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Fonts", u"Hex", 5, u"orla.ini"), 31u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Fonts", u"None", 5, u"orla.ini"), 5u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Fonts", u"None", 5, u"missing.ini"), 5u);
    DWORD n = GetPrivateProfileStringW(nullptr, nullptr, u"", buf, 64, u"orla.ini");
    EXPECT_EQ(std::u16string(buf, n), std::u16string(u"Fonts\0Other\0", 12));
    n = GetPrivateProfileStringW(u"Fonts", nullptr, u"", buf, 64, u"orla.ini");
    EXPECT_EQ(std::u16string(buf, n), std::u16string(u"Face\0Size\0Hex\0", 14));
}
