// Setting items through a dialog window: the page context behind the window, the combos the
// items fill, the user's choice written back, and forced choices shown disabled.
#include <gtest/gtest.h>

#include <memory>

#include "core/device_data.h"
#include "plat/window_test.h"
#include "tests/pages/page_fixture.h"
#include "ui/pages/setting_items.h"
#include "win/user_controls.h"

namespace {

using namespace orla;

constexpr int kItemCombo = 1100;

INT_PTR CALLBACK StorePageProc(HWND h, UINT m, WPARAM, LPARAM l) {
    if (m == WM_INITDIALOG) {
        SetWindowLongPtrW(h, DWLP_USER, l);
        return TRUE;
    }
    return FALSE;
}

struct ModuleFree {
    void operator()(HINSTANCE__* m) const { FreeLibrary(m); }
};
struct WindowFree {
    void operator()(HWND__* h) const {
        if (IsWindow(h)) DestroyWindow(h);
    }
};

// Every item whose choices a combo offers.
const WORD kListItems[] = {433, 434, 438, 442, 443, 444, 454, 781, 455, 456, 599,  765,  774, 840,
                           772, 773, 309, 316, 317, 354, 770, 771, 440, 447, 1302, 1303, 1304};

class ItemAccess : public pages_test::PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        module_.reset(LoadLibraryW(u"PagesTestDialogs.dll"));
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
    HWND Dlg() const { return dialog_.get(); }
    PLAT_CONTROL_STATE Read(int id) const {
        PLAT_CONTROL_STATE s{};
        EXPECT_TRUE(PlatReadControl(GetDlgItem(Dlg(), id), &s));
        return s;
    }

    std::unique_ptr<HINSTANCE__, ModuleFree> module_;
    std::unique_ptr<HWND__, WindowFree> dialog_;
};

TEST_F(ItemAccess, EveryListItemChosenInItsComboReadsBack) {
    HWND combo = GetDlgItem(Dlg(), kItemCombo);
    for (WORD item : kListItems) {
        const auto choices = ItemChoiceList(item);
        ASSERT_FALSE(choices.empty()) << item;
        for (size_t i = 0; i < choices.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "item " << item << " choice " << choices[i]);
            ASSERT_EQ(FillItemChoiceCombo(Dlg(), item, kItemCombo), static_cast<int>(choices.size()));
            ASSERT_TRUE(PlatChoose(combo, static_cast<int>(i)));
            ApplyItemChoice(Dlg(), combo, item, static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
            EXPECT_EQ(GetItemChoice(Dlg(), item), choices[i]);
            FillItemChoiceCombo(Dlg(), item, kItemCombo);
            EXPECT_EQ(Read(kItemCombo).selection, static_cast<int>(i));
            EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, i, 0), choices[i]);
        }
    }
}

TEST_F(ItemAccess, AWindowWithoutPageContextReadsNothingAndChangesNothing) {
    std::unique_ptr<HWND__, WindowFree> bare(
        CreateDialogParamW(module_.get(), MAKEINTRESOURCEW(100), nullptr, StorePageProc, 0));
    ASSERT_TRUE(bare);
    const DWORD before = Get(ui_->currentDevmode, dm::Flags1);
    EXPECT_EQ(GetItemChoice(bare.get(), 433), 0);
    ApplyItemChoice(bare.get(), GetDlgItem(bare.get(), kItemCombo), 433, 1);
    EXPECT_EQ(GetForcedItemChoice(bare.get(), 433), 0);
    EXPECT_EQ(FillItemChoiceCombo(bare.get(), 433, kItemCombo), 0);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::Flags1), before);
    // An index outside the list changes nothing either.
    ApplyItemChoice(Dlg(), GetDlgItem(Dlg(), kItemCombo), 433, 2);
    ApplyItemChoice(Dlg(), GetDlgItem(Dlg(), kItemCombo), 433, -1);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::Flags1), before);
}

TEST_F(ItemAccess, ResolutionComboListsTheDeviceResolutionsAndWritesTheChosenOne) {
    const ResolutionList list = Resolutions(ui_->deviceData);
    ASSERT_GE(list.size(), 2u);
    // Whatever combo the caller names, the resolutions go to 3303.
    ASSERT_EQ(FillItemChoiceCombo(Dlg(), 432, kItemCombo), static_cast<int>(list.size()));
    EXPECT_EQ(Read(3303).count, static_cast<int>(list.size()));
    for (DWORD i = 0; i < list.size(); ++i) {
        HWND combo = GetDlgItem(Dlg(), 3303);
        ASSERT_TRUE(PlatChoose(combo, static_cast<int>(i)));
        EXPECT_EQ(Read(3303).text, ResolutionLabel(list[i].dpi));
        ApplyItemChoice(Dlg(), combo, 432, 0);
        EXPECT_EQ(Get(ui_->currentDevmode, dm::PrintQuality), list[i].dpi);
    }
    // Long paper prints at 600 dpi at most: no 1200 dpi entry then.
    SetText(ui_->currentDevmode, dm::FormName, kLongPaperFormName);
    SetText(ui_->currentDevmode, dm::OutPaperName, u"");
    int with1200 = 0;
    for (const ResolutionEntry& r : list) with1200 += r.dpi == 1200;
    EXPECT_EQ(FillResolutionCombo(Dlg()), static_cast<int>(list.size()) - with1200);
}

TEST_F(ItemAccess, MemoryComboWritesTheChosenSize) {
    const MemorySizeList sizes = MemorySizes(ui_->deviceData);
    ASSERT_GE(sizes.size(), 1u);
    ASSERT_EQ(FillItemChoiceCombo(Dlg(), 459, kItemCombo), static_cast<int>(sizes.size()));
    HWND combo = GetDlgItem(Dlg(), 3742);
    const int last = static_cast<int>(sizes.size()) - 1;
    ASSERT_TRUE(PlatChoose(combo, last));
    ApplyItemChoice(Dlg(), combo, 459, 0);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::MemoryKb), static_cast<DWORD>(sizes[last].values[0]));
    FillMemoryCombo(Dlg());
    EXPECT_EQ(Read(3742).selection, last);
}

TEST_F(ItemAccess, TraySetComboOffersTheInstalledTrays) {
    struct Case {
        bool manual, f2, f3, f4;
        int count;
    };
    const Case cases[] = {{false, false, false, false, 1},
                          {true, false, true, true, 2},
                          {false, true, true, false, 3},
                          {true, true, true, true, 5}};
    for (const Case& c : cases) {
        DriverDevmode& r = ui_->currentDevmode;
        const std::pair<unsigned, bool> pairs[] = {
            {dm::kManual, c.manual}, {dm::kFeeder2, c.f2}, {dm::kFeeder3, c.f3}, {dm::kFeeder4, c.f4}};
        for (auto [pair, on] : pairs) Set(r, dm::DeviceState(pair), WORD(on ? 8 : 0));
        EXPECT_EQ(FillItemChoiceCombo(Dlg(), 449, kItemCombo), c.count);
        EXPECT_EQ(Read(3303).count, c.count);
        EXPECT_EQ(SendDlgItemMessageW(Dlg(), 3303, CB_GETITEMDATA, 0, 0), c.manual ? 1307 : 301);
    }
}

TEST_F(ItemAccess, ForcedChoicesAreShownDisabledAfterTheConstraintPass) {
    // Raster mode forces the pattern-size item to its first choice; without it the combo is the
    // user's.
    DriverDevmode& r = ui_->currentDevmode;
    Set(r, dm::Flags1, (Get(r, dm::Flags1) & ~0x800u) | 0x400u);
    EXPECT_EQ(ShowItemCombo(Dlg(), 433, kItemCombo), 0);
    EXPECT_TRUE(Read(kItemCombo).enabled);
    EXPECT_EQ(Read(kItemCombo).selection, 1);  // 538: bit set

    Set(r, dm::Flags1, Get(r, dm::Flags1) | 0x800u);
    EXPECT_EQ(ShowItemCombo(Dlg(), 433, kItemCombo), 488);
    EXPECT_FALSE(Read(kItemCombo).enabled);
    EXPECT_EQ(Read(kItemCombo).selection, 0);
    EXPECT_FALSE(PlatChoose(GetDlgItem(Dlg(), kItemCombo), 1));  // a user cannot change it

    Set(r, dm::Flags1, Get(r, dm::Flags1) & ~0x800u);
    EXPECT_EQ(ShowItemCombo(Dlg(), 433, kItemCombo), 0);
    EXPECT_TRUE(Read(kItemCombo).enabled);
}

}  // namespace
