// The basic page's own steps when it opens and becomes active: the printer's configuration read
// again, the pictures beside the controls, restoring the defaults with the settings tree open, and
// help on every control by F1 and What's-this.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "outside/dorlik/dorlik_api.h"
#include "outside/htmlhelp/html_help_script.h"
#include "plat/menu_script.h"
#include "plat/threads.h"
#include "plat/window_test.h"
#include "resources/lang/sheet_ids.h"
#include "tests/pages/basic_page_sheet.h"
#include "ui/entry/printer_config.h"
#include "ui/pages/context_help.h"
#include "win/tree_view.h"
#include "win/user_gdi.h"

namespace {

using namespace orla;

using pages_test::PageOf;
using uitest::Script;

// The sheet's icons in the order the page context keeps them: shared icons, then owned images.
constexpr WORD kSharedIconIds[] = {778, 775, 776, 777, 774, 715, 716, 717, 718, 719, 720, 721, 722, 724,
                                   725, 727, 728, 901, 902, 768, 769, 734, 735, 783, 784, 705, 707, 709,
                                   706, 708, 713, 712, 711, 710, 789, 790, 791, 792, 793, 794, 795, 796};
constexpr WORD kOwnedImageIds[] = {703, 704, 771, 731, 732, 779, 772, 733, 736, 737, 797, 738, 780, 781, 782};
static_assert(std::size(kSharedIconIds) == kSharedIconCount && std::size(kOwnedImageIds) == kOwnedIconCount);

HICON IconOf(HWND dialog, int id) {
    return reinterpret_cast<HICON>(SendDlgItemMessageW(dialog, id, STM_GETICON, 0, 0));
}

// The page with the sheet's icons loaded into its context, as page creation loads them.
class BasicPageSteps : public pages_test::BasicPageSheet {
protected:
    void SetUp() override {
        BasicPageSheet::SetUp();
        for (size_t i = 0; i < std::size(kSharedIconIds); ++i)
            page_.icons[i] = LoadIconW(interfaceDll_.get(), MAKEINTRESOURCEW(kSharedIconIds[i]));
        for (size_t i = 0; i < std::size(kOwnedImageIds); ++i)
            page_.images[i] = LoadIconW(interfaceDll_.get(), MAKEINTRESOURCEW(kOwnedImageIds[i]));
    }
    void TearDown() override {
        manager_.reset();
        BasicPageSheet::TearDown();
    }
    HICON SheetIcon(WORD id) const {
        for (size_t i = 0; i < std::size(kSharedIconIds); ++i)
            if (kSharedIconIds[i] == id) return page_.icons[i];
        for (size_t i = 0; i < std::size(kOwnedImageIds); ++i)
            if (kOwnedImageIds[i] == id) return page_.images[i];
        return nullptr;
    }
    // The status manager installed with the variables the monitor publishes for the printer.
    void InstallStatusManager(DWORD extStatus, const std::vector<BYTE>& options) {
        ASSERT_TRUE(
            PlatCopyIntoSandbox((orla_test::BinDir() + "/Dorlik.dll").c_str(), u"C:\\Windows\\System32\\Dorlik.DLL"));
        manager_.reset(LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL"));
        ASSERT_NE(manager_, nullptr);
        auto write = orla_ui_test::ProcEntry<PFN_DorlikWriteVariable>(manager_.get(), "DorlikWriteVariable");
        ASSERT_NE(write, nullptr);
        ASSERT_EQ(write(u"Halvoric", "PrinterExtStatus", &extStatus, 4), DORLIK_OK);
        ASSERT_EQ(write(u"Halvoric", "PrinterOptConfig", options.data(), DWORD(options.size())), DORLIK_OK);
    }
    orla_ui_test::LibraryPtr manager_;
};

// Opening the page reads what the printer reports into the record before anything is shown.
TEST_F(BasicPageSteps, OpeningThePageReadsThePrintersConfigurationAgain) {
    // The printer reports its configuration with the duplex unit installed.
    const std::vector<BYTE> duplexInstalled = {1, 0, 0, 0, 1, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_NO_FATAL_FAILURE(InstallStatusManager(kConfigFromPrinter | kConfigNoRefreshNeeded, duplexInstalled));
    DriverDevmode& r = ui_->currentDevmode;
    ui_->printerConfig.extStatus = 0;
    Set(r, dm::DeviceState(dm::kDuplex), WORD{0});
    Set(r, dm::Flags2, Get(r, dm::Flags2) & ~kFlags2NoMemoryRule);
    bool duplexOffered = false;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        EXPECT_NE(ui_->printerConfig.extStatus & kConfigFromPrinter, 0u);
        EXPECT_NE(Get(r, dm::Flags2) & kFlags2NoMemoryRule, 0u) << "the printer reports its status";
        EXPECT_TRUE(DeviceInstalled(r, dm::kDuplex));
        duplexOffered = pages_test::IndexWithData(PageOf(sheet), kIdDuplex, 523) >= 0;
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    EXPECT_TRUE(duplexOffered) << "the duplex combo was filled from the configuration just read";
}

// Each control's picture: the sheet's icon that stands for it, the orientation picture by the
// orientation and the sheet setting, and the page's own pictures, given back when the page goes.
TEST_F(BasicPageSteps, PicturesStandBesideTheirControls) {
    const struct {
        int control;
        WORD icon;
    } pictures[] = {{basic_ids::kPaperSizePicture, 731}, {basic_ids::kOutputPaperPicture, 732},
                    {basic_ids::kCopiesPicture, 738},    {basic_ids::kZoomPicture, 733},
                    {basic_ids::kDuplexPicture, 716},    {basic_ids::kBindingPicture, 721},
                    {basic_ids::kLayoutPicture, 703},    {basic_ids::kOrderPicture, 705},
                    {basic_ids::kEntryModePicture, 779}, {basic_ids::kBanner, 782}};
    const DWORD iconsBefore = PlatLiveIconCount();
    Set(ui_->currentDevmode, dm::Orientation, SHORT{DMORIENT_PORTRAIT});
    Set(ui_->currentDevmode, dm::SheetSetting, DWORD{0});
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        for (const auto& p : pictures) {
            ASSERT_TRUE(GetDlgItem(page, p.control)) << p.control;
            EXPECT_EQ(IconOf(page, p.control), SheetIcon(p.icon)) << p.control;
            EXPECT_NE(IconOf(page, p.control), nullptr) << p.control;
        }
        EXPECT_EQ(IconOf(page, basic_ids::kOrientationPicture), SheetIcon(734));
        for (int own : {basic_ids::kPaperPathPicture, basic_ids::kFavouritesPicture, basic_ids::kSummaryPicture,
                        basic_ids::kDefaultsPicture})
            EXPECT_NE(IconOf(page, own), nullptr) << own;
        EXPECT_EQ(PlatLiveIconCount(), iconsBefore + 4) << "the page's own four pictures";
        EXPECT_TRUE(PlatClick(GetDlgItem(page, kIdLandscape)));
    });
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        EXPECT_EQ(IconOf(page, basic_ids::kOrientationPicture), SheetIcon(735));
        EXPECT_TRUE(PlatClick(GetDlgItem(page, kIdSaveSheet)));  // the pages turned half round
    });
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        EXPECT_EQ(IconOf(page, basic_ids::kOrientationPicture), SheetIcon(784));
        EXPECT_TRUE(PlatClick(GetDlgItem(page, kIdPortrait)));
    });
    script.steps.push_back([&](HWND sheet) {
        EXPECT_EQ(IconOf(PageOf(sheet), basic_ids::kOrientationPicture), SheetIcon(783));
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PlatLiveIconCount(), iconsBefore) << "the page's own pictures went with it";
}

// The printer picture is the wide one: drawn at its own size it spans more than a square icon.
TEST_F(BasicPageSteps, ThePrinterWithItsPaperPathIsTheWidePicture) {
    int width = 0, height = 0;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HICON icon = IconOf(PageOf(sheet), basic_ids::kPaperPathPicture);
        ASSERT_NE(icon, nullptr);
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 100, 50);
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all{0, 0, 100, 50};
        HBRUSH white = CreateSolidBrush(0xFFFFFF);
        FillRect(dc, &all, white);
        DeleteObject(white);
        EXPECT_TRUE(DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 100; ++x)
                if (GetPixel(dc, x, y) != 0xFFFFFF) width = std::max(width, x + 1), height = std::max(height, y + 1);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_GT(width, 32);
    EXPECT_LE(width, 64);
    EXPECT_LE(height, 32);
}

// Restoring the defaults brings a settings tree with a row selected back to its root; a tree
// without a selection is left alone.
TEST_F(BasicPageSteps, RestoringDefaultsSelectsTheTreesRootWhenARowIsSelected) {
    for (bool selected : {true, false}) {
        SCOPED_TRACE(selected ? "a row selected" : "no selection");
        HTREEITEM root = nullptr, child = nullptr;
        LRESULT after = 0;
        Set(ui_->currentDevmode, dm::Copies, SHORT{5});
        Script script;
        script.steps.push_back([&](HWND sheet) {
            HWND page = PageOf(sheet);
            HWND tree = CreateWindowExW(0, WC_TREEVIEWW, u"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, page, nullptr,
                                        nullptr, nullptr);
            ASSERT_TRUE(tree);
            TVINSERTSTRUCTW insert{};
            insert.hParent = TVI_ROOT;
            insert.item.mask = TVIF_TEXT;
            insert.item.pszText = const_cast<LPWSTR>(u"Settings");
            root =
                reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
            insert.hParent = root;
            insert.item.pszText = const_cast<LPWSTR>(u"Copies");
            child =
                reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
            ASSERT_TRUE(root && child);
            SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
            if (selected) SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
            page_.hTree = tree;
            EXPECT_TRUE(PlatClick(GetDlgItem(page, basic_ids::kRestoreDefaults)));
            after = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
            page_.hTree = nullptr;
            DestroyWindow(tree);
            EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
        });
        Run(script);
        EXPECT_FALSE(script.ranOut);
        EXPECT_EQ(Get(ui_->currentDevmode, dm::Copies), Get(ui_->defaultDevmode, dm::Copies));
        EXPECT_EQ(after, selected ? reinterpret_cast<LRESULT>(root) : 0);
    }
}

// ---- Help on every control ------------------------------------------------------------------

class BasicPageControlHelp : public BasicPageSteps {
protected:
    void SetUp() override {
        BasicPageSteps::SetUp();
        help_.Start(ui_.get());
        if (HasFatalFailure()) return;
        PlatResetMenus();
    }
    void TearDown() override {
        help_.Stop();
        EXPECT_EQ(PlatUnexpectedMenuCount(), 0u);
        PlatResetMenus();
        BasicPageSteps::TearDown();
    }
    std::u16string Log() { return help_.Log(); }
    pages_test::HelpStandIn help_;
};

// F1 on a control and What's-this on it open the control's topic: the page's topic, the
// defaults topic for the restore-defaults button. Labels (no id of their own) have none.
TEST_F(BasicPageControlHelp, F1AndWhatsThisOpenHelpOnEveryControl) {
    const std::u16string pageTopic = u"15 C:\\help\\orla.chm 32785 -> window\n";
    const std::u16string defaultsTopic = u"15 C:\\help\\orla.chm 20505 -> window\n";
    std::vector<int> tried;
    Script script;
    script.steps.reserve(512);  // steps are added while the first runs: no reallocation meanwhile
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            const int id = GetDlgCtrlID(c);
            if (id == 0xFFFF || id == -1 || !IsWindowVisible(c) || !IsWindowEnabled(c)) continue;
            tried.push_back(id);
            const std::u16string topic = id == basic_ids::kRestoreDefaults ? defaultsTopic : pageTopic;
            script.steps.push_back([&, c, id, topic](HWND) {
                help_.reset();
                EXPECT_TRUE(PlatPressF1(c)) << id;
                EXPECT_EQ(Log(), topic) << "F1 on " << id;
                PlatQueueMenuChoice(orla_res::kCommandWhatsThis);
                EXPECT_TRUE(PlatRightClick(c)) << id;
            });
            // The menu's command arrives as a message; the next turn finds the help it opened.
            script.steps.push_back(
                [&, id, topic](HWND) { EXPECT_EQ(Log(), topic + topic) << "What's-this on " << id; });
        }
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    // Every kind of control was among them: combos, buttons, edits, the preview and the pictures.
    using namespace basic_ids;
    for (int id : {kFavourites, kPaperSize,     kOutputPaper, kPortrait,         kCopies,
                   kCopiesSpin, kZoom,          kDuplex,      kLayout,           kSavePaper,
                   kEntryMode,  kPreview,       kPrinter,     kPaperSizePicture, kOrientationPicture,
                   kBanner,     kLayoutDetails, kSummary,     kRestoreDefaults,  kHelp})
        EXPECT_NE(std::find(tried.begin(), tried.end(), id), tried.end()) << id;
}

}  // namespace
