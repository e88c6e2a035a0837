// The mouse and keys as a user drives them: for each action, the messages each window gets in
// Windows' order (hit test, cursor, then the mouse message in client coordinates), mouse capture
// and its WM_CAPTURECHANGED, the cursors, and key presses through a window's dialog manager.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "plat/window_test.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace mouse_test {

struct Got {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Got&) const = default;
};

// What the pad and host windows received, and how the pad answers the mouse: it captures it on
// a press and lets it go on release, and shows the move cursor when asked for one.
struct Log {
    std::vector<Got> got;
    bool padCaptures = true;
    bool padSetsCursor = false;
    bool padSnapsToCorner = false;  // on a press the pad puts the pointer on its top-left corner
    SHORT deleteStateAtKeyDown = 0;
};
Log* g_log = nullptr;

LRESULT CALLBACK PadProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCHITTEST || m == WM_SETCURSOR || (m >= WM_MOUSEMOVE && m <= WM_RBUTTONUP) || m == WM_CAPTURECHANGED ||
        m == WM_KEYDOWN || m == WM_KEYUP) {
        g_log->got.push_back(Got{h, m, w, l});
    }
    bool child = (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) != 0;
    if (m == WM_LBUTTONDOWN && g_log->padCaptures && child) SetCapture(h);
    if (m == WM_LBUTTONDOWN && g_log->padSnapsToCorner && child) {
        POINT corner{0, 0};
        ClientToScreen(h, &corner);
        SetCursorPos(corner.x, corner.y);
    }
    if (m == WM_LBUTTONUP && GetCapture() == h) ReleaseCapture();
    if (m == WM_KEYDOWN && w == VK_DELETE) g_log->deleteStateAtKeyDown = GetKeyState(VK_DELETE);
    if (m == WM_SETCURSOR && g_log->padSetsCursor) {
        SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
        return TRUE;
    }
    return DefWindowProcW(h, m, w, l);
}

constexpr POINT kHostAt{100, 100};
constexpr RECT kPad{20, 30, 120, 110};         // in the host's client area
constexpr RECT kLabel{150, 30, 200, 50};       // a static: the mouse passes through it
constexpr RECT kDisabled{150, 100, 200, 120};  // a disabled button: the host gets its clicks

class MouseInput : public ::testing::Test {
public:
    void SetUp() override {
        g_log = &log;
        host = uitest::MakeParentWindow(u"UiTestMouseHost", PadProc, 300, 200);
        ASSERT_NE(host, nullptr);
        SetWindowPos(host, nullptr, kHostAt.x, kHostAt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        WNDCLASSW c{};
        if (!GetClassInfoW(nullptr, u"UiTestMousePad", &c)) {
            c.lpfnWndProc = PadProc;
            c.lpszClassName = u"UiTestMousePad";
            ASSERT_NE(RegisterClassW(&c), 0);
        }
        pad = Child(u"UiTestMousePad", kPad, 0);
        label = Child(u"Static", kLabel, SS_LEFT);
        disabled = Child(u"Button", kDisabled, BS_PUSHBUTTON | WS_DISABLED);
        ASSERT_TRUE(pad && label && disabled);
        ReleaseCapture();
        log.got.clear();
    }
    void TearDown() override {
        ReleaseCapture();
        PlatSetKeyState(VK_SHIFT, FALSE);
        DestroyWindow(host);
        g_log = nullptr;
    }
    HWND Child(LPCWSTR cls, RECT r, DWORD style) {
        return CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, host, nullptr, nullptr, nullptr);
    }
    Log log;
    HWND host = nullptr, pad = nullptr, label = nullptr, disabled = nullptr;
};

LPARAM At(LONG x, LONG y) {
    return MAKELPARAM(x, y);
}

// The screen point of a point in the host's client area (a popup without frame: no offset).
LPARAM ScreenAt(LONG x, LONG y) {
    return MAKELPARAM(kHostAt.x + x, kHostAt.y + y);
}

struct Step {
    const char* name;
    std::function<BOOL(const MouseInput&)> act;
    BOOL taken;
    std::function<std::vector<Got>(const MouseInput&)> expected;
};

TEST_F(MouseInput, EachActionSendsWindowsMessagesInOrder) {
    const Step kSteps[] = {
        {"a move over the pad: hit test, cursor (asked of the host too), then the move",
         [](const MouseInput& t) { return PlatMouseMove(t.pad, 10, 5); }, TRUE,
         [](const MouseInput& t) {
             return std::vector<Got>{
                 {t.pad, WM_NCHITTEST, 0, ScreenAt(30, 35)},
                 {t.pad, WM_SETCURSOR, reinterpret_cast<WPARAM>(t.pad), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)},
                 {t.host, WM_SETCURSOR, reinterpret_cast<WPARAM>(t.pad), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)},
                 {t.pad, WM_MOUSEMOVE, 0, At(10, 5)}};
         }},
        {"a click on a static reaches the window under it",
         [](const MouseInput& t) { return PlatMousePress(t.host, 160, 40); }, TRUE,
         [](const MouseInput& t) {
             return std::vector<Got>{
                 {t.host, WM_NCHITTEST, 0, ScreenAt(160, 40)},
                 {t.host, WM_SETCURSOR, reinterpret_cast<WPARAM>(t.host), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)},
                 {t.host, WM_LBUTTONDOWN, MK_LBUTTON, At(160, 40)}};
         }},
        {"a click on a disabled control reaches its parent",
         [](const MouseInput& t) { return PlatMouseRelease(t.host, 155, 105); }, TRUE,
         [](const MouseInput& t) {
             return std::vector<Got>{
                 {t.host, WM_NCHITTEST, 0, ScreenAt(155, 105)},
                 {t.host, WM_SETCURSOR, reinterpret_cast<WPARAM>(t.host), MAKELPARAM(HTCLIENT, WM_LBUTTONUP)},
                 {t.host, WM_LBUTTONUP, 0, At(155, 105)}};
         }},
        {"outside every window nothing takes the mouse",
         [](const MouseInput&) { return PlatMouseMove(nullptr, kHostAt.x + 400, kHostAt.y + 400); }, FALSE,
         [](const MouseInput&) { return std::vector<Got>{}; }},
        {"a held Shift key shows in the flags",
         [](const MouseInput& t) {
             PlatSetKeyState(VK_SHIFT, TRUE);
             return PlatMouseMove(t.host, 5, 6);
         },
         TRUE,
         [](const MouseInput& t) {
             return std::vector<Got>{
                 {t.host, WM_NCHITTEST, 0, ScreenAt(5, 6)},
                 {t.host, WM_SETCURSOR, reinterpret_cast<WPARAM>(t.host), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)},
                 {t.host, WM_MOUSEMOVE, MK_SHIFT, At(5, 6)}};
         }},
    };
    for (const Step& s : kSteps) {
        SCOPED_TRACE(s.name);
        log.got.clear();
        EXPECT_EQ(s.act(*this), s.taken);
        EXPECT_EQ(log.got, s.expected(*this));
        PlatSetKeyState(VK_SHIFT, FALSE);
    }
}

// A drag on the pad: it captures the mouse on the press, so the moves come to it alone (no hit
// tests, no cursor questions), past its edge in its own coordinates, until it lets go.
TEST_F(MouseInput, DragWithCaptureKeepsTheMouseOnThePad) {
    ASSERT_TRUE(PlatMouseDrag(pad, 10, 10, 150, -20, 2));
    const std::vector<Got> expected{
        {pad, WM_NCHITTEST, 0, ScreenAt(30, 40)},
        {pad, WM_SETCURSOR, reinterpret_cast<WPARAM>(pad), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)},
        {host, WM_SETCURSOR, reinterpret_cast<WPARAM>(pad), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)},
        {pad, WM_MOUSEMOVE, 0, At(10, 10)},
        {pad, WM_NCHITTEST, 0, ScreenAt(30, 40)},
        {pad, WM_SETCURSOR, reinterpret_cast<WPARAM>(pad), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)},
        {host, WM_SETCURSOR, reinterpret_cast<WPARAM>(pad), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)},
        {pad, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10)},
        {pad, WM_MOUSEMOVE, MK_LBUTTON, At(80, -5)},
        {pad, WM_MOUSEMOVE, MK_LBUTTON, At(150, -20)},
        {pad, WM_LBUTTONUP, 0, At(150, -20)},
        {pad, WM_CAPTURECHANGED, 0, 0},
    };
    EXPECT_EQ(log.got, expected);
    EXPECT_EQ(GetCapture(), nullptr);
    POINT where{};
    ASSERT_TRUE(GetCursorPos(&where));
    EXPECT_EQ(where.x, kHostAt.x + kPad.left + 150);
    EXPECT_EQ(where.y, kHostAt.y + kPad.top - 20);
}

void PumpMessages() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
}

std::vector<Got> MouseMessages(const std::vector<Got>& got) {
    std::vector<Got> out;
    for (const Got& g : got) {
        if (g.message >= WM_MOUSEMOVE && g.message <= WM_RBUTTONUP) out.push_back(g);
    }
    return out;
}

TEST_F(MouseInput, SetCursorPosPostsOneMoveToTheWindowUnderThePointer) {
    const POINT over{kHostAt.x + kPad.left + 7, kHostAt.y + kPad.top + 9};
    ASSERT_TRUE(SetCursorPos(over.x - 1, over.y));
    ASSERT_TRUE(SetCursorPos(over.x, over.y));
    ASSERT_TRUE(SetCursorPos(over.x, over.y));  // not a move
    EXPECT_TRUE(log.got.empty());               // posted, not sent
    PumpMessages();
    EXPECT_EQ(log.got, (std::vector<Got>{{pad, WM_MOUSEMOVE, 0, At(7, 9)}}));
}

// A program moving the pointer during a drag: its move comes before the user's next one.
TEST_F(MouseInput, APointerMovedByTheProgramIsTakenBeforeTheNextInput) {
    log.padSnapsToCorner = true;
    ASSERT_TRUE(PlatMouseDrag(pad, 10, 10, 30, 10, 1));
    const std::vector<Got> expected{
        {pad, WM_MOUSEMOVE, 0, At(10, 10)},        {pad, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10)},
        {pad, WM_MOUSEMOVE, MK_LBUTTON, At(0, 0)}, {pad, WM_MOUSEMOVE, MK_LBUTTON, At(30, 10)},
        {pad, WM_LBUTTONUP, 0, At(30, 10)},
    };
    EXPECT_EQ(MouseMessages(log.got), expected);
}

TEST_F(MouseInput, AWindowAnsweringSetCursorShowsItsCursorAndStopsTheQuestion) {
    log.padSetsCursor = true;
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    ASSERT_TRUE(PlatMouseMove(pad, 1, 1));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEALL));
    for (const Got& g : log.got) EXPECT_NE(g.hwnd, host) << "the host was asked for the cursor";
    // Over the host the default answer brings the arrow back.
    log.padSetsCursor = false;
    ASSERT_TRUE(PlatMouseMove(host, 5, 5));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(MouseInput, CaptureMovesWithCaptureChangedToTheWindowLosingIt) {
    EXPECT_EQ(SetCapture(pad), nullptr);
    EXPECT_EQ(GetCapture(), pad);
    EXPECT_EQ(SetCapture(host), pad);
    EXPECT_EQ(log.got, (std::vector<Got>{{pad, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(host)}}));
    log.got.clear();
    ASSERT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(log.got, (std::vector<Got>{{host, WM_CAPTURECHANGED, 0, 0}}));
    EXPECT_EQ(SetCapture(reinterpret_cast<HWND>(0x1234)), nullptr);  // no such window
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MouseInput, ADisabledWindowTakesNoMouse) {
    EnableWindow(host, FALSE);
    EXPECT_FALSE(PlatMousePress(pad, 5, 5));
    EXPECT_TRUE(log.got.empty());
    EnableWindow(host, TRUE);
}

TEST_F(MouseInput, AKeyPressGoesDownAndUpWithTheKeyHeldBetween) {
    ASSERT_TRUE(PlatPressKey(pad, VK_DELETE));
    const std::vector<Got> expected{{pad, WM_KEYDOWN, VK_DELETE, 0x00000001},
                                    {pad, WM_KEYUP, VK_DELETE, static_cast<LPARAM>(0xC0000001)}};
    EXPECT_EQ(log.got, expected);
    EXPECT_NE(log.deleteStateAtKeyDown & 0x8000, 0);
    EXPECT_EQ(GetKeyState(VK_DELETE) & 0x8000, 0);
    // Without a control the key goes to the focused window.
    SetFocus(pad);
    log.got.clear();
    ASSERT_TRUE(PlatPressKey(nullptr, VK_LEFT));
    ASSERT_EQ(log.got.size(), 2u);
    EXPECT_EQ(log.got[0].wParam, static_cast<WPARAM>(VK_LEFT));
    SetFocus(nullptr);
    EXPECT_FALSE(PlatPressKey(nullptr, VK_LEFT));
}

// In a dialog the dialog manager sees the key first: Escape is the dialog's Cancel.
TEST(DialogKeys, EscapeOnAControlCancelsItsDialog) {
    uitest::DialogRun run;
    uitest::WindowHolder d(CreateDialogParamW(uitest::DialogModule(), MAKEINTRESOURCEW(kDialogMain), nullptr,
                                              uitest::TestDialogProc, reinterpret_cast<LPARAM>(&run)));
    ASSERT_NE(d.h, nullptr);
    ShowWindow(d.h, SW_SHOW);
    run.notices.clear();
    ASSERT_TRUE(PlatPressKey(GetDlgItem(d.h, kIdEdit), VK_ESCAPE));
    const std::vector<uitest::Notice> expected{{kIdEdit, EN_SETFOCUS}, {IDCANCEL, BN_CLICKED}};
    EXPECT_EQ(run.notices, expected);
}

TEST(Cursors, SystemCursorsAreSharedHandlesAndSetCursorAnswersTheOldOne) {
    LPCWSTR names[] = {IDC_ARROW, IDC_SIZEALL, IDC_SIZENWSE, IDC_SIZENESW, IDC_HAND, IDC_IBEAM, IDC_WAIT, IDC_NO};
    std::vector<HCURSOR> seen;
    for (LPCWSTR name : names) {
        HCURSOR c = LoadCursorW(nullptr, name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(LoadCursorW(nullptr, name), c);
        for (HCURSOR other : seen) EXPECT_NE(other, c);
        seen.push_back(c);
    }
    EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(1)), nullptr);
    EXPECT_EQ(LoadCursorW(reinterpret_cast<HINSTANCE>(0x4000), IDC_ARROW), nullptr);
    SetCursor(seen[0]);
    EXPECT_EQ(SetCursor(seen[1]), seen[0]);
    EXPECT_EQ(GetCursor(), seen[1]);
    EXPECT_EQ(SetCursor(seen[0]), seen[1]);
    ASSERT_TRUE(SetCursorPos(12, 34));
    POINT p{};
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 12);
    EXPECT_EQ(p.y, 34);
}

}  // namespace mouse_test
