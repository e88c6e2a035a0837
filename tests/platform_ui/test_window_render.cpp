// Pictures of windows: the test dialog drawn with its caption, buttons and text, state changes
// showing in the picture, and the PNG file written.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "plat/host_text.h"
#include "plat/window_render.h"
#include "tests/platform_ui/dialog_fixture.h"

namespace {

using namespace uitest;

struct Picture {
    LONG width = 0, height = 0;
    std::vector<BYTE> rgb;
    const BYTE* At(LONG x, LONG y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    // Pixels inside the rectangle darker than mid grey.
    int DarkIn(RECT r) const {
        int n = 0;
        for (LONG y = std::max<LONG>(0, r.top); y < std::min<LONG>(height, r.bottom); ++y)
            for (LONG x = std::max<LONG>(0, r.left); x < std::min<LONG>(width, r.right); ++x)
                if (At(x, y)[0] + At(x, y)[1] + At(x, y)[2] < 3 * 100) ++n;
        return n;
    }
};

Picture Render(HWND h) {
    Picture p;
    DWORD size = PlatRenderWindow(h, nullptr, 0, &p.width, &p.height);
    EXPECT_EQ(size, static_cast<DWORD>(p.width * p.height * 3));
    p.rgb.resize(size);
    EXPECT_EQ(PlatRenderWindow(h, p.rgb.data(), size, &p.width, &p.height), size);
    return p;
}

RECT ControlRect(HWND dialog, int id) {
    RECT outer, r;
    GetWindowRect(dialog, &outer);
    GetWindowRect(GetDlgItem(dialog, id), &r);
    return RECT{r.left - outer.left, r.top - outer.top, r.right - outer.left, r.bottom - outer.top};
}

struct TempFile {
    std::string path = (std::filesystem::temp_directory_path() / "orla_ui_render_test.png").string();
    ~TempFile() { std::remove(path.c_str()); }
};

TEST(WindowRender, DrawsCaptionControlsAndTheirState) {
    DialogRun run;
    WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(&run)));
    ShowWindow(d.h, SW_SHOW);
    Picture before = Render(d.h);
    RECT outer;
    GetWindowRect(d.h, &outer);
    EXPECT_EQ(before.width, outer.right - outer.left);
    EXPECT_EQ(before.height, outer.bottom - outer.top);
    // The caption bar is dark blue with light text on it.
    const BYTE* bar = before.At(before.width - 10, GetSystemMetrics(SM_CYDLGFRAME) + 3);
    EXPECT_LT(bar[0], 60);
    EXPECT_GT(bar[2], 80);
    // Button, label and field texts are drawn, not just their boxes.
    RECT ok = ControlRect(d.h, IDOK);
    EXPECT_GT(before.DarkIn(RECT{ok.left + 3, ok.top + 3, ok.right - 3, ok.bottom - 3}), 10);
    EXPECT_GT(before.DarkIn(ControlRect(d.h, kIdLabel)), 20);
    EXPECT_GT(before.DarkIn(ControlRect(d.h, kIdCombo)), 20);  // "A4" and the arrow
    // Checking the box shows a mark inside it.
    RECT check = ControlRect(d.h, kIdCheck);
    RECT box{check.left + 2, check.top, check.left + 11, check.bottom};
    int unchecked = before.DarkIn(box);
    CheckDlgButton(d.h, kIdCheck, BST_CHECKED);
    EXPECT_GT(Render(d.h).DarkIn(box), unchecked + 5);
}

// A label whose text runs over its width wraps onto further lines from its top, as a static does,
// instead of one line cut off at its right edge.
TEST(WindowRender, ALabelTooNarrowForItsTextWraps) {
    DialogRun run;
    WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(&run)));
    ShowWindow(d.h, SW_SHOW);
    HWND label = GetDlgItem(d.h, kIdLabel);
    POINT at{0, 0};
    MapWindowPoints(label, d.h, &at, 1);
    MoveWindow(label, at.x, at.y, 60, 48, TRUE);
    const RECT r = ControlRect(d.h, kIdLabel);
    const RECT firstLine{r.left, r.top, r.right, r.top + 12}, secondLine{r.left, r.top + 16, r.right, r.top + 28};

    SetWindowTextW(label, u"Hi");
    const Picture oneLine = Render(d.h);
    EXPECT_GT(oneLine.DarkIn(r), 5);
    EXPECT_EQ(oneLine.DarkIn(firstLine), 0) << "a text that fits stays one line in the middle";

    SetWindowTextW(label, u"プリンタに保存する印刷データ");
    const Picture wrapped = Render(d.h);
    EXPECT_GT(wrapped.DarkIn(firstLine), 20);
    EXPECT_GT(wrapped.DarkIn(secondLine), 20);
}

// Pixels that differ between two pictures inside a rectangle, and the rows they lie on.
struct Difference {
    int pixels = 0;
    std::set<LONG> rows;
};
Difference Compare(const Picture& a, const Picture& b, RECT r) {
    Difference d;
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x)
            if (std::memcmp(a.At(x, y), b.At(x, y), 3) != 0) ++d.pixels, d.rows.insert(y);
    return d;
}

// A label's mnemonic is drawn as Windows draws it: the letter after "&" underlined and no "&"
// shown; the same text without the marker differs only in the one underline row.
TEST(WindowRender, MnemonicLettersAreUnderlinedNotShownAsAmpersands) {
    struct Case {
        int id;
        const char16_t* marked;
        const char16_t* plain;
    };
    const Case cases[] = {
        {kIdLabel, u"&Settings", u"Settings"}, {kIdLabel, u"用紙(&Z):", u"用紙(Z):"},
        {kIdCheck, u"D&uplex", u"Duplex"},     {kIdRadioA, u"&Portrait", u"Portrait"},
        {IDCANCEL, u"Ca&ncel", u"Cancel"},
    };
    DialogRun run;
    WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(&run)));
    ShowWindow(d.h, SW_SHOW);
    for (const Case& c : cases) {
        SetWindowTextW(GetDlgItem(d.h, c.id), c.plain);
        const Picture plain = Render(d.h);
        SetWindowTextW(GetDlgItem(d.h, c.id), c.marked);
        const Picture marked = Render(d.h);
        const Difference diff = Compare(plain, marked, ControlRect(d.h, c.id));
        EXPECT_EQ(diff.rows.size(), 1u) << "only the underline row differs for " << plat::Utf16ToUtf8(c.marked);
        EXPECT_GE(diff.pixels, 4) << plat::Utf16ToUtf8(c.marked);
    }
}

// "&&" shows one "&" and underlines nothing: the same picture as "&" in a static that takes no
// prefixes.
TEST(WindowRender, DoubledAmpersandShowsOneAmpersand) {
    DialogRun run;
    WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(&run)));
    ShowWindow(d.h, SW_SHOW);
    HWND label = GetDlgItem(d.h, kIdLabel);
    SetWindowTextW(label, u"Stamps && Forms");
    const Picture doubled = Render(d.h);
    SetWindowLongW(label, GWL_STYLE, GetWindowLongW(label, GWL_STYLE) | SS_NOPREFIX);
    SetWindowTextW(label, u"Stamps & Forms");
    const Picture single = Render(d.h);
    EXPECT_GT(single.DarkIn(ControlRect(d.h, kIdLabel)), 20);
    EXPECT_EQ(Compare(doubled, single, ControlRect(d.h, kIdLabel)).pixels, 0);
    // Without prefixes "&&" stays two ampersands.
    SetWindowTextW(label, u"Stamps && Forms");
    EXPECT_GT(Compare(Render(d.h), single, ControlRect(d.h, kIdLabel)).pixels, 0);
}

// The spin box's two buttons carry their arrows: the upper one widening downwards (pointing up),
// the lower one narrowing.
TEST(WindowRender, SpinButtonsShowTheirArrows) {
    DialogRun run;
    WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(&run)));
    ShowWindow(d.h, SW_SHOW);
    const Picture p = Render(d.h);
    const RECT r = ControlRect(d.h, kIdSpin);
    const LONG middle = (r.top + r.bottom) / 2;
    // Dark pixels per row inside each button (its frame left out).
    auto widths = [&](LONG top, LONG bottom) {
        std::vector<int> rows;
        for (LONG y = top + 1; y < bottom - 1; ++y) {
            const int n = p.DarkIn(RECT{r.left + 1, y, r.right - 1, y + 1});
            if (n > 0) rows.push_back(n);
        }
        return rows;
    };
    const std::vector<int> up = widths(r.top, middle), down = widths(middle, r.bottom);
    ASSERT_GE(up.size(), 2u);
    ASSERT_GE(down.size(), 2u);
    EXPECT_LT(up.front(), up.back());
    EXPECT_GT(down.front(), down.back());
}

// A pop-up menu's items show their mnemonics underlined, as Windows draws menus: the picture of
// "&What's This?" differs from that of "What's This?" only in the underline row; a grey item is
// drawn lighter than an enabled one.
TEST(WindowRender, MenuItemsShowMnemonicsAndState) {
    struct MenuFree {
        void operator()(HMENU__* m) const { DestroyMenu(m); }
    };
    auto picture = [](const char16_t* text, UINT flags) {
        std::unique_ptr<HMENU__, MenuFree> menu(CreatePopupMenu());
        EXPECT_TRUE(AppendMenuW(menu.get(), MF_STRING | flags, 7, text));
        Picture p;
        const DWORD size = PlatRenderMenu(menu.get(), nullptr, 0, &p.width, &p.height);
        EXPECT_EQ(size, static_cast<DWORD>(p.width * p.height * 3));
        p.rgb.resize(size);
        EXPECT_EQ(PlatRenderMenu(menu.get(), p.rgb.data(), size, &p.width, &p.height), size);
        return p;
    };
    const Picture marked = picture(u"&What's This?", 0), plain = picture(u"What's This?", 0);
    ASSERT_EQ(marked.width, plain.width) << "the marker takes no room";
    ASSERT_EQ(marked.height, plain.height);
    const RECT all{0, 0, plain.width, plain.height};
    EXPECT_GT(plain.DarkIn(all), 30);
    const Difference diff = Compare(plain, marked, all);
    EXPECT_EQ(diff.rows.size(), 1u);
    EXPECT_GE(diff.pixels, 4);
    EXPECT_LT(picture(u"What's This?", MF_GRAYED).DarkIn(all), plain.DarkIn(all) / 2);
    EXPECT_EQ(PlatRenderMenu(reinterpret_cast<HMENU>(0x5555), nullptr, 0, nullptr, nullptr), 0u);
}

TEST(WindowRender, WritesAPngFile) {
    DialogRun run;
    WindowHolder d(CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr, TestDialogProc,
                                      reinterpret_cast<LPARAM>(&run)));
    TempFile file;
    ASSERT_TRUE(PlatRenderWindowToPng(d.h, file.path.c_str()));
    std::ifstream in(file.path, std::ios::binary);
    char signature[8] = {};
    in.read(signature, 8);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    EXPECT_GT(std::filesystem::file_size(file.path), 1000u);
    EXPECT_FALSE(PlatRenderWindowToPng(reinterpret_cast<HWND>(0x5555), file.path.c_str()));
    EXPECT_FALSE(PlatRenderWindowToPng(d.h, "/nonexistent-dir/x.png"));
}

}  // namespace

// A list box of integral height shows whole rows only: the row its frame would cut is not drawn
// (Windows fits such a list to its rows); with LBS_NOINTEGRALHEIGHT the cut row shows.
TEST(WindowRenderList, IntegralHeightShowsWholeRowsOnly) {
    for (bool integral : {true, false}) {
        SCOPED_TRACE(integral);
        // A bare window with the list alone on it.
        WindowHolder d(
            CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 200, 120, nullptr, nullptr, nullptr, nullptr));
        ShowWindow(d.h, SW_SHOW);
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | (integral ? 0 : LBS_NOINTEGRALHEIGHT);
        HWND list = CreateWindowExW(0, u"ListBox", u"", style, 4, 4, 120, 40, d.h,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(777)), nullptr, nullptr);
        ASSERT_NE(list, nullptr);
        const auto row = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        ASSERT_GT(row, 4);
        for (const WCHAR* item : {u"WWWW", u"WWWW", u"WWWW", u"WWWW"})
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        MoveWindow(list, 4, 4, 120, 2 * row + row / 2 + 2, TRUE);  // two rows and half of a third
        const RECT r = ControlRect(d.h, 777);
        const RECT third{r.left + 2, r.top + 1 + 2 * row, r.right - 2, r.bottom - 1};
        const RECT below{r.left, r.bottom, r.right, r.bottom + row};
        const Picture p = Render(d.h);
        EXPECT_GT(p.DarkIn(RECT{r.left + 2, r.top + 1, r.right - 2, r.top + 1 + row}), 10) << "the first row";
        if (integral) {
            EXPECT_EQ(p.DarkIn(third), 0);
            EXPECT_EQ(p.DarkIn(below), 0) << "nothing of the list below its frame";
        } else {
            EXPECT_GT(p.DarkIn(third), 0);
        }
    }
}
