// Form-overlay header: path rule, signature line, paper pairs, tray strings, mode byte and the
// status codes; reading real files from a sandbox.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/form_overlay.h"
#include "plat/control.h"
#include "test_devmode_fixture.h"

using namespace orla;
using namespace orla::test;

namespace {

std::u16string OverlayDescription() {
    std::u16string text =
        u"*Version: 4\r\n*FriendlyName: \"QEV Overlay\"\r\n*PrivateID: 0x51455631\r\n"
        u"*DefaultInputSlot: \"Auto\" 7\r\n*InputSlot: \"Auto\" 7\r\n*InputSlot: \"Feeder1\" 1\r\n"
        u"*InputSlot: \"Feeder4\" 259\r\n*InputSlot: \"LCF\" 5\r\n*InputSlot: \"LCF Unit\" 6\r\n"
        u"*DefaultForm: \"A4\" 210000 297000 5000 5000 205000 292000\r\n"
        u"*FormPort: \"A4\" 210000 297000 5000 5000 205000 292000\r\n"
        u"*FormPort: \"A3\" 297000 420000 5000 5000 292000 415000\r\n"
        u"*FormPort: \"B4 (JIS)\" 257000 364000 5000 5000 252000 359000\r\n"
        u"*FormPort: \"A4->A3\" 210000 297000 5000 5000 205000 292000\r\n";
    text += u"*FormPort: \"";
    text += kFormPostcard;
    text += u"\" 100000 148000 5000 5000 95000 143000\r\n";
    return text;
}

FormOverlayHeader MakeHeader(DWORD madeFor, DWORD printOn, DWORD tray = 1, char orientation = 'P', BYTE mode = 0,
                             const char* signatureLine = "QEV Quintarc Form Object\n") {
    FormOverlayHeader h{};
    std::memcpy(h.bytes, signatureLine, std::strlen(signatureLine));
    auto put = [&](unsigned at, DWORD v) {
        for (int i = 0; i < 4; ++i) h.bytes[at + i] = static_cast<BYTE>(v >> (8 * i));
    };
    put(ovl::kLanguage, 2);
    put(ovl::kTray, tray);
    put(ovl::kMadeFor, madeFor);
    put(ovl::kPrintOn, printOn);
    h.bytes[ovl::kMadeForOrientation] = static_cast<BYTE>(orientation);
    h.bytes[ovl::kMode] = mode;
    return h;
}

class OverlayHeader : public ::testing::Test {
protected:
    DeviceDataPtr data = CompileText(OverlayDescription());
    DriverDevmode record{};
    FormsFixture forms{{u"A3", 297000, 420000},
                       {u"A4", 210000, 297000},
                       {u"B4 (JIS)", 257000, 364000},
                       {u"A4->A3", 210000, 297000},
                       {kFormPostcard, 100000, 148000}};
    DeviceStrings strings{};
    void SetUp() override {
        ASSERT_NE(data, nullptr);
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        strings[0] = u"Auto";      // 200
        strings[1] = u"Feeder1";   // 201
        strings[4] = u"Feeder4";   // 204
        strings[7] = u"LCF Unit";  // 207
        strings[19] = u"LCF";      // 219
    }
    DWORD Apply(const FormOverlayHeader& h, bool withStrings = true) {
        return ApplyFormOverlayHeader(&record, h, forms.data(), forms.count(), withStrings ? &strings : nullptr,
                                      data.get());
    }
};

TEST_F(OverlayHeader, PaperPairTable) {
    struct Case {
        DWORD madeFor, printOn;
        const char16_t* document;
        const char16_t* output;
    };
    const Case cases[] = {
        {1, 1, kFormPostcard, u""},
        {2, 2, u"Letter", u""},
        {32, 512, u"LP->A4", u"A4"},
        {32, 8192, u"LP->B4", u"B4 (JIS)"},
        {256, 256, u"A5", u""},
        {512, 512, u"A4", u""},
        {512, 1024, u"A4->A3", u"A3"},
        {512, 4096, u"A4->B5", u"B5 (JIS)"},
        {512, 8192, u"A4->B4", u"B4 (JIS)"},
        {512, 0x80000200, u"A4x2->A4", u"A4"},
        {1024, 512, u"A3->A4", u"A4"},
        {1024, 1024, u"A3", u""},
        {1024, 8192, u"A3->B4", u"B4 (JIS)"},
        {4096, 512, u"B5->A4", u"A4"},
        {4096, 4096, u"B5 (JIS)", u""},
        {4096, 8192, u"B5->B4", u"B4 (JIS)"},
        {4096, 0x80001000, u"B5x2->B5", u"B5 (JIS)"},
        {8192, 512, u"B4->A4", u"A4"},
        {8192, 1024, u"B4->A3", u"A3"},
        {8192, 4096, u"B4->B5", u"B5 (JIS)"},
        {8192, 8192, u"B4 (JIS)", u""},
    };
    for (const Case& c : cases) {
        std::u16string doc, out;
        ASSERT_TRUE(OverlayPaperPair(c.madeFor, c.printOn, &doc, &out)) << c.madeFor << "->" << c.printOn;
        EXPECT_EQ(doc, c.document);
        EXPECT_EQ(out, c.output);
    }
    for (auto [made, on] : {std::pair<DWORD, DWORD>{512, 256}, {0, 0}, {1, 512}, {2, 512}, {0x80000200, 512}})
        EXPECT_FALSE(OverlayPaperPair(made, on, nullptr, nullptr)) << made << "->" << on;
}

TEST_F(OverlayHeader, MadeForA4PrintedOnA3) {
    Set(record, dm::Flags2, Get(record, dm::Flags2) & ~kFlags2OverlayMode);
    EXPECT_EQ(Apply(MakeHeader(512, 1024, 1, 'L', 0)), kOverlayOk);
    EXPECT_EQ(GetText(record, dm::FormName), u"A4->A3");
    EXPECT_EQ(AsDevmode(record)->dmPaperSize, 4);
    EXPECT_EQ(GetText(record, dm::OutPaperName), u"A3");
    EXPECT_EQ(Get(record, dm::OutPaperIndex), 1);
    EXPECT_EQ(Get(record, dm::OutPaperLength), 4200);
    EXPECT_EQ(Get(record, dm::OutPaperWidth), 2970);
    EXPECT_EQ(AsDevmode(record)->dmOrientation, 2);
    EXPECT_EQ(AsDevmode(record)->dmDefaultSource, 1);  // tray 1: string 201 "Feeder1"
    EXPECT_TRUE(Get(record, dm::Flags2) & kFlags2OverlayMode);
    EXPECT_EQ(Get(record, dm::OverlayStatus), kOverlayOk);
}

TEST_F(OverlayHeader, FailuresSetStatusAndKeepPaper) {
    struct Case {
        const char* what;
        FormOverlayHeader header;
        DWORD status;
    };
    const Case cases[] = {
        {"A4 onto A5", MakeHeader(512, 256), kOverlayPaperNotSupported},
        {"printed paper not offered (Letter)", MakeHeader(2, 2), kOverlayPaperNotSupported},
        {"CR before LF", MakeHeader(512, 512, 1, 'P', 0, "QEV Quintarc Form Object\r\n"), kOverlayBadSignature},
        {"other case", MakeHeader(512, 512, 1, 'P', 0, "QEV QUINTARC Form Object\n"), kOverlayBadSignature},
        {"no line feed", MakeHeader(512, 512, 1, 'P', 0, "QEV Quintarc Form Object"), kOverlayOk},
        {"line feed beyond 64 bytes",
         MakeHeader(512, 512, 1, 'P', 0, "QEV Quintarc Form Object                                          \n"),
         kOverlayBadSignature},
    };
    for (const Case& c : cases) {
        SetUp();
        const DriverDevmode before = record;
        EXPECT_EQ(Apply(c.header), c.status) << c.what;
        EXPECT_EQ(Get(record, dm::OverlayStatus), c.status) << c.what;
        if (c.status != kOverlayOk) {
            // Everything but the status field is as it was.
            EXPECT_EQ(std::memcmp(record.bytes, before.bytes, dm::OverlayStatus.offset), 0) << c.what;
            const unsigned rest = FieldEnd(dm::OverlayStatus);
            EXPECT_EQ(std::memcmp(record.bytes + rest, before.bytes + rest, sizeof(record) - rest), 0) << c.what;
        }
    }
}

TEST_F(OverlayHeader, TrayStringsAndTheLargeCapacityUnit) {
    struct Case {
        const char* what;
        DWORD tray;
        bool unitInstalled;
        SHORT source;
    };
    const Case cases[] = {
        {"tray 1", 1, false, 1},
        {"tray 16", 16, false, 259},
        {"large, unit absent", 0x1000000, false, 5},
        {"large, unit installed", 0x1000000, true, 6},
        {"unknown tray", 77, false, 7},
        {"tray 256 without a slot", 256, false, 7},
    };
    for (const Case& c : cases) {
        SetUp();
        Set(record, dm::DeviceState(dm::DevicePairIndex(652)), WORD(c.unitInstalled ? 8 : 0));
        Apply(MakeHeader(512, 512, c.tray));
        EXPECT_EQ(AsDevmode(record)->dmDefaultSource, c.source) << c.what;
    }
    // The postcard pair always takes the fallback slot.
    SetUp();
    Apply(MakeHeader(1, 1, 1));
    EXPECT_EQ(AsDevmode(record)->dmDefaultSource, 7);
    // Without the resource DLL the source is left alone, the mode byte still applies.
    SetUp();
    AsDevmode(record)->dmDefaultSource = 259;
    Set(record, dm::Flags2, Get(record, dm::Flags2) | kFlags2OverlayMode);
    Apply(MakeHeader(512, 512, 1, 'P', 16), false);
    EXPECT_EQ(AsDevmode(record)->dmDefaultSource, 259);
    EXPECT_FALSE(Get(record, dm::Flags2) & kFlags2OverlayMode);
}

TEST_F(OverlayHeader, WithoutDefaultSlotRecordTheFirstSlotStandsInForIt) {
    // A description without "*DefaultInputSlot" has the first input slot where the default record
    // would be: a tray string that names no slot leaves that slot's value, not the old source.
    DeviceDataPtr bare = CompileText(
        u"*Version: 4\r\n*InputSlot: \"Lower\" 5\r\n*InputSlot: \"Feeder1\" 1\r\n"
        u"*FormPort: \"A4\" 210000 297000 5000 5000 205000 292000\r\n");
    ASSERT_NE(bare, nullptr);
    struct Case {
        DWORD tray;
        SHORT source;
    };
    for (const Case& c : {Case{77, 5}, Case{1, 1}}) {
        AsDevmode(record)->dmDefaultSource = 259;
        EXPECT_EQ(ApplyFormOverlayHeader(&record, MakeHeader(512, 512, c.tray), forms.data(), forms.count(), &strings,
                                         bare.get()),
                  kOverlayOk);
        EXPECT_EQ(AsDevmode(record)->dmDefaultSource, c.source) << c.tray;
    }
}

TEST(OverlayPath, ComposedFromFolderAndBaseName) {
    struct Case {
        const char* folder;
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"C:\\Forms", "INVOICE", "C:\\Forms\\INVOICE.fn2"},
        {"C:\\Forms\\", "A", "C:\\Forms\\A.fn2"},
        {"D:", "NAMELONG", "D:\\NAMELONG.fn2"},
    };
    for (const Case& c : cases) {
        DriverDevmode r{};
        SetAnsi(r, dm::OverlayFolder, c.folder);
        SetAnsi(r, dm::OverlayName, c.name);
        EXPECT_EQ(GetOverlayFilePath(r), c.path);
    }
    DriverDevmode r{};
    std::memset(r.bytes + dm::OverlayFolder.offset, 'F', 128 + 9);  // both fields unterminated
    std::string path = GetOverlayFilePath(r);
    EXPECT_EQ(path.size(), 127u + 1 + 8 + 4);
}

class OverlayFiles : public ::testing::Test {
protected:
    std::string root;
    DeviceDataPtr data = CompileText(OverlayDescription());
    DriverDevmode record{};
    void SetUp() override {
        char tmpl[] = "/tmp/orla_overlay_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        PlatSetSandboxRoot(root.c_str());
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    void WriteFile(const char* windowsPath, const void* bytes, size_t n) {
        std::u16string wide(windowsPath, windowsPath + std::strlen(windowsPath));
        std::filesystem::path host = PlatHostPath(wide.c_str());
        std::filesystem::create_directories(host.parent_path());
        std::ofstream(host, std::ios::binary).write(static_cast<const char*>(bytes), static_cast<std::streamsize>(n));
    }
};

TEST_F(OverlayFiles, ShortFileReadsZeroPadded) {
    const char text[] = "QEV Quintarc Form Object\nXYZ";
    WriteFile("C:\\Forms\\SHORT.fn2", text, sizeof(text) - 1);
    FormOverlayHeader h;
    std::memset(h.bytes, 0xEE, sizeof(h.bytes));
    ASSERT_TRUE(ReadFormOverlayHeader(&h, "C:\\Forms\\SHORT.fn2"));
    EXPECT_EQ(std::memcmp(h.bytes, text, sizeof(text) - 1), 0);
    for (size_t i = sizeof(text) - 1; i < sizeof(h.bytes); ++i) ASSERT_EQ(h.bytes[i], 0) << i;
    EXPECT_FALSE(ReadFormOverlayHeader(&h, "C:\\Forms\\MISSING.fn2"));
}

TEST_F(OverlayFiles, LongestComposedPathIsReadWhole) {
    // A 127-character folder and an 8-character name make the longest path the rule composes.
    DriverDevmode r{};
    const std::string folder = "C:\\" + std::string(124, 'f');
    SetAnsi(r, dm::OverlayFolder, folder);
    SetAnsi(r, dm::OverlayName, "LONGNAME");
    const std::string path = GetOverlayFilePath(r);
    ASSERT_EQ(path.size(), 140u);
    const char text[] = "QEV Quintarc Form Object\n";
    WriteFile(path.c_str(), text, sizeof(text) - 1);
    FormOverlayHeader h{};
    ASSERT_TRUE(ReadFormOverlayHeader(&h, path.c_str()));
    EXPECT_EQ(std::memcmp(h.bytes, text, sizeof(text) - 1), 0);
}

TEST_F(OverlayFiles, ApplyReportsPathProblems) {
    struct Case {
        const char* what;
        WORD flagsWord;
        const char* folder;
        const char* name;
        DWORD status;
        DWORD result;
    };
    const Case cases[] = {
        {"overlay off", 4, "C:\\Forms", "GOOD", kOverlayOk, 0},
        {"folder empty", 5, "", "GOOD", kOverlayFolderEmpty, 0},
        {"name empty", 5, "C:\\Forms", "", kOverlayNameEmpty, 0},
        {"file missing", 5, "C:\\Forms", "NONE", kOverlayFileUnreadable, 0},
        {"bad signature", 5, "C:\\Forms", "BADSIG", kOverlayBadSignature, kOverlayBadSignature},
    };
    const char bad[] = "QEV Quintarc Form Objekt\n";
    WriteFile("C:\\Forms\\BADSIG.fn2", bad, sizeof(bad));
    for (const Case& c : cases) {
        SetDefaultDevmode(&record, nullptr, nullptr, data.get());
        Set(record, dm::OverlayStatus, DWORD{0xDEAD});
        Set(record, dm::FlagsWord, c.flagsWord);
        SetAnsi(record, dm::OverlayFolder, c.folder);
        SetAnsi(record, dm::OverlayName, c.name);
        const std::u16string formBefore = GetText(record, dm::FormName);
        EXPECT_EQ(ApplyFormOverlay(&record, nullptr, data.get()), c.result) << c.what;
        EXPECT_EQ(Get(record, dm::OverlayStatus), c.status) << c.what;
        EXPECT_EQ(GetText(record, dm::FormName), formBefore) << c.what;
    }
}

}  // namespace
