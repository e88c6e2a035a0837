// Pages in a property sheet of their own, run by a scripted user: each idle turn of the innermost
// modal loop (the sheet, or a dialog a page opened) takes the next step. A sheet test ends with no
// message box shown that its script did not expect.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "core/build_variant.h"
#include "plat/message_box.h"
#include "tests/pages/page_fixture.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"

namespace pages_test {

// The sheet's current page.
inline HWND PageOf(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
// The combo entry whose item data is data; -1 when none.
inline int IndexWithData(HWND dialog, int id, LPARAM data) {
    const auto n = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i)
        if (SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, i, 0) == data) return i;
    return -1;
}
// The dialog has the control and it is enabled.
inline bool Enabled(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

// One page of a sheet: its dialog template and dialog procedure.
struct SheetPageDescription {
    WORD templateId;
    DLGPROC proc;
};

class PageSheet : public PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        if (HasFatalFailure()) return;
        PlatResetMessageBoxes();
    }
    void TearDown() override {
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
        PlatResetMessageBoxes();
        if (interfaceDll_) orla::SetInterfaceModule(nullptr);
        PageSandbox::TearDown();
        interfaceDll_.reset();
    }
    // The interface DLL loaded and made the interface module: the pages' pictures and icons come
    // from its own resources, as its entry point arranges.
    void LoadInterfaceModule() {
        interfaceDll_ = orla_ui_test::LibraryPtr(LoadLibraryW(orla::kJapaneseBuild ? u"Talvex.dll" : u"Morvin.dll"));
        ASSERT_TRUE(interfaceDll_);
        orla::SetInterfaceModule(interfaceDll_.get());
    }
    // The pages in their order, each given the page context, as the driver adds them (the sheet
    // shows Help); the script's first step sees the first page.
    INT_PTR RunSheet(uitest::Script& script, std::initializer_list<SheetPageDescription> described) {
        std::vector<HPROPSHEETPAGE> handles;
        for (const SheetPageDescription& one : described) {
            PROPSHEETPAGEW describe{};
            describe.dwSize = sizeof describe;
            describe.dwFlags = PSP_HASHELP;
            describe.hInstance = ui_->hResDll;
            describe.pszTemplate = MAKEINTRESOURCEW(one.templateId);
            describe.pfnDlgProc = one.proc;
            describe.lParam = reinterpret_cast<LPARAM>(&page_);
            handles.push_back(CreatePropertySheetPageW(&describe));
            EXPECT_TRUE(handles.back());
        }
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_DEFAULT;
        header.pszCaption = u"Halvoric";
        header.nPages = static_cast<UINT>(handles.size());
        header.phpage = handles.data();
        uitest::ScriptScope scope(script);
        return PropertySheetW(&header);
    }
    // One page alone in a sheet.
    INT_PTR RunPage(uitest::Script& script, WORD templateId, DLGPROC proc) {
        return RunSheet(script, {{templateId, proc}});
    }
    orla_ui_test::LibraryPtr interfaceDll_;
};

}  // namespace pages_test
