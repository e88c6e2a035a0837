// Printer-data values of the interface DLL: byte-exact storage, reading into the settings record,
// malformed values, the account values and their two homes, forms and halftone defaults.
#include <algorithm>
#include <cstring>

#include "core/settings.h"
#include "core/settings_resolver.h"
#include "core/support.h"
#include "ui/entry/printer_data_store.h"
#include "ui_fixture.h"
#include "win/kernel.h"

using namespace orla;
using namespace orla_ui_test;

namespace {

class PrinterDataStore : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        InstallSamplePrinter();
        data_ = GetDeviceData(printer_);
        ASSERT_NE(data_, nullptr);
        SetDefaultDevmode(&record_, printer_, nullptr, data_);
    }
    void TearDown() override {
        if (data_) ReleaseDeviceData(data_);
        UiSandbox::TearDown();
    }

    DWORD Flags2() const { return Get(record_, dm::Flags2); }

    void SetUserKey(const char16_t* name, DWORD type, const std::vector<BYTE>& bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\QEV\\STAMP\\Halvoric", 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    RawValue UserKeyValue(const char16_t* name) {
        RawValue v;
        HKEY key = nullptr;
        v.rc = RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\QEV\\STAMP\\Halvoric", 0, KEY_READ, &key);
        if (v.rc != ERROR_SUCCESS) return v;
        BYTE buffer[256];
        DWORD size = sizeof(buffer);
        v.rc = RegQueryValueExW(key, name, nullptr, &v.type, buffer, &size);
        if (v.rc == ERROR_SUCCESS) v.bytes.assign(buffer, buffer + size);
        RegCloseKey(key);
        return v;
    }

    const CompiledDeviceData* data_ = nullptr;
    DriverDevmode record_{};
};

// Flag values and the bit each mirrors (offset 400, or 792 for the back-side margin).
struct FlagCase {
    const char16_t* name;
    unsigned offset;
    DWORD bit;
};
constexpr FlagCase kFlagCases[] = {
    {u"DAT_PrinterFontJIS78", 400, 0x100},
    {u"DAT_CompatibleMargin", 400, 0x200},
    {u"DAT_CompatibleMarginBack", 792, 0x200},
    {u"DAT_HeaderLimit", 400, 0x400},
    {u"DAT_Tray500", 400, 0x1000},
    {u"DAT_Tray1000", 400, 0x2000},
    {u"TBL_TTSubstDefault", 400, 0x1},
    {u"TBL_OutPaperDefault", 400, 0x2},
    {u"DAT_Account_Mode", 400, 0x100000},
};

// Installed devices and options: value name and the offset of its {state, id} pair.
struct PairCase {
    const char16_t* name;
    unsigned offset;
};
constexpr PairCase kPairCases[] = {
    {u"DEV_Feeder1", 628}, {u"DEV_Feeder2", 632}, {u"DEV_Feeder3", 636}, {u"DEV_Feeder4", 640}, {u"DEV_Feeder5", 644},
    {u"DEV_MSF", 648},     {u"DEV_Manual", 652},  {u"DEV_ENV", 656},     {u"DEV_Duplex", 660},  {u"DEV_Sorter", 664},
    {u"DEV_Plotter", 668}, {u"DEV_NIC", 672},     {u"DEV_RCC", 676},     {u"DEV_FIN1", 680},    {u"DEV_FIN2", 684},
    {u"DEV_LCS", 688},     {u"DEV_FUT", 692},     {u"DEV_HDD", 696},     {u"DEV_MP", 700},
};

}  // namespace

TEST_F(PrinterDataStore, StoresEveryValueByteExact) {
    Set(record_, dm::Flags2, 0x01F33400u | 0x100u | 0x2u);  // JIS78 and out-paper default on
    Set(record_, dm::SavedFlags2, 0x200u);
    Set(record_, dm::MemoryKb, 131072u);
    for (size_t i = 0; i < std::size(kPairCases); ++i) {
        Set(record_, DmField<WORD>{kPairCases[i].offset}, static_cast<WORD>(0x8 | i));
        Set(record_, DmField<WORD>{kPairCases[i].offset + 2}, static_cast<WORD>(0x100 + i));
    }
    SetText(record_, dm::SetUserId, u"user01");
    SetText(record_, dm::SetPassword, u"pw1234");
    StorePrinterDataSettings(nullptr, &record_, printer_, data_);

    for (const FlagCase& c : kFlagCases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        RawValue v = Raw(c.name);
        ASSERT_EQ(v.rc, ERROR_SUCCESS);
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD));
        DWORD expected = Get(record_, DmField<DWORD>{c.offset}) & c.bit;
        EXPECT_EQ(v.bytes, Le32(expected));
    }
    for (size_t i = 0; i < std::size(kPairCases); ++i) {
        RawValue v = Raw(kPairCases[i].name);
        ASSERT_EQ(v.rc, ERROR_SUCCESS) << i;
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(v.bytes, Le32(((0x8u | i) << 16) | (0x100u + i))) << i;
    }
    EXPECT_EQ(Raw(u"DEV_Memory").bytes, Le32(131072));

    // Account values: flags as the masked bits, texts zero-padded to 66 and 26 bytes.
    EXPECT_EQ(Raw(u"DAT_Jba_Type").bytes, Le32(0x200000));
    EXPECT_EQ(Raw(u"DAT_UserID_Asterisk").bytes, Le32(0x1000000));
    RawValue id = Raw(u"DAT_Set_UserID");
    EXPECT_EQ(id.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(id.bytes, Utf16(u"user01", 66));
    RawValue pw = Raw(u"DAT_Set_Password");
    EXPECT_EQ(pw.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(pw.bytes, Utf16(u"pw1234", 26));
    // ... and the same values under the per-user key.
    EXPECT_EQ(UserKeyValue(u"DAT_Set_UserID").bytes, Utf16(u"user01", 66));
    EXPECT_EQ(UserKeyValue(u"DAT_Jba_Type").bytes, Le32(0x200000));

    RawValue history = Raw(u"DAT_FormHistory");
    EXPECT_EQ(history.rc, ERROR_SUCCESS);
    EXPECT_EQ(history.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_TRUE(history.bytes.empty());
    EXPECT_EQ(Raw(u"TBL_PresetLanguage").bytes, Le32(GetUserLocaleId()));

    RawValue outPaper = Raw(u"TBL_OutPaperTable");
    ASSERT_EQ(outPaper.rc, ERROR_SUCCESS);
    std::vector<OutPaperPair> pairs;
    EXPECT_TRUE(ParseOutPaperTable(outPaper.bytes, &pairs));
    EXPECT_EQ(pairs.size(), kDefaultOutPaperTable.size());
    if constexpr (!kJapaneseBuild) {
        RawValue tt = Raw(u"TBL_TTSubstTable");
        EXPECT_EQ(tt.type, static_cast<DWORD>(REG_BINARY));
        EXPECT_EQ(tt.bytes, std::vector<BYTE>(4, 0));
    }
}

TEST_F(PrinterDataStore, HalftoneValuesForListedResolutionsOnly) {
    StorePrinterDataSettings(nullptr, &record_, printer_, data_);
    // The sample lists 300, 600 and 1200 dpi; the OS is newer than 5.0, so the second names count.
    const bool second = IsOsAfterNt50() != FALSE;
    struct Case {
        const char16_t* name;
        bool present;
        DWORD pattern;
        LONG gamma;
    } const cases[] = {
        {u"DAT_CurDevHTInfo200", false, 0, 0},
        {u"DAT_CurDevHTInfo240", false, 0, 0},
        {u"DAT_CurDevHTInfo300", true, second ? 17u : 5u, 10000},
        {u"DAT_CurDevHTInfo400", false, 0, 0},
        {u"DAT_CurDevHTInfo600", true, second ? 17u : 7u, 10000},
        {u"DAT_CurDevHTInfo1200", true, second ? 17u : 15u, 12000},
    };
    for (const Case& c : cases) {
        RawValue v = Raw(c.name);
        if (!c.present) {
            EXPECT_EQ(v.rc, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
            continue;
        }
        ASSERT_EQ(v.rc, ERROR_SUCCESS);
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_BINARY));
        std::array<BYTE, kHalftoneBlockSize> expected = BuildHalftoneBlock(c.pattern, c.gamma);
        EXPECT_EQ(v.bytes, std::vector<BYTE>(expected.begin(), expected.end()));
    }
    // An existing value is left alone.
    PutRaw(u"DAT_CurDevHTInfo600", REG_BINARY, {1, 2, 3});
    StorePrinterDataSettings(nullptr, &record_, printer_, data_);
    EXPECT_EQ(Raw(u"DAT_CurDevHTInfo600").bytes, (std::vector<BYTE>{1, 2, 3}));
}

TEST(HalftoneBlock, TemplateBytes) {
    std::array<BYTE, kHalftoneBlockSize> b = BuildHalftoneBlock(17, 12000);
    const LONG expected[33] = {2,    17,    0,     6700,  3300,  0,    2100, 7100, 0,    1400, 800,
                               0,    1750,  3950,  65534, 4050,  2050, 0,    4400, 5200, 0,    3127,
                               3290, 10000, 12000, 12000, 12000, 1648, 267,  103,  154,  86,   129};
    for (int i = 0; i < 33; ++i) {
        DWORD v = b[4 * i] | (b[4 * i + 1] << 8) | (b[4 * i + 2] << 16) | (DWORD{b[4 * i + 3]} << 24);
        EXPECT_EQ(v, static_cast<DWORD>(expected[i])) << i;
    }
}

TEST(HalftoneBlock, PatternNames) {
    struct Case {
        const char16_t* name;
        DWORD value;
    } const cases[] = {
        {u"HT_PATSIZE_2x2", 0},          {u"HT_PATSIZE_2x2_M", 1},
        {u"HT_PATSIZE_8x8_M", 7},        {u"HT_PATSIZE_10x10", 8},
        {u"HT_PATSIZE_16x16_M", 15},     {u"HT_PATSIZE_SUPERCELL", 16},
        {u"HT_PATSIZE_SUPERCELL_M", 17}, {u"HT_PATSIZE_USER", 18},
        {u"HT_PATSIZE_9x9", 7},          {u"", 7},
        {u"ht_patsize_2x2", 7},
    };
    for (const Case& c : cases) EXPECT_EQ(HalftonePatternSizeByName(c.name), c.value);
    EXPECT_EQ(HalftoneValueName(360), nullptr);
    EXPECT_EQ(std::u16string(HalftoneValueName(1200)), u"DAT_CurDevHTInfo1200");
}

TEST(ResourcePadding, CutToTwoZeroCharacters) {
    struct Case {
        std::vector<BYTE> in;
        size_t length;
    } const cases[] = {
        {{'A', 0, 0, 0, 0, 0, 0, 0, 0, 0}, 6},  // 'A' then two zero characters
        {{0x42, 0x30, 0, 0, 0, 0, 0, 0}, 6},    // a character with a non-zero high byte
        {{'A', 0, 0, 0}, 4},                    // never longer than the resource
        {{0, 0, 0, 0, 0, 0}, 4},                // all zero: the empty table
        {{'A', 0, 'B', 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8},
    };
    for (const Case& c : cases) EXPECT_EQ(TrimResourcePadding(c.in).size(), c.length);
}

TEST_F(PrinterDataStore, ReadsEveryValueIntoItsMirror) {
    for (const FlagCase& c : kFlagCases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        for (bool on : {true, false}) {
            PutDword(c.name, on ? c.bit : 0);
            DriverDevmode r = record_;
            Set(r, DmField<DWORD>{c.offset}, on ? 0u : 0xFFFFFFFFu);
            ReadPrinterDataSettings(nullptr, &r, printer_);
            DWORD field = Get(r, DmField<DWORD>{c.offset});
            EXPECT_EQ((field & c.bit) != 0, on);
            if (c.bit != 0x100000) {
                // Only the value's own bit moves (the account bits are read from their source).
                DWORD others = ~c.bit & ~kFlags2AccountFlags & ~kFlags2AccountPerUser;
                EXPECT_EQ(field & others, (on ? 0u : 0xFFFFFFFFu) & others);
            }
        }
        DeletePrinterDataW(printer_, const_cast<LPWSTR>(c.name));
    }
    PutDword(u"DEV_Memory", 262144);
    for (size_t i = 0; i < std::size(kPairCases); ++i) PutDword(kPairCases[i].name, ((i + 1) << 16) | (0x200 + i));
    ReadPrinterDataSettings(nullptr, &record_, printer_);
    EXPECT_EQ(Get(record_, dm::MemoryKb), 262144u);
    for (size_t i = 0; i < std::size(kPairCases); ++i) {
        EXPECT_EQ(Get(record_, DmField<WORD>{kPairCases[i].offset}), i + 1) << i;
        EXPECT_EQ(Get(record_, DmField<WORD>{kPairCases[i].offset + 2}), 0x200 + i) << i;
    }
}

TEST_F(PrinterDataStore, RoundTripThroughPrinterData) {
    Set(record_, dm::Flags2, (Get(record_, dm::Flags2) & ~0x100000u & ~0x400000u) | 0x1000u);
    Set(record_, dm::MemoryKb, 65536u);
    Set(record_, DmField<WORD>{660}, 0x8);
    Set(record_, DmField<WORD>{662}, 0x3);
    SetText(record_, dm::SetUserId, u"山田");
    SetText(record_, dm::SetPassword, u"secret");
    StorePrinterDataSettings(nullptr, &record_, printer_, data_);
    DriverDevmode back{};
    SetDefaultDevmode(&back, printer_, nullptr, data_);
    ReadPrinterDataSettings(nullptr, &back, printer_);
    EXPECT_EQ(Get(back, dm::Flags2), Get(record_, dm::Flags2));
    EXPECT_EQ(Get(back, dm::MemoryKb), 65536u);
    EXPECT_EQ(Get(back, DmField<WORD>{660}), 0x8);
    EXPECT_EQ(Get(back, DmField<WORD>{662}), 0x3);
    EXPECT_EQ(GetText(back, dm::SetUserId), u"山田");
    EXPECT_EQ(GetText(back, dm::SetPassword), u"secret");
}

TEST_F(PrinterDataStore, MalformedValuesLeaveTheRecordAlone) {
    struct Case {
        const char16_t* name;
        DWORD type;
        std::vector<BYTE> bytes;
    } const cases[] = {
        {u"DEV_Memory", REG_DWORD, {1, 2}},                    // short
        {u"DEV_Memory", REG_DWORD, {1, 2, 3, 4, 5, 6, 7, 8}},  // long
        {u"DEV_Memory", REG_BINARY, {1, 0, 0, 0}},             // wrong type
        {u"DEV_Memory", REG_SZ, {'1', 0, 0, 0}},
        {u"DEV_Duplex", REG_DWORD, {}},  // empty
        {u"DAT_Tray500", REG_BINARY, {0, 0x10, 0, 0}},
        {u"DAT_Pop_UserID", REG_BINARY, std::vector<BYTE>(70, 'x')},  // longer than the field
        {u"DAT_Pop_UserID", REG_DWORD, {'a', 0, 'b', 0}},             // wrong type
        {u"DAT_Pop_Password", REG_SZ, {'a', 0, 0, 0}},
    };
    SetText(record_, dm::PopUserId, u"kept");
    SetText(record_, dm::PopPassword, u"kept");
    Set(record_, dm::MemoryKb, 4096u);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        PutRaw(c.name, c.type, c.bytes);
        DriverDevmode r = record_;
        ReadPrinterDataSettings(nullptr, &r, printer_);
        EXPECT_EQ(Get(r, dm::MemoryKb), 4096u);
        EXPECT_EQ(Get(r, DmField<DWORD>{660}), Get(record_, DmField<DWORD>{660}));
        EXPECT_EQ(Get(r, dm::Flags2) & 0x1000u, Get(record_, dm::Flags2) & 0x1000u);
        EXPECT_EQ(GetText(r, dm::PopUserId), u"kept");
        EXPECT_EQ(GetText(r, dm::PopPassword), u"kept");
        DeletePrinterDataW(printer_, const_cast<LPWSTR>(c.name));
    }
}

TEST_F(PrinterDataStore, ShortOddAndUnterminatedTexts) {
    struct Case {
        std::vector<BYTE> bytes;
        std::u16string expected;
    } const cases[] = {
        {{'a', 0, 'b', 0}, u"ab"},                                    // short: the rest is cleared
        {{'a', 0, 'b', 0, 'c'}, u"ab"},                               // odd size: the half character is dropped
        {std::vector<BYTE>(66, 'x'), std::u16string(32, u'\x7878')},  // unterminated: ends in the field
        {{}, u""},                                                    // empty
    };
    for (const Case& c : cases) {
        PutRaw(u"DAT_Pop_UserID", REG_BINARY, c.bytes);
        DriverDevmode r = record_;
        SetText(r, dm::PopUserId, u"previous text");
        ReadPrinterDataSettings(nullptr, &r, printer_);
        EXPECT_EQ(GetText(r, dm::PopUserId), c.expected);
        // The neighbouring field is untouched.
        EXPECT_EQ(std::memcmp(r.bytes + dm::PopPassword.offset, record_.bytes + dm::PopPassword.offset,
                              2 * dm::PopPassword.cch),
                  0);
    }
}

TEST_F(PrinterDataStore, StoreReplacesMalformedDwordsAndKeepsGoodOnes) {
    PutRaw(u"DAT_HeaderLimit", REG_BINARY, {0, 4, 0, 0});
    PutRaw(u"DEV_Memory", REG_DWORD, {1, 2});
    Set(record_, dm::Flags2, Get(record_, dm::Flags2) | 0x400u);
    Set(record_, dm::MemoryKb, 8192u);
    StorePrinterDataSettings(nullptr, &record_, printer_, data_);
    RawValue header = Raw(u"DAT_HeaderLimit");
    EXPECT_EQ(header.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(header.bytes, Le32(0x400));
    EXPECT_EQ(Raw(u"DEV_Memory").bytes, Le32(8192));
}

TEST_F(PrinterDataStore, ReadOnlyHandleChangesNothing) {
    HANDLE user = OpenFull(u"Halvoric", PRINTER_ACCESS_USE);
    ASSERT_NE(user, nullptr);
    StorePrinterDataSettings(nullptr, &record_, user, data_);
    EXPECT_EQ(Raw(u"DAT_PrinterFontJIS78").rc, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Raw(u"DAT_FormHistory").rc, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    // Reading works with the same handle.
    PutDword(u"DAT_Tray1000", 0x2000);
    DriverDevmode r = record_;
    Set(r, dm::Flags2, 0u);
    ReadPrinterDataSettings(nullptr, &r, user);
    EXPECT_NE(Get(r, dm::Flags2) & 0x2000u, 0u);
    ClosePrinter(user);
}

TEST_F(PrinterDataStore, NullAndBadHandlesAreHarmless) {
    DriverDevmode r = record_;
    ReadPrinterDataSettings(nullptr, &r, nullptr);
    StorePrinterDataSettings(nullptr, &r, nullptr, nullptr);
    ReadPrinterDataSettings(nullptr, nullptr, printer_);
    StorePrinterDataSettings(nullptr, nullptr, printer_, data_);
    // A missing account-mode value means per-user mode: the bit is set.
    EXPECT_NE(Get(r, dm::Flags2) & kFlags2AccountPerUser, 0u);
    Set(r, dm::Flags2, Get(record_, dm::Flags2) | kFlags2AccountPerUser);
    EXPECT_EQ(std::memcmp(r.bytes, record_.bytes, 400), 0);
}

TEST_F(PrinterDataStore, AccountValuesComeFromTheirSource) {
    // Per-user values in the key, other values in printer data.
    SetUserKey(u"DAT_Jba_Type", REG_DWORD, Le32(0));
    SetUserKey(u"DAT_Set_UserID", REG_BINARY, Utf16(u"keyuser", 66));
    PutDword(u"DAT_Jba_Type", 0x200000);
    PutRaw(u"DAT_Set_UserID", REG_BINARY, Utf16(u"datauser", 66));

    // No "DAT_Account_Mode": per user.
    DriverDevmode r = record_;
    ReadPrinterDataSettings(nullptr, &r, printer_);
    EXPECT_NE(Get(r, dm::Flags2) & kFlags2AccountPerUser, 0u);
    EXPECT_EQ(Get(r, dm::Flags2) & 0x200000u, 0u);
    EXPECT_EQ(GetText(r, dm::SetUserId), u"keyuser");
    EXPECT_NE(Get(r, dm::Flags2) & 0x400000u, 0u);  // missing in the key: stays set

    PutDword(u"DAT_Account_Mode", 0);
    r = record_;
    ReadPrinterDataSettings(nullptr, &r, printer_);
    EXPECT_EQ(Get(r, dm::Flags2) & kFlags2AccountPerUser, 0u);
    EXPECT_NE(Get(r, dm::Flags2) & 0x200000u, 0u);
    EXPECT_EQ(GetText(r, dm::SetUserId), u"datauser");
}

TEST_F(PrinterDataStore, ForeignFlagValueSetsOnlyItsBit) {
    PutDword(u"DAT_HeaderLimit", 0xFFFFFFFF);
    PutDword(u"DAT_Account_Mode", 1);
    DriverDevmode r = record_;
    Set(r, dm::Flags2, 0u);
    ReadPrinterDataSettings(nullptr, &r, printer_);
    // Header limit and account mode on; no other private flag switched on by the stray bits.
    EXPECT_EQ(Get(r, dm::Flags2) & ~kFlags2AccountFlags, 0x400u | kFlags2AccountPerUser);
}

TEST_F(PrinterDataStore, DriverFormsAddedOnceAndRenewedAfterUpgrade) {
    auto formNames = [&] {
        DWORD needed = 0, count = 0;
        EnumFormsW(printer_, 1, nullptr, 0, &needed, &count);
        std::vector<BYTE> buffer(needed);
        std::vector<std::u16string> names;
        if (!EnumFormsW(printer_, 1, buffer.data(), needed, &needed, &count)) return names;
        auto* forms = reinterpret_cast<FORM_INFO_1W*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) names.push_back(forms[i].pName);
        return names;
    };
    auto has = [](const std::vector<std::u16string>& names, std::u16string_view n) {
        return std::find(names.begin(), names.end(), n) != names.end();
    };
    FormList portrait = PortraitForms(data_);
    ASSERT_FALSE(portrait.empty());
    // A driver form the system does not know beforehand.
    std::u16string driverOnly;
    std::vector<std::u16string> before = formNames();
    for (const FormEntry& f : portrait) {
        if (!has(before, f.name)) {
            driverOnly = std::u16string(f.name);
            break;
        }
    }
    ASSERT_FALSE(driverOnly.empty()) << "the sample lists only built-in forms";

    EXPECT_TRUE(RemoveDriverForms(printer_, data_));  // nothing registered yet: nothing happens
    EXPECT_EQ(formNames(), before);

    EXPECT_TRUE(AddDriverForms(printer_, data_));
    EXPECT_TRUE(has(formNames(), driverOnly));
    EXPECT_EQ(Raw(u"DAT_AddForms").bytes, Le32(3));

    EXPECT_TRUE(RemoveDriverForms(printer_, data_));
    EXPECT_FALSE(has(formNames(), driverOnly));
    EXPECT_EQ(Raw(u"DAT_AddForms").bytes, Le32(0));

    EXPECT_TRUE(AddDriverForms(printer_, data_));
    EXPECT_TRUE(has(formNames(), driverOnly));
}

namespace {

std::vector<BYTE> PairsValue(std::initializer_list<std::pair<std::u16string, std::u16string>> pairs) {
    std::vector<BYTE> out;
    auto put = [&](std::u16string_view s) {
        for (char16_t ch : s) {
            out.push_back(static_cast<BYTE>(ch));
            out.push_back(static_cast<BYTE>(ch >> 8));
        }
        out.push_back(0);
        out.push_back(0);
    };
    for (const auto& p : pairs) {
        put(p.first);
        put(p.second);
    }
    put(u"");  // the table's end
    return out;
}

}  // namespace

TEST_F(PrinterDataStore, DefaultTablesFromTheInterfaceDll) {
    const char* dll = kJapaneseBuild ? "Talvex.dll" : "Morvin.dll";
    std::u16string path = driverDir_ + u"\\" + Widen(dll);
    ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + dll).c_str(), path.c_str())) << dll;
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(module, nullptr);
    SetInterfaceModule(module);
    StorePrinterDataSettings(nullptr, &record_, printer_, data_);
    SetInterfaceModule(nullptr);

    RawValue tt = Raw(u"TBL_TTSubstTable");
    ASSERT_EQ(tt.rc, ERROR_SUCCESS);
    EXPECT_EQ(tt.type, static_cast<DWORD>(REG_BINARY));
    if constexpr (kJapaneseBuild) {
        EXPECT_EQ(tt.bytes, PairsValue({{u"ＭＳ 明朝", u"明朝"},
                                        {u"ＭＳ ゴシック", u"ｺﾞｼｯｸ"},
                                        {u"@ＭＳ 明朝", u"@明朝"},
                                        {u"@ＭＳ ゴシック", u"@ｺﾞｼｯｸ"}}));
    } else {
        EXPECT_EQ(tt.bytes, std::vector<BYTE>(4, 0));
    }
    RawValue op = Raw(u"TBL_OutPaperTable");
    ASSERT_EQ(op.rc, ERROR_SUCCESS);
    EXPECT_EQ(op.bytes, PairsValue({{u"A3->B4", u"B4 (JIS)"},
                                    {u"A3->A4", u"A4"},
                                    {u"B4->A4", u"A4"},
                                    {u"B4->B5", u"B5 (JIS)"},
                                    {u"A4->B5", u"B5 (JIS)"},
                                    {u"A4->A3", u"A3"},
                                    {u"A4->B4", u"B4 (JIS)"},
                                    {u"B4->A3", u"A3"},
                                    {u"B5->A4", u"A4"},
                                    {u"B5->B4", u"B4 (JIS)"},
                                    {u"A4x2->A4", u"A4"},
                                    {u"B5x2->B5", u"B5 (JIS)"},
                                    {u"LP->B4", u"B4 (JIS)"},
                                    {u"LP->A4", u"A4"}}));

    // Stored tables are never overwritten.
    PutRaw(u"TBL_OutPaperTable", REG_BINARY, {0, 0, 0, 0});
    PutRaw(u"TBL_TTSubstTable", REG_BINARY, {'x', 0, 0, 0});
    SetInterfaceModule(module);
    StorePrinterDataSettings(nullptr, &record_, printer_, data_);
    SetInterfaceModule(nullptr);
    EXPECT_EQ(Raw(u"TBL_OutPaperTable").bytes, std::vector<BYTE>(4, 0));
    EXPECT_EQ(Raw(u"TBL_TTSubstTable").bytes, (std::vector<BYTE>{'x', 0, 0, 0}));
}
