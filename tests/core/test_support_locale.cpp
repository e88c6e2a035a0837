// The user-locale rule and the language resource DLL it names.
#include <string>

#include "core/support.h"
#include "test_device_fixture.h"
#include "win/registry.h"

using namespace orla;
using namespace orla_test;

namespace {

class SupportLocale : public SandboxTest {
protected:
    // Sets HKCU "Control Panel\International" "Locale"; null removes the value, and
    // noKey leaves the key out altogether.
    void SetLocale(const char16_t* value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Control Panel\\International", 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (value) {
            std::u16string v(value);
            ASSERT_EQ(RegSetValueExW(key, u"Locale", 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                                     static_cast<DWORD>((v.size() + 1) * 2)),
                      ERROR_SUCCESS);
        } else {
            RegDeleteValueW(key, u"Locale");
        }
        RegCloseKey(key);
    }

    void CopyResourceDlls() {
        for (const char* dll : {"Quessaj.dll", "Quessae.dll"}) {
            ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + dll).c_str(), (driverDir_ + u"\\" + Widen(dll)).c_str()))
                << dll << ": build the language resource DLLs first";
        }
    }

    std::u16string LoadText(HMODULE mod, UINT id) {
        WCHAR buffer[32] = {};
        LoadStringW(mod, id, buffer, 32);
        return buffer;
    }
};

}  // namespace

TEST_F(SupportLocale, LocaleValueRule) {
    EXPECT_EQ(GetUserLocaleId(), kLocaleJapanese);  // no key at all
    struct Case {
        const char16_t* value;
        LCID expected;
    } const cases[] = {
        {u"00000409", kLocaleEnglish}, {u"00000411", kLocaleJapanese}, {u"411", kLocaleJapanese},
        {u"0x411", kLocaleJapanese},   {u"00000407", kLocaleEnglish},  {u"garbage", kLocaleEnglish},
        {u"", kLocaleEnglish},         {nullptr, kLocaleJapanese},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? std::string(c.value, c.value + std::char_traits<char16_t>::length(c.value)) : "none");
        SetLocale(c.value);
        EXPECT_EQ(GetUserLocaleId(), c.expected);
    }
    // A value longer than the 32-unit buffer cannot be read: Japanese.
    SetLocale(std::u16string(40, u'4').c_str());
    EXPECT_EQ(GetUserLocaleId(), kLocaleJapanese);
}

TEST(SupportResourceName, Composition) {
    const std::u16string dir = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";
    struct Case {
        std::u16string driver;
        LCID locale;
        std::u16string expected;
    } const cases[] = {
        {dir + u"Quessa.dll", kLocaleJapanese, dir + u"Quessaj.dll"},
        {dir + u"Quessa.dll", kLocaleEnglish, dir + u"Quessae.dll"},
        {dir + u"Brindal.dll", kLocaleJapanese, dir + u"Brindaj.dll"},
        {dir + u"Brindal.dll", kLocaleEnglish, dir + u"Brindae.dll"},
        {u"C:\\Q.dll", kLocaleEnglish, u"C:\\Q.dlle.dll"},  // fewer than six characters: all of them
    };
    for (const Case& c : cases) {
        WCHAR out[MAX_PATH];
        ASSERT_TRUE(ComposeResourceDllPath(c.driver.c_str(), c.locale, out, MAX_PATH));
        EXPECT_EQ(std::u16string(out), c.expected);
    }
    WCHAR out[MAX_PATH];
    EXPECT_FALSE(ComposeResourceDllPath(u"Quessa.dll", kLocaleJapanese, out, MAX_PATH));  // no folder
    EXPECT_EQ(out[0], 0);
    EXPECT_FALSE(ComposeResourceDllPath((dir + u"Quessa.dll").c_str(), kLocaleJapanese, out, 20));
    EXPECT_FALSE(ComposeResourceDllPath(nullptr, kLocaleJapanese, out, MAX_PATH));
}

TEST(SupportResourceName, HelpFileLetter) {
    struct Case {
        std::u16string path;
        LCID locale;
        std::u16string expected;
    } const cases[] = {
        {u"C:\\drv\\ORLAJ.CHM", kLocaleEnglish, u"C:\\drv\\ORLAE.CHM"},
        {u"C:\\drv\\ORLAE.CHM", kLocaleJapanese, u"C:\\drv\\ORLAJ.CHM"},
        {u"C:\\drv\\ORLA_.HLP", kLocaleJapanese, u"C:\\drv\\ORLAJ.HLP"},
        {u".CHM", kLocaleEnglish, u".CHM"},
        {u"NOEXT", kLocaleEnglish, u"NOEXT"},
    };
    for (const Case& c : cases) {
        std::u16string p = c.path;
        ApplyHelpFileLocale(p.data(), c.locale);
        EXPECT_EQ(p, c.expected);
    }
    ApplyHelpFileLocale(nullptr, kLocaleEnglish);
}

TEST_F(SupportLocale, ResourceDllFollowsTheLocale) {
    CopyResourceDlls();
    std::u16string data = InstallSample("HV4400KJ.KDD");
    ASSERT_TRUE(InstallPrinter(u"Halvoric", data));
    HANDLE h = OpenTestPrinter(u"Halvoric");
    ASSERT_NE(h, nullptr);

    struct Case {
        const char16_t* locale;
        std::u16string option;
    } const cases[] = {
        {u"00000411", u"両面ユニット"},
        {u"00000409", u"Duplex Unit"},
        {nullptr, u"両面ユニット"},
    };
    for (const Case& c : cases) {
        SetLocale(c.locale);
        HMODULE mod = LoadResourceDll(h);
        ASSERT_NE(mod, nullptr);
        EXPECT_EQ(LoadText(mod, 200), u"AUTO");
        EXPECT_EQ(LoadText(mod, 201), u"FEEDER1");
        EXPECT_EQ(LoadText(mod, 209), c.option);
        EXPECT_EQ(LoadText(mod, 219), u"MP");
        EXPECT_TRUE(FreeResourceDll(mod));
    }
    ClosePrinter(h);
}

TEST_F(SupportLocale, MissingResourceDllOrPrinterGivesNull) {
    std::u16string data = InstallSample("HV3600E.KDD");
    ASSERT_TRUE(InstallPrinter(u"Halvoric E", data, u"Brindal.dll"));  // no Brindaj/Brindae copied
    HANDLE h = OpenTestPrinter(u"Halvoric E");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(LoadResourceDll(h), nullptr);
    EXPECT_EQ(LoadResourceDll(nullptr), nullptr);
    ClosePrinter(h);
}

TEST_F(SupportLocale, SampleNamesEqualTheResourceStrings) {
    // The names the settings code finds by strings 200-219 are spelled the same in the samples:
    // every input slot and device of a sample is named by one of the strings of its language.
    CopyResourceDlls();
    struct Case {
        const char* sample;
        const char* dll;
    } const cases[] = {{"HV4400KJ.KDD", "Quessaj.dll"}, {"HV3600E.KDD", "Quessae.dll"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        HMODULE mod = LoadLibraryW((driverDir_ + u"\\" + Widen(c.dll)).c_str());
        ASSERT_NE(mod, nullptr);
        std::vector<std::u16string> names;
        for (UINT id = 200; id <= 219; ++id) names.push_back(LoadText(mod, id));
        BlockHolder b(CompileDeviceText(ReadHostFile(SourceDir() + "/resources/models/" + c.sample)));
        ASSERT_NE(b.block, nullptr);
        auto known = [&](std::u16string_view n) {
            for (const auto& s : names)
                if (s == n) return true;
            return false;
        };
        for (NamedValueEntry e : InputSlots(b.block)) EXPECT_TRUE(known(e.name)) << "slot";
        for (NamedValueEntry e : InputDevices(b.block)) EXPECT_TRUE(known(e.name)) << "input device";
        for (NamedValueEntry e : OptionDevices(b.block)) EXPECT_TRUE(known(e.name)) << "option";
        EXPECT_EQ(OptionDevices(b.block).size(), 10u);  // one per option string 209-218
        FreeLibrary(mod);
    }
}
