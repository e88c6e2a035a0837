// The stamp store: factory stamps, reading a list name, deleting with renumbering, replacing and
// appending (at most 20), and the selected stamp copied into the settings records.
#include <cstring>
#include <string>
#include <vector>

#include "core/stamp_record.h"
#include "plat/control.h"
#include "plat/message_box.h"
#include "ui/tools/stamp_lists.h"
#include "ui/tools/stamp_store.h"
#include "ui_fixture.h"
#include "win/nls.h"
#include "win/registry.h"
#include "win/user.h"
#include "win/user_controls.h"

using namespace orla;
using namespace orla_ui_test;

namespace {

WORD NumberOf(const BYTE* record) {
    WORD n = 0;
    n = StampGet(record, stamp::kNumber);
    return n;
}

std::u16string WideName(const BYTE* record) {
    std::u16string out;
    for (size_t i = 0; i + 1 < stamp::kName.bytes; i += 2) {
        const char16_t c =
            static_cast<char16_t>(record[stamp::kName.offset + i] | (record[stamp::kName.offset + i + 1] << 8));
        if (c == 0) break;
        out.push_back(c);
    }
    return out;
}

class StampStoreTest : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        InstallSamplePrinter();
        ASSERT_FALSE(HasFatalFailure());
        ResetStamps(printer_, kResetAllStamps);
    }
    std::vector<BYTE> Stored() { return ReadStoredStamps(printer_); }
    // The list names in store order, read through ReadStampText.
    std::vector<std::u16string> Names() {
        std::vector<std::u16string> out;
        const size_t count = Stored().size() / kStampRecordSize;
        for (size_t n = 1; n <= count; ++n) {
            WCHAR text[65] = {};
            ReadStampText(printer_, static_cast<WORD>(n), text);
            out.emplace_back(reinterpret_cast<const char16_t*>(text));
        }
        return out;
    }
};

TEST_F(StampStoreTest, FactoryStampsSeedTheUsersList) {
    const std::vector<BYTE> list = Stored();
    ASSERT_EQ(list.size(), kStampRecordSize * FactoryStampCount());
    for (size_t i = 0; i < FactoryStampCount(); ++i) EXPECT_EQ(NumberOf(list.data() + i * kStampRecordSize), i + 1);
    if (kJapaneseBuild) {
        EXPECT_EQ(list.size(), 7800u);
        EXPECT_EQ(Names().front(), u"\u30de\u30eb\u79d8");  // "マル秘", printing "秘"
        BYTE first[kStampRecordSize];
        std::memcpy(first, list.data(), kStampRecordSize);
        ConvertStampRecordToWide(first);
        EXPECT_EQ(first[stamp::kText.offset], 0xD8);  // U+79D8 little-endian
        EXPECT_EQ(first[stamp::kText.offset + 1], 0x79);
    } else {
        EXPECT_EQ(list.size(), 5460u);
        EXPECT_EQ(Names().back(), u"DRAFT");
    }
}

TEST_F(StampStoreTest, DeleteRenumbersTheStampsAfterIt) {
    const std::vector<std::u16string> before = Names();
    DeleteStamp(printer_, 2);
    const std::vector<BYTE> list = Stored();
    ASSERT_EQ(list.size(), kStampRecordSize * (FactoryStampCount() - 1));
    for (size_t i = 0; i < list.size() / kStampRecordSize; ++i)
        EXPECT_EQ(NumberOf(list.data() + i * kStampRecordSize), i + 1) << "number = position + 1";
    std::vector<std::u16string> expected = before;
    expected.erase(expected.begin() + 1);
    EXPECT_EQ(Names(), expected);
    DeleteStamp(printer_, 99);
    EXPECT_EQ(Stored().size(), list.size()) << "an unknown number deletes nothing";
}

TEST_F(StampStoreTest, SaveReplacesOrAppendsUpToTwentyStamps) {
    BYTE wide[kStampRecordSize] = {};
    const std::u16string name = u"Mine";
    std::memcpy(wide + stamp::kName.offset, name.data(), 2 * name.size());
    ContextPtr context(CreateUiContext(printer_, nullptr));
    ASSERT_NE(context, nullptr);

    EXPECT_EQ(SaveStampRecord(nullptr, context.get(), 1, wide), StampSave::Replaced);
    EXPECT_EQ(Names().front(), u"Mine");
    const WORD next = ResolveStampNumber(printer_, 50);
    EXPECT_EQ(next, FactoryStampCount() + 1);
    EXPECT_FALSE(StampExists(printer_, next));
    EXPECT_EQ(SaveStampRecord(nullptr, context.get(), next, wide), StampSave::Appended);
    EXPECT_TRUE(StampExists(printer_, next));
    EXPECT_EQ(ResolveStampNumber(printer_, next), next);
    while (Stored().size() < kStampRecordSize * kStampMaxCount)
        ASSERT_EQ(SaveStampRecord(nullptr, context.get(), ResolveStampNumber(printer_, 0), wide), StampSave::Appended);
    PlatResetMessageBoxes();
    PlatResetBeeps();
    PlatQueueMessageBoxAnswer(IDOK);
    EXPECT_EQ(SaveStampRecord(nullptr, context.get(), 21, wide), StampSave::ListFull);
    EXPECT_EQ(Stored().size(), kStampRecordSize * kStampMaxCount) << "a full list is not written";
    // The user hears and reads why: message 830 of the language DLL, captioned with the printer.
    EXPECT_EQ(PlatBeepCount(), 1u);
    EXPECT_EQ(PlatLastBeepType(), static_cast<UINT>(MB_ICONEXCLAMATION));
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    WCHAR expected[256] = {};
    ASSERT_GT(LoadStringW(context->hResDll, kStampListFullMessage, expected, 256), 0);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(box.text)),
              std::u16string(reinterpret_cast<const char16_t*>(expected)));
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(box.caption)),
              std::u16string(DevicePrinterName(context->deviceData)));
    EXPECT_EQ(box.flags & MB_ICONWARNING, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_FALSE(box.unexpected);
}

// A face of 31 double-byte characters needs 62 bytes in the stored form: it is kept whole, where
// converting it into 32 bytes would lose it.
// Without the printer's name there is no list to number against: the number asked for stays,
// whether or not the printer's own list has it.
TEST_F(StampStoreTest, ANumberStaysWhenThePrinterHasNoName) {
    const WORD count = static_cast<WORD>(FactoryStampCount());
    ASSERT_EQ(ResolveStampNumber(printer_, 50), count + 1) << "the printer's own list numbers a new stamp";
    for (WORD number : {WORD{0}, WORD{3}, WORD{50}, WORD(count + 1)}) {
        EXPECT_EQ(ResolveStampNumber(nullptr, number), number);
        EXPECT_FALSE(StampExists(nullptr, number));
    }
}

TEST_F(StampStoreTest, SavedFaceNamesKeepTheirDoubleByteCharacters) {
    if (!kJapaneseBuild) GTEST_SKIP() << "the English build's system code page has no double-byte faces";
    BYTE wide[kStampRecordSize] = {};
    const std::u16string face(31, u'\u660e');
    std::memcpy(wide + stamp::kFaceName.offset, face.data(), 2 * face.size());
    ContextPtr context(CreateUiContext(printer_, nullptr));
    ASSERT_NE(context, nullptr);
    ASSERT_EQ(SaveStampRecord(nullptr, context.get(), 1, wide), StampSave::Replaced);
    BYTE back[kStampRecordSize] = {};
    ReadStampInfo(printer_, 1, back);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(back + stamp::kFaceName.offset)), face);
}

TEST_F(StampStoreTest, ResetOneFactoryStampKeepsTheListSize) {
    DeleteStamp(printer_, 1);
    const size_t size = Stored().size();
    ResetStamps(printer_, 2);  // now the stamp numbered 2 (formerly 3) becomes factory stamp 2
    EXPECT_EQ(Stored().size(), size);
    EXPECT_EQ(NumberOf(Stored().data() + kStampRecordSize), 2);
    ResetStamps(printer_, 0);
    ResetStamps(printer_, 99);
    EXPECT_EQ(Stored().size(), size) << "other codes do nothing";
}

TEST_F(StampStoreTest, SelectedStampIsCopiedIntoTheSettingsRecord) {
    ContextPtr context(CreateUiContext(printer_, nullptr));
    ASSERT_NE(context, nullptr);
    Set(context->currentDevmode, dm::StampNumber, DWORD{3});
    LoadStampsIntoContext(context.get());
    const BYTE* embedded = context->currentDevmode.bytes + dm::StampRecord.offset;
    EXPECT_EQ(NumberOf(embedded), 3);
    WCHAR third[65] = {};
    ReadStampText(printer_, 3, third);
    EXPECT_EQ(WideName(embedded), std::u16string(reinterpret_cast<const char16_t*>(third)));

    Set(context->scratchDevmode, dm::StampNumber, DWORD{99});
    std::memset(context->scratchDevmode.bytes + dm::StampRecord.offset, 0x5A, kStampRecordSize);
    ReloadWorkingStamp(context.get());
    EXPECT_EQ(context->scratchDevmode.bytes[dm::StampRecord.offset], 0x5A) << "no such stamp: left as it is";
}

}  // namespace

namespace {

// The list the fillers need: made when missing, left alone when there, and a key that cannot be
// written is a failure after a few attempts instead of an endless wait.
class StampListTest : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        InstallSamplePrinter();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(PrinterStampKey(printer_, &keyPath_));
    }
    void TearDown() override {
        PlatClearInjections();
        UiSandbox::TearDown();
    }
    bool UserValueExists() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        const LONG rc = RegQueryValueExW(key, u"STAMP_Info", nullptr, nullptr, nullptr, &size);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }
    // Schedules `n` failing hive writes in a row and, after the call, counts those left over.
    static void FailWrites(int n) {
        for (int i = 1; i <= n; ++i) PlatInjectFailure("RegSetValueExW", i, ERROR_ACCESS_DENIED);
    }
    static int UnusedWriteFailures() {
        int left = 0;
        while (PlatTakeInjectedFailure("RegSetValueExW", nullptr, nullptr)) ++left;
        return left;
    }
    std::u16string keyPath_;
};

TEST_F(StampListTest, AMissingListIsSeededAndAWrittenKeyGivesUpWithAClearFailure) {
    struct Case {
        const char* what;
        bool listBefore;   // a saved list with one stamp removed
        int failedWrites;  // hive writes that fail in a row
        BOOL result;
        int writesUsed;  // failed writes the call went through
        size_t stamps;   // stamps stored afterwards
    };
    const Case cases[] = {
        {"missing", false, 0, TRUE, 0, FactoryStampCount()},
        {"present and kept", true, 0, TRUE, 0, FactoryStampCount() - 1},
        {"one failed write, then seeded", false, 1, TRUE, 1, FactoryStampCount()},
        {"never writable", false, 50, FALSE, kStampListAttempts, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteKeyW(HKEY_CURRENT_USER, keyPath_.c_str());
        if (c.listBefore) {
            ResetStamps(printer_, kResetAllStamps);
            DeleteStamp(printer_, 2);
        }
        ASSERT_EQ(UserValueExists(), c.listBefore);
        FailWrites(c.failedWrites);
        EXPECT_EQ(EnsureStampList(printer_), c.result);
        EXPECT_EQ(c.failedWrites - UnusedWriteFailures(), c.writesUsed);
        if (!c.result) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
        }
        EXPECT_EQ(UserValueExists(), c.result == TRUE);
        EXPECT_EQ(ReadStoredStamps(printer_).size(), c.stamps * kStampRecordSize);
    }
}

// A dialog with the three stamp lists, as the stamp page, print-time dialog and editor have them.
struct StampDialog {
    HWND dialog = nullptr;
    StampDialog() {
        dialog = CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
        Child(u"ListBox", LBS_HASSTRINGS | LBS_NOTIFY, kStampPageList);
        Child(u"ComboBox", CBS_DROPDOWNLIST | CBS_HASSTRINGS, kPrintTimeStampCombo);
        Child(u"ComboBox", CBS_DROPDOWN | CBS_HASSTRINGS, kStampEditorList);  // with its own edit
    }
    ~StampDialog() {
        if (dialog) DestroyWindow(dialog);
    }
    StampDialog(const StampDialog&) = delete;
    StampDialog& operator=(const StampDialog&) = delete;
    void Child(LPCWSTR cls, DWORD style, int id) {
        CreateWindowExW(0, cls, nullptr, WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 100, dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
    HWND Item(int id) const { return GetDlgItem(dialog, id); }
    std::vector<std::u16string> Texts(int id, bool combo) const {
        std::vector<std::u16string> out;
        const LRESULT n = SendMessageW(Item(id), combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            WCHAR text[80] = {};
            SendMessageW(Item(id), combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(text));
            out.emplace_back(reinterpret_cast<const char16_t*>(text));
        }
        return out;
    }
};

TEST_F(StampListTest, ListsShowTheStoredStampsWithTheSelectedOneChosen) {
    ContextPtr context(CreateUiContext(printer_, nullptr));
    ASSERT_NE(context, nullptr);
    StampDialog d;
    ASSERT_NE(d.Item(kStampPageList), nullptr);
    RegDeleteKeyW(HKEY_CURRENT_USER, keyPath_.c_str());  // the fillers seed a missing list first
    Set(context->currentDevmode, dm::StampNumber, DWORD{3});

    ASSERT_TRUE(LoadStampList(context.get(), d.dialog));
    const std::vector<std::u16string> page = d.Texts(kStampPageList, false);
    ASSERT_EQ(page.size(), FactoryStampCount() + 1);
    EXPECT_EQ(page[0], kJapaneseBuild ? u"\uFF08\u306A\u3057\uFF09" : u"(None)");
    WCHAR third[65] = {};
    ReadStampText(printer_, 3, third);
    EXPECT_EQ(page[3], std::u16string(reinterpret_cast<const char16_t*>(third)));
    EXPECT_EQ(SendMessageW(d.Item(kStampPageList), LB_GETCURSEL, 0, 0), 3) << "index = stamp number";
    EXPECT_EQ(SendMessageW(d.Item(kStampPageList), LB_GETITEMDATA, 3, 0), 3);

    ASSERT_TRUE(FillStampCombo(context.get(), d.dialog));
    const std::vector<std::u16string> combo = d.Texts(kPrintTimeStampCombo, true);
    ASSERT_EQ(combo.size(), FactoryStampCount());
    EXPECT_EQ(combo, std::vector<std::u16string>(page.begin() + 1, page.end()));
    EXPECT_EQ(SendMessageW(d.Item(kPrintTimeStampCombo), CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(SendMessageW(d.Item(kPrintTimeStampCombo), CB_GETITEMDATA, 3, 0), 3);

    // The editor's list is a combo with an edit: combo messages fill it, index as item data, and
    // nothing is chosen.
    FillStampList(context.get(), d.dialog);
    EXPECT_EQ(d.Texts(kStampEditorList, true), combo);
    EXPECT_EQ(SendMessageW(d.Item(kStampEditorList), CB_GETITEMDATA, 4, 0), 4);
    EXPECT_EQ(SendMessageW(d.Item(kStampEditorList), CB_GETCURSEL, 0, 0), CB_ERR);
    FillStampList(context.get(), d.dialog);
    EXPECT_EQ(d.Texts(kStampEditorList, true).size(), combo.size()) << "filled again, not added to";
    // Filling again replaces the items rather than adding to them.
    ASSERT_TRUE(LoadStampList(context.get(), d.dialog));
    EXPECT_EQ(d.Texts(kStampPageList, false).size(), page.size());
}

TEST_F(StampListTest, ASelectedStampNoLongerStoredIsDroppedFromTheRecords) {
    ContextPtr context(CreateUiContext(printer_, nullptr));
    ASSERT_NE(context, nullptr);
    StampDialog d;
    ResetStamps(printer_, kResetAllStamps);
    for (DriverDevmode* r : {&context->currentDevmode, &context->appliedDevmode}) {
        Set(*r, dm::StampNumber, DWORD{15});
        Set(*r, dm::StampDrawFlag, DWORD{1});
    }
    ASSERT_TRUE(LoadStampList(context.get(), d.dialog));
    for (const DriverDevmode* r : {&context->currentDevmode, &context->appliedDevmode}) {
        EXPECT_EQ(Get(*r, dm::StampNumber), 0u);
        EXPECT_EQ(Get(*r, dm::StampDrawFlag), 0u);
    }
    EXPECT_EQ(SendMessageW(d.Item(kStampPageList), LB_GETCURSEL, 0, 0), 0) << "the no-stamp entry";
}

TEST_F(StampListTest, AnUnwritableListLeavesTheControlsEmptyAndFails) {
    ContextPtr context(CreateUiContext(printer_, nullptr));
    ASSERT_NE(context, nullptr);
    StampDialog d;
    ASSERT_TRUE(LoadStampList(context.get(), d.dialog));  // items from before stay nowhere
    RegDeleteKeyW(HKEY_CURRENT_USER, keyPath_.c_str());
    FailWrites(50);
    EXPECT_FALSE(LoadStampList(context.get(), d.dialog));
    EXPECT_EQ(SendMessageW(d.Item(kStampPageList), LB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(FillStampCombo(context.get(), d.dialog));
    EXPECT_EQ(SendMessageW(d.Item(kPrintTimeStampCombo), CB_GETCOUNT, 0, 0), 0);
}

}  // namespace
