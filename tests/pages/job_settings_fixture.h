// The print-time job settings dialog on the sample printer, run by a scripted user, with the
// interface DLL's own pictures.
#pragma once

#include <gtest/gtest.h>

#include "core/build_variant.h"
#include "plat/message_box.h"
#include "plat/window_test.h"
#include "resources/lang/job_settings_ids.h"
#include "tests/pages/page_fixture.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/job_settings.h"
#include "win/user_controls.h"

namespace pages_test {

namespace js = orla_res::job_settings;

// The close box of a dialog: the command it sends.
inline void PressCloseBox(HWND dialog) {
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

inline PLAT_CONTROL_STATE ControlState(HWND dialog, int id) {
    PLAT_CONTROL_STATE state{};
    EXPECT_TRUE(PlatReadControl(GetDlgItem(dialog, id), &state)) << id;
    return state;
}

class JobSettingsDialog : public PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        interfaceDll_ = orla_ui_test::LibraryPtr(LoadLibraryW(orla::kJapaneseBuild ? u"Talvex.dll" : u"Morvin.dll"));
        ASSERT_TRUE(interfaceDll_);
        orla::SetInterfaceModule(interfaceDll_.get());
        PlatResetMessageBoxes();
        // The document event opens the dialog on a context whose settings may be changed.
        ui_->flags |= orla::kUiCanChange;
        WithOptions(true, true);
        page_.hotItem = orla::kNoHotItem;
    }
    void TearDown() override {
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
        PlatResetMessageBoxes();
        orla::SetInterfaceModule(nullptr);
        PageSandbox::TearDown();
        interfaceDll_.reset();
    }
    void WithOptions(bool duplex, bool lcs) {
        for (orla::DriverDevmode* r : {&ui_->currentDevmode, &ui_->defaultDevmode}) {
            Set(*r, orla::dm::DeviceState(orla::dm::kDuplex), WORD{duplex ? orla::dm::kDeviceInstalled : WORD{0}});
            Set(*r, orla::dm::DeviceState(orla::dm::kLcs), WORD{lcs ? orla::dm::kDeviceInstalled : WORD{0}});
        }
    }
    // A dialog the script left open ends with kLeftOpen rather than hanging the test.
    static constexpr INT_PTR kLeftOpen = -7;
    INT_PTR Run(uitest::Script& script) {
        script.steps.push_back([](HWND d) { EndDialog(d, kLeftOpen); });
        uitest::ScriptScope scope(script);
        return DialogBoxParamW(ui_->hResDll, MAKEINTRESOURCEW(js::kTemplate), nullptr, orla::JobSettingsDlgProc,
                               reinterpret_cast<LPARAM>(&page_));
    }
    orla::DriverDevmode& Record() { return ui_->currentDevmode; }
    orla_ui_test::LibraryPtr interfaceDll_;
};

}  // namespace pages_test
