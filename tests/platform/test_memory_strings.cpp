// Memory, last error, critical sections, interlocked operations and the string helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "plat/control.h"
#include "win/kernel.h"

TEST(Memory, GlobalAllocZeroInitSizeAndFree) {
    HGLOBAL h = GlobalAlloc(GPTR, 100);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 100u);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0) << i;
    EXPECT_EQ(GlobalFree(h), nullptr);  // null means success
    // Freeing it again is an error that hands the handle back.
    EXPECT_EQ(GlobalFree(h), h);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Memory, MoveableHandleIsNotThePointerAndReallocKeepsData) {
    HGLOBAL h = GlobalAlloc(GHND, 8);
    ASSERT_NE(h, nullptr);
    auto* p = static_cast<char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    EXPECT_NE(static_cast<void*>(p), h);
    std::memcpy(p, "abcdefgh", 8);
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    HGLOBAL again = GlobalReAlloc(h, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_EQ(again, h);  // a moveable block keeps its handle
    p = static_cast<char*>(GlobalLock(h));
    EXPECT_EQ(std::string(p, 8), "abcdefgh");
    EXPECT_EQ(p[4095], 0);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(Memory, InjectedGlobalAllocFailure) {
    PlatInjectFailure("GlobalAlloc", 2, ERROR_NOT_ENOUGH_MEMORY);
    HGLOBAL first = GlobalAlloc(GPTR, 10);
    EXPECT_NE(first, nullptr);
    SetLastError(0);
    EXPECT_EQ(GlobalAlloc(GPTR, 10), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    HGLOBAL third = GlobalAlloc(GPTR, 10);
    EXPECT_NE(third, nullptr);
    GlobalFree(first);
    GlobalFree(third);
    PlatClearInjections();
}

TEST(Memory, PrivateHeapOwnsItsBlocks) {
    HANDLE heap = HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    void* a = HeapAlloc(heap, HEAP_ZERO_MEMORY, 32);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(HeapSize(heap, 0, a), 32u);
    EXPECT_EQ(static_cast<char*>(a)[31], 0);
    void* other = HeapAlloc(GetProcessHeap(), 0, 8);
    EXPECT_FALSE(HeapFree(heap, 0, other));  // not this heap's block
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, other));
    void* b = HeapReAlloc(heap, HEAP_ZERO_MEMORY, a, 64);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(static_cast<char*>(b)[63], 0);
    EXPECT_TRUE(HeapDestroy(heap));  // frees what is left
}

TEST(Kernel, LastErrorIsPerThread) {
    SetLastError(1234);
    DWORD seen = 0;
    std::thread t([&] {
        SetLastError(99);
        seen = GetLastError();
    });
    t.join();
    EXPECT_EQ(seen, 99u);
    EXPECT_EQ(GetLastError(), 1234u);
}

TEST(Kernel, CriticalSectionIsRecursiveAndExcludesOthers) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);  // the owner may enter again
    BOOL otherGot = TRUE;
    std::thread t([&] { otherGot = TryEnterCriticalSection(&cs); });
    t.join();
    EXPECT_FALSE(otherGot);
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    std::thread t2([&] {
        otherGot = TryEnterCriticalSection(&cs);
        if (otherGot) LeaveCriticalSection(&cs);
    });
    t2.join();
    EXPECT_TRUE(otherGot);
    DeleteCriticalSection(&cs);
}

TEST(Kernel, InterlockedOperations) {
    LONG v = 5;
    EXPECT_EQ(InterlockedIncrement(&v), 6);
    EXPECT_EQ(InterlockedDecrement(&v), 5);
    EXPECT_EQ(InterlockedExchange(&v, 9), 5);
    EXPECT_EQ(InterlockedCompareExchange(&v, 1, 8), 9);  // no match: unchanged
    EXPECT_EQ(v, 9);
    EXPECT_EQ(InterlockedCompareExchange(&v, 1, 9), 9);
    EXPECT_EQ(v, 1);
    LONG counter = 0;
    std::thread a([&] {
        for (int i = 0; i < 10000; ++i) InterlockedIncrement(&counter);
    });
    std::thread b([&] {
        for (int i = 0; i < 10000; ++i) InterlockedIncrement(&counter);
    });
    a.join();
    b.join();
    EXPECT_EQ(counter, 20000);
}

TEST(Kernel, CloseHandleRejectsUnknownHandles) {
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x7777)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

struct WideFormatCase {
    const char16_t* format;
    int value;
    const char16_t* expected;
};

TEST(Strings, WsprintfWNumbersWidthsAndPadding) {
    const WideFormatCase cases[] = {
        {u"%d", -42, u"-42"},     {u"%5d", 42, u"   42"},    {u"%05d", 42, u"00042"},
        {u"%05d", -42, u"-0042"}, {u"%-5d|", 42, u"42   |"}, {u"%u", -1, u"4294967295"},
        {u"%x", 255, u"ff"},      {u"%X", 255, u"FF"},       {u"%08lX", 0xBEEF, u"0000BEEF"},
        {u"%ld", 7, u"7"},        {u"%lu", 7, u"7"},         {u"%c", u'Z', u"Z"},
        {u"100%%", 0, u"100%"},   {u"%04x", 0x1a, u"001a"},  {u"%lx", 0x10, u"10"},
    };
    for (const auto& c : cases) {
        WCHAR out[64];
        int n = wsprintfW(out, c.format, c.value);
        EXPECT_EQ(std::u16string(out), std::u16string(c.expected)) << std::string(c.format, c.format + 4);
        EXPECT_EQ(n, static_cast<int>(std::u16string(c.expected).size()));
    }
}

TEST(Strings, WsprintfStringsOfBothWidths) {
    WCHAR out[64];
    wsprintfW(out, u"[%s|%S|%6s|%-4s]", u"wide", "ansi", u"r", u"l");
    EXPECT_EQ(std::u16string(out), u"[wide|ansi|     r|l   ]");
    char aout[64];
    wsprintfA(aout, "%s-%S-%03d", "a", u"w", 7);
    EXPECT_STREQ(aout, "a-w-007");
    // Japanese text crosses widths through the ANSI code page.
    PlatSetAnsiCodePage(932);
    wsprintfA(aout, "%S", u"日本");
    EXPECT_STREQ(aout, "\x93\xfa\x96\x7b");
}

TEST(Strings, WsprintfStopsAt1024Characters) {
    std::u16string longText(2000, u'x');
    std::vector<WCHAR> out(3000, u'#');
    int n = wsprintfW(out.data(), u"%s", longText.c_str());
    EXPECT_EQ(n, 1023);
    EXPECT_EQ(out[1023], 0);
    EXPECT_EQ(out[1024], u'#');  // nothing written beyond the limit
}

TEST(Strings, LstrHelpers) {
    WCHAR buf[8];
    lstrcpynW(buf, u"abcdefghij", 5);
    EXPECT_EQ(std::u16string(buf), u"abcd");
    EXPECT_EQ(lstrlenW(buf), 4);
    EXPECT_EQ(lstrlenW(nullptr), 0);
    lstrcatW(buf, u"xy");
    EXPECT_EQ(std::u16string(buf), u"abcdxy");
    EXPECT_EQ(lstrcmpiW(u"Quessa.DLL", u"quessa.dll"), 0);
    EXPECT_LT(lstrcmpW(u"A", u"B"), 0);
    EXPECT_GT(lstrcmpiA("b", "A"), 0);
    char a[4];
    lstrcpynA(a, "hello", sizeof a);
    EXPECT_STREQ(a, "hel");
}

TEST(Strings, WcstolLikeTheRuntime) {
    struct Case {
        const char16_t* text;
        int base;
        long value;
        size_t consumed;
    };
    const Case cases[] = {
        {u"  123abc", 10, 123, 5},
        {u"-0x1F", 16, -31, 5},
        {u"0x1F", 0, 31, 4},
        {u"017", 0, 15, 3},
        {u"zz", 10, 0, 0},
        {u"99999999999", 10, 2147483647L, 11},
        {u"-99999999999", 10, -2147483647L - 1, 12},
        {u"+7", 10, 7, 2},
    };
    for (const auto& c : cases) {
        WCHAR* end = nullptr;
        EXPECT_EQ(wcstol(c.text, &end, c.base), c.value) << std::string(c.text, c.text + 3);
        EXPECT_EQ(static_cast<size_t>(end - c.text), c.consumed);
    }
    EXPECT_EQ(wcslen(u"abc"), 3u);
    EXPECT_EQ(wcscmp(u"abc", u"abd"), -1);
    EXPECT_EQ(wcsncmp(u"abc", u"abd", 2), 0);
    const WCHAR* path = u"C:\\a\\b.dll";
    EXPECT_EQ(wcsrchr(path, u'\\'), path + 4);
    EXPECT_EQ(wcschr(path, u'Q'), nullptr);
}

TEST(Kernel, ThreadAndProcessIds) {
    DWORD mine = GetCurrentThreadId();
    DWORD other = 0;
    std::thread t([&] { other = GetCurrentThreadId(); });
    t.join();
    EXPECT_NE(mine, 0u);
    EXPECT_NE(other, mine);
    EXPECT_EQ(GetCurrentThreadId(), mine);
    EXPECT_NE(GetCurrentProcessId(), 0u);
    EXPECT_EQ(GetCurrentProcess(), INVALID_HANDLE_VALUE);  // the pseudo handle -1, as on Windows
}
