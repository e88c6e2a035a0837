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
    text +=
        u"*FriendlyName: \"QEV Resolver\"\r\n*PrivateID: 0x51455631\r\n"
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
    text += u"\" 105000 235000 5000 5000 100000 230000\r\n*FormPort: \"";
    text += kFormA4Rotated;
    text += u"\" 297000 210000 5000 5000 292000 205000\r\n";
    return text;
}

class Resolver : public ::testing::Test {
protected:
    DeviceDataPtr data = CompileText(ResolverDescription(4));
    DriverDevmode record{};
    FormsFixture forms{
        {u"Letter", 215900, 279400},           // 1
        {u"A3", 297000, 420000},               // 2
        {u"A4", 210000, 297000},               // 3
        {u"B4 (JIS)", 257000, 364000},         // 4
        {u"A4->A3", 210000, 297000},           // 5
        {u"LP->A4", 297000, 420000},           // 6
        {kLongPaperFormName, 297000, 900000},  // 7
        {u"Banner", 297000, 600000},           // 8
        {kFormEnvelopeYou4, 105000, 235000},   // 9
        {u"Label", 100000, 148000},            // 10
        {u"Label2", 100000, 148000},           // 11
        {u"Card", 90000, 120000},              // 12, not offered by the model
        {kFormA4Rotated, 297000, 210000},      // 13
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
    void Install(unsigned pair, bool on) {
        auto f = dm::DeviceState(pair);
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
        {kLongPaperFormName, u""},  // 2970 x 9000 keeps no output paper
        {u"Banner", u"A4"},         // out of range: the default form
        {u"A3", u""},               // within range
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
    Install(dm::kFeeder1, false);
    Install(dm::kFeeder2, true);
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
    EXPECT_EQ(pub().dmDefaultSource, 7);                // back to the fallback slot "Auto"
    EXPECT_FALSE(Get(record, dm::Flags2) & 0x10000);
    EXPECT_EQ(pub().dmDuplex, 1);  // no duplex unit installed
}

TEST_F(Resolver, InstalledChainKeepsOnlyUnbrokenDevices) {
    Install(dm::kFeeder1, true);
    Install(dm::kFeeder2, true);
    Install(dm::kFeeder3, false);
    Install(dm::kFeeder4, true);
    Install(dm::kFeeder5, true);
    const ResolverConfig config{0, 0};
    Resolve(&config);
    const bool expected[] = {true, true, false, false, false};
    for (unsigned k = 0; k < 5; ++k) EXPECT_EQ((Get(record, dm::DeviceState(k)) & 8) != 0, expected[k]) << k;
    // A configuration read from the printer is taken as it is.
    Install(dm::kFeeder4, true);
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
        Install(dm::kLcs, true);
        Install(dm::kFut, true);
        Form(c.form);
        AsDevmode(record)->dmDuplex = 2;
        Set(record, dm::OutputTray, c.tray490);
        Set(record, dm::SlipSheetsOn, c.slipSheets);
        Resolve();
        EXPECT_EQ(pub().dmDuplex == 1, c.simplex) << c.what;
    }
}

// Paper source against the installed devices (only with a configuration), and the per-section
// trays and slip-sheet settings that an unsupported paper rules out.
TEST_F(Resolver, PaperSourceFollowsInstalledDevicesAndPaper) {
    struct Case {
        const char* what;
        SHORT source;
        const char16_t* form;
        const char16_t* output;  // manual output paper, or null
        unsigned installed;      // pair offsets 628..700 as bits (offset - 628) / 4
        bool overlay;
        SHORT expected;
        bool supported;
    };
    constexpr unsigned k628 = 1u << 0, k632 = 1u << 1, k652 = 1u << 6;
    strings[19] = u"Feeder2";  // 219 names the same slot as 202 for the rule of pair 652
    const Case cases[] = {
        {"201 not installed", 1, u"A4", nullptr, 0, false, 7, true},
        {"201 installed", 1, u"A4", nullptr, k628, false, 1, true},
        {"overlay on keeps the source", 1, u"A4", nullptr, 0, true, 1, true},
        {"202 not installed", 2, u"A4", nullptr, k628, false, 7, true},
        {"202 installed, 219 with 652 installed", 2, u"A4", nullptr, k628 | k632 | k652, false, 7, true},
        {"202 installed, 652 not", 2, u"A4", nullptr, k628 | k632, false, 2, true},
        {"slot without a string", 4, u"A4", nullptr, 0, false, 4, true},
        // The long paper is never a supported paper, so its tray (4 or 14) gives way to tray 4.
        {"long paper, 652 installed", 7, kLongPaperFormName, nullptr, k652, false, 4, false},
        {"long paper, 652 not installed", 7, kLongPaperFormName, nullptr, 0, false, 4, false},
        {"unsupported paper", 1, u"A4", u"Banner", k628, false, 4, false},
    };
    const ResolverConfig config{0x4, 1};
    for (const Case& c : cases) {
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        Set(record, dm::MemoryKb, DWORD{0x80000});
        for (unsigned k = 0; k < dm::DevicePairCount; ++k) Install(k, (c.installed >> k) & 1);
        Form(c.form);
        if (c.output) {
            SetText(record, dm::OutPaperName, c.output);
            Set(record, dm::Flags1, Get(record, dm::Flags1) | 0x1);
        }
        if (c.overlay) Set(record, dm::FlagsWord, static_cast<WORD>(Get(record, dm::FlagsWord) | 1));
        AsDevmode(record)->dmDefaultSource = c.source;
        Set(record, dm::SlipSheetsOn, DWORD{1});
        Resolve(&config);
        EXPECT_EQ(pub().dmDefaultSource, c.expected) << c.what;
        EXPECT_EQ(IsSupportedPaper(&record, data.get()) != FALSE, c.supported) << c.what;
        // Per-section trays fall back to 4 only for an unsupported paper; slip sheets go with
        // the overlay or the unsupported paper.
        const DWORD trays[] = {Get(record, dm::FirstSheetTray), Get(record, dm::SecondSheetTray),
                               Get(record, dm::FrontCoverTray), Get(record, dm::BackCoverTray),
                               Get(record, dm::SlipSheetTray),  Get(record, dm::SeparateDefaultTray)};
        const DWORD expectedTrays[] = {4, c.supported ? 300u : 4u, 4, 4, c.supported ? 1u : 4u, c.supported ? 1u : 4u};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(trays[i], expectedTrays[i]) << c.what << " tray " << i;
        EXPECT_EQ(Get(record, dm::SlipSheetsOn), (c.overlay || !c.supported) ? 0u : 1u) << c.what;
    }
    // Without a configuration the source is never touched.
    SetDefaultDevmode(&record, nullptr, nullptr, data.get());
    Form(kLongPaperFormName);
    AsDevmode(record)->dmDefaultSource = 1;
    Resolve(nullptr);
    EXPECT_EQ(pub().dmDefaultSource, 1);
}

TEST_F(Resolver, SeparateTraysAndSlipSheetsExcludeEachOther) {
    struct Case {
        DWORD slip, separate;
        bool overlay;
        DWORD slipAfter, separateAfter;
    };
    const Case cases[] = {
        {1, 1, false, 1, 0},  // slip sheets win: 6172 is cleared first
        {0, 1, false, 0, 1},
        {1, 0, false, 1, 0},
        {1, 1, true, 0, 0},
    };
    for (const Case& c : cases) {
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        Set(record, dm::SlipSheetsOn, c.slip);
        Set(record, dm::SeparateTraysOn, c.separate);
        if (c.overlay) Set(record, dm::FlagsWord, static_cast<WORD>(Get(record, dm::FlagsWord) | 1));
        Resolve();
        EXPECT_EQ(Get(record, dm::SlipSheetsOn), c.slipAfter) << c.slip << c.separate << c.overlay;
        EXPECT_EQ(Get(record, dm::SeparateTraysOn), c.separateAfter) << c.slip << c.separate << c.overlay;
    }
}

TEST_F(Resolver, OutputTrayChoiceAndItsDependentSettings) {
    struct Case {
        const char* what;
        WORD tray;
        WORD s488;
        SHORT source;
        const char16_t* form;
        const char16_t* output;  // manual output paper, or null
        bool i688, i692;
        WORD expected;
        DWORD s6240;
    };
    const Case cases[] = {
        {"2 without 688", 2, 0, 7, u"A4", nullptr, false, true, 0, 1},
        {"2 with 688", 2, 0, 7, u"A4", nullptr, true, true, 2, 1},
        {"3 without 692", 3, 0, 7, u"A4", nullptr, true, false, 0, 1},
        {"3 with 692", 3, 0, 7, u"A4", nullptr, true, true, 3, 1},
        {"A3 from another slot", 0, 0, 1, u"A3", nullptr, true, true, 1, 1},
        {"A3 from the fallback slot", 0, 0, 7, u"A3", nullptr, true, true, 0, 1},
        {"B4 from another slot", 2, 0, 1, u"B4 (JIS)", nullptr, true, true, 1, 1},
        {"offered long paper", 0, 0, 7, kLongPaperFormName, nullptr, true, true, 1, 1},
        {"neither 688 nor 692", 0, 0, 7, u"A4", nullptr, false, false, 1, 1},
        {"488 is 2 without 692", 0, 2, 7, u"A4", nullptr, true, false, 1, 1},
        {"488 is 2 with 692", 0, 2, 7, u"A4", nullptr, true, true, 0, 1},
        {"short paper not offered, 692 installed", 2, 0, 7, u"A4", u"Card", true, true, 2, 0},
        {"short paper not offered, 692 absent", 2, 0, 7, u"A4", u"Card", true, false, 1, 1},
        {"paper not offered, 1270 or longer, 688 only", 0, 0, 7, u"A4", u"Letter", true, false, 0, 1},
        {"paper not offered too long for the tray", 0, 0, 7, u"A4", u"Banner", true, true, 1, 1},
    };
    for (const Case& c : cases) {
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        Install(dm::kLcs, c.i688);
        Install(dm::kFut, c.i692);
        Form(c.form);
        if (c.output) {
            SetText(record, dm::OutPaperName, c.output);
            Set(record, dm::Flags1, Get(record, dm::Flags1) | 0x1);
        }
        Set(record, dm::OutputTray, c.tray);
        Set(record, dm::PaperType, c.s488);
        Set(record, dm::OutputTrayFits, DWORD{7});
        Set(record, dm::OffsetStacking, DWORD{5});
        AsDevmode(record)->dmDefaultSource = c.source;
        Resolve();
        EXPECT_EQ(Get(record, dm::OutputTray), c.expected) << c.what;
        EXPECT_EQ(Get(record, dm::OutputTrayFits), c.s6240) << c.what;
        EXPECT_EQ(Get(record, dm::OffsetStacking), c.expected == 2 ? 5u : 0u) << c.what;
    }
}

TEST_F(Resolver, PrivateFlagBitsRuledOutBySettingsAndConfiguration) {
    struct Case {
        const char* what;
        const ResolverConfig* config;
        const char16_t* form;
        SHORT source;
        SHORT quality;
        SHORT duplex;
        DWORD memory;
        bool flags2Bit17;
        WORD layout;
        unsigned installed;  // pair offsets 628..700 as bits (offset - 628) / 4
        DWORD set;           // flags1 bits set before
        DWORD kept;          // of those, the bits expected afterwards
        DWORD flags2Bit16;   // expected bit 16 of flags2 (0 or 0x10000)
    };
    static const ResolverConfig kNone{0, 1};  // configuration not read from the printer
    static const ResolverConfig kPrinter{0x4, 1};
    static const ResolverConfig kPrinterHidden{0x4 | 0x8, 1};
    static const ResolverConfig kPrinterMode2{0x4, 2};
    constexpr unsigned k628 = 1u << 0, k632 = 1u << 1, k652 = 1u << 6, k660 = 1u << 8;
    constexpr DWORD b3 = 0x8, b4 = 0x10, b5 = 0x20, b6 = 0x40, b7 = 0x80, b8 = 0x100, b9 = 0x200, b10 = 0x400,
                    b11 = 0x800, b12 = 0x1000, b13 = 0x2000, b14 = 0x4000, b15 = 0x8000;
    const Case cases[] = {
        {"A4 from the fallback slot, two devices", nullptr, u"A4", 7, 600, 1, 0x80000, true, 1, k628 | k632, b3 | b4,
         b3 | b4, 0x10000},
        {"A4 from another slot", nullptr, u"A4", 1, 600, 1, 0x80000, true, 1, k628 | k632, b3 | b4, 0, 0x10000},
        {"A3 is not A4", nullptr, u"A3", 7, 600, 1, 0x80000, true, 1, k628 | k632, b3 | b4, 0, 0x10000},
        {"offered rotated A4 counts as A4 from version 4", nullptr, kFormA4Rotated, 7, 600, 1, 0x80000, true, 1,
         k628 | k632, b3, b3, 0x10000},
        {"one device only", nullptr, u"A4", 7, 600, 1, 0x80000, true, 1, k628, b3 | b4, b4, 0x10000},
        {"bit 6 counts pair 652", nullptr, u"A4", 7, 600, 1, 0x80000, true, 1, k628 | k652, b3 | b6, b3 | b6, 0x10000},
        {"bit 6 without pair 652 counts nothing", nullptr, u"A4", 7, 600, 1, 0x80000, true, 1, k628, b3 | b6, b6,
         0x10000},
        {"pair 652 without bit 6 counts nothing", nullptr, u"A4", 7, 600, 1, 0x80000, true, 1, k628 | k652, b3, 0,
         0x10000},
        {"600 dpi below 72 MB", &kNone, u"A4", 7, 600, 1, 0x11FFF, false, 1, k628 | k632, b3 | b4, b3, 0},
        {"600 dpi with 72 MB", &kNone, u"A4", 7, 600, 1, 0x12000, false, 1, k628 | k632, b3 | b4, b3 | b4, 0},
        {"1200 dpi below 264 MB", &kNone, u"A4", 7, 1200, 1, 0x41FFF, false, 1, k628 | k632, b4, 0, 0},
        {"1200 dpi with 264 MB", &kNone, u"A4", 7, 1200, 1, 0x42000, false, 1, k628 | k632, b4, b4, 0},
        {"memory rule off by flags2 bit 17", &kNone, u"A4", 7, 600, 1, 0x100, true, 1, k628 | k632, b4, b4, 0},
        {"memory rule off for a printer configuration", &kPrinter, u"A4", 7, 600, 1, 0x100, false, 1, k628 | k632, b4,
         b4, 0},
        {"bit 5 needs a printer configuration in mode 1", &kNone, u"A4", 7, 600, 1, 0x80000, true, 1, 0, b5, 0, 0},
        {"bit 5 in mode 2", &kPrinterMode2, u"A4", 7, 600, 1, 0x80000, true, 1, 0, b5, 0, 0},
        {"bit 5 in mode 1", &kPrinter, u"A4", 7, 600, 1, 0x80000, true, 1, 0, b5, b5, 0},
        {"bit 5 without configuration", nullptr, u"A4", 7, 600, 1, 0x80000, true, 1, 0, b5, b5, 0x10000},
        {"tray contents hidden sets flags2 bit 16", &kPrinterHidden, u"A4", 7, 600, 2, 0x80000, true, 1, k660, b7 | b8,
         b7 | b8, 0x10000},
        {"bit 7 needs both configuration flags", &kPrinter, u"A4", 7, 600, 2, 0x80000, true, 1, k660, b7 | b8, b8, 0},
        {"bit 8 needs pair 660", &kPrinterHidden, u"A4", 7, 600, 2, 0x80000, true, 1, 0, b8, 0, 0x10000},
        {"bit 8 needs two-sided printing", nullptr, u"A4", 7, 600, 1, 0x80000, true, 1, k660, b8, 0, 0x10000},
        {"bit 8 with two-sided printing", nullptr, u"A4", 7, 600, 3, 0x80000, true, 1, k660, b8, b8, 0x10000},
        {"bit 9 with one page per sheet", nullptr, u"A4", 7, 600, 1, 0x80000, true, 1, 0, b9, 0, 0x10000},
        {"bit 9 with four pages per sheet", nullptr, u"A4", 7, 600, 1, 0x80000, true, 4, 0, b9, b9, 0x10000},
        {"raster mode clears 10 and 12 to 15", nullptr, u"A4", 7, 600, 1, 0x80000, true, 1, 0,
         b10 | b11 | b12 | b13 | b14 | b15, b11, 0x10000},
        {"without raster mode they stay", nullptr, u"A4", 7, 600, 1, 0x80000, true, 1, 0, b10 | b12 | b13 | b14 | b15,
         b10 | b12 | b13 | b14 | b15, 0x10000},
        {"bit 12 needs 600 dpi", nullptr, u"A4", 7, 1200, 1, 0x80000, true, 1, 0, b10 | b12, b10, 0x10000},
    };
    const DWORD probe = b3 | b4 | b5 | b6 | b7 | b8 | b9 | b10 | b11 | b12 | b13 | b14 | b15;
    for (const Case& c : cases) {
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        for (unsigned k = 0; k < dm::DevicePairCount; ++k) Install(k, (c.installed >> k) & 1);
        Form(c.form);
        AsDevmode(record)->dmDefaultSource = c.source;
        AsDevmode(record)->dmPrintQuality = c.quality;
        AsDevmode(record)->dmDuplex = c.duplex;
        Set(record, dm::MemoryKb, c.memory);
        Set(record, dm::LayoutMode, c.layout);
        Set(record, dm::TraySet, DWORD{15});
        DWORD f2 = Get(record, dm::Flags2) | 0x10000;
        f2 = c.flags2Bit17 ? (f2 | 0x20000) : (f2 & ~0x20000u);
        Set(record, dm::Flags2, f2);
        Set(record, dm::Flags1, (Get(record, dm::Flags1) & ~probe) | c.set);
        Resolve(c.config);
        EXPECT_EQ(Get(record, dm::Flags1) & probe, c.kept) << c.what;
        EXPECT_EQ(Get(record, dm::Flags2) & 0x10000, c.flags2Bit16) << c.what;
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
    Set(record, dm::PrintDensity, WORD{0});
    Resolve();
    const DWORD f1 = Get(record, dm::Flags1);
    EXPECT_EQ(f1 & (0x20000 | 0x01000000 | 0x4), 0u);
    EXPECT_TRUE(f1 & 0x10000);
    EXPECT_TRUE(Get(record, dm::SavedFlags1) & 0x10000);
    EXPECT_EQ(Get(record, dm::PrintDensity), 3);
    EXPECT_EQ(Get(record, dm::SavedPrintDensity), 3);
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
        {kFormA4Rotated, 0, 0, false, 3, false},  // rotated names only from version 4
        {u"Custom", 750, 1480, false, 3, true},   // by size, bounds inclusive
        {u"Custom", 749, 1480, false, 4, false},
        {u"Custom", 2970, 4318, false, 4, true},
        {u"Custom", 2970, 4319, false, 4, false},
        {u"A4->A3", 0, 0, true, 4, true},    // conversion names as output paper
        {u"A3->A4", 0, 0, true, 4, false},   // all but this one
        {u"A4->A3", 0, 0, false, 4, false},  // not as document form
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
        {"empty table", {0, 0, 0, 0}, TRUE, 0},          {"no bytes", {}, TRUE, 0},
        {"cut inside a string", cut, FALSE, 13},         {"odd length", odd, FALSE, 14},
        {"document without output", noOutput, FALSE, 0}, {"no terminator at all", {'A', 0, 'B', 0}, FALSE, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseOutPaperTable(c.bytes, &parsed), c.ok) << c.what;
        EXPECT_EQ(parsed.size(), c.pairs) << c.what;
    }
    EXPECT_EQ(BuildOutPaperTable({}), std::vector<BYTE>(4, 0));
    EXPECT_EQ(value.size(), 372u);  // as RCDATA 1001
}

}  // namespace
