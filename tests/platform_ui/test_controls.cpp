// The standard controls: for each user action or program call, the notifications the dialog
// gets, in order, and the state the control keeps.
#include <functional>

#include "plat/window_render.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "win/user_gdi.h"

namespace {

using namespace uitest;

PLAT_CONTROL_STATE Read(HWND d, int id) {
    PLAT_CONTROL_STATE s{};
    EXPECT_TRUE(PlatReadControl(GetDlgItem(d, id), &s));
    return s;
}

constexpr int kDeltaPos = -1;    // UDN_DELTAPOS, logged by the dialog with this code
constexpr int kScrolled = 1000;  // WM_VSCROLL, logged as this plus its scroll code

struct Case {
    const char* name;
    std::function<BOOL(HWND)> act;
    BOOL acted;
    std::vector<Notice> notices;
    std::function<void(HWND)> check;
};

const Case kCases[] = {
    {"a check box toggles before BN_CLICKED",
     [](HWND d) { return PlatClick(GetDlgItem(d, kIdCheck)); },
     TRUE,
     {{kIdCheck, BN_CLICKED}},
     [](HWND d) { EXPECT_EQ(Read(d, kIdCheck).checked, BST_CHECKED); }},
    {"a radio button unchecks the rest of its group only",
     [](HWND d) { return PlatClick(GetDlgItem(d, kIdRadioB)); },
     TRUE,
     {{kIdRadioB, BN_CLICKED}},
     [](HWND d) {
         EXPECT_EQ(Read(d, kIdRadioA).checked, BST_UNCHECKED);
         EXPECT_EQ(Read(d, kIdRadioB).checked, BST_CHECKED);
         EXPECT_EQ(Read(d, kIdRadioC).checked, BST_UNCHECKED);
     }},
    {"a radio button of another group leaves the first group",
     [](HWND d) { return PlatClick(GetDlgItem(d, kIdRadioOther)); },
     TRUE,
     {{kIdRadioOther, BN_CLICKED}},
     [](HWND d) {
         EXPECT_EQ(Read(d, kIdRadioA).checked, BST_CHECKED);
         EXPECT_EQ(Read(d, kIdRadioOther).checked, BST_CHECKED);
     }},
    {"a disabled button cannot be clicked",
     [](HWND d) {
         EnableWindow(GetDlgItem(d, kIdCheck), FALSE);
         return PlatClick(GetDlgItem(d, kIdCheck));
     },
     FALSE,
     {},
     [](HWND d) { EXPECT_EQ(Read(d, kIdCheck).checked, BST_UNCHECKED); }},
    {"an edit's WM_SETTEXT sends EN_UPDATE and EN_CHANGE",
     [](HWND d) { return SetDlgItemTextW(d, kIdEdit, u"7"); },
     TRUE,
     {{kIdEdit, EN_UPDATE}, {kIdEdit, EN_CHANGE}},
     [](HWND d) { EXPECT_EQ(std::u16string(Read(d, kIdEdit).text), u"7"); }},
    {"typing focuses, replaces the selection and reports each change",
     [](HWND d) { return PlatType(GetDlgItem(d, kIdEdit), u"24"); },
     TRUE,
     {{kIdEdit, EN_SETFOCUS}, {kIdEdit, EN_UPDATE}, {kIdEdit, EN_CHANGE}, {kIdEdit, EN_UPDATE}, {kIdEdit, EN_CHANGE}},
     [](HWND d) {
         EXPECT_EQ(std::u16string(Read(d, kIdEdit).text), u"24");
         EXPECT_TRUE(SendDlgItemMessageW(d, kIdEdit, EM_GETMODIFY, 0, 0));
     }},
    {"a number edit refuses letters",
     [](HWND d) { return PlatType(GetDlgItem(d, kIdEdit), u"x"); },
     TRUE,
     {{kIdEdit, EN_SETFOCUS}},
     [](HWND d) { EXPECT_EQ(std::u16string(Read(d, kIdEdit).text), u"1"); }},
    {"the limit stops typing with EN_MAXTEXT",
     [](HWND d) {
         SendDlgItemMessageW(d, kIdEdit, EM_LIMITTEXT, 2, 0);
         return PlatType(GetDlgItem(d, kIdEdit), u"123");
     },
     TRUE,
     {{kIdEdit, EN_SETFOCUS},
      {kIdEdit, EN_UPDATE},
      {kIdEdit, EN_CHANGE},
      {kIdEdit, EN_UPDATE},
      {kIdEdit, EN_CHANGE},
      {kIdEdit, EN_MAXTEXT}},
     [](HWND d) { EXPECT_EQ(std::u16string(Read(d, kIdEdit).text), u"12"); }},
    {"CB_SETCURSEL tells nobody",
     [](HWND d) { return SendDlgItemMessageW(d, kIdCombo, CB_SETCURSEL, 1, 0) == 1; },
     TRUE,
     {},
     [](HWND d) {
         EXPECT_EQ(Read(d, kIdCombo).selection, 1);
         EXPECT_EQ(std::u16string(Read(d, kIdCombo).text), u"Letter");
     }},
    {"a user's choice drops, accepts, closes, then reports the change",
     [](HWND d) { return PlatChoose(GetDlgItem(d, kIdCombo), 2); },
     TRUE,
     {{kIdCombo, CBN_SETFOCUS},
      {kIdCombo, CBN_DROPDOWN},
      {kIdCombo, CBN_SELENDOK},
      {kIdCombo, CBN_CLOSEUP},
      {kIdCombo, CBN_SELCHANGE}},
     [](HWND d) {
         EXPECT_EQ(Read(d, kIdCombo).selection, 2);
         EXPECT_EQ(std::u16string(Read(d, kIdCombo).text), u"B5");
     }},
    {"choosing the selected item changes nothing",
     [](HWND d) { return PlatChoose(GetDlgItem(d, kIdCombo), 0); },
     TRUE,
     {{kIdCombo, CBN_SETFOCUS}, {kIdCombo, CBN_DROPDOWN}, {kIdCombo, CBN_SELENDOK}, {kIdCombo, CBN_CLOSEUP}},
     [](HWND d) { EXPECT_EQ(Read(d, kIdCombo).selection, 0); }},
    {"an item past the list cannot be chosen",
     [](HWND d) { return PlatChoose(GetDlgItem(d, kIdCombo), 3); },
     FALSE,
     {},
     [](HWND d) { EXPECT_EQ(Read(d, kIdCombo).selection, 0); }},
    {"an up-down asks first, then fills its buddy, then scrolls",
     [](HWND d) { return PlatSpin(GetDlgItem(d, kIdSpin), 2); },
     TRUE,
     {{kIdSpin, kDeltaPos},
      {kIdEdit, EN_UPDATE},
      {kIdEdit, EN_CHANGE},
      {kIdSpin, kScrolled + SB_THUMBPOSITION},
      {kIdSpin, kScrolled + SB_ENDSCROLL}},
     [](HWND d) {
         EXPECT_EQ(std::u16string(Read(d, kIdEdit).text), u"3");
         EXPECT_EQ(SendDlgItemMessageW(d, kIdSpin, UDM_GETPOS32, 0, 0), 3);
     }},
    {"an up-down stops at its range",
     [](HWND d) {
         SetDlgItemTextW(d, kIdEdit, u"998");
         return PlatSpin(GetDlgItem(d, kIdSpin), 4);
     },
     TRUE,
     {{kIdEdit, EN_UPDATE},
      {kIdEdit, EN_CHANGE},
      {kIdSpin, kDeltaPos},
      {kIdEdit, EN_UPDATE},
      {kIdEdit, EN_CHANGE},
      {kIdSpin, kScrolled + SB_THUMBPOSITION},
      {kIdSpin, kScrolled + SB_ENDSCROLL}},
     [](HWND d) { EXPECT_EQ(std::u16string(Read(d, kIdEdit).text), u"999"); }},
    {"the parent can refuse an up-down's change",
     [](HWND d) { return PlatSpin(GetDlgItem(d, kIdSpin), 6); },
     TRUE,
     {{kIdSpin, kDeltaPos}},
     [](HWND d) { EXPECT_EQ(std::u16string(Read(d, kIdEdit).text), u"1"); }},
    {"the buddy's text is the position, read when asked",
     [](HWND d) { return SetDlgItemTextW(d, kIdEdit, u"abc"); },
     TRUE,
     {{kIdEdit, EN_UPDATE}, {kIdEdit, EN_CHANGE}},
     [](HWND d) {
         BOOL failed = FALSE;
         SendDlgItemMessageW(d, kIdSpin, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed));
         EXPECT_TRUE(failed);
         EXPECT_EQ(HIWORD(SendDlgItemMessageW(d, kIdSpin, UDM_GETPOS, 0, 0)), 1);
     }},
    {"a notifying static reports a click",
     [](HWND d) { return PlatClick(GetDlgItem(d, kIdLabel)); },
     TRUE,
     {{kIdLabel, STN_CLICKED}},
     [](HWND) {}},
};

TEST(Controls, NotificationsArriveInWindowsOrder) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        DialogRun run;
        WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                          reinterpret_cast<LPARAM>(&run)));
        ASSERT_NE(d.h, nullptr);
        ShowWindow(d.h, SW_SHOW);
        // What filling the dialog in WM_INITDIALOG sent: the edit's text set from the program.
        EXPECT_EQ(run.notices, (std::vector<Notice>{{kIdEdit, EN_UPDATE}, {kIdEdit, EN_CHANGE}}));
        run.notices.clear();
        EXPECT_EQ(c.act(d.h), c.acted);
        EXPECT_EQ(run.notices, c.notices);
        c.check(d.h);
    }
}

TEST(Controls, ComboListKeepsItemsDataAndSelection) {
    WindowHolder combo(CreateWindowExW(0, u"ComboBox", nullptr, WS_POPUP | CBS_DROPDOWNLIST | CBS_SORT, 0, 0, 50, 50,
                                       nullptr, nullptr, nullptr, nullptr));
    auto send = [&](UINT m, WPARAM w, const char16_t* text) {
        return SendMessageW(combo.h, m, w, reinterpret_cast<LPARAM>(text));
    };
    EXPECT_EQ(send(CB_ADDSTRING, 0, u"Letter"), 0);
    EXPECT_EQ(send(CB_ADDSTRING, 0, u"a4"), 0);  // sorted without regard to case
    EXPECT_EQ(send(CB_ADDSTRING, 0, u"B5"), 1);
    EXPECT_EQ(send(CB_INSERTSTRING, 9, u"x"), CB_ERR);
    EXPECT_EQ(SendMessageW(combo.h, CB_SETITEMDATA, 2, 1234), TRUE);
    EXPECT_EQ(SendMessageW(combo.h, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(send(CB_DELETESTRING, 0, nullptr), 2);
    EXPECT_EQ(SendMessageW(combo.h, CB_GETCURSEL, 0, 0), 1);  // the selection moved with its item
    EXPECT_EQ(SendMessageW(combo.h, CB_GETITEMDATA, 1, 0), 1234);
    EXPECT_EQ(send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), u"letter"), 1);
    EXPECT_EQ(send(CB_FINDSTRING, static_cast<WPARAM>(-1), u"b"), 0);
    EXPECT_EQ(send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), u"A3"), CB_ERR);
    WCHAR text[16];
    EXPECT_EQ(SendMessageW(combo.h, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text)), 2);
    EXPECT_EQ(std::u16string(text), u"B5");
    EXPECT_EQ(SendMessageW(combo.h, CB_GETLBTEXT, 7, reinterpret_cast<LPARAM>(text)), CB_ERR);
    EXPECT_EQ(SendMessageW(combo.h, CB_SETCURSEL, 5, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(combo.h, CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST(Controls, EditSelectionAndPassword) {
    WindowHolder edit(CreateWindowExW(0, u"Edit", u"secret", WS_POPUP | ES_PASSWORD, 0, 0, 50, 20, nullptr, nullptr,
                                      nullptr, nullptr));
    EXPECT_EQ(SendMessageW(edit.h, EM_GETPASSWORDCHAR, 0, 0), 0x25CF);
    SendMessageW(edit.h, EM_SETSEL, 2, 4);
    DWORD start = 0, end = 0;
    SendMessageW(edit.h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 4u);
    SendMessageW(edit.h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(u"XY"));
    WCHAR text[16];
    GetWindowTextW(edit.h, text, 16);
    EXPECT_EQ(std::u16string(text), u"seXYet");
    SendMessageW(edit.h, EM_SETSEL, 0, -1);
    SendMessageW(edit.h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end, 6u);
    SendMessageW(edit.h, WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(GetWindowTextLengthW(edit.h), 0);
    SendMessageW(edit.h, EM_SETREADONLY, TRUE, 0);
    SendMessageW(edit.h, WM_CHAR, u'a', 0);
    EXPECT_EQ(GetWindowTextLengthW(edit.h), 0);
}

}  // namespace

namespace {

using namespace uitest;

std::vector<int> g_listNotices;
LRESULT CALLBACK ListParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_MEASUREITEM) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(l)->itemHeight = 20;
        return TRUE;
    }
    if (m == WM_COMMAND) g_listNotices.push_back(HIWORD(w));
    if (m == WM_DRAWITEM) {
        // The preview a driver draws: its colour told by the item's data.
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(l);
        HBRUSH brush = CreateSolidBrush(draw->itemData == 222 ? RGB(200, 0, 0) : RGB(0, 0, 200));
        FillRect(draw->hDC, &draw->rcItem, brush);
        DeleteObject(brush);
        return TRUE;
    }
    return DefWindowProcW(h, m, w, l);
}

TEST(Controls, OwnerDrawnListBoxMeasuresOnceAndNotifiesUserChoices) {
    WindowHolder parent(MakeParentWindow(u"UiTestListParent", ListParent, 200, 200));
    ASSERT_NE(parent.h, nullptr);
    HWND list = CreateWindowExW(0, u"ListBox", nullptr, WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_NOTIFY, 0, 0,
                                100, 100, parent.h, reinterpret_cast<HMENU>(9), nullptr, nullptr);
    ASSERT_NE(list, nullptr) << GetLastError();
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), 20);
    // Without LBS_HASSTRINGS the value given is the item's data, not text.
    EXPECT_EQ(SendMessageW(list, LB_ADDSTRING, 0, 111), 0);
    EXPECT_EQ(SendMessageW(list, LB_ADDSTRING, 0, 222), 1);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, 1, 0), 222);
    RECT r;
    EXPECT_EQ(SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)), 0);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.bottom, 40);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMRECT, 5, reinterpret_cast<LPARAM>(&r)), LB_ERR);

    g_listNotices.clear();
    EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, 0, 0), 0);  // the program's choice tells nobody
    EXPECT_TRUE(g_listNotices.empty());
    EXPECT_TRUE(PlatChoose(list, 1));
    EXPECT_EQ(g_listNotices, (std::vector<int>{LBN_SETFOCUS, LBN_SELCHANGE}));
    EXPECT_TRUE(PlatChoose(list, 1));  // the same item again: no change to report
    EXPECT_EQ(g_listNotices.size(), 2u);
    EXPECT_FALSE(PlatChoose(list, 2));
    PLAT_CONTROL_STATE s;
    ASSERT_TRUE(PlatReadControl(list, &s));
    EXPECT_EQ(s.selection, 1);
    EXPECT_EQ(s.count, 2);

    // The picture of the parent has both items as their owner drew them.
    LONG width = 0, height = 0;
    std::vector<BYTE> rgb(PlatRenderWindow(parent.h, nullptr, 0, &width, &height));
    PlatRenderWindow(parent.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height);
    int red = 0, blue = 0;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        red += rgb[i] == 200 && rgb[i + 1] == 0 && rgb[i + 2] == 0;
        blue += rgb[i] == 0 && rgb[i + 1] == 0 && rgb[i + 2] == 200;
    }
    EXPECT_GT(red, 500);
    EXPECT_GT(blue, 500);
}

// The program's choice scrolls the chosen line into view, as Windows does: up to the top when it
// lies above the shown lines, down to the bottom when below, not at all when already shown.
TEST(Controls, ListBoxSelectionByTheProgramScrollsIntoView) {
    WindowHolder parent(MakeParentWindow(u"UiTestListParent", ListParent, 200, 200));
    ASSERT_NE(parent.h, nullptr);
    HWND list = CreateWindowExW(0, u"ListBox", nullptr, WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_NOTIFY, 0, 0,
                                100, 100, parent.h, reinterpret_cast<HMENU>(9), nullptr, nullptr);
    ASSERT_NE(list, nullptr) << GetLastError();
    ASSERT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), 20);  // five lines shown
    for (LPARAM i = 0; i < 20; ++i) SendMessageW(list, LB_ADDSTRING, 0, 100 + i);
    static const struct {
        WPARAM choice;
        LRESULT top;
    } kCases[] = {{12, 8}, {9, 8}, {3, 3}, {7, 3}, {19, 15}, {0, 0}};
    for (const auto& c : kCases) {
        EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, c.choice, 0), static_cast<LRESULT>(c.choice));
        EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), c.top) << "after choosing line " << c.choice;
    }
}

// An owner-drawn combo asks its owner for its field's and its entries' heights while it is made.
std::vector<UINT> g_comboMeasured;
LRESULT CALLBACK MeasuringComboParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
        g_comboMeasured.push_back(measure->itemID);
        if (measure->CtlType == ODT_COMBOBOX) measure->itemHeight = measure->itemID == static_cast<UINT>(-1) ? 18 : 22;
        return TRUE;
    }
    return DefWindowProcW(h, m, w, l);
}

TEST(Controls, OwnerDrawnComboMeasuresItsFieldAndEntriesOnce) {
    g_comboMeasured.clear();
    WindowHolder parent(MakeParentWindow(u"UiTestMeasuringComboParent", MeasuringComboParent, 200, 200));
    ASSERT_NE(parent.h, nullptr);
    HWND combo = CreateWindowExW(0, u"ComboBox", nullptr,
                                 WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0, 0,
                                 100, 100, parent.h, reinterpret_cast<HMENU>(10), nullptr, nullptr);
    ASSERT_NE(combo, nullptr) << GetLastError();
    EXPECT_EQ(g_comboMeasured, (std::vector<UINT>{static_cast<UINT>(-1), 0u}));
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), 18);
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0), 22);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"One"));
    EXPECT_EQ(g_comboMeasured.size(), 2u) << "a fixed-height combo measures once, not per entry";

    // A plain combo asks nothing.
    g_comboMeasured.clear();
    HWND plain = CreateWindowExW(0, u"ComboBox", nullptr, WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, parent.h,
                                 reinterpret_cast<HMENU>(11), nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(g_comboMeasured.empty());
}

struct ComboDraw {
    UINT type, item, state;
    ULONG_PTR data;
};
std::vector<ComboDraw> g_comboDraws;
LRESULT CALLBACK ComboParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DRAWITEM) {
        // A combo entry as the driver's pages draw it: the entry's icon at the item's left edge.
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(l);
        g_comboDraws.push_back({draw->CtlType, draw->itemID, draw->itemState, draw->itemData});
        auto icon = static_cast<HICON>(LoadImageW(DialogModule(), MAKEINTRESOURCEW(static_cast<int>(draw->itemData)),
                                                  IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        DrawIconEx(draw->hDC, draw->rcItem.left, draw->rcItem.top, icon, 16, 16, 0, nullptr, DI_NORMAL);
        DestroyIcon(icon);
        return TRUE;
    }
    return DefWindowProcW(h, m, w, l);
}

// The closed field of an owner-drawn combo is drawn by its owner: the chosen entry, with its
// data, marked as the field's; nothing is drawn while no entry is chosen.
TEST(Controls, OwnerDrawnComboFieldShowsTheChosenEntry) {
    WindowHolder parent(MakeParentWindow(u"UiTestComboParent", ComboParent, 200, 100));
    HWND combo = CreateWindowExW(0, u"ComboBox", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                                 10, 10, 120, 100, parent.h, reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_NE(combo, nullptr);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u""));
    SendMessageW(combo, CB_SETITEMDATA, 0, kIconSmall);
    auto blue = [&] {
        LONG width = 0, height = 0;
        std::vector<BYTE> rgb(PlatRenderWindow(parent.h, nullptr, 0, &width, &height));
        PlatRenderWindow(parent.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height);
        int n = 0;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3) n += rgb[i] == 0 && rgb[i + 1] == 0 && rgb[i + 2] == 255;
        return n;
    };
    g_comboDraws.clear();
    EXPECT_EQ(blue(), 0);
    EXPECT_TRUE(g_comboDraws.empty());
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    EXPECT_GE(blue(), 12 * 16);  // 16 x 16, its clear column aside, cut to the field
    ASSERT_FALSE(g_comboDraws.empty());
    for (const ComboDraw& d : g_comboDraws) {
        EXPECT_EQ(d.type, static_cast<UINT>(ODT_COMBOBOX));
        EXPECT_EQ(d.item, 0u);
        EXPECT_EQ(d.data, static_cast<ULONG_PTR>(kIconSmall));
        EXPECT_TRUE(d.state & ODS_COMBOBOXEDIT);
    }
}

}  // namespace

namespace {

using namespace uitest;

std::vector<int> g_tabListNotices;
LRESULT CALLBACK TabListParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_COMMAND) g_tabListNotices.push_back(HIWORD(w));
    return DefWindowProcW(h, m, w, l);
}

// Dark pixels of a picture in the columns [left, right) of the rows [top, bottom).
int DarkPixels(const std::vector<BYTE>& rgb, LONG width, RECT r) {
    int n = 0;
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x) {
            const BYTE* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            n += p[0] + p[1] + p[2] < 3 * 100;
        }
    return n;
}

// A list box with LBS_USETABSTOPS draws the text after a tab at its tab stop (dialog units); one
// without the style leaves the tab where it is, as Windows does.
TEST(Controls, ListBoxDrawsTextAtItsTabStops) {
    constexpr int kStopUnits = 60;
    RECT stop{0, 0, kStopUnits, 0};
    ASSERT_TRUE(MapDialogRect(nullptr, &stop));
    for (bool tabs : {true, false}) {
        SCOPED_TRACE(tabs ? "with tab stops" : "without");
        WindowHolder parent(MakeParentWindow(u"UiTestTabListParent", TabListParent, 300, 60));
        ASSERT_NE(parent.h, nullptr);
        const DWORD style = WS_CHILD | WS_VISIBLE | LBS_NOTIFY | (tabs ? LBS_USETABSTOPS : 0);
        HWND list = CreateWindowExW(0, u"ListBox", nullptr, style, 0, 0, 280, 40, parent.h, reinterpret_cast<HMENU>(9),
                                    nullptr, nullptr);
        ASSERT_NE(list, nullptr);
        int units = kStopUnits;
        ASSERT_TRUE(SendMessageW(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&units)));
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"I\tI"));
        LONG width = 0, height = 0;
        std::vector<BYTE> rgb(PlatRenderWindow(parent.h, nullptr, 0, &width, &height));
        ASSERT_GT(rgb.size(), 0u);
        PlatRenderWindow(parent.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height);
        RECT line{};
        ASSERT_EQ(SendMessageW(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&line)), 0);
        // The text starts 2 pixels into the line, inside the list's 1-pixel frame.
        const LONG textLeft = line.left + 3, atStop = textLeft + stop.right;
        const RECT between{textLeft + 8, line.top + 1, atStop - 2, line.bottom};
        const RECT atTheStop{atStop - 1, line.top + 1, atStop + 6, line.bottom};
        if (tabs) {
            EXPECT_EQ(DarkPixels(rgb, width, between), 0) << "nothing between the pieces";
            EXPECT_GT(DarkPixels(rgb, width, atTheStop), 4) << "the second piece at the stop";
        } else {
            EXPECT_GT(DarkPixels(rgb, width, between), 0) << "the tab drawn where it stands";
            EXPECT_EQ(DarkPixels(rgb, width, atTheStop), 0);
        }
    }
}

// A list box's line double-clicked: the first click chooses it (LBN_SELCHANGE when the selection
// moved), the second tells of the double click (LBN_DBLCLK).
TEST(Controls, ListBoxDoubleClickChoosesThenTells) {
    WindowHolder parent(MakeParentWindow(u"UiTestTabListParent", TabListParent, 200, 100));
    ASSERT_NE(parent.h, nullptr);
    HWND list = CreateWindowExW(0, u"ListBox", nullptr, WS_CHILD | WS_VISIBLE | LBS_NOTIFY, 0, 0, 100, 80, parent.h,
                                reinterpret_cast<HMENU>(9), nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    for (const char16_t* text : {u"one", u"two"}) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    g_tabListNotices.clear();
    EXPECT_TRUE(PlatDoubleClickListItem(list, 1));
    EXPECT_EQ(g_tabListNotices, (std::vector<int>{LBN_SETFOCUS, LBN_SELCHANGE, LBN_DBLCLK}));
    g_tabListNotices.clear();
    EXPECT_TRUE(PlatDoubleClickListItem(list, 1));  // already chosen: only the double click
    EXPECT_EQ(g_tabListNotices, (std::vector<int>{LBN_DBLCLK}));
    EXPECT_FALSE(PlatDoubleClickListItem(list, 5));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
}

}  // namespace
