// File mapping, named shared memory and private profile files.
#include <cstring>
#include <fstream>
#include <iterator>
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

class SearchPath : public SandboxTest {};

TEST_F(SearchPath, FindsFilesInListedOrDefaultFolders) {
    CreateDirectoryW(u"C:\\Windows", nullptr);
    CreateDirectoryW(u"C:\\Windows\\System32", nullptr);
    CreateDirectoryW(u"C:\\Data", nullptr);
    CreateDirectoryW(u"C:\\Windows\\folder.ini", nullptr);  // a folder is never the answer
    for (const char16_t* path : {u"C:\\Windows\\orla.ini", u"C:\\Data\\orla.ini", u"C:\\Data\\plain.txt"})
        std::ofstream(Host(path), std::ios::binary) << "x";
    struct Case {
        const char16_t* list;
        const char16_t* name;
        const char16_t* extension;
        const char16_t* expected;  // null: not found
    };
    const Case cases[] = {
        {nullptr, u"orla.ini", nullptr, u"C:\\Windows\\orla.ini"},
        {u"C:\\Windows", u"orla.ini", nullptr, u"C:\\Windows\\orla.ini"},
        {u"C:\\Missing;C:\\Data\\", u"orla.ini", nullptr, u"C:\\Data\\orla.ini"},
        {u"C:\\Data;C:\\Windows", u"orla", u".ini", u"C:\\Data\\orla.ini"},
        {u"C:\\Data", u"plain.txt", u".ini", u"C:\\Data\\plain.txt"},  // own extension kept
        {nullptr, u"C:\\Data\\plain.txt", nullptr, u"C:\\Data\\plain.txt"},
        {u"C:\\Windows", u"folder.ini", nullptr, nullptr},
        {u"C:\\Windows", u"absent.ini", nullptr, nullptr},
        {u";;", u"orla.ini", nullptr, nullptr},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE("case " + std::to_string(i));
        WCHAR buf[MAX_PATH] = {};
        LPWSTR part = reinterpret_cast<LPWSTR>(buf + 1);
        SetLastError(0);
        DWORD n = SearchPathW(c.list, c.name, c.extension, MAX_PATH, buf, &part);
        if (c.expected == nullptr) {
            EXPECT_EQ(n, 0u);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
            EXPECT_EQ(part, nullptr);
            continue;
        }
        const std::u16string expected(c.expected);
        EXPECT_EQ(n, expected.size());
        EXPECT_EQ(std::u16string(buf), expected);
        ASSERT_NE(part, nullptr);
        EXPECT_EQ(std::u16string(part), expected.substr(expected.find_last_of(u'\\') + 1));
    }
}

TEST_F(SearchPath, ShortBufferGetsTheSizeNeededAndBadInputAnError) {
    CreateDirectoryW(u"C:\\Windows", nullptr);
    std::ofstream(Host(u"C:\\Windows\\orla.ini"), std::ios::binary) << "x";
    WCHAR buf[8] = {u'#'};
    LPWSTR part = buf;
    EXPECT_EQ(SearchPathW(u"C:\\Windows", u"orla.ini", nullptr, 8, buf, &part), 20u);  // with the terminator
    EXPECT_EQ(part, nullptr);
    EXPECT_EQ(SearchPathW(u"C:\\Windows", u"orla.ini", nullptr, 0, nullptr, nullptr), 20u);
    EXPECT_EQ(SearchPathW(u"C:\\Windows", u"", nullptr, 8, buf, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SearchPathW(u"C:\\Windows", nullptr, nullptr, 8, buf, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
