// The basic page's combos as a user sees them: every entry's text (the text the page draws, after
// its icon, at most the 16 characters the page draws) fits the combo's closed field, whatever
// orientation and layout choose the entries.
#include <string>

#include "core/device_data.h"
#include "plat/host_text.h"
#include "plat/window_render.h"
#include "resources/lang/basic_page_ids.h"
#include "tests/pages/basic_page_sheet.h"
#include "ui/pages/basic_page_combos.h"

namespace {

using namespace pages_test;
namespace basic_ids = orla_res::basic_page;
using namespace orla;

constexpr int kIconCombos[] = {basic_ids::kFavourites, basic_ids::kLayout,  basic_ids::kOrder,
                               basic_ids::kDuplex,     basic_ids::kBinding, basic_ids::kEntryMode};
constexpr int kPlainCombos[] = {basic_ids::kFrame};
constexpr size_t kDrawnChars = 16;  // the page draws at most this many characters of an entry

struct PageState {
    const char* what;
    short orientation;
    WORD layout;
    short duplex;
};
constexpr PageState kStates[] = {
    {"portrait 1-up", DMORIENT_PORTRAIT, 1, DMDUP_SIMPLEX},
    {"portrait 2-up long edge", DMORIENT_PORTRAIT, 2, DMDUP_VERTICAL},
    {"landscape 2-up long edge", DMORIENT_LANDSCAPE, 2, DMDUP_VERTICAL},
    {"landscape 4-up short edge", DMORIENT_LANDSCAPE, 4, DMDUP_HORIZONTAL},
};

class BasicPageTexts : public BasicPageSheet {
protected:
    void RunThroughStates();
    std::u16string Drawn(HWND combo, int id, UINT entry) {
        const DWORD presetFlags = DeviceDataField(ui_->deviceData, dd::kPresetFlags);
        const ComboEntryLook look = LookOfComboEntry(ui_->currentDevmode, presetFlags, id, entry);
        std::u16string text;
        if (look.textId != 0) {
            WCHAR loaded[256] = {};
            text = std::u16string(
                loaded, static_cast<size_t>(std::max(0, LoadStringW(ui_->hResDll, look.textId, loaded, 256))));
        } else {
            WCHAR shown[256] = {};
            if (SendMessageW(combo, CB_GETLBTEXTLEN, entry, 0) < 256)
                SendMessageW(combo, CB_GETLBTEXT, entry, reinterpret_cast<LPARAM>(shown));
            text = shown;
        }
        return text;
    }

    // Entries drawn by the page: the text after the icon's width (5/8 of it in the narrow combos).
    void CheckIconCombo(HWND page, int id, const char* state) {
        HWND combo = GetDlgItem(page, id);
        PLAT_TEXT_ROOM room{};
        ASSERT_TRUE(PlatMeasureControlText(combo, &room));
        const bool narrow = id == basic_ids::kFavourites || id == basic_ids::kEntryMode;
        const LONG indent = narrow ? GetSystemMetrics(SM_CXICON) * 5 / 8 : GetSystemMetrics(SM_CXICON);
        const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
        for (UINT i = 0; i < static_cast<UINT>(count); ++i) {
            const std::u16string text = Drawn(combo, id, i);
            const std::string where =
                std::string(state) + ": combo " + std::to_string(id) + " entry \"" + plat::Utf16ToUtf8(text) + "\"";
            EXPECT_LE(text.size(), kDrawnChars) << where << " is cut after " << kDrawnChars << " characters";
            EXPECT_LE(PlatMeasureText(text.c_str()), room.available - indent) << where;
        }
        if (id != basic_ids::kFavourites) {
            EXPECT_GT(count, 0) << state << ": combo " << id;  // the favourites may be none
        }
    }
};

// In either language: the page is run once with each language resource DLL.
TEST_F(BasicPageTexts, EveryComboEntryFitsItsField) {
    for (const char16_t* dll : {u"Quessaj.dll", u"Quessae.dll"}) {
        orla_ui_test::LibraryPtr language(LoadLibraryW((driverDir_ + u"\\" + dll).c_str()));
        ASSERT_TRUE(language);
        const HMODULE own = ui_->hResDll;
        ui_->hResDll = language.get();
        RunThroughStates();
        ui_->hResDll = own;
    }
}

void BasicPageTexts::RunThroughStates() {
    uitest::Script script;
    for (const PageState& s : kStates) {
        script.steps.push_back([&, s](HWND sheet) {
            HWND page = PageOf(sheet);
            DriverDevmode& r = ui_->currentDevmode;
            AsDevmode(r)->dmOrientation = s.orientation;
            AsDevmode(r)->dmDuplex = s.duplex;
            Set(r, dm::LayoutMode, s.layout);
            FillPaperPageControls(&page_, page);
            for (int id : kIconCombos) CheckIconCombo(page, id, s.what);
            for (int id : kPlainCombos) {
                PLAT_TEXT_ROOM room{};
                ASSERT_TRUE(PlatMeasureControlText(GetDlgItem(page, id), &room));
                EXPECT_GT(room.needed, 0) << s.what << ": combo " << id;
                EXPECT_LE(room.needed, room.available) << s.what << ": combo " << id;
            }
        });
    }
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

}  // namespace
