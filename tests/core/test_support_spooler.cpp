// Spooler queries into blocks of their own, and the read-only file mapper.
#include <cstring>
#include <string>
#include <vector>

#include "core/support.h"
#include "test_device_fixture.h"

using namespace orla;
using namespace orla_test;

namespace {

class SupportSpooler : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        dataFile_ = InstallSample("HV4400KJ.KDD");
        ASSERT_TRUE(InstallPrinter(u"Halvoric", dataFile_));
        printer_ = OpenTestPrinter(u"Halvoric");
        ASSERT_NE(printer_, nullptr);
    }
    void TearDown() override {
        PlatClearInjections();
        if (printer_) ClosePrinter(printer_);
        SandboxTest::TearDown();
    }
    std::u16string dataFile_;
    HANDLE printer_ = nullptr;
};

}  // namespace

TEST_F(SupportSpooler, PrinterAndDriverInformation) {
    BYTE* p2 = GetPrinterInfoAlloc(printer_, 2);
    ASSERT_NE(p2, nullptr);
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(p2);
    ASSERT_NE(info->pPrinterName, nullptr);
    EXPECT_EQ(std::u16string(info->pPrinterName), u"Halvoric");
    GlobalFree(p2);

    for (DWORD level : {2u, 3u}) {
        BYTE* d = GetDriverInfoAlloc(printer_, level);
        ASSERT_NE(d, nullptr) << level;
        auto* di = reinterpret_cast<DRIVER_INFO_2W*>(d);  // level 3 starts the same way
        ASSERT_TRUE(di->pDataFile && di->pDriverPath);
        EXPECT_EQ(std::u16string(di->pDataFile), dataFile_);
        EXPECT_EQ(std::u16string(di->pDriverPath), driverDir_ + u"\\Quessa.dll");
        GlobalFree(d);
    }
}

TEST_F(SupportSpooler, FailuresGiveNull) {
    EXPECT_EQ(GetPrinterInfoAlloc(nullptr, 2), nullptr);
    EXPECT_EQ(GetDriverInfoAlloc(nullptr, 2), nullptr);
    EXPECT_EQ(GetPrinterInfoAlloc(printer_, 77), nullptr);
    EXPECT_EQ(GetDriverInfoAlloc(printer_, 77), nullptr);
    PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GetDriverInfoAlloc(printer_, 2), nullptr);
    PlatClearInjections();
    BYTE* d = GetDriverInfoAlloc(printer_, 2);
    EXPECT_NE(d, nullptr);
    GlobalFree(d);
}

TEST_F(SupportSpooler, MapFileReadOnly) {
    std::vector<BYTE> expected = ReadHostFile(SourceDir() + "/resources/models/HV4400KJ.KDD");
    const BYTE* view = nullptr;
    const BYTE* cursor = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(MapFileReadOnly(dataFile_.c_str(), &view, &cursor, &size));
    EXPECT_EQ(view, cursor);
    ASSERT_EQ(size, expected.size());
    EXPECT_EQ(0, std::memcmp(view, expected.data(), size));
    EXPECT_TRUE(UnmapViewOfFile(view));

    // The size is optional; only the view stays open, so the file can be replaced afterwards.
    ASSERT_TRUE(MapFileReadOnly(dataFile_.c_str(), &view, &cursor, nullptr));
    EXPECT_EQ(view[0], 0xFF);
    EXPECT_EQ(view[1], 0xFE);
    EXPECT_TRUE(UnmapViewOfFile(view));

    std::u16string empty = driverDir_ + u"\\EMPTY.KDD";
    ASSERT_TRUE(WriteWinFile(empty, {}));
    struct Case {
        const char* name;
        const char16_t* path;
    } const failing[] = {
        {"missing", u"C:\\no\\such.KDD"},
        {"empty file", empty.c_str()},
        {"null path", nullptr},
    };
    for (const Case& c : failing) {
        SCOPED_TRACE(c.name);
        view = reinterpret_cast<const BYTE*>(1);
        EXPECT_FALSE(MapFileReadOnly(c.path, &view, &cursor, &size));
        EXPECT_EQ(view, nullptr);
    }
    EXPECT_FALSE(MapFileReadOnly(dataFile_.c_str(), nullptr, &cursor, &size));
}
