// The basic page alone in a property sheet, run by a scripted user: each idle turn of the
// innermost modal loop (the sheet, or a dialog the page opened) takes the next step.
#pragma once

#include <gtest/gtest.h>

#include "core/build_variant.h"
#include "plat/message_box.h"
#include "tests/pages/page_fixture.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/basic_page.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"

namespace pages_test {

inline HWND PageOf(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
inline int IndexWithData(HWND dialog, int id, LPARAM data) {
    const auto n = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i)
        if (SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, i, 0) == data) return i;
    return -1;
}

class BasicPageSheet : public PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        // The duplex unit is installed, so the duplex combo offers both bindings.
        Set(ui_->currentDevmode, orla::dm::DeviceState(orla::dm::kDuplex), WORD{8});
        // The pictures come from the interface DLL's own bitmaps, as its entry point arranges.
        interfaceDll_ = orla_ui_test::LibraryPtr(LoadLibraryW(orla::kJapaneseBuild ? u"Talvex.dll" : u"Morvin.dll"));
        ASSERT_TRUE(interfaceDll_);
        orla::SetInterfaceModule(interfaceDll_.get());
        PlatResetMessageBoxes();
    }
    void TearDown() override {
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
        PlatResetMessageBoxes();
        orla::SetInterfaceModule(nullptr);
        PageSandbox::TearDown();
        interfaceDll_.reset();
    }
    INT_PTR Run(uitest::Script& script) {
        PROPSHEETPAGEW describe{};
        describe.dwSize = sizeof describe;
        describe.dwFlags = PSP_HASHELP;  // as the driver adds its pages: the sheet shows Help
        describe.hInstance = ui_->hResDll;
        describe.pszTemplate = MAKEINTRESOURCEW(520);
        describe.pfnDlgProc = orla::BasicPageProc;
        describe.lParam = reinterpret_cast<LPARAM>(&page_);
        HPROPSHEETPAGE pages[] = {CreatePropertySheetPageW(&describe)};
        EXPECT_TRUE(pages[0]);
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_DEFAULT;
        header.pszCaption = u"Halvoric";
        header.nPages = 1;
        header.phpage = pages;
        uitest::ScriptScope scope(script);
        return PropertySheetW(&header);
    }
    orla_ui_test::LibraryPtr interfaceDll_;
};

}  // namespace pages_test
