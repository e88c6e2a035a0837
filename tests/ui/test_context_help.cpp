// Context help and the page context's tables: help ids by control, HTML Help on its own thread
// with the ten-second give-up on the hand-moved clock (nothing written to the caller after it,
// the request block freed by whoever is last), a help control that cannot be loaded, and the
// small-icon table's bounds; page creation against a sheet function that refuses a page.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "outside/htmlhelp/html_help_script.h"
#include "plat/control.h"
#include "plat/threads.h"
#include "plat/window_test.h"
#include "ui/pages/context_help.h"
#include "ui/pages/page_creation.h"
#include "ui_fixture.h"
#include "win/compstui.h"

using namespace orla_ui_test;
using namespace orla;

namespace {

// Real-time bound for the threads to end: it only decides how long a broken run takes to fail,
// so it is generous enough for a loaded sanitizer run.
constexpr DWORD kHelpThreadsEndMs = 30000;
constexpr DWORD kWaiterBoundMs = 30000;  // a hang guard: the waits end as soon as the caller waits


class ContextHelp : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        ResetHelpLoadFailure();
    }
    void TearDown() override {
        if (reset_) reset_();  // lets any hung call go
        PlatWaitForThreadsToEnd(kHelpThreadsEndMs);
        PlatClockSetManual(FALSE);
        control_.reset();
        ResetHelpLoadFailure();
        UiSandbox::TearDown();
    }
    // The help control installed and registered where the driver looks it up.
    void InstallHelpControl() {
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/hhctrl.ocx").c_str(), u"C:\\Windows\\System32\\hhctrl.ocx"));
        control_.reset(LoadLibraryW(u"C:\\Windows\\System32\\hhctrl.ocx"));
        ASSERT_NE(control_, nullptr);
        auto reg = ProcEntry<LONG (*)(void)>(control_.get(), "DllRegisterServer");
        ASSERT_TRUE(reg);
        ASSERT_EQ(reg(), 0);
        log_ = ProcEntry<PFN_HtmlHelpCallLog>(control_.get(), "HtmlHelpCallLog");
        hang_ = ProcEntry<PFN_HtmlHelpHang>(control_.get(), "HtmlHelpHang");
        reset_ = ProcEntry<PFN_HtmlHelpReset>(control_.get(), "HtmlHelpReset");
        ASSERT_TRUE(log_ && hang_ && reset_);
        reset_();
    }
    LibraryPtr control_;
    PFN_HtmlHelpCallLog log_ = nullptr;
    PFN_HtmlHelpHang hang_ = nullptr;
    PFN_HtmlHelpReset reset_ = nullptr;
};

}  // namespace

TEST(HelpTable, LookupKeepsTheFirstMatch) {
    const HelpIdPair table[] = {{1201, 3001}, {1202, 3002}, {1201, 3999}, {0, 0}};
    struct Case {
        DWORD control;
        BOOL found;
        DWORD helpId;
    } const cases[] = {{1201, TRUE, 3001}, {1202, TRUE, 3002}, {1500, FALSE, 0}, {0, FALSE, 0}};
    PageContext pc{};
    for (const Case& c : cases) {
        pc.helpId = 77;  // cleared by every lookup
        EXPECT_EQ(LookupHelpId(&pc, c.control, table), c.found) << c.control;
        EXPECT_EQ(pc.helpId, c.helpId) << c.control;
    }
    EXPECT_FALSE(LookupHelpId(&pc, 1201, nullptr));
    EXPECT_FALSE(LookupHelpId(nullptr, 1201, table));
}

TEST(SmallImages, IndexByIconIdStaysInsideTheTable) {
    PageContext pc{};
    struct Case {
        UINT id;
        BOOL inside;
    } const cases[] = {{699, FALSE}, {700, TRUE}, {773, TRUE}, {960, TRUE}, {961, FALSE}, {0xFFFF, FALSE}};
    for (const Case& c : cases) {
        EXPECT_EQ(SetSmallImageIndex(&pc, c.id, 5), c.inside) << c.id;
        EXPECT_EQ(SmallImageIndex(pc, c.id), c.inside ? 5 : -1) << c.id;
    }
    EXPECT_EQ(pc.hotItem, 0);  // the field after the table was never written
}

TEST_F(ContextHelp, OpensTheTopicOwnedByTheDesktop) {
    ASSERT_NO_FATAL_FAILURE(InstallHelpControl());
    EXPECT_NE(ShowHtmlHelpAsync(nullptr, kSampleHelpFile, kHelpContextCommand, 3001), nullptr);
    EXPECT_EQ(ReadTwoCallLog(log_), u"15 C:\\help\\orla.chm 3001 -> window\n");
    EXPECT_EQ(LiveHelpCallCount(), 0u);
}

// A viewer that never answers: the caller returns 0 after ten seconds of the hand-moved clock;
// the late answer goes to the request block, which the thread frees when it is done.
TEST_F(ContextHelp, HungHelpIsGivenUpAfterTenSeconds) {
    ASSERT_NO_FATAL_FAILURE(InstallHelpControl());
    PlatClockSetManual(TRUE);
    hang_(TRUE);
    std::atomic<bool> returned{false};
    HWND answer = reinterpret_cast<HWND>(1);
    std::thread caller([&] {
        answer = ShowHtmlHelpAsync(nullptr, kSampleHelpFile, kHelpContextCommand, 7);
        returned = true;
    });
    // Until the caller waits on the hand-moved clock; the real-time bound only ends a broken run.
    ASSERT_TRUE(PlatClockWaitForSettledWaiters(1, kWaiterBoundMs)) << "the caller never waited on the clock";
    PlatClockAdvance(kHelpWaitMs - 1);
    // A millisecond short of ten seconds: the caller wakes, finds time left and waits again.
    EXPECT_TRUE(PlatClockWaitForSettledWaiters(1, kWaiterBoundMs)) << "the caller stopped waiting early";
    EXPECT_FALSE(returned.load());
    PlatClockAdvance(1);
    caller.join();
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(LiveHelpCallCount(), 1u);  // the thread still holds its block
    reset_();                            // the viewer comes up at last
    ASSERT_TRUE(PlatWaitForThreadsToEnd(kHelpThreadsEndMs));
    EXPECT_EQ(LiveHelpCallCount(), 0u);
}

// With the registered control missing every call answers 0; the failure is remembered across
// threads, and a control registered later is not tried until the flag is reset.
TEST_F(ContextHelp, MissingControlAnswersZeroAndIsNotRetried) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    const std::u16string gone = u"C:\\nowhere\\hhctrl.ocx";
    ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(gone.c_str()),
                             static_cast<DWORD>((gone.size() + 1) * sizeof(WCHAR))),
              0);
    RegCloseKey(key);
    std::thread a([] { EXPECT_EQ(ShowHtmlHelpAsync(nullptr, kSampleHelpFile, kHelpContextCommand, 1), nullptr); });
    std::thread b([] { EXPECT_EQ(ShowHtmlHelpAsync(nullptr, kSampleHelpFile, kHelpContextCommand, 2), nullptr); });
    a.join();
    b.join();
    ASSERT_NO_FATAL_FAILURE(InstallHelpControl());
    EXPECT_EQ(ShowHtmlHelpAsync(nullptr, kSampleHelpFile, kHelpContextCommand, 3), nullptr);
    EXPECT_EQ(ReadTwoCallLog(log_), u"");
    ResetHelpLoadFailure();
    EXPECT_NE(ShowHtmlHelpAsync(nullptr, kSampleHelpFile, kHelpContextCommand, 4), nullptr);
    EXPECT_EQ(LiveHelpCallCount(), 0u);
}

namespace {

// A sheet function that takes pages until the n-th and keeps what it took.
struct FakeSheet {
    UINT refuse = 0;
    UINT calls = 0;
    std::vector<HPROPSHEETPAGE> pages;
};
LONG_PTR FakeSheetFunction(HANDLE sheet, DWORD function, LPARAM page, LPARAM) {
    auto* s = static_cast<FakeSheet*>(sheet);
    if (function != CPSFUNC_ADD_HPROPSHEETPAGE) return -1;
    if (++s->calls == s->refuse) return 0;
    s->pages.push_back(reinterpret_cast<HPROPSHEETPAGE>(page));
    return page;
}

}  // namespace

// Every refusal pattern: the page context is freed exactly once, after the last page that
// points at it is released, never before; its image lists go with it.
TEST_F(ContextHelp, PageCreationFreesTheContextOnceWhateverIsRefused) {
    InstallSamplePrinter("HV4400KJ.KDD", u"Halvoric", kSampleHelpFile);
    struct Case {
        DWORD sheetFlags;
        UINT refuse;
        BOOL answer;
        size_t held;
    } const cases[] = {
        {kUiDocumentSheets, 0, TRUE, 5},  {kUiDocumentSheets, 1, FALSE, 0}, {kUiDocumentSheets, 2, FALSE, 1},
        {kUiDocumentSheets, 5, FALSE, 4}, {kUiDeviceSheets, 0, TRUE, 2},    {kUiDeviceSheets, 2, FALSE, 1},
    };
    const DWORD lists = PlatLiveImageListCount();
    for (const Case& c : cases) {
        ContextPtr context(CreateUiContext(printer_, nullptr));
        ASSERT_NE(context, nullptr);
        FakeSheet sheet{c.refuse};
        context->flags = c.sheetFlags | kUiCanChange;
        context->hComPropSheet = &sheet;
        context->pfnComPropSheet = FakeSheetFunction;
        EXPECT_EQ(AddPropertyPages(context.get()), c.answer) << c.refuse;
        EXPECT_EQ(sheet.pages.size(), c.held) << c.refuse;
        EXPECT_EQ(LivePageContextCount(), c.held ? 1u : 0u) << c.refuse;
        if (!c.answer) context.reset();  // the export tears its context down before compstui drops pages
        for (HPROPSHEETPAGE page : sheet.pages) DestroyPropertySheetPage(page);
        EXPECT_EQ(LivePageContextCount(), 0u) << c.refuse;
        EXPECT_EQ(PlatLiveImageListCount(), lists) << c.refuse;
    }
}
