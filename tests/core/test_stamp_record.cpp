// The stamp reader: the user's list under HKEY_CURRENT_USER with the printer data as its fallback,
// whole records only, and the conversion of the stored texts into the in-memory form.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/build_variant.h"
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
    StampSet(r.data(), stamp::kNumber, number);
    std::memcpy(r.data() + stamp::kName.offset, name.data(), std::min(name.size(), stamp::kName.bytes));
    std::memcpy(r.data() + stamp::kText.offset, text.data(), std::min(text.size(), stamp::kText.bytes));
    const WORD weight = 700;
    StampSet(r.data(), stamp::kWeight, weight);
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
    weight = StampGet(r.data(), stamp::kWeight);
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
    weight = StampGet(r.data(), stamp::kWeight);
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

namespace {

// The two forms of a record pinned byte for byte, with the layout written out here by its own
// numbers: every field at its place, the texts widened in place, the rest as stored.
TEST(StampConversion, WholeRecordStoredAndWideFormsByteForByte) {
    // A text of the build's system code page and its UTF-16 form.
    const UINT codePage = kJapaneseBuild ? 932 : 1252;
    PlatSetAnsiCodePage(codePage);
    const std::string ansiName = kJapaneseBuild ? "\x94\xe9 A" : "Caf\xe9 A";
    const std::u16string wideName = kJapaneseBuild ? u"\u79d8 A" : u"Caf\u00e9 A";
    struct Number {
        size_t offset;
        size_t bytes;
        uint32_t value;
    };
    const Number numbers[] = {{0, 2, 3},     {132, 4, 1}, {652, 4, 8}, {656, 2, 1400}, {658, 2, 250}, {660, 2, 4},
                              {662, 2, 700}, {664, 4, 1}, {732, 4, 1}, {736, 4, 3046}, {740, 4, 1},   {744, 4, 3067}};
    struct Text {
        size_t offset;
        size_t bytes;
        std::string stored;
        std::u16string wide;
    };
    const Text texts[] = {{2, 130, ansiName, wideName},
                          {136, 258, "Stamp text", u"Stamp text"},
                          {394, 258, "C:\\img\\mark.bmp", u"C:\\img\\mark.bmp"},
                          {668, 64, "Arial", u"Arial"}};
    std::vector<BYTE> stored(780, 0), wide(780, 0);
    for (const Number& n : numbers) {
        std::memcpy(stored.data() + n.offset, &n.value, n.bytes);
        std::memcpy(wide.data() + n.offset, &n.value, n.bytes);
    }
    for (const Text& t : texts) {
        std::memcpy(stored.data() + t.offset, t.stored.data(), t.stored.size());
        for (size_t i = 0; i < t.wide.size(); ++i) {
            wide[t.offset + 2 * i] = static_cast<BYTE>(t.wide[i] & 0xFF);
            wide[t.offset + 2 * i + 1] = static_cast<BYTE>(t.wide[i] >> 8);
        }
    }
    ASSERT_EQ(stored.size(), kStampRecordSize);
    std::vector<BYTE> converted = stored;
    ConvertStampRecordToWide(converted.data());
    for (size_t i = 0; i < kStampRecordSize; ++i) ASSERT_EQ(converted[i], wide[i]) << "byte " << i;
}

class StampListReading : public StampRecordTest {};

// A value that is not a whole number of records: only whole records count, so a tail that starts
// like a third record is never read as one.
TEST_F(StampListReading, A1570ByteValueReadsAsTwoRecords) {
    std::vector<BYTE> list = Cat({Stored(1, "One"), Stored(2, "Two")});
    std::vector<BYTE> tail = Stored(3, "Three");
    list.insert(list.end(), tail.begin(), tail.begin() + 10);
    ASSERT_EQ(list.size(), 1570u);
    PutUserList(&list);
    EXPECT_EQ(WideAt(Read(1).data(), stamp::kName), u"One");
    EXPECT_EQ(WideAt(Read(2).data(), stamp::kName), u"Two");
    EXPECT_EQ(Read(3), std::vector<BYTE>(kStampRecordSize, 0xEE)) << "the 10-byte tail is no record";
}

}  // namespace
