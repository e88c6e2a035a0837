// The scroll bar control: for each thing a user does to it, the WM_HSCROLL or WM_VSCROLL messages
// its parent gets in order (with the thumb's place and where the bar stands meanwhile); the range,
// page and position the program sets and reads through the messages and the SB_CTL calls; and the
// picture of the bar.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>

#include "plat/window_render.h"
#include "plat/window_test.h"
#include "tests/platform_ui/ui_test_ids.h"
#include "tests/platform_ui/window_fixture.h"
#include "win/user_controls.h"
#include "win/user_input.h"

namespace {

using namespace uitest;

// One message the parent got, with what the bar said of itself while the parent had it.
struct ScrollNotice {
    UINT message;
    int code;
    int thumb;     // HIWORD(wParam)
    int position;  // GetScrollPos while the parent has the message
    int track;     // the SIF_TRACKPOS answer then
    bool operator==(const ScrollNotice&) const = default;
};

std::vector<ScrollNotice> g_scrollNotices;
HWND g_scrollSource = nullptr;  // the bar lParam named, when it named one

LRESULT CALLBACK ScrollParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_HSCROLL || m == WM_VSCROLL) {
        auto bar = reinterpret_cast<HWND>(l);
        SCROLLINFO info{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(bar, SB_CTL, &info);
        g_scrollNotices.push_back(ScrollNotice{m, LOWORD(w), HIWORD(w), GetScrollPos(bar, SB_CTL), info.nTrackPos});
        g_scrollSource = bar;
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

HWND MakeBar(HWND parent, DWORD style, int id, RECT r) {
    return CreateWindowExW(0, u"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr,
                           nullptr);
}

// A parent with a horizontal bar (0..200 at 100, as an adjustment value of 0 shows) and a
// vertical one (0..10 at 0).
struct TwoBars {
    WindowHolder parent{MakeParentWindow(u"UiTestScrollParent", ScrollParentProc, 300, 200)};
    HWND bar = nullptr;
    HWND vertical = nullptr;
    TwoBars() {
        bar = MakeBar(parent.h, SBS_HORZ, kIdScrollBar, RECT{10, 10, 210, 27});
        vertical = MakeBar(parent.h, SBS_VERT, kIdScrollBarVert, RECT{250, 10, 267, 160});
        SetScrollRange(bar, SB_CTL, 0, 200, TRUE);
        SetScrollPos(bar, SB_CTL, 100, TRUE);
        SetScrollRange(vertical, SB_CTL, 0, 10, TRUE);
        g_scrollNotices.clear();
        g_scrollSource = nullptr;
    }
};

struct ScrollCase {
    const char* name;
    std::function<BOOL(const TwoBars&)> act;
    BOOL acted;
    std::vector<ScrollNotice> notices;
};

constexpr UINT kH = WM_HSCROLL, kV = WM_VSCROLL;

const ScrollCase kScrollCases[] = {
    {"the left arrow clicked: a line, then the end as the button comes up",
     [](const TwoBars& b) { return PlatScroll(b.bar, SB_LINELEFT, 0); },
     TRUE,
     {{kH, SB_LINELEFT, 0, 100, 100}, {kH, SB_ENDSCROLL, 0, 100, 100}}},
    {"the right arrow clicked",
     [](const TwoBars& b) { return PlatScroll(b.bar, SB_LINERIGHT, 0); },
     TRUE,
     {{kH, SB_LINERIGHT, 0, 100, 100}, {kH, SB_ENDSCROLL, 0, 100, 100}}},
    {"the track clicked left of the thumb: a page",
     [](const TwoBars& b) { return PlatScroll(b.bar, SB_PAGELEFT, 0); },
     TRUE,
     {{kH, SB_PAGELEFT, 0, 100, 100}, {kH, SB_ENDSCROLL, 0, 100, 100}}},
    {"the track clicked right of the thumb",
     [](const TwoBars& b) { return PlatScroll(b.bar, SB_PAGERIGHT, 0); },
     TRUE,
     {{kH, SB_PAGERIGHT, 0, 100, 100}, {kH, SB_ENDSCROLL, 0, 100, 100}}},
    {"the thumb dragged: tracked, put down, ended; the bar itself stays until the parent moves it",
     [](const TwoBars& b) { return PlatScroll(b.bar, SB_THUMBTRACK, 150); },
     TRUE,
     {{kH, SB_THUMBTRACK, 150, 100, 150}, {kH, SB_THUMBPOSITION, 150, 100, 150}, {kH, SB_ENDSCROLL, 0, 100, 100}}},
    {"the thumb dragged past the end stays on the track",
     [](const TwoBars& b) { return PlatScroll(b.bar, SB_THUMBPOSITION, 500); },
     TRUE,
     {{kH, SB_THUMBTRACK, 200, 100, 200}, {kH, SB_THUMBPOSITION, 200, 100, 200}, {kH, SB_ENDSCROLL, 0, 100, 100}}},
    {"the thumb dragged before the start",
     [](const TwoBars& b) { return PlatScroll(b.bar, SB_THUMBTRACK, -7); },
     TRUE,
     {{kH, SB_THUMBTRACK, 0, 100, 0}, {kH, SB_THUMBPOSITION, 0, 100, 0}, {kH, SB_ENDSCROLL, 0, 100, 100}}},
    {"the left end reached",
     [](const TwoBars& b) { return PlatScroll(b.bar, SB_LEFT, 0); },
     TRUE,
     {{kH, SB_LEFT, 0, 100, 100}, {kH, SB_ENDSCROLL, 0, 100, 100}}},
    {"the right end reached",
     [](const TwoBars& b) { return PlatScroll(b.bar, SB_RIGHT, 0); },
     TRUE,
     {{kH, SB_RIGHT, 0, 100, 100}, {kH, SB_ENDSCROLL, 0, 100, 100}}},
    {"a vertical bar reports WM_VSCROLL",
     [](const TwoBars& b) { return PlatScroll(b.vertical, SB_LINEDOWN, 0); },
     TRUE,
     {{kV, SB_LINEDOWN, 0, 0, 0}, {kV, SB_ENDSCROLL, 0, 0, 0}}},
    {"a vertical bar's thumb",
     [](const TwoBars& b) { return PlatScroll(b.vertical, SB_THUMBTRACK, 4); },
     TRUE,
     {{kV, SB_THUMBTRACK, 4, 0, 4}, {kV, SB_THUMBPOSITION, 4, 0, 4}, {kV, SB_ENDSCROLL, 0, 0, 0}}},
    {"an arrow key on the bar: a line, the end when the key comes up",
     [](const TwoBars& b) { return PlatPressKey(b.bar, VK_RIGHT); },
     TRUE,
     {{kH, SB_LINERIGHT, 0, 100, 100}, {kH, SB_ENDSCROLL, 0, 100, 100}}},
    {"Page Up on the vertical bar",
     [](const TwoBars& b) { return PlatPressKey(b.vertical, VK_PRIOR); },
     TRUE,
     {{kV, SB_PAGEUP, 0, 0, 0}, {kV, SB_ENDSCROLL, 0, 0, 0}}},
    {"a disabled bar cannot be worked",
     [](const TwoBars& b) {
         EnableWindow(b.bar, FALSE);
         return PlatScroll(b.bar, SB_LINERIGHT, 0);
     },
     FALSE,
     {}},
    {"a hidden bar cannot be worked",
     [](const TwoBars& b) {
         ShowWindow(b.bar, SW_HIDE);
         return PlatScroll(b.bar, SB_THUMBTRACK, 20);
     },
     FALSE,
     {}},
    {"a code no user action gives is refused",
     [](const TwoBars& b) { return PlatScroll(b.bar, SB_ENDSCROLL + 1, 0) || PlatScroll(b.bar, -1, 0); },
     FALSE,
     {}},
};

TEST(ScrollBar, UserActionsReachTheParentInWindowsOrder) {
    for (const ScrollCase& c : kScrollCases) {
        SCOPED_TRACE(c.name);
        TwoBars bars;
        ASSERT_NE(bars.bar, nullptr);
        ASSERT_NE(bars.vertical, nullptr);
        EXPECT_EQ(c.act(bars), c.acted);
        EXPECT_EQ(g_scrollNotices, c.notices);
        // lParam names the bar worked (none when nothing was told).
        const HWND worked = c.notices.empty() ? nullptr : c.notices[0].message == kV ? bars.vertical : bars.bar;
        EXPECT_EQ(g_scrollSource, worked);
        EXPECT_EQ(GetScrollPos(bars.bar, SB_CTL), 100);  // only the parent moves a bar
    }
    g_scrollNotices.clear();
}

// A parent that answers as an adjustment page does: each message moves the bar by its step.
LRESULT CALLBACK SteppingParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m != WM_HSCROLL) return DefWindowProcW(h, m, w, l);
    auto bar = reinterpret_cast<HWND>(l);
    int p = GetScrollPos(bar, SB_CTL);
    switch (LOWORD(w)) {
        case SB_LINELEFT:
            p -= 1;
            break;
        case SB_LINERIGHT:
            p += 1;
            break;
        case SB_PAGELEFT:
            p -= 20;
            break;
        case SB_PAGERIGHT:
            p += 20;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            p = HIWORD(w);
            break;
        case SB_LEFT:
            p = 0;
            break;
        case SB_RIGHT:
            p = 200;
            break;
    }
    SetScrollPos(bar, SB_CTL, p, TRUE);
    return 0;
}

TEST(ScrollBar, ABarStandsWhereItsParentPutsIt) {
    WindowHolder parent{MakeParentWindow(u"UiTestSteppingParent", SteppingParentProc, 300, 100)};
    HWND bar = MakeBar(parent.h, SBS_HORZ, kIdScrollBar, RECT{0, 0, 200, 17});
    SetScrollRange(bar, SB_CTL, 0, 200, FALSE);
    SetScrollPos(bar, SB_CTL, 195, FALSE);
    struct Step {
        int code, thumb, after;
    } const steps[] = {{SB_PAGERIGHT, 0, 200}, {SB_LINELEFT, 0, 199}, {SB_PAGELEFT, 0, 179}, {SB_THUMBTRACK, 37, 37},
                       {SB_LEFT, 0, 0},        {SB_LINELEFT, 0, 0},   {SB_RIGHT, 0, 200}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.code);
        ASSERT_TRUE(PlatScroll(bar, s.code, s.thumb));
        EXPECT_EQ(GetScrollPos(bar, SB_CTL), s.after);
    }
}

TEST(ScrollBar, RangePageAndPositionAsTheProgramSetsThem) {
    TwoBars bars;
    int low = -1, high = -1;
    ASSERT_TRUE(GetScrollRange(bars.bar, SB_CTL, &low, &high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 200);
    // SetScrollPos answers the old position and keeps the new one inside the range.
    EXPECT_EQ(SetScrollPos(bars.bar, SB_CTL, 250, TRUE), 100);
    EXPECT_EQ(GetScrollPos(bars.bar, SB_CTL), 200);
    EXPECT_EQ(SetScrollPos(bars.bar, SB_CTL, -3, TRUE), 200);
    EXPECT_EQ(GetScrollPos(bars.bar, SB_CTL), 0);

    // A page takes its worth off the last position; a page wider than the range is cut to it.
    SCROLLINFO set{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 10, 60, 11, 70, 0};
    EXPECT_EQ(SetScrollInfo(bars.bar, SB_CTL, &set, TRUE), 50);
    SCROLLINFO got{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(bars.bar, SB_CTL, &got));
    EXPECT_EQ(got.nMin, 10);
    EXPECT_EQ(got.nMax, 60);
    EXPECT_EQ(got.nPage, 11u);
    EXPECT_EQ(got.nPos, 50);
    EXPECT_EQ(got.nTrackPos, 50);
    set = SCROLLINFO{sizeof(SCROLLINFO), SIF_PAGE, 0, 0, 500, 0, 0};
    EXPECT_EQ(SetScrollInfo(bars.bar, SB_CTL, &set, TRUE), 10);
    ASSERT_TRUE(GetScrollInfo(bars.bar, SB_CTL, &got));
    EXPECT_EQ(got.nPage, 51u);

    // The messages themselves: a new range answers the old position when it moved it.
    EXPECT_EQ(SendMessageW(bars.vertical, SBM_SETPOS, 7, TRUE), 0);
    EXPECT_EQ(SendMessageW(bars.vertical, SBM_SETRANGE, 0, 5), 7);
    EXPECT_EQ(SendMessageW(bars.vertical, SBM_GETPOS, 0, 0), 5);
    EXPECT_EQ(SendMessageW(bars.vertical, SBM_SETRANGE, 0, 9), 0);
    SendMessageW(bars.vertical, SBM_GETRANGE, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 9);
    EXPECT_TRUE(g_scrollNotices.empty());  // the program's changes tell nobody
}

TEST(ScrollBar, BadCallsFailClearlyAndChangeNothing) {
    TwoBars bars;
    SetLastError(0);
    EXPECT_FALSE(SetScrollRange(bars.bar, SB_CTL, 10, 5, TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SCROLLBAR_RANGE));
    EXPECT_FALSE(SetScrollRange(bars.bar, SB_CTL, -2147483647 - 1, 2147483647, TRUE));
    SCROLLINFO wide{sizeof(SCROLLINFO), SIF_RANGE | SIF_POS, 300, 100, 0, 5, 0};
    EXPECT_EQ(SetScrollInfo(bars.bar, SB_CTL, &wide, TRUE), 100);  // refused whole: not even the position
    SCROLLINFO shortRecord{sizeof(SCROLLINFO) - 4, SIF_POS, 0, 0, 0, 9, 0};
    EXPECT_EQ(SetScrollInfo(bars.bar, SB_CTL, &shortRecord, TRUE), 100);
    EXPECT_FALSE(GetScrollInfo(bars.bar, SB_CTL, nullptr));
    SCROLLINFO nothing{sizeof(SCROLLINFO), 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(GetScrollInfo(bars.bar, SB_CTL, &nothing));
    EXPECT_FALSE(GetScrollRange(bars.bar, SB_CTL, nullptr, nullptr));
    int low = 0, high = 0;
    ASSERT_TRUE(GetScrollRange(bars.bar, SB_CTL, &low, &high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 200);
    EXPECT_EQ(GetScrollPos(bars.bar, SB_CTL), 100);

    // A window's own bars are not kept; SB_CTL names a scroll bar control only.
    SetLastError(0);
    EXPECT_EQ(SetScrollPos(bars.parent.h, SB_HORZ, 3, TRUE), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SCROLLBARS));
    SetLastError(0);
    EXPECT_EQ(GetScrollPos(bars.parent.h, SB_CTL), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(SetScrollRange(nullptr, SB_CTL, 0, 1, TRUE));
    EXPECT_FALSE(PlatScroll(bars.parent.h, SB_LINELEFT, 0));
}

// The mouse on the bar (client coordinates of a 200 by 17 bar): the arrows are at the ends, the
// thumb in the middle at position 100 of 0..200.
TEST(ScrollBar, TheMouseOnArrowsTrackAndThumb) {
    TwoBars bars;
    struct Press {
        int x;
        int code;
    } const presses[] = {{3, SB_LINELEFT}, {196, SB_LINERIGHT}, {30, SB_PAGELEFT}, {170, SB_PAGERIGHT}};
    for (const Press& p : presses) {
        SCOPED_TRACE(p.x);
        g_scrollNotices.clear();
        ASSERT_TRUE(PlatMousePress(bars.bar, p.x, 8));
        ASSERT_TRUE(PlatMouseRelease(bars.bar, p.x, 8));
        const std::vector<ScrollNotice> expected{{kH, p.code, 0, 100, 100}, {kH, SB_ENDSCROLL, 0, 100, 100}};
        EXPECT_EQ(g_scrollNotices, expected);
    }
    // The thumb taken at its middle and dragged to the right arrow: tracked up to the end, put
    // down there, ended.
    g_scrollNotices.clear();
    ASSERT_TRUE(PlatMouseDrag(bars.bar, 100, 8, 199, 8, 5));
    ASSERT_GE(g_scrollNotices.size(), 3u);
    const size_t n = g_scrollNotices.size();
    const std::vector<ScrollNotice> last{g_scrollNotices.end() - 3, g_scrollNotices.end()};
    const std::vector<ScrollNotice> end{
        {kH, SB_THUMBTRACK, 200, 100, 200}, {kH, SB_THUMBPOSITION, 200, 100, 200}, {kH, SB_ENDSCROLL, 0, 100, 100}};
    EXPECT_EQ(last, end);
    for (size_t i = 1; i + 2 < n; ++i) {
        EXPECT_EQ(g_scrollNotices[i].code, SB_THUMBTRACK);
        EXPECT_GT(g_scrollNotices[i].thumb, g_scrollNotices[i - 1].thumb);
    }
    EXPECT_GT(g_scrollNotices.front().thumb, 100);
}

// The picture: arrows at both ends, the track between, the thumb at the bar's position.
TEST(ScrollBar, RenderedBarShowsArrowsTrackAndThumbAtItsPosition) {
    TwoBars bars;
    auto picture = [&](int position, std::vector<BYTE>& rgb, LONG& width, LONG& height) {
        SetScrollPos(bars.bar, SB_CTL, position, TRUE);
        rgb.assign(PlatRenderWindow(bars.parent.h, nullptr, 0, &width, &height), 0);
        ASSERT_EQ(PlatRenderWindow(bars.parent.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height),
                  rgb.size());
    };
    auto count = [](const std::vector<BYTE>& rgb, LONG width, RECT r, BYTE red, BYTE green, BYTE blue) {
        int n = 0;
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) {
                const BYTE* p =
                    &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
                n += p[0] == red && p[1] == green && p[2] == blue;
            }
        return n;
    };
    // The bar lies at x 10..210, y 10..27 of the parent.
    const RECT leftArrow{10, 10, 27, 27}, rightArrow{193, 10, 210, 27};
    const RECT leftQuarter{27, 10, 70, 27}, rightQuarter{150, 10, 193, 27};
    std::vector<BYTE> rgb;
    LONG width = 0, height = 0;
    picture(0, rgb, width, height);
    ASSERT_GE(width, 220);
    EXPECT_GT(count(rgb, width, leftArrow, 0, 0, 0), 4);  // the arrows' black triangles
    EXPECT_GT(count(rgb, width, rightArrow, 0, 0, 0), 4);
    EXPECT_GT(count(rgb, width, leftQuarter, 192, 192, 192), 50);  // the thumb at the start
    EXPECT_EQ(count(rgb, width, rightQuarter, 192, 192, 192), 0);
    EXPECT_GT(count(rgb, width, rightQuarter, 232, 232, 232), 200);  // bare track
    picture(200, rgb, width, height);
    EXPECT_EQ(count(rgb, width, leftQuarter, 192, 192, 192), 0);
    EXPECT_GT(count(rgb, width, rightQuarter, 192, 192, 192), 50);

    const std::string path = testing::TempDir() + "scroll_bars.png";
    ASSERT_TRUE(PlatRenderWindowToPng(bars.parent.h, path.c_str()));
    std::ifstream png(path, std::ios::binary);
    char signature[8] = {};
    png.read(signature, 8);
    EXPECT_EQ(std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8), 0);
    png.close();
    std::remove(path.c_str());
}

}  // namespace
