// The device sheet's two pages in a property sheet, run by a scripted user as the basic page's
// tests run theirs, and the settings-record fields they write by their offsets (Japanese build;
// the high ones move with the build).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/build_variant.h"
#include "plat/message_box.h"
#include "plat/window_test.h"
#include "tests/pages/page_sheet.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/device_pages.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"

namespace pages_test {

namespace device_fields {
using orla::DmField;
using orla::DmText;
inline constexpr DmField<DWORD> kFlags2{400}, kFlags2Copy{792};
inline constexpr DmText kJobUser{554, 17};
inline constexpr DmText kUserId{orla::HighOffset(7750), 33};
inline constexpr DmText kPassword{orla::HighOffset(7816), 13};
inline constexpr DmField<DWORD> kMemory{624};
constexpr DmField<WORD> StateWord(unsigned offset) {
    return {offset};
}
constexpr DmField<WORD> ValueWord(unsigned offset) {
    return {offset + 2};
}
}  // namespace device_fields

// A list box line by its item data; -1 when none has it.
inline int LineWithData(HWND dialog, int id, LPARAM data) {
    const auto n = SendDlgItemMessageW(dialog, id, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i)
        if (SendDlgItemMessageW(dialog, id, LB_GETITEMDATA, i, 0) == data) return i;
    return -1;
}

class DeviceSheet : public PageSheet {
protected:
    void SetUp() override {
        PageSheet::SetUp();
        if (HasFatalFailure()) return;
        ui_->flags |= orla::kUiDeviceSheets | orla::kUiCanChange;
        // The printer picture comes from the interface DLL's own bitmaps.
        LoadInterfaceModule();
    }
    // Both pages in their order; the script's first step sees the first page.
    INT_PTR Run(uitest::Script& script) {
        return RunSheet(script, {{orla::device_ids::kTemplateSettings, orla::DeviceSettingsPageProc},
                                 {orla::device_ids::kTemplateOptions, orla::DeviceOptionsPageProc}});
    }
    // A step that turns the sheet to its second page.
    static void ToOptionsPage(HWND sheet) { SendMessageW(sheet, PSM_SETCURSEL, 1, 0); }
};

}  // namespace pages_test
