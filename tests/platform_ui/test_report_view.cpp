// The list view in report view, as the substitution and output-paper tables use it: columns
// inserted, set, read, sized and deleted; subitem texts; items found by text or data; rows
// chosen by click, mouse and key with the parent told in Windows' order; where rows and cells lie;
// and the picture with its header row.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "plat/window_render.h"
#include "plat/window_test.h"
#include "tests/platform_ui/ui_test_ids.h"
#include "tests/platform_ui/window_fixture.h"
#include "win/list_view.h"
#include "win/user_input.h"

namespace {

using namespace uitest;

struct RowNotice {
    UINT code;
    int item;
    UINT oldState;
    UINT newState;
    bool operator==(const RowNotice&) const = default;
};

std::vector<RowNotice> g_rowNotices;

LRESULT CALLBACK ReportParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NOTIFY) {
        const auto& header = *reinterpret_cast<const NMHDR*>(l);
        if (header.code == NM_SETFOCUS || header.code == NM_KILLFOCUS) return 0;
        if (header.code == LVN_KEYDOWN) {  // its record is an NMLVKEYDOWN: no item in it
            g_rowNotices.push_back({header.code, -1, 0, 0});
            return 0;
        }
        if (header.code == NM_CLICK || header.code == NM_DBLCLK) {
            g_rowNotices.push_back({header.code, reinterpret_cast<const NMITEMACTIVATE&>(header).iItem, 0, 0});
            return 0;
        }
        const auto& n = reinterpret_cast<const NMLISTVIEW&>(header);
        g_rowNotices.push_back({header.code, n.iItem, n.uOldState, n.uNewState});
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

constexpr UINT kChosen = LVIS_SELECTED | LVIS_FOCUSED;
constexpr LONG kFaceWidth = 120, kFontWidth = 100;

int AddColumn(HWND list, int at, const char16_t* title, int width, int format = LVCFMT_LEFT) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = const_cast<LPWSTR>(title);
    column.cx = width;
    column.fmt = format;
    return static_cast<int>(
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&column)));
}

int AddRow(HWND list, int at, const char16_t* text, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = at;
    item.pszText = const_cast<LPWSTR>(text);
    item.lParam = data;
    return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL SetCell(HWND list, int row, int column, const char16_t* text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<LPWSTR>(text);
    return static_cast<BOOL>(
        SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
}

std::u16string Cell(HWND list, int row, int column) {
    WCHAR text[64] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

int Chosen(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

RECT RowPart(HWND list, int row, int part) {
    RECT r{part, 0, 0, 0};
    EXPECT_TRUE(SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r)));
    return r;
}

RECT CellPart(HWND list, int row, int column, int part) {
    RECT r{part, column, 0, 0};
    EXPECT_TRUE(SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r)));
    return r;
}

// A parent with a two-column report view of three faces and the printer fonts chosen for them:
// "Mincho" (data 10) -> "明朝", "Gothic" (20) -> "ゴシック", "Arial" (30) -> none; "Mincho" chosen.
struct FaceTable {
    WindowHolder parent{MakeParentWindow(u"UiTestReportParent", ReportParentProc, 400, 300)};
    HWND list = nullptr;
    explicit FaceTable(DWORD extra = 0, int height = 200) {
        list = CreateWindowExW(0, WC_LISTVIEWW, nullptr,
                               WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | extra, 10, 10,
                               300, height, parent.h, reinterpret_cast<HMENU>(static_cast<LONG_PTR>(kIdReportView)),
                               nullptr, nullptr);
        AddColumn(list, 0, u"Face", kFaceWidth);
        AddColumn(list, 1, u"Printer font", kFontWidth);
        AddRow(list, 0, u"Mincho", 10);
        AddRow(list, 1, u"Gothic", 20);
        AddRow(list, 2, u"Arial", 30);
        SetCell(list, 0, 1, u"明朝");
        SetCell(list, 1, 1, u"ゴシック");
        LVITEMW state{};
        state.state = state.stateMask = kChosen;
        SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
        g_rowNotices.clear();
    }
    // A point of the view's client area in the middle of a cell.
    POINT Middle(int row, int column) const {
        const RECT r = CellPart(list, row, column, column == 0 ? LVIR_LABEL : LVIR_BOUNDS);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
};

TEST(ReportView, ColumnsAreInsertedSetReadAndDeleted) {
    FaceTable table;
    EXPECT_EQ(AddColumn(table.list, 9, u"Note", 40, LVCFMT_RIGHT), 2);  // past the end: appended
    WCHAR title[32] = {};
    LVCOLUMNW read{};
    read.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    read.pszText = title;
    read.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(table.list, LVM_GETCOLUMNW, 2, reinterpret_cast<LPARAM>(&read)));
    EXPECT_EQ(std::u16string(title), u"Note");
    EXPECT_EQ(read.cx, 40);
    EXPECT_EQ(read.fmt, LVCFMT_RIGHT);
    EXPECT_EQ(read.iSubItem, 2);
    read.cchTextMax = 4;  // a short buffer gets what fits, terminated
    ASSERT_TRUE(SendMessageW(table.list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&read)));
    EXPECT_EQ(std::u16string(title), u"Pri");
    EXPECT_FALSE(SendMessageW(table.list, LVM_GETCOLUMNW, 3, reinterpret_cast<LPARAM>(&read)));

    LVCOLUMNW rename{};
    rename.mask = LVCF_TEXT;
    rename.pszText = const_cast<LPWSTR>(u"Font");
    ASSERT_TRUE(SendMessageW(table.list, LVM_SETCOLUMNW, 1, reinterpret_cast<LPARAM>(&rename)));
    read.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(table.list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&read)));
    EXPECT_EQ(std::u16string(title), u"Font");
    EXPECT_EQ(read.cx, kFontWidth);  // fields outside the mask stay

    // A column inserted between moves the cells right of it along with their columns.
    SetCell(table.list, 0, 2, u"n0");
    EXPECT_EQ(AddColumn(table.list, 1, u"Size", 30), 1);
    EXPECT_EQ(Cell(table.list, 0, 0), u"Mincho");
    EXPECT_EQ(Cell(table.list, 0, 1), u"");
    EXPECT_EQ(Cell(table.list, 0, 2), u"明朝");
    EXPECT_EQ(Cell(table.list, 0, 3), u"n0");
    EXPECT_TRUE(SendMessageW(table.list, LVM_DELETECOLUMN, 1, 0));
    EXPECT_EQ(Cell(table.list, 0, 1), u"明朝");
    EXPECT_EQ(Cell(table.list, 0, 2), u"n0");
    // Column 0 holds the items' own texts: it goes only last.
    EXPECT_FALSE(SendMessageW(table.list, LVM_DELETECOLUMN, 0, 0));
    EXPECT_FALSE(SendMessageW(table.list, LVM_DELETECOLUMN, 7, 0));
    EXPECT_EQ(AddColumn(table.list, -1, u"Bad", 10), -1);
    EXPECT_EQ(SendMessageW(table.list, LVM_INSERTCOLUMNW, 0, 0), -1);
    EXPECT_TRUE(g_rowNotices.empty());  // nobody is told of columns
}

TEST(ReportView, ColumnWidthsSetAndFittedToTheirTexts) {
    FaceTable table;
    EXPECT_EQ(SendMessageW(table.list, LVM_GETCOLUMNWIDTH, 0, 0), kFaceWidth);
    ASSERT_TRUE(SendMessageW(table.list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(150, 0)));
    EXPECT_EQ(SendMessageW(table.list, LVM_GETCOLUMNWIDTH, 0, 0), 150);
    // Fitted to its widest cell: wider than the longest text, narrower than before.
    ASSERT_TRUE(SendMessageW(table.list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE, 0)));
    const auto fitted = static_cast<LONG>(SendMessageW(table.list, LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_GT(fitted, PlatMeasureText(u"Mincho"));
    EXPECT_LT(fitted, 150);
    SetCell(table.list, 2, 1, u"A much longer printer font name");
    ASSERT_TRUE(SendMessageW(table.list, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(LVSCW_AUTOSIZE, 0)));
    EXPECT_GT(SendMessageW(table.list, LVM_GETCOLUMNWIDTH, 1, 0), PlatMeasureText(u"A much longer printer font name"));
    // The last column fitted with its header reaches the view's right edge.
    ASSERT_TRUE(SendMessageW(table.list, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(LVSCW_AUTOSIZE_USEHEADER, 0)));
    RECT client{};
    GetClientRect(table.list, &client);
    EXPECT_GE(fitted + SendMessageW(table.list, LVM_GETCOLUMNWIDTH, 1, 0), client.right);
    EXPECT_FALSE(SendMessageW(table.list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(40, 0)));
    EXPECT_FALSE(SendMessageW(table.list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(static_cast<WORD>(-3), 0)));
}

TEST(ReportView, SubitemTextsAreKeptPerCellAndTellNobody) {
    FaceTable table;
    EXPECT_EQ(Cell(table.list, 0, 1), u"明朝");
    EXPECT_EQ(Cell(table.list, 2, 1), u"");  // never set
    EXPECT_TRUE(SetCell(table.list, 2, 1, u"明朝"));
    EXPECT_EQ(Cell(table.list, 2, 1), u"明朝");
    EXPECT_EQ(Cell(table.list, 2, 0), u"Arial");  // the item's own text stays
    EXPECT_TRUE(g_rowNotices.empty());

    // LVM_SETITEMW and LVM_GETITEMW reach a cell too; the item's data is the row's.
    LVITEMW set{};
    set.mask = LVIF_TEXT;
    set.iItem = 1;
    set.iSubItem = 1;
    set.pszText = const_cast<LPWSTR>(u"ｺﾞｼｯｸ");
    ASSERT_TRUE(SendMessageW(table.list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&set)));
    WCHAR text[8] = {};
    LVITEMW get{};
    get.mask = LVIF_TEXT | LVIF_PARAM;
    get.iItem = 1;
    get.iSubItem = 1;
    get.pszText = text;
    get.cchTextMax = 8;
    ASSERT_TRUE(SendMessageW(table.list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get)));
    EXPECT_EQ(std::u16string(text), u"ｺﾞｼｯｸ");
    EXPECT_EQ(get.lParam, 20);
    // A cut text: what fits, terminated; the count of characters copied.
    LVITEMW shortRead{};
    shortRead.iSubItem = 1;
    shortRead.pszText = text;
    shortRead.cchTextMax = 3;
    EXPECT_EQ(SendMessageW(table.list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&shortRead)), 2);
    EXPECT_EQ(std::u16string(text), u"明朝");

    // A column the view lacks, a negative subitem or a row past the end: refused, nothing kept.
    EXPECT_FALSE(SetCell(table.list, 0, 2, u"x"));
    EXPECT_FALSE(SetCell(table.list, 0, -1, u"x"));
    EXPECT_FALSE(SetCell(table.list, 3, 1, u"x"));
    EXPECT_EQ(Cell(table.list, 0, 2), u"");
    EXPECT_TRUE(g_rowNotices.empty());
    // The main text still changes as it did, asked for and told of.
    EXPECT_TRUE(SetCell(table.list, 2, 0, u"Arial Black"));
    const std::vector<RowNotice> told{{LVN_ITEMCHANGING, 2, 0, 0}, {LVN_ITEMCHANGED, 2, 0, 0}};
    EXPECT_EQ(g_rowNotices, told);
}

struct FindCase {
    const char* name;
    UINT flags;
    const char16_t* text;
    LPARAM data;
    int start;
    int found;
};

const FindCase kFindCases[] = {
    {"the whole text, case ignored", LVFI_STRING, u"gothic", 0, -1, 1},
    {"a text that only begins the item's is no match", LVFI_STRING, u"Goth", 0, -1, -1},
    {"the beginning of a text", LVFI_PARTIAL, u"goth", 0, -1, 1},
    {"the beginning, by its other name", LVFI_SUBSTRING, u"ARI", 0, -1, 2},
    {"the data", LVFI_PARAM, nullptr, 30, -1, 2},
    {"the data wins over a text", LVFI_PARAM | LVFI_STRING, u"Mincho", 20, -1, 1},
    {"the search starts after the start", LVFI_STRING, u"Mincho", 0, 0, -1},
    {"and goes on from the top when asked", LVFI_STRING | LVFI_WRAP, u"Mincho", 0, 0, 0},
    {"a start past the end searches from the top", LVFI_STRING, u"Mincho", 0, 17, 0},
    {"no such text", LVFI_STRING | LVFI_WRAP, u"Courier", 0, -1, -1},
    {"a text search without a text", LVFI_STRING, nullptr, 0, -1, -1},
    {"no kind of search", 0, u"Mincho", 0, -1, -1},
};

TEST(ReportView, ItemsFoundByTextOrData) {
    FaceTable table;
    for (const FindCase& c : kFindCases) {
        SCOPED_TRACE(c.name);
        LVFINDINFOW find{};
        find.flags = c.flags;
        find.psz = c.text;
        find.lParam = c.data;
        EXPECT_EQ(
            SendMessageW(table.list, LVM_FINDITEMW, static_cast<WPARAM>(c.start), reinterpret_cast<LPARAM>(&find)),
            c.found);
    }
    EXPECT_EQ(SendMessageW(table.list, LVM_FINDITEMW, static_cast<WPARAM>(-1), 0), -1);
}

struct RowCase {
    const char* name;
    std::function<BOOL(FaceTable&)> act;
    std::vector<RowNotice> notices;
    int chosen;
};

// Mouse presses and releases at a point of the view's client area.
BOOL ClickAt(HWND list, POINT p) {
    return PlatMousePress(list, p.x, p.y) && PlatMouseRelease(list, p.x, p.y);
}

const RowCase kRowCases[] = {
    {"a row clicked takes the selection and focus, then the click is told",
     [](FaceTable& t) { return PlatClickListItem(t.list, 2); },
     {{LVN_ITEMCHANGING, 0, kChosen, 0},
      {LVN_ITEMCHANGED, 0, kChosen, 0},
      {LVN_ITEMCHANGING, 2, 0, kChosen},
      {LVN_ITEMCHANGED, 2, 0, kChosen},
      {NM_CLICK, 2, 0, 0}},
     2},
    {"the mouse on a row's first cell: the press chooses, the release tells the click",
     [](FaceTable& t) { return ClickAt(t.list, t.Middle(1, 0)); },
     {{LVN_ITEMCHANGING, 0, kChosen, 0},
      {LVN_ITEMCHANGED, 0, kChosen, 0},
      {LVN_ITEMCHANGING, 1, 0, kChosen},
      {LVN_ITEMCHANGED, 1, 0, kChosen},
      {NM_CLICK, 1, 0, 0}},
     1},
    {"the mouse on another column's cell chooses nothing without full-row selection",
     [](FaceTable& t) { return ClickAt(t.list, t.Middle(1, 1)); },
     {{LVN_ITEMCHANGING, 0, kChosen, LVIS_FOCUSED}, {LVN_ITEMCHANGED, 0, kChosen, LVIS_FOCUSED}, {NM_CLICK, -1, 0, 0}},
     -1},
    {"with full-row selection it chooses the row",
     [](FaceTable& t) {
         SendMessageW(t.list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
         return ClickAt(t.list, t.Middle(1, 1));
     },
     {{LVN_ITEMCHANGING, 0, kChosen, 0},
      {LVN_ITEMCHANGED, 0, kChosen, 0},
      {LVN_ITEMCHANGING, 1, 0, kChosen},
      {LVN_ITEMCHANGED, 1, 0, kChosen},
      {NM_CLICK, 1, 0, 0}},
     1},
    {"the mouse below the rows clears the selection",
     [](FaceTable& t) {
         return ClickAt(t.list, POINT{20, 150});
     },
     {{LVN_ITEMCHANGING, 0, kChosen, LVIS_FOCUSED}, {LVN_ITEMCHANGED, 0, kChosen, LVIS_FOCUSED}, {NM_CLICK, -1, 0, 0}},
     -1},
    {"the mouse on the header leaves the rows alone",
     [](FaceTable& t) {
         return ClickAt(t.list, POINT{20, 3});
     },
     {},
     0},
    {"the down key moves to the next row",
     [](FaceTable& t) { return PlatPressKey(t.list, VK_DOWN); },
     {{LVN_KEYDOWN, -1, 0, 0},
      {LVN_ITEMCHANGING, 0, kChosen, 0},
      {LVN_ITEMCHANGED, 0, kChosen, 0},
      {LVN_ITEMCHANGING, 1, 0, kChosen},
      {LVN_ITEMCHANGED, 1, 0, kChosen}},
     1},
};

TEST(ReportView, RowsChosenAsAUserChoosesThem) {
    for (const RowCase& c : kRowCases) {
        SCOPED_TRACE(c.name);
        FaceTable table;
        ASSERT_NE(table.list, nullptr);
        EXPECT_TRUE(c.act(table));
        EXPECT_EQ(g_rowNotices, c.notices);
        EXPECT_EQ(Chosen(table.list), c.chosen);
    }
    g_rowNotices.clear();
}

TEST(ReportView, RowsLieUnderTheHeaderAndCellsUnderTheirColumns) {
    FaceTable table;
    const RECT first = RowPart(table.list, 0, LVIR_BOUNDS), second = RowPart(table.list, 1, LVIR_BOUNDS);
    EXPECT_GT(first.top, 0);  // the header row is above
    EXPECT_EQ(first.left, 0);
    EXPECT_EQ(first.right, kFaceWidth + kFontWidth);
    EXPECT_EQ(second.top, first.bottom);
    EXPECT_EQ(second.bottom - second.top, first.bottom - first.top);
    EXPECT_GE(first.bottom - first.top, 13);  // a line of the 8-point UI face fits
    EXPECT_EQ(RowPart(table.list, 0, LVIR_LABEL).right, kFaceWidth);
    const RECT cell = CellPart(table.list, 1, 1, LVIR_BOUNDS);
    EXPECT_EQ(cell.left, kFaceWidth);
    EXPECT_EQ(cell.right, kFaceWidth + kFontWidth);
    EXPECT_EQ(cell.top, second.top);

    LVHITTESTINFO hit{};
    hit.pt = table.Middle(2, 0);
    EXPECT_EQ(SendMessageW(table.list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 2);
    EXPECT_EQ(hit.flags, static_cast<UINT>(LVHT_ONITEMLABEL));
    hit.pt = POINT{5, first.top - 2};
    EXPECT_EQ(SendMessageW(table.list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
    EXPECT_EQ(hit.flags, static_cast<UINT>(LVHT_NOWHERE));
    hit.pt = table.Middle(1, 1);
    EXPECT_EQ(SendMessageW(table.list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
    EXPECT_EQ(hit.iSubItem, 1);
    hit.pt = POINT{kFaceWidth + kFontWidth + 10, second.top + 2};
    EXPECT_EQ(SendMessageW(table.list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
    RECT bad{LVIR_BOUNDS, 2, 0, 0};
    EXPECT_FALSE(SendMessageW(table.list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&bad)));
}

TEST(ReportView, ManyRowsScrollUnderTheHeader) {
    FaceTable table(0, 100);  // room for a few rows only
    for (int i = 3; i < 30; ++i) AddRow(table.list, i, u"Face", 100 + i);
    const auto perPage = static_cast<int>(SendMessageW(table.list, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_GT(perPage, 0);
    EXPECT_LT(perPage, 6);
    EXPECT_EQ(SendMessageW(table.list, LVM_GETTOPINDEX, 0, 0), 0);
    ASSERT_TRUE(SendMessageW(table.list, LVM_ENSUREVISIBLE, 29, FALSE));
    RECT client{};
    GetClientRect(table.list, &client);
    const RECT last = RowPart(table.list, 29, LVIR_BOUNDS);
    EXPECT_LE(last.bottom, client.bottom);
    EXPECT_GT(last.top, 0);
    EXPECT_GE(SendMessageW(table.list, LVM_GETTOPINDEX, 0, 0), 29 - perPage);
    // Back to the first row: it lies just under the header, not behind it.
    const RECT before = RowPart(table.list, 0, LVIR_BOUNDS);
    ASSERT_TRUE(SendMessageW(table.list, LVM_ENSUREVISIBLE, 0, FALSE));
    EXPECT_EQ(SendMessageW(table.list, LVM_GETTOPINDEX, 0, 0), 0);
    const RECT top = RowPart(table.list, 0, LVIR_BOUNDS);
    EXPECT_GT(top.top, before.top);
    EXPECT_GT(top.top, 0);
}

// The picture: the header's button-faced cells with their titles above the rows; the chosen row's
// first cell on the highlight (the whole row with full-row selection); cell texts in black.
TEST(ReportView, RenderedReportViewShowsHeaderRowsAndSelection) {
    for (const bool fullRow : {false, true}) {
        SCOPED_TRACE(fullRow);
        FaceTable table;
        if (fullRow) SendMessageW(table.list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        LONG width = 0, height = 0;
        std::vector<BYTE> rgb(PlatRenderWindow(table.parent.h, nullptr, 0, &width, &height));
        ASSERT_EQ(PlatRenderWindow(table.parent.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height),
                  rgb.size());
        // The view's client area lies inside its one-pixel edge at (10, 10) of the parent.
        POINT corner{0, 0};
        ClientToScreen(table.list, &corner);
        RECT screen{};
        GetWindowRect(table.parent.h, &screen);
        const LONG dx = corner.x - screen.left, dy = corner.y - screen.top;
        auto count = [&](RECT r, BYTE red, BYTE green, BYTE blue) {
            int n = 0;
            for (LONG y = r.top + dy; y < r.bottom + dy; ++y)
                for (LONG x = r.left + dx; x < r.right + dx; ++x) {
                    if (x < 0 || y < 0 || x >= width || y >= height) continue;
                    const BYTE* p =
                        &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
                    n += p[0] == red && p[1] == green && p[2] == blue;
                }
            return n;
        };
        auto dark = [&](RECT r) {  // text, drawn smooth: pixels darker than half
            int n = 0;
            for (LONG y = r.top + dy; y < r.bottom + dy; ++y)
                for (LONG x = r.left + dx; x < r.right + dx; ++x) {
                    if (x < 0 || y < 0 || x >= width || y >= height) continue;
                    const BYTE* p =
                        &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
                    n += p[0] < 128 && p[1] < 128 && p[2] < 128;
                }
            return n;
        };
        const RECT first = RowPart(table.list, 0, LVIR_BOUNDS);
        const RECT header{0, 0, kFaceWidth + kFontWidth, first.top};
        const int headerArea = (header.right - header.left) * (header.bottom - header.top);
        EXPECT_GT(count(header, 225, 225, 225), headerArea / 2);  // button face
        EXPECT_GT(dark(header), 10);                              // the titles
        const RECT chosenLabel = RowPart(table.list, 0, LVIR_LABEL);
        const RECT chosenFont = CellPart(table.list, 0, 1, LVIR_BOUNDS);
        const int labelArea = (chosenLabel.right - chosenLabel.left) * (chosenLabel.bottom - chosenLabel.top);
        EXPECT_GT(count(chosenLabel, 0, 120, 215), labelArea / 2);
        if (fullRow) {
            EXPECT_GT(count(chosenFont, 0, 120, 215), labelArea / 4);
        } else {
            EXPECT_EQ(count(chosenFont, 0, 120, 215), 0);
        }
        const RECT otherFont = CellPart(table.list, 1, 1, LVIR_BOUNDS);
        EXPECT_GT(dark(otherFont), 5);  // "ゴシック"
        EXPECT_EQ(count(otherFont, 0, 120, 215), 0);
        EXPECT_EQ(dark(CellPart(table.list, 2, 1, LVIR_BOUNDS)), 0);  // nothing chosen for Arial

        const std::string path = testing::TempDir() + (fullRow ? "report_view_full.png" : "report_view.png");
        ASSERT_TRUE(PlatRenderWindowToPng(table.parent.h, path.c_str()));
        std::ifstream png(path, std::ios::binary);
        char signature[8] = {};
        png.read(signature, 8);
        EXPECT_EQ(std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8), 0);
        png.close();
        std::remove(path.c_str());
    }
}

}  // namespace
