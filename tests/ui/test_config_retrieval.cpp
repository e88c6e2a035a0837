// The configuration-retrieval dialog: a printer that reports its configuration without needing a
// refresh is read at once; a refused refresh warns; either way the status manager is given back.
#include "outside/dorlik/dorlik_api.h"
#include "plat/control.h"
#include "plat/message_box.h"
#include "plat/threads.h"
#include "plat/window_test.h"
#include "resources/lang/sheet_ids.h"
#include "ui/pages/config_retrieval.h"
#include "ui_fixture.h"

using namespace orla_ui_test;
using namespace orla;

namespace {

// Real-time bound for the threads to end: it only decides how long a broken run takes to fail,
// so it is generous enough for a loaded sanitizer run.
constexpr DWORD kRetrievalThreadsEndMs = 30000;

// The scripted user's turn in the dialog's loop: a user who never acts (the dialog must end on
// its own).
struct Turn {
    int turns = 0;
    static BOOL Run(HWND, void* self) {
        ++static_cast<Turn*>(self)->turns;
        return FALSE;
    }
};

class ConfigRetrieval : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        PlatSetModalIdleHandler(Turn::Run, &turn_);
    }
    void TearDown() override {
        PlatSetModalIdleHandler(nullptr, nullptr);
        PlatClockSetManual(FALSE);
        context_.reset();
        manager_.reset();
        UiSandbox::TearDown();
    }
    void Prepare(DWORD extStatus) {
        InstallSamplePrinter();
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/Dorlik.dll").c_str(), u"C:\\Windows\\System32\\Dorlik.DLL"));
        manager_.reset(LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL"));
        ASSERT_NE(manager_, nullptr);
        auto write = ProcEntry<PFN_DorlikWriteVariable>(manager_.get(), "DorlikWriteVariable");
        ASSERT_NE(write, nullptr);
        ASSERT_EQ(write(u"Halvoric", "PrinterExtStatus", &extStatus, 4), DORLIK_OK);
        context_.reset(CreateUiContext(printer_, nullptr));
        ASSERT_NE(context_, nullptr);
        pc_.uiContext = context_.get();
    }
    INT_PTR Run() {
        return DialogBoxParamW(context_->hResDll, MAKEINTRESOURCEW(orla_res::kTemplateConfigRetrieval), nullptr,
                               DeviceConfigRetrievalDialogProc, reinterpret_cast<LPARAM>(&pc_));
    }
    Turn turn_;
    LibraryPtr manager_;
    ContextPtr context_;
    PageContext pc_{};
};

}  // namespace

TEST_F(ConfigRetrieval, ReadAtOnceWhenNoRefreshIsNeeded) {
    ASSERT_NO_FATAL_FAILURE(Prepare(kConfigFromPrinter | kConfigNoRefreshNeeded));
    EXPECT_EQ(Run(), TRUE);
    EXPECT_EQ(context_->printerConfig.hStatusLib, nullptr);
    EXPECT_EQ(context_->printerConfig.pendingRequest, 0u);
}

// A refresh the status manager refuses (no monitor serves the printer): the warning with the
// printer's name, FALSE, and the manager given back.
TEST_F(ConfigRetrieval, RefusedRefreshWarnsAndReleases) {
    ASSERT_NO_FATAL_FAILURE(Prepare(kConfigFromPrinter));
    PlatResetMessageBoxes();
    PlatQueueMessageBoxAnswer(IDOK);
    EXPECT_EQ(Run(), FALSE);
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    EXPECT_FALSE(box.unexpected);
    EXPECT_EQ(std::u16string(box.text), ResourceText(printer_, kMessageConfigNotRead));
    EXPECT_EQ(std::u16string(box.caption), u"Halvoric");
    EXPECT_EQ(box.flags & MB_ICONWARNING, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(context_->printerConfig.hStatusLib, nullptr);
    EXPECT_EQ(context_->printerConfig.hManager, nullptr);
    EXPECT_EQ(context_->printerConfig.pendingRequest, 0u);
    EXPECT_TRUE(PlatWaitForThreadsToEnd(kRetrievalThreadsEndMs));
}
