// The settings resolver: document form and output paper, paper conversion with the output paper
// table, zoom, and the settings that paper, trays, devices and configuration rule out.
#include <gtest/gtest.h>

#include <cstring>

#include "core/settings_resolver.h"
#include "test_devmode_fixture.h"

using namespace orla;
using namespace orla::test;

namespace {

std::u16string ResolverDescription(int version) {
    std::u16string text = version >= 4 ? u"*Version: 4\r\n" : u"*Version: 3\r\n";
    text += u"*FriendlyName: \"QEV Resolver\"\r\n*PrivateID: 0x51455631\r\n"
            u"*DefaultResolution: 600\r\n*Resolution: 600 \"\" 0 \"\" 0\r\n*Resolution: 1200 \"\" 0 \"\" 0\r\n"
            u"*DefaultInputSlot: \"Auto\" 7\r\n*InputSlot: \"Auto\" 7\r\n*InputSlot: \"Feeder1\" 1\r\n"
            u"*InputSlot: \"Feeder2\" 2\r\n*InputSlot: \"Manual\" 4\r\n"
            u"*MaxForm: 297000 431800\r\n*MinForm: 90000 148000\r\n"
            u"*DefaultForm: \"A4\" 210000 297000 5000 5000 205000 292000\r\n"
            u"*FormPort: \"A4\" 210000 297000 5000 5000 205000 292000\r\n"
            u"*FormPort: \"A3\" 297000 420000 5000 5000 292000 415000\r\n"
            u"*FormPort: \"B4 (JIS)\" 257000 364000 5000 5000 252000 359000\r\n"
            u"*FormPort: \"A4->A3\" 210000 297000 5000 5000 205000 292000\r\n"
            u"*FormPort: \"LP->A4\" 297000 900000 5000 5000 292000 895000\r\n"
            u"*FormPort: \"Label\" 100000 148000 0 0 10583 10583\r\n"
            u"*FormPort: \"Label2\" 100000 148000 0 0 21167 21167\r\n";
    text += u"*FormPort: \"";
    text += kLongPaperFormName;
    text += u"\" 297000 900000 5000 5000 292000 895000\r\n*FormPort: \"";
    text += kFormEnvelopeYou4;
    text += u"\" 105000 235000 5000 5000 100000 230000\r\n";
    return text;
}

class Resolver : public ::testing::Test {
protected:
    DeviceDataPtr data = CompileText(ResolverDescription(4));
    DriverDevmode record{};
    FormsFixture forms{
        {u"Letter", 215900, 279400},            // 1
        {u"A3", 297000, 420000},                // 2
        {u"A4", 210000, 297000},                // 3
        {u"B4 (JIS)", 257000, 364000},          // 4
        {u"A4->A3", 210000, 297000},            // 5
        {u"LP->A4", 297000, 420000},            // 6
        {kLongPaperFormName, 297000, 900000},   // 7
        {u"Banner", 297000, 600000},            // 8
        {kFormEnvelopeYou4, 105000, 235000},    // 9
        {u"Label", 100000, 148000},             // 10
        {u"Label2", 100000, 148000},            // 11
    };
    DeviceStrings strings{};
    std::vector<BYTE> table;

    void SetUp() override {
        ASSERT_NE(data, nullptr);
        BlankUnusableForms(forms.data(), forms.count(), 4);
        strings[0] = u"Auto";
        strings[1] = u"Feeder1";
        strings[2] = u"Feeder2";
        std::vector<OutPaperPair> pairs;
        for (const auto& p : kDefaultOutPaperTable) pairs.push_back({p.document, p.output});
        table = BuildOutPaperTable(pairs);
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        Set(record, dm::MemoryKb, DWORD{0x80000});
    }
    void Resolve(const ResolverConfig* config = nullptr) {
        ResolveSettings(&record, config, ResolverInputs{forms.data(), forms.count(), &strings, table}, data.get());
    }
    void Form(std::u16string_view name) { SetText(record, dm::FormName, name); }
    void Install(unsigned pairOffset, bool on) {
        auto f = dm::DeviceState(dm::DevicePairIndex(pairOffset));
        Set(record, f, static_cast<WORD>(on ? (Get(record, f) | 8) : (Get(record, f) & ~8)));
    }
    const DEVMODEW& pub() const { return *AsDevmode(record); }
};

TEST_F(Resolver, ConversionFormSelectsOutputPaperFromTable) {
    Form(u"A4->A3");
    Set(record, dm::Flags1, Get(record, dm::Flags1) | 0x1 | 0x2 | 0x200);
    Set(record, dm::LayoutMode, 4);
    Resolve();
    EXPECT_EQ(pub().dmPaperSize, 5);
    EXPECT_TRUE(Get(record, dm::Flags2) & 0x2);
    EXPECT_EQ(Get(record, dm::Flags1) & (0x1 | 0x2 | 0x200), 0u);
    EXPECT_EQ(Get(record, dm::LayoutMode), 1);
    EXPECT_EQ(Get(record, dm::OutputTray), 1);
    EXPECT_EQ(GetText(record, dm::OutPaperName), u"A3");
    EXPECT_EQ(Get(record, dm::OutPaperIndex), 2);
    EXPECT_EQ(Get(record, dm::OutPaperLength), 4200);
    EXPECT_EQ(Get(record, dm::OutPaperWidth), 2970);
}

TEST_F(Resolver, TablePairWithMissingOutputFormIsPassedOver) {
    table = BuildOutPaperTable(std::vector<OutPaperPair>{{u"A4->A3", u"Gone"}, {u"A4->A3", u"B4 (JIS)"}});
    Form(u"A4->A3");
    Resolve();
    EXPECT_EQ(GetText(record, dm::OutPaperName), u"B4 (JIS)");
    table.clear();  // missing table: the automatic choice stays
    SetDefaultDevmode(&record, nullptr, nullptr, data.get());
    Form(u"A4->A3");
    Resolve();
    EXPECT_EQ(GetText(record, dm::OutPaperName), u"");
}

TEST_F(Resolver, FormTheSpoolerNoLongerHasFallsBackToDefaultForm) {
    Form(u"Gone Form");
    AsDevmode(record)->dmPaperSize = 44;
    Resolve();
    EXPECT_EQ(GetText(record, dm::FormName), u"A4");
    EXPECT_EQ(pub().dmPaperSize, 3);
    EXPECT_EQ(pub().dmPaperLength, 2970);
    // An output paper that is gone becomes the default form too (and then the automatic choice).
    SetText(record, dm::OutPaperName, u"Gone Output");
    Set(record, dm::Flags1, Get(record, dm::Flags1) | 0x1);
    Resolve();
    EXPECT_EQ(GetText(record, dm::OutPaperName), u"A4");
    EXPECT_EQ(Get(record, dm::OutPaperIndex), 3);
}

TEST_F(Resolver, AutomaticOutputPaperForOutOfRangePapers) {
    struct Case {
        const char16_t* form;
        const char16_t* expectedOutput;
    };
    const Case cases[] = {
        {kLongPaperFormName, u""},   // 2970 x 9000 keeps no output paper
        {u"Banner", u"A4"},          // out of range: the default form
        {u"A3", u""},                // within range
    };
    for (const Case& c : cases) {
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        Form(c.form);
        Set(record, dm::Flags1, Get(record, dm::Flags1) & ~0x1u);
        Resolve();
        EXPECT_EQ(GetText(record, dm::OutPaperName), c.expectedOutput) << std::u16string(c.form).size();
    }
}

TEST_F(Resolver, ZoomFitsDocumentAreaOntoOutputPaper) {
    Form(u"A4");
    SetText(record, dm::OutPaperName, u"A3");
    Set(record, dm::Flags1, (Get(record, dm::Flags1) | 0x1) & ~0x2u);  // manual output paper kept
    Resolve();
    EXPECT_EQ(GetText(record, dm::OutPaperName), u"A3");
    EXPECT_EQ(Get(record, dm::Zoom), 142);

    Set(record, dm::LayoutMode, 2);
    Resolve();
    EXPECT_EQ(Get(record, dm::Zoom), 100);
}

TEST_F(Resolver, ZoomCountsDotsRoundedUp) {
    // 10,583 um is 99.997 dots and 21,167 um 200.003: rounded up 100 and 201 give 201 %.
    Form(u"Label");
    SetText(record, dm::OutPaperName, u"Label2");
    Set(record, dm::Flags1, (Get(record, dm::Flags1) | 0x1) & ~0x2u);
    Resolve();
    EXPECT_EQ(GetText(record, dm::OutPaperName), u"Label2");
    EXPECT_EQ(Get(record, dm::Zoom), 201);
}

TEST_F(Resolver, LongPaperForcesSixHundredDpiAndLpConversionLandscape) {
    Form(kLongPaperFormName);
    AsDevmode(record)->dmPrintQuality = 1200;
    Resolve();
    EXPECT_EQ(pub().dmPrintQuality, 600);

    SetDefaultDevmode(&record, nullptr, nullptr, data.get());
    SetText(record, dm::FormName, u"LP->A4");
    Resolve();
    EXPECT_EQ(GetText(record, dm::FormName), u"LP->A4");
    EXPECT_EQ(pub().dmOrientation, 2);
    EXPECT_EQ(GetText(record, dm::OutPaperName), u"A4");  // from the default table
}

TEST_F(Resolver, WithoutConfigurationTheConfigurationStepsAreSkipped) {
    Install(628, false);
    Install(632, true);
    AsDevmode(record)->dmDefaultSource = 1;  // Feeder1, its device not installed
    const DWORD f2 = Get(record, dm::Flags2) | 0x10000;
    Set(record, dm::Flags2, f2);
    Resolve(nullptr);
    EXPECT_TRUE(Get(record, dm::DeviceState(1)) & 8);
    EXPECT_EQ(pub().dmDefaultSource, 1);
    EXPECT_TRUE(Get(record, dm::Flags2) & 0x10000);

    const ResolverConfig config{0, 0};
    AsDevmode(record)->dmDuplex = 2;
    Resolve(&config);
    EXPECT_FALSE(Get(record, dm::DeviceState(1)) & 8);  // chain broken at 628
    EXPECT_EQ(pub().dmDefaultSource, 7);                 // back to the fallback slot "Auto"
    EXPECT_FALSE(Get(record, dm::Flags2) & 0x10000);
    EXPECT_EQ(pub().dmDuplex, 1);                        // no duplex unit installed
}

TEST_F(Resolver, InstalledChainKeepsOnlyUnbrokenDevices) {
    Install(628, true);
    Install(632, true);
    Install(636, false);
    Install(640, true);
    Install(644, true);
    const ResolverConfig config{0, 0};
    Resolve(&config);
    const bool expected[] = {true, true, false, false, false};
    for (unsigned k = 0; k < 5; ++k) EXPECT_EQ((Get(record, dm::DeviceState(k)) & 8) != 0, expected[k]) << k;
    // A configuration read from the printer is taken as it is.
    Install(640, true);
    const ResolverConfig fromPrinter{0x4, 1};
    Resolve(&fromPrinter);
    EXPECT_TRUE(Get(record, dm::DeviceState(3)) & 8);
}

TEST_F(Resolver, SimplexWherePaperOrSettingsRuleOutTwoSided) {
    struct Case {
        const char* what;
        const char16_t* form;
        WORD tray490;
        DWORD slipSheets;
        bool simplex;
    };
    const Case cases[] = {
        {"A4", u"A4", 0, 0, false},
        {"envelope", kFormEnvelopeYou4, 0, 0, true},
        {"long paper", kLongPaperFormName, 0, 0, true},
        {"tray 3", u"A4", 3, 0, true},  // 490 = 3 only stays with 692 installed
        {"slip sheets", u"A4", 0, 1, true},
    };
    for (const Case& c : cases) {
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        Install(688, true);
        Install(692, true);
        Form(c.form);
        AsDevmode(record)->dmDuplex = 2;
        Set(record, dm::OutputTray, c.tray490);
        Set(record, dm::SlipSheetsOn, c.slipSheets);
        Resolve();
        EXPECT_EQ(pub().dmDuplex == 1, c.simplex) << c.what;
    }
}

TEST_F(Resolver, ResolvingTwiceChangesNothingMore) {
    Form(u"A4->A3");
    Set(record, dm::LayoutMode, 2);
    Set(record, dm::LayoutOrder, 3);
    Resolve();
    EXPECT_EQ(Get(record, dm::Zoom), 142);  // A4 area onto A3 already on the first run
    DriverDevmode once = record;
    Resolve();
    EXPECT_EQ(std::memcmp(&once, &record, sizeof(record)), 0);
}

TEST_F(Resolver, MissingFormsListOrStringsLeaveTheRecordAlone) {
    Form(u"Gone Form");
    const DriverDevmode before = record;
    ResolveSettings(&record, nullptr, ResolverInputs{nullptr, 0, &strings, table}, data.get());
    EXPECT_EQ(std::memcmp(&before, &record, sizeof(record)), 0);
    ResolveSettings(&record, nullptr, ResolverInputs{forms.data(), forms.count(), nullptr, table}, data.get());
    EXPECT_EQ(std::memcmp(&before, &record, sizeof(record)), 0);
}

TEST_F(Resolver, TrustMarkingTakesOverInJapaneseBuild) {
    if constexpr (!kJapaneseBuild) GTEST_SKIP() << "no trust marking in the English build";
    Set(record, dm::TrustMarkResult, DWORD{1});
    Set(record, dm::FlagsWord, WORD{5});
    Set(record, dm::SavedFlagsWord, WORD{5});
    Set(record, dm::OverlayStatus, DWORD{0});
    Set(record, dm::Flags1, Get(record, dm::Flags1) | 0x20000 | 0x01000000 | 0x4);
    Set(record, dm::Setting498, WORD{0});
    Resolve();
    const DWORD f1 = Get(record, dm::Flags1);
    EXPECT_EQ(f1 & (0x20000 | 0x01000000 | 0x4), 0u);
    EXPECT_TRUE(f1 & 0x10000);
    EXPECT_TRUE(Get(record, dm::SavedFlags1) & 0x10000);
    EXPECT_EQ(Get(record, dm::Setting498), 3);
    EXPECT_EQ(Get(record, dm::Saved498), 3);
    EXPECT_EQ(Get(record, dm::FlagsWord) & 1, 0);
    EXPECT_EQ(Get(record, dm::SavedFlagsWord) & 1, 0);
}

TEST(ResolverPaper, SupportedPaperByNameVersionAndSize) {
    DeviceDataPtr v4 = CompileText(ResolverDescription(4));
    DeviceDataPtr v3 = CompileText(ResolverDescription(3));
    ASSERT_TRUE(v4 && v3);
    struct Case {
        const char16_t* name;
        WORD width;
        WORD length;
        bool output;
        int version;
        bool supported;
    };
    const Case cases[] = {
        {u"A4", 0, 0, false, 3, true},
        {kFormA4Rotated, 0, 0, false, 4, true},
        {kFormA4Rotated, 0, 0, false, 3, false},       // rotated names only from version 4
        {u"Custom", 750, 1480, false, 3, true},        // by size, bounds inclusive
        {u"Custom", 749, 1480, false, 4, false},
        {u"Custom", 2970, 4318, false, 4, true},
        {u"Custom", 2970, 4319, false, 4, false},
        {u"A4->A3", 0, 0, true, 4, true},              // conversion names as output paper
        {u"A3->A4", 0, 0, true, 4, false},             // all but this one
        {u"A4->A3", 0, 0, false, 4, false},            // not as document form
    };
    for (const Case& c : cases) {
        DriverDevmode r{};
        if (c.output) {
            Set(r, dm::OutPaperIndex, WORD{1});
            SetText(r, dm::OutPaperName, c.name);
            Set(r, dm::OutPaperWidth, c.width);
            Set(r, dm::OutPaperLength, c.length);
            SetText(r, dm::FormName, u"A4");
        } else {
            SetText(r, dm::FormName, c.name);
            AsDevmode(r)->dmPaperWidth = static_cast<SHORT>(c.width);
            AsDevmode(r)->dmPaperLength = static_cast<SHORT>(c.length);
        }
        EXPECT_EQ(IsSupportedPaper(&r, (c.version >= 4 ? v4 : v3).get()) != FALSE, c.supported)
            << c.width << "x" << c.length << " v" << c.version;
    }
}

TEST(OutPaperTable, ParsesPairsAndStopsSafelyOnDamage) {
    std::vector<OutPaperPair> defaults;
    for (const auto& p : kDefaultOutPaperTable) defaults.push_back({p.document, p.output});
    std::vector<BYTE> value = BuildOutPaperTable(defaults);
    std::vector<OutPaperPair> parsed;
    ASSERT_TRUE(ParseOutPaperTable(value, &parsed));
    ASSERT_EQ(parsed.size(), 14u);
    EXPECT_EQ(parsed[0].document, u"A3->B4");
    EXPECT_EQ(parsed[13].output, u"A4");

    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
        BOOL ok;
        size_t pairs;
    };
    std::vector<BYTE> cut(value.begin(), value.end() - 3);  // ends inside the last string
    std::vector<BYTE> odd = value;
    odd.push_back(0x41);
    std::vector<BYTE> noOutput = {'A', 0, 0, 0};
    const Case cases[] = {
        {"empty table", {0, 0, 0, 0}, TRUE, 0},
        {"no bytes", {}, TRUE, 0},
        {"cut inside a string", cut, FALSE, 13},
        {"odd length", odd, FALSE, 14},
        {"document without output", noOutput, FALSE, 0},
        {"no terminator at all", {'A', 0, 'B', 0}, FALSE, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseOutPaperTable(c.bytes, &parsed), c.ok) << c.what;
        EXPECT_EQ(parsed.size(), c.pairs) << c.what;
    }
    EXPECT_EQ(BuildOutPaperTable({}), std::vector<BYTE>(4, 0));
    EXPECT_EQ(value.size(), 372u);  // as RCDATA 1001
}

}  // namespace
