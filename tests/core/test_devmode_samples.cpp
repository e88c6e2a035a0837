// Settings records for the sample models, installed as printers in a sandbox: device pairs named
// by the language resource DLL, the spooler's forms list, the printer's default DEVMODE and the
// resolver run the way the driver runs it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/form_overlay.h"
#include "core/settings.h"
#include "core/settings_resolver.h"
#include "core/support.h"
#include "plat/control.h"
#include "test_devmode_fixture.h"
#include "win/registry.h"

using namespace orla;
using namespace orla::test;

namespace {

std::u16string Wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

// A sandbox with one sample model installed as a printer of this build's graphics DLL.
class SamplePrinter : public ::testing::Test {
protected:
    std::string root;
    HANDLE printer = nullptr;
    const CompiledDeviceData* data = nullptr;
    std::u16string printerName = u"Sample Printer";

    void Install(const char* modelFile) {
        char tmpl[] = "/tmp/orla_samples_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        PlatSetSandboxRoot(root.c_str());
        const char* source = std::getenv("ORLA_SOURCE_DIR");
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_TRUE(source && bin) << "run through ctest (ORLA_SOURCE_DIR, ORLA_BIN_DIR)";
        const std::u16string drv = PlatDriverDirectory();
        const std::u16string dataFile = drv + u"\\" + Wide(modelFile);
        ASSERT_TRUE(
            PlatCopyIntoSandbox((std::string(source) + "/resources/models/" + modelFile).c_str(), dataFile.c_str()));
        const std::string stem = kJapaneseBuild ? "Quessa" : "Brinda";
        for (const char* letter : {"j", "e"}) {
            const std::string dll = stem + letter + ".dll";
            ASSERT_TRUE(PlatCopyIntoSandbox((std::string(bin) + "/" + dll).c_str(), (drv + u"\\" + Wide(dll)).c_str()))
                << dll;
        }
        const std::u16string driverPath = drv + (kJapaneseBuild ? u"\\Quessa.dll" : u"\\Brindal.dll");
        const std::u16string configFile = drv + (kJapaneseBuild ? u"\\Talvex.dll" : u"\\Morvin.dll");
        PLAT_PRINTER_SETUP setup{printerName.c_str(), u"QEV ORLA",        u"LPT1:", driverPath.c_str(),
                                 dataFile.c_str(),    configFile.c_str(), nullptr,  nullptr};
        ASSERT_TRUE(PlatInstallPrinter(&setup));
        ASSERT_TRUE(OpenPrinterW(printerName.data(), &printer, nullptr));
        DeviceDataCacheInit();
        data = GetDeviceData(printer);
        ASSERT_NE(data, nullptr);
    }
    void SetLocale(const char16_t* locale) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Control Panel\\International", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, u"Locale", 0, REG_SZ, reinterpret_cast<const BYTE*>(locale),
                       static_cast<DWORD>((std::char_traits<char16_t>::length(locale) + 1) * 2));
        RegCloseKey(key);
    }
    void TearDown() override {
        if (data) ReleaseDeviceData(data);
        DeviceDataCacheTerm();
        if (printer) ClosePrinter(printer);
        if (!root.empty()) std::filesystem::remove_all(root);
    }
};

TEST_F(SamplePrinter, JapaneseModelDevicePairsAndForms) {
    Install("HV4400KJ.KDD");
    DriverDevmode record{};
    SetDefaultDevmode(&record, printer, nullptr, data);
    EXPECT_EQ(GetText(record, dm::DeviceName), u"QEV Halvoric 4400K");
    EXPECT_EQ(Get(record, dm::PrivateId), 0x5A525044u);
    // "A4" is the ninth spooler form.
    EXPECT_EQ(AsDevmode(record)->dmPaperSize, 9);
    EXPECT_EQ(Get(record, dm::PrintPosTop), 41u);
    EXPECT_EQ(Get(record, dm::PrintPosLeft), 40u);
    EXPECT_EQ(Get(record, dm::MemoryKb), 65536u);
    const DevicePair expected[dm::DevicePairCount] = {
        {9, 3},    {1, 3},    {1, 3},    {1, 1001}, {1, 1001}, {1, 1001}, {1, 2001}, {1, 3001}, {9, 1},    {1, 1001},
        {2, 2001}, {9, 3001}, {1, 4001}, {1, 5001}, {1, 5002}, {1, 5003}, {1, 2},    {1, 7001}, {9, 4001},
    };
    for (unsigned k = 0; k < dm::DevicePairCount; ++k) {
        EXPECT_EQ(Get(record, dm::DeviceState(k)), expected[k].state) << "pair at " << 628 + 4 * k;
        EXPECT_EQ(Get(record, dm::DeviceChoice(k)), expected[k].choice) << "pair at " << 628 + 4 * k;
    }
    // The second printer handle names the resource DLL when given.
    DriverDevmode viaSecond{};
    SetDefaultDevmode(&viaSecond, nullptr, printer, data);
    EXPECT_EQ(Get(viaSecond, dm::DeviceChoice(8)), 1);
}

TEST_F(SamplePrinter, EnglishLocaleLoadsEnglishNames) {
    Install("HV3600E.KDD");
    SetLocale(u"00000409");
    DriverDevmode record{};
    SetDefaultDevmode(&record, printer, nullptr, data);
    EXPECT_EQ(GetText(record, dm::FormName), u"Letter");
    EXPECT_EQ(AsDevmode(record)->dmPaperSize, 1);
    // "Duplex Unit" 0x00000001, "Sorter" 0x00020002 as named by the English strings.
    EXPECT_EQ(Get(record, dm::DeviceChoice(8)), 1);
    EXPECT_EQ(Get(record, dm::DeviceState(9)), 2);
    EXPECT_EQ(Get(record, dm::DeviceChoice(9)), 1001);
}

TEST_F(SamplePrinter, EveryDevicePairLooksUpItsOwnStringListAndPreference) {
    // Every device named by strings 201 to 219 allows choices 2 and 3 (bits 1 and 2): the pairs
    // that prefer choice 3 (201 to 205) take it, the other input devices the lowest bit (2), and
    // the option devices (209 to 218) read bit 1 by their own table (1001).
    Install("HV4400KJ.KDD");
    HMODULE resources = LoadResourceDll(printer);
    ASSERT_NE(resources, nullptr);
    std::u16string text = u"*Version: 4\r\n";
    for (UINT id = 201; id <= 219; ++id) {
        WCHAR name[25] = {};
        ASSERT_GT(LoadStringW(resources, id, name, 25), 0) << id;
        text += (id >= 209 && id <= 218) ? u"*OptionDevice: \"" : u"*InputDevice: \"";
        text += name;
        text += u"\" 0x00080006\r\n";
    }
    FreeResourceDll(resources);
    DeviceDataPtr devices = CompileText(text);
    ASSERT_NE(devices, nullptr);
    DriverDevmode record{};
    SetDefaultDevmode(&record, printer, nullptr, devices.get());
    for (unsigned k = 0; k < dm::DevicePairCount; ++k) {
        const WORD choice = k < 5 ? 3 : (k >= 8 && k < 18) ? 1001 : 2;
        EXPECT_EQ(Get(record, dm::DeviceState(k)), 8) << "pair at " << 628 + 4 * k;
        EXPECT_EQ(Get(record, dm::DeviceChoice(k)), choice) << "pair at " << 628 + 4 * k;
    }
}

TEST_F(SamplePrinter, DefaultFormMissingFromSpoolerGivesPaperSizeNine) {
    Install("HV4400KJ.KDD");
    DeviceDataPtr custom = CompileText(u"*Version: 4\r\n*DefaultForm: \"Fixture Custom\" 200000 250000 0 0 0 0\r\n");
    DeviceDataPtr a3 = CompileText(u"*Version: 4\r\n*DefaultForm: \"A3\" 297000 420000 0 0 0 0\r\n");
    DriverDevmode record{};
    SetDefaultDevmode(&record, printer, nullptr, custom.get());
    EXPECT_EQ(AsDevmode(record)->dmPaperSize, 9);
    EXPECT_EQ(GetText(record, dm::FormName), u"Fixture Custom");
    EXPECT_EQ(AsDevmode(record)->dmPaperLength, 2500);
    SetDefaultDevmode(&record, printer, nullptr, a3.get());
    EXPECT_EQ(AsDevmode(record)->dmPaperSize, 8);
}

TEST_F(SamplePrinter, EffectiveSettingsMergePrinterDefaultThenCaller) {
    Install("HV4400KJ.KDD");
    DriverDevmode printerDefault{};
    SetDefaultDevmode(&printerDefault, printer, nullptr, data);
    AsDevmode(printerDefault)->dmCopies = 3;
    AsDevmode(printerDefault)->dmOrientation = 2;
    Set(printerDefault, dm::Zoom, 90);
    ASSERT_TRUE(PlatSetPrinterDevmode(printerName.c_str(), &printerDefault, sizeof(printerDefault)));

    IncomingDevmode caller(220, 0);
    caller.Fields(DM_COPIES | DM_FORMNAME);
    caller.Put16(86, 7);
    caller.FormName(u"B4 (JIS)");
    DriverDevmode record{};
    BuildEffectiveSettings(&record, caller.devmode(), printer, nullptr, data);
    EXPECT_EQ(AsDevmode(record)->dmCopies, 7);       // caller
    EXPECT_EQ(AsDevmode(record)->dmOrientation, 2);  // printer default
    EXPECT_EQ(Get(record, dm::Zoom), 90);            // printer default's private part
    EXPECT_EQ(GetText(record, dm::FormName), u"B4 (JIS)");
    EXPECT_EQ(AsDevmode(record)->dmPaperSize, 12);
}

TEST_F(SamplePrinter, ValidateSettingsAgainstTheSpooler) {
    Install("HV4400KJ.KDD");
    DriverDevmode record{};
    SetDefaultDevmode(&record, printer, nullptr, data);
    SetText(record, dm::FormName, u"No Such Form");
    ValidateSettings(&record, nullptr, printer, nullptr, data);
    EXPECT_EQ(GetText(record, dm::FormName), u"A4");
    EXPECT_EQ(AsDevmode(record)->dmPaperSize, 9);
    // Without a printer there is no forms list: the record stays as it is.
    SetText(record, dm::FormName, u"No Such Form");
    const DriverDevmode before = record;
    ValidateSettings(&record, nullptr, nullptr, nullptr, data);
    EXPECT_EQ(std::memcmp(&before, &record, sizeof(record)), 0);
}

TEST_F(SamplePrinter, UsableFormsJudgedByTheCallersOwnDescription) {
    Install("HV4400KJ.KDD");
    // A card 80 mm wide and 90 mm long: printable from "*Version" 4 on, not before.
    HANDLE admin = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(printerName.data(), &admin, &access));
    std::u16string cardName = u"Short Card";
    FORM_INFO_1W card{FORM_USER, cardName.data(), SIZEL{80000, 90000}, RECTL{0, 0, 80000, 90000}};
    ASSERT_TRUE(AddFormW(admin, 1, reinterpret_cast<LPBYTE>(&card)));
    ClosePrinter(admin);
    DeviceDataPtr v3 = CompileText(u"*Version: 3\r\n");
    DeviceDataPtr v4 = CompileText(u"*Version: 4\r\n");
    for (const auto& [block, kept] : {std::pair{v3.get(), false}, std::pair{v4.get(), true}}) {
        DWORD count = 0;
        FORM_INFO_1W* forms = EnumUsableForms(printer, &count, block);
        ASSERT_NE(forms, nullptr);
        ASSERT_GT(count, 9u);
        EXPECT_EQ(FindUsableForm(forms, count, u"Short Card") != 0, kept);
        EXPECT_EQ(FindUsableForm(forms, count, u"A4"), 9u);  // positions stay the spooler's
        GlobalFree(forms);
    }
    DWORD count = 77;
    EXPECT_EQ(EnumUsableForms(nullptr, &count, v4.get()), nullptr);
    EXPECT_EQ(count, 0u);
}

TEST_F(SamplePrinter, OutPaperTableFromPrinterData) {
    Install("HV4400KJ.KDD");
    EXPECT_TRUE(ReadOutPaperTable(printer).empty());
    std::vector<BYTE> value = BuildOutPaperTable(std::vector<OutPaperPair>{{u"A4->B4", u"B4 (JIS)"}});
    // Writing printer data takes an administrator's handle, as on Windows.
    HANDLE admin = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(printerName.data(), &admin, &access));
    ASSERT_EQ(SetPrinterDataW(admin, const_cast<LPWSTR>(u"TBL_OutPaperTable"), REG_BINARY, value.data(),
                              static_cast<DWORD>(value.size())),
              static_cast<DWORD>(ERROR_SUCCESS));
    ClosePrinter(admin);
    EXPECT_EQ(ReadOutPaperTable(printer), value);
}

}  // namespace
