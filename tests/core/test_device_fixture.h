// Shared pieces of the device data and support routine tests: a fresh sandbox per test, the
// sample descriptions and test data of the source tree, description texts built in the test,
// and file helpers that go through the platform's own file functions.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/device_data.h"
#include "plat/control.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace orla_test {

inline std::u16string Widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

inline std::string SourceDir() {
    const char* env = std::getenv("ORLA_SOURCE_DIR");
    return env ? env : ORLA_SOURCE_DIR_DEFAULT;
}

inline std::string BinDir() {
    const char* env = std::getenv("ORLA_BIN_DIR");
    return env ? env : ORLA_BIN_DIR_DEFAULT;
}

inline std::vector<BYTE> ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A description text as the file holds it: UTF-16LE, with a BOM unless asked otherwise, lines
// ended by CR LF (a text given with '\n' line ends).
inline std::vector<BYTE> DescriptionBytes(const std::u16string& text, bool bom = true) {
    std::vector<BYTE> out;
    auto put = [&](char16_t c) {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    };
    if (bom) put(0xFEFF);
    for (char16_t c : text) {
        if (c == u'\n') put(u'\r');
        put(c);
    }
    return out;
}

// Writes bytes to a Windows path through the platform (CREATE_ALWAYS).
inline bool WriteWinFile(const std::u16string& path, const std::vector<BYTE>& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
    return ok && written == bytes.size();
}

inline std::vector<BYTE> ReadWinFile(const std::u16string& path) {
    std::vector<BYTE> out;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return out;
    DWORD size = GetFileSize(f, nullptr);
    out.resize(size);
    DWORD read = 0;
    if (size && !ReadFile(f, out.data(), size, &read, nullptr)) read = 0;
    out.resize(read);
    CloseHandle(f);
    return out;
}

inline bool GetWriteTime(const std::u16string& path, FILETIME* t) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    BOOL ok = GetFileTime(f, nullptr, nullptr, t);
    CloseHandle(f);
    return ok != FALSE;
}

inline bool SetWriteTime(const std::u16string& path, const FILETIME& t) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    BOOL ok = SetFileTime(f, nullptr, nullptr, &t);
    CloseHandle(f);
    return ok != FALSE;
}

inline FILETIME AddSeconds(FILETIME t, LONGLONG seconds) {
    ULONGLONG v = (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    v += static_cast<ULONGLONG>(seconds * 10000000LL);
    return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

// Owns a block from the compiler or the cache reader.
struct BlockHolder {
    orla::CompiledDeviceData* block = nullptr;
    BlockHolder() = default;
    explicit BlockHolder(orla::CompiledDeviceData* b) : block(b) {}
    BlockHolder(const BlockHolder&) = delete;
    BlockHolder& operator=(const BlockHolder&) = delete;
    ~BlockHolder() {
        if (block) GlobalFree(block);
    }
    const BYTE* bytes() const { return reinterpret_cast<const BYTE*>(block); }
    DWORD size() const { return orla::DeviceDataSize(block); }
};

inline orla::CompiledDeviceData* CompileText(const std::u16string& text, bool bom = true) {
    std::vector<BYTE> bytes = DescriptionBytes(text, bom);
    return orla::CompileDeviceText(bytes);
}

// A fresh sandbox root per test; the driver directory holds the samples on demand.
class SandboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/orla-c1-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        root_ = dir;
        PlatSetSandboxRoot(dir);
        driverDir_ = PlatDriverDirectory();
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // Copies a sample description into the driver directory; its Windows path.
    std::u16string InstallSample(const std::string& file) {
        std::u16string path = driverDir_ + u"\\" + Widen(file);
        EXPECT_TRUE(PlatCopyIntoSandbox((SourceDir() + "/resources/models/" + file).c_str(), path.c_str()));
        return path;
    }

    // Installs a printer whose graphics DLL is Quessa.dll in the driver directory. The driver is
    // named after the data file, so printers of one data file share one driver, as on Windows.
    bool InstallPrinter(const std::u16string& name, const std::u16string& dataFile,
                        const std::u16string& driverFile = u"Quessa.dll") {
        std::u16string driver = driverDir_ + u"\\" + driverFile;
        std::u16string config = driverDir_ + u"\\Talvex.dll";
        std::u16string driverName = u"ORLA " + dataFile.substr(dataFile.rfind(u'\\') + 1) + u" " + driverFile;
        PLAT_PRINTER_SETUP setup{name.c_str(),     driverName.c_str(), u"LPT1:", driver.c_str(),
                                 dataFile.c_str(), config.c_str(),     nullptr,  nullptr};
        return PlatInstallPrinter(&setup) != FALSE;
    }

    HANDLE OpenTestPrinter(const std::u16string& name) {
        HANDLE h = nullptr;
        if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &h, nullptr)) return nullptr;
        return h;
    }

    std::string root_;
    std::u16string driverDir_;
};

}  // namespace orla_test
