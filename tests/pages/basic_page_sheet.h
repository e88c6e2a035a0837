// The basic page alone in a property sheet, run by a scripted user: each idle turn of the
// innermost modal loop (the sheet, or a dialog the page opened) takes the next step.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/build_variant.h"
#include "outside/htmlhelp/html_help_script.h"
#include "plat/message_box.h"
#include "plat/threads.h"
#include "tests/pages/page_sheet.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/basic_page.h"
#include "ui/pages/context_help.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"

namespace pages_test {

class BasicPageSheet : public PageSheet {
protected:
    void SetUp() override {
        PageSheet::SetUp();
        if (HasFatalFailure()) return;
        // The duplex unit is installed, so the duplex combo offers both bindings.
        Set(ui_->currentDevmode, orla::dm::DeviceState(orla::dm::kDuplex), WORD{8});
        // The pictures come from the interface DLL's own bitmaps, as its entry point arranges.
        LoadInterfaceModule();
    }
    INT_PTR Run(uitest::Script& script) { return RunPage(script, 520, orla::BasicPageProc); }
};

// The help control stand-in copied into the sandbox and registered, its call log emptied, and the
// context's help file named: what a page's help needs. It goes with its owner.
struct HelpStandIn {
    void Load(orla::UiContext* ui) {
        ASSERT_TRUE(
            PlatCopyIntoSandbox((orla_test::BinDir() + "/hhctrl.ocx").c_str(), u"C:\\Windows\\System32\\hhctrl.ocx"));
        module.reset(LoadLibraryW(u"C:\\Windows\\System32\\hhctrl.ocx"));
        ASSERT_NE(module, nullptr);
        auto reg = orla_ui_test::ProcEntry<LONG (*)(void)>(module.get(), "DllRegisterServer");
        ASSERT_TRUE(reg);
        ASSERT_EQ(reg(), 0);
        log = orla_ui_test::ProcEntry<PFN_HtmlHelpCallLog>(module.get(), "HtmlHelpCallLog");
        reset = orla_ui_test::ProcEntry<PFN_HtmlHelpReset>(module.get(), "HtmlHelpReset");
        ASSERT_TRUE(log && reset);
        reset();
        const std::u16string file = u"C:\\help\\orla.chm";
        file.copy(ui->helpFile, file.size());
        ui->helpFile[file.size()] = 0;
    }
    // Loaded for a test, with no earlier failure to load help remembered.
    void Start(orla::UiContext* ui) {
        orla::ResetHelpLoadFailure();
        Load(ui);
    }
    // The help threads ended, the stand-in unloaded and a failure to load help forgotten.
    void Stop() {
        PlatWaitForThreadsToEnd(5000);
        module.reset();
        orla::ResetHelpLoadFailure();
    }
    std::u16string Log() const { return orla_ui_test::ReadTwoCallLog(log); }
    orla_ui_test::LibraryPtr module;
    PFN_HtmlHelpCallLog log = nullptr;
    PFN_HtmlHelpReset reset = nullptr;  // empties the call log
};

}  // namespace pages_test
