// The option-list page alone in a property sheet, run by a scripted user as the other pages' tests
// run theirs, and the settings-record fields it writes by their offsets (both builds share them).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/build_variant.h"
#include "plat/message_box.h"
#include "plat/window_test.h"
#include "tests/pages/page_sheet.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/option_list_page.h"
#include "win/property_sheet.h"
#include "win/registry.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace pages_test {

namespace option_fields {
using orla::DmField;
using orla::DmText;
inline constexpr DmField<DWORD> kFlags1{396}, kFlags1Copy{788}, kTraySet{404}, kMemory{624};
inline constexpr DmText kJobUser{554, 17};
inline constexpr DmText kUserText{588, 18};
inline constexpr DmField<WORD> kPrintDensity{498}, kPrintDensityCopy{882};
constexpr DmField<WORD> StateWord(unsigned offset) {
    return {offset};
}
inline constexpr DWORD kBlankPages = 0x10000000, kTonerSave = 0x00020000, kShowUserName = 0x00200000,
                       kShowOwnText = 0x00400000, kRasterMode = 0x00000800, kManualJoins = 0x00000040;
}  // namespace option_fields

// The line of the list whose item data is the item; -1 when none.
inline int ItemLine(HWND page, WORD item) {
    const auto n = SendDlgItemMessageW(page, orla::option_ids::kItems, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i)
        if (SendDlgItemMessageW(page, orla::option_ids::kItems, LB_GETITEMDATA, i, 0) == item) return i;
    return -1;
}

inline PLAT_CONTROL_STATE ReadControl(HWND page, int id) {
    PLAT_CONTROL_STATE state{};
    EXPECT_TRUE(PlatReadControl(GetDlgItem(page, id), &state)) << id;
    return state;
}

class OptionListSheet : public PageSheet {
protected:
    void SetUp() override {
        PageSheet::SetUp();
        if (HasFatalFailure()) return;
        // The English build shows its own texts: the user's locale picks the English resource DLL.
        if (!orla::kJapaneseBuild) UseEnglishResources();
        if (HasFatalFailure()) return;
        ui_->flags |= orla::kUiDocumentSheets | orla::kUiCanChange;
        // The note icons and the about icon come from the interface DLL's own icons.
        LoadInterfaceModule();
        // The note icons, first of the page context's shared icons as the sheet loads them.
        const WORD noteIcons[] = {778, 775, 776, 777, 774};
        for (int i = 0; i < 5; ++i) page_.icons[i] = LoadIconW(interfaceDll_.get(), MAKEINTRESOURCEW(noteIcons[i]));
        PlatResetBeeps();
    }
    INT_PTR Run(uitest::Script& script) {
        return RunPage(script, orla::option_ids::kTemplatePage, orla::OptionListPageProc);
    }
    // The trust-marking stand-in in the driver folder and named in the machine registry; script:
    // its answers ("CreateHandle=fail" refuses every printer).
    static void InstallTrustLibrary(const char* script = "") { InstallTrustStandIn(orla_test::Widen(script)); }
    // The graphics DLL the UI context names as its driver file, where the spooler keeps it.
    void InstallDriverFile() {
        const char* dll = orla::kJapaneseBuild ? "Quessa.dll" : "Brindal.dll";
        ASSERT_TRUE(PlatCopyIntoSandbox((orla_test::BinDir() + "/" + dll).c_str(), ui_->driverPath));
    }
    // The print density and its copy (the constraint pass keeps them together).
    void SetDensity(WORD value) {
        Set(ui_->currentDevmode, option_fields::kPrintDensity, value);
        Set(ui_->currentDevmode, option_fields::kPrintDensityCopy, value);
    }
    // A step that selects the item's line as a user clicks it.
    static void SelectItem(HWND sheet, WORD item) {
        HWND page = PageOf(sheet);
        const int line = ItemLine(page, item);
        ASSERT_GE(line, 0) << item;
        EXPECT_TRUE(PlatChoose(GetDlgItem(page, orla::option_ids::kItems), line)) << item;
    }
};

}  // namespace pages_test
