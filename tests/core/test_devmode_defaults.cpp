// The default settings record of a model: layout and sizes of both builds, every default of the
// record's tables, the Windows-version flag, the imageable-area rounding and the device pairs.
#include <gtest/gtest.h>

#include <cstring>

#include "plat/control.h"
#include "test_devmode_fixture.h"

using namespace orla;
using namespace orla::test;

namespace {

class DevmodeDefaults : public ::testing::Test {
protected:
    DeviceDataPtr data = CompileText(FixtureDescription());
    DriverDevmode record{};
    void SetUp() override {
        ASSERT_NE(data, nullptr);
        PlatSetWindowsVersion(6, 1, 7601, VER_PLATFORM_WIN32_NT);
        std::memset(&record, 0xA5, sizeof(record));  // defaults must overwrite every byte
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
    }
    void TearDown() override { PlatSetWindowsVersion(6, 1, 7601, VER_PLATFORM_WIN32_NT); }
};

TEST_F(DevmodeDefaults, RecordSizesOfThisBuild) {
    EXPECT_EQ(sizeof(DriverDevmode), kJapaneseBuild ? 220u + 8292u : 220u + 4188u);
    EXPECT_EQ(AsDevmode(record)->dmSize, 220);
    EXPECT_EQ(AsDevmode(record)->dmDriverExtra, kJapaneseBuild ? 8292 : 4188);
    EXPECT_EQ(dm::PaperLength2.offset, kJapaneseBuild ? 6112u : 2008u);
    EXPECT_EQ(dm::PopPassword.offset, kJapaneseBuild ? 7908u : 3804u);
}

TEST_F(DevmodeDefaults, PublicFields) {
    const DEVMODEW& d = *AsDevmode(record);
    EXPECT_EQ(GetText(record, dm::DeviceName), u"QEV Fixture 100");
    struct Case {
        const char* field;
        long got;
        long expected;
    };
    const Case cases[] = {
        {"dmSpecVersion", d.dmSpecVersion, 0x0401},
        {"dmDriverVersion", d.dmDriverVersion, 0x0100},
        {"dmFields", static_cast<long>(d.dmFields), 0x04011703},
        {"dmOrientation", d.dmOrientation, 1},
        {"dmPaperSize (no forms list)", d.dmPaperSize, 9},
        {"dmPaperLength", d.dmPaperLength, 2970},
        {"dmPaperWidth", d.dmPaperWidth, 2100},
        {"dmScale", d.dmScale, 100},
        {"dmCopies", d.dmCopies, 1},
        {"dmDefaultSource", d.dmDefaultSource, 1},
        {"dmPrintQuality", d.dmPrintQuality, 600},
        {"dmColor", d.dmColor, 1},
        {"dmDuplex", d.dmDuplex, 1},
        {"dmYResolution", d.dmYResolution, 0},
        {"dmTTOption", d.dmTTOption, 1},
        {"dmCollate", d.dmCollate, 0},
        {"dmNup", static_cast<long>(d.dmNup), 1},
        {"dmICMMethod", static_cast<long>(d.dmICMMethod), 1},
        {"dmICMIntent", static_cast<long>(d.dmICMIntent), 1},
        {"dmMediaType", static_cast<long>(d.dmMediaType), 1},
        {"dmDitherType", static_cast<long>(d.dmDitherType), 2},
        {"dmLogPixels", d.dmLogPixels, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.field;
    EXPECT_EQ(GetText(record, dm::FormName), u"A4");
}

TEST_F(DevmodeDefaults, PrivateFieldsOfTheTables) {
    struct Case {
        const char* what;
        unsigned offset;
        unsigned width;
        DWORD expected;
    };
    auto hi = [](unsigned japaneseOffset) { return HighOffset(japaneseOffset); };
    const Case cases[] = {
        {"flags word", 220, 2, 4},
        {"364", 364, 2, 1},
        {"366", 366, 1, 0},
        {"367", 367, 1, 0},
        {"overlay status", 368, 4, 0},
        {"private id", 392, 4, kFixturePrivateId},
        {"flags2", 400, 4, 0x01F33400},
        {"404", 404, 4, 15},
        {"408", 408, 4, 0},
        {"412", 412, 2, 0},
        {"414", 414, 2, 0},
        {"out paper", 416, 2, 0},
        {"418", 418, 2, 0},
        {"420", 420, 2, 0},
        {"zoom", 486, 2, 100},
        {"488", 488, 2, 0},
        {"490", 490, 2, 0},
        {"layout", 492, 2, 1},
        {"494", 494, 2, 0},
        {"496", 496, 2, 0},
        {"498", 498, 2, 3},
        {"print top", 500, 4, 41},
        {"print left", 504, 4, 40},
        {"508", 508, 4, 41},
        {"512", 512, 4, 40},
        {"516", 516, 2, 1},
        {"518", 518, 2, 1},
        {"520", 520, 2, 1},
        {"memory", 624, 4, 65536},
        {"prev size", 704, 2, 9},
        {"prev length", 706, 2, 2970},
        {"prev width", 708, 2, 2100},
        {"prev orientation", 774, 2, 1},
        {"prev source", 776, 2, 1},
        {"prev duplex", 778, 2, 1},
        {"remembered quality", 780, 2, 600},
        {"saved 784", 784, 2, 4},
        {"saved 792", 792, 4, 0x01F33400},
        {"saved 870", 870, 2, 100},
        {"saved 872", 872, 2, 0},
        {"saved 876", 876, 2, 1},
        {"saved 882", 882, 2, 3},
        {"saved 884", 884, 4, 1},
        {"saved 892", 892, 4, 0},
        {"saved 896", 896, 4, 0},
        {"saved 900", 900, 4, 1},
        {"saved 904", 904, 4, 0},
        {"saved 908", 908, 2, 0},
        {"saved 912", 912, 4, 4},
        {"saved 916", 916, 4, 300},
        {"saved 920", 920, 4, 4},
        {"saved 924", 924, 4, 4},
        {"saved 928", 928, 4, 1},
        {"annotation", 1032, 4, 0},
        {"stamp", 1220, 4, 0},
        {"draw flag", 1972, 4, 0},
        {"paper length", hi(6112), 4, 2970},
        {"paper width", hi(6116), 4, 2100},
        {"6120", hi(6120), 2, 130},
        {"6122", hi(6122), 2, 100},
        {"ca size", hi(6124), 2, 24},
        {"ca flags", hi(6126), 2, 0},
        {"ca illuminant", hi(6128), 2, 0},
        {"ca red gamma", hi(6130), 2, 10000},
        {"ca green gamma", hi(6132), 2, 10000},
        {"ca blue gamma", hi(6134), 2, 10000},
        {"ca black", hi(6136), 2, 0},
        {"ca white", hi(6138), 2, 10000},
        {"ca contrast", hi(6140), 2, 0},
        {"ca tint", hi(6146), 2, 0},
        {"6148", hi(6148), 4, 0},
        {"6152", hi(6152), 4, 0},
        {"slip tray", hi(6160), 4, 1},
        {"6164", hi(6164), 4, 0},
        {"6172", hi(6172), 4, 0},
        {"first tray", hi(6176), 4, 4},
        {"second tray", hi(6180), 4, 300},
        {"6184", hi(6184), 4, 1},
        {"6188", hi(6188), 4, 4},
        {"front cover", hi(6192), 4, 4},
        {"back cover", hi(6196), 4, 4},
        {"6200", hi(6200), 4, 0},
        {"6204", hi(6204), 4, 0},
        {"6232", hi(6232), 4, 0},
        {"6240", hi(6240), 4, 1},
        {"7564", hi(7564), 4, 0},
        {"7576", hi(7576), 2, 0},
        {"7578", hi(7578), 2, 0},
        {"7696", hi(7696), 4, 0},
    };
    for (const Case& c : cases) {
        DWORD got = c.width == 1   ? record.bytes[c.offset]
                    : c.width == 2 ? Get(record, DmField<WORD>{c.offset})
                                   : Get(record, DmField<DWORD>{c.offset});
        EXPECT_EQ(got, c.expected) << c.what << " at " << c.offset;
    }
    EXPECT_EQ(GetAnsi(record, dm::LanguageText), "ORLA Level2 Form");
    EXPECT_EQ(record.bytes[dm::LanguageText.offset + 16], 0);
    EXPECT_EQ(GetText(record, dm::PrevFormName), u"A4");
    EXPECT_EQ(Get(record, dm::SavedFlags1), Get(record, dm::Flags1));
    for (const DmText& t : {dm::OutPaperName, dm::OwnerUserName, dm::AnnotationText, dm::SetUserId, dm::PopPassword,
                            dm::ComputerName, dm::JobUserName, dm::JobInfoUserName})
        EXPECT_EQ(GetText(record, t), u"");
    for (const DmAnsi& t : {dm::OverlayFolder, dm::OverlayName}) EXPECT_EQ(GetAnsi(record, t), "");
}

TEST_F(DevmodeDefaults, TrustMarkingBlockOfTheJapaneseBuild) {
    if constexpr (!kJapaneseBuild) {
        // The English record ends long before the Japanese block would start.
        EXPECT_LT(sizeof(DriverDevmode), dm::TrustBlock.offset + dm::TrustBlock.cb);
        return;
    }
    EXPECT_EQ(Get(record, dm::TrustBlobSize), 0u);
    EXPECT_EQ(Get(record, dm::TrustMarkResult), 0u);
    EXPECT_EQ(record.bytes[dm::TrustBlock.offset], 'T');
    for (unsigned i = 1; i < dm::TrustBlock.cb; ++i) ASSERT_EQ(record.bytes[dm::TrustBlock.offset + i], 0) << i;
}

TEST_F(DevmodeDefaults, FlagsWordFollowsWindowsVersion) {
    struct Case {
        DWORD major, minor, platform;
        DWORD japanese;
    };
    const Case cases[] = {
        {6, 0, VER_PLATFORM_WIN32_NT, 0x072114FD},                                                  // Vista
        {10, 0, VER_PLATFORM_WIN32_NT, 0x072114FD},     {5, 1, VER_PLATFORM_WIN32_NT, 0x072134FD},  // XP
        {4, 0, VER_PLATFORM_WIN32_NT, 0x072134FD},  // not 5 or more: major taken as 0
        {6, 1, VER_PLATFORM_WIN32_WINDOWS, 0x072134FD},
    };
    for (const Case& c : cases) {
        PlatSetWindowsVersion(c.major, c.minor, 1000, c.platform);
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        EXPECT_EQ(Get(record, dm::Flags1), kJapaneseBuild ? c.japanese : 0x062114FDu) << c.major << "." << c.minor;
        EXPECT_EQ(Get(record, dm::SavedFlags1), Get(record, dm::Flags1));
    }
}

TEST_F(DevmodeDefaults, NtVersionQueries) {
    struct Case {
        DWORD major, minor, platform;
        DWORD ntMajor;
        BOOL after50;
    };
    const Case cases[] = {
        {5, 0, VER_PLATFORM_WIN32_NT, 5, FALSE},     {5, 1, VER_PLATFORM_WIN32_NT, 5, TRUE},
        {6, 0, VER_PLATFORM_WIN32_NT, 6, TRUE},      {4, 0, VER_PLATFORM_WIN32_NT, 0, FALSE},
        {6, 0, VER_PLATFORM_WIN32_WINDOWS, 0, TRUE},
    };
    for (const Case& c : cases) {
        PlatSetWindowsVersion(c.major, c.minor, 1000, c.platform);
        EXPECT_EQ(GetNtMajorVersion(), c.ntMajor) << c.major << "." << c.minor;
        EXPECT_EQ(IsOsAfterNt50(), c.after50) << c.major << "." << c.minor;
    }
}

TEST_F(DevmodeDefaults, WithoutResourceDllAllDevicePairsAreZero) {
    for (unsigned k = 0; k < dm::DevicePairCount; ++k) {
        EXPECT_EQ(Get(record, dm::DeviceState(k)), 0) << k;
        EXPECT_EQ(Get(record, dm::DeviceChoice(k)), 0) << k;
    }
}

TEST(DevmodeDefaultsFallback, DescriptionWithoutDefaultRecordsGetsSaneValues) {
    // No "*DefaultForm", "*DefaultInputSlot" or "*DefaultMemorySize": their offsets point at the
    // following lists, which must not be read as the default records.
    DeviceDataPtr data = CompileText(
        u"*Version: 4\r\n*FriendlyName: \"Bare\"\r\n"
        u"*InputSlot: \"Lower\" 5\r\n*InputSlot: \"Upper\" 1\r\n"
        u"*MemorySize: 32768 0 0 0 0 0 0\r\n"
        u"*FormPort: \"B5 (JIS)\" 182000 257000 4000 4000 178000 253000\r\n");
    ASSERT_NE(data, nullptr);
    DriverDevmode record{};
    SetDefaultDevmode(&record, nullptr, nullptr, data.get());
    EXPECT_EQ(GetText(record, dm::FormName), u"B5 (JIS)");
    EXPECT_EQ(AsDevmode(record)->dmPaperLength, 2570);
    EXPECT_EQ(AsDevmode(record)->dmPaperWidth, 1820);
    EXPECT_EQ(AsDevmode(record)->dmDefaultSource, 5);
    EXPECT_EQ(Get(record, dm::MemoryKb), 32768u);
    EXPECT_EQ(Get(record, dm::PrintPosTop), 40u);

    // A friendly name longer than dmDeviceName is cut, always terminated.
    DeviceDataPtr longName = CompileText(u"*FriendlyName: \"QEV Halvoric 4400K With A Rather Long Model Name\"\r\n");
    ASSERT_NE(longName, nullptr);
    SetDefaultDevmode(&record, nullptr, nullptr, longName.get());
    EXPECT_EQ(GetText(record, dm::DeviceName), u"QEV Halvoric 4400K With A Rathe");
    EXPECT_EQ(AsDevmode(record)->dmDeviceName[31], 0);

    DeviceDataPtr empty = CompileText(u"");
    ASSERT_NE(empty, nullptr);
    SetDefaultDevmode(&record, nullptr, nullptr, empty.get());
    EXPECT_EQ(GetText(record, dm::FormName), u"A4");
    EXPECT_EQ(AsDevmode(record)->dmDefaultSource, DMBIN_AUTO);
    EXPECT_EQ(GetText(record, dm::DeviceName), u"");
}

TEST(DevmodeDefaultsPrintPosition, ImageableTopAndLeftInTenthsRoundedUp) {
    struct Case {
        LONG left, top;
        DWORD tenthsLeft, tenthsTop;
    };
    const Case cases[] = {{4000, 4050, 40, 41}, {4001, 4099, 41, 41}, {4100, 0, 41, 0}, {99, 1, 1, 1}};
    for (const Case& c : cases) {
        const std::string form = "*DefaultForm: \"A4\" 210000 297000 " + std::to_string(c.left) + " " +
                                 std::to_string(c.top) + " 206000 292950\r\n";
        DeviceDataPtr data = CompileText(std::u16string(form.begin(), form.end()));
        ASSERT_NE(data, nullptr);
        DriverDevmode record{};
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        EXPECT_EQ(Get(record, dm::PrintPosTop), c.tenthsTop) << c.top;
        EXPECT_EQ(Get(record, dm::PrintPosTop2), c.tenthsTop) << c.top;
        EXPECT_EQ(Get(record, dm::PrintPosLeft), c.tenthsLeft) << c.left;
        EXPECT_EQ(Get(record, dm::PrintPosLeft2), c.tenthsLeft) << c.left;
    }
}

TEST(DevicePairLookup, ChoiceFromLowestAllowedBitOrPreferred) {
    DeviceDataPtr data = CompileText(FixtureDescription());
    ASSERT_NE(data, nullptr);
    const WORD three = 3;
    struct Case {
        const char16_t* name;
        bool option;
        const WORD* preferred;
        WORD state;
        WORD choice;
    };
    const Case cases[] = {
        {u"Feeder C", false, &three, 0x0008, 3},     // bits 0x000C, preferred 3 allowed
        {u"Feeder C", false, nullptr, 0x0008, 3},    // lowest bit 2 -> 3
        {u"Feeder 3", false, &three, 0x0008, 1001},  // bits 0x0030: 3 not allowed
        {u"Feeder 3", false, nullptr, 0x0008, 1001},
        {u"Feeder None", false, &three, 0, 0},          // no allowed bits
        {u"Feeder High", false, nullptr, 0, 0},         // bits beyond the table
        {u"Duplex Unit", true, nullptr, 0x0008, 1001},  // option bit 1
        {u"Finisher", true, nullptr, 0, 1},             // option bit 10 -> 1
    };
    for (const Case& c : cases) {
        DevicePair pair{0xEEEE, 0xEEEE};
        if (c.option)
            LookupOptionDeviceSetting(&pair, c.preferred, c.name, data.get());
        else
            LookupInputDeviceSetting(&pair, c.preferred, c.name, data.get());
        EXPECT_EQ(pair.state, c.state) << std::string(c.name, c.name + 3);
        EXPECT_EQ(pair.choice, c.choice);
    }
    DevicePair untouched{7, 9};
    LookupInputDeviceSetting(&untouched, &three, u"No Such Device", data.get());
    LookupOptionDeviceSetting(&untouched, nullptr, u"Feeder C", data.get());  // wrong list
    EXPECT_EQ(untouched.state, 7);
    EXPECT_EQ(untouched.choice, 9);
}

TEST(DevmodeFields, TextHelpersStayInsideTheirFieldAndRecord) {
    DriverDevmode r{};
    SetText(r, dm::OutPaperName, std::u16string(50, u'x'));
    EXPECT_EQ(GetText(r, dm::OutPaperName).size(), 31u);
    EXPECT_EQ(Get(r, dm::Zoom), 0);  // the field behind it is untouched
    SetAnsi(r, dm::OverlayName, "LONGERTHANEIGHT");
    EXPECT_EQ(GetAnsi(r, dm::OverlayName), "LONGERTH");
    // A short buffer: reads give 0, writes do nothing.
    BYTE small[100] = {};
    std::span<BYTE> s(small);
    Set(s, dm::Zoom, WORD{5});
    EXPECT_EQ(Get(std::span<const BYTE>(small), dm::Zoom), 0);
    EXPECT_EQ(Get(std::span<const BYTE>(small), DmField<WORD>{98}), 0);
    EXPECT_EQ(GetText(std::span<const BYTE>(small), dm::FormName), u"");
}

}  // namespace
