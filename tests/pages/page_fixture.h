// A sample printer with its UI context and a page context on it, as the pages get them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "plat/control.h"
#include "tests/ui/ui_fixture.h"
#include "ui/pages/page_context.h"
#include "win/registry.h"

namespace pages_test {

using RegKeyPtr = std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&RegCloseKey)>;

// Where the trust-marking library is named in the machine registry.
inline constexpr char16_t kTrustLibraryKey[] = u"SOFTWARE\\Tamsa Korvel\\Tessaline Basic";

// The trust-marking stand-in (TessalineDrvIf.dll) copied into the driver folder and named in the
// machine registry, with its script of answers when one is given ("CreateHandle=fail" refuses
// every printer).
inline void InstallTrustStandIn(const std::optional<std::u16string>& script = std::nullopt) {
    const std::u16string path = std::u16string(PlatDriverDirectory()) + u"\\TessalineDrvIf.dll";
    ASSERT_TRUE(PlatCopyIntoSandbox((orla_test::BinDir() + "/TessalineDrvIf.dll").c_str(), path.c_str()));
    HKEY raw = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTrustLibraryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
        ERROR_SUCCESS);
    const RegKeyPtr key(raw, RegCloseKey);
    RegSetValueExW(key.get(), u"DRVIFInstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * 2));
    if (script)
        RegSetValueExW(key.get(), u"StandInScript", 0, REG_SZ, reinterpret_cast<const BYTE*>(script->c_str()),
                       static_cast<DWORD>((script->size() + 1) * 2));
}

class PageSandbox : public orla_ui_test::UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        InstallSamplePrinter();
        ui_ = orla_ui_test::ContextPtr(orla::CreateUiContext(printer_, nullptr));
        ASSERT_TRUE(ui_);
        page_.uiContext = ui_.get();
    }
    void TearDown() override {
        ui_.reset();
        UiSandbox::TearDown();
    }
    // The English build shows its own texts: the user's locale becomes English and the UI context
    // is made anew, so that it picks the English resource DLL.
    void UseEnglishResources() {
        WriteUserLocale(u"00000409");
        if (HasFatalFailure()) return;
        RemakeUiContext();
    }
    void RemakeUiContext() {
        page_.uiContext = nullptr;
        ui_.reset();
        ui_ = orla_ui_test::ContextPtr(orla::CreateUiContext(printer_, nullptr));
        ASSERT_TRUE(ui_);
        page_.uiContext = ui_.get();
    }
    // The user's locale ("Control Panel\International", "Locale"), as a locale id in hex digits.
    static void WriteUserLocale(const std::u16string& locale) {
        HKEY raw = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Control Panel\\International", 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
                  ERROR_SUCCESS);
        const RegKeyPtr key(raw, RegCloseKey);
        ASSERT_EQ(RegSetValueExW(key.get(), u"Locale", 0, REG_SZ, reinterpret_cast<const BYTE*>(locale.c_str()),
                                 static_cast<DWORD>((locale.size() + 1) * sizeof(char16_t))),
                  ERROR_SUCCESS);
    }
    orla_ui_test::ContextPtr ui_;
    orla::PageContext page_{};
};

}  // namespace pages_test
