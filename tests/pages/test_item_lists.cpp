// Setting items as list-box lines: the tray-set text, which items get a line, the labels, and
// the combo step that plays a user's choice.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/device_data.h"
#include "plat/window_test.h"
#include "tests/pages/page_fixture.h"
#include "ui/pages/item_lists.h"
#include "ui/pages/setting_items.h"
#include "win/user_controls.h"

namespace {

using namespace orla;

std::u16string Named(UINT id) {
    const std::string s = "T" + std::to_string(id);
    return std::u16string(s.begin(), s.end());
}

TEST(ItemLists, TraySetTextNamesTheFirstTrayAndNumbersTheRest) {
    struct Case {
        bool manualInstalled, manualJoins;
        bool installed[4];
        DWORD chosen;
        std::u16string expected;
    };
    const Case cases[] = {
        {false, false, {true, true, true, true}, 0xD, u"T301,3,4"},
        {false, false, {true, true, true, true}, 0x0, u"T484"},
        {true, true, {true, true, false, false}, 0x2, u"T1307,T302"},
        {true, false, {true, false, true, false}, 0x6, u"T303"},  // 302 is chosen but not installed
        {false, true, {false, false, false, false}, 0xF, u"T484"},
    };
    for (const Case& c : cases) {
        auto r = std::make_unique<DriverDevmode>();
        Set(*r, dm::DeviceState(dm::kManual), WORD(c.manualInstalled ? 8 : 0));
        Set(*r, dm::Flags1, DWORD(c.manualJoins ? 0x40 : 0));
        const unsigned pairs[] = {dm::kFeeder1, dm::kFeeder2, dm::kFeeder3, dm::kFeeder4};
        for (int i = 0; i < 4; ++i) Set(*r, dm::DeviceState(pairs[i]), WORD(c.installed[i] ? 8 : 0));
        Set(*r, dm::TraySet, c.chosen);
        EXPECT_EQ(TraySetText(*r, Named), c.expected);
    }
}

INT_PTR CALLBACK StorePageProc(HWND h, UINT m, WPARAM, LPARAM l) {
    if (m == WM_INITDIALOG) SetWindowLongPtrW(h, DWLP_USER, l);
    return m == WM_INITDIALOG;
}

struct WindowFree {
    void operator()(HWND__* h) const {
        if (IsWindow(h)) DestroyWindow(h);
    }
};

class ItemListWindow : public pages_test::PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        module_ = orla_ui_test::LibraryPtr(LoadLibraryW(u"PagesTestDialogs.dll"));
        ASSERT_TRUE(module_);
        dialog_.reset(CreateDialogParamW(module_.get(), MAKEINTRESOURCEW(100), nullptr, StorePageProc,
                                         reinterpret_cast<LPARAM>(&page_)));
        ASSERT_TRUE(dialog_);
    }
    void TearDown() override {
        dialog_.reset();
        module_.reset();
        PageSandbox::TearDown();
    }
    std::u16string Line(int i) const {
        WCHAR text[256] = {};
        SendDlgItemMessageW(dialog_.get(), 1101, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        return text;
    }
    orla_ui_test::LibraryPtr module_;
    std::unique_ptr<HWND__, WindowFree> dialog_;
};

TEST_F(ItemListWindow, LinesForShownItemsWithTheirValues) {
    DriverDevmode& r = ui_->currentDevmode;
    const ResolutionList resolutions = Resolutions(ui_->deviceData);
    ASSERT_GE(resolutions.size(), 1u);
    Set(r, dm::PrintQuality, static_cast<SHORT>(resolutions[0].dpi));
    Set(r, dm::FlagsWord, WORD{0});                    // no overlay
    Set(r, dm::DeviceState(dm::kFeeder2), WORD{0});    // tray 302 not installed
    Set(r, dm::DeviceState(dm::kHdd), WORD{0x2});      // hard disk hidden from lists
    Set(r, dm::DeviceState(dm::kFeeder4), WORD{0x8});  // tray 304 installed ...
    Set(r, dm::DeviceChoice(dm::kFeeder4), WORD{3});   // ... of the second kind
    const WORD items[] = {432, 302, 770, 1304, 433};
    FillItemList(dialog_.get(), 0, 1101, items, 0);
    HWND list = GetDlgItem(dialog_.get(), 1101);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, 0, 0), 432);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, 1, 0), 1304);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, 2, 0), 433);
    const std::u16string first = Line(0);
    const std::u16string label = ResolutionLabel(resolutions[0].dpi);
    ASSERT_NE(first.find(u'\t'), std::u16string::npos);
    EXPECT_EQ(first.substr(first.find(u'\t') + 1), label);
    EXPECT_EQ(FormatResolutionLabel(dialog_.get()), label);
    // Refilled, the list keeps its scroll position and takes the new selection.
    SendMessageW(list, LB_SETTOPINDEX, 1, 0);
    FillItemList(dialog_.get(), 2, 1101, items, 2);
    EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 1);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);
    // 302 shows once its tray is installed.
    EXPECT_FALSE(IsItemShown(dialog_.get(), 302));
    Set(r, dm::DeviceState(dm::kFeeder2), WORD{0x8});
    EXPECT_TRUE(IsItemShown(dialog_.get(), 302));
    EXPECT_TRUE(IsItemShown(dialog_.get(), 433));
}

TEST_F(ItemListWindow, NotifyListSelectionStepsAndPostsAUsersChoice) {
    HWND combo = GetDlgItem(dialog_.get(), 1100);
    EXPECT_FALSE(NotifyListSelection(dialog_.get(), 1100));  // empty: no count to step through
    ASSERT_EQ(FillItemChoiceCombo(dialog_.get(), 1302, 1100), 3);
    SendMessageW(combo, CB_SETCURSEL, 2, 0);
    EXPECT_TRUE(NotifyListSelection(dialog_.get(), 1100));
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);  // from the last back to the first
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, dialog_.get(), WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(msg.wParam), 1100);
    EXPECT_EQ(HIWORD(msg.wParam), CBN_SELCHANGE);
    EXPECT_TRUE(NotifyListSelection(dialog_.get(), 1100));
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
}

}  // namespace
