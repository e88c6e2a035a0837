// The stamp reader: the user's list under HKEY_CURRENT_USER with the printer data as its fallback,
// whole records only, and the conversion of the stored texts into the in-memory form.
#include <cstring>
#include <string>
#include <vector>

#include "core/stamp_record.h"
#include "core/test_device_fixture.h"
#include "win/nls.h"
#include "win/registry.h"
#include "win/spool.h"

using namespace orla;

namespace {

// A stored record: number, name and text in the system code page.
std::vector<BYTE> Stored(WORD number, const std::string& name, const std::string& text = "TEXT") {
    std::vector<BYTE> r(kStampRecordSize, 0);
    std::memcpy(r.data() + stamp::kNumber, &number, sizeof number);
    std::memcpy(r.data() + stamp::kName.offset, name.data(), std::min(name.size(), stamp::kName.bytes));
    std::memcpy(r.data() + stamp::kText.offset, text.data(), std::min(text.size(), stamp::kText.bytes));
    const WORD weight = 700;
    std::memcpy(r.data() + stamp::kWeight, &weight, sizeof weight);
    return r;
}

std::u16string WideAt(const BYTE* record, StampTextField f) {
    std::u16string out;
    for (size_t i = 0; i + 1 < f.bytes; i += 2) {
        char16_t c = static_cast<char16_t>(record[f.offset + i] | (record[f.offset + i + 1] << 8));
        if (c == 0) break;
        out.push_back(c);
    }
    return out;
}

class StampRecordTest : public orla_test::SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        ASSERT_TRUE(InstallPrinter(u"Queue", InstallSample("HV4400KJ.KDD")));
        PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"Queue"), &printer_, &all));
    }
    void TearDown() override {
        if (printer_) ClosePrinter(printer_);
        SandboxTest::TearDown();
    }

    static std::vector<BYTE> Cat(std::initializer_list<std::vector<BYTE>> parts) {
        std::vector<BYTE> out;
        for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    }
    // The user's key, and its list when given.
    void PutUserList(const std::vector<BYTE>* list) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\QEV\\STAMP\\Queue", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        LONG rc = ERROR_SUCCESS;
        if (list)
            rc = RegSetValueExW(key, u"STAMP_Info", 0, REG_BINARY, list->data(), static_cast<DWORD>(list->size()));
        RegCloseKey(key);
        ASSERT_EQ(rc, ERROR_SUCCESS);
    }
    void PutPrinterList(const std::vector<BYTE>& list) {
        ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(u"STAMP_Info"), REG_BINARY,
                                  const_cast<BYTE*>(list.data()), static_cast<DWORD>(list.size())),
                  ERROR_SUCCESS);
    }
    // The record read for a number, starting from a record of 0xEE bytes (kept when nothing is read).
    std::vector<BYTE> Read(WORD number) {
        std::vector<BYTE> r(kStampRecordSize, 0xEE);
        ReadStampInfo(printer_, number, r.data());
        return r;
    }

    HANDLE printer_ = nullptr;
};

TEST(StampKey, NetworkPrinterNamesLoseTheirLeadingBackslashes) {
    EXPECT_EQ(StampKeyPath(u"\\\\server\\queue"), u"Software\\QEV\\STAMP\\server\\queue");
    EXPECT_EQ(StampKeyPath(u"Queue"), u"Software\\QEV\\STAMP\\Queue");
    EXPECT_EQ(StampKeyPath(u"\\Queue"), u"Software\\QEV\\STAMP\\\\Queue") << "one backslash is part of the name";
}

TEST_F(StampRecordTest, WholeRecordsOfTheUsersListAreSearchedByNumber) {
    std::vector<BYTE> list = Cat({Stored(1, "Draft"), Stored(2, "Copy")});
    list.resize(list.size() + 10, 0x02);  // 1,570 bytes: the trailing 10 are not a record
    PutUserList(&list);
    std::vector<BYTE> r = Read(2);
    EXPECT_EQ(WideAt(r.data(), stamp::kName), u"Copy");
    EXPECT_EQ(WideAt(r.data(), stamp::kText), u"TEXT");
    WORD weight = 0;
    std::memcpy(&weight, r.data() + stamp::kWeight, sizeof weight);
    EXPECT_EQ(weight, 700) << "numeric fields stay as stored";
    EXPECT_EQ(Read(3), std::vector<BYTE>(kStampRecordSize, 0xEE)) << "a number not in the list changes nothing";
}

TEST_F(StampRecordTest, PrinterDataIsTheFallbackOnlyWhenTheUsersKeyExists) {
    PutPrinterList(Stored(1, "Shared"));
    EXPECT_EQ(Read(1), std::vector<BYTE>(kStampRecordSize, 0xEE)) << "no user key: nothing is read";
    PutUserList(nullptr);  // the key without its value
    EXPECT_EQ(WideAt(Read(1).data(), stamp::kName), u"Shared");
    const std::vector<BYTE> own = Stored(1, "Mine");
    PutUserList(&own);
    EXPECT_EQ(WideAt(Read(1).data(), stamp::kName), u"Mine") << "the user's list comes first";
}

TEST(StampConversion, TextsBecomeUtf16InTheirOwnRanges) {
    PlatSetAnsiCodePage(932);
    std::vector<BYTE> r = Stored(1, "\x83X\x83^\x83\x93\x83v", "Secret");
    // 31 double-byte characters in the face name (62 bytes of its 64).
    std::string face;
    for (int i = 0; i < 31; ++i) face += "\x96\xbe";  // U+660E
    std::memcpy(r.data() + stamp::kFaceName.offset, face.data(), face.size());
    // A single-byte image path longer than its 129 UTF-16 units keeps its beginning.
    std::memset(r.data() + stamp::kImagePath.offset, 'p', stamp::kImagePath.bytes - 1);
    ConvertStampRecordToWide(r.data());
    EXPECT_EQ(WideAt(r.data(), stamp::kName), u"\u30b9\u30bf\u30f3\u30d7");
    EXPECT_EQ(WideAt(r.data(), stamp::kText), u"Secret");
    EXPECT_EQ(WideAt(r.data(), stamp::kFaceName), std::u16string(31, u'\u660e'));
    EXPECT_EQ(WideAt(r.data(), stamp::kImagePath), std::u16string(128, u'p'));
    WORD weight = 0;
    std::memcpy(&weight, r.data() + stamp::kWeight, sizeof weight);
    EXPECT_EQ(weight, 700);
}

TEST(StampConversion, AFieldWithoutATerminatorIsLeftAsItIs) {
    std::vector<BYTE> r = Stored(1, "");
    std::memset(r.data() + stamp::kName.offset, 'n', stamp::kName.bytes);  // all 130 bytes
    const std::vector<BYTE> before(r.begin() + stamp::kName.offset,
                                   r.begin() + stamp::kName.offset + stamp::kName.bytes);
    ConvertStampRecordToWide(r.data());
    EXPECT_EQ(std::vector<BYTE>(r.begin() + stamp::kName.offset, r.begin() + stamp::kName.offset + stamp::kName.bytes),
              before);
    EXPECT_EQ(WideAt(r.data(), stamp::kText), u"TEXT") << "the other fields still convert";
}

}  // namespace
