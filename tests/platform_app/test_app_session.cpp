// The application process a test plays: host program and version resource, window station
// and desktop names, the work area, class icons, and the scripted user of dialogs on threads
// the code under test starts.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "plat/app_host.h"
#include "plat/control.h"
#include "plat/window_test.h"
#include "platform_ui/ui_test_ids.h"
#include "win/kernel.h"
#include "win/user.h"
#include "win/user_msg.h"
#include "win/user_session.h"
#include "win/version.h"

namespace {

struct HostReset {
    ~HostReset() {
        PlatSetHostProgram(nullptr);
        PlatClearHostProgramVersion();
        PlatSetWindowStationName(nullptr);
        PlatSetDesktopName(nullptr);
        PlatSetWorkArea(nullptr);
        PlatClearInjections();
    }
};

std::u16string ModuleName() {
    WCHAR path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::u16string(path, n);
}

// The version's dwFileVersionMS through the three calls a program's version check makes; 0
// and `size` 0 when the program has no version resource.
DWORD FileVersionMs(const std::u16string& path, DWORD& size) {
    DWORD handle = 1;
    size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    if (size == 0) return 0;
    std::vector<BYTE> block(size);
    EXPECT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    void* value = nullptr;
    UINT length = 0;
    EXPECT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, value, sizeof info);
    EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
    return info.dwFileVersionMS;
}

TEST(HostProgram, NameAndVersionResourceAsSet) {
    HostReset reset;
    const std::u16string own = ModuleName();
    ASSERT_FALSE(own.empty());
    struct Case {
        const char16_t* path;
        bool versioned;
        WORD major, minor;
    };
    const Case cases[] = {
        {u"C:\\Program Files\\Office\\WINWORD.EXE", true, 10, 0},
        {u"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE", true, 5, 50},
        {u"C:\\Windows\\NOTEPAD.EXE", false, 0, 0},
    };
    for (const Case& c : cases) {
        PlatSetHostProgram(c.path);
        if (c.versioned) {
            PlatSetHostProgramVersion(c.major, c.minor, 2627, 1);
        } else {
            PlatClearHostProgramVersion();
        }
        EXPECT_EQ(ModuleName(), c.path);
        DWORD size = 0;
        const DWORD ms = FileVersionMs(c.path, size);
        EXPECT_EQ(size != 0, c.versioned) << std::string(c.path, c.path + 8);
        EXPECT_EQ(ms, c.versioned ? (DWORD{c.major} << 16 | c.minor) : 0u);
        // The name compares without regard to case, as Windows file names do.
        std::u16string lower(c.path);
        for (char16_t& ch : lower) ch = (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch + 32) : ch;
        EXPECT_EQ(GetFileVersionInfoSizeW(lower.c_str(), nullptr), size);
    }
    PlatSetHostProgram(nullptr);
    EXPECT_EQ(ModuleName(), own);
    // A short buffer is cut and terminated, as for any module.
    PlatSetHostProgram(u"C:\\Program Files\\Office\\WINWORD.EXE");
    WCHAR small[8];
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 8), 8u);
    EXPECT_EQ(std::u16string(small), u"C:\\Prog");
}

std::u16string ObjectName(HANDLE object, DWORD bufferBytes, BOOL& ok, DWORD& needed) {
    std::vector<WCHAR> buffer(bufferBytes / sizeof(WCHAR) + 1, u'#');
    needed = 0;
    ok = GetUserObjectInformationW(object, UOI_NAME, buffer.data(), bufferBytes, &needed);
    return ok ? std::u16string(buffer.data()) : std::u16string();
}

TEST(Session, WindowStationAndDesktopNames) {
    HostReset reset;
    HANDLE station = GetProcessWindowStation(), desktop = GetThreadDesktop(GetCurrentThreadId());
    ASSERT_TRUE(station && desktop);
    struct Case {
        const char16_t* stationName;  // null: the default
        const char16_t* desktopName;
        const char16_t* expectStation;
        const char16_t* expectDesktop;
    };
    const Case cases[] = {
        {nullptr, nullptr, u"WinSta0", u"Default"},
        {u"Service-0x0-3e7$", u"Winlogon", u"Service-0x0-3e7$", u"Winlogon"},
    };
    for (const Case& c : cases) {
        PlatSetWindowStationName(c.stationName);
        PlatSetDesktopName(c.desktopName);
        BOOL ok = FALSE;
        DWORD needed = 0;
        EXPECT_EQ(ObjectName(station, 256, ok, needed), c.expectStation);
        EXPECT_EQ(needed, (std::char_traits<char16_t>::length(c.expectStation) + 1) * 2);
        EXPECT_EQ(ObjectName(desktop, 256, ok, needed), c.expectDesktop);
        // Too small a buffer: refused with the size needed.
        ObjectName(desktop, 4, ok, needed);
        EXPECT_FALSE(ok);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(needed, (std::char_traits<char16_t>::length(c.expectDesktop) + 1) * 2);
    }
    BOOL ok = TRUE;
    DWORD needed = 0;
    ObjectName(reinterpret_cast<HANDLE>(0x1234), 256, ok, needed);
    EXPECT_FALSE(ok);
}

TEST(Session, WorkAreaAsSetAndInjectedFailure) {
    HostReset reset;
    RECT area{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LT(area.bottom, GetSystemMetrics(SM_CYSCREEN));  // the task bar is not work area
    const RECT set{100, 50, 900, 650};
    PlatSetWorkArea(&set);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
    EXPECT_EQ(std::memcmp(&area, &set, sizeof area), 0);
    PlatInjectFailure("SystemParametersInfoW", 1, ERROR_ACCESS_DENIED);
    RECT untouched{-1, -1, -1, -1};
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &untouched, 0));
    EXPECT_EQ(untouched.left, -1);
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));  // only the one call fails
    EXPECT_FALSE(SystemParametersInfoW(0x1234, 0, &area, 0));
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

TEST(Session, ClassIconIsSharedByTheClassesWindows) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = PlainProc;
    cls.lpszClassName = u"AppTestIconClass";
    cls.hIcon = reinterpret_cast<HICON>(static_cast<ULONG_PTR>(0x1111));
    ASSERT_NE(RegisterClassW(&cls), 0);
    HWND a = CreateWindowExW(0, cls.lpszClassName, u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND b = CreateWindowExW(0, cls.lpszClassName, u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(GetClassLongPtrW(a, GCLP_HICON), 0x1111u);
    EXPECT_EQ(SetClassLongPtrW(a, GCLP_HICON, 0x2222), 0x1111u);
    EXPECT_EQ(GetClassLongPtrW(b, GCLP_HICON), 0x2222u);
    WNDCLASSW read{};
    ASSERT_TRUE(GetClassInfoW(nullptr, cls.lpszClassName, &read));
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(read.hIcon), 0x2222u);
    EXPECT_EQ(GetClassLongPtrW(a, 7), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(SetClassLongPtrW(nullptr, GCLP_HICON, 1), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    DestroyWindow(a);
    DestroyWindow(b);
    UnregisterClassW(cls.lpszClassName, nullptr);
}

INT_PTR CALLBACK OkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) return EndDialog(dialog, IDOK);
    return message == WM_INITDIALOG;
}

struct IdleSeen {
    std::atomic<DWORD> thread{0};
    std::atomic<int> turns{0};
};

// The scripted user: presses OK the first time the dialog's loop is idle.
BOOL CALLBACK PressOk(HWND dialog, void* context) {
    auto* seen = static_cast<IdleSeen*>(context);
    seen->thread = GetCurrentThreadId();
    ++seen->turns;
    return PlatPressButton(dialog, IDOK);
}

TEST(Session, ProcessIdleHandlerServesDialogsOnOtherThreads) {
    HMODULE dialogs = LoadLibraryW(u"UiTestDialogs.dll");
    ASSERT_NE(dialogs, nullptr);
    IdleSeen seen;
    PlatSetProcessModalIdleHandler(PressOk, &seen);
    INT_PTR result = 0;
    DWORD dialogThread = 0;
    std::thread worker([&] {
        dialogThread = GetCurrentThreadId();
        result = DialogBoxParamW(dialogs, MAKEINTRESOURCEW(kDialogMain), nullptr, OkDialogProc, 0);
    });
    worker.join();
    PlatSetProcessModalIdleHandler(nullptr, nullptr);
    FreeLibrary(dialogs);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seen.thread.load(), dialogThread);
    EXPECT_GE(seen.turns.load(), 1);
}

}  // namespace
