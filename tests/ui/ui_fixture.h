// A sandbox with one installed printer opened with full access, and raw printer-data helpers that
// go around the code under test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "core/support.h"
#include "core/test_device_fixture.h"
#include "ui/entry/ui_context.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla_ui_test {

using orla_test::BinDir;
using orla_test::Widen;

// A UI context owned by the test: torn down however the test ends.
struct ContextFree {
    void operator()(orla::UiContext* c) const { orla::DestroyUiContext(c); }
};
using ContextPtr = std::unique_ptr<orla::UiContext, ContextFree>;

// A module loaded by the test, freed however the test ends, and its entry points by name.
struct LibraryFree {
    void operator()(HINSTANCE__* m) const { FreeLibrary(m); }
};
using LibraryPtr = std::unique_ptr<HINSTANCE__, LibraryFree>;
template <typename T>
T ProcEntry(HMODULE m, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

// The interface DLL of the build under test, and the help file the sample printer names.
inline constexpr const char* kInterfaceDllFile = orla::kJapaneseBuild ? "Talvex.dll" : "Morvin.dll";
inline constexpr const char16_t* kSampleHelpFile = u"C:\\help\\orla.chm";

// A string of the printer's language resource DLL (empty when there is none).
inline std::u16string ResourceText(HANDLE printer, UINT id) {
    HMODULE res = orla::LoadResourceDll(printer);
    WCHAR text[128] = {};
    const int n = res ? LoadStringW(res, id, text, 128) : 0;
    if (res) orla::FreeResourceDll(res);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// A text read by the two-call buffer protocol of the stand-ins' logs.
inline std::u16string ReadTwoCallLog(DWORD (*read)(LPWSTR, DWORD)) {
    DWORD needed = read(nullptr, 0);
    std::u16string text(needed, u'\0');
    text.resize(read(text.data(), needed));
    return text;
}

struct RawValue {
    DWORD rc = 0;
    DWORD type = 0;
    std::vector<BYTE> bytes;
};

class UiSandbox : public orla_test::SandboxTest {
protected:
    // The device-data cache is set up by the DLL's process attach; the tests play that part.
    void SetUp() override {
        SandboxTest::SetUp();
        orla::DeviceDataCacheInit();
    }
    void TearDown() override {
        orla::DeviceDataCacheTerm();
        if (printer_) ClosePrinter(printer_);
        printer_ = nullptr;
        PlatClearInjections();
        SandboxTest::TearDown();
    }

    // Installs and opens (PRINTER_ALL_ACCESS) a printer of a sample model, with the language
    // resource DLLs beside its graphics DLL.
    void InstallSamplePrinter(const std::string& model = "HV4400KJ.KDD", const std::u16string& name = u"Halvoric",
                              const char16_t* helpFile = nullptr) {
        std::u16string data = InstallSample(model);
        InstallNamed(name, data, helpFile);
    }

    void InstallNamed(const std::u16string& name, const std::u16string& dataFile, const char16_t* helpFile) {
        for (const char* dll : {"Quessaj.dll", "Quessae.dll"}) {
            ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + dll).c_str(), (driverDir_ + u"\\" + Widen(dll)).c_str()))
                << dll;
        }
        std::u16string driver = driverDir_ + u"\\Quessa.dll";
        std::u16string config = driverDir_ + u"\\Talvex.dll";
        std::u16string driverName = u"ORLA " + dataFile.substr(dataFile.rfind(u'\\') + 1);
        PLAT_PRINTER_SETUP setup{name.c_str(),     driverName.c_str(), u"LPT1:", driver.c_str(),
                                 dataFile.c_str(), config.c_str(),     helpFile, nullptr};
        ASSERT_TRUE(PlatInstallPrinter(&setup));
        printer_ = OpenFull(name);
        ASSERT_NE(printer_, nullptr);
    }

    static HANDLE OpenFull(const std::u16string& name, DWORD access = PRINTER_ALL_ACCESS) {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
        HANDLE h = nullptr;
        if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &h, &defaults)) return nullptr;
        return h;
    }

    RawValue Raw(const char16_t* name) const {
        RawValue v;
        DWORD needed = 0;
        v.rc = GetPrinterDataW(printer_, const_cast<LPWSTR>(name), &v.type, nullptr, 0, &needed);
        if (v.rc != ERROR_MORE_DATA && v.rc != ERROR_SUCCESS) return v;
        v.bytes.resize(needed);
        v.rc = GetPrinterDataW(printer_, const_cast<LPWSTR>(name), &v.type, v.bytes.data(), needed, &needed);
        return v;
    }

    void PutRaw(const char16_t* name, DWORD type, const std::vector<BYTE>& bytes) {
        ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(name), type, const_cast<BYTE*>(bytes.data()),
                                  static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    void PutDword(const char16_t* name, DWORD value) { PutRaw(name, REG_DWORD, Le32(value)); }

    static std::vector<BYTE> Le32(DWORD v) {
        return {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                static_cast<BYTE>(v >> 24)};
    }

    // UTF-16LE bytes of a text, zero-padded to size bytes.
    static std::vector<BYTE> Utf16(std::u16string_view text, size_t size) {
        std::vector<BYTE> out(size, 0);
        for (size_t i = 0; i < text.size() && 2 * i + 1 < size; ++i) {
            out[2 * i] = static_cast<BYTE>(text[i]);
            out[2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
        }
        return out;
    }

    HANDLE printer_ = nullptr;
};

}  // namespace orla_ui_test
