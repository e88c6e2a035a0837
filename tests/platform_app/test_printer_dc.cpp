// An application's device context on a printer: made from the printer's graphics DLL, its
// escapes reach the DLL's DrvEscape, ResetDCW goes to the host's handler, DeleteDC unloads.
#include <cstdlib>
#include <string>
#include <vector>

#include "plat/app_host.h"
#include "plat/gdi_control.h"
#include "platform/sandbox_fixture.h"
#include "win/kernel.h"
#include "win/printer_dc.h"
#include "win/spool.h"
#include "win/user_gdi.h"

namespace {

constexpr char16_t kPrinter[] = u"App Test Printer";
constexpr char16_t kGraphicsDll[] = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\AppTestGraphics.dll";
constexpr int kEscapeEcho = 7001, kEscapeRefused = 7002, kEscapeUnknown = 7003;

typedef ULONG (*EscapeLogProc)(ULONG* triples, ULONG capacity);
typedef int (*EnabledDriversProc)(void);

struct DcHolder {
    HDC h;
    explicit DcHolder(HDC dc) : h(dc) {}
    ~DcHolder() {
        if (h) DeleteDC(h);
    }
    DcHolder(const DcHolder&) = delete;
    DcHolder& operator=(const DcHolder&) = delete;
};

class PrinterDc : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_NE(bin, nullptr) << "ORLA_BIN_DIR names the folder of the built modules";
        ASSERT_TRUE(PlatCopyIntoSandbox((std::string(bin) + "/AppTestGraphics.dll").c_str(), kGraphicsDll));
        PLAT_PRINTER_SETUP setup{};
        setup.printerName = kPrinter;
        setup.driverName = u"App Test Driver";
        setup.portName = u"LPT1:";
        setup.driverPath = kGraphicsDll;
        setup.dataFile = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\APPTEST.GPD";
        setup.configFile = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\AppTestUi.dll";
        ASSERT_TRUE(PlatInstallPrinter(&setup));
        // The test's own reference keeps the DLL (and its log) loaded between the DCs.
        module_ = LoadLibraryW(kGraphicsDll);
        ASSERT_NE(module_, nullptr);
        log_ = reinterpret_cast<EscapeLogProc>(reinterpret_cast<void*>(GetProcAddress(module_, "AppTestEscapeLog")));
        enabled_ = reinterpret_cast<EnabledDriversProc>(
            reinterpret_cast<void*>(GetProcAddress(module_, "AppTestEnabledDrivers")));
        ASSERT_TRUE(log_ && enabled_);
        logStart_ = log_(nullptr, 0);
    }
    void TearDown() override {
        PlatSetResetDcHandler(nullptr, nullptr);
        if (module_) FreeLibrary(module_);
        SandboxTest::TearDown();
    }
    // The escapes the DLL saw since the test began, as (code, input size, output size).
    std::vector<ULONG> EscapesSeen() {
        std::vector<ULONG> all(3 * log_(nullptr, 0));
        log_(all.data(), static_cast<ULONG>(all.size() / 3));
        return std::vector<ULONG>(all.begin() + 3 * logStart_, all.end());
    }
    HMODULE module_ = nullptr;
    EscapeLogProc log_ = nullptr;
    EnabledDriversProc enabled_ = nullptr;
    ULONG logStart_ = 0;
};

TEST_F(PrinterDc, EscapesReachTheGraphicsDll) {
    DcHolder dc(CreateDCW(u"WINSPOOL", kPrinter, nullptr, nullptr));
    ASSERT_NE(dc.h, nullptr) << GetLastError();
    struct Case {
        int code;
        std::string input;
        int outputSize;
        int expected;
        bool reachesDriver;
        std::string output;  // the output buffer afterwards
    };
    const Case cases[] = {
        {kEscapeEcho, "stamp", 8, 5, true, std::string("stamp\0\0\0", 8)},
        {kEscapeRefused, "", 0, 0, true, ""},
        {kEscapeUnknown, "x", 4, -1, true, std::string(4, '\0')},
        {kEscapeEcho, "", -1, SP_ERROR, false, ""},  // a negative size never reaches the driver
    };
    std::vector<ULONG> expectedLog;
    for (const Case& c : cases) {
        std::vector<char> out(c.outputSize > 0 ? c.outputSize : 0, '\0');
        int answer = ExtEscape(dc.h, c.code, static_cast<int>(c.input.size()), c.input.data(), c.outputSize,
                               out.empty() ? nullptr : out.data());
        EXPECT_EQ(answer, c.expected) << c.code;
        EXPECT_EQ(std::string(out.begin(), out.end()), c.output) << c.code;
        if (c.reachesDriver) {
            expectedLog.insert(expectedLog.end(), {static_cast<ULONG>(c.code), static_cast<ULONG>(c.input.size()),
                                                   static_cast<ULONG>(c.outputSize)});
        }
    }
    EXPECT_EQ(EscapesSeen(), expectedLog);
}

TEST_F(PrinterDc, HandleValueIsTheEngineDeviceAndOtherHandlesAreRefused) {
    DcHolder dc(CreateDCW(nullptr, kPrinter, nullptr, nullptr));
    ASSERT_NE(dc.h, nullptr);
    const auto value = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(dc.h));
    EXPECT_NE(PlatGdiDeviceOfDc(value), nullptr);  // what the driver maps an escaped handle back with

    DcHolder memory(CreateCompatibleDC(nullptr));
    EXPECT_EQ(ExtEscape(memory.h, kEscapeEcho, 0, nullptr, 0, nullptr), SP_ERROR);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(CreateDCW(nullptr, u"No Such Printer", nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr), nullptr);
    EXPECT_TRUE(EscapesSeen().empty());
}

TEST_F(PrinterDc, DriverIsEnabledOncePerDllAndDisabledWithTheLastDc) {
    ASSERT_EQ(enabled_(), 0);
    HDC first = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
    HDC second = CreateDCW(nullptr, kPrinter, nullptr, nullptr);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(enabled_(), 1);
    EXPECT_TRUE(DeleteDC(first));
    EXPECT_EQ(enabled_(), 1);
    EXPECT_EQ(ExtEscape(second, kEscapeRefused, 0, nullptr, 0, nullptr), 0);
    EXPECT_TRUE(DeleteDC(second));
    EXPECT_EQ(enabled_(), 0);
    EXPECT_FALSE(DeleteDC(second));
    EXPECT_EQ(ExtEscape(second, kEscapeRefused, 0, nullptr, 0, nullptr), SP_ERROR);
}

struct ResetSeen {
    HDC hdc = nullptr;
    const DEVMODEW* devmode = nullptr;
    int calls = 0;
    bool accept = true;
};

HDC CALLBACK RecordReset(HDC hdc, const DEVMODEW* devmode, void* context) {
    auto* seen = static_cast<ResetSeen*>(context);
    seen->hdc = hdc;
    seen->devmode = devmode;
    ++seen->calls;
    return seen->accept ? hdc : nullptr;
}

TEST_F(PrinterDc, ResetDcGoesToTheHostsHandler) {
    DcHolder dc(CreateDCW(nullptr, kPrinter, nullptr, nullptr));
    ASSERT_NE(dc.h, nullptr);
    DEVMODEW settings{};
    settings.dmSize = sizeof settings;
    EXPECT_EQ(ResetDCW(dc.h, &settings), nullptr);  // no host handler: refused
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));

    ResetSeen seen;
    PlatSetResetDcHandler(RecordReset, &seen);
    EXPECT_EQ(ResetDCW(dc.h, &settings), dc.h);
    EXPECT_EQ(seen.hdc, dc.h);
    EXPECT_EQ(seen.devmode, &settings);
    seen.accept = false;
    EXPECT_EQ(ResetDCW(dc.h, &settings), nullptr);
    DcHolder memory(CreateCompatibleDC(nullptr));
    EXPECT_EQ(ResetDCW(memory.h, &settings), nullptr);  // not a printer DC: the handler is not asked
    EXPECT_EQ(seen.calls, 2);
}

}  // namespace
