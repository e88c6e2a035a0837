// Merging incoming DEVMODEs into a settings record: which public values are taken, the three
// paper rules, when the private part is taken over, and DEVMODEs that lie about themselves.
#include <gtest/gtest.h>

#include <cstring>

#include "test_devmode_fixture.h"

using namespace orla;
using namespace orla::test;

namespace {

class DevmodeMerge : public ::testing::Test {
protected:
    DeviceDataPtr data = CompileText(FixtureDescription());
    DriverDevmode record{};
    FormsFixture forms{
        {u"Letter", 215900, 279400},                                     // 1
        {u"Tiny", 50000, 50000},                                         // 2: blanked
        {u"A4", 210000, 297000},                                         // 3
        {u"A3", 297000, 420000},                                         // 4
        {u"Huge", 1000000, 1000000},                                     // 5: blanked
        {kLongPaperFormName, 297000, 900000},                            // 6
        {u"Wide Long Name Of A Custom Form Beyond 32", 200000, 250000},  // 7
    };

    void SetUp() override {
        ASSERT_NE(data, nullptr);
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        BlankUnusableForms(forms.data(), forms.count(), DeviceDataVersion(data.get()));
    }
    void Merge(const IncomingDevmode& in) {
        MergeDevmodeWithForms(&record, in.span(), forms.data(), forms.count(), data.get());
    }
    const DEVMODEW& pub() const { return *AsDevmode(record); }
    // An incoming record of this driver and build, carrying the given zoom in its private part.
    IncomingDevmode OwnRecord(WORD zoom, DWORD privateId = kFixturePrivateId) {
        IncomingDevmode in(kPublicDevmodeSize, kPrivateDevmodeSize);
        std::memcpy(in.bytes.data() + kPublicDevmodeSize, record.bytes + kPublicDevmodeSize, kPrivateDevmodeSize);
        in.Put16(in.Private(dm::Zoom.offset), zoom);
        in.Put32(in.Private(dm::PrivateId.offset), privateId);
        return in;
    }
};

TEST_F(DevmodeMerge, CopiesAreCappedAndZeroOrNegativeIgnored) {
    struct Case {
        SHORT incoming;
        DWORD fields;
        SHORT expected;
    };
    const Case cases[] = {
        {1200, DM_COPIES, 999}, {1000, DM_COPIES, 999}, {999, DM_COPIES, 999}, {5, DM_COPIES, 5},
        {1, DM_COPIES, 1},      {0, DM_COPIES, 7},      {-3, DM_COPIES, 7},    {5, 0, 7},
    };
    for (const Case& c : cases) {
        AsDevmode(record)->dmCopies = 7;
        IncomingDevmode in(220, 0);
        in.Fields(c.fields);
        in.Put16(86, static_cast<WORD>(c.incoming));
        Merge(in);
        EXPECT_EQ(pub().dmCopies, c.expected) << "incoming " << c.incoming;
    }
}

TEST_F(DevmodeMerge, PublicValuesTakenOnlyWhenTheModelCanTakeThem) {
    struct Case {
        const char* what;
        unsigned offset;
        DWORD field;
        SHORT value;
        bool taken;
    };
    const Case cases[] = {
        {"portrait", 76, DM_ORIENTATION, 1, true},
        {"landscape", 76, DM_ORIENTATION, 2, true},
        {"orientation 3", 76, DM_ORIENTATION, 3, false},
        {"orientation 0", 76, DM_ORIENTATION, 0, false},
        {"duplex 2", 94, DM_DUPLEX, 2, true},
        {"duplex 3", 94, DM_DUPLEX, 3, true},
        {"duplex 4", 94, DM_DUPLEX, 4, false},
        {"known slot 4", 88, DM_DEFAULTSOURCE, 4, true},
        {"known slot 7", 88, DM_DEFAULTSOURCE, 7, true},
        {"unknown slot 15", 88, DM_DEFAULTSOURCE, 15, false},
        {"resolution 1200", 90, DM_PRINTQUALITY, 1200, true},
        {"resolution 700", 90, DM_PRINTQUALITY, 700, false},
        {"landscape without its bit", 76, 0, 2, false},
    };
    for (const Case& c : cases) {
        SetUp();
        DriverDevmode before = record;
        IncomingDevmode in(220, 0);
        in.Fields(c.field);
        in.Put16(c.offset, static_cast<WORD>(c.value));
        Merge(in);
        SHORT got = Get(record, DmField<SHORT>{c.offset});
        if (c.taken)
            EXPECT_EQ(got, c.value) << c.what;
        else
            EXPECT_EQ(got, Get(before, DmField<SHORT>{c.offset})) << c.what;
    }
}

TEST_F(DevmodeMerge, NeverTakesScaleColourTrueTypeCollateOrFields) {
    IncomingDevmode in(220, 0);
    in.Fields(0xFFFFFFFF);
    in.Put16(84, 50);  // dmScale
    in.Put16(92, 2);   // dmColor
    in.Put16(98, 3);   // dmTTOption
    in.Put16(100, 1);  // dmCollate
    Merge(in);
    EXPECT_EQ(pub().dmScale, 100);
    EXPECT_EQ(pub().dmColor, 1);
    EXPECT_EQ(pub().dmTTOption, 1);
    EXPECT_EQ(pub().dmCollate, 0);
    EXPECT_EQ(pub().dmFields, 0x04011703u);
}

TEST_F(DevmodeMerge, PaperRulesPositionThenNameThenSize) {
    struct Case {
        const char* what;
        DWORD fields;
        SHORT paperSize;
        const char16_t* formName;
        SHORT length;
        SHORT width;
        SHORT expectedSize;  // 0: the record keeps its paper
        const char16_t* expectedName;
    };
    const Case cases[] = {
        {"position", DM_PAPERSIZE, 3, u"", 0, 0, 3, u"A4"},
        {"blanked position falls to name", DM_PAPERSIZE | DM_FORMNAME, 2, u"A3", 0, 0, 4, u"A3"},
        {"position out of list falls to size", DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH, 99, u"", 4200, 2970, 4,
         u"A3"},
        {"long paper by position", DM_PAPERSIZE, 6, u"", 0, 0, 6, kLongPaperFormName},
        {"name", DM_FORMNAME, 0, u"Letter", 0, 0, 1, u"Letter"},
        {"name without its bit", 0, 0, u"Letter", 0, 0, 0, nullptr},
        {"unknown name", DM_FORMNAME, 0, u"Nope", 0, 0, 0, nullptr},
        {"empty name never matches a blanked form", DM_FORMNAME, 0, u"", 0, 0, 0, nullptr},
        {"zero size never matches a blanked form", DM_PAPERLENGTH | DM_PAPERWIDTH, 0, u"", 0, 0, 0, nullptr},
        {"length alone", DM_PAPERLENGTH, 0, u"", 4200, 2970, 0, nullptr},
        {"position zero", DM_PAPERSIZE, 0, u"", 0, 0, 0, nullptr},
        {"negative position", DM_PAPERSIZE, -2, u"", 0, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        SetUp();
        DriverDevmode before = record;
        IncomingDevmode in(220, 0);
        in.Fields(c.fields);
        in.Put16(78, static_cast<WORD>(c.paperSize));
        in.Put16(80, static_cast<WORD>(c.length));
        in.Put16(82, static_cast<WORD>(c.width));
        in.FormName(c.formName);
        Merge(in);
        if (c.expectedSize == 0) {
            EXPECT_EQ(pub().dmPaperSize, AsDevmode(before)->dmPaperSize) << c.what;
            EXPECT_EQ(GetText(record, dm::FormName), GetText(before, dm::FormName)) << c.what;
            continue;
        }
        EXPECT_EQ(pub().dmPaperSize, c.expectedSize) << c.what;
        EXPECT_EQ(GetText(record, dm::FormName), c.expectedName) << c.what;
        const FORM_INFO_1W& f = forms.forms[c.expectedSize - 1];
        EXPECT_EQ(pub().dmPaperLength, f.Size.cy / 100) << c.what;
        EXPECT_EQ(pub().dmPaperWidth, f.Size.cx / 100) << c.what;
    }
}

TEST_F(DevmodeMerge, SizeRuleAllowsOneHundredMicrometres) {
    struct Case {
        LONG width;
        LONG length;
        bool matches;
    };
    const Case cases[] = {
        {210000, 297050, true},  {210000, 297100, true},  {209900, 296900, true},
        {210200, 297000, false}, {210000, 297101, false},
    };
    for (const Case& c : cases) {
        FormsFixture one{{u"Near", c.width, c.length}};
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        IncomingDevmode in(220, 0);
        in.Fields(DM_PAPERLENGTH | DM_PAPERWIDTH);
        in.Put16(80, 2970);
        in.Put16(82, 2100);
        MergeDevmodeWithForms(&record, in.span(), one.data(), one.count(), data.get());
        EXPECT_EQ(GetText(record, dm::FormName) == u"Near", c.matches) << c.width << " x " << c.length;
    }
}

TEST_F(DevmodeMerge, OverLongSpoolerFormNameIsCutAndTerminated) {
    IncomingDevmode in(220, 0);
    in.Fields(DM_PAPERSIZE);
    in.Put16(78, 7);
    Merge(in);
    EXPECT_EQ(pub().dmPaperSize, 7);
    EXPECT_EQ(GetText(record, dm::FormName), std::u16string(forms.names[6].substr(0, 31)));
    EXPECT_EQ(pub().dmFormName[31], 0);
}

TEST_F(DevmodeMerge, UnterminatedIncomingFormNameMatchesNothingLonger) {
    IncomingDevmode in(220, 0);
    in.Fields(DM_FORMNAME);
    in.FormName(std::u16string(32, u'W'));  // fills all 32 units, no terminator
    DriverDevmode before = record;
    Merge(in);
    EXPECT_EQ(GetText(record, dm::FormName), GetText(before, dm::FormName));
}

TEST_F(DevmodeMerge, PaperKeptWhenFormsCannotBeListed) {
    IncomingDevmode in(220, 0);
    in.Fields(DM_PAPERSIZE | DM_FORMNAME | DM_COPIES);
    in.Put16(78, 4);
    in.FormName(u"A3");
    in.Put16(86, 3);
    DriverDevmode before = record;
    MergeDevmodeWithForms(&record, in.span(), nullptr, 0, data.get());
    EXPECT_EQ(pub().dmPaperSize, AsDevmode(before)->dmPaperSize);
    EXPECT_EQ(pub().dmCopies, 3);
}

TEST_F(DevmodeMerge, PrivatePartTakenOnlyWithSameSizeAndIdentifier) {
    struct Case {
        const char* what;
        WORD publicSize;
        WORD privateSize;
        DWORD id;
        bool taken;
    };
    const WORD otherBuild = kJapaneseBuild ? 4188 : 8292;
    const Case cases[] = {
        {"own record", 220, kPrivateDevmodeSize, kFixturePrivateId, true},
        {"3.51 form of own record", 188, kPrivateDevmodeSize, kFixturePrivateId, true},
        {"4.0 form of own record", 212, kPrivateDevmodeSize, kFixturePrivateId, true},
        {"other identifier", 220, kPrivateDevmodeSize, 0x12345678, false},
        {"other build", 220, otherBuild, kFixturePrivateId, false},
        {"no private part", 220, 0, kFixturePrivateId, false},
        {"short private part", 220, 400, kFixturePrivateId, false},
    };
    for (const Case& c : cases) {
        SetUp();
        IncomingDevmode in(c.publicSize, c.privateSize);
        in.Fields(DM_COPIES | DM_ORIENTATION);
        in.Put16(86, 4);
        in.Put16(76, 2);
        if (in.bytes.size() >= in.Private(dm::Zoom.offset) + 2) in.Put16(in.Private(dm::Zoom.offset), 150);
        if (in.bytes.size() >= in.Private(dm::PrivateId.offset) + 4) in.Put32(in.Private(dm::PrivateId.offset), c.id);
        Merge(in);
        EXPECT_EQ(pub().dmCopies, 4) << c.what;
        EXPECT_EQ(pub().dmOrientation, 2) << c.what;
        EXPECT_EQ(Get(record, dm::Zoom), c.taken ? 150 : 100) << c.what;
        // The record keeps its own header either way.
        EXPECT_EQ(pub().dmSize, kPublicDevmodeSize) << c.what;
        EXPECT_EQ(pub().dmDriverExtra, kPrivateDevmodeSize) << c.what;
        EXPECT_EQ(Get(record, dm::PrivateId), kFixturePrivateId) << c.what;
    }
}

TEST_F(DevmodeMerge, PreviousValuesFollowMergedPublicFields) {
    IncomingDevmode in = OwnRecord(100);
    // The incoming private part claims other previous values and a remembered 1200 dpi.
    in.Put16(in.Private(dm::PrevPaperSize.offset), 55);
    in.Put16(in.Private(dm::PrevOrientation.offset), 1);
    in.Put16(in.Private(dm::RememberedQuality.offset), 1200);
    in.Fields(DM_FORMNAME | DM_ORIENTATION | DM_DUPLEX | DM_DEFAULTSOURCE);
    in.FormName(u"A3");
    in.Put16(76, 2);
    in.Put16(94, 3);
    in.Put16(88, 4);
    Merge(in);
    EXPECT_EQ(Get(record, dm::PrevPaperSize), 4);
    EXPECT_EQ(Get(record, dm::PrevPaperLength), 4200);
    EXPECT_EQ(Get(record, dm::PrevPaperWidth), 2970);
    EXPECT_EQ(GetText(record, dm::PrevFormName), u"A3");
    EXPECT_EQ(Get(record, dm::PrevOrientation), 2);
    EXPECT_EQ(Get(record, dm::PrevDefaultSource), 4);
    EXPECT_EQ(Get(record, dm::PrevDuplex), 3);
    EXPECT_EQ(Get(record, dm::RememberedQuality), 600);
}

TEST_F(DevmodeMerge, TakenOverPrivatePartIsTerminatedAndClamped) {
    IncomingDevmode in = OwnRecord(100);
    auto fill = [&](unsigned offset, size_t bytes, BYTE v) {
        std::memset(in.bytes.data() + in.Private(offset), v, bytes);
    };
    fill(dm::OutPaperName.offset, 64, 'X');
    fill(dm::OverlayFolder.offset, 128, 'F');
    fill(dm::OverlayName.offset, 9, 'N');
    fill(dm::AnnotationText.offset, 130, 'a');
    fill(dm::StampRecord.offset + 136, 258, 's');
    fill(dm::PopPassword.offset, 26, 'p');
    in.Put32(in.Private(dm::AnnotationKind.offset), 77);
    in.Put32(in.Private(dm::AnnotationPosition.offset), 9);
    in.Put32(in.Private(dm::StampRecord.offset + 652), 0xFFFFFFFF);
    in.Put16(in.Private(dm::LayoutMode.offset), 5);
    in.Put16(in.Private(dm::LayoutOrder.offset), 40);
    in.Put16(in.Private(dm::OutPaperIndex.offset), 50);
    Merge(in);
    EXPECT_EQ(GetText(record, dm::OutPaperName), std::u16string(31, u'\x5858'));
    EXPECT_EQ(GetAnsi(record, dm::OverlayFolder), std::string(127, 'F'));
    EXPECT_EQ(GetAnsi(record, dm::OverlayName), std::string(8, 'N'));
    EXPECT_EQ(GetText(record, dm::AnnotationText).size(), 64u);
    EXPECT_EQ(GetText(record, DmText{dm::StampRecord.offset + 136, 129}).size(), 128u);
    EXPECT_EQ(GetText(record, dm::PopPassword).size(), 12u);
    EXPECT_EQ(Get(record, dm::AnnotationKind), 0u);
    EXPECT_EQ(Get(record, dm::AnnotationPosition), 0u);
    EXPECT_EQ(Get(record, DmField<DWORD>{dm::StampRecord.offset + 652}), 0u);
    EXPECT_EQ(Get(record, dm::LayoutMode), 1);
    EXPECT_EQ(Get(record, dm::LayoutOrder), 0);
    EXPECT_EQ(Get(record, dm::OutPaperIndex), 0);
}

TEST_F(DevmodeMerge, ValuesInRangeSurviveTheTakeOver) {
    IncomingDevmode in = OwnRecord(120);
    in.Put32(in.Private(dm::AnnotationKind.offset), 8);
    in.Put16(in.Private(dm::LayoutMode.offset), 16);
    in.Put16(in.Private(dm::LayoutOrder.offset), 3);
    in.Put16(in.Private(dm::OutPaperIndex.offset), 7);
    Merge(in);
    EXPECT_EQ(Get(record, dm::Zoom), 120);
    EXPECT_EQ(Get(record, dm::AnnotationKind), 8u);
    EXPECT_EQ(Get(record, dm::LayoutMode), 16);
    EXPECT_EQ(Get(record, dm::LayoutOrder), 3);
    EXPECT_EQ(Get(record, dm::OutPaperIndex), 7);
}

TEST_F(DevmodeMerge, MalformedIncomingDevmodesChangeNothingOrOnlyWhatTheyHold) {
    const DriverDevmode before = record;
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
    };
    IncomingDevmode zeroSize(220, 0);
    zeroSize.Put16(68, 0);
    zeroSize.Put16(64, 0);  // size 0 takes its own version, 0: not merged
    zeroSize.Fields(DM_COPIES);
    zeroSize.Put16(86, 9);
    IncomingDevmode huge(220, 0);  // claims 65535 + 65535 bytes, holds 220
    huge.Put16(68, 0xFFFF);
    huge.Put16(70, 0xFFFF);
    huge.Put16(64, 0x0401);
    IncomingDevmode unknownVersion0(100, 0, 0);
    unknownVersion0.Fields(DM_COPIES);
    unknownVersion0.Put16(86, 9);
    const Case cases[] = {
        {"size 0, version 0", zeroSize.bytes},
        {"huge sizes", huge.bytes},
        {"unknown size, version 0", unknownVersion0.bytes},
        {"shorter than the header", std::vector<BYTE>(40, 0xFF)},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        record = before;
        MergeDevmodeWithForms(&record, c.bytes, forms.data(), forms.count(), data.get());
        EXPECT_EQ(pub().dmCopies, AsDevmode(before)->dmCopies) << c.what;
        EXPECT_EQ(
            std::memcmp(record.bytes + kPublicDevmodeSize, before.bytes + kPublicDevmodeSize, kPrivateDevmodeSize), 0)
            << c.what;
    }
}

TEST_F(DevmodeMerge, HugeClaimedSizeReadsOnlyTheBytesGiven) {
    // 0x0401 at an unknown size: merged, but only from the 200 bytes that exist.
    IncomingDevmode in(200, 0);
    in.Put16(64, 0x0401);
    in.Put16(70, 0xFFFF);
    in.Fields(DM_COPIES);
    in.Put16(86, 12);
    Merge(in);
    EXPECT_EQ(pub().dmCopies, 12);
}

TEST_F(DevmodeMerge, NullIncomingChangesNothing) {
    const DriverDevmode before = record;
    MergeDevmode(&record, nullptr, nullptr, data.get());
    EXPECT_EQ(std::memcmp(&before, &record, sizeof(record)), 0);
}

TEST(UsableForms, PrintableLimitsDependOnDescriptionVersion) {
    struct Case {
        const char16_t* name;
        LONG width;
        LONG length;
        LONG version;
        bool printable;
    };
    const Case cases[] = {
        {u"min", 75000, 75000, 4, true},
        {u"min old", 75000, 75000, 3, false},
        {u"98 old", 75000, 98000, 3, true},
        {u"narrow", 74999, 100000, 4, false},
        {u"widest", 594000, 840000, 4, true},
        {u"too wide", 594001, 840000, 4, false},
        {u"too long", 297000, 840001, 4, false},
        {kLongPaperFormName, 297000, 900000, 4, true},
        {kLongPaperFormName, 297000, 900001, 4, false},
        {u"Other 900", 297000, 900000, 4, false},
    };
    for (const Case& c : cases) {
        std::u16string name = c.name;
        FORM_INFO_1W f{0, name.data(), SIZEL{c.width, c.length}, RECTL{}};
        EXPECT_EQ(IsPrintableForm(f, c.version) != FALSE, c.printable)
            << c.width << "x" << c.length << " v" << c.version;
    }
}

TEST(UsableForms, BlankingKeepsPositionsAndEmptiesNames) {
    FormsFixture f{{u"A4", 210000, 297000}, {u"Tiny", 10000, 10000}, {u"A3", 297000, 420000}};
    BlankUnusableForms(f.data(), f.count(), 4);
    // Flags, size and imageable area all zero, the name emptied; the usable forms untouched.
    const FORM_INFO_1W& b = f.forms[1];
    EXPECT_EQ(b.Flags, 0u);
    EXPECT_EQ(b.Size.cx, 0);
    EXPECT_EQ(b.Size.cy, 0);
    EXPECT_EQ(b.ImageableArea.left, 0);
    EXPECT_EQ(b.ImageableArea.top, 0);
    EXPECT_EQ(b.ImageableArea.right, 0);
    EXPECT_EQ(b.ImageableArea.bottom, 0);
    EXPECT_EQ(b.pName[0], 0);
    EXPECT_EQ(f.forms[0].Flags, static_cast<DWORD>(FORM_BUILTIN));
    EXPECT_EQ(f.forms[2].Size.cy, 420000);
    EXPECT_EQ(FindUsableForm(f.data(), f.count(), u"A3"), 3u);
    EXPECT_EQ(FindUsableForm(f.data(), f.count(), u"Tiny"), 0u);
    EXPECT_EQ(FindUsableForm(f.data(), f.count(), u""), 0u);
}

}  // namespace
