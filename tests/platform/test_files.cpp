// Files: creation dispositions, share modes, times, pointers, directories, find and paths.
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "sandbox_fixture.h"
#include "win/kernel.h"

namespace {

HANDLE Open(const char16_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
}

bool WriteAll(HANDLE h, const std::string& s) {
    DWORD n = 0;
    return WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &n, nullptr) && n == s.size();
}

std::string ReadAll(const char16_t* path) {
    HANDLE h = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buf[256];
    DWORD n = 0;
    ReadFile(h, buf, sizeof buf, &n, nullptr);
    CloseHandle(h);
    return std::string(buf, n);
}

}  // namespace

class Files : public SandboxTest {};

TEST_F(Files, CreationDispositions) {
    struct Case {
        DWORD disposition;
        bool exists;
        bool succeeds;
        DWORD error;          // last error afterwards
        const char* content;  // file content afterwards ("old" or "")
    };
    const Case cases[] = {
        {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<missing>"},
        {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<missing>"},
        {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
    };
    CreateDirectoryW(u"C:\\data", nullptr);
    for (const auto& c : cases) {
        DeleteFileW(u"C:\\data\\f.txt");
        if (c.exists) {
            HANDLE h = Open(u"C:\\data\\f.txt", GENERIC_WRITE, 0, CREATE_NEW);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            WriteAll(h, "old");
            CloseHandle(h);
        }
        SetLastError(0xDEAD);
        HANDLE h = Open(u"C:\\data\\f.txt", GENERIC_READ | GENERIC_WRITE, 0, c.disposition);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.succeeds) << c.disposition << " exists=" << c.exists;
        EXPECT_EQ(GetLastError(), c.error) << c.disposition << " exists=" << c.exists;
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        EXPECT_EQ(ReadAll(u"C:\\data\\f.txt"), c.content) << c.disposition << " exists=" << c.exists;
    }
}

TEST_F(Files, MissingDirectoryIsPathNotFound) {
    EXPECT_EQ(Open(u"C:\\nowhere\\f.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Open(u"C:\\Windows\\bad*name.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(Open(u"C:\\x.txt", GENERIC_READ, 0, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Files, ShareModesBetweenOpenHandles) {
    struct Case {
        DWORD firstAccess, firstShare, secondAccess, secondShare;
        bool secondOpens;
    };
    const DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
    const Case cases[] = {
        {R, SR, R, SR, true},                                // readers sharing reads
        {R, 0, R, SR, false},                                // first allows no sharing
        {R, SR, W, SR, false},                               // first does not share writes
        {R, SR | SW, W, SR | SW, true},                      // both share everything needed
        {W, SR, R, SR, false},                               // second does not let the first keep writing
        {W, SR, R, SR | SW, true},      {R, 0, 0, 0, true},  // attribute-only opens never conflict
    };
    HANDLE make = Open(u"C:\\s.bin", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(make, INVALID_HANDLE_VALUE);
    CloseHandle(make);
    for (const auto& c : cases) {
        HANDLE a = Open(u"C:\\s.bin", c.firstAccess, c.firstShare, OPEN_EXISTING);
        ASSERT_NE(a, INVALID_HANDLE_VALUE);
        HANDLE b = Open(u"c:\\S.BIN", c.secondAccess, c.secondShare, OPEN_EXISTING);
        EXPECT_EQ(b != INVALID_HANDLE_VALUE, c.secondOpens)
            << c.firstAccess << "/" << c.firstShare << " then " << c.secondAccess << "/" << c.secondShare;
        if (b == INVALID_HANDLE_VALUE)
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        else
            CloseHandle(b);
        CloseHandle(a);
    }
    // Once every handle is closed the file opens exclusively again.
    HANDLE x = Open(u"C:\\s.bin", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    EXPECT_NE(x, INVALID_HANDLE_VALUE);
    // Deleting an open file needs FILE_SHARE_DELETE.
    EXPECT_FALSE(DeleteFileW(u"C:\\s.bin"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(x);
    EXPECT_TRUE(DeleteFileW(u"C:\\s.bin"));
}

TEST_F(Files, DeleteOnCloseAndReadOnly) {
    HANDLE h = Open(u"C:\\tmp.bin", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_NE(GetFileAttributesW(u"C:\\tmp.bin"), INVALID_FILE_ATTRIBUTES);
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesW(u"C:\\tmp.bin"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    h = Open(u"C:\\ro.txt", GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(GetFileAttributesW(u"C:\\ro.txt") & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Open(u"C:\\ro.txt", GENERIC_WRITE, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeleteFileW(u"C:\\ro.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(Files, ReadWritePointerAndEnd) {
    HANDLE h = Open(u"C:\\p.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(WriteAll(h, "0123456789"));
    DWORD high = 0;
    EXPECT_EQ(GetFileSize(h, &high), 10u);
    EXPECT_EQ(SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
    char buf[16];
    DWORD n = 0;
    ASSERT_TRUE(ReadFile(h, buf, 3, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "456");
    EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_END), 8u);
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "89");  // short read at the end is success
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    SetFilePointer(h, 5, nullptr, FILE_BEGIN);
    EXPECT_TRUE(SetEndOfFile(h));
    EXPECT_EQ(GetFileSize(h, nullptr), 5u);
    CloseHandle(h);
    // A handle opened for reading only cannot write.
    h = Open(u"C:\\p.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(h);
}

TEST_F(Files, WriteFileInjectedFailureAndShortWrite) {
    HANDLE h = Open(u"C:\\w.bin", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    PlatInjectFailure("WriteFile", 1, ERROR_DISK_FULL);
    PlatInjectShortWrite("WriteFile", 2, 3);
    DWORD n = 77;
    EXPECT_FALSE(WriteFile(h, "abcdef", 6, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(n, 0u);
    EXPECT_TRUE(WriteFile(h, "abcdef", 6, &n, nullptr));
    EXPECT_EQ(n, 3u);
    EXPECT_TRUE(WriteFile(h, "XYZ", 3, &n, nullptr));
    EXPECT_EQ(n, 3u);
    CloseHandle(h);
    EXPECT_EQ(ReadAll(u"C:\\w.bin"), "abcXYZ");
}

TEST_F(Files, CreateFileInjectedFailure) {
    PlatInjectFailure("CreateFileW", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open(u"C:\\i.bin", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    HANDLE h = Open(u"C:\\i.bin", GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

TEST_F(Files, LastWriteTimesCompareAtFullResolution) {
    HANDLE a = Open(u"C:\\a.txt", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    HANDLE b = Open(u"C:\\b.txt", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    ASSERT_NE(b, INVALID_HANDLE_VALUE);
    SYSTEMTIME st{2024, 3, 0, 15, 10, 20, 30, 0};
    FILETIME ft, later, readA, readB;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    ft.dwLowDateTime += 1234567;  // not a whole second: the 100 ns digits must survive
    ULONGLONG v = ((static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) + 10000000ull;
    later = FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
    ASSERT_TRUE(SetFileTime(a, nullptr, nullptr, &ft));
    ASSERT_TRUE(SetFileTime(b, nullptr, nullptr, &ft));
    ASSERT_TRUE(GetFileTime(a, nullptr, nullptr, &readA));
    ASSERT_TRUE(GetFileTime(b, nullptr, nullptr, &readB));
    EXPECT_EQ(readA.dwLowDateTime, ft.dwLowDateTime);
    EXPECT_EQ(readA.dwHighDateTime, ft.dwHighDateTime);
    EXPECT_EQ(CompareFileTime(&readA, &readB), 0);
    ASSERT_TRUE(SetFileTime(b, nullptr, nullptr, &later));
    ASSERT_TRUE(GetFileTime(b, nullptr, nullptr, &readB));
    EXPECT_EQ(CompareFileTime(&readA, &readB), -1);
    EXPECT_EQ(CompareFileTime(&readB, &readA), 1);
    CloseHandle(a);
    CloseHandle(b);
    // A copy keeps the last-write time.
    ASSERT_TRUE(CopyFileW(u"C:\\b.txt", u"C:\\c.txt", TRUE));
    HANDLE c = Open(u"C:\\c.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    FILETIME readC;
    GetFileTime(c, nullptr, nullptr, &readC);
    CloseHandle(c);
    EXPECT_EQ(CompareFileTime(&readB, &readC), 0);
    EXPECT_FALSE(CopyFileW(u"C:\\b.txt", u"C:\\c.txt", TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
}

TEST_F(Files, PathsMapCaseInsensitivelyIntoTheSandbox) {
    // A fresh sandbox has the system's own directories.
    EXPECT_FALSE(CreateDirectoryW(u"c:\\windows\\SYSTEM32", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(CreateDirectoryW(u"C:\\Windows\\Fonts", nullptr));
    HANDLE h = Open(u"c:/WINDOWS/fonts/Data.Bin", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    struct stat st;
    EXPECT_EQ(stat((root_ + "/C/Windows/Fonts/Data.Bin").c_str(), &st), 0);
    EXPECT_EQ(Host(u"C:\\WINDOWS\\FONTS\\data.bin"), root_ + "/C/Windows/Fonts/Data.Bin");
    EXPECT_EQ(Host(u"C:\\Windows\\System32\\"), root_ + "/C/Windows/System32");
    EXPECT_EQ(Host(u"C:\\Windows\\..\\Windows\\.\\x"), root_ + "/C/Windows/x");
}

TEST_F(Files, FindPatternsMoveAndDirectories) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\d", nullptr));
    for (const char16_t* name : {u"C:\\d\\one.ttf", u"C:\\d\\two.TTF", u"C:\\d\\three.fon", u"C:\\d\\ab1.ttf"}) {
        HANDLE h = Open(name, GENERIC_WRITE, 0, CREATE_NEW);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    auto find = [](const char16_t* pattern) {
        std::u16string names;
        WIN32_FIND_DATAW fd;
        HANDLE f = FindFirstFileW(pattern, &fd);
        if (f == INVALID_HANDLE_VALUE) return std::u16string(u"<none>");
        do {
            names += fd.cFileName;
            names += u";";
        } while (FindNextFileW(f, &fd));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        FindClose(f);
        return names;
    };
    EXPECT_EQ(find(u"C:\\d\\*.ttf"), u"ab1.ttf;one.ttf;two.TTF;");
    EXPECT_EQ(find(u"C:\\d\\??1.*"), u"ab1.ttf;");
    EXPECT_EQ(find(u"C:\\d\\*.zip"), u"<none>");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(find(u"C:\\nodir\\*"), u"<none>");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    EXPECT_TRUE(MoveFileW(u"C:\\d\\one.ttf", u"C:\\d\\uno.ttf"));
    EXPECT_FALSE(MoveFileW(u"C:\\d\\two.TTF", u"C:\\d\\uno.ttf"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(RemoveDirectoryW(u"C:\\d"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    EXPECT_EQ(GetFileAttributesW(u"C:\\d") & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    // A directory is not opened as a file.
    EXPECT_EQ(Open(u"C:\\d", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(Files, TempPathAndTempFileNames) {
    WCHAR dir[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, dir);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(dir[n - 1], u'\\');
    EXPECT_EQ(GetTempPathW(2, dir), n + 1);  // too small: the size needed
    GetTempPathW(MAX_PATH, dir);
    WCHAR name[MAX_PATH];
    UINT u1 = GetTempFileNameW(dir, u"ORLA", 0, name);
    ASSERT_NE(u1, 0u);
    std::u16string s(name);
    EXPECT_EQ(s.substr(0, n), std::u16string(dir));
    EXPECT_EQ(s.substr(n, 3), u"ORL");  // three characters of the prefix
    EXPECT_EQ(s.substr(s.size() - 4), u".tmp");
    EXPECT_NE(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES);  // created
    WCHAR name2[MAX_PATH];
    UINT u2 = GetTempFileNameW(dir, u"ORLA", 0, name2);
    EXPECT_NE(u2, u1);
    EXPECT_EQ(GetTempFileNameW(dir, u"ab", 0x1A2B, name2), 0x1A2Bu);
    EXPECT_EQ(std::u16string(name2), std::u16string(dir) + u"ab1A2B.tmp");
    EXPECT_EQ(GetFileAttributesW(name2), INVALID_FILE_ATTRIBUTES);  // a given number creates nothing
    EXPECT_EQ(GetTempFileNameW(u"C:\\missing", u"x", 0, name2), 0u);
    WCHAR win[4];
    EXPECT_EQ(GetWindowsDirectoryW(win, 4), 11u);
    WCHAR win2[MAX_PATH];
    EXPECT_EQ(GetWindowsDirectoryW(win2, MAX_PATH), 10u);
    EXPECT_EQ(std::u16string(win2), u"C:\\Windows");
    GetSystemDirectoryW(win2, MAX_PATH);
    EXPECT_EQ(std::u16string(win2), u"C:\\Windows\\System32");
}

TEST_F(Files, DuplicatedHandleSharesTheFileAndItsPosition) {
    HANDLE h = Open(u"C:\\dup.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    HANDLE d = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &d, 0, FALSE, 0));
    ASSERT_TRUE(WriteAll(h, "abc"));
    ASSERT_TRUE(WriteAll(d, "def"));  // continues where the first handle stopped
    CloseHandle(h);
    // The exclusive open still holds through the duplicate.
    EXPECT_EQ(Open(u"C:\\dup.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    FILETIME created, written;
    ASSERT_TRUE(GetFileTime(d, &created, nullptr, &written));
    EXPECT_LE(CompareFileTime(&created, &written), 0);
    CloseHandle(d);
    EXPECT_EQ(ReadAll(u"C:\\dup.bin"), "abcdef");
    HANDLE bad = nullptr;
    EXPECT_FALSE(
        DuplicateHandle(GetCurrentProcess(), reinterpret_cast<HANDLE>(0x5550), GetCurrentProcess(), &bad, 0, FALSE, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}
