// System facts, time conversions, GUIDs and the environment.
#include <gtest/gtest.h>

#include <string>

#include "plat/control.h"
#include "win/kernel.h"

TEST(SystemInfo, VersionAndNamesAreSettable) {
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_TRUE(GetVersionExW(&v));
    EXPECT_EQ(v.dwMajorVersion, 6u);
    EXPECT_EQ(v.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    PlatSetWindowsVersion(5, 1, 2600, VER_PLATFORM_WIN32_NT);
    OSVERSIONINFOA a{};
    a.dwOSVersionInfoSize = sizeof a;
    ASSERT_TRUE(GetVersionExA(&a));
    EXPECT_EQ(a.dwMinorVersion, 1u);
    EXPECT_EQ(a.dwBuildNumber, 2600u);
    v.dwOSVersionInfoSize = 12;
    EXPECT_FALSE(GetVersionExW(&v));
    PlatSetWindowsVersion(6, 1, 7601, VER_PLATFORM_WIN32_NT);

    PlatSetComputerName(u"PC-01");
    WCHAR name[32];
    DWORD n = 2;
    EXPECT_FALSE(GetComputerNameW(name, &n));
    EXPECT_EQ(n, 6u);  // the size needed, terminator included
    n = 32;
    ASSERT_TRUE(GetComputerNameW(name, &n));
    EXPECT_EQ(n, 5u);  // the length, without it
    EXPECT_EQ(std::u16string(name), u"PC-01");
    PlatSetUserName(u"山田");
    n = 32;
    ASSERT_TRUE(GetUserNameW(name, &n));
    EXPECT_EQ(n, 3u);  // counts the terminator
    char aname[8];
    n = sizeof aname;
    PlatSetAnsiCodePage(932);
    ASSERT_TRUE(GetUserNameA(aname, &n));
    EXPECT_STREQ(aname, "\x8e\x52\x93\x63");
    PlatSetComputerName(nullptr);
    PlatSetUserName(nullptr);
}

TEST(SystemInfo, TimeConversionsAndFixedLocalTime) {
    SYSTEMTIME st{2026, 12, 0, 10, 13, 45, 30, 250};
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(back.wYear, 2026);
    EXPECT_EQ(back.wMonth, 12);
    EXPECT_EQ(back.wDay, 10);
    EXPECT_EQ(back.wDayOfWeek, 4);  // a Thursday
    EXPECT_EQ(back.wHour, 13);
    EXPECT_EQ(back.wMilliseconds, 250);
    FILETIME epoch{0, 0};
    ASSERT_TRUE(FileTimeToSystemTime(&epoch, &back));
    EXPECT_EQ(back.wYear, 1601);
    EXPECT_EQ(back.wDayOfWeek, 1);  // 1601-01-01 was a Monday
    SYSTEMTIME bad{2026, 2, 0, 30, 0, 0, 0, 0};
    EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
    SYSTEMTIME leap{2024, 2, 0, 29, 0, 0, 0, 0};
    EXPECT_TRUE(SystemTimeToFileTime(&leap, &ft));

    PlatSetLocalTime(&st);
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(now.wYear, 2026);
    EXPECT_EQ(now.wMinute, 45);
    PlatSetLocalTime(nullptr);
    GetLocalTime(&now);
    EXPECT_GE(now.wYear, 2024);
}

TEST(SystemInfo, GuidsFixedOrRandom) {
    GUID fixed{0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
    PlatSetNextGuid(&fixed);
    GUID a, b;
    ASSERT_EQ(CoCreateGuid(&a), S_OK);
    ASSERT_EQ(CoCreateGuid(&b), S_OK);
    EXPECT_EQ(a.Data1, 0x11111111u);
    EXPECT_EQ(b.Data1, 0x11111112u);  // a sequence, never the same twice
    PlatSetNextGuid(nullptr);
    ASSERT_EQ(CoCreateGuid(&a), S_OK);
    ASSERT_EQ(CoCreateGuid(&b), S_OK);
    EXPECT_NE(std::string(reinterpret_cast<char*>(&a), sizeof a), std::string(reinterpret_cast<char*>(&b), sizeof b));
    EXPECT_EQ(a.Data3 >> 12, 4);
}

TEST(SystemInfo, EnvironmentAndLocale) {
    WCHAR buf[64];
    DWORD n = GetEnvironmentVariableW(u"WINDIR", buf, 64);
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(std::u16string(buf), u"C:\\Windows");
    EXPECT_EQ(GetEnvironmentVariableW(u"windir", buf, 4), 11u);  // too small: size with terminator
    EXPECT_EQ(GetEnvironmentVariableW(u"ORLA_SURELY_UNSET_VARIABLE", buf, 64), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
    PlatSetAnsiCodePage(932);
    EXPECT_EQ(GetUserDefaultLCID(), 0x0411u);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0411);
}
