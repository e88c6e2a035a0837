// The description compiler: block layout of both sample models, value and text parsing, list
// capacities and absent default records.
#include <cstring>
#include <string>
#include <vector>

#include "test_device_fixture.h"

using namespace orla;
using namespace orla_test;

namespace {

std::vector<BYTE> SampleBytes(const char* file) {
    return ReadHostFile(SourceDir() + "/resources/models/" + file);
}

DWORD Field(const BlockHolder& b, DWORD offset) {
    return DeviceDataField(b.block, offset);
}

// Walks the block in the order the layout rule gives and checks that every list, record and string
// starts exactly where the previous one ended, strings padded to 4 bytes with zeros.
void ExpectBlockOrder(const BlockHolder& b, bool defMemory, bool defSlot, bool defForm) {
    const CompiledDeviceData* d = b.block;
    DWORD expect = dd::kHeaderSize;
    auto str = [&](DWORD offset) {
        EXPECT_EQ(offset, expect);
        DWORD bytes = (static_cast<DWORD>(DeviceDataString(d, offset).size()) + 1) * 2;
        DWORD padded = (bytes + 3) & ~3u;
        for (DWORD i = offset + bytes - 2; i < offset + padded && i < b.size(); ++i) EXPECT_EQ(b.bytes()[i], 0) << i;
        expect += padded;
    };
    auto named = [&](DWORD countField, DWORD listField) {
        DWORD count = Field(b, countField), at = Field(b, listField);
        EXPECT_EQ(at, expect) << "list at header offset " << listField;
        expect += count * dd::kNamedValueSize;
        for (DWORD i = 0; i < count; ++i) str(Field(b, at + i * 8));
    };
    auto forms = [&](DWORD countField, DWORD listField) {
        DWORD count = Field(b, countField), at = Field(b, listField);
        EXPECT_EQ(at, expect) << "form list at header offset " << listField;
        expect += count * dd::kFormSize;
        for (DWORD i = 0; i < count; ++i) {
            EXPECT_EQ(Field(b, at + i * 32 + dd::kFormFlags), 0u);
            str(Field(b, at + i * 32 + dd::kFormName));
        }
    };
    str(Field(b, dd::kFriendlyName));
    str(Field(b, dd::kPrinterName));
    EXPECT_EQ(Field(b, dd::kDefaultMemorySize), expect);
    if (defMemory) expect += dd::kMemorySizeSize;
    EXPECT_EQ(Field(b, dd::kMemorySizeList), expect);
    expect += Field(b, dd::kMemorySizeCount) * dd::kMemorySizeSize;
    named(dd::kSupportFeatureCount, dd::kSupportFeatureList);
    {
        DWORD count = Field(b, dd::kResolutionCount), at = Field(b, dd::kResolutionList);
        EXPECT_EQ(at, expect);
        expect += count * dd::kResolutionSize;
        for (DWORD i = 0; i < count; ++i) {
            str(Field(b, at + i * 20 + dd::kResolutionText1));
            str(Field(b, at + i * 20 + dd::kResolutionText2));
        }
    }
    EXPECT_EQ(Field(b, dd::kDefaultInputSlot), expect);
    if (defSlot) {
        DWORD rec = expect;
        expect += dd::kNamedValueSize;
        str(Field(b, rec));
    }
    named(dd::kInputSlotCount, dd::kInputSlotList);
    named(dd::kInputDeviceCount, dd::kInputDeviceList);
    named(dd::kOptionDeviceCount, dd::kOptionDeviceList);
    named(dd::kFormDeviceCount, dd::kFormDeviceList);
    EXPECT_EQ(Field(b, dd::kDefaultForm), expect);
    if (defForm) {
        DWORD rec = expect;
        expect += dd::kFormSize;
        EXPECT_EQ(Field(b, rec + dd::kFormFlags), 0u);
        str(Field(b, rec + dd::kFormName));
    }
    forms(dd::kFormPortCount, dd::kFormPortList);
    forms(dd::kFormLandCount, dd::kFormLandList);
    forms(dd::kFormPortCompatibleCount, dd::kFormPortCompatibleList);
    forms(dd::kFormLandCompatibleCount, dd::kFormLandCompatibleList);
    named(dd::kApplicationCount, dd::kApplicationList);
    EXPECT_EQ(b.size(), expect);
    EXPECT_EQ(Field(b, dd::kReserved), 0u);
}

struct SampleCase {
    const char* file;
    LONG version;
    std::u16string_view friendlyName, printerName;
    LONG ppm;
    DWORD privateId;
    LONG localDay, localTime;
    DWORD flags, presetFlags;
    DWORD features, memory, resolutions, slots, inputDevices, options, formDevices;
    DWORD formPort, formLand, formPortCompatible, formLandCompatible, applications;
    LONG defaultMemory, defaultResolution;
    std::u16string_view defaultSlot;
    DWORD defaultSlotValue;
    LONG maxForm[2], minForm[2];
    std::u16string_view defaultForm;
    LONG defaultFormValues[6];
};

// clang-format off
const SampleCase kSamples[] = {
    {"HV4400KJ.KDD", 4, u"QEV Halvoric 4400K", u"QEV Halvoric 4400K ORLA", 44, 0x5A525044, 30, 1800, 0x13, 0x4F,
     3, 4, 3, 10, 9, 10, 2, 10, 9, 6, 3, 4, 65536, 600, u"AUTO", 1, {297000, 900000}, {90000, 140000}, u"A4",
     {210000, 297000, 4000, 4050, 206000, 292950}},
    {"HV3600E.KDD", 3, u"QEV Halvoric 3600", u"QEV Halvoric 3600 ORLA", 36, 0x5A525036, 14, 900, 0x11, 0x07,
     2, 3, 2, 6, 9, 10, 1, 8, 2, 1, 1, 2, 32768, 600, u"AUTO", 1, {215900, 355600}, {90000, 140000}, u"Letter",
     {215900, 279400, 4233, 4233, 211667, 275167}},
};
// clang-format on

}  // namespace

TEST(DeviceCompile, SampleBlocksFollowTheLayout) {
    for (const SampleCase& c : kSamples) {
        SCOPED_TRACE(c.file);
        std::vector<BYTE> text = SampleBytes(c.file);
        ASSERT_GT(text.size(), 100u);
        BlockHolder b(CompileDeviceText(text));
        ASSERT_NE(b.block, nullptr);
        EXPECT_TRUE(ValidateDeviceData(b.bytes(), b.size()));
        EXPECT_EQ(b.size() % 4, 0u);
        const CompiledDeviceData* d = b.block;

        EXPECT_EQ(DeviceDataVersion(d), c.version);
        EXPECT_EQ(DeviceFriendlyName(d), c.friendlyName);
        EXPECT_EQ(DevicePrinterName(d), c.printerName);
        EXPECT_EQ(DeviceDataSignedField(d, dd::kPPM), c.ppm);
        EXPECT_EQ(Field(b, dd::kPrivateID), c.privateId);
        EXPECT_EQ(DeviceDataSignedField(d, dd::kDefaultLocalDay), c.localDay);
        EXPECT_EQ(DeviceDataSignedField(d, dd::kDefaultLocalTime), c.localTime);
        EXPECT_EQ(Field(b, dd::kFlags), c.flags);
        EXPECT_EQ(Field(b, dd::kPresetFlags), c.presetFlags);
        EXPECT_EQ(SupportFeatures(d).size(), c.features);
        EXPECT_EQ(MemorySizes(d).size(), c.memory);
        EXPECT_EQ(Resolutions(d).size(), c.resolutions);
        EXPECT_EQ(InputSlots(d).size(), c.slots);
        EXPECT_EQ(InputDevices(d).size(), c.inputDevices);
        EXPECT_EQ(OptionDevices(d).size(), c.options);
        EXPECT_EQ(FormDevices(d).size(), c.formDevices);
        EXPECT_EQ(PortraitForms(d).size(), c.formPort);
        EXPECT_EQ(LandscapeForms(d).size(), c.formLand);
        EXPECT_EQ(CompatiblePortraitForms(d).size(), c.formPortCompatible);
        EXPECT_EQ(CompatibleLandscapeForms(d).size(), c.formLandCompatible);
        EXPECT_EQ(Applications(d).size(), c.applications);
        EXPECT_EQ(DeviceDataSignedField(d, dd::kDefaultResolution), c.defaultResolution);
        EXPECT_EQ(DeviceDataSignedField(d, dd::kMaxFormWidth), c.maxForm[0]);
        EXPECT_EQ(DeviceDataSignedField(d, dd::kMaxFormLength), c.maxForm[1]);
        EXPECT_EQ(DeviceDataSignedField(d, dd::kMinFormWidth), c.minForm[0]);
        EXPECT_EQ(DeviceDataSignedField(d, dd::kMinFormLength), c.minForm[1]);

        auto mem = DefaultMemorySize(d);
        ASSERT_TRUE(mem.has_value());
        EXPECT_EQ(mem->values[0], c.defaultMemory);
        auto slot = DefaultInputSlot(d);
        ASSERT_TRUE(slot.has_value());
        EXPECT_EQ(slot->name, c.defaultSlot);
        EXPECT_EQ(slot->value, c.defaultSlotValue);
        auto form = DefaultForm(d);
        ASSERT_TRUE(form.has_value());
        EXPECT_EQ(form->flags, 0u);
        EXPECT_EQ(form->name, c.defaultForm);
        const LONG got[6] = {form->width, form->length, form->left, form->top, form->right, form->bottom};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(got[i], c.defaultFormValues[i]) << i;

        ExpectBlockOrder(b, true, true, true);
    }
}

TEST(DeviceCompile, SampleNamesMatchTheDeviceNames) {
    // The slot, device and option names are the keys the settings code looks up by resource
    // strings 200-219; a typo here would silently leave every pair at 0.
    BlockHolder ja(CompileDeviceText(SampleBytes("HV4400KJ.KDD")));
    ASSERT_NE(ja.block, nullptr);
    const std::u16string_view inputs[] = {u"FEEDER1", u"FEEDER2", u"FEEDER3", u"FEEDER4", u"FEEDER5",
                                          u"MSF",     u"MANUAL",  u"ENV",     u"MP"};
    DWORD i = 0;
    for (NamedValueEntry e : InputDevices(ja.block)) EXPECT_EQ(e.name, inputs[i++]);
    EXPECT_EQ(OptionDevices(ja.block)[0].name, u"両面ユニット");
    EXPECT_EQ(OptionDevices(ja.block)[0].value, 0x00090001u);
    EXPECT_EQ(InputDevices(ja.block)[8].value, 0x00090080u);
    EXPECT_EQ(PortraitForms(ja.block)[9].name, u"長尺紙");
    EXPECT_EQ(PortraitForms(ja.block)[9].length, 900000);
    EXPECT_EQ(LandscapeForms(ja.block)[8].name, u"封筒 洋形 4 号 横");
    ResolutionEntry r = Resolutions(ja.block)[2];
    EXPECT_EQ(r.dpi, 1200);
    EXPECT_EQ(r.text1, u"HT_PATSIZE_16x16_M");
    EXPECT_EQ(r.value2, 12000);
    EXPECT_EQ(r.text2, u"HT_PATSIZE_SUPERCELL_M");
    EXPECT_EQ(r.value3, 12000);
    EXPECT_EQ(SupportFeatures(ja.block)[0].name, u"SET");
    EXPECT_EQ(SupportFeatures(ja.block)[0].value, 1u);
    // After the size: download memory, largest glyph data and side, then the point limits.
    const LONG largest[] = {327680, 8388608, 131072, 1024, 16000, 8000, 12000};
    for (DWORD k = 0; k < dd::kMemorySizeValues; ++k) EXPECT_EQ(MemorySizes(ja.block)[3].values[k], largest[k]) << k;

    BlockHolder en(CompileDeviceText(SampleBytes("HV3600E.KDD")));
    ASSERT_NE(en.block, nullptr);
    EXPECT_EQ(OptionDevices(en.block)[8].name, u"Face-up Tray");
    EXPECT_EQ(OptionDevices(en.block)[8].value, 0x00010800u);
}

// ---- Values ----

struct ValueCase {
    const char* name;
    std::u16string text;
    DWORD field;
    DWORD expected;
};

TEST(DeviceCompile, ValueParsing) {
    const ValueCase cases[] = {
        {"hex 0x1f", u"*PrivateID 0x1f\n", dd::kPrivateID, 31},
        {"hex 0x1F", u"*PrivateID 0x1F\n", dd::kPrivateID, 31},
        {"hex 01F", u"*PrivateID 01F\n", dd::kPrivateID, 31},
        {"hex without leading 0", u"*PrivateID 1F\n", dd::kPrivateID, 0},
        {"hex quoted", u"*Flags \" 0X2a\"\n", dd::kFlags, 42},
        {"hex stops at other char", u"*Flags 0x12G4\n", dd::kFlags, 0x12},
        {"hex wraps at 32 bits", u"*Flags 0x123456789\n", dd::kFlags, 0x23456789},
        {"decimal fraction", u"*PPM 12.75\n", dd::kPPM, 12},
        {"fraction ends at a blank", u"*MaxForm 297000.5 432000\n", dd::kMaxFormLength, 432000},
        {"fraction ends at a quotation mark", u"*MinForm \"9.5\"140000\n", dd::kMinFormLength, 140000},
        {"decimal negative", u"*DefaultLocalDay -5\n", dd::kDefaultLocalDay, static_cast<DWORD>(-5)},
        {"decimal missing", u"*PPM\n", dd::kPPM, 0},
        {"decimal not a number", u"*PPM many\n", dd::kPPM, 0},
        {"decimal quoted", u"*PPM \"44\"\n", dd::kPPM, 44},
        {"decimal on a later line", u"*PPM\n\n   \n  36\n", dd::kPPM, 36},
        {"keyword with colon", u"*PPM: 7\n", dd::kPPM, 7},
        {"keyword with tab and colon", u"\t*PPM:\t8\n", dd::kPPM, 8},
        {"colon inside the token", u"*PP:M 9\n", dd::kPPM, 9},
        {"keyword is case sensitive", u"*ppm 5\n", dd::kPPM, 0},
        {"semicolon ends the token", u"*PPM; 5\n", dd::kPPM, 0},
        {"last value wins", u"*Version 3\n*Version 5\n", dd::kVersion, 5},
        {"CR alone ends a line", u"*Version 3\r*PPM 20\r", dd::kPPM, 20},
        {"last line needs a line end", u"*Version 3\n*PPM 20", dd::kPPM, 0},
        {"rest of the line ignored", u"*PPM 20 *Version 9\n", dd::kVersion, 0},
        {"missing value keeps next keyword", u"*PPM\n*Version 4\n", dd::kVersion, 4},
        {"missing hex keeps next keyword", u"*PrivateID\n*PPM 30\n", dd::kPPM, 30},
        {"max form second value", u"*MaxForm 297000 432000\n", dd::kMaxFormLength, 432000},
        {"min form values across lines", u"*MinForm 90000\n 140000\n", dd::kMinFormLength, 140000},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.name);
        BlockHolder b(CompileText(c.text));
        ASSERT_NE(b.block, nullptr);
        EXPECT_EQ(Field(b, c.field), c.expected);
        EXPECT_TRUE(ValidateDeviceData(b.bytes(), b.size()));
    }
}

struct TextCase {
    const char* name;
    std::u16string text;
    std::u16string expected;
};

TEST(DeviceCompile, TextParsing) {
    const std::u16string longName(200, u'N');
    const TextCase cases[] = {
        {"plain", u"*FriendlyName \"QEV Halvoric\"\n", u"QEV Halvoric"},
        {"colon and blanks inside", u"*FriendlyName: \"A: B\tC\"\n", u"A: B\tC"},
        {"words before the quote", u"*FriendlyName is \"Name\" trailing\n", u"Name"},
        {"no opening quote", u"*FriendlyName Name\n*PrinterName \"P\"\n", u""},
        {"percent continues directly", u"*FriendlyName \"QEV %dropped\nHalvoric\"\n", u"QEV Halvoric"},
        {"percent over three lines", u"*FriendlyName \"A%\nB%\nC\"\n", u"ABC"},
        {"open text continues after a line feed", u"*FriendlyName \"QEV\nHalvoric\"\n", u"QEV\nHalvoric"},
        {"open text over three lines", u"*FriendlyName \"A\nB\nC\"\n", u"A\nB\nC"},
        {"unclosed to the end of the file", u"*FriendlyName \"A\nB\n", u"A\nB"},
        {"empty text", u"*FriendlyName \"\"\n", u""},
        {"name cut at 127", u"*FriendlyName \"" + longName + u"\"\n", std::u16string(127, u'N')},
        {"Japanese", u"*FriendlyName \"長尺紙 プリンタ\"\n", u"長尺紙 プリンタ"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        BlockHolder b(CompileText(c.text));
        ASSERT_NE(b.block, nullptr);
        EXPECT_EQ(DeviceFriendlyName(b.block), c.expected);
        EXPECT_TRUE(ValidateDeviceData(b.bytes(), b.size()));
    }
}

TEST(DeviceCompile, ListTextsAreCutAt79Characters) {
    std::u16string name(120, u'x');
    BlockHolder b(
        CompileText(u"*InputSlot \"" + name + u"\" 7\n*Resolution 600 \"" + name + u"\" 1 \"" + name + u"\" 2\n"));
    ASSERT_NE(b.block, nullptr);
    ASSERT_EQ(InputSlots(b.block).size(), 1u);
    EXPECT_EQ(InputSlots(b.block)[0].name, std::u16string(79, u'x'));
    ASSERT_EQ(Resolutions(b.block).size(), 1u);
    EXPECT_EQ(Resolutions(b.block)[0].text1, std::u16string(79, u'x'));
    EXPECT_TRUE(ValidateDeviceData(b.bytes(), b.size()));
}

TEST(DeviceCompile, ListsKeepAtMostTheirCapacity) {
    std::u16string text;
    for (int i = 1; i <= 17; ++i) text += u"*MemorySize " + Widen(std::to_string(i * 1024)) + u" 0 0 0 0 0 0\n";
    for (int i = 1; i <= 65; ++i)
        text += u"*FormPort \"F" + Widen(std::to_string(i)) + u"\" 100000 200000 0 0 100000 200000\n";
    for (int i = 1; i <= 17; ++i) text += u"*SupportFeature \"S" + Widen(std::to_string(i)) + u"\" 0x1\n";
    for (int i = 1; i <= 66; ++i) text += u"*Application \"A" + Widen(std::to_string(i)) + u"\" 0x1\n";
    BlockHolder b(CompileText(text));
    ASSERT_NE(b.block, nullptr);
    MemorySizeList mem = MemorySizes(b.block);
    ASSERT_EQ(mem.size(), 16u);
    EXPECT_EQ(mem[15].values[0], 16 * 1024);  // the 17th line was ignored
    FormList forms = PortraitForms(b.block);
    ASSERT_EQ(forms.size(), 64u);
    EXPECT_EQ(forms[63].name, u"F64");
    EXPECT_EQ(SupportFeatures(b.block).size(), 16u);
    EXPECT_EQ(Applications(b.block).size(), 64u);
    EXPECT_EQ(Applications(b.block)[63].name, u"A64");
    EXPECT_TRUE(ValidateDeviceData(b.bytes(), b.size()));
    ExpectBlockOrder(b, false, false, false);
}

TEST(DeviceCompile, DefaultFormRecordIsShapedLikeFormInfo) {
    BlockHolder b(CompileText(u"*DefaultForm \"B5 (JIS)\" 182000 257000 4000 4050 178000 252950\n"));
    ASSERT_NE(b.block, nullptr);
    DWORD rec = Field(b, dd::kDefaultForm);
    EXPECT_EQ(Field(b, rec + 0), 0u);
    EXPECT_EQ(DeviceDataString(b.block, Field(b, rec + 4)), u"B5 (JIS)");
    const DWORD values[6] = {182000, 257000, 4000, 4050, 178000, 252950};
    for (DWORD i = 0; i < 6; ++i) EXPECT_EQ(Field(b, rec + 8 + 4 * i), values[i]);
    ExpectBlockOrder(b, false, false, true);
}

TEST(DeviceCompile, EmptyDescriptionGivesZeroCountsAndEmptyStrings) {
    for (bool bom : {true, false}) {
        SCOPED_TRACE(bom);
        BlockHolder b(CompileText(u"; nothing but a comment\n\n", bom));
        ASSERT_NE(b.block, nullptr);
        EXPECT_EQ(b.size(), 180u);  // header and two empty strings of 4 bytes
        EXPECT_TRUE(ValidateDeviceData(b.bytes(), b.size()));
        EXPECT_EQ(DeviceFriendlyName(b.block), u"");
        for (DWORD off = dd::kVersion; off < dd::kHeaderSize; off += 4) {
            if (off == dd::kFriendlyName || off == dd::kPrinterName || off == dd::kDefaultMemorySize ||
                off == dd::kDefaultInputSlot || off == dd::kDefaultForm || off == dd::kMemorySizeList ||
                off == dd::kSupportFeatureList || off == dd::kResolutionList || off == dd::kInputSlotList ||
                off == dd::kInputDeviceList || off == dd::kOptionDeviceList || off == dd::kFormDeviceList ||
                off == dd::kFormPortList || off == dd::kFormLandList || off == dd::kFormPortCompatibleList ||
                off == dd::kFormLandCompatibleList || off == dd::kApplicationList)
                continue;
            EXPECT_EQ(Field(b, off), 0u) << off;
        }
        // Absent defaults sit at the end of the block; the readers report them absent.
        EXPECT_EQ(Field(b, dd::kDefaultForm), 180u);
        EXPECT_FALSE(DefaultForm(b.block).has_value());
        EXPECT_FALSE(DefaultInputSlot(b.block).has_value());
        EXPECT_FALSE(DefaultMemorySize(b.block).has_value());
        ExpectBlockOrder(b, false, false, false);
    }
}

TEST(DeviceCompile, AbsentDefaultsAreNotReadFromTheFollowingList) {
    // Without the default records their offsets point at the lists behind them; reading the
    // first list entry as the default would be wrong.
    BlockHolder b(
        CompileText(u"*MemorySize 8192 0 0 0 0 0 0\n*InputSlot \"FEEDER1\" 257\n"
                    u"*FormPort \"A4\" 210000 297000 0 0 210000 297000\n"));
    ASSERT_NE(b.block, nullptr);
    EXPECT_EQ(Field(b, dd::kDefaultMemorySize), Field(b, dd::kMemorySizeList));
    EXPECT_EQ(Field(b, dd::kDefaultInputSlot), Field(b, dd::kInputSlotList));
    EXPECT_EQ(Field(b, dd::kDefaultForm), Field(b, dd::kFormPortList));
    EXPECT_FALSE(DefaultMemorySize(b.block).has_value());
    EXPECT_FALSE(DefaultInputSlot(b.block).has_value());
    EXPECT_FALSE(DefaultForm(b.block).has_value());
    ExpectBlockOrder(b, false, false, false);

    BlockHolder with(CompileText(u"*DefaultMemorySize 4096 0 0 0 0 0 0\n*DefaultInputSlot \"AUTO\" 1\n"));
    ASSERT_NE(with.block, nullptr);
    ASSERT_TRUE(DefaultMemorySize(with.block).has_value());
    EXPECT_EQ(DefaultMemorySize(with.block)->values[0], 4096);
    ASSERT_TRUE(DefaultInputSlot(with.block).has_value());
    EXPECT_EQ(DefaultInputSlot(with.block)->name, u"AUTO");
    ExpectBlockOrder(with, true, true, false);
}

TEST(DeviceCompile, OddByteAndMissingBomChangeNothing) {
    std::vector<BYTE> text = SampleBytes("HV4400KJ.KDD");
    BlockHolder whole(CompileDeviceText(text));
    std::vector<BYTE> odd = text;
    odd.push_back(0x41);
    BlockHolder withOdd(CompileDeviceText(odd));
    std::vector<BYTE> noBom(text.begin() + 2, text.end());
    BlockHolder withoutBom(CompileDeviceText(noBom));
    ASSERT_TRUE(whole.block && withOdd.block && withoutBom.block);
    ASSERT_EQ(whole.size(), withOdd.size());
    ASSERT_EQ(whole.size(), withoutBom.size());
    EXPECT_EQ(0, std::memcmp(whole.bytes(), withOdd.bytes(), whole.size()));
    EXPECT_EQ(0, std::memcmp(whole.bytes(), withoutBom.bytes(), whole.size()));
}

TEST(DeviceCompile, OverLongLinesAndTokensAreCut) {
    // The part of an over-long line beyond 159 characters is dropped, not read as a line of its own.
    std::u16string filler(170, u' ');
    std::u16string longToken = u"*" + std::u16string(100, u'T');
    BlockHolder b(CompileText(u"; " + std::u16string(300, u'c') + u"\n" + u"*Version 2" + filler + u"\n" + u"*PPM" +
                              std::u16string(154, u' ') + u"12345\n" + longToken + u" 5\n" + u"*PrivateID 0x10\n"));
    ASSERT_NE(b.block, nullptr);
    EXPECT_EQ(DeviceDataVersion(b.block), 2);
    // "*PPM" + 154 blanks + "1" is 159 characters: the rest of the number is cut off.
    EXPECT_EQ(DeviceDataSignedField(b.block, dd::kPPM), 1);
    EXPECT_EQ(Field(b, dd::kPrivateID), 0x10u);

    // A dropped tail holding a keyword is not taken.
    BlockHolder tail(CompileText(u"; " + std::u16string(157, u'c') + u"*PPM 9\n"));
    ASSERT_NE(tail.block, nullptr);
    EXPECT_EQ(DeviceDataSignedField(tail.block, dd::kPPM), 0);
}
