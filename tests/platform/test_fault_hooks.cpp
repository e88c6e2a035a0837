// Injected failures of the calls Windows can fail and the layer otherwise never does: each fails
// once, as Windows fails it (result and last error), and the next call succeeds again. A failed
// hive save leaves the registry as it was; a job printed to a file whose copy fails ends FALSE.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "plat/gdi_control.h"
#include "sandbox_fixture.h"
#include "win/ddi.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

constexpr DWORD kUntouched = 0xBEEF;  // a last error no call here sets

struct OwnedHeap {
    HANDLE heap = HeapCreate(0, 0, 0);
    ~OwnedHeap() {
        if (heap) HeapDestroy(heap);
    }
};

struct OwnedHandle {
    HANDLE h = nullptr;
    ~OwnedHandle() {
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

}  // namespace

class FaultHooks : public SandboxTest {};

TEST_F(FaultHooks, EachCallFailsOnceAsWindowsFailsIt) {
    OwnedHeap heap;
    ASSERT_NE(heap.heap, nullptr);
    const std::string mappedFile = Host(u"C:\\mapped.bin");
    std::filesystem::create_directories(std::filesystem::path(mappedFile).parent_path());
    std::ofstream(mappedFile, std::ios::binary) << std::string(100, 'm');
    OwnedHandle file{CreateFileW(u"C:\\mapped.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
    ASSERT_NE(file.h, INVALID_HANDLE_VALUE);
    OwnedHandle mapping{CreateFileMappingW(file.h, nullptr, PAGE_READONLY, 0, 0, nullptr)};
    ASSERT_NE(mapping.h, nullptr);
    BRUSHOBJ* brush = PlatBrushCreateSolid(0, 0x000000);
    ASSERT_NE(brush, nullptr);
    struct Case {
        const char* operation;
        DWORD injected;
        DWORD wantError;             // kUntouched: the call leaves the last error alone
        std::function<bool()> call;  // true when it succeeded (and released what it made)
    };
    const Case cases[] = {
        {"HeapCreate", ERROR_NOT_ENOUGH_MEMORY, ERROR_NOT_ENOUGH_MEMORY,
         [] {
             HANDLE h = HeapCreate(0, 0, 0);
             return h && HeapDestroy(h);
         }},
        {"HeapAlloc", ERROR_NOT_ENOUGH_MEMORY, kUntouched,
         [&] {
             void* p = HeapAlloc(heap.heap, 0, 64);
             return p && HeapFree(heap.heap, 0, p);
         }},
        {"HeapReAlloc", ERROR_OUTOFMEMORY, kUntouched,
         [&] {
             // The block stays whole and valid when the reallocation fails.
             auto* p = static_cast<char*>(HeapAlloc(heap.heap, 0, 8));
             if (!p) return false;
             std::memcpy(p, "kept", 5);
             void* q = HeapReAlloc(heap.heap, 0, p, 4096);
             if (!q) {
                 EXPECT_STREQ(p, "kept");
                 EXPECT_EQ(HeapSize(heap.heap, 0, p), 8u);
                 HeapFree(heap.heap, 0, p);
                 return false;
             }
             return HeapFree(heap.heap, 0, q) != FALSE;
         }},
        {"BRUSHOBJ_pvAllocRbrush", ERROR_NOT_ENOUGH_MEMORY, ERROR_NOT_ENOUGH_MEMORY,
         [&] { return BRUSHOBJ_pvAllocRbrush(brush, 16) != nullptr; }},
        {"CreateFileMappingW", ERROR_COMMITMENT_LIMIT, ERROR_COMMITMENT_LIMIT,
         [&] {
             HANDLE m = CreateFileMappingW(file.h, nullptr, PAGE_READONLY, 0, 0, nullptr);
             return m && CloseHandle(m);
         }},
        {"MapViewOfFile", ERROR_NOT_ENOUGH_MEMORY, ERROR_NOT_ENOUGH_MEMORY,
         [&] {
             const void* view = MapViewOfFile(mapping.h, FILE_MAP_READ, 0, 0, 0);
             return view && UnmapViewOfFile(view);
         }},
        {"CreateEventW", ERROR_NO_SYSTEM_RESOURCES, ERROR_NO_SYSTEM_RESOURCES,
         [] {
             HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
             return e && CloseHandle(e);
         }},
        {"CreateThread", ERROR_NOT_ENOUGH_MEMORY, ERROR_NOT_ENOUGH_MEMORY,
         [] {
             HANDLE t = CreateThread(
                 nullptr, 0, [](LPVOID) -> DWORD { return 0; }, nullptr, 0, nullptr);
             if (!t) return false;
             const bool ended = WaitForSingleObject(t, INFINITE) == WAIT_OBJECT_0;
             return CloseHandle(t) && ended;
         }},
        {"CreateMutexW", ERROR_NO_SYSTEM_RESOURCES, ERROR_NO_SYSTEM_RESOURCES,
         [] {
             HANDLE m = CreateMutexW(nullptr, FALSE, nullptr);
             return m && CloseHandle(m);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        PlatInjectFailure(c.operation, 1, c.injected);
        SetLastError(kUntouched);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(GetLastError(), c.wantError);
        EXPECT_TRUE(c.call()) << "the failure is injected once";
    }
    // A name is looked up, not made: named events and mutexes are not failed.
    PlatInjectFailure("CreateEventW", 1, 0);
    HANDLE named = CreateEventW(nullptr, TRUE, FALSE, u"FaultHooksNamed");
    EXPECT_NE(named, nullptr);
    if (named) CloseHandle(named);
    PlatClearInjections();
    PlatBrushDelete(brush);
}

// The hive cannot be written: the call returns the error, and the registry still holds what it
// held before, in memory and after a restart.
TEST_F(FaultHooks, FailedHiveSaveKeepsTheOldValue) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Hooks", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    DWORD one = 1, two = 2;
    ASSERT_EQ(RegSetValueExW(key, u"kept", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
    PlatInjectFailure("RegSetValueExW", 1, ERROR_DISK_FULL);
    EXPECT_EQ(RegSetValueExW(key, u"kept", 0, REG_BINARY, reinterpret_cast<BYTE*>(&two), 3), ERROR_DISK_FULL);
    PlatInjectFailure("RegSetValueExW", 1, ERROR_WRITE_FAULT);
    EXPECT_EQ(RegSetValueExW(key, u"new", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4), ERROR_WRITE_FAULT);
    RegCloseKey(key);
    for (const char* when : {"in memory", "after a restart"}) {
        SCOPED_TRACE(when);
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Hooks", 0, KEY_READ, &key), ERROR_SUCCESS);
        DWORD type = 0, value = 0, size = sizeof value;
        EXPECT_EQ(RegQueryValueExW(key, u"kept", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(size, 4u);
        EXPECT_EQ(value, 1u);
        size = sizeof value;
        EXPECT_EQ(RegQueryValueExW(key, u"new", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_FILE_NOT_FOUND);
        WCHAR name[16];
        DWORD length = 16;
        EXPECT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS)
            << "one value only";
        RegCloseKey(key);
        PlatResetForTests();
    }
}

// A job printed to a file: when its bytes cannot be copied there, EndDocPrinter fails with the
// reason, and no file is left; without a fault the file holds the job.
TEST_F(FaultHooks, PrintToFileReportsAFailedCopy) {
    PLAT_PRINTER_SETUP setup{u"File Printer", u"Driver",    u"FILE:", u"C:\\d.dll",
                             u"C:\\d.dat",    u"C:\\c.dll", nullptr,  nullptr};
    ASSERT_TRUE(PlatInstallPrinter(&setup));
    std::filesystem::create_directories(Host(u"C:\\") + "/out");
    struct Case {
        const char* what;
        const char16_t* file;
        DWORD injected;
        bool ok;
        DWORD error;
    };
    const Case cases[] = {
        {"copied", u"C:\\out\\good.prn", 0, true, 0},
        {"copy fails", u"C:\\out\\full.prn", ERROR_DISK_FULL, false, ERROR_DISK_FULL},
        {"no such folder", u"C:\\missing\\folder\\job.prn", 0, false, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE printer = nullptr;
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"File Printer"), &printer, nullptr));
        DOC_INFO_1W doc{const_cast<LPWSTR>(u"doc"), const_cast<LPWSTR>(c.file), const_cast<LPWSTR>(u"RAW")};
        ASSERT_NE(StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
        DWORD written = 0;
        char bytes[] = "job bytes";
        EXPECT_TRUE(WritePrinter(printer, bytes, 9, &written));
        if (c.injected) PlatInjectFailure("EndDocPrinter", 1, c.injected);
        SetLastError(0);
        EXPECT_EQ(EndDocPrinter(printer) != FALSE, c.ok);
        if (!c.ok) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        const std::string host = PlatHostPath(c.file);
        EXPECT_EQ(std::filesystem::exists(host), c.ok);
        if (c.ok) {
            std::ifstream in(host, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "job bytes");
        }
        ClosePrinter(printer);
    }
}
