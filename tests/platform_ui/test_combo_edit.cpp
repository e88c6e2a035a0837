// The drop-down combo with an edit field: for each user action or program call, the
// notifications its parent gets in order, the field's text and the list's selection.
#include <functional>

#include "plat/window_render.h"
#include "plat/window_test.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "tests/platform_ui/window_fixture.h"
#include "win/user_gdi.h"

namespace {

using namespace uitest;

std::vector<int> g_comboEdit;
size_t g_restoreBeyond = 0;  // the parent puts the old text back when the field grows past this

std::u16string FieldOf(HWND combo) {
    WCHAR text[64] = {};
    GetWindowTextW(combo, text, 64);
    return text;
}

LRESULT CALLBACK ComboEditParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_COMMAND && LOWORD(w) == kIdComboEdit) {
        g_comboEdit.push_back(HIWORD(w));
        // As the driver's name fields do: a text over the limit is refused and the old one shown.
        auto combo = reinterpret_cast<HWND>(l);
        if (HIWORD(w) == CBN_EDITCHANGE && g_restoreBeyond > 0 && FieldOf(combo).size() > g_restoreBeyond)
            SetWindowTextW(combo, FieldOf(combo).substr(0, g_restoreBeyond).c_str());
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

// A parent with a drop-down combo listing "Alpha" and "Beta", nothing chosen, the field empty.
struct EditCombo {
    WindowHolder parent{MakeParentWindow(u"UiTestComboEditParent", ComboEditParent, 300, 200)};
    HWND combo = nullptr;
    EditCombo() {
        combo =
            CreateWindowExW(0, u"ComboBox", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 10, 10, 150, 100, parent.h,
                            reinterpret_cast<HMENU>(static_cast<LONG_PTR>(kIdComboEdit)), nullptr, nullptr);
        for (const WCHAR* name : {u"Alpha", u"Beta"})
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        g_comboEdit.clear();
        g_restoreBeyond = 0;
    }
};

struct ComboEditCase {
    const char* name;
    std::function<BOOL(HWND)> act;
    std::vector<int> notices;
    std::u16string field;
    int selection;
};

const ComboEditCase kComboEditCases[] = {
    {"typing tells the parent before and after each change",
     [](HWND c) { return PlatType(c, u"ab"); },
     {CBN_SETFOCUS, CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE},
     u"ab",
     -1},
    {"the limit refuses a character past it without a word",
     [](HWND c) {
         SendMessageW(c, CB_LIMITTEXT, 2, 0);
         return PlatType(c, u"abc");
     },
     {CBN_SETFOCUS, CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE},
     u"ab",
     -1},
    {"typing replaces the whole text it tabbed to, a backspace removes a character",
     [](HWND c) {
         SetWindowTextW(c, u"Old");
         return PlatType(c, u"xy\b");
     },
     {CBN_SETFOCUS, CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE},
     u"x",
     -1},
    {"the program's text tells nobody", [](HWND c) { return SetWindowTextW(c, u"Gamma"); }, {}, u"Gamma", -1},
    {"a chosen item's text goes into the field without an edit notice",
     [](HWND c) { return PlatChoose(c, 1); },
     {CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE},
     u"Beta",
     1},
    {"CB_SETCURSEL fills the field silently; -1 empties it",
     [](HWND c) {
         const bool chose = SendMessageW(c, CB_SETCURSEL, 0, 0) == 0 && FieldOf(c) == u"Alpha";
         return static_cast<BOOL>(chose && SendMessageW(c, CB_SETCURSEL, static_cast<WPARAM>(-1), 0) == CB_ERR);
     },
     {},
     u"",
     -1},
    {"a parent putting the old text back in CBN_EDITCHANGE hears of no change of its own",
     [](HWND c) {
         g_restoreBeyond = 3;
         return PlatType(c, u"abcd");
     },
     {CBN_SETFOCUS, CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE,
      CBN_EDITUPDATE, CBN_EDITCHANGE},
     u"abc",
     -1},
    {"a hidden combo cannot be typed into",
     [](HWND c) {
         ShowWindow(c, SW_HIDE);
         return PlatType(c, u"a");
     },
     {},
     u"",
     -1},
};

TEST(ComboEdit, NotificationsArriveInWindowsOrder) {
    for (const ComboEditCase& c : kComboEditCases) {
        SCOPED_TRACE(c.name);
        EditCombo box;
        ASSERT_NE(box.combo, nullptr);
        c.act(box.combo);
        EXPECT_EQ(g_comboEdit, c.notices);
        EXPECT_EQ(FieldOf(box.combo), c.field);
        EXPECT_EQ(SendMessageW(box.combo, CB_GETCURSEL, 0, 0), c.selection);
    }
}

TEST(ComboEdit, SelectionOfTheFieldAndExactSearch) {
    EditCombo box;
    SetWindowTextW(box.combo, u"Beta");
    DWORD start = 9, end = 9;
    EXPECT_EQ(SendMessageW(box.combo, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)),
              MAKELPARAM(0, 4));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 4u);
    EXPECT_TRUE(SendMessageW(box.combo, CB_SETEDITSEL, 0, MAKELPARAM(1, 3)));
    EXPECT_EQ(SendMessageW(box.combo, CB_GETEDITSEL, 0, 0), MAKELPARAM(1, 3));
    EXPECT_TRUE(SendMessageW(box.combo, CB_SETEDITSEL, 0, MAKELPARAM(2, -1)));  // -1: to the end
    EXPECT_EQ(SendMessageW(box.combo, CB_GETEDITSEL, 0, 0), MAKELPARAM(2, 4));
    EXPECT_TRUE(SendMessageW(box.combo, CB_SETEDITSEL, 0, MAKELPARAM(9, 9)));  // held to the text
    EXPECT_EQ(SendMessageW(box.combo, CB_GETEDITSEL, 0, 0), MAKELPARAM(4, 4));
    // The field's text is looked up in the list whole, without regard to case.
    EXPECT_EQ(SendMessageW(box.combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"beta")),
              1);
    EXPECT_EQ(SendMessageW(box.combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"Bet")),
              CB_ERR);
    // The list keeps the field's text while an item goes; emptying the list empties the field.
    SendMessageW(box.combo, CB_SETCURSEL, 1, 0);
    SendMessageW(box.combo, CB_DELETESTRING, 1, 0);
    EXPECT_EQ(FieldOf(box.combo), u"Beta");
    SendMessageW(box.combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(FieldOf(box.combo), u"");

    // A drop list has no field to set or limit.
    WindowHolder list(CreateWindowExW(0, u"ComboBox", nullptr, WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 50, 50, nullptr,
                                      nullptr, nullptr, nullptr));
    EXPECT_EQ(SendMessageW(list.h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"x")), CB_ERR);
    EXPECT_EQ(SendMessageW(list.h, CB_LIMITTEXT, 4, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(list.h, CB_GETEDITSEL, 0, 0), CB_ERR);
}

// The picture: the field shows its text (dark pixels left of the arrow) and nothing when empty.
TEST(ComboEdit, RenderedFieldShowsTheText) {
    EditCombo box;
    auto dark = [&] {
        LONG width = 0, height = 0;
        std::vector<BYTE> rgb(PlatRenderWindow(box.parent.h, nullptr, 0, &width, &height));
        PlatRenderWindow(box.parent.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height);
        int n = 0;
        for (LONG y = 12; y < 28; ++y)
            for (LONG x = 14; x < 140; ++x) {
                const BYTE* p =
                    &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
                n += p[0] < 80 && p[1] < 80 && p[2] < 80;
            }
        return n;
    };
    EXPECT_EQ(dark(), 0);
    SetWindowTextW(box.combo, u"Favourite");
    EXPECT_GT(dark(), 20);
}

}  // namespace
