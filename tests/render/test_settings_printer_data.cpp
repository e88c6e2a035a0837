// Printer-data values the graphics DLL reads (substitution table, accounting values, halftone
// information), through the spooler of a sandbox printer; and a trailer that flushes to the job.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/driver_devmode.h"
#include "core/settings.h"
#include "plat/control.h"
#include "render/page_settings.h"
#include "render/pdev.h"
#include "render/pjl_header.h"
#include "test_pjl_fixture.h"
#include "win/ddi.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

namespace dm = orla::dm;
constexpr const char16_t* kPrinter = u"G3 Settings Printer";

class PrinterData : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/orla-g3-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        root_ = templ;
        PlatSetSandboxRoot(root_.c_str());
        PlatClearInjections();
        std::u16string dir = PlatDriverDirectory();
        std::u16string dataFile = dir + u"\\MODEL.KDD", driverPath = dir + u"\\Quessa.dll";
        std::u16string configFile = dir + u"\\Talvex.dll";
        std::string hostModel = root_ + "/model.kdd";
        {
            std::ofstream out(hostModel, std::ios::binary);
            out.put(static_cast<char>(0xFF)).put(static_cast<char>(0xFE));
            for (char16_t c : g3test::Description())
                out.put(static_cast<char>(c & 0xFF)).put(static_cast<char>(c >> 8));
        }
        ASSERT_TRUE(PlatCopyIntoSandbox(hostModel.c_str(), dataFile.c_str()));
        PLAT_PRINTER_SETUP setup{};
        setup.printerName = kPrinter;
        setup.driverName = u"G3 Driver";
        setup.portName = u"LPT1:";
        setup.driverPath = driverPath.c_str();
        setup.dataFile = dataFile.c_str();
        setup.configFile = configFile.c_str();
        ASSERT_TRUE(PlatInstallPrinter(&setup));
        // Administer access: the tests write the values the interface DLL would.
        PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer_, &access));
        f_.pdev->printer = printer_;
        f_.pdev->allocationList = CreatePdevAllocationList();
    }
    void TearDown() override {
        FreePdevAllocationList(f_.pdev->allocationList);
        if (printer_) ClosePrinter(printer_);
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    void SetValue(LPCWSTR name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(name), type,
                                  static_cast<LPBYTE>(const_cast<void*>(data)), size),
                  static_cast<DWORD>(ERROR_SUCCESS));
    }
    void SetDword(LPCWSTR name, DWORD value) { SetValue(name, REG_DWORD, &value, sizeof(value)); }
    void SetText(LPCWSTR name, std::u16string_view text, size_t bytes = 0) {
        std::u16string t(text);
        SetValue(name, REG_BINARY, t.c_str(), static_cast<DWORD>(bytes ? bytes : (t.size() + 1) * 2));
    }

    std::vector<std::pair<std::u16string, std::u16string>> Pairs() {
        std::vector<std::pair<std::u16string, std::u16string>> pairs;
        const PrinterDataTables& t = f_.pdev->settings.tables;
        LPCWSTR face = nullptr, font = nullptr;
        for (LONG i = 0; TTSubstPairAt(t.fontSubstitution, t.fontSubstitutionChars, i, &face, &font); ++i)
            pairs.push_back({face, font});
        return pairs;
    }

    std::string root_;
    HANDLE printer_ = nullptr;
    g3test::PdevFixture f_;
};

using PairList = std::vector<std::pair<std::u16string, std::u16string>>;
const PairList kBuiltins = {
    {u"ＭＳ 明朝", u"明朝"}, {u"@ＭＳ 明朝", u"@明朝"}, {u"ＭＳ ゴシック", u"ｺﾞｼｯｸ"}, {u"@ＭＳ ゴシック", u"@ｺﾞｼｯｸ"}};

TEST_F(PrinterData, SubstitutionTableFromPrinterData) {
    SetValue(u"TBL_TTSubstTable", REG_BINARY, u"Arial\0Helvetica\0Century\0明朝\0", 56);
    ASSERT_TRUE(LoadFontSubstitution(f_.pdev));
    EXPECT_EQ(Pairs(), (PairList{{u"Arial", u"Helvetica"}, {u"Century", u"明朝"}}));
    const PrinterDataTables& t = f_.pdev->settings.tables;
    EXPECT_EQ(t.fontSubstitution[t.fontSubstitutionChars - 1], 0);  // the extra terminator
}

TEST_F(PrinterData, SubstitutionTableFallsBackToBuiltins) {
    static const struct {
        const char* what;
        std::vector<BYTE> table;  // empty: no value
        DWORD useDefault;         // 2: no value
    } kCases[] = {
        {"no value", {}, 2},
        {"empty table", {0, 0, 0, 0}, 2},
        {"use-default flag", {'A', 0, 0, 0, 'B', 0, 0, 0}, 1},
        {"malformed: no terminator", {'A', 0, 'B', 0}, 2},
        {"malformed: odd size", {'A', 0, 0, 0, 'B', 0, 0}, 0},
    };
    for (const auto& c : kCases) {
        DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"TBL_TTSubstTable"));
        DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"TBL_TTSubstDefault"));
        if (!c.table.empty())
            SetValue(u"TBL_TTSubstTable", REG_BINARY, c.table.data(), static_cast<DWORD>(c.table.size()));
        if (c.useDefault != 2) SetDword(u"TBL_TTSubstDefault", c.useDefault);
        ASSERT_TRUE(LoadFontSubstitution(f_.pdev)) << c.what;
        EXPECT_EQ(Pairs(), kBuiltins) << c.what;
    }
    // The flag off and a good table: the table wins.
    SetValue(u"TBL_TTSubstTable", REG_BINARY, u"A\0B\0", 8);
    SetDword(u"TBL_TTSubstDefault", 0);
    ASSERT_TRUE(LoadFontSubstitution(f_.pdev));
    EXPECT_EQ(Pairs(), (PairList{{u"A", u"B"}}));
}

TEST_F(PrinterData, SubstitutionBlockNeedsMemory) {
    PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(LoadFontSubstitution(f_.pdev));
    PlatClearInjections();
}

TEST_F(PrinterData, AccountingFromPrinterData) {
    SetDword(u"DAT_Account_Mode", 0);
    SetDword(u"DAT_Jba_Type", 0);                  // clears bit 21
    SetDword(u"DAT_JobOwnerType", 1u << 22);       // keeps bit 22
    SetDword(u"DAT_UserID_Asterisk", 0xFFFFFFFF);  // only its own bit counts
    SetText(u"DAT_Set_UserID", u"ADMIN01");
    SetText(u"DAT_Set_Password", u"pw");
    auto rec = f_.Rec();
    f_.Set(dm::Flags2, DWORD{0x00000001});
    f_.SetText(dm::SetUserId, u"stale");
    LoadAccountingSettings(rec.data(), static_cast<ULONG>(rec.size()), printer_);
    const DWORD flags = orla::Get(f_.pdev->settings.record, dm::Flags2);
    EXPECT_EQ(flags & (0x1Fu << 20), (1u << 22) | (1u << 23) | (1u << 24));  // 23: unreadable, stays set
    EXPECT_EQ(flags & 1u, 1u);                                               // other bits untouched
    EXPECT_EQ(orla::GetText(rec, dm::SetUserId), u"ADMIN01");
    EXPECT_EQ(orla::GetText(rec, dm::SetPassword), u"pw");
}

TEST_F(PrinterData, AccountingUserIdIsBoundedByItsField) {
    SetDword(u"DAT_Account_Mode", 0);  // unreadable, the account mode would stay on
    // Values that fill their fields without a terminator: 33 and 13 characters.
    std::u16string fullId(33, u'X');
    SetValue(u"DAT_Set_UserID", REG_BINARY, fullId.data(), 66);
    SetValue(u"DAT_Set_Password", REG_BINARY, u"1234567890123", 26);
    auto rec = f_.Rec();
    f_.SetText(dm::SetPassword, u"old");
    f_.SetText(dm::PopUserId, u"keep");
    LoadAccountingSettings(rec.data(), static_cast<ULONG>(rec.size()), printer_);
    EXPECT_EQ(orla::GetText(rec, dm::SetUserId), std::u16string(32, u'X'));
    EXPECT_EQ(orla::GetText(rec, dm::SetPassword), u"123456789012");
    EXPECT_EQ(orla::GetText(rec, dm::PopUserId), u"keep");  // the field after it is untouched

    // A value longer than its field cannot be read whole: the field stays empty.
    std::u16string longId(40, u'Y');
    SetValue(u"DAT_Set_UserID", REG_BINARY, longId.data(), 80);
    LoadAccountingSettings(rec.data(), static_cast<ULONG>(rec.size()), printer_);
    EXPECT_EQ(orla::GetText(rec, dm::SetUserId), u"");
    EXPECT_EQ(orla::GetText(rec, dm::PopUserId), u"keep");
}

TEST_F(PrinterData, AccountModeReadsThePerUserKey) {
    SetDword(u"DAT_Account_Mode", 1u << 20);
    SetText(u"DAT_Set_UserID", u"FROM-PRINTER");
    HKEY key = nullptr;
    std::u16string path = std::u16string(u"Software\\QEV\\STAMP\\") + kPrinter;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::u16string id = u"FROM-USER";
    RegSetValueExW(key, u"DAT_Set_UserID", 0, REG_BINARY, reinterpret_cast<const BYTE*>(id.c_str()),
                   static_cast<DWORD>((id.size() + 1) * 2));
    DWORD zero = 0;
    RegSetValueExW(key, u"DAT_Jba_Type", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), 4);
    RegCloseKey(key);
    auto rec = f_.Rec();
    LoadAccountingSettings(rec.data(), static_cast<ULONG>(rec.size()), printer_);
    EXPECT_EQ(orla::GetText(rec, dm::SetUserId), u"FROM-USER");
    const DWORD flags = orla::Get(f_.pdev->settings.record, dm::Flags2);
    EXPECT_TRUE(flags & (1u << 20));
    EXPECT_FALSE(flags & (1u << 21));
}

TEST_F(PrinterData, HalftoneValuePerResolution) {
    static const struct {
        LONG dpi;
        LPCWSTR value;
    } kCases[] = {{600, u"DAT_CurDevHTInfo600"},
                  {1200, u"DAT_CurDevHTInfo1200"},
                  {360, u"DAT_CurDevHTInfo600"},
                  {300, u"DAT_CurDevHTInfo300"}};
    for (const auto& c : kCases) {
        DWORD words[33] = {};
        words[1] = HT_PATSIZE_4x4;
        words[2] = static_cast<DWORD>(c.dpi) + 1;
        words[3 + 21] = 22222;  // RedGamma, the 22nd value of COLORINFO
        SetValue(c.value, REG_BINARY, words, sizeof(words));
        f_.pdev->geometry.resolution = c.dpi;
        GDIINFO info{};
        ASSERT_TRUE(FillGdiInfo(f_.pdev, sizeof(info), &info));
        EXPECT_EQ(info.ulHTPatternSize, static_cast<ULONG>(HT_PATSIZE_4x4)) << c.dpi;
        EXPECT_EQ(info.ulDevicePelsDPI, static_cast<ULONG>(c.dpi) + 1);
        EXPECT_EQ(info.ciDevice.RedGamma, 22222);
        DeletePrinterDataW(printer_, const_cast<LPWSTR>(c.value));
    }
    // A value of the wrong size is not taken.
    DWORD shortValue[10] = {0, HT_PATSIZE_2x2};
    SetValue(u"DAT_CurDevHTInfo600", REG_BINARY, shortValue, sizeof(shortValue));
    f_.pdev->geometry.resolution = 600;
    GDIINFO info{};
    ASSERT_TRUE(FillGdiInfo(f_.pdev, sizeof(info), &info));
    EXPECT_EQ(info.ulHTPatternSize, static_cast<ULONG>(HT_PATSIZE_8x8_M));  // the device data's entry
}

// A conversion form prints on the partner the paper-conversion table names (the printer's table
// when it has one, else the built-in one), at 100 %.
TEST_F(PrinterData, ConversionPaperPrintsOnItsPartner) {
    std::u16string name = u"A4->B4";
    FORM_INFO_1W form{FORM_USER, name.data(), {210000, 297000}, {0, 0, 210000, 297000}};
    ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<LPBYTE>(&form)));
    static const struct {
        const char* what;
        std::vector<BYTE> table;  // empty: none
        bool chosenOutput;        // bit 0 of the flags at 396 with an output form at 416/422
        bool conversionFlag;      // bit 1 of the flags at 400
        SHORT outputCode;
    } kCases[] = {
        {"built-in table", {}, false, false, PaperB4},
        {"the printer's table",
         {'A', 0, '4', 0, '-', 0, '>', 0, 'B', 0, '4', 0, 0, 0, 'A', 0, '3', 0, 0, 0},
         false,
         false,
         PaperA3},
        {"a malformed table falls back", {'A', 0, '4', 0}, false, false, PaperB4},
        {"the chosen output form", {}, true, false, PaperA3},
        {"conversion flag: as it is", {}, false, true, 113},
    };
    for (const auto& c : kCases) {
        DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"TBL_OutPaperTable"));
        if (!c.table.empty())
            SetValue(u"TBL_OutPaperTable", REG_BINARY, c.table.data(), static_cast<DWORD>(c.table.size()));
        orla::DriverDevmode in{};
        orla::SetDefaultDevmode(&in, printer_, nullptr, f_.data.get());
        orla::SetText(orla::RecordBytes(in), dm::FormName, name);
        orla::AsDevmode(in)->dmFields |= DM_FORMNAME;
        orla::AsDevmode(in)->dmFields &= ~static_cast<DWORD>(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH);
        DWORD flags1 = orla::Get(in, dm::Flags1) & ~1u, flags2 = orla::Get(in, dm::Flags2) & ~2u;
        if (c.chosenOutput) {
            flags1 |= 1;
            orla::Set(in, dm::OutPaperIndex, WORD{1});
            orla::SetText(orla::RecordBytes(in), dm::OutPaperName, u"A3");
        }
        if (c.conversionFlag) flags2 |= 2;
        orla::Set(in, dm::Flags1, flags1);
        orla::Set(in, dm::Flags2, flags2);
        ASSERT_TRUE(LoadPdevSettings(f_.pdev, orla::AsDevmode(in), kPrinter)) << c.what;
        ASSERT_EQ(orla::GetText(orla::RecordBytes(f_.pdev->settings.record), dm::FormName), name) << c.what;
        EXPECT_EQ(f_.pdev->geometry.logicalPaper.code, 113) << c.what;
        EXPECT_EQ(f_.pdev->geometry.outputPaper.code, c.outputCode) << c.what;
        EXPECT_EQ(f_.pdev->geometry.zoom, 100) << c.what;
    }
}

TEST_F(PrinterData, TrailerEndsAnOpenSheetAndFlushes) {
    DOC_INFO_1W doc{const_cast<LPWSTR>(u"g3"), nullptr, nullptr};
    ASSERT_NE(StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
    f_.pdev->pageSetup.cellCounter = 1;  // a 2-up sheet holds one page
    f_.pdev->pageSetup.pageEnds = 4;
    f_.pdev->pageSetup.blankSheetReset = 1;
    ASSERT_TRUE(WritePjlJobEnd(f_.pdev));
    EXPECT_EQ(f_.pdev->pageSetup.cellCounter, 0u);
    EXPECT_EQ(f_.pdev->pageSetup.pageEnds, 5u);
    EXPECT_EQ(f_.pdev->pageSetup.blankSheet, 1u);
    // The sheet end went to the spooler; the trailer waits in the buffer.
    EXPECT_EQ(f_.Output(),
              "\x1c"
              "fPC0."
              "\x1c&0."
              "\x1b"
              "c1"
              "\x1b%-12345X"
              "@PJL EOJ\r\n@PJL EOJ\r\n");
    ASSERT_TRUE(EndDocPrinter(printer_));
    const char* spool = PlatLastSpoolFile(kPrinter);
    ASSERT_NE(spool, nullptr);
    std::ifstream in(spool, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "\r\x0c");
}

}  // namespace
